#include "widgets/abcBackground.h"
#include "PrintTo.h"

#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {
const QRgb kUnpainted = qRgb(255, 0, 255);

QImage render(QWidget& widget)
{
    QImage image(widget.size(), QImage::Format_RGB32);
    image.fill(kUnpainted);
    widget.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    return image;
}
}

TEST(Background, StartsAsTheComponentDoes)
{
    TabcBackground background;
    EXPECT_EQ(background.size(), QSize(105, 105));
    EXPECT_TRUE(background.active());
    EXPECT_EQ(background.colorFrom(), QColor(0, 0, 255));
    EXPECT_EQ(background.colorTo(), QColor(0, 0, 0));
    EXPECT_EQ(background.drawDirection(), TabcDrawDirection::ddVertical);
    EXPECT_EQ(background.drawSteps(), 236);
    EXPECT_EQ(background.drawMethod(), TabcGradientDrawMethod::agdDraw);
    EXPECT_FALSE(background.drawBuffered());
}

TEST(Background, DrawStepsIsKeptWithinRange)
{
    struct Case { int given, kept; };
    const Case cases[] = {{0, 1}, {1, 1}, {236, 236}, {237, 236}, {300, 236}};
    TabcBackground background;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.given);
        background.setDrawSteps(c.given);
        EXPECT_EQ(background.drawSteps(), c.kept);
    }
}

TEST(Background, PaintsItsWholeAreaAsTheMainWindowSetsIt)
{
    TabcBackground background;
    background.setColorFrom(colorFromValue(0xFFFF00));   // aqua
    background.setColorTo(colorFromValue(16414981));
    background.setDrawBuffered(true);
    background.resize(301, 207);
    const QImage image = render(background);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_NE(image.pixel(x, y), kUnpainted) << x << "," << y;
    // 236 bands over 207 rows: row 0 is band 1 (0 + 5/236, 255 - 134/236, 255 - 5/236), the last
    // row band 236, which is ColorTo itself
    EXPECT_EQ(QColor(image.pixel(0, 0)), QColor(0, 254, 255));
    EXPECT_EQ(QColor(image.pixel(300, 206)), QColor(5, 121, 250));
}

TEST(Background, APropertyChangeRepaintsTheBuffer)
{
    TabcBackground background;
    background.setDrawSteps(1);
    background.setDrawBuffered(true);
    background.resize(20, 10);
    background.setColorTo(Qt::red);
    EXPECT_EQ(QColor(render(background).pixel(5, 5)), QColor(Qt::red));
    QSignalSpy repaint(&background.gradient(), &TabcGradient::changed);
    background.setColorTo(Qt::green);
    EXPECT_EQ(QColor(render(background).pixel(5, 5)), QColor(Qt::green));
    background.setDrawDirection(TabcDrawDirection::ddCenter);
    background.setDrawMethod(TabcGradientDrawMethod::agdStretch);
    EXPECT_EQ(repaint.count(), 3);
}

TEST(Background, ResizingRepaintsTheBufferUnlessItIsStretched)
{
    TabcBackground background;
    background.setDrawSteps(8);
    background.setDrawBuffered(true);
    background.resize(40, 30);
    render(background);
    background.resize(50, 60);
    render(background);
    EXPECT_EQ(background.gradient().buffer().size(), QSize(50, 60));

    background.setDrawMethod(TabcGradientDrawMethod::agdStretch);
    render(background);
    const qint64 key = background.gradient().buffer().cacheKey();
    background.resize(80, 20);
    const QImage image = render(background);
    EXPECT_EQ(background.gradient().buffer().size(), QSize(8, 8));
    EXPECT_EQ(background.gradient().buffer().cacheKey(), key);
    EXPECT_EQ(QColor(image.pixel(79, 19)), QColor(0, 0, 0));
}

TEST(Background, InactivePaintsNothing)
{
    TabcBackground background;
    background.setActive(false);
    EXPECT_FALSE(background.testAttribute(Qt::WA_OpaquePaintEvent));
    const QImage image = render(background);
    EXPECT_EQ(image.pixel(50, 50), kUnpainted);
    background.setActive(true);
    EXPECT_NE(render(background).pixel(50, 50), kUnpainted);
}

TEST(Background, ClickIsReportedOnReleaseInside)
{
    TabcBackground background;
    QSignalSpy clicks(&background, &TabcBackground::OnClick);
    QTest::mouseClick(&background, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mousePress(&background, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(&background, Qt::LeftButton, {}, QPoint(200, 10));
    EXPECT_EQ(clicks.count(), 1);
}
