#pragma once

#include "data/schema.h"

#include <QIODevice>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>

// What an export writes: the visible columns of a grid in their order, every row, the titles
// (levels separated by "|") and the footer texts.
struct ExportTable
{
    QStringList titles; // one per column, e.g. "房屋|面积" for a two-level title
    QVector<FieldKind> kinds; // what each column holds (money, date, number, ...)
    QVector<Qt::Alignment> alignments; // the grid's alignment of each column
    int rowCount = 0;
    std::function<QVariant(int row, int column)> value; // the raw stored value
    std::function<QString(int row, int column)> text; // the text the grid shows
    QStringList footer; // one text per column; empty when the grid has none
    bool hasFooter() const;
};

// The file types of the shared export dialog, in its order (1-based as the dialog counts).
enum class ExportFormat { Text = 1, Csv = 2, Html = 3, Rtf = 4, Xls = 5, Xlsx = 6 };

namespace Export {
QString extension(ExportFormat format); // "txt", "csv", "htm", "rtf", "xls", "xlsx"
// Appends "." + extension unless the name already ends in the extension's letters
// (compared without regard to case): "abctxt" stays, "list" becomes "list.xls".
QString withExtension(const QString &fileName, ExportFormat format);
// Writes the table; false with a reason in error when it could not. What was written but not
// as it is shown (a text cut to a spreadsheet cell's limit) is added to warnings, in Chinese.
bool write(ExportFormat format, const ExportTable &table, QIODevice *out, QString *error,
           QStringList *warnings = nullptr);
// Writes to a file, replacing it only when the whole table was written.
bool writeFile(ExportFormat format, const ExportTable &table, const QString &path, QString *error,
               QStringList *warnings = nullptr);
}
