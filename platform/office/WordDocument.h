#pragma once
// A Word document (.docx) written and read without Word. It keeps the whole package of the file
// it came from, so a form's blank keeps its tables, styles and pictures, and it changes only what
// is asked: text into cells, paragraphs and tables at the end, sections and their headers,
// protection. Word, LibreOffice Writer and the layer's own reader open the result.
//
// Numbering follows Word's object model: tables, rows, cells and sections count from 1.
// A failing call returns false (or a null table) and sets errorString(), which names the file.

#include <QList>
#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <vector>

#include "platform/office/OfficePackage.h"

class XmlNode;
class WordDocument;

enum class WordAlignment { Default, Left, Centre, Right, Justify };
// Word's three headers of a section: on every page, on its first page, on even pages. The second
// shows only in a section with a distinct first page and the third only in a document with
// distinct even pages, as in Word.
enum class WordHeaderKind { Primary, FirstPage, EvenPages };

struct WordParagraphFormat {
    double fontSize = 0;          // points; 0 keeps the style's size
    WordAlignment alignment = WordAlignment::Default;
    bool bold = false;
};

struct WordHeaderFormat {
    WordAlignment alignment = WordAlignment::Default;
    double fontSize = 0;          // points; 0 keeps the style's size
    bool pageNumberAtRight = false;  // a PAGE field at the right margin, after the text
};

// How a table cell shows its text.
struct WordCellFormat {
    double fontSize = 0;          // points; 0 keeps the style's size
    WordAlignment alignment = WordAlignment::Default;
    bool bold = false;
    bool middle = false;          // centred between the cell's top and bottom
    bool turned = false;          // read from bottom to top, as the heading of a narrow column
    double indent = 0;            // points from the cell's left edge
};

// A header as it reads back: the text without fields, tabs as "\t" (trailing ones dropped),
// paragraphs joined by "\n".
struct WordHeader {
    bool present = false;
    QString text;
    bool pageNumber = false;
};

// A table of the document; valid while the document lives and the table stays in it.
class WordTable {
public:
    WordTable() = default;
    bool isNull() const { return !m_table; }
    int rowCount() const;
    // The number of cell elements in `row` (0 when there is no such row).
    int cellCount(int row) const;

    // The rule for merged cells: `row` is the n-th row of the table and `column` the n-th cell
    // element of that row, so a cell merged across columns counts once, and a cell merged down
    // counts in each row it spans (its lower parts hold no text of their own).
    bool hasCell(int row, int column) const;
    // The cell's text, paragraphs joined by "\n", without Word's end-of-cell marks; an empty
    // text when there is no such cell.
    QString cellText(int row, int column) const;
    // Replaces the cell's text, keeping the formatting of its first paragraph and run.
    bool setCellText(int row, int column, const QString& text);
    // Appends text at the end of the cell's last paragraph, in the formatting of its last run
    // (or of the paragraph mark when it has no run), as Word's InsertAfter on a cell does.
    bool appendToCell(int row, int column, const QString& text);
    // Replaces the cell's text and gives it `format`. An empty text leaves an empty paragraph in
    // that format, which text appended later takes.
    bool setCellText(int row, int column, const QString& text, const WordCellFormat& format);
    // Adds a row at the end shaped like the last one, with empty cells.
    void addRow();

    // The widths of the table's grid columns, in points, one per column of the grid.
    bool setColumnWidths(const QList<double>& points);
    // The least height of a row, in points.
    bool setRowHeight(int row, double points);
    // Merges the cells from (row, column) to (lastRow, lastColumn) into one, which keeps the first
    // cell's text. Here `column` counts the table's grid, as the table was made, not the cell
    // elements: the block is given alike before and after other merges. Fails, changing nothing,
    // when the block cuts a cell merged before.
    bool mergeCells(int row, int column, int lastRow, int lastColumn);

private:
    friend class WordDocument;
    const std::vector<std::vector<XmlNode*>>* rows() const;   // null for a null table

    WordTable(WordDocument* document, XmlNode* table, int index)
        : m_document(document), m_table(table), m_index(index) {}
    XmlNode* cellElement(int row, int column) const;   // sets the document's error when missing
    QList<int> gridWidths() const;                       // twips, per grid column

    WordDocument* m_document = nullptr;
    XmlNode* m_table = nullptr;
    int m_index = 0;
};

class WordDocument {
public:
    WordDocument();
    ~WordDocument();
    WordDocument(WordDocument&&) noexcept;
    WordDocument& operator=(WordDocument&&) noexcept;

