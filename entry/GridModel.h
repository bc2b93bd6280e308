#pragma once
// The table grid without its window: the table's layout and header cells, the cell values (in
// CellValues, shared with the controls engine), the marks of the cells and the entry of the
// focused cell. The window paints what this holds and hands it the keys.
//
// Grid column c and row r count data cells from 0: layout column fixcols + c + 1 ("Графа"),
// data row r + 1 ("Строка"), stored at column c + fixcols + 2 and row r + fixrows + 2.

#include "core/CellNumbering.h"
#include "entry/CellEntry.h"
#include "entry/GridLayout.h"

#include <QList>
#include <QString>
#include <memory>

class Database;
class DataRows;

// Whose data the grid shows and writes: the main window's choices, taken when the grid opens.
struct GridContext {
    QString workMode;
    bool netMode = false;
    int institutionId = 0;
    int year = 0;
    QString dataTablePrefix;

    // WorkMode, NetMode, CurrentInstitutionId, ReportYear, DataTablePrefix.
    static GridContext fromGlobals();
};

class GridModel {
public:
    enum class OpenStatus {
        Opened,       // the table, with what could be loaded of its cells
        NotDefined,   // the form has no table with that number
        Refused,      // the table cannot be shown (absurd sizes): loadError() says why
    };
    // The colours a control run gives the cells of its two sides.
    enum class ErrorMark : quint8 { None, Left, Right };

    // What a typed key did.
    enum class KeyOutcome {
        Refused,   // nothing changed, nothing to repaint
        Changed,   // the typed text changed
        Moved,     // the focus moved (the cell left was committed)
        Close,     // Esc: the window commits and closes
    };
    struct KeyResult {
        KeyOutcome outcome = KeyOutcome::Refused;
        QString error;   // the save of the cell left failed (Russian, for the user)
        QString refusal; // why a typed key was refused (Russian, one line); empty otherwise
    };

    GridModel();
    ~GridModel();

    // Reads the table from the dictionary and loads its cells into CellValues with
    // LoadTableCells, for the context of the shared globals (GridContext::fromGlobals()); saves
    // go to `data`. A table whose cells cannot be loaded (not in the caches, sizes or ident that
    // disagree with the dictionary, no data table, a failing read) opens read-only with
    // loadError() saying why; CellValues then holds no other table's cells. DbError of the
    // dictionary passes through.
    OpenStatus open(Database& dictionary, Database& data, int formId, const QString& formName,
                    const QString& tableNumber);

    bool isOpen() const { return m_open; }
    const TableLayout& layout() const { return m_layout; }
    const GridGeometry& geometry() const { return m_geometry; }
    const QList<PlacedHeader>& headers() const { return m_headers; }
    const GridContext& context() const { return m_context; }
    int tableIdent() const { return m_layout.ident; }
    int columnCount() const { return m_layout.gridColumns(); }
    int rowCount() const { return m_layout.gridRows(); }
    QString loadError() const { return m_loadError; }

    // Typing, clearing and saving are refused: the grid shows sums (mode "Types"), nobody's
    // data (no institution or report chosen) or cells that could not be loaded.
    bool readOnly() const { return m_readOnly; }
    // False when the grid shows the empty table (the expression builder of the controls).
    bool showsNumbers() const;

    // The fraction flags of the open table: EntryAllowsFraction and ShowTwoDecimals together.
    bool showTwoDecimals() const { return m_showTwoDecimals; }
    void setFractions(bool on);

    // CellValues at the grid cell; 0 outside the table.
    double value(int c, int r) const;
    // The cell's text when not focused: fixed notation with 2 decimals or none, empty for 0
    // unless the cell carries an error mark.
    QString displayText(int c, int r) const;
    // What the grid paints in the cell: the typed text in the focused cell, nothing at all when
    // the grid shows no numbers.
    QString shownText(int c, int r) const;

