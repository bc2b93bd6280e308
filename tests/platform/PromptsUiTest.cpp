// The dialog-backed prompts as the user sees them: Russian buttons and the application title.
#include "platform/Prompts.h"

#include "PrintTo.h"
#include "platform/Application.h"
#include "platform/DialogPrompts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

struct SeenBox {
    QString title;
    QStringList buttons;   // in the order the box lays them out
};

// Waits for the modal box the prompt opens, notes its title and buttons, then presses the button
// whose text is `press`.
void answerWhenShown(SeenBox* seen, const QString& press)
{
    QTimer::singleShot(0, [seen, press] {
        QWidget* box = QApplication::activeModalWidget();
        if (!box) {
            answerWhenShown(seen, press);   // not up yet
            return;
        }
        seen->title = box->windowTitle();
        QList<QAbstractButton*> buttons;
        if (auto* bb = box->findChild<QDialogButtonBox*>())
            buttons = bb->buttons();
        std::sort(buttons.begin(), buttons.end(),
                  [](QAbstractButton* a, QAbstractButton* b) { return a->x() < b->x(); });
        QAbstractButton* target = nullptr;
        for (QAbstractButton* b : buttons) {
            seen->buttons << b->text().remove(QLatin1Char('&'));
            if (b->text().remove(QLatin1Char('&')) == press)
                target = b;
        }
        if (target)
            QTest::mouseClick(target, Qt::LeftButton);
        else
            box->close();
    });
}

class DialogBoxes : public ::testing::Test {
protected:
    DialogPrompts dialogs;
};

TEST_F(DialogBoxes, AQuestionAsksYesOrNoInRussianUnderTheApplicationTitle)
{
    setPromptTitle(QStringLiteral("2024 Область Годовой"));
    SeenBox seen;
    answerWhenShown(&seen, QStringLiteral("Да"));
    EXPECT_TRUE(dialogs.question(QStringLiteral("Удалить уровень?")));
    EXPECT_EQ(seen.title, QStringLiteral("2024 Область Годовой"));
    EXPECT_EQ(seen.buttons.size(), 2);
    EXPECT_TRUE(seen.buttons.contains(QStringLiteral("Да")));
    EXPECT_TRUE(seen.buttons.contains(QStringLiteral("Нет")));

    SeenBox second;
    answerWhenShown(&second, QStringLiteral("Нет"));
    EXPECT_FALSE(dialogs.question(QStringLiteral("Удалить уровень?")));
}

TEST_F(DialogBoxes, EveryBoxCarriesTheTitleAndRussianButtons)
{
    struct Case {
        const char* name;
        std::function<void()> ask;
        const char* press;
        QStringList buttons;
    };
    const Case cases[] = {
        {"message", [&] { dialogs.message(QStringLiteral("Готово")); }, "ОК", {QStringLiteral("ОК")}},
        {"error", [&] { dialogs.error(QStringLiteral("Не сохранено")); }, "ОК", {QStringLiteral("ОК")}},
        {"warning", [&] { dialogs.warning(QStringLiteral("Внимание")); }, "ОК", {QStringLiteral("ОК")}},
        {"ok/cancel", [&] { EXPECT_FALSE(dialogs.okCancel(QStringLiteral("Удалить все?"))); }, "Отмена",
         {QStringLiteral("ОК"), QStringLiteral("Отмена")}},
    };
    // Before a year is open the boxes are the program's own.
    for (const QString& title : {QString(), QStringLiteral("2025 Образец Годовой")}) {
        setPromptTitle(title);
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            SeenBox seen;
            answerWhenShown(&seen, QString::fromUtf8(c.press));
            c.ask();
            EXPECT_EQ(seen.title, title.isEmpty() ? QStringLiteral("Кестрин") : title);
            QStringList sorted = seen.buttons;
            sorted.sort();
            QStringList expected = c.buttons;
            expected.sort();
            EXPECT_EQ(sorted, expected);
        }
    }
}

TEST_F(DialogBoxes, TheInputDialogOffersOkAndCancelInRussian)
{
    SeenBox seen;
    answerWhenShown(&seen, QStringLiteral("Отмена"));
    EXPECT_EQ(dialogs.input(QStringLiteral("Новый уровень"), QStringLiteral("Название"),
                            QStringLiteral("1 квартал")),
              std::nullopt);
    EXPECT_EQ(seen.title, QStringLiteral("Новый уровень"));
    QStringList sorted = seen.buttons;
    sorted.sort();
    EXPECT_EQ(sorted, (QStringList{QStringLiteral("ОК"), QStringLiteral("Отмена")}));

    SeenBox typed;
    answerWhenShown(&typed, QStringLiteral("ОК"));
    EXPECT_EQ(dialogs.input(QStringLiteral("Новый уровень"), QStringLiteral("Название"),
                            QStringLiteral("1 квартал")),
              std::optional<QString>(QStringLiteral("1 квартал")));
}

// Qt's own words (the file dialogs, the standard buttons) come from its Russian translation.
TEST(QtTranslation, TheStandardButtonsReadInRussian)
{
    if (!loadQtTranslation(*QCoreApplication::instance()))
        GTEST_SKIP() << "Qt's Russian translation (qt6-translations-l10n) is not installed";
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text().remove(QLatin1Char('&')), QStringLiteral("Да"));
    EXPECT_EQ(box.button(QMessageBox::No)->text().remove(QLatin1Char('&')), QStringLiteral("Нет"));
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text().remove(QLatin1Char('&')), QStringLiteral("Отмена"));
}

} // namespace
