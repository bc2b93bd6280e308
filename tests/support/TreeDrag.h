#pragma once
// Drags a node of a window's tree as a user does: a press on the node and a move past the drag
// distance start the tree's drag; the drag then enters the viewport, moves over the target point
// and is dropped there. The offscreen platform ends a drag at once, so the drag's events are
// delivered to the viewport here, carrying what the tree's own drag carries.

#include "setup/DropTree.h"

#include <QApplication>
#include <QTest>
#include <memory>

// True when the tree accepted the drop.
inline bool dragThroughView(QTreeWidget* tree, QTreeWidgetItem* node, const QPoint& target)
{
    auto* dropTree = dynamic_cast<DropTree*>(tree);
    if (!dropTree || !node)
        return false;
    QWidget* viewport = tree->viewport();
    const QPoint start = tree->visualItemRect(node).center();
    QTest::mousePress(viewport, Qt::LeftButton, {}, start);
    QTest::mouseMove(viewport, start + QPoint(0, QApplication::startDragDistance() + 2));
    QTest::mouseMove(viewport, start + QPoint(0, 2 * QApplication::startDragDistance() + 4));

    std::unique_ptr<QMimeData> data(dropTree->dragData());
    QDragEnterEvent enter(start, Qt::MoveAction, data.get(), Qt::LeftButton, {});
    QApplication::sendEvent(viewport, &enter);
    QDragMoveEvent move(target, Qt::MoveAction, data.get(), Qt::LeftButton, {});
    QApplication::sendEvent(viewport, &move);
    QDropEvent drop(QPointF(target), Qt::MoveAction, data.get(), Qt::LeftButton, {});
    QApplication::sendEvent(viewport, &drop);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, target);
    return drop.isAccepted();
}

// Every node of the tree, at any depth.
inline int nodeCount(const QTreeWidget* tree)
{
    int count = 0;
    for (QTreeWidgetItemIterator it(const_cast<QTreeWidget*>(tree)); *it; ++it)
        ++count;
    return count;
}
