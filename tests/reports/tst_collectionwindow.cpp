// "收费率统计" as the manager uses it: the period and filters, the rows and footer of the grid,
// the chart under it holding the same numbers, a long period and many buildings, the picture
// saved, and the print with the chart above the rows as vector graphics.
#include "backend.h"
#include "data/clock.h"
#include "data/transaction.h"
#include "reportfixture.h"
#include "reports/collectionchart.h"
#include "reports/statistics_shoufeilv.h"
#include "scriptedprompt.h"
#include "temphome.h"
#include "windowfixture.h"

#include <QBarSet>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGraphicsSimpleTextItem>
#include <QImage>
#include <QLineSeries>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedBarSeries>
#include <QStandardPaths>
#include <QTest>
#include <QToolButton>

namespace {

void line(const QString &house, const QString &building, YearMonth ym, qint64 yuan, const QVariant &state,
          const QString &fee = QStringLiteral("物业管理费"))
{
    insertLine({house,
                building,
                QStringLiteral("一单元"),
                QStringLiteral("业主"),
                fee,
                ym.yearText(),
                ym.monthText(),
                Money::fromUnits(yuan).raw(),
                state,
                {}});
}

// Two buildings over three months of 2025: January partly paid (a line without a state among
// the unpaid), February wholly paid, March unpaid with a negative line left by an old database.
void smallEstate()
{
    const QString a = QStringLiteral("A座"), b = QStringLiteral("B座"), cash = QStringLiteral("现金"),
                  unpaid = QStringLiteral("未缴费");
    line("A-1", a, {2025, 1}, 100, cash);
    line("A-2", a, {2025, 1}, 50, unpaid);
    line("B-1", b, {2025, 1}, 30, QStringLiteral(""));
    line("B-1", b, {2025, 1}, 20, QStringLiteral("银行转帐"), QStringLiteral("水费"));
    line("A-1", a, {2025, 2}, 80, cash);
    line("B-1", b, {2025, 2}, 40, QStringLiteral("银行转帐"));
    line("A-1", a, {2025, 3}, -10, unpaid);
    line("A-2", a, {2025, 3}, 60, QVariant());
}

// What the chart draws: per month the paid and unpaid bars, and each line's points (x, percent).
struct Drawn
{
    QList<double> paid, unpaid;
    QMap<QString, QList<QPointF>> lines;
};

Drawn drawn(const CollectionChart *chart)
{
    Drawn d;
    for (QAbstractSeries *s : chart->chart()->series()) {
        if (auto *bars = qobject_cast<QStackedBarSeries *>(s)) {
            for (int i = 0; i < bars->barSets().at(0)->count(); ++i) {
                d.paid << bars->barSets().at(0)->at(i);
                d.unpaid << bars->barSets().at(1)->at(i);
            }
        } else if (auto *line = qobject_cast<QLineSeries *>(s)) {
            d.lines.insert(line->name(), line->points());
        }
    }
    return d;
}

QString run(const QString &program, const QStringList &args)
{
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty()) {
        return {};
    }
    QProcess p;
    p.start(path, args);
    p.waitForFinished(20000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

}

class TestCollectionWindow : public QObject, WindowFixture<TForm_statistics_shoufeilv>
{
    Q_OBJECT

    TForm_statistics_shoufeilv *open()
    {
        if (!openWindow()) {
            qWarning("the window could not be opened");
        }
        return window.get();
    }
    bool compute(TForm_statistics_shoufeilv *w, YearMonth from, YearMonth to, const QString &building = {},
                 bool byBuilding = false)
    {
        w->findChild<QDateEdit *>(QStringLiteral("DateTimePicker1"))->setDate(QDate(from.year, from.month, 1));
        w->findChild<QDateEdit *>(QStringLiteral("DateTimePicker2"))->setDate(QDate(to.year, to.month, 1));
        w->findChild<QComboBox *>(QStringLiteral("ComboBox2"))->setEditText(building);
        w->findChild<QCheckBox *>(QStringLiteral("CheckBox3"))->setChecked(byBuilding);
        QSignalSpy done(w, &ReportWindow::computed);
        QTest::mouseClick(w->findChild<QPushButton *>(QStringLiteral("SpeedButton1")), Qt::LeftButton);
        return done.size() == 1 || done.wait(20000);
    }

private slots:
    void init()
    {
        setUp();
        Clock::setFixed(QDateTime(QDate(2025, 4, 10), QTime(9, 0)));
    }
    void cleanup() { tearDown(); }

