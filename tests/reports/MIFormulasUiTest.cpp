#include "reports/MIFormulas.h"
#include "reports/MITree.h"

#include "core/StructureCache.h"
#include "platform/Database.h"
#include "Captions.h"
#include "PrintTo.h"
#include "ScriptedPrompts.h"
#include "YearFixture.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }

// Types any text, Cyrillic included, as key presses into the focused widget.
void type(QWidget* widget, const QString& text)
{
    for (QChar c : text) {
        if (c == u'\n')
            QTest::keyClick(widget, Qt::Key_Return);
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

class FormulaGrid : public ::testing::Test {
protected:
    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025, YearFixture::InstallAliases};
    ScriptedPrompts prompts;   // any prompt not scripted fails the test
    int term = 0;

    void SetUp() override
    {
        Database& db = year.dictionary();
        db.exec(u(R"(insert into "tree" ("part","depend") values ('Заболеваемость',0))"));
        term = int(db.lastInsertId());
        db.exec(u(R"(insert into "row_titles" values (?,0,'Угол',30))"), {term});
        db.exec(u(R"(insert into "col_titles" values (?,0,'Угол',120))"), {term});
        for (int r = 1; r <= 4; ++r) {
            db.exec(u(R"(insert into "row_titles" values (?,?,?,20))"), {term, r, u("Р%1").arg(r)});
            for (int c = 1; c <= 2; ++c)
                db.exec(u(R"(insert into "formulas" values (?,?,?,?))"), {term, r, c, u("А%1%2").arg(r).arg(c)});
        }
        db.exec(u(R"(insert into "col_titles" values (?,1,'Г1',64))"), {term});
        db.exec(u(R"(insert into "col_titles" values (?,2,?,70))"), {term, u("Г") + QChar(3) + u("2")});
        for (int r = 0; r <= 1; ++r)
            db.exec(u(R"(insert into "formulas" values (?,?,-1,?))"), {term, r, u("И%1 = Ф12СТР1ГР%1").arg(r)});
    }

    QStringList rows(const char* sql)
    {
        QStringList out;
        Query q(year.dictionary(), u(sql), {term});
        while (q.next())
            out << q.text(0) + u':' + q.text(1);
        return out;
    }
    QStringList formulaColumn(int column)
    {
        QStringList out;
        Query q(year.dictionary(),
                u(R"(select "row","formula" from "formulas" where "term"=? and "column"=? order by "row")"),
                {term, column});
        while (q.next())
            out << q.text(0) + u':' + q.text(1);
        return out;
    }

    static void clickCell(TMIForms& w, int row, int column)
    {
        QTableWidget* grid = w.StringGrid1;
        const QRect rect = grid->visualRect(grid->model()->index(row, column));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, rect.center());
    }
    static void clickItem(TMIForms& w, int index)
    {
        QListWidget* list = w.ListBox1;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(index)).center());
    }
    // Replaces the field's text by typing, then presses "Ok".
    static void typeAndStore(TMIForms& w, const QString& text)
    {
        QTest::mouseClick(w.Memo1->viewport(), Qt::LeftButton);
        QTest::keyClick(w.Memo1, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(w.Memo1, Qt::Key_Delete);
        type(w.Memo1, text);
        QTest::mouseClick(w.BitBtn1, Qt::LeftButton);
    }
    // Adds to the field's text by typing, without "Ok".
    static void typeAtEnd(TMIForms& w, const QString& text)
    {
        QTest::mouseClick(w.Memo1->viewport(), Qt::LeftButton);
        QTest::keyClick(w.Memo1, Qt::Key_End);
        type(w.Memo1, text);
    }
    static QString shown(TMIForms& w, int row, int column)
    {
        const QTableWidgetItem* item = w.StringGrid1->item(row, column);
        return item ? item->text() : QString();
    }
    static QStringList column(TMIForms& w, int c)
    {
        QStringList out;
        for (int r = 0; r < w.StringGrid1->rowCount(); ++r)
            out << shown(w, r, c);
        return out;
    }
};

