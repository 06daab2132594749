// parvell-cli as a cron job runs it, each figure beside a baseline of the same run:
//   generate      5,000 houses × 10 fee items, beside the core's whole-estate generation in this
//                 process on a copy of the same database (the aim: ≤ 1.1 × it + 100 ms);
//   report        "report arrears -o x.csv" over 5,000 houses × 24 months of bill lines, beside
//                 `sqlite3 -csv` of the bare grouped query (the aim: ≤ 1.5 ×);
//   import        5,000 houses from a CSV file, beside sqlite3's .import of it (the aim: ≤ 1 s);
//   import-readings  August's readings of 5,000 houses × 2 meters from an .xlsx workbook, beside
//                 the core's preview and import of the same file in this process;
//   --version     the program's start and end, beside starting /bin/true (the aim: ≤ 30 ms).
#include "benchsupport.h"
#include "billing/core/billgeneration.h"
#include "billing/core/readingimport.h"
#include "components/grid/core/exporttable.h"
#include "components/grid/core/gridcolumn.h"
#include "data/dm1.h"
#include "readingestate.h"
#include "reports/core/billreports.h"
#include "reports/core/reportcolumns.h"
#include "reports/core/reportrun.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

namespace {

const QString Cli = QStringLiteral(PARVELL_CLI);

double childCpu()
{
    rusage u {};
    getrusage(RUSAGE_CHILDREN, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The program's run: on the clock, and the processor time it used.
Bench::Time runProgram(const QString &program, const QStringList &args)
{
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    const double cpu = childCpu();
    Bench::Time t = Bench::measure([&] {
        p.start(program, args);
        p.waitForFinished(600000);
    });
    t.cpu = childCpu() - cpu;
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
    // The same report computed and written in this process, as the window computes and exports it.
    QList<Bench::Time> inProcess;
    {
        Dm1 dm(seed);
        dm.openConnection();
        const BillReportFilter period {{2004, 1}, {2005, 12}, {}, {}, {}, {}};
        for (int run = 0; run < 3; ++run) {
            QFile::remove(csv);
            inProcess << Bench::measure([&] {
                QString error;
                if (!ReportRun::runHere([&](const QSqlDatabase &db, ScratchSink &out,
                                            QString *e) { return BillReports::arrears(db, period, out, e); },
                                        dm.q_tongyong, &error)
                    || !Export::writeFile(ExportFormat::Csv,
                                          GridCells::exportTable(*dm.q_tongyong, ReportColumns::arrears()), csv,
                                          &error)) {
                    std::fprintf(stderr, "report failed: %s\n", qPrintable(error));
                }
            });
        }
        std::printf("arrears rows: %d\n", dm.q_tongyong->recordCount());
        dm.closeConnection();
    }
    const Bench::Time reported = Bench::median(reports);
    Bench::report(QStringLiteral("report arrears -o x.csv (24 months)"), reported, Bench::median(tool),
                  QStringLiteral("sqlite3 -csv"));
    Bench::report(QStringLiteral("report arrears -o x.csv (24 months)"), reported, Bench::median(inProcess),
                  QStringLiteral("core in-process"));

    // import houses: 5,000 rows into an estate with its buildings but no houses, beside sqlite3's
    // own .import of the same file into a bare table.
    {
        const QString file = QDir(dir.path()).filePath(QStringLiteral("houses.csv"));
        QFile csvFile(file);
        csvFile.open(QIODevice::WriteOnly);
        QByteArray text = "房屋代码,楼宇名称,楼宇单元,房型,房屋面积,公摊面积,备注\n";
        for (int h = 0; h < 5000; ++h) {
            text += QStringLiteral("N%1-%2,%3号楼,一单元,二房一厅,%4.5,8.25,导入\n")
                        .arg(h / 100 + 1, 2, 10, QLatin1Char('0'))
                        .arg(h % 100 + 101)
                        .arg(h / 100 + 1)
                        .arg(60 + h % 90)
                        .toUtf8();
        }
        csvFile.write(text);
        csvFile.close();
        QList<Bench::Time> imports, bareImports;
        for (int run = 0; run < 3; ++run) {
            const QString target = copyHome(database, dir.path(), QStringLiteral("import%1").arg(run));
            {
                Dm1 dm(target);
                dm.openConnection();
                dm.exec(QStringLiteral("insert into 楼宇资料 (楼宇名称) select distinct 楼宇名称 from 房屋资料"));
                dm.exec(QStringLiteral("delete from 房屋资料"));
                dm.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
                dm.closeConnection();
            }
            imports << runProgram(
                Cli, {QStringLiteral("--home"), target, QStringLiteral("import"), QStringLiteral("houses"), file});
            bareImports << Bench::runTool(target + QStringLiteral("/data/data.db"), {},
                                          QStringLiteral(".import --csv %1 bare_houses").arg(file));
        }
        Bench::report(QStringLiteral("import houses (5,000 rows)"), Bench::median(imports), Bench::median(bareImports),
                      QStringLiteral("sqlite3 .import"));
    }

    // import-readings: a fresh copy of the reading estate for each run, the core in this process
    // on one (read, preview, import), the program on another.
    {
        const QString readingSeed = QDir(dir.path()).filePath(QStringLiteral("readings"));
        const QString sheet = QDir(dir.path()).filePath(QStringLiteral("抄表.xlsx"));
        {
            Dm1 dm(readingSeed);
            if (!dm.openConnection() || !ReadingEstate::fill(dm, 5000)
                || !dm.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"))) {
                std::fprintf(stderr, "reading estate not made\n");
                return 1;
            }
            dm.closeConnection();
        }
        ReadingEstate::writeSheet(sheet, 5000);
        const QString readingDatabase = readingSeed + QStringLiteral("/data/data.db");
        QList<Bench::Time> byCore, byProgram;
        for (int run = 0; run < 3; ++run) {
            const QString inProcess = copyHome(readingDatabase, dir.path(), QStringLiteral("readcore%1").arg(run));
            const QString viaProgram = copyHome(readingDatabase, dir.path(), QStringLiteral("readcli%1").arg(run));
            Dm1 dm(inProcess);
            dm.openConnection();
            byCore << Bench::measure([&] {
                QList<SheetRow> rows;
                QString error;
                ReadingPreview preview;
                ReadingImport::Outcome out;
                const bool done = SheetReader::read(sheet, &rows, &error)
                    && ReadingImport::preview(dm.database(), rows,
                                              ReadingImport::guess(ReadingImport::titles(rows),
                                                                   ReadingImport::meterItems(dm.database(), &error)),
                                              {2004, 8}, &preview, &error)
                    && ReadingImport::write(dm.database(), preview.lines, {2004, 8}, false, &out, &error);
                if (!done || out.written != 10000) {
                    std::fprintf(stderr, "core import: %d written %s\n", out.written, qPrintable(error));
                }
            });
            dm.closeConnection();
            byProgram << runProgram(Cli,
                                    {QStringLiteral("--home"), viaProgram, QStringLiteral("import-readings"), sheet,
                                     QStringLiteral("--month"), QStringLiteral("2004-08")});
        }
        Bench::report(QStringLiteral("import-readings 5,000 houses × 2 meters (.xlsx)"), Bench::median(byProgram),
                      Bench::median(byCore), QStringLiteral("core in-process"));
    }

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
