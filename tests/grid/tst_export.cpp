#include "components/grid/core/exporttable.h"
#include "components/grid/core/exportwriters.h"

#include <QBuffer>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtEndian>
#include <QtTest>
#include <cstring>
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-input.h>

namespace {

// A table held in memory: stored values and the texts the grid shows.
struct SampleTable
{
    QVector<QVector<QVariant>> values;
    QVector<QVector<QString>> texts;
    ExportTable table;

    void finish()
    {
        table.rowCount = int(values.size());
        table.value = [this](int r, int c) { return values[r][c]; };
        table.text = [this](int r, int c) { return texts[r][c]; };
    }
};

const QString FarChar = QString::fromUcs4(U"\U00020000"); // beyond the basic plane

// Columns: 房屋代码 | 房屋|面积 | 房屋|楼层 | 业主名称 | 金额 | 缴费日期
std::unique_ptr<SampleTable> sample()
{
    auto s = std::make_unique<SampleTable>();
    s->table.titles = {QStringLiteral("房屋代码"), QStringLiteral("房屋|面积"), QStringLiteral("房屋|楼层"),
                       QStringLiteral("业主名称"), QStringLiteral("金额"),      QStringLiteral("缴费日期")};
    s->table.kinds = {FieldKind::Text, FieldKind::Number, FieldKind::Integer,
                      FieldKind::Text, FieldKind::Money,  FieldKind::Date};
    s->table.alignments = {Qt::AlignLeft, Qt::AlignRight, Qt::AlignRight, Qt::AlignLeft, Qt::AlignRight, Qt::AlignLeft};
    using V = QVariant;
    s->values = {{V(QStringLiteral("A-101")), V(88.5), V(3), V(QStringLiteral("张三, \"老\"\n李")), V(qint64(1234567)),
                  V(QStringLiteral("2004-08-15 00:00:00"))},
                 {V(QStringLiteral("B<2>&{x}\\")), V(100.0), V(12), V(QStringLiteral("王五") + FarChar),
                  V(qint64(-50000)), V()}};
    s->texts = {{QStringLiteral("A-101"), QStringLiteral("88.5"), QStringLiteral("3"),
                 QStringLiteral("张三, \"老\"\n李"), QStringLiteral("123.4567"), QStringLiteral("2004-08-15")},
                {QStringLiteral("B<2>&{x}\\"), QStringLiteral("100"), QStringLiteral("12"),
                 QStringLiteral("王五") + FarChar, QStringLiteral("-5.00"), QString()}};
    s->table.footer = {
        QStringLiteral("记录数"), QStringLiteral("2"), QString(), QString(), QStringLiteral("118.4567"), QString()};
    s->finish();
    return s;
}

QByteArray exported(ExportFormat format, const ExportTable &table)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QString error;
    if (!Export::write(format, table, &buffer, &error))
        qWarning() << "export failed:" << error;
    return buffer.data();
}

// RFC 4180 reader, splitting rows where a spreadsheet program would.
QVector<QStringList> parseCsv(const QString &text)
{
    QVector<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            row << field;
            field.clear();
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            // Outside quotes a spreadsheet program ends the row at a line feed and at a
            // carriage return alone, as well as at both together.
            row << field;
            rows << row;
            row.clear();
            field.clear();
            if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
        } else {
            field += c;
        }
    }
    return rows;
}

// The cell texts of an RTF document's table rows, \uN? and escapes decoded.
QVector<QStringList> parseRtfTable(const QByteArray &rtf)
{
    QVector<QStringList> rows;
    QStringList row;
    QString cell;
    qsizetype i = rtf.indexOf("\\trowd");
    bool inRowDefinition = false;
    while (i >= 0 && i < rtf.size()) {
        const char c = rtf[i];
        if (c == '\\') {
            const char n = rtf[i + 1];
            if (n == '\\' || n == '{' || n == '}') {
                cell += QLatin1Char(n);
                i += 2;
                continue;
            }
            qsizetype j = i + 1;
            while (j < rtf.size() && std::isalpha(uchar(rtf[j])))
                ++j;
            const QByteArray word = rtf.mid(i + 1, j - i - 1);
            qsizetype k = j;
            if (k < rtf.size() && rtf[k] == '-')
                ++k;
            while (k < rtf.size() && std::isdigit(uchar(rtf[k])))
                ++k;
            const QByteArray number = rtf.mid(j, k - j);
            if (k < rtf.size() && rtf[k] == ' ')
                ++k;
            if (word == "u") {
                cell += QChar(char16_t(quint16(qint16(number.toInt()))));
                if (rtf[k] == '?')
                    ++k;
            } else if (word == "trowd") {
                inRowDefinition = true;
            } else if (word == "pard") {
                inRowDefinition = false;
            } else if (word == "cell") {
                row << cell;
                cell.clear();
            } else if (word == "row") {
                rows << row;
                row.clear();
            } else if (word == "line") {
                cell += QLatin1Char('\n');
            }
            i = k;
        } else {
            if (c != '\r' && c != '\n' && c != '{' && c != '}' && !inRowDefinition)
                cell += QLatin1Char(c);
            ++i;
        }
    }
    return rows;
}

