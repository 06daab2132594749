// The collection rate on 5,000 houses in 50 buildings, 10 fee items, 24 months (1.2 million bill
// lines): the computation through the program's own code (CollectionRates::compute, every sum
// read into Money and every rate worked out) beside the best plain grouped query for the same
// sums, stepped through by a bare SQLite C loop on the same connection (the goal: at most 1.3);
// then the chart: from the rows to the chart drawn on the screen (the goal: at most 0.5 s), for
// the estate and for the 50 buildings' lines.
#include "benchsupport.h"
#include "data/dm1.h"
#include "reports/collectionchart.h"
#include "reports/core/collectionrates.h"

#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <sqlite3.h>

namespace {

constexpr int Runs = 5;

// Every row of a statement stepped by a bare loop, every column read.
void stepAll(sqlite3 *db, const QByteArray &sql)
{
    sqlite3_stmt *s = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &s, nullptr) != SQLITE_OK) {
        std::printf("bare query refused: %s\n", sqlite3_errmsg(db));
        return;
    }
    while (sqlite3_step(s) == SQLITE_ROW) {
        for (int c = 0; c < sqlite3_column_count(s); ++c) {
            sqlite3_column_type(s, c) == SQLITE_TEXT ? void(sqlite3_column_text(s, c))
                                                     : void(sqlite3_column_int64(s, c));
        }
    }
    sqlite3_finalize(s);
}

// The estate's sums by a bare loop from the index of all the lines (each month's sums) and the
// unpaid lines' own (each month's unpaid sum and houses); the paid sum is the rest.
void bareFromIndexes(sqlite3 *db)
{
    stepAll(db,
            QStringLiteral("SELECT y, m, sum(billed), sum(unpaid), sum(houses), sum(negative) FROM ("
                           "SELECT 年度 AS y, 月份 AS m, sum(收费金额) AS billed, 0 AS unpaid, 0 AS houses, "
                           "sum(CASE WHEN 收费金额 < 0 THEN 1 ELSE 0 END) AS negative FROM 收费明细表 "
                           "WHERE 年度 BETWEEN '2004' AND '2005' GROUP BY 年度, 月份 UNION ALL "
                           "SELECT 年度, 月份, 0, sum(收费金额), count(DISTINCT 房屋代码), 0 FROM 收费明细表 "
                           "WHERE COALESCE(NULLIF(缴费状态, ''), '未缴费') = '未缴费' AND 年度 BETWEEN '2004' AND '2005' "
                           "GROUP BY 年度, 月份) GROUP BY y, m")
                .toUtf8());
}

// The same sums by a bare loop: one grouped statement, every column of every row read; over the
// whole table, or over the months of the period found through the lines' index.
void bareGrouped(sqlite3 *db, bool byBuilding, bool throughPeriod)
{
    const QString months =
        QStringLiteral("WITH RECURSIVE steps(k) AS (SELECT 24048 UNION ALL SELECT k + 1 FROM steps WHERE k < 24071), "
                       "period(y, m) AS (SELECT CAST(k / 12 AS TEXT), CAST(k % 12 + 1 AS TEXT) FROM steps) ");
    const QString grouped =
        QStringLiteral("SELECT 年度, 月份%1, sum(收费金额), "
                       "sum(CASE WHEN 缴费状态 <> '未缴费' AND 缴费状态 <> '' THEN 收费金额 END), "
                       "count(DISTINCT CASE WHEN 缴费状态 IS NULL OR 缴费状态 = '未缴费' OR "
                       "缴费状态 = '' THEN 房屋代码 END), "
                       "sum(CASE WHEN 收费金额 < 0 THEN 1 ELSE 0 END) "
                       "FROM 收费明细表%2 GROUP BY 年度, 月份%1")
            .arg(byBuilding ? QStringLiteral(", 楼宇名称") : QString(),
                 throughPeriod ? QStringLiteral(" JOIN period ON 年度 = y AND 月份 = m") : QString());
    stepAll(db, ((throughPeriod ? months : QString()) + grouped).toUtf8());
}

}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // A folder given on the command line keeps the estate for the next run.
    QTemporaryDir temporary;
    const QString home = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temporary.path();
    const bool made = QFileInfo::exists(home + QStringLiteral("/data/data.db"));
    Dm1 dm(home);
    QString error;
    if (!dm.openConnection() || (!made && !Bench::fillEstate(dm, 5000, 10, 24, &error))) {
        std::printf("cannot set up the estate: %s %s\n", qPrintable(dm.lastError()), qPrintable(error));
        return 1;
    }
    std::printf("estate: 5000 houses, 50 buildings, 10 fee items, 24 months, %lld bill lines; best of %d runs\n",
                dm.scalar(QStringLiteral("select count(*) from 收费明细表")).toLongLong(), Runs);

    for (const bool byBuilding : {false, true}) {
        const CollectionFilter filter {{2004, 1}, {2005, 12}, {}, {}, byBuilding};
        QList<CollectionRow> rows;
        const Bench::Time ours = Bench::best(Runs, [&] {
            rows.clear();
            if (!CollectionRates::compute(dm.database(), filter, &rows, &error)) {
                std::printf("the computation failed: %s\n", qPrintable(error));
            }
        });
        // The best of the plain forms is the baseline: the whole table, the period's months, and
        // for the estate the month's and the unpaid lines' indexes alone.
        const Bench::Time whole = Bench::best(Runs, [&] { bareGrouped(Bench::handleOf(dm), byBuilding, false); });
        const Bench::Time period = Bench::best(Runs, [&] { bareGrouped(Bench::handleOf(dm), byBuilding, true); });
        Bench::Time bare = whole.wall < period.wall ? whole : period;
        if (!byBuilding) {
            const Bench::Time indexes = Bench::best(Runs, [&] { bareFromIndexes(Bench::handleOf(dm)); });
            std::printf("plain forms: whole table %.0f ms, period's months %.0f ms, month and unpaid indexes %.0f ms\n",
                        1e3 * whole.wall, 1e3 * period.wall, 1e3 * indexes.wall);
            bare = indexes.wall < bare.wall ? indexes : bare;
        }
        Bench::report(QStringLiteral("collection rate%1, %2 rows")
                          .arg(byBuilding ? QStringLiteral(" by building") : QString())
                          .arg(rows.size()),
                      ours, bare, QStringLiteral("bare grouped query"));

        // From the rows to the chart on the screen: series built, laid out, painted.
        CollectionChart chart;
        chart.resize(1200, 420);
        chart.show();
        QApplication::processEvents();
        const Bench::Time shown = Bench::best(Runs, [&] {
            chart.showRows(rows, byBuilding);
            (void)chart.grab();
        });
        // The same widget painted with nothing changed: what any repaint of it costs.
        const Bench::Time repaint = Bench::best(Runs, [&] { (void)chart.grab(); });
        Bench::report(QStringLiteral("chart shown after the rows%1 (goal 500 ms)")
                          .arg(byBuilding ? QStringLiteral(", 50 building lines") : QString()),
                      shown, repaint, QStringLiteral("a repaint alone"));
    }
    return 0;
}
