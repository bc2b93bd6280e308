#include "widgets/MenuKeys.h"
#include "Captions.h"
#include "LetterKeys.h"
#include "PrintTo.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

QStringList texts(const QWidget& menu)
{
    QStringList result;
    for (const QAction* a : menu.actions())
        result << (a->isSeparator() ? QStringLiteral("--") : a->text());
    return result;
}

QWidget* popup() { return QApplication::activePopupWidget(); }

// A window with a bar as the program's windows have one: two menus and a command of the bar.
class MenuWindow : public ::testing::Test {
protected:
    QDialog window;
    QMenuBar* bar = new QMenuBar(&window);
    QMenu* print = nullptr;
    QMenu* cut = nullptr;
    QAction* word = nullptr;
    QAction* row = nullptr;
    QAction* quit = nullptr;
    QLineEdit* edit = new QLineEdit(&window);

    void SetUp() override
    {
        auto* layout = new QVBoxLayout(&window);
        layout->setMenuBar(bar);
        layout->addWidget(edit);
        giveMenuKeys(bar);
        print = bar->addMenu(QStringLiteral("Печать"));
        word = print->addAction(QStringLiteral("В Word"));
        print->addAction(QStringLiteral("В Excel"));
        cut = bar->addMenu(QStringLiteral("Разрезать"));
        cut->addAction(QStringLiteral("Ячейку"));
        row = cut->addAction(QStringLiteral("Строку"));
        quit = bar->addAction(QStringLiteral("Выход"));
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        edit->setFocus();
    }
    void TearDown() override
    {
        while (popup())
            QTest::keyClick(popup(), Qt::Key_Escape);
    }
};

} // namespace

