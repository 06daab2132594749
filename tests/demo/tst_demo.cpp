// The demo estate must look like what the office's own windows would have left behind: every
// amount priced by its formula, every paid line backed by its payment record, and the odd
// amounts and deposit balances of the houses agreeing with the movements.
#include "demo/demo.h"
#include "demo/demopeople.h"
#include "estatechecks.h"
#include "data/clock.h"
#include "data/dm1.h"
#include "data/money.h"
#include "data/transaction.h"
#include "temphome.h"

#include <QTest>
#include <functional>
#include <map>

using namespace Qt::StringLiterals;

namespace {

using EstateChecks::Row;
using EstateChecks::rows;

int count(Dm1 *dm, const QString &sql, const QVariantList &binds = {})
{
    return dm->scalar(sql, binds).toInt();
}

Money money(const QVariant &v)
{
    return Money::fromRaw(v.toLongLong());
}

QDate date(const QVariant &v)
{
    return v.isNull() ? QDate() : QDate::fromString(v.toString().left(10), u"yyyy-MM-dd"_s);
}

QString key(const Row &r, const char *a, const char *b)
{
    return r.value(QString::fromUtf8(a)).toString() + u'|' + r.value(QString::fromUtf8(b)).toString();
}

} // namespace

class TestDemo : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TempHome> m_home;
    QDate m_today;

    // A fresh home filled on the day of the current data row.
    Dm1 *filled()
    {
        QFETCH(QDateTime, now);
        Clock::setFixed(now);
        m_today = now.date();
        m_home = std::make_unique<TempHome>();
        if (!m_home->ok()) {
            return nullptr;
        }
        QString error;
        if (!Demo::fill(m_home->dm(), &error)) {
            qWarning() << "demo estate not made:" << error;
            return nullptr;
        }
        return m_home->dm();
    }

    static void days()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::newRow("December") << QDateTime(QDate(2026, 12, 8), QTime(10, 15));
        QTest::newRow("first of January, early") << QDateTime(QDate(2024, 1, 1), QTime(0, 20));
        QTest::newRow("after a leap February") << QDateTime(QDate(2024, 3, 31), QTime(18, 0));
    }

