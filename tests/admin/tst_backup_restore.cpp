// Backup and restore of the whole database on real files: consistency while another
// connection writes, replacement of existing files, and refusal of every unfit restore source
// with the current database left byte for byte as it was.

#include "admin/core/databasebackup.h"
#include "admin/core/databaserestore.h"
#include "data/sqlitefile.h"
#include "temphome.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <atomic>

namespace {

bool addOwner(Dm1 *dm, const QString &name)
{
    return dm->exec(QStringLiteral("insert into 业主资料 (业主名称) values (?)"), {name});
}

int count(const QString &connection, const QString &table)
{
    QSqlQuery q(QSqlDatabase::database(connection));
    if (!q.exec(QStringLiteral("select count(*) from %1").arg(table)) || !q.next()) {
        return -1;
    }
    return q.value(0).toInt();
}

// Opens a file on its own connection, for checking what a copy holds.
class Reader
{
public:
    explicit Reader(const QString &path)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name());
        db.setDatabaseName(path);
        m_open = db.open();
    }
    ~Reader()
    {
        QSqlDatabase::database(name(), false).close();
        QSqlDatabase::removeDatabase(name());
    }
    static QString name() { return QStringLiteral("reader"); }
    bool open() const { return m_open; }
    int owners() const { return count(name(), QStringLiteral("业主资料")); }
    QString integrity() const
    {
        QSqlQuery q(QSqlDatabase::database(name()));
        return q.exec(QStringLiteral("PRAGMA integrity_check")) && q.next() ? q.value(0).toString() : QString();
    }

private:
    bool m_open = false;
};

QStringList folderListing(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

}

class TestBackupRestore : public QObject
{
    Q_OBJECT

private slots:
    void backupHoldsCommittedRowsWhileAnotherConnectionWrites();
    void backupUnderContinuousWrites();
    void backupReplacesExistingFile();
    void backupOfADamagedDatabaseIsRefused();
    void backupRemovesLeftoversOfKilledBackups();
    void backupRefused_data();
    void backupRefused();
    void restoreBringsBackupRowsBack();
    void restoreIgnoresLeftoverSideFiles();
    void restoreTakesFilesWithAndWithoutAScratchTable_data();
    void restoreTakesFilesWithAndWithoutAScratchTable();
    void aKilledRestoreLeavesNothingBehind();
    void restoreRefused_data();
    void restoreRefused();
    void restoreRefusedWhileAnotherProgramIsConnected();
    void restoreTakesOnlyOurKind_data();
    void restoreTakesOnlyOurKind();
};

void TestBackupRestore::backupHoldsCommittedRowsWhileAnotherConnectionWrites()
{
    TempHome home;
    QVERIFY(home.ok());
    QVERIFY(addOwner(home.dm(), QStringLiteral("张三")));
    {
        // Another copy of the program: one committed row still in the WAL, one row written
        // inside a transaction it has not committed yet.
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        other.setDatabaseName(home.dm()->databasePath());
        QVERIFY(other.open());
        QSqlQuery q(other);
        QVERIFY(q.exec(QStringLiteral("insert into 业主资料 (业主名称) values ('李四')")));
        QVERIFY(other.transaction());
        QVERIFY(q.exec(QStringLiteral("insert into 业主资料 (业主名称) values ('王五')")));

        const QString dest = QDir(home.path()).filePath(QStringLiteral("copy.db"));
        QString error;
        QVERIFY2(DatabaseBackup::backup(home.dm(), dest, &error), qPrintable(error));
        QVERIFY(other.rollback());
        q.finish();
        other.close();

        Reader copy(dest);
        QVERIFY(copy.open());
        QCOMPARE(copy.integrity(), QStringLiteral("ok"));
        QCOMPARE(copy.owners(), 2);
        // A copy is one file: no WAL beside it is needed to read it.
        QCOMPARE(fileBytes(dest).at(18), char(1));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
}

void TestBackupRestore::backupUnderContinuousWrites()
{
    TempHome home;
    QVERIFY(home.ok());
    const QString path = home.dm()->databasePath();
    std::atomic<bool> stop = false;
    std::atomic<int> committed = 0;
    QThread *writer = QThread::create([&] {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("writer"));
            db.setDatabaseName(path);
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
            if (db.open()) {
                QSqlQuery q(db);
                for (int i = 0; !stop && i < 100000; ++i) {
                    q.prepare(QStringLiteral("insert into 业主资料 (业主名称, 备注) values (?, ?)"));
                    q.addBindValue(QStringLiteral("业主%1").arg(i));
                    q.addBindValue(QString(200, QLatin1Char('x')));
                    if (q.exec()) {
                        ++committed;
                    }
                }
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("writer"));
    });
    writer->start();
    QTRY_VERIFY(committed > 200);
    const int before = committed;
    const QString dest = QDir(home.path()).filePath(QStringLiteral("busy.db"));
    QString error;
    const bool ok = DatabaseBackup::backup(home.dm(), dest, &error);
    const int after = committed;
    stop = true;
    writer->wait();
    delete writer;
    QVERIFY2(ok, qPrintable(error));

    Reader copy(dest);
    QVERIFY(copy.open());
    QCOMPARE(copy.integrity(), QStringLiteral("ok"));
    QVERIFY2(copy.owners() >= before && copy.owners() <= after,
             qPrintable(QStringLiteral("%1 not in %2..%3").arg(copy.owners()).arg(before).arg(after)));
}

