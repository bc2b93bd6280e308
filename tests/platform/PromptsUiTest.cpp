// The dialog-backed prompts as the user sees them: Russian buttons and the application title.
#include "platform/Prompts.h"

#include "PrintTo.h"
#include "RussianText.h"
#include "platform/Application.h"
#include "platform/DialogPrompts.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMap>
#include <QTemporaryDir>
#include <QTreeView>
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

namespace {

// Every word a file dialog shows: its labels, buttons and their hints, the type list, the
// column headers and the size, kind and date of each entry listed.
QStringList dialogWords(QWidget* dialog)
{
    QStringList words;
    for (auto* label : dialog->findChildren<QLabel*>())
        if (label->isVisible())
            words << label->text();
    for (auto* button : dialog->findChildren<QAbstractButton*>())
        if (button->isVisible())
            words << button->text().remove(QLatin1Char('&')) << button->toolTip();
    for (auto* combo : dialog->findChildren<QComboBox*>())
        if (combo->isVisible() && combo->isEditable() == false)
            for (int i = 0; i < combo->count(); ++i)
                words << combo->itemText(i);
    if (auto* tree = dialog->findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QAbstractItemModel* model = tree->model();
        for (int c = 0; c < model->columnCount(tree->rootIndex()); ++c)
            words << model->headerData(c, Qt::Horizontal).toString();
        for (int r = 0; r < model->rowCount(tree->rootIndex()); ++r)
            for (int c = 1; c < model->columnCount(tree->rootIndex()); ++c)
                words << model->index(r, c, tree->rootIndex()).data().toString();
    }
    return words;
}

} // namespace

// A file dialog speaks Russian whatever the desktop's language: no "KiB", no "Folder".
TEST(FileDialogs, EveryWordOfTheOpenDialogIsRussian)
{
    if (!loadQtTranslation(*QCoreApplication::instance()))
        GTEST_SKIP() << "Qt's Russian translation (qt6-translations-l10n) is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Архив")));
    {
        QFile f(dir.filePath(QStringLiteral("links.mdb")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(1536, 'x'));
    }
    QStringList words;
    QMap<QString, QStringList> rows;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = nullptr;
        ASSERT_TRUE(QTest::qWaitFor([&] { return (dialog = QApplication::activeModalWidget()) != nullptr; }, 5000));
        auto* tree = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
        ASSERT_TRUE(tree);
        const bool listed = QTest::qWaitFor([&] { return tree->model()->rowCount(tree->rootIndex()) == 2; }, 5000);
        if (listed) {
            QAbstractItemModel* model = tree->model();
            for (int r = 0; r < 2; ++r) {
                const QModelIndex name = model->index(r, 0, tree->rootIndex());
                rows[name.data().toString()] = {name.siblingAtColumn(1).data().toString(),
                                                name.siblingAtColumn(2).data().toString()};
            }
            words = dialogWords(dialog);
        }
        qobject_cast<QDialog*>(dialog)->reject();
    });
    DialogPrompts dialogs;
    EXPECT_EQ(dialogs.openFileName(QStringLiteral("Выберите базу соответствий"), QStringLiteral("База данных (*.mdb)"),
                                   dir.path()),
              QString());
    EXPECT_EQ(rows.value(QStringLiteral("Архив")), (QStringList{QString(), QStringLiteral("Папка")}));
    EXPECT_EQ(rows.value(QStringLiteral("links.mdb")), (QStringList{QStringLiteral("1.5 КБ"), QStringLiteral("Файл .mdb")}));
    ASSERT_FALSE(words.isEmpty());
    for (const QString& w : words)
        EXPECT_EQ(latinWords(w, {QStringLiteral("links.mdb"), QStringLiteral(".mdb")}), QStringList()) << w.toStdString();
}