    // A new blank document: A4 portrait, Times New Roman 12, Russian.
    void createBlank();
    // A new document from a template (.docx or .dotx): its content, styles, sections and headers.
    // A Word 97-2003 file (.doc) is refused with a message saying to convert it to .docx.
    bool createFromTemplate(const QString& templatePath);
    // Opens an existing document for reading or changing.
    bool open(const QString& path);
    // Writes the document; an existing file is replaced only once the whole file was written.
    bool save(const QString& path);
    QString errorString() const { return m_error; }
    // The template or file the document came from; empty for a blank one.
    QString sourcePath() const { return m_source; }

    // The top-level tables of the body, in document order.
    int tableCount() const;
    WordTable table(int index);                      // null and errorString() when missing
    // Shortcuts of table(index).appendToCell / cellText.
    bool appendToCell(int table, int row, int column, const QString& text);
    bool cellText(int table, int row, int column, QString* text);

    // Appends a paragraph at the end of the body; a line break in the text starts a new
    // paragraph of the same format. Appended text is in the Normal style.
    void appendParagraph(const QString& text, const WordParagraphFormat& format = {});
    // Appends a table with single borders around and between all cells, of equal columns over
    // the text width. A paragraph always follows a table at the end of the body.
    WordTable appendTable(int rows, int columns);
    // Text to table: one row per list, one cell per text; rows shorter than the longest one get
    // empty cells.
    WordTable appendTable(const QList<QStringList>& rows);
    // The texts of the body's paragraphs outside tables, in order (empty ones included).
    QStringList paragraphTexts() const;

    // Sections count from 1; the last one holds what follows the last section break.
    int sectionCount() const;
    // Ends the last section with a section break; the new last section starts on a new page with
    // the page setup and headers of the one before.
    void addSectionOnNewPage();
    bool setHeader(int section, WordHeaderKind kind, const QString& text,
                   const WordHeaderFormat& format = {});
    // The header the section shows (a section without one of its own shows the one of the
    // section before, as in Word).
    WordHeader header(int section, WordHeaderKind kind) const;
    bool setHeaderDistance(int section, double points);
    double headerDistance(int section) const;      // points; -1 when not set or no such section
    bool setPortrait(int section);
    bool setLandscape(int section);
    bool isPortrait(int section) const;
    bool startsOnNewPage(int section) const;

    // Protection for reading only, with the password kept as Word's salted hash.
    void protectReadOnly(const QString& password);
    // Whether Word enforces some protection on the document; its kind ("readOnly", "forms", ...).
    bool isProtected() const;
    QString protectionKind() const;
    bool protectionPasswordMatches(const QString& password) const;

    // Document variables (w:docVar): named texts the document carries unseen, kept by Word.
    void setVariable(const QString& name, const QString& value);
    QString variable(const QString& name) const;   // empty when the document has none of that name

private:
    friend class WordTable;
    bool load(const QString& path, bool asTemplate);
    XmlNode* xml(const QString& part) const;         // parsed once, written back on save
    QString partRelatedToMain(const QString& type) const;
    XmlNode* body() const;
    XmlNode* bodySectionProperties();                // created when the body has none
    QList<XmlNode*> sections() const;
    XmlNode* section(int index);
    XmlNode* relationships();                        // of the main part, created when missing
    XmlNode* settings(bool create) const;
    QString displayName() const;
    void setError(const QString& text) const { m_error = text; }
    void dropUnusedHeaders();
    void endBodyWithParagraph();
    void placePageNumbers();

    // The body's tables and, once one is asked for, its cell elements row by row. Walking the
    // nodes for every cell made the fill of a blank cost the square of its size. A table or row
    // this layer adds is added to the index; any other change of the shape of what it looked
    // into makes it read again (see XmlNode::watch).
    struct IndexedTable {
        XmlNode* table = nullptr;
        bool rowsRead = false;
        std::vector<std::vector<XmlNode*>> rows;   // the cell elements of each row
    };
    std::vector<IndexedTable>& indexedTables() const;
    IndexedTable* indexedTable(int index, const XmlNode* table) const;   // null when not in the body
    void forgetTables();

    OfficePackage m_package;
    QString m_mainPart;
    QString m_source;
    mutable QString m_error;
    mutable std::map<QString, std::unique_ptr<XmlNode>> m_xml;
    QStringList m_numberedHeaders;   // headers whose page number stands at a right tab
    mutable std::vector<IndexedTable> m_tables;
    mutable bool m_tablesRead = false;
    mutable quint64 m_tablesStamp = 0;   // XmlNode::shapeChanges() the index was read at
};
