// "业主应缴费用管理" through the operator's steps: making a house's lines, typing readings,
// computing and saving, paid lines, the whole estate from the window and from the menu.
#include "billing/core/billgeneration.h"
#include "billing/jiaofeidan.h"
#include "billing/jiaofeidan_quanbu.h"
#include "components/common/preparation.h"
#include "listwindow/formulapages.h"
#include "scriptedprompt.h"
#include "data/clock.h"
#include "data/dm1.h"
#include "temphome.h"
#include "typing.h"

#include <QAbstractButton>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

namespace {
const QString Meter = QStringLiteral("单价*(本月数-上月数)");
}

class TestJiaofeidan : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<TempHome> home;
    ScriptedPrompt *prompt = nullptr;
    std::unique_ptr<TForm_jiaofeidan> window;
    std::unique_ptr<Preparation> preparation;

    Dm1 *dm() const { return home->dm(); }
    DataSet *lines() const { return window->details(); }

    void addHouse(const QString &code, const QString &owner)
    {
        QVERIFY(dm()->exec(QStringLiteral("insert into 房屋资料 (房屋代码, 房屋名称, 业主名称, 楼宇名称, 楼宇单元) "
                                          "values (?, ?, ?, '一号楼', '二单元')"),
                           {code, QString(code + QStringLiteral("室")), owner}));
    }
    void addItem(const QString &house, const QString &name, const QString &formula, qint64 price, qint64 quantity)
    {
        QVERIFY(dm()->exec(QStringLiteral("insert into 房屋收费项目 (房屋代码, 收费名称, 计算公式, 单价, 预付金额) "
                                          "values (?, ?, ?, ?, ?)"),
                           {house, name, formula, price, quantity}));
    }
    qint64 count(const QString &where, const QVariantList &binds = {})
    {
        return dm()->scalar(QStringLiteral("select count(*) from 收费明细表 where ") + where, binds).toLongLong();
    }
    QVariant stored(const QString &house, const QString &name, const QString &field)
    {
        return dm()->scalar(QStringLiteral("select \"%1\" from 收费明细表 where 房屋代码=? and 收费名称=? and "
                                           "年度='2004' and 月份='8'")
                                .arg(field),
                            {house, name});
    }
    void openWindow()
    {
        preparation.reset();
        window = std::make_unique<TForm_jiaofeidan>();
        preparation = std::make_unique<Preparation>(window.get(), dm());
        QVERIFY(preparation->run());
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }
    void click(const char *name)
    {
        auto *b = window->findChild<QAbstractButton *>(QString::fromLatin1(name));
        QVERIFY2(b, name);
        QVERIFY2(b->isEnabled(), name);
        QTest::mouseClick(b, Qt::LeftButton);
    }
    bool enabled(const char *name) const
    {
        return window->findChild<QAbstractButton *>(QString::fromLatin1(name))->isEnabled();
    }
    void selectHouse(const QString &code)
    {
        for (int r = 0; r < window->houses()->recordCount(); ++r) {
            window->houses()->moveTo(r);
            if (window->houses()->text(QStringLiteral("房屋代码")) == code) {
                return;
            }
        }
        QFAIL("no such house");
    }
    void selectLine(const QString &name)
    {
        for (int r = 0; r < lines()->recordCount(); ++r) {
            lines()->moveTo(r);
            if (lines()->text(QStringLiteral("收费名称")) == name) {
                return;
            }
        }
        QFAIL("no such line");
    }
    QLineEdit *editor(const QString &formula, const QString &field)
    {
        return qobject_cast<QLineEdit *>(window->pages()->editor(formula, field));
    }
    void retype(QLineEdit *edit, const QString &text)
    {
        QVERIFY(edit);
        edit->setFocus();
        edit->selectAll();
        typeText(edit, text);
    }

