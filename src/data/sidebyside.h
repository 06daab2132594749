#pragma once

#include <QSqlDatabase>
#include <QString>
#include <functional>

// Two reads of one computation run at the same time, each on a connection of its own, both
// seeing one state of the database: a report that sums all the lines and the unpaid ones apart
// waits for the longer of the two instead of both.
//
// `here` runs on db, a computation's ReadConnection; `beside` on a second read-only connection to
// the same estate, opened on a thread of its own and cancelled with db's computation. The two
// must share nothing they change. Both read inside one snapshot: a server hands the first's
// snapshot to the second; SQLite cannot, so the second checks that no other connection committed
// between the moment it last looked and its own snapshot, which then is the first's.
//
// Where that cannot be had (db is not a ReadConnection, is inside a transaction, the second
// connection cannot be opened, or another counter committed just then), both run on db, one
// after the other in one snapshot: the same result, only slower. False with the reason of the
// first read that failed.
namespace SideBySide {

using Read = std::function<bool(const QSqlDatabase &db, QString *error)>;

bool run(const QSqlDatabase &db, const Read &here, const Read &beside, QString *error);

// Whether run() would read beside db at all (db is a ReadConnection outside a transaction).
bool canReadBeside(const QSqlDatabase &db);
// Both on db, one after the other in one snapshot: for reads too small to be worth a second
// connection.
bool oneAfterOther(const QSqlDatabase &db, const Read &here, const Read &beside, QString *error);

// Runs at the moment between the first connection's snapshot and the second's: a test commits
// there to check that the two still read one state. Nothing by default.
void setBetweenSnapshots(std::function<void()> step);

}
