#include "platform/Numbers.h"

#include "PrintTo.h"

#include <clocale>
#include <gtest/gtest.h>

namespace {

struct FixedCase {
    double value;
    const char* expected;
};

TEST(Numbers, TwoDecimalsRoundExactHalvesAwayFromZero)
{
    constexpr FixedCase cases[] = {
        {0.125, "0.13"}, {-0.125, "-0.13"}, {1.005, "1.01"}, {2.675, "2.68"}, {0.124999, "0.12"},
        {-0.004, "0.00"}, {0, "0.00"}, {12, "12.00"}, {99.995, "100.00"}, {1e20, "100000000000000000000.00"},
        {-15, "-15.00"}, {0.005, "0.01"}, {0.0049, "0.00"},
    };
    for (const FixedCase& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(formatFixed2(c.value), QString::fromLatin1(c.expected));
    }
    EXPECT_DOUBLE_EQ(roundTo(0.125, 2), 0.13);
}

TEST(Numbers, GeneralTextHasFifteenDigitsAndNoTrailingZeros)
{
    constexpr FixedCase cases[] = {
        {12, "12"}, {0.5, "0.5"}, {-3.25, "-3.25"}, {0.1 + 0.2, "0.3"}, {123456789012345.0, "123456789012345"},
        {1.0 / 3, "0.333333333333333"},
    };
    for (const FixedCase& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(formatNumber(c.value), QString::fromLatin1(c.expected));
    }
}

TEST(Numbers, ParsingTakesOnlyThePoint)
{
    EXPECT_EQ(parseNumber(QStringLiteral(" 12.5 ")), 12.5);
    EXPECT_EQ(parseNumber(QStringLiteral("-3")), -3.0);
    EXPECT_FALSE(parseNumber(QStringLiteral("12,5")).has_value());
    EXPECT_FALSE(parseNumber(QStringLiteral("")).has_value());
    EXPECT_FALSE(parseNumber(QStringLiteral("0x10")).has_value());
    EXPECT_FALSE(parseNumber(QStringLiteral("inf")).has_value());
    EXPECT_EQ(parseInt(QStringLiteral("2025")), 2025);
    EXPECT_FALSE(parseInt(QStringLiteral("20a5")).has_value());
}

TEST(Numbers, ARussianLocaleKeepsThePoint)
{
    // Qt applies the environment's locale at start-up; a Russian one makes printf write ",".
    const char* set = std::setlocale(LC_ALL, "ru_RU.UTF-8");
    if (!set)
        GTEST_SKIP() << "ru_RU.UTF-8 is not installed here";
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 0.5);
    EXPECT_STREQ(probe, "0,5") << "the locale did not take, so the test proves nothing";
    EXPECT_EQ(formatFixed2(-0.125), QStringLiteral("-0.13"));
    EXPECT_EQ(formatNumber(2.5), QStringLiteral("2.5"));
    EXPECT_EQ(parseNumber(QStringLiteral("2.5")), 2.5);
    std::setlocale(LC_ALL, "C");
}

TEST(Names, UpperCaseAndComparisonFollowUnicode)
{
    EXPECT_EQ(upperCase(QStringLiteral("ф12т[1000]стр1гр3ё")), QStringLiteral("Ф12Т[1000]СТР1ГР3Ё"));
    EXPECT_TRUE(sameName(QStringLiteral("црб"), QStringLiteral("ЦРБ")));
    EXPECT_FALSE(sameName(QStringLiteral("Ф4"), QStringLiteral("Ф47")));
}

} // namespace
