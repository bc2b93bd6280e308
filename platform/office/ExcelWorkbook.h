#pragma once
// An Excel workbook held in memory: sheets in order, cells with text or numbers and their format,
// merged ranges, column widths, row heights and frozen panes. XlsxWriter writes it as .xlsx,
// XlsxReader reads an .xlsx back into it.
//
// Rows and columns count from 1, as Excel's Cells(row, column) does.

#include <QList>
#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <utility>
#include <vector>

enum class ExcelHorizontal { General, Left, Centre, Right, Justify };
enum class ExcelVertical { Bottom, Top, Centre, Justify };

// Thin continuous lines that setBorders draws over a range.
namespace ExcelBorder {
enum Line : int {
    Left = 1,
    Top = 2,
    Bottom = 4,
    Right = 8,
    InsideVertical = 16,
    InsideHorizontal = 32,
    All = 63,
};
}

struct ExcelCellFormat {
    QString numberFormat;            // "@", "0.00", "0"; empty is General
    QString fontName;                // empty is the workbook's default font
    double fontSize = 0;             // points; 0 is the default size
    bool bold = false;
    bool italic = false;
    ExcelHorizontal horizontal = ExcelHorizontal::General;
    ExcelVertical vertical = ExcelVertical::Bottom;
    bool wrap = false;
    int rotation = 0;                // degrees, -90..90 (90 turns the text upwards)
    int indent = 0;                  // 0..15
    int borders = 0;                 // the cell's own edges: Left | Top | Bottom | Right
    bool operator==(const ExcelCellFormat&) const = default;
    bool isDefault() const { return *this == ExcelCellFormat(); }
};

struct ExcelRange {
    int firstRow = 1;
    int firstColumn = 1;
    int lastRow = 1;
    int lastColumn = 1;
    static ExcelRange cell(int row, int column) { return {row, column, row, column}; }
    // The range between two corner cells, whichever order they are given in.
    static ExcelRange between(int row1, int column1, int row2, int column2);
    bool isSingleCell() const { return firstRow == lastRow && firstColumn == lastColumn; }
    bool contains(int row, int column) const;
    bool intersects(const ExcelRange& other) const;
    // The smallest range holding both, as Excel's Range(a, b).
    ExcelRange united(const ExcelRange& other) const;
    QString toA1() const;                       // "B2:D4", or "B2" for one cell
    bool operator==(const ExcelRange&) const = default;
};

// "A1" for (1, 1), "AB12" for (12, 28).
QString excelCellName(int row, int column);
// Row and column of "AB12" ("$A$1" too); false when it is no cell name.
bool parseExcelCellName(const QString& name, int* row, int* column);

struct ExcelValue {
    enum class Type { Empty, Text, Number };
    Type type = Type::Empty;
    QString text;
    double number = 0;
    static ExcelValue ofText(const QString& t) { return {Type::Text, t, 0}; }
    static ExcelValue ofNumber(double n) { return {Type::Number, QString(), n}; }
    bool isEmpty() const { return type == Type::Empty; }
    bool operator==(const ExcelValue&) const = default;
};

class ExcelWorkbook;

class ExcelSheet {
public:
    // Excel's limits: 1 048 576 rows, 16 384 columns, 32 767 characters in a cell. A cell
    // outside them is kept, and the writer refuses the workbook with a message naming it.
    static constexpr int maxRow = 1048576;
    static constexpr int maxColumn = 16384;
    static constexpr int maxTextLength = 32767;

    const QString& name() const { return m_name; }

    void setText(int row, int column, const QString& text);
    void setNumber(int row, int column, double value);
    void setValue(int row, int column, const ExcelValue& value);
    ExcelValue value(int row, int column) const;

    ExcelCellFormat format(int row, int column) const;
    void setFormat(int row, int column, const ExcelCellFormat& format);
    // Each setter changes one property of every cell of the range.
    void setNumberFormat(const ExcelRange& range, const QString& format);
    void setFontName(const ExcelRange& range, const QString& name);
    void setFontSize(const ExcelRange& range, double points);
    void setBold(const ExcelRange& range, bool bold);
    void setItalic(const ExcelRange& range, bool italic);
    void setHorizontalAlignment(const ExcelRange& range, ExcelHorizontal alignment);
    void setVerticalAlignment(const ExcelRange& range, ExcelVertical alignment);
    void setWrapText(const ExcelRange& range, bool wrap);
    void setOrientation(const ExcelRange& range, int degrees);   // clamped to -90..90
    void setIndentLevel(const ExcelRange& range, int level);     // clamped to 0..15
    // Thin continuous lines: the outer edges named and the lines between the range's cells.
    void setBorders(const ExcelRange& range, int lines);

