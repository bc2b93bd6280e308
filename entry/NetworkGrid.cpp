#include "entry/NetworkGrid.h"

#include "core/Common.h"
#include "core/Lookups.h"
#include "core/TableCells.h"
#include "entry/GridModel.h"
#include "platform/Database.h"
#include "platform/Numbers.h"

#include <QHash>

#include <algorithm>

NetCondition conditionAt(int tid, ConditionPlace place, int c, int r)
{
    NetCondition record;
    record.tid = tid;
    record.row = place == ConditionPlace::Column ? -1 : r;
    record.column = place == ConditionPlace::Row ? -1 : c;
    return record;
}

namespace {

QString captionsOf(const GridModel& model, const QList<int>& headerIndexes)
{
    QString text;
    for (int i : headerIndexes)
        text += model.headers().at(i).cell.text + QLatin1Char(':');
    return text;
}

QString rowCaptions(const GridModel& model, int r)
{
    return captionsOf(model, model.headersOfLayoutRow(model.layout().numbering().layoutRowOfGrid(r)));
}

QString columnCaptions(const GridModel& model, int c)
{
    return captionsOf(model, model.headersOfLayoutColumn(model.layout().numbering().layoutColumnOfGrid(c)));
}

const NetCondition* findRecord(const QList<NetCondition>& records, int row, int column)
{
    for (const NetCondition& r : records)
        if (r.row == row && r.column == column)
            return &r;
    return nullptr;
}

} // namespace

QString conditionTitle(const GridModel& model, ConditionPlace place)
{
    const int c = model.col();
    const int r = model.row();
    switch (place) {
    case ConditionPlace::Row: return rowCaptions(model, r);
    case ConditionPlace::Column: return columnCaptions(model, c);
    case ConditionPlace::Cell: return rowCaptions(model, r) + QLatin1Char('\n') + columnCaptions(model, c);
    }
    return QString();
}

NetCondition composeCellCondition(const QList<NetCondition>& records, int scan, int c, int r)
{
    const NetCondition empty;
    const NetCondition* rowRecord = findRecord(records, r, -1);
    const NetCondition* columnRecord = findRecord(records, -1, c);
    const NetCondition* selectingRecord = scan == 1 ? columnRecord : rowRecord;
    const NetCondition* computingRecord = scan == 1 ? rowRecord : columnRecord;
    const NetCondition& selecting = selectingRecord ? *selectingRecord : empty;
    const NetCondition& computing = computingRecord ? *computingRecord : empty;
    NetCondition cell;
    cell.tid = selecting.tid ? selecting.tid : computing.tid;
    cell.row = r;
    cell.column = c;
    cell.types = selecting.types;
    cell.sum = computing.sum;
    cell.koeff = computing.koeff;
    cell.average = computing.average;
    cell.rural = selecting.rural || computing.rural;
    if (!selecting.condition.isEmpty() && !computing.condition.isEmpty())
        cell.condition = QStringLiteral("(") + selecting.condition + QStringLiteral(") and\n(")
            + computing.condition + QStringLiteral(")");
    else if (!computing.condition.isEmpty())
        cell.condition = computing.condition;
    else
        cell.condition = selecting.condition;
    cell.formula = composeFormula(computing.formula, selecting.formula);
    return cell;
}

namespace {

struct UnitLines {
    QList<int> ids;
    QStringList names;
};

// The names of the units in their order (ind); ids that name nothing are left out.
UnitLines unitNames(Database& dictionary, const QList<int>& ids, bool reports)
{
    QHash<int, QString> names;
    QList<std::pair<int, int>> order;   // ind, id
    Query q(dictionary, reports
        ? QStringLiteral(R"(select "id","report","ind" from "reports")")
        : QStringLiteral(R"(select "id","unit","ind" from "administration")"));
    QHash<int, int> indOf;
    while (q.next()) {
        names.insert(q.toInt(0), q.text(1));
        indOf.insert(q.toInt(0), q.toInt(2));
    }
    UnitLines lines;
    for (int id : ids) {
        if (names.contains(id) && !lines.ids.contains(id))
            lines.ids.append(id);
    }
    std::stable_sort(lines.ids.begin(), lines.ids.end(),
                     [&](int a, int b) { return indOf.value(a) < indOf.value(b); });
    for (int id : std::as_const(lines.ids))
        lines.names.append(names.value(id));
    return lines;
}

QString shownFigure(const GridModel& model, int c, int r)
{
    return formatFixed(model.value(c, r), model.showTwoDecimals() ? 2 : 0);
}

} // namespace

