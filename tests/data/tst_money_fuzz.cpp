// Money::parse against an exact decimal reference written here on digit strings: thousands of
// generated texts (a fixed seed, so every run checks the same ones) around the places where
// fixed-point parsing goes wrong: many decimals, ties, the range limit, 64-bit wrap-around
// values, grouping commas and junk.
#include "data/money.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>
#include <algorithm>

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool allDigits(const QString &s)
{
    return std::all_of(s.cbegin(), s.cend(), isDigit);
}

// "0042" → "42", "000" → "0".
QString stripZeros(const QString &digits)
{
    int i = 0;
    while (i + 1 < digits.size() && digits[i] == QLatin1Char('0')) {
        ++i;
    }
    return digits.mid(i);
}

// Adds one to a string of decimal digits.
QString increment(QString digits)
{
    for (int i = int(digits.size()) - 1; i >= 0; --i) {
        if (digits[i] != QLatin1Char('9')) {
            digits[i] = QChar(digits[i].unicode() + 1);
            return digits;
        }
        digits[i] = QLatin1Char('0');
    }
    return QLatin1Char('1') + digits;
}

// a <= b for digit strings without leading zeros.
bool notGreater(const QString &a, const QString &b)
{
    return a.size() != b.size() ? a.size() < b.size() : a <= b;
}

struct Expected
{
    bool valid = false;
    QString raw; // the count of ten-thousandths in decimal, with "-" when negative
    QString text; // the shortest money text
};

// The amount a text means: optional blanks around, an optional sign, digits with an optional
// point and decimals (at least one digit in all); commas only between groups of three whole
// digits. Rounded half to even at the fourth decimal; refused beyond a million million.
Expected reference(const QString &input)
{
    Expected out;
    QString s = input.trimmed();
    bool negative = false;
    if (!s.isEmpty() && (s[0] == QLatin1Char('+') || s[0] == QLatin1Char('-'))) {
        negative = s[0] == QLatin1Char('-');
        s.remove(0, 1);
    }
    const int point = int(s.indexOf(QLatin1Char('.')));
    QString whole = point < 0 ? s : s.left(point);
    const QString fraction = point < 0 ? QString() : s.mid(point + 1);
    if (whole.contains(QLatin1Char(','))) {
        const QStringList groups = whole.split(QLatin1Char(','));
        if (groups[0].isEmpty() || groups[0].size() > 3) {
            return out;
        }
        for (int i = 1; i < groups.size(); ++i) {
            if (groups[i].size() != 3) {
                return out;
            }
        }
        whole.remove(QLatin1Char(','));
    }
    if (!allDigits(whole) || !allDigits(fraction) || (whole.isEmpty() && fraction.isEmpty())) {
        return out;
    }
    QString kept = fraction.left(4);
    kept += QString(4 - kept.size(), QLatin1Char('0'));
    QString digits = stripZeros(whole + kept);
    const QString rest = fraction.mid(4);
    if (!rest.isEmpty()) {
        const QChar first = rest[0];
        const bool beyondHalf = rest.mid(1).contains(QRegularExpression(QStringLiteral("[1-9]")));
        const bool odd = (digits.back().unicode() - '0') % 2 == 1;
        if (first > QLatin1Char('5') || (first == QLatin1Char('5') && (beyondHalf || odd))) {
            digits = increment(digits);
        }
    }
    digits = stripZeros(digits);
    if (!notGreater(digits, QStringLiteral("10000000000000000"))) {
        return out;
    }
    out.valid = true;
    const bool isZero = digits == QLatin1String("0");
    out.raw = (negative && !isZero ? QStringLiteral("-") : QString()) + digits;
    QString padded = QString(qMax<qsizetype>(0, 5 - digits.size()), QLatin1Char('0')) + digits;
    QString units = padded.left(padded.size() - 4);
    QString decimals = padded.right(4);
    while (decimals.endsWith(QLatin1Char('0'))) {
        decimals.chop(1);
    }
    out.text = (negative && !isZero ? QStringLiteral("-") : QString()) + units
        + (decimals.isEmpty() ? QString() : QLatin1Char('.') + decimals);
    return out;
}

class Texts
{
public:
    explicit Texts(quint32 seed)
        : m_random(seed)
    { }

