#include "platform/Sound.h"

#include "platform/Files.h"

#include <QGuiApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <memory>

namespace {

void (*g_beep)() = nullptr;

// No multimedia library is linked in, so the desktop's own command-line player does the work.
class DesktopSound final : public SoundBackend {
public:
    ~DesktopSound() override { stop(); }

    bool play(const QString& name, SoundFlags flags) override
    {
        stop();
        if (!desktopCanPlay())
            return false;
        const QString path = resolve(name);
        if (path.isEmpty()) {
            if (!flags.testFlag(SoundFlag::NoDefault) && g_beep)
                g_beep();
            return false;
        }
        QStringList arguments;
        const QString player = findPlayer(path, &arguments);
        if (player.isEmpty())
            return false;

        m_process = std::make_unique<QProcess>();
        m_process->setProgram(player);
        m_process->setArguments(arguments);
        m_process->setStandardOutputFile(QProcess::nullDevice());
        m_process->setStandardErrorFile(QProcess::nullDevice());
        m_looping = flags.testFlag(SoundFlag::Async) && flags.testFlag(SoundFlag::Loop);
        if (m_looping) {
            QProcess* process = m_process.get();
            QObject::connect(process, &QProcess::finished, process, [this, process] {
                if (m_looping && m_process.get() == process)
                    process->start();
            });
        }
        m_process->start();
        if (!m_process->waitForStarted(3000)) {
            m_looping = false;
            m_process.reset();
            return false;
        }
        if (!flags.testFlag(SoundFlag::Async)) {
            // a player that hangs must not hang the program with it
            m_process->waitForFinished(30000);
            stop();
        }
        return true;
    }

    void stop() override
    {
        m_looping = false;
        if (!m_process)
            return;
        if (m_process->state() != QProcess::NotRunning) {
            m_process->kill();
            m_process->waitForFinished(1000);
        }
        m_process.reset();
    }

    void beep() override
    {
        if (g_beep)
            g_beep();
    }

private:
    static bool desktopCanPlay()
    {
        // Not qApp: with QApplication included it is a static downcast, undefined where the
        // program runs a plain QCoreApplication (the logic tests, the conversion utility).
        if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
            return false;
        const QString platform = QGuiApplication::platformName();
        return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
    }

    // A resource is copied out once, since an outside player cannot read it.
    QString resolve(const QString& name)
    {
        if (name.startsWith(QLatin1Char(':'))) {
            if (const auto it = m_extracted.constFind(name); it != m_extracted.constEnd())
                return *it;
            if (!QFile::exists(name))
                return QString();
            if (!m_tempDir)
                m_tempDir = std::make_unique<QTemporaryDir>();
            if (!m_tempDir->isValid())
                return QString();
            const QString target = m_tempDir->filePath(
                QString::number(m_extracted.size()) + QLatin1Char('_') + QFileInfo(name).fileName());
            if (!QFile::copy(name, target))
                return QString();
            m_extracted.insert(name, target);
            return target;
        }
        const QString path = QDir::isAbsolutePath(name) ? name : Files::join(Files::programFolder(), name);
        return QFileInfo(path).isFile() ? path : QString();
    }

    static QString findPlayer(const QString& path, QStringList* arguments)
    {
#if defined(Q_OS_WIN)
        const QString shell = QStandardPaths::findExecutable(QStringLiteral("powershell"));
        if (shell.isEmpty())
            return QString();
        QString quoted = QDir::toNativeSeparators(path);
        quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
        *arguments = {QStringLiteral("-NoProfile"), QStringLiteral("-NonInteractive"), QStringLiteral("-Command"),
                      QStringLiteral("(New-Object Media.SoundPlayer '%1').PlaySync()").arg(quoted)};
        return shell;
#else
        for (const char* candidate : {"paplay", "pw-play", "aplay", "afplay"}) {
            const QString player = QStandardPaths::findExecutable(QString::fromLatin1(candidate));
            if (player.isEmpty())
                continue;
            *arguments = {path};
            if (qstrcmp(candidate, "aplay") == 0)
                arguments->prepend(QStringLiteral("-q"));
            return player;
        }
        return QString();
#endif
    }

    std::unique_ptr<QProcess> m_process;
    bool m_looping = false;
    std::unique_ptr<QTemporaryDir> m_tempDir;
    QHash<QString, QString> m_extracted;
};

SoundBackend* g_current = nullptr;

DesktopSound& desktop()
{
    static DesktopSound sound;
    return sound;
}

}

SoundBackend& soundBackend() { return g_current ? *g_current : desktop(); }

void setSystemBeep(void (*beep)()) { g_beep = beep; }

SoundBackend* setSoundBackend(SoundBackend* b)
{
    SoundBackend* old = g_current;
    g_current = b;
    return old;
}

bool playSound(const QString& name, SoundFlags flags) { return soundBackend().play(name, flags); }

void stopSound() { soundBackend().stop(); }

void beep() { soundBackend().beep(); }
