#pragma once
// What the grid does with the open table as a whole, without the window: the run of the table's
// own controls over the values it shows, the error marks of one error line, the expression
// built from picked cells, and the table before or after the open one in the forms tree.

#include "core/Common.h"
#include "core/Controls.h"
#include "entry/FormsTreeModel.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

class Database;
class GridModel;

// What the user is told when a run ends.
struct GridRunOutcome {
    int errors = 0;    // lines of ControlErrors
    QString message;   // "Обнаружены ошибки - <n>" or "Ошибок контроля нет"
    bool operator==(const GridRunOutcome&) const = default;
};

// Runs the own controls of the form's table (int_control rows of formId with that table
// number) over `values`, the cells the grid shows, and puts their error lines into
// ControlErrors, which is emptied first. A control that cannot be read or evaluated has its own
// line, so such a run never says there are no errors. `values` and the tables the grid keeps
// are not written; a control that names another table reads it for CurrentInstitutionId.
// DbError passes through.
GridRunOutcome runGridControls(Database& dictionary, int formId, const QString& formName,
                               const QString& tableNumber, const CellArray& values);

// Whether a cell a failed control read belongs to the open table: the same form (letter case
// and blanks aside) and exactly the same table number.
bool isOpenTableCell(const ControlCell& cell, const QString& formName, const QString& tableNumber);

// Marks the cells of the open table that the error line's sides read: the left side's Left,
// then the right side's Right (a cell on both sides ends up Right). Cells of other tables and
// cells outside the grid are passed over; the marks already placed stay. Returns how many cells
// were marked.
int markErrorCells(GridModel& model, const ControlError& error, const QString& formName,
                   const QString& tableNumber);

// The grid cell (column, row from 0) the correction of an error line starts at: the first cell of
// the open table its left side read, else the first of its right side; nothing when it read
// none of this table's cells.
std::optional<std::pair<int, int>> firstErrorCell(const GridModel& model, const ControlError& error,
                                                  const QString& formName, const QString& tableNumber);

// How picked cells are grouped into terms: a term per column ("гр4стр[1..3]") or per row
// ("стр2гр[3..5]").
enum class PickGrouping { ByColumns, ByRows };

// Ascending, distinct numbers as a reference list: runs of consecutive numbers become "a..b",
// the rest are joined with ","; 3, 4, 5, 7 give "3..5,7". Empty for no number.
QString pickedNumberList(const QList<int>& numbers);

// The reference expression of the picked cells of a grid of `columns` x `rows` data cells whose
// first data column is Графа fixcols + 1: one term per column or row that has a picked cell, in
// grid order, joined with "+"; a list holding "," or ".." is put in "[" "]". Empty when nothing
// is picked.
QString buildPickedExpression(int columns, int rows, int fixcols,
                              const std::function<bool(int c, int r)>& picked, PickGrouping grouping);
QString buildPickedExpression(const GridModel& model, PickGrouping grouping);

// A table node of the forms tree: the form's index among the tree's forms and the table's among
// that form's tables.
struct TreeTablePlace {
    int form = -1;
    int table = -1;
    bool operator==(const TreeTablePlace&) const = default;
};

// The table `step` places after (step > 0) or before (step < 0) the open one, form by form in the
// tree's order; forms without tables are passed over. Nothing when the open table (formId and
// its number as the tree keeps it) is not in the tree or the walk runs past either end.
std::optional<TreeTablePlace> neighbourTable(const FormsTree& tree, int formId,
                                             const QString& tableNumber, int step);
