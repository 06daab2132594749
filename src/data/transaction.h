#pragma once

#include "data/refusal.h"

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

    // A transaction is open on the connection (in this thread).
    static bool isOpen(const QSqlDatabase &db);
    // Runs attempt, which makes its whole change in one transaction of its own, and runs it again
    // (three more times at most) while it failed because the server gave up its transaction in
    // favour of another counter's (Refusal::isRetryable of reasonOf(result)): a fresh start then
    // succeeds. Inside an open transaction it runs once, as the outer transaction is lost too.
    template<typename Attempt, typename ReasonOf>
    static auto retried(const QSqlDatabase &db, Attempt attempt, ReasonOf reasonOf)
    {
        auto result = attempt();
        for (int again = 0; again < 3 && !isOpen(db) && Refusal::isRetryable(reasonOf(result)); ++again) {
            result = attempt();
        }
        return result;
    }

private:
    enum class State { Failed, Open, Done };
    bool run(const QString &statement);

    QSqlDatabase m_db;
    int m_depth = 0;
    State m_state = State::Failed;
    QString m_error;
};

// The reads of a computation that runs several statements (a report's sums of all the lines and
// of the unpaid ones) seeing one state of the database while it lives, so that a payment or a
// month's bills committed by another counter between two of them cannot make them disagree.
// Only for reads: nothing may write, nor open a Transaction, while it lives. Inside a transaction
// of the connection it does nothing (that transaction is the reads' state); when the snapshot
// cannot be opened the reads still run, each seeing the database as it is.
class ReadSnapshot
{
public:
    explicit ReadSnapshot(const QSqlDatabase &db);
    ~ReadSnapshot();
    ReadSnapshot(const ReadSnapshot &) = delete;
    ReadSnapshot &operator=(const ReadSnapshot &) = delete;

    // The snapshot was opened here (not inside a transaction, nor failed).
    bool isOwn() const { return m_open; }

private:
    QSqlDatabase m_db;
    bool m_open = false;
};
