#include "reports/yajin_sum.h"

namespace {
ReportDesign summaryDesign()
{
    using K = FilterField::Kind;
    ReportDesign r = ReportDesign::of(QStringLiteral("TForm_yajin_sum"), QStringLiteral("业主押金汇总表"),
                                      QStringLiteral("业主押金汇总表打印清单"), QStringLiteral("业主押金汇总表"));
    r.list.columns = ReportColumns::depositSummary();
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
