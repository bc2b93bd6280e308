#pragma once
// The main window: the report year, the configuration and the report level the whole program
// works on, and the command panel from which every working window is opened.

#include "widgets/abcBackground.h"
#include "widgets/abcLRComboBox.h"
#include "widgets/abcMouseLabel.h"

#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QString>
#include <functional>

struct MainCommand;
struct ReportLevel;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QVBoxLayout;
class QWidget;

class TMain : public QMainWindow {
    Q_OBJECT
public:
    // Reads the settings file and opens the last configuration and its year (FormCreate). When
    // no configuration or year could be chosen the window closes itself on its first activation.
    explicit TMain(QWidget* parent = nullptr);
    ~TMain() override;

    // The year shown and worked on; 0 while no year is chosen.
    int year() const;
    // Whether a configuration's year is open under "dbmain" and "dbdat": commands that read or
    // write the year's data need it.
    bool yearOpen() const;
    // Label2 + configuration + level, refreshed by every opening of a year.
    QString applicationTitle() const { return windowIconText(); }

    // Attaches a configuration folder under a name (the attach dialog); true when one was listed.
    bool N24Click();
    // Opens the configuration Sender shows, in the year the year holder asks for (asking to
    // create or choose one when its folder is missing). True when it opened; otherwise the
    // configuration, year and databases open before stay in use.
    bool N260Click(QComboBox* Sender);
    void DBListChange();
    // Opens the year the year holder shows in the open configuration.
    bool SetYear();
    void SpeedButton1Click();   // next year
    void SpeedButton2Click();   // previous year

    // Report levels: choose, re-point "dbdat", create, delete the chosen one.
    void SRListChange();
    bool N17Click();
    void N18Click();
    void N31Click();

    // The structure caches of the open year (forms, tables, administrative structure,
    // indicator tree).
    void GetForms();
    void GetTables();
    void GetStruct();
    void GetTree();
    void refreshStructureCaches();

    void SpinEdit1Change();
    void FormKeyPress();

    // The panel's commands (see core/Commands.h for their modes). Each opens its window
    // through runCommand(), so the shared globals are neutral again once it closes. The links
    // of windows this program does not have yet stay disabled and have no handler here.
    void N2Click();                // "Формирование административной структуры территории"
    void N3Click();                // "Ведение перечня типов учреждений и назначение им  отчетных форм"
    void N4Click();                // "Отчетные формы"
    void N5Click();                // "Контроли"
    void Button2Click();           // "Заполнение и контроль отчетных форм"
    void abcMouseLabel19Click();   // "Завершение работы"
    // The pointer over a group heading colours the heading's links yellow, leaving it black.
    void LAdmMouseEnter();
    void LAdmMouseLeave();
    void LLevMouseEnter();
    void LLevMouseLeave();
    void LRekMouseEnter();
    void LRekMouseLeave();
    // The link of a command's handler ("N2Click"); nullptr for a name no link has.
    TabcMouseLabel* link(const QString& handler) const;
    // Whether the link of `handler` opens a window in this build (enabled or not).
    bool hasWindow(const QString& handler) const { return m_openers.contains(handler); }

    QLabel* Label9 = nullptr;            // the product heading
    TabcBackground* abcBackground1 = nullptr;   // everything below the heading
    QSpinBox* SpinEdit1 = nullptr;       // the year holder, never shown
    QLabel* Label1 = nullptr;            // "Отчетный год"
    QPushButton* SpeedButton2 = nullptr; // previous year
    QLabel* Label2 = nullptr;            // the year
    QPushButton* SpeedButton1 = nullptr; // next year
    QLabel* Label13 = nullptr;           // "База данных"
    TabcLRComboBox* DBList = nullptr;    // configuration names, in the settings file's order
    QLabel* Label10 = nullptr;           // "Уровень отчета"
    TabcLRComboBox* SRList = nullptr;    // "Годовой", then the levels; the level id as item data
    // The command links: the group headings, each followed by its links, and the links that
    // stand alone, in the order of the panel.
    QWidget* CommandPanel = nullptr;
    QVBoxLayout* CommandLayout = nullptr;
    TabcMouseLabel* LAdm = nullptr;      // "Настройка"
    TabcMouseLabel* LLev = nullptr;      // "Уровень отчета"
    TabcMouseLabel* LRek = nullptr;      // "Показатели"
    TabcMouseLabel* LLev2 = nullptr;     // "Удалить текущий подотчет"

protected:
    bool event(QEvent* event) override;

private:
    void buildWindow();
    // The year, configuration and level choices over the background, and their layout around
    // the command panel.
    void buildChoices();
    void layOutChoices();
    void buildCommandPanel();
    // The link of a command, disabled until a year is open.
    void addCommandLink(const MainCommand& command);
    void wireCommands();
    // Runs the command of `handler` with the window its opener shows.
    void runLink(const QString& handler);
    void colourGroup(const QString& group, bool over);
    void FormCreate();
    // Fills the configuration list from the settings file, attaching one on the first run; false
    // when the file cannot be read or the first attach was declined.
    bool listConfigurations();
    void FormActivate();
    // A year without its folder is created from a chosen one or replaced by it; false, the
    // choice put back, when the user cancels or the creation fails.
    bool chooseMissingYear(const QString& cfgDir, int* year);
    // Opens the year of the named configuration; false, the open one kept, when it would not open.
    bool openConfigurationYear(const QString& name, int index, const QString& cfgDir, int year);
    void showLevels(const QList<ReportLevel>& levels);
    // Opens `year` of the configuration in `cfgDir` and makes it current; false, with the error
    // shown and nothing changed, when its databases would not open.
    bool openYearOf(const QString& cfgDir, int year);
    bool stepYear(int delta);
    // The year dialog was closed without OK: at start-up nothing is open and the program ends.
    bool cancelOpening();
    void restoreConfigurationChoice();
    void resetLevels();
    void selectAnnualLevel();
    void updateCommands();
    void setApplicationTitle();

    int m_calendarYear = 0;
    bool m_startingUp = false;
    int m_levelIndex = 0;   // the SRList item "dbdat" points at
    QHash<QString, TabcMouseLabel*> m_links;               // by handler name
    QHash<QString, std::function<void()>> m_openers;       // by handler name: opens the window
};

// The main window while it exists.
inline TMain* Main = nullptr;
