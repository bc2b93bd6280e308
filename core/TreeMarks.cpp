#include "core/TreeMarks.h"

#include "core/StructureCache.h"

#include <QEvent>
#include <QFont>
#include <QKeyEvent>
#include <QSet>
#include <QTreeWidget>
#include <QTreeWidgetItem>

namespace {

void setBold(QTreeWidgetItem* node, bool bold)
{
    QFont font = node->font(0);
    if (font.bold() == bold)
        return;
    font.setBold(bold);
    node->setFont(0, font);
}

bool hasMarkedChild(const QTreeWidgetItem* node)
{
    for (int i = 0; i < node->childCount(); ++i) {
        if (IsNodeMarked(node->child(i)))
            return true;
    }
    return false;
}

int subtreeSize(const QTreeWidgetItem* node)
{
    int size = 1;
    for (int i = 0; i < node->childCount(); ++i)
        size += subtreeSize(node->child(i));
    return size;
}

// `path` holds the ids from the top of the branch down to parentId: an entry already on it
// would put a unit under itself, and the recursion would never end. `next` is the tree position
// the next added node takes: nodes are added in pre-order, so it only counts up (working it out
// again for every node would cost the whole tree before it, each time).
void addBranch(QTreeWidgetItem* node, int parentId, QSet<int>& path, int& next)
{
    path.insert(parentId);
    for (int i = 0; i < StructCount; ++i) {
        if (StructDepends.value(i) != parentId)
            continue;
        const int id = StructIdents.value(i);
        if (path.contains(id))
            continue;
        auto* child = new QTreeWidgetItem(node);
        child->setText(0, StructNames.value(i));
        child->setData(0, NodeIdRole, id);
        if (i < StructNodeIndex.size())
            StructNodeIndex[i] = next;
        ++next;
        addBranch(child, id, path, next);
    }
    path.remove(parentId);
}

}

int nodeId(const QTreeWidgetItem* node)
{
    return node ? node->data(0, NodeIdRole).toInt() : 0;
}

bool IsNodeMarked(const QTreeWidgetItem* node)
{
    return node && node->font(0).bold();
}

void MarkNode(QTreeWidgetItem* node)
{
    if (node)
        setBold(node, true);
}

void UnmarkNode(QTreeWidgetItem* node)
{
    if (node)
        setBold(node, false);
}

void SetSubtreeMark(QTreeWidgetItem* node, int mode)
{
    if (!node || (mode != 1 && mode != -1))
        return;
    setBold(node, mode == 1);
    for (int i = 0; i < node->childCount(); ++i)
        SetSubtreeMark(node->child(i), mode);
}

void MarkNodeWithParents(QTreeWidgetItem* node)
{
    SetSubtreeMark(node, 1);
    for (QTreeWidgetItem* up = node ? node->parent() : nullptr; up; up = up->parent())
        MarkNode(up);
}

void UnmarkNodeWithParents(QTreeWidgetItem* node)
{
    SetSubtreeMark(node, -1);
    for (QTreeWidgetItem* up = node ? node->parent() : nullptr; up; up = up->parent()) {
        if (hasMarkedChild(up))
            break;
        UnmarkNode(up);
    }
}

void ToggleNodeWithParents(QTreeWidgetItem* node)
{
    if (!node)
        return;
    if (IsNodeMarked(node))
        UnmarkNodeWithParents(node);
    else
        MarkNodeWithParents(node);
    if (QTreeWidget* tree = node->treeWidget())
        tree->viewport()->update();
}

namespace {

class SpaceToggles : public QObject {
public:
    explicit SpaceToggles(QTreeWidget* tree) : QObject(tree), tree_(tree) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == tree_ && event->type() == QEvent::KeyPress
            && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
            ToggleNodeWithParents(tree_->currentItem());
            return true;
        }
        return false;
    }

private:
    QTreeWidget* tree_;
};

} // namespace

void makeTreeMarkable(QTreeWidget* tree)
{
    QObject::connect(tree, &QTreeWidget::itemDoubleClicked, tree,
                     [](QTreeWidgetItem* node) { ToggleNodeWithParents(node); });
    tree->installEventFilter(new SpaceToggles(tree));
}

void AddTreeBranch(QTreeWidgetItem* node, int parentId)
{
    if (!node)
        return;
    QSet<int> path;
    // The node itself stands for an id too: none of its descendants may be it again.
    if (node->data(0, NodeIdRole).isValid())
        path.insert(nodeId(node));
    // A node's subtree is contiguous in pre-order: its new children follow what it holds.
    int next = absoluteIndex(node) + subtreeSize(node);
    addBranch(node, parentId, path, next);
}

int absoluteIndex(const QTreeWidgetItem* node)
{
    if (!node)
        return -1;
    int index = 0;
    const QTreeWidgetItem* current = node;
    while (const QTreeWidgetItem* parent = current->parent()) {
        const int at = parent->indexOfChild(const_cast<QTreeWidgetItem*>(current));
        for (int i = 0; i < at; ++i)
            index += subtreeSize(parent->child(i));
        index += 1;   // the parent comes before its children
        current = parent;
    }
    if (const QTreeWidget* tree = current->treeWidget()) {
        const int at = tree->indexOfTopLevelItem(const_cast<QTreeWidgetItem*>(current));
        for (int i = 0; i < at; ++i)
            index += subtreeSize(tree->topLevelItem(i));
    }
    return index;
}

void AddStructureTree(QTreeWidget* tree)
{
    if (!tree)
        return;
    for (int i : structureRoots()) {
        auto* root = new QTreeWidgetItem(tree, {StructNames.value(i)});
        root->setData(0, NodeIdRole, StructIdents.value(i));
        if (i < StructNodeIndex.size())
            StructNodeIndex[i] = absoluteIndex(root);
        AddTreeBranch(root, StructIdents.value(i));
    }
}

namespace {

template <typename F>
void forEachNode(QTreeWidgetItem* node, const F& f)
{
    f(node);
    for (int i = 0; i < node->childCount(); ++i)
        forEachNode(node->child(i), f);
}

} // namespace

void MarkNodesOfIds(QTreeWidget* tree, const QList<int>& ids)
{
    if (!tree || ids.isEmpty())
        return;
    const QSet<int> wanted(ids.begin(), ids.end());
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        forEachNode(tree->topLevelItem(i), [&](QTreeWidgetItem* node) {
            if (node->data(0, NodeIdRole).isValid() && wanted.contains(nodeId(node)))
                MarkNodeWithParents(node);
        });
}

QList<int> MarkedLeafIds(const QTreeWidget* tree)
{
    QList<int> ids;
    if (!tree)
        return ids;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        forEachNode(tree->topLevelItem(i), [&](QTreeWidgetItem* node) {
            if (node->childCount() == 0 && IsNodeMarked(node))
                ids.append(nodeId(node));
        });
    return ids;
}
