#include "core/KtrMain.h"

#include "core/Commands.h"
#include "core/Common.h"
#include "core/Configurations.h"
#include "core/GBPU.h"
#include "core/ReportLevels.h"
#include "core/SBY.h"
#include "core/StructureCache.h"
#include "core/YearDatabases.h"
#include "platform/Application.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/Prompts.h"
#include "platform/WindowCommand.h"
#include "reports/MITree.h"
#include "reports/MTStat.h"
#include "reports/RptList.h"
#include "reports/SumRep.h"
#include "reports/UMerge.h"
#include "reports/Ul.h"
#include "setup/AmdStruct.h"
#include "setup/ContrForm.h"
#include "setup/LForm.h"
#include "setup/MTF.h"
#include "widgets/abcBackground.h"
#include "widgets/abcGradient.h"
#include "widgets/abcLRComboBox.h"
#include "widgets/abcMouseLabel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <climits>

namespace {
const QString kDesignCaption = QStringLiteral("Формирование и контроль медицинских статистических отчетных форм");

QLabel* makeLabel(const QString& name, const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QStringList itemTexts(const QComboBox* box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);
    return texts;
}
}  // namespace

TMain::TMain(QWidget* parent)
    : QMainWindow(parent)
{
    Main = this;
    setObjectName(QStringLiteral("Main"));
    buildWindow();
    FormCreate();
}

TMain::~TMain()
{
    if (Main == this) {
        Main = nullptr;
        setPromptTitle(QString());
    }
}

void TMain::buildWindow()
{
    setWindowTitle(kDesignCaption);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(11);
    font.setBold(true);
    setFont(font);

    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    Label9 = makeLabel(QStringLiteral("Label9"), kDesignCaption, central);
    Label9->setAlignment(Qt::AlignCenter);
    Label9->setFixedHeight(49);
    layout->addWidget(Label9);

    // The layout gives the background the window's height below the heading.
    abcBackground1 = new TabcBackground(central);
    abcBackground1->setObjectName(QStringLiteral("abcBackground1"));
    abcBackground1->setColorFrom(colorFromValue(0xFFFF00));
    abcBackground1->setColorTo(colorFromValue(16414981));
    abcBackground1->setDrawBuffered(true);
    layout->addWidget(abcBackground1, 1);

    buildChoices();
    buildCommandPanel();
    layOutChoices();

    connect(SpinEdit1, &QSpinBox::valueChanged, this, &TMain::SpinEdit1Change);
    connect(SpeedButton1, &QPushButton::clicked, this, &TMain::SpeedButton1Click);
    connect(SpeedButton2, &QPushButton::clicked, this, &TMain::SpeedButton2Click);
    // Only the user's choice opens anything, not the program setting the list back.
    connect(DBList, &TabcLRComboBox::OnChange, this, &TMain::DBListChange);
    connect(SRList, &TabcLRComboBox::OnChange, this, &TMain::SRListChange);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &TMain::FormKeyPress);
}

void TMain::buildChoices()
{
    SpinEdit1 = new QSpinBox(abcBackground1);
    SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
    SpinEdit1->setRange(INT_MIN, INT_MAX);
    SpinEdit1->setVisible(false);

    Label1 = makeLabel(QStringLiteral("Label1"), QStringLiteral("Отчетный год"), abcBackground1);
    SpeedButton2 = new QPushButton(QStringLiteral("<"), abcBackground1);
    SpeedButton2->setObjectName(QStringLiteral("SpeedButton2"));
    SpeedButton2->setFlat(true);
    Label2 = makeLabel(QStringLiteral("Label2"), QString(), abcBackground1);
    QFont yearFont(QStringLiteral("Arial"));
    yearFont.setPixelSize(21);
    yearFont.setBold(true);
    yearFont.setItalic(true);
    Label2->setFont(yearFont);
    Label2->setStyleSheet(QStringLiteral("color: red;"));
    Label2->setAlignment(Qt::AlignCenter);
    SpeedButton1 = new QPushButton(QStringLiteral(">"), abcBackground1);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setFlat(true);

    Label13 = makeLabel(QStringLiteral("Label13"), QStringLiteral("База данных"), abcBackground1);
    DBList = new TabcLRComboBox(abcBackground1);
    DBList->setObjectName(QStringLiteral("DBList"));
    Label10 = makeLabel(QStringLiteral("Label10"), QStringLiteral("Уровень отчета"), abcBackground1);
    SRList = new TabcLRComboBox(abcBackground1);
    SRList->setObjectName(QStringLiteral("SRList"));
}

