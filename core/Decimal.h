#pragma once
// Exact decimal numbers for what the program computes for the user (controls, sums,
// indicators): a 128-bit integer counting units of 10^-18. Every value a cell or a control
// holds in practice is exact here (up to 18 decimals, magnitudes below 10^20), so 0.15*1.5 is
// 0.225 and rounds as a person expects, where a binary double would give 0.22499...
//
// Nothing wraps silently: an operation whose result lies outside the range, and a text that is
// no number of this form, give no value (std::nullopt); the caller says so to the user.

#include <QString>
#include <QStringView>
#include <compare>
#include <optional>
#include <utility>

// The whole number a double holds, when it is one below 10^15 in magnitude: such a number is
// exact in a double, in 64 bits and in Decimal, so the roads over whole cells (controls, sums)
// take it as it is. False for a fraction, a larger magnitude and NaN.
inline bool smallWhole(double value, qint64* whole)
{
    if (!(value > -1e15 && value < 1e15))
        return false;
    *whole = qint64(value);
    return double(*whole) == value;
}

class Decimal {
public:
    using Raw = __int128;
    // Decimals every value keeps: a stored double or a literal with more is refused or rounded
    // (see the readers).
    static constexpr int Scale = 18;
    static constexpr Raw One = 1'000'000'000'000'000'000LL;   // the raw value of 1

    enum class Rounding {
        HalfAwayFromZero,   // 0.125 -> 0.13, -0.125 -> -0.13: controls and sums
        HalfEven,           // 0.125 -> 0.12, 0.135 -> 0.14: the network form's rounding
    };

    constexpr Decimal() = default;
    // The value raw * 10^-18.
    static constexpr Decimal fromRaw(Raw raw)
    {
        Decimal d;
        d.m_raw = raw;
        return d;
    }
    static constexpr Decimal fromInt(qint64 value) { return fromRaw(Raw(value) * One); }
    // A number written with "." and optional sign: "12", "-0.125", ".5", "3.". No exponent, no
    // blanks, no ",". Nothing for any other text, for more than 18 decimals or a value past the
    // range.
    static std::optional<Decimal> parse(QStringView text);
    // A stored double read as its shortest decimal text (0.1 is 0.1, not 0.1000000000000000055);
    // a text with more than 18 decimals is rounded to 18, halves to even. Nothing for NaN,
    // infinities and magnitudes past the range.
    static std::optional<Decimal> fromDouble(double value) { return fromDouble(value, nullptr); }
    // fromDouble, and the number of decimals the value has (at most 18).
    static std::optional<Decimal> fromDouble(double value, int* decimals)
    {
        // Whole numbers, by far the most cells, without the general reading.
        if (qint64 whole; smallWhole(value, &whole)) {
            if (decimals)
                *decimals = 0;
            return fromInt(whole);
        }
        return fromDoubleText(value, decimals);
    }

    constexpr Raw raw() const { return m_raw; }
    constexpr bool isZero() const { return m_raw == 0; }
    constexpr bool isNegative() const { return m_raw < 0; }
    double toDouble() const;

    // Shortest text: no trailing zeros, no point for a whole number ("12", "-0.125").
    QString toString() const;
    // Fixed notation with `decimals` places (0..18), rounded as asked: 2.675 -> "2.68". A value
    // that rounds to zero has no sign.
    QString toString(int decimals, Rounding rounding = Rounding::HalfAwayFromZero) const;

    // Exact results; nothing when the result lies outside the range.
    static std::optional<Decimal> add(Decimal a, Decimal b)
    {
        Raw r;
        if (__builtin_add_overflow(a.m_raw, b.m_raw, &r) || !inRange(r))
            return std::nullopt;
        return fromRaw(r);
    }
    static std::optional<Decimal> subtract(Decimal a, Decimal b)
    {
        Raw r;
        if (__builtin_sub_overflow(a.m_raw, b.m_raw, &r) || !inRange(r))
            return std::nullopt;
        return fromRaw(r);
    }
    std::optional<Decimal> negated() const;
    // The product rounded once to `decimals` places (exact whenever it has no more).
    static std::optional<Decimal> multiply(Decimal a, Decimal b, int decimals = Scale,
                                           Rounding rounding = Rounding::HalfAwayFromZero);
    // The quotient rounded once to `decimals` places; nothing for a zero divisor.
    static std::optional<Decimal> divide(Decimal a, Decimal b, int decimals,
                                         Rounding rounding = Rounding::HalfAwayFromZero);
    // The value rounded to `decimals` places (0..18).
    std::optional<Decimal> rounded(int decimals, Rounding rounding = Rounding::HalfAwayFromZero) const;

    friend constexpr bool operator==(Decimal a, Decimal b) { return a.m_raw == b.m_raw; }
    friend constexpr std::strong_ordering operator<=>(Decimal a, Decimal b) { return a.m_raw <=> b.m_raw; }

private:
    static std::optional<Decimal> fromDoubleText(double value, int* decimals);
    // |raw| below 10^38: magnitudes below 10^20, a bound that is easy to state.
    static constexpr Raw kMaxRaw = Raw(10'000'000'000'000'000'000ULL) * Raw(10'000'000'000'000'000'000ULL) - 1;
    static constexpr bool inRange(Raw r) { return r <= kMaxRaw && r >= -kMaxRaw; }

    Raw m_raw = 0;
};

// A decimal with a floating point, for arithmetic that must keep significant digits where
// Decimal keeps decimal places: an indicator divides a count by a population of millions and
// multiplies the quotient back up, and 18 places would leave it a handful of digits. The value
// is coefficient * 10^exponent with at most 38 digits in the coefficient; magnitudes stay
// below 10^20, as Decimal's.
class DecimalFloat {
public:
    // Significant digits a quotient keeps at least (it never keeps fewer than Decimal's 18
    // places either).
    static constexpr int QuotientDigits = 15;

    constexpr DecimalFloat() = default;
    static DecimalFloat fromDecimal(Decimal d);

    bool isZero() const { return m_coefficient == 0; }
    DecimalFloat negated() const;
    // Fixed notation with `decimals` places (0..18), halves away from zero, from the exact value.
    QString toString(int decimals) const;
    // The value rounded to Decimal's 18 places, halves away from zero.
    Decimal toDecimal() const;

    // Exact when the result has at most 38 digits, else rounded to 38 (halves away from zero);
    // nothing when the result lies outside the range.
    static std::optional<DecimalFloat> add(DecimalFloat a, DecimalFloat b);
    static std::optional<DecimalFloat> subtract(DecimalFloat a, DecimalFloat b);
    static std::optional<DecimalFloat> multiply(DecimalFloat a, DecimalFloat b);
    // The quotient rounded, halves away from zero, to QuotientDigits significant digits or 18
    // places, whichever keeps more; nothing for a zero divisor or a result past the range.
    static std::optional<DecimalFloat> divide(DecimalFloat a, DecimalFloat b);

    friend bool operator==(DecimalFloat a, DecimalFloat b);

private:
    using Raw = Decimal::Raw;
    // (signed coefficient, exponent) as the arithmetic leaves them; nothing passes through.
    static std::optional<DecimalFloat> make(const std::optional<std::pair<Raw, int>>& parts);
    Raw m_coefficient = 0;
    int m_exponent = 0;
};
