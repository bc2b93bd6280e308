#pragma once
// What the forms tree shows and what its selection means, without the window: which forms an
// institution type, a summary report or the Ф47 road fills, in which order, with which tables,
// and what the grid is opened with. The window (entry/FrmList.h) only draws this.

#include <QList>
#include <QString>

class Database;

// A table node: the table's ident and the text the tree shows, "(1000) - Взрослые".
struct FormsTreeTable {
    int ident = 0;
    QString number;   // tables.tablen as stored, brackets kept: "(1000)"
    QString text;     // number + " - " + name
    bool operator==(const FormsTreeTable&) const = default;
};

// A form node at the root: the form's id, its name as stored and "Ф12 - Заболеваемость".
struct FormsTreeForm {
    int id = 0;
    QString name;
    QString text;     // formname + " - " + decipher
    QList<FormsTreeTable> tables;
    bool operator==(const FormsTreeForm&) const = default;
};

struct FormsTree {
    // False when the institution type has no form assigned: nothing is to be shown.
    bool shown = false;
    QList<FormsTreeForm> forms;
};

// The forms of the tree, ordered by forms.ind, each with its tables from the tables cache
// (TablesList/TableInfo, which must be filled for the same dictionary).
// - medicalsId is an institution type id, or -1 for none;
// - in the Ф47 mode the network forms are listed, otherwise the type's forms, or every form that
//   is not a network form when there is no type;
// - a type without any form assigned gives shown = false and no forms, in the Ф47 mode too.
// Only tables whose number begins with "(" are listed; another one is skipped without ending
// the list of its form. DbError passes through.
FormsTree buildFormsTree(Database& dictionary, int medicalsId, bool netMode);

// The listed tables of one form, in cache order.
QList<FormsTreeTable> formTreeTables(int formId);

// What the grid is opened with for a table node: its opening globals and its three texts.
struct GridOpening {
    int formId = 0;            // SelectedTableNodeId
    QString tableNumber;       // CurrentFormNumber, whole
    QString formName;          // CurrentFormName, whole
    int tableId = 0;           // CurrentTableId
    QString formText;          // the grid's Label3
    QString tableText;         // the grid's Label2
    bool operator==(const GridOpening&) const = default;
};
GridOpening gridOpeningFor(const FormsTreeForm& form, const FormsTreeTable& table);

// Whether the grid's "Разрезать" is shown: always outside the mode "Input"; in "Input" only on a
// road that offers "Пересчитать форму".
bool gridSplitVisible(const QString& workMode, bool recalcFormShown);

// Whether a command may change the data of one owner: not while the tree shows sums over several
// institutions (mode "Types") and not while no institution or report is chosen (id 0 or less).
bool ownerDataChangeable(const QString& workMode, int currentInstitutionId);
