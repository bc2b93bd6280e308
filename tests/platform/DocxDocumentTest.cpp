// The Word document layer: a form's blank filled cell by cell, the print protocol's sections,
// headers, table and protection, each written and read back through the layer.
#include "platform/office/OfficePackage.h"
#include "platform/office/WordDocument.h"
#include "platform/office/XmlTree.h"

#include "PrintTo.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray xmlPart(const char* body)
{
    return QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n") + body;
}

// A blank as Word saves one: a template (.dotx), a title, two tables, landscape pages. The first
// table has a cell merged across two columns, one merged down, a cell whose text Word split into
// runs around a lone space, an empty cell whose paragraph mark is 9 points, and a cell with
// italic text of its own. The second table holds a nested table in its first cell.
void writeBlank(const QString& path)
{
    OfficePackage package;
    package.setPart(QStringLiteral("[Content_Types].xml"), xmlPart(
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/word/document.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.template.main+xml\"/>"
        "<Override PartName=\"/word/styles.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml\"/>"
        "<Override PartName=\"/word/settings.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.settings+xml\"/>"
        "</Types>"));
    package.setPart(QStringLiteral("_rels/.rels"), xmlPart(
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" Target=\"word/document.xml\"/>"
        "</Relationships>"));
    package.setPart(QStringLiteral("word/_rels/document.xml.rels"), xmlPart(
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/>"
        "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/settings\" Target=\"settings.xml\"/>"
        "</Relationships>"));
    package.setPart(QStringLiteral("word/styles.xml"), xmlPart(
        "<w:styles xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
        "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"a\"><w:name w:val=\"Normal\"/></w:style>"
        "</w:styles>"));
    package.setPart(QStringLiteral("word/settings.xml"), xmlPart(
        "<w:settings xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
        "<w:zoom w:percent=\"100\"/><w:proofState w:spelling=\"clean\"/><w:defaultTabStop w:val=\"708\"/>"
        "<w:characterSpacingControl w:val=\"doNotCompress\"/><w:compat/></w:settings>"));
    package.setPart(QStringLiteral("word/document.xml"), xmlPart(
        "<w:document xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
        "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
        "xmlns:w14=\"http://schemas.microsoft.com/office/word/2010/wordml\" mc:Ignorable=\"w14\">"
        "<w:body>"
        "<w:p><w:pPr><w:jc w:val=\"center\"/></w:pPr><w:r><w:rPr><w:b/></w:rPr><w:t>Форма 12</w:t></w:r></w:p>"
        "<w:tbl><w:tblPr><w:tblW w:w=\"0\" w:type=\"auto\"/></w:tblPr>"
        "<w:tblGrid><w:gridCol w:w=\"3000\"/><w:gridCol w:w=\"2000\"/><w:gridCol w:w=\"2000\"/><w:gridCol w:w=\"2000\"/></w:tblGrid>"
        "<w:tr w14:paraId=\"1A2B3C4D\">"
        "<w:tc><w:tcPr><w:vMerge w:val=\"restart\"/></w:tcPr><w:p><w:r><w:t>Наименование</w:t></w:r></w:p></w:tc>"
        "<w:tc><w:tcPr><w:gridSpan w:val=\"2\"/></w:tcPr><w:p><w:r><w:t>Всего</w:t></w:r></w:p></w:tc>"
        "<w:tc><w:p><w:r><w:t>Из них</w:t></w:r></w:p></w:tc></w:tr>"
        "<w:tr><w:tc><w:tcPr><w:vMerge/></w:tcPr><w:p/></w:tc><w:tc><w:p/></w:tc><w:tc><w:p/></w:tc><w:tc><w:p/></w:tc></w:tr>"
        "<w:tr>"
        "<w:tc><w:p><w:r><w:t>Больные</w:t></w:r><w:r><w:t xml:space=\"preserve\"> </w:t></w:r><w:r><w:t>всего</w:t></w:r></w:p></w:tc>"
        "<w:tc><w:p><w:pPr><w:jc w:val=\"right\"/><w:rPr><w:sz w:val=\"18\"/></w:rPr></w:pPr></w:p></w:tc>"
        "<w:tc><w:p><w:r><w:rPr><w:i/><w:sz w:val=\"20\"/></w:rPr><w:t xml:space=\"preserve\">в т.ч. </w:t></w:r></w:p></w:tc>"
        "<w:tc><w:p/></w:tc></w:tr>"
        "</w:tbl>"
        "<w:p/>"
        "<w:tbl><w:tblGrid><w:gridCol w:w=\"4000\"/><w:gridCol w:w=\"4000\"/></w:tblGrid>"
        "<w:tr><w:tc><w:tbl><w:tblGrid><w:gridCol w:w=\"2000\"/></w:tblGrid><w:tr><w:tc><w:p><w:r><w:t>вложенная</w:t></w:r></w:p></w:tc></w:tr></w:tbl><w:p/></w:tc>"
        "<w:tc><w:p/></w:tc></w:tr>"
        "<w:tr><w:tc><w:p/></w:tc><w:tc><w:p><w:r><w:t>Итого</w:t></w:r></w:p></w:tc></w:tr>"
        "</w:tbl>"
        "<w:p/>"
        "<w:sectPr><w:pgSz w:w=\"16838\" w:h=\"11906\" w:orient=\"landscape\"/>"
        "<w:pgMar w:top=\"850\" w:right=\"1134\" w:bottom=\"850\" w:left=\"1134\" w:header=\"708\" w:footer=\"708\" w:gutter=\"0\"/>"
        "<w:cols w:space=\"708\"/></w:sectPr>"
        "</w:body></w:document>"));
    ASSERT_TRUE(package.write(path)) << package.errorString().toStdString();
}

