#include "widgets/abcMouseLabel.h"
#include "RecordingSound.h"
#include "PrintTo.h"

#include <QCursor>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using E = TabcLabelMouseEffect;
using Pass = TabcCustomMouseLabel::TextPass;

const QString kOverSound = QStringLiteral("play over.wav async nodefault");
const QString kDownSound = QStringLiteral("play down.wav async nodefault");

// A window with one link, pointed at through the desktop's cursor, so that enter and leave
// arrive as Qt delivers them. The link's events and the sounds go into one log, in order.
class LinkWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.resize(300, 120);
        link = new TabcMouseLabel(QStringLiteral("Отчетные формы"), &window);
        link->setObjectName(QStringLiteral("abcMouseLabel3"));
        link->setGeometry(20, 20, 150, 24);
        link->setFontColor(Qt::black);
        link->setSoundList(sounds);
        link->setSoundOver(0);
        link->setSoundDown(1);
        QObject::connect(link, &TabcMouseLabel::OnMouseEnter, [this] { log() << QStringLiteral("enter"); });
        QObject::connect(link, &TabcMouseLabel::OnMouseLeave, [this] { log() << QStringLiteral("leave"); });
        QObject::connect(link, &TabcMouseLabel::OnClick, [this] { log() << QStringLiteral("click"); });
        // the pointer starts off every window: a window shown under it would be entered at once
        QCursor::setPos(QPoint(2000, 2000));
        QCoreApplication::processEvents();
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        pointAt(outside);
        log().clear();
    }

    QStringList& log() { return sound.calls; }
    void pointAt(QPoint inWindow) { QTest::mouseMove(&window, inWindow); }
    QPoint onLink(QPoint inWindow) const { return link->mapFrom(&window, inWindow); }
    void press(QPoint inWindow) { QTest::mousePress(link, Qt::LeftButton, {}, onLink(inWindow)); }
    void release(QPoint inWindow) { QTest::mouseRelease(link, Qt::LeftButton, {}, onLink(inWindow)); }
    QString state() const
    {
        return QString::fromLatin1(link->isOver() ? "over" : "-") + QString::fromLatin1(link->isDown() ? " down" : "");
    }

    const QPoint inside{60, 30};
    const QPoint outside{250, 100};
    RecordingSound sound;
    QWidget window;
    NamedSounds* sounds = new NamedSounds({QStringLiteral("over.wav"), QStringLiteral("down.wav")}, &window);
    TabcMouseLabel* link = nullptr;
};

}

TEST_F(LinkWindow, ClickInsideReturnsToTheOverLookWithoutASecondEnter)
{
    pointAt(inside);
    EXPECT_EQ(state(), "over");
    EXPECT_TRUE(link->appearance().underline);
    press(inside);
    EXPECT_EQ(state(), "over down");
    release(inside);
    EXPECT_EQ(state(), "over");
    EXPECT_TRUE(link->appearance().underline);
    pointAt(outside);
    EXPECT_EQ(state(), "-");
    EXPECT_FALSE(link->appearance().underline);
    EXPECT_EQ(log(), (QStringList{kOverSound, "enter", kDownSound, "click", "leave"}));
}

TEST_F(LinkWindow, ReleaseOutsideLeavesItPlainWithOneLeave)
{
    pointAt(inside);
    press(inside);
    QTest::mouseMove(link, onLink(outside));   // dragged off with the button held
    EXPECT_EQ(state(), "over down");
    release(outside);
    EXPECT_EQ(state(), "-");
    EXPECT_FALSE(link->appearance().underline);
    pointAt(QPoint(280, 110));   // the leave Qt delivers late changes nothing
    EXPECT_EQ(log(), (QStringList{kOverSound, "enter", kDownSound, "leave"}));
}

TEST_F(LinkWindow, DisabledLinkIsEngravedAndSilent)
{
    link->setEnabled(false);
    pointAt(inside);
    EXPECT_EQ(state(), "-");
    const auto look = link->appearance();
    EXPECT_FALSE(look.underline);
    EXPECT_EQ(look.passes, (QList<Pass>{{QPoint(1, 1), link->palette().color(QPalette::Light)},
                                        {QPoint(0, 0), link->palette().color(QPalette::Dark)}}));
    EXPECT_TRUE(log().isEmpty());

    link->setEnabled(true);   // enabled under the pointer: it is entered now
    EXPECT_EQ(state(), "over");
    link->setEnabled(false);
    pointAt(outside);
    link->setEnabled(true);   // left while disabled: no second leave
    EXPECT_EQ(state(), "-");
    EXPECT_EQ(log(), (QStringList{kOverSound, "enter", "leave"}));
}

