#include "backend.h"
#include "data/dm1.h"
#include "data/installedfiles.h"
#include "data/refusal.h"
#include "data/scratchwriter.h"
#include "data/transaction.h"
#include "temphome.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>

namespace {
// The data model as the estate office's data file names it.
const QList<QPair<QString, QString>> Model = {
    {"楼宇资料", "楼宇名称 建成日期 楼房结构 楼宇层数 房屋数量 住户数量 空置房数量 操作人员 操作日期 备注"},
    {"房屋资料",
     "房屋代码 房屋名称 楼宇名称 楼宇单元 房屋位置 房型 产权状况 房屋面积 公摊面积 其它面积一 其它面积二 "
     "使用状况 迁入日期 迁出日期 业主名称 身份证号 工作单位 联系地址 联系电话 银行帐号 零头 押金 操作人员 操作日期 "
     "备注"},
    {"业主资料",
     "业主名称 身份证号 联系电话 工作单位 联系地址 开户银行 银行帐号 房屋代码 预付金额 开始使用 是否使用 "
     "操作人员 操作日期 备注"},
    {"收费项目", "收费名称 单价 计算公式 收费面积 收费范围 收费周期 收费类别 金额 收费说明 停止收费 操作人员 操作日期"},
    {"房屋收费项目",
     "房屋代码 房屋名称 楼宇名称 楼宇单元 业主名称 房屋面积 公摊面积 其它面积一 其它面积二 收费名称 计算公式 "
     "收费面积 收费范围 收费说明 收费周期 收费类别 单价 预付金额 金额 操作人员 操作日期 备注"},
    {"收费明细表",
     "房屋代码 房屋名称 业主名称 楼宇名称 楼宇单元 收费名称 计算公式 收费面积 单价 本月表数 上月表数 面积/数量 "
     "收费金额 开始日期 结束日期 年度 月份 缴费状态 缴费时间 缴费人 收款人 单据号码 操作人员 操作日期 备注"},
    {"收费汇总表",
     "年度 月份 收费项目 楼宇名称 楼宇单元 房屋代码 业主名称 收费金额 实收金额 现金 支票 零头 上次零头 缴费时间 "
     "缴费方式 单据号码 缴费人 收款人 操作人员 操作日期 备注"},
    {"房屋租赁表",
     "房屋代码 房屋名称 房屋位置 楼宇名称 楼宇单元 业主名称 身份证号 工作单位 联系地址 联系电话 租售情况 迁入日期 "
     "已经迁入 预计迁出日期 实际迁出日期 已经迁出 操作人员 操作日期 备注"},
    {"押金明细表", "日期 楼宇名称 楼宇单元 房屋代码 业主名称 操作类型 金额 缴费方式 单据号码 操作人员 操作日期 备注"},
    {"公司信息",
     "公司名称 公司地址 邮政编码 联系人 联系电话 开户银行 银行帐号 系统标题 动态文字 自动提醒 提前提醒天数"},
    {"权限表", "姓名 操作口令 身份证号 联系电话 输入法 备注 操作员 操作日期"},
    {"通用",
     "texta textb textc textd texte textf textg texth texti moneya moneyb moneyc moneyd moneye moneyf moneyg moneyh "
     "numbera numberb numberc "
     "datea dateb datec"},
};

// A home whose database holds enough owners for many pages, then has some of those pages
// overwritten the way a failing disk leaves them; rollback journal (as a copy or an older
// file is), unless wal.
QString damagedHome(const QTemporaryDir &dir, bool wal)
{
    {
        Dm1 dm(dir.path());
        if (!dm.openConnection() || !addManyOwners(&dm)) {
            return {};
        }
    }
    const QString path = dir.path() + QStringLiteral("/data/data.db");
    QByteArray bytes = fileBytes(path);
    if (!wal) {
        bytes[18] = 1;
        bytes[19] = 1;
    }
    damagePages(bytes);
    writeFile(path, bytes);
    return path;
}

QStringList dataFolder(const QTemporaryDir &dir)
{
    return QDir(dir.filePath(QStringLiteral("data")))
        .entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// A complete database of "another copy of the program", to appear in a home while this one is
// still building its own; it holds one building named 别人的.
QString otherCopysDatabase(const QTemporaryDir &scratch)
{
    {
        Dm1 dm(scratch.path());
        if (!dm.openConnection() || !dm.exec(QStringLiteral("insert into 楼宇资料 (楼宇名称) values ('别人的')"))) {
            return {};
        }
    }
    return scratch.filePath(QStringLiteral("data/data.db"));
}

// Makes a file read-only even for root (immutable), and writable again when it goes.
class ReadOnly
{
public:
    explicit ReadOnly(const QString &path)
        : m_path(path)
    {
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther | QFile::ExeOwner);
        m_ok = !QFileInfo(path).isWritable(); // root may write anyway
        if (!m_ok && QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path}) == 0) {
            m_chattr = true;
            m_ok = true;
        }
    }
    ~ReadOnly()
    {
        if (m_chattr) {
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), m_path});
        }
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    bool ok() const { return m_ok; }

