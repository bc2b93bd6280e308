#include "core/CheckSums.h"

#include "core/Common.h"
#include "PrintTo.h"
#include "YearFixture.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class SumsYear : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = year.addForm(QStringLiteral("Ф30"));
        t1 = year.addTable(form, QStringLiteral("(1000)"), QStringLiteral("Штаты"), 6, 5, 2, 2);
        t2 = year.addTable(form, QStringLiteral("(2000)"), QStringLiteral("Кабинеты"), 6, 5, 2, 2);
        empty = year.addForm(QStringLiteral("Ф12"));
        year.addTable(empty, QStringLiteral("(1)"), QStringLiteral("Пустая"), 4, 4, 1, 1);
        inst = year.addInstitution(QStringLiteral("ЦРБ"));
        ReportYear = year.year();
        DataTablePrefix = QStringLiteral("Data");
    }
    // A stored 0 is never written by the program, but a file may hold one.
    void insertRaw(int table, int column, int row, double value)
    {
        year.data().exec(QStringLiteral(R"(insert into "data" values (?,?,?,?,?,?))"),
                         {inst, value, year.year(), table, column, row});
    }

    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025, YearFixture::InstallAliases};
    int form = 0, t1 = 0, t2 = 0, empty = 0, inst = 0;
};

// Worked by hand, in hex (h << 5 keeps the low 32 bits):
//   5381 = 0x00001505; 5381 << 5 = 0x0002A0A0; xor = 0x0002B5A5 = 177573
//   single 1.0 = 0x3F800000  ->  0x3F82B5A5 = 1065530789
//   0x3F82B5A5 << 5 = 0xF056B4A0; xor = 0xCFD40105
//   single 2.0 = 0x40000000  ->  0x8FD40105 = 2413035781, as signed -1881931515
constexpr qint32 kZeroOnly = 177573;
constexpr qint32 kOneOnly = 1065530789;
constexpr qint32 kOneThenTwo = -1881931515;

}

TEST_F(SumsYear, EmptyTableAndEmptyForm)
{
    EXPECT_EQ(TableDataChecksum(inst, t1), 0);
    EXPECT_EQ(FormDataChecksum(inst, form), 5381);
    EXPECT_EQ(FormDataChecksum(inst, empty), 5381);
    EXPECT_EQ(FormDataChecksum(inst, 999), 5381);
}

TEST_F(SumsYear, SingleValues)
{
    insertRaw(t1, 4, 4, 0);
    EXPECT_EQ(TableDataChecksum(inst, t1), kZeroOnly);
    year.setCell(inst, t2, 4, 4, 1);
    EXPECT_EQ(TableDataChecksum(inst, t2), kOneOnly);
}

TEST_F(SumsYear, RowsComeBeforeColumns)
{
    // Stored in the other order on purpose: 2 at column 4 row 5 first, then 1 at column 5
    // row 4. By row the 1 comes first; by column it would be the 2.
    year.setCell(inst, t1, 4, 5, 2);
    year.setCell(inst, t1, 5, 4, 1);
    EXPECT_EQ(TableDataChecksum(inst, t1), kOneThenTwo);
}

TEST_F(SumsYear, AFormFoldsItsTablesInIdentOrderIntoOneValue)
{
    year.setCell(inst, t2, 4, 4, 2);
    year.setCell(inst, t1, 7, 6, 1);
    ASSERT_LT(t1, t2);
    EXPECT_EQ(FormDataChecksum(inst, form), kOneThenTwo);
    // Another institution's numbers are not part of it.
    const int other = year.addInstitution(QStringLiteral("ФАП"));
    year.setCell(other, t1, 4, 4, 7);
    EXPECT_EQ(FormDataChecksum(inst, form), kOneThenTwo);
    EXPECT_EQ(FormDataChecksum(other, empty), 5381);
}

TEST_F(SumsYear, OnlySinglePrecisionCounts)
{
    year.setCell(inst, t1, 4, 4, 0.1);
    const qint32 a = TableDataChecksum(inst, t1);
    year.setCell(inst, t1, 4, 4, 0.1 + 1e-12);
    EXPECT_EQ(TableDataChecksum(inst, t1), a);
    year.setCell(inst, t1, 4, 4, 0.11);
    EXPECT_NE(TableDataChecksum(inst, t1), a);
}

TEST_F(SumsYear, YearAndDataTableChooseTheRows)
{
    year.setCell(inst, t1, 4, 4, 1);
    ReportYear = 2024;
    EXPECT_EQ(TableDataChecksum(inst, t1), 0);
    ReportYear = year.year();
    DataTablePrefix = QStringLiteral("RepData");
    EXPECT_EQ(TableDataChecksum(inst, t1), 0);
    year.setCell(inst, t1, 4, 4, 1, QStringLiteral("repdata"));
    EXPECT_EQ(TableDataChecksum(inst, t1), kOneOnly);

    DataTablePrefix = QStringLiteral("forms");
    EXPECT_THROW(TableDataChecksum(inst, t1), DbError);
    EXPECT_THROW(FormDataChecksum(inst, form), DbError);
}
