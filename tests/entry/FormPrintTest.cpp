#include "entry/FormPrint.h"
#include "entry/PlacementFile.h"

#include "core/CheckSums.h"
#include "core/Common.h"
#include "core/Configurations.h"
#include "core/ReportLevels.h"
#include "core/StructureCache.h"
#include "platform/Files.h"
#include "platform/TextFiles.h"
#include "platform/office/Desktop.h"
#include "platform/office/OfficePackage.h"
#include "PackageDigest.h"
#include "platform/office/WordDocument.h"
#include "RecordingDesktop.h"
#include "SampleYear.h"
#include "YearFixture.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Ф30 with four tables: (1000) 6 x 5 with 2 + 2 headers, (2000) 5 x 4 with 1 + 1, (3000) without
// header rows and (4000) with three. The blank has five Word tables: (1000) goes to the first,
// (2000) in two blocks to the second and third, (3000) and (4000) to the fourth and fifth.
class FillTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025, YearFixture::InstallAliases};
    int form = 0, t1 = 0, t2 = 0, t3 = 0, t4 = 0, inst = 0, report = 0;
    void SetUp() override
    {
        form = year.addForm(QStringLiteral("Ф30"));
        t1 = year.addTable(form, QStringLiteral("(1000)"), QStringLiteral("Штаты"), 6, 5, 2, 2);
        t2 = year.addTable(form, QStringLiteral("(2000)"), QStringLiteral("Кабинеты"), 5, 4, 1, 1);
        t3 = year.addTable(form, QStringLiteral("(3000)"), QStringLiteral("Без шапки"), 4, 3, 1, 0);
        t4 = year.addTable(form, QStringLiteral("(4000)"), QStringLiteral("Три строки шапки"), 4, 6, 1, 3);
        inst = year.addInstitution(QStringLiteral("ЦРБ"));
        report = year.addReport(QStringLiteral("Свод района"));
        refreshStructureCaches(year.dictionary());
        ReportYear = 2025;
        WorkMode = QStringLiteral("Input");
        DataTablePrefix = QStringLiteral("Data");

        WordDocument blank;
        blank.createBlank();
        blank.appendParagraph(QStringLiteral("Бланк формы"));
        WordTable first = blank.appendTable(4, 6);
        first.setCellText(2, 3, QStringLiteral("всего: "));
        blank.appendTable(3, 5);
        blank.appendTable(2, 5);
        blank.appendTable(4, 4);
        blank.appendTable(4, 4);
        ASSERT_TRUE(blank.save(Files::join(year.formsFolder(), QStringLiteral("Ф30.docx"))));
        writePlacement({QStringLiteral("1,3,2,'(1000)',3,1,6,3"), QString(),
                        QStringLiteral("2,2,2,'(2000)',2,1,5,2"), QStringLiteral("3,2,2,'(2000)',2,3,5,3"),
                        QStringLiteral("4,2,2,'(3000)',2,1,4,3"), QStringLiteral("5,2,2,'(4000)',2,1,4,3")});
    }
    void writePlacement(const QStringList& lines)
    {
        QString error;
        ASSERT_TRUE(writeLines1251(Files::join(year.formsFolder(), QStringLiteral("Ф30.txt")), lines, &error));
    }
    bool fill(WordDocument* doc, QString* error, int owner = -1)
    {
        return FillFormDoc(year.formsFolder(), form, QStringLiteral("Ф30"), owner < 0 ? inst : owner, doc, error);
    }
    static QString cell(WordDocument& doc, int table, int row, int column)
    {
        QString text;
        EXPECT_TRUE(doc.cellText(table, row, column, &text));
        return text;
    }
};

