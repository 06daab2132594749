// Making and computing a month's bill lines without a window: one house, the whole estate, two
// workstations at once, and the amounts.
#include "backend.h"
#include "billing/core/billcomputation.h"
#include "billing/core/billgeneration.h"
#include "data/dm1.h"
#include "data/schema.h"
#include "temphome.h"

#include <QRegularExpression>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>
#include <latch>
#include <thread>

namespace {
using R = BillGeneration::Result;
const QString Meter = QStringLiteral("单价*(本月数-上月数)");

qint64 raw(const char *amount)
{
    return Money::parse(QString::fromUtf8(amount))->raw();
}
}

class TestBillGeneration : public QObject
{
    Q_OBJECT
private:
    std::unique_ptr<TempHome> home;

    Dm1 *dm() const { return home->dm(); }

    void addHouse(const QString &code, const QString &owner = QStringLiteral("林超"))
    {
        QVERIFY(dm()->exec(QStringLiteral("insert into 房屋资料 (房屋代码, 房屋名称, 业主名称, 楼宇名称, 楼宇单元) "
                                          "values (?, ?, ?, '一号楼', '二单元')"),
                           {code, QString(code + QStringLiteral("室")), owner}));
    }
    void addItem(const QString &house, const QString &name, const QString &formula, const char *price,
                 const char *quantity = "0", const QString &area = {})
    {
        QVERIFY(dm()->exec(QStringLiteral("insert into 房屋收费项目 (房屋代码, 收费名称, 计算公式, 收费面积, 单价, "
                                          "预付金额) values (?, ?, ?, ?, ?, ?)"),
                           {house, name, formula, area, raw(price), raw(quantity)}));
    }
    // A line of an earlier month as payment left it.
    void addLine(const QString &house, const QString &name, BillMonth m, const QString &formula, double thisReading,
                 double lastReading = 0, const QString &state = QStringLiteral("未缴费"), const char *price = "0",
                 double quantity = 0)
    {
        QVERIFY(dm()->exec(QStringLiteral("insert into 收费明细表 (房屋代码, 收费名称, 年度, 月份, 计算公式, 本月表数, "
                                          "上月表数, 缴费状态, 单价, \"面积/数量\", 收费金额) "
                                          "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 0)"),
                           {house, name, m.yearText(), m.monthText(), formula, thisReading, lastReading, state,
                            raw(price), quantity}));
    }
    // The house's lines of the month, one text per line in 收费名称 order.
    QStringList lines(const QString &house, BillMonth m, const QString &fields)
    {
        QStringList out;
        QSqlQuery q(dm()->database());
        // A count over the lines is one row, without an order.
        q.prepare(
            QStringLiteral("select %1 from 收费明细表 where 房屋代码=? and 年度=? and 月份=?%2")
                .arg(fields,
                     fields.startsWith(QStringLiteral("count(")) ? QString() : QStringLiteral(" order by 收费名称")));
        q.addBindValue(house);
        q.addBindValue(m.yearText());
        q.addBindValue(m.monthText());
        if (!q.exec()) {
            return {QStringLiteral("error")};
        }
        while (q.next()) {
            QStringList cells;
            for (int i = 0; i < q.record().count(); ++i) {
                cells << q.value(i).toString();
            }
            out << cells.join(QLatin1Char('|'));
        }
        return out;
    }
    // Every line of the month, without its id, in house and name order.
    QStringList monthLines(BillMonth m)
    {
        QStringList out;
        QSqlQuery q(dm()->database());
        q.prepare(QStringLiteral("select * from 收费明细表 where 年度=? and 月份=? order by 房屋代码, 收费名称"));
        q.addBindValue(m.yearText());
        q.addBindValue(m.monthText());
        q.exec();
        while (q.next()) {
            QStringList cells;
            for (int i = 1; i < q.record().count(); ++i) {
                cells << q.value(i).toString();
            }
            out << cells.join(QLatin1Char('|'));
        }
        return out;
    }
    qint64 count(const QString &where, const QVariantList &binds = {})
    {
        return dm()->scalar(QStringLiteral("select count(*) from 收费明细表 where ") + where, binds).toLongLong();
    }
    // Houses A-1 … A-n with three items each (one a meter with last month's reading), and
    // B-1 without any.
    void estate(int houses)
    {
        for (int h = 1; h <= houses; ++h) {
            const QString code = QStringLiteral("A-%1").arg(h);
            addHouse(code, QStringLiteral("业主%1").arg(h));
            addItem(code, QStringLiteral("物业费"), QStringLiteral("单价*面积"), "1.2", "88.5",
                    QStringLiteral("房屋面积"));
            addItem(code, QStringLiteral("水费"), Meter, "2.5");
            addItem(code, QStringLiteral("有线电视"), QStringLiteral("直接输入金额"), "18", "1");
            addLine(code, QStringLiteral("水费"), {2004, 7}, Meter, 100 + h);
        }
        addHouse(QStringLiteral("B-1"));
    }

private slots:
    void init() { home = std::make_unique<TempHome>(); }
    void cleanup() { home.reset(); }

