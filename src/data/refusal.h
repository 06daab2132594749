#pragma once

#include <QString>
#include <QVariant>
#include <functional>

class DataSet;

// A write the database refused, told in the office's words: the message names the field and
// the value where the database says which field it was; the database's own text is kept as a
// detail for whoever looks further.
struct Refusal
{
    QString message;
    QString detail;

    // reason: the database's text; valueOf: the value the refused row holds in a field.
    static Refusal of(const QString &reason, const std::function<QVariant(const QString &field)> &valueOf = {});
    // The values are those of the data set's current row (the row that was being written).
    static Refusal of(const QString &reason, const DataSet &row);
    // The database's text says its file is damaged (a page that cannot be read, a file that is
    // no database): only a backup brings the data back.
    static bool isDamage(const QString &reason);

    // The SQLSTATE a server's reason ends with ("…(23505)"), empty for an SQLite reason.
    static QString sqlState(const QString &reason);
    // The server gave up a transaction that met another counter's in a circle (40P01) or could
    // not be serialised with it (40001): run again from the start, it succeeds.
    static bool isRetryable(const QString &reason);
    // Another program holds the database at the moment (SQLite's lock outlasted the busy
    // timeout, a server's lock could not be had, or a restore found the file open elsewhere):
    // the same work succeeds later, unchanged.
    static bool isBusy(const QString &reason);
    // The restore's own reason when another program still has the database open.
    static const QString InUse; // "正被其他程序使用"
    // The connection to the server broke: nothing of the transaction was written.
    static bool isConnectionLost(const QString &reason);
};
