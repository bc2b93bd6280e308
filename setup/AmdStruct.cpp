#include "setup/AmdStruct.h"
#include "setup/AdmExchange.h"

#include "core/Common.h"
#include "core/DataFiles.h"
#include "core/ExchangeOwners.h"
#include "core/ReportLevels.h"
#include "core/Configurations.h"
#include "core/Lookups.h"
#include "core/StructureCache.h"
#include "core/TreeMarks.h"
#include "core/Unit1.h"
#include "entry/FrmList.h"
#include "entry/Unit5.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/Numbers.h"
#include "platform/Prompts.h"
#include "platform/WindowCommand.h"
#include "setup/AdmStructure.h"
#include "setup/DataExchange.h"
#include "entry/Unit2.h"
#include "setup/DropTree.h"
#include "setup/UnitChar.h"

#include "widgets/MenuKeys.h"
#include "widgets/WaitCursor.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QCheckBox>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QScopeGuard>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <functional>
#include <memory>

namespace {

const QString kCaption = QStringLiteral("Административная стуктура");
const QString kReportCaption = QStringLiteral("Справка о наличии информации в ЛПУ");
const QString kReportHeading = QStringLiteral("Форма\tЗаполнение таблиц");
const QString kDataFilter = QStringLiteral("Данные по учреждению (*.ktr *.ktd)");

// The hourglass for the life of a long command.
bool isLeaf(const QTreeWidgetItem* node) { return node && node->childCount() == 0; }

QTreeWidgetItem* newNode(QTreeWidget* tree, QTreeWidgetItem* parent, const QString& name, int id)
{
    auto* node = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
    node->setText(0, name);
    node->setData(0, NodeIdRole, id);
    return node;
}

void collectOrder(const QTreeWidgetItem* node, int index, QList<QPair<int, int>>& order)
{
    order.append({nodeId(node), index});
    for (int i = 0; i < node->childCount(); ++i)
        collectOrder(node->child(i), i, order);
}

}

TAdmForm::TAdmForm(AdmMode mode, QWidget* parent)
    : QDialog(parent), m_mode(mode)
{
    setObjectName(QStringLiteral("AdmForm"));
    // A fixed frame without caption buttons; the menu's "Выход" and Esc close it.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setWindowState(Qt::WindowMaximized);
    m_exchange = new AdmExchange(*this);
    buildWindow();
    AdmForm = this;
    FormCreate();
}

TAdmForm::~TAdmForm()
{
    ChildUnitIds.clear();
    if (AdmForm == this)
        AdmForm = nullptr;
}

void TAdmForm::buildWindow()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(5, 2, 5, 5);
    layout->setSpacing(4);
    buildMenu(layout);
    buildPanel(layout);
    buildTreeView(layout);
    buildProgressBox(layout);
}

