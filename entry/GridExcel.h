#pragma once
// The grid's exchange with Excel workbooks: the open table as a sheet named after its form and
// table number, and the values of such a sheet read back into the table.

#include "entry/TableSheet.h"

#include <QList>
#include <QString>
#include <QStringList>

class Database;
class GridModel;
struct GridContext;

// The form name and the table number, cut to 20 characters and made a name Excel accepts.
QString gridSheetName(const QString& formName, const QString& tableNumber);

// A workbook of one sheet holding what the grid shows: its headers, its values with two
// decimals or none as the grid shows them, the header rows and columns frozen.
ExcelWorkbook gridWorkbook(const GridModel& model, const QString& sheetName, const QString& title);

// The names a sheet of the table may have in a workbook the program wrote, in the order they are
// looked for: the grid's own (form name and table number), then the table number alone, which
// names the sheets of the forms tree's workbooks of one form.
QStringList gridSheetNames(const QString& formName, const QString& tableNumber);

// The data-area values of the first sheet of `book` named one of `sheetNames` (letter case
// ignored), each stored cell in its place: a number, a text that reads as one with "." or ",",
// or 0 for an empty cell. False with a Russian message naming the sheet row and column of the
// first cell that is no number, or saying that the workbook has none of these sheets; *values is
// then untouched.
bool readGridSheet(const ExcelWorkbook& book, const QStringList& sheetNames, const TableLayout& layout,
                   QList<StoredValue>* values, QString* error);

// Replaces, in one transaction, the table's stored values of the context's institution and
// year by the non-zero `values`. DbError passes after the rollback (the old rows stay).
void replaceTableValues(Database& data, const GridContext& context, int tableIdent,
                        const QList<StoredValue>& values);
