#pragma once
// The four ways the program counts the cells of one table, and the one place that converts
// between them. A table has layout columns 1..colcount and rows 1..rowcount, of which the first
// fixcols columns and fixrows rows are headers.
//
//   layout     column and row of the whole table, headers included (the dictionary's titles)
//   grid       data cells counted from 0, headers excluded (the grid window's cells)
//   stored     the data tables' "column" and "row": one further on than the layout
//   reference  what users and controls write: "Графа" = layout column, "Строка" = data row from 1
//
// For a table with 2 header columns and 3 header rows, grid cell (0, 0) is layout (3, 4),
// stored (4, 5) and reference Графа 3, Строка 1.

#include "core/Common.h"

class CellNumbering {
public:
    constexpr CellNumbering(int fixcols, int fixrows) : m_fixcols(fixcols), m_fixrows(fixrows) {}
    // The numbering of the table a CellArray was made for (its low bounds are fixcols + 1 and
    // fixrows + 1).
    static CellNumbering of(const CellArray& cells)
    {
        return CellNumbering(cells.lowColumn() - 1, cells.lowRow() - 1);
    }

    constexpr int fixcols() const { return m_fixcols; }
    constexpr int fixrows() const { return m_fixrows; }

    // Grid to the others.
    constexpr int layoutColumnOfGrid(int c) const { return m_fixcols + c + 1; }
    constexpr int layoutRowOfGrid(int r) const { return m_fixrows + r + 1; }
    constexpr int storedColumnOfGrid(int c) const { return m_fixcols + c + 2; }
    constexpr int storedRowOfGrid(int r) const { return m_fixrows + r + 2; }
    constexpr int referenceColumnOfGrid(int c) const { return layoutColumnOfGrid(c); }
    constexpr int referenceRowOfGrid(int r) const { return r + 1; }

    // Stored to the others.
    constexpr int gridColumnOfStored(int column) const { return column - m_fixcols - 2; }
    constexpr int gridRowOfStored(int row) const { return row - m_fixrows - 2; }
    constexpr int layoutColumnOfStored(int column) const { return column - 1; }
    constexpr int layoutRowOfStored(int row) const { return row - 1; }
    constexpr int referenceRowOfStored(int row) const { return row - m_fixrows - 1; }
    constexpr int referenceColumnOfStored(int column) const { return layoutColumnOfStored(column); }

    // Reference to the others.
    constexpr int storedColumnOfReference(int column) const { return column + 1; }
    constexpr int storedRowOfReference(int row) const { return row + m_fixrows + 1; }
    constexpr int gridColumnOfReference(int column) const { return column - m_fixcols - 1; }
    constexpr int gridRowOfReference(int row) const { return row - 1; }
    constexpr int layoutRowOfReference(int row) const { return row + m_fixrows; }

    // Layout to the others.
    constexpr int storedColumnOfLayout(int column) const { return column + 1; }
    constexpr int storedRowOfLayout(int row) const { return row + 1; }
    constexpr int gridColumnOfLayout(int column) const { return column - m_fixcols - 1; }
    constexpr int gridRowOfLayout(int row) const { return row - m_fixrows - 1; }
    constexpr int referenceRowOfLayout(int row) const { return row - m_fixrows; }

private:
    int m_fixcols;
    int m_fixrows;
};
