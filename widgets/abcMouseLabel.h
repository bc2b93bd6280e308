#pragma once
// Hot-link labels: the main window's commands. Under the pointer, and while a button is held
// on them, they underline, recolour or shadow their text and may play a sound from a list.

#include "widgets/abcWave.h"

#include <QColor>
#include <QFlags>
#include <QLabel>
#include <QList>
#include <QPoint>
#include <QPointer>

enum class TabcLabelMouseEffect {
    almUnderline = 0x1,
    almColor = 0x2,
    almColorShadow = 0x4,   // excludes almColor
    almSound = 0x8,
};
Q_DECLARE_FLAGS(TabcLabelMouseEffects, TabcLabelMouseEffect)
Q_DECLARE_OPERATORS_FOR_FLAGS(TabcLabelMouseEffects)

class TabcCustomMouseLabel : public QLabel {
    Q_OBJECT
public:
    explicit TabcCustomMouseLabel(QWidget* parent = nullptr);
    explicit TabcCustomMouseLabel(const QString& caption, QWidget* parent = nullptr);

    QColor mouseDownColor() const { return m_mouseDownColor; }
    void setMouseDownColor(const QColor& color);
    TabcLabelMouseEffects mouseDownEffects() const { return m_mouseDownEffects; }
    void setMouseDownEffects(TabcLabelMouseEffects effects);
    QColor mouseOverColor() const { return m_mouseOverColor; }
    void setMouseOverColor(const QColor& color);
    TabcLabelMouseEffects mouseOverEffects() const { return m_mouseOverEffects; }
    void setMouseOverEffects(TabcLabelMouseEffects effects);
    // The list the sounds are played from; cleared when the list is deleted.
    TabcCustomWaveList* soundList() const { return m_soundList; }
    void setSoundList(TabcCustomWaveList* list) { m_soundList = list; }
    int soundDown() const { return m_soundDown; }
    void setSoundDown(int index) { m_soundDown = index; }
    int soundOver() const { return m_soundOver; }
    void setSoundOver(int index) { m_soundOver = index; }
    // '&' marks the next letter as the shortcut ("&&" is one '&'); off shows it as it stands.
    bool showAccelChar() const { return m_showAccelChar; }
    void setShowAccelChar(bool show);
    // The text's own colour (the palette's WindowText): what the group headings of the main
    // window change when the pointer enters them.
    QColor fontColor() const;
    void setFontColor(const QColor& color);

    bool isOver() const { return m_over; }
    bool isDown() const { return m_down; }

    // How the text is drawn now: the font's underline and the passes of text, in order.
    struct TextPass {
        QPoint offset;
        QColor color;
        friend bool operator==(const TextPass&, const TextPass&) = default;
    };
    struct Appearance {
        bool underline = false;
        QList<TextPass> passes;
    };
    Appearance appearance() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    int heightForWidth(int width) const override;

signals:
    void OnClick();
    void OnDblClick();
    void OnMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);
    void OnMouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPoint pos);
    void OnMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);
    void OnMouseEnter();
    void OnMouseLeave();

protected:
    virtual void MouseEnter() { emit OnMouseEnter(); }
    virtual void MouseLeave() { emit OnMouseLeave(); }

    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    // A label given a focus policy (setFocusPolicy(Qt::StrongFocus)) is reached with Tab, shows
    // a dotted frame while it has the focus and is started with Enter or Space like a click.
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void press(QMouseEvent* event);
    void setOver(bool over);
    bool isUnder(QPoint pos) const;
    int textFlags() const;
    QString measuredText() const;
    void playFromList(TabcLabelMouseEffects effects, int index);
    static TabcLabelMouseEffects exclusive(TabcLabelMouseEffects old, TabcLabelMouseEffects effects);

    bool m_down = false;
    bool m_over = false;
    bool m_pressed = false;
    QColor m_mouseDownColor;
    TabcLabelMouseEffects m_mouseDownEffects;
    QColor m_mouseOverColor;
    TabcLabelMouseEffects m_mouseOverEffects;
    QPointer<TabcCustomWaveList> m_soundList;
    int m_soundDown = 0;
    int m_soundOver = 0;
    bool m_showAccelChar = true;
};

class TabcMouseLabel : public TabcCustomMouseLabel {
    Q_OBJECT
    Q_PROPERTY(QColor MouseDownColor READ mouseDownColor WRITE setMouseDownColor)
    Q_PROPERTY(TabcLabelMouseEffects MouseDownEffects READ mouseDownEffects WRITE setMouseDownEffects)
    Q_PROPERTY(QColor MouseOverColor READ mouseOverColor WRITE setMouseOverColor)
    Q_PROPERTY(TabcLabelMouseEffects MouseOverEffects READ mouseOverEffects WRITE setMouseOverEffects)
    Q_PROPERTY(TabcCustomWaveList* SoundList READ soundList WRITE setSoundList)
    Q_PROPERTY(int SoundDown READ soundDown WRITE setSoundDown)
    Q_PROPERTY(int SoundOver READ soundOver WRITE setSoundOver)
    Q_PROPERTY(bool ShowAccelChar READ showAccelChar WRITE setShowAccelChar)
    Q_PROPERTY(QColor FontColor READ fontColor WRITE setFontColor)
public:
    using TabcCustomMouseLabel::TabcCustomMouseLabel;
};
