#include "core/TableCells.h"

#include "core/Common.h"
#include "core/Lookups.h"
#include "platform/Database.h"

#include <QList>

namespace {

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

QString notCachedMessage(const QString& formName, const QString& tableNumber)
{
    return QStringLiteral("Таблица %1 формы %2 не найдена в справочнике форм")
        .arg(tableNumber, formName);
}

QString notLoadedMessage(const QString& formName, const QString& tableNumber)
{
    return QStringLiteral("Таблица %1 формы %2 не загружена: сохранять нечего")
        .arg(tableNumber, formName);
}

// Whether CellValues holds the cells of a table of this geometry.
bool shapedFor(const TTableGeometry& g)
{
    return !CellValues.isEmpty() && CellValues.lowColumn() == g.fixcols + 1
        && CellValues.highColumn() == g.highColumn && CellValues.lowRow() == g.fixrows + 1
        && CellValues.highRow() == g.highRow;
}

// The placeholders of an "in (...)" list: the ids themselves are bound, never spliced.
QString placeholders(qsizetype count)
{
    QStringList marks(count, QStringLiteral("?"));
    return marks.join(QLatin1Char(','));
}

QVariantList variants(const QList<int>& ids)
{
    QVariantList values;
    values.reserve(ids.size());
    for (int id : ids)
        values.append(id);
    return values;
}

// A data cell of the table: header positions and anything beyond the table stay out of it.
bool isDataCell(const TTableGeometry& g, int column, int row)
{
    return column > g.fixcols + 1 && column <= g.highColumn && row > g.fixrows + 1
        && row <= g.highRow;
}

struct StoredValue {
    int column;
    int row;
    double value;
};

QList<StoredValue> readValues(Query& q)
{
    QList<StoredValue> values;
    while (q.next())
        values.append({q.toInt(QStringLiteral("column")), q.toInt(QStringLiteral("row")),
                       q.toDouble(QStringLiteral("data"))});
    return values;
}

}

bool LoadTableCells(int institutionId, const QString& formName, const QString& tableNumber,
                    QString* error)
{
    const int ident = FindTableIdent(formName, tableNumber);
    const TTableGeometry g = GetTableGeometry(formName, tableNumber);
    if (ident < 0 || !g.found()) {
        setError(error, notCachedMessage(formName, tableNumber));
        return false;
    }
    // A mistyped size in the dictionary (a million rows) must give a message, not exhaust the
    // memory: no statistical form comes near this many cells.
    constexpr qint64 MaxTableCells = 4'000'000;
    if (g.fixcols < 0 || g.fixrows < 0 || g.highColumn < g.fixcols + 1
        || g.highRow < g.fixrows + 1
        || qint64(g.highColumn - g.fixcols) * qint64(g.highRow - g.fixrows) > MaxTableCells) {
        setError(error, QStringLiteral("Размеры таблицы %1 формы %2 заданы неверно: граф %3, "
                                       "строк %4, граф боковика %5, строк шапки %6")
                            .arg(tableNumber, formName)
                            .arg(g.highColumn - 1)
                            .arg(g.highRow - 1)
                            .arg(g.fixcols)
                            .arg(g.fixrows));
        return false;
    }
    const QString dataTable = dataTableIdent();
    if (dataTable.isEmpty()) {
        setError(error, unknownDataTableMessage());
        return false;
    }

    const bool summed = WorkMode == QStringLiteral("Types");
    QList<int> ids;
    if (summed && !parseIdList(InstitutionIdList, ids)) {
        setError(error, QStringLiteral("Неверный список учреждений: \"%1\"").arg(InstitutionIdList));
        return false;
    }

    // Everything is read before CellValues changes, so a failing query leaves the old table.
    QList<StoredValue> values;
    if (summed && !ids.isEmpty()) {
        Query q(dbdat(),
                QStringLiteral(R"(select * from %1 where "year"=? and "table"=? and "hospital" in (%2))")
                    .arg(dataTable, placeholders(ids.size())),
                QVariantList{ReportYear, ident} + variants(ids));
        values = readValues(q);
    } else if (!summed && institutionId != 0) {
        Query q(dbdat(),
                QStringLiteral(R"(select * from %1 where "year"=? and "table"=? and "hospital"=?)")
                    .arg(dataTable),
                {ReportYear, ident, institutionId});
        values = readValues(q);
    }

    CellArray cells(g.fixcols + 1, g.highColumn, g.fixrows + 1, g.highRow);
    for (const StoredValue& v : values) {
        if (!isDataCell(g, v.column, v.row))
            continue;
        if (summed)
            cells.add(v.column, v.row, v.value);
        else
            cells.set(v.column, v.row, v.value);
    }
    CellValues = cells;
    CellRowOffset = g.fixrows - 1;
    return true;
}

