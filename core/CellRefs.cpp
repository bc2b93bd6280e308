#include "core/CellRefs.h"

#include "platform/Numbers.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

namespace {

constexpr char16_t kForm = u'Ф';
constexpr char16_t kTable = u'Т';

enum class Part { None, Form, Table, Rows, Columns };

// The keyword that starts at `i`, and its length (0 for none). A form name runs up to the next
// other keyword, so inside one only the table, row and column keywords count.
int keywordAt(QStringView s, qsizetype i, Part* part)
{
    const QChar c = s[i];
    if (c == kForm) {
        *part = Part::Form;
        return 1;
    }
    if (c == kTable && i + 1 < s.size() && (s[i + 1] == u'[' || s[i + 1] == u'(')) {
        *part = Part::Table;
        return 2;
    }
    if (c == u'С' && s.sliced(i).startsWith(u"СТР")) {
        *part = Part::Rows;
        return 3;
    }
    if (c == u'Г' && i + 1 < s.size() && s[i + 1] == u'Р') {
        *part = Part::Columns;
        return 2;
    }
    *part = Part::None;
    return 0;
}

// Where the part that starts at `from` ends: at the next keyword, or the end of the text.
qsizetype partEnd(QStringView s, qsizetype from, bool formName)
{
    for (qsizetype i = from; i < s.size(); ++i) {
        Part p;
        if (keywordAt(s, i, &p) && !(formName && p == Part::Form))
            return i;
    }
    return s.size();
}

bool setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

bool isDigits(QStringView s)
{
    if (s.isEmpty())
        return false;
    for (QChar c : s)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

bool readWhole(QStringView s, int* value)
{
    if (!isDigits(s) || s.size() > 9)
        return false;
    int v = 0;
    for (QChar c : s)
        v = v * 10 + (c.unicode() - u'0');
    *value = v;
    return true;
}

bool isOperatorChar(QChar c)
{
    return c == u'+' || c == u'-' || c == u'*' || c == u'/' || c == u'(' || c == u')';
}

// An evaluation stack of `depth` cells, kept on the machine's stack for the short programs
// nearly every control has. Left uninitialised: a cell is always written before it is read.
template <typename T>
class EvalStack {
public:
    explicit EvalStack(size_t depth)
    {
        if (depth > std::size(m_small)) {
            m_large.resize(depth);
            m_cells = m_large.data();
        }
    }
    T* data() { return m_cells; }

private:
    T m_small[32];
    std::vector<T> m_large;
    T* m_cells = m_small;
};

// The whole number a value is, when it is one below 10^15 in magnitude; 0 otherwise.
qint64 wholeOf(Decimal v)
{
    if (v.raw() % Decimal::One != 0)
        return 0;
    const Decimal::Raw k = v.raw() / Decimal::One;
    return k > -1'000'000'000'000'000LL && k < 1'000'000'000'000'000LL ? qint64(k) : 0;
}

bool isNumberWord(QStringView s)
{
    for (QChar c : s)
        if (!((c >= u'0' && c <= u'9') || c == u'.'))
            return false;
    return true;
}

} // namespace

QList<int> expandNumbers(const NumberList& list)
{
    QList<int> out;
    for (const NumberSpan& s : list)
        for (int n = s.first; n <= s.last; ++n)
            out.append(n);
    return out;
}

qint64 numberCount(const NumberList& list)
{
    qint64 n = 0;
    for (const NumberSpan& s : list)
        n += qint64(s.last) - s.first + 1;
    return n;
}

QString CellRef::tableNumber() const
{
    return table.isEmpty() ? QString() : QLatin1Char('(') + table + QLatin1Char(')');
}

QString prepareControlText(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        if (c != u' ' && c != u'\t' && c != u'\r' && c != u'\n')
            out.append(c);
    return upperCase(out);
}

bool readNumberList(QStringView s, NumberList* list, QString* error)
{
    list->clear();
    QStringView body = s;
    if (body.startsWith(u'[')) {
        if (!body.endsWith(u']') || body.size() < 2)
            return setError(error, QStringLiteral("Список %1 без закрывающей скобки").arg(s));
        body = body.sliced(1, body.size() - 2);
    }
    if (body.isEmpty())
        return setError(error, QStringLiteral("Пустой список строк или граф"));
    qsizetype start = 0;
    while (start <= body.size()) {
        qsizetype comma = body.indexOf(u',', start);
        if (comma < 0)
            comma = body.size();
        const QStringView item = body.sliced(start, comma - start);
        const qsizetype dots = item.indexOf(u"..");
        NumberSpan span;
        if (dots < 0) {
            if (!readWhole(item, &span.first))
                return setError(error, QStringLiteral("Элемент списка \"%1\" не целое число").arg(item));
            span.last = span.first;
        } else {
            if (!readWhole(item.first(dots), &span.first) || !readWhole(item.sliced(dots + 2), &span.last))
                return setError(error, QStringLiteral("Элемент списка \"%1\" не целое число").arg(item));
            if (span.first > span.last)
                return setError(error, QStringLiteral("Диапазон %1: начало больше конца").arg(item));
        }
        list->append(span);
        start = comma + 1;
    }
    return true;
}

bool readCellRef(QStringView s, CellRef* ref, QString* error)
{
    *ref = CellRef();
    bool seen[5] = {};
    qsizetype i = 0;
    while (i < s.size()) {
        Part part;
        const int length = keywordAt(s, i, &part);
        if (!length)
            return setError(error, QStringLiteral("\"%1\" не ссылка на ячейки").arg(s));
        if (seen[int(part)])
            return setError(error, QStringLiteral("Часть ссылки повторена: %1").arg(s));
        seen[int(part)] = true;
        const qsizetype body = i + length;
        switch (part) {
        case Part::Form: {
            const qsizetype end = partEnd(s, body, true);
            ref->form = s.sliced(i, end - i).toString();
            i = end;
            break;
        }
        case Part::Table: {
            const QChar close = s[i + 1] == u'[' ? u']' : u')';
            const qsizetype end = s.indexOf(close, body);
            if (end < 0)
                return setError(error, QStringLiteral("Номер таблицы без закрывающей скобки: %1").arg(s));
            const QStringView number = s.sliced(body, end - body);
            if (number.isEmpty())
                return setError(error, QStringLiteral("Пустой номер таблицы: %1").arg(s));
            for (QChar c : number)
                if (c == u'[' || c == u'(' || c == u']' || c == u')')
                    return setError(error, QStringLiteral("Номер таблицы без закрывающей скобки: %1").arg(s));
            ref->table = number.toString();
            i = end + 1;
            break;
        }
        case Part::Rows:
        case Part::Columns: {
            qsizetype end;
            if (body < s.size() && s[body] == u'[') {
                end = s.indexOf(u']', body);
                if (end < 0)
                    return setError(error, QStringLiteral("Список без закрывающей скобки: %1").arg(s));
                ++end;
            } else {
                end = partEnd(s, body, false);
            }
            NumberList* list = part == Part::Rows ? &ref->rows : &ref->columns;
            if (!readNumberList(s.sliced(body, end - body), list, error))
                return false;
            i = end;
            break;
        }
        case Part::None:
            break;
        }
    }
    return true;
}

CellRef completeCellRef(const CellRef& ref, const CellRef& from)
{
    CellRef out = ref;
    if (!out.hasForm())
        out.form = from.form;
    if (!out.hasTable())
        out.table = from.table;
    if (!out.hasRows())
        out.rows = from.rows;
    if (!out.hasColumns())
        out.columns = from.columns;
    return out;
}

double roundHundredths(double value)
{
    // The common case without text: far enough from a half that binary error cannot matter.
    // Within 1e7 the product and the shortest decimal text of the value differ by < 1e-6.
    const double a = std::fabs(value);
    if (a < 1e7) {
        const double x = a * 100.0;
        const double whole = std::floor(x);
        const double frac = x - whole;
        if (std::fabs(frac - 0.5) > 1e-5) {
            const double k = frac > 0.5 ? whole + 1 : whole;
            if (k == 0)
                return 0.0;
            const double r = k / 100.0;   // correctly rounded: the double nearest k/100
            return value < 0 ? -r : r;
        }
    }
    const double r = roundTo(value, 2);
    return r == 0 ? 0.0 : r;
}

QString formatControlNumber(double value) { return formatFixed2(value); }

QString formatControlNumber(Decimal value) { return value.toString(2); }

QString outOfRangeReason()
{
    return QStringLiteral("Число вне допустимого диапазона (по модулю меньше 100000000000000000000)");
}

QString OutOfTableText(const QString& form, const QString& tableNumber, int column, int row)
{
    return QStringLiteral("ВПТ ") + form + tableNumber + QStringLiteral(" гр") + QString::number(column)
        + QStringLiteral("стр") + QString::number(row);
}

bool CellInRange(const CellArray& values, int column, int row)
{
    // The lowest element of each dimension is a header position: no reference reaches it.
    return !values.isEmpty() && column >= values.lowColumn() && column <= values.highColumn() - 1
        && row >= 1 && row + values.lowRow() <= values.highRow();
}

double cellAt(const CellArray& values, int column, int row)
{
    return values.value(column + 1, row + values.lowRow());
}

namespace {

// Whole cells below 10^15 in a stretch of at most kStretch are added as 64-bit integers and then
// once into the decimal sum: while the sum stays below kSafeSum no running sum of the stretch can
// leave Decimal's range (5 * 10^19 + 4096 * 10^15 < 10^20) nor the integer overflow, so adding
// them at once gives what adding them one by one gives.
constexpr int kStretch = 4096;
constexpr Decimal::Raw kSafeSum = Decimal::Raw(5) * Decimal::One * Decimal::Raw(10) * Decimal::One;   // 5 * 10^19

// Adds p[first..last] to *sum; false when a cell or the sum leaves Decimal's range (the first
// such cell ends it, as a cell-by-cell sum would).
bool addCells(const double* p, int first, int last, Decimal* sum, int* decimals)
{
    int r = first;
    while (r <= last) {
        if (sum->raw() < kSafeSum && sum->raw() > -kSafeSum) {
            const int end = last - r >= kStretch ? r + kStretch - 1 : last;
            qint64 whole = 0;
            int k = r;
            for (qint64 w; k <= end && smallWhole(p[k], &w); ++k)
                whole += w;
            if (whole != 0)
                *sum = Decimal::fromRaw(sum->raw() + Decimal::Raw(whole) * Decimal::One);
            r = k;
            if (k > end)
                continue;
        }
        // A fraction, a huge number or a sum near the range's end: the general reading.
        int cellDecimals = 0;
        const std::optional<Decimal> cell = Decimal::fromDouble(p[r], &cellDecimals);
        const std::optional<Decimal> next = cell ? Decimal::add(*sum, *cell) : std::nullopt;
        if (!next)
            return false;
        *sum = *next;
        *decimals = std::max(*decimals, cellDecimals);
        ++r;
    }
    return true;
}

TermValue binarySum(const CellArray& values, const NumberList& columns, const NumberList& rows)
{
    TermValue out;
    double sum = 0;
    for (const NumberSpan& cs : columns)
        for (int c = cs.first; c <= cs.last; ++c)
            for (const NumberSpan& rs : rows)
                for (int r = rs.first; r <= rs.last; ++r) {
                    if (!CellInRange(values, c, r)) {
                        out.kind = TermValue::OutOfTable;
                        out.column = c;
                        out.row = r;
                        return out;
                    }
                    sum += cellAt(values, c, r);
                }
    out.kind = TermValue::Number;
    out.binaryValue = roundHundredths(sum);
    return out;
}

} // namespace

TermValue sumCells(const CellArray& values, const NumberList& columns, const NumberList& rows,
                   Arithmetic arithmetic)
{
    if (arithmetic == Arithmetic::Binary)
        return binarySum(values, columns, rows);
    TermValue out;
    // One cell, as most terms are once the cycle has named their row or column.
    if (columns.size() == 1 && rows.size() == 1 && columns[0].first == columns[0].last
        && rows[0].first == rows[0].last) {
        const int c = columns[0].first, r = rows[0].first;
        if (!CellInRange(values, c, r)) {
            out.kind = TermValue::OutOfTable;
            out.column = c;
            out.row = r;
            return out;
        }
        int decimals = 0;
        const std::optional<Decimal> cell = Decimal::fromDouble(cellAt(values, c, r), &decimals);
        std::optional<Decimal> value = cell ? Decimal::add(Decimal(), *cell) : std::nullopt;
        if (value && decimals > 2)
            value = value->rounded(2);
        if (!value) {
            out.kind = TermValue::OutOfRange;
            return out;
        }
        out.kind = TermValue::Number;
        out.value = *value;
        return out;
    }
    // Column c of a reference is the array's column c + 1, row r its row r + lowRow; the cells
    // of one column lie together, so each row span of a column is one stretch of the array.
    const bool empty = values.isEmpty();
    const int firstColumn = values.lowColumn(), lastColumn = values.highColumn() - 1;
    const int lastRow = values.highRow() - values.lowRow();
    const qsizetype height = qsizetype(values.highRow()) - values.lowRow() + 1;
    const double* data = values.data();
    Decimal sum;
    int decimals = 0;   // the most any cell has: a sum of cents needs no rounding
    for (const NumberSpan& cs : columns) {
        for (int c = cs.first; c <= cs.last; ++c) {
            const bool columnInside = !empty && c >= firstColumn && c <= lastColumn;
            const double* column = columnInside ? data + (c + 1 - firstColumn) * height : nullptr;
            for (const NumberSpan& rs : rows) {
                if (rs.first > rs.last)
                    continue;
                // Rows are never negative: the first one outside is row 0 or the one after the last.
                if (!columnInside || rs.first < 1) {
                    out.kind = TermValue::OutOfTable;
                    out.column = c;
                    out.row = rs.first;
                    return out;
                }
                const int inside = std::min(rs.last, lastRow);
                if (rs.first <= inside && !addCells(column, rs.first, inside, &sum, &decimals)) {
                    out.kind = TermValue::OutOfRange;
                    return out;
                }
                if (rs.last > lastRow) {
                    out.kind = TermValue::OutOfTable;
                    out.column = c;
                    out.row = std::max(rs.first, lastRow + 1);
                    return out;
                }
            }
        }
    }
    out.kind = TermValue::Number;
    if (decimals > 2) {
        const std::optional<Decimal> rounded = sum.rounded(2);
        if (!rounded) {
            out.kind = TermValue::OutOfRange;
            return out;
        }
        sum = *rounded;
    }
    out.value = sum;
    return out;
}

// --- expressions -------------------------------------------------------------------------------

bool Expression::parse(QStringView s, QString* error)
{
    m_tokens.clear();
    m_terms.clear();
    m_numbers.clear();
    m_numberInHundredths.clear();
    m_wholeNumbers.clear();
    m_wholeLiterals = true;
    m_linear = false;
    m_binaryNumbers.clear();
    m_program.clear();
    m_wholeProgram.clear();
    m_maxDepth = 0;
    m_pos = 0;
    m_nesting = 0;

    qsizetype i = 0;
    while (i < s.size()) {
        const QChar c = s[i];
        if (isOperatorChar(c)) {
            Token::Kind kind = c == u'+' ? Token::Plus
                : c == u'-'              ? Token::Minus
                : c == u'*'              ? Token::Star
                : c == u'/'              ? Token::Slash
                : c == u'('              ? Token::Open
                                         : Token::Close;
            m_tokens.push_back({kind, QString(c)});
            ++i;
            continue;
        }
        // A word: a number or a term. "Т(" opens a table number, so its ")" belongs to the word;
        // an operator before the closing bracket means the bracket is missing.
        const qsizetype start = i;
        while (i < s.size() && !isOperatorChar(s[i])) {
            QChar close;
            if (s[i] == kTable && i + 1 < s.size() && s[i + 1] == u'(')
                close = u')', i += 2;
            else if (s[i] == u'[')
                close = u']', i += 1;
            else {
                ++i;
                continue;
            }
            while (i < s.size() && s[i] != close) {
                if (s[i] == u'[' || s[i] == u']' || isOperatorChar(s[i]))
                    return setError(error, QStringLiteral("Нет закрывающей скобки в \"%1\"").arg(s.sliced(start, i - start)));
                ++i;
            }
            if (i >= s.size())
                return setError(error, QStringLiteral("Нет закрывающей скобки в \"%1\"").arg(s.sliced(start, i - start)));
            ++i;
        }
        const QStringView word = s.sliced(start, i - start);
        if (isNumberWord(word)) {
            if (word.count(u'.') > 1 || word == u".")
                return setError(error, QStringLiteral("\"%1\" не число").arg(word));
            const std::optional<Decimal> v = Decimal::parse(word);
            if (!v)
                return setError(error, QStringLiteral("Число %1 нельзя вычислить точно: больше 18 знаков "
                                                      "после точки или не меньше 100000000000000000000")
                                           .arg(word));
            const qsizetype point = word.indexOf(u'.');
            m_tokens.push_back({Token::Number, word.toString(), int(m_numbers.size())});
            m_numbers.push_back(*v);
            m_numberInHundredths.push_back(point < 0 || v->rounded(2) == v);
            m_wholeNumbers.push_back(wholeOf(*v));
            m_wholeLiterals = m_wholeLiterals && (v->isZero() || m_wholeNumbers.back() != 0);
            m_binaryNumbers.push_back(word.toDouble());
        } else {
            CellRef ref;
            if (!readCellRef(word, &ref, error))
                return false;
            m_tokens.push_back({Token::Term, word.toString(), int(m_terms.size())});
            m_terms.push_back(std::move(ref));
        }
    }

    if (!parseSum(error))
        return false;
    if (m_pos < m_tokens.size()) {
        if (m_tokens[m_pos].kind == Token::Close)
            return setError(error, QStringLiteral("Лишняя закрывающая скобка"));
        return setError(error, QStringLiteral("Пустой операнд"));
    }
    // A chain "a + b - c ..." of terms and numbers in hundredths, evaluated without the stack.
    m_linear = m_program.size() >= 3 && m_program.size() % 2 == 1;
    for (size_t i = 0; m_linear && i < m_program.size(); ++i) {
        const Op& op = m_program[i];
        if (i == 0 || i % 2 == 1)
            m_linear = op.kind == Op::PushTerm || (op.kind == Op::PushNumber && m_numberInHundredths[op.index]);
        else
            m_linear = op.kind == Op::Add || op.kind == Op::Subtract;
    }
    // The same over whole numbers, where rounding changes nothing.
    m_wholeProgram.clear();
    for (size_t i = 0; m_wholeLiterals && i < m_program.size(); ++i) {
        const Op& op = m_program[i];
        switch (op.kind) {
        case Op::PushNumber: m_wholeProgram.push_back({WholeOp::Number, m_wholeNumbers[op.index]}); break;
        case Op::PushTerm: m_wholeProgram.push_back({WholeOp::Term, op.index}); break;
        case Op::Negate: m_wholeProgram.push_back({WholeOp::Negate, 0}); break;
        case Op::Round: break;
        case Op::Add: m_wholeProgram.push_back({WholeOp::Add, 0}); break;
        case Op::Subtract: m_wholeProgram.push_back({WholeOp::Subtract, 0}); break;
        case Op::Multiply: m_wholeProgram.push_back({WholeOp::Multiply, 0}); break;
        case Op::Divide: m_wholeProgram.push_back({WholeOp::Divide, 0}); break;
        }
    }
    // Depth of the evaluation stack the program needs.
    int depth = 0;
    for (const Op& op : m_program) {
        if (op.kind == Op::PushNumber || op.kind == Op::PushTerm)
            m_maxDepth = std::max(m_maxDepth, ++depth);
        else if (op.kind != Op::Negate && op.kind != Op::Round)
            --depth;
    }
    return true;
}

bool Expression::parseSum(QString* error)
{
    if (!parseProduct(error))
        return false;
    while (m_pos < m_tokens.size()
           && (m_tokens[m_pos].kind == Token::Plus || m_tokens[m_pos].kind == Token::Minus)) {
        const Op::Kind kind = m_tokens[m_pos].kind == Token::Plus ? Op::Add : Op::Subtract;
        ++m_pos;
        if (!parseProduct(error))
            return false;
        m_program.push_back({kind, 0});
    }
    return true;
}

bool Expression::parseProduct(QString* error)
{
    if (!parseUnary(error))
        return false;
    while (m_pos < m_tokens.size()
           && (m_tokens[m_pos].kind == Token::Star || m_tokens[m_pos].kind == Token::Slash)) {
        const Op::Kind kind = m_tokens[m_pos].kind == Token::Star ? Op::Multiply : Op::Divide;
        ++m_pos;
        if (!parseUnary(error))
            return false;
        m_program.push_back({kind, 0});
    }
    return true;
}

bool Expression::parseUnary(QString* error)
{
    if (m_pos < m_tokens.size()
        && (m_tokens[m_pos].kind == Token::Minus || m_tokens[m_pos].kind == Token::Plus)) {
        const bool minus = m_tokens[m_pos].kind == Token::Minus;
        ++m_pos;
        if (++m_nesting > maxNesting)
            return setError(error, QStringLiteral("Вложенность глубже %1 уровней").arg(maxNesting));
        if (!parseUnary(error))
            return false;
        --m_nesting;
        // A sign is an operation like any other: "-5" shows as -5.00, "+5" as 5.00.
        m_program.push_back({minus ? Op::Negate : Op::Round, 0});
        return true;
    }
    return parsePrimary(error);
}

bool Expression::parsePrimary(QString* error)
{
    if (m_pos >= m_tokens.size())
        return setError(error, QStringLiteral("Пустой операнд"));
    const Token& t = m_tokens[m_pos];
    switch (t.kind) {
    case Token::Number:
        m_program.push_back({Op::PushNumber, t.index});
        ++m_pos;
        return true;
    case Token::Term:
        m_program.push_back({Op::PushTerm, t.index});
        ++m_pos;
        return true;
    case Token::Open:
        ++m_pos;
        if (++m_nesting > maxNesting)
            return setError(error, QStringLiteral("Вложенность глубже %1 уровней").arg(maxNesting));
        if (!parseSum(error))
            return false;
        --m_nesting;
        if (m_pos >= m_tokens.size() || m_tokens[m_pos].kind != Token::Close)
            return setError(error, QStringLiteral("Нет закрывающей скобки"));
        ++m_pos;
        return true;
    case Token::Close:
        return setError(error, m_pos == 0 || m_tokens[m_pos - 1].kind == Token::Open
                                   ? QStringLiteral("Пустой операнд")
                                   : QStringLiteral("Лишняя закрывающая скобка"));
    default:
        return setError(error, QStringLiteral("Пустой операнд"));
    }
}

bool Expression::evaluate(const Decimal* termValues, Decimal* result, int* literalIndex) const
{
    // The side most controls have: one term, which is its value as sumCells gave it.
    if (m_program.size() == 1 && m_program[0].kind == Op::PushTerm) {
        if (literalIndex)
            *literalIndex = -1;
        *result = termValues[m_program[0].index];
        return true;
    }
    // A sum of terms and numbers in hundredths: every partial result is in hundredths, so
    // nothing is rounded; each step is checked against the range as the stack would check it.
    if (m_linear) {
        const auto operand = [&](const Op& op) {
            return op.kind == Op::PushTerm ? termValues[op.index] : m_numbers[op.index];
        };
        Decimal sum = operand(m_program[0]);
        for (size_t i = 1; i + 1 < m_program.size(); i += 2) {
            const std::optional<Decimal> r = m_program[i + 1].kind == Op::Add
                ? Decimal::add(sum, operand(m_program[i]))
                : Decimal::subtract(sum, operand(m_program[i]));
            if (!r)
                return false;
            sum = *r;
        }
        if (literalIndex)
            *literalIndex = -1;
        *result = sum;
        return true;
    }
    struct Value {
        Decimal::Raw v;
        int literal;
        bool hundredths;   // no rounding needed: a result of cents added or subtracted is cents
    };
    EvalStack<Value> cells(m_maxDepth);
    Value* stack = cells.data();
    int top = -1;
    const auto round = [](Value& x) {
        if (x.hundredths)
            return true;
        const std::optional<Decimal> r = Decimal::fromRaw(x.v).rounded(2);
        if (!r)
            return false;
        x = {r->raw(), -1, true};
        return true;
    };
    for (const Op& op : m_program) {
        switch (op.kind) {
        case Op::PushNumber:
            stack[++top] = {m_numbers[op.index].raw(), op.index, bool(m_numberInHundredths[op.index])};
            break;
        case Op::PushTerm:
            stack[++top] = {termValues[op.index].raw(), -1, true};
            break;
        case Op::Negate:
            stack[top] = {-stack[top].v, -1, stack[top].hundredths};
            if (!round(stack[top]))
                return false;
            break;
        case Op::Round:
            stack[top].literal = -1;
            if (!round(stack[top]))
                return false;
            break;
        default: {
            const Value b = stack[top--];
            Value& a = stack[top];
            const Decimal x = Decimal::fromRaw(a.v), y = Decimal::fromRaw(b.v);
            std::optional<Decimal> r;
            bool hundredths = false;
            switch (op.kind) {
            case Op::Add:
                r = Decimal::add(x, y);
                hundredths = a.hundredths && b.hundredths;
                break;
            case Op::Subtract:
                r = Decimal::subtract(x, y);
                hundredths = a.hundredths && b.hundredths;
                break;
            case Op::Multiply:
                r = multiplyHundredths(x, a.literal, a.hundredths, y, b.literal, b.hundredths);
                hundredths = true;
                break;
            case Op::Divide:
                r = y.isZero() ? Decimal() : Decimal::divide(x, y, 2);
                hundredths = true;
                break;
            default: break;
            }
            if (!r)
                return false;
            a = {r->raw(), -1, hundredths};
            if (!round(a))
                return false;
            break;
        }
        }
    }
    if (literalIndex)
        *literalIndex = top >= 0 ? stack[0].literal : -1;
    *result = top >= 0 ? Decimal::fromRaw(stack[0].v) : Decimal();
    return true;
}

std::optional<Decimal> Expression::multiplyHundredths(const Decimal& a, int aLiteral, bool aHundredths,
                                                     const Decimal& b, int bLiteral, bool bHundredths) const
{
    // A whole number written in the expression ("*2", "*100") times a value in hundredths is
    // exact in hundredths: no 256-bit product and division. The range is the general product's
    // (an exact product in hundredths needs no rounding).
    const qint64 kb = bLiteral >= 0 ? m_wholeNumbers[bLiteral] : 0;
    const qint64 ka = aLiteral >= 0 ? m_wholeNumbers[aLiteral] : 0;
    const bool byB = kb != 0 && aHundredths;
    if (byB || (ka != 0 && bHundredths)) {
        Decimal::Raw p;
        if (!__builtin_mul_overflow(byB ? a.raw() : b.raw(), Decimal::Raw(byB ? kb : ka), &p))
            return Decimal::add(Decimal::fromRaw(p), Decimal());
    }
    return Decimal::multiply(a, b, 2);
}

double Expression::evaluateBinary(const double* termValues) const
{
    EvalStack<double> cells(m_maxDepth);
    double* stack = cells.data();
    int top = -1;
    for (const Op& op : m_program) {
        switch (op.kind) {
        case Op::PushNumber: stack[++top] = m_binaryNumbers[op.index]; break;
        case Op::PushTerm: stack[++top] = termValues[op.index]; break;
        case Op::Negate: stack[top] = roundHundredths(-stack[top]); break;
        case Op::Round: stack[top] = roundHundredths(stack[top]); break;
        default: {
            const double b = stack[top--];
            const double a = stack[top];
            double r = 0;
            switch (op.kind) {
            case Op::Add: r = a + b; break;
            case Op::Subtract: r = a - b; break;
            case Op::Multiply: r = a * b; break;
            case Op::Divide: r = b == 0 ? 0.0 : a / b; break;
            default: break;
            }
            stack[top] = roundHundredths(r);
            break;
        }
        }
    }
    return top >= 0 ? stack[0] : 0.0;
}

bool evaluateWholeProgram(const WholeOp* ops, size_t count, const qint64* termValues, qint64* result)
{
    if (count == 1 && ops[0].kind == WholeOp::Term) {   // the side most controls have
        *result = termValues[ops[0].value];
        return true;
    }
    EvalStack<qint64> cells(count);   // a program pushes at most one value per step
    qint64* stack = cells.data();
    int top = -1;
    for (size_t i = 0; i < count; ++i) {
        const WholeOp& op = ops[i];
        switch (op.kind) {
        case WholeOp::Number: stack[++top] = op.value; break;
        case WholeOp::Term: stack[++top] = termValues[op.value]; break;
        case WholeOp::Negate:
            if (__builtin_sub_overflow(qint64(0), stack[top], &stack[top]))
                return false;
            break;
        default: {
            const qint64 b = stack[top--];
            qint64& a = stack[top];
            bool overflow = false;
            switch (op.kind) {
            case WholeOp::Add: overflow = __builtin_add_overflow(a, b, &a); break;
            case WholeOp::Subtract: overflow = __builtin_sub_overflow(a, b, &a); break;
            case WholeOp::Multiply: overflow = __builtin_mul_overflow(a, b, &a); break;
            case WholeOp::Divide:
                // As evaluate(): a zero divisor gives 0; an exact quotient is whole, any other
                // is a fraction the exact reading rounds.
                if (b == 0)
                    a = 0;
                else if (b == -1)
                    overflow = __builtin_sub_overflow(qint64(0), a, &a);
                else if (a % b != 0)
                    return false;
                else
                    a /= b;
                break;
            default: break;
            }
            if (overflow)
                return false;
            break;
        }
        }
    }
    *result = top >= 0 ? stack[0] : 0;
    return true;
}

bool Expression::evaluateWhole(const qint64* termValues, qint64* result) const
{
    return m_wholeLiterals
        && evaluateWholeProgram(m_wholeProgram.data(), m_wholeProgram.size(), termValues, result);
}

bool Expression::appendWholeProgram(std::vector<WholeOp>* out, int firstTerm) const
{
    if (!m_wholeLiterals)
        return false;
    for (WholeOp op : m_wholeProgram) {
        if (op.kind == WholeOp::Term)
            op.value += firstTerm;
        out->push_back(op);
    }
    return true;
}

QString Expression::evaluateText(const Decimal* termValues) const
{
    int literal = -1;
    Decimal v;
    if (!evaluate(termValues, &v, &literal))
        return QString();
    if (literal >= 0) {
        for (const Token& t : m_tokens)
            if (t.kind == Token::Number && t.index == literal)
                return t.text;
    }
    return formatControlNumber(v);
}

namespace {

QString evalNumbersOnly(const QString& expression, bool allowBrackets)
{
    if (expression.contains(QStringLiteral("ВПТ")))
        return expression;
    const QString prepared = prepareControlText(expression);
    if (!allowBrackets && (prepared.contains(u'(') || prepared.contains(u')')))
        return expression;
    Expression e;
    if (!e.parse(prepared) || !e.terms().empty())
        return expression;
    const QString value = e.evaluateText(nullptr);
    return value.isEmpty() ? expression : value;
}

} // namespace

QString EvalArithmetic(const QString& expression) { return evalNumbersOnly(expression, false); }

QString EvalExpression(const QString& expression) { return evalNumbersOnly(expression, true); }

QString EvalCellTerm(const QString& term, const QString& cycleText, TableSource& tables,
                     const TableContext* context)
{
    const QString prepared = prepareControlText(term);
    if (prepared.contains(QStringLiteral("ВПТ")))
        return term;
    if (isNumberWord(prepared))
        return term;
    CellRef ref, cycle;
    if (!readCellRef(prepared, &ref) || !readCellRef(prepareControlText(cycleText), &cycle))
        return term;
    ref = completeCellRef(ref, cycle);
    if (context) {
        CellRef own;
        own.form = prepareControlText(context->formName);
        QStringView number(context->tableNumber);
        if (number.startsWith(u'(') && number.endsWith(u')'))
            number = number.sliced(1, number.size() - 2);
        own.table = number.toString();
        ref = completeCellRef(ref, own);
    }
    if (!ref.hasRows() || !ref.hasColumns())
        return term;
    const CellArray* values = nullptr;
    // Terms are read in capitals without blanks, the caller's names as the catalogue keeps them:
    // "Ф 12", "(100а)".
    if (context && sameName(ref.form, prepareControlText(context->formName))
        && sameName(ref.tableNumber(), prepareControlText(context->tableNumber)))
        values = &context->values;
    else if (ref.hasForm() || ref.hasTable())
        values = tables.table(ref.form, ref.tableNumber());
    if (!values)
        return term;
    const TermValue v = sumCells(*values, ref.columns, ref.rows);
    if (v.kind == TermValue::OutOfRange)
        return term;
    if (v.kind == TermValue::OutOfTable)
        return OutOfTableText(ref.form, ref.tableNumber(), v.column, v.row);
    return formatControlNumber(v.value);
}
