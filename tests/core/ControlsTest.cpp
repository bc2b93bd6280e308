#include "core/Controls.h"

#include "core/Common.h"
#include "core/StructureCache.h"
#include "core/TableCells.h"
#include "platform/Database.h"
#include "PrintTo.h"
#include "YearFixture.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }

struct Ctl {
    const char* lft;
    const char* reltion;
    const char* rght;
    const char* cycl = "";
    const char* commnt = "";
};

// Two forms, three tables, two institutions. The numbers of Ф12 (1000) for the first
// institution, Графа 3..6 by Строка 1..3:
//     стр1: 10  4  6  20        гр3 = гр4 + гр5, гр6 = 2 * гр3
//     стр2:  5  2  3  10        стр3 = стр1 + стр2
//     стр3: 15  6  9  30
// Ф12 (2000), Графа 2..5: стр1 15 1, стр2 6 2 (Графа 2, 3); Ф30 (1000), Графа 2: стр1 30, стр2 8.
// The second institution holds 100 in Ф12 (1000) стр1гр3, so reading the wrong one shows.
class ControlsYear : public ::testing::Test {
protected:
    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025, YearFixture::InstallAliases};
    int f12 = 0, f30 = 0, t1000 = 0, t2000 = 0, t30 = 0, instA = 0, instB = 0;

    void SetUp() override
    {
        f12 = year.addForm(u("Ф12"), u("Заболеваемость"));
        t1000 = year.addTable(f12, u("(1000)"), u("Взрослые"), 6, 5, 2, 2);
        t2000 = year.addTable(f12, u("(2000)"), u("Дети"), 5, 4, 1, 1);
        f30 = year.addForm(u("Ф30"), u("Кадры"));
        t30 = year.addTable(f30, u("(1000)"), u("Штаты"), 4, 3, 1, 1);
        instA = year.addInstitution(u("Больница 1"));
        instB = year.addInstitution(u("Больница 2"));
        const double grid[3][4] = {{10, 4, 6, 20}, {5, 2, 3, 10}, {15, 6, 9, 30}};
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 4; ++c)
                year.setEntered(instA, t1000, c + 3, r + 1, grid[r][c]);
        year.setEntered(instA, t2000, 2, 1, 15);
        year.setEntered(instA, t2000, 3, 1, 1);
        year.setEntered(instA, t2000, 2, 2, 6);
        year.setEntered(instA, t2000, 3, 2, 2);
        year.setEntered(instA, t30, 2, 1, 30);
        year.setEntered(instA, t30, 2, 2, 8);
        year.setEntered(instB, t1000, 3, 1, 100);

        GetForms(year.dictionary());
        GetTables(year.dictionary());
        ReportYear = 2025;
        DataTablePrefix = u("Data");
        WorkMode = u("Input");
        CurrentInstitutionId = instA;
    }

    // Loads the controls (codes 1, 2, ...) and runs them; the lines the run added.
    QStringList run(const char* defaultRef, std::initializer_list<Ctl> controls,
                    const TableContext* context = nullptr)
    {
        int code = 0;
        for (const Ctl& c : controls)
            AddControl(++code, u(c.lft), u(c.reltion), u(c.rght), u(c.cycl), u(c.commnt));
        const qsizetype before = ControlErrors.size();
        if (context)
            RunControls(u(defaultRef), *context);
        else
            RunControls(u(defaultRef));
        return ControlErrorLines().mid(before);
    }
};

TEST_F(ControlsYear, NoControlsAddNothing)
{
    ControlErrors.append({u("Ф12т(1000)")});
    EXPECT_TRUE(run("Ф12Т[1000]", {}).isEmpty());
    EXPECT_EQ(ControlErrors.size(), 1);
}

TEST_F(ControlsYear, EachRelationPassesAndFails)
{
    // стр1гр3 = 10, стр2гр3 = 5.
    struct Case {
        const char* left;
        const char* relation;
        const char* right;
        bool fails;
    } cases[] = {
        {"СТР1ГР3", "=", "СТР2ГР3", true},   {"СТР1ГР3", "=", "10", false},
        {"СТР1ГР3", "<>", "10", true},       {"СТР1ГР3", "<>", "СТР2ГР3", false},
        {"СТР1ГР3", ">", "10", true},        {"СТР1ГР3", ">", "СТР2ГР3", false},
        {"СТР2ГР3", ">=", "СТР1ГР3", true},  {"СТР1ГР3", ">=", "10", false},
        {"СТР1ГР3", "<", "10", true},        {"СТР2ГР3", "<", "СТР1ГР3", false},
        {"СТР1ГР3", "<=", "СТР2ГР3", true},  {"СТР1ГР3", "<=", "10", false},
        {"СТР1ГР3", " = ", "10.00", false},  // blanks around a relation are no part of it
        {"СТР1ГР3", "=\t", "СТР2ГР3", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.left) + c.relation + c.right);
        const QStringList lines = run("Ф12Т[1000]", {{c.left, c.relation, c.right}});
        EXPECT_EQ(lines.size(), c.fails ? 1 : 0);
        if (c.fails && !lines.isEmpty())
            EXPECT_FALSE(lines[0].startsWith(u("Ошибка")));
    }
}

TEST_F(ControlsYear, ExactLinesOfACycledControlAndOfOneWithoutCycle)
{
    EXPECT_EQ(run("Ф12Т[1000]", {{"гр3", "=", "гр4", "стр1..3", "Итог по строке"}}),
              (QStringList{u("10.00=4.00\tСТР1Ф12Т[1000]\tИтог по строке"),
                           u("5.00=2.00\tСТР2Ф12Т[1000]\tИтог по строке"),
                           u("15.00=6.00\tСТР3Ф12Т[1000]\tИтог по строке")}));
    // Between forms: no default reference, so the cycle field is empty. Small letters work.
    EXPECT_EQ(run("", {{"Ф30Т[1000]СТР2ГР2", "=", "ф12т(1000)стр2гр6", "", "Врачи"}}),
              (QStringList{u("8.00=10.00\t\tВрачи")}));
    // The relation is shown as stored.
    EXPECT_EQ(run("Ф12Т[1000]", {{"СТР1ГР3", "= ", "СТР1ГР4"}}),
              (QStringList{u("10.00= 4.00\tФ12Т[1000]\t")}));
    // No tolerance: a number written with more decimals keeps them.
    EXPECT_EQ(run("Ф12Т[1000]", {{"СТР1ГР3", "=", "10.001"}}),
              (QStringList{u("10.00=10.001\tФ12Т[1000]\t")}));
    EXPECT_EQ(CtlLeft.size(), 0);   // the run consumes the lists
    EXPECT_EQ(CtlCycle.size(), 0);
}

