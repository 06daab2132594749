#include "reports/core/reportperiod.h"

#include "data/schema.h"

QString YearMonth::firstDayStart() const
{
    return ReportPeriod::dayStart(QDate(year, month, 1));
}

QString YearMonth::firstDayEnd() const
{
    return ReportPeriod::dayEnd(QDate(year, month, 1));
}

ReportPeriod::Check ReportPeriod::checkMonths(const QDate &from, const QDate &to)
{
    if (!from.isValid() || !to.isValid()) {
        return Check::Missing;
    }
    return YearMonth::of(to) < YearMonth::of(from) ? Check::Reversed : Check::Ok;
}

ReportPeriod::Check ReportPeriod::checkDays(const QDate &from, const QDate &to)
{
    if (!from.isValid() || !to.isValid()) {
        return Check::Missing;
    }
    return to < from ? Check::Reversed : Check::Ok;
}

QString ReportPeriod::withPeriod()
{
    // The months are generated, not listed: any length of period takes two values. Year and
    // month become text without leading zeros, as 年度 and 月份 hold them.
    return QStringLiteral("WITH RECURSIVE steps(k) AS (SELECT CAST(? AS INTEGER) UNION ALL "
                          "SELECT k + 1 FROM steps WHERE k < CAST(? AS INTEGER)),\n"
                          "period(y, m, k) AS (SELECT CAST(k / 12 AS TEXT), CAST(k % 12 + 1 AS TEXT), k FROM steps)\n");
}

QString ReportPeriod::dayStart(const QDate &date)
{
    return date.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 00:00:00");
}

QString ReportPeriod::dayEnd(const QDate &date)
{
    return date.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 23:59:59");
}

Conditions &Conditions::equals(const QString &column, const QString &typed)
{
    if (!typed.trimmed().isEmpty()) {
        add(QStringLiteral("(%1 = ?)").arg(column), {typed});
    }
    return *this;
}

Conditions &Conditions::add(const QString &condition, const QVariantList &binds)
{
    if (condition.trimmed().isEmpty()) {
        return *this;
    }
    m_conditions << condition;
    m_binds << binds;
    return *this;
}

QString Conditions::joined() const
{
    return m_conditions.join(QStringLiteral("and"));
}

QString Conditions::where() const
{
    return isEmpty() ? QString() : QStringLiteral(" where ") + joined();
}

QString Conditions::andJoined() const
{
    return isEmpty() ? QString() : QStringLiteral("and") + joined();
}

QString BillState::paid(const QString &alias)
{
    return QStringLiteral("(%1 <> '未缴费')").arg(Schema::billState(alias));
}

QString BillState::unpaid(const QString &alias)
{
    return QLatin1Char('(') + Schema::unpaidLines(alias) + QLatin1Char(')');
}

void ReportPeriod::addYears(const YearMonth &from, const YearMonth &to, const QString &yearColumn, Conditions *lines)
{
    const auto fourDigits = [](int year) { return year >= 1000 && year <= 9999; };
    if (fourDigits(from.year) && fourDigits(to.year)) {
        lines->add(QStringLiteral("(%1 BETWEEN ? AND ?)").arg(yearColumn), {from.yearText(), to.yearText()});
    }
}

int ReportPeriod::stepWithin(const YearMonth &from, const YearMonth &to, const QVariant &year, const QVariant &month)
{
    bool yearOk = false, monthOk = false;
    const QString yearText = year.toString(), monthText = month.toString();
    const YearMonth ym {yearText.toInt(&yearOk), monthText.toInt(&monthOk)};
    if (!yearOk || !monthOk || ym.month < 1 || ym.month > 12 || ym < from || to < ym || ym.yearText() != yearText
        || ym.monthText() != monthText) {
        return -1;
    }
    return ym.step();
}
