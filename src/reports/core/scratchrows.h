#pragma once

#include "data/dialect.h"
#include "data/money.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <array>
#include <memory>
#include <unordered_map>
#include <vector>

class BulkStatement;

// One row of a report for the scratch table 通用: the columns it fills and their values, the
// others staying null. Columns are texta … texti, moneya … moneyh, numbera … numberc and
// datea … datec; values are texts, amounts as Money, counts as integers and dates as stored
// date texts ("2004-09-01 00:00:00").
struct ScratchCell
{
    const char *column;
    QVariant value;
};
using ScratchRow = QList<ScratchCell>;

class ScratchBatch;

// Where a report puts its rows, one at a time in report order. append() false stops the report:
// the run was cancelled or the rows cannot be taken.
//
// A sink that collects its rows in a ScratchBatch may also lend it (batch()): a report that reads
// its rows cell by cell from a statement then puts them there directly (ScratchRowMaker) and calls
// rowMade() when a row is complete, with no ScratchRow in between.
class ScratchSink
{
public:
    virtual ~ScratchSink() = default;
    virtual bool append(ScratchRow row) = 0;
    // The batch rows may be made in, or null (the default): rows come to append() only.
    virtual ScratchBatch *batch() { return nullptr; }
    // The row put into batch() is complete: the sink ends it (ScratchBatch::endRow) and takes it,
    // as append() would.
    virtual bool rowMade() { return false; }
};

// Reads the amounts a report's statements return. A value that is no amount (a damaged or
// foreign entry, Money::fromStored) is never counted as anything: the reader remembers it and
// the report stops with NoAmount instead of showing a wrong total.
class StoredAmounts
{
public:
    Money operator()(const QVariant &value);
    // True, with the message in *error, once a value was no amount.
    bool refused(QString *error) const;
    static const QString NoAmount; // "数据中有无法识别的金额（金额有误），统计未完成"

private:
    bool m_bad = false;
};

class RowStore;

// A report's rows in the form 通用 and the grid hold them, each value made once: a text's UTF-8
// bytes, an amount's ten-thousandths. A report's computing thread makes them, and the window's
// thread only writes them.
class ScratchBatch
{
public:
    static constexpr int ColumnCount = 23; // texta … datec
    // The place of a column of 通用 ("texta" … "datec") in a row; -1 for any other name.
    static int columnOf(const char *name);

    // Adds the row; with `shown`, also appends it there as "select * from 通用" reads it back
    // (ScratchTableWriter::fields()), its id left for the writer to give.
    void add(const ScratchRow &row, RowStore *shown = nullptr);
    // A row made value by value, columns in any order (a column given twice keeps the last value,
    // a null leaves it empty), then added by endRow() as add() adds a row. A text or date column
    // takes a text cell of a statement's rows as it is, any other cell as its text; an amount or
    // count column takes an integer (an amount's ten-thousandths).
    void putText(int column, const RowStore &rows, int row, int cell);
    void putInteger(int column, qint64 value);
    void endRow(RowStore *shown = nullptr);

    int rowCount() const { return int(m_rowStarts.size()); }
    // Row r as a report's row: texts and dates as texts, amounts as Money, counts as integers.
    ScratchRow row(int r) const;
    // Appends the rows to shown as add() would have.
    void keepIn(RowStore *shown) const;
    // Forgets the rows, keeping what the next rows may share.
    void clearRows();
    // The rows, taken out; what the next rows may share stays.
    ScratchBatch takeRows();

private:
    friend class ScratchTableWriter;
    struct Value
    {
        int column = 0;
        qsizetype size = -1; // a text's number of bytes; -1 for an integer
        qint64 integer = 0; // the integer, or where the text's bytes start in m_bytes
        bool isText() const { return size >= 0; }
    };
    struct LastText
    {
        QString text;
        QByteArray utf8;
    };
    void putText(int column, const QVariant &value);
    void putBytes(int column, const char *utf8, qsizetype size);
    // A text's bytes (never a null pointer, also for an empty text).
    const char *bytesOf(const Value &v) const { return v.size == 0 ? "" : m_bytes.data() + v.integer; }
    void keepRow(size_t r, RowStore *shown) const;
    // The values of row r.
    size_t begin(size_t r) const { return m_rowStarts[r]; }
    size_t end(size_t r) const { return r + 1 < m_rowStarts.size() ? m_rowStarts[r + 1] : m_values.size(); }

    std::vector<Value> m_values;
    std::vector<size_t> m_rowStarts; // each row's first value
    std::vector<char> m_bytes; // the texts' UTF-8, one after the other
    quint32 m_columns = 0; // the columns any row fills
    std::array<Value, ColumnCount> m_row; // the row being made
    quint32 m_rowColumns = 0; // the columns it fills so far
    std::array<LastText, ColumnCount> m_lastTexts; // each column's last text
};

// Makes a report's rows value by value straight from a statement's cells: into the sink's own
// batch where it lends one, else into a batch of one row handed to the sink as a ScratchRow.
class ScratchRowMaker
{
public:
    explicit ScratchRowMaker(ScratchSink &out);
    Q_DISABLE_COPY_MOVE(ScratchRowMaker)
    // Where the values of the row go (ScratchBatch::putText, putInteger).
    ScratchBatch &row() { return *m_rows; }
    // Hands the complete row to the sink; false when the sink refuses it.
    bool append();

private:
    ScratchSink &m_out;
    ScratchBatch m_one;
    ScratchBatch *m_rows;
};

// Writes rows into 通用 on a connection. On a file the rows go in up to 32 at a time, one
// prepared insert for each set of columns and number of rows; on a server they are held and sent
// with one statement (COPY). flush() writes what is held and must come before the transaction
// commits; a write that fails is told by the write() or flush() that sends it.
//
// With `shown`, each row written one by one is also appended there as "select * from 通用" would
// read it back (fields()), its id the one 通用 gave it: the rows the grid shows are those written,
// without a second read. A batch made elsewhere keeps its rows where it was made: lastId() then
// gives the ids.
class ScratchTableWriter
{
public:
    static constexpr int ColumnCount = ScratchBatch::ColumnCount;

    explicit ScratchTableWriter(const QSqlDatabase &db, RowStore *shown = nullptr);
    ~ScratchTableWriter();

    // The fields of 通用 in the order "select *" gives them, id first.
    static QStringList fields();
    bool write(const ScratchRow &row);
    bool write(const ScratchBatch &batch);
    // Writes the rows still held, and gives the rows kept in `shown` their ids; nothing else may
    // run on the connection between the writes and this.
    bool flush();
    // The id of the last row written, after flush(): the rows written hold the ids up to it, one
    // each, in the order they were written.
    bool lastId(qint64 *id);
    QString error() const { return m_error; }

private:
    static constexpr int HeldRows = 32;

    BulkStatement *insertOf(quint32 columns, int rows);
    bool numberKept();

    QSqlDatabase m_db;
    RowStore *m_shown = nullptr;
    int m_unnumbered = 0; // rows kept in m_shown whose id is not known yet
    // By the columns named and the number of rows (in the upper half).
    std::unordered_map<quint64, std::unique_ptr<BulkStatement>> m_inserts;
    ScratchBatch m_held; // rows not yet written
    std::unique_ptr<Dialect::RowWriter> m_rows; // the server's writer of many rows, when there is one
    QString m_error;
};
