#include "entry/TableSheet.h"

#include "platform/office/XlsxReader.h"
#include "platform/office/XlsxWriter.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

HeaderCell title(int column, int row, const QString& text, const QString& chars = QStringLiteral("CC00"),
                 int endColumn = 0, int endRow = 0)
{
    HeaderCell h;
    h.column = h.startColumn = column;
    h.row = h.startRow = row;
    h.endColumn = endColumn ? endColumn : column;
    h.endRow = endRow ? endRow : row;
    h.charsCode = chars;
    h.chars = TChars::parse(chars);
    h.text = text;
    return h;
}

// Layout columns 1..3 (column 1 the row headers), rows 1..3 (rows 1..2 the column headers).
TableLayout sampleLayout()
{
    TableLayout t;
    t.ident = 7;
    t.colcount = 3;
    t.rowcount = 3;
    t.fixcols = 1;
    t.fixrows = 2;
    t.columnWidths = {0, 14.25, 16.875, 22.125};
    t.rowHeights = {0, 20, 0, 18};
    t.titles = {title(1, 1, QStringLiteral("Наименование"), QStringLiteral("CC1"), 1, 2),
                title(2, 1, QStringLiteral("Всего:\nчел."), QStringLiteral("BL13"), 3, 1),
                title(2, 2, QStringLiteral("1"), QStringLiteral("TJ1x")),
                title(3, 2, QStringLiteral("2"), QStringLiteral("CC")),
                title(1, 3, QStringLiteral("Врачи"), QStringLiteral("CC00"), 1, 3)};
    t.titles[0].bold = true;
    t.titles[0].fontName = QStringLiteral("Arial");
    t.titles[0].fontSize = 10;
    return t;
}

ExcelWorkbook roundTrip(const ExcelWorkbook& book)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.xlsx"));
    XlsxWriter writer;
    EXPECT_TRUE(writer.write(path, book)) << writer.errorString().toStdString();
    XlsxReader reader;
    EXPECT_TRUE(reader.read(path)) << reader.errorString().toStdString();
    return reader.takeWorkbook();
}

TEST(TableSheet, ColumnWidthsRoundHalvesToEven)
{
    const struct { double stored; int excel; } cases[] = {
        {14.25, 2}, {16.875, 2}, {22.125, 4}, {3.75, 0}, {2, 0}, {-10, 0}, {9.0, 1}, {5000, 255},
    };
    for (const auto& c : cases)
        EXPECT_EQ(excelColumnWidth(c.stored), c.excel) << c.stored;
}

TEST(TableSheet, CharsGiveAlignmentTurnAndIndent)
{
    const SheetChars cc1 = SheetChars::parse(QStringLiteral("CC1"));
    EXPECT_EQ(cc1.vertical, ExcelVertical::Centre);
    EXPECT_EQ(cc1.horizontal, ExcelHorizontal::Centre);
    EXPECT_TRUE(cc1.turned);
    EXPECT_EQ(cc1.indent, 0);
    const SheetChars bl13 = SheetChars::parse(QStringLiteral("BL13"));
    EXPECT_EQ(bl13.vertical, ExcelVertical::Bottom);
    EXPECT_EQ(bl13.horizontal, ExcelHorizontal::Left);
    EXPECT_TRUE(bl13.turned);
    EXPECT_EQ(bl13.indent, 3);
    const SheetChars tj = SheetChars::parse(QStringLiteral("TJ1x"));
    EXPECT_EQ(tj.vertical, ExcelVertical::Top);
    EXPECT_EQ(tj.horizontal, ExcelHorizontal::Justify);
    EXPECT_EQ(tj.indent, 0);
    const SheetChars cc = SheetChars::parse(QStringLiteral("CC"));
    EXPECT_FALSE(cc.turned);
    EXPECT_EQ(cc.indent, 0);
    const SheetChars other = SheetChars::parse(QStringLiteral("XY0"));
    EXPECT_FALSE(other.setsVertical);
    EXPECT_FALSE(other.setsHorizontal);
}

