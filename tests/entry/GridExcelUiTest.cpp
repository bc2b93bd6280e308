#include "entry/GridExcel.h"
#include "entry/ShowTable.h"

#include "OpenGrid.h"
#include "FileBytes.h"
#include "PrintTo.h"
#include "RecordingDesktop.h"
#include "ScriptedPrompts.h"
#include "YearFixture.h"
#include "core/Common.h"
#include "core/StructureCache.h"
#include "entry/GridModel.h"
#include "entry/Unit4.h"
#include "platform/office/Desktop.h"
#include "platform/office/XlsxReader.h"
#include "platform/office/XlsxWriter.h"

#include <QAction>
#include <QFileInfo>
#include <QListWidget>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Table (1000) of Ф12: 6 layout columns and 5 rows, two of each are headers, so the data area
// is stored columns 4..7 and rows 4..6.
class GridExcel : public ::testing::Test {
protected:
    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025, YearFixture::InstallAliases};
    int form = year.addForm(QStringLiteral("Ф12"), QStringLiteral("Заболеваемость"));
    int table = year.addTable(form, QStringLiteral("(1000)"), QStringLiteral("Взрослые"), 6, 5, 2, 2);
    int first = year.addInstitution(QStringLiteral("ЦРБ"));
    int second = year.addInstitution(QStringLiteral("Больница"));
    ScriptedPrompts prompts;
    RecordingDesktop desktop;

    void SetUp() override
    {
        setTemporaryDocumentsFolder(dir.filePath(QStringLiteral("tmp")));
        year.addPlainTitles(table);
        refreshStructureCaches(year.dictionary());
        WorkMode = QStringLiteral("Input");
        DataTablePrefix = QStringLiteral("Data");
        ReportYear = 2025;
        CurrentInstitutionId = first;
        openGrid(form, QStringLiteral("Ф12"), QStringLiteral("(1000)"));
    }

    // A workbook of one sheet with the given cells.
    QString workbookWith(const QString& sheetName,
                         const QList<std::tuple<int, int, ExcelValue>>& cells,
                         const QString& file = QStringLiteral("in.xlsx"))
    {
        ExcelWorkbook book;
        ExcelSheet* s = book.addSheet(sheetName);
        for (const auto& [row, column, value] : cells)
            s->setValue(row, column, value);
        const QString path = dir.filePath(file);
        XlsxWriter writer;
        EXPECT_TRUE(writer.write(path, book)) << writer.errorString().toStdString();
        return path;
    }
};

TEST_F(GridExcel, ExportThenImportCopiesTheTableIntoAnotherInstitution)
{
    year.setCell(first, table, 4, 4, 8);
    year.setCell(first, table, 7, 6, 2.5);
    year.setCell(first, table, 2, 2, 99);   // a stray row on a header place
    {
        TVTable window;
        window.show();
        prompts.expectMessage(QStringLiteral("Вывод таблицы завершен"));
        window.N40->trigger();
        window.close();
    }
    ASSERT_EQ(desktop.opened().size(), 1);
    const QString path = desktop.opened().first();
    EXPECT_TRUE(path.endsWith(QStringLiteral(".xlsx")));
    XlsxReader reader;
    ASSERT_TRUE(reader.read(path)) << reader.errorString().toStdString();
    ASSERT_EQ(reader.workbook().sheetCount(), 1);
    const ExcelSheet& s = *reader.workbook().sheet(0);
    EXPECT_EQ(s.name(), QStringLiteral("Ф12(1000)"));
    EXPECT_EQ(s.value(4, 4), ExcelValue::ofNumber(8));
    EXPECT_EQ(s.value(6, 7), ExcelValue::ofNumber(2.5));
    EXPECT_EQ(s.format(4, 4).numberFormat, QStringLiteral("0"));
    EXPECT_EQ(s.frozenRows(), 3);
    EXPECT_EQ(s.frozenColumns(), 3);

    CurrentInstitutionId = second;
    year.setCell(second, table, 5, 5, 1);   // replaced by the import
    TVTable other;
    other.show();
    prompts.expectOpenFile(path);
    other.Excel2->trigger();
    EXPECT_EQ(year.storedCells(second, table), (QList<StoredCell>{{4, 4, 8}, {7, 6, 2.5}}));
    EXPECT_EQ(other.model().value(0, 0), 8);   // the grid shows what was loaded
    EXPECT_EQ(year.storedCells(first, table).size(), 3);
}

TEST_F(GridExcel, ImportTakesTextNumbersAndASheetInOtherLetterCase)
{
    const QString path = workbookWith(QStringLiteral("ф12(1000)"),
                                      {{4, 4, ExcelValue::ofText(QStringLiteral("12.5"))},
                                       {4, 5, ExcelValue::ofText(QStringLiteral("3,25"))},
                                       {5, 4, ExcelValue::ofNumber(7)},
                                       {1, 1, ExcelValue::ofText(QStringLiteral("заголовок"))},
                                       {3, 4, ExcelValue::ofText(QStringLiteral("Графа 3"))}});
    TVTable window;
    window.show();
    prompts.expectOpenFile(path);
    window.Excel2->trigger();
    EXPECT_EQ(year.storedCells(first, table),
              (QList<StoredCell>{{4, 4, 12.5}, {4, 5, 7}, {5, 4, 3.25}}));
}