void TestBackupRestore::backupReplacesExistingFile()
{
    TempHome home;
    QVERIFY(home.ok());
    QVERIFY(addOwner(home.dm(), QStringLiteral("张三")));
    QTemporaryDir target;
    const QString dest = target.filePath(QStringLiteral("备份.db"));
    writeFile(dest, QByteArray("an older file of that name, not a database at all"));
    // An old journal beside it belongs to the old file, not to the copy.
    writeFile(dest + QStringLiteral("-journal"), QByteArray(512, 'j'));

    QString error;
    QVERIFY2(DatabaseBackup::backup(home.dm(), dest, &error), qPrintable(error));
    QCOMPARE(folderListing(target.path()), QStringList {QStringLiteral("备份.db")});
    Reader copy(dest);
    QVERIFY(copy.open());
    QCOMPARE(copy.owners(), 1);
}

// A database with damaged pages is not backed up as good: the copy is checked before success
// is reported, and the destination is left as it was.
void TestBackupRestore::backupOfADamagedDatabaseIsRefused()
{
    QTemporaryDir dir;
    {
        Dm1 dm(dir.path());
        QVERIFY(dm.openConnection());
        QVERIFY(addManyOwners(&dm));
    }
    const QString db = dir.filePath(QStringLiteral("data/data.db"));
    QByteArray bytes = fileBytes(db);
    damagePages(bytes);
    writeFile(db, bytes);
    const QString dest = dir.filePath(QStringLiteral("backup.db"));
    writeFile(dest, "an older backup");

    Dm1 dm(dir.path());
    QVERIFY(dm.openConnection());
    QString error;
    QVERIFY(!DatabaseBackup::backup(&dm, dest, &error));
    QVERIFY2(error.contains(QStringLiteral("损坏")), qPrintable(error));
    QVERIFY2(error.contains(QStringLiteral("数据恢复")), qPrintable(error));
    QCOMPARE(fileBytes(dest), QByteArray("an older backup"));
    QCOMPARE(folderListing(dir.path()), (QStringList {QStringLiteral("backup.db")}));
}

// A backup killed halfway leaves its private copy and journal beside the destination; the next
// backup to that destination removes them, but not a copy another backup is still writing nor
// anything of another destination.
void TestBackupRestore::backupRemovesLeftoversOfKilledBackups()
{
    TempHome home;
    QVERIFY(home.ok());
    QVERIFY(addOwner(home.dm(), QStringLiteral("张三")));
    QTemporaryDir target;
    const auto make = [&](const char *name) {
        writeFile(target.filePath(QString::fromUtf8(name)), QByteArray(4096, 'p'));
    };
    make(".备份.db.Ab12Cd.part");
    make(".备份.db.Ab12Cd.part-journal");
    make(".备份.db.Zz99Yy.part-journal");
    make(".备份.db.LiVe01.part");
    make(".其他.db.Ab12Cd.part");
    make("备份.db.Ab12Cd.part");
    SqliteFile::FileLock running;
    QVERIFY(running.hold(target.filePath(QStringLiteral(".备份.db.LiVe01.part"))));

    QString error;
    QVERIFY2(DatabaseBackup::backup(home.dm(), target.filePath(QStringLiteral("备份.db")), &error), qPrintable(error));
    QCOMPARE(folderListing(target.path()),
             (QStringList {QStringLiteral(".其他.db.Ab12Cd.part"), QStringLiteral(".备份.db.LiVe01.part"),
                           QStringLiteral("备份.db"), QStringLiteral("备份.db.Ab12Cd.part")}));
}

