#include "components/grid/dbgrideh.h"
#include "components/grid/dbgridmodel.h"
#include "components/grid/gridtext.h"
#include "temphome.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QHeaderView>
#include <QProcess>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStyle>
#include <QStyleOption>
#include <QTemporaryDir>
#include <QToolTip>
#include <QtTest>

using SortKeys = QList<QPair<int, bool>>; // (column, ctrl) clicks

class TestDBGridEh : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void modelFollowsDataSet();
    void currentRowBothWays();
    void cellTexts();
    void rowColours();
    void footers();
    void sorting_data();
    void sorting();
    void ctrlSortWaitsForRelease();
    void sortingKeepsOrderOfRows();
    void titleClicksWithTheMouse();
    void titleClickMakesTheFirstRowCurrent();
    void typicalTextsFitTheirColumns_data();
    void typicalTextsFitTheirColumns();
    void footerSumsAreNeverCutShort();
    void emptyResultDoesNotRequery();
    void orderingNames_data();
    void orderingNames();
    void hiddenCaptions_data();
    void hiddenCaptions();
    void hideAndShowColumns();
    void layoutRoundTrip();
    void layoutSurvivesGarbage_data();
    void layoutSurvivesGarbage();
    void layoutFileIsReplacedNotWrittenThrough();
    void layoutTitleLevelsAreCapped();
    void titleSpans_data();
    void titleSpans();
    void headerGrowsWithLevels();
    void exportTable();
    void fitToWidth();
    void toolTipsForCutOffCells();
    void printsPdf();

private:
    void addHouse(const QString &code, const QString &owner, qint64 depositRaw, double area,
                  const QString &movedIn = QStringLiteral("2004-08-15 00:00:00"));
    QList<GridColumn> houseColumns() const;
    std::unique_ptr<TempHome> home;
    std::unique_ptr<DataSet> ds;
    std::unique_ptr<DBGridEh> grid;
};

void TestDBGridEh::addHouse(const QString &code, const QString &owner, qint64 depositRaw, double area,
                            const QString &movedIn)
{
    QVERIFY(home->dm()->exec(
        QStringLiteral("insert into 房屋资料 (房屋代码, 业主名称, 押金, 房屋面积, 迁入日期) values (?,?,?,?,?)"),
        {code, owner, depositRaw, area, movedIn}));
}

static GridColumn column(const QString &field, const QString &title, int width,
                         Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter)
{
    GridColumn c;
    c.field = field;
    c.title = title;
    c.width = width;
    c.alignment = alignment;
    return c;
}

QList<GridColumn> TestDBGridEh::houseColumns() const
{
    GridColumn code = column(QStringLiteral("房屋代码"), QStringLiteral("房屋|代码"), 80);
    code.sortable = true;
    code.footer = GridColumn::Footer::Text;
    code.footerText = QStringLiteral("记录数");
    GridColumn owner = column(QStringLiteral("业主名称"), QStringLiteral("业主名称"), 90);
    owner.sortable = true;
    owner.footer = GridColumn::Footer::Count;
    GridColumn area =
        column(QStringLiteral("房屋面积"), QStringLiteral("房屋|面积|建筑"), 70, Qt::AlignRight | Qt::AlignVCenter);
    area.sortable = true;
    area.footer = GridColumn::Footer::Sum;
    GridColumn deposit = column(QStringLiteral("押金"), QStringLiteral("押金"), 70, Qt::AlignRight | Qt::AlignVCenter);
    deposit.footer = GridColumn::Footer::Sum;
    GridColumn movedIn = column(QStringLiteral("迁入日期"), QStringLiteral("迁入日期"), 90);
    return {code, owner, area, deposit, movedIn};
}

void TestDBGridEh::init()
{
    QFont::insertSubstitutions(QStringLiteral("宋体"), {QStringLiteral("AR PL UMing CN")});
    home = std::make_unique<TempHome>();
    QVERIFY(home->ok());
    ds = std::make_unique<DataSet>(QStringLiteral("q_houseinfo"), QStringLiteral("房屋资料"));
    ds->setSql({QStringLiteral("select * from 房屋资料"), QStringLiteral("order by 房屋代码")});
    grid = std::make_unique<DBGridEh>();
    grid->setColumns(houseColumns());
    grid->setDataSet(ds.get());
    grid->resize(600, 300);
}

void TestDBGridEh::cleanup()
{
    grid.reset();
    ds.reset();
    home.reset();
}

