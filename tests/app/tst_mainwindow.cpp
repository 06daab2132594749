#include "app/main.h"
#include "app/setup.h"
#include "app/windowregistry.h"
#include "components/common/preparation.h"
#include "components/common/prompt.h"
#include "data/clock.h"
#include "data/dm1.h"
#include "masterdata/storeyinfo.h"
#include "modal.h"
#include "scriptedprompt.h"
#include "temphome.h"

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

namespace {
// A window with a building box of its own, prepared as the fee windows prepare theirs.
class BuildingBoxWindow : public QDialog, public PreparedWindow
{
public:
    explicit BuildingBoxWindow(QWidget *parent)
        : QDialog(parent)
        , box(new QComboBox(this))
    {
        box->setObjectName(QStringLiteral("DBComboBoxEh3"));
        box->addItem(QStringLiteral("设计时的项目"));
    }
    void prepare(Preparation &p) override { p.fill(box, Preparation::Items::Buildings); }
    QComboBox *box;
};

QStringList itemsOf(QMenu *menu)
{
    QStringList out;
    for (QAction *a : menu->actions()) {
        out << (a->isSeparator() ? QStringLiteral("-")
                                 : a->text() + (a->isVisible() ? QString() : QStringLiteral("(隐藏)")));
    }
    return out;
}
}

class TestMainWindow : public QObject
{
    Q_OBJECT
private:
    ScriptedPrompt *prompt = nullptr;

private slots:
    void init()
    {
        prompt = ScriptedPrompt::install();
        Clock::setFixed(QDateTime(QDate(2004, 8, 15), QTime(9, 30)));
    }
    void cleanup() { Clock::setFixed({}); }

    void menusInOrderWithSeparators()
    {
        TempHome home;
        TForm_main form(home.dm());
        QList<QMenu *> menus;
        for (QAction *a : form.menuBar()->actions()) {
            menus << a->menu();
        }
        QCOMPARE(menus.size(), 4);
        QCOMPARE(menus[0]->title(), QStringLiteral("【系统维护】"));
        QCOMPARE(itemsOf(menus[0]),
                 QString::fromUtf8("操作员设置 修改操作员口令 更换操作员 - 数据整理(隐藏) 数据初始化 数据备份 数据恢复 "
                                   "导入旧数据(.mdb)… 迁移到服务器 - "
                                   "退出系统")
                     .split(' '));
        QCOMPARE(menus[1]->title(), QStringLiteral("【基本资料】"));
        QCOMPARE(
            itemsOf(menus[1]),
            QString::fromUtf8("楼宇资料设置 收费项目设置 业主资料管理 房屋资料设置 业主迁入迁出管理 - 房屋状态表 - "
                              "房屋收费项目设置 - 使用单位信息 - 到期报警 到期报警设置")
                .split(' '));
        QCOMPARE(menus[2]->title(), QStringLiteral("【收费管理】"));
        QCOMPARE(
            itemsOf(menus[2]),
            QString::fromUtf8(
                "业主应缴费用管理 全部生成应缴费用 业主缴费管理 - 实收费用明细表 业主缴费明细查询 业主对账单 - "
                "业主押金管理 业主押金明细表 业主押金汇总表 - 业主缴费全况表 业主已缴费项目明细表 "
                "业主未缴费项目明细表 - 业主欠费总表 业主欠费账龄表 - 按月份统计缴费总金额 按收费项目统计缴费总金额 "
                "收费率统计")
                .split(' '));
        QCOMPARE(menus[3]->title(), QStringLiteral("【帮助】"));
        QCOMPARE(itemsOf(menus[3]), QString::fromUtf8("帮助系统 - 关于......").split(' '));
    }

