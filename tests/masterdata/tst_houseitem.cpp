#include "buttonbar.h"
#include "listwindow/formulapages.h"
#include "data/formulas.h"
#include "masterdata/houseitem.h"
#include "scriptedprompt.h"
#include "data/clock.h"
#include "data/dm1.h"
#include "temphome.h"
#include "typing.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

class TestHouseItem : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<TempHome> home;
    ScriptedPrompt *prompt = nullptr;
    std::unique_ptr<Preparation> preparation;
    std::unique_ptr<TForm_houseitem> window;

    Dm1 *dm() const { return home->dm(); }
    DataSet *items() const { return window->details(); }

    void addHouse(const QString &code, const QString &owner)
    {
        QVERIFY(dm()->exec(QStringLiteral("insert into 房屋资料 (房屋代码, 房屋名称, 楼宇名称, 楼宇单元, 业主名称, "
                                          "房屋面积, 公摊面积, 其它面积二) values (?, ?, '一号楼', '二单元', ?, "
                                          "95.41, 35.5, 0.00005)"),
                           {code, QString(QStringLiteral("房") + code), owner}));
    }
    // A fee item: name, formula, area, price, common amount, category, stopped.
    void addFee(const QString &name, const QString &formula, const QString &area = {}, qint64 price = 0,
                qint64 amount = 0, const QString &category = QStringLiteral("业主收费金额不同"),
                const QString &stopped = QStringLiteral("否"))
    {
        QVERIFY(dm()->exec(QStringLiteral("insert into 收费项目 (收费名称, 计算公式, 收费面积, 单价, 金额, 收费类别, "
                                          "停止收费, 收费范围, 收费周期) values (?, ?, ?, ?, ?, ?, ?, '全部用户', "
                                          "'每月收取')"),
                           {name, formula, area, price, amount, category, stopped}));
    }
    // An item already on a house, as the database holds it.
    void addItem(const QString &house, const QString &name, const QString &formula, qint64 price, qint64 quantity)
    {
        QVERIFY(dm()->exec(QStringLiteral("insert into 房屋收费项目 (房屋代码, 收费名称, 计算公式, 单价, 预付金额) "
                                          "values (?, ?, ?, ?, ?)"),
                           {house, name, formula, price, quantity}));
    }
    QVariant stored(const QString &house, const QString &name, const QString &field)
    {
        return dm()->scalar(
            QStringLiteral("select \"%1\" from 房屋收费项目 where 房屋代码=? and 收费名称=?").arg(field),
            {house, name});
    }

    void openWindow()
    {
        preparation.reset();
        window = std::make_unique<TForm_houseitem>();
        preparation = std::make_unique<Preparation>(window.get(), dm());
        QVERIFY(preparation->run());
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }
    void click(const char *name)
    {
        auto *b = window->findChild<QAbstractButton *>(QString::fromLatin1(name));
        QVERIFY2(b, name);
        QTest::mouseClick(b, Qt::LeftButton);
    }
    void selectItem(const QString &name)
    {
        for (int r = 0; r < items()->recordCount(); ++r) {
            items()->moveTo(r);
            if (items()->text(QStringLiteral("收费名称")) == name) {
                return;
            }
        }
        QFAIL("no such item");
    }
    void retype(QWidget *editor, const QString &text)
    {
        auto *edit = qobject_cast<QLineEdit *>(editor);
        QVERIFY(edit);
        edit->setFocus();
        edit->selectAll();
        typeText(edit, text);
    }

