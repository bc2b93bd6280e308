#include "core/TableCells.h"

#include "core/CellNumbering.h"
#include "core/TableRecalc.h"
#include "platform/Database.h"
#include "platform/Numbers.h"

#include <QList>
#include <algorithm>

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

QString badListMessage()
{
    return QStringLiteral("Неверный список учреждений: \"%1\"").arg(InstitutionIdList);
}

// Whether the cells are shaped for a table of this geometry.
bool shapedFor(const CellArray& cells, const TTableGeometry& g)
{
    return !cells.isEmpty() && cells.lowColumn() == g.fixcols + 1
        && cells.highColumn() == g.highColumn && cells.lowRow() == g.fixrows + 1
        && cells.highRow() == g.highRow;
}

// The placeholders of an "in (...)" list: the ids themselves are bound, never spliced.
QString placeholders(qsizetype count)
{
    QStringList marks(count, QStringLiteral("?"));
    return marks.join(QLatin1Char(','));
}

QString quoted(const QString& dataTable) { return quoteIdent(dataTable); }

// The statements, in one place so their plans can be looked at. The data key is (year,
// hospital, table, column, row): a load of one owner's table searches it; a pass over a whole
// year writes +"year" so it scans the rows in file order instead of visiting them through the
// key one by one.
QString ownerCellsSql(const QString& t)
{
    return QStringLiteral(R"(select "column","row","data" from %1 where "year"=? and "hospital"=? and "table"=?)")
        .arg(quoted(t));
}

QString summedCellsSql(const QString& t, qsizetype count)
{
    return QStringLiteral(R"(select "column","row","data" from %1 where "year"=? and "table"=? and "hospital" in (%2))")
        .arg(quoted(t), placeholders(count));
}

QString ownerYearSql(const QString& t)
{
    return QStringLiteral(R"(select "table","column","row","data" from %1 where "year"=? and "hospital"=? order by "table")")
        .arg(quoted(t));
}

QString wholeYearSql(const QString& t)
{
    return QStringLiteral(R"(select "hospital","table","column","row","data" from %1 where +"year"=?)")
        .arg(quoted(t));
}

QString valuesByRowSql(const QString& t)
{
    return QStringLiteral(R"(select "data" from %1 where "hospital"=? and "table"=? and "year"=? order by "row", "column")")
        .arg(quoted(t));
}

QString deleteTableSql(const QString& t)
{
    return QStringLiteral(R"(delete from %1 where "year"=? and "hospital"=? and "table"=?)").arg(quoted(t));
}

QString insertSql(const QString& t)
{
    return QStringLiteral(R"(insert into %1 ("hospital","data","year","table","column","row") values (?,?,?,?,?,?))")
        .arg(quoted(t));
}

const char* const kCellWhere =
    R"( where "year"=? and "hospital"=? and "table"=? and "column"=? and "row"=?)";

QString cellSelectSql(const QString& t)
{
    return QStringLiteral(R"(select "data" from %1)").arg(quoted(t)) + QLatin1String(kCellWhere);
}

QString cellUpdateSql(const QString& t)
{
    return QStringLiteral(R"(update %1 set "data"=?)").arg(quoted(t)) + QLatin1String(kCellWhere);
}

QString cellDeleteSql(const QString& t)
{
    return QStringLiteral("delete from %1").arg(quoted(t)) + QLatin1String(kCellWhere);
}

void bindKey(Query& q, int first, const CellKey& k)
{
    q.bind(first, k.year).bind(first + 1, k.hospital).bind(first + 2, k.table);
    q.bind(first + 3, k.column).bind(first + 4, k.row);
}

QString checkedTable(const QString& dataTable)
{
    const QString name = dataTableName(dataTable);
    if (name.isEmpty())
        throw DbError(unknownDataTableMessage(dataTable));
    return name;
}

// Sorted ids, for a membership test per row of a whole-year pass.
std::vector<int> sortedIds(const QList<int>& ids)
{
    std::vector<int> out(ids.begin(), ids.end());
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

} // namespace

SaveAction decideSave(std::optional<double> stored, double value)
{
    if (value == 0)
        return stored ? SaveAction::Delete : SaveAction::None;
    if (!stored)
        return SaveAction::Insert;
    return *stored == value ? SaveAction::None : SaveAction::Update;
}

