#include "widgets/abcGradient.h"
#include "PrintTo.h"

#include <QPainter>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

const QRgb kUnpainted = qRgb(255, 0, 255);
constexpr int kMargin = 2;

// The gradient painted over (2, 2, w, h) of an image a little larger, so that a stroke outside
// the rectangle shows as well as a pixel left unpainted inside it.
QImage paint(TabcGradient& gradient, int w, int h)
{
    QImage image(w + 2 * kMargin, h + 2 * kMargin, QImage::Format_RGB32);
    image.fill(kUnpainted);
    QPainter painter(&image);
    gradient.Draw(painter, QRect(kMargin, kMargin, w, h));
    return image;
}

QRgb at(const QImage& image, int x, int y) { return image.pixel(x + kMargin, y + kMargin); }

int countUnpaintedInside(const QImage& image, int w, int h)
{
    int n = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            n += at(image, x, y) == kUnpainted;
    return n;
}

bool outsideUntouched(const QImage& image, int w, int h)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const bool inside = x >= kMargin && x < kMargin + w && y >= kMargin && y < kMargin + h;
            if (!inside && image.pixel(x, y) != kUnpainted)
                return false;
        }
    return true;
}

struct Band { int first, last; QRgb color; };

struct BandCase {
    const char* name;
    TabcDrawDirection direction;
    int steps, w, h;
    QRgb from, to;
    std::vector<Band> bands;   // rows (vertical) or columns (horizontal), inclusive
};

}

TEST(Gradient, ColourValuesKeepRedInTheLowestByte)
{
    EXPECT_EQ(colorFromValue(0xFF0000), QColor(0, 0, 255));
    EXPECT_EQ(colorFromValue(0x00FFFF), QColor(255, 255, 0));
    EXPECT_EQ(colorFromValue(0xFFFF00), QColor(0, 255, 255));
    EXPECT_EQ(colorFromValue(16414981), QColor(5, 121, 250));
}

TEST(Gradient, BandsHaveTheColoursAndEdgesOfTheirSteps)
{
    const BandCase cases[] = {
        // 4 steps over 10 rows: edges 2.5 -> 2, 5, 7.5 -> 8, 10. Red 0..2 by quarters: 0.5 -> 0,
        // 1, 1.5 -> 2, 2; green 10..7: 9.25, 8.5 -> 8, 7.75 -> 8, 7; blue 63.75, 127.5 -> 128, 191.25.
        {"vertical, halves", TabcDrawDirection::ddVertical, 4, 3, 10, qRgb(0, 10, 0), qRgb(2, 7, 255),
         {{0, 1, qRgb(0, 9, 64)}, {2, 4, qRgb(1, 8, 128)}, {5, 7, qRgb(2, 8, 191)}, {8, 9, qRgb(2, 7, 255)}}},
        // 5 steps over 7 rows: 1.4 -> 1, 2.8 -> 3, 4.2 -> 4, 5.6 -> 6, 7.
        {"vertical, odd", TabcDrawDirection::ddVertical, 5, 4, 7, qRgb(0, 0, 0), qRgb(50, 100, 150),
         {{0, 0, qRgb(10, 20, 30)}, {1, 2, qRgb(20, 40, 60)}, {3, 3, qRgb(30, 60, 90)},
          {4, 5, qRgb(40, 80, 120)}, {6, 6, qRgb(50, 100, 150)}}},
        // 3 steps over 10 columns: 3.33 -> 3, 6.67 -> 7, 10; from 255 down: 170, 85, 0.
        {"horizontal, odd", TabcDrawDirection::ddHorizontal, 3, 10, 2, qRgb(255, 255, 255), qRgb(0, 0, 0),
         {{0, 2, qRgb(170, 170, 170)}, {3, 6, qRgb(85, 85, 85)}, {7, 9, qRgb(0, 0, 0)}}},
        // 2 steps over 5 columns: 2.5 -> 2; red 0..1: 0.5 -> 0; blue 0..3: 1.5 -> 2.
        {"horizontal, halves", TabcDrawDirection::ddHorizontal, 2, 5, 3, qRgb(0, 0, 0), qRgb(1, 0, 3),
         {{0, 1, qRgb(0, 0, 2)}, {2, 4, qRgb(1, 0, 3)}}},
        // one step: one band of the end colour, the start colour nowhere
        {"one step", TabcDrawDirection::ddVertical, 1, 3, 4, qRgb(0, 0, 255), qRgb(9, 9, 9),
         {{0, 3, qRgb(9, 9, 9)}}},
    };
    for (const BandCase& c : cases) {
        SCOPED_TRACE(c.name);
        TabcGradient gradient;
        gradient.setDirection(c.direction);
        gradient.setColorCount(c.steps);
        gradient.setColorFrom(QColor(c.from));
        gradient.setColorTo(QColor(c.to));
        const QImage image = paint(gradient, c.w, c.h);
        EXPECT_EQ(countUnpaintedInside(image, c.w, c.h), 0);
        EXPECT_TRUE(outsideUntouched(image, c.w, c.h));
        const bool vertical = c.direction == TabcDrawDirection::ddVertical;
        for (const Band& band : c.bands)
            for (int i = band.first; i <= band.last; ++i)
                for (int across = 0; across < (vertical ? c.w : c.h); ++across) {
                    const QRgb pixel = vertical ? at(image, across, i) : at(image, i, across);
                    ASSERT_EQ(QColor(pixel), QColor(band.color)) << "line " << i << " at " << across;
                }
    }
}