std::unique_ptr<XmlNode> savedPart(const QString& path, const QString& part)
{
    OfficePackage package;
    if (!package.read(path))
        return nullptr;
    return parseXml(package.part(part), nullptr);
}

// The elements of the saved settings, in order: Word refuses them out of the schema's order.
QStringList settingNames(const QString& path)
{
    QStringList names;
    if (std::unique_ptr<XmlNode> settings = savedPart(path, QStringLiteral("word/settings.xml")))
        for (const XmlNode* e : settings->elements())
            names.append(e->name());
    return names;
}

// The run that holds `text` in the saved document.
const XmlNode* runWith(const XmlNode* root, const QString& text)
{
    for (const XmlNode* r : root->descendants(QStringLiteral("w:r")))
        for (const XmlNode* t : r->children(QStringLiteral("w:t")))
            if (t->childCount() > 0 && t->childAt(0)->content() == text)
                return r;
    return nullptr;
}

class FormBlank : public ::testing::Test {
protected:
    void SetUp() override { writeBlank(blank); }
    QTemporaryDir dir;
    QString blank = dir.filePath(QStringLiteral("Ф12.dotx"));
    QString filled = dir.filePath(QStringLiteral("filled.docx"));
};

}

TEST_F(FormBlank, CellsAreFoundByRowAndCellElementAndFilledAfterTheBlanksText)
{
    WordDocument doc;
    ASSERT_TRUE(doc.createFromTemplate(blank)) << doc.errorString().toStdString();
    EXPECT_EQ(doc.tableCount(), 2);   // the nested table is not one of the document's tables

    WordTable first = doc.table(1);
    EXPECT_EQ(first.rowCount(), 3);
    EXPECT_EQ(first.cellCount(1), 3);  // the cell across two columns counts once
    EXPECT_EQ(first.cellCount(2), 4);  // the lower part of the cell merged down counts
    EXPECT_EQ(first.cellText(1, 3), QStringLiteral("Из них"));
    EXPECT_EQ(first.cellText(3, 1), QStringLiteral("Больные всего"));

    EXPECT_TRUE(doc.appendToCell(1, 3, 2, QStringLiteral("125")));
    EXPECT_TRUE(doc.appendToCell(1, 3, 3, QStringLiteral("7")));
    EXPECT_TRUE(doc.appendToCell(1, 2, 4, QStringLiteral("0.5")));
    EXPECT_TRUE(doc.appendToCell(2, 2, 2, QStringLiteral(" = 132")));
    ASSERT_TRUE(doc.save(filled)) << doc.errorString().toStdString();

    WordDocument back;
    ASSERT_TRUE(back.open(filled)) << back.errorString().toStdString();
    QString text;
    ASSERT_TRUE(back.cellText(1, 3, 2, &text));
    EXPECT_EQ(text, QStringLiteral("125"));
    ASSERT_TRUE(back.cellText(1, 3, 3, &text));
    EXPECT_EQ(text, QStringLiteral("в т.ч. 7"));
    ASSERT_TRUE(back.cellText(1, 2, 4, &text));
    EXPECT_EQ(text, QStringLiteral("0.5"));
    ASSERT_TRUE(back.cellText(2, 2, 2, &text));
    EXPECT_EQ(text, QStringLiteral("Итого = 132"));
    ASSERT_TRUE(back.cellText(1, 3, 1, &text));
    EXPECT_EQ(text, QStringLiteral("Больные всего"));  // the lone space survived the round trip

    // The new text takes the formatting of the text before it or of the paragraph mark.
    std::unique_ptr<XmlNode> document = savedPart(filled, QStringLiteral("word/document.xml"));
    ASSERT_TRUE(document);
    const XmlNode* value = runWith(document.get(), QStringLiteral("125"));
    ASSERT_TRUE(value);
    ASSERT_TRUE(value->firstChild(QStringLiteral("w:rPr")));
    EXPECT_EQ(value->firstChild(QStringLiteral("w:rPr"))->firstChild(QStringLiteral("w:sz"))->attribute(QStringLiteral("w:val")),
              QStringLiteral("18"));
    const XmlNode* italic = runWith(document.get(), QStringLiteral("7"));
    ASSERT_TRUE(italic);
    EXPECT_TRUE(italic->firstChild(QStringLiteral("w:rPr"))->firstChild(QStringLiteral("w:i")));
    // What Word needs to open the file: the namespaces that mc:Ignorable names are still declared.
    EXPECT_EQ(document->attribute(QStringLiteral("mc:Ignorable")), QStringLiteral("w14"));
    EXPECT_FALSE(document->attribute(QStringLiteral("xmlns:w14")).isEmpty());

    // A document made from a template is a document, not a template.
    std::unique_ptr<XmlNode> types = savedPart(filled, QStringLiteral("[Content_Types].xml"));
    ASSERT_TRUE(types);
    EXPECT_EQ(contentTypeOf(*types, QStringLiteral("word/document.xml")),
              QStringLiteral("application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"));
}

