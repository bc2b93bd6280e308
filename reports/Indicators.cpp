#include "reports/Indicators.h"

#include <vector>

namespace {

const QString kPopulation = QStringLiteral("НАСЕЛЕНИЕ");

bool isOperator(QChar c)
{
    return c == u'(' || c == u')' || c == u'*' || c == u'+' || c == u'-' || c == u'/';
}

struct Token {
    enum Kind { Operand, Plus, Minus, Star, Slash, Open, Close };
    Kind kind;
    QString text;
};

// Splits a prepared expression at its operators and brackets. Inside an operand that starts
// with "Ф", "Т(" ... ")" is the table part written with round brackets: it becomes "Т[" ... "]"
// and is no bracket of the expression.
std::vector<Token> tokenize(const QString& text)
{
    std::vector<Token> tokens;
    QString piece;
    auto flush = [&] {
        if (!piece.isEmpty())
            tokens.push_back({Token::Operand, piece});
        piece.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'(' && piece.startsWith(u'Ф') && piece.endsWith(u'Т')) {
            const qsizetype close = text.indexOf(u')', i + 1);
            if (close > i) {
                piece += u'[' + text.mid(i + 1, close - i - 1) + u']';
                i = close;
                continue;
            }
        }
        if (!isOperator(c)) {
            piece += c;
            continue;
        }
        flush();
        switch (c.unicode()) {
        case u'(': tokens.push_back({Token::Open, QString(c)}); break;
        case u')': tokens.push_back({Token::Close, QString(c)}); break;
        case u'*': tokens.push_back({Token::Star, QString(c)}); break;
        case u'+': tokens.push_back({Token::Plus, QString(c)}); break;
        case u'-': tokens.push_back({Token::Minus, QString(c)}); break;
        default: tokens.push_back({Token::Slash, QString(c)}); break;
        }
    }
    flush();
    return tokens;
}

IndicatorValue number(DecimalFloat d)
{
    IndicatorValue v;
    v.kind = IndicatorValue::Number;
    v.value = d;
    return v;
}

IndicatorValue number(Decimal d)
{
    return number(DecimalFloat::fromDecimal(d));
}

IndicatorValue textValue(const QString& text)
{
    IndicatorValue v;
    v.kind = IndicatorValue::Text;
    v.text = text;
    return v;
}

IndicatorValue unresolved()
{
    return IndicatorValue();
}

} // namespace

QString indicatorExpression(const QString& formula)
{
    const qsizetype semicolon = formula.indexOf(u';');
    return semicolon < 0 ? formula : formula.left(semicolon);
}

QString indicatorSuffix(const QString& formula)
{
    const qsizetype semicolon = formula.indexOf(u';');
    return semicolon < 0 ? QString() : formula.mid(semicolon + 1);
}

bool splitNamedValue(const QString& line, QString* name, QString* definition)
{
    const qsizetype eq = line.indexOf(u'=');
    if (eq < 0)
        return false;
    const QString n = prepareControlText(line.left(eq));
    if (n.isEmpty())
        return false;
    *name = n;
    *definition = line.mid(eq + 1);
    return true;
}

QString indicatorTitleText(const QString& stored)
{
    QString text = stored;
    text.replace(QChar(3), u':');
    return text;
}

// Recursive descent over the tokens; the first operand that is no number decides the result,
// the rest is still read so a broken text is told apart.
struct IndicatorCalculator::Parser {
    IndicatorCalculator& calc;
    const std::vector<Token>& tokens;
    int depth;
    size_t pos = 0;
    bool broken = false;
    int nesting = 0;

    bool at(Token::Kind kind) const { return pos < tokens.size() && tokens[pos].kind == kind; }

    static IndicatorValue combine(const IndicatorValue& a, const IndicatorValue& b, Token::Kind op)
    {
        if (a.kind != IndicatorValue::Number)
            return a;
        if (b.kind != IndicatorValue::Number)
            return b;
        std::optional<DecimalFloat> r;
        switch (op) {
        case Token::Plus: r = DecimalFloat::add(a.value, b.value); break;
        case Token::Minus: r = DecimalFloat::subtract(a.value, b.value); break;
        case Token::Star: r = DecimalFloat::multiply(a.value, b.value); break;
        default:
            // A population of 0 gives 0, as the controls' arithmetic does.
            if (b.value.isZero())
                return number(DecimalFloat());
            r = DecimalFloat::divide(a.value, b.value);
            break;
        }
        if (!r)
            return textValue(outOfRangeReason());
        return number(*r);
    }

    IndicatorValue sum()
    {
        IndicatorValue v = product();
        while (!broken && (at(Token::Plus) || at(Token::Minus))) {
            const Token::Kind op = tokens[pos++].kind;
            const IndicatorValue rhs = product();
            v = combine(v, rhs, op);
        }
        return v;
    }

