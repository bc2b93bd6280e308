#pragma once
// The table grid's layout as the dictionary describes it: the table's sizes, the widths and
// heights of its layout columns and rows, and its header cells; from them the pixel geometry,
// the place of every header cell on its panel and the wrapping of header text into lines.
// No widgets: text is measured through TextMeasure, so the wrapping is tested with a fake one.

#include "core/TableShape.h"

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>
#include <optional>

class Database;
class Query;

// The look of a header cell, stored as four characters (titles.tchars): vertical alignment
// "T"/"C"/"B" (anything else is top), horizontal "L"/"C"/"R" (anything else is left), direction
// "0" across or "1" turned to read upward, then the indent count ("Сдвиг").
struct TChars {
    enum class Vertical { Top, Center, Bottom };
    enum class Horizontal { Left, Center, Right };

    Vertical vertical = Vertical::Top;
    Horizontal horizontal = Horizontal::Left;
    bool turned = false;
    int indent = 0;

    static TChars parse(const QString& code);
    QString code() const;
    bool operator==(const TChars&) const = default;
};

// One row of `titles`: the header cell at (column, row) covering startColumn..endColumn and
// startRow..endRow (a single cell covers just itself). The grid, the print, the Excel sheet and
// the form structure file all hold it so; the last two fields are read from the stored two.
struct HeaderCell {
    int column = 0;
    int row = 0;
    int startColumn = 0;
    int startRow = 0;
    int endColumn = 0;
    int endRow = 0;
    QString fontName;
    double fontSize = 0;   // in points, as stored
    bool bold = false;
    bool italic = false;
    QString charsCode;     // titles.tchars as stored (the Excel sheet reads more of it)
    QString storedText;    // titles.txt as stored: ":" as the character 3, lines by CR LF
    TChars chars;          // charsCode read
    QString text;          // storedText shown: ":" for the character 3, carriage returns dropped

    bool merged() const { return startColumn != endColumn || startRow != endRow; }
    // The stored pair and what is read from it.
    void setStored(const QString& tchars, const QString& txt);
    // The stored row: what the two read fields follow from need not be compared.
    bool operator==(const HeaderCell& o) const
    {
        return column == o.column && row == o.row && startColumn == o.startColumn
            && startRow == o.startRow && endColumn == o.endColumn && endRow == o.endRow
            && fontName == o.fontName && fontSize == o.fontSize && bold == o.bold
            && italic == o.italic && charsCode == o.charsCode && storedText == o.storedText;
    }
};

// A row of `titles` (all its columns selected) exactly as stored: a span left empty stays so.
HeaderCell headerCellFromStored(const Query& q);

// The one pair that translates a header text between how `titles.txt` holds it and how it is
// shown and edited. Stored, a ":" is the character 3 (the exchange files use ":" themselves) and
// lines are separated by CR LF; shown, a ":" is itself and lines end with a line feed alone.
QString headerTextFromStored(const QString& stored);
QString headerTextToStored(const QString& text);

enum class HeaderPanel { Corner, RowHeaders, ColumnHeaders };

// A header cell placed on its panel: `rect` is in the panel's own pixels.
struct PlacedHeader {
    HeaderCell cell;
    HeaderPanel panel = HeaderPanel::Corner;
    QRect rect;

    bool coversLayoutRow(int row) const { return cell.startRow <= row && row <= cell.endRow; }
    bool coversLayoutColumn(int column) const
    {
        return cell.startColumn <= column && column <= cell.endColumn;
    }
};

// What the dictionary says about one table: its shape, and how its columns, rows and headers
// are drawn.
struct TableLayout : TableShape {
    QList<double> columnWidths;   // [1..colcount] in points, 0 where no `columns` row exists
    QList<double> rowHeights;     // [1..rowcount] in points, 0 where no `rows` row exists
    // Corner, row-header and column-header cells, each group ordered by column, then row.
    QList<HeaderCell> titles;
};

// No statistical table comes near this many layout cells; a mistyped size must give a message,
// not exhaust the memory.
inline constexpr qint64 MaxGridCells = 4'000'000;

