#pragma once
// A table's shape as the dictionary describes it, and the one reader of it. The structure cache
// (TableInfo) holds these for the year; the routines that must see the dictionary as it is now
// (after an edit, or on a file other than the alias) read them here.

#include "core/CellNumbering.h"

#include <QList>
#include <QString>
#include <optional>

class Database;

// One row of "tables": layout columns 1..colcount and rows 1..rowcount, of which the first
// fixcols columns and fixrows rows are headers. Its cells are held in a CellArray with columns
// fixcols+1..colcount+1 and rows fixrows+1..rowcount+1 (the stored numbering).
struct TableShape {
    int ident = 0;       // 1
    int colcount = 0;    // 2
    int rowcount = 0;    // 3
    int fixcols = 0;     // 4
    int fixrows = 0;     // 5
    int floattype = 0;   // 6: 1 when the cells hold fractions, else 0
    int scan = 0;        // 7: formation direction of a network table (0 rows, 1 columns)
    int counter = 0;     // 8: not filled by the readers; the availability reports count in it

    int form = 0;          // tables.form
    QString tablen;        // as stored, with its brackets: "(1000)"
    QString name;          // the table's title
    // The form's name: as stored when read from the dictionary, in capitals in the cache (empty
    // there when the form is not cached).
    QString formName;

    // A table read or found (the dictionary's idents start at 1).
    bool found() const { return ident != 0; }
    // The high bounds of its CellArray.
    int highColumn() const { return colcount + 1; }
    int highRow() const { return rowcount + 1; }
    // Data columns and rows (none when the headers take the whole table).
    int gridColumns() const { return colcount > fixcols ? colcount - fixcols : 0; }
    int gridRows() const { return rowcount > fixrows ? rowcount - fixrows : 0; }
    CellNumbering numbering() const { return CellNumbering(fixcols, fixrows); }
    // The data area as references name it: Графа fixcols+1..colcount, Строка 1..this.
    int lastReferenceRow() const { return numbering().referenceRowOfLayout(rowcount); }
    // Whether a stored position is a data cell of the table (headers and beyond are not).
    bool holdsStored(int column, int row) const
    {
        const CellNumbering n = numbering();
        return column >= n.storedColumnOfGrid(0) && column <= n.storedColumnOfLayout(colcount)
            && row >= n.storedRowOfGrid(0) && row <= n.storedRowOfLayout(rowcount);
    }
    // "Ф47 (0100)": how messages name the table.
    QString title() const { return formName + QLatin1Char(' ') + tablen; }

    bool operator==(const TableShape&) const = default;

    // The numbered columns 1..8 above; Q_ASSERT on any other.
    int& operator[](int column);
    int operator[](int column) const;

    // Whether `cells` are shaped for this table: its bounds, not merely its size.
    bool shapes(const CellArray& cells) const;
    // The table's array, every cell 0, owned by `owner`. Sizes that make no table give an array
    // without cells.
    CellArray emptyCells(const CellOwner& owner) const;
};

// No statistical form comes near this many data cells: a mistyped size in the dictionary (a
// million rows) must give a message, not exhaust the memory.
inline constexpr qint64 MaxTableCells = 4'000'000;
// Whether a table of these sizes can hold its data area as an array: the fixed part inside the
// table and at most MaxTableCells cells.
inline bool tableSizesFit(int colcount, int rowcount, int fixcols, int fixrows)
{
    return fixcols >= 0 && fixrows >= 0 && colcount >= fixcols && rowcount >= fixrows
           && qint64(colcount - fixcols + 1) * qint64(rowcount - fixrows + 1) <= MaxTableCells;
}
inline bool tableSizesFit(const TableShape& t)
{
    return tableSizesFit(t.colcount, t.rowcount, t.fixcols, t.fixrows);
}

// How the reader orders the tables: by form, then number (ident among equal numbers), or by
// ident, the order they were made in.
enum class ShapeOrder { ByNumber, ByIdent };

// Every table of the dictionary, or of one form, with its form's name as stored (empty for a
// table whose form is missing). DbError passes through.
QList<TableShape> readTableShapes(Database& dictionary, ShapeOrder order);
QList<TableShape> readFormTableShapes(Database& dictionary, int formId, ShapeOrder order);
// The table with that ident; nothing when there is none. DbError passes through.
std::optional<TableShape> readTableShape(Database& dictionary, int ident);
// The first (by ident) table of the form whose number is exactly `tablen`; nothing when none.
std::optional<TableShape> readTableShape(Database& dictionary, int formId, const QString& tablen);
