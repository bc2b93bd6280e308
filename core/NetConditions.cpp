#include "core/NetConditions.h"

#include "core/Lookups.h"
#include "core/TableCells.h"
#include "platform/Database.h"
#include "platform/Numbers.h"

#include <QSet>
#include <algorithm>

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

bool compare(Decimal a, const QString& relation, Decimal b)
{
    if (relation == u"=")
        return a == b;
    if (relation == u"<>")
        return a != b;
    if (relation == u">")
        return a > b;
    if (relation == u">=")
        return a >= b;
    if (relation == u"<")
        return a < b;
    return a <= b;   // "<="
}

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

// The members of `b` that occur in `a`, in a's order.
QList<int> intersect(const QList<int>& a, const QList<int>& b)
{
    const QSet<int> in(b.begin(), b.end());
    QList<int> out;
    for (int id : a)
        if (in.contains(id))
            out.append(id);
    return out;
}

// a, then the members of b that are not in a.
QList<int> unite(const QList<int>& a, const QList<int>& b)
{
    QSet<int> seen(a.begin(), a.end());
    QList<int> out = a;
    for (int id : b)
        if (!seen.contains(id)) {
            seen.insert(id);
            out.append(id);
        }
    return out;
}

QList<int> withoutDuplicates(const QList<int>& ids)
{
    return unite(QList<int>(), ids);
}

} // namespace

// --- records ---------------------------------------------------------------------------------

NetCondition::Kind NetCondition::kind() const
{
    if (row >= 0 && column >= 0)
        return Kind::Cell;
    if (row >= 0 && column == -1)
        return Kind::Row;
    if (row == -1 && column >= 0)
        return Kind::Column;
    return Kind::Invalid;
}

bool parseConditionTypes(const QString& types, QList<int>* ids)
{
    ids->clear();
    if (types.isEmpty() || types == QStringLiteral("*"))
        return false;
    for (const QString& item : types.split(u',')) {
        const std::optional<int> id = parseInt(item);
        if (!id || item.trimmed() != item) {
            ids->clear();
            return false;
        }
        ids->append(*id);
    }
    return true;
}

QString conditionTypesProblem(const QString& types)
{
    if (types == QStringLiteral("*"))
        return QString();
    if (types.isEmpty())
        return QStringLiteral("Необходимо выбрать хотя бы один тип учреждений!");
    QList<int> ids;
    if (!parseConditionTypes(types, &ids))
        return QStringLiteral("Неверный список типов учреждений: \"%1\"").arg(types);
    return QString();
}