// What a BIFF8 stream holds: cells with their texts or numbers, number formats, merges.
struct Workbook
{
    QMap<QPair<int, int>, QVariant> cells; // (row, column) -> QString or double
    QMap<QPair<int, int>, QString> formats; // number format of each NUMBER cell
    QVector<QVector<int>> merges; // rowFirst, rowLast, colFirst, colLast
    QStringList strings;
    int continueRecords = 0;
    int dimensionRows = -1, dimensionColumns = -1;
    int codepage = 0;
    bool extSstOk = false;
    QString problem;
};

quint16 u16(const QByteArray &b, qsizetype at)
{
    return qFromLittleEndian<quint16>(b.constData() + at);
}
quint32 u32(const QByteArray &b, qsizetype at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}

QByteArray workbookStream(const QByteArray &file, QString *problem)
{
    GError *err = nullptr;
    GsfInput *input =
        gsf_input_memory_new(reinterpret_cast<const guint8 *>(file.constData()), gsf_off_t(file.size()), FALSE);
    GsfInfile *ole = gsf_infile_msole_new(input, &err);
    QByteArray stream;
    if (!ole) {
        *problem = QStringLiteral("not an OLE2 file");
        if (err)
            g_error_free(err);
    } else {
        GsfInput *child = gsf_infile_child_by_name(ole, "Workbook");
        if (!child) {
            *problem = QStringLiteral("no Workbook stream");
        } else {
            const gsf_off_t size = gsf_input_size(child);
            stream.resize(qsizetype(size));
            if (!gsf_input_read(child, size_t(size), reinterpret_cast<guint8 *>(stream.data())))
                *problem = QStringLiteral("cannot read Workbook");
            g_object_unref(child);
        }
        g_object_unref(ole);
    }
    g_object_unref(input);
    return stream;
}

Workbook readWorkbook(const QByteArray &file)
{
    Workbook book;
    const QByteArray s = workbookStream(file, &book.problem);
    if (!book.problem.isEmpty())
        return book;
    struct Rec
    {
        quint16 type;
        qsizetype offset;
        QByteArray data;
    };
    QVector<Rec> records;
    int eofs = 0;
    for (qsizetype at = 0; at + 4 <= s.size() && eofs < 2;) {
        const quint16 type = u16(s, at), length = u16(s, at + 2);
        records.append({type, at, s.mid(at + 4, length)});
        at += 4 + length;
        if (type == 0x000A)
            ++eofs;
    }
    if (eofs != 2) {
        book.problem = QStringLiteral("expected two EOF records");
        return book;
    }
    QMap<int, QString> formatCodes;
    QVector<int> xfFormats;
    QVector<qsizetype> stringOffsets; // stream position of each SST string
    for (qsizetype r = 0; r < records.size(); ++r) {
        const Rec &rec = records[r];
        const QByteArray &d = rec.data;
        switch (rec.type) {
        case 0x0042:
            book.codepage = u16(d, 0);
            break;
        case 0x041E: {
            const int count = u16(d, 2);
            formatCodes[u16(d, 0)] = d[4] ? QString(reinterpret_cast<const QChar *>(d.constData() + 5), count)
                                          : QString::fromLatin1(d.constData() + 5, count);
            break;
        }
        case 0x00E0:
            xfFormats.append(u16(d, 2));
            break;
        case 0x003C:
            ++book.continueRecords;
            break;
        case 0x00FC: {
            // The SST and its CONTINUE records, read as pieces.
            QVector<const Rec *> pieces {&rec};
            for (qsizetype n = r + 1; n < records.size() && records[n].type == 0x003C; ++n)
                pieces << &records[n];
            const quint32 unique = u32(d, 4);
            int piece = 0;
            qsizetype pos = 8;
            for (quint32 i = 0; i < unique; ++i) {
                if (pos == pieces[piece]->data.size()) {
                    ++piece;
                    pos = 0;
                }
                const QByteArray &p0 = pieces[piece]->data;
                stringOffsets << pieces[piece]->offset + 4 + pos;
                const int count = u16(p0, pos);
                bool wide = p0[pos + 2] & 1;
                pos += 3;
                QString text;
                while (text.size() < count) {
                    if (pos == pieces[piece]->data.size()) {
                        ++piece;
                        pos = 0;
                        wide = pieces[piece]->data[0] & 1;
                        pos = 1;
                    }
                    const QByteArray &p = pieces[piece]->data;
                    if (wide) {
                        text += QChar(u16(p, pos));
                        pos += 2;
                    } else {
                        text += QLatin1Char(p[pos]);
                        pos += 1;
                    }
                }
                book.strings << text;
            }
            break;
        }
        case 0x00FF: {
            const int perBucket = u16(d, 0);
            book.extSstOk = true;
            for (qsizetype b = 0; (2 + 8 * b) < d.size(); ++b) {
                const qsizetype index = b * perBucket;
                if (index >= stringOffsets.size() || u32(d, 2 + 8 * b) != stringOffsets[index])
                    book.extSstOk = false;
            }
            break;
        }
        case 0x0200:
            book.dimensionRows = int(u32(d, 4));
            book.dimensionColumns = u16(d, 10);
            break;
        case 0x00FD:
            book.cells[{u16(d, 0), u16(d, 2)}] = book.strings.value(int(u32(d, 6)));
            break;
        case 0x0203: {
            double v;
            std::memcpy(&v, d.constData() + 6, 8);
            book.cells[{u16(d, 0), u16(d, 2)}] = v;
            book.formats[{u16(d, 0), u16(d, 2)}] = formatCodes.value(xfFormats.value(u16(d, 4)));
            break;
        }
        case 0x00E5:
            for (int m = 0; m < u16(d, 0); ++m)
                book.merges.append({u16(d, 2 + 8 * m), u16(d, 4 + 8 * m), u16(d, 6 + 8 * m), u16(d, 8 + 8 * m)});
            break;
        }
    }
    return book;
}

