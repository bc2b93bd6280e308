#include "core/Commands.h"
#include "core/Common.h"
#include "core/Configurations.h"
#include "core/GBPU.h"
#include "core/KtrMain.h"
#include "reports/SumRep.h"
#include <QCheckBox>
#include <QLineEdit>
#include "reports/MITree.h"
#include "core/Lookups.h"
#include "core/TableCells.h"
#include "core/ReportLevels.h"
#include "core/SBY.h"
#include "core/StructureCache.h"
#include "core/YearDatabases.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Prompts.h"
#include "platform/Schema.h"
#include "platform/TextFiles.h"
#include "setup/AmdStruct.h"
#include "setup/MTF.h"
#include "widgets/abcGradient.h"
#include "widgets/abcMouseLabel.h"

#include "TwoYearsFixture.h"
#include "support/PrintTo.h"
#include "support/RussianText.h"
#include "support/SampleYear.h"
#include "support/ScriptedPrompts.h"
#include "support/YearFixture.h"

#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QApplication>
#include <QElapsedTimer>
#include <QEnterEvent>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QTest>
#include <gtest/gtest.h>
#include <functional>

namespace {

const QString kMissing2005 = QStringLiteral("Информация за 2005 год не определена.\n\rСоздать?");

ScriptedPrompts::ModalHandler attach(const QString& name, const QString& folder)
{
    return [name, folder](QDialog& d) {
        auto& dialog = static_cast<TGBP&>(d);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Укажите путь к присоединяемой базе данных и ее название"));
        EXPECT_FALSE(dialog.Edit2->isEnabled());
        dialog.Edit1->setText(name);
        dialog.setFolder(folder);
        return int(QDialog::Accepted);
    };
}

ScriptedPrompts::ModalHandler chooseYear(const QString& text, QStringList* offered = nullptr)
{
    return [text, offered](QDialog& d) {
        auto& dialog = static_cast<TSBY&>(d);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Выберите отчетный год"));
        if (offered)
            for (int i = 0; i < dialog.ComboBox1->count(); ++i)
                offered->append(dialog.ComboBox1->itemText(i));
        dialog.ComboBox1->setEditText(text);
        return int(QDialog::Accepted);
    };
}

int rejected(QDialog&) { return QDialog::Rejected; }

// Runs the event loop until the window is gone from the screen or two seconds have passed.
QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool closesBySelf(QWidget& window)
{
    QElapsedTimer timer;
    timer.start();
    while (window.isVisible() && timer.elapsed() < 2000)
        QTest::qWait(10);
    return !window.isVisible();
}

// The two years' configuration, with nothing of an earlier test's opening left over.
class StartUp : public TwoYearsConfiguration {
protected:
    void writeSettings(const QList<QPair<QString, QString>>& configurations, int year, int last)
    {
        QStringList lines{QStringLiteral("[Конфигурации]")};
        for (const auto& c : configurations)
            lines << c.first + QLatin1Char('=') + c.second;
        lines << QStringLiteral("[Конфигурация]") << QStringLiteral("Year=%1").arg(year)
              << QStringLiteral("Last=%1").arg(last);
        QString error;
        ASSERT_TRUE(writeLines1251(Files::settingsPath(), lines, &error));
    }
    QString stored(const QString& key) const
    {
        return IniFile(Files::settingsPath()).readString(QStringLiteral("Конфигурация"), key);
    }
    QString storedFolder(const QString& name) const
    {
        return IniFile(Files::settingsPath()).readString(QStringLiteral("Конфигурации"), name);
    }
    // A second configuration "Город" with the given year folders.
    QString town(std::initializer_list<int> years)
    {
        const QString folder = dir.filePath(QStringLiteral("Город"));
        QDir().mkpath(folder);
        for (int y : years)
            YearFixture(folder, y);
        return folder;
    }
};

TEST_F(StartUp, TheFirstRunAttachesAConfigurationAndOpensIt)
{
    const int calendarYear = QDate::currentDate().year();
    YearFixture current(config, calendarYear);
    ScriptedPrompts prompts;
    prompts.expectModal(QStringLiteral("TGBP"), attach(QStringLiteral("Область"), config + QLatin1Char('/')));
    TMain window;

    const IniFile ini(Files::settingsPath());
    EXPECT_EQ(ini.readSectionValues(QStringLiteral("Конфигурации")),
              (QList<QPair<QString, QString>>{{QStringLiteral("Область"), config}}));
    EXPECT_EQ(stored(QStringLiteral("Year")), QString::number(calendarYear));
    EXPECT_EQ(stored(QStringLiteral("Last")), QStringLiteral("0"));
    EXPECT_EQ(window.DBList->currentText(), QStringLiteral("Область"));
    EXPECT_EQ(window.Label2->text(), QString::number(calendarYear));
    EXPECT_EQ(ReportYear, calendarYear);
    EXPECT_EQ(dbmain().path(), current.dictionaryPath());
    EXPECT_EQ(window.windowTitle(),
              QStringLiteral("Система формирования и контроля статистических отчетных форм - Область - %1 г.").arg(calendarYear));
}

TEST_F(StartUp, CancellingTheFirstAttachEndsTheProgramSilently)
{
    ScriptedPrompts prompts;
    prompts.expectModal(QStringLiteral("TGBP"), rejected);
    TMain window;
    EXPECT_FALSE(Files::exists(Files::settingsPath()));
    EXPECT_EQ(window.year(), 0);
    window.show();
    EXPECT_TRUE(closesBySelf(window));
}

// Saved by an editor as UTF-8: named as such, never taken for a first run and overwritten.
TEST_F(StartUp, ASettingsFileInUtf8IsNamedAndLeftAlone)
{
    const QByteArray utf8 = QStringLiteral("[Конфигурации]\r\nОбласть=%1\r\n[Конфигурация]\r\nYear=2004\r\nLast=0\r\n")
                                .arg(config)
                                .toUtf8();
    {
        QFile f(Files::settingsPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(utf8);
    }
    ScriptedPrompts prompts;   // no attach dialog
    prompts.expectError(QStringLiteral("в кодировке UTF-8"));
    TMain window;
    EXPECT_EQ(window.year(), 0);
    EXPECT_FALSE(window.yearOpen());
    EXPECT_EQ(readAll(Files::settingsPath()), utf8);
    window.show();
    EXPECT_TRUE(closesBySelf(window));
}

TEST_F(StartUp, AMissingYearAnsweredNoOpensTheChosenYear)
{
    writeSettings({{QStringLiteral("Область"), config}}, 2005, 0);
    QStringList offered;
    ScriptedPrompts prompts;
    prompts.expectQuestion(false, kMissing2005)
        .expectModal(QStringLiteral("TSBY"), chooseYear(QStringLiteral("2003"), &offered));
    TMain window;
    EXPECT_EQ(offered, (QStringList{QStringLiteral("2003"), QStringLiteral("2004")}));
    EXPECT_EQ(window.year(), 2003);
    EXPECT_EQ(window.Label2->text(), QStringLiteral("2003"));
    EXPECT_EQ(stored(QStringLiteral("Year")), QStringLiteral("2003"));
    EXPECT_EQ(stored(QStringLiteral("Last")), QStringLiteral("0"));
    EXPECT_EQ(dbmain().path(), y2003->dictionaryPath());
    EXPECT_EQ(dbdat().path(), y2003->dataPath());
    EXPECT_EQ(CfgDir, cfgDir);
    EXPECT_EQ(window.applicationTitle(), QStringLiteral("2003 Область Годовой"));
    EXPECT_EQ(promptTitle(), QStringLiteral("2003 Область Годовой"));   // every box's title
    EXPECT_FALSE(Files::exists(config + QStringLiteral("/2005")));
}

TEST_F(StartUp, AMissingYearAnsweredYesIsCreatedFromTheChosenBaseYear)
{
    y2004->addLevel(QStringLiteral("1 квартал"));
    writeSettings({{QStringLiteral("Область"), config}}, 2005, 0);
    ScriptedPrompts prompts;
    prompts.expectQuestion(true, kMissing2005)
        .expectModal(QStringLiteral("TSBY"), chooseYear(QStringLiteral("2004")))
        .expectQuestion(true, QStringLiteral("Переносить в новый год промежуточные отчеты?"));
    TMain window;
    EXPECT_EQ(window.year(), 2005);
    EXPECT_EQ(dbmain().path(), YearDatabases::dictionaryPath(cfgDir, 2005));
    EXPECT_EQ(stored(QStringLiteral("Year")), QStringLiteral("2005"));
    ASSERT_EQ(window.SRList->count(), 2);
    EXPECT_EQ(window.SRList->itemText(1), QStringLiteral("1 квартал"));
    EXPECT_TRUE(Files::exists(YearDatabases::dataPath(cfgDir, 2005, window.SRList->itemData(1).toInt())));
}

TEST_F(StartUp, CancellingTheYearDialogAtStartUpEndsTheProgram)
{
    writeSettings({{QStringLiteral("Область"), config}}, 2005, 0);
    for (bool create : {false, true}) {
        SCOPED_TRACE(create);
        ScriptedPrompts prompts;
        prompts.expectQuestion(create, kMissing2005).expectModal(QStringLiteral("TSBY"), rejected);
        TMain window;
        EXPECT_EQ(window.year(), 0);
        EXPECT_FALSE(Aliases::isOpen(Aliases::Main));
        EXPECT_FALSE(Files::exists(config + QStringLiteral("/2005")));
        window.show();
        EXPECT_TRUE(closesBySelf(window));
    }
}

TEST_F(StartUp, ATextThatIsNoYearIsAskedForAgain)
{
    writeSettings({{QStringLiteral("Область"), config}}, 2005, 0);
    ScriptedPrompts prompts;
    prompts.expectQuestion(false, kMissing2005)
        .expectModal(QStringLiteral("TSBY"), chooseYear(QStringLiteral("2004 год")))
        .expectError(QStringLiteral("2004 год"))
        .expectModal(QStringLiteral("TSBY"), chooseYear(QStringLiteral("2004")));
    TMain window;
    EXPECT_EQ(window.year(), 2004);
}

TEST_F(StartUp, AFailedCreationLeavesNoPartialYearAndNothingOpen)
{
    ASSERT_TRUE(QFile::remove(Files::templateDataDatabase()));
    writeSettings({{QStringLiteral("Область"), config}}, 2005, 0);
    ScriptedPrompts prompts;
    prompts.expectQuestion(true, kMissing2005)
        .expectModal(QStringLiteral("TSBY"), chooseYear(QStringLiteral("2004")))
        .expectError(QStringLiteral("data0.mdb"));
    TMain window;
    EXPECT_FALSE(Files::exists(config + QStringLiteral("/2005")));
    EXPECT_FALSE(window.yearOpen());
    EXPECT_EQ(stored(QStringLiteral("Year")), QStringLiteral("2005"));
}

TEST_F(StartUp, LastFollowsTheOpenedConfigurationsPosition)
{
    const QString townFolder = town({2004});
    writeSettings({{QStringLiteral("Город"), townFolder}, {QStringLiteral("Область"), config}}, 2004, 1);
    ScriptedPrompts prompts;
    TMain window;
    EXPECT_EQ(window.DBList->currentText(), QStringLiteral("Область"));
    EXPECT_EQ(stored(QStringLiteral("Last")), QStringLiteral("1"));
    EXPECT_EQ(ConfigIndex, 1);

    window.DBList->setCurrentIndex(0);
    emit window.DBList->activated(0);
    EXPECT_EQ(stored(QStringLiteral("Last")), QStringLiteral("0"));
    EXPECT_EQ(ConfigName, QStringLiteral("Город"));
    EXPECT_EQ(CfgDir, townFolder + QLatin1Char('/'));
    EXPECT_EQ(dbmain().path(), YearDatabases::dictionaryPath(CfgDir, 2004));
}

TEST_F(StartUp, ALastPastTheListOpensTheFirstConfiguration)
{
    writeSettings({{QStringLiteral("Область"), config}}, 2004, 3);
    ScriptedPrompts prompts;
    TMain window;
    EXPECT_EQ(ConfigName, QStringLiteral("Область"));
    EXPECT_EQ(stored(QStringLiteral("Last")), QStringLiteral("0"));
}

TEST_F(StartUp, ADatabaseErrorWhileOpeningIsShownAndTheWindowStays)
{
    y2004->addLevel(QStringLiteral("1 квартал"));
    y2004->dictionary().exec(QStringLiteral(R"(drop table "forms")"));
    writeSettings({{QStringLiteral("Область"), config}}, 2004, 0);
    ScriptedPrompts prompts;
    // The box names the file and the table in Russian; the statement stays out of it.
    prompts.expectError(QStringLiteral("нет таблицы \"forms\""));
    TMain window;
    ASSERT_EQ(prompts.log().size(), 1);
    EXPECT_TRUE(prompts.log().front().contains(QStringLiteral("ktrmain.mdb")));
    EXPECT_FALSE(prompts.log().front().contains(QStringLiteral("select"), Qt::CaseInsensitive));
    EXPECT_EQ(window.year(), 2004);
    EXPECT_FALSE(window.yearOpen());
    EXPECT_EQ(window.SRList->count(), 0);   // no level of another year is left on offer
    EXPECT_TRUE(FormsList.isEmpty());
    window.show();
    QTest::qWait(50);
    EXPECT_TRUE(window.isVisible());
}

// A configuration of the older layout at start-up: the box says which year did not open, that
// its dictionary is old and what brings it up to date, in Russian but for the names of its
// files and, as the last line, of the missing columns.
TEST_F(StartUp, AnOldLayoutYearAtStartUpIsSentToTheConversionUtility)
{
    const QString legacy = QStringLiteral(KESTRIN_BINARY_DIR "/sample/Образец (до преобразования)/2025");
    QString error;
    ASSERT_TRUE(Files::copyFolder(legacy, config + QStringLiteral("/2025"), &error)) << error.toStdString();
    writeSettings({{QStringLiteral("Область"), config}}, 2025, 0);
    ScriptedPrompts prompts;
    prompts.expectError(QStringLiteral("Отчетный год 2025 не открыт.\nСправочник ktrmain.mdb в папке года %1 старой версии")
                            .arg(QDir::toNativeSeparators(config + QStringLiteral("/2025"))));
    TMain window;
    EXPECT_FALSE(window.yearOpen());
    ASSERT_EQ(prompts.log().size(), 1);
    QStringList lines = prompts.log().front().mid(int(qstrlen("error: "))).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[2], QStringLiteral("Обновите его программой преобразования баз данных \"Тормик\" (tormik): "
                                       "выберите в ней эту конфигурацию и этот год и нажмите \"Старт\"."));
    EXPECT_TRUE(lines[3].startsWith(QStringLiteral("Недостает: поля \"administration\".\"ind\"")));
    lines.removeLast();
    EXPECT_EQ(latinWords(lines.join(QLatin1Char('\n')), {QStringLiteral("ktrmain.mdb"), QStringLiteral("tormik")}),
              QStringList());
}

// Each damaged file is found when the year opens and named; nothing is open over empty caches,
// the year's commands stay disabled and no file is created or changed.
TEST_F(StartUp, ADamagedYearAtStartUpOpensNothingAndChangesNoFile)
{
    struct Case {
        const char* what;
        std::function<void()> damage;
        const char* says;
    };
    const Case cases[] = {
        {"zero-byte data0.mdb", [&] { QFile f(y2004->dataPath()); ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)); },
         "data0.mdb"},
        {"dictionary without tree", [&] { y2004->dictionary().exec(QStringLiteral(R"(drop table "tree")")); },
         "нет таблицы \"tree\""},
        {"missing template", [&] { ASSERT_TRUE(QFile::remove(Files::templateDataDatabase())); }, "Нет шаблона"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Aliases::closeAll();
        clearStructureCaches();
        CfgDir.clear();
        ReportYear = 0;
        y2004.reset();
        QDir(config + QStringLiteral("/2004")).removeRecursively();
        y2004 = std::make_unique<YearFixture>(config, 2004);
        if (!Files::exists(Files::templateDataDatabase()))
            Schema::createDataDatabaseFile(Files::templateDataDatabase());
        c.damage();
        writeSettings({{QStringLiteral("Область"), config}}, 2004, 0);
        const QStringList names = QDir(config + QStringLiteral("/2004")).entryList(QDir::Files);
        QList<QByteArray> before;
        for (const QString& n : names)
            before << readAll(config + QStringLiteral("/2004/") + n);
        ScriptedPrompts prompts;
        prompts.expectError(QString::fromUtf8(c.says));
        TMain window;
        EXPECT_FALSE(window.yearOpen());
        EXPECT_FALSE(Aliases::isOpen(Aliases::Main));
        EXPECT_TRUE(TablesList.isEmpty());
        EXPECT_FALSE(window.SpeedButton1->isEnabled());
        EXPECT_FALSE(window.link(QStringLiteral("Button2Click"))->isEnabled());
        EXPECT_EQ(QDir(config + QStringLiteral("/2004")).entryList(QDir::Files), names);
        for (qsizetype i = 0; i < names.size(); ++i)
            EXPECT_EQ(readAll(config + QStringLiteral("/2004/") + names[i]), before[i]) << names[i].toStdString();
    }
}