TEST_F(FormulaGrid, OpensWithTitlesFormulasAndIdentifiers)
{
    TMIForms w(term, u("Заболеваемость"));
    w.show();
    EXPECT_EQ(w.StringGrid1->rowCount(), 5);
    EXPECT_EQ(w.StringGrid1->columnCount(), 3);
    EXPECT_EQ(column(w, 0), (QStringList{u("Угол"), u("Р1"), u("Р2"), u("Р3"), u("Р4")}));
    EXPECT_EQ(shown(w, 0, 2), u("Г:2"));   // the stored character 3 shows as ":"
    EXPECT_EQ(shown(w, 3, 2), u("А32"));
    EXPECT_EQ(w.StringGrid1->columnWidth(0), 120);
    EXPECT_EQ(w.StringGrid1->columnWidth(2), 70);
    EXPECT_EQ(w.StringGrid1->rowHeight(0), 30);
    ASSERT_EQ(w.ListBox1->count(), 2);
    EXPECT_EQ(w.ListBox1->item(1)->text(), u("И1 = Ф12СТР1ГР1"));

    // Clicks and arrows choose what the field shows.
    clickCell(w, 2, 1);
    EXPECT_EQ(w.Memo1->toPlainText(), u("А21"));
    QTest::keyClick(w.StringGrid1, Qt::Key_Down);
    EXPECT_EQ(w.Memo1->toPlainText(), u("А31"));
    QTest::keyClick(w.StringGrid1, Qt::Key_Right);
    EXPECT_EQ(w.Memo1->toPlainText(), u("А32"));
    clickItem(w, 0);
    EXPECT_EQ(w.Memo1->toPlainText(), u("И0 = Ф12СТР1ГР0"));
    EXPECT_TRUE(w.StringGrid1->selectedItems().isEmpty());   // only what the field edits is marked
    // Back in the grid the field edits the grid's cell again, not the identifier it showed.
    clickCell(w, 3, 2);
    EXPECT_EQ(w.Memo1->toPlainText(), u("А32"));
    EXPECT_EQ(w.ListBox1->currentItem(), nullptr);
    EXPECT_EQ(w.StringGrid1->selectedItems().size(), 1);
}

TEST_F(FormulaGrid, AFormulaIsStoredWithoutBlanksAndReadBack)
{
    {
        TMIForms w(term, u("Заболеваемость"));
        w.show();
        clickCell(w, 2, 2);
        typeAndStore(w, u("Ф12 Т(1000) СТР1 ГР3 / НАСЕЛЕНИЕ0 * 1000 ;‰"));
        EXPECT_EQ(shown(w, 2, 2), u("Ф12Т(1000)СТР1ГР3/НАСЕЛЕНИЕ0*1000;‰"));
        EXPECT_EQ(w.Memo1->toPlainText(), u("Ф12Т(1000)СТР1ГР3/НАСЕЛЕНИЕ0*1000;‰"));
        // A cell without a formula gets one; a line break typed into a formula is dropped.
        w.action(u("N3"))->trigger();
        clickCell(w, 1, 3);
        typeAndStore(w, u("Ф30\nСТР1ГР3:1"));
        QTest::keyClick(&w, Qt::Key_Escape);
        EXPECT_FALSE(w.isVisible());
    }
    EXPECT_EQ(formulaColumn(2), (QStringList{u("1:А12"), u("2:Ф12Т(1000)СТР1ГР3/НАСЕЛЕНИЕ0*1000;‰"), u("3:А32"),
                                             u("4:А42")}));
    EXPECT_EQ(formulaColumn(3), QStringList{u("1:Ф30СТР1ГР3") + QChar(3) + u("1")});
    TMIForms again(term, u("Заболеваемость"));
    again.show();
    clickCell(again, 2, 2);
    EXPECT_EQ(again.Memo1->toPlainText(), u("Ф12Т(1000)СТР1ГР3/НАСЕЛЕНИЕ0*1000;‰"));
}

