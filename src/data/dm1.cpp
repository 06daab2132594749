#include "data/dm1.h"

#include "data/clock.h"
#include "data/collation.h"
#include "data/refusal.h"
#include "data/scratchwriter.h"
#include "data/sqlitefile.h"
#include "data/sqlitehandle.h"
#include "data/transaction.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStorageInfo>
#include <QTemporaryFile>
#include <unistd.h>

const QString Dm1::ConnectionName = QStringLiteral("ADO_system");

namespace {
Dm1 *g_instance = nullptr;

Dm1::FileSystemProbe &fileSystemProbe()
{
    static Dm1::FileSystemProbe probe;
    return probe;
}

QByteArray fileSystemType(const QString &folder)
{
    return fileSystemProbe() ? fileSystemProbe()(folder) : QStorageInfo(folder).fileSystemType();
}

// Filesystems on which file locks cannot be trusted and the write-ahead log does not work.
bool isNetworkFileSystem(const QByteArray &type)
{
    static const QByteArrayList network = {"cifs", "smb3", "smbfs", "nfs", "nfs4", "fuse.sshfs"};
    return network.contains(type.toLower());
}

bool writable(const QString &path)
{
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

// The name a new database is built under beside its place: ".data.db." + six characters + ".new".
QString buildingPrefix(const QString &path)
{
    return QStringLiteral(".%1.").arg(QFileInfo(path).fileName());
}

// The first bytes of every SQLite database file.
bool looksLikeDatabase(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray head = f.read(16);
    return head == QByteArray("SQLite format 3\0", 16);
}

// The conninfo line of a server.conf: its first line that is neither empty nor a remark (#).
QString conninfoOf(const QString &confPath)
{
    QFile f(confPath);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return {};
    }
    while (!f.atEnd()) {
        const QString line = QString::fromUtf8(f.readLine()).trimmed();
        if (!line.isEmpty() && !line.startsWith(QLatin1Char('#'))) {
            return line;
        }
    }
    return {};
}
}

Dm1::Dm1(const QString &home, QObject *parent)
    : QObject(parent)
    , m_home(QDir(home).absolutePath())
{
    setObjectName(QStringLiteral("Dm1"));
    g_instance = this;
    m_address.where = databasePath();
    if (const QString conninfo = conninfoOf(serverConfPath()); !conninfo.isEmpty()) {
        setServer(conninfo);
    }
    // Each shared query names the table its rows are written to; q_search, which serves
    // lookups, sums and action statements on any table, writes none.
    q_qxb = makeQuery("q_qxb", "权限表");
    q_gsxx = makeQuery("q_gsxx", "公司信息");
    q_tongyong = makeQuery("q_tongyong", "通用");
    q_search = makeQuery("q_search", nullptr);
    q_change = makeQuery("q_change", "房屋资料");
    q_iteminfo = makeQuery("q_iteminfo", "收费项目");
    q_guestinfo = makeQuery("q_guestinfo", "业主资料");
    q_houseinfo = makeQuery("q_houseinfo", "房屋资料");
    q_storeyinfo = makeQuery("q_storeyinfo", "楼宇资料");
    q_sfhzb = makeQuery("q_sfhzb", "收费汇总表");
    q_houselease = makeQuery("q_houselease", "房屋租赁表");
}

Dm1::~Dm1()
{
    closeConnection();
    if (g_instance == this) {
        g_instance = nullptr;
    }
}

Dm1 *Dm1::instance()
{
    return g_instance;
}

DataSet *Dm1::makeQuery(const char *name, const char *table)
{
    return new DataSet(QString::fromLatin1(name), table ? QString::fromUtf8(table) : QString(), this);
}

QString Dm1::databasePath() const
{
    return homePath(QStringLiteral("data/data.db"));
}

QString Dm1::homePath(const QString &relative) const
{
    return QDir(m_home).filePath(relative);
}

QString Dm1::serverConfPath() const
{
    return homePath(QStringLiteral("data/server.conf"));
}

void Dm1::setServer(const QString &conninfo, const QString &password)
{
    m_address.where = conninfo.trimmed();
    m_address.password = password;
    m_address.onServer = true;
}

