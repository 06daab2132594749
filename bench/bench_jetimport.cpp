// The import of an old Jet database, in its two halves, each beside a baseline of the same run:
//
// - reading: parvell-jet-read on the sample testV2000.mdb, beside mdb-export of the same
//   tables (one run per table, as mdb-export reads one table at a time);
// - writing: bill lines as the reader prints them, through the import's mapping into a new
//   database (JetMapping, the program's own path), beside the sqlite3 tool's .import of the
//   same rows as CSV into the same table with the same indexes (unique key first, the others
//   after the rows).
//
//   bench_jetimport [runs] [bill lines]        (default 5 and 1,200,000)
#include "admin/core/importreport.h"
#include "admin/core/jetlines.h"
#include "admin/core/jetmapping.h"
#include "benchsupport.h"
#include "data/schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

namespace {

double childCpu()
{
    rusage u {};
    getrusage(RUSAGE_CHILDREN, &u);
    return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
}

// One run of a program with its output thrown away; its wall and processor time.
Bench::Time runProgram(const QString &program, const QStringList &arguments)
{
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    const double cpu = childCpu();
    QElapsedTimer t;
    t.start();
    p.start(program, arguments);
    if (!p.waitForFinished(600000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program), p.readAllStandardError().constData());
        return {};
    }
    return {t.nsecsElapsed() / 1e9, childCpu() - cpu};
}

Bench::Time bestOf(int runs, const std::function<Bench::Time()> &once)
{
    Bench::Time b {1e18, 1e18};
    for (int i = 0; i < runs; ++i) {
        const Bench::Time t = once();
        b = {std::min(b.wall, t.wall), std::min(b.cpu, t.cpu)};
    }
    return b;
}

void readerThroughput(int runs)
{
    const QString file = QStringLiteral(JET_FIXTURES "/testV2000.mdb");
    const QString exporter = QStandardPaths::findExecutable(QStringLiteral("mdb-export"));
    const QStringList tables {QStringLiteral("Table1"), QStringLiteral("Table2"), QStringLiteral("Table3"),
                              QStringLiteral("Table4")};
    const Bench::Time ours = bestOf(runs, [&] { return runProgram(JetReaderProcess::program(), {file}); });
    Bench::Time baseline;
    if (!exporter.isEmpty()) {
        baseline = bestOf(runs, [&] {
            Bench::Time sum {0, 0};
            for (const QString &t : tables) {
                sum = sum + runProgram(exporter, {file, t});
            }
            return sum;
        });
    }
    Bench::report(QStringLiteral("read testV2000.mdb (4 tables)"), ours, baseline, QStringLiteral("mdb-export"));
}

// Bill lines of `count` as the reader prints them, and the same rows as CSV; false when they
// cannot be written.
bool writeBillLines(qint64 count, const QString &ndjson, const QString &csv)
{
    const TableDef *bills = Schema::table(QStringLiteral("收费明细表"));
    QFile lines(ndjson), rows(csv);
    if (!lines.open(QIODevice::WriteOnly) || !rows.open(QIODevice::WriteOnly)) {
        return false;
    }
    QByteArray header =
        R"({"file":{"format":"Jet4","codePage":936,"text":"UTF-16LE"},"tables":[{"name":"收费明细表","rows":)"
        + QByteArray::number(count) + "}]}\n{\"table\":\"收费明细表\",\"rows\":" + QByteArray::number(count)
        + ",\"columns\":[";
    const char *types[] = {"text",     "text",     "text",     "text",   "text",     "text",     "text",
                           "text",     "currency", "double",   "double", "double",   "currency", "datetime",
                           "datetime", "text",     "text",     "text",   "datetime", "text",     "text",
                           "text",     "text",     "datetime", "text"};
    for (int i = 0; i < bills->fields.size(); ++i) {
        header += (i ? ",{\"name\":\"" : "{\"name\":\"") + bills->fields[i].name.toUtf8() + "\",\"type\":\"" + types[i]
            + "\"}";
    }
    lines.write(header + "]}\n");
    const QByteArray items[] = {"物业管理费", "水费",   "电费",     "燃气费",     "电梯费", "垃圾清运费",
                                "有线电视费", "车位费", "公摊电费", "二次供水费", "绿化费", "保安费"};
    const qint64 houses = std::max<qint64>(1, count / (12 * 20));
    QByteArray out, rowsOut;
    for (qint64 n = 0; n < count; ++n) {
        const qint64 item = n % 12, house = (n / 12) % houses, month = n / (12 * houses);
        const QByteArray code = "H" + QByteArray::number(100000 + house);
        const QByteArray year = QByteArray::number(2004 + month / 12);
        const QByteArray mon = QByteArray::number(month % 12 + 1);
        const QByteArray start = year + '-' + QByteArray(mon.size() == 1 ? "0" : "") + mon + "-01 00:00:00";
        const QByteArray end = year + '-' + QByteArray(mon.size() == 1 ? "0" : "") + mon + "-28 00:00:00";
        const qint64 price = 12345 + item * 1000, reading = 100 + month * 7 + house % 13;
        const QByteArray amount = QByteArray::number((price * 8723 / 10000) / 10000.0, 'f', 4);
        const bool paid = month + 1 < (count / (12 * houses));
        const QList<QByteArray> v {code,
                                   "一号楼" + QByteArray::number(house % 100) + "室",
                                   "业主" + QByteArray::number(house),
                                   "第" + QByteArray::number(house / 100 + 1) + "号楼",
                                   "一单元",
                                   items[item],
                                   "单价*面积",
                                   "房屋面积",
                                   QByteArray::number(price / 10000.0, 'f', 4),
                                   QByteArray::number(reading),
                                   QByteArray::number(reading - 7),
                                   "87.23",
                                   amount,
                                   start,
                                   end,
                                   year,
                                   mon,
                                   paid ? "现金" : "未缴费",
                                   paid ? end : QByteArray(),
                                   paid ? "业主" + QByteArray::number(house) : QByteArray(),
                                   paid ? "张三" : QByteArray(),
                                   paid ? "R" + QByteArray::number(n) : QByteArray(),
                                   "张三",
                                   start,
                                   QByteArray()};
        out += '[';
        for (int i = 0; i < v.size(); ++i) {
            out += (i ? "," : "") + (v[i].isNull() ? QByteArray("null") : '"' + v[i] + '"');
            // What the program stores: money as ten-thousandths.
            const FieldKind kind = bills->fields[i].kind;
            rowsOut += (i ? "," : "")
                + (kind == FieldKind::Money ? QByteArray::number(qRound64(v[i].toDouble() * 10000)) : v[i]);
        }
        out += "]\n";
        rowsOut += '\n';
        if (out.size() > (1 << 20)) {
            lines.write(out);
            rows.write(rowsOut);
            out.clear();
            rowsOut.clear();
        }
    }
    lines.write(out + "{\"end\":\"收费明细表\",\"rows\":" + QByteArray::number(count) + "}\n{\"done\":true}\n");
    rows.write(rowsOut);
    return lines.error() == QFile::NoError && rows.error() == QFile::NoError;
}

