// The grid's clearing, recalculation, keys, fraction flag, check sums and header cell editing,
// driven through the window by keys, clicks and its menu items.

#include "entry/ShowTable.h"

#include "Captions.h"
#include "OpenGrid.h"
#include "PrintTo.h"
#include "SampleYear.h"
#include "ScriptedPrompts.h"
#include "YearFixture.h"
#include "core/Common.h"
#include "core/StructureCache.h"
#include "entry/FormsRecalc.h"
#include "entry/FrmList.h"
#include "entry/GridModel.h"
#include "entry/TabTitle.h"
#include "platform/Database.h"
#include "sample/SampleConfiguration.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

QWidget* gridOf(TVTable& w)
{
    return w.findChild<QWidget*>(QStringLiteral("StringGrid1"));
}

// Shown and active, as the user has it: the window's keys are its shortcuts, and those work
// only in the active window.
void showActive(TVTable& w)
{
    w.show();
    w.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
}

QWidget* viewportOf(TVTable& w)
{
    return w.StringGrid1->viewport();
}

// A header cell's rectangle in the viewport, the grid scrolled to its start.
QRect headerRect(TVTable& w, int index)
{
    const GridModel& m = w.model();
    const PlacedHeader& h = m.headers().at(index);
    const GridGeometry& g = m.geometry();
    switch (h.panel) {
    case HeaderPanel::Corner: return h.rect;
    case HeaderPanel::ColumnHeaders: return h.rect.translated(g.headerWidth(), 0);
    case HeaderPanel::RowHeaders: return h.rect.translated(0, g.headerHeight());
    }
    return {};
}

// The placed header of the title at (column, row).
int headerIndex(TVTable& w, int column, int row)
{
    const QList<PlacedHeader>& headers = w.model().headers();
    for (qsizetype i = 0; i < headers.size(); ++i)
        if (headers[i].cell.column == column && headers[i].cell.row == row)
            return int(i);
    return -1;
}

void doubleClickHeader(TVTable& w, int index)
{
    QTest::mouseDClick(viewportOf(w), Qt::LeftButton, {}, headerRect(w, index).center());
}

// The bounding box of the dark pixels inside a rectangle of the grid's picture.
QRect inkIn(TVTable& w, const QRect& r)
{
    const QImage image = w.StringGrid1->viewport()->grab().toImage();
    QRect ink;
    for (int y = r.top() + 1; y < r.bottom(); ++y)
        for (int x = r.left() + 1; x < r.right(); ++x)
            if (qGray(image.pixel(x, y)) < 128)
                ink |= QRect(x, y, 1, 1);
    return ink;
}

} // namespace

// Table (1000) of Ф12, 6 x 5 layout with two header columns and rows: a grid of 4 x 3 whose
// cell (0, 0) is Графа 3, Строка 1, stored at column 4, row 4. Institutions inst and other.
class GridCommands : public ::testing::Test {
protected:
    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025, YearFixture::InstallAliases};
    int form = year.addForm(QStringLiteral("Ф12"), QStringLiteral("Заболеваемость"));
    int table = year.addTable(form, QStringLiteral("(1000)"), QStringLiteral("Взрослые"), 6, 5, 2, 2);
    int second = year.addTable(form, QStringLiteral("(2000)"), QStringLiteral("Дети"), 6, 5, 2, 2);
    int inst = year.addInstitution(QStringLiteral("ЦРБ"));
    int other = year.addInstitution(QStringLiteral("ФАП"));
    ScriptedPrompts prompts;

    void SetUp() override
    {
        year.addPlainTitles(table);
        year.addPlainTitles(second);
        refreshStructureCaches(year.dictionary());
        WorkMode = QStringLiteral("Input");
        DataTablePrefix = QStringLiteral("Data");
        ReportYear = 2025;
        CurrentInstitutionId = inst;
        openGrid(form, QStringLiteral("Ф12"), QStringLiteral("(1000)"));
    }
    QList<StoredCell> stored(int owner, int t) { return year.storedCells(owner, t); }
    int floatTypeStored()
    {
        return year.dictionary()
            .scalar(QStringLiteral(R"(select "floattype" from "tables" where "ident"=?)"), {table})
            .toInt();
    }
    int floatTypeCached()
    {
        for (const TableShape& t : TableInfo)
            if (t.ident == table)
                return t.floattype;
        return -1;
    }
};

// --- clearing ---------------------------------------------------------------------------------

