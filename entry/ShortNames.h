#pragma once
// The short names of institutions: "ShortNames.txt" beside the executable, one line per
// institution, its full name (administration.unit), a TAB and the short name that names its
// sheet in an Excel workbook (sheet names take at most 31 characters). Windows-1251, CR LF.

#include <QList>
#include <QString>
#include <optional>

class Database;

struct ShortName {
    QString fullName;
    QString shortName;
    bool operator==(const ShortName&) const = default;
};

// Short names are written cut to this length.
inline constexpr int MaxShortNameLength = 30;

// "ShortNames.txt" in the program folder.
QString shortNamesPath();

// A line: the full name before its first TAB, the short name after it; a line without a TAB is
// all short name.
ShortName parseShortNameLine(const QString& line);
// The lines of the file through the bounded reader. A missing file is an empty list (true);
// false and a Russian message when it cannot be read.
bool readShortNames(const QString& path, QList<ShortName>* names, QString* error);
// Writes every row (an empty one as a lone TAB), each short name cut to MaxShortNameLength,
// through a temporary file. A TAB or line break in a name, or a character Windows-1251 lacks,
// is refused with its row number and nothing is written.
bool writeShortNames(const QString& path, const QList<ShortName>& names, QString* error);

// The short name of the first line with exactly this full name; empty when none.
QString findShortName(const QList<ShortName>& names, const QString& fullName);
// The short name of the last line with exactly this full name (possibly empty); nothing when no
// line has it.
std::optional<QString> lastShortName(const QList<ShortName>& names, const QString& fullName);

// Every institution (no group nodes) by name, with the short name findShortName gives.
QList<ShortName> refreshShortNames(Database& dictionary, const QList<ShortName>& known);
// What the short names window starts with: the file's lines when it exists, else the
// institutions without short names; five empty rows when that leaves nothing.
QList<ShortName> initialShortNames(Database& dictionary, const QList<ShortName>& fileLines,
                                   bool fileExists);
