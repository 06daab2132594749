#pragma once

#include "data/dialect.h"

#include <QSqlDatabase>
#include <QString>

struct pg_conn;
struct pg_result;

// What the PostgreSQL dialect does below Qt SQL, on libpq: the QPSQL connection's own handle
// for the reads, row copies and cancel requests Qt SQL does not offer, and a trial connection
// that tells a refused password from an unreachable server.
namespace PgLink {

// The libpq connection under an open QPSQL connection; null for another driver or a closed one.
// Before it is used, whatever QPSQL still has to read of an earlier statement is read and
// dropped (QPSQL does the same before each statement of its own).
pg_conn *handle(const QSqlDatabase &db);

// The database's reason for a failed result, as QPSQL gives it: the message followed by the
// SQLSTATE in brackets ("…\n(23505)"), which Refusal reads.
QString reason(pg_conn *conn, pg_result *result);

// A trial connection with conninfo and password (empty: none, or ~/.pgpass).
struct Trial
{
    bool connected = false;
    bool passwordRefused = false; // the server asked for a password, and none or a wrong one was given
    QString reason; // the server's or libpq's reason when not connected
};
Trial tryConnect(const QString &conninfo, const QString &password);

// The reads of Dialect::fetch on a server.
Dialect::Fetch fetch(const QSqlDatabase &db, const QString &statement, const QList<QPair<QString, QVariant>> &named,
                     const QVariantList &positional, Dialect::Rows *out);

// Rewrites "?" and ":name" placeholders (outside quotes and comments) as $1, $2, ... and gives
// the values in that order. False when the statement mixes both kinds or a value is missing.
bool numberPlaceholders(const QString &statement, const QList<QPair<QString, QVariant>> &named,
                        const QVariantList &positional, QByteArray *sql, QVariantList *values);

}
