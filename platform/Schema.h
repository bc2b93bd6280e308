#pragma once
// The layout of the year's databases: the dictionary ktrmain.mdb and the data databases
// (data0.mdb, data<id>.mdb and the template source/data0.mdb).
//
// Several statements insert without a field list (rows, columns, titles, conditions, data,
// repdata, populations1, populations, med_type_forms, statistics, col_titles, row_titles,
// formulas), so the column order of every table is part of the format, not a matter of taste.
// Ids that are read back after an insert are INTEGER PRIMARY KEY AUTOINCREMENT: a deleted id is
// never handed out again, because deletes leave rows behind that still refer to it.
// Yes/no columns hold 0 and 1; readers take any non-zero as true.

#include <QString>
#include <QStringList>

class Database;

namespace Schema {

// The dictionary as the program expects it.
QString dictionaryDdl();
// The dictionary as older configurations have it: without administration.ind, reports.ind,
// medicaltypes.parent and medicaltypes.ind, which the conversion utility adds.
QString legacyDictionaryDdl();
// The tables "data" and "repdata" of a data database; a cell is unique by
// (year, hospital, table, column, row), its key, in whose order the rows are kept.
QString dataDdl();

// Create the tables in an empty database; DbError when a table exists already.
void createDictionary(Database& db);
void createLegacyDictionary(Database& db);
void createDataDatabase(Database& db);

// Make a new file holding the empty tables; DbError when the file exists or cannot be written.
void createDictionaryFile(const QString& path);
void createDataDatabaseFile(const QString& path);

// What the program reads that the database lacks, in Russian ("таблицы \"tree\"",
// "поля \"administration\".\"ind\""), in the order the schema lists them; empty when nothing is
// missing. Extra tables and columns are no fault. Only reads; DbError passes.
QStringList missingDictionaryParts(Database& db);
QStringList missingDataParts(Database& db);

// What the conversion utility adds to a dictionary of the older layout, in the words of
// missingDictionaryParts().
QStringList conversionDictionaryParts();
// Whether a dictionary lacking `missing` (as missingDictionaryParts() gives it) is one of the
// older layout, which the conversion utility brings up to date: it lacks something, and nothing
// but what the utility adds.
bool isOlderDictionary(const QStringList& missing);
// The same answers at the opening of a file, without reading its tables again when it carries
// the stamp of a clean check: the file's user_version made from the layout the program expects
// and the file's schema_version at that check. SQLite raises schema_version with every change of
// tables or columns (the conversion utility's included), so a changed file, or one checked
// against another layout, is checked again. A clean check stamps a file opened for writing; a
// file another program holds locked, or a read-only one, is left as it is.
enum class Kind { Dictionary, Data };
QStringList missingPartsAtOpen(Database& db, Kind kind);
// Whether the file carries the stamp of a clean check of its present schema.
bool checkedBefore(Database& db, Kind kind);

}
