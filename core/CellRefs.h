#pragma once
// Cell references and the arithmetic of control expressions.
//
// A reference names cells of a report table: "Ф" and the form name, "Т[" the table number "]"
// (or "Т(" ... ")"), "СТР" the data rows and "ГР" the layout columns, the parts in any order,
// each at most once. Rows and columns are comma lists of whole numbers and ranges a..b, written
// bare or in "[" "]": Ф12Т[1000]СТР[1,3..5]ГР4. A part left out is completed from the cycle of
// the control and then from the caller's default reference.
//
// An expression is + - * / over references and numbers, with round brackets, unary minus and
// the usual precedence. Every term's sum and every operation's result is rounded to hundredths
// (exact halves away from zero), so a check compares what the user sees; a number written in
// the expression keeps its value until an operation touches it. Division by zero gives 0.
//
// All texts here are "prepared": blanks, tabs and line breaks removed, upper case
// (prepareControlText), so a form name in small letters matches its catalogue entry.

#include "core/Common.h"
#include "core/Decimal.h"

#include <QList>
#include <QString>
#include <QStringView>
#include <vector>

// A whole number or a range a..b (a <= b) of a row or column list, as written.
struct NumberSpan {
    int first = 0;
    int last = 0;
    bool operator==(const NumberSpan&) const = default;
};
// The items of a list in written order; duplicates stay.
using NumberList = QList<NumberSpan>;

// The numbers of a list, each range written out: 1,3..5 gives 1, 3, 4, 5.
QList<int> expandNumbers(const NumberList& list);
qint64 numberCount(const NumberList& list);

// One reference read into its parts. An empty text or list means the part was left out.
struct CellRef {
    QString form;         // "Ф12", in capitals
    QString table;        // the table number without its brackets: "1000"
    NumberList rows;      // data rows ("Строка"), counted from 1
    NumberList columns;   // layout columns ("Графа"), header columns included

    bool hasForm() const { return !form.isEmpty(); }
    bool hasTable() const { return !table.isEmpty(); }
    bool hasRows() const { return !rows.isEmpty(); }
    bool hasColumns() const { return !columns.isEmpty(); }
    bool isEmpty() const { return !hasForm() && !hasTable() && !hasRows() && !hasColumns(); }
    // The number as the tables catalogue keeps it, with round brackets; empty when left out.
    QString tableNumber() const;
    bool operator==(const CellRef&) const = default;
};

// The working text of a side, cycle, relation or reference: blanks, tabs, CR and LF removed,
// upper case (Cyrillic included).
QString prepareControlText(QStringView text);

// Reads a prepared text that is one reference (the empty text is the empty reference). False,
// with a Russian reason in *error and *ref unspecified, for anything else: a part given twice,
// text before the first keyword, an empty part, a table part or "[" list without its closing
// bracket, a list item that is not a whole number, a range a..b with a > b.
bool readCellRef(QStringView prepared, CellRef* ref, QString* error = nullptr);
// Reads a prepared row or column list, bare or in "[" "]". False with a reason as above; the
// empty text is refused too (a list of nothing).
bool readNumberList(QStringView prepared, NumberList* list, QString* error = nullptr);

// `ref` with every part it leaves out taken from `from`: each part comes from one place.
CellRef completeCellRef(const CellRef& ref, const CellRef& from);

// How the checks compute. Exact is what the program does: decimals, each operation's result
// rounded to hundredths, halves away from zero. Binary does the same work in doubles; only the
// controls benchmark runs it, to measure what the exactness costs.
enum class Arithmetic { Exact, Binary };

// The value rounded to hundredths, exact halves (as the value is written) away from zero.
double roundHundredths(double value);
// A value as control texts show it: two fraction digits, fixed notation at any size.
QString formatControlNumber(double value);
QString formatControlNumber(Decimal value);
// The reason a check gives when a number leaves the range Decimal holds.
QString outOfRangeReason();

