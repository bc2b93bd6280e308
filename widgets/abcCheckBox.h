#pragma once
// A check box whose caption is aligned horizontally and vertically within the control and,
// by default, wrapped over as many lines as the width needs.

#include <QCheckBox>

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
enum class TabcVAlignment { vaTop, vaBottom, vaCenter };

class TabcCheckBox : public QCheckBox {
    Q_OBJECT
    Q_PROPERTY(TAlignment AlignHorz READ alignHorz WRITE setAlignHorz)
    Q_PROPERTY(TabcVAlignment AlignVert READ alignVert WRITE setAlignVert)
    Q_PROPERTY(bool WordWrap READ wordWrap WRITE setWordWrap)
public:
    explicit TabcCheckBox(QWidget* parent = nullptr);
    explicit TabcCheckBox(const QString& caption, QWidget* parent = nullptr);

    TAlignment alignHorz() const { return m_alignHorz; }
    void setAlignHorz(TAlignment alignment);
    TabcVAlignment alignVert() const { return m_alignVert; }
    void setAlignVert(TabcVAlignment alignment);
    bool wordWrap() const { return m_wordWrap; }
    void setWordWrap(bool wrap);

    // Where the box and the caption's area lie in the control.
    QRect indicatorRect() const;
    QRect captionRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return m_wordWrap; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    void restyle();
    int textFlags() const;
    QSize indicatorSize() const;
    int spacing() const;

    TAlignment m_alignHorz = TAlignment::taLeftJustify;
    TabcVAlignment m_alignVert = TabcVAlignment::vaTop;
    bool m_wordWrap = true;
};
