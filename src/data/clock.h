#pragma once

#include <QDate>
#include <QDateTime>

// The one source of "today" and "now". Tests fix it to a chosen moment.
namespace Clock {
QDateTime now();
QDate today();
// Fixes the clock at the given moment; an invalid value returns to the system clock.
void setFixed(const QDateTime &moment);
}
