#pragma once
// The grid window's painted table (TVTable's StringGrid1).

#include "entry/GridLayout.h"

#include <QAbstractScrollArea>
#include <QFont>
#include <QList>

class GridModel;
class QPaintDevice;
class QPainter;
class TVTable;

// How a number is written into a cell `width` pixels wide: as it is when it fits, else in a
// smaller type, else cut at its end with "…" (elided) in the smallest type.
struct CellTextFit {
    QString text;
    QFont font;
    bool elided = false;
};
CellTextFit fitCellText(const QString& text, const QFont& font, int width, QPaintDevice* device);

// The painted grid: the corner, the column headers, the row headers and the data cells, the
// headers scrolling with the data. It draws what the window's model holds and hands keys and
// clicks back to it. Only the cells in view are painted, so a large table scrolls smoothly.
class TableGridView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TableGridView(TVTable* window);
    ~TableGridView() override;

    // The model holds another table (or has just been opened): headers measured again.
    void tableChanged();
    // The model's header cells were read again: measured again, the scrolling kept.
    void headersChanged();
    // The header cell under a point of the viewport (an index into the model's headers()), or
    // -1 on the data cells and beside the headers.
    int headerAt(const QPoint& pos) const;
    // Scrolls so that the focused cell is in view.
    void ensureFocusedVisible();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    // A tooltip with the whole value over a cell whose figure had to be cut.
    bool viewportEvent(QEvent* event) override;

private:
    GridModel& model() const;
    // The data cell under a point of the viewport; false on the headers and beside the table.
    bool cellAt(const QPoint& pos, int* c, int* r) const;
    void updateScrollBars();
    void measureHeaders();
    void moveFocus(int c, int r);
    void afterKey(const QString& error, bool moved);
    void paintHeaders(QPainter& p, HeaderPanel panel, const QRect& area, int dx, int dy);
    void paintCells(QPainter& p, const QRect& area, int dx, int dy);

    TVTable* m_window;
    QList<QFont> m_headerFonts;
    QList<HeaderText> m_headerTexts;
};
