// "Подгрузить" and "Выгрузить" of the summary reports list, chosen in its menu bar with the mouse,
// with the file dialogs and messages scripted.

#include "reports/RptList.h"

#include "PrintTo.h"
#include "ScriptedPrompts.h"
#include "YearFixture.h"
#include "core/Common.h"
#include "core/Configurations.h"
#include "core/StructureCache.h"
#include "core/TreeMarks.h"
#include "platform/Database.h"
#include "setup/DropTree.h"

#include <QDir>
#include <QFile>
#include <QMenuBar>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

void clickMenu(QMenuBar* bar, QAction* action)
{
    ASSERT_TRUE(action->isVisible());
    const QRect place = bar->actionGeometry(action);
    ASSERT_FALSE(place.isEmpty());
    QTest::mouseClick(bar, Qt::LeftButton, {}, place.center());
}

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Ф12 (1000), 6 x 5 with 2 + 2 headers: stored columns 4..7, rows 4..6. North holds two values.
class ReportListFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ReportYear = 2025;
        CfgDir = dir.path() + QLatin1Char('/');
        year.setCell(north, t1, 4, 4, 1.5, kRep);
        year.setCell(north, t1, 7, 6, 12, kRep);
        year.setCell(south, t1, 5, 5, 3, kRep);
        GetForms(year.dictionary());
        GetTables(year.dictionary());
        WorkMode = QStringLiteral("Svod");
        NetMode = false;
    }
    // The window with `report` chosen in the list.
    void choose(TRepList& w, int report)
    {
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        for (int i = 0; i < w.ListView1->topLevelItemCount(); ++i)
            if (nodeId(w.ListView1->topLevelItem(i)) == report)
                QTest::mouseClick(w.ListView1->viewport(), Qt::LeftButton, {},
                                  w.ListView1->visualItemRect(w.ListView1->topLevelItem(i)).center());
        ASSERT_EQ(w.currentId(), report);
    }
    QString file(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    QList<StoredCell> cells(int report) { return year.storedCells(report, t1, kRep); }

    const QString kRep = QStringLiteral("repdata");
    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025, YearFixture::InstallAliases};
    int f12 = year.addForm(QStringLiteral("Ф12"));
    int t1 = year.addTable(f12, QStringLiteral("(1000)"), QStringLiteral("Взрослые"), 6, 5, 2, 2);
    int north = year.addReport(QStringLiteral("Северный"));
    int south = year.addReport(QStringLiteral("Южный"));
};

TEST_F(ReportListFiles, UnloadThenLoadIntoAnotherReport)
{
    ScriptedPrompts prompts;
    TRepList w;
    choose(w, north);
    const QString path = dir.filePath(QStringLiteral("data/Северный"));   // typed without extension
    prompts.expectSaveFile(path);
    prompts.expectMessage(QStringLiteral("Данные по Северный выгружены в файл"));
    clickMenu(w.MainMenu1, w.N3);
    ASSERT_EQ(prompts.remaining(), 0);
    // The dialog starts in the configuration's data folder, made for it, with the proposed name.
    EXPECT_EQ(prompts.fileStarts().value(0), dir.path() + QStringLiteral("/data/Северный - Годовой - 2025.rpd"));
    const QByteArray expected = "\"1.5\",\"2025\",\"\xD4" "12\",\"(1000)\",\"4\",\"4\"\r\n"
                                "\"12\",\"2025\",\"\xD4" "12\",\"(1000)\",\"7\",\"6\"\r\n";
    EXPECT_EQ(bytesOf(path + QStringLiteral(".rpd")), expected);

    // South holds a value of the year: the question names it and the file, which is North's by
    // its name; "Нет" keeps South as it was.
    choose(w, south);
    const QString question = QStringLiteral("Заменить данные Южный за 2025 данными файла Северный.rpd?\n"
                                            "По имени это файл другого сводного отчета: Северный.");
    prompts.expectOpenFile(path + QStringLiteral(".rpd")).expectQuestion(false, question);
    clickMenu(w.MainMenu1, w.N1);
    ASSERT_EQ(prompts.remaining(), 0);
    EXPECT_EQ(prompts.log().last(), QStringLiteral("question: ") + question);
    EXPECT_EQ(cells(south), (QList<StoredCell>{{5, 5, 3}}));
    prompts.expectOpenFile(path + QStringLiteral(".rpd")).expectQuestion(true, question);
    prompts.expectMessage(QStringLiteral("Данные по Южный загружены из файла ")
                          + QDir::toNativeSeparators(path + QStringLiteral(".rpd"))
                          + QStringLiteral("\nЗагружено значений: 2"));
    clickMenu(w.MainMenu1, w.N1);
    ASSERT_EQ(prompts.remaining(), 0);
    EXPECT_EQ(prompts.fileStarts().value(1), dir.path() + QStringLiteral("/data/Южный"));
    EXPECT_EQ(cells(south), cells(north));
}

