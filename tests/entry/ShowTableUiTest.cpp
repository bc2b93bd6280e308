#include "entry/ShowTable.h"

#include "PrintTo.h"
#include "ScriptedPrompts.h"
#include "YearFixture.h"
#include "core/Common.h"
#include "core/StructureCache.h"
#include "entry/GridModel.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "sample/SampleConfiguration.h"

#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

void openGrid(int formId, const QString& formName, const QString& number)
{
    SelectedTableNodeId = formId;
    CurrentFormName = formName;
    CurrentFormNumber = number;
    CurrentTableId = 0;
}

void resetShared()
{
    clearSharedState();
    clearStructureCaches();
    DataTablePrefix.clear();
    NetMode = false;
    CurrentInstitutionId = 0;
    ReportYear = 0;
}

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
    void TearDown() override { resetShared(); }
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
    QTest::keyClicks(grid, QStringLiteral("\b9"));
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(window.model().entry().text(), QStringLiteral("5"));
    QTest::keyClick(grid, Qt::Key_Right);
    QTest::keyClick(grid, Qt::Key_Escape);
    EXPECT_EQ(stored(), (QList<StoredCell>{{4, 4, 2}}));
    EXPECT_EQ(year.storedCells(other, table), (QList<StoredCell>{{4, 4, 3}}));
}

TEST_F(GridWindow, MenusFollowTheWorkModeAndTheTable)
{
    TVTable input;
    EXPECT_FALSE(input.N11->menuAction()->isVisible());
    EXPECT_TRUE(input.N35->menuAction()->isVisible());
    EXPECT_FALSE(input.N14->isVisible());
    input.show();
    EXPECT_FALSE(input.N37->isChecked());
    EXPECT_TRUE(input.N38->isChecked());
    EXPECT_EQ(input.N15->text(), QStringLiteral("Строка"));
    input.close();

    WorkMode = QStringLiteral("Svod");
    DataTablePrefix = QStringLiteral("RepData");
    TVTable svod;
    EXPECT_TRUE(svod.N11->menuAction()->isVisible());
    EXPECT_TRUE(svod.N14->isVisible());
    svod.show();
    EXPECT_FALSE(svod.N11->menuAction()->isEnabled());   // nothing to break down
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
    QTest::keyClick(gridOf(window), Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(year.data().scalar(QStringLiteral(R"(select count(*) from "data")")).toInt(), 0);
}

// 60 columns by 300 rows with a number in every data cell: the window must open and paint at
// once. The bound is loose for a loaded machine; the time is printed.
TEST_F(GridWindow, ALargeTableOpensWithoutAPause)
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
    QElapsedTimer timer;
    timer.start();
    TVTable window;
    window.resize(1280, 900);
    window.show();
    const QImage image = window.grab().toImage();
    QTest::keyClick(gridOf(window), Qt::Key_PageDown);
    window.grab();
    const qint64 ms = timer.elapsed();
    std::cout << "60 x 300 opened and painted twice in " << ms << " ms\n";
    EXPECT_LT(ms, 1500);
    EXPECT_EQ(window.model().value(59, 299), 63303);
    EXPECT_FALSE(image.isNull());
}

// The sample's Ф12 table (1000): merged headers over two rows, turned column headers, stored
// line breaks. A picture for the eye when KESTRIN_GRID_SCREENSHOT names a file.
TEST(GridSample, OpensTheSampleTableOfAnInstitution)
{
    const QString sample = QStringLiteral(KESTRIN_BINARY_DIR "/sample/Образец/2025");
    ASSERT_TRUE(Files::isFolder(sample)) << "build the target \"sample\" first";
    QTemporaryDir dir;
    QString error;
    const QString year = Files::join(dir.path(), QStringLiteral("2025"));
    ASSERT_TRUE(Files::copyFolder(sample, year, &error)) << error.toStdString();
    Aliases::set(Aliases::Main, Database::open(Files::join(year, QStringLiteral("ktrmain.mdb"))));
    Aliases::set(Aliases::Data, Database::open(Files::join(year, QStringLiteral("data0.mdb"))));
    ReportYear = Sample::DataYear;
    GetForms(dbmain());
    GetTables(dbmain());
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
    Aliases::closeAll();
    resetShared();
}
