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

// Where a report puts its rows, one at a time in report order. append() false stops the report:
// the run was cancelled or the rows cannot be taken.
class ScratchSink
{
public:
    virtual ~ScratchSink() = default;
    virtual bool append(ScratchRow row) = 0;
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

    // Adds the row; with `shown`, also appends it there as "select * from 通用" reads it back
    // (ScratchTableWriter::fields()), its id left for the writer to give.
    void add(const ScratchRow &row, RowStore *shown = nullptr);
    int rowCount() const { return int(m_rowStarts.size()); }
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
        bool isText = false;
        qint64 integer = 0;
        QByteArray text; // UTF-8
    };
    struct LastText
    {
        QString text;
        QByteArray utf8;
    };
    QByteArray textOf(int column, const QVariant &value);
    void keepRow(size_t r, RowStore *shown) const;
    // The values of row r.
    size_t begin(size_t r) const { return m_rowStarts[r]; }
    size_t end(size_t r) const { return r + 1 < m_rowStarts.size() ? m_rowStarts[r + 1] : m_values.size(); }

    std::vector<Value> m_values;
    std::vector<size_t> m_rowStarts; // each row's first value
    quint32 m_columns = 0; // the columns any row fills
    std::array<LastText, ColumnCount> m_lastTexts; // each column's last text
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
