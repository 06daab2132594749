#pragma once

// Reads a spreadsheet someone else made (a meter reader's readings, a list of owners) into
// rows of cell texts: the first sheet of an Excel 2007 workbook (.xlsx) or a CSV text file.
//
// - .xlsx: shared and inline strings (rich text runs joined), numbers as the decimal text the
//   file stores ("1234.5", "1.101011990030745E+17"), marked as numbers; dates as stored (a
//   date cell is the day count with a date format, so it reads as a number); a formula as its
//   saved result. Cells the file leaves out read as empty texts.
// - .csv: UTF-8 with or without a byte-order mark, UTF-16 with one, otherwise GB18030 (what
//   Excel on a Chinese system saves); comma-separated, quoted cells may hold commas, doubled
//   quotes and line breaks. Every cell is text.
//
// The kind is told by the file's content, not its name. Rows whose cells are all blank are
// left out; every row keeps its number in the file (the sheet's row number, or the line a CSV
// row starts on), so messages can point the operator at it.

#include <QList>
#include <QString>

struct SheetCell
{
    QString text;
    bool number = false; // the workbook stored the cell as a number (never for CSV)
};

struct SheetRow
{
    int line = 0; // from 1: the sheet's row number, or the CSV line the row starts on
    QList<SheetCell> cells; // from the first column up to the row's last non-empty cell
};

namespace SheetReader {

// False, with a Chinese message that names the file in error, for a file that cannot be
// opened, is empty or holds no rows, is neither an .xlsx workbook nor a text file, is a
// damaged workbook, or has a CSV quote that is never closed.
bool read(const QString &path, QList<SheetRow> *rows, QString *error);

}
