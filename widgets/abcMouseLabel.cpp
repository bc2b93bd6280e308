#include "widgets/abcMouseLabel.h"

#include <QCursor>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>

namespace {
const TabcLabelMouseEffects kDefaultEffects = TabcLabelMouseEffect::almUnderline | TabcLabelMouseEffect::almSound;
}

TabcCustomMouseLabel::TabcCustomMouseLabel(QWidget* parent) : TabcCustomMouseLabel(QString(), parent) {}

TabcCustomMouseLabel::TabcCustomMouseLabel(const QString& caption, QWidget* parent)
    : QLabel(parent),
      m_mouseDownColor(0, 255, 255),   // aqua
      m_mouseDownEffects(kDefaultEffects),
      m_mouseOverColor(255, 255, 0),   // yellow
      m_mouseOverEffects(kDefaultEffects)
{
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setMouseTracking(true);
    setText(caption);
}

TabcLabelMouseEffects TabcCustomMouseLabel::exclusive(TabcLabelMouseEffects old, TabcLabelMouseEffects effects)
{
    using E = TabcLabelMouseEffect;
    if (effects.testFlag(E::almColorShadow) && !old.testFlag(E::almColorShadow))
        effects.setFlag(E::almColor, false);
    else if (effects.testFlag(E::almColor) && !old.testFlag(E::almColor))
        effects.setFlag(E::almColorShadow, false);
    return effects;
}

void TabcCustomMouseLabel::setMouseDownEffects(TabcLabelMouseEffects effects)
{
    if (effects == m_mouseDownEffects)
        return;
    m_mouseDownEffects = exclusive(m_mouseDownEffects, effects);
    if (m_down)
        update();
}

void TabcCustomMouseLabel::setMouseOverEffects(TabcLabelMouseEffects effects)
{
    if (effects == m_mouseOverEffects)
        return;
    m_mouseOverEffects = exclusive(m_mouseOverEffects, effects);
    if (m_over && !m_down)
        update();
}

void TabcCustomMouseLabel::setMouseDownColor(const QColor& color)
{
    m_mouseDownColor = color;
    if (m_down)
        update();
}

void TabcCustomMouseLabel::setMouseOverColor(const QColor& color)
{
    m_mouseOverColor = color;
    if (m_over && !m_down)
        update();
}

void TabcCustomMouseLabel::setShowAccelChar(bool show)
{
    if (show == m_showAccelChar)
        return;
    m_showAccelChar = show;
    updateGeometry();
    update();
}

QColor TabcCustomMouseLabel::fontColor() const { return palette().color(QPalette::Active, QPalette::WindowText); }

void TabcCustomMouseLabel::setFontColor(const QColor& color)
{
    QPalette p = palette();
    p.setColor(QPalette::Active, QPalette::WindowText, color);
    p.setColor(QPalette::Inactive, QPalette::WindowText, color);
    setPalette(p);
}

TabcCustomMouseLabel::Appearance TabcCustomMouseLabel::appearance() const
{
    using E = TabcLabelMouseEffect;
    Appearance a;
    if (!isEnabled()) {
        // engraved: a highlight one pixel down and right under the shadow-coloured text
        a.passes = {{QPoint(1, 1), palette().color(QPalette::Light)}, {QPoint(0, 0), palette().color(QPalette::Dark)}};
        return a;
    }
    const QColor own = fontColor();
    TabcLabelMouseEffects effects;
    QColor color;
    if (m_down) {
        effects = m_mouseDownEffects;
        color = m_mouseDownColor;
    } else if (m_over) {
        effects = m_mouseOverEffects;
        color = m_mouseOverColor;
    }
    a.underline = effects.testFlag(E::almUnderline);
    if (effects.testFlag(E::almColorShadow)) {
        a.passes = {{QPoint(-1, -1), color}, {QPoint(1, 1), color}, {QPoint(0, 0), own}};
    } else {
        a.passes = {{QPoint(0, 0), effects.testFlag(E::almColor) ? color : own}};
    }
    return a;
}

int TabcCustomMouseLabel::textFlags() const
{
    int flags = int(alignment()) | Qt::TextExpandTabs;
    flags |= wordWrap() ? Qt::TextWordWrap : Qt::TextSingleLine;
    if (m_showAccelChar)
        flags |= Qt::TextShowMnemonic;
    return flags;
}

// An empty caption still takes a line, so an empty label keeps its height.
QString TabcCustomMouseLabel::measuredText() const
{
    const QString caption = text();
    if (caption.isEmpty() || (m_showAccelChar && caption == QLatin1String("&")))
        return caption + QLatin1Char(' ');
    return caption;
}

QSize TabcCustomMouseLabel::sizeHint() const
{
    const QFontMetrics fm(font());
    const int extra = 2 * margin();
    const QMargins m = contentsMargins();
    const int flags = textFlags() & ~Qt::TextWordWrap;
    const QSize text = fm.size(flags | Qt::TextSingleLine, measuredText());
    QSize size(text.width() + extra + m.left() + m.right(), text.height() + extra + m.top() + m.bottom());
    if (wordWrap() && size.width() > 80 * fm.averageCharWidth()) {
        size.setWidth(80 * fm.averageCharWidth());
        size.setHeight(heightForWidth(size.width()));
    }
    return size;
}

