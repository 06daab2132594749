#pragma once

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <initializer_list>
#include <memory>

// Writes the rows of a report into the scratch table 通用 (see Dm1::fillScratch, which runs it
// inside one transaction). Each set of columns gets one prepared statement, reused for every
// row of that shape, so a report of tens of thousands of rows is written in a blink.
//
//     dm->fillScratch([&](ScratchWriter &out) {
//         return out.append({{"texta", year}, {"moneya", amount}})
//             && out.appendSelect({"texta", "moneya"}, "select 房屋代码, sum(收费金额) from 收费明细表 where 年度=?
//             group by 房屋代码", {year});
//     }, " order by texta,textb");
//
// Values: texts as QString, amounts as Money (written as ten-thousandths), counts as integers,
// dates as QDate or QDateTime (written as stored date texts) or as stored date texts already.
class ScratchWriter
{
public:
    struct Cell
    {
        const char *column; // texta … texti, moneya … moneyh, numbera … numberc, datea … datec
        QVariant value;
    };

    explicit ScratchWriter(const QSqlDatabase &db);
    ~ScratchWriter();

    // Appends one row; the columns not named stay null.
    bool append(std::initializer_list<Cell> cells);
    // Appends the rows of a select, in the order it yields them, as the named columns:
    // "INSERT INTO 通用 (columns) " followed by the select, its values bound.
    bool appendSelect(const QStringList &columns, const QString &select, const QVariantList &binds = {});

    int rowsWritten() const { return m_rows; }
    QString error() const { return m_error; }

    // The value as the scratch table stores it (Money as ten-thousandths, dates as text).
    static QVariant stored(const QVariant &value);

private:
    bool columnsKnown(const QStringList &columns);
    bool fail(const QSqlQuery &q);

    QSqlDatabase m_db;
    QHash<QString, std::shared_ptr<QSqlQuery>> m_inserts; // by column list
    int m_rows = 0;
    QString m_error;
};
