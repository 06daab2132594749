// report: a statistics report computed as its window computes it and written by the grid's own
// export writers, so the file is the one the window's "导出" gives.
#include "cli/command.h"
#include "cli/commandtable.h"
#include "cli/outputfile.h"
#include "components/grid/core/exporttable.h"
#include "components/grid/core/gridcolumn.h"
#include "data/clock.h"
#include "data/dm1.h"
#include "reports/core/billreports.h"
#include "reports/core/depositreports.h"
#include "reports/core/ownerstatement.h"
#include "reports/core/reportcolumns.h"
#include "reports/core/reportrun.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <cerrno>

namespace {

// What a report is filtered by.
enum class Over {
    Months, // the bill lines of a range of months
    Days, // 押金明细表 over a range of days
    Statement, // one house over a range of days
    Aging, // the estate's unpaid lines at a date
};

struct ReportKind
{
    const char *name;
    const char *caption;
    Over over;
};

const ReportKind Kinds[] = {
    {"arrears", "业主欠费总表", Over::Months},
    {"by-month", "按月份统计缴费总金额", Over::Months},
    {"by-item", "按收费项目统计缴费总金额", Over::Months},
    {"full", "业主缴费全况表", Over::Months},
    {"paid", "业主已缴费项目明细表", Over::Months},
    {"unpaid", "业主未缴费项目明细表", Over::Months},
    {"deposit-detail", "业主押金明细表", Over::Days},
    {"deposit-summary", "业主押金汇总表", Over::Days},
    {"statement", "业主对账单", Over::Statement},
    {"aging", "业主欠费账龄表", Over::Aging},
    {"reminders", "催缴名单", Over::Aging},
};

std::optional<ExportFormat> formatOf(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    for (ExportFormat f : {ExportFormat::Text, ExportFormat::Csv, ExportFormat::Html, ExportFormat::Rtf,
                           ExportFormat::Xls, ExportFormat::Xlsx}) {
        if (suffix == Export::extension(f)) {
            return f;
        }
    }
    if (suffix == QLatin1String("html")) {
        return ExportFormat::Html;
    }
    return std::nullopt;
}

class ReportCommand : public Command
{
public:
    QString name() const override { return QStringLiteral("report"); }
    QString summary() const override
    {
        QStringList names;
        for (const ReportKind &k : Kinds) {
            names << QString::fromUtf8(k.name);
        }
        return QStringLiteral("把一张统计报表导出为文件（按扩展名：.csv .txt .htm .rtf .xls .xlsx；-o - 为标准输出上的 "
                              "csv）。报表：")
            + names.join(QStringLiteral(", "));
    }
    void define(QCommandLineParser &p) override
    {
        p.addPositionalArgument(QStringLiteral("NAME"), QStringLiteral("报表名称。"));
        p.addOption(
            {QStringLiteral("from"),
             QStringLiteral("起始月份（YYYY-MM；押金报表与对账单为日期 YYYY-MM-DD，对账单默认为今年 1 月 1 日）。"),
             QStringLiteral("FROM")});
        p.addOption({QStringLiteral("to"),
                     QStringLiteral("截止月份（YYYY-MM；押金报表与对账单为日期 YYYY-MM-DD，对账单默认为今天）。"),
                     QStringLiteral("TO")});
        p.addOption({QStringLiteral("building"), QStringLiteral("楼宇名称。"), QStringLiteral("B")});
        p.addOption({QStringLiteral("house"), QStringLiteral("房屋代码（对账单必须给出）。"), QStringLiteral("H")});
        p.addOption({QStringLiteral("current-owner"), QStringLiteral("对账单只列当前业主的往来。")});
        p.addOption({QStringLiteral("date"), QStringLiteral("账龄与催缴名单的截至日期（YYYY-MM-DD，默认为今天）。"),
                     QStringLiteral("DATE")});
        p.addOption({QStringLiteral("minimum"), QStringLiteral("账龄与催缴名单只列净欠不少于此数的房屋。"),
                     QStringLiteral("AMOUNT")});
        p.addOption({QStringLiteral("unit"), QStringLiteral("楼宇单元（明细表）。"), QStringLiteral("U")});
        p.addOption({QStringLiteral("item"), QStringLiteral("收费名称（明细表）。"), QStringLiteral("ITEM")});
        p.addOption({{QStringLiteral("o"), QStringLiteral("output")},
                     QStringLiteral("输出文件；- 为标准输出。"),
                     QStringLiteral("FILE")});
        p.addOption({QStringLiteral("force"), QStringLiteral("替换已有的文件。")});
    }
    int check(const QCommandLineParser &p, Report &report) override
    {
        const QStringList args = p.positionalArguments();
        if (args.size() != 1) {
            return report.fail(Exit::Usage, QStringLiteral("请给出一张报表的名称。\n") + help());
        }
        m_kind = nullptr;
        for (const ReportKind &k : Kinds) {
            m_kind = args.first() == QLatin1String(k.name) ? &k : m_kind;
        }
        if (!m_kind) {
            return report.fail(Exit::Usage, QStringLiteral("没有报表 %1。\n").arg(args.first()) + help());
        }
        m_path = p.value(QStringLiteral("o"));
        if (m_path.isEmpty()) {
            return report.fail(Exit::Usage, QStringLiteral("请用 -o 给出输出文件（- 为标准输出）。"));
        }
        if (OutputFile::isStdout(m_path)) {
            if (report.json()) {
                return report.fail(Exit::Usage, QStringLiteral("-o - 与 --json 都写标准输出，不能同用。"));
            }
            m_format = ExportFormat::Csv;
        } else if (const auto f = formatOf(m_path)) {
            m_format = *f;
        } else {
            return report.fail(
                Exit::Usage,
                QStringLiteral("不支持文件 %1 的类型：请用 .csv .txt .htm .rtf .xls 或 .xlsx。").arg(m_path));
        }
        if (const int code = checkFilter(p, report)) {
            return code;
        }
        return OutputFile::isStdout(m_path) ? Exit::Done
                                            : OutputFile::check(m_path, p.isSet(QStringLiteral("force")), report);
    }
    int run(const QCommandLineParser &, Context &c) override
    {
        Report &report = *c.report;
        QList<GridColumn> columns;
        QString error;
        ExportTable table;
        if (QLatin1String(m_kind->name) == QLatin1String("reminders")) {
            // The list the aging window's "导出催缴名单" writes, of the rows the aging shows.
            QList<OwnerStatement::AgingRow> owing;
            if (!OwnerStatement::aging(c.dm->database(), m_aging, &owing, &error)) {
                return CommandTable::databaseFailure(report, error);
            }
            table = OwnerStatement::reminderList(owing);
        } else {
            const ReportRun::Computation work = computation(&columns);
            DataSet *rows = c.dm->q_tongyong;
            if (!ReportRun::runHere(work, rows, &error)) {
                return CommandTable::databaseFailure(report, error);
            }
            if (m_statement && !tellStatement(*m_statement, report)) {
                return report.fail(Exit::BadData,
                                   QStringLiteral("房屋资料中没有房屋%1,请重新输入!").arg(m_request.houseCode));
            }
            table = GridCells::exportTable(*rows, columns);
        }
        report.set(QStringLiteral("report"), QString::fromUtf8(m_kind->name));
        report.set(QStringLiteral("title"), QString::fromUtf8(m_kind->caption));
        report.set(QStringLiteral("rows"), table.rowCount);
        QJsonArray totals;
        for (int i = 0; i < columns.size(); ++i) {
            if (columns[i].footer == GridColumn::Footer::Sum && i < table.footer.size()) {
                totals.append(QJsonObject {{QStringLiteral("column"), columns[i].title},
                                           {QStringLiteral("sum"), table.footer[i]}});
            }
        }
        report.set(QStringLiteral("totals"), totals);
        QStringList warnings;
        if (OutputFile::isStdout(m_path)) {
            QFile out;
            if (!out.open(stdout, QIODevice::WriteOnly)) {
                return report.fail(Exit::IoError, out.errorString());
            }
            errno = 0;
            const bool written = Export::write(m_format, table, &out, &error) && out.flush();
            if (!written) {
                // The reader stopped reading (`| head`): it has what it wanted.
                return errno == EPIPE ? Exit::Done : report.fail(Exit::IoError, error);
            }
            return Exit::Done;
        }
        if (!Export::writeFile(m_format, table, m_path, &error, &warnings)) {
            return report.fail(Exit::IoError, error);
        }
        for (const QString &w : warnings) {
            report.say(w);
        }
        report.set(QStringLiteral("file"), QFileInfo(m_path).absoluteFilePath());
        report.say(QStringLiteral("%1：%2 行，已写入 %3。")
                       .arg(QString::fromUtf8(m_kind->caption))
                       .arg(table.rowCount)
                       .arg(QFileInfo(m_path).absoluteFilePath()));
        return Exit::Done;
    }

private:
    // The filter of the report's kind from the options: Exit::Done, or the code with the
    // message told.
    int checkFilter(const QCommandLineParser &p, Report &report)
    {
        const QString from = p.value(QStringLiteral("from")), to = p.value(QStringLiteral("to"));
        switch (m_kind->over) {
        case Over::Statement:
            return checkStatement(p, from, to, report);
        case Over::Aging:
            return checkAging(p, report);
        case Over::Days:
        case Over::Months:
            break;
        }
        const bool deposits = m_kind->over == Over::Days;
        if (from.isEmpty() || to.isEmpty()) {
            return report.fail(Exit::Usage,
                               deposits ? QStringLiteral("没有输入日期,请重新输入!（--from 与 --to）")
                                        : QStringLiteral("没有输入缴费时间,请重新输入!（--from 与 --to）"));
        }
        if (deposits) {
            m_deposits = {CommandTable::day(from, false), CommandTable::day(to, true), p.value(QStringLiteral("house")),
                          p.value(QStringLiteral("building"))};
            if (!m_deposits.from.isValid() || !m_deposits.to.isValid()) {
                return report.fail(Exit::Usage, QStringLiteral("日期应写作 YYYY-MM-DD（或 YYYY-MM）。"));
            }
            if (ReportPeriod::checkDays(m_deposits.from, m_deposits.to) == ReportPeriod::Check::Reversed) {
                return report.fail(Exit::Usage, QStringLiteral("日期从不能大于日期到,请重新输入!"));
            }
            if (QLatin1String(m_kind->name) == QLatin1String("deposit-detail")
                && m_deposits.houseCode.trimmed().isEmpty()) {
                return report.fail(Exit::Usage, QStringLiteral("没有输入房屋代码,请重新输入!（--house）"));
            }
            return Exit::Done;
        }
        if (!CommandTable::month(from, &m_bills.from.year, &m_bills.from.month)
            || !CommandTable::month(to, &m_bills.to.year, &m_bills.to.month)) {
            return report.fail(Exit::Usage, QStringLiteral("缴费时间应写作 YYYY-MM，如 2004-08。"));
        }
        if (m_bills.to < m_bills.from) {
            return report.fail(Exit::Usage, QStringLiteral("缴费时间从不能大于缴费时间到,请重新输入!"));
        }
        m_bills.houseCode = p.value(QStringLiteral("house"));
        m_bills.building = p.value(QStringLiteral("building"));
        m_bills.unit = p.value(QStringLiteral("unit"));
        m_bills.feeName = p.value(QStringLiteral("item"));
        return Exit::Done;
    }