void TestDBGridEh::modelFollowsDataSet()
{
    QAbstractItemModelTester tester(grid->gridModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    addHouse(QStringLiteral("A1"), QStringLiteral("张三"), 10000, 50);
    addHouse(QStringLiteral("A2"), QStringLiteral("李四"), 20000, 60);
    addHouse(QStringLiteral("A3"), QStringLiteral("王五"), 30000, 70);
    QVERIFY(ds->open());
    QCOMPARE(grid->model()->rowCount(), 3);
    QCOMPARE(grid->model()->columnCount(), 5);
    QCOMPARE(grid->model()->index(1, 0).data().toString(), QStringLiteral("A2"));

    ds->moveTo(1);
    QVERIFY(ds->deleteCurrent());
    QCOMPARE(grid->model()->rowCount(), 2);
    QCOMPARE(grid->model()->index(1, 0).data().toString(), QStringLiteral("A3"));

    ds->append();
    ds->setText(QStringLiteral("房屋代码"), QStringLiteral("A9"));
    QCOMPARE(grid->model()->rowCount(), 3);
    QCOMPARE(grid->model()->index(2, 0).data().toString(), QStringLiteral("A9"));
    ds->cancel();
    QCOMPARE(grid->model()->rowCount(), 2);

    ds->moveTo(0);
    ds->edit();
    ds->setText(QStringLiteral("业主名称"), QStringLiteral("赵六"));
    QVERIFY(ds->post());
    QCOMPARE(grid->model()->index(0, 1).data().toString(), QStringLiteral("赵六"));

    QVERIFY(ds->reopen());
    QCOMPARE(grid->model()->rowCount(), 2);
    ds->close();
    QCOMPARE(grid->model()->rowCount(), 0);
    QVERIFY(!grid->model()->flags(grid->model()->index(0, 0)).testFlag(Qt::ItemIsEditable));
}

void TestDBGridEh::currentRowBothWays()
{
    for (int i = 0; i < 5; ++i) {
        addHouse(QStringLiteral("B%1").arg(i), QStringLiteral("业主%1").arg(i), 0, 10);
    }
    QVERIFY(ds->open());
    grid->show();
    QVERIFY(QTest::qWaitForWindowExposed(grid.get()));
    QCOMPARE(grid->currentIndex().row(), 0);
    ds->moveTo(3);
    QCOMPARE(grid->currentIndex().row(), 3);

    const QRect cell = grid->visualRect(grid->model()->index(1, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(ds->currentRow(), 1);
    QCOMPARE(grid->selectionModel()->selectedRows().size(), 1);

    QSignalSpy dbl(grid.get(), &DBGridEh::rowDoubleClicked);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(dbl.size(), 1);
    QCOMPARE(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    QCOMPARE(grid->palette().color(QPalette::Inactive, QPalette::Highlight),
             grid->palette().color(QPalette::Active, QPalette::Highlight));
}

void TestDBGridEh::cellTexts()
{
    addHouse(QStringLiteral("C1"), QStringLiteral("张三"), 38333, 50.5, QStringLiteral("2004-08-15 00:00:00"));
    QVERIFY(ds->open());
    auto *m = grid->model();
    QCOMPARE(m->index(0, 3).data().toString(), QStringLiteral("3.8333"));
    QCOMPARE(m->index(0, 4).data().toString(), QStringLiteral("2004-08-15"));
    QCOMPARE(m->index(0, 2).data().toString(), QStringLiteral("50.5"));
    QCOMPARE(Qt::Alignment(m->index(0, 3).data(Qt::TextAlignmentRole).value<Qt::Alignment>()),
             Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));

    QList<GridColumn> cols = houseColumns();
    cols[3].decimals = 2;
    cols[2].decimals = 2;
    grid->setColumns(cols);
    QCOMPARE(m->index(0, 3).data().toString(), QStringLiteral("3.83"));
    QCOMPARE(m->index(0, 2).data().toString(), QStringLiteral("50.50"));
}

void TestDBGridEh::rowColours()
{
    for (int i = 0; i < 4; ++i) {
        addHouse(QStringLiteral("D%1").arg(i), QString(), 0, 0);
    }
    QVERIFY(ds->open());
    auto *m = grid->model();
    const QColor odd(236, 249, 249);
    grid->setDichromatic(true);
    QCOMPARE(m->index(0, 0).data(Qt::BackgroundRole).value<QColor>(), odd); // the 1st record
    QCOMPARE(m->index(1, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(Qt::white));
    QCOMPARE(m->index(2, 0).data(Qt::BackgroundRole).value<QColor>(), odd);
    grid->setDichromatic(false);
    QCOMPARE(m->index(0, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(Qt::white));
}

void TestDBGridEh::footers()
{
    addHouse(QStringLiteral("E1"), QStringLiteral("甲"), 1000, 0.1); // 0.1 of money
    addHouse(QStringLiteral("E2"), QStringLiteral("乙"), 2000, 0.2);
    addHouse(QStringLiteral("E3"), QStringLiteral("丙"), -1, 1e6);
    QVERIFY(ds->open());
    QCOMPARE(grid->footerText(QStringLiteral("房屋代码")), QStringLiteral("记录数"));
    QCOMPARE(grid->footerText(QStringLiteral("业主名称")), QStringLiteral("3"));
    QCOMPARE(grid->footerText(QStringLiteral("押金")), QStringLiteral("0.2999"));
    QCOMPARE(grid->footerText(QStringLiteral("房屋面积")), QStringLiteral("1000000.3"));

    ds->last();
    QVERIFY(ds->deleteCurrent());
    QCOMPARE(grid->footerText(QStringLiteral("业主名称")), QStringLiteral("2"));
    QCOMPARE(grid->footerText(QStringLiteral("押金")), QStringLiteral("0.3"));
    // Sums follow the removed row without a trace of the large area it held.
    QCOMPARE(grid->footerText(QStringLiteral("房屋面积")), QStringLiteral("0.3"));
    ds->append();
    ds->setText(QStringLiteral("房屋代码"), QStringLiteral("E4"));
    ds->setMoney(QStringLiteral("押金"), Money::fromUnits(2));
    QCOMPARE(grid->footerText(QStringLiteral("业主名称")), QStringLiteral("3"));
    QCOMPARE(grid->footerText(QStringLiteral("押金")), QStringLiteral("2.3"));
    ds->cancel();
    QCOMPARE(grid->footerText(QStringLiteral("业主名称")), QStringLiteral("2"));
    QCOMPARE(grid->footerText(QStringLiteral("押金")), QStringLiteral("0.3"));

    ds->first();
    ds->setMoney(QStringLiteral("押金"), Money::fromUnits(5));
    QCOMPARE(grid->footerText(QStringLiteral("押金")), QStringLiteral("5.2"));
    ds->cancel();
    QCOMPARE(grid->footerText(QStringLiteral("押金")), QStringLiteral("0.3"));

    QList<GridColumn> cols = houseColumns();
    cols[3].decimals = 2;
    grid->setColumns(cols);
    QCOMPARE(grid->footerText(QStringLiteral("押金")), QStringLiteral("0.30"));
    grid->setFooterValue(QStringLiteral("迁入日期"), QStringLiteral("合计"));
    QCOMPARE(grid->footerText(QStringLiteral("迁入日期")), QStringLiteral("合计"));

    ds->close();
    QCOMPARE(grid->footerText(QStringLiteral("业主名称")), QStringLiteral("0"));
    QCOMPARE(grid->footerText(QStringLiteral("押金")), QStringLiteral("0.00"));

    // A stored value that is no amount shows as an error in its cell and in the sum.
    QVERIFY(home->dm()->exec(QStringLiteral("update 房屋资料 set 押金=? where 房屋代码='E2'"), {1e300}));
    QVERIFY(ds->open());
    const int row = 1;
    QCOMPARE(grid->model()->index(row, 3).data().toString(), Money::UnreadableText);
    QCOMPARE(grid->footerText(QStringLiteral("押金")), Money::UnreadableText);
}

void TestDBGridEh::sorting_data()
{
    QTest::addColumn<SortKeys>("clicks"); // ctrl clicks end with a release of Ctrl
    QTest::addColumn<QString>("line");

    const QString asc0 = QStringLiteral(" ORDER BY 房屋代码 COLLATE pinyin");
    QTest::newRow("one click") << SortKeys {{0, false}} << asc0;
    QTest::newRow("two clicks") << SortKeys {{0, false}, {0, false}}
                                << QStringLiteral(" ORDER BY 房屋代码 COLLATE pinyin DESC ");
    QTest::newRow("three clicks come back to ascending") << SortKeys {{0, false}, {0, false}, {0, false}} << asc0;
    QTest::newRow("ctrl twice on a second column")
        << SortKeys {{0, false}, {1, true}, {1, true}}
        << QStringLiteral(" ORDER BY 房屋代码 COLLATE pinyin, 业主名称 COLLATE pinyin DESC ");
    QTest::newRow("plain click clears the others")
        << SortKeys {{0, false}, {1, true}, {2, false}} << QStringLiteral(" ORDER BY 房屋面积");
    QTest::newRow("ctrl three times removes the marker")
        << SortKeys {{0, false}, {1, true}, {1, true}, {1, true}} << asc0;
    QTest::newRow("removing the last marker leaves no ordering")
        << SortKeys {{0, false}, {0, true}, {0, true}} << QString();
    QTest::newRow("new marks go to the end")
        << SortKeys {{2, true}, {0, true}, {1, true}}
        << QStringLiteral(" ORDER BY 房屋面积, 房屋代码 COLLATE pinyin, 业主名称 COLLATE pinyin");
    QTest::newRow("title without sort button") << SortKeys {{3, false}} << QStringLiteral("order by 房屋代码");
}

void TestDBGridEh::sorting()
{
    QFETCH(SortKeys, clicks);
    QFETCH(QString, line);
    addHouse(QStringLiteral("F1"), QStringLiteral("甲"), 0, 1);
    QVERIFY(ds->open());
    QSignalSpy requested(grid.get(), &DBGridEh::sortRequested);
    for (const auto &[column, ctrl] : clicks) {
        grid->clickTitle(column, ctrl);
    }
    grid->releaseCtrl();
    QCOMPARE(ds->orderingLine(), line);
    QVERIFY(ds->isOpen());
    QCOMPARE(ds->recordCount(), 1);
    if (!requested.isEmpty()) {
        QCOMPARE(requested.last().at(0).toString(), line);
        QCOMPARE(grid->orderingLine(), line);
    }
}

void TestDBGridEh::ctrlSortWaitsForRelease()
{
    addHouse(QStringLiteral("G1"), QStringLiteral("甲"), 0, 1);
    QVERIFY(ds->open());
    grid->show();
    QVERIFY(QTest::qWaitForWindowExposed(grid.get()));
    QSignalSpy requested(grid.get(), &DBGridEh::sortRequested);
    grid->clickTitle(0, true);
    grid->clickTitle(1, true);
    QCOMPARE(grid->sortMarker(QStringLiteral("业主名称")), DBGridEh::SortMarker::Ascending);
    QCOMPARE(ds->orderingLine(), QStringLiteral("order by 房屋代码"));
    QCOMPARE(requested.size(), 0);
    QTest::keyRelease(grid.get(), Qt::Key_Control);
    QCOMPARE(requested.size(), 1);
    QCOMPARE(ds->orderingLine(), QStringLiteral(" ORDER BY 房屋代码 COLLATE pinyin, 业主名称 COLLATE pinyin"));
    QTest::keyRelease(grid.get(), Qt::Key_Control);
    QCOMPARE(requested.size(), 1); // nothing held back any more
}

void TestDBGridEh::sortingKeepsOrderOfRows()
{
    addHouse(QStringLiteral("H1"), QStringLiteral("乙"), 0, 3);
    addHouse(QStringLiteral("H2"), QStringLiteral("甲"), 0, 1);
    addHouse(QStringLiteral("H3"), QStringLiteral("甲"), 0, 2);
    QVERIFY(ds->open());
    grid->clickTitle(2, false);
    grid->clickTitle(2, false); // area descending
    QCOMPARE(grid->model()->index(0, 0).data().toString(), QStringLiteral("H1"));
    grid->clickTitle(1, false); // owner ascending, then area descending with Ctrl
    grid->clickTitle(2, true);
    grid->clickTitle(2, true);
    grid->releaseCtrl();
    QStringList codes;
    for (int r = 0; r < 3; ++r) {
        codes << grid->model()->index(r, 0).data().toString();
    }
    // 甲 (jiǎ) sorts before 乙 (yǐ) in pinyin order.
    QCOMPARE(codes, (QStringList {QStringLiteral("H3"), QStringLiteral("H2"), QStringLiteral("H1")}));
    // The columns keep their layout through the re-query.
    QCOMPARE(grid->columnWidth(1), 90);
}

void TestDBGridEh::titleClicksWithTheMouse()
{
    addHouse(QStringLiteral("M1"), QStringLiteral("甲"), 0, 1);
    QVERIFY(ds->open());
    grid->show();
    QVERIFY(QTest::qWaitForWindowExposed(grid.get()));
    QHeaderView *header = grid->horizontalHeader();
    const int line = header->height() / 3; // three title lines
    auto at = [&](int column, int y) { return QPoint(header->sectionViewportPosition(column) + 10, y); };
    // The upper box "房屋" spans two columns and is no sort button.
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at(0, line / 2));
    QCOMPARE(grid->sortMarker(QStringLiteral("房屋代码")), DBGridEh::SortMarker::None);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at(0, line * 2));
    QCOMPARE(grid->sortMarker(QStringLiteral("房屋代码")), DBGridEh::SortMarker::Ascending);
    QCOMPARE(ds->orderingLine(), QStringLiteral(" ORDER BY 房屋代码 COLLATE pinyin"));
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::ControlModifier, at(1, line * 2));
    QCOMPARE(grid->sortMarker(QStringLiteral("业主名称")), DBGridEh::SortMarker::Ascending);
    QCOMPARE(ds->orderingLine(), QStringLiteral(" ORDER BY 房屋代码 COLLATE pinyin"));
    // Ctrl let go while another widget has the focus.
    QWidget other;
    other.show();
    QTest::keyRelease(&other, Qt::Key_Control);
    QCOMPARE(ds->orderingLine(), QStringLiteral(" ORDER BY 房屋代码 COLLATE pinyin, 业主名称 COLLATE pinyin"));
}

// After a title click the first row is current, in the grid and in the data set, and the rows
// are shown from the top.
void TestDBGridEh::titleClickMakesTheFirstRowCurrent()
{
    for (int i = 0; i < 40; ++i) {
        addHouse(QStringLiteral("T%1").arg(i, 2, 10, QLatin1Char('0')), QStringLiteral("业主"), 0, i);
    }
    QVERIFY(ds->open());
    grid->show();
    QVERIFY(QTest::qWaitForWindowExposed(grid.get()));
    ds->moveTo(30);
    QVERIFY(grid->verticalScrollBar()->value() > 0);
    grid->clickTitle(2, false);
    grid->clickTitle(2, false); // area descending: T39 first
    QCOMPARE(ds->currentRow(), 0);
    QCOMPARE(ds->text(QStringLiteral("房屋代码")), QStringLiteral("T39"));
    QCOMPARE(grid->currentIndex().row(), 0);
    QCOMPARE(grid->verticalScrollBar()->value(), 0);
}

// A column is at least as wide as its typical text in the grid's font (a date with its time, an
// 18-character identity card number, a receipt number as the program makes them, the longest
// fee name of the demo estate), whatever its design width or an older layout file says, so
// nothing of it is cut off; other columns keep their widths.
void TestDBGridEh::typicalTextsFitTheirColumns_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("width");
    QTest::newRow("a date and time") << "房屋资料"
                                     << "操作日期"
                                     << "2026-12-08 20:55:00"
                                     << "2026-12-08 20:55:00" << 60;
    QTest::newRow("a date") << "房屋资料"
                            << "迁入日期"
                            << "2026-12-08 00:00:00"
                            << "2026-12-08" << 30;
    QTest::newRow("an identity card") << "房屋租赁表"
                                      << "身份证号"
                                      << "11010519491231002X"
                                      << "11010519491231002X" << 80;
    QTest::newRow("a receipt number") << "押金明细表"
                                      << "单据号码"
                                      << "YJ20040815001"
                                      << "YJ20040815001" << 80;
    QTest::newRow("a fee name") << "收费明细表"
                                << "收费名称"
                                << "公共设施维护费"
                                << "公共设施维护费" << 90;
}

void TestDBGridEh::typicalTextsFitTheirColumns()
{
    QFETCH(QString, table);
    QFETCH(QString, field);
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    QFETCH(int, width);
    QFont f(QStringLiteral("宋体"));
    f.setPixelSize(12);
    grid->setFont(f);
    QVERIFY(
        home->dm()->exec(QStringLiteral("insert into %1 (%2) values (?)").arg(table, Schema::quoted(field)), {stored}));
    DataSet rows({}, table);
    rows.setSql({QStringLiteral("select * from ") + table, QStringLiteral("order by id")});
    grid->setDataSet(&rows);
    QVERIFY(rows.open());
    grid->show();
    QVERIFY(QTest::qWaitForWindowExposed(grid.get()));
    const auto fits = [this]() {
        // The width the cell needs to show its whole text, against the width it has.
        const QModelIndex cell = grid->model()->index(0, 0);
        QStyleOptionViewItem option;
        option.initFrom(grid->viewport());
        option.font = grid->font();
        option.widget = grid.get();
        const int needed = grid->itemDelegate()->sizeHint(option, cell).width();
        return needed <= grid->visualRect(cell).width();
    };
    GridColumn wide = column(QStringLiteral("备注"), QStringLiteral("备注"), 40);
    for (int round = 0; round < 2; ++round) {
        if (round == 1) {
            // A layout file written with narrower widths does not cut the text off either.
            QTemporaryDir dir;
            QSettings ini(dir.filePath(QStringLiteral("layout.ini")), QSettings::IniFormat);
            ini.beginGroup(QStringLiteral("TForm_test"));
            ini.beginWriteArray(QStringLiteral("Columns"), 1);
            ini.setArrayIndex(0);
            ini.setValue(QStringLiteral("Field"), field);
            ini.setValue(QStringLiteral("Width"), width);
            ini.endArray();
            ini.endGroup();
            grid->loadLayout(ini, QStringLiteral("TForm_test"));
        } else {
            grid->setColumns({column(field, field, width), wide});
        }
        QCOMPARE(grid->model()->index(0, 0).data().toString(), shown);
        QVERIFY(fits());
        QCOMPARE(grid->columns().at(0).width, grid->columnWidth(0));
    }
    QCOMPARE(grid->columnWidth(1), 40);
    grid->setDataSet(ds.get());
}

// A footer's sum is never cut short: once it is computed, a column too narrow for it grows to
// fit it ("54230.1234", not "54230.1…").
void TestDBGridEh::footerSumsAreNeverCutShort()
{
    addHouse(QStringLiteral("A"), QStringLiteral("甲"), 400001234, 1);
    addHouse(QStringLiteral("B"), QStringLiteral("乙"), 142300000, 1);
    QList<GridColumn> columns = houseColumns();
    columns[3].width = 30;
    grid->setColumns(columns);
    grid->show();
    QVERIFY(QTest::qWaitForWindowExposed(grid.get()));
    QVERIFY(ds->open());
    const QString sum = grid->footerText(QStringLiteral("押金"));
    QCOMPARE(sum, QStringLiteral("54230.1234"));
    auto *footer = grid->findChild<QWidget *>(QStringLiteral("footer"));
    QVERIFY(footer && footer->isVisible());
    const int needed = footer->fontMetrics().horizontalAdvance(sum) + 7;
    QVERIFY(grid->columnWidth(3) >= needed);
    QCOMPARE(grid->columns().at(3).width, grid->columnWidth(3));
    QCOMPARE(grid->columnWidth(0), 80); // a footer that fits leaves its column as it is

    // Scaled into a narrow grid ("满屏显示") the sum keeps its width; the others share the rest.
    grid->resize(260, 300);
    grid->setFitToWidth(true);
    QVERIFY(grid->columnWidth(3) >= needed);
    int total = 0;
    for (int c = 0; c < grid->model()->columnCount(); ++c) {
        total += grid->columnWidth(c);
    }
    QCOMPARE(total, grid->viewport()->width());
}

void TestDBGridEh::emptyResultDoesNotRequery()
{
    QVERIFY(ds->open());
    QSignalSpy requested(grid.get(), &DBGridEh::sortRequested);
    QSignalSpy opened(ds.get(), &DataSet::opened);
    grid->clickTitle(0, false);
    QCOMPARE(grid->sortMarker(QStringLiteral("房屋代码")), DBGridEh::SortMarker::Ascending);
    QCOMPARE(ds->orderingLine(), QStringLiteral("order by 房屋代码"));
    QCOMPARE(requested.size(), 0);
    QCOMPARE(opened.size(), 0);
}

void TestDBGridEh::orderingNames_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("collation"); // text sorts in pinyin order
    const QString pinyin = QStringLiteral(" COLLATE pinyin");
    QTest::newRow("chinese") << QStringLiteral("业主名称") << QStringLiteral("业主名称") << pinyin;
    QTest::newRow("latin") << QStringLiteral("texta") << QStringLiteral("texta") << pinyin;
    QTest::newRow("slash") << QStringLiteral("面积/数量") << QStringLiteral("\"面积/数量\"") << QString();
    QTest::newRow("blank") << QStringLiteral("a b") << QStringLiteral("\"a b\"") << pinyin;
    QTest::newRow("digit first") << QStringLiteral("1a") << QStringLiteral("\"1a\"") << pinyin;
    QTest::newRow("quote") << QStringLiteral("a\"b") << QStringLiteral("\"a\"\"b\"") << pinyin;
    QTest::newRow("money") << QStringLiteral("押金") << QStringLiteral("押金") << QString();
    QTest::newRow("date") << QStringLiteral("迁入日期") << QStringLiteral("迁入日期") << QString();
}

