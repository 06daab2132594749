#include "buttonbar.h"
#include "components/dbctrls/dbdatetimeedit.h"
#include "components/dbctrls/dbedit.h"
#include "components/dbctrls/dbnumberedit.h"
#include "masterdata/storeyinfo.h"
#include "scriptedprompt.h"
#include "data/clock.h"
#include "data/dm1.h"
#include "temphome.h"
#include "typing.h"

#include <QCheckBox>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QToolButton>

class TestStoreyInfo : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<TempHome> home;
    ScriptedPrompt *prompt = nullptr;
    std::unique_ptr<TForm_storeyinfo> window;
    std::unique_ptr<Preparation> preparation;

    DataSet *q() const { return home->dm()->q_storeyinfo; }
    QToolButton *button(const char *name) const { return window->findChild<QToolButton *>(QString::fromLatin1(name)); }
    template<typename T = QWidget> T *field(const char *name) const
    {
        return window->findChild<T *>(QString::fromLatin1(name));
    }

    void openWindow()
    {
        preparation.reset();
        window.reset();
        window = std::make_unique<TForm_storeyinfo>();
        preparation = std::make_unique<Preparation>(window.get(), home->dm());
        QVERIFY(preparation->run());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    void addBuilding(const QString &name)
    {
        QVERIFY(home->dm()->exec(QStringLiteral("insert into 楼宇资料 (楼宇名称, 楼宇层数) values (?, 6)"), {name}));
    }

    QStringList names() const
    {
        return home->dm()->column(QStringLiteral("select 楼宇名称 from 楼宇资料 order by 楼宇名称"));
    }

private slots:
    void init()
    {
        home = std::make_unique<TempHome>();
        prompt = ScriptedPrompt::install();
        Clock::setFixed(QDateTime(QDate(2004, 8, 15), QTime(10, 20, 30)));
        home->dm()->session().currentOperator = QStringLiteral("张三");
    }
    void cleanup()
    {
        preparation.reset();
        window.reset();
        home.reset();
        Clock::setFixed({});
    }

    void opensBrowsingWithSaveAndCancelOff()
    {
        openWindow();
        QCOMPARE(window->windowTitle(), QStringLiteral("楼宇资料管理"));
        QVERIFY(button("bitbtn_add")->isEnabled());
        QVERIFY(!button("bitbtn_save")->isEnabled());
        QVERIFY(!button("bitbtn_cancel")->isEnabled());
        QVERIFY(!button("SpeedButton3")->isEnabled());
        QVERIFY(field<DBEdit>("DBEdit4")->isReadOnly());
        QVERIFY(!field("DBNumberEditEh2")->isEnabled());
        QVERIFY(!field("DBDateTimeEditEh1")->isEnabled());
        QVERIFY(field<QCheckBox>("cbDichromatic")->isChecked());
        QVERIFY(!field<QCheckBox>("CheckBox1")->isChecked());
    }

    // The button bar's groups are parted by one bevel each, never two in a row.
    void buttonBarGroups()
    {
        openWindow();
        QCOMPARE(buttonBar(window.get()), QString::fromUtf8("增加 编辑 删除 | 存盘 取消 | 导出 打印 | 选中 | 返回"));
    }

    void addTypeAndSaveStampsTheRow()
    {
        openWindow();
        QTest::mouseClick(button("bitbtn_add"), Qt::LeftButton);
        QVERIFY(window->isEditing());
        QCOMPARE(QApplication::focusWidget(), field("DBEdit4"));
        QVERIFY(!button("bitbtn_add")->isEnabled());
        QVERIFY(!button("bitbtn_out")->isEnabled());
        typeText(field("DBEdit4"), QStringLiteral("翠园1号楼"));
        typeText(field("DBNumberEditEh2"), QStringLiteral("18"));
        typeText(field("DBDateTimeEditEh1"), QStringLiteral("2001-05-01"));
        QTest::mouseClick(button("bitbtn_save"), Qt::LeftButton);
        QVERIFY(prompt->shown.isEmpty());
        QVERIFY(!window->isEditing());
        QVERIFY(field<DBEdit>("DBEdit4")->isReadOnly());

        DataSet check;
        check.addLine(QStringLiteral("select * from 楼宇资料"));
        QVERIFY(check.open());
        QCOMPARE(check.recordCount(), 1);
        QCOMPARE(check.text(QStringLiteral("楼宇名称")), QStringLiteral("翠园1号楼"));
        QCOMPARE(check.integer(QStringLiteral("楼宇层数")), 18);
        QCOMPARE(check.date(QStringLiteral("建成日期")), QDate(2001, 5, 1));
        QCOMPARE(check.text(QStringLiteral("操作人员")), QStringLiteral("张三"));
        QCOMPARE(check.text(QStringLiteral("操作日期")), QStringLiteral("2004-08-15 10:20:30"));
    }

    void emptyNameIsRefusedAndFocused()
    {
        openWindow();
        QTest::mouseClick(button("bitbtn_add"), Qt::LeftButton);
        typeText(field("DBEdit4"), QStringLiteral("   "));
        typeText(field("DBEdit2"), QStringLiteral("框架"));
        field("DBEdit2")->setFocus();
        QTest::mouseClick(button("bitbtn_save"), Qt::LeftButton);
        QCOMPARE(prompt->shown.size(), 1);
        QCOMPARE(prompt->shown[0].caption, QStringLiteral("提示"));
        QCOMPARE(prompt->shown[0].text, QStringLiteral("楼宇名称不能为空,请重新输入!"));
        QCOMPARE(prompt->shown[0].icon, Prompt::Icon::Warning);
        QCOMPARE(QApplication::focusWidget(), field("DBEdit4"));
        QVERIFY(window->isEditing());
        QCOMPARE(field<DBEdit>("DBEdit2")->text(), QStringLiteral("框架"));
        QVERIFY(names().isEmpty());
    }

    void editWithoutABuildingIsRefused()
    {
        openWindow();
        QTest::mouseClick(button("bitbtn_edit"), Qt::LeftButton);
        QCOMPARE(prompt->texts(), QStringList(QStringLiteral("请先增加记录!")));
        QVERIFY(!window->isEditing());
    }

    void editThenCancelKeepsTheRow()
    {
        addBuilding(QStringLiteral("A座"));
        openWindow();
        QTest::mouseClick(button("bitbtn_edit"), Qt::LeftButton);
        QVERIFY(window->isEditing());
        field<DBEdit>("DBEdit4")->selectAll();
        typeText(field("DBEdit4"), QStringLiteral("改过的名字"));
        QTest::mouseClick(button("bitbtn_cancel"), Qt::LeftButton);
        QVERIFY(!window->isEditing());
        QCOMPARE(field<DBEdit>("DBEdit4")->text(), QStringLiteral("A座"));
        QCOMPARE(names(), QStringList(QStringLiteral("A座")));
    }

    void deleteAsksAndHonoursTheAnswer()
    {
        addBuilding(QStringLiteral("A座"));
        addBuilding(QStringLiteral("B座"));
        openWindow();
        prompt->answers.enqueue(false);
        QTest::mouseClick(button("bitbtn_delete"), Qt::LeftButton);
        QCOMPARE(prompt->shown.size(), 1);
        QVERIFY(prompt->shown[0].isQuestion);
        QCOMPARE(prompt->shown[0].caption, QStringLiteral("请选择"));
        QCOMPARE(prompt->shown[0].text, QStringLiteral("要删除当前记录吗? "));
        QCOMPARE(names().size(), 2);
        prompt->answers.enqueue(true);
        QTest::mouseClick(button("bitbtn_delete"), Qt::LeftButton);
        QCOMPARE(names(), QStringList(QStringLiteral("B座")));
        QCOMPARE(q()->recordCount(), 1);
    }

    // After a delete the building that followed is current (the new last one at the end), so
    // a second "删除" takes the building the operator sees.
    void deleteLeavesTheFollowingRowCurrent()
    {
        for (const char *name : {"A座", "B座", "C座", "D座"}) {
            addBuilding(QString::fromUtf8(name));
        }
        openWindow();
        q()->moveTo(1);
        prompt->answers.enqueue(true);
        QTest::mouseClick(button("bitbtn_delete"), Qt::LeftButton);
        QCOMPARE(q()->text(QStringLiteral("楼宇名称")), QStringLiteral("C座"));
        QCOMPARE(field<DBEdit>("DBEdit4")->text(), QStringLiteral("C座"));
        QCOMPARE(window->grid()->currentIndex().row(), 1);
        q()->last();
        prompt->answers.enqueue(true);
        QTest::mouseClick(button("bitbtn_delete"), Qt::LeftButton);
        QCOMPARE(q()->text(QStringLiteral("楼宇名称")), QStringLiteral("C座"));
        QCOMPARE(window->grid()->currentIndex().row(), 1);
        QCOMPARE(names(), QStringList({QStringLiteral("A座"), QStringLiteral("C座")}));
    }

    // Esc neither closes the window nor throws away what was typed; only "返回" and the
    // close box close it.
    void escapeKeepsTheWindowAndTheTypedRow()
    {
        openWindow();
        QTest::keyClick(window->grid(), Qt::Key_Escape);
        QVERIFY(window->isVisible());
        QTest::mouseClick(button("bitbtn_add"), Qt::LeftButton);
        typeText(field("DBEdit4"), QStringLiteral("翠园1号楼"));
        QTest::keyClick(field("DBEdit4"), Qt::Key_Escape);
        QVERIFY(window->isVisible());
        QVERIFY(window->isEditing());
        QCOMPARE(field<DBEdit>("DBEdit4")->text(), QStringLiteral("翠园1号楼"));
        QTest::mouseClick(button("bitbtn_save"), Qt::LeftButton);
        QCOMPARE(names(), QStringList(QStringLiteral("翠园1号楼")));
    }

    // The key refuses a second building of the same name: the reason is shown and what was
    // typed stays in the window, still editing.
    void duplicateNameRefusedByTheKeyKeepsTheTypedRow()
    {
        addBuilding(QStringLiteral("A座"));
        openWindow();
        QTest::mouseClick(button("bitbtn_add"), Qt::LeftButton);
        typeText(field("DBEdit4"), QStringLiteral("A座"));
        typeText(field("DBEdit1"), QStringLiteral("第二栋"));
        QTest::mouseClick(button("bitbtn_save"), Qt::LeftButton);
        QCOMPARE(prompt->shown.size(), 1);
        QCOMPARE(prompt->lastText(), QStringLiteral("楼宇名称“A座”已经存在！"));
        QCOMPARE(prompt->shown[0].caption, QStringLiteral("提示"));
        QVERIFY(prompt->shown[0].detail.contains(QStringLiteral("UNIQUE")));
        QVERIFY(window->isEditing());
        QCOMPARE(field<DBEdit>("DBEdit1")->text(), QStringLiteral("第二栋"));
        QCOMPARE(names(), QStringList(QStringLiteral("A座")));
    }

    void enterRingGoesRoundTheFields()
    {
        openWindow();
        QTest::mouseClick(button("bitbtn_add"), Qt::LeftButton);
        const QStringList ring = {
            QStringLiteral("DBEdit4"),         QStringLiteral("DBDateTimeEditEh1"), QStringLiteral("DBEdit2"),
            QStringLiteral("DBNumberEditEh2"), QStringLiteral("DBNumberEditEh5"),   QStringLiteral("DBNumberEditEh3"),
            QStringLiteral("DBNumberEditEh4"), QStringLiteral("DBEdit1"),           QStringLiteral("DBEdit4")};
        for (int i = 0; i + 1 < ring.size(); ++i) {
            QCOMPARE(QApplication::focusWidget()->objectName(), ring[i]);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        }
        QCOMPARE(QApplication::focusWidget()->objectName(), ring.last());
        QVERIFY(field<DBEdit>("DBEdit4")->text().isEmpty());
    }

    void closingWhileEditingDiscardsTheRow()
    {
        openWindow();
        QTest::mouseClick(button("bitbtn_add"), Qt::LeftButton);
        typeText(field("DBEdit4"), QStringLiteral("未保存"));
        QTest::mouseClick(button("SpeedButton4"), Qt::LeftButton);
        QVERIFY(!window->isVisible());
        QVERIFY(names().isEmpty());
        QCOMPARE(q()->state(), DataSet::State::Browse);
    }

    void chooserCopiesTheBuildingIntoTheHouse()
    {
        addBuilding(QStringLiteral("A座"));
        addBuilding(QStringLiteral("B座"));
        QVERIFY(home->dm()->exec(QStringLiteral("insert into 房屋资料 (房屋代码, 楼宇名称) values ('101', '旧楼')")));
        DataSet *house = home->dm()->q_houseinfo;
        house->addLine(QStringLiteral("select * from 房屋资料"));
        QVERIFY(house->open());

        openWindow();
        QTest::mouseClick(button("SpeedButton3"), Qt::LeftButton); // disabled: nothing
        QCOMPARE(house->text(QStringLiteral("楼宇名称")), QStringLiteral("旧楼"));
        QTest::mouseClick(button("SpeedButton4"), Qt::LeftButton);
        QCOMPARE(house->text(QStringLiteral("楼宇名称")), QStringLiteral("旧楼"));
        QVERIFY(!house->isEditing());

        openWindow();
        window->setChooser(true);
        q()->last();
        QTest::mouseClick(button("SpeedButton3"), Qt::LeftButton);
        QCOMPARE(window->result(), int(QDialog::Accepted));
        QVERIFY(house->isEditing());
        QCOMPARE(house->text(QStringLiteral("楼宇名称")), QStringLiteral("B座"));
        QVERIFY(house->post());
        QCOMPARE(home->dm()->scalar(QStringLiteral("select 楼宇名称 from 房屋资料")).toString(), QStringLiteral("B座"));
    }

    void printsTitlePageAndOperator()
    {
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (pdftotext.isEmpty()) {
            QSKIP("pdftotext (poppler-utils) is not installed");
        }
        addBuilding(QStringLiteral("翠园1号楼"));
        openWindow();
        field<QCheckBox>("cbDichromatic")->setChecked(false);
        prompt->pdfFiles.enqueue(home->path() + QStringLiteral("/print.pdf"));
        QTest::mouseClick(button("bitbtn_print"), Qt::LeftButton);
        QCOMPARE(prompt->printed, 1);
        QVERIFY(field<QCheckBox>("cbDichromatic")->isChecked());
        QProcess p;
        p.start(pdftotext, {home->path() + QStringLiteral("/print.pdf"), QStringLiteral("-")});
        QVERIFY(p.waitForFinished(20000));
        const QString text = QString::fromUtf8(p.readAllStandardOutput());
        QVERIFY2(text.contains(QStringLiteral("小区楼宇资料明细表打印清单")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("第1页")));
        QVERIFY(text.contains(QStringLiteral("翠园1号楼")));
        QVERIFY(text.contains(QStringLiteral("打印时间:") + QLocale().toString(QDate(2004, 8, 15), QLocale::ShortFormat)
                              + QStringLiteral(" 10:20:30")));
        QVERIFY(text.contains(QStringLiteral("制表:张三 .")));
    }

    void exportProposesTheNameAndAddsTheExtension()
    {
        addBuilding(QStringLiteral("翠园1号楼"));
        openWindow();
        const QString base = home->path() + QStringLiteral("/楼宇");
        prompt->files.enqueue(base);
        prompt->filterChoices.enqueue(2);
        QTest::mouseClick(button("bitbtn_out"), Qt::LeftButton);
        QCOMPARE(prompt->lastSaveName, QStringLiteral("小区楼宇资料明细表"));
        QCOMPARE(prompt->offeredFilter.constFirst(), 5);
        QFile f(base + QStringLiteral(".csv"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString csv = QString::fromUtf8(f.readAll());
        QVERIFY(csv.contains(QStringLiteral("楼宇名称")));
        QVERIFY(csv.contains(QStringLiteral("翠园1号楼")));
        QVERIFY(prompt->shown.isEmpty());

        // The chosen type is offered again next time; cancelling writes nothing.
        QTest::mouseClick(button("bitbtn_out"), Qt::LeftButton);
        QCOMPARE(prompt->offeredFilter.constLast(), 2);
    }

    void exportToAnUnwritableFolderSaysSo()
    {
        addBuilding(QStringLiteral("A座"));
        openWindow();
        prompt->files.enqueue(QStringLiteral("/proc/no-such-folder/楼宇.csv"));
        prompt->filterChoices.enqueue(2);
        QTest::mouseClick(button("bitbtn_out"), Qt::LeftButton);
        QCOMPARE(prompt->shown.size(), 1);
        QVERIFY(prompt->lastText().contains(QStringLiteral("楼宇.csv")));
    }

    void hiddenColumnsStayHiddenUntilReset()
    {
        addBuilding(QStringLiteral("A座"));
        openWindow();
        QCOMPARE(window->grid()->visibleColumnCount(), 10);
        QTest::mouseClick(button("ToolButton2"), Qt::LeftButton);
        QTest::mouseClick(button("ToolButton2"), Qt::LeftButton);
        QCOMPARE(window->grid()->visibleColumnCount(), 8);
        QVERIFY(button("ToolButton1")->isEnabled());
        QCOMPARE(button("ToolButton1")->menu()->actions().constFirst()->text(), QStringLiteral("操作日期"));
        window->close();
        QVERIFY(QFile::exists(home->path() + QStringLiteral("/system.ini")));

        // Opened again: the hidden columns are listed, so they can be brought back.
        openWindow();
        QCOMPARE(window->grid()->visibleColumnCount(), 8);
        QVERIFY(button("ToolButton1")->isEnabled());
        QStringList listed;
        for (QAction *a : button("ToolButton1")->menu()->actions()) {
            listed << a->text();
        }
        QCOMPARE(listed, QStringList({QStringLiteral("操作日期"), QStringLiteral("备注")}));
        // The layout read at opening keeps the current row marked.
        QVERIFY(window->grid()->selectionModel()->isRowSelected(q()->currentRow(), {}));
        for (int i = 0; i < 10; ++i) {
            QTest::mouseClick(button("ToolButton2"), Qt::LeftButton);
        }
        QCOMPARE(window->grid()->visibleColumnCount(), 5);
        QTest::mouseClick(button("ToolButton1"), Qt::LeftButton);
        QCOMPARE(window->grid()->visibleColumnCount(), 6);

        QTest::mouseClick(window->findChild<QToolButton *>(QStringLiteral("SpeedButton4")), Qt::LeftButton);
        openWindow();
        QCOMPARE(window->grid()->visibleColumnCount(), 6);
        QCOMPARE(button("ToolButton1")->menu()->actions().size(), 4);
        // Every listed column shown again: the button goes off.
        for (int guard = 0; guard < 10 && button("ToolButton1")->isEnabled(); ++guard) {
            button("ToolButton1")->menu()->actions().constFirst()->trigger();
        }
        QCOMPARE(window->grid()->visibleColumnCount(), 10);
        QVERIFY(window->grid()->hiddenFields().isEmpty());
    }
};

QTEST_MAIN(TestStoreyInfo)
#include "tst_storeyinfo.moc"
