#include "entry/charNT.h"

#include "Captions.h"
#include "OpenGrid.h"
#include "PrintTo.h"
#include "ScriptedPrompts.h"
#include "YearFixture.h"
#include "core/Common.h"
#include "core/NetConditions.h"
#include "core/StructureCache.h"
#include "core/TreeMarks.h"
#include "entry/ShowTable.h"
#include "platform/Database.h"
#include "widgets/abcCheckBox.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

QTreeWidgetItem* typeNode(TNTChar& d, int id)
{
    QList<QTreeWidgetItem*> stack;
    for (int i = 0; i < d.TreeView1->topLevelItemCount(); ++i)
        stack.append(d.TreeView1->topLevelItem(i));
    while (!stack.isEmpty()) {
        QTreeWidgetItem* n = stack.takeLast();
        if (nodeId(n) == id)
            return n;
        for (int i = 0; i < n->childCount(); ++i)
            stack.append(n->child(i));
    }
    return nullptr;
}

void doubleClickType(TNTChar& d, int id)
{
    QTreeWidgetItem* node = typeNode(d, id);
    ASSERT_TRUE(node) << id;
    d.TreeView1->scrollToItem(node);
    const QPoint at = d.TreeView1->visualItemRect(node).center();
    QTest::mouseClick(d.TreeView1->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(d.TreeView1->viewport(), Qt::LeftButton, {}, at);
}

void click(QAbstractButton* b)
{
    // A radio button takes clicks on its mark and caption only, at its left.
    const QPoint at = qobject_cast<QRadioButton*>(b) ? QPoint(6, b->height() / 2) : b->rect().center();
    QTest::mouseClick(b, Qt::LeftButton, {}, at);
}

// Works the dialog and tells what became of it: its result when it closed, -1 while it is open.
int outcome(QDialog& d)
{
    return d.isVisible() ? -1 : d.result();
}

} // namespace

// The network form's table (0100), 4 x 9 with 2 + 3 headers and formed by rows: grid columns
// 0..1, rows 0..5. Types: "Больницы" (1) over 2..12, so that "3,12" is a list of two leaves.
class ConditionDialog : public ::testing::Test {
protected:
    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025, YearFixture::InstallAliases};
    int f30 = year.addForm(QStringLiteral("Ф30"));
    int t2100 = year.addTable(f30, QStringLiteral("(2100)"), QStringLiteral("Посещения"), 5, 8, 2, 3);
    int f47 = year.addForm(QStringLiteral("Ф47"), QStringLiteral("Сеть"), true);
    int t0100 = year.addTable(f47, QStringLiteral("(0100)"), QStringLiteral("Число"), 4, 9, 2, 3);
    int report = year.addReport(QStringLiteral("Сеть"), true, {});
    ScriptedPrompts prompts;

    void SetUp() override
    {
        year.addMedicalType(QStringLiteral("Больницы"));
        for (int i = 2; i <= 12; ++i)
            year.addMedicalType(QStringLiteral("Тип %1").arg(i), 1);
        year.addPlainTitles(t0100);
        refreshStructureCaches(year.dictionary());
        networkMode(true);
        openGrid(f47, QStringLiteral("Ф47"), QStringLiteral("(0100)"));
    }
    void networkMode(bool on)
    {
        WorkMode = on ? QStringLiteral("Net") : QStringLiteral("Input");
        NetMode = on;
        DataTablePrefix = on ? QStringLiteral("RepData") : QStringLiteral("Data");
        ReportYear = 2025;
        CurrentInstitutionId = on ? report : 0;
    }
    std::optional<NetCondition> stored(int row, int column)
    {
        return NetConditions::find(year.dictionary(), t0100, row, column);
    }
    QWidget* grid(TVTable& w) { return w.StringGrid1; }
    // The next key opens the dialog; `work` works it and returns outcome().
    void expectDialog(std::function<int(TNTChar&)> work)
    {
        prompts.expectModal(QStringLiteral("TNTChar"), [work](QDialog& d) {
            auto* dialog = qobject_cast<TNTChar*>(&d);
            return dialog ? work(*dialog) : -2;
        });
    }
};

