#pragma once
// The forms tree's export to Excel workbooks: a whole form for one owner (one sheet per table),
// and one table for each incoming institution or summary report (one sheet per item). Values
// come through the grid's cell loader for the owner and data table given here, never through
// the shared DataTablePrefix; the windows only choose, ask and show.

#include "entry/FormsTreeModel.h"
#include "platform/office/ExcelWorkbook.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class Database;

inline const QString ExcelExportDoneMessage = QStringLiteral("Передача данных в Excel завершена!");
inline const QString ExcelNothingToExportMessage = QStringLiteral("Нет данных для вывода в Excel.");

// One incoming institution or summary report of InstitutionIdList.
struct ExcelExportItem {
    int id = 0;
    QString name;
    bool operator==(const ExcelExportItem&) const = default;
};

// The items of a comma list of ids, in its order, each with its name: reports.report when
// `reports`, administration.unit otherwise. An id without a row or with an empty name is left
// out. False, with a Russian message and before any query, when the list holds anything but
// whole numbers. DbError passes through.
bool readExportItems(Database& dictionary, const QString& idList, bool reports,
                     QList<ExcelExportItem>* items, QString* error);

// Where the values of an export come from: the year's data database of the current level, the
// year, and the data table ("Data"/"data" or "RepData"/"Repdata", any letter case).
struct ExcelExportSource {
    Database* dictionary = nullptr;
    Database* data = nullptr;
    int year = 0;
    QString dataTable;
};

// Told before each sheet is built: the owner title and the table number.
using ExcelSheetProgress = std::function<void(const QString& text)>;

// Adds one sheet per table of `form`, in tree order, each named by its table number, holding the
// table as the grid lays it out with the values the owner stored, titled with the table node's
// text and `ownerTitle`. False with a Russian message when a table's layout or cells cannot be
// read (sheets already added stay in `book`). DbError passes through.
bool addFormSheets(ExcelWorkbook& book, const ExcelExportSource& source, const FormsTreeForm& form,
                   int ownerId, const QString& ownerTitle, const ExcelSheetProgress& progress,
                   QString* error);
// Adds one sheet, named `sheetName` (made valid and unique), with `table` of `form` for the owner.
bool addTableSheet(ExcelWorkbook& book, const ExcelExportSource& source, const FormsTreeForm& form,
                   const FormsTreeTable& table, int ownerId, const QString& ownerTitle,
                   const QString& sheetName, QString* error);

// The file names (no folder) of the per-item workbooks: "<form> - <name>.xlsx", made a valid
// file name; items whose names give the same file name (letter case ignored) get their ids
// after the name, so no workbook replaces another one of the same export.
QStringList formWorkbookFileNames(const QString& formName, const QList<ExcelExportItem>& items);

// Of the per-item workbooks of `formName`, those already in `folder` (names without the folder),
// in item order.
QStringList existingFormWorkbooks(const QString& folder, const QString& formName,
                                  const QList<ExcelExportItem>& items);
// Writes one workbook of the whole form per item into `folder`, under formWorkbookFileNames,
// each replacing a file of its name. False at the first book that cannot be built or written,
// with a Russian message that counts the books already written (they stay). DbError passes
// through.
bool writeFormWorkbooks(const ExcelExportSource& source, const FormsTreeForm& form,
                        const QList<ExcelExportItem>& items, const QString& folder,
                        const ExcelSheetProgress& progress, QString* error);
// Adds one sheet per item with `table` of `form`, in item order, named by `sheetNames` (one a
// item), the item's name told before each. False as addTableSheet is.
bool addItemTableSheets(ExcelWorkbook& book, const ExcelExportSource& source, const FormsTreeForm& form,
                        const FormsTreeTable& table, const QList<ExcelExportItem>& items,
                        const QStringList& sheetNames, const ExcelSheetProgress& progress, QString* error);
