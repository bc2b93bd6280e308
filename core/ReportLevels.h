#pragma once
// Report levels of a year: the annual report (id 0, data0.mdb) and the further levels listed in
// the dictionary's table subreps, each with its own data database data<id>.mdb made from the
// template. A level row and its file come and go together.

#include <QList>
#include <QString>
#include <optional>

class Database;

struct ReportLevel {
    int id = 0;
    QString name;
    bool operator==(const ReportLevel&) const = default;
};

inline const QString AnnualLevelName = QStringLiteral("Годовой");

// The level "dbdat" points at, as the main window's level list shows it.
inline ReportLevel CurrentLevel{0, AnnualLevelName};

namespace ReportLevels {

// The levels of subreps in id order (the annual one is not among them). DbError passes through.
QList<ReportLevel> list(Database& dictionary);

// Adds a level named `name` (kept as typed, quotes and all) with a fresh copy of the template
// as <yearFolder>/data<id>.mdb, replacing a stray file of that name. Returns the new level, or
// nothing with the reason in `error`: a blank name, or a failed copy, after which the row is
// gone again.
std::optional<ReportLevel> create(Database& dictionary, const QString& yearFolder,
                                  const QString& name, QString* error);

// Removes level `id`: its row and its data database, the file only once the row's deletion is
// committed. When the file cannot be moved aside the row stays and `error` says why; when the
// commit fails (DbError passes through) the file is back in its place. True with a note in
// `error` when the level is gone but its set-aside file could not be removed. "dbdat" must not
// be on the level any more.
bool remove(Database& dictionary, const QString& yearFolder, int id, QString* error);

}
