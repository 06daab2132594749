#include "data/money.h"

#include <QRegularExpression>
#include <charconv>
#include <cmath>
#include <iterator>

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

// A plain decimal number rounded half to even at `places` decimals, as a count of 10^-places:
// an optional sign, digits with an optional point and any number of decimals (at least one
// digit in all), blanks around; commas only as thousands separators. Every digit takes part
// in the rounding. Full-width digits count as digits.
struct Decimal
{
    enum class Status { Ok, Malformed, TooLarge } status = Status::Malformed;
    qint64 count = 0;
    int decimals = 0; // decimals written, trailing zeros not counted
    bool negative = false; // written with a minus
};

Decimal readDecimal(const QString &text, int places, qint64 limit)
{
    Decimal out;
    QString s = text.trimmed();
    if (s.contains(QLatin1Char(','))) {
        // Commas only as thousands separators: "1,234.5" is 1234.5, "1,5" is no number.
        static const QRegularExpression grouped(QStringLiteral("^[+-]?\\d{1,3}(,\\d{3})+(\\.\\d*)?$"));
        if (!grouped.match(s).hasMatch()) {
            return out;
        }
        s.remove(QLatin1Char(','));
    }
    qsizetype i = 0;
    if (!s.isEmpty() && (s[0] == QLatin1Char('-') || s[0] == QLatin1Char('+'))) {
        out.negative = s[0] == QLatin1Char('-');
        i = 1;
    }
    // The whole part is bounded far below 2^127 / 10^places before it could overflow.
    constexpr __int128 WholeCap = __int128(1'000'000'000'000'000'000LL) * 1000;
    __int128 count = 0;
    bool tooLarge = false;
    int digits = 0;
    for (; i < s.size() && s[i].isDigit(); ++i, ++digits) {
        if (!tooLarge) {
            count = count * 10 + s[i].digitValue();
            tooLarge = count > WholeCap;
        }
    }
    int decimals = 0;
    int roundingDigit = -1; // the first decimal past `places`, if any
    bool beyondRoundingDigit = false; // a non-zero decimal after that one
    if (i < s.size() && s[i] == QLatin1Char('.')) {
        for (++i; i < s.size() && s[i].isDigit(); ++i, ++decimals, ++digits) {
            const int d = s[i].digitValue();
            if (d != 0) {
                out.decimals = decimals + 1;
            }
            if (decimals < places) {
                count = count * 10 + d;
            } else if (decimals == places) {
                roundingDigit = d;
            } else if (d != 0) {
                beyondRoundingDigit = true;
            }
        }
    }
    if (i != s.size() || digits == 0) {
        return out;
    }
    if (tooLarge) {
        out.status = Decimal::Status::TooLarge;
        return out;
    }
    for (int d = decimals; d < places; ++d) {
        count *= 10;
    }
    if (roundingDigit > 5 || (roundingDigit == 5 && (beyondRoundingDigit || count % 2 != 0))) {
        ++count;
    }
    out.status = count > limit ? Decimal::Status::TooLarge : Decimal::Status::Ok;
    out.count = static_cast<qint64>(count > limit ? 0 : (out.negative ? -count : count));
    return out;
}

std::optional<qint64> parseDecimal(const QString &text, int places, qint64 limit)
{
    const Decimal d = readDecimal(text, places, limit);
    return d.status == Decimal::Status::Ok ? std::optional<qint64>(d.count) : std::nullopt;
}

}

const QString Money::UnreadableText = QStringLiteral("金额有误");

std::optional<Money> Money::parse(const QString &text)
{
    const auto raw = parseDecimal(text, 4, MaxRaw);
    return raw ? std::optional<Money>(fromRaw(*raw)) : std::nullopt;
}

Money::Reading Money::read(const QString &text, int decimals, bool minimumZero, Money largest)
{
    Reading r;
    if (text.trimmed().isEmpty()) {
        r.problem = Problem::Empty;
        return r;
    }
    const Decimal d = readDecimal(text, 4, MaxRaw);
    if (d.status == Decimal::Status::Malformed) {
        r.problem = Problem::Malformed;
    } else if (d.decimals > qBound(0, decimals, 4)) {
        r.problem = Problem::Decimals;
    } else if (minimumZero && d.negative && (d.count != 0 || d.status == Decimal::Status::TooLarge)) {
        r.problem = Problem::Negative;
    } else if (d.status == Decimal::Status::TooLarge || d.count > largest.m_raw || d.count < -largest.m_raw) {
        r.problem = Problem::TooLarge;
    } else {
        r.value = fromRaw(d.count);
    }
    return r;
}

std::optional<Money> Money::fromWhole(qint64 units)
{
    if (units > MaxRaw / Scale || units < -MaxRaw / Scale) {
        return std::nullopt;
    }
    return fromUnits(units);
}

std::optional<Money> Money::fromStored(const QVariant &v)
{
    if (v.isNull()) {
        return Money();
    }
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float: {
        // Never written by this program; a real there counts ten-thousandths as the
        // database's sums take it. The default rounding mode rounds half to even, exactly.
        const double d = v.toDouble();
        if (!std::isfinite(d) || std::fabs(d) > double(MaxRaw)) {
            return std::nullopt;
        }
        return fromRaw(static_cast<qint64>(std::nearbyint(d)));
    }
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        const auto raw = parseDecimal(v.toString(), 0, MaxRaw);
        return raw ? std::optional<Money>(fromRaw(*raw)) : std::nullopt;
    }
    case QMetaType::ULongLong:
    case QMetaType::ULong:
    case QMetaType::UInt: {
        const qulonglong u = v.toULongLong();
        return u <= qulonglong(MaxRaw) ? std::optional<Money>(fromRaw(qint64(u))) : std::nullopt;
    }
    default: {
        bool ok = false;
        const qint64 raw = v.toLongLong(&ok);
        if (!ok || raw > MaxRaw || raw < -MaxRaw) {
            return std::nullopt;
        }
        return fromRaw(raw);
    }
    }
}

QString Money::storedText(const QVariant &value, int decimals)
{
    if (value.isNull()) {
        return {};
    }
    const auto m = fromStored(value);
    if (!m) {
        return UnreadableText;
    }
    return decimals < 0 ? m->toString() : m->toString(decimals);
}

std::optional<Money> Money::fromReal(double value)
{
    if (!std::isfinite(value) || std::fabs(value) > double(MaxRaw / Scale)) {
        return std::nullopt;
    }
    // The shortest decimal text that reads back as this real (what was typed: 2.675, not
    // 2.67499999…), then rounded as text.
    char text[400];
    const auto result = std::to_chars(std::begin(text), std::end(text), value, std::chars_format::fixed);
    if (result.ec != std::errc()) {
        return std::nullopt;
    }
    return parse(QString::fromLatin1(text, result.ptr - text));
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
    // The magnitude in 128 bits, so the smallest 64-bit count has one too.
    const __int128 scaled = divideRoundHalfEven(m_raw, div);
    const qint64 unit = Scale / div;
    const __int128 a = scaled < 0 ? -scaled : scaled;
    QString s = QString::number(quint64(a / unit));
    if (decimals > 0) {
        s += QLatin1Char('.') + QStringLiteral("%1").arg(qint64(a % unit), decimals, 10, QLatin1Char('0'));
    }
    return scaled < 0 ? QLatin1Char('-') + s : s;
}

QString Money::toWritten() const
{
    QString s = toString(4);
    // Four decimals always: drop the zeros after the second.
    while (s.endsWith(QLatin1Char('0')) && s.indexOf(QLatin1Char('.')) < s.size() - 3) {
        s.chop(1);
    }
    return s;
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
