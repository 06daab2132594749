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
    return QStringLiteral("(%1 = '未缴费')").arg(Schema::billState(alias));
}
