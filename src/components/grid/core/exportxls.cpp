// Excel 97-2003 workbooks: our own BIFF8 "Workbook" stream (one sheet) inside an OLE2
// compound file made by libgsf.

#include "components/grid/core/exportwriters.h"

#include <QHash>
#include <QIODevice>
#include <QtEndian>
#include <cstring>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-output.h>

namespace ExportWriters {

namespace {

constexpr int MaxRows = 65536;
constexpr int MaxColumns = 256;
constexpr qsizetype MaxRecordData = 8224;
constexpr int MergesPerRecord = 1026;

enum Record : quint16 {
    Bof = 0x0809,
    Eof = 0x000A,
    Codepage = 0x0042,
    Window1 = 0x003D,
    DateMode = 0x0022,
    Font = 0x0031,
    Format = 0x041E,
    Xf = 0x00E0,
    Style = 0x0293,
    BoundSheet = 0x0085,
    Sst = 0x00FC,
    Continue = 0x003C,
    ExtSst = 0x00FF,
    ColInfo = 0x007D,
    Dimensions = 0x0200,
    LabelSst = 0x00FD,
    Number = 0x0203,
    Blank = 0x0201,
    Window2 = 0x023E,
    MergedCells = 0x00E5,
};

// Cell formats (XF indexes after the fifteen style XFs) and their number formats.
enum CellXf : quint16 { XfGeneral = 15, XfMoney, XfDate, XfDateTime, XfTitle };
constexpr quint16 FormatMoney = 164, FormatDate = 165, FormatDateTime = 166;
constexpr quint16 BoldFont = 5; // font index 4 does not exist in BIFF

void put8(QByteArray &b, quint8 v)
{
    b.append(char(v));
}
void put16(QByteArray &b, quint16 v)
{
    const char bytes[2] = {char(v & 0xFF), char(v >> 8)};
    b.append(bytes, 2);
}
void put32(QByteArray &b, quint32 v)
{
    char bytes[4];
    qToLittleEndian(v, bytes);
    b.append(bytes, 4);
}
void putDouble(QByteArray &b, double v)
{
    quint64 bits;
    std::memcpy(&bits, &v, sizeof bits);
    char bytes[8];
    qToLittleEndian(bits, bytes);
    b.append(bytes, 8);
}
void header(QByteArray &b, quint16 type, quint16 length)
{
    put16(b, type);
    put16(b, length);
}
void patch16(QByteArray &b, qsizetype at, quint16 v)
{
    b[at] = char(v & 0xFF);
    b[at + 1] = char(v >> 8);
}
void patch32(QByteArray &b, qsizetype at, quint32 v)
{
    qToLittleEndian(v, b.data() + at);
}

// A string with a one- or two-byte character count, always stored as UTF-16.
QByteArray unicodeString(const QString &text, bool shortCount)
{
    QByteArray b;
    if (shortCount)
        put8(b, quint8(text.size()));
    else
        put16(b, quint16(text.size()));
    put8(b, 1);
    for (QChar c : text)
        put16(b, c.unicode());
    return b;
}

void simpleRecord(QByteArray &b, quint16 type, const QByteArray &data)
{
    header(b, type, quint16(data.size()));
    b += data;
}

void bof(QByteArray &b, quint16 substream)
{
    header(b, Bof, 16);
    put16(b, 0x0600); // BIFF8
    put16(b, substream); // 0x0005 workbook globals, 0x0010 worksheet
    put16(b, 0x0DBB); // build
    put16(b, 0x07CC); // year
    put32(b, 0);
    put32(b, 0x00000006); // lowest version that can read the file
}

void font(QByteArray &b, bool bold)
{
    QByteArray d;
    put16(d, 200); // height in twips: 10 points
    put16(d, 0);
    put16(d, 0x7FFF); // automatic colour
    put16(d, bold ? 700 : 400);
    put16(d, 0);
    put8(d, 0);
    put8(d, 0);
    put8(d, 134); // GB2312 character set
    put8(d, 0);
    d += unicodeString(QStringLiteral("宋体"), true);
    simpleRecord(b, Font, d);
}

void format(QByteArray &b, quint16 index, const QString &code)
{
    QByteArray d;
    put16(d, index);
    d += unicodeString(code, false);
    simpleRecord(b, Format, d);
}

void xf(QByteArray &b, quint16 font, quint16 numberFormat, bool style, quint8 alignment, bool borders)
{
    header(b, Xf, 20);
    put16(b, font);
    put16(b, numberFormat);
    put16(b, style ? 0xFFF5 : 0x0001); // locked; a style XF has no parent
    put8(b, alignment);
    put8(b, 0); // rotation
    put8(b, 0); // indent, shrink, merge, reading order
    put8(b, style ? 0x00 : 0xFC); // which attributes this XF sets
    constexpr quint32 automatic = 64;
    if (borders) {
        put32(b, 0x1111 | automatic << 16 | automatic << 23); // thin on all four sides
        put32(b, automatic | automatic << 7);
    } else {
        put32(b, 0);
        put32(b, 0);
    }
    put16(b, 0x20C0); // pattern colours: automatic, no fill
}

// The shared-string table: each distinct text once, cells refer to it by index.
class SharedStrings
{
public:
    quint32 add(const QString &text)
    {
        ++m_references;
        const auto found = m_index.constFind(text);
        if (found != m_index.constEnd())
            return *found;
        const quint32 index = quint32(m_strings.size());
        m_index.insert(text, index);
        m_strings.append(text);
        return index;
    }