    // The statement window's filters: a house, a range of days (this year's first day to today
    // when neither end is given, as the window opens) and "仅当前业主".
    int checkStatement(const QCommandLineParser &p, const QString &from, const QString &to, Report &report)
    {
        m_request.houseCode = p.value(QStringLiteral("house")).trimmed();
        if (m_request.houseCode.isEmpty()) {
            return report.fail(Exit::Usage, QStringLiteral("没有输入房屋代码,请重新输入!（--house）"));
        }
        if (from.isEmpty() && to.isEmpty()) {
            m_request.to = Clock::today();
            m_request.from = QDate(m_request.to.year(), 1, 1);
        } else {
            m_request.from = from.isEmpty() ? QDate() : CommandTable::day(from, false);
            m_request.to = to.isEmpty() ? QDate() : CommandTable::day(to, true);
            if ((!from.isEmpty() && !m_request.from.isValid()) || (!to.isEmpty() && !m_request.to.isValid())) {
                return report.fail(Exit::Usage, QStringLiteral("日期应写作 YYYY-MM-DD（或 YYYY-MM）。"));
            }
        }
        if (const auto refused = OwnerStatement::checkRange(m_request.from, m_request.to)) {
            return report.fail(Exit::Usage, *refused + QStringLiteral("（--from 与 --to）"));
        }
        m_request.currentOwnerOnly = p.isSet(QStringLiteral("current-owner"));
        return Exit::Done;
    }