class OpenWindow : public StartUp {
protected:
    QString townFolder;
    std::unique_ptr<ScriptedPrompts> quiet;
    std::unique_ptr<TMain> window;

    void SetUp() override
    {
        StartUp::SetUp();
        townFolder = dir.filePath(QStringLiteral("Город"));
        QDir().mkpath(townFolder);
        writeSettings({{QStringLiteral("Область"), config}, {QStringLiteral("Город"), townFolder}}, 2004, 0);
        quiet = std::make_unique<ScriptedPrompts>();
        window = std::make_unique<TMain>();
        quiet.reset();
        ASSERT_TRUE(window->yearOpen());
    }
    void TearDown() override
    {
        window.reset();
        StartUp::TearDown();
    }
    void pickTown()
    {
        window->DBList->setCurrentIndex(1);
        emit window->DBList->activated(1);
    }
    void expectStillOnOblast()
    {
        EXPECT_EQ(window->DBList->currentIndex(), 0);
        EXPECT_EQ(ConfigName, QStringLiteral("Область"));
        EXPECT_EQ(ConfigIndex, 0);
        EXPECT_EQ(CfgDir, cfgDir);
        EXPECT_EQ(window->year(), 2004);
        EXPECT_EQ(window->Label2->text(), QStringLiteral("2004"));
        EXPECT_EQ(dbmain().path(), y2004->dictionaryPath());
        EXPECT_EQ(dbdat().path(), y2004->dataPath());
        EXPECT_EQ(stored(QStringLiteral("Last")), QStringLiteral("0"));
        EXPECT_EQ(stored(QStringLiteral("Year")), QStringLiteral("2004"));
    }
};

