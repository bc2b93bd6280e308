#pragma once
// The cells of one table in memory (CellValues) and every statement the program runs on the
// data tables "data" and "repdata": loads for one institution or summed over several, whole
// year passes, the save of a table and of one cell.
//
// DataRows is the reader and writer itself: it touches no shared state, prepares each statement
// once for its lifetime and leaves the caller to say whose rows it wants. LoadTableCells,
// LoadTableDataSummed and SaveTableData are the shared routines over it that work on
// CellValues for the main window's choices (alias "dbdat", year ReportYear, DataTablePrefix).

#include "core/Common.h"
#include "core/Lookups.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <vector>

class Database;
class OwnerYearWriter;
class Query;

// One stored cell, keyed as the data tables key it.
struct CellKey {
    int year = 0;
    int hospital = 0;   // the institution or summary report
    int table = 0;      // tables.ident
    int column = 0;     // stored column: layout column + 1
    int row = 0;        // stored row: data row + fixrows + 1
};

enum class SaveAction { None, Insert, Update, Delete };

// What makes the stored cell (nothing = no row) hold `value`.
SaveAction decideSave(std::optional<double> stored, double value);

// The data table a prefix names as the owner of cells keeps it: "data" for Data/data, "repdata"
// for RepData/Repdata; empty for any other text.
QString dataTableName(const QString& prefix);

// One stored row of a pass over many tables.
struct DataRow {
    int hospital = 0;
    int table = 0;
    int column = 0;
    int row = 0;
    double value = 0;
};

class DataRows {
public:
    // Without a database every statement throws DbError; the shapes above need none.
    explicit DataRows(Database* data);
    ~DataRows();
    DataRows(const DataRows&) = delete;
    DataRows& operator=(const DataRows&) = delete;

    // Whether a stored position is a data cell of the array's table: header positions and
    // anything beyond the table are not.
    static bool isDataCell(const CellArray& cells, int column, int row)
    {
        return column > cells.lowColumn() && column <= cells.highColumn() && row > cells.lowRow()
            && row <= cells.highRow();
    }

    // The cells `owner` stored in its table (owner.dataTable, owner.year), rows outside the data
    // cells skipped. DbError passes through.
    CellArray ownerCells(const TableShape& g, const CellOwner& owner);
    // The sums over `hospitals` of what they stored in the table `owner` names; the array's
    // owner has hospital 0 (a sum belongs to nobody and is never saved).
    CellArray summedCells(const TableShape& g, const CellOwner& owner, const QList<int>& hospitals);
    // Every row `owner` stored in its table, header positions and rows beyond the table
    // included, handed to `visit` as (stored column, stored row, value).
    void forEachTableRow(const CellOwner& owner, const std::function<void(int column, int row, double value)>& visit);
    // Adds into `cells` what `hospitals` stored in the array's table and year of `dataTable`;
    // returns the number of rows read.
    int addSummed(CellArray& cells, const QString& dataTable, const QList<int>& hospitals);

    // Replaces, in one transaction, the owner's stored rows of its table by the non-zero cells
    // of `cells`, writing only the rows that change. DbError passes through after the rollback,
    // so the old rows stay.
    void replaceTable(const CellArray& cells);

    // Every row one owner stored in a year, ordered by table, in one statement: appended to
    // `out`, or handed to `visit` one by one.
    void ownerYearRows(const QString& dataTable, int year, int hospital, std::vector<DataRow>* out);
    void forEachOwnerRow(const QString& dataTable, int year, int hospital,
                         const std::function<void(const DataRow&)>& visit);
    // One pass over every row of the year: each row of one of `hospitals` is added into the
    // array `target` gives for its table (nullptr: the table is not wanted), when it is a data
    // cell of it. Returns the rows added.
    qint64 sumOwners(const QString& dataTable, int year, const QList<int>& hospitals,
                     const std::function<CellArray*(int table)>& target);
    // The values one owner stored in a table, rows before columns (the order a check sum reads).
    QList<double> tableValuesByRow(const QString& dataTable, int year, int hospital, int table);

    // One cell: the stored value (nothing when there is no row; a NULL reads as 0), and the
    // write that makes it hold `value`, decided and done in one transaction.
    std::optional<double> storedCell(const QString& dataTable, const CellKey& key);
    SaveAction saveCell(const QString& dataTable, const CellKey& key, double value);

