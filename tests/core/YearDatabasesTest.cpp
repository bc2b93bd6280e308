#include "core/YearDatabases.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/Schema.h"

#include "TwoYearsFixture.h"
#include "support/PrintTo.h"
#include "support/ScriptedPrompts.h"
#include "support/YearFixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <functional>

namespace {

QByteArray bytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& content)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
}

int count(const QString& path, const QString& table)
{
    auto db = Database::open(path);
    return db->scalar(QStringLiteral("select count(*) from %1").arg(quoteIdent(table))).toInt();
}

using Configuration = TwoYearsConfiguration;

TEST_F(Configuration, YearListHoldsOnlyFoldersNamedByDigitsInNumericOrder)
{
    for (const char* name : {"999", "Архив", "2004a", "10000"})
        ASSERT_TRUE(QDir().mkpath(config + QLatin1Char('/') + QString::fromUtf8(name)));
    writeFile(config + QStringLiteral("/2010"), "not a folder");
    EXPECT_EQ(YearDatabases::yearList(cfgDir),
              (QStringList{QStringLiteral("999"), QStringLiteral("2003"), QStringLiteral("2004"), QStringLiteral("10000")}));
    EXPECT_TRUE(YearDatabases::yearList(dir.filePath(QStringLiteral("нет")) + QLatin1Char('/')).isEmpty());
}

TEST_F(Configuration, OpeningAYearPutsBothDatabasesUnderTheAliases)
{
    QString error;
    ASSERT_TRUE(YearDatabases::openYear(cfgDir, 2004, &error)) << error.toStdString();
    EXPECT_EQ(dbmain().path(), y2004->dictionaryPath());
    EXPECT_EQ(dbdat().path(), y2004->dataPath());
    EXPECT_EQ(Aliases::params(Aliases::Data),
              (QStringList{QStringLiteral("DATABASE NAME=") + y2004->dataPath(), QStringLiteral("OPEN MODE=READ/WRITE")}));
}

TEST_F(Configuration, AYearThatFailsToOpenLeavesTheOpenYearInUseAndCreatesNothing)
{
    QString error;
    ASSERT_TRUE(YearDatabases::openYear(cfgDir, 2003, &error));
    ASSERT_TRUE(QFile::remove(y2004->dataPath()));
    EXPECT_FALSE(YearDatabases::openYear(cfgDir, 2004, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("data0.mdb"))) << error.toStdString();
    EXPECT_FALSE(Files::exists(y2004->dataPath()));
    EXPECT_EQ(dbmain().path(), y2003->dictionaryPath());
    EXPECT_EQ(dbdat().path(), y2003->dataPath());

    EXPECT_FALSE(YearDatabases::openYear(cfgDir, 2007, &error));
    EXPECT_FALSE(Files::exists(YearDatabases::yearFolder(cfgDir, 2007)));
    EXPECT_EQ(dbmain().path(), y2003->dictionaryPath());
}

