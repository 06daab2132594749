#pragma once

#include "data/dialect.h"

// Reads a whole select result straight from SQLite on the connection's own handle, with the
// values and types a QSqlQuery over QSQLITE gives (integer → qint64, real → double, text →
// QString, blob → QByteArray, null → a null QString variant). It binds ":name" and "?"
// placeholders as QSqlQuery does. Anything it cannot take exactly as QSqlQuery would (another
// driver, mixed or unbound placeholders, unusual value types, several statements) it leaves
// to the caller: the outcome is then NotHandled.
namespace SqliteFetch {

using Outcome = Dialect::Fetch;
using Rows = Dialect::Rows;

Outcome fetch(const QSqlDatabase &db, const QString &statement, const QList<QPair<QString, QVariant>> &named,
              const QVariantList &positional, Rows *out);
// The same, handing out->store to part() every PartRows rows and at the end (see
// Dialect::fetchInParts); part() false stops the statement: Failed with an empty error.
constexpr int PartRows = 4096;
Outcome fetch(const QSqlDatabase &db, const QString &statement, const QList<QPair<QString, QVariant>> &named,
              const QVariantList &positional, Rows *out, const Dialect::TakePart &part);

}