TEST_F(GridExcel, ABadCellOrAMissingSheetChangesNothing)
{
    year.setCell(first, table, 4, 4, 8);
    TVTable window;
    window.show();
    const QString bad = workbookWith(QStringLiteral("Ф12(1000)"),
                                     {{4, 4, ExcelValue::ofNumber(1)},
                                      {6, 5, ExcelValue::ofText(QStringLiteral("много"))}});
    prompts.expectOpenFile(bad).expectError(QStringLiteral("строка 6, столбец 5"));
    window.Excel2->trigger();
    const QString other = workbookWith(QStringLiteral("Ф30(2000)"), {{4, 4, ExcelValue::ofNumber(1)}},
                                       QStringLiteral("other.xlsx"));
    prompts.expectOpenFile(other).expectError(QStringLiteral("нет листа «Ф12(1000)»"));
    window.Excel2->trigger();
    EXPECT_EQ(year.storedCells(first, table), (QList<StoredCell>{{4, 4, 8}}));
}

TEST_F(GridExcel, ToAnExistingFileKeepsItsSheetsAndAnXlsIsRefused)
{
    year.setCell(first, table, 4, 4, 8);
    const QString path = workbookWith(QStringLiteral("Свое"), {{1, 1, ExcelValue::ofText(QStringLiteral("мое"))}});
    TVTable window;
    window.show();
    prompts.expectOpenFile(path).expectMessage(QStringLiteral("Вывод таблицы завершен"));
    window.N41->trigger();
    prompts.expectOpenFile(dir.filePath(QStringLiteral("old.xls"))).expectError(QStringLiteral(".xlsx"));
    window.N41->trigger();
    XlsxReader reader;
    ASSERT_TRUE(reader.read(path));
    EXPECT_EQ(reader.workbook().sheetNames(), (QStringList{QStringLiteral("Свое"), QStringLiteral("Ф12(1000)")}));
    EXPECT_EQ(reader.workbook().sheet(0)->value(1, 1), ExcelValue::ofText(QStringLiteral("мое")));
    EXPECT_EQ(reader.workbook().sheet(1)->value(4, 4), ExcelValue::ofNumber(8));
    EXPECT_EQ(desktop.opened(), QStringList{path});
}

TEST_F(GridExcel, ToAnOpenBookAddsTheSheetToABookWrittenEarlierInTheRun)
{
    const int children = year.addTable(form, QStringLiteral("(2000)"), QStringLiteral("Дети"), 6, 5, 2, 2);
    year.addPlainTitles(children);
    refreshStructureCaches(year.dictionary());
    year.setCell(first, table, 4, 4, 8);
    year.setCell(first, children, 5, 4, 3);
    year.setCell(first, children, 7, 6, 1.5);
    TForm4 chooser;   // as made at start-up
    EXPECT_EQ(Form4, &chooser);
    const QString own = workbookWith(QStringLiteral("Свое"), {{1, 1, ExcelValue::ofText(QStringLiteral("мое"))}},
                                     QStringLiteral("своя.xlsx"));
    {
        // Before any book is out there is no open book to add to.
        TVTable window;
        window.show();
        prompts.expectError(QStringLiteral("Нет открытой книги Excel"));
        window.N39->trigger();
        EXPECT_TRUE(desktop.opened().isEmpty());
        // A new book of table (1000), then the user's own file, both handed to the desktop.
        prompts.expectMessage(QStringLiteral("Вывод таблицы завершен"));
        window.N40->trigger();
        prompts.expectOpenFile(own).expectMessage(QStringLiteral("Вывод таблицы завершен"));
        window.N41->trigger();
    }
    ASSERT_EQ(desktop.opened().size(), 2);
    const QString written = desktop.opened().first();

    CurrentFormNumber = QStringLiteral("(2000)");
    TVTable window;
    window.show();
    // Cancel adds nothing anywhere.
    prompts.expectModal(QStringLiteral("TForm4"), [](QDialog& dialog) {
        QTest::mouseClick(static_cast<TForm4&>(dialog).BitBtn2, Qt::LeftButton);
        return dialog.result();
    });
    window.N39->trigger();
    EXPECT_EQ(desktop.opened().size(), 2);
    // The chooser lists the books newest first; the user clicks the one written first, then OK.
    prompts.expectModal(QStringLiteral("TForm4"), [&](QDialog& dialog) {
        auto& f = static_cast<TForm4&>(dialog);
        EXPECT_EQ(&f, &chooser);
        EXPECT_EQ(f.windowTitle(), QStringLiteral("Выьерите книгу Excel"));
        QStringList names;
        for (int i = 0; i < f.ListBox1->count(); ++i)
            names << f.ListBox1->item(i)->text();
        EXPECT_EQ(names, (QStringList{QStringLiteral("своя.xlsx"), QFileInfo(written).fileName()}));
        if (f.ListBox1->count() == 2) {
            QListWidgetItem* item = f.ListBox1->item(1);
            QTest::mouseClick(f.ListBox1->viewport(), Qt::LeftButton, {}, f.ListBox1->visualItemRect(item).center());
        }
        QTest::mouseClick(f.BitBtn1, Qt::LeftButton);
        return dialog.result();
    }).expectMessage(QStringLiteral("Вывод таблицы завершен"));
    window.N39->trigger();

    // Handed to the desktop again; the book keeps table (1000) and gains table (2000).
    EXPECT_EQ(desktop.opened(), (QStringList{written, own, written}));
    XlsxReader reader;
    ASSERT_TRUE(reader.read(written)) << reader.errorString().toStdString();
    EXPECT_EQ(reader.workbook().sheetNames(), (QStringList{QStringLiteral("Ф12(1000)"), QStringLiteral("Ф12(2000)")}));
    EXPECT_EQ(reader.workbook().sheet(0)->value(4, 4), ExcelValue::ofNumber(8));
    EXPECT_EQ(reader.workbook().sheet(1)->value(4, 5), ExcelValue::ofNumber(3));
    EXPECT_EQ(reader.workbook().sheet(1)->value(6, 7), ExcelValue::ofNumber(1.5));
    EXPECT_EQ(reader.workbook().sheet(1)->value(4, 4), ExcelValue());
    // The user's own book got only the sheet sent to it.
    XlsxReader ownBook;
    ASSERT_TRUE(ownBook.read(own));
    EXPECT_EQ(ownBook.workbook().sheetNames(), (QStringList{QStringLiteral("Свое"), QStringLiteral("Ф12(1000)")}));
}

