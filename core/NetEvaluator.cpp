#include "core/NetConditions.h"

#include "core/TableCells.h"

#include "platform/Database.h"

#include <QSet>

namespace {

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

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
