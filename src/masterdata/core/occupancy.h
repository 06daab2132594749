#pragma once

#include <QDate>
#include <QString>

class Dm1;

// Moves in and out (房屋租赁表) and what they leave in the house (房屋资料: the occupant fields
// and 使用状况) and in the owner (业主资料.房屋代码).
namespace Occupancy {
enum class Case { MoveOut, MoveIn, Booking };

// A saved record's case: moved out wins over moved in; neither is a booking.
inline Case caseOf(bool movedOut, bool movedIn)
{
    return movedOut ? Case::MoveOut : movedIn ? Case::MoveIn : Case::Booking;
}

// A move record as saved: the house, the occupant as copied from the owner, the dates.
struct Move
{
    QString houseCode;
    QString owner, idNumber, employer, address, phone;
    QDate moveIn;
    QDate plannedOut; // invalid: open-ended
    bool movedIn = false;
    bool movedOut = false;
    bool isNew = false; // a record not yet in the table
};

// The house's occupancy now: its 使用状况 and occupant; exists is false for an unknown house.
struct HouseNow
{
    bool exists = false;
    QString state;
    QString owner;
    // Nobody lives in it or has booked it: "空置", or no state at all.
    bool isVacant() const { return state.isEmpty() || state == QStringLiteral("空置"); }
};
HouseNow houseNow(Dm1 *dm, const QString &houseCode, QString *error);
// The owner is in 业主资料 (false with the reason when the lookup failed).
bool ownerExists(Dm1 *dm, const QString &owner, QString *error);

// The house and owner updates of a saved record, to be run in the transaction that writes it.
//  - Move-out: the house is emptied ("空置", dates null, occupant texts empty) only while it
//    still shows this record's owner, and the owner's 房屋代码 emptied only while it is still
//    this house; an old record moved out never evicts a later occupant.
//  - Move-in ("入住") and booking ("预定"): the house takes the occupant and the dates (an empty
//    planned move-out date empties the house's 迁出日期), the owner takes the house code. A new
//    record always does so (the window asked first when the house was taken); a record saved
//    again does so only while the house is vacant or still shows this owner, so mending an
//    old record never replaces the current occupant.
bool apply(Dm1 *dm, const Move &move, QString *error);

// A deleted record's owner is no longer in use (是否使用 "否"); the house is left as it is.
bool release(Dm1 *dm, const QString &owner, QString *error);
}