namespace NetConditions {
namespace {

const char* const kColumns =
    R"("tid","row","column","type","formula","condition","koeff","country","lft","rght","midle","types")";

NetCondition fromQuery(const Query& q)
{
    NetCondition c;
    c.tid = q.toInt(0);
    c.row = q.toInt(1);
    c.column = q.toInt(2);
    c.sum = q.toInt(3) != 0;
    c.formula = q.text(4);
    c.condition = q.text(5);
    if (!q.isNull(6))
        c.koeff = q.toInt(6);
    c.rural = q.toInt(7) != 0;
    c.lft = q.text(8);
    c.rght = q.text(9);
    c.average = q.toInt(10) != 0;
    c.types = q.text(11);
    return c;
}

QVariantList valuesOf(const NetCondition& c)
{
    return {c.tid, c.row, c.column, c.sum ? 1 : 0, c.formula, c.condition,
            c.koeff ? QVariant(*c.koeff) : QVariant(), c.rural ? 1 : 0, c.lft, c.rght,
            c.average ? 1 : 0, c.types};
}

void insert(Database& db, const NetCondition& c)
{
    db.exec(QStringLiteral(R"(insert into "conditions" (%1) values (?,?,?,?,?,?,?,?,?,?,?,?))")
                .arg(QLatin1String(kColumns)),
            valuesOf(c));
}

} // namespace

QList<NetCondition> read(Database& dictionary, int tid)
{
    Query q(dictionary,
            QStringLiteral(R"(select %1 from "conditions" where "tid"=? order by "row","column")")
                .arg(QLatin1String(kColumns)),
            {tid});
    QList<NetCondition> out;
    while (q.next())
        out.append(fromQuery(q));
    return out;
}

std::optional<NetCondition> find(Database& dictionary, int tid, int row, int column)
{
    Query q(dictionary,
            QStringLiteral(R"(select %1 from "conditions" where "tid"=? and "row"=? and "column"=?)")
                .arg(QLatin1String(kColumns)),
            {tid, row, column});
    if (!q.next())
        return std::nullopt;
    return fromQuery(q);
}

bool save(Database& dictionary, const NetCondition& record, QString* error)
{
    if (record.kind() == NetCondition::Kind::Invalid)
        return fail(error, QStringLiteral("Неверный адрес условия: строка %1, графа %2")
                               .arg(record.row)
                               .arg(record.column));
    const QString typesProblem = conditionTypesProblem(record.types);
    if (!typesProblem.isEmpty())
        return fail(error, typesProblem);
    Transaction tx(dictionary);
    // One record per address: a second one would be read by nobody and confuse every reader.
    dictionary.exec(QStringLiteral(R"(delete from "conditions" where "tid"=? and "row"=? and "column"=?)"),
                    {record.tid, record.row, record.column});
    insert(dictionary, record);
    tx.commit();
    return true;
}

bool remove(Database& dictionary, int tid, int row, int column)
{
    return dictionary.exec(QStringLiteral(R"(delete from "conditions" where "tid"=? and "row"=? and "column"=?)"),
                           {tid, row, column})
        > 0;
}

void replaceTables(Database& dictionary, const QList<int>& tids, const QList<NetCondition>& records)
{
    Transaction tx(dictionary);
    for (int tid : tids)
        dictionary.exec(QStringLiteral(R"(delete from "conditions" where "tid"=?)"), {tid});
    for (const NetCondition& c : records)
        insert(dictionary, c);
    tx.commit();
}

} // namespace NetConditions

// --- the readers ------------------------------------------------------------------------------

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

// --- the evaluator ----------------------------------------------------------------------------

struct NetEvaluator::Cells {
    QHash<quint32, double> values;   // (stored column << 16 | stored row) -> value
};

struct NetEvaluator::Statement {
    explicit Statement(Database& data) : rows(&data) {}
    DataRows rows;
};

NetEvaluator::NetEvaluator(Database& dictionary, Database& data, int year)
    : m_dictionary(dictionary), m_data(data), m_year(year)
{
}

NetEvaluator::~NetEvaluator() = default;

bool NetEvaluator::selectUnits(const QList<int>& candidates, const QString& types, bool rural,
                               QList<int>* units, QString* error)
{
    units->clear();
    const QString problem = conditionTypesProblem(types);
    if (!problem.isEmpty())
        return fail(error, problem);
    if (!m_unitsRead) {
        Query q(m_dictionary, QStringLiteral(R"(select "id","medicaltype","country" from "administration")"));
        while (q.next())
            m_units.insert(q.toInt(0), {q.toInt(1), q.toInt(2) != 0});
        m_unitsRead = true;
    }
    QSet<int> wanted;
    const bool all = types == QStringLiteral("*");
    if (!all) {
        QList<int> ids;
        parseConditionTypes(types, &ids);
        wanted = QSet<int>(ids.begin(), ids.end());
    }
    QSet<int> seen;
    for (int id : candidates) {
        if (seen.contains(id))
            continue;
        seen.insert(id);
        const auto it = m_units.constFind(id);
        // An id no longer in the structure has no type and no place: it counts nowhere.
        if (it == m_units.cend())
            continue;
        if ((all || wanted.contains(it->type)) && (!rural || it->rural))
            units->append(id);
    }
    return true;
}

QList<int> NetEvaluator::ruralOnly(const QList<int>& units)
{
    QList<int> out;
    selectUnits(units, QStringLiteral("*"), true, &out);
    return out;
}

