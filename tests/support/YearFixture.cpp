#include "YearFixture.h"

#include "platform/Schema.h"

#include <QDir>
#include <stdexcept>

namespace {

QString joinIds(const QList<int>& ids)
{
    QStringList parts;
    for (int id : ids)
        parts << QString::number(id);
    return parts.join(QLatin1Char(','));
}

int nextInd(Database& db, const QString& sql, const QVariantList& params = {})
{
    return db.scalar(sql, params).toInt();
}

}  // namespace

YearFixture::YearFixture(const QString& configFolder, int year, Aliasing aliasing)
    : m_config(QDir::cleanPath(configFolder)), m_year(year), m_aliased(aliasing == InstallAliases)
{
    if (!QDir().mkpath(formsFolder()))
        throw std::runtime_error("YearFixture: cannot make " + yearFolder().toStdString());
    Schema::createDictionaryFile(dictionaryPath());
    Schema::createDataDatabaseFile(dataPath());
    m_dictionary = Database::open(dictionaryPath());
    m_data = Database::open(dataPath());
    if (m_aliased) {
        Aliases::set(Aliases::Main, std::move(m_dictionary));
        Aliases::set(Aliases::Data, std::move(m_data));
    }
}

YearFixture::~YearFixture()
{
    if (m_aliased) {
        Aliases::close(Aliases::Main);
        Aliases::close(Aliases::Data);
    }
}

QString YearFixture::yearFolder() const { return m_config + QLatin1Char('/') + QString::number(m_year); }
QString YearFixture::dictionaryPath() const { return yearFolder() + QStringLiteral("/ktrmain.mdb"); }
QString YearFixture::dataPath() const { return yearFolder() + QStringLiteral("/data0.mdb"); }
QString YearFixture::formsFolder() const { return yearFolder() + QStringLiteral("/forms"); }

Database& YearFixture::dictionary() { return m_aliased ? dbmain() : *m_dictionary; }
Database& YearFixture::data() { return m_aliased ? dbdat() : *m_data; }

int YearFixture::addForm(const QString& formname, const QString& decipher, bool net)
{
    Database& db = dictionary();
    const int ind = nextInd(db, QStringLiteral(R"(select count(*) from "forms")"));
    db.exec(QStringLiteral(R"(insert into "forms" ("formname","decipher","ind","net") values (?,?,?,?))"),
            {formname, decipher, ind, net});
    return int(db.lastInsertId());
}

int YearFixture::addTable(int form, const QString& tablen, const QString& name, int colcount,
                          int rowcount, int fixcols, int fixrows, bool floattype, int scan)
{
    Database& db = dictionary();
    Transaction tx(db);
    db.exec(QStringLiteral(R"(insert into "tables" ("form","tablen","name","colcount","rowcount",
        "fixcols","fixrows","floattype","scan") values (?,?,?,?,?,?,?,?,?))"),
            {form, tablen, name, colcount, rowcount, fixcols, fixrows, floattype, scan});
    const int ident = int(db.lastInsertId());
    for (int c = 1; c <= colcount; ++c)
        db.exec(QStringLiteral(R"(insert into "columns" values (?,?,?))"), {ident, c, 64.0});
    for (int r = 1; r <= rowcount; ++r)
        db.exec(QStringLiteral(R"(insert into "rows" values (?,?,?))"), {ident, r, 15.0});
    tx.commit();
    return ident;
}

void YearFixture::addTitle(int table, int column, int row, const QString& txt, int endColumn,
                           int endRow, const QString& tchars)
{
    dictionary().exec(QStringLiteral(R"(insert into "titles" values (?,?,?,?,?,?,?,?,?,?,?,?,?))"),
                      {table, column, row, column, row, endColumn ? endColumn : column,
                       endRow ? endRow : row, QStringLiteral("Arial"), 8.0, false, false, tchars, txt});
}

void YearFixture::addPlainTitles(int table)
{
    Query t(dictionary(), QStringLiteral(R"(select "colcount","rowcount","fixcols","fixrows"
        from "tables" where "ident"=?)"), {table});
    if (!t.next())
        throw std::runtime_error("YearFixture::addPlainTitles: no such table");
    const int colcount = t.toInt(0), rowcount = t.toInt(1), fixcols = t.toInt(2), fixrows = t.toInt(3);
    for (int c = 1; c <= colcount; ++c)
        for (int r = 1; r <= rowcount; ++r) {
            if (c <= fixcols && r <= fixrows)
                addTitle(table, c, r, QStringLiteral("Наименование"));
            else if (r <= fixrows)
                addTitle(table, c, r, QStringLiteral("Графа %1").arg(c));
            else if (c <= fixcols)
                addTitle(table, c, r, QStringLiteral("Строка %1").arg(r - fixrows));
        }
}

int YearFixture::addControl(int formid, const QString& tble, const QString& lft,
                            const QString& reltion, const QString& rght, const QString& cycl,
                            const QString& commnt)
{
    Database& db = dictionary();
    db.exec(QStringLiteral(R"(insert into "int_control" ("formid","tble","lft","reltion","rght",
        "cycl","commnt") values (?,?,?,?,?,?,?))"),
            {formid, tble, lft, reltion, rght, cycl, commnt});
    return int(db.lastInsertId());
}