    // The period of the month by the Gregorian rule, and the meter's reading taken from the
    // month before: December of the previous year for January.
    void periodAndPreviousMonth_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<QString>("lastDay");
        QTest::addColumn<int>("previousYear");
        QTest::addColumn<int>("previousMonth");
        QTest::newRow("February of a leap year") << 2004 << 2 << "2004-02-29 00:00:00" << 2004 << 1;
        QTest::newRow("February of a common year") << 2005 << 2 << "2005-02-28 00:00:00" << 2005 << 1;
        QTest::newRow("February of 2000, divisible by 400") << 2000 << 2 << "2000-02-29 00:00:00" << 2000 << 1;
        QTest::newRow("February of 2100, divisible by 100") << 2100 << 2 << "2100-02-28 00:00:00" << 2100 << 1;
        QTest::newRow("a month of 30 days") << 2004 << 9 << "2004-09-30 00:00:00" << 2004 << 8;
        QTest::newRow("December") << 2004 << 12 << "2004-12-31 00:00:00" << 2004 << 11;
        QTest::newRow("January reads December of the year before") << 2005 << 1 << "2005-01-31 00:00:00" << 2004 << 12;
        QTest::newRow("November reads month 10, not month 1") << 2004 << 11 << "2004-11-30 00:00:00" << 2004 << 10;
    }
    void periodAndPreviousMonth()
    {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(QString, lastDay);
        QFETCH(int, previousYear);
        QFETCH(int, previousMonth);
        addHouse(QStringLiteral("A-101"));
        addItem(QStringLiteral("A-101"), QStringLiteral("水费"), Meter, "2.5");
        // Readings of the right month, and decoys in the months a text or year slip would read.
        addLine(QStringLiteral("A-101"), QStringLiteral("水费"), {previousYear, previousMonth}, Meter, 321.5);
        addLine(QStringLiteral("A-101"), QStringLiteral("水费"), {year, 1 + (month + 5) % 12}, Meter, 999);
        addLine(QStringLiteral("A-101"), QStringLiteral("水费"), {previousYear - 1, previousMonth}, Meter, 888);
        if (previousMonth != 1) {
            addLine(QStringLiteral("A-101"), QStringLiteral("水费"), {previousYear, 1}, Meter, 777);
        }

        const BillMonth m {year, month};
        QCOMPARE(m.previous(), (BillMonth {previousYear, previousMonth}));
        BillGeneration g(dm()->database());
        QCOMPARE(g.generateHouse(QStringLiteral("A-101"), m).result, R::Generated);
        QCOMPARE(lines(QStringLiteral("A-101"), m, QStringLiteral("开始日期, 结束日期, 上月表数")),
                 QStringList {QStringLiteral("%1-%2-01 00:00:00|%3|%4")
                                  .arg(year)
                                  .arg(month, 2, 10, QLatin1Char('0'))
                                  .arg(lastDay, QStringLiteral("321.5"))});
    }

    // Each item of the house becomes one line: its name, price, formula, charged area and
    // multiplier; the house's name, owner, building and unit; the reading of last month for the
    // meter only, rounded to four places; "未缴费", nothing else.
    void linesCopyTheHouseAndItsItems()
    {
        addHouse(QStringLiteral("A-101"), QString());
        addItem(QStringLiteral("A-101"), QStringLiteral("物业费"), QStringLiteral("单价*面积"), "1.2", "95.41",
                QStringLiteral("房屋面积"));
        addItem(QStringLiteral("A-101"), QStringLiteral("水费"), Meter, "2.5");
        addItem(QStringLiteral("A-101"), QStringLiteral("电视费"), QStringLiteral("直接输入金额"), "18", "1");
        addItem(QStringLiteral("A-101"), QStringLiteral("车位费"), QStringLiteral("单价*数量"), "150", "2");
        addItem(QStringLiteral("A-101"), QStringLiteral("垃圾费"), QStringLiteral("按户收取"), "5", "1");
        addItem(QStringLiteral("A-101"), QStringLiteral("公摊电费"), QStringLiteral("比例*金额"), "0.05", "1234.5");
        addLine(QStringLiteral("A-101"), QStringLiteral("水费"), {2004, 7}, Meter, 123.45678);
        // A reading on a non-meter item is not carried.
        addLine(QStringLiteral("A-101"), QStringLiteral("车位费"), {2004, 7}, QStringLiteral("单价*数量"), 50);

        BillGeneration g(dm()->database());
        const auto out = g.generateHouse(QStringLiteral("A-101"), {2004, 8});
        QCOMPARE(out.result, R::Generated);
        QCOMPARE(out.lines, 6);
        QCOMPARE(lines(QStringLiteral("A-101"), {2004, 8},
                       QStringLiteral("收费名称, 单价, 计算公式, 收费面积, \"面积/数量\", 本月表数, 上月表数, "
                                      "收费金额, 房屋名称, 业主名称, 楼宇名称, 楼宇单元, 缴费状态, 年度, 月份")),
                 (QStringList {
                     "公摊电费|500|比例*金额||1234.5|0|0|0|A-101室||一号楼|二单元|未缴费|2004|8",
                     "垃圾费|50000|按户收取||1|0|0|0|A-101室||一号楼|二单元|未缴费|2004|8",
                     "水费|25000|单价*(本月数-上月数)||0|0|123.4568|0|A-101室||一号楼|二单元|未缴费|2004|8",
                     "物业费|12000|单价*面积|房屋面积|95.41|0|0|0|A-101室||一号楼|二单元|未缴费|2004|8",
                     "电视费|180000|直接输入金额||1|0|0|0|A-101室||一号楼|二单元|未缴费|2004|8",
                     "车位费|1500000|单价*数量||2|0|0|0|A-101室||一号楼|二单元|未缴费|2004|8",
                 }));
        QCOMPARE(lines(QStringLiteral("A-101"), {2004, 8},
                       QStringLiteral("count(缴费时间) + count(缴费人) + count(收款人) + count(单据号码) + "
                                      "count(操作人员) + count(操作日期) + count(备注)")),
                 QStringList {QStringLiteral("0")});
    }

    // What a house gets when it cannot be billed: nothing, and the reason.
    void housesThatGetNoLines()
    {
        addHouse(QStringLiteral("A-101"));
        addItem(QStringLiteral("A-101"), QStringLiteral("水费"), Meter, "2.5");
        addHouse(QStringLiteral("A-102"));
        addHouse(QStringLiteral("A-103"));
        // An older file without the key on the houses' items.
        QVERIFY(dm()->exec(
            QStringLiteral("drop index \"%1\"")
                .arg(dm()->dialect().storedName(IndexDef {
                    QStringLiteral("房屋收费项目"), Schema::table(QStringLiteral("房屋收费项目"))->uniqueKey, true}
                                                    .name()))));
        addItem(QStringLiteral("A-103"), QStringLiteral("物业费"), QStringLiteral("单价*面积"), "1");
        addItem(QStringLiteral("A-103"), QStringLiteral("水费"), Meter, "1");
        addItem(QStringLiteral("A-103"), QStringLiteral("物业费"), QStringLiteral("单价*面积"), "2");
        BillGeneration g(dm()->database());
        QCOMPARE(g.generateHouse(QStringLiteral("A-101"), {2004, 8}).result, R::Generated);
        QCOMPARE(g.generateHouse(QStringLiteral("A-101"), {2004, 8}).result, R::AlreadyBilled);
        QCOMPARE(count(QStringLiteral("房屋代码='A-101'")), 1);
        QCOMPARE(g.generateHouse(QStringLiteral("A-101"), {2004, 9}).result, R::Generated);
        QCOMPARE(g.generateHouse(QStringLiteral("A-102"), {2004, 8}).result, R::NoFeeItems);
        QCOMPARE(g.generateHouse(QStringLiteral("Z-999"), {2004, 8}).result, R::NoHouse);
        // An item there twice would break the lines' key: the house gets none, and is told why.
        const auto twice = g.generateHouse(QStringLiteral("A-103"), {2004, 8});
        QCOMPARE(twice.result, R::Failed);
        QCOMPARE(twice.error, QStringLiteral("房屋“A-103”的收费项目“物业费”重复，请到房屋收费项目中删除多余的一项。"));
        QCOMPARE(count(QStringLiteral("房屋代码='A-103'")), 0);
        // The key itself refuses a second set made past the look.
        QVERIFY(!dm()->exec(QStringLiteral("insert into 收费明细表 (房屋代码, 收费名称, 年度, 月份) "
                                           "values ('A-101', '水费', '2004', '8')")));
    }

    // 面积/数量 and 收费金额 by formula, every reading and quantity taken as money from its
    // shortest text and every product rounded to 0.0001 with ties to even.
    void amounts_data()
    {
        QTest::addColumn<QString>("formula");
        QTest::addColumn<QString>("price");
        QTest::addColumn<double>("quantity");
        QTest::addColumn<double>("thisReading");
        QTest::addColumn<double>("lastReading");
        QTest::addColumn<QString>("computedQuantity");
        QTest::addColumn<QString>("amount");
        QTest::newRow("2.5 × 0.0001 = 0.0002, the tie to even") << "单价*面积"
                                                                << "2.5" << 0.0001 << 0.0 << 0.0 << "0.0001"
                                                                << "0.0002";
        QTest::newRow("1.15 × 3.3333 = 3.8333") << "单价*数量"
                                                << "1.15" << 3.3333 << 0.0 << 0.0 << "3.3333"
                                                << "3.8333";
        QTest::newRow("ratio × amount") << "比例*金额"
                                        << "0.05" << 1234.5 << 0.0 << 0.0 << "1234.5"
                                        << "61.725";
        QTest::newRow("an amount typed directly counts once") << "直接输入金额"
                                                              << "150" << 7.0 << 0.0 << 0.0 << "1"
                                                              << "150";
        QTest::newRow("meter: this month's less last month's") << Meter << "2.5" << 0.0 << 120.5 << 100.25 << "20.25"
                                                               << "50.625";
        QTest::newRow("meter: a reading below last month's bills a negative amount")
            << Meter << "2" << 0.0 << 90.0 << 100.0 << "-10"
            << "-20";
        QTest::newRow("meter: a tie in a large reading goes to even")
            << Meter << "1" << 0.0 << 8777777.00005 << 0.0 << "8777777"
            << "8777777";
        QTest::newRow("a quantity of 0.00005 counts as 0") << "单价*数量"
                                                           << "1" << 0.00005 << 0.0 << 0.0 << "0.00005"
                                                           << "0";
        QTest::newRow("a quantity of 0.00015 counts as 0.0002") << "单价*数量"
                                                                << "1" << 0.00015 << 0.0 << 0.0 << "0.00015"
                                                                << "0.0002";
        QTest::newRow("a formula outside the five: price × quantity") << "按户收取"
                                                                      << "3" << 2.0 << 0.0 << 0.0 << "2"
                                                                      << "6";
        QTest::newRow("no formula: price × quantity") << ""
                                                      << "3" << 2.5 << 0.0 << 0.0 << "2.5"
                                                      << "7.5";
    }
    void amounts()
    {
        QFETCH(QString, formula);
        QFETCH(QString, price);
        QFETCH(double, quantity);
        QFETCH(double, thisReading);
        QFETCH(double, lastReading);
        QFETCH(QString, computedQuantity);
        QFETCH(QString, amount);
        addLine(QStringLiteral("A-101"), QStringLiteral("费"), {2004, 8}, formula, thisReading, lastReading,
                QStringLiteral("未缴费"), price.toUtf8().constData(), quantity);
        QString error;
        QCOMPARE(BillComputation::compute(dm()->database(), QStringLiteral("A-101"), {2004, 8}, nullptr, &error), 1);
        QCOMPARE(error, QString());
        const QStringList row = lines(QStringLiteral("A-101"), {2004, 8}, QStringLiteral("\"面积/数量\", 收费金额"))
                                    .value(0)
                                    .split(QLatin1Char('|'));
        QCOMPARE(QString::number(row.value(0).toDouble(), 'f', QLocale::FloatingPointShortest), computedQuantity);
        QCOMPARE(Money::fromRaw(row.value(1).toLongLong()).toString(), amount);
    }

    // Paid lines are settled money: a computation changes and stamps only unpaid lines, and
    // lists a falling or negative reading only where it would still be billed.
    void paidLinesAreLeftAlone()
    {
        const BillMonth aug {2004, 8};
        addLine(QStringLiteral("A-101"), QStringLiteral("水费"), aug, Meter, 130, 100, QStringLiteral("未缴费"), "2");
        addLine(QStringLiteral("A-101"), QStringLiteral("电费"), aug, Meter, 90, 100, QStringLiteral("未缴费"), "1");
        addLine(QStringLiteral("A-101"), QStringLiteral("煤气费"), aug, Meter, 10, 20, QStringLiteral("现金"), "3");
        addLine(QStringLiteral("A-101"), QStringLiteral("车位费"), aug, QStringLiteral("单价*数量"), 1, 5,
                QStringLiteral("银行转帐"), "150", 2);
        addLine(QStringLiteral("A-101"), QStringLiteral("物业费"), aug, QStringLiteral("单价*面积"), 1, 5,
                QStringLiteral("未缴费"), "1.2", 80);
        addLine(QStringLiteral("A-101"), QStringLiteral("热水费"), aug, Meter, 12, -3, QStringLiteral("未缴费"), "1");
        QString error;
        const auto falling = BillComputation::doubtfulReadings(dm()->database(), QStringLiteral("A-101"), aug, &error);
        QCOMPARE(BillComputation::describe(falling),
                 QStringLiteral("热水费：本月表数 12，上月表数 -3\n电费：本月表数 90，上月表数 100"));

        const auto idOf = [&](const char *name) {
            return dm()
                ->scalar(QStringLiteral("select id from 收费明细表 where 收费名称=?"), {QString::fromUtf8(name)})
                .toLongLong();
        };
        const QDateTime at(QDate(2004, 8, 20), QTime(10, 30));
        for (const char *name : {"煤气费", "水费"}) {
            const BillComputation::Stamp stamp {idOf(name), QStringLiteral("张会计"), at};
            QCOMPARE(BillComputation::compute(dm()->database(), QStringLiteral("A-101"), aug, &stamp, &error), 4);
        }
        QCOMPARE(lines(QStringLiteral("A-101"), aug,
                       QStringLiteral("收费名称, \"面积/数量\", 收费金额, 操作人员, 操作日期")),
                 (QStringList {"水费|30|600000|张会计|2004-08-20 10:30:00", "热水费|15|150000||", "煤气费|0|0||",
                               "物业费|80|960000||", "电费|-10|-100000||", "车位费|2|0||"}));
    }

    // The whole estate: every house with items and no lines gets exactly what a house-by-house
    // generation gives it; houses with lines are skipped, houses without items not counted.
    void estateEqualsHouseByHouse()
    {
        estate(7);
        const BillMonth aug {2004, 8};
        BillGeneration g(dm()->database());
        QCOMPARE(g.generateHouse(QStringLiteral("A-3"), aug).result, R::Generated);
        QList<int> steps;
        const auto out = g.generateEstate(
            aug,
            [&](int done, int total) {
                steps << done;
                return total == 7;
            },
            2);
        QCOMPARE(out.generated, 6);
        QCOMPARE(out.skipped, 1);
        QCOMPARE(out.lines, 18);
        QCOMPARE(out.message(), QStringLiteral("已生成 6 户，跳过 1 户"));
        QCOMPARE(steps, (QList<int> {0, 1, 2, 3, 4, 5, 6, 7}));
        const QStringList byEstate = monthLines(aug);
        QCOMPARE(byEstate.size(), 21);

        QVERIFY(dm()->exec(QStringLiteral("delete from 收费明细表 where 年度='2004' and 月份='8'")));
        for (int h = 1; h <= 7; ++h) {
            QCOMPARE(g.generateHouse(QStringLiteral("A-%1").arg(h), aug).result, R::Generated);
        }
        QCOMPARE(monthLines(aug), byEstate);
        QCOMPARE(g.generateEstate(aug).message(), QStringLiteral("已生成 0 户，跳过 7 户"));
        // A run the database stopped says why in Chinese.
        BillGeneration::EstateOutcome stopped;
        stopped.generated = 2;
        stopped.error = QStringLiteral("database is locked");
        QCOMPARE(stopped.message(),
                 QStringLiteral(
                     "已生成 2 户，跳过 0 户\n生成中断，其余房屋没有生成：数据库正被其他工作站使用，请稍后再试！"));
    }

    // Whatever stops the run, every house has all its lines of the month or none.
    void estateLeavesWholeHouses_data()
    {
        QTest::addColumn<int>("cancelAt");
        QTest::addColumn<QString>("refusedHouse");
        QTest::addColumn<int>("generated");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("reason"); // the database's words for the refused house
        QTest::newRow("cancelled after three houses")
            << 3 << QString() << 3 << "已生成 3 户，跳过 0 户\n生成已取消，其余房屋没有生成。" << QString();
        QTest::newRow("the database refuses the fourth house's water line")
            << -1 << "A-4" << 6 << "已生成 6 户，跳过 0 户\n以下 1 户没有生成：\nA-4：模拟的故障"
            << "模拟的故障";
        // The database's reasons are told in Chinese.
        QTest::newRow("another workstation holds the lock")
            << -1 << "A-4" << 6
            << "已生成 6 户，跳过 0 户\n以下 1 户没有生成：\nA-4：数据库正被其他工作站使用，请稍后再试！"
            << "database is locked";
    }
    void estateLeavesWholeHouses()
    {
        QFETCH(int, cancelAt);
        QFETCH(QString, refusedHouse);
        QFETCH(int, generated);
        QFETCH(QString, message);
        QFETCH(QString, reason);
        estate(7);
        std::unique_ptr<Fault> fault;
        if (!refusedHouse.isEmpty()) {
            fault =
                std::make_unique<Fault>(dm(), QStringLiteral("insert"), QStringLiteral("收费明细表"), reason,
                                        QStringLiteral("new.房屋代码='%1' and new.收费名称='水费'").arg(refusedHouse));
            QVERIFY(fault->ok());
        }
        BillGeneration g(dm()->database());
        const auto out = g.generateEstate(
            {2004, 8}, [&](int done, int) { return cancelAt < 0 || done < cancelAt; }, 2);
        QCOMPARE(out.message(), message);
        QCOMPARE(out.generated, generated);
        QCOMPARE(count(QStringLiteral("年度='2004' and 月份='8'")), 3 * generated);
        for (int h = 1; h <= 7; ++h) {
            const qint64 n =
                count(QStringLiteral("房屋代码=? and 年度='2004' and 月份='8'"), {QStringLiteral("A-%1").arg(h)});
            QVERIFY2(n == 0 || n == 3, qPrintable(QStringLiteral("A-%1 has %2 lines").arg(h).arg(n)));
        }
    }

    // The window, the generation and the computation find a house's lines of a month through an
    // index led by the house (or by the month and then the house), the unpaid lines of a month
    // through their own index and a fee's lines through one led by the fee: never by reading a
    // whole table or month.
    void statementsUseTheIndexes_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QStringList>("steps");
        const QString houseLed = QStringLiteral("SEARCH 收费明细表 USING (COVERING )?INDEX \\S+ "
                                                "\\((房屋代码=\\?|年度=\\? AND 月份=\\? AND 房屋代码=\\?)");
        QTest::newRow("the window's lines of a house and month")
            << BillComputation::linesOfMonth().join(u'\n') << QStringList {houseLed};
        QTest::newRow("the unpaid lines of a house a computation reads")
            << BillComputation::unpaidLinesOfMonth() << QStringList {houseLed};
        const QStringList generation = BillGeneration::statements();
        QTest::newRow("the houses with fee items")
            << generation[0]
            << QStringList {QStringLiteral("SCAN h USING (COVERING )?INDEX"),
                            QStringLiteral("SEARCH i USING (COVERING )?INDEX \\S+ \\(房屋代码=\\?\\)")};
        QTest::newRow("whether a house has lines in the month")
            << generation[1] << QStringList {QString(houseLed).replace(QStringLiteral("收费明细表"), QStringLiteral("\\S+"))};
        QTest::newRow("a house's lines made")
            << generation[2]
            << QStringList {QStringLiteral("SEARCH i USING INDEX \\S+ \\(房屋代码=\\?\\)"),
                            QStringLiteral("SEARCH c USING COVERING INDEX \\S+ \\(房屋代码=\\?\\)"),
                            QString(houseLed).replace(QStringLiteral("收费明细表"), QStringLiteral("x")),
                            QStringLiteral("SEARCH p USING INDEX \\S+ \\(房屋代码=\\? AND .*收费名称=\\?")};
        QTest::newRow("the lines just made")
            << generation[4] << QStringList {QStringLiteral("USING INTEGER PRIMARY KEY \\(rowid>\\?\\)")};
        QTest::newRow("the houses with unpaid lines in a month")
            << QStringLiteral("select 房屋代码,业主名称,楼宇名称 from 收费明细表 a "
                              "where (年度=?)and(月份=?)and(缴费状态='未缴费')and(")
                   + Schema::unpaidLines()
                   + QStringLiteral(") group by 房屋代码,业主名称,楼宇名称 order by 房屋代码")
            << QStringList {QStringLiteral("SEARCH a USING INDEX %unpaid% \\(年度=\\? AND 月份=\\?\\)")};
        QTest::newRow("a fee's lines of a month")
            << QStringLiteral("select sum(收费金额) as zje from 收费明细表 where (收费名称=?)and(年度=?)and(月份=?)")
            << QStringList {QStringLiteral("SEARCH 收费明细表 USING (COVERING )?INDEX \\S+ \\(收费名称=\\?")};
    }
    void statementsUseTheIndexes()
    {
        QFETCH(QString, sql);
        QFETCH(QStringList, steps);
        if (Backend::onServer()) {
            QSKIP("SQLite's query plans");
        }
        estate(3);
        // The unpaid lines' own index.
        const QStringList partial =
            dm()->column(QStringLiteral("select name from sqlite_master where type='index' and tbl_name='收费明细表' "
                                        "and sql like '%WHERE%' and name like '%欠费'"));
        QCOMPARE(partial.size(), 1);
        QSqlQuery q(dm()->database());
        QVERIFY(q.prepare(QStringLiteral("EXPLAIN QUERY PLAN ") + sql));
        for (int i = 0; i < sql.count(u'?'); ++i) {
            q.addBindValue(QStringLiteral("1"));
        }
        QVERIFY(q.exec());
        QStringList plan;
        while (q.next()) {
            plan << q.value(3).toString();
        }
        const QString shown = plan.join(QStringLiteral(" | "));
        for (const QString &step : std::as_const(steps)) {
            const QRegularExpression pattern(QString(step).replace(QStringLiteral("%unpaid%"), partial.value(0)));
            QVERIFY2(!plan.filter(pattern).isEmpty(), qPrintable(step + QStringLiteral(" not in: ") + shown));
        }
        QVERIFY2(
            plan.filter(QRegularExpression(QStringLiteral("^SCAN (收费明细表|房屋收费项目|[ipx])( |$)"))).isEmpty(),
            qPrintable(shown));
        // A house's lines are found through the key and shown in pinyin order: what is sorted
        // is the handful of lines the key found, nothing else.
        if (QString::fromUtf8(QTest::currentDataTag()) == QStringLiteral("the window's lines of a house and month")) {
            QVERIFY2(plan.size() == 2 && plan[1] == QStringLiteral("USE TEMP B-TREE FOR ORDER BY"), qPrintable(shown));
        }
    }

    // Two workstations making the same houses' lines at the same moment: every house gets one
    // set, and the one that came second is told its houses were billed already.
    void secondWorkstationMakesNoSecondSet()
    {
        estate(20);
        const Dm1 *home = dm();
        int generated[2] = {0, 0};
        int billed[2] = {0, 0};
        std::latch start(2);
        const auto workstation = [&](int n) {
            const Counter counter(home, QStringLiteral("workstation%1").arg(n));
            start.arrive_and_wait();
            if (counter.ok()) {
                BillGeneration g(counter.database());
                for (int h = 1; h <= 20; ++h) {
                    const auto r = g.generateHouse(QStringLiteral("A-%1").arg(h), {2004, 8}).result;
                    generated[n] += r == R::Generated;
                    billed[n] += r == R::AlreadyBilled;
                }
            }
        };
        std::thread first(workstation, 0);
        std::thread second(workstation, 1);
        first.join();
        second.join();
        QCOMPARE(generated[0] + generated[1], 20);
        QCOMPARE(billed[0] + billed[1], 20);
        QCOMPARE(count(QStringLiteral("年度='2004' and 月份='8'")), 60);
        QCOMPARE(BillGeneration::alreadyBilledMessage({2004, 8}),
                 QStringLiteral("该房屋2004年08月的应缴费用已经生成，不能重复生成！"));
    }
};

PARVELL_BACKENDS_GUILESS_MAIN(TestBillGeneration)
#include "tst_billgeneration.moc"