private slots:
    void cleanup()
    {
        m_home.reset();
        Clock::setFixed({});
    }

    void registers_data() { days(); }
    void registers()
    {
        Dm1 *dm = filled();
        QVERIFY(dm);
        QCOMPARE(count(dm, u"select count(*) from 楼宇资料"_s), 3);
        const int houses = count(dm, u"select count(*) from 房屋资料"_s);
        QVERIFY2(houses >= 55 && houses <= 65, qPrintable(QString::number(houses)));
        // The building register counts its houses as they are.
        for (const Row &b : rows(dm, u"select * from 楼宇资料"_s)) {
            const QVariant name = b[u"楼宇名称"_s];
            QCOMPARE(b[u"房屋数量"_s].toInt(), count(dm, u"select count(*) from 房屋资料 where 楼宇名称=?"_s, {name}));
            QCOMPARE(b[u"空置房数量"_s].toInt(),
                     count(dm, u"select count(*) from 房屋资料 where 楼宇名称=? and 使用状况='空置'"_s, {name}));
            QCOMPARE(b[u"住户数量"_s].toInt() + b[u"空置房数量"_s].toInt(), b[u"房屋数量"_s].toInt());
        }
        const QStringList units = {u"一单元"_s, u"二单元"_s, u"三单元"_s, u"四单元"_s, u"五单元"_s, u"六单元"_s};
        const QStringList layouts = {u"一房一厅"_s, u"二房一厅"_s, u"二房二厅"_s, u"三房一厅"_s,
                                     u"三房二厅"_s, u"四房一厅"_s, u"四房二厅"_s};
        const QStringList titles = {u"完全产权"_s, u"使用权"_s, u"没有产权"_s};
        QSet<QString> states;
        for (const Row &h : rows(dm, u"select * from 房屋资料"_s)) {
            QVERIFY(units.contains(h[u"楼宇单元"_s].toString()));
            QVERIFY(layouts.contains(h[u"房型"_s].toString()));
            QVERIFY(titles.contains(h[u"产权状况"_s].toString()));
            QVERIFY(h[u"房屋面积"_s].toDouble() > 40);
            QCOMPARE(count(dm, u"select count(*) from 楼宇资料 where 楼宇名称=?"_s, {h[u"楼宇名称"_s]}), 1);
            states << h[u"使用状况"_s].toString();
        }
        QCOMPARE(states, (QSet<QString> {u"入住"_s, u"空置"_s, u"预定"_s}));

        // The catalogue: all five formulas, one stopped item, one same-amount item.
        QCOMPARE(count(dm, u"select count(distinct 计算公式) from 收费项目 where 计算公式 in (?,?,?,?,?)"_s,
                       {u"单价*面积"_s, u"单价*(本月数-上月数)"_s, u"单价*数量"_s, u"比例*金额"_s, u"直接输入金额"_s}),
                 5);
        QCOMPARE(count(dm, u"select count(*) from 收费项目 where 停止收费='是'"_s), 1);
        QCOMPARE(count(dm, u"select count(*) from 收费项目 where 停止收费 not in ('是','否')"_s), 0);
        const QList<Row> same = rows(dm, u"select * from 收费项目 where 收费类别='业主收费金额相同'"_s);
        QCOMPARE(same.size(), 1);
        QCOMPARE(same[0][u"计算公式"_s].toString(), u"直接输入金额"_s);
        QCOMPARE(same[0][u"收费面积"_s].toString(), QString());
        QVERIFY(money(same[0][u"金额"_s]) > Money());
        QCOMPARE(count(dm,
                       u"select count(*) from 收费项目 where 计算公式='单价*面积' and 收费面积 not in "
                       "('房屋面积','公摊面积','其它面积一','其它面积二')"_s),
                 0);

        const QList<Row> org = rows(dm, u"select * from 公司信息"_s);
        QCOMPARE(org.size(), 1);
        QCOMPARE(org[0][u"系统标题"_s].toString(), u"翠园小区物业收费管理系统"_s);
        QVERIFY(!org[0][u"公司名称"_s].toString().isEmpty());
        QVERIFY(!org[0][u"动态文字"_s].toString().isEmpty());
        QCOMPARE(org[0][u"自动提醒"_s].toInt(), 1);
        QCOMPARE(org[0][u"提前提醒天数"_s].toInt(), 20);

        // Identity numbers carry a correct check character.
        for (const QString &id : dm->column(u"select 身份证号 from 业主资料"_s)) {
            QCOMPARE(id.size(), 18);
            QCOMPARE(id.at(17), DemoPeople::idCheckDigit(id.left(17)));
        }
    }

    void idCheckDigit_data()
    {
        QTest::addColumn<QString>("id");
        QTest::newRow("check X") << u"11010519491231002X"_s;
        QTest::newRow("check digit") << u"440524188001010014"_s;
    }
    void idCheckDigit()
    {
        QFETCH(QString, id);
        QCOMPARE(DemoPeople::idCheckDigit(id.left(17)), id.at(17));
    }

    void houseItems_data() { days(); }
    void houseItems()
    {
        Dm1 *dm = filled();
        QVERIFY(dm);
        const QList<Row> items = rows(dm, u"select * from 收费项目 where 停止收费='否'"_s);
        const QList<Row> houses = rows(dm, u"select * from 房屋资料"_s);
        QCOMPARE(count(dm, u"select count(*) from 房屋收费项目"_s), int(items.size() * houses.size()));
        QCOMPARE(count(dm,
                       u"select count(*) from 房屋收费项目 where 收费名称 in "
                       "(select 收费名称 from 收费项目 where 停止收费='是')"_s),
                 0);
        for (const Row &h : houses) {
            for (const Row &it : items) {
                const QList<Row> found = rows(dm, u"select * from 房屋收费项目 where 房屋代码=? and 收费名称=?"_s,
                                              {h[u"房屋代码"_s], it[u"收费名称"_s]});
                QCOMPARE(found.size(), 1);
                const Row &hi = found[0];
                for (const QString &f :
                     {u"房屋名称"_s, u"楼宇名称"_s, u"楼宇单元"_s, u"业主名称"_s, u"房屋面积"_s, u"公摊面积"_s}) {
                    QCOMPARE(hi[f], h[f]);
                }
                for (const QString &f : {u"计算公式"_s, u"收费面积"_s, u"收费类别"_s, u"收费周期"_s}) {
                    QCOMPARE(hi[f], it[f]);
                }
                const QString formula = it[u"计算公式"_s].toString();
                const bool same = it[u"收费类别"_s].toString() == u"业主收费金额相同"_s;
                QCOMPARE(money(hi[u"单价"_s]), money(it[same ? u"金额"_s : u"单价"_s]));
                const Money multiplier = money(hi[u"预付金额"_s]);
                if (formula == u"单价*面积"_s) {
                    QCOMPARE(multiplier, *Money::fromReal(h[it[u"收费面积"_s].toString()].toDouble()));
                } else if (formula == u"直接输入金额"_s) {
                    QCOMPARE(multiplier, Money::fromUnits(1));
                } else if (formula == u"单价*(本月数-上月数)"_s) {
                    QCOMPARE(multiplier, Money());
                }
            }
        }
        ESTATE_HOLDS(EstateChecks::houseItemAmounts(dm));
    }

    void billLines_data() { days(); }
    void billLines()
    {
        Dm1 *dm = filled();
        QVERIFY(dm);
        // Exactly the current month and the two before it.
        const QDate thisMonth(m_today.year(), m_today.month(), 1);
        QSet<QString> expected;
        for (int m = -2; m <= 0; ++m) {
            const QDate d = thisMonth.addMonths(m);
            expected << QString::number(d.year()) + u'|' + QString::number(d.month());
        }
        QSet<QString> months;
        std::map<QString, Row> byKey;
        const QList<Row> lines = rows(dm, u"select * from 收费明细表 order by id"_s);
        QVERIFY(lines.size() > 500);
        for (const Row &l : lines) {
            months << key(l, "年度", "月份");
            const QDate first(l[u"年度"_s].toInt(), l[u"月份"_s].toInt(), 1);
            QCOMPARE(date(l[u"开始日期"_s]), first);
            QCOMPARE(date(l[u"结束日期"_s]), first.addMonths(1).addDays(-1));
            const QString formula = l[u"计算公式"_s].toString();
            const double quantity = l[u"面积/数量"_s].toDouble();
            if (formula == u"单价*(本月数-上月数)"_s) {
                QVERIFY(quantity > 0);
            } else if (formula == u"直接输入金额"_s) {
                QCOMPARE(quantity, 1.0);
            }
            byKey[l[u"房屋代码"_s].toString() + u'|' + l[u"收费名称"_s].toString() + u'|' + key(l, "年度", "月份")] = l;
        }
        QCOMPARE(months, expected);
        // Every amount priced by its formula, every meter line by its readings.
        ESTATE_HOLDS(EstateChecks::billLineAmounts(dm));
        // A meter line starts where the same meter stopped the month before.
        int chained = 0;
        for (const auto &[k, l] : byKey) {
            if (l[u"计算公式"_s].toString() != u"单价*(本月数-上月数)"_s) {
                continue;
            }
            const QDate prev = QDate(l[u"年度"_s].toInt(), l[u"月份"_s].toInt(), 1).addMonths(-1);
            const auto before = byKey.find(l[u"房屋代码"_s].toString() + u'|' + l[u"收费名称"_s].toString() + u'|'
                                           + QString::number(prev.year()) + u'|' + QString::number(prev.month()));
            if (before != byKey.end()) {
                QCOMPARE(l[u"上月表数"_s].toDouble(), before->second[u"本月表数"_s].toDouble());
                ++chained;
            }
        }
        QVERIFY(chained > 0);
        // Every occupied house has one line per fee item in each month, copied from the house; a
        // vacant house has none.
        for (const Row &h : rows(dm, u"select * from 房屋资料"_s)) {
            const QVariant code = h[u"房屋代码"_s];
            const int items = count(dm, u"select count(*) from 房屋收费项目 where 房屋代码=?"_s, {code});
            const bool vacant = h[u"使用状况"_s].toString() == u"空置"_s;
            QCOMPARE(count(dm, u"select count(*) from 收费明细表 where 房屋代码=?"_s, {code}), vacant ? 0 : 3 * items);
            QCOMPARE(count(dm,
                           u"select count(*) from 收费明细表 where 房屋代码=? and "
                           "(业主名称<>? or 房屋名称<>? or 楼宇单元<>?)"_s,
                           {code, h[u"业主名称"_s], h[u"房屋名称"_s], h[u"楼宇单元"_s]}),
                     0);
        }
        QVERIFY(count(dm, u"select count(*) from 收费明细表 where 缴费状态='未缴费'"_s) > 0);
        QVERIFY(count(dm, u"select count(*) from 收费明细表 where 缴费状态<>'未缴费'"_s) > 0);
        // Someone is charged a late fee on what they still owe.
        QVERIFY(count(dm, u"select count(*) from 收费明细表 where 计算公式='比例*金额' and 收费金额>0"_s) > 0);
    }

    void payments_data() { days(); }
    void payments()
    {
        Dm1 *dm = filled();
        QVERIFY(dm);
        const QList<Row> records = rows(dm, u"select * from 收费汇总表 order by 缴费时间, id"_s);
        QVERIFY(records.size() > 20);
        QSet<QString> receipts;
        for (const Row &p : records) {
            const QString code = p[u"房屋代码"_s].toString();
            const QString receipt = p[u"单据号码"_s].toString();
            QVERIFY(!receipts.contains(receipt));
            receipts << receipt;
            const QDate paid = date(p[u"缴费时间"_s]);
            QVERIFY(paid <= m_today);
            QVERIFY(paid >= QDate(p[u"年度"_s].toInt(), p[u"月份"_s].toInt(), 1));
            QVERIFY(QStringList({u"现金"_s, u"银行转帐"_s, u"现金+银行转帐"_s}).contains(p[u"缴费方式"_s].toString()));
            QCOMPARE(money(p[u"现金"_s]) + money(p[u"支票"_s]) + money(p[u"零头"_s]), money(p[u"实收金额"_s]));

            // The lines this payment paid (their payment details: EstateChecks::paidLines).
            const QList<Row> lines = rows(dm, u"select * from 收费明细表 where 单据号码=?"_s, {receipt});
            QVERIFY(!lines.isEmpty());
            for (const Row &l : lines) {
                QCOMPARE(l[u"业主名称"_s], p[u"业主名称"_s]);
            }
            if (p[u"收费项目"_s].toString() == u"按单缴费"_s) {
                // The whole bill: no line of that month was left unpaid behind it.
                QCOMPARE(
                    count(
                        dm,
                        u"select count(*) from 收费明细表 where 房屋代码=? and 年度=? and 月份=? and 缴费状态='未缴费'"_s,
                        {code, p[u"年度"_s], p[u"月份"_s]}),
                    0);
            } else {
                QCOMPARE(lines.size(), 1);
                QCOMPARE(lines[0][u"收费名称"_s], p[u"收费项目"_s]);
            }
        }
        // Each payment record agrees with the lines it paid; 本次零头 = 实缴金额 + 上次零头 -
        // 应缴费用, carried from payment to payment, ends in the house's 零头.
        ESTATE_HOLDS(EstateChecks::paidLines(dm));
        ESTATE_HOLDS(EstateChecks::oddAmounts(dm));
        QVERIFY(count(dm, u"select count(*) from 房屋资料 where 零头<>0"_s) > 0);
        QVERIFY(count(dm, u"select count(*) from 收费汇总表 where 收费项目<>'按单缴费'"_s) > 0);
    }

    void occupancy_data() { days(); }
    void occupancy()
    {
        Dm1 *dm = filled();
        QVERIFY(dm);
        int booked = 0;
        for (const Row &h : rows(dm, u"select * from 房屋资料"_s)) {
            const QVariant code = h[u"房屋代码"_s];
            const QString state = h[u"使用状况"_s].toString();
            const QList<Row> open = rows(dm, u"select * from 房屋租赁表 where 房屋代码=? and 已经迁出=0"_s, {code});
            if (state == u"空置"_s) {
                QVERIFY(open.isEmpty());
                QVERIFY(h[u"迁入日期"_s].isNull() && h[u"迁出日期"_s].isNull());
                for (const QString &f : {u"业主名称"_s, u"身份证号"_s, u"工作单位"_s, u"联系地址"_s, u"联系电话"_s}) {
                    QCOMPARE(h[f].toString(), QString());
                    QVERIFY(!h[f].isNull());
                }
                continue;
            }
            QCOMPARE(open.size(), 1);
            const Row &l = open[0];
            for (const QString &f : {u"业主名称"_s, u"身份证号"_s, u"工作单位"_s, u"联系地址"_s, u"联系电话"_s,
                                     u"迁入日期"_s, u"房屋名称"_s, u"楼宇名称"_s, u"楼宇单元"_s}) {
                QCOMPARE(h[f], l[f]);
            }
            QCOMPARE(h[u"迁出日期"_s], l[u"预计迁出日期"_s]);
            QCOMPARE(l[u"已经迁入"_s].toInt(), state == u"入住"_s ? 1 : 0);
            QCOMPARE(l[u"租售情况"_s].toString(), l[u"预计迁出日期"_s].isNull() ? u"售房"_s : u"租房"_s);
            QCOMPARE(dm->column(u"select 房屋代码 from 业主资料 where 业主名称=?"_s, {h[u"业主名称"_s]}),
                     QStringList {code.toString()});
            QVERIFY(date(h[u"迁入日期"_s]) < m_today);
            // Only the booked tenant leaves within the reminder's twenty days.
            const QDate out = date(h[u"迁出日期"_s]);
            const bool soon = out.isValid() && m_today.daysTo(out) <= 20;
            if (state == u"预定"_s) {
                ++booked;
                QVERIFY(soon);
                QVERIFY(out > m_today);
            } else {
                QVERIFY(!soon);
            }
        }
        QCOMPARE(booked, 1);
        // Tenants who moved out: record closed, no house any more.
        const QList<Row> gone = rows(dm, u"select * from 房屋租赁表 where 已经迁出=1"_s);
        QVERIFY(!gone.isEmpty());
        for (const Row &l : gone) {
            QVERIFY(date(l[u"实际迁出日期"_s]).isValid());
            QCOMPARE(dm->column(u"select 房屋代码 from 业主资料 where 业主名称=?"_s, {l[u"业主名称"_s]}),
                     QStringList {QString()});
        }
    }

    void deposits_data() { days(); }
    void deposits()
    {
        Dm1 *dm = filled();
        QVERIFY(dm);
        QSet<QString> types;
        for (const Row &d : rows(dm, u"select * from 押金明细表"_s)) {
            types << d[u"操作类型"_s].toString();
            QVERIFY(date(d[u"日期"_s]) <= m_today);
        }
        QCOMPARE(types, (QSet<QString> {u"收取"_s, u"退还"_s, u"冲抵费用"_s}));
        // Each house's deposit balance agrees with its movements and is never below zero.
        ESTATE_HOLDS(EstateChecks::depositBalances(dm));
        QVERIFY(count(dm, u"select count(*) from 房屋资料 where 押金>0"_s) > 0);
    }

    // The estate's checks are no formality: each finds the fault it is about.
    void checksFindABrokenEstate()
    {
        Clock::setFixed(QDateTime(QDate(2026, 12, 8), QTime(9, 0)));
        TempHome home;
        QString error;
        QVERIFY2(Demo::fill(home.dm(), &error), qPrintable(error));
        Dm1 *dm = home.dm();
        ESTATE_HOLDS(EstateChecks::all(dm));
        const QList<std::pair<QString, std::function<QStringList(Dm1 *)>>> faults = {
            {u"update 房屋收费项目 set 金额=金额+1 where id=(select min(id) from 房屋收费项目)"_s,
             EstateChecks::houseItemAmounts},
            {u"update 收费明细表 set \"面积/数量\"=\"面积/数量\"+1 where id=(select min(id) from 收费明细表 where "
             "计算公式='单价*(本月数-上月数)')"_s,
             EstateChecks::billLineAmounts},
            {u"update 收费明细表 set 缴费人='别人' where id=(select min(id) from 收费明细表 where 缴费状态<>'未缴费')"_s,
             EstateChecks::paidLines},
            {u"update 收费明细表 set 缴费状态='未缴费' where id=(select min(id) from 收费明细表 where 缴费状态<>'未缴费')"_s,
             EstateChecks::paidLines},
            {u"update 收费汇总表 set 实收金额=实收金额+100 where id=(select min(id) from 收费汇总表)"_s,
             EstateChecks::oddAmounts},
            {u"update 房屋资料 set 押金=押金+10000 where id=(select min(id) from 房屋资料)"_s,
             EstateChecks::depositBalances},
        };
        for (const auto &[fault, check] : faults) {
            Transaction undone;
            QVERIFY(dm->exec(fault));
            QVERIFY2(!check(dm).isEmpty(), qPrintable(fault));
        }
        ESTATE_HOLDS(EstateChecks::all(dm));
    }

    void refusesAFilledDatabase()
    {
        Clock::setFixed(QDateTime(QDate(2026, 12, 8), QTime(9, 0)));
        TempHome home;
        QVERIFY(home.ok());
        QString error;
        QVERIFY2(Demo::fill(home.dm(), &error), qPrintable(error));
        const int lines = count(home.dm(), u"select count(*) from 收费明细表"_s);
        QVERIFY(!Demo::fill(home.dm(), &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(count(home.dm(), u"select count(*) from 收费明细表"_s), lines);
        QCOMPARE(count(home.dm(), u"select count(*) from 公司信息"_s), 1);
    }

    void reproducible()
    {
        auto dump = [](const QDateTime &now) {
            Clock::setFixed(now);
            TempHome home;
            QString error;
            QStringList out;
            if (!home.ok() || !Demo::fill(home.dm(), &error)) {
                return out;
            }
            for (const QString &t :
                 {u"楼宇资料"_s, u"房屋资料"_s, u"业主资料"_s, u"收费项目"_s, u"房屋收费项目"_s, u"收费明细表"_s,
                  u"收费汇总表"_s, u"房屋租赁表"_s, u"押金明细表"_s, u"公司信息"_s}) {
                for (const Row &r : rows(home.dm(), u"select * from "_s + t + u" order by id"_s)) {
                    QStringList cells;
                    for (auto it = r.cbegin(); it != r.cend(); ++it) {
                        cells << it.key() + u'=' + it.value().toString();
                    }
                    out << t + u": "_s + cells.join(u',');
                }
            }
            return out;
        };
        const QDateTime now(QDate(2026, 12, 8), QTime(9, 30));
        const QStringList a = dump(now);
        QVERIFY(a.size() > 1000);
        QCOMPARE(dump(now), a);
        QVERIFY(dump(now.addMonths(1)) != a);
    }
};

QTEST_GUILESS_MAIN(TestDemo)
#include "tst_demo.moc"
