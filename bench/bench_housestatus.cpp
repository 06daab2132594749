// The house status table over 20,000 houses: "统计" as the program builds it (one transaction:
// empty 通用, one insert-select, the two counts), beside a bare SQLite loop running the same
// statements and a bare loop appending one row per house, and the ratios.
//
//   bench_housestatus [runs]        (default 5; the best run of each is printed)
#include "benchsupport.h"
#include "masterdata/core/housestatus.h"
#include "data/dm1.h"
#include "data/sqlitehandle.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <sqlite3.h>

namespace {

// Houses in three states (occupied, booked, vacant) and a few with no state at all.
bool fill(Dm1 &dm, int rows)
{
    const QStringList states {QStringLiteral("入住"), QStringLiteral("入住"), QStringLiteral("入住"),
                              QStringLiteral("预定"), QStringLiteral("空置"), QString()};
    return dm.inTransaction([&](QString *) {
        QSqlQuery q(dm.database());
        q.prepare(QStringLiteral("insert into 房屋资料 (房屋代码, 业主名称, 联系电话, 使用状况) values (?,?,?,?)"));
        for (int i = 0; i < rows; ++i) {
            q.addBindValue(
                QStringLiteral("%1-%2").arg(i / 1000, 3, 10, QLatin1Char('0')).arg(i % 1000, 4, 10, QLatin1Char('0')));
            q.addBindValue(QStringLiteral("业主%1").arg(i));
            q.addBindValue(QStringLiteral("1380000%1").arg(i, 4, 10, QLatin1Char('0')));
            q.addBindValue(states.at(i % states.size()));
            if (!q.exec()) {
                return false;
            }
        }
        return true;
    });
}

void run(sqlite3 *db, const char *sql)
{
    char *message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        std::printf("bare loop refused: %s\n", message);
        sqlite3_free(message);
    }
}

// The same statements as the program, straight on the connection's handle.
void bareSetBased(sqlite3 *db)
{
    run(db, "begin");
    run(db, "delete from 通用");
    run(db,
        "insert into 通用 (texta, textb, textc, textd, texte) select 房屋代码, "
        "case when 使用状况 = '入住' then '△' end, case when 使用状况 = '入住' then null else '△' end, "
        "case when 使用状况 = '入住' then 业主名称 end, case when 使用状况 = '入住' then 联系电话 end "
        "from 房屋资料 order by 房屋代码");
    run(db, "select count(textb), count(textc) from 通用");
    run(db, "commit");
}

// One row appended per house, as a loop over the houses would do it (one transaction).
void barePerHouse(sqlite3 *db)
{
    run(db, "begin");
    run(db, "delete from 通用");
    sqlite3_stmt *houses = nullptr;
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(db, "select 房屋代码, 使用状况, 业主名称, 联系电话 from 房屋资料 order by 房屋代码", -1, &houses,
                       nullptr);
    sqlite3_prepare_v2(db, "insert into 通用 (texta, textb, textc, textd, texte) values (?,?,?,?,?)", -1, &insert,
                       nullptr);
    const QByteArray occupied = QStringLiteral("入住").toUtf8();
    const QByteArray mark = QStringLiteral("△").toUtf8();
    while (sqlite3_step(houses) == SQLITE_ROW) {
        const auto *state = reinterpret_cast<const char *>(sqlite3_column_text(houses, 1));
        const bool in = state && occupied == state;
        sqlite3_bind_value(insert, 1, sqlite3_column_value(houses, 0));
        if (in) {
            sqlite3_bind_text(insert, 2, mark.constData(), -1, SQLITE_STATIC);
            sqlite3_bind_null(insert, 3);
            sqlite3_bind_value(insert, 4, sqlite3_column_value(houses, 2));
            sqlite3_bind_value(insert, 5, sqlite3_column_value(houses, 3));
        } else {
            sqlite3_bind_null(insert, 2);
            sqlite3_bind_text(insert, 3, mark.constData(), -1, SQLITE_STATIC);
            sqlite3_bind_null(insert, 4);
            sqlite3_bind_null(insert, 5);
        }
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(houses);
    sqlite3_finalize(insert);
    run(db, "commit");
}

}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    const int rows = 20000;
    QTemporaryDir home;
    Dm1 dm(home.path());
    if (!dm.openConnection() || !fill(dm, rows)) {
        std::printf("cannot fill the database\n");
        return 1;
    }
    sqlite3 *handle = sqliteHandle(dm.database());
    HouseStatus::Counts counts;
    QString error;
    const Bench::Time program = Bench::best(runs, [&] {
        if (!HouseStatus::fill(&dm, &counts, &error)) {
            std::printf("统计 failed: %s\n", qPrintable(error));
        }
    });
    const Bench::Time setBased = Bench::best(runs, [&] { bareSetBased(handle); });
    const Bench::Time perHouse = Bench::best(runs, [&] { barePerHouse(handle); });

    const auto row = [](const char *what, const Bench::Time &t) {
        std::printf("%-52s %8.1f ms wall %8.1f ms cpu\n", what, t.wall * 1e3, t.cpu * 1e3);
    };
    std::printf("%d houses (%lld occupied, %lld other), best of %d runs\n", rows, counts.occupied, counts.vacant, runs);
    row("统计 (program: one transaction, one insert-select)", program);
    row("  bare SQLite, the same statements (baseline)", setBased);
    row("  bare SQLite, one insert per house", perHouse);
    std::printf("ratios (cpu): program / baseline %.2f; per-house loop / baseline %.2f\n", program.cpu / setBased.cpu,
                perHouse.cpu / setBased.cpu);
    return 0;
}
