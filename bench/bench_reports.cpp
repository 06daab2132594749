// The statistics on a large estate: 5,000 houses, 10 fee items, 24 months (1.2 million bill
// lines). Each report is timed through the program's own path (the computation on its worker
// thread, the rows written into 通用 and the scratch query opened on them), beside a bare
// SQLite C loop that runs the one grouped query giving the same numbers and steps through its
// rows; the ratio of the two is printed (the goal: at most 2). Last, how soon "取消" stops a
// statement that would run for hours, beside sqlite3_interrupt() on a bare connection.
#include "data/dm1.h"
#include "reports/core/billreports.h"
#include "reports/core/reportrun.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <sqlite3.h>
#include <thread>
#include <time.h>

namespace {

constexpr int Houses = 5000;
constexpr int Runs = 3;

bool fill(Dm1 &dm, QString *error)
{
    // Generated in the database itself (only the setting up uses SQLite's own functions), month
    // after month as the office bills them; 30% of the lines unpaid.
    return dm.inTransaction(
        [&](QString *e) {
            return dm.exec(QStringLiteral("INSERT INTO 楼宇资料 (楼宇名称) WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL "
                                          "SELECT i + 1 FROM n WHERE i < 25) SELECT printf('%d号楼', i) FROM n"),
                           {}, e)
                && dm.exec(QStringLiteral("INSERT INTO 房屋资料 (房屋代码, 楼宇名称, 楼宇单元, 业主名称) "
                                          "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < ?) "
                                          "SELECT printf('B%02d-%04d', i / 200 + 1, i % 200 + 1), printf('%d号楼', i / "
                                          "200 + 1), printf('%d单元', i % 4 + 1), printf('业主%d', i) FROM n"),
                           {Houses - 1}, e)
                && dm.exec(
                    QStringLiteral("INSERT INTO 收费项目 (收费名称, 停止收费) WITH RECURSIVE n(i) AS (SELECT 1 "
                                   "UNION ALL SELECT i + 1 FROM n WHERE i < 10) SELECT printf('收费项目%02d', i), "
                                   "'否' FROM n"),
                    {}, e)
                && dm.exec(QStringLiteral(
                               "INSERT INTO 收费明细表 (房屋代码, 房屋名称, 业主名称, 楼宇名称, 楼宇单元, 收费名称, "
                               "计算公式, 单价, 收费金额, 开始日期, 结束日期, 年度, 月份, 缴费状态, 缴费时间) "
                               "WITH RECURSIVE m(k) AS (SELECT 0 UNION ALL SELECT k + 1 FROM m WHERE k < 23) "
                               "SELECT h.房屋代码, h.房屋代码, h.业主名称, h.楼宇名称, h.楼宇单元, i.收费名称, "
                               "'直接输入金额', 0, abs(random()) % 2000000, "
                               "printf('%04d-%02d-01 00:00:00', 2023 + m.k / 12, m.k % 12 + 1), "
                               "date(printf('%04d-%02d-01', 2023 + m.k / 12, m.k % 12 + 1), '+1 month', '-1 day') || "
                               "' 00:00:00', CAST(2023 + m.k / 12 AS TEXT), CAST(m.k % 12 + 1 AS TEXT), "
                               "CASE WHEN abs(random()) % 10 < 3 THEN '未缴费' ELSE '现金' END, "
                               "printf('%04d-%02d-15 00:00:00', 2023 + m.k / 12, m.k % 12 + 1) "
                               "FROM m, 房屋资料 h, 收费项目 i ORDER BY m.k, h.房屋代码, i.id"),
                           {}, e);
        },
        error);
}

// Wall-clock and processor time (every thread of the process) of one piece of work, in ms. On a
// machine shared with other work the processor time is the steadier measure.
struct Cost
{
    qint64 wall = -1;
    qint64 cpu = -1;
};

class Stopwatch
{
public:
    Stopwatch()
    {
        m_wall.start();
        m_cpu = cpuNow();
    }
    Cost cost() const { return {m_wall.elapsed(), (cpuNow() - m_cpu) / 1000000}; }

private:
    static qint64 cpuNow()
    {
        timespec ts {};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
        return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
    }
    QElapsedTimer m_wall;
    qint64 m_cpu;
};

// The program's path: computed on the worker, written into 通用, the scratch query opened.
Cost viaProgram(Dm1 &dm, const ReportRun::Computation &work, int *rows)
{
    ReportRun run;
    QEventLoop loop;
    bool ok = false;
    QString why;
    QObject::connect(&run, &ReportRun::finished, &loop, [&](bool done, const QString &error) {
        ok = done;
        why = error;
        loop.quit();
    });
    const Stopwatch watch;
    if (!run.start(work, dm.q_tongyong, &why)) {
        std::printf("cannot start: %s\n", qPrintable(why));
        return {};
    }
    loop.exec();
    const Cost cost = watch.cost();
    if (!ok) {
        std::printf("the report failed: %s\n", qPrintable(why));
        return {};
    }
    *rows = dm.q_tongyong->recordCount();
    return cost;
}

// The computation alone, its rows counted and dropped: what the statements cost.
Cost computationAlone(Dm1 &dm, const ReportRun::Computation &work)
{
    struct Count : ScratchSink
    {
        int rows = 0;
        bool append(ScratchRow) override { return ++rows > 0; }
    } out;
    const Stopwatch watch;
    QString error;
    if (!work(dm.database(), out, &error)) {
        std::printf("the computation failed: %s\n", qPrintable(error));
        return {};
    }
    return watch.cost();
}

// The bare query on the same connection, every row stepped and every column read.
Cost bare(Dm1 &dm, const QString &sql, int *rows)
{
    const QVariant h = dm.database().driver()->handle();
    sqlite3 *db = *static_cast<sqlite3 *const *>(h.constData());
    const Stopwatch watch;
    sqlite3_stmt *s = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &s, nullptr) != SQLITE_OK) {
        std::printf("bare query refused: %s\n", sqlite3_errmsg(db));
        return {};
    }
    int n = 0;
    while (sqlite3_step(s) == SQLITE_ROW) {
        for (int c = 0; c < sqlite3_column_count(s); ++c) {
            if (sqlite3_column_type(s, c) == SQLITE_TEXT) {
                sqlite3_column_text(s, c);
            } else {
                sqlite3_column_int64(s, c);
            }
        }
        ++n;
    }
    sqlite3_finalize(s);
    *rows = n;
    return watch.cost();
}