// A year 2005 built by hand, one file damaged in each case: the opening names the file and what
// it lacks, the open year stays, and not one byte of any file changes.
TEST_F(Configuration, ADamagedYearIsNamedAndLeftByteForByte)
{
    const QString folder = YearDatabases::yearFolder(cfgDir, 2005);
    const QString dictionary = YearDatabases::dictionaryPath(cfgDir, 2005);
    const QString data = YearDatabases::dataPath(cfgDir, 2005);
    const auto tableless = [](const QString& path) {
        auto db = Database::create(path);
        db->exec(QStringLiteral("pragma user_version=7"));   // a real database file, no table in it
    };
    const auto without = [](const QString& path, const char* sql) {
        auto db = Database::open(path);
        db->execScript(QString::fromUtf8(sql));
    };
    struct Case {
        const char* what;
        std::function<void()> make;
        const char* file;
        const char* says;
    };
    const Case cases[] = {
        {"zero-byte data0.mdb", [&] { writeFile(data, QByteArray()); }, "data0.mdb", "таблицы \"data\""},
        {"table-less data0.mdb", [&] { QFile::remove(data); tableless(data); }, "data0.mdb", "таблицы \"data\""},
        {"data0.mdb without repdata", [&] { without(data, R"(drop table "repdata")"); }, "data0.mdb", "таблицы \"repdata\""},
        {"empty ktrmain.mdb", [&] { writeFile(dictionary, QByteArray()); }, "ktrmain.mdb", "таблицы \"subreps\""},
        {"ktrmain.mdb without tree", [&] { without(dictionary, R"(drop table "tree")"); }, "ktrmain.mdb", "таблицы \"tree\""},
        {"ktrmain.mdb of the old layout",
         [&] {
             QFile::remove(dictionary);
             auto db = Database::create(dictionary);
             Schema::createLegacyDictionary(*db);
         },
         "ktrmain.mdb", "поля \"administration\".\"ind\""},
        {"no template", [&] { QFile::remove(Files::templateDataDatabase()); }, "source", "Нет шаблона"},
    };
    QString error;
    ASSERT_TRUE(YearDatabases::openYear(cfgDir, 2003, &error));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QDir(folder).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(folder));
        Schema::createDictionaryFile(dictionary);
        Schema::createDataDatabaseFile(data);
        if (!Files::exists(Files::templateDataDatabase()))
            Schema::createDataDatabaseFile(Files::templateDataDatabase());
        c.make();
        const QStringList files = QDir(folder).entryList(QDir::Files) + QDir(program + QStringLiteral("/source")).entryList(QDir::Files);
        const QByteArray dictionaryBytes = bytes(dictionary), dataBytes = bytes(data);
        error.clear();
        EXPECT_FALSE(YearDatabases::openYear(cfgDir, 2005, &error));
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.file))) << error.toStdString();
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.says))) << error.toStdString();
        EXPECT_EQ(dbmain().path(), y2003->dictionaryPath());
        EXPECT_EQ(dbdat().path(), y2003->dataPath());
        EXPECT_EQ(QDir(folder).entryList(QDir::Files) + QDir(program + QStringLiteral("/source")).entryList(QDir::Files), files);
        EXPECT_EQ(bytes(dictionary), dictionaryBytes);
        EXPECT_EQ(bytes(data), dataBytes);
    }
}

TEST_F(Configuration, ALevelThatFailsToOpenLeavesDbdatWhereItWas)
{
    const int level = y2004->addLevel(QStringLiteral("1 квартал"));
    QString error;
    ASSERT_TRUE(YearDatabases::openYear(cfgDir, 2004, &error));
    ASSERT_TRUE(YearDatabases::openLevel(cfgDir, 2004, level, &error));
    EXPECT_EQ(dbdat().path(), YearDatabases::dataPath(cfgDir, 2004, level));
    EXPECT_FALSE(YearDatabases::openLevel(cfgDir, 2004, level + 1, &error));
    EXPECT_EQ(dbdat().path(), YearDatabases::dataPath(cfgDir, 2004, level));
}

TEST_F(Configuration, ALevelWhoseFileIsEmptyIsRefusedAndLeftAlone)
{
    const int level = y2004->addLevel(QStringLiteral("1 квартал"));
    writeFile(YearDatabases::dataPath(cfgDir, 2004, level), QByteArray());
    QString error;
    ASSERT_TRUE(YearDatabases::openYear(cfgDir, 2004, &error));
    EXPECT_FALSE(YearDatabases::openLevel(cfgDir, 2004, level, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("data%1.mdb").arg(level))) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("таблицы \"data\""))) << error.toStdString();
    EXPECT_EQ(dbdat().path(), y2004->dataPath());
    EXPECT_EQ(bytes(YearDatabases::dataPath(cfgDir, 2004, level)), QByteArray());
}

