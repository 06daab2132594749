// The rows of the bill reports, computed by set-based statements, against the reference: the
// loops of one statement per house and month (or per month and fee item) that the reports were
// first described by, run on a generated estate full of odd cases.
#include "backend.h"
#include "data/dataset.h"
#include "data/readconnection.h"
#include "data/sidebyside.h"
#include "data/transaction.h"
#include "reportfixture.h"
#include "reports/core/billreports.h"
#include "reports/core/reportrun.h"
#include "temphome.h"

#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTest>
#include <QTimer>

namespace {

const QString Unpaid = QStringLiteral("(缴费状态 IS NULL OR 缴费状态 = '未缴费' OR 缴费状态 = '')");
const QString Paid = QStringLiteral("(缴费状态 <> '未缴费' AND 缴费状态 <> '')");

// The month-range rule as first written: years ascending, months 1 to 12, by case.
QList<YearMonth> monthsByRule(YearMonth from, YearMonth to)
{
    QList<YearMonth> out;
    for (int y = from.year; y <= to.year; ++y) {
        for (int m = 1; m <= 12; ++m) {
            const bool in = from.year == to.year ? (m >= from.month && m <= to.month)
                : y == from.year                 ? m >= from.month
                : y == to.year                   ? m <= to.month
                                                 : true;
            if (in) {
                out << YearMonth {y, m};
            }
        }
    }
    return out;
}

QVariant one(const QString &sql, const QVariantList &binds)
{
    QSqlQuery q(Dm1::instance()->database());
    q.prepare(sql);
    for (const QVariant &v : binds) {
        q.addBindValue(v);
    }
    if (!q.exec() || !q.next()) {
        qWarning("%s", qPrintable(q.lastError().text()));
        return {};
    }
    return q.value(0);
}

int rowsOf(const QString &sql, const QVariantList &binds)
{
    QSqlQuery q(Dm1::instance()->database());
    q.prepare(sql);
    for (const QVariant &v : binds) {
        q.addBindValue(v);
    }
    q.exec();
    int n = 0;
    while (q.next()) {
        ++n;
    }
    return n;
}

// Conditions of a filter as the loops write them: bracketed, bound, joined by "and".
struct Where
{
    QStringList parts;
    QVariantList binds;
    void equals(const QString &column, const QString &typed)
    {
        if (!typed.trimmed().isEmpty()) {
            parts << QStringLiteral("(%1 = ?)").arg(column);
            binds << typed;
        }
    }
    void add(const QString &c, const QVariantList &b = {})
    {
        parts << c;
        binds << b;
    }
    QString text() const { return parts.join(QStringLiteral("and")); }
};

RowText row(std::initializer_list<std::pair<const char *, QString>> cells)
{
    RowText r;
    for (const auto &[k, v] : cells) {
        r.insert(QString::fromLatin1(k), v);
    }
    return r;
}

QList<RowText> referenceArrears(const BillReportFilter &f)
{
    Where h;
    h.equals(QStringLiteral("房屋代码"), f.houseCode);
    h.equals(QStringLiteral("楼宇名称"), f.building);
    QSqlQuery houses(Dm1::instance()->database());
    houses.prepare(QStringLiteral("select 房屋代码, 楼宇名称, 业主名称 from 房屋资料")
                   + (h.parts.isEmpty() ? QString() : QStringLiteral(" where ") + h.text())
                   + QStringLiteral(" order by ") + Dm1::orderTerm(QStringLiteral("房屋代码"))
                   + QStringLiteral(", id"));
    for (const QVariant &v : h.binds) {
        houses.addBindValue(v);
    }
    houses.exec();
    QList<RowText> out;
    Money grand;
    QString previous;
    while (houses.next()) {
        const QString code = houses.value(0).toString();
        Money total;
        for (const YearMonth &ym : monthsByRule(f.from, f.to)) {
            const Money zje =
                Money::fromStored(one(QStringLiteral("select sum(收费金额) as zje from 收费明细表 where (房屋代码 = "
                                                     "?)and(年度 = ?)and(月份 = ?)and")
                                          + Unpaid,
                                      {houses.value(0), ym.yearText(), ym.monthText()}))
                    .value();
            if (zje <= Money()) {
                continue;
            }
            total += zje;
            if (!out.isEmpty() && previous != code) {
                out << row({{"moneyc", QStringLiteral("0")}});
            }
            RowText r = row({{"texta", ym.yearCaption()},
                             {"textb", ym.monthCaption()},
                             {"moneya", zje.toString()},
                             {"moneyb", total.toString()}});
            if (out.isEmpty() || previous != code) {
                r.insert(QStringLiteral("texte"), houses.value(1).toString());
                r.insert(QStringLiteral("textc"), code);
                r.insert(QStringLiteral("textd"), houses.value(2).toString());
                // An owner stored as null shows as nothing in either.
                if (houses.value(2).isNull()) {
                    r.remove(QStringLiteral("textd"));
                }
            }
            out << r;
            previous = code;
        }
        grand += total;
    }
    if (!out.isEmpty()) {
        out << row({{"moneyc", QStringLiteral("0")}})
            << row({{"textb", QStringLiteral("合   计")}, {"moneyb", grand.toString()}});
    }
    return out;
}

QList<RowText> referenceMonthTotals(const BillReportFilter &f)
{
    QList<RowText> out;
    for (const YearMonth &ym : monthsByRule(f.from, f.to)) {
        Where w;
        w.equals(QStringLiteral("房屋代码"), f.houseCode);
        w.add(QStringLiteral("(年度 = ?)"), {ym.yearText()});
        w.add(QStringLiteral("(月份 = ?)"), {ym.monthText()});
        const auto sum = [&](const QString &extra) {
            return Money::fromStored(
                       one(QStringLiteral("select sum(收费金额) as zje from 收费明细表 where ") + w.text() + extra,
                           w.binds))
                .value();
        };
        const auto houses = [&](const QString &extra) {
            return rowsOf(QStringLiteral("select DISTINCT(房屋代码) from 收费明细表 where ") + w.text() + extra,
                          w.binds);
        };
        const Money a = sum({}), b = sum(QStringLiteral("and") + Paid), c = sum(QStringLiteral("and") + Unpaid);
        const int na = houses({}), nb = houses(QStringLiteral("and") + Paid),
                  nc = houses(QStringLiteral("and") + Unpaid);
        if (a > Money() || b > Money() || c > Money() || na > 0 || nb > 0 || nc > 0) {
            out << row({{"texta", ym.yearCaption()},
                        {"textb", ym.monthCaption()},
                        {"numbera", QString::number(na)},
                        {"moneya", a.toString()},
                        {"numberb", QString::number(nb)},
                        {"moneyb", b.toString()},
                        {"numberc", QString::number(nc)},
                        {"moneyc", c.toString()}});
        }
    }
    return out;
}

QList<RowText> referenceItemTotals(const BillReportFilter &f)
{
    const QStringList items = Dm1::instance()->column(QStringLiteral("select 收费名称 from 收费项目 order by id"));
    QList<RowText> out;
    for (const YearMonth &ym : monthsByRule(f.from, f.to)) {
        for (const QString &item : items) {
            Where w;
            w.equals(QStringLiteral("房屋代码"), f.houseCode);
            w.add(QStringLiteral("(年度 = ?)"), {ym.yearText()});
            w.add(QStringLiteral("(月份 = ?)"), {ym.monthText()});
            w.add(QStringLiteral("(收费名称 = ?)"), {item});
            const auto sum = [&](const QString &extra) {
                return Money::fromStored(
                           one(QStringLiteral("select sum(收费金额) as zje from 收费明细表 where ") + w.text() + extra,
                               w.binds))
                    .value();
            };
            const Money a = sum({}), b = sum(QStringLiteral("and") + Paid), c = sum(QStringLiteral("and") + Unpaid);
            if (a > Money() || b > Money() || c > Money()) {
                out << row({{"texta", ym.yearCaption()},
                            {"textb", ym.monthCaption()},
                            {"textc", item},
                            {"moneya", a.toString()},
                            {"moneyb", b.toString()},
                            {"moneyc", c.toString()}});
            }
        }
    }
    return out;
}

// An estate of three buildings whose houses were entered out of code order, billed from
// September 2004 to April 2006 with every oddity the reports must take: fee items renamed or
// deleted after billing, houses deleted after billing, zero and negative amounts, a month
// without any line, lines without a payment state, a month written with a leading zero.
void generateEstate()
{
    Transaction tx;
    QVERIFY(tx.begun());
    QRandomGenerator rng(20041101);
    for (const char *item : {"物业管理费", "水费", "电费", "公共照明费", "卫生费", "停车费"}) {
        insertItem(QString::fromUtf8(item));
    }
    const QStringList fees = {QStringLiteral("物业管理费"), QStringLiteral("水费"),      QStringLiteral("电费"),
                              QStringLiteral("公共照明费"), QStringLiteral("卫生费"),    QStringLiteral("停车费"),
                              QStringLiteral("旧管理费"),   QStringLiteral("临时占道费")};
    struct H
    {
        QString code, building;
        QVariant owner;
    };
    QList<H> houses;
    const QStringList buildings = {QStringLiteral("一号楼"), QStringLiteral("二号楼"), QStringLiteral("三号楼")};
    for (int b = 0; b < 3; ++b) {
        for (int r = 1; r <= 8; ++r) {
            houses << H {QStringLiteral("B%1-%2").arg(b + 1).arg(100 + r), buildings[b],
                         QStringLiteral("业主%1").arg(b * 8 + r)};
        }
    }
    // Codes that the pinyin order puts otherwise than their characters' numbers.
    houses << H {QStringLiteral("中山-01"), buildings[2], QStringLiteral("钟敏")}
           << H {QStringLiteral("白云-01"), buildings[2], QStringLiteral("白洁")};
    houses[3].owner = QString(); // no owner
    houses[5].owner = QStringLiteral("");
    std::shuffle(houses.begin(), houses.end(), rng);
    for (const H &h : houses) {
        insertHouse(h.code, h.building, h.owner);
    }
    // Billed, then deleted from the register.
    houses << H {QStringLiteral("B9-001"), QStringLiteral("九号楼"), QStringLiteral("已拆")}
           << H {QStringLiteral("B2-199"), QStringLiteral("二号楼"), QStringLiteral("已删")};
    const QStringList states = {QStringLiteral("未缴费"),
                                QStringLiteral("未缴费"),
                                QStringLiteral("未缴费"),
                                QStringLiteral("现金"),
                                QStringLiteral("现金"),
                                QStringLiteral("银行转帐"),
                                QStringLiteral("现金+银行转帐"),
                                QString(""),
                                QString()};
    for (const H &h : houses) {
        for (YearMonth ym {2004, 9}; ym <= YearMonth {2006, 4}; ym = YearMonth::fromStep(ym.step() + 1)) {
            if (ym == YearMonth {2005, 6}) {
                continue;
            }
            for (const QString &fee : fees) {
                if (rng.bounded(8) < 3) {
                    continue;
                }
                const int kind = rng.bounded(10);
                const qint64 amount = kind == 0 ? 0
                    : kind == 1                 ? -qint64(rng.bounded(1, 5000)) * 100
                                                : qint64(rng.bounded(1, 200000)) * 100;
                const QString state = states[rng.bounded(states.size())];
                insertLine({h.code, h.building, QStringLiteral("一单元"), h.owner.toString(), fee, ym.yearText(),
                            ym.monthText(), amount, state.isNull() ? QVariant() : QVariant(state),
                            QStringLiteral("2006-05-01 00:00:00")});
            }
        }
    }
    // A month written with a leading zero is no bill month of the reports.
    insertLine({QStringLiteral("B1-101"),
                QStringLiteral("一号楼"),
                QStringLiteral("一单元"),
                QStringLiteral("业主1"),
                QStringLiteral("水费"),
                QStringLiteral("2005"),
                QStringLiteral("08"),
                990000,
                QStringLiteral("未缴费"),
                {}});
    // Fee items renamed and deleted after their lines were made.
    QVERIFY(Dm1::instance()->exec(QStringLiteral("delete from 收费项目 where 收费名称 = '停车费'")));
    insertItem(QStringLiteral("旧管理费-改名前"));
    QVERIFY(Dm1::instance()->exec(QStringLiteral("update 收费项目 set 收费名称 = '电费(新)' where 收费名称 = '电费'")));
    insertItem(QStringLiteral("停车费"));
    QVERIFY(tx.commit());
}

}

