#include "cli/commandtable.h"

#include "data/refusal.h"

#include <QRegularExpression>

const std::vector<std::unique_ptr<Command>> &Command::all()
{
    static const std::vector<std::unique_ptr<Command>> commands = [] {
        std::vector<std::unique_ptr<Command>> list;
        list.push_back(CommandTable::generate());
        list.push_back(CommandTable::report());
        list.push_back(CommandTable::backup());
        list.push_back(CommandTable::verify());
        list.push_back(CommandTable::restore());
        list.push_back(CommandTable::import());
        list.push_back(CommandTable::importReadings());
        return list;
    }();
    return commands;
}

bool CommandTable::month(const QString &text, int *year, int *month)
{
    static const QRegularExpression form(QStringLiteral("^(\\d{4})-(\\d{2})$"));
    const auto m = form.match(text.trimmed());
    if (!m.hasMatch()) {
        return false;
    }
    *year = m.captured(1).toInt();
    *month = m.captured(2).toInt();
    return *year >= 1 && *month >= 1 && *month <= 12;
}

int CommandTable::billMonth(const QCommandLineParser &p, BillMonth *out, Report &report)
{
    if (!p.isSet(QStringLiteral("month"))) {
        return report.fail(Exit::Usage, QStringLiteral("请用 --month 给出收费月份，如 --month 2004-08。"));
    }
    if (!month(p.value(QStringLiteral("month")), &out->year, &out->month)) {
        return report.fail(
            Exit::Usage,
            QStringLiteral("收费月份 %1 不对：应写作 YYYY-MM，如 2004-08。").arg(p.value(QStringLiteral("month"))));
    }
    return Exit::Done;
}

QString CommandTable::monthText(BillMonth m)
{
    return QStringLiteral("%1-%2").arg(m.year, 4, 10, QLatin1Char('0')).arg(m.month, 2, 10, QLatin1Char('0'));
}

QDate CommandTable::day(const QString &text, bool lastDay)
{
    int y = 0, m = 0;
    if (month(text, &y, &m)) {
        const QDate first(y, m, 1);
        return lastDay ? first.addMonths(1).addDays(-1) : first;
    }
    return QDate::fromString(text.trimmed(), QStringLiteral("yyyy-MM-dd"));
}

int CommandTable::databaseFailure(Report &report, const QString &reason)
{
    const QString told = Refusal::of(reason).message;
    if (Refusal::isBusy(reason)) {
        return report.fail(Exit::Busy, QStringLiteral("数据库正被使用，请稍后再试：%1").arg(told));
    }
    return report.fail(Exit::IoError, told);
}
