#include "setup/Tabls.h"

#include "PrintTo.h"
#include "ScriptedPrompts.h"
#include "YearFixture.h"
#include "platform/Database.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

struct Stored {
    QString tablen;
    QString name;
    int floattype = 0;
    int scan = 0;
    bool operator==(const Stored&) const = default;
};
void PrintTo(const Stored& s, std::ostream* os)
{
    *os << s.tablen.toStdString() << '|' << s.name.toStdString() << '|' << s.floattype << '|' << s.scan;
}

// Types text into a widget key by key, Cyrillic included (QTest knows only ASCII keys).
void typeText(QWidget* widget, const QString& text)
{
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &release);
    }
}

class Tables : public ::testing::Test {
protected:
    void open(int form, bool network)
    {
        TablesFormId = form;
        window = std::make_unique<TFTabs>();
        if (!network)
            window->RadioGroup1->hide();
        window->show();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        list = window->ListView1;
    }
    Stored stored(int ident)
    {
        Query q(year.dictionary(), QStringLiteral(R"(select "tablen","name","floattype","scan" from "tables" where "ident"=?)"), {ident});
        if (!q.next())
            return {};
        return {q.text(0), q.text(1), q.toInt(2), q.toInt(3)};
    }
    // Starts an edit of a row as the user does: a click on it, then Enter.
    void startEdit(int row)
    {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(row)).center());
        QTest::keyClick(list, Qt::Key_Return);
        ASSERT_TRUE(window->editing());
    }
    void retype(QLineEdit* edit, const QString& text)
    {
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        typeText(edit, text);
    }

    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025, YearFixture::InstallAliases};
    int f47 = year.addForm(QStringLiteral("Ф47"), QStringLiteral("Сеть"), true);
    int f12 = year.addForm(QStringLiteral("Ф12"), QStringLiteral("Заболеваемость"));
    int n1 = year.addTable(f47, QStringLiteral("(0100)"), QStringLiteral("Число МО"), 3, 3, 1, 1, false, 1);
    int n2 = year.addTable(f47, QStringLiteral("(0200)"), QStringLiteral("Койки"), 3, 3, 1, 1, true, 0);
    int t1 = year.addTable(f12, QStringLiteral("(1000)"), QStringLiteral("Дети"), 3, 3, 1, 1, false, 1);
    std::unique_ptr<TFTabs> window;
    QTreeWidget* list = nullptr;
};

TEST_F(Tables, OkAppearsAtTheFirstChangeAndSavesIt)
{
    open(f47, true);
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(1)->text(2), QStringLiteral("Да"));
    startEdit(0);
    EXPECT_EQ(window->Edit1->text(), QStringLiteral("(0100)"));
    EXPECT_TRUE(window->RadioColumns->isChecked());
    EXPECT_TRUE(window->BitBtn1->isHidden());
    typeText(window->Edit2, QStringLiteral(" и ФАП"));
    EXPECT_FALSE(window->BitBtn1->isHidden());
    QTest::mouseClick(window->CheckBox1, Qt::LeftButton, {}, QPoint(6, window->CheckBox1->height() / 2));
    QTest::mouseClick(window->RadioRows, Qt::LeftButton, {}, QPoint(6, window->RadioRows->height() / 2));
    ScriptedPrompts prompts;
    QTest::mouseClick(window->BitBtn1, Qt::LeftButton);
    EXPECT_FALSE(window->editing());
    EXPECT_EQ(stored(n1), (Stored{QStringLiteral("(0100)"), QStringLiteral("Число МО и ФАП"), 1, 0}));
    EXPECT_EQ(list->topLevelItem(0)->text(1), QStringLiteral("Число МО и ФАП"));
    EXPECT_EQ(list->topLevelItem(0)->text(2), QStringLiteral("Да"));
}

TEST_F(Tables, LeavingTheGroupWithAChangeAsksWhetherToSave)
{
    open(f47, true);
    struct Case { bool yes; const char* name; };
    for (const Case c : {Case{false, "Число МО"}, Case{true, "Число МОx"}}) {
        SCOPED_TRACE(c.yes);
        startEdit(0);
        typeText(window->Edit2, QStringLiteral("x"));
        ScriptedPrompts prompts;
        prompts.expectQuestion(c.yes, QStringLiteral("Сохранить изменения?"));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(1)).center());
        EXPECT_EQ(prompts.remaining(), 0);
        EXPECT_FALSE(window->editing());
        EXPECT_EQ(stored(n1).name, QString::fromUtf8(c.name));
    }
    // without a change nothing is asked
    startEdit(0);
    ScriptedPrompts prompts;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(1)).center());
    EXPECT_FALSE(window->editing());
}

