#pragma once

#include <QString>
#include <QtGlobal>

class Dm1;

// The house status table: one row of 通用 per house in 房屋代码 order, marked "△" under
// occupied (texta code, textb mark, textd occupant, texte telephone) or under vacant (textc
// mark) by the house's 使用状况; only "入住" counts as occupied, booked and empty states as
// vacant.
namespace HouseStatus {
struct Counts
{
    qint64 occupied = 0;
    qint64 vacant = 0;
};

// Empties 通用 and fills it with one statement, all in one transaction; false, with the
// database's reason, when that fails (通用 is then as it was).
bool fill(Dm1 *dm, Counts *counts, QString *error);
}
