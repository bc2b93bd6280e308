#include "setup/ContrForm.h"
#include "setup/uCLd.h"

#include "PrintTo.h"
#include "RecordingDesktop.h"
#include "SampleYear.h"
#include "ScriptedPrompts.h"
#include "core/Common.h"
#include "core/Configurations.h"
#include "entry/GridModel.h"
#include "entry/ShowTable.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/TextFiles.h"
#include "platform/office/Desktop.h"
#include "platform/office/WordDocument.h"
#include "sample/SampleConfiguration.h"
#include "sample/SampleControlsFile.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QKeyEvent>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QStringList items(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

// Types the text into the focused widget key by key (QTest's own typing knows only Latin keys).
void typeText(QWidget* w, const QString& text)
{
    w->setFocus();
    for (QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &release);
    }
}

int controlCount() { return dbmain().scalar(QStringLiteral(R"(select count(*) from "int_control")")).toInt(); }

class Editor : public ::testing::Test {
protected:
    SampleYear sample;
    void SetUp() override
    {
        ASSERT_TRUE(sample.install()) << sample.error().toStdString();
        CfgDir = sample.configFolder() + QLatin1Char('/');
    }
    static void choose(QComboBox* box, int index)
    {
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
    // At the indicator: a radio button takes clicks on its mark and text only.
    static void click(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2)); }
    static void clickItem(QListWidget* list, int row)
    {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    }
};

// Every column of every control, in Код order.
QStringList dumpControls()
{
    QStringList out;
    Query q(dbmain(), QStringLiteral(R"(select "Код","formid",coalesce("tble",''),"lft","reltion","rght","cycl","commnt" from "int_control" order by "Код")"));
    while (q.next()) {
        QStringList f;
        for (int i = 0; i < 8; ++i)
            f << q.text(i);
        out << f.join(QLatin1Char('|'));
    }
    return out;
}

int codeAt(const QListWidget* list, int row) { return list->item(row)->data(Qt::UserRole).toInt(); }

int rowOfCode(const QStringList& dump, int code)
{
    for (int i = 0; i < dump.size(); ++i)
        if (dump[i].startsWith(QString::number(code) + QLatin1Char('|')))
            return i;
    return -1;
}

TEST_F(Editor, SaveWritesTheControlOnScreenWhateverMadeItCurrent)
{
    ScriptedPrompts prompts;
    TContrls window;
    window.show();
    ASSERT_EQ(window.ListBox1->count(), 6);
    // By arrow key to the second control: it is shown, and the save changes it alone.
    window.ListBox1->setFocus();
    QTest::keyClick(window.ListBox1, Qt::Key_Down);
    ASSERT_EQ(window.ListBox1->currentRow(), 1);
    const int second = codeAt(window.ListBox1, 1);
    const StoredControl shown = *readControl(dbmain(), second);
    EXPECT_EQ(window.Memo1->toPlainText(), shown.lft);
    EXPECT_EQ(window.Memo2->toPlainText(), shown.rght);
    EXPECT_EQ(window.Memo3->toPlainText(), shown.cycl);
    EXPECT_EQ(window.Edit4->text(), shown.commnt);
    QStringList expected = dumpControls();
    window.Edit4->setText(QStringLiteral("второй"));
    click(window.Button1);
    const int secondRow = rowOfCode(expected, second);
    ASSERT_GE(secondRow, 0);
    expected[secondRow] = expected[secondRow].section(QLatin1Char('|'), 0, 6) + QStringLiteral("|второй");
    EXPECT_EQ(dumpControls(), expected);

    // Deleted, the control gives the screen to the next one, and saving that changes nothing.
    const int third = codeAt(window.ListBox1, 2);
    prompts.expectQuestion(true, QStringLiteral("Удалить контроль \"второй\"?"));
    click(window.Button6);
    expected.removeAt(secondRow);
    ASSERT_EQ(window.ListBox1->currentRow(), 1);
    EXPECT_EQ(codeAt(window.ListBox1, 1), third);
    EXPECT_EQ(window.Memo1->toPlainText(), readControl(dbmain(), third)->lft);
    EXPECT_EQ(window.Edit4->text(), readControl(dbmain(), third)->commnt);
    click(window.Button1);
    EXPECT_EQ(dumpControls(), expected);
    // Edited, it is that control that changes.
    window.Memo2->setPlainText(QStringLiteral("ГР5"));
    click(window.Button1);
    const int thirdRow = rowOfCode(expected, third);
    QStringList f = expected[thirdRow].split(QLatin1Char('|'));
    f[5] = QStringLiteral("ГР5");
    expected[thirdRow] = f.join(QLatin1Char('|'));
    EXPECT_EQ(dumpControls(), expected);

    // Up from there, and the last one deleted gives the screen to the one before it.
    QTest::keyClick(window.ListBox1, Qt::Key_Up);
    EXPECT_EQ(window.Memo1->toPlainText(), readControl(dbmain(), codeAt(window.ListBox1, 0))->lft);
    QTest::keyClick(window.ListBox1, Qt::Key_End);
    const int last = window.ListBox1->count() - 1;
    EXPECT_EQ(window.Edit4->text(), readControl(dbmain(), codeAt(window.ListBox1, last))->commnt);
    prompts.expectQuestion(true);
    click(window.Button6);
    ASSERT_EQ(window.ListBox1->currentRow(), last - 1);
    EXPECT_EQ(window.Edit4->text(), readControl(dbmain(), codeAt(window.ListBox1, last - 1))->commnt);
}