    IndicatorValue product()
    {
        IndicatorValue v = unary();
        while (!broken && (at(Token::Star) || at(Token::Slash))) {
            const Token::Kind op = tokens[pos++].kind;
            const IndicatorValue rhs = unary();
            v = combine(v, rhs, op);
        }
        return v;
    }

    IndicatorValue unary()
    {
        if (at(Token::Minus) || at(Token::Plus)) {
            const bool minus = tokens[pos++].kind == Token::Minus;
            if (++nesting > maxDepth) {
                broken = true;
                return unresolved();
            }
            IndicatorValue v = unary();
            --nesting;
            if (minus && v.kind == IndicatorValue::Number)
                return number(v.value.negated());
            return v;
        }
        return primary();
    }

    IndicatorValue primary()
    {
        if (at(Token::Open)) {
            ++pos;
            if (++nesting > maxDepth) {
                broken = true;
                return unresolved();
            }
            IndicatorValue v = sum();
            --nesting;
            if (!at(Token::Close)) {
                broken = true;
                return unresolved();
            }
            ++pos;
            return v;
        }
        if (!at(Token::Operand)) {
            broken = true;
            return unresolved();
        }
        return calc.operand(tokens[pos++].text, depth);
    }
};

IndicatorCalculator::IndicatorCalculator(TableSource& tables, PopulationSource& population)
    : m_tables(tables)
    , m_population(population)
{
}

void IndicatorCalculator::setNamedValues(const QStringList& lines)
{
    m_definitions.clear();
    for (const QString& line : lines) {
        QString n, definition;
        if (splitNamedValue(line, &n, &definition) && !m_definitions.contains(n))
            m_definitions.insert(n, definition);
    }
    reset();
}

void IndicatorCalculator::reset()
{
    m_resolved.clear();
    m_inProgress.clear();
}

IndicatorValue IndicatorCalculator::evaluate(const QString& formula)
{
    return evaluateExpression(prepareControlText(indicatorExpression(formula)), 0);
}

QString IndicatorCalculator::display(const QString& formula, bool withSuffix)
{
    const IndicatorValue v = evaluate(formula);
    switch (v.kind) {
    case IndicatorValue::Number: {
        QString text = v.value.toString(2);
        if (withSuffix)
            text += indicatorSuffix(formula);
        return text;
    }
    case IndicatorValue::Text:
        return v.text;
    case IndicatorValue::Unresolved:
        break;
    }
    return formula;
}

IndicatorValue IndicatorCalculator::evaluateExpression(const QString& upper, int depth)
{
    if (depth > maxDepth)
        return unresolved();
    const std::vector<Token> tokens = tokenize(upper);
    Parser parser{*this, tokens, depth};
    IndicatorValue v = parser.sum();
    if (parser.broken || parser.pos != tokens.size())
        return unresolved();
    return v;
}

IndicatorValue IndicatorCalculator::operand(const QString& piece, int depth)
{
    if (const std::optional<Decimal> d = Decimal::parse(piece))
        return number(*d);
    CellRef ref;
    if (piece.startsWith(u'Ф') && readCellRef(piece, &ref) && ref.hasForm()
        && (ref.hasRows() || ref.hasColumns() || ref.hasTable())) {
        if (!ref.hasRows() || !ref.hasColumns())
            return textValue(QStringLiteral("Ссылка без строк или граф: %1").arg(piece));
        const QString tableNumber = ref.tableNumber();
        const CellArray* values = m_tables.table(ref.form, tableNumber);
        if (!values)
            return unresolved();
        const TermValue term = sumCells(*values, ref.columns, ref.rows);
        switch (term.kind) {
        case TermValue::Number:
            return number(term.value);
        case TermValue::OutOfTable:
            return textValue(OutOfTableText(ref.form, tableNumber, term.column, term.row));
        case TermValue::OutOfRange:
            return textValue(outOfRangeReason());
        case TermValue::Unresolved:
            break;
        }
        return unresolved();
    }
    return name(piece, depth);
}

IndicatorValue IndicatorCalculator::name(const QString& n, int depth)
{
    if (n.size() == kPopulation.size() + 1 && n.startsWith(kPopulation)) {
        const int group = n.back().unicode() - u'0';
        if (group >= 0 && group <= 3)
            return number(m_population.population(group));
    }
    const auto known = m_resolved.constFind(n);
    if (known != m_resolved.constEnd())
        return *known;
    const auto definition = m_definitions.constFind(n);
    // An unknown name, or one whose value needs itself: the cells using it show their formula.
    if (definition == m_definitions.constEnd() || m_inProgress.value(n) || depth >= maxDepth)
        return unresolved();
    m_inProgress.insert(n, true);
    const IndicatorValue v = evaluateExpression(prepareControlText(*definition), depth + 1);
    m_inProgress.remove(n);
    m_resolved.insert(n, v);
    return v;
}