QByteArray unzipped(const QString &zip, const QString &member)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), zip, member});
    unzip.waitForFinished(30000);
    return unzip.readAllStandardOutput();
}

struct XlsxSheet
{
    QMap<QString, QString> cells; // "B3" -> text or number
    QStringList merges;
    bool formulas = false;
    QString problem;
};

XlsxSheet readXlsx(const QString &path)
{
    XlsxSheet result;
    QMap<QString, QString> &cells = result.cells;
    QStringList &merges = result.merges;
    // Texts are either shared strings or written inline in the sheet.
    QStringList strings;
    QXmlStreamReader sst(unzipped(path, QStringLiteral("xl/sharedStrings.xml")));
    while (!sst.atEnd()) {
        sst.readNext();
        if (sst.isStartElement() && sst.name() == QLatin1String("t"))
            strings << sst.readElementText();
    }

    const QByteArray sheetXml = unzipped(path, QStringLiteral("xl/worksheets/sheet1.xml"));
    result.formulas = sheetXml.contains("<f>");
    if (!sheetXml.contains("<sheetData>"))
        result.problem = QStringLiteral("no sheet data");
    QXmlStreamReader sheet(sheetXml);
    QString ref, type;
    while (!sheet.atEnd()) {
        sheet.readNext();
        if (!sheet.isStartElement())
            continue;
        if (sheet.name() == QLatin1String("c")) {
            ref = sheet.attributes().value(QLatin1String("r")).toString();
            type = sheet.attributes().value(QLatin1String("t")).toString();
        } else if (sheet.name() == QLatin1String("v")) {
            const QString v = sheet.readElementText();
            cells[ref] = type == QLatin1String("s") ? strings.value(v.toInt()) : v;
        } else if (sheet.name() == QLatin1String("t") && type == QLatin1String("inlineStr")) {
            cells[ref] = sheet.readElementText();
        } else if (sheet.name() == QLatin1String("mergeCell")) {
            merges << sheet.attributes().value(QLatin1String("ref")).toString();
        }
    }
    if (sheet.hasError())
        result.problem = sheet.errorString();
    merges.sort();
    return result;
}

} // namespace

class TestExport : public QObject
{
    Q_OBJECT

private slots:
    void extensionRule_data();
    void extensionRule();
    void titleLayout();
    void serialDate_data();
    void serialDate();
    void footerCell_data();
    void footerCell();
    void csv();
    void text();
    void html();
    void rtf();
    void xls();
    void xlsLargeSharedStrings();
    void xlsLimits_data();
    void xlsLimits();
    void xlsx();
    void xlsxThreeTitleLevels();
    void writeFileReplacesOnlyWhenComplete();
    void writeFileToUnwritableFolder();
    void writeToClosedDevice();
    void formulasStayText_data();
    void formulasStayText();
    void htmlEscapesControlCharacters();
    void spreadsheetTextsWhole_data();
    void spreadsheetTextsWhole();
};

void TestExport::extensionRule_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("expected");
    QTest::newRow("txt kept") << "list.txt" << 1 << "list.txt";
    QTest::newRow("case ignored") << "list.TXT" << 1 << "list.TXT";
    QTest::newRow("no dot needed") << "abctxt" << 1 << "abctxt";
    QTest::newRow("xls appended") << "list" << 5 << "list.xls";
    QTest::newRow("other extension") << "list.csv" << 5 << "list.csv.xls";
    QTest::newRow("csv") << "业主资料明细表" << 2 << "业主资料明细表.csv";
    QTest::newRow("htm") << "a.HTM" << 3 << "a.HTM";
    QTest::newRow("html is not htm") << "a.html" << 3 << "a.html.htm";
    QTest::newRow("rtf") << "a" << 4 << "a.rtf";
    QTest::newRow("xlsx kept") << "book.XLSX" << 6 << "book.XLSX";
    QTest::newRow("xls is not xlsx") << "book.xls" << 6 << "book.xls.xlsx";
    QTest::newRow("short name") << "xs" << 5 << "xs.xls";
}

void TestExport::extensionRule()
{
    QFETCH(QString, name);
    QFETCH(int, format);
    QFETCH(QString, expected);
    QCOMPARE(Export::withExtension(name, ExportFormat(format)), expected);
}

void TestExport::titleLayout()
{
    using ExportWriters::TitleCell;
    const auto layout = ExportWriters::titleLayout({QStringLiteral("代码"), QStringLiteral("房屋|面积"),
                                                    QStringLiteral("房屋|楼层"), QStringLiteral("费用|房屋|x"),
                                                    QStringLiteral("费用|车位|y"), QStringLiteral("费用|车位|z")});
    QCOMPARE(layout.rows, 3);
    QStringList cells;
    for (const TitleCell &c : layout.cells)
        cells << QStringLiteral("%1@%2,%3 %4x%5").arg(c.text).arg(c.row).arg(c.column).arg(c.rowSpan).arg(c.columnSpan);
    QCOMPARE(cells,
             QStringList({"代码@0,0 3x1", "房屋@0,1 1x2", "费用@0,3 1x3", "面积@1,1 2x1", "楼层@1,2 2x1",
                          "房屋@1,3 1x1", "车位@1,4 1x2", "x@2,3 1x1", "y@2,4 1x1", "z@2,5 1x1"}));
    QCOMPARE(layout.flatRow(1), QStringList({"", "面积", "楼层", "房屋", "车位", ""}));
    QCOMPARE(ExportWriters::titleLayout({QStringLiteral("a"), QStringLiteral("b")}).rows, 1);
}

