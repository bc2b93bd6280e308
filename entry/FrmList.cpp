#include "entry/FrmList.h"
#include "entry/FrmListExcel.h"

#include "core/Common.h"
#include "core/Controls.h"
#include "core/DataFiles.h"
#include "core/TreeMarks.h"
#include "core/Unit1.h"
#include "core/CheckSums.h"
#include "core/Configurations.h"
#include "core/ReportLevels.h"
#include "entry/ConditionsFile.h"
#include "entry/ControlRuns.h"
#include "entry/FormPrint.h"
#include "entry/FormsRecalc.h"
#include "entry/Unit3.h"
#include "platform/office/Desktop.h"
#include "platform/office/WordDocument.h"
#include "entry/ShowTable.h"
#include "entry/ShowTableLoad.h"
#include "platform/Database.h"
#include "platform/Numbers.h"
#include "platform/Prompts.h"
#include "platform/WindowCommand.h"
#include "widgets/MenuKeys.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <memory>

TFormList::TFormList(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FormList"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                   | Qt::WindowMaximizeButtonHint);
    setWindowState(Qt::WindowMaximized);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(5, 2, 5, 5);
    layout->setSpacing(2);
    buildMenu();
    layout->setMenuBar(MainMenu1);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    layout->addWidget(Label1);

    Gauge1 = new QProgressBar(this);
    Gauge1->setObjectName(QStringLiteral("Gauge1"));
    Gauge1->setTextVisible(false);
    Gauge1->setMaximumHeight(6);
    Gauge1->setValue(0);
    Gauge1->setVisible(false);   // shown only while a run is going on
    layout->addWidget(Gauge1);

    TreeView1 = new QTreeWidget(this);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setHeaderHidden(true);
    TreeView1->setColumnCount(1);
    TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView1->setSelectionMode(QAbstractItemView::SingleSelection);
    // The chosen node stays visible while a menu or the grid has the focus.
    QPalette palette = TreeView1->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    TreeView1->setPalette(palette);
    TreeView1->installEventFilter(this);
    layout->addWidget(TreeView1, 1);

    connect(TreeView1, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) { TreeView1Change(current); });
    connect(TreeView1, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem*, int) { TreeView1DblClick(); });

    FormList = this;
    // Whenever a run reads a table, the title line names it at once.
    ControlTableLoading = [this](const QString& formName, const QString& tableNumber) {
        Label1->setText(formName + QStringLiteral(" - ") + tableNumber);
        Label1->repaint();
    };
    FormCreate();
}

TFormList::~TFormList()
{
    // The control lists live only as long as the tree that runs them.
    ClearControls();
    if (FormList == this) {
        FormList = nullptr;
        ControlTableLoading = nullptr;
    }
}

