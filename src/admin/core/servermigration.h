#pragma once

#include "data/databaseaddress.h"
#include "data/tablecopy.h"

#include <QString>

// "迁移到服务器": an office's SQLite home moved onto a PostgreSQL server, so that several counters
// can work on it.
namespace ServerMigration {

// Copies the database file (checked as a restore checks it) into the server's database in one
// transaction: the estate's tables are made there when it has none, every row is copied with
// its id, and the server's new ids are set past the copied ones. A server database that holds
// rows already (beyond the operator "管理员" without a password and the organisation row a
// first start makes) or tables of another program is refused and left untouched; so is any
// copy the server refuses. False with the reason, in Chinese; *rows tells how many were copied.
bool migrate(const QString &file, const DatabaseAddress &server, QString *error, qint64 *rows = nullptr,
             const TableCopy::Progress &progress = {});

}
