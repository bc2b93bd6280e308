#include "entry/GridCommands.h"

#include "core/CheckSums.h"
#include "core/Common.h"
#include "core/DataFiles.h"
#include "core/StructureCache.h"
#include "core/TableCells.h"
#include "entry/FormsRecalc.h"
#include "entry/GridModel.h"
#include "platform/Database.h"
#include "platform/Prompts.h"

QList<double> gridColumnValues(const GridModel& model, int c)
{
    QList<double> values;
    if (c < 0 || c >= model.columnCount())
        return values;
    values.reserve(model.rowCount());
    for (int r = 0; r < model.rowCount(); ++r)
        values.append(model.value(c, r));
    return values;
}

QList<double> gridRowValues(const GridModel& model, int r)
{
    QList<double> values;
    if (r < 0 || r >= model.rowCount())
        return values;
    values.reserve(model.columnCount());
    for (int c = 0; c < model.columnCount(); ++c)
        values.append(model.value(c, r));
    return values;
}

quint32 shownValuesChecksum(const QList<double>& values)
{
    quint32 h = 5381;
    for (double v : values)
        if (v != 0)
            h = checksumStep(h, v);
    return h;
}

bool clearGridTable(Database& data, const GridContext& context, int tableIdent, QString* error)
{
    const QString dataTable = dataTableName(context.dataTablePrefix);
    if (dataTable.isEmpty()) {
        *error = unknownDataTableMessage(context.dataTablePrefix);
        return false;
    }
    if (context.institutionId == 0) {
        *error = QStringLiteral("Не выбрано учреждение или сводный отчет: таблица не очищена.");
        return false;
    }
    return clearOwnerData(data, dataTable, context.institutionId, QList<int>{tableIdent}, nullptr,
                          error, context.year);
}

void storeFloatType(Database& dictionary, int tableIdent, bool fractions)
{
    dictionary.exec(QStringLiteral(R"(update "tables" set "floattype"=? where "ident"=?)"),
                    {fractions ? 1 : 0, tableIdent});
    for (TableShape& t : TableInfo)
        if (t.ident == tableIdent)
            t.floattype = fractions ? 1 : 0;
}

GridRecalcResult recalculateGridTable(Prompts& prompts, int tableIdent,
                                      const std::function<void(const QString&)>& status,
                                      const std::function<void(int, int)>& progress)
{
    GridRecalcResult r;
    RecalcContext context;
    QString error;
    if (!RecalcContext::fromGlobals(&context, &error)) {
        r.failed = true;
        r.message = error;
        return r;
    }
    context.progress = progress;
    if (context.composition.isEmpty()) {
        r.message = emptyCompositionMessage(context.ofReports);
        return r;
    }
    try {
        if (context.formation) {
            const Prompts::Answer answer = prompts.yesNoCancel(RoundQuestion);
            if (answer == Prompts::Answer::Cancel)
                return r;
            RoundResults = answer == Prompts::Answer::Yes;
            context.round = RoundResults;
        } else {
            DataRows rows(context.data);
            const bool stored = !rows.tableValuesByRow(context.ownerTable, context.year, context.owner,
                                                       tableIdent).isEmpty();
            if (stored && !prompts.question(TableRecalcQuestion))
                return r;
        }
        TableRecalcResult result = recalculateTable(context, tableIdent, status);
        r.problems = result.problems;
        if (!result.saved) {
            r.failed = true;
            r.message = result.error;
            return r;
        }
        r.saved = true;
        r.cells = std::move(result.cells);
        r.message = QStringLiteral("Готово!");
    } catch (const DbError& e) {
        r.failed = true;
        r.message = e.userText();
    }
    return r;
}
