#pragma once
// A background that fills its whole area with a TabcGradient (the main window's backdrop).

#include "widgets/abcGradient.h"

#include <QWidget>

class TabcCustomBackground : public QWidget {
    Q_OBJECT
public:
    explicit TabcCustomBackground(QWidget* parent = nullptr);

    bool active() const { return m_active; }
    void setActive(bool active);
    TabcGradient& gradient() { return *m_gradient; }
    const TabcGradient& gradient() const { return *m_gradient; }

    virtual void Redraw();

signals:
    void OnClick();
    void OnDblClick();
    void OnMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);
    void OnMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPoint pos);
    void OnMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    TabcGradient* m_gradient;
    bool m_active = true;
    bool m_pressed = false;
};

class TabcBackground : public TabcCustomBackground {
    Q_OBJECT
    Q_PROPERTY(bool Active READ active WRITE setActive)
    Q_PROPERTY(QColor ColorFrom READ colorFrom WRITE setColorFrom)
    Q_PROPERTY(QColor ColorTo READ colorTo WRITE setColorTo)
    Q_PROPERTY(TabcDrawDirection DrawDirection READ drawDirection WRITE setDrawDirection)
    Q_PROPERTY(int DrawSteps READ drawSteps WRITE setDrawSteps)
    Q_PROPERTY(TabcGradientDrawMethod DrawMethod READ drawMethod WRITE setDrawMethod)
    Q_PROPERTY(bool DrawBuffered READ drawBuffered WRITE setDrawBuffered)
public:
    using TabcCustomBackground::TabcCustomBackground;

    QColor colorFrom() const { return gradient().colorFrom(); }
    void setColorFrom(const QColor& color) { gradient().setColorFrom(color); }
    QColor colorTo() const { return gradient().colorTo(); }
    void setColorTo(const QColor& color) { gradient().setColorTo(color); }
    TabcDrawDirection drawDirection() const { return gradient().direction(); }
    void setDrawDirection(TabcDrawDirection direction) { gradient().setDirection(direction); }
    int drawSteps() const { return gradient().colorCount(); }
    // 0 (or less) draws one band, more than 236 draws 236.
    void setDrawSteps(int steps) { gradient().setColorCount(steps); }
    TabcGradientDrawMethod drawMethod() const { return gradient().drawMethod(); }
    void setDrawMethod(TabcGradientDrawMethod method) { gradient().setDrawMethod(method); }
    bool drawBuffered() const { return gradient().drawBuffered(); }
    void setDrawBuffered(bool buffered) { gradient().setDrawBuffered(buffered); }
};
