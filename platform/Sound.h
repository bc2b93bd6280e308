#pragma once
// Short sounds of the interface (a link under the pointer, a pressed link). A sound is named: a
// file path, relative to the program folder unless absolute, or a Qt resource (":/...").
// The desktop backend plays it where the desktop has a player and stays silent elsewhere
// (and always on the offscreen platform of the tests); tests install a recorder instead.

#include <QFlags>
#include <QString>

enum class SoundFlag : unsigned {
    Async = 0x1,      // return at once; without it the call waits until the sound has played
    NoDefault = 0x2,  // a sound that cannot be found stays silent instead of the system beep
    Loop = 0x8,       // repeat until stopSound() or the next sound; only with Async
};
Q_DECLARE_FLAGS(SoundFlags, SoundFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(SoundFlags)

class SoundBackend {
public:
    virtual ~SoundBackend() = default;
    // Starts the named sound, replacing one that is playing; false when nothing was started.
    virtual bool play(const QString& name, SoundFlags flags) = 0;
    // Stops whatever this process is playing; nothing playing is no error.
    virtual void stop() = 0;
    // The short warning sound of a refused key or command.
    virtual void beep() = 0;
};

// The backend in force: the desktop one in the program, a recorder in tests.
SoundBackend& soundBackend();
// Installs b (not owned) and returns the previous one; nullptr puts the desktop one back.
SoundBackend* setSoundBackend(SoundBackend* b);

// The system beep for a sound that cannot be found; the application object installs it (the
// beep belongs to Qt Widgets). Without one such a sound stays silent.
void setSystemBeep(void (*beep)());

bool playSound(const QString& name, SoundFlags flags);
void stopSound();
// The system beep through the backend in force (a recorder in tests); silent without one.
void beep();
