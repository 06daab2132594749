// A data set reads its rows straight from SQLite; every value and type must be what a
// QSqlQuery over the same statement and bindings gives.
#include "data/dataset.h"
#include "data/dm1.h"
#include "temphome.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

using Named = QList<QPair<QString, QVariant>>;
Q_DECLARE_METATYPE(Named)

class TestDataSetFetch : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<TempHome> home;

    void insertCharge(const QVariantList &values)
    {
        QVERIFY(home->dm()->exec(
            QStringLiteral("insert into 收费明细表 (房屋代码, 收费名称, 年度, 月份, 单价, \"面积/数量\", "
                           "收费金额, 开始日期, 业主名称, 备注) values (?,?,?,?,?,?,?,?,?,?)"),
            values));
    }

private slots:
    void init()
    {
        home = std::make_unique<TempHome>();
        QVERIFY(home->ok());
        insertCharge({QStringLiteral("A-0101"), QStringLiteral("物业管理费"), QStringLiteral("2004"),
                      QStringLiteral("08"), qint64(15000), 89.56, qint64(134340), QStringLiteral("2004-08-01 00:00:00"),
                      QStringLiteral("O'Brien 张伟"), QVariant()});
        insertCharge({QStringLiteral("A-0102"), QStringLiteral("水费"), QStringLiteral("2004"), QStringLiteral("08"),
                      qint64(-25000), -0.5, qint64(9223372036854775807LL), QVariant(), QStringLiteral("翠园1号楼"),
                      QString(QLatin1String(""))});
        insertCharge({QStringLiteral("B-0201"), QStringLiteral("电费"), QStringLiteral("2004"), QStringLiteral("09"),
                      qint64(0), 1e-7, qint64(-1), QStringLiteral("2004-09-01 00:00:00"), QStringLiteral("翠园1号楼"),
                      QStringLiteral("含\"引号\"与'撇号'")});
    }
    void cleanup() { home.reset(); }

    void sameValuesAndTypesAsQSqlQuery_data()
    {
        QTest::addColumn<QStringList>("sql");
        QTest::addColumn<Named>("named");
        QTest::addColumn<QVariantList>("positional");
        QTest::addColumn<int>("rows");

        const QString all = QStringLiteral("select * from 收费明细表");
        const QString byCode = QStringLiteral("order by 房屋代码");
        QTest::newRow("every column") << QStringList {all, byCode} << Named {} << QVariantList {} << 3;
        QTest::newRow("slashed column, expressions") << QStringList {
            QStringLiteral("select \"面积/数量\", 单价 * 2 as dj, \"面积/数量\" * 10 as r, 1 = 1 as yes, "
                           "null as empty, '' as blank, x'00ff' as bytes from 收费明细表"),
            byCode} << Named {} << QVariantList {} << 3;
        QTest::newRow("named") << QStringList {all, QStringLiteral("where 业主名称 = :owner and 年度 = :year"), byCode}
                               << Named {{QStringLiteral(":owner"), QStringLiteral("翠园1号楼")},
                                         {QStringLiteral(":year"), QStringLiteral("2004")}}
                               << QVariantList {} << 2;
        QTest::newRow("named twice, unused name bound")
            << QStringList {all, QStringLiteral("where 单价 > :m or 收费金额 = :m"), byCode}
            << Named {{QStringLiteral(":m"), qint64(0)}, {QStringLiteral(":unused"), 1}} << QVariantList {} << 1;
        QTest::newRow("apostrophe bound")
            << QStringList {all, QStringLiteral("where 业主名称 = :owner"), byCode}
            << Named {{QStringLiteral(":owner"), QStringLiteral("O'Brien 张伟")}} << QVariantList {} << 1;
        QTest::newRow("positional of every type")
            << QStringList {QStringLiteral(
                                "select ? as i, ? as ll, ? as d, ? as s, ? as b, ? as n, ? as ns, ? as e, ? as ba"),
                            QString()}
            << Named {}
            << QVariantList {7,
                             qint64(1) << 40,
                             2.25,
                             QStringLiteral("翠园'1"),
                             true,
                             QVariant(),
                             QVariant(QString()),
                             QVariant(QString(QLatin1String(""))),
                             QVariant(QByteArray("\x01\x02", 2))}
            << 1;
        QTest::newRow("positional filter")
            << QStringList {all, QStringLiteral("where 收费金额 between ? and ? and 年度 = ?"), byCode} << Named {}
            << QVariantList {qint64(-1), qint64(200000), QStringLiteral("2004")} << 2;
        QTest::newRow("sum over no rows")
            << QStringList {QStringLiteral(
                                "select sum(收费金额) as zje, count(*) as n, max(业主名称) as m from 收费明细表"),
                            QStringLiteral("where 年度 = :year")}
            << Named {{QStringLiteral(":year"), QStringLiteral("1999")}} << QVariantList {} << 1;
        QTest::newRow("no rows") << QStringList {all, QStringLiteral("where 1 = 0"), byCode} << Named {}
                                 << QVariantList {} << 0;
        QTest::newRow("same name twice in the result")
            << QStringList {QStringLiteral("select a.房屋代码, b.房屋代码, a.id from 收费明细表 a join 收费明细表 b on "
                                           "a.id = b.id"),
                            QStringLiteral("order by a.id")}
            << Named {} << QVariantList {} << 3;
    }

    void sameValuesAndTypesAsQSqlQuery()
    {
        QFETCH(QStringList, sql);
        QFETCH(Named, named);
        QFETCH(QVariantList, positional);
        QFETCH(int, rows);

        DataSet ds;
        ds.setSql(sql);
        for (const auto &p : named) {
            ds.bind(p.first, p.second);
        }
        for (const QVariant &v : positional) {
            ds.bindPositional(v);
        }
        QVERIFY2(ds.open(), qPrintable(ds.lastError()));

        QSqlQuery q(home->dm()->database());
        q.setForwardOnly(true);
        QVERIFY(q.prepare(sql.join(QLatin1Char('\n'))));
        for (const auto &p : named) {
            q.bindValue(p.first, p.second);
        }
        for (int i = 0; i < positional.size(); ++i) {
            q.bindValue(i, positional[i]);
        }
        QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
        const QSqlRecord rec = q.record();
        QCOMPARE(ds.fieldCount(), rec.count());
        for (int c = 0; c < rec.count(); ++c) {
            QCOMPARE(ds.fieldNames().at(c), rec.fieldName(c));
        }
        int row = 0;
        while (q.next()) {
            for (int c = 0; c < rec.count(); ++c) {
                const QVariant expected = q.value(c);
                const QVariant got = ds.value(row, c);
                const QByteArray where = QByteArray::number(row) + ',' + rec.fieldName(c).toUtf8();
                QVERIFY2(got.metaType() == expected.metaType(), where.constData());
                QVERIFY2(got.isNull() == expected.isNull(), where.constData());
                QVERIFY2(got == expected, where.constData());
                if (got.typeId() == QMetaType::QString) {
                    QVERIFY2(got.toString().isNull() == expected.toString().isNull(), where.constData());
                }
            }
            ++row;
        }
        QCOMPARE(row, rows);
        QCOMPARE(ds.recordCount(), rows);
        // Rows were read directly: a text repeated down a column is one shared string.
        for (int c = 0; c < ds.fieldCount() && rows > 1; ++c) {
            const QVariant a = ds.value(0, c);
            const QVariant b = ds.value(1, c);
            if (a.typeId() == QMetaType::QString && !a.toString().isEmpty() && a == b) {
                QCOMPARE(a.toString().constData(), b.toString().constData());
            }
        }
    }

    void typedAccessOverFetchedRows()
    {
        DataSet ds;
        ds.setSql({QStringLiteral("select * from 收费明细表"), QStringLiteral("order by 房屋代码")});
        QVERIFY2(ds.open(), qPrintable(ds.lastError()));
        QCOMPARE(ds.money(QStringLiteral("收费金额"))->toString(), QStringLiteral("13.434"));
        QCOMPARE(ds.number(QStringLiteral("面积/数量")), 89.56);
        QCOMPARE(ds.text(QStringLiteral("业主名称")), QStringLiteral("O'Brien 张伟"));
        QVERIFY(ds.isNull(QStringLiteral("备注")));
        ds.next();
        QCOMPARE(ds.money(QStringLiteral("单价"))->toString(), QStringLiteral("-2.5"));
        QVERIFY(!ds.dateTime(QStringLiteral("开始日期")).isValid());
        QVERIFY(!ds.isNull(QStringLiteral("备注")));
        // Pooled texts are shared between rows but each row edits its own.
        ds.edit();
        ds.setText(QStringLiteral("业主名称"), QStringLiteral("李四"));
        QCOMPARE(ds.value(2, ds.fieldIndex(QStringLiteral("业主名称"))).toString(), QStringLiteral("翠园1号楼"));
        ds.cancel();
        // A re-sort brings the same rows in the new order.
        ds.setOrderingLine(QStringLiteral("order by 收费金额 desc"));
        QVERIFY(ds.reopen());
        QCOMPARE(ds.recordCount(), 3);
        QCOMPARE(ds.text(QStringLiteral("房屋代码")), QStringLiteral("A-0102"));
        QCOMPARE(ds.value(2, ds.fieldIndex(QStringLiteral("房屋代码"))).toString(), QStringLiteral("B-0201"));
    }

    // Thousands of rows: texts that repeat (a house's lines, a month's dates) and texts that
    // hardly do (receipt numbers, time stamps) read back exactly, in every row, also after rows
    // were edited, appended and deleted.
    void largeResultsReadBackExactly()
    {
        QVERIFY(home->dm()->exec(QStringLiteral("delete from 收费明细表")));
        QVERIFY(home->dm()->inTransaction([&](QString *error) {
            for (int i = 0; i < 12000; ++i) {
                if (!home->dm()->exec(
                        QStringLiteral("insert into 收费明细表 (房屋代码, 收费名称, 年度, 月份, 单据号码, 操作日期, "
                                       "收费金额, 备注) values (?, ?, '2004', ?, ?, ?, ?, ?)"),
                        {QStringLiteral("A-%1").arg(i / 24),
                         i / 12 % 2 ? QStringLiteral("水费") : QStringLiteral("电费"), QString::number(i % 12 + 1),
                         QStringLiteral("NO.%1").arg(i),
                         QStringLiteral("2004-08-15 %1:%2:00")
                             .arg(i / 60 % 24, 2, 10, QLatin1Char('0'))
                             .arg(i % 60, 2, 10, QLatin1Char('0')),
                         qint64(i) * 100,
                         i % 7 ? QVariant() : QVariant(QString(i % 14 ? QStringLiteral("") : QStringLiteral("加急")))},
                        error)) {
                    return false;
                }
            }
            return true;
        }));
        DataSet ds({}, QStringLiteral("收费明细表"));
        ds.setSql({QStringLiteral("select * from 收费明细表"), QStringLiteral("order by id")});
        QVERIFY2(ds.open(), qPrintable(ds.lastError()));
        // An appended row holds what was set, its other cells empty (not typed as read ones).
        const auto compareAll = [&](int appended) {
            QSqlQuery q(home->dm()->database());
            QVERIFY(q.exec(QStringLiteral("select * from 收费明细表 order by id")));
            int row = 0;
            while (q.next()) {
                for (int c = 0; c < ds.fieldCount(); ++c) {
                    const QVariant expected = q.value(c);
                    const QVariant got = ds.value(row, c);
                    const QByteArray where = QByteArray::number(row) + ',' + ds.fieldNames()[c].toUtf8();
                    if (row >= ds.recordCount() - appended) {
                        QVERIFY2(got.isNull() == expected.isNull() && got.toString() == expected.toString(),
                                 where.constData());
                        continue;
                    }
                    QVERIFY2(got.metaType() == expected.metaType() && got.isNull() == expected.isNull()
                                 && got == expected && got.toString().isNull() == expected.toString().isNull(),
                             where.constData());
                }
                ++row;
            }
            QCOMPARE(row, ds.recordCount());
        };
        compareAll(0);
        ds.moveTo(9000);
        ds.setText(QStringLiteral("单据号码"), QStringLiteral("改过的"));
        ds.setText(QStringLiteral("房屋代码"), QStringLiteral("甲-1"));
        QVERIFY2(ds.post(), qPrintable(ds.lastError()));
        ds.moveTo(5000);
        QVERIFY(ds.deleteCurrent());
        ds.append();
        ds.setText(QStringLiteral("单据号码"), QStringLiteral("新的"));
        QVERIFY2(ds.post(), qPrintable(ds.lastError()));
        compareAll(1);
        QCOMPARE(ds.value(8999, ds.fieldIndex(QStringLiteral("单据号码"))).toString(), QStringLiteral("改过的"));
    }

    void errorsCarryTheDatabasesReason_data()
    {
        QTest::addColumn<QStringList>("sql");
        QTest::addColumn<QVariantList>("positional");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no such table") << QStringList {QStringLiteral("select * from 没有这个表")} << QVariantList {}
                                       << QStringLiteral("no such table");
        QTest::newRow("syntax") << QStringList {QStringLiteral("select * from"), QStringLiteral("order by")}
                                << QVariantList {} << QStringLiteral("syntax error");
        QTest::newRow("no such column") << QStringList {QStringLiteral("select 没有这列 from 收费明细表")}
                                        << QVariantList {} << QStringLiteral("no such column");
        QTest::newRow("too few values") << QStringList {QStringLiteral(
            "select * from 收费明细表 where 年度 = ? and 月份 = ?")}
                                        << QVariantList {QStringLiteral("2004")} << QString();
    }

    void errorsCarryTheDatabasesReason()
    {
        QFETCH(QStringList, sql);
        QFETCH(QVariantList, positional);
        QFETCH(QString, reason);
        DataSet ds;
        ds.setSql({QStringLiteral("select * from 收费明细表"), QStringLiteral("order by 房屋代码")});
        QVERIFY(ds.open());
        ds.setSql(sql);
        for (const QVariant &v : positional) {
            ds.bindPositional(v);
        }
        QVERIFY(!ds.open());
        QVERIFY(!ds.isOpen());
        QCOMPARE(ds.recordCount(), 0);
        QCOMPARE(ds.fieldCount(), 0);
        QVERIFY(!ds.lastError().isEmpty());
        QVERIFY2(ds.lastError().contains(reason), qPrintable(ds.lastError()));
        // The connection is left usable: no statement of ours is still open.
        QVERIFY(home->dm()->exec(QStringLiteral("update 收费明细表 set 备注 = 'x'")));
    }
};

QTEST_GUILESS_MAIN(TestDataSetFetch)
#include "tst_dataset_fetch.moc"
