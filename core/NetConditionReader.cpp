#include "core/NetConditions.h"

#include "core/Lookups.h"

namespace {

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

// No real condition comes near this; the reader stays far from the end of its stack.
constexpr int kMaxNesting = 200;
// A reference may name at most this many cells (a table's size bounds it anyway).
constexpr qint64 kMaxTermCells = 1'000'000;

// "Т(" as "Т[" and the first ")" after it as "]", so the table's brackets are never taken for a
// group's.
QString tableBracketsSquare(QString text)
{
    qsizetype from = 0;
    while (true) {
        const qsizetype at = text.indexOf(QStringLiteral("Т("), from);
        if (at < 0)
            break;
        text[at + 1] = u'[';
        const qsizetype close = text.indexOf(u')', at + 2);
        if (close < 0)
            break;
        text[close] = u']';
        from = close + 1;
    }
    return text;
}

// The relation at the start of `s`: its length, 0 for none.
int relationAt(QStringView s)
{
    if (s.startsWith(u"<>") || s.startsWith(u"<=") || s.startsWith(u">="))
        return 2;
    if (s.startsWith(u'<') || s.startsWith(u'>') || s.startsWith(u'='))
        return 1;
    return 0;
}

bool isRelationChar(QChar c) { return c == u'<' || c == u'=' || c == u'>'; }

// Reads the reference part of a term (from its "Ф") and resolves it in the caches: the table's
// ident and the stored columns and rows, every cell inside the table. A form without a table
// means the form's first table, looked up as the controls look it up, so a reference reads the
// same in a control and in a network table.
bool resolveReference(const QString& text, ConditionTerm* term, QString* error)
{
    if (!text.startsWith(u'Ф'))
        return fail(error, QStringLiteral("Не указана форма: %1").arg(text));
    QString why;
    if (!readCellRef(text, &term->ref, &why))
        return fail(error, why);
    const CellRef& ref = term->ref;
    if (!ref.hasRows())
        return fail(error, QStringLiteral("Не указаны строки: %1").arg(text));
    if (!ref.hasColumns())
        return fail(error, QStringLiteral("Не указаны графы: %1").arg(text));
    const int formId = FormIdByName(ref.form);
    if (formId < 0)
        return fail(error, QStringLiteral("Неизвестная форма %1: %2").arg(ref.form, text));
    const QString number = ref.tableNumber();
    term->table = FindTableIdentByFormId(formId, number);
    const TableShape g = GetTableGeometryById(formId, number);
    if (term->table < 0 || !g.found())
        return fail(error, number.isEmpty()
                               ? QStringLiteral("Нет таблиц в форме %1: %2").arg(ref.form, text)
                               : QStringLiteral("Нет таблицы %1 в форме %2: %3").arg(number, ref.form, text));
    if (numberCount(ref.rows) * numberCount(ref.columns) > kMaxTermCells)
        return fail(error, QStringLiteral("Слишком много ячеек: %1").arg(text));
    // Rows are shifted by the referenced table's own header rows, whatever table the condition
    // belongs to.
    const CellNumbering numbering = g.numbering();
    const int dataRows = g.lastReferenceRow();
    const int colcount = g.colcount;
    term->storedRows.clear();
    term->storedColumns.clear();
    for (int r : expandNumbers(ref.rows)) {
        if (r < 1 || r > dataRows)
            return fail(error, QStringLiteral("Строка %1 вне таблицы: %2").arg(r).arg(text));
        term->storedRows.push_back(numbering.storedRowOfReference(r));
    }
    for (int c : expandNumbers(ref.columns)) {
        if (c <= g.fixcols || c > colcount)
            return fail(error, QStringLiteral("Графа %1 вне таблицы: %2").arg(c).arg(text));
        term->storedColumns.push_back(numbering.storedColumnOfReference(c));
    }
    return true;
}

// One term: [number relation] reference [relation number].
bool readTerm(const QString& text, ConditionTerm* term, QString* error)
{
    term->text = text;
    const qsizetype formAt = text.indexOf(u'Ф');
    if (formAt < 0)
        return fail(error, QStringLiteral("Не указана форма: %1").arg(text));
    if (formAt > 0) {
        // The prefix: a number, then the relation that ends it.
        const QString prefix = text.left(formAt);
        qsizetype rel = 0;
        while (rel < prefix.size() && !isRelationChar(prefix[rel]))
            ++rel;
        const int length = relationAt(QStringView(prefix).sliced(rel));
        const std::optional<Decimal> n = Decimal::parse(QStringView(prefix).first(rel));
        if (rel == prefix.size() || rel + length != prefix.size() || !n)
            return fail(error, QStringLiteral("Неверное сравнение \"%1\": %2").arg(prefix, text));
        term->prefixNumber = *n;
        term->prefixRelation = prefix.sliced(rel);
    }
    qsizetype end = formAt;
    while (end < text.size() && !isRelationChar(text[end]))
        ++end;
    if (!resolveReference(text.sliced(formAt, end - formAt), term, error))
        return false;
    if (end < text.size()) {
        const QStringView rest = QStringView(text).sliced(end);
        const int length = relationAt(rest);
        const std::optional<Decimal> n = Decimal::parse(rest.sliced(length));
        if (!n)
            return fail(error, QStringLiteral("Неверное сравнение \"%1\": %2").arg(rest.toString(), text));
        term->suffixRelation = rest.first(length).toString();
        term->suffixNumber = *n;
    }
    if (term->suffixRelation == u"=" && term->suffixNumber.isZero()) {
        term->zeroTest = true;
        term->suffixRelation.clear();
    } else if (term->prefixRelation == u"=" && term->prefixNumber.isZero()) {
        term->zeroTest = true;
        term->prefixRelation.clear();
    }
    return true;
}

// The lexical pieces of a prepared condition.
struct Piece {
    enum Kind { Open, Close, And, Or, Term } kind;
    QString text;
};

std::vector<Piece> splitCondition(const QString& s)
{
    std::vector<Piece> pieces;
    qsizetype i = 0, termStart = -1;
    auto closeTerm = [&](qsizetype at) {
        if (termStart >= 0)
            pieces.push_back({Piece::Term, s.sliced(termStart, at - termStart)});
        termStart = -1;
    };
    while (i < s.size()) {
        const QChar c = s[i];
        if (c == u'(' || c == u')') {
            closeTerm(i);
            pieces.push_back({c == u'(' ? Piece::Open : Piece::Close, QString()});
            ++i;
        } else if (QStringView(s).sliced(i).startsWith(u"AND")) {
            closeTerm(i);
            pieces.push_back({Piece::And, QString()});
            i += 3;
        } else if (QStringView(s).sliced(i).startsWith(u"OR")) {
            closeTerm(i);
            pieces.push_back({Piece::Or, QString()});
            i += 2;
        } else {
            if (termStart < 0)
                termStart = i;
            ++i;
        }
    }
    closeTerm(s.size());
    return pieces;
}

class ConditionParser {
public:
    ConditionParser(const std::vector<Piece>& pieces, std::vector<ConditionTerm>& terms,
                    std::vector<ConditionProgram::Op>& ops)
        : m_pieces(pieces), m_terms(terms), m_ops(ops)
    {
    }

