#include "core/CellNumbering.h"

#include <gtest/gtest.h>

namespace {

// One cell of a table, in the four numberings, worked out by hand from the table's header sizes:
// layout = grid + headers + 1, stored = layout + 1, Графа = layout column, Строка = grid row + 1.
struct NumberingCase {
    int fixcols, fixrows;
    int gridColumn, gridRow;
    int layoutColumn, layoutRow;
    int storedColumn, storedRow;
    int graph, dataRow;
};
constexpr NumberingCase kCases[] = {
    // 2 header columns, 3 header rows: the first data cell.
    {2, 3, 0, 0, 3, 4, 4, 5, 3, 1},
    // The same table further in.
    {2, 3, 4, 9, 7, 13, 8, 14, 7, 10},
    // No headers at all.
    {0, 0, 0, 0, 1, 1, 2, 2, 1, 1},
    // One header column, no header row.
    {1, 0, 2, 5, 4, 6, 5, 7, 4, 6},
    // The test tables of the grid: 2 and 2.
    {2, 2, 1, 0, 4, 3, 5, 4, 4, 1},
};

TEST(CellNumbering, ConvertsEveryWayAsWorkedOutByHand)
{
    for (const NumberingCase& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.fixcols << "/" << c.fixrows << " grid " << c.gridColumn
                                        << "," << c.gridRow);
        const CellNumbering n(c.fixcols, c.fixrows);
        EXPECT_EQ(n.layoutColumnOfGrid(c.gridColumn), c.layoutColumn);
        EXPECT_EQ(n.layoutRowOfGrid(c.gridRow), c.layoutRow);
        EXPECT_EQ(n.storedColumnOfGrid(c.gridColumn), c.storedColumn);
        EXPECT_EQ(n.storedRowOfGrid(c.gridRow), c.storedRow);
        EXPECT_EQ(n.referenceColumnOfGrid(c.gridColumn), c.graph);
        EXPECT_EQ(n.referenceRowOfGrid(c.gridRow), c.dataRow);

        EXPECT_EQ(n.gridColumnOfStored(c.storedColumn), c.gridColumn);
        EXPECT_EQ(n.gridRowOfStored(c.storedRow), c.gridRow);
        EXPECT_EQ(n.layoutColumnOfStored(c.storedColumn), c.layoutColumn);
        EXPECT_EQ(n.layoutRowOfStored(c.storedRow), c.layoutRow);
        EXPECT_EQ(n.referenceRowOfStored(c.storedRow), c.dataRow);

        EXPECT_EQ(n.storedColumnOfReference(c.graph), c.storedColumn);
        EXPECT_EQ(n.storedRowOfReference(c.dataRow), c.storedRow);
        EXPECT_EQ(n.gridColumnOfReference(c.graph), c.gridColumn);
        EXPECT_EQ(n.gridRowOfReference(c.dataRow), c.gridRow);

        EXPECT_EQ(n.storedColumnOfLayout(c.layoutColumn), c.storedColumn);
        EXPECT_EQ(n.storedRowOfLayout(c.layoutRow), c.storedRow);
        EXPECT_EQ(n.gridColumnOfLayout(c.layoutColumn), c.gridColumn);
        EXPECT_EQ(n.gridRowOfLayout(c.layoutRow), c.gridRow);
        EXPECT_EQ(n.referenceRowOfLayout(c.layoutRow), c.dataRow);
    }
}

TEST(CellNumbering, AReferenceMeetsTheStoredAndTheLayoutNumbers)
{
    for (const NumberingCase& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.fixcols << "/" << c.fixrows << " grid " << c.gridColumn
                                        << "," << c.gridRow);
        const CellNumbering n(c.fixcols, c.fixrows);
        EXPECT_EQ(n.referenceColumnOfStored(c.storedColumn), c.graph);
        EXPECT_EQ(n.layoutRowOfReference(c.dataRow), c.layoutRow);
    }
}

TEST(CellNumbering, AnArrayTellsItsTablesHeaders)
{
    // The array of a table with 2 header columns and 3 header rows starts at column 3, row 4.
    const CellNumbering n = CellNumbering::of(CellArray(3, 9, 4, 12));
    EXPECT_EQ(n.fixcols(), 2);
    EXPECT_EQ(n.fixrows(), 3);
}

} // namespace