int YearFixture::addMedicalType(const QString& type, int parent)
{
    Database& db = dictionary();
    const int ind = nextInd(db, QStringLiteral(R"(select count(*) from "medicaltypes")"));
    db.exec(QStringLiteral(R"(insert into "medicaltypes" ("type","parent","ind") values (?,?,?))"),
            {type, parent, ind});
    return int(db.lastInsertId());
}

void YearFixture::assignForm(int medicalType, int form)
{
    dictionary().exec(QStringLiteral(R"(insert into "med_type_forms" values (?,?))"), {medicalType, form});
}

int YearFixture::addInstitution(const QString& unit, int dependence, int medicalType, bool rural)
{
    Database& db = dictionary();
    const int ind = nextInd(db, QStringLiteral(R"(select count(*) from "administration" where "dependence"=?)"),
                            {dependence});
    db.exec(QStringLiteral(R"(insert into "administration" ("unit","dependence","medicaltype","country","ind")
        values (?,?,?,?,?))"),
            {unit, dependence, medicalType, rural, ind});
    return int(db.lastInsertId());
}

int YearFixture::addReport(const QString& report, bool net, const QList<int>& include)
{
    Database& db = dictionary();
    const int ind = nextInd(db, QStringLiteral(R"(select count(*) from "reports")"));
    db.exec(QStringLiteral(R"(insert into "reports" ("report","net","include","ind") values (?,?,?,?))"),
            {report, net, joinIds(include), ind});
    return int(db.lastInsertId());
}

void YearFixture::addStatistics(int baseReport, const QList<int>& incomingReports)
{
    dictionary().exec(QStringLiteral(R"(insert into "statistics" values (?,?))"),
                      {baseReport, joinIds(incomingReports)});
}

void YearFixture::addPopulation(int unit, double common, double olds, double teens, double childs,
                                bool ofReport)
{
    const QString table = ofReport ? QStringLiteral("populations") : QStringLiteral("populations1");
    dictionary().exec(QStringLiteral("insert into %1 values (?,?,?,?,?,?)").arg(quoteIdent(table)),
                      {unit, m_year, common, olds, teens, childs});
}

int YearFixture::addLevel(const QString& name)
{
    Database& db = dictionary();
    db.exec(QStringLiteral(R"(insert into "subreps" ("name") values (?))"), {name});
    const int id = int(db.lastInsertId());
    Schema::createDataDatabaseFile(yearFolder() + QStringLiteral("/data%1.mdb").arg(id));
    return id;
}

void YearFixture::setCell(int hospital, int table, int column, int row, double value,
                          const QString& dataTable)
{
    const QString t = quoteIdent(dataTable);
    const QVariantList key{m_year, hospital, table, column, row};
    Database& db = data();
    Transaction tx(db);
    db.exec(QStringLiteral(R"(delete from %1 where "year"=? and "hospital"=? and "table"=? and "column"=?
        and "row"=?)").arg(t), key);
    if (value != 0)
        db.exec(QStringLiteral("insert into %1 values (?,?,?,?,?,?)").arg(t),
                {hospital, value, m_year, table, column, row});
    tx.commit();
}

void YearFixture::setEntered(int hospital, int table, int graph, int dataRow, double value,
                             const QString& dataTable)
{
    setCell(hospital, table, graph + 1, dataRow + fixrowsOf(table) + 1, value, dataTable);
}

QList<StoredCell> YearFixture::storedCells(int hospital, int table, const QString& dataTable)
{
    QList<StoredCell> cells;
    Query q(data(), QStringLiteral(R"(select "column","row","data" from %1
        where "year"=? and "hospital"=? and "table"=? order by "column","row")").arg(quoteIdent(dataTable)),
            {m_year, hospital, table});
    while (q.next())
        cells.append({q.toInt(0), q.toInt(1), q.toDouble(2)});
    return cells;
}

int YearFixture::fixrowsOf(int table)
{
    const QVariant v = dictionary().scalar(QStringLiteral(R"(select "fixrows" from "tables" where "ident"=?)"), {table});
    if (v.isNull())
        throw std::runtime_error("YearFixture: no such table");
    return v.toInt();
}
