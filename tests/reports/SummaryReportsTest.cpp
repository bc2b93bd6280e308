#include "reports/SummaryReports.h"

#include "PrintTo.h"
#include "YearFixture.h"
#include "platform/Database.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class ReportsYear : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        for (int i = 1; i <= 13; ++i)
            year.addInstitution(QStringLiteral("ЛПУ %1").arg(i));
        north = year.addReport(QStringLiteral("Северный район"), false, {12, 13});
        south = year.addReport(QStringLiteral("Южный район"), true, {3});
        region = year.addReport(QStringLiteral("Область - всего"));
        year.addStatistics(region, {north, south});
        year.addPopulation(north, 100, 60, 10, 30, true);
        year.addPopulation(south, 200, 120, 20, 60, true);
        year.dictionary().exec(QStringLiteral(R"(insert into "populations" values (?,2024,1,1,1,1))"), {north});
        const int form = year.addForm(QStringLiteral("Ф30"));
        table = year.addTable(form, QStringLiteral("(1000)"), QStringLiteral("Штаты"), 4, 4, 1, 1);
        year.setCell(north, table, 3, 3, 5, QStringLiteral("repdata"));
        year.setCell(south, table, 3, 3, 7, QStringLiteral("repdata"));
        year.data().exec(QStringLiteral(R"(insert into "repdata" values (?,9,2024,?,3,3))"), {north, table});
    }

    int count(Database& db, const QString& sql, const QVariantList& params = {})
    {
        return db.scalar(sql, params).toInt();
    }

    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025};
    int north = 0, south = 0, region = 0, table = 0;
};

TEST_F(ReportsYear, IdListsAreWrittenWithoutATrailingCommaAndReadWhole)
{
    EXPECT_EQ(SummaryReports::joinIds({12, 345}), QStringLiteral("12,345"));
    EXPECT_EQ(SummaryReports::joinIds({}), QString());
    EXPECT_EQ(SummaryReports::splitIds(QStringLiteral("12,345")), (QList<int>{12, 345}));
    EXPECT_EQ(SummaryReports::splitIds(QStringLiteral("12,345,")), (QList<int>{12, 345}));
    EXPECT_EQ(SummaryReports::splitIds(QString()), QList<int>{});
    EXPECT_EQ(SummaryReports::institutions(year.dictionary(), north), (QList<int>{12, 13}));

    SummaryReports::setInstitutions(year.dictionary(), north, {1, 12, 13});
    EXPECT_EQ(year.dictionary().scalar(QStringLiteral(R"(select "include" from "reports" where "id"=?)"), {north}),
              QStringLiteral("1,12,13"));
    EXPECT_EQ(SummaryReports::institutions(year.dictionary(), north), (QList<int>{1, 12, 13}));
}

TEST_F(ReportsYear, IncomingReportsReplaceTheRowAndNoneLeavesNoRow)
{
    EXPECT_EQ(SummaryReports::incomingReports(year.dictionary(), region), (QList<int>{north, south}));
    SummaryReports::setIncomingReports(year.dictionary(), region, {south});
    EXPECT_EQ(SummaryReports::incomingReports(year.dictionary(), region), (QList<int>{south}));
    EXPECT_EQ(count(year.dictionary(), QStringLiteral(R"(select count(*) from "statistics" where "base"=?)"), {region}), 1);
    SummaryReports::setIncomingReports(year.dictionary(), region, {});
    EXPECT_EQ(count(year.dictionary(), QStringLiteral(R"(select count(*) from "statistics")")), 0);
}

TEST_F(ReportsYear, DeleteRemovesEverythingOfTheReportInBothFiles)
{
    SummaryReports::remove(year.dictionary(), year.dataPath(), north);
    EXPECT_FALSE(SummaryReports::read(year.dictionary(), north));
    EXPECT_EQ(count(year.data(), QStringLiteral(R"(select count(*) from "repdata" where "hospital"=?)"), {north}), 0);
    EXPECT_EQ(count(year.data(), QStringLiteral(R"(select count(*) from "repdata" where "hospital"=?)"), {south}), 1);
    EXPECT_EQ(count(year.dictionary(), QStringLiteral(R"(select count(*) from "populations" where "unit"=?)"), {north}), 0);
    EXPECT_EQ(count(year.dictionary(), QStringLiteral(R"(select count(*) from "populations" where "unit"=?)"), {south}), 1);
    EXPECT_EQ(SummaryReports::incomingReports(year.dictionary(), region), (QList<int>{south}));

    // The region's own row goes with it; a summary left with no incoming report has no row.
    SummaryReports::remove(year.dictionary(), year.dataPath(), south);
    EXPECT_EQ(count(year.dictionary(), QStringLiteral(R"(select count(*) from "statistics")")), 0);
}