TEST(Gradient, DiagonalsLeaveNoPixelUnpaintedForAnyStepCount)
{
    // Odd counts were the trouble: for 1, 5, 9 ... steps the first half rounds down and the
    // second half starts at the diagonal, which left a strip between them.
    for (TabcDrawDirection direction : {TabcDrawDirection::ddLRDiagonal, TabcDrawDirection::ddRLDiagonal,
                                        TabcDrawDirection::ddCenter}) {
        for (int steps : {1, 2, 3, 4, 5, 7, 9, 17, 235, 236}) {
            for (QSize size : {QSize(40, 30), QSize(7, 61), QSize(3, 3), QSize(1, 9)}) {
                SCOPED_TRACE(testing::Message() << int(direction) << " steps " << steps << " size "
                                                << size.width() << "x" << size.height());
                TabcGradient gradient;
                gradient.setDirection(direction);
                gradient.setColorCount(steps);
                const QImage image = paint(gradient, size.width(), size.height());
                ASSERT_EQ(countUnpaintedInside(image, size.width(), size.height()), 0);
                ASSERT_TRUE(outsideUntouched(image, size.width(), size.height()));
            }
        }
    }
}

TEST(Gradient, DiagonalBandsFollowTheirCornerLines)
{
    // 40 x 30, 4 steps (colour i = (i, 0, 0) from black to (4, 0, 0)). On the top row (centre
    // y = 0.5) the first boundary runs (20, 0)-(0, 15): x = 20 (1 - 0.5 / 15) = 19.33, so columns
    // 0..18 are band 1; the diagonal (40, 0)-(0, 30) gives 39.33: columns 19..38 band 2; column 39
    // band 3. The bottom-right pixel is band 4.
    for (bool mirrored : {false, true}) {
        SCOPED_TRACE(mirrored ? "right to left" : "left to right");
        TabcGradient gradient;
        gradient.setDirection(mirrored ? TabcDrawDirection::ddRLDiagonal : TabcDrawDirection::ddLRDiagonal);
        gradient.setColorCount(4);
        gradient.setColorFrom(Qt::black);
        gradient.setColorTo(QColor(4, 0, 0));
        const QImage image = paint(gradient, 40, 30);
        auto column = [&](int x) { return mirrored ? 39 - x : x; };
        for (int x = 0; x < 40; ++x) {
            const int band = x <= 18 ? 1 : x <= 38 ? 2 : 3;
            ASSERT_EQ(qRed(at(image, column(x), 0)), band) << "column " << x;
        }
        EXPECT_EQ(qRed(at(image, column(39), 29)), 4);
        // the bottom-left pixel's centre (0.5, 29.5) lies just before the diagonal: band 2
        EXPECT_EQ(qRed(at(image, column(0), 29)), 2);
    }
}