// A header made in the layer: cells merged across and down read back as Word's own merged
// cells do, a text of two lines is two paragraphs, and the values written later take the
// format of the empty cells they go into.
TEST_F(FormBlank, MergedHeaderCellsAreMadeAndReadLikeWordsOwn)
{
    WordDocument doc;
    doc.createBlank();
    WordTable t = doc.appendTable(4, 4);
    ASSERT_TRUE(t.setColumnWidths({150, 30, 60, 60}));
    EXPECT_FALSE(t.setColumnWidths({150, 30}));
    EXPECT_TRUE(t.setCellText(1, 1, QStringLiteral("Наименование"), {8, WordAlignment::Centre, false, true}));
    WordCellFormat turned;
    turned.turned = true;
    EXPECT_TRUE(t.setCellText(1, 2, QStringLiteral("№ строки"), turned));
    EXPECT_TRUE(t.setCellText(1, 3, QStringLiteral("Число\r\nпосещений"), {8, WordAlignment::Centre, true}));
    EXPECT_TRUE(t.setCellText(2, 3, QStringLiteral("всего"), {}));
    EXPECT_TRUE(t.setCellText(2, 4, QStringLiteral("из них"), {}));
    EXPECT_TRUE(t.setCellText(4, 3, QString(), {9, WordAlignment::Right}));
    EXPECT_TRUE(t.setRowHeight(2, 90));
    EXPECT_FALSE(t.setRowHeight(5, 90));
    ASSERT_TRUE(t.mergeCells(1, 3, 1, 4));
    ASSERT_TRUE(t.mergeCells(1, 1, 2, 1));
    // Grid columns, whatever was merged before: column 2 is still the second.
    ASSERT_TRUE(t.mergeCells(1, 2, 2, 2));
    // A block that cuts a merged cell changes nothing.
    EXPECT_FALSE(t.mergeCells(1, 4, 3, 4));
    EXPECT_FALSE(doc.errorString().isEmpty());
    EXPECT_TRUE(doc.appendToCell(1, 4, 3, QStringLiteral("125")));
    ASSERT_TRUE(doc.save(filled)) << doc.errorString().toStdString();

    WordDocument back;
    ASSERT_TRUE(back.open(filled)) << back.errorString().toStdString();
    WordTable b = back.table(1);
    EXPECT_EQ(b.cellCount(1), 3);   // the cell across two columns counts once
    EXPECT_EQ(b.cellCount(2), 4);   // the lower parts of the cells merged down count
    EXPECT_EQ(b.cellCount(3), 4);
    EXPECT_EQ(b.cellText(1, 1), QStringLiteral("Наименование"));
    EXPECT_EQ(b.cellText(1, 3), QStringLiteral("Число\nпосещений"));
    EXPECT_EQ(b.cellText(2, 1), QString());
    EXPECT_EQ(b.cellText(2, 3), QStringLiteral("всего"));
    EXPECT_EQ(b.cellText(4, 3), QStringLiteral("125"));

    std::unique_ptr<XmlNode> document = savedPart(filled, QStringLiteral("word/document.xml"));
    ASSERT_TRUE(document);
    const XmlNode* value = runWith(document.get(), QStringLiteral("125"));
    ASSERT_TRUE(value);
    EXPECT_EQ(value->firstChild(QStringLiteral("w:rPr"))->firstChild(QStringLiteral("w:sz"))->attribute(QStringLiteral("w:val")),
              QStringLiteral("18"));
}