TEST(TableSheet, SheetReadBackHoldsTitleLayoutHeadersAndValues)
{
    ExcelWorkbook book;
    ExcelSheet* sheet = book.addSheet(QStringLiteral("Ф12 (1000)"));
    // (4, 4) is the one data cell of stored row 4 and column 4; the others are header or outside.
    const QList<StoredValue> values = {{3, 4, 5}, {4, 4, 12.5}, {2, 4, 99}, {3, 3, 77}, {9, 9, 1},
                                       {4, 5, 8}};
    BuildTableSheet(*sheet, sampleLayout(), QStringLiteral("(1000) - Заречная ЦРБ"), values,
                    QStringLiteral("0.00"));
    const ExcelWorkbook back = roundTrip(book);
    ASSERT_EQ(back.sheetCount(), 1);
    const ExcelSheet& s = *back.sheet(0);
    EXPECT_EQ(s.value(1, 1), ExcelValue::ofText(QStringLiteral("(1000) - Заречная ЦРБ")));
    EXPECT_EQ(s.columnWidth(2), 2);
    EXPECT_EQ(s.columnWidth(3), 2);
    EXPECT_EQ(s.columnWidth(4), 4);
    EXPECT_EQ(s.rowHeight(2), 20);
    EXPECT_EQ(s.rowHeight(4), 18);

    // Merges: the corner over two rows and "Всего" over two columns; the single span is not.
    EXPECT_EQ(s.merges().size(), 2);
    EXPECT_TRUE(s.merges().contains(ExcelRange::between(2, 2, 3, 2)));
    EXPECT_TRUE(s.merges().contains(ExcelRange::between(2, 3, 2, 4)));

    EXPECT_EQ(s.value(3, 3), ExcelValue::ofText(QStringLiteral("1")));
    EXPECT_EQ(s.value(2, 3), ExcelValue::ofText(QStringLiteral("Всего:\nчел.")));
    const ExcelCellFormat corner = s.format(2, 2);
    EXPECT_TRUE(corner.bold);
    EXPECT_EQ(corner.fontName, QStringLiteral("Arial"));
    EXPECT_EQ(corner.rotation, 90);
    EXPECT_EQ(corner.horizontal, ExcelHorizontal::Centre);
    EXPECT_EQ(corner.vertical, ExcelVertical::Centre);
    EXPECT_TRUE(corner.wrap);
    EXPECT_EQ(corner.numberFormat, QStringLiteral("@"));
    EXPECT_EQ(s.format(2, 3).indent, 3);
    EXPECT_EQ(s.format(3, 3).horizontal, ExcelHorizontal::Justify);
    EXPECT_EQ(s.format(3, 3).indent, 0);

    // Values: only the data area (stored rows 4, columns 3..4).
    EXPECT_EQ(s.value(4, 3), ExcelValue::ofNumber(5));
    EXPECT_EQ(s.value(4, 4), ExcelValue::ofNumber(12.5));
    EXPECT_EQ(s.format(4, 4).numberFormat, QStringLiteral("0.00"));
    EXPECT_EQ(s.value(4, 2), ExcelValue::ofText(QStringLiteral("Врачи")));
    EXPECT_EQ(s.value(3, 3), ExcelValue::ofText(QStringLiteral("1")));
    EXPECT_TRUE(s.value(9, 9).isEmpty());
    EXPECT_TRUE(s.value(5, 4).isEmpty());

    // Thin lines round the table B2:D4 and between its cells.
    EXPECT_EQ(s.format(2, 2).borders & ExcelBorder::Left, ExcelBorder::Left);
    EXPECT_EQ(s.format(4, 4).borders & (ExcelBorder::Right | ExcelBorder::Bottom),
              ExcelBorder::Right | ExcelBorder::Bottom);
    EXPECT_EQ(s.format(5, 4).borders, 0);
}

TEST(TableSheet, OverlappingMergeKeepsTheFirstAndEmptyTableStillHasItsFrame)
{
    TableLayout t = sampleLayout();
    // Column 2 row 1 would span to row 2 across the merge of (2,1)-(3,1) starting later.
    t.titles.append(title(3, 1, QStringLiteral("лишний"), QStringLiteral("CC00"), 3, 2));
    ExcelWorkbook book;
    BuildTableSheet(*book.addSheet(QStringLiteral("x")), t, QStringLiteral("т"), {});
    const ExcelWorkbook back = roundTrip(book);
    ASSERT_EQ(back.sheetCount(), 1);
    const ExcelSheet& s = *back.sheet(0);
    EXPECT_EQ(s.merges().size(), 2);
    EXPECT_TRUE(s.merges().contains(ExcelRange::between(2, 3, 2, 4)));
    EXPECT_TRUE(s.value(4, 3).isEmpty());
    EXPECT_NE(s.format(4, 3).borders, 0);
}

} // namespace