void TestExport::serialDate_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("serial");
    QTest::newRow("date") << "2004-08-15 00:00:00" << true << 38214.0;
    QTest::newRow("date only") << "2004-08-15" << true << 38214.0;
    QTest::newRow("noon") << "2004-08-15 12:00:00" << true << 38214.5;
    QTest::newRow("iso separator") << "2004-08-15T06:00:00" << true << 38214.25;
    QTest::newRow("first day counted alike") << "1900-03-01" << true << 61.0;
    QTest::newRow("before March 1900") << "1900-02-28" << false << 0.0;
    QTest::newRow("no such day") << "2004-02-30 00:00:00" << false << 0.0;
    QTest::newRow("bad time") << "2004-08-15 24:00:00" << false << 0.0;
    QTest::newRow("not a date") << "2004/08/15" << false << 0.0;
    QTest::newRow("empty") << "" << false << 0.0;
}

void TestExport::serialDate()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(double, serial);
    double result = -1;
    QCOMPARE(ExportWriters::serialDate(text, &result), ok);
    if (ok)
        QCOMPARE(result, serial);
}

void TestExport::footerCell_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("number");
    QTest::addColumn<double>("value");
    QTest::newRow("money sum") << int(FieldKind::Money) << "1,234.5678" << true << 1234.5678;
    QTest::newRow("negative money") << int(FieldKind::Money) << "-3.25" << true << -3.25;
    QTest::newRow("number sum") << int(FieldKind::Number) << "12,000.5" << true << 12000.5;
    QTest::newRow("count in a text column") << int(FieldKind::Text) << "125" << true << 125.0;
    QTest::newRow("static text") << int(FieldKind::Text) << "记录数" << false << 0.0;
    QTest::newRow("code with leading zero") << int(FieldKind::Text) << "0101" << false << 0.0;
    QTest::newRow("text in a money column") << int(FieldKind::Money) << "合计" << false << 0.0;
    QTest::newRow("empty") << int(FieldKind::Money) << "" << false << 0.0;
}

void TestExport::footerCell()
{
    QFETCH(int, kind);
    QFETCH(QString, text);
    QFETCH(bool, number);
    QFETCH(double, value);
    ExportTable table;
    table.titles = {QStringLiteral("a")};
    table.kinds = {FieldKind(kind)};
    table.footer = {text};
    const auto cell = ExportWriters::footerCell(table, 0);
    QCOMPARE(cell.type == ExportWriters::SheetCell::Type::Number, number);
    if (number)
        QCOMPARE(cell.number, value);
    else
        QCOMPARE(cell.text, text);
}

void TestExport::csv()
{
    const auto s = sample();
    const QByteArray bytes = exported(ExportFormat::Csv, s->table);
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    QVERIFY(bytes.endsWith("\r\n"));
    const auto rows = parseCsv(QString::fromUtf8(bytes.mid(3)));
    QCOMPARE(rows.size(), 5);
    QCOMPARE(rows[0], QStringList({"房屋代码", "房屋", "", "业主名称", "金额", "缴费日期"}));
    QCOMPARE(rows[1], QStringList({"", "面积", "楼层", "", "", ""}));
    QCOMPARE(rows[2], QStringList({"A-101", "88.5", "3", "张三, \"老\"\n李", "123.4567", "2004-08-15"}));
    QCOMPARE(rows[3][3], QStringLiteral("王五") + FarChar);
    QCOMPARE(rows[4], QStringList({"记录数", "2", "", "", "118.4567", ""}));
    QVERIFY(bytes.contains("\"张三, \"\"老\"\"\n李\""));
}

void TestExport::text()
{
    auto s = sample();
    s->texts[0][0] = QStringLiteral("A\t1");
    const QByteArray bytes = exported(ExportFormat::Text, s->table);
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    QStringList lines = QString::fromUtf8(bytes.mid(3)).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.takeLast(), QString());
    QCOMPARE(lines.size(), 5);
    QCOMPARE(lines[0].split(QLatin1Char('\t')), QStringList({"房屋代码", "房屋", "", "业主名称", "金额", "缴费日期"}));
    QCOMPARE(lines[2].split(QLatin1Char('\t')),
             QStringList({"A 1", "88.5", "3", "张三, \"老\" 李", "123.4567", "2004-08-15"}));
    QCOMPARE(lines[4].split(QLatin1Char('\t')), QStringList({"记录数", "2", "", "", "118.4567", ""}));
}

