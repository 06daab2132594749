#pragma once

#include <QSqlDatabase>
#include <QString>

// A scoped transaction on a connection: every statement run while it lives takes effect
// together on commit(), or not at all when it goes out of scope uncommitted. Opened inside
// another transaction of the same connection it becomes a savepoint of the outer one, so code
// that needs a transaction can call code that opens its own: the inner part rolls back alone,
// and only the outermost commit makes the change durable.
//
//     Transaction tx;
//     if (!tx.begun() || !step1(&error) || !step2(&error) || !tx.commit(&error)) { ... }
class Transaction
{
public:
    // On the program's connection (ADO_system).
    Transaction();
    explicit Transaction(const QSqlDatabase &db);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    // False when the transaction could not be started (error() tells why): run nothing then.
    bool begun() const { return m_state == State::Open; }
    QString error() const { return m_error; }
    bool isOutermost() const { return m_depth == 0; }

    // Makes the work permanent (outermost) or keeps it as part of the outer transaction. A
    // commit the database refuses, or turns into a rollback, is reported as a failure.
    bool commit(QString *error = nullptr);
    // Undoes everything since the transaction began; the destructor does this when needed.
    void rollback();

private:
    enum class State { Failed, Open, Done };
    bool run(const QString &statement);

    QSqlDatabase m_db;
    int m_depth = 0;
    State m_state = State::Failed;
    QString m_error;
};
