#include "backend.h"
#include "data/dataset.h"
#include "data/dm1.h"
#include "data/refusal.h"
#include "data/storeddate.h"
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

    // Stored dates as QDateTime reads them: the reading the data set had before dates were
    // read by hand, kept here as the reference.
    static QDateTime byQDateTime(const QString &text)
    {
        const QString s = text.trimmed();
        QDateTime dt = QDateTime::fromString(s, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (!dt.isValid()) {
            dt = QDateTime::fromString(s, Qt::ISODate);
        }
        if (!dt.isValid()) {
            const QDate d = QDate::fromString(s.left(10), QStringLiteral("yyyy-MM-dd"));
            if (d.isValid()) {
                dt = d.startOfDay();
            }
        }
        return dt;
    }

    static void compareWithQDateTime(const QString &text)
    {
        const QDateTime expected = byQDateTime(text);
        const QDateTime got = DataSet::fromStored(text);
        QVERIFY2(got == expected && got.isValid() == expected.isValid(), qPrintable(text));
        DataSet q;
        q.setSql({QStringLiteral("select ? as 建成日期, ? as 操作日期")});
        q.bindPositional(text);
        q.bindPositional(text);
        QVERIFY(q.open());
        QCOMPARE(q.displayText(0, 0),
                 expected.isValid() ? expected.date().toString(QStringLiteral("yyyy-MM-dd")) : text);
        QCOMPARE(q.displayText(0, 1),
                 expected.isValid() ? expected.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : text);
        if (expected.isValid()) {
            QCOMPARE(DataSet::toStoredDateTime(got), expected.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        }
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
        DataSet q({}, QStringLiteral("楼宇资料"));
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
        DataSet q({}, QStringLiteral("楼宇资料"));
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
        DataSet q({}, QStringLiteral("楼宇资料"));
        openOn(q, QStringLiteral("select * from 楼宇资料"), QStringLiteral("order by 楼宇名称"));
        q.moveTo(1);
        QVERIFY(q.deleteCurrent());
        QCOMPARE(q.recordCount(), 2);
        QCOMPARE(q.text(QStringLiteral("楼宇名称")), QStringLiteral("C座"));
        QCOMPARE(home->dm()->column(QStringLiteral("select 楼宇名称 from 楼宇资料 order by 楼宇名称")),
                 QStringList({QStringLiteral("A座"), QStringLiteral("C座")}));

        // Deleting every row leaves none, and a row appended afterwards is the only one.
        QVERIFY(q.deleteCurrent());
        QVERIFY(q.deleteCurrent());
        QCOMPARE(q.recordCount(), 0);
        QVERIFY(q.isEmpty());
        q.append();
        q.setText(QStringLiteral("楼宇名称"), QStringLiteral("D座"));
        QVERIFY2(q.post(), qPrintable(q.lastError()));
        QCOMPARE(q.recordCount(), 1);
        QCOMPARE(q.text(QStringLiteral("楼宇名称")), QStringLiteral("D座"));
    }

    // A write the key refuses keeps the row pending with what was typed, and tells why.
    void refusedWriteKeepsTheTypedRow()
    {
        addBuilding(QStringLiteral("A座"), 5);
        DataSet q({}, QStringLiteral("楼宇资料"));
        openOn(q, QStringLiteral("select * from 楼宇资料"), QStringLiteral("order by 楼宇名称"));
        q.append();
        q.setText(QStringLiteral("楼宇名称"), QStringLiteral("A座"));
        q.setInteger(QStringLiteral("楼宇层数"), 3);
        QVERIFY(!q.post());
        QCOMPARE(Refusal::of(q.lastError(), q).message, QStringLiteral("楼宇名称“A座”已经存在！"));
        QCOMPARE(q.state(), DataSet::State::Insert);
        QCOMPARE(q.integer(QStringLiteral("楼宇层数")), 3);
    }

    // Another workstation deleted the row being edited: the save says so and keeps the edit.
    void editOfARowDeletedElsewhereIsNotReportedAsSaved()
    {
        addBuilding(QStringLiteral("A座"), 5);
        DataSet q({}, QStringLiteral("楼宇资料"));
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

    // Edits are written to the table the data set names, not one named in a subquery, and a
    // computed column is shown but never written.
    void subqueryDoesNotChangeTheTableWritten()
    {
        addBuilding(QStringLiteral("A座"), 5);
        QVERIFY(home->dm()->exec(QStringLiteral("insert into 房屋资料 (房屋代码, 楼宇名称) values ('101', 'A座')")));
        DataSet q({}, QStringLiteral("楼宇资料"));
        q.addLine(QStringLiteral(
            "select s.*, (select count(*) from 房屋资料 h where h.楼宇名称 = s.楼宇名称) as n from 楼宇资料 s"));
        q.addLine(QStringLiteral("order by 楼宇名称"));
        QVERIFY2(q.open(), qPrintable(q.lastError()));
        QCOMPARE(q.tableName(), QStringLiteral("楼宇资料"));
        QCOMPARE(q.integer(QStringLiteral("n")), 1);
        q.edit();
        q.setInteger(QStringLiteral("n"), 5);
        q.setInteger(QStringLiteral("楼宇层数"), 7);
        QVERIFY2(q.post(), qPrintable(q.lastError()));
        QCOMPARE(home->dm()->scalar(QStringLiteral("select 楼宇层数 from 楼宇资料")).toInt(), 7);
        q.append();
        q.setText(QStringLiteral("楼宇名称"), QStringLiteral("B座"));
        q.setInteger(QStringLiteral("n"), 3);
        QVERIFY2(q.post(), qPrintable(q.lastError()));
        QCOMPARE(home->dm()->scalar(QStringLiteral("select count(*) from 楼宇资料")).toInt(), 2);
    }

    // A data set that names no table writes the one table its query plainly reads, as before
    // owners named their tables; over a join, a list of tables or a subquery it writes nothing.
    void withoutATableOnlyAPlainQueryIsWritten_data()
    {
        QTest::addColumn<QString>("select");
        QTest::addColumn<QString>("written");
        QTest::newRow("one table") << "select * from 楼宇资料"
                                   << "楼宇资料";
        QTest::newRow("one table, quoted, with an alias and a condition")
            << "SELECT s.* FROM \"楼宇资料\" AS s WHERE s.楼宇层数 > 0"
            << "楼宇资料";
        QTest::newRow("a join") << "select s.* from 楼宇资料 s left join 房屋资料 h on h.楼宇名称 = s.楼宇名称"
                                << "";
        QTest::newRow("a list of tables") << "select s.* from 楼宇资料 s, 权限表 p"
                                          << "";
        QTest::newRow("a subquery among the columns") << "select *, (select count(*) from 房屋资料) as n from 楼宇资料"
                                                      << "";
        QTest::newRow("grouped")
            << "select 楼宇名称, max(id) as id, max(楼宇层数) as 楼宇层数 from 楼宇资料 group by 楼宇名称"
            << "";
    }
    void withoutATableOnlyAPlainQueryIsWritten()
    {
        QFETCH(QString, select);
        QFETCH(QString, written);
        addBuilding(QStringLiteral("A座"), 5);
        DataSet q;
        openOn(q, select, QStringLiteral("order by 楼宇名称"));
        QCOMPARE(q.tableName(), written);
        QCOMPARE(q.namedTable(), QString());
        q.edit();
        q.setInteger(QStringLiteral("楼宇层数"), 9);
        if (written.isEmpty()) {
            QVERIFY(!q.post());
            QCOMPARE(q.lastError(), QStringLiteral("该查询不能修改数据"));
            QVERIFY(!q.deleteCurrent());
            QCOMPARE(home->dm()->scalar(QStringLiteral("select 楼宇层数 from 楼宇资料")).toInt(), 5);
        } else {
            QVERIFY2(q.post(), qPrintable(q.lastError()));
            QCOMPARE(home->dm()->scalar(QStringLiteral("select 楼宇层数 from 楼宇资料")).toInt(), 9);
        }
    }

    // Months are text: "10" sorts before "2".
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
        DataSet q({}, QStringLiteral("收费明细表"));
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
        DataSet q({}, QStringLiteral("房屋资料"));
        openOn(q, QStringLiteral("select * from 房屋资料"), QStringLiteral("order by 房屋代码"));
        QCOMPARE(q.date(QStringLiteral("迁入日期")), QDate(2004, 1, 2));
        q.edit();
        q.setDate(QStringLiteral("迁入日期"), QDate());
        QVERIFY(q.post());
        QVERIFY(home->dm()->scalar(QStringLiteral("select 迁入日期 from 房屋资料")).isNull());
    }

    // Dates are read and written without QDateTime; they must read exactly as QDateTime reads
    // them, on every day of two centuries (every leap day among them) and at any time of day.
    void datesReadAsQDateTimeReadsThem()
    {
        int leapDays = 0;
        for (QDate d(1900, 1, 1); d.year() < 2100; d = d.addDays(d.month() == 2 ? 1 : 13)) {
            const QTime t = QTime::fromMSecsSinceStartOfDay(int(d.toJulianDay() * 7919 % 86400) * 1000);
            const QString stored = d.toString(QStringLiteral("yyyy-MM-dd ")) + t.toString(QStringLiteral("HH:mm:ss"));
            QCOMPARE(DataSet::fromStored(stored), byQDateTime(stored));
            QCOMPARE(DataSet::fromStored(stored.left(10)), byQDateTime(stored.left(10)));
            QCOMPARE(DataSet::toStoredDateTime(QDateTime(d, t)),
                     QDateTime(d, t).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
            QCOMPARE(StoredDate::formatDate(d), d.toString(QStringLiteral("yyyy-MM-dd")));
            leapDays += d.month() == 2 && d.day() == 29;
        }
        QCOMPARE(leapDays, 49); // 1904 … 2096, 2000 among them
    }

    void datesAndNonDates_data()
    {
        QTest::addColumn<QString>("text");
        for (const char *t : {"2004-08-15 00:00:00",
                              "2004-08-15",
                              "2004-02-29 23:59:59",
                              "2000-02-29",
                              "1900-03-01 12:00:00",
                              "2004-08-15T06:30:00",
                              "2004-08-15T06:30",
                              " 2004-08-15 07:08:09 ",
                              "2004-08-15 garbage",
                              "2004-08-15 7:08:09",
                              "2004-08-15 24:00:00",
                              "2004-08-15 23:60:00",
                              "2005-02-29 00:00:00",
                              "1900-02-29",
                              "2004-13-01",
                              "2004-00-10",
                              "2004-04-31",
                              "0000-01-01",
                              "2004-8-15",
                              "20040815",
                              "abc",
                              ""}) {
            QTest::newRow(t) << QString::fromLatin1(t);
        }
    }

    void datesAndNonDates()
    {
        QFETCH(QString, text);
        compareWithQDateTime(text);
    }

    // Unlike QDateTime, a date with other separators is not taken for a stored date: it shows
    // as the text it is.
    void onlyStoredDatesAreDates()
    {
        QVERIFY(!DataSet::fromStored(QStringLiteral("2004/08/15")).isValid());
        QVERIFY(!StoredDate::parse(u"2004.08.15 10:00:00").isValid());
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

PARVELL_BACKENDS_GUILESS_MAIN(TestDataSet)
#include "tst_dataset.moc"