void TMain::layOutChoices()
{
    auto* yearRow = new QHBoxLayout;
    yearRow->addWidget(SpeedButton2);
    yearRow->addWidget(Label2);
    yearRow->addWidget(SpeedButton1);
    auto* choices = new QGridLayout;
    choices->addWidget(Label1, 0, 0);
    choices->addLayout(yearRow, 1, 0);
    choices->addWidget(Label13, 0, 1);
    choices->addWidget(DBList, 1, 1);
    choices->addWidget(Label10, 0, 2);
    choices->addWidget(SRList, 1, 2);
    choices->setColumnStretch(1, 1);
    choices->setColumnStretch(2, 1);
    auto* inside = new QVBoxLayout(abcBackground1);
    inside->addLayout(choices);
    inside->addWidget(CommandPanel, 1);
}

void TMain::buildCommandPanel()
{
    CommandPanel = new QWidget(abcBackground1);
    CommandPanel->setObjectName(QStringLiteral("CommandPanel"));
    CommandLayout = new QVBoxLayout(CommandPanel);
    CommandLayout->setSpacing(4);
    QFont headingFont = font();
    headingFont.setPixelSize(14);

    const QHash<QString, TabcMouseLabel**> headings{
        {QStringLiteral("LAdm"), &LAdm}, {QStringLiteral("LLev"), &LLev}, {QStringLiteral("LRek"), &LRek}};
    const QList<MainCommand>& commands = mainCommands();
    for (qsizetype i = 0; i < commands.size(); ++i) {
        const MainCommand& command = commands[i];
        if (i == 0 || command.group != commands[i - 1].group) {
            // the closing link sits at the bottom, away from the working ones
            if (i == commands.size() - 1)
                CommandLayout->addStretch();
            CommandLayout->addSpacing(10);
            for (const CommandGroup& group : commandGroups()) {
                if (group.caption != command.group)
                    continue;
                auto* label = new TabcMouseLabel(group.caption, CommandPanel);
                label->setObjectName(group.label);
                label->setFont(headingFont);
                CommandLayout->addWidget(label, 0, Qt::AlignLeft);
                *headings.value(group.label) = label;
            }
        }
        addCommandLink(command);
    }
    CommandLayout->addSpacing(10);
    LLev2 = m_links.value(QStringLiteral("N31Click"));

    connect(LAdm, &TabcMouseLabel::OnMouseEnter, this, &TMain::LAdmMouseEnter);
    connect(LAdm, &TabcMouseLabel::OnMouseLeave, this, &TMain::LAdmMouseLeave);
    connect(LLev, &TabcMouseLabel::OnMouseEnter, this, &TMain::LLevMouseEnter);
    connect(LLev, &TabcMouseLabel::OnMouseLeave, this, &TMain::LLevMouseLeave);
    connect(LRek, &TabcMouseLabel::OnMouseEnter, this, &TMain::LRekMouseEnter);
    connect(LRek, &TabcMouseLabel::OnMouseLeave, this, &TMain::LRekMouseLeave);
    wireCommands();
}

void TMain::addCommandLink(const MainCommand& command)
{
    auto* label = new TabcMouseLabel(command.caption, CommandPanel);
    label->setObjectName(command.label);
    label->setEnabled(false);
    label->setFocusPolicy(Qt::StrongFocus);   // Tab reaches the commands, Enter starts them
    // the links of a group stand in from its heading
    label->setContentsMargins(command.group.isEmpty() ? 0 : 24, 0, 0, 0);
    // only the text is the link, not the width of the panel beside it
    CommandLayout->addWidget(label, 0, Qt::AlignLeft);
    m_links.insert(command.handler, label);
    const QString handler = command.handler;
    connect(label, &TabcMouseLabel::OnClick, this, [this, handler] { runLink(handler); });
}

