#include "core/NetFormation.h"

#include "core/Common.h"
#include "core/StructureCache.h"
#include "core/TableCells.h"
#include "core/TableRecalc.h"
#include "PrintTo.h"
#include "SampleYear.h"
#include "YearFixture.h"
#include "platform/Database.h"
#include "sample/SampleConfiguration.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The value of grid cell (row, column) of a formed table.
double at(const CellArray& cells, const TableShape& t, int row, int column)
{
    return cells.value(column + t.fixcols + 2, row + t.fixrows + 2);
}

// Every data cell of a formed table, row by row.
std::vector<std::vector<double>> grid(const CellArray& cells, const TableShape& t)
{
    std::vector<std::vector<double>> out;
    for (int r = 0; r < t.rowcount - t.fixrows; ++r) {
        out.emplace_back();
        for (int c = 0; c < t.colcount - t.fixcols; ++c)
            out.back().push_back(at(cells, t, r, c));
    }
    return out;
}

class SampleNetwork : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sample.install()) << sample.error().toStdString();
        t0100 = dbmain().scalar(QStringLiteral(R"(select "ident" from "tables" where "form"=? and "tablen"='(0100)')"),
                                {Sample::Form::F47}).toInt();
        t0200 = dbmain().scalar(QStringLiteral(R"(select "ident" from "tables" where "form"=? and "tablen"='(0200)')"),
                                {Sample::Form::F47}).toInt();
        ASSERT_TRUE(readNetTable(dbmain(), t0100, &table0100));
        ASSERT_TRUE(readNetTable(dbmain(), t0200, &table0200));
        include = dbmain().scalar(QStringLiteral(R"(select "include" from "reports" where "id"=?)"),
                                  {Sample::Report::Network}).toString();
    }
    RecalcContext context(bool round)
    {
        RecalcContext c;
        c.dictionary = &dbmain();
        c.data = &dbdat();
        c.year = sample.year();
        c.owner = Sample::Report::Network;
        c.ownerTable = QStringLiteral("repdata");
        parseIdList(include, c.composition);
        c.sourceTable = QStringLiteral("data");
        c.formation = true;
        c.round = round;
        return c;
    }

    SampleYear sample;
    int t0100 = 0, t0200 = 0;
    TableShape table0100, table0200;
    QString include;
};

} // namespace

// The network report takes every institution: two ЦРБ units (type 2), two участковые (type 3,
// rural), one городская (type 4), two поликлиники (type 6) and two ФАП (type 7, rural), of which
// Ключевской has entered nothing.
TEST_F(SampleNetwork, CountsTheInstitutionsByTypeAndTheCellConditionBeatsItsCrossing)
{
    const TableRecalcResult r = recalculateTable(context(false), t0100);
    ASSERT_TRUE(r.saved) << r.error.toStdString();
    EXPECT_TRUE(r.problems.isEmpty());
    const std::vector<std::vector<double>> expected = {
        {9, 4},   // всего: 9, rural 4 (two участковые, two ФАП)
        {2, 0},   // ЦРБ
        {2, 2},   // участковые
        {1, 0},   // городские
        {2, 0},   // поликлиники
        {1, 2},   // ФАП: the cell condition drops Ключевской, the rural crossing keeps both
    };
    EXPECT_EQ(grid(r.cells, table0100), expected);
}