    void toolbarAndStatusBar()
    {
        TempHome home;
        TForm_main form(home.dm());
        QStringList captions;
        for (QToolButton *b : form.findChild<QWidget *>(QStringLiteral("Panel1"))->findChildren<QToolButton *>()) {
            captions << b->text();
            QVERIFY(!b->icon().isNull());
            QVERIFY(b->toolTip().isEmpty());
        }
        QCOMPARE(captions, QString::fromUtf8("收费项目 业主资料 房屋资料 应缴费用 缴费管理 到期报警 退出").split(' '));
        QCOMPARE(form.windowTitle(), QStringLiteral("Parvell"));
        QCOMPARE(form.scrollingText()->text(), QStringLiteral("好人一生平安"));

        QVERIFY(form.firstActivation());
        QCOMPARE(form.windowTitle(), QStringLiteral("Parvell 物业收费管理系统"));
        QCOMPARE(form.scrollingText()->text(),
                 home.dm()->scalar(QStringLiteral("select 动态文字 from 公司信息")).toString());
        QStatusBar *bar = form.statusBar();
        QList<QLabel *> panels;
        for (int i = 0; i < 4; ++i) {
            panels << bar->findChild<QLabel *>(QStringLiteral("Panel%1").arg(i));
        }
        QCOMPARE(panels[0]->width(), 120);
        QCOMPARE(panels[0]->text(), QStringLiteral("操作员：管理员"));
        QCOMPARE(panels[1]->text(), QLocale().toString(QDate(2004, 8, 15), QLocale::ShortFormat));
        QCOMPARE(panels[2]->text(), QString());
        QVERIFY(!panels[3]->text().isEmpty());
        QVERIFY(prompt->shown.isEmpty());
        // Screen readers read what is shown.
        for (QLabel *panel : std::as_const(panels)) {
            QCOMPARE(panel->accessibleName(), panel->text());
        }
        QCOMPARE(form.scrollingText()->accessibleName(), form.scrollingText()->text());
    }

    void textScrollsOutLeftThenReentersRight()
    {
        TempHome home;
        TForm_main form(home.dm());
        form.resize(900, 600);
        form.show();
        QLabel *label = form.scrollingText();
        auto *timer = form.findChild<QTimer *>(QStringLiteral("Timer1"));
        QCOMPARE(timer->interval(), 60);
        timer->stop();
        QCOMPARE(label->x(), 250);
        form.scrollText();
        QCOMPARE(label->x(), 249);
        label->move(-label->width(), label->y());
        form.scrollText();
        QCOMPARE(label->x(), label->parentWidget()->width());

        label->setText(QString());
        label->adjustSize();
        label->move(0, label->y());
        label->resize(0, label->height());
        form.scrollText();
        QCOMPARE(label->x(), label->parentWidget()->width());
    }

