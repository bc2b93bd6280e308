#pragma once
// State shared by every window of the program: what the main window chose (mode, data table,
// year, institution) and the cells of the table being worked on. Plain data, no widgets; the
// windows set it before they open one another and read it back afterwards.

#include <QList>
#include <QString>

// Whose stored rows an array of cells holds: a save or a summed load goes only where the cells
// came from, so two tables of one size can never take each other's numbers.
struct CellOwner {
    int table = 0;        // tables.ident; 0: the cells belong to no table
    int hospital = 0;     // the institution or summary report; 0 for a sum or nobody's cells
    QString dataTable;    // "data" or "repdata", as stored (lower case)
    int year = 0;
    bool operator==(const CellOwner&) const = default;
};

// The cells of one table, indexed by stored column and stored row (layout column + 1, data row
// + fixrows + 1). Bounds are inclusive; every element starts at 0. An array made with no
// arguments holds no cell at all: every read gives 0 and every write is refused.
class CellArray {
public:
    CellArray() = default;
    // An empty range (high below low in either dimension) gives an array without cells.
    CellArray(int lowColumn, int highColumn, int lowRow, int highRow);

    bool isEmpty() const { return m_cells.isEmpty(); }
    int lowColumn() const { return m_lowColumn; }
    int highColumn() const { return m_highColumn; }
    int lowRow() const { return m_lowRow; }
    int highRow() const { return m_highRow; }

    bool contains(int column, int row) const;
    // 0 outside the bounds.
    double value(int column, int row) const;
    // Both return false and change nothing when the cell lies outside the bounds.
    bool set(int column, int row, double value);
    bool add(int column, int row, double value);
    // Every element back to 0; the bounds stay.
    void fillZero();
    // No cells any more (as made with no arguments).
    void clear();

    // Where the cells were loaded from; set by the loaders, kept by copies.
    const CellOwner& owner() const { return m_owner; }
    void setOwner(const CellOwner& owner) { m_owner = owner; }

    // The elements column by column, each column's rows in order (for a fast loop).
    const double* data() const { return m_cells.constData(); }

private:
    qsizetype indexOf(int column, int row) const;

    int m_lowColumn = 0;
    int m_highColumn = -1;
    int m_lowRow = 0;
    int m_highRow = -1;
    QList<double> m_cells;   // column-major: all rows of the low column first
    CellOwner m_owner;
};

// The main window's work mode: "Input", "Svod", "Terrain", "Single", "Types", "Net" or empty.
inline QString WorkMode;
// The data table that data queries read and write: "Data", "data", "RepData" or "Repdata"
// (empty when no working window needs one). Checked by dataTableIdent() before it reaches SQL.
inline QString DataTablePrefix;
// Network-form (Ф47) mode.
inline bool NetMode = false;
// The report year every data query uses; the main window keeps it in step with its year
// display. 0 while no year is open.
inline int ReportYear = 0;

// The institution or summary report whose data are read and written.
inline int CurrentInstitutionId = 0;
// Comma list of the ids whose data are summed or broken down ("12,345"; a trailing comma is
// tolerated).
inline QString InstitutionIdList;

// The cells of the loaded table: columns fixcols+1..colcount+1, rows fixrows+1..rowcount+1.
inline CellArray CellValues;
// fixrows - 1 of the table last loaded: row r of a reference is element r + CellRowOffset + 2.
inline int CellRowOffset = 0;
// The table CellValues holds during a controls pass; both empty while nothing is loaded.
// LoadedTableNumber keeps its round brackets: "(1000)".
inline QString LoadedFormName;
inline QString LoadedTableNumber;

// The answer to "Округлять результат?" asked before a network table is formed.
inline bool RoundResults = false;
// Comma list of form names that restricts the import of yearly institution data; empty means
// no restriction.
inline QString ChosenForms;

// The data table that `prefix` names, quoted for SQL text: "data" for Data/data, "repdata" for
// RepData/Repdata (letter case ignored, as SQLite ignores it in table names). Empty for any
// other text, the empty one included: such a name must never reach a statement.
QString dataTableIdent(const QString& prefix = DataTablePrefix);
// The Russian message for a prefix dataTableIdent() refuses.
QString unknownDataTableMessage(const QString& prefix = DataTablePrefix);

// The ids of a comma list such as InstitutionIdList. Blank items (a trailing comma) are
// skipped; false, with `ids` emptied, when an item is not a whole number.
bool parseIdList(const QString& list, QList<int>& ids);

// What the program clears when it ends: ChosenForms, WorkMode, InstitutionIdList, CellValues.
void clearSharedState();
