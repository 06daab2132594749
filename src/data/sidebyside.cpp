#include "data/sidebyside.h"

#include "data/dialect.h"
#include "data/readconnection.h"
#include "data/transaction.h"

#include <QSemaphore>
#include <QSqlQuery>
#include <QThread>
#include <memory>

namespace {

std::function<void()> &betweenSnapshots()
{
    static std::function<void()> step;
    return step;
}

// The one value a statement gives, as text; a null QString when it failed or gave none.
QString valueOf(const QSqlDatabase &db, const QString &statement)
{
    QSqlQuery q(db);
    if (!q.exec(statement) || !q.next()) {
        return {};
    }
    const QString value = q.value(0).toString();
    return value.isNull() ? QStringLiteral("") : value;
}

bool ran(const QSqlDatabase &db, const QString &statement)
{
    QSqlQuery q(db);
    return q.exec(statement);
}

// What the two threads tell each other, each field written by one side before the semaphore
// the other waits on is released.
struct Handshake
{
    QSemaphore opened; // the second connection is open (or could not be)
    QSemaphore pinned; // the first's snapshot is taken (or could not be)
    bool secondOpen = false;
    bool firstPinned = false;
    QString state; // the first snapshot's name, where it can be handed over
    bool sameState = false; // the second read in the first's state: its outcome below counts
    bool secondOk = false;
    QString secondError;
};

}

bool SideBySide::oneAfterOther(const QSqlDatabase &db, const Read &here, const Read &beside, QString *error)
{
    const ReadSnapshot oneState(db);
    return here(db, error) && beside(db, error);
}

void SideBySide::setBetweenSnapshots(std::function<void()> step)
{
    betweenSnapshots() = std::move(step);
}

bool SideBySide::canReadBeside(const QSqlDatabase &db)
{
    return ReadConnection::originOf(db) && !Transaction::isOpen(db);
}

bool SideBySide::run(const QSqlDatabase &db, const Read &here, const Read &beside, QString *error)
{
    if (!canReadBeside(db)) {
        return oneAfterOther(db, here, beside, error);
    }
    const std::optional<ReadConnection::Origin> origin = ReadConnection::originOf(db);
    const Dialect &dialect = origin->address.dialect();
    const QString exportState = dialect.exportSnapshotStatement();
    const QString changes = dialect.changeCounterStatement();
    auto shake = std::make_shared<Handshake>();
    std::unique_ptr<QThread> second(QThread::create([shake, origin, beside, &dialect, changes] {
        ReadConnection side(origin->address, origin->cancel);
        const QSqlDatabase sdb = side.database();
        // Where the state cannot be handed over: the counter as it stands before the first
        // connection's snapshot begins.
        const QString before = side.isOpen() && !changes.isEmpty() ? valueOf(sdb, changes) : QString();
        shake->secondOpen = side.isOpen() && (changes.isEmpty() || !before.isNull());
        shake->opened.release();
        if (!shake->secondOpen) {
            return;
        }
        shake->pinned.acquire();
        if (!shake->firstPinned || !ran(sdb, dialect.readSnapshotStatement())) {
            return;
        }
        bool same = true;
        if (!shake->state.isEmpty()) {
            const QString take = dialect.importSnapshotStatement(shake->state);
            same = !take.isEmpty() && ran(sdb, take);
        }
        if (same && !changes.isEmpty()) {
            // Unchanged since before the first's snapshot: nobody committed in between, and this
            // snapshot (taken by this read) is the first's.
            same = valueOf(sdb, changes) == before;
        }
        shake->sameState = same;
        if (same) {
            shake->secondOk = beside(sdb, &shake->secondError);
        }
        if (!ran(sdb, QStringLiteral("COMMIT"))) {
            ran(sdb, QStringLiteral("ROLLBACK"));
        }
    }));
    second->start();
    shake->opened.acquire();
    const ReadSnapshot oneState(db);
    if (shake->secondOpen) {
        // The snapshot begins with its first read: the export, or the counter.
        if (oneState.isOwn()) {
            const QString state = valueOf(db, exportState.isEmpty() ? changes : exportState);
            shake->firstPinned = !state.isNull();
            shake->state = exportState.isEmpty() ? QString() : state;
        }
        if (shake->firstPinned && betweenSnapshots()) {
            betweenSnapshots()();
        }
        shake->pinned.release();
    }
    bool ok = here(db, error);
    second->wait();
    if (!shake->sameState) {
        // In this connection's snapshot, after its own read.
        return ok && beside(db, error);
    }
    if (ok && !shake->secondOk) {
        *error = shake->secondError;
        return false;
    }
    return ok;
}