TEST_F(ControlsYear, StoredTabsAndLineBreaksKeepTheThreeFields)
{
    // The result list splits a line at its tabs: a tab kept from a stored relation or side
    // would move the value into the cycle's column. They show as blanks.
    const QStringList lines = run("Ф12Т[1000]", {{"СТР1ГР3", "=\t", "СТР2ГР3", "", "к"},
                                                 {"СТР1ГР3\t+", "\r\n=", "0", "стр1,\tх", "м"}});
    EXPECT_EQ(lines, (QStringList{u("10.00= 5.00\tФ12Т[1000]\tк"),
                                  u("Ошибка в контроле: СТР1ГР3 +  =0\tстр1, хФ12Т[1000]\tм")}));
    for (const QString& line : lines)
        EXPECT_EQ(line.count(u'\t'), 2) << line.toStdString();
}

TEST_F(ControlsYear, CyclesExpandListsAndRangesInOrder)
{
    // Row cycle: every row holds гр3 = гр4 + гр5; column cycle with brackets: стр3 = стр1 + стр2.
    EXPECT_TRUE(run("Ф12Т[1000]", {{"гр3", "=", "гр4+гр5", "стр1..3"},
                                   {"стр3", "=", "стр1+стр2", "гр[3..6]"}})
                    .isEmpty());
    EXPECT_EQ(run("Ф12Т[1000]", {{"стр3", "<", "стр1", "гр3,5..6", "к"}}),
              (QStringList{u("15.00<10.00\tГР3Ф12Т[1000]\tк"), u("9.00<6.00\tГР5Ф12Т[1000]\tк"),
                           u("30.00<20.00\tГР6Ф12Т[1000]\tк")}));
}

TEST_F(ControlsYear, TheTermsOwnRowsBeatTheCycles)
{
    // The left keeps its Строка 3 (15); the right takes the cycle's row: 10, 5, 15.
    EXPECT_EQ(run("Ф12Т[1000]", {{"СТР3ГР3", "=", "ГР4+ГР5", "стр1..3"}}),
              (QStringList{u("15.00=10.00\tСТР1Ф12Т[1000]\t"), u("15.00=5.00\tСТР2Ф12Т[1000]\t")}));
}

TEST_F(ControlsYear, ArithmeticAsPeopleReadItInsideControls)
{
    EXPECT_TRUE(run("Ф12Т[1000]", {
                                      {"СТР1ГР4-СТР1ГР3+СТР1ГР5", "=", "0"},     // 4 - 10 + 6
                                      {"СТР1ГР6/СТР2ГР4*2", "=", "СТР1ГР6"},    // 20 / 2 * 2
                                      {"-СТР1ГР3", "<", "0"},
                                      {"СТР1ГР6", "=", "2*(СТР1ГР4+СТР1ГР5)"},
                                      {"СТР1ГР3/0", "=", "0"},
                                  })
                    .isEmpty());
}

// Stored doubles read as their decimal text, every result rounded to hundredths, halves away
// from zero; values by hand.
TEST_F(ControlsYear, ChecksComputeInExactDecimals)
{
    year.setEntered(instA, t2000, 2, 3, 1.7);    // Ф12 (2000) стр3гр2
    year.setEntered(instA, t2000, 3, 3, 20);     // стр3гр3
    year.setEntered(instA, t30, 2, 1, 0.15);     // Ф30 стр1гр2
    year.setEntered(instA, t30, 3, 1, 2.675);    // стр1гр3
    year.setEntered(instA, t30, 2, 2, 999999999);
    // 1.7 / 20 = 0.085 -> 0.09 -> 9.00: a share of 9 % is above 8.5 % (in doubles it passed).
    EXPECT_EQ(run("Ф12Т[2000]", {{"(стр3гр2/стр3гр3)*100", "<=", "8.5", "", "доля"}}),
              (QStringList{u("9.00<=8.5	Ф12Т[2000]	доля")}));
    EXPECT_EQ(run("Ф30Т[1000]", {{"стр1гр2*1.5", "=", "0.22"},      // 0.225 -> 0.23
                                 {"стр1гр3", "=", "2.67"},          // a term is its rounded sum
                                 {"стр2гр2*стр2гр2", "=", "0"}}),
              (QStringList{u("0.23=0.22	Ф30Т[1000]	"), u("2.68=2.67	Ф30Т[1000]	"),
                           u("999999998000000001.00=0	Ф30Т[1000]	")}));
    // Past the range: the control's error line, never a wrong number.
    year.setEntered(instA, t30, 3, 2, 1e12);
    const qsizetype before = ControlErrors.size();
    EXPECT_EQ(run("Ф30Т[1000]", {{"стр2гр3*стр2гр3*стр2гр3", ">", "0", "", "к"}}),
              (QStringList{u("Ошибка в контроле: стр2гр3*стр2гр3*стр2гр3>0	Ф30Т[1000]	к")}));
    EXPECT_TRUE(ControlErrors[before].malformed);
    EXPECT_EQ(ControlErrors[before].reason, outOfRangeReason());
}

// Checks of whole numbers are settled without decimals; where that is not the exact answer (a
// division with a remainder, a product past 64 bits, a fraction in one item, an item outside
// the table) the lines must be those of the exact reading. Values by hand.
TEST_F(ControlsYear, WholeAndExactReadingsAgreeAtTheirBorders)
{
    year.setEntered(instA, t30, 2, 1, 999999999999999);   // Ф30 стр1гр2, just below 10^15
    year.setEntered(instA, t1000, 5, 2, 2.5);              // Ф12 (1000) стр2гр5: 5 = 2 + 2.5 fails
    EXPECT_EQ(run("Ф30Т[1000]", {{"стр1гр2*10000", "=", "9999999999999990000"},
                                 {"стр1гр2*10000", "<", "0"}}),
              (QStringList{u("9999999999999990000.00<0	Ф30Т[1000]	")}));
    EXPECT_EQ(run("Ф12Т[1000]", {{"гр3/гр4*гр4", "=", "гр3", "стр1..3"},    // 2.50 * 4 and so on
                                 {"гр3/гр4*гр4", "<>", "гр3", "стр1"},
                                 {"гр3", ">=", "гр4", "стр1..4"},
                                 {"гр3", "=", "гр4+гр5", "стр1..3"}}),
              (QStringList{u("10.00<>10.00	СТР1Ф12Т[1000]	"),
                           u("ВПТ Ф12(1000) гр3стр4>=ВПТ Ф12(1000) гр4стр4	СТР4Ф12Т[1000]	"),
                           u("5.00=4.50	СТР2Ф12Т[1000]	")}));
}

