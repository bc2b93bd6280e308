#include "entry/GridControls.h"

#include "core/CellRefs.h"
#include "entry/ControlRuns.h"
#include "entry/GridModel.h"
#include "platform/Numbers.h"

GridRunOutcome runGridControls(Database& dictionary, int formId, const QString& formName,
                               const QString& tableNumber, const CellArray& values)
{
    ClearControls();
    ControlErrors.clear();
    loadTableControls(dictionary, formId, tableNumber);
    // The terms name no form or table, or this one: they read the grid's values, handed over
    // as a copy so that nothing the run does can reach what the grid shows or saves.
    RunControls(QString(), TableContext{formName, tableNumber, values});
    GridRunOutcome outcome;
    outcome.errors = int(ControlErrors.size());
    outcome.message = outcome.errors > 0
        ? QStringLiteral("Обнаружены ошибки - %1").arg(outcome.errors)
        : QStringLiteral("Ошибок контроля нет");
    return outcome;
}

bool isOpenTableCell(const ControlCell& cell, const QString& formName, const QString& tableNumber)
{
    return sameName(prepareControlText(cell.formName), prepareControlText(formName))
        && sameName(prepareControlText(cell.tableNumber), prepareControlText(tableNumber));
}

int markErrorCells(GridModel& model, const ControlError& error, const QString& formName,
                   const QString& tableNumber)
{
    const CellNumbering numbering = model.numbering();
    int marked = 0;
    auto mark = [&](const QList<ControlCell>& cells, GridModel::ErrorMark kind) {
        for (const ControlCell& cell : cells) {
            if (!isOpenTableCell(cell, formName, tableNumber))
                continue;
            const int c = numbering.gridColumnOfReference(cell.column);
            const int r = numbering.gridRowOfReference(cell.row);
            if (c < 0 || r < 0 || c >= model.columnCount() || r >= model.rowCount())
                continue;
            model.setErrorMark(c, r, kind);
            ++marked;
        }
    };
    mark(error.leftCells, GridModel::ErrorMark::Left);
    mark(error.rightCells, GridModel::ErrorMark::Right);
    return marked;
}

std::optional<std::pair<int, int>> firstErrorCell(const GridModel& model, const ControlError& error,
                                                  const QString& formName, const QString& tableNumber)
{
    const int fixcols = model.layout().fixcols;
    for (const QList<ControlCell>* cells : {&error.leftCells, &error.rightCells})
        for (const ControlCell& cell : *cells) {
            const int c = cell.column - fixcols - 1;
            const int r = cell.row - 1;
            if (isOpenTableCell(cell, formName, tableNumber) && c >= 0 && r >= 0
                && c < model.columnCount() && r < model.rowCount())
                return std::pair{c, r};
        }
    return std::nullopt;
}

QString pickedNumberList(const QList<int>& numbers)
{
    // Walks the numbers keeping the previous one: a gap closes an open run with its last number
    // and starts a new item, a neighbour turns the item's comma into the "..": of a run.
    QString list;
    int previous = -2;
    for (int q : numbers) {
        if (q > previous + 1) {
            if (list.endsWith(QLatin1Char('.')))
                list += QString::number(previous) + QLatin1Char(',');
            list += QString::number(q) + QLatin1Char(',');
        } else if (list.endsWith(QLatin1Char(','))) {
            list.chop(1);
            list += QStringLiteral("..");
        }
        previous = q;
    }
    if (list.endsWith(QLatin1Char('.')))
        list += QString::number(previous);
    else
        list.chop(1);
    return list;
}

QString buildPickedExpression(int columns, int rows, int fixcols,
                              const std::function<bool(int c, int r)>& picked, PickGrouping grouping)
{
    const bool byRows = grouping == PickGrouping::ByRows;
    const CellNumbering numbering(fixcols, 0);
    const int outer = byRows ? rows : columns;
    const int inner = byRows ? columns : rows;
    QStringList terms;
    for (int i = 0; i < outer; ++i) {
        QList<int> numbers;
        for (int j = 0; j < inner; ++j)
            if (byRows ? picked(j, i) : picked(i, j))
                numbers.append(byRows ? numbering.referenceColumnOfGrid(j) : numbering.referenceRowOfGrid(j));
        if (numbers.isEmpty())
            continue;
        QString list = pickedNumberList(numbers);
        if (list.contains(QLatin1Char(',')) || list.contains(QStringLiteral("..")))
            list = QLatin1Char('[') + list + QLatin1Char(']');
        terms.append(byRows ? QStringLiteral("стр%1гр%2").arg(numbering.referenceRowOfGrid(i)).arg(list)
                            : QStringLiteral("гр%1стр%2").arg(numbering.referenceColumnOfGrid(i)).arg(list));
    }
    return terms.join(QLatin1Char('+'));
}

QString buildPickedExpression(const GridModel& model, PickGrouping grouping)
{
    return buildPickedExpression(model.columnCount(), model.rowCount(), model.layout().fixcols,
                                 [&model](int c, int r) { return model.isPicked(c, r); }, grouping);
}

std::optional<TreeTablePlace> neighbourTable(const FormsTree& tree, int formId,
                                             const QString& tableNumber, int step)
{
    // The table nodes in the tree's order: a form node is never a stop, whether it has tables
    // or not.
    QList<TreeTablePlace> places;
    qsizetype open = -1;
    for (int f = 0; f < int(tree.forms.size()); ++f) {
        const FormsTreeForm& form = tree.forms[f];
        for (int t = 0; t < int(form.tables.size()); ++t) {
            if (open < 0 && form.id == formId && form.tables[t].number == tableNumber)
                open = places.size();
            places.append({f, t});
        }
    }
    if (open < 0)
        return std::nullopt;
    const qsizetype target = open + step;
    if (step == 0 || target < 0 || target >= places.size())
        return std::nullopt;
    return places[target];
}