private slots:
    void init()
    {
        home = std::make_unique<TempHome>();
        prompt = ScriptedPrompt::install();
        Clock::setFixed(QDateTime(QDate(2004, 8, 15), QTime(9, 30)));
        home->dm()->session().currentOperator = QStringLiteral("张会计");
        addHouse(QStringLiteral("1-101"), QStringLiteral("林超"));
        addHouse(QStringLiteral("1-102"), QStringLiteral("王强"));
        addHouse(QStringLiteral("1-103"), QStringLiteral("李娜"));
        for (const QString &h : {QStringLiteral("1-101"), QStringLiteral("1-102")}) {
            addItem(h, QStringLiteral("物业费"), QStringLiteral("单价*面积"), 12000, 880000);
            addItem(h, QStringLiteral("水费"), Meter, 25000, 0);
            addItem(h, QStringLiteral("电视费"), QStringLiteral("直接输入金额"), 180000, 10000);
        }
        // July's water reading of 1-101, carried into August.
        QVERIFY(dm()->exec(QStringLiteral("insert into 收费明细表 (房屋代码, 收费名称, 计算公式, 年度, 月份, 本月表数, "
                                          "缴费状态) values ('1-101', '水费', ?, '2004', '7', 100.25, '未缴费')"),
                           {Meter}));
    }
    void cleanup()
    {
        preparation.reset();
        window.reset();
        home.reset();
        Clock::setFixed({});
    }

    // The bar, the month on today, the grid's columns, and "新增项目" while the house has no line.
    void opensOnTodaysMonth()
    {
        openWindow();
        QStringList captions;
        for (auto *b : window->findChild<QWidget *>(QStringLiteral("Panel2"))->findChildren<QToolButton *>()) {
            captions << b->text();
        }
        QCOMPARE(captions, (QStringList {"新增项目", "删除项目", "全部生成", "导入抄表", "导出", "打印", "初始界面", "返回"}));
        QCOMPARE(window->monthPicker()->date(), QDate(2004, 8, 15));
        QCOMPARE(window->monthPicker()->displayFormat(), QStringLiteral("yyyy年MM月"));
        QCOMPARE(window->windowTitle(), QStringLiteral("业主应缴费用管理"));
        QCOMPARE(window->houses()->text(QStringLiteral("房屋代码")), QStringLiteral("1-101"));
        QVERIFY(lines()->isOpen() && lines()->isEmpty());
        QVERIFY(enabled("bitbtn_add"));
        QCOMPARE(window->stateText(), QString());
        QStringList titles;
        for (const GridColumn &c : window->detailGrid()->columns()) {
            titles << c.title;
        }
        QCOMPARE(titles,
                 (QStringList {"收费名称", "单价(比例)", "本月表数", "上月表数", "面积/数量/金额", "收费金额",
                               "开始日期", "结束日期", "计算公式", "房屋代码", "业主名称", "备注"}));
        // The month is set once: the window becoming active again leaves the chosen month.
        window->monthPicker()->setDate(QDate(2004, 7, 1));
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(window.get(), &activate);
        QCOMPARE(window->monthPicker()->date(), QDate(2004, 7, 1));
        QCOMPARE(lines()->recordCount(), 1);
        QVERIFY(!enabled("bitbtn_add"));
    }

    // "新增项目" makes the house's lines once; deleting the month's last line offers it again.
    void addOnceThenDeleteToAddAgain()
    {
        openWindow();
        click("bitbtn_add");
        QVERIFY(prompt->shown.isEmpty());
        QCOMPARE(lines()->recordCount(), 3);
        QVERIFY(!enabled("bitbtn_add"));
        QCOMPARE(window->stateText(), QStringLiteral("未缴费"));
        selectLine(QStringLiteral("水费"));
        QCOMPARE(lines()->number(QStringLiteral("上月表数")), 100.25);
        QCOMPARE(window->pages()->currentFormula(), Meter);
        QCOMPARE(lines()->text(QStringLiteral("结束日期")), QStringLiteral("2004-08-31 00:00:00"));

        for (int n = 3; n > 0; --n) {
            QVERIFY(!enabled("bitbtn_add"));
            prompt->answers.enqueue(true);
            click("bitbtn_delete");
            QCOMPARE(prompt->lastText(), QStringLiteral("要删除当前记录吗? "));
            QCOMPARE(lines()->recordCount(), n - 1);
        }
        QVERIFY(enabled("bitbtn_add"));
        QCOMPARE(window->stateText(), QString());
        QCOMPARE(count(QStringLiteral("月份='8'")), 0);

        // A house without items, and no house at all.
        selectHouse(QStringLiteral("1-103"));
        click("bitbtn_add");
        QCOMPARE(prompt->lastText(), QStringLiteral("没有指定收费项目,请到房屋收费项目中增加！"));
        window->findChild<QLineEdit *>(QStringLiteral("Edit1"))->setText(QStringLiteral("9-"));
        click("SpeedButton1");
        QCOMPARE(prompt->lastText(), QStringLiteral("没有找到合适的记录！"));
        click("bitbtn_add");
        QCOMPARE(prompt->lastText(), QStringLiteral("没有指定房屋代码！"));
        QCOMPARE(count(QStringLiteral("月份='8'")), 0);
    }

    // Another workstation made the house's lines after this window read them: the second
    // "新增项目" makes none and says so; the lines made there are shown.
    void secondWorkstationFindsTheLinesMade()
    {
        openWindow();
        BillGeneration other(dm()->database());
        QCOMPARE(other.generateHouse(QStringLiteral("1-101"), {2004, 8}).result, BillGeneration::Result::Generated);
        click("bitbtn_add");
        QCOMPARE(prompt->lastText(), QStringLiteral("该房屋2004年08月的应缴费用已经生成，不能重复生成！"));
        QCOMPARE(count(QStringLiteral("房屋代码='1-101' and 月份='8'")), 3);
        QCOMPARE(lines()->recordCount(), 3);
        QVERIFY(!enabled("bitbtn_add"));
    }

    // Another workstation holds the write lock: the house's lines are not made, and the
    // operator reads why in Chinese, the database's own words kept as the detail.
    void lockedDatabaseIsToldInChinese()
    {
        openWindow();
        QVERIFY(dm()->exec(QStringLiteral("create temp trigger locked before insert on 收费明细表 "
                                          "begin select raise(abort, 'database is locked'); end")));
        click("bitbtn_add");
        QCOMPARE(prompt->lastText(), QStringLiteral("应缴费用没有生成：\n数据库正被其他工作站使用，请稍后再试！"));
        QCOMPARE(prompt->shown.constLast().detail, QStringLiteral("database is locked"));
        QCOMPARE(count(QStringLiteral("月份='8'")), 0);
    }

    // Readings typed on the meter page, "计算" for all lines, "保存" stamps the current line.
    void computeAndSave()
    {
        openWindow();
        click("bitbtn_add");
        selectLine(QStringLiteral("水费"));
        retype(editor(Meter, QStringLiteral("本月表数")), QStringLiteral("120.5"));
        click("SpeedButton2");
        QCOMPARE(prompt->texts(), QStringList {QStringLiteral("计算完毕！")});
        QCOMPARE(stored(QStringLiteral("1-101"), QStringLiteral("水费"), QStringLiteral("面积/数量")).toDouble(),
                 20.25);
        QCOMPARE(stored(QStringLiteral("1-101"), QStringLiteral("水费"), QStringLiteral("收费金额")).toLongLong(),
                 506250);
        QCOMPARE(stored(QStringLiteral("1-101"), QStringLiteral("物业费"), QStringLiteral("收费金额")).toLongLong(),
                 1056000);
        QCOMPARE(stored(QStringLiteral("1-101"), QStringLiteral("电视费"), QStringLiteral("收费金额")).toLongLong(),
                 180000);
        QCOMPARE(lines()->currentRow(), 0);
        QCOMPARE(window->detailGrid()->footerText(QStringLiteral("收费金额")), QStringLiteral("174.225"));
        QVERIFY(stored(QStringLiteral("1-101"), QStringLiteral("水费"), QStringLiteral("操作人员")).isNull());

        // A reading below last month's is asked about; No computes nothing.
        prompt->clear();
        selectLine(QStringLiteral("水费"));
        retype(editor(Meter, QStringLiteral("本月表数")), QStringLiteral("90"));
        click("SpeedButton3");
        QCOMPARE(
            prompt->texts(),
            QStringList {QStringLiteral("下列项目的本月表数小于上月表数或为负数：\n水费：本月表数 90，上月表数 100.25\n"
                                        "要继续计算吗？")});
        QCOMPARE(stored(QStringLiteral("1-101"), QStringLiteral("水费"), QStringLiteral("收费金额")).toLongLong(),
                 506250);
        prompt->clear();
        prompt->answers.enqueue(true);
        click("SpeedButton3");
        QCOMPARE(prompt->texts().mid(1), (QStringList {QStringLiteral("计算完毕！"), QStringLiteral("存盘完毕！")}));
        QCOMPARE(stored(QStringLiteral("1-101"), QStringLiteral("水费"), QStringLiteral("收费金额")).toLongLong(),
                 -256250);
        QCOMPARE(lines()->text(QStringLiteral("收费名称")), QStringLiteral("水费"));
        QCOMPARE(stored(QStringLiteral("1-101"), QStringLiteral("水费"), QStringLiteral("操作人员")).toString(),
                 QStringLiteral("张会计"));
        QCOMPARE(stored(QStringLiteral("1-101"), QStringLiteral("水费"), QStringLiteral("操作日期")).toString(),
                 QStringLiteral("2004-08-15 09:30:00"));
        QVERIFY(stored(QStringLiteral("1-101"), QStringLiteral("物业费"), QStringLiteral("操作人员")).isNull());

        // "取消" drops what was typed and not saved.
        retype(editor(Meter, QStringLiteral("本月表数")), QStringLiteral("555"));
        click("SpeedButton5");
        QCOMPARE(editor(Meter, QStringLiteral("本月表数"))->text().toDouble(), 90.0);
        QCOMPARE(lines()->number(QStringLiteral("本月表数")), 90.0);
    }

    // A paid line is settled: shown as "已缴费", read-only, neither deleted nor recomputed, and
    // a payment taken elsewhere since the lines were read wins over what is typed here.
    void paidLinesAreSettled()
    {
        openWindow();
        click("bitbtn_add");
        QVERIFY(dm()->exec(QStringLiteral(
            "update 收费明细表 set 缴费状态='现金', 单价=99990000 where 收费名称='物业费' and 月份='8'")));
        window->refreshDetail();
        selectLine(QStringLiteral("物业费"));
        QCOMPARE(window->stateText(), QStringLiteral("已缴费"));
        QVERIFY(editor(QStringLiteral("单价*面积"), QStringLiteral("单价"))->isReadOnly());
        click("bitbtn_delete");
        QCOMPARE(prompt->texts(), QStringList {QStringLiteral("该项目已经缴费，不能删除！")});
        // The water reading is not typed yet: asked about, and computed all the same.
        prompt->answers.enqueue(true);
        click("SpeedButton3");
        QCOMPARE(prompt->texts().mid(2),
                 (QStringList {QStringLiteral("计算完毕！"), QStringLiteral("该项目已经缴费，不能修改！")}));
        QCOMPARE(stored(QStringLiteral("1-101"), QStringLiteral("物业费"), QStringLiteral("收费金额")).toLongLong(), 0);
        QVERIFY(stored(QStringLiteral("1-101"), QStringLiteral("物业费"), QStringLiteral("操作人员")).isNull());
        QCOMPARE(stored(QStringLiteral("1-101"), QStringLiteral("电视费"), QStringLiteral("收费金额")).toLongLong(),
                 180000);

        selectLine(QStringLiteral("电视费"));
        QCOMPARE(window->stateText(), QStringLiteral("未缴费"));
        QVERIFY(!editor(QStringLiteral("直接输入金额"), QStringLiteral("单价"))->isReadOnly());
        QVERIFY(dm()->exec(QStringLiteral("update 收费明细表 set 缴费状态='银行转帐' where 收费名称='电视费'")));
        prompt->clear();
        retype(editor(QStringLiteral("直接输入金额"), QStringLiteral("单价")), QStringLiteral("25"));
        click("SpeedButton2");
        QCOMPARE(prompt->texts(), QStringList {QStringLiteral("该项目已经缴费，不能修改！")});
        QCOMPARE(stored(QStringLiteral("1-101"), QStringLiteral("电视费"), QStringLiteral("单价")).toLongLong(),
                 180000);
        QCOMPARE(window->stateText(), QStringLiteral("已缴费"));
    }

    // "全部生成" from the window: asked first, a progress dialog, the counts; the shown house's
    // lines appear.
    void wholeEstateFromTheWindow()
    {
        openWindow();
        selectHouse(QStringLiteral("1-102"));
        click("bitbtn_add");
        selectHouse(QStringLiteral("1-101"));
        prompt->clear();
        click("bitbtn_all");
        QCOMPARE(
            prompt->texts(),
            QStringList {QStringLiteral("要生成2004年08月全部房屋的应缴费用吗？\n已经有该月应缴费用的房屋将被跳过。")});
        QCOMPARE(count(QStringLiteral("月份='8'")), 3);
        prompt->answers.enqueue(true);
        click("bitbtn_all");
        QCOMPARE(prompt->progressTexts, QStringList {QStringLiteral("正在生成2004年08月的应缴费用……")});
        QCOMPARE(prompt->progressSteps, (QList<int> {0, 2}));
        QCOMPARE(prompt->lastText(), QStringLiteral("已生成 1 户，跳过 1 户"));
        QCOMPARE(prompt->shown.last().icon, Prompt::Icon::Information);
        QCOMPARE(count(QStringLiteral("月份='8'")), 6);
        QCOMPARE(lines()->recordCount(), 3);
        QVERIFY(!enabled("bitbtn_add"));
    }

    // The menu's "全部生成应缴费用": the month chosen there; cancelled, the houses done are kept.
    void wholeEstateFromTheMenu()
    {
        for (int h = 1; h <= 25; ++h) {
            const QString code = QStringLiteral("9-%1").arg(h, 2, 10, QLatin1Char('0'));
            addHouse(code, QStringLiteral("业主"));
            addItem(code, QStringLiteral("物业费"), QStringLiteral("单价*面积"), 12000, 880000);
        }
        TForm_jiaofeidan_quanbu dialog;
        Preparation prepared(&dialog);
        QVERIFY(prepared.run());
        QCOMPARE(dialog.monthPicker()->date(), QDate(2004, 8, 15));
        dialog.monthPicker()->setDate(QDate(2004, 9, 1));
        prompt->answers.enqueue(true);
        prompt->cancelProgressAt = 20;
        QTest::mouseClick(dialog.findChild<QAbstractButton *>(QStringLiteral("BitBtn1")), Qt::LeftButton);
        QCOMPARE(prompt->progressSteps, (QList<int> {0, 10, 20}));
        QCOMPARE(prompt->lastText(), QStringLiteral("已生成 20 户，跳过 0 户\n生成已取消，其余房屋没有生成。"));
        QCOMPARE(count(QStringLiteral("年度='2004' and 月份='9'")), 2 * 3 + 18);
    }
};

QTEST_MAIN(TestJiaofeidan)
#include "tst_jiaofeidan.moc"
