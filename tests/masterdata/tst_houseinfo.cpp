#include "components/dbctrls/dbcontrol.h"
#include "masterdata/houseinfo.h"
#include "masterdata/storeyinfo.h"
#include "modal.h"
#include "typing.h"
#include "windowfixture.h"

#include <QLineEdit>
#include <QTest>
#include <QToolButton>

// The house register: the save rules in their order, a code that records still carry, the
// deletion with its owner, and the fields this window only shows.
class TestHouseInfo : public QObject, private WindowFixture<TForm_houseinfo>
{
    Q_OBJECT
private:
    void addHouse(const QString &code, const QString &owner = {}, double area = 85.36)
    {
        QVERIFY(dm()->exec(QStringLiteral("insert into 房屋资料 (房屋代码, 楼宇名称, 业主名称, 房屋面积, 零头, 押金) "
                                          "values (?, '翠园1号楼', ?, ?, 0, 0)"),
                           {code, owner, area}));
    }
    QStringList codes() const { return dm()->column(QStringLiteral("select 房屋代码 from 房屋资料 order by id")); }

    // "选择楼宇" through the buildings window in chooser mode, choosing its first building.
    void chooseFirstBuilding()
    {
        whenShown<TForm_storeyinfo>([](TForm_storeyinfo *w) {
            QTest::mouseClick(w->findChild<QToolButton *>(QStringLiteral("SpeedButton3")), Qt::LeftButton);
        });
        click("choose_ly");
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }

private slots:
    void init()
    {
        setUp();
        QVERIFY(dm()->exec(QStringLiteral("insert into 楼宇资料 (楼宇名称) values ('翠园1号楼'), ('翠园2号楼')")));
    }
    void cleanup() { tearDown(); }

    // A new house needs its building first, then a code of its own.
    void buildingBeforeCode()
    {
        addHouse(QStringLiteral("1-1-101"));
        QVERIFY(openWindow());
        QVERIFY(!button("choose_ly")->isEnabled());
        click("bitbtn_add");
        QVERIFY(button("choose_ly")->isEnabled());
        typeText(edit("DBEdit5"), QStringLiteral("一单元1层东户"));
        click("bitbtn_save");
        QCOMPARE(prompt->texts(), QStringList {QStringLiteral("楼宇名称不能为空,请重新输入!")});

        chooseFirstBuilding();
        QCOMPARE(edit("DBEdit10")->text(), QStringLiteral("翠园1号楼"));
        QCOMPARE(edit("DBEdit5")->text(), QStringLiteral("一单元1层东户"));
        QVERIFY(!dm()->q_storeyinfo->isOpen());
        click("bitbtn_save");
        QCOMPARE(prompt->lastText(), QStringLiteral("房屋代码不能为空,请重新输入!"));
        QCOMPARE(QApplication::focusWidget(), edit("DBEdit4"));

        typeText(edit("DBEdit4"), QStringLiteral("1-1-101"));
        click("bitbtn_save");
        QCOMPARE(prompt->lastText(), QStringLiteral("房屋代码重复,请重新输入!"));
        QCOMPARE(prompt->shown.constLast().icon, Prompt::Icon::Information);

        retype(edit("DBEdit4"), QStringLiteral(" 1-1-102 "));
        click("bitbtn_save");
        QCOMPARE(prompt->shown.size(), 3);
        QVERIFY(!window->isEditing());
        QVERIFY(!button("choose_ly")->isEnabled());
        QCOMPARE(codes(), (QStringList {"1-1-101", "1-1-102"}));
        QCOMPARE(dm()->scalar(QStringLiteral("select 楼宇名称 from 房屋资料 where 房屋代码='1-1-102'")).toString(),
                 QStringLiteral("翠园1号楼"));
    }

