#include "buttonbar.h"
#include "components/dbctrls/dbcombobox.h"
#include "components/dbctrls/dbedit.h"
#include "masterdata/choosehouse.h"
#include "masterdata/houselease.h"
#include "masterdata/xzyz.h"
#include "modal.h"
#include "typing.h"
#include "windowfixture.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSqlQuery>
#include <QTest>

// Moves in and out: what each save leaves in the house and the owner, all or nothing.
class TestHouseLease : public QObject, private WindowFixture<TForm_houselease>
{
    Q_OBJECT
private:
    void addOwner(const QString &name, const QString &house = {})
    {
        QVERIFY(
            dm()->exec(QStringLiteral("insert into 业主资料 (业主名称, 身份证号, 联系电话, 工作单位, 联系地址, "
                                      "房屋代码, 是否使用) values (?, ?, ?, '翠园物业', '翠园路1号', ?, '是')"),
                       {name, QString(name + QStringLiteral("证")), QString(name + QStringLiteral("电话")), house}));
    }
    void addHouse(const QString &code, const QString &state = QStringLiteral("空置"), const QString &owner = {})
    {
        QVERIFY(dm()->exec(
            QStringLiteral("insert into 房屋资料 (房屋代码, 房屋名称, 楼宇名称, 楼宇单元, 房屋位置, "
                           "使用状况, 业主名称, 迁入日期, 迁出日期) values (?, '', '一号楼', '一单元', "
                           "'三楼', ?, ?, ?, '2003-01-31 00:00:00')"),
            {code, state, owner, owner.isEmpty() ? QVariant() : QVariant(QStringLiteral("2002-01-01 00:00:00"))}));
    }
    // An open record, as an earlier save left it.
    void addRecord(const QString &house, const QString &owner, bool movedIn)
    {
        QVERIFY(dm()->exec(QStringLiteral("insert into 房屋租赁表 (房屋代码, 业主名称, 身份证号, 联系电话, 工作单位, "
                                          "联系地址, 租售情况, 迁入日期, 已经迁入, 已经迁出) values (?, ?, ?, ?, "
                                          "'翠园物业', '翠园路1号', '租房', '2002-01-01 00:00:00', ?, 0)"),
                           {house, owner, QString(owner + QStringLiteral("证")),
                            QString(owner + QStringLiteral("电话")), movedIn ? 1 : 0}));
    }
    // The house's state, occupant, identity number, move-in and move-out dates, "|"-joined; an
    // empty date shows as null.
    QString house(const QString &code)
    {
        QSqlQuery q(dm()->database());
        q.prepare(
            QStringLiteral("select 使用状况, 业主名称, 身份证号, 迁入日期, 迁出日期 from 房屋资料 where 房屋代码=?"));
        q.addBindValue(code);
        q.exec();
        q.next();
        QStringList parts;
        for (int i = 0; i < 5; ++i) {
            parts << (q.value(i).isNull() && i >= 3 ? QStringLiteral("null") : q.value(i).toString().left(10));
        }
        return parts.join(QLatin1Char('|'));
    }
    QString houseOf(const QString &owner)
    {
        return dm()->scalar(QStringLiteral("select 房屋代码 from 业主资料 where 业主名称=?"), {owner}).toString();
    }
    void select(const QString &owner)
    {
        for (int r = 0; r < q()->recordCount(); ++r) {
            q()->moveTo(r);
            if (q()->text(QStringLiteral("业主名称")) == owner) {
                return;
            }
        }
        QFAIL("no record of that owner");
    }
    // Picks a row in the chooser that opens next by its first column's text.
    template<typename Chooser> void pickWith(const char *button, const QString &field, const QString &value)
    {
        whenShown<Chooser>([field, value](Chooser *c) {
            DataSet *rows = c->rows();
            for (int r = 0; r < rows->recordCount(); ++r) {
                if (rows->value(r, rows->fieldIndex(field)).toString() == value) {
                    rows->moveTo(r);
                }
            }
            QTest::mouseClick(c->template findChild<QPushButton *>(QStringLiteral("bitbtn_choose")), Qt::LeftButton);
        });
        click(button);
    }
    void tick(const char *box, bool on)
    {
        auto *b = qobject_cast<QCheckBox *>(field(box));
        if (b->isChecked() != on) {
            QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(5, b->height() / 2));
        }
    }

