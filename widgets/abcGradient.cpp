#include "widgets/abcGradient.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPolygon>
#include <QVector>
#include <algorithm>

namespace {

// num / den rounded to the nearest, halves to even; den > 0. Exact, so that a band edge or a
// colour component that falls on a half is decided the same way on every machine.
qint64 roundRatio(qint64 num, qint64 den)
{
    qint64 q = num / den;
    qint64 r = num % den;
    if (r < 0) {
        r += den;
        --q;
    }
    if (2 * r > den || (2 * r == den && (q & 1) != 0))
        ++q;
    return q;
}

// The smallest integer not below num / den; den > 0.
qint64 ceilDiv(qint64 num, qint64 den)
{
    qint64 q = num / den;
    if (num % den != 0 && num > 0)
        ++q;
    return q;
}

int roundComponent(int from, int to, int step, int count)
{
    return int(roundRatio(qint64(from) * count + qint64(to - from) * step, count));
}

// The first column of row py (0-based, in a W x H area) that lies beyond boundary k of a
// diagonal gradient of n bands; boundary k separates band k from band k + 1. Up to `half` the
// boundary runs from (round(2kW/n), 0) to (0, round(2kH/n)); after it from (W, round((2k-n)H/n))
// to (round((2k-n)W/n), H). A pixel belongs beyond the line when its centre does.
qint64 diagonalStart(qint64 k, qint64 n, qint64 half, qint64 w, qint64 h, qint64 py)
{
    if (k <= half) {
        const qint64 a = roundRatio(2 * k * w, n);
        const qint64 b = roundRatio(2 * k * h, n);
        if (b == 0)
            return 0;
        // b(2px + 1) + a(2py + 1) >= 2ab
        return ceilDiv(2 * a * b - a * (2 * py + 1) - b, 2 * b);
    }
    const qint64 c = roundRatio((2 * k - n) * h, n);
    const qint64 d = roundRatio((2 * k - n) * w, n);
    if (h - c <= 0)
        return w;   // the boundary has shrunk into the far corner: nothing lies beyond it
    // (2px + 1 - 2d)(H - c) >= (2H - 2py - 1)(W - d)
    return ceilDiv((2 * h - 2 * py - 1) * (w - d) + (2 * d - 1) * (h - c), 2 * (h - c));
}

}

