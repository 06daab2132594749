// The collection rate, month by month and building by building, computed by one grouped
// statement, against a loop kept here: one set of statements per month and per house, summed
// building by building, with its own rounding of the rate.
#include "backend.h"
#include "data/transaction.h"
#include "reportfixture.h"
#include "reports/core/collectionrates.h"
#include "temphome.h"

#include <QMap>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTest>

namespace {

const QString Paid = QStringLiteral("(缴费状态 <> '未缴费' AND 缴费状态 <> '')");
const QString Unpaid = QStringLiteral("(缴费状态 IS NULL OR 缴费状态 = '未缴费' OR 缴费状态 = '')");

QVariant one(const QString &sql, const QVariantList &binds)
{
    QSqlQuery q(Dm1::instance()->database());
    q.prepare(sql);
    for (const QVariant &v : binds) {
        q.addBindValue(v);
    }
    return q.exec() && q.next() ? q.value(0) : QVariant();
}

// The rate as an office clerk works it out: percent to one decimal, half away from zero.
QString referenceRate(Money paid, Money billed)
{
    if (billed.isZero()) {
        return QStringLiteral("—");
    }
    const qint64 p = paid.raw() * 1000, b = billed.raw();
    qint64 q = p / b, r = p % b;
    if (2 * std::abs(r) >= std::abs(b)) {
        q += (p < 0) == (b < 0) ? 1 : -1;
    }
    return QStringLiteral("%1%2.%3%").arg(q < 0 ? "-" : "").arg(std::abs(q) / 10).arg(std::abs(q) % 10);
}

// Month by month, house by house: each house's lines summed, its paid lines summed, whether it
// has an unpaid line; the houses then added up into their building (or into the whole estate).
QList<RowText> reference(const CollectionFilter &f)
{
    QList<RowText> out;
    for (int k = f.from.step(); k <= f.to.step(); ++k) {
        const YearMonth ym = YearMonth::fromStep(k);
        QString where = QStringLiteral("(年度 = ?)and(月份 = ?)");
        QVariantList binds {ym.yearText(), ym.monthText()};
        if (!f.building.trimmed().isEmpty()) {
            where += QStringLiteral("and(楼宇名称 = ?)");
            binds << f.building;
        }
        if (!f.feeName.trimmed().isEmpty()) {
            where += QStringLiteral("and(收费名称 = ?)");
            binds << f.feeName;
        }
        struct Sum
        {
            Money billed, paid;
            int houses = 0, negative = 0;
            bool any = false;
        };
        QMap<QString, Sum> byBuilding; // ordered as the test's building names sort
        QSqlQuery houses(Dm1::instance()->database());
        houses.prepare(QStringLiteral("select distinct 房屋代码, 楼宇名称 from 收费明细表 where ") + where);
        for (const QVariant &v : binds) {
            houses.addBindValue(v);
        }
        houses.exec();
        while (houses.next()) {
            const QVariant code = houses.value(0), building = houses.value(1);
            QString w = where
                + (code.isNull() ? QStringLiteral("and(房屋代码 IS NULL)") : QStringLiteral("and(房屋代码 = ?)"))
                + (building.isNull() ? QStringLiteral("and(楼宇名称 IS NULL)") : QStringLiteral("and(楼宇名称 = ?)"));
            QVariantList b = binds;
            if (!code.isNull()) {
                b << code;
            }
            if (!building.isNull()) {
                b << building;
            }
            const auto sum = [&](const QString &extra) {
                return Money::fromStored(
                           one(QStringLiteral("select sum(收费金额) from 收费明细表 where ") + w + extra, b))
                    .value();
            };
            Sum &s = byBuilding[f.byBuilding ? building.toString() : QString()];
            s.any = true;
            s.billed += sum({});
            s.paid += sum(QStringLiteral("and") + Paid);
            s.negative +=
                one(QStringLiteral("select count(*) from 收费明细表 where ") + w + QStringLiteral("and(收费金额 < 0)"),
                    b)
                    .toInt();
            if (!code.isNull()
                && one(QStringLiteral("select count(*) from 收费明细表 where ") + w + QStringLiteral("and") + Unpaid, b)
                        .toInt()
                    > 0) {
                ++s.houses;
            }
        }
        for (auto it = byBuilding.cbegin(); it != byBuilding.cend(); ++it) {
            const Sum &s = it.value();
            RowText r {{"texta", ym.yearCaption()},
                       {"textb", ym.monthCaption()},
                       {"textc",
                        f.byBuilding                         ? it.key()
                            : f.building.trimmed().isEmpty() ? QString()
                                                             : f.building},
                       {"moneya", s.billed.toString()},
                       {"moneyb", s.paid.toString()},
                       {"moneyc", (s.billed - s.paid).toString()},
                       {"textd", referenceRate(s.paid, s.billed)},
                       {"numbera", QString::number(s.houses)},
                       {"numberb", QString::number(s.negative)},
                       {"numberc", QString::number(k)}};
            if (s.negative > 0) {
                r.insert(QStringLiteral("texte"), QStringLiteral("含负数金额"));
            }
            if (r.value("textc").isEmpty()) {
                r.remove(QStringLiteral("textc"));
            }
            out << r;
        }
    }
    return out;
}

void line(const QString &house, const QVariant &building, const QString &fee, YearMonth ym, qint64 raw,
          const QVariant &state)
{
    QSqlQuery q(Dm1::instance()->database());
    q.prepare(QStringLiteral("insert into 收费明细表 (房屋代码, 楼宇名称, 业主名称, 收费名称, 收费金额, 年度, 月份, "
                             "缴费状态) values (?,?,'业主',?,?,?,?,?)"));
    for (const QVariant &v : QVariantList {house, building, fee, raw, ym.yearText(), ym.monthText(), state}) {
        q.addBindValue(v);
    }
    QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
}

// Three buildings (names the test's QMap orders as the pinyin order does: "A座" before "B座"
// before "C座"), billed from November 2023 to February 2025 except June 2024, with unpaid,
// partly paid, empty-state and state-less months, amounts to the ten-thousandth, negative
// amounts, a fully paid month and lines without a building.
void generateEstate()
{
    Transaction tx;
    QVERIFY(tx.begun());
    QRandomGenerator rng(20240301);
    const QStringList buildings {QStringLiteral("A座"), QStringLiteral("B座"), QStringLiteral("C座")};
    const QStringList fees {QStringLiteral("物业管理费"), QStringLiteral("水费"), QStringLiteral("电费")};
    const QList<QVariant> states {QStringLiteral("未缴费"),
                                  QStringLiteral("未缴费"),
                                  QStringLiteral("现金"),
                                  QStringLiteral("现金"),
                                  QStringLiteral("银行转帐"),
                                  QStringLiteral(""),
                                  QVariant()};
    for (YearMonth ym {2023, 11}; ym <= YearMonth {2025, 2}; ym = YearMonth::fromStep(ym.step() + 1)) {
        if (ym == YearMonth {2024, 6}) {
            continue;
        }
        for (int b = 0; b < 3; ++b) {
            for (int h = 1; h <= 6; ++h) {
                for (const QString &fee : fees) {
                    const qint64 raw =
                        rng.bounded(10) == 0 ? -qint64(rng.bounded(1, 90000)) : qint64(rng.bounded(0, 3000000)) + 1;
                    // August 2024: everything paid.
                    const QVariant state = ym == YearMonth {2024, 8} ? QVariant(QStringLiteral("现金"))
                                                                     : states[rng.bounded(int(states.size()))];
                    line(QStringLiteral("%1-%2").arg(b + 1).arg(100 + h), buildings[b], fee, ym, raw, state);
                }
            }
        }
    }
    line(QStringLiteral("9-001"), QVariant(), QStringLiteral("水费"), {2024, 3}, 123456, QStringLiteral("未缴费"));
    line(QStringLiteral("9-002"), QStringLiteral(""), QStringLiteral("水费"), {2024, 3}, 5000, QStringLiteral("现金"));
    QVERIFY(tx.commit());
}

}

