#pragma once
// The save of one cell of the table grid: the data row keyed by year, institution, table,
// stored column and stored row is inserted, updated or deleted so that it holds the cell's
// value; a value 0 is stored as no row. What to do is decided from the row that is stored, not
// from what the grid showed, so a stored 0.004 shown as "0.00" is updated, never doubled.
// The statements themselves are the data rows' own (core/TableCells.h: CellKey, SaveAction).

#include "core/TableCells.h"

#include <QString>
#include <optional>

class Database;

// The value stored for the cell in the data table that `dataTablePrefix` names ("Data",
// "RepData", ...); nothing when there is no row (a row holding NULL reads as 0).
// DbError when the prefix names no data table.
std::optional<double> storedCellValue(Database& data, const QString& dataTablePrefix,
                                      const CellKey& key);

// Writes `value` for the cell and returns what was done. The decision and the write are one
// transaction; on DbError (also for a prefix that names no data table) nothing has changed.
SaveAction saveCell(Database& data, const QString& dataTablePrefix, const CellKey& key,
                    double value);