    bool parse(QString* error)
    {
        if (!expression(0, error))
            return false;
        if (m_pos < m_pieces.size())   // the brackets balance, so only a ")" too early is left
            return fail(error, QStringLiteral("Не хватает левой скобки"));
        return true;
    }

private:
    bool expression(int depth, QString* error)
    {
        if (!operand(depth, error) || !joined(error))
            return false;
        while (m_pos < m_pieces.size()
               && (m_pieces[m_pos].kind == Piece::And || m_pieces[m_pos].kind == Piece::Or)) {
            const bool isAnd = m_pieces[m_pos].kind == Piece::And;
            ++m_pos;
            if (!operand(depth, error) || !joined(error))
                return false;
            m_ops.push_back({isAnd ? ConditionProgram::Op::And : ConditionProgram::Op::Or, -1});
        }
        return true;
    }

    // After an operand comes AND, OR, ")" or the end: a term or "(" there lost its joining word.
    bool joined(QString* error) const
    {
        if (m_pos < m_pieces.size()
            && (m_pieces[m_pos].kind == Piece::Term || m_pieces[m_pos].kind == Piece::Open))
            return fail(error, QStringLiteral("Пропущено AND или OR"));
        return true;
    }

    bool operand(int depth, QString* error)
    {
        if (m_pos >= m_pieces.size() || m_pieces[m_pos].kind == Piece::Close
            || m_pieces[m_pos].kind == Piece::And || m_pieces[m_pos].kind == Piece::Or)
            return fail(error, QStringLiteral("Пропущено условие перед AND, OR или скобкой"));
        const Piece& p = m_pieces[m_pos];
        if (p.kind == Piece::Open) {
            if (depth >= kMaxNesting)
                return fail(error, QStringLiteral("Слишком много вложенных скобок"));
            ++m_pos;
            if (!expression(depth + 1, error))
                return false;
            if (m_pos >= m_pieces.size() || m_pieces[m_pos].kind != Piece::Close)
                return fail(error, QStringLiteral("Не хватает правой скобки"));
            ++m_pos;
            return true;
        }
        ConditionTerm term;
        if (!readTerm(p.text, &term, error))
            return false;
        m_terms.push_back(std::move(term));
        m_ops.push_back({ConditionProgram::Op::Term, int(m_terms.size()) - 1});
        ++m_pos;
        return true;
    }

