#include "buttonbar.h"
#include "listwindow/housedetailwindow.h"
#include "scriptedprompt.h"
#include "data/clock.h"
#include "data/dm1.h"
#include "temphome.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

namespace {
// A window of the kind the payment window is: the houses with unpaid lines in the chosen month
// (distinct houses of the bill lines), their unpaid lines on the right, the red state label.
class UnpaidLines : public HouseDetailWindow
{
public:
    UnpaidLines()
        : HouseDetailWindow(design())
    {
        connect(this, &HouseDetailWindow::monthChanged, this, &HouseDetailWindow::reloadHouses);
        connect(this, &HouseDetailWindow::detailRefreshed, this,
                [this] { setStateText(details()->recordCount() > 0 ? QStringLiteral("未缴费") : QString()); });
    }

    static HouseDetailDesign design()
    {
        using C = GridColumn;
        using F = GridColumn::Footer;
        HouseDetailDesign d;
        d.className = QStringLiteral("TForm_unpaidtest");
        d.caption = QStringLiteral("业主缴费管理");
        d.titleBand = QStringLiteral("业主缴费管理");
        d.printTitle = QStringLiteral("未缴费用打印清单");
        d.exportName = QStringLiteral("未缴费用");
        d.layoutFile = QStringLiteral("unpaidtest.ini");
        d.resetButton = QStringLiteral("SpeedButton5");
        d.leadingButtons = {
            BarButton::of(QStringLiteral("bitbtn_add"), QStringLiteral("按单缴费"), QStringLiteral("缴"))};
        d.trailingButtons = {BarButton::of(QStringLiteral("SpeedButton2"), QStringLiteral("设计"), QStringLiteral("设"))
                                 .withHint(QStringLiteral("修改缴款通知单"))};
        d.search = HouseDetailDesign::standardSearch();
        d.enterRing = {QStringLiteral("Edit1"), QStringLiteral("Edit3")};
        d.monthPicker = true;
        d.stateLabel = true;
        d.houseSelect = QStringLiteral("select DISTINCT(房屋代码),业主名称,楼宇名称 from 收费明细表 a ");
        d.houseOrdering = QStringLiteral(" order by 房屋代码 ");
        d.detailQuery = QStringLiteral("q_jiaofeidan");
        d.detailColumns = {
            C::of(QStringLiteral("收费名称"), QStringLiteral("收费名称"), 100)
                .withFooter(F::Text, QStringLiteral("合计")),
            C::of(QStringLiteral("收费金额"), QStringLiteral("收费金额"), 80).alignRight().withFooter(F::Sum),
        };
        return d;
    }

protected:
    QString houseCondition(QVariantList *values) const override
    {
        *values << yearText() << monthText();
        return QStringLiteral("(年度=?)and(月份=?)and(缴费状态='未缴费')");
    }
    QStringList detailLines(QVariantList *values) const override
    {
        *values << houses()->text(QStringLiteral("房屋代码")) << yearText() << monthText();
        return {
            QStringLiteral("select * from 收费明细表 where (房屋代码=?)and(年度=?)and(月份=?)and(缴费状态='未缴费')"),
            QStringLiteral("order by 收费名称")};
    }
};
}

