#pragma once
// Summation of report levels: the values of chosen source levels added, institution by
// institution, into a destination level, with the non-summable positions taken from one
// chosen source alone.
//
// The non-summable positions come from a text file in the program folder, one rule per line:
//     form,table,column,rows
// (the table with its brackets, an empty table = every table of the form; one column or a range
// of columns "a..b", and a comma list of rows, items "a..b" taken as ranges, both in the
// numbering users write: Графа and Строка). A line excludes its columns and its rows, a line
// with neither its whole table.

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <functional>

class Database;
class Prompts;

inline const QString NonSummablePositionsFileName = QStringLiteral("Несуммируемые позиции.txt");

struct NonSummableRules {
    struct Table {
        bool whole = false;
        QList<QPair<int, int>> columns;  // reference column ranges (Графа), both ends included
        QList<QPair<int, int>> rows;     // reference row ranges (Строка), both ends included
    };
    QHash<int, Table> tables;            // by tables.ident
    QStringList ignored;                 // lines naming a form or table that does not exist

    bool isEmpty() const { return tables.isEmpty(); }
    // Whether the stored cell (column, row of the data tables) of a table with `fixrows` header
    // rows takes the chosen level's value instead of the sum.
    bool excludes(int table, int fixrows, int storedColumn, int storedRow) const;
};

// Reads rules from the lines of the positions file (capitals folded here), finding forms and
// tables in the structure caches. False with a message naming the line when an item is neither
// a whole number nor a range; *rules is then untouched.
bool parseNonSummable(const QStringList& lines, NonSummableRules* rules, QString* error);
// The rules of the file at `path`; a missing file gives no rule. False with a message when the
// file cannot be read or a line is bad.
bool readNonSummable(const QString& path, NonSummableRules* rules, QString* error);
// The positions file of the program folder.
QString nonSummablePositionsPath();

// The institutions summed when none is chosen: every institution of the structure that is no
// group, in the structure's order, with its name. DbError passes through.
QList<QPair<int, QString>> institutionsToMerge(Database& dictionary);
// The names of the chosen institutions, in the order given (an unknown id keeps an empty name).
QList<QPair<int, QString>> namedInstitutions(Database& dictionary, const QList<int>& ids);

struct MergeRequest {
    QString cfgDir;
    int year = 0;
    QList<int> sources;          // source level ids, in list order
    int destination = 0;         // level id; 0 is the annual report
    int finRepId = 0;            // the source whose values fill the non-summable positions
    QList<QPair<int, QString>> institutions;
    NonSummableRules rules;
};

struct MergeObserver {
    // Before an institution: (institutions done, institutions in all, its name).
    std::function<void(int done, int total, const QString& name)> institution;
    // Before a table of it: (tables done, tables in all).
    std::function<void(int done, int total)> table;
    // After an institution is written (inside the transaction; a throw undoes everything).
    std::function<void(int institutionId)> institutionDone;
};

struct MergeResult {
    qint64 rowsRead = 0;
    qint64 rowsWritten = 0;     // rows the sums hold
    qint64 rowsChanged = 0;     // destination rows inserted, changed or deleted to get there
    QStringList skipped;        // tables the dictionary lacks, values outside their table
};

// Sums the sources into the destination, every year but `year` untouched: each institution's
// destination rows of the year are replaced by the sums. One transaction over the destination,
// each source read in one state through a connection of its own (any number of sources): a
// missing level file or any failure leaves the destination as it was, and false comes back with
// the reason in Russian.
bool mergeLevels(const MergeRequest& request, const MergeObserver& observer, MergeResult* result,
                 QString* error);

// How many values of the year the destination holds for the request's institutions: the rows a
// summation replaces. 0 when the destination's file does not exist (the summation then says so).
// DbError passes through.
qint64 destinationValues(const MergeRequest& request);
// Asks before a summation that would replace stored values of the destination, naming it and the
// year; true when it holds none for the institutions summed or the answer is Да.
bool confirmMergeReplacement(Prompts& prompts, const MergeRequest& request, const QString& destinationName);

// A summation as the window gathered it, before any question.
struct MergeChoice {
    QString cfgDir;
    int year = 0;
    QList<int> sources;            // ticked source level ids, in list order
    int destination = -1;          // level id; -1 while none is chosen
    QString destinationName;
    bool chosenInstitutions = false;  // only the marked institutions are summed
    QList<int> marked;
};

// Why the choice cannot be summed, in the words the window shows; empty when it can.
QString mergeChoiceRefusal(const MergeChoice& choice);
// What the window shows when the level for the non-summable positions was not picked.
inline const QString NoFinRepRefusal = QStringLiteral("Не задан отчет  несуммируемых значений!");
// Builds the request of a checked choice: reads the positions file, finds the institutions and
// asks before replacing stored values. False when the file is bad (*error says so) or the answer
// is Нет (*error empty). DbError passes through.
bool prepareMerge(Database& dictionary, const MergeChoice& choice, int finRepId, Prompts& prompts,
                  MergeRequest* request, QString* error);
// The closing message of a summation that ran: the positions file's unknown lines and what it
// skipped follow the word that it is done.
QString mergeReport(const MergeRequest& request, const MergeResult& result);
