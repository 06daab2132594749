#include "data/readconnection.h"

#include <QHash>
#include <QMutex>

namespace {
std::atomic<int> g_connections = 0;

// The read connections open now, by name, with what opened them. Computations on several
// threads open and close theirs at once.
QMutex g_originsLock;
QHash<QString, ReadConnection::Origin> &origins()
{
    static QHash<QString, ReadConnection::Origin> map;
    return map;
}
}

ReadConnection::ReadConnection(const DatabaseAddress &address, const std::atomic<bool> *cancel)
    : m_name(QStringLiteral("parvell_read_%1").arg(++g_connections))
    , m_cancel(cancel)
{
    // Read-only: whatever runs here cannot change the estate. Rows come in the program's order
    // of text, as on the program's own connection.
    if (!address.open(m_name, true, &m_error)) {
        return;
    }
    m_watch = address.dialect().cancelWhen(database(), cancel);
    m_open = true;
    const QMutexLocker locked(&g_originsLock);
    origins().insert(m_name, {address, cancel});
}

ReadConnection::~ReadConnection()
{
    {
        const QMutexLocker locked(&g_originsLock);
        origins().remove(m_name);
    }
    m_watch.reset();
    DatabaseAddress::close(m_name);
}

QSqlDatabase ReadConnection::database() const
{
    return QSqlDatabase::database(m_name, false);
}

std::optional<ReadConnection::Origin> ReadConnection::originOf(const QSqlDatabase &db)
{
    const QMutexLocker locked(&g_originsLock);
    const auto it = origins().constFind(db.connectionName());
    if (it == origins().constEnd()) {
        return std::nullopt;
    }
    return *it;
}