TEST_F(FillTest, ValuesLandInTheMappedCellsAfterTheBlanksText)
{
    year.setEntered(inst, t1, 3, 1, 8);       // first cell of the block
    year.setEntered(inst, t1, 6, 3, 2.5);     // last cell of the block
    year.setEntered(inst, t2, 2, 1, 11);      // first block of (2000)
    year.setEntered(inst, t2, 5, 2, 12);
    year.setEntered(inst, t2, 3, 3, 13);      // second block of (2000), in the third Word table
    year.setEntered(inst, t3, 2, 1, 7);       // no header rows
    year.setEntered(inst, t4, 4, 3, 9);       // three header rows
    year.setEntered(inst + 1, t1, 4, 1, 99);  // another institution's value stays out
    CellValues = CellArray(1, 2, 1, 2);
    CellValues.set(2, 2, 42);

    WordDocument doc;
    QString error;
    ASSERT_TRUE(fill(&doc, &error)) << error.toStdString();
    EXPECT_EQ(cell(doc, 1, 2, 3), QStringLiteral("всего: 8"));
    EXPECT_EQ(cell(doc, 1, 4, 6), QStringLiteral("2.5"));
    EXPECT_EQ(cell(doc, 1, 2, 4), QString());   // nothing stored: not even a 0
    EXPECT_EQ(cell(doc, 2, 2, 2), QStringLiteral("11"));
    EXPECT_EQ(cell(doc, 2, 3, 5), QStringLiteral("12"));
    EXPECT_EQ(cell(doc, 3, 2, 3), QStringLiteral("13"));
    EXPECT_EQ(cell(doc, 2, 1, 3), QString());
    EXPECT_EQ(cell(doc, 4, 2, 2), QStringLiteral("7"));
    EXPECT_EQ(cell(doc, 5, 4, 4), QStringLiteral("9"));
    EXPECT_EQ(doc.paragraphTexts().first(), QStringLiteral("Бланк формы"));
    // The grid's cells are as they were.
    EXPECT_EQ(CellValues.value(2, 2), 42);
    EXPECT_EQ(CellValues.highColumn(), 2);
}

TEST_F(FillTest, AReportsValuesComeFromRepdata)
{
    year.setEntered(inst, t1, 3, 1, 8);
    year.setEntered(report, t1, 3, 1, 100, QStringLiteral("repdata"));
    DataTablePrefix = QStringLiteral("RepData");
    WordDocument doc;
    QString error;
    ASSERT_TRUE(fill(&doc, &error, report)) << error.toStdString();
    EXPECT_EQ(cell(doc, 1, 2, 3), QStringLiteral("всего: 100"));
}

TEST_F(FillTest, ABadLineChangesNothingAndNamesTheLine)
{
    year.setEntered(inst, t1, 3, 1, 8);
    writePlacement({QStringLiteral("1,3,2,'(1000)',3,1,6,3"), QStringLiteral("2,2,2,'(2000)',2,1,5"),
                    QStringLiteral("9,2,2,'(2000)',2,1,5,3")});
    WordDocument doc;
    doc.createBlank();
    doc.appendParagraph(QStringLiteral("прежний"));
    QString error;
    EXPECT_FALSE(fill(&doc, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("Строка 2"))) << error.toStdString();
    EXPECT_EQ(doc.tableCount(), 0);
    EXPECT_TRUE(doc.paragraphTexts().contains(QStringLiteral("прежний")));
}

TEST_F(FillTest, MissingFilesAreNamedWithTheirPath)
{
    WordDocument doc;
    QString error;
    ASSERT_TRUE(Files::removeFile(Files::join(year.formsFolder(), QStringLiteral("Ф30.txt")), &error));
    EXPECT_FALSE(fill(&doc, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("Ф30.txt"))) << error.toStdString();

    ASSERT_TRUE(Files::removeFile(Files::join(year.formsFolder(), QStringLiteral("Ф30.docx")), &error));
    EXPECT_FALSE(fill(&doc, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("Ф30.docx"))) << error.toStdString();

    // A Word 97-2003 blank is refused with the advice to convert it.
    QFile old(Files::join(year.formsFolder(), QStringLiteral("Ф30.doc")));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray::fromHex("D0CF11E0A1B11AE1") + QByteArray(504, '\0'));
    old.close();
    writePlacement({QStringLiteral("1,3,2,'(1000)',3,1,6,3")});
    EXPECT_FALSE(fill(&doc, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("docx"))) << error.toStdString();
}

