// parvell-cli: the estate's month-end work without windows (bill generation, report export,
// backup and its check, restore, register import), for scripts and cron. It links the core
// alone; see `parvell-cli help`.
#include "cli/command.h"
#include "cli/login.h"
#include "data/dm1.h"
#include "data/refusal.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <csignal>
#include <cstdio>

namespace {

QString generalHelp(QCommandLineParser &parser)
{
    QString text = parser.helpText();
    text += QStringLiteral("\nCommands:\n");
    for (const auto &c : Command::all()) {
        text += QStringLiteral("  %1%2\n").arg(c->name().leftJustified(17), c->summary());
    }
    text +=
        QStringLiteral("\n`parvell-cli help COMMAND` shows a command's own options.\n"
                       "Exit codes: 0 done, 64 usage, 65 bad data, 66 input or home missing, 70 internal error,\n"
                       "73 output not creatable, 74 I/O error, 75 database busy (retry later), 77 login refused.\n");
    return text;
}

void print(FILE *to, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), to);
}

// Opens the estate of the home: its database file, or the server of data/server.conf or
// --server. A home without a database is not made one: the command says so instead.
int openEstate(Dm1 &dm, Report &report)
{
    if (!QFileInfo(dm.home()).isDir()) {
        return report.fail(Exit::NoInput,
                           QStringLiteral("主文件夹 %1 不存在。").arg(QDir::toNativeSeparators(dm.home())));
    }
    if (!dm.onServer() && !QFileInfo::exists(dm.databasePath())) {
        return report.fail(
            Exit::NoInput,
            QStringLiteral("主文件夹 %1 中没有数据库（data/data.db）。").arg(QDir::toNativeSeparators(dm.home())));
    }
    // A server's password comes from libpq's ~/.pgpass or PGPASSWORD: nobody is there to ask.
    dm.setPasswordAsker([](const QString &) { return std::optional<QString>(); });
    if (!dm.openConnection()) {
        const QString why = dm.lastError();
        if (Refusal::isBusy(why)) {
            return report.fail(Exit::Busy, QStringLiteral("数据库正被使用，请稍后再试：%1").arg(why));
        }
        return report.fail(Refusal::isDamage(why) || !dm.onServer() ? Exit::BadData : Exit::IoError,
                           QStringLiteral("不能打开数据库：%1").arg(why));
    }
    return Exit::Done;
}

}

int main(int argc, char *argv[])
{
    // A reader that stops early (`| head`) ends the output: writes fail quietly instead of
    // killing the program.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("parvell-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PARVELL_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Parvell 物业收费管理系统：命令行"));
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("显示帮助。"));
    const QCommandLineOption versionOption(QStringLiteral("version"), QStringLiteral("显示版本。"));
    const QCommandLineOption homeOption(QStringLiteral("home"),
                                        QStringLiteral("程序的主文件夹（默认为 PARVELL_HOME，再默认为当前文件夹）。"),
                                        QStringLiteral("DIR"));
    const QCommandLineOption serverOption(
        QStringLiteral("server"),
        QStringLiteral("使用数据库服务器上的数据库（libpq 连接串，不含口令）；不给出时读 data/server.conf。"),
        QStringLiteral("CONNINFO"));
    const QCommandLineOption operatorOption(QStringLiteral("operator"),
                                            QStringLiteral("操作人员（默认为按姓名排在第一的操作人员）。"),
                                            QStringLiteral("NAME"));
    const QCommandLineOption stdinOption(QStringLiteral("password-stdin"),
                                         QStringLiteral("从标准输入的第一行读操作口令（否则在终端上不回显地询问）。"));
    const QCommandLineOption jsonOption(QStringLiteral("json"), QStringLiteral("在标准输出上写一个 JSON 对象。"));
    parser.addOptions({helpOption, versionOption, homeOption, serverOption, operatorOption, stdinOption, jsonOption});
    parser.addPositionalArgument(QStringLiteral("COMMAND"), QStringLiteral("要执行的命令，见下。"));

    const QStringList args = QCoreApplication::arguments();
    if (!parser.parse(args)) {
        print(stderr, parser.errorText() + QLatin1Char('\n') + generalHelp(parser));
        return Exit::Usage;
    }
    if (parser.isSet(versionOption)) {
        print(stdout, QStringLiteral("parvell-cli %1\n").arg(QCoreApplication::applicationVersion()));
        return Exit::Done;
    }
    const QStringList rest = parser.positionalArguments();
    if (parser.isSet(helpOption) || rest.isEmpty() || rest.first() == QLatin1String("help")) {
        if (rest.size() > 1) {
            Command *c = Command::find(rest.at(1));
            if (!c) {
                print(stderr, QStringLiteral("没有命令 %1。\n").arg(rest.at(1)) + generalHelp(parser));
                return Exit::Usage;
            }
            print(stdout, c->help());
            return Exit::Done;
        }
        print(rest.isEmpty() && !parser.isSet(helpOption) ? stderr : stdout, generalHelp(parser));
        return rest.isEmpty() && !parser.isSet(helpOption) ? Exit::Usage : Exit::Done;
    }

    Command *command = Command::find(rest.first());
    if (!command) {
        print(stderr, QStringLiteral("没有命令 %1。\n").arg(rest.first()) + generalHelp(parser));
        return Exit::Usage;
    }
    QCommandLineParser own;
    own.addHelpOption();
    command->define(own);
    // The command's own part of the command line, after its name.
    if (!own.parse(QStringList {args.first()} + rest.mid(1))) {
        print(stderr, own.errorText() + QLatin1Char('\n') + command->help());
        return Exit::Usage;
    }
    if (own.isSet(QStringLiteral("help"))) {
        print(stdout, command->help());
        return Exit::Done;
    }
    Report report(parser.isSet(jsonOption));
    int code = command->check(own, report);
    if (code == Exit::Done) {
        const QString home = parser.isSet(homeOption)   ? parser.value(homeOption)
            : qEnvironmentVariableIsSet("PARVELL_HOME") ? qEnvironmentVariable("PARVELL_HOME")
                                                        : QDir::currentPath();
        Dm1 dm(QDir(home).absolutePath());
        if (parser.isSet(serverOption)) {
            dm.setServer(parser.value(serverOption).trimmed());
        }
        Context context {&dm, &report};
        if (command->needsLogin()) {
            code = openEstate(dm, report);
            if (code == Exit::Done) {
                code = Login::logIn(&dm, parser.value(operatorOption), parser.isSet(stdinOption), report);
            }
        }
        if (code == Exit::Done) {
            code = command->run(own, context);
        }
        dm.closeConnection();
    }
    report.finish(command->name(), code);
    return code;
}
