#include "entry/ShowTableGrid.h"

#include "entry/GridModel.h"
#include "entry/ShowTable.h"
#include "platform/Numbers.h"
#include "platform/Sound.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>

namespace {

// The colours the users know from the printed forms and the earlier program.
const QColor kLine(0, 0, 0);
const QColor kCell(255, 255, 255);
const QColor kFocused(0, 255, 255);     // aqua: the focused cell and its headers
const QColor kPicked(0, 255, 0);        // lime: a cell picked for an expression
const QColor kUnsaved(255, 205, 205);   // a cell whose value could not be saved
const QColor kUncovered(232, 232, 232); // header area no title describes
const QColor kLeftSide(0, 0, 255);      // cells of the left side of a failed control
const QColor kRightSide(255, 0, 0);     // and of its right side

class FontMeasure final : public TextMeasure {
public:
    explicit FontMeasure(const QFontMetrics& fm) : m_fm(fm) {}
    int width(const QString& text) const override { return m_fm.horizontalAdvance(text); }
    int height() const override { return m_fm.height(); }

private:
    QFontMetrics m_fm;
};

QFont headerFont(const HeaderCell& cell, const QFont& fallback)
{
    QFont f = fallback;
    if (!cell.fontName.isEmpty())
        f.setFamily(cell.fontName);
    // The stored size is the size: no scaling by the screen's density.
    f.setPointSizeF(cell.fontSize > 0 ? cell.fontSize : 8);
    f.setBold(cell.bold);
    f.setItalic(cell.italic);
    return f;
}

} // namespace

TableGridView::TableGridView(TVTable* window)
    : QAbstractScrollArea(window), m_window(window)
{
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setSingleStep(20);
}

TableGridView::~TableGridView() = default;

GridModel& TableGridView::model() const
{
    return m_window->model();
}

void TableGridView::measureHeaders()
{
    m_headerFonts.clear();
    m_headerTexts.clear();
    for (const PlacedHeader& h : model().headers()) {
        const QFont f = headerFont(h.cell, font());
        m_headerFonts.append(f);
        m_headerTexts.append(layoutHeaderText(h.cell, h.rect.size(), FontMeasure(QFontMetrics(f, viewport()))));
    }
}

void TableGridView::headersChanged()
{
    measureHeaders();
    viewport()->update();
}

int TableGridView::headerAt(const QPoint& pos) const
{
    if (!model().isOpen())
        return -1;
    const GridGeometry& g = model().geometry();
    const int hw = g.headerWidth();
    const int hh = g.headerHeight();
    HeaderPanel panel;
    QPoint at = pos;
    if (pos.x() < hw && pos.y() < hh) {
        panel = HeaderPanel::Corner;
    } else if (pos.y() < hh) {
        panel = HeaderPanel::ColumnHeaders;
        at -= QPoint(hw - horizontalScrollBar()->value(), 0);
    } else if (pos.x() < hw) {
        panel = HeaderPanel::RowHeaders;
        at -= QPoint(0, hh - verticalScrollBar()->value());
    } else {
        return -1;
    }
    const QList<PlacedHeader>& headers = model().headers();
    for (qsizetype i = 0; i < headers.size(); ++i)
        if (headers[i].panel == panel && headers[i].rect.contains(at))
            return int(i);
    return -1;
}

void TableGridView::tableChanged()
{
    measureHeaders();
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    updateScrollBars();
    viewport()->update();
}

void TableGridView::updateScrollBars()
{
    const GridGeometry& g = model().geometry();
    const int w = std::max(0, viewport()->width() - g.headerWidth());
    const int h = std::max(0, viewport()->height() - g.headerHeight());
    horizontalScrollBar()->setRange(0, std::max(0, g.dataWidth() - w));
    horizontalScrollBar()->setPageStep(std::max(1, w));
    verticalScrollBar()->setRange(0, std::max(0, g.dataHeight() - h));
    verticalScrollBar()->setPageStep(std::max(1, h));
}