Q_DECLARE_METATYPE(CollectionFilter)

class TestCollectionRates : public QObject
{
    Q_OBJECT

    std::unique_ptr<TempHome> m_home;

private slots:
    void initTestCase()
    {
        m_home = std::make_unique<TempHome>();
        QVERIFY(m_home->ok());
        generateEstate();
    }
    void cleanupTestCase() { m_home.reset(); }

    // The rate from exact sums: one decimal, half away from zero, none without anything billed.
    void rate_data()
    {
        QTest::addColumn<qint64>("paid");
        QTest::addColumn<qint64>("billed");
        QTest::addColumn<QString>("text");
        QTest::newRow("nothing billed") << 0LL << 0LL << "—";
        QTest::newRow("all paid") << 12345678LL << 12345678LL << "100.0%";
        QTest::newRow("nothing paid") << 0LL << 5LL << "0.0%";
        QTest::newRow("a third") << 1LL << 3LL << "33.3%";
        QTest::newRow("two thirds") << 2LL << 3LL << "66.7%";
        QTest::newRow("half a tenth rounds up") << 1LL << 2000LL << "0.1%";
        QTest::newRow("just below a half tenth") << 4999LL << 10000000LL << "0.0%";
        QTest::newRow("one ten-thousandth short") << 99999999LL << 100000000LL << "100.0%";
        QTest::newRow("credit in the month") << 150LL << 100LL << "150.0%";
        QTest::newRow("negative billed") << 50LL << -100LL << "-50.0%";
        // Sums far beyond what a fee comes to stay exact.
        QTest::newRow("huge sums") << 3'000'000'000'000'000'000LL << 9'000'000'000'000'000'000LL << "33.3%";
    }
    void rate()
    {
        QFETCH(qint64, paid);
        QFETCH(qint64, billed);
        QFETCH(QString, text);
        QCOMPARE(CollectionRates::rateText(CollectionRates::rateTenths(Money::fromRaw(paid), Money::fromRaw(billed))),
                 text);
    }

