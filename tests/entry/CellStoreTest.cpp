#include "entry/CellStore.h"

#include "PrintTo.h"
#include "YearFixture.h"
#include "platform/Database.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(DecideSave, FollowsWhatIsStored)
{
    struct Case { std::optional<double> stored; double value; SaveAction action; };
    const Case cases[] = {
        {std::nullopt, 0, SaveAction::None},   {std::nullopt, 7, SaveAction::Insert},
        {std::nullopt, -2, SaveAction::Insert}, {5.0, 0, SaveAction::Delete},
        {5.0, 5, SaveAction::None},            {5.0, 7, SaveAction::Update},
        // Shown as "0.00", but there is a row: it is updated or deleted, never doubled.
        {0.004, 7, SaveAction::Update},        {0.004, 0, SaveAction::Delete},
        {0.0, 0, SaveAction::Delete},          // a stored 0 is a row too many
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored ? *c.stored : -999);
        SCOPED_TRACE(c.value);
        EXPECT_EQ(decideSave(c.stored, c.value), c.action);
    }
}

class CellStoreTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025};
    // Another institution's row and another year's row beside the cell, to show they stay.
    void SetUp() override
    {
        year.setCell(2, 10, 4, 3, 99);
        year.data().exec(QStringLiteral(R"(insert into "data" values (1, 55, 2024, 10, 4, 3))"));
    }
    CellKey key{2025, 1, 10, 4, 3};
    QList<StoredCell> cells() { return year.storedCells(1, 10); }
};

TEST_F(CellStoreTest, InsertsUpdatesAndDeletesOneRow)
{
    EXPECT_EQ(saveCell(year.data(), QStringLiteral("Data"), key, 7), SaveAction::Insert);
    EXPECT_EQ(cells(), (QList<StoredCell>{{4, 3, 7}}));
    EXPECT_EQ(saveCell(year.data(), QStringLiteral("Data"), key, 8.5), SaveAction::Update);
    EXPECT_EQ(cells(), (QList<StoredCell>{{4, 3, 8.5}}));
    EXPECT_EQ(saveCell(year.data(), QStringLiteral("Data"), key, 8.5), SaveAction::None);
    EXPECT_EQ(saveCell(year.data(), QStringLiteral("Data"), key, 0), SaveAction::Delete);
    EXPECT_TRUE(cells().isEmpty());
    EXPECT_EQ(saveCell(year.data(), QStringLiteral("Data"), key, 0), SaveAction::None);

    EXPECT_EQ(year.storedCells(2, 10), (QList<StoredCell>{{4, 3, 99}}));
    EXPECT_EQ(year.data().scalar(QStringLiteral(R"(select count(*) from "data" where "year"=2024)")).toInt(), 1);
}

TEST_F(CellStoreTest, AStoredValueShownAsZeroIsUpdatedNotDoubled)
{
    year.setCell(1, 10, 4, 3, 0.004);
    EXPECT_EQ(storedCellValue(year.data(), QStringLiteral("Data"), key), 0.004);
    EXPECT_EQ(saveCell(year.data(), QStringLiteral("Data"), key, 7), SaveAction::Update);
    EXPECT_EQ(cells(), (QList<StoredCell>{{4, 3, 7}}));
}

TEST_F(CellStoreTest, WritesTheDataTableThePrefixNames)
{
    EXPECT_EQ(saveCell(year.data(), QStringLiteral("RepData"), key, 3), SaveAction::Insert);
    EXPECT_TRUE(cells().isEmpty());
    EXPECT_EQ(year.storedCells(1, 10, QStringLiteral("repdata")), (QList<StoredCell>{{4, 3, 3}}));
}

TEST_F(CellStoreTest, AFailureChangesNothing)
{
    year.setCell(1, 10, 4, 3, 5);
    EXPECT_THROW(saveCell(year.data(), QStringLiteral("data; drop table data"), key, 7), DbError);
    EXPECT_THROW(saveCell(year.data(), QString(), key, 7), DbError);
    year.data().exec(QStringLiteral(
        R"(create trigger f before update on "data" begin select raise(abort,'forced'); end;)"));
    EXPECT_THROW(saveCell(year.data(), QStringLiteral("Data"), key, 7), DbError);
    EXPECT_EQ(cells(), (QList<StoredCell>{{4, 3, 5}}));
    EXPECT_FALSE(year.data().inTransaction());
}
