#pragma once
// Tormik's work without its window: the main program's settings file and year folders, the file
// of institution types, and the bringing of a year's dictionary up to the layout Kestrin expects
// (administration.ind, reports.ind, medicaltypes.parent and medicaltypes.ind).
//
// Tormik meets Kestrin only through these files; it never opens Kestrin's own code.

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class Database;
class QIODevice;
class Prompts;

namespace Conversion {

// The main program's settings file: its presence marks the main program's folder.
inline const QString SettingsFileName = QStringLiteral("kestrin.ini");
// The institution types merged into a dictionary that gains the type tree; beside Tormik.
inline const QString MedicalTypesFileName = QStringLiteral("MedicalTypes.txt");
inline const QString DictionaryFileName = QStringLiteral("ktrmain.mdb");

struct Configuration {
    QString name;
    QString folder;
    bool operator==(const Configuration&) const = default;
};

struct ProgramSettings {
    QList<Configuration> configurations;   // in the settings file's order
    int last = -1;                         // the configuration opened last; -1 for none
};

// The configurations of the main program in `programFolder`; nothing when the folder holds no
// settings file (it is then not the main program's folder).
std::optional<ProgramSettings> readProgramSettings(const QString& programFolder);

// A year folder's name: decimal digits only, at least one.
bool isYearName(const QString& name);
// The year folders of a configuration (folders only, never files), in the order of the years.
QStringList yearList(const QString& configFolder);
QString dictionaryPath(const QString& configFolder, const QString& year);

// One line of the types file: a type with its id, the id of its parent (0 for a top type) and its
// place among its siblings.
struct MedicalType {
    int id = 0;
    QString type;
    int parent = 0;
    int ind = 0;
    int line = 0;   // its line in the file, from 1, for messages
    bool operator==(const MedicalType& o) const
    {
        return id == o.id && type == o.type && parent == o.parent && ind == o.ind;
    }
};

// Reads and checks the whole types file: a header line, then id TAB type TAB parent TAB ind.
// Ids, parents and places are whole numbers, ids above 0 and unique, each parent 0 or an id of the
// file (parents that name a type already in a dictionary are checked by checkParents()), and no
// type is its own ancestor. A file without a single type (empty, or its header alone) is refused:
// the conversion would leave every type at the top of the tree with no file to mend it. One pair
// of double quotes around a type's name is dropped. Blank lines are passed over.
class MedicalTypesFileReader {
public:
    // false and errorString() (naming the file and line) when the file is missing or wrong;
    // types() is then empty.
    bool read(const QString& path);
    bool read(QIODevice* device, const QString& name);
    const QList<MedicalType>& types() const { return m_types; }
    QString errorString() const { return m_error; }

private:
    bool fail(const QString& message);

    QList<MedicalType> m_types;
    QString m_error;
};

// The columns a dictionary still lacks.
struct MissingColumns {
    bool administrationInd = false;
    bool reportsInd = false;
    bool typesParent = false;
    bool typesInd = false;
    bool any() const { return administrationInd || reportsInd || typesParent || typesInd; }
    // The types file is merged by the conversion that gives the types their order.
    bool needsTypes() const { return typesInd; }
};
MissingColumns missingColumns(Database& dictionary);

// Empty when every parent of `types` is 0, a type of the file or a type of the dictionary, and
// the file's parents with those the dictionary already holds form no loop; otherwise a message
// naming the file's line.
QString checkParents(const QList<MedicalType>& types, Database& dictionary, const QString& fileName);

// Brings the dictionary at `path` up to date in one transaction: adds each missing column and,
// when medicaltypes.ind is missing, merges `types` (which must then be given). Types of the file
// keep their ids; existing types the file does not name become top types. Returns false and sets
// `error` when the dictionary could not be converted; the file is then as it was.
bool convertDictionary(const QString& path, const QList<MedicalType>* types, const QString& typesFileName,
                       QString* error);

struct RunReport {
    QStringList converted;   // years converted (or found up to date)
    QStringList missing;     // chosen years without a dictionary
    QString failed;          // the year whose conversion failed; empty when none failed
    bool stopped = false;    // the run ended on an error (a bad types file or a failed year)
};

// Converts the chosen `years` of `configFolder` in their order, as the window's "Старт" does. The
// types file is read and checked before any year is touched, and only when a chosen year needs it.
// Each dictionary's path is shown before its year is converted; `yearDone` is called for each year
// dealt with (converted or missing). A failure is shown, names its year and ends the run; the years
// before it stay converted. "Готово" is shown only when every chosen year was converted.
RunReport convertYears(const QString& configFolder, const QStringList& years, const QString& typesPath,
                       Prompts& prompts, const std::function<void(const QString& year)>& yearDone);

}  // namespace Conversion
