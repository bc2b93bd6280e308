#pragma once
// The files of the dBase export that live in the program folder: the mapping database links.mdb
// (SQLite) and the empty template Empt.dbf, made as a small receiving body would hand them over.

#include <QString>

namespace Sample {

// Writes <program folder>/links.mdb and <program folder>/Empt.dbf anew. False with `error` when
// a file could not be made; an older file then stays as it was.
bool makeDbfExportFiles(const QString& programFolder, QString* error);

// The template's layout: a1 C2, a2 C4, a4 C7, a5 C6, a6 C3, a81..a828 numeric of this width
// with 2 decimals.
inline constexpr int DbfValueWidth = 12;
// Writes an empty template with that layout to `path` (which must end in ".dbf").
bool makeDbfTemplate(const QString& path, QString* error);

}
