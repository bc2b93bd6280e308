// Sending a table into a workbook that exists: its sheets are added to the file, and everything
// the file held stays as it was.
#include "platform/office/ExcelWorkbook.h"
#include "platform/office/OfficePackage.h"
#include "platform/office/XlsxReader.h"
#include "platform/office/XlsxWriter.h"

#include "PrintTo.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray xmlPart(const char* body)
{
    return QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n") + body;
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QByteArray kSharedStrings = xmlPart(
    "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" count=\"1\" uniqueCount=\"1\">"
    "<si><t>Старое</t></si></sst>");

// A user's workbook as Excel saves it: a selected sheet with a shared string and a formula
// shown as a date (a format of its own, number 164), a print title name for that sheet. Its
// styles carry the main namespace under a prefix, as some programs write them.
void writeUsersBook(const QString& path)
{
    OfficePackage package;
    package.setPart(QStringLiteral("[Content_Types].xml"), xmlPart(
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
        "<Override PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
        "<Override PartName=\"/xl/styles.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>"
        "<Override PartName=\"/xl/sharedStrings.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/>"
        "</Types>"));
    package.setPart(QStringLiteral("_rels/.rels"), xmlPart(
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" Target=\"xl/workbook.xml\"/>"
        "</Relationships>"));
    package.setPart(QStringLiteral("xl/_rels/workbook.xml.rels"), xmlPart(
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
        "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/>"
        "<Relationship Id=\"rId3\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings\" Target=\"sharedStrings.xml\"/>"
        "</Relationships>"));
    package.setPart(QStringLiteral("xl/workbook.xml"), xmlPart(
        "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
        "<workbookPr defaultThemeVersion=\"124226\"/>"
        "<bookViews><workbookView xWindow=\"0\" yWindow=\"0\" windowWidth=\"19200\" windowHeight=\"11000\"/></bookViews>"
        "<sheets><sheet name=\"Ф12(1000)\" sheetId=\"3\" r:id=\"rId1\"/></sheets>"
        "<definedNames><definedName name=\"_xlnm.Print_Titles\" localSheetId=\"0\">'Ф12(1000)'!$1:$1</definedName></definedNames>"
        "<calcPr calcId=\"145621\"/></workbook>"));
    package.setPart(QStringLiteral("xl/worksheets/sheet1.xml"), xmlPart(
        "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
        "<dimension ref=\"A1:B1\"/><sheetViews><sheetView tabSelected=\"1\" workbookViewId=\"0\"/></sheetViews>"
        "<sheetFormatPr defaultRowHeight=\"15\"/>"
        "<sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" s=\"1\"><f>DATE(2024,1,31)</f><v>45322</v></c></row></sheetData>"
        "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" footer=\"0.3\"/></worksheet>"));
    package.setPart(QStringLiteral("xl/styles.xml"), xmlPart(
        "<x:styleSheet xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
        "<x:numFmts count=\"1\"><x:numFmt numFmtId=\"164\" formatCode=\"dd.mm.yyyy\"/></x:numFmts>"
        "<x:fonts count=\"1\"><x:font><x:sz val=\"11\"/><x:name val=\"Calibri\"/></x:font></x:fonts>"
        "<x:fills count=\"2\"><x:fill><x:patternFill patternType=\"none\"/></x:fill><x:fill><x:patternFill patternType=\"gray125\"/></x:fill></x:fills>"
        "<x:borders count=\"1\"><x:border><x:left/><x:right/><x:top/><x:bottom/><x:diagonal/></x:border></x:borders>"
        "<x:cellStyleXfs count=\"1\"><x:xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></x:cellStyleXfs>"
        "<x:cellXfs count=\"2\"><x:xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
        "<x:xf numFmtId=\"164\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/></x:cellXfs>"
        "<x:cellStyles count=\"1\"><x:cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></x:cellStyles>"
        "</x:styleSheet>"));
    package.setPart(QStringLiteral("xl/sharedStrings.xml"), kSharedStrings);
    ASSERT_TRUE(package.write(path)) << package.errorString().toStdString();
}

// The table going into the book: bold bordered header turned upwards, a number with three
// decimals (a format the book has no number for yet).
ExcelWorkbook tableBook()
{
    ExcelWorkbook book;
    ExcelSheet* sheet = book.addSheet(QStringLiteral("ф12(1000)"));
    sheet->setText(1, 1, QStringLiteral("Ф12 (1000) - ЦРБ"));
    sheet->setText(2, 2, QStringLiteral("Всего"));
    sheet->setBold(ExcelRange::cell(2, 2), true);
    sheet->setOrientation(ExcelRange::cell(2, 2), 90);
    sheet->setNumberFormat(ExcelRange::cell(3, 2), QStringLiteral("0.000"));
    sheet->setNumber(3, 2, 1.25);
    sheet->setBorders({2, 2, 3, 2}, ExcelBorder::All);
    sheet->setColumnWidth(2, 12);
    return book;
}

}