void TFormList::buildMenu()
{
    MainMenu1 = new QMenuBar(this);
    giveMenuKeys(MainMenu1);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    auto action = [this](const char* name, const QString& caption) {
        auto* a = new QAction(caption, this);
        a->setObjectName(QString::fromLatin1(name));
        MainMenu1->addAction(a);
        return a;
    };
    N1 = action("N1", QStringLiteral("Таблица"));
    N1->setEnabled(false);
    connect(N1, &QAction::triggered, this, &TFormList::N1Click);

    ControlMenu = MainMenu1->addMenu(QStringLiteral("Контроль"));
    ControlMenu->setObjectName(QStringLiteral("ControlMenu"));
    auto controlItem = [this](const char* name, const QString& caption) {
        QAction* a = ControlMenu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    N3 = controlItem("N3", QStringLiteral("Межтабличный"));
    N4 = controlItem("N4", QStringLiteral("Межформенный"));
    N5 = controlItem("N5", QStringLiteral("Сплошной"));
    connect(N3, &QAction::triggered, this, &TFormList::N3Click);
    connect(N4, &QAction::triggered, this, &TFormList::N4Click);
    connect(N5, &QAction::triggered, this, &TFormList::N5Click);

    // The print and Excel menus come between "Контроль" and "Ошибки".
    PrintMenu = MainMenu1->addMenu(QStringLiteral("Печать формы"));
    PrintMenu->setObjectName(QStringLiteral("PrintMenu"));
    auto printItem = [this](const char* name, const QString& caption) {
        QAction* a = PrintMenu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    N2 = printItem("N2", QStringLiteral("Черновая"));
    N22 = printItem("N22", QStringLiteral("Для отчета"));
    PrintMenu->addSeparator();
    N24 = printItem("N24", QStringLiteral("Протокол"));
    connect(N2, &QAction::triggered, this, &TFormList::N2Click);
    connect(N22, &QAction::triggered, this, &TFormList::N22Click);
    connect(N24, &QAction::triggered, this, &TFormList::N24Click);
    m_excel = new FormListExcel(*this);

    N7 = action("N7", QStringLiteral("Ошибки"));
    N7->setVisible(false);
    connect(N7, &QAction::triggered, this, &TFormList::N7Click);

    addLoadFormCommand();
    addRecalcCommands();
    addClearMenu();

    N8 = action("N8", QStringLiteral("Выход"));
    connect(N8, &QAction::triggered, this, &TFormList::N8Click);
}

void TFormList::FormCreate()
{
    // A network report is never recalculated as a summary of its incoming reports.
    if (NetMode)
        m_recalcReportShown = false;
    ClearControls();
    updateOwnerDataCommands();
}

bool TFormList::Start(int medicalsId)
{
    TreeView1->clear();
    const auto tree = runShowingFailure(QStringLiteral("Не удалось прочитать перечень форм."),
                                        [&] { return buildFormsTree(dbmain(), medicalsId, NetMode); });
    m_tree = tree.value_or(FormsTree());
    for (const FormsTreeForm& form : std::as_const(m_tree.forms)) {
        auto* formNode = new QTreeWidgetItem(TreeView1, {form.text});
        formNode->setData(0, NodeIdRole, form.id);
        formNode->setData(0, NodeNameRole, form.name);
        for (const FormsTreeTable& table : form.tables) {
            auto* tableNode = new QTreeWidgetItem(formNode, {table.text});
            tableNode->setData(0, NodeIdRole, table.ident);
            tableNode->setData(0, NodeNameRole, table.number);
        }
    }
    updateOwnerDataCommands();
    return m_tree.shown;
}

std::optional<GridOpening> TFormList::gridOpeningForNode(const QTreeWidgetItem* node) const
{
    const QTreeWidgetItem* formNode = node ? node->parent() : nullptr;
    if (!formNode || node->treeWidget() != TreeView1)
        return std::nullopt;
    const int f = TreeView1->indexOfTopLevelItem(const_cast<QTreeWidgetItem*>(formNode));
    const int t = formNode->indexOfChild(const_cast<QTreeWidgetItem*>(node));
    if (f < 0 || f >= m_tree.forms.size() || t < 0 || t >= m_tree.forms[f].tables.size())
        return std::nullopt;
    return gridOpeningFor(m_tree.forms[f], m_tree.forms[f].tables[t]);
}

void TFormList::setRecalcReportShown(bool shown)
{
    // A network report is never recalculated as a summary of its incoming reports.
    m_recalcReportShown = shown && !NetMode;
    N10->setVisible(m_recalcReportShown);
}

void TFormList::setRecalcFormShown(bool shown)
{
    m_recalcFormShown = shown;
    N9->setVisible(shown);
}

void TFormList::setClearShown(bool shown)
{
    m_clearShown = shown;
    updateDataCommands();
}

void TFormList::addOwnerDataCommand(QAction* action)
{
    m_ownerDataCommands.append(action);
    updateOwnerDataCommands();
}

void TFormList::updateOwnerDataCommands()
{
    const bool changeable = ownerDataChangeable(WorkMode, CurrentInstitutionId);
    for (QAction* action : std::as_const(m_ownerDataCommands))
        action->setEnabled(changeable);
    updatePrintCommands();
    if (m_excel)
        m_excel->updateCommands();
    updateDataCommands();
}

void TFormList::updatePrintCommands()
{
    // Sums over several institutions are nobody's form to print; without an owner or a form
    // there is nothing to print.
    const bool enabled = ownerDataChangeable(WorkMode, CurrentInstitutionId) && TreeView1
                         && TreeView1->currentItem() != nullptr;
    for (QAction* a : {N2, N22, N24})
        if (a)
            a->setEnabled(enabled);
}

namespace {

ReportPrintJob printJob(const QString& ownerName)
{
    ReportPrintJob job;
    job.cfgDir = CfgDir;
    job.year = ReportYear;
    job.formId = TreeFormId;
    job.formName = TreeFormName;
    job.ownerId = CurrentInstitutionId;
    job.ownerName = ownerName;
    job.levelName = CurrentLevel.name;
    const bool ofInstitution = DataTablePrefix.compare(QStringLiteral("data"), Qt::CaseInsensitive) == 0;
    job.ownerNameShared = ownerNameShared(ownerName, CurrentInstitutionId, ofInstitution);
    job.ownerIsInstitution = ofInstitution;
    return job;
}

}

void TFormList::N2Click()
{
    if (!N2->isEnabled() || !TreeView1->currentItem())
        return;
    runShowingFailure(QString(), [&] {
        WordDocument doc;
        QString error;
        if (!FillFormDoc(formsFolderOf(CfgDir, ReportYear), TreeFormId, TreeFormName, CurrentInstitutionId,
                         &doc, &error)
            || !showDocument(doc, TreeFormName + QLatin1Char(' ') + windowTitle(), &error)) {
            prompts().error(error);
            return;
        }
        prompts().message(PrintDoneMessage);
    });
}

void TFormList::N22Click()
{
    if (!N22->isEnabled() || !TreeView1->currentItem())
        return;
    runShowingFailure(QString(), [&] {
        const ReportPrintJob job = printJob(windowTitle());
        const QString printed = printedReportPath(job);
        // Printed once already: the stored copy is shown as it is, never made again.
        if (printed.isEmpty())
            printForReport(job);
        else
            showPrintedReport(printed, job);
    });
}

void TFormList::showPrintedReport(const QString& printed, const ReportPrintJob& job)
{
    const PrintedReportCheck check = checkPrintedReport(printed, job);
    if (!check.message.isEmpty())
        prompts().message(check.message);
    QString error;
    if (!desktop().openDocument(printed, &error))
        prompts().error(error);
}

void TFormList::printForReport(const ReportPrintJob& job)
{
    QString error;
    // A blank or placement file that cannot serve is said before the warning.
    WordDocument trial;
    if (!FillFormDoc(formsFolderOf(CfgDir, ReportYear), TreeFormId, TreeFormName, CurrentInstitutionId,
                     &trial, &error)) {
        prompts().error(error);
        return;
    }
    // The warning made at start-up; a tree opened without it (in a test) makes its own.
    std::unique_ptr<TForm3> own;
    if (!Form3)
        own = std::make_unique<TForm3>(this);
    if (prompts().exec(*Form3) != QDialog::Accepted)
        return;
    if (!makeReportDocument(job, QDateTime::currentDateTime(), &error)
        || !desktop().openDocument(reportDocumentPath(job), &error)) {
        prompts().error(error);
        return;
    }
    prompts().message(PrintDoneMessage);
}

void TFormList::N24Click()
{
    if (!N24->isEnabled() || !TreeView1->currentItem())
        return;
    runShowingFailure(QString(), [&] {
        WordDocument doc;
        makeProtocolDocument(printJob(windowTitle()), &doc);
        QString error;
        if (!showDocument(doc, QStringLiteral("Протокол ") + TreeFormName, &error))
            prompts().error(error);
    });
}

void TFormList::TreeView1Change(QTreeWidgetItem* node)
{
    if (!node)
        return;
    // A form without tables is a form node all the same: only nodes under a form are tables.
    const QTreeWidgetItem* formNode = node->parent() ? node->parent() : node;
    TreeFormId = nodeId(formNode);
    TreeFormName = formNode->data(0, NodeNameRole).toString();
    N1->setEnabled(node->parent() != nullptr);
    updatePrintCommands();
    if (m_excel)
        m_excel->updateCommands();
    updateDataCommands();
}

void TFormList::TreeView1DblClick() { N1Click(); }

void TFormList::N1Click()
{
    if (!N1->isEnabled())
        return;
    QTreeWidgetItem* node = TreeView1->currentItem();
    if (!node)
        return;
    if (!node->parent()) {
        node->setExpanded(!node->isExpanded());
        return;
    }
    openGrid(node);
}

void TFormList::N8Click() { reject(); }

const FormsTreeForm* TFormList::selectedForm() const
{
    const QTreeWidgetItem* node = TreeView1->currentItem();
    if (!node)
        return nullptr;
    const QTreeWidgetItem* formNode = node->parent() ? node->parent() : node;
    const int f = TreeView1->indexOfTopLevelItem(const_cast<QTreeWidgetItem*>(formNode));
    return f >= 0 && f < m_tree.forms.size() ? &m_tree.forms[f] : nullptr;
}

void TFormList::showRunOutcome(const ControlRunOutcome& outcome)
{
    N7->setVisible(outcome.errorsFound);
    prompts().message(outcome.message);
}

namespace {

const QString kControlRunFailed = QStringLiteral("Контроль не выполнен.");

// The title line shows a run's progress and the bar is busy while it runs; the line is empty and
// the bar hidden again however the run ends.
struct ProgressLine {
    QLabel* label;
    QProgressBar* bar;
    ProgressLine(QLabel* l, QProgressBar* b) : label(l), bar(b)
    {
        bar->setRange(0, 0);
        bar->setVisible(true);
        bar->repaint();
    }
    void show(const QString& text) const
    {
        label->setText(text);
        label->repaint();
    }
    ~ProgressLine()
    {
        label->clear();
        bar->setVisible(false);
        bar->setRange(0, 100);
    }
};

} // namespace

// The form's controls need the form: without a selection the run would check whatever form
// another tree selected last.
void TFormList::N3Click()
{
    const FormsTreeForm* form = selectedForm();
    if (!form)
        return;
    N7->setVisible(false);
    ProgressLine line{Label1, Gauge1};
    if (const auto outcome = runShowingFailure(kControlRunFailed, [&] { return runInterTableControls(dbmain(), *form); }))
        showRunOutcome(*outcome);
}

void TFormList::N4Click()
{
    const FormsTreeForm* form = selectedForm();
    // In the Ф47 mode the selected form decides which controls run.
    if (NetMode && !form)
        return;
    N7->setVisible(false);
    ProgressLine line{Label1, Gauge1};
    if (const auto outcome = runShowingFailure(kControlRunFailed, [&] {
            return runInterFormControls(dbmain(), NetMode, form ? form->name : QString());
        }))
        showRunOutcome(*outcome);
}

void TFormList::N5Click()
{
    const FormsTreeForm* form = selectedForm();
    if (!form)
        return;
    N7->setVisible(false);
    ProgressLine line{Label1, Gauge1};
    const auto outcome = runShowingFailure(kControlRunFailed, [&] {
        return runAllControls(dbmain(), m_tree, NetMode, form->name, [&line](const QString& text) { line.show(text); });
    });
    line.show(QString());
    if (outcome)
        showRunOutcome(*outcome);
}

void TFormList::N7Click()
{
    ShowResultList(controlErrorsList(windowTitle() + QStringLiteral(" - ошибки контроля")));
}

void TFormList::openGrid(const QTreeWidgetItem* node)
{
    const std::optional<GridOpening> opening = gridOpeningForNode(node);
    if (!opening)
        return;
    openTableGrid(*opening, this, windowTitle(), [this](TVTable& grid) {
        grid.N11->menuAction()->setVisible(gridSplitVisible(WorkMode, m_recalcFormShown));
    });
}

bool TFormList::FormKeyDown(QKeyEvent* event)
{
    if (NetMode && (event->key() == Qt::Key_F2 || event->key() == Qt::Key_F3)) {
        event->key() == Qt::Key_F2 ? saveConditionsFile() : loadConditionsFile();
        return true;
    }
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return false;
    QTreeWidgetItem* node = TreeView1->currentItem();
    if (!node)
        return false;
    if (node->childCount() > 0)
        node->setExpanded(!node->isExpanded());
    else
        TreeView1DblClick();
    return true;
}

void TFormList::keyPressEvent(QKeyEvent* event)
{
    if (FormKeyDown(event))
        return;
    QDialog::keyPressEvent(event);
}

bool TFormList::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == TreeView1 && event->type() == QEvent::KeyPress
        && FormKeyDown(static_cast<QKeyEvent*>(event)))
        return true;
    return QDialog::eventFilter(watched, event);
}

