#pragma once

#include "billing/core/billmonth.h"
#include "data/money.h"

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <optional>

// The amounts of a house's bill lines of one month. Readings and quantities are stored as real
// numbers and taken as money (rounded to 0.0001, ties to even, from their shortest decimal
// text) whenever they enter a computation. Paid lines (缴费状态 other than "未缴费") are settled:
// nothing here changes them.
namespace BillComputation {
inline const QString Unpaid = QStringLiteral("未缴费");
inline bool isPaid(const QString &state)
{
    return state != Unpaid;
}

// The house's lines of a month as the bill window lists them, the last line its ordering.
// Binds: 房屋代码, 年度, 月份.
QStringList linesOfMonth();
// The house's unpaid lines of a month with what the computation reads. Binds as linesOfMonth.
QString unpaidLinesOfMonth();

// 面积/数量 as the computation sets it: 本月表数 − 上月表数 for "单价*(本月数-上月数)", 1 for
// "直接输入金额", the line's own for every other formula (an unknown or empty one included).
Money quantity(const QString &formula, Money own, Money thisReading, Money lastReading);
// 收费金额 = 单价 × 面积/数量, rounded to 0.0001 with ties to the even digit.
inline Money amount(Money price, Money quantity)
{
    return price * quantity;
}

// An unpaid meter line whose reading this month is below last month's, or a negative reading:
// a reading not typed yet would bill a large negative amount.
struct DoubtfulReading
{
    QString feeName;
    Money thisReading;
    Money lastReading;
};
QList<DoubtfulReading> doubtfulReadings(const QSqlDatabase &db, const QString &houseCode, BillMonth month,
                                        QString *error);
// "水费：本月表数 120，上月表数 135" a line, for the question before computing.
QString describe(const QList<DoubtfulReading> &readings);

// The stored 缴费状态 of a line (a line without one counts as settled); nothing when the line
// is gone (deleted at another workstation) or, with error set, when the database refuses.
std::optional<QString> storedState(const QSqlDatabase &db, qint64 lineId, QString *error);
// Deletes the line when it is unpaid: false with error empty when it was paid (or gone)
// meanwhile, false with error set when the database refuses.
bool deleteUnpaid(const QSqlDatabase &db, qint64 lineId, QString *error);

// Who saved a line and when (操作人员, 操作日期).
struct Stamp
{
    qint64 lineId = -1; // the line stamped
    QString operatorName;
    QDateTime at;
};

// Sets 面积/数量 and 收费金额 of every unpaid line of the house and month, and stamps the
// line of stamp (when given and unpaid), in one transaction. The number of lines computed, or
// -1 with the database's reason in error (nothing is then changed).
int compute(const QSqlDatabase &db, const QString &houseCode, BillMonth month, const Stamp *stamp, QString *error);
}
