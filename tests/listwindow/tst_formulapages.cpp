#include "components/dbctrls/dbcontrol.h"
#include "listwindow/formulapages.h"
#include "data/formulas.h"
#include "data/dm1.h"
#include "scriptedprompt.h"
#include "temphome.h"
#include "typing.h"

#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QTest>

// The formula pages over the two kinds of rows they serve: a house's fee items and a month's
// bill lines.
class TestFormulaPages : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<TempHome> home;
    std::unique_ptr<DataSet> rows;
    std::unique_ptr<FormulaPages> pages;

    // Rows of the table, one per formula and one with a formula outside the five.
    void open(bool billLines)
    {
        const QString table = billLines ? QStringLiteral("收费明细表") : QStringLiteral("房屋收费项目");
        QStringList formulas = Formula::all();
        formulas << QStringLiteral("单价*面积 ");
        int n = 0;
        for (const QString &f : formulas) {
            QVERIFY(home->dm()->exec(
                QStringLiteral("insert into %1 (房屋代码, 收费名称, 计算公式, 单价) values ('1-101', ?, ?, ?)")
                    .arg(table),
                {QStringLiteral("费%1").arg(++n), f, 25000}));
        }
        rows = std::make_unique<DataSet>();
        QVERIFY(rows->openOn({QStringLiteral("select * from %1").arg(table), QStringLiteral("order by id")}));
        pages = std::make_unique<FormulaPages>(billLines ? FormulaPagesDesign::billLines()
                                                         : FormulaPagesDesign::houseItems());
        pages->setDataSet(rows.get());
        pages->show();
        pages->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(pages.get()));
    }

