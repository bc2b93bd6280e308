#pragma once
// The values of an indicator set: cell formulas and named values over report cells and
// population figures, in exact decimals.
//
// A formula is an arithmetic text, optionally followed by ";" and a suffix that is shown after
// the value and never computed. Its operands are numbers, references (read by the controls
// engine's reference reader; a reference names a form, and a missing table means the form's
// first table) and names: "НАСЕЛЕНИЕ0".."НАСЕЛЕНИЕ3" (all, olds, teens, childs) or a named value
// of the set ("name = expression"). Nothing is rounded between operations: a rate per 1,000 of
// a population must not come out 0. A division keeps 15 significant digits (and never fewer
// than 18 places); values are rounded to two places, halves away from zero, only when shown.

#include "core/CellRefs.h"
#include "core/Decimal.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

// Population figures of the unit being computed; a group without a row reads 0.
class PopulationSource {
public:
    virtual ~PopulationSource() = default;
    // group 0 all, 1 olds, 2 teens, 3 childs.
    virtual Decimal population(int group) = 0;
};

// What one formula came to.
struct IndicatorValue {
    enum Kind {
        Number,        // value holds it
        Text,          // text is shown as it stands (ВПТ, a marked reference, an overflow)
        Unresolved,    // the formula does not read, or a name or table is not there: the
                       // cell is marked, text says why
    };
    Kind kind = Unresolved;
    DecimalFloat value;
    QString text;
};

// What a cell shows in place of a value it cannot compute.
QString indicatorUnresolvedMark();

// Why a formula's computed part (before the first ";") cannot be read, as a whole sentence
// ("Формула не читается: нарушен баланс скобок"); empty when it reads, a blank part included.
// The calculator reads with the same rules, so a formula this passes is never refused for its
// form, only for a name or table it cannot find.
QString indicatorFormulaError(const QString& formula);
// The same for a named value's line: its "=" and name, then its definition.
QString indicatorNamedValueError(const QString& line);

// The part of a formula that is computed (before the first ";") and the suffix after it.
QString indicatorExpression(const QString& formula);
QString indicatorSuffix(const QString& formula);

// A named value's line split at its first "=", blanks around both ignored, the name in capitals.
// False when the line has no "=" or no name.
bool splitNamedValue(const QString& line, QString* name, QString* definition);

// Computes the formulas of one set for one unit. Tables and population are asked for through
// the sources, which the caller points at the unit being computed.
class IndicatorCalculator {
public:
    IndicatorCalculator(TableSource& tables, PopulationSource& population);

    // The named values of the set, each "name=expression" (later lines with the same name are
    // ignored). Forgets what was computed before.
    void setNamedValues(const QStringList& lines);
    // Forgets the computed named values (the sources now point at another unit).
    void reset();

    // The value of a formula (its part before ";").
    IndicatorValue evaluate(const QString& formula);
    // The value as the grid shows it: the number with two places, followed by the formula's text
    // after ";" when withSuffix ("0.55%"), the text for Text, the mark for Unresolved (and its
    // reason in *why), nothing for a blank formula.
    QString display(const QString& formula, bool withSuffix = false, QString* why = nullptr);

    // Why a prepared expression does not read, as indicatorFormulaError() says it; empty when it
    // reads.
    static QString readingError(const QString& prepared);

    // Deeper brackets or name chains than this are not computed.
    static constexpr int maxDepth = 200;

private:
    struct Parser;
    IndicatorValue evaluateExpression(const QString& upper, int depth);
    IndicatorValue operand(const QString& piece, int depth);
    IndicatorValue name(const QString& name, int depth);
    IndicatorValue missingTable(const QString& form, const QString& tableNumber);

    TableSource& m_tables;
    PopulationSource& m_population;
    QHash<QString, QString> m_definitions;
    QHash<QString, IndicatorValue> m_resolved;
    QHash<QString, bool> m_inProgress;
    QHash<QString, QString> m_tableErrors;   // form|number: why the table gave no cells
};

// The text of a title as it is shown: the stored character 3 is a ":".
QString indicatorTitleText(const QString& stored);