Cost median(QList<Cost> v)
{
    std::sort(v.begin(), v.end(), [](const Cost &a, const Cost &b) { return a.wall < b.wall; });
    const qint64 wall = v[v.size() / 2].wall;
    std::sort(v.begin(), v.end(), [](const Cost &a, const Cost &b) { return a.cpu < b.cpu; });
    return {wall, v[v.size() / 2].cpu};
}

double ratio(qint64 a, qint64 b)
{
    return b > 0 ? double(a) / double(b) : 0.0;
}

// A second argument names the one report to measure ("arrears", "month", "item", "listing").
QString g_only;

void measure(Dm1 &dm, const char *name, const ReportRun::Computation &work, const QString &baseline)
{
    if (!g_only.isEmpty() && !QString::fromUtf8(name).contains(g_only)) {
        return;
    }
    QList<Cost> ours, alone, base;
    int rows = 0, baseRows = 0;
    for (int i = 0; i < Runs; ++i) {
        ours << viaProgram(dm, work, &rows);
        alone << computationAlone(dm, work);
        base << bare(dm, baseline, &baseRows);
    }
    const Cost a = median(ours), s = median(alone), b = median(base);
    std::printf("%s: %d rows (the bare query %d)\n", name, rows, baseRows);
    std::printf("  program %5lld ms (cpu %5lld)   statements alone %5lld ms (cpu %5lld)   bare grouped query %5lld ms "
                "(cpu %5lld)   ratio %.2f (cpu %.2f)\n",
                static_cast<long long>(a.wall), static_cast<long long>(a.cpu), static_cast<long long>(s.wall),
                static_cast<long long>(s.cpu), static_cast<long long>(b.wall), static_cast<long long>(b.cpu),
                ratio(a.wall, b.wall), ratio(a.cpu, b.cpu));
}

