#pragma once
// The year folders of a configuration and the two connections a year is worked on: "dbmain"
// (the year's ktrmain.mdb) and "dbdat" (data0.mdb, or the data database of a report level).
//
//     <cfgDir><year>/ktrmain.mdb      dictionary
//     <cfgDir><year>/data0.mdb        annual data
//     <cfgDir><year>/data<id>.mdb     data of report level <id>
//     <cfgDir><year>/forms/           Word blanks and placement files of the working print

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class Database;
class Prompts;

namespace YearDatabases {

QString yearFolder(const QString& cfgDir, int year);
QString dictionaryPath(const QString& cfgDir, int year);
// Level 0 is the annual report (data0.mdb).
QString dataPath(const QString& cfgDir, int year, int level = 0);
QString formsFolder(const QString& cfgDir, int year);

// The year folders of a configuration: sub-folders whose name is all digits, in numeric order.
QStringList yearList(const QString& cfgDir);

// The two databases of a year, opened and checked, not yet under the aliases.
struct OpenedYear {
    std::unique_ptr<Database> dictionary;
    std::unique_ptr<Database> data;
};
// Opens the year's dictionary and annual data database and checks that they hold every table
// and column the program reads, and that the template data database is there and whole. On
// failure returns false with the file and what is wrong in `error`. Nothing is created or
// changed, and the aliases are not touched.
bool openYearFiles(const QString& cfgDir, int year, OpenedYear* opened, QString* error);
// Puts both under "dbmain" and "dbdat".
void installYear(OpenedYear&& opened);
// openYearFiles, then installYear: the aliases keep the databases they had on failure.
bool openYear(const QString& cfgDir, int year, QString* error);
// Re-points "dbdat" to the data database of report level `level` of the year, checked as the
// annual one; on failure the alias keeps its old database.
bool openLevel(const QString& cfgDir, int year, int level, QString* error);

// Makes the year folder `target` from the year `base`: the base year's dictionary (copied whole,
// even while it is open), a fresh data0.mdb from the template and the plain files of its forms
// folder. When the new dictionary lists report levels, asks whether to carry them over: yes
// gives each level a fresh data database from the template, no empties subreps. The base
// year's level data are never copied.
// The year is made in the folder "<target> (создается)" beside the years and renamed to its
// own name as the last step, so a run stopped at any moment leaves no year in yearList(); such a
// leftover (of any year) is removed by the next creation.
// Returns false with the reason in `error` on any failure; the partial year folder is then
// removed. A target folder that exists already, or a configuration folder that does not, is
// refused and left alone.
bool createYear(const QString& cfgDir, int base, int target, Prompts& prompts, QString* error);

// The steps of createYear in the order they run: the dictionary, data0.mdb, the forms folder,
// the level files (after the question about them) and the rename into place.
enum class CreationStep { Dictionary, AnnualData, Forms, LevelData, Placing };
// Called before each step; a step it answers false for fails as a failed copy would. Lets the
// tests stop a creation at each step; empty by default.
void setCreationStepHook(std::function<bool(CreationStep)> hook);

}
