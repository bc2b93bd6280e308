#include "core/TableCells.h"

#include "core/Common.h"
#include "core/Lookups.h"
#include "PrintTo.h"
#include "YearFixture.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Ф30 table (1000): 6 columns, 5 rows, 2 header columns, 2 header rows. CellValues then spans
// stored columns 3..7 and rows 3..6; the data cells are columns 4..7 and rows 4..6.
class CellsYear : public ::testing::Test {
protected:
    void SetUp() override
    {
        f30 = year.addForm(QStringLiteral("Ф30"));
        t = year.addTable(f30, QStringLiteral("(1000)"), QStringLiteral("Штаты"), 6, 5, 2, 2);
        other = year.addTable(f30, QStringLiteral("(2000)"), QStringLiteral("Кабинеты"), 6, 5, 2, 2);
        a = year.addInstitution(QStringLiteral("ЦРБ"));
        b = year.addInstitution(QStringLiteral("Больница №2"));
        refreshStructureCaches(year.dictionary());
        ReportYear = year.year();
        WorkMode = QStringLiteral("Input");
        DataTablePrefix = QStringLiteral("Data");
    }
    // A marker table in CellValues, to tell that a refused load left it alone.
    void markCells()
    {
        CellValues = CellArray(1, 2, 1, 2);
        CellValues.set(2, 2, 42);
    }
    bool cellsUntouched() const
    {
        return CellValues.lowColumn() == 1 && CellValues.highRow() == 2 && CellValues.value(2, 2) == 42;
    }
    void insertRaw(int hospital, int year, int table, int column, int row, double value,
                   const QString& dataTable = QStringLiteral("data"))
    {
        this->year.data().exec(QStringLiteral("insert into %1 values (?,?,?,?,?,?)").arg(quoteIdent(dataTable)),
                               {hospital, value, year, table, column, row});
    }

    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025, YearFixture::InstallAliases};
    int f30 = 0, t = 0, other = 0, a = 0, b = 0;
};

}

TEST_F(CellsYear, LoadsTheDataCellsOfOneInstitution)
{
    year.setCell(a, t, 4, 4, 8);          // first data cell
    year.setCell(a, t, 7, 6, 2.5);        // last data cell
    year.setCell(a, t, 3, 5, 9);          // header column
    year.setCell(a, t, 5, 3, 9);          // header row
    year.setCell(a, t, 8, 4, 9);          // beyond the last column
    year.setCell(a, t, 5, 7, 9);          // beyond the last row
    year.setCell(b, t, 5, 5, 100);        // another institution
    year.setCell(a, other, 5, 5, 100);    // another table
    insertRaw(a, 2024, t, 6, 5, 100);     // another year

    QString error;
    ASSERT_TRUE(LoadTableCells(a, QStringLiteral("ф30"), QStringLiteral("(1000)"), &error)) << error.toStdString();
    EXPECT_EQ(CellValues.lowColumn(), 3);
    EXPECT_EQ(CellValues.highColumn(), 7);
    EXPECT_EQ(CellValues.lowRow(), 3);
    EXPECT_EQ(CellValues.highRow(), 6);
    EXPECT_EQ(CellRowOffset, 1);
    double sum = 0;
    for (int c = 3; c <= 7; ++c)
        for (int r = 3; r <= 6; ++r)
            sum += CellValues.value(c, r);
    EXPECT_EQ(CellValues.value(4, 4), 8.0);
    EXPECT_EQ(CellValues.value(7, 6), 2.5);
    EXPECT_EQ(sum, 10.5);   // nothing else came in
}

TEST_F(CellsYear, InstitutionZeroReadsNothing)
{
    year.setCell(0, t, 5, 5, 7);
    markCells();
    ASSERT_TRUE(LoadTableCells(0, QStringLiteral("Ф30"), QStringLiteral("(1000)")));
    EXPECT_EQ(CellValues.highColumn(), 7);
    EXPECT_EQ(CellValues.value(5, 5), 0.0);
}

