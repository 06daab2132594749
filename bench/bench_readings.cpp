// A month's meter readings for 5,000 houses and two meters from an .xlsx file: the preview
// (reading the file, matching every reading to its bill line) beside unpacking and parsing the
// same sheet with minizip and QXmlStreamReader alone; the import (one transaction, the houses
// priced as "计算" prices them) beside the bare UPDATE statements of the same lines on SQLite.
//
//   bench_readings [houses] [runs]        (default 5000 and 5; the best run of each is printed)
#include "benchsupport.h"
#include "billing/core/readingimport.h"
#include "data/dm1.h"
#include "data/sqlitehandle.h"
#include "readingestate.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <cstdio>
#include <sqlite3.h>
#include <unzip.h>

namespace {

// The library alone: the sheet and its strings unpacked and every XML token read.
qint64 bareRead(const QString &path)
{
    qint64 tokens = 0;
    unzFile zip = unzOpen64(QFile::encodeName(path).constData());
    for (const char *part : {"xl/sharedStrings.xml", "xl/worksheets/sheet1.xml"}) {
        if (unzLocateFile(zip, part, 2) != UNZ_OK || unzOpenCurrentFile(zip) != UNZ_OK)
            continue;
        QByteArray bytes;
        char buffer[65536];
        int n;
        while ((n = unzReadCurrentFile(zip, buffer, sizeof buffer)) > 0)
            bytes.append(buffer, n);
        unzCloseCurrentFile(zip);
        QXmlStreamReader xml(bytes);
        while (!xml.atEnd()) {
            xml.readNext();
            ++tokens;
        }
    }
    unzClose(zip);
    return tokens;
}

// The same lines given the same values by bare UPDATE statements, in one transaction.
void bareUpdates(sqlite3 *db, const QList<ReadingLine> &lines)
{
    sqlite3_exec(db, "begin", nullptr, nullptr, nullptr);
    sqlite3_stmt *update = nullptr;
    sqlite3_prepare_v2(db, "update 收费明细表 set 本月表数=?, \"面积/数量\"=?, 收费金额=? where id=?", -1, &update,
                       nullptr);
    for (const ReadingLine &l : lines) {
        if (l.lineId < 0 || !l.amount)
            continue;
        sqlite3_bind_double(update, 1, l.reading->toReal());
        sqlite3_bind_double(update, 2, l.usage->toReal());
        sqlite3_bind_int64(update, 3, l.amount->raw());
        sqlite3_bind_int64(update, 4, l.lineId);
        sqlite3_step(update);
        sqlite3_reset(update);
    }
    sqlite3_finalize(update);
    sqlite3_exec(db, "commit", nullptr, nullptr, nullptr);
}

}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int houses = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5000;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    QTemporaryDir home;
    Dm1 dm(home.path());
    if (!dm.openConnection() || !ReadingEstate::fill(dm, houses)) {
        std::printf("cannot fill the database\n");
        return 1;
    }
    const QString path = home.filePath(QStringLiteral("抄表.xlsx"));
    ReadingEstate::writeSheet(path, houses);

    QString error;
    ReadingPreview preview;
    const auto previewOnce = [&] {
        QList<SheetRow> rows;
        if (!SheetReader::read(path, &rows, &error)) {
            std::printf("read failed: %s\n", qPrintable(error));
            return;
        }
        const ReadingLayout layout =
            ReadingImport::guess(ReadingImport::titles(rows), ReadingImport::meterItems(dm.database(), &error));
        if (!ReadingImport::preview(dm.database(), rows, layout, {2004, 8}, &preview, &error))
            std::printf("preview failed: %s\n", qPrintable(error));
    };
    const Bench::Time program = Bench::best(runs, previewOnce);
    qint64 tokens = 0;
    const Bench::Time library = Bench::best(runs, [&] { tokens = bareRead(path); });

    QList<Bench::Time> imports;
    ReadingImport::Outcome out;
    for (int r = 0; r < runs; ++r) {
        previewOnce();
        imports << Bench::measure([&] {
            if (!ReadingImport::write(dm.database(), preview.lines, {2004, 8}, true, &out, &error))
                std::printf("import failed: %s\n", qPrintable(error));
        });
    }
    Bench::Time import = imports.first();
    for (const Bench::Time &t : imports)
        import = t.wall < import.wall ? t : import;
    sqlite3 *handle = sqliteHandle(dm.database());
    const Bench::Time bare = Bench::best(runs, [&] { bareUpdates(handle, preview.lines); });

    std::printf("%d houses x 2 meters (%lld lines in the preview, %d written, %lld XML tokens), best of %d runs\n",
                houses, qint64(preview.lines.size()), out.written, tokens, runs);
    Bench::report(QStringLiteral("preview (read the file, match every reading)"), program, library,
                  QStringLiteral("minizip + QXmlStreamReader alone"));
    Bench::report(QStringLiteral("import (one transaction, houses priced)"), import, bare,
                  QStringLiteral("bare UPDATE of the same lines"));
    return 0;
}
