#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringView>

// Dates are stored as text "YYYY-MM-DD HH:MM:SS" (a plain date with the time 00:00:00). They
// are read and written here by hand, in one place: QDateTime's parsing and formatting consult
// the local time zone for every value, which made a list of a hundred thousand dates slow to
// show and to export. Nothing here depends on the time zone.
namespace StoredDate {

struct Value
{
    QDate date; // invalid when the text is not a date
    int seconds = 0; // the time of day in seconds, 0 to 86399
    bool exact = false; // the text is a date or a date and time and nothing else

    bool isValid() const { return date.isValid(); }
    bool hasTime() const { return seconds != 0; }
};

// Reads a stored date: "YYYY-MM-DD HH:MM:SS" or "YYYY-MM-DD", also with "T" before the time, a
// time without seconds, or "24:00:00" (the next day's start) as ISO 8601 has them; blanks around
// it are ignored. A valid date followed by something that is not a time of day counts as that
// date at midnight. Anything else (a day the month lacks, 2005-02-29, a text that is no date,
// "2004/08/15") gives an invalid value.
Value parse(QStringView text);

// "YYYY-MM-DD HH:MM:SS".
QString format(QDate date, int seconds = 0);
QString format(const QDateTime &dateTime);
// "YYYY-MM-DD".
QString formatDate(QDate date);

// The value as a local date and time (null when invalid).
QDateTime toDateTime(const Value &value);

}