TEST(FormPrintNames, TheSanitiserServesBlankAndReport)
{
    EXPECT_EQ(blankPathOf(QStringLiteral("/c/forms"), QStringLiteral("Ф1/2")),
              QStringLiteral("/c/forms/Ф1_2.docx"));
    ReportPrintJob job{QStringLiteral("/c/"), 2025, 2, QStringLiteral("Ф30"), 8,
                       QStringLiteral("ЦРБ \"Озёрная\"/1"), AnnualLevelName, false};
    EXPECT_EQ(reportDocumentPath(job), QStringLiteral("/c/2025/Report/Ф30 ЦРБ _Озёрная__1 2025.docx"));
    job.levelName = QStringLiteral("Квартал 1");
    job.ownerNameShared = true;
    EXPECT_EQ(reportDocumentPath(job), QStringLiteral("/c/2025/Report/Ф30 ЦРБ _Озёрная__1 8 2025 Квартал 1.docx"));
    EXPECT_EQ(reportHeaderTitle(job, QDateTime(QDate(2026, 3, 5), QTime(9, 7, 3))),
              QStringLiteral("Ф30 ЦРБ \"Озёрная\"/1 2025 05.03.2026 09:07:03"));
    EXPECT_EQ(reportHeaderTitle(job, QDateTime(QDate(2026, 3, 5), QTime(0, 0))),
              QStringLiteral("Ф30 ЦРБ \"Озёрная\"/1 2025 05.03.2026"));
}

// The sample's Ф30 printed for the report for Озерная ЦРБ.
class ReportPrintTest : public ::testing::Test {
protected:
    SampleYear sample;
    ReportPrintJob job;
    RecordingDesktop recorder;
    const QDateTime now{QDate(2026, 3, 5), QTime(14, 30, 15)};
    void SetUp() override
    {
        ASSERT_TRUE(sample.install()) << sample.error().toStdString();
        WorkMode = QStringLiteral("Input");
        DataTablePrefix = QStringLiteral("Data");
        CurrentLevel = {0, AnnualLevelName};
        job = {sample.configFolder() + QLatin1Char('/'), sample.year(), Sample::Form::F30, QStringLiteral("Ф30"),
               Sample::Unit::OzernayaCrb, ownerName(Sample::Unit::OzernayaCrb), AnnualLevelName, false};
    }
    static QString ownerName(int id)
    {
        return dbmain().scalar(QStringLiteral(R"(select "unit" from "administration" where "id"=?)"), {id}).toString();
    }
    QString reportFolder() const { return sample.yearFolder() + QStringLiteral("/Report"); }
    static QByteArray digest(const QString& path)
    {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
    }
};

TEST_F(ReportPrintTest, TheFinalPrintIsSavedProtectedWithItsProtocol)
{
    QString error;
    ASSERT_TRUE(makeReportDocument(job, now, &error)) << error.toStdString();
    const QString path = reportFolder() + QStringLiteral("/Ф30 ") + job.ownerName + QStringLiteral(" 2025.docx");
    EXPECT_EQ(reportDocumentPath(job), path);
    ASSERT_TRUE(Files::exists(path));
    EXPECT_EQ(printedReportPath(job), path);

    WordDocument doc;
    ASSERT_TRUE(doc.open(path)) << doc.errorString().toStdString();
    EXPECT_TRUE(doc.isProtected());
    EXPECT_EQ(doc.protectionKind(), QStringLiteral("readOnly"));
    EXPECT_TRUE(doc.protectionPasswordMatches(QStringLiteral("Qarnivestol")));

    const QStringList paragraphs = doc.paragraphTexts();
    const QStringList protocol{
        QStringLiteral("Протокол печати Ф30"),
        QStringLiteral("Внимание! Данный протокол является неотъемлемой частью печатной формы при ее сдаче "
                       "вышестоящей организации!"),
        QStringLiteral("Учреждение - ") + job.ownerName};
    const qsizetype at = paragraphs.indexOf(protocol[0]);
    ASSERT_GE(at, 0);
    EXPECT_EQ(paragraphs.mid(at, 3), protocol);

    const int sections = doc.sectionCount();
    ASSERT_GE(sections, 2);
    EXPECT_TRUE(doc.isPortrait(sections));
    EXPECT_TRUE(doc.startsOnNewPage(sections));
    const QString title = QStringLiteral("Ф30 ") + job.ownerName + QStringLiteral(" 2025 05.03.2026 14:30:15");
    for (int s = 1; s <= sections; ++s) {
        SCOPED_TRACE(s);
        EXPECT_EQ(doc.header(s, WordHeaderKind::Primary).text, title);
        EXPECT_TRUE(doc.header(s, WordHeaderKind::Primary).pageNumber);
        EXPECT_EQ(doc.header(s, WordHeaderKind::FirstPage).text, title);
        EXPECT_EQ(doc.header(s, WordHeaderKind::EvenPages).text, title);
        EXPECT_EQ(doc.headerDistance(s), 15);
    }

    // The protocol table: the form, then (1100), (2100), (3100), each with its check sum.
    WordTable table = doc.table(doc.tableCount());
    ASSERT_EQ(table.rowCount(), 4);
    const int idents[] = {5, 6, 7};
    const char* numbers[] = {"(1100)", "(2100)", "(3100)"};
    EXPECT_EQ(table.cellText(1, 1), QStringLiteral("Форма в целом"));
    EXPECT_EQ(table.cellText(1, 2),
              QString::number(quint32(FormDataChecksum(job.ownerId, Sample::Form::F30))));
    bool highSum = quint32(FormDataChecksum(job.ownerId, Sample::Form::F30)) >= 0x80000000u;
    for (int i = 0; i < 3; ++i) {
        const quint32 sum = quint32(TableDataChecksum(job.ownerId, idents[i]));
        highSum = highSum || sum >= 0x80000000u;
        EXPECT_EQ(table.cellText(i + 2, 1), QString::fromUtf8(numbers[i]));
        EXPECT_EQ(table.cellText(i + 2, 2), QString::number(sum));
        EXPECT_FALSE(table.cellText(i + 2, 2).startsWith(QLatin1Char('-')));
    }
    EXPECT_TRUE(highSum) << "the sample should give one sum of 2^31 or more";
    // The filled blank: the cell with text keeps it before the value. Its first data row lies
    // under the three rows of the table's header.
    EXPECT_TRUE(doc.table(1).cellText(4, 3).startsWith(QStringLiteral("всего: ")));
}

