#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <memory>

class QSqlQuery;
struct sqlite3_stmt;

// Binds a value to the i-th parameter (from 1) of an SQLite statement as QSqlQuery would: a
// null value, null text or null bytes as NULL, whole numbers and booleans as integers, reals,
// texts and bytes as themselves. SQLite's result code.
int bindSqliteValue(sqlite3_stmt *statement, int i, const QVariant &value);

// One statement prepared once and run for many rows, each time with new values bound to its
// "?" in order: the inserts that fill a report's tens of thousands of rows. On an SQLite
// connection it runs straight on the engine, at a fraction of QSqlQuery's cost per row; on any
// other it goes through QSqlQuery. Values are null, integers, reals, texts or byte arrays.
class BulkStatement
{
public:
    BulkStatement(const QSqlDatabase &db, const QString &sql);
    ~BulkStatement();
    BulkStatement(const BulkStatement &) = delete;
    BulkStatement &operator=(const BulkStatement &) = delete;

    bool isValid() const { return m_valid; }
    QString error() const { return m_error; }
    // Binds the value to the i-th "?" (from 0) for the next run.
    void bind(int i, const QVariant &value);
    // The same for values already in the form the database keeps: the text's UTF-8 bytes must
    // stay as they are until run().
    void bindNull(int i);
    void bindInteger(int i, qint64 value);
    void bindText(int i, const char *utf8, qsizetype size);
    // Runs the statement with the values bound since the last run.
    bool run();

private:
    // Binds through the engine's own call, or the value through QSqlQuery off SQLite.
    template<typename Bind> void bindWith(int i, const QVariant &value, Bind bindOnEngine);

    sqlite3_stmt *m_statement = nullptr;
    std::unique_ptr<QSqlQuery> m_query;
    bool m_valid = false;
    bool m_bindFailed = false;
    QString m_error;
};
