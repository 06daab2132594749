// The report windows and the expiry reminders as the office uses them: filters, the rows that
// appear, their order, footers, deleting and tidying rows, and the messages of a refused filter.
#include "admin/txcsb.h"
#include "admin/txgn.h"
#include "app/main.h"
#include "app/windowregistry.h"
#include "components/dbctrls/dbcombobox.h"
#include "components/dbctrls/dbnumberedit.h"
#include "components/grid/core/exporttable.h"
#include "data/clock.h"
#include "modal.h"
#include "reportfixture.h"
#include "reports/statistics_arrear.h"
#include "reports/statistics_item.h"
#include "reports/statistics_money.h"
#include "reports/statistics_quankuang.h"
#include "reports/statistics_weijiao.h"
#include "reports/statistics_yijiao.h"
#include "reports/yajin_mingxi.h"
#include "reports/yajin_sum.h"
#include "scriptedprompt.h"
#include "temphome.h"
#include "typing.h"

#include <QBuffer>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {
const QString Unpaid = QStringLiteral("未缴费");
const QString Cash = QStringLiteral("现金");

// A report whose computation runs until it is stopped.
class EndlessReport : public ReportWindow
{
public:
    EndlessReport()
        : ReportWindow(design())
    { }
    static ReportDesign design()
    {
        ReportDesign r = ReportDesign::of(QStringLiteral("TForm_endless"), QStringLiteral("统计"), {}, {});
        r.list.columns = {GridColumn::of(QStringLiteral("texta"), QStringLiteral("年度"))};
        r.filters = ReportDesign::billPeriod();
        return r;
    }
    ReportRun::Computation computation() override
    {
        return [](const QSqlDatabase &db, ScratchSink &, QString *error) {
            QSqlQuery q(db);
            const bool ok =
                q.exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE "
                                      "i < 10000000000) SELECT count(*) FROM n"));
            *error = q.lastError().text();
            return ok;
        };
    }
};

// A chart's stand-in: a black bar, easy to find on a printed page.
class BlackBar : public QWidget
{
public:
    BlackBar()
    {
        setObjectName(QStringLiteral("Chart1"));
        setFixedHeight(120);
    }

protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).fillRect(rect(), Qt::black); }
};

// A report declared as the new report windows are: a design with its computation, and a chart
// under the grid.
class ChartedReport : public ReportWindow
{
public:
    ChartedReport()
        : ReportWindow(design())
    {
        addUnderGrid(new BlackBar);
    }
    static ReportDesign design()
    {
        ReportDesign r = ReportDesign::of(QStringLiteral("TForm_charted"), QStringLiteral("收缴率"),
                                          QStringLiteral("收缴率打印清单"), QStringLiteral("收缴率"));
        r.list.columns = ReportColumns::yearMonth() + ReportColumns::dueTotals(false, 90);
        r.filters = ReportDesign::billPeriod();
        r.compute = ReportDesign::overBills(&BillReports::monthTotals);
        return r;
    }
};

// The rows of a printed PDF's first page that hold ink, as fractions of the page's width that
// are dark; empty when pdftoppm is not installed.
QList<double> inkedRows(const QString &pdf)
{
    const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    if (pdftoppm.isEmpty()) {
        return {};
    }
    QProcess p;
    p.start(pdftoppm,
            {QStringLiteral("-r"), QStringLiteral("40"), QStringLiteral("-gray"), QStringLiteral("-f"),
             QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"), QStringLiteral("-singlefile"), pdf,
             pdf + QStringLiteral(".page")});
    p.waitForFinished(20000);
    const QImage page(pdf + QStringLiteral(".page.pgm"));
    QList<double> rows;
    for (int y = 0; y < page.height(); ++y) {
        int dark = 0;
        for (int x = 0; x < page.width(); ++x) {
            dark += qGray(page.pixel(x, y)) < 128 ? 1 : 0;
        }
        rows << double(dark) / qMax(1, page.width());
    }
    return rows;
}

QString text(const QList<RowText> &rows, int row, const char *column)
{
    return rows.value(row).value(QString::fromLatin1(column));
}

