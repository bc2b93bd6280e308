#pragma once
// One header cell as the header cell editor changes it, and its write to `titles`.

#include "entry/GridLayout.h"

#include <QString>

class Database;

struct HeaderEdit {
    QString text;          // as shown and typed: ":" for itself, lines ending in a line feed
    QString fontName;
    double fontSize = 0;   // points, as stored: never rescaled by the screen's density
    bool bold = false;
    bool italic = false;
    TChars chars;
    bool operator==(const HeaderEdit&) const = default;
};

// The edit a placed header cell starts from.
HeaderEdit headerEditOf(const HeaderCell& cell);

// Writes the edit into the title (table, column, row): the text stored with ":" as the
// character 3 and CR LF between lines, as the rest of the dictionary keeps titles, the four
// characters of its look, every value bound. Returns the rows changed (0 when no title is there).
// DbError passes.
int saveHeaderEdit(Database& dictionary, int tableIdent, int column, int row, const HeaderEdit& edit);