QSqlDatabase Dm1::database() const
{
    return QSqlDatabase::database(ConnectionName, false);
}

sqlite3 *Dm1::sqliteHandle() const
{
    return ::sqliteHandle(database());
}

bool Dm1::isConnected() const
{
    return QSqlDatabase::contains(ConnectionName) && database().isOpen();
}

DataSet *Dm1::query(const QString &name) const
{
    return findChild<DataSet *>(name, Qt::FindDirectChildrenOnly);
}

QList<DataSet *> Dm1::sharedQueries() const
{
    return findChildren<DataSet *>(QString(), Qt::FindDirectChildrenOnly);
}

bool Dm1::setUpConnection(const QSqlDatabase &db, QString *error)
{
    return setUpConnection(db, QStringLiteral("wal"), error);
}

bool Dm1::setUpConnection(const QSqlDatabase &db, const QString &journal, QString *error)
{
    const Dialect &dialect = Dialect::of(db);
    if (!dialect.setUpConnection(db, journal, error)) {
        return false;
    }
    // Temporary tables are found before the database's own, so an older file's persistent
    // 通用 stays untouched behind this one.
    QSqlQuery q(db);
    for (const QString &stmt : Schema::connectionStatements(dialect)) {
        if (!q.exec(stmt)) {
            if (error) {
                *error = q.lastError().databaseText();
            }
            return false;
        }
    }
    return true;
}

bool Dm1::openConnection(const Filler &fillNew)
{
    m_lastError.clear();
    if (isConnected()) {
        return true;
    }
    if (m_address.onServer) {
        return openServer(fillNew);
    }
    m_address.where = databasePath();
    const QString path = databasePath();
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    if (!QFileInfo(folder).isDir() && !QDir().mkpath(folder)) {
        m_lastError = QStringLiteral("不能创建文件夹 %1").arg(QDir::toNativeSeparators(folder));
        return false;
    }
    m_onNetworkShare = isNetworkFileSystem(fileSystemType(folder));
    // What first starts killed halfway left beside the database goes; a start still building
    // holds its file and keeps it.
    SqliteFile::removeLeftovers(folder, buildingPrefix(path), QStringLiteral(".new"));
    // So does the copy of a restore that was killed before it took the database's name.
    SqliteFile::removeLeftover(SqliteFile::restoringPath(path));
    if (!info.exists() && !info.isSymLink() && !createDatabase(fillNew)) {
        return false;
    }
    return openDatabase();
}

bool Dm1::connectTo(const QString &where)
{
    const Dialect &dialect = m_address.dialect();
    if (QSqlDatabase::contains(ConnectionName) && database().driverName() != dialect.driver()) {
        QSqlDatabase::removeDatabase(ConnectionName);
    }
    QSqlDatabase db = QSqlDatabase::contains(ConnectionName)
        ? QSqlDatabase::database(ConnectionName, false)
        : QSqlDatabase::addDatabase(dialect.driver(), ConnectionName);
    return dialect.open(db, where, m_address.password, false, &m_lastError);
}

