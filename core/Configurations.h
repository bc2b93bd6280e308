#pragma once
// The settings file and the configuration that is open. A configuration is a named folder with
// one sub-folder per report year; the settings file lists the configurations (name = folder, in
// file order) and remembers the last opened one and its year. The conversion utility reads the
// same file, so it is read afresh for every group of reads or writes and nothing of it is kept
// here but what the main window chose.

#include <QString>
#include <QStringList>

// Folder of the open configuration with "/" appended, so that CfgDir + year names a year folder;
// empty while no configuration is open.
inline QString CfgDir;
// Name of the open configuration (empty at start) and its position in the configuration list
// (-1 while none is open).
inline QString ConfigName;
inline int ConfigIndex = -1;

namespace Configurations {

inline const QString CurrentSection = QStringLiteral("Конфигурация");
inline const QString ListSection = QStringLiteral("Конфигурации");
inline const QString YearKey = QStringLiteral("Year");
inline const QString LastKey = QStringLiteral("Last");

bool settingsExist();
// Why the settings file is there but cannot be read (unreadable, not Windows-1251, saved as
// UTF-8); empty when it can be read or is not there. Such a file is never written.
QString settingsProblem();
// The configuration names in file order.
QStringList names();
// The folder stored for a name (letter case ignored, as in the file); empty when not listed.
QString folder(const QString& name);
// "Year" and "Last" of section "Конфигурация", or the defaults when missing or not a number.
int storedYear(int def);
int storedLast();

// Each returns false and sets `error` when the file could not be written; the file is then as
// it was.
bool writeYear(int year, QString* error);
bool writeLast(int index, QString* error);
bool writeOpened(int index, int year, QString* error);   // "Last" and "Year" in one write
// Lists `name` with `folder` (stored without a trailing separator); an existing entry of that
// name keeps its place and takes the new folder.
bool attach(const QString& name, const QString& folder, QString* error);

// A name the settings file can hold as a key: not blank, no "=", "[", "]", no leading ";", no
// line break.
bool isValidName(const QString& name);
QString invalidNameMessage(const QString& name);
// Position of `name` among `listed`, letter case ignored; -1 when absent.
int indexOf(const QStringList& listed, const QString& name);

// The folder as stored: one trailing "/" or "\" dropped, unless it is the root itself.
QString storedFolder(const QString& folder);
// The stored folder as CfgDir: with "/" appended.
QString configurationDir(const QString& storedFolder);

}
