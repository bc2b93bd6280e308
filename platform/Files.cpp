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
        *error = QStringLiteral("Не удалось скопировать файл %1 в %2: %3").arg(from, to, errorText(source));
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

QString sizeText(qint64 bytes)
{
    if (bytes < 1024)
        return QStringLiteral("%1 байт").arg(bytes);
    const char* const units[] = {"КБ", "МБ", "ГБ", "ТБ"};
    double value = double(bytes) / 1024;
    int unit = 0;
    while (value >= 1024 && unit < 3) {
        value /= 1024;
        ++unit;
    }
    // QString::number writes "." whatever the locale
    return QString::number(value, 'f', 1) + QLatin1Char(' ') + QString::fromUtf8(units[unit]);
}

QString kindText(bool folder, const QString& suffix)
{
    if (folder)
        return QStringLiteral("Папка");
    return suffix.isEmpty() ? QStringLiteral("Файл") : QStringLiteral("Файл .") + suffix.toLower();
}

namespace {

// The system's words for what goes wrong with a file (glibc's and Windows' texts), in Russian.
// Empty when the text is none of them.
QString russianReason(const QString& message)
{
    static const std::pair<const char*, const char*> reasons[] = {
        {"No such file or directory", "нет такого файла или папки"},
        {"The system cannot find the file specified", "нет такого файла"},
        {"The system cannot find the path specified", "нет такой папки"},
        {"Permission denied", "нет прав доступа"},
        {"Access is denied", "нет прав доступа"},
        {"Operation not permitted", "действие не разрешено"},
        {"No space left on device", "нет места на диске"},
        {"There is not enough space on the disk", "нет места на диске"},
        {"Disk quota exceeded", "превышена квота диска"},
        {"Read-only file system", "диск доступен только для чтения"},
        {"Is a directory", "это папка, а не файл"},
        {"Not a directory", "в пути вместо папки файл"},
        {"File exists", "файл уже есть"},
        {"Directory not empty", "папка не пуста"},
        {"File name too long", "слишком длинное имя файла"},
        {"File too large", "файл слишком велик"},
        {"Too many open files", "открыто слишком много файлов"},
        {"Device or resource busy", "файл занят"},
        {"Text file busy", "файл занят"},
        {"The process cannot access the file because it is being used by another process", "файл занят другой программой"},
        {"Input/output error", "ошибка ввода-вывода"},
        {"No such device", "нет такого устройства"},
        {"Invalid argument", "неверное имя или параметр"},
        {"Unknown error", "неизвестная ошибка"},
    };
    for (const auto& [english, russian] : reasons)
        if (message.startsWith(QLatin1String(english), Qt::CaseInsensitive))
            return QString::fromUtf8(russian);
    return QString();
}

bool hasLatin(const QString& text)
{
    for (QChar c : text)
        if ((c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z')))
            return true;
    return false;
}

}  // namespace

QString systemErrorText(const QString& message)
{
    if (!hasLatin(message))
        return message.isEmpty() ? QStringLiteral("неизвестная ошибка") : message;
    const QString russian = russianReason(message.trimmed());
    return russian.isEmpty() ? QStringLiteral("ошибка ввода-вывода") : russian;
}

QString errorText(const QIODevice& device)
{
    const QString message = device.errorString();
    if (!message.isEmpty() && !hasLatin(message))
        return message;   // the desktop speaks Russian, or Qt's Russian translation did
    if (const QString russian = russianReason(message.trimmed()); !russian.isEmpty())
        return russian;
    if (const auto* file = qobject_cast<const QFileDevice*>(&device)) {
        switch (file->error()) {
        case QFileDevice::ReadError: return QStringLiteral("ошибка чтения");
        case QFileDevice::WriteError: return QStringLiteral("ошибка записи");
        case QFileDevice::ResourceError: return QStringLiteral("не хватает места на диске или памяти");
        case QFileDevice::OpenError: return QStringLiteral("файл не открывается");
        case QFileDevice::PermissionsError: return QStringLiteral("нет прав доступа");
        case QFileDevice::RenameError: return QStringLiteral("файл не удалось переименовать");
        case QFileDevice::RemoveError: return QStringLiteral("файл не удалось удалить");
        case QFileDevice::CopyError: return QStringLiteral("файл не удалось скопировать");
        case QFileDevice::AbortError: return QStringLiteral("запись прервана");
        default: break;
        }
    }
    return QStringLiteral("ошибка ввода-вывода");
}

}