QString dataTableName(const QString& prefix)
{
    if (sameName(prefix, QStringLiteral("data")))
        return QStringLiteral("data");
    if (sameName(prefix, QStringLiteral("repdata")))
        return QStringLiteral("repdata");
    return QString();
}

// --- DataRows ----------------------------------------------------------------------------------

DataRows::DataRows(Database* data) : m_db(data) {}
DataRows::~DataRows() = default;

Query& DataRows::prepared(const QString& sql)
{
    if (!m_db)
        throw DbError(QStringLiteral("база данных \"%1\" не открыта").arg(Aliases::Data), sql);
    auto it = m_statements.find(sql);
    if (it == m_statements.end())
        it = m_statements.insert(sql, std::make_shared<Query>(*m_db, sql));
    Query& q = **it;
    q.reset();
    return q;
}

CellArray DataRows::emptyCells(const TTableGeometry& g, const CellOwner& owner)
{
    CellArray cells(g.fixcols + 1, g.highColumn, g.fixrows + 1, g.highRow);
    cells.setOwner(owner);
    return cells;
}

bool DataRows::isDataCell(const CellArray& cells, int column, int row)
{
    return column > cells.lowColumn() && column <= cells.highColumn() && row > cells.lowRow()
        && row <= cells.highRow();
}

CellArray DataRows::ownerCells(const TTableGeometry& g, const CellOwner& owner)
{
    const QString t = checkedTable(owner.dataTable);
    CellArray cells = emptyCells(g, owner);
    Query& q = prepared(ownerCellsSql(t));
    q.bind(1, owner.year).bind(2, owner.hospital).bind(3, owner.table);
    while (q.next()) {
        const int column = q.toInt(0), row = q.toInt(1);
        if (isDataCell(cells, column, row))
            cells.set(column, row, q.toDouble(2));
    }
    return cells;
}

CellArray DataRows::summedCells(const TTableGeometry& g, const CellOwner& owner,
                                const QList<int>& hospitals)
{
    CellOwner sum = owner;
    sum.hospital = 0;
    CellArray cells = emptyCells(g, sum);
    addSummed(cells, owner.dataTable, hospitals);
    return cells;
}

int DataRows::addSummed(CellArray& cells, const QString& dataTable, const QList<int>& hospitals)
{
    struct Value {
        int column, row;
        double value;
    };
    // Everything is read before a cell changes, so a failing query leaves the cells as they were.
    QList<Value> values;
    if (!hospitals.isEmpty()) {
        Query& q = prepared(summedCellsSql(checkedTable(dataTable), hospitals.size()));
        q.bind(1, cells.owner().year).bind(2, cells.owner().table);
        for (qsizetype i = 0; i < hospitals.size(); ++i)
            q.bind(int(i) + 3, hospitals[i]);
        while (q.next())
            values.append({q.toInt(0), q.toInt(1), q.toDouble(2)});
    }
    for (const Value& v : values) {
        // A table that shrank after its data were entered keeps rows beyond its new size.
        if (isDataCell(cells, v.column, v.row))
            cells.add(v.column, v.row, v.value);
    }
    return int(values.size());
}

void DataRows::replaceTable(const CellArray& cells)
{
    const CellOwner& o = cells.owner();
    const QString t = checkedTable(o.dataTable);
    prepared(deleteTableSql(t));   // no database: fails before the transaction
    Transaction tx(*m_db);
    Query& remove = prepared(deleteTableSql(t));
    remove.bind(1, o.year).bind(2, o.hospital).bind(3, o.table);
    remove.exec();
    Query& insert = prepared(insertSql(t));
    for (int column = cells.lowColumn(); column <= cells.highColumn(); ++column) {
        for (int row = cells.lowRow(); row <= cells.highRow(); ++row) {
            const double value = cells.value(column, row);
            if (value == 0)
                continue;
            insert.bind(1, o.hospital).bind(2, value).bind(3, o.year).bind(4, o.table);
            insert.bind(5, column).bind(6, row);
            insert.exec();
        }
    }
    tx.commit();
}

