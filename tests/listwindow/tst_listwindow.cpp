#include "listwindow/listwindow.h"
#include "scriptedprompt.h"
#include "data/dm1.h"
#include "temphome.h"
#include "typing.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

namespace {
// A register of houses with a search bar and a reset button, as the house-based windows have.
ListWindowDesign houseDesign()
{
    using C = GridColumn;
    using F = GridColumn::Footer;
    ListWindowDesign s;
    s.className = QStringLiteral("TForm_housetest");
    s.caption = QStringLiteral("房屋");
    s.titleBand = QStringLiteral("房屋");
    s.layoutFile = QStringLiteral("housetest.ini");
    s.resetButton = QStringLiteral("bitbtn_reset");
    s.hideFloor = 2;
    s.buttons = 0;
    s.columns = {
        C::of(QStringLiteral("房屋代码"), QStringLiteral("房屋代码"), 90)
            .sortButton()
            .withFooter(F::Text, QStringLiteral("记录数")),
        C::of(QStringLiteral("业主名称"), QStringLiteral("业主名称"), 90).sortButton().withFooter(F::Count),
        C::of(QStringLiteral("楼宇名称"), QStringLiteral("楼宇名称"), 90),
        C::of(QStringLiteral("零头"), QStringLiteral("余额|零头"), 90).alignRight().withFooter(F::Sum),
        C::of(QStringLiteral("押金"), QStringLiteral("余额|押金"), 90).alignRight().withFooter(F::Sum),
    };
    s.search = {{QStringLiteral("Edit1"), QStringLiteral("房屋代码："), QStringLiteral("房屋代码")},
                {QStringLiteral("Edit3"), QStringLiteral("业主名称："), QStringLiteral("业主名称")},
                {QStringLiteral("DBComboBoxEh3"), QStringLiteral("楼宇名称："), QStringLiteral("楼宇名称"), true}};
    s.searchSelect = QStringLiteral("select * from 房屋资料 ");
    s.searchOrdering = QStringLiteral("order by 房屋代码");
    return s;
}
}

class TestListWindow : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<TempHome> home;
    ScriptedPrompt *prompt = nullptr;
    std::unique_ptr<DataSet> houses;
    std::unique_ptr<ListWindow> window;

    void openWindow()
    {
        window.reset();
        houses = std::make_unique<DataSet>(QString(), QStringLiteral("房屋资料"));
        houses->addLine(QStringLiteral("select * from 房屋资料"));
        houses->addLine(QStringLiteral("order by 房屋代码"));
        QVERIFY(houses->open());
        window = std::make_unique<ListWindow>(houses.get(), houseDesign());
        Preparation prepared(window.get(), home->dm()); // opens nothing: the rows are opened above
        QVERIFY(prepared.run());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    QStringList codes() const
    {
        QStringList out;
        for (int r = 0; r < houses->recordCount(); ++r) {
            out << houses->value(r, houses->fieldIndex(QStringLiteral("房屋代码"))).toString();
        }
        return out;
    }

    void search(const QString &code, const QString &owner, const QString &building = {})
    {
        window->findChild<QLineEdit *>(QStringLiteral("Edit1"))->setText(code);
        window->findChild<QLineEdit *>(QStringLiteral("Edit3"))->setText(owner);
        window->findChild<QComboBox *>(QStringLiteral("DBComboBoxEh3"))->setCurrentText(building);
        QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("bitbtn_find")), Qt::LeftButton);
    }

