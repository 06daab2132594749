#pragma once

#include <QMetaType>
#include <QString>
#include <QVariant>
#include <QtGlobal>
#include <optional>

// An amount of money: a signed count of ten-thousandths. Sums are exact; the product of two
// amounts is rounded to the nearest 0.0001 with ties going to the even digit. No double
// arithmetic is used on money anywhere, and every rounding of an amount is done here.
class Money
{
public:
    // How a result between two steps is taken: to the nearer one with ties to the even step,
    // up to the ceiling, or down to the floor (towards minus infinity both).
    enum class Rounding { HalfEven, Ceiling, Floor };

    static constexpr qint64 Scale = 10000;
    // The largest amount taken from text, a real number or a product: a million million,
    // far beyond any fee and far enough inside the 64-bit range that sums of many such
    // amounts stay exact. Larger values are refused on entry and when read; a product beyond
    // it is held at the limit.
    static constexpr qint64 MaxRaw = 1'000'000'000'000LL * Scale;

    constexpr Money() = default;
    static constexpr Money fromRaw(qint64 tenThousandths)
    {
        Money m;
        m.m_raw = tenThousandths;
        return m;
    }
    static constexpr Money fromUnits(qint64 units) { return fromRaw(units * Scale); }

    // Parses "12.5", "-3.25", " 1,234.5 ", ".5"; any number of decimals, rounded half to even
    // at the fourth. Empty or malformed text, or an amount beyond ±MaxRaw, gives nothing.
    static std::optional<Money> parse(const QString &text);
    // A value found in a money column. This program writes an integer count of ten-thousandths;
    // a real or a numeric text (never written by it) counts the same unit, as the database's own
    // sums take it, rounded half to even. Null reads as 0. Anything else (not a number, NaN, a
    // count beyond ±MaxRaw) is no amount: nothing.
    static std::optional<Money> fromStored(const QVariant &value);
    // The text of a stored value: empty for null, the amount in its shortest form (or with the
    // given number of decimals, 0..4), or UnreadableText for a value fromStored refuses.
    static QString storedText(const QVariant &value, int decimals = -1);
    static const QString UnreadableText; // "金额有误"
    // A real number (an area, a meter reading) taken as money: its shortest decimal text (what
    // was typed: 2.675, not 2.67499999…) rounded half to even at the fourth decimal. Nothing for
    // NaN, infinities and amounts beyond ±MaxRaw.
    static std::optional<Money> fromReal(double value);
    // A number typed into a field, read by the field's rule: at most `decimals` decimals (0 for
    // a whole number; trailing zeros do not count), nothing below zero with minimumZero, and
    // nothing larger than `largest`. Full-width digits count as digits, commas only as
    // thousands separators. The reading keeps the value (exact) or says what is wrong, in the
    // order malformed, decimals, below zero, too large.
    enum class Problem { None, Empty, Malformed, Decimals, Negative, TooLarge };
    struct Reading;
    static Reading read(const QString &text, int decimals, bool minimumZero = false, Money largest = fromRaw(MaxRaw));
    // An amount for owners to read on printed and exported documents (notices, statements): at
    // least two decimals, and more only where the amount has them, exact to 0.0001: "57.42",
    // "8.915", "120.00", "-0.50".
    QString toWritten() const;
    // A count of whole units (a stored integer) as an amount; nothing beyond ±10¹².
    static std::optional<Money> fromWhole(qint64 units);

    constexpr qint64 raw() const { return m_raw; }
    double toReal() const { return double(m_raw) / Scale; }

    // Shortest text: "12.5", "0", "-3.25".
    QString toString() const;
    // Fixed number of decimals (0..4), rounded half to even: toString(2) of 3.8333 is "3.83".
    QString toString(int decimals) const;

    constexpr Money operator+(Money o) const { return fromRaw(m_raw + o.m_raw); }
    constexpr Money operator-(Money o) const { return fromRaw(m_raw - o.m_raw); }
    constexpr Money operator-() const { return fromRaw(-m_raw); }
    Money &operator+=(Money o)
    {
        m_raw += o.m_raw;
        return *this;
    }
    Money &operator-=(Money o)
    {
        m_raw -= o.m_raw;
        return *this;
    }
    // Product of two amounts (price × quantity), rounded to 0.0001, ties to even.
    Money operator*(Money o) const;
    // The amount divided into n equal parts (n > 0), to 0.0001.
    Money dividedBy(qint64 n, Rounding how = Rounding::HalfEven) const;
    // The nearest multiple of step (step > 0): roundedTo(fromUnits(1), Ceiling) is the amount
    // raised to whole yuan, roundedTo(fromRaw(100)) the amount to the fen.
    Money roundedTo(Money step, Rounding how = Rounding::HalfEven) const;
    // Whole units (yuan), rounded: the amount typed into a field that holds whole numbers.
    qint64 toUnits(Rounding how = Rounding::HalfEven) const;

    constexpr auto operator<=>(const Money &) const = default;
    constexpr bool isZero() const { return m_raw == 0; }

private:
    qint64 m_raw = 0;
};

// A typed number as Money::read() took it: its value, or what is wrong with it.
struct Money::Reading
{
    Money value;
    Problem problem = Problem::None;
    bool ok() const { return problem == Problem::None; }
};

Q_DECLARE_METATYPE(Money)