// The forms tree builds its default reference from the stored name; a reference is read
// without blanks, and the form is found all the same.
TEST_F(ControlsYear, AFormNamedWithBlanksIsFoundFromTheTreeAndTheGrid)
{
    const int f = year.addForm(u("Ф 7"), u("С пробелом"));
    const int t = year.addTable(f, u("(100)"), u("Т"), 4, 3, 2, 1);
    year.setEntered(instA, t, 3, 1, 5);
    GetForms(year.dictionary());
    GetTables(year.dictionary());
    // From the tree: the default reference is the stored name, blanks and all.
    EXPECT_EQ(run("Ф 7Т[100]", {{"стр1гр3", "=", "6"}}), (QStringList{u("5.00=6	Ф 7Т[100]	")}));
    EXPECT_EQ(run("", {{"ф 7т[100]стр1гр3", "=", "5"}}), QStringList());
    // From the grid: its own table, named as the catalogue names it.
    CellArray values(3, 5, 2, 4);
    values.set(4, 3, 5);
    const TableContext grid{u("Ф 7"), u("(100)"), values};
    EXPECT_EQ(run("", {{"Ф7Т[100]СТР1ГР3", "=", "6"}}, &grid), (QStringList{u("5.00=6		")}));
}

// A table the catalogue has but the loader refuses says why on a line of its own.
TEST_F(ControlsYear, ATableThatCannotBeLoadedSaysWhy)
{
    const int t = year.addTable(f30, u("(2000)"), u("Огромная"), 60000, 60000, 1, 1);
    Q_UNUSED(t);
    GetTables(year.dictionary());
    const QStringList lines = run("Ф30", {{"Т[2000]СТР1ГР2", "=", "0"}, {"Т[2000]СТР2ГР2", "=", "0"}});
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith(u("Размеры таблицы (2000) формы Ф30 заданы неверно"))) << lines[0].toStdString();
    EXPECT_EQ(lines[1], u("Т[2000]СТР1ГР2=0	Ф30	"));
    EXPECT_EQ(lines[2], u("Т[2000]СТР2ГР2=0	Ф30	"));   // the reason is told once
}

TEST_F(ControlsYear, InterTableAndInterFormReferences)
{
    EXPECT_TRUE(run("Ф12", {{"Т[2000]СТР1ГР2", "=", "Т[1000]СТР3ГР3"}}).isEmpty());
    EXPECT_EQ(run("Ф12", {{"Т(2000)СТР2ГР2", "=", "Т[1000]СТР2ГР3", "", "Дети"}}),
              (QStringList{u("6.00=5.00\tФ12\tДети")}));
    EXPECT_TRUE(run("", {{"Ф30Т[1000]СТР1ГР2", "=", "Ф12Т[1000]СТР3ГР6"},
                         {"Ф30СТР1ГР2", "=", "30"}})   // a form alone: its first table
                    .isEmpty());
    // A table the catalogue does not have stays as written and fails the check.
    EXPECT_EQ(run("Ф12", {{"т[9000]стр1гр3", "=", "0"}}), (QStringList{u("Т[9000]СТР1ГР3=0\tФ12\t")}));
}

TEST_F(ControlsYear, CellOutsideItsTableKeepsTheVptText)
{
    EXPECT_EQ(run("Ф12Т[1000]", {{"СТР4ГР3", "=", "0"}, {"СТР1ГР3+СТР1ГР7", "=", "10"}}),
              (QStringList{u("ВПТ Ф12(1000) гр3стр4=0\tФ12Т[1000]\t"),
                           u("10.00+ВПТ Ф12(1000) гр7стр1=10\tФ12Т[1000]\t")}));
    EXPECT_EQ(run("", {{"Ф30Т[1000]СТР1ГР2", "=", "Ф12Т[2000]ГР2СТР0"}}),
              (QStringList{u("30.00=ВПТ Ф12(2000) гр2стр0\t\t")}));
}

TEST_F(ControlsYear, AMalformedControlGivesOneLineAndTheRunGoesOn)
{
    const QStringList lines = run("Ф12Т[1000]", {
                                                    {"СТР1ГР3", "=", "СТР1ГР4", "", "первый"},
                                                    {"СТР1ГР3+", "=", "СТР1ГР4", "стр1..3", "операнд"},
                                                    {"СТР1,ХГР3", "=", "0", "", "элемент"},
                                                    {"СТР3..1ГР3", "=", "0", "", "диапазон"},
                                                    {"Т[1000СТР1ГР3", "=", "0", "", "таблица"},
                                                    {"СТР[1,2ГР3", "=", "0", "", "список"},
                                                    {"гр3", "=", "гр4", "ст1..3", "цикл"},
                                                    {"СТР1ГР3", "=>", "0", "", "отношение"},
                                                    {"ГР3", "=", "ГР4", "", "без строк"},
                                                    {"СТР1", "=", "0", "стр2", "без граф"},
                                                    {"", "=", "0", "", "пусто"},
                                                    {"(СТР1ГР3", "=", "0", "", "скобка"},
                                                    {"гр[3..4", "=", "0", "", "цикл без скобки"},
                                                    {"СТР2ГР3", "=", "СТР2ГР4", "", "последний"},
                                                });
    EXPECT_EQ(lines,
              (QStringList{
                  u("10.00=4.00\tФ12Т[1000]\tпервый"),
                  u("Ошибка в контроле: СТР1ГР3+=СТР1ГР4\tстр1..3Ф12Т[1000]\tоперанд"),
                  u("Ошибка в контроле: СТР1,ХГР3=0\tФ12Т[1000]\tэлемент"),
                  u("Ошибка в контроле: СТР3..1ГР3=0\tФ12Т[1000]\tдиапазон"),
                  u("Ошибка в контроле: Т[1000СТР1ГР3=0\tФ12Т[1000]\tтаблица"),
                  u("Ошибка в контроле: СТР[1,2ГР3=0\tФ12Т[1000]\tсписок"),
                  u("Ошибка в контроле: гр3=гр4\tст1..3Ф12Т[1000]\tцикл"),
                  u("Ошибка в контроле: СТР1ГР3=>0\tФ12Т[1000]\tотношение"),
                  u("Ошибка в контроле: ГР3=ГР4\tФ12Т[1000]\tбез строк"),
                  u("Ошибка в контроле: СТР1=0\tстр2Ф12Т[1000]\tбез граф"),
                  u("Ошибка в контроле: =0\tФ12Т[1000]\tпусто"),
                  u("Ошибка в контроле: (СТР1ГР3=0\tФ12Т[1000]\tскобка"),
                  u("Ошибка в контроле: гр[3..4=0\tФ12Т[1000]\tцикл без скобки"),
                  u("5.00=2.00\tФ12Т[1000]\tпоследний"),
              }));
    for (qsizetype i = 1; i + 1 < ControlErrors.size(); ++i) {
        EXPECT_TRUE(ControlErrors[i].malformed) << i;
        EXPECT_FALSE(ControlErrors[i].reason.isEmpty()) << i;
        EXPECT_EQ(ControlErrors[i].code, i + 1);
    }
    EXPECT_FALSE(ControlErrors.first().malformed);
}