TEST_F(GridCommands, ClearingDeletesOnlyTheOwnersTableOfTheYearAndNoKeepsAll)
{
    year.setEntered(inst, table, 3, 1, 8);
    year.setEntered(inst, table, 4, 2, 9);
    year.setEntered(inst, second, 3, 1, 1);
    year.setEntered(other, table, 3, 1, 2);
    year.data().exec(QStringLiteral(R"(insert into "data" values (?, 5, 2024, ?, 4, 4))"), {inst, table});
    TVTable window;
    showActive(window);
    ASSERT_TRUE(window.N5->isEnabled());
    QTest::keyClicks(gridOf(window), QStringLiteral("\b7"));   // typed, not yet saved

    prompts.expectQuestion(false, QStringLiteral("Удалить содержимое таблицы?"));
    window.N5->trigger();
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_EQ(stored(inst, table), (QList<StoredCell>{{4, 4, 8}, {5, 5, 9}}));
    EXPECT_EQ(window.model().value(1, 1), 9);

    prompts.expectQuestion(true, QStringLiteral("Удалить содержимое таблицы?"));
    window.N5->trigger();
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_TRUE(stored(inst, table).isEmpty());
    EXPECT_EQ(stored(inst, second), (QList<StoredCell>{{4, 4, 1}}));
    EXPECT_EQ(stored(other, table), (QList<StoredCell>{{4, 4, 2}}));
    EXPECT_EQ(year.data().scalar(QStringLiteral(R"(select count(*) from "data" where "year"=2024)")).toInt(), 1);
    // The grid shows the empty table, and the typing that was under way is gone with it.
    EXPECT_EQ(window.model().value(1, 1), 0);
    EXPECT_EQ(window.model().entry().text(), QString());
    QTest::keyClick(gridOf(window), Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(stored(inst, table).isEmpty());
}

TEST_F(GridCommands, AFailedClearingSaysSoAndKeepsTheValues)
{
    year.setEntered(inst, table, 3, 1, 8);
    TVTable window;
    showActive(window);
    year.data().exec(QStringLiteral(
        R"(create trigger f before delete on "data" begin select raise(abort,'forced'); end;)"));
    prompts.expectQuestion(true, QStringLiteral("Удалить содержимое таблицы?"))
        .expectError(QStringLiteral("Таблица не очищена"));
    window.N5->trigger();
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_EQ(stored(inst, table), (QList<StoredCell>{{4, 4, 8}}));
    EXPECT_EQ(window.model().value(0, 0), 8);
}

// --- keys ---------------------------------------------------------------------------------------

// F4 commits the cell being typed, then tells the sum of the stored values, rows before
// columns: 2 (Строка 1, Графа 4), 3 (Строка 2, Графа 3), 5 (Строка 2, Графа 4), worked out by
// hand as 1110712741. In a grid of sums it is disabled and the key asks nothing.
TEST_F(GridCommands, F4TellsTheStoredTablesSumAndIsDisabledInAReadOnlyGrid)
{
    year.setEntered(inst, table, 4, 1, 2);
    year.setEntered(inst, table, 3, 2, 3);
    year.setEntered(other, table, 3, 1, 100);
    {
        TVTable window;
        showActive(window);
        QWidget* grid = gridOf(window);
        window.model().moveTo(1, 1);
        QTest::keyClicks(grid, QStringLiteral("5"));
        prompts.expectMessage(QStringLiteral("1110712741"));
        QTest::keyClick(grid, Qt::Key_F4);
        EXPECT_EQ(prompts.remaining(), 0);
        EXPECT_EQ(prompts.log().back(), QStringLiteral("message: 1110712741"));
        EXPECT_EQ(stored(inst, table), (QList<StoredCell>{{4, 5, 3}, {5, 4, 2}, {5, 5, 5}}));
        QTest::keyClick(grid, Qt::Key_Escape);
    }
    WorkMode = QStringLiteral("Types");
    DataTablePrefix = QStringLiteral("data");
    InstitutionIdList = QStringLiteral("%1,%2").arg(inst).arg(other);
    TVTable sums;
    showActive(sums);
    EXPECT_FALSE(sums.ChecksumKey->isEnabled());
    EXPECT_FALSE(sums.N5->isEnabled());
    QTest::keyClick(gridOf(sums), Qt::Key_F4);   // any prompt would fail the test
    EXPECT_EQ(prompts.remaining(), 0);
}

TEST_F(GridCommands, AnEmptyTablesSumIsZero)
{
    TVTable window;
    showActive(window);
    prompts.expectMessage();
    QTest::keyClick(gridOf(window), Qt::Key_F4);
    ASSERT_FALSE(prompts.log().isEmpty());
    EXPECT_EQ(prompts.log().back(), QStringLiteral("message: 0"));
}

// F8 shows and hides "Контрольная сумма"; its items fold the values of the focused column or
// row that are not 0.
TEST_F(GridCommands, F8ShowsTheChecksumMenuWhoseSumsFoldTheShownValues)
{
    year.setEntered(inst, table, 4, 2, 1);
    TVTable window;
    showActive(window);
    QWidget* grid = gridOf(window);
    EXPECT_FALSE(window.N43->menuAction()->isVisible());
    QTest::keyClick(grid, Qt::Key_F8);
    EXPECT_TRUE(window.N43->menuAction()->isVisible());
    EXPECT_EQ(caption(window.N43->title()), QStringLiteral("Контрольная сумма"));
    EXPECT_EQ(caption(window.N44), QStringLiteral("по графе"));
    EXPECT_EQ(caption(window.N45), QStringLiteral("по строке"));

    const struct {
        const char* what;
        int c, r;
        QAction* item;
        const char* sum;
    } cases[] = {
        {"column of zeros", 0, 0, window.N44, "5381"},
        {"row of zeros", 0, 0, window.N45, "5381"},
        {"column with a single 1", 1, 0, window.N44, "1065530789"},
        {"row with a single 1", 0, 1, window.N45, "1065530789"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        window.model().moveTo(c.c, c.r);
        prompts.expectMessage();
        c.item->trigger();
        ASSERT_EQ(prompts.remaining(), 0);
        EXPECT_EQ(prompts.log().back(), QStringLiteral("message: ") + QString::fromLatin1(c.sum));
    }
    // A value typed into the focused cell counts as shown.
    window.model().moveTo(2, 0);
    QTest::keyClicks(grid, QStringLiteral("1"));
    prompts.expectMessage();
    window.N44->trigger();
    EXPECT_EQ(prompts.log().back(), QStringLiteral("message: 1065530789"));

    QTest::keyClick(grid, Qt::Key_F8);
    EXPECT_FALSE(window.N43->menuAction()->isVisible());
}

// Values that a single cannot tell apart give the same column sum.
TEST_F(GridCommands, ValuesThatDifferBeyondSinglePrecisionSumAlike)
{
    year.dictionary().exec(QStringLiteral(R"(update "tables" set "floattype"=1 where "ident"=?)"), {table});
    refreshStructureCaches(year.dictionary());
    year.setEntered(inst, table, 3, 1, 0.1);
    year.setEntered(inst, table, 4, 1, 0.1000000001);
    TVTable window;
    showActive(window);
    QStringList sums;
    for (int c : {0, 1}) {
        window.model().moveTo(c, 0);
        prompts.expectMessage();
        window.N44->trigger();
        sums.append(prompts.log().back());
    }
    EXPECT_NE(window.model().value(0, 0), window.model().value(1, 0));
    EXPECT_EQ(sums[0], sums[1]);
    EXPECT_NE(sums[0], QStringLiteral("message: 5381"));
}

// F9 turns fractions on and off for this window only: the stored flag and the menu's ticks
// stay, and the table opens again as it is stored.
TEST_F(GridCommands, F9ChangesOnlyThisWindowsDisplay)
{
    year.setEntered(inst, table, 4, 1, 2.25);
    {
        TVTable window;
        showActive(window);
        QWidget* grid = gridOf(window);
        EXPECT_EQ(window.model().displayText(1, 0), QStringLiteral("2"));
        QTest::keyClick(grid, Qt::Key_F9);
        EXPECT_EQ(window.model().displayText(1, 0), QStringLiteral("2.25"));
        // Fractions are taken while typing now.
        QTest::keyClicks(grid, QStringLiteral("1.5"));
        QTest::keyClick(grid, Qt::Key_Down);
        EXPECT_EQ(window.model().value(0, 0), 1.5);
        EXPECT_EQ(floatTypeStored(), 0);
        EXPECT_EQ(floatTypeCached(), 0);
        EXPECT_FALSE(window.N37->isChecked());
        EXPECT_TRUE(window.N38->isChecked());
        QTest::keyClick(grid, Qt::Key_F9);
        EXPECT_EQ(window.model().displayText(1, 0), QStringLiteral("2"));
        QTest::keyClick(grid, Qt::Key_F9);
        QTest::keyClick(grid, Qt::Key_Escape);
    }
    TVTable again;
    showActive(again);
    EXPECT_EQ(again.model().displayText(1, 0), QStringLiteral("2"));
    EXPECT_FALSE(again.model().showTwoDecimals());
}

// "Да" and "Нет" store the flag in the dictionary and the tables cache; the next opening
// follows it.
TEST_F(GridCommands, YesAndNoStoreTheFractionFlagAndTheCache)
{
    year.setEntered(inst, table, 4, 1, 2.25);
    {
        TVTable window;
        showActive(window);
        ASSERT_TRUE(window.FractionMenu->menuAction()->isEnabled());
        window.N37->trigger();
        EXPECT_EQ(floatTypeStored(), 1);
        EXPECT_EQ(floatTypeCached(), 1);
        EXPECT_TRUE(window.N37->isChecked());
        EXPECT_FALSE(window.N38->isChecked());
        EXPECT_EQ(window.model().displayText(1, 0), QStringLiteral("2.25"));
        window.N37->trigger();   // "Да" again keeps it
        EXPECT_TRUE(window.N37->isChecked());
        EXPECT_EQ(floatTypeStored(), 1);
        QTest::keyClick(gridOf(window), Qt::Key_Escape);
    }
    {
        TVTable window;
        showActive(window);
        EXPECT_TRUE(window.model().showTwoDecimals());
        window.N38->trigger();
        EXPECT_EQ(floatTypeStored(), 0);
        EXPECT_EQ(floatTypeCached(), 0);
        EXPECT_FALSE(window.N37->isChecked());
        EXPECT_TRUE(window.N38->isChecked());
        EXPECT_EQ(window.model().displayText(1, 0), QStringLiteral("2"));
        QTest::keyClick(gridOf(window), Qt::Key_Escape);
    }
    // A failing write says so, and ticks, display and cache stay as they were.
    year.dictionary().exec(QStringLiteral(
        R"(create trigger f before update on "tables" begin select raise(abort,'forced'); end;)"));
    TVTable window;
    showActive(window);
    prompts.expectError(QStringLiteral("не сохранен"));
    window.N37->trigger();
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_FALSE(window.N37->isChecked());
    EXPECT_TRUE(window.N38->isChecked());
    EXPECT_EQ(floatTypeStored(), 0);
    EXPECT_EQ(floatTypeCached(), 0);
    EXPECT_FALSE(window.model().showTwoDecimals());
}

// --- the header cell editor ---------------------------------------------------------------------

// A column header edited to "a:" and "b" on two lines, bold, turned, indent 3, its font one
// this system lacks left as it is: the dictionary holds the character 3, CR LF and the size as
// they were stored, and the header is drawn the same after reopening.
TEST_F(GridCommands, AnEditedHeaderCellReadsBackAndDrawsTheSame)
{
    const QString missingFont = QStringLiteral("Kestrin Нет Такого Шрифта");
    year.dictionary().exec(QStringLiteral(R"(update "titles" set "fontname"=?, "fontsize"=9.5,
        "tchars"='TL00' where "table"=? and "column"=4 and "row"=1)"), {missingFont, table});
    year.dictionary().exec(QStringLiteral(R"(update "rows" set "height"=60 where "table"=? and "row"=1)"), {table});
    QImage edited;
    QRect place;
    {
        TVTable window;
        window.resize(800, 500);
        showActive(window);
        const int header = headerIndex(window, 4, 1);
        ASSERT_GE(header, 0);
        prompts.expectModal(QStringLiteral("TTitles"), [&](QDialog& dialog) {
            auto& editor = static_cast<TTitles&>(dialog);
            EXPECT_EQ(editor.windowTitle(), QStringLiteral("Корректировка заголовков таблицы"));
            EXPECT_EQ(editor.Memo1->toPlainText(), QStringLiteral("Графа 4"));
            EXPECT_EQ(editor.ComboBox1->currentText(), missingFont);
            EXPECT_EQ(editor.SpinEdit1->value(), 10);
            EXPECT_EQ(TTitles::itemIndex(editor.RadioGroup1), 0);
            EXPECT_EQ(TTitles::itemIndex(editor.RadioGroup2), 0);
            editor.Memo1->selectAll();
            QTest::keyClicks(editor.Memo1, QStringLiteral("a:"));
            QTest::keyClick(editor.Memo1, Qt::Key_Return);
            QTest::keyClicks(editor.Memo1, QStringLiteral("b"));
            QTest::mouseClick(editor.CheckBox1, Qt::LeftButton);
            QTest::mouseClick(editor.CheckBox3, Qt::LeftButton);
            editor.SpinEdit2->setValue(3);
            QWidget* centre = editor.findChild<QWidget*>(QStringLiteral("RadioGroup1_1"));
            QTest::mouseClick(centre, Qt::LeftButton, {}, QPoint(6, centre->height() / 2));
            QTest::mouseClick(editor.BitBtn1, Qt::LeftButton);
            return dialog.result();
        });
        doubleClickHeader(window, header);
        EXPECT_EQ(prompts.remaining(), 0);

        Query q(year.dictionary(), QStringLiteral(R"(select "txt","fontname","fontsize","fontbold",
            "fontitalic","tchars" from "titles" where "table"=? and "column"=4 and "row"=1)"), {table});
        ASSERT_TRUE(q.next());
        EXPECT_EQ(q.text(0), QStringLiteral("a") + QChar(3) + QStringLiteral("\r\nb"));
        EXPECT_EQ(q.text(1), missingFont);
        EXPECT_EQ(q.value(2).toDouble(), 9.5);
        EXPECT_EQ(q.value(3).toInt(), 1);
        EXPECT_EQ(q.value(4).toInt(), 0);
        EXPECT_EQ(q.text(5), QStringLiteral("TC13"));
        // The grid read the cell again.
        const HeaderCell& cell = window.model().headers().at(header).cell;
        EXPECT_EQ(cell.text, QStringLiteral("a:\nb"));
        EXPECT_TRUE(cell.bold);
        EXPECT_TRUE(cell.chars.turned);
        place = headerRect(window, header);
        edited = viewportOf(window)->grab().toImage().copy(place);
        QTest::keyClick(gridOf(window), Qt::Key_Escape);
    }
    TVTable again;
    again.resize(800, 500);
    showActive(again);
    const int header = headerIndex(again, 4, 1);
    EXPECT_EQ(headerRect(again, header), place);
    EXPECT_EQ(viewportOf(again)->grab().toImage().copy(place), edited);
    // The editor opens on what was stored: the text shown with ":" and its two lines.
    prompts.expectModal(QStringLiteral("TTitles"), [&](QDialog& dialog) {
        auto& editor = static_cast<TTitles&>(dialog);
        EXPECT_EQ(editor.Memo1->toPlainText(), QStringLiteral("a:\nb"));
        EXPECT_TRUE(editor.CheckBox1->isChecked());
        EXPECT_TRUE(editor.CheckBox3->isChecked());
        EXPECT_EQ(editor.SpinEdit2->value(), 3);
        EXPECT_EQ(TTitles::itemIndex(editor.RadioGroup1), 1);
        return int(QDialog::Rejected);
    });
    doubleClickHeader(again, header);
    EXPECT_EQ(prompts.remaining(), 0);
}

// Row headers are never turned, as the grid draws them: ticked "Вертикальный", a row header
// still shows its letters upright (wider than tall), while a column header turns them.
TEST_F(GridCommands, ARowHeaderMarkedVerticalIsNotTurned)
{
    year.dictionary().exec(QStringLiteral(R"(update "rows" set "height"=60 where "table"=?)"), {table});
    year.dictionary().exec(QStringLiteral(R"(update "columns" set "width"=90 where "table"=?)"), {table});
    TVTable window;
    window.resize(900, 700);
    showActive(window);
    const auto turnTo = [&](int column, int row, const QString& text) {
        const int header = headerIndex(window, column, row);
        EXPECT_GE(header, 0);
        prompts.expectModal(QStringLiteral("TTitles"), [&](QDialog& dialog) {
            auto& editor = static_cast<TTitles&>(dialog);
            editor.Memo1->setPlainText(text);
            QTest::mouseClick(editor.CheckBox3, Qt::LeftButton);
            QTest::mouseClick(editor.BitBtn1, Qt::LeftButton);
            return dialog.result();
        });
        doubleClickHeader(window, header);
        EXPECT_EQ(prompts.remaining(), 0);
        return inkIn(window, headerRect(window, header));
    };
    const QRect row = turnTo(1, 3, QStringLiteral("ШШШШШ"));
    const QRect column = turnTo(3, 1, QStringLiteral("ШШШШШ"));
    EXPECT_EQ(year.dictionary().scalar(QStringLiteral(R"(select "tchars" from "titles"
        where "table"=? and "column"=1 and "row"=3)"), {table}).toString(), QStringLiteral("CC10"));
    ASSERT_FALSE(row.isEmpty());
    ASSERT_FALSE(column.isEmpty());
    EXPECT_GT(row.width(), 2 * row.height());
    EXPECT_GT(column.height(), 2 * column.width());
}

// Esc and "Отказ" write nothing, whatever was changed in the editor; the corner opens it too.
TEST_F(GridCommands, EscAndCancelWriteNothing)
{
    const auto titles = [&] {
        QStringList rows;
        Query q(year.dictionary(), QStringLiteral(R"(select "column","row","txt","tchars","fontbold"
            from "titles" where "table"=? order by "column","row")"), {table});
        while (q.next())
            rows.append(QStringLiteral("%1 %2 %3 %4 %5").arg(q.text(0), q.text(1), q.text(2), q.text(3), q.text(4)));
        return rows;
    };
    const QStringList before = titles();
    TVTable window;
    showActive(window);
    for (const auto& [column, row] : {std::pair(1, 1), std::pair(5, 2)}) {
        for (bool esc : {true, false}) {
            SCOPED_TRACE(esc ? "Esc" : "Отказ");
            prompts.expectModal(QStringLiteral("TTitles"), [&](QDialog& dialog) {
                auto& editor = static_cast<TTitles&>(dialog);
                QTest::keyClicks(editor.Memo1, QStringLiteral("changed"));
                QTest::mouseClick(editor.CheckBox1, Qt::LeftButton);
                if (esc)
                    QTest::keyClick(editor.Memo1, Qt::Key_Escape);
                else
                    QTest::mouseClick(editor.BitBtn2, Qt::LeftButton);
                EXPECT_FALSE(editor.isVisible());
                return dialog.result();
            });
            doubleClickHeader(window, headerIndex(window, column, row));
            EXPECT_EQ(prompts.remaining(), 0);
        }
    }
    EXPECT_EQ(titles(), before);
    EXPECT_FALSE(window.model().headers().at(headerIndex(window, 1, 1)).cell.bold);
}

// --- table navigation by keys on the sample ---------------------------------------------------

// Alt+Right and Alt+Left move to the next and the previous table of the forms tree, the key
// going no further (the focused cell stays where the table opened).
TEST(GridKeys, AltRightAndAltLeftMoveThroughTheTables)
{
    SampleYear sample;
    ASSERT_TRUE(sample.install()) << sample.error().toStdString();
    ScriptedPrompts prompts;
    WorkMode = QStringLiteral("Input");
    DataTablePrefix = QStringLiteral("Data");
    CurrentInstitutionId = Sample::Unit::ZarechnayaCrb;
    TFormList list;
    list.Start(-1);
    QTreeWidgetItem* start = list.TreeView1->topLevelItem(0)->child(0);
    list.TreeView1->setCurrentItem(start);
    const std::optional<GridOpening> opening = list.gridOpeningForNode(start);
    ASSERT_TRUE(opening);
    openGrid(opening->formId, opening->formName, opening->tableNumber);
    TVTable window(&list);
    showActive(window);
    QWidget* grid = gridOf(window);
    const int first = window.model().tableIdent();
    const struct {
        Qt::Key key;
        int ident;
    } steps[] = {
        {Qt::Key_Right, first + 1}, {Qt::Key_Right, first + 2}, {Qt::Key_Left, first + 1},
        {Qt::Key_Left, first}, {Qt::Key_Left, first},
    };
    for (const auto& s : steps) {
        QTest::keyClick(grid, s.key, Qt::AltModifier);
        EXPECT_EQ(window.model().tableIdent(), s.ident);
        EXPECT_EQ(CurrentTableId, s.ident);
        EXPECT_EQ(window.model().col(), 0);
    }
    EXPECT_EQ(prompts.remaining(), 0);
}

// --- recalculation on the sample --------------------------------------------------------------

namespace {

// The sample's 2025 on the roads of the summary reports list: "Заречный район" (its
// institutions 3, 4, 5, 6) in mode "Svod", the network report in network mode.
class GridRecalc : public ::testing::Test {
protected:
    SampleYear sample;
    ScriptedPrompts prompts;

    void SetUp() override
    {
        ASSERT_TRUE(sample.install()) << sample.error().toStdString();
        // Reports not yet recalculated: whatever the sample stored for them goes.
        dbdat().exec(QStringLiteral(R"(delete from "repdata" where "hospital" in (?, ?))"),
                     {Sample::Report::Zarechny, Sample::Report::Network});
    }
    void svodRoad(const char* table = "(3100)")
    {
        WorkMode = QStringLiteral("Svod");
        DataTablePrefix = QStringLiteral("RepData");
        NetMode = false;
        CurrentInstitutionId = Sample::Report::Zarechny;
        InstitutionIdList = include(Sample::Report::Zarechny);
        openGrid(Sample::Form::F30, QStringLiteral("Ф30"), QString::fromLatin1(table));
    }
    void netRoad(const char* table)
    {
        WorkMode = QStringLiteral("Net");
        DataTablePrefix = QStringLiteral("RepData");
        NetMode = true;
        CurrentInstitutionId = Sample::Report::Network;
        InstitutionIdList = include(Sample::Report::Network);
        openGrid(Sample::Form::F47, QStringLiteral("Ф47"), QString::fromLatin1(table));
    }
    static QString include(int report)
    {
        return dbmain().scalar(QStringLiteral(R"(select "include" from "reports" where "id"=?)"), {report}).toString();
    }
    static int tableOf(int form, const char* number)
    {
        return dbmain()
            .scalar(QStringLiteral(R"(select "ident" from "tables" where "form"=? and "tablen"=?)"),
                    {form, QString::fromLatin1(number)})
            .toInt();
    }
    // The owner's stored cells of a table: "column,row=value", by column and row.
    static QStringList storedOf(const QString& dataTable, const QString& owners, int table)
    {
        QStringList cells;
        Query q(dbdat(), QStringLiteral(R"(select "column","row",sum("data") from "%1"
            where "hospital" in (%2) and "year"=2025 and "table"=? group by "column","row"
            having sum("data")<>0 order by "column","row")").arg(dataTable, owners), {table});
        while (q.next())
            cells.append(QStringLiteral("%1,%2=%3").arg(q.text(0), q.text(1), q.text(2)));
        return cells;
    }
    // The cells the grid holds, as storedOf writes them.
    static QStringList shownOf(TVTable& w)
    {
        QStringList cells;
        const GridModel& m = w.model();
        for (int c = 0; c < m.columnCount(); ++c)
            for (int r = 0; r < m.rowCount(); ++r)
                if (m.value(c, r) != 0)
                    cells.append(QStringLiteral("%1,%2=%3").arg(m.storedColumn(c)).arg(m.storedRow(r)).arg(m.value(c, r)));
        return cells;
    }
    static QString report(int id) { return QString::number(id); }
};

} // namespace

// The report's table becomes the sum of its institutions' tables, cell by cell; asked first
// only once values are stored, and "Нет" keeps them.
TEST_F(GridRecalc, ASummaryReportsTableIsTheSumOfItsInstitutions)
{
    svodRoad();
    const int table = tableOf(Sample::Form::F30, "(3100)");
    TVTable window;
    showActive(window);
    ASSERT_TRUE(window.N14->isVisible());
    ASSERT_TRUE(window.N14->isEnabled());
    EXPECT_TRUE(shownOf(window).isEmpty());
    prompts.expectMessage(QStringLiteral("Готово!"));
    window.N14->trigger();
    EXPECT_EQ(prompts.remaining(), 0);
    QString institutions = InstitutionIdList;
    institutions.remove(QRegularExpression(QStringLiteral(",$")));
    // Summed by the database itself, cell by cell: the reference the grid's sums must meet.
    const QStringList sums = storedOf(QStringLiteral("data"), institutions, table);
    ASSERT_FALSE(sums.isEmpty());
    EXPECT_EQ(storedOf(QStringLiteral("repdata"), report(Sample::Report::Zarechny), table), sums);
    EXPECT_EQ(shownOf(window), sums);
    // Строка 1, Графа 3: the inpatient unit's 195 beds and Малиновская's 70.
    EXPECT_EQ(window.model().value(0, 0), 195 + 70);
    EXPECT_EQ(window.model().entry().text(), QStringLiteral("265"));

    dbdat().exec(QStringLiteral(R"(update "repdata" set "data"=1 where "hospital"=? and "table"=?)"),
                 {Sample::Report::Zarechny, table});
    prompts.expectQuestion(false, QStringLiteral("Пересчитать таблицу? Сохраненные значения будут заменены."));
    window.N14->trigger();
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_EQ(dbdat().scalar(QStringLiteral(R"(select max("data") from "repdata" where "hospital"=?
        and "table"=?)"), {Sample::Report::Zarechny, table}).toDouble(), 1);
    EXPECT_EQ(shownOf(window), sums);   // what it showed stays

    prompts.expectQuestion(true, QStringLiteral("Пересчитать таблицу?"))
        .expectMessage(QStringLiteral("Готово!"));
    window.N14->trigger();
    EXPECT_EQ(storedOf(QStringLiteral("repdata"), report(Sample::Report::Zarechny), table), sums);
}

// The sum shows how far it is on the bar under the top line: one step per institution, painted
// as it goes, and the bar is gone once it is done.
TEST_F(GridRecalc, TheSumShowsItsProgress)
{
    svodRoad();
    TVTable window;
    showActive(window);
    ASSERT_NE(window.Gauge1, nullptr);
    EXPECT_FALSE(window.Gauge1->isVisible());
    struct PaintedSteps : QObject {
        QStringList steps;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            auto* bar = static_cast<QProgressBar*>(watched);
            const QString step = QStringLiteral("%1/%2").arg(bar->value()).arg(bar->maximum());
            if (event->type() == QEvent::Paint && bar->width() > 0 && (steps.isEmpty() || steps.last() != step))
                steps << step;
            return false;
        }
    } painted;
    window.Gauge1->installEventFilter(&painted);
    QStringList institutions = InstitutionIdList.split(u',', Qt::SkipEmptyParts);
    institutions.removeDuplicates();
    const qsizetype n = institutions.size();
    ASSERT_GE(n, 2);
    QStringList expected;
    for (qsizetype i = 0; i <= n; ++i)
        expected << QStringLiteral("%1/%2").arg(i).arg(n);
    prompts.expectMessage(QStringLiteral("Готово!"));
    window.N14->trigger();
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_EQ(painted.steps, expected);
    EXPECT_FALSE(window.Gauge1->isVisible());
}

// A save that fails leaves both the stored values and what the grid shows.
TEST_F(GridRecalc, AFailedRecalculationLeavesTheOldValues)
{
    svodRoad();
    const int table = tableOf(Sample::Form::F30, "(3100)");
    dbdat().exec(QStringLiteral(R"(insert into "repdata" values (?, 7, 2025, ?, 4, 5))"),
                 {Sample::Report::Zarechny, table});
    TVTable window;
    showActive(window);
    ASSERT_EQ(window.model().value(0, 0), 7);
    dbdat().exec(QStringLiteral(
        R"(create trigger f before insert on "repdata" begin select raise(abort,'forced'); end;)"));
    prompts.expectQuestion(true, QStringLiteral("Пересчитать таблицу?"))
        .expectError(QStringLiteral("не сохранена"));
    window.N14->trigger();
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_EQ(storedOf(QStringLiteral("repdata"), report(Sample::Report::Zarechny), table),
              QStringList{QStringLiteral("4,5=7")});
    EXPECT_EQ(shownOf(window), QStringList{QStringLiteral("4,5=7")});
}

// Without a composing institution nothing is computed: the report's table is not wiped, in
// network mode either, and nothing is asked.
TEST_F(GridRecalc, AReportWithoutInstitutionsSavesNothing)
{
    for (bool net : {false, true}) {
        SCOPED_TRACE(net ? "network" : "summary");
        if (net)
            netRoad("(0100)");
        else
            svodRoad();
        InstitutionIdList.clear();
        const int owner = CurrentInstitutionId;
        const int table = net ? tableOf(Sample::Form::F47, "(0100)") : tableOf(Sample::Form::F30, "(3100)");
        dbdat().exec(QStringLiteral(R"(insert into "repdata" values (?, 7, 2025, ?, 4, 5))"), {owner, table});
        TVTable window;
        showActive(window);
        prompts.expectMessage(emptyCompositionMessage(false));
        window.N14->trigger();
        EXPECT_EQ(prompts.remaining(), 0);
        EXPECT_EQ(storedOf(QStringLiteral("repdata"), report(owner), table), QStringList{QStringLiteral("4,5=7")});
        EXPECT_EQ(window.model().value(0, 0), 7);
    }
}

// In network mode the table is formed from its conditions: "Отмена" changes nothing, the answer
// on rounding is kept for the formation.
TEST_F(GridRecalc, InNetworkModeTheTableIsFormedAndCancelChangesNothing)
{
    netRoad("(0200)");
    const int t0200 = tableOf(Sample::Form::F47, "(0200)");
    {
        TVTable window;
        showActive(window);
        ASSERT_TRUE(window.N14->isVisible());
        prompts.expectYesNoCancel(Prompts::Answer::Cancel, QStringLiteral("Округлять результат?"));
        window.N14->trigger();
        EXPECT_EQ(prompts.remaining(), 0);
        EXPECT_TRUE(storedOf(QStringLiteral("repdata"), report(Sample::Report::Network), t0200).isEmpty());

        prompts.expectYesNoCancel(Prompts::Answer::Yes, QStringLiteral("Округлять результат?"))
            .expectMessage(QStringLiteral("Готово!"));
        window.N14->trigger();
        EXPECT_EQ(prompts.remaining(), 0);
        EXPECT_TRUE(RoundResults);
        // Строка 3, Графа 4: the discharged of the two ЦРБ units, 11843 / 2 rounded to even.
        EXPECT_EQ(window.model().value(1, 2), 5922);
        EXPECT_EQ(shownOf(window), storedOf(QStringLiteral("repdata"), report(Sample::Report::Network), t0200));
        QTest::keyClick(gridOf(window), Qt::Key_Escape);
    }
    netRoad("(0100)");
    const int t0100 = tableOf(Sample::Form::F47, "(0100)");
    TVTable window;
    showActive(window);
    prompts.expectYesNoCancel(Prompts::Answer::No, QStringLiteral("Округлять результат?"))
        .expectMessage(QStringLiteral("Готово!"));
    window.N14->trigger();
    EXPECT_FALSE(RoundResults);
    // Строка 1, Графа 3: every institution of the network report; Строка 6: the feldsher post
    // that entered its visits.
    EXPECT_EQ(window.model().value(0, 0), 9);
    EXPECT_EQ(window.model().value(0, 5), 1);
    EXPECT_EQ(shownOf(window), storedOf(QStringLiteral("repdata"), report(Sample::Report::Network), t0100));
}
