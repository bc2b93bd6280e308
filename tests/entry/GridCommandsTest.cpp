#include "entry/GridCommands.h"

#include "PrintTo.h"
#include "YearFixture.h"
#include "core/StructureCache.h"
#include "entry/GridModel.h"
#include "platform/Database.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

// The sums of a column or a row fold only the values that are not 0, each as a single: the
// expected figures are worked out by hand from h = (h ^ (h << 5)) ^ bits(float).
TEST(ShownValuesChecksum, FoldsTheNonZeroValuesAsSingles)
{
    const struct {
        const char* what;
        QList<double> values;
        quint32 expected;
    } cases[] = {
        {"nothing", {}, 5381u},
        {"all zeros", {0, 0, 0, 0}, 5381u},
        {"a single 1", {1}, 1065530789u},
        {"a 1 among zeros", {0, 0, 1, 0}, 1065530789u},
        {"2, 3, 5 in order", {2, 0, 3, 5}, 1110712741u},
        // 1 + 1e-12 is 1 as a single: the sum cannot tell them apart.
        {"beyond single precision", {1.000000000001}, 1065530789u},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(shownValuesChecksum(c.values), c.expected);
    }
    // The order counts.
    EXPECT_NE(shownValuesChecksum({2, 3, 5}), shownValuesChecksum({5, 3, 2}));
}

// Institutions a and b, tables t1 and t2, rows of 2025 and of 2024 in the annual data, and the
// same cell in a report level's data database.
class GridClearing : public ::testing::Test {
protected:
    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025};
    int form = year.addForm(QStringLiteral("Ф12"));
    int t1 = year.addTable(form, QStringLiteral("(1000)"), QStringLiteral("Первая"), 6, 5, 2, 2);
    int t2 = year.addTable(form, QStringLiteral("(2000)"), QStringLiteral("Вторая"), 6, 5, 2, 2);
    int a = year.addInstitution(QStringLiteral("ЦРБ"));
    int b = year.addInstitution(QStringLiteral("ФАП"));

    GridContext contextOf(int owner, const QString& prefix = QStringLiteral("Data")) const
    {
        GridContext c;
        c.workMode = QStringLiteral("Input");
        c.institutionId = owner;
        c.year = 2025;
        c.dataTablePrefix = prefix;
        return c;
    }
    int rows(Database& db, const QString& where, const QVariantList& values = {})
    {
        return db.scalar(QStringLiteral(R"(select count(*) from "data" where )") + where, values).toInt();
    }
};

TEST_F(GridClearing, DeletesOnlyTheOwnersRowsOfThatTableAndYear)
{
    year.setCell(a, t1, 4, 4, 1);
    year.setCell(a, t1, 5, 5, 2);
    year.setCell(a, t2, 4, 4, 3);
    year.setCell(b, t1, 4, 4, 4);
    year.setCell(a, t1, 4, 4, 5, QStringLiteral("repdata"));
    year.data().exec(QStringLiteral(R"(insert into "data" values (?, 6, 2024, ?, 4, 4))"), {a, t1});
    const int level = year.addLevel(QStringLiteral("Квартал"));
    auto levelData = Database::open(year.yearFolder() + QStringLiteral("/data%1.mdb").arg(level));
    levelData->exec(QStringLiteral(R"(insert into "data" values (?, 7, 2025, ?, 4, 4))"), {a, t1});

    QString error;
    ASSERT_TRUE(clearGridTable(year.data(), contextOf(a), t1, &error)) << error.toStdString();
    EXPECT_TRUE(year.storedCells(a, t1).isEmpty());
    EXPECT_EQ(year.storedCells(a, t2), (QList<StoredCell>{{4, 4, 3}}));
    EXPECT_EQ(year.storedCells(b, t1), (QList<StoredCell>{{4, 4, 4}}));
    EXPECT_EQ(year.storedCells(a, t1, QStringLiteral("repdata")), (QList<StoredCell>{{4, 4, 5}}));
    EXPECT_EQ(rows(year.data(), QStringLiteral(R"("year"=2024)")), 1);
    EXPECT_EQ(rows(*levelData, QStringLiteral("1=1")), 1);
}

TEST_F(GridClearing, ASummaryReportClearsItsRepdataRows)
{
    year.setCell(a, t1, 4, 4, 1);
    year.setCell(a, t1, 4, 4, 5, QStringLiteral("repdata"));
    QString error;
    ASSERT_TRUE(clearGridTable(year.data(), contextOf(a, QStringLiteral("RepData")), t1, &error));
    EXPECT_TRUE(year.storedCells(a, t1, QStringLiteral("repdata")).isEmpty());
    EXPECT_EQ(year.storedCells(a, t1), (QList<StoredCell>{{4, 4, 1}}));
}

TEST_F(GridClearing, WithoutAnOwnerOrADataTableNothingIsDeleted)
{
    year.setCell(a, t1, 4, 4, 1);
    QString error;
    EXPECT_FALSE(clearGridTable(year.data(), contextOf(0), t1, &error));
    EXPECT_FALSE(error.isEmpty());
    error.clear();
    EXPECT_FALSE(clearGridTable(year.data(), contextOf(a, QStringLiteral("x")), t1, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(year.storedCells(a, t1).size(), 1);
}

TEST_F(GridClearing, TheFractionFlagGoesToTheDictionaryAndTheCache)
{
    GetForms(year.dictionary());
    GetTables(year.dictionary());
    const auto cached = [&](int ident) {
        for (const TableShape& t : TableInfo)
            if (t.ident == ident)
                return t.floattype;
        return -1;
    };
    const auto stored = [&](int ident) {
        return year.dictionary()
            .scalar(QStringLiteral(R"(select "floattype" from "tables" where "ident"=?)"), {ident})
            .toInt();
    };
    storeFloatType(year.dictionary(), t1, true);
    EXPECT_EQ(stored(t1), 1);
    EXPECT_EQ(cached(t1), 1);
    EXPECT_EQ(stored(t2), 0);
    EXPECT_EQ(cached(t2), 0);
    storeFloatType(year.dictionary(), t1, false);
    EXPECT_EQ(stored(t1), 0);
    EXPECT_EQ(cached(t1), 0);
    clearStructureCaches();
}
