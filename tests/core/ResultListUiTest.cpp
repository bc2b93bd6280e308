#include "core/ResultListOutput.h"
#include "core/Unit1.h"

#include "PrintTo.h"
#include "RecordingDesktop.h"
#include "ScriptedPrompts.h"
#include "platform/office/Desktop.h"
#include "platform/office/ExcelWorkbook.h"
#include "platform/office/WordDocument.h"
#include "platform/office/XlsxReader.h"
#include "platform/office/XlsxWriter.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

ResultList errorsList()
{
    ResultList list;
    list.windowCaption = QStringLiteral("Ошибки");
    list.title = QStringLiteral("Ф12 - Заречная ЦРБ - \"стационар\" & прочее\r\n2025");
    list.columns = {QStringLiteral("Цифры"), QStringLiteral("Тек."), QStringLiteral("Контроль")};
    list.items = {{QStringLiteral("1512>=1524"), {QStringLiteral("ГР4"), QStringLiteral("Т[1000]СТР1 >= Т[1000]СТР2")}, 5},
                  {QStringLiteral("70=65"), {QStringLiteral(""), QStringLiteral("<проверка>")}, 27}};
    return list;
}

TEST(ResultListOutput, WordGetsCaptionTitleOnOneLineAndABorderedTable)
{
    WordDocument doc;
    doc.createBlank();
    ResultListToWord(errorsList(), doc);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.docx"));
    ASSERT_TRUE(doc.save(path)) << doc.errorString().toStdString();

    WordDocument back;
    ASSERT_TRUE(back.open(path)) << back.errorString().toStdString();
    QStringList paragraphs = back.paragraphTexts();
    paragraphs.removeAll(QString());
    EXPECT_EQ(paragraphs, QStringList({QStringLiteral("Ошибки"),
                                       QStringLiteral("Ф12 - Заречная ЦРБ - \"стационар\" & прочее2025")}));
    ASSERT_EQ(back.tableCount(), 1);
    WordTable t = back.table(1);
    EXPECT_EQ(t.rowCount(), 3);
    EXPECT_EQ(t.cellText(1, 3), QStringLiteral("Контроль"));
    EXPECT_EQ(t.cellText(2, 1), QStringLiteral("1512>=1524"));
    EXPECT_EQ(t.cellText(3, 3), QStringLiteral("<проверка>"));
}

TEST(ResultListOutput, AnEmptyListStillGivesTheHeaderTable)
{
    ResultList list = errorsList();
    list.items.clear();
    WordDocument doc;
    doc.createBlank();
    ResultListToWord(list, doc);
    ASSERT_EQ(doc.tableCount(), 1);
    EXPECT_EQ(doc.table(1).rowCount(), 1);
    EXPECT_EQ(doc.table(1).cellText(1, 1), QStringLiteral("Цифры"));
}

TEST(ResultListOutput, ExcelPlacesCaptionsInRowThreeFromColumnB)
{
    ExcelWorkbook book;
    ResultListToExcel(errorsList(), book);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.xlsx"));
    XlsxWriter writer;
    ASSERT_TRUE(writer.write(path, book)) << writer.errorString().toStdString();
    XlsxReader reader;
    ASSERT_TRUE(reader.read(path)) << reader.errorString().toStdString();
    const ExcelSheet* s = reader.workbook().sheet(0);
    ASSERT_TRUE(s);
    auto text = [&](int r, int c) { return s->value(r, c).text; };
    EXPECT_EQ(text(1, 1), QStringLiteral("Ошибки"));
    EXPECT_EQ(text(2, 1), errorsList().title);
    EXPECT_EQ((QStringList{text(3, 2), text(3, 3), text(3, 4)}), errorsList().columns);   // B3:D3
    EXPECT_EQ(text(4, 2), QStringLiteral("1512>=1524"));
    EXPECT_EQ(text(5, 4), QStringLiteral("<проверка>"));                                 // D5
    EXPECT_EQ(s->value(4, 2).type, ExcelValue::Type::Text);   // numbers stay the texts shown
    EXPECT_TRUE(s->value(6, 2).isEmpty());
    // Every column is as wide as its longest text, so "1512>=1524" is not cut.
    EXPECT_GE(s->columnWidth(2), QStringLiteral("1512>=1524").size());
    EXPECT_GE(s->columnWidth(4), QStringLiteral("<проверка>").size());
}

TEST(ResultListWindow, ShowsWhatWasFilledAndHandsDocumentsToTheDesktop)
{
    QTemporaryDir dir;
    setTemporaryDocumentsFolder(dir.path());
    RecordingDesktop desktop;
    TForm1 window;
    EXPECT_EQ(Form1, &window);
    window.setList(errorsList());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Ошибки"));
    EXPECT_EQ(window.Label1->text(), errorsList().title);
    ASSERT_EQ(window.ListView1->topLevelItemCount(), 2);
    EXPECT_EQ(window.ListView1->headerItem()->text(1), QStringLiteral("Тек."));
    EXPECT_EQ(window.ListView1->topLevelItem(1)->text(2), QStringLiteral("<проверка>"));

    window.N1->trigger();
    window.Excel1->trigger();
    ASSERT_EQ(desktop.opened().size(), 2);
    EXPECT_TRUE(desktop.opened()[0].endsWith(QStringLiteral(".docx")));
    EXPECT_TRUE(desktop.opened()[1].endsWith(QStringLiteral(".xlsx")));

    desktop.setFailure(QStringLiteral("нет приложения"));
    ScriptedPrompts prompts;
    prompts.expectError(QStringLiteral("нет приложения"));
    window.N1->trigger();
    setTemporaryDocumentsFolder(QString());
}

TEST(ResultListWindow, EscapeClosesAndShowResultListRunsItModally)
{
    TForm1 window;
    window.show();
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());

    ScriptedPrompts prompts;
    prompts.expectModal(QStringLiteral("TForm1"), [](QDialog& d) {
        auto* list = d.findChild<QTreeWidget*>(QStringLiteral("ListView1"));
        EXPECT_EQ(list->topLevelItemCount(), 2);
        return int(QDialog::Accepted);
    });
    ShowResultList(errorsList());
}

} // namespace
