#pragma once
// Text files of the program: Windows-1251 with CR LF line ends.

#include <QByteArray>
#include <QString>
#include <QStringList>

// false and a Russian error for bytes that are not Windows-1251.
bool decode1251(const QByteArray& bytes, QString* text, QString* error);
// Refuses a character that has no Windows-1251 byte (naming it) instead of writing "?".
bool encode1251(const QString& text, QByteArray* bytes, QString* error);

// Whole small files only (settings, lists): a larger file is refused with a message. Files that
// may be large, exchange files above all, go line by line through TextFileReader.
inline constexpr qint64 kMaxText1251Bytes = qint64(16) << 20;

// false and a message naming the file when it cannot be read, is larger than kMaxText1251Bytes,
// was saved as UTF-8 or is not Windows-1251.
bool readText1251(const QString& path, QString* text, QString* error);
// Lines without their CR LF (or LF) ends; a last empty line is not returned. Read through
// readTextLines: also refused are a line past 1 MB and a file that is not text.
bool readLines1251(const QString& path, QStringList* lines, QString* error);
// Writes through a temporary file: the old file stays whole until the new one is complete.
bool writeText1251(const QString& path, const QString& text, QString* error);
// Each line ended by CR LF.
bool writeLines1251(const QString& path, const QStringList& lines, QString* error);