TEST_F(ReportPrintTest, ASecondPrintComparesTheStoredSums)
{
    QString error;
    ASSERT_TRUE(makeReportDocument(job, now, &error)) << error.toStdString();
    const QString path = printedReportPath(job);
    const QByteArray before = digest(path);
    PrintedReportCheck check = checkPrintedReport(path, job);
    EXPECT_EQ(check.state, PrintedReportCheck::State::Unchanged);
    EXPECT_TRUE(check.message.isEmpty());
    EXPECT_EQ(digest(path), before);

    // One value of (2100) changes.
    dbdat().exec(QStringLiteral(R"(update "data" set "data"="data"+1 where "hospital"=? and "table"=6 and "year"=2025
                                   and ("column", "row")=(select "column", "row" from "data" where "hospital"=?
                                   and "table"=6 order by "column", "row" limit 1))"),
                 {job.ownerId, job.ownerId});
    check = checkPrintedReport(path, job);
    EXPECT_EQ(check.state, PrintedReportCheck::State::Changed);
    EXPECT_EQ(check.changedTables, QStringList{QStringLiteral("(2100)")});
    EXPECT_TRUE(check.message.startsWith(ReportChangedMessage));
    EXPECT_TRUE(check.message.contains(QStringLiteral("(2100)")));
    EXPECT_EQ(digest(path), before);
}

TEST_F(ReportPrintTest, AnOldDocCountsAsPrintedButCannotBeVerified)
{
    ASSERT_TRUE(Files::makeFolder(reportFolder(), nullptr));
    const QString doc = reportFolder() + QStringLiteral("/Ф30 ") + job.ownerName + QStringLiteral(" 2025.doc");
    QFile f(doc);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray::fromHex("D0CF11E0A1B11AE1"));
    f.close();
    EXPECT_EQ(printedReportPath(job), doc);
    // It says nothing of its owner: once a namesake exists it could be either one's.
    ReportPrintJob shared = job;
    shared.ownerNameShared = true;
    EXPECT_TRUE(printedReportPath(shared).isEmpty());
    const PrintedReportCheck check = checkPrintedReport(doc, job);
    EXPECT_EQ(check.state, PrintedReportCheck::State::Unverifiable);
    EXPECT_TRUE(check.message.contains(QStringLiteral("нельзя"))) << check.message.toStdString();
}