TEST(XlsxAddSheets, TheSheetJoinsTheUsersBookAndTheBookKeepsWhatItHad)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Свод.xlsx"));
    writeUsersBook(path);
    ExcelWorkbook book = tableBook();
    XlsxWriter writer;
    ASSERT_TRUE(writer.addSheetsToFile(path, book)) << writer.errorString().toStdString();
    // The name was in use (letter case aside), so the new sheet took another one.
    EXPECT_EQ(book.sheet(0)->name(), QStringLiteral("ф12(1000) (2)"));

    XlsxReader reader;
    ASSERT_TRUE(reader.read(path)) << reader.errorString().toStdString();
    const ExcelWorkbook& back = reader.workbook();
    ASSERT_EQ(back.sheetNames(), (QStringList{QStringLiteral("Ф12(1000)"), QStringLiteral("ф12(1000) (2)")}));

    const ExcelSheet* old = back.sheet(0);
    EXPECT_EQ(old->value(1, 1), ExcelValue::ofText(QStringLiteral("Старое")));
    EXPECT_EQ(old->value(1, 2), ExcelValue::ofNumber(45322));
    EXPECT_EQ(old->format(1, 2).numberFormat, QStringLiteral("dd.mm.yyyy"));

    const ExcelSheet* added = back.sheet(1);
    EXPECT_EQ(added->value(1, 1), ExcelValue::ofText(QStringLiteral("Ф12 (1000) - ЦРБ")));
    EXPECT_EQ(added->value(2, 2), ExcelValue::ofText(QStringLiteral("Всего")));
    EXPECT_EQ(added->value(3, 2), ExcelValue::ofNumber(1.25));
    const ExcelCellFormat header = added->format(2, 2);
    EXPECT_TRUE(header.bold);
    EXPECT_EQ(header.rotation, 90);
    EXPECT_EQ(header.borders, ExcelBorder::Left | ExcelBorder::Top | ExcelBorder::Right | ExcelBorder::Bottom);
    EXPECT_EQ(added->format(3, 2).numberFormat, QStringLiteral("0.000"));
    EXPECT_EQ(added->format(1, 1), ExcelCellFormat());
    EXPECT_DOUBLE_EQ(added->columnWidth(2), 12);

    // The book's own parts: the formula, the strings and the print titles are all still there,
    // the first sheet is no longer selected and the new one is the one shown.
    OfficePackage package;
    ASSERT_TRUE(package.read(path));
    EXPECT_EQ(package.part(QStringLiteral("xl/sharedStrings.xml")), kSharedStrings);
    const QByteArray sheet1 = package.part(QStringLiteral("xl/worksheets/sheet1.xml"));
    EXPECT_TRUE(sheet1.contains("<f>DATE(2024,1,31)</f>"));
    EXPECT_TRUE(sheet1.contains("<pageMargins "));
    EXPECT_FALSE(sheet1.contains("tabSelected"));
    const QByteArray workbook = package.part(QStringLiteral("xl/workbook.xml"));
    EXPECT_TRUE(workbook.contains("<definedName name=\"_xlnm.Print_Titles\" localSheetId=\"0\">"));
    EXPECT_TRUE(workbook.contains("activeTab=\"1\""));
    EXPECT_TRUE(workbook.contains("sheetId=\"4\""));
    EXPECT_TRUE(package.part(QStringLiteral("xl/worksheets/sheet2.xml")).contains("tabSelected=\"1\""));
    // The book's date format keeps its number; the new one got the next.
    const QByteArray styles = package.part(QStringLiteral("xl/styles.xml"));
    EXPECT_TRUE(styles.contains("<x:numFmt numFmtId=\"164\" formatCode=\"dd.mm.yyyy\"/>"));
    EXPECT_TRUE(styles.contains("<x:numFmt numFmtId=\"165\" formatCode=\"0.000\"/>"));
}