namespace {
const QString kConditionsFilter = QStringLiteral("Условия формирования Ф47 (*.cnd)");
}

void TFormList::saveConditionsFile()
{
    const FormsTreeForm* form = selectedForm();
    if (!form)
        return;
    const QString path = prompts().saveFileName(QStringLiteral("Сохранить условия формирования"),
                                          kConditionsFilter, form->name + QStringLiteral(".cnd"));
    if (path.isEmpty())
        return;
    QString error;
    const auto saved = runShowingFailure(QStringLiteral("Условия не сохранены."),
                                         [&] { return saveFormConditions(dbmain(), form->id, form->name, path, &error); });
    if (saved && !*saved)
        prompts().error(error);
}

void TFormList::loadConditionsFile()
{
    const FormsTreeForm* form = selectedForm();
    if (!form)
        return;
    const QString path = prompts().openFileName(QStringLiteral("Загрузить условия формирования"),
                                                kConditionsFilter, form->name);
    if (path.isEmpty())
        return;
    runShowingFailure(QStringLiteral("Условия не загружены, прежние условия формы сохранены."), [&] {
        const ConditionsLoadResult result = loadFormConditions(dbmain(), form->id, form->name, path);
        if (result.changed)
            prompts().message(result.message);
        else
            prompts().error(result.message);
    });
}

