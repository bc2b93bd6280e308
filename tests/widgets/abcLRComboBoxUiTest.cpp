#include "widgets/abcLRComboBox.h"
#include "PrintTo.h"

#include <QSignalSpy>
#include <functional>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Reaches the native window's destruction and creation, which Qt keeps to itself, and counts
// the windows destroyed.
class Recreatable : public TabcLRComboBox {
public:
    using TabcLRComboBox::TabcLRComboBox;
    void destroyWindow() { destroy(true, true); }
    void createWindow() { create(); }
    int destroyed = 0;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::WinIdChange && internalWinId() == 0)
            ++destroyed;
        return TabcLRComboBox::event(e);
    }
};

class ComboWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        combo = new Recreatable(&first);
        combo->setObjectName(QStringLiteral("DBList"));
        combo->addItems({QStringLiteral("Область"), QStringLiteral("Город"), QStringLiteral("Район")});
        combo->setAttribute(Qt::WA_NativeWindow);
        first.show();
        second.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&first));
        ASSERT_NE(combo->internalWinId(), 0u);
    }

public:
    QWidget first, second;
    Recreatable* combo = nullptr;
};

}

TEST_F(ComboWindow, KeepsItsItemAcrossEveryRecreation)
{
    struct Case { const char* name; bool ownWindowGoes; std::function<void(ComboWindow&)> recreate; };
    const Case cases[] = {
        {"own window destroyed and made again", true, [](ComboWindow& t) {
             t.combo->destroyWindow();
             t.combo->createWindow();
         }},
        {"moved to another window", true, [](ComboWindow& t) {
             t.combo->setParent(t.combo->parentWidget() == &t.first ? &t.second : &t.first);
             t.combo->show();
         }},
        {"its top-level window rebuilt", false, [](ComboWindow& t) {
             QWidget* top = t.combo->window();
             top->setWindowFlags(top->windowFlags() ^ Qt::WindowStaysOnTopHint);
             top->show();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int index : {2, -1}) {
            combo->setCurrentIndex(index);
            const int destroyed = combo->destroyed;
            c.recreate(*this);
            ASSERT_TRUE(QTest::qWaitForWindowExposed(combo->window()));
            EXPECT_EQ(combo->destroyed, destroyed + (c.ownWindowGoes ? 1 : 0));
            EXPECT_NE(combo->internalWinId(), 0u);
            EXPECT_EQ(combo->currentIndex(), index);
            EXPECT_EQ(combo->currentText(), index == 2 ? QStringLiteral("Район") : QString());
        }
    }
}

TEST_F(ComboWindow, ASelectionMadeWhileWithoutWindowIsTheOneShown)
{
    combo->setCurrentIndex(2);
    combo->destroyWindow();
    combo->setCurrentIndex(0);
    combo->createWindow();
    EXPECT_EQ(combo->currentIndex(), 0);
}

TEST_F(ComboWindow, OnlyTheUsersChoiceRaisesOnChange)
{
    QSignalSpy changes(combo, &TabcLRComboBox::OnChange);
    combo->setCurrentIndex(1);    // the program selects: start-up must not open it twice
    combo->clear();
    combo->addItems({QStringLiteral("Годовой"), QStringLiteral("1 квартал")});
    EXPECT_EQ(changes.count(), 0);
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(combo->currentIndex(), 1);
    EXPECT_EQ(changes.count(), 1);
}