    void badDatabaseEndsStartUpWithTheMessage()
    {
        QTemporaryDir dir;
        QDir(dir.path()).mkpath(QStringLiteral("data"));
        QFile f(dir.path() + QStringLiteral("/data/data.db"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("garbage garbage garbage");
        f.close();
        Dm1 dm(dir.path());
        TForm_main form(&dm);
        QVERIFY(!form.firstActivation());
        QCOMPARE(prompt->texts().size(), 1);
        // The message, and the reason on a second line.
        const QStringList lines = prompt->lastText().split(QLatin1Char('\n'));
        QCOMPARE(lines.value(0), QStringLiteral("系统数据库没有连接，请与软件公司联系！"));
        QVERIFY2(lines.value(1).contains(QStringLiteral("不是可用的数据库文件")), qPrintable(prompt->lastText()));
        QVERIFY(form.exitCode() != 0);
    }

    // Without operators nobody can log in: start-up stops with the reason and a failure code.
    void missingOperatorTableEndsStartUpAsAFailure()
    {
        TempHome home;
        QVERIFY(home.dm()->exec(QStringLiteral("drop table 权限表")));
        TForm_main form(home.dm());
        QVERIFY(!form.firstActivation());
        QCOMPARE(prompt->shown.size(), 1);
        QVERIFY2(prompt->lastText().contains(QStringLiteral("权限表")), qPrintable(prompt->lastText()));
        QVERIFY(form.exitCode() != 0);
    }

    // A database on a network share is warned about once, at start, not again when the
    // connection is opened anew after a restore.
    void networkShareIsWarnedAboutOnce()
    {
        QTemporaryDir dir;
        Dm1::setFileSystemProbe([](const QString &) { return QByteArray("cifs"); });
        Dm1 dm(dir.path());
        TForm_main form(&dm);
        const bool started = form.firstActivation();
        WindowRegistry::add(QStringLiteral("TForm_restore"), [](QWidget *parent) {
            auto *d = new QDialog(parent);
            QTimer::singleShot(0, d, &QDialog::reject);
            return d;
        });
        form.runCommand(QStringLiteral("数据恢复"));
        Dm1::setFileSystemProbe({});
        QVERIFY(started);
        QCOMPARE(prompt->texts().size(), 1);
        QVERIFY2(prompt->lastText().contains(QStringLiteral("网络共享")), qPrintable(prompt->lastText()));
        QVERIFY(dm.isConnected());
    }

    void missingSettingsTableOrFieldIsShownAndStartUpStops_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::newRow("no table") << "drop table 公司信息";
        QTest::newRow("no field") << "alter table 公司信息 drop column 动态文字";
    }
    void missingSettingsTableOrFieldIsShownAndStartUpStops()
    {
        QFETCH(QString, damage);
        TempHome home;
        QVERIFY(home.dm()->exec(damage));
        home.dm()->session().currentOperator.clear();
        TForm_main form(home.dm());
        QVERIFY(!form.firstActivation());
        QCOMPARE(prompt->shown.size(), 1);
        QVERIFY(prompt->lastText().contains(QStringLiteral("公司信息")));
        QVERIFY(form.exitCode() != 0);
        QVERIFY(home.dm()->session().currentOperator.isEmpty());
    }

    void pictureIsOptional()
    {
        TempHome home;
        {
            TForm_main form(home.dm());
            QVERIFY(form.findChild<QLabel *>(QStringLiteral("Image1"))->pixmap().isNull());
        }
        QDir(home.path()).mkpath(QStringLiteral("jpg"));
        QFile bad(home.path() + QStringLiteral("/jpg/system.jpg"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("not a picture");
        bad.close();
        {
            TForm_main form(home.dm());
            QVERIFY(form.findChild<QLabel *>(QStringLiteral("Image1"))->pixmap().isNull());
        }
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(Qt::red);
        QVERIFY(image.save(home.path() + QStringLiteral("/jpg/system.jpg"), "JPG"));
        TForm_main form(home.dm());
        QCOMPARE(form.findChild<QLabel *>(QStringLiteral("Image1"))->pixmap().size(), QSize(40, 30));
        QVERIFY(prompt->shown.isEmpty());
    }

    void helpAndCommandsWithoutAWindow()
    {
        TempHome home;
        TForm_main form(home.dm());
        QVERIFY(form.firstActivation());
        QVERIFY(form.runCommand(QStringLiteral("帮助系统")));
        QCOMPARE(prompt->lastText(), QStringLiteral("该系统操作非常简单，在窗口中已经有提示！"));
        QCOMPARE(prompt->shown.constLast().caption, QStringLiteral("提示"));
        QCOMPARE(prompt->shown.constLast().icon, Prompt::Icon::Warning);
        prompt->clear();
        // A menu command opens its window and says nothing itself.
        bool opened = false;
        const WindowRegistry::Override deposits(QStringLiteral("TForm_yajin"), [&](QWidget *parent) {
            auto *d = new QDialog(parent);
            QTimer::singleShot(0, d, [&, d] {
                opened = true;
                d->reject();
            });
            return d;
        });
        QVERIFY(form.runCommand(QStringLiteral("业主押金管理")));
        QVERIFY(opened);
        QVERIFY(prompt->shown.isEmpty());
        QVERIFY(!form.runCommand(QStringLiteral("没有这个命令")));
    }

    // The restore command closes the connection before its window and opens it again after,
    // whatever the window did.
    void restoreCommandReconnects()
    {
        TempHome home;
        TForm_main form(home.dm());
        QVERIFY(form.firstActivation());
        bool connectedWhileOpen = true;
        const WindowRegistry::Override restore(QStringLiteral("TForm_restore"), [&](QWidget *parent) {
            auto *d = new QDialog(parent);
            QTimer::singleShot(0, d, [&, d] {
                connectedWhileOpen = home.dm()->isConnected();
                d->reject();
            });
            return d;
        });
        QVERIFY(form.runCommand(QStringLiteral("数据恢复")));
        QVERIFY(!connectedWhileOpen);
        QVERIFY(home.dm()->isConnected());
        QCOMPARE(QDir::currentPath(), QDir(home.path()).absolutePath());
    }

    // Each command prepares the shared query of its window and closes it afterwards.
    void commandPreparesAndClosesItsQuery()
    {
        TempHome home;
        QVERIFY(home.dm()->exec(QStringLiteral("insert into 楼宇资料 (楼宇名称) values ('翠园'), ('A座')")));
        TForm_main form(home.dm());
        QVERIFY(form.firstActivation());
        QStringList seenSql;
        int seenRows = -1;
        const WindowRegistry::Override storeys(QStringLiteral("TForm_storeyinfo"), [&](QWidget *parent) {
            auto *d = new TForm_storeyinfo(parent);
            QTimer::singleShot(0, d, [&, d] {
                seenSql = home.dm()->q_storeyinfo->sql();
                seenRows = home.dm()->q_storeyinfo->recordCount();
                d->accept();
            });
            return d;
        });
        form.runCommand(QStringLiteral("楼宇资料设置"));
        QCOMPARE(seenSql,
                 QStringList(
                     {QStringLiteral("select * from 楼宇资料"), QStringLiteral("order by 楼宇名称 COLLATE pinyin")}));
        QCOMPARE(seenRows, 2);
        QVERIFY(!home.dm()->q_storeyinfo->isOpen());
    }

    // A test waiting for a dialog that never comes fails at the deadline instead of hanging on
    // whatever else holds it up.
    void whenShownGivesUpAtItsDeadline()
    {
        QDialog other;
        QEXPECT_FAIL("", "the awaited dialog is never shown", Continue);
        whenShown<TForm_storeyinfo>([](TForm_storeyinfo *) {}, std::chrono::milliseconds(200));
        QCOMPARE(other.exec(), int(QDialog::Rejected));
    }

    void buildingBoxIsFilledInNameOrder()
    {
        TempHome home;
        QVERIFY(home.dm()->exec(QStringLiteral("insert into 楼宇资料 (楼宇名称) values ('B座'), ('A座')")));
        TForm_main form(home.dm());
        QVERIFY(form.firstActivation());
        QStringList items;
        const WindowRegistry::Override fees(QStringLiteral("TForm_jiaofeidan"), [&](QWidget *parent) {
            auto *d = new BuildingBoxWindow(parent);
            QComboBox *box = d->box;
            QTimer::singleShot(0, d, [&, d, box] {
                for (int i = 0; i < box->count(); ++i) {
                    items << box->itemText(i);
                }
                d->accept();
            });
            return d;
        });
        form.runCommand(QStringLiteral("业主应缴费用管理"));
        QCOMPARE(items, QStringList({QStringLiteral("A座"), QStringLiteral("B座")}));
    }

    // The file dialogs show dates and sizes the Chinese way, whatever the system's language.
    void fileDialogsShowChineseDates()
    {
        QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China)); // as the program sets it
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("备份.db")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("0123456789");
        file.close();
        const QDateTime modified = QFileInfo(file).lastModified();
        QString date;
        QString size;
        QTimer poll;
        poll.setInterval(20);
        int tries = 0;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog) {
                return;
            }
            auto *view = dialog->findChild<QTreeView *>(QStringLiteral("treeView"));
            QAbstractItemModel *model = view ? view->model() : nullptr;
            for (int r = 0; model && r < model->rowCount(view->rootIndex()); ++r) {
                const QModelIndex name = model->index(r, 0, view->rootIndex());
                if (name.data().toString() == QStringLiteral("备份.db")) {
                    size = name.siblingAtColumn(1).data().toString();
                    date = name.siblingAtColumn(3).data().toString();
                }
            }
            if (!date.isEmpty() || ++tries > 250) {
                poll.stop();
                dialog->reject();
            }
        });
        poll.start();
        Prompt::setHandler(nullptr);
        Prompt::openFile(nullptr, QStringLiteral("打开"), dir.path(), {QStringLiteral("所有文件 (*)")});
        ScriptedPrompt::install();
        QCOMPARE(date, QLocale(QLocale::Chinese, QLocale::China).toString(modified, QLocale::ShortFormat));
        QCOMPARE(size, QLocale(QLocale::Chinese, QLocale::China).formattedDataSize(10));
    }

    // Runs last: it sets the whole program up as it starts.
    void programSetUpIsChinese()
    {
        setUpApplication(*qApp);
        QCOMPARE(QLocale().name(), QStringLiteral("zh_CN"));
        // A display name of its own would be added to every window's caption by the platform.
        QCOMPARE(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Parvell"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