// Ф30 (3100) Строка 1 of the five institutions with beds, as the sample enters them:
//                              beds (гр.3)  admitted (гр.5)  discharged (гр.6)  bed-days (гр.7)
//   Заречная ЦРБ, стационар (2)    195          6585              6453             64350
//   Малиновская (3, rural)          70          2195              2151             21450
//   Озерная ЦРБ (2)                163          5500              5390             53790
//   Березовская (3, rural)          52          1932              1725             17160
//   Светлогорская городская (4)    325         10975             10755            107250
TEST_F(SampleNetwork, SumsTheBedFundByColumnsWithAverageCoefficientAndStar)
{
    const TableRecalcResult plain = recalculateTable(context(false), t0200);
    ASSERT_TRUE(plain.saved) << plain.error.toStdString();
    EXPECT_TRUE(plain.problems.isEmpty());
    const std::vector<std::vector<double>> expected = {
        {805, 358, 122, 325},                                // beds, no koeff stored: divided by 1
        {27187, 12085, 4127, 10975},                         // "*": the columns' admitted
        {26474.0 / 9, 5921.5, 1938, 10755},                  // average over the institutions counted
        {264, 118.14, 38.61, 107.25},                        // bed-days / 1000
    };
    const std::vector<std::vector<double>> formed = grid(plain.cells, table0200);
    ASSERT_EQ(formed.size(), expected.size());
    for (size_t r = 0; r < expected.size(); ++r)
        for (size_t c = 0; c < expected[r].size(); ++c) {
            SCOPED_TRACE(testing::Message() << "row " << r << " column " << c);
            EXPECT_DOUBLE_EQ(formed[r][c], expected[r][c]);
        }

    const TableRecalcResult rounded = recalculateTable(context(true), t0200);
    ASSERT_TRUE(rounded.saved);
    const std::vector<std::vector<double>> expectedRounded = {
        {805, 358, 122, 325},
        {27187, 12085, 4127, 10975},
        {2942, 5922, 1938, 10755},   // 5921.5 to the even 5922
        {264, 118, 39, 107},
    };
    EXPECT_EQ(grid(rounded.cells, table0200), expectedRounded);
}

TEST_F(SampleNetwork, BuildTableGridFormsCellValuesFromTheSharedState)
{
    InstitutionIdList = include;
    RoundResults = false;
    CellValues = table0100.emptyCells(CellOwner{t0100, Sample::Report::Network,
                                                                     QStringLiteral("repdata"), sample.year()});
    QStringList shown;
    QList<FormationProblem> problems;
    QString error;
    ASSERT_TRUE(BuildTableGrid(t0100, [&](const QString& s) { shown << s; }, &problems, &error))
        << error.toStdString();
    EXPECT_EQ(at(CellValues, table0100, 5, 0), 1);
    EXPECT_EQ(at(CellValues, table0100, 0, 1), 4);
    // The cell record first, then every crossing in row order.
    ASSERT_EQ(shown.size(), 1 + 6 * 2 - 1);
    EXPECT_EQ(shown.front(), QStringLiteral("Ф47т(0100) - строка 6 графа 3"));
    EXPECT_EQ(shown.back(), QStringLiteral("Ф47т(0100) - строка 6 графа 4"));

    // Cells shaped for another table are refused and left alone.
    CellValues = CellArray(1, 2, 1, 2);
    EXPECT_FALSE(BuildTableGrid(t0100, {}, &problems, &error));
    EXPECT_EQ(CellValues.highColumn(), 2);
}