bool Dm1::createDatabase(const Filler &fillNew)
{
    // Built complete under a private name beside its place, and named only then: a start
    // killed halfway leaves no database, only a leftover the next start removes.
    const QString path = databasePath();
    const QString folder = QFileInfo(path).absolutePath();
    QTemporaryFile file(QDir(folder).filePath(buildingPrefix(path) + QStringLiteral("XXXXXX.new")));
    if (!file.open()) {
        m_lastError = QStringLiteral("不能在文件夹 %1 中建立数据库：%2")
                          .arg(QDir::toNativeSeparators(folder), file.errorString());
        return false;
    }
    const QString building = file.fileName();
    SqliteFile::FileLock lock;
    lock.hold(building);
    file.close();
    bool built = connectTo(building);
    if (built) {
        // Built with the rollback journal: a single file, nothing beside it to carry along.
        built = setUpConnection(database(), QStringLiteral("delete"), &m_lastError) && createSchema(fillNew);
    }
    closeConnection();
    if (!built || !SqliteFile::sync(building)) {
        SqliteFile::removeWithSideFiles(building);
        if (m_lastError.isEmpty()) {
            m_lastError = QStringLiteral("不能建立数据库文件 %1").arg(QDir::toNativeSeparators(path));
        }
        return false;
    }
    // Copies of the program started together take turns here. The first to finish gives its
    // file the name; a later one finds a database there and keeps it, removing only its own.
    SqliteFile::FileLock turn;
    turn.hold(folder, true);
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
        SqliteFile::removeWithSideFiles(building);
        return true;
    }
    // Side files of a database that is no longer there must never be applied to the new one.
    for (const QString &side : SqliteFile::sideFiles(path)) {
        QFile::remove(side);
    }
    bool exists = false;
    QString why;
    if (!SqliteFile::installNew(building, path, &exists, &why)) {
        SqliteFile::removeWithSideFiles(building);
        if (exists) {
            return true;
        }
        m_lastError = QStringLiteral("不能建立数据库文件 %1：%2").arg(QDir::toNativeSeparators(path), why);
        return false;
    }
    return true;
}

bool Dm1::openDatabase()
{
    const QString path = databasePath();
    const QString shown = QDir::toNativeSeparators(path);
    const QFileInfo info(path);
    if (info.isFile() && info.size() == 0) {
        // Nothing is lost by deleting it, but it may be a copy still being made: the operator
        // decides.
        m_lastError = QStringLiteral("数据库文件 %1 是空文件（0 字节），其中没有任何数据。"
                                     "它可能是以前的版本第一次启动时被中断留下的，也可能是一个还没有复制完的文件。"
                                     "确认之后请删除它再启动，程序会建立一个新的数据库。")
                          .arg(shown);
        return false;
    }
    if (!info.isFile() || !info.isReadable() || !looksLikeDatabase(path)) {
        m_lastError = QStringLiteral("%1 不是可用的数据库文件").arg(shown);
        return false;
    }
    // Otherwise the first save would fail: a database, log or folder that cannot be written is
    // reported now.
    if (!writable(path)) {
        m_lastError =
            QStringLiteral("数据库文件 %1 是只读的，不能保存任何修改。请去掉它的只读属性，或请管理员给予写入权限。")
                .arg(shown);
        return false;
    }
    for (const QString &side : SqliteFile::sideFiles(path)) {
        if (QFileInfo::exists(side) && !writable(side)) {
            m_lastError =
                QStringLiteral(
                    "数据库的日志文件 %1 是只读的，不能保存任何修改。请去掉它的只读属性，或请管理员给予写入权限。")
                    .arg(QDir::toNativeSeparators(side));
            return false;
        }
    }
    if (!writable(info.absolutePath())) {
        m_lastError = QStringLiteral("数据库所在的文件夹 %1 不能写入（数据库的日志文件要建在那里），不能保存任何修改。"
                                     "请管理员给予写入权限。")
                          .arg(QDir::toNativeSeparators(info.absolutePath()));
        return false;
    }
    if (!connectTo(path)) {
        return false;
    }
    {
        // A damaged file passes the header test but fails on its first read.
        QSqlQuery probe(database());
        if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
            const QString why = probe.lastError().databaseText();
            m_lastError = Refusal::isDamage(why)
                ? QStringLiteral("数据库文件 %1 已经损坏（%2）。\n%3").arg(shown, why, restoreAdvice())
                : why;
            probe.finish();
            closeConnection();
            return false;
        }
    }
    // The write-ahead log needs shared memory that network filesystems do not give.
    if (!setUpConnection(database(), m_onNetworkShare ? QStringLiteral("delete") : QStringLiteral("wal"),
                         &m_lastError)) {
        closeConnection();
        return false;
    }
    upgradeIndexes();
    return true;
}