void TableGridView::ensureFocusedVisible()
{
    const GridGeometry& g = model().geometry();
    const QRect cell = g.dataCellRect(model().col(), model().row());
    const int w = viewport()->width() - g.headerWidth();
    const int h = viewport()->height() - g.headerHeight();
    QScrollBar* hs = horizontalScrollBar();
    QScrollBar* vs = verticalScrollBar();
    if (cell.left() < hs->value() || cell.width() >= w)
        hs->setValue(cell.left());
    else if (cell.right() + 1 > hs->value() + w)
        hs->setValue(cell.right() + 2 - w);
    if (cell.top() < vs->value() || cell.height() >= h)
        vs->setValue(cell.top());
    else if (cell.bottom() + 1 > vs->value() + h)
        vs->setValue(cell.bottom() + 2 - h);
}

void TableGridView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void TableGridView::scrollContentsBy(int, int)
{
    viewport()->update();
}

void TableGridView::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void TableGridView::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void TableGridView::paintEvent(QPaintEvent*)
{
    QPainter p(viewport());
    const QRect vp = viewport()->rect();
    p.fillRect(vp, palette().window());
    if (!model().isOpen())
        return;
    const GridGeometry& g = model().geometry();
    const int hw = g.headerWidth();
    const int hh = g.headerHeight();
    const int hs = horizontalScrollBar()->value();
    const int vs = verticalScrollBar()->value();
    paintCells(p, QRect(hw, hh, vp.width() - hw, vp.height() - hh), hw - hs, hh - vs);
    paintHeaders(p, HeaderPanel::ColumnHeaders, QRect(hw, 0, vp.width() - hw, hh), hw - hs, 0);
    paintHeaders(p, HeaderPanel::RowHeaders, QRect(0, hh, hw, vp.height() - hh), 0, hh - vs);
    paintHeaders(p, HeaderPanel::Corner, QRect(0, 0, hw, hh), 0, 0);
}

void TableGridView::paintHeaders(QPainter& p, HeaderPanel panel, const QRect& area, int dx, int dy)
{
    const GridModel& m = model();
    const GridGeometry& g = m.geometry();
    // The panel's own extent, lines included, in viewport pixels.
    QRect extent;
    switch (panel) {
    case HeaderPanel::Corner:
        extent = QRect(0, 0, g.headerWidth(), g.headerHeight());
        break;
    case HeaderPanel::ColumnHeaders:
        extent = QRect(dx - 1, 0, g.dataWidth() + 1, g.headerHeight());
        break;
    case HeaderPanel::RowHeaders:
        extent = QRect(0, dy - 1, g.headerWidth(), g.dataHeight() + 1);
        break;
    }
    const QRect clip = extent.intersected(area);
    if (clip.isEmpty())
        return;
    p.save();
    p.setClipRect(clip);
    p.fillRect(clip, kUncovered);
    const int focusedRow = m.numbering().layoutRowOfGrid(m.row());
    const int focusedColumn = m.numbering().layoutColumnOfGrid(m.col());
    const QList<PlacedHeader>& headers = m.headers();
    for (qsizetype i = 0; i < headers.size(); ++i) {
        const PlacedHeader& h = headers[i];
        if (h.panel != panel)
            continue;
        const QRect r = h.rect.translated(dx, dy);
        const QRect framed = r.adjusted(-1, -1, 1, 1);
        if (!framed.intersects(clip))
            continue;
        const bool lit = (panel == HeaderPanel::RowHeaders && h.coversLayoutRow(focusedRow))
            || (panel == HeaderPanel::ColumnHeaders && h.coversLayoutColumn(focusedColumn));
        p.fillRect(framed, kLine);
        p.fillRect(r, lit ? kFocused : kCell);
        p.save();
        p.setClipRect(r.intersected(clip));
        p.setFont(m_headerFonts[i]);
        p.setPen(Qt::black);
        const int ascent = QFontMetrics(m_headerFonts[i], viewport()).ascent();
        const HeaderText& text = m_headerTexts[i];
        const bool turned = h.cell.chars.turned;
        for (const HeaderLine& line : text.lines) {
            if (!turned) {
                p.drawText(QPoint(r.x() + line.x, r.y() + line.top + ascent), line.text);
            } else if (panel == HeaderPanel::RowHeaders) {
                // Row headers never turn their font: the turned placement with upright letters.
                p.drawText(QPoint(r.x() + line.top, r.y() + text.length - line.x + ascent), line.text);
            } else {
                p.save();
                p.translate(r.x() + line.top, r.y() + text.length - line.x);
                p.rotate(-90);
                p.drawText(QPoint(0, ascent), line.text);
                p.restore();
            }
        }
        p.restore();
    }
    p.restore();
}

