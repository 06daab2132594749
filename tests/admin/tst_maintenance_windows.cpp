// The four maintenance windows driven as the operator would: tick boxes, click, answer the
// questions, and check what is left in the tables and what was said.

#include "admin/arrange.h"
#include "admin/backup.h"
#include "admin/core/databasebackup.h"
#include "admin/core/databaserestore.h"
#include "admin/core/jetlines.h"
#include "admin/core/maintenance.h"
#include "admin/importmdb.h"
#include "admin/initialize.h"
#include "admin/mdbreport.h"
#include "admin/restore.h"
#include "app/main.h"
#include "app/windowregistry.h"
#include "modal.h"
#include "scriptedprompt.h"
#include "temphome.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <memory>

namespace {

const QStringList Kept = {QStringLiteral("楼宇资料"), QStringLiteral("权限表"), QStringLiteral("公司信息")};

int rows(Dm1 *dm, const QString &table, const QString &where = {})
{
    return dm->scalar(QStringLiteral("select count(*) from %1 %2").arg(Schema::quoted(table), where)).toInt();
}

// Each of the eight tables gets a row without a key, one with an empty key and one with a
// real key; the kept tables get a row each beside what a new database holds.
bool seed(Dm1 *dm)
{
    for (const Maintenance::Item &item : Maintenance::items()) {
        const QString sql =
            QStringLiteral("insert into %1 (%2) values (?)").arg(Schema::quoted(item.table), Schema::quoted(item.key));
        for (const QVariant &key : {QVariant(), QVariant(QStringLiteral("")), QVariant(QStringLiteral("0101"))}) {
            if (!dm->exec(sql, {key})) {
                return false;
            }
        }
    }
    return dm->exec(QStringLiteral("insert into 楼宇资料 (楼宇名称) values ('一号楼')"));
}

// The window given the home's data module, as its preparation gives it (it opens nothing).
void prepare(QDialog *window, Dm1 *dm)
{
    Preparation p(window, dm);
    QVERIFY(p.run());
}

std::unique_ptr<TableChoiceDialog> makeChoice(const QString &window)
{
    if (window == QStringLiteral("initialize")) {
        return std::make_unique<TForm_initialize>();
    }
    return std::make_unique<TForm_arrange>();
}

void tick(QDialog *w, const QStringList &boxes)
{
    for (const QString &name : boxes) {
        auto *box = w->findChild<QCheckBox *>(name);
        QVERIFY2(box, qPrintable(name));
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(box->isChecked());
    }
}

void click(QDialog *w, const char *button)
{
    auto *b = w->findChild<QAbstractButton *>(QString::fromLatin1(button));
    QVERIFY2(b, button);
    QTest::mouseClick(b, Qt::LeftButton);
}

}

class TestMaintenanceWindows : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void choiceWindowOpensEmptyAndCancelsOnEnter_data();
    void choiceWindowOpensEmptyAndCancelsOnEnter();
    void initialisingBillsOnlyKeepsHousesOwnersAndFees();
    void initialisingAllKeepsBuildingsOperatorsAndOrganisation();
    void tidyingRemovesOnlyRowsWithoutKey();
    void answeringNoDeletesNothing_data();
    void answeringNoDeletesNothing();
    void refusedStatementChangesNoTable();
    void backupWindowCopiesToChosenFile();
    void backupWindowStaysOpenWhenRefused();
    void restoreWindow_data();
    void restoreWindow();
    void restoreCommandReconnects_data();
    void restoreCommandReconnects();
    void importWindow_data();
    void importWindow();

private:
    ScriptedPrompt *m_prompt = nullptr;
};

void TestMaintenanceWindows::init()
{
    m_prompt = ScriptedPrompt::install();
}

void TestMaintenanceWindows::choiceWindowOpensEmptyAndCancelsOnEnter_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("caption");
    QTest::newRow("initialisation") << QStringLiteral("initialize") << QStringLiteral("数据初始化");
    QTest::newRow("tidying") << QStringLiteral("arrange") << QStringLiteral("数据整理");
}