    const std::vector<Piece>& m_pieces;
    std::vector<ConditionTerm>& m_terms;
    std::vector<ConditionProgram::Op>& m_ops;
    size_t m_pos = 0;
};

} // namespace

bool ConditionProgram::parse(const QString& text, QString* error)
{
    m_terms.clear();
    m_ops.clear();
    const QString prepared = tableBracketsSquare(prepareControlText(text));
    if (prepared.isEmpty())
        return true;
    // The brackets first, so a missing one is named as such whatever else is wrong.
    int open = 0;
    for (QChar c : prepared) {
        if (c == u'(')
            ++open;
        else if (c == u')' && --open < 0)
            return fail(error, QStringLiteral("Не хватает левой скобки"));
    }
    if (open > 0)
        return fail(error, QStringLiteral("Не хватает правой скобки"));
    const std::vector<Piece> pieces = splitCondition(prepared);
    ConditionParser parser(pieces, m_terms, m_ops);
    if (!parser.parse(error)) {
        m_terms.clear();
        m_ops.clear();
        return false;
    }
    return true;
}

bool FormulaProgram::parse(const QString& text, QString* error, bool allowStar)
{
    m_number.reset();
    m_terms.clear();
    const QString prepared = tableBracketsSquare(prepareControlText(text));
    if (prepared.isEmpty())
        return true;
    if (IsNumber(prepared)) {
        m_number = Decimal::parse(prepared);
        if (!m_number)
            return fail(error, QStringLiteral("Неверное число в формуле: %1").arg(prepared));
        return true;
    }
    qsizetype start = 0;
    bool minus = false;
    for (qsizetype i = 0; i <= prepared.size(); ++i) {
        if (i < prepared.size() && prepared[i] != u'+' && prepared[i] != u'-')
            continue;
        const QString piece = prepared.sliced(start, i - start);
        // An empty term is what a "*" replaced by nothing leaves ("-A", "A-"): it adds nothing.
        if (!piece.isEmpty() && !(allowStar && piece == u"*")) {
            Term term;
            term.minus = minus;
            if (!resolveReference(piece, &term.cells, error)) {
                m_terms.clear();
                return false;
            }
            term.cells.text = piece;
            m_terms.push_back(std::move(term));
        }
        if (i < prepared.size())
            minus = prepared[i] == u'-';
        start = i + 1;
    }
    return true;
}

QString conditionProblem(const QString& text)
{
    ConditionProgram program;
    QString error;
    return program.parse(text, &error) ? QString() : error;
}

QString formulaProblem(const QString& text, bool allowStar)
{
    FormulaProgram program;
    QString error;
    return program.parse(text, &error, allowStar) ? QString() : error;
}

QString composeFormula(const QString& formula, const QString& outer)
{
    QString out = formula;
    return out.replace(u'*', outer);
}

QString cellRecordFormula(const NetCondition& record)
{
    return composeFormula(record.formula, QString());
}
