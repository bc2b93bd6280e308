#include "entry/FrmList.h"
#include "entry/FormExcel.h"
#include "entry/ShowTable.h"

#include "Captions.h"
#include "OpenGrid.h"
#include "PrintTo.h"
#include "RecordingDesktop.h"
#include "SampleYear.h"
#include "ScriptedPrompts.h"
#include "core/Common.h"
#include "entry/ShortNames.h"
#include "entry/Unit6.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/TextFiles.h"
#include "platform/office/Desktop.h"
#include "platform/office/XlsxReader.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <map>

namespace {

using Cells = std::map<std::pair<int, int>, double>;   // (sheet row, sheet column) -> number

// The sample's 2025 with a forms tree opened as each road opens it; the workbooks the export
// opens or writes are read back with the office layer's reader.
class FormsExcel : public ::testing::Test {
protected:
    SampleYear sample;
    QTemporaryDir temporary;
    RecordingDesktop recorder;
    std::unique_ptr<TFormList> window;

    void SetUp() override
    {
        ASSERT_TRUE(sample.install()) << sample.error().toStdString();
        setTemporaryDocumentsFolder(temporary.filePath(QStringLiteral("tmp")));
        Files::setProgramFolder(temporary.path());   // ShortNames.txt lives here
    }
    void TearDown() override { window.reset(); }

