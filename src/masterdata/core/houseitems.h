#pragma once

#include "data/money.h"

#include <QString>
#include <optional>

class Dm1;

// The fee items of a house (房屋收费项目): how a row is made from a fee item and the house, and
// the two rules "保存" and "计算" apply to its multiplier 预付金额 and its amount 金额.
namespace HouseItems {
// 预付金额 of a new row: the house's area named by the item's 收费面积 (rounded to four places)
// for "单价*面积", 1 for "直接输入金额", 0 for any other formula; nothing for an area that is
// no amount.
std::optional<Money> initialQuantity(const QString &formula, double area);
// 预付金额 as "保存" writes it: 0 for the meter formula (its quantity comes from the readings
// each month), 1 for "直接输入金额", what was typed for the others (nothing when that was no
// amount).
std::optional<Money> savedQuantity(const QString &formula, std::optional<Money> typed);
// 金额 = 单价 × 预付金额, rounded to 0.0001 with ties to the even digit.
inline Money amount(Money price, Money quantity)
{
    return price * quantity;
}

// Gives the house every fee item still charged (停止收费 "否") that it does not carry yet, in
// 收费名称 order, in one transaction: pressing "新增项目" again, or after a new fee item was
// made, never makes a second copy. The house is read afresh for its identity and areas. The
// number of rows added, or -1 with the reason in error.
int addMissing(Dm1 *dm, const QString &houseCode, QString *error);
}
