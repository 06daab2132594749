// 实收费用明细表: payment records of whole days, the refusals of the date range, the totals of
// exactly the listed records, and a deletion that leaves the paid lines and 零头 as they are.
#include "billing/shoufeimingxibiao.h"
#include "components/dbctrls/dbdatetimeedit.h"
#include "typing.h"
#include "windowfixture.h"

#include <QComboBox>
#include <QPushButton>

using namespace Qt::StringLiterals;

class TestShoufeimingxibiao : public QObject, private WindowFixture<TForm_shoufeimingxibiao>
{
    Q_OBJECT

    void record(const QString &house, const QString &building, const QString &month, const QString &paidAt, qint64 due,
                qint64 paid, const QString &receipt)
    {
        QVERIFY(dm()->exec(
            u"insert into 收费汇总表 (年度,月份,收费项目,楼宇名称,房屋代码,业主名称,收费金额,实收金额,现金,"
            "支票,零头,上次零头,缴费时间,缴费方式,单据号码,缴费人,收款人) values ('2004',?,'按单缴费',?,?,"
            "'林超',?,?,?,0,?,0,?,'现金',?,'林超','李会计')"_s,
            {month, building, house, due * 100, paid * 100, paid * 100, (paid - due) * 100, paidAt, receipt}));
    }
    void search(const QString &from, const QString &to)
    {
        retype(window->DateTimePicker1, from);
        retype(window->DateTimePicker2, to);
        QTest::mouseClick(window->findChild<QPushButton *>(u"SpeedButton2"_s), Qt::LeftButton);
    }
    QStringList receipts() const
    {
        QStringList out;
        for (int r = 0; q()->isOpen() && r < q()->recordCount(); ++r) {
            out << q()->value(r, q()->fieldIndex(u"单据号码"_s)).toString();
        }
        return out;
    }

private slots:
    void init()
    {
        setUp();
        QVERIFY(dm()->exec(u"insert into 楼宇资料 (楼宇名称) values ('一号楼'), ('二号楼')"_s));
        // Amounts in fen. The edges of 2004-09-01, and a record on each side of it.
        record(u"1-101"_s, u"一号楼"_s, u"7"_s, u"2004-08-31 23:59:59"_s, 10000, 10000, u"R1"_s);
        record(u"1-102"_s, u"一号楼"_s, u"8"_s, u"2004-09-01 23:59:59"_s, 12050, 12100, u"R4"_s);
        record(u"1-101"_s, u"一号楼"_s, u"8"_s, u"2004-09-01 00:00:00"_s, 20000, 20000, u"R2"_s);
        record(u"2-201"_s, u"二号楼"_s, u"8"_s, u"2004-09-01 00:00:00"_s, 5025, 5000, u"R3"_s);
        record(u"1-101"_s, u"一号楼"_s, u"9"_s, u"2004-09-02 00:00:00"_s, 30000, 30000, u"R5"_s);
        record(u"1-101"_s, u"一号楼"_s, u"10"_s, u"2004-10-31 00:00:00"_s, 40000, 40000, u"R6"_s);
        QVERIFY(openWindow());
        QVERIFY(!q()->isOpen());
    }
    void cleanup() { tearDown(); }

