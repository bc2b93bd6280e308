#include "core/TableRecalc.h"

#include "core/Common.h"
#include "core/StructureCache.h"
#include "PrintTo.h"
#include "YearFixture.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Ф30 with two tables of 2 header columns and 2 header rows: Графа 3, Строка 1 is stored at
// column 4, row 4. Institutions A and B make the district report R1, C and D the report R2; the
// territory T takes R1 and R2 as its incoming reports.
class Composition : public ::testing::Test {
protected:
    void SetUp() override
    {
        f30 = year.addForm(QStringLiteral("Ф30"));
        t1 = year.addTable(f30, QStringLiteral("(1000)"), QStringLiteral("Штаты"), 5, 4, 2, 2);
        t2 = year.addTable(f30, QStringLiteral("(2000)"), QStringLiteral("Кабинеты"), 5, 4, 2, 2);
        a = year.addInstitution(QStringLiteral("A"));
        b = year.addInstitution(QStringLiteral("B"));
        c = year.addInstitution(QStringLiteral("C"));
        d = year.addInstitution(QStringLiteral("D"));
        r1 = year.addReport(QStringLiteral("Район 1"), false, {a, b});
        r2 = year.addReport(QStringLiteral("Район 2"), false, {c, d});
        t = year.addReport(QStringLiteral("Область"), false, {});
        year.addStatistics(t, {r1, r2});
        refreshStructureCaches(year.dictionary());

        year.setEntered(a, t1, 3, 1, 0.1);
        year.setEntered(b, t1, 3, 1, 0.2);
        year.setEntered(b, t1, 5, 2, 7);
        year.setEntered(c, t1, 3, 1, 100);   // not in R1
        year.setEntered(a, t2, 4, 2, 1);
        year.setEntered(b, t2, 4, 2, 2);
    }
    RecalcContext svod(int owner, const QList<int>& composition)
    {
        RecalcContext x;
        x.dictionary = &year.dictionary();
        x.data = &year.data();
        x.year = year.year();
        x.owner = owner;
        x.ownerTable = QStringLiteral("repdata");
        x.composition = composition;
        x.sourceTable = QStringLiteral("data");
        return x;
    }
    QList<StoredCell> stored(int owner, int table) { return year.storedCells(owner, table, QStringLiteral("repdata")); }

    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025, YearFixture::InstallAliases};
    int f30 = 0, t1 = 0, t2 = 0, a = 0, b = 0, c = 0, d = 0, r1 = 0, r2 = 0, t = 0;
};

} // namespace

TEST_F(Composition, SvodSumsTheInstitutionsEnteredNumbers)
{
    year.setCell(r1, t1, 6, 5, 55, QStringLiteral("repdata"));   // an old value that goes
    const RecalcOutcome outcome = recalculateTables(svod(r1, {a, b}), {t1, t2});
    EXPECT_TRUE(outcome.error.isEmpty()) << outcome.error.toStdString();
    EXPECT_EQ(outcome.saved, (QStringList{QStringLiteral("Ф30 (1000)"), QStringLiteral("Ф30 (2000)")}));
    // Summed exactly: 0.1 + 0.2 is 0.3, not the 0.30000000000000004 of binary addition.
    EXPECT_EQ(stored(r1, t1), (QList<StoredCell>{{4, 4, 0.3}, {6, 5, 7}}));
    EXPECT_EQ(stored(r1, t2), (QList<StoredCell>{{5, 5, 3}}));
    // The institutions' own rows are untouched.
    EXPECT_EQ(year.storedCells(a, t1), (QList<StoredCell>{{4, 4, 0.1}}));
}

// Stored rows on header positions or beyond the table are no cells of it; a whole number too
// large for the 64-bit sums is summed as a decimal and meets them exactly.
TEST_F(Composition, OnlyDataCellsAreSummedWholesAndDecimalsExactly)
{
    year.setCell(a, t1, 3, 4, 50);     // header column
    year.setCell(a, t1, 4, 3, 60);     // header row
    year.setCell(a, t1, 7, 4, 70);     // beyond the last column
    year.setCell(a, t1, 4, 6, 80);     // beyond the last row
    year.setCell(a, t1, 6, 5, 5e15);   // with B's 7
    year.setCell(a, t1, 5, 4, 2.5);
    year.setCell(b, t1, 5, 4, -2);
    const RecalcOutcome outcome = recalculateTables(svod(r1, {a, b}), {t1});
    EXPECT_TRUE(outcome.error.isEmpty()) << outcome.error.toStdString();
    EXPECT_EQ(stored(r1, t1), (QList<StoredCell>{{4, 4, 0.3}, {5, 4, 0.5}, {6, 5, 5000000000000007.0}}));
    EXPECT_TRUE(stored(r1, t2).isEmpty());   // not asked for
}