TEST(Gradient, CentreClosesInRingByRing)
{
    // 12 x 8, 4 steps: insets (1.5 -> 2, 1), (3, 2), (4.5 -> 4, 3); the fourth (6, 4) is empty.
    TabcGradient gradient;
    gradient.setDirection(TabcDrawDirection::ddCenter);
    gradient.setColorCount(4);
    gradient.setColorFrom(QColor(200, 0, 0));
    gradient.setColorTo(QColor(0, 0, 4));
    const QImage image = paint(gradient, 12, 8);
    // step i: red 200 - 50i, blue i
    EXPECT_EQ(QColor(at(image, 0, 0)), QColor(200, 0, 0));
    EXPECT_EQ(QColor(at(image, 1, 4)), QColor(200, 0, 0));
    EXPECT_EQ(QColor(at(image, 2, 1)), QColor(150, 0, 1));
    EXPECT_EQ(QColor(at(image, 9, 6)), QColor(150, 0, 1));
    EXPECT_EQ(QColor(at(image, 3, 2)), QColor(100, 0, 2));
    EXPECT_EQ(QColor(at(image, 4, 3)), QColor(50, 0, 3));
    EXPECT_EQ(QColor(at(image, 7, 4)), QColor(50, 0, 3));
    EXPECT_EQ(QColor(at(image, 8, 4)), QColor(100, 0, 2));
}

TEST(Gradient, StepCountStaysWithinOneTo236)
{
    TabcGradient gradient;
    EXPECT_EQ(gradient.colorCount(), 236);
    gradient.setColorCount(0);
    EXPECT_EQ(gradient.colorCount(), 1);
    gradient.setColorCount(-5);
    EXPECT_EQ(gradient.colorCount(), 1);
    gradient.setColorCount(300);
    EXPECT_EQ(gradient.colorCount(), 236);
}

TEST(Gradient, StretchNeedsTheBuffer)
{
    TabcGradient gradient;
    gradient.setDrawMethod(TabcGradientDrawMethod::agdStretch);
    EXPECT_TRUE(gradient.drawBuffered());
    gradient.setDrawBuffered(false);
    EXPECT_EQ(gradient.drawMethod(), TabcGradientDrawMethod::agdDraw);
    EXPECT_TRUE(gradient.buffer().isNull());
}

TEST(Gradient, EveryDrawingPropertyAnnouncesAChange)
{
    TabcGradient gradient;
    QSignalSpy spy(&gradient, &TabcGradient::changed);
    gradient.setColorCount(10);
    gradient.setColorCount(10);   // no change, no signal
    gradient.setColorFrom(Qt::red);
    gradient.setColorTo(Qt::green);
    gradient.setDirection(TabcDrawDirection::ddCenter);
    gradient.setDrawMethod(TabcGradientDrawMethod::agdWinAPI);
    gradient.setDrawBuffered(true);
    EXPECT_EQ(spy.count(), 6);
}

TEST(Gradient, BufferIsRepaintedWhenAPropertyOrTheSizeChanges)
{
    TabcGradient gradient;
    gradient.setColorCount(1);
    gradient.setColorTo(Qt::red);
    gradient.setDrawBuffered(true);
    QImage image = paint(gradient, 6, 4);
    EXPECT_EQ(gradient.buffer().size(), QSize(6, 4));
    EXPECT_EQ(QColor(at(image, 5, 3)), QColor(Qt::red));

    gradient.setColorTo(Qt::blue);
    image = paint(gradient, 6, 4);
    EXPECT_EQ(QColor(at(image, 5, 3)), QColor(Qt::blue));

    gradient.setDrawMethod(TabcGradientDrawMethod::agdWinAPI);   // a stale buffer would stay banded
    gradient.setColorFrom(Qt::black);
    gradient.setColorCount(2);
    gradient.setDrawMethod(TabcGradientDrawMethod::agdDraw);
    image = paint(gradient, 10, 8);
    EXPECT_EQ(gradient.buffer().size(), QSize(10, 8));
    EXPECT_EQ(countUnpaintedInside(image, 10, 8), 0);
    EXPECT_EQ(QColor(at(image, 0, 0)), QColor(0, 0, 128));   // step 1 of 2: 127.5 -> 128
}

