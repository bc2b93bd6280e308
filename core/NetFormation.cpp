#include "core/NetFormation.h"

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

// The problems of one formation, each (record, reason) once.
class Problems {
public:
    Problems(const TableShape& table, QList<FormationProblem>& out) : m_table(table), m_out(out) {}
    void add(const NetCondition& record, const QString& text, const QString& reason)
    {
        const QString cell = netCellName(m_table, record.row, record.column);
        const QString key = cell + QChar(1) + reason;
        if (m_seen.contains(key))
            return;
        m_seen.insert(key);
        m_out.append({m_table.title(), cell, text, reason});
    }

private:
    const TableShape& m_table;
    QList<FormationProblem>& m_out;
    QSet<QString> m_seen;
};

// The value of a cell whose institutions are `set` (not empty).
std::optional<double> cellValue(NetEvaluator& evaluator, const NetCondition& computing,
                                const QString& formula, const QList<int>& set, bool round,
                                Problems& problems)
{
    if (!computing.sum)
        return double(set.size());
    FormulaProgram program;
    QString error;
    if (!program.parse(formula, &error)) {
        problems.add(computing, formula, error);
        return std::nullopt;
    }
    // A plain number stands as written: no coefficient, average or rounding touches it.
    if (program.isNumber())
        return program.number()->toDouble();
    if (computing.divisor() == 0) {
        problems.add(computing, formula, QStringLiteral("Коэффициент равен 0: значение не вычислено"));
        return std::nullopt;
    }
    const std::optional<Decimal> total = evaluator.sum(program, set);
    qint64 divisor = computing.divisor();
    if (computing.average)
        divisor *= set.size();
    // One division of the exact sum, so rounding sees the exact quotient (10/4 is 2.5, not
    // 2.4999...).
    const std::optional<Decimal> value =
        total ? Decimal::divide(*total, Decimal::fromInt(divisor), round ? 0 : Decimal::Scale,
                                Decimal::Rounding::HalfEven)
              : std::nullopt;
    if (!value) {
        problems.add(computing, formula, QStringLiteral("Сумма вне допустимого диапазона чисел"));
        return std::nullopt;
    }
    return value->toDouble();
}

} // namespace

bool readNetTable(Database& dictionary, int ident, TableShape* table, QString* error)
{
    const std::optional<TableShape> t = readTableShape(dictionary, ident);
    if (!t)
        return fail(error, QStringLiteral("Таблица с кодом %1 не найдена в справочнике форм").arg(ident));
    if (!tableSizesFit(*t))
        return fail(error, QStringLiteral("Размеры таблицы %1 формы %2 заданы неверно").arg(t->tablen, t->formName));
    *table = *t;
    return true;
}

QString netCellName(const TableShape& table, int row, int column)
{
    const CellNumbering n = table.numbering();
    if (column < 0)
        return QStringLiteral("строка %1").arg(n.referenceRowOfGrid(row));
    if (row < 0)
        return QStringLiteral("графа %1").arg(n.referenceColumnOfGrid(column));
    return QStringLiteral("строка %1 графа %2").arg(n.referenceRowOfGrid(row)).arg(n.referenceColumnOfGrid(column));
}

