#include "entry/ShowTable.h"

#include "GridMarks.h"
#include "Captions.h"
#include "OpenGrid.h"
#include "PrintTo.h"
#include "RussianText.h"
#include "SampleYear.h"
#include "ScriptedPrompts.h"
#include "YearFixture.h"
#include "widgets/RecordingSound.h"
#include "core/Common.h"
#include "core/Controls.h"
#include "core/StructureCache.h"
#include "core/TreeMarks.h"
#include "core/Unit1.h"
#include "entry/FrmList.h"
#include "entry/GridModel.h"
#include "platform/Database.h"
#include "platform/DialogPrompts.h"
#include "platform/Files.h"
#include "sample/SampleConfiguration.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QScrollBar>
#include <QDir>
#include <QHelpEvent>
#include <QToolTip>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

QWidget* gridOf(TVTable& w)
{
    return w.findChild<QWidget*>(QStringLiteral("StringGrid1"));
}

} // namespace

// Table (1000) of Ф12 with 6 layout columns and 5 rows, two header columns and two header rows:
// a grid of 4 x 3. Grid cell (0, 0) is Графа 3, Строка 1, stored at column 4, row 4.
class GridWindow : public ::testing::Test {
protected:
    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025, YearFixture::InstallAliases};
    int form = year.addForm(QStringLiteral("Ф12"), QStringLiteral("Заболеваемость"));
    int table = year.addTable(form, QStringLiteral("(1000)"), QStringLiteral("Взрослые"), 6, 5, 2, 2);
    int inst = year.addInstitution(QStringLiteral("ЦРБ"));
    ScriptedPrompts prompts;

    void SetUp() override
    {
        year.addPlainTitles(table);
        refreshStructureCaches(year.dictionary());
        WorkMode = QStringLiteral("Input");
        DataTablePrefix = QStringLiteral("Data");
        ReportYear = 2025;
        CurrentInstitutionId = inst;
        openGrid(form, QStringLiteral("Ф12"), QStringLiteral("(1000)"));
    }
    QList<StoredCell> stored() { return year.storedCells(inst, table); }
};

