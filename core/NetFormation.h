#pragma once
// The formation of a network table (Ф47) from its conditions: each cell counts the institutions
// its records select, or sums its formula over them, divided by the coefficient and, for an
// average, by their number. Cell records come first; the crossing of a selecting record (rows
// for scan 0, columns for scan 1) with a computing one fills every other cell, except those a
// cell record holds. A cell nothing speaks for stays 0.
//
// A formation never stops at a bad record: the cell concerned stays 0 and the problem is listed
// once (per record and reason) for the caller to show at the end.

#include "core/Common.h"
#include "core/Lookups.h"
#include "core/TableShape.h"
#include "core/NetConditions.h"
#include "core/TableRecalc.h"

#include <QList>
#include <QString>
#include <functional>

class Database;

// Reads tables.ident with its form's name; false with a Russian reason when there is no such
// table or its sizes make no table.
bool readNetTable(Database& dictionary, int ident, TableShape* table, QString* error = nullptr);

// The text a cell is named by in the status line and the problems: "строка 2 графа 4" (data
// row from 1, layout column); a row record "строка 2", a column record "графа 4".
QString netCellName(const TableShape& table, int row, int column);

// Forms `cells` (shaped for the table, all 0) from `records` over `candidates`. `round`: every
// computed value is rounded to a whole number, halves to even. `status` is told each cell as it
// is formed (the caption prefix is the caller's).
void formNetTable(NetEvaluator& evaluator, const TableShape& table, const QList<NetCondition>& records,
                  const QList<int>& candidates, bool round, CellArray& cells,
                  QList<FormationProblem>& problems,
                  const std::function<void(const QString&)>& status = {});

// Forms `cells` from the table's stored conditions over `candidates`, as a recalculation forms a
// network table: `status` is told "<form>т<number> - <cell>" as each cell is formed.
void formStoredNetTable(NetEvaluator& evaluator, Database& dictionary, const TableShape& table,
                        const QList<int>& candidates, bool round, CellArray& cells,
                        QList<FormationProblem>& problems,
                        const std::function<void(const QString&)>& status = {});

// The shared routine: formStoredNetTable on CellValues (which the caller made for this table,
// all 0) over InstitutionIdList, reading dbmain and dbdat of ReportYear, rounding as
// RoundResults says. False with a reason, CellValues untouched, when the table cannot be read or
// CellValues is not shaped for it. DbError passes through.
bool BuildTableGrid(int tableIdent, const std::function<void(const QString&)>& status,
                    QList<FormationProblem>* problems, QString* error = nullptr);
