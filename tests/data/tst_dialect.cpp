// What differs on a database server, without a server: its refusals told as on SQLite (by their
// SQLSTATE, whatever language the server speaks), statements' placeholders numbered for it, and
// names cut as it cuts them.
#include "data/dialect.h"
#include "data/pglink.h"
#include "data/refusal.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestDialect : public QObject
{
    Q_OBJECT
private slots:
    void serverRefusals_data()
    {
        QTest::addColumn<QString>("reason"); // as the driver gives it
        QTest::addColumn<QString>("message");
        QTest::newRow("unique key")
            << u"ERROR:  duplicate key value violates unique constraint \"ux_楼宇资料_楼宇名称\"\nDETAIL:  Key "
               "(楼宇名称)=(翠园1号楼) already exists.\n(23505)"_s
            << u"楼宇名称“翠园1号楼”已经存在！"_s;
        QTest::newRow("unique key, in Chinese")
            << u"错误:  重复键违反唯一约束\"ux_房屋收费项目_房屋代码_收费名称\"\n(23505)"_s
            << u"房屋代码“A-101”、收费名称“物业费”的记录已经存在！"_s;
        QTest::newRow("the long key of 收费汇总表, cut by the server")
            << u"ERROR:  duplicate key value violates unique constraint \"%1\"\n(23505)"_s.arg(
                   Dialect::postgres().storedName(u"ux_收费汇总表_房屋代码_年度_月份_收费项目_楼宇名称_业主名称"_s))
            << u"已经有相同房屋代码、年度、月份、收费项目、楼宇名称、业主名称的记录！"_s;
        QTest::newRow("not null") << u"ERROR:  null value in column \"收费名称\" of relation \"收费项目\" violates "
                                     "not-null constraint\n(23502)"_s
                                  << u"收费名称不能为空！"_s;
        QTest::newRow("another counter holds the house")
            << u"ERROR:  canceling statement due to lock timeout\n(55P03)"_s
            << u"其他工作站正在处理该房屋，请稍后再试！"_s;
        QTest::newRow("deadlock, after the retries")
            << u"ERROR:  deadlock detected\n(40P01)"_s << u"数据库正被其他工作站使用，请稍后再试！"_s;
        QTest::newRow("a refusal raised in Chinese")
            << u"ERROR:  磁盘已满\nCONTEXT:  PL/pgSQL function f() line 1 at RAISE\n(P0001)"_s << u"磁盘已满"_s;
        QTest::newRow("an amount too large")
            << u"ERROR:  bigint out of range\n(22003)"_s << u"数值超出了数据库能保存的范围，修改没有保存！"_s;
        QTest::newRow("connection lost")
            << u"server closed the connection unexpectedly\n\tThis probably means the "
               "server terminated abnormally"_s
            << u"与数据库服务器的连接已经断开，这次操作没有保存！请检查网络后重新启动程序。"_s;
        QTest::newRow("server shut down")
            << u"FATAL:  terminating connection due to administrator command\n(57P01)"_s
            << u"与数据库服务器的连接已经断开，这次操作没有保存！请检查网络后重新启动程序。"_s;
    }
    void serverRefusals()
    {
        QFETCH(QString, reason);
        QFETCH(QString, message);
        const QHash<QString, QString> row = {
            {u"楼宇名称"_s, u"翠园1号楼"_s}, {u"房屋代码"_s, u"A-101"_s}, {u"收费名称"_s, u"物业费"_s}};
        const Refusal r = Refusal::of(reason, [&row](const QString &field) { return QVariant(row.value(field)); });
        QCOMPARE(r.message, message);
        QCOMPARE(Refusal::isRetryable(reason), reason.endsWith(u"(40P01)"_s));
    }

    void placeholdersAreNumbered_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QStringList>("names"); // named values bound, in that order
        QTest::addColumn<int>("positional"); // "?" values bound
        QTest::addColumn<QString>("numbered"); // empty: left to QSqlQuery
        QTest::newRow("positional") << u"select * from t where a=? and b like ? escape '\\'"_s << QStringList {} << 2
                                    << u"select * from t where a=$1 and b like $2 escape '\\'"_s;
        QTest::newRow("quoted marks stay")
            << u"select '?', \"a?b\", 'it''s :x' from t where c=? -- why?\n and d=?"_s << QStringList {} << 2
            << u"select '?', \"a?b\", 'it''s :x' from t where c=$1 -- why?\n and d=$2"_s;
        QTest::newRow("named, one used twice")
            << u"select * from t where a=:name and b::text=:day or c=:name"_s << QStringList {u":day"_s, u":name"_s}
            << 0 << u"select * from t where a=$1 and b::text=$2 or c=$1"_s;
        QTest::newRow("mixed kinds") << u"select * from t where a=:name and b=?"_s << QStringList {u":name"_s} << 1
                                     << QString();
        QTest::newRow("a value missing") << u"select * from t where a=? and b=?"_s << QStringList {} << 1 << QString();
    }
    void placeholdersAreNumbered()
    {
        QFETCH(QString, statement);
        QFETCH(QStringList, names);
        QFETCH(int, positional);
        QFETCH(QString, numbered);
        QList<QPair<QString, QVariant>> named;
        for (const QString &n : std::as_const(names)) {
            named.append({n, n});
        }
        QByteArray sql;
        QVariantList values;
        const bool done = PgLink::numberPlaceholders(statement, named, QVariantList(positional, 1), &sql, &values);
        QCOMPARE(done, !numbered.isEmpty());
        if (done) {
            QCOMPARE(QString::fromUtf8(sql), numbered);
        }
        if (done && !names.isEmpty()) {
            QCOMPARE(values, (QVariantList {u":name"_s, u":day"_s}));
        }
    }

    // The server keeps 63 bytes of a name, never half a character; SQLite keeps it whole.
    void namesAreCutAsTheServerCutsThem()
    {
        const QString longName = u"ux_收费汇总表_房屋代码_年度_月份_收费项目_楼宇名称_业主名称"_s;
        const QString cut = Dialect::postgres().storedName(longName);
        QVERIFY(cut.toUtf8().size() <= 63);
        QVERIFY(longName.startsWith(cut));
        QVERIFY(cut.toUtf8().size() > 60);
        QCOMPARE(Dialect::sqlite().storedName(longName), longName);
        QCOMPARE(Dialect::postgres().storedName(u"ix_楼宇资料_楼宇名称"_s), u"ix_楼宇资料_楼宇名称"_s);
    }
};

QTEST_GUILESS_MAIN(TestDialect)
#include "tst_dialect.moc"