TEST_F(ReportPrintTest, AnUnreadableSumCannotBeVerified)
{
    ASSERT_TRUE(Files::makeFolder(reportFolder(), nullptr));
    WordDocument doc;
    doc.createBlank();
    doc.appendTable({{QStringLiteral("Форма в целом"), QStringLiteral("12x")}});
    ASSERT_TRUE(doc.save(reportDocumentPath(job)));
    const PrintedReportCheck check = checkPrintedReport(reportDocumentPath(job), job);
    EXPECT_EQ(check.state, PrintedReportCheck::State::Unverifiable);
}

TEST_F(ReportPrintTest, APrintAtAnotherLevelAndOfANamesakeIsAPrintOfItsOwn)
{
    QString error;
    ASSERT_TRUE(makeReportDocument(job, now, &error)) << error.toStdString();
    const QString plain = reportFolder() + QStringLiteral("/Ф30 ") + job.ownerName + QStringLiteral(" 2025.docx");
    ReportPrintJob quarter = job;
    quarter.levelName = QStringLiteral("Квартал 1");
    EXPECT_TRUE(printedReportPath(quarter).isEmpty());

    // A second institution of the same name comes later: the print made stays its owner's one
    // print and is not the namesake's.
    dbmain().exec(QStringLiteral(R"(insert into "administration" ("unit","dependence","medicaltype") values (?,0,1))"),
                  {job.ownerName});
    EXPECT_TRUE(ownerNameShared(job.ownerName, job.ownerId, true));
    EXPECT_FALSE(ownerNameShared(QStringLiteral("Нет такого"), job.ownerId, true));
    ReportPrintJob mine = job;
    mine.ownerNameShared = true;
    ReportPrintJob namesake = mine;
    namesake.ownerId = 999;
    EXPECT_EQ(printedReportPath(mine), plain);
    EXPECT_EQ(reportDocumentPath(mine), plain);
    EXPECT_FALSE(makeReportDocument(mine, now, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("уже напечатана"))) << error.toStdString();
    EXPECT_TRUE(printedReportPath(namesake).isEmpty());

    // The namesake's print goes under its id and is its own.
    const QString theirs = reportFolder() + QStringLiteral("/Ф30 ") + job.ownerName + QStringLiteral(" 999 2025.docx");
    EXPECT_EQ(reportDocumentPath(namesake), theirs);
    ASSERT_TRUE(makeReportDocument(namesake, now, &error)) << error.toStdString();
    EXPECT_EQ(printedReportPath(namesake), theirs);
    EXPECT_EQ(printedReportPath(mine), plain);
    // A summary report of that name and id is another owner still.
    ReportPrintJob report = mine;
    report.ownerIsInstitution = false;
    EXPECT_TRUE(printedReportPath(report).isEmpty());
    EXPECT_EQ(Files::listFiles(reportFolder()).size(), 2);
}

TEST_F(ReportPrintTest, TheProtocolAloneHasNoWarningAndIsNotStored)
{
    WordDocument doc;
    makeProtocolDocument(job, &doc);
    EXPECT_EQ(doc.paragraphTexts().mid(0, 2),
              (QStringList{QStringLiteral("Протокол печати Ф30"), QStringLiteral("Учреждение - ") + job.ownerName}));
    EXPECT_FALSE(doc.isProtected());
    EXPECT_EQ(doc.table(doc.tableCount()).rowCount(), 4);
    EXPECT_FALSE(Files::exists(reportFolder()));
}

}  // namespace

