// import houses|owners FILE: a spreadsheet of houses or owners checked by the registers' own
// rules and written all at once, or not at all.
#include "cli/command.h"
#include "cli/commandtable.h"
#include "components/grid/core/sheetreader.h"
#include "masterdata/core/registerimport.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>

namespace {

class ImportCommand : public Command
{
public:
    QString name() const override { return QStringLiteral("import"); }
    QString summary() const override
    {
        return QStringLiteral(
            "从 .xlsx 或 .csv 文件导入房屋（houses）或业主（owners）资料：第一行为字段名；全部导入或一行也不导入。");
    }
    void define(QCommandLineParser &p) override
    {
        p.addPositionalArgument(QStringLiteral("WHAT"), QStringLiteral("houses 或 owners。"));
        p.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral(".xlsx 或 .csv 文件。"));
        p.addOption({QStringLiteral("dry-run"), QStringLiteral("只检查，不写入。")});
    }
    int check(const QCommandLineParser &p, Report &report) override
    {
        const QStringList args = p.positionalArguments();
        if (args.size() != 2 || (args[0] != QLatin1String("houses") && args[0] != QLatin1String("owners"))) {
            return report.fail(Exit::Usage, QStringLiteral("用法：import houses|owners FILE [--dry-run]\n") + help());
        }
        m_kind =
            args[0] == QLatin1String("houses") ? RegisterImport::Register::Houses : RegisterImport::Register::Owners;
        m_path = QFileInfo(args[1]).absoluteFilePath();
        if (!QFileInfo(m_path).isFile()) {
            return report.fail(Exit::NoInput, QStringLiteral("文件 %1 不存在。").arg(QDir::toNativeSeparators(m_path)));
        }
        return Exit::Done;
    }
    int run(const QCommandLineParser &p, Context &c) override
    {
        Report &report = *c.report;
        QList<SheetRow> rows;
        QString error;
        report.set(QStringLiteral("file"), m_path);
        if (!SheetReader::read(m_path, &rows, &error)) {
            return report.fail(Exit::BadData, error);
        }
        const bool dryRun = p.isSet(QStringLiteral("dry-run"));
        const RegisterImport::Outcome out = RegisterImport::import(c.dm, m_kind, rows, dryRun);
        report.set(QStringLiteral("dry_run"), dryRun);
        report.set(QStringLiteral("rows"), out.rows);
        report.set(QStringLiteral("imported"), out.imported);
        QJsonArray refused;
        for (const RegisterImport::RowRefusal &r : out.refused) {
            refused.append(QJsonObject {{QStringLiteral("line"), r.line}, {QStringLiteral("message"), r.message}});
            report.say(QStringLiteral("第%1行：%2").arg(r.line).arg(r.message));
        }
        report.set(QStringLiteral("refused"), refused);
        if (!out.fileError.isEmpty()) {
            return report.fail(Exit::BadData, out.fileError);
        }
        if (!out.refused.isEmpty()) {
            return report.fail(Exit::BadData,
                               QStringLiteral("%1 行不能导入，一行也没有导入。").arg(out.refused.size()));
        }
        if (!out.databaseError.isEmpty()) {
            return CommandTable::databaseFailure(report, out.databaseError);
        }
        report.say(dryRun ? QStringLiteral("检查了 %1 行，都可以导入。").arg(out.rows)
                          : QStringLiteral("已导入 %1 行。").arg(out.imported));
        return Exit::Done;
    }

private:
    RegisterImport::Register m_kind = RegisterImport::Register::Houses;
    QString m_path;
};

}

std::unique_ptr<Command> CommandTable::import()
{
    return std::make_unique<ImportCommand>();
}
