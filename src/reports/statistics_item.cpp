#include "reports/statistics_item.h"

#include "components/common/prompt.h"
#include "reports/core/billreports.h"
#include "data/dm1.h"

namespace {
ReportDesign itemDesign()
{
    using C = GridColumn;
    using F = GridColumn::Footer;
    ReportDesign r =
        ReportDesign::of(QStringLiteral("TForm_statistics_item"), QStringLiteral("按收费项目统计缴费总金额"),
                         QStringLiteral("按金额统计汇总表打印清单"), QStringLiteral("按金额统计汇总表"));
    r.list.buttons = ListWindowDesign::Delete;
    r.list.fitInitially = true;
    r.list.columns = {
        C::of(QStringLiteral("texta"), QStringLiteral("年度"), 80)
            .sortButton()
            .withFooter(F::Text, QStringLiteral("合计")),
        C::of(QStringLiteral("textb"), QStringLiteral("月份"), 60).sortButton(),
        C::of(QStringLiteral("textc"), QStringLiteral("收费项目"), 150).sortButton(),
        C::of(QStringLiteral("moneya"), QStringLiteral("应缴总金额"), 90).alignRight().sortButton().withFooter(F::Sum),
        C::of(QStringLiteral("moneyb"), QStringLiteral("已缴总金额"), 90).alignRight().sortButton().withFooter(F::Sum),
        C::of(QStringLiteral("moneyc"), QStringLiteral("未缴总金额"), 90).alignRight().sortButton().withFooter(F::Sum),
        C::of(QString(), QStringLiteral("备注"), 180),
    };
    r.filters = ReportDesign::billPeriod();
    r.filters << FilterField::of(QStringLiteral("Edit1"), QStringLiteral("房屋代码："), FilterField::Kind::Text);
    return r;
}
}

TForm_statistics_item::TForm_statistics_item(QWidget *parent)
    : ReportWindow(itemDesign(), parent)
{ }

ReportRun::Computation TForm_statistics_item::computation()
{
    BillReportFilter f;
    if (!billPeriod(&f.from, &f.to)) {
        return {};
    }
    // Without any fee item there is nothing to count: the report stays as it was.
    QString error;
    if (!BillReports::hasFeeItems(db(), &error)) {
        if (!error.isEmpty()) {
            Prompt::databaseError(this, error);
        }
        return {};
    }
    f.houseCode = textOf(QStringLiteral("Edit1"));
    return [f](const QSqlDatabase &db, ScratchSink &out, QString *error) {
        return BillReports::itemTotals(db, f, out, error);
    };
}