void TestDBGridEh::orderingNames()
{
    QFETCH(QString, field);
    QFETCH(QString, name);
    QFETCH(QString, collation);
    QCOMPARE(GridText::orderingName(field), name);
    QCOMPARE(GridText::orderingLine({{field, true}}),
             QStringLiteral(" ORDER BY ") + name + collation + QStringLiteral(" DESC "));
}

void TestDBGridEh::hiddenCaptions_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("caption");
    QTest::newRow("one level") << QStringLiteral("业主名称") << QStringLiteral("业主名称");
    QTest::newRow("two levels") << QStringLiteral("房屋|面积") << QStringLiteral("房屋\t面积");
    QTest::newRow("three levels") << QStringLiteral("房屋|面积|建筑") << QStringLiteral("面积\t建筑");
    QTest::newRow("four levels") << QStringLiteral("a|b|c|d") << QStringLiteral("c\td");
    QTest::newRow("leading bar") << QStringLiteral("|b") << QStringLiteral("\tb");
    QTest::newRow("empty") << QString() << QString();
}

void TestDBGridEh::hiddenCaptions()
{
    QFETCH(QString, title);
    QFETCH(QString, caption);
    QCOMPARE(DBGridEh::hiddenCaption(title), caption);
}

void TestDBGridEh::hideAndShowColumns()
{
    QCOMPARE(grid->visibleColumnCount(), 5);
    QCOMPARE(grid->hideRightmostColumn(), QStringLiteral("迁入日期"));
    QCOMPARE(grid->hideRightmostColumn(), QStringLiteral("押金"));
    QCOMPARE(grid->hideRightmostColumn(), QStringLiteral("面积\t建筑"));
    QCOMPARE(grid->visibleColumnCount(), 2);
    QVERIFY(grid->isColumnHidden(2));
    QCOMPARE(grid->hiddenFields(),
             (QStringList {QStringLiteral("房屋面积"), QStringLiteral("押金"), QStringLiteral("迁入日期")}));

    // The chosen column comes back just after the visible ones.
    grid->showColumn(QStringLiteral("迁入日期"));
    QStringList order;
    for (const GridColumn &c : grid->columns()) {
        order << c.field + (c.visible ? QString() : QStringLiteral("-"));
    }
    QCOMPARE(order,
             (QStringList {QStringLiteral("房屋代码"), QStringLiteral("业主名称"), QStringLiteral("迁入日期"),
                           QStringLiteral("房屋面积-"), QStringLiteral("押金-")}));
    QVERIFY(!grid->isColumnHidden(2));
    QCOMPARE(grid->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("迁入日期"));
    QCOMPARE(grid->showFirstHiddenColumn(), QStringLiteral("房屋面积"));
    QCOMPARE(grid->showFirstHiddenColumn(), QStringLiteral("押金"));
    QCOMPARE(grid->showFirstHiddenColumn(), QString());
    QCOMPARE(grid->visibleColumnCount(), 5);
    while (!grid->hideRightmostColumn().isEmpty()) { }
    QCOMPARE(grid->visibleColumnCount(), 0);
}

