#include "reports/Ul.h"

#include "FileBytes.h"
#include "PrintTo.h"
#include "RussianText.h"
#include "SampleYear.h"
#include "ScriptedPrompts.h"
#include "core/Configurations.h"
#include "platform/Files.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

int checkedSections(const TUnf& window)
{
    int n = 0;
    for (int i = 0; i < window.CheckListBox1->count(); ++i)
        n += window.CheckListBox1->item(i)->checkState() == Qt::Checked;
    return n;
}

// The sample's 2025 with the program folder's links.mdb and Empt.dbf, as mksample makes them.
class SampleExport : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sample.install()) << sample.error().toStdString();
        ASSERT_TRUE(out.isValid());
    }
    SampleYear sample;
    QTemporaryDir out;
};

TEST_F(SampleExport, AChosenReportAndTerritoryAreExportedToTheChosenFile)
{
    // Заречный район, Ф12 (1000) Строка 1 Графа 4, beside the sums the sample stores.
    dbdat().exec(QStringLiteral(R"(insert or replace into "repdata" values (1, 12.5, 2025, 1, 5, 5))"));
    ScriptedPrompts prompts;
    TUnf window;
    window.show();
    EXPECT_EQ(window.CheckListBox1->count(), 2);
    EXPECT_EQ(checkedSections(window), 2);
    QTest::mouseClick(window.Button2, Qt::LeftButton);
    EXPECT_EQ(checkedSections(window), 0);
    QTest::mouseClick(window.Button1, Qt::LeftButton);
    EXPECT_EQ(checkedSections(window), 2);
    EXPECT_FALSE(window.BitBtn1->isEnabled());
    window.ComboBox2->setCurrentIndex(window.ComboBox2->findText(QStringLiteral("Заречный район")));
    EXPECT_FALSE(window.BitBtn1->isEnabled());   // no territory yet
    window.ComboBox1->setCurrentIndex(0);
    ASSERT_TRUE(window.BitBtn1->isEnabled());

    const QString chosen = Files::join(out.path(), QStringLiteral("Заречный.DBF"));
    prompts.expectSaveFile(chosen).expectMessage(QStringLiteral("Записей: 5"));
    QTest::mouseClick(window.BitBtn1, Qt::LeftButton);
    EXPECT_TRUE(QFile::exists(chosen));
    EXPECT_EQ(Files::listFiles(out.path()), QStringList{QStringLiteral("Заречный.DBF")});
    EXPECT_TRUE(window.BitBtn1->isVisible());
}

TEST_F(SampleExport, TheTemplateIsNoTargetAndAFileIsReplacedOnlyAfterAQuestion)
{
    // A program folder of its own: a fault must not spoil the build's template.
    QTemporaryDir program;
    for (const QString& name : {QStringLiteral("links.mdb"), QStringLiteral("Empt.dbf")})
        ASSERT_TRUE(QFile::copy(Files::join(Files::programFolder(), name), Files::join(program.path(), name)));
    Files::setProgramFolder(program.path());
    CfgDir = out.path() + QLatin1Char('/');
    const QString templ = Files::join(program.path(), QStringLiteral("Empt.dbf"));
    const QByteArray templateBytes = readBytes(templ);

    ScriptedPrompts prompts;
    TUnf window;
    window.show();
    window.ComboBox2->setCurrentIndex(window.ComboBox2->findText(QStringLiteral("Заречный район")));
    window.ComboBox1->setCurrentIndex(0);
    ASSERT_TRUE(window.BitBtn1->isEnabled());

    prompts.expectSaveFile(templ).expectQuestion(true, QStringLiteral("Empt.dbf уже существует"))
        .expectError(QStringLiteral("пустой шаблон выгрузки"));
    QTest::mouseClick(window.BitBtn1, Qt::LeftButton);
    // Names ignore letter case, as on Windows.
    prompts.expectSaveFile(Files::join(program.path(), QStringLiteral("EMPT"))).expectError(QStringLiteral("шаблон"));
    QTest::mouseClick(window.BitBtn1, Qt::LeftButton);
    EXPECT_EQ(readBytes(templ), templateBytes);
    // The dialog starts in the configuration's folder with the report's name.
    EXPECT_EQ(prompts.fileStarts().value(0), Files::join(out.path(), QStringLiteral("Заречный район")));

    const QString target = Files::join(out.path(), QStringLiteral("Заречный.dbf"));
    writeBytes(target, "old");
    prompts.expectSaveFile(Files::join(out.path(), QStringLiteral("Заречный")))
        .expectQuestion(false, QStringLiteral("Заречный.dbf уже существует. Заменить его?"));
    QTest::mouseClick(window.BitBtn1, Qt::LeftButton);
    EXPECT_EQ(readBytes(target), QByteArray("old"));
    prompts.expectSaveFile(target).expectQuestion(true, QStringLiteral("Заречный.dbf уже существует"))
        .expectMessage(QStringLiteral("Записей: 5"));
    QTest::mouseClick(window.BitBtn1, Qt::LeftButton);
    EXPECT_NE(readBytes(target), QByteArray("old"));
    EXPECT_EQ(prompts.remaining(), 0);
}

TEST_F(SampleExport, WithoutTheMappingTheWindowSaysSoAndCannotExport)
{
    // A mapping that is missing or no database at all is said in Russian, with its path and no
    // word of SQLite; nothing can be exported then.
    Files::setProgramFolder(out.path());
    const QString links = QDir::toNativeSeparators(Files::join(out.path(), QStringLiteral("links.mdb")));
    struct Case {
        const char* what;
        QByteArray content;   // empty: no file
        QString says;
    };
    const Case cases[] = {
        {"missing", QByteArray(), QStringLiteral("Не найдена база соответствий %1").arg(links)},
        {"damaged", QByteArray(4096, 'x'),
         QStringLiteral("База соответствий %1 не прочитана.\nФайл %1 поврежден или не является базой данных.").arg(links)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (!c.content.isEmpty()) {
            QFile f(Files::join(out.path(), QStringLiteral("links.mdb")));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(c.content);
        }
        ScriptedPrompts prompts;
        prompts.expectError(QStringLiteral("links.mdb"));
        TUnf window;
        window.show();
        window.ComboBox1->setCurrentIndex(0);
        window.ComboBox2->setCurrentIndex(0);
        EXPECT_FALSE(window.BitBtn1->isEnabled());
        window.BitBtn1Click();   // nothing is asked
        ASSERT_EQ(prompts.log().size(), 1);
        EXPECT_EQ(prompts.log().front(), QStringLiteral("error: ") + c.says + QStringLiteral("\nВыгрузка невозможна."));
        EXPECT_EQ(latinWords(c.says), QStringList());
    }
}

}
