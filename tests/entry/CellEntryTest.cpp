#include "entry/CellEntry.h"

#include "PrintTo.h"

#include <gtest/gtest.h>

namespace {

struct TypingCase {
    bool fraction;
    const char* start;    // the cell's text when entered
    const char* keys;     // typed one by one; "\b" is backspace
    const char* text;     // EntryText afterwards
    double value;         // what leaving the cell stores
};

// Worked by hand from the rules: a sign works out the pending operation, a refused key changes
// nothing.
const TypingCase kTyping[] = {
    {false, "", "5+3", "5+3", 8},
    {false, "", "10-12", "10-12", -2},
    {false, "", "12+3+", "15+", 15},
    {false, "", "10+5-3", "15-3", 12},
    {false, "", "10-12+5", "-2+5", 3},            // the computed minus stays editable
    {false, "-2", "\b7", "-7", -7},               // and so does a stored one
    {false, "-2", "-5", "-2-5", -7},
    {false, "", "+5", "5", 5},                    // no sign before a number
    {false, "", "-5", "5", 5},
    {false, "", "5+-3", "5+3", 8},                // no second sign in a row
    {false, "", "5-", "5-", 5},                   // a trailing sign is dropped
    {false, "", "1.5", "15", 15},                 // whole numbers only
    {false, "", "1,5", "15", 15},
    {true, "", "1.2.3", "1.23", 1.23},            // one point per number
    {true, "", "1,5", "1.5", 1.5},                // a comma is a point
    {true, "", "1.2+3.4.5", "1.2+3.45", 4.65},
    {true, "", "5+3+", "8.00+", 8},
    {true, "", "0.5-2", "0.5-2", -1.5},
    {true, "", ".5+1", ".5+1", 1.5},
    {false, "5", "\b", "", 0},
    {false, "", "\b", "", 0},
    {false, "123", "\xd1\x8f", "", 0},            // the clearing character
    {false, "123", "\xd1\x8f" "4", "4", 4},
    {false, "", "7a x", "7", 7},
    {false, "", "1234567890123456", "123456789012345", 123456789012345.0},
};

} // namespace

TEST(CellEntry, TypingFollowsTheKeystrokes)
{
    for (const TypingCase& c : kTyping) {
        SCOPED_TRACE(std::string(c.start) + " | " + c.keys + (c.fraction ? " (fractions)" : ""));
        CellEntry e;
        e.setAllowsFraction(c.fraction);
        e.start(QString::fromUtf8(c.start));
        for (QChar ch : QString::fromUtf8(c.keys))
            e.type(ch);
        EXPECT_EQ(e.text(), QString::fromUtf8(c.text));
        EXPECT_DOUBLE_EQ(e.value(), c.value);
    }
}

TEST(CellEntry, RefusedKeysReportNoChange)
{
    CellEntry e;
    e.setAllowsFraction(true);
    e.start(QString());
    EXPECT_EQ(e.type(QLatin1Char('+')), CellEntry::Result::Refused);
    EXPECT_EQ(e.type(CellEntry::Backspace), CellEntry::Result::Refused);
    EXPECT_EQ(e.type(QLatin1Char('1')), CellEntry::Result::Changed);
    EXPECT_EQ(e.type(QLatin1Char('.')), CellEntry::Result::Changed);
    EXPECT_EQ(e.type(QLatin1Char('.')), CellEntry::Result::Refused);
    EXPECT_EQ(e.type(QChar(0x0661)), CellEntry::Result::Refused);   // an Arabic-Indic one
    EXPECT_EQ(e.text(), QStringLiteral("1."));
}

// In a table with fractions the refusals name what a fraction allows; an accepted key clears
// the reason.
TEST(CellEntry, ARefusalInAFractionTableSaysWhy)
{
    CellEntry e;
    e.setAllowsFraction(true);
    e.start(QStringLiteral("1.5"));
    EXPECT_EQ(e.type(QLatin1Char(',')), CellEntry::Result::Refused);
    EXPECT_EQ(e.refusal(), QStringLiteral("В числе уже есть десятичная точка"));
    EXPECT_EQ(e.type(QChar(0x0436)), CellEntry::Result::Refused);   // "ж"
    EXPECT_EQ(e.refusal(), QStringLiteral("В ячейку вводятся только цифры, точка и знаки \"+\" и \"-\""));
    EXPECT_EQ(e.type(QLatin1Char('+')), CellEntry::Result::Changed);
    EXPECT_EQ(e.refusal(), QString());
    EXPECT_EQ(e.type(QLatin1Char('.')), CellEntry::Result::Changed);   // the second operand's own point
    EXPECT_EQ(e.text(), QStringLiteral("1.5+."));
}

TEST(CellEntry, UndoRestoresTheTextTheCellWasEnteredWith)
{
    CellEntry e;
    e.start(QStringLiteral("12"));
    EXPECT_FALSE(e.undo());   // nothing typed
    e.type(QLatin1Char('3'));
    EXPECT_TRUE(e.changed());
    EXPECT_TRUE(e.undo());
    EXPECT_EQ(e.text(), QStringLiteral("12"));
    EXPECT_FALSE(e.changed());

    e.type(QLatin1Char('5'));
    e.commit();
    EXPECT_FALSE(e.changed());
    EXPECT_FALSE(e.undo());
    EXPECT_EQ(e.text(), QStringLiteral("125"));
}

TEST(CellEntry, EvaluateEntryWritesTheResultAsTheTableShowsIt)
{
    struct Case { const char* text; bool fraction; const char* result; };
    const Case cases[] = {
        {"5+3", false, "8"},     {"5+3", true, "8.00"},  {"10-12", false, "-2"},
        {"-2+5", false, "3"},    {"7", false, "7"},      {"0.25-1", true, "-0.75"},
        {"-1", true, "-1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(EvaluateEntry(QString::fromUtf8(c.text), c.fraction), QString::fromUtf8(c.result));
    }
}
