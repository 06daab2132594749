#pragma once

#include "billing/core/billmonth.h"

#include <QSqlDatabase>

class QWidget;

// "全部生成" as the operator runs it, from the bill window or from the menu: the question, the
// whole-estate generation of the month behind a progress dialog with "取消", and the counts.
namespace EstateRun {
// False when the operator said No, true when the run took place on db (whatever it made).
bool run(QWidget *parent, const QSqlDatabase &db, BillMonth month);
}
