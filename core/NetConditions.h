#pragma once
// The conditions of the network form (Ф47): the stored records that say, per row, column or
// single cell of a network table, which institutions take part and what is taken from them, and
// the one reader and evaluator of their condition language and formulas. The condition dialog,
// the breakdown of a cell by institutions and the formation of a table all go through here, so
// the three can never disagree about who counts.
//
// The condition language. A term is a cell reference with a comparison: an optional prefix
// "number relation" (5<), the reference read by the controls engine's reader (readCellRef), an
// optional suffix "relation number" (>0); "5<Ф30Т(3100)СТР1ГР3<10" holds both. The form is
// required (a condition has no table of its own to complete it from); a form without a table
// means the form's first table, as in controls; rows are data rows of the referenced table and
// columns its layout columns, as in controls. Relations: = <> > >= < <=.
// Terms are joined by AND and OR (Latin, any letter case), applied strictly from left to right
// without precedence, and grouped with round brackets. Blanks and line breaks do not count.
//
// A comparison reads the institutions' own numbers ("data" of the report year); a cell without
// a stored row counts as 0. Over several cells an institution is taken when any one cell
// satisfies the comparison, except "=0" (or "0="): no cell holds a non-zero value. A term
// without a comparison takes the institutions with a non-zero value in one of its cells.
//
// A formula is cell references (form required) joined by "+" and "-", or a plain number; "*"
// stands for the formula of the row (or column) that selects the institutions, and for nothing
// in a cell record's own formula, which has no such row.
//
// Nothing of a condition, formula or type list is ever put into SQL text: the ids and numbers
// they name are bound or compared in memory.

#include "core/CellRefs.h"
#include "core/Decimal.h"

#include <QHash>
#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Database;

// One record of the dictionary table "conditions". Row and column are 0-based data row and data
// column (the grid's own indexes); a row record has column -1, a column record row -1, a cell
// record both set.
struct NetCondition {
    int tid = 0;              // tables.ident
    int row = -1;
    int column = -1;
    bool sum = false;         // "type": true "Сумма" (the formula), false "Счетчик" (the count)
    QString formula;
    QString condition;        // may hold several lines
    std::optional<int> koeff; // the divisor; no value (NULL) reads as 1
    bool rural = false;       // "country": rural institutions only
    QString lft;              // kept as stored; nothing uses them
    QString rght;
    bool average = false;     // "midle": divided by the number of institutions
    QString types;            // "*" for all types, else type ids joined by ",": "3,12"

    enum class Kind { Cell, Row, Column, Invalid };
    Kind kind() const;
    bool allTypes() const { return types == QStringLiteral("*"); }
    int divisor() const { return koeff.value_or(1); }
    bool operator==(const NetCondition&) const = default;
};

// The type ids of a `types` text; false (ids emptied) for "*", an empty text or anything that is
// not a comma list of whole numbers.
bool parseConditionTypes(const QString& types, QList<int>* ids);
// The reason a `types` text cannot be stored, empty when it can ("*" or ids joined by ",").
QString conditionTypesProblem(const QString& types);

// The records of "conditions" in the dictionary. Every value is bound; each write that changes
// several rows is one transaction. DbError passes through (after the rollback).
namespace NetConditions {

// Every record of the table, ordered by row, then column.
QList<NetCondition> read(Database& dictionary, int tid);
// Every record of the table in the order they were stored (a file written from them twice
// compares equal).
QList<NetCondition> readInStoredOrder(Database& dictionary, int tid);
// The record at one address (row/column -1 as above); nothing when there is none.
std::optional<NetCondition> find(Database& dictionary, int tid, int row, int column);
// Inserts the record, or updates the one stored at its address. False with a reason, nothing
// written, for an address that is neither a row, a column nor a cell, or unreadable types.
bool save(Database& dictionary, const NetCondition& record, QString* error = nullptr);
// Deletes the record at the address; returns whether there was one.
bool remove(Database& dictionary, int tid, int row, int column);
// In one transaction: every record of the tables `tids` goes, then `records` are inserted
// (the loader of the conditions file). Nothing is checked here: the caller checked the whole
// input first.
void replaceTables(Database& dictionary, const QList<int>& tids, const QList<NetCondition>& records);

} // namespace NetConditions

// A comparison of one term, read and resolved against the structure caches.
struct ConditionTerm {
    QString text;             // the term as written (prepared)
    CellRef ref;
    int table = 0;            // tables.ident of the referenced table
    std::vector<int> storedColumns;   // in the data tables' numbering
    std::vector<int> storedRows;
    // prefix "N op" compares N op value; suffix "op N" compares value op N
    QString prefixRelation;
    Decimal prefixNumber;
    QString suffixRelation;
    Decimal suffixNumber;
    bool zeroTest = false;    // "=0" or "0=": no non-zero value in any cell
};

// A condition text read once: terms and their joining, ready to run over many candidate sets.
class ConditionProgram {
public:
    // Reads a condition text. The empty text (blanks only included) is valid and selects every
    // candidate. False, with the Russian reason, for a bracket missing on either side ("Не
    // хватает левой скобки", "Не хватает правой скобки"), an operand missing before or after AND
    // or OR, a term without a form, an unknown form or table, a reference the controls reader
    // refuses (an empty list among them), a cell outside its table or a comparison that is not
    // "relation number". The form and table lookups use the structure caches.
    bool parse(const QString& text, QString* error = nullptr);
    bool isEmpty() const { return m_ops.empty(); }
    const std::vector<ConditionTerm>& terms() const { return m_terms; }

