#pragma once

#include "data/databaseaddress.h"

#include <QString>

// "恢复": a backup copy put in place of the database. The connection to the database is closed
// while this runs (the main window closes and reopens it around the restore window).
namespace DatabaseRestore {

// The chosen file is fit to become the database: a readable SQLite database that passes the
// engine's integrity check and holds every table of this system (the scratch table 通用, made
// by each connection, may be there or not). False with the reason
// (naming the file) otherwise.
bool check(const QString &source, QString *error);

// Checks source, copies it beside target as "<target>.restoring", and only when that copy is
// complete and on disk renames it over target. Any failure leaves target exactly as it was.
// Refused while another program still has target open.
bool restore(const QString &source, const QString &target, QString *error);

// The same into the estate's database wherever it is: the file as above, or on a server, where
// the checked file's rows replace every row of the estate in one transaction (ids kept) or,
// should anything fail, nothing changes.
bool restore(const QString &source, const DatabaseAddress &target, QString *error);

}
