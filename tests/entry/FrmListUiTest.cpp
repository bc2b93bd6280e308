#include "entry/FrmList.h"

#include "PrintTo.h"
#include "SampleYear.h"
#include "ScriptedPrompts.h"
#include "core/Common.h"
#include "core/Controls.h"
#include "core/StructureCache.h"
#include "core/TreeMarks.h"
#include "entry/ShowTable.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "sample/SampleConfiguration.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

const QString kF12 = QStringLiteral(
    "Ф12 - Сведения о числе заболеваний, зарегистрированных у пациентов, проживающих в районе "
    "обслуживания медицинской организации");
const QString kF30 = QStringLiteral("Ф30 - Сведения о медицинской организации");
const QString kF47 = QStringLiteral("Ф47 - Сведения о сети и деятельности медицинских организаций");

const QStringList kF12Tables = {
    QStringLiteral("(1000) - Дети (0-14 лет включительно)"),
    QStringLiteral("(2000) - Дети (15-17 лет включительно)"),
    QStringLiteral("(3000) - Взрослые (18 лет и старше)"),
    QStringLiteral("(4000) - Взрослые старше трудоспособного возраста"),
};
const QStringList kF30Tables = {
    QStringLiteral("(1100) - Должности и физические лица медицинской организации"),
    QStringLiteral("(2100) - Посещения медицинской организации"),
    QStringLiteral("(3100) - Коечный фонд и его использование"),
};

// The tree as it is shown: each form's text followed by its tables' texts, indented.
QStringList shownTree(const QTreeWidget* tree)
{
    QStringList lines;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* form = tree->topLevelItem(i);
        lines << form->text(0);
        for (int j = 0; j < form->childCount(); ++j)
            lines << QStringLiteral("  ") + form->child(j)->text(0);
    }
    return lines;
}

QStringList indented(const QStringList& tables)
{
    QStringList lines;
    for (const QString& t : tables)
        lines << QStringLiteral("  ") + t;
    return lines;
}

// The view takes a double click only on the item the button went down on, as a user's does.
void doubleClick(QTreeWidget* tree, QTreeWidgetItem* node)
{
    const QPoint at = tree->visualItemRect(node).center();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
}

QList<int> ids(const QTreeWidgetItem* form)
{
    QList<int> result{nodeId(form)};
    for (int j = 0; j < form->childCount(); ++j)
        result << nodeId(form->child(j));
    return result;
}

// A private copy of the sample's 2025 under the aliases, with the caches filled from it.
class SampleTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sample.install()) << sample.error().toStdString();
    }
    static void refreshCaches()
    {
        GetForms(dbmain());
        GetTables(dbmain());
    }
    static void inputRoad(int institution)
    {
        WorkMode = QStringLiteral("Input");
        DataTablePrefix = QStringLiteral("Data");
        CurrentInstitutionId = institution;
    }
    static int medicalTypeOf(int institution)
    {
        return dbmain()
            .scalar(QStringLiteral(R"(select "medicaltype" from "administration" where "id"=?)"), {institution})
            .toInt();
    }
    static QTreeWidgetItem* tableNode(TFormList& w, int form, int table)
    {
        return w.TreeView1->topLevelItem(form)->child(table);
    }

    SampleYear sample;
};

