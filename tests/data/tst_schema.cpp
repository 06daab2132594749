// The indexes the bill lines are read by: what a new database gets, what an older one gets at
// start, and that the per-house statements of the payment windows and reports use them.
#include "data/billlinesql.h"
#include "data/dm1.h"
#include "data/schema.h"
#include "reports/core/billreports.h"
#include "reports/core/collectionrates.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString HouseLed = QStringLiteral("ux_收费明细表_房屋代码_年度_月份_收费名称");

// Index name → its columns, for the indexes this program makes.
QMap<QString, QString> indexesOf(Dm1 &dm)
{
    QMap<QString, QString> out;
    for (const QString &name : dm.column(QStringLiteral("select name from sqlite_master where type='index'"))) {
        if (Schema::isIndexName(name)) {
            out.insert(name, dm.column(QStringLiteral("select name from pragma_index_info(?)"), {name}).join(u','));
        }
    }
    return out;
}

QMap<QString, QString> wantedIndexes()
{
    QMap<QString, QString> out;
    for (const IndexDef &ix : Schema::indexes()) {
        out.insert(ix.name(), ix.columns.join(u','));
    }
    return out;
}

bool addLine(Dm1 &dm, const QString &house, const QString &item, int month, const char *state = "未缴费")
{
    return dm.exec(QStringLiteral("insert into 收费明细表 (房屋代码, 收费名称, 年度, 月份, 收费金额, 缴费状态) "
                                  "values (?, ?, '2004', ?, 10000, ?)"),
                   {house, item, QString::number(month), QString::fromUtf8(state)});
}
}

class TestSchema : public QObject
{
    Q_OBJECT
private slots:
    void newDatabaseHasTheIndexes()
    {
        QTemporaryDir home;
        Dm1 dm(home.path());
        QVERIFY2(dm.openConnection(), qPrintable(dm.lastError()));
        QCOMPARE(indexesOf(dm), wantedIndexes());
        QCOMPARE(indexesOf(dm).value(HouseLed), QStringLiteral("房屋代码,年度,月份,收费名称"));
        QCOMPARE(indexesOf(dm).value(QStringLiteral("ix_收费明细表_收费名称_年度_月份_收费金额")),
                 QStringLiteral("收费名称,年度,月份,收费金额"));
        // Marking a line paid changes its state, receipt and payment details: only the unpaid
        // lines' index and the receipt's hold any of them, so a payment moves nothing else.
        const QStringList paymentColumns {QStringLiteral("缴费状态"), QStringLiteral("缴费时间"),
                                          QStringLiteral("缴费人"), QStringLiteral("收款人")};
        for (const IndexDef &ix : Schema::indexes()) {
            if (ix.table == QStringLiteral("收费明细表") && ix.tag != QStringLiteral("欠费")) {
                for (const QString &column : paymentColumns) {
                    QVERIFY2(!ix.columns.contains(column), qPrintable(ix.name()));
                }
            }
        }
        QVERIFY(indexesOf(dm).contains(QStringLiteral("ix_收费明细表_单据号码")));
        QCOMPARE(indexesOf(dm).value(QStringLiteral("ux_收费汇总表_房屋代码_年度_月份_收费项目_楼宇名称_业主名称")),
                 QStringLiteral("房屋代码,年度,月份,收费项目,楼宇名称,业主名称"));
    }

    // A database of the earlier version: its indexes numbered, the bill lines keyed by fee name
    // before the month. At start it gets the new indexes and loses the old; its rows stay.
    void olderDatabaseGetsTheIndexesAtStart_data()
    {
        QTest::addColumn<bool>("duplicates");
        QTest::newRow("keys kept") << false;
        QTest::newRow("a key broken by a copied file") << true;
    }