void DataRows::ownerYearRows(const QString& dataTable, int year, int hospital, std::vector<DataRow>* out)
{
    Query& q = prepared(ownerYearSql(checkedTable(dataTable)));
    q.bind(1, year).bind(2, hospital);
    DataRow r;
    r.hospital = hospital;
    while (q.next()) {
        r.table = q.toInt(0);
        r.column = q.toInt(1);
        r.row = q.toInt(2);
        r.value = q.toDouble(3);
        out->push_back(r);
    }
}

void DataRows::forEachOwnerRow(const QString& dataTable, int year, int hospital,
                               const std::function<void(const DataRow&)>& visit)
{
    Query& q = prepared(ownerYearSql(checkedTable(dataTable)));
    q.bind(1, year).bind(2, hospital);
    DataRow r;
    r.hospital = hospital;
    while (q.next()) {
        r.table = q.toInt(0);
        r.column = q.toInt(1);
        r.row = q.toInt(2);
        r.value = q.toDouble(3);
        visit(r);
    }
}

qint64 DataRows::sumOwners(const QString& dataTable, int year, const QList<int>& hospitals,
                           const std::function<CellArray*(int table)>& target)
{
    const std::vector<int> ids = sortedIds(hospitals);
    if (ids.empty())
        return 0;
    Query& q = prepared(wholeYearSql(checkedTable(dataTable)));
    q.bind(1, year);
    qint64 added = 0;
    int lastTable = 0;
    CellArray* cells = nullptr;
    bool looked = false;
    while (q.next()) {
        if (!std::binary_search(ids.begin(), ids.end(), q.toInt(0)))
            continue;
        const int table = q.toInt(1);
        if (!looked || table != lastTable) {
            cells = target(table);
            lastTable = table;
            looked = true;
        }
        if (!cells)
            continue;
        const int column = q.toInt(2), row = q.toInt(3);
        if (isDataCell(*cells, column, row)) {
            cells->add(column, row, q.toDouble(4));
            ++added;
        }
    }
    return added;
}

QList<double> DataRows::tableValuesByRow(const QString& dataTable, int year, int hospital, int table)
{
    Query& q = prepared(valuesByRowSql(checkedTable(dataTable)));
    q.bind(1, hospital).bind(2, table).bind(3, year);
    QList<double> values;
    while (q.next())
        values.append(q.toDouble(0));
    return values;
}

std::optional<double> DataRows::storedCell(const QString& dataTable, const CellKey& key)
{
    Query& q = prepared(cellSelectSql(checkedTable(dataTable)));
    bindKey(q, 1, key);
    if (!q.next())
        return std::nullopt;
    const double v = q.toDouble(0);
    q.reset();
    return v;
}

SaveAction DataRows::saveCell(const QString& dataTable, const CellKey& key, double value)
{
    const QString t = checkedTable(dataTable);
    prepared(cellSelectSql(t));
    Transaction tx(*m_db);
    const SaveAction action = decideSave(storedCell(t, key), value);
    switch (action) {
    case SaveAction::None:
        break;
    case SaveAction::Delete: {
        Query& q = prepared(cellDeleteSql(t));
        bindKey(q, 1, key);
        q.exec();
        break;
    }
    case SaveAction::Insert: {
        Query& q = prepared(insertSql(t));
        q.bind(1, key.hospital).bind(2, value).bind(3, key.year).bind(4, key.table);
        q.bind(5, key.column).bind(6, key.row);
        q.exec();
        break;
    }
    case SaveAction::Update: {
        Query& q = prepared(cellUpdateSql(t));
        q.bind(1, value);
        bindKey(q, 2, key);
        q.exec();
        break;
    }
    }
    tx.commit();
    return action;
}

QList<QPair<int, int>> DataRows::rowsPerTable(const QString& dataTable, int year, int hospital)
{
    Query& q = prepared(QStringLiteral(R"(select "table", count(*) from %1
        where "year"=? and "hospital"=? group by "table" order by "table")")
                            .arg(quoted(checkedTable(dataTable))));
    q.bind(1, year).bind(2, hospital);
    QList<QPair<int, int>> counts;
    while (q.next())
        counts.append({q.toInt(0), q.toInt(1)});
    return counts;
}

