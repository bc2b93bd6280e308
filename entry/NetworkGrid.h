#pragma once
// The grid's commands over the conditions of a network table and the breakdown of its figures
// by institutions, without the window: which record a command edits, the dialog's title, the
// composition of a cell's condition from its row and column, the list the breakdown shows.

#include "core/NetConditions.h"
#include "core/ResultList.h"

#include <QList>
#include <QString>

class Database;
class GridModel;

// Which record a condition command edits: the one of the focused cell's row, column or the
// cell itself.
enum class ConditionPlace { Row, Column, Cell };

// The address of that record for grid cell (c, r): a row record has column -1, a column record
// row -1.
NetCondition conditionAt(int tid, ConditionPlace place, int c, int r);

// The dialog's title for the place: the captions of the row headers covering the row, each
// followed by ":", and of the column headers covering the column, a line feed between the two
// for a cell.
QString conditionTitle(const GridModel& model, ConditionPlace place);

// The cell condition a crossing gives, as the formation composes it: the types, condition and
// rural flag of the selecting record, the sum or counter, koeff and average of the computing
// one, the conditions joined "(selecting) and (computing)" over two lines, the computing
// formula with its "*" replaced once by the selecting formula, rural when either record is.
// A record that is missing counts as empty. The cell record of (c, r), if any, is left out.
NetCondition composeCellCondition(const QList<NetCondition>& records, int scan, int c, int r);

enum class BreakdownRange { Cell, Row, Column };

// What the breakdown shows and what went wrong on the way (a condition that does not read: the
// list then holds the total and header lines only).
struct Breakdown {
    ResultList list;
    QString problem;
};

// The institutions behind the figures of the focused cell (Cell), of every column of its row
// (Row) or of every row of its column (Column). In network mode only the focused cell is broken
// down: the institutions its conditions select (among `units`, the report's institutions),
// with the formula's value of each for a sum (exact, written with two decimals; koeff and
// average are the formation's and not applied here) and 0 for a counter. Otherwise the
// composing institutions (or, in mode "Terrain", summary reports) `units` with their stored
// values. A last line "Всего" holds the figures the grid shows. `heading` starts the window's
// label (form and table texts).
Breakdown gridBreakdown(Database& dictionary, Database& data, const GridModel& model,
                        BreakdownRange range, const QList<int>& units, const QString& heading,
                        const QString& caption);

// One institution type of the condition dialog's tree.
struct ConditionTypeNode {
    int id = 0;
    QString type;
    QList<ConditionTypeNode> children;
};
// The types tree from medicaltypes: top-level types (parent 0) down, each level by ind. A type
// whose parent chain loops back is left out rather than read forever.
QList<ConditionTypeNode> conditionTypeTree(Database& dictionary);
