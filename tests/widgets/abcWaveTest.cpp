#include "RecordingSound.h"
#include "PrintTo.h"

#include <gtest/gtest.h>

TEST(Wave, PlayModesGiveTheirFlags)
{
    struct Case { int mode; const char* call; };
    const Case cases[] = {
        {1, "play a.wav nodefault"},
        {2, "play a.wav async nodefault loop"},
        {0, "play a.wav async nodefault"},
    };
    RecordingSound sound;
    TabcCustomWave wave;
    wave.setSound(QStringLiteral("a.wav"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        sound.calls.clear();
        wave.setPlayMode(c.mode);
        ASSERT_TRUE(wave.Play());
        // a change of mode first stops what the old mode may still be playing
        EXPECT_EQ(sound.calls, (QStringList{QStringLiteral("stop"), QString::fromUtf8(c.call)}));
    }
}

TEST(Wave, SameOrUnknownModeChangesNothing)
{
    RecordingSound sound;
    TabcCustomWave wave;
    wave.setPlayMode(0);
    wave.setPlayMode(7);
    EXPECT_EQ(wave.playMode(), 0);
    EXPECT_EQ(wave.playFlags(), SoundFlag::Async | SoundFlag::NoDefault);
    EXPECT_TRUE(sound.calls.isEmpty());
}

TEST(Wave, WithoutSoundNothingIsPlayed)
{
    RecordingSound sound;
    TabcCustomWave wave;
    EXPECT_FALSE(wave.Play());
    EXPECT_TRUE(sound.calls.isEmpty());
}

TEST(Wave, ProgramWithoutDesktopStaysSilent)
{
    // no recorder: the desktop backend, which has no display to play on here
    TabcCustomWave wave;
    wave.setSound(QStringLiteral(KESTRIN_SOURCE_DIR "/CMakeLists.txt"));
    EXPECT_FALSE(wave.Play());
}