TEST_F(FormBlank, ATableOrCellTheBlankLacksIsAnErrorNamingTheBlank)
{
    WordDocument doc;
    ASSERT_TRUE(doc.createFromTemplate(blank));
    EXPECT_FALSE(doc.appendToCell(3, 1, 1, QStringLiteral("5")));
    EXPECT_TRUE(doc.errorString().contains(QStringLiteral("нет таблицы 3")));
    EXPECT_TRUE(doc.errorString().contains(QStringLiteral("Ф12.dotx")));
    EXPECT_FALSE(doc.appendToCell(1, 1, 4, QStringLiteral("5")));
    EXPECT_TRUE(doc.errorString().contains(QStringLiteral("нет ячейки (строка 1, столбец 4)")));
    EXPECT_FALSE(doc.appendToCell(1, 4, 1, QStringLiteral("5")));
    EXPECT_TRUE(doc.errorString().contains(QStringLiteral("нет ячейки (строка 4, столбец 1)")));
    EXPECT_TRUE(doc.table(0).isNull());
}

TEST(WordTemplates, UnreadableTemplatesAreRefusedWithTheirName)
{
    QTemporaryDir dir;
    const QString legacy = dir.filePath(QStringLiteral("Ф30.doc"));
    {
        QFile f(legacy);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray::fromHex("D0CF11E0A1B11AE1") + QByteArray(504, '\0'));
    }
    const QString text = dir.filePath(QStringLiteral("Ф31.docx"));
    {
        QFile f(text);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not a zip");
    }
    struct Case { QString path; QString says; };
    const Case cases[] = {
        {legacy, QStringLiteral("(.docx)")},
        {text, QStringLiteral("это не документ Word")},
        {dir.filePath(QStringLiteral("нет.docx")), QStringLiteral("нет.docx")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        WordDocument doc;
        EXPECT_FALSE(doc.createFromTemplate(c.path));
        EXPECT_TRUE(doc.errorString().startsWith(QStringLiteral("Не удалось открыть бланк ")));
        EXPECT_TRUE(doc.errorString().contains(QFileInfo(c.path).fileName()));
        EXPECT_TRUE(doc.errorString().contains(c.says)) << doc.errorString().toStdString();
        EXPECT_EQ(doc.tableCount(), 0);
    }
}

