#pragma once

#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <memory>

class BulkStatement;

// One row of a report for the scratch table 通用: the columns it fills and their values, the
// others staying null. Columns are texta … texti, moneya … moneyd, numbera … numberc and
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

// Writes rows into 通用 on a connection: one prepared statement for each set of columns, reused
// for every row that fills the same columns.
class ScratchTableWriter
{
public:
    explicit ScratchTableWriter(const QSqlDatabase &db);
    ~ScratchTableWriter();

    bool write(const ScratchRow &row);
    QString error() const { return m_error; }

private:
    QSqlDatabase m_db;
    QHash<quint32, std::shared_ptr<BulkStatement>> m_inserts; // by the set of columns filled
    QString m_error;
};
