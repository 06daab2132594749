// The plain writers: tab-separated text, CSV, HTML and RTF. Each builds its output in memory
// and hands it to the device in pieces of about a megabyte.

#include "components/grid/core/exportwriters.h"

#include <QIODevice>

namespace ExportWriters {

namespace {

constexpr qsizetype FlushSize = 1 << 20;
const char ByteOrderMark[] = "\xEF\xBB\xBF";

class Output
{
public:
    Output(QIODevice *device, QString *error)
        : m_device(device)
        , m_error(error)
    {
        m_bytes.reserve(FlushSize + FlushSize / 4);
    }
    QByteArray &bytes() { return m_bytes; }
    void append(const QString &text) { m_bytes += text.toUtf8(); }
    // Hands full pieces to the device; false once writing failed.
    bool flushIfFull() { return m_bytes.size() < FlushSize || finish(); }
    bool finish()
    {
        if (!writeAll(m_device, m_bytes, m_error))
            return false;
        m_bytes.clear();
        return true;
    }

private:
    QIODevice *m_device;
    QString *m_error;
    QByteArray m_bytes;
};

// A cell's text as a spreadsheet must show it: a text that would be a formula is marked as
// text; a number cell (which isNumber tells, asked only for such texts) is left as it is.
template<typename IsNumber> QString spreadsheetText(const QString &text, IsNumber isNumber)
{
    const QString safe = formulaSafe(text);
    return safe.size() == text.size() || isNumber() ? text : safe;
}

// Writes the title rows, every data row and the footer row through one function per row, each
// cell as a spreadsheet must show it (these files are opened by spreadsheets).
template<typename RowWriter> bool writeRows(const ExportTable &table, Output &output, RowWriter writeRow)
{
    const TitleLayout titles = titleLayout(table.titles);
    const int columns = titles.columns;
    const auto never = [] { return false; };
    for (int row = 0; row < titles.rows; ++row) {
        QStringList texts = titles.flatRow(row);
        for (QString &text : texts)
            text = spreadsheetText(text, never);
        writeRow(texts);
    }
    QStringList cells(columns);
    for (int row = 0; row < table.rowCount; ++row) {
        for (int column = 0; column < columns; ++column)
            cells[column] = spreadsheetText(cellText(table, row, column), [&] {
                return sheetCell(table, row, column).type == SheetCell::Type::Number;
            });
        writeRow(cells);
        if (!output.flushIfFull())
            return false;
    }
    if (table.hasFooter()) {
        for (int column = 0; column < columns; ++column)
            cells[column] = spreadsheetText(footerText(table, column),
                                            [&] { return footerCell(table, column).type == SheetCell::Type::Number; });
        writeRow(cells);
    }
    return output.finish();
}

} // namespace

// Tab-separated, UTF-8 with a byte-order mark and CRLF line ends: the files are opened on
// office desktops by Notepad and by the spreadsheet's text import, which both take text
// without a byte-order mark for the local code page (GBK) and garble the Chinese. A tab or a
// line break inside a cell would break the columns, so it becomes a blank.
bool writeText(const ExportTable &table, QIODevice *out, QString *error)
{
    Output output(out, error);
    output.bytes().append(ByteOrderMark);
    QString line;
    return writeRows(table, output, [&](const QStringList &cells) {
        line.clear();
        for (qsizetype i = 0; i < cells.size(); ++i) {
            if (i > 0)
                line += QLatin1Char('\t');
            const QString &cell = cells[i];
            if (cell.contains(QLatin1Char('\t')) || cell.contains(QLatin1Char('\n'))
                || cell.contains(QLatin1Char('\r'))) {
                QString flat = cell;
                for (QChar &c : flat) {
                    if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
                        c = QLatin1Char(' ');
                }
                line += flat;
            } else {
                line += cell;
            }
        }
        line += QLatin1String("\r\n");
        output.append(line);
    });
}

// Comma-separated values as RFC 4180 has them, UTF-8 with a byte-order mark so that the
// spreadsheet recognises the Chinese text.
bool writeCsv(const ExportTable &table, QIODevice *out, QString *error)
{
    Output output(out, error);
    output.bytes().append(ByteOrderMark);
    QString line;
    return writeRows(table, output, [&](const QStringList &cells) {
        line.clear();
        for (qsizetype i = 0; i < cells.size(); ++i) {
            if (i > 0)
                line += QLatin1Char(',');
            const QString &cell = cells[i];
            const bool quoted = cell.contains(QLatin1Char('"')) || cell.contains(QLatin1Char(','))
                || cell.contains(QLatin1Char('\n')) || cell.contains(QLatin1Char('\r'));
            if (quoted) {
                line += QLatin1Char('"');
                line += QString(cell).replace(QLatin1Char('"'), QLatin1String("\"\""));
                line += QLatin1Char('"');
            } else {
                line += cell;
            }
        }
        line += QLatin1String("\r\n");
        output.append(line);
    });
}

static void appendHtmlEscaped(QString &html, const QString &text)
{
    for (QChar c : text) {
        switch (c.unicode()) {
        case '&':
            html += QLatin1String("&amp;");
            break;
        case '<':
            html += QLatin1String("&lt;");
            break;
        case '>':
            html += QLatin1String("&gt;");
            break;
        case '"':
            html += QLatin1String("&quot;");
            break;
        case '\n':
            html += QLatin1String("<br/>");
            break;
        case '\r':
            break;
        default:
            // Other control characters are not allowed in the document: each is shown by its
            // picture (U+2400 onwards), so the cell keeps a visible mark where it was.
            if (c.unicode() < 0x20 && c != QLatin1Char('\t'))
                html += QLatin1String("&#x") % QString::number(0x2400 + c.unicode(), 16) % QLatin1Char(';');
            else if (c.unicode() == 0x7f)
                html += QLatin1String("&#x2421;");
            else
                html += c;
        }
    }
}

static QLatin1String htmlAlignClass(Qt::Alignment alignment)
{
    if (alignment & Qt::AlignRight)
        return QLatin1String(" class=\"r\"");
    if (alignment & Qt::AlignHCenter)
        return QLatin1String(" class=\"c\"");
    return QLatin1String("");
}

// A complete HTML document that is also well-formed XML, so any reader can take it apart.
bool writeHtml(const ExportTable &table, QIODevice *out, QString *error)
{
    Output output(out, error);
    output.bytes().append("<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<meta charset=\"utf-8\"/>\r\n"
                          "<title></title>\r\n<style>\r\n"
                          "table { border-collapse: collapse; font-family: \"SimSun\", \"宋体\", serif; "
                          "font-size: 12px; }\r\n"
                          "th, td { border: 1px solid #808080; padding: 2px 4px; white-space: nowrap; }\r\n"
                          "th { background: #f0f0f0; }\r\n"
                          ".r { text-align: right; }\r\n.c { text-align: center; }\r\n"
                          "</style>\r\n</head>\r\n<body>\r\n<table>\r\n");

    const TitleLayout titles = titleLayout(table.titles);
    const int columns = titles.columns;
    QVector<QLatin1String> alignClass(columns);
    for (int column = 0; column < columns; ++column)
        alignClass[column] = htmlAlignClass(alignmentOf(table, column));

    QString html = QStringLiteral("<thead>\r\n");
    for (int row = 0; row < titles.rows; ++row) {
        html += QLatin1String("<tr>");
        for (const TitleCell &cell : titles.cells) {
            if (cell.row != row)
                continue;
            html += QLatin1String("<th");
            if (cell.columnSpan > 1)
                html += QLatin1String(" colspan=\"") % QString::number(cell.columnSpan) % QLatin1Char('"');
            if (cell.rowSpan > 1)
                html += QLatin1String(" rowspan=\"") % QString::number(cell.rowSpan) % QLatin1Char('"');
            html += QLatin1Char('>');
            appendHtmlEscaped(html, cell.text);
            html += QLatin1String("</th>");
        }
        html += QLatin1String("</tr>\r\n");
    }
    html += QLatin1String("</thead>\r\n<tbody>\r\n");
    output.append(html);

    auto appendRow = [&](auto cellOf) {
        html += QLatin1String("<tr>");
        for (int column = 0; column < columns; ++column) {
            html += QLatin1String("<td") % alignClass[column] % QLatin1Char('>');
            appendHtmlEscaped(html, cellOf(column));
            html += QLatin1String("</td>");
        }
        html += QLatin1String("</tr>\r\n");
    };
    for (int row = 0; row < table.rowCount; ++row) {
        html.clear();
        appendRow([&](int column) { return cellText(table, row, column); });
        output.append(html);
        if (!output.flushIfFull())
            return false;
    }
    // The footer is the body's last row: spreadsheet programs (LibreOffice Calc) drop the rows
    // of a <tfoot> when they open the file.
    html.clear();
    if (table.hasFooter()) {
        appendRow([&](int column) { return footerText(table, column); });
    }
    html += QLatin1String("</tbody>\r\n</table>\r\n</body>\r\n</html>\r\n");
    output.append(html);
    return output.finish();
}

// RTF text: ASCII as it is with \ { } escaped, everything else as \uN? with N the UTF-16 code
// unit as a signed 16-bit number (so characters beyond the basic plane come out as their
// surrogate pair) and "?" for readers that do not know \u.
static void appendRtfEscaped(QByteArray &rtf, const QString &text)
{
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80) {
            switch (u) {
            case '\\':
                rtf += "\\\\";
                break;
            case '{':
                rtf += "\\{";
                break;
            case '}':
                rtf += "\\}";
                break;
            case '\n':
                rtf += "\\line ";
                break;
            case '\t':
                rtf += "\\tab ";
                break;
            default:
                if (u >= 0x20)
                    rtf += char(u);
            }
        } else {
            rtf += "\\u";
            rtf += QByteArray::number(int(qint16(u)));
            rtf += '?';
        }
    }
}

