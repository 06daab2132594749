#include "reports/yajin_sum.h"

namespace {
ReportDesign summaryDesign()
{
    using C = GridColumn;
    using K = FilterField::Kind;
    ReportDesign r = ReportDesign::of(QStringLiteral("TForm_yajin_sum"), QStringLiteral("业主押金汇总表"),
                                      QStringLiteral("业主押金汇总表打印清单"), QStringLiteral("业主押金汇总表"));
    QList<GridColumn> columns = {
        C::of(QStringLiteral("datea"), QStringLiteral("开始日期"), 90)
            .withFooter(GridColumn::Footer::Text, QStringLiteral("合计")),
        C::of(QStringLiteral("dateb"), QStringLiteral("结束日期"), 90),
    };
    columns << ReportColumns::depositMovements(QStringLiteral("moneyb"), QStringLiteral("moneyc"));
    r.list.columns = ReportColumns::sortable(columns, {QStringLiteral("textc")});
    r.list.columns << ReportColumns::remark(QStringLiteral("备    注"));
    r.filters = {FilterField::of(QStringLiteral("DateTimePicker1"), QStringLiteral("日期从："), K::Day),
                 FilterField::of(QStringLiteral("DateTimePicker2"), QStringLiteral("到："), K::Day)};
    r.datesToday = true;
    r.compute = ReportDesign::overDeposits(&DepositReports::summary);
    return r;
}
}

TForm_yajin_sum::TForm_yajin_sum(QWidget *parent)
    : ReportWindow(summaryDesign(), parent)
{ }
