#include "reports/Indicators.h"

#include "PrintTo.h"

#include <gtest/gtest.h>

#include <QMap>

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }

// Ф12 (1000): two header columns and one header row; layout columns 3..6, data rows 1..3.
//     стр1: 10  20  -30  40
//     стр2:  1   2    3   4
//     стр3:  5   5    5   5
// Ф30 (1000): columns 2..3, rows 1..2, all 7. Ф30 (2000): the same shape, all 1.
CellArray makeTable(int fixcols, int colcount, int fixrows, int rowcount, const QList<QList<double>>& rows)
{
    CellArray a(fixcols + 1, colcount + 1, fixrows + 1, rowcount + 1);
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size(); ++c)
            a.set(fixcols + 1 + c + 1, fixrows + 1 + r + 1, rows[r][c]);
    return a;
}

class FakeTables : public TableSource {
public:
    FakeTables()
    {
        m_tables.insert(u("Ф12|(1000)"), makeTable(2, 6, 1, 4, {{10, 20, -30, 40}, {1, 2, 3, 4}, {5, 5, 5, 5}}));
        m_tables.insert(u("Ф30|(1000)"), makeTable(1, 3, 1, 3, {{7, 7}, {7, 7}}));
        m_tables.insert(u("Ф30|(2000)"), makeTable(1, 3, 1, 3, {{1, 1}, {1, 1}}));
    }
    const CellArray* table(const QString& form, const QString& number) override
    {
        ++asked;
        // The form's first table stands for a missing number.
        const QString key = form + u'|' + (number.isEmpty() ? u("(1000)") : number);
        const auto it = m_tables.constFind(key);
        return it == m_tables.constEnd() ? nullptr : &*it;
    }
    int asked = 0;

private:
    QMap<QString, CellArray> m_tables;
};

class FakePopulation : public PopulationSource {
public:
    Decimal population(int group) override { return Decimal::fromInt(groups[group]); }
    qint64 groups[4] = {123456, 30000, 7, 0};
};

struct Case {
    const char* formula;
    const char* shown;
};

struct Reading {
    const char* formula;
    const char* error;   // empty: reads
};