// --- recalculation ----------------------------------------------------------------------------

void TFormList::addRecalcCommands()
{
    N10 = new QAction(QStringLiteral("Пересчитать отчет"), this);
    N10->setObjectName(QStringLiteral("N10"));
    N9 = new QAction(QStringLiteral("Пересчитать форму"), this);
    N9->setObjectName(QStringLiteral("N9"));
    for (QAction* a : {N10, N9}) {
        a->setVisible(false);   // the openers show them for their road
        MainMenu1->addAction(a);
    }
    connect(N9, &QAction::triggered, this, &TFormList::N9Click);
    connect(N10, &QAction::triggered, this, &TFormList::N10Click);
    addOwnerDataCommand(N9);
    addOwnerDataCommand(N10);
}

void TFormList::showRecalcResult(const FormsRecalcResult& result)
{
    if (!result.problems.isEmpty())
        ShowResultList(formationProblemsList(result.problems, windowTitle()));
    if (result.message.isEmpty())
        return;
    if (result.failed)
        prompts().error(result.message);
    else
        prompts().message(result.message);
}

void TFormList::N9Click()
{
    const FormsTreeForm* form = selectedForm();
    if (!N9->isVisible() || !N9->isEnabled() || !form)
        return;
    ProgressLine line{Label1, Gauge1};
    const FormsRecalcResult result =
        recalculateForm(prompts(), *form, [&line](const QString& text) { line.show(text); });
    line.show(QString());
    showRecalcResult(result);
}