    void olderDatabaseGetsTheIndexesAtStart()
    {
        QFETCH(bool, duplicates);
        QTemporaryDir home;
        QStringList before;
        {
            Dm1 dm(home.path());
            QVERIFY(dm.openConnection());
            for (const QString &name : indexesOf(dm).keys()) {
                QVERIFY(dm.exec(QStringLiteral("drop index ") + Schema::quoted(name)));
            }
            QVERIFY(dm.exec(QStringLiteral("create index ix_楼宇资料_1 on 楼宇资料 (楼宇名称)")));
            QVERIFY(dm.exec(QStringLiteral("create index ix_收费明细表_2 on 收费明细表 (收费名称)")));
            QVERIFY(dm.exec(QStringLiteral("create index 别人的索引 on 收费明细表 (备注)")));
            if (!duplicates) {
                QVERIFY(dm.exec(QStringLiteral(
                    "create unique index ix_收费明细表_1 on 收费明细表 (房屋代码, 收费名称, 年度, 月份)")));
            }
            for (int m = 1; m <= 12; ++m) {
                QVERIFY(addLine(dm, QStringLiteral("A-101"), QStringLiteral("水费"), m));
            }
            if (duplicates) {
                QVERIFY(addLine(dm, QStringLiteral("A-101"), QStringLiteral("水费"), 1));
            }
            before = dm.column(QStringLiteral("select id || 房屋代码 || 月份 from 收费明细表 order by id"));
        }
        Dm1 dm(home.path());
        QVERIFY(dm.openConnection());
        QMap<QString, QString> wanted = wantedIndexes();
        if (duplicates) {
            wanted.remove(HouseLed);
            wanted.insert(QStringLiteral("ix_收费明细表_房屋代码_年度_月份_收费名称"),
                          QStringLiteral("房屋代码,年度,月份,收费名称"));
        }
        QCOMPARE(indexesOf(dm), wanted);
        QCOMPARE(dm.column(QStringLiteral("select name from sqlite_master where name = '别人的索引'")).size(), 1);
        QCOMPARE(dm.column(QStringLiteral("select id || 房屋代码 || 月份 from 收费明细表 order by id")), before);
    }