namespace {

TEST(SampleBlanks, EveryPlacementFileFitsItsBlankInBothYears)
{
    for (int y : {Sample::DataYear, Sample::NextYear}) {
        SampleYear sample(y);
        ASSERT_TRUE(sample.install()) << sample.error().toStdString();
        const QString forms = sample.yearFolder() + QStringLiteral("/forms");
        struct Case { int form; const char* name; int lines; bool landscape; };
        for (const Case& c : {Case{Sample::Form::F12, "Ф12", 4, true}, Case{Sample::Form::F30, "Ф30", 4, false},
                              Case{Sample::Form::F47, "Ф47", 2, false}}) {
            SCOPED_TRACE(c.name);
            const QString name = QString::fromUtf8(c.name);
            WordDocument blank;
            ASSERT_TRUE(blank.open(blankPathOf(forms, name))) << blank.errorString().toStdString();
            EXPECT_EQ(blank.isPortrait(1), !c.landscape);
            QList<PlacementLine> lines;
            QString error;
            ASSERT_TRUE(readPlacementFile(placementPathOf(forms, name), c.form, &blank, &lines, &error))
                << error.toStdString();
            EXPECT_EQ(lines.size(), c.lines);
        }
    }
}

// The sample's blank of Ф12 is headed as the table grid heads (1000): the title over the four
// columns of figures, the turned "№ строки", the code column's two lines, the column numbers,
// then the rows with their names and codes; the numbers go under the header.
TEST(SampleBlanks, TheBlankIsHeadedAsTheDictionaryHeadsTheTable)
{
    SampleYear sample;
    ASSERT_TRUE(sample.install()) << sample.error().toStdString();
    WordDocument blank;
    ASSERT_TRUE(blank.open(blankPathOf(sample.yearFolder() + QStringLiteral("/forms"), QStringLiteral("Ф12"))))
        << blank.errorString().toStdString();
    ASSERT_EQ(blank.tableCount(), 4);
    WordTable t = blank.table(1);
    EXPECT_EQ(t.rowCount(), 3 + 7);
    EXPECT_EQ(t.cellCount(1), 4);
    EXPECT_EQ(t.cellCount(2), 7);
    EXPECT_EQ(t.cellText(1, 1), QStringLiteral("Наименование классов и отдельных болезней"));
    EXPECT_EQ(t.cellText(1, 2), QStringLiteral("№ строки"));
    EXPECT_EQ(t.cellText(1, 3), QStringLiteral("Код по МКБ-10\nпересмотра"));
    EXPECT_EQ(t.cellText(1, 4), QStringLiteral("Зарегистрировано заболеваний у детей (0-14 лет включительно)"));
    EXPECT_EQ(t.cellText(2, 4), QStringLiteral("всего"));
    EXPECT_EQ(t.cellText(2, 5), QStringLiteral("в том числе\nв возрасте\n0-4 года"));
    const QStringList numbers{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"),
                              QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7")};
    for (int c = 1; c <= 7; ++c)
        EXPECT_EQ(t.cellText(3, c), numbers[c - 1]);
    EXPECT_EQ(t.cellText(4, 1), QStringLiteral("Зарегистрировано заболеваний - всего"));
    EXPECT_EQ(t.cellText(4, 2), QStringLiteral("01"));
    EXPECT_EQ(t.cellText(4, 3), QStringLiteral("A00-T98"));
    EXPECT_EQ(t.cellText(8, 1), QStringLiteral("из них: пневмонии"));
    EXPECT_EQ(t.cellText(4, 4), QString());
    QList<PlacementLine> lines;
    QString error;
    ASSERT_TRUE(readPlacementFile(placementPathOf(sample.yearFolder() + QStringLiteral("/forms"), QStringLiteral("Ф12")),
                                  Sample::Form::F12, &blank, &lines, &error))
        << error.toStdString();
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(lines.first().wordRow, 4);
    EXPECT_EQ(lines.first().wordColumn, 4);
}

}  // namespace

namespace {

// A blank of the shapes Word gives real ones: a cell across two columns, a cell merged down,
// rows and cells inside content controls and custom XML, a cell of two paragraphs, a cell with a
// table of its own, a table inside a content control and one inside custom XML. The filled
// document was taken from a print checked by hand and is pinned by its digest, so a faster fill
// must write the very same document.
const char* const kOddBlankBody = R"(<w:p><w:r><w:t>Бланк</w:t></w:r></w:p>)"
    R"(<w:tbl><w:tblPr><w:tblW w:w="0" w:type="auto"/></w:tblPr>)"
    R"(<w:tblGrid><w:gridCol w:w="2000"/><w:gridCol w:w="2000"/><w:gridCol w:w="2000"/><w:gridCol w:w="2000"/></w:tblGrid>)"
    R"(<w:tr><w:tc><w:p/></w:tc><w:tc><w:tcPr><w:gridSpan w:val="2"/></w:tcPr><w:p><w:r><w:rPr><w:b/></w:rPr><w:t>шапка </w:t></w:r></w:p></w:tc><w:tc><w:p/></w:tc></w:tr>)"
    R"(<w:tr><w:tc><w:p><w:r><w:t>Строка 1</w:t></w:r></w:p></w:tc>)"
    R"(<w:tc><w:p><w:pPr><w:jc w:val="center"/><w:rPr><w:i/><w:sz w:val="18"/></w:rPr></w:pPr></w:p></w:tc>)"
    R"(<w:tc><w:p><w:r><w:t>а</w:t></w:r></w:p><w:p><w:pPr><w:jc w:val="right"/></w:pPr></w:p></w:tc>)"
    R"(<w:tc><w:tbl><w:tblGrid><w:gridCol w:w="900"/></w:tblGrid><w:tr><w:tc><w:p><w:r><w:t>вложенная</w:t></w:r></w:p></w:tc></w:tr></w:tbl><w:p/></w:tc></w:tr>)"
    R"(<w:sdt><w:sdtPr/><w:sdtContent><w:tr><w:tc><w:p/></w:tc><w:tc><w:p/></w:tc><w:tc><w:p/></w:tc><w:tc><w:p/></w:tc></w:tr></w:sdtContent></w:sdt>)"
    R"(<w:tr><w:tc><w:tcPr><w:vMerge w:val="restart"/></w:tcPr><w:p/></w:tc>)"
    R"(<w:sdt><w:sdtPr/><w:sdtContent><w:tc><w:p><w:r><w:rPr><w:u w:val="single"/></w:rPr><w:t xml:space="preserve">в </w:t></w:r></w:p></w:tc></w:sdtContent></w:sdt>)"
    R"(<w:customXml w:element="x"><w:tc><w:p/></w:tc></w:customXml><w:tc><w:p/></w:tc></w:tr>)"
    R"(<w:tr><w:tc><w:tcPr><w:vMerge/></w:tcPr><w:p/></w:tc><w:tc><w:p/></w:tc><w:tc><w:p/></w:tc><w:tc><w:p/></w:tc></w:tr>)"
    R"(</w:tbl>)"
    R"(<w:sdt><w:sdtPr/><w:sdtContent><w:tbl><w:tblGrid><w:gridCol w:w="3000"/><w:gridCol w:w="3000"/></w:tblGrid>)"
    R"(<w:tr><w:tc><w:p/></w:tc><w:tc><w:p/></w:tc></w:tr></w:tbl></w:sdtContent></w:sdt><w:p/>)"
    R"(<w:customXml w:element="y"><w:tbl><w:tblGrid><w:gridCol w:w="3000"/><w:gridCol w:w="3000"/></w:tblGrid>)"
    R"(<w:tr><w:tc><w:p/></w:tc><w:tc><w:p/></w:tc></w:tr></w:tbl></w:customXml>)"
    R"(<w:sectPr><w:pgSz w:w="11906" w:h="16838"/></w:sectPr>)";

class OddBlankTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025, YearFixture::InstallAliases};
    int form = 0, t1 = 0, t2 = 0, inst = 0;
    void SetUp() override
    {
        form = year.addForm(QStringLiteral("Ф9"));
        t1 = year.addTable(form, QStringLiteral("(1000)"), QStringLiteral("Штаты"), 6, 5, 2, 2);
        t2 = year.addTable(form, QStringLiteral("(2000)"), QStringLiteral("Итог"), 3, 2, 1, 1);
        inst = year.addInstitution(QStringLiteral("ЦРБ"));
        refreshStructureCaches(year.dictionary());
        ReportYear = 2025;
        WorkMode = QStringLiteral("Input");
        DataTablePrefix = QStringLiteral("Data");

        WordDocument empty;
        empty.createBlank();
        const QString blank = Files::join(year.formsFolder(), QStringLiteral("Ф9.docx"));
        ASSERT_TRUE(empty.save(blank));
        OfficePackage package;
        ASSERT_TRUE(package.read(blank));
        package.setPart(QStringLiteral("word/document.xml"),
                        QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
                                          "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
                                          "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><w:body>")
                            + QByteArray(kOddBlankBody) + QByteArrayLiteral("</w:body></w:document>"));
        ASSERT_TRUE(package.write(blank));
        QString error;
        // (1000) fills the first Word table below its heading row, and its last row once more
        // into the table inside custom XML; (2000) goes into the heading row and the table inside
        // the content control, so two values meet in one cell there.
        ASSERT_TRUE(writeLines1251(Files::join(year.formsFolder(), QStringLiteral("Ф9.txt")),
                                   {QStringLiteral("1,1,2,'(1000)',3,1,6,3"), QStringLiteral("1,2,1,'(2000)',2,1,3,1"),
                                    QStringLiteral("2,1,1,'(2000)',2,1,3,1"), QStringLiteral("2,2,1,'(2000)',2,1,2,1"),
                                    QStringLiteral("3,1,1,'(1000)',3,3,4,3")},
                                   &error));
        const double values[3][4] = {{1, 2.5, -3, 1234567.125}, {0, 6, 0.001, 8}, {9, 10, 11, 12}};
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 4; ++c)
                year.setEntered(inst, t1, c + 3, r + 1, values[r][c]);
        year.setEntered(inst, t2, 2, 1, 20);
        year.setEntered(inst, t2, 3, 1, 30);
    }
};