void DataRows::deleteOwnerYear(Database& db, const QString& qualifiedTable, int year, int hospital)
{
    db.exec(QStringLiteral("delete from ") + qualifiedTable + QStringLiteral(R"( where "year"=? and "hospital"=?)"),
            {year, hospital});
}

QStringList DataRows::hotStatements(const QString& dataTable)
{
    const QString t = checkedTable(dataTable);
    return {ownerCellsSql(t), summedCellsSql(t, 3), ownerYearSql(t), wholeYearSql(t),
            valuesByRowSql(t), cellSelectSql(t), cellUpdateSql(t), deleteTableSql(t)};
}

// --- the shared routines -----------------------------------------------------------------------

CellsRequest CellsRequest::fromGlobals(int institutionId)
{
    CellsRequest r;
    r.institutionId = institutionId;
    r.summed = WorkMode == QStringLiteral("Types");
    r.institutionIds = InstitutionIdList;
    r.dataTablePrefix = DataTablePrefix;
    r.year = ReportYear;
    return r;
}

bool findCellsTable(const QString& formName, const QString& tableNumber, CellsTable* table,
                    QString* error)
{
    const int ident = FindTableIdent(formName, tableNumber);
    const TTableGeometry g = GetTableGeometry(formName, tableNumber);
    if (ident < 0 || !g.found()) {
        setError(error, notCachedMessage(formName, tableNumber));
        return false;
    }
    if (!tableSizesFit(g.highColumn - 1, g.highRow - 1, g.fixcols, g.fixrows)) {
        setError(error, tableSizesRefusal(formName, tableNumber, g.highColumn - 1, g.highRow - 1,
                                          g.fixcols, g.fixrows));
        return false;
    }
    table->ident = ident;
    table->geometry = g;
    return true;
}

QString tableSizesRefusal(const QString& formName, const QString& tableNumber, int colcount,
                          int rowcount, int fixcols, int fixrows)
{
    return QStringLiteral("Размеры таблицы %1 формы %2 заданы неверно: граф %3, строк %4, граф "
                          "боковика %5, строк шапки %6")
        .arg(tableNumber, formName)
        .arg(colcount)
        .arg(rowcount)
        .arg(fixcols)
        .arg(fixrows);
}

void OwnerRows::read(DataRows& rows, const QString& dataTable, int year, int hospital)
{
    if (holds(dataTable, year, hospital))
        return;
    clear();
    // Room for a large institution's year at once: growing row by row would copy the rows many
    // times over.
    m_rows.reserve(std::max<size_t>(m_rows.capacity(), 1 << 15));
    rows.ownerYearRows(dataTable, year, hospital, &m_rows);
    m_read = true;
    m_dataTable = dataTable;
    m_year = year;
    m_hospital = hospital;
}

bool OwnerRows::holds(const QString& dataTable, int year, int hospital) const
{
    return m_read && m_year == year && m_hospital == hospital && m_dataTable == dataTable;
}

void OwnerRows::clear()
{
    m_read = false;
    m_rows.clear();   // the capacity stays for the next owner
}

CellArray OwnerRows::cells(const TTableGeometry& g, const CellOwner& owner) const
{
    CellArray cells = DataRows::emptyCells(g, owner);
    const auto first = std::partition_point(m_rows.begin(), m_rows.end(),
                                            [&](const DataRow& r) { return r.table < owner.table; });
    for (auto it = first; it != m_rows.end() && it->table == owner.table; ++it)
        if (DataRows::isDataCell(cells, it->column, it->row))
            cells.set(it->column, it->row, it->value);
    return cells;
}

bool readTableCells(DataRows& rows, const CellsRequest& request, const CellsTable& table,
                    CellArray* cells, QString* error, OwnerRows* ownerRows)
{
    const QString dataTable = dataTableName(request.dataTablePrefix);
    if (dataTable.isEmpty()) {
        setError(error, unknownDataTableMessage(request.dataTablePrefix));
        return false;
    }
    const TTableGeometry& g = table.geometry;
    const CellOwner owner{table.ident, request.summed ? 0 : request.institutionId, dataTable, request.year};
    if (request.summed) {
        QList<int> ids;
        if (!parseIdList(request.institutionIds, ids)) {
            setError(error, QStringLiteral("Неверный список учреждений: \"%1\"").arg(request.institutionIds));
            return false;
        }
        *cells = rows.summedCells(g, owner, ids);
    } else if (request.institutionId != 0 && ownerRows) {
        ownerRows->read(rows, dataTable, request.year, request.institutionId);
        *cells = ownerRows->cells(g, owner);
    } else if (request.institutionId != 0) {
        *cells = rows.ownerCells(g, owner);
    } else {
        *cells = DataRows::emptyCells(g, owner);
    }
    return true;
}