void TMain::wireCommands()
{
    // Only the windows this program has: any other link stays disabled until its window is
    // written.
    m_openers = {
        {QStringLiteral("N2Click"),
         [this] {
             TAdmForm window(AdmMode::Formation, this);
             prompts().exec(window);
         }},
        {QStringLiteral("N3Click"),
         [this] {
             TMTFs window(this);
             prompts().exec(window);
         }},
        {QStringLiteral("N4Click"),
         [this] {
             TFormL window(this);
             prompts().exec(window);
         }},
        {QStringLiteral("N5Click"),
         [this] {
             TContrls window(this);
             prompts().exec(window);
         }},
        {QStringLiteral("N11Click"),
         [this] {
             TMISetup window(TMISetup::Use::Setup, this);
             prompts().exec(window);
         }},
        {QStringLiteral("Button2Click"),
         [this] {
             TAdmForm window(AdmMode::DataEntry, this);
             prompts().exec(window);
         }},
        {QStringLiteral("Button3Click"),
         [this] {
             TRepList window(this);
             window.setWindowTitle(window.windowTitle() + QStringLiteral(" сводных отчетов"));
             prompts().exec(window);
         }},
        {QStringLiteral("N16Click"),
         [this] {
             TRepList window(this);
             window.setWindowTitle(window.windowTitle() + QStringLiteral(" Ф47"));
             prompts().exec(window);
         }},
        {QStringLiteral("N7Click"),
         [this] {
             TRepList window(this);
             prompts().exec(window);
         }},
        {QStringLiteral("N8Click"),
         [this] {
             TMTList window(this);
             prompts().exec(window);
         }},
        {QStringLiteral("N9Click"),
         [this] {
             TRepList window(this);
             prompts().exec(window);
         }},
        {QStringLiteral("abcMouseLabel1Click"),
         [this] {
             TUnf window(this);
             prompts().exec(window);
         }},
        {QStringLiteral("N24Click"), [this] { N24Click(); }},
        {QStringLiteral("N18Click"), [this] { N18Click(); }},
        {QStringLiteral("N31Click"), [this] { N31Click(); }},
        {QStringLiteral("N29Click"),
         [this] {
             TFMerge window(this);
             prompts().exec(window);
         }},
        {QStringLiteral("abcMouseLabel19Click"), [this] { close(); }},
    };
}

void TMain::runLink(const QString& handler)
{
    const MainCommand* command = findCommand(handler);
    const auto opener = m_openers.constFind(handler);
    if (!command || opener == m_openers.constEnd())
        return;
    if (command->needsYear && !yearOpen())
        return;
    // A window's own handlers catch what fails while it is open; what fails while it is made or
    // after it closes (the caches read again) stops here.
    runShowingFailure(QString(), [&] { runCommand(*command, *opener); });
}

TabcMouseLabel* TMain::link(const QString& handler) const { return m_links.value(handler); }

void TMain::N2Click() { runLink(QStringLiteral("N2Click")); }
void TMain::N3Click() { runLink(QStringLiteral("N3Click")); }
void TMain::N4Click() { runLink(QStringLiteral("N4Click")); }
void TMain::N5Click() { runLink(QStringLiteral("N5Click")); }
void TMain::Button2Click() { runLink(QStringLiteral("Button2Click")); }
void TMain::abcMouseLabel19Click() { runLink(QStringLiteral("abcMouseLabel19Click")); }

void TMain::colourGroup(const QString& group, bool over)
{
    const QColor colour = over ? colorFromValue(65535) : QColor(Qt::black);
    for (const MainCommand& command : mainCommands())
        if (command.group == group)
            m_links.value(command.handler)->setFontColor(colour);
}

void TMain::LAdmMouseEnter() { colourGroup(LAdm->text(), true); }
void TMain::LAdmMouseLeave() { colourGroup(LAdm->text(), false); }
void TMain::LLevMouseEnter() { colourGroup(LLev->text(), true); }
void TMain::LLevMouseLeave() { colourGroup(LLev->text(), false); }
void TMain::LRekMouseEnter() { colourGroup(LRek->text(), true); }
void TMain::LRekMouseLeave() { colourGroup(LRek->text(), false); }