TEST_F(OddBlankTest, EveryShapeOfCellGetsItsValueAndTheDocumentIsAsPrintedBefore)
{
    WordDocument doc;
    QString error;
    ASSERT_TRUE(FillFormDoc(year.formsFolder(), form, QStringLiteral("Ф9"), inst, &doc, &error))
        << error.toStdString();
    QString text;
    struct Cell { int table, row, column; const char* text; };
    for (const Cell& c : {Cell{1, 1, 2, "шапка 20"}, Cell{1, 1, 3, "30"}, Cell{1, 2, 1, "Строка 11"},
                          Cell{1, 2, 2, "2.5"}, Cell{1, 2, 3, "а\n-3"}, Cell{1, 2, 4, "вложенная\n1234567.125"},
                          Cell{1, 3, 1, ""}, Cell{1, 3, 3, "0.001"}, Cell{1, 4, 2, "в 10"}, Cell{1, 4, 3, "11"},
                          Cell{1, 5, 1, ""}, Cell{2, 1, 1, "20"}, Cell{2, 1, 2, "3020"}, Cell{3, 1, 1, "9"},
                          Cell{3, 1, 2, "10"}}) {
        SCOPED_TRACE(testing::Message() << c.table << ' ' << c.row << ' ' << c.column);
        ASSERT_TRUE(doc.cellText(c.table, c.row, c.column, &text));
        EXPECT_EQ(text, QString::fromUtf8(c.text));
    }
    const QString path = dir.filePath(QStringLiteral("printed.docx"));
    ASSERT_TRUE(doc.save(path)) << doc.errorString().toStdString();
    EXPECT_EQ(packageDigest(path), "51da5201ad6922294234753bff720a7bd38267523317acb7fb4f97aea45cd326");
}

