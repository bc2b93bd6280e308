#include "core/Commands.h"

#include "core/Common.h"
#include "core/StructureCache.h"
#include "platform/Prompts.h"

namespace {

QString text(const char* utf8) { return QString::fromUtf8(utf8); }

const QString kSetup = text("Настройка");
const QString kLevels = text("Уровень отчета");
const QString kIndicators = text("Показатели");

// Restores the neutral globals however the window's run ends.
class NeutralOnExit {
public:
    NeutralOnExit() = default;
    NeutralOnExit(const NeutralOnExit&) = delete;
    NeutralOnExit& operator=(const NeutralOnExit&) = delete;
    ~NeutralOnExit() { clearWorkGlobals(); }
};

MainCommand command(const QString& group, const char* caption, const char* handler, const char* label,
                    bool needsYear = true)
{
    MainCommand c;
    c.group = group;
    c.caption = text(caption);
    c.handler = text(handler);
    c.label = text(label);
    c.needsYear = needsYear;
    return c;
}

MainCommand withMode(MainCommand c, const char* mode, const char* prefix, bool net = false)
{
    c.workMode = text(mode);
    c.dataTablePrefix = text(prefix);
    c.netMode = net;
    return c;
}

MainCommand refreshing(MainCommand c, AfterClose after)
{
    c.afterClose = after;
    return c;
}

QList<MainCommand> makeCommands()
{
    // The captions are the program's own, blanks and spelling included.
    return {
        refreshing(command(kSetup, "Формирование административной структуры территории", "N2Click", "LAdm1"),
                   AfterClose::Structure),
        command(kSetup, "Ведение перечня типов учреждений и назначение им  отчетных форм", "N3Click", "LAdm2"),
        refreshing(command(kSetup, "Отчетные формы", "N4Click", "LAdm3"), AfterClose::FormsAndTables),
        command(kSetup, "Контроли", "N5Click", "LAdm4"),
        command(kSetup, "Присоединение базы данных", "N24Click", "LAdm5", false),
        command(kLevels, "Создать подотчет", "N18Click", "LLev1"),
        command(kLevels, "Удалить текущий подотчет", "N31Click", "LLev2"),
        command(kLevels, "Суммирование подотчетов", "N29Click", "LLev3"),
        withMode(command({}, "Заполнение и контроль отчетных форм", "Button2Click", "Button2"), "Input", "Data"),
        withMode(command({}, "Формирование и контроль сводных отчетов", "Button3Click", "Button3"), "Svod", "RepData"),
        withMode(command({}, "Сведения о сети и деятельности медицинский учреждений (Ф47)", "N16Click", "N16"),
                 "Net", "RepData", true),
        command({}, "Выгрузка сводного отчета во внешний формат", "abcMouseLabel1Click", "abcMouseLabel1"),
        withMode(command(kIndicators, "В разрезе входящих сводов ( районов и т.п.)", "N7Click", "LRek1"), "Terrain",
                 "Repdata"),
        withMode(command(kIndicators, "В разрезе типов учреждений", "N8Click", "LRek2"), "Types", "data"),
        withMode(command(kIndicators, "В разрезе ЛПУ", "N9Click", "LRek3"), "Single", "Repdata"),
        command(kIndicators, "Методика расчета показателей", "N11Click", "LRek4"),
        command({}, "Завершение работы", "abcMouseLabel19Click", "abcMouseLabel19", false),
    };
}

}  // namespace

const QList<CommandGroup>& commandGroups()
{
    static const QList<CommandGroup> groups{
        {kSetup, QStringLiteral("LAdm")},
        {kLevels, QStringLiteral("LLev")},
        {kIndicators, QStringLiteral("LRek")},
    };
    return groups;
}

const QList<MainCommand>& mainCommands()
{
    static const QList<MainCommand> commands = makeCommands();
    return commands;
}

const MainCommand* findCommand(const QString& handler)
{
    for (const MainCommand& c : mainCommands())
        if (c.handler == handler)
            return &c;
    return nullptr;
}

const QStringList& knownDataTablePrefixes()
{
    static const QStringList names{QStringLiteral("Data"), QStringLiteral("data"), QStringLiteral("RepData"),
                                   QStringLiteral("Repdata")};
    return names;
}

bool isKnownDataTablePrefix(const QString& prefix) { return knownDataTablePrefixes().contains(prefix); }

void clearWorkGlobals()
{
    WorkMode.clear();
    DataTablePrefix.clear();
    NetMode = false;
    CurrentInstitutionId = 0;
    InstitutionIdList.clear();
}

bool runCommand(const MainCommand& command, const std::function<void()>& open)
{
    if (!command.dataTablePrefix.isEmpty() && !isKnownDataTablePrefix(command.dataTablePrefix)) {
        prompts().error(unknownDataTableMessage(command.dataTablePrefix));
        return false;
    }
    {
        NeutralOnExit neutral;
        clearWorkGlobals();
        WorkMode = command.workMode;
        DataTablePrefix = command.dataTablePrefix;
        NetMode = command.netMode;
        open();
    }
    switch (command.afterClose) {
    case AfterClose::Nothing:
        break;
    case AfterClose::FormsAndTables:
        // the tables' names carry their forms' names, so the forms go first
        GetForms();
        GetTables();
        break;
    case AfterClose::Structure:
        GetStruct();
        break;
    }
    return true;
}
