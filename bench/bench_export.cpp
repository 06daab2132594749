// Export of 100,000 bill lines (26 columns: texts, money, dates, readings) the way a list
// window exports them: from an open data set through its grid, in every file type, each beside
// the sqlite3 tool writing the same query's rows where it has that format.
//
//   bench_export [runs] [formats...]        (default 5 runs; formats e.g. "csv txt")

#include "benchsupport.h"
#include "components/grid/core/exporttable.h"
#include "components/grid/dbgrideh.h"
#include "data/dm1.h"

#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? qMax(1, atoi(argv[1])) : 5;
    const QStringList only = app.arguments().mid(2);
    QTemporaryDir home;
    Dm1 dm(home.path());
    QString error;
    if (!dm.openConnection() || !Bench::fillEstate(dm, 5000, 10, 2, &error)) {
        std::fprintf(stderr, "estate not made: %s %s\n", qPrintable(error), qPrintable(dm.lastError()));
        return 1;
    }
    const QString database = dm.databasePath();

    // The bill lines window's data set and grid, every column shown.
    DataSet ds(u"q_lines"_s, u"收费明细表"_s);
    const QStringList sql = {u"select * from 收费明细表"_s, u"order by 房屋代码"_s};
    ds.setSql(sql);
    Bench::runTool(database, {}, sql.join(u'\n'));
    QList<Bench::Time> opening;
    for (int r = 0; r < runs; ++r) {
        opening << Bench::measure([&] { ds.reopen(); });
    }
    QList<GridColumn> columns;
    for (const QString &f : ds.fieldNames()) {
        GridColumn c = GridColumn::of(f, f, 80);
        if (ds.fieldKind(f) == FieldKind::Money) {
            c.footer = GridColumn::Footer::Sum;
        }
        columns << c;
    }
    columns[0].footer = GridColumn::Footer::Count;
    DBGridEh grid;
    grid.setColumns(columns);
    grid.setDataSet(&ds);
    std::printf("export of %d bill lines, %d columns, from an open data set; median of %d\n", ds.recordCount(),
                int(columns.size()), runs);
    std::printf("(opening the data set: %.0f ms)\n", Bench::median(opening).wall * 1e3);

    struct Case
    {
        ExportFormat format;
        QStringList toolMode; // the tool's output mode for the same rows, empty for none
        double target; // seconds
    };
    const Case cases[] = {{ExportFormat::Csv, {u"-csv"_s}, 1},   {ExportFormat::Text, {u"-tabs"_s}, 1},
                          {ExportFormat::Html, {u"-html"_s}, 2}, {ExportFormat::Rtf, {}, 2},
                          {ExportFormat::Xlsx, {}, 4},           {ExportFormat::Xls, {}, 2}};
    bool allMet = true;
    for (const Case &c : cases) {
        const QString ext = Export::extension(c.format);
        if (!only.isEmpty() && !only.contains(ext)) {
            continue;
        }
        // An Excel 97-2003 sheet holds 65,536 rows: two title rows and the footer leave 65,533.
        QStringList query = sql;
        if (c.format == ExportFormat::Xls) {
            query = {u"select * from 收费明细表 where id <= 65533"_s, u"order by 房屋代码"_s};
        }
        if (ds.sql() != query) {
            ds.setSql(query);
            ds.reopen();
        }
        const QString path = home.filePath(u"bench."_s + ext);
        const QString toolPath = home.filePath(u"tool."_s + ext);
        QList<Bench::Time> mine, tool;
        bool ok = true;
        for (int r = 0; r < runs; ++r) {
            mine << Bench::measure([&] { ok = Export::writeFile(c.format, grid.exportTable(), path, &error) && ok; });
            if (!c.toolMode.isEmpty()) {
                tool << Bench::runTool(database, c.toolMode, query.join(u'\n'), {}, toolPath);
            }
        }
        const Bench::Time seconds = Bench::median(mine);
        const bool met = ok && seconds.wall <= c.target;
        allMet = allMet && met;
        Bench::report(
            u"%1 %2 rows, %3 MB"_s.arg(ext).arg(ds.recordCount()).arg(QFileInfo(path).size() / 1048576.0, 0, 'f', 1),
            seconds, Bench::median(tool), u"sqlite3 %1"_s.arg(c.toolMode.value(0)));
        if (c.format == ExportFormat::Csv) {
            Bench::report(u"csv, opening the data set included"_s, seconds + Bench::median(opening),
                          Bench::median(tool), u"sqlite3 -csv"_s);
        }
        std::printf("    target %.0f s: %s %s\n", c.target, ok ? (met ? "met" : "SLOW") : "FAILED", qPrintable(error));
    }
    return allMet ? 0 : 1;
}
