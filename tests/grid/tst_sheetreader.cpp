#include "components/grid/core/sheetreader.h"

#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <xlsxwriter.h>

namespace {

// A workbook written by libxlsxwriter from a recipe of cells "A1=text" separated by ";", where
// the text "#123.5" is a number, "@2004-08-15" a date and "~张|三" a rich string of two runs.
// Inline strings instead of the shared-string table when inlineStrings (the library's
// constant-memory mode; cells then have to come row by row).
QByteArray workbook(const QString &recipe, bool inlineStrings)
{
    QTemporaryDir dir;
    const QByteArray path = (dir.path() + QStringLiteral("/book.xlsx")).toUtf8();
    lxw_workbook_options options = {};
    options.constant_memory = inlineStrings ? LXW_TRUE : LXW_FALSE;
    lxw_workbook *book = workbook_new_opt(path.constData(), &options);
    lxw_worksheet *sheet = workbook_add_worksheet(book, nullptr);
    lxw_format *bold = workbook_add_format(book);
    format_set_bold(bold);
    lxw_format *date = workbook_add_format(book);
    format_set_num_format(date, "yyyy-mm-dd");
    for (const QString &cell : recipe.split(u';', Qt::SkipEmptyParts)) {
        const QByteArray reference = cell.section(u'=', 0, 0).toLatin1();
        const QString value = cell.section(u'=', 1);
        const lxw_row_t row = lxw_name_to_row(reference.constData());
        const lxw_col_t column = lxw_name_to_col(reference.constData());
        const QByteArray text = value.mid(1).toUtf8();
        if (value.startsWith(u'#')) {
            worksheet_write_number(sheet, row, column, value.mid(1).toDouble(), nullptr);
        } else if (value.startsWith(u'@')) {
            const QDate d = QDate::fromString(value.mid(1), Qt::ISODate);
            lxw_datetime when = {d.year(), d.month(), d.day(), 0, 0, 0};
            worksheet_write_datetime(sheet, row, column, &when, date);
        } else if (value.startsWith(u'~')) {
            const QList<QByteArray> runs = text.split('|');
            lxw_rich_string_tuple first = {bold, const_cast<char *>(runs[0].constData())};
            lxw_rich_string_tuple second = {nullptr, const_cast<char *>(runs[1].constData())};
            lxw_rich_string_tuple *tuples[] = {&first, &second, nullptr};
            worksheet_write_rich_string(sheet, row, column, tuples, nullptr);
        } else {
            worksheet_write_string(sheet, row, column, value.toUtf8().constData(), nullptr);
        }
    }
    if (workbook_close(book) != LXW_NO_ERROR)
        qWarning("the workbook could not be written");
    QFile file(QString::fromUtf8(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The workbook with one byte of the sheet's packed data changed, as a bad disk or an
// interrupted copy leaves it.
QByteArray damagedSheet(QByteArray book)
{
    const qsizetype name = book.indexOf("xl/worksheets/sheet1.xml"); // in the part's local header
    const qsizetype header = name - 30;
    const auto nameLength = qFromLittleEndian<quint16>(book.constData() + header + 26);
    const auto extraLength = qFromLittleEndian<quint16>(book.constData() + header + 28);
    book[name + nameLength + extraLength + 20] = char(book[name + nameLength + extraLength + 20] ^ 0x5A);
    return book;
}

// Rows as "line:cell|cell" lines; a cell stored as a number starts with "#".
QString rendered(const QList<SheetRow> &rows)
{
    QStringList lines;
    for (const SheetRow &row : rows) {
        QStringList cells;
        for (const SheetCell &cell : row.cells)
            cells << (cell.number ? QStringLiteral("#") : QString()) + cell.text;
        lines << QString::number(row.line) + u':' + cells.join(u'|');
    }
    return lines.join(u'\n');
}

} // namespace

class TestSheetReader : public QObject
{
    Q_OBJECT

private slots:
    void readsRowsOrRefuses_data();
    void readsRowsOrRefuses();
};

// Each file is read into its rows ("expected"), or refused with a message holding "refusal"
// and the file's name.
void TestSheetReader::readsRowsOrRefuses_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("refusal");

    const QByteArray bom("\xEF\xBB\xBF");
    const QByteArray book = workbook(QStringLiteral("A1=房屋代码;C1=水费;A2=#12;B2=x"), false);

    QTest::newRow("xlsx: shared strings, gaps, numbers as stored, dates, rich text")
        << workbook(QStringLiteral("A1=房屋代码;C1=水费;E1=日期;A2=A-101 ;C2=#1234.5;A4=B-1;B4=#110101199003074514;"
                                   "C4=#0.1;E4=@2004-08-15;A5=~张|三;AB5=#-3"),
                    false)
        << QStringLiteral("1:房屋代码||水费||日期\n2:A-101 ||#1234.5\n4:B-1|#1.101011990030745E+17|#0.1||#38214\n"
                          "5:张三|||||||||||||||||||||||||||#-3")
        << QString();
    QTest::newRow("xlsx: inline strings") << workbook(QStringLiteral("A1=房屋代码;B1=电费;A2=A-101;B2=#7"), true)
                                          << QStringLiteral("1:房屋代码|电费\n2:A-101|#7") << QString();
    QTest::newRow("csv UTF-8 with BOM: quotes, commas, line breaks in cells, blank rows") << bom
            + QStringLiteral("房屋代码,备注\r\n\"A-1,2\",\"说\"\"好\"\"\r\n下行\"\r\nB-1,\r\n\r\n,,\r\nC-1, x ")
                  .toUtf8() << QStringLiteral("1:房屋代码|备注\n2:A-1,2|说\"好\"\r\n下行\n4:B-1\n7:C-1| x ")
                                                                                          << QString();
    QTest::newRow("csv UTF-8 without BOM") << QStringLiteral("房屋代码,水费\nA-101,12\n").toUtf8()
                                           << QStringLiteral("1:房屋代码|水费\n2:A-101|12") << QString();
    QTest::newRow("csv GB18030") << QByteArray(
        QStringEncoder("GB18030")(QStringLiteral("房屋代码,水费\r\nＡ-101,１２\r\n")))
                                 << QStringLiteral("1:房屋代码|水费\n2:Ａ-101|１２") << QString();
    QTest::newRow("csv UTF-16 with BOM") << QByteArray("\xFF\xFE", 2)
            + QByteArray(reinterpret_cast<const char *>(u"a,b\nc,d"), 14)
                                         << QStringLiteral("1:a|b\n2:c|d") << QString();

    QTest::newRow("empty file") << QByteArray() << QString() << QStringLiteral("是空的");
    QTest::newRow("only a BOM and blank lines") << bom + "\r\n ,\r\n" << QString() << QStringLiteral("是空的");
    QTest::newRow("workbook without cells") << workbook(QString(), false) << QString() << QStringLiteral("是空的");
    QTest::newRow("unclosed quote") << QByteArray("a,b\nc,\"d\ne") << QString()
                                    << QStringLiteral("第 2 行的引号没有配对");
    QTest::newRow("binary file") << QByteArray("\x7F"
                                               "ELF\x02\x01\x01\x00\x00\x00",
                                               10)
                                 << QString() << QStringLiteral("既不是 Excel 工作簿（.xlsx），也不是 CSV");
    QTest::newRow("Excel 97-2003 file") << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1\x00\x00", 10) << QString()
                                        << QStringLiteral("Excel 97-2003");
    QTest::newRow("truncated workbook") << book.left(book.size() / 2) << QString() << QStringLiteral("已损坏");
    QTest::newRow("sheet damaged inside the zip") << damagedSheet(book) << QString() << QStringLiteral("已损坏");
    QTest::newRow("zip that is no workbook")
        << workbook(QString(), false).left(4) + QByteArray(200, 'x') << QString() << QStringLiteral("已损坏");
}

void TestSheetReader::readsRowsOrRefuses()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QFETCH(QString, refusal);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("抄表.xlsx"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();

    QList<SheetRow> rows;
    QString error;
    const bool ok = SheetReader::read(path, &rows, &error);
    if (refusal.isEmpty()) {
        QVERIFY2(ok, qPrintable(error));
        QCOMPARE(rendered(rows), expected);
    } else {
        QVERIFY(!ok);
        QVERIFY(rows.isEmpty());
        QVERIFY2(error.contains(refusal) && error.contains(QStringLiteral("“抄表.xlsx”")), qPrintable(error));
    }
}

QTEST_GUILESS_MAIN(TestSheetReader)
#include "tst_sheetreader.moc"