    // Merges the range into one cell. A single cell is left as it is; a range overlapping an
    // earlier merge is refused (false and *error), as Excel refuses it.
    bool merge(const ExcelRange& range, QString* error = nullptr);
    const QList<ExcelRange>& merges() const { return m_merges; }

    // Width in Excel's units (characters of the default font), clamped to 0..255; 0 hides.
    void setColumnWidth(int column, double width);
    double columnWidth(int column) const;       // -1 when not set
    // Sets every column that holds text or numbers wide enough for its longest line (one
    // character to spare, within 255), so nothing is cut without the user widening it.
    void fitColumnWidths();
    const std::map<int, double>& columnWidths() const { return m_widths; }
    // Height in points, clamped to 0..409.
    void setRowHeight(int row, double points);
    double rowHeight(int row) const;            // -1 when not set
    const std::map<int, double>& rowHeights() const { return m_heights; }

    // Freezes the rows above `row` and the columns left of `column`: the cell given is the
    // top-left one of the part that scrolls. (1, 1) freezes nothing.
    void freezePanes(int row, int column);
    int frozenRows() const { return m_frozenRow - 1; }
    int frozenColumns() const { return m_frozenColumn - 1; }

    // The range of every cell holding a value or a format, merges included; (1,1) when empty.
    ExcelRange usedRange() const;
    bool isEmpty() const { return m_cells.empty() && m_merges.isEmpty(); }

    struct Cell {
        ExcelValue value;
        ExcelCellFormat format;
    };
    // Every cell that holds a value or a format, keyed by (row, column), in row order.
    const std::map<std::pair<int, int>, Cell>& cells() const { return m_cells; }

private:
    friend class ExcelWorkbook;
    friend class XlsxReader;
    explicit ExcelSheet(const QString& name) : m_name(name) {}
    template <typename Change> void change(const ExcelRange& range, Change how);
    void tidy(int row, int column);

    QString m_name;
    std::map<std::pair<int, int>, Cell> m_cells;
    QList<ExcelRange> m_merges;
    std::map<int, double> m_widths;
    std::map<int, double> m_heights;
    int m_frozenRow = 1;
    int m_frozenColumn = 1;
};

class ExcelWorkbook {
public:
    ExcelWorkbook();
    ~ExcelWorkbook();
    ExcelWorkbook(ExcelWorkbook&&) noexcept;
    ExcelWorkbook& operator=(ExcelWorkbook&&) noexcept;

    int sheetCount() const { return int(m_sheets.size()); }
    ExcelSheet* sheet(int index) const;                 // from 0; nullptr when out of range
    // The sheet of that name, letter case ignored (Cyrillic too); nullptr when none.
    ExcelSheet* findSheet(const QString& name) const;
    int indexOf(const ExcelSheet* sheet) const;
    QStringList sheetNames() const;

    // Adds a sheet at the end, before or after another one. The name is made one that Excel
    // accepts (see validSheetName); sheet->name() tells what it became.
    ExcelSheet* addSheet(const QString& name);
    ExcelSheet* addSheetBefore(const ExcelSheet* before, const QString& name);
    ExcelSheet* addSheetAfter(const ExcelSheet* after, const QString& name);
    // Renames, making the name valid and unique; returns the name given.
    QString renameSheet(ExcelSheet* sheet, const QString& name);
    // Renames the sheets whose names `taken` already holds (used when they join another book).
    void makeNamesUniqueAgainst(const QStringList& taken);

    // A sheet name Excel accepts and that none of `taken` has (letter case ignored): the
    // characters : \ / ? * [ ] become "_", control characters and apostrophes at either end go,
    // it is cut to 31 characters, an empty name becomes "Лист1" (or the next free number), and a
    // name in use or Excel's reserved "History" gets " (2)", " (3)", ... within the 31.
    static QString validSheetName(const QString& wanted, const QStringList& taken);

private:
    friend class XlsxReader;
    ExcelSheet* insertSheet(int index, const QString& name);
    std::vector<std::unique_ptr<ExcelSheet>> m_sheets;
};
