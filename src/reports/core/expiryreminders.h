#pragma once

#include "reports/core/scratchrows.h"

#include <QDate>
#include <QSqlDatabase>
#include <QString>

// The houses whose planned move-out date (房屋资料.迁出日期) is due: on or before the day the
// horizon ends, today included, or already past. A date with a time of day counts on its day.
namespace ExpiryReminders {

// The longest horizon, in days, that the settings and the reminder window take.
constexpr int MaxDays = 500;

// One row per house due, in 房屋代码 order: texta 房屋代码, textb 房屋面积 as text, textc
// 业主名称, datea 迁入日期, dateb 迁出日期. days is held between 0 and MaxDays.
bool compute(const QSqlDatabase &db, const QDate &today, int days, ScratchSink &out, QString *error);

}
