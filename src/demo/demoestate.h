#pragma once

// The demo estate as the office's windows would have left it, worked out in memory before
// anything is written. Used only by the demo estate itself.
#include "demo/demopeople.h"
#include "data/formulas.h"
#include "data/money.h"

#include <QDate>
#include <QList>
#include <QString>

namespace DemoEstate {

inline const QString Unpaid = QStringLiteral("未缴费");
using Formula::ByArea;
using Formula::ByMeter;
using Formula::ByQuantity;
using Formula::ByRatio;
using Formula::Direct;
inline const QString SameAmount = QStringLiteral("业主收费金额相同");
inline const QString DiffersPerOwner = QStringLiteral("业主收费金额不同");
inline const QString Occupied = QStringLiteral("入住");
inline const QString Vacant = QStringLiteral("空置");
inline const QString Booked = QStringLiteral("预定");
inline const QString Lease = QStringLiteral("租房");
inline const QString Sale = QStringLiteral("售房");
inline constexpr int Months = 3;

struct Building
{
    QString name;
    QDate built;
    QString structure;
    int floors;
    int units;
};

struct Owner
{
    DemoPerson person;
    QString address;
    QString houseCode;
    QDate registered;
    bool hasPayments = false;
};

struct House
{
    QString code, name, building, unit, location, layout, title;
    qint64 area = 0, shared = 0, other1 = 0, other2 = 0; // hundredths of a square metre
    QString state = Vacant;
    int owner = -1;
    QString lease;
    QDate moveIn, moveOut;
    Money odd, deposit;
    int water = 0, power = 0; // meter readings before the first billed month
    bool chronicDebtor = false;
};

struct Item
{
    QString name;
    Money price;
    QString formula, area, scope, period, category;
    Money amount;
    QString note;
    bool stopped = false;
};

struct HouseItem
{
    int house;
    int item;
    Money price;
    Money multiplier;
};

struct Line
{
    int house = 0;
    int item = 0;
    int month = 0; // 0 .. Months-1, oldest first
    Money price;
    double thisReading = 0;
    double lastReading = 0;
    double quantity = 0;
    Money due;
    QString state = Unpaid;
    QDate paidOn;
    QString payer, receiver, receipt;
};

struct Payment
{
    int house = 0;
    int month = 0;
    QString what; // "按单缴费" or the fee paid alone
    Money due, paid, cash, transfer, previousOdd;
    QDate date;
    QString method, receipt, payer, receiver;
};

struct Deposit
{
    QDate date;
    int house;
    QString type;
    Money amount;
    QString method, receipt, note;
};

struct PastLease
{
    int house = 0;
    int owner = 0;
    QDate in, plannedOut, out;
};

struct Plan
{
    QList<QDate> months; // first day of each billed month, oldest first
    QList<Building> buildings;
    QList<House> houses;
    QList<Owner> owners;
    QList<PastLease> pastLeases; // tenants who have moved out
    QList<Item> items;
    QList<int> billed; // the active items in name order
    QList<HouseItem> houseItems;
    QList<Line> lines;
    QList<Payment> payments;
    QList<Deposit> deposits;
};

// The estate on the given day; the same day always gives the same estate.
Plan plan(const QDate &today);

} // namespace DemoEstate