void billLinesIntoSqlite(int runs, qint64 count)
{
    QTemporaryDir dir;
    const QString ndjson = dir.filePath(QStringLiteral("lines.ndjson"));
    const QString csv = dir.filePath(QStringLiteral("lines.csv"));
    if (!writeBillLines(count, ndjson, csv)) {
        std::fprintf(stderr, "cannot write the bill lines\n");
        return;
    }
    QList<Bench::Time> ours, baseline;
    for (int i = 0; i < runs; ++i) {
        const QString file = dir.filePath(QStringLiteral("ours%1.db").arg(i));
        QFile input(ndjson);
        input.open(QIODevice::ReadOnly);
        DeviceLines lines(input);
        ImportReport report;
        QString error;
        bool ok = false;
        ours << Bench::measure([&] { ok = JetMapping(report).build(lines, file, {}, &error); });
        if (!ok || report.tables.value(0).imported != count) {
            std::fprintf(stderr, "the import failed: %s\n", qPrintable(error));
            return;
        }
        QFile::remove(file);

        // The same table without the id column (SQLite's rowid stands in for it), the same
        // indexes, the same settings.
        const TableDef *bills = Schema::table(QStringLiteral("收费明细表"));
        QStringList cols;
        for (const FieldDef &f : bills->fields) {
            cols << Schema::quoted(f.name)
                    + (f.kind == FieldKind::Money || f.kind == FieldKind::Integer ? QStringLiteral(" INTEGER")
                           : f.kind == FieldKind::Number                          ? QStringLiteral(" REAL")
                                                                                  : QStringLiteral(" TEXT"));
        }
        QString script =
            QStringLiteral("PRAGMA synchronous=OFF;\nPRAGMA cache_size=-65536;\nCREATE TABLE 收费明细表 (%1);\n")
                .arg(cols.join(QStringLiteral(", ")));
        QString after;
        for (const IndexDef &ix : Schema::indexes()) {
            if (ix.table == bills->name) {
                (ix.unique ? script : after) += ix.createStatement() + QStringLiteral(";\n");
            }
        }
        script += QStringLiteral(".import --csv %1 收费明细表\n").arg(csv) + after;
        const QString scriptFile = dir.filePath(QStringLiteral("import.sql"));
        QFile s(scriptFile);
        s.open(QIODevice::WriteOnly);
        s.write(script.toUtf8());
        s.close();
        const QString theirs = dir.filePath(QStringLiteral("theirs%1.db").arg(i));
        baseline << Bench::runTool(theirs, {}, {}, scriptFile);
        QFile::remove(theirs);
    }
    Bench::report(QStringLiteral("%1 bill lines into a new database").arg(count), Bench::median(ours),
                  Bench::median(baseline), QStringLiteral("sqlite3 .import"));
}

}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 5;
    const qint64 lines = argc > 2 ? std::max<qint64>(12, QString::fromLocal8Bit(argv[2]).toLongLong()) : 1200000;
    readerThroughput(std::max(runs, 10));
    billLinesIntoSqlite(runs, lines);
    std::printf("peak memory %.0f MiB\n", Bench::peakMiB());
    return 0;
}
