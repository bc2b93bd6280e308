#include "core/Decimal.h"

#include "PrintTo.h"

#include <gtest/gtest.h>

#include <random>

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }

Decimal d(const char* text)
{
    const std::optional<Decimal> v = Decimal::parse(u(text));
    EXPECT_TRUE(v.has_value()) << text;
    return v.value_or(Decimal());
}

using R = Decimal::Rounding;

TEST(Decimal, ParsesAndWritesWithAPoint)
{
    struct Case {
        const char* text;
        const char* shortest;
    } cases[] = {
        {"12", "12"}, {"-0.125", "-0.125"}, {".5", "0.5"}, {"3.", "3"}, {"+7.10", "7.1"},
        {"0.000000000000000001", "0.000000000000000001"},
        {"99999999999999999999.999999999999999999", "99999999999999999999.999999999999999999"},
        {"1.5000000000000000000000", "1.5"},   // zeros past the 18th decimal change nothing
        {"-0", "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(d(c.text).toString(), u(c.shortest));
    }
    for (const char* bad : {"", "-", ".", "1.2.3", "1,5", "1e5", " 1", "0x10", "1.0000000000000000001",
                            "100000000000000000000"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(Decimal::parse(u(bad)).has_value());
    }
}

TEST(Decimal, ReadsAStoredDoubleAsItsShortestText)
{
    struct Case {
        double value;
        const char* text;
        int decimals;
    } cases[] = {
        {0.1, "0.1", 1}, {0.15, "0.15", 2}, {2.675, "2.675", 3}, {-1.7, "-1.7", 1},
        {0.1 + 0.2, "0.30000000000000004", 17}, {1e15, "1000000000000000", 0},
        {123456789.123, "123456789.123", 3}, {1e19, "10000000000000000000", 0},
        {1.5e-18, "0.000000000000000002", 18},   // past 18 decimals: halves to even
        {2.5e-18, "0.000000000000000002", 18}, {1e-30, "0", 18}, {0.0, "0", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        int decimals = -1;
        const std::optional<Decimal> v = Decimal::fromDouble(c.value, &decimals);
        ASSERT_TRUE(v.has_value());
        EXPECT_EQ(v->toString(), u(c.text));
        EXPECT_EQ(decimals, c.decimals);
    }
    for (double bad : {1e20, -1e21, std::numeric_limits<double>::infinity(), std::nan("")})
        EXPECT_FALSE(Decimal::fromDouble(bad).has_value()) << bad;
}

TEST(Decimal, RoundsHalvesAwayFromZeroOrToEven)
{
    struct Case {
        const char* value;
        int decimals;
        const char* away;
        const char* even;
    } cases[] = {
        {"0.125", 2, "0.13", "0.12"}, {"-0.125", 2, "-0.13", "-0.12"}, {"0.135", 2, "0.14", "0.14"},
        {"2.675", 2, "2.68", "2.68"}, {"0.124999", 2, "0.12", "0.12"}, {"99.995", 2, "100.00", "100.00"},
        {"-0.004", 2, "0.00", "0.00"}, {"2.5", 0, "3", "2"}, {"-3.5", 0, "-4", "-4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        const std::optional<Decimal> v = Decimal::parse(u(c.value));
        ASSERT_TRUE(v.has_value());
        EXPECT_EQ(v->toString(c.decimals, R::HalfAwayFromZero), u(c.away));
        EXPECT_EQ(v->toString(c.decimals, R::HalfEven), u(c.even));
        EXPECT_EQ(v->rounded(c.decimals, R::HalfAwayFromZero)->toString(c.decimals), u(c.away));
        EXPECT_EQ(v->rounded(c.decimals, R::HalfEven)->toString(c.decimals), u(c.even));
    }
}

TEST(Decimal, ArithmeticIsExact)
{
    EXPECT_EQ(Decimal::add(d("0.1"), d("0.2"))->toString(), u("0.3"));
    EXPECT_EQ(Decimal::subtract(d("1"), d("0.999999999999999999"))->toString(), u("0.000000000000000001"));
    EXPECT_EQ(Decimal::multiply(d("0.15"), d("1.5"))->toString(), u("0.225"));
    EXPECT_EQ(Decimal::multiply(d("0.15"), d("1.5"), 2)->toString(), u("0.23"));
    EXPECT_EQ(Decimal::multiply(d("999999999"), d("999999999"))->toString(), u("999999998000000001"));
    EXPECT_EQ(Decimal::multiply(d("-0.5"), d("0.25"), 2)->toString(), u("-0.13"));
    EXPECT_EQ(Decimal::multiply(d("-0.5"), d("0.25"), 2, R::HalfEven)->toString(), u("-0.12"));
    EXPECT_EQ(Decimal::divide(d("1.7"), d("20"), 2)->toString(), u("0.09"));   // 0.085
    EXPECT_EQ(Decimal::divide(d("1"), d("3"), 18)->toString(), u("0.333333333333333333"));
    EXPECT_EQ(Decimal::divide(d("2"), d("3"), 2)->toString(), u("0.67"));
    EXPECT_EQ(Decimal::divide(d("-1"), d("8"), 2)->toString(), u("-0.13"));
    EXPECT_EQ(Decimal::divide(d("92345678901234567890"), d("0.5"), 2), std::nullopt);   // past the range
    EXPECT_EQ(Decimal::divide(d("1"), d("0"), 2), std::nullopt);
    EXPECT_EQ(Decimal::divide(d("99999999999999999999"), d("99999999999999999999"), 2)->toString(), u("1"));
    EXPECT_EQ(Decimal::multiply(d("10000000000"), d("10000000000")), std::nullopt);
    EXPECT_EQ(Decimal::add(d("99999999999999999999.999999999999999999"), d("0.000000000000000001")), std::nullopt);
    // Past 128 bits on the way, expected values from a decimal calculator.
    EXPECT_EQ(Decimal::multiply(d("9876543210.87654321"), d("1234567890.123456789"), 2)->toString(2), u("12193263113565005312.50"));
    EXPECT_EQ(Decimal::multiply(d("9876543210.87654321"), d("1234567890.123456789"))->toString(),
              u("12193263113565005312.49809480012635269"));
    EXPECT_EQ(Decimal::divide(d("99999999999999999999.99"), d("7"), 2)->toString(2), u("14285714285714285714.28"));
    EXPECT_EQ(Decimal::divide(d("99999999999999999999.99"), d("123456789.987654321"), 2)->toString(2), u("810000000891.00"));
    EXPECT_EQ(Decimal::divide(d("99999999999999999999.99"), d("12345678901234567890.5"), 18)->toString(),
              u("8.100000072900000663"));
    EXPECT_TRUE(d("0.1") < d("0.10000000000000001"));
    EXPECT_TRUE(d("-2") < d("1"));
    EXPECT_EQ(d("10.00"), d("10"));
}

DecimalFloat f(const char* text) { return DecimalFloat::fromDecimal(d(text)); }

// Every expected value by hand: the quotient to 15 significant digits where 18 places hold
// fewer, to 18 places where they hold more.
TEST(DecimalFloat, AQuotientKeepsFifteenSignificantDigits)
{
    struct Case { const char* a; const char* b; const char* times; const char* shown; };
    const Case cases[] = {
        {"1", "30000000000", "100000000000000000", "3333333.33333333"},     // 3.33333333333333e-11
        {"-1", "30000000000", "100000000000000000", "-3333333.33333333"},
        {"7", "30000000000", "10000000000000000000", "2333333333.33333"},   // 2.33333333333333e-10
        {"2", "3", "1", "0.666666666666666667"},                             // 18 places: 18 digits
        {"10000000000000000000", "3", "1", "3333333333333333333.333333333333333333"},
        {"1", "123456", "1000", "0.00810005184033178"},                      // 8.10005184033178e-6
        {"10", "4", "1", "2.5"},
        {"0.000000000000000001", "1000000", "1000000", "0.000000000000000001"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.a + std::string(" / ") + c.b);
        const std::optional<DecimalFloat> q = DecimalFloat::divide(f(c.a), f(c.b));
        ASSERT_TRUE(q);
        const std::optional<DecimalFloat> p = DecimalFloat::multiply(*q, f(c.times));
        ASSERT_TRUE(p);
        EXPECT_EQ(p->toDecimal().toString(), u(c.shown));
    }
    EXPECT_EQ(DecimalFloat::divide(f("1"), f("0")), std::nullopt);
    EXPECT_EQ(DecimalFloat::divide(f("10000000000000000000"), f("0.1")), std::nullopt);   // 10^20
    EXPECT_TRUE(DecimalFloat::divide(f("0"), f("7"))->isZero());
}

TEST(DecimalFloat, SumsAndProductsAreExactAndShownRoundedOnce)
{
    EXPECT_EQ(DecimalFloat::add(f("0.1"), f("0.2"))->toDecimal().toString(), u("0.3"));
    EXPECT_EQ(DecimalFloat::subtract(f("1"), f("0.999999999999999999"))->toDecimal().toString(),
              u("0.000000000000000001"));
    EXPECT_EQ(DecimalFloat::multiply(f("0.15"), f("1.5"))->toString(2), u("0.23"));   // 0.225
    EXPECT_EQ(DecimalFloat::multiply(f("-0.5"), f("0.01"))->toString(2), u("-0.01"));  // -0.005
    EXPECT_EQ(f("2.675").toString(2), u("2.68"));
    EXPECT_EQ(f("-0.004").toString(2), u("0.00"));
    EXPECT_EQ(f("12").toString(0), u("12"));
    // A part far below the 18th place still counts where it decides: (10^-30 + 1) - 1.
    const std::optional<DecimalFloat> tiny = DecimalFloat::divide(f("1"), f("1000000000000000000"));
    const std::optional<DecimalFloat> tinier = DecimalFloat::divide(*tiny, f("1000000000000"));
    const std::optional<DecimalFloat> back = DecimalFloat::subtract(*DecimalFloat::add(*tinier, f("1")), f("1"));
    ASSERT_TRUE(back);
    EXPECT_EQ(DecimalFloat::multiply(*back, f("1000000000000000000"))->toString(12), u("0.000000000001"));
    // A huge and a tiny part: the sum is the huge one.
    EXPECT_EQ(DecimalFloat::add(f("99999999999999999999"), *tinier)->toDecimal().toString(), u("99999999999999999999"));
    EXPECT_EQ(DecimalFloat::add(f("99999999999999999999.999999999999999999"), f("0.000000000000000001")), std::nullopt);
    EXPECT_EQ(DecimalFloat::multiply(f("10000000000"), f("10000000000")), std::nullopt);
    EXPECT_EQ(DecimalFloat::multiply(f("9876543210.87654321"), f("1234567890.123456789"))->toString(2),
              u("12193263113565005312.50"));
    EXPECT_EQ(f("-3").negated(), f("3"));
    EXPECT_EQ(f("10.00"), f("10"));
}

// Whole products beyond 64 bits, checked against the compiler's own 128-bit product.
TEST(Decimal, WideProductsAgreeWithWholeNumberArithmetic)
{
    std::mt19937_64 rnd(7);
    std::uniform_int_distribution<qint64> any(-9'999'999'999, 9'999'999'999);
    for (int i = 0; i < 2000; ++i) {
        const qint64 a = any(rnd), b = any(rnd);
        const __int128 p = __int128(a) * b;
        const unsigned __int128 m = p < 0 ? -p : p;
        QString expected;
        unsigned __int128 x = m;
        do {
            expected.prepend(QLatin1Char(char('0' + int(x % 10))));
            x /= 10;
        } while (x);
        if (p < 0)
            expected.prepend(QLatin1Char('-'));
        SCOPED_TRACE(expected.toStdString());
        const std::optional<Decimal> product = Decimal::multiply(Decimal::fromInt(a), Decimal::fromInt(b), 2);
        ASSERT_TRUE(product.has_value());
        EXPECT_EQ(product->toString(), expected);
        if (b != 0) {
            const std::optional<Decimal> back = Decimal::divide(*product, Decimal::fromInt(b), 0);
            ASSERT_TRUE(back.has_value());
            EXPECT_EQ(back->toString(), QString::number(a));
        }
    }
}

} // namespace