TEST_F(ControlsYear, AControlNestedFortyThousandDeepIsMalformedAndTheRunGoesOn)
{
    const QByteArray deep = QByteArray(40000, '(') + "СТР1ГР3" + QByteArray(40000, ')');
    const QStringList lines = run("Ф12Т[1000]", {
                                                    {deep.constData(), "=", "0", "", "глубоко"},
                                                    {"СТР2ГР3", "=", "СТР2ГР4", "", "следующий"},
                                                });
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], u("Ошибка в контроле: ") + u(deep.constData()) + u("=0\tФ12Т[1000]\tглубоко"));
    EXPECT_TRUE(ControlErrors[0].malformed);
    EXPECT_EQ(ControlErrors[0].reason, u("Вложенность глубже 200 уровней"));
    EXPECT_EQ(lines[1], u("5.00=2.00\tФ12Т[1000]\tследующий"));
}

TEST_F(ControlsYear, AMalformedCycleGivesOneLineAndTheRunGoesOn)
{
    EXPECT_EQ(run("Ф12Т[1000]", {
                                    {"гр3", "=", "гр4", "стр[1..3", "без скобки"},
                                    {"гр3", "=", "гр4", "стр1,х", "элемент"},
                                    {"гр3", "=", "гр4", "стр3..1", "диапазон"},
                                    {"гр3", "=", "гр4", "стр", "пустой"},
                                    {"стр1", "=", "стр2", "гр3..4]", "лишняя скобка"},
                                    {"гр3", "=", "гр4", "стр1..99999999", "опечатка"},
                                    {"гр3", "=", "гр4+гр5", "стр2", "последний"},
                                }),
              (QStringList{
                  u("Ошибка в контроле: гр3=гр4	стр[1..3Ф12Т[1000]	без скобки"),
                  u("Ошибка в контроле: гр3=гр4	стр1,хФ12Т[1000]	элемент"),
                  u("Ошибка в контроле: гр3=гр4	стр3..1Ф12Т[1000]	диапазон"),
                  u("Ошибка в контроле: гр3=гр4	стрФ12Т[1000]	пустой"),
                  u("Ошибка в контроле: стр1=стр2	гр3..4]Ф12Т[1000]	лишняя скобка"),
                  u("Ошибка в контроле: гр3=гр4	стр1..99999999Ф12Т[1000]	опечатка"),
              }));   // стр2: 5 = 2 + 3 holds
}

TEST_F(ControlsYear, GridContextTableNumberMatchesWithoutRegardToCase)
{
    // The tree keeps a table number with a small letter; the terms are read in capitals. The
    // grid's values must be read, not the database (which has no such table).
    ASSERT_TRUE(LoadTableCells(instA, u("Ф12"), u("(1000)")));
    TableContext ctx{u("Ф12"), u("(3000б)"), CellValues};
    EXPECT_TRUE(run("", {{"Т[3000б]СТР1ГР3", "=", "10"},
                         {"СТР2ГР3", "=", "ф12т(3000Б)стр2гр3"},
                         {"т[3000б]стр3гр3", "=", "гр4+гр5", "стр3"}},
                    &ctx)
                    .isEmpty());
}

TEST_F(ControlsYear, AWideListOutsideTheTableFailsWithoutWritingOutTheList)
{
    // The cells a failed check read are collected span by span: a typed-in 999999999 must not
    // make a list of a billion numbers.
    EXPECT_EQ(run("Ф12Т[1000]", {{"СТР1..999999999ГР3..999999999", "=", "0"}}),
              (QStringList{u("ВПТ Ф12(1000) гр3стр4=0	Ф12Т[1000]	")}));
    ASSERT_EQ(ControlErrors.size(), 1);
    EXPECT_EQ(ControlErrors[0].leftCells,
              (QList<ControlCell>{{u("Ф12"), u("(1000)"), 3, 1}, {u("Ф12"), u("(1000)"), 3, 2},
                                  {u("Ф12"), u("(1000)"), 3, 3}}));
}

TEST_F(ControlsYear, ErrorLineCarriesCodeTableAndCellsRead)
{
    const int code = year.addControl(f12, u("(1000)"), u("гр3"), u("="), u("гр4+Т[2000]СТР1ГР3"),
                                     u("стр2"), u("к"));
    Query q(year.dictionary(), QStringLiteral(R"(select * from "int_control" where "Код"=?)"), {code});
    ASSERT_TRUE(q.next());
    AddControlFromRecord(q);
    RunControls(u("Ф12Т[1000]"));
    ASSERT_EQ(ControlErrors.size(), 1);
    const ControlError& e = ControlErrors[0];
    EXPECT_EQ(e.text, u("5.00=3.00\tСТР2Ф12Т[1000]\tк"));   // 5 = 2 + 1
    EXPECT_EQ(e.code, code);
    EXPECT_EQ(ControlErrorCodes(), QList<int>{code});
    EXPECT_EQ(e.formName, u("Ф12"));
    EXPECT_EQ(e.tableNumber, u("(1000)"));
    EXPECT_EQ(e.leftCells, (QList<ControlCell>{{u("Ф12"), u("(1000)"), 3, 2}}));
    EXPECT_EQ(e.rightCells,
              (QList<ControlCell>{{u("Ф12"), u("(1000)"), 4, 2}, {u("Ф12"), u("(2000)"), 3, 1}}));
}

TEST_F(ControlsYear, EachTableIsReadOncePerRun)
{
    QStringList loads;
    ControlTableLoading = [&](const QString& f, const QString& t) { loads << f + t; };
    EXPECT_EQ(run("Ф12", {{"Т[1000]СТР1ГР3", "=", "Т[1000]СТР1ГР4+Т[1000]СТР1ГР5", "стр1..3"},
                          {"Т[2000]СТР1ГР2", "=", "Т[1000]СТР3ГР3"},
                          {"Т[2000]СТР2ГР2", ">", "Т[1000]СТР2ГР3"}})
                  .size(),
              0);
    EXPECT_EQ(loads, (QStringList{u("Ф12(1000)"), u("Ф12(2000)")}));
}

TEST_F(ControlsYear, TypesModeSumsTheListedInstitutions)
{
    EXPECT_EQ(run("Ф12Т[1000]", {{"СТР1ГР3", "=", "110"}}), (QStringList{u("10.00=110\tФ12Т[1000]\t")}));
    WorkMode = u("Types");
    InstitutionIdList = QString::number(instA) + u(",") + QString::number(instB);
    EXPECT_TRUE(run("Ф12Т[1000]", {{"СТР1ГР3", "=", "110"}}).isEmpty());
}

