#pragma once
// The form structure file (*.frs): one report form's catalogue entry, its tables with their sizes
// and every table's rows, columns and header cells, carried between configurations and years.
// Windows-1251 text, one record a line, CR LF, fields separated by "#":
//
//     Ф14#Деятельность стационара#Нет                    the form: name, title, network flag
//     (1000)#Коечный фонд#4#5#2#2#False#0                  a table: number, name, colcount,
//                                                          rowcount, fixcols, fixrows, floattype, scan
//     стр1#15                                              its rows: number, height
//     гр1#64                                               its columns: number, width
//     заг1#1#1#1#1#2#Arial#8#True#False#CC00#Наименование  its header cells: column, row, merged
//                                                          span (sc, sr, ec, er), font name, size,
//                                                          bold, italic, tchars, text
//
// The last field of a record takes the rest of its line. In a header text a line feed is written
// as the character 1 and a carriage return as the character 2, so that it stays on one line.
//
// The reader parses and checks the whole file and touches no database; importFormStructure()
// then writes it in one transaction. Parser tests feed a QBuffer.

#include "core/TableShape.h"
#include "entry/GridLayout.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class Database;
class QIODevice;

struct StructureRow {
    int row = 0;
    double height = 0;
    bool operator==(const StructureRow&) const = default;
};
struct StructureColumn {
    int column = 0;
    double width = 0;
    bool operator==(const StructureColumn&) const = default;
};
// A table of the file: its shape (number, title, sizes, fraction flag, direction; no ident, which
// belongs to one dictionary) and its layout.
struct StructureTable : TableShape {
    QList<StructureRow> rows;
    QList<StructureColumn> columns;
    QList<HeaderCell> titles;
    bool operator==(const StructureTable&) const = default;
};
struct FormStructure {
    QString formname;
    QString decipher;
    bool net = false;
    QList<StructureTable> tables;
    bool operator==(const FormStructure&) const = default;
};

class FormStructureFileReader {
public:
    // false and errorString() ("строка 7: …") when the file cannot be read or a record is wrong;
    // nothing of such a file may be used. A line that breaks the structure between tables is no
    // failure: it is listed in structureBreaks() and the lines up to the next table are skipped.
    bool read(QIODevice* device, const QString& name = QStringLiteral("файл"));
    bool read(const QString& path);

    const FormStructure& structure() const { return m_structure; }
    // One text per break: the message, a line feed and the offending line.
    const QStringList& structureBreaks() const { return m_breaks; }
    int skippedLines() const { return m_skipped; }
    QString errorString() const { return m_error; }

private:
    FormStructure m_structure;
    QStringList m_breaks;
    int m_skipped = 0;
    QString m_error;
};

class FormStructureFileWriter {
public:
    // Writes through a temporary file: the old file stays whole unless the new one is complete.
    // false and errorString() for a field that the file cannot carry (a "#" or a line break, a
    // character without a Windows-1251 byte), naming the form or table and the field.
    bool write(QIODevice* device, const FormStructure& structure);
    bool write(const QString& path, const FormStructure& structure);
    QString errorString() const { return m_error; }

private:
    QString m_error;
};

// The message shown for every break of the structure.
QString structureBreakMessage();
// The warning after reading a file with breaks: the first ten breaks, then how many more there
// are; empty for a file without any.
QString structureBreaksWarning(const QStringList& breaks);

// The form's structure as the dictionary holds it: tables by tablen, their rows, columns and
// titles in stored order; an empty stored scan reads as 0. Nothing when no form has the id.
std::optional<FormStructure> readFormStructure(Database& dictionary, int formId);

// Writes the form's structure to the file at `path`; false with a Russian *error when no form has
// the id (named as `formName`) or the writer refuses (the old file then stays). DbError passes.
bool exportFormStructure(Database& dictionary, int formId, const QString& formName, const QString& path,
                         QString* error);

struct StructureImport {
    int formId = 0;
    bool formCreated = false;
    int tablesCreated = 0;
    int tablesReplaced = 0;
};
// Writes a read structure in one transaction. The form is found by its name whatever the letter
// case (and then takes the file's name, title and flag) or made with ind 999; each table is found
// by its number within the form and has its sizes and its whole layout replaced, or is made.
// Tables the file lacks stay. DbError passes and leaves the dictionary as it was.
StructureImport importFormStructure(Database& dictionary, const FormStructure& structure);
