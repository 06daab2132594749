// A month's meter readings for 5,000 houses and two meters from an .xlsx file: the preview
// (reading the file, matching every reading to its bill line) beside unpacking and parsing the
// same sheet with minizip and QXmlStreamReader alone; the import (one transaction, the houses
// priced as "计算" prices them) beside the bare UPDATE statements of the same lines on SQLite.
//
//   bench_readings [houses] [runs]        (default 5000 and 5; the best run of each is printed)
#include "benchsupport.h"
#include "billing/core/billgeneration.h"
#include "billing/core/readingimport.h"
#include "data/dm1.h"
#include "data/sqlitehandle.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <cstdio>
#include <sqlite3.h>
#include <unzip.h>
#include <xlsxwriter.h>

namespace {

const QString Meter = QStringLiteral("单价*(本月数-上月数)");

QString code(int h)
{
    return QStringLiteral("%1-%2").arg(h / 100 + 1).arg(h % 100 + 101);
}

// Houses with water, electricity and a management fee; July's readings; August generated.
bool fill(Dm1 &dm, int houses)
{
    const bool ok = dm.inTransaction([&](QString *) {
        QSqlQuery q(dm.database());
        if (!q.exec(QStringLiteral("insert into 收费项目 (收费名称, 计算公式, 单价) values ('水费', '%1', 25000), "
                                   "('电费', '%1', 6000)")
                        .arg(Meter)))
            return false;
        QSqlQuery house(dm.database()), item(dm.database()), line(dm.database());
        house.prepare(QStringLiteral("insert into 房屋资料 (房屋代码, 业主名称, 使用状况) values (?, ?, '入住')"));
        item.prepare(QStringLiteral("insert into 房屋收费项目 (房屋代码, 收费名称, 计算公式, 单价, 预付金额) "
                                    "values (?, ?, ?, ?, ?)"));
        line.prepare(QStringLiteral("insert into 收费明细表 (房屋代码, 收费名称, 计算公式, 年度, 月份, 本月表数, "
                                    "上月表数, 缴费状态) values (?, ?, ?, '2004', '7', ?, ?, '未缴费')"));
        for (int h = 0; h < houses; ++h) {
            house.addBindValue(code(h));
            house.addBindValue(QStringLiteral("业主%1").arg(h));
            if (!house.exec())
                return false;
            const QList<std::tuple<QString, QString, qint64, double>> items = {
                {QStringLiteral("水费"), Meter, 25000, 100.0 + h % 7},
                {QStringLiteral("电费"), Meter, 6000, 500.0 + h % 11},
                {QStringLiteral("物业费"), QStringLiteral("单价*面积"), 12000, 0}};
            for (const auto &[name, formula, price, july] : items) {
                item.addBindValue(code(h));
                item.addBindValue(name);
                item.addBindValue(formula);
                item.addBindValue(price);
                item.addBindValue(formula == Meter ? 0 : 880000);
                if (!item.exec())
                    return false;
                if (formula != Meter)
                    continue;
                line.addBindValue(code(h));
                line.addBindValue(name);
                line.addBindValue(formula);
                line.addBindValue(july);
                line.addBindValue(july - (name == u"电费" ? 30 : 10));
                if (!line.exec())
                    return false;
            }
        }
        return true;
    });
    return ok && BillGeneration(dm.database()).generateEstate({2004, 8}).error.isEmpty();
}

void writeSheet(const QString &path, int houses)
{
    lxw_workbook *book = workbook_new(path.toUtf8().constData());
    lxw_worksheet *sheet = workbook_add_worksheet(book, nullptr);
    worksheet_write_string(sheet, 0, 0, "房屋代码", nullptr);
    worksheet_write_string(sheet, 0, 1, "水费", nullptr);
    worksheet_write_string(sheet, 0, 2, "电费", nullptr);
    for (int h = 0; h < houses; ++h) {
        worksheet_write_string(sheet, lxw_row_t(h + 1), 0, code(h).toUtf8().constData(), nullptr);
        worksheet_write_number(sheet, lxw_row_t(h + 1), 1, 112.5 + h % 7, nullptr);
        worksheet_write_number(sheet, lxw_row_t(h + 1), 2, 540 + h % 11, nullptr);
    }
    workbook_close(book);
}

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
    if (!dm.openConnection() || !fill(dm, houses)) {
        std::printf("cannot fill the database\n");
        return 1;
    }
    const QString path = home.filePath(QStringLiteral("抄表.xlsx"));
    writeSheet(path, houses);

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