TEST_F(ConditionDialog, RecordsOfEveryKindAreInsertedUpdatedAndDeleted)
{
    TVTable window;
    window.Label2->setText(QStringLiteral("(0100) - Число"));
    window.show();
    QTest::keyClick(grid(window), Qt::Key_Down);   // row 1, column 0

    // F6: the column's record (the computing one) in the full dialog; nothing stored yet.
    expectDialog([](TNTChar& d) {
        EXPECT_FALSE(d.BitBtn3->isVisible());
        EXPECT_TRUE(d.RadioGroup1->isVisible());
        EXPECT_EQ(d.Label1->text(), QStringLiteral("(0100) - Число\nГрафа 3:Графа 3:Графа 3:"));
        click(d.abcCheckBox1);
        click(d.SumButton);
        EXPECT_TRUE(d.CheckBox2->isVisible());
        d.Edit1->setText(QStringLiteral("Ф30Т(2100)СТР1ГР3-*"));
        d.Edit3->clear();
        QTest::keyClicks(d.Edit3, QStringLiteral("4x"));
        click(d.BitBtn1);
        return outcome(d);
    });
    QTest::keyClick(grid(window), Qt::Key_F6);
    std::optional<NetCondition> column = stored(-1, 0);
    ASSERT_TRUE(column);
    EXPECT_EQ(column->types, QStringLiteral("*"));
    EXPECT_TRUE(column->sum);
    EXPECT_EQ(column->koeff, 4);
    EXPECT_EQ(column->formula, QStringLiteral("Ф30Т(2100)СТР1ГР3-*"));

    // Read back and updated.
    expectDialog([](TNTChar& d) {
        EXPECT_TRUE(d.BitBtn3->isVisible());
        EXPECT_TRUE(d.abcCheckBox1->isChecked());
        EXPECT_EQ(d.conditionTypes(), QStringLiteral("*"));
        EXPECT_TRUE(d.SumButton->isChecked());
        EXPECT_EQ(d.Edit3->text(), QStringLiteral("4"));
        d.Edit3->setText(QStringLiteral("2"));
        click(d.BitBtn1);
        return outcome(d);
    });
    QTest::keyClick(grid(window), Qt::Key_F6);
    EXPECT_EQ(stored(-1, 0)->koeff, 2);
    EXPECT_EQ(stored(-1, 0)->types, QStringLiteral("*"));

    // F5: the row's record (the selecting one) in the reduced dialog.
    expectDialog([](TNTChar& d) {
        EXPECT_FALSE(d.RadioGroup1->isVisible());
        EXPECT_FALSE(d.Edit3->isVisible());
        EXPECT_FALSE(d.CheckBox2->isVisible());
        EXPECT_EQ(d.Label1->text(), QStringLiteral("(0100) - Число\nСтрока 2:Строка 2:"));
        doubleClickType(d, 12);
        doubleClickType(d, 3);
        d.Edit1->setText(QStringLiteral("Ф30Т(2100)СТР2ГР4"));
        click(d.BitBtn1);
        return outcome(d);
    });
    QTest::keyClick(grid(window), Qt::Key_F5);
    ASSERT_TRUE(stored(1, -1));
    EXPECT_EQ(stored(1, -1)->types, QStringLiteral("3,12"));

    // "3,12" reads back exactly and is kept by OK.
    expectDialog([](TNTChar& d) {
        EXPECT_EQ(d.conditionTypes(), QStringLiteral("3,12"));
        EXPECT_TRUE(IsNodeMarked(typeNode(d, 3)));
        EXPECT_TRUE(IsNodeMarked(typeNode(d, 12)));
        EXPECT_TRUE(IsNodeMarked(typeNode(d, 1)));
        EXPECT_FALSE(IsNodeMarked(typeNode(d, 4)));
        // F8 composes a cell's condition only.
        QTest::keyClick(&d, Qt::Key_F8);
        EXPECT_EQ(d.Edit1->text(), QStringLiteral("Ф30Т(2100)СТР2ГР4"));
        click(d.BitBtn1);
        return outcome(d);
    });
    QTest::keyClick(grid(window), Qt::Key_F5);
    EXPECT_EQ(stored(1, -1)->types, QStringLiteral("3,12"));

    // F7: the cell; F8 composes it from its row and column, the "*" replaced once.
    expectDialog([](TNTChar& d) {
        QTest::keyClick(&d, Qt::Key_F8);
        EXPECT_EQ(d.Edit1->text(), QStringLiteral("Ф30Т(2100)СТР1ГР3-Ф30Т(2100)СТР2ГР4"));
        EXPECT_EQ(d.conditionTypes(), QStringLiteral("3,12"));
        EXPECT_TRUE(d.SumButton->isChecked());
        EXPECT_EQ(d.Edit3->text(), QStringLiteral("2"));
        click(d.BitBtn1);
        return outcome(d);
    });
    QTest::keyClick(grid(window), Qt::Key_F7);
    ASSERT_TRUE(stored(1, 0));
    EXPECT_EQ(stored(1, 0)->formula, QStringLiteral("Ф30Т(2100)СТР1ГР3-Ф30Т(2100)СТР2ГР4"));
    EXPECT_EQ(stored(1, 0)->types, QStringLiteral("3,12"));

    // "Удалить" asks: "Нет" keeps the dialog and the record, "Да" deletes it.
    expectDialog([](TNTChar& d) {
        click(d.BitBtn3);
        EXPECT_TRUE(d.isVisible());
        click(d.BitBtn2);
        return outcome(d);
    });
    prompts.expectQuestion(false, QStringLiteral("Удалить условие?"));
    QTest::keyClick(grid(window), Qt::Key_F7);
    EXPECT_TRUE(stored(1, 0));
    expectDialog([](TNTChar& d) {
        click(d.BitBtn3);
        return outcome(d);
    });
    prompts.expectQuestion(true, QStringLiteral("Удалить условие?"));
    QTest::keyClick(grid(window), Qt::Key_F7);
    EXPECT_FALSE(stored(1, 0));
    EXPECT_TRUE(stored(1, -1));
    EXPECT_TRUE(stored(-1, 0));
    EXPECT_EQ(prompts.remaining(), 0);
}

