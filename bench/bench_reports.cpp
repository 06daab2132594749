// The statistics on a large estate: 5,000 houses, 10 fee items, 24 months (1.2 million bill
// lines). Each report is timed through the program's own path (the computation on its worker
// thread, with a second connection where it reads two parts side by side, the rows written into
// 通用 and shown in the grid's data set), beside two baselines
// from the same run with the same indexes: a bare SQLite C loop that runs the fastest plain
// query we can write for the report's numbers and steps through its rows, and the same query
// writing its rows into 通用 (INSERT … SELECT, what the report's rows cost in plain SQL); the
// ratio to each is printed (the goal: at most 1.3 to the plain query). Last, how soon "取消"
// stops a statement that would run for hours, beside sqlite3_interrupt() on a bare connection.
#include "benchsupport.h"
#include "data/dm1.h"
#include "data/schema.h"
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
#include <functional>
#include <map>
#include <sqlite3.h>
#include <string>
#include <thread>
#include <time.h>
#include <unordered_map>
#include <vector>

namespace {

constexpr int Houses = 5000;
constexpr int Runs = 3;

bool g_office = false;

bool fill(Dm1 &dm, QString *error)
{
    // Generated in the database itself (only the setting up uses SQLite's own functions), month
    // after month as the office bills them; 30% of the lines unpaid, or with --office as an
    // office's books stand: the last month unpaid and 1% of the earlier lines still owed.
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
                               "' 00:00:00', CAST(2023 + m.k / 12 AS TEXT), CAST(m.k % 12 + 1 AS TEXT), ")
                               + QString::fromLatin1(g_office ? "CASE WHEN m.k = 23 OR abs(random()) % 100 < 1 "
                                                              : "CASE WHEN abs(random()) % 10 < 3 ")
                               + QStringLiteral("THEN '未缴费' ELSE '现金' END, "
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
Cost viaProgram(Dm1 &dm, const ReportRun::Computation &work, ReportRun::KeepRows keep, int *rows)
{
    QString why;
    const Stopwatch watch;
    if (!Bench::runReport(dm, work, keep, &why)) {
        std::printf("the report failed: %s\n", qPrintable(why));
        return {};
    }
    const Cost cost = watch.cost();
    *rows = dm.q_tongyong->recordCount();
    return cost;
}

// The computation alone, its rows made as the run makes them (a batch lent to the listing), then
// counted and dropped: what the statements cost. It runs on the program's own connection, where
// a report's reads run one after the other (on a run's worker they run side by side).
Cost computationAlone(Dm1 &dm, const ReportRun::Computation &work)
{
    struct Count : ScratchSink
    {
        int rows = 0;
        ScratchBatch made;
        bool append(ScratchRow) override { return ++rows > 0; }
        ScratchBatch *batch() override { return &made; }
        bool rowMade() override
        {
            made.endRow();
            made.clearRows();
            return ++rows > 0;
        }
    } out;
    const Stopwatch watch;
    QString error;
    if (!work(dm.database(), out, &error)) {
        std::printf("the computation failed: %s\n", qPrintable(error));
        return {};
    }
    return watch.cost();
}

sqlite3 *handleOf(Dm1 &dm)
{
    const QVariant h = dm.database().driver()->handle();
    return *static_cast<sqlite3 *const *>(h.constData());
}

// The bare query on the same connection, every row stepped and every column read.
Cost bare(Dm1 &dm, const QString &sql, int *rows)
{
    sqlite3 *db = handleOf(dm);
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

// The plain query's rows written into an empty 通用 in one transaction.
Cost bareInto(Dm1 &dm, const QString &insert)
{
    sqlite3 *db = handleOf(dm);
    sqlite3_exec(db, "DELETE FROM 通用", nullptr, nullptr, nullptr);
    const Stopwatch watch;
    char *why = nullptr;
    if (sqlite3_exec(db, ("BEGIN;" + insert + ";COMMIT").toUtf8().constData(), nullptr, nullptr, &why) != SQLITE_OK) {
        std::printf("plain insert refused: %s\n", why);
        sqlite3_free(why);
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        return {};
    }
    const Cost cost = watch.cost();
    sqlite3_exec(db, "DELETE FROM 通用", nullptr, nullptr, nullptr);
    return cost;
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

// Steps through every row of a statement on the program's connection, each row handed to `row`.
template<typename Row> bool stepAll(Dm1 &dm, const QString &sql, const Row &row)
{
    sqlite3 *db = handleOf(dm);
    sqlite3_stmt *s = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &s, nullptr) != SQLITE_OK) {
        std::printf("bare query refused: %s\n", sqlite3_errmsg(db));
        return false;
    }
    while (sqlite3_step(s) == SQLITE_ROW) {
        row(s);
    }
    sqlite3_finalize(s);
    return true;
}

std::string textOf(sqlite3_stmt *s, int column)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(s, column));
    return text ? std::string(text, size_t(sqlite3_column_bytes(s, column))) : std::string("\x01null");
}

