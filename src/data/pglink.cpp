#include "data/pglink.h"

#include "data/nullbinding.h"

#include <QByteArrayView>
#include <QSqlDriver>
#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <libpq-fe.h>
#include <memory>
#include <vector>

namespace {

struct ClearResult
{
    void operator()(PGresult *r) const { PQclear(r); }
};
using Result = std::unique_ptr<PGresult, ClearResult>;

// Type numbers of the server's built-in types (pg_type.oid), fixed since its first releases.
enum : Oid {
    BoolOid = 16,
    ByteaOid = 17,
    Int8Oid = 20,
    Int2Oid = 21,
    Int4Oid = 23,
    OidOid = 26,
    Float4Oid = 700,
    Float8Oid = 701,
    NumericOid = 1700
};

// A value as the server reads it in text form; false for a type left to QSqlQuery.
bool parameterText(const QVariant &v, QByteArray *out)
{
    switch (v.typeId()) {
    case QMetaType::Bool:
        // Yes/no columns hold 0 and 1.
        *out = v.toBool() ? QByteArrayLiteral("1") : QByteArrayLiteral("0");
        return true;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        *out = v.toByteArray();
        return true;
    case QMetaType::Double: {
        char text[64];
        const auto r = std::to_chars(std::begin(text), std::end(text), v.toDouble());
        *out = QByteArray(text, r.ptr - text);
        return true;
    }
    case QMetaType::QString:
        *out = static_cast<const QString *>(v.constData())->toUtf8();
        return true;
    default:
        return false;
    }
}

// Reads one cell of a text-format result as the program's connections read values: whole
// numbers as qint64, reals as double, texts as UTF-8 straight into the store.
void storeCell(RowStore &store, int row, int column, Oid type, const char *text, int length)
{
    switch (type) {
    case Int8Oid:
    case Int2Oid:
    case Int4Oid:
    case OidOid:
        store.setInteger(row, column, std::strtoll(text, nullptr, 10));
        return;
    case BoolOid:
        store.setInteger(row, column, text[0] == 't' ? 1 : 0);
        return;
    case Float4Oid:
    case Float8Oid:
        store.setReal(row, column, std::strtod(text, nullptr));
        return;
    case NumericOid: {
        // A sum of money columns is an exact whole number; anything else reads as a real, as on
        // SQLite.
        qint64 whole = 0;
        const auto r = std::from_chars(text, text + length, whole);
        if (r.ec == std::errc() && r.ptr == text + length) {
            store.setInteger(row, column, whole);
        } else if (QByteArrayView(text, length).contains('.')) {
            store.setReal(row, column, std::strtod(text, nullptr));
        } else {
            store.setText(row, column, text, length); // beyond 64 bits: kept exact as text
        }
        return;
    }
    case ByteaOid: {
        size_t size = 0;
        unsigned char *bytes = PQunescapeBytea(reinterpret_cast<const unsigned char *>(text), &size);
        store.setBlob(row, column, QByteArray(reinterpret_cast<const char *>(bytes), qsizetype(size)));
        PQfreemem(bytes);
        return;
    }
    default:
        store.setText(row, column, text, length);
        return;
    }
}

} // namespace