bool LoadTableDataSummed(int formId, const QString& tableNumber, const LoadProgress& progress,
                         QString* error)
{
    const int ident = FindTableIdentByFormId(formId, tableNumber);
    const TTableGeometry g = GetTableGeometryById(formId, tableNumber);
    if (ident < 0 || !g.found()) {
        setError(error, notCachedMessage(FormNameById(formId), tableNumber));
        return false;
    }
    // Sums added into cells shaped for another table would land in the wrong cells (or, with
    // nothing loaded, vanish), and the save that follows would store them as this table's.
    if (!shapedFor(g)) {
        setError(error, QStringLiteral("Таблица %1 формы %2 не подготовлена: суммирование не выполнено")
                            .arg(tableNumber, FormNameById(formId)));
        return false;
    }
    QList<int> ids;
    if (!parseIdList(InstitutionIdList, ids)) {
        setError(error, QStringLiteral("Неверный список учреждений: \"%1\"").arg(InstitutionIdList));
        return false;
    }
    QList<StoredValue> values;
    if (!ids.isEmpty()) {
        // Entered institution data only: the summation reads "data" whatever the mode.
        Query q(dbdat(),
                QStringLiteral(R"(select * from "data" where "year"=? and "table"=? and "hospital" in (%1))")
                    .arg(placeholders(ids.size())),
                QVariantList{ReportYear, ident} + variants(ids));
        values = readValues(q);
    }
    const int total = int(values.size());
    if (progress)
        progress(0, total);
    int done = 0;
    for (const StoredValue& v : values) {
        // A table that shrank after its data were entered keeps rows beyond its new size.
        if (isDataCell(g, v.column, v.row))
            CellValues.add(v.column, v.row, v.value);
        if (progress)
            progress(++done, total);
    }
    return true;
}

bool SaveTableData(int institutionId, int formId, const QString& tableNumber, QString* error)
{
    const int ident = FindTableIdentByFormId(formId, tableNumber);
    if (ident < 0) {
        setError(error, notCachedMessage(FormNameById(formId), tableNumber));
        return false;
    }
    // No institution chosen: the rows would belong to nobody, and no window could show them.
    if (institutionId <= 0) {
        setError(error, QStringLiteral("Не выбрано учреждение: таблица %1 формы %2 не сохранена")
                            .arg(tableNumber, FormNameById(formId)));
        return false;
    }
    // Cells shaped for another table (or none loaded at all) would replace this table's rows
    // with someone else's numbers, or with nothing.
    if (!shapedFor(GetTableGeometryById(formId, tableNumber))) {
        setError(error, notLoadedMessage(FormNameById(formId), tableNumber));
        return false;
    }
    const QString dataTable = dataTableIdent();
    if (dataTable.isEmpty()) {
        setError(error, unknownDataTableMessage());
        return false;
    }
    Database& db = dbdat();
    Transaction tx(db);
    db.exec(QStringLiteral(R"(delete from %1 where "year"=? and "table"=? and "hospital"=?)")
                .arg(dataTable),
            {ReportYear, ident, institutionId});
    Query insert(db, QStringLiteral(R"(insert into %1 ("hospital", "data", "year", "table", "column", "row") values (?, ?, ?, ?, ?, ?))")
                         .arg(dataTable));
    for (int column = CellValues.lowColumn(); column <= CellValues.highColumn(); ++column) {
        for (int row = CellValues.lowRow(); row <= CellValues.highRow(); ++row) {
            const double value = CellValues.value(column, row);
            if (value == 0)
                continue;
            insert.reset();
            insert.bindAll({institutionId, value, ReportYear, ident, column, row});
            insert.exec();
        }
    }
    tx.commit();
    return true;
}
