#pragma once

#include "data/money.h"
#include "data/schema.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>
#include <optional>

// One value of an old row as parvell-jet-read prints it, and what it becomes in a field of this
// system.
namespace JetValue {

// The text mdbtools gave for a value, or null.
struct Value
{
    QString text;
    bool null = true;
};
using Row = QList<Value>;

// A row line: a JSON array of strings and nulls (numbers and true/false are taken as their text,
// "1"/"0"). False when the line is not one.
bool parseRow(const QByteArray &line, Row *row);

// What an old column holds, as the reader names its type ("currency", "double", ...).
enum class Source { Text, Bool, Whole, Currency, Real, DateTime, Other };
Source sourceOf(const QString &type);

// A field of this system's table and the old column it is taken from.
struct Field
{
    QString name;
    FieldKind kind;
    int source = -1; // the old column; -1 when the old table lacks it
    Source from = Source::Other;
    int money = -1; // its place among the table's money columns in the report
    bool yearOrMonth = false; // 年度, 月份: leading zeros go
    bool password = false; // 权限表.操作口令: stored as its hash
};

// What the conversions changed or could not take, counted for the report.
struct Counts
{
    qint64 texts = 0; // text values taken
    qint64 yearsAndMonths = 0; // that lost leading zeros
    qint64 rounded = 0; // amounts of real-number fields rounded to 0.0001
    qint64 passwords = 0; // hashed
    qint64 unreadableAmounts = 0; // no amount at all, or beyond Money's limit
};

// The value stored for field f: null stays null; currency is taken exactly, an amount of a
// real-number field rounded to 0.0001 (ties to even); a date becomes "YYYY-MM-DD HH:MM:SS", yes/no
// 0/1. An amount is also given in amount. False with the reason (in Chinese) when the value
// cannot be taken, which refuses its row.
bool convert(const Field &f, const Value &v, QVariant *out, std::optional<Money> *amount, QString *why, Counts &counts);

}