    // How many rows the owner stored in each table of the year: (table, rows), by table.
    QList<QPair<int, int>> rowsPerTable(const QString& dataTable, int year, int hospital);
    // Deletes every row one owner stored in a year, in `qualifiedTable` of any connection (an
    // attached data file's "f1"."data"), inside the caller's transaction.
    static void deleteOwnerYear(Database& db, const QString& qualifiedTable, int year, int hospital);
    // Deletes every row of the tables, whoever stored it, in `qualifiedTable` as above.
    static void deleteTables(Database& db, const QString& qualifiedTable, const QList<int>& tables);
    // Deletes, in `qualifiedTable` as above, the owner's rows: of `year` (every year without
    // one), of the listed tables only when `tables` is given. Returns the rows deleted.
    static int deleteOwnerRows(Database& db, const QString& qualifiedTable, int hospital,
                               std::optional<int> year, const QList<int>* tables = nullptr);
    // How many rows the owner stored in `qualifiedTable` in a year, in the listed tables only
    // when `tables` is given.
    static int countOwnerRows(Database& db, const QString& qualifiedTable, int year, int hospital,
                              const QList<int>* tables = nullptr);
    // How many rows each owner stored in the year: (hospital, rows).
    static QHash<int, qint64> rowsPerOwner(Database& db, const QString& qualifiedTable, int year);
    // The statement of an owner's year, for a reader that binds year and hospital (1, 2) and
    // reads "table","column","row","data" itself: ordered by table, with `cellOrder` by table,
    // column and row (the order of a data file).
    static std::unique_ptr<Query> ownerYearQuery(Database& db, const QString& qualifiedTable,
                                                 bool cellOrder = false);
    // Every row stored for one cell of a table in a year, whoever stored it: (hospital, value).
    void forEachOwnerOfCell(const QString& dataTable, int year, int table, int column, int row,
                            const std::function<void(int hospital, double value)>& visit);

    // The statements of the loads and passes above, for a look at their plans.
    static QStringList hotStatements(const QString& dataTable);

private:
    // DbError naming the statement when no database is open.
    void requireDatabase(const QString& sql) const;
    Query& prepared(const QString& sql);

    Database* m_db;
    QHash<QString, std::shared_ptr<Query>> m_statements;
    std::unique_ptr<OwnerYearWriter> m_writer;   // replaceTable's, for the table m_writerTable
    QString m_writerTable;
};

// Rows written in batches through one statement of many rows, prepared once: per row the cost
// of running a statement is most of the cost of an insert. Rows left over are written at
// flush(), which the writer calls before its transaction commits, through statements of fewer
// rows (64, 16, 4, 1, each prepared on its first use), so a table of a few hundred cells costs a
// handful of statements. A write that fails throws DbError and leaves no rows pending.
class BatchInsert {
public:
    static constexpr int Rows = 256;   // 1536 parameters, far below SQLite's limit
    // Into `qualifiedTable` of any connection; `replacing`: a row whose cell is stored already
    // takes the new value.
    BatchInsert(Database& db, const QString& qualifiedTable, bool replacing);
    ~BatchInsert();
    void add(int hospital, double value, int year, int table, int column, int row);
    void flush();
    // Forgets the rows not written yet (those of a write given up midway).
    void clear() { m_pending = 0; }

private:
    struct Row {
        int hospital;
        double value;
        int year, table, column, row;
    };
    static constexpr int Sizes[] = {Rows, 64, 16, 4, 1};
    static constexpr int SizeCount = int(std::size(Sizes));
    // Writes `count` rows from `first` through the statement of Sizes[size] rows each.
    void write(int size, const Row* first, int count);

    Database& m_db;
    QString m_table;
    bool m_replacing;
    std::unique_ptr<Query> m_statements[SizeCount];
    Row m_rows[Rows];
    int m_pending = 0;
};

// Brings what `qualifiedTable` holds for one owner and year to given values with the least
// writing: a row that holds its value already stays, a changed or new one is written, and a row
// no value has any more is deleted. The values must be put in key order (table, column, row);
// they are written by finish(). Putting the stored values again writes nothing.
class OwnerYearWriter {
public:
    OwnerYearWriter(Database& db, const QString& qualifiedTable);
    ~OwnerYearWriter();
    void begin(int year, int hospital);
    // The same for one table of the owner's year: only its rows are read and written, and only
    // its values may be put.
    void begin(int year, int hospital, int table);
    void put(int table, int column, int row, double value) { m_values.push_back({{table, column, row}, value}); }
    void finish();
    // The rows written, changed or deleted since the writer was made.
    qint64 changed() const { return m_changed; }

private:
    struct Key {
        int table, column, row;
        auto operator<=>(const Key&) const = default;
    };
    struct Stored {
        Key key;
        double value;
    };
    void read(Query& q);
    qint64 walk(bool write);
    void remove(const Key& k);

    Database& m_db;
    QString m_table;
    std::unique_ptr<Query> m_read;
    std::unique_ptr<Query> m_readTable;   // made on the first begin() of one table
    std::optional<int> m_onlyTable;
    std::unique_ptr<Query> m_delete;
    BatchInsert m_insert;
    BatchInsert m_replace;
    std::vector<Stored> m_stored;
    std::vector<Stored> m_values;
    int m_year = 0;
    int m_hospital = 0;
    qint64 m_changed = 0;
};