    // The aging window's filters: the date (today unless given), the building and 最低净欠.
    int checkAging(const QCommandLineParser &p, Report &report)
    {
        const QString date = p.value(QStringLiteral("date"));
        m_aging.date = date.isEmpty() ? Clock::today() : CommandTable::day(date, true);
        if (!m_aging.date.isValid()) {
            return report.fail(Exit::Usage, QStringLiteral("截至日期 %1 不对：应写作 YYYY-MM-DD。").arg(date));
        }
        m_aging.building = p.value(QStringLiteral("building"));
        if (const QString minimum = p.value(QStringLiteral("minimum")).trimmed(); !minimum.isEmpty()) {
            const Money::Reading typed = Money::read(minimum, 4);
            if (!typed.ok()) {
                return report.fail(Exit::Usage, QStringLiteral("“最低净欠”只能是数字！（--minimum %1）").arg(minimum));
            }
            m_aging.minimumNet = typed.value;
        }
        return Exit::Done;
    }

    // Tells what the statement adds to the report's figures; false for a house that is not in
    // the register and has nothing to list.
    static bool tellStatement(const OwnerStatement::Statement &s, Report &report)
    {
        if (!s.houseFound && s.isEmpty() && s.unpaid.isEmpty()) {
            return false;
        }
        if (!s.houseFound) {
            report.say(QStringLiteral("房屋资料中已没有房屋%1；对账单按其留下的收费记录列出。").arg(s.houseCode));
        }
        report.set(QStringLiteral("house"), s.houseCode);
        report.set(QStringLiteral("house_found"), s.houseFound);
        report.set(QStringLiteral("owner"), s.owner);
        report.set(QStringLiteral("from"), s.from.toString(Qt::ISODate));
        report.set(QStringLiteral("to"), s.to.toString(Qt::ISODate));
        report.set(QStringLiteral("opening"), s.opening.toString());
        report.set(QStringLiteral("total_due"), s.totalDue.toString());
        report.set(QStringLiteral("total_paid"), s.totalPaid.toString());
        report.set(QStringLiteral("closing"), s.closing.toString());
        report.set(QStringLiteral("deposit"), s.deposit.toString());
        report.set(QStringLiteral("odd"), s.odd.toString());
        return true;
    }