void TestDBGridEh::layoutRoundTrip()
{
    const QString path = home->path() + QStringLiteral("/houseinfo.ini");
    grid->hideRightmostColumn();
    grid->setColumnWidth(1, 123);
    grid->setFooterValue(QStringLiteral("押金"), QStringLiteral("x"));
    grid->setFitToWidth(true);
    {
        QSettings s(path, QSettings::IniFormat);
        grid->saveLayout(s, QStringLiteral("TForm_houseinfo"));
    }
    DBGridEh again;
    again.setColumns(houseColumns());
    QSettings s(path, QSettings::IniFormat);
    again.loadLayout(s, QStringLiteral("TForm_houseinfo"));
    QVERIFY(again.fitToWidth());
    QCOMPARE(again.hiddenFields(), QStringList {QStringLiteral("迁入日期")});
    QVERIFY(again.isColumnHidden(4));
    QCOMPARE(again.columns().at(1).width, 123);
    QCOMPARE(again.columns().at(3).footerText, QStringLiteral("x"));
    QCOMPARE(again.columns().at(2).title, QStringLiteral("房屋|面积|建筑"));
}

void TestDBGridEh::layoutSurvivesGarbage_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<QStringList>("order"); // fields in the resulting order, "-" when hidden
    QTest::addColumn<int>("ownerWidth");
    const QStringList design {QStringLiteral("房屋代码"), QStringLiteral("业主名称"), QStringLiteral("房屋面积"),
                              QStringLiteral("押金"), QStringLiteral("迁入日期")};
    QTest::newRow("missing section") << QByteArray("[Other]\nFitToWidth=true\n") << design << 90;
    QTest::newRow("binary junk") << QByteArray("\x01\x02[TForm_x\n===\xff\xfe\n", 14) << design << 90;
    QTest::newRow("negative width, unknown field, bad values")
        << QByteArray("[TForm_x]\nColumns\\size=3\nColumns\\1\\Field=nosuch\nColumns\\2\\Field=业主名称\n"
                      "Columns\\2\\Width=-40\nColumns\\2\\Visible=maybe\nColumns\\2\\FooterType=Bogus\n"
                      "Columns\\3\\Field=押金\nColumns\\3\\Visible=false\nColumns\\3\\Width=abc\n")
        << QStringList {QStringLiteral("业主名称"), QStringLiteral("押金-"), QStringLiteral("房屋代码"),
                        QStringLiteral("房屋面积"), QStringLiteral("迁入日期")}
        << 90;
    QTest::newRow("huge size, repeated field")
        << QByteArray("[TForm_x]\nColumns\\size=99999999\nColumns\\1\\Field=业主名称\nColumns\\1\\Width=55\n"
                      "Columns\\2\\Field=业主名称\nColumns\\2\\Width=66\n")
        << QStringList {QStringLiteral("业主名称"), QStringLiteral("房屋代码"), QStringLiteral("房屋面积"),
                        QStringLiteral("押金"), QStringLiteral("迁入日期")}
        << 55;
    QTest::newRow("everything hidden") << QByteArray(
        "[TForm_x]\nColumns\\size=1\nColumns\\1\\Field=业主名称\nColumns\\1\\Visible=false\n")
                                       << QStringList {QStringLiteral("业主名称"), QStringLiteral("房屋代码"),
                                                       QStringLiteral("房屋面积"), QStringLiteral("押金"),
                                                       QStringLiteral("迁入日期")}
                                       << 90;
}