QAction* TAdmForm::newAction(const char* name, const QString& caption)
{
    auto* a = new QAction(caption, this);
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

void TAdmForm::buildMenu(QVBoxLayout* layout)
{
    MainMenu1 = new QMenuBar(this);
    giveMenuKeys(MainMenu1);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    layout->setMenuBar(MainMenu1);
    N1 = newAction("N1", QStringLiteral("Добавить"));
    N2 = newAction("N2", QStringLiteral("Вставить"));
    N3 = newAction("N3", QStringLiteral("Удалить"));
    N4 = newAction("N4", QStringLiteral("Корректировать"));
    N12 = new QMenu(QStringLiteral("Справка"), this);
    N12->setObjectName(QStringLiteral("N12"));
    N13 = newAction("N13", QStringLiteral("По базе"));
    N14 = newAction("N14", QStringLiteral("По входным файлам"));
    N12->addAction(N13);
    N12->addAction(N14);
    N15 = newAction("N15", QStringLiteral("Структура"));
    N15->setCheckable(true);
    N16 = newAction("N16", QStringLiteral("Формы"));
    N17 = newAction("N17", QStringLiteral("Короткие названия"));
    N17->setVisible(false);
    N18 = newAction("N18", QStringLiteral("Выход"));
    buildExchangeMenus();
    for (QAction* a : {N1, N2, N3, N4})
        MainMenu1->addAction(a);
    MainMenu1->addMenu(ExportMenu);
    MainMenu1->addMenu(ImportMenu);
    MainMenu1->addMenu(N12);
    for (QAction* a : {N15, N16, N17, N18})
        MainMenu1->addAction(a);
    connect(N1, &QAction::triggered, this, &TAdmForm::N1Click);
    connect(N2, &QAction::triggered, this, &TAdmForm::N2Click);
    connect(N3, &QAction::triggered, this, &TAdmForm::N3Click);
    connect(N4, &QAction::triggered, this, &TAdmForm::N4Click);
    connect(N13, &QAction::triggered, this, &TAdmForm::N13Click);
    connect(N14, &QAction::triggered, this, &TAdmForm::N14Click);
    // The check mark follows the mode, not the click: a failed write keeps the mode on.
    connect(N15, &QAction::triggered, this, [this] { N15Click(); });
    connect(N16, &QAction::triggered, this, &TAdmForm::N16Click);
    connect(N17, &QAction::triggered, this, &TAdmForm::N17Click);
    connect(N18, &QAction::triggered, this, &TAdmForm::N18Click);
}

void TAdmForm::buildExchangeMenus()
{
    ExportMenu = new QMenu(QStringLiteral("Выгрузить"), this);
    ExportMenu->setObjectName(QStringLiteral("ExportMenu"));
    ExportGroup = newAction("ExportGroup", QStringLiteral("Группу"));
    ExportOne = newAction("ExportOne", QStringLiteral("Одно учреждение"));
    ExportMenu->addAction(ExportGroup);
    ExportMenu->addAction(ExportOne);
    ImportMenu = new QMenu(QStringLiteral("Подгрузить"), this);
    ImportMenu->setObjectName(QStringLiteral("ImportMenu"));
    ImportGroup = newAction("ImportGroup", QStringLiteral("Группу"));
    ImportOne = newAction("ImportOne", QStringLiteral("Одно учреждение"));
    ChooseForms = newAction("ChooseForms", QStringLiteral("Выбор форм"));
    ImportMenu->addAction(ImportGroup);
    ImportMenu->addAction(ImportOne);
    ImportMenu->addSeparator();
    ImportMenu->addAction(ChooseForms);
    connect(ExportOne, &QAction::triggered, this, &TAdmForm::ExportOneClick);
    connect(ImportOne, &QAction::triggered, this, &TAdmForm::ImportOneClick);
    connect(ExportGroup, &QAction::triggered, this, &TAdmForm::ExportGroupClick);
    connect(ImportGroup, &QAction::triggered, this, &TAdmForm::ImportGroupClick);
    connect(ChooseForms, &QAction::triggered, this, &TAdmForm::ChooseFormsClick);
}

void TAdmForm::buildPanel(QVBoxLayout* layout)
{
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto* panel = new QHBoxLayout(Panel1);
    panel->setContentsMargins(0, 0, 0, 0);
    Label1 = new QLabel(QStringLiteral("Выбранные формы"), Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = new QLabel(QStringLiteral("Все"), Panel1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label3 = new QLabel(QStringLiteral("Очищать"), Panel1);
    Label3->setObjectName(QStringLiteral("Label3"));
    ComboBox1 = new QComboBox(Panel1);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->addItems({QStringLiteral("ЛПУ"), QStringLiteral("Выбранные формы")});
    ComboBox1->setEnabled(false);
    panel->addWidget(Label1);
    panel->addWidget(Label2, 1);
    panel->addWidget(Label3);
    panel->addSpacing(5);
    panel->addWidget(ComboBox1);
    layout->addWidget(Panel1);
}

void TAdmForm::buildTreeView(QVBoxLayout* layout)
{
    auto* tree = new DropTree(this);
    tree->dropped = [this](const QPoint& at) { return TreeView1DragDrop(at); };
    TreeView1 = tree;
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setHeaderHidden(true);
    TreeView1->setColumnCount(1);
    TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView1->setSelectionMode(QAbstractItemView::SingleSelection);
    TreeView1->setDragDropMode(QAbstractItemView::InternalMove);
    TreeView1->setDragEnabled(false);
    TreeView1->installEventFilter(this);
    layout->addWidget(TreeView1, 1);
    connect(TreeView1, &QTreeWidget::currentItemChanged, this, [this] { TreeView1Change(); });
    connect(TreeView1, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* node, int) { TreeView1DblClick(node); });
}

void TAdmForm::buildProgressBox(QVBoxLayout* layout)
{
    GroupBox1 = new QGroupBox(this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* progress = new QVBoxLayout(GroupBox1);
    Label4 = new QLabel(GroupBox1);
    Label4->setObjectName(QStringLiteral("Label4"));
    ProgressBar1 = new QProgressBar(GroupBox1);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    progress->addWidget(Label4);
    progress->addWidget(ProgressBar1);
    ProgressBar2 = new QProgressBar(GroupBox1);
    ProgressBar2->setObjectName(QStringLiteral("ProgressBar2"));
    progress->addWidget(ProgressBar2);
    GroupBox1->hide();
    layout->addWidget(GroupBox1);
}

void TAdmForm::FormCreate()
{
    const bool formation = m_mode == AdmMode::Formation;
    setWindowTitle(kCaption + (formation ? QStringLiteral(" - формирование")
                                         : QStringLiteral(" - ввод информации")));
    for (QAction* a : {N1, N2, N3, N4})
        a->setVisible(formation);
    N12->menuAction()->setVisible(!formation);
    ExportMenu->menuAction()->setVisible(!formation);
    ImportMenu->menuAction()->setVisible(!formation);
    Panel1->setVisible(!formation);
    N15->setVisible(false);
    N16->setVisible(WorkMode == QStringLiteral("Input"));
    updateCommands();
}

void TAdmForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TAdmForm::FormShow()
{
    // Built once per opening: the dialogs this window opens would otherwise rebuild it from a
    // cache that does not hold the units added meanwhile.
    if (m_built)
        return;
    m_built = true;
    buildTree();
    if (m_mode == AdmMode::DataEntry) {
        ChosenForms.clear();
        ComboBox1->setCurrentIndex(0);
        m_exchange->showChosenForms();
    }
}

void TAdmForm::buildTree()
{
    // The cache is read afresh so that the tree shows what the dictionary holds now.
    runShowingFailure(QStringLiteral("Не удалось прочитать структуру подразделений."), [] { GetStruct(dbmain()); });
    TreeView1->clear();
    for (int i = 0; i < StructCount; ++i) {
        if (StructDepends.value(i) != 0)
            continue;
        QTreeWidgetItem* node = newNode(TreeView1, nullptr, StructNames.value(i), StructIdents.value(i));
        if (i < StructNodeIndex.size())
            StructNodeIndex[i] = absoluteIndex(node);
        AddTreeBranch(node, StructIdents.value(i));
    }
    if (QTreeWidgetItem* first = TreeView1->topLevelItem(0)) {
        TreeView1->setCurrentItem(first);
        first->setExpanded(true);
    }
    updateCommands();
}

void TAdmForm::updateCommands()
{
    const QTreeWidgetItem* node = TreeView1->currentItem();
    N1->setEnabled(!m_ordering);
    N2->setEnabled(!m_ordering && node);
    N3->setEnabled(isLeaf(node));
    N4->setEnabled(!m_ordering && node);
    N13->setEnabled(node != nullptr);
    N16->setEnabled(isLeaf(node));
    ExportOne->setEnabled(!m_ordering && isLeaf(node));
    ImportOne->setEnabled(!m_ordering && isLeaf(node));
    ExportGroup->setEnabled(!m_ordering && node && !isLeaf(node));
    ImportGroup->setEnabled(!m_ordering);
}

void TAdmForm::ExportOneClick() { m_exchange->exportOne(); }
void TAdmForm::ImportOneClick() { m_exchange->importOne(); }
void TAdmForm::ExportGroupClick() { m_exchange->exportGroup(); }
void TAdmForm::ImportGroupClick() { m_exchange->importGroup(); }
void TAdmForm::ChooseFormsClick() { m_exchange->chooseForms(); }

void TAdmForm::TreeView1Change() { updateCommands(); }

void TAdmForm::TreeView1DblClick(QTreeWidgetItem* node)
{
    if (isLeaf(node) && N16->isVisible())
        N16Click();
}

void TAdmForm::N1Click()
{
    if (!N1->isEnabled())
        return;
    // Beside the selected unit; with nothing selected (an empty tree) at the top level.
    QTreeWidgetItem* selected = TreeView1->currentItem();
    addUnitUnder(selected ? selected->parent() : nullptr, QStringLiteral("Добавление подразделения"));
}

void TAdmForm::N2Click()
{
    if (!N2->isEnabled())
        return;
    if (QTreeWidgetItem* selected = TreeView1->currentItem())
        addUnitUnder(selected, QStringLiteral("Вставка подразделения"));
}

void TAdmForm::addUnitUnder(QTreeWidgetItem* parent, const QString& caption)
{
    runShowingFailure(QStringLiteral("Подразделение не добавлено."), [&] {
        TUntChar dialog(this);
        dialog.setWindowTitle(caption);
        dialog.setMedicalTypes(readMedicalTypeChoices(dbmain()));
        if (prompts().exec(dialog) != QDialog::Accepted)
            return;
        if (isBlankName(dialog.unitName())) {
            prompts().error(NoUnitNameText);
            return;
        }
        const int id = addUnit(dbmain(), dialog.unitName(), parent ? nodeId(parent) : 0,
                               dialog.medicalType(), dialog.rural());
        QTreeWidgetItem* node = newNode(TreeView1, parent, dialog.unitName(), id);
        if (parent)
            parent->setExpanded(true);
        if (!TreeView1->currentItem())
            TreeView1->setCurrentItem(node);
        updateCommands();
    });
}

void TAdmForm::N3Click()
{
    runShowingFailure(QStringLiteral("Подразделение не удалено."), [&] {
        QTreeWidgetItem* node = TreeView1->currentItem();
        if (!N3->isEnabled() || !isLeaf(node))
            return;
        const QString name = node->text(0);
        if (!prompts().question(QStringLiteral("Вы действительно хотите удалить ") + name
                                + QStringLiteral(" со всей информацией?")))
            return;
        if (!deleteInstitution(dbmain(), dbdat().path(), ReportYear, nodeId(node))) {
            prompts().error(QStringLiteral("Подразделение ") + name
                            + QStringLiteral(" не удалено: в базе у него есть подчиненные подразделения"
                                             " или его там уже нет"));
            return;
        }
        delete node;
        updateCommands();
    });
}

void TAdmForm::N4Click()
{
    runShowingFailure(QStringLiteral("Подразделение не исправлено."), [&] {
        QTreeWidgetItem* node = TreeView1->currentItem();
        if (!N4->isEnabled() || !node)
            return;
        const int id = nodeId(node);
        const std::optional<UnitRecord> unit = readUnit(dbmain(), id);
        if (!unit) {
            prompts().error(unitNotFoundText(node->text(0)));
            return;
        }
        TUntChar dialog(this);
        fillCorrectionDialog(dialog, *unit, node);
        if (prompts().exec(dialog) != QDialog::Accepted)
            return;
        const QString refusal = correctUnitRefusal(dbmain(), ReportYear, id, node->text(0), dialog.unitName(),
                                                   dialog.medicalType(), dialog.rural(), dialog.population());
        if (refusal.isEmpty())
            node->setText(0, dialog.unitName());
        else
            prompts().error(refusal);
    });
}

void TAdmForm::fillCorrectionDialog(TUntChar& dialog, const UnitRecord& unit, const QTreeWidgetItem* node)
{
    const int id = nodeId(node);
    dialog.setWindowTitle(QStringLiteral("Корректировка подразделения"));
    dialog.setMedicalTypes(readMedicalTypeChoices(dbmain()));
    dialog.setUnit(unit.unit, unit.medicalType, unit.rural);
    const QList<int> childIds = node->childCount() > 0 ? childUnitIds(dbmain(), id) : QList<int>();
    QStringList children;
    for (int child : childIds)
        children.append(QString::number(child));
    ChildUnitIds = children.join(QLatin1Char(','));
    dialog.setPopulation(dbmain(), ReportYear, id, childIds);
}

QString TAdmForm::reportTitle() const
{
    // The main window's caption after its first " - ": the configuration and the year.
    QString caption;
    if (const QWidget* owner = parentWidget())
        caption = owner->window()->windowTitle();
    else
        caption = QStringLiteral(" - ") + ConfigName + QStringLiteral(" - ")
            + QString::number(ReportYear) + QStringLiteral(" г.");
    const qsizetype dash = caption.indexOf(QStringLiteral(" - "));
    const QString tail = dash >= 0 ? caption.mid(dash + 3) : QString();
    return tail + QStringLiteral(" - ") + QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
}

void TAdmForm::N13Click()
{
    runShowingFailure(QStringLiteral("Наличие данных не проверено."), [&] {
        const QTreeWidgetItem* node = TreeView1->currentItem();
        if (!N13->isEnabled() || !node)
            return;
        QStringList lines;
        {
            WaitCursor wait;
            GroupBox1->show();
            const auto hideProgress = qScopeGuard([this] {
                Label4->clear();
                GroupBox1->hide();
            });
            lines = availabilityFromDatabase(dbdat(), ReportYear, unitSubtree(node), [this](const QString& name) {
                Label4->setText(name);
                QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            });
        }
        if (lines.isEmpty())
            return;
        ResultList list;
        list.windowCaption = kReportCaption;
        list.title = reportTitle();
        FillResultList(list, lines, kReportHeading);
        ShowResultList(list);
    });
}

void TAdmForm::N14Click()
{
    const QStringList paths = prompts().openFileNames(
        QStringLiteral("Открыть"), kDataFilter,
        CfgDir + QString::number(ReportYear) + QStringLiteral("/data/"));
    if (paths.isEmpty())
        return;
    QStringList failures;
    const QStringList lines = availabilityOfFiles(paths, &failures);
    if (!failures.isEmpty())
        prompts().error(QStringLiteral("Не удалось прочитать файлы:\n") + failures.join(QLatin1Char('\n')));
    if (lines.isEmpty())
        return;
    ResultList list;
    list.windowCaption = kReportCaption;
    FillResultList(list, lines, kReportHeading);
    ShowResultList(list);
}

QStringList TAdmForm::availabilityOfFiles(const QStringList& paths, QStringList* failures)
{
    WaitCursor wait;
    GroupBox1->show();
    ProgressBar1->setRange(0, int(paths.size()));
    ProgressBar1->setValue(0);
    const auto hideProgress = qScopeGuard([this] {
        Label4->clear();
        ProgressBar1->setValue(0);
        GroupBox1->hide();
    });
    int done = 0;
    return availabilityFromFiles(paths, ReportYear, failures, [&](const QString& name) {
        Label4->setText(name);
        ProgressBar1->setValue(done++);
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
}

QList<QPair<int, int>> TAdmForm::shownOrder() const
{
    QList<QPair<int, int>> order;
    for (int i = 0; i < TreeView1->topLevelItemCount(); ++i)
        collectOrder(TreeView1->topLevelItem(i), i, order);
    return order;
}

void TAdmForm::N15Click()
{
    if (m_ordering) {
        leaveOrderingMode();
        return;
    }
    m_ordering = true;
    N15->setChecked(true);
    TreeView1->setDragEnabled(true);
    updateCommands();
}

bool TAdmForm::leaveOrderingMode()
{
    if (!m_ordering)
        return true;
    if (!runShowingFailure(QStringLiteral("Порядок подразделений не сохранен."),
                           [&] { saveUnitOrder(dbmain(), shownOrder()); })) {
        N15->setChecked(true);
        return false;
    }
    m_ordering = false;
    N15->setChecked(false);
    TreeView1->setDragEnabled(false);
    updateCommands();
    return true;
}

bool TAdmForm::TreeView1DragDrop(const QPoint& viewportPos)
{
    QTreeWidgetItem* node = TreeView1->currentItem();
    QTreeWidgetItem* target = TreeView1->itemAt(viewportPos);
    if (!m_ordering || !node || !target || target == node)
        return false;
    // Left of the caption lies the indent: there the unit goes before the target, beside it.
    const bool beside = viewportPos.x() < TreeView1->visualItemRect(target).left();
    QTreeWidgetItem* newParent = beside ? target->parent() : target;
    for (const QTreeWidgetItem* up = newParent; up; up = up->parent()) {
        if (up == node)
            return false;
    }
    const int newParentId = newParent ? nodeId(newParent) : 0;
    const int oldParentId = node->parent() ? nodeId(node->parent()) : 0;
    if (newParentId != oldParentId
        && !runShowingFailure(QStringLiteral("Подразделение не перемещено."),
                              [&] { return moveUnit(dbmain(), nodeId(node), newParentId); })
                .value_or(false))
        return false;

    placeNode(node, target, beside);
    TreeView1->setCurrentItem(node);
    updateCommands();
    return true;
}

void TAdmForm::placeNode(QTreeWidgetItem* node, QTreeWidgetItem* target, bool beside)
{
    QTreeWidgetItem* newParent = beside ? target->parent() : target;
    const bool expanded = node->isExpanded();
    if (QTreeWidgetItem* parent = node->parent())
        parent->takeChild(parent->indexOfChild(node));
    else
        TreeView1->takeTopLevelItem(TreeView1->indexOfTopLevelItem(node));
    if (beside) {
        if (newParent)
            newParent->insertChild(newParent->indexOfChild(target), node);
        else
            TreeView1->insertTopLevelItem(TreeView1->indexOfTopLevelItem(target), node);
    } else {
        newParent->addChild(node);
        newParent->setExpanded(true);
    }
    node->setExpanded(expanded);
}

void TAdmForm::N16Click()
{
    runShowingFailure(QStringLiteral("Не удалось прочитать подразделение."), [&] {
        QTreeWidgetItem* node = TreeView1->currentItem();
        if (!N16->isVisible() || !N16->isEnabled() || !node)
            return;
        while (node->childCount() > 0)
            node = node->child(0);
        const int id = nodeId(node);
        const std::optional<UnitRecord> unit = readUnit(dbmain(), id);
        CurrentInstitutionId = id;
        TFormList window(this);
        window.setWindowTitle(node->text(0));
        // Shown even when the type has no forms: the empty tree says so.
        window.Start(unit ? unit->medicalType : NoMedicalType);
        prompts().exec(window);
    });
}

void TAdmForm::N18Click() { reject(); }

void TAdmForm::done(int result)
{
    // Units dragged in the ordering mode keep the order the tree shows, also when the window is
    // closed without leaving the mode first; a failed write has said so and does not hold the
    // window open.
    leaveOrderingMode();
    QDialog::done(result);
}

bool TAdmForm::FormKeyDown(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_F11:
        N15->setVisible(!N15->isVisible());
        return true;
    case Qt::Key_F9:
        N17->setVisible(!N17->isVisible());
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        QTreeWidgetItem* node = TreeView1->currentItem();
        if (!node)
            return false;
        if (node->childCount() > 0)
            node->setExpanded(!node->isExpanded());
        else if (N16->isVisible())
            N16Click();
        return true;
    }
    default:
        return false;
    }
}

void TAdmForm::keyPressEvent(QKeyEvent* event)
{
    if (FormKeyDown(event))
        return;
    QDialog::keyPressEvent(event);
}

bool TAdmForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == TreeView1 && event->type() == QEvent::KeyPress
        && FormKeyDown(static_cast<QKeyEvent*>(event)))
        return true;
    return QDialog::eventFilter(watched, event);
}

void TAdmForm::N17Click()
{
    TForm5 window(this);
    prompts().exec(window);
}