const NetEvaluator::Cells& NetEvaluator::cellsOf(int institution, int table)
{
    const quint64 key = (quint64(quint32(institution)) << 32) | quint32(table);
    auto it = m_cells.find(key);
    if (it != m_cells.end())
        return **it;
    auto cells = std::make_shared<Cells>();
    if (!m_statement)
        m_statement = std::make_unique<Statement>(m_data);
    m_statement->rows.forEachTableRow(CellOwner{table, institution, QStringLiteral("data"), m_year},
                                      [&](int column, int row, double value) {
                                          cells->values.insert((quint32(column) << 16) | quint32(row & 0xffff), value);
                                      });
    return **m_cells.insert(key, cells);
}

double NetEvaluator::stored(int institution, int table, int storedColumn, int storedRow)
{
    return cellsOf(institution, table).values.value((quint32(storedColumn) << 16) | quint32(storedRow & 0xffff), 0.0);
}

QList<int> NetEvaluator::termSet(const ConditionTerm& term, const QList<int>& candidates)
{
    QList<int> out;
    for (int id : candidates) {
        const Cells& cells = cellsOf(id, term.table);
        bool anyNonZero = false, anyMatch = false;
        for (int column : term.storedColumns) {
            for (int row : term.storedRows) {
                const double v = cells.values.value((quint32(column) << 16) | quint32(row & 0xffff), 0.0);
                if (v != 0)
                    anyNonZero = true;
                if (anyMatch)
                    continue;
                const std::optional<Decimal> d = Decimal::fromDouble(v);
                if (!d)
                    continue;   // a stored value past the range satisfies nothing
                bool match = true;
                if (!term.prefixRelation.isEmpty())
                    match = compare(term.prefixNumber, term.prefixRelation, *d);
                if (match && !term.suffixRelation.isEmpty())
                    match = compare(*d, term.suffixRelation, term.suffixNumber);
                if (term.prefixRelation.isEmpty() && term.suffixRelation.isEmpty())
                    match = term.zeroTest || v != 0;
                if (match)
                    anyMatch = true;
            }
        }
        const bool taken = term.zeroTest ? !anyNonZero && anyMatch : anyMatch;
        if (taken)
            out.append(id);
    }
    return out;
}

QList<int> NetEvaluator::evaluate(const ConditionProgram& program, const QList<int>& candidates)
{
    const QList<int> base = withoutDuplicates(candidates);
    if (program.isEmpty() || base.isEmpty())
        return base;
    std::vector<QList<int>> stack;
    for (const ConditionProgram::Op& op : program.ops()) {
        if (op.kind == ConditionProgram::Op::Term) {
            stack.push_back(termSet(program.terms()[op.index], base));
            continue;
        }
        QList<int> right = std::move(stack.back());
        stack.pop_back();
        QList<int>& left = stack.back();
        left = op.kind == ConditionProgram::Op::And ? intersect(left, right) : unite(left, right);
    }
    // Candidate order, whatever order the union built.
    return intersect(base, stack.back());
}

bool NetEvaluator::evaluate(const QString& condition, const QList<int>& candidates, QList<int>* result,
                            QString* error)
{
    ConditionProgram program;
    if (!program.parse(condition, error)) {
        result->clear();
        return false;
    }
    *result = evaluate(program, candidates);
    return true;
}

std::optional<Decimal> NetEvaluator::termValue(const ConditionTerm& term, int institution)
{
    const Cells& cells = cellsOf(institution, term.table);
    Decimal total;
    for (int column : term.storedColumns)
        for (int row : term.storedRows) {
            const double v = cells.values.value((quint32(column) << 16) | quint32(row & 0xffff), 0.0);
            if (v == 0)
                continue;
            const std::optional<Decimal> d = Decimal::fromDouble(v);
            const std::optional<Decimal> s = d ? Decimal::add(total, *d) : std::nullopt;
            if (!s)
                return std::nullopt;
            total = *s;
        }
    return total;
}