TEST(WordText, QuotesTabsAndMarkupCharactersSurviveAsText)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.docx"));
    const QString caption = QStringLiteral("ЦРБ \"Северная\" <№1> & Ко\tкорпус 'А'");
    WordDocument doc;
    doc.createBlank();
    doc.appendParagraph(caption, {14, WordAlignment::Centre, true});
    doc.appendParagraph(QStringLiteral("Строка 1\nСтрока 2"));
    doc.appendParagraph(QStringLiteral("без\x01управляющих"));
    doc.appendTable({{QStringLiteral("Цифры"), QStringLiteral("Тек."), QStringLiteral("Контроль")},
                     {QStringLiteral("5=6"), QStringLiteral("гр3")}});
    ASSERT_TRUE(doc.save(path)) << doc.errorString().toStdString();

    WordDocument back;
    ASSERT_TRUE(back.open(path)) << back.errorString().toStdString();
    EXPECT_EQ(back.paragraphTexts(),
              (QStringList{caption, QStringLiteral("Строка 1"), QStringLiteral("Строка 2"),
                           QStringLiteral("безуправляющих"), QString()}));
    WordTable t = back.table(1);
    EXPECT_EQ(t.rowCount(), 2);
    EXPECT_EQ(t.cellCount(2), 3);   // the short row was padded to the longest one
    EXPECT_EQ(t.cellText(1, 3), QStringLiteral("Контроль"));
    EXPECT_EQ(t.cellText(2, 2), QStringLiteral("гр3"));
    EXPECT_EQ(t.cellText(2, 3), QString());
}

