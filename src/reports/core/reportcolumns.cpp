#include "reports/core/reportcolumns.h"

#include "reports/core/ownerstatement.h"

using namespace Qt::StringLiterals;

using C = GridColumn;
using F = GridColumn::Footer;

GridColumn ReportColumns::money(const QString &field, const QString &title, int width)
{
    return C::of(field, title, width).alignRight().withFooter(F::Sum);
}

QList<GridColumn> ReportColumns::yearMonth()
{
    return {C::of(u"texta"_s, u"年度"_s, 80).withFooter(F::Text, u"合计"_s), C::of(u"textb"_s, u"月份"_s, 60)};
}

QList<GridColumn> ReportColumns::dueTotals(bool withHouses, int width)
{
    QList<GridColumn> columns;
    const QList<std::pair<QString, QString>> parts = {
        {u"应缴业主总数"_s, u"应缴总金额"_s}, {u"已缴业主数"_s, u"已缴总金额"_s}, {u"未缴业主数"_s, u"未缴总金额"_s}};
    const QString letters = u"abc"_s;
    for (int i = 0; i < parts.size(); ++i) {
        if (withHouses) {
            columns << C::of(u"number"_s + letters[i], parts[i].first, width).alignRight();
        }
        columns << money(u"money"_s + letters[i], parts[i].second, width);
    }
    return columns;
}

QList<GridColumn> ReportColumns::depositMovements(const QString &offsetField, const QString &refundField)
{
    return {
        C::of(u"textc"_s, u"楼宇名称"_s, 60),
        C::of(u"texta"_s, u"房屋代码"_s, 80).withFooter(F::Text, u"合计"_s),
        C::of(u"textb"_s, u"业主名称"_s, 80),
        money(u"moneya"_s, u"操作类型|收取"_s, 70),
        money(offsetField, u"操作类型|冲抵费用"_s, 70),
        money(refundField, u"操作类型|退还"_s, 70),
        C::of(u"moneyd"_s, u"余额"_s, 80).alignRight(),
    };
}

GridColumn ReportColumns::remark(const QString &title)
{
    return C::of(QString(), title, 180);
}

QList<GridColumn> ReportColumns::sortable(QList<GridColumn> columns, const QStringList &except)
{
    for (GridColumn &c : columns) {
        if (!c.field.isEmpty() && !except.contains(c.field)) {
            c.sortButton();
        }
    }
    return columns;
}

QList<GridColumn> ReportColumns::arrears()
{
    QList<GridColumn> columns = sortable(
        {
            C::of(u"texte"_s, u"楼宇名称"_s, 60),
            C::of(u"textc"_s, u"房屋代码"_s, 90),
            C::of(u"textd"_s, u"业主名称"_s, 140),
            C::of(u"texta"_s, u"年度"_s, 80),
            C::of(u"textb"_s, u"月份"_s, 60),
            C::of(u"moneya"_s, u"未缴费金额"_s, 90).alignRight(),
            C::of(u"moneyb"_s, u"累计金额"_s, 90).alignRight(),
        },
        {u"texte"_s});
    return columns << remark();
}

QList<GridColumn> ReportColumns::monthTotals()
{
    return yearMonth() + dueTotals(true, 80) << remark();
}

QList<GridColumn> ReportColumns::itemTotals()
{
    QList<GridColumn> columns = yearMonth();
    columns << C::of(u"textc"_s, u"收费项目"_s, 150) << dueTotals(false, 90);
    return sortable(columns) << remark();
}