TEST_F(FormulaGrid, TypingLeftWithoutOkIsStoredForItsOwnCell)
{
    TMIForms w(term, u("Заболеваемость"));
    w.show();
    // Left for another cell, for an identifier, and before the rows move.
    clickCell(w, 3, 1);
    typeAtEnd(w, u("+1"));
    clickCell(w, 4, 1);
    EXPECT_EQ(w.Memo1->toPlainText(), u("А41"));
    typeAtEnd(w, u("+2"));
    clickItem(w, 0);
    EXPECT_EQ(w.Memo1->toPlainText(), u("И0 = Ф12СТР1ГР0"));
    clickCell(w, 2, 2);
    typeAtEnd(w, u("+3"));
    w.action(u("N6"))->trigger();   // row 2 goes, with its formula just stored
    EXPECT_EQ(formulaColumn(1), (QStringList{u("1:А11"), u("2:А31+1"), u("3:А41+2")}));
    EXPECT_EQ(formulaColumn(2), (QStringList{u("1:А12"), u("2:А32"), u("3:А42")}));
    EXPECT_EQ(shown(w, 2, 1), u("А31+1"));
    // Closing stores what was typed last, as the table grid does.
    clickCell(w, 1, 2);
    typeAtEnd(w, u("*2"));
    QTest::keyClick(w.Memo1, Qt::Key_Escape);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(formulaColumn(2).first(), u("1:А12*2"));
}

TEST_F(FormulaGrid, TitlesAndTheCornerAreStoredInTheirTables)
{
    TMIForms w(term, u("Заболеваемость"));
    w.show();
    clickCell(w, 3, 0);
    typeAndStore(w, u("Итого: всего\nв том числе"));
    EXPECT_EQ(shown(w, 3, 0), u("Итого: всего\nв том числе"));
    clickCell(w, 0, 1);
    typeAndStore(w, u("Случаи"));
    clickCell(w, 0, 0);
    typeAndStore(w, u("Показатель"));
    EXPECT_EQ(rows(R"(select "row","title" from "row_titles" where "term"=? order by "row")"),
              (QStringList{u("0:Показатель"), u("1:Р1"), u("2:Р2"),
                           u("3:Итого") + QChar(3) + u(" всего\r\nв том числе"), u("4:Р4")}));
    EXPECT_EQ(rows(R"(select "column","title" from "col_titles" where "term"=? order by "column")"),
              (QStringList{u("0:Показатель"), u("1:Случаи"), u("2:Г") + QChar(3) + u("2")}));
    // An emptied title is kept as a blank.
    clickCell(w, 0, 2);
    typeAndStore(w, QString());
    EXPECT_EQ(rows(R"(select "column","title" from "col_titles" where "term"=? and "column"=2)"),
              QStringList{u("2: ")});
    // Reopened, the title reads with its colon and its line break.
    TMIForms again(term, u("Заболеваемость"));
    again.show();
    clickCell(again, 3, 0);
    EXPECT_EQ(again.Memo1->toPlainText(), u("Итого: всего\nв том числе"));
}

TEST_F(FormulaGrid, RowsAreAddedAndDeletedAndTheIdentifiersStay)
{
    TMIForms w(term, u("Заболеваемость"));
    w.show();
    clickCell(w, 2, 1);
    w.action(u("N10"))->trigger();   // before the current row 2
    EXPECT_EQ(w.StringGrid1->rowCount(), 6);
    EXPECT_EQ(column(w, 0), (QStringList{u("Угол"), u("Р1"), QString(), u("Р2"), u("Р3"), u("Р4")}));
    EXPECT_EQ(w.StringGrid1->currentRow(), 2);
    EXPECT_EQ(w.Memo1->toPlainText(), QString());
    EXPECT_EQ(formulaColumn(1), (QStringList{u("1:А11"), u("3:А21"), u("4:А31"), u("5:А41")}));
    w.action(u("N2"))->trigger();    // at the end
    EXPECT_EQ(shown(w, 6, 0), u("Новая строка"));
    EXPECT_EQ(rows(R"(select "row","title" from "row_titles" where "term"=? order by "row")"),
              (QStringList{u("0:Угол"), u("1:Р1"), u("3:Р2"), u("4:Р3"), u("5:Р4"), u("6:Новая строка")}));

    // Deleting row 3 (Р2) moves the rows below up in the grid and in the dictionary.
    clickCell(w, 3, 2);
    w.action(u("N6"))->trigger();
    EXPECT_EQ(column(w, 0), (QStringList{u("Угол"), u("Р1"), QString(), u("Р3"), u("Р4"), u("Новая строка")}));
    EXPECT_EQ(column(w, 2), (QStringList{u("Г:2"), u("А12"), QString(), u("А32"), u("А42"), QString()}));
    EXPECT_EQ(formulaColumn(2), (QStringList{u("1:А12"), u("3:А32"), u("4:А42")}));
    EXPECT_EQ(formulaColumn(-1), (QStringList{u("0:И0 = Ф12СТР1ГР0"), u("1:И1 = Ф12СТР1ГР1")}));

    // The titles row cannot go; inserting before it is off.
    clickCell(w, 0, 1);
    EXPECT_FALSE(w.action(u("N10"))->isEnabled());
    prompts.expectError(u("Нельзя удалить заголовки столбцов!"));
    w.action(u("N6"))->trigger();
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_EQ(w.StringGrid1->rowCount(), 6);
}