TEST_F(FormBlank, ProtocolSectionHasThreeHeadersAPageNumberAndItsTable)
{
    WordDocument doc;
    ASSERT_TRUE(doc.createFromTemplate(blank));
    const QString title = QStringLiteral("Ф12 ЦРБ 2024 01.02.2024 10:15:00");
    doc.addSectionOnNewPage();
    ASSERT_EQ(doc.sectionCount(), 2);
    for (int i = 1; i <= doc.sectionCount(); ++i) {
        ASSERT_TRUE(doc.setHeader(i, WordHeaderKind::Primary, title, {WordAlignment::Left, 10, true}));
        ASSERT_TRUE(doc.setHeader(i, WordHeaderKind::FirstPage, title));
        ASSERT_TRUE(doc.setHeader(i, WordHeaderKind::EvenPages, title));
        ASSERT_TRUE(doc.setHeaderDistance(i, 15));
    }
    ASSERT_TRUE(doc.setPortrait(2));
    doc.appendParagraph(QStringLiteral("Протокол печати Ф12"));
    doc.appendParagraph(QStringLiteral("Учреждение - ЦРБ"));
    WordTable protocol = doc.appendTable(1, 2);
    protocol.setCellText(1, 1, QStringLiteral("Форма в целом"));
    protocol.setCellText(1, 2, QStringLiteral("4294967295"));
    protocol.addRow();
    protocol.setCellText(2, 1, QStringLiteral("(1000)"));
    protocol.setCellText(2, 2, QStringLiteral("5381"));
    EXPECT_FALSE(doc.setHeader(3, WordHeaderKind::Primary, title));
    EXPECT_TRUE(doc.errorString().contains(QStringLiteral("нет раздела 3")));
    const QString path = dir.filePath(QStringLiteral("Ф12 ЦРБ 2024.docx"));
    ASSERT_TRUE(doc.save(path)) << doc.errorString().toStdString();

    WordDocument back;
    ASSERT_TRUE(back.open(path)) << back.errorString().toStdString();
    ASSERT_EQ(back.sectionCount(), 2);
    for (int i = 1; i <= 2; ++i) {
        SCOPED_TRACE(i);
        const WordHeader primary = back.header(i, WordHeaderKind::Primary);
        EXPECT_TRUE(primary.present);
        EXPECT_EQ(primary.text, title);
        EXPECT_TRUE(primary.pageNumber);
        for (WordHeaderKind kind : {WordHeaderKind::FirstPage, WordHeaderKind::EvenPages}) {
            const WordHeader other = back.header(i, kind);
            EXPECT_TRUE(other.present);
            EXPECT_EQ(other.text, title);
            EXPECT_FALSE(other.pageNumber);
        }
        EXPECT_DOUBLE_EQ(back.headerDistance(i), 15);
    }
    EXPECT_FALSE(back.isPortrait(1));   // the form keeps its landscape pages
    EXPECT_TRUE(back.isPortrait(2));
    EXPECT_TRUE(back.startsOnNewPage(2));
    ASSERT_EQ(back.tableCount(), 3);
    WordTable last = back.table(back.tableCount());
    EXPECT_EQ(last.rowCount(), 2);
    EXPECT_EQ(last.cellText(1, 1), QStringLiteral("Форма в целом"));
    EXPECT_EQ(last.cellText(1, 2), QStringLiteral("4294967295"));
    EXPECT_EQ(last.cellText(2, 2), QStringLiteral("5381"));
    EXPECT_TRUE(back.paragraphTexts().contains(QStringLiteral("Учреждение - ЦРБ")));

    // Six headers in use, and no part left behind for one that was replaced.
    OfficePackage package;
    ASSERT_TRUE(package.read(path));
    int headers = 0;
    for (const QString& part : package.partNames())
        headers += part.startsWith(QLatin1String("word/header")) ? 1 : 0;
    EXPECT_EQ(headers, 6);
    // The page number sits at the right margin of each section as saved: 16838 - 2 * 1134
    // twips across the form's landscape page, 11906 - 2 * 1134 across the protocol's page,
    // though the protocol's page was turned after its header was set.
    QSet<QString> tabs;
    for (const QString& part : package.partNames())
        if (part.startsWith(QLatin1String("word/header"))) {
            const std::unique_ptr<XmlNode> header = parseXml(package.part(part), nullptr);
            ASSERT_TRUE(header);
            for (const XmlNode* tab : header->descendants(QStringLiteral("w:tab")))
                if (tab->attribute(QStringLiteral("w:val")) == QLatin1String("right"))
                    tabs.insert(tab->attribute(QStringLiteral("w:pos")));
        }
    EXPECT_EQ(tabs, (QSet<QString>{QStringLiteral("14570"), QStringLiteral("9638")}));
}

TEST_F(FormBlank, ReplacingAHeaderDropsTheOldPart)
{
    WordDocument doc;
    ASSERT_TRUE(doc.createFromTemplate(blank));
    ASSERT_TRUE(doc.setHeader(1, WordHeaderKind::Primary, QStringLiteral("первый")));
    ASSERT_TRUE(doc.setHeader(1, WordHeaderKind::Primary, QStringLiteral("второй")));
    ASSERT_TRUE(doc.save(filled));
    WordDocument back;
    ASSERT_TRUE(back.open(filled));
    EXPECT_EQ(back.header(1, WordHeaderKind::Primary).text, QStringLiteral("второй"));
    EXPECT_FALSE(back.header(1, WordHeaderKind::FirstPage).present);
    OfficePackage package;
    ASSERT_TRUE(package.read(filled));
    EXPECT_EQ(package.partNames().filter(QStringLiteral("word/header")).size(), 1);
}