TEST_F(ConditionDialog, OkStaysOpenWithoutATypeOrWithAConditionThatDoesNotRead)
{
    TVTable window;
    window.show();
    expectDialog([this](TNTChar& d) {
        click(d.BitBtn1);                    // no type chosen
        EXPECT_TRUE(d.isVisible());
        doubleClickType(d, 5);
        d.Memo1->setPlainText(QStringLiteral("(Ф30Т(2100)СТР1ГР3>0"));
        click(d.BitBtn1);                    // the bracket is missing
        EXPECT_TRUE(d.isVisible());
        d.Memo1->setPlainText(QStringLiteral("Т(2100)СТР1ГР3>0"));
        click(d.BitBtn1);                    // no form
        EXPECT_TRUE(d.isVisible());
        EXPECT_FALSE(stored(0, -1));
        d.Memo1->setPlainText(QStringLiteral("Ф30Т(2100)СТР1ГР3>0 OR\nФ30Т(2100)СТР2ГР3>0"));
        click(d.BitBtn1);
        return outcome(d);
    });
    prompts.expectMessage(QStringLiteral("Необходимо выбрать хотя бы один тип учреждений!"));
    prompts.expectError(QStringLiteral("Условие не прочитано: Не хватает правой скобки"));
    prompts.expectError(QStringLiteral("Условие не прочитано: "));
    QTest::keyClick(grid(window), Qt::Key_F5);
    ASSERT_TRUE(stored(0, -1));
    EXPECT_EQ(stored(0, -1)->types, QStringLiteral("5"));
    EXPECT_EQ(stored(0, -1)->condition, QStringLiteral("Ф30Т(2100)СТР1ГР3>0 OR\nФ30Т(2100)СТР2ГР3>0"));
}

TEST_F(ConditionDialog, AllTypesThenADoubleClickGivesAnExplicitList)
{
    TVTable window;
    window.show();
    expectDialog([](TNTChar& d) {
        click(d.abcCheckBox1);
        EXPECT_EQ(d.conditionTypes(), QStringLiteral("*"));
        doubleClickType(d, 4);
        EXPECT_FALSE(d.abcCheckBox1->isChecked());
        // The space key toggles as a double click does.
        d.TreeView1->setCurrentItem(typeNode(d, 6));
        QTest::keyClick(d.TreeView1, Qt::Key_Space);
        click(d.BitBtn1);
        return outcome(d);
    });
    QTest::keyClick(grid(window), Qt::Key_F5);
    ASSERT_TRUE(stored(0, -1));
    EXPECT_EQ(stored(0, -1)->types, QStringLiteral("2,3,5,7,8,9,10,11,12"));
}

TEST_F(ConditionDialog, TheKeysDoNothingOutsideNetworkMode)
{
    networkMode(false);
    CurrentInstitutionId = 0;
    TVTable window;
    window.show();
    for (Qt::Key key : {Qt::Key_F5, Qt::Key_F6, Qt::Key_F7, Qt::Key_F11})
        QTest::keyClick(grid(window), key);   // any dialog would fail the script
    EXPECT_FALSE(window.N18->menuAction()->isVisible());
    EXPECT_TRUE(NetConditions::read(year.dictionary(), t0100).isEmpty());
}

TEST_F(ConditionDialog, F11ShowsAndHidesTheSetupMenu)
{
    TVTable window;
    window.show();
    EXPECT_FALSE(window.N18->menuAction()->isVisible());
    EXPECT_FALSE(window.N42->isVisible());
    QTest::keyClick(grid(window), Qt::Key_F11);
    EXPECT_TRUE(window.N18->menuAction()->isVisible());
    EXPECT_EQ(caption(window.N15), QStringLiteral("Строка"));
    EXPECT_EQ(caption(window.N16), QStringLiteral("Графа"));
    QTest::keyClick(grid(window), Qt::Key_F11);
    EXPECT_FALSE(window.N18->menuAction()->isVisible());
}