TEST_F(Configuration, ANewYearTakesTheDictionaryAndFormsButNoDataOfItsBase)
{
    y2004->addForm(QStringLiteral("Ф12"), QStringLiteral("Заболеваемость"));
    const int inst = y2004->addInstitution(QStringLiteral("ЦРБ"));
    const int form = y2004->addForm(QStringLiteral("Ф30"));
    const int table = y2004->addTable(form, QStringLiteral("(1000)"), QStringLiteral("Кадры"), 4, 3, 1, 1);
    y2004->setCell(inst, table, 3, 3, 7);
    writeFile(y2004->formsFolder() + QStringLiteral("/Ф12.doc"), "blank");
    writeFile(y2004->formsFolder() + QStringLiteral("/Ф12.txt"), "places");
    ASSERT_TRUE(QDir().mkpath(y2004->formsFolder() + QStringLiteral("/old")));
    // The base year is open, as it is when the year buttons create the next one.
    QString error;
    ASSERT_TRUE(YearDatabases::openYear(cfgDir, 2004, &error));

    ScriptedPrompts prompts;   // no levels: no question
    ASSERT_TRUE(YearDatabases::createYear(cfgDir, 2004, 2005, prompts, &error)) << error.toStdString();
    const QString folder = YearDatabases::yearFolder(cfgDir, 2005);
    EXPECT_EQ(count(YearDatabases::dictionaryPath(cfgDir, 2005), QStringLiteral("forms")), 2);
    EXPECT_EQ(count(YearDatabases::dictionaryPath(cfgDir, 2005), QStringLiteral("tables")), 1);
    EXPECT_EQ(count(YearDatabases::dataPath(cfgDir, 2005), QStringLiteral("data")), 0);
    EXPECT_EQ(bytes(YearDatabases::dataPath(cfgDir, 2005)), bytes(Files::templateDataDatabase()));
    EXPECT_EQ(Files::listFiles(folder + QStringLiteral("/forms")), (QStringList{QStringLiteral("Ф12.doc"), QStringLiteral("Ф12.txt")}));
    EXPECT_TRUE(Files::listFolders(folder + QStringLiteral("/forms")).isEmpty());
    EXPECT_EQ(bytes(folder + QStringLiteral("/forms/Ф12.txt")), QByteArray("places"));
    EXPECT_EQ(count(y2004->dataPath(), QStringLiteral("data")), 1);
}

TEST_F(Configuration, LevelsAreCarriedOverEmptyOrDroppedOnTheAnswer)
{
    const int first = y2004->addLevel(QStringLiteral("1 квартал"));
    const int second = y2004->addLevel(QStringLiteral("Полугодие"));
    y2004->dictionary().exec(QStringLiteral(R"(delete from "subreps" where "id"=?)"), {first});
    const int third = y2004->addLevel(QStringLiteral("9 месяцев"));   // ids 2 and 3 remain
    const int inst = y2004->addInstitution(QStringLiteral("ЦРБ"));
    const int table = y2004->addTable(y2004->addForm(QStringLiteral("Ф30")), QStringLiteral("(1000)"), QStringLiteral("Кадры"), 4, 3, 1, 1);
    {
        auto level = Database::open(YearDatabases::dataPath(cfgDir, 2004, second));
        level->exec(QStringLiteral(R"(insert into "data" values (?,?,?,?,?,?))"), {inst, 5.0, 2004, table, 3, 3});
    }
    QString error;
    {
        ScriptedPrompts prompts;
        prompts.expectQuestion(true, QStringLiteral("Переносить в новый год промежуточные отчеты?"));
        ASSERT_TRUE(YearDatabases::createYear(cfgDir, 2004, 2005, prompts, &error)) << error.toStdString();
    }
    EXPECT_EQ(count(YearDatabases::dictionaryPath(cfgDir, 2005), QStringLiteral("subreps")), 2);
    for (int id : {second, third}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(bytes(YearDatabases::dataPath(cfgDir, 2005, id)), bytes(Files::templateDataDatabase()));
    }
    EXPECT_FALSE(Files::exists(YearDatabases::dataPath(cfgDir, 2005, first)));
    {
        ScriptedPrompts prompts;
        prompts.expectQuestion(false, QStringLiteral("Переносить в новый год промежуточные отчеты?"));
        ASSERT_TRUE(YearDatabases::createYear(cfgDir, 2004, 2006, prompts, &error)) << error.toStdString();
    }
    EXPECT_EQ(count(YearDatabases::dictionaryPath(cfgDir, 2006), QStringLiteral("subreps")), 0);
    EXPECT_EQ(Files::listFiles(YearDatabases::yearFolder(cfgDir, 2006), {QStringLiteral("*.mdb")}),
              (QStringList{QStringLiteral("data0.mdb"), QStringLiteral("ktrmain.mdb")}));
    EXPECT_EQ(count(y2004->dictionaryPath(), QStringLiteral("subreps")), 2);
}