TEST_F(OpenWindow, CancellingTheYearDialogKeepsTheOpenConfiguration)
{
    ScriptedPrompts prompts;
    prompts.expectQuestion(false, QStringLiteral("Информация за 2004 год не определена."))
        .expectModal(QStringLiteral("TSBY"), rejected);
    pickTown();
    expectStillOnOblast();
}

TEST_F(OpenWindow, AYearThatFailsToOpenKeepsTheOpenConfiguration)
{
    YearFixture broken(townFolder, 2004);
    ASSERT_TRUE(QFile::remove(broken.dataPath()));
    ScriptedPrompts prompts;
    prompts.expectError(QStringLiteral("data0.mdb"));
    pickTown();
    expectStillOnOblast();
    EXPECT_FALSE(Files::exists(broken.dataPath()));
}

TEST_F(OpenWindow, AConfigurationWithADamagedDictionaryLeavesTheOpenOneAsItWas)
{
    YearFixture broken(townFolder, 2004);
    broken.dictionary().exec(QStringLiteral(R"(drop table "forms")"));
    ScriptedPrompts prompts;
    prompts.expectError(QStringLiteral("нет таблицы \"forms\""));
    pickTown();
    expectStillOnOblast();
}

// The other configuration's dictionary lacks "tree": its switch fails whole, so a value saved
// afterwards for Ф12 (1000) goes to this year's table, not to the other year's table that
// happens to carry the same ident.
TEST_F(OpenWindow, AHalfFailedSwitchLeavesEveryCacheAndSaveInTheOpenYear)
{
    const int f12 = y2004->addForm(QStringLiteral("Ф12"));
    const int t1000 = y2004->addTable(f12, QStringLiteral("(1000)"), QStringLiteral("Взрослые"), 5, 4, 1, 1);
    const int inst = y2004->addInstitution(QStringLiteral("ЦРБ"));
    {
        ScriptedPrompts none;
        ASSERT_TRUE(window->SetYear());
    }
    YearFixture broken(townFolder, 2004);
    const int f7 = broken.addForm(QStringLiteral("Ф7"));
    const int other = broken.addTable(f7, QStringLiteral("(1)"), QStringLiteral("Чужая"), 5, 4, 1, 1);
    ASSERT_EQ(other, t1000);   // the same ident there belongs to another form's table
    broken.dictionary().exec(QStringLiteral(R"(drop table "tree")"));
    const QByteArray brokenData = readAll(broken.dataPath());
    {
        ScriptedPrompts prompts;
        prompts.expectError(QStringLiteral("нет таблицы \"tree\""));
        pickTown();
    }
    expectStillOnOblast();
    EXPECT_EQ(FormIdByName(QStringLiteral("Ф7")), -1);
    ASSERT_EQ(FindTableIdent(QStringLiteral("Ф12"), QStringLiteral("(1000)")), t1000);

    DataTablePrefix = QStringLiteral("Data");
    WorkMode = QStringLiteral("Input");
    ASSERT_TRUE(LoadTableCells(inst, QStringLiteral("Ф12"), QStringLiteral("(1000)")));
    CellValues.set(3, 3, 7);
    QString error;
    ASSERT_TRUE(SaveTableData(inst, f12, QStringLiteral("(1000)"), &error)) << error.toStdString();
    EXPECT_EQ(y2004->storedCells(inst, t1000), (QList<StoredCell>{{3, 3, 7.0}}));
    EXPECT_EQ(readAll(broken.dataPath()), brokenData);
}

