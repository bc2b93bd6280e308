#include "entry/GridControls.h"

#include "GridMarks.h"
#include "PrintTo.h"
#include "YearFixture.h"
#include "core/Common.h"
#include "core/Controls.h"
#include "core/StructureCache.h"
#include "entry/GridModel.h"
#include "platform/Database.h"

#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using Mark = GridModel::ErrorMark;

} // namespace

// Ф12 with tables (1000) and (2000), each 6 layout columns by 5 rows with two header columns
// and two header rows: Графа 3..6, Строка 1..3, a grid of 4 x 3. Grid cell (c, r) is
// Графа c + 3, Строка r + 1.
class GridControlsTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025, YearFixture::InstallAliases};
    int form = year.addForm(QStringLiteral("Ф12"), QStringLiteral("Заболеваемость"));
    int t1000 = year.addTable(form, QStringLiteral("(1000)"), QStringLiteral("Дети"), 6, 5, 2, 2);
    int t2000 = year.addTable(form, QStringLiteral("(2000)"), QStringLiteral("Взрослые"), 6, 5, 2, 2);
    int inst = year.addInstitution(QStringLiteral("ЦРБ"));
    GridModel model;

    void SetUp() override
    {
        refreshStructureCaches(year.dictionary());
        WorkMode = QStringLiteral("Input");
        DataTablePrefix = QStringLiteral("Data");
        ReportYear = 2025;
        CurrentInstitutionId = inst;
        ASSERT_EQ(model.open(year.dictionary(), year.data(), form, QStringLiteral("Ф12"),
                             QStringLiteral("(1000)")),
                  GridModel::OpenStatus::Opened);
    }
    GridRunOutcome run(const CellArray& values)
    {
        return runGridControls(year.dictionary(), form, QStringLiteral("Ф12"), QStringLiteral("(1000)"), values);
    }
    static ControlCell cell(const char* form, const char* table, int column, int row)
    {
        return {QString::fromUtf8(form), QString::fromUtf8(table), column, row};
    }
};

TEST_F(GridControlsTest, ARunChecksTheValuesShownAndWritesNothing)
{
    year.setEntered(inst, t1000, 3, 1, 4);
    year.setEntered(inst, t1000, 3, 2, 5);
    year.setEntered(inst, t1000, 4, 2, 7);
    year.setEntered(inst, t2000, 3, 1, 4);
    ASSERT_EQ(model.open(year.dictionary(), year.data(), form, QStringLiteral("Ф12"), QStringLiteral("(1000)")),
              GridModel::OpenStatus::Opened);
    year.addControl(form, QStringLiteral("(1000)"), QStringLiteral("ГР3"), QStringLiteral(">="),
                    QStringLiteral("ГР4"), QStringLiteral("стр1..3"), QStringLiteral("гр. 3 >= гр. 4"));
    // Reads another table of the form, which the run must not leave in the grid's array.
    year.addControl(form, QStringLiteral("(1000)"), QStringLiteral("СТР1ГР3"), QStringLiteral("="),
                    QStringLiteral("Т[2000]СТР1ГР3"), QString(), QStringLiteral("как в т. 2000"));
    // Another table's control is not this table's to run.
    year.addControl(form, QStringLiteral("(2000)"), QStringLiteral("СТР1ГР3"), QStringLiteral(">"),
                    QStringLiteral("100"), QString(), QStringLiteral("чужая"));

    ControlError stale;
    stale.text = QStringLiteral("прежняя строка");
    ControlErrors.append(stale);
    const CellArray before = CellValues;
    const int offset = CellRowOffset;
    const QList<StoredCell> stored = year.storedCells(inst, t1000);

    EXPECT_EQ(run(CellValues), (GridRunOutcome{1, QStringLiteral("Обнаружены ошибки - 1")}));
    ASSERT_EQ(ControlErrorLines(), QStringList{QStringLiteral("5.00>=7.00\tСТР2\tгр. 3 >= гр. 4")});
    EXPECT_EQ(ControlErrors[0].leftCells, (QList<ControlCell>{cell("Ф12", "(1000)", 3, 2)}));
    EXPECT_EQ(ControlErrors[0].rightCells, (QList<ControlCell>{cell("Ф12", "(1000)", 4, 2)}));
    for (int c = before.lowColumn(); c <= before.highColumn(); ++c)
        for (int r = before.lowRow(); r <= before.highRow(); ++r)
            EXPECT_EQ(CellValues.value(c, r), before.value(c, r)) << c << "," << r;
    EXPECT_EQ(CellRowOffset, offset);
    EXPECT_EQ(year.storedCells(inst, t1000), stored);
    EXPECT_EQ(model.value(1, 1), 7);

    // The grid's values count, not the stored ones: with Графа 4 Строка 2 shown as 3 it passes.
    CellArray shown = CellValues;
    shown.set(5, 5, 3);
    EXPECT_EQ(run(shown), (GridRunOutcome{0, QStringLiteral("Ошибок контроля нет")}));
    EXPECT_TRUE(ControlErrors.isEmpty());
    EXPECT_EQ(model.value(1, 1), 7);
}