private slots:
    void init() { home = std::make_unique<TempHome>(); }
    void cleanup()
    {
        pages.reset();
        rows.reset();
        home.reset();
    }

    void designs_data()
    {
        QTest::addColumn<bool>("billLines");
        QTest::newRow("house fee items") << false;
        QTest::newRow("bill lines") << true;
    }

    // The page follows the row; an unknown formula leaves it; a page picked by hand snaps back.
    void followsTheRow_data() { designs_data(); }
    void followsTheRow()
    {
        QFETCH(bool, billLines);
        open(billLines);
        QCOMPARE(pages->count(), 5);
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(pages->tabText(i), Formula::all()[i]);
            QCOMPARE(pages->widget(i)->objectName(), QStringLiteral("TabSheet%1").arg(i + 1));
        }
        for (int r : {3, 0, 4, 1, 2}) {
            rows->moveTo(r);
            QCOMPARE(pages->currentFormula(), Formula::all()[r]);
            auto *name = pages->currentWidget()->findChild<QLineEdit *>(pages->currentWidget()->objectName()
                                                                        + QStringLiteral("_name"));
            QCOMPARE(name->text(), QStringLiteral("费%1").arg(r + 1));
        }
        // 直接输入金额 in front; a formula with a trailing blank is none of the five.
        rows->moveTo(5);
        QCOMPARE(pages->currentFormula(), Formula::Direct);
        rows->moveTo(1);
        pages->tabBar()->setCurrentIndex(3);
        QCOMPARE(pages->currentFormula(), Formula::ByMeter);
        // Without rows the pages are disabled and nothing snaps back.
        rows->close();
        QVERIFY(!pages->isEnabled());
        pages->setCurrentIndex(4);
        QCOMPARE(pages->currentFormula(), Formula::ByRatio);
    }

    // What each page shows: captions, the fields its editors are bound to, the amount on sky blue.
    void pagesShowTheirFields_data()
    {
        QTest::addColumn<bool>("billLines");
        QTest::addColumn<QString>("formula");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<int>("unbound");
        const QStringList area = {"单价：", "元/平方米     面积：", "平方米    金额：", "元"};
        const QStringList meter = {"单价：", "元/单位  (本月表数：", "-上月表数：", ") = 金额：", "元"};
        const QStringList direct = {"金额：", "= 应缴费用：", "元"};
        const QStringList quantity = {"单价：", "元/单位     数量：", "= 应缴费用：", "元"};
        const QStringList ratio = {"比例：", "金额：", "应缴费用：", "元"};
        QTest::newRow("item area") << false << Formula::ByArea << area << QStringList {"单价", "预付金额", "金额"} << 0;
        QTest::newRow("item meter") << false << Formula::ByMeter << meter << QStringList {"单价", "金额"} << 2;
        QTest::newRow("item direct") << false << Formula::Direct << direct << QStringList {"单价", "金额"} << 0;
        QTest::newRow("item quantity") << false << Formula::ByQuantity << quantity
                                       << QStringList {"单价", "预付金额", "金额"} << 0;
        QTest::newRow("item ratio") << false << Formula::ByRatio << ratio << QStringList {"单价", "预付金额", "金额"}
                                    << 0;
        QTest::newRow("bill area") << true << Formula::ByArea << area << QStringList {"单价", "面积/数量", "收费金额"}
                                   << 0;
        QTest::newRow("bill meter") << true << Formula::ByMeter << meter
                                    << QStringList {"单价", "本月表数", "上月表数", "收费金额"} << 0;
        QTest::newRow("bill direct") << true << Formula::Direct << direct << QStringList {"单价", "收费金额"} << 0;
        QTest::newRow("bill ratio") << true << Formula::ByRatio << ratio
                                    << QStringList {"单价", "面积/数量", "收费金额"} << 0;
    }
    void pagesShowTheirFields()
    {
        QFETCH(bool, billLines);
        QFETCH(QString, formula);
        QFETCH(QStringList, captions);
        QFETCH(QStringList, fields);
        QFETCH(int, unbound);
        open(billLines);
        QWidget *page = pages->widget(int(Formula::all().indexOf(formula)));
        QStringList shown;
        QList<QWidget *> buddies;
        for (QLabel *l : page->findChildren<QLabel *>()) {
            if (l->text() != QStringLiteral("收费名称：")) {
                shown << l->text();
            }
            buddies << l->buddy();
        }
        QCOMPARE(shown, captions);
        QStringList bound;
        int disabled = 0;
        for (QLineEdit *e : page->findChildren<QLineEdit *>()) {
            if (DBControl *c = DBControl::of(e)) {
                bound << c->field();
                QVERIFY(!e->isReadOnly());
                QVERIFY(!e->accessibleName().isEmpty());
                QVERIFY(buddies.contains(e));
                const bool amount = c->field() == fields.constLast();
                QCOMPARE(e->styleSheet().contains(QStringLiteral("166, 202, 240")), amount);
            } else if (!e->isEnabled()) {
                ++disabled;
            }
        }
        QCOMPARE(bound, fields);
        QCOMPARE(disabled, unbound);
    }

    // Typed values reach the row when the editor is left or the page is committed; a text that
    // is not an amount is refused and names its editor.
    void typedValuesReachTheRow_data() { designs_data(); }
    void typedValuesReachTheRow()
    {
        QFETCH(bool, billLines);
        open(billLines);
        const QString quantity = billLines ? QStringLiteral("面积/数量") : QStringLiteral("预付金额");
        rows->moveTo(3);
        auto *price = qobject_cast<QLineEdit *>(pages->editor(Formula::ByQuantity, QStringLiteral("单价")));
        auto *count = qobject_cast<QLineEdit *>(pages->editor(Formula::ByQuantity, quantity));
        QCOMPARE(price->text(), QStringLiteral("2.5"));
        price->setFocus();
        price->selectAll();
        typeText(price, QStringLiteral("1.15"));
        QVERIFY(pages->isModified());
        count->setFocus();
        QVERIFY(rows->isEditing());
        QCOMPARE(rows->money(QStringLiteral("单价")), Money::fromRaw(11500));
        typeText(count, QStringLiteral("3.3333"));
        QVERIFY(pages->commit());
        QCOMPARE(rows->displayText(rows->currentRow(), rows->fieldIndex(quantity)), QStringLiteral("3.3333"));
        // Moving on writes the row.
        rows->moveTo(0);
        QCOMPARE(home->dm()
                     ->scalar(QStringLiteral("select 单价 from %1 where id=4")
                                  .arg(billLines ? QStringLiteral("收费明细表") : QStringLiteral("房屋收费项目")))
                     .toLongLong(),
                 11500);
        // The other pages' editors of the same field follow.
        rows->moveTo(3);
        QCOMPARE(qobject_cast<QLineEdit *>(pages->editor(Formula::ByArea, QStringLiteral("单价")))->text(),
                 QStringLiteral("1.15"));
        ScriptedPrompt *prompt = ScriptedPrompt::install();
        price->setText(QStringLiteral("1..2"));
        QVERIFY(!pages->commit());
        QCOMPARE(prompt->texts(), QStringList(QStringLiteral("“单价”只能是数字！")));
        QCOMPARE(price->text(), QStringLiteral("1..2"));
    }
};

QTEST_MAIN(TestFormulaPages)
#include "tst_formulapages.moc"
