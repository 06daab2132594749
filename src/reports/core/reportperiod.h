#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <compare>

// A bill month: year and month number, as the bill lines' 年度 and 月份 hold them ("2004", "9").
struct YearMonth
{
    int year = 0;
    int month = 0; // 1 … 12

    static YearMonth of(const QDate &date) { return {date.year(), date.month()}; }
    // Months counted from the start of year 0; consecutive months have consecutive steps.
    int step() const { return year * 12 + month - 1; }
    static YearMonth fromStep(int step) { return {step / 12, step % 12 + 1}; }
    QString yearText() const { return QString::number(year); }
    QString monthText() const { return QString::number(month); }
    // "2004年", "9月": the year and month columns of the reports.
    QString yearCaption() const { return yearText() + QStringLiteral("年"); }
    QString monthCaption() const { return monthText() + QStringLiteral("月"); }
    // The first day of the month at 0:00:00 and at 23:59:59, as stored dates compare.
    QString firstDayStart() const;
    QString firstDayEnd() const;

    auto operator<=>(const YearMonth &) const = default;
};

class Conditions;

// A report's period: from one month (or day) to another, both included.
namespace ReportPeriod {

enum class Check { Ok, Missing, Reversed };

// A period of bill months: missing when either date is not valid, reversed when the to-month
// comes before the from-month (the days do not count).
Check checkMonths(const QDate &from, const QDate &to);
// A period of whole days.
Check checkDays(const QDate &from, const QDate &to);

// The start of a statement whose table "period" (y, m, k) holds one row per month from one
// month to another, both included: within one year the months between the two, over several
// years the rest of the first year, every month of the years between and the start of the last
// year. y and m are the year and month as the bill lines hold them, k the month's step,
// ascending in calendar order. Binds: from.step(), to.step().
QString withPeriod();

// The bill lines of the years from `from` to `to`, as a condition on yearColumn: a range that an
// index led by the year and month reads in its order, so that sums grouped by month come without
// sorting. Months of those years outside the period are left to stepWithin(). Years are compared
// as text, which is their order while they have four digits.
void addYears(const YearMonth &from, const YearMonth &to, const QString &yearColumn, Conditions *lines);
// The step of the month a line's 年度 and 月份 name, when it is a month from `from` to `to` as the
// lines hold them ("2004", "9"); -1 otherwise.
int stepWithin(const YearMonth &from, const YearMonth &to, const QVariant &year, const QVariant &month);

// Day bounds as stored date-times compare: "2004-09-01 00:00:00" and "2004-09-30 23:59:59".
QString dayStart(const QDate &date);
QString dayEnd(const QDate &date);

}

// The filter conditions of a report: each filled control gives one bracketed condition with its
// value bound, in the window's order, joined as "(a)and(b)". A control whose text is blank after
// trimming gives none; a filled one is compared as typed, blanks and all.
class Conditions
{
public:
    // "(column = ?)" with the typed text, when it is not blank.
    Conditions &equals(const QString &column, const QString &typed);
    // Any other condition, with its values; none when it is blank.
    Conditions &add(const QString &condition, const QVariantList &binds = {});

    bool isEmpty() const { return m_conditions.isEmpty(); }
    // "(a)and(b)"; empty when there is no condition.
    QString joined() const;
    // " where (a)and(b)", or nothing.
    QString where() const;
    // "and(a)and(b)" to follow a condition already written; nothing when there is none.
    QString andJoined() const;
    QVariantList binds() const { return m_binds; }

private:
    QStringList m_conditions;
    QVariantList m_binds;
};

// The payment state of a bill line, as conditions on its 缴费状态 (alias the table's name in the
// statement). A line is paid when a way of payment is recorded; a line that is "未缴费" or has
// no state at all is unpaid: the two always add up to every line.
namespace BillState {
QString paid(const QString &alias);
QString unpaid(const QString &alias);
}