TEST_F(Tables, EscapeClosesTheGroupFirstThenTheWindow)
{
    open(f47, true);
    startEdit(0);
    typeText(window->Edit2, QStringLiteral("x"));
    ScriptedPrompts prompts;
    QTest::keyClick(window->Edit2, Qt::Key_Escape);
    EXPECT_FALSE(window->editing());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(stored(n1).name, QStringLiteral("Число МО"));
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(Tables, AHiddenDirectionIsKeptOnSave)
{
    open(f12, false);
    startEdit(0);
    EXPECT_FALSE(window->RadioGroup1->isVisible());
    typeText(window->Edit2, QStringLiteral(" до 14 лет"));
    ScriptedPrompts prompts;
    QTest::mouseClick(window->BitBtn1, Qt::LeftButton);
    EXPECT_EQ(stored(t1), (Stored{QStringLiteral("(1000)"), QStringLiteral("Дети до 14 лет"), 0, 1}));
}

TEST_F(Tables, ARefusedNumberKeepsTheEditOpenAndChangesNothing)
{
    open(f47, true);
    startEdit(0);
    struct Case { const char* number; const char* says; };
    const Case cases[] = {{"(0200)", "Таблица (0200) уже есть в этой форме"}, {"0300", "Номер таблицы записывается в скобках"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        retype(window->Edit1, QString::fromUtf8(c.number));
        ScriptedPrompts prompts;
        prompts.expectError(QString::fromUtf8(c.says));
        QTest::mouseClick(window->BitBtn1, Qt::LeftButton);
        EXPECT_TRUE(window->editing());
        EXPECT_EQ(stored(n1).tablen, QStringLiteral("(0100)"));
    }
}

TEST_F(Tables, RenumberingCarriesTheControlsOfTheTableAndSaysHowMany)
{
    const int a = year.addControl(f47, QStringLiteral("(0100)"), QStringLiteral("гр2"), QStringLiteral(">="), QStringLiteral("гр3"));
    const int b = year.addControl(f47, QStringLiteral("(0100)"), QStringLiteral("гр3"), QStringLiteral(">="), QStringLiteral("0"));
    const int other = year.addControl(f12, QStringLiteral("(0100)"), QStringLiteral("гр3"), QStringLiteral(">="), QStringLiteral("0"));
    open(f47, true);
    startEdit(0);
    retype(window->Edit1, QStringLiteral("(0150)"));
    ScriptedPrompts prompts;
    prompts.expectMessage(QStringLiteral("Номер таблицы (0100) изменен на (0150); контролей таблицы перенесено: 2"));
    QTest::mouseClick(window->BitBtn1, Qt::LeftButton);
    EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("(0150)"));
    auto tble = [&](int code) {
        return year.dictionary().scalar(QStringLiteral(R"(select "tble" from "int_control" where "Код"=?)"), {code}).toString();
    };
    EXPECT_EQ((QStringList{tble(a), tble(b), tble(other)}),
              (QStringList{QStringLiteral("(0150)"), QStringLiteral("(0150)"), QStringLiteral("(0100)")}));
}

TEST_F(Tables, ATableIsDeletedWithItsConditionsOnYes)
{
    year.dictionary().exec(QStringLiteral(R"(insert into "conditions" ("tid","row","column") values (?,1,1))"), {n2});
    year.setCell(5, n2, 3, 3, 4);
    open(f47, true);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(1)).center());
    {
        ScriptedPrompts prompts;
        prompts.expectQuestion(false, QStringLiteral("Удалить таблицу (0200)?"));
        window->N3->trigger();
    }
    EXPECT_EQ(list->topLevelItemCount(), 2);
    {
        ScriptedPrompts prompts;
        prompts.expectQuestion(true, QStringLiteral("Удалить таблицу (0200)?"));
        window->N3->trigger();
    }
    EXPECT_EQ(list->topLevelItemCount(), 1);
    EXPECT_EQ(stored(n2), Stored{});
    EXPECT_EQ(year.dictionary().scalar(QStringLiteral(R"(select count(*) from "conditions")")).toInt(), 0);
    EXPECT_TRUE(year.storedCells(5, n2).isEmpty());
    EXPECT_EQ(stored(n1).tablen, QStringLiteral("(0100)"));
}

}  // namespace