QList<GridColumn> ReportColumns::listing(BillReports::Listing kind)
{
    QList<GridColumn> columns;
    if (kind == BillReports::Listing::All) {
        columns = {
            C::of(u"texth"_s, u"楼宇名称"_s, 65),
            C::of(u"texti"_s, u"楼宇单元"_s, 60),
            C::of(u"texta"_s, u"房屋代码"_s, 80).withFooter(F::Text, u"合计"_s),
            C::of(u"textb"_s, u"业主名称"_s, 80),
            C::of(u"textf"_s, u"年度"_s, 60),
            C::of(u"textg"_s, u"月份"_s, 40),
            C::of(u"textc"_s, u"应  缴|项  目"_s, 100),
            money(u"moneya"_s, u"应  缴|金额"_s, 65),
            C::of(u"textd"_s, u"已  缴|项  目"_s, 100),
            money(u"moneyb"_s, u"已  缴|金额"_s, 65),
            C::of(u"texte"_s, u"未  缴|项  目"_s, 100),
            money(u"moneyc"_s, u"未  缴|金额"_s, 65),
        };
    } else {
        const bool paid = kind == BillReports::Listing::Paid;
        columns = {
            C::of(u"texth"_s, u"楼宇名称"_s, 60),
            C::of(u"texti"_s, u"楼宇单元"_s, paid ? 64 : 60),
            C::of(u"texta"_s, u"房屋代码"_s, paid ? 80 : 85).withFooter(F::Text, u"合计"_s),
            C::of(u"textb"_s, u"业主名称"_s, paid ? 80 : 90),
            C::of(u"texte"_s, u"年度"_s, 60),
            C::of(u"textf"_s, u"月份"_s, 40),
            C::of(u"dateb"_s, u"开始日期"_s, 80),
            C::of(u"datec"_s, u"结束日期"_s, 80),
            C::of(u"textd"_s, u"项  目"_s, paid ? 120 : 150),
            money(u"moneyb"_s, u"金 额"_s, paid ? 90 : 100),
        };
        if (paid) {
            columns << C::of(u"datea"_s, u"缴费日期"_s, 100);
        }
    }
    return sortable(columns, {u"texth"_s, u"texti"_s}) << remark(u"备    注"_s);
}

QList<GridColumn> ReportColumns::depositDetail()
{
    QList<GridColumn> columns = {C::of(u"datea"_s, u"日期"_s, 80).withFooter(F::Text, u"合计"_s)};
    return columns << depositMovements(u"moneyc"_s, u"moneyb"_s) << C::of(u"texte"_s, u"操作员"_s, 80)
                   << remark(u"备    注"_s);
}

QList<GridColumn> ReportColumns::depositSummary()
{
    QList<GridColumn> columns = {
        C::of(u"datea"_s, u"开始日期"_s, 90).withFooter(F::Text, u"合计"_s),
        C::of(u"dateb"_s, u"结束日期"_s, 90),
    };
    columns << depositMovements(u"moneyb"_s, u"moneyc"_s);
    return sortable(columns, {u"textc"_s}) << remark(u"备    注"_s);
}

QList<GridColumn> ReportColumns::ownerStatement()
{
    return {C::of(u"datea"_s, u"日期"_s, 80).withFooter(F::Text, u"合计"_s),
            C::of(u"texta"_s, u"摘要"_s, 200),
            money(u"moneya"_s, u"往来|应缴"_s, 80),
            money(u"moneyb"_s, u"往来|实缴"_s, 80),
            C::of(u"moneyc"_s, u"往来|余额"_s, 80).alignRight(),
            money(u"moneyd"_s, u"押金|收取"_s, 70),
            money(u"moneye"_s, u"押金|退还或冲抵"_s, 80),
            C::of(u"moneyf"_s, u"押金|余额"_s, 70).alignRight(),
            C::of(u"textb"_s, u"业主名称"_s, 80),
            C::of(u"textc"_s, u"备注"_s, 90)};
}

QList<GridColumn> ReportColumns::arrearsAging()
{
    QList<GridColumn> columns = {C::of(u"texta"_s, u"楼宇名称"_s, 80).withFooter(F::Text, u"合计"_s),
                                 C::of(u"textb"_s, u"房屋代码"_s, 80).withFooter(F::Count),
                                 C::of(u"textc"_s, u"业主名称"_s, 80), C::of(u"textd"_s, u"联系电话"_s, 100)};
    for (int i = 0; i < OwnerStatement::AgingBuckets; ++i) {
        columns << money(OwnerStatement::agingField(i), u"欠费账龄|"_s + OwnerStatement::agingTitles()[i], 70);
    }
    columns << money(u"moneyf"_s, u"欠费合计"_s, 80) << money(u"moneyg"_s, u"零头"_s, 70)
            << money(u"moneyh"_s, u"净欠"_s, 80) << C::of(u"texte"_s, u"最早欠费月份"_s, 90);
    return sortable(columns);
}
