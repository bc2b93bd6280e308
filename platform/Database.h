#pragma once
// The database engine of the program: SQLite files in the place of the year's Access databases.
//
// Values always travel as bound parameters ("?" or ":name"), never spliced into SQL text.
// Names compare as the users expect: the functions like(), upper(), lower() and the collation
// UNOCASE ignore letter case, Cyrillic included. Write `"formname" = ? collate UNOCASE` or
// `upper("formname") = upper(?)` for a name, `order by "formname" collate UNOCASE` to sort names.
// like() takes the Access wildcards * and ? as well as SQL's % and _.
// The schema itself declares nothing custom, so every file opens in any SQLite tool.

#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <stdexcept>

struct sqlite3;
struct sqlite3_stmt;

// Raised for every failure of the engine: SQLite's message, the statement it ran, the file it
// ran on and SQLite's result code (0 for a failure the program itself found, whose message is
// already the program's Russian text).
class DbError : public std::runtime_error {
public:
    enum class Kind {
        Other,
        Busy,           // another program holds the file's lock
        Corrupt,        // damaged, or no SQLite database at all
        MissingTable,   // a statement named a table the file does not have
        ReadOnly,       // the file cannot be written
        DiskFull,
        CannotOpen,
    };

    explicit DbError(const QString& message, const QString& statement = QString(),
                     const QString& file = QString(), int code = 0);
    const QString& message() const { return m_message; }
    const QString& statement() const { return m_statement; }
    const QString& file() const { return m_file; }
    int code() const { return m_code; }
    Kind kind() const;
    // The table of a MissingTable failure, without its schema ("data" of "f1.data").
    QString missingTable() const;
    // The text shown to the user: on which file, and what the result code means for it, in
    // Russian. Neither the statement nor SQLite's own English words: they mean nothing to the
    // user; message() keeps them for the program.
    QString userText() const;

private:
    QString m_message;
    QString m_statement;
    QString m_file;
    int m_code = 0;
};

class Database;

// The receiver of a read of keyed numbers done inside SQLite's own loop: one call per row, with
// the row's integer keys and its number, instead of a step and a fetch per value. The statement
// selects `rows_into(key1, ..., keyN, value)` as its only column (at most 8 keys), the receiver
// given to the query (Query::setReceiver). next() then runs the whole read and gives one row. A key reads as SQLite converts it to
// an integer (NULL 0); the value as a double (NULL 0).
class KeyedRows {
public:
    virtual ~KeyedRows() = default;
    // May throw: the read then fails with DbError and the receiver holds what came before.
    virtual void take(const int* keys, int keyCount, double value) = 0;
};

// One prepared statement. For a select, next() moves to the first row on its first call:
//     Query q(db, R"(select "id","formname" from "forms" where "net"=?)", {1});
//     while (q.next()) use(q.value(0).toInt(), q.text("formname"));
class Query {
public:
    Query(Database& db, const QString& sql, const QVariantList& params = {});
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;
    Query(Query&& other) noexcept;

    // Positions count from 1; names include their ':' (":year").
    Query& bind(int position, const QVariant& value);
    Query& bind(const QString& name, const QVariant& value);
    Query& bindAll(const QVariantList& values);
    // Numbers without a QVariant, for statements run millions of times.
    Query& bindInt64(int position, qint64 value);
    Query& bindDouble(int position, double value);
    // The receiver of a rows_into() read (nullptr: none); it must outlive the statement's run.
    Query& setReceiver(KeyedRows* receiver);

    // Steps to the next row; false when there is none (then the statement may be run again).
    bool next();
    // Runs the statement to its end (insert, update, delete); returns the rows it changed.
    int exec();
    // Rewinds so the statement can run again with new bindings.
    void reset();

    int columnCount() const;
    QString columnName(int column) const;
    // Null for SQL NULL; qlonglong, double, QString or QByteArray otherwise.
    QVariant value(int column) const;
    // Columns found by name without regard to letter case; throws DbError for an unknown name.
    QVariant value(const QString& column) const;
    QString text(int column) const { return value(column).toString(); }
    QString text(const QString& column) const { return value(column).toString(); }
    // Numbers straight from SQLite, without a QVariant: NULL reads as 0, a text as the number
    // it starts with (as the QVariant would convert it).
    int toInt(int column) const;
    int toInt(const QString& column) const { return toInt(columnIndex(column)); }
    qint64 toInt64(int column) const;
    double toDouble(int column) const;
    double toDouble(const QString& column) const { return toDouble(columnIndex(column)); }
    bool isNull(int column) const;
    // Yes/no columns hold 0/1; any non-zero reads as true.
    bool toBool(const QString& column) const { return toInt64(columnIndex(column)) != 0; }
    // The position of a named column (letter case ignored), for a loop that reads by position;
    // throws DbError for an unknown name. The names are read once per statement.
    int columnIndex(const QString& name) const;

    // A long read by position: the statement is checked once to give `count` columns (DbError
    // otherwise); intAt and doubleAt then fetch a value with one typed call and no check of
    // their own, so they are for the rows next() gave and columns below `count` only. A REAL
    // reads truncated, a text as the number it starts with, NULL as 0.
    void expectColumns(int count) const;
    int intAt(int column) const;
    double doubleAt(int column) const;

    const QString& sql() const { return m_sql; }

private:
    int step();
    [[noreturn]] void fail(const QString& what) const;
    [[noreturn]] void failBinding(int position, int code) const;
    void checkColumn(int column) const;

    Database* m_db = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
    QString m_sql;
    mutable QStringList m_columnNames;   // filled on the first lookup by name
    mutable int m_columnCount = -1;
    KeyedRows* m_receiver = nullptr;
    bool m_hasRow = false;
    bool m_done = false;
};

