// Workbooks written by the layer and read back by it, and workbooks as Excel and LibreOffice
// write them read by the layer.
#include "platform/office/ExcelWorkbook.h"
#include "platform/office/OfficePackage.h"
#include "platform/office/XlsxReader.h"
#include "platform/office/XlsxWriter.h"

#include "PrintTo.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A table sheet as the grid's export builds it: title, widths and heights, a header with a cell
// merged across and one merged down and turned, the numbers, thin borders, the panes frozen
// below the header.
void buildTableSheet(ExcelSheet* sheet)
{
    sheet->setText(1, 1, QStringLiteral("Ф12 (1000) - ЦРБ \"Северная\" & Ко <№1>"));
    sheet->setColumnWidth(2, 30);
    sheet->setColumnWidth(3, 10);
    sheet->setColumnWidth(4, 5.57);
    sheet->setColumnWidth(6, 8.43);   // Excel's own width: no column entry is written for it
    sheet->setRowHeight(2, 45);
    const ExcelRange name = ExcelRange::cell(2, 2);
    sheet->setNumberFormat(name, QStringLiteral("@"));
    sheet->setWrapText(name, true);
    sheet->setText(2, 2, QStringLiteral("Наименование"));
    sheet->setText(2, 3, QStringLiteral("Всего"));
    ASSERT_TRUE(sheet->merge({2, 3, 2, 4}));
    sheet->setFontName({2, 3, 2, 4}, QStringLiteral("Times New Roman"));
    sheet->setFontSize({2, 3, 2, 4}, 12);
    sheet->setBold({2, 3, 2, 4}, true);
    sheet->setHorizontalAlignment({2, 3, 2, 4}, ExcelHorizontal::Centre);
    sheet->setVerticalAlignment({2, 3, 2, 4}, ExcelVertical::Centre);
    sheet->setText(2, 5, QStringLiteral("№ строки"));
    ASSERT_TRUE(sheet->merge({2, 5, 3, 5}));
    sheet->setOrientation({2, 5, 3, 5}, 90);
    sheet->setItalic({2, 5, 3, 5}, true);
    sheet->setText(3, 2, QStringLiteral("в т.ч."));
    sheet->setIndentLevel(ExcelRange::cell(3, 2), 2);
    sheet->setHorizontalAlignment(ExcelRange::cell(3, 2), ExcelHorizontal::Left);
    sheet->setVerticalAlignment(ExcelRange::cell(3, 2), ExcelVertical::Top);
    sheet->setNumberFormat({4, 3, 4, 4}, QStringLiteral("0.00"));
    sheet->setNumber(4, 3, 12.5);
    sheet->setNumber(4, 4, -0.25);
    sheet->setNumberFormat(ExcelRange::cell(4, 5), QStringLiteral("0"));
    sheet->setNumber(4, 5, 7);
    sheet->setBorders({2, 2, 4, 5}, ExcelBorder::All);
    sheet->freezePanes(4, 3);
}

}

