#include "reports/RepIncl.h"

#include "core/TreeMarks.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

TRepInc::TRepInc(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("RepInc"));
    resize(420, 520);
    auto* layout = new QVBoxLayout(this);
    TreeView1 = new QTreeWidget(this);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setHeaderHidden(true);
    TreeView1->installEventFilter(this);
    layout->addWidget(TreeView1);
    auto* buttons = new QHBoxLayout;
    layout->addLayout(buttons);
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setAutoDefault(false);
    BitBtn2 = new QPushButton(QStringLiteral("Отказ"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setAutoDefault(false);
    buttons->addStretch();
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    connect(TreeView1, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* node) { toggle(node); });
}

void TRepInc::ShowTrees(const QList<int>& include)
{
    TreeView1->clear();
    AddStructureTree(TreeView1);
    MarkNodesOfIds(TreeView1, include);
    TreeView1->expandAll();
    if (TreeView1->topLevelItemCount() > 0)
        TreeView1->setCurrentItem(TreeView1->topLevelItem(0));
}

QList<int> TRepInc::includeList() const { return MarkedLeafIds(TreeView1); }

void TRepInc::toggle(QTreeWidgetItem* node)
{
    if (!node)
        return;
    if (IsNodeMarked(node))
        UnmarkNodeWithParents(node);
    else
        MarkNodeWithParents(node);
    TreeView1->viewport()->update();
}

bool TRepInc::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == TreeView1 && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Space) {
            toggle(TreeView1->currentItem());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
