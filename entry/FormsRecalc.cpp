#include "entry/FormsRecalc.h"

#include "core/Common.h"
#include "core/TableCells.h"
#include "platform/Database.h"
#include "platform/Prompts.h"

#include <QSet>

namespace {

// Every table of the form, as the dictionary lists them (not only those the tree shows).
QList<int> formTables(Database& dictionary, int formId)
{
    QList<int> idents;
    for (const TableShape& t : readFormTableShapes(dictionary, formId, ShapeOrder::ByNumber))
        idents.append(t.ident);
    return idents;
}

bool hasStoredValues(const RecalcContext& context, const QList<int>& tables)
{
    DataRows rows(context.data);
    const QSet<int> wanted(tables.begin(), tables.end());
    for (const auto& [table, count] : rows.rowsPerTable(context.ownerTable, context.year, context.owner))
        if (count > 0 && wanted.contains(table))
            return true;
    return false;
}

FormsRecalcResult failure(const QString& text)
{
    FormsRecalcResult r;
    r.failed = true;
    r.message = text;
    return r;
}

// Told, not an error: nothing was wrong and nothing changed.
FormsRecalcResult told(const QString& text)
{
    FormsRecalcResult r;
    r.message = text;
    return r;
}

FormsRecalcResult run(const RecalcContext& context, const QList<int>& tables, const QString& done,
                      const std::function<void(const QString&)>& status)
{
    const RecalcOutcome outcome = recalculateTables(context, tables, status);
    FormsRecalcResult r;
    r.ran = !outcome.nothingDone;
    r.problems = outcome.problems;
    r.failed = !outcome.error.isEmpty();
    r.message = r.failed ? outcome.error : done;
    return r;
}

} // namespace

QString formRecalcQuestion(const QString& formName)
{
    return QStringLiteral("Пересчитать форму %1? Сохраненные значения будут заменены.").arg(formName);
}

QString reportRecalcQuestion(const QString& caption)
{
    return QStringLiteral("Персчитать ") + caption + QStringLiteral("?");
}

FormsRecalcResult recalculateForm(Prompts& prompts, const FormsTreeForm& form,
                                  const std::function<void(const QString&)>& status)
{
    RecalcContext context;
    QString error;
    if (!RecalcContext::fromGlobals(&context, &error))
        return failure(error);
    if (context.composition.isEmpty())
        return told(emptyCompositionMessage(context.ofReports));
    QList<int> tables;
    try {
        tables = formTables(*context.dictionary, form.id);
        if (context.formation) {
            const Prompts::Answer answer = prompts.yesNoCancel(RoundQuestion);
            if (answer == Prompts::Answer::Cancel)
                return {};
            RoundResults = answer == Prompts::Answer::Yes;
            context.round = RoundResults;
        } else if (hasStoredValues(context, tables) && !prompts.question(formRecalcQuestion(form.name))) {
            return {};
        }
    } catch (const DbError& e) {
        return failure(e.userText());
    }
    return run(context, tables, FormRecalcDone, status);
}

FormsRecalcResult recalculateReport(Prompts& prompts, const FormsTree& tree, const QString& caption,
                                    const std::function<void(const QString&)>& status)
{
    RecalcContext context;
    QString error;
    if (!RecalcContext::fromGlobals(&context, &error))
        return failure(error);
    if (context.composition.isEmpty())
        return told(emptyCompositionMessage(context.ofReports));
    if (!prompts.question(reportRecalcQuestion(caption)))
        return {};
    context.formation = false;
    QList<int> tables;
    try {
        for (const FormsTreeForm& form : tree.forms)
            tables += formTables(*context.dictionary, form.id);
    } catch (const DbError& e) {
        return failure(e.userText());
    }
    return run(context, tables, ReportRecalcDone, status);
}