TEST_F(CellsYear, TheDataTableFollowsThePrefix)
{
    year.setCell(a, t, 5, 5, 1);
    year.setCell(a, t, 5, 5, 4, QStringLiteral("repdata"));
    DataTablePrefix = QStringLiteral("Repdata");
    ASSERT_TRUE(LoadTableCells(a, QStringLiteral("Ф30"), QStringLiteral("(1000)")));
    EXPECT_EQ(CellValues.value(5, 5), 4.0);
}

TEST_F(CellsYear, TypesModeSumsTheListedInstitutions)
{
    const int c = year.addInstitution(QStringLiteral("ФАП"));
    year.setCell(a, t, 5, 5, 3);
    year.setCell(b, t, 5, 5, 3);
    year.setCell(c, t, 5, 5, 50);      // not listed
    year.setCell(a, t, 9, 9, 1);       // outside the table: skipped, not written anywhere
    year.setCell(b, t, 3, 4, 1);       // header column
    WorkMode = QStringLiteral("Types");
    DataTablePrefix = QStringLiteral("data");
    InstitutionIdList = QStringLiteral("%1,%2,").arg(a).arg(b);

    ASSERT_TRUE(LoadTableCells(0, QStringLiteral("Ф30"), QStringLiteral("(1000)")));
    EXPECT_EQ(CellValues.value(5, 5), 6.0);
    EXPECT_EQ(CellValues.value(3, 4), 0.0);

    InstitutionIdList.clear();   // no institutions: no rows, not every row
    ASSERT_TRUE(LoadTableCells(0, QStringLiteral("Ф30"), QStringLiteral("(1000)")));
    EXPECT_EQ(CellValues.value(5, 5), 0.0);
}

TEST_F(CellsYear, ALoadThatCannotBeDoneSaysWhyAndKeepsTheOldCells)
{
    const int bad = year.addTable(f30, QStringLiteral("(3000)"), QStringLiteral("Кривая"), 1, 5, 3, 1);
    // 2,000,000,000 cells: a typing error in the dictionary, not a table to allocate.
    year.addTable(f30, QStringLiteral("(6000)"), QStringLiteral("Огромная"), 20000, 100000, 1, 1);
    GetTables(year.dictionary());
    Q_UNUSED(bad);
    struct Case { const char* form; const char* number; const char* mode; const char* prefix; const char* ids; };
    constexpr Case kCases[] = {
        {"Ф30", "(9999)", "Input", "Data", ""},                 // not in the caches
        {"Ф99", "(1000)", "Input", "Data", ""},
        {"Ф30", "(3000)", "Input", "Data", ""},                 // fewer columns than header columns
        {"Ф30", "(6000)", "Input", "Data", ""},                 // too large to be a real table
        {"Ф30", "(1000)", "Input", "", ""},                     // no data table for the mode
        {"Ф30", "(1000)", "Input", "data where 1=1 --", ""},
        {"Ф30", "(1000)", "Types", "data", "1) or (1=1"},       // not a list of ids
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.number) + " " + c.prefix + " " + c.ids);
        WorkMode = QString::fromUtf8(c.mode);
        DataTablePrefix = QString::fromUtf8(c.prefix);
        InstitutionIdList = QString::fromUtf8(c.ids);
        markCells();
        QString error;
        EXPECT_FALSE(LoadTableCells(a, QString::fromUtf8(c.form), QString::fromUtf8(c.number), &error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_TRUE(cellsUntouched());
    }
}

