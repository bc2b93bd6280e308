#include "core/TableRecalc.h"

#include "core/Lookups.h"
#include "core/NetFormation.h"
#include "core/TableCells.h"
#include "platform/Database.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <memory>
#include <vector>

namespace {

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

// What a failed save says: the table, then the engine's words.
QString saveFailure(const TableShape& table, const DbError& e)
{
    return QStringLiteral("Таблица %1 не сохранена, в ней остались прежние значения.\n%2")
        .arg(table.title(), e.userText());
}

CellArray emptyFor(const RecalcContext& context, const TableShape& table)
{
    return table.emptyCells(CellOwner{table.ident, context.owner, context.ownerTable, context.year});
}

// The exact sums of one table's cells, laid out as its CellArray. Whole numbers, by far the
// most values, are summed in 64 bits (exact as long as they do not overflow, when the value goes
// to the decimal sum instead); the rest in decimals; the two meet when the sums are stored.
struct ExactSums {
    CellArray* cells = nullptr;
    std::vector<Decimal> values;
    std::vector<qint64> wholes;
    int rows = 0;
    bool overflow = false;

    explicit ExactSums(CellArray* c)
        : cells(c), values(size_t(c->highColumn() - c->lowColumn() + 1) * size_t(c->highRow() - c->lowRow() + 1)),
          wholes(values.size()), rows(c->highRow() - c->lowRow() + 1)
    {
    }
    size_t index(int column, int row) const
    {
        return size_t(column - cells->lowColumn()) * size_t(rows) + size_t(row - cells->lowRow());
    }
    // The value at element i that the whole sum cannot take: a fraction, or a whole that would
    // overflow it.
    void addDecimal(size_t i, double value)
    {
        if (overflow)
            return;
        const std::optional<Decimal> d = Decimal::fromDouble(value);
        const std::optional<Decimal> s = d ? Decimal::add(values[i], *d) : std::nullopt;
        if (!s)
            overflow = true;
        else
            values[i] = *s;
    }
    // False when a sum leaves the range of Decimal (the cells are then unspecified).
    bool store() const
    {
        for (int column = cells->lowColumn(); column <= cells->highColumn(); ++column)
            for (int row = cells->lowRow(); row <= cells->highRow(); ++row) {
                const size_t i = index(column, row);
                const std::optional<Decimal> v = Decimal::add(values[i], Decimal::fromInt(wholes[i]));
                if (!v)
                    return false;
                if (!v->isZero())
                    cells->set(column, row, v->toDouble());
            }
        return true;
    }
};

// Takes the rows of a composition into the sums of their tables. Millions of rows pass here, so
// the table being summed is held as plain numbers: its data cells as two unsigned ranges from
// the first data position (a header position or one beyond the table falls outside them, as
// DataRows::isDataCell decides) and its whole sums as a raw pointer. A table not wanted has
// empty ranges. A table changes only where an owner's rows pass from one table to the next.
class Adder final : public KeyedRows {
public:
    explicit Adder(const QHash<int, ExactSums*>& byTable) : m_byTable(byTable) {}
    // The next owner's rows start with a table looked up again.
    void restart() { m_table = -1; }
    void take(const int* k, int, double value) override { add(k[0], k[1], k[2], value); }

private:
    void add(int table, int column, int row, double value)
    {
        if (table != m_table)
            switchTo(table);
        const unsigned c = unsigned(column) - unsigned(m_firstColumn);   // wraps below the first
        const unsigned r = unsigned(row) - unsigned(m_firstRow);
        if (c >= m_columns || r >= m_rows || value == 0)
            return;
        const size_t i = size_t(c) * m_stride + r + m_offset;
        qint64 whole, sum;
        if (smallWhole(value, &whole) && !__builtin_add_overflow(m_wholes[i], whole, &sum)) {
            m_wholes[i] = sum;
            return;
        }
        m_sums->addDecimal(i, value);
    }
    void switchTo(int table)
    {
        m_table = table;
        m_sums = m_byTable.value(table, nullptr);
        m_columns = m_rows = 0;
        if (!m_sums)
            return;
        const CellArray& cells = *m_sums->cells;
        m_firstColumn = cells.lowColumn() + 1;
        m_firstRow = cells.lowRow() + 1;
        m_columns = unsigned(std::max(0, cells.highColumn() - cells.lowColumn()));
        m_rows = unsigned(std::max(0, cells.highRow() - cells.lowRow()));
        m_stride = size_t(m_sums->rows);
        m_offset = m_sums->index(m_firstColumn, m_firstRow);
        m_wholes = m_sums->wholes.data();
    }

