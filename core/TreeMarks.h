#pragma once
// Marks on tree nodes: a node is marked when its caption is bold. Every window that picks
// institutions, forms or types in a tree marks them this way, and a marked group stands for
// "some of what is under it".

#include <QtGlobal>

class QTreeWidget;
class QTreeWidgetItem;
#include <QList>

// The id a node stands for is kept in column 0 under this role.
inline constexpr int NodeIdRole = 0x0100;   // Qt::UserRole
int nodeId(const QTreeWidgetItem* node);

bool IsNodeMarked(const QTreeWidgetItem* node);
void MarkNode(QTreeWidgetItem* node);
void UnmarkNode(QTreeWidgetItem* node);
// mode 1 marks, mode -1 unmarks the node and its whole subtree; any other mode does nothing.
void SetSubtreeMark(QTreeWidgetItem* node, int mode);
// Marks the node's subtree, then the node and every ancestor up to the root.
void MarkNodeWithParents(QTreeWidgetItem* node);
// Unmarks the node's subtree and the node, then each ancestor up to the first one that still
// has a marked child (that one and those above it stay marked).
void UnmarkNodeWithParents(QTreeWidgetItem* node);
// Unmarks a marked node, marks an unmarked one, each with its subtree and the groups above it,
// and repaints the tree.
void ToggleNodeWithParents(QTreeWidgetItem* node);
// A double click or the space key on a node toggles it: the one way every picking tree reacts.
void makeTreeMarkable(QTreeWidget* tree);

// Adds under `node` the administrative structure entries whose dependence is `parentId`, in
// cache order, each with its subtree (caption = unit, id under NodeIdRole), and records each
// child's position in the tree (pre-order, counted from 0 over the whole tree) in
// StructNodeIndex. An entry that would lie under itself (a cycle in dependence) is left out.
void AddTreeBranch(QTreeWidgetItem* node, int parentId);
// The node's position in its tree in pre-order (top-level items in order), counted from 0.
int absoluteIndex(const QTreeWidgetItem* node);

// The whole administrative structure: one top-level node per root of the cache
// (structureRoots()), each with its subtree.
void AddStructureTree(QTreeWidget* tree);
// MarkNodeWithParents on every node whose id is listed.
void MarkNodesOfIds(QTreeWidget* tree, const QList<int>& ids);
// The ids of the marked nodes without children, in pre-order; groups never count themselves.
QList<int> MarkedLeafIds(const QTreeWidget* tree);