private:
    QString m_path;
    bool m_ok = false;
    bool m_chattr = false;
};

QByteArray digest(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}
}

class TestDm1 : public QObject
{
    Q_OBJECT
private slots:
    void newDatabaseHasEveryTableAndField()
    {
        TempHome home;
        QVERIFY(home.ok());
        QCOMPARE(QFile::exists(home.path() + QStringLiteral("/data/data.db")), !Backend::onServer());
        // The database's tables, and the connection's own scratch table 通用 besides them.
        Dialect::Catalog catalog;
        QVERIFY(home.dm()->dialect().catalog(home.dm()->database(), &catalog, nullptr));
        QCOMPARE(catalog.tables.size(), Model.size() - 1);
        QVERIFY(!catalog.tables.contains(QStringLiteral("通用")));
        for (const auto &[table, fieldText] : Model) {
            QVERIFY2(table == QStringLiteral("通用") || catalog.tables.contains(table), qPrintable(table));
            QSqlQuery q(home.dm()->database());
            QVERIFY2(q.exec(QStringLiteral("select * from %1 where 1=0").arg(Schema::quoted(table))),
                     qPrintable(table));
            QStringList fields;
            for (int i = 0; i < q.record().count(); ++i) {
                fields << q.record().fieldName(i);
            }
            QCOMPARE(fields.takeFirst(), QStringLiteral("id"));
            QCOMPARE(fields, fieldText.split(QLatin1Char(' ')));
        }
    }

    void newDatabaseLetsTheDefaultOperatorIn()
    {
        TempHome home;
        QCOMPARE(home.dm()->scalar(QStringLiteral("select count(*) from 权限表")).toInt(), 1);
        QCOMPARE(home.dm()->scalar(QStringLiteral("select coalesce(操作口令, '') from 权限表")).toString(), QString());
        QCOMPARE(home.dm()->scalar(QStringLiteral("select count(*) from 公司信息")).toInt(), 1);
        QVERIFY(!home.dm()->scalar(QStringLiteral("select 系统标题 from 公司信息")).toString().trimmed().isEmpty());
        QVERIFY(!home.dm()->scalar(QStringLiteral("select 动态文字 from 公司信息")).toString().isEmpty());
    }

    void keysAreDeclared_data()
    {
        QTest::addColumn<QString>("insert");
        QTest::newRow("building") << "insert into 楼宇资料 (楼宇名称) values ('甲')";
        QTest::newRow("house") << "insert into 房屋资料 (房屋代码) values ('甲')";
        QTest::newRow("owner") << "insert into 业主资料 (业主名称) values ('甲')";
        QTest::newRow("fee item") << "insert into 收费项目 (收费名称) values ('甲')";
        QTest::newRow("operator") << "insert into 权限表 (姓名) values ('甲')";
        QTest::newRow("house fee item") << "insert into 房屋收费项目 (房屋代码, 收费名称) values ('甲', '乙')";
        QTest::newRow("bill line")
            << "insert into 收费明细表 (房屋代码, 收费名称, 年度, 月份) values ('甲', '乙', '2004', '8')";
    }
    void keysAreDeclared()
    {
        QFETCH(QString, insert);
        TempHome home;
        QVERIFY(home.dm()->exec(insert));
        QString error;
        QVERIFY(!home.dm()->exec(insert, {}, &error));
        QVERIFY2(error.contains(QStringLiteral("UNIQUE")) || Refusal::sqlState(error) == QStringLiteral("23505"),
                 qPrintable(error));
    }

    void existingDatabaseOpensUnchanged()
    {
        ONLY_ON_A_FILE();
        QTemporaryDir dir;
        {
            Dm1 dm(dir.path());
            QVERIFY(dm.openConnection());
            QVERIFY(dm.exec(QStringLiteral("insert into 楼宇资料 (楼宇名称) values ('翠园')")));
            QVERIFY(dm.exec(QStringLiteral("update 公司信息 set 系统标题='自己的标题'")));
        }
        Dm1 dm(dir.path());
        QVERIFY(dm.openConnection());
        QCOMPARE(dm.column(QStringLiteral("select 楼宇名称 from 楼宇资料")), QStringList(QStringLiteral("翠园")));
        QCOMPARE(dm.scalar(QStringLiteral("select 系统标题 from 公司信息")).toString(), QStringLiteral("自己的标题"));
        QCOMPARE(dm.scalar(QStringLiteral("select count(*) from 权限表")).toInt(), 1);
    }

