#pragma once

#include "components/grid/core/exporttable.h"
#include "data/dataset.h"
#include "data/money.h"

#include <QList>
#include <QString>
#include <optional>

// One column of a grid: which field it shows and how.
struct GridColumn
{
    enum class Footer { None, Text, Count, Sum, Value };

    QString field;
    QString title; // levels separated by "|": "面积|房屋面积"
    int width = 80;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter; // money and numbers: right
    bool sortable = false; // the title is a sort button
    Footer footer = Footer::None;
    QString footerText; // for Footer::Text, and the value set for Footer::Value
    bool visible = true;
    int decimals = -1; // money/number display decimals; -1 = shortest form

    // Declaration helpers, so a window's column table reads as one line a column:
    // GridColumn::of("楼宇名称", "楼宇名称", 160).withFooter(Footer::Text, "记录数")
    static GridColumn of(const QString &field, const QString &title, int width = 80)
    {
        GridColumn c;
        c.field = field;
        c.title = title;
        c.width = width;
        return c;
    }
    GridColumn &alignRight()
    {
        alignment = Qt::AlignRight | Qt::AlignVCenter;
        return *this;
    }
    GridColumn &sortButton()
    {
        sortable = true;
        return *this;
    }
    GridColumn &withFooter(Footer kind, const QString &text = {})
    {
        footer = kind;
        footerText = text;
        return *this;
    }
    GridColumn &withDecimals(int n)
    {
        decimals = n;
        return *this;
    }
};

// How a grid shows its rows, kept apart from the widgets so that a program without windows
// exports exactly the file the grid's "导出" writes.
namespace GridCells {

// The text of a cell: the data set's display text, or a money or number value with the
// column's decimals when it has them.
QString text(const DataSet &rows, int row, int field, int decimals);

// A column's running total: money and whole numbers exactly, reals with the rounding error of
// each step carried along (Neumaier), so adding and taking away a value leaves the sum as it was.
struct Sum
{
    quint64 moneyLow = 0; // the money total in 128 bits: low and high word
    qint64 moneyHigh = 0;
    int unreadable = 0; // cells that hold no amount
    qint64 integer = 0;
    double real = 0;
    double realError = 0;
    // Takes a stored value of a field of this kind into (sign 1) or out of (sign -1) the sum.
    void add(FieldKind kind, const QVariant &value, int sign);
    void addMoney(qint64 raw);
    void addReal(double x);
    std::optional<Money> money() const;
};

// The footer text of a column: its fixed text, the row count, or its sum in the field's kind
// (Money::UnreadableText when a cell holds no amount). hasField: the column shows a field of
// the rows.
QString footerText(const GridColumn &column, FieldKind kind, bool hasField, const Sum &sum, int rows);

// The table an export writes for the visible columns over every row of a data set, as the
// grid showing them exports it.
ExportTable exportTable(const DataSet &rows, const QList<GridColumn> &columns);

}