bool Dm1::openServer(const Filler &fillNew)
{
    const Dialect &dialect = m_address.dialect();
    const QString server = m_address.shownName();
    if (!m_address.reach(m_askPassword, &m_lastError)) {
        return false;
    }
    if (!connectTo(m_address.where)) {
        m_lastError = QStringLiteral("%1不能连接：%2").arg(server, m_lastError);
        return false;
    }
    Dialect::Catalog catalog;
    QStringList why;
    bool ok = dialect.catalog(database(), &catalog, &m_lastError);
    if (ok && catalog.tables.isEmpty()) {
        ok = createSchema(fillNew);
    }
    if (ok) {
        why = dialect.whyNotOurs(database());
        if (!why.isEmpty()) {
            m_lastError = QStringLiteral("%1上的数据库不是本系统的数据库（或是另一个版本的），没有使用它：\n%2")
                              .arg(server, why.mid(0, 8).join(QLatin1Char('\n')));
            ok = false;
        }
    }
    if (!ok || !setUpConnection(database(), QString(), &m_lastError)) {
        closeConnection();
        return false;
    }
    upgradeIndexes();
    return true;
}

void Dm1::setFileSystemProbe(FileSystemProbe probe)
{
    fileSystemProbe() = std::move(probe);
}

QString Dm1::startUpWarning() const
{
    if (!m_onNetworkShare) {
        return {};
    }
    return QStringLiteral("数据库文件 %1 位于网络共享文件夹上。\n"
                          "几台电脑通过共享文件夹同时使用一个数据库文件时，文件锁可能失灵而损坏数据库。"
                          "本系统已改用较稳妥的日志方式打开它；几个收费窗口要同时使用时，"
                          "应当共用一台数据库服务器，而不是共享一个文件。")
        .arg(QDir::toNativeSeparators(databasePath()));
}

// A database made by an earlier version gets the indexes this version reads by, and loses the
// ones they replace: in one transaction, rows untouched. Nothing is done (and no write lock is
// taken) when the indexes are as they should be. Should it fail, the database is used as it is:
// slower, but complete.
bool Dm1::upgradeIndexes()
{
    const Dialect &dialect = m_address.dialect();
    Dialect::Catalog catalog;
    QString error;
    if (!dialect.catalog(database(), &catalog, &error)) {
        return false;
    }
    const QSet<QString> tables(catalog.tables.cbegin(), catalog.tables.cend());
    QSet<QString> have;
    QStringList ours;
    for (const auto &[name, tableName] : std::as_const(catalog.indexes)) {
        have.insert(name);
        // Each connection makes its own scratch table's indexes; an older file's are left.
        const TableDef *table = Schema::table(tableName);
        if (Schema::isIndexName(name) && table && !table->temporary) {
            ours << name;
        }
    }
    QList<IndexDef> missing;
    QSet<QString> wanted;
    for (const IndexDef &ix : Schema::indexes()) {
        const QString name = dialect.storedName(ix.name());
        wanted.insert(name);
        if (!have.contains(name) && tables.contains(ix.table)) {
            missing << ix;
        }
    }
    QStringList stale;
    for (const QString &name : std::as_const(ours)) {
        if (!wanted.contains(name)) {
            stale << name;
        }
    }
    if (missing.isEmpty() && stale.isEmpty()) {
        return true;
    }
    const bool ok = inTransaction(
        [&](QString *why) {
            for (const IndexDef &ix : std::as_const(missing)) {
                // Tried on a savepoint of its own: a refused statement leaves the rest of the
                // transaction usable on every engine.
                Transaction attempt(database());
                if (attempt.begun() && exec(ix.createStatement(), {}, why) && attempt.commit(why)) {
                    continue;
                }
                attempt.rollback();
                // Rows an earlier version let in twice: the lookups still get their index.
                IndexDef plain = ix;
                plain.unique = false;
                if (!ix.unique
                    || (!have.contains(dialect.storedName(plain.name())) && !exec(plain.createStatement(), {}, why))) {
                    return false;
                }
            }
            for (const QString &name : std::as_const(stale)) {
                if (!exec(QStringLiteral("DROP INDEX %1").arg(Schema::quoted(name)), {}, why)) {
                    return false;
                }
            }
            return true;
        },
        &error);
    if (!ok) {
        qWarning("Dm1: the indexes of %s were left as they were: %s", qPrintable(m_address.where), qPrintable(error));
    }
    return ok;
}