void TFormList::N10Click()
{
    if (!N10->isVisible() || !N10->isEnabled())
        return;
    ProgressLine line{Label1, Gauge1};
    const FormsRecalcResult result =
        recalculateReport(prompts(), m_tree, windowTitle(), [&line](const QString& text) { line.show(text); });
    line.show(QString());
    showRecalcResult(result);
}

// --- Loading a form from an exchange file, clearing -------------------------------------------

void TFormList::addLoadFormCommand()
{
    N11 = new QAction(QStringLiteral("Подгрузить форму"), this);
    N11->setObjectName(QStringLiteral("N11"));
    MainMenu1->addAction(N11);
    connect(N11, &QAction::triggered, this, &TFormList::N11Click);
}

void TFormList::addClearMenu()
{
    N12 = MainMenu1->addMenu(QStringLiteral("Очистить"));
    N12->setObjectName(QStringLiteral("N12"));
    auto clearItem = [this](const char* name, const QString& caption) {
        QAction* a = N12->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    N13 = clearItem("N13", QStringLiteral("ЛПУ"));
    N14 = clearItem("N14", QStringLiteral("Форму"));
    N15 = clearItem("N15", QStringLiteral("Таблицу"));
    connect(N13, &QAction::triggered, this, &TFormList::N13Click);
    connect(N14, &QAction::triggered, this, &TFormList::N14Click);
    connect(N15, &QAction::triggered, this, &TFormList::N15Click);
}

void TFormList::updateDataCommands()
{
    if (!N11 || !N12)   // still being built
        return;
    // Sums over several institutions or nobody's data are not one owner's to replace. Clearing
    // works on the institutions' table only: over a summary report it would delete the numbers
    // of the institution that happens to have the report's id.
    const bool changeable = ownerDataChangeable(WorkMode, CurrentInstitutionId);
    const QTreeWidgetItem* node = TreeView1 ? TreeView1->currentItem() : nullptr;
    const bool ofInstitutions = sameName(DataTablePrefix, QStringLiteral("data"));
    N11->setEnabled(changeable && node != nullptr && !dataTableIdent(DataTablePrefix).isEmpty());
    N12->menuAction()->setVisible(m_clearShown);
    N12->menuAction()->setEnabled(changeable && ofInstitutions);
    N13->setEnabled(changeable && ofInstitutions);
    N14->setEnabled(changeable && ofInstitutions && node != nullptr);
    N15->setEnabled(changeable && ofInstitutions && node != nullptr && node->parent() != nullptr);
}

void TFormList::N11Click()
{
    updateDataCommands();
    if (!N11->isEnabled() || !TreeView1->currentItem())
        return;
    DataLoadTarget target;
    target.dataTable = DataTablePrefix;
    target.owner = CurrentInstitutionId;
    target.year = ReportYear;
    target.formId = TreeFormId;
    target.replacedTables = tablesOfForm(TreeFormId);
    QString path;
    const std::optional<DataLoadReport> report =
        askAndLoadExchangeFile(target, WorkMode == QStringLiteral("Input"), TreeFormName, windowTitle(),
                               QStringLiteral("Форма"), &path);
    if (!report)
        return;
    prompts().message(QStringLiteral("Форма ") + TreeFormName + QStringLiteral(" загружена из ")
                      + QDir::toNativeSeparators(path) + QLatin1Char('\n') + report->summary());
}

namespace {

// Asks, then deletes in one transaction; "Готово!" or what went wrong.
void clearAfterQuestion(const QString& question, int owner, const std::optional<QList<int>>& tables)
{
    if (!prompts().question(question))
        return;
    QString error;
    const auto cleared = runShowingFailure(QStringLiteral("Данные не удалены."), [&] {
        return clearOwnerData(dbdat(), QStringLiteral("data"), owner, tables, nullptr, &error);
    });
    if (!cleared)
        return;
    if (!*cleared) {
        prompts().error(error);
        return;
    }
    prompts().message(QStringLiteral("Готово!"));
}

}  // namespace

void TFormList::N13Click()
{
    updateDataCommands();
    if (!N13->isEnabled())
        return;
    clearAfterQuestion(QStringLiteral("Вы действительно желаете удалить ВСЮ информацию по ") + windowTitle()
                           + QLatin1Char('?'),
                       CurrentInstitutionId, std::nullopt);
}

void TFormList::N14Click()
{
    updateDataCommands();
    const QTreeWidgetItem* node = TreeView1->currentItem();
    if (!N14->isEnabled() || !node)
        return;
    // A form without tables is a form node all the same: only nodes under a form are tables.
    const QTreeWidgetItem* formNode = node->parent() ? node->parent() : node;
    clearAfterQuestion(QStringLiteral("Вы действительно желаете удалить ВСЮ информацию из формы \n")
                           + formNode->text(0) + QLatin1Char('\n') + windowTitle() + QLatin1Char('?'),
                       CurrentInstitutionId, tablesOfForm(nodeId(formNode)));
}

void TFormList::N15Click()
{
    updateDataCommands();
    const QTreeWidgetItem* node = TreeView1->currentItem();
    if (!N15->isEnabled() || !node || !node->parent())
        return;
    clearAfterQuestion(QStringLiteral("Вы действительно желаете удалить ВСЮ информацию из таблицы \n")
                           + node->text(0) + QLatin1Char('\n') + windowTitle() + QLatin1Char('?'),
                       CurrentInstitutionId, QList<int>{nodeId(node)});
}