TEST_F(OpenWindow, AttachingAListedNameReplacesItsFolderAndKeepsOneItem)
{
    const QString other = dir.filePath(QStringLiteral("Копия"));
    QDir().mkpath(other);
    {
        ScriptedPrompts prompts;
        prompts.expectModal(QStringLiteral("TGBP"), attach(QStringLiteral("город"), other))
            .expectQuestion(false, QStringLiteral("\"Город\" уже присоединена"))
            .expectModal(QStringLiteral("TGBP"), rejected);
        EXPECT_FALSE(window->N24Click());
        EXPECT_EQ(storedFolder(QStringLiteral("Город")), townFolder);
    }
    {
        ScriptedPrompts prompts;
        prompts.expectModal(QStringLiteral("TGBP"), attach(QStringLiteral("город"), other))
            .expectQuestion(true, QStringLiteral("\"Город\" уже присоединена"));
        EXPECT_TRUE(window->N24Click());
    }
    EXPECT_EQ(window->DBList->count(), 2);
    EXPECT_EQ(Configurations::names(), (QStringList{QStringLiteral("Область"), QStringLiteral("Город")}));
    EXPECT_EQ(storedFolder(QStringLiteral("Город")), other);
    expectStillOnOblast();   // attaching opens nothing
}

TEST_F(OpenWindow, AttachingANameTheSettingsCannotHoldIsRefused)
{
    ScriptedPrompts prompts;
    prompts.expectModal(QStringLiteral("TGBP"), attach(QStringLiteral("[Новая]"), townFolder))
        .expectError(QStringLiteral("[Новая]"))
        .expectModal(QStringLiteral("TGBP"), attach(QStringLiteral("Новая"), townFolder + QLatin1Char('/')));
    EXPECT_TRUE(window->N24Click());
    EXPECT_EQ(Configurations::names(), (QStringList{QStringLiteral("Область"), QStringLiteral("Город"), QStringLiteral("Новая")}));
    EXPECT_EQ(storedFolder(QStringLiteral("Новая")), townFolder);
    EXPECT_EQ(window->DBList->itemText(2), QStringLiteral("Новая"));
}