void TestMaintenanceWindows::choiceWindowOpensEmptyAndCancelsOnEnter()
{
    QFETCH(QString, window);
    QFETCH(QString, caption);
    TempHome home;
    QVERIFY(home.ok() && seed(home.dm()));
    auto w = makeChoice(window);
    prepare(w.get(), home.dm());
    QCOMPARE(w->windowTitle(), caption);
    const QStringList captions = {QStringLiteral("收费项目"),       QStringLiteral("业主资料"),
                                  QStringLiteral("实收费用明细表"), QStringLiteral("房屋迁入迁出表"),
                                  QStringLiteral("房屋资料"),       QStringLiteral("房屋收费项目"),
                                  QStringLiteral("收费明细表"),     QStringLiteral("押金明细表")};
    for (int i = 0; i < captions.size(); ++i) {
        auto *box = w->findChild<QCheckBox *>(QStringLiteral("CheckBox%1").arg(i + 1));
        QVERIFY(box);
        QCOMPARE(box->text(), captions[i]);
        QVERIFY(!box->isChecked());
    }
    click(w.get(), "BitBtn1");
    QCOMPARE(w->chosenTables().size(), 8);
    click(w.get(), "BitBtn2");
    QVERIFY(w->chosenTables().isEmpty());

    // Enter with everything ticked closes through "取消": nothing asked, nothing deleted.
    click(w.get(), "BitBtn1");
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    QTest::keyClick(w.get(), Qt::Key_Return);
    QVERIFY(!w->isVisible());
    QCOMPARE(w->result(), int(QDialog::Rejected));
    QVERIFY(m_prompt->shown.isEmpty());
    QCOMPARE(rows(home.dm(), QStringLiteral("收费项目")), 3);
}

void TestMaintenanceWindows::initialisingBillsOnlyKeepsHousesOwnersAndFees()
{
    TempHome home;
    Dm1 *dm = home.dm();
    QVERIFY(home.ok() && seed(dm));
    TForm_initialize w;
    prepare(&w, home.dm());
    tick(&w, {QStringLiteral("CheckBox7")});
    m_prompt->answers.enqueue(true);
    click(&w, "BitBtn3");

    QCOMPARE(rows(dm, QStringLiteral("收费明细表")), 0);
    for (const QString &t : {QStringLiteral("房屋资料"), QStringLiteral("业主资料"), QStringLiteral("收费项目"),
                             QStringLiteral("房屋收费项目"), QStringLiteral("押金明细表")}) {
        QCOMPARE(rows(dm, t), 3);
    }
    QCOMPARE(m_prompt->shown.size(), 2);
    QCOMPARE(m_prompt->shown[0].caption, QStringLiteral("请选择"));
    QCOMPARE(m_prompt->shown[0].text, QStringLiteral("要初始化选中的数据库吗? "));
    QCOMPARE(m_prompt->shown[1].caption, QStringLiteral("提示"));
    QCOMPARE(m_prompt->shown[1].text, QStringLiteral("初始化完毕！"));
    QCOMPARE(m_prompt->shown[1].icon, Prompt::Icon::Warning);
    QCOMPARE(w.result(), int(QDialog::Accepted));
}

void TestMaintenanceWindows::initialisingAllKeepsBuildingsOperatorsAndOrganisation()
{
    TempHome home;
    Dm1 *dm = home.dm();
    QVERIFY(home.ok() && seed(dm));
    TForm_initialize w;
    prepare(&w, home.dm());
    click(&w, "BitBtn1");
    m_prompt->answers.enqueue(true);
    click(&w, "BitBtn3");

    for (const Maintenance::Item &item : Maintenance::items()) {
        QCOMPARE(rows(dm, item.table), 0);
    }
    for (const QString &t : Kept) {
        QCOMPARE(rows(dm, t), 1);
    }
    QCOMPARE(m_prompt->lastText(), QStringLiteral("初始化完毕！"));
}

void TestMaintenanceWindows::tidyingRemovesOnlyRowsWithoutKey()
{
    TempHome home;
    Dm1 *dm = home.dm();
    QVERIFY(home.ok() && seed(dm));
    QVERIFY(dm->exec(QStringLiteral("insert into 楼宇资料 (楼宇名称) values (null)")));
    TForm_arrange w;
    prepare(&w, home.dm());
    click(&w, "BitBtn1");
    m_prompt->answers.enqueue(true);
    click(&w, "BitBtn3");

    for (const Maintenance::Item &item : Maintenance::items()) {
        const QString key = Schema::quoted(item.key);
        QCOMPARE(rows(dm, item.table, QStringLiteral("where %1 is null").arg(key)), 0);
        QCOMPARE(rows(dm, item.table, QStringLiteral("where %1 = ''").arg(key)), 1);
        QCOMPARE(rows(dm, item.table, QStringLiteral("where %1 = '0101'").arg(key)), 1);
    }
    QCOMPARE(rows(dm, QStringLiteral("楼宇资料")), 2);
    QCOMPARE(m_prompt->shown.constFirst().text, QStringLiteral("要整理选中的数据库吗? "));
    QCOMPARE(m_prompt->lastText(), QStringLiteral("整理完毕！"));
}

