// The road most users walk, through the real windows: the main window's data-entry link, an
// institution in the administrative structure, its forms tree, a table's grid, the controls run
// on it, a corrected number, and back out to the main window.

#include "core/Common.h"
#include "core/Configurations.h"
#include "core/Controls.h"
#include "core/KtrMain.h"
#include "core/StructureCache.h"
#include "core/TreeMarks.h"
#include "core/Unit1.h"
#include "entry/FrmList.h"
#include "entry/GridModel.h"
#include "entry/ShowTable.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/Schema.h"
#include "platform/TextFiles.h"
#include "sample/SampleConfiguration.h"
#include "setup/AmdStruct.h"
#include "widgets/abcMouseLabel.h"

#include "support/PrintTo.h"
#include "support/SampleYear.h"
#include "support/ScriptedPrompts.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <gtest/gtest.h>

namespace {

using Sample::Unit::ZarechnayaInpatient;

const QString kBrokenLine = QStringLiteral(
    "1512.00>=1524.00\tГР4\tСтр. 4 >= стр. 5 (пневмонии из болезней органов дыхания)");

// The view takes a double click only on the item the button went down on, as a user's does.
void doubleClick(QTreeWidget* tree, QTreeWidgetItem* node)
{
    tree->setCurrentItem(node);
    tree->scrollToItem(node);
    const QPoint at = tree->visualItemRect(node).center();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
}

QTreeWidgetItem* unitNode(QTreeWidget* tree, int id)
{
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if (nodeId(*it) == id)
            return *it;
    return nullptr;
}

// Keys go to the active window, as a user's do; a window shown from a handler becomes active only
// once events have run, and until then the main window's Esc would take them.
bool activate(QWidget& window)
{
    window.activateWindow();
    return QTest::qWaitFor([&] { return QApplication::activeWindow() == &window; });
}

QWidget* gridOf(TVTable& w) { return w.findChild<QWidget*>(QStringLiteral("StringGrid1")); }

// The stored rows of one cell of the institution's table in the year, as "value" texts.
QStringList storedCell(Database& data, int table, int column, int row)
{
    Query q(data, QStringLiteral(R"(select "data" from "data" where "hospital"=? and "year"=? and "table"=?
        and "column"=? and "row"=?)"),
            {ZarechnayaInpatient, Sample::DataYear, table, column, row});
    QStringList values;
    while (q.next())
        values << QString::number(q.toDouble(0));
    return values;
}

// The institution's stored rows of the year, all tables.
int storedRows(Database& data)
{
    return data.scalar(QStringLiteral(R"(select count(*) from "data" where "hospital"=? and "year"=?)"),
                       {ZarechnayaInpatient, Sample::DataYear})
        .toInt();
}

// A program folder whose settings file attaches a private copy of the sample configuration and
// opens its data year.
class TypicalRoad : public ::testing::Test {
protected:
    SampleYear sample;
    QTemporaryDir dir;

