#include "data/money.h"

#include <QTest>
#include <limits>

class TestMoney : public QObject
{
    Q_OBJECT
private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<qint64>("raw");
        QTest::newRow("whole") << "12" << true << qint64(120000);
        QTest::newRow("decimals") << "12.5" << true << qint64(125000);
        QTest::newRow("four places") << "3.3333" << true << qint64(33333);
        QTest::newRow("negative") << "-3.25" << true << qint64(-32500);
        QTest::newRow("leading point") << ".5" << true << qint64(5000);
        QTest::newRow("blanks and grouping") << " 1,234.5 " << true << qint64(12345000);
        QTest::newRow("two groups") << "-1,234,567" << true << qint64(-12345670000);
        QTest::newRow("comma as decimal point") << "1,5" << false << qint64(0);
        QTest::newRow("misplaced comma") << "12,34.5" << false << qint64(0);
        QTest::newRow("fifth place rounds half to even down") << "0.00005" << true << qint64(0);
        QTest::newRow("fifth place rounds half to even up") << "0.00015" << true << qint64(2);
        QTest::newRow("above half") << "0.000051" << true << qint64(1);
        QTest::newRow("empty") << "" << false << qint64(0);
        QTest::newRow("letters") << "12a" << false << qint64(0);
        QTest::newRow("two points") << "1.2.3" << false << qint64(0);
        QTest::newRow("sign only") << "-" << false << qint64(0);
        QTest::newRow("largest amount") << "1000000000000" << true << qint64(10000000000000000);
        QTest::newRow("beyond the largest amount") << "1000000000000.0001" << false << qint64(0);
        QTest::newRow("a mistyped huge amount") << "1000000000000000" << false << qint64(0);
        // Beyond the range with more than four decimals: refused, never wrapped around 64 bits.
        QTest::newRow("wraps to 100") << "1844674407371055.16160" << false << qint64(0);
        QTest::newRow("wraps negative") << "999999999999999.99999" << false << qint64(0);
        QTest::newRow("the smallest 64-bit count") << "-922337203685477.58080" << false << qint64(0);
        QTest::newRow("the limit reached by rounding") << "999999999999.99995" << true << qint64(10000000000000000);
        QTest::newRow("beyond by rounding") << "-1000000000000.00006" << false << qint64(0);
        // Every decimal counts, however far out.
        QTest::newRow("a far digit above half") << "716.75265000000000000001" << true << qint64(7167527);
        QTest::newRow("a far digit below half") << "716.75274999999999999999" << true << qint64(7167527);
        QTest::newRow("leading zeros") << "0000000000000000000000012.5" << true << qint64(125000);
    }
    void parse()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(qint64, raw);
        const auto m = Money::parse(text);
        QCOMPARE(m.has_value(), valid);
        if (valid) {
            QCOMPARE(m->raw(), raw);
        }
    }

    void shortestText_data()
    {
        QTest::addColumn<qint64>("raw");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << "0";
        QTest::newRow("half") << qint64(125000) << "12.5";
        QTest::newRow("negative") << qint64(-32500) << "-3.25";
        QTest::newRow("smallest") << qint64(1) << "0.0001";
        QTest::newRow("negative smallest") << qint64(-1) << "-0.0001";
        QTest::newRow("whole") << qint64(1000000) << "100";
    }
    void shortestText()
    {
        QFETCH(qint64, raw);
        QFETCH(QString, text);
        QCOMPARE(Money::fromRaw(raw).toString(), text);
        QCOMPARE(Money::parse(text)->raw(), raw);
    }

    // A product of two amounts is rounded to the nearest 0.0001, ties to the even digit.
    void product_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<QString>("product");
        QTest::newRow("tie goes to even") << "2.5"
                                          << "0.0001"
                                          << "0.0002";
        QTest::newRow("tie stays even") << "1.5"
                                        << "0.0001"
                                        << "0.0002";
        QTest::newRow("tie down to even") << "0.5"
                                          << "0.0001"
                                          << "0";
        QTest::newRow("rounds down") << "1.15"
                                     << "3.3333"
                                     << "3.8333";
        QTest::newRow("exact") << "35.5"
                               << "1.2"
                               << "42.6";
        QTest::newRow("negative tie") << "-2.5"
                                      << "0.0001"
                                      << "-0.0002";
        QTest::newRow("large") << "123456789.1234"
                               << "2"
                               << "246913578.2468";
    }
    void product()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(QString, product);
        QCOMPARE((*Money::parse(a) * *Money::parse(b)).toString(), product);
    }

    // Every 64-bit count prints as an amount, the extremes included.
    void extremeCountsPrint()
    {
        QCOMPARE(Money::fromRaw(std::numeric_limits<qint64>::min()).toString(),
                 QStringLiteral("-922337203685477.5808"));
        QCOMPARE(Money::fromRaw(std::numeric_limits<qint64>::max()).toString(), QStringLiteral("922337203685477.5807"));
        QCOMPARE(Money::fromRaw(std::numeric_limits<qint64>::min()).toString(2), QStringLiteral("-922337203685477.58"));
        QCOMPARE(Money::fromRaw(std::numeric_limits<qint64>::min() + 1).toString(0),
                 QStringLiteral("-922337203685478"));
    }

    void fixedDecimalsRoundHalfEven()
    {
        QCOMPARE(Money::parse(QStringLiteral("3.8333"))->toString(2), QStringLiteral("3.83"));
        QCOMPARE(Money::parse(QStringLiteral("0.125"))->toString(2), QStringLiteral("0.12"));
        QCOMPARE(Money::parse(QStringLiteral("0.135"))->toString(2), QStringLiteral("0.14"));
        QCOMPARE(Money::parse(QStringLiteral("-1.5"))->toString(0), QStringLiteral("-2"));
        QCOMPARE(Money::fromRaw(0).toString(2), QStringLiteral("0.00"));
    }

    void realTakenAsMoney()
    {
        QCOMPARE(Money::fromReal(89.56)->toString(), QStringLiteral("89.56"));
        QCOMPARE(Money::fromReal(2.675)->toString(), QStringLiteral("2.675"));
        QCOMPARE(Money::fromReal(0.00005)->raw(), qint64(0));
        QCOMPARE(Money::fromReal(0.00015)->raw(), qint64(2));
        QCOMPARE(Money::fromReal(-12.34567)->toString(), QStringLiteral("-12.3457"));
        // The real's own decimals decide, not a rounding to ten places first.
        QCOMPARE(Money::fromReal(0.00025000000001)->raw(), qint64(3));
        QCOMPARE(Money::fromReal(1e12)->raw(), Money::MaxRaw);
        // A tie is a tie whatever the binary digits behind the shortest text: 8777777.00005 is
        // stored as 8777777.0000500008, 24333331.00015 as 24333331.0001499988.
        QCOMPARE(Money::fromReal(8777777.00005)->toString(), QStringLiteral("8777777"));
        QCOMPARE(Money::fromReal(24333331.00015)->toString(), QStringLiteral("24333331.0002"));
    }

    // Products beyond the range are held at the limit, never wrapped to a negative; a real
    // beyond it, or no number at all, is no amount.
    void beyondTheRangeNeverWraps()
    {
        const Money big = Money::fromUnits(1000000000);
        QCOMPARE((big * big).raw(), Money::MaxRaw);
        QCOMPARE((big * -big).raw(), -Money::MaxRaw);
        QVERIFY(!Money::fromReal(1e16));
        QVERIFY(!Money::fromReal(-1e300));
        QVERIFY(!Money::fromReal(1e12 + 0.5));
        QVERIFY(!Money::fromReal(std::numeric_limits<double>::quiet_NaN()));
        QVERIFY(!Money::fromReal(-std::numeric_limits<double>::infinity()));
        QCOMPARE(Money::fromWhole(1000000000000)->raw(), Money::MaxRaw);
        QVERIFY(!Money::fromWhole(1000000000001));
        QVERIFY(!Money::fromWhole(std::numeric_limits<qint64>::min()));
        QCOMPARE(Money::fromStored(QVariant(12345.6))->raw(), qint64(12346));
    }

    // What a money column may hold: counts of ten-thousandths this program wrote, and whatever
    // another program put there, which is read in the same unit or shown as an error.
    void storedValues_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<QString>("shown"); // Money::UnreadableText when it is no amount
        const QString bad = QStringLiteral("金额有误");
        QTest::newRow("null") << QVariant() << "";
        QTest::newRow("count") << QVariant(qint64(125000)) << "12.5";
        QTest::newRow("largest") << QVariant(Money::MaxRaw) << "1000000000000";
        QTest::newRow("beyond the range") << QVariant(Money::MaxRaw + 1) << bad;
        QTest::newRow("smallest 64-bit") << QVariant(std::numeric_limits<qint64>::min()) << bad;
        QTest::newRow("real counts ten-thousandths") << QVariant(12345.6) << "1.2346";
        QTest::newRow("real tie to even") << QVariant(12344.5) << "1.2344";
        QTest::newRow("huge real") << QVariant(1e300) << bad;
        QTest::newRow("NaN") << QVariant(std::numeric_limits<double>::quiet_NaN()) << bad;
        QTest::newRow("numeric text as the database sums it") << QVariant(QStringLiteral("125000")) << "12.5";
        QTest::newRow("text with decimals") << QVariant(QStringLiteral("12.5")) << "0.0012";
        QTest::newRow("words") << QVariant(QStringLiteral("十二元")) << bad;
        QTest::newRow("empty text") << QVariant(QStringLiteral("")) << bad;
    }
    void storedValues()
    {
        QFETCH(QVariant, stored);
        QFETCH(QString, shown);
        QCOMPARE(Money::storedText(stored), shown);
        QCOMPARE(Money::fromStored(stored).has_value(), shown != Money::UnreadableText);
    }

    // Rounding to a step (the fen, the yuan, ten yuan) and dividing: ties to the even step, or
    // the ceiling or floor, both towards minus infinity below zero.
    void roundingToStepsAndDividing_data()
    {
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("step");
        QTest::addColumn<int>("divisor");
        QTest::addColumn<QString>("halfEven");
        QTest::addColumn<QString>("ceiling");
        QTest::addColumn<QString>("floor");
        QTest::newRow("to the yuan") << "12.3"
                                     << "1" << 1 << "12"
                                     << "13"
                                     << "12";
        QTest::newRow("a tie to the even yuan, down") << "12.5"
                                                      << "1" << 1 << "12"
                                                      << "13"
                                                      << "12";
        QTest::newRow("a tie to the even yuan, up") << "13.5"
                                                    << "1" << 1 << "14"
                                                    << "14"
                                                    << "13";
        QTest::newRow("already whole") << "40"
                                       << "10" << 1 << "40"
                                       << "40"
                                       << "40";
        QTest::newRow("to ten yuan") << "87.66"
                                     << "10" << 1 << "90"
                                     << "90"
                                     << "80";
        QTest::newRow("below zero") << "-12.3"
                                    << "1" << 1 << "-12"
                                    << "-12"
                                    << "-13";
        QTest::newRow("a tie below zero") << "-0.125"
                                          << "0.01" << 1 << "-0.12"
                                          << "-0.12"
                                          << "-0.13";
        QTest::newRow("half of an odd ten-thousandth") << "19.9999"
                                                       << "0.0001" << 2 << "10"
                                                       << "10"
                                                       << "9.9999";
        QTest::newRow("a third") << "100"
                                 << "0.0001" << 3 << "33.3333"
                                 << "33.3334"
                                 << "33.3333";
        QTest::newRow("a third below zero") << "-100"
                                            << "0.0001" << 3 << "-33.3333"
                                            << "-33.3333"
                                            << "-33.3334";
    }
    void roundingToStepsAndDividing()
    {
        QFETCH(QString, amount);
        QFETCH(QString, step);
        QFETCH(int, divisor);
        QFETCH(QString, halfEven);
        QFETCH(QString, ceiling);
        QFETCH(QString, floor);
        using R = Money::Rounding;
        const Money a = *Money::parse(amount);
        const Money s = *Money::parse(step);
        const auto result = [&](R how) { return a.dividedBy(divisor, how).roundedTo(s, how).toString(); };
        QCOMPARE(result(R::HalfEven), halfEven);
        QCOMPARE(result(R::Ceiling), ceiling);
        QCOMPARE(result(R::Floor), floor);
        if (divisor == 1 && step == QStringLiteral("1")) {
            QCOMPARE(QString::number(a.toUnits()), halfEven);
            QCOMPARE(QString::number(a.toUnits(R::Ceiling)), ceiling);
            QCOMPARE(QString::number(a.toUnits(R::Floor)), floor);
        }
    }

    void roundingNearTheLimitHolds()
    {
        const Money top = Money::fromRaw(Money::MaxRaw - 1);
        QCOMPARE(top.roundedTo(Money::fromUnits(10), Money::Rounding::Ceiling).raw(), Money::MaxRaw);
        QCOMPARE((-top).roundedTo(Money::fromUnits(7), Money::Rounding::Floor).raw(), -Money::MaxRaw);
    }

    // A number typed into a field: read exactly, or told what is wrong with it (malformed, too
    // many decimals, below zero, too large, in that order); full-width digits are digits.
    void typedNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<bool>("zeroOrMore");
        QTest::addColumn<int>("problem");
        QTest::addColumn<qint64>("raw");
        using P = Money::Problem;
        const auto p = [](P x) { return int(x); };
        QTest::newRow("whole") << "12" << 0 << true << p(P::None) << qint64(120000);
        QTest::newRow("a point in a whole number") << "3.5" << 0 << true << p(P::Decimals) << qint64(0);
        QTest::newRow("zeros after the point") << "3.00" << 0 << true << p(P::None) << qint64(30000);
        QTest::newRow("letters around") << "abc3.5x" << 0 << true << p(P::Malformed) << qint64(0);
        QTest::newRow("exponent") << "1e5" << 4 << true << p(P::Malformed) << qint64(0);
        QTest::newRow("fifth decimal") << "1.23456" << 4 << true << p(P::Decimals) << qint64(0);
        QTest::newRow("trailing zero is no decimal") << "1.23450" << 4 << true << p(P::None) << qint64(12345);
        QTest::newRow("below zero") << "-1" << 4 << true << p(P::Negative) << qint64(0);
        QTest::newRow("minus zero") << "-0" << 4 << true << p(P::None) << qint64(0);
        QTest::newRow("below zero allowed") << "-0.5" << 4 << false << p(P::None) << qint64(-5000);
        QTest::newRow("decimals told first") << "-1.23456" << 4 << true << p(P::Decimals) << qint64(0);
        QTest::newRow("full-width digits") << "１２.５" << 4 << true << p(P::None) << qint64(125000);
        QTest::newRow("beyond the range") << "1000000000000.5" << 4 << true << p(P::TooLarge) << qint64(0);
        QTest::newRow("far beyond") << "99999999999999999999999" << 4 << false << p(P::TooLarge) << qint64(0);
        QTest::newRow("blanks only") << "  " << 4 << true << p(P::Empty) << qint64(0);
    }
    void typedNumbers()
    {
        QFETCH(QString, text);
        QFETCH(int, decimals);
        QFETCH(bool, zeroOrMore);
        QFETCH(int, problem);
        QFETCH(qint64, raw);
        const Money::Reading r = Money::read(text, decimals, zeroOrMore);
        QCOMPARE(int(r.problem), problem);
        QCOMPARE(r.value.raw(), raw);
    }

    // Amounts on documents for owners: at least two decimals, and the ones the amount has.
    void writtenForOwners_data()
    {
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("written");
        QTest::newRow("two decimals") << "57.42"
                                      << "57.42";
        QTest::newRow("three decimals") << "8.915"
                                        << "8.915";
        QTest::newRow("four decimals") << "0.0001"
                                       << "0.0001";
        QTest::newRow("whole") << "120"
                               << "120.00";
        QTest::newRow("one decimal") << "-0.5"
                                     << "-0.50";
        QTest::newRow("zero") << "0"
                              << "0.00";
        QTest::newRow("large") << "1000000000000"
                               << "1000000000000.00";
    }
    void writtenForOwners()
    {
        QFETCH(QString, amount);
        QFETCH(QString, written);
        QCOMPARE(Money::parse(amount)->toWritten(), written);
    }

    void sumsAreExact()
    {
        Money total;
        for (int i = 0; i < 1000; ++i) {
            total += *Money::parse(QStringLiteral("0.1"));
        }
        QCOMPARE(total.toString(), QStringLiteral("100"));
        QCOMPARE((*Money::parse(QStringLiteral("0.3")) - *Money::parse(QStringLiteral("0.1"))).toString(),
                 QStringLiteral("0.2"));
    }
};

QTEST_GUILESS_MAIN(TestMoney)
#include "tst_money.moc"