TEST(XlsxAddSheets, ASheetOfTheSameNameGivesWayInItsPlace)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Свод.xlsx"));
    writeUsersBook(path);
    {
        // Excel's calculation chain for the formula of the sheet that is to go.
        OfficePackage package;
        ASSERT_TRUE(package.read(path));
        package.setPart(QStringLiteral("xl/calcChain.xml"), xmlPart(
            "<calcChain xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><c r=\"B1\" i=\"3\"/></calcChain>"));
        QByteArray rels = package.part(QStringLiteral("xl/_rels/workbook.xml.rels"));
        rels.replace("</Relationships>", "<Relationship Id=\"rId9\" Type=\"http://schemas.openxmlformats.org/"
                                         "officeDocument/2006/relationships/calcChain\" Target=\"calcChain.xml\"/></Relationships>");
        package.setPart(QStringLiteral("xl/_rels/workbook.xml.rels"), rels);
        QByteArray types = package.part(QStringLiteral("[Content_Types].xml"));
        types.replace("</Types>", "<Override PartName=\"/xl/calcChain.xml\" ContentType=\"application/"
                                  "vnd.openxmlformats-officedocument.spreadsheetml.calcChain+xml\"/></Types>");
        package.setPart(QStringLiteral("[Content_Types].xml"), types);
        ASSERT_TRUE(package.write(path));
    }
    ExcelWorkbook book = tableBook();
    XlsxWriter writer;
    ASSERT_TRUE(writer.addSheetsToFile(path, book, XlsxWriter::SameNameSheet::Replaced))
        << writer.errorString().toStdString();
    EXPECT_EQ(book.sheet(0)->name(), QStringLiteral("ф12(1000)"));

    XlsxReader reader;
    ASSERT_TRUE(reader.read(path)) << reader.errorString().toStdString();
    const ExcelWorkbook& back = reader.workbook();
    ASSERT_EQ(back.sheetNames(), QStringList{QStringLiteral("ф12(1000)")});
    EXPECT_EQ(back.sheet(0)->value(1, 1), ExcelValue::ofText(QStringLiteral("Ф12 (1000) - ЦРБ")));
    EXPECT_EQ(back.sheet(0)->value(3, 2), ExcelValue::ofNumber(1.25));
    EXPECT_EQ(back.sheet(0)->format(3, 2).numberFormat, QStringLiteral("0.000"));

    OfficePackage package;
    ASSERT_TRUE(package.read(path));
    EXPECT_FALSE(package.part(QStringLiteral("xl/worksheets/sheet1.xml")).contains("<f>"));
    const QByteArray workbook = package.part(QStringLiteral("xl/workbook.xml"));
    EXPECT_TRUE(workbook.contains("<definedName name=\"_xlnm.Print_Titles\" localSheetId=\"0\">"));
    EXPECT_TRUE(workbook.contains("sheetId=\"3\""));
    EXPECT_TRUE(workbook.contains("activeTab=\"0\""));
    EXPECT_FALSE(package.contains(QStringLiteral("xl/calcChain.xml")));
    EXPECT_FALSE(package.part(QStringLiteral("xl/_rels/workbook.xml.rels")).contains("calcChain"));
    EXPECT_FALSE(package.part(QStringLiteral("[Content_Types].xml")).contains("calcChain"));
    EXPECT_EQ(package.part(QStringLiteral("xl/sharedStrings.xml")), kSharedStrings);
}