void TestBackupRestore::backupRefused_data()
{
    QTest::addColumn<QString>("destination"); // relative to the home; %1 is the home
    QTest::addColumn<QString>("named"); // what the message must name; empty for none

    QTest::newRow("nothing chosen") << QString() << QString();
    QTest::newRow("blank") << QStringLiteral("   ") << QString();
    QTest::newRow("the database itself") << QStringLiteral("%1/data/data.db") << QStringLiteral("data.db");
    QTest::newRow("the database by another spelling")
        << QStringLiteral("%1/data/../data/data.db") << QStringLiteral("data.db");
    QTest::newRow("its WAL") << QStringLiteral("%1/data/data.db-wal") << QStringLiteral("data.db-wal");
    QTest::newRow("folder missing") << QStringLiteral("%1/nowhere/copy.db") << QStringLiteral("nowhere");
    QTest::newRow("a folder") << QStringLiteral("%1/data") << QStringLiteral("data");
}

void TestBackupRestore::backupRefused()
{
    QFETCH(QString, destination);
    QFETCH(QString, named);
    TempHome home;
    QVERIFY(home.ok());
    QVERIFY(addOwner(home.dm(), QStringLiteral("张三")));
    const QString dest = destination.contains(QStringLiteral("%1")) ? destination.arg(home.path()) : destination;
    const QStringList dataBefore = folderListing(home.path() + QStringLiteral("/data"));

    QString error;
    QVERIFY(!DatabaseBackup::backup(home.dm(), dest, &error));
    QVERIFY(!error.isEmpty());
    if (!named.isEmpty()) {
        QVERIFY2(error.contains(named), qPrintable(error));
    }
    QCOMPARE(folderListing(home.path() + QStringLiteral("/data")), dataBefore);
    QCOMPARE(home.dm()->scalar(QStringLiteral("select count(*) from 业主资料")).toInt(), 1);
}

void TestBackupRestore::restoreBringsBackupRowsBack()
{
    TempHome home;
    QVERIFY(home.ok());
    Dm1 *dm = home.dm();
    QVERIFY(addOwner(dm, QStringLiteral("张三")));
    QVERIFY(addOwner(dm, QStringLiteral("O'Brien")));
    QVERIFY(addOwner(dm, QStringLiteral("阿里")));
    const QString backup = QDir(home.path()).filePath(QStringLiteral("backup.db"));
    QString error;
    QVERIFY2(DatabaseBackup::backup(dm, backup, &error), qPrintable(error));
    QVERIFY(dm->exec(QStringLiteral("delete from 业主资料")));
    QVERIFY(addOwner(dm, QStringLiteral("后来的")));

    dm->closeConnection();
    QVERIFY2(DatabaseRestore::restore(backup, dm->databasePath(), &error), qPrintable(error));
    QVERIFY2(dm->openConnection(), qPrintable(dm->lastError()));
    QCOMPARE(dm->column(QStringLiteral("select 业主名称 from 业主资料 order by id")),
             (QStringList {QStringLiteral("张三"), QStringLiteral("O'Brien"), QStringLiteral("阿里")}));
    // The restored file sorts as the office expects on the connection opened again: Latin
    // letters, then Chinese in pinyin order (阿 before 张, which their bytes would not give).
    QCOMPARE(dm->column(QStringLiteral("select 业主名称 from 业主资料 order by ")
                        + Dm1::orderTerm(QStringLiteral("业主名称"))),
             (QStringList {QStringLiteral("O'Brien"), QStringLiteral("阿里"), QStringLiteral("张三")}));
    // Writing after a restore works, and nothing of the staging copy is left behind.
    QVERIFY(addOwner(dm, QStringLiteral("再来的")));
    dm->closeConnection();
    QCOMPARE(folderListing(home.path() + QStringLiteral("/data")), QStringList {QStringLiteral("data.db")});
}