QColor colorFromValue(quint32 value)
{
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

QColor gradientStepColor(const QColor& from, const QColor& to, int step, int count)
{
    return QColor(roundComponent(from.red(), to.red(), step, count),
                  roundComponent(from.green(), to.green(), step, count),
                  roundComponent(from.blue(), to.blue(), step, count));
}

TabcGradient::TabcGradient(QObject* parent)
    : QObject(parent), m_colorTo(colorFromValue(0)), m_colorFrom(colorFromValue(0xFF0000))
{
}

void TabcGradient::markChanged()
{
    m_dirty = true;
    emit changed();
}

void TabcGradient::setColorCount(int count)
{
    count = std::clamp(count, 1, MaxColorCount);
    if (count == m_colorCount)
        return;
    m_colorCount = count;
    markChanged();
}

void TabcGradient::setDirection(TabcDrawDirection direction)
{
    if (direction == m_direction)
        return;
    m_direction = direction;
    markChanged();
}

void TabcGradient::setColorFrom(const QColor& color)
{
    if (color == m_colorFrom)
        return;
    m_colorFrom = color;
    markChanged();
}

void TabcGradient::setColorTo(const QColor& color)
{
    if (color == m_colorTo)
        return;
    m_colorTo = color;
    markChanged();
}

QColor TabcGradient::colorMid() const
{
    return QColor((m_colorFrom.red() + m_colorTo.red()) >> 1, (m_colorFrom.green() + m_colorTo.green()) >> 1,
                  (m_colorFrom.blue() + m_colorTo.blue()) >> 1);
}

void TabcGradient::setDrawBuffered(bool buffered)
{
    if (buffered == m_drawBuffered)
        return;
    m_drawBuffered = buffered;
    if (!buffered) {
        m_buffer = QImage();
        // a stretched image needs the buffer it is stretched from
        if (m_drawMethod == TabcGradientDrawMethod::agdStretch)
            m_drawMethod = TabcGradientDrawMethod::agdDraw;
    }
    markChanged();
}

void TabcGradient::setDrawMethod(TabcGradientDrawMethod method)
{
    if (method == m_drawMethod)
        return;
    m_drawMethod = method;
    if (method == TabcGradientDrawMethod::agdStretch && !m_drawBuffered) {
        setDrawBuffered(true);
        return;
    }
    markChanged();
}

void TabcGradient::Assign(const TabcGradient& other)
{
    if (&other == this)
        return;
    m_colorCount = other.m_colorCount;
    m_colorFrom = other.m_colorFrom;
    m_colorTo = other.m_colorTo;
    m_direction = other.m_direction;
    markChanged();
}

void TabcGradient::Draw(QPaintDevice& device, const QRect& rect)
{
    QPainter painter(&device);
    Draw(painter, rect);
}

void TabcGradient::Draw(QPainter& canvas, const QRect& rect)
{
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    if (!m_drawBuffered) {
        paintGradient(canvas, rect);
        return;
    }
    const bool stretch = m_drawMethod == TabcGradientDrawMethod::agdStretch;
    const QSize size = stretch ? QSize(m_colorCount, m_colorCount) : rect.size();
    if (m_dirty || m_buffer.size() != size) {
        m_buffer = QImage(size, QImage::Format_RGB32);
        QPainter painter(&m_buffer);
        paintGradient(painter, m_buffer.rect());
        m_dirty = false;
    }
    if (stretch)
        canvas.drawImage(rect, m_buffer);
    else
        canvas.drawImage(rect.topLeft(), m_buffer);
}

void TabcGradient::paintGradient(QPainter& painter, const QRect& rect) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    painter.setClipRect(rect, Qt::IntersectClip);
    if (m_drawMethod == TabcGradientDrawMethod::agdWinAPI)
        paintSmooth(painter, rect);
    else
        paintBands(painter, rect);
    painter.restore();
}

void TabcGradient::paintBands(QPainter& painter, const QRect& rect) const
{
    const int n = m_colorCount;
    const qint64 w = rect.width();
    const qint64 h = rect.height();
    switch (m_direction) {
    case TabcDrawDirection::ddVertical: {
        int previous = rect.top();
        for (int i = 1; i <= n; ++i) {
            const int edge = rect.top() + int(roundRatio(i * h, n));
            if (edge > previous)
                painter.fillRect(QRect(rect.left(), previous, int(w), edge - previous),
                                 gradientStepColor(m_colorFrom, m_colorTo, i, n));
            previous = edge;
        }
        break;
    }
    case TabcDrawDirection::ddHorizontal: {
        int previous = rect.left();
        for (int i = 1; i <= n; ++i) {
            const int edge = rect.left() + int(roundRatio(i * w, n));
            if (edge > previous)
                painter.fillRect(QRect(previous, rect.top(), edge - previous, int(h)),
                                 gradientStepColor(m_colorFrom, m_colorTo, i, n));
            previous = edge;
        }
        break;
    }
    case TabcDrawDirection::ddLRDiagonal:
        paintDiagonalBands(painter, rect, false);
        break;
    case TabcDrawDirection::ddRLDiagonal:
        paintDiagonalBands(painter, rect, true);
        break;
    case TabcDrawDirection::ddCenter:
        painter.fillRect(rect, m_colorFrom);
        for (int i = 1; i <= n; ++i) {
            const int dx = int(roundRatio(i * w, 2 * n));
            const int dy = int(roundRatio(i * h, 2 * n));
            const QRect inner(rect.left() + dx, rect.top() + dy, int(w) - 2 * dx, int(h) - 2 * dy);
            if (inner.width() > 0 && inner.height() > 0)
                painter.fillRect(inner, gradientStepColor(m_colorFrom, m_colorTo, i, n));
        }
        break;
    }
}