    // SST with CONTINUE records where it passes the record size, then EXTSST, whose buckets
    // point at every n-th string by its position in the stream (the stream starts with b).
    void write(QByteArray &b) const
    {
        const int unique = int(m_strings.size());
        const int perBucket = std::max(8, unique / 128 + 1);
        QVector<QPair<quint32, quint16>> buckets;

        qsizetype recordStart = b.size();
        header(b, Sst, 0);
        put32(b, m_references);
        put32(b, quint32(unique));
        auto used = [&] { return b.size() - recordStart - 4; };
        auto startContinue = [&] {
            patch16(b, recordStart + 2, quint16(used()));
            recordStart = b.size();
            header(b, Continue, 0);
        };
        for (int i = 0; i < unique; ++i) {
            const QString &text = m_strings[i];
            bool compressed = true;
            for (QChar c : text)
                compressed = compressed && c.unicode() < 0x100;
            const int charSize = compressed ? 1 : 2;
            // The character count and flags never part from the first character.
            if (MaxRecordData - used() < 3 + charSize)
                startContinue();
            if (i % perBucket == 0)
                buckets.append({quint32(b.size()), quint16(b.size() - recordStart)});
            put16(b, quint16(text.size()));
            put8(b, compressed ? 0 : 1);
            qsizetype done = 0;
            while (done < text.size()) {
                const qsizetype room = (MaxRecordData - used()) / charSize;
                if (room == 0) {
                    startContinue();
                    put8(b, compressed ? 0 : 1); // a continued string repeats its flags
                    continue;
                }
                const qsizetype end = std::min(text.size(), done + room);
                for (qsizetype k = done; k < end; ++k) {
                    if (compressed)
                        put8(b, quint8(text[k].unicode()));
                    else
                        put16(b, text[k].unicode());
                }
                done = end;
            }
        }
        patch16(b, recordStart + 2, quint16(used()));

        header(b, ExtSst, quint16(2 + 8 * buckets.size()));
        put16(b, quint16(perBucket));
        for (const auto &bucket : buckets) {
            put32(b, bucket.first);
            put16(b, bucket.second);
            put16(b, 0);
        }
    }

private:
    QHash<QString, quint32> m_index;
    QStringList m_strings;
    quint32 m_references = 0;
};

class SheetWriter
{
public:
    SheetWriter(QByteArray &sheet, SharedStrings &strings)
        : m_sheet(sheet)
        , m_strings(strings)
    { }

