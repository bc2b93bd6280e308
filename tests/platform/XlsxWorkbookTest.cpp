// The workbook model: sheet names Excel accepts, sheet order, borders and merges over ranges.
#include "platform/office/ExcelWorkbook.h"

#include "PrintTo.h"

#include <gtest/gtest.h>

TEST(ExcelSheetNames, NamesExcelWouldRefuseAreMadeValid)
{
    struct Case { QString wanted; QStringList taken; QString expected; };
    const QString long32 = QStringLiteral("Ф12 Сведения о лечебно-профилакт");   // 32 characters
    const QString long31 = long32.left(31);
    const Case cases[] = {
        {QStringLiteral("Ф12(1000)"), {}, QStringLiteral("Ф12(1000)")},
        {QStringLiteral("a:b/c\\d?e*f[g]h"), {}, QStringLiteral("a_b_c_d_e_f_g_h")},
        {QStringLiteral("'Итого'"), {}, QStringLiteral("Итого")},
        {QStringLiteral("ЦРБ \"Северная\" & Ко"), {}, QStringLiteral("ЦРБ \"Северная\" & Ко")},
        {QStringLiteral("таб\tуляция"), {}, QStringLiteral("табуляция")},
        {QString(), {}, QStringLiteral("Лист1")},
        {QStringLiteral("''"), {QStringLiteral("Лист1")}, QStringLiteral("Лист2")},
        {long32, {}, long31},
        // Letter case is ignored in comparing names, Cyrillic included.
        {QStringLiteral("Ф12"), {QStringLiteral("ф12")}, QStringLiteral("Ф12 (2)")},
        {QStringLiteral("Ф12"), {QStringLiteral("Ф12"), QStringLiteral("Ф12 (2)")}, QStringLiteral("Ф12 (3)")},
        {long31, {long31}, long31.left(27) + QStringLiteral(" (2)")},
        {QStringLiteral("history"), {}, QStringLiteral("history (2)")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.wanted.toStdString());
        const QString name = ExcelWorkbook::validSheetName(c.wanted, c.taken);
        EXPECT_EQ(name, c.expected);
        EXPECT_LE(name.size(), 31);
    }
}

TEST(ExcelWorkbookModel, SheetsStandWhereTheyWereAdded)
{
    ExcelWorkbook book;
    ExcelSheet* t1 = book.addSheet(QStringLiteral("(1000)"));
    ExcelSheet* t3 = book.addSheetAfter(t1, QStringLiteral("(3000)"));
    book.addSheetBefore(t3, QStringLiteral("(2000)"));
    book.addSheetBefore(t1, QStringLiteral("Титул"));
    ExcelSheet* again = book.addSheet(QStringLiteral("(1000)"));
    EXPECT_EQ(book.sheetNames(), (QStringList{QStringLiteral("Титул"), QStringLiteral("(1000)"),
                                              QStringLiteral("(2000)"), QStringLiteral("(3000)"),
                                              QStringLiteral("(1000) (2)")}));
    EXPECT_EQ(again->name(), QStringLiteral("(1000) (2)"));
    EXPECT_EQ(book.findSheet(QStringLiteral("титул")), book.sheet(0));
    EXPECT_EQ(book.renameSheet(t3, QStringLiteral("(2000)")), QStringLiteral("(2000) (2)"));
}

TEST(ExcelWorkbookModel, BordersGiveEachCellItsEdges)
{
    using namespace ExcelBorder;
    ExcelWorkbook book;
    ExcelSheet* sheet = book.addSheet(QStringLiteral("Лист"));
    // Rows 2..3, columns 2..4: the outer edges and the lines between.
    sheet->setBorders({2, 2, 3, 4}, All);
    EXPECT_EQ(sheet->format(2, 2).borders, Left | Top | Right | Bottom);
    EXPECT_EQ(sheet->format(3, 3).borders, Left | Top | Right | Bottom);
    EXPECT_EQ(sheet->format(1, 2).borders, 0);
    // Only the outline: the middle cell of the top row has its top edge alone.
    ExcelSheet* outline = book.addSheet(QStringLiteral("Контур"));
    outline->setBorders({1, 1, 3, 3}, Left | Top | Bottom | Right);
    EXPECT_EQ(outline->format(1, 2).borders, Top);
    EXPECT_EQ(outline->format(2, 2).borders, 0);
    EXPECT_EQ(outline->format(3, 3).borders, Right | Bottom);
    EXPECT_EQ(outline->usedRange(), (ExcelRange{1, 1, 3, 3}));
}

TEST(ExcelWorkbookModel, MergesThatOverlapAreRefused)
{
    ExcelWorkbook book;
    ExcelSheet* sheet = book.addSheet(QStringLiteral("Лист"));
    QString error;
    EXPECT_TRUE(sheet->merge({2, 2, 2, 2}, &error));      // one cell: nothing to merge
    EXPECT_TRUE(sheet->merge({2, 2, 3, 4}, &error));
    EXPECT_TRUE(sheet->merge({2, 2, 3, 4}, &error));      // the same range again is no change
    EXPECT_FALSE(sheet->merge({3, 4, 5, 5}, &error));
    EXPECT_EQ(error, QStringLiteral("На листе Лист объединение D3:E5 пересекается с объединением B2:D3"));
    EXPECT_EQ(sheet->merges(), (QList<ExcelRange>{{2, 2, 3, 4}}));
    EXPECT_EQ(sheet->usedRange(), (ExcelRange{2, 2, 3, 4}));
    EXPECT_EQ(ExcelRange::cell(2, 2).united(sheet->usedRange().united(ExcelRange::cell(1, 1))),
              (ExcelRange{1, 1, 3, 4}));
}

TEST(ExcelCellNames, NamesAndPositions)
{
    struct Case { int row; int column; const char* name; };
    const Case cases[] = {{1, 1, "A1"}, {12, 28, "AB12"}, {3, 26, "Z3"}, {1, 16384, "XFD1"},
                          {1048576, 702, "ZZ1048576"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(excelCellName(c.row, c.column), QString::fromLatin1(c.name));
        int row = 0, column = 0;
        ASSERT_TRUE(parseExcelCellName(QString::fromLatin1(c.name), &row, &column));
        EXPECT_EQ(row, c.row);
        EXPECT_EQ(column, c.column);
    }
    int row = 0, column = 0;
    EXPECT_TRUE(parseExcelCellName(QStringLiteral("$B$3"), &row, &column));
    EXPECT_EQ(column, 2);
    EXPECT_FALSE(parseExcelCellName(QStringLiteral("B0"), &row, &column));
    EXPECT_FALSE(parseExcelCellName(QStringLiteral("R1C1"), &row, &column));
}