    // The focused cell.
    int col() const { return m_col; }
    int row() const { return m_row; }
    const CellEntry& entry() const { return m_entry; }
    // "Строка 3, Графа 5" for the focused cell.
    QString statusText() const;

    // Moves the focus (clamped into the table), committing the cell left first. The focus moves
    // even when that save fails; the returned message says so and the cell stays unsaved. While
    // the data file stays busy only the first failure has a message: the user knows, and the
    // further cells carry their unsaved mark.
    QString moveTo(int c, int r);
    // Commits the focused cell: when its text was changed (or an earlier save failed) the value
    // goes into CellValues and to the data table. Empty on success, else the Russian message.
    QString putData();
    // One key: Qt::Key_Space and Qt::Key_Return (or Key_Enter) move, Qt::Key_Escape closes,
    // Qt::Key_Backspace takes back a typed character; any other key types `text`, its character.
    KeyResult keyPress(int key, QChar text = QChar());
    // Ctrl+E: the focused cell's text back to what it was when entered. False when nothing
    // was typed (or the grid is read-only).
    bool undo();
    // The clearing keys: the typed text becomes empty. False when read-only or already empty.
    bool clearEntry();

    // Cells whose last save failed: they keep their value in CellValues and are saved again
    // when left.
    bool isUnsaved(int c, int r) const;
    bool hasUnsavedCells() const;
    // Tries every unsaved cell again; empty when all are saved now, else the first message. A
    // busy data file ends the attempt at its first cell: the rest would wait for it in vain.
    QString saveUnsaved();

    // CellValues was replaced as a whole (the table cleared or recalculated) and now holds what
    // is stored: no cell is unsaved any more and the focused cell's entry starts again from its
    // value, whatever was typed into it.
    void valuesReplaced();
    // Reads the table's header cells again (after one was edited) and places them anew; the
    // table's sizes, values and focus stay. DbError passes.
    void reloadHeaders(Database& dictionary);

    // Error marks of a control run and picked cells of the expression builder.
    ErrorMark errorMark(int c, int r) const;
    void setErrorMark(int c, int r, ErrorMark mark);   // ignored outside the table
    void clearErrorMarks();
    bool isPicked(int c, int r) const;
    void setPicked(int c, int r, bool picked);
    void clearPicked();

    // The placed row-header cells whose rows contain the layout row, and the column-header
    // cells whose columns contain the layout column (indexes into headers()).
    QList<int> headersOfLayoutRow(int layoutRow) const;
    QList<int> headersOfLayoutColumn(int layoutColumn) const;

    // The numbering of the open table's cells, and the stored position of a grid cell.
    CellNumbering numbering() const { return CellNumbering(m_layout.fixcols, m_layout.fixrows); }
    int storedColumn(int c) const { return numbering().storedColumnOfGrid(c); }
    int storedRow(int r) const { return numbering().storedRowOfGrid(r); }

private:
    bool inside(int c, int r) const { return c >= 0 && r >= 0 && c < columnCount() && r < rowCount(); }
    qsizetype index(int c, int r) const { return qsizetype(c) * rowCount() + r; }
    QString entryTextOf(int c, int r) const;
    QString saveCellAt(int c, int r);
    void enterFocused();

    bool m_open = false;
    TableLayout m_layout;
    GridGeometry m_geometry;
    QList<PlacedHeader> m_headers;
    GridContext m_context;
    Database* m_data = nullptr;
    std::unique_ptr<DataRows> m_rows;   // the saves' statements, prepared once per open table
    QString m_loadError;
    bool m_readOnly = true;
    bool m_showTwoDecimals = false;

    int m_col = 0;
    int m_row = 0;
    CellEntry m_entry;

    QList<ErrorMark> m_marks;
    QList<bool> m_picked;
    QList<bool> m_unsaved;
    // The last save found the data file busy: the next ones do not wait for its lock, and a
    // move that fails the same way says nothing more.
    bool m_dataBusy = false;
    bool m_quietFailure = false;
};
