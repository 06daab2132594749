// The buildings window over 1,000,000 buildings: the real program started with
// "--command 楼宇资料设置 --exit-when-ready" until the window is open with its rows, its peak
// memory, and the sqlite3 tool running the window's query on the same file.
//
//   bench_storeywindow [buildings] [runs]        (defaults 1000000 and 5; the program is looked
//                                                  for at ../src/parvell, or $PARVELL_BIN)

#include "benchsupport.h"
#include "data/dm1.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? qMax(1, atoi(argv[1])) : 1000000;
    const int runs = argc > 2 ? qMax(1, atoi(argv[2])) : 5;
    const QString program = Bench::program();
    if (program.isEmpty()) {
        return 2;
    }
    QTemporaryDir home;
    QString database;
    {
        Dm1 dm(home.path());
        QString error;
        if (!dm.openConnection() || !Bench::fillBuildings(dm, count, &error)) {
            std::fprintf(stderr, "buildings not made: %s %s\n", qPrintable(error), qPrintable(dm.lastError()));
            return 1;
        }
        database = dm.databasePath();
    }
    const QString query = u"select * from 楼宇资料\norder by 楼宇名称"_s;
    Bench::runTool(database, {}, query);

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    QList<Bench::Time> ready, exited, tool;
    for (int r = 0; r < runs; ++r) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.setProgram(program);
        p.setArguments({u"--home"_s, home.path(), u"--command"_s, u"楼宇资料设置"_s, u"--exit-when-ready"_s});
        rusage before {};
        getrusage(RUSAGE_CHILDREN, &before);
        QElapsedTimer t;
        t.start();
        p.start();
        QByteArray out;
        double at = -1;
        while (at < 0 && p.waitForReadyRead(120000)) {
            out += p.readAllStandardOutput();
            if (out.contains("ready ")) {
                at = t.nsecsElapsed() / 1e9;
            }
        }
        p.waitForFinished(120000);
        if (at < 0 || p.exitCode() != 0) {
            std::fprintf(stderr, "the program did not get ready: %s\n", p.readAllStandardError().constData());
            return 3;
        }
        rusage after {};
        getrusage(RUSAGE_CHILDREN, &after);
        const auto cpu = [](const rusage &u) {
            return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
        };
        ready << Bench::Time {at, -1};
        exited << Bench::Time {t.nsecsElapsed() / 1e9, cpu(after) - cpu(before)};
    }
    // The largest resident size of any child waited for so far: the program's runs only.
    rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    const double peak = usage.ru_maxrss / 1024.0;
    for (int r = 0; r < runs; ++r) {
        tool << Bench::runTool(database, {}, query);
    }
    std::printf("the buildings window over %d buildings (start, login, window open with its rows), median of %d:\n",
                count, runs);
    Bench::report(u"parvell --command 楼宇资料设置 until ready"_s, Bench::median(ready), Bench::median(tool),
                  u"sqlite3 tool"_s);
    Bench::report(u"    until the program has ended"_s, Bench::median(exited), Bench::median(tool), u"sqlite3 tool"_s);
    std::printf("peak memory of the program: %.0f MiB (target 300)\n", peak);
    return 0;
}