void TestMaintenanceWindows::answeringNoDeletesNothing_data()
{
    choiceWindowOpensEmptyAndCancelsOnEnter_data();
}

void TestMaintenanceWindows::answeringNoDeletesNothing()
{
    QFETCH(QString, window);
    TempHome home;
    Dm1 *dm = home.dm();
    QVERIFY(home.ok() && seed(dm));
    auto w = makeChoice(window);
    prepare(w.get(), home.dm());
    click(w.get(), "BitBtn1");
    m_prompt->answers.enqueue(false);
    click(w.get(), "BitBtn3");

    for (const Maintenance::Item &item : Maintenance::items()) {
        QCOMPARE(rows(dm, item.table), 3);
    }
    QCOMPARE(m_prompt->shown.size(), 1);
    QVERIFY(m_prompt->shown[0].isQuestion);
    QCOMPARE(w->result(), int(QDialog::Rejected));
}

void TestMaintenanceWindows::refusedStatementChangesNoTable()
{
    TempHome home;
    Dm1 *dm = home.dm();
    QVERIFY(home.ok() && seed(dm));
    // The last table refuses its delete: the tables emptied before it must come back.
    QVERIFY(dm->exec(QStringLiteral("create trigger keep_deposits before delete on 押金明细表 "
                                    "begin select raise(abort, '押金明细不能删除'); end")));
    TForm_initialize w;
    prepare(&w, home.dm());
    click(&w, "BitBtn1");
    m_prompt->answers.enqueue(true);
    click(&w, "BitBtn3");

    for (const Maintenance::Item &item : Maintenance::items()) {
        QCOMPARE(rows(dm, item.table), 3);
    }
    QVERIFY2(m_prompt->lastText().contains(QStringLiteral("押金明细不能删除")), qPrintable(m_prompt->lastText()));
    QVERIFY(!m_prompt->texts().contains(QStringLiteral("初始化完毕！")));
    // A table outside the eight is never emptied, whatever is asked.
    QString error;
    QVERIFY(!Maintenance::initialise(dm, {QStringLiteral("收费明细表"), QStringLiteral("权限表")}, &error));
    QCOMPARE(rows(dm, QStringLiteral("权限表")), 1);
    QCOMPARE(rows(dm, QStringLiteral("收费明细表")), 3);
}

void TestMaintenanceWindows::backupWindowCopiesToChosenFile()
{
    TempHome home;
    QVERIFY(home.ok() && seed(home.dm()));
    const QString dest = QDir(home.path()).filePath(QStringLiteral("备份/copy.db"));
    QVERIFY(QDir(home.path()).mkdir(QStringLiteral("备份")));
    TForm_backup w;
    prepare(&w, home.dm());
    QCOMPARE(w.windowTitle(), QStringLiteral("系统备份管理"));
    QVERIFY(w.Edit1->isReadOnly());
    m_prompt->files.enqueue(dest);
    click(&w, "SpeedButton1");
    QCOMPARE(m_prompt->lastDialogCaption, QStringLiteral("备份数据库文件"));
    QCOMPARE(w.Edit1->text(), QDir::toNativeSeparators(dest));

    click(&w, "BitBtn1");
    QCOMPARE(m_prompt->texts(), QStringList {QStringLiteral("备份完毕！")});
    QCOMPARE(m_prompt->shown[0].caption, QStringLiteral("提示"));
    QCOMPARE(w.result(), int(QDialog::Accepted));
    QVERIFY(QFile::exists(dest));
    QString error;
    QVERIFY2(DatabaseRestore::check(dest, &error), qPrintable(error));
}

void TestMaintenanceWindows::backupWindowStaysOpenWhenRefused()
{
    TempHome home;
    QVERIFY(home.ok());
    TForm_backup w;
    prepare(&w, home.dm());
    w.show();
    click(&w, "BitBtn1");
    QCOMPARE(m_prompt->texts(), QStringList {QStringLiteral("请先选择备份的目的数据库文件！")});
    QVERIFY(w.isVisible());

    // Choosing the database itself is refused in words that name it.
    m_prompt->clear();
    m_prompt->files.enqueue(home.dm()->databasePath());
    click(&w, "SpeedButton1");
    click(&w, "BitBtn1");
    QCOMPARE(m_prompt->shown.size(), 1);
    QVERIFY2(m_prompt->lastText().contains(QStringLiteral("data.db")), qPrintable(m_prompt->lastText()));
    QVERIFY(w.isVisible());
}