Breakdown gridBreakdown(Database& dictionary, Database& data, const GridModel& model,
                        BreakdownRange range, const QList<int>& units, const QString& heading,
                        const QString& caption)
{
    Breakdown result;
    const TableLayout& t = model.layout();
    const GridContext& ctx = model.context();
    const int c = model.col();
    const int r = model.row();
    if (ctx.netMode)
        range = BreakdownRange::Cell;
    // The grid indexes broken down: columns of the row, or rows of the column.
    QList<int> indexes;
    if (range == BreakdownRange::Cell)
        indexes = {c};
    else if (range == BreakdownRange::Row)
        for (int i = 0; i < model.columnCount(); ++i)
            indexes.append(i);
    else
        for (int i = 0; i < model.rowCount(); ++i)
            indexes.append(i);
    auto cellOf = [&](int i) {
        return range == BreakdownRange::Column ? std::pair{c, i} : std::pair{i, r};
    };

    QList<int> objects;
    QStringList lines;
    if (ctx.netMode) {
        const NetCellRecipe recipe = netCellRecipe(NetConditions::read(dictionary, t.ident), t.scan, r, c);
        if (recipe.found) {
            NetEvaluator evaluator(dictionary, data, ctx.year);
            const NetCellBreakdown cell = breakdownNetCell(evaluator, recipe, units);
            if (!cell.ok)
                result.problem = cell.error;
            const UnitLines named = unitNames(dictionary, cell.institutions, false);
            QStringList figures;
            for (int id : named.ids) {
                const qsizetype k = cell.institutions.indexOf(id);
                figures.append(cell.sum && k >= 0 && k < cell.values.size() ? cell.values.at(k).toString(2)
                                                                           : QStringLiteral("0"));
            }
            for (qsizetype i = 0; i < named.ids.size(); ++i) {
                lines.append(named.names.at(i) + QLatin1Char('\t') + figures.at(i));
                objects.append(named.ids.at(i));
            }
        }
    } else {
        const bool reports = ctx.workMode == QStringLiteral("Terrain");
        const UnitLines named = unitNames(dictionary, units, reports);
        QHash<int, int> lineOf;
        QList<QStringList> fields;
        for (qsizetype i = 0; i < named.ids.size(); ++i) {
            lineOf.insert(named.ids.at(i), int(i));
            fields.append(QStringList(indexes.size(), QString()));
        }
        const QString table = reports ? QStringLiteral("repdata") : QStringLiteral("data");
        DataRows rows(&data);
        for (qsizetype k = 0; k < indexes.size(); ++k) {
            const auto [cc, rr] = cellOf(indexes.at(k));
            rows.forEachOwnerOfCell(table, ctx.year, t.ident, model.storedColumn(cc), model.storedRow(rr),
                                    [&](int hospital, double value) {
                                        const auto it = lineOf.constFind(hospital);
                                        if (it != lineOf.constEnd())
                                            fields[*it][k] = formatNumber(value);
                                    });
        }
        for (qsizetype i = 0; i < named.ids.size(); ++i) {
            lines.append(named.names.at(i) + QLatin1Char('\t') + fields.at(i).join(QLatin1Char('\t')));
            objects.append(named.ids.at(i));
        }
    }

    QStringList total{QStringLiteral("Всего")};
    QStringList header{QStringLiteral("Подразделение")};
    for (int i : indexes) {
        const auto [cc, rr] = cellOf(i);
        total.append(shownFigure(model, cc, rr));
        header.append(QString::number(range == BreakdownRange::Column ? t.numbering().layoutRowOfGrid(i)
                                                                      : t.numbering().layoutColumnOfGrid(i)));
    }
    lines.append(total.join(QLatin1Char('\t')));
    objects.append(0);

    QString place;
    if (range != BreakdownRange::Column)
        place += rowCaptions(model, r);
    if (range != BreakdownRange::Row)
        place += QStringLiteral(" - ") + columnCaptions(model, c);
    result.list.windowCaption = caption;
    result.list.title = heading + QStringLiteral(" - ") + place;
    FillResultList(result.list, lines, header.join(QLatin1Char('\t')), objects);
    return result;
}

namespace {

struct TypeRow {
    int id;
    QString type;
    int parent;
};

QList<ConditionTypeNode> typeChildren(const QList<TypeRow>& rows, int parent, QList<int>& path)
{
    QList<ConditionTypeNode> nodes;
    path.append(parent);
    for (const TypeRow& row : rows) {
        if (row.parent != parent || path.contains(row.id))
            continue;
        ConditionTypeNode node{row.id, row.type, {}};
        node.children = typeChildren(rows, row.id, path);
        nodes.append(node);
    }
    path.removeLast();
    return nodes;
}

} // namespace

QList<ConditionTypeNode> conditionTypeTree(Database& dictionary)
{
    QList<TypeRow> rows;
    Query q(dictionary, QStringLiteral(R"(select "id","type","parent" from "medicaltypes" order by "ind")"));
    while (q.next())
        rows.append({q.toInt(0), q.text(1), q.toInt(2)});
    QList<int> path;
    return typeChildren(rows, 0, path);
}