void TestExport::html()
{
    const auto s = sample();
    const QByteArray bytes = exported(ExportFormat::Html, s->table);
    QVERIFY(bytes.contains("<meta charset=\"utf-8\"/>"));
    QXmlStreamReader xml(bytes);
    QVector<QStringList> rows;
    QStringList spans;
    QString cell;
    bool inCell = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("tr")) {
            rows.append(QStringList());
        } else if (xml.isStartElement() && (xml.name() == QLatin1String("td") || xml.name() == QLatin1String("th"))) {
            inCell = true;
            cell.clear();
            const auto a = xml.attributes();
            if (a.hasAttribute(QLatin1String("colspan")) || a.hasAttribute(QLatin1String("rowspan")))
                spans << QStringLiteral("r%1c%2").arg(a.value(QLatin1String("rowspan")).toString(),
                                                      a.value(QLatin1String("colspan")).toString());
        } else if (xml.isStartElement() && xml.name() == QLatin1String("br")) {
            cell += QLatin1Char('\n');
        } else if (xml.isCharacters() && inCell) {
            cell += xml.text();
        } else if (xml.isEndElement() && (xml.name() == QLatin1String("td") || xml.name() == QLatin1String("th"))) {
            inCell = false;
            rows.last() << cell;
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QCOMPARE(rows.size(), 5);
    QCOMPARE(rows[0], QStringList({"房屋代码", "房屋", "业主名称", "金额", "缴费日期"}));
    QCOMPARE(rows[1], QStringList({"面积", "楼层"}));
    QCOMPARE(spans, QStringList({"r2c", "rc2", "r2c", "r2c", "r2c"}));
    QCOMPARE(rows[2][3], QStringLiteral("张三, \"老\"\n李"));
    QCOMPARE(rows[3][0], QStringLiteral("B<2>&{x}\\"));
    QCOMPARE(rows[4][0], QStringLiteral("记录数"));
    // Spreadsheets drop the rows of a <tfoot>: the footer is the last row of the body.
    QVERIFY(!bytes.contains("<tfoot"));
    QVERIFY(bytes.indexOf("记录数") < bytes.indexOf("</tbody>"));
    QVERIFY(bytes.indexOf("记录数") > bytes.indexOf("<tbody>"));
    QVERIFY(bytes.contains("B&lt;2&gt;&amp;{x}"));
    QVERIFY(bytes.contains("&quot;老&quot;"));
}

void TestExport::rtf()
{
    const auto s = sample();
    const QByteArray bytes = exported(ExportFormat::Rtf, s->table);
    QVERIFY(bytes.startsWith("{\\rtf1\\ansi\\ansicpg936"));
    QVERIFY(bytes.contains("\\fcharset134"));
    for (char c : bytes)
        QVERIFY(uchar(c) < 0x80);
    QCOMPARE(bytes.count('{') - bytes.count("\\{"), bytes.count('}') - bytes.count("\\}"));
    QVERIFY(bytes.contains("\\u-10176?\\u-9216?")); // U+20000 as its surrogate pair
    QVERIFY(bytes.contains("\\clmgf") && bytes.contains("\\clmrg") && bytes.contains("\\clvmgf"));
    const auto rows = parseRtfTable(bytes);
    QCOMPARE(rows.size(), 5);
    QCOMPARE(rows[0], QStringList({"房屋代码", "房屋", "", "业主名称", "金额", "缴费日期"}));
    QCOMPARE(rows[1], QStringList({"", "面积", "楼层", "", "", ""}));
    QCOMPARE(rows[2], QStringList({"A-101", "88.5", "3", "张三, \"老\"\n李", "123.4567", "2004-08-15"}));
    QCOMPARE(rows[3][0], QStringLiteral("B<2>&{x}\\"));
    QCOMPARE(rows[3][3], QStringLiteral("王五") + FarChar);
    QCOMPARE(rows[4], QStringList({"记录数", "2", "", "", "118.4567", ""}));
}

void TestExport::xls()
{
    const auto s = sample();
    const Workbook book = readWorkbook(exported(ExportFormat::Xls, s->table));
    QVERIFY2(book.problem.isEmpty(), qPrintable(book.problem));
    QCOMPARE(book.codepage, 1200);
    QCOMPARE(book.dimensionRows, 5);
    QCOMPARE(book.dimensionColumns, 6);
    auto at = [&](int r, int c) { return book.cells.value({r, c}); };
    QCOMPARE(at(0, 0).toString(), QStringLiteral("房屋代码"));
    QCOMPARE(at(0, 1).toString(), QStringLiteral("房屋"));
    QCOMPARE(at(1, 2).toString(), QStringLiteral("楼层"));
    QCOMPARE(book.merges,
             QVector<QVector<int>>({{0, 1, 0, 0}, {0, 0, 1, 2}, {0, 1, 3, 3}, {0, 1, 4, 4}, {0, 1, 5, 5}}));
    QCOMPARE(at(2, 0).toString(), QStringLiteral("A-101"));
    QCOMPARE(at(2, 1).typeId(), QMetaType::Double);
    QCOMPARE(at(2, 1).toDouble(), 88.5);
    QCOMPARE(at(2, 2).toDouble(), 3.0);
    QCOMPARE(at(2, 3).toString(), QStringLiteral("张三, \"老\"\n李"));
    QCOMPARE(at(2, 4).toDouble(), 123.4567);
    QCOMPARE(book.formats.value({2, 4}), QStringLiteral("0.00##"));
    QCOMPARE(at(2, 5).toDouble(), 38214.0); // 2004-08-15
    QCOMPARE(book.formats.value({2, 5}), QStringLiteral("yyyy-mm-dd"));
    QCOMPARE(at(3, 3).toString(), QStringLiteral("王五") + FarChar);
    QCOMPARE(at(3, 4).toDouble(), -5.0);
    QVERIFY(!book.cells.contains({3, 5})); // no date stored
    QCOMPARE(at(4, 0).toString(), QStringLiteral("记录数"));
    QCOMPARE(at(4, 1).typeId(), QMetaType::Double);
    QCOMPARE(at(4, 4).toDouble(), 118.4567);
    QCOMPARE(book.formats.value({4, 4}), QStringLiteral("0.00##"));
    QVERIFY(book.extSstOk);
}

