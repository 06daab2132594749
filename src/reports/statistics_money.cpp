#include "reports/statistics_money.h"

#include "reports/core/billreports.h"

namespace {
ReportDesign moneyDesign()
{
    using C = GridColumn;
    using F = GridColumn::Footer;
    ReportDesign r = ReportDesign::of(QStringLiteral("TForm_statistics_money"), QStringLiteral("按月份统计缴费总金额"),
                                      QStringLiteral("按金额统计汇总表打印清单"), QStringLiteral("按金额统计汇总表"));
    r.list.buttons = ListWindowDesign::Delete;
    r.list.columns = {
        C::of(QStringLiteral("texta"), QStringLiteral("年度"), 80).withFooter(F::Text, QStringLiteral("合计")),
        C::of(QStringLiteral("textb"), QStringLiteral("月份"), 60),
        C::of(QStringLiteral("numbera"), QStringLiteral("应缴业主总数"), 80).alignRight(),
        C::of(QStringLiteral("moneya"), QStringLiteral("应缴总金额"), 80).alignRight().withFooter(F::Sum),
        C::of(QStringLiteral("numberb"), QStringLiteral("已缴业主数"), 80).alignRight(),
        C::of(QStringLiteral("moneyb"), QStringLiteral("已缴总金额"), 80).alignRight().withFooter(F::Sum),
        C::of(QStringLiteral("numberc"), QStringLiteral("未缴业主数"), 80).alignRight(),
        C::of(QStringLiteral("moneyc"), QStringLiteral("未缴总金额"), 80).alignRight().withFooter(F::Sum),
        C::of(QString(), QStringLiteral("备注"), 180),
    };
    r.filters = ReportDesign::billPeriod();
    r.filters << FilterField::of(QStringLiteral("Edit1"), QStringLiteral("房屋代码："), FilterField::Kind::Text);
    return r;
}
}

TForm_statistics_money::TForm_statistics_money(QWidget *parent)
    : ReportWindow(moneyDesign(), parent)
{ }

ReportRun::Computation TForm_statistics_money::computation()
{
    BillReportFilter f;
    if (!billPeriod(&f.from, &f.to)) {
        return {};
    }
    f.houseCode = textOf(QStringLiteral("Edit1"));
    return [f](const QSqlDatabase &db, ScratchSink &out, QString *error) {
        return BillReports::monthTotals(db, f, out, error);
    };
}