TEST_F(FormulaGrid, ColumnsAreAddedAndDeleted)
{
    TMIForms w(term, u("Заболеваемость"));
    w.show();
    clickCell(w, 1, 2);
    w.action(u("N16"))->trigger();   // before the current column 2
    EXPECT_EQ(w.StringGrid1->columnCount(), 4);
    EXPECT_EQ(shown(w, 0, 3), u("Г:2"));
    EXPECT_EQ(shown(w, 1, 2), QString());
    w.action(u("N3"))->trigger();    // at the end
    EXPECT_EQ(shown(w, 0, 4), u("Новая графа"));
    EXPECT_EQ(w.StringGrid1->columnWidth(4), 64);
    EXPECT_EQ(rows(R"(select "column","title"||'/'||"width" from "col_titles" where "term"=? order by "column")"),
              (QStringList{u("0:Угол/120"), u("1:Г1/64"), u("3:Г") + QChar(3) + u("2/70"), u("4:Новая графа/64")}));
    EXPECT_EQ(formulaColumn(3), (QStringList{u("1:А12"), u("2:А22"), u("3:А32"), u("4:А42")}));

    clickCell(w, 2, 1);
    w.action(u("N7"))->trigger();
    EXPECT_EQ(w.StringGrid1->columnCount(), 4);
    EXPECT_EQ(formulaColumn(2), (QStringList{u("1:А12"), u("2:А22"), u("3:А32"), u("4:А42")}));
    EXPECT_EQ(formulaColumn(-1).size(), 2);
    clickCell(w, 2, 0);
    prompts.expectError(u("Нельзя удалить заголовки строк!"));
    w.action(u("N7"))->trigger();
    EXPECT_EQ(prompts.remaining(), 0);
}

TEST_F(FormulaGrid, IdentifiersAreAddedEditedAndDeleted)
{
    TMIForms w(term, u("Заболеваемость"));
    w.show();
    EXPECT_FALSE(w.action(u("N8"))->isEnabled());   // no identifier chosen
    w.action(u("N4"))->trigger();
    ASSERT_EQ(w.ListBox1->count(), 3);
    EXPECT_EQ(w.Memo1->toPlainText(), u("Неопределенный идентификатор"));
    EXPECT_EQ(formulaColumn(-1).last(), u("2:Неопределенный идентификатор"));
    typeAndStore(w, u("ВИЗИТЫ = И0 + Ф30Т[2100]СТР5ГР3"));
    EXPECT_EQ(w.ListBox1->item(2)->text(), u("ВИЗИТЫ = И0 + Ф30Т[2100]СТР5ГР3"));
    EXPECT_EQ(formulaColumn(-1).last(), u("2:ВИЗИТЫ = И0 + Ф30Т[2100]СТР5ГР3"));
    // The grid's cells kept their formulas.
    EXPECT_EQ(formulaColumn(1).size(), 4);

    clickItem(w, 0);
    w.action(u("N8"))->trigger();
    EXPECT_EQ(w.ListBox1->count(), 2);
    EXPECT_EQ(formulaColumn(-1), (QStringList{u("1:И1 = Ф12СТР1ГР1"), u("2:ВИЗИТЫ = И0 + Ф30Т[2100]СТР5ГР3")}));
}