// Each failure comes after a different amount of the year was made.
void expectNoPartialYear(const QString& cfgDir, int base, ScriptedPrompts& prompts)
{
    QString error;
    EXPECT_FALSE(YearDatabases::createYear(cfgDir, base, 2005, prompts, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(Files::exists(YearDatabases::yearFolder(cfgDir, 2005)));
}

TEST_F(Configuration, AMissingBaseYearLeavesNoPartialYear)
{
    ScriptedPrompts prompts;
    expectNoPartialYear(cfgDir, 2001, prompts);
}

TEST_F(Configuration, AMissingTemplateLeavesNoPartialYear)
{
    ASSERT_TRUE(QFile::remove(Files::templateDataDatabase()));
    ScriptedPrompts prompts;
    expectNoPartialYear(cfgDir, 2004, prompts);
}

TEST_F(Configuration, AFailureAfterTheLevelsQuestionLeavesNoPartialYear)
{
    y2004->addLevel(QStringLiteral("1 квартал"));
    y2004->dictionary().exec(QStringLiteral(
        R"(create trigger "f" before delete on "subreps" begin select raise(abort,'forced'); end)"));
    ScriptedPrompts prompts;
    prompts.expectQuestion(false, QStringLiteral("Переносить"));
    expectNoPartialYear(cfgDir, 2004, prompts);
}

// The hook is put back whatever the test's outcome.
struct StepHook {
    explicit StepHook(std::function<bool(YearDatabases::CreationStep)> hook)
    {
        YearDatabases::setCreationStepHook(std::move(hook));
    }
    ~StepHook() { YearDatabases::setCreationStepHook({}); }
};

// A creation stopped at any step: at that moment the year is not there to be listed, which is
// what a kill would leave; a failed step leaves nothing beside the years, and the year can be
// made again at once.
TEST_F(Configuration, AYearStoppedAtAnyStepIsNotThereAndCanBeMadeAgain)
{
    using YearDatabases::CreationStep;
    const int level = y2004->addLevel(QStringLiteral("1 квартал"));
    writeFile(y2004->formsFolder() + QStringLiteral("/Ф12.txt"), "places");
    const QString question = QStringLiteral("Переносить в новый год промежуточные отчеты?");
    const QString target = YearDatabases::yearFolder(cfgDir, 2005);
    for (const CreationStep failing : {CreationStep::Dictionary, CreationStep::AnnualData, CreationStep::Forms,
                                       CreationStep::LevelData, CreationStep::Placing}) {
        SCOPED_TRACE(int(failing));
        QList<CreationStep> seen;
        bool thereMidway = false;
        {
            StepHook hook([&](CreationStep s) {
                seen << s;
                thereMidway = thereMidway || Files::exists(target)
                              || YearDatabases::yearList(cfgDir).contains(QStringLiteral("2005"));
                return s != failing;
            });
            ScriptedPrompts prompts;
            if (failing == CreationStep::LevelData || failing == CreationStep::Placing)
                prompts.expectQuestion(true, question);
            QString error;
            EXPECT_FALSE(YearDatabases::createYear(cfgDir, 2004, 2005, prompts, &error));
            EXPECT_TRUE(error.contains(QStringLiteral("2005"))) << error.toStdString();
        }
        EXPECT_EQ(seen.size(), int(failing) + 1);
        EXPECT_FALSE(thereMidway);
        EXPECT_EQ(Files::listFolders(config), (QStringList{QStringLiteral("2003"), QStringLiteral("2004")}));

        ScriptedPrompts prompts;
        prompts.expectQuestion(true, question);
        QString error;
        ASSERT_TRUE(YearDatabases::createYear(cfgDir, 2004, 2005, prompts, &error)) << error.toStdString();
        EXPECT_EQ(count(YearDatabases::dictionaryPath(cfgDir, 2005), QStringLiteral("subreps")), 1);
        EXPECT_EQ(bytes(YearDatabases::dataPath(cfgDir, 2005)), bytes(Files::templateDataDatabase()));
        EXPECT_EQ(bytes(YearDatabases::dataPath(cfgDir, 2005, level)), bytes(Files::templateDataDatabase()));
        EXPECT_EQ(bytes(target + QStringLiteral("/forms/Ф12.txt")), QByteArray("places"));
        ASSERT_TRUE(Files::removeFolder(target, &error));
    }
}

// What a killed creation leaves is no year, and the next creation clears it away.
TEST_F(Configuration, ALeftoverOfAStoppedCreationIsNoYearAndGoesWithTheNextOne)
{
    for (const char* name : {"2005 (создается)", "2007 (создается)"}) {
        const QString folder = config + QLatin1Char('/') + QString::fromUtf8(name);
        ASSERT_TRUE(QDir().mkpath(folder));
        ASSERT_TRUE(QFile::copy(y2004->dictionaryPath(), folder + QStringLiteral("/ktrmain.mdb")));
    }
    EXPECT_EQ(YearDatabases::yearList(cfgDir), (QStringList{QStringLiteral("2003"), QStringLiteral("2004")}));
    ScriptedPrompts prompts;
    QString error;
    ASSERT_TRUE(YearDatabases::createYear(cfgDir, 2004, 2005, prompts, &error)) << error.toStdString();
    EXPECT_EQ(Files::listFolders(config),
              (QStringList{QStringLiteral("2003"), QStringLiteral("2004"), QStringLiteral("2005")}));
    EXPECT_EQ(Files::listFiles(YearDatabases::yearFolder(cfgDir, 2005)),
              (QStringList{QStringLiteral("data0.mdb"), QStringLiteral("ktrmain.mdb")}));
}

TEST_F(Configuration, AConfigurationFolderThatIsGoneIsNotMadeAgain)
{
    const QString gone = dir.filePath(QStringLiteral("Район"));
    ScriptedPrompts prompts;
    QString error;
    EXPECT_FALSE(YearDatabases::createYear(gone + QLatin1Char('/'), 2004, 2005, prompts, &error));
    EXPECT_TRUE(error.contains(gone)) << error.toStdString();
    EXPECT_FALSE(Files::exists(gone));
}

TEST_F(Configuration, AnExistingTargetFolderIsRefusedAndLeftAlone)
{
    ASSERT_TRUE(QDir().mkpath(config + QStringLiteral("/2005")));
    writeFile(config + QStringLiteral("/2005/notes.txt"), "keep");
    ScriptedPrompts prompts;
    QString error;
    EXPECT_FALSE(YearDatabases::createYear(cfgDir, 2004, 2005, prompts, &error));
    EXPECT_EQ(bytes(config + QStringLiteral("/2005/notes.txt")), QByteArray("keep"));
    EXPECT_FALSE(Files::exists(YearDatabases::dictionaryPath(cfgDir, 2005)));
}

}  // namespace

// A configuration of the older layout, as the sample gives one: the user is told that its
// dictionary is old and what brings it up to date, with the year folder; the missing columns
// come only as the last line. A dictionary lacking anything more is damaged, not old.
TEST_F(Configuration, AnOldLayoutDictionaryIsSentToTheConversionUtility)
{
    const QString legacy = QStringLiteral(KESTRIN_BINARY_DIR "/sample/Образец (до преобразования)/2025");
    ASSERT_TRUE(Files::isFolder(legacy)) << "build the target \"sample\" first";
    QString error;
    ASSERT_TRUE(Files::copyFolder(legacy, YearDatabases::yearFolder(cfgDir, 2025), &error)) << error.toStdString();
    const QString dictionary = YearDatabases::dictionaryPath(cfgDir, 2025);
    const QByteArray before = bytes(dictionary);

    EXPECT_FALSE(YearDatabases::openYear(cfgDir, 2025, &error));
    EXPECT_EQ(error,
              QStringLiteral("Справочник %1 в папке года %2 старой версии, программа не может его открыть.\n"
                             "Обновите его программой преобразования баз данных \"Тормик\" (tormik): "
                             "выберите в ней эту конфигурацию и этот год и нажмите \"Старт\".\n"
                             "Недостает: поля \"administration\".\"ind\", поля \"medicaltypes\".\"parent\", "
                             "поля \"medicaltypes\".\"ind\", поля \"reports\".\"ind\".")
                  .arg(QStringLiteral("ktrmain.mdb"), QDir::toNativeSeparators(config + QStringLiteral("/2025"))));
    EXPECT_EQ(bytes(dictionary), before);

    Database::open(dictionary)->exec(QStringLiteral(R"(drop table "tree")"));
    EXPECT_FALSE(YearDatabases::openYear(cfgDir, 2025, &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("База данных %1 повреждена или не того вида")
                                     .arg(QDir::toNativeSeparators(dictionary))))
        << error.toStdString();
}
