#include "data/billlinesql.h"

#include "data/dm1.h"

namespace {
const QString HouseMonth = QStringLiteral("(房屋代码=?)and(年度=?)and(月份=?)");
const QString Unpaid = QStringLiteral("and(缴费状态='未缴费')");
const QString MarkPaid = QStringLiteral("update 收费明细表 set 缴费状态=?,缴费时间=?, 缴费人=?, 收款人=?,单据号码=?");
}

namespace BillLineSql {

QStringList unpaidLinesOfMonth()
{
    return {QStringLiteral("select * from 收费明细表 where ") + HouseMonth + Unpaid,
            QStringLiteral("order by ") + Dm1::orderTerm(QStringLiteral("收费名称"))};
}

QString amountDue()
{
    return QStringLiteral("select sum(收费金额) as je from 收费明细表 where ") + HouseMonth + Unpaid;
}

QString markBillPaid()
{
    return MarkPaid + QStringLiteral(" where ") + HouseMonth + Unpaid;
}

QString markLinePaid()
{
    return MarkPaid + QStringLiteral(" where ") + HouseMonth + QStringLiteral("and(收费名称=?)");
}

QStringList arrearsOfMonth()
{
    return {QStringLiteral("select sum(收费金额) as zje from 收费明细表"), QStringLiteral(" where "),
            HouseMonth + Unpaid};
}

}