TEST_F(GridWindow, LeavingAnEditedCellStoresOneRow)
{
    TVTable window;
    EXPECT_EQ(VTable, &window);
    window.show();
    EXPECT_EQ(CurrentTableId, table);
    QWidget* grid = gridOf(window);
    ASSERT_TRUE(grid);
    EXPECT_EQ(window.Label4->text(), QStringLiteral("Строка 1, Графа 3"));
    QTest::keyClicks(grid, QStringLiteral("5+3"));
    EXPECT_TRUE(stored().isEmpty());   // nothing is written while the cell is being typed
    QTest::keyClick(grid, Qt::Key_Right);
    EXPECT_EQ(stored(), (QList<StoredCell>{{4, 4, 8}}));
    EXPECT_EQ(window.Label4->text(), QStringLiteral("Строка 1, Графа 4"));

    QTest::keyClicks(grid, QStringLiteral("10-12"));
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(stored(), (QList<StoredCell>{{4, 4, 8}, {5, 4, -2}}));
    EXPECT_EQ(window.model().displayText(1, 0), QStringLiteral("-2"));

    // Typed, undone with Ctrl+E and left: nothing more is written.
    QTest::keyClicks(grid, QStringLiteral("4"));
    QTest::keyClick(grid, Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(window.model().entry().text(), QString());
    QTest::keyClick(grid, Qt::Key_Left);
    EXPECT_EQ(stored().size(), 2);

    // Esc commits the cell being typed and closes.
    QTest::keyClicks(grid, QStringLiteral("6"));
    QTest::keyClick(grid, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(stored(), (QList<StoredCell>{{4, 4, 8}, {4, 5, 6}, {5, 4, -2}}));
}

// Heights stored long ago beyond what the grid draws: the table opens, scrolls and is entered
// like any other, its rows drawn at the largest size.
TEST_F(GridWindow, AStoredHugeHeightOpensAndIsEnteredAsUsual)
{
    year.dictionary().exec(QStringLiteral(R"(update "rows" set "height"=30000000 where "table"=? and "row">2)"), {table});
    year.dictionary().exec(QStringLiteral(R"(update "columns" set "width"=1e300 where "table"=? and "column"=4)"), {table});
    TVTable window;
    window.show();
    QWidget* grid = gridOf(window);
    ASSERT_TRUE(grid);
    auto* area = qobject_cast<QAbstractScrollArea*>(grid);
    ASSERT_TRUE(area);
    EXPECT_GT(area->verticalScrollBar()->maximum(), 0);
    EXPECT_GT(area->horizontalScrollBar()->maximum(), 0);
    QTest::keyClicks(grid, QStringLiteral("7"));
    QTest::keyClick(grid, Qt::Key_Down);
    QTest::keyClick(grid, Qt::Key_Right);
    EXPECT_EQ(window.Label4->text(), QStringLiteral("Строка 2, Графа 4"));
    QTest::keyClicks(grid, QStringLiteral("9"));
    QTest::keyClick(grid, Qt::Key_Up);
    EXPECT_EQ(stored(), (QList<StoredCell>{{4, 4, 7}, {5, 5, 9}}));
}

TEST_F(GridWindow, AFailedSaveIsShownAndTheCellStaysUnsaved)
{
    year.data().exec(QStringLiteral(
        R"(create trigger f before insert on "data" begin select raise(abort,'forced'); end;)"));
    TVTable window;
    window.show();
    QWidget* grid = gridOf(window);
    prompts.expectError(QStringLiteral("Значение ячейки (Строка 1, Графа 3) не сохранено."));
    QTest::keyClicks(grid, QStringLiteral("7"));
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_TRUE(window.model().isUnsaved(0, 0));
    EXPECT_EQ(window.model().value(0, 0), 7);
    EXPECT_TRUE(stored().isEmpty());

    // Leaving with the value unsaved asks first; "No" keeps the window open.
    prompts.expectError(QStringLiteral("не сохранено"))
        .expectQuestion(false, QStringLiteral("Не все значения таблицы сохранены. Закрыть таблицу?"));
    QTest::keyClick(grid, Qt::Key_Escape);
    EXPECT_TRUE(window.isVisible());

    year.data().exec(QStringLiteral("drop trigger f"));
    QTest::keyClick(grid, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(stored(), (QList<StoredCell>{{4, 4, 7}}));
}

// Another program holds the data file: the first cell left says the file is busy, the next ones
// only keep their mark (no box per cell), and all are written once the file is free.
TEST_F(GridWindow, ABusyDataFileIsToldOnceAndTheCellsAreSavedLater)
{
    auto other = Database::open(year.dataPath());
    other->execScript(QStringLiteral("begin immediate"));
    other->exec(QStringLiteral(R"(delete from "data" where "hospital"=-1)"));
    TVTable window;
    window.show();
    QWidget* grid = gridOf(window);
    prompts.expectError(QStringLiteral("Значение ячейки (Строка 1, Графа 3) не сохранено.\nФайл ")
                        + QDir::toNativeSeparators(year.dataPath())
                        + QStringLiteral(" занят другой программой."));
    QTest::keyClicks(grid, QStringLiteral("7"));
    QTest::keyClick(grid, Qt::Key_Right);
    ASSERT_EQ(prompts.remaining(), 0);
    EXPECT_FALSE(prompts.log().front().contains(QStringLiteral("insert"), Qt::CaseInsensitive));
    QTest::keyClicks(grid, QStringLiteral("8"));
    QTest::keyClick(grid, Qt::Key_Right);   // still busy: no second box
    EXPECT_TRUE(window.model().isUnsaved(0, 0));
    EXPECT_TRUE(window.model().isUnsaved(1, 0));
    EXPECT_EQ(window.model().value(1, 0), 8);

    // An explicit close still says what is not saved and asks.
    prompts.expectError(QStringLiteral("занят другой программой"))
        .expectQuestion(false, QStringLiteral("Не все значения таблицы сохранены. Закрыть таблицу?"));
    QTest::keyClick(grid, Qt::Key_Escape);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(prompts.remaining(), 0);

    other->execScript(QStringLiteral("rollback"));
    QTest::keyClick(grid, Qt::Key_Left);   // the unsaved cell is entered and left again
    QTest::keyClick(grid, Qt::Key_Left);
    EXPECT_FALSE(window.model().isUnsaved(1, 0));
    QTest::keyClick(grid, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(stored(), (QList<StoredCell>{{4, 4, 7}, {5, 4, 8}}));
}

// A save that fails on the file itself is told in Russian only: the file's path, and no word of
// SQLite or of the statement.
TEST_F(GridWindow, ASaveThatFailsOnTheFileIsToldWithoutAnEnglishWord)
{
    const QString shownPath = QDir::toNativeSeparators(year.dataPath());
    struct Case {
        const char* what;
        std::function<void()> fail;
        QString says;
    };
    std::unique_ptr<Database> other;
    const Case cases[] = {
        {"locked by another program",
         [&] {
             other = Database::open(year.dataPath());
             other->execScript(QStringLiteral("begin immediate"));
             other->exec(QStringLiteral(R"(delete from "data" where "hospital"=-1)"));
         },
         QStringLiteral("Файл %1 занят другой программой. Закройте ее или подождите и повторите.").arg(shownPath)},
        {"opened read-only",
         [&] { Aliases::set(Aliases::Data, Database::open(year.dataPath(), true)); },
         QStringLiteral("В файл %1 нельзя записать: он открыт только для чтения.").arg(shownPath)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.fail();
        {
            ScriptedPrompts boxes;
            TVTable window;
            window.show();
            QWidget* grid = gridOf(window);
            boxes.expectError(QStringLiteral("не сохранено"));
            QTest::keyClicks(grid, QStringLiteral("7"));
            QTest::keyClick(grid, Qt::Key_Right);
            ASSERT_EQ(boxes.log().size(), 1);
            EXPECT_EQ(boxes.log().front(),
                      QStringLiteral("error: Значение ячейки (Строка 1, Графа 3) не сохранено.\n") + c.says
                          + QStringLiteral("\nЯчейка отмечена цветом: её значение будет записано снова, "
                                           "когда курсор покинет её."));
            EXPECT_EQ(latinWords(boxes.log().front().mid(int(qstrlen("error: ")))), QStringList());
        }
        other.reset();
        Aliases::set(Aliases::Data, Database::open(year.dataPath()));
    }
}

// A figure wider than its column is never cut on both sides into another number: a smaller type,
// else "…" at its end and the whole value as a tooltip.
TEST(GridCellText, AWideFigureShrinksOrEndsInAnEllipsis)
{
    QWidget device;
    QFont font = device.font();
    font.setPointSizeF(9);
    const QFontMetrics fm(font, &device);
    const QString figure = QStringLiteral("123456789.25");
    const int full = fm.horizontalAdvance(figure);

    const CellTextFit fits = fitCellText(figure, font, full + 4, &device);
    EXPECT_EQ(fits.text, figure);
    EXPECT_EQ(fits.font.pointSizeF(), 9);
    EXPECT_FALSE(fits.elided);

    const CellTextFit shrunk = fitCellText(figure, font, full * 9 / 10, &device);
    EXPECT_EQ(shrunk.text, figure);
    EXPECT_LT(shrunk.font.pointSizeF(), 9);
    EXPECT_FALSE(shrunk.elided);
    EXPECT_LE(QFontMetrics(shrunk.font, &device).horizontalAdvance(shrunk.text), full * 9 / 10 - 2);

    const CellTextFit cut = fitCellText(figure, font, full / 3, &device);
    EXPECT_TRUE(cut.elided);
    EXPECT_TRUE(cut.text.endsWith(QChar(0x2026)));
    EXPECT_TRUE(figure.startsWith(cut.text.chopped(1)));
    EXPECT_LE(QFontMetrics(cut.font, &device).horizontalAdvance(cut.text), full / 3 - 2);
}

TEST_F(GridWindow, TheTooltipOfACutFigureTellsTheWholeValue)
{
    year.data().exec(QStringLiteral(R"(insert into "data" values (?, 1000000000000000000000, 2025, ?, 4, 4))"),
                     {inst, table});
    TVTable window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    auto* grid = static_cast<TableGridView*>(gridOf(window));
    const QRect cell = window.model().geometry().dataCellRect(0, 0);
    const QRect other = window.model().geometry().dataCellRect(1, 0);
    const int hw = window.model().geometry().headerWidth();
    const int hh = window.model().geometry().headerHeight();
    QWidget* vp = grid->findChild<QWidget*>(QStringLiteral("qt_scrollarea_viewport"));
    ASSERT_TRUE(vp);
    window.model().moveTo(1, 0);   // the figure shown as stored, not as the typed entry
    const QPoint at = cell.center() + QPoint(hw, hh);
    QHelpEvent help(QEvent::ToolTip, at, vp->mapToGlobal(at));
    QApplication::sendEvent(vp, &help);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("1000000000000000000000"));
    const QPoint empty = other.center() + QPoint(hw, hh);
    QHelpEvent none(QEvent::ToolTip, empty, vp->mapToGlobal(empty));
    QApplication::sendEvent(vp, &none);   // a figure that fits has no tooltip
    EXPECT_TRUE(QTest::qWaitFor([] { return QToolTip::text().isEmpty(); }, 2000));
}

TEST_F(GridWindow, TypesModeRefusesTyping)
{
    const int other = year.addInstitution(QStringLiteral("ФАП"));
    year.setEntered(inst, table, 3, 1, 2);
    year.setEntered(other, table, 3, 1, 3);
    WorkMode = QStringLiteral("Types");
    DataTablePrefix = QStringLiteral("data");
    InstitutionIdList = QStringLiteral("%1,%2").arg(inst).arg(other);
    TVTable window;
    window.show();
    QWidget* grid = gridOf(window);
    EXPECT_EQ(window.model().entry().text(), QStringLiteral("5"));   // the sum of both
    // Nor can the sums be cleared, recalculated or loaded into one institution's table.
    EXPECT_FALSE(window.N5->isEnabled());
    EXPECT_FALSE(window.N14->isEnabled());
    EXPECT_FALSE(window.N35->menuAction()->isEnabled());
    QTest::keyClicks(grid, QStringLiteral("\b9"));
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(window.model().entry().text(), QStringLiteral("5"));
    QTest::keyClick(grid, Qt::Key_Right);
    QTest::keyClick(grid, Qt::Key_Escape);
    EXPECT_EQ(stored(), (QList<StoredCell>{{4, 4, 2}}));
    EXPECT_EQ(year.storedCells(other, table), (QList<StoredCell>{{4, 4, 3}}));
}

// A key the cell refuses is not dropped in silence: it beeps and the status line says why, and
// the cell keeps what it had. The next accepted key takes the reason away.
TEST_F(GridWindow, ARefusedKeyBeepsAndTheStatusLineSaysWhy)
{
    TVTable window;
    window.show();
    QWidget* grid = gridOf(window);
    ASSERT_FALSE(window.model().entry().allowsFraction());
    RecordingSound sound;
    struct Case {
        const char* typed;   // before the refused key
        int key;
        const char* says;
    };
    const Case cases[] = {
        {"1", Qt::Key_Comma, "Таблица в целых числах: дробная часть не вводится"},
        {"1", Qt::Key_Period, "Таблица в целых числах: дробная часть не вводится"},
        {"", Qt::Key_Minus, "Отрицательные числа не вводятся: знак ставится только после числа"},
        {"", Qt::Key_Plus, "Отрицательные числа не вводятся: знак ставится только после числа"},
        {"5+", Qt::Key_Minus, "После знака нужно число, а не второй знак"},
        {"12", Qt::Key_A, "В ячейку вводятся только цифры и знаки \"+\" и \"-\""},
        {"", Qt::Key_Backspace, "Ячейка пуста: стирать нечего"},
        {"123456789012345", Qt::Key_6, "В числе не больше 15 цифр"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
        QTest::keyClicks(grid, QString::fromUtf8(c.typed));
        sound.calls.clear();
        QTest::keyClick(grid, Qt::Key(c.key));
        EXPECT_EQ(sound.calls, QStringList{QStringLiteral("beep")});
        EXPECT_EQ(window.Label4->text(), QStringLiteral("Строка 1, Графа 3 — ") + QString::fromUtf8(c.says));
        EXPECT_EQ(window.model().entry().text(), QString::fromUtf8(c.typed));
    }
    sound.calls.clear();
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    QTest::keyClicks(grid, QStringLiteral("1,5"));
    EXPECT_EQ(sound.calls, QStringList{QStringLiteral("beep")});   // the comma, heard
    EXPECT_EQ(window.Label4->text(), QStringLiteral("Строка 1, Графа 3"));   // gone with the "5"
    QTest::keyClick(grid, Qt::Key_Right);
    EXPECT_EQ(stored(), (QList<StoredCell>{{4, 4, 15}}));
}

TEST_F(GridWindow, MenusFollowTheWorkModeAndTheTable)
{
    TVTable input;
    EXPECT_FALSE(input.N11->menuAction()->isVisible());
    EXPECT_TRUE(input.N35->menuAction()->isVisible());
    EXPECT_FALSE(input.N14->isVisible());
    input.show();
    EXPECT_TRUE(input.N3->isEnabled());
    // Outside network mode there are no conditions to set up.
    EXPECT_FALSE(input.N18->menuAction()->isEnabled());
    EXPECT_TRUE(input.N5->isEnabled());
    EXPECT_TRUE(input.FractionMenu->menuAction()->isEnabled());
    EXPECT_TRUE(input.N35->menuAction()->isEnabled());   // "Подгрузить из Excel"
    EXPECT_TRUE(input.Excel1->menuAction()->isEnabled());
    EXPECT_FALSE(input.N37->isChecked());
    EXPECT_TRUE(input.N38->isChecked());
    EXPECT_EQ(caption(input.N15), QStringLiteral("Строка"));
    input.close();

    WorkMode = QStringLiteral("Svod");
    DataTablePrefix = QStringLiteral("RepData");
    TVTable svod;
    EXPECT_TRUE(svod.N11->menuAction()->isVisible());
    EXPECT_TRUE(svod.N14->isVisible());
    svod.show();
    EXPECT_FALSE(svod.N11->menuAction()->isEnabled());
    // A summary report's own table is recalculated; the grid of nobody's data is read-only.
    EXPECT_TRUE(svod.N14->isEnabled());
}

TEST_F(GridWindow, AMissingTableIsReportedAndTheWindowCloses)
{
    openGrid(form, QStringLiteral("Ф12"), QStringLiteral("(7)"));
    prompts.expectMessage(QStringLiteral("Таблица не определена!"));
    TVTable window;
    window.show();
    QTRY_VERIFY(!window.isVisible());
}

TEST_F(GridWindow, ATableOutsideTheCachesOpensReadOnly)
{
    year.addTable(form, QStringLiteral("(2000)"), QStringLiteral("Новая"), 4, 4, 1, 1);
    openGrid(form, QStringLiteral("Ф12"), QStringLiteral("(2000)"));
    prompts.expectError(QStringLiteral("только для просмотра"));
    TVTable window;
    window.show();
    QTest::keyClicks(gridOf(window), QStringLiteral("5"));
    // F3 would check cells that were never read.
    EXPECT_FALSE(window.N3->isEnabled());
    QTest::keyClick(gridOf(window), Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(year.data().scalar(QStringLiteral(R"(select count(*) from "data")")).toInt(), 0);
}

// 60 columns by 300 rows with a number in every data cell: the window opens, paints and moves a
// page down with every value in its cell. Its speed is measured by tests/bench/GridBench.
TEST_F(GridWindow, ALargeTableOpensWithEveryValueInItsCell)
{
    const int big = year.addTable(form, QStringLiteral("(5000)"), QStringLiteral("Большая"), 62, 302, 2, 2);
    year.addPlainTitles(big);
    {
        Transaction tx(year.data());
        Query insert(year.data(), QStringLiteral(R"(insert into "data" values (?,?,?,?,?,?))"));
        for (int c = 4; c <= 63; ++c)
            for (int r = 4; r <= 303; ++r) {
                insert.bindAll({inst, c * 1000 + r, 2025, big, c, r});
                insert.exec();
                insert.reset();
            }
        tx.commit();
    }
    refreshStructureCaches(year.dictionary());
    openGrid(form, QStringLiteral("Ф12"), QStringLiteral("(5000)"));
    TVTable window;
    window.resize(1280, 900);
    window.show();
    const QImage image = window.grab().toImage();
    QTest::keyClick(gridOf(window), Qt::Key_PageDown);
    window.grab();
    EXPECT_EQ(window.model().value(59, 299), 63303);
    EXPECT_FALSE(image.isNull());
}

// The sample's Ф12 table (1000): merged headers over two rows, turned column headers, stored
// line breaks. A picture for the eye when KESTRIN_GRID_SCREENSHOT names a file.
TEST(GridSample, OpensTheSampleTableOfAnInstitution)
{
    SampleYear sample;
    ASSERT_TRUE(sample.install()) << sample.error().toStdString();
    WorkMode = QStringLiteral("Input");
    DataTablePrefix = QStringLiteral("Data");
    CurrentInstitutionId = Sample::Unit::ZarechnayaInpatient;
    openGrid(Sample::Form::F12, QStringLiteral("Ф12"), QStringLiteral("(1000)"));
    {
        ScriptedPrompts prompts;
        TVTable window;
        window.setWindowTitle(QStringLiteral("Формирование и контроль медицинских статистических отчетных форм"));
        window.Label3->setText(QStringLiteral("Ф12 - Сведения о числе заболеваний"));
        window.Label2->setText(QStringLiteral("(1000) - Дети (0-14 лет включительно)"));
        window.resize(1100, 700);
        window.show();
        const GridModel& m = window.model();
        EXPECT_FALSE(m.readOnly());
        bool turned = false;
        bool merged = false;
        for (const PlacedHeader& h : m.headers()) {
            turned = turned || (h.panel == HeaderPanel::ColumnHeaders && h.cell.chars.turned);
            merged = merged || (h.panel == HeaderPanel::ColumnHeaders && h.cell.merged());
            EXPECT_FALSE(h.cell.text.contains(QLatin1Char('\r')));
        }
        EXPECT_TRUE(turned);
        EXPECT_TRUE(merged);
        double sum = 0;
        for (int c = 0; c < m.columnCount(); ++c)
            for (int r = 0; r < m.rowCount(); ++r)
                sum += m.value(c, r);
        EXPECT_GT(sum, 0) << "the sample enters numbers for this institution";
        const QImage image = window.grab().toImage();
        const QString target = qEnvironmentVariable("KESTRIN_GRID_SCREENSHOT");
        if (!target.isEmpty())
            image.save(target);
    }
}

// --- controls, error marks, table navigation and cell picking on the sample -------------------

namespace {

using Mark = GridModel::ErrorMark;

const QString kProgramTitle = QStringLiteral("Заречная ЦРБ");

} // namespace

// A private copy of the sample's 2025 under the aliases, the caches filled from it, on the road of
// entering an institution's numbers.
class SampleGrid : public ::testing::Test {
protected:
    SampleYear sample;
    ScriptedPrompts prompts;

    void SetUp() override
    {
        ASSERT_TRUE(sample.install()) << sample.error().toStdString();
        WorkMode = QStringLiteral("Input");
        DataTablePrefix = QStringLiteral("Data");
    }
    static void refreshCaches()
    {
        GetForms(dbmain());
        GetTables(dbmain());
    }
    static double storedValue(int institution, int table, int column, int row)
    {
        return dbdat()
            .scalar(QStringLiteral(R"(select "data" from "data" where "hospital"=? and "year"=? and
                "table"=? and "column"=? and "row"=?)"),
                    {institution, Sample::DataYear, table, column, row})
            .toDouble();
    }
    // Empties the focused cell and types the number into it.
    static void retype(TVTable& window, int c, int r, const QString& number)
    {
        window.model().moveTo(c, r);
        QTest::keyClick(gridOf(window), Qt::Key_Delete, Qt::ControlModifier);
        QTest::keyClicks(gridOf(window), number);
    }
};

// The sample's institutions break one control each; F3 finds exactly that one, the list shows
// its line and correction mode marks the cells it read: the left side blue, the right side red.
TEST_F(SampleGrid, ControlsFindTheBrokenCheckListItAndMarkItsCells)
{
    const struct {
        const char* what;
        int unit;
        int form;
        const char* formName;
        const char* table;
        int code;
        const char* figures;   // the line's first column
        const char* current;   // its second
        const char* comment;
        QList<MarkedCell> marks;
    } cases[] = {
        {"column cycle: pneumonias above their class", Sample::Unit::ZarechnayaInpatient,
         Sample::Form::F12, "Ф12", "(1000)", 5, "1512.00>=1524.00", "ГР4",
         "Стр. 4 >= стр. 5 (пневмонии из болезней органов дыхания)",
         {{0, 3, Mark::Left}, {0, 4, Mark::Right}}},
        {"\"=\": the total is not the sum", Sample::Unit::Malinovka, Sample::Form::F30, "Ф30",
         "(3100)", 27, "70.00=65.00", "ГР3", "Всего коек (стр. 1) = сумме стр. 2-5",
         {{0, 0, Mark::Left}, {0, 1, Mark::Right}, {0, 2, Mark::Right}, {0, 3, Mark::Right}, {0, 4, Mark::Right}}},
        {"fractional table, row cycle", Sample::Unit::SvetlogorskHospital, Sample::Form::F30, "Ф30",
         "(1100)", 21, "22.50>=22.75", "СТР2", "Занятых должностей (гр. 4) не больше штатных (гр. 3)",
         {{0, 1, Mark::Left}, {1, 1, Mark::Right}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CurrentInstitutionId = c.unit;
        openGrid(c.form, QString::fromUtf8(c.formName), QString::fromUtf8(c.table));
        TVTable window;
        window.setWindowTitle(kProgramTitle);
        window.show();
        EXPECT_FALSE(window.ErrorsMenu->menuAction()->isVisible());
        prompts.expectMessage(QStringLiteral("Обнаружены ошибки - 1"));
        window.N3->trigger();
        EXPECT_EQ(prompts.remaining(), 0);
        EXPECT_TRUE(window.ErrorsMenu->menuAction()->isVisible());
        const QString line = QString::fromUtf8(c.figures) + QLatin1Char('\t') + QString::fromUtf8(c.current)
            + QLatin1Char('\t') + QString::fromUtf8(c.comment);
        ASSERT_EQ(ControlErrorLines(), QStringList{line});
        EXPECT_TRUE(marksOf(window.model()).isEmpty());   // marks belong to correction mode

        prompts.expectModal(QStringLiteral("TForm1"), [&](QDialog& dialog) {
            const ResultList& list = static_cast<TForm1&>(dialog).list();
            EXPECT_EQ(list.windowCaption, kProgramTitle + QStringLiteral(" - ошибки контроля: ")
                          + QString::fromUtf8(c.formName) + QStringLiteral("т") + QString::fromUtf8(c.table));
            EXPECT_EQ(list.columns, (QStringList{QStringLiteral("Цифры"), QStringLiteral("Тек."),
                                                 QStringLiteral("Контроль")}));
            EXPECT_EQ(list.items, (QList<ResultListItem>{{QString::fromUtf8(c.figures),
                                                          {QString::fromUtf8(c.current), QString::fromUtf8(c.comment)},
                                                          c.code}}));
            return int(QDialog::Accepted);
        });
        window.N7->trigger();
        EXPECT_EQ(prompts.remaining(), 0);

        window.N6->trigger();
        EXPECT_TRUE(window.N6->isChecked());
        EXPECT_EQ(caption(window.N1), QStringLiteral("Пред. ошибка"));
        EXPECT_EQ(caption(window.N2), QStringLiteral("След. ошибка"));
        EXPECT_EQ(window.Label1->text(), line);
        EXPECT_EQ(marksOf(window.model()), c.marks);
        // A marked cell shows its number, in bold colour, even where it would be empty.
        EXPECT_FALSE(window.model().displayText(c.marks[0].c, c.marks[0].r).isEmpty());

        window.N6->trigger();
        EXPECT_FALSE(window.N6->isChecked());
        EXPECT_EQ(caption(window.N1), QStringLiteral("Пред. таблица"));
        EXPECT_EQ(caption(window.N2), QStringLiteral("След. таблица"));
        EXPECT_TRUE(window.Label1->text().isEmpty());
        EXPECT_TRUE(marksOf(window.model()).isEmpty());
        QTest::keyClick(gridOf(window), Qt::Key_Escape);
    }
}

// Unit 3's children's table: a second error typed in, walked through in correction mode, then
// both corrected; the run after the correction finds nothing and the values are stored.
TEST_F(SampleGrid, CorrectionModeWalksTheErrorsAndACorrectedTableIsClean)
{
    CurrentInstitutionId = Sample::Unit::ZarechnayaInpatient;
    openGrid(Sample::Form::F12, QStringLiteral("Ф12"), QStringLiteral("(1000)"));
    TVTable window;
    window.resize(1100, 700);
    window.show();
    GridModel& m = window.model();
    // Графа 7 of Строка 1 above Графа 6 breaks control 3 (гр. 6 >= гр. 7) at СТР1.
    const double g6 = m.value(2, 0);
    const double g7 = m.value(3, 0);
    ASSERT_GT(g6, 0);
    retype(window, 3, 0, QString::number(g6 + 1));

    // F3 from the keyboard commits the typed cell first.
    prompts.expectMessage(QStringLiteral("Обнаружены ошибки - 2"));
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(gridOf(window), Qt::Key_F3);
    ASSERT_EQ(prompts.remaining(), 0);
    EXPECT_EQ(storedValue(CurrentInstitutionId, CurrentTableId, 8, 5), g6 + 1);
    const QString first = QStringLiteral("%1.00>=%2.00\tСТР1\tГр. 6 >= гр. 7 (взятые под диспансерное "
                                         "наблюдение из впервые выявленных)")
                              .arg(g6)
                              .arg(g6 + 1);
    const QString second = QStringLiteral("1512.00>=1524.00\tГР4\tСтр. 4 >= стр. 5 (пневмонии из болезней "
                                          "органов дыхания)");
    ASSERT_EQ(ControlErrorLines(), (QStringList{first, second}));

    window.N6->trigger();
    const QList<MarkedCell> firstMarks{{2, 0, Mark::Left}, {3, 0, Mark::Right}};
    const QList<MarkedCell> secondMarks{{0, 3, Mark::Left}, {0, 4, Mark::Right}};
    EXPECT_EQ(window.Label1->text(), first);
    EXPECT_EQ(marksOf(m), firstMarks);
    // The correction is typed at once: the current cell is the error's first marked cell.
    EXPECT_EQ(std::pair(m.col(), m.row()), std::pair(2, 0));
    EXPECT_EQ(window.Label4->text(), QStringLiteral("Строка 1, Графа 6"));
    window.N1->trigger();   // on the first error: nothing happens
    EXPECT_EQ(window.errorIndex(), 0);
    EXPECT_EQ(window.Label1->text(), first);
    window.N2->trigger();
    EXPECT_EQ(window.errorIndex(), 1);
    EXPECT_EQ(window.Label1->text(), second);
    EXPECT_EQ(marksOf(m), secondMarks);
    EXPECT_EQ(std::pair(m.col(), m.row()), std::pair(0, 3));
    EXPECT_EQ(QApplication::focusWidget(), gridOf(window));
    window.N2->trigger();   // on the last error: nothing happens, and no other table opens
    EXPECT_EQ(window.errorIndex(), 1);
    EXPECT_EQ(marksOf(m), secondMarks);
    EXPECT_EQ(CurrentFormNumber, QStringLiteral("(1000)"));
    window.N1->trigger();
    EXPECT_EQ(window.Label1->text(), first);
    EXPECT_EQ(marksOf(m), firstMarks);

    // Both corrected; the new run leaves correction mode and finds nothing.
    retype(window, 3, 0, QString::number(g7));
    retype(window, 0, 4, QStringLiteral("1512"));
    prompts.expectMessage(QStringLiteral("Ошибок контроля нет"));
    window.N3->trigger();
    ASSERT_EQ(prompts.remaining(), 0);
    EXPECT_TRUE(ControlErrors.isEmpty());
    EXPECT_FALSE(window.ErrorsMenu->menuAction()->isVisible());
    EXPECT_FALSE(window.N6->isChecked());
    EXPECT_EQ(caption(window.N2), QStringLiteral("След. таблица"));
    EXPECT_TRUE(marksOf(m).isEmpty());
    EXPECT_TRUE(window.Label1->text().isEmpty());
    EXPECT_EQ(storedValue(CurrentInstitutionId, CurrentTableId, 8, 5), g7);
    EXPECT_EQ(storedValue(CurrentInstitutionId, CurrentTableId, 5, 8), 1512);
    EXPECT_EQ(m.value(0, 4), 1512);
}

// The real message box of F3 takes the focus; once it is closed the grid has it again, on the
// cell the check started from, so typing goes on there.
TEST_F(SampleGrid, AfterTheCheckTheGridKeepsTheFocusAndItsCell)
{
    CurrentInstitutionId = Sample::Unit::ZarechnayaInpatient;
    openGrid(Sample::Form::F12, QStringLiteral("Ф12"), QStringLiteral("(1000)"));
    DialogPrompts dialogs;
    Prompts* scripted = setPrompts(&dialogs);
    {
        TVTable window;
        window.resize(1100, 700);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        QWidget* grid = gridOf(window);
        QTest::keyClick(grid, Qt::Key_Right);
        QTest::keyClick(grid, Qt::Key_Down);
        const QString before = window.model().entry().text();
        QString seen;
        QTimer::singleShot(0, [&seen] {
            QWidget* box = QApplication::activeModalWidget();
            seen = box ? box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))->text() : QString();
            if (box)
                QTest::keyClick(box, Qt::Key_Return);
        });
        QTest::keyClick(grid, Qt::Key_F3);
        EXPECT_EQ(seen, QStringLiteral("Обнаружены ошибки - 1"));
        EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == grid; }, 1000));
        ASSERT_EQ(QApplication::focusWidget(), grid);
        EXPECT_EQ(std::pair(window.model().col(), window.model().row()), std::pair(1, 1));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("5"));
        EXPECT_EQ(window.model().entry().text(), before + QStringLiteral("5"));
        QTest::keyClick(grid, Qt::Key_E, Qt::ControlModifier);
        QTest::keyClick(grid, Qt::Key_Escape);
    }
    setPrompts(scripted);
}

namespace {
// The walk of NextAndPreviousTableWalkTheTreePastAFormWithoutTables inside the grid's modal run.
void walkTheTree(TVTable& window, TFormList& list)
{
    ASSERT_EQ(window.model().tableIdent(), 4);

    // Table idents in the tree's order: Ф12 1..4, Ф30 5..7.
    const struct {
        QAction* item;
        int ident;
    } walk[] = {
        {window.N2, 5}, {window.N1, 4}, {window.N1, 3}, {window.N1, 2}, {window.N1, 1},
        {window.N1, 1}, {window.N2, 2}, {window.N2, 3}, {window.N2, 4}, {window.N2, 5},
        {window.N2, 6}, {window.N2, 7}, {window.N2, 7}, {window.N1, 6},
    };
    int step = 0;
    for (const auto& s : walk) {
        SCOPED_TRACE(step++);
        s.item->trigger();
        EXPECT_EQ(window.model().tableIdent(), s.ident);
        EXPECT_EQ(CurrentTableId, s.ident);
        QTreeWidgetItem* node = list.TreeView1->currentItem();
        ASSERT_TRUE(node && node->parent());
        EXPECT_EQ(nodeId(node), s.ident);
        EXPECT_EQ(window.Label2->text(), node->text(0));
        EXPECT_EQ(window.Label3->text(), node->parent()->text(0));
        EXPECT_EQ(SelectedTableNodeId, s.ident <= 4 ? Sample::Form::F12 : Sample::Form::F30);
        EXPECT_EQ(CurrentFormName, s.ident <= 4 ? QStringLiteral("Ф12") : QStringLiteral("Ф30"));
        EXPECT_EQ(CurrentFormNumber, node->data(0, NodeNameRole).toString());
        EXPECT_EQ(window.Label4->text(), QStringLiteral("Строка 1, Графа %1").arg(s.ident <= 4 ? 4 : 3));
    }
    EXPECT_EQ(window.Label2->text(), QStringLiteral("(2100) - Посещения медицинской организации"));
    EXPECT_EQ(window.Label3->text(), QStringLiteral("Ф30 - Сведения о медицинской организации"));
}
} // namespace

// The forms tree lists Ф12 (four tables), a form without tables, then Ф30 (three tables); the
// grid walks the table nodes and carries the tree's selection with it.
TEST_F(SampleGrid, NextAndPreviousTableWalkTheTreePastAFormWithoutTables)
{
    dbmain().exec(QStringLiteral(R"(insert into "forms" ("formname","decipher","ind","net")
        values ('Ф20', 'Без таблиц', 0, 0))"));
    refreshCaches();
    CurrentInstitutionId = Sample::Unit::ZarechnayaCrb;
    TFormList list;
    list.setWindowTitle(kProgramTitle);
    list.Start(-1);
    ASSERT_EQ(list.TreeView1->topLevelItemCount(), 3);
    ASSERT_EQ(list.TreeView1->topLevelItem(1)->text(0), QStringLiteral("Ф20 - Без таблиц"));
    ASSERT_EQ(list.TreeView1->topLevelItem(1)->childCount(), 0);

    QTreeWidgetItem* start = list.TreeView1->topLevelItem(0)->child(3);
    list.TreeView1->setCurrentItem(start);
    const std::optional<GridOpening> opening = list.gridOpeningForNode(start);
    ASSERT_TRUE(opening);
    prompts.expectModal(QStringLiteral("TVTable"), [&](QDialog& dialog) {
        walkTheTree(static_cast<TVTable&>(dialog), list);
        return int(QDialog::Rejected);
    });
    openTableGrid(*opening, &list, QString());
    EXPECT_EQ(prompts.remaining(), 0);
}

// A value that cannot be saved keeps its table open: moving on would drop it unsaved.
TEST_F(SampleGrid, AnUnsavedValueKeepsItsTableOpen)
{
    CurrentInstitutionId = Sample::Unit::ZarechnayaCrb;
    TFormList list;
    list.Start(-1);
    QTreeWidgetItem* start = list.TreeView1->topLevelItem(0)->child(0);
    list.TreeView1->setCurrentItem(start);
    const std::optional<GridOpening> opening = list.gridOpeningForNode(start);
    ASSERT_TRUE(opening);
    openGrid(opening->formId, opening->formName, opening->tableNumber);
    TVTable window(&list);
    window.show();
    const int table = window.model().tableIdent();
    for (const char* event : {"insert", "update", "delete"})
        dbdat().exec(QStringLiteral(R"(create trigger f_%1 before %1 on "data"
            begin select raise(abort,'forced'); end;)").arg(QLatin1String(event)));
    retype(window, 0, 0, QStringLiteral("777"));

    prompts.expectError(QStringLiteral("не сохранено"));
    window.N2->trigger();
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_EQ(window.model().tableIdent(), table);
    EXPECT_TRUE(window.model().isUnsaved(0, 0));
    // Moving elsewhere in the table does not lose it either: the next attempt tries it again.
    window.model().moveTo(1, 1);
    prompts.expectError(QStringLiteral("не сохранено"));
    window.N2->trigger();
    EXPECT_EQ(window.model().tableIdent(), table);
    EXPECT_EQ(list.TreeView1->currentItem(), start);

    for (const char* event : {"insert", "update", "delete"})
        dbdat().exec(QStringLiteral("drop trigger f_%1").arg(QLatin1String(event)));
    window.N2->trigger();
    EXPECT_EQ(window.model().tableIdent(), table + 1);
    EXPECT_EQ(storedValue(CurrentInstitutionId, table, 5, 5), 777);
}

// The controls editor's expression builder: nobody's data, the cells picked with double clicks
// build the reference in Label1, grouped by rows (the start) or by columns.
TEST_F(SampleGrid, PickedCellsBuildTheExpressionForTheControlsEditor)
{
    WorkMode.clear();
    DataTablePrefix.clear();
    CurrentInstitutionId = 0;
    openGrid(Sample::Form::F12, QStringLiteral("Ф12"), QStringLiteral("(1000)"));
    TVTable window;
    window.setWindowTitle(QStringLiteral("Формирование выражения"));
    window.GroupMenu->menuAction()->setVisible(true);
    for (QAction* hidden : {window.N1, window.N2, window.N3, window.N5})
        hidden->setVisible(false);
    window.resize(1100, 700);
    window.show();
    const GridModel& m = window.model();
    ASSERT_EQ(m.layout().fixcols, 3);
    QWidget* viewport = static_cast<QAbstractScrollArea*>(gridOf(window))->viewport();
    const QPoint origin(m.geometry().headerWidth(), m.geometry().headerHeight());
    auto pick = [&](int c, int r) {
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, m.geometry().dataCellRect(c, r).center() + origin);
    };
    EXPECT_TRUE(window.N10->isChecked());
    EXPECT_FALSE(window.N9->isChecked());

    // Графа 4, 5 and 6 of Строка 2.
    pick(0, 1);
    EXPECT_EQ(window.Label1->text(), QStringLiteral("стр2гр4"));
    pick(1, 1);
    pick(2, 1);
    EXPECT_TRUE(m.isPicked(0, 1) && m.isPicked(1, 1) && m.isPicked(2, 1));
    EXPECT_EQ(window.Label1->text(), QStringLiteral("стр2гр[4..6]"));
    window.N9->trigger();
    EXPECT_TRUE(window.N9->isChecked());
    EXPECT_FALSE(window.N10->isChecked());
    EXPECT_EQ(window.Label1->text(), QStringLiteral("гр4стр2+гр5стр2+гр6стр2"));
    // Picked again, a cell is let go.
    pick(1, 1);
    EXPECT_FALSE(m.isPicked(1, 1));
    EXPECT_EQ(window.Label1->text(), QStringLiteral("гр4стр2+гр6стр2"));
    pick(0, 3);
    EXPECT_EQ(window.Label1->text(), QStringLiteral("гр4стр[2,4]+гр6стр2"));
    window.N10->trigger();
    EXPECT_EQ(window.Label1->text(), QStringLiteral("стр2гр[4,6]+стр4гр4"));
    pick(0, 1);
    pick(2, 1);
    pick(0, 3);
    EXPECT_TRUE(window.Label1->text().isEmpty());
}

// An institution's grid shows its numbers: a double click only moves the focus.
TEST_F(SampleGrid, AnInstitutionsGridPicksNothing)
{
    CurrentInstitutionId = Sample::Unit::ZarechnayaInpatient;
    openGrid(Sample::Form::F12, QStringLiteral("Ф12"), QStringLiteral("(1000)"));
    TVTable window;
    window.resize(1100, 700);
    window.show();
    const GridModel& m = window.model();
    QWidget* viewport = static_cast<QAbstractScrollArea*>(gridOf(window))->viewport();
    const QPoint at = m.geometry().dataCellRect(1, 2).center()
        + QPoint(m.geometry().headerWidth(), m.geometry().headerHeight());
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
    EXPECT_EQ(m.col(), 1);
    EXPECT_EQ(m.row(), 2);
    EXPECT_FALSE(m.isPicked(1, 2));
    EXPECT_TRUE(window.Label1->text().isEmpty());
}
