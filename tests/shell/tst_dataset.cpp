#include "shell/core/dataset.h"
#include "shell/core/dm1.h"
#include "temphome.h"

#include <QSignalSpy>
#include <QTest>

class TestDataSet : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<TempHome> home;

    static void openOn(DataSet &q, const QString &select, const QString &ordering)
    {
        q.clearSql();
        q.addLine(select);
        q.addLine(ordering);
        QVERIFY2(q.open(), qPrintable(q.lastError()));
    }

    void addBuilding(const QString &name, int floors)
    {
        QVERIFY(home->dm()->exec(QStringLiteral("insert into 楼宇资料 (楼宇名称, 楼宇层数) values (?, ?)"),
                                 {name, floors}));
    }

private slots:
    void init()
    {
        home = std::make_unique<TempHome>();
        QVERIFY(home->ok());
    }
    void cleanup() { home.reset(); }

    void appendPostAndReadBack()
    {
        DataSet q;
        openOn(q, QStringLiteral("select * from 楼宇资料"), QStringLiteral("order by 楼宇名称"));
        QCOMPARE(q.recordCount(), 0);
        q.append();
        QCOMPARE(q.state(), DataSet::State::Insert);
        q.setText(QStringLiteral("楼宇名称"), QStringLiteral("翠园1号楼"));
        q.setInteger(QStringLiteral("楼宇层数"), 18);
        q.setDate(QStringLiteral("建成日期"), QDate(2004, 8, 15));
        QVERIFY2(q.post(), qPrintable(q.lastError()));
        QCOMPARE(q.state(), DataSet::State::Browse);
        QVERIFY(q.value(QStringLiteral("id")).toLongLong() > 0);

        DataSet check;
        openOn(check, QStringLiteral("select * from 楼宇资料"), QStringLiteral("order by 楼宇名称"));
        QCOMPARE(check.recordCount(), 1);
        QCOMPARE(check.text(QStringLiteral("楼宇名称")), QStringLiteral("翠园1号楼"));
        QCOMPARE(check.integer(QStringLiteral("楼宇层数")), 18);
        QCOMPARE(check.value(QStringLiteral("建成日期")).toString(), QStringLiteral("2004-08-15 00:00:00"));
        QCOMPARE(check.displayText(0, check.fieldIndex(QStringLiteral("建成日期"))), QStringLiteral("2004-08-15"));
    }

    // A yes/no field reads 是/否 in grids and exports, never an English word.
    void yesNoFieldsShowInChinese()
    {
        DataSet q;
        openOn(q, QStringLiteral("select * from 公司信息"), QStringLiteral("order by id"));
        const int column = q.fieldIndex(QStringLiteral("自动提醒"));
        for (const bool remind : {true, false}) {
            QVERIFY(q.edit());
            q.setYesNo(QStringLiteral("自动提醒"), remind);
            QVERIFY2(q.post(), qPrintable(q.lastError()));
            QCOMPARE(q.displayText(0, column), remind ? QStringLiteral("是") : QStringLiteral("否"));
        }
    }

    void editCancelRestoresAndPostWritesOnlyTheRow()
    {
        addBuilding(QStringLiteral("A座"), 5);
        addBuilding(QStringLiteral("B座"), 6);
        DataSet q;
        openOn(q, QStringLiteral("select * from 楼宇资料"), QStringLiteral("order by 楼宇名称"));
        q.next();
        QCOMPARE(q.text(QStringLiteral("楼宇名称")), QStringLiteral("B座"));
        QVERIFY(q.edit());
        q.setInteger(QStringLiteral("楼宇层数"), 9);
        q.cancel();
        QCOMPARE(q.integer(QStringLiteral("楼宇层数")), 6);
        QCOMPARE(q.state(), DataSet::State::Browse);

        q.edit();
        q.setInteger(QStringLiteral("楼宇层数"), 9);
        QVERIFY(q.post());
        QCOMPARE(home->dm()
                     ->scalar(QStringLiteral("select 楼宇层数 from 楼宇资料 where 楼宇名称=?"), {QStringLiteral("B座")})
                     .toInt(),
                 9);
        QCOMPARE(home->dm()
                     ->scalar(QStringLiteral("select 楼宇层数 from 楼宇资料 where 楼宇名称=?"), {QStringLiteral("A座")})
                     .toInt(),
                 5);
    }

    void cancelledAppendLeavesNoRow()
    {
        addBuilding(QStringLiteral("A座"), 5);
        DataSet q;
        openOn(q, QStringLiteral("select * from 楼宇资料"), QStringLiteral("order by 楼宇名称"));
        QSignalSpy removed(&q, &DataSet::rowRemoved);
        q.append();
        QCOMPARE(q.recordCount(), 2);
        q.cancel();
        QCOMPARE(q.recordCount(), 1);
        QCOMPARE(removed.count(), 1);
        QCOMPARE(q.text(QStringLiteral("楼宇名称")), QStringLiteral("A座"));
        QCOMPARE(home->dm()->scalar(QStringLiteral("select count(*) from 楼宇资料")).toInt(), 1);
    }

    void deleteByRowIdentity()
    {
        addBuilding(QStringLiteral("A座"), 5);
        addBuilding(QStringLiteral("B座"), 6);
        addBuilding(QStringLiteral("C座"), 7);
        DataSet q;
        openOn(q, QStringLiteral("select * from 楼宇资料"), QStringLiteral("order by 楼宇名称"));
        q.moveTo(1);
        QVERIFY(q.deleteCurrent());
        QCOMPARE(q.recordCount(), 2);
        QCOMPARE(q.text(QStringLiteral("楼宇名称")), QStringLiteral("C座"));
        QCOMPARE(home->dm()->column(QStringLiteral("select 楼宇名称 from 楼宇资料 order by 楼宇名称")),
                 QStringList({QStringLiteral("A座"), QStringLiteral("C座")}));
    }

    // A write the key refuses keeps the row pending with what was typed, and tells why.
    void refusedWriteKeepsTheTypedRow()
    {
        addBuilding(QStringLiteral("A座"), 5);
        DataSet q;
        openOn(q, QStringLiteral("select * from 楼宇资料"), QStringLiteral("order by 楼宇名称"));
        q.append();
        q.setText(QStringLiteral("楼宇名称"), QStringLiteral("A座"));
        q.setInteger(QStringLiteral("楼宇层数"), 3);
        QVERIFY(!q.post());
        QVERIFY(q.lastError().contains(QStringLiteral("UNIQUE")));
        QCOMPARE(q.state(), DataSet::State::Insert);
        QCOMPARE(q.integer(QStringLiteral("楼宇层数")), 3);
    }

    // Another workstation deleted the row being edited: the save says so and keeps the edit.
    void editOfARowDeletedElsewhereIsNotReportedAsSaved()
    {
        addBuilding(QStringLiteral("A座"), 5);
        DataSet q;
        openOn(q, QStringLiteral("select * from 楼宇资料"), QStringLiteral("order by 楼宇名称"));
        QVERIFY(home->dm()->exec(QStringLiteral("delete from 楼宇资料")));
        q.edit();
        q.setInteger(QStringLiteral("楼宇层数"), 9);
        QVERIFY(!q.post());
        QVERIFY(q.lastError().contains(QStringLiteral("删除")));
        QCOMPARE(q.state(), DataSet::State::Edit);
        QCOMPARE(q.integer(QStringLiteral("楼宇层数")), 9);
    }

    void navigationSignalsEveryMove()
    {
        for (const char *n : {"1", "2", "3"}) {
            addBuilding(QString::fromLatin1(n), 1);
        }
        DataSet q;
        openOn(q, QStringLiteral("select * from 楼宇资料"), QStringLiteral("order by 楼宇名称"));
        QSignalSpy moved(&q, &DataSet::currentChanged);
        QVERIFY(q.bof());
        q.last();
        QVERIFY(q.eof());
        q.prior();
        q.first();
        q.prior(); // already first: no move
        QCOMPARE(moved.count(), 3);
        QCOMPARE(q.currentRow(), 0);
    }

    void orderingLineIsTheLastLine()
    {
        for (const char *n : {"b", "a", "c"}) {
            addBuilding(QString::fromLatin1(n), 1);
        }
        DataSet q;
        openOn(q, QStringLiteral("select * from 楼宇资料"), QStringLiteral("order by 楼宇名称"));
        QCOMPARE(q.text(QStringLiteral("楼宇名称")), QStringLiteral("a"));
        q.setOrderingLine(QStringLiteral(" ORDER BY 楼宇名称 DESC "));
        QCOMPARE(q.sql(),
                 QStringList({QStringLiteral("select * from 楼宇资料"), QStringLiteral(" ORDER BY 楼宇名称 DESC ")}));
        QVERIFY(q.reopen());
        QCOMPARE(q.text(QStringLiteral("楼宇名称")), QStringLiteral("c"));
        q.setOrderingLine(QString());
        QVERIFY(q.reopen());
        QCOMPARE(q.recordCount(), 3);
    }

    // Months are text: "10" sorts before "2".
    // Edits are written to the table of the outer query, not one named in a subquery.
    void subqueryDoesNotChangeTheTableWritten()
    {
        addBuilding(QStringLiteral("A座"), 5);
        QVERIFY(home->dm()->exec(QStringLiteral("insert into 房屋资料 (房屋代码, 楼宇名称) values ('101', 'A座')")));
        DataSet q;
        q.addLine(QStringLiteral(
            "select s.*, (select count(*) from 房屋资料 h where h.楼宇名称 = s.楼宇名称) as n from 楼宇资料 s"));
        q.addLine(QStringLiteral("order by 楼宇名称"));
        QVERIFY2(q.open(), qPrintable(q.lastError()));
        QCOMPARE(q.tableName(), QStringLiteral("楼宇资料"));
        QCOMPARE(q.integer(QStringLiteral("n")), 1);
    }

    void monthTextOrdering()
    {
        for (const char *m : {"2", "10", "1"}) {
            QVERIFY(home->dm()->exec(
                QStringLiteral(
                    "insert into 收费明细表 (房屋代码, 收费名称, 年度, 月份) values ('A1', '水费', '2004', ?)"),
                {QString::fromLatin1(m)}));
        }
        DataSet q;
        openOn(q, QStringLiteral("select * from 收费明细表"), QStringLiteral("order by 月份"));
        QStringList months;
        for (int r = 0; r < q.recordCount(); ++r) {
            months << q.value(r, q.fieldIndex(QStringLiteral("月份"))).toString();
        }
        QCOMPARE(months, QStringList({QStringLiteral("1"), QStringLiteral("10"), QStringLiteral("2")}));
    }

    void apostropheInABoundValue()
    {
        addBuilding(QStringLiteral("O'Brien 楼"), 2);
        addBuilding(QStringLiteral("其它"), 2);
        DataSet q;
        q.addLine(QStringLiteral("select * from 楼宇资料 where 楼宇名称 like :text"));
        q.addLine(QStringLiteral("order by 楼宇名称"));
        q.bind(QStringLiteral(":text"), QStringLiteral("%'%"));
        QVERIFY2(q.open(), qPrintable(q.lastError()));
        QCOMPARE(q.recordCount(), 1);
        QCOMPARE(q.text(QStringLiteral("楼宇名称")), QStringLiteral("O'Brien 楼"));
    }

    void moneyColumnsAndSumsOverNoRows()
    {
        DataSet q;
        q.addLine(QStringLiteral("select sum(收费金额) as zje, count(年度) as zsl from 收费明细表"));
        q.setFieldKind(QStringLiteral("zje"), FieldKind::Money);
        QVERIFY(q.open());
        QVERIFY(q.isNull(QStringLiteral("zje")));
        QCOMPARE(q.money(QStringLiteral("zje")), Money());
        QCOMPARE(q.integer(QStringLiteral("zsl")), 0);

        QVERIFY(
            home->dm()->exec(QStringLiteral("insert into 收费明细表 (房屋代码, 收费金额) values ('A1', ?), ('A2', ?)"),
                             {Money::parse(QStringLiteral("0.1"))->raw(), Money::parse(QStringLiteral("0.2"))->raw()}));
        QVERIFY(q.reopen());
        QCOMPARE(q.money(QStringLiteral("zje"))->toString(), QStringLiteral("0.3"));
        QCOMPARE(q.text(QStringLiteral("zje")), QStringLiteral("0.3"));
    }

    void slashedFieldNameIsUsable()
    {
        DataSet q;
        openOn(q, QStringLiteral("select * from 收费明细表"), QStringLiteral("order by 房屋代码"));
        QVERIFY(q.hasField(QStringLiteral("面积/数量")));
        q.append();
        q.setText(QStringLiteral("房屋代码"), QStringLiteral("A1"));
        q.setNumber(QStringLiteral("面积/数量"), 89.56);
        QVERIFY2(q.post(), qPrintable(q.lastError()));
        QCOMPARE(home->dm()->scalar(QStringLiteral("select \"面积/数量\" from 收费明细表")).toDouble(), 89.56);
    }

    void nullDateStaysNull()
    {
        QVERIFY(home->dm()->exec(
            QStringLiteral("insert into 房屋资料 (房屋代码, 迁入日期) values ('A1', '2004-01-02 00:00:00')")));
        DataSet q;
        openOn(q, QStringLiteral("select * from 房屋资料"), QStringLiteral("order by 房屋代码"));
        QCOMPARE(q.date(QStringLiteral("迁入日期")), QDate(2004, 1, 2));
        q.edit();
        q.setDate(QStringLiteral("迁入日期"), QDate());
        QVERIFY(q.post());
        QVERIFY(home->dm()->scalar(QStringLiteral("select 迁入日期 from 房屋资料")).isNull());
    }

    void statementErrorsAreReported()
    {
        DataSet q;
        q.addLine(QStringLiteral("select * from 没有这个表"));
        QVERIFY(!q.open());
        QVERIFY(!q.lastError().isEmpty());
        QVERIFY(!q.isOpen());
    }
};

QTEST_GUILESS_MAIN(TestDataSet)
#include "tst_dataset.moc"
