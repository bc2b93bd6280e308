#include "widgets/abcCheckBox.h"

#include <QFontMetrics>
#include <QRegularExpression>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

TabcCheckBox::TabcCheckBox(QWidget* parent) : TabcCheckBox(QString(), parent) {}

TabcCheckBox::TabcCheckBox(const QString& caption, QWidget* parent) : QCheckBox(caption, parent) {}

void TabcCheckBox::setAlignHorz(TAlignment alignment)
{
    if (alignment == m_alignHorz)
        return;
    m_alignHorz = alignment;
    restyle();
}

void TabcCheckBox::setAlignVert(TabcVAlignment alignment)
{
    if (alignment == m_alignVert)
        return;
    m_alignVert = alignment;
    restyle();
}

void TabcCheckBox::setWordWrap(bool wrap)
{
    if (wrap == m_wordWrap)
        return;
    m_wordWrap = wrap;
    restyle();
}

void TabcCheckBox::restyle()
{
    updateGeometry();
    update();
}

QSize TabcCheckBox::indicatorSize() const
{
    QStyleOptionButton opt;
    initStyleOption(&opt);
    return QSize(style()->pixelMetric(QStyle::PM_IndicatorWidth, &opt, this),
                 style()->pixelMetric(QStyle::PM_IndicatorHeight, &opt, this));
}

int TabcCheckBox::spacing() const
{
    QStyleOptionButton opt;
    initStyleOption(&opt);
    return style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &opt, this);
}

int TabcCheckBox::textFlags() const
{
    int flags = Qt::TextShowMnemonic;
    switch (m_alignHorz) {
    case TAlignment::taLeftJustify: flags |= Qt::AlignLeft; break;
    case TAlignment::taRightJustify: flags |= Qt::AlignRight; break;
    case TAlignment::taCenter: flags |= Qt::AlignHCenter; break;
    }
    switch (m_alignVert) {
    case TabcVAlignment::vaTop: flags |= Qt::AlignTop; break;
    case TabcVAlignment::vaBottom: flags |= Qt::AlignBottom; break;
    case TabcVAlignment::vaCenter: flags |= Qt::AlignVCenter; break;
    }
    flags |= m_wordWrap ? Qt::TextWordWrap : Qt::TextSingleLine;
    return flags;
}

// The box stands beside the caption's first line, its last line or its middle, as the caption
// itself is placed.
QRect TabcCheckBox::indicatorRect() const
{
    const QSize box = indicatorSize();
    const QRect area = contentsRect();
    const int line = std::max(box.height(), QFontMetrics(font()).height());
    int y = area.top();
    switch (m_alignVert) {
    case TabcVAlignment::vaTop: y = area.top() + (line - box.height()) / 2; break;
    case TabcVAlignment::vaBottom: y = area.bottom() + 1 - line + (line - box.height()) / 2; break;
    case TabcVAlignment::vaCenter: y = area.top() + (area.height() - box.height()) / 2; break;
    }
    return QRect(QPoint(area.left(), y), box);
}

QRect TabcCheckBox::captionRect() const
{
    const QRect area = contentsRect();
    const int left = area.left() + indicatorSize().width() + spacing();
    return QRect(left, area.top(), std::max(0, area.right() + 1 - left), area.height());
}

QSize TabcCheckBox::sizeHint() const
{
    const QSize box = indicatorSize();
    const QFontMetrics fm(font());
    const QSize caption = fm.size(Qt::TextShowMnemonic | Qt::TextSingleLine, text());
    const QMargins m = contentsMargins();
    // two pixels for the focus frame around the caption
    return QSize(box.width() + spacing() + caption.width() + 2 + m.left() + m.right(),
                 std::max(box.height(), caption.height()) + m.top() + m.bottom());
}

QSize TabcCheckBox::minimumSizeHint() const
{
    if (!m_wordWrap)
        return sizeHint();
    const QFontMetrics fm(font());
    int widest = 0;
    for (const QString& word : text().split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts))
        widest = std::max(widest, fm.horizontalAdvance(word));
    const QMargins m = contentsMargins();
    const int width = indicatorSize().width() + spacing() + widest + 2 + m.left() + m.right();
    return QSize(width, heightForWidth(width));
}

int TabcCheckBox::heightForWidth(int width) const
{
    const QMargins m = contentsMargins();
    const int captionWidth = std::max(1, width - m.left() - m.right() - indicatorSize().width() - spacing() - 2);
    const QRect r = QFontMetrics(font()).boundingRect(QRect(0, 0, captionWidth, 100000), textFlags(), text());
    return std::max(indicatorSize().height(), r.height()) + m.top() + m.bottom();
}

void TabcCheckBox::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton opt;
    initStyleOption(&opt);
    opt.rect = indicatorRect();
    painter.drawPrimitive(QStyle::PE_IndicatorCheckBox, opt);

    const QRect caption = captionRect();
    painter.save();
    painter.setClipRect(caption);
    style()->drawItemText(&painter, caption, textFlags(), palette(), isEnabled(), text(), QPalette::WindowText);
    painter.restore();

    if (hasFocus() && !text().isEmpty()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = QFontMetrics(font()).boundingRect(caption, textFlags(), text()).adjusted(-1, -1, 1, 1) & rect();
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

// The caption is part of the button, wherever it is placed.
bool TabcCheckBox::hitButton(const QPoint& pos) const { return rect().contains(pos); }
