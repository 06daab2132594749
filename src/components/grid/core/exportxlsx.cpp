// Excel 2007 workbooks through libxlsxwriter, which writes to a file of its own; the file is
// then copied to the device.

#include "components/grid/core/exportwriters.h"

#include <QFile>
#include <QIODevice>
#include <QTemporaryDir>
#include <xlsxwriter.h>

namespace ExportWriters {

namespace {

constexpr int MaxRows = 1048576;
constexpr int MaxColumns = 16384;

// Text for the library, which takes C strings: a NUL would end the text there, so it is shown
// by its picture (U+2400) instead.
QByteArray cellBytes(const QString &text)
{
    QString s = text;
    s.replace(QChar(0), QChar(0x2400));
    return s.toUtf8();
}

struct Formats
{
    lxw_format *general, *money, *date, *dateTime, *title;
};

lxw_format *newFormat(lxw_workbook *book)
{
    lxw_format *format = workbook_add_format(book);
    format_set_font_name(format, "宋体");
    format_set_font_charset(format, 134);
    format_set_font_size(format, 10);
    return format;
}

Formats makeFormats(lxw_workbook *book)
{
    Formats f;
    f.general = newFormat(book);
    f.money = newFormat(book);
    format_set_num_format(f.money, "0.00##");
    f.date = newFormat(book);
    format_set_num_format(f.date, "yyyy-mm-dd");
    f.dateTime = newFormat(book);
    format_set_num_format(f.dateTime, "yyyy-mm-dd hh:mm:ss");
    f.title = newFormat(book);
    format_set_bold(f.title);
    format_set_align(f.title, LXW_ALIGN_CENTER);
    format_set_align(f.title, LXW_ALIGN_VERTICAL_CENTER);
    format_set_text_wrap(f.title);
    format_set_border(f.title, LXW_BORDER_THIN);
    return f;
}

lxw_error writeCell(lxw_worksheet *sheet, int row, int column, const SheetCell &cell, const Formats &f)
{
    switch (cell.type) {
    case SheetCell::Type::Empty:
        return LXW_NO_ERROR;
    case SheetCell::Type::Text:
        return worksheet_write_string(sheet, lxw_row_t(row), lxw_col_t(column), cellBytes(cell.text).constData(),
                                      f.general);
    case SheetCell::Type::Number: {
        lxw_format *format = f.general;
        switch (cell.style) {
        case SheetCell::Style::Money:
            format = f.money;
            break;
        case SheetCell::Style::Date:
            format = f.date;
            break;
        case SheetCell::Style::DateTime:
            format = f.dateTime;
            break;
        case SheetCell::Style::General:
            break;
        }
        return worksheet_write_number(sheet, lxw_row_t(row), lxw_col_t(column), cell.number, format);
    }
    }
    return LXW_NO_ERROR;
}

lxw_error writeSheet(const ExportTable &table, lxw_worksheet *sheet, const Formats &f, LongTexts &texts)
{
    const TitleLayout titles = titleLayout(table.titles);
    const int columns = titles.columns;
    const QVector<int> widths = columnWidths(table);
    lxw_error result = LXW_NO_ERROR;
    auto keep = [&result](lxw_error e) {
        if (result == LXW_NO_ERROR)
            result = e;
    };
    for (int column = 0; column < columns; ++column)
        keep(worksheet_set_column(sheet, lxw_col_t(column), lxw_col_t(column), widths[column], nullptr));
    // The workbook is written in libxlsxwriter's constant-memory mode: each row goes to disk
    // once the next one starts, so cells are written strictly row by row. A merged title is
    // registered when its last row is complete; the cells it would write again into rows
    // already finished are ignored by the library, and those hold the same texts anyway.
    for (int row = 0; row < titles.rows; ++row) {
        QVector<const TitleCell *> owner(columns, nullptr);
        for (const TitleCell &title : titles.cells) {
            if (title.row <= row && row < title.row + title.rowSpan) {
                for (int c = title.column; c < title.column + title.columnSpan; ++c)
                    owner[c] = &title;
            }
        }
        for (int column = 0; column < columns; ++column) {
            const TitleCell *title = owner[column];
            if (title && title->row == row && title->column == column && !title->text.isEmpty())
                keep(worksheet_write_string(sheet, lxw_row_t(row), lxw_col_t(column),
                                            cellBytes(texts.fit(title->text, -1, column)).constData(), f.title));
            else
                keep(worksheet_write_blank(sheet, lxw_row_t(row), lxw_col_t(column), f.title));
        }
        for (const TitleCell &title : titles.cells) {
            if (title.row + title.rowSpan - 1 != row || (title.rowSpan == 1 && title.columnSpan == 1))
                continue;
            keep(worksheet_merge_range(sheet, lxw_row_t(title.row), lxw_col_t(title.column), lxw_row_t(row),
                                       lxw_col_t(title.column + title.columnSpan - 1),
                                       cellBytes(title.text.left(LongTexts::MaxCellText)).constData(), f.title));
        }
    }
    if (columns > 0)
        worksheet_freeze_panes(sheet, lxw_row_t(titles.rows), 0);
    for (int row = 0; row < table.rowCount && result == LXW_NO_ERROR; ++row) {
        for (int column = 0; column < columns; ++column) {
            SheetCell cell = sheetCell(table, row, column);
            cell.text = texts.fit(cell.text, row, column);
            keep(writeCell(sheet, titles.rows + row, column, cell, f));
        }
    }
    if (table.hasFooter()) {
        // Totals go in as the numbers shown, never as formulas: a formula's result would be
        // stored as 0 and not every reader computes it again.
        for (int column = 0; column < columns; ++column) {
            SheetCell cell = footerCell(table, column);
            cell.text = texts.fit(cell.text, table.rowCount, column);
            keep(writeCell(sheet, titles.rows + table.rowCount, column, cell, f));
        }
    }
    return result;
}

} // namespace

bool writeXlsx(const ExportTable &table, QIODevice *out, QString *error, QStringList *warnings)
{
    const int rows = int(titleLayout(table.titles).rows) + table.rowCount + (table.hasFooter() ? 1 : 0);
    if (rows > MaxRows || table.titles.size() > MaxColumns) {
        *error = QStringLiteral("导出的数据超过了 Excel 2007 工作簿的上限（1048576 行，16384 列）。");
        return false;
    }
    QTemporaryDir dir;
    if (!dir.isValid()) {
        *error = QStringLiteral("不能建立临时文件夹：%1").arg(dir.errorString());
        return false;
    }
    const QString path = dir.filePath(QStringLiteral("book.xlsx"));
    const QByteArray nativePath = QFile::encodeName(path);
    QByteArray tempPath = QFile::encodeName(dir.path());
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = tempPath.data();
    lxw_workbook *book = workbook_new_opt(nativePath.constData(), &options);
    if (!book) {
        *error = QStringLiteral("不能生成 Excel 2007 工作簿。");
        return false;
    }
    lxw_worksheet *sheet = workbook_add_worksheet(book, nullptr);
    const Formats formats = makeFormats(book);
    LongTexts texts(table);
    const lxw_error written = sheet ? writeSheet(table, sheet, formats, texts) : LXW_ERROR_MEMORY_MALLOC_FAILED;
    const lxw_error closed = workbook_close(book); // frees the workbook in every case
    const lxw_error failure = written != LXW_NO_ERROR ? written : closed;
    if (failure != LXW_NO_ERROR) {
        *error = QStringLiteral("不能生成 Excel 2007 工作簿：%1").arg(QString::fromUtf8(lxw_strerror(failure)));
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("不能读取临时文件 %1：%2").arg(path, file.errorString());
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (bytes.isEmpty()) {
        *error = QStringLiteral("不能生成 Excel 2007 工作簿。");
        return false;
    }
    if (!writeAll(out, bytes, error))
        return false;
    texts.report(warnings);
    return true;
}

}
