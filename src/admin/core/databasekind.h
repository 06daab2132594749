#pragma once

#include <QStringList>

namespace SqliteFile {
class Connection;
}

// Whether a database is one of this program's own, as Schema makes it: every table with its
// columns (declared type, no constraint of its own) and unique keys; no triggers, views or
// virtual tables; an operator who can log in and the organisation row. A newer version's extra
// columns, tables and plain indexes are allowed, and the scratch table 通用 may be missing.
// Anything else could refuse the estate's own rows, change them behind the operator's back or
// lock everybody out, so such a file is never put in place of the database.
namespace DatabaseKind {

// The reasons db is not of our kind, one per line, in Chinese; empty when it is.
QStringList whyNotOurs(const SqliteFile::Connection &db);

}