TEST_F(CellsYear, SummedLoadAddsIntoTheTableAndSkipsWhatLiesOutside)
{
    year.setCell(a, t, 5, 5, 3);
    year.setCell(b, t, 5, 5, 4);
    year.setCell(b, t, 7, 6, 1);
    year.setCell(a, t, 9, 9, 5);       // the table shrank after this was entered
    year.setCell(a, t, 3, 5, 5);       // header column
    year.setCell(a, t, 5, 5, 100, QStringLiteral("repdata"));   // summation reads "data" only
    DataTablePrefix = QStringLiteral("RepData");
    ASSERT_TRUE(LoadTableCells(0, QStringLiteral("Ф30"), QStringLiteral("(1000)")));
    CellValues.set(5, 5, 10);          // what the table held before

    InstitutionIdList = QStringLiteral("%1,%2").arg(a).arg(b);
    ASSERT_TRUE(LoadTableDataSummed(f30, QStringLiteral("(1000)")));
    EXPECT_EQ(CellValues.value(5, 5), 17.0);
    EXPECT_EQ(CellValues.value(7, 6), 1.0);
    EXPECT_EQ(CellValues.value(3, 5), 0.0);

    InstitutionIdList.clear();
    ASSERT_TRUE(LoadTableDataSummed(f30, QStringLiteral("(1000)")));
    EXPECT_EQ(CellValues.value(5, 5), 17.0);

    QString error;
    InstitutionIdList = QStringLiteral("1,x");
    EXPECT_FALSE(LoadTableDataSummed(f30, QStringLiteral("(1000)"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(CellValues.value(5, 5), 17.0);
}

TEST_F(CellsYear, SummedLoadRefusesCellsNotShapedForTheTable)
{
    // (2000) has the same size as (1000) but another place; (5000) is smaller.
    const int small = year.addTable(f30, QStringLiteral("(5000)"), QStringLiteral("Малая"), 4, 4, 1, 1);
    GetTables(year.dictionary());
    year.setCell(a, t, 4, 4, 3);
    InstitutionIdList = QString::number(a);

    // Left over from a table of another shape: the sums would land in its cells.
    ASSERT_TRUE(LoadTableCells(0, QStringLiteral("Ф30"), QStringLiteral("(5000)")));
    Q_UNUSED(small);
    QString error;
    EXPECT_FALSE(LoadTableDataSummed(f30, QStringLiteral("(1000)"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(CellValues.value(4, 4), 0.0);

    // Nothing loaded: the sums would vanish and the table be saved empty.
    CellValues.clear();
    error.clear();
    EXPECT_FALSE(LoadTableDataSummed(f30, QStringLiteral("(1000)"), &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(CellsYear, SavingReplacesTheInstitutionsRowsOfTheTable)
{
    year.setCell(a, t, 4, 4, 1);
    year.setCell(a, t, 6, 5, 2);
    year.setCell(b, t, 4, 4, 7);
    year.setCell(a, other, 4, 4, 8);
    ASSERT_TRUE(LoadTableCells(a, QStringLiteral("Ф30"), QStringLiteral("(1000)")));
    CellValues.set(6, 5, 0);           // cleared: its row goes
    CellValues.set(7, 6, 0.125);
    CellValues.set(5, 4, -3);

    QString error;
    ASSERT_TRUE(SaveTableData(a, f30, QStringLiteral("(1000)"), &error)) << error.toStdString();
    EXPECT_EQ(year.storedCells(a, t), (QList<StoredCell>{{4, 4, 1}, {5, 4, -3}, {7, 6, 0.125}}));
    EXPECT_EQ(year.storedCells(b, t), (QList<StoredCell>{{4, 4, 7}}));
    EXPECT_EQ(year.storedCells(a, other), (QList<StoredCell>{{4, 4, 8}}));

    CellValues.fillZero();             // a table of zeros stores no row
    ASSERT_TRUE(SaveTableData(a, f30, QStringLiteral("(1000)")));
    EXPECT_TRUE(year.storedCells(a, t).isEmpty());
    EXPECT_EQ(year.storedCells(b, t), (QList<StoredCell>{{4, 4, 7}}));
}

TEST_F(CellsYear, AFailedSaveLeavesTheOldRows)
{
    year.setCell(a, t, 4, 4, 1);
    year.setCell(a, t, 6, 5, 2);
    ASSERT_TRUE(LoadTableCells(a, QStringLiteral("Ф30"), QStringLiteral("(1000)")));
    CellValues.set(4, 4, 5);
    CellValues.set(7, 6, 9);
    // The first insert (column 4) goes through, the one of column 7 fails.
    year.data().exec(QStringLiteral(R"(create trigger f before insert on "data" when new."column"=7
        begin select raise(abort,'forced'); end)"));
    EXPECT_THROW(SaveTableData(a, f30, QStringLiteral("(1000)")), DbError);
    EXPECT_FALSE(year.data().inTransaction());
    EXPECT_EQ(year.storedCells(a, t), (QList<StoredCell>{{4, 4, 1}, {6, 5, 2}}));
}

TEST_F(CellsYear, ASaveThatCannotBeDoneWritesNothing)
{
    year.setCell(a, t, 4, 4, 1);
    ASSERT_TRUE(LoadTableCells(a, QStringLiteral("Ф30"), QStringLiteral("(1000)")));
    CellValues.set(4, 4, 5);
    QString error;
    EXPECT_FALSE(SaveTableData(a, f30, QStringLiteral("(9999)"), &error));
    EXPECT_FALSE(error.isEmpty());
    DataTablePrefix.clear();
    error.clear();
    EXPECT_FALSE(SaveTableData(a, f30, QStringLiteral("(1000)"), &error));
    EXPECT_FALSE(error.isEmpty());
    DataTablePrefix = QStringLiteral("Data");

    // Cells of another shape, or none at all, must not replace the table's rows.
    const int small = year.addTable(f30, QStringLiteral("(4000)"), QStringLiteral("Малая"), 3, 3, 1, 1);
    GetTables(year.dictionary());
    ASSERT_TRUE(LoadTableCells(a, QStringLiteral("Ф30"), QStringLiteral("(4000)")));
    Q_UNUSED(small);
    error.clear();
    EXPECT_FALSE(SaveTableData(a, f30, QStringLiteral("(1000)"), &error));
    EXPECT_FALSE(error.isEmpty());
    CellValues.clear();
    EXPECT_FALSE(SaveTableData(a, f30, QStringLiteral("(1000)")));
    EXPECT_EQ(year.storedCells(a, t), (QList<StoredCell>{{4, 4, 1}}));

    // No institution chosen: rows of hospital 0 would belong to nobody.
    ASSERT_TRUE(LoadTableCells(a, QStringLiteral("Ф30"), QStringLiteral("(1000)")));
    error.clear();
    EXPECT_FALSE(SaveTableData(0, f30, QStringLiteral("(1000)"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(year.storedCells(0, t).isEmpty());
    EXPECT_EQ(year.storedCells(a, t), (QList<StoredCell>{{4, 4, 1}}));
}

// A save writes only what changed: nothing for the values as stored, a few rows for a few
// changes (a stored row outside the data cells goes), and a table that mostly changed is written
// whole, through statements of many rows and then fewer for the rest (here 256, 64, 16, 4, 1).
TEST_F(CellsYear, ASaveWritesOnlyWhatChanged)
{
    // 24 data columns (3..26) by 19 data rows (3..21).
    const int big = year.addTable(f30, QStringLiteral("(3000)"), QStringLiteral("Большая"), 25, 20, 1, 1);
    refreshStructureCaches(year.dictionary());
    const TableShape g = GetTableGeometryById(f30, QStringLiteral("(3000)"));
    year.setCell(b, big, 3, 3, 77);   // another owner's row stays
    year.data().execScript(QStringLiteral(R"(create table "writes" ("n" integer);
        create trigger wi after insert on "data" begin insert into "writes" values (1); end;
        create trigger wu after update on "data" begin insert into "writes" values (1); end;
        create trigger wd after delete on "data" begin insert into "writes" values (1); end;)"));
    auto writes = [&] {
        const int n = year.data().scalar(QStringLiteral(R"(select count(*) from "writes")")).toInt();
        year.data().exec(QStringLiteral(R"(delete from "writes")"));
        return n;
    };
    CellArray cells = g.emptyCells(CellOwner{big, a, QStringLiteral("data"), 2025});
    QList<StoredCell> expected;
    for (int column = 3; column <= 26 && expected.size() < 341; ++column)
        for (int row = 3; row <= 21 && expected.size() < 341; ++row) {
            cells.set(column, row, expected.size() + 0.5);
            expected.append({column, row, expected.size() + 0.5});
        }
    DataRows rows(&year.data());
    rows.replaceTable(cells);
    EXPECT_EQ(year.storedCells(a, big), expected);
    EXPECT_EQ(writes(), 341);

    rows.replaceTable(cells);
    EXPECT_EQ(writes(), 0);
    EXPECT_EQ(year.storedCells(a, big), expected);

    year.setCell(a, big, 2, 5, 9);    // a header position
    writes();
    cells.set(3, 4, 1000);            // changed
    cells.set(3, 5, 0);               // cleared
    cells.set(26, 21, 2);             // new
    expected[1].value = 1000;
    expected.removeAt(2);
    expected.append({26, 21, 2});
    rows.replaceTable(cells);
    EXPECT_EQ(writes(), 4);
    EXPECT_EQ(year.storedCells(a, big), expected);

    for (int column = 3; column <= 26; ++column)
        for (int row = 3; row <= 21; ++row)
            cells.set(column, row, cells.value(column, row) * 2);
    for (StoredCell& c : expected)
        c.value *= 2;
    rows.replaceTable(cells);
    EXPECT_EQ(year.storedCells(a, big), expected);
    EXPECT_EQ(year.storedCells(b, big), (QList<StoredCell>{{3, 3, 77}}));
}

// A save that fails midway leaves the old rows, and nothing of it reaches the next save.
TEST_F(CellsYear, AFailedSaveLeavesNothingForTheNextOne)
{
    const QList<StoredCell> old{{4, 5, 1}, {4, 6, 2}, {5, 5, 3}, {6, 5, 4}, {7, 6, 5}};
    for (const StoredCell& c : old)
        year.setCell(a, t, c.column, c.row, c.value);
    const TableShape g = GetTableGeometryById(f30, QStringLiteral("(1000)"));
    CellArray cells = g.emptyCells(CellOwner{t, a, QStringLiteral("data"), 2025});
    for (const StoredCell& c : old)
        cells.set(c.column, c.row, c.value);
    cells.set(4, 4, 9);   // a new row, written before the cleared one below is deleted
    cells.set(5, 5, 0);
    year.data().exec(QStringLiteral(R"(create trigger refuse before delete on "data"
        begin select raise(abort, 'forced'); end)"));
    DataRows rows(&year.data());
    EXPECT_THROW(rows.replaceTable(cells), DbError);
    EXPECT_FALSE(year.data().inTransaction());
    EXPECT_EQ(year.storedCells(a, t), old);

    year.data().exec(QStringLiteral(R"(drop trigger refuse)"));
    CellArray next = g.emptyCells(CellOwner{other, a, QStringLiteral("data"), 2025});
    next.set(4, 4, 1);
    rows.replaceTable(next);
    EXPECT_EQ(year.storedCells(a, other), (QList<StoredCell>{{4, 4, 1}}));
    EXPECT_EQ(year.storedCells(a, t), old);
}

namespace {

// (1000) and (2000) of Ф30 have the same size: only the cells' owner tells them apart.
TEST_F(CellsYear, CellsOfAnotherTableOfTheSameSizeAreNeitherSavedNorSummedInto)
{
    year.setCell(a, t, 4, 4, 1);
    year.setCell(a, other, 4, 4, 8);
    year.setCell(b, t, 5, 5, 2);
    ASSERT_TRUE(LoadTableCells(a, QStringLiteral("Ф30"), QStringLiteral("(2000)")));
    EXPECT_EQ(CellValues.owner(), (CellOwner{other, a, QStringLiteral("data"), 2025}));

    QString error;
    EXPECT_FALSE(SaveTableData(a, f30, QStringLiteral("(1000)"), &error));
    EXPECT_FALSE(error.isEmpty());
    InstitutionIdList = QString::number(b);
    error.clear();
    EXPECT_FALSE(LoadTableDataSummed(f30, QStringLiteral("(1000)"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(CellValues.value(5, 5), 0.0);
    EXPECT_EQ(year.storedCells(a, t), (QList<StoredCell>{{4, 4, 1}}));

    // Another institution's, another data table's or another year's cells of the same table.
    ASSERT_TRUE(LoadTableCells(b, QStringLiteral("Ф30"), QStringLiteral("(1000)")));
    EXPECT_FALSE(SaveTableData(a, f30, QStringLiteral("(1000)")));
    ASSERT_TRUE(LoadTableCells(a, QStringLiteral("Ф30"), QStringLiteral("(1000)")));
    DataTablePrefix = QStringLiteral("RepData");
    EXPECT_FALSE(SaveTableData(a, f30, QStringLiteral("(1000)")));
    DataTablePrefix = QStringLiteral("Data");
    ReportYear = 2024;
    EXPECT_FALSE(SaveTableData(a, f30, QStringLiteral("(1000)")));
    EXPECT_FALSE(LoadTableDataSummed(f30, QStringLiteral("(1000)")));
    ReportYear = 2025;
    EXPECT_EQ(year.storedCells(a, t), (QList<StoredCell>{{4, 4, 1}}));
    EXPECT_EQ(year.storedCells(a, other), (QList<StoredCell>{{4, 4, 8}}));
    EXPECT_EQ(year.storedCells(a, t, QStringLiteral("repdata")), QList<StoredCell>());

    // The table's own cells save; a sum (Types) belongs to nobody and never does.
    CellValues.set(4, 4, 6);
    EXPECT_TRUE(SaveTableData(a, f30, QStringLiteral("(1000)")));
    EXPECT_EQ(year.storedCells(a, t), (QList<StoredCell>{{4, 4, 6}}));
    WorkMode = QStringLiteral("Types");
    InstitutionIdList = QString::number(a);
    ASSERT_TRUE(LoadTableCells(a, QStringLiteral("Ф30"), QStringLiteral("(1000)")));
    EXPECT_FALSE(SaveTableData(a, f30, QStringLiteral("(1000)")));
}

// A summary report's table made for the summation: empty cells owned by the report, the sums of
// the institutions added, then saved as the report's.
TEST_F(CellsYear, APreparedReportTableTakesTheSumsAndSavesAsTheReports)
{
    const int report = 77;
    year.setCell(a, t, 5, 5, 3);
    year.setCell(b, t, 5, 5, 4);
    DataTablePrefix = QStringLiteral("RepData");
    CellValues = GetTableGeometryById(f30, QStringLiteral("(1000)")).emptyCells(CellOwner{t, report, QStringLiteral("repdata"), 2025});
    InstitutionIdList = QStringLiteral("%1,%2").arg(a).arg(b);
    ASSERT_TRUE(LoadTableDataSummed(f30, QStringLiteral("(1000)")));
    ASSERT_TRUE(SaveTableData(report, f30, QStringLiteral("(1000)")));
    EXPECT_EQ(year.storedCells(report, t, QStringLiteral("repdata")), (QList<StoredCell>{{5, 5, 7}}));
    EXPECT_TRUE(year.storedCells(report, t).isEmpty());
}

// The reader itself: values, no shared state.
TEST_F(CellsYear, ThePureReaderLeavesTheSharedArrayAlone)
{
    year.setCell(a, t, 4, 4, 8);
    markCells();
    DataRows rows(&year.data());
    CellsRequest request;
    request.institutionId = a;
    request.dataTablePrefix = QStringLiteral("data");
    request.year = 2025;
    CellArray cells;
    ASSERT_TRUE(readTableCells(rows, request, QStringLiteral("Ф30"), QStringLiteral("(1000)"), &cells));
    EXPECT_EQ(cells.value(4, 4), 8.0);
    EXPECT_EQ(cells.owner(), (CellOwner{t, a, QStringLiteral("data"), 2025}));
    EXPECT_TRUE(cellsUntouched());
    request.dataTablePrefix = QStringLiteral("data; drop");
    QString error;
    EXPECT_FALSE(readTableCells(rows, request, QStringLiteral("Ф30"), QStringLiteral("(1000)"), &cells, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(cells.value(4, 4), 8.0);
}

// An institution's tables handed out from its rows read at once are the tables read one by one:
// header and outside rows skipped, other institutions, tables and years left out; a request for
// another institution reads its rows.
TEST_F(CellsYear, TablesFromTheInstitutionsRowsAreTheTablesReadOneByOne)
{
    year.setCell(a, t, 4, 4, 8);
    year.setCell(a, t, 7, 6, 2.5);
    year.setCell(a, t, 3, 5, 9);          // header column
    year.setCell(a, t, 5, 3, 9);          // header row
    year.setCell(a, t, 8, 4, 9);          // beyond the last column
    year.setCell(a, other, 5, 5, 7);
    year.setCell(b, t, 5, 5, 100);
    insertRaw(a, 2024, t, 6, 5, 100);
    DataRows rows(&year.data());
    CellsRequest request;
    request.dataTablePrefix = QStringLiteral("data");
    request.year = 2025;
    OwnerRows owner;
    for (int institution : {a, b, a}) {
        request.institutionId = institution;
        for (const char* number : {"(1000)", "(2000)"}) {
            SCOPED_TRACE(number);
            TableShape table;
            ASSERT_TRUE(findCellsTable(QStringLiteral("Ф30"), QString::fromUtf8(number), &table));
            CellArray one, whole;
            ASSERT_TRUE(readTableCells(rows, request, table, &one));
            ASSERT_TRUE(readTableCells(rows, request, table, &whole, nullptr, &owner));
            EXPECT_TRUE(owner.holds(QStringLiteral("data"), 2025, institution));
            EXPECT_EQ(whole.owner(), one.owner());
            ASSERT_EQ(whole.highColumn(), one.highColumn());
            ASSERT_EQ(whole.highRow(), one.highRow());
            for (int c = one.lowColumn(); c <= one.highColumn(); ++c)
                for (int r = one.lowRow(); r <= one.highRow(); ++r)
                    EXPECT_EQ(whole.value(c, r), one.value(c, r)) << c << "," << r;
        }
    }
    request.institutionId = a;
    TableShape table;
    ASSERT_TRUE(findCellsTable(QStringLiteral("Ф30"), QStringLiteral("(1000)"), &table));
    CellArray cells;
    ASSERT_TRUE(readTableCells(rows, request, table, &cells, nullptr, &owner));
    EXPECT_EQ(cells.value(4, 4), 8.0);
    EXPECT_EQ(cells.value(3, 5), 0.0);
    EXPECT_EQ(cells.value(7, 6), 2.5);
}

TEST_F(CellsYear, PassesOverAYearReadEveryRowOnce)
{
    year.setCell(a, t, 4, 4, 1);
    year.setCell(a, t, 5, 4, 2);
    year.setCell(a, other, 4, 4, 8);
    year.setCell(b, t, 4, 4, 10);
    year.setCell(b, t, 3, 4, 99);            // header column: no data cell
    insertRaw(a, 2024, t, 4, 4, 100);        // another year
    DataRows rows(&year.data());

    QList<QList<int>> seen;
    rows.forEachOwnerRow(QStringLiteral("data"), 2025, a, [&](const DataRow& r) {
        seen.append({r.hospital, r.table, r.column, r.row, int(r.value)});
    });
    EXPECT_EQ(seen, (QList<QList<int>>{{a, t, 4, 4, 1}, {a, t, 5, 4, 2}, {a, other, 4, 4, 8}}));

    const TableShape g = GetTableGeometryById(f30, QStringLiteral("(1000)"));
    CellArray sumT = g.emptyCells(CellOwner{t, 0, QStringLiteral("data"), 2025});
    EXPECT_EQ(rows.sumOwners(QStringLiteral("data"), 2025, {a, b, a},
                             [&](int table) { return table == t ? &sumT : nullptr; }),
              3);
    EXPECT_EQ(sumT.value(4, 4), 11.0);
    EXPECT_EQ(sumT.value(5, 4), 2.0);
    EXPECT_EQ(sumT.value(3, 4), 0.0);
    EXPECT_EQ(rows.sumOwners(QStringLiteral("data"), 2025, {}, [&](int) { return &sumT; }), 0);

    EXPECT_EQ(rows.tableValuesByRow(QStringLiteral("data"), 2025, a, t), (QList<double>{1, 2}));
    EXPECT_EQ(rows.rowsPerTable(QStringLiteral("data"), 2025, a),
              (QList<QPair<int, int>>{{t, 2}, {other, 1}}));
}

} // namespace
