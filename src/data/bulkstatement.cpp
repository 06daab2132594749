#include "data/bulkstatement.h"

#include "data/sqlitehandle.h"

#include <QSqlError>
#include <QSqlQuery>
#include <sqlite3.h>

int bindSqliteValue(sqlite3_stmt *s, int i, const QVariant &v)
{
    if (v.isNull()) {
        return sqlite3_bind_null(s, i);
    }
    switch (v.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
        return sqlite3_bind_int64(s, i, v.toLongLong());
    case QMetaType::Double:
        return sqlite3_bind_double(s, i, v.toDouble());
    case QMetaType::QByteArray: {
        const auto *ba = static_cast<const QByteArray *>(v.constData());
        return ba->isNull() ? sqlite3_bind_null(s, i)
                            : sqlite3_bind_blob64(s, i, ba->constData(), sqlite3_uint64(ba->size()), SQLITE_TRANSIENT);
    }
    case QMetaType::QString: {
        const auto *text = static_cast<const QString *>(v.constData());
        return text->isNull()
            ? sqlite3_bind_null(s, i)
            : sqlite3_bind_text16(s, i, text->utf16(), int(text->size() * sizeof(char16_t)), SQLITE_TRANSIENT);
    }
    default: {
        const QString text = v.toString();
        if (text.isNull()) {
            return sqlite3_bind_null(s, i);
        }
        return sqlite3_bind_text16(s, i, text.utf16(), int(text.size() * sizeof(char16_t)), SQLITE_TRANSIENT);
    }
    }
}

BulkStatement::BulkStatement(const QSqlDatabase &db, const QString &sql)
{
    if (sqlite3 *handle = sqliteHandle(db)) {
        const QByteArray utf8 = sql.toUtf8();
        if (sqlite3_prepare_v2(handle, utf8.constData(), int(utf8.size()), &m_statement, nullptr) != SQLITE_OK) {
            m_error = QString::fromUtf8(sqlite3_errmsg(handle));
            return;
        }
        m_valid = true;
        return;
    }
    m_query = std::make_unique<QSqlQuery>(db);
    m_valid = m_query->prepare(sql);
    if (!m_valid) {
        m_error = m_query->lastError().text();
    }
}

BulkStatement::~BulkStatement()
{
    sqlite3_finalize(m_statement);
}

void BulkStatement::bind(int i, const QVariant &value)
{
    bindWith(i, value, [&] { return bindSqliteValue(m_statement, i + 1, value); });
}

void BulkStatement::bindNull(int i)
{
    bindWith(i, QVariant(QMetaType::fromType<QString>()), [&] { return sqlite3_bind_null(m_statement, i + 1); });
}

void BulkStatement::bindInteger(int i, qint64 value)
{
    bindWith(i, QVariant(value), [&] { return sqlite3_bind_int64(m_statement, i + 1, value); });
}

void BulkStatement::bindText(int i, const char *utf8, qsizetype size)
{
    if (m_query) {
        bindWith(i, QString::fromUtf8(utf8, size), [] { return SQLITE_OK; });
        return;
    }
    // SQLite reads the bytes when the statement runs, straight from the caller's buffer.
    bindWith(i, {}, [&] {
        return sqlite3_bind_text64(m_statement, i + 1, utf8, sqlite3_uint64(size), SQLITE_STATIC, SQLITE_UTF8);
    });
}

template<typename Bind> void BulkStatement::bindWith(int i, const QVariant &value, Bind bindOnEngine)
{
    if (!m_valid) {
        return;
    }
    if (m_query) {
        m_query->bindValue(i, value);
        return;
    }
    if (i == 0) {
        sqlite3_reset(m_statement);
        m_bindFailed = false;
    }
    if (bindOnEngine() != SQLITE_OK && !m_bindFailed) {
        m_bindFailed = true;
        m_error = QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(m_statement)));
    }
}

bool BulkStatement::run()
{
    if (!m_valid) {
        return false;
    }
    if (m_query) {
        if (!m_query->exec()) {
            m_error = m_query->lastError().text();
            return false;
        }
        return true;
    }
    if (m_bindFailed) {
        return false;
    }
    const int rc = sqlite3_step(m_statement);
    sqlite3_reset(m_statement);
    if (rc != SQLITE_DONE) {
        m_error = QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(m_statement)));
        return false;
    }
    return true;
}
