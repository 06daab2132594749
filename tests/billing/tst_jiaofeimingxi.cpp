// 业主缴费明细查询: a house's lines of the chosen month or of all months, all, paid or unpaid, in
// the order of 开始日期, and the red label of the current line.
#include "billing/jiaofeimingxi.h"
#include "windowfixture.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QRadioButton>

using namespace Qt::StringLiterals;

class TestJiaofeimingxi : public QObject, private WindowFixture<TForm_jiaofeimingxi>
{
    Q_OBJECT

    void line(const QString &fee, int month, const QString &state, qint64 amount)
    {
        const QDate first(2004, month, 1);
        QVERIFY(dm()->exec(u"insert into 收费明细表 (房屋代码,业主名称,楼宇名称,收费名称,年度,月份,收费金额,缴费状态,"
                           "开始日期,结束日期) values ('1-101','林超','一号楼',?,'2004',?,?,?,?,?)"_s,
                           {fee, QString::number(month), amount * 10000, state,
                            DataSet::toStoredDateTime(first.startOfDay()),
                            DataSet::toStoredDateTime(first.addMonths(1).addDays(-1).startOfDay())}));
    }
    QStringList shownLines() const
    {
        QStringList out;
        DataSet *lines = window->details();
        for (int r = 0; lines->isOpen() && r < lines->recordCount(); ++r) {
            out << lines->value(r, lines->fieldIndex(u"月份"_s)).toString() + u" "_s
                    + lines->value(r, lines->fieldIndex(u"收费名称"_s)).toString();
        }
        return out;
    }
    void clickState(QRadioButton *b) { QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(5, b->height() / 2)); }
    void setOnlyMonth(bool on)
    {
        if (window->CheckBox1->isChecked() != on) {
            QTest::mouseClick(window->CheckBox1, Qt::LeftButton, {}, QPoint(5, window->CheckBox1->height() / 2));
        }
    }

private slots:
    void init()
    {
        setUp();
        QVERIFY(dm()->exec(u"insert into 房屋资料 (房屋代码,楼宇名称,业主名称) values ('1-101','一号楼','林超'),"
                           "('1-102','一号楼','王强')"_s));
        // August before July in the table: the list orders by 开始日期, a month's lines by fee name
        // in pinyin order (电 dian, 水 shui, 物 wu), not in the order they were made.
        line(u"物业费"_s, 8, u"银行转帐"_s, 120);
        line(u"水费"_s, 8, u"未缴费"_s, 35);
        line(u"电费"_s, 8, u"现金+银行转帐"_s, 40);
        line(u"物业费"_s, 7, u"现金"_s, 120);
        line(u"水费"_s, 7, u"未缴费"_s, 30);
        QVERIFY(openWindow());
        window->monthPicker()->setDate(QDate(2004, 8, 15));
        QCOMPARE(window->houses()->text(u"房屋代码"_s), u"1-101"_s);
    }
    void cleanup() { tearDown(); }

    void filters_data()
    {
        QTest::addColumn<bool>("onlyMonth");
        QTest::addColumn<int>("state"); // 1 已缴费, 2 未缴费, 3 全部
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("sum");
        QTest::newRow("August, all") << true << 3 << QStringList {u"8 电费"_s, u"8 水费"_s, u"8 物业费"_s} << u"195"_s;
        QTest::newRow("August, paid by transfer or both ways")
            << true << 1 << QStringList {u"8 电费"_s, u"8 物业费"_s} << u"160"_s;
        QTest::newRow("August, unpaid") << true << 2 << QStringList {u"8 水费"_s} << u"35"_s;
        QTest::newRow("every month, all, by 开始日期")
            << false << 3 << QStringList {u"7 水费"_s, u"7 物业费"_s, u"8 电费"_s, u"8 水费"_s, u"8 物业费"_s}
            << u"345"_s;
        QTest::newRow("every month, unpaid") << false << 2 << QStringList {u"7 水费"_s, u"8 水费"_s} << u"65"_s;
    }
    void filters()
    {
        QFETCH(bool, onlyMonth);
        QFETCH(int, state);
        QFETCH(QStringList, lines);
        QFETCH(QString, sum);
        setOnlyMonth(onlyMonth);
        QCOMPARE(window->monthPicker()->isEnabled(), onlyMonth);
        clickState(QList<QRadioButton *> {window->RadioButton1, window->RadioButton2, window->RadioButton3}[state - 1]);
        QCOMPARE(shownLines(), lines);
        QCOMPARE(window->detailGrid()->footerText(u"收费金额"_s), sum);
        QCOMPARE(window->detailGrid()->footerText(u"收费名称"_s), u"合计"_s);
        QVERIFY(prompt->shown.isEmpty());
    }

    // Clearing "仅含" changes nothing until the house, the month or the state filter changes.
    void clearingTheMonthWaits()
    {
        QCOMPARE(shownLines().size(), 3);
        setOnlyMonth(false);
        QCOMPARE(shownLines().size(), 3);
        clickState(window->RadioButton3);
        QCOMPARE(shownLines().size(), 5);
        setOnlyMonth(true);
        window->monthPicker()->setDate(QDate(2004, 7, 1));
        QCOMPARE(shownLines(), (QStringList {u"7 水费"_s, u"7 物业费"_s}));
    }

    // The red label follows the current line; a house without lines shows none.
    void stateLabel()
    {
        QCOMPARE(window->stateText(), u"已缴费"_s);
        window->details()->moveTo(1);
        QCOMPARE(window->stateText(), u"未缴费"_s);
        window->details()->moveTo(2);
        QCOMPARE(window->stateText(), u"已缴费"_s);
        window->houses()->moveTo(1);
        QCOMPARE(window->houses()->text(u"房屋代码"_s), u"1-102"_s);
        QVERIFY(window->details()->isEmpty());
        QCOMPARE(window->stateText(), QString());
    }
};

QTEST_MAIN(TestJiaofeimingxi)
#include "tst_jiaofeimingxi.moc"
