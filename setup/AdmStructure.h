#pragma once
// The administrative structure of the territory as the dictionary keeps it: units in
// "administration", a tree through "dependence" (0 for a top-level unit), siblings ordered by
// "ind". A unit with children is a group; a unit without is an institution that holds data.
// Plain functions over the databases; the structure window only gathers input and shows.

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>

class Database;

// The ind a new unit gets until the order of its siblings is saved: it sorts after them.
inline constexpr int NewUnitInd = 9999;
// The medicaltype of a unit without an institution type.
inline constexpr int NoMedicalType = -1;

struct UnitRecord {
    int id = 0;
    QString unit;
    int dependence = 0;
    int medicalType = NoMedicalType;
    bool rural = false;   // "Сельская местность" (administration.country)
    int ind = 0;
};

// An institution type offered in the unit dialog: the type's name and its id.
struct MedicalTypeChoice {
    int id = 0;
    QString type;
    bool operator==(const MedicalTypeChoice&) const = default;
};

// Every institution type, in the order of the types tree (ind, then id).
QList<MedicalTypeChoice> readMedicalTypeChoices(Database& dictionary);

// The unit's row; nothing when no unit has the id.
std::optional<UnitRecord> readUnit(Database& dictionary, int id);
// The ids of the unit's direct children in their order.
QList<int> childUnitIds(Database& dictionary, int id);

// A name that shows nothing (empty, or blanks only) names no unit or type: it would be a blank
// line of the tree and of every question about it.
inline bool isBlankName(const QString& name) { return name.trimmed().isEmpty(); }
inline const QString NoUnitNameText = QStringLiteral("Не указано наименование подразделения");

// Writes a new unit under `parentId` (0: top level) with ind NewUnitInd and returns its id. The
// name is stored exactly as typed, quotes of either kind included. A blank name writes nothing
// and gives 0.
int addUnit(Database& dictionary, const QString& name, int parentId, int medicalType, bool rural);
// Changes the name, type and rural flag of a unit; false when no unit has the id, or (nothing
// written) when the name is blank.
bool updateUnit(Database& dictionary, int id, const QString& name, int medicalType, bool rural);

enum class UnitCorrection { Written, NoUnit, InvalidPopulation };
// Writes a correction of a unit in one transaction: its name, type and rural flag, and, when
// `population` is given, its population of `year` as savePopulation() decides. NoUnit or
// InvalidPopulation (with `error`) write nothing at all.
UnitCorrection correctUnit(Database& dictionary, int year, int id, const QString& name,
                           int medicalType, bool rural, const std::array<QString, 4>* population,
                           QString* error);
// What the structure window says of a unit it shows as `shownName` that the dictionary lacks.
QString unitNotFoundText(const QString& shownName);
// The correction of the unit shown as `shownName`, refused with the window's words when the name
// is blank, the unit is gone or the population is not valid (nothing written then); empty once
// written as correctUnit() writes it.
QString correctUnitRefusal(Database& dictionary, int year, int id, const QString& shownName, const QString& name,
                           int medicalType, bool rural, const std::array<QString, 4>& population);

// Whether `candidate` is the unit itself or lies anywhere below it (following dependence in the
// dictionary, so a tree that is not the one shown cannot fool it).
bool isSameOrBelow(Database& dictionary, int unitId, int candidate);
// Puts the unit under `newParentId` (0: top level). Refused (false, nothing written) when the new
// parent is the unit itself or one of its descendants, or is no unit at all: either would take
// the unit and its subtree out of every tree built from the dictionary.
bool moveUnit(Database& dictionary, int id, int newParentId);
// Stores each unit's position among its siblings: (id, ind) pairs, all in one transaction.
void saveUnitOrder(Database& dictionary, const QList<QPair<int, int>>& order);

// Deletes an institution with its numbers of `year` in the data database at `dataPath` (the
// current report level's), both in one transaction: either both go or nothing does. Refused
// (false, nothing written) for a unit that has children or does not exist. Population rows and
// the numbers of other years and other levels stay.
bool deleteInstitution(Database& dictionary, const QString& dataPath, int year, int id);

// One unit of a subtree as the structure window shows it.
struct UnitTreeNode {
    int id = 0;
    QString name;
    QList<UnitTreeNode> children;
};

// What share of each table's data cells holds numbers, one line per form:
// "<FORM>\t<tablen> - <percent>%, <tablen> - <percent>%" for the tables of the form with a
// non-zero count, in cache order; a line longer than 150 characters (counted with its trailing
// ", ") goes on in a further line of the same form. `counts` runs parallel to TableInfo. A table
// without data cells (no columns or rows beyond its headers) gives no piece.
QStringList formFillLines(const QList<int>& counts);

// The availability report over the data database: for every node of the subtree, depth first, its
// name as a line; for an institution with stored numbers of `year`, the fill lines of its forms.
// `progress` hears the name of each institution before it is counted.
using ProgressNote = std::function<void(const QString& name)>;
QStringList availabilityFromDatabase(Database& data, int year, const UnitTreeNode& root,
                                     const ProgressNote& progress = {});

// The availability report over yearly data files: per file, the unit name taken from the file
// name (before the extension and the first " - ") and, when the file holds lines of `year` for
// tables of the dictionary, the fill lines. A file that cannot be read gives no line; it adds
// "<file name>: <reason>" to `failures`.
// `progress` hears each unit name before its file is read.
QStringList availabilityFromFiles(const QStringList& paths, int year, QStringList* failures,
                                  const ProgressNote& progress = {});
// The unit name a data file stands for: its name without folder and extension, cut before " - ".
QString unitNameOfDataFile(const QString& path);

// The ChosenForms text for a choice of forms: empty for all forms (or none checked), otherwise
// the checked names in capitals joined by "," without a comma at either end.
QString chosenFormsText(const QStringList& checkedNames, bool allChosen);
