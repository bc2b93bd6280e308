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
    return QStringLiteral(R"(select rows_into("column","row","data") from %1 where "year"=? and "hospital"=? and "table"=?)")
        .arg(quoted(t));
}

QString summedCellsSql(const QString& t, qsizetype count)
{
    return QStringLiteral(R"(select rows_into("column","row","data") from %1 where "year"=? and "table"=? and "hospital" in (%2))")
        .arg(quoted(t), placeholders(count));
}

QString ownerYearSql(const QString& t)
{
    return QStringLiteral(R"(select rows_into("table","column","row","data") from %1 where "year"=? and "hospital"=?)")
        .arg(quoted(t));
}

QString wholeYearSql(const QString& t)
{
    return QStringLiteral(R"(select rows_into("hospital","table","column","row","data") from %1 where +"year"=?)")
        .arg(quoted(t));
}

QString valuesByRowSql(const QString& t)
{
    return QStringLiteral(R"(select "data" from %1 where "hospital"=? and "table"=? and "year"=? order by "row", "column")")
        .arg(quoted(t));
}

QString insertSql(const QString& t)
{
    return QStringLiteral(R"(insert into %1 ("hospital","data","year","table","column","row") values (?,?,?,?,?,?))")
        .arg(quoted(t));
}

// The statements below take the table as SQL names it already: "data", or "f1"."data".
QString ownerYearCellsSql(const QString& qualified)
{
    return QStringLiteral(R"(select "table","column","row","data" from %1 where "year"=? and "hospital"=?
        order by "table","column","row")").arg(qualified);
}

QString ownerTableCellsSql(const QString& qualified)
{
    return QStringLiteral(R"(select "table","column","row","data" from %1 where "year"=? and "hospital"=?
        and "table"=? order by "column","row")").arg(qualified);
}

QString ownerRowsWhere(std::optional<int> year, bool oneTable)
{
    QString where = QStringLiteral(R"( where "hospital"=?)");
    if (year)
        where += QStringLiteral(R"( and "year"=?)");
    if (oneTable)
        where += QStringLiteral(R"( and "table"=?)");
    return where;
}

QVariantList ownerRowsParams(int hospital, std::optional<int> year)
{
    QVariantList params{hospital};
    if (year)
        params.append(*year);
    return params;
}