void TestDBGridEh::layoutSurvivesGarbage()
{
    QFETCH(QByteArray, ini);
    QFETCH(QStringList, order);
    QFETCH(int, ownerWidth);
    const QString path = home->path() + QStringLiteral("/x.ini");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(ini);
    f.close();
    // Only the owner is visible by design, so that "everything hidden" has something to refuse.
    QList<GridColumn> cols = houseColumns();
    if (QByteArray(QTest::currentDataTag()) == "everything hidden") {
        for (int i = 0; i < cols.size(); ++i) {
            cols[i].visible = i == 1;
        }
        grid->setColumns(cols);
        order = QStringList {QStringLiteral("业主名称"), QStringLiteral("房屋代码-"), QStringLiteral("房屋面积-"),
                             QStringLiteral("押金-"), QStringLiteral("迁入日期-")};
    }
    QSettings s(path, QSettings::IniFormat);
    grid->loadLayout(s, QStringLiteral("TForm_x"));
    QStringList got;
    for (const GridColumn &c : grid->columns()) {
        got << c.field + (c.visible ? QString() : QStringLiteral("-"));
    }
    QCOMPARE(got, order);
    QCOMPARE(grid->columns().at(grid->gridModel()->columnOfField(QStringLiteral("业主名称"))).width, ownerWidth);
    QVERIFY(!grid->fitToWidth());
    QVERIFY(grid->visibleColumnCount() > 0);
}

