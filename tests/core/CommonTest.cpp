#include "core/Common.h"

#include "PrintTo.h"

#include <gtest/gtest.h>

TEST(CellArray, ReadsZeroAndRefusesWritesOutsideItsBounds)
{
    CellArray cells(3, 7, 3, 6);   // a 6 x 5 table with 2 header columns and 2 header rows
    EXPECT_TRUE(cells.set(7, 6, 4.5));
    EXPECT_TRUE(cells.add(7, 6, 1));
    EXPECT_EQ(cells.value(7, 6), 5.5);
    EXPECT_EQ(cells.value(3, 3), 0.0);

    struct Outside { int column, row; };
    constexpr Outside kOutside[] = {{2, 4}, {8, 4}, {4, 2}, {4, 7}, {-1, -1}};
    for (const Outside& o : kOutside) {
        SCOPED_TRACE(testing::Message() << o.column << "," << o.row);
        EXPECT_FALSE(cells.set(o.column, o.row, 1));
        EXPECT_FALSE(cells.add(o.column, o.row, 1));
        EXPECT_EQ(cells.value(o.column, o.row), 0.0);
    }
    // Neighbours in memory are untouched by the refused writes.
    EXPECT_EQ(cells.value(3, 6), 0.0);
    EXPECT_EQ(cells.value(4, 3), 0.0);
}

TEST(CellArray, AnInvertedRangeHoldsNoCell)
{
    CellArray cells(5, 3, 1, 4);
    EXPECT_TRUE(cells.isEmpty());
    EXPECT_FALSE(cells.set(4, 2, 1));
    EXPECT_EQ(cells.value(5, 1), 0.0);
}

TEST(DataTable, OnlyTheDataTablesReachSql)
{
    struct Case { const char* prefix; const char* ident; };
    constexpr Case kCases[] = {
        {"Data", "\"data\""}, {"data", "\"data\""}, {"RepData", "\"repdata\""},
        {"Repdata", "\"repdata\""}, {"REPDATA", "\"repdata\""}, {"", ""}, {"forms", ""},
        {"data\" where 1=1 --", ""}, {" data", ""},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.prefix);
        EXPECT_EQ(dataTableIdent(QString::fromUtf8(c.prefix)), QString::fromUtf8(c.ident));
    }
    EXPECT_FALSE(unknownDataTableMessage(QString()).isEmpty());
}

TEST(IdList, ReadsCommaListsAndRefusesAnythingElse)
{
    QList<int> ids;
    EXPECT_TRUE(parseIdList(QStringLiteral("12,345"), ids));
    EXPECT_EQ(ids, (QList<int>{12, 345}));
    EXPECT_TRUE(parseIdList(QStringLiteral("12,345,"), ids));   // as a list builder leaves it
    EXPECT_EQ(ids, (QList<int>{12, 345}));
    EXPECT_TRUE(parseIdList(QString(), ids));
    EXPECT_TRUE(ids.isEmpty());
    EXPECT_FALSE(parseIdList(QStringLiteral("1,2) or (1=1"), ids));
    EXPECT_TRUE(ids.isEmpty());
    EXPECT_FALSE(parseIdList(QStringLiteral("1;2"), ids));
}

TEST(SharedState, ProgramEndClearsWhatItHolds)
{
    ChosenForms = QStringLiteral("Ф12,Ф30");
    WorkMode = QStringLiteral("Types");
    InstitutionIdList = QStringLiteral("1,2");
    CellValues = CellArray(1, 2, 1, 2);
    clearSharedState();
    EXPECT_TRUE(ChosenForms.isEmpty());
    EXPECT_TRUE(WorkMode.isEmpty());
    EXPECT_TRUE(InstitutionIdList.isEmpty());
    EXPECT_TRUE(CellValues.isEmpty());
}
