#include "components/grid/core/exportwriters.h"
#include "data/money.h"
#include "data/storeddate.h"

#include <QDate>
#include <QDateTime>
#include <QIODevice>
#include <algorithm>

namespace ExportWriters {

QStringList TitleLayout::flatRow(int row) const
{
    QStringList texts(columns);
    for (const TitleCell &cell : cells) {
        if (cell.row == row)
            texts[cell.column] = cell.text;
    }
    return texts;
}

TitleLayout titleLayout(const QStringList &titles)
{
    TitleLayout layout;
    layout.columns = int(titles.size());
    QVector<QStringList> levels;
    levels.reserve(titles.size());
    for (const QString &title : titles) {
        levels.append(title.split(QLatin1Char('|')));
        layout.rows = std::max(layout.rows, int(levels.last().size()));
    }
    // Upper levels of adjacent columns merge when every level above and at this row agrees.
    auto sameUpTo = [&levels](int a, int b, int row) {
        for (int r = 0; r <= row; ++r) {
            if (levels[a][r] != levels[b][r])
                return false;
        }
        return true;
    };
    for (int row = 0; row < layout.rows; ++row) {
        for (int column = 0; column < layout.columns;) {
            const int depth = int(levels[column].size());
            if (row >= depth) { // covered by the last level above
                ++column;
                continue;
            }
            TitleCell cell;
            cell.row = row;
            cell.column = column;
            cell.text = levels[column][row];
            if (row == depth - 1) {
                cell.rowSpan = layout.rows - row;
            } else {
                int next = column + 1;
                while (next<layout.columns &&int(levels[next].size()) - 1> row && sameUpTo(column, next, row))
                    ++next;
                cell.columnSpan = next - column;
            }
            column += cell.columnSpan;
            layout.cells.append(cell);
        }
    }
    return layout;
}

FieldKind kindOf(const ExportTable &table, int column)
{
    return column < table.kinds.size() ? table.kinds[column] : FieldKind::Text;
}

Qt::Alignment alignmentOf(const ExportTable &table, int column)
{
    return column < table.alignments.size() ? table.alignments[column] : Qt::Alignment(Qt::AlignLeft);
}

QString cellText(const ExportTable &table, int row, int column)
{
    if (table.text)
        return table.text(row, column);
    return table.value ? table.value(row, column).toString() : QString();
}

QString footerText(const ExportTable &table, int column)
{
    return column < table.footer.size() ? table.footer[column] : QString();
}

QString formulaSafe(const QString &text)
{
    if (text.isEmpty())
        return text;
    switch (text.front().unicode()) {
    case '=':
    case '+':
    case '-':
    case '@':
    case '\t':
    case '\r':
        return QLatin1Char('\'') + text;
    default:
        return text;
    }
}

QString LongTexts::fit(const QString &text, int row, int column)
{
    if (text.size() <= MaxCellText)
        return text;
    ++m_count;
    if (m_places.size() < 5) {
        const QString title =
            column < m_table.titles.size() ? m_table.titles[column].section(QLatin1Char('|'), -1) : QString();
        const QString where = row < 0 ? QStringLiteral("标题")
            : row >= m_table.rowCount ? QStringLiteral("合计行")
                                      : QStringLiteral("第 %1 行").arg(row + 1);
        m_places << QStringLiteral("%1“%2”列（%3 个字符）").arg(where, title).arg(text.size());
    }
    // A character beyond the basic plane is not split in half.
    const int cut = text.at(MaxCellText - 1).isHighSurrogate() ? MaxCellText - 1 : MaxCellText;
    return text.left(cut);
}

void LongTexts::report(QStringList *warnings) const
{
    if (!warnings || m_count == 0)
        return;
    QString places = m_places.join(QStringLiteral("、"));
    if (m_count > m_places.size())
        places += QStringLiteral(" 等 %1 处").arg(m_count);
    *warnings << QStringLiteral("%1的文字超过了电子表格单元格的上限 %2 个字符，只导出了前 %2 个字符。")
                     .arg(places)
                     .arg(MaxCellText);
}

bool serialDate(const QString &text, double *serial)
{
    const StoredDate::Value v = StoredDate::parse(text);
    if (!v.isValid() || !v.exact || v.date < QDate(1900, 3, 1) || text.size() != text.trimmed().size())
        return false;
    *serial = double(v.date.toJulianDay() - QDate(1899, 12, 30).toJulianDay()) + v.seconds / 86400.0;
    return true;
}

static SheetCell textCell(const QString &text)
{
    SheetCell cell;
    if (!text.isEmpty()) {
        cell.type = SheetCell::Type::Text;
        cell.text = text;
    }
    return cell;
}

static SheetCell numberCell(double number, SheetCell::Style style)
{
    SheetCell cell;
    cell.type = SheetCell::Type::Number;
    cell.style = style;
    cell.number = number;
    return cell;
}

SheetCell sheetCell(const ExportTable &table, int row, int column)
{
    const FieldKind kind = kindOf(table, column);
    if (kind == FieldKind::Text || kind == FieldKind::Memo || kind == FieldKind::YesNo || !table.value)
        return textCell(cellText(table, row, column));
    const QVariant value = table.value(row, column);
    if (value.isNull())
        return {};
    bool ok = false;
    switch (kind) {
    case FieldKind::Money:
        // A value that is no amount goes out as the text the grid shows for it.
        if (const auto money = Money::fromStored(value))
            return numberCell(money->toReal(), SheetCell::Style::Money);
        break;
    case FieldKind::Number:
    case FieldKind::Integer: {
        const double number = value.toDouble(&ok);
        if (ok)
            return numberCell(number, SheetCell::Style::General);
        break;
    }
    case FieldKind::Date:
    case FieldKind::DateTime: {
        QString text;
        if (value.typeId() == QMetaType::QDateTime)
            text = StoredDate::format(value.toDateTime());
        else if (value.typeId() == QMetaType::QDate)
            text = StoredDate::formatDate(value.toDate());
        else
            text = value.toString();
        double serial = 0;
        if (serialDate(text, &serial))
            return numberCell(serial, kind == FieldKind::Date ? SheetCell::Style::Date : SheetCell::Style::DateTime);
        break;
    }
    default:
        break;
    }
    return textCell(cellText(table, row, column));
}

SheetCell footerCell(const ExportTable &table, int column)
{
    const QString text = footerText(table, column).trimmed();
    const FieldKind kind = kindOf(table, column);
    if (kind == FieldKind::Money) {
        if (const auto money = Money::parse(text))
            return numberCell(money->toReal(), SheetCell::Style::Money);
    } else if (kind == FieldKind::Number || kind == FieldKind::Integer) {
        bool ok = false;
        const double number = QString(text).remove(QLatin1Char(',')).toDouble(&ok);
        if (ok)
            return numberCell(number, SheetCell::Style::General);
    }
    // A count shown in a text column ("记录数" beside it) is still a number; codes with a
    // leading zero stay text.
    bool ok = false;
    const qint64 count = text.toLongLong(&ok);
    if (ok && (text == QLatin1String("0") || !text.startsWith(QLatin1Char('0'))) && !text.startsWith(QLatin1Char('+')))
        return numberCell(double(count), SheetCell::Style::General);
    return textCell(footerText(table, column));
}

static int displayWidth(const QString &text)
{
    int width = 0;
    for (QChar c : text)
        width += c.unicode() >= 0x1100 ? 2 : 1;
    return width;
}

QVector<int> columnWidths(const ExportTable &table)
{
    constexpr int sampledRows = 200;
    const int columns = int(table.titles.size());
    QVector<int> widths(columns, 4);
    for (int column = 0; column < columns; ++column) {
        int &width = widths[column];
        width = std::max(width, displayWidth(table.titles[column].section(QLatin1Char('|'), -1)));
        width = std::max(width, displayWidth(footerText(table, column)));
        for (int row = 0; row < std::min(table.rowCount, sampledRows); ++row)
            width = std::max(width, displayWidth(cellText(table, row, column)));
        width = std::min(width + 2, 60);
    }
    return widths;
}

bool writeAll(QIODevice *out, const QByteArray &bytes, QString *error)
{
    if (out->write(bytes) != bytes.size()) {
        *error = QStringLiteral("写入失败：%1").arg(out->errorString());
        return false;
    }
    return true;
}

}
