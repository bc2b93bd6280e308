#include "core/Commands.h"
#include "core/Common.h"
#include "core/StructureCache.h"
#include "platform/Database.h"

#include "support/PrintTo.h"
#include "support/ScriptedPrompts.h"
#include "support/YearFixture.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// What a window found in the shared globals while it was open.
struct Seen {
    QString workMode;
    QString prefix;
    bool netMode = false;
    int institution = -1;
    QString idList;
    bool operator==(const Seen&) const = default;
};
void PrintTo(const Seen& s, std::ostream* os)
{
    *os << '{' << s.workMode.toStdString() << ", " << s.prefix.toStdString() << ", " << s.netMode << ", "
        << s.institution << ", \"" << s.idList.toStdString() << "\"}";
}

Seen current() { return {WorkMode, DataTablePrefix, NetMode, CurrentInstitutionId, InstitutionIdList}; }

// What the last command of another road could have left behind.
void leaveStaleState()
{
    WorkMode = QStringLiteral("Types");
    DataTablePrefix = QStringLiteral("data");
    NetMode = true;
    CurrentInstitutionId = 77;
    InstitutionIdList = QStringLiteral("3,4,");
}

const Seen kNeutral{QString(), QString(), false, 0, QString()};

struct PanelCase {
    const char* group;
    const char* caption;
    const char* handler;
    const char* mode;
    const char* prefix;
    bool net;
};
// Written out from the panel as the users know it, not from the table in the code.
constexpr PanelCase kPanel[] = {
    {"Настройка", "Формирование административной структуры территории", "N2Click", "", "", false},
    {"Настройка", "Ведение перечня типов учреждений и назначение им  отчетных форм", "N3Click", "", "", false},
    {"Настройка", "Отчетные формы", "N4Click", "", "", false},
    {"Настройка", "Контроли", "N5Click", "", "", false},
    {"Настройка", "Присоединение базы данных", "N24Click", "", "", false},
    {"Уровень отчета", "Создать подотчет", "N18Click", "", "", false},
    {"Уровень отчета", "Удалить текущий подотчет", "N31Click", "", "", false},
    {"Уровень отчета", "Суммирование подотчетов", "N29Click", "", "", false},
    {"", "Заполнение и контроль отчетных форм", "Button2Click", "Input", "Data", false},
    {"", "Формирование и контроль сводных отчетов", "Button3Click", "Svod", "RepData", false},
    {"", "Сведения о сети и деятельности медицинский учреждений (Ф47)", "N16Click", "Net", "RepData", true},
    {"", "Выгрузка сводного отчета во внешний формат", "abcMouseLabel1Click", "", "", false},
    {"Показатели", "В разрезе входящих сводов ( районов и т.п.)", "N7Click", "Terrain", "Repdata", false},
    {"Показатели", "В разрезе типов учреждений", "N8Click", "Types", "data", false},
    {"Показатели", "В разрезе ЛПУ", "N9Click", "Single", "Repdata", false},
    {"Показатели", "Методика расчета показателей", "N11Click", "", "", false},
    {"", "Завершение работы", "abcMouseLabel19Click", "", "", false},
};

TEST(Commands, ThePanelListsItsLinksInOrderWithTheirOwnCaptions)
{
    const QList<MainCommand>& commands = mainCommands();
    ASSERT_EQ(commands.size(), qsizetype(std::size(kPanel)));
    for (qsizetype i = 0; i < commands.size(); ++i) {
        SCOPED_TRACE(kPanel[i].handler);
        EXPECT_EQ(commands[i].group, QString::fromUtf8(kPanel[i].group));
        EXPECT_EQ(commands[i].caption, QString::fromUtf8(kPanel[i].caption));
        EXPECT_EQ(commands[i].handler, QString::fromUtf8(kPanel[i].handler));
        EXPECT_EQ(findCommand(commands[i].handler), &commands[i]);
    }
    EXPECT_EQ(findCommand(QStringLiteral("N99Click")), nullptr);
}

TEST(Commands, TheF47RoadLeavesNoNetworkModeAndTheIndicatorsLeaveNoDataTable)
{
    // The Ф47 road closed, then a setup window: it must not work on "RepData" in network mode.
    for (const char* first : {"N16Click", "N9Click", "N8Click"}) {
        SCOPED_TRACE(first);
        ASSERT_TRUE(runCommand(*findCommand(QString::fromUtf8(first)), [] {}));
        Seen seen;
        ASSERT_TRUE(runCommand(*findCommand(QStringLiteral("N5Click")), [&] { seen = current(); }));
        EXPECT_EQ(seen, kNeutral);
    }
}

