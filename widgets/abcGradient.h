#pragma once
// A colour gradient that paints itself into any painter and rectangle: banded, stretched from a
// small image, or with the painter's own smooth gradients; optionally through an off-screen image
// that is repainted only when a property or the size changed.

#include <QColor>
#include <QImage>
#include <QObject>
#include <QRect>

class QPainter;
class QPaintDevice;

enum class TabcDrawDirection { ddVertical, ddHorizontal, ddLRDiagonal, ddRLDiagonal, ddCenter };
enum class TabcGradientDrawMethod { agdDraw, agdStretch, agdWinAPI };

// A colour written as one number, red in the lowest byte and blue in the third (0xFF0000 is
// blue, 0x00FFFF yellow): the way the windows' colours are given.
QColor colorFromValue(quint32 value);

// The colour of band `step` (1..count) between from and to: each component rounded to the
// nearest, halves to even; band `count` is exactly `to`.
QColor gradientStepColor(const QColor& from, const QColor& to, int step, int count);

class TabcGradient : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxColorCount = 236;

    explicit TabcGradient(QObject* parent = nullptr);

    int colorCount() const { return m_colorCount; }
    void setColorCount(int count);   // kept within 1..MaxColorCount
    TabcDrawDirection direction() const { return m_direction; }
    void setDirection(TabcDrawDirection direction);
    bool drawBuffered() const { return m_drawBuffered; }
    void setDrawBuffered(bool buffered);   // off also turns agdStretch into agdDraw
    TabcGradientDrawMethod drawMethod() const { return m_drawMethod; }
    void setDrawMethod(TabcGradientDrawMethod method);   // agdStretch turns buffering on
    QColor colorFrom() const { return m_colorFrom; }
    void setColorFrom(const QColor& color);
    QColor colorTo() const { return m_colorTo; }
    void setColorTo(const QColor& color);
    // Per component (from + to) >> 1: the colour of the diagonal for the smooth method.
    QColor colorMid() const;

    // Copies the colours, the step count and the direction; the drawing method stays.
    void Assign(const TabcGradient& other);

    void Draw(QPainter& canvas, const QRect& rect);
    void Draw(QPaintDevice& device, const QRect& rect);

    // The off-screen image; null while drawing is not buffered.
    const QImage& buffer() const { return m_buffer; }

signals:
    // A property changed that alters what is painted.
    void changed();

private:
    void markChanged();
    void paintGradient(QPainter& painter, const QRect& rect) const;
    void paintBands(QPainter& painter, const QRect& rect) const;
    void paintDiagonalBands(QPainter& painter, const QRect& rect, bool mirrored) const;
    void paintSmooth(QPainter& painter, const QRect& rect) const;

    QImage m_buffer;
    bool m_dirty = true;
    int m_colorCount = MaxColorCount;
    TabcDrawDirection m_direction = TabcDrawDirection::ddVertical;
    bool m_drawBuffered = false;
    TabcGradientDrawMethod m_drawMethod = TabcGradientDrawMethod::agdDraw;
    QColor m_colorTo;
    QColor m_colorFrom;
};
