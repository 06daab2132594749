#pragma once

// What the benchmarks share: a generated estate written straight into a program database, the
// sqlite3 command-line tool (or a bare SQLite C loop) as the baseline of each figure, medians,
// and the memory the process used at its peak.

#include "reports/core/reportrun.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class Dm1;
struct sqlite3;

namespace Bench {

// Runs a report as its window does (ReportRun: computed on a worker, written into 通用, the
// grid's rows kept) and waits for its end; false with the reason when it failed.
bool runReport(Dm1 &dm, const ReportRun::Computation &work, ReportRun::KeepRows keep, QString *why);

// The SQLite handle under a program connection.
sqlite3 *handleOf(Dm1 &dm);
// The bare C loop a baseline runs: the statement prepared, bound with texts, every row stepped
// and every column read as text. The number of rows, -1 (and said) when it is refused.
int bareRows(sqlite3 *db, const char *sql, const QStringList &binds);

// Bill lines of `houses` houses (50 buildings, 100 houses each), `items` fee items, `months`
// months from January 2004, month by month as bill generation makes them: dates, money, meter
// readings, a receipt number and a payment of every month but the last. Also the houses.
bool fillEstate(Dm1 &dm, int houses, int items, int months, QString *error);
// `count` buildings with every field filled.
bool fillBuildings(Dm1 &dm, int count, QString *error);

// The program to start: $PARVELL_BIN, or ../src/parvell beside the benchmark; empty (and said
// on stderr) when it is not there.
QString program();

// The sqlite3 tool's path, or empty when it is not installed.
QString sqliteTool();
// How long some work took: on the clock, and in processor time (user and system), which tells
// the work's own cost on a machine shared with other work. Negative when it did not run.
struct Time
{
    double wall = -1;
    double cpu = -1;
    Time operator/(double n) const { return {wall / n, cpu / n}; }
    Time operator+(Time o) const { return {wall + o.wall, cpu + o.cpu}; }
};

// Runs "sqlite3 -batch options database sql", its input from `input` (a file, or none) and its
// output to `output` (a file, or discarded).
Time runTool(const QString &database, const QStringList &options, const QString &sql, const QString &input = {},
             const QString &output = {});

// The time one call takes.
Time measure(const std::function<void()> &work);
// The shortest of each of the two times over `runs` calls.
Time best(int runs, const std::function<void()> &work);
// The median of each of the two times.
Time median(const QList<Time> &times);
// The median of times in milliseconds (0 for none), and "what  ms  baseline ms  ratio" on one
// line, for benchmarks that time the clock only.
double median(QList<double> ms);
void report(const char *what, double ms, double baselineMs);
// The process's peak resident memory (VmHWM) in MiB.
double peakMiB();

// What an index costs: with "--without=欠费,已缴费" on the command line, drops (before the estate
// is filled, so that the file is laid out as it would be without them) the indexes whose
// names end with one of the given endings (the report indexes: 欠费, 已缴费, 收费金额 for the fee
// items' one). Their names, said on stdout; false when one cannot be dropped. With
// "--indexes-as-before", the bill lines' indexes as they were before the reports had their own.
bool dropIndexesNamed(Dm1 &dm, const QStringList &arguments);

// "label   ours ms (cpu ms)   baseline ms (cpu ms)   ratio wall, ratio cpu" on one line.
void report(const QString &label, Time ours, Time baseline, const QString &baselineName);

}