TEST(Commands, AWindowThatThrowsStillLeavesTheNeutralState)
{
    leaveStaleState();
    const MainCommand& input = *findCommand(QStringLiteral("Button2Click"));
    EXPECT_THROW(runCommand(input, [] { throw DbError(QStringLiteral("forced")); }), DbError);
    EXPECT_EQ(current(), kNeutral);
}

TEST(Commands, ADataTableTheProgramDoesNotKnowNeverOpensItsWindow)
{
    for (const char* prefix : {"DATA", "data\" where 1=1 --", "Repdata ", "repdata"}) {
        SCOPED_TRACE(prefix);
        MainCommand bad = *findCommand(QStringLiteral("N9Click"));
        bad.dataTablePrefix = QString::fromUtf8(prefix);
        leaveStaleState();
        ScriptedPrompts prompts;
        prompts.expectError(QStringLiteral("Неизвестная таблица данных"));
        bool opened = false;
        EXPECT_FALSE(runCommand(bad, [&] { opened = true; }));
        EXPECT_FALSE(opened);
        EXPECT_EQ(WorkMode, QStringLiteral("Types"));   // nothing was touched
    }
    for (const QString& known : knownDataTablePrefixes())
        EXPECT_FALSE(dataTableIdent(known).isEmpty()) << known.toStdString();
}

class CommandsOverAYear : public ::testing::Test {
protected:
    QTemporaryDir dir;
    YearFixture year{dir.path(), 2024, YearFixture::InstallAliases};
    int f12 = year.addForm(QStringLiteral("ф12"), QStringLiteral("Заболеваемость"));

    void SetUp() override
    {
        year.addTable(f12, QStringLiteral("(1000)"), QStringLiteral("Взрослые"), 6, 5, 2, 2);
        year.addInstitution(QStringLiteral("ЦРБ"));
        refreshStructureCaches(year.dictionary());
    }
};

TEST_F(CommandsOverAYear, EachWindowSeesItsOwnModeAndTheNeutralStateReturnsAfterIt)
{
    for (const PanelCase& c : kPanel) {
        SCOPED_TRACE(c.handler);
        const MainCommand* command = findCommand(QString::fromUtf8(c.handler));
        ASSERT_NE(command, nullptr);
        leaveStaleState();
        Seen seen;
        int opened = 0;
        EXPECT_TRUE(runCommand(*command, [&] {
            ++opened;
            seen = current();
            // the window picks an institution and a list of them, as the structure window does
            CurrentInstitutionId = 12;
            InstitutionIdList = QStringLiteral("12,13");
        }));
        EXPECT_EQ(opened, 1);
        // no current institution and no list of a window opened before
        EXPECT_EQ(seen, (Seen{QString::fromUtf8(c.mode), QString::fromUtf8(c.prefix), c.net, 0, QString()}));
        EXPECT_EQ(current(), kNeutral);
    }
}

TEST_F(CommandsOverAYear, ClosingTheFormsCatalogueReadsTheFormsAndTablesAgain)
{
    ASSERT_TRUE(runCommand(*findCommand(QStringLiteral("N4Click")), [&] {
        const int f30 = year.addForm(QStringLiteral("ф30"), QStringLiteral("Деятельность"));
        year.addTable(f30, QStringLiteral("(2100)"), QStringLiteral("Кадры"), 4, 3, 1, 1);
    }));
    EXPECT_EQ(FormsList.strings, (QStringList{QStringLiteral("Ф12 - Заболеваемость"), QStringLiteral("Ф30 - Деятельность")}));
    EXPECT_EQ(TablesList, (QStringList{QStringLiteral("Ф12*Т(1000) - Взрослые"), QStringLiteral("Ф30*Т(2100) - Кадры")}));
    ASSERT_EQ(TableInfo.size(), 2);
    EXPECT_EQ(TableInfo[1].colcount, 4);
}

TEST_F(CommandsOverAYear, ClosingTheStructureSetupReadsTheStructureAgain)
{
    ASSERT_TRUE(runCommand(*findCommand(QStringLiteral("N2Click")),
                           [&] { year.addInstitution(QStringLiteral("Поликлиника №2")); }));
    EXPECT_EQ(StructNames, (QStringList{QStringLiteral("ЦРБ"), QStringLiteral("Поликлиника №2")}));
    EXPECT_EQ(StructCount, 2);
}

}  // namespace