QSize TabcCustomMouseLabel::minimumSizeHint() const
{
    if (!wordWrap())
        return sizeHint();
    const QFontMetrics fm(font());
    int widest = 0;
    for (const QString& word : measuredText().split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts))
        widest = std::max(widest, fm.horizontalAdvance(word));
    const QMargins m = contentsMargins();
    const int width = widest + 2 * margin() + m.left() + m.right();
    return QSize(width, heightForWidth(width));
}

int TabcCustomMouseLabel::heightForWidth(int width) const
{
    const QFontMetrics fm(font());
    const QMargins m = contentsMargins();
    const int extra = 2 * margin();
    const int textWidth = std::max(1, width - extra - m.left() - m.right());
    const QRect r = fm.boundingRect(QRect(0, 0, textWidth, 100000), textFlags(), measuredText());
    return r.height() + extra + m.top() + m.bottom();
}

void TabcCustomMouseLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    drawFrame(&painter);
    const Appearance a = appearance();
    QFont f = font();
    f.setUnderline(a.underline);
    painter.setFont(f);
    const QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    const int flags = textFlags();
    QRect drawn;
    for (const TextPass& pass : a.passes) {
        painter.setPen(pass.color);
        QRect bounds;
        painter.drawText(area.translated(pass.offset), flags, text(), &bounds);
        drawn = drawn.united(bounds);
    }
    if (hasFocus() && !drawn.isEmpty()) {
        // The keyboard's place: a dotted frame round the text, in the text's own colour.
        QPen pen(palette().color(QPalette::WindowText), 1, Qt::DotLine);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(drawn.adjusted(-2, -1, 1, 0).intersected(rect().adjusted(0, 0, -1, -1)));
    }
}

void TabcCustomMouseLabel::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (isEnabled() && focusPolicy() != Qt::NoFocus && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier
        && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space)) {
        event->accept();
        emit OnClick();   // last: it may open a modal window or close this one
        return;
    }
    QLabel::keyPressEvent(event);
}

void TabcCustomMouseLabel::focusInEvent(QFocusEvent* event)
{
    QLabel::focusInEvent(event);
    update();
}

void TabcCustomMouseLabel::focusOutEvent(QFocusEvent* event)
{
    QLabel::focusOutEvent(event);
    update();
}

void TabcCustomMouseLabel::playFromList(TabcLabelMouseEffects effects, int index)
{
    if (effects.testFlag(TabcLabelMouseEffect::almSound) && m_soundList)
        m_soundList->PlayIndex(index);
}

// Enter and leave are raised only when the state really changes, so a click, a release outside
// or a change of the enabled state never repeats an enter or raises a leave without an enter.
void TabcCustomMouseLabel::setOver(bool over)
{
    if (over == m_over)
        return;
    m_over = over;
    update();
    if (over) {
        playFromList(m_mouseOverEffects, m_soundOver);
        MouseEnter();
    } else {
        if (m_soundList && m_soundList->playFlags().testFlag(SoundFlag::Loop))
            m_soundList->Stop();
        MouseLeave();
    }
}

bool TabcCustomMouseLabel::isUnder(QPoint pos) const
{
    if (!isVisible() || !rect().contains(pos))
        return false;
    const QWidget* top = window();
    const QWidget* hit = top->childAt(mapTo(top, pos));
    return hit == this || (hit && isAncestorOf(hit));
}

void TabcCustomMouseLabel::enterEvent(QEnterEvent* event)
{
    QLabel::enterEvent(event);
    if (isEnabled())
        setOver(true);
}

void TabcCustomMouseLabel::leaveEvent(QEvent* event)
{
    QLabel::leaveEvent(event);
    // while a button is held on the label the release decides
    if (isEnabled() && !m_down)
        setOver(false);
}

void TabcCustomMouseLabel::press(QMouseEvent* event)
{
    event->accept();   // the release must come back here
    emit OnMouseDown(event->button(), event->modifiers(), event->position().toPoint());
    if (!m_down && isEnabled()) {
        m_down = true;
        update();
        playFromList(m_mouseDownEffects, m_soundDown);
    }
}

void TabcCustomMouseLabel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
    press(event);
}

void TabcCustomMouseLabel::mouseDoubleClickEvent(QMouseEvent* event)
{
    // the release after a double click is no second click
    m_pressed = false;
    if (event->button() == Qt::LeftButton)
        emit OnDblClick();
    press(event);
}

void TabcCustomMouseLabel::mouseMoveEvent(QMouseEvent* event)
{
    emit OnMouseMove(event->buttons(), event->modifiers(), event->position().toPoint());
}

void TabcCustomMouseLabel::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    const QPoint pos = event->position().toPoint();
    const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(pos);
    if (event->button() == Qt::LeftButton)
        m_pressed = false;
    if (m_down && isEnabled()) {
        m_down = false;
        update();
        setOver(isUnder(pos));
    }
    emit OnMouseUp(event->button(), event->modifiers(), pos);
    // last: a click may open a modal window or close this one
    if (click)
        emit OnClick();
}

void TabcCustomMouseLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() != QEvent::EnabledChange)
        return;
    m_down = false;
    m_pressed = false;
    update();
    if (isEnabled())
        setOver(isUnder(mapFromGlobal(QCursor::pos())));
    else
        setOver(false);
}