// The widest column and the tallest row the grid draws, in points: well over the long side of an
// A3 sheet (1191 pt), so no printable form comes near it, and at any screen's resolution a cell
// stays a few thousand pixels. A larger stored size is drawn at this one.
inline constexpr double MaxCellSizePoints = 2000;

// Reads the table of the form with that number (tables.tablen, brackets kept, matched exactly)
// and its columns, rows and titles. Nothing when the form has no such table, and nothing with a
// Russian reason in *error when its sizes pass MaxGridCells (checked before anything is made
// for its cells). DbError passes.
std::optional<TableLayout> readTableLayout(Database& dictionary, int formId,
                                           const QString& tableNumber, QString* error = nullptr);

// Pixel sizes of a layout. A stored size s (points) takes round(s * dpi / 72) pixels, s taken at
// most MaxCellSizePoints; every column and row is followed by a 1-pixel grid line, and a line
// runs before the first. Offsets and spans stop growing at GridGeometry::MaxExtent, so a table of
// many tall rows draws its first part rather than wrapping round to negative positions.
class GridGeometry {
public:
    GridGeometry() = default;
    explicit GridGeometry(const TableLayout& layout, double dpi = 96);

    // Half of int's range less one: an offset plus a cell, or two offsets, never overflow.
    static constexpr int MaxExtent = (1 << 30) - 1;

    int columnWidth(int layoutColumn) const;   // 0 outside 1..colcount
    int rowHeight(int layoutRow) const;
    // 1 + the sum of (width + 1) over layout columns 1..n; 1 for n = 0.
    int columnOffset(int n) const;
    int rowOffset(int n) const;
    // The pixels a merged span covers, the grid lines inside it included.
    int spanWidth(int startColumn, int endColumn) const;
    int spanHeight(int startRow, int endRow) const;

    int fixcols() const { return m_fixcols; }
    int fixrows() const { return m_fixrows; }
    // The corner panel: the header columns by the header rows, lines included.
    int headerWidth() const { return columnOffset(m_fixcols); }
    int headerHeight() const { return rowOffset(m_fixrows); }
    // The data area, measured from the end of the header columns / rows.
    int dataWidth() const;
    int dataHeight() const;
    // A data cell in the data area's pixels; grid column c is layout column fixcols + c + 1.
    QRect dataCellRect(int gridColumn, int gridRow) const;
    // The grid column or row at a data-area pixel; -1 outside.
    int gridColumnAt(int x) const;
    int gridRowAt(int y) const;

private:
    QList<int> m_colPx;      // [0..colcount], [0] unused
    QList<int> m_rowPx;
    QList<int> m_colOffset;  // [0..colcount]
    QList<int> m_rowOffset;
    int m_fixcols = 0;
    int m_fixrows = 0;
};

// Puts every title on its panel: corner (column <= fixcols, row <= fixrows), row headers
// (column <= fixcols, row > fixrows), column headers (column > fixcols, row <= fixrows). A merged
// span stored under several titles is placed once, from the first of them; titles in the data
// area are not headers and are left out.
QList<PlacedHeader> placeHeaders(const TableLayout& layout, const GridGeometry& geometry);

// Measures text in the header cell's font.
class TextMeasure {
public:
    virtual ~TextMeasure() = default;
    virtual int width(const QString& text) const = 0;
    virtual int height() const = 0;   // of one line
};

// The lines of a header text inside a line length of `lineLength` less the indent. Lines break
// at a line feed, a space or after a "-"; a word that does not fit starts a new line, and a
// word longer than the whole line takes a line of its own.
QStringList wrapHeaderText(const QString& text, int lineLength, int indent,
                           const TextMeasure& measure);

// One wrapped line placed in the cell's text frame: x along the line (indent included), top
// across it. For text across the frame is the cell itself; for turned text the frame is the
// cell turned a quarter upward: its length is the cell's height and its depth the cell's width,
// x counting upward from the bottom edge and top from the left edge.
struct HeaderLine {
    QString text;
    int x = 0;
    int top = 0;
};
struct HeaderText {
    int length = 0;   // the frame along the lines
    int depth = 0;    // the frame across them
    QList<HeaderLine> lines;
};
HeaderText layoutHeaderText(const HeaderCell& cell, QSize cellSize, const TextMeasure& measure);