TEST_F(GridControlsTest, AControlThatCannotBeReadIsAnErrorNotASuccess)
{
    const int code = year.addControl(form, QStringLiteral("(1000)"), QStringLiteral("ГР3+"),
                                     QStringLiteral(">="), QStringLiteral("ГР4"), QStringLiteral("стр1"));
    EXPECT_EQ(run(CellValues), (GridRunOutcome{1, QStringLiteral("Обнаружены ошибки - 1")}));
    ASSERT_EQ(ControlErrors.size(), 1);
    EXPECT_TRUE(ControlErrors[0].malformed);
    EXPECT_EQ(ControlErrors[0].code, code);
    EXPECT_TRUE(ControlErrors[0].text.startsWith(QStringLiteral("Ошибка в контроле: ")));
}

TEST_F(GridControlsTest, MarksOnlyTheOpenTablesCellsInsideTheGrid)
{
    ControlError e;
    e.leftCells = {
        cell("Ф12", "(1000)", 3, 1),   // grid (0, 0)
        cell("Ф12", "(2000)", 4, 1),   // another table of the form: its cell (1, 0) stays clear
        cell("Ф30", "(1000)", 5, 1),   // another form's table of the same number
        cell("Ф12", "(1000)", 7, 1),   // beyond the last column
        cell("Ф12", "(1000)", 2, 1),   // a header column
        cell("Ф12", "(1000)", 4, 4),   // beyond the last row
        cell("Ф12", "(1000)", 6, 2),   // grid (3, 1), also read by the right side
    };
    e.rightCells = {cell("ф12", "(1000)", 4, 3), cell("Ф12", "(1000)", 6, 2)};
    EXPECT_EQ(markErrorCells(model, e, QStringLiteral("Ф12"), QStringLiteral("(1000)")), 4);
    EXPECT_EQ(marksOf(model), (QList<MarkedCell>{{0, 0, Mark::Left}, {1, 2, Mark::Right}, {3, 1, Mark::Right}}));

    // A line of another table (the errors outlive a move to the next table) marks nothing here.
    model.clearErrorMarks();
    ControlError other;
    other.leftCells = {cell("Ф12", "(2000)", 3, 1)};
    other.rightCells = {cell("Ф12", "(2000)", 4, 1)};
    EXPECT_EQ(markErrorCells(model, other, QStringLiteral("Ф12"), QStringLiteral("(1000)")), 0);
    EXPECT_TRUE(marksOf(model).isEmpty());
}

