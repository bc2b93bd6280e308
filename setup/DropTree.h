#pragma once
// A tree that hands drops of its own items to its window instead of moving them itself: the
// window decides where an item may go and writes the move before the tree shows it.
//
// The tree runs the drag itself as well. QAbstractItemView's own drag removes the dragged rows
// whenever the platform reports a move, and in InternalMove mode it reports one even for a drop
// answered as a copy and, on some platforms, for a drop the tree refused: the node the window had
// just moved (or never moved) then vanished with its whole subtree. Here nothing is removed when
// the drag ends; the window alone changes the tree.

#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QTreeWidget>
#include <functional>

class DropTree : public QTreeWidget {
public:
    using QTreeWidget::QTreeWidget;
    // Where a drop may land; without it, anywhere in the tree.
    std::function<bool(const QPoint&)> acceptsAt;
    // Does the move; false when the window refused it after all (the drop is then refused too).
    std::function<bool(const QPoint&)> dropped;

    // What a drag of this tree carries: a mark naming the tree, so a drag from elsewhere (another
    // tree, another program) is refused. The caller owns the data.
    QMimeData* dragData() const
    {
        auto* data = new QMimeData;
        data->setData(QString::fromLatin1(kFormat), ownMark());
        return data;
    }

protected:
    void startDrag(Qt::DropActions) override
    {
        QTreeWidgetItem* node = currentItem();
        if (!node)
            return;
        auto* drag = new QDrag(this);
        drag->setMimeData(dragData());
        drag->setPixmap(viewport()->grab(visualItemRect(node)));
        // Whatever action the platform reports, the window has done the move already.
        drag->exec(Qt::MoveAction, Qt::MoveAction);
    }
    void dragEnterEvent(QDragEnterEvent* event) override
    {
        if (isOwn(event->mimeData()))
            event->acceptProposedAction();
        else
            event->ignore();
    }
    void dragMoveEvent(QDragMoveEvent* event) override
    {
        QTreeWidget::dragMoveEvent(event);   // scrolls near the edges
        if (accepts(event)) {
            event->setDropAction(Qt::MoveAction);
            event->accept();
        } else {
            event->ignore();
        }
    }
    void dropEvent(QDropEvent* event) override
    {
        if (!accepts(event)) {
            event->ignore();
            return;
        }
        if (dropped && !dropped(event->position().toPoint())) {
            event->ignore();
            return;
        }
        event->setDropAction(Qt::MoveAction);
        event->accept();
    }

private:
    static constexpr char kFormat[] = "application/x-kestrin-tree-node";
    QByteArray ownMark() const { return QByteArray::number(quintptr(this), 16); }
    bool isOwn(const QMimeData* data) const
    {
        return data && data->data(QString::fromLatin1(kFormat)) == ownMark();
    }
    bool accepts(const QDropEvent* event) const
    {
        return isOwn(event->mimeData()) && (!acceptsAt || acceptsAt(event->position().toPoint()));
    }
};