std::optional<QList<Decimal>> NetEvaluator::perInstitution(const FormulaProgram& formula,
                                                           const QList<int>& institutions)
{
    QList<Decimal> out;
    for (int id : institutions) {
        if (formula.isNumber()) {
            out.append(*formula.number());
            continue;
        }
        Decimal total;
        for (const FormulaProgram::Term& t : formula.terms()) {
            const std::optional<Decimal> v = termValue(t.cells, id);
            const std::optional<Decimal> s = !v ? std::nullopt
                                           : t.minus ? Decimal::subtract(total, *v)
                                                     : Decimal::add(total, *v);
            if (!s)
                return std::nullopt;
            total = *s;
        }
        out.append(total);
    }
    return out;
}

std::optional<Decimal> NetEvaluator::sum(const FormulaProgram& formula, const QList<int>& institutions)
{
    if (formula.isNumber())
        return *formula.number();
    const std::optional<QList<Decimal>> values = perInstitution(formula, institutions);
    if (!values)
        return std::nullopt;
    Decimal total;
    for (Decimal v : *values) {
        const std::optional<Decimal> s = Decimal::add(total, v);
        if (!s)
            return std::nullopt;
        total = *s;
    }
    return total;
}

// --- cells of a network table ----------------------------------------------------------------

NetCellRecipe netCellRecipe(const QList<NetCondition>& records, int scan, int row, int column)
{
    NetCellRecipe recipe;
    const NetCondition* rowRecord = nullptr;
    const NetCondition* columnRecord = nullptr;
    for (const NetCondition& c : records) {
        if (c.row == row && c.column == column) {
            recipe.found = true;
            recipe.cellRecord = true;
            recipe.selecting = c;
            recipe.computing = c;
            recipe.formula = cellRecordFormula(c);
            return recipe;
        }
        if (c.row == row && c.column == -1)
            rowRecord = &c;
        else if (c.row == -1 && c.column == column)
            columnRecord = &c;
    }
    if (!rowRecord || !columnRecord)
        return recipe;
    recipe.found = true;
    recipe.selecting = scan == 1 ? *columnRecord : *rowRecord;
    recipe.computing = scan == 1 ? *rowRecord : *columnRecord;
    recipe.formula = composeFormula(recipe.computing.formula, recipe.selecting.formula);
    return recipe;
}

bool netCellInstitutions(NetEvaluator& evaluator, const NetCellRecipe& recipe,
                         const QList<int>& candidates, QList<int>* institutions, QString* error)
{
    institutions->clear();
    if (!recipe.found)
        return true;
    QList<int> units;
    if (!evaluator.selectUnits(candidates, recipe.selecting.types, recipe.selecting.rural, &units, error))
        return false;
    if (units.isEmpty())
        return true;
    if (!evaluator.evaluate(recipe.selecting.condition, units, &units, error))
        return false;
    if (recipe.cellRecord || units.isEmpty()) {
        *institutions = units;
        return true;
    }
    if (recipe.computing.rural)
        units = evaluator.ruralOnly(units);
    return evaluator.evaluate(recipe.computing.condition, units, institutions, error);
}

NetCellBreakdown breakdownNetCell(NetEvaluator& evaluator, const NetCellRecipe& recipe,
                                  const QList<int>& candidates)
{
    NetCellBreakdown b;
    b.sum = recipe.found && recipe.computing.sum;
    if (!netCellInstitutions(evaluator, recipe, candidates, &b.institutions, &b.error)) {
        b.ok = false;
        return b;
    }
    if (!b.sum) {
        b.values = QList<Decimal>(b.institutions.size());
        return b;
    }
    FormulaProgram formula;
    if (!formula.parse(recipe.formula, &b.error)) {
        b.ok = false;
        b.institutions.clear();
        return b;
    }
    const std::optional<QList<Decimal>> values = evaluator.perInstitution(formula, b.institutions);
    if (!values) {
        b.ok = false;
        b.error = QStringLiteral("Сумма вне допустимого диапазона чисел");
        b.institutions.clear();
        return b;
    }
    b.values = *values;
    return b;
}
