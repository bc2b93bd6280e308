#include "widgets/abcBackground.h"

#include <QMouseEvent>
#include <QPainter>

TabcCustomBackground::TabcCustomBackground(QWidget* parent)
    : QWidget(parent), m_gradient(new TabcGradient(this))
{
    connect(m_gradient, &TabcGradient::changed, this, &TabcCustomBackground::Redraw);
    resize(105, 105);
    setAttribute(Qt::WA_OpaquePaintEvent, true);
    setMouseTracking(true);
}

void TabcCustomBackground::setActive(bool active)
{
    if (active == m_active)
        return;
    m_active = active;
    // an inactive background paints nothing, so what lies beneath must show through
    setAttribute(Qt::WA_OpaquePaintEvent, active);
    Redraw();
}

void TabcCustomBackground::Redraw() { update(); }

void TabcCustomBackground::paintEvent(QPaintEvent*)
{
    if (!m_active)
        return;
    QPainter painter(this);
    m_gradient->Draw(painter, rect());
}

void TabcCustomBackground::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton;
    emit OnMouseDown(event->button(), event->modifiers(), event->position().toPoint());
}

void TabcCustomBackground::mouseDoubleClickEvent(QMouseEvent* event)
{
    m_pressed = false;
    if (event->button() == Qt::LeftButton)
        emit OnDblClick();
    emit OnMouseDown(event->button(), event->modifiers(), event->position().toPoint());
}

void TabcCustomBackground::mouseMoveEvent(QMouseEvent* event)
{
    emit OnMouseMove(event->buttons(), event->modifiers(), event->position().toPoint());
}

void TabcCustomBackground::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton)
        m_pressed = false;
    emit OnMouseUp(event->button(), event->modifiers(), event->position().toPoint());
    if (click)
        emit OnClick();
}