TEST_F(LinkWindow, EnablingALinkNeverEnteredRaisesNothing)
{
    link->setEnabled(false);
    link->setEnabled(true);
    EXPECT_EQ(state(), "-");
    EXPECT_TRUE(log().isEmpty());
}

TEST_F(LinkWindow, LoopingSoundStopsOnLeave)
{
    sounds->setPlayMode(2);
    log().clear();
    pointAt(inside);
    pointAt(outside);
    EXPECT_EQ(log(), (QStringList{"play over.wav async nodefault loop", "enter", "stop", "leave"}));
}

TEST_F(LinkWindow, EffectsWithoutSoundAndALinkWithoutListPlayNothing)
{
    link->setMouseOverEffects(E::almUnderline);
    link->setMouseDownEffects(E::almUnderline);
    pointAt(inside);
    press(inside);
    release(inside);
    EXPECT_EQ(log(), (QStringList{"enter", "click"}));

    delete sounds;   // the link must forget the deleted list
    EXPECT_EQ(link->soundList(), nullptr);
    link->setMouseOverEffects(E::almSound);
    pointAt(outside);
    pointAt(inside);
    EXPECT_EQ(log(), (QStringList{"enter", "click", "leave", "enter"}));
}

TEST_F(LinkWindow, ColourEffectsAndTheDownOnesWinOverTheOverOnes)
{
    link->setMouseOverEffects(E::almColor);
    link->setMouseDownEffects(E::almColorShadow | E::almUnderline);
    const QColor yellow(255, 255, 0), aqua(0, 255, 255), black(0, 0, 0);
    EXPECT_EQ(link->appearance().passes, (QList<Pass>{{QPoint(0, 0), black}}));
    pointAt(inside);
    EXPECT_FALSE(link->appearance().underline);
    EXPECT_EQ(link->appearance().passes, (QList<Pass>{{QPoint(0, 0), yellow}}));
    press(inside);
    EXPECT_TRUE(link->appearance().underline);
    EXPECT_EQ(link->appearance().passes,
              (QList<Pass>{{QPoint(-1, -1), aqua}, {QPoint(1, 1), aqua}, {QPoint(0, 0), black}}));
    release(inside);
    EXPECT_EQ(link->appearance().passes, (QList<Pass>{{QPoint(0, 0), yellow}}));
}

TEST_F(LinkWindow, PaintingShowsTheOverColour)
{
    // black text on black: only the effect's colour can show
    QPalette palette = link->palette();
    palette.setColor(QPalette::Window, Qt::black);
    link->setPalette(palette);
    link->setAutoFillBackground(true);
    link->setMouseOverEffects(E::almColor);
    auto countYellowish = [this] {
        const QImage image = link->grab().toImage();
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                n += qRed(p) > 100 && qGreen(p) > 100 && qBlue(p) < 60;
            }
        return n;
    };
    EXPECT_EQ(countYellowish(), 0);
    pointAt(inside);
    EXPECT_GT(countYellowish(), 50);
    pointAt(outside);
    EXPECT_EQ(countYellowish(), 0);
}

TEST(MouseLabel, ColourAndShadowExcludeEachOther)
{
    struct Case { TabcLabelMouseEffects before, given, stored; };
    const Case cases[] = {
        {E::almColor, E::almColor | E::almColorShadow, E::almColorShadow},
        {E::almColorShadow, E::almColorShadow | E::almColor, E::almColor},
        {{}, E::almColor | E::almColorShadow | E::almSound, E::almColorShadow | E::almSound},
        {E::almUnderline, E::almUnderline | E::almColor, E::almUnderline | E::almColor},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.given));
        TabcMouseLabel over, down;
        over.setMouseOverEffects(c.before);
        over.setMouseOverEffects(c.given);
        EXPECT_EQ(over.mouseOverEffects(), c.stored);
        down.setMouseDownEffects(c.before);
        down.setMouseDownEffects(c.given);
        EXPECT_EQ(down.mouseDownEffects(), c.stored);
    }
}

TEST(MouseLabel, StartsAsTheComponentDoes)
{
    TabcMouseLabel link;
    EXPECT_EQ(link.mouseOverColor(), QColor(255, 255, 0));
    EXPECT_EQ(link.mouseDownColor(), QColor(0, 255, 255));
    EXPECT_EQ(link.mouseOverEffects(), E::almUnderline | E::almSound);
    EXPECT_EQ(link.mouseDownEffects(), E::almUnderline | E::almSound);
    EXPECT_EQ(link.soundList(), nullptr);
    EXPECT_EQ(link.soundOver(), 0);
    EXPECT_EQ(link.soundDown(), 0);
    // an empty caption still measures one line
    EXPECT_EQ(link.sizeHint().height(), QFontMetrics(link.font()).height());
}
