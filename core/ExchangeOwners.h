#pragma once
// Whose data an exchange file holds as far as its name tells, and the question a load asks before
// it replaces stored values. The exports name a file after its owner, the report level and the
// year; the loads read those names back through the same function, so a name holding " - ", a
// character the sanitiser replaces or more than the length allowed still finds its owner.

#include "core/DataFiles.h"

#include <QHash>
#include <QList>
#include <QString>

class Database;
class Prompts;

// The longest file name an export writes, its extension not counted.
inline constexpr int MaxExchangeBaseName = 120;

// The name an export gives the file of an owner's year: "<owner> - <level> - <year>", for a
// namesake in the same folder " - <id>" after it, then `extension` (".ktd", ".rpd"). Every part
// goes through the file-name sanitiser; a long owner name is cut so that the whole stays within
// MaxExchangeBaseName characters, while the level, the year and the id are always kept whole.
QString exchangeFileName(const QString& owner, const QString& level, int year, const QString& extension,
                         int id = 0);

struct NamedOwner {
    int id = 0;
    QString name;
    bool group = false;   // a unit with subdivisions: it holds no data of its own
    bool operator==(const NamedOwner&) const = default;
};

// The owners a file is of by its name, its folder and a data-file extension left aside and letter
// case ignored: the units of the structure for the table "data", the summary reports for
// "repdata". An owner is known by the export's name of `level` and `year`, with and without its
// id, and by its own name alone. The names are made once, so a group of files is matched in time
// linear in the files and the owners. DbError passes through.
class ExchangeOwnerIndex {
public:
    ExchangeOwnerIndex(Database& dictionary, const QString& dataTable, const QString& level, int year);
    QList<NamedOwner> ownersOf(const QString& path) const;

private:
    QHash<QString, QList<NamedOwner>> m_byName;
};
// One file's owners through an index made for it.
QList<NamedOwner> ownersOfFileName(Database& dictionary, const QString& dataTable, const QString& path,
                                   const QString& level, int year);

// The name of the owner of a load target as the dictionary holds it (empty for an unknown one).
QString ownerName(Database& dictionary, const QString& dataTable, int owner);

// How many stored values of the year the load into `target` deletes before it writes.
int storedValuesReplaced(Database& data, const DataLoadTarget& target);

// Asks before a load into `target` that would replace stored values "Заменить данные <owner> за
// <year> данными файла <file>?", with a line naming the owner whose file the name is when that is
// another one. True when nothing stored would be replaced or the answer is Да; writes nothing.
// DbError passes through.
bool confirmReplacingOwnerData(Prompts& prompts, Database& dictionary, Database& data,
                               const DataLoadTarget& target, const QString& path, const QString& level);
