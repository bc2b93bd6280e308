#pragma once
// The formation conditions file (.cnd): one condition of a network table a line, eleven fields
// separated by TAB (form name, table number, row, column, type, formula, condition, koeff,
// country, midle, types), Windows-1251 with CR LF, no quoting. Yes/no fields are "True" or
// "False"; a condition's CR is written as the character 2 and its LF as the character 1, so a
// condition of several lines stays on one line. An empty koeff stands for none. No database.

#include "core/NetConditions.h"

#include <QIODevice>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// One line of the file: whose table, by form name and number, and the record of "conditions"
// it carries (row and column as there; the file's country and midle are `rural` and `average`).
// The table's ident, lft and rght are not in the file: they stay empty.
struct ConditionsFileLine : NetCondition {
    QString formName;
    QString tableNumber;         // tables.tablen with its brackets
    int lineNumber = 0;          // where the reader found it
    bool operator==(const ConditionsFileLine& o) const
    {
        return formName == o.formName && tableNumber == o.tableNumber
            && static_cast<const NetCondition&>(*this) == o;
    }
};

// The form's name as field 1 carries it: up to its first blank, at most 10 characters.
QString conditionsFileFormName(const QString& formName);
// Whether a field 1 names the form: its cut name or its whole name, letter case aside.
bool conditionsFileNamesForm(const QString& field, const QString& formName);

// "строка 3", "графа 5" or "строка 3, графа 5": the user's numbers of a condition's place
// (data row + 1, layout column = fixcols + column + 1).
QString conditionPlaceText(int row, int column, int fixcols);

class ConditionsFileReader {
public:
    // Far past any real file: a network form has a few tables of some dozens of conditions.
    static constexpr int maxLineBytes = 64 * 1024;
    static constexpr int maxLines = 100000;

    // Reads and checks the whole file: eleven fields a line, whole numbers for row, column and
    // koeff, "True"/"False" for the yes/no fields, a row or a column given (not -1 both). False
    // and errorString() naming the first bad line; nothing is kept then. Blank lines are left
    // out.
    bool read(QIODevice* device, const QString& name);
    bool read(const QString& path);
    const QList<ConditionsFileLine>& lines() const { return m_lines; }
    QString errorString() const { return m_error; }

private:
    QList<ConditionsFileLine> m_lines;
    QString m_error;
};

class ConditionsFileWriter {
public:
    // Writes every line. False and errorString() naming the table and the place of the first
    // condition the layout cannot carry (a TAB anywhere, a line break in the formula or the
    // types, the character 1 or 2 in the condition, a character without a Windows-1251 byte);
    // the path overload then leaves an existing file as it was. `fixcols` gives, per line, the
    // header columns of its table for the message (empty: 0).
    bool write(QIODevice* device, const QList<ConditionsFileLine>& lines,
               const QList<int>& fixcols = {});
    bool write(const QString& path, const QList<ConditionsFileLine>& lines,
               const QList<int>& fixcols = {});
    QString errorString() const { return m_error; }

    // The line without its CR LF; false and *error (without the place) when it cannot be written.
    static bool formatLine(const ConditionsFileLine& line, QString* text, QString* error);

private:
    QString m_error;
};

class Database;

// What a load of the conditions file did, for the message the forms tree shows.
struct ConditionsLoadResult {
    bool changed = false;   // the form's conditions were replaced
    int loaded = 0;         // conditions stored
    int skipped = 0;        // lines of other forms
    QString message;        // Russian: the counts, or why nothing changed
};

// Writes the conditions of every table of the form (tables in ident order, each table's records
// in stored order) under the cut `formName` (conditionsFileFormName). False and *error, the old file left as it was, when the
// file cannot be written or a condition cannot be carried by the layout (its table and place
// named). DbError passes.
bool saveFormConditions(Database& dictionary, int formId, const QString& formName,
                        const QString& path, QString* error);

// Replaces the conditions of the form's tables by the file's lines of that form (its name
// matched by conditionsFileNamesForm, tables by their full number). The whole file is read
// and checked first: a bad line, a table the form does not have, a place outside its table or
// given twice changes nothing and is named, and so does a file without a line of the form.
// Otherwise the form's records go and the lines are stored in one transaction. DbError passes
// (after the rollback: the old conditions stay).
ConditionsLoadResult loadFormConditions(Database& dictionary, int formId, const QString& formName,
                                        const QString& path);
