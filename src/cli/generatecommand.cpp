// generate: the bill lines of a month for every house of the estate (or of one building), as
// "全部生成" makes them.
#include "billing/core/billgeneration.h"
#include "cli/command.h"
#include "cli/commandtable.h"
#include "data/dm1.h"
#include "data/refusal.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

namespace {

class GenerateCommand : public Command
{
public:
    QString name() const override { return QStringLiteral("generate"); }
    QString summary() const override { return QStringLiteral("生成一个月份每户的应缴费用（收费明细）。"); }
    void define(QCommandLineParser &p) override
    {
        p.addOption({QStringLiteral("month"), QStringLiteral("收费月份，如 2004-08。"), QStringLiteral("YYYY-MM")});
        p.addOption({QStringLiteral("building"), QStringLiteral("只生成这座楼宇的房屋。"), QStringLiteral("NAME")});
        p.addOption({QStringLiteral("dry-run"), QStringLiteral("只计算会生成多少户、多少条，不写入。")});
    }
    int check(const QCommandLineParser &p, Report &report) override
    {
        if (!p.positionalArguments().isEmpty()) {
            return report.fail(Exit::Usage,
                               QStringLiteral("generate 不接受参数 %1。").arg(p.positionalArguments().first()));
        }
        if (const int code = CommandTable::billMonth(p, &m_month, report)) {
            return code;
        }
        return Exit::Done;
    }
    int run(const QCommandLineParser &p, Context &c) override
    {
        Report &report = *c.report;
        BillGeneration generation(c.dm->database());
        QString error;
        QStringList houses = generation.housesWithItems(&error);
        if (!error.isEmpty()) {
            return CommandTable::databaseFailure(report, error);
        }
        if (p.isSet(QStringLiteral("building"))) {
            const QString building = p.value(QStringLiteral("building"));
            if (c.dm->scalar(QStringLiteral("select count(*) from 楼宇资料 where 楼宇名称=?"), {building}, &error)
                    .toInt()
                == 0) {
                return error.isEmpty() ? report.fail(Exit::BadData, QStringLiteral("没有楼宇 %1。").arg(building))
                                       : CommandTable::databaseFailure(report, error);
            }
            const QStringList inBuilding =
                c.dm->column(QStringLiteral("select 房屋代码 from 房屋资料 where 楼宇名称=?"), {building}, &error);
            if (!error.isEmpty()) {
                return CommandTable::databaseFailure(report, error);
            }
            const QSet<QString> wanted(inBuilding.cbegin(), inBuilding.cend());
            houses.removeIf([&wanted](const QString &code) { return !wanted.contains(code); });
        }
        BillGeneration::EstateOutcome out;
        if (p.isSet(QStringLiteral("dry-run"))) {
            if (!dryRun(generation, c.dm, houses, &out, &error)) {
                return CommandTable::databaseFailure(report, error);
            }
        } else {
            out = generation.generateHouses(houses, m_month);
        }
        report.set(QStringLiteral("month"), CommandTable::monthText(m_month));
        report.set(QStringLiteral("dry_run"), p.isSet(QStringLiteral("dry-run")));
        report.set(QStringLiteral("generated"), out.generated);
        report.set(QStringLiteral("skipped"), out.skipped);
        report.set(QStringLiteral("lines"), out.lines);
        report.set(QStringLiteral("failed"), QJsonArray::fromStringList(out.failed));
        if (!out.error.isEmpty()) {
            report.say(out.message());
            return CommandTable::databaseFailure(report, out.error);
        }
        report.say(out.message());
        if (!out.failed.isEmpty()) {
            return report.fail(Exit::BadData, QStringLiteral("有 %1 户没有生成。").arg(out.failed.size()));
        }
        return Exit::Done;
    }

private:
    // What a generation would make: the houses without lines in the month and their items.
    bool dryRun(BillGeneration &g, Dm1 *dm, const QStringList &houses, BillGeneration::EstateOutcome *out,
                QString *error)
    {
        QSqlQuery q(dm->database());
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("select 房屋代码, count(*) from 房屋收费项目 group by 房屋代码"))) {
            *error = q.lastError().text();
            return false;
        }
        QHash<QString, int> items;
        while (q.next()) {
            items.insert(q.value(0).toString(), q.value(1).toInt());
        }
        for (const QString &house : houses) {
            const bool billed = g.hasLines(house, m_month, error);
            if (!error->isEmpty()) {
                return false;
            }
            if (billed) {
                ++out->skipped;
            } else {
                ++out->generated;
                out->lines += items.value(house);
            }
        }
        return true;
    }

    BillMonth m_month;
};

}

std::unique_ptr<Command> CommandTable::generate()
{
    return std::make_unique<GenerateCommand>();
}
