#include "entry/ShortNames.h"
#include "entry/Unit5.h"
#include "entry/Unit6.h"

#include "ScriptedPrompts.h"
#include "YearFixture.h"
#include "platform/Files.h"
#include "platform/TextFiles.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class ShortNamesFile : public ::testing::Test {
protected:
    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025, YearFixture::InstallAliases};
    ScriptedPrompts prompts;

    void SetUp() override { Files::setProgramFolder(dir.path()); }
    QByteArray fileBytes()
    {
        QFile f(shortNamesPath());
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    }
    void writeFile(const QStringList& lines)
    {
        QString error;
        ASSERT_TRUE(writeLines1251(shortNamesPath(), lines, &error)) << error.toStdString();
    }
};

TEST_F(ShortNamesFile, SevenLinesReadAndWrittenBackAsSeven)
{
    const QStringList lines = {QStringLiteral("Заречная центральная районная больница\tЗаречная ЦРБ"),
                               QStringLiteral("Без табуляции"),
                               QStringLiteral("\t"),
                               QStringLiteral("Малиновская участковая больница\tМалиновская УБ"),
                               QStringLiteral("Дубль\tпервый"),
                               QStringLiteral("Дубль\tвторой"),
                               QStringLiteral("Пусто\t")};
    writeFile(lines);
    QList<ShortName> names;
    QString error;
    ASSERT_TRUE(readShortNames(shortNamesPath(), &names, &error));
    ASSERT_EQ(names.size(), 7);
    EXPECT_EQ(names[1], (ShortName{QString(), QStringLiteral("Без табуляции")}));
    EXPECT_EQ(findShortName(names, QStringLiteral("Дубль")), QStringLiteral("первый"));
    EXPECT_EQ(lastShortName(names, QStringLiteral("Дубль")), QStringLiteral("второй"));
    EXPECT_EQ(lastShortName(names, QStringLiteral("Пусто")), QString());
    EXPECT_FALSE(lastShortName(names, QStringLiteral("Нет такой")));

    TForm5 window;
    EXPECT_EQ(window.StringGrid1->rowCount(), 7);
    window.StringGrid1->item(0, 1)->setText(QString(40, QLatin1Char('x')));
    QTest::mouseClick(window.BitBtn1, Qt::LeftButton);
    const QList<QByteArray> written = fileBytes().split('\n');
    EXPECT_EQ(written.size(), 8);   // seven lines, each ending in CR LF
    EXPECT_EQ(written.last(), QByteArray());
    EXPECT_TRUE(written[0].endsWith('\t' + QByteArray(30, 'x') + '\r'));
    EXPECT_TRUE(written[1].startsWith('\t'));   // a line without a TAB comes back as a short name
    EXPECT_EQ(written[2], QByteArray("\t\r"));
}

TEST_F(ShortNamesFile, AnEmptyDatabaseGivesFiveLoneTabs)
{
    TForm5 window;
    EXPECT_EQ(window.StringGrid1->rowCount(), 5);
    QTest::mouseClick(window.BitBtn1, Qt::LeftButton);
    EXPECT_EQ(fileBytes(), QByteArray("\t\r\n\t\r\n\t\r\n\t\r\n\t\r\n"));
}

TEST_F(ShortNamesFile, RefreshKeepsKnownNamesDropsTheGoneAndWorksWithoutTheFile)
{
    year.addInstitution(QStringLiteral("Бобровская больница"), 0, 1);
    year.addInstitution(QStringLiteral("Аистовская больница"), 0, 1);
    year.addInstitution(QStringLiteral("Заречный район"));   // a group node
    {
        TForm5 window;   // no file: the institutions by name
        ASSERT_EQ(window.StringGrid1->rowCount(), 2);
        EXPECT_EQ(window.StringGrid1->item(0, 0)->text(), QStringLiteral("Аистовская больница"));
        QTest::mouseClick(window.Button1, Qt::LeftButton);
        EXPECT_EQ(window.StringGrid1->rowCount(), 2);
    }
    writeFile({QStringLiteral("Бобровская больница\tБобры"), QStringLiteral("Бобровская больница\tБобры-2"),
               QStringLiteral("Закрытая больница\tЗакрыта")});
    TForm5 window;
    EXPECT_EQ(window.StringGrid1->rowCount(), 3);
    QTest::mouseClick(window.Button1, Qt::LeftButton);
    ASSERT_EQ(window.rows(), (QList<ShortName>{{QStringLiteral("Аистовская больница"), QString()},
                                                {QStringLiteral("Бобровская больница"), QStringLiteral("Бобры")}}));
}

