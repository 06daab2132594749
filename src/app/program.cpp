// The parvell program: parses the command line, sets up Chinese text and fonts, and runs the
// main window on the chosen home folder.
#include "admin/core/servermigration.h"
#include "admin/serverpassword.h"
#include "app/main.h"
#include "app/setup.h"
#include "app/windowregistry.h"
#include "data/dm1.h"
#include "demo/demo.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <cstdio>

int main(int argc, char *argv[])
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    QApplication app(argc, argv);
    setUpApplication(app);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Parvell 物业收费管理系统"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption homeOption(QStringLiteral("home"), QStringLiteral("程序的主文件夹（默认为当前文件夹）。"),
                                        QStringLiteral("DIR"));
    const QCommandLineOption demoOption(QStringLiteral("demo"), QStringLiteral("为空的主文件夹填入示例小区数据。"));
    const QCommandLineOption shotOption(QStringLiteral("screenshot"), QStringLiteral("启动后把主窗口存为图片并退出。"),
                                        QStringLiteral("FILE"));
    const QCommandLineOption readyOption(QStringLiteral("exit-when-ready"),
                                         QStringLiteral("启动完成后输出“ready 毫秒数”并退出（用于测量启动时间）。"));
    const QCommandLineOption commandOption(
        QStringLiteral("command"),
        QStringLiteral("启动后执行一个菜单命令（如“楼宇资料设置”），可与 --screenshot 同用。"), QStringLiteral("ITEM"));
    const QCommandLineOption serverOption(
        QStringLiteral("server"),
        QStringLiteral("使用数据库服务器上的数据库（libpq 连接串，如“host=db.office dbname=cuiyuan user=parvell”，"
                       "不含口令），而不是主文件夹中的 data/data.db；不给出时读 data/server.conf。"),
        QStringLiteral("CONNINFO"));
    const QCommandLineOption migrateOption(
        QStringLiteral("migrate-to-server"),
        QStringLiteral("把主文件夹中的数据库迁移到数据库服务器上的空数据库，并让本主文件夹以后使用服务器（写入 "
                       "data/server.conf），然后退出。"),
        QStringLiteral("CONNINFO"));
    parser.addOptions({homeOption, demoOption, shotOption, readyOption, commandOption, serverOption, migrateOption});
    parser.process(app);

    const QString home = QDir(parser.isSet(homeOption) ? parser.value(homeOption) : QDir::currentPath()).absolutePath();
    if (!QDir().mkpath(home) || !QDir::setCurrent(home)) {
        std::fprintf(stderr, "parvell: cannot use home folder %s\n", qPrintable(home));
        return 2;
    }

    Dm1 dm(home);
    const auto askPassword = [](const QString &question) { return TForm_serverpassword::ask(nullptr, question); };
    dm.setPasswordAsker(askPassword);
    if (parser.isSet(serverOption)) {
        dm.setServer(parser.value(serverOption));
    }
    if (parser.isSet(migrateOption)) {
        DatabaseAddress server {parser.value(migrateOption).trimmed(), {}, true};
        QString error;
        qint64 rows = 0;
        if (!server.reach(askPassword, &error) || !ServerMigration::migrate(dm.databasePath(), server, &error, &rows)) {
            std::fprintf(stderr, "parvell: not migrated: %s\n", qPrintable(error));
            return 4;
        }
        QFile conf(dm.serverConfPath());
        if (!conf.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)
            || conf.write(server.where.toUtf8() + '\n') < 0 || !conf.flush()) {
            std::fprintf(stderr, "parvell: migrated %lld rows, but %s cannot be written: %s\n",
                         static_cast<long long>(rows), qPrintable(dm.serverConfPath()), qPrintable(conf.errorString()));
            return 5;
        }
        std::printf("migrated %lld rows; this home now works on the server (%s)\n", static_cast<long long>(rows),
                    qPrintable(dm.serverConfPath()));
        return 0;
    }
    if (parser.isSet(demoOption) && !dm.onServer() && !QFileInfo::exists(dm.databasePath())) {
        // The estate is part of the new database, which appears only when both are complete.
        if (!dm.openConnection(Demo::fill)) {
            std::fprintf(stderr, "parvell: demo estate not made: %s\n", qPrintable(dm.lastError()));
            return 3;
        }
        dm.closeConnection();
    }

    WindowRegistry::registerAll();
    TForm_main form(&dm);
    // Unattended runs get past the start-up login as an operator with an empty password would.
    form.setUnattendedLogin(parser.isSet(shotOption) || parser.isSet(readyOption) || parser.isSet(commandOption));
    // Maximised; the screen's size first, for desktops without a window manager to maximise it.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        form.setGeometry(screen->availableGeometry());
    }
    form.showMaximized();

    if (parser.isSet(commandOption)) {
        QObject::connect(
            &form, &TForm_main::started, &form,
            [&form, item = parser.value(commandOption)] {
                if (!form.runCommand(item)) {
                    std::fprintf(stderr, "parvell: no menu item %s\n", qPrintable(item));
                }
            },
            Qt::QueuedConnection);
    }
    if (parser.isSet(shotOption)) {
        const QString file = QFileInfo(parser.value(shotOption)).absoluteFilePath();
        QTimer::singleShot(1500, &form, [&form, file] {
            // The whole screen where the platform can grab it (so a dialog in front shows too),
            // else the main window alone; then any open dialog is dismissed and the program ends.
            QPixmap shot;
            if (QScreen *screen = QGuiApplication::primaryScreen()) {
                shot = screen->grabWindow(0);
            }
            if (shot.isNull()) {
                shot = form.grab();
            }
            shot.save(file);
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (auto *dialog = qobject_cast<QDialog *>(w); dialog && dialog->isVisible()) {
                    dialog->reject();
                }
            }
            form.close();
        });
    }
    if (parser.isSet(readyOption)) {
        QObject::connect(
            &form, &TForm_main::started, &form,
            [&form, &sinceStart] {
                std::printf("ready %lld\n", static_cast<long long>(sinceStart.elapsed()));
                std::fflush(stdout);
                form.close();
            },
            Qt::QueuedConnection);
    }
    const int rc = QApplication::exec();
    return form.exitCode() != 0 ? form.exitCode() : rc;
}