    void open(const char* mode, const char* prefix, int owner, const QString& ids, const QString& title)
    {
        WorkMode = QString::fromLatin1(mode);
        DataTablePrefix = QString::fromLatin1(prefix);
        CurrentInstitutionId = owner;
        InstitutionIdList = ids;
        window = std::make_unique<TFormList>();
        window->setWindowTitle(title);
        window->Start(-1);
    }
    const FormsTreeForm& f30() const
    {
        for (const FormsTreeForm& f : window->tree().forms)
            if (f.name == QStringLiteral("Ф30"))
                return f;
        throw std::runtime_error("no Ф30");
    }
    // Selects Ф30's node, or its table `table` (from 0), with the keyboard as a user does.
    void selectF30(int table = -1)
    {
        QTreeWidget* tree = window->TreeView1;
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            if (tree->topLevelItem(i)->text(0).startsWith(QStringLiteral("Ф30"))) {
                QTreeWidgetItem* node = tree->topLevelItem(i);
                tree->setCurrentItem(node);
                if (table >= 0) {
                    node->setExpanded(true);
                    for (int k = 0; k <= table; ++k)
                        QTest::keyClick(tree, Qt::Key_Down);
                }
            }
        ASSERT_EQ(TreeFormName, QStringLiteral("Ф30"));
    }
    // What the owner stored in the table, keyed by where the sheet shows it.
    Cells stored(const char* dataTable, int owner, int table) const
    {
        Cells cells;
        Query q(dbdat(), QStringLiteral(R"(select "row","column","data" from %1 where "hospital"=? and "year"=? and "table"=?)")
                              .arg(QString::fromLatin1(dataTable)),
                {owner, ReportYear, table});
        while (q.next())
            if (q.toDouble(2) != 0)
                cells[{q.toInt(0), q.toInt(1)}] = q.toDouble(2);
        return cells;
    }
    static Cells numbers(const ExcelSheet& sheet)
    {
        Cells cells;
        for (const auto& [place, cell] : sheet.cells())
            if (cell.value.type == ExcelValue::Type::Number)
                cells[place] = cell.value.number;
        return cells;
    }
    static std::unique_ptr<XlsxReader> readBook(const QString& path)
    {
        auto reader = std::make_unique<XlsxReader>();
        EXPECT_TRUE(reader->read(path)) << reader->errorString().toStdString();
        return reader;
    }
    void store(const char* dataTable, int owner, int table, int column, int row, double value)
    {
        dbdat().exec(QStringLiteral(R"(insert or replace into %1 ("hospital","data","year","table","column","row") values (?,?,?,?,?,?))")
                         .arg(QString::fromLatin1(dataTable)),
                     {owner, value, ReportYear, table, column, row});
    }
    static ScriptedPrompts::ModalHandler press(const char* button)
    {
        return [button](QDialog& dialog) {
            QTest::mouseClick(dialog.findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
            return dialog.result();
        };
    }
};

TEST_F(FormsExcel, TheMenuFollowsTheRoad)
{
    struct Case { const char* mode; const char* prefix; bool menu; bool incoming; };
    for (const Case c : {Case{"Input", "Data", true, false}, Case{"Types", "data", false, true},
                         Case{"Svod", "RepData", true, true}, Case{"Terrain", "Repdata", true, true}}) {
        SCOPED_TRACE(c.mode);
        open(c.mode, c.prefix, Sample::Unit::OzernayaCrb, QString(), QStringLiteral("x"));
        EXPECT_EQ(window->ExcelMenu->menuAction()->isVisible(), c.menu);
        EXPECT_EQ(window->N19->isVisible(), c.incoming);
        EXPECT_EQ(window->N20->isVisible(), c.incoming);
        EXPECT_EQ(caption(window->ExcelMenu->title()), QStringLiteral("Вывод в Excel"));
    }
    // Before a selection nothing can be exported; the table command wants a table node.
    EXPECT_FALSE(window->N18->isEnabled());
    selectF30();
    EXPECT_TRUE(window->N18->isEnabled());
    EXPECT_TRUE(window->N19->isEnabled());
    EXPECT_FALSE(window->N20->isEnabled());
    selectF30(0);
    EXPECT_TRUE(window->N20->isEnabled());
}

TEST_F(FormsExcel, TheWholeFormOfOneInstitutionHoldsItsStoredValues)
{
    const QString owner = QStringLiteral("Озерная ЦРБ");
    open("Input", "Data", Sample::Unit::OzernayaCrb, QString(), owner);
    selectF30();
    ScriptedPrompts prompts;
    prompts.expectMessage(ExcelExportDoneMessage);
    window->N18->trigger();
    ASSERT_EQ(recorder.opened().size(), 1);
    EXPECT_TRUE(recorder.opened()[0].endsWith(QStringLiteral(".xlsx")));
    const auto reader = readBook(recorder.opened()[0]);
    const ExcelWorkbook& book = reader->workbook();
    const FormsTreeForm& form = f30();
    ASSERT_EQ(book.sheetCount(), form.tables.size());
    bool anyValue = false;
    for (int i = 0; i < form.tables.size(); ++i) {
        SCOPED_TRACE(form.tables[i].number.toStdString());
        const ExcelSheet& sheet = *book.sheet(i);
        EXPECT_EQ(sheet.name(), form.tables[i].number);
        EXPECT_EQ(sheet.value(1, 1), ExcelValue::ofText(form.tables[i].text + QStringLiteral(" - ") + owner));
        const Cells expected = stored("data", Sample::Unit::OzernayaCrb, form.tables[i].ident);
        EXPECT_EQ(numbers(sheet), expected);
        anyValue = anyValue || !expected.empty();
    }
    EXPECT_TRUE(anyValue);   // the sample gives Озерная ЦРБ numbers in Ф30
    EXPECT_TRUE(window->Label1->text().isEmpty());
    EXPECT_EQ(DataTablePrefix, QStringLiteral("Data"));
}

TEST_F(FormsExcel, TheWorkbookOfAWholeFormLoadsBackIntoATableOfAnotherInstitution)
{
    open("Input", "Data", Sample::Unit::OzernayaCrb, QString(), QStringLiteral("Озерная ЦРБ"));
    selectF30();
    ScriptedPrompts prompts;
    prompts.expectMessage(ExcelExportDoneMessage);
    window->N18->trigger();
    ASSERT_EQ(recorder.opened().size(), 1);
    const FormsTreeTable& table = f30().tables[0];
    const Cells expected = stored("data", Sample::Unit::OzernayaCrb, table.ident);
    ASSERT_FALSE(expected.empty());

    // The grid of the same table for another institution: "Подгрузить из Excel" finds the sheet
    // that the form's workbook names by the table number alone.
    CurrentInstitutionId = Sample::Unit::Berezovka;
    openGrid(f30().id, QStringLiteral("Ф30"), table.number);
    TVTable grid;
    grid.show();
    prompts.expectOpenFile(recorder.opened()[0]);
    grid.Excel2->trigger();
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_EQ(stored("data", Sample::Unit::Berezovka, table.ident), expected);
}

TEST_F(FormsExcel, AReportsFormShowsItsOwnRowsNotAnInstitutionsOfTheSameId)
{
    open("Svod", "RepData", Sample::Report::Zarechny, QStringLiteral("3,4,5,6"), QStringLiteral("Заречный район"));
    const FormsTreeForm& form = f30();
    const int table = form.tables[0].ident;
    store("repdata", Sample::Report::Zarechny, table, 4, 2, 55);   // a stray row on a header place
    // The district's unit has the report's id; its entered rows must not show.
    store("data", Sample::Unit::ZarechnyDistrict, table, 6, 7, 999);
    selectF30();
    ScriptedPrompts prompts;
    prompts.expectMessage(ExcelExportDoneMessage);
    window->N18->trigger();
    ASSERT_EQ(recorder.opened().size(), 1);
    const auto reader = readBook(recorder.opened()[0]);
    const ExcelWorkbook& book = reader->workbook();
    ASSERT_EQ(book.sheetCount(), form.tables.size());
    for (int i = 0; i < form.tables.size(); ++i) {
        SCOPED_TRACE(form.tables[i].number.toStdString());
        Cells expected = stored("repdata", Sample::Report::Zarechny, form.tables[i].ident);
        expected.erase({2, 4});
        EXPECT_FALSE(expected.empty());   // the sample's report values
        EXPECT_EQ(numbers(*book.sheet(i)), expected);
    }
    EXPECT_EQ(book.sheet(0)->value(2, 4).type, ExcelValue::Type::Text);   // the header stays
    EXPECT_EQ(DataTablePrefix, QStringLiteral("RepData"));
}

TEST_F(FormsExcel, AFormPerInstitutionGoesToTheChosenFolderAndNamesakesKeepTheirOwnFiles)
{
    // Two institutions of one name: neither workbook may replace the other.
    dbmain().exec(QStringLiteral(R"(update "administration" set "unit"=? where "id"=?)"),
                  {QStringLiteral("Заречная ЦРБ, стационар"), Sample::Unit::ZarechnayaPolyclinic});
    open("Svod", "RepData", Sample::Report::Zarechny, QStringLiteral("3,4,5,999,6"), QStringLiteral("Заречный район"));
    selectF30();
    const QString folder = temporary.filePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(folder));
    ScriptedPrompts prompts;
    prompts.expectSaveFile(folder + QStringLiteral("/Ф30.xlsx")).expectMessage(ExcelExportDoneMessage);
    window->N19->trigger();
    const QStringList expected = {QStringLiteral("Ф30 - Заречная ЦРБ, стационар 3.xlsx"),
                                  QStringLiteral("Ф30 - Заречная ЦРБ, стационар 4.xlsx"),
                                  QStringLiteral("Ф30 - Малиновская участковая больница.xlsx"),
                                  QStringLiteral("Ф30 - Сосновский фельдшерско-акушерский пункт.xlsx")};
    QStringList files = Files::listFiles(folder);
    QStringList sortedExpected = expected;
    files.sort();
    sortedExpected.sort();
    EXPECT_EQ(files, sortedExpected);   // 999 has no row: skipped
    EXPECT_TRUE(recorder.opened().isEmpty());
    const FormsTreeForm& form = f30();
    const int owners[] = {3, 4, 5, 6};
    bool anyValue = false;
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(expected[i].toStdString());
        const auto reader = readBook(QDir(folder).filePath(expected[i]));
    const ExcelWorkbook& book = reader->workbook();
        ASSERT_EQ(book.sheetCount(), form.tables.size());
        for (int t = 0; t < form.tables.size(); ++t) {
            const Cells want = stored("data", owners[i], form.tables[t].ident);
            EXPECT_EQ(numbers(*book.sheet(t)), want);
            anyValue = anyValue || !want.empty();
        }
    }
    EXPECT_TRUE(anyValue);
    EXPECT_EQ(DataTablePrefix, QStringLiteral("RepData"));