void TMain::FormCreate()
{
    m_calendarYear = QDate::currentDate().year();
    SpinEdit1->setValue(0);
    if (!listConfigurations())
        return;   // the window closes itself on activation and the program ends
    int wanted = Configurations::storedYear(m_calendarYear);
    if (wanted < 1)
        wanted = m_calendarYear;
    SpinEdit1->setValue(wanted);
    ConfigIndex = -1;
    int last = Configurations::storedLast();
    if (last < 0 || last >= DBList->count())
        last = 0;

    m_startingUp = true;
    Label2->setText(QString::number(SpinEdit1->value()));
    DBList->setCurrentIndex(last);
    try {
        N260Click(DBList);
    } catch (const std::exception& e) {
        // The window is still being made, so the error cannot reach the application's handler.
        showApplicationError(e);
    }
    m_startingUp = false;
    updateCommands();
}

bool TMain::listConfigurations()
{
    // A settings file that cannot be read is no first run: attaching would overwrite it.
    if (const QString problem = Configurations::settingsProblem(); !problem.isEmpty()) {
        prompts().error(problem);
        return false;
    }
    // No settings file, or one that lists nothing: the first run, which attaches a configuration.
    if (Configurations::names().isEmpty()) {
        if (!N24Click())
            return false;   // silent
        QString error;
        if (!Configurations::writeOpened(0, m_calendarYear, &error))
            prompts().error(error);
    } else {
        DBList->addItems(Configurations::names());
    }
    return true;
}

bool TMain::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        FormActivate();
    return QMainWindow::event(event);
}

void TMain::FormActivate()
{
    if (SpinEdit1->value() == 0)
        QTimer::singleShot(0, this, &QWidget::close);
}

void TMain::FormKeyPress() { close(); }

int TMain::year() const { return SpinEdit1->value(); }

bool TMain::yearOpen() const
{
    return !CfgDir.isEmpty() && ReportYear != 0 && Aliases::isOpen(Aliases::Main) && Aliases::isOpen(Aliases::Data);
}

void TMain::SpinEdit1Change()
{
    const QString year = QString::number(SpinEdit1->value());
    setWindowTitle(QStringLiteral("Система формирования и контроля статистических отчетных форм - ") + ConfigName
                   + QStringLiteral(" - ") + year + QStringLiteral(" г."));
    Label2->setText(year);
}

bool TMain::N24Click()
{
    TGBP dialog;
    dialog.setWindowTitle(QStringLiteral("Укажите путь к присоединяемой базе данных и ее название"));
    dialog.Edit2->setEnabled(false);
    for (;;) {
        if (prompts().exec(dialog) != QDialog::Accepted)
            return false;
        QString name = dialog.Edit1->text().trimmed();
        if (!Configurations::isValidName(name)) {
            prompts().error(Configurations::invalidNameMessage(name));
            continue;
        }
        const int listed = Configurations::indexOf(itemTexts(DBList), name);
        if (listed >= 0) {
            // A second item of one name would leave "Last" pointing past the settings file's list.
            name = DBList->itemText(listed);
            if (!prompts().question(QStringLiteral("База данных \"%1\" уже присоединена.\nЗаменить ее расположение?").arg(name)))
                continue;
        }
        QString error;
        if (!Configurations::attach(name, dialog.folder(), &error)) {
            prompts().error(error);
            return false;
        }
        if (listed < 0)
            DBList->addItem(name);
        return true;
    }
}

void TMain::DBListChange()
{
    if (DBList->currentIndex() != ConfigIndex)
        N260Click(DBList);
}

bool TMain::N260Click(QComboBox* Sender)
{
    const QString name = Sender->currentText();
    const QString folder = Configurations::folder(name);
    if (folder.isEmpty()) {
        prompts().error(QStringLiteral("Не указано расположение базы данных \"%1\"").arg(name));
        restoreConfigurationChoice();
        return false;
    }
    const QString cfgDir = Configurations::configurationDir(folder);
    int year = SpinEdit1->value();
    if (!chooseMissingYear(cfgDir, &year) || !openConfigurationYear(name, Sender->currentIndex(), cfgDir, year))
        return false;
    SpinEdit1Change();
    QString error;
    if (!Configurations::writeOpened(ConfigIndex, year, &error))
        prompts().error(error);
    updateCommands();
    return true;
}