    const QHash<int, ExactSums*>& m_byTable;
    int m_table = -1;
    ExactSums* m_sums = nullptr;
    qint64* m_wholes = nullptr;
    int m_firstColumn = 0;
    int m_firstRow = 0;
    unsigned m_columns = 0;
    unsigned m_rows = 0;
    size_t m_stride = 0;
    size_t m_offset = 0;
};

// Adds every row the composing owners stored into the arrays of the tables wanted, exactly: one
// range read per owner (its rows lie together in the data tables' key), never one query per
// table. False (the arrays unspecified) when a sum leaves the range of Decimal.
bool sumComposition(const RecalcContext& context, const QHash<int, CellArray*>& wanted)
{
    std::vector<std::unique_ptr<ExactSums>> sums;
    QHash<int, ExactSums*> byTable;
    for (auto it = wanted.cbegin(); it != wanted.cend(); ++it) {
        sums.push_back(std::make_unique<ExactSums>(it.value()));
        byTable.insert(it.key(), sums.back().get());
    }
    const QString source = dataTableName(context.sourceTable);
    if (source.isEmpty())
        throw DbError(unknownDataTableMessage(context.sourceTable));
    ReadTransaction snapshot(*context.data);
    // The owner's rows lie together in the key (year, hospital, table, ...), already by table;
    // they are taken inside SQLite's loop.
    Query q(*context.data, QStringLiteral(R"(select rows_into("table","column","row","data") from %1 where "year"=? and "hospital"=?)")
                               .arg(quoteIdent(source)));
    const QSet<int> owners(context.composition.cbegin(), context.composition.cend());
    const int total = int(owners.size());
    if (context.progress)
        context.progress(0, total);
    Adder adder(byTable);
    q.setReceiver(&adder);
    QSet<int> seen;
    for (int owner : context.composition) {
        if (seen.contains(owner))
            continue;   // an owner listed twice is summed once
        seen.insert(owner);
        adder.restart();
        q.bind(1, context.year).bind(2, owner);
        q.next();
        q.reset();
        if (context.progress)
            context.progress(int(seen.size()), total);
    }
    for (const auto& s : sums) {
        if (s->overflow || !s->store())
            return false;
    }
    return true;
}

} // namespace

bool RecalcContext::fromGlobals(RecalcContext* context, QString* error)
{
    RecalcContext c;
    c.ownerTable = dataTableName(DataTablePrefix);
    if (c.ownerTable.isEmpty())
        return fail(error, unknownDataTableMessage());
    if (!parseIdList(InstitutionIdList, c.composition))
        return fail(error, QStringLiteral("Неверный список учреждений: \"%1\"").arg(InstitutionIdList));
    if (CurrentInstitutionId <= 0)
        return fail(error, QStringLiteral("Не выбран отчет: пересчитывать некуда"));
    c.dictionary = &dbmain();
    c.data = &dbdat();
    c.year = ReportYear;
    c.owner = CurrentInstitutionId;
    c.ofReports = WorkMode == QStringLiteral("Terrain");
    // A territory sums what its incoming reports hold; every other summary what its
    // institutions entered.
    c.sourceTable = c.ofReports ? QStringLiteral("repdata") : QStringLiteral("data");
    c.formation = NetMode;
    c.round = RoundResults;
    *context = c;
    return true;
}

QString emptyCompositionMessage(bool ofReports)
{
    return ofReports ? QStringLiteral("В состав отчета не входит ни один отчет: пересчет не выполнен, "
                                      "сохраненные значения не изменены")
                     : QStringLiteral("В состав отчета не входит ни одно учреждение: пересчет не выполнен, "
                                      "сохраненные значения не изменены");
}

ResultList formationProblemsList(const QList<FormationProblem>& problems, const QString& caption)
{
    ResultList list;
    list.windowCaption = caption;
    list.title = QStringLiteral("Условия формирования, которые не удалось выполнить");
    list.columns = {QStringLiteral("Таблица"), QStringLiteral("Ячейка"), QStringLiteral("Условие"),
                    QStringLiteral("Причина")};
    for (const FormationProblem& p : problems)
        list.items.append({p.table, {p.cell, p.condition, p.reason}, 0});
    return list;
}

