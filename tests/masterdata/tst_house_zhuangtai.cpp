#include "buttonbar.h"
#include "masterdata/core/housestatus.h"
#include "masterdata/house_zhuangtai.h"
#include "scriptedprompt.h"
#include "data/dm1.h"
#include "temphome.h"

#include <QLayout>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>
#include <QToolButton>

namespace {
using Row = QVariantList;

QVariant plain(const QVariant &v)
{
    return v.isNull() ? QVariant() : v;
}

// The status table as the office's program built it, one house at a time: the reference the
// set-based statement must equal, row for row.
QList<Row> referenceRows(Dm1 *dm, HouseStatus::Counts *counts)
{
    QList<Row> rows;
    QSqlQuery houses(dm->database());
    houses.exec(QStringLiteral("select * from 房屋资料 order by ") + Dm1::orderTerm(QStringLiteral("房屋代码")));
    while (houses.next()) {
        Row r(20);
        r[0] = houses.value(QStringLiteral("房屋代码"));
        if (houses.value(QStringLiteral("使用状况")).toString() == QStringLiteral("入住")) {
            r[1] = QStringLiteral("△");
            r[3] = plain(houses.value(QStringLiteral("业主名称")));
            r[4] = plain(houses.value(QStringLiteral("联系电话")));
            ++counts->occupied;
        } else {
            r[2] = QStringLiteral("△");
            ++counts->vacant;
        }
        rows << r;
    }
    return rows;
}

// Every column of 通用 in the order the rows were written.
QList<Row> scratchRows(Dm1 *dm)
{
    QList<Row> rows;
    QSqlQuery q(dm->database());
    q.exec(
        QStringLiteral("select texta, textb, textc, textd, texte, textf, textg, texth, texti, moneya, moneyb, "
                       "moneyc, moneyd, numbera, numberb, numberc, datea, dateb, datec, 0 from 通用 order by rowid"));
    while (q.next()) {
        Row r(20);
        for (int i = 0; i < 19; ++i) {
            r[i] = plain(q.value(i));
        }
        rows << r;
    }
    return rows;
}
}

class TestHouseStatus : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<TempHome> home;
    ScriptedPrompt *prompt = nullptr;

    void addHouse(const QString &code, const QVariant &state, const QString &owner = {}, const QString &phone = {})
    {
        QVERIFY(home->dm()->exec(
            QStringLiteral("insert into 房屋资料 (房屋代码, 使用状况, 业主名称, 联系电话) values (?, ?, ?, ?)"),
            {code, state, owner.isNull() ? QVariant() : QVariant(owner),
             phone.isNull() ? QVariant() : QVariant(phone)}));
    }

