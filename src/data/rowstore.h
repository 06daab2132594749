#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QVariant>
#include <deque>
#include <memory>
#include <vector>

// The cells of an open data set, kept compact for results of a million rows and more: a cell is
// an 8-byte value and a 1-byte type (integers and money as 64-bit integers, reals as doubles,
// texts as the number of a pooled text). Rows live in blocks of a few thousand, so a growing
// result is never copied whole. Equal texts of a column are held once, whatever their number: a
// house code repeated on 240 bill lines, an owner's name, a month's dates.
//
// Reading a cell gives the QVariant a QSqlQuery would give: qint64, double, QString, QByteArray,
// or a null QString for SQL null; a pooled text is one QString shared by every cell holding it.
// A column whose texts are mostly distinct (names, time stamps) is not pooled: its texts are
// kept as UTF-8 bytes and made QStrings when read. A value set while editing comes back as it
// was set (an edited text is pooled).
class RowStore
{
public:
    RowStore();
    ~RowStore();
    RowStore(const RowStore &) = delete;
    RowStore &operator=(const RowStore &) = delete;
    RowStore(RowStore &&) noexcept;
    RowStore &operator=(RowStore &&) noexcept;

    // Empties the store and frees its memory; the rows to come have `columns` cells.
    void reset(int columns = 0);
    int columnCount() const { return m_columns; }
    int rowCount() const { return int(m_reordered ? m_order.size() : size_t(m_physical)); }

    // Appends a row whose cells are all invalid QVariants; returns its number.
    int appendRow();
    // Removes a row; the rows after it move up by one.
    void removeRow(int row);

    // Cells as a result brings them.
    void setNull(int row, int column); // SQL null
    void setInteger(int row, int column, qint64 value);
    void setReal(int row, int column, double value);
    void setText(int row, int column, const char *utf8, qsizetype size);
    void setBlob(int row, int column, const QByteArray &bytes);
    // Any value, kept as it is given (an edit).
    void set(int row, int column, const QVariant &value);

    QVariant value(int row, int column) const;
    // The UTF-8 bytes of a text cell, valid while the store is unchanged; false for any other cell
    // (a null, a number, a text set by editing that is kept as given).
    bool utf8(int row, int column, QByteArrayView *bytes) const;
    bool isNull(int row, int column) const;

private:
    enum Tag : quint8 { Invalid, Null, Integer, Real, Text, OwnText, Other };
    struct Block;
    struct Column;

    struct Cell
    {
        quint64 *bits;
        quint8 *tag;
    };
    Cell cell(int row, int column) const;
    void setOther(Cell c, const QVariant &value);
    quint64 ownText(const char *utf8, qsizetype size);
    QByteArrayView ownBytesAt(quint64 bits) const;
    QString ownTextAt(quint64 bits) const;

    int m_columns = 0;
    int m_physical = 0; // rows appended, removed ones included
    std::vector<Block> m_blocks;
    // The physical row of each row once a row has been removed (m_reordered); unused while they
    // are the same. Removing the last row leaves it empty but still in force.
    std::vector<int> m_order;
    bool m_reordered = false;
    std::vector<Column> m_texts; // each column's texts
    std::deque<QVariant> m_others; // blobs, and values set by editing that are kept as given
    std::vector<std::unique_ptr<char[]>> m_bytes; // the unpooled texts, as UTF-8
    qsizetype m_bytesUsed = 0; // of the last block
};