namespace {

// A network table of four computing columns over Ф30 (1000) Графа 3 Строка 1, where type 3
// holds 4 (P, rural) + 6 (Q) = 10 and everybody 14 (S, type 12, rural, holds 4).
class SmallNetwork : public ::testing::Test {
protected:
    void SetUp() override
    {
        f30 = year.addForm(QStringLiteral("Ф30"));
        t1000 = year.addTable(f30, QStringLiteral("(1000)"), QStringLiteral("Штаты"), 4, 1 + 2, 2, 1);
        f47 = year.addForm(QStringLiteral("Ф47"), QString(), true);
        net = year.addTable(f47, QStringLiteral("(0300)"), QStringLiteral("Сеть"), 2 + 4, 2 + 4, 2, 2);
        p = year.addInstitution(QStringLiteral("P"), 0, 3, true);
        q = year.addInstitution(QStringLiteral("Q"), 0, 3, false);
        s = year.addInstitution(QStringLiteral("S"), 0, 12, true);
        year.setEntered(p, t1000, 3, 1, 4);
        year.setEntered(q, t1000, 3, 1, 6);
        year.setEntered(s, t1000, 3, 1, 4);
        refreshStructureCaches(year.dictionary());
        ReportYear = year.year();
        ASSERT_TRUE(readNetTable(year.dictionary(), net, &table));

        const QString f = QStringLiteral("Ф30Т(1000)СТР1ГР3");
        add(0, -1, "3");
        add(1, -1, "*");
        add(2, -1, "*", /*rural*/ true);   // all types, rural, no condition text: P and S
        add(3, -1, "*", false, QStringLiteral("(") + f + QStringLiteral(">0"));
        add(-1, 0, "*", false, {}, true, f, 4);
        add(-1, 1, "*", false, {}, true, f, 1, /*average*/ true);
        add(-1, 2, "*", false, {}, true, QStringLiteral("100"), 4, true);
        add(-1, 3, "*", false, {}, true, f, 0);
        add(1, 1, "12");   // a counter of its own in a crossing
    }
    void add(int row, int column, const char* types, bool rural = false, const QString& condition = {},
             bool sum = false, const QString& formula = {}, std::optional<int> koeff = std::nullopt,
             bool average = false)
    {
        NetCondition c;
        c.tid = net;
        c.row = row;
        c.column = column;
        c.types = QString::fromUtf8(types);
        c.rural = rural;
        c.condition = condition;
        c.sum = sum;
        c.formula = formula;
        c.koeff = koeff;
        c.average = average;
        ASSERT_TRUE(NetConditions::save(year.dictionary(), c));
    }
    std::vector<std::vector<double>> form(bool round, QList<FormationProblem>* problems)
    {
        NetEvaluator evaluator(year.dictionary(), year.data(), year.year());
        CellArray cells = table.emptyCells(CellOwner{net, 99, QStringLiteral("repdata"), year.year()});
        formNetTable(evaluator, table, NetConditions::read(year.dictionary(), net), {p, q, s}, round, cells, *problems);
        return grid(cells, table);
    }

    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025, YearFixture::InstallAliases};
    int f30 = 0, t1000 = 0, f47 = 0, net = 0, p = 0, q = 0, s = 0;
    TableShape table;
};

} // namespace

TEST_F(SmallNetwork, DividesExactlyAndListsEachProblemOnce)
{
    QList<FormationProblem> problems;
    const std::vector<std::vector<double>> plain = form(false, &problems);
    const std::vector<std::vector<double>> expected = {
        {2.5, 5, 100, 0},        // type 3: 10/4, 10/2, a plain number as it stands, koeff 0
        {3.5, 1, 100, 0},        // all: 14/4, the cell's own counter (S), 100, koeff 0
        {2, 4, 100, 0},          // rural of all types: 8/4, 8/2
        {0, 0, 0, 0},            // a condition that does not read selects nobody
    };
    EXPECT_EQ(plain, expected);
    const QList<FormationProblem> expectedProblems = {
        {QStringLiteral("Ф47 (0300)"), QStringLiteral("строка 4"),
         QStringLiteral("(Ф30Т(1000)СТР1ГР3>0"), QStringLiteral("Не хватает правой скобки")},
        {QStringLiteral("Ф47 (0300)"), QStringLiteral("графа 6"), QStringLiteral("Ф30Т(1000)СТР1ГР3"),
         QStringLiteral("Коэффициент равен 0: значение не вычислено")},
    };
    // The koeff 0 column crosses three rows and is listed once, after the first row that met it.
    ASSERT_EQ(problems.size(), 2);
    EXPECT_TRUE(problems.contains(expectedProblems[0]));
    EXPECT_TRUE(problems.contains(expectedProblems[1]));

    QList<FormationProblem> again;
    const std::vector<std::vector<double>> rounded = form(true, &again);
    const std::vector<std::vector<double>> expectedRounded = {
        {2, 5, 100, 0},          // 2.5 to the even 2
        {4, 1, 100, 0},          // 3.5 to the even 4
        {2, 4, 100, 0},
        {0, 0, 0, 0},
    };
    EXPECT_EQ(rounded, expectedRounded);
    EXPECT_EQ(again.size(), 2);
}

