#pragma once

// Houses, bill lines and payment entries for the payment tests: lines of the formula
// "直接输入金额" (单价 = 收费金额, 面积/数量 1), so the estate's rules hold for them.
#include "billing/core/payment.h"
#include "data/dm1.h"
#include "data/money.h"

#include <QTest>

namespace PaymentFixture {

using namespace Qt::StringLiterals;

inline const QString Building = u"一号楼"_s;
inline const QString Owner = u"张三"_s;

inline Money yuan(const QString &text)
{
    return *Money::parse(text);
}
inline Money yuan(const char *text)
{
    return yuan(QString::fromLatin1(text));
}

inline void addHouse(Dm1 *dm, const QString &code, const QString &owner = Owner, const QString &building = Building)
{
    QVERIFY(
        dm->exec(u"insert into 房屋资料 (房屋代码,楼宇名称,楼宇单元,业主名称,零头,押金) values (?,?,'一单元',?,0,0)"_s,
                 {code, building, owner}));
}

inline void addLine(Dm1 *dm, const QString &code, int year, int month, const QString &item, Money amount,
                    const QString &owner = Owner, const QString &building = Building)
{
    QVERIFY(dm->exec(
        u"insert into 收费明细表 (房屋代码,房屋名称,业主名称,楼宇名称,楼宇单元,收费名称,计算公式,单价,"
        "\"面积/数量\",收费金额,年度,月份,缴费状态) values (?,?,?,?,'一单元',?,'直接输入金额',?,1,?,?,?,'未缴费')"_s,
        {code, code, owner, building, item, amount.raw(), amount.raw(), QString::number(year),
         QString::number(month)}));
}

inline PaymentKey key(const QString &code, int year, int month, const QString &item = PaymentWords::WholeBill,
                      const QString &owner = Owner)
{
    return {QString::number(year), QString::number(month), Building, code, owner, item};
}

inline PaymentEntry entry(const QString &method, const QString &paid, const QString &receipt)
{
    PaymentEntry e;
    e.date = QDate(2004, 8, 15);
    e.method = method;
    e.paid = paid;
    e.receipt = receipt;
    e.payer = Owner;
    e.collector = u"李会计"_s;
    e.operatorName = Dm1::defaultOperator();
    return e;
}

inline Money odd(Dm1 *dm, const QString &code)
{
    return Money::fromStored(dm->scalar(u"select 零头 from 房屋资料 where 房屋代码=?"_s, {code}))
        .value_or(Money::fromRaw(-1));
}

inline int unpaidLines(Dm1 *dm, const QString &code)
{
    return dm->scalar(u"select count(*) from 收费明细表 where 房屋代码=? and 缴费状态='未缴费'"_s, {code}).toInt();
}

inline int records(Dm1 *dm)
{
    return dm->scalar(u"select count(*) from 收费汇总表"_s).toInt();
}

}
