#pragma once

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>

struct sqlite3;

// The sqlite3 connection under an open QSQLITE connection, for the calls Qt SQL does not offer
// (backup, collations, direct reads). Debian's QSQLITE plugin links the system libsqlite3, so
// these calls are safe on it. Null for another driver or a closed connection.
inline sqlite3 *sqliteHandle(const QSqlDatabase &db)
{
    if (!db.isOpen() || !db.driver()) {
        return nullptr;
    }
    const QVariant h = db.driver()->handle();
    if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3*") != 0) {
        return nullptr;
    }
    return *static_cast<sqlite3 *const *>(h.constData());
}