// Every row one owner stored in a year, read in one statement and handed out table by table:
// a run that needs most of an owner's tables reads them at once instead of one statement each.
class OwnerRows {
public:
    // Reads the rows unless these are the ones held already. DbError passes through (nothing
    // is then held).
    void read(DataRows& rows, const QString& dataTable, int year, int hospital);
    bool holds(const QString& dataTable, int year, int hospital) const;
    // Forgets the rows (a later read reads again).
    void clear();
    // The cells of the owner's table, as DataRows::ownerCells reads them: rows outside the data
    // cells skipped.
    CellArray cells(const TableShape& g, const CellOwner& owner) const;

private:
    bool m_read = false;
    QString m_dataTable;
    int m_year = 0;
    int m_hospital = 0;
    std::vector<DataRow> m_rows;   // ordered by table
};

// Whose cells a load reads: the shared choices of the main window, taken once.
struct CellsRequest {
    int institutionId = 0;
    bool summed = false;          // work mode "Types": the sums over institutionIds
    QString institutionIds;       // InstitutionIdList
    QString dataTablePrefix;
    int year = 0;
    // The request LoadTableCells makes: WorkMode, InstitutionIdList, DataTablePrefix, ReportYear.
    static CellsRequest fromGlobals(int institutionId);
};

// The Russian refusal of a table whose sizes fail tableSizesFit, naming the form and the table.
QString tableSizesRefusal(const QString& formName, const QString& tableNumber, int colcount,
                          int rowcount, int fixcols, int fixrows);
// Finds the form's table; false, with the Russian message of readTableCells, when it is not in
// the caches or its sizes cannot make an array.
bool findCellsTable(const QString& formName, const QString& tableNumber, TableShape* table,
                    QString* error = nullptr);
// The cells of a found table for the request; false with a message when the prefix names no
// data table or the id list is malformed. DbError passes through.
// With `owner`, a request for one owner's cells takes them from the rows of all of its tables,
// read once (the same cells, in one statement for as many tables as are asked).
bool readTableCells(DataRows& rows, const CellsRequest& request, const TableShape& table,
                    CellArray* cells, QString* error = nullptr, OwnerRows* owner = nullptr);

// The cells of the form's table (found in the structure caches) for the request, as a value.
// False, with a Russian message and *cells untouched, when the table is not in the caches, its
// sizes cannot make an array, the prefix names no data table or the id list is malformed.
// DbError passes through.
bool readTableCells(DataRows& rows, const CellsRequest& request, const QString& formName,
                    const QString& tableNumber, CellArray* cells, QString* error = nullptr);

// The cells LoadTableCells would make CellValues, as a value: for the shared choices (WorkMode,
// InstitutionIdList, DataTablePrefix, ReportYear) and the institution, CellValues untouched.
// False as LoadTableCells is, *cells then untouched. DbError passes through.
bool readTableCells(int institutionId, const QString& formName, const QString& tableNumber, CellArray* cells,
                    QString* error = nullptr);
// Makes CellValues for the table (columns fixcols+1..colcount+1, rows fixrows+1..rowcount+1,
// all 0), sets CellRowOffset and fills the data cells from the table named by DataTablePrefix:
// in WorkMode "Types" the sums over InstitutionIdList, otherwise the values of institutionId
// (0: nothing is read). Stored cells on header positions or outside the table are skipped.
// Returns false, with a Russian message in *error and CellValues untouched, when the table is
// not in the caches, its sizes cannot make an array, DataTablePrefix names no data table or
// InstitutionIdList is not a list of ids. DbError passes through.
bool LoadTableCells(int institutionId, const QString& formName, const QString& tableNumber,
                    QString* error = nullptr);
// Adds into the existing CellValues the sums a recalculation stores (sumTables of core/TableRecalc)
// over the institutions of InstitutionIdList in the table "data" (whatever the mode); cells
// outside the table are skipped. An empty list reads nothing. False with a message, nothing
// added, when the table is not cached, CellValues is not this table's (another table, even of
// the same size, another year, or nothing loaded), the list is malformed or a sum leaves the
// range of Decimal.
bool LoadTableDataSummed(int formId, const QString& tableNumber, QString* error = nullptr);
// Replaces, in one transaction, the stored values of the institution in the table by the
// non-zero cells of CellValues (a 0 is no row). False with a message, nothing written, when the
// table is not cached, no institution is given (id 0), CellValues was not loaded for exactly
// this table, institution, data table and year (another table of the same size included) or
// DataTablePrefix names no data table. DbError passes through after the transaction rolled
// back, so the old rows stay.
bool SaveTableData(int institutionId, int formId, const QString& tableNumber,
                   QString* error = nullptr);