    ReportRun::Computation computation(QList<GridColumn> *columns)
    {
        using L = BillReports::Listing;
        const QString name = QString::fromUtf8(m_kind->name);
        const BillReportFilter f = m_bills;
        const DepositFilter d = m_deposits;
        if (name == QLatin1String("statement")) {
            *columns = ReportColumns::ownerStatement();
            m_statement = std::make_shared<OwnerStatement::Statement>();
            return [request = m_request, s = m_statement](const QSqlDatabase &db, ScratchSink &out, QString *e) {
                return OwnerStatement::compute(db, request, s.get(), e) && OwnerStatement::writeRows(*s, out, e);
            };
        }
        if (name == QLatin1String("aging")) {
            *columns = ReportColumns::arrearsAging();
            return [a = m_aging](const QSqlDatabase &db, ScratchSink &out, QString *e) {
                QList<OwnerStatement::AgingRow> rows;
                return OwnerStatement::aging(db, a, &rows, e) && OwnerStatement::writeAgingRows(rows, out, e);
            };
        }
        if (name == QLatin1String("deposit-detail")) {
            *columns = ReportColumns::depositDetail();
            return [d](const QSqlDatabase &db, ScratchSink &out, QString *e) {
                return DepositReports::detail(db, d, out, e);
            };
        }
        if (name == QLatin1String("deposit-summary")) {
            *columns = ReportColumns::depositSummary();
            return [d](const QSqlDatabase &db, ScratchSink &out, QString *e) {
                return DepositReports::summary(db, d, out, e);
            };
        }
        if (name == QLatin1String("arrears")) {
            *columns = ReportColumns::arrears();
            return [f](const QSqlDatabase &db, ScratchSink &out, QString *e) {
                return BillReports::arrears(db, f, out, e);
            };
        }
        if (name == QLatin1String("by-month")) {
            *columns = ReportColumns::monthTotals();
            return [f](const QSqlDatabase &db, ScratchSink &out, QString *e) {
                return BillReports::monthTotals(db, f, out, e);
            };
        }
        if (name == QLatin1String("by-item")) {
            *columns = ReportColumns::itemTotals();
            return [f](const QSqlDatabase &db, ScratchSink &out, QString *e) {
                return BillReports::itemTotals(db, f, out, e);
            };
        }
        const L kind = name == QLatin1String("full") ? L::All : name == QLatin1String("paid") ? L::Paid : L::Unpaid;
        *columns = ReportColumns::listing(kind);
        return [f, kind](const QSqlDatabase &db, ScratchSink &out, QString *e) {
            return BillReports::listing(db, kind, f, out, e);
        };
    }

    const ReportKind *m_kind = nullptr;
    QString m_path;
    ExportFormat m_format = ExportFormat::Csv;
    BillReportFilter m_bills;
    DepositFilter m_deposits;
    OwnerStatement::Request m_request;
    OwnerStatement::AgingFilter m_aging;
    std::shared_ptr<OwnerStatement::Statement> m_statement; // filled by the statement's computation
};

}

std::unique_ptr<Command> CommandTable::report()
{
    return std::make_unique<ReportCommand>();
}
