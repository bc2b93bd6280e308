#include "core/CellRefs.h"

#include "PrintTo.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <map>
#include <random>

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }

struct ExprCase {
    const char* text;
    const char* expected;
};

// Expected values by hand: the usual precedence, each operation rounded to hundredths.
constexpr ExprCase kExpressions[] = {
    {"12", "12"},                 // a bare number stays as written
    {"(12)", "12"},               // brackets are no operation
    {"12+0", "12.00"},
    {"8/2*2", "8.00"},            // left to right: (8/2)*2
    {"10-2-3", "5.00"},
    {"1/3", "0.33"},
    {"1/3*3", "0.99"},            // 0.33 * 3
    {"(1/3)*3", "0.99"},
    {"1/(3*3)", "0.11"},
    {"-5", "-5.00"},
    {"(-5)", "-5.00"},
    {"2-5+10", "7.00"},           // a negative intermediate is a number
    {"3*(-5)", "-15.00"},
    {"3*-5", "-15.00"},
    {"2+3*4", "14.00"},
    {"(2+3)*4", "20.00"},
    {"7/0", "0.00"},
    {"0/0", "0.00"},
    {"0.125+0", "0.13"},          // exact half away from zero
    {"-0.125+0", "-0.13"},
    {"1.005*1", "1.01"},          // the half as written, not as the binary value
    {"0.004+0.004", "0.01"},      // literals keep their value until an operation: 0.008
    {"0.005-0.01", "-0.01"},
    {"10/4*2", "5.00"},           // 2.50 * 2
    {"-(2-5)", "3.00"},
    {"5-(-3)", "8.00"},
    {"2.675*1", "2.68"},
    {"0.5*0.03", "0.02"},         // 0.015, a half however the product comes out in binary
    {"1/8", "0.13"},              // 0.125
    {"-1/8", "-0.13"},
    {"7/2/2", "1.75"},
    {"((2+3)*(4-1))/5", "3.00"},
    {"2*(3+(4-1)*2)", "18.00"},
    {"((((1+1))))", "2.00"},
    {"123456789012*10", "1234567890120.00"},   // fixed notation at any size
    {"1e20*1", "1e20*1"},         // not a number of this language
    {" 2 +\t3\r\n", "5.00"},      // blanks, tabs and line breaks are no part of it
    // Unbalanced or empty: the text comes back unchanged.
    {"(2+3", "(2+3"},
    {"2+3)", "2+3)"},
    {")2(", ")2("},
    {"()", "()"},
    {"5+", "5+"},
    {"5**3", "5**3"},
    {"", ""},
    {"1.2.3+1", "1.2.3+1"},
    {"ВПТ Ф30(1000) гр5стр3", "ВПТ Ф30(1000) гр5стр3"},
    {"Т[1000]СТР1ГР4+1", "Т[1000]СТР1ГР4+1"},   // a reference is no number
};

TEST(Expression, EvaluatesAsPeopleReadIt)
{
    for (const ExprCase& c : kExpressions) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(EvalExpression(u(c.text)), u(c.expected));
    }
}

// Exact decimals: what a binary double gets wrong, worked by hand.
constexpr ExprCase kExactDecimals[] = {
    {"0.15*1.5", "0.23"},                  // 0.225; the double is 0.22499...
    {"(1.7/20)*100", "9.00"},              // 0.085 -> 0.09 -> 9.00, not 8.50
    {"1.7/20*100", "9.00"},
    {"2.675+0", "2.68"},
    {"0.125+0", "0.13"},
    {"-0.125+0", "-0.13"},
    {"0.125", "0.125"},                    // a literal keeps its digits until an operation
    {"999999999*999999999", "999999998000000001.00"},
    {"1000000000000000+0.01", "1000000000000000.01"},
    {"100/3/3/3", "3.70"},                 // 33.33 -> 11.11 -> 3.7033
    {"1/3/3*9", "0.99"},                   // 0.33 -> 0.11 -> 0.99
    {"10/4/4", "0.63"},                    // 2.50 -> 0.625 -> 0.63
    {"0.1+0.2-0.3", "0.00"},               // 0.30000000000000004 in doubles
    {"0.005*1", "0.01"},
    {"-0.005*1", "-0.01"},
    {"0.0000000000000000001", "0.0000000000000000001"},   // not a number the engine holds: as written
    {"99999999999999999999*10", "99999999999999999999*10"},   // past the range: never a wrong number
    {"9999999999*99999999999", "9999999999*99999999999"},
};