private slots:
    void init()
    {
        home = std::make_unique<TempHome>();
        prompt = ScriptedPrompt::install();
    }
    void cleanup() { home.reset(); }

    // One statement gives the rows and counts of the house-by-house loop, whatever the states.
    void rowsEqualTheLoop_data()
    {
        QTest::addColumn<int>("houses");
        QTest::newRow("no houses") << 0;
        QTest::newRow("one") << 1;
        QTest::newRow("every state") << 7;
        QTest::newRow("many") << 600;
    }
    void rowsEqualTheLoop()
    {
        QFETCH(int, houses);
        const QVariantList states = {
            QStringLiteral("入住"),  QStringLiteral("空置"), QStringLiteral("预定"), QString(""), QVariant(),
            QStringLiteral("入住 "), QStringLiteral("入住")};
        for (int i = 0; i < houses; ++i) {
            // Codes out of order, some vacant houses still naming an owner.
            addHouse(QStringLiteral("%1-%2").arg((i * 7) % 13).arg(i), states[i % states.size()],
                     i % 3 ? QStringLiteral("业主%1").arg(i) : QString(),
                     i % 2 ? QStringLiteral("1390%1").arg(i) : QString());
        }
        QVERIFY(home->dm()->exec(QStringLiteral("insert into 通用 (texta, moneya) values ('旧', 5)")));
        HouseStatus::Counts expected;
        const QList<Row> reference = referenceRows(home->dm(), &expected);
        HouseStatus::Counts counts {-1, -1};
        QString error;
        QVERIFY2(HouseStatus::fill(home->dm(), &counts, &error), qPrintable(error));
        QCOMPARE(scratchRows(home->dm()), reference);
        QCOMPARE(counts.occupied, expected.occupied);
        QCOMPARE(counts.vacant, expected.vacant);
        QCOMPARE(counts.occupied + counts.vacant, qint64(houses));
    }

    // A failure leaves the earlier report as it was.
    void failureKeepsTheScratchTable()
    {
        addHouse(QStringLiteral("1-101"), QStringLiteral("入住"), QStringLiteral("张三"));
        QVERIFY(home->dm()->exec(QStringLiteral("insert into 通用 (texta) values ('旧')")));
        QVERIFY(home->dm()->exec(QStringLiteral("alter table 房屋资料 rename to 房屋资料旧")));
        QString error;
        QVERIFY(!HouseStatus::fill(home->dm(), nullptr, &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(home->dm()->column(QStringLiteral("select texta from 通用")), QStringList {QStringLiteral("旧")});
    }

    // The window: opens empty, "统计" fills the list and the footers, twice gives the same rows.
    void countFillsTheListAndFooters()
    {
        addHouse(QStringLiteral("2-201"), QStringLiteral("预定"), QStringLiteral("李四"), QStringLiteral("222"));
        addHouse(QStringLiteral("1-101"), QStringLiteral("入住"), QStringLiteral("张三"), QStringLiteral("111"));
        addHouse(QStringLiteral("1-102"), QVariant());
        TForm_house_zhuangtai window;
        Preparation p(&window);
        QVERIFY(p.run());
        window.show();
        DataSet *q = home->dm()->q_tongyong;
        QCOMPARE(q->recordCount(), 0);
        QCOMPARE(window.grid()->footerText(QStringLiteral("textb")), QString());
        auto *count = window.findChild<QToolButton *>(QStringLiteral("SpeedButton1"));
        QCOMPARE(count->text(), QStringLiteral("统计"));
        QVERIFY(!window.findChild<QToolButton *>(QStringLiteral("bitbtn_delete"))->isVisibleTo(&window));
        QCOMPARE(buttonBar(&window), QStringLiteral("统计 导出 打印 | 返回"));
        for (int pass = 0; pass < 2; ++pass) {
            QTest::mouseClick(count, Qt::LeftButton);
            QCOMPARE(q->recordCount(), 3);
            QCOMPARE(q->currentRow(), 0);
            QCOMPARE(q->text(QStringLiteral("texta")), QStringLiteral("1-101"));
            QCOMPARE(q->text(QStringLiteral("textb")), QStringLiteral("△"));
            QCOMPARE(q->text(QStringLiteral("textd")), QStringLiteral("张三"));
            q->last();
            QCOMPARE(q->text(QStringLiteral("texta")), QStringLiteral("2-201"));
            QCOMPARE(q->text(QStringLiteral("textc")), QStringLiteral("△"));
            QVERIFY(q->isNull(QStringLiteral("textd")));
            QCOMPARE(window.grid()->footerText(QStringLiteral("texta")), QStringLiteral("合计"));
            QCOMPARE(window.grid()->footerText(QStringLiteral("textb")), QStringLiteral("1"));
            QCOMPARE(window.grid()->footerText(QStringLiteral("textc")), QStringLiteral("2"));
        }
        // Sorting replaces " order by texta".
        window.grid()->clickTitle(0, false);
        window.grid()->clickTitle(0, false);
        QCOMPARE(q->orderingLine(), QStringLiteral(" ORDER BY texta COLLATE pinyin DESC "));
        q->first();
        QCOMPARE(q->text(QStringLiteral("texta")), QStringLiteral("2-201"));
        QVERIFY(prompt->shown.isEmpty());
        window.close();
        p.finish();
        QVERIFY(!q->isOpen());
    }

    void noHousesShowsZeroCounts()
    {
        TForm_house_zhuangtai window;
        Preparation p(&window);
        QVERIFY(p.run());
        QTest::mouseClick(window.findChild<QToolButton *>(QStringLiteral("SpeedButton1")), Qt::LeftButton);
        QCOMPARE(home->dm()->q_tongyong->recordCount(), 0);
        QCOMPARE(window.grid()->footerText(QStringLiteral("textb")), QStringLiteral("0"));
        QCOMPARE(window.grid()->footerText(QStringLiteral("textc")), QStringLiteral("0"));
    }
};

QTEST_MAIN(TestHouseStatus)
#include "tst_house_zhuangtai.moc"