// The layout file is written whole beside itself and renamed into place: a link there is
// replaced by the file, and whatever it pointed to is left alone. Other windows' sections in a
// file of our own are kept.
void TestDBGridEh::layoutFileIsReplacedNotWrittenThrough()
{
    const QString secret = home->path() + QStringLiteral("/secret.txt");
    const QString link = home->path() + QStringLiteral("/houseinfo.ini");
    {
        QFile f(secret);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("keep me\n");
    }
    QVERIFY(QFile::link(secret, link));
    grid->setColumnWidth(1, 123);
    QVERIFY(grid->saveLayoutFile(link, QStringLiteral("TForm_houseinfo")));
    QVERIFY(!QFileInfo(link).isSymLink());
    QFile kept(secret);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("keep me\n"));
    {
        QSettings other(link, QSettings::IniFormat);
        other.setValue(QStringLiteral("TForm_other/FitToWidth"), true);
    }
    QVERIFY(grid->saveLayoutFile(link, QStringLiteral("TForm_houseinfo")));
    DBGridEh again;
    again.setColumns(houseColumns());
    QSettings s(link, QSettings::IniFormat);
    again.loadLayout(s, QStringLiteral("TForm_houseinfo"));
    QCOMPARE(again.columns().at(1).width, 123);
    QVERIFY(s.value(QStringLiteral("TForm_other/FitToWidth")).toBool());
}