bool TMain::chooseMissingYear(const QString& cfgDir, int* year)
{
    if (Files::isFolder(YearDatabases::yearFolder(cfgDir, *year)))
        return true;
    const bool create = prompts().question(
        QStringLiteral("Информация за %1 год не определена.\n\rСоздать?").arg(*year));
    int chosen = 0;
    if (!SelectBaseYear(QStringLiteral("Выберите отчетный год"), cfgDir, chosen))
        return cancelOpening();
    if (!create) {
        *year = chosen;
        return true;
    }
    QString error;
    if (!YearDatabases::createYear(cfgDir, chosen, *year, prompts(), &error)) {
        prompts().error(error);
        restoreConfigurationChoice();
        return false;
    }
    return true;
}

bool TMain::openConfigurationYear(const QString& name, int index, const QString& cfgDir, int year)
{
    const QString previousName = ConfigName;
    const int previousIndex = ConfigIndex;
    // The year's opening titles the window with the name, so both are set before it and put
    // back when it fails (the old configuration then stays open).
    ConfigName = name;
    ConfigIndex = index;
    if (openYearOf(cfgDir, year))
        return true;
    ConfigName = previousName;
    ConfigIndex = previousIndex;
    restoreConfigurationChoice();
    return false;
}

bool TMain::cancelOpening()
{
    if (m_startingUp)
        SpinEdit1->setValue(0);
    restoreConfigurationChoice();
    return false;
}

void TMain::restoreConfigurationChoice()
{
    if (ConfigIndex >= 0 && ConfigIndex < DBList->count())
        DBList->setCurrentIndex(ConfigIndex);
}

bool TMain::SetYear() { return openYearOf(CfgDir, SpinEdit1->value()); }

bool TMain::openYearOf(const QString& cfgDir, int year)
{
    // Everything of the new year is opened, checked and read first; only then do the aliases,
    // the settings and the caches switch, together. On any failure the open year stays as it
    // was, with its own caches, and a value can never be saved into the other year's tables.
    QString error;
    YearDatabases::OpenedYear opened;
    if (!YearDatabases::openYearFiles(cfgDir, year, &opened, &error)) {
        prompts().error(QStringLiteral("Отчетный год %1 не открыт.\n").arg(year) + error);
        return false;
    }
    StructureCaches caches;
    QList<ReportLevel> levels;
    if (!runShowingFailure(QStringLiteral("Не удалось прочитать справочник %1:").arg(opened.dictionary->path()), [&] {
            caches = readStructureCaches(*opened.dictionary);
            levels = ReportLevels::list(*opened.dictionary);
        }))
        return false;
    YearDatabases::installYear(std::move(opened));
    CfgDir = cfgDir;
    ReportYear = year;
    installStructureCaches(std::move(caches));
    SpinEdit1->setValue(year);
    SpinEdit1Change();
    showLevels(levels);
    if (!Configurations::writeYear(year, &error))
        prompts().error(error);
    updateCommands();
    return true;
}

void TMain::showLevels(const QList<ReportLevel>& levels)
{
    SRList->clear();
    SRList->addItem(AnnualLevelName, 0);
    for (const ReportLevel& level : levels)
        SRList->addItem(level.name, level.id);
    selectAnnualLevel();
}

void TMain::SpeedButton1Click() { stepYear(1); }

void TMain::SpeedButton2Click() { stepYear(-1); }

bool TMain::stepYear(int delta)
{
    if (!yearOpen())
        return false;
    const int target = SpinEdit1->value() + delta;
    if (!Files::isFolder(YearDatabases::yearFolder(CfgDir, target))) {
        if (!prompts().question(QStringLiteral("Вы действительно хотите создать базу данных для %1 года?").arg(target)))
            return false;
        QString error;
        if (!YearDatabases::createYear(CfgDir, SpinEdit1->value(), target, prompts(), &error)) {
            prompts().error(error);
            return false;
        }
    }
    return openYearOf(CfgDir, target);
}

