#pragma once

#include <QDate>
#include <QString>

// The year and month a bill line belongs to (年度, 月份), and the period it covers. Payments and
// reports find their lines by the same texts.
struct BillMonth
{
    int year = 0;
    int month = 0; // 1 to 12

    static BillMonth of(const QDate &date) { return {date.year(), date.month()}; }
    bool isValid() const { return year > 0 && month >= 1 && month <= 12; }

    // 年度 and 月份 as stored: decimal text without leading zeros ("2004", "8").
    QString yearText() const { return QString::number(year); }
    QString monthText() const { return QString::number(month); }
    // "2004年08月", as the month pickers show it.
    QString caption() const;

    // 开始日期 and 结束日期 of the month's lines.
    QDate firstDay() const { return QDate(year, month, 1); }
    QDate lastDay() const { return QDate(year, month, daysIn(year, month)); }
    // The month before: December of the year before for January.
    BillMonth previous() const { return month == 1 ? BillMonth {year - 1, 12} : BillMonth {year, month - 1}; }

    // The Gregorian rule: divisible by 4 and not by 100, or divisible by 400.
    static bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }
    // 31 for the months 1, 3, 5, 7, 8, 10 and 12; 30 for 4, 6, 9 and 11; 29 or 28 for February.
    static int daysIn(int year, int month);

    friend bool operator==(const BillMonth &, const BillMonth &) = default;
};