void TestBackupRestore::restoreTakesFilesWithAndWithoutAScratchTable_data()
{
    QTest::addColumn<bool>("olderFile");
    QTest::newRow("a copy of this version: no 通用 in the file") << false;
    QTest::newRow("a copy of an older version: its own 通用 with rows") << true;
}

// The scratch table belongs to each connection, so a copy holds none; a copy made by an older
// version still holds one, and is restored too. Either way the restored database shows an
// empty scratch table of its own.
void TestBackupRestore::restoreTakesFilesWithAndWithoutAScratchTable()
{
    QFETCH(bool, olderFile);
    TempHome home;
    QVERIFY(home.ok());
    Dm1 *dm = home.dm();
    QVERIFY(addOwner(dm, QStringLiteral("张三")));
    QVERIFY(dm->prepareScratch());
    QVERIFY(dm->exec(QStringLiteral("insert into 通用 (texta) values ('本机的报表')")));
    const QString backup = QDir(home.path()).filePath(QStringLiteral("backup.db"));
    QString error;
    QVERIFY2(DatabaseBackup::backup(dm, backup, &error), qPrintable(error));
    {
        Reader copy(backup);
        QVERIFY(copy.open());
        QSqlQuery q(QSqlDatabase::database(Reader::name()));
        QVERIFY(q.exec(QStringLiteral("select count(*) from sqlite_master where name='通用'")) && q.next());
        QCOMPARE(q.value(0).toInt(), 0);
        if (olderFile) {
            QVERIFY(q.exec(QStringLiteral("create table 通用 (id INTEGER PRIMARY KEY, texta TEXT)")));
            QVERIFY(q.exec(QStringLiteral("insert into 通用 (texta) values ('旧版本的报表')")));
        }
    }
    dm->closeConnection();
    QVERIFY2(DatabaseRestore::check(backup, &error), qPrintable(error));
    QVERIFY2(DatabaseRestore::restore(backup, dm->databasePath(), &error), qPrintable(error));
    QVERIFY2(dm->openConnection(), qPrintable(dm->lastError()));
    QCOMPARE(dm->column(QStringLiteral("select 业主名称 from 业主资料")), QStringList {QStringLiteral("张三")});
    QCOMPARE(dm->scalar(QStringLiteral("select count(*) from 通用")).toInt(), 0);
    QCOMPARE(dm->scalar(QStringLiteral("select count(*) from main.sqlite_master where name='通用'")).toInt(),
             olderFile ? 1 : 0);
}

