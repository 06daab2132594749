#include "reports/statistics_shoufeilv.h"

#include "components/common/prompt.h"
#include "data/clock.h"
#include "reports/collectionchart.h"

#include <QDateEdit>
#include <QToolButton>

namespace {
using C = GridColumn;
using F = GridColumn::Footer;
using K = FilterField::Kind;

ReportDesign rateDesign()
{
    ReportDesign r = ReportDesign::of(QStringLiteral("TForm_statistics_shoufeilv"), QStringLiteral("收费率统计"),
                                      QStringLiteral("收费率统计表"), QStringLiteral("收费率统计表"));
    r.unitNote = QStringLiteral("单位：元");
    QList<GridColumn> columns = ReportColumns::yearMonth();
    columns << C::of(QStringLiteral("textc"), QStringLiteral("楼宇名称"), 120)
            << ReportColumns::money(QStringLiteral("moneya"), QStringLiteral("应收金额"), 110)
            << ReportColumns::money(QStringLiteral("moneyb"), QStringLiteral("已收金额"), 110)
            << ReportColumns::money(QStringLiteral("moneyc"), QStringLiteral("未收金额"), 110)
            << C::of(QStringLiteral("textd"), QStringLiteral("收费率"), 80).alignRight().withFooter(F::Value)
            << C::of(QStringLiteral("numbera"), QStringLiteral("未缴户数"), 80).alignRight();
    r.list.columns = ReportColumns::sortable(columns, {QStringLiteral("textd")});
    r.list.columns << C::of(QStringLiteral("texte"), QStringLiteral("备注"), 180).withFooter(F::Value);
    r.fills = {{QStringLiteral("ComboBox2"), Preparation::Items::Buildings},
               {QStringLiteral("ComboBox3"), Preparation::Items::FeeNames}};
    r.filters = ReportDesign::billPeriod();
    r.filters << FilterField::of(QStringLiteral("ComboBox2"), QStringLiteral("楼宇名称："), K::Combo)
              << FilterField::of(QStringLiteral("ComboBox3"), QStringLiteral("收费名称："), K::Combo)
              << FilterField::of(QStringLiteral("CheckBox3"), QStringLiteral("按楼宇"), K::Check);
    r.compute = [](ReportWindow &w) -> ReportRun::Computation {
        BillReportFilter bill;
        if (!w.billFilter(&bill)) {
            return {};
        }
        const CollectionFilter f {bill.from, bill.to, bill.building, bill.feeName,
                                  w.isTicked(QStringLiteral("CheckBox3"))};
        return [f](const QSqlDatabase &db, ScratchSink &out, QString *error) {
            return CollectionRates::toScratch(db, f, out, error);
        };
    };
    return r;
}
}

TForm_statistics_shoufeilv::TForm_statistics_shoufeilv(QWidget *parent)
    : ReportWindow(rateDesign(), parent)
    , m_chart(new CollectionChart)
{
    // A year is what the manager is asked about: from January to this month.
    const QDate today = Clock::today();
    qobject_cast<QDateEdit *>(filter(QStringLiteral("DateTimePicker1")))->setDate(QDate(today.year(), 1, 1));
    m_chart->setFont(font());
    addUnderGrid(m_chart, OnPaper::AboveRows, m_chart->printBlock());
    QToolButton *save = addButton(QStringLiteral("bitbtn_picture"), QStringLiteral("保存图片"), QStringLiteral("图"),
                                  ButtonBar::Out, QStringLiteral("bitbtn_reset"));
    disableWhileComputing(save);
    connect(save, &QToolButton::clicked, this, &TForm_statistics_shoufeilv::saveChart);
    connect(this, &ReportWindow::computed, this, &TForm_statistics_shoufeilv::showComputed);
}

ReportRun::Computation TForm_statistics_shoufeilv::computation()
{
    ReportRun::Computation work = ReportWindow::computation();
    if (work) {
        m_byBuilding = isTicked(QStringLiteral("CheckBox3"));
    }
    return work;
}

void TForm_statistics_shoufeilv::showComputed(bool ok)
{
    QList<CollectionRow> rows;
    Money billed, paid;
    qint64 negative = 0;
    const DataSet *q = dataSet();
    if (ok) {
        const int fBuilding = q->fieldIndex(QStringLiteral("textc")), fBilled = q->fieldIndex(QStringLiteral("moneya")),
                  fPaid = q->fieldIndex(QStringLiteral("moneyb")), fUnpaid = q->fieldIndex(QStringLiteral("moneyc")),
                  fHouses = q->fieldIndex(QStringLiteral("numbera")),
                  fNegative = q->fieldIndex(QStringLiteral("numberb")),
                  fStep = q->fieldIndex(QStringLiteral("numberc"));
        for (int i = 0; i < q->recordCount(); ++i) {
            CollectionRow r;
            r.month = YearMonth::fromStep(q->value(i, fStep).toInt());
            r.building = q->value(i, fBuilding).toString();
            r.billed = Money::fromStored(q->value(i, fBilled)).value_or(Money());
            r.paid = Money::fromStored(q->value(i, fPaid)).value_or(Money());
            r.unpaid = Money::fromStored(q->value(i, fUnpaid)).value_or(Money());
            r.housesUnpaid = q->value(i, fHouses).toLongLong();
            r.negativeLines = q->value(i, fNegative).toLongLong();
            billed += r.billed;
            paid += r.paid;
            negative += r.negativeLines;
            rows << r;
        }
    }
    grid()->setFooterValue(QStringLiteral("textd"),
                           rows.isEmpty() ? QString()
                                          : CollectionRates::rateText(CollectionRates::rateTenths(paid, billed)));
    grid()->setFooterValue(QStringLiteral("texte"),
                           negative > 0 ? QStringLiteral("含负数金额%1笔").arg(negative) : QString());
    m_chart->showRows(rows, m_byBuilding);
}

void TForm_statistics_shoufeilv::saveChart()
{
    QString path = Prompt::saveFile(this, QStringLiteral("保存图片"), QStringLiteral("收费率统计.png"),
                                    {QStringLiteral("PNG 图片 (*.png)")}, nullptr, QStringLiteral("png"));
    if (path.isEmpty()) {
        return;
    }
    if (!path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive)) {
        path += QStringLiteral(".png");
    }
    if (!m_chart->picture().save(path, "PNG")) {
        Prompt::notice(this, QStringLiteral("图片没有保存，请检查文件位置：") + path);
    }
}
