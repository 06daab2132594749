#pragma once

#include <QString>
#include <QStringList>

// The statements that read and mark one house's bill lines of one month, as the payment window,
// the payment dialog and the arrears report issue them, with every value bound ("?", in the
// order the comments give). They find their lines through the bill lines' house-led key
// (房屋代码, 年度, 月份, 收费名称), so each costs a fraction of a millisecond whatever the
// number of lines.
namespace BillLineSql {

// The house's unpaid lines of a month, the bill the payment window shows (a list query: its
// last line is the ordering, by fee name in pinyin order as everywhere a house's lines are
// shown; the handful of lines the key finds are sorted at no cost). Binds: 房屋代码, 年度, 月份.
QStringList unpaidLinesOfMonth();

// What the house still owes for the month, as "je". Binds: 房屋代码, 年度, 月份.
QString amountDue();

// Marks the house's still unpaid lines of the month paid ("按单缴费"). Binds: 缴费状态 (the way
// of payment), 缴费时间, 缴费人, 收款人, 单据号码, then 房屋代码, 年度, 月份.
QString markBillPaid();

// Marks the house's line of one fee item of the month paid ("单笔缴费"). Binds as markBillPaid,
// then 收费名称.
QString markLinePaid();

// The arrears report's sum for one house and month, as "zje" (SQL lines). Binds: 房屋代码,
// 年度, 月份.
QStringList arrearsOfMonth();

}