TEST_F(OpenWindow, EscapeClosesTheMainWindow)
{
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    ScriptedPrompts prompts;
    QTest::keyClick(window->DBList, Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(OpenWindow, YearButtonsStepToAnExistingYearWithoutAQuestion)
{
    ScriptedPrompts prompts;
    QTest::mouseClick(window->SpeedButton2, Qt::LeftButton);
    EXPECT_EQ(window->year(), 2003);
    EXPECT_EQ(window->Label2->text(), QStringLiteral("2003"));
    EXPECT_EQ(ReportYear, 2003);
    EXPECT_EQ(dbmain().path(), y2003->dictionaryPath());
    EXPECT_EQ(stored(QStringLiteral("Year")), QStringLiteral("2003"));
}

TEST_F(OpenWindow, AYearButtonCreatesAMissingYearOnlyOnYes)
{
    {
        ScriptedPrompts prompts;
        prompts.expectQuestion(false, QStringLiteral("Вы действительно хотите создать базу данных для 2005 года?"));
        window->SpeedButton1Click();
    }
    EXPECT_FALSE(Files::exists(config + QStringLiteral("/2005")));
    EXPECT_EQ(window->year(), 2004);
    {
        ScriptedPrompts prompts;
        prompts.expectQuestion(true, QStringLiteral("Вы действительно хотите создать базу данных для 2005 года?"));
        window->SpeedButton1Click();
    }
    EXPECT_EQ(window->year(), 2005);
    EXPECT_EQ(dbmain().path(), YearDatabases::dictionaryPath(cfgDir, 2005));
    EXPECT_EQ(stored(QStringLiteral("Year")), QStringLiteral("2005"));
}

TEST_F(OpenWindow, AFailedYearButtonCreationStaysInTheOpenYear)
{
    ASSERT_TRUE(QFile::remove(Files::templateDataDatabase()));
    ScriptedPrompts prompts;
    prompts.expectQuestion(true, QStringLiteral("2005 года")).expectError(QStringLiteral("data0.mdb"));
    window->SpeedButton1Click();
    EXPECT_FALSE(Files::exists(config + QStringLiteral("/2005")));
    expectStillOnOblast();
}

TEST_F(OpenWindow, ALevelIsCreatedChosenAndDeletedWithItsFile)
{
    const QString yearFolder = y2004->yearFolder();
    int id = 0;
    {
        ScriptedPrompts prompts;
        prompts.expectModal(QStringLiteral("TSumRepF"), [](QDialog& d) {
            auto& dialog = static_cast<TSumRepF&>(d);
            EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Введите наименование уровня отчета"));
            EXPECT_FALSE(dialog.CheckBox1->isVisibleTo(&dialog));
            dialog.Edit1->setText(QStringLiteral("1 \"квартал\""));
            QTest::mouseClick(dialog.BitBtn1, Qt::LeftButton);
            return dialog.result();
        });
        window->N18Click();
        ASSERT_EQ(window->SRList->count(), 2);
        id = window->SRList->itemData(1).toInt();
        EXPECT_EQ(window->SRList->itemText(1), QStringLiteral("1 \"квартал\""));
        EXPECT_EQ(window->SRList->currentIndex(), 0);
        EXPECT_TRUE(Files::exists(YearDatabases::dataPath(cfgDir, 2004, id)));
        EXPECT_EQ(ReportLevels::list(dbmain()), (QList<ReportLevel>{{id, QStringLiteral("1 \"квартал\"")}}));
        EXPECT_FALSE(window->LLev2->isEnabled());
    }
    {
        ScriptedPrompts prompts;
        window->SRList->setCurrentIndex(1);
        emit window->SRList->activated(1);
        EXPECT_EQ(dbdat().path(), YearDatabases::dataPath(cfgDir, 2004, id));
        EXPECT_EQ(CurrentLevel, (ReportLevel{id, QStringLiteral("1 \"квартал\"")}));
        EXPECT_TRUE(window->LLev2->isEnabled());
        window->SRList->setCurrentIndex(0);
        emit window->SRList->activated(0);
        EXPECT_EQ(dbdat().path(), y2004->dataPath());
        window->SRList->setCurrentIndex(1);
        emit window->SRList->activated(1);
    }
    {
        ScriptedPrompts prompts;
        prompts.expectQuestion(true, QStringLiteral("Вы действительно желаете удалить \"1 \"квартал\"\"?"));
        window->N31Click();
    }
    EXPECT_EQ(window->SRList->count(), 1);
    EXPECT_EQ(window->SRList->currentText(), QStringLiteral("Годовой"));
    EXPECT_FALSE(window->LLev2->isEnabled());
    EXPECT_EQ(dbdat().path(), y2004->dataPath());
    EXPECT_FALSE(Files::exists(YearDatabases::dataPath(cfgDir, 2004, id)));
    EXPECT_TRUE(ReportLevels::list(dbmain()).isEmpty());
    EXPECT_EQ(Files::listFiles(yearFolder, {QStringLiteral("*.mdb")}),
              (QStringList{QStringLiteral("data0.mdb"), QStringLiteral("ktrmain.mdb")}));
}

TEST_F(OpenWindow, BoxesAreTitledWithTheLevelChosenNow)
{
    const auto createLevel = [this](const QString& name) {
        ScriptedPrompts prompts;
        prompts.expectModal(QStringLiteral("TSumRepF"), [name](QDialog& d) {
            auto& dialog = static_cast<TSumRepF&>(d);
            dialog.Edit1->setText(name);
            QTest::mouseClick(dialog.BitBtn1, Qt::LeftButton);
            return dialog.result();
        });
        QTest::mouseClick(window->link(QStringLiteral("N18Click")), Qt::LeftButton);
    };
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    createLevel(QStringLiteral("Квартал 1"));
    EXPECT_EQ(promptTitle(), QStringLiteral("2004 Область Годовой"));

    window->SRList->setFocus();
    QTest::keyClick(window->SRList, Qt::Key_Down);
    ASSERT_EQ(window->SRList->currentText(), QStringLiteral("Квартал 1"));
    EXPECT_EQ(promptTitle(), QStringLiteral("2004 Область Квартал 1"));
    EXPECT_EQ(window->applicationTitle(), QStringLiteral("2004 Область Квартал 1"));

    // A level made while another is chosen leaves the choice, and the title, as they were.
    createLevel(QStringLiteral("Квартал 2"));
    EXPECT_EQ(promptTitle(), QStringLiteral("2004 Область Квартал 1"));
    {
        ScriptedPrompts prompts;
        prompts.expectQuestion(false, QStringLiteral("\"Квартал 1\""));
        QTest::mouseClick(window->LLev2, Qt::LeftButton);
        EXPECT_EQ(promptTitle(), QStringLiteral("2004 Область Квартал 1"));
    }
    {
        ScriptedPrompts prompts;
        prompts.expectQuestion(true, QStringLiteral("\"Квартал 1\""));
        QTest::mouseClick(window->LLev2, Qt::LeftButton);
    }
    EXPECT_EQ(promptTitle(), QStringLiteral("2004 Область Годовой"));

    window->SRList->setFocus();
    QTest::keyClick(window->SRList, Qt::Key_Down);
    ASSERT_EQ(window->SRList->currentText(), QStringLiteral("Квартал 2"));
    EXPECT_EQ(promptTitle(), QStringLiteral("2004 Область Квартал 2"));
    {
        ScriptedPrompts prompts;
        QTest::mouseClick(window->SpeedButton2, Qt::LeftButton);
    }
    EXPECT_EQ(promptTitle(), QStringLiteral("2003 Область Годовой"));
}

TEST_F(OpenWindow, TheAnnualLevelIsNeverDeleted)
{
    ScriptedPrompts prompts;   // not even asked
    window->N31Click();
    EXPECT_EQ(window->SRList->count(), 1);
    EXPECT_EQ(dbdat().path(), y2004->dataPath());
}

TEST_F(OpenWindow, ALevelWhoseCopyFailsLeavesNoRowAndNoItem)
{
    ASSERT_TRUE(QFile::remove(Files::templateDataDatabase()));
    ScriptedPrompts prompts;
    prompts.expectModal(QStringLiteral("TSumRepF"), [](QDialog& d) {
            auto& dialog = static_cast<TSumRepF&>(d);
            EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Введите наименование уровня отчета"));
            EXPECT_FALSE(dialog.CheckBox1->isVisibleTo(&dialog));
            dialog.Edit1->setText(QStringLiteral("1 квартал"));
            QTest::mouseClick(dialog.BitBtn1, Qt::LeftButton);
            return dialog.result();
        });
    prompts.expectError(QStringLiteral("data0.mdb"));
    window->N18Click();
    EXPECT_EQ(window->SRList->count(), 1);
    EXPECT_TRUE(ReportLevels::list(dbmain()).isEmpty());
}

TEST_F(OpenWindow, ALevelWhoseFileIsGoneIsNotChosen)
{
    const int id = y2004->addLevel(QStringLiteral("1 квартал"));
    {
        ScriptedPrompts prompts;
        ASSERT_TRUE(window->SetYear());   // the list is read again
    }
    ASSERT_TRUE(QFile::remove(YearDatabases::dataPath(cfgDir, 2004, id)));
    ScriptedPrompts prompts;
    prompts.expectError(QStringLiteral("data%1.mdb").arg(id));
    window->SRList->setCurrentIndex(1);
    emit window->SRList->activated(1);
    EXPECT_EQ(window->SRList->currentIndex(), 0);
    EXPECT_EQ(dbdat().path(), y2004->dataPath());
    EXPECT_FALSE(window->LLev2->isEnabled());
}


// The panel top to bottom: headings and links by object name, with the program's own texts.
const QList<QPair<QString, QString>> kPanel{
    {QStringLiteral("LAdm"), QStringLiteral("Настройка")},
    {QStringLiteral("LAdm1"), QStringLiteral("Формирование административной структуры территории")},
    {QStringLiteral("LAdm2"), QStringLiteral("Ведение перечня типов учреждений и назначение им  отчетных форм")},
    {QStringLiteral("LAdm3"), QStringLiteral("Отчетные формы")},
    {QStringLiteral("LAdm4"), QStringLiteral("Контроли")},
    {QStringLiteral("LAdm5"), QStringLiteral("Присоединение базы данных")},
    {QStringLiteral("LLev"), QStringLiteral("Уровень отчета")},
    {QStringLiteral("LLev1"), QStringLiteral("Создать подотчет")},
    {QStringLiteral("LLev2"), QStringLiteral("Удалить текущий подотчет")},
    {QStringLiteral("LLev3"), QStringLiteral("Суммирование подотчетов")},
    {QStringLiteral("Button2"), QStringLiteral("Заполнение и контроль отчетных форм")},
    {QStringLiteral("Button3"), QStringLiteral("Формирование и контроль сводных отчетов")},
    {QStringLiteral("N16"), QStringLiteral("Сведения о сети и деятельности медицинский учреждений (Ф47)")},
    {QStringLiteral("abcMouseLabel1"), QStringLiteral("Выгрузка сводного отчета во внешний формат")},
    {QStringLiteral("LRek"), QStringLiteral("Показатели")},
    {QStringLiteral("LRek1"), QStringLiteral("В разрезе входящих сводов ( районов и т.п.)")},
    {QStringLiteral("LRek2"), QStringLiteral("В разрезе типов учреждений")},
    {QStringLiteral("LRek3"), QStringLiteral("В разрезе ЛПУ")},
    {QStringLiteral("LRek4"), QStringLiteral("Методика расчета показателей")},
    {QStringLiteral("abcMouseLabel19"), QStringLiteral("Завершение работы")},
};

// The links of the panel that are enabled now, by object name.
QStringList enabledLinks(const TMain& window)
{
    QStringList names;
    for (const auto& entry : kPanel) {
        const auto* label = window.findChild<TabcMouseLabel*>(entry.first);
        if (label && label->isEnabled() && !QStringList{"LAdm", "LLev", "LRek"}.contains(entry.first))
            names << entry.first;
    }
    return names;
}

void sendEnter(QWidget* widget)
{
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), widget->mapToGlobal(QPointF(2, 2)));
    QApplication::sendEvent(widget, &enter);
}
void sendLeave(QWidget* widget)
{
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(widget, &leave);
}