    QString next()
    {
        switch (m_random.bounded(10)) {
        case 0:
            return junk();
        case 1:
        case 2:
            return nearTheLimit();
        case 3:
            return grouped();
        default:
            return plain();
        }
    }

private:
    int below(int n) { return int(m_random.bounded(n)); }
    // Digits weighted towards 0, 5 and 9, where ties and carries happen.
    QString digits(int n)
    {
        static const char pool[] = "0123456789000555999";
        QString s;
        for (int i = 0; i < n; ++i) {
            s += QLatin1Char(pool[below(int(sizeof(pool)) - 1)]);
        }
        return s;
    }
    QString sign()
    {
        const int r = below(6);
        return r == 0 ? QStringLiteral("-") : r == 1 ? QStringLiteral("+") : QString();
    }
    QString blanks() { return below(8) == 0 ? QStringLiteral(" ") : QString(); }
    QString fraction()
    {
        if (below(4) == 0) {
            return {};
        }
        const int n = below(3) == 0 ? below(30) : below(7);
        return QLatin1Char('.') + digits(n);
    }
    QString plain()
    {
        const int n = below(5) == 0 ? below(22) : below(14);
        return blanks() + sign() + digits(n) + fraction() + blanks();
    }
    QString grouped()
    {
        QString whole = digits(1 + below(3));
        const int groups = below(6);
        for (int i = 0; i < groups; ++i) {
            // Now and then a group of the wrong size.
            whole += QLatin1Char(',') + digits(below(10) == 0 ? below(5) : 3);
        }
        return sign() + whole + fraction();
    }
    QString nearTheLimit()
    {
        static const QStringList stems = {
            QStringLiteral("999999999999.9999"),
            QStringLiteral("1000000000000"),
            QStringLiteral("1000000000000.0000"),
            QStringLiteral("922337203685477.5807"),
            QStringLiteral("922337203685477.5808"),
            QStringLiteral("1844674407371055.1616"),
            QStringLiteral("999999999999999.9999"),
            QStringLiteral("0.0000"),
            QStringLiteral("0.0001"),
            QStringLiteral("716.7526"),
        };
        return sign() + stems[below(int(stems.size()))] + digits(below(25));
    }
    QString junk()
    {
        static const QString pool = QStringLiteral("0123456789.,+- e\tx");
        QString s;
        const int n = below(12);
        for (int i = 0; i < n; ++i) {
            s += pool[below(int(pool.size()))];
        }
        return s;
    }

    QRandomGenerator m_random;
};

}

class TestMoneyFuzz : public QObject
{
    Q_OBJECT
private slots:
    // The reference itself, on the cases the fuzzing is about.
    void referenceAgreesWithHand_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("raw"); // empty: refused
        QTest::newRow("tie to even") << "0.00005"
                                     << "0";
        QTest::newRow("tie up to even") << "0.00015"
                                        << "2";
        QTest::newRow("far digit decides") << "716.75265000000000000001"
                                           << "7167527";
        QTest::newRow("carry into the units") << "-9.99995"
                                              << "-100000";
        QTest::newRow("beyond the limit") << "1000000000000.00006"
                                          << "";
        QTest::newRow("the limit by a tie") << "1000000000000.00005"
                                            << "10000000000000000";
    }
    void referenceAgreesWithHand()
    {
        QFETCH(QString, text);
        QFETCH(QString, raw);
        const Expected e = reference(text);
        QCOMPARE(e.valid, !raw.isEmpty());
        QCOMPARE(e.raw, raw);
    }

    void parseMatchesExactDecimalArithmetic()
    {
        constexpr int Cases = 5000;
        Texts texts(20040815);
        int valid = 0;
        int failures = 0;
        for (int i = 0; i < Cases; ++i) {
            const QString text = texts.next();
            const Expected e = reference(text);
            const auto m = Money::parse(text);
            const QString got = m ? QString::number(m->raw()) : QString();
            const QString shown = m ? m->toString() : QString();
            if (m.has_value() != e.valid || got != e.raw || shown != e.text) {
                if (++failures <= 10) {
                    qWarning("\"%s\": expected %s (%s), got %s (%s)", qPrintable(text),
                             e.valid ? qPrintable(e.raw) : "refusal", qPrintable(e.text),
                             m ? qPrintable(got) : "refusal", qPrintable(shown));
                }
            }
            valid += e.valid ? 1 : 0;
        }
        qInfo("%d texts, %d amounts, %d refusals, %d disagreements", Cases, valid, Cases - valid, failures);
        // The generator must reach both sides, or the comparison proves little.
        QVERIFY(valid > Cases / 3 && Cases - valid > Cases / 10);
        QCOMPARE(failures, 0);
    }
};

QTEST_GUILESS_MAIN(TestMoneyFuzz)
#include "tst_money_fuzz.moc"