void formNetTable(NetEvaluator& evaluator, const TableShape& table, const QList<NetCondition>& records,
                  const QList<int>& candidates, bool round, CellArray& cells,
                  QList<FormationProblem>& problemList,
                  const std::function<void(const QString&)>& status)
{
    Problems problems(table, problemList);
    const CellNumbering numbering = table.numbering();
    const int lastRow = numbering.gridRowOfLayout(table.rowcount);
    const int lastColumn = numbering.gridColumnOfLayout(table.colcount);
    auto inRows = [&](int r) { return r >= 0 && r <= lastRow; };
    auto inColumns = [&](int c) { return c >= 0 && c <= lastColumn; };
    auto store = [&](int row, int column, double value) {
        cells.set(numbering.storedColumnOfGrid(column), numbering.storedRowOfGrid(row), value);
    };
    auto tell = [&](int row, int column) {
        if (status)
            status(netCellName(table, row, column));
    };

    QList<const NetCondition*> cellRecords, rowRecords, columnRecords;
    for (const NetCondition& c : records) {
        if (c.kind() == NetCondition::Kind::Cell && inRows(c.row) && inColumns(c.column))
            cellRecords.append(&c);
        else if (c.kind() == NetCondition::Kind::Row && inRows(c.row))
            rowRecords.append(&c);
        else if (c.kind() == NetCondition::Kind::Column && inColumns(c.column))
            columnRecords.append(&c);
    }

    // A condition read once per record, however many cells it crosses.
    QHash<const NetCondition*, std::shared_ptr<ConditionProgram>> programs;
    auto programOf = [&](const NetCondition* record) -> const ConditionProgram* {
        auto it = programs.find(record);
        if (it != programs.end())
            return it->get();
        auto program = std::make_shared<ConditionProgram>();
        QString error;
        if (!program->parse(record->condition, &error)) {
            problems.add(*record, record->condition, error);
            program.reset();
        }
        return programs.insert(record, program)->get();
    };
    // The units of a record: its types and rural flag, then its condition.
    auto select = [&](const NetCondition* record, const QList<int>& from, bool byTypes, QList<int>* units) {
        units->clear();
        if (byTypes) {
            QString error;
            if (!evaluator.selectUnits(from, record->types, record->rural, units, &error)) {
                problems.add(*record, record->types, error);
                return;
            }
        } else {
            *units = record->rural ? evaluator.ruralOnly(from) : from;
        }
        if (units->isEmpty())
            return;
        const ConditionProgram* program = programOf(record);
        if (!program) {
            units->clear();
            return;
        }
        *units = evaluator.evaluate(*program, *units);
    };
    auto fill = [&](const NetCondition* computing, const QString& formula, const QList<int>& set,
                    int row, int column) {
        if (set.isEmpty()) {
            if (computing->sum && computing->average)
                problems.add(*computing, formula, QStringLiteral("Среднее по пустому списку учреждений: значение 0"));
            return;
        }
        if (const std::optional<double> v = cellValue(evaluator, *computing, formula, set, round, problems))
            store(row, column, *v);
    };

    QSet<quint64> done;
    auto key = [](int row, int column) { return (quint64(quint32(row)) << 32) | quint32(column); };
    for (const NetCondition* c : cellRecords) {
        tell(c->row, c->column);
        done.insert(key(c->row, c->column));
        QList<int> set;
        select(c, candidates, true, &set);
        fill(c, cellRecordFormula(*c), set, c->row, c->column);
    }

    const bool byRows = table.scan != 1;
    const QList<const NetCondition*>& outer = byRows ? rowRecords : columnRecords;
    const QList<const NetCondition*>& inner = byRows ? columnRecords : rowRecords;
    for (const NetCondition* o : outer) {
        QList<int> units;
        select(o, candidates, true, &units);
        if (units.isEmpty())
            continue;
        for (const NetCondition* i : inner) {
            const int row = byRows ? o->row : i->row;
            const int column = byRows ? i->column : o->column;
            if (done.contains(key(row, column)))
                continue;
            tell(row, column);
            QList<int> set;
            select(i, units, false, &set);
            fill(i, composeFormula(i->formula, o->formula), set, row, column);
        }
    }
}

void formStoredNetTable(NetEvaluator& evaluator, Database& dictionary, const TableShape& table,
                        const QList<int>& candidates, bool round, CellArray& cells,
                        QList<FormationProblem>& problems,
                        const std::function<void(const QString&)>& status)
{
    const QString prefix = table.formName + QStringLiteral("т") + table.tablen + QStringLiteral(" - ");
    formNetTable(evaluator, table, NetConditions::read(dictionary, table.ident), candidates, round,
                 cells, problems, [&](const QString& cell) {
                     if (status)
                         status(prefix + cell);
                 });
}

bool BuildTableGrid(int tableIdent, const std::function<void(const QString&)>& status,
                    QList<FormationProblem>* problems, QString* error)
{
    TableShape table;
    if (!readNetTable(dbmain(), tableIdent, &table, error))
        return false;
    if (!table.shapes(CellValues))
        return fail(error, QStringLiteral("Таблица %1 не подготовлена: формирование не выполнено").arg(table.title()));
    QList<int> candidates;
    if (!parseIdList(InstitutionIdList, candidates))
        return fail(error, QStringLiteral("Неверный список учреждений: \"%1\"").arg(InstitutionIdList));
    NetEvaluator evaluator(dbmain(), dbdat(), ReportYear);
    CellArray cells = CellValues;
    QList<FormationProblem> found;
    formStoredNetTable(evaluator, dbmain(), table, candidates, RoundResults, cells, found, status);
    CellValues = cells;
    if (problems)
        *problems += found;
    return true;
}