    // Again into the same folder: one question lists the files; "Нет" leaves them as they were.
    const QString first = QDir(folder).filePath(expected[0]);
    QFile::remove(first);
    QFile marker(first);
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    marker.write("old");
    marker.close();
    prompts.expectSaveFile(folder + QStringLiteral("/Ф30.xlsx"))
        .expectQuestion(false, QStringLiteral("В папке уже есть файлы:\nФ30 - Заречная ЦРБ, стационар 3.xlsx\n"));
    window->N19->trigger();
    QFile again(first);
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    EXPECT_EQ(again.readAll(), QByteArray("old"));
}

TEST_F(FormsExcel, ATablePerIncomingReportIsOneSheetEachInListOrder)
{
    QString error;
    ASSERT_TRUE(writeLines1251(shortNamesPath(), {QStringLiteral("Озерный район\tОзерный")}, &error));
    open("Terrain", "Repdata", Sample::Report::Region, QStringLiteral("1,2,3"), QStringLiteral("Область - всего"));
    const FormsTreeForm& form = f30();
    const int table = form.tables[1].ident;
    store("repdata", Sample::Report::Svetlogorsk, table, 5, 5, 7.25);   // a fraction, as stored
    selectF30(1);
    ScriptedPrompts prompts;
    prompts.expectMessage(ExcelExportDoneMessage);
    window->N20->trigger();
    ASSERT_EQ(recorder.opened().size(), 1);
    const auto reader = readBook(recorder.opened()[0]);
    const ExcelWorkbook& book = reader->workbook();
    EXPECT_EQ(book.sheetNames(), (QStringList{QStringLiteral("Заречный район"), QStringLiteral("Озерный район"),
                                              QStringLiteral("Городской округ Светлогорск")}));
    const int reports[] = {Sample::Report::Zarechny, Sample::Report::Ozerny, Sample::Report::Svetlogorsk};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const Cells expected = stored("repdata", reports[i], table);
        EXPECT_FALSE(expected.empty());
        EXPECT_EQ(numbers(*book.sheet(i)), expected);
        // The territory's own rows are no item's.
        EXPECT_NE(numbers(*book.sheet(i)), stored("repdata", Sample::Report::Region, table));
    }
    EXPECT_EQ(book.sheet(2)->value(5, 5), ExcelValue::ofNumber(7.25));
    EXPECT_EQ(book.sheet(2)->value(1, 1),
              ExcelValue::ofText(form.tables[1].text + QStringLiteral(" - Городской округ Светлогорск - Ф30")));
    EXPECT_EQ(DataTablePrefix, QStringLiteral("Repdata"));
}