QString batchInsertSql(const QString& qualified, int rows, bool replacing)
{
    QString text = QStringLiteral(R"(insert into %1 ("hospital","data","year","table","column","row") values )").arg(qualified);
    for (int i = 0; i < rows; ++i)
        text += i ? QStringLiteral(",(?,?,?,?,?,?)") : QStringLiteral("(?,?,?,?,?,?)");
    // A changed value replaces the stored one in place of a delete and a second insert.
    if (replacing)
        text += QStringLiteral(R"( on conflict ("year","hospital","table","column","row") do update set "data"=excluded."data")");
    return text;
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

// A receiver of keyed rows made of a function of (keys, value).
template <typename F>
class RowsTo final : public KeyedRows {
public:
    explicit RowsTo(F f) : m_f(std::move(f)) {}
    void take(const int* keys, int, double value) override { m_f(keys, value); }

private:
    F m_f;
};

// Runs a rows_into() read given its receiver, its parameters bound already. The statement is
// kept for the next read, so it never keeps a receiver that is gone, also after a failure.
template <typename F>
void readRows(Query& q, F f)
{
    RowsTo<F> receiver(std::move(f));
    struct Forget {
        Query& q;
        ~Forget() { q.setReceiver(nullptr); }
    } forget{q};
    q.setReceiver(&receiver);
    q.next();
    q.reset();
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

void DataRows::requireDatabase(const QString& sql) const
{
    if (!m_db)
        throw DbError(QStringLiteral("база данных \"%1\" не открыта").arg(Aliases::Data), sql);
}

Query& DataRows::prepared(const QString& sql)
{
    requireDatabase(sql);
    auto it = m_statements.find(sql);
    if (it == m_statements.end())
        it = m_statements.insert(sql, std::make_shared<Query>(*m_db, sql));
    Query& q = **it;
    q.reset();
    return q;
}

void DataRows::forEachTableRow(const CellOwner& owner,
                               const std::function<void(int column, int row, double value)>& visit)
{
    Query& q = prepared(ownerCellsSql(checkedTable(owner.dataTable)));
    q.bind(1, owner.year).bind(2, owner.hospital).bind(3, owner.table);
    readRows(q, [&](const int* k, double value) { visit(k[0], k[1], value); });
}

CellArray DataRows::ownerCells(const TableShape& g, const CellOwner& owner)
{
    const QString t = checkedTable(owner.dataTable);
    CellArray cells = g.emptyCells(owner);
    Query& q = prepared(ownerCellsSql(t));
    q.bind(1, owner.year).bind(2, owner.hospital).bind(3, owner.table);
    readRows(q, [&](const int* k, double value) {
        if (isDataCell(cells, k[0], k[1]))
            cells.set(k[0], k[1], value);
    });
    return cells;
}

CellArray DataRows::summedCells(const TableShape& g, const CellOwner& owner,
                                const QList<int>& hospitals)
{
    CellOwner sum = owner;
    sum.hospital = 0;
    CellArray cells = g.emptyCells(sum);
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
        readRows(q, [&](const int* k, double value) { values.append({k[0], k[1], value}); });
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
    // The writer's statements are made first: without the database or its table the save fails
    // with nothing begun.
    requireDatabase(t);
    if (!m_writer || m_writerTable != t) {
        m_writer.reset();
        m_writer = std::make_unique<OwnerYearWriter>(*m_db, quoted(t));
        m_writerTable = t;
    }
    Transaction tx(*m_db);
    // Only what changed is written: a table saved again as it was stored writes nothing, and one
    // whose values mostly changed is cleared and written in batches.
    m_writer->begin(o.year, o.hospital, o.table);
    const double* value = cells.data();   // column by column, the order of the key
    for (int column = cells.lowColumn(); column <= cells.highColumn(); ++column) {
        for (int row = cells.lowRow(); row <= cells.highRow(); ++row, ++value) {
            if (*value != 0)
                m_writer->put(o.table, column, row, *value);
        }
    }
    m_writer->finish();
    tx.commit();
}

void DataRows::ownerYearRows(const QString& dataTable, int year, int hospital, std::vector<DataRow>* out)
{
    Query& q = prepared(ownerYearSql(checkedTable(dataTable)));
    q.bind(1, year).bind(2, hospital);
    const size_t first = out->size();
    readRows(q, [&](const int* k, double value) { out->push_back({hospital, k[0], k[1], k[2], value}); });
    // The key gives the rows by table; a read inside SQLite's loop has no order by to promise it.
    const auto byTable = [](const DataRow& a, const DataRow& b) { return a.table < b.table; };
    if (!std::is_sorted(out->begin() + first, out->end(), byTable))
        std::stable_sort(out->begin() + first, out->end(), byTable);
}

void DataRows::forEachOwnerRow(const QString& dataTable, int year, int hospital,
                               const std::function<void(const DataRow&)>& visit)
{
    std::vector<DataRow> rows;
    ownerYearRows(dataTable, year, hospital, &rows);
    for (const DataRow& r : rows)
        visit(r);
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
    readRows(q, [&](const int* k, double value) {
        if (!std::binary_search(ids.begin(), ids.end(), k[0]))
            return;
        const int table = k[1];
        if (!looked || table != lastTable) {
            cells = target(table);
            lastTable = table;
            looked = true;
        }
        if (cells && isDataCell(*cells, k[2], k[3])) {
            cells->add(k[2], k[3], value);
            ++added;
        }
    });
    return added;
}

QList<double> DataRows::tableValuesByRow(const QString& dataTable, int year, int hospital, int table)
{
    Query& q = prepared(valuesByRowSql(checkedTable(dataTable)));
    q.bind(1, hospital).bind(2, table).bind(3, year);
    QList<double> values;
    q.expectColumns(1);
    while (q.next())
        values.append(q.doubleAt(0));
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
    q.expectColumns(2);
    while (q.next())
        counts.append({q.intAt(0), q.intAt(1)});
    return counts;
}

void DataRows::deleteOwnerYear(Database& db, const QString& qualifiedTable, int year, int hospital)
{
    deleteOwnerRows(db, qualifiedTable, hospital, year);
}

int DataRows::deleteOwnerRows(Database& db, const QString& qualifiedTable, int hospital,
                              std::optional<int> year, const QList<int>* tables)
{
    const QString del = QStringLiteral("delete from ") + qualifiedTable;
    if (!tables)
        return db.exec(del + ownerRowsWhere(year, false), ownerRowsParams(hospital, year));
    int count = 0;
    Query q(db, del + ownerRowsWhere(year, true));
    for (int ident : *tables) {
        QVariantList params = ownerRowsParams(hospital, year);
        params.append(ident);
        q.bindAll(params);
        count += q.exec();
        q.reset();
    }
    return count;
}

int DataRows::countOwnerRows(Database& db, const QString& qualifiedTable, int year, int hospital,
                             const QList<int>* tables)
{
    const QString ofYear = QStringLiteral(R"(select count(*) from %1 where "year"=? and "hospital"=?)").arg(qualifiedTable);
    if (!tables)
        return db.scalar(ofYear, {year, hospital}).toInt();
    int count = 0;
    Query q(db, ofYear + QStringLiteral(R"( and "table"=?)"));
    for (int ident : *tables) {
        q.bindAll({year, hospital, ident});
        if (q.next())
            count += q.toInt(0);
        q.reset();
    }
    return count;
}

QHash<int, qint64> DataRows::rowsPerOwner(Database& db, const QString& qualifiedTable, int year)
{
    QHash<int, qint64> rows;
    Query q(db, QStringLiteral(R"(select "hospital",count(*) from %1 where "year"=? group by "hospital")").arg(qualifiedTable),
            {year});
    while (q.next())
        rows.insert(q.toInt(0), q.toInt64(1));
    return rows;
}

std::unique_ptr<Query> DataRows::ownerYearQuery(Database& db, const QString& qualifiedTable, bool cellOrder)
{
    if (cellOrder)
        return std::make_unique<Query>(db, ownerYearCellsSql(qualifiedTable));
    return std::make_unique<Query>(db, QStringLiteral(
        R"(select "table","column","row","data" from %1 where "year"=? and "hospital"=? order by "table")").arg(qualifiedTable));
}

void DataRows::forEachOwnerOfCell(const QString& dataTable, int year, int table, int column, int row,
                                  const std::function<void(int hospital, double value)>& visit)
{
    Query& q = prepared(QStringLiteral(R"(select "hospital","data" from %1
        where "year"=? and "table"=? and "column"=? and "row"=?)").arg(quoted(checkedTable(dataTable))));
    q.bindAll({year, table, column, row});
    while (q.next())
        visit(q.toInt(0), q.toDouble(1));
}

// --- BatchInsert, OwnerYearWriter ---------------------------------------------------------------

BatchInsert::BatchInsert(Database& db, const QString& qualifiedTable, bool replacing)
    : m_db(db), m_table(qualifiedTable), m_replacing(replacing)
{
    // The statements of a full batch and of one row are made at once: a table that is not
    // there fails here, before any row is taken.
    m_statements[0] = std::make_unique<Query>(db, batchInsertSql(qualifiedTable, Rows, replacing));
    m_statements[SizeCount - 1] = std::make_unique<Query>(db, batchInsertSql(qualifiedTable, 1, replacing));
}

BatchInsert::~BatchInsert() = default;

namespace {

template <typename Row>
void bindRow(Query& q, int first, const Row& r)
{
    q.bindInt64(first + 1, r.hospital).bindDouble(first + 2, r.value).bindInt64(first + 3, r.year);
    q.bindInt64(first + 4, r.table).bindInt64(first + 5, r.column).bindInt64(first + 6, r.row);
}

} // namespace

void BatchInsert::write(int size, const Row* first, int count)
{
    std::unique_ptr<Query>& q = m_statements[size];
    if (!q)
        q = std::make_unique<Query>(m_db, batchInsertSql(m_table, Sizes[size], m_replacing));
    for (int done = 0; done < count; done += Sizes[size]) {
        for (int i = 0; i < Sizes[size]; ++i)
            bindRow(*q, i * 6, first[done + i]);
        q->exec();
    }
}

void BatchInsert::add(int hospital, double value, int year, int table, int column, int row)
{
    m_rows[m_pending++] = {hospital, value, year, table, column, row};
    if (m_pending == Rows) {
        m_pending = 0;   // a failed write keeps nothing for the next one
        write(0, m_rows, Rows);
    }
}

void BatchInsert::flush()
{
    int done = 0;
    const int pending = m_pending;
    m_pending = 0;
    for (int size = 0; size < SizeCount; ++size) {
        const int count = (pending - done) / Sizes[size] * Sizes[size];
        if (count > 0)
            write(size, m_rows + done, count);
        done += count;
    }
}

OwnerYearWriter::OwnerYearWriter(Database& db, const QString& qualifiedTable)
    : m_db(db), m_table(qualifiedTable),
      m_read(std::make_unique<Query>(db, ownerYearCellsSql(qualifiedTable))),
      m_delete(std::make_unique<Query>(db, QStringLiteral("delete from %1").arg(qualifiedTable) + QLatin1String(kCellWhere))),
      m_insert(db, qualifiedTable, false),
      m_replace(db, qualifiedTable, true)
{
}

OwnerYearWriter::~OwnerYearWriter() = default;

void OwnerYearWriter::begin(int year, int hospital)
{
    m_onlyTable.reset();
    m_year = year;
    m_hospital = hospital;
    m_read->reset();
    m_read->bindInt64(1, year).bindInt64(2, hospital);
    read(*m_read);
}

void OwnerYearWriter::begin(int year, int hospital, int table)
{
    if (!m_readTable)
        m_readTable = std::make_unique<Query>(m_db, ownerTableCellsSql(m_table));
    m_onlyTable = table;
    m_year = year;
    m_hospital = hospital;
    m_readTable->reset();
    m_readTable->bindInt64(1, year).bindInt64(2, hospital).bindInt64(3, table);
    read(*m_readTable);
}

// The stored rows, in key order, and nothing pending of an earlier owner whose write failed.
void OwnerYearWriter::read(Query& q)
{
    m_stored.clear();
    m_values.clear();
    m_insert.clear();
    m_replace.clear();
    q.expectColumns(4);
    while (q.next())
        m_stored.push_back({{q.intAt(0), q.intAt(1), q.intAt(2)}, q.doubleAt(3)});
    q.reset();
}

void OwnerYearWriter::finish()
{
    // Where most rows change (one source changed throughout), clearing the owner's year and
    // writing every value costs less than changing row by row.
    const qint64 changes = walk(false);
    m_changed += changes;
    if (!m_stored.empty() && changes * 2 > qint64(m_stored.size())) {
        if (m_onlyTable) {
            const QList<int> tables{*m_onlyTable};
            DataRows::deleteOwnerRows(m_db, m_table, m_hospital, m_year, &tables);
        } else {
            DataRows::deleteOwnerYear(m_db, m_table, m_year, m_hospital);
        }
        for (const Stored& v : m_values)
            m_insert.add(m_hospital, v.value, m_year, v.key.table, v.key.column, v.key.row);
    } else {
        walk(true);
    }
    m_insert.flush();
    m_replace.flush();
    m_values.clear();
}

// The rows to write, delete or change, in one pass over both lists in key order; with `write`
// they are written too.
qint64 OwnerYearWriter::walk(bool write)
{
    qint64 changes = 0;
    size_t next = 0;
    for (const Stored& v : m_values) {
        while (next < m_stored.size() && m_stored[next].key < v.key) {
            if (write)
                remove(m_stored[next].key);
            ++next;
            ++changes;
        }
        if (next < m_stored.size() && m_stored[next].key == v.key) {
            if (m_stored[next++].value == v.value)
                continue;
            if (write)
                m_replace.add(m_hospital, v.value, m_year, v.key.table, v.key.column, v.key.row);
        } else if (write) {
            m_insert.add(m_hospital, v.value, m_year, v.key.table, v.key.column, v.key.row);
        }
        ++changes;
    }
    for (; next < m_stored.size(); ++next) {
        if (write)
            remove(m_stored[next].key);
        ++changes;
    }
    return changes;
}

void OwnerYearWriter::remove(const Key& k)
{
    Query& q = *m_delete;
    q.bindInt64(1, m_year).bindInt64(2, m_hospital).bindInt64(3, k.table);
    q.bindInt64(4, k.column).bindInt64(5, k.row);
    q.exec();
}

void DataRows::deleteTables(Database& db, const QString& qualifiedTable, const QList<int>& tables)
{
    if (tables.isEmpty())
        return;
    db.exec(QStringLiteral("delete from ") + qualifiedTable
                + QStringLiteral(R"( where "table" in (%1))").arg(placeholders(tables.size())),
            QVariantList(tables.begin(), tables.end()));
}

QStringList DataRows::hotStatements(const QString& dataTable)
{
    const QString t = checkedTable(dataTable);
    return {ownerCellsSql(t), summedCellsSql(t, 3), ownerYearSql(t), wholeYearSql(t),
            valuesByRowSql(t), cellSelectSql(t), cellUpdateSql(t), ownerTableCellsSql(quoted(t))};
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

bool findCellsTable(const QString& formName, const QString& tableNumber, TableShape* table,
                    QString* error)
{
    const TableShape g = GetTableGeometry(formName, tableNumber);
    if (!g.found()) {
        setError(error, notCachedMessage(formName, tableNumber));
        return false;
    }
    if (!tableSizesFit(g)) {
        setError(error, tableSizesRefusal(formName, tableNumber, g.colcount, g.rowcount, g.fixcols, g.fixrows));
        return false;
    }
    *table = g;
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

CellArray OwnerRows::cells(const TableShape& g, const CellOwner& owner) const
{
    CellArray cells = g.emptyCells(owner);
    const auto first = std::partition_point(m_rows.begin(), m_rows.end(),
                                            [&](const DataRow& r) { return r.table < owner.table; });
    for (auto it = first; it != m_rows.end() && it->table == owner.table; ++it)
        if (DataRows::isDataCell(cells, it->column, it->row))
            cells.set(it->column, it->row, it->value);
    return cells;
}

bool readTableCells(DataRows& rows, const CellsRequest& request, const TableShape& table,
                    CellArray* cells, QString* error, OwnerRows* ownerRows)
{
    const QString dataTable = dataTableName(request.dataTablePrefix);
    if (dataTable.isEmpty()) {
        setError(error, unknownDataTableMessage(request.dataTablePrefix));
        return false;
    }
    const TableShape& g = table;
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
        *cells = g.emptyCells(owner);
    }
    return true;
}

bool readTableCells(DataRows& rows, const CellsRequest& request, const QString& formName,
                    const QString& tableNumber, CellArray* cells, QString* error)
{
    TableShape table;
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
    const TableShape g = GetTableGeometryById(formId, tableNumber);
    const int ident = g.ident;
    if (!g.found()) {
        setError(error, notCachedMessage(FormNameById(formId), tableNumber));
        return false;
    }
    // Sums added into cells of another table (even one of the same size) would land in that
    // table's rows with the save that follows; with nothing loaded they would vanish.
    if (!g.shapes(CellValues) || CellValues.owner().table != ident
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
    if (!GetTableGeometryById(formId, tableNumber).shapes(CellValues)) {
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
