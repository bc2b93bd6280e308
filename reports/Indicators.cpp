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

IndicatorValue unresolved(const QString& why = QString())
{
    IndicatorValue v;
    v.text = why;
    return v;
}

// Brackets are counted before anything else is read, so a formula left open says so rather than
// what the reader met first.
QString bracketError(const std::vector<Token>& tokens)
{
    int depth = 0;
    for (const Token& t : tokens)
        depth += t.kind == Token::Open ? 1 : t.kind == Token::Close ? -1 : 0;
    if (depth != 0)
        return QStringLiteral("нарушен баланс скобок");
    for (const Token& t : tokens) {
        depth += t.kind == Token::Open ? 1 : t.kind == Token::Close ? -1 : 0;
        if (depth < 0)
            return QStringLiteral("неправильная последовательность скобок");
    }
    return QString();
}

QString unreadable(const QString& reason)
{
    return QStringLiteral("Формула не читается: ") + reason;
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
// the rest is still read so a broken text is told apart. Without a calculator the formula is only
// read: every operand counts as 0.
struct IndicatorCalculator::Parser {
    IndicatorCalculator* calc;
    const std::vector<Token>& tokens;
    int depth;
    size_t pos = 0;
    bool broken = false;
    QString reason;   // the first thing that stopped the reading
    int nesting = 0;

    bool at(Token::Kind kind) const { return pos < tokens.size() && tokens[pos].kind == kind; }

    IndicatorValue fail(const QString& why)
    {
        if (!broken)
            reason = why;
        broken = true;
        return unresolved();
    }

    // What stands where an operand was wanted.
    QString missingOperand() const
    {
        if (pos >= tokens.size())
            return tokens.empty() ? QStringLiteral("нет выражения")
                                  : QStringLiteral("после «%1» нет числа, ссылки или имени").arg(tokens.back().text);
        if (tokens[pos].kind == Token::Close && pos > 0 && tokens[pos - 1].kind == Token::Open)
            return QStringLiteral("пустые скобки");
        return QStringLiteral("перед «%1» нет числа, ссылки или имени").arg(tokens[pos].text);
    }

    QString missingOperator() const
    {
        return QStringLiteral("пропущен знак действия перед «%1»").arg(tokens[pos].text);
    }

    QString tooDeep() const
    {
        return QStringLiteral("скобки и знаки вложены глубже %1 уровней").arg(maxDepth);
    }

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

    IndicatorValue whole()
    {
        IndicatorValue v;
        if (const QString brackets = bracketError(tokens); !brackets.isEmpty())
            fail(brackets);
        else
            v = sum();
        if (!broken && pos != tokens.size())
            fail(missingOperator());
        return broken ? unresolved(unreadable(reason)) : v;
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
            if (++nesting > maxDepth)
                return fail(tooDeep());
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
            if (++nesting > maxDepth)
                return fail(tooDeep());
            IndicatorValue v = sum();
            --nesting;
            if (broken)
                return unresolved();
            if (!at(Token::Close))
                return fail(missingOperator());
            ++pos;
            return v;
        }
        if (!at(Token::Operand))
            return fail(missingOperand());
        const QString& piece = tokens[pos++].text;
        return calc ? calc->operand(piece, depth) : number(DecimalFloat());
    }
};

QString indicatorUnresolvedMark()
{
    return QStringLiteral("?");
}

QString IndicatorCalculator::readingError(const QString& prepared)
{
    const std::vector<Token> tokens = tokenize(prepared);
    Parser parser{nullptr, tokens, 0};
    const IndicatorValue v = parser.whole();
    return parser.broken ? v.text : QString();
}

QString indicatorFormulaError(const QString& formula)
{
    const QString prepared = prepareControlText(indicatorExpression(formula));
    return prepared.isEmpty() ? QString() : IndicatorCalculator::readingError(prepared);
}

QString indicatorNamedValueError(const QString& line)
{
    QString name, definition;
    if (!splitNamedValue(line, &name, &definition))
        return line.contains(u'=') ? QStringLiteral("Идентификатор не читается: нет имени перед «=»")
                                   : QStringLiteral("Идентификатор не читается: нет знака «=» между именем и формулой");
    // A named value is computed whole: a ";" in it is no suffix.
    const QString prepared = prepareControlText(definition);
    return prepared.isEmpty() ? unreadable(QStringLiteral("нет выражения"))
                              : IndicatorCalculator::readingError(prepared);
}

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

QString IndicatorCalculator::display(const QString& formula, bool withSuffix, QString* why)
{
    if (why)
        why->clear();
    if (prepareControlText(indicatorExpression(formula)).isEmpty())
        return QString();
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
    if (why)
        *why = v.text;
    return indicatorUnresolvedMark();
}

IndicatorValue IndicatorCalculator::evaluateExpression(const QString& upper, int depth)
{
    if (depth > maxDepth)
        return unresolved(QStringLiteral("Идентификаторы определены друг через друга глубже %1 уровней").arg(maxDepth));
    const std::vector<Token> tokens = tokenize(upper);
    Parser parser{this, tokens, depth};
    return parser.whole();
}

IndicatorValue IndicatorCalculator::missingTable(const QString& form, const QString& tableNumber)
{
    // The tables tell why only once; every cell naming the table says the same.
    const QString key = form + u'|' + tableNumber;
    auto it = m_tableErrors.find(key);
    if (it == m_tableErrors.end()) {
        QString why = m_tables.takeLoadError(form, tableNumber);
        if (why.isEmpty())
            why = tableNumber.isEmpty() ? QStringLiteral("Нет формы %1 или в ней нет таблиц").arg(form)
                                        : QStringLiteral("Нет таблицы %1 формы %2").arg(tableNumber, form);
        it = m_tableErrors.insert(key, why);
    }
    return unresolved(*it);
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
            return missingTable(ref.form, tableNumber);
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
        return unresolved(QStringLiteral("Ссылка %1 не вычисляется").arg(piece));
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
    if (definition == m_definitions.constEnd()) {
        // A reference that did not read falls here as a name: its own reason tells more.
        QString refError;
        CellRef ref;
        if (n.startsWith(u'Ф') && !readCellRef(n, &ref, &refError) && !refError.isEmpty())
            return unresolved(QStringLiteral("Ссылка %1 не читается: %2").arg(n, refError));
        return unresolved(QStringLiteral("Неизвестное имя %1").arg(n));
    }
    if (m_inProgress.value(n))
        return unresolved(QStringLiteral("Идентификатор %1 определен через самого себя").arg(n));
    if (depth >= maxDepth)
        return unresolved(QStringLiteral("Идентификаторы определены друг через друга глубже %1 уровней").arg(maxDepth));
    m_inProgress.insert(n, true);
    IndicatorValue v = evaluateExpression(prepareControlText(*definition), depth + 1);
    m_inProgress.remove(n);
    // The innermost identifier whose formula fails is named; names above it pass its reason on.
    if (v.kind == IndicatorValue::Unresolved && !v.text.startsWith(QStringLiteral("Идентификатор"))) {
        QString inner = v.text;
        if (!inner.isEmpty())
            inner[0] = inner[0].toLower();
        v.text = QStringLiteral("Идентификатор %1: %2").arg(n, inner);
    }
    m_resolved.insert(n, v);
    return v;
}
