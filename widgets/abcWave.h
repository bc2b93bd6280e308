#pragma once
// Sounds a component can play: one named sound, and the numbered list a hot-link label plays
// from. A sound is named as platform/Sound.h takes it (a file or a ":/" resource).

#include "platform/Sound.h"

#include <QObject>
#include <QStringList>

class TabcCustomWave : public QObject {
    Q_OBJECT
public:
    explicit TabcCustomWave(QObject* parent = nullptr);

    // 0 asynchronous, 1 synchronous, 2 asynchronous and looping; other values are ignored.
    int playMode() const { return m_playMode; }
    virtual void setPlayMode(int mode);
    SoundFlags playFlags() const { return m_playFlags; }

    // The sound played; nothing is played while it is empty.
    QString sound() const { return m_sound; }
    void setSound(const QString& name) { m_sound = name; }

    // Whether the sound was started; false without a sound.
    virtual bool Play();
    // Stops any sound the program is playing, not only this one's.
    virtual void Stop();

private:
    SoundFlags m_playFlags;
    int m_playMode = 0;
    QString m_sound;
};

// A numbered list of sounds; what a number plays is the descendant's business.
class TabcCustomWaveList : public TabcCustomWave {
    Q_OBJECT
public:
    explicit TabcCustomWaveList(QObject* parent = nullptr);

    QStringList names() const { return m_names; }
    void setNames(const QStringList& names) { m_names = names; }
    int currentIndex() const { return m_currentIndex; }

    virtual bool PlayIndex(int index) = 0;

protected:
    void setCurrentIndex(int index) { m_currentIndex = index; }

private:
    QStringList m_names;
    int m_currentIndex = -1;
};