    void gridAndChartAgree_data()
    {
        QTest::addColumn<QString>("building");
        QTest::addColumn<bool>("byBuilding");
        QTest::addColumn<QStringList>("rates"); // the grid's 收费率, row by row
        QTest::addColumn<QString>("footerRate");
        QTest::addColumn<QString>("footerRemark");
        QTest::addColumn<QStringList>("lines"); // the chart's rate lines
        QTest::newRow("the estate") << QString() << false << QStringList {"60.0%", "100.0%", "0.0%"} << "64.9%"
                                    << "含负数金额1笔" << QStringList {"收费率"};
        QTest::newRow("by building") << QString() << true << QStringList {"66.7%", "40.0%", "100.0%", "100.0%", "0.0%"}
                                     << "64.9%"
                                     << "含负数金额1笔" << QStringList {"收费率 A座", "收费率 B座"};
        QTest::newRow("one building") << "B座" << false << QStringList {"40.0%", "100.0%"} << "66.7%" << QString()
                                      << QStringList {"收费率"};
        QTest::newRow("a year without bills")
            << "C座" << true << QStringList {} << QString() << QString() << QStringList {};
    }
    // The rows' rates and the footer as the manager reads them; the bars and lines carry the
    // same amounts and rates as the rows.
    void gridAndChartAgree()
    {
        QFETCH(QString, building);
        QFETCH(bool, byBuilding);
        QFETCH(QStringList, rates);
        QFETCH(QString, footerRate);
        QFETCH(QString, footerRemark);
        QFETCH(QStringList, lines);
        smallEstate();
        auto *w = open();
        QCOMPARE(w->dateOf(QStringLiteral("DateTimePicker1")), QDate(2025, 1, 1));
        QVERIFY(compute(w, {2025, 1}, {2025, 12}, building, byBuilding));
        const QList<RowText> rows = scratchRows();
        QStringList shownRates;
        for (const RowText &r : rows) {
            shownRates << r.value("textd");
        }
        QCOMPARE(shownRates, rates);
        QCOMPARE(w->grid()->footerText(QStringLiteral("textd")), footerRate);
        QCOMPARE(w->grid()->footerText(QStringLiteral("texte")), footerRemark);

        const Drawn d = drawn(w->chart());
        QCOMPARE(d.lines.keys(), lines);
        // Bars: each month's rows added up; lines: each row's rate at its month's place.
        QMap<int, QPair<Money, Money>> months;
        for (const RowText &r : rows) {
            auto &m = months[r.value("numberc").toInt()];
            m.first += Money::parse(r.value("moneyb")).value();
            m.second += Money::parse(r.value("moneyc")).value();
        }
        QCOMPARE(w->chart()->months().size(), months.size());
        QCOMPARE(d.paid.size(), months.size());
        int i = 0;
        for (const auto &[paid, unpaid] : std::as_const(months)) {
            QCOMPARE(d.paid[i], paid.toReal());
            QCOMPARE(d.unpaid[i], unpaid.toReal());
            ++i;
        }
        QList<double> drawnRates;
        for (const QList<QPointF> &points : d.lines) {
            for (const QPointF &p : points) {
                drawnRates << p.y();
            }
        }
        QList<double> rowRates;
        for (const QString &r : rates) {
            rowRates << QString(r).remove('%').toDouble();
        }
        std::sort(drawnRates.begin(), drawnRates.end());
        std::sort(rowRates.begin(), rowRates.end());
        QCOMPARE(drawnRates, rowRates);
        // Nothing billed: the chart says so instead of drawing.
        const QList<QGraphicsItem *> items = w->chart()->scene()->items();
        const bool saysEmpty = std::any_of(items.cbegin(), items.cend(), [](QGraphicsItem *item) {
            auto *text = dynamic_cast<QGraphicsSimpleTextItem *>(item);
            return text && text->isVisible() && text->text() == CollectionChart::NoBillsText;
        });
        QCOMPARE(saysEmpty, rows.isEmpty());
        QVERIFY(prompt->shown.isEmpty());
    }

