#pragma once

#include "data/money.h"
#include "reports/core/billreports.h"
#include "reports/core/reportperiod.h"
#include "reports/core/scratchrows.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <optional>

// What the manager asks for the collection rate (收费率): a period of bill months, optionally
// one building and one fee item (blank: all, a filled text compared as typed), and whether each
// building gets a row (and a line in the chart) of its own.
struct CollectionFilter
{
    YearMonth from;
    YearMonth to;
    QString building; // 楼宇名称 of the bill lines
    QString feeName; // 收费名称 of the bill lines
    bool byBuilding = false;
};

// One month (and, by building, one building) of the collection rate.
struct CollectionRow
{
    YearMonth month;
    QString building; // by building: the lines' 楼宇名称 ("" for none); else the building chosen
    Money billed; // 应收: every line of the month
    Money paid; // 已收: the paid lines
    Money unpaid; // 未收: the rest, lines marked "未缴费", empty or without a state
    qint64 housesUnpaid = 0; // houses with at least one unpaid line
    qint64 negativeLines = 0; // lines with an amount below zero (left by an old database)

    // 收费率 in tenths of a percent, from the exact sums; nothing when nothing was billed.
    std::optional<qint64> rateTenths() const;
};

// The collection rate, month by month (and building by building), computed by one grouped
// statement over the bill lines 收费明细表. Amounts are counted as stored, negative ones too.
namespace CollectionRates {

// 已收 / 应收 in tenths of a percent, rounded half away from zero: 1 of 3 is 333 (33.3 %).
// Nothing when billed is zero.
std::optional<qint64> rateTenths(Money paid, Money billed);
// "93.5%", "100.0%", or "—" for no rate.
QString rateText(std::optional<qint64> tenths);

// The rows in month order (and, by building, in the buildings' order within a month); only
// months with bill lines have rows. False with the database's reason in error.
bool compute(const QSqlDatabase &db, const CollectionFilter &filter, QList<CollectionRow> *rows, QString *error);
// The statement of the estate's months when no building or fee item is chosen: per month y, m,
// 应收, 未收, the houses with unpaid lines and the negative lines; months of the period's years
// outside the period are the caller's to leave out.
BillReports::Statement estateSums(const CollectionFilter &filter);

// The same rows for the scratch table 通用: texta "2024年", textb "3月", textc the building,
// moneya 应收, moneyb 已收, moneyc 未收, textd the rate ("—" for none), numbera the houses with
// anything unpaid, numberb the lines below zero, numberc the month's step (YearMonth::step()),
// texte "含负数金额" on a row with lines below zero.
bool toScratch(const QSqlDatabase &db, const CollectionFilter &filter, ScratchSink &out, QString *error);

}