TEST_F(ReportsYear, AFailedDeleteLeavesBothFilesAsTheyWere)
{
    // A data file without repdata: the delete fails and nothing of the report is gone.
    year.data().exec(QStringLiteral(R"(drop table "repdata")"));
    EXPECT_THROW(SummaryReports::remove(year.dictionary(), year.dataPath(), north), DbError);
    EXPECT_TRUE(SummaryReports::read(year.dictionary(), north));
    EXPECT_EQ(count(year.dictionary(), QStringLiteral(R"(select count(*) from "populations" where "unit"=?)"), {north}), 2);
    EXPECT_EQ(SummaryReports::incomingReports(year.dictionary(), region), (QList<int>{north, south}));
}

TEST_F(ReportsYear, AddEditToggleAndOrder)
{
    const int added = SummaryReports::add(year.dictionary(), QStringLiteral("Западный \"район\""), true);
    QList<SummaryReport> all = SummaryReports::list(year.dictionary(), false);
    ASSERT_EQ(all.size(), 4);
    EXPECT_EQ(all.back().id, added);
    EXPECT_EQ(all.back().report, QStringLiteral("Западный \"район\""));
    EXPECT_EQ(SummaryReports::list(year.dictionary(), true).size(), 2);

    SummaryReports::edit(year.dictionary(), added, QStringLiteral("Западный"), false);
    EXPECT_EQ(SummaryReports::read(year.dictionary(), added)->report, QStringLiteral("Западный"));
    EXPECT_TRUE(SummaryReports::toggleNet(year.dictionary(), added));
    EXPECT_FALSE(SummaryReports::toggleNet(year.dictionary(), added));

    SummaryReports::saveOrder(year.dictionary(), {region, added, south, north});
    QList<int> ids;
    for (const SummaryReport& r : SummaryReports::list(year.dictionary(), false))
        ids.append(r.id);
    EXPECT_EQ(ids, (QList<int>{region, added, south, north}));
}

TEST(MergeOrder, TheNetworkOrderTakesTheNetworkPlacesAndTheOthersKeepTheirs)
{
    // Whole list 1 2 3 4 5, the network reports 2 and 4 shown swapped.
    EXPECT_EQ(SummaryReports::mergeOrder({1, 2, 3, 4, 5}, {4, 2}), (QList<int>{1, 4, 3, 2, 5}));
    EXPECT_EQ(SummaryReports::mergeOrder({1, 2, 3}, {}), (QList<int>{1, 2, 3}));
    EXPECT_EQ(SummaryReports::mergeOrder({1, 2}, {2, 7}), (QList<int>{1, 2, 7}));
}

TEST_F(ReportsYear, InstitutionsOfTypesFollowTheStructureOrder)
{
    const int a = year.addMedicalType(QStringLiteral("Больницы"));
    const int b = year.addMedicalType(QStringLiteral("Поликлиники"));
    const int p = year.addInstitution(QStringLiteral("Поликлиника"), 0, b);
    const int h = year.addInstitution(QStringLiteral("Больница"), 0, a);
    EXPECT_EQ(SummaryReports::institutionsOfTypes(year.dictionary(), {a, b}), (QList<int>{p, h}));
    EXPECT_EQ(SummaryReports::institutionsOfTypes(year.dictionary(), {b, a}), (QList<int>{p, h}));
    const int empty = year.addMedicalType(QStringLiteral("Пустой"));
    EXPECT_EQ(SummaryReports::institutionsOfTypes(year.dictionary(), {empty}), QList<int>{});
    EXPECT_EQ(SummaryReports::institutionsOfTypes(year.dictionary(), {}), QList<int>{});
}

} // namespace