TEST_F(Editor, TablesAreListedInTheOrderOfTheirNumbers)
{
    dbmain().exec(QStringLiteral(R"(insert into "tables" ("form","tablen","name","colcount","rowcount","fixcols","fixrows","floattype","scan") values (?,?,?,?,?,?,?,?,?))"),
                  {Sample::Form::F12, QStringLiteral("(0500)"), QStringLiteral("Добавленная"), 4, 3, 1, 1, 0, 0});
    dbmain().exec(QStringLiteral(R"(insert into "tables" ("form","tablen","name","colcount","rowcount","fixcols","fixrows","floattype","scan") values (?,?,?,?,?,?,?,?,?))"),
                  {Sample::Form::F12, QStringLiteral("(2500)"), QStringLiteral("Ещё одна"), 4, 3, 1, 1, 0, 0});
    ScriptedPrompts prompts;
    TContrls window;
    window.show();
    QStringList numbers;
    for (int i = 0; i < window.ComboBox2->count(); ++i)
        numbers << window.ComboBox2->itemData(i).toString();
    EXPECT_EQ(numbers, (QStringList{QStringLiteral("(0500)"), QStringLiteral("(1000)"), QStringLiteral("(2000)"),
                                    QStringLiteral("(2500)"), QStringLiteral("(3000)"), QStringLiteral("(4000)")}));
    EXPECT_EQ(window.EditorTableNo, QStringLiteral("(0500)"));
    EXPECT_EQ(window.ComboBox2->itemText(0), QStringLiteral("(0500) - Добавленная"));
}

TEST_F(Editor, AReferenceWithoutItsFormOrTableIsNamedOnALineOfItsOwn)
{
    struct Case {
        int kind;
        const char* lft;
        const char* message;
    };
    const Case cases[] = {
        {1, "стр1гр3", "Не задана таблица\nСТР1ГР3\nОшибка в выражении"},
        {2, "т(1000)стр1гр3", "Не задана форма\nТ(1000)СТР1ГР3\nОшибка в выражении"},
        {2, "Ф12стр1гр3", "Не задана таблица\nФ12СТР1ГР3\nОшибка в выражении"},
    };
    ScriptedPrompts prompts;
    TContrls window;
    window.show();
    const QStringList before = dumpControls();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lft);
        click(window.RadioGroup1->button(c.kind));
        click(window.Button5);
        clickItem(window.ListBox1, window.ListBox1->count() - 1);
        typeText(window.Memo1, QString::fromUtf8(c.lft));
        typeText(window.Memo2, QStringLiteral("5"));
        prompts.expectError();
        click(window.Button1);
        EXPECT_EQ(prompts.log().last(), QStringLiteral("error: ") + QString::fromUtf8(c.message));
        EXPECT_EQ(window.ListBox1->currentItem()->data(Qt::UserRole).toInt(), 0);
        // The unsaved control goes, so the next kind's list is loaded.
        prompts.expectQuestion(true, QStringLiteral("Удалить контроль \"Новый контроль\"?"));
        click(window.Button6);
    }
    EXPECT_EQ(dumpControls(), before);
}