TEST(XlsxAddSheets, SheetsAddedTwiceToTheLayersOwnBookStayApart)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("book.xlsx"));
    ExcelWorkbook first = tableBook();
    XlsxWriter writer;
    ASSERT_TRUE(writer.write(path, first)) << writer.errorString().toStdString();
    for (int i = 0; i < 2; ++i) {
        ExcelWorkbook more = tableBook();
        more.sheet(0)->setNumber(3, 2, i + 10);
        ASSERT_TRUE(writer.addSheetsToFile(path, more)) << writer.errorString().toStdString();
    }
    XlsxReader reader;
    ASSERT_TRUE(reader.read(path)) << reader.errorString().toStdString();
    const ExcelWorkbook& back = reader.workbook();
    ASSERT_EQ(back.sheetNames(), (QStringList{QStringLiteral("ф12(1000)"), QStringLiteral("ф12(1000) (2)"),
                                              QStringLiteral("ф12(1000) (3)")}));
    EXPECT_EQ(back.sheet(0)->value(3, 2), ExcelValue::ofNumber(1.25));
    EXPECT_EQ(back.sheet(2)->value(3, 2), ExcelValue::ofNumber(11));
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(back.sheet(i)->format(2, 2).bold);
        EXPECT_EQ(back.sheet(i)->format(3, 2).numberFormat, QStringLiteral("0.000"));
    }
}

TEST(XlsxAddSheets, ABookThatCannotTakeTheSheetIsLeftAsItWas)
{
    QTemporaryDir dir;
    const QString legacy = dir.filePath(QStringLiteral("Свод.xls"));
    const QByteArray compound = QByteArray::fromHex("D0CF11E0A1B11AE1") + QByteArray(504, '\0');
    {
        QFile f(legacy);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(compound);
    }
    const QString document = dir.filePath(QStringLiteral("Письмо.xlsx"));
    {
        OfficePackage package;   // a Word document with the wrong name
        package.setPart(QStringLiteral("[Content_Types].xml"), xmlPart(
            "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
            "<Override PartName=\"/word/document.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/></Types>"));
        package.setPart(QStringLiteral("_rels/.rels"), xmlPart(
            "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
            "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" Target=\"word/document.xml\"/></Relationships>"));
        package.setPart(QStringLiteral("word/document.xml"), xmlPart("<w:document xmlns:w=\"w\"/>"));
        ASSERT_TRUE(package.write(document));
    }
    const QByteArray documentBytes = fileBytes(document);
    struct Case { QString path; QString says; };
    const Case cases[] = {
        {legacy, QStringLiteral("Excel 97-2003 (.xls)")},
        {document, QStringLiteral("это не книга Excel")},
        {dir.filePath(QStringLiteral("нет.xlsx")), QStringLiteral("нет.xlsx")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        ExcelWorkbook book = tableBook();
        XlsxWriter writer;
        EXPECT_FALSE(writer.addSheetsToFile(c.path, book));
        EXPECT_TRUE(writer.errorString().startsWith(QStringLiteral("Не удалось добавить лист в книгу ")));
        EXPECT_TRUE(writer.errorString().contains(QFileInfo(c.path).fileName()));
        EXPECT_TRUE(writer.errorString().contains(c.says)) << writer.errorString().toStdString();
    }
    EXPECT_EQ(fileBytes(legacy), compound);
    EXPECT_EQ(fileBytes(document), documentBytes);
}
