#pragma once

// The pieces the export writers share: the title block, cell values typed for spreadsheets,
// column widths. Used only by the writers themselves and their tests.

#include "components/grid/core/exporttable.h"

#include <QByteArray>
#include <QString>
#include <QVector>

namespace ExportWriters {

// One title cell of the header block. Upper levels that adjacent columns share become one
// cell spanning those columns; a column with fewer levels than the deepest title has its last
// level spanning down to the bottom title row.
struct TitleCell
{
    int row = 0;
    int column = 0;
    int rowSpan = 1;
    int columnSpan = 1;
    QString text;
};

struct TitleLayout
{
    int rows = 1; // title rows above the data
    int columns = 0;
    QVector<TitleCell> cells; // in row order, then column order
    // The text shown at (row, column) of a flat grid: the cell's text in its top-left
    // position, empty in the positions it covers.
    QStringList flatRow(int row) const;
};

TitleLayout titleLayout(const QStringList &titles);

FieldKind kindOf(const ExportTable &table, int column);
Qt::Alignment alignmentOf(const ExportTable &table, int column);
// The text the grid shows, falling back to the stored value.
QString cellText(const ExportTable &table, int row, int column);
QString footerText(const ExportTable &table, int column);

// A cell as spreadsheets store it.
struct SheetCell
{
    enum class Type { Empty, Text, Number };
    enum class Style { General, Money, Date, DateTime };
    Type type = Type::Empty;
    Style style = Style::General;
    double number = 0;
    QString text;
};

SheetCell sheetCell(const ExportTable &table, int row, int column);
// Footer texts that are numbers (sums, counts) become numbers, never formulas.
SheetCell footerCell(const ExportTable &table, int column);
// Days since 1899-12-30 with the time as a fraction, for "YYYY-MM-DD[ HH:MM:SS]"; false for
// text that is no date or lies before 1900-03-01 (where spreadsheets count differently).
bool serialDate(const QString &text, double *serial);

// Widths in characters (a Chinese character counts two), from the titles, the footer and the
// first rows.
QVector<int> columnWidths(const ExportTable &table);

bool writeAll(QIODevice *out, const QByteArray &bytes, QString *error);

// A text that a spreadsheet would take as a formula (it begins with "=", "+", "-", "@", a tab
// or a carriage return) with the usual leading apostrophe, so it is shown as the text it is;
// any other text as it is. Only for cells that are not numbers.
QString formulaSafe(const QString &text);

// Texts cut to the most characters a spreadsheet cell holds, with one warning that names the
// cells that were cut.
class LongTexts
{
public:
    static constexpr int MaxCellText = 32767;
    explicit LongTexts(const ExportTable &table)
        : m_table(table)
    { }
    // row is a data row (from 0), -1 for the titles or rowCount for the footer.
    QString fit(const QString &text, int row, int column);
    // Adds the warning to warnings when anything was cut.
    void report(QStringList *warnings) const;

private:
    const ExportTable &m_table;
    QStringList m_places;
    int m_count = 0;
};

bool writeText(const ExportTable &table, QIODevice *out, QString *error);
bool writeCsv(const ExportTable &table, QIODevice *out, QString *error);
bool writeHtml(const ExportTable &table, QIODevice *out, QString *error);
bool writeRtf(const ExportTable &table, QIODevice *out, QString *error);
bool writeXls(const ExportTable &table, QIODevice *out, QString *error, QStringList *warnings = nullptr);
bool writeXlsx(const ExportTable &table, QIODevice *out, QString *error, QStringList *warnings = nullptr);

// The BIFF8 "Workbook" stream alone (without the OLE2 container); empty with a reason in
// error when the table does not fit an Excel 97-2003 sheet.
QByteArray biff8Workbook(const ExportTable &table, QString *error, QStringList *warnings = nullptr);

}
