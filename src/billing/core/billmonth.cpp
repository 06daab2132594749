#include "billing/core/billmonth.h"

QString BillMonth::caption() const
{
    return QStringLiteral("%1年%2月").arg(year).arg(month, 2, 10, QLatin1Char('0'));
}

int BillMonth::daysIn(int year, int month)
{
    switch (month) {
    case 4:
    case 6:
    case 9:
    case 11:
        return 30;
    case 2:
        return isLeapYear(year) ? 29 : 28;
    default:
        return 31;
    }
}