// The text that stands for a reference reaching outside its table:
// "ВПТ " + form + table number + " гр" + column + "стр" + row, e.g. "ВПТ Ф30(1000) гр5стр3".
QString OutOfTableText(const QString& form, const QString& tableNumber, int column, int row);

// The cells of one table as references read them. Column c of a reference lies inside when
// fixcols + 1 <= c <= colcount, row r when 1 <= r <= rowcount - fixrows; cell (c, r) is the
// element (c + 1, r + fixrows + 1) of the table's CellArray.
bool CellInRange(const CellArray& values, int column, int row);
double cellAt(const CellArray& values, int column, int row);

// What one term came to.
struct TermValue {
    enum Kind { Number, OutOfTable, Unresolved, OutOfRange };
    Kind kind = Unresolved;
    Decimal value;         // Number: the rounded sum
    double binaryValue = 0;   // Number, in Arithmetic::Binary: the rounded sum
    int column = 0;        // OutOfTable: the first cell outside, in reading order
    int row = 0;
};

// Sums the cells `columns` x `rows` of a table (columns outer, rows inner, as written); the first
// cell outside the table ends the term as OutOfTable. Each stored double counts as its shortest
// decimal text; the exact sum is rounded to hundredths. A cell or sum past Decimal's range gives
// OutOfRange.
TermValue sumCells(const CellArray& values, const NumberList& columns, const NumberList& rows,
                   Arithmetic arithmetic = Arithmetic::Exact);

// One step of an expression over whole numbers, in postfix: a literal's value or a term's index
// pushed, or an operation on the values on top.
struct WholeOp {
    enum Kind : quint8 { Number, Term, Negate, Add, Subtract, Multiply, Divide };
    Kind kind;
    qint64 value;   // Number: the literal; Term: the index of the term's value
};
// Runs a program of whole steps (see Expression::evaluateWhole); false where the exact reading
// must decide.
bool evaluateWholeProgram(const WholeOp* ops, size_t count, const qint64* termValues, qint64* result);

// A parsed expression (one side of a control), read once and evaluated many times.
class Expression {
public:
    struct Token {
        enum Kind { Number, Term, Plus, Minus, Star, Slash, Open, Close };
        Kind kind;
        QString text;   // as written (prepared)
        int index = -1; // Number: into numbers(); Term: into terms()
    };

    // Brackets and signs nested deeper than this make the text unreadable: no real control needs
    // a tenth of it, and the reader stays far from the end of its stack.
    static constexpr int maxNesting = 200;

    // Reads a prepared text. False, with a Russian reason, for an empty operand (the empty text
    // included), brackets without their partner, a number such as 1.2.3 or one Decimal cannot
    // hold (more than 18 decimals, 10^20 or more), a term that is not a reference
    // (readCellRef's reasons), or brackets and signs nested past maxNesting.
    bool parse(QStringView prepared, QString* error = nullptr);

    const std::vector<Token>& tokens() const { return m_tokens; }
    const std::vector<CellRef>& terms() const { return m_terms; }
    const std::vector<Decimal>& numbers() const { return m_numbers; }

