#include "reports/yajin_sum.h"

#include "reports/core/depositreports.h"

namespace {
ReportDesign summaryDesign()
{
    using C = GridColumn;
    using F = GridColumn::Footer;
    using K = FilterField::Kind;
    ReportDesign r = ReportDesign::of(QStringLiteral("TForm_yajin_sum"), QStringLiteral("业主押金汇总表"),
                                      QStringLiteral("业主押金汇总表打印清单"), QStringLiteral("业主押金汇总表"));
    r.list.columns = {
        C::of(QStringLiteral("datea"), QStringLiteral("开始日期"), 90)
            .sortButton()
            .withFooter(F::Text, QStringLiteral("合计")),
        C::of(QStringLiteral("dateb"), QStringLiteral("结束日期"), 90).sortButton(),
        C::of(QStringLiteral("textc"), QStringLiteral("楼宇名称"), 60),
        C::of(QStringLiteral("texta"), QStringLiteral("房屋代码"), 80)
            .sortButton()
            .withFooter(F::Text, QStringLiteral("合计")),
        C::of(QStringLiteral("textb"), QStringLiteral("业主名称"), 80).sortButton(),
        C::of(QStringLiteral("moneya"), QStringLiteral("操作类型|收取"), 70)
            .alignRight()
            .sortButton()
            .withFooter(F::Sum),
        C::of(QStringLiteral("moneyb"), QStringLiteral("操作类型|冲抵费用"), 70)
            .alignRight()
            .sortButton()
            .withFooter(F::Sum),
        C::of(QStringLiteral("moneyc"), QStringLiteral("操作类型|退还"), 70)
            .alignRight()
            .sortButton()
            .withFooter(F::Sum),
        C::of(QStringLiteral("moneyd"), QStringLiteral("余额"), 80).alignRight().sortButton(),
        C::of(QString(), QStringLiteral("备    注"), 180),
    };
    r.filters = {FilterField::of(QStringLiteral("DateTimePicker1"), QStringLiteral("日期从："), K::Day),
                 FilterField::of(QStringLiteral("DateTimePicker2"), QStringLiteral("到："), K::Day)};
    r.datesToday = true;
    return r;
}
}

TForm_yajin_sum::TForm_yajin_sum(QWidget *parent)
    : ReportWindow(summaryDesign(), parent)
{ }

ReportRun::Computation TForm_yajin_sum::computation()
{
    DepositFilter f;
    if (!dayPeriod(&f.from, &f.to)) {
        return {};
    }
    return [f](const QSqlDatabase &db, ScratchSink &out, QString *error) {
        return DepositReports::summary(db, f, out, error);
    };
}
