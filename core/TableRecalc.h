#pragma once
// The one recalculation of stored tables: a summary report's (or territory's) tables summed from
// its composing institutions or incoming reports, or a network table (Ф47) formed from its
// conditions. The forms tree ("Пересчитать форму", "Пересчитать отчет") and the grid
// ("Пересчитать таблицу") both call it; it asks nothing (the caller asked "Округлять
// результат?" and the confirmations before).
//
// Every table is computed in memory first and then saved atomically on its own (a savepoint of
// the run's one transaction, so the run pays one commit): a failure leaves that table's old
// rows, keeps the tables already saved and names the table. With no
// composing institution or report nothing is computed or saved and the outcome says so.
// A sum reads every composing owner's rows in one pass over the year, into arrays, never one
// grouped query per table.

#include "core/Common.h"
#include "core/ResultList.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class Database;

// Whose tables are recalculated, from what, and how.
struct RecalcContext {
    Database* dictionary = nullptr;   // dbmain
    Database* data = nullptr;         // dbdat
    int year = 0;
    int owner = 0;                    // the report whose rows are replaced (CurrentInstitutionId)
    QString ownerTable;               // "repdata" or "data": where the results go
    QList<int> composition;           // the ids summed, or the candidates of a formation
    QString sourceTable;              // what a sum reads: "data" (institutions), "repdata"
                                      // (incoming reports, mode "Terrain")
    bool formation = false;           // NetMode: network tables are formed, not summed
    bool round = false;               // RoundResults: formed values rounded, halves to even
    bool ofReports = false;           // the composition is reports (for the messages)
    // Hears how far a sum is: the composing owners read so far of all of them, (0, n) before the
    // first; a sum of many institutions takes a while.
    std::function<void(int done, int total)> progress;

    // From the shared state: dbmain/dbdat, ReportYear, CurrentInstitutionId, DataTablePrefix,
    // InstitutionIdList, WorkMode ("Terrain" sums "repdata"), NetMode, RoundResults. False
    // with a Russian reason when the prefix names no data table, the list is malformed or no
    // owner is chosen.
    static bool fromGlobals(RecalcContext* context, QString* error);
};

// One problem a formation met; the run goes on and lists them all once at the end.
struct FormationProblem {
    QString table;       // "Ф47 (0100)"
    QString cell;        // "строка 6 графа 3", "строка 2" (a row record), "графа 4"
    QString condition;   // the condition or formula text concerned, as stored
    QString reason;      // Russian
    bool operator==(const FormationProblem&) const = default;
};

// The problems as the result-list window shows them: columns "Таблица", "Ячейка", "Условие",
// "Причина", one line each.
ResultList formationProblemsList(const QList<FormationProblem>& problems, const QString& caption);

struct TableRecalcResult {
    bool saved = false;
    QString error;                        // why nothing was saved (Russian), empty when saved
    CellArray cells;                      // what was stored (shaped as CellValues, owned by
                                          // the context's owner); empty when nothing was saved
    QList<FormationProblem> problems;     // a formation's problems (the table was still saved)
};

// Recalculates one table (tables.ident) and saves it: formed from its conditions when
// `formation` is set, else summed. DbError of the save does not pass: it is the result's error,
// the old rows stay.
TableRecalcResult recalculateTable(const RecalcContext& context, int tableIdent,
                                   const std::function<void(const QString&)>& status = {});

struct RecalcOutcome {
    bool nothingDone = false;            // the composition was empty: nothing saved
    QStringList saved;                   // "Ф47 (0100)" per table saved, in order
    QString failedTable;                 // the table whose save failed (the run stopped there)
    QString error;                       // Russian; empty when every table was saved
    QList<FormationProblem> problems;
};

// Recalculates the tables (tables.ident, in the order given) for the context: sums read the
// composing rows once for all tables. Stops at the first table that cannot be saved.
RecalcOutcome recalculateTables(const RecalcContext& context, const QList<int>& tableIdents,
                                const std::function<void(const QString&)>& status = {});

// The sums alone, nothing saved: each table's array (shaped as CellValues, owned by the
// context's owner), in the order given. False with a Russian reason when a table cannot be read
// or a sum leaves the range of Decimal. DbError passes through.
bool sumTables(const RecalcContext& context, const QList<int>& tableIdents, QList<CellArray>* sums,
               QString* error = nullptr);

// The Russian message for an empty composition ("... пересчет не выполнен").
QString emptyCompositionMessage(bool ofReports);