void Dm1::closeConnection()
{
    for (DataSet *q : sharedQueries()) {
        q->close();
    }
    if (QSqlDatabase::contains(ConnectionName)) {
        {
            QSqlDatabase db = QSqlDatabase::database(ConnectionName, false);
            db.close();
        }
    }
}

bool Dm1::createSchema(const Filler &fillNew)
{
    const Dialect &dialect = m_address.dialect();
    return inTransaction(
        [&](QString *error) {
            for (const QString &stmt : dialect.databaseStatements()) {
                if (!exec(stmt, {}, error)) {
                    return false;
                }
            }
            // Counters starting on an empty server database together: the first makes the
            // tables, the others wait here and then find them made.
            Dialect::Catalog catalog;
            if (!dialect.catalog(database(), &catalog, error)) {
                return false;
            }
            if (!catalog.tables.isEmpty()) {
                return true;
            }
            for (const QString &stmt : Schema::createStatements(dialect)) {
                if (!exec(stmt, {}, error)) {
                    return false;
                }
            }
            return insertFirstOperator(database(), error) && insertFirstOrganisation(database(), error)
                && (!fillNew || fillNew(this, error));
        },
        &m_lastError);
}

bool Dm1::insertFirstOperator(const QSqlDatabase &db, QString *error)
{
    QSqlQuery q(db);
    const QString now = DataSet::toStoredDateTime(Clock::now());
    return runStatement(q, QStringLiteral("INSERT INTO 权限表 (姓名, 操作口令, 操作员, 操作日期) VALUES (?, '', ?, ?)"),
                        {defaultOperator(), defaultOperator(), now}, error);
}

bool Dm1::insertFirstOrganisation(const QSqlDatabase &db, QString *error)
{
    QSqlQuery q(db);
    return runStatement(q,
                        QStringLiteral("INSERT INTO 公司信息 (公司名称, 系统标题, 动态文字, 自动提醒, 提前提醒天数) "
                                       "VALUES (?, ?, ?, 0, 30)"),
                        {QStringLiteral("物业管理处"), QStringLiteral("Parvell 物业收费管理系统"),
                         QStringLiteral("欢迎使用 Parvell 物业收费管理系统，祝您工作顺利！")},
                        error);
}

bool Dm1::exec(const QString &sql, const QVariantList &binds, QString *error)
{
    QSqlQuery q(database());
    return runStatement(q, sql, binds, error);
}

namespace {
// The database's reason for a failed statement or read, in error or else as a warning.
bool failed(const QSqlQuery &q, const QString &sql, QString *error)
{
    const QSqlError e = q.lastError();
    const QString why = e.databaseText().isEmpty() ? e.text() : e.databaseText();
    if (error) {
        *error = why;
    } else {
        qWarning("Dm1: %s: %s", qUtf8Printable(sql), qUtf8Printable(why));
    }
    return false;
}
}

bool Dm1::runStatement(QSqlQuery &q, const QString &sql, const QVariantList &binds, QString *error)
{
    if (binds.isEmpty()) {
        // Run as it stands: a server prepares only queries and changes of rows, not the
        // statements that make tables or tidy the database.
        return q.exec(sql) || failed(q, sql, error);
    }
    if (!q.prepare(sql)) {
        return failed(q, sql, error);
    }
    for (int i = 0; i < binds.size(); ++i) {
        q.bindValue(i, binds[i]);
    }
    return q.exec() || failed(q, sql, error);
}

QVariant Dm1::scalar(const QString &sql, const QVariantList &binds, QString *error)
{
    QSqlQuery q(database());
    q.setForwardOnly(true);
    if (!runStatement(q, sql, binds, error)) {
        return {};
    }
    if (q.next()) {
        return q.value(0);
    }
    if (q.lastError().isValid()) {
        failed(q, sql, error);
    }
    return {};
}

