#pragma once
// Text files of the program: Windows-1251 with CR LF line ends.

#include <QByteArray>
#include <QString>
#include <QStringList>

// false and a Russian error for bytes that are not Windows-1251.
bool decode1251(const QByteArray& bytes, QString* text, QString* error);
// Refuses a character that has no Windows-1251 byte (naming it) instead of writing "?".
bool encode1251(const QString& text, QByteArray* bytes, QString* error);

bool readText1251(const QString& path, QString* text, QString* error);
// Lines without their CR LF (or LF) ends; a last empty line is not returned.
bool readLines1251(const QString& path, QStringList* lines, QString* error);
// Writes through a temporary file: the old file stays whole until the new one is complete.
bool writeText1251(const QString& path, const QString& text, QString* error);
// Each line ended by CR LF.
bool writeLines1251(const QString& path, const QStringList& lines, QString* error);