TEST(XlsxRoundTrip, ATableSheetReadsBackAsItWasWritten)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Ф12.xlsx"));
    ExcelWorkbook book;
    ExcelSheet* sheet = book.addSheet(QStringLiteral("Ф12(1000): итоги/2024?"));
    buildTableSheet(sheet);
    book.addSheet(QStringLiteral("Пустой"));
    XlsxWriter writer;
    ASSERT_TRUE(writer.write(path, book)) << writer.errorString().toStdString();

    XlsxReader reader;
    ASSERT_TRUE(reader.read(path)) << reader.errorString().toStdString();
    const ExcelWorkbook& back = reader.workbook();
    ASSERT_EQ(back.sheetNames(), (QStringList{QStringLiteral("Ф12(1000)_ итоги_2024_"), QStringLiteral("Пустой")}));
    const ExcelSheet* s = back.sheet(0);

    EXPECT_EQ(s->value(1, 1), ExcelValue::ofText(QStringLiteral("Ф12 (1000) - ЦРБ \"Северная\" & Ко <№1>")));
    EXPECT_EQ(s->value(2, 3), ExcelValue::ofText(QStringLiteral("Всего")));
    EXPECT_EQ(s->value(4, 3), ExcelValue::ofNumber(12.5));
    EXPECT_EQ(s->value(4, 4), ExcelValue::ofNumber(-0.25));
    EXPECT_EQ(s->value(4, 5), ExcelValue::ofNumber(7));
    EXPECT_TRUE(s->value(2, 4).isEmpty());
    EXPECT_TRUE(s->value(5, 5).isEmpty());

    EXPECT_EQ(s->merges(), (QList<ExcelRange>{{2, 3, 2, 4}, {2, 5, 3, 5}}));
    EXPECT_DOUBLE_EQ(s->columnWidth(2), 30);
    EXPECT_DOUBLE_EQ(s->columnWidth(3), 10);
    EXPECT_DOUBLE_EQ(s->columnWidth(4), 5.57);
    EXPECT_EQ(s->columnWidth(5), -1);
    EXPECT_EQ(s->columnWidth(6), -1);
    EXPECT_DOUBLE_EQ(s->rowHeight(2), 45);
    EXPECT_EQ(s->frozenRows(), 3);
    EXPECT_EQ(s->frozenColumns(), 2);

    const ExcelCellFormat header = s->format(2, 3);
    EXPECT_EQ(header.fontName, QStringLiteral("Times New Roman"));
    EXPECT_DOUBLE_EQ(header.fontSize, 12);
    EXPECT_TRUE(header.bold);
    EXPECT_EQ(header.horizontal, ExcelHorizontal::Centre);
    EXPECT_EQ(header.vertical, ExcelVertical::Centre);
    EXPECT_EQ(s->format(2, 4).fontName, QStringLiteral("Times New Roman"));   // the whole merged range
    EXPECT_TRUE(s->format(2, 4).bold);
    EXPECT_EQ(s->format(2, 2).numberFormat, QStringLiteral("@"));
    EXPECT_TRUE(s->format(2, 2).wrap);
    const ExcelCellFormat turned = s->format(2, 5);
    EXPECT_EQ(turned.rotation, 90);
    EXPECT_TRUE(turned.italic);
    EXPECT_EQ(s->format(3, 2).indent, 2);
    EXPECT_EQ(s->format(3, 2).horizontal, ExcelHorizontal::Left);
    EXPECT_EQ(s->format(3, 2).vertical, ExcelVertical::Top);
    EXPECT_EQ(s->format(4, 3).numberFormat, QStringLiteral("0.00"));
    EXPECT_EQ(s->format(4, 5).numberFormat, QStringLiteral("0"));
    for (int r = 2; r <= 4; ++r)
        for (int c = 2; c <= 5; ++c)
            EXPECT_EQ(s->format(r, c).borders, ExcelBorder::Left | ExcelBorder::Top | ExcelBorder::Right
                                                   | ExcelBorder::Bottom) << r << "," << c;
    EXPECT_EQ(s->format(1, 1), ExcelCellFormat());
    EXPECT_TRUE(back.sheet(1)->isEmpty());
}

TEST(XlsxRoundTrip, TextThatLooksLikeMarkupOrHasControlCharactersSurvives)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.xlsx"));
    const QStringList texts = {
        QStringLiteral("\"кавычки\" & 'апострофы'"), QStringLiteral("<b>не разметка</b>"),
        QStringLiteral("табуляция\tи\nперевод строки"), QStringLiteral("_x0041_ и _X005f_ как есть"),
        QStringLiteral("  пробелы по краям  "), QStringLiteral("код\x01символа"),
    };
    ExcelWorkbook book;
    ExcelSheet* sheet = book.addSheet(QStringLiteral("Лист"));
    for (qsizetype i = 0; i < texts.size(); ++i)
        sheet->setText(int(i) + 1, 2, texts[i]);
    XlsxWriter writer;
    ASSERT_TRUE(writer.write(path, book)) << writer.errorString().toStdString();
    XlsxReader reader;
    ASSERT_TRUE(reader.read(path)) << reader.errorString().toStdString();
    for (qsizetype i = 0; i < texts.size(); ++i)
        EXPECT_EQ(reader.workbook().sheet(0)->value(int(i) + 1, 2).text, texts[i]);
}