private slots:
    void init()
    {
        home = std::make_unique<TempHome>();
        prompt = ScriptedPrompt::install();
        const QList<QStringList> rows = {
            {"1-101", "O'Neil", "一号楼", "12500"}, {"1-102", "张三", "一号楼", "-2500"},
            {"2-101", "李四 100%", "二号楼", "1"},  {"2-1_2", "王五", "二号楼", "0"},
            {"2-112", "赵六", "二号楼", "0"},
        };
        for (const QStringList &r : rows) {
            QVERIFY(home->dm()->exec(
                QStringLiteral(
                    "insert into 房屋资料 (房屋代码, 业主名称, 楼宇名称, 零头, 押金) values (?, ?, ?, ?, 0)"),
                {r[0], r[1], r[2], r[3].toLongLong()}));
        }
    }
    void cleanup()
    {
        window.reset();
        houses.reset();
        home.reset();
    }

    void searchFindsWhatWasTyped_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("owner");
        QTest::addColumn<QString>("building");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("nothing typed: all") << ""
                                            << ""
                                            << "" << QStringList {"1-101", "1-102", "2-101", "2-112", "2-1_2"};
        QTest::newRow("part of a code") << "10"
                                        << ""
                                        << "" << QStringList {"1-101", "1-102", "2-101"};
        QTest::newRow("blanks trimmed") << "  1-10  "
                                        << ""
                                        << "" << QStringList {"1-101", "1-102"};
        QTest::newRow("apostrophe") << ""
                                    << "'"
                                    << "" << QStringList {"1-101"};
        QTest::newRow("percent is a character") << ""
                                                << "%"
                                                << "" << QStringList {"2-101"};
        QTest::newRow("underscore is a character") << "_"
                                                   << ""
                                                   << "" << QStringList {"2-1_2"};
        QTest::newRow("two boxes and") << "2-1"
                                       << "王"
                                       << "" << QStringList {"2-1_2"};
        QTest::newRow("building equality") << ""
                                           << ""
                                           << "一号楼" << QStringList {"1-101", "1-102"};
        QTest::newRow("building is not a pattern") << ""
                                                   << ""
                                                   << "号楼" << QStringList {};
    }
    void searchFindsWhatWasTyped()
    {
        QFETCH(QString, code);
        QFETCH(QString, owner);
        QFETCH(QString, building);
        QFETCH(QStringList, found);
        openWindow();
        search(code, owner, building);
        QCOMPARE(codes(), found);
        QCOMPARE(houses->orderingLine(), QStringLiteral("order by 房屋代码"));
        if (found.isEmpty()) {
            QCOMPARE(prompt->shown.size(), 1);
            QCOMPARE(prompt->shown[0].text, QStringLiteral("没有找到合适的记录！"));
            QCOMPARE(prompt->shown[0].caption, QStringLiteral("提示"));
            QCOMPARE(prompt->shown[0].icon, Prompt::Icon::Information);
        } else {
            QVERIFY(prompt->shown.isEmpty());
        }
    }

    // Sorting after a search keeps the search: only the ordering line changes.
    // A list window prepares itself from its design, and a window's own preparation reaches
    // the search bar's building box by its name.
    void preparesItsQueryAndSearchBox()
    {
        QVERIFY(home->dm()->exec(QStringLiteral("insert into 楼宇资料 (楼宇名称) values ('二号楼'), ('一号楼')")));
        ListWindowDesign design = houseDesign();
        design.query = {QStringLiteral("select * from 房屋资料 where 楼宇名称='一号楼'"),
                        QStringLiteral("order by 房屋代码")};
        DataSet ds;
        ListWindow w(&ds, design);
        QVERIFY(w.searchCombo(QStringLiteral("DBComboBoxEh3")));
        QVERIFY(!w.searchCombo(QStringLiteral("Edit1")));
        QVERIFY(!w.searchCombo(QStringLiteral("DBComboBoxEh9")));
        {
            Preparation p(&w);
            QVERIFY(p.run());
            p.fill(w.searchCombo(QStringLiteral("DBComboBoxEh3")), Preparation::Items::Buildings);
            QVERIFY(p.ok());
            QCOMPARE(ds.recordCount(), 2);
            QComboBox *box = w.searchCombo(QStringLiteral("DBComboBoxEh3"));
            QCOMPARE(box->count(), 2);
            // In pinyin order: 二 (èr) before 一 (yī).
            QCOMPARE(box->itemText(0), QStringLiteral("二号楼"));
            QCOMPARE(box->itemText(1), QStringLiteral("一号楼"));
            // Filled, the box still searches every building until one is chosen.
            QCOMPARE(box->currentText(), QString());
        }
        QVERIFY(!ds.isOpen());
        QVERIFY(prompt->shown.isEmpty());
    }

    void sortAfterSearchKeepsTheConditions()
    {
        openWindow();
        search(QString(), QString(), QStringLiteral("二号楼"));
        window->grid()->clickTitle(1, false);
        window->grid()->clickTitle(1, false);
        QCOMPARE(houses->orderingLine(), QStringLiteral(" ORDER BY 业主名称 COLLATE pinyin DESC "));
        QCOMPARE(codes().size(), 3);
        QCOMPARE(window->grid()->footerText(QStringLiteral("零头")), QStringLiteral("0.0001"));
    }

    void footersSumMoneyExactly()
    {
        openWindow();
        QCOMPARE(window->grid()->footerText(QStringLiteral("业主名称")), QStringLiteral("5"));
        QCOMPARE(window->grid()->footerText(QStringLiteral("零头")), QStringLiteral("1.0001"));
    }

    void hiddenColumnsAndTheirList()
    {
        openWindow();
        auto *show = window->findChild<QToolButton *>(QStringLiteral("ToolButton1"));
        auto *hide = window->findChild<QToolButton *>(QStringLiteral("ToolButton2"));
        QVERIFY(!show->isEnabled());
        QTest::mouseClick(hide, Qt::LeftButton);
        QTest::mouseClick(hide, Qt::LeftButton);
        QCOMPARE(window->grid()->visibleColumnCount(), 3);
        QCOMPARE(show->menu()->actions().size(), 2);
        QCOMPARE(show->menu()->actions()[0]->text(), QStringLiteral("余额\t零头"));
        QCOMPARE(show->menu()->actions()[1]->text(), QStringLiteral("余额\t押金"));
        // Choosing an entry shows that column after the visible ones.
        show->menu()->actions()[1]->trigger();
        QCOMPARE(window->grid()->columns().value(3).field, QStringLiteral("押金"));
        QVERIFY(window->grid()->columns().value(3).visible);
        QVERIFY(show->isEnabled());
        QTest::mouseClick(show, Qt::LeftButton);
        QCOMPARE(window->grid()->visibleColumnCount(), 5);
        QVERIFY(!show->isEnabled());
        // The floor of two holds.
        for (int i = 0; i < 6; ++i) {
            QTest::mouseClick(hide, Qt::LeftButton);
        }
        QCOMPARE(window->grid()->visibleColumnCount(), 2);
    }

    void resetDeletesTheLayoutAtClose()
    {
        const QString ini = home->path() + QStringLiteral("/housetest.ini");
        openWindow();
        QTest::mouseClick(window->findChild<QToolButton *>(QStringLiteral("ToolButton2")), Qt::LeftButton);
        window->close();
        QVERIFY(QFile::exists(ini));
        openWindow();
        QCOMPARE(window->grid()->visibleColumnCount(), 4);
        QTest::mouseClick(window->findChild<QToolButton *>(QStringLiteral("bitbtn_reset")), Qt::LeftButton);
        QCOMPARE(prompt->lastText(), QStringLiteral("界面初始化完毕！"));
        QCOMPARE(prompt->shown.last().icon, Prompt::Icon::Warning);
        window->close();
        QVERIFY(!QFile::exists(ini));
        openWindow();
        QCOMPARE(window->grid()->visibleColumnCount(), 5);
    }

    void garbageLayoutGivesTheDesignLayout()
    {
        QFile f(home->path() + QStringLiteral("/housetest.ini"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[TForm_housetest]\n\x01\x02garbage=\xff\nColumns\\1\\Width=-40\nColumns\\1\\Field=nonsense\n");
        f.close();
        openWindow();
        QCOMPARE(window->grid()->visibleColumnCount(), 5);
        QVERIFY(prompt->shown.isEmpty());
    }
};

QTEST_MAIN(TestListWindow)
#include "tst_listwindow.moc"
