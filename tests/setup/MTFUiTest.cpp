#include "setup/MTF.h"

#include "PrintTo.h"
#include "SampleYear.h"
#include "ScriptedPrompts.h"
#include "TreeDrag.h"
#include "core/TreeMarks.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "sample/SampleConfiguration.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

using namespace Sample::Type;
using Sample::Form::F12;
using Sample::Form::F30;

const QString kF12 = QStringLiteral(
    "Ф12 - Сведения о числе заболеваний, зарегистрированных у пациентов, проживающих в районе "
    "обслуживания медицинской организации");
const QString kF30 = QStringLiteral("Ф30 - Сведения о медицинской организации");

void describe(const QTreeWidgetItem* node, const QString& indent, QStringList& lines)
{
    lines << indent + QString::number(nodeId(node));
    for (int i = 0; i < node->childCount(); ++i)
        describe(node->child(i), indent + QStringLiteral("  "), lines);
}

// The ids of the tree as shown, indented by level.
QStringList shownIds(const QTreeWidget* tree)
{
    QStringList lines;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        describe(tree->topLevelItem(i), QString(), lines);
    return lines;
}

QTreeWidgetItem* findNode(QTreeWidget* tree, int id)
{
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        if (nodeId(*it) == id)
            return *it;
    }
    return nullptr;
}

QStringList checkedForms(const QListWidget* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->checkState() == Qt::Checked)
            texts << list->item(i)->text();
    }
    return texts;
}

void clickNode(QTreeWidget* tree, int id)
{
    QTreeWidgetItem* node = findNode(tree, id);
    ASSERT_TRUE(node) << id;
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
}

// Ticks a form the way a user does: a click on its check box.
void toggleForm(QListWidget* list, int row)
{
    QListWidgetItem* item = list->item(row);
    item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

class SampleTypes : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sample.install()) << sample.error().toStdString();
    }

    QList<int> stored(int type)
    {
        QList<int> forms;
        Query q(dbmain(), QStringLiteral(R"(select "formsid" from "med_type_forms" where "medicalsid"=?
            order by rowid)"), {type});
        while (q.next())
            forms << q.toInt(0);
        return forms;
    }

    SampleYear sample;
};

TEST_F(SampleTypes, TheTreeAndTheNonNetworkFormsAreShownWithTheFirstTypeChosen)
{
    ScriptedPrompts prompts;
    TMTFs window;
    window.show();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Типы учреждений"));
    window.TreeView1->expandAll();
    EXPECT_EQ(shownIds(window.TreeView1),
              (QStringList{"1", "  2", "  3", "  4", "5", "  6", "  7"}));
    ASSERT_EQ(window.CheckListBox1->count(), 2);
    EXPECT_EQ(window.CheckListBox1->item(0)->text(), kF12);
    EXPECT_EQ(window.CheckListBox1->item(1)->text(), kF30);
    // A type with subtypes gets no forms of its own.
    EXPECT_EQ(window.shownTypeId(), Hospitals);
    EXPECT_TRUE(checkedForms(window.CheckListBox1).isEmpty());
    EXPECT_FALSE(window.CheckListBox1->isEnabled());
    EXPECT_FALSE(window.BitBtn1->isVisible());
    EXPECT_FALSE(window.Button1->isVisible());

    clickNode(window.TreeView1, CentralDistrict);
    EXPECT_EQ(checkedForms(window.CheckListBox1), (QStringList{kF12, kF30}));
    clickNode(window.TreeView1, Feldsher);
    EXPECT_EQ(checkedForms(window.CheckListBox1), (QStringList{kF30}));
    EXPECT_TRUE(window.CheckListBox1->isEnabled());
}