TEST_F(FormBlank, AProtectedDocumentReadsBackAsProtected)
{
    WordDocument doc;
    ASSERT_TRUE(doc.createFromTemplate(blank));
    EXPECT_FALSE(doc.isProtected());
    doc.protectReadOnly(QStringLiteral("Qarnivestol"));
    ASSERT_TRUE(doc.save(filled));

    WordDocument back;
    ASSERT_TRUE(back.open(filled));
    EXPECT_TRUE(back.isProtected());
    EXPECT_EQ(back.protectionKind(), QStringLiteral("readOnly"));
    EXPECT_TRUE(back.protectionPasswordMatches(QStringLiteral("Qarnivestol")));
    EXPECT_FALSE(back.protectionPasswordMatches(QStringLiteral("qarnivestol")));

    // Word checks the order of the settings: the protection stands after the proofing state
    // and before the default tab stop.
    EXPECT_EQ(settingNames(filled), (QStringList{QStringLiteral("w:zoom"), QStringLiteral("w:proofState"),
                                  QStringLiteral("w:documentProtection"), QStringLiteral("w:defaultTabStop"),
                                  QStringLiteral("w:characterSpacingControl"), QStringLiteral("w:compat")}));
}

TEST_F(FormBlank, VariablesTravelUnseenWithTheDocument)
{
    WordDocument doc;
    ASSERT_TRUE(doc.createFromTemplate(blank));
    EXPECT_EQ(doc.variable(QStringLiteral("Владелец")), QString());
    doc.setVariable(QStringLiteral("Владелец"), QStringLiteral("учреждение 7"));
    doc.setVariable(QStringLiteral("Второй"), QStringLiteral("\"<&>\""));
    doc.setVariable(QStringLiteral("Владелец"), QStringLiteral("учреждение 8"));
    doc.protectReadOnly(QStringLiteral("Qarnivestol"));
    ASSERT_TRUE(doc.save(filled));

    WordDocument back;
    ASSERT_TRUE(back.open(filled));
    EXPECT_EQ(back.variable(QStringLiteral("Владелец")), QStringLiteral("учреждение 8"));
    EXPECT_EQ(back.variable(QStringLiteral("Второй")), QStringLiteral("\"<&>\""));
    EXPECT_EQ(back.paragraphTexts(), doc.paragraphTexts());
    // In the schema's place: after the compatibility settings.
    EXPECT_EQ(settingNames(filled), (QStringList{QStringLiteral("w:zoom"), QStringLiteral("w:proofState"),
                                  QStringLiteral("w:documentProtection"), QStringLiteral("w:defaultTabStop"),
                                  QStringLiteral("w:characterSpacingControl"), QStringLiteral("w:compat"),
                                  QStringLiteral("w:docVars")}));
}

TEST(WordProtection, ABlankDocumentGetsSettingsForItsProtection)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.docx"));
    WordDocument doc;
    doc.createBlank();
    doc.protectReadOnly(QStringLiteral("Qarnivestol"));
    ASSERT_TRUE(doc.save(path));
    WordDocument back;
    ASSERT_TRUE(back.open(path));
    EXPECT_TRUE(back.isProtected());
}

TEST_F(FormBlank, AFailedSaveNamesTheFileAndLeavesTheOldOne)
{
    WordDocument doc;
    ASSERT_TRUE(doc.createFromTemplate(blank));
    const QString nowhere = dir.filePath(QStringLiteral("нет папки/Ф12.docx"));
    EXPECT_FALSE(doc.save(nowhere));
    EXPECT_TRUE(doc.errorString().startsWith(QStringLiteral("Не удалось записать документ ")));
    EXPECT_TRUE(doc.errorString().contains(QStringLiteral("нет папки")));

    // A folder where the file should be: nothing is written over it.
    QDir(dir.path()).mkdir(QStringLiteral("занято.docx"));
    EXPECT_FALSE(doc.save(dir.filePath(QStringLiteral("занято.docx"))));
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("занято.docx"))).isDir());
}

