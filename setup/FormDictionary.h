#pragma once
// The form dictionary as the catalogue and the tables window change it: a form's name, title and
// network flag, the order of the forms, a table's number, name, fraction flag and formation
// direction, and the deletion of a form or a table with everything the dictionary and the current
// level's data database hold for it. Forms and tables themselves come in through the structure
// import (setup/FormStructureFile.h). No widgets.
//
// Every function here that writes does so in one transaction; DbError passes through and leaves
// both databases as they were.

#include <QList>
#include <QString>
#include <optional>

class Database;

struct CatalogueForm {
    int id = 0;
    QString formname;
    QString decipher;
    bool net = false;
    bool operator==(const CatalogueForm&) const = default;
};

// The forms ordered by ind.
QList<CatalogueForm> readCatalogue(Database& dictionary);
std::optional<CatalogueForm> readCatalogueForm(Database& dictionary, int formId);

// Empty when `name` may be the name of the form `formId` (0 for a new form): not blank, and no
// other form has it whatever the letter case. Otherwise the Russian reason.
QString checkFormName(Database& dictionary, int formId, const QString& name);
// Writes name, title and flag of the form `form.id` as given (quotes and all). false with the
// reason in `error`, nothing written, when checkFormName() refuses the name or no form has the id.
bool updateForm(Database& dictionary, const CatalogueForm& form, QString* error);
// Gives every form its position in `idsInOrder` (from 0) as ind.
void saveFormOrder(Database& dictionary, const QList<int>& idsInOrder);

// Deletes the form: its cells in "data" and "repdata" of the data database at `dataPath` (the
// current report level's), its type assignments, the form and its tables with their rows,
// columns and titles, all in one transaction over both files. Its controls and its tables'
// formation conditions stay, as do its cells at the other levels.
void deleteForm(Database& dictionary, const QString& dataPath, int formId);

struct FormTable {
    int ident = 0;
    QString tablen;
    QString name;
    bool floattype = false;
    int scan = 0;   // an empty stored direction reads as 0 (by rows)
    bool operator==(const FormTable&) const = default;
};

// The tables of a form in the order the dictionary gives them, or by table number as the
// controls editor and the form's other lists show them.
enum class TableOrder { Stored, ByNumber };
QList<FormTable> readFormTables(Database& dictionary, int formId, TableOrder order = TableOrder::Stored);

// Empty when `number` may be the number of table `ident` (0 for a new one) of the form:
// "(" ... ")" with something between, and no other table of the form has it. Otherwise the reason.
QString checkTableNumber(Database& dictionary, int formId, int ident, const QString& number);

// The outcome of saving a table.
struct TableSave {
    bool saved = false;
    QString error;        // why nothing was written
    int movedControls = 0;   // intra-table controls carried to the new number
};
// Writes number, name, fraction flag and direction of table `table.ident` of form `formId`. A
// changed number carries the form's controls of the old number (int_control.tble) to the new one
// in the same transaction; their expressions are not rewritten.
TableSave saveTable(Database& dictionary, int formId, const FormTable& table);

// Deletes the table with its formation conditions, rows, columns and titles, and its cells in
// "data" and "repdata" of the data database at `dataPath`, in one transaction. Its controls stay.
void deleteTable(Database& dictionary, const QString& dataPath, int ident);
