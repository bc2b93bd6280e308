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
class Prompts;

// The file name of a unit's year as the exports write it (exchangeFileName with ".ktd"): with an
// id, for a namesake in the same folder, " - <id>" goes after the year.
QString unitDataFileName(const QString& unit, const QString& level, int year, int id = 0);

// The names the group export gives the children of `group`, in their order: a leaf's file, a
// group's folder. Siblings whose files (or folders) would have one name, letter case ignored, get
// their ids in it, so no file overwrites another and each comes back to its own unit.
QStringList childEntryNames(const UnitTreeNode& group, const QString& level, int year);

struct GroupExportReport {
    int files = 0;          // one per institution (leaf), an empty one when it has no data
    int written = 0;        // lines written over all files
    int unknownTable = 0;   // stored rows of tables the dictionary lacks
    QString path;           // where the group went: its folder (a leaf: its file)
};

// Writes every leaf of `root` into `folder` + the path of its groups, each group a subfolder
// named after it (made when missing). Two siblings whose names give the same file or folder name
// get their ids in it, so no file overwrites another. `progress` hears each institution's name
// before its file is written. Stops at the first failure with *error naming the file.
bool exportDataGroup(Database& data, int year, const QString& level, const UnitTreeNode& root,
                     const QString& folder, GroupExportReport* report, QString* error,
                     const std::function<void(const QString&)>& progress = {});

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

// Which institution each file goes to, found before anything is read: the one unit without
// subdivisions whose file it is by its name (ExchangeOwnerIndex of `level` and `year`). A file
// that names no unit, several, or a group, or whose unit was chosen with another file as well,
// has 0 and its reason. `holding`
// names the institutions whose stored values of the year the loads would replace. DbError
// passes through.
struct GroupImportPlan {
    QStringList paths;
    QList<int> owners;
    QStringList reasons;
    QStringList holding;
};
GroupImportPlan planDataGroup(Database& main, Database& data, int year, const QString& level,
                              const QStringList& paths, const GroupImportChoice& choice);
// One question for the whole group when any institution holds values the loads would replace;
// true when there are none or the answer is Да.
bool confirmDataGroup(Prompts& prompts, const GroupImportPlan& plan, int year);

// Loads each file of the plan into its institution, each in a transaction of its own; a file
// without an institution or that is refused is skipped and listed with its reason, the others
// load. `progress` hears the unit's name (the file's when there is none) and the file's index
// before each file is read. DbError passes through; the files loaded before stay loaded.
GroupImportReport importDataGroup(Database& main, Database& data, int year, const GroupImportPlan& plan,
                                  const GroupImportChoice& choice,
                                  const std::function<void(const QString&, int)>& progress = {});
