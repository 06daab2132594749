// What the operator reads when the database refuses a write: Chinese that names the field and
// the value, the database's own words kept as a detail.
#include "data/dataset.h"
#include "data/refusal.h"
#include "temphome.h"

#include <QTest>

class TestRefusal : public QObject
{
    Q_OBJECT
private slots:
    void told_data()
    {
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("keepsDetail");
        QTest::newRow("unique key") << "UNIQUE constraint failed: 楼宇资料.楼宇名称"
                                    << "楼宇名称“翠园1号楼”已经存在！" << true;
        QTest::newRow("unique key of two fields")
            << "UNIQUE constraint failed: 房屋收费项目.房屋代码, 房屋收费项目.收费名称"
            << "房屋代码“A-101”、收费名称“物业费”的记录已经存在！" << true;
        QTest::newRow("unique key, value unknown") << "UNIQUE constraint failed: 权限表.身份证号"
                                                   << "已经有相同身份证号的记录！" << true;
        QTest::newRow("not null") << "NOT NULL constraint failed: 收费项目.收费名称"
                                  << "收费名称不能为空！" << true;
        QTest::newRow("busy") << "database is locked"
                              << "数据库正被其他工作站使用，请稍后再试！" << true;
        QTest::newRow("table locked") << "database table is locked: 楼宇资料"
                                      << "数据库正被其他工作站使用，请稍后再试！" << true;
        QTest::newRow("read-only") << "attempt to write a readonly database"
                                   << "数据库文件只能读不能写，修改没有保存！" << true;
        QTest::newRow("disk full") << "database or disk is full"
                                   << "磁盘已满，修改没有保存！" << true;
        QTest::newRow("malformed") << "database disk image is malformed"
                                   << "数据库文件已经损坏，请用备份恢复！" << true;
        QTest::newRow("not a database") << "file is not a database"
                                        << "数据库文件已经损坏，请用备份恢复！" << true;
        QTest::newRow("anything else") << "near \"x\": syntax error"
                                       << "数据库拒绝了这次操作！" << true;
        QTest::newRow("cannot open") << "unable to open database file Error opening database"
                                     << "不能打开数据库文件，请检查文件和文件夹是否存在、能否读写！" << true;
        QTest::newRow("disk error") << "disk I/O error"
                                    << "读写磁盘出错！" << true;
        QTest::newRow("already Chinese") << "这条记录已经被删除，修改没有保存。"
                                         << "这条记录已经被删除，修改没有保存。" << false;
        QTest::newRow("the program's own, naming a house") << "房屋A-101的零头有误（abc），请先更正再缴费。"
                                                           << "房屋A-101的零头有误（abc），请先更正再缴费。" << false;
        QTest::newRow("the program's own, naming a file") << "/home/a/data.db 不是可用的数据库文件"
                                                          << "/home/a/data.db 不是可用的数据库文件" << false;
    }
    void told()
    {
        QFETCH(QString, reason);
        QFETCH(QString, message);
        QFETCH(bool, keepsDetail);
        const QHash<QString, QString> row = {{QStringLiteral("楼宇名称"), QStringLiteral("翠园1号楼")},
                                             {QStringLiteral("房屋代码"), QStringLiteral("A-101")},
                                             {QStringLiteral("收费名称"), QStringLiteral("物业费")},
                                             {QStringLiteral("身份证号"), QString()}};
        const Refusal r = Refusal::of(reason, [&row](const QString &field) { return QVariant(row.value(field)); });
        QCOMPARE(r.message, message);
        QCOMPARE(r.detail, keepsDetail ? reason : QString());
    }

    // A real refusal of the database, told with the value of the row being written.
    void fromTheDatabase()
    {
        TempHome home;
        QVERIFY(home.dm()->exec(QStringLiteral("insert into 楼宇资料 (楼宇名称) values ('A座')")));
        DataSet q({}, QStringLiteral("楼宇资料"));
        q.setSql({QStringLiteral("select * from 楼宇资料"), QStringLiteral("order by id")});
        QVERIFY(q.open());
        q.append();
        q.setText(QStringLiteral("楼宇名称"), QStringLiteral("A座"));
        QVERIFY(!q.post());
        const Refusal r = Refusal::of(q.lastError(), q);
        QCOMPARE(r.message, QStringLiteral("楼宇名称“A座”已经存在！"));
        QVERIFY(r.detail.contains(QStringLiteral("UNIQUE")));
    }
};

QTEST_GUILESS_MAIN(TestRefusal)
#include "tst_refusal.moc"