// The text of a printed PDF, or nothing when pdftotext is not installed.
QString pdfText(const QString &path)
{
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty()) {
        return {};
    }
    QProcess p;
    p.start(pdftotext, {path, QStringLiteral("-")});
    p.waitForFinished(20000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString fileText(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

void deposit(const QString &date, const QString &house, const QString &type, qint64 yuan)
{
    QVERIFY(Dm1::instance()->exec(
        QStringLiteral("insert into 押金明细表 (日期, 楼宇名称, 房屋代码, 业主名称, 操作类型, 金额, 操作人员) "
                       "values (?, '一号楼', ?, '王芳', ?, ?, '张三')"),
        {date, house, type, Money::fromUnits(yuan).raw()}));
}
}

class TestReportWindows : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempHome> home;
    ScriptedPrompt *prompt = nullptr;

    std::vector<std::unique_ptr<Preparation>> preparations; // what the open windows opened

    // The window, prepared as the main window prepares it (the scratch table emptied), and shown.
    template<typename W> std::unique_ptr<W> open()
    {
        auto w = std::make_unique<W>();
        preparations.push_back(std::make_unique<Preparation>(w.get(), home->dm()));
        if (!preparations.back()->run()) {
            qWarning("the window could not be prepared");
        }
        w->show();
        return w;
    }
    // Sets the pickers and the boxes, presses the compute button and waits for the rows.
    bool compute(ReportWindow *w, const QDate &from, const QDate &to, const QMap<QString, QString> &boxes = {})
    {
        w->findChild<QDateEdit *>(QStringLiteral("DateTimePicker1"))->setDate(from);
        w->findChild<QDateEdit *>(QStringLiteral("DateTimePicker2"))->setDate(to);
        for (auto it = boxes.cbegin(); it != boxes.cend(); ++it) {
            if (auto *combo = w->findChild<QComboBox *>(it.key())) {
                combo->setEditText(it.value());
            } else {
                w->findChild<QLineEdit *>(it.key())->setText(it.value());
            }
        }
        QSignalSpy done(w, &ReportWindow::computed);
        QTest::mouseClick(w->findChild<QPushButton *>(QStringLiteral("SpeedButton1")), Qt::LeftButton);
        return done.size() == 1 || done.wait(20000);
    }

    std::unique_ptr<ReportWindow> openReport(const QString &className)
    {
        if (className == QLatin1String("TForm_statistics_arrear")) {
            return open<TForm_statistics_arrear>();
        }
        if (className == QLatin1String("TForm_statistics_money")) {
            return open<TForm_statistics_money>();
        }
        if (className == QLatin1String("TForm_statistics_quankuang")) {
            return open<TForm_statistics_quankuang>();
        }
        return open<TForm_yajin_sum>();
    }

    // Two houses with arrears around a house without, and one of another building.
    void arrearsEstate()
    {
        insertHouse(QStringLiteral("A-101"), QStringLiteral("一号楼"), QStringLiteral("王芳"));
        insertHouse(QStringLiteral("A-102"), QStringLiteral("一号楼"), QStringLiteral("李明"));
        insertHouse(QStringLiteral("B-201"), QStringLiteral("二号楼"), QStringLiteral("赵刚"));
        const auto line = [](const char *house, const char *building, const char *fee, const char *y, const char *m,
                             qint64 yuan, const QString &state) {
            insertLine({QString::fromUtf8(house), QString::fromUtf8(building), QStringLiteral("一单元"),
                        QStringLiteral("业主"), QString::fromUtf8(fee), QString::fromUtf8(y), QString::fromUtf8(m),
                        Money::fromUnits(yuan).raw(), state, state == Unpaid ? QString() : "2005-03-02 00:00:00"});
        };
        line("A-101", "一号楼", "物业管理费", "2004", "11", 100, Unpaid);
        line("A-101", "一号楼", "物业管理费", "2004", "12", 50, Unpaid);
        line("A-101", "一号楼", "水费", "2004", "12", 30, Cash);
        line("A-101", "一号楼", "水费", "2005", "1", -20, Unpaid); // a credit: the month is skipped
        line("A-101", "一号楼", "物业管理费", "2005", "2", 10, QString(""));
        line("A-102", "一号楼", "物业管理费", "2004", "12", 80, Cash);
        line("B-201", "二号楼", "物业管理费", "2005", "1", 5, Unpaid);
        line("B-201", "二号楼", "物业管理费", "2005", "3", 7, Unpaid); // after the period
    }

private slots:
    void init()
    {
        home = std::make_unique<TempHome>();
        prompt = ScriptedPrompt::install();
        Clock::setFixed(QDateTime(QDate(2005, 3, 10), QTime(9, 0)));
        home->dm()->session().currentOperator = QStringLiteral("张三");
    }
    void cleanup()
    {
        preparations.clear();
        home.reset();
        Clock::setFixed({});
    }

    // Houses in code order, months in calendar order, a blank line between houses, the total
    // last; the running total restarts with each house.
    void arrearsRowsAndTotals()
    {
        arrearsEstate();
        auto w = open<TForm_statistics_arrear>();
        QCOMPARE(w->windowTitle(), QStringLiteral("业主欠费总表"));
        QCOMPARE(w->findChild<QLabel *>(QStringLiteral("Label2"))->text(), QStringLiteral("单位：元"));
        // The unit stands at the right end of the title band, clear of the title.
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        const QWidget *band = w->findChild<QLabel *>(QStringLiteral("Panel1"));
        QVERIFY(w->findChild<QLabel *>(QStringLiteral("Label2"))->geometry().left() > band->width() / 2);
        QVERIFY(compute(w.get(), {2004, 11, 5}, {2005, 2, 20}));
        const QList<RowText> rows = scratchRows();
        const QList<RowText> expected = {
            {{"texte", "一号楼"},
             {"textc", "A-101"},
             {"textd", "王芳"},
             {"texta", "2004年"},
             {"textb", "11月"},
             {"moneya", "100"},
             {"moneyb", "100"}},
            {{"texta", "2004年"}, {"textb", "12月"}, {"moneya", "50"}, {"moneyb", "150"}},
            {{"texta", "2005年"}, {"textb", "2月"}, {"moneya", "10"}, {"moneyb", "160"}},
            {{"moneyc", "0"}},
            {{"texte", "二号楼"},
             {"textc", "B-201"},
             {"textd", "赵刚"},
             {"texta", "2005年"},
             {"textb", "1月"},
             {"moneya", "5"},
             {"moneyb", "5"}},
            {{"moneyc", "0"}},
            {{"textb", "合   计"}, {"moneyb", "165"}},
        };
        QCOMPARE(rows, expected);
        // Shown in that order; a title click orders by the title's column, blank lines first.
        DataSet *q = home->dm()->q_tongyong;
        QCOMPARE(q->recordCount(), 7);
        QCOMPARE(q->text("textc"), QStringLiteral("A-101"));
        QCOMPARE(q->orderingLine(), QStringLiteral("order by id"));
        w->grid()->clickTitle(3, false);
        QCOMPARE(q->orderingLine(), QStringLiteral(" ORDER BY texta COLLATE pinyin"));
        q->last();
        QCOMPARE(q->text("texta"), QStringLiteral("2005年"));

        // The building narrows the houses; a house code of another building finds none.
        QVERIFY(compute(w.get(), {2004, 11, 1}, {2005, 2, 1}, {{"ComboBox2", "二号楼"}}));
        QCOMPARE(scratchRows().size(), 3);
        QVERIFY(compute(w.get(), {2004, 11, 1}, {2005, 2, 1}, {{"Edit1", "A-101"}, {"ComboBox2", "二号楼"}}));
        QCOMPARE(scratchRows(), QList<RowText>());
        QVERIFY(prompt->shown.isEmpty());
    }

    void refusedPeriodsLeaveTheReport_data()
    {
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<QString>("message");
        QTest::newRow("reversed months") << QDate(2005, 2, 1) << QDate(2004, 11, 30)
                                         << QStringLiteral("缴费时间从不能大于缴费时间到,请重新输入!");
        QTest::newRow("reversed within a year")
            << QDate(2005, 3, 1) << QDate(2005, 2, 28) << QStringLiteral("缴费时间从不能大于缴费时间到,请重新输入!");
    }
    void refusedPeriodsLeaveTheReport()
    {
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(QString, message);
        arrearsEstate();
        auto w = open<TForm_statistics_arrear>();
        QVERIFY(compute(w.get(), {2004, 11, 1}, {2005, 2, 1}));
        const QList<RowText> before = scratchRows();
        QSignalSpy done(w.get(), &ReportWindow::computed);
        w->findChild<QDateEdit *>(QStringLiteral("DateTimePicker1"))->setDate(from);
        w->findChild<QDateEdit *>(QStringLiteral("DateTimePicker2"))->setDate(to);
        w->compute();
        QCOMPARE(prompt->lastText(), message);
        QCOMPARE(prompt->shown.constLast().caption, QStringLiteral("提示"));
        QCOMPARE(QApplication::focusWidget(), w->filter(QStringLiteral("DateTimePicker1")));
        QVERIFY(!done.wait(200));
        QCOMPARE(scratchRows(), before);
        // The same month in both pickers is a period of one month, whatever the days.
        QVERIFY(compute(w.get(), {2004, 12, 31}, {2004, 12, 1}));
        QCOMPARE(text(scratchRows(), 0, "textb"), QStringLiteral("12月"));
    }

    // While a report computes, the indicator turns and "取消" stops it; the window answers
    // meanwhile, and closing it stops the computation too.
    void computingCanBeCancelled()
    {
        QVERIFY(home->dm()->exec(QStringLiteral("insert into 通用 (texta) values ('上一个报表')")));
        auto w = open<EndlessReport>();
        QSignalSpy done(w.get(), &ReportWindow::computed);
        auto *computeButton = w->findChild<QPushButton *>(QStringLiteral("SpeedButton1"));
        auto *stop = w->findChild<QPushButton *>(QStringLiteral("SpeedButton2"));
        auto *busy = w->findChild<QWidget *>(QStringLiteral("Animate1"));
        QVERIFY(!busy->isVisible() && !stop->isVisible());
        QTest::mouseClick(computeButton, Qt::LeftButton);
        QVERIFY(w->isComputing());
        QTest::qWait(200);
        QVERIFY(busy->isVisible() && stop->isVisible());
        QVERIFY(!computeButton->isEnabled());
        QVERIFY(!w->findChild<QToolButton *>(QStringLiteral("bitbtn_print"))->isEnabled());
        QVERIFY(w->findChild<QToolButton *>(QStringLiteral("SpeedButton4"))->isEnabled());
        QCOMPARE(home->dm()->q_tongyong->recordCount(), 0);
        QTest::mouseClick(stop, Qt::LeftButton);
        QVERIFY(done.wait(10000));
        QCOMPARE(done.constFirst().constFirst().toBool(), false);
        QVERIFY(!busy->isVisible() && !stop->isVisible());
        QVERIFY(computeButton->isEnabled());
        QVERIFY(w->findChild<QToolButton *>(QStringLiteral("bitbtn_print"))->isEnabled());
        QVERIFY(prompt->shown.isEmpty());
        QCOMPARE(scratchRows(), QList<RowText>());

        QTest::mouseClick(computeButton, Qt::LeftButton);
        QVERIFY(w->isComputing());
        w->reject();
        QVERIFY(!w->isComputing());
    }

    void printAndExport_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("printTitle");
        QTest::addColumn<QString>("exportName");
        QTest::addColumn<QString>("shown"); // a value of the computed rows
        QTest::addColumn<QList<GridColumn>>("columns"); // the report's column table
        QTest::newRow("arrears") << "TForm_statistics_arrear"
                                 << "业主欠费总表打印清单"
                                 << "业主欠费总表"
                                 << "B-201" << ReportColumns::arrears();
        QTest::newRow("month totals") << "TForm_statistics_money"
                                      << "按金额统计汇总表打印清单"
                                      << "按金额统计汇总表"
                                      << "2004年" << ReportColumns::monthTotals();
        QTest::newRow("full listing") << "TForm_statistics_quankuang"
                                      << "按金额统计汇总表打印清单"
                                      << "按金额统计汇总表"
                                      << "物业管理费" << ReportColumns::listing(BillReports::Listing::All);
        QTest::newRow("deposit summary") << "TForm_yajin_sum"
                                         << "业主押金汇总表打印清单"
                                         << "业主押金汇总表"
                                         << "A-102" << ReportColumns::depositSummary();
    }
    // The computed rows print under the report's title and export to the file chosen: the
    // same bytes as the rows exported without a window (as the command line exports them).
    void printAndExport()
    {
        QFETCH(QString, window);
        QFETCH(QString, printTitle);
        QFETCH(QString, exportName);
        QFETCH(QString, shown);
        QFETCH(QList<GridColumn>, columns);
        arrearsEstate();
        auto w = openReport(window);
        auto *print = w->findChild<QToolButton *>(QStringLiteral("bitbtn_print"));
        auto *out = w->findChild<QToolButton *>(QStringLiteral("bitbtn_out"));
        QVERIFY(compute(w.get(), {2004, 11, 1}, {2005, 2, 1}));

        const QString pdf = home->path() + QStringLiteral("/print.pdf");
        prompt->pdfFiles.enqueue(pdf);
        QTest::mouseClick(print, Qt::LeftButton);
        QCOMPARE(prompt->printed, 1);
        const QString printed = pdfText(pdf);
        if (!printed.isEmpty()) {
            QVERIFY2(printed.contains(printTitle) && printed.contains(shown), qPrintable(printed));
        }

        const QString base = home->path() + QStringLiteral("/报表");
        prompt->files.enqueue(base);
        prompt->filterChoices.enqueue(2);
        QTest::mouseClick(out, Qt::LeftButton);
        QCOMPARE(prompt->lastSaveName, exportName);
        const QString csv = fileText(base + QStringLiteral(".csv"));
        QVERIFY2(csv.contains(shown), qPrintable(csv));
        QVERIFY(prompt->shown.isEmpty());
        QBuffer headless;
        headless.open(QIODevice::WriteOnly);
        QString error;
        QVERIFY(Export::write(ExportFormat::Csv, GridCells::exportTable(*home->dm()->q_tongyong, columns), &headless,
                              &error));
        QCOMPARE(fileBytes(base + QStringLiteral(".csv")), headless.data());
    }

    // A report declared by its design alone computes on the worker thread; a chart put under
    // its grid stands there on the screen and is printed under the rows and their footer,
    // above the print time and the operator.
    void widgetUnderTheGridIsShownAndPrinted()
    {
        arrearsEstate();
        auto w = open<ChartedReport>();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        auto *chart = w->findChild<QWidget *>(QStringLiteral("Chart1"));
        QVERIFY(chart && chart->isVisible());
        const QRect grid(w->grid()->mapTo(w.get(), QPoint()), w->grid()->size());
        QVERIFY(chart->mapTo(w.get(), QPoint()).y() >= grid.bottom());
        QVERIFY(compute(w.get(), {2004, 11, 1}, {2005, 2, 1}));
        QCOMPARE(w->grid()->footerText(QStringLiteral("moneya")), QStringLiteral("255"));

        const QString pdf = home->path() + QStringLiteral("/chart.pdf");
        prompt->pdfFiles.enqueue(pdf);
        QTest::mouseClick(w->findChild<QToolButton *>(QStringLiteral("bitbtn_print")), Qt::LeftButton);
        QCOMPARE(prompt->printed, 1);
        const QList<double> rows = inkedRows(pdf);
        if (rows.isEmpty()) {
            QSKIP("pdftoppm is not installed");
        }
        // The bar spans the page's width: the longest run of rows almost wholly dark (the grid's
        // lines are one row each), with the grid's ink above it and the print time below.
        qsizetype top = 0, bottom = 0;
        for (qsizetype y = 0, start = 0; y <= rows.size(); ++y) {
            if (y == rows.size() || rows[y] <= 0.9) {
                if (y - start > bottom - top) {
                    top = start;
                    bottom = y;
                }
                start = y + 1;
            }
        }
        QVERIFY2(bottom - top > 5, "the chart is not on the page");
        QVERIFY(std::any_of(rows.cbegin(), rows.cbegin() + top, [](double d) { return d > 0.3; }));
        QVERIFY(std::any_of(rows.cbegin() + bottom, rows.cend(), [](double d) { return d > 0; }));
        QVERIFY(pdfText(pdf).contains(QStringLiteral("收缴率打印清单")));
    }

    // Enter moves through the filter bar and back to the first picker.
    void enterMovesThroughTheFilter()
    {
        auto w = open<TForm_statistics_arrear>();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QStringList visited;
        w->filter(QStringLiteral("DateTimePicker1"))->setFocus();
        for (int i = 0; i < 4; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            for (const char *name : {"DateTimePicker1", "DateTimePicker2", "Edit1", "ComboBox2"}) {
                QWidget *control = w->filter(QString::fromLatin1(name));
                if (control == QApplication::focusWidget() || control->isAncestorOf(QApplication::focusWidget())) {
                    visited << control->objectName();
                }
            }
        }
        QCOMPARE(visited, QStringList({"DateTimePicker2", "Edit1", "ComboBox2", "DateTimePicker1"}));
    }

    // A house with a paid and an unpaid line in a month counts in both; a line without a state
    // counts as unpaid; footers add up the amounts.
    void monthTotals()
    {
        arrearsEstate();
        auto w = open<TForm_statistics_money>();
        QVERIFY(compute(w.get(), {2004, 12, 1}, {2005, 2, 1}));
        const QList<RowText> rows = scratchRows();
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows[0],
                 RowText({{"texta", "2004年"},
                          {"textb", "12月"},
                          {"numbera", "2"},
                          {"moneya", "160"},
                          {"numberb", "2"},
                          {"moneyb", "110"},
                          {"numberc", "1"},
                          {"moneyc", "50"}}));
        QCOMPARE(text(rows, 2, "numberc"), QStringLiteral("1"));
        QCOMPARE(text(rows, 2, "moneyc"), QStringLiteral("10"));
        QCOMPARE(w->grid()->footerText(QStringLiteral("texta")), QStringLiteral("合计"));
        QCOMPARE(w->grid()->footerText(QStringLiteral("moneya")), QStringLiteral("155"));
        // "删除" takes a row out of the report only.
        prompt->answers << true;
        QTest::mouseClick(w->findChild<QToolButton *>(QStringLiteral("bitbtn_delete")), Qt::LeftButton);
        QCOMPARE(scratchRows().size(), 2);
        QCOMPARE(home->dm()->scalar(QStringLiteral("select count(*) from 收费明细表")).toInt(), 8);
    }

    // Lines of a fee item that was renamed count under no item; without any item nothing is
    // computed and the report stays.
    void itemTotalsFollowTheItems()
    {
        arrearsEstate();
        insertItem(QStringLiteral("水费"));
        insertItem(QStringLiteral("物业费")); // 物业管理费 renamed after billing
        auto w = open<TForm_statistics_item>();
        QVERIFY(compute(w.get(), {2004, 11, 1}, {2005, 3, 1}));
        QCOMPARE(scratchRows(),
                 QList<RowText>({{{"texta", "2004年"},
                                  {"textb", "12月"},
                                  {"textc", "水费"},
                                  {"moneya", "30"},
                                  {"moneyb", "30"},
                                  {"moneyc", "0"}}}));
        QVERIFY(home->dm()->exec(QStringLiteral("delete from 收费项目")));
        QSignalSpy done(w.get(), &ReportWindow::computed);
        w->compute();
        QVERIFY(!done.wait(200));
        QCOMPARE(scratchRows().size(), 1);
        QVERIFY(prompt->shown.isEmpty());
    }

    // Each bill line once; in the full listing a paid line under 应缴 and 已缴, an unpaid one under
    // 应缴 and 未缴; the bill months of the period only.
    void listings()
    {
        arrearsEstate();
        auto all = open<TForm_statistics_quankuang>();
        QVERIFY(compute(all.get(), {2004, 12, 1}, {2005, 1, 1}, {{"ComboBox2", "一号楼"}}));
        QList<RowText> rows = scratchRows();
        QCOMPARE(rows.size(), 4);
        QCOMPARE(text(rows, 0, "textc"), QStringLiteral("水费"));
        QCOMPARE(text(rows, 0, "textd"), QStringLiteral("水费"));
        QCOMPARE(text(rows, 0, "texte"), QString());
        QCOMPARE(text(rows, 1, "textd"), QString());
        QCOMPARE(text(rows, 1, "texte"), QStringLiteral("物业管理费"));
        QCOMPARE(text(rows, 3, "texta"), QStringLiteral("A-102"));
        QCOMPARE(all->grid()->footerText(QStringLiteral("moneya")), QStringLiteral("140"));
        QCOMPARE(all->grid()->footerText(QStringLiteral("moneyb")), QStringLiteral("110"));
        QCOMPARE(all->grid()->footerText(QStringLiteral("moneyc")), QStringLiteral("30"));
        all.reset();

        auto paid = open<TForm_statistics_yijiao>();
        QCOMPARE(paid->findChild<QLabel *>(QStringLiteral("Label3"))->text(), QStringLiteral("已 缴 费"));
        QVERIFY(compute(paid.get(), {2004, 11, 1}, {2005, 3, 1}));
        rows = scratchRows();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(text(rows, 0, "texta"), QStringLiteral("A-101"));
        QCOMPARE(text(rows, 0, "datea"), QStringLiteral("2005-03-02 00:00:00"));
        QCOMPARE(text(rows, 0, "dateb"), QStringLiteral("2004-12-01 00:00:00"));
        QCOMPARE(text(rows, 0, "datec"), QStringLiteral("2004-12-31 00:00:00"));
        paid.reset();

        auto unpaid = open<TForm_statistics_weijiao>();
        QVERIFY(compute(unpaid.get(), {2005, 1, 1}, {2005, 2, 1}, {{"ComboBox1", "一单元"}}));
        rows = scratchRows();
        QCOMPARE(rows.size(), 3);
        QCOMPARE(text(rows, 1, "moneyb"), QStringLiteral("10")); // its state is empty
        QCOMPARE(text(rows, 1, "datea"), QString());
        QCOMPARE(text(rows, 2, "texta"), QStringLiteral("B-201"));
    }

    // The detail's balance runs through the rows; after a row is deleted, "整理" runs it again.
    void depositDetailBalances()
    {
        deposit("2005-03-01 00:00:00", "A-101", "收取", 1000);
        deposit("2005-03-02 00:00:00", "A-101", "冲抵费用", 200);
        deposit("2005-03-03 00:00:00", "A-101", "退还", 300);
        deposit("2005-03-03 00:00:00", "A-101", "转入", 50); // a type the reports do not know
        deposit("2005-03-04 23:59:59", "A-101", "收取", 5);
        deposit("2005-03-05 00:00:00", "A-101", "收取", 7); // the day after the period
        deposit("2005-03-02 00:00:00", "A-102", "收取", 9);
        auto w = open<TForm_yajin_mingxi>();
        w->findChild<QComboBox *>(QStringLiteral("ComboBox2"))->setEditText(QStringLiteral("一号楼"));
        w->compute();
        QCOMPARE(prompt->lastText(), QStringLiteral("没有输入房屋代码,请重新输入!"));
        QVERIFY(compute(w.get(), {2005, 3, 1}, {2005, 3, 4}, {{"ComboBox1", "A-101"}}));
        QList<RowText> rows = scratchRows();
        QCOMPARE(rows.size(), 5);
        QStringList balances;
        for (const RowText &r : rows) {
            balances << r.value("moneyd");
        }
        QCOMPARE(balances, QStringList({"1000", "800", "500", "500", "505"}));
        QCOMPARE(text(rows, 1, "moneyc"), QStringLiteral("200"));
        QCOMPARE(text(rows, 2, "moneyb"), QStringLiteral("300"));
        QCOMPARE(text(rows, 3, "textd"), QStringLiteral("转入"));
        QCOMPARE(w->grid()->footerText(QStringLiteral("moneya")), QStringLiteral("1005"));

        DataSet *q = home->dm()->q_tongyong;
        q->moveTo(1);
        prompt->answers << true;
        QTest::mouseClick(w->findChild<QToolButton *>(QStringLiteral("bitbtn_delete")), Qt::LeftButton);
        QTest::mouseClick(w->findChild<QToolButton *>(QStringLiteral("SpeedButton3")), Qt::LeftButton);
        balances.clear();
        for (const RowText &r : scratchRows()) {
            balances << r.value("moneyd");
        }
        QCOMPARE(balances, QStringList({"1000", "700", "700", "705"}));
        QCOMPARE(home->dm()->scalar(QStringLiteral("select count(*) from 押金明细表")).toInt(), 7);
    }

    // Every house has its row, also one without movements.
    void depositSummary()
    {
        insertHouse(QStringLiteral("A-101"), QStringLiteral("一号楼"), QStringLiteral("王芳"));
        insertHouse(QStringLiteral("A-102"), QStringLiteral("一号楼"), QStringLiteral("李明"));
        deposit("2005-03-01 00:00:00", "A-101", "收取", 1000);
        deposit("2005-03-02 00:00:00", "A-101", "冲抵费用", 200);
        deposit("2005-03-03 00:00:00", "A-101", "退还", 300);
        deposit("2005-02-28 23:59:59", "A-102", "收取", 9); // before the period
        auto w = open<TForm_yajin_sum>();
        QVERIFY(compute(w.get(), {2005, 3, 1}, {2005, 3, 31}));
        QCOMPARE(scratchRows(),
                 QList<RowText>({{{"datea", "2005-03-01 00:00:00"},
                                  {"dateb", "2005-03-31 00:00:00"},
                                  {"textc", "一号楼"},
                                  {"texta", "A-101"},
                                  {"textb", "王芳"},
                                  {"moneya", "1000"},
                                  {"moneyb", "200"},
                                  {"moneyc", "300"},
                                  {"moneyd", "500"}},
                                 {{"datea", "2005-03-01 00:00:00"},
                                  {"dateb", "2005-03-31 00:00:00"},
                                  {"textc", "一号楼"},
                                  {"texta", "A-102"},
                                  {"textb", "李明"},
                                  {"moneya", "0"},
                                  {"moneyb", "0"},
                                  {"moneyc", "0"},
                                  {"moneyd", "0"}}}));
        w->findChild<QDateEdit *>(QStringLiteral("DateTimePicker1"))->setDate({2005, 4, 1});
        w->compute();
        QCOMPARE(prompt->lastText(), QStringLiteral("日期从不能大于日期到,请重新输入!"));
    }

    void reminderHorizon_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("houses");
        // Today is 2005-03-10.
        QTest::newRow("0 days: due today and before") << 0 << "" << QStringList {"H-1", "H-2", "H-3"};
        QTest::newRow("30 days: the 30th day ahead") << 30 << "" << QStringList {"H-1", "H-2", "H-3", "H-4"};
        QTest::newRow("31 days: and the 31st") << 31 << "" << QStringList {"H-1", "H-2", "H-3", "H-4", "H-5"};
        QTest::newRow("typed days override") << 0 << "31" << QStringList {"H-1", "H-2", "H-3", "H-4", "H-5"};
        QTest::newRow("typed 0 takes the stored") << 30 << "0" << QStringList {"H-1", "H-2", "H-3", "H-4"};
    }
    void reminderHorizon()
    {
        QFETCH(int, stored);
        QFETCH(QString, typed);
        QFETCH(QStringList, houses);
        insertHouse("H-5", "一号楼", "五", "2004-01-01 00:00:00", "2005-04-10 00:00:00");
        insertHouse("H-1", "一号楼", "一", "2004-01-01 00:00:00", "2005-01-01 00:00:00");
        insertHouse("H-2", "一号楼", QVariant(), {}, "2005-03-10 00:00:00", 120.0); // no owner
        insertHouse("H-3", "一号楼", "三", {}, "2005-03-10 18:30:00"); // with a time of day
        insertHouse("H-4", "一号楼", "四", {}, "2005-04-09 00:00:00");
        insertHouse("H-6", "一号楼", "六", "2004-01-01 00:00:00", {}); // open-ended
        insertHouse("H-7", "一号楼", "七", "2004-01-01 00:00:00", QStringLiteral("")); // an older database's empty date
        QVERIFY(home->dm()->exec(QStringLiteral("update 公司信息 set 提前提醒天数 = ?"), {stored}));
        auto w = open<TForm_txgn>();
        w->findChild<QLineEdit *>(QStringLiteral("Edit1"))->setText(typed);
        QTest::mouseClick(w->findChild<QToolButton *>(QStringLiteral("SpeedButton1")), Qt::LeftButton);
        QStringList got;
        for (const RowText &r : scratchRows()) {
            got << r.value("texta");
        }
        QCOMPARE(got, houses);
        const QList<RowText> rows = scratchRows();
        QCOMPARE(text(rows, 1, "textb"), QStringLiteral("120"));
        QCOMPARE(text(rows, 2, "textb"), QStringLiteral("86.5"));
        QCOMPARE(text(rows, 1, "textc"), QString());
        QCOMPARE(home->dm()->q_tongyong->recordCount(), houses.size());
    }

    // "打印" and "导出" take the houses found; a double-click on a row reminds again with the
    // data as it now stands; "返回" closes the window.
    void reminderPrintExportAndDoubleClick()
    {
        insertHouse("H-1", "一号楼", "一", "2004-01-01 00:00:00", "2005-03-01 00:00:00");
        insertHouse("H-2", "一号楼", "二", "2004-01-01 00:00:00", "2005-03-20 00:00:00");
        QVERIFY(home->dm()->exec(QStringLiteral("update 公司信息 set 提前提醒天数 = 0")));
        auto w = open<TForm_txgn>();
        const auto button = [&](const char *name) { return w->findChild<QToolButton *>(QString::fromLatin1(name)); };
        QTest::mouseClick(button("bitbtn_print"), Qt::LeftButton); // nothing found yet
        QCOMPARE(prompt->printed, 0);
        QTest::mouseClick(button("SpeedButton1"), Qt::LeftButton);
        QCOMPARE(scratchRows().size(), 1);

        const QString pdf = home->path() + QStringLiteral("/reminder.pdf");
        prompt->pdfFiles.enqueue(pdf);
        QTest::mouseClick(button("bitbtn_print"), Qt::LeftButton);
        QCOMPARE(prompt->printed, 1);
        const QString printed = pdfText(pdf);
        if (!printed.isEmpty()) {
            QVERIFY2(printed.contains(QStringLiteral("提醒功能清单打印清单"))
                         && printed.contains(QStringLiteral("H-1")),
                     qPrintable(printed));
        }
        const QString base = home->path() + QStringLiteral("/提醒");
        prompt->files.enqueue(base);
        prompt->filterChoices.enqueue(2);
        QTest::mouseClick(button("bitbtn_out"), Qt::LeftButton);
        QCOMPARE(prompt->lastSaveName, QStringLiteral("提醒功能清单"));
        QVERIFY(fileText(base + QStringLiteral(".csv")).contains(QStringLiteral("H-1")));

        QVERIFY(home->dm()->exec(QStringLiteral("update 公司信息 set 提前提醒天数 = 10")));
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        const QRect cell = w->grid()->visualRect(w->grid()->model()->index(0, 0));
        QTest::mouseClick(w->grid()->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(w->grid()->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(scratchRows().size(), 2);
        QVERIFY(prompt->shown.isEmpty());
        QTest::mouseClick(button("SpeedButton4"), Qt::LeftButton);
        QVERIFY(!w->isVisible());
        QCOMPARE(w->result(), int(QDialog::Rejected));
    }

    // At start-up with 自动提醒 set the window shows only when a house is due, with the stored days.
    void startUpReminder()
    {
        const WindowRegistry::Override reminder(QStringLiteral("TForm_txgn"),
                                                [](QWidget *p) { return new TForm_txgn(p); });
        QVERIFY(home->dm()->exec(QStringLiteral("update 公司信息 set 自动提醒 = 1, 提前提醒天数 = 30")));
        insertHouse("H-4", "一号楼", "四", {}, "2005-04-10 00:00:00");
        insertHouse("H-7", "一号楼", "七", {}, QStringLiteral("")); // an older database's empty date: never due
        {
            // Nothing is due: the window must not show (and is closed at once if it does).
            bool shownEarly = false;
            QTimer guard;
            connect(&guard, &QTimer::timeout, [&] {
                if (auto *w = qobject_cast<TForm_txgn *>(QApplication::activeModalWidget())) {
                    shownEarly = true;
                    w->reject();
                }
            });
            guard.start(5);
            TForm_main main(home->dm());
            QVERIFY(main.firstActivation());
            QVERIFY(!shownEarly);
            QCOMPARE(home->dm()->q_tongyong->isOpen(), false);
        }
        QVERIFY(home->dm()->exec(
            QStringLiteral("update 房屋资料 set 迁出日期 = '2005-04-09 00:00:00' where 房屋代码 = 'H-4'")));
        bool shown = false;
        whenShown<TForm_txgn>([&](TForm_txgn *w) {
            shown = !w->findChild<QLineEdit *>(QStringLiteral("Edit1"))->isVisible()
                && w->grid()->dataSet()->recordCount() == 1;
            w->reject();
        });
        TForm_main main(home->dm());
        QVERIFY(main.firstActivation());
        QVERIFY(shown);
    }

    void reminderSettings_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::newRow("negative") << "-1" << QStringLiteral("提前提醒天数必须大于等于零，请重新输入！");
        QTest::newRow("empty") << "" << QStringLiteral("提前提醒天数必须大于等于零，请重新输入！");
        QTest::newRow("beyond 500") << "501" << QStringLiteral("提前提醒天数不能大于500，请重新输入！");
        QTest::newRow("0") << "0" << QString();
        QTest::newRow("500") << "500" << QString();
    }
    void reminderSettings()
    {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QVERIFY(home->dm()->q_gsxx->openOn({QStringLiteral("select * from 公司信息")}));
        TForm_txcsb w;
        w.show();
        auto *days = w.findChild<DBNumberEditEh *>(QStringLiteral("DBEdit1"));
        days->clear();
        typeText(days, typed);
        w.findChild<DBCheckBox *>(QStringLiteral("DBCheckBox1"))->setChecked(true);
        QTest::keyClick(days, Qt::Key_Return);
        QCOMPARE(prompt->lastText(), message);
        const int stored = home->dm()->scalar(QStringLiteral("select 提前提醒天数 from 公司信息")).toInt();
        QCOMPARE(stored, message.isEmpty() ? typed.toInt() : 30);
        QCOMPARE(home->dm()->scalar(QStringLiteral("select 自动提醒 from 公司信息")).toInt(),
                 message.isEmpty() ? 1 : 0);
    }
};

QTEST_MAIN(TestReportWindows)
#include "tst_reportwindows.moc"