    void sameAsReference_data()
    {
        QTest::addColumn<CollectionFilter>("filter");
        const auto f = [](YearMonth a, YearMonth b, bool byBuilding, const QString &building = {},
                          const QString &fee = {}) {
            return CollectionFilter {a, b, building, fee, byBuilding};
        };
        QTest::newRow("whole period") << f({2023, 11}, {2025, 2}, false);
        QTest::newRow("whole period by building") << f({2023, 11}, {2025, 2}, true);
        QTest::newRow("a year by building") << f({2024, 1}, {2024, 12}, true);
        QTest::newRow("one building") << f({2024, 1}, {2024, 12}, false, QStringLiteral("B座"));
        QTest::newRow("one building by building") << f({2024, 1}, {2024, 12}, true, QStringLiteral("B座"));
        QTest::newRow("one fee item") << f({2024, 1}, {2024, 12}, true, {}, QStringLiteral("水费"));
        QTest::newRow("building and fee item")
            << f({2023, 11}, {2024, 4}, false, QStringLiteral("A座"), QStringLiteral("电费"));
        QTest::newRow("blank filters") << f({2024, 2}, {2024, 5}, true, QStringLiteral("  "), QStringLiteral(" "));
        QTest::newRow("month without lines") << f({2024, 6}, {2024, 6}, true);
        QTest::newRow("before any line") << f({2020, 1}, {2023, 10}, false);
        QTest::newRow("no such building") << f({2023, 11}, {2025, 2}, true, QStringLiteral("D座"));
    }
    // Rows, sums, rates and house counts identical to the loop's, in month and building order.
    void sameAsReference()
    {
        QFETCH(CollectionFilter, filter);
        KeepRows rows;
        QString error;
        QVERIFY2(CollectionRates::toScratch(Dm1::instance()->database(), filter, rows, &error), qPrintable(error));
        const QList<RowText> expected = reference(filter);
        QCOMPARE(rows.rows, expected);
        const QByteArray tag = QTest::currentDataTag();
        if (tag == "whole period by building") {
            // The estate gives every case something to show: the buildingless lines of March
            // 2024, negative lines, a month wholly paid.
            QCOMPARE(rows.rows.size(), 15 * 3 + 1);
            QVERIFY(std::any_of(rows.rows.cbegin(), rows.rows.cend(),
                                [](const RowText &r) { return r.value("texte") == QStringLiteral("含负数金额"); }));
            QVERIFY(std::any_of(rows.rows.cbegin(), rows.rows.cend(), [](const RowText &r) {
                return r.value("texta") == QStringLiteral("2024年") && r.value("textb") == QStringLiteral("8月")
                    && r.value("textd") == QStringLiteral("100.0%") && r.value("numbera") == QStringLiteral("0");
            }));
        }
        if (tag == "month without lines" || tag == "before any line" || tag == "no such building") {
            QVERIFY(rows.rows.isEmpty());
        }
    }
};

PARVELL_BACKENDS_GUILESS_MAIN(TestCollectionRates)
#include "tst_collectionrates.moc"