TEST_F(SmallNetwork, ProblemsGoToTheResultListOnce)
{
    const ResultList list = formationProblemsList(
        {{QStringLiteral("Ф47 (0300)"), QStringLiteral("графа 6"), QStringLiteral("Ф"), QStringLiteral("Причина")}},
        QStringLiteral("Сеть"));
    EXPECT_EQ(list.windowCaption, QStringLiteral("Сеть"));
    EXPECT_EQ(list.columns, (QStringList{QStringLiteral("Таблица"), QStringLiteral("Ячейка"),
                                         QStringLiteral("Условие"), QStringLiteral("Причина")}));
    ASSERT_EQ(list.items.size(), 1);
    EXPECT_EQ(list.items[0].caption, QStringLiteral("Ф47 (0300)"));
    EXPECT_EQ(list.items[0].subItems,
              (QStringList{QStringLiteral("графа 6"), QStringLiteral("Ф"), QStringLiteral("Причина")}));
}

TEST_F(SmallNetwork, ATableWithoutConditionsStaysZero)
{
    NetEvaluator evaluator(year.dictionary(), year.data(), year.year());
    CellArray cells = table.emptyCells(CellOwner{net, 99, QStringLiteral("repdata"), year.year()});
    QList<FormationProblem> problems;
    formNetTable(evaluator, table, {}, {p, q, s}, false, cells, problems);
    for (const auto& row : grid(cells, table))
        for (double v : row)
            EXPECT_EQ(v, 0);
    EXPECT_TRUE(problems.isEmpty());
}

namespace {

// Ф30 has two tables: (3100) made first, (1000) second, and the tables cache orders them by
// number, so (1000) is the form's first table. Графа 3 Строка 1:
//           (1000)   (3100)
//   P         4        100
//   Q         6        200
//   R         -        300
class FirstTableNetwork : public ::testing::Test {
protected:
    void SetUp() override
    {
        f30 = year.addForm(QStringLiteral("Ф30"));
        t3100 = year.addTable(f30, QStringLiteral("(3100)"), QStringLiteral("Коечный фонд"), 4, 2 + 3, 2, 2);
        t1000 = year.addTable(f30, QStringLiteral("(1000)"), QStringLiteral("Штаты"), 4, 1 + 2, 2, 1);
        f47 = year.addForm(QStringLiteral("Ф47"), QString(), true);
        net = year.addTable(f47, QStringLiteral("(0100)"), QStringLiteral("Сеть"), 2 + 2, 2 + 2, 2, 2);
        p = year.addInstitution(QStringLiteral("P"), 0, 3);
        q = year.addInstitution(QStringLiteral("Q"), 0, 3);
        r = year.addInstitution(QStringLiteral("R"), 0, 3);
        year.setEntered(p, t1000, 3, 1, 4);
        year.setEntered(q, t1000, 3, 1, 6);
        year.setEntered(p, t3100, 3, 1, 100);
        year.setEntered(q, t3100, 3, 1, 200);
        year.setEntered(r, t3100, 3, 1, 300);
        refreshStructureCaches(year.dictionary());
        ReportYear = year.year();
        ASSERT_TRUE(readNetTable(year.dictionary(), net, &table));
    }
    void addCell(int row, int column, bool sum, const QString& formula, const QString& condition,
                 std::optional<int> koeff = std::nullopt)
    {
        NetCondition c;
        c.tid = net;
        c.row = row;
        c.column = column;
        c.types = QStringLiteral("*");
        c.sum = sum;
        c.formula = formula;
        c.condition = condition;
        c.koeff = koeff;
        ASSERT_TRUE(NetConditions::save(year.dictionary(), c));
    }

