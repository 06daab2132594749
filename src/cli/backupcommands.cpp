// backup, verify and restore: the database copied while in use, a copy checked as the restore
// checks it, and a copy put in place of the database.
#include "admin/core/databasebackup.h"
#include "admin/core/databaserestore.h"
#include "cli/command.h"
#include "cli/commandtable.h"
#include "cli/outputfile.h"
#include "data/clock.h"
#include "data/dm1.h"
#include "data/refusal.h"

#include <QDir>
#include <QFileInfo>

namespace {

// The file named by the command's one argument; Exit::NoInput when it is not there.
int inputFile(const QCommandLineParser &p, const QString &command, QString *path, Report &report)
{
    const QStringList args = p.positionalArguments();
    if (args.size() != 1) {
        return report.fail(Exit::Usage, QStringLiteral("%1 需要一个备份文件作参数。").arg(command));
    }
    *path = QFileInfo(args.first()).absoluteFilePath();
    if (!QFileInfo(*path).isFile()) {
        return report.fail(Exit::NoInput, QStringLiteral("文件 %1 不存在。").arg(QDir::toNativeSeparators(*path)));
    }
    return Exit::Done;
}

class BackupCommand : public Command
{
public:
    QString name() const override { return QStringLiteral("backup"); }
    QString summary() const override
    {
        return QStringLiteral("备份数据库（默认写入主文件夹中的“数据备份-日期-时间.db”）。");
    }
    void define(QCommandLineParser &p) override
    {
        p.addOption(
            {{QStringLiteral("o"), QStringLiteral("output")}, QStringLiteral("备份文件。"), QStringLiteral("FILE")});
        p.addOption({QStringLiteral("force"), QStringLiteral("替换已有的文件。")});
    }
    int check(const QCommandLineParser &p, Report &report) override
    {
        if (!p.positionalArguments().isEmpty()) {
            return report.fail(Exit::Usage, QStringLiteral("backup 不接受参数；备份文件用 -o 给出。"));
        }
        m_path = p.value(QStringLiteral("o"));
        if (!m_path.isEmpty()) {
            m_path = QFileInfo(m_path).absoluteFilePath();
            return OutputFile::check(m_path, p.isSet(QStringLiteral("force")), report);
        }
        return Exit::Done;
    }
    int run(const QCommandLineParser &p, Context &c) override
    {
        Report &report = *c.report;
        if (m_path.isEmpty()) {
            m_path = c.dm->homePath(
                QStringLiteral("数据备份-%1.db").arg(Clock::now().toString(QStringLiteral("yyyyMMdd-HHmmss"))));
            if (const int code = OutputFile::check(m_path, p.isSet(QStringLiteral("force")), report)) {
                return code;
            }
        }
        QString error;
        if (!DatabaseBackup::backup(c.dm, m_path, &error)) {
            return Refusal::isBusy(error) ? report.fail(Exit::Busy, error) : report.fail(Exit::IoError, error);
        }
        report.set(QStringLiteral("file"), m_path);
        report.set(QStringLiteral("bytes"), QFileInfo(m_path).size());
        report.say(QStringLiteral("已备份到 %1。").arg(QDir::toNativeSeparators(m_path)));
        return Exit::Done;
    }

private:
    QString m_path;
};

class VerifyCommand : public Command
{
public:
    QString name() const override { return QStringLiteral("verify"); }
    QString summary() const override { return QStringLiteral("检查一个备份文件能否用来恢复（只读）。"); }
    void define(QCommandLineParser &p) override
    {
        p.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("备份文件。"));
    }
    int check(const QCommandLineParser &p, Report &report) override { return inputFile(p, name(), &m_path, report); }
    bool needsLogin() const override { return false; }
    int run(const QCommandLineParser &, Context &c) override
    {
        QString error;
        c.report->set(QStringLiteral("file"), m_path);
        if (!DatabaseRestore::check(m_path, &error)) {
            return c.report->fail(Exit::BadData, error);
        }
        c.report->say(QStringLiteral("备份文件 %1 可以用来恢复。").arg(QDir::toNativeSeparators(m_path)));
        return Exit::Done;
    }

private:
    QString m_path;
};

class RestoreCommand : public Command
{
public:
    QString name() const override { return QStringLiteral("restore"); }
    QString summary() const override
    {
        return QStringLiteral("用备份文件替换整个数据库（需加 --yes；别的程序正使用数据库时拒绝）。");
    }
    void define(QCommandLineParser &p) override
    {
        p.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("备份文件。"));
        p.addOption({QStringLiteral("yes"), QStringLiteral("确认替换整个数据库。")});
    }
    int check(const QCommandLineParser &p, Report &report) override
    {
        if (const int code = inputFile(p, name(), &m_path, report)) {
            return code;
        }
        if (!p.isSet(QStringLiteral("yes"))) {
            return report.fail(Exit::Usage, QStringLiteral("恢复会用备份替换整个数据库；确认请加 --yes。"));
        }
        return Exit::Done;
    }
    int run(const QCommandLineParser &, Context &c) override
    {
        Report &report = *c.report;
        QString error;
        report.set(QStringLiteral("file"), m_path);
        // A file that is no fit copy is bad input; anything after that is the database's side.
        if (!DatabaseRestore::check(m_path, &error)) {
            return report.fail(Exit::BadData, error);
        }
        const DatabaseAddress target = c.dm->address();
        c.dm->closeConnection();
        if (!DatabaseRestore::restore(m_path, target, &error)) {
            return Refusal::isBusy(error) ? report.fail(Exit::Busy, error) : report.fail(Exit::IoError, error);
        }
        report.say(QStringLiteral("已用 %1 恢复数据库。").arg(QDir::toNativeSeparators(m_path)));
        return Exit::Done;
    }

private:
    QString m_path;
};

}

std::unique_ptr<Command> CommandTable::backup()
{
    return std::make_unique<BackupCommand>();
}

std::unique_ptr<Command> CommandTable::verify()
{
    return std::make_unique<VerifyCommand>();
}

std::unique_ptr<Command> CommandTable::restore()
{
    return std::make_unique<RestoreCommand>();
}