Q_DECLARE_METATYPE(YearMonth)
Q_DECLARE_METATYPE(BillReportFilter)

// How a run keeps the grid's rows: by the worker, by the window's thread, or computed at once.
enum Keeping { ByWorker, ByWindow, AtOnce };

class TestReportRows : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempHome> m_home;

private slots:
    void initTestCase()
    {
        m_home = std::make_unique<TempHome>();
        QVERIFY(m_home->ok());
        generateEstate();
        QVERIFY(Dm1::instance()->scalar(QStringLiteral("select count(*) from 收费明细表")).toInt() > 1500);
    }
    void cleanupTestCase() { m_home.reset(); }

    void monthRange_data()
    {
        QTest::addColumn<YearMonth>("from");
        QTest::addColumn<YearMonth>("to");
        QTest::addColumn<QStringList>("months");
        QTest::newRow("Nov 2004 to Feb 2005")
            << YearMonth {2004, 11} << YearMonth {2005, 2} << QStringList {"2004-11", "2004-12", "2005-1", "2005-2"};
        QTest::newRow("one month") << YearMonth {2005, 3} << YearMonth {2005, 3} << QStringList {"2005-3"};
        QStringList three;
        for (const YearMonth &ym : monthsByRule({2004, 10}, {2006, 2})) {
            three << ym.yearText() + "-" + ym.monthText();
        }
        QCOMPARE(three.size(), 3 + 12 + 2);
        QTest::newRow("three calendar years") << YearMonth {2004, 10} << YearMonth {2006, 2} << three;
    }
    // The period table the statements join, in calendar order.
    void monthRange()
    {
        QFETCH(YearMonth, from);
        QFETCH(YearMonth, to);
        QFETCH(QStringList, months);
        QSqlQuery q(Dm1::instance()->database());
        QVERIFY(q.prepare(ReportPeriod::withPeriod() + "SELECT y, m FROM period ORDER BY k"));
        q.addBindValue(from.step());
        q.addBindValue(to.step());
        QVERIFY(q.exec());
        QStringList got;
        while (q.next()) {
            got << q.value(0).toString() + "-" + q.value(1).toString();
        }
        QCOMPARE(got, months);
    }

    void sameAsReference_data()
    {
        QTest::addColumn<BillReportFilter>("filter");
        const auto f = [](YearMonth a, YearMonth b, const QString &house = {}, const QString &building = {}) {
            return BillReportFilter {a, b, house, building, {}, {}};
        };
        QTest::newRow("whole estate") << f({2004, 9}, {2006, 4});
        QTest::newRow("Nov 2004 to Feb 2005") << f({2004, 11}, {2005, 2});
        QTest::newRow("one month") << f({2005, 3}, {2005, 3});
        QTest::newRow("month without lines") << f({2005, 6}, {2005, 6});
        QTest::newRow("three calendar years") << f({2004, 10}, {2006, 2});
        QTest::newRow("before any line") << f({2001, 1}, {2003, 12});
        QTest::newRow("one house") << f({2004, 9}, {2006, 4}, "B1-101");
        QTest::newRow("deleted house") << f({2004, 9}, {2006, 4}, "B9-001");
        QTest::newRow("building") << f({2004, 11}, {2005, 8}, {}, QStringLiteral("二号楼"));
        QTest::newRow("house of another building") << f({2004, 9}, {2006, 4}, "B1-101", QStringLiteral("二号楼"));
        QTest::newRow("house and its building") << f({2004, 9}, {2006, 4}, "B2-103", QStringLiteral("二号楼"));
        QTest::newRow("code typed with blanks") << f({2004, 9}, {2006, 4}, " B1-101");
        QTest::newRow("blank code") << f({2005, 1}, {2005, 4}, "   ", "  ");
        QTest::newRow("no such building") << f({2004, 9}, {2006, 4}, {}, QStringLiteral("四号楼"));
    }
    // Rows, values and order identical to the loops', for every report and filter.
    void sameAsReference()
    {
        QFETCH(BillReportFilter, filter);
        const QSqlDatabase db = Dm1::instance()->database();
        QString error;
        KeepRows arrears, months, items;
        QVERIFY2(BillReports::arrears(db, filter, arrears, &error), qPrintable(error));
        QVERIFY2(BillReports::monthTotals(db, filter, months, &error), qPrintable(error));
        QVERIFY2(BillReports::itemTotals(db, filter, items, &error), qPrintable(error));
        QCOMPARE(arrears.rows, referenceArrears(filter));
        QCOMPARE(months.rows, referenceMonthTotals(filter));
        QCOMPARE(items.rows, referenceItemTotals(filter));
        // On a worker's connection the reports read their two parts side by side.
        std::atomic<bool> cancel = false;
        ReadConnection reader(Dm1::instance()->address(), &cancel);
        QVERIFY2(reader.isOpen(), qPrintable(reader.error()));
        KeepRows workerArrears, workerMonths, workerItems;
        QVERIFY2(BillReports::arrears(reader.database(), filter, workerArrears, &error), qPrintable(error));
        QCOMPARE(workerArrears.rows, arrears.rows);
        QVERIFY2(BillReports::monthTotals(reader.database(), filter, workerMonths, &error), qPrintable(error));
        QVERIFY2(BillReports::itemTotals(reader.database(), filter, workerItems, &error), qPrintable(error));
        QCOMPARE(workerMonths.rows, months.rows);
        QCOMPARE(workerItems.rows, items.rows);
        if (QByteArray(QTest::currentDataTag()) == "whole estate") {
            // The estate gives each kind of row something to show.
            QVERIFY(arrears.rows.size() > 100);
            QVERIFY(months.rows.size() == 19);
            QVERIFY(items.rows.size() > 19 * 4);
            // Houses in the order of the house register: 白云 (bai) before 中山 (zhong).
            QStringList codes;
            for (const RowText &r : arrears.rows) {
                if (r.contains("textc")) {
                    codes << r.value("textc");
                }
            }
            QVERIFY(codes.indexOf("白云-01") >= 0);
            QVERIFY(codes.indexOf("白云-01") < codes.indexOf("中山-01"));
        }
    }

    // A stored amount that is no amount stops the report with the office's message rather than
    // counting it as anything.
    void anAmountThatIsNoneStopsTheReport()
    {
        if (Backend::onServer()) {
            QSKIP("a server's money column holds whole numbers only");
        }
        insertLine({"B1-101", "一号楼", "一单元", "业主", "物业管理费", "2030", "1", 10000, "未缴费", {}});
        QVERIFY(Dm1::instance()->exec(QStringLiteral("update 收费明细表 set 收费金额 = '无' where 年度 = '2030'")));
        const BillReportFilter f {{2030, 1}, {2030, 1}, {}, {}, {}, {}};
        QString error;
        KeepRows rows;
        const bool listed =
            BillReports::listing(Dm1::instance()->database(), BillReports::Listing::All, f, rows, &error);
        QVERIFY(Dm1::instance()->exec(QStringLiteral("delete from 收费明细表 where 年度 = '2030'")));
        QVERIFY(!listed);
        QCOMPARE(error, StoredAmounts::NoAmount);
    }

    // The reports that read the unpaid part and the whole in two statements read them in one
    // state of the database: a line another counter bills in between is in neither read while
    // the snapshot lives, and is seen once it ends.
    void readsOfOneReportSeeOneState()
    {
        std::atomic<bool> cancel = false;
        ReadConnection reader(Dm1::instance()->address(), &cancel);
        QVERIFY2(reader.isOpen(), qPrintable(reader.error()));
        const auto lines = [&reader] {
            QSqlQuery q(reader.database());
            return q.exec(QStringLiteral("select count(*) from 收费明细表")) && q.next() ? q.value(0).toLongLong() : -1;
        };
        qint64 before = -1;
        {
            const ReadSnapshot oneState(reader.database());
            before = lines();
            QVERIFY(before > 0);
            insertLine({"B1-101", "一号楼", "一单元", "业主", "物业管理费", "2031", "1", 10000, "未缴费", {}});
            QCOMPARE(lines(), before);
        }
        QCOMPARE(lines(), before + 1);
        QVERIFY(Dm1::instance()->exec(QStringLiteral("delete from 收费明细表 where 年度 = '2031'")));
    }

    // Two reads side by side see one state, also when another counter commits between the first's
    // snapshot and the second's: the second then reads on the first's connection, after it.
    void readsSideBySideSeeOneState_data()
    {
        QTest::addColumn<bool>("commitBetween");
        QTest::newRow("quiet") << false;
        QTest::newRow("a line committed between") << true;
    }
    void readsSideBySideSeeOneState()
    {
        QFETCH(bool, commitBetween);
        std::atomic<bool> cancel = false;
        ReadConnection reader(Dm1::instance()->address(), &cancel);
        QVERIFY2(reader.isOpen(), qPrintable(reader.error()));
        const auto cleanup = qScopeGuard([] {
            SideBySide::setBetweenSnapshots({});
            QVERIFY(Dm1::instance()->exec(QStringLiteral("delete from 收费明细表 where 年度 = '2031'")));
        });
        if (commitBetween) {
            SideBySide::setBetweenSnapshots([] {
                insertLine({"B1-101", "一号楼", "一单元", "业主", "物业管理费", "2031", "1", 10000, "未缴费", {}});
            });
        }
        const qint64 before = one(QStringLiteral("select count(*) from 收费明细表"), {}).toLongLong();
        const auto count = [](qint64 *lines, QString *connection) {
            return [lines, connection](const QSqlDatabase &c, QString *e) {
                QSqlQuery q(c);
                if (!q.exec(QStringLiteral("select count(*) from 收费明细表")) || !q.next()) {
                    *e = q.lastError().text();
                    return false;
                }
                *lines = q.value(0).toLongLong();
                *connection = c.connectionName();
                return true;
            };
        };
        qint64 here = -1, beside = -1;
        QString hereOn, besideOn, error;
        QVERIFY2(SideBySide::run(reader.database(), count(&here, &hereOn), count(&beside, &besideOn), &error),
                 qPrintable(error));
        QCOMPARE(here, before);
        QCOMPARE(beside, before);
        QCOMPARE(hereOn, reader.database().connectionName());
        if (!commitBetween) {
            QVERIFY(besideOn != hereOn);
        }
        // The program's own connection has no second one beside it: both read there.
        QVERIFY2(SideBySide::run(Dm1::instance()->database(), count(&here, &hereOn), count(&beside, &besideOn), &error),
                 qPrintable(error));
        QCOMPARE(besideOn, Dm1::instance()->database().connectionName());
        QCOMPARE(beside, here);
    }

    // The listings against the bill lines read plainly: each line whose bill month (开始日期) is in
    // the period and that matches the filter, in house, date and fee order, its values in the
    // columns the listing shows them in. The same rows whether they reach a sink as report rows or
    // are made straight into a run's batches (what 通用 then holds). "many owners" adds a month of
    // 5,000 houses whose owners' names all differ (on a server, where the rows come whole, a
    // column whose texts are then kept one by one).
    void listingsSameAsReference_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<BillReportFilter>("filter");
        const char *kinds[] = {"full", "paid", "unpaid"};
        for (int k = 0; k < 3; ++k) {
            QTest::addRow("%s, whole estate", kinds[k]) << k << BillReportFilter {{2004, 9}, {2006, 4}, {}, {}, {}, {}};
            // Read on a worker in the table's two halves and merged.
            QTest::addRow("%s, a year of the estate", kinds[k])
                << k << BillReportFilter {{2005, 1}, {2005, 12}, {}, {}, {}, {}};
            QTest::addRow("%s, building, unit and fee", kinds[k])
                << k << BillReportFilter {{2004, 11}, {2005, 8}, {}, QStringLiteral("二号楼"), QStringLiteral("一单元"),
                                          "水费"};
            QTest::addRow("%s, one house", kinds[k])
                << k << BillReportFilter {{2005, 1}, {2005, 3}, "B1-101", {}, {}, {}};
        }
        QTest::newRow("full, many owners") << 0 << BillReportFilter {{2031, 1}, {2031, 1}, {}, {}, {}, {}};
    }
    void listingsSameAsReference()
    {
        QFETCH(int, kind);
        QFETCH(BillReportFilter, filter);
        if (filter.from.year == 2031) {
            Transaction tx;
            QVERIFY(tx.begun());
            for (int i = 0; i < 5000; ++i) {
                insertLine({QStringLiteral("M-%1").arg(i, 4, 10, QLatin1Char('0')), "四号楼", "一单元",
                            QStringLiteral("业主甲%1").arg(i * 7919 % 5000), "水费", "2031", "1", i * 100 - 5000,
                            i % 3 ? QVariant(QStringLiteral("现金")) : QVariant(QStringLiteral("未缴费")),
                            "2031-01-05 00:00:00"});
            }
            QVERIFY(tx.commit());
        }
        const auto cleanup = qScopeGuard(
            [] { QVERIFY(Dm1::instance()->exec(QStringLiteral("delete from 收费明细表 where 年度 = '2031'"))); });
        Where w;
        w.add(kind == 0 ? QStringLiteral("(1 = 1)") : kind == 1 ? Paid : Unpaid);
        w.equals(QStringLiteral("房屋代码"), filter.houseCode);
        w.equals(QStringLiteral("楼宇名称"), filter.building);
        w.equals(QStringLiteral("楼宇单元"), filter.unit);
        w.equals(QStringLiteral("收费名称"), filter.feeName);
        w.add(QStringLiteral("(开始日期 BETWEEN ? AND ?)"),
              {QDate(filter.from.year, filter.from.month, 1).toString(QStringLiteral("yyyy-MM-dd 00:00:00")),
               QDate(filter.to.year, filter.to.month, 1).toString(QStringLiteral("yyyy-MM-dd 23:59:59"))});
        QSqlQuery q(Dm1::instance()->database());
        QVERIFY(q.prepare(QStringLiteral("select 楼宇名称, 楼宇单元, 房屋代码, 业主名称, 年度, 月份, 收费名称, "
                                         "收费金额, %1, 开始日期, 结束日期, 缴费时间 from 收费明细表 where ")
                              .arg(Paid)
                          + w.text() + QStringLiteral(" order by ") + Dm1::orderTerm(QStringLiteral("房屋代码"))
                          + QStringLiteral(", 开始日期, ") + Dm1::orderTerm(QStringLiteral("收费名称"))
                          + QStringLiteral(", id")));
        for (const QVariant &v : w.binds) {
            q.addBindValue(v);
        }
        QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
        const char *full[] = {"texth", "texti", "texta", "textb", "textf", "textg", "textc", "moneya"};
        const char *paidOrNot[] = {"texth", "texti", "texta", "textb", "texte", "textf", "textd", "moneyb"};
        QList<RowText> reference;
        while (q.next()) {
            RowText r;
            const auto put = [&](const char *column, int field) {
                const QVariant v = q.value(field);
                if (!v.isNull()) {
                    r.insert(QString::fromLatin1(column),
                             field == 7 ? Money::fromRaw(v.toLongLong()).toString() : v.toString());
                }
            };
            for (int field = 0; field < 8; ++field) {
                put(kind == 0 ? full[field] : paidOrNot[field], field);
            }
            const bool paid = q.value(8).toBool();
            if (kind == 0) {
                put(paid ? "textd" : "texte", 6);
                put(paid ? "moneyb" : "moneyc", 7);
            } else {
                put("dateb", 9);
                put("datec", 10);
                if (kind == 1) {
                    put("datea", 11);
                }
            }
            reference << r;
        }
        QVERIFY(reference.size() >= 3); // the filter leaves lines to list

        const auto kindOf = BillReports::Listing(kind);
        const ReportRun::Computation work = [kindOf, filter](const QSqlDatabase &db, ScratchSink &out, QString *e) {
            return BillReports::listing(db, kindOf, filter, out, e);
        };
        KeepRows asRows;
        QString error;
        QVERIFY2(work(Dm1::instance()->database(), asRows, &error), qPrintable(error));
        QCOMPARE(asRows.rows, reference);
        ReportRun run;
        QSignalSpy finished(&run, &ReportRun::finished);
        QVERIFY(run.start(work, Dm1::instance()->q_tongyong, nullptr, ReportRun::KeepRows::OnWindow));
        QVERIFY(finished.wait(20000));
        QVERIFY2(finished.constFirst().at(0).toBool(), qPrintable(finished.constFirst().at(1).toString()));
        QCOMPARE(scratchRows(), reference);
    }

    // What the grid shows after a run is what 通用 holds (what sorting by a title, the notices
    // and every other reader of 通用 see), row by row and cell by cell, ids included, though
    // the grid takes the rows as they were computed instead of reading 通用 back. Also for
    // the start-up reminder's way, computed at once.
    void shownRowsAreTheStoredRows_data()
    {
        QTest::addColumn<int>("report");
        QTest::addColumn<int>("keeping");
        // The last one: several batches of rows of every shape.
        const char *names[] = {"arrears",      "month totals",   "item totals",    "full listing",
                               "paid listing", "unpaid listing", "several batches"};
        for (int i = 0; i < 7; ++i) {
            QTest::addRow("%s, kept by the worker", names[i]) << i << int(ByWorker);
            QTest::addRow("%s, kept by the window", names[i]) << i << int(ByWindow);
        }
        QTest::newRow("arrears, computed at once") << 0 << int(AtOnce);
    }
    void shownRowsAreTheStoredRows()
    {
        QFETCH(int, report);
        QFETCH(int, keeping);
        const BillReportFilter f {{2004, 9}, {2006, 4}, {}, {}, {}, {}};
        const ReportRun::Computation work = [report, f](const QSqlDatabase &db, ScratchSink &out, QString *e) {
            switch (report) {
            case 6:
                // More rows than a batch holds, with texts, amounts, counts, dates and empty rows.
                for (int i = 0; i < 4500; ++i) {
                    ScratchRow row;
                    if (i % 7 != 0) {
                        row << ScratchCell {"texta", QStringLiteral("房屋%1").arg(i % 50)};
                    }
                    if (i % 11 == 0) {
                        // Texts a server's COPY must escape, and an empty one (not none).
                        row << ScratchCell {"textb", i % 2 ? QStringLiteral("甲\t乙\\丙\n丁\r") : QStringLiteral("")};
                    }
                    if (i % 3 == 0) {
                        row << ScratchCell {"moneyb", QVariant::fromValue(Money::fromRaw(i * 125 - 9000))};
                    }
                    if (i % 5 == 0) {
                        row << ScratchCell {"numberc", i}
                            << ScratchCell {"datea", QStringLiteral("2004-09-01 00:00:00")};
                    }
                    if (!out.append(std::move(row))) {
                        return false;
                    }
                }
                return true;
            case 0:
                return BillReports::arrears(db, f, out, e);
            case 1:
                return BillReports::monthTotals(db, f, out, e);
            case 2:
                return BillReports::itemTotals(db, f, out, e);
            default:
                return BillReports::listing(db, BillReports::Listing(report - 3), f, out, e);
            }
        };
        DataSet *shown = Dm1::instance()->q_tongyong;
        if (keeping == AtOnce) {
            QString error;
            QVERIFY2(ReportRun::runHere(work, shown, &error), qPrintable(error));
        } else {
            ReportRun run;
            QSignalSpy finished(&run, &ReportRun::finished);
            QVERIFY(run.start(work, shown, nullptr,
                              keeping == ByWorker ? ReportRun::KeepRows::OnWorker : ReportRun::KeepRows::OnWindow));
            QVERIFY(finished.wait(20000));
            QVERIFY2(finished.constFirst().at(0).toBool(), qPrintable(finished.constFirst().at(1).toString()));
        }
        QVERIFY(shown->recordCount() > 10);
        DataSet stored;
        QVERIFY2(stored.openOn({QStringLiteral("select * from 通用"), QStringLiteral("order by id")}),
                 qPrintable(stored.lastError()));
        QCOMPARE(shown->fieldNames(), stored.fieldNames());
        QCOMPARE(shown->recordCount(), stored.recordCount());
        for (int row = 0; row < stored.recordCount(); ++row) {
            for (int c = 0; c < stored.fieldCount(); ++c) {
                const QVariant a = shown->value(row, c), b = stored.value(row, c);
                if (a != b || a.isNull() != b.isNull() || a.metaType() != b.metaType()) {
                    QFAIL(qPrintable(QStringLiteral("row %1, %2: shown %3, stored %4")
                                         .arg(row)
                                         .arg(stored.fieldNames()[c], a.toString(), b.toString())));
                }
                QCOMPARE(shown->displayText(row, c), stored.displayText(row, c));
            }
        }
        // Sorting by a title reads 通用 again and finds the same rows.
        shown->setOrderingLine(QStringLiteral("order by id desc"));
        QVERIFY(shown->reopen());
        QCOMPARE(shown->recordCount(), stored.recordCount());
        QCOMPARE(shown->value(0, 0), stored.value(stored.recordCount() - 1, 0));
    }

    // A run stops when the operator cancels it: between rows, and inside a statement that
    // would run for hours. The event loop keeps turning meanwhile (the cancel comes from a
    // timer), nothing of the run stays in 通用, and a failed statement is reported.
    void runsCanBeCancelled_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("endless rows") << "rows";
        QTest::newRow("endless statement") << "statement";
        QTest::newRow("refused statement") << "refused";
    }
    void runsCanBeCancelled()
    {
        QFETCH(QString, kind);
        DataSet *scratch = Dm1::instance()->q_tongyong;
        QVERIFY(Dm1::instance()->exec(QStringLiteral("insert into 通用 (texta) values ('上一个报表')")));
        const ReportRun::Computation work = [kind](const QSqlDatabase &db, ScratchSink &out, QString *error) {
            if (kind == QLatin1String("rows")) {
                for (qint64 i = 0;; ++i) {
                    if (!out.append({{"texta", QString::number(i)}})) {
                        *error = QStringLiteral("stopped");
                        return false;
                    }
                }
            }
            QSqlQuery q(db);
            const bool ok =
                q.exec(kind == QLatin1String("statement")
                           ? QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                                            "WHERE i < 10000000000) SELECT count(*) FROM n")
                           : QStringLiteral("SELECT 没有的列 FROM 收费明细表"));
            *error = q.lastError().text();
            return ok;
        };
        ReportRun run;
        QSignalSpy finished(&run, &ReportRun::finished);
        QVERIFY(run.start(work, scratch));
        QVERIFY(run.isRunning());
        QCOMPARE(scratch->recordCount(), 0);
        QTimer cancel;
        QObject::connect(&cancel, &QTimer::timeout, &run, [&] {
            if (kind != QLatin1String("rows") || run.rowsWritten() > 0) {
                run.cancel();
            }
        });
        cancel.start(50);
        // The endless statement ends only when cancelled (how soon: bench/bench_reports).
        QVERIFY(finished.wait(20000));
        QCOMPARE(finished.constFirst().at(0).toBool(), false);
        const QString error = finished.constFirst().at(1).toString();
        QCOMPARE(error.isEmpty(), kind != QLatin1String("refused"));
        QVERIFY2(kind != QLatin1String("refused") || error.contains(QStringLiteral("没有的列")), qPrintable(error));
        QVERIFY(!run.isRunning());
        QCOMPARE(Dm1::instance()->scalar(QStringLiteral("select count(*) from 通用")).toInt(), 0);
        QVERIFY(scratch->isOpen());
        QCOMPARE(scratch->recordCount(), 0);
    }
};

PARVELL_BACKENDS_GUILESS_MAIN(TestReportRows)
#include "tst_reportrows.moc"