void TableGridView::paintCells(QPainter& p, const QRect& area, int dx, int dy)
{
    const GridModel& m = model();
    const GridGeometry& g = m.geometry();
    const QRect extent = QRect(dx - 1, dy - 1, g.dataWidth() + 1, g.dataHeight() + 1).intersected(area);
    if (extent.isEmpty() || m.columnCount() == 0 || m.rowCount() == 0)
        return;
    p.save();
    p.setClipRect(extent);
    p.fillRect(extent, kLine);
    const auto firstOf = [](int found, int fallback) { return found < 0 ? fallback : found; };
    const int c0 = firstOf(g.gridColumnAt(extent.left() - dx), 0);
    const int c1 = firstOf(g.gridColumnAt(extent.right() - dx), m.columnCount() - 1);
    const int r0 = firstOf(g.gridRowAt(extent.top() - dy), 0);
    const int r1 = firstOf(g.gridRowAt(extent.bottom() - dy), m.rowCount() - 1);
    QFont plain = font();
    QFont bold = plain;
    bold.setBold(true);
    const bool caret = hasFocus() && !m.readOnly();
    for (int c = c0; c <= c1; ++c) {
        for (int r = r0; r <= r1; ++r) {
            const QRect cell = g.dataCellRect(c, r).translated(dx, dy);
            if (cell.isEmpty())
                continue;
            const bool focused = c == m.col() && r == m.row();
            QColor background = kCell;
            if (m.isUnsaved(c, r))
                background = kUnsaved;
            if (m.isPicked(c, r))
                background = kPicked;
            if (focused)
                background = kFocused;
            p.fillRect(cell, background);
            if (m.isUnsaved(c, r)) {
                // A corner mark that stays visible when the cell has the focus.
                const QPoint tip = cell.topRight();
                const QPoint corner[] = {tip, tip + QPoint(-6, 0), tip + QPoint(0, 6)};
                p.setPen(Qt::NoPen);
                p.setBrush(kRightSide);
                p.drawPolygon(corner, 3);
                p.setBrush(Qt::NoBrush);
            }
            const GridModel::ErrorMark mark = m.errorMark(c, r);
            const CellTextFit fit = fitCellText(m.shownText(c, r),
                                                mark == GridModel::ErrorMark::None ? plain : bold,
                                                cell.width(), viewport());
            const QFontMetrics fitted(fit.font, viewport());
            if (!fit.text.isEmpty()) {
                p.setFont(fit.font);
                p.setPen(mark == GridModel::ErrorMark::Left    ? kLeftSide
                             : mark == GridModel::ErrorMark::Right ? kRightSide
                                                                   : QColor(Qt::black));
                p.drawText(cell, Qt::AlignCenter, fit.text);
            }
            if (focused && caret) {
                const int tw = std::min(fitted.horizontalAdvance(fit.text), cell.width() - 1);
                const int x = cell.x() + (cell.width() - tw) / 2 + tw;
                const int y = cell.y() + (cell.height() - fitted.height()) / 2 + 1;
                p.fillRect(QRect(x, y, 1, fitted.height()), Qt::black);
            }
        }
    }
    p.restore();
}

CellTextFit fitCellText(const QString& text, const QFont& font, int width, QPaintDevice* device)
{
    CellTextFit fit{text, font, false};
    const int room = width - 2;   // a pixel of air on either side of the figures
    if (text.isEmpty() || room <= 0)
        return fit;
    if (QFontMetrics(font, device).horizontalAdvance(text) <= room)
        return fit;
    // A smaller type first, down to two thirds of the size: the figure stays whole and readable.
    const qreal size = font.pointSizeF() > 0 ? font.pointSizeF() : QFontInfo(font).pointSizeF();
    for (qreal s = size - 0.5; s >= size * 2 / 3; s -= 0.5) {
        QFont smaller = font;
        smaller.setPointSizeF(s);
        if (QFontMetrics(smaller, device).horizontalAdvance(text) <= room) {
            fit.font = smaller;
            return fit;
        }
    }
    // Still too wide: the end of the figure is replaced by "…", so it never reads as another
    // number, and the tooltip tells the whole value.
    fit.font.setPointSizeF(size * 2 / 3);
    fit.text = QFontMetrics(fit.font, device).elidedText(text, Qt::ElideRight, room);
    fit.elided = true;
    return fit;
}