void TestBackupRestore::restoreIgnoresLeftoverSideFiles()
{
    TempHome home;
    QVERIFY(home.ok());
    Dm1 *dm = home.dm();
    QVERIFY(addOwner(dm, QStringLiteral("张三")));
    const QString backup = QDir(home.path()).filePath(QStringLiteral("backup.db"));
    QString error;
    QVERIFY2(DatabaseBackup::backup(dm, backup, &error), qPrintable(error));
    QVERIFY(addOwner(dm, QStringLiteral("李四")));
    dm->closeConnection();
    // Leftovers of the old database that must not be applied to the restored file.
    const QString db = dm->databasePath();
    writeFile(db + QStringLiteral("-shm"), QByteArray(32768, '\x7f'));
    writeFile(db + QStringLiteral("-journal"), QByteArray(4096, '\x01'));

    QVERIFY2(DatabaseRestore::restore(backup, db, &error), qPrintable(error));
    QVERIFY2(dm->openConnection(), qPrintable(dm->lastError()));
    QCOMPARE(dm->column(QStringLiteral("select 业主名称 from 业主资料")), QStringList {QStringLiteral("张三")});
    QCOMPARE(dm->scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
}

// A restore killed before its copy took the database's name leaves the copy and its journal
// beside the database: the next start removes them, unless a running restore still builds it.
void TestBackupRestore::aKilledRestoreLeavesNothingBehind()
{
    TempHome home;
    QVERIFY(home.ok());
    Dm1 *dm = home.dm();
    const QString staging = SqliteFile::restoringPath(dm->databasePath());
    QCOMPARE(staging, dm->databasePath() + QStringLiteral(".restoring"));
    dm->closeConnection();
    for (const QString &file : QStringList {staging, staging + QStringLiteral("-journal")}) {
        writeFile(file, "left by a killed restore");
    }
    {
        SqliteFile::FileLock building;
        QVERIFY(building.hold(staging));
        QVERIFY(dm->openConnection());
        QVERIFY(QFile::exists(staging));
        dm->closeConnection();
    }
    QVERIFY(dm->openConnection());
    dm->closeConnection();
    QCOMPARE(folderListing(QFileInfo(staging).absolutePath()), QStringList {QStringLiteral("data.db")});
}

void TestBackupRestore::restoreRefused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason"); // a word the message must hold

    QTest::newRow("nothing chosen") << QStringLiteral("empty path") << QStringLiteral("请先选择");
    QTest::newRow("text file") << QStringLiteral("text") << QStringLiteral("不是本系统的数据库文件");
    QTest::newRow("empty file") << QStringLiteral("zero") << QStringLiteral("不是本系统的数据库文件");
    QTest::newRow("truncated backup") << QStringLiteral("truncated") << QStringLiteral("损坏");
    QTest::newRow("corrupt page") << QStringLiteral("corrupt") << QStringLiteral("损坏");
    QTest::newRow("another program's database") << QStringLiteral("foreign") << QStringLiteral("缺少数据表");
    QTest::newRow("some of our tables only") << QStringLiteral("partial") << QStringLiteral("押金明细表");
    QTest::newRow("gone after choosing") << QStringLiteral("gone") << QStringLiteral("不存在");
    QTest::newRow("a folder") << QStringLiteral("folder") << QStringLiteral("不是一个文件");
}

void TestBackupRestore::restoreRefused()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    TempHome home;
    QVERIFY(home.ok());
    Dm1 *dm = home.dm();
    // Enough rows for a database of many pages, so that a damaged page is one in use.
    QVERIFY(addManyOwners(dm));
    const QString good = QDir(home.path()).filePath(QStringLiteral("good.db"));
    QString error;
    QVERIFY2(DatabaseBackup::backup(dm, good, &error), qPrintable(error));
    const QByteArray goodBytes = fileBytes(good);
    QVERIFY(goodBytes.size() > 40 * 4096);

    QString source = QDir(home.path()).filePath(QStringLiteral("source.db"));
    if (kind == QStringLiteral("empty path")) {
        source.clear();
    } else if (kind == QStringLiteral("text")) {
        writeFile(source, QStringLiteral("房屋代码,业主名称\n0101,张三\n").toUtf8());
    } else if (kind == QStringLiteral("zero")) {
        writeFile(source, {});
    } else if (kind == QStringLiteral("truncated")) {
        writeFile(source, goodBytes.left(goodBytes.size() / 2));
    } else if (kind == QStringLiteral("corrupt")) {
        QByteArray bytes = goodBytes;
        damagePages(bytes);
        writeFile(source, bytes);
    } else if (kind == QStringLiteral("foreign") || kind == QStringLiteral("partial")) {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("foreign"));
            db.setDatabaseName(source);
            QVERIFY(db.open());
            QSqlQuery q(db);
            if (kind == QStringLiteral("foreign")) {
                QVERIFY(q.exec(QStringLiteral("create table notes (id integer primary key, body text)")));
            } else {
                for (const TableDef &t : Schema::tables()) {
                    if (t.name != QStringLiteral("押金明细表")) {
                        QVERIFY(q.exec(
                            QStringLiteral("create table %1 (id integer primary key)").arg(Schema::quoted(t.name))));
                    }
                }
            }
            q.finish();
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("foreign"));
    } else if (kind == QStringLiteral("gone")) {
        writeFile(source, goodBytes);
        QVERIFY(QFile::remove(source));
    } else if (kind == QStringLiteral("folder")) {
        QVERIFY(QDir(home.path()).mkdir(QStringLiteral("source.db")));
    }

    dm->closeConnection();
    const QString db = dm->databasePath();
    const QByteArray before = fileBytes(db);
    const QStringList filesBefore = folderListing(QFileInfo(db).absolutePath());
    QVERIFY(!before.isEmpty());

    error.clear();
    QVERIFY(!DatabaseRestore::restore(source, db, &error));
    QVERIFY2(error.contains(reason), qPrintable(error));
    if (!source.isEmpty()) {
        QVERIFY2(error.contains(QStringLiteral("source.db")), qPrintable(error));
    }
    QVERIFY(fileBytes(db) == before);
    QCOMPARE(folderListing(QFileInfo(db).absolutePath()), filesBefore);
    QVERIFY2(dm->openConnection(), qPrintable(dm->lastError()));
    QCOMPARE(dm->scalar(QStringLiteral("select count(*) from 业主资料")).toInt(), 400);
}

