#include "setup/MTF.h"

#include "core/TreeMarks.h"
#include "platform/Database.h"
#include "platform/Prompts.h"
#include "platform/WindowCommand.h"
#include "setup/DropTree.h"
#include "setup/MedicalTypes.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <functional>

namespace {

// The name as the dictionary holds it, to put back when a rename could not be written.
constexpr int StoredNameRole = Qt::UserRole + 1;
constexpr int FormIdRole = Qt::UserRole;

void addTypeNodes(QTreeWidget* tree, QTreeWidgetItem* parent, const QList<MedicalTypeNode>& types)
{
    for (const MedicalTypeNode& type : types) {
        auto* node = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
        node->setText(0, type.type);
        node->setData(0, NodeIdRole, type.id);
        node->setData(0, StoredNameRole, type.type);
        node->setFlags(node->flags() | Qt::ItemIsEditable);
        addTypeNodes(tree, node, type.children);
    }
}

void collectIds(const QTreeWidgetItem* node, QList<int>& ids)
{
    ids.append(nodeId(node));
    for (int i = 0; i < node->childCount(); ++i)
        collectIds(node->child(i), ids);
}

}

TMTFs::TMTFs(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("MTFs"));
    setWindowTitle(QStringLiteral("Типы учреждений"));
    buildWindow();
    MTFs = this;
}

TMTFs::~TMTFs()
{
    if (MTFs == this)
        MTFs = nullptr;
}