TEST_F(GridExcel, ASecondExportIntoOneFileReplacesTheSheetThatTheImportReads)
{
    const QString path = workbookWith(QStringLiteral("Свое"), {{1, 1, ExcelValue::ofText(QStringLiteral("мое"))}});
    auto bytes = [&] { return readBytes(path); };
    year.setCell(first, table, 4, 4, 8);
    {
        TVTable window;
        window.show();
        prompts.expectOpenFile(path).expectMessage(QStringLiteral("Вывод таблицы завершен"));
        window.N41->trigger();
    }
    year.setCell(first, table, 4, 4, 9);
    {
        TVTable window;
        window.show();
        const QByteArray before = bytes();
        prompts.expectOpenFile(path).expectQuestion(
            false, QStringLiteral("В книге %1 уже есть лист «Ф12(1000)». Заменить его?").arg(QDir::toNativeSeparators(path)));
        window.N41->trigger();
        EXPECT_EQ(bytes(), before);
        prompts.expectOpenFile(path).expectQuestion(true, QStringLiteral("уже есть лист «Ф12(1000)»"))
            .expectMessage(QStringLiteral("Вывод таблицы завершен"));
        window.N41->trigger();
    }
    {
        XlsxReader reader;
        ASSERT_TRUE(reader.read(path)) << reader.errorString().toStdString();
        EXPECT_EQ(reader.workbook().sheetNames(), (QStringList{QStringLiteral("Свое"), QStringLiteral("Ф12(1000)")}));
        EXPECT_EQ(reader.workbook().sheet(0)->value(1, 1), ExcelValue::ofText(QStringLiteral("мое")));
    }
    CurrentInstitutionId = second;
    TVTable other;
    other.show();
    prompts.expectOpenFile(path);
    other.Excel2->trigger();
    EXPECT_EQ(year.storedCells(second, table), (QList<StoredCell>{{4, 4, 9}}));
}

TEST_F(GridExcel, ASheetNamedByTheTableNumberAloneIsReadWhenTheGridsOwnIsMissing)
{
    year.setCell(first, table, 4, 4, 8);
    const QString path = workbookWith(QStringLiteral("(1000)"), {{5, 6, ExcelValue::ofNumber(4)}});
    TVTable window;
    window.show();
    prompts.expectOpenFile(path);
    window.Excel2->trigger();
    EXPECT_EQ(year.storedCells(first, table), (QList<StoredCell>{{6, 5, 4}}));
    const QString neither = workbookWith(QStringLiteral("(2000)"), {{5, 6, ExcelValue::ofNumber(1)}},
                                         QStringLiteral("neither.xlsx"));
    prompts.expectOpenFile(neither).expectError(QStringLiteral("В книге нет листа «Ф12(1000)» или «(1000)»"));
    window.Excel2->trigger();
    EXPECT_EQ(year.storedCells(first, table), (QList<StoredCell>{{6, 5, 4}}));
}

TEST(GridSheetName, IsCutToTwentyAndMadeValid)
{
    EXPECT_EQ(gridSheetName(QStringLiteral("Ф12"), QStringLiteral("(1000)")), QStringLiteral("Ф12(1000)"));
    EXPECT_EQ(gridSheetName(QStringLiteral("Ф1/2"), QStringLiteral("(1)")), QStringLiteral("Ф1_2(1)"));
    EXPECT_EQ(gridSheetName(QStringLiteral("Форма длинная очень"), QStringLiteral("(1000)")),
              QStringLiteral("Форма длинная очень("));
}

} // namespace
