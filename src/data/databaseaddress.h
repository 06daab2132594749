#pragma once

#include "data/dialect.h"

#include <QString>

// Where an estate's database is: the SQLite file in the home, or a database on a PostgreSQL
// server (a libpq conninfo line such as "host=db.office dbname=parvell user=counter1", with the
// password asked at start-up and kept in memory only). What a computation needs to open a
// connection of its own to the same estate.
struct DatabaseAddress
{
    QString where; // the file's path, or the server's conninfo line
    QString password; // server only; never written anywhere
    bool onServer = false;

    const Dialect &dialect() const { return onServer ? Dialect::postgres() : Dialect::sqlite(); }
    // A new connection `name` to the estate: set up as the program's own connection (its own
    // scratch table 通用, see Dm1::setUpConnection), or read-only for a computation that must
    // change nothing. False with the reason; the connection is then removed again.
    bool open(const QString &name, bool readOnly, QString *error) const;
    // Closes and removes a connection made by open().
    static void close(const QString &name);
};