    void SetUp() override
    {
        if (!Files::isFolder(QStringLiteral(KESTRIN_BINARY_DIR "/sample/Образец")))
            GTEST_SKIP() << "the sample target was not built";
        ASSERT_TRUE(sample.copy()) << sample.error().toStdString();
        const QString program = dir.filePath(QStringLiteral("bin"));
        ASSERT_TRUE(QDir().mkpath(program + QStringLiteral("/source")));
        Files::setProgramFolder(program);
        Schema::createDataDatabaseFile(Files::templateDataDatabase());
        QString error;
        ASSERT_TRUE(writeLines1251(Files::settingsPath(),
                                   {QStringLiteral("[Конфигурации]"),
                                    QStringLiteral("Образец=") + sample.configFolder(),
                                    QStringLiteral("[Конфигурация]"),
                                    QStringLiteral("Year=%1").arg(Sample::DataYear)},
                                   &error))
            << error.toStdString();
    }
    // The year's files close before their folder is removed; the rest of the shared state is
    // put back by the guard after the test.
    void TearDown() override { Aliases::closeAll(); }
};

TEST_F(TypicalRoad, AnInstitutionsBrokenControlIsFoundCorrectedAndStored)
{
    const int rowsBefore = storedRows(*Database::open(sample.dataPath(), true));
    ScriptedPrompts prompts;
    TMain main;
    ASSERT_TRUE(main.yearOpen());
    ASSERT_EQ(ReportYear, Sample::DataYear);
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));

    int table = 0;
    bool structureShown = false, treeShown = false, gridShown = false, listShown = false;

    // The grid: F3 finds the broken control, its list shows it, the corrected cell is saved as it
    // is left, and F3 finds nothing more.
    const auto workGrid = [&](QDialog& dialog) {
        auto& grid = static_cast<TVTable&>(dialog);
        gridShown = true;
        EXPECT_EQ(VTable, &grid);
        EXPECT_EQ(CurrentFormName, QStringLiteral("Ф12"));
        EXPECT_EQ(CurrentFormNumber, QStringLiteral("(1000)"));
        EXPECT_EQ(grid.windowTitle(), unitNode(AdmForm->TreeView1, ZarechnayaInpatient)->text(0));
        table = CurrentTableId;
        GridModel& model = grid.model();
        // Grid cells (0, 3) and (0, 4) are Графа 4 of Строки 4 and 5; the latter is stored at column 5, row 8.
        EXPECT_EQ(model.value(0, 3), 1512);
        EXPECT_EQ(model.value(0, 4), 1524);
        EXPECT_TRUE(activate(grid));

        prompts.expectMessage(QStringLiteral("Обнаружены ошибки - 1"));
        QTest::keyClick(gridOf(grid), Qt::Key_F3);
        EXPECT_EQ(prompts.remaining(), 0);
        EXPECT_EQ(ControlErrorLines(), QStringList{kBrokenLine});

        prompts.expectModal(QStringLiteral("TForm1"), [&](QDialog& shown) {
            const ResultList& list = static_cast<TForm1&>(shown).list();
            listShown = true;
            EXPECT_EQ(list.items.size(), 1);
            if (!list.items.isEmpty()) {
                EXPECT_EQ(list.items[0].caption, QStringLiteral("1512.00>=1524.00"));
                EXPECT_EQ(list.items[0].object, 5);   // the control's code
            }
            return int(QDialog::Accepted);
        });
        grid.N7->trigger();
        EXPECT_EQ(prompts.remaining(), 0);

        model.moveTo(0, 4);
        QTest::keyClick(gridOf(grid), Qt::Key_Delete, Qt::ControlModifier);
        QTest::keyClicks(gridOf(grid), QStringLiteral("1512"));
        QTest::keyClick(gridOf(grid), Qt::Key_Up);   // leaving the cell saves it
        EXPECT_EQ(storedCell(dbdat(), table, 5, 8), QStringList{QStringLiteral("1512")});

        prompts.expectMessage(QStringLiteral("Ошибок контроля нет"));
        QTest::keyClick(gridOf(grid), Qt::Key_F3);
        EXPECT_EQ(prompts.remaining(), 0);
        EXPECT_TRUE(ControlErrors.isEmpty());

        QTest::keyClick(gridOf(grid), Qt::Key_Escape);
        EXPECT_FALSE(grid.isVisible());
        return grid.result();
    };

    // The forms tree of the institution's type: a double click on Ф12's table (1000).
    const auto workTree = [&](QDialog& dialog) {
        auto& forms = static_cast<TFormList&>(dialog);
        treeShown = true;
        EXPECT_EQ(FormList, &forms);
        EXPECT_EQ(CurrentInstitutionId, ZarechnayaInpatient);
        QTreeWidgetItem* tableNode = nullptr;
        for (int i = 0; i < forms.TreeView1->topLevelItemCount(); ++i) {
            QTreeWidgetItem* form = forms.TreeView1->topLevelItem(i);
            if (nodeId(form) != Sample::Form::F12)
                continue;
            form->setExpanded(true);
            for (int j = 0; j < form->childCount(); ++j)
                if (form->child(j)->text(0).startsWith(QStringLiteral("(1000)")))
                    tableNode = form->child(j);
        }
        EXPECT_TRUE(tableNode);
        if (!tableNode)
            return int(QDialog::Rejected);
        prompts.expectModal(QStringLiteral("TVTable"), workGrid);
        doubleClick(forms.TreeView1, tableNode);
        EXPECT_EQ(prompts.remaining(), 0);
        EXPECT_EQ(VTable, nullptr);
        EXPECT_TRUE(activate(forms));
        QTest::keyClick(forms.TreeView1, Qt::Key_Escape);
        EXPECT_FALSE(forms.isVisible());
        return forms.result();
    };

    // The structure in its data-entry mode: a double click on the institution.
    prompts.expectModal(QStringLiteral("TAdmForm"), [&](QDialog& dialog) {
        auto& structure = static_cast<TAdmForm&>(dialog);
        structureShown = true;
        EXPECT_EQ(structure.mode(), AdmMode::DataEntry);
        EXPECT_EQ(WorkMode, QStringLiteral("Input"));
        EXPECT_EQ(DataTablePrefix, QStringLiteral("Data"));
        EXPECT_FALSE(NetMode);
        EXPECT_EQ(CurrentInstitutionId, 0);
        structure.TreeView1->expandAll();
        QTreeWidgetItem* unit = unitNode(structure.TreeView1, ZarechnayaInpatient);
        EXPECT_TRUE(unit);
        if (!unit)
            return int(QDialog::Rejected);
        prompts.expectModal(QStringLiteral("TFormList"), workTree);
        doubleClick(structure.TreeView1, unit);
        EXPECT_EQ(prompts.remaining(), 0);
        EXPECT_EQ(FormList, nullptr);
        EXPECT_TRUE(activate(structure));
        QTest::keyClick(structure.TreeView1, Qt::Key_Escape);
        EXPECT_FALSE(structure.isVisible());
        return structure.result();
    });
    QTest::mouseClick(main.findChild<TabcMouseLabel*>(QStringLiteral("Button2")), Qt::LeftButton);
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_TRUE(structureShown && treeShown && gridShown && listShown);
    EXPECT_TRUE(main.isVisible());

    EXPECT_EQ(WorkMode, QString());
    EXPECT_EQ(DataTablePrefix, QString());
    EXPECT_FALSE(NetMode);
    EXPECT_EQ(CurrentInstitutionId, 0);
    EXPECT_EQ(AdmForm, nullptr);

    // The data file itself, read apart from the program's connection.
    ASSERT_GT(table, 0);
    const std::unique_ptr<Database> data = Database::open(sample.dataPath(), true);
    EXPECT_EQ(storedCell(*data, table, 5, 8), QStringList{QStringLiteral("1512")});
    EXPECT_EQ(storedRows(*data), rowsBefore);   // the cell was updated in place, nothing else written
    EXPECT_TRUE(main.yearOpen());
}

}  // namespace
