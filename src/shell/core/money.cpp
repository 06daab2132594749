#include "shell/core/money.h"

#include <QRegularExpression>
#include <cmath>

namespace {
// n / d (d > 0) as an integer, rounded the given way; the one division of amounts.
__int128 divideRounded(__int128 n, __int128 d, Money::Rounding how)
{
    __int128 q = n / d; // towards zero
    const __int128 r = n % d; // same sign as n
    if (r == 0) {
        return q;
    }
    switch (how) {
    case Money::Rounding::Ceiling:
        return r > 0 ? q + 1 : q;
    case Money::Rounding::Floor:
        return r < 0 ? q - 1 : q;
    case Money::Rounding::HalfEven:
        break;
    }
    const __int128 twice = 2 * (r < 0 ? -r : r);
    if (twice > d || (twice == d && (q % 2 != 0))) {
        q += (n < 0) ? -1 : 1;
    }
    return q;
}

qint64 divideRoundHalfEven(__int128 n, qint64 d)
{
    return static_cast<qint64>(divideRounded(n, d, Money::Rounding::HalfEven));
}

// Held at the limit rather than wrapped.
Money bounded(__int128 raw)
{
    const __int128 limit = Money::MaxRaw;
    return Money::fromRaw(static_cast<qint64>(raw > limit ? limit : raw < -limit ? -limit : raw));
}
}

std::optional<Money> Money::parse(const QString &text)
{
    QString s = text.trimmed();
    if (s.contains(QLatin1Char(','))) {
        // Commas only as thousands separators: "1,234.5" is 1234.5, "1,5" is no amount.
        static const QRegularExpression grouped(QStringLiteral("^[+-]?\\d{1,3}(,\\d{3})+(\\.\\d*)?$"));
        if (!grouped.match(s).hasMatch()) {
            return std::nullopt;
        }
        s.remove(QLatin1Char(','));
    }
    if (s.isEmpty()) {
        return std::nullopt;
    }
    bool negative = false;
    int i = 0;
    if (s[0] == QLatin1Char('-') || s[0] == QLatin1Char('+')) {
        negative = s[0] == QLatin1Char('-');
        i = 1;
    }
    __int128 whole = 0;
    int wholeDigits = 0;
    for (; i < s.size() && s[i].isDigit(); ++i, ++wholeDigits) {
        whole = whole * 10 + s[i].digitValue();
        if (whole > __int128(1) << 80) {
            return std::nullopt;
        }
    }
    __int128 frac = 0;
    qint64 fracScale = 1;
    int fracDigits = 0;
    if (i < s.size() && s[i] == QLatin1Char('.')) {
        for (++i; i < s.size() && s[i].isDigit(); ++i, ++fracDigits) {
            if (fracDigits < 15) {
                frac = frac * 10 + s[i].digitValue();
                fracScale *= 10;
            }
        }
    }
    if (i != s.size() || (wholeDigits == 0 && fracDigits == 0)) {
        return std::nullopt;
    }
    // whole.frac in units of 1/fracScale, brought to ten-thousandths.
    const __int128 total = whole * fracScale + frac;
    const __int128 raw =
        fracScale <= Scale ? total * (Scale / fracScale) : __int128(divideRoundHalfEven(total, fracScale / Scale));
    if (raw > MaxRaw) {
        return std::nullopt;
    }
    return fromRaw(static_cast<qint64>(negative ? -raw : raw));
}

Money Money::fromStored(const QVariant &v)
{
    if (v.isNull()) {
        return {};
    }
    if (v.typeId() == QMetaType::Double) {
        // A real (never written by this program) counts ten-thousandths like an integer would.
        return fromRaw(qBound(-MaxRaw, qRound64(v.toDouble()), MaxRaw));
    }
    if (v.typeId() == QMetaType::QString) {
        return parse(v.toString()).value_or(Money());
    }
    return fromRaw(v.toLongLong());
}

Money Money::fromReal(double value)
{
    // Take the decimal text of the real number (shortest round-trip form), then round it as
    // text, so 2.675 becomes 2.675 and not 2.67499999.
    const auto m = parse(QString::number(value, 'f', 10));
    if (m) {
        return *m;
    }
    // Beyond the limit (or not a number): held at the limit, never wrapped around.
    if (!(value == value)) {
        return {};
    }
    return fromRaw(value > 0 ? MaxRaw : -MaxRaw);
}

Money Money::operator*(Money o) const
{
    // The exact product in 128 bits, rounded, and held at the limit rather than wrapped.
    const __int128 product = __int128(m_raw) * o.m_raw;
    const __int128 limit = __int128(MaxRaw) * Scale;
    if (product > limit) {
        return fromRaw(MaxRaw);
    }
    if (product < -limit) {
        return fromRaw(-MaxRaw);
    }
    return fromRaw(divideRoundHalfEven(product, Scale));
}

Money Money::dividedBy(qint64 n, Rounding how) const
{
    Q_ASSERT(n > 0);
    return n > 0 ? fromRaw(static_cast<qint64>(divideRounded(m_raw, n, how))) : *this;
}

Money Money::roundedTo(Money step, Rounding how) const
{
    Q_ASSERT(step.m_raw > 0);
    if (step.m_raw <= 0) {
        return *this;
    }
    return bounded(divideRounded(m_raw, step.m_raw, how) * step.m_raw);
}

qint64 Money::toUnits(Rounding how) const
{
    return static_cast<qint64>(divideRounded(m_raw, Scale, how));
}

QString Money::toString(int decimals) const
{
    decimals = qBound(0, decimals, 4);
    qint64 div = 1;
    for (int i = decimals; i < 4; ++i) {
        div *= 10;
    }
    const qint64 scaled = divideRoundHalfEven(m_raw, div);
    const qint64 unit = Scale / div;
    const qint64 a = scaled < 0 ? -scaled : scaled;
    QString s = QString::number(a / unit);
    if (decimals > 0) {
        s += QLatin1Char('.') + QStringLiteral("%1").arg(a % unit, decimals, 10, QLatin1Char('0'));
    }
    return scaled < 0 ? QLatin1Char('-') + s : s;
}

QString Money::toString() const
{
    QString s = toString(4);
    if (s.contains(QLatin1Char('.'))) {
        while (s.endsWith(QLatin1Char('0'))) {
            s.chop(1);
        }
        if (s.endsWith(QLatin1Char('.'))) {
            s.chop(1);
        }
    }
    return s == QLatin1String("-0") ? QStringLiteral("0") : s;
}
