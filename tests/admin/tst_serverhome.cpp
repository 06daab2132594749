// An estate on a database server: what start-up refuses, an SQLite home moved onto the server,
// and backup, restore and tidying there.
#include "admin/core/databasebackup.h"
#include "admin/core/databaserestore.h"
#include "admin/core/maintenance.h"
#include "admin/core/servermigration.h"
#include "backend.h"
#include "data/dataset.h"
#include "data/dm1.h"
#include "demo/demo.h"
#include "estatechecks.h"
#include "temphome.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// Every row of every table of the estate on a connection, in id order.
QList<EstateChecks::Row> estateRows(const QString &connection)
{
    QList<EstateChecks::Row> rows;
    for (const TableDef &t : Schema::tables()) {
        if (t.temporary) {
            continue;
        }
        DataSet q;
        q.setConnectionName(connection);
        if (!q.openOn({u"select * from %1 order by id"_s.arg(Schema::quoted(t.name))})) {
            rows << EstateChecks::Row {{u"error"_s, q.lastError()}};
            continue;
        }
        for (int r = 0; r < q.recordCount(); ++r) {
            EstateChecks::Row row {{u"table"_s, t.name}};
            for (int c = 0; c < q.fieldCount(); ++c) {
                row.insert(q.fieldNames()[c], q.value(r, c));
            }
            rows << row;
        }
    }
    return rows;
}

QList<EstateChecks::Row> estateRows(Dm1 *dm)
{
    return estateRows(dm->database().connectionName());
}

// The rows of the database file at path.
QList<EstateChecks::Row> fileRows(const QString &path)
{
    if (!DatabaseAddress {path, {}, false}.open(u"file"_s, true, nullptr)) {
        return {};
    }
    const QList<EstateChecks::Row> rows = estateRows(u"file"_s);
    DatabaseAddress::close(u"file"_s);
    return rows;
}

// A home of its own whose server.conf names conninfo.
std::unique_ptr<Dm1> serverHome(const QTemporaryDir &dir, const QString &conninfo)
{
    QDir(dir.path()).mkpath(u"data"_s);
    writeFile(QDir(dir.path()).filePath(u"data/server.conf"_s), conninfo.toUtf8() + "\n");
    return std::make_unique<Dm1>(dir.path());
}
}

class TestServerHome : public QObject
{
    Q_OBJECT

    // The demo estate in an SQLite home of its own.
    QTemporaryDir m_fileHome;
    QString m_file;

private slots:
    void initTestCase()
    {
        Dm1 dm(m_fileHome.path());
        QVERIFY2(dm.openConnection(Demo::fill), qPrintable(dm.lastError()));
        m_file = dm.databasePath();
    }

    // A database start-up cannot use is refused with the reason, and left as it was.
    void startUpRefuses_data()
    {
        QTest::addColumn<QString>("setUp"); // statements run on the empty server database first
        QTest::addColumn<QString>("reason");
        QTest::newRow("another program's tables")
            << u"create table orders (x int)"_s << u"别的程序的数据表（orders）"_s;
        QTest::newRow("another version's tables")
            << u"alter table 房屋资料 drop column 零头"_s << u"数据表 房屋资料 缺少字段：零头"_s;
        QTest::newRow("a column of another type") << u"alter table 收费明细表 alter column 收费金额 type numeric"_s
                                                  << u"数据表 收费明细表 的字段 收费金额 类型为 numeric，应为 bigint"_s;
    }
    void startUpRefuses()
    {
        QFETCH(QString, setUp);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString conninfo = Backend::freshServerDatabase();
        if (setUp.startsWith(u"alter"_s)) {
            QVERIFY(serverHome(dir, conninfo)->openConnection()); // the estate's tables, to be changed
        }
        const DatabaseAddress server {conninfo, {}, true};
        QVERIFY(server.open(u"setup"_s, false, nullptr));
        QVERIFY(QSqlQuery(QSqlDatabase::database(u"setup"_s)).exec(setUp));
        auto dm = serverHome(dir, conninfo);
        QVERIFY(!dm->openConnection());
        QVERIFY2(dm->lastError().contains(reason), qPrintable(dm->lastError()));
        QVERIFY(!dm->isConnected());
        Dialect::Catalog catalog;
        QVERIFY(server.dialect().catalog(QSqlDatabase::database(u"setup"_s), &catalog, nullptr));
        DatabaseAddress::close(u"setup"_s);
        QCOMPARE(catalog.tables.contains(u"orders"_s), setUp.contains(u"orders"_s));
        QCOMPARE(catalog.tables.contains(u"楼宇资料"_s), !setUp.contains(u"orders"_s));
    }