// The sample's prints: the working print of each form for Озерная ЦРБ and Ф30's print for the
// report, pinned as they were printed (the report's settings hold a fresh salt and are left out).
TEST_F(ReportPrintTest, PrintsOfTheSampleAreAsPrintedBefore)
{
    struct Case { int form; const char* name; const char* digest; };
    const Case cases[] = {
        {Sample::Form::F12, "Ф12", "bdadf63dd0f8d5917e932ba9455bb8f2069780ad5f113cdae06356e60e4edca5"},
        {Sample::Form::F30, "Ф30", "1aef8c26b30f6e82d12da1c05ea1af647d3072f5b7e675fba65020298f01c034"},
        {Sample::Form::F47, "Ф47", "47312c0e1897e88a290e656faf7a3919dec068574a2626c7d6884d39ddfa7b42"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WordDocument doc;
        QString error;
        ASSERT_TRUE(FillFormDoc(sample.yearFolder() + QStringLiteral("/forms"), c.form, QString::fromUtf8(c.name),
                                job.ownerId, &doc, &error))
            << error.toStdString();
        const QString path = sample.yearFolder() + QStringLiteral("/working.docx");
        ASSERT_TRUE(doc.save(path)) << doc.errorString().toStdString();
        EXPECT_EQ(packageDigest(path), c.digest);
    }
    QString error;
    ASSERT_TRUE(makeReportDocument(job, now, &error)) << error.toStdString();
    EXPECT_EQ(packageDigest(reportDocumentPath(job), {QStringLiteral("word/settings.xml")}),
              "217276868d3b932e81e3ff01551b700e39e6dc54629b38b4ca17298919339a64");
}

}  // namespace