TEST(Gradient, StretchPaintsASquareOfTheStepCountOnce)
{
    TabcGradient gradient;
    gradient.setColorCount(2);
    gradient.setColorFrom(Qt::black);
    gradient.setColorTo(QColor(0, 0, 200));
    gradient.setDrawMethod(TabcGradientDrawMethod::agdStretch);
    QImage image = paint(gradient, 10, 10);
    EXPECT_EQ(gradient.buffer().size(), QSize(2, 2));
    const qint64 key = gradient.buffer().cacheKey();
    // two rows stretched over ten: rows 0..4 from the first, 5..9 from the second
    for (int y = 0; y < 10; ++y)
        ASSERT_EQ(QColor(at(image, 3, y)), y < 5 ? QColor(0, 0, 100) : QColor(0, 0, 200)) << y;
    image = paint(gradient, 30, 20);
    EXPECT_EQ(gradient.buffer().cacheKey(), key);
    EXPECT_EQ(countUnpaintedInside(image, 30, 20), 0);
}

TEST(Gradient, SmoothMethodRunsFromStartToEndColour)
{
    struct Case { TabcDrawDirection direction; QPoint first, middle, last; };
    // 101 x 61: the ends of each direction, and a point where the colour is halfway
    const Case cases[] = {
        {TabcDrawDirection::ddVertical, {50, 0}, {50, 30}, {50, 60}},
        {TabcDrawDirection::ddHorizontal, {0, 30}, {50, 30}, {100, 30}},
        {TabcDrawDirection::ddLRDiagonal, {0, 0}, {100, 0}, {100, 60}},
        {TabcDrawDirection::ddRLDiagonal, {100, 0}, {0, 0}, {0, 60}},
        {TabcDrawDirection::ddCenter, {0, 0}, {25, 15}, {50, 30}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.direction));
        TabcGradient gradient;
        gradient.setDirection(c.direction);
        gradient.setDrawMethod(TabcGradientDrawMethod::agdWinAPI);
        gradient.setColorFrom(QColor(0, 200, 0));
        gradient.setColorTo(QColor(200, 0, 100));
        const QImage image = paint(gradient, 101, 61);
        EXPECT_EQ(countUnpaintedInside(image, 101, 61), 0);
        auto near = [](QRgb pixel, QColor expected) {
            return std::abs(qRed(pixel) - expected.red()) <= 8 && std::abs(qGreen(pixel) - expected.green()) <= 8
                && std::abs(qBlue(pixel) - expected.blue()) <= 8;
        };
        EXPECT_TRUE(near(at(image, c.first.x(), c.first.y()), QColor(0, 200, 0)));
        EXPECT_TRUE(near(at(image, c.middle.x(), c.middle.y()), QColor(100, 100, 50)));
        EXPECT_TRUE(near(at(image, c.last.x(), c.last.y()), QColor(200, 0, 100)));
    }
}

TEST(Gradient, AssignCopiesColoursStepsAndDirection)
{
    TabcGradient source;
    source.setColorFrom(Qt::red);
    source.setColorTo(Qt::green);
    source.setColorCount(12);
    source.setDirection(TabcDrawDirection::ddHorizontal);
    source.setDrawMethod(TabcGradientDrawMethod::agdWinAPI);
    TabcGradient target;
    QSignalSpy spy(&target, &TabcGradient::changed);
    target.Assign(source);
    EXPECT_EQ(target.colorFrom(), QColor(Qt::red));
    EXPECT_EQ(target.colorTo(), QColor(Qt::green));
    EXPECT_EQ(target.colorMid(), QColor(127, 127, 0));
    EXPECT_EQ(target.colorCount(), 12);
    EXPECT_EQ(target.direction(), TabcDrawDirection::ddHorizontal);
    EXPECT_EQ(target.drawMethod(), TabcGradientDrawMethod::agdDraw);
    EXPECT_EQ(spy.count(), 1);
}
