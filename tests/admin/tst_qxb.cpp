#include "admin/qxb.h"
#include "admin/qxb_edit.h"
#include "app/main.h"
#include "app/windowregistry.h"
#include "buttonbar.h"
#include "modal.h"
#include "scriptedprompt.h"
#include "data/dm1.h"
#include "temphome.h"

#include <QCheckBox>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

class TestOperatorList : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<TempHome> home;
    std::unique_ptr<Preparation> preparation;
    ScriptedPrompt *prompt = nullptr;
    std::unique_ptr<TForm_qxb> window;

    DataSet *q() const { return home->dm()->q_qxb; }
    QToolButton *button(const char *name) const { return window->findChild<QToolButton *>(QString::fromLatin1(name)); }
    void moveToName(const QString &name)
    {
        for (int r = 0; r < q()->recordCount(); ++r) {
            if (q()->value(r, q()->fieldIndex(QStringLiteral("姓名"))).toString() == name) {
                q()->moveTo(r);
            }
        }
        QCOMPARE(q()->text(QStringLiteral("姓名")), name);
    }

    void openWindow()
    {
        preparation.reset();
        window = std::make_unique<TForm_qxb>();
        preparation = std::make_unique<Preparation>(window.get(), home->dm());
        QVERIFY(preparation->run());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

private slots:
    void initTestCase() { WindowRegistry::registerAll(); }
    void init()
    {
        home = std::make_unique<TempHome>();
        prompt = ScriptedPrompt::install();
        QVERIFY(home->dm()->exec(
            QStringLiteral("insert into 权限表 (姓名, 身份证号) values ('李四', '2'), ('王五', '1')")));
    }
    void cleanup()
    {
        preparation.reset();
        window.reset();
        home.reset();
    }

    void listHasItsButtonsAndOptions()
    {
        openWindow();
        QCOMPARE(window->windowTitle(), QStringLiteral("操作员设置"));
        QVERIFY(button("bitbtn_edit"));
        QVERIFY(button("bitbtn_delete"));
        QVERIFY(!button("bitbtn_add"));
        QVERIFY(!button("bitbtn_save"));
        QVERIFY(!button("bitbtn_cancel"));
        auto *shade = window->findChild<QCheckBox *>(QStringLiteral("cbDichromatic"));
        auto *fit = window->findChild<QCheckBox *>(QStringLiteral("CheckBox1"));
        QCOMPARE(shade->text(), QStringLiteral("区分网格"));
        QCOMPARE(fit->text(), QStringLiteral("自动匹配列宽"));
        QVERIFY(shade->isChecked());
        QVERIFY(fit->isChecked());
        QCOMPARE(window->grid()->footerText(QStringLiteral("姓名")), QStringLiteral("记录数"));
        QCOMPARE(window->grid()->footerText(QStringLiteral("身份证号")), QStringLiteral("3"));
    }

    // Five columns: one can be hidden, then the floor of four holds.
    void hidingStopsAtFourColumns()
    {
        openWindow();
        QCOMPARE(window->grid()->visibleColumnCount(), 5);
        QTest::mouseClick(button("ToolButton2"), Qt::LeftButton);
        QTest::mouseClick(button("ToolButton2"), Qt::LeftButton);
        QCOMPARE(window->grid()->visibleColumnCount(), 4);
        window->close();
        const QStringList ini = QDir(home->path()).entryList({QStringLiteral("*.ini")});
        QVERIFY2(ini.isEmpty(), qPrintable(ini.join(QLatin1Char(' '))));
    }

    // The button bar's groups are parted by one bevel each, never two in a row.
    void buttonBarGroups()
    {
        openWindow();
        QCOMPARE(buttonBar(window.get()), QString::fromUtf8("编辑 删除 | 导出 打印 | 返回"));
    }

    void titlesOfNameAndIdSort()
    {
        openWindow();
        window->grid()->clickTitle(1, false);
        QCOMPARE(q()->orderingLine(), QStringLiteral(" ORDER BY 身份证号 COLLATE pinyin"));
        // The default operator has no identity number and comes first.
        QCOMPARE(q()->value(1, q()->fieldIndex(QStringLiteral("姓名"))).toString(), QStringLiteral("王五"));
        QCOMPARE(q()->value(2, q()->fieldIndex(QStringLiteral("姓名"))).toString(), QStringLiteral("李四"));
        window->grid()->clickTitle(3, false); // 输入法 is not a sort button
        QCOMPARE(q()->orderingLine(), QStringLiteral(" ORDER BY 身份证号 COLLATE pinyin"));
    }

    void editOpensTheEditorOnTheChosenRow()
    {
        openWindow();
        q()->moveTo(1);
        QString shownName;
        whenShown<TForm_qxb_edit>([&](TForm_qxb_edit *editor) {
            shownName = editor->findChild<QLineEdit *>(QStringLiteral("DBEdit1"))->text();
            editor->findChild<QPushButton *>(QStringLiteral("BitBtn4"))->click();
        });
        QTest::mouseClick(button("bitbtn_edit"), Qt::LeftButton);
        QCOMPARE(shownName, q()->text(QStringLiteral("姓名")));
        QVERIFY(!shownName.isEmpty());
    }

    void theLoggedInOperatorCannotBeDeleted()
    {
        openWindow();
        moveToName(home->dm()->session().currentOperator);
        prompt->answers.enqueue(true);
        QTest::mouseClick(button("bitbtn_delete"), Qt::LeftButton);
        QCOMPARE(prompt->texts(), QStringList(QStringLiteral("不能删除当前登录的操作员！")));
        QCOMPARE(home->dm()->scalar(QStringLiteral("select count(*) from 权限表")).toInt(), 3);
    }

    // The operator who is logged in is known by his row: renamed, he still cannot delete
    // himself; and the last operator always stays, so somebody can log in at the next start.
    void somebodyCanAlwaysLogIn()
    {
        openWindow();
        moveToName(QStringLiteral("管理员"));
        QVERIFY(q()->edit());
        q()->setText(QStringLiteral("姓名"), QStringLiteral("管理员2"));
        QVERIFY(q()->post());
        prompt->answers.enqueue(true);
        QTest::mouseClick(button("bitbtn_delete"), Qt::LeftButton);
        QCOMPARE(prompt->texts(), QStringList(QStringLiteral("不能删除当前登录的操作员！")));
        QCOMPARE(home->dm()->scalar(QStringLiteral("select count(*) from 权限表")).toInt(), 3);

        // Logged in as an operator deleted meanwhile at another workstation: the last row stays.
        window.reset();
        QVERIFY(home->dm()->exec(QStringLiteral("delete from 权限表 where 姓名<>'李四'")));
        home->dm()->session().operatorId = -1;
        openWindow();
        prompt->clear();
        prompt->answers.enqueue(true);
        QTest::mouseClick(button("bitbtn_delete"), Qt::LeftButton);
        QCOMPARE(prompt->texts(), QStringList(QStringLiteral("不能删除最后一个操作员！")));
        QCOMPARE(home->dm()->scalar(QStringLiteral("select count(*) from 权限表")).toInt(), 1);
    }

    void deleteAsksFirst()
    {
        openWindow();
        q()->moveTo(1);
        const QString first = q()->text(QStringLiteral("姓名"));
        QTest::mouseClick(button("bitbtn_delete"), Qt::LeftButton);
        QCOMPARE(prompt->lastText(), QStringLiteral("要删除当前记录吗? "));
        QCOMPARE(home->dm()->scalar(QStringLiteral("select count(*) from 权限表")).toInt(), 3);
        prompt->answers.enqueue(true);
        QTest::mouseClick(button("bitbtn_delete"), Qt::LeftButton);
        QCOMPARE(home->dm()->scalar(QStringLiteral("select count(*) from 权限表 where 姓名=?"), {first}).toInt(), 0);
    }

    void openedFromTheMenu()
    {
        TForm_main form(home->dm());
        bool seen = false;
        whenShown<TForm_qxb>([&](TForm_qxb *w) {
            seen = w->dataSet()->recordCount() == 3;
            w->reject();
        });
        QVERIFY(form.runCommand(QStringLiteral("操作员设置")));
        QVERIFY(seen);
        QVERIFY(!q()->isOpen());
    }
};

QTEST_MAIN(TestOperatorList)
#include "tst_qxb.moc"