TEST(PickedNumberList, RunsBecomeRangesAndGapsCommas)
{
    const struct {
        QList<int> numbers;
        const char* expected;
    } cases[] = {
        {{}, ""},
        {{7}, "7"},
        {{3, 4, 5, 7}, "3..5,7"},
        {{1, 2}, "1..2"},
        {{1, 3}, "1,3"},
        {{1, 2, 3, 5, 6, 8}, "1..3,5..6,8"},
        {{2, 4, 5, 6}, "2,4..6"},
        {{9, 10, 11, 12}, "9..12"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(pickedNumberList(c.numbers), QString::fromUtf8(c.expected));
    }
}

TEST(BuildPickedExpression, GroupsByColumnsOrByRows)
{
    using Cells = QSet<std::pair<int, int>>;
    const struct {
        const char* what;
        Cells picked;
        const char* byRows;
        const char* byColumns;
    } cases[] = {
        {"nothing", {}, "", ""},
        {"one cell: a list without brackets", {{1, 0}}, "стр1гр4", "гр4стр1"},
        // Графа 3, 4 and 5 of Строка 2 (two header columns: grid columns 0, 1, 2).
        {"a run along a row", {{0, 1}, {1, 1}, {2, 1}}, "стр2гр[3..5]", "гр3стр2+гр4стр2+гр5стр2"},
        {"a column and a cell aside", {{0, 0}, {0, 1}, {0, 2}, {2, 1}},
         "стр1гр3+стр2гр[3,5]+стр3гр3", "гр3стр[1..3]+гр5стр2"},
        {"gaps in a column", {{3, 0}, {3, 2}, {3, 3}, {3, 4}}, "стр1гр6+стр3гр6+стр4гр6+стр5гр6",
         "гр6стр[1,3..5]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto picked = [&](int col, int row) { return c.picked.contains({col, row}); };
        EXPECT_EQ(buildPickedExpression(4, 5, 2, picked, PickGrouping::ByRows), QString::fromUtf8(c.byRows));
        EXPECT_EQ(buildPickedExpression(4, 5, 2, picked, PickGrouping::ByColumns), QString::fromUtf8(c.byColumns));
    }
}

TEST_F(GridControlsTest, PickedCellsOfTheModelBuildTheExpression)
{
    model.setPicked(1, 2, true);
    model.setPicked(2, 2, true);
    model.setPicked(3, 0, true);
    EXPECT_EQ(buildPickedExpression(model, PickGrouping::ByRows), QStringLiteral("стр1гр6+стр3гр[4..5]"));
    EXPECT_EQ(buildPickedExpression(model, PickGrouping::ByColumns), QStringLiteral("гр4стр3+гр5стр3+гр6стр1"));
}

TEST(NeighbourTable, WalksTableNodesAndPassesFormsWithoutTables)
{
    auto table = [](int ident, const char* number) {
        return FormsTreeTable{ident, QString::fromUtf8(number), QString()};
    };
    FormsTree tree;
    tree.shown = true;
    tree.forms = {
        {1, QStringLiteral("Ф12"), QString(), {table(11, "(1000)"), table(12, "(2000)")}},
        {2, QStringLiteral("Ф20"), QString(), {}},
        {3, QStringLiteral("Ф30"), QString(), {table(31, "(1100)")}},
        {4, QStringLiteral("Ф40"), QString(), {}},
    };
    using Place = std::optional<TreeTablePlace>;
    const struct {
        const char* what;
        int formId;
        const char* number;
        int step;
        Place expected;
    } cases[] = {
        {"within a form", 1, "(1000)", 1, TreeTablePlace{0, 1}},
        {"over a form without tables", 1, "(2000)", 1, TreeTablePlace{2, 0}},
        {"back over it to the last table", 3, "(1100)", -1, TreeTablePlace{0, 1}},
        {"back within a form", 1, "(2000)", -1, TreeTablePlace{0, 0}},
        {"before the first table", 1, "(1000)", -1, std::nullopt},
        {"after the last table, a tableless form behind it", 3, "(1100)", 1, std::nullopt},
        {"a number is matched whole", 1, "1000", 1, std::nullopt},
        {"the number of another form", 3, "(1000)", 1, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(neighbourTable(tree, c.formId, QString::fromUtf8(c.number), c.step), c.expected);
    }
}