    void unreachableServerIsNamed()
    {
        QTemporaryDir dir;
        auto dm = serverHome(dir, u"host=/nonexistent/socket dbname=parvell user=counter1"_s);
        QVERIFY(!dm->openConnection());
        QVERIFY2(dm->lastError().startsWith(
                     u"数据库服务器（host=/nonexistent/socket dbname=parvell user=counter1）不能连接"_s),
                 qPrintable(dm->lastError()));
        // The reason libpq gives follows on the same line (the start-up message's second).
        QVERIFY(dm->lastError().section(u'\n', 0, 0).contains(u"/nonexistent/socket/.s.PGSQL"_s));
    }

    // The whole SQLite home onto an empty server database: every row with its id, new rows after
    // them; a second migration onto it is refused and changes nothing.
    void migrationCopiesEveryRow()
    {
        const QString conninfo = Backend::freshServerDatabase();
        qint64 rows = 0;
        QString error;
        QVERIFY2(ServerMigration::migrate(m_file, {conninfo, {}, true}, &error, &rows), qPrintable(error));
        QTemporaryDir dir;
        auto server = serverHome(dir, conninfo);
        QVERIFY2(server->openConnection(), qPrintable(server->lastError()));
        const QList<EstateChecks::Row> copied = estateRows(server.get());
        QCOMPARE(copied.size(), rows);
        QCOMPARE(copied, fileRows(m_file));
        ESTATE_HOLDS(EstateChecks::all(server.get()));

        const qint64 highest = server->scalar(u"select max(id) from 房屋资料"_s).toLongLong();
        QVERIFY(server->exec(u"insert into 房屋资料 (房屋代码, 楼宇名称) values ('新-1', '一号楼')"_s));
        QVERIFY(server->scalar(u"select id from 房屋资料 where 房屋代码='新-1'"_s).toLongLong() > highest);

        QVERIFY(!ServerMigration::migrate(m_file, {conninfo, {}, true}, &error));
        QVERIFY2(error.contains(u"已经有"_s) && error.contains(u"没有迁移"_s), qPrintable(error));
        QCOMPARE(estateRows(server.get()).size(), rows + 1);
    }

    // A counter that started on the empty server first (its operator and organisation row) does
    // not stop the migration; the office's own rows take their place.
    void migrationAfterAFirstStart()
    {
        const QString conninfo = Backend::freshServerDatabase();
        QTemporaryDir dir;
        auto first = serverHome(dir, conninfo);
        QVERIFY(first->openConnection());
        first->closeConnection();
        QString error;
        QVERIFY2(ServerMigration::migrate(m_file, {conninfo, {}, true}, &error), qPrintable(error));
        QVERIFY(first->openConnection());
        QCOMPARE(estateRows(first.get()), fileRows(m_file));
    }

    // Backup on a server writes the SQLite file a single counter's backup is; restoring it puts
    // every row back, in one transaction; tidying gives the space back.
    void backupRestoreAndTidyOnTheServer()
    {
        const QString conninfo = Backend::freshServerDatabase();
        QString error;
        QVERIFY2(ServerMigration::migrate(m_file, {conninfo, {}, true}, &error), qPrintable(error));
        QTemporaryDir dir;
        auto server = serverHome(dir, conninfo);
        QVERIFY(server->openConnection());
        const QList<EstateChecks::Row> before = estateRows(server.get());

        const QString copy = dir.filePath(u"备份.db"_s);
        QVERIFY2(DatabaseBackup::backup(server.get(), copy, &error), qPrintable(error));
        QVERIFY2(DatabaseRestore::check(copy, &error), qPrintable(error));
        QCOMPARE(fileRows(copy), before);

        QVERIFY(Maintenance::initialise(server.get(), {u"收费明细表"_s, u"房屋资料"_s}));
        QVERIFY(Maintenance::tidy(server.get(), {u"业主资料"_s}, &error));
        server->closeConnection();
        QVERIFY2(DatabaseRestore::restore(copy, server->address(), &error), qPrintable(error));
        QVERIFY(server->openConnection());
        QCOMPARE(estateRows(server.get()), before);

        // A file that is no database of ours changes nothing on the server.
        writeFile(dir.filePath(u"坏.db"_s), "not a database");
        QVERIFY(!DatabaseRestore::restore(dir.filePath(u"坏.db"_s), server->address(), &error));
        QCOMPARE(estateRows(server.get()), before);
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    TestServerHome tc;
    return Backend::runOnServer(&tc, argc, argv);
}

#include "tst_serverhome.moc"