TEST(XlsxRoundTrip, ABookWithoutSheetsGetsOneEmptySheet)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("e.xlsx"));
    XlsxWriter writer;
    ASSERT_TRUE(writer.write(path, ExcelWorkbook()));
    XlsxReader reader;
    ASSERT_TRUE(reader.read(path));
    EXPECT_EQ(reader.workbook().sheetNames(), QStringList{QStringLiteral("Лист1")});
}

TEST(XlsxRoundTrip, WhatExcelCannotHoldIsRefusedAndTheOldFileStays)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("old.xlsx"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("the old file");
    }
    struct Case { int row; int column; int length; QString says; };
    const Case cases[] = {
        {ExcelSheet::maxRow + 1, 1, 1, QStringLiteral("вне листа Excel")},
        {1, ExcelSheet::maxColumn + 1, 1, QStringLiteral("вне листа Excel")},
        {3, 2, ExcelSheet::maxTextLength + 1, QStringLiteral("в ячейке B3 больше 32767 знаков")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says.toStdString());
        ExcelWorkbook book;
        book.addSheet(QStringLiteral("Ф12"))->setText(c.row, c.column, QString(c.length, QLatin1Char('x')));
        XlsxWriter writer;
        EXPECT_FALSE(writer.write(path, book));
        EXPECT_TRUE(writer.errorString().contains(QStringLiteral("old.xlsx")));
        EXPECT_TRUE(writer.errorString().contains(QStringLiteral("«Ф12»")));
        EXPECT_TRUE(writer.errorString().contains(c.says)) << writer.errorString().toStdString();
        EXPECT_EQ(fileBytes(path), QByteArray("the old file"));
    }
    XlsxWriter writer;
    EXPECT_FALSE(writer.write(dir.filePath(QStringLiteral("нет папки/книга.xlsx")), ExcelWorkbook()));
    EXPECT_TRUE(writer.errorString().contains(QStringLiteral("нет папки")));
}

namespace {

QByteArray xmlPart(const char* body)
{
    return QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n") + body;
}

// A workbook as other programs write it: the main namespace under a prefix in the workbook,
// rich and phonetic shared strings, an inline string, a formula's cached text and number, a
// boolean, cells without their "r", a hidden and a default-width column, a chart sheet.
QByteArray foreignBook()
{
    OfficePackage package;
    package.setPart(QStringLiteral("[Content_Types].xml"), xmlPart(
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
        "<Override PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
        "<Override PartName=\"/xl/sharedStrings.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/>"
        "</Types>"));
    package.setPart(QStringLiteral("_rels/.rels"), xmlPart(
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" Target=\"xl/workbook.xml\"/>"
        "</Relationships>"));
    package.setPart(QStringLiteral("xl/_rels/workbook.xml.rels"), xmlPart(
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId3\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" Target=\"/xl/worksheets/sheet1.xml\"/>"
        "<Relationship Id=\"rId4\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/chartsheet\" Target=\"chartsheets/sheet1.xml\"/>"
        "<Relationship Id=\"rId5\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings\" Target=\"sharedStrings.xml\"/>"
        "</Relationships>"));
    package.setPart(QStringLiteral("xl/workbook.xml"), xmlPart(
        "<x:workbook xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
        "xmlns:rel=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
        "<x:sheets><x:sheet name=\"History\" sheetId=\"1\" rel:id=\"rId3\"/>"
        "<x:sheet name=\"Диаграмма\" sheetId=\"2\" rel:id=\"rId4\"/></x:sheets></x:workbook>"));
    package.setPart(QStringLiteral("xl/chartsheets/sheet1.xml"), xmlPart("<chartsheet/>"));
    package.setPart(QStringLiteral("xl/sharedStrings.xml"), xmlPart(
        "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" count=\"2\" uniqueCount=\"2\">"
        "<si><t>Ф12 &amp; &quot;итоги&quot;</t></si>"
        "<si><r><rPr><b/></rPr><t>Бол</t></r><r><t xml:space=\"preserve\">ьные </t></r>"
        "<rPh sb=\"0\" eb=\"1\"><t>ignored</t></rPh></si></sst>"));
    package.setPart(QStringLiteral("xl/worksheets/sheet1.xml"), xmlPart(
        "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
        "<sheetViews><sheetView workbookViewId=\"0\"><pane ySplit=\"2\" topLeftCell=\"A3\" state=\"frozen\"/></sheetView></sheetViews>"
        "<cols><col min=\"1\" max=\"1\" width=\"12.7109375\" customWidth=\"1\"/>"
        "<col min=\"2\" max=\"2\" width=\"9\" hidden=\"1\"/>"
        "<col min=\"3\" max=\"1024\" width=\"11.52\" customWidth=\"false\"/></cols>"
        "<sheetData>"
        "<row r=\"1\" ht=\"30\" customHeight=\"true\"><c r=\"A1\" t=\"s\"><v>0</v></c><c t=\"s\"><v>1</v></c>"
        "<c t=\"inlineStr\"><is><t>в строке</t></is></c></row>"
        "<row><c r=\"A2\"><f>1/3</f><v>0.33333333333333331</v></c><c r=\"B2\" t=\"str\"><f>\"a\"&amp;\"b\"</f><v>ab</v></c>"
        "<c r=\"C2\" t=\"b\"><v>1</v></c><c r=\"D2\" t=\"e\"><v>#DIV/0!</v></c><c r=\"E2\"/></row>"
        "<row r=\"5\"><c r=\"C5\"><v>1E-3</v></c></row>"
        "</sheetData><mergeCells count=\"1\"><mergeCell ref=\"A5:B6\"/></mergeCells></worksheet>"));
    QString error;
    return package.toZip(&error);
}

}

