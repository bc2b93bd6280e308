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
        Unresolved,    // a name or table could not be found: the cell shows its formula
    };
    Kind kind = Unresolved;
    DecimalFloat value;
    QString text;
};

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
    // after ";" when withSuffix ("0.55%"), the text for Text, the formula itself for Unresolved.
    QString display(const QString& formula, bool withSuffix = false);

    // Deeper brackets or name chains than this are not computed.
    static constexpr int maxDepth = 200;

private:
    struct Parser;
    IndicatorValue evaluateExpression(const QString& upper, int depth);
    IndicatorValue operand(const QString& piece, int depth);
    IndicatorValue name(const QString& name, int depth);

    TableSource& m_tables;
    PopulationSource& m_population;
    QHash<QString, QString> m_definitions;
    QHash<QString, IndicatorValue> m_resolved;
    QHash<QString, bool> m_inProgress;
};

// The text of a title as it is shown: the stored character 3 is a ":".
QString indicatorTitleText(const QString& stored);