// From "取消" to the report's end, for a statement that would run for hours: the program's run
// (ReportRun::cancel(), the worker's statement interrupted, the empty scratch table opened
// again) beside sqlite3_interrupt() of the same statement on a bare read-only connection.
void measureCancel(Dm1 &dm)
{
    if (!g_only.isEmpty() && !QStringLiteral("cancel").contains(g_only)) {
        return;
    }
    const QString endless = QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                                           "WHERE i < 10000000000) SELECT count(*) FROM n");
    QList<Cost> ours, base;
    for (int i = 0; i < Runs; ++i) {
        ReportRun run;
        QEventLoop loop;
        QObject::connect(&run, &ReportRun::finished, &loop, &QEventLoop::quit);
        const bool started = run.start(
            [endless](const QSqlDatabase &db, ScratchSink &, QString *error) {
                QSqlQuery q(db);
                const bool ok = q.exec(endless);
                *error = q.lastError().text();
                return ok;
            },
            dm.q_tongyong);
        if (!started) {
            std::printf("cannot start the endless report\n");
            return;
        }
        QThread::msleep(200);
        const Stopwatch watch;
        run.cancel();
        loop.exec();
        ours << watch.cost();

        sqlite3 *db = nullptr;
        if (sqlite3_open_v2(dm.databasePath().toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
            std::printf("cannot open the database bare\n");
            sqlite3_close(db);
            return;
        }
        std::thread statement(
            [db, sql = endless.toUtf8()] { sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr); });
        QThread::msleep(200);
        const Stopwatch bareWatch;
        sqlite3_interrupt(db);
        statement.join();
        base << bareWatch.cost();
        sqlite3_close(db);
    }
    const Cost a = median(ours), b = median(base);
    std::printf("cancel of an endless statement\n  program %5lld ms (cpu %5lld)   bare sqlite3_interrupt %5lld ms (cpu "
                "%5lld)   difference %lld ms\n",
                static_cast<long long>(a.wall), static_cast<long long>(a.cpu), static_cast<long long>(b.wall),
                static_cast<long long>(b.cpu), static_cast<long long>(a.wall - b.wall));
}
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // A folder given on the command line keeps the estate for the next run.
    QTemporaryDir temporary;
    g_only = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    const QString home = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    const bool made = QFileInfo::exists(home + QStringLiteral("/data/data.db"));
    Dm1 dm(home);
    QString error;
    QElapsedTimer t;
    t.start();
    if (!dm.openConnection() || (!made && !fill(dm, &error))) {
        std::printf("cannot set up the estate: %s %s\n", qPrintable(dm.lastError()), qPrintable(error));
        return 1;
    }
    std::printf("estate: %d houses, 10 fee items, 24 months, %lld bill lines (made in %lld ms); median of %d runs\n",
                Houses, dm.scalar(QStringLiteral("select count(*) from 收费明细表")).toLongLong(),
                static_cast<long long>(t.elapsed()), Runs);

    const BillReportFilter all {{2023, 1}, {2024, 12}, {}, {}, {}, {}};
    const BillReportFilter june {{2024, 6}, {2024, 6}, {}, {}, {}, {}};
    const QString paid = QStringLiteral("(缴费状态 <> '未缴费' AND 缴费状态 <> '')");
    const QString unpaid = QStringLiteral("(缴费状态 IS NULL OR 缴费状态 = '未缴费' OR 缴费状态 = '')");
    measure(
        dm, "arrears summary, 24 months",
        [all](const QSqlDatabase &db, ScratchSink &out, QString *e) { return BillReports::arrears(db, all, out, e); },
        QStringLiteral("SELECT 房屋代码, 年度, 月份, sum(收费金额) FROM 收费明细表 WHERE %1 "
                       "GROUP BY 房屋代码, 年度, 月份 HAVING sum(收费金额) > 0")
            .arg(unpaid));
    measure(
        dm, "totals by month, 24 months",
        [all](const QSqlDatabase &db, ScratchSink &out, QString *e) {
            return BillReports::monthTotals(db, all, out, e);
        },
        QStringLiteral("SELECT 年度, 月份, sum(收费金额), count(DISTINCT 房屋代码), "
                       "sum(CASE WHEN %1 THEN 收费金额 END), count(DISTINCT CASE WHEN %1 THEN 房屋代码 END), "
                       "sum(CASE WHEN %2 THEN 收费金额 END), count(DISTINCT CASE WHEN %2 THEN 房屋代码 END) "
                       "FROM 收费明细表 GROUP BY 年度, 月份")
            .arg(paid, unpaid));
    measure(
        dm, "totals by fee item, 24 months",
        [all](const QSqlDatabase &db, ScratchSink &out, QString *e) {
            return BillReports::itemTotals(db, all, out, e);
        },
        QStringLiteral("SELECT 年度, 月份, 收费名称, sum(收费金额), sum(CASE WHEN %1 THEN 收费金额 END), "
                       "sum(CASE WHEN %2 THEN 收费金额 END) FROM 收费明细表 GROUP BY 年度, 月份, 收费名称")
            .arg(paid, unpaid));
    measure(
        dm, "full listing, one month",
        [june](const QSqlDatabase &db, ScratchSink &out, QString *e) {
            return BillReports::listing(db, BillReports::Listing::All, june, out, e);
        },
        QStringLiteral("SELECT * FROM 收费明细表 WHERE 开始日期 BETWEEN '2024-06-01 00:00:00' AND "
                       "'2024-06-01 23:59:59' ORDER BY 房屋代码 COLLATE pinyin, 开始日期, 收费名称 COLLATE pinyin, id"));
    measureCancel(dm);
    return 0;
}
