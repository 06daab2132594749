#include "components/grid/core/gridcolumn.h"

#include <cmath>

QString GridCells::text(const DataSet &rows, int row, int field, int decimals)
{
    if (field < 0 || row < 0) {
        return {};
    }
    if (decimals >= 0) {
        const QVariant v = rows.value(row, field);
        if (v.isNull()) {
            return {};
        }
        switch (rows.fieldKind(field)) {
        case FieldKind::Money:
            return Money::storedText(v, qMin(decimals, 4));
        case FieldKind::Number:
            return QString::number(v.toDouble(), 'f', decimals);
        default:
            break;
        }
    }
    return rows.displayText(row, field);
}

void GridCells::Sum::add(FieldKind kind, const QVariant &value, int sign)
{
    if (value.isNull()) {
        return;
    }
    if (kind == FieldKind::Money) {
        if (const auto m = Money::fromStored(value)) {
            addMoney(sign > 0 ? m->raw() : -m->raw());
        } else {
            unreadable += sign;
        }
    } else if (kind == FieldKind::Integer) {
        integer += sign * value.toLongLong();
    } else {
        addReal(sign * value.toDouble());
    }
}

void GridCells::Sum::addReal(double x)
{
    const double t = real + x;
    realError += std::abs(real) >= std::abs(x) ? (real - t) + x : (x - t) + real;
    real = t;
}

void GridCells::Sum::addMoney(qint64 raw)
{
    // Two words, so that a total that passed beyond 64 bits on the way comes back exactly when
    // the value that took it there is taken out again.
    const quint64 before = moneyLow;
    moneyLow += quint64(raw);
    moneyHigh += (moneyLow < before ? 1 : 0) - (raw < 0 ? 1 : 0);
}

std::optional<Money> GridCells::Sum::money() const
{
    const bool fits = moneyHigh == (qint64(moneyLow) < 0 ? -1 : 0);
    if (unreadable != 0 || !fits) {
        return std::nullopt;
    }
    return Money::fromRaw(qint64(moneyLow));
}

QString GridCells::footerText(const GridColumn &column, FieldKind kind, bool hasField, const Sum &sum, int rows)
{
    switch (column.footer) {
    case GridColumn::Footer::None:
        return {};
    case GridColumn::Footer::Text:
    case GridColumn::Footer::Value:
        return column.footerText;
    case GridColumn::Footer::Count:
        return QString::number(rows);
    case GridColumn::Footer::Sum:
        break;
    }
    if (!hasField) {
        return {};
    }
    switch (kind) {
    case FieldKind::Money: {
        // A cell that holds no amount (or a total past 64 bits) makes the sum unknown, and the
        // footer says so.
        const auto total = sum.money();
        if (!total) {
            return Money::UnreadableText;
        }
        return column.decimals >= 0 ? total->toString(qMin(column.decimals, 4)) : total->toString();
    }
    case FieldKind::Integer:
        return QString::number(sum.integer);
    default: {
        const double total = sum.real + sum.realError;
        return column.decimals >= 0 ? QString::number(total, 'f', column.decimals) : QString::number(total, 'g', 15);
    }
    }
}

ExportTable GridCells::exportTable(const DataSet &rows, const QList<GridColumn> &columns)
{
    struct Shown
    {
        GridColumn column;
        int field;
    };
    QList<Shown> shown;
    ExportTable t;
    bool footer = false;
    for (const GridColumn &c : columns) {
        if (!c.visible) {
            continue;
        }
        const int field = rows.fieldIndex(c.field);
        shown.append({c, field});
        t.titles << c.title;
        t.kinds << (field >= 0 ? rows.fieldKind(field) : rows.fieldKind(c.field));
        t.alignments << c.alignment;
        footer = footer || c.footer != GridColumn::Footer::None;
    }
    t.rowCount = rows.isOpen() ? rows.recordCount() : 0;
    const DataSet *set = &rows;
    t.value = [set, shown](int row, int column) {
        return column >= 0 && column < shown.size() && shown[column].field >= 0 ? set->value(row, shown[column].field)
                                                                                : QVariant();
    };
    t.text = [set, shown](int row, int column) {
        return column >= 0 && column < shown.size()
            ? text(*set, row, shown[column].field, shown[column].column.decimals)
            : QString();
    };
    if (footer) {
        for (const Shown &s : shown) {
            Sum sum;
            const FieldKind kind = s.field >= 0 ? rows.fieldKind(s.field) : FieldKind::Text;
            if (s.field >= 0 && s.column.footer == GridColumn::Footer::Sum) {
                for (int r = 0; r < t.rowCount; ++r) {
                    sum.add(kind, rows.value(r, s.field), 1);
                }
            }
            t.footer << footerText(s.column, kind, s.field >= 0, sum, t.rowCount);
        }
    }
    return t;
}
