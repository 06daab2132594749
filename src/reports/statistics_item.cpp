#include "reports/statistics_item.h"

#include "components/common/prompt.h"

namespace {
ReportDesign itemDesign()
{
    ReportDesign r =
        ReportDesign::of(QStringLiteral("TForm_statistics_item"), QStringLiteral("按收费项目统计缴费总金额"),
                         QStringLiteral("按金额统计汇总表打印清单"), QStringLiteral("按金额统计汇总表"));
    r.list.buttons = ListWindowDesign::Delete;
    r.list.fitInitially = true;
    r.list.columns = ReportColumns::itemTotals();
    r.filters = ReportDesign::billPeriod();
    r.filters << FilterField::of(QStringLiteral("Edit1"), QStringLiteral("房屋代码："), FilterField::Kind::Text);
    r.compute = ReportDesign::overBills(&BillReports::itemTotals);
    return r;
}
}

TForm_statistics_item::TForm_statistics_item(QWidget *parent)
    : ReportWindow(itemDesign(), parent)
{ }

ReportRun::Computation TForm_statistics_item::computation()
{
    ReportRun::Computation work = ReportWindow::computation();
    // Without any fee item there is nothing to count: the report stays as it was.
    QString error;
    if (work && !BillReports::hasFeeItems(db(), &error)) {
        if (!error.isEmpty()) {
            Prompt::databaseError(this, error);
        }
        return {};
    }
    return work;
}