QStringList Dm1::column(const QString &sql, const QVariantList &binds, QString *error)
{
    QStringList out;
    QSqlQuery q(database());
    q.setForwardOnly(true);
    if (!runStatement(q, sql, binds, error)) {
        return out;
    }
    while (q.next()) {
        out << q.value(0).toString();
    }
    if (q.lastError().isValid()) {
        // A read that stopped half-way is no answer: nothing rather than some of the rows.
        failed(q, sql, error);
        out.clear();
    }
    return out;
}

bool Dm1::inTransaction(const std::function<bool(QString *)> &work, QString *error)
{
    Transaction tx(database());
    QString why = tx.error();
    const bool ok = tx.begun() && work(&why) && tx.commit(&why);
    if (!ok && error) {
        *error = why;
    }
    return ok;
}

bool Dm1::fillScratch(const std::function<bool(ScratchWriter &)> &fill, const QString &ordering, QString *error)
{
    q_tongyong->close();
    QString why;
    const bool ok = inTransaction(
        [&](QString *e) {
            if (!exec(QStringLiteral("delete from 通用"), {}, e)) {
                return false;
            }
            ScratchWriter out(database());
            if (!fill(out)) {
                *e = out.error();
                return false;
            }
            return true;
        },
        &why);
    if (!ok) {
        // Nothing half-made is shown, nor an earlier report's rows as if they were this one's.
        exec(QStringLiteral("delete from 通用"));
    }
    // The rows show in the order they were written; the ordering line takes over when the
    // operator sorts.
    const bool opened = q_tongyong->openOn({QStringLiteral("select * from 通用"), QStringLiteral("order by id")});
    q_tongyong->setOrderingLine(ordering.isEmpty() ? QStringLiteral("order by ") + orderTerm(QStringLiteral("texta"))
                                                   : ordering);
    if (ok && !opened) {
        why = q_tongyong->lastError();
    }
    if (error) {
        *error = why;
    }
    return ok && opened;
}

bool Dm1::prepareScratch(QString *error)
{
    q_tongyong->close();
    if (!exec(QStringLiteral("delete from 通用"), {}, error)) {
        return false;
    }
    if (!q_tongyong->openOn(
            {QStringLiteral("select * from 通用"), QStringLiteral("order by ") + orderTerm(QStringLiteral("texta"))})) {
        if (error) {
            *error = q_tongyong->lastError();
        }
        return false;
    }
    return true;
}

QStringList Dm1::fieldOfRows(const QStringList &sql, const QString &field, QString *error)
{
    QStringList values;
    if (!q_search->openOn(sql)) {
        if (error) {
            *error = q_search->lastError();
        }
        return values;
    }
    const int col = q_search->fieldIndex(field);
    for (int r = 0; r < q_search->recordCount(); ++r) {
        values << q_search->value(r, col).toString();
    }
    q_search->close();
    return values;
}

QStringList Dm1::buildingNames(QString *error)
{
    return fieldOfRows({QStringLiteral("select * from 楼宇资料 "),
                        QStringLiteral("order by ") + orderTerm(QStringLiteral("楼宇名称"))},
                       QStringLiteral("楼宇名称"), error);
}

QStringList Dm1::feeNames(QString *error)
{
    return fieldOfRows(
        {QStringLiteral("select * from 收费项目"), QStringLiteral("order by ") + orderTerm(QStringLiteral("收费名称"))},
        QStringLiteral("收费名称"), error);
}

QStringList Dm1::houseCodes(QString *error)
{
    return fieldOfRows(
        {QStringLiteral("select * from 房屋资料"), QStringLiteral("order by ") + orderTerm(QStringLiteral("房屋代码"))},
        QStringLiteral("房屋代码"), error);
}

QString Dm1::chineseCollation()
{
    return Dialect::sqlite().collation();
}

QString Dm1::orderTerm(const QString &field, FieldKind kind)
{
    const QString name = Schema::orderingName(field);
    return kind == FieldKind::Text || kind == FieldKind::Memo ? name + chineseCollation() : name;
}

QString Dm1::orderTerm(const QString &field)
{
    return orderTerm(field, Schema::kindOf(field));
}

QString Dm1::restoreAdvice()
{
    return QStringLiteral("请用最近的备份恢复数据库：【系统维护】→“数据恢复”。");
}