TEST(Expression, ComputesInExactDecimals)
{
    for (const ExprCase& c : kExactDecimals) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(EvalExpression(u(c.text)), u(c.expected));
    }
}

TEST(Expression, ArithmeticWithoutBracketsRefusesBrackets)
{
    EXPECT_EQ(EvalArithmetic(u("8/2*2")), u("8.00"));
    EXPECT_EQ(EvalArithmetic(u("(1/3)*3")), u("(1/3)*3"));
}

TEST(Expression, ParseNamesTheFault)
{
    struct Case {
        const char* text;
        const char* reason;
    } cases[] = {
        {"", "Пустой операнд"},
        {"5+", "Пустой операнд"},
        {"(2+3", "Нет закрывающей скобки"},
        {"2+3)", "Лишняя закрывающая скобка"},
        {"Т[1000СТР1ГР4", "Нет закрывающей скобки в \"Т[1000СТР1ГР4\""},
        {"Т(1000СТР1ГР4+1", "Нет закрывающей скобки в \"Т(1000СТР1ГР4\""},
        {"СТР1,Х", "Элемент списка \"Х\" не целое число"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Expression e;
        QString reason;
        EXPECT_FALSE(e.parse(u(c.text), &reason));
        EXPECT_EQ(reason, u(c.reason));
    }
}

TEST(Expression, NestingPastTwoHundredIsUnreadableAndTwoHundredIsRead)
{
    auto brackets = [](int depth) {
        return QString(depth, u'(') + QStringLiteral("2") + QString(depth, u')');
    };
    Expression e;
    QString reason;
    ASSERT_TRUE(e.parse(brackets(200), &reason)) << reason.toStdString();
    EXPECT_EQ(e.evaluateText(nullptr), u("2"));
    ASSERT_TRUE(e.parse(QString(200, u'-') + QStringLiteral("3"), &reason)) << reason.toStdString();
    EXPECT_EQ(e.evaluateText(nullptr), u("3.00"));   // an even count of minus signs

    const QString refused[] = {brackets(201), brackets(40000), QString(40000, u'('),
                               QString(201, u'-') + QStringLiteral("3"), QString(100, u'-') + brackets(101)};
    for (const QString& text : refused) {
        SCOPED_TRACE(text.left(20).toStdString());
        EXPECT_FALSE(e.parse(text, &reason));
        EXPECT_EQ(reason, u("Вложенность глубже 200 уровней"));
        EXPECT_EQ(EvalExpression(text), text);   // unreadable texts travel on unchanged
    }
}

TEST(Expression, TermsAreTheReferencesBetweenOperators)
{
    Expression e;
    ASSERT_TRUE(e.parse(u("Т(1000)СТР1ГР4-(Т[2000]СТР[1,2]ГР3+2)*3")));
    ASSERT_EQ(e.terms().size(), 2u);
    EXPECT_EQ(e.terms()[0].table, u("1000"));
    EXPECT_EQ(e.terms()[1].table, u("2000"));
    const Decimal values[] = {Decimal::fromInt(10), *Decimal::parse(u("1.5"))};
    EXPECT_EQ(e.evaluateText(values), u("-0.50"));   // 10 - (1.5 + 2) * 3
}

TEST(Rounding, HundredthsHalvesAwayFromZero)
{
    struct Case {
        double value;
        double expected;
    } cases[] = {
        {0.125, 0.13}, {-0.125, -0.13}, {1.005, 1.01}, {2.675, 2.68}, {0.124999, 0.12},
        {1.0 / 3, 0.33}, {-0.004, 0.0}, {12345678.905, 12345678.91}, {99.995, 100.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(roundHundredths(c.value), c.expected);
    }
    EXPECT_EQ(formatControlNumber(-0.004), u("0.00"));
    EXPECT_EQ(formatControlNumber(1e17), u("100000000000000000.00"));
}

// --- references ---------------------------------------------------------------------------------

TEST(CellRef, ReadsEveryPartInAnyOrder)
{
    CellRef ref;
    ASSERT_TRUE(readCellRef(u("Ф12Т[1000]СТР[1,3..5]ГР4"), &ref));
    EXPECT_EQ(ref.form, u("Ф12"));
    EXPECT_EQ(ref.table, u("1000"));
    EXPECT_EQ(ref.tableNumber(), u("(1000)"));
    EXPECT_EQ(expandNumbers(ref.rows), (QList<int>{1, 3, 4, 5}));
    EXPECT_EQ(expandNumbers(ref.columns), (QList<int>{4}));

    CellRef other;
    ASSERT_TRUE(readCellRef(prepareControlText(u("гр4 стр[1,3..5]т(1000)ф12")), &other));
    EXPECT_EQ(other, ref);

    ASSERT_TRUE(readCellRef(u("ГР3,1..2,3"), &ref));   // order and duplicates stay
    EXPECT_EQ(expandNumbers(ref.columns), (QList<int>{3, 1, 2, 3}));
    EXPECT_FALSE(ref.hasForm() || ref.hasTable() || ref.hasRows());

    ASSERT_TRUE(readCellRef(u(""), &ref));
    EXPECT_TRUE(ref.isEmpty());
}

TEST(CellRef, RefusesWhatNamesNoCells)
{
    const char* bad[] = {
        "СТР1СТР2",     // a part twice
        "Х12СТР1",      // text before the first keyword
        "Т[1000СТР1",   // table without "]" (would read table 100)
        "Т(1000",
        "Т[]ГР1",       // empty table number
        "СТР[1,2ГР3",   // list without "]"
        "СТР[1,2]5",
        "СТР",          // empty list
        "СТР1,,2",
        "СТР1,",
        "СТР1..",
        "СТР5..3",      // range backwards
        "СТР1.5",
        "СТР-1",
        "ГР99999999999",
    };
    for (const char* text : bad) {
        SCOPED_TRACE(text);
        CellRef ref;
        QString reason;
        EXPECT_FALSE(readCellRef(u(text), &ref, &reason));
        EXPECT_FALSE(reason.isEmpty());
    }
}

TEST(CellRef, CompletionTakesEachPartFromOnePlace)
{
    CellRef term, cycle, dflt;
    ASSERT_TRUE(readCellRef(u("Т[2000]СТР7"), &term));
    ASSERT_TRUE(readCellRef(u("СТР1"), &cycle));
    ASSERT_TRUE(readCellRef(u("Ф12Т[1000]ГР5"), &dflt));
    const CellRef r = completeCellRef(completeCellRef(term, cycle), dflt);
    EXPECT_EQ(r.form, u("Ф12"));
    EXPECT_EQ(r.table, u("2000"));
    EXPECT_EQ(expandNumbers(r.rows), (QList<int>{7}));
    EXPECT_EQ(expandNumbers(r.columns), (QList<int>{5}));
}

// --- cells --------------------------------------------------------------------------------------

// A table of 6 layout columns (2 header columns) and 5 layout rows (2 header rows): data cells
// are Графа 3..6, Строка 1..3.
CellArray smallTable()
{
    CellArray a(3, 7, 3, 6);
    int n = 1;
    for (int c = 3; c <= 6; ++c)
        for (int r = 1; r <= 3; ++r)
            a.set(c + 1, r + 3, 10 * c + r + 0.001 * n++);   // Графа 4, Строка 2 holds ~42
    return a;
}

TEST(Cells, RangeIsTheDataCells)
{
    const CellArray a = smallTable();
    EXPECT_TRUE(CellInRange(a, 3, 1));
    EXPECT_TRUE(CellInRange(a, 6, 3));
    EXPECT_FALSE(CellInRange(a, 2, 1));   // header column
    EXPECT_FALSE(CellInRange(a, 7, 1));
    EXPECT_FALSE(CellInRange(a, 3, 0));
    EXPECT_FALSE(CellInRange(a, 3, 4));
    EXPECT_FALSE(CellInRange(CellArray(), 1, 1));
    EXPECT_DOUBLE_EQ(cellAt(a, 4, 2), 42.005);
}

TEST(Cells, SumColumnsOuterRowsInnerUntilTheFirstOutside)
{
    const CellArray a = smallTable();
    CellRef ref;
    ASSERT_TRUE(readCellRef(u("СТР1..3ГР4,5"), &ref));
    // 41.004 + 42.005 + 43.006 + 51.007 + 52.008 + 53.009 = 282.039
    TermValue v = sumCells(a, ref.columns, ref.rows);
    EXPECT_EQ(v.kind, TermValue::Number);
    EXPECT_EQ(formatControlNumber(v.value), u("282.04"));

    ASSERT_TRUE(readCellRef(u("СТР3,4,0ГР4,7"), &ref));
    v = sumCells(a, ref.columns, ref.rows);
    EXPECT_EQ(v.kind, TermValue::OutOfTable);
    EXPECT_EQ(v.column, 4);
    EXPECT_EQ(v.row, 4);
    EXPECT_EQ(OutOfTableText(u("Ф30"), u("(1000)"), 5, 3), u("ВПТ Ф30(1000) гр5стр3"));
}

// The sum as a person would make it: cell by cell, columns outer, rows inner, the first cell
// outside the table or past Decimal's range ending it.
TermValue cellByCellSum(const CellArray& values, const NumberList& columns, const NumberList& rows)
{
    TermValue out;
    Decimal sum;
    int decimals = 0;
    for (const NumberSpan& cs : columns)
        for (int c = cs.first; c <= cs.last; ++c)
            for (const NumberSpan& rs : rows)
                for (int r = rs.first; r <= rs.last; ++r) {
                    if (!CellInRange(values, c, r)) {
                        out.kind = TermValue::OutOfTable;
                        out.column = c;
                        out.row = r;
                        return out;
                    }
                    int d = 0;
                    const std::optional<Decimal> cell = Decimal::fromDouble(cellAt(values, c, r), &d);
                    const std::optional<Decimal> next = cell ? Decimal::add(sum, *cell) : std::nullopt;
                    if (!next) {
                        out.kind = TermValue::OutOfRange;
                        return out;
                    }
                    sum = *next;
                    decimals = std::max(decimals, d);
                }
    out.kind = TermValue::Number;
    if (decimals > 2) {
        const std::optional<Decimal> r = sum.rounded(2);
        if (!r) {
            out.kind = TermValue::OutOfRange;
            return out;
        }
        sum = *r;
    }
    out.value = sum;
    return out;
}

TEST(Cells, TheSumIsTheCellByCellSumForAnyListsAndNumbers)
{
    std::mt19937 rnd(19);
    const double specials[] = {0.125, 1.005, 2.675, -0.015, 0.1, 999999999999999.0, 1e15, -1e15,
                               4e19, -4e19, 9.9e19, 1e20, std::nan(""), HUGE_VAL, -0.0, 12.5};
    auto number = [&](int upTo) { return std::uniform_int_distribution<int>(0, upTo)(rnd); };
    for (int round = 0; round < 4000; ++round) {
        // Columns 3..6 and rows 1..4 inside, as a table of 2 header columns and rows.
        CellArray a(3, 7, 3, 7);
        const int kind = round % 4;   // whole numbers; some fractions; some specials; near the range
        for (int c = 3; c <= 7; ++c)
            for (int r = 3; r <= 7; ++r) {
                double v = number(2000) - 1000;
                if (kind == 1 && number(3) == 0)
                    v = v / 8;
                if (kind == 2 && number(4) == 0)
                    v = specials[number(std::size(specials) - 1)];
                if (kind == 3)
                    v = (number(1) ? 1 : -1) * 2.4e19 + v;
                a.set(c, r, v);
            }
        // Mostly inside (columns 3..6, rows 1..4), now and then reaching out of the table.
        auto list = [&](int low, int high) {
            NumberList l;
            for (int n = number(2); n >= 0; --n) {
                const bool out = number(9) == 0;
                const int first = out ? number(high + 2) : low + number(high - low);
                const int last = std::min(first + (number(2) ? 0 : number(3)), out ? high + 3 : high);
                l.append({first, std::max(first, last)});
            }
            return l;
        };
        const NumberList columns = list(3, 6), rows = list(1, 4);
        const TermValue want = cellByCellSum(a, columns, rows), got = sumCells(a, columns, rows);
        SCOPED_TRACE(round);
        ASSERT_EQ(got.kind, want.kind);
        if (want.kind == TermValue::Number)
            ASSERT_EQ(got.value, want.value);
        if (want.kind == TermValue::OutOfTable) {
            ASSERT_EQ(got.column, want.column);
            ASSERT_EQ(got.row, want.row);
        }
    }
}

// A chain of sums and a product by a written whole number take their own quick ways; written
// so that the general way is taken ("+" in front, the factor computed), they must agree, also
// at the edge of the range.
TEST(Expression, QuickWaysGiveWhatTheGeneralWayGives)
{
    Expression chain, general, product, computed, left, leftComputed;
    ASSERT_TRUE(chain.parse(u("СТР1ГР1+СТР1ГР2-СТР1ГР3+0.5")));
    ASSERT_TRUE(general.parse(u("+СТР1ГР1+СТР1ГР2-СТР1ГР3+0.5")));
    ASSERT_TRUE(product.parse(u("СТР1ГР1*3")));
    ASSERT_TRUE(computed.parse(u("СТР1ГР1*(1+2)")));
    ASSERT_TRUE(left.parse(u("-2*СТР1ГР1")));
    ASSERT_TRUE(leftComputed.parse(u("(1-3)*СТР1ГР1")));
    std::mt19937 rnd(7);
    const Decimal::Raw cent = Decimal::Raw(10'000'000'000'000'000LL);
    const Decimal::Raw edge = Decimal::Raw(10'000'000'000'000'000'000ULL) * Decimal::Raw(10'000'000'000'000'000'000ULL) / 3;
    for (int i = 0; i < 3000; ++i) {
        Decimal v[3];
        for (Decimal& d : v) {
            const Decimal::Raw cents = std::uniform_int_distribution<qint64>(-1'000'000'000, 1'000'000'000)(rnd);
            d = Decimal::fromRaw(i % 3 == 0 ? (edge / cent + cents) * cent : cents * cent);
        }
        SCOPED_TRACE(i);
        for (auto [quick, slow] : {std::pair{&chain, &general}, std::pair{&product, &computed},
                                   std::pair{&left, &leftComputed}}) {
            Decimal a, b;
            const bool okA = quick->evaluate(v, &a), okB = slow->evaluate(v, &b);
            ASSERT_EQ(okA, okB);
            if (okA)
                ASSERT_EQ(a, b);
        }
    }
}

// Whole numbers in 64 bits: wherever evaluateWhole gives a value it is the exact evaluate()'s,
// and it gives none where the exact reading is needed: a division with a remainder, a result
// past 64 bits (still inside the decimals' range), a literal that is not whole.
TEST(Expression, WholeNumbersGiveTheExactValueOrNone)
{
    struct Case {
        const char* text;
        std::vector<qint64> terms;
        bool whole;        // evaluateWhole gives a value
        qint64 expected;   // that value, by hand
    } cases[] = {
        {"ГР1", {7}, true, 7},
        {"ГР1+ГР2-ГР3+5", {7, 3, 20}, true, -5},
        {"(ГР1+ГР2)*2", {7, 3}, true, 20},
        {"-ГР1*ГР2", {7, -3}, true, 21},
        {"ГР1/ГР2*ГР2", {8, 2, 2}, true, 8},
        {"ГР1/ГР2*ГР2", {7, 2, 2}, false, 0},            // 3.50 * 2: the exact way gives 7.00
        {"ГР1/ГР2", {1, 3}, false, 0},                // 0.33
        {"ГР1/ГР2", {7, 0}, true, 0},                 // by zero gives 0
        {"ГР1/ГР2", {-9'000'000'000'000'000'000LL / 10, -1}, true, 900'000'000'000'000'000LL},
        {"ГР1*10000", {999'999'999'999'999LL}, false, 0},   // past 64 bits, not past the range
        {"ГР1*ГР1*ГР1", {3'000'000, 3'000'000, 3'000'000}, false, 0},
        {"ГР1-ГР2", {-9'000'000'000'000'000'000LL / 10 * 10, 9'000'000'000'000'000'000LL / 10 * 5}, false, 0},
        {"ГР1*0.5", {8}, false, 0},                   // a literal with decimals
        {"ГР1+0.00", {8}, true, 8},
        {"ГР1+1000000000000000", {8}, false, 0},      // a literal of 10^15 is read exactly
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Expression e;
        ASSERT_TRUE(e.parse(u(c.text)));
        qint64 whole = 0;
        ASSERT_EQ(e.evaluateWhole(c.terms.data(), &whole), c.whole);
        if (!c.whole)
            continue;
        EXPECT_EQ(whole, c.expected);
        std::vector<Decimal> exact;
        for (qint64 t : c.terms)
            exact.push_back(*Decimal::parse(QString::number(t)));
        Decimal value;
        ASSERT_TRUE(e.evaluate(exact.data(), &value));
        EXPECT_EQ(value, *Decimal::parse(QString::number(whole)));
    }
}

class MapTables : public TableSource {
public:
    std::map<QString, CellArray> tables;
    int asked = 0;
    const CellArray* table(const QString& form, const QString& number) override
    {
        ++asked;
        auto it = tables.find(form + number);
        return it == tables.end() ? nullptr : &it->second;
    }
};

TEST(EvalCellTerm, CompletesFromTheCycleTextAndReadsTheTable)
{
    MapTables src;
    src.tables[u("Ф12(1000)")] = smallTable();
    struct Case {
        const char* term;
        const char* cycle;
        const char* expected;
    } cases[] = {
        {"12", "ГР5Ф12Т[1000]", "12"},
        {"1.2.3", "", "1.2.3"},
        {"стр2", "ГР4Ф12Т[1000]", "42.01"},
        {"СТР2ГР3", "СТР1Ф12Т[1000]", "32.00"},   // the term's own row wins; 32.002
        {"ф12т(1000)стр1гр6", "", "61.01"},         // 61.010
        {"СТР4ГР3", "Ф12Т[1000]", "ВПТ Ф12(1000) гр3стр4"},
        {"СТР1ГР3", "Ф12Т[2000]", "СТР1ГР3"},       // no such table: unchanged
        {"ГР3", "Ф12Т[1000]", "ГР3"},               // no rows: names no cells
        {"СТР1ГР3", "", "СТР1ГР3"},                 // no table and no context
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.term);
        EXPECT_EQ(EvalCellTerm(u(c.term), u(c.cycle), src), u(c.expected));
    }
}

TEST(EvalCellTerm, ContextTableIsReadWithoutAskingTheSource)
{
    MapTables src;
    TableContext ctx{u("ф12"), u("(1000)"), smallTable()};
    EXPECT_EQ(EvalCellTerm(u("СТР1ГР3"), u(""), src, &ctx), u("31.00"));
    EXPECT_EQ(EvalCellTerm(u("Ф12Т[1000]СТР1ГР3"), u(""), src, &ctx), u("31.00"));
    EXPECT_EQ(EvalCellTerm(u("СТР9ГР3"), u(""), src, &ctx), u("ВПТ Ф12(1000) гр3стр9"));
    EXPECT_EQ(src.asked, 0);
    EXPECT_EQ(EvalCellTerm(u("Т[2000]СТР1ГР3"), u(""), src, &ctx), u("Т[2000]СТР1ГР3"));
    EXPECT_EQ(src.asked, 1);
}

TEST(EvalCellTerm, ContextTableNumberMatchesWithoutRegardToCase)
{
    // The catalogue keeps "(100а)"; a term writes it in any case and is upper-cased for reading.
    MapTables src;
    TableContext ctx{u("Ф12"), u("(100а)"), smallTable()};
    EXPECT_EQ(EvalCellTerm(u("Т[100а]СТР1ГР3"), u(""), src, &ctx), u("31.00"));
    EXPECT_EQ(EvalCellTerm(u("ф12т(100А)стр2гр3"), u(""), src, &ctx), u("32.00"));
    EXPECT_EQ(src.asked, 0);
}

} // namespace