TEST_F(FormsExcel, LongNamesTakeTheirShortNamesAndOneIsAsked)
{
    QString error;
    ASSERT_TRUE(writeLines1251(shortNamesPath(),
                               {QStringLiteral("Малиновская участковая больница\tМалиновская УБ")}, &error));
    open("Svod", "RepData", Sample::Report::Zarechny, QStringLiteral("5,6,3"), QStringLiteral("Заречный район"));
    selectF30(0);
    ScriptedPrompts prompts;
    prompts.expectModal(QStringLiteral("TForm6"), [](QDialog& dialog) {
               auto* label = dialog.findChild<QLabel*>(QStringLiteral("Label1"));
               EXPECT_EQ(label->text(), QStringLiteral("Сосновский фельдшерско-акушерский пункт\n"
                                                       "отсутствует в списке сокращенных наименований"));
               QTest::keyClicks(dialog.findChild<QLineEdit*>(QStringLiteral("Edit1")), QStringLiteral("Sosnovka FAP"));
               QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("BitBtn1")), Qt::LeftButton);
               return dialog.result();
           })
        .expectMessage(QStringLiteral("подкорректировать список"))
        .expectMessage(ExcelExportDoneMessage);
    window->N20->trigger();
    ASSERT_EQ(recorder.opened().size(), 1);
    const auto reader = readBook(recorder.opened()[0]);
    const ExcelWorkbook& book = reader->workbook();
    EXPECT_EQ(book.sheetNames(), (QStringList{QStringLiteral("Малиновская УБ"), QStringLiteral("Sosnovka FAP"),
                                              QStringLiteral("Заречная ЦРБ, стационар")}));
    const int table = f30().tables[0].ident;
    EXPECT_EQ(numbers(*book.sheet(2)), stored("data", Sample::Unit::ZarechnayaInpatient, table));
}

