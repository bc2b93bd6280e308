#include "platform/Schema.h"

#include "platform/Database.h"

#include <QFile>
#include <QList>
#include <QPair>
#include <algorithm>
#include <memory>

namespace Schema {
namespace {

// Tables whose layout is the same in every dictionary, old or new.
const char* const kDictionaryCommon = R"sql(
create table "subreps" (
    "id" INTEGER PRIMARY KEY AUTOINCREMENT,
    "name" TEXT
);

create table "forms" (
    "id" INTEGER PRIMARY KEY AUTOINCREMENT,
    "formname" TEXT,
    "decipher" TEXT,
    "ind" INTEGER,
    "net" INTEGER
);

create table "tables" (
    "ident" INTEGER PRIMARY KEY AUTOINCREMENT,
    "form" INTEGER,
    "tablen" TEXT,
    "name" TEXT,
    "colcount" INTEGER,
    "rowcount" INTEGER,
    "fixcols" INTEGER,
    "fixrows" INTEGER,
    "floattype" INTEGER,
    "scan" INTEGER
);
create index "tables_form" on "tables" ("form");

create table "rows" (
    "table" INTEGER,
    "row" INTEGER,
    "height" REAL
);
create index "rows_table" on "rows" ("table");

create table "columns" (
    "table" INTEGER,
    "column" INTEGER,
    "width" REAL
);
create index "columns_table" on "columns" ("table");

create table "titles" (
    "table" INTEGER,
    "column" INTEGER,
    "row" INTEGER,
    "union_sc" INTEGER,
    "union_sr" INTEGER,
    "union_ec" INTEGER,
    "union_er" INTEGER,
    "fontname" TEXT,
    "fontsize" REAL,
    "fontbold" INTEGER,
    "fontitalic" INTEGER,
    "tchars" TEXT,
    "txt" TEXT
);
create index "titles_table" on "titles" ("table");

create table "int_control" (
    "Код" INTEGER PRIMARY KEY AUTOINCREMENT,
    "formid" INTEGER,
    "tble" TEXT,
    "lft" TEXT,
    "reltion" TEXT,
    "rght" TEXT,
    "cycl" TEXT,
    "commnt" TEXT
);
create index "int_control_formid" on "int_control" ("formid");

create table "conditions" (
    "tid" INTEGER,
    "row" INTEGER,
    "column" INTEGER,
    "type" INTEGER,
    "formula" TEXT,
    "condition" TEXT,
    "koeff" INTEGER,
    "country" INTEGER,
    "lft" TEXT,
    "rght" TEXT,
    "midle" INTEGER,
    "types" TEXT
);
create index "conditions_tid" on "conditions" ("tid");

create table "med_type_forms" (
    "medicalsid" INTEGER,
    "formsid" INTEGER
);

create table "populations1" (
    "unit" INTEGER,
    "year" INTEGER,
    "common" REAL,
    "olds" REAL,
    "teens" REAL,
    "childs" REAL
);

create table "statistics" (
    "base" INTEGER,
    "include" TEXT
);

create table "populations" (
    "unit" INTEGER,
    "year" INTEGER,
    "common" REAL,
    "olds" REAL,
    "teens" REAL,
    "childs" REAL
);

create table "tree" (
    "ident" INTEGER PRIMARY KEY AUTOINCREMENT,
    "part" TEXT,
    "depend" INTEGER
);

create table "col_titles" (
    "term" INTEGER,
    "column" INTEGER,
    "title" TEXT,
    "width" INTEGER
);

create table "row_titles" (
    "term" INTEGER,
    "row" INTEGER,
    "title" TEXT,
    "height" INTEGER
);

create table "formulas" (
    "term" INTEGER,
    "row" INTEGER,
    "column" INTEGER,
    "formula" TEXT
);
create index "formulas_term" on "formulas" ("term");
)sql";

// The three tables the conversion utility brings up to date, as the program expects them.
const char* const kDictionaryCurrent = R"sql(
create table "administration" (
    "id" INTEGER PRIMARY KEY AUTOINCREMENT,
    "unit" TEXT,
    "dependence" INTEGER,
    "medicaltype" INTEGER,
    "country" INTEGER,
    "ind" INTEGER
);

create table "medicaltypes" (
    "id" INTEGER PRIMARY KEY AUTOINCREMENT,
    "type" TEXT,
    "parent" INTEGER,
    "ind" INTEGER
);

create table "reports" (
    "id" INTEGER PRIMARY KEY AUTOINCREMENT,
    "report" TEXT,
    "net" INTEGER,
    "include" TEXT,
    "ind" INTEGER
);
)sql";

