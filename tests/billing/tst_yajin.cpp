// 业主押金管理 as the operator uses it: movements entered through the house chooser move the
// house's deposit balance, edits and deletions take back what the stored row did, refusals keep
// what was typed.
#include "billing/core/deposits.h"
#include "billing/yajin.h"
#include "estatechecks.h"
#include "masterdata/choosehouse.h"
#include "modal.h"
#include "typing.h"
#include "windowfixture.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {
const QString A = u"1-101"_s;
const QString B = u"1-102"_s;
const Money Start = Money::fromUnits(1000);
}

class TestYajin : public QObject, private WindowFixture<TForm_yajin>
{
    Q_OBJECT

    Money balance(const QString &house) const { return DepositLedger(dm()->database()).balance(house).value(); }
    int movements() const { return dm()->scalar(u"select count(*) from 押金明细表"_s).toInt(); }

    // Chooses the house in the chooser that the button beside 房屋代码 opens.
    void chooseHouse(const QString &code)
    {
        whenShown<TForm_choosehouse>([code](TForm_choosehouse *c) {
            DataSet *rows = c->rows();
            for (int r = 0; r < rows->recordCount(); ++r) {
                if (rows->value(r, rows->fieldIndex(u"房屋代码"_s)).toString() == code) {
                    rows->moveTo(r);
                }
            }
            QTest::mouseClick(c->findChild<QPushButton *>(u"bitbtn_choose"_s), Qt::LeftButton);
        });
        QTest::mouseClick(window->SpeedButton1, Qt::LeftButton);
        // Back in the window, as after any modal dialog.
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }
    void typeInto(const char *editor, const QString &text) { retype(field(editor), text); }
    // A new movement typed in and saved.
    void enter(const QString &house, const QString &type, const QString &amount, const QString &date = u"2004-08-15"_s)
    {
        click("bitbtn_add");
        if (!house.isEmpty()) {
            chooseHouse(house);
        }
        typeInto("DBDateTimeEditEh1", date);
        typeInto("DBComboBoxEh1", type);
        typeInto("DBNumberEditEh1", amount);
        click("bitbtn_save");
    }
    void select(int row) { q()->moveTo(row); }
    void find() { QTest::mouseClick(window->findChild<QPushButton *>(u"SpeedButton2"_s), Qt::LeftButton); }

private slots:
    void init()
    {
        setUp();
        for (const QString &code : {A, B}) {
            QVERIFY(dm()->exec(
                u"insert into 房屋资料 (房屋代码,楼宇名称,楼宇单元,业主名称,押金) values (?,?,'一单元',?,0)"_s,
                {code, code == A ? u"一号楼"_s : u"二号楼"_s, code == A ? u"林超"_s : u"王强"_s}));
            DepositMovement m;
            m.date = QDate(2004, 1, 1);
            m.houseCode = code;
            m.type = DepositWords::Received;
            m.amount = Start;
            QVERIFY(DepositLedger(dm()->database()).save(m).ok());
        }
        QVERIFY(dm()->exec(u"insert into 楼宇资料 (楼宇名称) values ('一号楼'), ('二号楼')"_s));
        QVERIFY(openWindow());
        QCOMPARE(q()->recordCount(), 2);
    }
    void cleanup() { tearDown(); }

