#pragma once
// The sample's form blanks (forms/<form>.docx) and placement files (forms/<form>.txt) for Ф12,
// Ф30 and Ф47, made with the program's own Word layer. Ф12's blank is landscape; one cell of
// Ф30's blank holds text before its value; Ф30's table (3100) is sent in two blocks to two Word
// tables.

#include <QString>

namespace Sample {

// Writes the blanks and placement files into <yearFolder>/forms; false with the reason otherwise.
bool writeFormBlanks(const QString& yearFolder, QString* error);

}