TEST_F(FormulaGrid, SizesAreSwitchedSavedAndSetToTheStandard)
{
    TMIForms w(term, u("Заболеваемость"));
    w.show();
    QAction* toggle = w.action(u("N14"));
    EXPECT_EQ(caption(toggle), u("Включить"));
    EXPECT_FALSE(w.StringGrid1->horizontalHeader()->isVisible());
    toggle->trigger();
    EXPECT_EQ(caption(toggle), u("Выключить"));
    EXPECT_TRUE(toggle->isChecked());
    QHeaderView* header = w.StringGrid1->horizontalHeader();
    ASSERT_TRUE(header->isVisible());
    // Numbered as the dictionary numbers them, the titles unnumbered, also after a change.
    w.action(u("N2"))->trigger();
    EXPECT_EQ(w.StringGrid1->horizontalHeaderItem(0)->text(), QString());
    EXPECT_EQ(w.StringGrid1->horizontalHeaderItem(2)->text(), u("2"));
    EXPECT_EQ(w.StringGrid1->verticalHeaderItem(5)->text(), u("5"));
    clickCell(w, 5, 1);
    w.action(u("N6"))->trigger();

    // Dragging column 1's right border 30 pixels wider.
    const int border = header->sectionViewportPosition(1) + header->sectionSize(1) - 1;
    const int y = header->height() / 2;
    QTest::mousePress(header->viewport(), Qt::LeftButton, {}, QPoint(border, y));
    QTest::mouseMove(header->viewport(), QPoint(border + 15, y));
    QTest::mouseMove(header->viewport(), QPoint(border + 30, y));
    QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, QPoint(border + 30, y));
    EXPECT_EQ(w.StringGrid1->columnWidth(1), 94);
    w.StringGrid1->verticalHeader()->resizeSection(2, 44);
    w.action(u("N15"))->trigger();
    EXPECT_EQ(rows(R"(select "column","width" from "col_titles" where "term"=? order by "column")"),
              (QStringList{u("0:120"), u("1:94"), u("2:70")}));
    EXPECT_EQ(rows(R"(select "row","height" from "row_titles" where "term"=? order by "row")"),
              (QStringList{u("0:30"), u("1:20"), u("2:44"), u("3:20"), u("4:20")}));

    toggle->trigger();
    EXPECT_EQ(caption(toggle), u("Включить"));
    EXPECT_FALSE(w.StringGrid1->horizontalHeader()->isVisible());

    w.action(u("N9"))->trigger();
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(w.StringGrid1->columnWidth(c), 64);
    for (int r = 0; r < 5; ++r)
        EXPECT_EQ(w.StringGrid1->rowHeight(r), 20);
    EXPECT_EQ(rows(R"(select "column","width" from "col_titles" where "term"=? order by "column")"),
              (QStringList{u("0:64"), u("1:64"), u("2:64")}));
    EXPECT_EQ(rows(R"(select "row","height" from "row_titles" where "term"=? order by "row")"),
              (QStringList{u("0:20"), u("1:20"), u("2:20"), u("3:20"), u("4:20")}));
}

TEST_F(FormulaGrid, SavingSizesStoresAMissingCornerAsABlank)
{
    year.dictionary().exec(u(R"(delete from "row_titles" where "row"=0)"));
    year.dictionary().exec(u(R"(delete from "col_titles" where "column"=0)"));
    TMIForms w(term, u("Заболеваемость"));
    w.show();
    EXPECT_EQ(shown(w, 0, 0), QString());
    w.action(u("N15"))->trigger();
    EXPECT_EQ(shown(w, 0, 0), u(" "));
    EXPECT_EQ(rows(R"(select "title","width" from "col_titles" where "term"=? and "column"=0)"),
              QStringList{u(" :64")});
    EXPECT_EQ(rows(R"(select "title","height" from "row_titles" where "term"=? and "row"=0)"),
              QStringList{u(" :20")});
}

