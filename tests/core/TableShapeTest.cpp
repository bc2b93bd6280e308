#include "core/TableShape.h"

#include "PrintTo.h"
#include "YearFixture.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class ShapeYear : public ::testing::Test {
protected:
    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025};
    int f12 = year.addForm(QStringLiteral("ф12"));
    int f30 = year.addForm(QStringLiteral("Ф30"));
    // Made out of number order, so the two orders differ.
    int t2 = year.addTable(f12, QStringLiteral("(2)"), QStringLiteral("Дети"), 6, 5, 2, 1, true, 1);
    int t1 = year.addTable(f12, QStringLiteral("(1)"), QStringLiteral("Взрослые"), 7, 4, 3, 2);
    int t30 = year.addTable(f30, QStringLiteral("(1000)"), QStringLiteral("Штаты"), 4, 4, 1, 1);
};

TableShape sized(int colcount, int rowcount, int fixcols, int fixrows)
{
    TableShape t;
    t.colcount = colcount;
    t.rowcount = rowcount;
    t.fixcols = fixcols;
    t.fixrows = fixrows;
    return t;
}

QList<int> identsOf(const QList<TableShape>& shapes)
{
    QList<int> idents;
    for (const TableShape& t : shapes)
        idents.append(t.ident);
    return idents;
}

} // namespace

TEST_F(ShapeYear, ReadsEveryColumnWithTheFormNameAsStored)
{
    const std::optional<TableShape> t = readTableShape(year.dictionary(), t2);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->ident, t2);
    EXPECT_EQ(t->form, f12);
    EXPECT_EQ(t->tablen, QStringLiteral("(2)"));
    EXPECT_EQ(t->name, QStringLiteral("Дети"));
    EXPECT_EQ((QList<int>{t->colcount, t->rowcount, t->fixcols, t->fixrows, t->floattype, t->scan}),
              (QList<int>{6, 5, 2, 1, 1, 1}));
    EXPECT_EQ(t->formName, QStringLiteral("ф12"));
    EXPECT_EQ(t->title(), QStringLiteral("ф12 (2)"));
    // Data area: columns 3..6, rows 2..5 of the layout.
    EXPECT_EQ(t->gridColumns(), 4);
    EXPECT_EQ(t->gridRows(), 4);
    EXPECT_FALSE(readTableShape(year.dictionary(), 999));
}

TEST_F(ShapeYear, OrdersByFormAndNumberOrByIdent)
{
    EXPECT_EQ(identsOf(readTableShapes(year.dictionary(), ShapeOrder::ByNumber)), (QList<int>{t1, t2, t30}));
    EXPECT_EQ(identsOf(readTableShapes(year.dictionary(), ShapeOrder::ByIdent)), (QList<int>{t2, t1, t30}));
    EXPECT_EQ(identsOf(readFormTableShapes(year.dictionary(), f12, ShapeOrder::ByNumber)), (QList<int>{t1, t2}));
    EXPECT_EQ(identsOf(readFormTableShapes(year.dictionary(), f12, ShapeOrder::ByIdent)), (QList<int>{t2, t1}));
    EXPECT_TRUE(readFormTableShapes(year.dictionary(), 999, ShapeOrder::ByIdent).isEmpty());
}

TEST_F(ShapeYear, FindsATableByItsExactNumber)
{
    EXPECT_EQ(readTableShape(year.dictionary(), f12, QStringLiteral("(1)")).value_or(TableShape()).ident, t1);
    EXPECT_FALSE(readTableShape(year.dictionary(), f12, QStringLiteral("(01)")));
    EXPECT_FALSE(readTableShape(year.dictionary(), f30, QStringLiteral("(1)")));
}

TEST(TableShape, ItsArrayHasTheStoredBoundsAndOnlyThoseShapeIt)
{
    TableShape t = sized(7, 4, 3, 2);
    t.ident = 5;
    const CellOwner owner{5, 12, QStringLiteral("data"), 2025};
    const CellArray cells = t.emptyCells(owner);
    EXPECT_EQ((QList<int>{cells.lowColumn(), cells.highColumn(), cells.lowRow(), cells.highRow()}),
              (QList<int>{4, 8, 3, 5}));
    EXPECT_EQ(cells.owner(), owner);
    EXPECT_EQ(cells.value(8, 5), 0.0);
    EXPECT_TRUE(t.shapes(cells));

    // The same number of cells on other bounds, and no cells at all, are not this table's.
    EXPECT_FALSE(t.shapes(CellArray(3, 7, 3, 5)));
    EXPECT_FALSE(t.shapes(CellArray(4, 8, 2, 4)));
    EXPECT_FALSE(t.shapes(CellArray()));

    TableShape headersOnly = t;
    headersOnly.fixcols = 9;   // more header columns than columns: no array
    EXPECT_TRUE(headersOnly.emptyCells(owner).isEmpty());
    EXPECT_FALSE(headersOnly.shapes(headersOnly.emptyCells(owner)));
}

TEST(TableShape, TellsItsDataAreaInReferencesAndStoredNumbers)
{
    // 7 columns of which 3 headers, 6 rows of which 2 headers: Графа 4..7, Строка 1..4, stored
    // columns 5..8 and rows 4..7.
    const TableShape t = sized(7, 6, 3, 2);
    EXPECT_EQ(t.lastReferenceRow(), 4);
    struct Place { int column, row; bool data; };
    const Place places[] = {{5, 4, true}, {8, 7, true}, {4, 4, false}, {5, 3, false},
                            {9, 7, false}, {8, 8, false}};
    for (const Place& p : places) {
        SCOPED_TRACE(testing::Message() << p.column << "," << p.row);
        EXPECT_EQ(t.holdsStored(p.column, p.row), p.data);
    }
}
