#pragma once

#include "reports/core/reportperiod.h"
#include "reports/core/scratchrows.h"

#include <QSqlDatabase>
#include <QString>
#include <QVariantList>

// What the operator chose in a bill report's filter bar. Texts are as typed: a blank one sets
// no condition, a filled one is compared as typed.
struct BillReportFilter
{
    YearMonth from;
    YearMonth to;
    QString houseCode; // 房屋代码 (Edit1)
    QString building; // 楼宇名称 (ComboBox2)
    QString unit; // 楼宇单元 (ComboBox1, listings only)
    QString feeName; // 收费名称 (ComboBox3, listings only)
};

// The rows of the reports over the bill lines 收费明细表, each computed by a few set-based
// statements and written to out in report order. They only read; false with the database's
// reason in error when a statement fails, or when out refuses a row (the run was cancelled).
namespace BillReports {

// "业主欠费总表": for each house (房屋代码 order) and each month of the period in calendar order
// with an unpaid sum above 0, a row with the year, month, that sum and the house's running
// total, the house's building, code and owner on its first row; a separator row (moneyc = 0)
// between houses, and after the last one a separator and the total row "合   计". The houses
// are those of 房屋资料 that match the house code and building.
bool arrears(const QSqlDatabase &db, const BillReportFilter &filter, ScratchSink &out, QString *error);

// "按月份统计缴费总金额": for each month of the period with bill lines (of the house, when
// given), the billed, paid and unpaid amounts and the number of houses in each.
bool monthTotals(const QSqlDatabase &db, const BillReportFilter &filter, ScratchSink &out, QString *error);

// "按收费项目统计缴费总金额": for each month of the period, and within it each fee item of
// 收费项目 in the order it was entered, the billed, paid and unpaid amounts of the lines that
// carry the item's name, when one of them is above 0. Lines of a name no item has are left out.
bool itemTotals(const QSqlDatabase &db, const BillReportFilter &filter, ScratchSink &out, QString *error);
// Whether any fee item exists (without one the totals by item are not computed at all).
bool hasFeeItems(const QSqlDatabase &db, QString *error);

// The grouped statements the reports above read their sums by (whose plans the indexes are
// made for), with their values. The bill lines are either unpaid (those without a state among
// them) or paid, so a paid sum is the whole less the unpaid one: every sum is read from the index
// of all the lines and from that of the unpaid ones, never from the paid lines.
struct Statement
{
    QString sql;
    QVariantList binds;
};
enum class Lines { All, Unpaid };
// Each house's sum and number of lines of each month of the period's years (of the house, when
// given), in month and house order: the arrears read the unpaid ones, the totals by month both.
Statement houseMonthSums(const BillReportFilter &filter, Lines lines);
// Each fee name's sum of every month, of every line (of the house, when given), with the name's
// fee item.
Statement itemSums(const BillReportFilter &filter);
// The year, month, fee name and amount of each unpaid line of the period's years (of the house,
// when given), which the totals by item add up by month and name.
Statement unpaidItemLines(const BillReportFilter &filter);

// "业主缴费全况表", "业主已缴费项目明细表", "业主未缴费项目明细表": one row per bill line of the
// bill months of the period (by 开始日期), matching the filter, in 房屋代码 and 开始日期 order.
enum class Listing { All, Paid, Unpaid };
bool listing(const QSqlDatabase &db, Listing kind, const BillReportFilter &filter, ScratchSink &out, QString *error);

}
