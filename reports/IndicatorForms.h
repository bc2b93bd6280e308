#pragma once
// Changes of one indicator set's grid in the dictionary: rows and columns taken out with the
// cells after them moved up or left, and a text replaced in the formulas. The named identifiers
// share the formulas table with column -1 and are never touched by these.

#include <QString>

class Database;

// Row r >= 1 (row 0 holds the column titles): its title and formulas go, later rows move up.
// One transaction; DbError passes through after the rollback.
void deleteIndicatorRow(Database& dictionary, int term, int row);
// Column c >= 1 likewise, later columns move left.
void deleteIndicatorColumn(Database& dictionary, int term, int column);

// Every occurrence of `find` (letter case ignored) in the formulas of the scope replaced by
// `replacement`, in one pass over each formula, so a replacement that holds the searched text
// ends. row or column -1 means every row or column. The number of formulas changed; -1 with
// nothing changed for an empty search text.
int replaceInIndicatorFormulas(Database& dictionary, int term, const QString& find, const QString& replacement,
                               int row = -1, int column = -1);