TEST_F(ControlsYear, GridRunReadsTheContextAndLeavesEveryTableAlone)
{
    // The grid holds an unsaved 11 in стр1гр3; the database still has 10.
    ASSERT_TRUE(LoadTableCells(instA, u("Ф12"), u("(1000)")));
    CellValues.set(3 + 1, 1 + 2 + 1, 11);
    const CellArray before = CellValues;
    const QList<double> shown = {CellValues.value(4, 4), CellValues.value(5, 4)};
    TableContext ctx{u("Ф12"), u("(1000)"), CellValues};

    const QStringList lines = run("", {{"гр3", "=", "гр4+гр5", "стр1..2"},
                                       {"Ф12Т[1000]СТР1ГР3", "=", "10"},
                                       {"СТР1ГР3", ">", "Т[2000]СТР1ГР2"},   // 11 > 15: another table
                                       {"СТР1ГР3", "=", "ф30т[1000]стр1гр2"}},
                                  &ctx);
    EXPECT_EQ(lines, (QStringList{u("11.00=10.00\tСТР1\t"), u("11.00=10\t\t"),
                                  u("11.00>15.00\t\t"), u("11.00=30.00\t\t")}));
    // Nothing the grid shows or saves has changed.
    EXPECT_EQ(CellValues.lowColumn(), before.lowColumn());
    EXPECT_EQ(CellValues.highRow(), before.highRow());
    for (int c = before.lowColumn(); c <= before.highColumn(); ++c)
        for (int r = before.lowRow(); r <= before.highRow(); ++r)
            EXPECT_EQ(CellValues.value(c, r), before.value(c, r)) << c << "," << r;
    EXPECT_EQ(CellValues.value(4, 4), 11);
    EXPECT_EQ(ctx.values.value(4, 4), 11);
    EXPECT_EQ(shown, (QList<double>{11, 4}));
    EXPECT_EQ(year.storedCells(instA, t1000).first(), (StoredCell{4, 4, 10}));
}

TEST_F(ControlsYear, ATreeRunDoesNotTouchTheSharedArray)
{
    CellValues = CellArray(1, 2, 1, 2);
    CellValues.set(2, 2, 7);
    CellRowOffset = 5;
    EXPECT_EQ(run("Ф12", {{"Т[2000]СТР2ГР2", "=", "Т[1000]СТР2ГР3"}}).size(), 1);
    EXPECT_EQ(CellValues.highColumn(), 2);
    EXPECT_EQ(CellValues.value(2, 2), 7);
    EXPECT_EQ(CellRowOffset, 5);
}

TEST_F(ControlsYear, ADatabaseErrorLeavesTheSharedArrayAndConsumesTheLists)
{
    CellValues = CellArray(1, 2, 1, 2);
    CellValues.set(2, 2, 7);
    year.data().exec(u(R"(drop table "data")"));
    AddControl(1, u("СТР1ГР3"), u("="), u("0"));
    EXPECT_THROW(RunControls(u("Ф12Т[1000]")), DbError);
    EXPECT_EQ(CellValues.value(2, 2), 7);
    EXPECT_TRUE(ControlErrors.isEmpty());
    EXPECT_EQ(CtlLeft.size(), 0);
}


// Every field of an error line, for comparing whole runs.
QString describe(const ControlError& e)
{
    auto cells = [](const QList<ControlCell>& list) {
        QStringList out;
        for (const ControlCell& c : list)
            out << c.formName + c.tableNumber + u(":") + QString::number(c.column) + u(",") + QString::number(c.row);
        return out.join(u(" "));
    };
    return QString::number(e.code) + (e.malformed ? u(" M ") : u(" - ")) + e.formName + u("|") + e.tableNumber
        + u("|") + e.text + u("|") + cells(e.leftCells) + u("|") + cells(e.rightCells);
}

