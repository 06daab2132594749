#include "masterdata/guestinfo.h"
#include "typing.h"
#include "windowfixture.h"

#include <QLineEdit>
#include <QTest>
#include <QToolButton>

// The owner register: its save rules and when an owner may not be deleted.
class TestGuestInfo : public QObject, private WindowFixture<TForm_guestinfo>
{
    Q_OBJECT
private:
    void addOwner(const QString &name, const QString &paid = {}, const QString &inUse = {})
    {
        QVERIFY(dm()->exec(QStringLiteral("insert into 业主资料 (业主名称, 开始使用, 是否使用) values (?, ?, ?)"),
                           {name, paid, inUse}));
    }
    QStringList names() const { return dm()->column(QStringLiteral("select 业主名称 from 业主资料 order by id")); }

private slots:
    void init()
    {
        setUp();
        addOwner(QStringLiteral("李四"));
        addOwner(QStringLiteral("王五"));
    }
    void cleanup() { tearDown(); }

    void saveRules_data()
    {
        QTest::addColumn<bool>("adding");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message"); // empty: saved
        QTest::addColumn<QStringList>("names"); // stored afterwards, in id order
        QTest::newRow("new owner, blanks trimmed") << true << " 赵六 "
                                                   << "" << QStringList {"李四", "王五", "赵六"};
        QTest::newRow("empty name") << true << "   "
                                    << "业主名称不能为空,请重新输入!" << QStringList {"李四", "王五"};
        QTest::newRow("new owner, existing name") << true << "王五"
                                                  << "业主名称重复,请重新输入!" << QStringList {"李四", "王五"};
        QTest::newRow("rename to its own name") << false << "李四"
                                                << "" << QStringList {"李四", "王五"};
        QTest::newRow("rename to another's") << false << "王五"
                                             << "业主名称重复,请重新输入!" << QStringList {"李四", "王五"};
    }
    void saveRules()
    {
        QFETCH(bool, adding);
        QFETCH(QString, name);
        QFETCH(QString, message);
        QFETCH(QStringList, names);
        QVERIFY(openWindow());
        click(adding ? "bitbtn_add" : "bitbtn_edit");
        QCOMPARE(QApplication::focusWidget(), field("DBEdit4"));
        retype(field("DBEdit4"), name);
        typeText(field("DBEdit5"), QStringLiteral("翠园物业"));
        click("bitbtn_save");
        QCOMPARE(prompt->texts(), message.isEmpty() ? QStringList() : QStringList {message});
        QCOMPARE(window->isEditing(), !message.isEmpty());
        if (!message.isEmpty()) {
            QCOMPARE(QApplication::focusWidget(), field("DBEdit4"));
            QCOMPARE(qobject_cast<QLineEdit *>(field("DBEdit5"))->text(), QStringLiteral("翠园物业"));
        }
        QCOMPARE(this->names(), names);
    }

    // An owner with payment records, or living in a house, stays; the others go after the
    // question.
    void deleteRefusals_data()
    {
        QTest::addColumn<QString>("paid");
        QTest::addColumn<QString>("inUse");
        QTest::addColumn<bool>("occupant");
        QTest::addColumn<QString>("message"); // empty: asked and deleted
        QTest::newRow("has payments") << "是"
                                      << "" << false << "该业主已经有缴费记录,不能删除!";
        QTest::newRow("occupies a house") << "否"
                                          << "否" << true << "该业主正在使用房屋“1-1-101”,不能删除!";
        QTest::newRow("marked in use") << ""
                                       << "是" << false << "该业主正在使用房屋,不能删除!";
        QTest::newRow("free to go") << "否"
                                    << "否" << false << "";
    }
    void deleteRefusals()
    {
        QFETCH(QString, paid);
        QFETCH(QString, inUse);
        QFETCH(bool, occupant);
        QFETCH(QString, message);
        QVERIFY(dm()->exec(QStringLiteral("update 业主资料 set 开始使用=?, 是否使用=? where 业主名称='李四'"),
                           {paid, inUse}));
        QVERIFY(dm()->exec(QStringLiteral("insert into 房屋资料 (房屋代码, 业主名称) values ('1-1-101', ?)"),
                           {occupant ? QStringLiteral("李四") : QStringLiteral("王五")}));
        addOwner(QStringLiteral("李四二")); // a longer name that contains the first is not the same owner
        QVERIFY(openWindow());
        q()->moveTo(0);
        prompt->answers.enqueue(true);
        click("bitbtn_delete");
        if (message.isEmpty()) {
            QVERIFY(prompt->shown.constFirst().isQuestion);
            QCOMPARE(names(), (QStringList {"王五", "李四二"}));
        } else {
            QCOMPARE(prompt->texts(), QStringList {message});
            QCOMPARE(prompt->shown[0].caption, QStringLiteral("提示"));
            QCOMPARE(names(), (QStringList {"李四", "王五", "李四二"}));
        }
    }

    // The prepaid amount is never shown, but follows the browse/edit rule; the Enter ring runs
    // through the other fields to the remarks, where Enter makes a new line.
    void hiddenPrepaidAndEnterRing()
    {
        QVERIFY(openWindow());
        QWidget *prepaid = field("DBNumberEditEh1");
        QVERIFY(!prepaid->isVisibleTo(window.get()));
        QVERIFY(!prepaid->isEnabled());
        click("bitbtn_add");
        QVERIFY(!prepaid->isVisibleTo(window.get()));
        QVERIFY(prepaid->isEnabled());
        const QStringList ring = {"DBEdit4", "DBEdit2", "DBEdit3", "DBEdit5",
                                  "DBEdit6", "DBEdit7", "DBEdit8", "DBMemo1"};
        for (int i = 0; i + 1 < ring.size(); ++i) {
            QCOMPARE(QApplication::focusWidget()->objectName(), ring[i]);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        }
        QCOMPARE(QApplication::focusWidget()->objectName(), ring.last());
        QVERIFY(!button("bitbtn_query")->isEnabled());
    }
};

QTEST_MAIN(TestGuestInfo)
#include "tst_guestinfo.moc"