private slots:
    void init()
    {
        setUp();
        addHouse(QStringLiteral("1-101"));
        addHouse(QStringLiteral("1-102"), QStringLiteral("入住"), QStringLiteral("王强"));
        addOwner(QStringLiteral("林超"));
        addOwner(QStringLiteral("王强"), QStringLiteral("1-102"));
        addRecord(QStringLiteral("1-102"), QStringLiteral("王强"), true);
    }
    void cleanup() { tearDown(); }

    // A new record through the choosers: the three cases and what the house and owner get.
    void newRecordCases_data()
    {
        QTest::addColumn<bool>("movedIn");
        QTest::addColumn<bool>("movedOut");
        QTest::addColumn<QString>("plannedOut");
        QTest::addColumn<QString>("house");
        QTest::addColumn<QString>("ownerHouse");
        QTest::newRow("booking, open-ended: the old 迁出日期 goes") << false << false << ""
                                                                    << "预定|林超|林超证|2004-08-01|null"
                                                                    << "1-101";
        QTest::newRow("move-in with a planned date") << true << false << "2005-07-31"
                                                     << "入住|林超|林超证|2004-08-01|2005-07-31"
                                                     << "1-101";
        // Both ticked: moved out wins; the house never showed 林超, so it stays as it was.
        QTest::newRow("both ticked: move-out") << true << true << ""
                                               << "空置|||null|2003-01-31"
                                               << "";
    }
    void newRecordCases()
    {
        QFETCH(bool, movedIn);
        QFETCH(bool, movedOut);
        QFETCH(QString, plannedOut);
        QFETCH(QString, house);
        QFETCH(QString, ownerHouse);
        QVERIFY(openWindow());
        QVERIFY(!button("xzyz")->isEnabled());
        click("bitbtn_add");
        QVERIFY(button("xzyz")->isEnabled() && button("xzhouse")->isEnabled());
        pickWith<TForm_choosehouse>("xzhouse", QStringLiteral("房屋代码"), QStringLiteral("1-101"));
        pickWith<TForm_xzyz>("xzyz", QStringLiteral("业主名称"), QStringLiteral("林超"));
        QCOMPARE(qobject_cast<QLineEdit *>(field("DBEdit4"))->text(), QStringLiteral("1-101"));
        QCOMPARE(qobject_cast<QLineEdit *>(field("DBEdit6"))->text(), QStringLiteral("林超证"));
        retype(field("DBDateTimeEditEh1"), QStringLiteral("2004-08-01"));
        retype(field("DBDateTimeEditEh2"), plannedOut);
        if (movedOut) {
            retype(field("DBDateTimeEditEh3"), QStringLiteral("2004-08-10"));
        }
        retype(field("DBComboBoxEh1"), QStringLiteral("租房"));
        tick("DBCheckBoxEh2", movedIn);
        tick("DBCheckBoxEh1", movedOut);
        click("bitbtn_save");
        QVERIFY2(prompt->shown.isEmpty(), qPrintable(prompt->texts().join(u'\n')));
        QVERIFY(!window->isEditing());
        QVERIFY(!button("xzyz")->isEnabled());
        QCOMPARE(this->house(QStringLiteral("1-101")), house);
        QCOMPARE(houseOf(QStringLiteral("林超")), ownerHouse);
        const QVariant stored = dm()->scalar(
            QStringLiteral("select 工作单位||'/'||房屋位置||'/'||操作人员 from 房屋租赁表 where 业主名称='林超'"));
        QCOMPARE(stored.toString(), QStringLiteral("翠园物业/三楼/张三"));
    }

    // Saving an existing record again: moving out empties the house only while it shows this
    // record's owner; mending an older record never displaces the later occupant.
    void existingRecordCases_data()
    {
        QTest::addColumn<QString>("occupant"); // the house shows, when the record is saved
        QTest::addColumn<bool>("moveOut");
        QTest::addColumn<QString>("house");
        QTest::addColumn<QString>("ownerBefore"); // 王强's 房屋代码 before
        QTest::addColumn<QString>("ownerHouse"); // and afterwards
        QTest::newRow("move-out of the occupant") << "王强" << true << "空置|||null|null"
                                                  << "1-102"
                                                  << "";
        QTest::newRow("move-out of an older record") << "赵六" << true << "入住|赵六||2002-01-01|2003-01-31"
                                                     << "1-102"
                                                     << "";
        QTest::newRow("move-out of an owner since moved") << "赵六" << true << "入住|赵六||2002-01-01|2003-01-31"
                                                          << "2-201"
                                                          << "2-201";
        QTest::newRow("saved again while occupant") << "王强" << false << "入住|王强|王强证|2002-01-01|null"
                                                    << "1-102"
                                                    << "1-102";
        QTest::newRow("older record mended") << "赵六" << false << "入住|赵六||2002-01-01|2003-01-31"
                                             << "2-201"
                                             << "2-201";
    }
    void existingRecordCases()
    {
        QFETCH(QString, occupant);
        QFETCH(bool, moveOut);
        QFETCH(QString, house);
        QFETCH(QString, ownerBefore);
        QFETCH(QString, ownerHouse);
        QVERIFY(dm()->exec(QStringLiteral("update 房屋资料 set 业主名称=? where 房屋代码='1-102'"), {occupant}));
        QVERIFY(dm()->exec(QStringLiteral("update 业主资料 set 房屋代码=? where 业主名称='王强'"), {ownerBefore}));
        QVERIFY(openWindow());
        select(QStringLiteral("王强"));
        click("bitbtn_edit");
        if (moveOut) {
            tick("DBCheckBoxEh1", true);
            retype(field("DBDateTimeEditEh3"), QStringLiteral("2004-08-10"));
        }
        click("bitbtn_save");
        QVERIFY2(prompt->shown.isEmpty(), qPrintable(prompt->texts().join(u'\n')));
        QCOMPARE(this->house(QStringLiteral("1-102")), house);
        QCOMPARE(houseOf(QStringLiteral("王强")), ownerHouse);
    }

    // A new move-in into a taken house is asked about, naming the occupant.
    void moveIntoTakenHouseAsks()
    {
        QVERIFY(openWindow());
        for (const bool yes : {false, true}) {
            if (!window->isEditing()) {
                click("bitbtn_add");
                q()->setText(QStringLiteral("房屋代码"), QStringLiteral("1-102"));
                q()->setText(QStringLiteral("业主名称"), QStringLiteral("林超"));
                retype(field("DBDateTimeEditEh1"), QStringLiteral("2004-08-01"));
                retype(field("DBComboBoxEh1"), QStringLiteral("售房"));
                tick("DBCheckBoxEh2", true);
            }
            prompt->clear();
            prompt->answers.enqueue(yes);
            click("bitbtn_save");
            QCOMPARE(prompt->texts(), QStringList {QStringLiteral("房屋1-102目前由王强入住，确定要迁入吗？")});
            QCOMPARE(window->isEditing(), !yes);
        }
        QCOMPARE(house(QStringLiteral("1-102")), QStringLiteral("入住|林超||2004-08-01|null"));
        QCOMPARE(houseOf(QStringLiteral("林超")), QStringLiteral("1-102"));
    }

    // A house or owner deleted after it was chosen: the new record is refused, nothing is written.
    void chosenHouseOrOwnerGone_data()
    {
        QTest::addColumn<QString>("gone");
        QTest::addColumn<QString>("message");
        QTest::newRow("house") << "delete from 房屋资料 where 房屋代码='1-101'"
                               << "房屋资料中已没有房屋1-101,请重新选择房屋!";
        QTest::newRow("owner") << "delete from 业主资料 where 业主名称='林超'"
                               << "业主资料中已没有业主林超,请重新选择业主!";
    }
    void chosenHouseOrOwnerGone()
    {
        QFETCH(QString, gone);
        QFETCH(QString, message);
        QVERIFY(openWindow());
        click("bitbtn_add");
        pickWith<TForm_choosehouse>("xzhouse", QStringLiteral("房屋代码"), QStringLiteral("1-101"));
        pickWith<TForm_xzyz>("xzyz", QStringLiteral("业主名称"), QStringLiteral("林超"));
        retype(field("DBDateTimeEditEh1"), QStringLiteral("2004-08-01"));
        retype(field("DBComboBoxEh1"), QStringLiteral("租房"));
        tick("DBCheckBoxEh2", true);
        QVERIFY(dm()->exec(gone));
        click("bitbtn_save");
        QCOMPARE(prompt->texts(), QStringList {message});
        QVERIFY(window->isEditing());
        QCOMPARE(dm()->scalar(QStringLiteral("select count(*) from 房屋租赁表")).toInt(), 1);
        QCOMPARE(houseOf(QStringLiteral("林超")), QString());
    }

    // The record, the house and the owner change together or not at all.
    void refusedStatementUndoesTheSave()
    {
        QVERIFY(dm()->exec(QStringLiteral("create trigger refuse before update of 房屋代码 on 业主资料 "
                                          "begin select raise(abort, '业主资料被锁定'); end")));
        QVERIFY(openWindow());
        const int before = q()->recordCount();
        click("bitbtn_add");
        q()->setText(QStringLiteral("房屋代码"), QStringLiteral("1-101"));
        q()->setText(QStringLiteral("业主名称"), QStringLiteral("林超"));
        retype(field("DBDateTimeEditEh1"), QStringLiteral("2004-08-01"));
        retype(field("DBComboBoxEh1"), QStringLiteral("租房"));
        tick("DBCheckBoxEh2", true);
        click("bitbtn_save");
        QVERIFY(prompt->lastText().contains(QStringLiteral("业主资料被锁定")));
        QVERIFY(window->isEditing());
        QCOMPARE(qobject_cast<QLineEdit *>(field("DBDateTimeEditEh1"))->text(), QStringLiteral("2004-08-01"));
        QCOMPARE(house(QStringLiteral("1-101")), QStringLiteral("空置|||null|2003-01-31"));
        QCOMPARE(dm()->scalar(QStringLiteral("select count(*) from 房屋租赁表")).toInt(), 1);
        click("bitbtn_cancel");
        QCOMPARE(q()->recordCount(), before);
    }

    // The save rules in their order; each refusal keeps the window editing.
    void saveRules_data()
    {
        QTest::addColumn<QString>("houseCode");
        QTest::addColumn<QString>("owner");
        QTest::addColumn<QString>("moveIn");
        QTest::addColumn<QString>("deal");
        QTest::addColumn<bool>("movedOut");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::newRow("no house") << ""
                                  << ""
                                  << ""
                                  << "" << false << "房屋代码不能为空,请重新输入!"
                                  << "DBComboBoxEh1";
        QTest::newRow("no owner") << "1-101"
                                  << ""
                                  << ""
                                  << "" << false << "业主名称不能为空,请重新输入!"
                                  << "DBComboBoxEh1";
        QTest::newRow("no move-in date") << "1-101"
                                         << "林超"
                                         << ""
                                         << "租房" << false << "迁入日期不能为空,请重新输入!"
                                         << "DBDateTimeEditEh1";
        QTest::newRow("neither lease nor sale") << "1-101"
                                                << "林超"
                                                << "2004-08-01"
                                                << "租用" << false << "租售情况应该是租房或售房,请重新输入!"
                                                << "DBComboBoxEh1";
        QTest::newRow("moved out without a date") << "1-101"
                                                  << "林超"
                                                  << "2004-08-01"
                                                  << "售房" << true << "实际迁出日期不能为空,请重新输入!"
                                                  << "DBDateTimeEditEh3";
    }
    void saveRules()
    {
        QFETCH(QString, houseCode);
        QFETCH(QString, owner);
        QFETCH(QString, moveIn);
        QFETCH(QString, deal);
        QFETCH(bool, movedOut);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        QVERIFY(openWindow());
        click("bitbtn_add");
        q()->setText(QStringLiteral("房屋代码"), houseCode);
        q()->setText(QStringLiteral("业主名称"), owner);
        retype(field("DBDateTimeEditEh1"), moveIn);
        retype(field("DBComboBoxEh1"), deal);
        tick("DBCheckBoxEh1", movedOut);
        click("bitbtn_save");
        QCOMPARE(prompt->texts(), QStringList {message});
        QCOMPARE(prompt->shown.last().caption, QStringLiteral("提示"));
        QVERIFY(window->isEditing());
        QCOMPARE(focusedControl(), focus);
    }

    // Deleting a record releases its owner and leaves the house as it is.
    void deleteReleasesTheOwner()
    {
        QVERIFY(openWindow());
        prompt->answers.enqueue(true);
        click("bitbtn_delete");
        QCOMPARE(prompt->texts(), QStringList {QStringLiteral("要删除当前记录吗? ")});
        QCOMPARE(q()->recordCount(), 0);
        QCOMPARE(dm()->scalar(QStringLiteral("select 是否使用 from 业主资料 where 业主名称='王强'")).toString(),
                 QStringLiteral("否"));
        QCOMPARE(house(QStringLiteral("1-102")), QStringLiteral("入住|王强||2002-01-01|2003-01-31"));
    }

    // The first list holds open occupancies only; a search finds ended ones too. Outside
    // editing the boxes, 租售情况 and 备注 are locked; Enter in the code box moves to the owner
    // box, whose Enter searches.
    void listSearchAndLocks()
    {
        QVERIFY(dm()->exec(QStringLiteral("insert into 房屋租赁表 (房屋代码, 业主名称, 已经迁出) values "
                                          "('1-101', '林超', 1)")));
        QVERIFY(openWindow());
        QCOMPARE(buttonBar(window.get()),
                 QStringLiteral("增加 编辑 删除 | 存盘 取消 | 导出 打印 | 选择业主 选择房屋 初始界面 | 返回"));
        QCOMPARE(q()->recordCount(), 1);
        QVERIFY(!field("DBCheckBoxEh1")->isEnabled());
        QVERIFY(!field("DBCheckBoxEh2")->isEnabled());
        QVERIFY(!field("DBComboBoxEh1")->isEnabled());
        QVERIFY(qobject_cast<QPlainTextEdit *>(field("DBEdit1"))->isReadOnly());
        QVERIFY(qobject_cast<QLineEdit *>(field("DBEdit4"))->isReadOnly());
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        edit("Edit1")->setFocus();
        typeText(edit("Edit1"), QStringLiteral("1-1"));
        QTest::keyClick(edit("Edit1"), Qt::Key_Return);
        QCOMPARE(focusedControl(), QStringLiteral("Edit2"));
        QCOMPARE(q()->recordCount(), 1);
        QTest::keyClick(edit("Edit2"), Qt::Key_Return);
        QCOMPARE(q()->recordCount(), 2);
        typeText(edit("Edit2"), QStringLiteral("赵"));
        QTest::keyClick(edit("Edit2"), Qt::Key_Return);
        QCOMPARE(prompt->lastText(), QStringLiteral("没有找到合适的记录！"));
    }
};

QTEST_MAIN(TestHouseLease)
#include "tst_houselease.moc"
