#include "data/sqlitefetch.h"

#include "data/bulkstatement.h"
#include "data/nullbinding.h"
#include "data/sqlitehandle.h"

#include <QByteArrayView>
#include <QSqlDriver>
#include <memory>
#include <sqlite3.h>

namespace {

struct Finalizer
{
    void operator()(sqlite3_stmt *s) const { sqlite3_finalize(s); }
};
using Statement = std::unique_ptr<sqlite3_stmt, Finalizer>;

bool bindable(const QVariant &v)
{
    if (isNullBinding(v)) {
        return true;
    }
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::Bool:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Double:
    case QMetaType::QString:
    case QMetaType::QByteArray:
        return true;
    default:
        return false;
    }
}

// Binds the data set's values. False when the statement's placeholders are not all of one
// kind that maps one to one onto the values held (QSqlQuery then decides).
bool bindAll(sqlite3_stmt *s, const QList<QPair<QString, QVariant>> &named, const QVariantList &positional)
{
    const int count = sqlite3_bind_parameter_count(s);
    int anonymous = 0;
    int names = 0;
    for (int i = 1; i <= count; ++i) {
        const char *name = sqlite3_bind_parameter_name(s, i);
        if (!name) {
            ++anonymous;
        } else if (name[0] == ':') {
            ++names;
        } else {
            return false; // ?NNN, @name, $name
        }
    }
    if (anonymous > 0 && names > 0) {
        return false;
    }
    if (anonymous > 0) {
        if (positional.size() != anonymous || !named.isEmpty()) {
            return false;
        }
        for (int i = 0; i < anonymous; ++i) {
            if (!bindable(positional[i]) || bindSqliteValue(s, i + 1, positional[i]) != SQLITE_OK) {
                return false;
            }
        }
        return true;
    }
    if (!positional.isEmpty()) {
        return false;
    }
    for (int i = 1; i <= count; ++i) {
        const QString name = QString::fromUtf8(sqlite3_bind_parameter_name(s, i));
        const QVariant *value = nullptr;
        for (const auto &p : named) {
            if (p.first == name) {
                value = &p.second;
                break;
            }
        }
        if (!value || !bindable(*value) || bindSqliteValue(s, i, *value) != SQLITE_OK) {
            return false;
        }
    }
    return true;
}

}

namespace SqliteFetch {

Outcome fetch(const QSqlDatabase &db, const QString &statement, const QList<QPair<QString, QVariant>> &named,
              const QVariantList &positional, Rows *out)
{
    return fetch(db, statement, named, positional, out, {});
}

Outcome fetch(const QSqlDatabase &db, const QString &statement, const QList<QPair<QString, QVariant>> &named,
              const QVariantList &positional, Rows *out, const Dialect::TakePart &part)
{
    sqlite3 *handle = sqliteHandle(db);
    if (!handle) {
        return Outcome::NotHandled;
    }
    const QByteArray sql = statement.toUtf8();
    sqlite3_stmt *raw = nullptr;
    const char *tail = nullptr;
    const int rc = sqlite3_prepare_v2(handle, sql.constData(), int(sql.size()), &raw, &tail);
    Statement stmt(raw);
    if (rc != SQLITE_OK) {
        out->error = QString::fromUtf8(sqlite3_errmsg(handle));
        return Outcome::Failed;
    }
    if (!stmt || !QByteArrayView(tail, sql.constData() + sql.size() - tail).trimmed().isEmpty()) {
        return Outcome::NotHandled; // nothing to run, or more than one statement
    }
    if (!bindAll(stmt.get(), named, positional)) {
        return Outcome::NotHandled;
    }

    const int n = sqlite3_column_count(stmt.get());
    out->fields.clear();
    for (int i = 0; i < n; ++i) {
        out->fields << QString::fromUtf8(sqlite3_column_name(stmt.get(), i)).remove(QLatin1Char('"'));
    }
    RowStore &store = out->store;
    store.reset(n);
    int step;
    const auto handOver = [&] {
        const bool taken = part(*out);
        store.reset(n);
        return taken;
    };
    while ((step = sqlite3_step(stmt.get())) == SQLITE_ROW) {
        if (part && store.rowCount() == PartRows && !handOver()) {
            out->error.clear();
            return Outcome::Failed;
        }
        const int row = store.appendRow();
        for (int i = 0; i < n; ++i) {
            switch (sqlite3_column_type(stmt.get(), i)) {
            case SQLITE_INTEGER:
                store.setInteger(row, i, qint64(sqlite3_column_int64(stmt.get(), i)));
                break;
            case SQLITE_FLOAT:
                store.setReal(row, i, sqlite3_column_double(stmt.get(), i));
                break;
            case SQLITE_NULL:
                store.setNull(row, i);
                break;
            case SQLITE_BLOB: {
                const void *b = sqlite3_column_blob(stmt.get(), i);
                store.setBlob(row, i, QByteArray(static_cast<const char *>(b), sqlite3_column_bytes(stmt.get(), i)));
                break;
            }
            default: {
                const char *t = reinterpret_cast<const char *>(sqlite3_column_text(stmt.get(), i));
                store.setText(row, i, t, sqlite3_column_bytes(stmt.get(), i));
                break;
            }
            }
        }
    }
    if (step != SQLITE_DONE) {
        out->error = QString::fromUtf8(sqlite3_errmsg(handle));
        store.reset();
        return Outcome::Failed;
    }
    if (part && !handOver()) {
        out->error.clear();
        return Outcome::Failed;
    }
    return Outcome::Done;
}

}