TEST_F(ReportListFiles, ANameWithADotGetsTheExtensionAndLoadsBack)
{
    const int west = year.addReport(QStringLiteral("Западный"));   // nothing stored yet
    ScriptedPrompts prompts;
    TRepList w;
    choose(w, north);
    const QString typed = dir.filePath(QStringLiteral("Район v1.2"));
    prompts.expectSaveFile(typed).expectMessage(QStringLiteral("выгружены в файл"));
    clickMenu(w.MainMenu1, w.N3);
    ASSERT_TRUE(QFile::exists(typed + QStringLiteral(".rpd")));
    EXPECT_FALSE(QFile::exists(typed));
    // Unloading again over it asks first; Нет keeps the file as it was.
    const QByteArray first = bytesOf(typed + QStringLiteral(".rpd"));
    year.setCell(north, t1, 5, 5, 99, kRep);
    prompts.expectSaveFile(typed).expectQuestion(false, QStringLiteral("Район v1.2.rpd уже существует"));
    clickMenu(w.MainMenu1, w.N3);
    EXPECT_EQ(bytesOf(typed + QStringLiteral(".rpd")), first);

    choose(w, west);
    prompts.expectOpenFile(typed + QStringLiteral(".rpd"))
        .expectMessage(QStringLiteral("Данные по Западный загружены из файла ")
                       + QDir::toNativeSeparators(typed + QStringLiteral(".rpd"))
                       + QStringLiteral("\nЗагружено значений: 2"));
    clickMenu(w.MainMenu1, w.N1);
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_EQ(cells(west), (QList<StoredCell>{{4, 4, 1.5}, {7, 6, 12}}));
}

TEST_F(ReportListFiles, CancelledDialogsChangeNothing)
{
    ScriptedPrompts prompts;
    TRepList w;
    choose(w, north);
    prompts.expectOpenFile(QString());
    clickMenu(w.MainMenu1, w.N1);
    prompts.expectSaveFile(QString());
    clickMenu(w.MainMenu1, w.N3);
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_EQ(cells(north), (QList<StoredCell>{{4, 4, 1.5}, {7, 6, 12}}));
}

TEST_F(ReportListFiles, ADamagedFileChangesNothingAndNamesTheLine)
{
    const QString path = file(QStringLiteral("bad.rpd"), "\"9\",\"2025\",\"\xD4" "12\",\"(1000)\",\"5\",\"5\"\r\n"
                                                         "\"9\",\"2025\",\"\xD4" "12\",\"(1000)\"\r\n");
    ScriptedPrompts prompts;
    TRepList w;
    choose(w, north);
    prompts.expectOpenFile(path).expectQuestion(true, QStringLiteral("Заменить данные Северный за 2025 данными файла bad.rpd?"));
    prompts.expectError(QStringLiteral("Данные по Северный не загружены.\nФайл bad.rpd, строка 2:"));
    clickMenu(w.MainMenu1, w.N1);
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_EQ(cells(north), (QList<StoredCell>{{4, 4, 1.5}, {7, 6, 12}}));
}

TEST_F(ReportListFiles, AFileOfAnotherYearChangesNothingAndSaysWhy)
{
    const QString path = file(QStringLiteral("old.RPD"), "\"9\",\"2024\",\"\xD4" "12\",\"(1000)\",\"5\",\"5\"\r\n");
    ScriptedPrompts prompts;
    TRepList w;
    choose(w, north);
    prompts.expectOpenFile(path).expectQuestion(true, QStringLiteral("Заменить данные Северный за 2025 данными файла old.RPD?"));
    prompts.expectError(QStringLiteral("нет данных за 2025 год"));
    clickMenu(w.MainMenu1, w.N1);
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_EQ(cells(north), (QList<StoredCell>{{4, 4, 1.5}, {7, 6, 12}}));
}

TEST_F(ReportListFiles, AFailedWriteSaysSoAndKeepsTheOldFile)
{
    const QByteArray old = "\"7\",\"2025\",\"\xD4" "12\",\"(1000)\",\"5\",\"5\"\r\n";
    const QString kept = file(QStringLiteral("kept.rpd"), old);
    ScriptedPrompts prompts;
    TRepList w;
    choose(w, north);
    // A folder where the file should be: nothing can be written there.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("busy.rpd")));
    prompts.expectSaveFile(dir.filePath(QStringLiteral("busy.rpd")));
    prompts.expectError(QStringLiteral("Данные по Северный не выгружены.\nНе удалось"));
    clickMenu(w.MainMenu1, w.N3);
    // A file in a folder that is gone.
    prompts.expectSaveFile(dir.filePath(QStringLiteral("нет/Северный.rpd")));
    prompts.expectError(QStringLiteral("Данные по Северный не выгружены."));
    clickMenu(w.MainMenu1, w.N3);
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_EQ(bytesOf(kept), old);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("нет/Северный.rpd"))));
}

TEST_F(ReportListFiles, TheCommandsNeedAChosenReport)
{
    year.dictionary().exec(QStringLiteral(R"(delete from "reports")"));
    ScriptedPrompts prompts;   // a dialog opened here would fail the script
    TRepList w;
    w.show();
    EXPECT_FALSE(w.N1->isEnabled());
    EXPECT_FALSE(w.N3->isEnabled());
    w.N1->trigger();
    w.N3->trigger();
}

} // namespace