    // Whatever lies at data/data.db that is not a database is refused and left as it was.
    void notADatabaseIsRefusedAndLeftAlone_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("random bytes") << QByteArray("\x13\x37 not a database at all, just bytes \xff\xfe", 40);
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("text") << QByteArray("SQLite format 2 looks close but is not\n");
        QByteArray truncated("SQLite format 3\0", 16);
        truncated.append(QByteArray(84, '\0'));
        QTest::newRow("header only") << truncated;
    }
    void notADatabaseIsRefusedAndLeftAlone()
    {
        ONLY_ON_A_FILE();
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        QDir(dir.path()).mkpath(QStringLiteral("data"));
        const QString path = dir.path() + QStringLiteral("/data/data.db");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        const QByteArray before = digest(path);
        {
            Dm1 dm(dir.path());
            QVERIFY(!dm.openConnection());
            QVERIFY(!dm.isConnected());
        }
        QCOMPARE(digest(path), before);
        QCOMPARE(QFileInfo(path).size(), qint64(content.size()));
        QVERIFY(!QFile::exists(path + QStringLiteral("-wal")));
    }

    // A damaged file is not switched to another journal at start (which would change it): it
    // is refused with the reason and left as it was.
    void damagedDatabaseIsLeftAsItWas()
    {
        ONLY_ON_A_FILE();
        QTemporaryDir dir;
        const QString path = damagedHome(dir, false);
        QVERIFY(!path.isEmpty());
        const QByteArray before = digest(path);
        Dm1 dm(dir.path());
        QVERIFY(!dm.openConnection());
        QVERIFY2(dm.lastError().contains(QStringLiteral("损坏")), qPrintable(dm.lastError()));
        QVERIFY2(dm.lastError().contains(QStringLiteral("恢复")), qPrintable(dm.lastError()));
        QCOMPARE(digest(path), before);
        QVERIFY(!QFile::exists(path + QStringLiteral("-wal")));
    }

    // A read that meets a damaged page says so in the operator's words, with what to do.
    void readOfADamagedPageIsExplained()
    {
        ONLY_ON_A_FILE();
        QTemporaryDir dir;
        QVERIFY(!damagedHome(dir, true).isEmpty());
        Dm1 dm(dir.path());
        QVERIFY(dm.openConnection());
        DataSet owners;
        owners.setSql({QStringLiteral("select * from 业主资料"), QStringLiteral("order by 业主名称")});
        QVERIFY(!owners.open());
        QVERIFY(Refusal::isDamage(owners.lastError()));
        const QString shown = Refusal::of(owners.lastError()).message;
        QVERIFY2(shown.contains(QStringLiteral("数据库文件已经损坏")), qPrintable(shown));
        QVERIFY2(shown.contains(QStringLiteral("恢复")), qPrintable(shown));
        QVERIFY(!Refusal::isDamage(QStringLiteral("UNIQUE constraint failed: 楼宇资料.楼宇名称")));
    }

    // A new home's database is built under a private name beside its place (with whatever the
    // first start puts in, such as the demo estate) and takes its name only when complete.
    void newDatabaseAppearsOnlyWhenComplete()
    {
        ONLY_ON_A_FILE();
        QTemporaryDir dir;
        Dm1 dm(dir.path());
        bool sawNoDatabase = false;
        QVERIFY(dm.openConnection([&](Dm1 *building, QString *error) {
            sawNoDatabase = !QFile::exists(dir.filePath(QStringLiteral("data/data.db")));
            return building->exec(QStringLiteral("insert into 楼宇资料 (楼宇名称) values ('一号楼')"), {}, error);
        }));
        QVERIFY(sawNoDatabase);
        QCOMPARE(dm.column(QStringLiteral("select 楼宇名称 from 楼宇资料")), QStringList(QStringLiteral("一号楼")));
        QCOMPARE(dm.scalar(QStringLiteral("select count(*) from 权限表")).toInt(), 1);
        dm.closeConnection();
        QCOMPARE(dataFolder(dir), QStringList(QStringLiteral("data.db")));
    }

    // Two copies started together on a new home: the one that finishes second keeps the
    // other's database, and one that fails removes only its own file.
    void secondCopyNeverRemovesTheFirstsDatabase_data()
    {
        QTest::addColumn<bool>("thisOneFails");
        QTest::newRow("this one succeeds") << false;
        QTest::newRow("this one fails") << true;
    }
    void secondCopyNeverRemovesTheFirstsDatabase()
    {
        ONLY_ON_A_FILE();
        QFETCH(bool, thisOneFails);
        QTemporaryDir scratch, dir;
        const QString other = otherCopysDatabase(scratch);
        QVERIFY(!other.isEmpty());
        const QString path = dir.filePath(QStringLiteral("data/data.db"));
        {
            Dm1 dm(dir.path());
            const bool opened = dm.openConnection([&](Dm1 *, QString *error) {
                QFile::copy(other, path); // the other copy finished first
                *error = QStringLiteral("失败");
                return !thisOneFails;
            });
            QCOMPARE(opened, !thisOneFails);
            if (opened) {
                QCOMPARE(dm.column(QStringLiteral("select 楼宇名称 from 楼宇资料")),
                         QStringList(QStringLiteral("别人的")));
            }
        }
        QCOMPARE(digest(path), digest(other));
        QCOMPARE(dataFolder(dir), QStringList(QStringLiteral("data.db")));
    }

    // A failed first start leaves no database, so the next start builds one afresh.
    void failedFirstStartLeavesNothing()
    {
        ONLY_ON_A_FILE();
        QTemporaryDir dir;
        {
            Dm1 dm(dir.path());
            QVERIFY(!dm.openConnection([](Dm1 *building, QString *error) {
                building->exec(QStringLiteral("insert into 楼宇资料 (楼宇名称) values ('一半')"));
                *error = QStringLiteral("示例数据没有建成");
                return false;
            }));
            QVERIFY2(dm.lastError().contains(QStringLiteral("示例数据没有建成")), qPrintable(dm.lastError()));
            QVERIFY(!dm.isConnected());
        }
        QVERIFY(dataFolder(dir).isEmpty());
        Dm1 dm(dir.path());
        QVERIFY(dm.openConnection());
        QCOMPARE(dm.scalar(QStringLiteral("select count(*) from 楼宇资料")).toInt(), 0);
    }

    // What a first start killed halfway left beside the database goes at the next start; side
    // files of a database that is no longer there are never applied to a new one.
    void leftoversOfAKilledStartAreRemoved()
    {
        ONLY_ON_A_FILE();
        QTemporaryDir scratch, dir;
        QDir(dir.path()).mkpath(QStringLiteral("data"));
        for (const char *name : {".data.db.Ab12Cd.new", ".data.db.Ab12Cd.new-journal", ".data.db.Xy34Zw.new-journal"}) {
            QFile f(dir.filePath(QStringLiteral("data/") + QString::fromUtf8(name)));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(4096, 'x'));
        }
        // A write-ahead log of another database, committed pages and all.
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
            db.setDatabaseName(scratch.filePath(QStringLiteral("other.db")));
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("PRAGMA journal_mode=WAL")));
            QVERIFY(q.exec(QStringLiteral("PRAGMA wal_autocheckpoint=0")));
            QVERIFY(q.exec(QStringLiteral("create table 权限表 (x text)")));
            QVERIFY(q.exec(QStringLiteral("insert into 权限表 values ('闯入者')")));
            QVERIFY(QFile::copy(scratch.filePath(QStringLiteral("other.db-wal")),
                                dir.filePath(QStringLiteral("data/data.db-wal"))));
            q.finish();
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
        Dm1 dm(dir.path());
        QVERIFY2(dm.openConnection(), qPrintable(dm.lastError()));
        QCOMPARE(dm.scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
        QCOMPARE(dm.column(QStringLiteral("select 姓名 from 权限表")), QStringList(Dm1::defaultOperator()));
        dm.closeConnection();
        QCOMPARE(dataFolder(dir), QStringList(QStringLiteral("data.db")));
    }

    // An empty file in the database's place (left by an older version killed during its first
    // start, or a copy still being made) is not replaced: the reason says what to do.
    void emptyDatabaseFileIsExplained()
    {
        ONLY_ON_A_FILE();
        QTemporaryDir dir;
        QDir(dir.path()).mkpath(QStringLiteral("data"));
        QFile f(dir.filePath(QStringLiteral("data/data.db")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        Dm1 dm(dir.path());
        QVERIFY(!dm.openConnection());
        QVERIFY2(dm.lastError().contains(QStringLiteral("空文件")), qPrintable(dm.lastError()));
        QVERIFY2(dm.lastError().contains(QStringLiteral("删除")), qPrintable(dm.lastError()));
        QCOMPARE(QFileInfo(f).size(), qint64(0));
    }

    // A database that cannot be written is reported when the program starts, naming the file,
    // not at the first save.
    void readOnlyDatabaseIsReportedAtStart_data()
    {
        QTest::addColumn<QString>("file"); // relative to the home
        QTest::newRow("database file") << "data/data.db";
        QTest::newRow("its write-ahead log") << "data/data.db-wal";
        QTest::newRow("its folder") << "data";
    }
    void readOnlyDatabaseIsReportedAtStart()
    {
        ONLY_ON_A_FILE();
        QFETCH(QString, file);
        QTemporaryDir dir;
        {
            Dm1 dm(dir.path());
            QVERIFY(dm.openConnection());
        }
        // Another copy of the program keeps the log there.
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        other.setDatabaseName(dir.filePath(QStringLiteral("data/data.db")));
        QVERIFY(other.open());
        QSqlQuery(other).exec(QStringLiteral("insert into 楼宇资料 (楼宇名称) values ('甲')"));
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("data/data.db-wal"))));
        {
            ReadOnly readOnly(dir.filePath(file));
            if (!readOnly.ok()) {
                QSKIP("cannot make a file read-only here");
            }
            Dm1 dm(dir.path());
            QVERIFY(!dm.openConnection());
            QVERIFY2(dm.lastError().contains(QStringLiteral("只读"))
                         || dm.lastError().contains(QStringLiteral("不能写入")),
                     qPrintable(dm.lastError()));
            QVERIFY2(dm.lastError().contains(QFileInfo(file).fileName()), qPrintable(dm.lastError()));
        }
        other.close();
        other = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
    }

    // On a network filesystem the database is opened with a rollback journal (the write-ahead
    // log needs shared memory that network filesystems do not give) and start-up warns.
    void networkShareUsesRollbackJournal_data()
    {
        QTest::addColumn<QByteArray>("type");
        QTest::addColumn<bool>("shared");
        QTest::newRow("local disk") << QByteArray("ext4") << false;
        QTest::newRow("windows share") << QByteArray("cifs") << true;
        QTest::newRow("smb3") << QByteArray("smb3") << true;
        QTest::newRow("nfs") << QByteArray("nfs") << true;
        QTest::newRow("nfs4") << QByteArray("nfs4") << true;
        QTest::newRow("sshfs") << QByteArray("fuse.sshfs") << true;
    }
    void networkShareUsesRollbackJournal()
    {
        ONLY_ON_A_FILE();
        QFETCH(QByteArray, type);
        QFETCH(bool, shared);
        QTemporaryDir dir;
        {
            Dm1 dm(dir.path()); // made on a local disk: write-ahead log
            QVERIFY(dm.openConnection());
        }
        QString probed;
        Dm1::setFileSystemProbe([&](const QString &folder) {
            probed = folder;
            return type;
        });
        Dm1 dm(dir.path());
        const bool opened = dm.openConnection();
        Dm1::setFileSystemProbe({});
        QVERIFY2(opened, qPrintable(dm.lastError()));
        QCOMPARE(QDir(probed).absolutePath(), QDir(dir.filePath(QStringLiteral("data"))).absolutePath());
        QCOMPARE(dm.scalar(QStringLiteral("PRAGMA journal_mode")).toString(),
                 shared ? QStringLiteral("delete") : QStringLiteral("wal"));
        QCOMPARE(dm.onNetworkShare(), shared);
        QCOMPARE(dm.startUpWarning().contains(QStringLiteral("数据库服务器")), shared);
        QVERIFY(dm.exec(QStringLiteral("insert into 楼宇资料 (楼宇名称) values ('甲')")));
    }

    void folderInPlaceOfTheDatabaseIsRefused()
    {
        ONLY_ON_A_FILE();
        QTemporaryDir dir;
        QDir(dir.path()).mkpath(QStringLiteral("data/data.db"));
        Dm1 dm(dir.path());
        QVERIFY(!dm.openConnection());
        QVERIFY(QFileInfo(dir.path() + QStringLiteral("/data/data.db")).isDir());
    }

    void transactionIsAllOrNothing()
    {
        TempHome home;
        QString error;
        const bool ok = home.dm()->inTransaction(
            [&](QString *why) {
                return home.dm()->exec(QStringLiteral("insert into 楼宇资料 (楼宇名称) values ('一')"), {}, why)
                    && home.dm()->exec(QStringLiteral("insert into 楼宇资料 (楼宇名称) values ('一')"), {}, why);
            },
            &error);
        QVERIFY(!ok);
        QVERIFY(!error.isEmpty());
        QCOMPARE(home.dm()->scalar(QStringLiteral("select count(*) from 楼宇资料")).toInt(), 0);
    }

    // An inner transaction is a savepoint: its failure undoes its own rows only, and nothing
    // is durable before the outermost commit.
    void nestedTransactionRollsBackOnlyItsPart()
    {
        TempHome home;
        Dm1 *dm = home.dm();
        const auto count = [dm] { return dm->scalar(QStringLiteral("select count(*) from 楼宇资料")).toInt(); };
        {
            Transaction outer;
            QVERIFY(outer.begun());
            QVERIFY(outer.isOutermost());
            QVERIFY(dm->exec(QStringLiteral("insert into 楼宇资料 (楼宇名称) values ('外')")));
            QString error;
            QVERIFY(!dm->inTransaction(
                [dm](QString *why) {
                    return dm->exec(QStringLiteral("insert into 楼宇资料 (楼宇名称) values ('内')"), {}, why)
                        && dm->exec(QStringLiteral("insert into 楼宇资料 (楼宇名称) values ('内')"), {}, why);
                },
                &error));
            QVERIFY(!error.isEmpty());
            {
                Transaction inner;
                QVERIFY(inner.begun());
                QVERIFY(!inner.isOutermost());
                QVERIFY(dm->exec(QStringLiteral("insert into 楼宇资料 (楼宇名称) values ('留')")));
                QVERIFY(inner.commit());
            }
            QCOMPARE(count(), 2);
            QVERIFY(outer.commit());
        }
        QCOMPARE(dm->column(QStringLiteral("select 楼宇名称 from 楼宇资料 order by id")),
                 QStringList({QStringLiteral("外"), QStringLiteral("留")}));
        {
            Transaction abandoned;
            QVERIFY(dm->exec(QStringLiteral("delete from 楼宇资料")));
        }
        QCOMPARE(count(), 2);
    }

    // A COMMIT the engine refuses is a failure, and the work is rolled back.
    void refusedCommitIsReported()
    {
        TempHome home;
        Dm1 *dm = home.dm();
        QVERIFY(dm->exec(
            QStringLiteral("create table 子 (p integer references 楼宇资料(id) deferrable initially deferred)")));
        if (!Backend::onServer()) {
            QVERIFY(dm->exec(QStringLiteral("PRAGMA foreign_keys=ON")));
        }
        Transaction tx;
        QVERIFY(tx.begun());
        QVERIFY(dm->exec(QStringLiteral("insert into 子 (p) values (999)")));
        QString error;
        QVERIFY(!tx.commit(&error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(dm->scalar(QStringLiteral("select count(*) from 子")).toInt(), 0);
        Transaction next;
        QVERIFY(next.begun());
    }

    void scratchIsEmptiedBeforeEachReport()
    {
        TempHome home;
        QVERIFY(home.dm()->exec(QStringLiteral("insert into 通用 (texta) values ('旧的一行')")));
        QVERIFY(home.dm()->prepareScratch());
        QVERIFY(home.dm()->q_tongyong->isOpen());
        QCOMPARE(home.dm()->q_tongyong->recordCount(), 0);
        QCOMPARE(home.dm()->q_tongyong->sql(),
                 QStringList({QStringLiteral("select * from 通用"), QStringLiteral("order by texta COLLATE pinyin")}));
    }

    // Each connection (each workstation) has its own 通用: filling a report on one never empties
    // or shows in the other's, and the file keeps none of it.
    void scratchRowsBelongToTheirConnection()
    {
        TempHome home;
        Dm1 *dm = home.dm();
        QVERIFY(dm->prepareScratch());
        QVERIFY(dm->exec(QStringLiteral("insert into 通用 (texta, moneya) values ('第一台', 10000)")));
        {
            const Counter workstation(dm, QStringLiteral("workstation2"));
            QVERIFY2(workstation.ok(), qPrintable(workstation.error()));
            QSqlDatabase other = workstation.database();
            // The second workstation fills a report of its own, the way q_tongyong is filled.
            DataSet scratch({}, QStringLiteral("通用"));
            scratch.setConnectionName(QStringLiteral("workstation2"));
            scratch.setSql({QStringLiteral("delete from 通用")});
            QVERIFY(scratch.execute());
            QVERIFY(scratch.openOn({QStringLiteral("select * from 通用"), QStringLiteral("order by texta")}));
            QCOMPARE(scratch.recordCount(), 0);
            scratch.append();
            scratch.setText(QStringLiteral("texta"), QStringLiteral("第二台"));
            QVERIFY2(scratch.post(), qPrintable(scratch.lastError()));
            QVERIFY(scratch.reopen());
            QCOMPARE(scratch.recordCount(), 1);
            scratch.close();

            QCOMPARE(dm->column(QStringLiteral("select texta from 通用")), QStringList(QStringLiteral("第一台")));
            QVERIFY(dm->q_tongyong->reopen());
            QCOMPARE(dm->q_tongyong->recordCount(), 1);
            // A report prepared again on the first empties its own rows only.
            QVERIFY(dm->prepareScratch());
            QSqlQuery q(other);
            QVERIFY(q.exec(QStringLiteral("select texta from 通用")) && q.next());
            QCOMPARE(q.value(0).toString(), QStringLiteral("第二台"));
            q.finish();
        }
        Dialect::Catalog catalog;
        QVERIFY(dm->dialect().catalog(dm->database(), &catalog, nullptr));
        QVERIFY(!catalog.tables.contains(QStringLiteral("通用")));
    }

    // A file of an older version keeps a persistent 通用 with rows in it: the connection's own
    // scratch table stands in front of it, and it is left as it was.
    void olderFilesScratchTableIsLeftAlone()
    {
        ONLY_ON_A_FILE();
        QTemporaryDir dir;
        {
            Dm1 dm(dir.path());
            QVERIFY(dm.openConnection());
            QVERIFY(dm.exec(QStringLiteral("create table main.\"通用\" (id INTEGER PRIMARY KEY, texta TEXT, moneya "
                                           "INTEGER)")));
            QVERIFY(dm.exec(QStringLiteral("create index main.\"ix_通用_1\" on \"通用\" (texta)")));
            QVERIFY(dm.exec(QStringLiteral("insert into main.通用 (texta) values ('旧报表')")));
        }
        Dm1 dm(dir.path());
        QVERIFY2(dm.openConnection(), qPrintable(dm.lastError()));
        QCOMPARE(dm.scalar(QStringLiteral("select count(*) from 通用")).toInt(), 0);
        QVERIFY(dm.prepareScratch());
        QVERIFY(dm.exec(QStringLiteral("insert into 通用 (texta, datea) values ('新报表', '2004-08-15 00:00:00')")));
        QCOMPARE(dm.column(QStringLiteral("select texta from 通用")), QStringList(QStringLiteral("新报表")));
        QCOMPARE(dm.column(QStringLiteral("select texta from main.通用")), QStringList(QStringLiteral("旧报表")));
    }

    // A statement the database refuses is reported, not taken for an empty answer.
    void scalarAndColumnReportRefusals()
    {
        TempHome home;
        Dm1 *dm = home.dm();
        QString error;
        QCOMPARE(dm->scalar(QStringLiteral("select 姓名 from 权限表 where 姓名=?"), {QStringLiteral("无人")}, &error),
                 QVariant());
        QVERIFY(error.isEmpty());
        QVERIFY(!dm->scalar(QStringLiteral("select 没有的字段 from 权限表"), {}, &error).isValid());
        QVERIFY2(error.contains(QStringLiteral("没有的字段")), qPrintable(error));
        error.clear();
        QVERIFY(dm->column(QStringLiteral("select 姓名 from 没有的表"), {}, &error).isEmpty());
        QVERIFY2(error.contains(QStringLiteral("没有的表")), qPrintable(error));
        error.clear();
        QCOMPARE(dm->column(QStringLiteral("select 姓名 from 权限表"), {}, &error),
                 QStringList(Dm1::defaultOperator()));
        QVERIFY(error.isEmpty());
    }

    // The files installed with the program are found from a build folder too.
    void installedFilesAreFound()
    {
        const QString reports = InstalledFiles::find(QStringLiteral("report"));
        QVERIFY(QFileInfo(reports).isDir());
        QVERIFY(reports.endsWith(QStringLiteral("share/parvell/report")));
        QVERIFY(QFileInfo(InstalledFiles::find(QStringLiteral("report/缴费通知单.frf"))).isFile());
        QVERIFY(InstalledFiles::find(QStringLiteral("report/没有的模板.frf")).isEmpty());
    }

    // A report is written into 通用 in one go: its rows (one by one or from a select) replace
    // the last report's, and show in the order they were written until the operator sorts.
    void reportFilledInOneTransaction()
    {
        TempHome home;
        Dm1 *dm = home.dm();
        QVERIFY(dm->exec(QStringLiteral("insert into 通用 (texta) values ('旧的一行')")));
        QVERIFY(dm->exec(QStringLiteral("insert into 收费明细表 (房屋代码, 收费名称, 年度, 月份, 收费金额) values "
                                        "('A-2', '水费', '2004', '8', 12500), ('A-1', '电费', '2004', '8', 3)")));
        QString error;
        const bool ok = dm->fillScratch(
            [](ScratchWriter &out) {
                return out.append({{"texta", QStringLiteral("2004年")},
                                   {"moneya", QVariant::fromValue(Money::fromRaw(15))},
                                   {"datea", QDate(2004, 2, 29)}})
                    && out.appendSelect({QStringLiteral("textc"), QStringLiteral("moneya")},
                                        QStringLiteral("select 房屋代码, 收费金额 from 收费明细表 where 年度=? "
                                                       "order by 房屋代码"),
                                        {QStringLiteral("2004")})
                    && out.append({{"textb", QStringLiteral("合   计")}}) && out.rowsWritten() == 4;
            },
            QStringLiteral(" order by texta,textb"), &error);
        QVERIFY2(ok, qPrintable(error));
        DataSet *q = dm->q_tongyong;
        QCOMPARE(q->recordCount(), 4);
        QCOMPARE(q->orderingLine(), QStringLiteral(" order by texta,textb"));
        QStringList rows;
        for (int r = 0; r < q->recordCount(); ++r) {
            rows << q->value(r, q->fieldIndex(QStringLiteral("texta"))).toString()
                    + q->value(r, q->fieldIndex(QStringLiteral("textb"))).toString()
                    + q->value(r, q->fieldIndex(QStringLiteral("textc"))).toString() + QLatin1Char('/')
                    + q->displayText(r, q->fieldIndex(QStringLiteral("moneya")))
                    + q->displayText(r, q->fieldIndex(QStringLiteral("datea")));
        }
        QCOMPARE(rows,
                 QStringList({QStringLiteral("2004年/0.00152004-02-29"), QStringLiteral("A-1/0.0003"),
                              QStringLiteral("A-2/1.25"), QStringLiteral("合   计/")}));
    }

    // A report that fails half-way leaves no rows: neither its own first rows nor the last
    // report's, which would pass for this one's.
    void failedReportLeavesScratchEmpty()
    {
        TempHome home;
        Dm1 *dm = home.dm();
        QVERIFY(dm->exec(QStringLiteral("insert into 通用 (texta) values ('旧的一行')")));
        QString error;
        QVERIFY(!dm->fillScratch(
            [](ScratchWriter &out) {
                return out.append({{"texta", QStringLiteral("一")}})
                    && out.appendSelect({QStringLiteral("texta")}, QStringLiteral("select 没有这列 from 收费明细表"));
            },
            QStringLiteral("order by texta"), &error));
        QVERIFY2(error.contains(QStringLiteral("没有这列")), qPrintable(error));
        QCOMPARE(dm->scalar(QStringLiteral("select count(*) from 通用")).toInt(), 0);
        QVERIFY(dm->q_tongyong->isOpen());
        QCOMPARE(dm->q_tongyong->recordCount(), 0);
    }

    void buildingNamesInOrderWithDuplicates()
    {
        TempHome home;
        QVERIFY(home.dm()->exec(QStringLiteral("drop index \"ux_楼宇资料_楼宇名称\"")));
        for (const char *n : {"乙", "甲", "乙"}) {
            QVERIFY(
                home.dm()->exec(QStringLiteral("insert into 楼宇资料 (楼宇名称) values (?)"), {QString::fromUtf8(n)}));
        }
        // 甲 (jiǎ) before 乙 (yǐ): pinyin order.
        QCOMPARE(home.dm()->buildingNames(),
                 QStringList({QStringLiteral("甲"), QStringLiteral("乙"), QStringLiteral("乙")}));
    }

    // Text sorts the way Chinese office users expect and spreadsheets sort (digits, Latin
    // letters, then Chinese in pinyin order) on every connection the program opens, while the
    // file stays readable by any other SQLite program.
    void chineseTextSortsInPinyinOrder()
    {
        TempHome home;
        const QStringList pinyin =
            QString::fromUtf8("12 A_B楼 Ａ座 O'Neil 阿里大厦 阿里楼 白云楼 重庆大厦 翠园1号楼 翠园2号楼 二号楼 "
                              "金桂园 丽景大厦 王府 一号楼 银杏苑 张家楼 张三 中心楼")
                .split(QLatin1Char(' '));
        for (auto it = pinyin.crbegin(); it != pinyin.crend(); ++it) {
            QVERIFY(home.dm()->exec(QStringLiteral("insert into 楼宇资料 (楼宇名称) values (?)"), {*it}));
        }
        // Both engines alike: digits, Latin letters (full-width ones too), then Chinese in pinyin.
        QCOMPARE(home.dm()->buildingNames(), pinyin);
        home.dm()->closeConnection();
        QVERIFY(home.dm()->openConnection());
        QCOMPARE(home.dm()->buildingNames(), pinyin);

        QCOMPARE(Dm1::orderTerm(QStringLiteral("楼宇名称")), QStringLiteral("楼宇名称") + Dm1::chineseCollation());
        QCOMPARE(Dm1::orderTerm(QStringLiteral("面积/数量")), QStringLiteral("\"面积/数量\""));
        QCOMPARE(Dm1::orderTerm(QStringLiteral("楼宇层数")), QStringLiteral("楼宇层数"));

        if (Backend::onServer()) {
            return; // the server's collation is the database's own
        }
        // The schema names no collation of ours: a connection without it reads every table.
        QCOMPARE(
            home.dm()->scalar(QStringLiteral("select count(*) from sqlite_master where sql like '%collate%'")).toInt(),
            0);
        {
            QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
            other.setDatabaseName(home.dm()->databasePath());
            QVERIFY(other.open());
            for (const auto &[table, fields] : Model) {
                if (Schema::table(table)->temporary) {
                    continue; // each connection's own
                }
                QSqlQuery q(other);
                QVERIFY2(q.exec(QStringLiteral("select * from %1 order by 1").arg(table)), qPrintable(table));
            }
        }
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
    }
};

PARVELL_BACKENDS_GUILESS_MAIN(TestDm1)
#include "tst_dm1.moc"