TEST_F(Editor, ListsEachKindAndFilterOfTheSample)
{
    ScriptedPrompts prompts;
    TContrls window;
    window.show();
    EXPECT_EQ(window.EditorFormName, QStringLiteral("Ф12"));
    EXPECT_EQ(window.EditorTableNo, QStringLiteral("(1000)"));
    EXPECT_EQ(window.ListBox1->count(), 6);
    EXPECT_EQ(window.Memo1->toPlainText(), QStringLiteral("ГР4"));
    click(window.RadioGroup1->button(1));
    EXPECT_EQ(window.RadioGroup1->checkedId(), 1);
    EXPECT_EQ(window.ListBox1->count(), 2);
    click(window.RadioGroup3->button(2));   // "Таблица" (1000): neither names it
    EXPECT_EQ(window.ListBox1->count(), 0);
    EXPECT_TRUE(window.Memo1->toPlainText().isEmpty());
    choose(window.ComboBox2, 2);            // (3000): one written Т(3000), one Т[3000]
    EXPECT_EQ(window.ListBox1->count(), 2);
    click(window.RadioGroup1->button(2));
    EXPECT_EQ(window.ListBox1->count(), 2);  // both controls between forms name Ф12 Т(3000)
    click(window.RadioGroup3->button(1));
    EXPECT_EQ(window.ListBox1->count(), 2);

    // Frozen, the list stays whatever changes.
    const QStringList before = items(window.ListBox1);
    window.CheckBox1->setChecked(true);
    click(window.RadioGroup1->button(0));
    EXPECT_EQ(items(window.ListBox1), before);
    window.CheckBox1->setChecked(false);
    click(window.RadioGroup1->button(0));
    EXPECT_EQ(window.ListBox1->count(), 4);   // (3000)'s own
}

// A list that cannot be read is told in the window, under what failed, each time it is asked for;
// a command that cannot write says so and leaves the list as it shows.
TEST_F(Editor, AFailedReadOrWriteOfTheControlsIsToldInTheWindow)
{
    ScriptedPrompts prompts;
    TContrls window;
    window.show();
    ASSERT_EQ(window.ListBox1->count(), 6);
    dbmain().exec(QStringLiteral(R"(alter table "int_control" rename to "int_control_gone")"));
    const QString missing = QStringLiteral("\nФайл ") + QDir::toNativeSeparators(dbmain().path())
                            + QStringLiteral(" не того вида, какой нужен программе, или поврежден: в нем нет таблицы \"int_control\".");

    prompts.expectQuestion(true, QStringLiteral("Удалить все 6 контролей списка?"));
    prompts.expectError(QStringLiteral("Контроли не удалены.") + missing);
    QTest::mouseClick(window.Button8, Qt::LeftButton);
    EXPECT_EQ(window.ListBox1->count(), 6);

    prompts.expectError(QStringLiteral("Не удалось прочитать перечень контролей.") + missing);
    click(window.RadioGroup1->button(1));
    EXPECT_EQ(window.ListBox1->count(), 0);
    EXPECT_EQ(prompts.remaining(), 0);
}