bool TableGridView::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip && model().isOpen()) {
        auto* help = static_cast<QHelpEvent*>(event);
        int c, r;
        if (cellAt(help->pos(), &c, &r)) {
            const QString text = model().shownText(c, r);
            const QRect cell = model().geometry().dataCellRect(c, r);
            QFont f = font();
            f.setBold(model().errorMark(c, r) != GridModel::ErrorMark::None);
            if (fitCellText(text, f, cell.width(), viewport()).elided) {
                QToolTip::showText(help->globalPos(), text, viewport());
                return true;
            }
        }
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void TableGridView::moveFocus(int c, int r)
{
    afterKey(model().moveTo(c, r), true);
}

void TableGridView::afterKey(const QString& error, bool moved)
{
    if (moved) {
        ensureFocusedVisible();
        m_window->showStatus();
    }
    viewport()->update();
    if (!error.isEmpty())
        m_window->saveFailed(error);
}

void TableGridView::keyPressEvent(QKeyEvent* event)
{
    GridModel& m = model();
    if (!m.isOpen()) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    const Qt::KeyboardModifiers mods = event->modifiers();
    const int key = event->key();
    if (mods & Qt::ControlModifier) {
        if (key == Qt::Key_E) {
            if (m.undo())
                viewport()->update();
            return;
        }
        if (key == Qt::Key_Delete || (key == Qt::Key_Period && (mods & Qt::KeypadModifier))) {
            if (m.clearEntry())
                viewport()->update();
            return;
        }
    }
    if (mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
        event->ignore();
        return;
    }
    const GridGeometry& g = m.geometry();
    const int c = m.col();
    const int r = m.row();
    const int pageRows = [&] {
        const int h = viewport()->height() - g.headerHeight();
        const int rowPx = std::max(1, g.dataCellRect(c, r).height() + 1);
        return std::max(1, h / rowPx);
    }();
    switch (key) {
    case Qt::Key_Left: moveFocus(c - 1, r); return;
    case Qt::Key_Right: moveFocus(c + 1, r); return;
    case Qt::Key_Up: moveFocus(c, r - 1); return;
    case Qt::Key_Down: moveFocus(c, r + 1); return;
    case Qt::Key_PageUp: moveFocus(c, r - pageRows); return;
    case Qt::Key_PageDown: moveFocus(c, r + pageRows); return;
    case Qt::Key_Home: moveFocus(0, r); return;
    case Qt::Key_End: moveFocus(m.columnCount() - 1, r); return;
    default: break;
    }
    const bool named = key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter
        || key == Qt::Key_Escape || key == Qt::Key_Backspace;
    const QChar text = event->text().isEmpty() ? QChar() : event->text().front();
    if (!named && text.isNull()) {
        event->ignore();
        return;
    }
    const GridModel::KeyResult result = m.keyPress(key, text);
    switch (result.outcome) {
    case GridModel::KeyOutcome::Close:
        m_window->closeAfterPutData();
        return;
    case GridModel::KeyOutcome::Moved:
        afterKey(result.error, true);
        return;
    case GridModel::KeyOutcome::Changed:
        m_window->showStatus();   // a refusal said before is over
        viewport()->update();
        return;
    case GridModel::KeyOutcome::Refused:
        if (!result.refusal.isEmpty()) {
            beep();
            m_window->showRefusal(result.refusal);
        }
        return;
    }
}

bool TableGridView::cellAt(const QPoint& pos, int* c, int* r) const
{
    const GridGeometry& g = model().geometry();
    if (pos.x() < g.headerWidth() || pos.y() < g.headerHeight())
        return false;
    *c = g.gridColumnAt(pos.x() - g.headerWidth() + horizontalScrollBar()->value());
    *r = g.gridRowAt(pos.y() - g.headerHeight() + verticalScrollBar()->value());
    return *c >= 0 && *r >= 0;
}

void TableGridView::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton || !model().isOpen())
        return;
    int c, r;
    if (cellAt(event->position().toPoint(), &c, &r))
        moveFocus(c, r);
}

void TableGridView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !model().isOpen())
        return;
    int c, r;
    if (!cellAt(event->position().toPoint(), &c, &r)) {
        const int header = headerAt(event->position().toPoint());
        if (header >= 0)
            m_window->Image1DblClick(header);
        return;
    }
    moveFocus(c, r);
    m_window->StringGrid1DblClick();
}
