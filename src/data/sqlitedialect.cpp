// The estate in one SQLite file: one counter, or several taking turns at the file's write lock.
#include "data/collation.h"
#include "data/dialect.h"
#include "data/dm1.h"
#include "data/sqlitefetch.h"
#include "data/sqlitehandle.h"

#include <QDir>
#include <QSqlError>
#include <QSqlQuery>
#include <sqlite3.h>

namespace {

// SQLite keeps a count of the memory every connection holds under one lock of the library's,
// taken at each allocation: two connections reading side by side (a report's two parts) then
// wait on each other, and each takes half as long again. Nothing reads that count here. It is
// switched off as the program loads, before SQLite starts (later, SQLite refuses the change).
[[maybe_unused]] const int g_noMemoryCount = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);

// Called by SQLite every few thousand steps of a statement: non-zero stops it.
int stopWhenCancelled(void *flag)
{
    return static_cast<const std::atomic<bool> *>(flag)->load() ? 1 : 0;
}

class SqliteDialect final : public Dialect
{
public:
    QString driver() const override { return QStringLiteral("QSQLITE"); }

    // A file needs no password; what is wrong with it is found when it is opened.
    Probe probe(const QString &, const QString &) const override { return {true, false, {}}; }

    bool open(QSqlDatabase &db, const QString &where, const QString &, bool readOnly, QString *error) const override
    {
        db.setDatabaseName(where);
        // The busy timeout waits out another connection's write lock or checkpoint.
        db.setConnectOptions(readOnly ? QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000")
                                      : QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        if (!db.open()) {
            *error = db.lastError().text();
            return false;
        }
        // Rows come in the program's order of text on every connection; the collation lives on
        // the connection only, never in the file.
        return Collation::registerOn(db, error);
    }

    bool setUpConnection(const QSqlDatabase &db, const QString &journal, QString *error) const override
    {
        QSqlQuery q(db);
        q.exec(QStringLiteral("PRAGMA busy_timeout=5000"));
        q.exec(QStringLiteral("PRAGMA synchronous=FULL"));
        if (q.exec(QStringLiteral("PRAGMA journal_mode")) && q.next()
            && q.value(0).toString().compare(journal, Qt::CaseInsensitive) != 0) {
            // Changing the journal writes to the file: a damaged file is refused unchanged.
            QStringList problems;
            if (q.exec(QStringLiteral("PRAGMA quick_check"))) {
                while (q.next() && problems.size() < 3) {
                    problems << q.value(0).toString();
                }
            } else {
                problems << q.lastError().databaseText();
            }
            if (problems != QStringList {QStringLiteral("ok")}) {
                if (error) {
                    *error = QStringLiteral("数据库文件 %1 已经损坏：%2\n%3")
                                 .arg(QDir::toNativeSeparators(db.databaseName()), problems.join(QLatin1Char('\n')),
                                      Dm1::restoreAdvice());
                }
                return false;
            }
            q.exec(QStringLiteral("PRAGMA journal_mode=") + journal);
        }
        // SQLite replaces a collation only while no statement is active.
        q.finish();
        return Collation::registerOn(db, error);
    }

    std::shared_ptr<void> cancelWhen(const QSqlDatabase &db, const std::atomic<bool> *cancel) const override
    {
        if (sqlite3 *handle = sqliteHandle(db); handle && cancel) {
            sqlite3_progress_handler(handle, 1000, stopWhenCancelled, const_cast<std::atomic<bool> *>(cancel));
            return std::shared_ptr<void>(handle, [](sqlite3 *h) { sqlite3_progress_handler(h, 0, nullptr, nullptr); });
        }
        return {};
    }

    QString columnType(FieldKind kind) const override
    {
        switch (kind) {
        case FieldKind::Money:
        case FieldKind::Integer:
        case FieldKind::YesNo:
            return QStringLiteral("INTEGER");
        case FieldKind::Number:
            return QStringLiteral("REAL");
        default:
            return QStringLiteral("TEXT");
        }
    }
    QString idColumn() const override { return QStringLiteral("id INTEGER PRIMARY KEY"); }
    QStringList databaseStatements() const override { return {}; }
    QString storedName(const QString &identifier) const override { return identifier; }

    bool catalog(const QSqlDatabase &db, Catalog *out, QString *error) const override
    {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("SELECT type, name, tbl_name FROM main.sqlite_master "
                                   "WHERE type IN ('table', 'index')"))) {
            *error = q.lastError().databaseText();
            return false;
        }
        *out = {};
        while (q.next()) {
            if (q.value(0).toString() == QLatin1String("table")) {
                out->tables << q.value(1).toString();
            } else {
                out->indexes.append({q.value(1).toString(), q.value(2).toString()});
            }
        }
        return true;
    }
    QStringList whyNotOurs(const QSqlDatabase &) const override { return {}; }

    QString beginStatement() const override { return QStringLiteral("BEGIN IMMEDIATE"); }
    QString readSnapshotStatement() const override { return QStringLiteral("BEGIN"); }
    // A snapshot of the file cannot be handed to another connection (SQLite is built here without
    // its snapshot functions); the second connection checks the file's change counter instead.
    QString exportSnapshotStatement() const override { return {}; }
    QString importSnapshotStatement(const QString &) const override { return {}; }
    bool sortsInProgram() const override { return true; }
    QString changeCounterStatement() const override { return QStringLiteral("PRAGMA data_version"); }
    bool lockHouses(const QSqlDatabase &, const QStringList &, QString *) const override { return true; }

    // SQLite's LIKE already matches ASCII letters without regard to case.
    QString like(const QString &field) const override { return field + QStringLiteral(" like ? escape '\\'"); }

    Fetch fetch(const QSqlDatabase &db, const QString &statement, const QList<QPair<QString, QVariant>> &named,
                const QVariantList &positional, Rows *out) const override
    {
        return SqliteFetch::fetch(db, statement, named, positional, out);
    }
    Fetch fetchInParts(const QSqlDatabase &db, const QString &statement, const QVariantList &positional,
                       const TakePart &take, QString *error) const override
    {
        Rows rows;
        const Fetch read = SqliteFetch::fetch(db, statement, {}, positional, &rows, take);
        if (read == Fetch::Failed) {
            *error = rows.error;
        }
        return read;
    }
    std::unique_ptr<RowWriter> rowWriter(const QSqlDatabase &, const QString &, const QStringList &) const override
    {
        return {};
    }
    // A row written with its id moves SQLite's own numbering past it.
    bool idsCopied(const QSqlDatabase &, QString *) const override { return true; }

    QStringList tidyStatements() const override { return {}; }
};

}

const Dialect &Dialect::sqlite()
{
    static const SqliteDialect d;
    return d;
}
