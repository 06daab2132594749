#include "shell/core/sqlitefetch.h"

#include "shell/core/bulkstatement.h"
#include "shell/core/sqlitehandle.h"

#include <QByteArrayView>
#include <QHash>
#include <QSqlDriver>
#include <sqlite3.h>

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#include <unistd.h>
#endif

#include <cstring>
#include <memory>
#include <vector>

namespace {

struct Finalizer
{
    void operator()(sqlite3_stmt *s) const { sqlite3_finalize(s); }
};
using Statement = std::unique_ptr<sqlite3_stmt, Finalizer>;

// A null QString, empty QByteArray etc. are bound as NULL, as QSqlQuery does.
bool isNullValue(const QVariant &v)
{
    if (v.isNull()) {
        return true;
    }
    switch (v.typeId()) {
    case QMetaType::QString:
        return static_cast<const QString *>(v.constData())->isNull();
    case QMetaType::QByteArray:
        return static_cast<const QByteArray *>(v.constData())->isNull();
    default:
        return false;
    }
}

bool bindable(const QVariant &v)
{
    if (isNullValue(v)) {
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

// Sizes the cells for `count` values at least. The cells of 100,000 rows take tens of
// megabytes; asking for huge pages before they are first touched spares the thousands of page
// faults that cost otherwise (a large part of opening a big result).
void reserveCells(QVector<QVariant> &cells, qsizetype count)
{
    if (cells.capacity() >= count) {
        return;
    }
    cells.reserve(count);
#ifdef Q_OS_LINUX
    constexpr quintptr huge = 2 * 1024 * 1024;
    const quintptr begin = (quintptr(cells.constData()) + huge - 1) & ~(huge - 1);
    const quintptr end = (quintptr(cells.constData() + cells.capacity())) & ~(huge - 1);
    if (end > begin) {
        madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
    }
#endif
}

// The few distinct texts of a column (building names, house types, states) are made once and
// shared by every row; a column that shows many distinct texts stops being pooled.
class TextPool
{
public:
    static constexpr int MaxDistinct = 512;

    QString text(const char *utf8, int size)
    {
        if (m_off) {
            return QString::fromUtf8(utf8, size);
        }
        const QByteArrayView bytes(utf8, size);
        const size_t h = qHash(bytes);
        const size_t mask = m_slots.size() - 1;
        for (size_t i = h & mask;; i = (i + 1) & mask) {
            const int e = m_slots[i];
            if (e < 0) {
                QString s = QString::fromUtf8(utf8, size);
                if (int(m_entries.size()) >= MaxDistinct) {
                    m_off = true;
                    m_entries.clear();
                    m_entries.shrink_to_fit();
                    m_slots.clear();
                    m_slots.shrink_to_fit();
                    return s;
                }
                m_slots[i] = int(m_entries.size());
                m_entries.push_back({h, QByteArray(utf8, size), s});
                return s;
            }
            const Entry &en = m_entries[size_t(e)];
            if (en.hash == h && en.bytes.size() == size && std::memcmp(en.bytes.constData(), utf8, size_t(size)) == 0) {
                return en.text;
            }
        }
    }

private:
    struct Entry
    {
        size_t hash;
        QByteArray bytes;
        QString text;
    };
    std::vector<int> m_slots = std::vector<int>(2 * MaxDistinct, -1);
    std::vector<Entry> m_entries;
    bool m_off = false;
};

}

namespace SqliteFetch {

Outcome fetch(const QSqlDatabase &db, const QString &statement, const QList<QPair<QString, QVariant>> &named,
              const QVariantList &positional, int reserveRows, Rows *out)
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
    out->cells.clear();
    reserveCells(out->cells, qsizetype(qMax(reserveRows, 1024)) * n);
    out->rowCount = 0;
    std::vector<TextPool> pools(size_t(qMax(n, 0)));
    const QVariant nullCell {QMetaType::fromType<QString>()};
    int step;
    while ((step = sqlite3_step(stmt.get())) == SQLITE_ROW) {
        if (out->cells.size() + n > out->cells.capacity()) {
            reserveCells(out->cells, 2 * (out->cells.size() + n));
        }
        for (int i = 0; i < n; ++i) {
            switch (sqlite3_column_type(stmt.get(), i)) {
            case SQLITE_INTEGER:
                out->cells.emplaceBack(qint64(sqlite3_column_int64(stmt.get(), i)));
                break;
            case SQLITE_FLOAT:
                out->cells.emplaceBack(sqlite3_column_double(stmt.get(), i));
                break;
            case SQLITE_NULL:
                out->cells.emplaceBack(nullCell);
                break;
            case SQLITE_BLOB: {
                const void *b = sqlite3_column_blob(stmt.get(), i);
                out->cells.emplaceBack(QByteArray(static_cast<const char *>(b), sqlite3_column_bytes(stmt.get(), i)));
                break;
            }
            default: {
                const char *t = reinterpret_cast<const char *>(sqlite3_column_text(stmt.get(), i));
                out->cells.emplaceBack(pools[size_t(i)].text(t, sqlite3_column_bytes(stmt.get(), i)));
                break;
            }
            }
        }
        ++out->rowCount;
    }
    if (step != SQLITE_DONE) {
        out->error = QString::fromUtf8(sqlite3_errmsg(handle));
        out->cells.clear();
        out->rowCount = 0;
        return Outcome::Failed;
    }
    if (out->cells.capacity() > 2 * out->cells.size() + 4096) {
        out->cells.squeeze(); // far fewer rows than the last time
    }
    return Outcome::Done;
}

}