TEST_F(Composition, TerrainSumsTheIncomingReportsSummaries)
{
    year.setCell(r1, t1, 4, 4, 10, QStringLiteral("repdata"));
    year.setCell(r2, t1, 4, 4, 5, QStringLiteral("repdata"));
    year.setCell(r2, t2, 5, 5, 0.25, QStringLiteral("repdata"));
    // Entered numbers under the same ids are no report's: the territory never reads them.
    year.setCell(r1, t1, 4, 4, 1000);
    RecalcContext x = svod(t, {r1, r2});
    x.sourceTable = QStringLiteral("repdata");
    x.ofReports = true;
    const RecalcOutcome outcome = recalculateTables(x, {t1, t2});
    EXPECT_TRUE(outcome.error.isEmpty()) << outcome.error.toStdString();
    EXPECT_EQ(stored(t, t1), (QList<StoredCell>{{4, 4, 15}}));
    EXPECT_EQ(stored(t, t2), (QList<StoredCell>{{5, 5, 0.25}}));
}

TEST_F(Composition, AFailureInTheSecondTableKeepsItsOldRowsAndTheFirstTablesNewOnes)
{
    year.setCell(r1, t1, 4, 4, 1, QStringLiteral("repdata"));
    year.setCell(r1, t2, 4, 4, 9, QStringLiteral("repdata"));
    year.data().exec(QStringLiteral(R"(create trigger refuse before insert on "repdata" when new."table"=%1
        begin select raise(abort, 'disk refused'); end)").arg(t2));
    const RecalcOutcome outcome = recalculateTables(svod(r1, {a, b}), {t1, t2});
    EXPECT_EQ(outcome.saved, (QStringList{QStringLiteral("Ф30 (1000)")}));
    EXPECT_EQ(outcome.failedTable, QStringLiteral("Ф30 (2000)"));
    EXPECT_TRUE(outcome.error.startsWith(QStringLiteral("Таблица Ф30 (2000) не сохранена"))) << outcome.error.toStdString();
    EXPECT_EQ(stored(r1, t1), (QList<StoredCell>{{4, 4, 0.3}, {6, 5, 7}}));
    EXPECT_EQ(stored(r1, t2), (QList<StoredCell>{{4, 4, 9}}));

    // The one-table routine says the same and stores nothing of its table.
    const TableRecalcResult one = recalculateTable(svod(r1, {a, b}), t2);
    EXPECT_FALSE(one.saved);
    EXPECT_TRUE(one.cells.isEmpty());
    EXPECT_EQ(stored(r1, t2), (QList<StoredCell>{{4, 4, 9}}));
}

TEST_F(Composition, AnEmptyCompositionSavesNothingAndSaysSo)
{
    year.setCell(r1, t1, 4, 4, 1, QStringLiteral("repdata"));
    for (bool ofReports : {false, true}) {
        RecalcContext x = svod(r1, {});
        x.ofReports = ofReports;
        const RecalcOutcome outcome = recalculateTables(x, {t1, t2});
        EXPECT_TRUE(outcome.nothingDone);
        EXPECT_TRUE(outcome.saved.isEmpty());
        EXPECT_EQ(outcome.error, emptyCompositionMessage(ofReports));
        const TableRecalcResult one = recalculateTable(x, t1);
        EXPECT_FALSE(one.saved);
        EXPECT_EQ(one.error, emptyCompositionMessage(ofReports));
    }
    EXPECT_EQ(stored(r1, t1), (QList<StoredCell>{{4, 4, 1}}));
}

TEST_F(Composition, OneTableGivesBackWhatItStored)
{
    const TableRecalcResult one = recalculateTable(svod(r1, {a, b, a}), t1);
    ASSERT_TRUE(one.saved) << one.error.toStdString();
    EXPECT_EQ(one.cells.owner(), (CellOwner{t1, r1, QStringLiteral("repdata"), year.year()}));
    EXPECT_EQ(one.cells.value(4, 4), 0.3);   // A listed twice is summed once
    EXPECT_EQ(one.cells.value(6, 5), 7);
    EXPECT_EQ(one.cells.lowColumn(), 3);
    EXPECT_EQ(one.cells.highRow(), 5);
}

TEST_F(Composition, TheContextComesFromTheSharedState)
{
    ReportYear = year.year();
    CurrentInstitutionId = t;
    InstitutionIdList = QStringLiteral("%1,%2,").arg(r1).arg(r2);
    DataTablePrefix = QStringLiteral("Repdata");
    WorkMode = QStringLiteral("Terrain");
    NetMode = false;
    RecalcContext x;
    QString error;
    ASSERT_TRUE(RecalcContext::fromGlobals(&x, &error)) << error.toStdString();
    EXPECT_EQ(x.owner, t);
    EXPECT_EQ(x.composition, (QList<int>{r1, r2}));
    EXPECT_EQ(x.ownerTable, QStringLiteral("repdata"));
    EXPECT_EQ(x.sourceTable, QStringLiteral("repdata"));
    EXPECT_TRUE(x.ofReports);

    WorkMode = QStringLiteral("Svod");
    DataTablePrefix = QStringLiteral("RepData");
    ASSERT_TRUE(RecalcContext::fromGlobals(&x, &error));
    EXPECT_EQ(x.sourceTable, QStringLiteral("data"));
    EXPECT_FALSE(x.ofReports);

    InstitutionIdList = QStringLiteral("1;2");
    EXPECT_FALSE(RecalcContext::fromGlobals(&x, &error));
    InstitutionIdList.clear();
    CurrentInstitutionId = 0;
    EXPECT_FALSE(RecalcContext::fromGlobals(&x, &error));
}
