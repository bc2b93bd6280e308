#include "core/NetConditions.h"

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