void TestMaintenanceWindows::restoreWindow_data()
{
    QTest::addColumn<QString>("source"); // good, text or none
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QStringList>("said");
    QTest::addColumn<int>("owners"); // rows of 业主资料 afterwards

    const QString question = QStringLiteral("确实要恢复数据库吗? ");
    QTest::newRow("good backup") << QStringLiteral("good") << true
                                 << QStringList {question, QStringLiteral("恢复完毕！")} << 3;
    QTest::newRow("answered no") << QStringLiteral("good") << false << QStringList {question} << 0;
    QTest::newRow("text file") << QStringLiteral("text") << true
                               << QStringList {question, QStringLiteral("当前数据库没有改变")} << 0;
    QTest::newRow("nothing chosen") << QStringLiteral("none") << true
                                    << QStringList {QStringLiteral("请先选择要恢复的数据库文件！")} << 0;
}

void TestMaintenanceWindows::restoreWindow()
{
    QFETCH(QString, source);
    QFETCH(bool, answer);
    QFETCH(QStringList, said);
    QFETCH(int, owners);
    TempHome home;
    Dm1 *dm = home.dm();
    QVERIFY(home.ok() && seed(dm));
    const QString file = QDir(home.path()).filePath(QStringLiteral("chosen.db"));
    if (source == QStringLiteral("good")) {
        QVERIFY(DatabaseBackup::backup(dm, file, nullptr));
    } else if (source == QStringLiteral("text")) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a database\n");
    }
    QVERIFY(dm->exec(QStringLiteral("delete from 业主资料")));
    dm->closeConnection();

    TForm_restore w;
    prepare(&w, home.dm());
    QCOMPARE(w.windowTitle(), QStringLiteral("系统恢复管理"));
    w.show();
    if (source != QStringLiteral("none")) {
        m_prompt->files.enqueue(file);
        click(&w, "SpeedButton1");
        QCOMPARE(m_prompt->lastDialogCaption, QStringLiteral("恢复数据库文件"));
    }
    m_prompt->answers.enqueue(answer);
    click(&w, "BitBtn1");
    const QStringList texts = m_prompt->texts();
    QCOMPARE(texts.size(), said.size());
    for (int i = 0; i < said.size(); ++i) {
        QVERIFY2(texts[i].contains(said[i]), qPrintable(texts[i]));
    }
    QCOMPARE(w.isVisible(), owners == 0);

    QVERIFY(dm->openConnection());
    QCOMPARE(rows(dm, QStringLiteral("业主资料")), owners);
}

void TestMaintenanceWindows::restoreCommandReconnects_data()
{
    QTest::addColumn<bool>("restore");
    QTest::newRow("restored") << true;
    QTest::newRow("left with 返回") << false;
}

void TestMaintenanceWindows::restoreCommandReconnects()
{
    QFETCH(bool, restore);
    TempHome home;
    Dm1 *dm = home.dm();
    QVERIFY(home.ok() && seed(dm));
    const QString file = QDir(home.path()).filePath(QStringLiteral("chosen.db"));
    QVERIFY(DatabaseBackup::backup(dm, file, nullptr));
    QVERIFY(dm->exec(QStringLiteral("delete from 业主资料")));
    WindowRegistry::registerAll();
    TForm_main main(dm);

    bool connectedMeanwhile = true;
    bool sawWindow = false;
    QTimer::singleShot(0, this, [&] {
        auto *w = qobject_cast<TForm_restore *>(QApplication::activeModalWidget());
        sawWindow = w != nullptr;
        connectedMeanwhile = dm->isConnected();
        if (!w) {
            return;
        }
        if (restore) {
            m_prompt->files.enqueue(file);
            m_prompt->answers.enqueue(true);
            click(w, "SpeedButton1");
            click(w, "BitBtn1");
        } else {
            click(w, "BitBtn2");
        }
    });
    QVERIFY(main.runCommand(QStringLiteral("数据恢复")));
    QVERIFY(sawWindow);
    QVERIFY(!connectedMeanwhile);
    QVERIFY(dm->isConnected());
    QCOMPARE(QDir::currentPath(), QDir(home.path()).absolutePath());
    QCOMPARE(rows(dm, QStringLiteral("业主资料")), restore ? 3 : 0);
}