TEST(IndicatorsTest, FormulasOverTablesNamesAndPopulation)
{
    FakeTables tables;
    FakePopulation population;
    IndicatorCalculator calc(tables, population);
    calc.setNamedValues({
        u("A = B + 1"),
        u(" b=C*2"),
        u("C=Ф12Т[1000]СТР1ГР3-100"),   // 10 - 100 = -90: a negative intermediate
        u("ФАКТ = Ф12Т[1000]СТР1..3ГР3"),   // 16
        u("SELF = SELF + 1"),
        u("P = Q"),
        u("Q = P"),
        u("X = Ф12Т[1000]СТР2ГР3 / НАСЕЛЕНИЕ0"),
    });
    const Case cases[] = {
        // Rates per 1,000 of each population group: nothing rounded between operations.
        {"Ф12Т[1000]СТР2ГР3/НАСЕЛЕНИЕ0*1000", "0.01"},        // 1/123456*1000 = 0.0081
        {"Ф12Т[1000]СТР1ГР3/НАСЕЛЕНИЕ0*1000000", "81.00"},    // 10/123456*10^6 = 81.0005
        {"Ф12Т[1000]СТР1ГР5/НАСЕЛЕНИЕ1*1000", "-1.00"},       // -30/30000*1000
        {"Ф12Т[1000]СТР2ГР4/НАСЕЛЕНИЕ2*1000", "285.71"},      // 2/7*1000 = 285.714...
        {"Ф12Т[1000]СТР1ГР3/НАСЕЛЕНИЕ3*1000", "0.00"},        // a population of 0
        {"X*1000000", "8.10"},                                  // a named value enters unrounded
        {"1/3*3", "1.00"},
        // A quotient keeps 15 significant digits however small it is.
        {"1/30000000000*100000000000000000", "3333333.33"},
        {"7/30000000000*10000000000000000000", "2333333333.33"},
        {"100000000000000000*(-1/30000000000)", "-3333333.33"},
        {"2.675", "2.68"},
        {"-2.675", "-2.68"},
        // A named value three deep, through a negative value.
        {"A", "-179.00"},
        {"a*-1", "179.00"},
        {"-(A+179)", "0.00"},
        {"ФАКТ", "16.00"},
        {"фАкТ/2;‰", "8.00"},
        // A cell that cannot be computed is marked, never shown as its formula.
        {"SELF*2", "?"},
        {"P+1", "?"},
        {"UNKNOWN", "?"},
        {"НАСЕЛЕНИЕ4", "?"},
        // A reference outside its table.
        {"Ф12Т[1000]СТР4ГР3", "ВПТ Ф12(1000) гр3стр4"},
        {"Ф12Т[1000]СТР1ГР7+1", "ВПТ Ф12(1000) гр7стр1"},
        // Round and square table brackets are one reference; a missing table is the first one.
        {"Ф30Т(2000)СТР1..2ГР2..3", "4.00"},
        {"Ф30Т[2000]СТР1..2ГР2..3", "4.00"},
        {"Ф30СТР1ГР2", "7.00"},
        {"(Ф30Т(2000)СТР1ГР2+Ф30Т(1000)СТР1ГР2)*2", "16.00"},
        // A reference without rows or columns is marked.
        {"Ф12Т[1000]ГР4", "Ссылка без строк или граф: Ф12Т[1000]ГР4"},
        {"Ф12Т[1000]СТР1", "Ссылка без строк или граф: Ф12Т[1000]СТР1"},
        // A table that is not there, and broken texts, are marked; a blank formula shows nothing.
        {"Ф99Т[1000]СТР1ГР2", "?"},
        {"(1+2", "?"},
        {"1+", "?"},
        {"", ""},
        {" ;‰", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(calc.display(u(c.formula)), u(c.shown)) << c.formula;
}

TEST(IndicatorsTest, SuffixFollowsTheValueWhenAsked)
{
    FakeTables tables;
    FakePopulation population;
    IndicatorCalculator calc(tables, population);
    EXPECT_EQ(calc.display(u("Ф12Т[1000]СТР1ГР3/НАСЕЛЕНИЕ1*1000;‰"), true), u("0.33‰"));
    EXPECT_EQ(calc.display(u("5;‰")), u("5.00"));
}

TEST(IndicatorsTest, DeepAndCyclicChainsEndWithoutHanging)
{
    FakeTables tables;
    FakePopulation population;
    IndicatorCalculator calc(tables, population);
    QStringList lines;
    for (int i = 0; i < 150; ++i)
        lines << u("N%1 = N%2 + 1").arg(i).arg(i + 1);
    lines << u("N150 = -1");
    calc.setNamedValues(lines);
    EXPECT_EQ(calc.display(u("N0")), u("149.00"));

    lines.clear();
    for (int i = 0; i < 5000; ++i)
        lines << u("M%1 = M%2").arg(i).arg((i + 1) % 5000);
    calc.setNamedValues(lines);
    EXPECT_EQ(calc.display(u("M0")), u("?"));
    QString why;
    EXPECT_EQ(calc.display(QString(300, u'(') + u("1") + QString(300, u')'), false, &why), u("?"));
    EXPECT_EQ(why, u("Формула не читается: скобки и знаки вложены глубже 200 уровней"));
}

// What the grid tells of a formula when it is stored, and what the view gives as the reason of a
// marked cell: one reader, so both say the same.
TEST(IndicatorsTest, AFormulaThatDoesNotReadIsToldWhy)
{
    const Reading readings[] = {
        {"Ф12Т(3000)СТР1ГР4/(", "Формула не читается: нарушен баланс скобок"},
        {"(1+2", "Формула не читается: нарушен баланс скобок"},
        {"1+2)", "Формула не читается: нарушен баланс скобок"},
        {")1+2(", "Формула не читается: неправильная последовательность скобок"},
        {"1+", "Формула не читается: после «+» нет числа, ссылки или имени"},
        {"*2", "Формула не читается: перед «*» нет числа, ссылки или имени"},
        {"2*/3", "Формула не читается: перед «/» нет числа, ссылки или имени"},
        {"()", "Формула не читается: пустые скобки"},
        {"(1)2", "Формула не читается: пропущен знак действия перед «2»"},
        {"2(1+1)", "Формула не читается: пропущен знак действия перед «(»"},
        {"(1(2))", "Формула не читается: пропущен знак действия перед «(»"},
        // Only the part before ";" is read; the table's round brackets are no brackets of it.
        {"Ф12Т(3000)СТР1ГР4/НАСЕЛЕНИЕ1*1000;(‰", ""},
        {"-(Ф30Т(2000)СТР1ГР2+2)*-3", ""},
        {"UNKNOWN+1", ""},
        {"  ", ""},
        {"", ""},
    };
    FakeTables tables;
    FakePopulation population;
    IndicatorCalculator calc(tables, population);
    for (const Reading& r : readings) {
        SCOPED_TRACE(r.formula);
        EXPECT_EQ(indicatorFormulaError(u(r.formula)), u(r.error));
        if (*r.error) {
            QString why;
            EXPECT_EQ(calc.display(u(r.formula), false, &why), u("?"));
            EXPECT_EQ(why, u(r.error));
        }
    }
    // A named value: its "=" and name, then its whole definition.
    EXPECT_EQ(indicatorNamedValueError(u("ИТОГ = Ф12СТР1ГР3 + (2")), u("Формула не читается: нарушен баланс скобок"));
    EXPECT_EQ(indicatorNamedValueError(u("Неопределенный идентификатор")),
              u("Идентификатор не читается: нет знака «=» между именем и формулой"));
    EXPECT_EQ(indicatorNamedValueError(u(" = 5")), u("Идентификатор не читается: нет имени перед «=»"));
    EXPECT_EQ(indicatorNamedValueError(u("ИТОГ = ")), u("Формула не читается: нет выражения"));
    EXPECT_EQ(indicatorNamedValueError(u("ИТОГ = Ф12СТР1ГР3*2")), QString());
}

// Why a formula that reads still cannot be computed.
TEST(IndicatorsTest, AMarkedCellSaysWhatIsMissing)
{
    FakeTables tables;
    FakePopulation population;
    IndicatorCalculator calc(tables, population);
    calc.setNamedValues({u("SELF = SELF + 1"), u("ПЛОХО = (1"), u("ВЫШЕ = ПЛОХО * 2")});
    const Reading reasons[] = {
        {"UNKNOWN*2", "Неизвестное имя UNKNOWN"},
        {"SELF", "Идентификатор SELF определен через самого себя"},
        {"ПЛОХО+1", "Идентификатор ПЛОХО: формула не читается: нарушен баланс скобок"},
        {"ВЫШЕ", "Идентификатор ПЛОХО: формула не читается: нарушен баланс скобок"},
        {"Ф99Т[1000]СТР1ГР2", "Нет таблицы (1000) формы Ф99"},
        {"Ф12Т[1000]СТР1..ГР3", "Ссылка Ф12Т[1000]СТР1..ГР3 не читается: Элемент списка \"1..\" не целое число"},
    };
    for (const Reading& r : reasons) {
        SCOPED_TRACE(r.formula);
        QString why;
        EXPECT_EQ(calc.display(u(r.formula), false, &why), u("?"));
        EXPECT_EQ(why, u(r.error));
        // It reads: the grid stores it without a question.
        EXPECT_EQ(indicatorFormulaError(u(r.formula)), QString());
    }
}

} // namespace