// The same three tables as configurations made before the ordering columns have them.
const char* const kDictionaryLegacy = R"sql(
create table "administration" (
    "id" INTEGER PRIMARY KEY AUTOINCREMENT,
    "unit" TEXT,
    "dependence" INTEGER,
    "medicaltype" INTEGER,
    "country" INTEGER
);

create table "medicaltypes" (
    "id" INTEGER PRIMARY KEY AUTOINCREMENT,
    "type" TEXT
);

create table "reports" (
    "id" INTEGER PRIMARY KEY AUTOINCREMENT,
    "report" TEXT,
    "net" INTEGER,
    "include" TEXT
);
)sql";

// The layout of "data" and "repdata". A cell is stored once: the key makes a second row for the
// same cell an error instead of a value that sums twice. The rows are kept in key order
// (without rowid), so the rows of one year, institution and table lie together: a load of an
// institution's table reads them as one range instead of looking up every row through a
// separate index, and the file holds no second copy of the key. Files made before keep their
// unique index on the same columns, which serves the same searches; nothing is changed in them.
QString dataTableDdl(const char* name)
{
    return QStringLiteral(R"sql(
create table "%1" (
    "hospital" INTEGER NOT NULL,
    "data" REAL,
    "year" INTEGER NOT NULL,
    "table" INTEGER NOT NULL,
    "column" INTEGER NOT NULL,
    "row" INTEGER NOT NULL,
    primary key ("year", "hospital", "table", "column", "row")
) without rowid;
)sql").arg(QLatin1String(name));
}

void run(Database& db, const QString& ddl)
{
    Transaction tx(db);
    db.execScript(ddl);
    tx.commit();
}

// A file whose tables could not all be made is removed: half a dictionary must not pass for one.
void createFile(const QString& path, void (*fill)(Database&))
{
    std::unique_ptr<Database> db = Database::create(path);
    try {
        fill(*db);
    } catch (...) {
        db.reset();
        QFile::remove(path);
        throw;
    }
}

}  // namespace

QString dictionaryDdl()
{
    return QString::fromUtf8(kDictionaryCommon) + QString::fromUtf8(kDictionaryCurrent);
}

QString legacyDictionaryDdl()
{
    return QString::fromUtf8(kDictionaryCommon) + QString::fromUtf8(kDictionaryLegacy);
}

QString dataDdl()
{
    return dataTableDdl("data") + dataTableDdl("repdata");
}

namespace {
void stamp(Database& db, Kind kind);
}

void createDictionary(Database& db)
{
    Transaction tx(db);
    run(db, dictionaryDdl());
    stamp(db, Kind::Dictionary);
    tx.commit();
}

void createLegacyDictionary(Database& db)
{
    run(db, legacyDictionaryDdl());
}

void createDataDatabase(Database& db)
{
    Transaction tx(db);
    run(db, dataDdl());
    stamp(db, Kind::Data);
    tx.commit();
}

void createDictionaryFile(const QString& path)
{
    createFile(path, &createDictionary);
}

void createDataDatabaseFile(const QString& path)
{
    createFile(path, &createDataDatabase);
}

