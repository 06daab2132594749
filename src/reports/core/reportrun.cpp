#include "reports/core/reportrun.h"

#include "data/dataset.h"
#include "data/dm1.h"
#include "data/readconnection.h"
#include "data/transaction.h"

#include <QThread>

namespace {
constexpr int BatchRows = 2000;
constexpr int BatchesInFlight = 8;

// Makes the worker's rows into batches in the form 通用 holds them, keeps them for the grid when
// given where, and hands each batch to the window's thread, waiting while that thread is behind,
// so memory stays bounded however many rows a report has.
class BatchSink : public ScratchSink
{
public:
    BatchSink(const std::atomic<bool> &cancel, QSemaphore &places, RowStore *shown,
              std::function<void(ScratchBatch)> deliver)
        : m_cancel(cancel)
        , m_places(places)
        , m_shown(shown)
        , m_deliver(std::move(deliver))
    { }
    bool append(ScratchRow row) override
    {
        m_rows.add(row, m_shown);
        return m_rows.rowCount() < BatchRows || flush();
    }
    ScratchBatch *batch() override { return &m_rows; }
    bool rowMade() override
    {
        m_rows.endRow(m_shown);
        return m_rows.rowCount() < BatchRows || flush();
    }
    bool flush()
    {
        if (m_rows.rowCount() == 0) {
            return !m_cancel.load();
        }
        while (!m_places.tryAcquire(1, 20)) {
            if (m_cancel.load()) {
                return false;
            }
        }
        if (m_cancel.load()) {
            m_places.release();
            return false;
        }
        m_deliver(m_rows.takeRows());
        return true;
    }

private:
    const std::atomic<bool> &m_cancel;
    QSemaphore &m_places;
    RowStore *m_shown;
    std::function<void(ScratchBatch)> m_deliver;
    ScratchBatch m_rows;
};

// The scratch query over the rows in the order they were written.
QStringList scratchQuery()
{
    return {QStringLiteral("select * from 通用"), QStringLiteral("order by id")};
}
}

ReportRun::ReportRun(QObject *parent)
    : QObject(parent)
    , m_inFlight(BatchesInFlight)
{ }

ReportRun::~ReportRun()
{
    stop();
}

void ReportRun::emptyScratch()
{
    if (Dm1 *dm = Dm1::instance(); dm && dm->isConnected()) {
        dm->exec(QStringLiteral("delete from 通用"));
    }
}

bool ReportRun::start(const Computation &work, DataSet *scratch, QString *error, KeepRows keep)
{
    if (m_running) {
        if (error) {
            *error = QStringLiteral("统计正在进行");
        }
        return false;
    }
    Dm1 *dm = Dm1::instance();
    m_scratch = scratch;
    m_writeError.clear();
    m_written = 0;
    m_lastIds.clear();
    m_keptHere = keep == KeepRows::OnWindow;
    m_shown.reset(int(ScratchTableWriter::fields().size()));
    m_cancel = false;
    scratch->close();
    m_running = true;
    const DatabaseAddress address = dm->address();
    const int run = ++m_generation;
    m_thread = QThread::create([this, work, address, run] {
        ReadConnection reader(address, &m_cancel);
        bool ok = reader.isOpen();
        QString why = reader.error();
        if (ok) {
            // The rows for the grid are kept on one side only, in the order they are written.
            BatchSink out(m_cancel, m_inFlight, m_keptHere ? nullptr : &m_shown, [this, run](ScratchBatch rows) {
                QMetaObject::invokeMethod(
                    this, [this, run, rows = std::move(rows)] { writeBatch(run, rows); }, Qt::QueuedConnection);
            });
            ok = work(reader.database(), out, &why) && out.flush();
        }
        QMetaObject::invokeMethod(
            this, [this, run, ok, why] { workerDone(run, ok, why); }, Qt::QueuedConnection);
    });
    m_thread->start();
    // 通用 is emptied while the worker's statement runs: its rows come to this thread only once
    // start() has returned.
    QString why;
    if (!dm->exec(QStringLiteral("delete from 通用"), {}, &why) || !scratch->openOn(scratchQuery())) {
        if (error) {
            *error = why.isEmpty() ? scratch->lastError() : why;
        }
        stop();
        return false;
    }
    return true;
}