// A title from a layout file with thousands of levels keeps its first levels and its own
// caption, so the header leaves room for the rows.
void TestDBGridEh::layoutTitleLevelsAreCapped()
{
    const QString path = home->path() + QStringLiteral("/x.ini");
    {
        QSettings s(path, QSettings::IniFormat);
        s.setValue(QStringLiteral("TForm_x/Columns/size"), 1);
        s.setValue(QStringLiteral("TForm_x/Columns/1/Field"), QStringLiteral("业主名称"));
        s.setValue(QStringLiteral("TForm_x/Columns/1/Title"),
                   QString(QStringLiteral("层|").repeated(5000) + QStringLiteral("业主")));
    }
    QSettings s(path, QSettings::IniFormat);
    grid->loadLayout(s, QStringLiteral("TForm_x"));
    const QString title = grid->columns().at(0).title;
    QCOMPARE(GridText::levels(title).size(), GridText::MaxLevels);
    QVERIFY(title.endsWith(QStringLiteral("|业主")));
    grid->resize(600, 400);
    grid->show();
    QVERIFY(QTest::qWaitForWindowExposed(grid.get()));
    QVERIFY(grid->horizontalHeader()->height() < grid->height() / 2);
}

void TestDBGridEh::titleSpans_data()
{
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QStringList>("cells"); // "text:first-last@top-bottom", own boxes marked "*"
    QTest::newRow("flat") << QStringList {QStringLiteral("a"), QStringLiteral("b")}
                          << QStringList {QStringLiteral("a:0-0@0-1*"), QStringLiteral("b:1-1@0-1*")};
    QTest::newRow("shared upper") << QStringList {QStringLiteral("房屋|代码"), QStringLiteral("房屋|名称"),
                                                  QStringLiteral("业主")}
                                  << QStringList {QStringLiteral("房屋:0-1@0-1"), QStringLiteral("业主:2-2@0-2*"),
                                                  QStringLiteral("代码:0-0@1-2*"), QStringLiteral("名称:1-1@1-2*")};
    QTest::newRow("not adjacent") << QStringList {QStringLiteral("A|x"), QStringLiteral("b"), QStringLiteral("A|y")}
                                  << QStringList {QStringLiteral("A:0-0@0-1"), QStringLiteral("b:1-1@0-2*"),
                                                  QStringLiteral("A:2-2@0-1"), QStringLiteral("x:0-0@1-2*"),
                                                  QStringLiteral("y:2-2@1-2*")};
    QTest::newRow("three levels, differing parents")
        << QStringList {QStringLiteral("A|B|x"), QStringLiteral("A|B|y"), QStringLiteral("A|C|z"),
                        QStringLiteral("D|C|w")}
        << QStringList {QStringLiteral("A:0-2@0-1"),  QStringLiteral("D:3-3@0-1"),  QStringLiteral("B:0-1@1-2"),
                        QStringLiteral("C:2-2@1-2"),  QStringLiteral("C:3-3@1-2"),  QStringLiteral("x:0-0@2-3*"),
                        QStringLiteral("y:1-1@2-3*"), QStringLiteral("z:2-2@2-3*"), QStringLiteral("w:3-3@2-3*")};
    QTest::newRow("same title twice stays two boxes")
        << QStringList {QStringLiteral("A|x"), QStringLiteral("A|x")}
        << QStringList {QStringLiteral("A:0-1@0-1"), QStringLiteral("x:0-0@1-2*"), QStringLiteral("x:1-1@1-2*")};
}

void TestDBGridEh::titleSpans()
{
    QFETCH(QStringList, titles);
    QFETCH(QStringList, cells);
    QStringList got;
    for (const auto &c : GridText::titleCells(titles)) {
        got << QStringLiteral("%1:%2-%3@%4-%5%6")
                   .arg(c.text)
                   .arg(c.first)
                   .arg(c.last)
                   .arg(c.topLevel)
                   .arg(c.bottomLevel)
                   .arg(c.own ? QStringLiteral("*") : QString());
    }
    QCOMPARE(got, cells);
}