TEST_F(FormulaGrid, ReplaceWorksOverTheTableTheColumnOrTheRow)
{
    struct Case {
        const char* scope;   // т, г or с
        QStringList column1, column2;
    };
    const Case cases[] = {
        {"т", {u("1:ББ11"), u("2:ББ21"), u("3:ББ31"), u("4:ББ41")}, {u("1:ББ12"), u("2:ББ22"), u("3:ББ32"), u("4:ББ42")}},
        {"г", {u("1:А11"), u("2:А21"), u("3:А31"), u("4:А41")}, {u("1:ББ12"), u("2:ББ22"), u("3:ББ32"), u("4:ББ42")}},
        {"с", {u("1:А11"), u("2:А21"), u("3:ББ31"), u("4:А41")}, {u("1:А12"), u("2:А22"), u("3:ББ32"), u("4:А42")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scope);
        year.dictionary().exec(u(R"(update "formulas" set "formula"='А'||"row"||"column" where "column">0)"));
        TMIForms w(term, u("Заболеваемость"));
        w.show();
        clickCell(w, 3, 2);
        QRadioButton* scope = c.scope == std::string("т") ? w.RadioTable
                              : c.scope == std::string("г") ? w.RadioColumn
                                                            : w.RadioRow;
        QTest::mouseClick(scope, Qt::LeftButton, {}, QPoint(6, scope->height() / 2));
        ASSERT_TRUE(scope->isChecked());
        QTest::mouseClick(w.Edit2, Qt::LeftButton);
        type(w.Edit2, u("а"));   // letter case ignored
        QTest::mouseClick(w.Edit4, Qt::LeftButton);
        type(w.Edit4, u("ББ"));
        QTest::mouseClick(w.BitBtn3, Qt::LeftButton);
        EXPECT_EQ(formulaColumn(1), c.column1);
        EXPECT_EQ(formulaColumn(2), c.column2);
        // The grid and the field show what was stored; the identifiers stay.
        EXPECT_EQ(shown(w, 3, 2), u("ББ32"));
        EXPECT_EQ(w.Memo1->toPlainText(), u("ББ32"));
        EXPECT_EQ(formulaColumn(-1), (QStringList{u("0:И0 = Ф12СТР1ГР0"), u("1:И1 = Ф12СТР1ГР1")}));
    }
}

TEST_F(FormulaGrid, ReplaceRefusesAnEmptySearchAndEndsWhenTheReplacementHoldsIt)
{
    TMIForms w(term, u("Заболеваемость"));
    w.show();
    clickCell(w, 1, 1);
    prompts.expectError(u("Не указан текст, который нужно заменить."));
    QTest::mouseClick(w.BitBtn3, Qt::LeftButton);
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_EQ(formulaColumn(1).first(), u("1:А11"));
    w.Edit2->setText(u("А"));
    w.Edit4->setText(u("АА"));
    QTest::mouseClick(w.BitBtn3, Qt::LeftButton);
    EXPECT_EQ(formulaColumn(1).first(), u("1:АА11"));
    EXPECT_EQ(shown(w, 1, 1), u("АА11"));
}

// A formula the statistics view could not read is stored only after "Да": typed with "Ok", left
// for another cell, as an identifier, and made by a replacement.
TEST_F(FormulaGrid, AFormulaThatDoesNotReadIsStoredOnlyAfterYes)
{
    const QString broken = u("Ф12Т(3000)СТР1ГР4/(");
    const QString question = u("Формула не читается: нарушен баланс скобок.\nСохранить формулу как есть?");
    TMIForms w(term, u("Заболеваемость"));
    w.show();
    clickCell(w, 1, 1);
    prompts.expectQuestion(false, question);
    typeAndStore(w, broken);
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_EQ(formulaColumn(1).first(), u("1:А11"));
    EXPECT_EQ(shown(w, 1, 1), u("А11"));
    EXPECT_EQ(w.Memo1->toPlainText(), broken);   // left to be mended
    // Leaving the cell asks again; "Нет" leaves the formula as it was.
    prompts.expectQuestion(false, question);
    clickCell(w, 2, 1);
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_EQ(formulaColumn(1).mid(0, 2), (QStringList{u("1:А11"), u("2:А21")}));
    EXPECT_EQ(w.Memo1->toPlainText(), u("А21"));
    // "Да" stores it as typed.
    prompts.expectQuestion(true, question);
    typeAndStore(w, broken);
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_EQ(formulaColumn(1).at(1), u("2:") + broken);
    EXPECT_EQ(shown(w, 2, 1), broken);
    // A formula that reads is stored without a word, whatever names it uses.
    clickCell(w, 3, 1);
    typeAndStore(w, u("(Ф12Т(3000)СТР1ГР4+НЕТ)/2;(‰"));
    EXPECT_EQ(formulaColumn(1).at(2), u("3:(Ф12Т(3000)СТР1ГР4+НЕТ)/2;(‰"));

    // An identifier without its "=", then one whose formula does not read.
    clickItem(w, 0);
    prompts.expectQuestion(false, u("Идентификатор не читается: нет знака «=» между именем и формулой.\n"
                                    "Сохранить идентификатор как есть?"));
    typeAndStore(w, u("ИТОГ Ф12СТР1ГР1"));
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_EQ(w.ListBox1->item(0)->text(), u("И0 = Ф12СТР1ГР0"));
    prompts.expectQuestion(true, u("Формула не читается: после «*» нет числа, ссылки или имени.\n"
                                   "Сохранить идентификатор как есть?"));
    typeAndStore(w, u("ИТОГ = Ф12СТР1ГР1*"));
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_EQ(formulaColumn(-1).first(), u("0:ИТОГ = Ф12СТР1ГР1*"));

    // A replacement that breaks formulas names them and is made only after "Да".
    w.Edit2->setText(u("А4"));
    w.Edit4->setText(u("(А4"));
    const QString replaced = u("После замены не будут читаться формулы:\n"
                               "строка 4, графа 1: Формула не читается: нарушен баланс скобок\n"
                               "строка 4, графа 2: Формула не читается: нарушен баланс скобок\nЗаменить?");
    prompts.expectQuestion(false, replaced);
    QTest::mouseClick(w.BitBtn3, Qt::LeftButton);
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_EQ(formulaColumn(1).at(3), u("4:А41"));
    EXPECT_EQ(shown(w, 4, 2), u("А42"));
    prompts.expectQuestion(true, replaced);
    QTest::mouseClick(w.BitBtn3, Qt::LeftButton);
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_EQ(formulaColumn(2).at(3), u("4:(А42"));
    EXPECT_EQ(shown(w, 4, 2), u("(А42"));
}

TEST_F(FormulaGrid, AFailedSaveKeepsTheWindowAsItWasAndSaysSo)
{
    Database& db = year.dictionary();
    for (const char* table : {"formulas", "row_titles", "col_titles"})
        for (const char* event : {"insert", "update", "delete"})
            db.exec(u(R"(create trigger "no_%1_%2" before %2 on "%1" begin select raise(abort,'forced'); end;)")
                        .arg(u(table), u(event)));
    TMIForms w(term, u("Заболеваемость"));
    w.show();
    clickCell(w, 2, 1);
    prompts.expectError(u("Формула не сохранена."));
    typeAndStore(w, u("Б+1"));
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_EQ(shown(w, 2, 1), u("А21"));
    EXPECT_EQ(w.Memo1->toPlainText(), u("Б+1"));   // what was typed is not lost

    clickCell(w, 0, 0);
    prompts.expectError(u("Заголовок не сохранен."));
    typeAndStore(w, u("Новый угол"));
    EXPECT_EQ(shown(w, 0, 0), u("Угол"));

    clickCell(w, 2, 1);
    prompts.expectError(u("Строка не удалена.")).expectError(u("Строка не добавлена."))
        .expectError(u("Графа не удалена.")).expectError(u("Графа не добавлена."))
        .expectError(u("Идентификатор не добавлен.")).expectError(u("Размеры не сохранены."))
        .expectError(u("Размеры не сохранены.")).expectError(u("Формулы не изменены."));
    w.action(u("N6"))->trigger();
    w.action(u("N2"))->trigger();
    w.action(u("N7"))->trigger();
    w.action(u("N3"))->trigger();
    w.action(u("N4"))->trigger();
    w.StringGrid1->setColumnWidth(1, 99);
    w.action(u("N15"))->trigger();
    w.action(u("N9"))->trigger();
    w.Edit2->setText(u("А"));
    w.Edit4->setText(u("Б"));
    QTest::mouseClick(w.BitBtn3, Qt::LeftButton);
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_EQ(w.StringGrid1->rowCount(), 5);
    EXPECT_EQ(w.StringGrid1->columnCount(), 3);
    EXPECT_EQ(w.ListBox1->count(), 2);
    EXPECT_EQ(w.StringGrid1->columnWidth(1), 99);
    EXPECT_EQ(shown(w, 2, 1), u("А21"));

    clickItem(w, 0);
    prompts.expectError(u("Идентификатор не удален.")).expectError(u("Идентификатор не сохранен."));
    w.action(u("N8"))->trigger();
    typeAndStore(w, u("Х=1"));
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_EQ(w.ListBox1->item(0)->text(), u("И0 = Ф12СТР1ГР0"));
    EXPECT_EQ(formulaColumn(-1).size(), 2);
}

TEST_F(FormulaGrid, ASetThatCannotBeReadIsNotWrittenInto)
{
    year.dictionary().exec(u(R"(insert into "row_titles" values (?,5000,'Далеко',20))"), {term});
    prompts.expectError(u("больше 1000 строк или граф"));
    TMIForms w(term, u("Заболеваемость"));
    EXPECT_EQ(prompts.remaining(), 0);
    w.show();
    for (const char* name : {"N10", "N2", "N16", "N3", "N4", "N6", "N7", "N8", "N14", "N15", "N9"})
        EXPECT_FALSE(w.action(u(name))->isEnabled()) << name;
    EXPECT_TRUE(w.action(u("N12"))->isEnabled());
    EXPECT_FALSE(w.BitBtn1->isEnabled());
    EXPECT_FALSE(w.BitBtn3->isEnabled());
}

TEST_F(FormulaGrid, TheTreeOpensTheGridOfTheChosenSet)
{
    Database& db = year.dictionary();
    db.exec(u(R"(insert into "tree" ("part","depend") values ('Дети',?))"), {term});
    GetTree(db);
    TMISetup tree(TMISetup::Use::Setup);
    tree.show();
    QAction* parts = tree.action(u("Состав"));
    ASSERT_NE(parts, nullptr);
    EXPECT_TRUE(parts->isVisible());
    EXPECT_FALSE(parts->isEnabled());   // no set chosen yet
    QTreeWidgetItem* top = tree.tree()->topLevelItem(0);
    ASSERT_NE(top, nullptr);

    auto expectGrid = [&](const char* name, int rowsShown) {
        prompts.expectModal(u("TMIForms"), [=](QDialog& dialog) {
            auto* grid = dynamic_cast<TMIForms*>(&dialog);
            EXPECT_NE(grid, nullptr);
            if (grid) {
                EXPECT_EQ(grid->Label1->text(), u(name));
                EXPECT_EQ(grid->StringGrid1->rowCount(), rowsShown);
            }
            return int(QDialog::Rejected);
        });
    };
    // A double click on a set opens its grid.
    expectGrid("Заболеваемость", 5);
    const QRect rect = tree.tree()->visualItemRect(top);
    QTest::mouseClick(tree.tree()->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(tree.tree()->viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_EQ(CurrentTerm, term);

    // Enter on the sub-set, and the menu: an empty set still offers a cell to start with.
    top->setExpanded(true);
    tree.tree()->setCurrentItem(top->child(0));
    expectGrid("Дети", 2);
    QTest::keyClick(tree.tree(), Qt::Key_Return);
    expectGrid("Дети", 2);
    parts->trigger();
    EXPECT_EQ(prompts.remaining(), 0);
    CurrentTerm = 0;
}

} // namespace
