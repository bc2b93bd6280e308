// Office files made to break a reader: nesting past any real document, zip bombs, numbers past
// every limit, thousands of column and merge entries. Each is built here, in the test; each is
// refused with a message naming the file, or read as it stands, without a crash.
#include "platform/office/ExcelWorkbook.h"
#include "platform/office/OfficePackage.h"
#include "platform/office/WordDocument.h"
#include "platform/office/XlsxReader.h"
#include "platform/office/XlsxWriter.h"
#include "platform/office/XmlTree.h"

#include "PrintTo.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }

QByteArray nested(const char* open, const char* close, int depth)
{
    QByteArray out;
    out.reserve(qsizetype(depth) * qsizetype(strlen(open) + strlen(close)));
    for (int i = 0; i < depth; ++i)
        out += open;
    for (int i = 0; i < depth; ++i)
        out += close;
    return out;
}

// A one-sheet workbook written by the layer, its sheet part then replaced by `sheetXml`.
QString bookWithSheet(const QTemporaryDir& dir, const QByteArray& sheetXml)
{
    ExcelWorkbook book;
    book.addSheet(u("Лист1"))->setText(1, 1, u("x"));
    const QString path = dir.filePath(u("книга.xlsx"));
    XlsxWriter writer;
    EXPECT_TRUE(writer.write(path, book)) << writer.errorString().toStdString();
    OfficePackage package;
    EXPECT_TRUE(package.read(path)) << package.errorString().toStdString();
    EXPECT_TRUE(package.contains(u("xl/worksheets/sheet1.xml")));
    package.setPart(u("xl/worksheets/sheet1.xml"), sheetXml);
    EXPECT_TRUE(package.write(path)) << package.errorString().toStdString();
    return path;
}

QByteArray sheet(const QByteArray& inside)
{
    return "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">" + inside
        + "</worksheet>";
}

// A zip whose parts are `count` runs of `megabytes` MB of blanks each, written in pieces so the
// test itself never holds a whole part.
void writeBlankParts(const QString& path, int count, int megabytes)
{
    QuaZip zip(path);
    ASSERT_TRUE(zip.open(QuaZip::mdCreate));
    const QByteArray piece(1 << 20, ' ');
    for (int i = 0; i < count; ++i) {
        QuaZipFile file(&zip);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly, QuaZipNewInfo(QStringLiteral("xl/part%1.xml").arg(i)),
                              nullptr, 0, Z_DEFLATED, 1));
        for (int m = 0; m < megabytes; ++m)
            ASSERT_EQ(file.write(piece), piece.size());
        file.close();
    }
    zip.close();
}

}

TEST(XmlLimits, NestingPastTheBoundIsRefusedAndTheBoundItselfIsRead)
{
    QString error;
    EXPECT_EQ(parseXml(nested("<a>", "</a>", 400000), &error), nullptr);
    EXPECT_TRUE(error.contains(u("вложены глубже 256 уровней"))) << error.toStdString();

    const std::unique_ptr<XmlNode> deepest = parseXml(nested("<a>", "</a>", kXmlMaxDepth), &error);
    ASSERT_NE(deepest, nullptr) << error.toStdString();
    EXPECT_EQ(deepest->descendants(u("a")).size(), kXmlMaxDepth - 1);
}

TEST(XmlLimits, MoreNodesThanTheBoundAreRefused)
{
    QByteArray flat = "<r>";
    flat.reserve(kXmlMaxNodes * 4 + 16);
    for (int i = 0; i < kXmlMaxNodes; ++i)
        flat += "<a/>";
    flat += "</r>";
    QString error;
    EXPECT_EQ(parseXml(flat, &error), nullptr);
    EXPECT_TRUE(error.contains(u("больше 500000 элементов"))) << error.toStdString();
}