void TestDBGridEh::headerGrowsWithLevels()
{
    grid->show();
    QVERIFY(QTest::qWaitForWindowExposed(grid.get()));
    const int three = grid->horizontalHeader()->height();
    grid->hideRightmostColumn();
    grid->hideRightmostColumn();
    grid->hideRightmostColumn(); // the three-level title goes
    QTRY_VERIFY(grid->horizontalHeader()->height() < three);
    const int two = grid->horizontalHeader()->height();
    QCOMPARE(three * 2, two * 3);
    // The footer sits right under the rows, inside the grid.
    auto *footer = grid->findChild<QWidget *>(QStringLiteral("footer"));
    QVERIFY(footer && footer->isVisible());
    QCOMPARE(footer->geometry().top(), grid->viewport()->geometry().bottom() + 1);
}

void TestDBGridEh::exportTable()
{
    addHouse(QStringLiteral("I1"), QStringLiteral("甲"), 12345, 2.5);
    addHouse(QStringLiteral("I2"), QStringLiteral("乙"), 10000, 1);
    QVERIFY(ds->open());
    grid->hideRightmostColumn();
    const ExportTable t = grid->exportTable();
    QCOMPARE(t.titles,
             (QStringList {QStringLiteral("房屋|代码"), QStringLiteral("业主名称"), QStringLiteral("房屋|面积|建筑"),
                           QStringLiteral("押金")}));
    QCOMPARE(t.kinds.at(3), FieldKind::Money);
    QCOMPARE(t.alignments.at(3), Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    QCOMPARE(t.rowCount, 2);
    QCOMPARE(t.value(0, 3).toLongLong(), 12345);
    QCOMPARE(t.text(0, 3), QStringLiteral("1.2345"));
    QCOMPARE(t.text(1, 0), QStringLiteral("I2"));
    QCOMPARE(
        t.footer,
        (QStringList {QStringLiteral("记录数"), QStringLiteral("2"), QStringLiteral("3.5"), QStringLiteral("2.2345")}));
}

void TestDBGridEh::fitToWidth()
{
    grid->show();
    QVERIFY(QTest::qWaitForWindowExposed(grid.get()));
    grid->setFitToWidth(true);
    int total = 0;
    for (int i = 0; i < 5; ++i) {
        total += grid->columnWidth(i);
    }
    QCOMPARE(total, grid->viewport()->width());
    QVERIFY(grid->columnWidth(1) > grid->columnWidth(0)); // in proportion to their own widths
    grid->resize(900, 300);
    QTRY_COMPARE(grid->columnWidth(0) + grid->columnWidth(1) + grid->columnWidth(2) + grid->columnWidth(3)
                     + grid->columnWidth(4),
                 grid->viewport()->width());
    grid->setFitToWidth(false);
    QCOMPARE(grid->columnWidth(0), 80);
    QCOMPARE(grid->columnWidth(4), 90);
    QCOMPARE(grid->columns().at(1).width, 90);
}

void TestDBGridEh::toolTipsForCutOffCells()
{
    const QString longName = QStringLiteral("一个很长很长很长很长很长很长的业主名称");
    addHouse(QStringLiteral("T1"), longName, 0, 1);
    addHouse(QStringLiteral("T2"), QStringLiteral("甲"), 0, 1);
    QVERIFY(ds->open());
    grid->show();
    QVERIFY(QTest::qWaitForWindowExposed(grid.get()));
    auto helpAt = [this](int row) {
        const QPoint pos = grid->visualRect(grid->model()->index(row, 1)).center();
        QHelpEvent help(QEvent::ToolTip, pos, grid->viewport()->mapToGlobal(pos));
        QApplication::sendEvent(grid->viewport(), &help);
    };
    helpAt(0);
    QVERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), longName);
    helpAt(1); // fits: no tip
    QTRY_VERIFY(!QToolTip::isVisible());
}

void TestDBGridEh::printsPdf()
{
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty()) {
        QSKIP("pdftotext (poppler-utils) is not installed");
    }
    for (int i = 0; i < 120; ++i) {
        addHouse(QStringLiteral("P%1").arg(i, 3, 10, QLatin1Char('0')),
                 QStringLiteral("业主名称很长很长很长很长很长很长很长%1").arg(i), 10000, 1);
    }
    QVERIFY(ds->open());
    grid->setDichromatic(true);
    const QString pdf = home->path() + QStringLiteral("/list.pdf");
    const PrintOptions options {QStringLiteral("房屋资料明细表打印清单"),
                                QStringLiteral("打印时间:2004-08-15 10:00:00"), QStringLiteral("制表:管理员 .")};
    QVERIFY(grid->printToPdf(pdf, options));
    QProcess p;
    p.start(pdftotext, {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    QVERIFY(p.waitForFinished(30000));
    const QString text = QString::fromUtf8(p.readAllStandardOutput());
    QVERIFY2(text.contains(options.title), qPrintable(text.left(400)));
    QVERIFY(text.contains(QStringLiteral("第1页")));
    QVERIFY(text.contains(QStringLiteral("第2页"))); // 120 rows do not fit on one page
    QVERIFY(text.contains(QStringLiteral("建筑")));
    QVERIFY(text.contains(QStringLiteral("记录数")));
    QVERIFY(text.contains(QStringLiteral("120")));
    QVERIFY(text.contains(QStringLiteral("P119")));
    QVERIFY(text.contains(QStringLiteral("制表:管理员 .")));
    QVERIFY(text.contains(QStringLiteral("打印时间:2004-08-15")));
}

QTEST_MAIN(TestDBGridEh)
#include "tst_dbgrideh.moc"
