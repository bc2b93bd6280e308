#pragma once
// A tree that hands drops of its own items to its window instead of moving them itself: the
// window decides where an item may go and writes the move before the tree shows it.

#include <QDropEvent>
#include <QTreeWidget>
#include <functional>

class DropTree : public QTreeWidget {
public:
    using QTreeWidget::QTreeWidget;
    // Where a drop may land; without it, anywhere in the tree.
    std::function<bool(const QPoint&)> acceptsAt;
    std::function<void(const QPoint&)> dropped;

protected:
    bool accepts(const QDropEvent* event) const
    {
        return event->source() == this && (!acceptsAt || acceptsAt(event->position().toPoint()));
    }
    void dragEnterEvent(QDragEnterEvent* event) override
    {
        if (event->source() == this)
            event->acceptProposedAction();
        else
            event->ignore();
    }
    void dragMoveEvent(QDragMoveEvent* event) override
    {
        QTreeWidget::dragMoveEvent(event);
        if (accepts(event))
            event->acceptProposedAction();
        else
            event->ignore();
    }
    void dropEvent(QDropEvent* event) override
    {
        if (!accepts(event)) {
            event->ignore();
            return;
        }
        if (dropped)
            dropped(event->position().toPoint());
        // Not a move: the view would take the dragged rows out once the drag ends.
        event->setDropAction(Qt::CopyAction);
        event->accept();
    }
};