TEST_F(ShortNamesFile, ATabOrACharacterOutside1251IsRefusedWithItsRow)
{
    writeFile({QStringLiteral("Было\tбыло")});
    QString error;
    EXPECT_FALSE(writeShortNames(shortNamesPath(), {{QStringLiteral("А"), QStringLiteral("a")},
                                                    {QStringLiteral("Б"), QStringLiteral("x\ty")}}, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("Строка 2"))) << error.toStdString();
    EXPECT_FALSE(writeShortNames(shortNamesPath(), {{QStringLiteral("В"), QStringLiteral("日本")}}, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("Строка 1"))) << error.toStdString();
    QList<ShortName> names;
    ASSERT_TRUE(readShortNames(shortNamesPath(), &names, &error));
    EXPECT_EQ(names, (QList<ShortName>{{QStringLiteral("Было"), QStringLiteral("было")}}));
}

TEST_F(ShortNamesFile, AFileTheWindowCouldNotReadIsReplacedOnlyAfterAQuestion)
{
    year.addInstitution(QStringLiteral("Бобровская больница"), 0, 1);
    QByteArray binary(1'000'000, 'x');
    for (int i = 0; i < binary.size(); i += 7)
        binary[i] = char(i % 256);
    binary.replace('\n', 'y');   // one line of a million characters
    {
        QFile f(shortNamesPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(binary);
    }
    prompts.expectError(QStringLiteral("будет заменен только после вашего согласия"));
    TForm5 window;
    window.show();
    // the institutions stand in for the unread lines, not five empty rows
    ASSERT_EQ(window.StringGrid1->rowCount(), 1);
    EXPECT_EQ(window.StringGrid1->item(0, 0)->text(), QStringLiteral("Бобровская больница"));

    prompts.expectQuestion(false, QStringLiteral("ShortNames.txt не удалось прочитать. Его содержимое будет заменено"));
    QTest::mouseClick(window.BitBtn1, Qt::LeftButton);
    EXPECT_EQ(fileBytes(), binary);
    EXPECT_TRUE(window.isVisible());

    prompts.expectQuestion(true, QStringLiteral("ShortNames.txt"));
    QTest::mouseClick(window.BitBtn1, Qt::LeftButton);
    QList<ShortName> names;
    QString error;
    ASSERT_TRUE(readShortNames(shortNamesPath(), &names, &error)) << error.toStdString();
    EXPECT_EQ(names, (QList<ShortName>{{QStringLiteral("Бобровская больница"), QString()}}));
    EXPECT_FALSE(window.isVisible());
}

TEST(ShortNamePrompt, HidesOkWhileEmptyAndTakesAtMost31Characters)
{
    TForm6 dialog;
    EXPECT_EQ(Form6, &dialog);
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    dialog.show();
    EXPECT_FALSE(dialog.BitBtn1->isVisible());
    QTest::keyClicks(dialog.Edit1, QStringLiteral("M"));
    EXPECT_TRUE(dialog.BitBtn1->isVisible());
    QTest::keyClick(dialog.Edit1, Qt::Key_Backspace);
    EXPECT_FALSE(dialog.BitBtn1->isVisible());
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible());
    QTest::keyClicks(dialog.Edit1, QString(40, QLatin1Char('z')));
    EXPECT_EQ(dialog.Edit1->text().size(), 31);
}

TEST(ShortNamePrompt, AsksOnlyWhenTheLastMatchIsEmpty)
{
    ScriptedPrompts prompts;
    TForm6 startUp;
    const QList<ShortName> names = {{QStringLiteral("Дубль"), QStringLiteral("первый")},
                                    {QStringLiteral("Дубль"), QString()},
                                    {QStringLiteral("Есть"), QStringLiteral("коротко")}};
    EXPECT_EQ(GetShortName(names, QStringLiteral("Есть")), QStringLiteral("коротко"));
    prompts.expectModal(QStringLiteral("TForm6"), [](QDialog& d) {
        auto& f = static_cast<TForm6&>(d);
        EXPECT_TRUE(f.Label1->text().startsWith(QStringLiteral("Не задано сокращенное наименование для")));
        QTest::keyClicks(f.Edit1, QStringLiteral("Dubl-B"));
        return int(QDialog::Accepted);
    }).expectMessage(QStringLiteral("подкорректировать"));
    EXPECT_EQ(GetShortName(names, QStringLiteral("Дубль")), QStringLiteral("Dubl-B"));
    prompts.expectModal(QStringLiteral("TForm6"), [](QDialog& d) {
        auto& f = static_cast<TForm6&>(d);
        EXPECT_TRUE(f.Label1->text().endsWith(QStringLiteral("отсутствует в списке сокращенных наименований")));
        EXPECT_TRUE(f.Edit1->text().isEmpty());
        QTest::keyClicks(f.Edit1, QStringLiteral("N"));
        return int(QDialog::Accepted);
    }).expectMessage();
    EXPECT_EQ(GetShortName(names, QStringLiteral("Нет такой")), QStringLiteral("N"));
    EXPECT_EQ(prompts.remaining(), 0);
}

} // namespace
