#include "core/TableRecalc.h"

#include "core/Lookups.h"
#include "core/NetFormation.h"
#include "core/TableCells.h"
#include "platform/Database.h"

#include <QHash>
#include <QSet>
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

// The exact sums of one table's cells, laid out as its CellArray.
struct ExactSums {
    CellArray* cells = nullptr;
    std::vector<Decimal> values;
    int rows = 0;
    bool overflow = false;

    explicit ExactSums(CellArray* c)
        : cells(c), values(size_t(c->highColumn() - c->lowColumn() + 1) * size_t(c->highRow() - c->lowRow() + 1)),
          rows(c->highRow() - c->lowRow() + 1)
    {
    }
    void add(int column, int row, double value)
    {
        if (value == 0 || overflow)
            return;
        Decimal& sum = values[size_t(column - cells->lowColumn()) * size_t(rows) + size_t(row - cells->lowRow())];
        const std::optional<Decimal> d = Decimal::fromDouble(value);
        const std::optional<Decimal> s = d ? Decimal::add(sum, *d) : std::nullopt;
        if (!s)
            overflow = true;
        else
            sum = *s;
    }
    void store() const
    {
        for (int column = cells->lowColumn(); column <= cells->highColumn(); ++column)
            for (int row = cells->lowRow(); row <= cells->highRow(); ++row) {
                const Decimal v = values[size_t(column - cells->lowColumn()) * size_t(rows) + size_t(row - cells->lowRow())];
                if (!v.isZero())
                    cells->set(column, row, v.toDouble());
            }
    }
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
    // The owner's rows lie together in the key (year, hospital, table, ...), already by table.
    const std::unique_ptr<Query> read = DataRows::ownerYearQuery(*context.data, quoteIdent(source));
    Query& q = *read;
    QSet<int> seen;
    for (int owner : context.composition) {
        if (seen.contains(owner))
            continue;   // an owner listed twice is summed once
        seen.insert(owner);
        q.reset();
        q.bind(1, context.year).bind(2, owner);
        int lastTable = -1;
        ExactSums* target = nullptr;
        while (q.next()) {
            const int table = q.toInt(0);
            if (table != lastTable) {
                lastTable = table;
                target = byTable.value(table, nullptr);
            }
            if (!target)
                continue;
            const int column = q.toInt(1), row = q.toInt(2);
            if (DataRows::isDataCell(*target->cells, column, row))
                target->add(column, row, q.toDouble(3));
        }
    }
    for (const auto& s : sums) {
        if (s->overflow)
            return false;
        s->store();
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
            for (size_t i = 0; i < tables.size(); ++i) {
                const QString prefix = tables[i].formName + QStringLiteral("т") + tables[i].tablen
                                       + QStringLiteral(" - ");
                formNetTable(evaluator, tables[i], NetConditions::read(*context.dictionary, tables[i].ident),
                             context.composition, context.round, *cells[i], outcome.problems,
                             [&](const QString& cell) {
                                 if (status)
                                     status(prefix + cell);
                             });
            }
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