    QList<NetCondition> records() { return NetConditions::read(year.dictionary(), net); }
    std::vector<std::vector<double>> form()
    {
        NetEvaluator evaluator(year.dictionary(), year.data(), year.year());
        CellArray cells = table.emptyCells(CellOwner{net, 99, QStringLiteral("repdata"), year.year()});
        problems.clear();
        formNetTable(evaluator, table, records(), {p, q, r}, false, cells, problems);
        return grid(cells, table);
    }

    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025, YearFixture::InstallAliases};
    int f30 = 0, t3100 = 0, t1000 = 0, f47 = 0, net = 0, p = 0, q = 0, r = 0;
    QList<FormationProblem> problems;
    TableShape table;
};

} // namespace

TEST_F(FirstTableNetwork, AFormWithoutATableReadsItsFirstTable)
{
    addCell(0, 0, false, {}, QStringLiteral("Ф30СТР1ГР3>0"));                            // P, Q
    addCell(0, 1, true, QStringLiteral("ф30стр1гр3"), {});                                 // 4 + 6
    addCell(1, 0, true, QStringLiteral("Ф30Т(3100)СТР1ГР3"), QStringLiteral("Ф30СТР1ГР3>5"));   // Q: 200
    addCell(1, 1, true, QStringLiteral("Ф30СТР1ГР3+Ф30Т(3100)СТР1ГР3"), {}, 2);          // (10 + 600) / 2
    const std::vector<std::vector<double>> expected = {{2, 10}, {200, 305}};
    EXPECT_EQ(form(), expected);
    EXPECT_TRUE(problems.isEmpty()) << (problems.isEmpty() ? std::string() : problems[0].reason.toStdString());

    // The breakdown names the institutions and values the formation counted.
    NetEvaluator evaluator(year.dictionary(), year.data(), year.year());
    const NetCellBreakdown b = breakdownNetCell(evaluator, netCellRecipe(records(), 0, 1, 0), {p, q, r});
    ASSERT_TRUE(b.ok) << b.error.toStdString();
    EXPECT_EQ(b.institutions, QList<int>{q});
    EXPECT_EQ(b.values, QList<Decimal>{Decimal::fromInt(200)});
}

// A cell record has no row whose formula a "*" could stand for: the "*" is nothing.
TEST_F(FirstTableNetwork, AStarInACellFormulaIsNothing)
{
    addCell(0, 0, true, QStringLiteral("Ф30Т(3100)СТР1ГР3-*"), {});                        // 600
    addCell(0, 1, true, QStringLiteral("*+Ф30Т(1000)СТР1ГР3"), {});                        // 10
    addCell(1, 0, true, QStringLiteral("*"), {});                                          // nothing: 0
    addCell(1, 1, true, QStringLiteral("Ф30Т(3100)СТР1ГР3-*-Ф30Т(1000)СТР1ГР3"), {}, 2);   // (600 - 10) / 2
    const std::vector<std::vector<double>> expected = {{600, 10}, {0, 295}};
    EXPECT_EQ(form(), expected);
    EXPECT_TRUE(problems.isEmpty()) << (problems.isEmpty() ? std::string() : problems[0].reason.toStdString());

    NetEvaluator evaluator(year.dictionary(), year.data(), year.year());
    const NetCellBreakdown b = breakdownNetCell(evaluator, netCellRecipe(records(), 0, 0, 0), {p, q, r});
    ASSERT_TRUE(b.ok) << b.error.toStdString();
    EXPECT_EQ(b.institutions, (QList<int>{p, q, r}));
    EXPECT_EQ(b.values, (QList<Decimal>{Decimal::fromInt(100), Decimal::fromInt(200), Decimal::fromInt(300)}));
}