void TMain::GetForms() { ::GetForms(); }
void TMain::GetTables() { ::GetTables(); }
void TMain::GetStruct() { ::GetStruct(); }
void TMain::GetTree() { ::GetTree(); }

void TMain::refreshStructureCaches() { ::refreshStructureCaches(dbmain()); }

void TMain::resetLevels()
{
    SRList->clear();
    SRList->addItem(AnnualLevelName, 0);
    for (const ReportLevel& level : ReportLevels::list(dbmain()))
        SRList->addItem(level.name, level.id);
    selectAnnualLevel();
}

void TMain::selectAnnualLevel()
{
    SRList->setCurrentIndex(0);
    m_levelIndex = 0;
    CurrentLevel = ReportLevel{0, AnnualLevelName};
    setApplicationTitle();
    updateCommands();
}

void TMain::SRListChange()
{
    const int index = SRList->currentIndex();
    if (index == m_levelIndex)
        return;
    if (!N17Click()) {
        SRList->setCurrentIndex(m_levelIndex);
        return;
    }
    m_levelIndex = index;
    CurrentLevel = ReportLevel{SRList->itemData(index).toInt(), SRList->itemText(index)};
    setApplicationTitle();
    updateCommands();
}

bool TMain::N17Click()
{
    QString error;
    if (!YearDatabases::openLevel(CfgDir, ReportYear, SRList->currentData().toInt(), &error)) {
        prompts().error(error);
        return false;
    }
    return true;
}

void TMain::N18Click()
{
    if (!yearOpen())
        return;
    TSumRepF dialog(this);
    dialog.setWindowTitle(QStringLiteral("Введите наименование уровня отчета"));
    dialog.CheckBox1->hide();
    if (prompts().exec(dialog) != QDialog::Accepted)
        return;
    const std::optional<QString> name = dialog.name();
    QString error;
    const auto created = runShowingFailure(QStringLiteral("Уровень отчета не создан."), [&] {
        return ReportLevels::create(dbmain(), YearDatabases::yearFolder(CfgDir, ReportYear), *name, &error);
    });
    if (!created)
        return;
    const std::optional<ReportLevel>& level = *created;
    if (!level) {
        prompts().error(error);
        return;
    }
    SRList->addItem(level->name, level->id);
}

void TMain::N31Click()
{
    const int index = SRList->currentIndex();
    const int id = SRList->itemData(index).toInt();
    if (!yearOpen() || index <= 0 || id == 0)
        return;
    if (!prompts().question(QStringLiteral("Вы действительно желаете удалить \"%1\"?").arg(SRList->itemText(index))))
        return;
    // "dbdat" leaves the level before its file goes.
    QString error;
    if (!YearDatabases::openLevel(CfgDir, ReportYear, 0, &error)) {
        prompts().error(error);
        return;
    }
    selectAnnualLevel();
    const auto removed = runShowingFailure(QStringLiteral("Уровень отчета не удален."), [&] {
        return ReportLevels::remove(dbmain(), YearDatabases::yearFolder(CfgDir, ReportYear), id, &error);
    });
    if (!removed)
        return;
    if (!*removed) {
        prompts().error(error);
        return;
    }
    SRList->removeItem(index);
    if (!error.isEmpty())
        prompts().error(error);
}

void TMain::updateCommands()
{
    const bool open = yearOpen();
    SpeedButton1->setEnabled(open);
    SpeedButton2->setEnabled(open);
    SRList->setEnabled(open);
    for (const MainCommand& command : mainCommands()) {
        bool enabled = m_openers.contains(command.handler) && (open || !command.needsYear);
        if (command.handler == QLatin1String("N31Click"))
            enabled = enabled && m_levelIndex > 0;   // the annual report is never deleted
        m_links.value(command.handler)->setEnabled(enabled);
    }
}

void TMain::setApplicationTitle()
{
    // The title the task bar shows for the program; every message box carries it too, so it
    // follows each choice of year, configuration and level.
    setWindowIconText(Label2->text() + QLatin1Char(' ') + DBList->currentText() + QLatin1Char(' ')
                      + SRList->currentText());
    setPromptTitle(windowIconText());
}
