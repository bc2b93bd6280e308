#include "reports/RepIncl.h"

#include "widgets/DialogButtons.h"

#include "core/TreeMarks.h"

#include <QHBoxLayout>
#include <QHeaderView>
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
    makeTreeMarkable(TreeView1);
    layout->addWidget(TreeView1);
    const DialogButtons row = addOkCancelRow(this, layout, false);
    BitBtn1 = row.ok;
    BitBtn2 = row.cancel;
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
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

void TRepInc::toggle(QTreeWidgetItem* node) { ToggleNodeWithParents(node); }