// The lines of a territory-like mix, pinned from the engine that resolved every term's table at
// every control: a run that resolves each table once per set must give the same lines, in the
// same order, with the same cells, for two institutions in turn and for the grid's own table.
TEST_F(ControlsYear, ResolvedReferencesGiveTheSameFailuresAsTermByTermResolution)
{
    year.addTable(f12, u("(4000)"), u("Огромная"), 60000, 60000, 1, 1);   // cannot be loaded
    year.setEntered(instA, t2000, 2, 3, 0.125);
    year.setEntered(instA, t2000, 3, 3, 1.005);
    year.setEntered(instA, t30, 3, 1, 2.675);
    year.setEntered(instA, t30, 3, 2, 1e12);
    year.setEntered(instB, t1000, 4, 2, 7.5);
    year.setEntered(instB, t2000, 2, 1, -3);
    GetTables(year.dictionary());

    ControlSet own(u("Ф12Т[1000]"));
    int code = 0;
    auto add = [&](ControlSet& set, const char* l, const char* r, const char* rt, const char* cy = "") {
        ++code;
        set.add(code, u(l), u(r), u(rt), u(cy), u("к") + QString::number(code));
    };
    add(own, "гр3", "=", "гр4+гр5", "стр1..4");                          // a row past the table
    add(own, "стр3", "=", "стр1+стр2+Т[2000]стр1гр2", "гр3..7");       // another table, a column past
    add(own, "Ф30Т[1000]стр1гр2", ">", "стр1гр3+Т[3000]стр1гр3");       // a table nobody has
    add(own, "Ф99стр1гр3", "=", "0");                                   // a form nobody has
    add(own, "стр1гр3*1.5", "=", "стр2гр3/3");
    add(own, "Т[2000]стр3гр2+Т[2000]стр3гр3", "=", "1.13");             // fractions rounded per term
    add(own, "Т[2000]стр[3]гр[2..3]", "=", "1.12");
    add(own, "гр3", "=", "гр4");                                        // no rows: malformed
    add(own, "Т[2000]гр2", "<", "Т[2000]гр3", "стр1..3");
    add(own, "стр0гр3", "=", "0");
    add(own, "Т[4000]стр1гр2", "=", "0");                               // told why, once
    add(own, "Т[4000]стр2гр2", "=", "1");
    add(own, "стр[1,3]гр[3,5..6]", "=", "0");
    add(own, "Ф30Т[1000]стр2гр3*Ф30Т[1000]стр2гр3*Ф30Т[1000]стр2гр3", ">", "0");   // past the range
    add(own, "-стр1гр3", "<", "стр2гр3*2-Ф12Т[1000]стр3гр6", "стр1,3");
    add(own, "стр3", "<", "стр1", "гр3,5..6,9");
    add(own, "Ф12Т(1000)стр2гр4+ф12т[1000]стр2гр4", "=", "стр2гр4*2");  // one table, three spellings

    ControlSet between(u("Ф12"));
    add(between, "Т[2000]стр2гр2", "=", "Т[1000]стр2гр3");
    add(between, "Ф30стр1гр2", "=", "Т[1000]стр3гр6+Т(2000)стр1гр3");
    add(between, "т[9000]стр1гр3", "=", "0");
    add(between, "Т[4000]стр1гр2", "=", "Т[1000]стр1гр3");
    add(between, "Т[2000]гр2+Т[1000]гр3", ">=", "Т[2000]гр3", "стр1..3");

    ControlSet forms{QString()};
    add(forms, "Ф30Т[1000]стр2гр2", "=", "ф12т(1000)стр2гр6");
    add(forms, "Ф12Т[2000]стр1гр2", ">", "Ф30Т[1000]гр2", "стр1..2");
    add(forms, "стр1гр3", "=", "0");                                    // names no table
    add(forms, "Ф30Т[1000]стр1гр2", "=", "Ф12Т[2000]ГР2СТР0");

    QStringList lines;
    auto runAll = [&](TableSource& tables, const TableContext* context) {
        for (const ControlSet* set : {&own, &between, &forms}) {
            QList<ControlError> errors;
            set->run(tables, context, errors);
            lines << u("--");
            for (const ControlError& e : errors)
                lines << describe(e);
        }
    };
    RunTables tables(instA);
    runAll(tables, nullptr);
    tables.setInstitution(instB);
    runAll(tables, nullptr);
    // The grid's own table: unsaved numbers in стр1гр3 and стр2гр5.
    ASSERT_TRUE(LoadTableCells(instA, u("Ф12"), u("(1000)")));
    TableContext grid{u("Ф12"), u("(1000)"), CellValues};
    grid.values.set(4, 4, 11);
    grid.values.set(6, 5, 4);
    RunTables gridTables(instA);
    runAll(gridTables, &grid);

    const QStringList expected = {
        u("--"),
        u("1 - Ф12|(1000)|ВПТ Ф12(1000) гр3стр4=ВПТ Ф12(1000) гр4стр4+ВПТ Ф12(1000) гр5стр4\tСТР4Ф12Т[1000]\tк1||"),
        u("2 - Ф12|(1000)|15.00=30.00\tГР3Ф12Т[1000]\tк2|Ф12(1000):3,3|Ф12(1000):3,1 Ф12(1000):3,2 Ф12(2000):2,1"),
        u("2 - Ф12|(1000)|6.00=21.00\tГР4Ф12Т[1000]\tк2|Ф12(1000):4,3|Ф12(1000):4,1 Ф12(1000):4,2 Ф12(2000):2,1"),
        u("2 - Ф12|(1000)|9.00=24.00\tГР5Ф12Т[1000]\tк2|Ф12(1000):5,3|Ф12(1000):5,1 Ф12(1000):5,2 Ф12(2000):2,1"),
        u("2 - Ф12|(1000)|30.00=45.00\tГР6Ф12Т[1000]\tк2|Ф12(1000):6,3|Ф12(1000):6,1 Ф12(1000):6,2 Ф12(2000):2,1"),
        u("2 - Ф12|(1000)|ВПТ Ф12(1000) гр7стр3=ВПТ Ф12(1000) гр7стр1+ВПТ Ф12(1000) гр7стр2+15.00\tГР7Ф12Т[1000]\tк2||Ф12(2000):2,1"),
        u("3 - Ф12|(1000)|30.00>10.00+Т[3000]СТР1ГР3\tФ12Т[1000]\tк3|Ф30(1000):2,1|Ф12(1000):3,1"),
        u("4 - Ф12|(1000)|Ф99СТР1ГР3=0\tФ12Т[1000]\tк4||"),
        u("5 - Ф12|(1000)|15.00=1.67\tФ12Т[1000]\tк5|Ф12(1000):3,1|Ф12(1000):3,2"),
        u("6 - Ф12|(1000)|1.14=1.13\tФ12Т[1000]\tк6|Ф12(2000):2,3 Ф12(2000):3,3|"),
        u("7 - Ф12|(1000)|1.13=1.12\tФ12Т[1000]\tк7|Ф12(2000):2,3 Ф12(2000):3,3|"),
        u("8 M Ф12|(1000)|Ошибка в контроле: гр3=гр4\tФ12Т[1000]\tк8||"),
        u("9 - Ф12|(1000)|15.00<1.00\tСТР1Ф12Т[1000]\tк9|Ф12(2000):2,1|Ф12(2000):3,1"),
        u("9 - Ф12|(1000)|6.00<2.00\tСТР2Ф12Т[1000]\tк9|Ф12(2000):2,2|Ф12(2000):3,2"),
        u("10 - Ф12|(1000)|ВПТ Ф12(1000) гр3стр0=0\tФ12Т[1000]\tк10||"),
        u("11 - Ф12|(4000)|Размеры таблицы (4000) формы Ф12 заданы неверно: граф 60000, строк 60000, граф боковика 1, строк шапки 1||"),
        u("11 - Ф12|(1000)|Т[4000]СТР1ГР2=0\tФ12Т[1000]\tк11||"),
        u("12 - Ф12|(1000)|Т[4000]СТР2ГР2=1\tФ12Т[1000]\tк12||"),
        u("13 - Ф12|(1000)|90.00=0\tФ12Т[1000]\tк13|Ф12(1000):3,1 Ф12(1000):3,3 Ф12(1000):5,1 Ф12(1000):5,3 Ф12(1000):6,1 Ф12(1000):6,3|"),
        u("14 M Ф12|(1000)|Ошибка в контроле: Ф30Т[1000]стр2гр3*Ф30Т[1000]стр2гр3*Ф30Т[1000]стр2гр3>0\tФ12Т[1000]\tк14||"),
        u("15 - Ф12|(1000)|-10.00<-20.00\tСТР1Ф12Т[1000]\tк15|Ф12(1000):3,1|Ф12(1000):3,2 Ф12(1000):6,3"),
        u("15 - Ф12|(1000)|-10.00<-20.00\tСТР3Ф12Т[1000]\tк15|Ф12(1000):3,1|Ф12(1000):3,2 Ф12(1000):6,3"),
        u("16 - Ф12|(1000)|15.00<10.00\tГР3Ф12Т[1000]\tк16|Ф12(1000):3,3|Ф12(1000):3,1"),
        u("16 - Ф12|(1000)|9.00<6.00\tГР5Ф12Т[1000]\tк16|Ф12(1000):5,3|Ф12(1000):5,1"),
        u("16 - Ф12|(1000)|30.00<20.00\tГР6Ф12Т[1000]\tк16|Ф12(1000):6,3|Ф12(1000):6,1"),
        u("16 - Ф12|(1000)|ВПТ Ф12(1000) гр9стр3<ВПТ Ф12(1000) гр9стр1\tГР9Ф12Т[1000]\tк16||"),
        u("--"),
        u("18 - Ф12||6.00=5.00\tФ12\tк18|Ф12(2000):2,2|Ф12(1000):3,2"),
        u("19 - Ф12||30.00=31.00\tФ12\tк19|Ф30:2,1|Ф12(1000):6,3 Ф12(2000):3,1"),
        u("20 - Ф12||Т[9000]СТР1ГР3=0\tФ12\tк20||"),
        u("21 - Ф12||Т[4000]СТР1ГР2=10.00\tФ12\tк21||Ф12(1000):3,1"),
        u("--"),
        u("23 - ||8.00=10.00\t\tк23|Ф30(1000):2,2|Ф12(1000):6,2"),
        u("24 - ||15.00>30.00\tСТР1\tк24|Ф12(2000):2,1|Ф30(1000):2,1"),
        u("25 - ||СТР1ГР3=0\t\tк25||"),
        u("26 - ||30.00=ВПТ Ф12(2000) гр2стр0\t\tк26|Ф30(1000):2,1|"),
        u("--"),
        u("1 - Ф12|(1000)|100.00=0.00\tСТР1Ф12Т[1000]\tк1|Ф12(1000):3,1|Ф12(1000):4,1 Ф12(1000):5,1"),
        u("1 - Ф12|(1000)|0.00=7.50\tСТР2Ф12Т[1000]\tк1|Ф12(1000):3,2|Ф12(1000):4,2 Ф12(1000):5,2"),
        u("1 - Ф12|(1000)|ВПТ Ф12(1000) гр3стр4=ВПТ Ф12(1000) гр4стр4+ВПТ Ф12(1000) гр5стр4\tСТР4Ф12Т[1000]\tк1||"),
        u("2 - Ф12|(1000)|0.00=97.00\tГР3Ф12Т[1000]\tк2|Ф12(1000):3,3|Ф12(1000):3,1 Ф12(1000):3,2 Ф12(2000):2,1"),
        u("2 - Ф12|(1000)|0.00=4.50\tГР4Ф12Т[1000]\tк2|Ф12(1000):4,3|Ф12(1000):4,1 Ф12(1000):4,2 Ф12(2000):2,1"),
        u("2 - Ф12|(1000)|0.00=-3.00\tГР5Ф12Т[1000]\tк2|Ф12(1000):5,3|Ф12(1000):5,1 Ф12(1000):5,2 Ф12(2000):2,1"),
        u("2 - Ф12|(1000)|0.00=-3.00\tГР6Ф12Т[1000]\tк2|Ф12(1000):6,3|Ф12(1000):6,1 Ф12(1000):6,2 Ф12(2000):2,1"),
        u("2 - Ф12|(1000)|ВПТ Ф12(1000) гр7стр3=ВПТ Ф12(1000) гр7стр1+ВПТ Ф12(1000) гр7стр2+-3.00\tГР7Ф12Т[1000]\tк2||Ф12(2000):2,1"),
        u("3 - Ф12|(1000)|0.00>100.00+Т[3000]СТР1ГР3\tФ12Т[1000]\tк3|Ф30(1000):2,1|Ф12(1000):3,1"),
        u("4 - Ф12|(1000)|Ф99СТР1ГР3=0\tФ12Т[1000]\tк4||"),
        u("5 - Ф12|(1000)|150.00=0.00\tФ12Т[1000]\tк5|Ф12(1000):3,1|Ф12(1000):3,2"),
        u("6 - Ф12|(1000)|0.00=1.13\tФ12Т[1000]\tк6|Ф12(2000):2,3 Ф12(2000):3,3|"),
        u("7 - Ф12|(1000)|0.00=1.12\tФ12Т[1000]\tк7|Ф12(2000):2,3 Ф12(2000):3,3|"),
        u("8 M Ф12|(1000)|Ошибка в контроле: гр3=гр4\tФ12Т[1000]\tк8||"),
        u("9 - Ф12|(1000)|0.00<0.00\tСТР2Ф12Т[1000]\tк9|Ф12(2000):2,2|Ф12(2000):3,2"),
        u("9 - Ф12|(1000)|0.00<0.00\tСТР3Ф12Т[1000]\tк9|Ф12(2000):2,3|Ф12(2000):3,3"),
        u("10 - Ф12|(1000)|ВПТ Ф12(1000) гр3стр0=0\tФ12Т[1000]\tк10||"),
        u("11 - Ф12|(4000)|Размеры таблицы (4000) формы Ф12 заданы неверно: граф 60000, строк 60000, граф боковика 1, строк шапки 1||"),
        u("11 - Ф12|(1000)|Т[4000]СТР1ГР2=0\tФ12Т[1000]\tк11||"),
        u("12 - Ф12|(1000)|Т[4000]СТР2ГР2=1\tФ12Т[1000]\tк12||"),
        u("13 - Ф12|(1000)|100.00=0\tФ12Т[1000]\tк13|Ф12(1000):3,1 Ф12(1000):3,3 Ф12(1000):5,1 Ф12(1000):5,3 Ф12(1000):6,1 Ф12(1000):6,3|"),
        u("14 - Ф12|(1000)|0.00>0\tФ12Т[1000]\tк14|Ф30(1000):3,2 Ф30(1000):3,2 Ф30(1000):3,2|"),
        u("16 - Ф12|(1000)|0.00<0.00\tГР5Ф12Т[1000]\tк16|Ф12(1000):5,3|Ф12(1000):5,1"),
        u("16 - Ф12|(1000)|0.00<0.00\tГР6Ф12Т[1000]\tк16|Ф12(1000):6,3|Ф12(1000):6,1"),
        u("16 - Ф12|(1000)|ВПТ Ф12(1000) гр9стр3<ВПТ Ф12(1000) гр9стр1\tГР9Ф12Т[1000]\tк16||"),
        u("--"),
        u("20 - Ф12||Т[9000]СТР1ГР3=0\tФ12\tк20||"),
        u("21 - Ф12||Т[4000]СТР1ГР2=100.00\tФ12\tк21||Ф12(1000):3,1"),
        u("--"),
        u("24 - ||-3.00>0.00\tСТР1\tк24|Ф12(2000):2,1|Ф30(1000):2,1"),
        u("24 - ||-3.00>0.00\tСТР2\tк24|Ф12(2000):2,1|Ф30(1000):2,2"),
        u("25 - ||СТР1ГР3=0\t\tк25||"),
        u("26 - ||0.00=ВПТ Ф12(2000) гр2стр0\t\tк26|Ф30(1000):2,1|"),
        u("--"),
        u("1 - Ф12|(1000)|11.00=10.00\tСТР1Ф12Т[1000]\tк1|Ф12(1000):3,1|Ф12(1000):4,1 Ф12(1000):5,1"),
        u("1 - Ф12|(1000)|5.00=6.00\tСТР2Ф12Т[1000]\tк1|Ф12(1000):3,2|Ф12(1000):4,2 Ф12(1000):5,2"),
        u("1 - Ф12|(1000)|ВПТ Ф12(1000) гр3стр4=ВПТ Ф12(1000) гр4стр4+ВПТ Ф12(1000) гр5стр4\tСТР4Ф12Т[1000]\tк1||"),
        u("2 - Ф12|(1000)|15.00=31.00\tГР3Ф12Т[1000]\tк2|Ф12(1000):3,3|Ф12(1000):3,1 Ф12(1000):3,2 Ф12(2000):2,1"),
        u("2 - Ф12|(1000)|6.00=21.00\tГР4Ф12Т[1000]\tк2|Ф12(1000):4,3|Ф12(1000):4,1 Ф12(1000):4,2 Ф12(2000):2,1"),
        u("2 - Ф12|(1000)|9.00=25.00\tГР5Ф12Т[1000]\tк2|Ф12(1000):5,3|Ф12(1000):5,1 Ф12(1000):5,2 Ф12(2000):2,1"),
        u("2 - Ф12|(1000)|30.00=45.00\tГР6Ф12Т[1000]\tк2|Ф12(1000):6,3|Ф12(1000):6,1 Ф12(1000):6,2 Ф12(2000):2,1"),
        u("2 - Ф12|(1000)|ВПТ Ф12(1000) гр7стр3=ВПТ Ф12(1000) гр7стр1+ВПТ Ф12(1000) гр7стр2+15.00\tГР7Ф12Т[1000]\tк2||Ф12(2000):2,1"),
        u("3 - Ф12|(1000)|30.00>11.00+Т[3000]СТР1ГР3\tФ12Т[1000]\tк3|Ф30(1000):2,1|Ф12(1000):3,1"),
        u("4 - Ф12|(1000)|Ф99СТР1ГР3=0\tФ12Т[1000]\tк4||"),
        u("5 - Ф12|(1000)|16.50=1.67\tФ12Т[1000]\tк5|Ф12(1000):3,1|Ф12(1000):3,2"),
        u("6 - Ф12|(1000)|1.14=1.13\tФ12Т[1000]\tк6|Ф12(2000):2,3 Ф12(2000):3,3|"),
        u("7 - Ф12|(1000)|1.13=1.12\tФ12Т[1000]\tк7|Ф12(2000):2,3 Ф12(2000):3,3|"),
        u("8 M Ф12|(1000)|Ошибка в контроле: гр3=гр4\tФ12Т[1000]\tк8||"),
        u("9 - Ф12|(1000)|15.00<1.00\tСТР1Ф12Т[1000]\tк9|Ф12(2000):2,1|Ф12(2000):3,1"),
        u("9 - Ф12|(1000)|6.00<2.00\tСТР2Ф12Т[1000]\tк9|Ф12(2000):2,2|Ф12(2000):3,2"),
        u("10 - Ф12|(1000)|ВПТ Ф12(1000) гр3стр0=0\tФ12Т[1000]\tк10||"),
        u("11 - Ф12|(4000)|Размеры таблицы (4000) формы Ф12 заданы неверно: граф 60000, строк 60000, граф боковика 1, строк шапки 1||"),
        u("11 - Ф12|(1000)|Т[4000]СТР1ГР2=0\tФ12Т[1000]\tк11||"),
        u("12 - Ф12|(1000)|Т[4000]СТР2ГР2=1\tФ12Т[1000]\tк12||"),
        u("13 - Ф12|(1000)|91.00=0\tФ12Т[1000]\tк13|Ф12(1000):3,1 Ф12(1000):3,3 Ф12(1000):5,1 Ф12(1000):5,3 Ф12(1000):6,1 Ф12(1000):6,3|"),
        u("14 M Ф12|(1000)|Ошибка в контроле: Ф30Т[1000]стр2гр3*Ф30Т[1000]стр2гр3*Ф30Т[1000]стр2гр3>0\tФ12Т[1000]\tк14||"),
        u("15 - Ф12|(1000)|-11.00<-20.00\tСТР1Ф12Т[1000]\tк15|Ф12(1000):3,1|Ф12(1000):3,2 Ф12(1000):6,3"),
        u("15 - Ф12|(1000)|-11.00<-20.00\tСТР3Ф12Т[1000]\tк15|Ф12(1000):3,1|Ф12(1000):3,2 Ф12(1000):6,3"),
        u("16 - Ф12|(1000)|15.00<11.00\tГР3Ф12Т[1000]\tк16|Ф12(1000):3,3|Ф12(1000):3,1"),
        u("16 - Ф12|(1000)|9.00<6.00\tГР5Ф12Т[1000]\tк16|Ф12(1000):5,3|Ф12(1000):5,1"),
        u("16 - Ф12|(1000)|30.00<20.00\tГР6Ф12Т[1000]\tк16|Ф12(1000):6,3|Ф12(1000):6,1"),
        u("16 - Ф12|(1000)|ВПТ Ф12(1000) гр9стр3<ВПТ Ф12(1000) гр9стр1\tГР9Ф12Т[1000]\tк16||"),
        u("--"),
        u("18 - Ф12|(1000)|6.00=5.00\tФ12\tк18|Ф12(2000):2,2|Ф12(1000):3,2"),
        u("19 - Ф12|(1000)|30.00=31.00\tФ12\tк19|Ф30(1000):2,1|Ф12(1000):6,3 Ф12(2000):3,1"),
        u("20 - Ф12|(1000)|Т[9000]СТР1ГР3=0\tФ12\tк20||"),
        u("21 - Ф12|(1000)|Т[4000]СТР1ГР2=11.00\tФ12\tк21||Ф12(1000):3,1"),
        u("--"),
        u("23 - Ф12|(1000)|8.00=10.00\t\tк23|Ф30(1000):2,2|Ф12(1000):6,2"),
        u("24 - Ф12|(1000)|15.00>30.00\tСТР1\tк24|Ф12(2000):2,1|Ф30(1000):2,1"),
        u("25 - Ф12|(1000)|11.00=0\t\tк25|Ф12(1000):3,1|"),
        u("26 - Ф12|(1000)|30.00=ВПТ Ф12(2000) гр2стр0\t\tк26|Ф30(1000):2,1|"),
    };
    EXPECT_EQ(lines, expected);

    // The same run with each institution's rows read in one statement.
    lines.clear();
    RunTables whole(instA, RunTables::Reading::WholeInstitution);
    runAll(whole, nullptr);
    whole.setInstitution(instB);
    runAll(whole, nullptr);
    RunTables wholeGrid(instA, RunTables::Reading::WholeInstitution);
    runAll(wholeGrid, &grid);
    EXPECT_EQ(lines, expected);
}

} // namespace
