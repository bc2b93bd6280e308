#pragma once
// Export of a summary report to the receiving body's dBase layout. The mapping database
// links.mdb (SQLite) says which of the program's table cells go to which record and column:
//   raz   (a1, a2)                        sections; a1's first four characters prefix their rows
//   kodif (a1, a2)                        territories
//   rows  (mskrow, ktrtable, ktrrow, inv) a record per row code: the program's table (form name
//                                         and table number) and its row; inv: the layout's
//                                         rows are the table's columns
//   cols  (mskcol, ktrcol)                characters 1-9 those of the row code, 10-11 the DBF
//                                         column 1..28; ktrcol the table's column
// The value read is the stored cell at column ktrcol + 1, row fixrows + ktrrow + 1 (with inv:
// column ktrrow + 1, row fixrows + ktrcol + 1), so ktrrow is the Строка and ktrcol the Графа
// the user sees.
// The records go into a copy of the empty template Empt.dbf: a1 (year), a2 (territory), a4-a6
// (the row code's pieces) and the 28 values a81..a828.

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class Database;

struct LinkSection { QString a1, a2; };
struct LinkTerritory { QString a1, a2; };
struct LinkRow { QString mskrow, ktrtable; int ktrrow = 0; bool inv = false; };
struct LinkColumn { QString mskcol; int ktrcol = 0; };

struct Links {
    QList<LinkSection> sections;        // by a1
    QList<LinkTerritory> territories;   // as stored
    QList<LinkRow> rows;                // by mskrow
    QList<LinkColumn> columns;          // by mskcol
};

// The file names in the program folder.
QString linksDatabasePath();
QString dbfTemplatePath();

// Reads the whole mapping database. False, with a Russian `error`, when the file is missing, is
// not an SQLite database, lacks a table or column, or holds more rows than a mapping can have.
bool readLinks(const QString& path, Links& links, QString* error);

// The text a list shows for a section or a territory: a1 + " - " + a2.
QString itemText(const QString& a1, const QString& a2);

// The output file for a name chosen in the save dialog: ".dbf" added unless it ends so already
// (in any letter case).
QString dbfOutputPath(const QString& chosen);

// Why the export must not write `outputPath`: it is the template or the mapping database the
// export reads. Empty when it may.
QString dbfTargetRefusal(const QString& outputPath, const QString& templatePath);

struct DbfExportRequest {
    QString templatePath;
    QString outputPath;
    int year = 0;
    int reportId = 0;
    QString territory;        // the territory's item text
    QList<int> sections;      // indexes into Links::sections, in list order
};

struct DbfExportResult {
    bool ok = false;
    int records = 0;
    QStringList skipped;      // the row and column codes left out, and why
    QString error;            // why the export stopped (ok false)
};

// Writes the report's records: one per row code of each chosen section, values from the
// report's repdata of `year` in `data`, tables from `dictionary`. The file is written beside the
// output under a temporary name and put in its place only when whole, so a failure leaves no
// file and keeps an older one. `progress` hears each section's position (1-based) as it starts.
DbfExportResult exportReport(Database& dictionary, Database& data, const Links& links,
                             const DbfExportRequest& request,
                             const std::function<void(int)>& progress = {});
