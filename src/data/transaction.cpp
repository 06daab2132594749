#include "data/transaction.h"

#include "data/dialect.h"
#include "data/dm1.h"

#include <QHash>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

namespace {
// How many transactions are open on each connection, by connection name. A connection is used
// by the thread that made it only, so each thread keeps its own count.
QHash<QString, int> &depths()
{
    thread_local QHash<QString, int> map;
    return map;
}

QString savepointName(int depth)
{
    return QStringLiteral("parvell_sp%1").arg(depth);
}
}

Transaction::Transaction()
    : Transaction(Dm1::instance()->database())
{ }

Transaction::Transaction(const QSqlDatabase &db)
    : m_db(db)
{
    if (!m_db.isOpen()) {
        m_error = QStringLiteral("数据库没有连接");
        return;
    }
    int &depth = depths()[m_db.connectionName()];
    m_depth = depth;
    bool ok;
    if (m_depth > 0) {
        ok = run(QStringLiteral("SAVEPOINT ") + savepointName(m_depth));
    } else {
        // On SQLite the write lock is taken at the start (waiting out the busy timeout), so a
        // change that reads before it writes cannot fail half-way because another workstation
        // wrote in between; a server's transactions lock the rows they change instead.
        ok = run(Dialect::of(m_db).beginStatement());
    }
    if (ok) {
        m_state = State::Open;
        ++depth;
    }
}

Transaction::~Transaction()
{
    if (m_state == State::Open) {
        rollback();
    }
}

bool Transaction::run(const QString &statement)
{
    QSqlQuery q(m_db);
    if (!q.exec(statement)) {
        m_error = q.lastError().databaseText();
        if (m_error.isEmpty()) {
            m_error = q.lastError().text();
        }
        return false;
    }
    return true;
}

bool Transaction::commit(QString *error)
{
    if (m_state != State::Open) {
        if (error) {
            *error = m_error.isEmpty() ? QStringLiteral("事务没有开始") : m_error;
        }
        return false;
    }
    bool ok;
    if (m_depth > 0) {
        ok = run(QStringLiteral("RELEASE SAVEPOINT ") + savepointName(m_depth));
    } else {
        // A server answers COMMIT of a transaction that met an error with a rollback; the driver
        // reports that as a failed commit.
        ok = m_db.commit();
        if (!ok) {
            m_error = m_db.lastError().databaseText();
            if (m_error.trimmed().isEmpty()) {
                m_error = m_db.lastError().text();
            }
        }
    }
    if (!ok) {
        if (error) {
            *error = m_error;
        }
        rollback();
        return false;
    }
    m_state = State::Done;
    --depths()[m_db.connectionName()];
    return true;
}

void Transaction::rollback()
{
    if (m_state != State::Open) {
        return;
    }
    if (m_depth > 0) {
        // Undo this part only, then drop the savepoint: the outer transaction goes on.
        const QString name = savepointName(m_depth);
        run(QStringLiteral("ROLLBACK TO SAVEPOINT ") + name);
        run(QStringLiteral("RELEASE SAVEPOINT ") + name);
    } else if (!m_db.rollback()) {
        // The engine may already have rolled back on its own (a failed COMMIT, a full disk).
        QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
    }
    m_state = State::Done;
    --depths()[m_db.connectionName()];
}

bool Transaction::isOpen(const QSqlDatabase &db)
{
    return depths().value(db.connectionName()) > 0;
}

ReadSnapshot::ReadSnapshot(const QSqlDatabase &db) : m_db(db)
{
    if (!m_db.isOpen() || Transaction::isOpen(m_db)) {
        return;
    }
    QSqlQuery q(m_db);
    m_open = q.exec(Dialect::of(m_db).readSnapshotStatement());
}

ReadSnapshot::~ReadSnapshot()
{
    if (m_open) {
        QSqlQuery q(m_db);
        // Nothing was written: ending it only lets the database go on past this state.
        if (!q.exec(QStringLiteral("COMMIT"))) {
            q.exec(QStringLiteral("ROLLBACK"));
        }
    }
}