void TestExport::xlsLargeSharedStrings()
{
    SampleTable s;
    s.table.titles = {QStringLiteral("名称")};
    s.table.kinds = {FieldKind::Text};
    for (int i = 0; i < 10000; ++i)
        s.texts.append({QStringLiteral("住户%1号楼").arg(i) + (i % 3 ? QStringLiteral("室") : QString())});
    s.texts[5000][0] = QString(5000, QChar(0x623F)) + QStringLiteral("end"); // longer than a record
    s.texts[7000][0] = QString(9000, QLatin1Char('x')); // one byte per character
    s.values.resize(s.texts.size(), {QVariant()});
    s.finish();
    const Workbook book = readWorkbook(exported(ExportFormat::Xls, s.table));
    QVERIFY2(book.problem.isEmpty(), qPrintable(book.problem));
    QVERIFY(book.continueRecords > 20);
    QCOMPARE(book.strings.size(), 10001);
    for (int i = 0; i < 10000; ++i)
        QCOMPARE(book.cells.value({i + 1, 0}).toString(), s.texts[i][0]);
    QVERIFY(book.extSstOk);
}

void TestExport::xlsLimits_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("columns");
    QTest::addColumn<bool>("footer");
    QTest::addColumn<QString>("error");
    const QString tooManyRows =
        QStringLiteral("导出的行数超过了 Excel 97-2003 工作簿的上限 65536 行，请选择 Excel 2007 工作簿 (*.xlsx)。");
    QTest::newRow("last row fits") << 65535 << 1 << false << QString();
    QTest::newRow("title makes one row too many") << 65536 << 1 << false << tooManyRows;
    QTest::newRow("footer makes one row too many") << 65535 << 1 << true << tooManyRows;
    QTest::newRow("256 columns") << 2 << 256 << false << QString();
    QTest::newRow("257 columns")
        << 2 << 257 << false
        << QStringLiteral("导出的列数超过了 Excel 97-2003 工作簿的上限 256 列，请选择 Excel 2007 工作簿 (*.xlsx)。");
}

void TestExport::xlsLimits()
{
    QFETCH(int, rows);
    QFETCH(int, columns);
    QFETCH(bool, footer);
    QFETCH(QString, error);
    ExportTable table;
    for (int c = 0; c < columns; ++c)
        table.titles << QStringLiteral("列%1").arg(c);
    table.kinds = QVector<FieldKind>(columns, FieldKind::Integer);
    table.rowCount = rows;
    table.value = [](int r, int c) { return QVariant(r + c); };
    table.text = [](int r, int c) { return QString::number(r + c); };
    if (footer)
        table.footer = QStringList(columns, QStringLiteral("合计"));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QString message;
    QCOMPARE(Export::write(ExportFormat::Xls, table, &buffer, &message), error.isEmpty());
    QCOMPARE(message, error);
    if (error.isEmpty()) {
        const Workbook book = readWorkbook(buffer.data());
        QCOMPARE(book.dimensionRows, rows + 1);
        QCOMPARE(book.cells.value({rows, columns - 1}).toDouble(), double(rows - 1 + columns - 1));
    } else {
        QVERIFY(buffer.data().isEmpty());
    }
}

void TestExport::xlsx()
{
    if (QStandardPaths::findExecutable(QStringLiteral("unzip")).isEmpty())
        QSKIP("unzip is not installed");
    const auto s = sample();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.xlsx"));
    QString error;
    QVERIFY2(Export::writeFile(ExportFormat::Xlsx, s->table, path, &error), qPrintable(error));

    const XlsxSheet book = readXlsx(path);
    QVERIFY2(book.problem.isEmpty(), qPrintable(book.problem));
    QVERIFY(!book.formulas);
    const auto &cells = book.cells;
    const auto &merges = book.merges;
    QCOMPARE(merges, QStringList({"A1:A2", "B1:C1", "D1:D2", "E1:E2", "F1:F2"}));
    QCOMPARE(cells.value("A1"), QStringLiteral("房屋代码"));
    QCOMPARE(cells.value("B1"), QStringLiteral("房屋"));
    QCOMPARE(cells.value("C2"), QStringLiteral("楼层"));
    QCOMPARE(cells.value("D3"), QStringLiteral("张三, \"老\"\n李"));
    QCOMPARE(cells.value("B3").toDouble(), 88.5);
    QCOMPARE(cells.value("E3").toDouble(), 123.4567);
    QCOMPARE(cells.value("F3").toDouble(), 38214.0);
    QCOMPARE(cells.value("D4"), QStringLiteral("王五") + FarChar);
    QCOMPARE(cells.value("E4").toDouble(), -5.0);
    QCOMPARE(cells.value("A5"), QStringLiteral("记录数"));
    QCOMPARE(cells.value("E5").toDouble(), 118.4567);
    QVERIFY(unzipped(path, QStringLiteral("xl/styles.xml")).contains("formatCode=\"0.00##\""));
}

