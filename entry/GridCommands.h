#pragma once
// The grid's commands over the open table that need no window: the check sums of a column or a
// row of the values shown, the clearing of the owner's table and the table's fraction flag.

#include "core/TableRecalc.h"

#include <QList>
#include <QString>
#include <QtGlobal>
#include <functional>

class Database;
class Prompts;
class GridModel;
struct GridContext;

// The values of grid column c (over its rows) or of grid row r (over its columns), in index
// order, as CellValues holds them; empty outside the table.
QList<double> gridColumnValues(const GridModel& model, int c);
QList<double> gridRowValues(const GridModel& model, int r);
// The data check sum folded over the non-zero values only: 5381 for none, so a column of zeros
// gives 5381 where the stored table's sum would be 0.
quint32 shownValuesChecksum(const QList<double>& values);

// Deletes, in one transaction, the rows the context's owner stored in the table for the
// context's year, in the data table its prefix names (of the data database given: the current
// report level). False with a Russian message, nothing deleted, when the prefix names no data
// table or no owner is given. DbError passes after the rollback.
bool clearGridTable(Database& data, const GridContext& context, int tableIdent, QString* error);

// Stores whether the table's cells hold fractions (tables.floattype) and puts the same into the
// tables cache, so that the next opening and the lookups agree with it. DbError passes and
// leaves the cache as it was.
void storeFloatType(Database& dictionary, int tableIdent, bool fractions);

// "Пересчитать таблицу".
inline const QString TableRecalcQuestion =
    QStringLiteral("Пересчитать таблицу? Сохраненные значения будут заменены.");
struct GridRecalcResult {
    bool saved = false;                 // `cells` holds what is stored now
    bool failed = false;                // `message` is an error
    QString message;                    // what to tell the user last; empty: nothing
    CellArray cells;                    // the table as stored, shaped as CellValues
    QList<FormationProblem> problems;   // a formation's problems, listed before the message
};
// Recalculates the open table for the shared state (RecalcContext::fromGlobals): summed from the
// composition, or in network mode formed from its conditions. An empty composition is told
// before any question and nothing is saved (the report's table is not wiped). In network mode it
// asks "Округлять результат?" (Cancel changes nothing) and sets RoundResults; otherwise it asks
// TableRecalcQuestion when the owner has values stored in the table. The new values replace the
// stored ones in one transaction; on failure the old rows stay and the result says why.
// `progress` hears how far a sum is (RecalcContext::progress).
GridRecalcResult recalculateGridTable(Prompts& prompts, int tableIdent,
                                      const std::function<void(const QString&)>& status = {},
                                      const std::function<void(int, int)>& progress = {});