void TMTFs::buildWindow()
{
    resize(900, 560);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(10, 5, 10, 5);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(5);

    Label1 = new QLabel(QStringLiteral("Типы медицинских учреждений"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    auto* tree = new DropTree(this);
    tree->acceptsAt = [this](const QPoint& at) { return TreeView1DragOver(at); };
    tree->dropped = [this](const QPoint& at) { return TreeView1DragDrop(at); };
    TreeView1 = tree;
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setHeaderHidden(true);
    TreeView1->setColumnCount(1);
    TreeView1->setSelectionMode(QAbstractItemView::SingleSelection);
    TreeView1->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    TreeView1->setDragDropMode(QAbstractItemView::InternalMove);
    TreeView1->setDragEnabled(false);
    Label1->setBuddy(TreeView1);

    Label2 = new QLabel(QStringLiteral("Отчетные формы"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    CheckListBox1 = new QListWidget(this);
    CheckListBox1->setObjectName(QStringLiteral("CheckListBox1"));
    Label2->setBuddy(CheckListBox1);

    BitBtn1 = new QPushButton(QStringLiteral("Сохранить"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setAutoDefault(false);
    BitBtn1->hide();
    BitBtn2 = new QPushButton(QStringLiteral("Выход"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setAutoDefault(false);
    Button1 = new QPushButton(QStringLiteral("Сохранить порядок"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setAutoDefault(false);
    Button1->hide();

    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Label2, 0, 1);
    grid->addWidget(TreeView1, 1, 0);
    grid->addWidget(CheckListBox1, 1, 1);
    grid->addWidget(Button1, 2, 0, Qt::AlignHCenter);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BitBtn1);
    buttons->addStretch();
    buttons->addWidget(BitBtn2);
    grid->addLayout(buttons, 2, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(1, 1);

    connect(TreeView1, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) { TreeView1Change(current); });
    connect(TreeView1, &QTreeWidget::itemChanged, this,
            [this](QTreeWidgetItem* node, int) { TreeView1Edited(node); });
    connect(CheckListBox1, &QListWidget::itemChanged, this, [this] { CheckListBox1ClickCheck(); });
    connect(BitBtn1, &QPushButton::clicked, this, &TMTFs::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TMTFs::BitBtn2Click);
    connect(Button1, &QPushButton::clicked, this, &TMTFs::Button1Click);
}

void TMTFs::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormActivate();
}

void TMTFs::FormActivate()
{
    // Filled once per opening; a rename or a drag since then would be undone by a refill.
    if (m_built)
        return;
    m_built = true;
    m_filling = true;
    CheckListBox1->clear();
    TreeView1->clear();
    runShowingFailure(QStringLiteral("Не удалось прочитать типы учреждений."), [&] {
        for (const AssignableForm& form : readAssignableForms(dbmain())) {
            auto* item = new QListWidgetItem(form.text, CheckListBox1);
            item->setData(FormIdRole, form.id);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Unchecked);
        }
        addTypeNodes(TreeView1, nullptr, readMedicalTypeTree(dbmain()));
    });
    m_filling = false;
    if (QTreeWidgetItem* first = TreeView1->topLevelItem(0))
        TreeView1->setCurrentItem(first);
    showFormsOf(TreeView1->currentItem());
}

void TMTFs::TreeView1Change(QTreeWidgetItem* node)
{
    if (m_filling)
        return;
    if (node && nodeId(node) != m_shownType && !askToKeepTicks()) {
        // Back to the type whose ticks are still on the list.
        QTreeWidgetItem* shown = nullptr;
        for (int i = 0; !shown && i < TreeView1->topLevelItemCount(); ++i)
            shown = findType(TreeView1->topLevelItem(i), m_shownType);
        m_filling = true;
        TreeView1->setCurrentItem(shown);
        m_filling = false;
        updateListEnabled();
        return;
    }
    showFormsOf(node);
}

QTreeWidgetItem* TMTFs::findType(QTreeWidgetItem* from, int id) const
{
    if (nodeId(from) == id)
        return from;
    for (int i = 0; i < from->childCount(); ++i)
        if (QTreeWidgetItem* found = findType(from->child(i), id))
            return found;
    return nullptr;
}

bool TMTFs::askToKeepTicks()
{
    if (!m_ticksChanged || m_shownType == 0)
        return true;
    switch (prompts().yesNoCancel(QStringLiteral("Сохранить изменения?"))) {
    case Prompts::Answer::Yes:
        return saveShownForms();
    case Prompts::Answer::No:
        m_ticksChanged = false;
        return true;
    case Prompts::Answer::Cancel:
        return false;
    }
    return false;
}

void TMTFs::reject()
{
    if (askToKeepTicks())
        QDialog::reject();
}

void TMTFs::showFormsOf(QTreeWidgetItem* node)
{
    m_filling = true;
    for (int i = 0; i < CheckListBox1->count(); ++i)
        CheckListBox1->item(i)->setCheckState(Qt::Unchecked);
    m_shownType = node ? nodeId(node) : 0;
    // Only a type without subtypes is given forms: the institutions have the lowest types.
    if (node && node->childCount() == 0) {
        runShowingFailure(QStringLiteral("Не удалось прочитать формы типа учреждения."), [&] {
            for (int formId : assignedForms(dbmain(), m_shownType)) {
                for (int i = 0; i < CheckListBox1->count(); ++i) {
                    QListWidgetItem* item = CheckListBox1->item(i);
                    if (item->data(FormIdRole).toInt() == formId)
                        item->setCheckState(Qt::Checked);
                }
            }
        });
    }
    m_filling = false;
    m_ticksChanged = false;
    BitBtn1->hide();
    updateListEnabled();
}

void TMTFs::updateListEnabled()
{
    const QTreeWidgetItem* node = TreeView1->currentItem();
    CheckListBox1->setEnabled(!m_ordering && node && node->childCount() == 0);
}

void TMTFs::CheckListBox1ClickCheck()
{
    if (m_filling)
        return;
    m_ticksChanged = true;
    BitBtn1->show();
}

void TMTFs::BitBtn1Click()
{
    // Ticks made before the ordering mode disabled the list are still the shown type's: the
    // button stays offered for them, so it must not do nothing. A type with subtypes has none.
    const QTreeWidgetItem* node = TreeView1->currentItem();
    if (m_shownType == 0 || !node || nodeId(node) != m_shownType || node->childCount() > 0)
        return;
    saveShownForms();
}

bool TMTFs::saveShownForms()
{
    QList<int> formIds;
    for (int i = 0; i < CheckListBox1->count(); ++i) {
        const QListWidgetItem* item = CheckListBox1->item(i);
        if (item->checkState() == Qt::Checked)
            formIds.append(item->data(FormIdRole).toInt());
    }
    if (!runShowingFailure(QStringLiteral("Формы типа учреждения не сохранены."),
                           [&] { saveAssignedForms(dbmain(), m_shownType, formIds); }))
        return false;
    m_ticksChanged = false;
    BitBtn1->hide();
    return true;
}

void TMTFs::TreeView1Edited(QTreeWidgetItem* node)
{
    if (m_filling || !node)
        return;
    const QString stored = node->data(0, StoredNameRole).toString();
    const QString typed = node->text(0);
    if (typed == stored)
        return;
    const QString notRenamed = QStringLiteral("Тип учреждения не переименован.");
    QString failure;
    bool renamed = false;
    if (typed.trimmed().isEmpty()) {
        // A blank line in the tree would name no type.
        failure = QStringLiteral("Не указано наименование типа учреждения");
    } else {
        const auto found = runShowingFailure(notRenamed, [&] { return renameMedicalType(dbmain(), nodeId(node), typed); });
        if (found && !*found)
            failure = QStringLiteral("Тип учреждения не найден в базе");
        renamed = found.value_or(false);
    }
    m_filling = true;
    if (renamed)
        node->setData(0, StoredNameRole, typed);
    else
        node->setText(0, stored);
    m_filling = false;
    if (!failure.isEmpty())
        prompts().error(notRenamed + QLatin1Char('\n') + failure);
}

void TMTFs::toggleOrderingMode()
{
    m_ordering = !m_ordering;
    Button1->setVisible(m_ordering);
    TreeView1->setDragEnabled(m_ordering);
    updateListEnabled();
}

void TMTFs::Button1Click()
{
    if (!m_ordering)
        return;
    QList<int> ids;
    for (int i = 0; i < TreeView1->topLevelItemCount(); ++i)
        collectIds(TreeView1->topLevelItem(i), ids);
    if (!runShowingFailure(QStringLiteral("Порядок типов учреждений не сохранен."),
                           [&] { saveMedicalTypeOrder(dbmain(), ids); }))
        return;
    toggleOrderingMode();
}

void TMTFs::BitBtn2Click() { reject(); }

QTreeWidgetItem* TMTFs::draggedTo(const QPoint& viewportPos) const
{
    QTreeWidgetItem* node = TreeView1->currentItem();
    QTreeWidgetItem* target = TreeView1->itemAt(viewportPos);
    if (!m_ordering || !node || !target || target == node || target->parent() != node->parent())
        return nullptr;
    return target;
}

bool TMTFs::TreeView1DragOver(const QPoint& viewportPos) const
{
    return draggedTo(viewportPos) != nullptr;
}

bool TMTFs::TreeView1DragDrop(const QPoint& viewportPos)
{
    QTreeWidgetItem* target = draggedTo(viewportPos);
    if (!target)
        return false;
    QTreeWidgetItem* node = TreeView1->currentItem();
    QTreeWidgetItem* parent = node->parent();
    const bool expanded = node->isExpanded();
    m_filling = true;
    if (parent) {
        parent->takeChild(parent->indexOfChild(node));
        parent->insertChild(parent->indexOfChild(target), node);
    } else {
        TreeView1->takeTopLevelItem(TreeView1->indexOfTopLevelItem(node));
        TreeView1->insertTopLevelItem(TreeView1->indexOfTopLevelItem(target), node);
    }
    node->setExpanded(expanded);
    TreeView1->setCurrentItem(node);
    m_filling = false;
    return true;
}

void TMTFs::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F11) {
        toggleOrderingMode();
        return;
    }
    QDialog::keyPressEvent(event);
}
