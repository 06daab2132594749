#include "data/readconnection.h"

namespace {
std::atomic<int> g_connections = 0;
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
}

ReadConnection::~ReadConnection()
{
    m_watch.reset();
    DatabaseAddress::close(m_name);
}

QSqlDatabase ReadConnection::database() const
{
    return QSqlDatabase::database(m_name, false);
}