TEST_F(SampleTypes, TickedFormsGoToTheTypeTheyWereTickedForAfterKeyboardNavigation)
{
    ScriptedPrompts prompts;
    TMTFs window;
    window.show();
    window.TreeView1->expandAll();
    clickNode(window.TreeView1, Polyclinics);
    // Down to the feldsher posts with the keyboard alone: the list follows.
    QTest::keyClick(window.TreeView1, Qt::Key_Down);
    ASSERT_EQ(window.shownTypeId(), Feldsher);
    EXPECT_EQ(checkedForms(window.CheckListBox1), (QStringList{kF30}));

    toggleForm(window.CheckListBox1, 0);
    EXPECT_TRUE(window.BitBtn1->isVisible());
    QTest::mouseClick(window.BitBtn1, Qt::LeftButton);
    EXPECT_FALSE(window.BitBtn1->isVisible());
    EXPECT_EQ(stored(Feldsher), (QList<int>{F12, F30}));
    EXPECT_EQ(stored(Polyclinics), (QList<int>{F12, F30}));

    // Ticks left unsaved stay with the type they were made for: moving on asks, and after "Нет"
    // shows the next type's.
    toggleForm(window.CheckListBox1, 1);
    prompts.expectYesNoCancel(Prompts::Answer::No, QStringLiteral("Сохранить изменения?"));
    QTest::keyClick(window.TreeView1, Qt::Key_Up);
    EXPECT_EQ(prompts.remaining(), 0);
    ASSERT_EQ(window.shownTypeId(), Polyclinics);
    EXPECT_EQ(checkedForms(window.CheckListBox1), (QStringList{kF12, kF30}));
    EXPECT_FALSE(window.BitBtn1->isVisible());
    toggleForm(window.CheckListBox1, 0);
    toggleForm(window.CheckListBox1, 1);
    window.BitBtn1Click();
    EXPECT_TRUE(stored(Polyclinics).isEmpty());
    EXPECT_EQ(stored(Feldsher), (QList<int>{F12, F30}));

    // Read back after the keyboard returns.
    QTest::keyClick(window.TreeView1, Qt::Key_Down);
    EXPECT_EQ(checkedForms(window.CheckListBox1), (QStringList{kF12, kF30}));
    QTest::keyClick(window.TreeView1, Qt::Key_Up);
    EXPECT_TRUE(checkedForms(window.CheckListBox1).isEmpty());
}