TEST_F(OpenWindow, ThePanelShowsItsHeadingsAndLinksInOrder)
{
    QStringList shown;
    for (int i = 0; i < window->CommandLayout->count(); ++i)
        if (auto* label = qobject_cast<TabcMouseLabel*>(window->CommandLayout->itemAt(i)->widget()))
            shown << label->objectName() + QLatin1Char('=') + label->text();
    QStringList expected;
    for (const auto& entry : kPanel)
        expected << entry.first + QLatin1Char('=') + entry.second;
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(window->LLev2, window->findChild<TabcMouseLabel*>(QStringLiteral("LLev2")));
    // the gradient behind the panel, from aqua to the light blue
    EXPECT_EQ(window->abcBackground1->colorFrom(), QColor(0, 255, 255));
    EXPECT_EQ(window->abcBackground1->colorTo(), colorFromValue(16414981));
    EXPECT_TRUE(window->abcBackground1->drawBuffered());
}

TEST_F(OpenWindow, OnlyTheLinksOfWindowsThatExistAreEnabled)
{
    EXPECT_EQ(enabledLinks(*window), (QStringList{QStringLiteral("LAdm1"), QStringLiteral("LAdm2"),
                                                  QStringLiteral("LAdm3"), QStringLiteral("LAdm4"), QStringLiteral("LAdm5"), QStringLiteral("LLev1"),
                                                  QStringLiteral("LLev3"),
                                                  QStringLiteral("Button2"), QStringLiteral("Button3"),
                                                  QStringLiteral("N16"), QStringLiteral("abcMouseLabel1"),
                                                  QStringLiteral("LRek1"), QStringLiteral("LRek2"),
                                                  QStringLiteral("LRek3"), QStringLiteral("LRek4"),
                                                  QStringLiteral("abcMouseLabel19")}));
    // a level that can be deleted brings its link
    const int id = y2004->addLevel(QStringLiteral("1 квартал"));
    ScriptedPrompts prompts;
    ASSERT_TRUE(window->SetYear());
    window->SRList->setCurrentIndex(1);
    emit window->SRList->activated(1);
    ASSERT_EQ(CurrentLevel.id, id);
    EXPECT_TRUE(enabledLinks(*window).contains(QStringLiteral("LLev2")));
}