void TestExport::xlsxThreeTitleLevels()
{
    if (QStandardPaths::findExecutable(QStringLiteral("unzip")).isEmpty())
        QSKIP("unzip is not installed");
    SampleTable s;
    s.table.titles = {QStringLiteral("代码"), QStringLiteral("费用|房屋|物业费"), QStringLiteral("费用|车位|停车费"),
                      QStringLiteral("费用|车位|租金")};
    s.values = {{QVariant(QStringLiteral("A")), QVariant(1), QVariant(2), QVariant(3)}};
    s.texts = {{QStringLiteral("A"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}};
    s.finish();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.xlsx"));
    QString error;
    QVERIFY2(Export::writeFile(ExportFormat::Xlsx, s.table, path, &error), qPrintable(error));
    const XlsxSheet book = readXlsx(path);
    QVERIFY2(book.problem.isEmpty(), qPrintable(book.problem));
    QCOMPARE(book.merges, QStringList({"A1:A3", "B1:D1", "C2:D2"}));
    QCOMPARE(book.cells.value("A1"), QStringLiteral("代码"));
    QCOMPARE(book.cells.value("B1"), QStringLiteral("费用"));
    QCOMPARE(book.cells.value("B2"), QStringLiteral("房屋"));
    QCOMPARE(book.cells.value("C2"), QStringLiteral("车位"));
    QCOMPARE(book.cells.value("D3"), QStringLiteral("租金"));
    QCOMPARE(book.cells.value("A4"), QStringLiteral("A"));
}

void TestExport::writeFileReplacesOnlyWhenComplete()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("清单.xls"));
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old contents");
    }
    ExportTable tooLong;
    tooLong.titles = {QStringLiteral("a")};
    tooLong.rowCount = 70000;
    tooLong.value = [](int, int) { return QVariant(1); };
    tooLong.text = [](int, int) { return QStringLiteral("1"); };
    QString error;
    QVERIFY(!Export::writeFile(ExportFormat::Xls, tooLong, path, &error));
    QVERIFY(error.contains(QStringLiteral("65536")));
    QFile check(path);
    QVERIFY(check.open(QIODevice::ReadOnly));
    QCOMPARE(check.readAll(), QByteArray("old contents"));
    check.close();
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({QStringLiteral("清单.xls")}));

    const auto s = sample();
    QVERIFY2(Export::writeFile(ExportFormat::Xls, s->table, path, &error), qPrintable(error));
    QVERIFY(check.open(QIODevice::ReadOnly));
    const Workbook book = readWorkbook(check.readAll());
    QVERIFY2(book.problem.isEmpty(), qPrintable(book.problem));
    QCOMPARE(book.cells.value({2, 0}).toString(), QStringLiteral("A-101"));
}