void TestMaintenanceWindows::importWindow_data()
{
    QTest::addColumn<QString>("chosen"); // sample: a Jet file; text: not one; locked: a Jet file Access has open
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<QStringList>("asked"); // each question and notice, in order
    QTest::addColumn<QString>("owners"); // 业主资料 afterwards

    const QString confirm = QStringLiteral("导入将用旧数据库中的数据取代当前的全部数据");
    QTest::newRow("imported, report printed") << "sample" << QList<bool> {true} << QStringList {confirm} << "王五";
    QTest::newRow("answered no") << "sample" << QList<bool> {false} << QStringList {confirm} << "旧业主";
    QTest::newRow("not an Access file") << "text" << QList<bool> {}
                                        << QStringList {QStringLiteral("不是 Access 数据库（.mdb）文件")} << "旧业主";
    QTest::newRow("the old program still has it open")
        << "locked" << QList<bool> {false} << QStringList {QStringLiteral("旧程序可能仍在使用该数据库")} << "旧业主";
}

void TestMaintenanceWindows::importWindow()
{
    QFETCH(QString, chosen);
    QFETCH(QList<bool>, answers);
    QFETCH(QStringList, asked);
    QFETCH(QString, owners);
    TempHome home;
    Dm1 *dm = home.dm();
    QVERIFY(home.ok());
    QVERIFY(dm->exec(QStringLiteral("insert into 业主资料 (业主名称) values ('旧业主')")));

    // The reader's place is taken by a script printing what it would print for an old file.
    QTemporaryDir dir;
    const QString lines = dir.filePath(QStringLiteral("lines.ndjson"));
    writeFile(lines,
              "{\"file\":{\"format\":\"Jet4\"},\"tables\":[{\"name\":\"业主资料\",\"rows\":1}]}\n"
              "{\"table\":\"业主资料\",\"rows\":1,\"columns\":[{\"name\":\"业主名称\",\"type\":\"text\"}]}\n"
              "[\"王五\"]\n{\"end\":\"业主资料\",\"rows\":1}\n{\"done\":true}\n");
    const QString reader = dir.filePath(QStringLiteral("reader.sh"));
    writeFile(reader, "#!/bin/sh\ncat '" + lines.toUtf8() + "'\n");
    QFile::setPermissions(reader, QFile::permissions(reader) | QFile::ExeOwner);
    JetReaderProcess::setProgram(reader);
    const QString file = dir.filePath(QStringLiteral("old.mdb"));
    writeFile(file,
              chosen == QStringLiteral("text") ? QByteArray("not a database\n")
                                               : fileBytes(QStringLiteral(JET_FIXTURES "/testV2000.mdb")));
    if (chosen == QStringLiteral("locked")) {
        writeFile(dir.filePath(QStringLiteral("old.ldb")), "lock");
    }

    TForm_importmdb w;
    prepare(&w, home.dm());
    QCOMPARE(w.windowTitle(), QStringLiteral("导入旧数据"));
    QCOMPARE(w.Label1->text(), QStringLiteral("旧数据库文件："));
    w.show();
    m_prompt->files.enqueue(file);
    click(&w, "SpeedButton1");
    QCOMPARE(m_prompt->lastDialogCaption, QStringLiteral("选择旧数据库文件"));
    for (const bool a : answers) {
        m_prompt->answers.enqueue(a);
    }
    const bool imported = owners == QStringLiteral("王五");
    QString outcome, report;
    if (imported) {
        whenShown<TForm_mdbreport>([&](TForm_mdbreport *r) {
            outcome = r->Label1->text();
            report = r->Memo1->toPlainText();
            m_prompt->pdfFiles.enqueue(dir.filePath(QStringLiteral("report.pdf")));
            click(r, "BitBtn1");
            click(r, "BitBtn2");
        });
    }
    click(&w, "BitBtn1");
    JetReaderProcess::setProgram({});

    const QStringList texts = m_prompt->texts();
    QCOMPARE(texts.size(), asked.size());
    for (int i = 0; i < asked.size(); ++i) {
        QVERIFY2(texts[i].contains(asked[i]), qPrintable(texts[i]));
    }
    QCOMPARE(w.isVisible(), !imported);
    QCOMPARE(outcome.startsWith(QStringLiteral("已导入")), imported);
    QCOMPARE(report.contains(QStringLiteral("业主资料")), imported);
    QCOMPARE(m_prompt->printed, imported ? 1 : 0);
    QCOMPARE(dm->scalar(QStringLiteral("select group_concat(业主名称) from 业主资料")).toString(), owners);
}

QTEST_MAIN(TestMaintenanceWindows)
#include "tst_maintenance_windows.moc"