TEST_F(StartUp, WithoutAnOpenYearOnlyAttachingAndLeavingAreOffered)
{
    ASSERT_TRUE(QFile::remove(Files::templateDataDatabase()));
    writeSettings({{QStringLiteral("Область"), config}}, 2005, 0);
    ScriptedPrompts prompts;
    prompts.expectQuestion(true, kMissing2005)
        .expectModal(QStringLiteral("TSBY"), chooseYear(QStringLiteral("2004")))
        .expectError(QStringLiteral("data0.mdb"));
    TMain window;
    ASSERT_FALSE(window.yearOpen());
    EXPECT_EQ(enabledLinks(window), (QStringList{QStringLiteral("LAdm5"), QStringLiteral("abcMouseLabel19")}));
    window.N2Click();   // a handler reached with no year opens nothing
}

TEST_F(OpenWindow, AClickOnALinkOpensItsWindowWithItsModeAndTheModeEndsWithIt)
{
    y2004->addInstitution(QStringLiteral("ЦРБ"));
    window->show();
    struct LinkCase {
        const char* label;
        const char* windowClass;
        const char* title;   // part of the window's caption
        const char* mode;
        const char* prefix;
    };
    const LinkCase cases[] = {
        {"Button2", "TAdmForm", " - ввод информации", "Input", "Data"},
        {"LAdm1", "TAdmForm", " - формирование", "", ""},
        {"LAdm2", "TMTFs", "", "", ""},
        {"LAdm5", "TGBP", "Укажите путь к присоединяемой базе данных", "", ""},
    };
    for (const LinkCase& c : cases) {
        SCOPED_TRACE(c.label);
        WorkMode = QStringLiteral("Types");   // what an earlier road might have left
        DataTablePrefix = QStringLiteral("data");
        NetMode = true;
        CurrentInstitutionId = 5;
        QString mode, prefix, title;
        bool net = true;
        int institution = -1;
        ScriptedPrompts prompts;
        prompts.expectModal(QString::fromUtf8(c.windowClass), [&](QDialog& dialog) {
            mode = WorkMode;
            prefix = DataTablePrefix;
            net = NetMode;
            institution = CurrentInstitutionId;
            title = dialog.windowTitle();
            CurrentInstitutionId = 9;   // the user picked an institution
            return int(QDialog::Rejected);
        });
        QTest::mouseClick(window->findChild<TabcMouseLabel*>(QString::fromUtf8(c.label)), Qt::LeftButton);
        EXPECT_EQ(prompts.remaining(), 0);
        EXPECT_EQ(mode, QString::fromUtf8(c.mode));
        EXPECT_EQ(prefix, QString::fromUtf8(c.prefix));
        EXPECT_FALSE(net);
        EXPECT_EQ(institution, 0);
        EXPECT_TRUE(title.contains(QString::fromUtf8(c.title))) << title.toStdString();
        EXPECT_EQ(WorkMode, QString());
        EXPECT_EQ(DataTablePrefix, QString());
        EXPECT_FALSE(NetMode);
        EXPECT_EQ(CurrentInstitutionId, 0);
    }
}

TEST_F(OpenWindow, ClosingTheStructureSetupReadsTheStructureAgain)
{
    ScriptedPrompts prompts;
    prompts.expectModal(QStringLiteral("TAdmForm"), [&](QDialog&) {
        y2004->addInstitution(QStringLiteral("Поликлиника №2"));
        return int(QDialog::Rejected);
    });
    window->N2Click();
    EXPECT_EQ(StructNames, QStringList{QStringLiteral("Поликлиника №2")});
}

// Without a mouse: Tab walks from the year and the lists to the command links, each showing a
// focus mark, and Enter or Space starts the one that has the focus.
TEST_F(OpenWindow, TabAndEnterStartTheStructureSetup)
{
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    TabcMouseLabel* structure = window->link(QStringLiteral("N2Click"));
    ASSERT_TRUE(structure && structure->isEnabled());
    window->SpeedButton2->setFocus();
    QList<QWidget*> passed;
    for (int i = 0; i < 40 && QApplication::focusWidget() != structure; ++i) {
        passed << QApplication::focusWidget();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    ASSERT_EQ(QApplication::focusWidget(), structure);
    // The year arrows and the lists come first, in the order they stand.
    EXPECT_TRUE(passed.contains(window->DBList));
    EXPECT_TRUE(passed.contains(window->SRList));
    EXPECT_LT(passed.indexOf(window->DBList), passed.indexOf(window->SRList));

    const QImage focused = structure->grab().toImage();
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Space}) {
        ScriptedPrompts prompts;
        prompts.expectModal(QStringLiteral("TAdmForm"), [](QDialog&) { return int(QDialog::Rejected); });
        QTest::keyClick(QApplication::focusWidget(), key);
        EXPECT_EQ(prompts.remaining(), 0) << key;
        structure->setFocus();
    }
    window->SRList->setFocus();
    EXPECT_NE(structure->grab().toImage(), focused) << "the focus mark goes with the focus";
    // A list keeps its own keys: Space there starts no command.
    ScriptedPrompts none;
    QTest::keyClick(window->SRList, Qt::Key_Down);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(OpenWindow, TheControlsLinkOpensTheControlsEditor)
{
    ScriptedPrompts prompts;
    prompts.expectModal(QStringLiteral("TContrls"), [&](QDialog&) { return int(QDialog::Rejected); });
    auto* label = window->findChild<TabcMouseLabel*>(QStringLiteral("LAdm4"));
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->isEnabled());
    QTest::mouseClick(window->link(QStringLiteral("N5Click")), Qt::LeftButton);
    EXPECT_EQ(prompts.remaining(), 0);
}