static const char *rtfAlignment(Qt::Alignment alignment)
{
    if (alignment & Qt::AlignRight)
        return "\\qr";
    if (alignment & Qt::AlignHCenter)
        return "\\qc";
    return "\\ql";
}

bool writeRtf(const ExportTable &table, QIODevice *out, QString *error)
{
    constexpr int TwipsPerCharacter = 100; // half of a 9-point Chinese character, with air
    constexpr int PortraitWidth = 11906 - 2 * 720;
    Output output(out, error);
    QByteArray &rtf = output.bytes();
    const TitleLayout titles = titleLayout(table.titles);
    const int columns = titles.columns;
    const QVector<int> widths = columnWidths(table);
    QVector<int> rightEdges(columns);
    int edge = 0;
    for (int column = 0; column < columns; ++column) {
        edge += widths[column] * TwipsPerCharacter;
        rightEdges[column] = edge;
    }

    // 宋体 in the GBK code page of \ansicpg936.
    rtf += "{\\rtf1\\ansi\\ansicpg936\\deff0\\deflang2052"
           "{\\fonttbl{\\f0\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}\r\n";
    if (edge > PortraitWidth)
        rtf += "\\paperw16838\\paperh11906\\landscape";
    else
        rtf += "\\paperw11906\\paperh16838";
    rtf += "\\margl720\\margr720\\margt720\\margb720\\viewkind4\\uc1\\pard\\f0\\fs18\r\n";

    static const char Borders[] = "\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10"
                                  "\\clbrdrb\\brdrs\\brdrw10\\clbrdrr\\brdrs\\brdrw10";
    auto cellEdge = [&](QByteArray &row, int column) {
        row += Borders;
        row += "\\cellx";
        row += QByteArray::number(rightEdges[column]);
    };

    // Title rows: shared upper levels merged across, short titles merged down.
    enum class Merge { None, First, Covered };
    for (int row = 0; row < titles.rows; ++row) {
        QVector<Merge> across(columns, Merge::None), down(columns, Merge::None);
        QVector<QString> texts(columns);
        for (const TitleCell &cell : titles.cells) {
            if (cell.row > row || cell.row + cell.rowSpan <= row)
                continue;
            texts[cell.column] = cell.row == row ? cell.text : QString();
            if (cell.rowSpan > 1)
                down[cell.column] = cell.row == row ? Merge::First : Merge::Covered;
            if (cell.columnSpan > 1) {
                across[cell.column] = Merge::First;
                for (int c = cell.column + 1; c < cell.column + cell.columnSpan; ++c)
                    across[c] = Merge::Covered;
            }
        }
        rtf += "\\trowd\\trgaph60\\trleft0\\trhdr";
        for (int column = 0; column < columns; ++column) {
            if (across[column] != Merge::None)
                rtf += across[column] == Merge::First ? "\\clmgf" : "\\clmrg";
            if (down[column] != Merge::None)
                rtf += down[column] == Merge::First ? "\\clvmgf" : "\\clvmrg";
            rtf += "\\clvertalc";
            cellEdge(rtf, column);
        }
        rtf += "\r\n";
        for (int column = 0; column < columns; ++column) {
            rtf += "\\pard\\intbl\\qc\\b ";
            appendRtfEscaped(rtf, texts[column]);
            rtf += "\\b0\\cell ";
        }
        rtf += "\\row\r\n";
    }

    QByteArray rowDefinition = "\\trowd\\trgaph60\\trleft0";
    QVector<QByteArray> cellStart(columns);
    for (int column = 0; column < columns; ++column) {
        cellEdge(rowDefinition, column);
        cellStart[column] = QByteArray("\\pard\\intbl") + rtfAlignment(alignmentOf(table, column)) + ' ';
    }
    rowDefinition += "\r\n";
    auto appendRow = [&](auto cellOf) {
        rtf += rowDefinition;
        for (int column = 0; column < columns; ++column) {
            rtf += cellStart[column];
            appendRtfEscaped(rtf, cellOf(column));
            rtf += "\\cell ";
        }
        rtf += "\\row\r\n";
    };
    for (int row = 0; row < table.rowCount; ++row) {
        appendRow([&](int column) { return cellText(table, row, column); });
        if (!output.flushIfFull())
            return false;
    }
    if (table.hasFooter())
        appendRow([&](int column) { return footerText(table, column); });
    rtf += "\\pard\\par\r\n}\r\n";
    return output.finish();
}

}
