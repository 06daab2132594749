#pragma once

#include <QSqlDatabase>
#include <QString>
#include <functional>

// Copies the estate's rows from one database to another, table by table, ids kept: an SQLite
// home moved onto a server, a server's backup written as an SQLite file, such a file restored
// onto a server. Every table of Schema but the scratch table 通用, the columns of Schema (a
// newer version's extra columns stay behind), read in batches of rows by id and written with
// the target engine's fastest way (Dialect::rowWriter), then the target's new ids set past the
// copied ones. The caller holds the target's transaction: a refusal (a value the target's
// column cannot take) stops the copy with the table named.
namespace TableCopy {

// Called after each batch with the rows copied so far; false stops the copy (as refused).
using Progress = std::function<bool(qint64 rows)>;

bool copyAll(const QSqlDatabase &from, const QSqlDatabase &to, QString *error, const Progress &progress = {});

// The rows of every table of the estate (通用 aside): 0 for an empty database.
qint64 rowsIn(const QSqlDatabase &db, QString *error);

}
