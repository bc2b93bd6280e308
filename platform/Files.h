#pragma once
// Folders and files: every operation checks its result and says what failed, in Russian.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

class QIODevice;

namespace Files {

// The folder of the running executable; tests may point it elsewhere.
QString programFolder();
void setProgramFolder(const QString& folder);   // empty puts the real one back
// The settings file: kestrin.ini in the program folder.
QString settingsPath();
// The template of a data database: source/data0.mdb in the program folder.
QString templateDataDatabase();

// A name (not a path) that every file system takes: "/", "\\", control characters and the other
// characters Windows refuses become "_", blanks at the ends and dots at the end go, and it is cut to
// 120 characters. Empty when nothing is left; the caller chooses a fallback.
QString safeFileName(const QString& name);

// Joins path pieces with "/".
QString join(const QString& a, const QString& b);
QString join(const QString& a, const QString& b, const QString& c);

bool exists(const QString& path);
bool isFolder(const QString& path);
bool makeFolder(const QString& path, QString* error);           // with missing parents
bool copyFile(const QString& from, const QString& to, bool overwrite, QString* error);
bool copyFolder(const QString& from, const QString& to, QString* error);  // recursive, overwrite
bool removeFile(const QString& path, QString* error);           // a missing file is no error
bool removeFolder(const QString& path, QString* error);         // recursive; missing is no error
// Writes `path` through a temporary file beside it that takes its place only when `write`
// succeeded and the bytes are on the disk, so a failure leaves an older file whole. A failure to
// create or replace the file is put in *error; when `write` fails, its own reason stands. The
// temporary file has the fixed name temporaryPathFor(path) and is gone after every return.
bool saveFileSafely(const QString& path, const std::function<bool(QIODevice*)>& write, QString* error);
QString temporaryPathFor(const QString& path);
bool saveBytesSafely(const QString& path, const QByteArray& bytes, QString* error);
// Names (not paths) of the sub-folders / files of a folder, sorted by name.
QStringList listFolders(const QString& folder);
QStringList listFiles(const QString& folder, const QStringList& nameFilters = {});

// Why a read or write of `device` failed, in Russian. The system says it in the desktop's
// language, English on most machines ("Permission denied"); those words are said in Russian,
// and what has none becomes the kind of failure ("ошибка записи").
QString errorText(const QIODevice& device);
// The same for a system's message about a file given as text (std::error_code::message()).
QString systemErrorText(const QString& message);

// How the file dialogs show a file's size ("512 байт", "1.5 КБ", "2.0 МБ") and kind ("Папка",
// "Файл .mdb"), in the program's words whatever the desktop's language.
QString sizeText(qint64 bytes);
QString kindText(bool folder, const QString& suffix);

}