void TestBackupRestore::restoreRefusedWhileAnotherProgramIsConnected()
{
    TempHome home;
    QVERIFY(home.ok());
    Dm1 *dm = home.dm();
    QVERIFY(addOwner(dm, QStringLiteral("张三")));
    const QString backup = QDir(home.path()).filePath(QStringLiteral("backup.db"));
    QString error;
    QVERIFY2(DatabaseBackup::backup(dm, backup, &error), qPrintable(error));
    {
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        other.setDatabaseName(dm->databasePath());
        QVERIFY(other.open());
        QSqlQuery q(other);
        QVERIFY(q.exec(QStringLiteral("insert into 业主资料 (业主名称) values ('李四')")));
        q.finish();
        dm->closeConnection();

        QVERIFY(!DatabaseRestore::restore(backup, dm->databasePath(), &error));
        QVERIFY2(error.contains(QStringLiteral("其他程序")), qPrintable(error));
        QCOMPARE(count(QStringLiteral("other"), QStringLiteral("业主资料")), 2);
        other.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
    QVERIFY(dm->openConnection());
    QCOMPARE(dm->scalar(QStringLiteral("select count(*) from 业主资料")).toInt(), 2);
    QVERIFY(!QFile::exists(dm->databasePath() + QStringLiteral(".restoring")));
}

// A backup changed by hand or by another program: accepted only when its tables, columns and
// keys are the ones this program makes (extra columns, tables and plain indexes of a newer
// version allowed; an older version's scratch table too), without triggers or views, with an
// operator to log in and the organisation row. Otherwise refused with the reason, the current
// database untouched.
void TestBackupRestore::restoreTakesOnlyOurKind_data()
{
    QTest::addColumn<QStringList>("changes"); // statements run on a good backup
    QTest::addColumn<QString>("reason"); // empty: accepted; otherwise words the refusal holds

    const auto list = [](std::initializer_list<const char *> sql) {
        QStringList out;
        for (const char *s : sql) {
            out << QString::fromUtf8(s);
        }
        return out;
    };
    QTest::newRow("as backed up") << QStringList() << QString();
    QTest::newRow("a newer version's column, table and index")
        << list({"alter table 房屋资料 add column 车位 TEXT", "create table 车位表 (id integer primary key, 车位 text)",
                 "create index 车位索引 on 房屋资料 (车位)"})
        << QString();
    QTest::newRow("with an older version's scratch table")
        << list({"create table 通用 (id integer primary key, texta text)"}) << QString();
    QTest::newRow("a trigger that empties the houses and the passwords")
        << list({"create trigger 暗门 after insert on 押金明细表 begin delete from 房屋资料; "
                 "update 权限表 set 操作口令=''; end"})
        << QStringLiteral("触发器 暗门");
    QTest::newRow("a view") << list({"create view 口令 as select 姓名, 操作口令 from 权限表"})
                            << QStringLiteral("视图 口令");
    QTest::newRow("a missing column") << list({"alter table 房屋资料 drop column 押金"})
                                      << QStringLiteral("房屋资料 缺少字段：押金");
    QTest::newRow("a column of another type")
        << list({"alter table 押金明细表 drop column 金额", "alter table 押金明细表 add column 金额 TEXT"})
        << QStringLiteral("押金明细表 的字段 金额");
    QTest::newRow("without a unique key")
        << list({"drop index \"ux_房屋资料_房屋代码\""}) << QStringLiteral("房屋资料 缺少唯一键（房屋代码）");
    QTest::newRow("a unique key of its own")
        << list({"create unique index 一户一笔 on 押金明细表 (房屋代码)"}) << QStringLiteral("押金明细表");
    QTest::newRow("the unpaid lines' index under a condition of its own")
        << list(
               {"drop index \"ix_收费明细表_年度_月份_房屋代码_收费名称_缴费状态_收费金额_欠费\"",
                "create index \"ix_收费明细表_年度_月份_房屋代码_收费名称_缴费状态_收费金额_欠费\" on 收费明细表 "
                "(年度, 月份, 房屋代码, 收费名称, 缴费状态, 收费金额) where 缴费状态 like '未%'"})
        << QStringLiteral("ix_收费明细表_年度_月份_房屋代码_收费名称_缴费状态_收费金额_欠费 带有条件或表达式");
    QTest::newRow("an index on an expression")
        << list({"create index 金额索引 on 收费明细表 (abs(收费金额))"}) << QStringLiteral("金额索引");
    QTest::newRow("a check that refuses deposits")
        << list({"alter table 押金明细表 add column 备用 integer check (金额 < 0)"}) << QStringLiteral("押金明细表");
    QTest::newRow("a required column of its own with a default")
        << list({"alter table 权限表 add column 级别 integer not null default 1"}) << QString();
    // A table made to refuse the values it holds fails the engine's check on every row: the file
    // is told as not ours, with why, once (not as damaged, nor with the engine's words).
    QTest::newRow("a table that refuses what it holds")
        << list({"insert into 押金明细表 (金额) values ('abc'), ('x'), ('y')", "PRAGMA writable_schema=ON",
                 "update sqlite_schema set sql = sql || ' STRICT' where name = '押金明细表'"})
        << QStringLiteral("不是本系统的数据库文件 押金明细表");
    QTest::newRow("no operator") << list({"delete from 权限表"}) << QStringLiteral("操作员");
    QTest::newRow("no organisation row") << list({"delete from 公司信息"}) << QStringLiteral("公司信息");
}

void TestBackupRestore::restoreTakesOnlyOurKind()
{
    QFETCH(QStringList, changes);
    QFETCH(QString, reason);
    TempHome home;
    QVERIFY(home.ok());
    Dm1 *dm = home.dm();
    QVERIFY(addOwner(dm, QStringLiteral("张三")));
    const QString source = QDir(home.path()).filePath(QStringLiteral("source.db"));
    QString error;
    QVERIFY2(DatabaseBackup::backup(dm, source, &error), qPrintable(error));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("changer"));
        db.setDatabaseName(source);
        QVERIFY(db.open());
        QSqlQuery q(db);
        for (const QString &sql : std::as_const(changes)) {
            QVERIFY2(q.exec(sql), qPrintable(sql + QLatin1Char(' ') + q.lastError().text()));
        }
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("changer"));
    QVERIFY(addOwner(dm, QStringLiteral("李四")));
    dm->closeConnection();
    const QString db = dm->databasePath();
    const QByteArray before = fileBytes(db);
    const QStringList filesBefore = folderListing(QFileInfo(db).absolutePath());

    const bool restored = DatabaseRestore::restore(source, db, &error);
    if (reason.isEmpty()) {
        QVERIFY2(restored, qPrintable(error));
        QVERIFY2(dm->openConnection(), qPrintable(dm->lastError()));
        QCOMPARE(dm->column(QStringLiteral("select 业主名称 from 业主资料")), QStringList {QStringLiteral("张三")});
        QVERIFY(addOwner(dm, QStringLiteral("王五")));
        return;
    }
    QVERIFY(!restored);
    QVERIFY2(error.contains(QStringLiteral("source.db")), qPrintable(error));
    for (const QString &word : reason.split(QLatin1Char(' '))) {
        QVERIFY2(error.contains(word), qPrintable(error));
    }
    QVERIFY2(!error.contains(QStringLiteral("损坏")) && !error.contains(QStringLiteral("value in")), qPrintable(error));
    QVERIFY(fileBytes(db) == before);
    QCOMPARE(folderListing(QFileInfo(db).absolutePath()), filesBefore);
    QVERIFY2(dm->openConnection(), qPrintable(dm->lastError()));
    QCOMPARE(dm->scalar(QStringLiteral("select count(*) from 业主资料")).toInt(), 2);
}

QTEST_GUILESS_MAIN(TestBackupRestore)
#include "tst_backup_restore.moc"