    // A code may change only while nothing else carries it; the refusal says what does.
    void codeChangeWithRecords_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("newCode");
        QTest::addColumn<QString>("message"); // empty: saved
        QTest::newRow("no records") << ""
                                    << "1-1-199"
                                    << "";
        QTest::newRow("same code") << "收费明细表"
                                   << "1-1-101"
                                   << "";
        QTest::newRow("bill lines") << "收费明细表"
                                    << "1-1-199"
                                    << "房屋代码“1-1-101”已有收费明细,不能修改!";
        QTest::newRow("fee items") << "房屋收费项目"
                                   << "1-1-199"
                                   << "房屋代码“1-1-101”已有房屋收费项目,不能修改!";
        QTest::newRow("moves") << "房屋租赁表"
                               << "1-1-199"
                               << "房屋代码“1-1-101”已有迁入迁出记录,不能修改!";
        QTest::newRow("deposits") << "押金明细表"
                                  << "1-1-199"
                                  << "房屋代码“1-1-101”已有押金明细,不能修改!";
        QTest::newRow("payments") << "收费汇总表"
                                  << "1-1-199"
                                  << "房屋代码“1-1-101”已有缴费记录,不能修改!";
    }
    void codeChangeWithRecords()
    {
        QFETCH(QString, table);
        QFETCH(QString, newCode);
        QFETCH(QString, message);
        addHouse(QStringLiteral("1-1-101"));
        if (!table.isEmpty()) {
            QVERIFY(dm()->exec(QStringLiteral("insert into %1 (房屋代码) values ('1-1-101')").arg(table)));
        }
        QVERIFY(openWindow());
        click("bitbtn_edit");
        retype(edit("DBEdit4"), newCode);
        click("bitbtn_save");
        QCOMPARE(prompt->texts(), message.isEmpty() ? QStringList() : QStringList {message});
        QCOMPARE(codes(), QStringList {message.isEmpty() ? newCode : QStringLiteral("1-1-101")});
    }

    // Deleting a house marks its occupant as no longer in use, in one transaction with the
    // deletion; the question names what stays behind.
    void deleteMarksTheOwner_data()
    {
        QTest::addColumn<bool>("ownerUpdateFails");
        QTest::newRow("both done") << false;
        QTest::newRow("owner update refused: nothing done") << true;
    }
    void deleteMarksTheOwner()
    {
        QFETCH(bool, ownerUpdateFails);
        addHouse(QStringLiteral("1-1-101"), QStringLiteral("李四"));
        addHouse(QStringLiteral("1-1-102"));
        QVERIFY(dm()->exec(QStringLiteral("update 房屋资料 set 押金=5000000, 零头=5000 where 房屋代码='1-1-101'")));
        QVERIFY(dm()->exec(QStringLiteral("insert into 收费明细表 (房屋代码, 收费名称, 年度, 月份, 缴费状态) values "
                                          "('1-1-101', '水费', '2004', '7', '未缴费'), "
                                          "('1-1-101', '电费', '2004', '7', '未缴费'), "
                                          "('1-1-101', '水费', '2004', '6', '现金')")));
        QVERIFY(dm()->exec(
            QStringLiteral("insert into 业主资料 (业主名称, 是否使用) values ('李四', '是'), ('王五', '是')")));
        if (ownerUpdateFails) {
            QVERIFY(dm()->exec(QStringLiteral("create trigger refuse before update on 业主资料 "
                                              "begin select raise(abort, '业主资料不能修改'); end")));
        }
        QVERIFY(openWindow());
        prompt->answers.enqueue(true);
        click("bitbtn_delete");
        QCOMPARE(prompt->shown[0].text,
                 QStringLiteral("要删除当前记录吗? \n\n该房屋还有押金余额 500 元、零头 0.5 元、"
                                "未缴费明细 2 条，删除房屋后这些记录仍然保留。"));
        const QStringList inUse = dm()->column(QStringLiteral("select 是否使用 from 业主资料 order by id"));
        if (ownerUpdateFails) {
            QCOMPARE(prompt->shown.size(), 2);
            QVERIFY(prompt->lastText().contains(QStringLiteral("业主资料不能修改")));
            QCOMPARE(codes(), (QStringList {"1-1-101", "1-1-102"}));
            QCOMPARE(inUse, (QStringList {"是", "是"}));
            QCOMPARE(q()->recordCount(), 2);
            QCOMPARE(q()->text(QStringLiteral("房屋代码")), QStringLiteral("1-1-101"));
        } else {
            QCOMPARE(prompt->shown.size(), 1);
            QCOMPARE(codes(), QStringList {"1-1-102"});
            QCOMPARE(inUse, (QStringList {"否", "是"}));
            QCOMPARE(q()->recordCount(), 1);
        }

        // A house with nothing left behind gets the plain question.
        prompt->clear();
        q()->last();
        click("bitbtn_delete");
        QCOMPARE(prompt->shown[0].text, QStringLiteral("要删除当前记录吗? "));
    }

    // Areas show without decimals; an area that is not retyped keeps its decimals, a finer one
    // can be typed. The occupant is shown only; the odd amount is locked while browsing.
    void areasAndShownFields()
    {
        addHouse(QStringLiteral("1-1-101"), QStringLiteral("李四"), 85.36);
        QVERIFY(openWindow());
        QCOMPARE(edit("DBNumberEditEh2")->text(), QStringLiteral("85"));
        QVERIFY(!edit("DBNumberEditEh4")->isEnabled());
        click("bitbtn_edit");
        QCOMPARE(QApplication::focusWidget(), edit("DBEdit4"));
        QVERIFY(edit("DBNumberEditEh4")->isEnabled());
        for (const char *shown : {"DBEdit2", "DBEdit3", "DBEdit6", "DBEdit7", "DBEdit10", "DBDateTimeEditEh1"}) {
            QVERIFY2(edit(shown)->isReadOnly(), shown);
        }
        typeText(edit("DBEdit2"), QStringLiteral("王五"));
        retype(edit("DBNumberEditEh1"), QStringLiteral("12.5"));
        click("bitbtn_save");
        QVERIFY(prompt->shown.isEmpty());
        QCOMPARE(dm()->scalar(QStringLiteral("select 房屋面积 from 房屋资料")).toDouble(), 85.36);
        QCOMPARE(dm()->scalar(QStringLiteral("select 公摊面积 from 房屋资料")).toDouble(), 12.5);
        QCOMPARE(dm()->scalar(QStringLiteral("select 业主名称 from 房屋资料")).toString(), QStringLiteral("李四"));

        click("bitbtn_edit");
        retype(edit("DBNumberEditEh2"), QStringLiteral("90.55"));
        click("bitbtn_save");
        QCOMPARE(dm()->scalar(QStringLiteral("select 房屋面积 from 房屋资料")).toDouble(), 90.55);
    }

    // The two Enter chains to the remarks (where Enter makes a new line), and the shown-only
    // fields leading back to the location.
    void enterChains_data()
    {
        QTest::addColumn<QStringList>("chain");
        QTest::newRow("description") << QStringList {"DBEdit4", "DBEdit5", "DBComboBoxEh5", "DBComboBoxEh3", "DBEdit1"};
        QTest::newRow("areas") << QStringList {"DBNumberEditEh2", "DBNumberEditEh1", "DBNumberEditEh5",
                                               "DBNumberEditEh3", "DBComboBoxEh1",   "DBEdit1"};
        QTest::newRow("occupant") << QStringList {"DBEdit2", "DBEdit5"};
        QTest::newRow("odd amount") << QStringList {"DBNumberEditEh4", "DBEdit5"};
        QTest::newRow("building") << QStringList {"DBEdit10", "DBEdit5"};
    }
    void enterChains()
    {
        QFETCH(QStringList, chain);
        QVERIFY(openWindow());
        click("bitbtn_add");
        window->findChild<QWidget *>(chain.constFirst())->setFocus();
        for (int i = 0; i + 1 < chain.size(); ++i) {
            QCOMPARE(focusedControl(), chain[i]);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        }
        QCOMPARE(focusedControl(), chain.last());
    }
};

QTEST_MAIN(TestHouseInfo)
#include "tst_houseinfo.moc"