    // One step of the postfix program: push the set of term `index`, or combine the two on top.
    struct Op {
        enum Kind { Term, And, Or } kind;
        int index = -1;
    };
    const std::vector<Op>& ops() const { return m_ops; }

private:
    std::vector<ConditionTerm> m_terms;
    std::vector<Op> m_ops;
};

// A formula read once: signed terms, or a plain number.
class FormulaProgram {
public:
    // Reads a formula in which every "*" has been replaced already. The empty text is valid and
    // gives 0; a plain number ("100", "2.5") is kept as written. False with the Russian reason
    // for a term that is not a reference with its form, an unknown form or table, or a cell
    // outside its table. `allowStar`: a "*" counts as an empty term (a column's formula checked
    // in the dialog before it is composed).
    bool parse(const QString& text, QString* error = nullptr, bool allowStar = false);
    bool isNumber() const { return m_number.has_value(); }
    std::optional<Decimal> number() const { return m_number; }
    struct Term {
        bool minus = false;
        ConditionTerm cells;   // only the reference parts are used
    };
    const std::vector<Term>& terms() const { return m_terms; }

private:
    std::optional<Decimal> m_number;
    std::vector<Term> m_terms;
};

// The reasons the dialog shows; empty when the text reads.
QString conditionProblem(const QString& text);
QString formulaProblem(const QString& text, bool allowStar = true);
// The composed formula of a crossing: every "*" of `formula` replaced by `outer`, in one pass
// (a replacement holding "*" is not replaced again).
QString composeFormula(const QString& formula, const QString& outer);
// The formula a cell record computes: its own with every "*" replaced by nothing.
QString cellRecordFormula(const NetCondition& record);

// The institutions' numbers and attributes the evaluation reads, each read once per evaluator:
// the dictionary's administration rows and, per institution and table, its stored cells in
// "data" of the year. Make one per formation, breakdown or check and drop it after: it does
// not see later writes.
class NetEvaluator {
public:
    NetEvaluator(Database& dictionary, Database& data, int year);
    ~NetEvaluator();
    NetEvaluator(const NetEvaluator&) = delete;
    NetEvaluator& operator=(const NetEvaluator&) = delete;

    // The candidates of the types ("*": all of them), narrowed to rural ones when `rural`, in
    // candidate order. An empty candidate list gives an empty set. False with a reason (the set
    // emptied) for a types text that does not read.
    bool selectUnits(const QList<int>& candidates, const QString& types, bool rural,
                     QList<int>* units, QString* error = nullptr);
    // The rural ones among `units`, in their order.
    QList<int> ruralOnly(const QList<int>& units);
    // The members of `candidates` (in their order, no duplicates) that satisfy the condition;
    // the empty program gives the candidates.
    QList<int> evaluate(const ConditionProgram& program, const QList<int>& candidates);
    // Reads and evaluates a condition text: false with the reason and an empty set when it does
    // not read.
    bool evaluate(const QString& condition, const QList<int>& candidates, QList<int>* result,
                  QString* error = nullptr);

    // The formula summed over the institutions, exactly; a plain number is its value. Nothing
    // when a sum leaves the range of Decimal.
    std::optional<Decimal> sum(const FormulaProgram& formula, const QList<int>& institutions);
    // The formula's value for each institution, in their order (the breakdown's figures).
    std::optional<QList<Decimal>> perInstitution(const FormulaProgram& formula,
                                                 const QList<int>& institutions);

    // The value an institution stored in a cell (stored numbering), 0 without a row.
    double stored(int institution, int table, int storedColumn, int storedRow);

private:
    struct Unit {
        int type = 0;
        bool rural = false;
    };
    struct Cells;
    const Cells& cellsOf(int institution, int table);
    QList<int> termSet(const ConditionTerm& term, const QList<int>& candidates);
    std::optional<Decimal> termValue(const ConditionTerm& term, int institution);

    Database& m_dictionary;
    Database& m_data;
    int m_year;
    bool m_unitsRead = false;
    QHash<int, Unit> m_units;
    QHash<quint64, std::shared_ptr<Cells>> m_cells;
    struct Statement;
    std::unique_ptr<Statement> m_statement;
};

// What one cell of a network table is made of: the record that selects and the one that
// computes (the same record for a cell record), composed as the formation composes them.
struct NetCellRecipe {
    bool found = false;        // no cell record and no crossing of a row and a column record
    bool cellRecord = false;
    NetCondition selecting;    // types, rural flag and condition of who is counted
    NetCondition computing;    // sum/counter, koeff, average, the second condition and its rural flag
    QString formula;           // composed: computing formula with "*" replaced by the selecting one
};
// The recipe of grid cell (row, column) among the records of its table, with the table's scan
// (0: rows select, columns compute; 1 the other way round).
NetCellRecipe netCellRecipe(const QList<NetCondition>& records, int scan, int row, int column);

// The institutions a cell counts, exactly as the formation counts them: the selecting types
// and rural flag, its condition, then the computing record's rural flag and condition. False
// with the reason (the set emptied) when a types text or a condition does not read.
bool netCellInstitutions(NetEvaluator& evaluator, const NetCellRecipe& recipe,
                         const QList<int>& candidates, QList<int>* institutions,
                         QString* error = nullptr);

// The breakdown of one network cell by institutions: exactly the institutions the formation
// counts for it and, for a sum, each one's value of the composed formula (no coefficient, no
// average: those belong to the formed figure). A counter's values are 0.
struct NetCellBreakdown {
    bool ok = true;            // false: `error` says why (a types text, condition or formula)
    QString error;
    bool sum = false;
    QList<int> institutions;
    QList<Decimal> values;     // parallel to institutions
};
NetCellBreakdown breakdownNetCell(NetEvaluator& evaluator, const NetCellRecipe& recipe,
                                  const QList<int>& candidates);
