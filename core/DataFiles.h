#pragma once
// The data exchange files: an institution's yearly data (*.ktd, the older *.ktr) and a summary
// report's data (*.rpd, *.rps). One line per stored cell, six fields in double quotes joined by
// single commas, "value","year","form","table","column","row", no header and no escaping,
// Windows-1251 with CR LF. The form field is the form's name in *.ktd and *.rpd, its id (in the
// dictionary that wrote it) in *.ktr and *.rps. Tables are found through the structure caches
// (TableInfo), so GetForms and GetTables must have run for the year.

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class Database;

// The six fields of a line as they are written.
struct YearDataLine {
    QString value;
    QString year;
    QString form;
    QString table;
    QString column;
    QString row;
    bool operator==(const YearDataLine&) const = default;
};

// Splits a line into its fields; false for a line that is not six quoted fields (a line cut
// short, a field without its quotes).
bool parseYearDataLine(const QString& line, YearDataLine* fields);
// The line of a cell: the value in the program's number format ("0.1"), the table number as
// stored, brackets kept.
QString formatYearDataLine(double value, int year, const QString& form, const QString& table,
                           int column, int row);

enum class DataFileKind {
    ByFormName,   // *.ktd, *.rpd
    ByFormId,     // *.ktr, *.rps
};
// The kind of a file from its extension, without regard to case; nothing for any other one.
std::optional<DataFileKind> dataFileKind(const QString& path);
// The structure window reads every file that is not *.ktr as a yearly data file.
DataFileKind yearDataFileKind(const QString& path);
// Whether a file name is of the older kind, whose form field holds a form id.
bool isOlderDataFile(const QString& fileName);

// What a load replaces and which lines it takes.
struct DataLoadTarget {
    QString dataTable = QStringLiteral("data");   // "data" or "repdata"
    int owner = 0;                                // institution or summary report id
    int year = 0;
    int formId = 0;       // only this form's lines (0: any form)
    int tableIdent = 0;   // only this table's lines (0: any table of the form)
    // Form names in capitals: only their lines are taken (empty: no restriction). An older
    // file's form ids are turned into names before they are compared.
    QSet<QString> chosenForms;
    // The tables whose rows of the year are deleted before the load; nothing: every table of the
    // owner for the year.
    std::optional<QList<int>> replacedTables;
    // Hears, now and then while the file is read, how many of its bytes have been read and its
    // size (a progress bar of the lines).
    std::function<void(qint64 read, qint64 size)> progress;
};

// The idents of the cached tables of the forms named (in any case).
QList<int> tablesOfForms(const QSet<QString>& formNames);
// The idents of the cached tables of one form.
QList<int> tablesOfForm(int formId);

struct DataLoadReport {
    int loaded = 0;        // rows written
    int zeros = 0;         // lines of the target with the value 0: no row is stored
    int otherYear = 0;
    int otherTarget = 0;   // another form or table than the target, or a form not chosen
    int unknownTable = 0;  // tables the dictionary lacks
    int outside = 0;       // cells outside the table's data area
    int skipped() const { return otherYear + otherTarget + unknownTable + outside; }
    // "Загружено строк: N" and a line per reason a line was skipped.
    QString summary() const;
};

// Reads the whole file first; every line must be six quoted fields whose value is a number with
// "." and whose year, column and row are whole numbers, and no line may repeat an earlier cell of
// the target. Then, when at least one line belongs to the target, deletes the replaced rows and
// inserts the new ones in one transaction. False with a Russian message in *error (naming the line
// for a bad one) and the data untouched when the file cannot be read, a line is refused, the data
// table is unknown or no line belongs to the target. DbError passes through after the rollback.
bool loadDataFile(Database& data, const DataLoadTarget& target, const QString& path,
                  DataFileKind kind, DataLoadReport* report, QString* error);

struct DataExportReport {
    int written = 0;
    int unknownTable = 0;   // stored rows of tables the dictionary lacks: they cannot be named
};
// Writes the owner's stored rows of the year into a *.ktd/*.rpd file (form names), through a
// temporary file: on failure the old file stays as it was and *error says why.
bool writeDataFile(Database& data, const QString& dataTable, int owner, int year,
                   const QString& path, DataExportReport* report, QString* error);

// Deletes, in one transaction, every year's rows of the owner in the data table: all of them, or
// those of the given tables. Returns the rows deleted; false when the table name is unknown.
bool clearOwnerData(Database& data, const QString& dataTable, int owner,
                    const std::optional<QList<int>>& tables, int* deleted, QString* error);