void TestExport::writeFileToUnwritableFolder()
{
    // A folder path that runs through a plain file cannot be written, whoever runs the test.
    QTemporaryDir dir;
    QFile blocker(dir.filePath(QStringLiteral("blocker")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString path = dir.filePath(QStringLiteral("blocker/清单.csv"));
    const auto s = sample();
    for (ExportFormat format : {ExportFormat::Csv, ExportFormat::Xls, ExportFormat::Xlsx}) {
        QString error;
        QVERIFY(!Export::writeFile(format, s->table, path, &error));
        QVERIFY2(error.startsWith(QStringLiteral("不能写入文件 ") + path + QStringLiteral("：")), qPrintable(error));
        QVERIFY(!QFile::exists(path));
    }
}

void TestExport::writeToClosedDevice()
{
    const auto s = sample();
    QBuffer closed;
    QString error;
    QVERIFY(!Export::write(ExportFormat::Csv, s->table, &closed, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!Export::write(ExportFormat(9), s->table, &closed, &error));
}

// A table whose texts would be formulas in a spreadsheet, beside a money and a number column.
static std::unique_ptr<SampleTable> hostile()
{
    auto s = std::make_unique<SampleTable>();
    s->table.titles = {QStringLiteral("=标题"), QStringLiteral("金额"), QStringLiteral("面积")};
    s->table.kinds = {FieldKind::Text, FieldKind::Money, FieldKind::Number};
    const QStringList texts = {QStringLiteral("=HYPERLINK(\"http://x\",\"点\")"),
                               QStringLiteral("+86 123"),
                               QStringLiteral("-3"),
                               QStringLiteral("@SUM(A1)"),
                               QStringLiteral("\t=1+1"),
                               QStringLiteral("\r=2+2"),
                               QStringLiteral("普通"),
                               QStringLiteral("a=1"),
                               QStringLiteral("a\rb")}; // a carriage return alone splits an unquoted row
    for (const QString &t : texts) {
        s->values.append({QVariant(t), QVariant(qint64(-32500)), QVariant(-2.5)});
        s->texts.append({t, QStringLiteral("-3.25"), QStringLiteral("-2.5")});
    }
    s->table.footer = {QStringLiteral("=1+1"), QStringLiteral("-26"), QStringLiteral("-20")};
    s->finish();
    return s;
}

// In csv and txt a text that a spreadsheet would take as a formula gets the usual leading
// apostrophe; numbers and ordinary texts are written as they are.
void TestExport::formulasStayText_data()
{
    QTest::addColumn<int>("format");
    QTest::newRow("csv") << int(ExportFormat::Csv);
    QTest::newRow("txt") << int(ExportFormat::Text);
}

void TestExport::formulasStayText()
{
    QFETCH(int, format);
    const auto s = hostile();
    const QString text = QString::fromUtf8(exported(ExportFormat(format), s->table).mid(3));
    QVector<QStringList> rows;
    if (ExportFormat(format) == ExportFormat::Csv) {
        rows = parseCsv(text);
    } else {
        for (const QString &line : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
            rows << line.split(QLatin1Char('\t'));
    }
    QCOMPARE(rows.size(), 11);
    QCOMPARE(rows[0], QStringList({"'=标题", "金额", "面积"}));
    const bool flat = ExportFormat(format) == ExportFormat::Text; // tabs and line ends become blanks
    const QStringList expected = {QStringLiteral("'=HYPERLINK(\"http://x\",\"点\")"),
                                  QStringLiteral("'+86 123"),
                                  QStringLiteral("'-3"),
                                  QStringLiteral("'@SUM(A1)"),
                                  flat ? QStringLiteral("' =1+1") : QStringLiteral("'\t=1+1"),
                                  flat ? QStringLiteral("' =2+2") : QStringLiteral("'\r=2+2"),
                                  QStringLiteral("普通"),
                                  QStringLiteral("a=1"),
                                  flat ? QStringLiteral("a b") : QStringLiteral("a\rb")};
    for (int i = 0; i < expected.size(); ++i) {
        QCOMPARE(rows[i + 1], QStringList({expected[i], "-3.25", "-2.5"}));
    }
    QCOMPARE(rows[10], QStringList({"'=1+1", "-26", "-20"}));
}

void TestExport::htmlEscapesControlCharacters()
{
    SampleTable s;
    s.table.titles = {QStringLiteral("备注")};
    s.table.kinds = {FieldKind::Text};
    const QString odd = QStringLiteral("前") + QChar(0) + QChar(1) + QChar(0x1b) + QChar(0x7f) + QStringLiteral("后");
    s.values = {{QVariant(odd)}};
    s.texts = {{odd}};
    s.finish();
    const QByteArray bytes = exported(ExportFormat::Html, s.table);
    for (const char c : bytes) {
        QVERIFY2(uchar(c) >= 0x20 || c == '\r' || c == '\n' || c == '\t', qPrintable(QString::number(uchar(c))));
    }
    QXmlStreamReader xml(bytes);
    QString cell;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("td"))
            cell = xml.readElementText();
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QVERIFY2(cell.startsWith(QStringLiteral("前")) && cell.endsWith(QStringLiteral("后")) && cell.size() == 6,
             qPrintable(cell));
}

// Spreadsheet cells hold every character up to their limit: a NUL does not end the text, and
// a text beyond 32,767 characters is cut with a warning that names its row.
void TestExport::spreadsheetTextsWhole_data()
{
    QTest::addColumn<int>("format");
    QTest::newRow("xls") << int(ExportFormat::Xls);
    QTest::newRow("xlsx") << int(ExportFormat::Xlsx);
}

void TestExport::spreadsheetTextsWhole()
{
    QFETCH(int, format);
    if (ExportFormat(format) == ExportFormat::Xlsx && QStandardPaths::findExecutable(QStringLiteral("unzip")).isEmpty())
        QSKIP("unzip is not installed");
    SampleTable s;
    s.table.titles = {QStringLiteral("备注")};
    s.table.kinds = {FieldKind::Text};
    const QString withNul = QStringLiteral("前") + QChar(0) + QStringLiteral("后");
    const QString tooLong = QString(40000, QLatin1Char('x'));
    s.values = {{QVariant(withNul)}, {QVariant(QStringLiteral("短"))}, {QVariant(tooLong)}};
    s.texts = {{withNul}, {QStringLiteral("短")}, {tooLong}};
    s.finish();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.") + Export::extension(ExportFormat(format)));
    QString error;
    QStringList warnings;
    QVERIFY2(Export::writeFile(ExportFormat(format), s.table, path, &error, &warnings), qPrintable(error));
    QCOMPARE(warnings.size(), 1);
    QVERIFY2(warnings[0].contains(QStringLiteral("第 3 行")) && warnings[0].contains(QStringLiteral("32767")),
             qPrintable(warnings[0]));

    QString first, last;
    if (ExportFormat(format) == ExportFormat::Xlsx) {
        const XlsxSheet book = readXlsx(path);
        QVERIFY2(book.problem.isEmpty(), qPrintable(book.problem));
        first = book.cells.value(QStringLiteral("A2"));
        last = book.cells.value(QStringLiteral("A4"));
    } else {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const Workbook book = readWorkbook(f.readAll());
        QVERIFY2(book.problem.isEmpty(), qPrintable(book.problem));
        first = book.cells.value({1, 0}).toString();
        last = book.cells.value({3, 0}).toString();
    }
    QVERIFY2(first.startsWith(QStringLiteral("前")) && first.endsWith(QStringLiteral("后")), qPrintable(first));
    QCOMPARE(last.size(), 32767);
}

QTEST_GUILESS_MAIN(TestExport)
#include "tst_export.moc"