    // Which records a range and the filters list, in the order of 缴费时间 and 房屋代码, with the
    // totals of exactly those records.
    void range_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("house");
        QTest::addColumn<QString>("building");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QString>("due");
        QTest::addColumn<QString>("odd");
        QTest::newRow("one whole day, 0:00:00 to 23:59:59")
            << u"2004-09-01"_s << u"2004-09-01"_s << QString() << QString() << QStringList {u"R2"_s, u"R3"_s, u"R4"_s}
            << u"370.75"_s << u"0.25"_s;
        QTest::newRow("2004-9-1 to 2004-10-31")
            << u"2004-09-01"_s << u"2004-10-31"_s << QString() << QString()
            << QStringList {u"R2"_s, u"R3"_s, u"R4"_s, u"R5"_s, u"R6"_s} << u"1070.75"_s << u"0.25"_s;
        QTest::newRow("a house code") << u"2004-08-01"_s << u"2004-09-30"_s << u"1-10"_s << QString()
                                      << QStringList {u"R1"_s, u"R2"_s, u"R4"_s, u"R5"_s} << u"720.5"_s << u"0.5"_s;
        QTest::newRow("a building") << u"2004-09-01"_s << u"2004-09-01"_s << QString() << u"二号楼"_s
                                    << QStringList {u"R3"_s} << u"50.25"_s << u"-0.25"_s;
    }
    void range()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, house);
        QFETCH(QString, building);
        QFETCH(QStringList, listed);
        QFETCH(QString, due);
        QFETCH(QString, odd);
        retype(edit("Edit1"), house);
        window->searchCombo(u"DBComboBoxEh3"_s)->setCurrentText(building);
        search(from, to);
        QVERIFY2(prompt->shown.isEmpty(), qPrintable(prompt->texts().join(u'\n')));
        QCOMPARE(receipts(), listed);
        QCOMPARE(window->grid()->footerText(u"收费金额"_s), due);
        QCOMPARE(window->grid()->footerText(u"零头"_s), odd);
        QCOMPARE(window->grid()->footerText(u"缴费时间"_s), u"合计"_s);
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("message");
        QTest::newRow("dates in the wrong order")
            << u"2004-10-31"_s << u"2004-09-01"_s << u"缴费时间从不能大于缴费时间到,请重新输入!"_s;
        QTest::newRow("no from-date") << QString() << u"2004-09-01"_s << u"没有输入缴费时间,请重新输入!"_s;
        QTest::newRow("no to-date") << u"2004-09-01"_s << QString() << u"没有输入缴费时间,请重新输入!"_s;
        QTest::newRow("nothing paid then") << u"2003-01-01"_s << u"2003-12-31"_s << u"没有找到合适的记录！"_s;
    }
    void refusals()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, message);
        search(from, to);
        QCOMPARE(prompt->lastText(), message);
        QCOMPARE(prompt->shown.constLast().caption, u"提示"_s);
        if (!message.startsWith(u"没有找到"_s)) {
            QCOMPARE(focusedControl(), u"DateTimePicker1"_s);
            QVERIFY(!q()->isOpen());
        }
    }

    // Enter runs along house code, owner, the two dates; Enter in the to-date finds.
    void enterRing()
    {
        edit("Edit1")->setFocus();
        for (const char *next : {"Edit3", "DateTimePicker1", "DateTimePicker2"}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QCOMPARE(focusedControl(), QString::fromLatin1(next));
        }
        retype(window->DateTimePicker1, u"2004-09-01"_s);
        retype(window->DateTimePicker2, u"2004-09-01"_s);
        QTest::keyClick(window->DateTimePicker2, Qt::Key_Return);
        QCOMPARE(q()->recordCount(), 3);
    }

    // Only the record goes: the lines it paid stay paid and the house keeps its 零头; the question
    // names the record and says so.
    void deleteLeavesLinesPaid()
    {
        QVERIFY(dm()->exec(u"insert into 房屋资料 (房屋代码,楼宇名称,零头) values ('2-201','二号楼',-2500)"_s));
        QVERIFY(dm()->exec(u"insert into 收费明细表 (房屋代码,收费名称,年度,月份,收费金额,缴费状态,单据号码) values "
                           "('2-201','物业费','2004','8',502500,'现金','R3')"_s));
        search(u"2004-09-01"_s, u"2004-09-01"_s);
        q()->moveTo(1);
        QCOMPARE(q()->text(u"单据号码"_s), u"R3"_s);
        prompt->answers.enqueue(true);
        click("bitbtn_delete");
        QVERIFY(prompt->lastText().startsWith(u"要删除当前记录吗? "_s));
        QVERIFY(prompt->lastText().contains(u"2-201 林超 2004年8月 按单缴费，实收金额 50 元"_s));
        QVERIFY(prompt->lastText().contains(u"收费明细仍然是已缴费"_s));
        QCOMPARE(receipts(), (QStringList {u"R2"_s, u"R4"_s}));
        QCOMPARE(window->grid()->footerText(u"收费金额"_s), u"320.5"_s);
        QCOMPARE(dm()->scalar(u"select count(*) from 收费汇总表 where 单据号码='R3'"_s).toInt(), 0);
        QCOMPARE(dm()->scalar(u"select 缴费状态 from 收费明细表 where 单据号码='R3'"_s).toString(), u"现金"_s);
        QCOMPARE(dm()->scalar(u"select 零头 from 房屋资料 where 房屋代码='2-201'"_s).toLongLong(), -2500);
    }

    // A title click keeps payments of one moment in the order they were recorded.
    void sortingKeepsTheRecordedOrder()
    {
        search(u"2004-09-01"_s, u"2004-09-01"_s);
        window->grid()->clickTitle(0, false); // 缴费时间 ascending
        QCOMPARE(q()->sql().constLast(), u" ORDER BY 缴费时间, id"_s);
        QCOMPARE(receipts(), (QStringList {u"R2"_s, u"R3"_s, u"R4"_s}));
    }
};

QTEST_MAIN(TestShoufeimingxibiao)
#include "tst_shoufeimingxibiao.moc"