void ReportRun::writeBatch(int run, const ScratchBatch &rows)
{
    if (run != m_generation) {
        return; // a run that was stopped: its places were freed then
    }
    // Rows that come after a cancel or a failed write are dropped; the place is freed either way.
    if (!m_cancel.load()) {
        Transaction tx(Dm1::instance()->database());
        // Written into 通用 (sorting by a title reads it again) by one writer for the whole run, its
        // inserts prepared once; the ids 通用 gives are those of the rows kept for the grid.
        if (!m_writer) {
            m_writer = std::make_unique<ScratchTableWriter>(Dm1::instance()->database());
        }
        ScratchTableWriter &out = *m_writer;
        qint64 lastId = 0;
        const bool ok = tx.begun() && out.write(rows) && out.flush() && out.lastId(&lastId);
        if (ok && tx.commit(&m_writeError)) {
            if (m_keptHere) {
                rows.keepIn(&m_shown);
            }
            m_written += rows.rowCount();
            m_lastIds.push_back({rows.rowCount(), lastId});
        } else {
            if (m_writeError.isEmpty()) {
                m_writeError = tx.begun() ? out.error() : tx.error();
            }
            m_cancel = true;
        }
    }
    m_inFlight.release();
}

void ReportRun::numberShown()
{
    int row = 0;
    for (const auto &[count, lastId] : m_lastIds) {
        for (qint64 id = lastId - count + 1; id <= lastId; ++id) {
            m_shown.setInteger(row++, 0, id);
        }
    }
}

void ReportRun::joinThread()
{
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
        m_thread = nullptr;
    }
}

void ReportRun::freeAllPlaces()
{
    m_inFlight.release(BatchesInFlight - m_inFlight.available());
}

void ReportRun::workerDone(int run, bool ok, const QString &error)
{
    if (run != m_generation) {
        return;
    }
    joinThread();
    // Everything the worker sent was queued before this call and has been written or dropped.
    freeAllPlaces();
    m_writer.reset();
    m_running = false;
    const bool cancelled = m_cancel.load() && m_writeError.isEmpty();
    const QString why = !m_writeError.isEmpty() ? m_writeError : (cancelled ? QString() : error);
    if (ok && !m_cancel.load()) {
        // The rows in the order they were written, until the operator sorts them by a title.
        numberShown();
        m_scratch->openWith(scratchQuery(), ScratchTableWriter::fields(), std::exchange(m_shown, {}));
        emit finished(true, QString());
        return;
    }
    m_shown.reset();
    emptyScratch();
    m_scratch->openOn(scratchQuery());
    emit finished(false, why);
}

bool ReportRun::runHere(const Computation &work, DataSet *scratch, QString *error)
{
    // Written as they come, inside the transaction.
    class Direct : public ScratchSink
    {
    public:
        Direct(const QSqlDatabase &db, RowStore *shown)
            : writer(db, shown)
        { }
        bool append(ScratchRow row) override { return writer.write(row); }
        ScratchTableWriter writer;
    };
    Dm1 *dm = Dm1::instance();
    scratch->close();
    QString why;
    RowStore shown;
    shown.reset(int(ScratchTableWriter::fields().size()));
    const bool ok = dm->inTransaction(
        [&](QString *e) {
            Direct out(dm->database(), &shown);
            if (!dm->exec(QStringLiteral("delete from 通用"), {}, e)) {
                return false;
            }
            if (!work(dm->database(), out, e) || !out.writer.flush()) {
                if (!out.writer.error().isEmpty()) {
                    *e = out.writer.error();
                }
                return false;
            }
            return true;
        },
        &why);
    if (!ok) {
        dm->exec(QStringLiteral("delete from 通用"));
        shown.reset(int(ScratchTableWriter::fields().size()));
    }
    scratch->openWith(scratchQuery(), ScratchTableWriter::fields(), std::move(shown));
    if (error) {
        *error = why;
    }
    return ok;
}

void ReportRun::cancel()
{
    m_cancel = true;
}

void ReportRun::stop()
{
    if (!m_running) {
        return;
    }
    m_cancel = true;
    joinThread();
    // What the stopped run still has on its way is ignored when it arrives.
    ++m_generation;
    m_running = false;
    m_writer.reset();
    m_shown.reset();
    freeAllPlaces();
    emptyScratch();
}