TEST(XlsxReading, ABookOfAnotherProgramGivesItsValues)
{
    QByteArray data = foreignBook();
    QBuffer buffer(&data);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    XlsxReader reader;
    ASSERT_TRUE(reader.read(&buffer)) << reader.errorString().toStdString();
    const ExcelWorkbook& book = reader.workbook();
    ASSERT_EQ(book.sheetNames(), QStringList{QStringLiteral("History")});   // the chart sheet has no cells
    const ExcelSheet* s = book.sheet(0);
    EXPECT_EQ(s->value(1, 1), ExcelValue::ofText(QStringLiteral("Ф12 & \"итоги\"")));
    EXPECT_EQ(s->value(1, 2), ExcelValue::ofText(QStringLiteral("Больные ")));
    EXPECT_EQ(s->value(1, 3), ExcelValue::ofText(QStringLiteral("в строке")));
    EXPECT_EQ(s->value(2, 1), ExcelValue::ofNumber(1.0 / 3));
    EXPECT_EQ(s->value(2, 2), ExcelValue::ofText(QStringLiteral("ab")));
    EXPECT_EQ(s->value(2, 3), ExcelValue::ofNumber(1));
    EXPECT_EQ(s->value(2, 4), ExcelValue::ofText(QStringLiteral("#DIV/0!")));
    EXPECT_TRUE(s->value(2, 5).isEmpty());
    EXPECT_EQ(s->value(5, 3), ExcelValue::ofNumber(0.001));
    EXPECT_DOUBLE_EQ(s->columnWidth(1), 12);
    EXPECT_DOUBLE_EQ(s->columnWidth(2), 0);
    EXPECT_EQ(s->columnWidth(3), -1);
    EXPECT_DOUBLE_EQ(s->rowHeight(1), 30);
    EXPECT_EQ(s->frozenRows(), 2);
    EXPECT_EQ(s->frozenColumns(), 0);
    EXPECT_EQ(s->merges(), (QList<ExcelRange>{{5, 1, 6, 2}}));
}

TEST(XlsxReading, FilesThatAreNoWorkbookAreRefusedWithTheirName)
{
    QTemporaryDir dir;
    const QString legacy = dir.filePath(QStringLiteral("Ф12.xls"));
    {
        QFile f(legacy);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray::fromHex("D0CF11E0A1B11AE1") + QByteArray(504, '\0'));
    }
    XlsxReader reader;
    EXPECT_FALSE(reader.read(legacy));
    EXPECT_TRUE(reader.errorString().contains(QStringLiteral("Ф12.xls")));
    EXPECT_TRUE(reader.errorString().contains(QStringLiteral("(.xlsx)")));
    EXPECT_EQ(reader.workbook().sheetCount(), 0);
    EXPECT_FALSE(reader.read(dir.filePath(QStringLiteral("нет.xlsx"))));
    EXPECT_TRUE(reader.errorString().contains(QStringLiteral("нет.xlsx")));
}