TEST_F(Editor, InsertsThenUpdatesWithQuotesAndKeepsANewControlAcrossChanges)
{
    ScriptedPrompts prompts;
    TContrls window;
    window.show();
    const int before = controlCount();
    click(window.Button5);
    ASSERT_EQ(window.ListBox1->count(), 7);
    clickItem(window.ListBox1, 6);
    EXPECT_TRUE(window.Memo1->toPlainText().isEmpty());
    // A selected new control is not thrown away by a change of kind.
    click(window.RadioGroup1->button(1));
    ASSERT_EQ(window.ListBox1->count(), 7);
    click(window.RadioGroup1->button(0));

    typeText(window.Memo1, QStringLiteral("стр1гр4"));
    typeText(window.Memo2, QStringLiteral("стр2гр4"));
    click(window.RadioGroup2->button(3));
    typeText(window.Edit4, QStringLiteral("с \"кавычками\""));
    click(window.Button1);
    EXPECT_EQ(controlCount(), before + 1);
    const int code = window.ListBox1->item(6)->data(Qt::UserRole).toInt();
    auto stored = readControl(dbmain(), code);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->tble, QStringLiteral("(1000)"));
    EXPECT_EQ(stored->reltion, QStringLiteral(">="));
    EXPECT_EQ(window.ListBox1->item(6)->text(), QStringLiteral("с \"кавычками\""));

    window.Memo2->setPlainText(QStringLiteral("стр3гр4 \"x\""));
    prompts.expectError(QStringLiteral("Ошибка в выражении"));
    click(window.Button1);
    window.Memo2->setPlainText(QStringLiteral("стр3гр4"));
    click(window.Button1);
    EXPECT_EQ(controlCount(), before + 1);
    EXPECT_EQ(readControl(dbmain(), code)->rght, QStringLiteral("стр3гр4"));

    // Copy and paste.
    click(window.Button3);
    clickItem(window.ListBox1, 0);
    EXPECT_EQ(window.Memo1->toPlainText(), QStringLiteral("ГР4"));
    click(window.Button4);
    EXPECT_EQ(window.Memo1->toPlainText(), QStringLiteral("стр1гр4"));
    EXPECT_EQ(window.RadioGroup2->checkedId(), 3);

    // Delete asks first.
    clickItem(window.ListBox1, 6);
    prompts.expectQuestion(false, QStringLiteral("Удалить контроль"));
    click(window.Button6);
    EXPECT_EQ(controlCount(), before + 1);
    prompts.expectQuestion(true, QStringLiteral("Удалить контроль \"с \"кавычками\"\"?"));
    click(window.Button6);
    EXPECT_EQ(controlCount(), before);
    EXPECT_EQ(window.ListBox1->count(), 6);
}

TEST_F(Editor, TheRelationIsRequiredAndAStoredControlKeepsItsKind)
{
    ScriptedPrompts prompts;
    TContrls window;
    window.show();
    click(window.Button5);
    clickItem(window.ListBox1, 6);
    window.RadioGroup2->setExclusive(false);
    window.RadioGroup2->checkedButton()->setChecked(false);
    window.RadioGroup2->setExclusive(true);
    window.Memo1->setPlainText(QStringLiteral("5"));
    window.Memo2->setPlainText(QStringLiteral("5"));
    prompts.expectError(QStringLiteral("Не задано условие!"));
    click(window.Button1);
    EXPECT_EQ(window.ListBox1->item(6)->data(Qt::UserRole).toInt(), 0);

    // The first control of (1000), a row cycle within the table, is still checked as one when
    // the screen shows another kind.
    window.CheckBox1->setChecked(true);
    click(window.RadioGroup1->button(2));
    clickItem(window.ListBox1, 0);
    window.Memo2->setPlainText(QStringLiteral("ГР6"));
    click(window.Button1);
    EXPECT_EQ(readControl(dbmain(), window.ListBox1->item(0)->data(Qt::UserRole).toInt())->rght, QStringLiteral("ГР6"));
}

TEST_F(Editor, DeletesAllTheFormsControlsAfterAsking)
{
    const int f30Own = dbmain().scalar(QStringLiteral(R"(select count(*) from "int_control" where "formid"=?)"), {Sample::Form::F30}).toInt();
    ScriptedPrompts prompts;
    TContrls window;
    window.show();
    prompts.expectOkCancel(false, QStringLiteral("Вы действительно хотите удалить ВСЕ контроли по Ф12?"));
    click(window.Button11);
    EXPECT_GT(controlCount(), f30Own);
    prompts.expectOkCancel(true);
    click(window.Button11);
    // Ф30's own stay; both controls between forms name Ф12 and go.
    EXPECT_EQ(controlCount(), f30Own);
    EXPECT_EQ(window.ListBox1->count(), 0);
}