bool sumTables(const RecalcContext& context, const QList<int>& tableIdents, QList<CellArray>* sums,
               QString* error)
{
    std::vector<std::unique_ptr<CellArray>> cells;
    QHash<int, CellArray*> wanted;
    for (int ident : tableIdents) {
        TableShape table;
        if (!readNetTable(*context.dictionary, ident, &table, error))
            return false;
        cells.push_back(std::make_unique<CellArray>(emptyFor(context, table)));
        wanted.insert(ident, cells.back().get());
    }
    if (!sumComposition(context, wanted))
        return fail(error, QStringLiteral("Сумма вне допустимого диапазона чисел"));
    sums->clear();
    for (const auto& c : cells)
        sums->append(*c);
    return true;
}

TableRecalcResult recalculateTable(const RecalcContext& context, int tableIdent,
                                   const std::function<void(const QString&)>& status)
{
    TableRecalcResult result;
    const RecalcOutcome outcome = recalculateTables(context, {tableIdent}, status);
    result.problems = outcome.problems;
    if (!outcome.error.isEmpty()) {
        result.error = outcome.error;
        return result;
    }
    // Read back what was stored: the caller shows exactly the saved cells.
    TableShape table;
    QString error;
    if (!readNetTable(*context.dictionary, tableIdent, &table, &error)) {
        result.error = error;
        return result;
    }
    DataRows rows(context.data);
    result.cells = rows.ownerCells(table,
                                   CellOwner{tableIdent, context.owner, context.ownerTable, context.year});
    result.saved = true;
    return result;
}

RecalcOutcome recalculateTables(const RecalcContext& context, const QList<int>& tableIdents,
                                const std::function<void(const QString&)>& status)
{
    RecalcOutcome outcome;
    if (context.composition.isEmpty()) {
        outcome.nothingDone = true;
        outcome.error = emptyCompositionMessage(context.ofReports);
        return outcome;
    }
    std::vector<TableShape> tables;
    std::vector<std::unique_ptr<CellArray>> cells;
    try {
        for (int ident : tableIdents) {
            TableShape table;
            QString error;
            if (!readNetTable(*context.dictionary, ident, &table, &error)) {
                outcome.error = error;
                return outcome;
            }
            tables.push_back(table);
            cells.push_back(std::make_unique<CellArray>(emptyFor(context, table)));
        }
        if (context.formation) {
            NetEvaluator evaluator(*context.dictionary, *context.data, context.year);
            for (size_t i = 0; i < tables.size(); ++i)
                formStoredNetTable(evaluator, *context.dictionary, tables[i], context.composition,
                                   context.round, *cells[i], outcome.problems, status);
        } else {
            if (status)
                status(QStringLiteral("Суммирование..."));
            QHash<int, CellArray*> wanted;
            for (size_t i = 0; i < tables.size(); ++i)
                wanted.insert(tables[i].ident, cells[i].get());
            if (!sumComposition(context, wanted)) {
                outcome.error = QStringLiteral("Сумма вне допустимого диапазона чисел: пересчет не выполнен, "
                                               "сохраненные значения не изменены");
                return outcome;
            }
        }
    } catch (const DbError& e) {
        // Nothing was written yet: every table keeps its rows.
        outcome.error = QStringLiteral("Пересчет не выполнен, сохраненные значения не изменены.\n") + e.userText();
        return outcome;
    }
    // Every table is saved under a savepoint of its own inside one transaction: a table whose
    // save fails takes back only its own rows, the tables before it are kept, and the whole run
    // costs one commit instead of one per table.
    DataRows rows(context.data);
    try {
        Transaction all(*context.data);
        for (size_t i = 0; i < tables.size(); ++i) {
            if (status)
                status(tables[i].formName + QStringLiteral(" - ") + tables[i].tablen);
            try {
                rows.replaceTable(*cells[i]);
            } catch (const DbError& e) {
                outcome.failedTable = tables[i].title();
                outcome.error = saveFailure(tables[i], e);
                break;
            }
            outcome.saved.append(tables[i].title());
        }
        all.commit();
    } catch (const DbError& e) {
        // The file refused the commit itself: nothing of the run was kept.
        outcome.saved.clear();
        if (outcome.failedTable.isEmpty() && !tables.empty())
            outcome.failedTable = tables.front().title();
        outcome.error = QStringLiteral("Пересчет не сохранен, сохраненные значения не изменены.\n") + e.userText();
    }
    return outcome;
}
