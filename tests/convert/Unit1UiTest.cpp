#include "convert/Unit1.h"

#include "LegacyYear.h"
#include "support/PrintTo.h"
#include "support/ScriptedPrompts.h"

#include "platform/Database.h"
#include "platform/DialogPrompts.h"
#include "platform/Files.h"
#include "platform/IniFile.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

QStringList texts(const QListWidget* list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->item(i)->text();
    return items;
}

QStringList selected(const QListWidget* list)
{
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected())
            items << list->item(i)->text();
    return items;
}

void click(QListWidget* list, const QString& text, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    const QList<QListWidgetItem*> items = list->findItems(text, Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1) << text.toStdString();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, list->visualItemRect(items[0]).center());
}

// The main program's folder (Tormik beside it) with a settings file naming two configurations,
// "Область" first although it sorts after "Город". "Город" holds the legacy years 2003 and 2005,
// a folder of letters, a file named like a year and a folder named like a fraction.
class TormikWindow : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString program = dir.filePath(QStringLiteral("Кестрин"));
    QString region = dir.filePath(QStringLiteral("Область"));
    QString city = dir.filePath(QStringLiteral("Город"));
    QString y2003, y2005;

    void SetUp() override
    {
        QDir().mkpath(program);
        QDir().mkpath(Files::join(region, QStringLiteral("2010")));
        y2003 = LegacyYear::make(city, QStringLiteral("2003"));
        y2005 = LegacyYear::make(city, QStringLiteral("2005"));
        for (const char* name : {"Архив", "2004.1"})
            QDir().mkpath(Files::join(city, QString::fromUtf8(name)));
        QFile file(Files::join(city, QStringLiteral("2004")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        LegacyYear::writeTypes(Files::join(program, QStringLiteral("MedicalTypes.txt")),
                               {QStringLiteral("2\tПоликлиники\t1\t1"), QStringLiteral("3\t\"Аптеки\"\t0\t2")});
        Files::setProgramFolder(program);
    }

    void writeSettings(std::optional<int> last)
    {
        IniFile ini(Files::join(program, QStringLiteral("kestrin.ini")));
        ASSERT_TRUE(ini.writeString(QStringLiteral("Конфигурации"), QStringLiteral("Область"), region));
        ASSERT_TRUE(ini.writeString(QStringLiteral("Конфигурации"), QStringLiteral("Город"), city));
        if (last)
            ASSERT_TRUE(ini.writeInteger(QStringLiteral("Конфигурация"), QStringLiteral("Last"), *last));
    }
};

TEST_F(TormikWindow, ListsTheConfigurationsInFileOrderAndOpensTheLastOne)
{
    writeSettings(1);
    ScriptedPrompts script;
    TForm1 window;
    window.show();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Преобразование БД"));
    EXPECT_EQ(window.Label1->text(), QStringLiteral("Укажите папку расположения программы \"Кестрин\""));
    EXPECT_EQ(window.BitBtn1->text(), QStringLiteral("Старт"));
    EXPECT_EQ(QDir(window.folder()), QDir(program));
    EXPECT_EQ(texts(window.ListBox2), (QStringList{QStringLiteral("Область"), QStringLiteral("Город")}));
    EXPECT_EQ(selected(window.ListBox2), QStringList{QStringLiteral("Город")});
    EXPECT_EQ(window.ComboBox1->currentText(), city);
    EXPECT_FALSE(window.ComboBox1->isVisible());
    // Only the folders of digits are years: no letters, no file, no fraction.
    EXPECT_EQ(texts(window.ListBox3), (QStringList{QStringLiteral("2003"), QStringLiteral("2005")}));

    click(window.ListBox2, QStringLiteral("Область"));
    EXPECT_EQ(window.ComboBox1->currentText(), region);
    EXPECT_EQ(texts(window.ListBox3), QStringList{QStringLiteral("2010")});
}

TEST_F(TormikWindow, WithoutLastNothingIsChosenAndNoYearListed)
{
    writeSettings(std::nullopt);
    const QByteArray before = LegacyYear::bytes(y2003);
    ScriptedPrompts script;
    TForm1 window;
    window.show();
    EXPECT_EQ(texts(window.ListBox2).size(), 2);
    EXPECT_TRUE(selected(window.ListBox2).isEmpty());
    EXPECT_EQ(window.ListBox3->count(), 0);
    // "Старт" with nothing chosen does nothing and asks nothing.
    QTest::mouseClick(window.BitBtn1, Qt::LeftButton);
    EXPECT_EQ(LegacyYear::bytes(y2003), before);

    click(window.ListBox2, QStringLiteral("Город"));
    EXPECT_EQ(texts(window.ListBox3), (QStringList{QStringLiteral("2003"), QStringLiteral("2005")}));
    // Chosen, but not started: still nothing changes.
    click(window.ListBox3, QStringLiteral("2003"));
    EXPECT_EQ(LegacyYear::bytes(y2003), before);
}

TEST_F(TormikWindow, AFolderWithoutTheSettingsFileChangesNothing)
{
    writeSettings(1);
    ScriptedPrompts script;
    TForm1 window;
    window.show();
    window.setFolder(city);
    EXPECT_EQ(QDir(window.folder()), QDir(city));
    EXPECT_EQ(texts(window.ListBox2).size(), 2);
    EXPECT_EQ(selected(window.ListBox2), QStringList{QStringLiteral("Город")});
    EXPECT_EQ(texts(window.ListBox3), (QStringList{QStringLiteral("2003"), QStringLiteral("2005")}));
}

TEST_F(TormikWindow, StartConvertsEveryChosenYearAndLeavesNoneChosen)
{
    writeSettings(1);
    ScriptedPrompts script;
    TForm1 window;
    window.show();
    click(window.ListBox3, QStringLiteral("2003"));
    click(window.ListBox3, QStringLiteral("2005"), Qt::ControlModifier);
    ASSERT_EQ(selected(window.ListBox3), (QStringList{QStringLiteral("2003"), QStringLiteral("2005")}));

    script.expectMessage(QDir::toNativeSeparators(y2003))
        .expectMessage(QDir::toNativeSeparators(y2005))
        .expectMessage(QStringLiteral("Готово"));
    QTest::mouseClick(window.BitBtn1, Qt::LeftButton);
    EXPECT_EQ(script.remaining(), 0);
    EXPECT_TRUE(selected(window.ListBox3).isEmpty());
    for (const QString& path : {y2003, y2005}) {
        SCOPED_TRACE(path.toStdString());
        auto db = Database::open(path, true);
        EXPECT_EQ(db->columns(QStringLiteral("medicaltypes")),
                  (QStringList{QStringLiteral("id"), QStringLiteral("type"), QStringLiteral("parent"), QStringLiteral("ind")}));
        EXPECT_EQ(db->scalar(QStringLiteral(R"(select "type" from "medicaltypes" where "id"=3)")).toString(),
                  QStringLiteral("Аптеки"));
        EXPECT_TRUE(db->columns(QStringLiteral("reports")).contains(QStringLiteral("ind")));
    }
}

TEST_F(TormikWindow, ItsBoxesCarryItsOwnTitleNotTheMainProgramsName)
{
    writeSettings(1);
    DialogPrompts dialogs;
    Prompts* previous = setPrompts(&dialogs);
    TForm1 window;
    window.show();
    click(window.ListBox3, QStringLiteral("2003"));
    // Each box is read and answered as it comes up.
    QStringList titles;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            titles << box->windowTitle();
            box->accept();
        }
    });
    answer.start(10);
    QTest::mouseClick(window.BitBtn1, Qt::LeftButton);
    answer.stop();
    setPrompts(previous);
    EXPECT_EQ(titles, (QStringList{QStringLiteral("Преобразование БД"), QStringLiteral("Преобразование БД")}));
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("Преобразование БД"));
}

TEST_F(TormikWindow, AFailedYearStaysChosenAndTheConvertedOneIsNot)
{
    writeSettings(1);
    LegacyYear::refuseTypeChanges(y2005);
    const QByteArray before = LegacyYear::bytes(y2005);
    ScriptedPrompts script;
    TForm1 window;
    window.show();
    click(window.ListBox3, QStringLiteral("2003"));
    click(window.ListBox3, QStringLiteral("2005"), Qt::ControlModifier);
    script.expectMessage(QDir::toNativeSeparators(y2003))
        .expectMessage(QDir::toNativeSeparators(y2005))
        .expectError(QStringLiteral("База данных 2005 года не преобразована"));
    QTest::mouseClick(window.BitBtn1, Qt::LeftButton);
    EXPECT_EQ(selected(window.ListBox3), QStringList{QStringLiteral("2005")});
    EXPECT_EQ(LegacyYear::bytes(y2005), before);
}

}  // namespace