private slots:
    void init()
    {
        home = std::make_unique<TempHome>();
        prompt = ScriptedPrompt::install();
        Clock::setFixed(QDateTime(QDate(2004, 8, 15), QTime(9, 30, 0)));
        home->dm()->session().currentOperator = QStringLiteral("张三");
        addHouse(QStringLiteral("1-101"), QStringLiteral("林超"));
        addHouse(QStringLiteral("1-102"), QStringLiteral("王强"));
    }
    void cleanup()
    {
        preparation.reset();
        window.reset();
        home.reset();
        Clock::setFixed({});
    }

    // "新增项目" makes each item from the fee item and a fresh read of the house.
    void addMakesItemsFromFeeAndHouse_data()
    {
        QTest::addColumn<QString>("formula");
        QTest::addColumn<QString>("area");
        QTest::addColumn<QString>("category");
        QTest::addColumn<qint64>("price");
        QTest::addColumn<qint64>("quantity");
        QTest::newRow("area: shared area") << Formula::ByArea << "公摊面积"
                                           << "业主收费金额不同" << qint64(12000) << qint64(355000);
        QTest::newRow("area: empty area") << Formula::ByArea << "其它面积一"
                                          << "业主收费金额不同" << qint64(12000) << qint64(0);
        QTest::newRow("area: tiny area, ties to even") << Formula::ByArea << "其它面积二"
                                                       << "业主收费金额不同" << qint64(12000) << qint64(0);
        QTest::newRow("area: no such field") << Formula::ByArea << "其它面积三"
                                             << "业主收费金额不同" << qint64(12000) << qint64(0);
        QTest::newRow("same amount: common amount") << Formula::Direct << ""
                                                    << "业主收费金额相同" << qint64(300000) << qint64(10000);
        QTest::newRow("direct") << Formula::Direct << ""
                                << "业主收费金额不同" << qint64(12000) << qint64(10000);
        QTest::newRow("meter") << Formula::ByMeter << ""
                               << "业主收费金额不同" << qint64(12000) << qint64(0);
        QTest::newRow("quantity") << Formula::ByQuantity << ""
                                  << "业主收费金额不同" << qint64(12000) << qint64(0);
        QTest::newRow("ratio") << Formula::ByRatio << ""
                               << "业主收费金额不同" << qint64(12000) << qint64(0);
        QTest::newRow("unknown formula") << QStringLiteral("单价*面积 ") << "公摊面积"
                                         << "业主收费金额不同" << qint64(12000) << qint64(0);
    }
    void addMakesItemsFromFeeAndHouse()
    {
        QFETCH(QString, formula);
        QFETCH(QString, area);
        QFETCH(QString, category);
        QFETCH(qint64, price);
        QFETCH(qint64, quantity);
        addFee(QStringLiteral("物业费"), formula, area, 12000, 300000, category);
        QVERIFY(dm()->exec(QStringLiteral("update 房屋资料 set 公摊面积=1 where 房屋代码='1-101'")));
        openWindow();
        // The house changes after the list was read: the item takes its new area and owner.
        QVERIFY(
            dm()->exec(QStringLiteral("update 房屋资料 set 业主名称='林超二', 公摊面积=35.5 where 房屋代码='1-101'")));
        click("bitbtn_add");
        QVERIFY(prompt->shown.isEmpty());
        QCOMPARE(items()->recordCount(), 1);
        QCOMPARE(items()->currentRow(), 0);
        QCOMPARE(items()->money(QStringLiteral("单价")), Money::fromRaw(price));
        QCOMPARE(items()->money(QStringLiteral("预付金额")), Money::fromRaw(quantity));
        QVERIFY(items()->isNull(QStringLiteral("金额")));
        QVERIFY(items()->isNull(QStringLiteral("操作人员")));
        QCOMPARE(items()->text(QStringLiteral("业主名称")), QStringLiteral("林超二"));
        QCOMPARE(items()->text(QStringLiteral("房屋名称")), QStringLiteral("房1-101"));
        QCOMPARE(items()->text(QStringLiteral("楼宇单元")), QStringLiteral("二单元"));
        QCOMPARE(items()->number(QStringLiteral("公摊面积")), 35.5);
        QCOMPARE(items()->text(QStringLiteral("计算公式")), formula);
        QCOMPARE(items()->text(QStringLiteral("收费周期")), QStringLiteral("每月收取"));
    }

    // Pressing "新增项目" again never copies an item twice; a new or stopped fee item counts.
    void addNeverMakesASecondCopy()
    {
        addFee(QStringLiteral("物业费"), Formula::ByArea, QStringLiteral("房屋面积"), 12000);
        addFee(QStringLiteral("水费"), Formula::ByMeter, {}, 34500);
        addFee(QStringLiteral("旧费"), Formula::Direct, {}, 10000, 0, QStringLiteral("业主收费金额不同"),
               QStringLiteral("是"));
        openWindow();
        click("bitbtn_add");
        QCOMPARE(items()->recordCount(), 2);
        click("bitbtn_add");
        QCOMPARE(items()->recordCount(), 2);
        QCOMPARE(prompt->lastText(), QStringLiteral("该房屋的收费项目已经全部添加！"));
        addFee(QStringLiteral("电费"), Formula::ByMeter, {}, 5800);
        QVERIFY(dm()->exec(QStringLiteral("update 收费项目 set 停止收费='是' where 收费名称='水费'")));
        click("bitbtn_add");
        QCOMPARE(dm()->column(QStringLiteral("select 收费名称 from 房屋收费项目 where 房屋代码='1-101' "
                                             "order by 收费名称")),
                 (QStringList {QStringLiteral("水费"), QStringLiteral("物业费"), QStringLiteral("电费")}));
        QCOMPARE(dm()->scalar(QStringLiteral("select count(*) from 房屋收费项目 where 房屋代码='1-102'")).toInt(), 0);
    }

    void addWithoutHousesRefuses()
    {
        addFee(QStringLiteral("物业费"), Formula::Direct, {}, 12000);
        openWindow();
        window->findChild<QLineEdit *>(QStringLiteral("Edit1"))->setText(QStringLiteral("9-"));
        click("SpeedButton1");
        QCOMPARE(prompt->lastText(), QStringLiteral("没有找到合适的记录！"));
        QCOMPARE(prompt->shown.last().icon, Prompt::Icon::Information);
        QVERIFY(!items()->isOpen());
        click("bitbtn_add");
        QCOMPARE(prompt->lastText(), QStringLiteral("没有指定房屋代码!"));
        QCOMPARE(dm()->scalar(QStringLiteral("select count(*) from 房屋收费项目")).toInt(), 0);
        // Nothing to save, compute, delete, print or export.
        prompt->clear();
        for (const char *b : {"SpeedButton2", "SpeedButton3", "bitbtn_delete", "bitbtn_print", "bitbtn_out"}) {
            click(b);
        }
        QVERIFY(prompt->shown.isEmpty());
        QCOMPARE(prompt->printed, 0);
    }

    // "保存": the 预付金额 rule of the formula, then 金额 = 单价 × 预付金额 (ties to even), stamped.
    void saveAppliesTheRules_data()
    {
        QTest::addColumn<QString>("formula");
        QTest::addColumn<QString>("price"); // typed on the page
        QTest::addColumn<qint64>("quantity"); // as stored before
        QTest::addColumn<qint64>("savedQuantity");
        QTest::addColumn<qint64>("amount");
        QTest::newRow("area 1.2 × 35.5") << Formula::ByArea << "1.2" << qint64(355000) << qint64(355000)
                                         << qint64(426000);
        QTest::newRow("direct forces 1") << Formula::Direct << "30" << qint64(70000) << qint64(10000) << qint64(300000);
        QTest::newRow("meter saves 0 and 0") << Formula::ByMeter << "3.45" << qint64(120000) << qint64(0) << qint64(0);
        QTest::newRow("quantity, half to even") << Formula::ByQuantity << "2.5" << qint64(1) << qint64(1) << qint64(2);
        QTest::newRow("ratio") << Formula::ByRatio << "1.15" << qint64(33333) << qint64(33333) << qint64(38333);
        QTest::newRow("unknown formula keeps")
            << QStringLiteral("直接输入") << "2" << qint64(30000) << qint64(30000) << qint64(60000);
    }
    void saveAppliesTheRules()
    {
        QFETCH(QString, formula);
        QFETCH(QString, price);
        QFETCH(qint64, quantity);
        QFETCH(qint64, savedQuantity);
        QFETCH(qint64, amount);
        addItem(QStringLiteral("1-101"), QStringLiteral("物业费"), formula, 10000, quantity);
        openWindow();
        const QString pageFormula = Formula::all().contains(formula) ? formula : window->pages()->currentFormula();
        retype(window->pages()->editor(pageFormula, QStringLiteral("单价")), price);
        // A value typed as the amount is replaced by the rule.
        retype(window->pages()->editor(pageFormula, QStringLiteral("金额")), QStringLiteral("999"));
        click("SpeedButton3");
        QCOMPARE(prompt->lastText(), QStringLiteral("存盘完毕！"));
        QCOMPARE(prompt->shown.last().icon, Prompt::Icon::Warning);
        QVERIFY(!items()->isEditing());
        const QString h = QStringLiteral("1-101"), n = QStringLiteral("物业费");
        QCOMPARE(stored(h, n, QStringLiteral("预付金额")).toLongLong(), savedQuantity);
        QCOMPARE(stored(h, n, QStringLiteral("金额")).toLongLong(), amount);
        QCOMPARE(stored(h, n, QStringLiteral("操作人员")).toString(), QStringLiteral("张三"));
        QCOMPARE(stored(h, n, QStringLiteral("操作日期")).toString(), QStringLiteral("2004-08-15 09:30:00"));
        QCOMPARE(qobject_cast<QLineEdit *>(window->pages()->editor(pageFormula, QStringLiteral("金额")))->text(),
                 Money::fromRaw(amount).toString());
    }

    // "计算": every item of the house, 预付金额 as it is, no stamp; all or nothing.
    void computeTakesQuantitiesAsTheyAre()
    {
        addItem(QStringLiteral("1-101"), QStringLiteral("卫生费"), Formula::Direct, 150000, 10000);
        addItem(QStringLiteral("1-101"), QStringLiteral("车位费"), Formula::ByQuantity, 1200000, 0);
        addItem(QStringLiteral("1-101"), QStringLiteral("水费"), Formula::ByMeter, 34500, 50000);
        addItem(QStringLiteral("1-102"), QStringLiteral("卫生费"), Formula::Direct, 150000, 10000);
        openWindow();
        selectItem(QStringLiteral("卫生费"));
        retype(window->pages()->editor(Formula::Direct, QStringLiteral("单价")), QStringLiteral("15.5"));
        click("SpeedButton2");
        QCOMPARE(prompt->lastText(), QStringLiteral("计算完毕！"));
        QCOMPARE(items()->currentRow(), 0);
        const QString h = QStringLiteral("1-101");
        // The page's price was taken.
        QCOMPARE(stored(h, QStringLiteral("卫生费"), QStringLiteral("金额")).toLongLong(), 155000);
        QCOMPARE(stored(h, QStringLiteral("车位费"), QStringLiteral("金额")).toLongLong(), 0);
        QCOMPARE(stored(h, QStringLiteral("水费"), QStringLiteral("金额")).toLongLong(), 172500);
        QVERIFY(stored(h, QStringLiteral("水费"), QStringLiteral("操作人员")).isNull());
        QVERIFY(stored(QStringLiteral("1-102"), QStringLiteral("卫生费"), QStringLiteral("金额")).isNull());
        // A 预付金额 edited to 2 on a direct item doubles its price.
        selectItem(QStringLiteral("卫生费"));
        items()->edit();
        items()->setMoney(QStringLiteral("预付金额"), Money::fromUnits(2));
        QVERIFY(items()->post());
        click("SpeedButton2");
        QCOMPARE(stored(h, QStringLiteral("卫生费"), QStringLiteral("金额")).toLongLong(), 310000);

        // A refused row undoes the whole computation.
        QVERIFY(dm()->exec(QStringLiteral("create trigger refuse before update of 金额 on 房屋收费项目 "
                                          "when new.收费名称='水费' begin select raise(abort, '拒绝修改'); end")));
        QVERIFY(dm()->exec(QStringLiteral("update 房屋收费项目 set 单价=1 where 房屋代码='1-101'")));
        window->refreshDetail();
        prompt->clear();
        click("SpeedButton2");
        QVERIFY(prompt->lastText().contains(QStringLiteral("拒绝修改")));
        QCOMPARE(stored(h, QStringLiteral("卫生费"), QStringLiteral("金额")).toLongLong(), 310000);
        QCOMPARE(
            items()->money(QStringLiteral("金额")),
            Money::fromRaw(stored(h, items()->text(QStringLiteral("收费名称")), QStringLiteral("金额")).toLongLong()));
    }

    // An item whose stored price or multiplier is no amount (a damaged row) is named, and
    // neither "计算" nor "保存" writes anything.
    void damagedAmountsAreRefused_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("message");
        QTest::newRow("price") << "单价"
                               << "“卫生费”的单价有误，不能计算应缴费用！";
        QTest::newRow("multiplier") << "预付金额"
                                    << "“卫生费”的面积/数量/金额有误，不能计算应缴费用！";
    }
    void damagedAmountsAreRefused()
    {
        QFETCH(QString, field);
        QFETCH(QString, message);
        addItem(QStringLiteral("1-101"), QStringLiteral("水费"), Formula::ByQuantity, 34500, 20000);
        addItem(QStringLiteral("1-101"), QStringLiteral("卫生费"), Formula::ByQuantity, 150000, 10000);
        QVERIFY(dm()->exec(QStringLiteral("update 房屋收费项目 set \"%1\"='坏' where 收费名称='卫生费'").arg(field)));
        openWindow();
        selectItem(QStringLiteral("水费"));
        click("SpeedButton2");
        QCOMPARE(prompt->texts(), QStringList {message});
        const QString h = QStringLiteral("1-101");
        QVERIFY(stored(h, QStringLiteral("水费"), QStringLiteral("金额")).isNull());
        selectItem(QStringLiteral("卫生费"));
        prompt->clear();
        click("SpeedButton3");
        // The page shows the damaged value as it is, and "保存" names the item it cannot compute.
        QCOMPARE(prompt->texts(), QStringList {message});
        QVERIFY(stored(h, QStringLiteral("卫生费"), QStringLiteral("金额")).isNull());
        QVERIFY(stored(h, QStringLiteral("卫生费"), QStringLiteral("操作人员")).isNull());
    }

    // The items follow the house, the page follows the item; a change typed before moving to
    // another house is written.
    void followsHouseAndItem()
    {
        addItem(QStringLiteral("1-101"), QStringLiteral("水费"), Formula::ByMeter, 34500, 0);
        addItem(QStringLiteral("1-101"), QStringLiteral("物业费"), Formula::ByArea, 12000, 954100);
        addItem(QStringLiteral("1-102"), QStringLiteral("车位费"), Formula::ByQuantity, 1200000, 10000);
        openWindow();
        QCOMPARE(items()->recordCount(), 2);
        QCOMPARE(window->pages()->currentFormula(), Formula::ByMeter);
        items()->next();
        QCOMPARE(window->pages()->currentFormula(), Formula::ByArea);
        retype(window->pages()->editor(Formula::ByArea, QStringLiteral("预付金额")), QStringLiteral("90"));
        DBGridEh *houses = window->houseGrid();
        QTest::mouseClick(houses->viewport(), Qt::LeftButton, {},
                          houses->visualRect(houses->model()->index(1, 1)).center());
        QCOMPARE(items()->recordCount(), 1);
        QCOMPARE(items()->text(QStringLiteral("收费名称")), QStringLiteral("车位费"));
        QCOMPARE(window->pages()->currentFormula(), Formula::ByQuantity);
        QCOMPARE(stored(QStringLiteral("1-101"), QStringLiteral("物业费"), QStringLiteral("预付金额")).toLongLong(),
                 900000);
    }

    // The search bar: the hidden house-name box, Enter from Edit1 to Edit3 and back, sorting.
    void searchBarAndSorting()
    {
        openWindow();
        QCOMPARE(buttonBar(window.get()), QStringLiteral("新增项目 删除项目 | 导出 打印 | 初始界面 | 返回"));
        auto *edit1 = window->findChild<QLineEdit *>(QStringLiteral("Edit1"));
        auto *edit2 = window->findChild<QLineEdit *>(QStringLiteral("Edit2"));
        auto *edit3 = window->findChild<QLineEdit *>(QStringLiteral("Edit3"));
        QVERIFY(!edit2->isVisibleTo(window.get()));
        edit1->setFocus();
        QTest::keyClick(edit1, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), edit3);
        QTest::keyClick(edit3, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), edit1);
        QVERIFY(prompt->shown.isEmpty());
        edit2->setText(QStringLiteral("房1-102"));
        window->findChild<QComboBox *>(QStringLiteral("DBComboBoxEh3"))->setCurrentText(QStringLiteral("一号楼"));
        click("SpeedButton1");
        QCOMPARE(window->houses()->recordCount(), 1);
        QCOMPARE(window->houses()->text(QStringLiteral("业主名称")), QStringLiteral("王强"));
        edit2->clear();
        click("SpeedButton1");
        window->houseGrid()->clickTitle(2, false);
        window->houseGrid()->clickTitle(2, false);
        QCOMPARE(window->houses()->orderingLine(), QStringLiteral(" ORDER BY 业主名称 COLLATE pinyin DESC "));
        window->houses()->first();
        QCOMPARE(window->houses()->text(QStringLiteral("业主名称")), QStringLiteral("王强"));
        QVERIFY(window->houses()->statement().contains(QStringLiteral("楼宇名称")));
    }

    void deleteAsksFirst()
    {
        addItem(QStringLiteral("1-101"), QStringLiteral("水费"), Formula::ByMeter, 34500, 0);
        openWindow();
        click("bitbtn_delete");
        QCOMPARE(prompt->shown.last().text, QStringLiteral("要删除当前记录吗? "));
        QCOMPARE(prompt->shown.last().caption, QStringLiteral("请选择"));
        QCOMPARE(items()->recordCount(), 1);
        prompt->answers.enqueue(true);
        click("bitbtn_delete");
        QCOMPARE(items()->recordCount(), 0);
        QCOMPARE(dm()->scalar(QStringLiteral("select count(*) from 房屋收费项目")).toInt(), 0);
    }
};

QTEST_MAIN(TestHouseItem)
#include "tst_houseitem.moc"
