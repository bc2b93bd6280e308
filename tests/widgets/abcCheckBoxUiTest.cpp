#include "widgets/abcCheckBox.h"
#include "PrintTo.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

// The rows and columns of the caption's ink: dark pixels right of the box.
struct Ink { int top = -1, bottom = -1, left = -1, right = -1; };

Ink inkOf(TabcCheckBox& box)
{
    QPalette palette = box.palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    box.setPalette(palette);
    box.setAutoFillBackground(true);
    const QImage image = box.grab().toImage();
    const int from = box.captionRect().left();
    Ink ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = from; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) >= 128)
                continue;
            if (ink.top < 0)
                ink.top = y;
            ink.bottom = y;
            ink.left = ink.left < 0 ? x : std::min(ink.left, x);
            ink.right = std::max(ink.right, x);
        }
    return ink;
}

int lineHeight(const QWidget& w) { return QFontMetrics(w.font()).height(); }

}

TEST(CheckBox, StartsWrappedAtTheTopLeft)
{
    TabcCheckBox box(QStringLiteral("Выбрать всех"));
    EXPECT_TRUE(box.wordWrap());
    EXPECT_EQ(box.alignHorz(), TAlignment::taLeftJustify);
    EXPECT_EQ(box.alignVert(), TabcVAlignment::vaTop);
    EXPECT_TRUE(box.hasHeightForWidth());
}

TEST(CheckBox, CaptionWrapsOnlyWhenAsked)
{
    TabcCheckBox box(QStringLiteral("Выбрать всех"));
    box.setObjectName(QStringLiteral("abcCheckBox1"));
    const int narrow = box.captionRect().left()
        + QFontMetrics(box.font()).horizontalAdvance(QStringLiteral("Выбрать")) + 4;
    box.resize(box.indicatorRect().width() + narrow, 120);
    const Ink wrapped = inkOf(box);
    EXPECT_GT(wrapped.bottom - wrapped.top, lineHeight(box));   // two lines

    box.setWordWrap(false);
    const Ink single = inkOf(box);
    ASSERT_GE(single.top, 0);
    EXPECT_LE(single.bottom - single.top, lineHeight(box));     // one line, whatever the height
    EXPECT_LT(single.bottom, lineHeight(box) + 2);
}

TEST(CheckBox, CaptionTakesItsPlace)
{
    struct Case { TAlignment horz; TabcVAlignment vert; const char* name; };
    const Case cases[] = {
        {TAlignment::taLeftJustify, TabcVAlignment::vaBottom, "left, bottom"},
        {TAlignment::taRightJustify, TabcVAlignment::vaCenter, "right, centre"},
        {TAlignment::taCenter, TabcVAlignment::vaTop, "centre, top"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TabcCheckBox box(QStringLiteral("Выбрать всех"));
        box.setWordWrap(false);
        box.setAlignHorz(c.horz);
        box.setAlignVert(c.vert);
        box.resize(300, 100);
        const Ink ink = inkOf(box);
        ASSERT_GE(ink.top, 0);
        const int line = lineHeight(box);
        const QRect caption = box.captionRect();
        switch (c.vert) {
        case TabcVAlignment::vaTop: EXPECT_LT(ink.bottom, line + 1); break;
        case TabcVAlignment::vaBottom: EXPECT_GE(ink.top, 100 - line - 1); break;
        case TabcVAlignment::vaCenter: EXPECT_NEAR((ink.top + ink.bottom) / 2, 50, line / 2 + 1); break;
        }
        const int width = ink.right - ink.left;
        switch (c.horz) {
        case TAlignment::taLeftJustify: EXPECT_LE(ink.left, caption.left() + 3); break;
        case TAlignment::taRightJustify: EXPECT_GE(ink.right, 299 - 3); break;
        case TAlignment::taCenter:
            EXPECT_NEAR(ink.left + width / 2, caption.left() + caption.width() / 2, 3);
            break;
        }
        // the box stands beside the caption's line
        const QRect indicator = box.indicatorRect();
        EXPECT_TRUE(indicator.bottom() >= ink.top && indicator.top() <= ink.bottom);
    }
}

TEST(CheckBox, ClickOnTheCaptionTicksIt)
{
    TabcCheckBox box(QStringLiteral("Выбрать всех"));
    box.setAlignHorz(TAlignment::taRightJustify);
    box.setAlignVert(TabcVAlignment::vaBottom);
    box.resize(300, 100);
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(290, 95));
    EXPECT_TRUE(box.isChecked());
}