namespace {

using Layout = QList<QPair<QString, QStringList>>;   // tables in order, each with its columns

// The tables and columns a script makes, read from an in-memory database built with it, so the
// check can never disagree with what the program creates.
Layout layoutOf(const QString& ddl)
{
    std::unique_ptr<Database> db = Database::create(QStringLiteral(":memory:"));
    db->execScript(ddl);
    Layout layout;
    QStringList tables;
    {
        Query q(*db, QStringLiteral("select name from sqlite_master where type='table' and name not like 'sqlite%' order by rowid"));
        while (q.next())
            tables << q.text(0);
    }
    for (const QString& t : tables)
        layout.append({t, db->columns(t)});
    return layout;
}

QStringList missingFrom(Database& db, const Layout& layout)
{
    QStringList missing;
    for (const auto& [table, columns] : layout) {
        if (!db.tableExists(table)) {
            missing << QStringLiteral("таблицы \"%1\"").arg(table);
            continue;
        }
        const QStringList present = db.columns(table);
        for (const QString& column : columns)
            if (!present.contains(column, Qt::CaseInsensitive))
                missing << QStringLiteral("поля \"%1\".\"%2\"").arg(table, column);
    }
    return missing;
}

// FNV-1a: a hash that stays the same from run to run and build to build, as a stamp kept in a
// file must.
quint32 stableHash(const QByteArray& bytes, quint32 h = 2166136261u)
{
    for (const char c : bytes) {
        h ^= quint8(c);
        h *= 16777619u;
    }
    return h;
}

const QString& ddlOf(Kind kind)
{
    static const QString dictionary = dictionaryDdl();
    static const QString data = dataDdl();
    return kind == Kind::Dictionary ? dictionary : data;
}

// The stamp of a clean check of this file's present schema: never 0, the value of a file that
// was never stamped.
int stampFor(Database& db, Kind kind)
{
    static const quint32 layout[2] = {stableHash(ddlOf(Kind::Dictionary).toUtf8()), stableHash(ddlOf(Kind::Data).toUtf8())};
    const qint64 schemaVersion = db.scalar(QStringLiteral("pragma schema_version")).toLongLong();
    const quint32 h = stableHash(QByteArray::number(schemaVersion), layout[kind == Kind::Dictionary ? 0 : 1]);
    return int(h & 0x7fffffff) | 1;
}

void stamp(Database& db, Kind kind)
{
    // A number the program computed, not a value from outside; a pragma takes no parameter.
    db.exec(QStringLiteral("pragma user_version=%1").arg(stampFor(db, kind)));
}

}  // namespace

bool checkedBefore(Database& db, Kind kind)
{
    return db.scalar(QStringLiteral("pragma user_version")).toLongLong() == stampFor(db, kind);
}

QStringList missingPartsAtOpen(Database& db, Kind kind)
{
    if (checkedBefore(db, kind))
        return {};
    QStringList missing = kind == Kind::Dictionary ? missingDictionaryParts(db) : missingDataParts(db);
    if (!missing.isEmpty() || db.isReadOnly())
        return missing;
    // The stamp only spares the next opening a check: when another program holds the file's
    // lock it is not waited for, and a failed stamp loses nothing but that saving.
    try {
        BusyWait noWait(db, 0);
        stamp(db, kind);
    } catch (const DbError&) {
    }
    return missing;
}

QStringList missingDictionaryParts(Database& db)
{
    static const Layout layout = layoutOf(dictionaryDdl());
    return missingFrom(db, layout);
}

QStringList missingDataParts(Database& db)
{
    static const Layout layout = layoutOf(dataDdl());
    return missingFrom(db, layout);
}

QStringList conversionDictionaryParts()
{
    static const QStringList parts = [] {
        std::unique_ptr<Database> legacy = Database::create(QStringLiteral(":memory:"));
        createLegacyDictionary(*legacy);
        return missingDictionaryParts(*legacy);
    }();
    return parts;
}

bool isOlderDictionary(const QStringList& missing)
{
    const QStringList added = conversionDictionaryParts();
    return !missing.isEmpty()
           && std::all_of(missing.begin(), missing.end(), [&](const QString& part) { return added.contains(part); });
}

}  // namespace Schema