TEST(WordHostile, ADocumentNestedFiftyThousandDeepIsRefusedNamingTheFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u("глубокий.docx"));
    WordDocument blank;
    blank.createBlank();
    ASSERT_TRUE(blank.save(path)) << blank.errorString().toStdString();
    OfficePackage package;
    ASSERT_TRUE(package.read(path));
    package.setPart(u("word/document.xml"),
                    "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"><w:body>"
                        + nested("<w:p>", "</w:p>", 50000) + "</w:body></w:document>");
    ASSERT_TRUE(package.write(path));
    EXPECT_LT(QFileInfo(path).size(), 64 * 1024);

    WordDocument document;
    EXPECT_FALSE(document.open(path));
    EXPECT_TRUE(document.errorString().startsWith(u("Не удалось открыть документ ") + QDir::toNativeSeparators(path)))
        << document.errorString().toStdString();
    EXPECT_TRUE(document.errorString().contains(u("вложены глубже 256 уровней")));
    EXPECT_EQ(document.tableCount(), 0);
}

TEST(WordHostile, HugeMeasuresAndRoundCountsNeitherOverflowNorHoldTheProgram)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u("протокол.docx"));
    WordDocument made;
    made.createBlank();
    made.protectReadOnly(u("пароль"));
    ASSERT_TRUE(made.save(path)) << made.errorString().toStdString();
    OfficePackage package;
    ASSERT_TRUE(package.read(path));
    QByteArray settings = package.part(u("word/settings.xml"));
    const QByteArray attribute = "w:cryptSpinCount=\"";
    const qsizetype at = settings.indexOf(attribute);
    ASSERT_GE(at, 0);
    const qsizetype end = settings.indexOf('"', at + attribute.size());
    settings.replace(at, end - at + 1, attribute + "2000000000\"");
    package.setPart(u("word/settings.xml"), settings);
    QByteArray document = package.part(u("word/document.xml"));
    document.replace("w:w=\"11906\"", "w:w=\"1e300\"").replace("w:left=\"1701\"", "w:left=\"-inf\"");
    package.setPart(u("word/document.xml"), document);
    ASSERT_TRUE(package.write(path));

    WordDocument back;
    ASSERT_TRUE(back.open(path)) << back.errorString().toStdString();
    EXPECT_TRUE(back.isProtected());
    EXPECT_FALSE(back.protectionPasswordMatches(u("пароль")));
    // The page number's tab goes at the text width, computed from the page and its margins.
    WordHeaderFormat format;
    format.pageNumberAtRight = true;
    ASSERT_TRUE(back.setHeader(1, WordHeaderKind::Primary, u("Протокол"), format));
    ASSERT_TRUE(back.save(path)) << back.errorString().toStdString();
}

TEST(XlsxHostile, ASheetNestedFourHundredThousandDeepIsRefusedNamingTheFile)
{
    QTemporaryDir dir;
    const QString path = bookWithSheet(dir, sheet("<sheetData>" + nested("<x>", "</x>", 400000) + "</sheetData>"));
    XlsxReader reader;
    EXPECT_FALSE(reader.read(path));
    EXPECT_EQ(reader.errorString().left(reader.errorString().indexOf(u(": часть"))),
              u("Не удалось прочитать книгу ") + QDir::toNativeSeparators(path));
    EXPECT_TRUE(reader.errorString().contains(u("вложены глубже 256 уровней")));
    EXPECT_EQ(reader.workbook().sheetCount(), 0);
}