using Baseline = std::function<Cost(Dm1 &, int *)>;

// `best` is the fastest plain query for the report's numbers, or a bare C loop over plain
// queries when one statement cannot give them as fast; `into` writes the same rows into 通用
// ("INSERT INTO 通用 (…) " followed by a select).
void measure(Dm1 &dm, const char *name, const ReportRun::Computation &work, const Baseline &best, const QString &into,
             ReportRun::KeepRows keep = ReportRun::KeepRows::OnWorker);
void measure(Dm1 &dm, const char *name, const ReportRun::Computation &work, const QString &best, const QString &into,
             ReportRun::KeepRows keep = ReportRun::KeepRows::OnWorker)
{
    measure(
        dm, name, work, [best](Dm1 &d, int *rows) { return bare(d, best, rows); }, into, keep);
}

void measure(Dm1 &dm, const char *name, const ReportRun::Computation &work, const Baseline &best, const QString &into,
             ReportRun::KeepRows keep)
{
    if (!g_only.isEmpty() && !QString::fromUtf8(name).contains(g_only)) {
        return;
    }
    QList<Cost> ours, alone, base, written;
    int rows = 0, baseRows = 0;
    for (int i = 0; i < Runs; ++i) {
        ours << viaProgram(dm, work, keep, &rows);
        alone << computationAlone(dm, work);
        base << best(dm, &baseRows);
        written << bareInto(dm, into);
    }
    const Cost a = median(ours), s = median(alone), b = median(base), w = median(written);
    std::printf("%s: %d rows (the plain query %d)\n", name, rows, baseRows);
    std::printf("  program %5lld ms (cpu %5lld)   statements alone %5lld ms (cpu %5lld)\n"
                "  best plain query %5lld ms (cpu %5lld)   ratio %.2f (cpu %.2f)\n"
                "  plain query into 通用 %5lld ms (cpu %5lld)   ratio %.2f (cpu %.2f)\n",
                static_cast<long long>(a.wall), static_cast<long long>(a.cpu), static_cast<long long>(s.wall),
                static_cast<long long>(s.cpu), static_cast<long long>(b.wall), static_cast<long long>(b.cpu),
                ratio(a.wall, b.wall), ratio(a.cpu, b.cpu), static_cast<long long>(w.wall),
                static_cast<long long>(w.cpu), ratio(a.wall, w.wall), ratio(a.cpu, w.cpu));
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
    QStringList args = app.arguments().mid(1);
    g_office = args.removeAll(QStringLiteral("--office")) > 0;
    g_only = args.value(1);
    const QString home = args.isEmpty() ? temporary.path() : args[0];
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
    const BillReportFilter juneFilter {{2024, 6}, {2024, 6}, {}, {}, {}, {}};
    // The plain queries: the state read once per group of lines, not per line, and each
    // grouping in the order of an index.
    const QString unpaid = Schema::unpaidLines();
    const QString paid = Schema::billState() + QStringLiteral(" <> '未缴费'");
    // The arrears' rows: each house's unpaid sum of every month, with the house's building and
    // owner, in house order and then month order. The house's running total is what a bare loop
    // adds up as it steps (nothing against the query); written into 通用 it is a window sum.
    const QString arrearsOf = QStringLiteral(
        "SELECT h.楼宇名称 AS b, s.房屋代码 AS code, h.业主名称 AS o, s.年度 AS y, s.月份 AS m, s.s AS s%2 "
        "FROM (SELECT 房屋代码, 年度, 月份, sum(收费金额) AS s FROM 收费明细表 WHERE %1 "
        "GROUP BY 年度, 月份, 房屋代码 HAVING sum(收费金额) > 0) s JOIN 房屋资料 h ON h.房屋代码 = s.房屋代码 "
        "ORDER BY s.房屋代码 COLLATE pinyin, s.年度, CAST(s.月份 AS INTEGER)");
    measure(
        dm, "arrears summary, 24 months",
        [all](const QSqlDatabase &db, ScratchSink &out, QString *e) { return BillReports::arrears(db, all, out, e); },
        arrearsOf.arg(unpaid, QString()),
        QStringLiteral("INSERT INTO 通用 (texte, textc, textd, texta, textb, moneya, moneyb) "
                       "SELECT b, code, o, y, m, s, t FROM (%1)")
            .arg(arrearsOf.arg(unpaid,
                               QStringLiteral(", sum(s.s) OVER (PARTITION BY s.房屋代码 ORDER BY s.年度, "
                                              "CAST(s.月份 AS INTEGER)) AS t"))));
    // The months' rows: each house's sum and lines of a month, of the unpaid lines and of all
    // of them, in their indexes' order; a bare loop adds up the months (a house is paid when it
    // has more lines than unpaid ones). One statement that joins the houses' two parts costs more.
    const QString houseSums = QStringLiteral("SELECT 年度, 月份, 房屋代码, sum(收费金额), count(*) FROM 收费明细表 "
                                             "WHERE %1(年度 BETWEEN '2023' AND '2024') GROUP BY 年度, 月份, 房屋代码");
    const Baseline monthLoop = [houseSums, unpaid](Dm1 &d, int *rows) {
        const Stopwatch watch;
        struct Month
        {
            qint64 billed = 0, unpaid = 0, houses = 0, housesUnpaid = 0, housesAllUnpaid = 0;
        };
        std::map<std::string, Month> months;
        std::unordered_map<std::string, qint64> unpaidLines;
        const bool ok = stepAll(d, houseSums.arg(unpaid + QStringLiteral(" AND ")),
                                [&](sqlite3_stmt *s) {
                                    const std::string month = textOf(s, 0) + '|' + textOf(s, 1);
                                    Month &m = months[month];
                                    m.unpaid += sqlite3_column_int64(s, 3);
                                    ++m.housesUnpaid;
                                    unpaidLines[month + '|' + textOf(s, 2)] = sqlite3_column_int64(s, 4);
                                })
            && stepAll(d, houseSums.arg(QString()), [&](sqlite3_stmt *s) {
                            const std::string month = textOf(s, 0) + '|' + textOf(s, 1);
                            Month &m = months[month];
                            m.billed += sqlite3_column_int64(s, 3);
                            ++m.houses;
                            const auto it = unpaidLines.find(month + '|' + textOf(s, 2));
                            if (it != unpaidLines.end() && it->second >= sqlite3_column_int64(s, 4)) {
                                ++m.housesAllUnpaid;
                            }
                        });
        *rows = ok ? int(months.size()) : 0;
        return ok ? watch.cost() : Cost {};
    };
    const QString houses = QStringLiteral("SELECT 年度 AS y, 月份 AS m, 房屋代码 AS code, sum(收费金额) AS amount, "
                                          "count(*) AS n, %1 AS unpaid FROM 收费明细表 WHERE %2"
                                          "(年度 BETWEEN '2023' AND '2024') GROUP BY 年度, 月份, 房屋代码");
    const QString months =
        QStringLiteral(
            "SELECT a.y, a.m, sum(a.amount) AS a, count(*) AS n, sum(a.amount) - coalesce(sum(u.amount), 0) AS pa, "
            "sum(CASE WHEN a.n > coalesce(u.n, 0) THEN 1 ELSE 0 END) AS pn, sum(u.amount) AS ua, count(u.n) AS un "
            "FROM (%1) a LEFT JOIN (%2) u ON u.y = a.y AND u.m = a.m AND u.code = a.code GROUP BY a.y, a.m")
            .arg(houses.arg(QStringLiteral("0"), QString()),
                 houses.arg(QStringLiteral("1"), unpaid + QStringLiteral(" AND ")));
    measure(
        dm, "totals by month, 24 months",
        [all](const QSqlDatabase &db, ScratchSink &out, QString *e) {
            return BillReports::monthTotals(db, all, out, e);
        },
        monthLoop,
        QStringLiteral("INSERT INTO 通用 (texta, textb, moneya, numbera, moneyb, numberb, moneyc, numberc) "
                       "SELECT y, m, a, n, pa, pn, ua, un FROM (%1)")
            .arg(months));
    // The items' rows: each fee name's sum of a month from the items' index, in its order, and
    // the unpaid lines' amounts from their own index, which a bare loop adds up by month and
    // name (grouped in the statement they would be sorted first).
    const QString itemSums = QStringLiteral("SELECT 收费名称, 年度, 月份, sum(收费金额) FROM 收费明细表 "
                                            "GROUP BY 收费名称, 年度, 月份");
    const QString unpaidItems = QStringLiteral("SELECT 年度, 月份, 收费名称, 收费金额 FROM 收费明细表 WHERE %1 AND "
                                               "(年度 BETWEEN '2023' AND '2024')")
                                    .arg(unpaid);
    const Baseline itemLoop = [itemSums, unpaidItems](Dm1 &d, int *rows) {
        const Stopwatch watch;
        std::unordered_map<std::string, qint64> unpaidOf;
        std::vector<std::pair<std::string, qint64>> billed;
        const bool ok = stepAll(d, unpaidItems,
                                [&](sqlite3_stmt *s) {
                                    unpaidOf[textOf(s, 0) + '|' + textOf(s, 1) + '|' + textOf(s, 2)] +=
                                        sqlite3_column_int64(s, 3);
                                })
            && stepAll(d, itemSums, [&](sqlite3_stmt *s) {
                            billed.emplace_back(textOf(s, 1) + '|' + textOf(s, 2) + '|' + textOf(s, 0),
                                                sqlite3_column_int64(s, 3));
                        });
        qint64 paid = 0;
        for (const auto &[key, sum] : billed) {
            const auto it = unpaidOf.find(key);
            paid += sum - (it == unpaidOf.end() ? 0 : it->second);
        }
        *rows = ok && paid != 0 ? int(billed.size()) : 0;
        return ok ? watch.cost() : Cost {};
    };
    const QString items =
        QStringLiteral(
            "SELECT a.年度 AS y, a.月份 AS m, a.收费名称 AS name, a.s AS a, a.s - coalesce(u.s, 0) AS pa, "
            "u.s AS ua FROM (SELECT 收费名称, 年度, 月份, sum(收费金额) AS s FROM 收费明细表 GROUP BY 收费名称, "
            "年度, 月份) a LEFT JOIN (SELECT 收费名称, 年度, 月份, sum(收费金额) AS s FROM 收费明细表 WHERE %1 "
            "AND (年度 BETWEEN '2023' AND '2024') GROUP BY 年度, 月份, 收费名称) u ON u.收费名称 = a.收费名称 "
            "AND u.年度 = a.年度 AND u.月份 = a.月份")
            .arg(unpaid);
    measure(
        dm, "totals by fee item, 24 months",
        [all](const QSqlDatabase &db, ScratchSink &out, QString *e) {
            return BillReports::itemTotals(db, all, out, e);
        },
        itemLoop,
        QStringLiteral("INSERT INTO 通用 (texta, textb, textc, moneya, moneyb, moneyc) SELECT y, m, name, a, pa, ua "
                       "FROM (%1)")
            .arg(items));
    const QString june =
        QStringLiteral("FROM 收费明细表 WHERE 开始日期 BETWEEN '2024-06-01 00:00:00' AND '2024-06-01 23:59:59' "
                       "ORDER BY 房屋代码 COLLATE pinyin, 开始日期, 收费名称 COLLATE pinyin, id");
    measure(
        dm, "full listing, one month",
        [juneFilter](const QSqlDatabase &db, ScratchSink &out, QString *e) {
            return BillReports::listing(db, BillReports::Listing::All, juneFilter, out, e);
        },
        QStringLiteral("SELECT 楼宇名称, 楼宇单元, 房屋代码, 业主名称, 年度, 月份, 收费名称, 收费金额, %1 ").arg(paid)
            + june,
        QStringLiteral("INSERT INTO 通用 (texth, texti, texta, textb, textf, textg, textc, moneya, textd, moneyb, "
                       "texte, moneyc) SELECT 楼宇名称, 楼宇单元, 房屋代码, 业主名称, 年度, 月份, 收费名称, 收费金额, "
                       "CASE WHEN %1 THEN 收费名称 END, CASE WHEN %1 THEN 收费金额 END, "
                       "CASE WHEN %1 THEN NULL ELSE 收费名称 END, CASE WHEN %1 THEN NULL ELSE 收费金额 END ")
                .arg(paid)
            + june,
        ReportRun::KeepRows::OnWindow); // as the listing windows run it
    measureCancel(dm);
    return 0;
}
