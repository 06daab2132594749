#pragma once

#include "data/dialect.h"
#include "data/money.h"

#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <memory>

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

// Writes rows into 通用 on a connection: one prepared statement for each set of columns, reused
// for every row that fills the same columns; on a server the rows are held and sent with one
// statement (COPY) by flush(), which must come before the transaction commits.
class ScratchTableWriter
{
public:
    explicit ScratchTableWriter(const QSqlDatabase &db);
    ~ScratchTableWriter();

    bool write(const ScratchRow &row);
    // Writes the rows still held; nothing else may run on the connection between the writes
    // and this.
    bool flush();
    QString error() const { return m_error; }

private:
    QSqlDatabase m_db;
    QHash<quint32, std::shared_ptr<BulkStatement>> m_inserts; // by the set of columns filled
    std::unique_ptr<Dialect::RowWriter> m_rows; // the server's writer of many rows, when there is one
    QString m_error;
};