TEST_F(OpenWindow, ClosingTheFormsCatalogueReadsTheFormsAndTablesAgain)
{
    ScriptedPrompts prompts;
    prompts.expectModal(QStringLiteral("TFormL"), [&](QDialog&) {
        const int form = y2004->addForm(QStringLiteral("Ф14"), QStringLiteral("Стационар"));
        y2004->addTable(form, QStringLiteral("(1000)"), QStringLiteral("Койки"), 3, 3, 1, 1);
        return int(QDialog::Rejected);
    });
    QTest::mouseClick(window->link(QStringLiteral("N4Click")), Qt::LeftButton);
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_TRUE(FormsList.strings.contains(QStringLiteral("Ф14 - Стационар")));
    EXPECT_TRUE(TablesList.contains(QStringLiteral("Ф14*Т(1000) - Койки")));
}

TEST_F(OpenWindow, ADisabledLinkOpensNothing)
{
    window->show();
    ScriptedPrompts prompts;   // any window would fail the test
    for (const char* name : {"LLev2"}) {
        auto* label = window->findChild<TabcMouseLabel*>(QString::fromUtf8(name));
        ASSERT_NE(label, nullptr) << name;
        EXPECT_FALSE(label->isEnabled()) << name;
        QTest::mouseClick(label, Qt::LeftButton);
    }
    EXPECT_TRUE(window->isVisible());
}

TEST_F(OpenWindow, TheIndicatorsMethodLinkOpensTheSetTreeInSetup)
{
    window->show();
    ScriptedPrompts prompts;
    prompts.expectModal(QStringLiteral("TMISetup"), [](QDialog& dialog) {
        auto* tree = dynamic_cast<TMISetup*>(&dialog);
        EXPECT_NE(tree, nullptr);
        if (tree) {
            EXPECT_TRUE(tree->action(QStringLiteral("Удалить"))->isVisible());
            EXPECT_FALSE(tree->action(QStringLiteral("Показатели"))->isVisible());
        }
        return int(QDialog::Rejected);
    });
    auto* label = window->findChild<TabcMouseLabel*>(QStringLiteral("LRek4"));
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->isEnabled());
    QTest::mouseClick(label, Qt::LeftButton);
    EXPECT_EQ(prompts.remaining(), 0);
}

TEST_F(OpenWindow, TheLevelLinkCreatesALevelAndTheClosingLinkEndsTheProgram)
{
    window->show();
    {
        ScriptedPrompts prompts;
        prompts.expectModal(QStringLiteral("TSumRepF"), [](QDialog& d) {
            auto& dialog = static_cast<TSumRepF&>(d);
            EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Введите наименование уровня отчета"));
            EXPECT_FALSE(dialog.CheckBox1->isVisibleTo(&dialog));
            dialog.Edit1->setText(QStringLiteral("1 квартал"));
            QTest::mouseClick(dialog.BitBtn1, Qt::LeftButton);
            return dialog.result();
        });
        QTest::mouseClick(window->link(QStringLiteral("N18Click")), Qt::LeftButton);
    }
    EXPECT_EQ(window->SRList->count(), 2);
    ScriptedPrompts prompts;
    QTest::mouseClick(window->link(QStringLiteral("abcMouseLabel19Click")), Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(OpenWindow, TheHeadingUnderThePointerColoursItsOwnLinks)
{
    const QColor yellow(255, 255, 0);
    const QStringList setup{"LAdm1", "LAdm2", "LAdm3", "LAdm4", "LAdm5"};
    const QStringList levels{"LLev1", "LLev2", "LLev3"};
    const QStringList indicators{"LRek1", "LRek2", "LRek3", "LRek4"};
    const auto colours = [&](const QStringList& names) {
        QList<QColor> list;
        for (const QString& name : names)
            list << window->findChild<TabcMouseLabel*>(name)->fontColor();
        return list;
    };
    const struct {
        TabcMouseLabel* heading;
        QStringList own;
        QStringList others;
    } cases[] = {
        {window->LAdm, setup, levels + indicators},
        {window->LLev, levels, setup + indicators},
        {window->LRek, indicators, setup + levels},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.heading->objectName().toStdString());
        const QList<QColor> othersBefore = colours(c.others);
        sendEnter(c.heading);
        EXPECT_EQ(colours(c.own), QList<QColor>(c.own.size(), yellow));
        EXPECT_EQ(colours(c.others), othersBefore);
        sendLeave(c.heading);
        EXPECT_EQ(colours(c.own), QList<QColor>(c.own.size(), QColor(Qt::black)));
    }
}
}  // namespace

namespace {

// A year of the configuration the build makes, copied so that the test may write into it.
TEST(SampleStartUp, TheMainWindowOpensTheSampleConfiguration)
{
    if (!Files::isFolder(QStringLiteral(KESTRIN_BINARY_DIR "/sample/Образец")))
        GTEST_SKIP() << "the sample target was not built";
    SampleYear sample;
    ASSERT_TRUE(sample.copy()) << sample.error().toStdString();
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("bin"));
    QString error;
    ASSERT_TRUE(QDir().mkpath(program + QStringLiteral("/source")));
    Files::setProgramFolder(program);
    Schema::createDataDatabaseFile(Files::templateDataDatabase());
    ASSERT_TRUE(writeLines1251(Files::settingsPath(),
                               {QStringLiteral("[Конфигурации]"), QStringLiteral("Образец=") + sample.configFolder(),
                                QStringLiteral("[Конфигурация]"), QStringLiteral("Year=2025")},
                               &error));
    {
        ScriptedPrompts prompts;
        TMain window;
        EXPECT_EQ(window.Label2->text(), QStringLiteral("2025"));
        EXPECT_EQ(window.DBList->currentText(), QStringLiteral("Образец"));
        EXPECT_EQ(window.windowTitle(),
                  QStringLiteral("Система формирования и контроля статистических отчетных форм - Образец - 2025 г."));
        EXPECT_TRUE(window.yearOpen());
        EXPECT_EQ(FormsList.size(), 3);   // Ф12, Ф30, Ф47: the caches follow the opened year
        EXPECT_FALSE(TablesList.isEmpty());
        const IniFile ini(Files::settingsPath());
        EXPECT_EQ(ini.readString(QStringLiteral("Конфигурация"), QStringLiteral("Year")), QStringLiteral("2025"));
        EXPECT_EQ(ini.readString(QStringLiteral("Конфигурация"), QStringLiteral("Last")), QStringLiteral("0"));
    }
    Aliases::closeAll();   // before the copy's folder is removed
}

}  // namespace