    // The statements that find one house's lines of one month go straight to them through a
    // key of the house and the month (the house-led key, or the month's lines house by house),
    // never through a scan of the month.
    void perHouseStatementsUseTheHouseLedKey_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("binds");
        QTest::newRow("amount due") << BillLineSql::amountDue() << 3;
        QTest::newRow("mark the bill paid") << BillLineSql::markBillPaid() << 8;
        QTest::newRow("mark one line paid") << BillLineSql::markLinePaid() << 9;
        QTest::newRow("one house, one month") << BillLineSql::unpaidLinesOfMonth().join(u'\n') << 3;
        QTest::newRow("arrears of a month") << BillLineSql::arrearsOfMonth().join(u'\n') << 3;
    }

    void perHouseStatementsUseTheHouseLedKey()
    {
        QFETCH(QString, sql);
        QFETCH(int, binds);
        QTemporaryDir home;
        Dm1 dm(home.path());
        QVERIFY(dm.openConnection());
        // Lines of several houses and months, so that the plan is not one of an empty table.
        for (int h = 0; h < 20; ++h) {
            for (int m = 1; m <= 3; ++m) {
                QVERIFY(
                    addLine(dm, QStringLiteral("A-%1").arg(h), QStringLiteral("水费"), m, h % 2 ? "现金" : "未缴费"));
            }
        }
        QSqlQuery q(dm.database());
        QVERIFY(q.prepare(QStringLiteral("EXPLAIN QUERY PLAN ") + sql));
        for (int i = 0; i < binds; ++i) {
            q.addBindValue(QStringLiteral("1"));
        }
        QVERIFY(q.exec());
        QStringList plan;
        while (q.next()) {
            // The few lines found are sorted for the window (fee names in pinyin order).
            if (q.value(3).toString() != QStringLiteral("USE TEMP B-TREE FOR ORDER BY")) {
                plan << q.value(3).toString();
            }
        }
        QVERIFY2(plan.size() == 1
                     && (plan[0].contains(QStringLiteral("INDEX ") + HouseLed
                                          + QStringLiteral(" (房屋代码=? AND 年度=? AND 月份=?"))
                         || plan[0].contains(QStringLiteral("INDEX ix_收费明细表_年度_月份_房屋代码_收费金额 "
                                                            "(年度=? AND 月份=? AND 房屋代码=?)"))),
                 qPrintable(plan.join(QStringLiteral(" | "))));
    }

    // The reports' sums are read from their indexes alone (all the lines, or the unpaid ones
    // without a state among them), and the lines are grouped in the index's order: only the few
    // sums they give are sorted, never the lines.
    void reportSumsReadTheirIndexesAlone_data()
    {
        QTest::addColumn<int>("report");
        QTest::addColumn<QStringList>("indexes"); // read, as covering indexes
        QTest::addColumn<int>("sorts"); // of the sums
        const QString all = QStringLiteral("ix_收费明细表_年度_月份_房屋代码_收费金额");
        const QString unpaid = QStringLiteral("ix_收费明细表_年度_月份_房屋代码_收费名称_缴费状态_收费金额_欠费");
        QTest::newRow("arrears, unpaid sums of the months") << 0 << QStringList {unpaid} << 0;
        QTest::newRow("month totals, sums of all the lines") << 1 << QStringList {all} << 0;
        QTest::newRow("item totals") << 2 << QStringList {QStringLiteral("ix_收费明细表_收费名称_年度_月份_收费金额")}
                                     << 0;
        QTest::newRow("item totals, unpaid lines") << 3 << QStringList {unpaid} << 0;
        QTest::newRow("collection rate of the estate") << 4 << QStringList {all, unpaid} << 1;
    }
    void reportSumsReadTheirIndexesAlone()
    {
        QFETCH(int, report);
        QFETCH(QStringList, indexes);
        QFETCH(int, sorts);
        QTemporaryDir home;
        Dm1 dm(home.path());
        QVERIFY(dm.openConnection());
        for (int h = 0; h < 20; ++h) {
            for (int m = 1; m <= 3; ++m) {
                QVERIFY(addLine(dm, QStringLiteral("A-%1").arg(h), QStringLiteral("水费"), m, h % 2 ? "现金" : ""));
            }
        }
        const BillReportFilter f {{2004, 1}, {2005, 6}, {}, {}, {}, {}};
        const QList<BillReports::Statement> statements {
            BillReports::houseMonthSums(f, BillReports::Lines::Unpaid),
            BillReports::houseMonthSums(f, BillReports::Lines::All), BillReports::itemSums(f),
            BillReports::unpaidItemLines(f), CollectionRates::estateSums({f.from, f.to, {}, {}, false})};
        const BillReports::Statement &st = statements[report];
        QSqlQuery q(dm.database());
        QVERIFY(q.prepare(QStringLiteral("EXPLAIN QUERY PLAN ") + st.sql));
        for (const QVariant &v : st.binds) {
            q.addBindValue(v);
        }
        QVERIFY(q.exec());
        QStringList plan;
        while (q.next()) {
            plan << q.value(3).toString();
        }
        const QString shown = plan.join(QStringLiteral(" | "));
        for (const QString &index : indexes) {
            QVERIFY2(shown.contains(QStringLiteral("COVERING INDEX ") + index + QLatin1Char(' ')), qPrintable(shown));
        }
        QVERIFY2(!shown.contains(QStringLiteral("SCAN b ")) || shown.contains(QStringLiteral("SCAN b USING COVERING")),
                 qPrintable(shown));
        QVERIFY2(plan.filter(QStringLiteral("TEMP B-TREE FOR GROUP BY")).size() == sorts, qPrintable(shown));
    }
};

QTEST_GUILESS_MAIN(TestSchema)
#include "tst_schema.moc"
