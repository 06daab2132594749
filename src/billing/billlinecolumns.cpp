#include "billing/billlinecolumns.h"

using namespace Qt::StringLiterals;

QList<GridColumn> BillLineColumns::of(Kind kind)
{
    using C = GridColumn;
    using F = GridColumn::Footer;
    // The windows that compute and take the month's lines name the two values the formula pages
    // fill as the pages do; the history shows the fields' own names.
    const bool formulaTitles = kind != Kind::History;
    const auto number = [](const QString &field, const QString &title, int width) {
        return C::of(field, title, width).alignRight();
    };
    QList<GridColumn> columns;
    if (kind == Kind::History) {
        columns << C::of(u"年度"_s, u"年度"_s, 45) << C::of(u"月份"_s, u"月份"_s, 35);
    }
    columns << C::of(u"收费名称"_s, u"收费名称"_s, 110).withFooter(F::Text, u"合计"_s)
            << number(u"单价"_s, formulaTitles ? u"单价(比例)"_s : u"单价"_s, 75)
            << number(u"本月表数"_s, u"本月表数"_s, 75) << number(u"上月表数"_s, u"上月表数"_s, 75)
            << number(u"面积/数量"_s, formulaTitles ? u"面积/数量/金额"_s : u"面积/数量"_s, 95)
            << number(u"收费金额"_s, u"收费金额"_s, 85).withFooter(F::Sum) << C::of(u"开始日期"_s, u"开始日期"_s, 85)
            << C::of(u"结束日期"_s, u"结束日期"_s, 85) << C::of(u"计算公式"_s, u"计算公式"_s, 140)
            << C::of(u"房屋代码"_s, u"房屋代码"_s, 75) << C::of(u"业主名称"_s, u"业主名称"_s, 75);
    if (kind != Kind::Bills) {
        columns << C::of(u"缴费状态"_s, u"缴费状态"_s, 90) << C::of(u"单据号码"_s, u"单据号码"_s, 80);
    }
    columns << C::of(u"备注"_s, u"备注"_s, 150);
    return columns;
}
