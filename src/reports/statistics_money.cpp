#include "reports/statistics_money.h"

namespace {
ReportDesign moneyDesign()
{
    ReportDesign r = ReportDesign::of(QStringLiteral("TForm_statistics_money"), QStringLiteral("按月份统计缴费总金额"),
                                      QStringLiteral("按金额统计汇总表打印清单"), QStringLiteral("按金额统计汇总表"));
    r.list.buttons = ListWindowDesign::Delete;
    r.list.columns = ReportColumns::monthTotals();
    r.filters = ReportDesign::billPeriod();
    r.filters << FilterField::of(QStringLiteral("Edit1"), QStringLiteral("房屋代码："), FilterField::Kind::Text);
    r.compute = ReportDesign::overBills(&BillReports::monthTotals);
    return r;
}
}

TForm_statistics_money::TForm_statistics_money(QWidget *parent)
    : ReportWindow(moneyDesign(), parent)
{ }
