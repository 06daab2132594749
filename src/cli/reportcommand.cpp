// report: a statistics report computed as its window computes it and written by the grid's own
// export writers, so the file is the one the window's "导出" gives.
#include "cli/command.h"
#include "cli/commandtable.h"
#include "cli/outputfile.h"
#include "components/grid/core/exporttable.h"
#include "components/grid/core/gridcolumn.h"
#include "data/dm1.h"
#include "reports/core/billreports.h"
#include "reports/core/depositreports.h"
#include "reports/core/reportcolumns.h"
#include "reports/core/reportrun.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <cerrno>

namespace {

struct ReportKind
{
    const char *name;
    const char *caption;
    bool deposits; // over 押金明细表 with days, else over the bill lines with months
};

const ReportKind Kinds[] = {
    {"arrears", "业主欠费总表", false},
    {"by-month", "按月份统计缴费总金额", false},
    {"by-item", "按收费项目统计缴费总金额", false},
    {"full", "业主缴费全况表", false},
    {"paid", "业主已缴费项目明细表", false},
    {"unpaid", "业主未缴费项目明细表", false},
    {"deposit-detail", "业主押金明细表", true},
    {"deposit-summary", "业主押金汇总表", true},
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
        p.addOption({QStringLiteral("from"), QStringLiteral("起始月份（YYYY-MM；押金报表为日期 YYYY-MM-DD）。"),
                     QStringLiteral("FROM")});
        p.addOption({QStringLiteral("to"), QStringLiteral("截止月份（YYYY-MM；押金报表为日期 YYYY-MM-DD）。"),
                     QStringLiteral("TO")});
        p.addOption({QStringLiteral("building"), QStringLiteral("楼宇名称。"), QStringLiteral("B")});
        p.addOption({QStringLiteral("house"), QStringLiteral("房屋代码。"), QStringLiteral("H")});
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
        const QString from = p.value(QStringLiteral("from")), to = p.value(QStringLiteral("to"));
        if (from.isEmpty() || to.isEmpty()) {
            return report.fail(Exit::Usage,
                               m_kind->deposits ? QStringLiteral("没有输入日期,请重新输入!（--from 与 --to）")
                                                : QStringLiteral("没有输入缴费时间,请重新输入!（--from 与 --to）"));
        }
        if (m_kind->deposits) {
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
        } else {
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
        }
        return OutputFile::isStdout(m_path) ? Exit::Done
                                            : OutputFile::check(m_path, p.isSet(QStringLiteral("force")), report);
    }
    int run(const QCommandLineParser &, Context &c) override
    {
        Report &report = *c.report;
        QList<GridColumn> columns;
        const ReportRun::Computation work = computation(&columns);
        QString error;
        DataSet *rows = c.dm->q_tongyong;
        if (!ReportRun::runHere(work, rows, &error)) {
            return CommandTable::databaseFailure(report, error);
        }
        const ExportTable table = GridCells::exportTable(*rows, columns);
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
    ReportRun::Computation computation(QList<GridColumn> *columns) const
    {
        using L = BillReports::Listing;
        const QString name = QString::fromUtf8(m_kind->name);
        const BillReportFilter f = m_bills;
        const DepositFilter d = m_deposits;
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
};

}

std::unique_ptr<Command> CommandTable::report()
{
    return std::make_unique<ReportCommand>();
}