    // A saved movement moves the balance by its effect; an edit by the difference, however often
    // the house chooser was opened meanwhile; a changed type reverses the old one.
    void enterAndEdit_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("afterSave");
        QTest::addColumn<QString>("editType");
        QTest::addColumn<QString>("editAmount");
        QTest::addColumn<QString>("afterEdit");
        QTest::newRow("收取 500, edited to 450")
            << u"收取"_s << u"500"_s << u"500"_s << u"收取"_s << u"450"_s << u"450"_s;
        QTest::newRow("退还 200, edited to 150")
            << u"退还"_s << u"200"_s << u"-200"_s << u"退还"_s << u"150"_s << u"-150"_s;
        QTest::newRow("收取 300 becomes 冲抵费用")
            << u"收取"_s << u"300"_s << u"300"_s << u"冲抵费用"_s << u"300"_s << u"-300"_s;
        QTest::newRow("no amount counts as 0") << u"收取"_s << QString() << u"0"_s << u"收取"_s << u"80"_s << u"80"_s;
    }
    void enterAndEdit()
    {
        QFETCH(QString, type);
        QFETCH(QString, amount);
        QFETCH(QString, afterSave);
        QFETCH(QString, editType);
        QFETCH(QString, editAmount);
        QFETCH(QString, afterEdit);

        enter(A, type, amount);
        QVERIFY2(!window->isEditing(), qPrintable(prompt->texts().join(u'\n')));
        QCOMPARE(balance(A), Start + *Money::parse(afterSave));
        QCOMPARE(q()->text(u"房屋代码"_s), A);
        QCOMPARE(q()->text(u"业主名称"_s), u"林超"_s);
        QCOMPARE(q()->text(u"操作人员"_s), u"张三"_s);

        click("bitbtn_edit");
        chooseHouse(A); // the window is shown again after the chooser: nothing is reset or counted
        typeInto("DBComboBoxEh1", editType);
        typeInto("DBNumberEditEh1", editAmount);
        click("bitbtn_save");
        QVERIFY(!window->isEditing());
        QCOMPARE(balance(A), Start + *Money::parse(afterEdit));
        QCOMPARE(q()->text(u"操作类型"_s), editType);
        QCOMPARE(movements(), 3);
        QVERIFY(prompt->shown.isEmpty());
        ESTATE_HOLDS(EstateChecks::depositBalances(dm()));
    }

    // Moving a movement to another house takes it off the old house's balance.
    void anotherHouse()
    {
        enter(A, u"收取"_s, u"500"_s);
        click("bitbtn_edit");
        chooseHouse(B);
        click("bitbtn_save");
        QCOMPARE(balance(A), Start);
        QCOMPARE(balance(B), Start + Money::fromUnits(500));
        QCOMPARE(q()->text(u"业主名称"_s), u"王强"_s);
        ESTATE_HOLDS(EstateChecks::depositBalances(dm()));
    }

    // Deleting asks, then takes the stored movement's effect off the balance.
    void remove_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("amount");
        QTest::newRow("收取 300: −300") << u"收取"_s << u"300"_s;
        QTest::newRow("冲抵费用 80: +80") << u"冲抵费用"_s << u"80"_s;
    }
    void remove()
    {
        QFETCH(QString, type);
        QFETCH(QString, amount);
        enter(A, type, amount);
        const int row = q()->currentRow();
        click("bitbtn_delete"); // No
        QCOMPARE(prompt->lastText(), u"要删除当前记录吗? "_s);
        QCOMPARE(movements(), 3);

        prompt->answers.enqueue(true);
        select(row);
        click("bitbtn_delete");
        QCOMPARE(movements(), 2);
        QCOMPARE(q()->recordCount(), 2);
        QCOMPARE(balance(A), Start);
        ESTATE_HOLDS(EstateChecks::depositBalances(dm()));
    }

    // Refusals in the order of the checks: the message, the field with the focus, nothing written,
    // still editing with what was typed.
    void refusals_data()
    {
        QTest::addColumn<QString>("house");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::newRow("no house") << QString() << u"2004-08-15"_s << u"收取"_s << u"5"_s
                                  << u"房屋代码不能为空,请重新输入!"_s << QString();
        QTest::newRow("no date") << A << QString() << u"收取"_s << u"5"_s << u"日期不能为空,请重新输入!"_s
                                 << u"DBDateTimeEditEh1"_s;
        QTest::newRow("type typed in") << A << u"2004-08-15"_s << u"收款"_s << u"5"_s
                                       << u"操作类型应该为(收取、退还、冲抵费用),请重新输入!"_s << u"DBComboBoxEh1"_s;
        QTest::newRow("negative amount") << A << u"2004-08-15"_s << u"退还"_s << u"-5"_s << u"“金额”不能小于零！"_s
                                         << u"DBNumberEditEh1"_s;
        QTest::newRow("letters in the amount")
            << A << u"2004-08-15"_s << u"收取"_s << u"1a2b.5x"_s << u"“金额”只能是数字！"_s << u"DBNumberEditEh1"_s;
    }
    void refusals()
    {
        QFETCH(QString, house);
        QFETCH(QString, date);
        QFETCH(QString, type);
        QFETCH(QString, amount);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        enter(house, type, amount, date);
        QCOMPARE(prompt->lastText(), message);
        QVERIFY(window->isEditing());
        if (!focus.isEmpty()) {
            QCOMPARE(focusedControl(), focus);
        }
        QCOMPARE(movements(), 2);
        QCOMPARE(balance(A), Start);
    }

    // A house deleted since it was chosen is refused.
    void badInput()
    {
        click("bitbtn_add");
        chooseHouse(A);
        typeInto("DBDateTimeEditEh1", u"2004-08-15"_s);
        typeInto("DBComboBoxEh1", u"收取"_s);
        typeInto("DBNumberEditEh1", u"12.5"_s);
        QVERIFY(dm()->exec(u"delete from 房屋资料 where 房屋代码=?"_s, {A}));
        click("bitbtn_save");
        QCOMPARE(prompt->lastText(), u"房屋代码为“1-101”的房屋已经不存在,请重新选择房屋!"_s);
        QVERIFY(window->isEditing());
        QCOMPARE(movements(), 2);
        click("bitbtn_cancel");
        QCOMPARE(q()->recordCount(), 2);
    }

    // Another workstation deleted the movement: the deletion is reported, no balance moves, and
    // the list shows what is stored.
    void deletedElsewhere()
    {
        enter(A, u"收取"_s, u"300"_s);
        const qint64 id = q()->integer(u"id"_s);
        QVERIFY(DepositLedger(dm()->database()).remove(id).ok());
        prompt->answers.enqueue(true);
        click("bitbtn_delete");
        QCOMPARE(prompt->lastText(), u"这条押金记录已经被其他工作站删除,押金余额没有改变!"_s);
        QCOMPARE(balance(A), Start);
        QCOMPARE(q()->recordCount(), 2);
    }

    // A refund may take the balance below zero: the balance shown with the movement turns red.
    void balanceBelowZero()
    {
        enter(B, u"退还"_s, u"1200"_s);
        QCOMPARE(balance(B), -Money::fromUnits(200));
        QCOMPARE(window->LabelBalance->text(), u"房屋1-102押金余额：-200"_s);
        QVERIFY(window->LabelBalance->styleSheet().contains(u"red"_s));
        select(0);
        QVERIFY(!window->LabelBalance->styleSheet().contains(u"red"_s));
    }

    // The building filter narrows the search too.
    void searchByBuilding()
    {
        auto *building = window->searchCombo(u"DBComboBoxEh3"_s);
        building->setCurrentText(u"二号楼"_s);
        find();
        QCOMPARE(q()->recordCount(), 0); // the movements were made without a building name
        enter(B, u"收取"_s, u"5"_s);
        find();
        QCOMPARE(q()->recordCount(), 1);
        QCOMPARE(q()->text(u"房屋代码"_s), B);
        QCOMPARE(q()->sql().last(), u"order by 房屋代码 COLLATE pinyin,id"_s);
    }
};

QTEST_MAIN(TestYajin)
#include "tst_yajin.moc"