// Ticks changed for one type are never dropped without a word when another type is chosen or
// the window is left: "Да" saves them, "Нет" drops them, "Отмена" stays with them.
TEST_F(SampleTypes, LeavingATypeWithChangedTicksAsksWhetherToSaveThem)
{
    const struct {
        const char* what;
        Prompts::Answer answer;
        int shownAfter;
        QList<int> feldsherStored;
        QStringList checkedAfter;
    } cases[] = {
        {"Да", Prompts::Answer::Yes, Polyclinics, {F12, F30}, {kF12, kF30}},
        {"Нет", Prompts::Answer::No, Polyclinics, {F30}, {kF12, kF30}},
        {"Отмена", Prompts::Answer::Cancel, Feldsher, {F30}, {kF12, kF30}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(sample.install()) << sample.error().toStdString();
        ScriptedPrompts prompts;
        TMTFs window;
        window.show();
        window.TreeView1->expandAll();
        clickNode(window.TreeView1, Feldsher);
        toggleForm(window.CheckListBox1, 0);   // Ф12 ticked for the feldsher posts
        prompts.expectYesNoCancel(c.answer, QStringLiteral("Сохранить изменения?"));
        clickNode(window.TreeView1, Polyclinics);
        EXPECT_EQ(prompts.remaining(), 0);
        EXPECT_EQ(window.shownTypeId(), c.shownAfter);
        EXPECT_EQ(nodeId(window.TreeView1->currentItem()), c.shownAfter);
        EXPECT_EQ(stored(Feldsher), c.feldsherStored);
        EXPECT_EQ(checkedForms(window.CheckListBox1), c.checkedAfter);
        EXPECT_EQ(window.ticksChanged(), c.answer == Prompts::Answer::Cancel);

        // Leaving the window asks the same; "Отмена" keeps it open.
        if (window.ticksChanged()) {
            prompts.expectYesNoCancel(Prompts::Answer::Cancel, QStringLiteral("Сохранить изменения?"));
            QTest::mouseClick(window.BitBtn2, Qt::LeftButton);
            EXPECT_TRUE(window.isVisible());
            prompts.expectYesNoCancel(Prompts::Answer::Yes, QStringLiteral("Сохранить изменения?"));
            QTest::keyClick(&window, Qt::Key_Escape);
            EXPECT_FALSE(window.isVisible());
            EXPECT_EQ(stored(Feldsher), (QList<int>{F12, F30}));
        }
        Aliases::closeAll();
    }
}

TEST_F(SampleTypes, TicksMadeBeforeTheOrderingModeAreStillSaved)
{
    ScriptedPrompts prompts;
    TMTFs window;
    window.show();
    window.TreeView1->expandAll();
    clickNode(window.TreeView1, Feldsher);
    ASSERT_EQ(checkedForms(window.CheckListBox1), (QStringList{kF30}));
    toggleForm(window.CheckListBox1, 0);
    QTest::keyClick(&window, Qt::Key_F11);
    ASSERT_TRUE(window.orderingMode());
    ASSERT_TRUE(window.BitBtn1->isVisible());
    QTest::mouseClick(window.BitBtn1, Qt::LeftButton);
    EXPECT_FALSE(window.BitBtn1->isVisible());
    EXPECT_EQ(stored(Feldsher), (QList<int>{F12, F30}));
}

TEST_F(SampleTypes, ARenameIsStoredAsTypedOrTakenBackWhenItFails)
{
    ScriptedPrompts prompts;
    TMTFs window;
    window.show();
    window.TreeView1->expandAll();
    QTreeWidgetItem* node = findNode(window.TreeView1, Rural);
    const auto rename = [&](const QString& text) {
        QApplication::processEvents();   // the last editor goes
        window.TreeView1->setCurrentItem(node);
        window.TreeView1->editItem(node);
        auto* editor = window.TreeView1->findChild<QLineEdit*>();
        ASSERT_TRUE(editor);
        editor->setText(text);
        QTest::keyClick(editor, Qt::Key_Return);
        QApplication::processEvents();   // the view commits the edit from its event queue
    };
    const QString quoted = QStringLiteral(R"(Участковые "сельские" и 'поселковые')");
    rename(quoted);
    EXPECT_EQ(node->text(0), quoted);
    EXPECT_EQ(dbmain().scalar(QStringLiteral(R"(select "type" from "medicaltypes" where "id"=?)"), {Rural}).toString(),
              quoted);

    prompts.expectError(QStringLiteral("Тип учреждения не переименован.\nНе указано наименование типа учреждения"));
    rename(QStringLiteral("  "));
    EXPECT_EQ(node->text(0), quoted);
    EXPECT_EQ(dbmain().scalar(QStringLiteral(R"(select "type" from "medicaltypes" where "id"=?)"), {Rural}).toString(),
              quoted);

    dbmain().exec(QStringLiteral(R"(create trigger f before update on "medicaltypes"
        begin select raise(abort,'forced'); end)"));
    prompts.expectError(QStringLiteral("Тип учреждения не переименован"));
    rename(QStringLiteral("Другое"));
    EXPECT_EQ(node->text(0), quoted);
    EXPECT_EQ(dbmain().scalar(QStringLiteral(R"(select "type" from "medicaltypes" where "id"=?)"), {Rural}).toString(),
              quoted);
}

TEST_F(SampleTypes, TypesMoveOnlyAmongTheirSiblingsAndTheOrderIsTheShownTree)
{
    ScriptedPrompts prompts;
    {
        TMTFs window;
        window.show();
        window.TreeView1->expandAll();
        const auto at = [&](int id) { return window.TreeView1->visualItemRect(findNode(window.TreeView1, id)).center(); };
        QTest::keyClick(&window, Qt::Key_F11);
        ASSERT_TRUE(window.orderingMode());
        EXPECT_TRUE(window.Button1->isVisible());
        EXPECT_FALSE(window.CheckListBox1->isEnabled());

        window.TreeView1->setCurrentItem(findNode(window.TreeView1, Feldsher));
        EXPECT_FALSE(window.TreeView1DragOver(at(Rural)));       // another parent
        EXPECT_FALSE(window.TreeView1DragOver(at(Outpatient)));  // its own parent
        EXPECT_TRUE(window.TreeView1DragOver(at(Polyclinics)));
        window.TreeView1DragDrop(at(Rural));                     // refused
        window.TreeView1DragDrop(at(Polyclinics));
        window.TreeView1->setCurrentItem(findNode(window.TreeView1, Outpatient));
        EXPECT_FALSE(window.TreeView1DragOver(at(CentralDistrict)));
        window.TreeView1DragDrop(at(Hospitals));
        const QStringList shown = {"5", "  7", "  6", "1", "  2", "  3", "  4"};
        EXPECT_EQ(shownIds(window.TreeView1), shown);

        QTest::mouseClick(window.Button1, Qt::LeftButton);
        EXPECT_FALSE(window.orderingMode());
        EXPECT_FALSE(window.Button1->isVisible());
        clickNode(window.TreeView1, CentralDistrict);
        EXPECT_TRUE(window.CheckListBox1->isEnabled());
    }
    QList<int> byInd;
    Query q(dbmain(), QStringLiteral(R"(select "id" from "medicaltypes" order by "ind")"));
    while (q.next())
        byInd << q.toInt(0);
    EXPECT_EQ(byInd, (QList<int>{Outpatient, Feldsher, Polyclinics, Hospitals, CentralDistrict, Rural, City}));

    TMTFs reopened;
    reopened.show();
    reopened.TreeView1->expandAll();
    EXPECT_EQ(shownIds(reopened.TreeView1), (QStringList{"5", "  7", "  6", "1", "  2", "  3", "  4"}));
}

TEST_F(SampleTypes, AMouseDragMovesTheTypeOnceAndARefusedOneChangesNothing)
{
    ScriptedPrompts prompts;
    TMTFs window;
    window.show();
    window.TreeView1->expandAll();
    const auto at = [&](int id) { return window.TreeView1->visualItemRect(findNode(window.TreeView1, id)).center(); };
    QTest::keyClick(&window, Qt::Key_F11);
    ASSERT_TRUE(window.orderingMode());
    const int nodes = nodeCount(window.TreeView1);
    const QStringList before = shownIds(window.TreeView1);

    // Onto a type of another parent: refused, the tree as it was.
    QTreeWidgetItem* feldsher = findNode(window.TreeView1, Feldsher);
    EXPECT_FALSE(dragThroughView(window.TreeView1, feldsher, at(Rural)));
    EXPECT_EQ(nodeCount(window.TreeView1), nodes);
    EXPECT_EQ(shownIds(window.TreeView1), before);

    // Onto a sibling: before it, shown once.
    EXPECT_TRUE(dragThroughView(window.TreeView1, feldsher, at(Polyclinics)));
    EXPECT_EQ(nodeCount(window.TreeView1), nodes);
    const QStringList moved = {"1", "  2", "  3", "  4", "5", "  7", "  6"};
    EXPECT_EQ(shownIds(window.TreeView1), moved);

    QTest::mouseClick(window.Button1, Qt::LeftButton);
    QList<int> byInd;
    Query q(dbmain(), QStringLiteral(R"(select "id" from "medicaltypes" order by "ind")"));
    while (q.next())
        byInd << q.toInt(0);
    EXPECT_EQ(byInd, (QList<int>{Hospitals, CentralDistrict, Rural, City, Outpatient, Feldsher, Polyclinics}));
}

}
