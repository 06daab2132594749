#pragma once

#include "data/rowstore.h"
#include "reports/core/scratchrows.h"

#include <QList>
#include <QObject>
#include <QSemaphore>
#include <QSqlDatabase>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class DataSet;
class QThread;

// Computes a report while its window stays responsive, and lets the operator stop it.
//
// start() sets the computation going and, while its first statement runs, empties the scratch
// table 通用 and shows it empty. The computation runs on a worker thread over a read-only
// connection of its own (ReadConnection), so the window keeps painting and taking clicks however
// long the statements take. The worker makes its rows into
// the form 通用 holds them, and they come back to this thread in batches; each batch is written
// into 通用 on the program's connection (通用 is private to that connection, which only this
// thread uses). The rows for the grid are kept as written, by the worker or by this thread
// (KeepRows), and given the ids 通用 gave them. When all rows are in, the scratch data set is
// opened on those rows without reading them back, with the scratch query that gives them in the
// order they were written ("order by id", the ordering line a title click replaces: sorting
// reads 通用 again), and finished(true) follows.
//
// cancel() stops the run at once: the statement in progress is interrupted, rows still on their
// way are dropped, 通用 is emptied, and finished(false) follows with an empty error. A failed
// statement ends the run the same way, with the database's reason as the error. A report is
// never shown half-made.
class ReportRun : public QObject
{
    Q_OBJECT
public:
    using Computation = std::function<bool(const QSqlDatabase &db, ScratchSink &out, QString *error)>;
    // Where the rows are made into the form 通用 and the grid hold them and kept for the grid: on
    // the worker, when its rows come from sums it holds and this thread would fall behind
    // writing them; on this thread, when the worker reads its rows one by one from a long
    // statement and is itself the slower of the two.
    enum class KeepRows { OnWorker, OnWindow };

    explicit ReportRun(QObject *parent = nullptr);
    // Cancels a run still going and waits for its thread.
    ~ReportRun() override;

    // False, with the reason in error, when 通用 cannot be emptied or a run is going.
    bool start(const Computation &work, DataSet *scratch, QString *error = nullptr, KeepRows keep = KeepRows::OnWorker);
    void cancel();
    bool isRunning() const { return m_running; }
    // Rows written into 通用 so far.
    int rowsWritten() const { return m_written; }
    // Cancels the run and waits until its thread has ended; 通用 is left empty. For a window
    // that closes while computing.
    void stop();

    // Computes a small report at once on the program's connection, for a caller that needs
    // its rows before it goes on (the start-up reminder): 通用 is emptied and filled in one
    // transaction, and the scratch data set opened on the rows in the order they were written.
    // On failure 通用 is left empty and error tells why.
    static bool runHere(const Computation &work, DataSet *scratch, QString *error = nullptr);

signals:
    void finished(bool ok, const QString &error);

private:
    void writeBatch(int run, const ScratchBatch &rows);
    // Gives the rows kept for the grid the ids 通用 gave them.
    void numberShown();
    void workerDone(int run, bool ok, const QString &error);
    void freeAllPlaces();
    void joinThread();
    void emptyScratch();

    DataSet *m_scratch = nullptr;
    // The rows as the grid will show them, kept by the worker while it runs.
    RowStore m_shown;
    // Writes the run's batches into 通用.
    std::unique_ptr<ScratchTableWriter> m_writer;
    // The batches written into 通用: their number of rows and the id of the last one.
    std::vector<std::pair<int, qint64>> m_lastIds;
    bool m_keptHere = false; // the rows for the grid kept by this thread, not by the worker
    QThread *m_thread = nullptr;
    std::atomic<bool> m_cancel = false;
    QSemaphore m_inFlight; // free places for batches on their way
    bool m_running = false;
    QString m_writeError;
    int m_written = 0;
    int m_generation = 0; // the current run; what earlier runs still send is ignored
};
