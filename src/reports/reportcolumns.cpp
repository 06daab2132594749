#include "reports/reportcolumns.h"

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
