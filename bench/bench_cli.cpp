// parvell-cli as a cron job runs it, each figure beside a baseline of the same run:
//   generate      5,000 houses × 10 fee items, beside the core's whole-estate generation in this
//                 process on a copy of the same database (the aim: ≤ 1.1 × it + 100 ms);
//   report        "report arrears -o x.csv" over 5,000 houses × 24 months of bill lines, beside
//                 `sqlite3 -csv` of the bare grouped query (the aim: ≤ 1.5 ×);
//   --version     the program's start and end, beside starting /bin/true (the aim: ≤ 30 ms).
#include "benchsupport.h"
#include "billing/core/billgeneration.h"
#include "data/dm1.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>

namespace {

const QString Cli = QStringLiteral(PARVELL_CLI);

Bench::Time runProgram(const QString &program, const QStringList &args)
{
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    Bench::Time t = Bench::measure([&] {
        p.start(program, args);
        p.waitForFinished(600000);
    });
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "%s %s failed: %s\n", qPrintable(program), qPrintable(args.join(QLatin1Char(' '))),
                     p.readAllStandardError().constData());
        return {};
    }
    return t;
}

// A home holding a copy of the estate's database file.
QString copyHome(const QString &from, const QString &parent, const QString &name)
{
    const QString home = QDir(parent).filePath(name);
    QDir().mkpath(home + QStringLiteral("/data"));
    QFile::copy(from, home + QStringLiteral("/data/data.db"));
    return home;
}

}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString seed = QDir(dir.path()).filePath(QStringLiteral("seed"));
    {
        Dm1 dm(seed);
        QString error;
        if (!dm.openConnection()
            || !Bench::fillEstate(dm, 5000, 10, 24, &error)
            // Each house carries the items of its last month's lines: 10 a house.
            || !dm.exec(
                QStringLiteral("insert into 房屋收费项目 (房屋代码, 收费名称, 计算公式, 收费面积, 单价, 预付金额) "
                               "select 房屋代码, 收费名称, 计算公式, 收费面积, 单价, 10000 from 收费明细表 "
                               "where 年度='2005' and 月份='12'"),
                {}, &error)
            || !dm.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"), {}, &error)) {
            std::fprintf(stderr, "estate not made: %s\n", qPrintable(error));
            return 1;
        }
        dm.closeConnection();
    }
    const QString database = seed + QStringLiteral("/data/data.db");
    std::printf("estate: 5,000 houses, 10 fee items each, 24 months of bill lines (1.2 million)\n");

    // generate: a fresh copy for each run, the core in this process on one, the program on another.
    QList<Bench::Time> core, program;
    for (int run = 0; run < 3; ++run) {
        const QString inProcess = copyHome(database, dir.path(), QStringLiteral("core%1").arg(run));
        const QString byProgram = copyHome(database, dir.path(), QStringLiteral("cli%1").arg(run));
        {
            Dm1 dm(inProcess);
            dm.openConnection();
            core << Bench::measure([&] {
                const auto out = BillGeneration(dm.database()).generateEstate({2006, 1});
                if (out.generated != 5000) {
                    std::fprintf(stderr, "core generated %d houses: %s\n", out.generated, qPrintable(out.error));
                }
            });
            dm.closeConnection();
        }
        program << runProgram(Cli,
                              {QStringLiteral("--home"), byProgram, QStringLiteral("generate"),
                               QStringLiteral("--month"), QStringLiteral("2006-01")});
    }
    const Bench::Time generated = Bench::median(program), coreTime = Bench::median(core);
    Bench::report(QStringLiteral("generate 5,000 houses × 10 items"), generated, coreTime,
                  QStringLiteral("core in-process"));
    std::printf("    aim: ≤ 1.1 × core + 100 ms = %.1f ms\n", (coreTime.wall * 1.1 + 0.1) * 1e3);

    // report arrears to csv, beside the bare grouped query.
    QList<Bench::Time> reports, tool;
    const QString csv = QDir(dir.path()).filePath(QStringLiteral("arrears.csv"));
    const QString bare = QStringLiteral(
        "select h.楼宇名称, h.房屋代码, h.业主名称, l.年度, l.月份, sum(l.收费金额) from 房屋资料 h join 收费明细表 l "
        "on l.房屋代码 = h.房屋代码 where (l.缴费状态 = '未缴费' or l.缴费状态 is null) "
        "and (cast(l.年度 as integer) * 12 + cast(l.月份 as integer)) between 2004 * 12 + 1 and 2005 * 12 + 12 "
        "group by h.房屋代码, l.年度, l.月份 having sum(l.收费金额) > 0 order by h.房屋代码, 4, 5");
    for (int run = 0; run < 3; ++run) {
        QFile::remove(csv);
        reports << runProgram(Cli,
                              {QStringLiteral("--home"), seed, QStringLiteral("report"), QStringLiteral("arrears"),
                               QStringLiteral("--from"), QStringLiteral("2004-01"), QStringLiteral("--to"),
                               QStringLiteral("2005-12"), QStringLiteral("-o"), csv});
        tool << Bench::runTool(database, {QStringLiteral("-csv")}, bare);
    }
    Bench::report(QStringLiteral("report arrears -o x.csv (24 months)"), Bench::median(reports), Bench::median(tool),
                  QStringLiteral("sqlite3 -csv"));

    // --version: start and end.
    QList<Bench::Time> version, bareStart;
    for (int run = 0; run < 21; ++run) {
        version << runProgram(Cli, {QStringLiteral("--version")});
        bareStart << runProgram(QStringLiteral("/bin/true"), {});
    }
    Bench::report(QStringLiteral("--version"), Bench::median(version), Bench::median(bareStart),
                  QStringLiteral("/bin/true"));
    return 0;
}