TEST(XlsxHostile, NumbersPastTheSheetsLimitsAreRefusedWithWhatWasFound)
{
    struct Case {
        const char* inside;
        const char* message;
    };
    const Case cases[] = {
        {"<cols><col min=\"1\" max=\"1\" width=\"1e300\" customWidth=\"1\"/></cols>",
         "ширина столбца «1e300» не число от 0 до 65535"},
        {"<cols><col min=\"1\" max=\"2\" width=\"nan\" customWidth=\"1\"/></cols>",
         "ширина столбца «nan» не число"},
        {"<cols><col min=\"0\" max=\"3\" width=\"9\" customWidth=\"1\"/></cols>", "столбцы «0»–«3» вне листа"},
        {"<cols><col min=\"1\" max=\"99999999999\" width=\"9\" customWidth=\"1\"/></cols>",
         "столбцы «1»–«99999999999» вне листа"},
        {"<sheetData><row r=\"99999999999\"><c><v>1</v></c></row></sheetData>", "номер строки «99999999999» вне листа"},
        {"<sheetData><row r=\"1048577\"/></sheetData>", "номер строки «1048577» вне листа"},
        {"<sheetData><row r=\"2\" ht=\"-1\" customHeight=\"1\"/></sheetData>", "высота строки 2 «-1» не число"},
        {"<sheetData><row r=\"1\"><c r=\"A9999999\"><v>1</v></c></row></sheetData>", "ячейка A9999999 вне листа"},
        {"<sheetData><row r=\"1\"><c r=\"ZZZ1\"><v>1</v></c></row></sheetData>", "ячейка ZZZ1 вне листа"},
        {"<sheetData><row r=\"1\"><c r=\"A1\"><v>inf</v></c></row></sheetData>", "в ячейке A1 не число: inf"},
        {"<sheetViews><sheetView><pane ySplit=\"1e300\" state=\"frozen\"/></sheetView></sheetViews>",
         "закрепление областей «1e300», «» вне листа"},
        {"<mergeCells><mergeCell ref=\"A1:B9999999\"/></mergeCells>", "объединение A1:B9999999 не читается"},
        {"<mergeCells><mergeCell ref=\"A1:C3\"/><mergeCell ref=\"E1:F2\"/><mergeCell ref=\"C3:D4\"/></mergeCells>",
         "объединение C3:D4 пересекается с объединением A1:C3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.inside);
        QTemporaryDir dir;
        const QString path = bookWithSheet(dir, sheet(c.inside));
        XlsxReader reader;
        EXPECT_FALSE(reader.read(path));
        EXPECT_TRUE(reader.errorString().startsWith(u("Не удалось прочитать книгу ") + QDir::toNativeSeparators(path)
                                                    + u(": на листе «Лист1» ")))
            << reader.errorString().toStdString();
        EXPECT_TRUE(reader.errorString().contains(u(c.message))) << reader.errorString().toStdString();
        EXPECT_EQ(reader.workbook().sheetCount(), 0);
    }
}

TEST(XlsxHostile, TheLargestNumbersASheetCanHoldAreRead)
{
    QTemporaryDir dir;
    const QString path = bookWithSheet(dir, sheet(
        "<sheetViews><sheetView><pane xSplit=\"16383\" ySplit=\"1048575\" state=\"frozen\"/></sheetView></sheetViews>"
        "<cols><col min=\"16384\" max=\"16384\" width=\"1000\" customWidth=\"1\"/></cols>"
        "<sheetData><row r=\"1048576\" ht=\"500\" customHeight=\"1\"><c r=\"XFD1048576\"><v>-1.5E+300</v></c></row></sheetData>"
        "<mergeCells><mergeCell ref=\"XFC1048575:XFD1048576\"/></mergeCells>"));
    XlsxReader reader;
    ASSERT_TRUE(reader.read(path)) << reader.errorString().toStdString();
    const ExcelSheet* s = reader.workbook().sheet(0);
    EXPECT_EQ(s->columnWidth(16384), 255);   // the widest Excel shows
    EXPECT_EQ(s->rowHeight(1048576), 409);
    EXPECT_EQ(s->value(1048576, 16384), ExcelValue::ofNumber(-1.5e300));
    EXPECT_EQ(s->frozenRows(), 1048575);
    EXPECT_EQ(s->frozenColumns(), 16383);
    EXPECT_EQ(s->merges(), (QList<ExcelRange>{{1048575, 16383, 1048576, 16384}}));
}

TEST(XlsxHostile, TenThousandColumnEntriesKeepTheLastWidthOfEachColumn)
{
    // Each entry spans the whole row of columns; only the last one's width remains, as Excel
    // reads it, except where a later narrower entry gave column 7 its own.
    QByteArray cols = "<cols>";
    for (int i = 0; i < 10000; ++i)
        cols += QByteArray("<col min=\"1\" max=\"16384\" width=\"") + QByteArray::number(10 + i % 7)
            + "\" customWidth=\"1\"/>";
    cols += "<col min=\"7\" max=\"7\" width=\"2\" hidden=\"1\"/>";
    cols += "<col min=\"8\" max=\"8\" width=\"40\"/></cols>";   // neither custom nor hidden: no width
    QTemporaryDir dir;
    const QString path = bookWithSheet(dir, sheet(cols));
    XlsxReader reader;
    ASSERT_TRUE(reader.read(path)) << reader.errorString().toStdString();
    const ExcelSheet* s = reader.workbook().sheet(0);
    // The last spanning entry is i = 9999: width 10 + 9999 % 7 = 13, which is 13 * 7 = 91 pixels
    // with the padding, (91 - 5) / 7 = 12.29 characters.
    EXPECT_EQ(s->columnWidths().size(), 16384u);
    EXPECT_DOUBLE_EQ(s->columnWidth(1), 12.29);
    EXPECT_DOUBLE_EQ(s->columnWidth(8), 12.29);
    EXPECT_DOUBLE_EQ(s->columnWidth(16384), 12.29);
    EXPECT_EQ(s->columnWidth(7), 0);
}

TEST(XlsxHostile, FortyThousandMergedRangesAreReadInTheirOrder)
{
    // 200 rows of 200 two-column merges, A1:B1, C1:D1, ... each touching the next.
    QByteArray merges = "<mergeCells>";
    QList<ExcelRange> expected;
    for (int r = 1; r <= 200; ++r)
        for (int k = 0; k < 200; ++k) {
            const ExcelRange range{r, 2 * k + 1, r, 2 * k + 2};
            merges += "<mergeCell ref=\"" + range.toA1().toLatin1() + "\"/>";
            expected.append(range);
        }
    merges += "<mergeCell ref=\"B1:A1\"/><mergeCell ref=\"C5:C5\"/></mergeCells>";   // again, and one cell
    QTemporaryDir dir;
    const QString path = bookWithSheet(dir, sheet(merges));
    XlsxReader reader;
    ASSERT_TRUE(reader.read(path)) << reader.errorString().toStdString();
    EXPECT_EQ(reader.workbook().sheet(0)->merges(), expected);
}

TEST(OfficeBombs, APartThatUnpacksPastTheBoundIsRefusedBeforeItIsRead)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u("бомба.xlsx"));
    writeBlankParts(path, 1, 64);
    EXPECT_LT(QFileInfo(path).size(), 1 << 20);

    XlsxReader reader;
    EXPECT_FALSE(reader.read(path));
    EXPECT_EQ(reader.errorString(), u("Не удалось прочитать книгу ") + QDir::toNativeSeparators(path)
                                        + u(": часть xl/part0.xml распаковывается больше чем в 48 МБ"));
    WordDocument document;
    EXPECT_FALSE(document.open(path));
    EXPECT_EQ(document.errorString(), u("Не удалось открыть документ ") + QDir::toNativeSeparators(path)
                                          + u(": часть xl/part0.xml распаковывается больше чем в 48 МБ"));
}

TEST(OfficeBombs, PartsThatTogetherUnpackPastTheBoundAreRefusedByTheirCount)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u("бомба.docx"));
    writeBlankParts(path, 4, 42);   // each part within its bound, 168 MB together
    OfficePackage package;
    EXPECT_FALSE(package.read(path));
    EXPECT_TRUE(package.tooLarge());
    EXPECT_EQ(package.errorString(), u("архив распаковывается больше чем в 160 МБ"));
    EXPECT_TRUE(package.partNames().isEmpty());
}
