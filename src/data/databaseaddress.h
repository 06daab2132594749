#pragma once

#include "data/dialect.h"

#include <QString>
#include <functional>
#include <optional>

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
    // How it is named to the operator: "数据库服务器（host=… dbname=…）", or the file.
    QString shownName() const;

    // Asks the operator for the server's password: the question shown (which server, and why
    // when a password typed before was refused); nothing when the operator gave up.
    using PasswordAsker = std::function<std::optional<QString>(const QString &question)>;
    // Makes sure the database can be reached before a connection is opened: a server that
    // wants a password none was given for (nor in ~/.pgpass), or refuses the one given, has the
    // operator asked, three times at most, as at the login; the password is kept here only.
    // False with the reason (the server's own on the last line).
    bool reach(const PasswordAsker &ask, QString *error);
    // A new connection `name` to the estate: set up as the program's own connection (its own
    // scratch table 通用, see Dm1::setUpConnection), or read-only for a computation that must
    // change nothing. False with the reason; the connection is then removed again.
    bool open(const QString &name, bool readOnly, QString *error) const;
    // Closes and removes a connection made by open().
    static void close(const QString &name);
};
