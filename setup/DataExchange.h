#pragma once
// The yearly institution data files of a whole branch of the territory: a group exported into a
// folder tree that mirrors the administrative tree, and a set of files loaded, each into the
// institution its file name names.

#include "core/DataFiles.h"
#include "setup/AdmStructure.h"

#include <QString>
#include <QStringList>
#include <functional>

class Database;

// The file name of a unit's year: "<unit> - <level> - <year>.ktd", through the file-name
// sanitiser. With an id (a namesake in the same folder) " - <id>" goes before the extension, so
// the unit name read back from the file is still the unit's.
QString unitDataFileName(const QString& unit, const QString& level, int year, int id = 0);

struct GroupExportReport {
    int files = 0;          // one per institution (leaf), an empty one when it has no data
    int written = 0;        // lines written over all files
    int unknownTable = 0;   // stored rows of tables the dictionary lacks
};

// Writes every leaf of `root` into `folder` + the path of its groups, each group a subfolder
// named after it (made when missing). Two siblings whose names give the same file or folder name
// get their ids in it, so no file overwrites another. `progress` hears each institution's name
// before its file is written. Stops at the first failure with *error naming the file.
bool exportDataGroup(Database& data, int year, const QString& level, const UnitTreeNode& root,
                     const QString& folder, GroupExportReport* report, QString* error,
                     const std::function<void(const QString&)>& progress = {});

// The institution a group file is loaded into: the unit whose name, without regard to case, is
// unitNameOfDataFile of the file, when exactly one unit has that name and it has no
// subdivisions; of several namesakes, the one whose id the file name carries after the year.
// Otherwise 0 and *reason says why ("не найдено", ...).
int institutionOfDataFile(Database& main, const QString& path, QString* reason);

struct GroupImportReport {
    int loadedFiles = 0;
    int loadedValues = 0;
    // One line per skipped file: "<unit name>\t<reason>".
    QStringList skipped;
};

// What a group load takes and replaces in every file: the chosen forms (capitals) and whether the
// delete keeps the other forms' rows ("Очищать" set to "Выбранные формы").
struct GroupImportChoice {
    QSet<QString> chosenForms;
    bool clearChosenOnly = false;
    // The progress through each file (DataLoadTarget::progress).
    std::function<void(qint64 read, qint64 size)> lineProgress;
};

// Loads each file into its institution, each in a transaction of its own; a file whose unit
// cannot be told or which is refused is skipped and listed with its reason, the others load.
// `progress` hears the unit name and the file's index before each file is read.
GroupImportReport importDataGroup(Database& main, Database& data, int year, const QStringList& paths,
                                  const GroupImportChoice& choice,
                                  const std::function<void(const QString&, int)>& progress = {});
