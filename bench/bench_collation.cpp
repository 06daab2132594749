// Pinyin order over 100,000 houses: the title click that re-sorts the grid by owner name (the
// program's path: ordering line with the Chinese collation, re-query, paint), beside the same
// query read by a bare SQLite loop with and without the collation, and the ratios.
//
//   bench_collation [runs]        (default 5; the best run of each is printed)
#include "benchsupport.h"
#include "components/grid/dbgrideh.h"
#include "data/dm1.h"
#include "data/sqlitehandle.h"

#include <QApplication>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <sqlite3.h>

namespace {

// Owner names from common surnames and given names (many distinct values, as a register has),
// with a few Latin names among them.
bool fill(Dm1 &dm, int rows)
{
    const QString surnames = QStringLiteral("王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹彭曾肖田董");
    const QString given = QStringLiteral("伟芳娜秀敏静丽强磊军洋勇艳杰娟涛明超兰霞平刚桂英华玉萍红建国志文");
    const QStringList buildings {QStringLiteral("翠苑一期"), QStringLiteral("翠苑二期"), QStringLiteral("金桂园"),
                                 QStringLiteral("银杏苑"),   QStringLiteral("丽景大厦"), QStringLiteral("重庆大厦")};
    QRandomGenerator random(20041015);
    return dm.inTransaction([&](QString *) {
        QSqlQuery q(dm.database());
        q.prepare(
            QStringLiteral("insert into 房屋资料 (房屋代码, 楼宇名称, 业主名称, 房屋面积, 押金) values (?,?,?,?,?)"));
        for (int i = 0; i < rows; ++i) {
            QString owner = surnames.at(random.bounded(surnames.size()));
            for (int n = 1 + random.bounded(2); n > 0; --n) {
                owner += given.at(random.bounded(given.size()));
            }
            if (i % 50 == 0) {
                owner = QStringLiteral("Owner %1").arg(i);
            }
            q.addBindValue(
                QStringLiteral("%1-%2").arg(i / 1000, 3, 10, QLatin1Char('0')).arg(i % 1000, 4, 10, QLatin1Char('0')));
            q.addBindValue(buildings.at(i % buildings.size()));
            q.addBindValue(owner);
            q.addBindValue(60.0 + (i % 900) / 10.0);
            q.addBindValue(qint64(100000 + (i % 7) * 12345));
            if (!q.exec()) {
                return false;
            }
        }
        return true;
    });
}

// The same statement as the grid runs, every row stepped and every column read as text, straight
// on the connection's sqlite3 handle.
void bareLoop(sqlite3 *db, const QByteArray &sql, int *rows)
{
    sqlite3_stmt *stmt = nullptr;
    sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr);
    const int columns = sqlite3_column_count(stmt);
    *rows = 0;
    size_t bytes = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            bytes += size_t(sqlite3_column_bytes(stmt, c));
            sqlite3_column_text(stmt, c);
        }
        ++*rows;
    }
    sqlite3_finalize(stmt);
    if (bytes == 0) {
        std::printf("no rows read\n");
    }
}

}

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    const int rows = 100000;
    QTemporaryDir home;
    Dm1 dm(home.path());
    if (!dm.openConnection() || !fill(dm, rows)) {
        std::printf("cannot fill the database\n");
        return 1;
    }
    sqlite3 *handle = sqliteHandle(dm.database());

    DataSet ds(QStringLiteral("q_houseinfo"));
    ds.setSql({QStringLiteral("select * from 房屋资料"), QStringLiteral("order by 房屋代码")});
    ds.open();
    DBGridEh grid;
    QList<GridColumn> columns;
    for (const char *f : {"房屋代码", "楼宇名称", "业主名称", "房屋面积", "押金"}) {
        columns << GridColumn::of(QString::fromUtf8(f), QString::fromUtf8(f), 100).sortButton();
    }
    grid.setColumns(columns);
    grid.setDataSet(&ds);
    grid.resize(1000, 700);
    grid.show();
    QApplication::processEvents();

    // A plain click cycles ascending, descending, ascending ...: every click re-sorts.
    const Bench::Time program = Bench::best(runs, [&] {
        grid.clickTitle(2, false);
        grid.repaint();
    });
    const QString line = ds.orderingLine();
    const QString plainLine = QString(line).remove(Dm1::chineseCollation());
    const Bench::Time programPlain = Bench::best(runs, [&] {
        ds.setOrderingLine(plainLine);
        ds.reopen();
        grid.repaint();
    });
    int n = 0;
    const QByteArray collated = (QStringLiteral("select * from 房屋资料") + line).toUtf8();
    const QByteArray plain = (QStringLiteral("select * from 房屋资料") + plainLine).toUtf8();
    const Bench::Time bareCollated = Bench::best(runs, [&] { bareLoop(handle, collated, &n); });
    const Bench::Time barePlain = Bench::best(runs, [&] { bareLoop(handle, plain, &n); });

    const auto row = [](const char *what, const Bench::Time &t) {
        std::printf("%-58s %8.1f ms wall %8.1f ms cpu\n", what, t.wall * 1e3, t.cpu * 1e3);
    };
    std::printf("%d rows, best of %d runs; ordering line:%s\n", n, runs, qPrintable(line));
    row("title click re-sort by 业主名称 (program: re-query + paint)", program);
    row("  the same without the collation (program)", programPlain);
    row("  bare SQLite loop, with the collation", bareCollated);
    row("  bare SQLite loop, without the collation (baseline)", barePlain);
    std::printf("ratios (cpu): program / baseline %.2f; collation in the bare loop %.2f; "
                "collation in the program %.2f\n",
                program.cpu / barePlain.cpu, bareCollated.cpu / barePlain.cpu, program.cpu / programPlain.cpu);
    std::printf("target 500 ms for the re-sort: %s (cpu %.0f ms, wall %.0f ms)\n",
                program.cpu <= 0.5 ? "met" : "MISSED", program.cpu * 1e3, program.wall * 1e3);
    return 0;
}