class Database {
public:
    // Opens an existing database file. A missing file is an error naming it: a year or level
    // whose file is gone must never come back as an empty database.
    static std::unique_ptr<Database> open(const QString& path, bool readOnly = false);
    // Opens with the parameters the program keeps for an alias:
    // {"DATABASE NAME=<path>", "OPEN MODE=READ/WRITE"} (or "OPEN MODE=READ").
    static std::unique_ptr<Database> openWithParams(const QStringList& params);
    // Makes a new, empty database file; fails when the file exists already.
    static std::unique_ptr<Database> create(const QString& path);

    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    const QString& path() const { return m_path; }
    bool isReadOnly() const { return m_readOnly; }
    sqlite3* handle() const { return m_db; }

    // Runs one statement; returns the rows it changed.
    int exec(const QString& sql, const QVariantList& params = {});
    // Runs several statements without parameters (schema scripts).
    void execScript(const QString& sql);
    // The first column of the first row; a null QVariant when there is no row.
    QVariant scalar(const QString& sql, const QVariantList& params = {});
    qint64 lastInsertId() const;
    int changes() const;
    bool inTransaction() const;
    // Changes as soon as anything in the file may have changed: a write through this connection
    // or a commit through any other. Equal stamps mean what was read from the file still holds.
    QString changeStamp();
    // How long a statement waits for another program's lock before it fails as busy, in ms.
    int busyTimeout() const { return m_busyTimeout; }
    void setBusyTimeout(int ms);
    bool tableExists(const QString& table, const QString& schema = QStringLiteral("main"));
    QStringList columns(const QString& table, const QString& schema = QStringLiteral("main"));

    // Writes a consistent copy of this database to `target` (replacing it) while it stays open.
    // Throws DbError naming the target on any failure; a partial target is removed.
    void copyTo(const QString& target);

private:
    Database(sqlite3* db, QString path);
    void configure();

    sqlite3* m_db = nullptr;
    QString m_path;
    bool m_readOnly = false;
    qint64 m_serial = 0;
    int m_busyTimeout = 0;
    // The receiver set on the statement being stepped, for its rows_into() without a parameter.
    KeyedRows* m_receiver = nullptr;
    friend class Query;
};

// A scope in which statements on `db` wait at most `ms` for a lock; the old wait comes back when
// the scope ends. For a window that must answer at once while another program holds the file.
class BusyWait {
public:
    BusyWait(Database& db, int ms) : m_db(db), m_old(db.busyTimeout()) { db.setBusyTimeout(ms); }
    ~BusyWait() { m_db.setBusyTimeout(m_old); }
    BusyWait(const BusyWait&) = delete;
    BusyWait& operator=(const BusyWait&) = delete;

private:
    Database& m_db;
    int m_old;
};

// A scope in which every statement that touches `db` is one unit: rolled back unless commit() is
// reached. Inside another transaction it becomes a savepoint of that one. Never ask the user a
// question inside one: an open transaction holds the file's write lock.
class Transaction {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    Database& m_db;
    QString m_savepoint;   // empty for an outer transaction
    bool m_done = false;
};

// Another database file of the same year, reached from a statement on `db` (the dictionary's
// `in "<path>"` clause). The file is attached for the life of the object; its tables are written
// as file.table("data") in SQL text. Attach before opening a Transaction on `db` (SQLite refuses
// to attach inside one); a transaction on `db` then covers both files atomically.
class AttachedFile {
public:
    // The file must exist; it is never created. It is attached read-only when `db` is.
    // Throws DbError naming it.
    AttachedFile(Database& db, const QString& path);
    ~AttachedFile();
    AttachedFile(const AttachedFile&) = delete;
    AttachedFile& operator=(const AttachedFile&) = delete;

    const QString& schema() const { return m_schema; }
    // The quoted, qualified name of a table of the attached file: "f1"."data".
    QString table(const QString& name) const;

private:
    Database& m_db;
    QString m_schema;
};

// A scope in which every read of `db` sees one state of the file and takes its lock once (a run
// of many small reads). Inside a transaction it does nothing. Write nothing in it: a write would
// only become durable when the scope ends, and it ends without committing a write on error.
class ReadTransaction {
public:
    explicit ReadTransaction(Database& db);
    ~ReadTransaction();
    ReadTransaction(const ReadTransaction&) = delete;
    ReadTransaction& operator=(const ReadTransaction&) = delete;

private:
    Database& m_db;
    bool m_active = false;
};

// The program's two named connections: "dbmain" (the year's ktrmain.mdb) and "dbdat" (the data
// database of the chosen report level).
namespace Aliases {
inline const QString Main = QStringLiteral("dbmain");
inline const QString Data = QStringLiteral("dbdat");

// Throws DbError when the alias has no open database.
Database& get(const QString& alias);
bool isOpen(const QString& alias);
// Opens the alias with the given parameters; the alias keeps its old database on failure.
void open(const QString& alias, const QStringList& params);
// Puts an already opened database under the alias (the old one is closed), so a caller can open
// several files first and switch only when all of them opened.
void set(const QString& alias, std::unique_ptr<Database> db);
void close(const QString& alias);
void closeAll();
// The parameters the alias was opened with (empty when closed).
QStringList params(const QString& alias);
}

inline Database& dbmain() { return Aliases::get(Aliases::Main); }
inline Database& dbdat() { return Aliases::get(Aliases::Data); }

// Quotes an identifier for SQL text: "name", with inner quotes doubled. Only for names the
// program itself chooses (tables, columns), never for values.
QString quoteIdent(const QString& name);