    // The value with the terms' values given (one per term, in terms() order, each at
    // hundredths as sumCells gives them). Every operation's result is rounded to hundredths,
    // halves away from zero; a literal keeps its digits until an operation touches it.
    // Division by zero gives 0. False when a result leaves Decimal's range. literalIndex is set
    // to the number a bare literal result came from (its text is shown as written), -1 for a
    // computed one.
    bool evaluate(const Decimal* termValues, Decimal* result, int* literalIndex = nullptr) const;
    // evaluate() as the text a control shows: a literal as written, a computed value with two
    // fraction digits; an empty text when a result leaves the range.
    QString evaluateText(const Decimal* termValues) const;
    // The same in binary doubles (Arithmetic::Binary).
    double evaluateBinary(const double* termValues) const;
    // evaluate() for whole term values, in 64 bits: a whole number stays whole through every
    // operation here but a division with a remainder, and needs no rounding. False (nothing
    // said about the exact value) for a literal that is not whole, a division with a remainder
    // or a result past 64 bits; evaluate() then decides.
    bool evaluateWhole(const qint64* termValues, qint64* result) const;
    // The steps evaluateWhole runs, appended to `out` with every term's index raised by
    // `firstTerm` (two sides then read one list of values). False, nothing appended, when a
    // literal is not a whole number below 10^15.
    bool appendWholeProgram(std::vector<WholeOp>* out, int firstTerm = 0) const;

private:
    struct Op {
        enum Kind : quint8 { PushNumber, PushTerm, Negate, Round, Add, Subtract, Multiply, Divide };
        Kind kind;
        int index;
    };
    bool parseSum(QString* error);
    bool parseProduct(QString* error);
    bool parseUnary(QString* error);
    bool parsePrimary(QString* error);
    // The product rounded to hundredths, as Decimal::multiply(a, b, 2) gives it.
    std::optional<Decimal> multiplyHundredths(const Decimal& a, int aLiteral, bool aHundredths,
                                              const Decimal& b, int bLiteral, bool bHundredths) const;

    std::vector<Token> m_tokens;
    std::vector<CellRef> m_terms;
    std::vector<Decimal> m_numbers;
    std::vector<bool> m_numberInHundredths;   // a literal with at most two decimals
    std::vector<qint64> m_wholeNumbers;       // a whole literal below 10^15, else 0
    bool m_wholeLiterals = true;              // every literal is a whole number below 10^15
    std::vector<WholeOp> m_wholeProgram;      // m_program over whole numbers, when m_wholeLiterals
    std::vector<double> m_binaryNumbers;
    std::vector<Op> m_program;   // postfix
    bool m_linear = false;       // terms and numbers in hundredths added and subtracted in a chain
    int m_maxDepth = 0;
    size_t m_pos = 0;            // parser position in m_tokens
    int m_nesting = 0;           // brackets and signs open at the parser position
};

// Evaluates a text without brackets; a text that holds a bracket, a reference, "ВПТ" or cannot
// be read comes back unchanged.
QString EvalArithmetic(const QString& expression);
// Evaluates a text with round brackets: "8/2*2" gives "8.00", "12" stays "12". A text that
// holds "ВПТ", a reference, or cannot be read comes back unchanged.
QString EvalExpression(const QString& expression);

// Where terms find their tables. The engine asks once per table and run; a source keeps what it
// hands out alive for its own lifetime.
class TableSource {
public:
    virtual ~TableSource() = default;
    // The cells of the form's table (tableNumber with its brackets; empty: the form's first
    // table), or nullptr when there is no such table.
    virtual const CellArray* table(const QString& formName, const QString& tableNumber) = 0;
    // Why table() gave nullptr for a table that exists but could not be read (its sizes, the
    // data table, the institution list), once per table; empty for a table that is not there
    // and on every later call.
    virtual QString takeLoadError(const QString& formName, const QString& tableNumber)
    {
        Q_UNUSED(formName);
        Q_UNUSED(tableNumber);
        return QString();
    }
};

// The table a caller has in hand (the grid: its own values, form and number). A term that names
// no form and no table, or names exactly this table, reads these values; the form and table
// also complete what the term, the cycle and the default reference leave out.
struct TableContext {
    QString formName;      // as the form is named; compared without regard to letter case
    QString tableNumber;   // with its brackets: "(1000)"
    CellArray values;      // a shared copy: the caller's array is never written
};

// Resolves one term: `term` is completed from `cycleText` (a prepared reference such as
// "ГР5Ф12Т[1000]": the cycle item followed by the default reference), then from the context's
// form and table. A plain number comes back as it is; a term whose table cannot be found, or
// that is not a reference, comes back unchanged; a cell outside the table gives the ВПТ text.
QString EvalCellTerm(const QString& term, const QString& cycleText, TableSource& tables,
                     const TableContext* context = nullptr);
