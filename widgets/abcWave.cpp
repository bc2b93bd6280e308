#include "widgets/abcWave.h"

namespace {
SoundFlags flagsOfMode(int mode)
{
    switch (mode) {
    case 0: return SoundFlag::Async | SoundFlag::NoDefault;
    case 1: return SoundFlag::NoDefault;
    case 2: return SoundFlag::Async | SoundFlag::NoDefault | SoundFlag::Loop;
    }
    return {};
}
}

TabcCustomWave::TabcCustomWave(QObject* parent)
    : QObject(parent), m_playFlags(flagsOfMode(0))
{
}

void TabcCustomWave::setPlayMode(int mode)
{
    if (mode == m_playMode || mode < 0 || mode > 2)
        return;
    // a loop left running under the old mode would never end
    Stop();
    m_playFlags = flagsOfMode(mode);
    m_playMode = mode;
}

bool TabcCustomWave::Play()
{
    if (m_sound.isEmpty())
        return false;
    return playSound(m_sound, m_playFlags);
}

void TabcCustomWave::Stop() { stopSound(); }

TabcCustomWaveList::TabcCustomWaveList(QObject* parent) : TabcCustomWave(parent) {}