namespace {

// Tables and rows added after the cells were read are found, and another document opened in
// the same object brings its own tables.
TEST(DocxTables, TablesAndRowsAddedAfterReadingAreFound)
{
    QTemporaryDir dir;
    WordDocument doc;
    doc.createBlank();
    WordTable first = doc.appendTable(2, 2);
    ASSERT_EQ(first.cellCount(2), 2);
    WordTable second = doc.appendTable(1, 3);
    EXPECT_EQ(doc.tableCount(), 2);
    EXPECT_EQ(doc.table(2).cellCount(1), 3);
    first.addRow();
    first.addRow();
    EXPECT_EQ(first.rowCount(), 4);
    EXPECT_TRUE(first.setCellText(4, 2, QStringLiteral("нижняя")));
    EXPECT_TRUE(second.appendToCell(1, 3, QStringLiteral("5")));
    QString text;
    ASSERT_TRUE(doc.cellText(1, 4, 2, &text));
    EXPECT_EQ(text, QStringLiteral("нижняя"));
    ASSERT_TRUE(doc.cellText(2, 1, 3, &text));
    EXPECT_EQ(text, QStringLiteral("5"));
    EXPECT_FALSE(doc.cellText(1, 5, 1, &text));
    const QString path = dir.filePath(QStringLiteral("tables.docx"));
    ASSERT_TRUE(doc.save(path));

    WordDocument other;
    other.createBlank();
    other.appendTable(1, 1).setCellText(1, 1, QStringLiteral("другой"));
    const QString otherPath = dir.filePath(QStringLiteral("other.docx"));
    ASSERT_TRUE(other.save(otherPath));
    ASSERT_TRUE(doc.open(otherPath));
    EXPECT_EQ(doc.tableCount(), 1);
    ASSERT_TRUE(doc.cellText(1, 1, 1, &text));
    EXPECT_EQ(text, QStringLiteral("другой"));
    EXPECT_EQ(doc.table(1).rowCount(), 1);
    doc.createBlank();
    EXPECT_EQ(doc.tableCount(), 0);
    ASSERT_TRUE(doc.open(path));
    EXPECT_EQ(doc.table(1).rowCount(), 4);
}

}  // namespace

namespace {

// What XML cannot hold is left out on saving, the rest comes back as it was: markup characters,
// a character beyond the first plane, tabs and line breaks, in a cell and in a variable.
TEST(DocxText, CharactersXmlCannotHoldAreLeftOutAndTheRestComesBack)
{
    QTemporaryDir dir;
    WordDocument doc;
    doc.createBlank();
    const QString odd = QStringLiteral("a<b>&\"c\" ") + QChar(0x01) + QChar(0xD800) + QStringLiteral("d")
                        + QString::fromUcs4(U"\U0001F600") + QChar(0xFFFF) + QStringLiteral("\tе");
    const QString kept = QStringLiteral("a<b>&\"c\" d") + QString::fromUcs4(U"\U0001F600") + QStringLiteral("\tе");
    doc.appendTable(1, 1).setCellText(1, 1, odd);
    doc.setVariable(QStringLiteral("Проба"), odd + QStringLiteral("\r\nх"));
    const QString path = dir.filePath(QStringLiteral("odd.docx"));
    ASSERT_TRUE(doc.save(path));
    WordDocument back;
    ASSERT_TRUE(back.open(path)) << back.errorString().toStdString();
    QString text;
    ASSERT_TRUE(back.cellText(1, 1, 1, &text));
    EXPECT_EQ(text, kept);
    EXPECT_EQ(back.variable(QStringLiteral("Проба")), kept + QStringLiteral("\r\nх"));
}

}  // namespace
