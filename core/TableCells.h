#pragma once
// The cells of one table in memory (CellValues): loaded for one institution or summed over
// several, and written back. Statements run on the alias "dbdat" for the year ReportYear; the
// table is found in the structure caches.

#include <QString>
#include <functional>

// Progress of a long load: called with (records done, records in all).
using LoadProgress = std::function<void(int done, int total)>;

// Makes CellValues for the table (columns fixcols+1..colcount+1, rows fixrows+1..rowcount+1,
// all 0), sets CellRowOffset and fills the data cells from the table named by DataTablePrefix:
// in WorkMode "Types" the sums over InstitutionIdList, otherwise the values of institutionId
// (0: nothing is read). Stored cells on header positions or outside the table are skipped.
// Returns false, with a Russian message in *error and CellValues untouched, when the table is
// not in the caches, its sizes cannot make an array, DataTablePrefix names no data table or
// InstitutionIdList is not a list of ids. DbError passes through.
bool LoadTableCells(int institutionId, const QString& formName, const QString& tableNumber,
                    QString* error = nullptr);
// Adds into the existing CellValues the values the institutions of InstitutionIdList stored in
// the table "data" (whatever the mode); cells outside the table are skipped. An empty list
// reads nothing. False with a message, nothing added, when the table is not cached, CellValues
// is not shaped for it or the list is malformed.
bool LoadTableDataSummed(int formId, const QString& tableNumber, const LoadProgress& progress = {},
                         QString* error = nullptr);
// Replaces, in one transaction, the stored values of the institution in the table by the
// non-zero cells of CellValues (a 0 is no row). False with a message, nothing written, when the
// table is not cached, no institution is given (id 0), CellValues is not shaped for it (another
// table, or nothing loaded) or DataTablePrefix names no data table. DbError passes through after the
// transaction rolled back, so the old rows stay.
bool SaveTableData(int institutionId, int formId, const QString& tableNumber,
                   QString* error = nullptr);
