#pragma once
// The sample's form blanks (forms/<form>.docx) and placement files (forms/<form>.txt) for Ф12,
// Ф30 and Ф47, made with the program's own Word layer. Each table of a blank is headed as the
// dictionary's titles head the table grid: merged header cells, titles of several lines, turned
// narrow headings, the row names with their codes and the row of column numbers, so a print
// looks like the form. Ф12's blank is landscape; one cell of Ф30's blank holds text before its
// value; Ф30's table (3100) is sent in two blocks to two Word tables.

#include <QString>

class Database;

namespace Sample {

// Writes the blanks and placement files of the forms the dictionary holds into
// <yearFolder>/forms; false with the reason otherwise.
bool writeFormBlanks(Database& dictionary, const QString& yearFolder, QString* error);

}