TEST_F(SampleTree, AnInstitutionSeesExactlyTheFormsOfItsType)
{
    struct Case { const char* what; int institution; QStringList tree; QList<QList<int>> ids; };
    const QList<Case> cases = {
        {"central district hospital: Ф12 and Ф30", Sample::Unit::ZarechnayaCrb,
         QStringList{kF12} + indented(kF12Tables) + QStringList{kF30} + indented(kF30Tables),
         {{Sample::Form::F12, 1, 2, 3, 4}, {Sample::Form::F30, 5, 6, 7}}},
        {"feldsher post: Ф30 alone", Sample::Unit::Sosnovka, QStringList{kF30} + indented(kF30Tables),
         {{Sample::Form::F30, 5, 6, 7}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedPrompts prompts;
        inputRoad(c.institution);
        TFormList window;
        window.setWindowTitle(QStringLiteral("Учреждение"));
        EXPECT_TRUE(window.Start(medicalTypeOf(c.institution)));
        EXPECT_EQ(shownTree(window.TreeView1), c.tree);
        QList<QList<int>> shownIds;
        for (int i = 0; i < window.TreeView1->topLevelItemCount(); ++i)
            shownIds << ids(window.TreeView1->topLevelItem(i));
        EXPECT_EQ(shownIds, c.ids);
    }
}

TEST_F(SampleTree, SummaryReportAndNetworkRoadsListTheirForms)
{
    ScriptedPrompts prompts;
    WorkMode = QStringLiteral("Svod");
    DataTablePrefix = QStringLiteral("RepData");
    CurrentInstitutionId = Sample::Report::Zarechny;
    {
        TFormList window;
        EXPECT_TRUE(window.Start(-1));
        EXPECT_EQ(shownTree(window.TreeView1),
                  QStringList{kF12} + indented(kF12Tables) + QStringList{kF30} + indented(kF30Tables));
    }
    WorkMode = QStringLiteral("Net");
    NetMode = true;
    CurrentInstitutionId = Sample::Report::Network;
    {
        TFormList window;
        EXPECT_TRUE(window.Start(-1));
        EXPECT_EQ(shownTree(window.TreeView1),
                  (QStringList{kF47, QStringLiteral("  (0100) - Число медицинских организаций"),
                               QStringLiteral("  (0200) - Коечный фонд медицинских организаций")}));
        EXPECT_EQ(ids(window.TreeView1->topLevelItem(0)), (QList<int>{Sample::Form::F47, 8, 9}));
    }
}

TEST_F(SampleTree, ATypeWithoutFormsGivesAnEmptyTreeThatStillOpens)
{
    ScriptedPrompts prompts;
    inputRoad(Sample::Unit::ZarechnayaCrb);
    TFormList window;
    EXPECT_FALSE(window.Start(Sample::Type::Hospitals));   // a group of types, no forms of its own
    EXPECT_EQ(window.TreeView1->topLevelItemCount(), 0);
    window.show();
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.N1->isEnabled());
}

// A form without tables sits among forms with tables: it must neither lose them nor act as a table.
TEST_F(SampleTree, AFormWithoutTablesIsAFormNode)
{
    dbmain().exec(QStringLiteral(R"(update "forms" set "ind"=5 where "id"=?)"), {Sample::Form::F30});
    dbmain().exec(QStringLiteral(R"(insert into "forms" ("formname","decipher","ind","net") values (?,?,?,?))"),
                  {QStringLiteral("Ф99"), QStringLiteral("Пустая"), 3, 0});
    const int f99 = int(dbmain().lastInsertId());
    dbmain().exec(QStringLiteral(R"(insert into "med_type_forms" values (?,?))"), {Sample::Type::CentralDistrict, f99});
    refreshCaches();

    ScriptedPrompts prompts;   // nothing may open
    inputRoad(Sample::Unit::ZarechnayaCrb);
    TFormList window;
    ASSERT_TRUE(window.Start(Sample::Type::CentralDistrict));
    const QStringList expected = QStringList{kF12} + indented(kF12Tables)
                                 + QStringList{QStringLiteral("Ф99 - Пустая"), kF30} + indented(kF30Tables);
    EXPECT_EQ(shownTree(window.TreeView1), expected);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    // Selecting a table first shows that the empty form switches the command off again.
    window.TreeView1->setCurrentItem(tableNode(window, 0, 1));
    EXPECT_TRUE(window.N1->isEnabled());
    EXPECT_EQ(TreeFormId, Sample::Form::F12);
    QTreeWidgetItem* empty = window.TreeView1->topLevelItem(1);
    window.TreeView1->setCurrentItem(empty);
    EXPECT_EQ(TreeFormId, f99);
    EXPECT_EQ(TreeFormName, QStringLiteral("Ф99"));
    EXPECT_FALSE(window.N1->isEnabled());

    window.TreeView1->setFocus();
    doubleClick(window.TreeView1, empty);
    QTest::keyClick(window.TreeView1, Qt::Key_Return);
    window.N1->trigger();
    EXPECT_EQ(prompts.log(), QStringList{});
    EXPECT_EQ(window.TreeView1->topLevelItemCount(), 3);
}

TEST_F(SampleTree, DoubleClickOpensTheGridOnTheChosenTable)
{
    ScriptedPrompts prompts;
    inputRoad(Sample::Unit::ZarechnayaCrb);
    TFormList window;
    window.setWindowTitle(QStringLiteral("Заречная ЦРБ"));
    ASSERT_TRUE(window.Start(Sample::Type::CentralDistrict));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.TreeView1->expandAll();

    SelectedTableNodeId = 0;
    CurrentFormNumber.clear();
    CurrentFormName.clear();
    CurrentTableId = 0;
    bool opened = false;
    prompts.expectModal(QStringLiteral("TVTable"), [&](QDialog& dialog) {
        auto& grid = static_cast<TVTable&>(dialog);
        opened = true;
        EXPECT_EQ(VTable, &grid);
        EXPECT_EQ(FormList, &window);
        EXPECT_EQ(SelectedTableNodeId, Sample::Form::F30);
        EXPECT_EQ(CurrentFormNumber, QStringLiteral("(2100)"));
        EXPECT_EQ(CurrentFormName, QStringLiteral("Ф30"));
        EXPECT_EQ(CurrentTableId, 6);
        EXPECT_EQ(grid.Label3->text(), kF30);
        EXPECT_EQ(grid.Label2->text(), kF30Tables[1]);
        EXPECT_EQ(grid.windowTitle(), QStringLiteral("Заречная ЦРБ"));
        EXPECT_FALSE(grid.N11->menuAction()->isVisible());   // "Разрезать" in the mode "Input"
        return int(QDialog::Rejected);
    });
    QTreeWidgetItem* node = tableNode(window, 1, 1);
    window.TreeView1->setCurrentItem(node);
    EXPECT_EQ(TreeFormId, Sample::Form::F30);
    EXPECT_EQ(TreeFormName, QStringLiteral("Ф30"));
    doubleClick(window.TreeView1, node);
    EXPECT_TRUE(opened);
    EXPECT_EQ(VTable, nullptr);
    EXPECT_EQ(window.TreeView1->topLevelItemCount(), 2);
}

TEST_F(SampleTree, LongFormNamesAndTableNumbersReachTheGridWhole)
{
    dbmain().exec(QStringLiteral(R"(insert into "forms" ("formname","decipher","ind","net") values (?,?,?,?))"),
                  {QStringLiteral("Ф12-ДОПОЛНИТЕЛЬНАЯ"), QStringLiteral("Длинная"), 9, 0});
    const int form = int(dbmain().lastInsertId());
    dbmain().exec(QStringLiteral(R"(insert into "tables" ("form","tablen","name","colcount","rowcount",
        "fixcols","fixrows","floattype","scan") values (?,?,?,?,?,?,?,?,?))"),
                  {form, QStringLiteral("(1000-доп-1)"), QStringLiteral("Приложение"), 4, 3, 1, 1, 0, 0});
    const int table = int(dbmain().lastInsertId());
    refreshCaches();

    ScriptedPrompts prompts;
    WorkMode = QStringLiteral("Svod");
    DataTablePrefix = QStringLiteral("RepData");
    CurrentInstitutionId = Sample::Report::Region;
    TFormList window;
    ASSERT_TRUE(window.Start(-1));
    ASSERT_EQ(window.TreeView1->topLevelItemCount(), 3);
    prompts.expectModal(QStringLiteral("TVTable"), [&](QDialog&) {
        EXPECT_EQ(SelectedTableNodeId, form);
        EXPECT_EQ(CurrentFormName, QStringLiteral("Ф12-ДОПОЛНИТЕЛЬНАЯ"));
        EXPECT_EQ(CurrentFormNumber, QStringLiteral("(1000-доп-1)"));
        EXPECT_EQ(CurrentTableId, table);
        return int(QDialog::Rejected);
    });
    window.TreeView1->setCurrentItem(tableNode(window, 2, 0));
    window.N1->trigger();
}

