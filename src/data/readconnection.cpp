#include "data/readconnection.h"

#include "data/collation.h"
#include "data/sqlitehandle.h"

#include <QSqlError>
#include <sqlite3.h>

namespace {
std::atomic<int> g_connections = 0;

// Called by SQLite every few thousand steps of a statement: non-zero stops it.
int stopWhenCancelled(void *flag)
{
    return static_cast<const std::atomic<bool> *>(flag)->load() ? 1 : 0;
}
}

ReadConnection::ReadConnection(const QString &databasePath, const std::atomic<bool> *cancel)
    : m_name(QStringLiteral("parvell_read_%1").arg(++g_connections))
    , m_cancel(cancel)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    db.setDatabaseName(databasePath);
    // Read-only: whatever runs here cannot change the estate; the busy timeout waits out a
    // checkpoint of another connection.
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open()) {
        m_error = db.lastError().text();
        return;
    }
    if (sqlite3 *handle = sqliteHandle(db); handle && m_cancel) {
        sqlite3_progress_handler(handle, 1000, stopWhenCancelled, const_cast<std::atomic<bool> *>(m_cancel));
    }
    // Rows come in the program's order of text, as on the program's own connection.
    if (!Collation::registerOn(db, &m_error)) {
        return;
    }
    m_open = true;
}

ReadConnection::~ReadConnection()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
}

QSqlDatabase ReadConnection::database() const
{
    return QSqlDatabase::database(m_name, false);
}