class TestHouseDetailWindow : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<TempHome> home;
    ScriptedPrompt *prompt = nullptr;
    std::unique_ptr<Preparation> preparation;
    std::unique_ptr<UnpaidLines> window;

    void line(const QString &house, const QString &owner, const QString &building, const QString &fee,
              const QString &month, qint64 amount, const QString &state = QStringLiteral("未缴费"))
    {
        QVERIFY(home->dm()->exec(QStringLiteral("insert into 收费明细表 (房屋代码, 业主名称, 楼宇名称, 收费名称, 年度, "
                                                "月份, 收费金额, 缴费状态) values (?, ?, ?, ?, '2004', ?, ?, ?)"),
                                 {house, owner, building, fee, month, amount, state}));
    }
    QStringList houseCodes() const
    {
        QStringList out;
        for (int r = 0; r < window->houses()->recordCount(); ++r) {
            out << window->houses()->value(r, window->houses()->fieldIndex(QStringLiteral("房屋代码"))).toString();
        }
        return out;
    }
    void openWindow()
    {
        preparation.reset();
        window = std::make_unique<UnpaidLines>();
        preparation = std::make_unique<Preparation>(window.get());
        QVERIFY(preparation->run());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

private slots:
    void init()
    {
        home = std::make_unique<TempHome>();
        prompt = ScriptedPrompt::install();
        Clock::setFixed(QDateTime(QDate(2004, 8, 15), QTime(9, 0)));
        QVERIFY(home->dm()->exec(QStringLiteral("insert into 楼宇资料 (楼宇名称) values ('二号楼'), ('一号楼')")));
        line(QStringLiteral("1-101"), QStringLiteral("林超"), QStringLiteral("一号楼"), QStringLiteral("水费"),
             QStringLiteral("8"), 172500);
        line(QStringLiteral("1-101"), QStringLiteral("林超"), QStringLiteral("一号楼"), QStringLiteral("物业费"),
             QStringLiteral("8"), 1);
        line(QStringLiteral("1-102"), QStringLiteral("王强"), QStringLiteral("一号楼"), QStringLiteral("水费"),
             QStringLiteral("8"), 100, QStringLiteral("现金"));
        line(QStringLiteral("2-101"), QStringLiteral("张明"), QStringLiteral("二号楼"), QStringLiteral("水费"),
             QStringLiteral("8"), 5000);
        line(QStringLiteral("1-102"), QStringLiteral("王强"), QStringLiteral("一号楼"), QStringLiteral("水费"),
             QStringLiteral("9"), 7000);
    }
    void cleanup()
    {
        preparation.reset();
        window.reset();
        home.reset();
        Clock::setFixed({});
    }

    // The bar in its order, the month picker on today, the building drop-down filled and empty.
    void opensOnTheMonth()
    {
        openWindow();
        QCOMPARE(buttonBar(window.get()), QStringLiteral("按单缴费 | 导出 打印 | 设计 初始界面 | 返回"));
        QCOMPARE(window->button(QStringLiteral("SpeedButton2"))->toolTip(), QStringLiteral("修改缴款通知单"));
        QCOMPARE(window->monthPicker()->date(), QDate(2004, 8, 15));
        QCOMPARE(window->monthPicker()->displayFormat(), QStringLiteral("yyyy年MM月"));
        auto *buildings = window->findChild<QComboBox *>(QStringLiteral("DBComboBoxEh3"));
        QCOMPARE(buildings->count(), 2);
        QCOMPARE(buildings->currentText(), QString());
        QCOMPARE(houseCodes(), (QStringList {"1-101", "2-101"}));
        QCOMPARE(window->details()->recordCount(), 2);
        QCOMPARE(window->detailGrid()->footerText(QStringLiteral("收费金额")), QStringLiteral("17.2501"));
        QCOMPARE(window->stateText(), QStringLiteral("未缴费"));
        QTest::keyClick(window.get(), Qt::Key_Escape);
        QVERIFY(window->isVisible());
    }

    // Another month reloads the houses; the detail follows the house, and goes with the last one.
    void monthAndHouseAreFollowed()
    {
        openWindow();
        window->houses()->next();
        QCOMPARE(window->details()->text(QStringLiteral("房屋代码")), QStringLiteral("2-101"));
        window->monthPicker()->setDate(QDate(2004, 9, 1));
        QCOMPARE(houseCodes(), QStringList {"1-102"});
        QCOMPARE(window->details()->recordCount(), 1);
        QCOMPARE(window->monthText(), QStringLiteral("9"));
        window->monthPicker()->setDate(QDate(2004, 10, 1));
        QVERIFY(houseCodes().isEmpty());
        QVERIFY(!window->details()->isOpen());
        QCOMPARE(window->stateText(), QString());
        QVERIFY(prompt->shown.isEmpty());
    }

    // The search joins its conditions to the month's; a sort keeps both.
    void searchAndSortKeepTheMonth()
    {
        openWindow();
        window->findChild<QComboBox *>(QStringLiteral("DBComboBoxEh3"))->setCurrentText(QStringLiteral("一号楼"));
        QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("SpeedButton1")), Qt::LeftButton);
        QCOMPARE(houseCodes(), QStringList {"1-101"});
        QCOMPARE(window->houses()->sql().value(1),
                 QStringLiteral(" where (年度=?)and(月份=?)and(缴费状态='未缴费')and(\"楼宇名称\" = ?)"));
        window->findChild<QComboBox *>(QStringLiteral("DBComboBoxEh3"))->setCurrentText(QString());
        window->findChild<QLineEdit *>(QStringLiteral("Edit3"))->setText(QStringLiteral("张"));
        QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("SpeedButton1")), Qt::LeftButton);
        QCOMPARE(houseCodes(), QStringList {"2-101"});
        window->findChild<QLineEdit *>(QStringLiteral("Edit3"))->clear();
        QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("SpeedButton1")), Qt::LeftButton);
        window->houseGrid()->clickTitle(1, false);
        window->houseGrid()->clickTitle(1, false);
        QCOMPARE(window->houses()->orderingLine(), QStringLiteral(" ORDER BY 房屋代码 COLLATE pinyin DESC "));
        QCOMPARE(houseCodes(), (QStringList {"2-101", "1-101"}));
        window->findChild<QLineEdit *>(QStringLiteral("Edit1"))->setText(QStringLiteral("9-"));
        QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("SpeedButton1")), Qt::LeftButton);
        QCOMPARE(prompt->lastText(), QStringLiteral("没有找到合适的记录！"));
        QVERIFY(!window->details()->isOpen());
    }

    // Print and export take the detail grid and do nothing without lines; the layout file keeps
    // the house grid and goes after "初始界面".
    void printExportAndLayout()
    {
        const QString ini = home->path() + QStringLiteral("/unpaidtest.ini");
        openWindow();
        QTest::mouseClick(window->button(QStringLiteral("bitbtn_print")), Qt::LeftButton);
        QCOMPARE(prompt->printed, 1);
        prompt->files.enqueue(home->path() + QStringLiteral("/lines.csv"));
        prompt->filterChoices.enqueue(2);
        QTest::mouseClick(window->button(QStringLiteral("bitbtn_out")), Qt::LeftButton);
        QCOMPARE(prompt->lastSaveName, QStringLiteral("未缴费用"));
        QFile csv(home->path() + QStringLiteral("/lines.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromUtf8(csv.readAll()).contains(QStringLiteral("17.25")));
        window->close();
        QVERIFY(QFile::exists(ini));
        openWindow();
        window->monthPicker()->setDate(QDate(2004, 10, 1));
        QTest::mouseClick(window->button(QStringLiteral("bitbtn_print")), Qt::LeftButton);
        QTest::mouseClick(window->button(QStringLiteral("bitbtn_out")), Qt::LeftButton);
        QCOMPARE(prompt->printed, 1);
        QTest::mouseClick(window->button(QStringLiteral("SpeedButton5")), Qt::LeftButton);
        QCOMPARE(prompt->lastText(), QStringLiteral("界面初始化完毕！"));
        window->close();
        QVERIFY(!QFile::exists(ini));
    }
};

QTEST_MAIN(TestHouseDetailWindow)
#include "tst_housedetailwindow.moc"