namespace PgLink {

pg_conn *handle(const QSqlDatabase &db)
{
    if (!db.isOpen() || !db.driver()) {
        return nullptr;
    }
    const QVariant h = db.driver()->handle();
    if (!h.isValid() || (qstrcmp(h.typeName(), "PGconn*") != 0 && qstrcmp(h.typeName(), "pg_conn*") != 0)) {
        return nullptr;
    }
    PGconn *conn = *static_cast<PGconn *const *>(h.constData());
    if (conn) {
        while (PGresult *pending = PQgetResult(conn)) {
            PQclear(pending);
        }
    }
    return conn;
}

QString reason(pg_conn *conn, pg_result *result)
{
    QString text = QString::fromUtf8(result ? PQresultErrorMessage(result) : PQerrorMessage(conn));
    if (const char *state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr) {
        text += QStringLiteral("(%1)").arg(QString::fromLatin1(state));
    }
    return text;
}

Trial tryConnect(const QString &conninfo, const QString &password)
{
    const QByteArray info = conninfo.toUtf8();
    const QByteArray pass = password.toUtf8();
    // The conninfo line first, then the password; expand_dbname lets the line carry every
    // setting the office wrote.
    const char *keys[] = {"dbname", password.isEmpty() ? nullptr : "password", nullptr};
    const char *values[] = {info.constData(), pass.constData(), nullptr};
    PGconn *conn = PQconnectdbParams(keys, values, 1);
    Trial t;
    t.connected = conn && PQstatus(conn) == CONNECTION_OK;
    if (!t.connected) {
        t.passwordRefused = conn && (PQconnectionNeedsPassword(conn) || PQconnectionUsedPassword(conn));
        t.reason = conn ? QString::fromUtf8(PQerrorMessage(conn)).trimmed() : QStringLiteral("out of memory");
    }
    PQfinish(conn);
    return t;
}

bool numberPlaceholders(const QString &statement, const QList<QPair<QString, QVariant>> &named,
                        const QVariantList &positional, QByteArray *sql, QVariantList *values)
{
    QString out;
    out.reserve(statement.size() + 16);
    QStringList names; // the names in the order they got their numbers
    int anonymous = 0;
    const qsizetype n = statement.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = statement[i];
        if (c == u'\'' || c == u'"') {
            // A quoted text or name, its doubled quotes included.
            qsizetype end = i + 1;
            while (end < n && !(statement[end] == c && (end + 1 >= n || statement[end + 1] != c))) {
                end += statement[end] == c ? 2 : 1;
            }
            out += QStringView(statement).mid(i, end - i + 1);
            i = end;
        } else if (c == u'-' && i + 1 < n && statement[i + 1] == u'-') {
            const qsizetype end = statement.indexOf(u'\n', i);
            const qsizetype stop = end < 0 ? n : end;
            out += QStringView(statement).mid(i, stop - i);
            i = stop - 1;
        } else if (c == u'?') {
            out += QStringLiteral("$%1").arg(++anonymous);
        } else if (c == u':' && i + 1 < n && statement[i + 1] == u':') {
            out += QStringLiteral("::"); // a cast
            ++i;
        } else if (c == u':' && i + 1 < n && (statement[i + 1].isLetter() || statement[i + 1] == u'_')) {
            qsizetype end = i + 1;
            while (end < n && (statement[end].isLetterOrNumber() || statement[end] == u'_')) {
                ++end;
            }
            const QString name = statement.mid(i, end - i);
            qsizetype number = names.indexOf(name);
            if (number < 0) {
                names << name;
                number = names.size() - 1;
            }
            out += QStringLiteral("$%1").arg(number + 1);
            i = end - 1;
        } else {
            out += c;
        }
    }
    values->clear();
    if (anonymous > 0 && !names.isEmpty()) {
        return false;
    }
    if (anonymous > 0 || names.isEmpty()) {
        if (positional.size() != anonymous || !named.isEmpty()) {
            return false;
        }
        *values = positional;
    } else {
        if (!positional.isEmpty()) {
            return false;
        }
        for (const QString &name : std::as_const(names)) {
            const auto it = std::find_if(named.cbegin(), named.cend(), [&](const auto &p) { return p.first == name; });
            if (it == named.cend()) {
                return false;
            }
            *values << it->second;
        }
    }
    *sql = out.toUtf8();
    return true;
}

Dialect::Fetch fetch(const QSqlDatabase &db, const QString &statement, const QList<QPair<QString, QVariant>> &named,
                     const QVariantList &positional, Dialect::Rows *out)
{
    QByteArray sql;
    QVariantList values;
    if (!numberPlaceholders(statement, named, positional, &sql, &values)) {
        return Dialect::Fetch::NotHandled;
    }
    std::vector<QByteArray> texts(size_t(values.size()));
    std::vector<const char *> params(size_t(values.size()), nullptr);
    std::vector<int> lengths(size_t(values.size()), 0);
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (isNullBinding(values[i])) {
            continue;
        }
        if (!parameterText(values[i], &texts[size_t(i)])) {
            return Dialect::Fetch::NotHandled;
        }
        params[size_t(i)] = texts[size_t(i)].constData();
        lengths[size_t(i)] = int(texts[size_t(i)].size());
    }
    PGconn *conn = handle(db);
    if (!conn) {
        return Dialect::Fetch::NotHandled;
    }
    const Result result(
        PQexecParams(conn, sql.constData(), int(values.size()), nullptr, params.data(), lengths.data(), nullptr, 0));
    const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
        out->error = reason(conn, result.get());
        return Dialect::Fetch::Failed;
    }
    const int columns = PQnfields(result.get());
    const int rows = PQntuples(result.get());
    out->fields.clear();
    std::vector<Oid> types(static_cast<size_t>(columns));
    for (int c = 0; c < columns; ++c) {
        out->fields << QString::fromUtf8(PQfname(result.get(), c));
        types[size_t(c)] = PQftype(result.get(), c);
    }
    RowStore &store = out->store;
    store.reset(columns);
    for (int r = 0; r < rows; ++r) {
        const int row = store.appendRow();
        for (int c = 0; c < columns; ++c) {
            if (PQgetisnull(result.get(), r, c)) {
                store.setNull(row, c);
            } else {
                storeCell(store, row, c, types[size_t(c)], PQgetvalue(result.get(), r, c),
                          PQgetlength(result.get(), r, c));
            }
        }
    }
    return Dialect::Fetch::Done;
}

}