    void text(int row, int column, const QString &text, quint16 xf)
    {
        header(m_sheet, LabelSst, 10);
        put16(m_sheet, quint16(row));
        put16(m_sheet, quint16(column));
        put16(m_sheet, xf);
        put32(m_sheet, m_strings.add(text.left(LongTexts::MaxCellText)));
    }
    void number(int row, int column, double value, quint16 xf)
    {
        header(m_sheet, Number, 14);
        put16(m_sheet, quint16(row));
        put16(m_sheet, quint16(column));
        put16(m_sheet, xf);
        putDouble(m_sheet, value);
    }
    void blank(int row, int column, quint16 xf)
    {
        header(m_sheet, Blank, 6);
        put16(m_sheet, quint16(row));
        put16(m_sheet, quint16(column));
        put16(m_sheet, xf);
    }
    void cell(int row, int column, const SheetCell &cell)
    {
        switch (cell.type) {
        case SheetCell::Type::Empty:
            break;
        case SheetCell::Type::Text:
            text(row, column, cell.text, XfGeneral);
            break;
        case SheetCell::Type::Number: {
            quint16 xf = XfGeneral;
            switch (cell.style) {
            case SheetCell::Style::Money:
                xf = XfMoney;
                break;
            case SheetCell::Style::Date:
                xf = XfDate;
                break;
            case SheetCell::Style::DateTime:
                xf = XfDateTime;
                break;
            case SheetCell::Style::General:
                break;
            }
            number(row, column, cell.number, xf);
            break;
        }
        }
    }

private:
    QByteArray &m_sheet;
    SharedStrings &m_strings;
};

QByteArray globals(const SharedStrings &strings, qsizetype *boundSheetOffset)
{
    QByteArray b;
    bof(b, 0x0005);
    header(b, Codepage, 2);
    put16(b, 1200); // text is UTF-16
    header(b, Window1, 18);
    for (quint16 v : {0, 0, 0x4000, 0x2000, 0x0038, 0, 0, 1, 0x0258})
        put16(b, v);
    header(b, DateMode, 2);
    put16(b, 0); // dates count from 1900
    for (int i = 0; i < 4; ++i)
        font(b, false);
    font(b, true);
    format(b, FormatMoney, QStringLiteral("0.00##"));
    format(b, FormatDate, QStringLiteral("yyyy-mm-dd"));
    format(b, FormatDateTime, QStringLiteral("yyyy-mm-dd hh:mm:ss"));
    for (int i = 0; i < 15; ++i)
        xf(b, 0, 0, true, 0x20, false);
    constexpr quint8 bottom = 0x20, centred = 0x02 | 0x10 | 0x08; // centre, middle, wrap
    xf(b, 0, 0, false, bottom, false); // XfGeneral
    xf(b, 0, FormatMoney, false, bottom, false); // XfMoney
    xf(b, 0, FormatDate, false, bottom, false); // XfDate
    xf(b, 0, FormatDateTime, false, bottom, false); // XfDateTime
    xf(b, BoldFont, 0, false, centred, true); // XfTitle
    header(b, Style, 4);
    put16(b, 0x8000); // built-in style "Normal" on XF 0
    put8(b, 0);
    put8(b, 0xFF);
    QByteArray sheet;
    put32(sheet, 0); // where the sheet starts, filled in later
    put8(sheet, 0);
    put8(sheet, 0);
    sheet += unicodeString(QStringLiteral("Sheet1"), true);
    *boundSheetOffset = b.size() + 4;
    simpleRecord(b, BoundSheet, sheet);
    strings.write(b);
    header(b, Eof, 0);
    return b;
}

} // namespace

QByteArray biff8Workbook(const ExportTable &table, QString *error, QStringList *warnings)
{
    const TitleLayout titles = titleLayout(table.titles);
    const int columns = titles.columns;
    const int footerRow = titles.rows + table.rowCount;
    const int rows = footerRow + (table.hasFooter() ? 1 : 0);
    if (rows > MaxRows) {
        *error = QStringLiteral("导出的行数超过了 Excel 97-2003 工作簿的上限 65536 行，"
                                "请选择 Excel 2007 工作簿 (*.xlsx)。");
        return {};
    }
    if (columns > MaxColumns) {
        *error = QStringLiteral("导出的列数超过了 Excel 97-2003 工作簿的上限 256 列，"
                                "请选择 Excel 2007 工作簿 (*.xlsx)。");
        return {};
    }

    LongTexts texts(table);
    SharedStrings strings;
    QByteArray sheet;
    sheet.reserve(qsizetype(table.rowCount) * columns * 16 + 4096);
    SheetWriter cells(sheet, strings);
    bof(sheet, 0x0010);
    const QVector<int> widths = columnWidths(table);
    for (int column = 0; column < columns; ++column) {
        header(sheet, ColInfo, 12);
        put16(sheet, quint16(column));
        put16(sheet, quint16(column));
        put16(sheet, quint16(widths[column] * 256));
        put16(sheet, XfGeneral);
        put16(sheet, 0);
        put16(sheet, 0);
    }
    header(sheet, Dimensions, 14);
    put32(sheet, 0);
    put32(sheet, columns > 0 ? quint32(rows) : 0);
    put16(sheet, 0);
    put16(sheet, quint16(columns));
    put16(sheet, 0);

    // Cells go row by row, as the spreadsheet reads them.
    QVector<TitleCell> merges;
    for (int row = 0; row < titles.rows; ++row) {
        QVector<const TitleCell *> owner(columns, nullptr); // the title covering each cell
        for (const TitleCell &title : titles.cells) {
            if (title.row > row || title.row + title.rowSpan <= row)
                continue;
            for (int c = title.column; c < title.column + title.columnSpan; ++c)
                owner[c] = &title;
            if (title.row == row && (title.rowSpan > 1 || title.columnSpan > 1))
                merges.append(title);
        }
        for (int column = 0; column < columns; ++column) {
            const TitleCell *title = owner[column];
            if (title && title->row == row && title->column == column && !title->text.isEmpty())
                cells.text(row, column, texts.fit(title->text, -1, column), XfTitle);
            else
                cells.blank(row, column, XfTitle);
        }
    }
    for (int row = 0; row < table.rowCount; ++row) {
        for (int column = 0; column < columns; ++column) {
            SheetCell cell = sheetCell(table, row, column);
            cell.text = texts.fit(cell.text, row, column);
            cells.cell(titles.rows + row, column, cell);
        }
    }
    if (table.hasFooter()) {
        for (int column = 0; column < columns; ++column) {
            SheetCell cell = footerCell(table, column);
            cell.text = texts.fit(cell.text, table.rowCount, column);
            cells.cell(footerRow, column, cell);
        }
    }
    texts.report(warnings);

    header(sheet, Window2, 18);
    put16(sheet, 0x06B6); // grid lines, headers, zeros, selected, shown
    put16(sheet, 0);
    put16(sheet, 0);
    put32(sheet, 64);
    put16(sheet, 0);
    put16(sheet, 0);
    put32(sheet, 0);
    for (qsizetype first = 0; first < merges.size(); first += MergesPerRecord) {
        const qsizetype count = std::min<qsizetype>(MergesPerRecord, merges.size() - first);
        header(sheet, MergedCells, quint16(2 + 8 * count));
        put16(sheet, quint16(count));
        for (qsizetype i = first; i < first + count; ++i) {
            const TitleCell &m = merges[i];
            put16(sheet, quint16(m.row));
            put16(sheet, quint16(m.row + m.rowSpan - 1));
            put16(sheet, quint16(m.column));
            put16(sheet, quint16(m.column + m.columnSpan - 1));
        }
    }
    header(sheet, Eof, 0);

    qsizetype boundSheetOffset = 0;
    QByteArray stream = globals(strings, &boundSheetOffset);
    patch32(stream, boundSheetOffset, quint32(stream.size()));
    stream += sheet;
    // Streams under 4096 bytes would go to the compound file's small-block area, which some
    // Excel versions do not accept for the workbook; zeros after the last EOF are ignored.
    if (stream.size() < 4096)
        stream.append(4096 - stream.size(), '\0');
    return stream;
}

bool writeXls(const ExportTable &table, QIODevice *out, QString *error, QStringList *warnings)
{
    QStringList cut;
    const QByteArray stream = biff8Workbook(table, error, &cut);
    if (stream.isEmpty())
        return false;

    GsfOutput *memory = gsf_output_memory_new();
    GsfOutfile *container = gsf_outfile_msole_new(memory);
    bool ok = container != nullptr;
    if (ok) {
        GsfOutput *workbook = gsf_outfile_new_child(container, "Workbook", FALSE);
        ok = workbook
            && gsf_output_write(workbook, size_t(stream.size()), reinterpret_cast<const guint8 *>(stream.constData()));
        if (workbook) {
            ok = gsf_output_close(workbook) && ok;
            g_object_unref(workbook);
        }
        ok = gsf_output_close(reinterpret_cast<GsfOutput *>(container)) && ok;
        g_object_unref(container);
    }
    QByteArray file;
    if (ok) {
        const guint8 *bytes = gsf_output_memory_get_bytes(reinterpret_cast<GsfOutputMemory *>(memory));
        file = QByteArray(reinterpret_cast<const char *>(bytes), qsizetype(gsf_output_size(memory)));
    }
    if (!gsf_output_is_closed(memory)) // closing the container closes it too
        gsf_output_close(memory);
    g_object_unref(memory);
    if (!ok || file.isEmpty()) {
        *error = QStringLiteral("不能生成 Excel 97-2003 工作簿。");
        return false;
    }
    if (!writeAll(out, file, error))
        return false;
    if (warnings)
        *warnings << cut;
    return true;
}

}