    // Four years of thirty buildings: the month labels thin out so that they fit side by side,
    // and every building's line differs from every other in colour or dash.
    void longPeriodManyBuildings()
    {
        {
            Transaction tx;
            for (int b = 0; b < 30; ++b) {
                for (int k = YearMonth {2021, 1}.step(); k <= YearMonth {2024, 12}.step(); ++k) {
                    line(QStringLiteral("%1-1").arg(b), QStringLiteral("%1号楼").arg(b + 1, 2, 10, QLatin1Char('0')),
                         YearMonth::fromStep(k), 100 + b,
                         (k + b) % 3 ? QVariant(QStringLiteral("现金")) : QVariant(QStringLiteral("未缴费")));
                }
            }
            QVERIFY(tx.commit());
        }
        auto *w = open();
        QVERIFY(compute(w, {2021, 1}, {2024, 12}, {}, true));
        CollectionChart *chart = w->chart();
        QCOMPARE(chart->months().size(), 48);
        const QStringList labels = chart->shownLabels();
        const qsizetype shown = labels.size() - labels.count(QString());
        QVERIFY2(shown > 1 && shown < 48, qPrintable(QString::number(shown)));
        QCOMPARE(labels.first(), QStringLiteral("2021年1月"));
        const QFontMetricsF fm(chart->font());
        QVERIFY(shown * fm.horizontalAdvance(QStringLiteral("2021年12月")) < chart->chart()->plotArea().width());
        QSet<QPair<QRgb, int>> pens;
        for (QAbstractSeries *s : chart->chart()->series()) {
            if (auto *line = qobject_cast<QLineSeries *>(s)) {
                pens.insert({line->pen().color().rgb(), int(line->pen().style())});
            }
        }
        QCOMPARE(pens.size(), 30);
    }

    // "保存图片" writes the chart as a PNG of the chart's size, drawn, not blank.
    void picturesFollowTheChart()
    {
        smallEstate();
        auto *w = open();
        QVERIFY(compute(w, {2025, 1}, {2025, 3}));
        for (const QSize size : {QSize(900, 320), QSize(600, 400)}) {
            w->chart()->setFixedSize(size);
            QCoreApplication::processEvents();
            const QString path = home->path() + QStringLiteral("/收费率%1").arg(size.width());
            prompt->files.enqueue(path);
            QTest::mouseClick(w->findChild<QToolButton *>(QStringLiteral("bitbtn_picture")), Qt::LeftButton);
            const QImage png(path + QStringLiteral(".png"));
            QCOMPARE(png.size(), size);
            int dark = 0;
            for (int y = 0; y < png.height(); y += 2) {
                for (int x = 0; x < png.width(); x += 2) {
                    dark += qGray(png.pixel(x, y)) < 100 ? 1 : 0;
                }
            }
            QVERIFY2(dark > 500, qPrintable(QString::number(dark)));
        }
        QVERIFY(prompt->shown.isEmpty());
    }

    // "打印": the chart on the first page above the rows, in lines and text (no picture), then
    // the rows and the footer.
    void printsTheChartAboveTheRows()
    {
        smallEstate();
        auto *w = open();
        QVERIFY(compute(w, {2025, 1}, {2025, 3}, {}, true));
        const QString pdf = home->path() + QStringLiteral("/print.pdf");
        prompt->pdfFiles.enqueue(pdf);
        QTest::mouseClick(w->findChild<QToolButton *>(QStringLiteral("bitbtn_print")), Qt::LeftButton);
        QCOMPARE(prompt->printed, 1);
        const QString text = run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        const QString images = run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
        if (text.isEmpty() || images.isEmpty()) {
            QSKIP("poppler-utils are not installed");
        }
        const qsizetype title = text.indexOf(QStringLiteral("收费率统计表")),
                        legend = text.indexOf(QStringLiteral("收费率 B座")),
                        axis = text.indexOf(QStringLiteral("2025年2月")),
                        rows = text.indexOf(QStringLiteral("应收金额"));
        QVERIFY2(title >= 0 && legend > title && axis > title && rows > legend && rows > axis, qPrintable(text));
        // pdfimages lists a header of two lines, then one line per picture.
        QCOMPARE(images.trimmed().split('\n').size(), 2);
    }
};

PARVELL_BACKENDS_MAIN(TestCollectionWindow)
#include "tst_collectionwindow.moc"