// Row by row rather than as polygons: each row is cut at the same boundaries for both bands
// that meet there, so no pixel is left between two bands whatever the step count.
void TabcGradient::paintDiagonalBands(QPainter& painter, const QRect& rect, bool mirrored) const
{
    const int n = m_colorCount;
    const qint64 w = rect.width();
    const qint64 h = rect.height();
    const qint64 half = roundRatio(n, 2);
    QVector<QVector<QRect>> bands(n);
    QVector<qint64> starts(n + 1);
    for (qint64 py = 0; py < h; ++py) {
        starts[0] = 0;
        starts[n] = w;
        for (int k = 1; k < n; ++k)
            starts[k] = std::clamp(diagonalStart(k, n, half, w, h, py), starts[k - 1], w);
        const int y = rect.top() + int(py);
        for (int i = 1; i <= n; ++i) {
            const qint64 from = starts[i - 1];
            const qint64 to = starts[i];
            if (to <= from)
                continue;
            const int x = mirrored ? rect.left() + int(w - to) : rect.left() + int(from);
            bands[i - 1].append(QRect(x, y, int(to - from), 1));
        }
    }
    for (int i = 1; i <= n; ++i) {
        if (bands[i - 1].isEmpty())
            continue;
        painter.setBrush(gradientStepColor(m_colorFrom, m_colorTo, i, n));
        painter.drawRects(bands[i - 1].constData(), int(bands[i - 1].size()));
    }
}

void TabcGradient::paintSmooth(QPainter& painter, const QRect& rect) const
{
    const QPointF topLeft(rect.left(), rect.top());
    const qreal w = rect.width();
    const qreal h = rect.height();
    const qreal right = rect.left() + w;
    const qreal bottom = rect.top() + h;
    switch (m_direction) {
    case TabcDrawDirection::ddVertical:
    case TabcDrawDirection::ddHorizontal: {
        const bool vertical = m_direction == TabcDrawDirection::ddVertical;
        QLinearGradient gradient(topLeft, vertical ? QPointF(rect.left(), bottom) : QPointF(right, rect.top()));
        gradient.setColorAt(0, m_colorFrom);
        gradient.setColorAt(1, m_colorTo);
        painter.fillRect(rect, gradient);
        break;
    }
    case TabcDrawDirection::ddLRDiagonal:
    case TabcDrawDirection::ddRLDiagonal: {
        // Corner colours from, mid, mid, to shade the rectangle linearly in x / W + y / H; the
        // gradient axis is the normal of those lines, so the diagonal is exactly mid.
        const qreal t = 2 / (1 / (w * w) + 1 / (h * h));
        const bool mirrored = m_direction == TabcDrawDirection::ddRLDiagonal;
        const QPointF start = mirrored ? QPointF(right, rect.top()) : topLeft;
        const QPointF end = start + QPointF(mirrored ? -t / w : t / w, t / h);
        QLinearGradient gradient(start, end);
        gradient.setColorAt(0, m_colorFrom);
        gradient.setColorAt(0.5, colorMid());
        gradient.setColorAt(1, m_colorTo);
        painter.fillRect(rect, gradient);
        break;
    }
    case TabcDrawDirection::ddCenter: {
        const QPoint centre((rect.left() + rect.left() + rect.width()) / 2,
                            (rect.top() + rect.top() + rect.height()) / 2);
        const QPoint tl(rect.left(), rect.top());
        const QPoint tr(rect.left() + rect.width(), rect.top());
        const QPoint bl(rect.left(), rect.top() + rect.height());
        const QPoint br(rect.left() + rect.width(), rect.top() + rect.height());
        struct Side { QPoint a, b; QPointF edge; };
        const Side sides[] = {
            {tl, tr, QPointF(centre.x(), rect.top())},
            {tl, bl, QPointF(rect.left(), centre.y())},
            {bl, br, QPointF(centre.x(), bottom)},
            {tr, br, QPointF(right, centre.y())},
        };
        for (const Side& side : sides) {
            QLinearGradient gradient(side.edge, centre);
            gradient.setColorAt(0, m_colorFrom);
            gradient.setColorAt(1, m_colorTo);
            painter.setBrush(gradient);
            painter.drawPolygon(QPolygon({side.a, side.b, centre}));
        }
        break;
    }
    }
}
