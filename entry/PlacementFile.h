#pragma once
// The placement file of a form's blank (forms/<form>.txt): one line per block of a table's data
// cells and the Word table and cell where the block's first cell goes. A line holds eight fields
// separated by ",": Word table, Word column, Word row, the table number inside one further
// character at each end ("'(1000)'"), first column, first row, last column, last row. Columns
// are the table's layout columns; rows count the data rows from 1. Blank lines are skipped.

#include <QList>
#include <QString>

class WordDocument;

struct PlacementLine {
    int lineNumber = 0;    // in the file, from 1
    int wordTable = 0;     // from 1
    int wordColumn = 0;    // Word column of the block's first column
    int wordRow = 0;       // Word row of the block's first row
    QString tableNumber;   // as tablen stores it: "(1000)"
    int firstColumn = 0;
    int firstRow = 0;
    int lastColumn = 0;
    int lastRow = 0;
    bool operator==(const PlacementLine&) const = default;
};

// One line, without checking it against the dictionary. False and a Russian message naming the
// line when it is not eight fields or a number field is not a whole number.
bool parsePlacementLine(const QString& text, int lineNumber, PlacementLine* line, QString* error);

// Reads the whole file through the bounded reader and checks every line: its table is a table
// of the form, the block lies inside the table's data cells with first <= last, and, when a blank
// is given, every Word cell the block is sent to exists in it. Nothing is returned on the first
// bad line; the message names the file and the line.
bool readPlacementFile(const QString& path, int formId, const WordDocument* blank,
                       QList<PlacementLine>* lines, QString* error);
