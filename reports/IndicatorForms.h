#pragma once
// Changes of one indicator set's grid in the dictionary: titles, formulas and named identifiers
// stored, rows and columns added, inserted and taken out, sizes saved, a text replaced in the
// formulas. Column 0 holds the row titles and row 0 the column titles; the corner title (0, 0)
// stands in both title tables. The named identifiers share the formulas table with column -1 and
// are never touched by a row or column change.
//
// The texts given and returned here are the shown ones, with ":" where the dictionary stores the
// character 3 (the set file's separator). Every write that changes several rows is one
// transaction; DbError passes through after the rollback, so a caller changes what it shows only
// after a call returned.

#include <QList>
#include <QString>
#include <functional>

class Database;

// The sizes a new row or column gets and "Установить стандартные" sets.
constexpr int kIndicatorColumnWidth = 64;
constexpr int kIndicatorRowHeight = 20;

// The text as stored (":" as the character 3) and as shown.
QString indicatorStoredText(const QString& shown);
QString indicatorShownText(const QString& stored);

// What "Ok" stores for a typed text. An empty text becomes a single blank. A title keeps its line
// breaks (as CR LF). A formula loses its line breaks and TABs (the set file keeps one formula a
// line); a formula cell also loses the blanks of its computed part (before the first ";"), its
// suffix keeps them.
enum class IndicatorTextKind { Title, Formula, Identifier };
QString cleanIndicatorText(const QString& typed, IndicatorTextKind kind);

struct IndicatorIdentifier {
    int row = 0;
    QString text;   // shown
    bool operator==(const IndicatorIdentifier&) const = default;
};
// The set's identifiers ordered by row.
QList<IndicatorIdentifier> loadIndicatorIdentifiers(Database& dictionary, int term);

// Stores the typed text of grid cell (column, row), cleaned as above: the corner into both title
// tables, a row or column title, or a formula; a title row missing so far is inserted with
// `width` (column titles and the corner) or `height` (row titles and the corner). Returns the
// text as it now shows.
QString storeIndicatorCell(Database& dictionary, int term, int column, int row, const QString& typed, int width,
                           int height);
QString storeIndicatorIdentifier(Database& dictionary, int term, int row, const QString& typed);

// The title a row or column added at the end gets.
QString newIndicatorRowTitle();
QString newIndicatorColumnTitle();
// A row (column) added at the end: its title stored with its height (width).
void addIndicatorRow(Database& dictionary, int term, int row, int height);
void addIndicatorColumn(Database& dictionary, int term, int column, int width);
// A row (column) inserted before r >= 1 (c >= 1): titles and formulas from there move down
// (right); the new one has no title until one is typed.
void insertIndicatorRow(Database& dictionary, int term, int row);
void insertIndicatorColumn(Database& dictionary, int term, int column);

// Row r >= 1 (row 0 holds the column titles): its title and formulas go, later rows move up.
void deleteIndicatorRow(Database& dictionary, int term, int row);
// Column c >= 1 likewise, later columns move left.
void deleteIndicatorColumn(Database& dictionary, int term, int column);

// The text a new identifier gets, and the identifier added with it: its row (one past the
// largest, 0 for the first).
QString newIndicatorIdentifierText();
int addIndicatorIdentifier(Database& dictionary, int term);
void deleteIndicatorIdentifier(Database& dictionary, int term, int row);

// "Сохранить" of the sizes: the corner (a blank one stored as " ") with widths[0] and
// heights[0], then the widths of the columns from 1 and the heights of the rows from 1 that
// have titles.
void saveIndicatorSizes(Database& dictionary, int term, const QString& cornerShown, const QList<int>& widths,
                        const QList<int>& heights);
// Every title of the set to the standard width and height.
void setStandardIndicatorSizes(Database& dictionary, int term);

struct IndicatorCellChange {
    int row = 0;
    int column = 0;
    QString text;   // shown
    bool operator==(const IndicatorCellChange&) const = default;
};

// The question before a replacement whose new texts would not read as formulas, naming at most
// ten of them (row, column, the reader's complaint) and counting the rest; empty when every
// new text reads.
QString brokenFormulasQuestion(const QList<IndicatorCellChange>& proposed);

// Every occurrence of `find` (letter case ignored) in the formulas of the scope replaced by
// `replacement`, in one pass over each formula, so a replacement that holds the searched text
// ends. The texts are compared as shown (":" for the stored character 3); the replacement goes in
// cleaned as a typed formula is. row or column -1 means every row or column. The number of
// formulas changed (and each one's new text in `changes`); -1 with nothing changed for an empty
// search text. `accept`, when given, sees the new texts before anything is written; false
// writes nothing and gives 0.
using IndicatorChangesCheck = std::function<bool(const QList<IndicatorCellChange>&)>;
int replaceInIndicatorFormulas(Database& dictionary, int term, const QString& find, const QString& replacement,
                               int row = -1, int column = -1, QList<IndicatorCellChange>* changes = nullptr,
                               const IndicatorChangesCheck& accept = {});
