#pragma once
// A sound backend that plays nothing and writes down what it was asked, and a sound list that
// plays its names by number.

#include "platform/Sound.h"
#include "widgets/abcWave.h"

#include <QStringList>

class RecordingSound final : public SoundBackend {
public:
    RecordingSound() : m_previous(setSoundBackend(this)) {}
    ~RecordingSound() override { setSoundBackend(m_previous); }

    bool play(const QString& name, SoundFlags flags) override
    {
        QString text = QStringLiteral("play ") + name;
        if (flags.testFlag(SoundFlag::Async))
            text += QStringLiteral(" async");
        if (flags.testFlag(SoundFlag::NoDefault))
            text += QStringLiteral(" nodefault");
        if (flags.testFlag(SoundFlag::Loop))
            text += QStringLiteral(" loop");
        calls << text;
        return true;
    }
    void stop() override { calls << QStringLiteral("stop"); }
    void beep() override { calls << QStringLiteral("beep"); }

    QStringList calls;

private:
    SoundBackend* m_previous;
};

class NamedSounds final : public TabcCustomWaveList {
public:
    explicit NamedSounds(const QStringList& names, QObject* parent = nullptr) : TabcCustomWaveList(parent)
    {
        setNames(names);
    }
    bool PlayIndex(int index) override
    {
        if (index < 0 || index >= names().size())
            return false;
        setCurrentIndex(index);
        setSound(names().at(index));
        return Play();
    }
};