// Enter and "Таблица" open the grid like a double click; Enter on a form folds and unfolds it.
TEST_F(SampleTree, EnterAndTheMenuOpenTheGridAndTheRoadDecidesItsSplitMenu)
{
    struct Case { const char* what; const char* mode; bool recalcForm; bool split; bool byMenu; };
    const Case cases[] = {
        {"input road, Enter", "Input", false, false, false},
        {"input road offering recalculation, menu", "Input", true, true, true},
        {"summary report, Enter", "Svod", false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedPrompts prompts;
        inputRoad(Sample::Unit::ZarechnayaCrb);
        if (qstrcmp(c.mode, "Svod") == 0) {
            WorkMode = QStringLiteral("Svod");
            DataTablePrefix = QStringLiteral("RepData");
            CurrentInstitutionId = Sample::Report::Zarechny;
        }
        TFormList window;
        window.setRecalcFormShown(c.recalcForm);
        ASSERT_TRUE(window.Start(Sample::Type::CentralDistrict));
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.TreeView1->setFocus();

        QTreeWidgetItem* f12 = window.TreeView1->topLevelItem(0);
        window.TreeView1->setCurrentItem(f12);
        const bool wasExpanded = f12->isExpanded();
        QTest::keyClick(window.TreeView1, Qt::Key_Return);
        EXPECT_NE(f12->isExpanded(), wasExpanded);

        prompts.expectModal(QStringLiteral("TVTable"), [&](QDialog& dialog) {
            EXPECT_EQ(CurrentFormNumber, QStringLiteral("(4000)"));
            EXPECT_EQ(CurrentTableId, 4);
            EXPECT_EQ(static_cast<TVTable&>(dialog).N11->menuAction()->isVisible(), c.split);
            return int(QDialog::Rejected);
        });
        window.TreeView1->setCurrentItem(tableNode(window, 0, 3));
        if (c.byMenu)
            window.N1->trigger();
        else
            QTest::keyClick(window.TreeView1, Qt::Key_Return);
        EXPECT_EQ(prompts.remaining(), 0);
    }
}

TEST_F(SampleTree, TheWindowOwnsTheControlListsAndItsGlobalWhileOpen)
{
    ScriptedPrompts prompts;
    inputRoad(Sample::Unit::ZarechnayaCrb);
    AddControl(1, QStringLiteral("ГР3"), QStringLiteral("="), QStringLiteral("ГР4"));
    {
        TFormList window;
        EXPECT_EQ(FormList, &window);
        EXPECT_TRUE(CtlLeft.isEmpty());   // a new tree starts with no control loaded
        AddControl(2, QStringLiteral("ГР3"), QStringLiteral(">="), QStringLiteral("ГР5"),
                   QStringLiteral("стр1..2"), QStringLiteral("комментарий"));
    }
    EXPECT_EQ(FormList, nullptr);
    EXPECT_TRUE(CtlLeft.isEmpty());
    EXPECT_TRUE(CtlRight.isEmpty());
    EXPECT_TRUE(CtlRelation.isEmpty());
    EXPECT_TRUE(CtlComment.isEmpty());
    EXPECT_TRUE(CtlCycle.isEmpty());
}

TEST_F(SampleTree, EscAndExitCloseTheWindow)
{
    ScriptedPrompts prompts;
    inputRoad(Sample::Unit::ZarechnayaCrb);
    TFormList window;
    window.Start(Sample::Type::CentralDistrict);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::keyClick(window.TreeView1, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
    window.show();
    window.N8->trigger();
    EXPECT_FALSE(window.isVisible());
}

TEST_F(SampleTree, CommandsOnOneOwnersDataNeedOneOwner)
{
    struct Case { const char* mode; int owner; bool enabled; };
    const Case cases[] = {
        {"Input", Sample::Unit::ZarechnayaCrb, true},
        {"Types", Sample::Unit::ZarechnayaCrb, false},   // the tree shows sums over the types
        {"Input", 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        ScriptedPrompts prompts;
        WorkMode = QString::fromLatin1(c.mode);
        CurrentInstitutionId = c.owner;
        TFormList window;
        auto* command = new QAction(QStringLiteral("Очистить"), &window);
        window.addOwnerDataCommand(command);
        window.Start(-1);
        EXPECT_EQ(command->isEnabled(), c.enabled);
    }
}

}  // namespace
