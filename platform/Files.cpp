#include "platform/Files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>

#if defined(Q_OS_WIN)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace Files {

QString safeFileName(const QString& name)
{
    QString base;
    base.reserve(name.size());
    for (const QChar c : name)
        base += (c.unicode() < 0x20 || c.unicode() == 0x7f || QStringLiteral("\\/:*?\"<>|").contains(c)) ? QChar(u'_') : c;
    base = base.left(120).trimmed();
    // Windows drops dots and blanks at the end of a file name.
    while (base.endsWith(QLatin1Char('.')) || base.endsWith(QLatin1Char(' ')))
        base.chop(1);
    return base;
}

namespace {
QString g_programFolder;
}

QString programFolder()
{
    if (!g_programFolder.isEmpty())
        return g_programFolder;
    return QCoreApplication::applicationDirPath();
}

void setProgramFolder(const QString& folder) { g_programFolder = folder; }

QString settingsPath() { return join(programFolder(), QStringLiteral("kestrin.ini")); }

QString templateDataDatabase() { return join(programFolder(), QStringLiteral("source"), QStringLiteral("data0.mdb")); }

QString join(const QString& a, const QString& b)
{
    if (a.isEmpty())
        return b;
    if (a.endsWith(QLatin1Char('/')) || a.endsWith(QLatin1Char('\\')))
        return a + b;
    return a + QLatin1Char('/') + b;
}

QString join(const QString& a, const QString& b, const QString& c) { return join(join(a, b), c); }

bool exists(const QString& path) { return QFileInfo::exists(path); }

bool isFolder(const QString& path) { return QFileInfo(path).isDir(); }

bool makeFolder(const QString& path, QString* error)
{
    if (QDir().mkpath(path))
        return true;
    *error = QStringLiteral("Не удалось создать папку %1").arg(path);
    return false;
}

bool copyFile(const QString& from, const QString& to, bool overwrite, QString* error)
{
    if (!QFileInfo(from).isFile()) {
        *error = QStringLiteral("Нет файла %1").arg(from);
        return false;
    }
    if (QFileInfo::exists(to)) {
        if (!overwrite) {
            *error = QStringLiteral("Файл %1 уже есть").arg(to);
            return false;
        }
        if (!QFile::remove(to)) {
            *error = QStringLiteral("Не удалось заменить файл %1").arg(to);
            return false;
        }
    }
    QFile source(from);
    if (!source.copy(to)) {
        *error = QStringLiteral("Не удалось скопировать файл %1 в %2: %3").arg(from, to, source.errorString());
        return false;
    }
    return true;
}

bool copyFolder(const QString& from, const QString& to, QString* error)
{
    QDir src(from);
    if (!src.exists()) {
        *error = QStringLiteral("Нет папки %1").arg(from);
        return false;
    }
    if (!makeFolder(to, error))
        return false;
    for (const QFileInfo& info : src.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)) {
        const QString target = join(to, info.fileName());
        const bool ok = info.isDir() ? copyFolder(info.filePath(), target, error)
                                     : copyFile(info.filePath(), target, true, error);
        if (!ok)
            return false;
    }
    return true;
}

namespace {

// The written bytes reach the disk before the rename makes them the file: after a power cut the
// name holds the old file or the new one, never an empty one.
bool syncToDisk(QFile& file)
{
#if defined(Q_OS_WIN)
    return _commit(file.handle()) == 0;
#else
    return ::fsync(file.handle()) == 0;
#endif
}

bool replaceFile(const QString& from, const QString& to, QString* reason)
{
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(QFile::encodeName(from).toStdString()),
                            std::filesystem::path(QFile::encodeName(to).toStdString()), ec);
    if (ec)
        *reason = QString::fromLocal8Bit(ec.message().c_str());
    return !ec;
}

}

QString temporaryPathFor(const QString& path) { return path + QStringLiteral(".tmp"); }

bool saveFileSafely(const QString& path, const std::function<bool(QIODevice*)>& write, QString* error)
{
    // One fixed name per target: a save killed midway leaves one file behind, and the next save
    // of the same target writes over it instead of adding another.
    const QString temporary = temporaryPathFor(path);
    QFile file(temporary);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        *error = QStringLiteral("Не удалось создать файл %1: %2").arg(temporary, file.errorString());
        return false;
    }
    if (!write(&file)) {
        file.close();
        QFile::remove(temporary);
        return false;
    }
    // The new file keeps the old one's permissions, as an edit in place would.
    if (QFileInfo::exists(path))
        file.setPermissions(QFileInfo(path).permissions());
    QString reason;
    const bool onDisk = file.flush() && syncToDisk(file);
    if (!onDisk)
        reason = file.errorString();
    file.close();
    if (!onDisk || !replaceFile(temporary, path, &reason)) {
        QFile::remove(temporary);
        *error = QStringLiteral("Не удалось записать файл %1: %2").arg(path, reason);
        return false;
    }
    return true;
}

bool saveBytesSafely(const QString& path, const QByteArray& bytes, QString* error)
{
    return saveFileSafely(path, [&](QIODevice* device) {
        if (device->write(bytes) == bytes.size())
            return true;
        *error = QStringLiteral("Не удалось записать файл %1: %2").arg(path, device->errorString());
        return false;
    }, error);
}

bool removeFile(const QString& path, QString* error)
{
    if (!QFileInfo::exists(path))
        return true;
    if (QFile::remove(path))
        return true;
    *error = QStringLiteral("Не удалось удалить файл %1").arg(path);
    return false;
}

bool removeFolder(const QString& path, QString* error)
{
    if (!QFileInfo::exists(path))
        return true;
    if (QDir(path).removeRecursively())
        return true;
    *error = QStringLiteral("Не удалось удалить папку %1").arg(path);
    return false;
}

QStringList listFolders(const QString& folder)
{
    return QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

QStringList listFiles(const QString& folder, const QStringList& nameFilters)
{
    return QDir(folder).entryList(nameFilters, QDir::Files, QDir::Name);
}

}