bool readTableCells(DataRows& rows, const CellsRequest& request, const QString& formName,
                    const QString& tableNumber, CellArray* cells, QString* error)
{
    CellsTable table;
    return findCellsTable(formName, tableNumber, &table, error)
        && readTableCells(rows, request, table, cells, error);
}

bool readTableCells(int institutionId, const QString& formName, const QString& tableNumber, CellArray* cells,
                    QString* error)
{
    const CellsRequest request = CellsRequest::fromGlobals(institutionId);
    // Nobody's table reads no row, so it needs no data database either.
    const bool reads = request.summed || request.institutionId != 0;
    DataRows rows(reads ? &dbdat() : nullptr);
    return readTableCells(rows, request, formName, tableNumber, cells, error);
}

bool LoadTableCells(int institutionId, const QString& formName, const QString& tableNumber,
                    QString* error)
{
    CellArray cells;
    if (!readTableCells(institutionId, formName, tableNumber, &cells, error))
        return false;
    CellValues = cells;
    CellRowOffset = CellNumbering::of(cells).fixrows() - 1;
    return true;
}

bool LoadTableDataSummed(int formId, const QString& tableNumber, QString* error)
{
    const int ident = FindTableIdentByFormId(formId, tableNumber);
    const TTableGeometry g = GetTableGeometryById(formId, tableNumber);
    if (ident < 0 || !g.found()) {
        setError(error, notCachedMessage(FormNameById(formId), tableNumber));
        return false;
    }
    // Sums added into cells of another table (even one of the same size) would land in that
    // table's rows with the save that follows; with nothing loaded they would vanish.
    if (!shapedFor(CellValues, g) || CellValues.owner().table != ident
        || CellValues.owner().year != ReportYear) {
        setError(error, QStringLiteral("Таблица %1 формы %2 не подготовлена: суммирование не выполнено")
                            .arg(tableNumber, FormNameById(formId)));
        return false;
    }
    QList<int> ids;
    if (!parseIdList(InstitutionIdList, ids)) {
        setError(error, badListMessage());
        return false;
    }
    // The sums the recalculation of a summary report stores; entered institution data only,
    // "data" whatever the mode.
    RecalcContext context;
    context.dictionary = &dbmain();
    context.data = &dbdat();
    context.year = ReportYear;
    context.owner = CellValues.owner().hospital;
    context.ownerTable = CellValues.owner().dataTable;
    context.composition = ids;
    context.sourceTable = QStringLiteral("data");
    QList<CellArray> sums;
    if (!sumTables(context, {ident}, &sums, error))
        return false;
    const CellArray& sum = sums.constFirst();
    for (int column = sum.lowColumn(); column <= sum.highColumn(); ++column)
        for (int row = sum.lowRow(); row <= sum.highRow(); ++row)
            if (sum.value(column, row) != 0)
                CellValues.add(column, row, sum.value(column, row));
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
    if (!shapedFor(CellValues, GetTableGeometryById(formId, tableNumber))) {
        setError(error, notLoadedMessage(FormNameById(formId), tableNumber));
        return false;
    }
    const QString dataTable = dataTableName(DataTablePrefix);
    if (dataTable.isEmpty()) {
        setError(error, unknownDataTableMessage());
        return false;
    }
    // The same shape is not the same table: a form's tables often share their size.
    const CellOwner owner{ident, institutionId, dataTable, ReportYear};
    if (CellValues.owner() != owner) {
        setError(error, QStringLiteral("В памяти значения другой таблицы, другого учреждения или "
                                       "года: таблица %1 формы %2 не сохранена")
                            .arg(tableNumber, FormNameById(formId)));
        return false;
    }
    DataRows rows(&dbdat());
    rows.replaceTable(CellValues);
    return true;
}