TEST(MenuKeys, EachCaptionGetsTheFirstLetterItsMenuHasNotTaken)
{
    struct Case {
        const char* name;
        QStringList captions;
        QStringList marked;
    };
    const Case cases[] = {
        {"first letters", {QStringLiteral("Печать"), QStringLiteral("Разрезать"), QStringLiteral("Выход")},
         {QStringLiteral("&Печать"), QStringLiteral("&Разрезать"), QStringLiteral("&Выход")}},
        {"a taken letter passes to the next one",
         {QStringLiteral("Пред. таблица"), QStringLiteral("Пересчитать таблицу"), QStringLiteral("Подгрузить таблицу")},
         {QStringLiteral("&Пред. таблица"), QStringLiteral("П&ересчитать таблицу"), QStringLiteral("П&одгрузить таблицу")}},
        {"blanks are no letters", {QStringLiteral("В Word"), QStringLiteral("В Excel")},
         {QStringLiteral("&В Word"), QStringLiteral("В &Excel")}},
        {"letters match whatever their case", {QStringLiteral("Строку"), QStringLiteral("строку")},
         {QStringLiteral("&Строку"), QStringLiteral("с&троку")}},
        {"digits count", {QStringLiteral("1 квартал"), QStringLiteral("1 полугодие")},
         {QStringLiteral("&1 квартал"), QStringLiteral("1 &полугодие")}},
        {"no letter left", {QStringLiteral("Аб"), QStringLiteral("Ба"), QStringLiteral("аб")},
         {QStringLiteral("&Аб"), QStringLiteral("&Ба"), QStringLiteral("аб")}},
        {"an ampersand of the caption stays one", {QStringLiteral("Да && нет")}, {QStringLiteral("&Да && нет")}},
        {"the shortcut beside the item stays as it is", {QStringLiteral("Контроль\tF3")},
         {QStringLiteral("&Контроль\tF3")}},
        {"separators have none", {QStringLiteral("Протокол"), QStringLiteral("--"), QStringLiteral("Печать")},
         {QStringLiteral("&Протокол"), QStringLiteral("--"), QStringLiteral("П&ечать")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QMenu menu;
        for (const QString& caption : c.captions) {
            if (caption == QLatin1String("--"))
                menu.addSeparator();
            else
                menu.addAction(caption);
        }
        giveMenuKeys(&menu);
        EXPECT_EQ(texts(menu), c.marked);
        for (int i = 0; i < c.captions.size(); ++i)
            if (c.captions[i] != QLatin1String("--"))
                EXPECT_EQ(plainCaption(menu.actions()[i]->text()), caption(c.captions[i]));
    }
}

TEST(MenuKeys, LettersFollowItemsAddedRenamedAndRemovedLater)
{
    QMenuBar bar;
    giveMenuKeys(&bar);
    QMenu* setup = bar.addMenu(QStringLiteral("Настройка"));
    QAction* first = setup->addAction(QStringLiteral("Строка"));
    QAction* second = setup->addAction(QStringLiteral("Графа"));
    QAction* errors = bar.addAction(QStringLiteral("Ошибки"));
    errors->setVisible(false);
    bar.addAction(QStringLiteral("Очистить"));
    // The hidden item keeps its letter, so showing it changes no other.
    EXPECT_EQ(texts(bar), (QStringList{QStringLiteral("&Настройка"), QStringLiteral("&Ошибки"),
                                       QStringLiteral("О&чистить")}));
    errors->setVisible(true);
    EXPECT_EQ(texts(bar), (QStringList{QStringLiteral("&Настройка"), QStringLiteral("&Ошибки"),
                                       QStringLiteral("О&чистить")}));
    EXPECT_EQ(texts(*setup), (QStringList{QStringLiteral("&Строка"), QStringLiteral("&Графа")}));

    // A table of the other direction swaps the captions.
    first->setText(QStringLiteral("Графа"));
    second->setText(QStringLiteral("Строка"));
    EXPECT_EQ(texts(*setup), (QStringList{QStringLiteral("&Графа"), QStringLiteral("&Строка")}));

    setup->setTitle(QStringLiteral("Разрезать"));
    bar.removeAction(errors);
    EXPECT_EQ(texts(bar), (QStringList{QStringLiteral("&Разрезать"), QStringLiteral("&Очистить")}));
}

TEST_F(MenuWindow, AltAndALetterOpensItsMenuWhoseItemsTheLetterAlonePicks)
{
    pressLetter(&window, QChar(u'р'), Qt::AltModifier);
    ASSERT_EQ(popup(), cut);
    EXPECT_EQ(bar->activeAction(), cut->menuAction());
    QSignalSpy picked(row, &QAction::triggered);
    pressLetter(popup(), QChar(u'с'));
    EXPECT_EQ(picked.count(), 1);
    EXPECT_EQ(popup(), nullptr);

    // The arrows walk the bar from an open menu.
    pressLetter(&window, QChar(u'п'), Qt::AltModifier);
    ASSERT_EQ(popup(), print);
    QTest::keyClick(popup(), Qt::Key_Right);
    EXPECT_EQ(popup(), cut);

    QTest::keyClick(popup(), Qt::Key_Escape);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QSignalSpy quitted(quit, &QAction::triggered);
    pressLetter(&window, QChar(u'в'), Qt::AltModifier);   // a command of the bar runs at once
    EXPECT_EQ(quitted.count(), 1);
}

TEST_F(MenuWindow, ALoneAltAndF10LightTheBarForTheArrows)
{
    for (const Qt::Key key : {Qt::Key_Alt, Qt::Key_F10}) {
        SCOPED_TRACE(key == Qt::Key_Alt ? "Alt" : "F10");
        edit->setFocus();
        QTest::keyClick(edit, key, key == Qt::Key_Alt ? Qt::AltModifier : Qt::NoModifier);
        EXPECT_EQ(bar->activeAction(), print->menuAction());
        EXPECT_EQ(popup(), nullptr);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
        EXPECT_EQ(bar->activeAction(), cut->menuAction());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        ASSERT_EQ(popup(), cut);
        QTest::keyClick(popup(), Qt::Key_Escape);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        EXPECT_EQ(bar->activeAction(), nullptr);
        EXPECT_EQ(QApplication::focusWidget(), edit);
    }
}

TEST_F(MenuWindow, APopupMenuTakesItsLettersToo)
{
    QMenu menu;
    menu.addAction(QStringLiteral("Ячейку"));
    QAction* column = menu.addAction(QStringLiteral("Графу"));
    giveMenuKeys(&menu);
    QSignalSpy picked(column, &QAction::triggered);
    menu.popup(window.mapToGlobal(QPoint(10, 10)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return popup() == &menu; }));
    pressLetter(&menu, QChar(u'г'));
    EXPECT_EQ(picked.count(), 1);
}