TEST_F(FormsExcel, AMissingShortNamesFileIsAskedFor)
{
    open("Terrain", "Repdata", Sample::Report::Region, QStringLiteral("1,2"), QStringLiteral("Область - всего"));
    selectF30(0);
    const QString question = QStringLiteral("Отсутствует файл ShortNames.txt. Создать?");
    ScriptedPrompts prompts;

    prompts.expectQuestion(false, question);   // "Нет": nothing happens
    window->N20->trigger();
    EXPECT_FALSE(QFile::exists(shortNamesPath()));
    EXPECT_TRUE(recorder.opened().isEmpty());

    prompts.expectQuestion(true, question).expectModal(QStringLiteral("TForm5"), press("BitBtn2"))
        .expectMessage(QStringLiteral("Вывод в Excel отменен"));   // Cancel in the window ends it
    window->N20->trigger();
    EXPECT_FALSE(QFile::exists(shortNamesPath()));
    EXPECT_TRUE(recorder.opened().isEmpty());

    prompts.expectQuestion(true, question).expectModal(QStringLiteral("TForm5"), press("BitBtn1"))
        .expectMessage(ExcelExportDoneMessage);   // "Да" and OK: the file is made, the export goes on
    window->N20->trigger();
    EXPECT_TRUE(QFile::exists(shortNamesPath()));
    ASSERT_EQ(recorder.opened().size(), 1);
    EXPECT_EQ(readBook(recorder.opened()[0])->workbook().sheetNames(),
              (QStringList{QStringLiteral("Заречный район"), QStringLiteral("Озерный район")}));
    EXPECT_EQ(prompts.remaining(), 0);
}

TEST_F(FormsExcel, AMalformedListOrNoItemsExportsNothing)
{
    struct Case { const char* ids; const char* says; };
    for (const Case c : {Case{"3,x", "Неверный список"}, Case{"", "Нет данных"}, Case{"998,999", "Нет данных"}}) {
        SCOPED_TRACE(c.ids);
        open("Svod", "RepData", Sample::Report::Zarechny, QString::fromLatin1(c.ids), QStringLiteral("Заречный район"));
        selectF30();
        const QString folder = temporary.filePath(QStringLiteral("none"));
        ScriptedPrompts prompts;
        if (QString::fromUtf8(c.says).startsWith(QStringLiteral("Неверный")))
            prompts.expectSaveFile(folder + QStringLiteral("/x.xlsx")).expectError(QString::fromUtf8(c.says));
        else
            prompts.expectSaveFile(folder + QStringLiteral("/x.xlsx")).expectMessage(QString::fromUtf8(c.says));
        window->N19->trigger();
        EXPECT_FALSE(QFile::exists(folder));
    }
    EXPECT_TRUE(recorder.opened().isEmpty());
}

TEST(FormWorkbookNames, NamesakesGetTheirIdsAndBadCharactersGo)
{
    const QList<ExcelExportItem> items = {{7, QStringLiteral("ЦРБ")}, {9, QStringLiteral("црб")},
                                          {11, QStringLiteral("Больница №1/2")}};
    EXPECT_EQ(formWorkbookFileNames(QStringLiteral("Ф12"), items),
              (QStringList{QStringLiteral("Ф12 - ЦРБ 7.xlsx"), QStringLiteral("Ф12 - црб 9.xlsx"),
                           QStringLiteral("Ф12 - Больница №1_2.xlsx")}));
}

} // namespace