TEST_F(Editor, PrintsThreeHeadingLinesAndATableOfTheList)
{
    QTemporaryDir docs;
    setTemporaryDocumentsFolder(docs.path());
    RecordingDesktop recording;
    ScriptedPrompts prompts;
    TContrls window;
    window.show();
    click(window.Button7);
    ASSERT_EQ(recording.opened().size(), 1);
    WordDocument document;
    ASSERT_TRUE(document.open(recording.opened().first())) << document.errorString().toStdString();
    const QStringList paragraphs = document.paragraphTexts();
    ASSERT_GE(paragraphs.size(), 3);
    EXPECT_EQ(paragraphs[0], window.ComboBox1->currentText());
    EXPECT_EQ(paragraphs[1], window.ComboBox2->currentText());
    EXPECT_EQ(paragraphs[2], QStringLiteral("Внутритабличные - Все"));
    ASSERT_EQ(document.tableCount(), 1);
    WordTable table = document.table(1);
    EXPECT_EQ(table.rowCount(), 6);
    EXPECT_EQ(table.cellCount(1), 5);
    EXPECT_EQ(table.cellText(1, 1), QStringLiteral("ГР4"));
    EXPECT_EQ(table.cellText(1, 2), QStringLiteral(">="));
    EXPECT_EQ(table.cellText(1, 4), QStringLiteral("стр1..7"));
    EXPECT_EQ(table.cellText(6, 1), QStringLiteral("СТР1ГР4"));
    setTemporaryDocumentsFolder(QString());
}

TEST_F(Editor, APickedCellGoesInAtTheCaretWithTheKindsPrefix)
{
    ScriptedPrompts prompts;
    TContrls window;
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    click(window.RadioGroup1->button(2));
    click(window.Button5);
    clickItem(window.ListBox1, window.ListBox1->count() - 1);
    EXPECT_FALSE(window.Button2->isEnabled());
    QTest::mouseClick(window.Memo1->viewport(), Qt::LeftButton);
    window.Memo1->setPlainText(QStringLiteral("5+"));
    QTextCursor cursor = window.Memo1->textCursor();
    cursor.movePosition(QTextCursor::End);
    window.Memo1->setTextCursor(cursor);
    ASSERT_TRUE(window.Button2->isEnabled());
    prompts.expectModal(QStringLiteral("TVTable"), [](QDialog& dialog) {
        auto& grid = static_cast<TVTable&>(dialog);
        const GridModel& m = grid.model();
        auto* view = grid.findChild<QAbstractScrollArea*>(QStringLiteral("StringGrid1"));
        const QPoint origin(m.geometry().headerWidth(), m.geometry().headerHeight());
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, m.geometry().dataCellRect(0, 1).center() + origin);
        return int(QDialog::Accepted);
    });
    click(window.Button2);
    EXPECT_EQ(window.Memo1->toPlainText(), QStringLiteral("5+Ф12т(1000)стр2гр4"));
    EXPECT_EQ(CurrentInstitutionId, 0);
}

TEST_F(Editor, ExportsTheListAndClearsItAfterAsking)
{
    ScriptedPrompts prompts;
    TContrls window;
    window.show();
    const QString path = Files::join(sample.configFolder(), QStringLiteral("list.ktr"));
    prompts.expectSaveFile(path).expectMessage(QStringLiteral("Контроли выгружены в файл ") + path);
    click(window.Button9);
    QStringList lines;
    QString error;
    ASSERT_TRUE(readLines1251(path, &lines, &error)) << error.toStdString();
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[0], QStringLiteral("\"Ф12\",\"(1000)\",\"ГР4\",\">=\",\"ГР5\",\"стр1..7\",\"Гр. 4 >= гр. 5 (дети 0-4 лет из всех детей)\""));

    const int before = controlCount();
    prompts.expectQuestion(false, QStringLiteral("Удалить все 6 контролей списка?"));
    click(window.Button8);
    EXPECT_EQ(controlCount(), before);
    prompts.expectQuestion(true);
    click(window.Button8);
    EXPECT_EQ(controlCount(), before - 6);
    EXPECT_EQ(window.ListBox1->count(), 0);
}

} // namespace
