#include "setup/AdmStructure.h"

#include "core/Lookups.h"
#include "core/StructureCache.h"
#include "core/TableCells.h"
#include "platform/Database.h"
#include "platform/Numbers.h"
#include "platform/TextReader.h"
#include "core/DataFiles.h"
#include "setup/Populations.h"

#include <QFileInfo>
#include <QHash>
#include <QSet>

namespace {

// Lines of the report hold at most this many characters, counted with their trailing ", ".
constexpr int MaxReportLine = 150;

UnitRecord unitFrom(const Query& q)
{
    UnitRecord u;
    u.id = q.toInt("id");
    u.unit = q.text("unit");
    u.dependence = q.toInt("dependence");
    // A unit written without a type may hold a null as well as -1.
    u.medicalType = q.value("medicaltype").isNull() ? NoMedicalType : q.toInt("medicaltype");
    u.rural = q.toBool("country");
    u.ind = q.toInt("ind");
    return u;
}

bool unitExists(Database& dictionary, int id)
{
    return !dictionary.scalar(QStringLiteral(R"(select 1 from "administration" where "id"=?)"), {id}).isNull();
}

// 100 * count / area rounded to a whole number, exact halves to the even one.
int percentOf(int count, int area)
{
    const qint64 scaled = qint64(count) * 100;
    qint64 quotient = scaled / area;
    const qint64 twiceRest = (scaled % area) * 2;
    if (twiceRest > area || (twiceRest == area && quotient % 2 != 0))
        ++quotient;
    return int(quotient);
}

void addDatabaseLines(Database& data, int year, const UnitTreeNode& node, QStringList& lines,
                      const ProgressNote& progress)
{
    lines.append(node.name);
    if (node.children.isEmpty()) {
        if (progress)
            progress(node.name);
        QList<int> counts(TableInfo.size(), 0);
        int rows = 0;
        DataRows dataRows(&data);
        for (const auto& [table, n] : dataRows.rowsPerTable(QStringLiteral("data"), year, node.id)) {
            rows += n;
            // Rows of a table the dictionary no longer has are counted but named nowhere.
            const int index = FindTableIndexByIdent(table);
            if (index >= 0)
                counts[index] += n;
        }
        if (rows > 0)
            lines.append(formFillLines(counts));
    }
    for (const UnitTreeNode& child : node.children)
        addDatabaseLines(data, year, child, lines, progress);
}

}

QList<MedicalTypeChoice> readMedicalTypeChoices(Database& dictionary)
{
    QList<MedicalTypeChoice> types;
    Query q(dictionary, QStringLiteral(R"(select "id","type" from "medicaltypes" order by "ind","id")"));
    while (q.next())
        types.append({q.toInt(0), q.text(1)});
    return types;
}

std::optional<UnitRecord> readUnit(Database& dictionary, int id)
{
    Query q(dictionary, QStringLiteral(R"(select * from "administration" where "id"=?)"), {id});
    if (!q.next())
        return std::nullopt;
    return unitFrom(q);
}

QList<int> childUnitIds(Database& dictionary, int id)
{
    QList<int> ids;
    Query q(dictionary, QStringLiteral(
        R"(select "id" from "administration" where "dependence"=? order by "ind","id")"), {id});
    while (q.next())
        ids.append(q.toInt(0));
    return ids;
}

int addUnit(Database& dictionary, const QString& name, int parentId, int medicalType, bool rural)
{
    if (isBlankName(name))
        return 0;
    dictionary.exec(QStringLiteral(R"(insert into "administration"
        ("unit","dependence","medicaltype","country","ind") values (?,?,?,?,?))"),
                    {name, parentId, medicalType, rural ? 1 : 0, NewUnitInd});
    return int(dictionary.lastInsertId());
}

bool updateUnit(Database& dictionary, int id, const QString& name, int medicalType, bool rural)
{
    if (isBlankName(name))
        return false;
    return dictionary.exec(QStringLiteral(R"(update "administration"
        set "unit"=?, "medicaltype"=?, "country"=? where "id"=?)"),
                           {name, medicalType, rural ? 1 : 0, id}) > 0;
}

UnitCorrection correctUnit(Database& dictionary, int year, int id, const QString& name,
                           int medicalType, bool rural, const std::array<QString, 4>* population,
                           QString* error)
{
    Transaction tx(dictionary);
    if (!updateUnit(dictionary, id, name, medicalType, rural))
        return UnitCorrection::NoUnit;
    if (population
        && savePopulation(dictionary, PopulationOf::Unit, year, id, *population, error) == PopulationSave::Invalid)
        return UnitCorrection::InvalidPopulation;
    tx.commit();
    return UnitCorrection::Written;
}

bool isSameOrBelow(Database& dictionary, int unitId, int candidate)
{
    // Walk up from the candidate; a dependence loop already stored must not hang the walk.
    QSet<int> seen;
    for (int current = candidate; current != 0 && !seen.contains(current);) {
        if (current == unitId)
            return true;
        seen.insert(current);
        const QVariant up = dictionary.scalar(
            QStringLiteral(R"(select "dependence" from "administration" where "id"=?)"), {current});
        if (up.isNull())
            return false;
        current = up.toInt();
    }
    return false;
}

bool moveUnit(Database& dictionary, int id, int newParentId)
{
    if (!unitExists(dictionary, id))
        return false;
    if (newParentId != 0 && (!unitExists(dictionary, newParentId) || isSameOrBelow(dictionary, id, newParentId)))
        return false;
    dictionary.exec(QStringLiteral(R"(update "administration" set "dependence"=? where "id"=?)"),
                    {newParentId, id});
    return true;
}

void saveUnitOrder(Database& dictionary, const QList<QPair<int, int>>& order)
{
    Transaction tx(dictionary);
    Query update(dictionary, QStringLiteral(R"(update "administration" set "ind"=? where "id"=?)"));
    for (const auto& [id, ind] : order) {
        update.reset();
        update.bindAll({ind, id});
        update.exec();
    }
    tx.commit();
}

bool deleteInstitution(Database& dictionary, const QString& dataPath, int year, int id)
{
    if (!unitExists(dictionary, id) || !childUnitIds(dictionary, id).isEmpty())
        return false;
    // Attached before the transaction opens: SQLite attaches outside one only, and then the one
    // transaction on the dictionary covers the data file too.
    AttachedFile data(dictionary, dataPath);
    Transaction tx(dictionary);
    DataRows::deleteOwnerYear(dictionary, data.table(QStringLiteral("data")), year, id);
    dictionary.exec(QStringLiteral(R"(delete from "administration" where "id"=?)"), {id});
    tx.commit();
    return true;
}

QStringList formFillLines(const QList<int>& counts)
{
    QStringList lines;
    for (int f = 0; f < FormNames.size(); ++f) {
        const QString head = FormNames[f] + QLatin1Char('\t');
        QString line = head;
        for (int t = 0; t < TableInfo.size() && t < counts.size(); ++t) {
            const TableShape& table = TableInfo[t];
            if (table.formName != FormNames[f] || counts[t] == 0)
                continue;
            const int area = (table.colcount - table.fixcols) * (table.rowcount - table.fixrows);
            if (area <= 0)
                continue;
            const QString piece = table.tablen + QStringLiteral(" - ")
                + QString::number(percentOf(counts[t], area)) + QStringLiteral("%, ");
            // A line that holds no piece yet takes the first one whatever its length.
            if (line.size() + piece.size() > MaxReportLine && line.size() > head.size()) {
                lines.append(line.chopped(2));
                line = head + piece;
            } else {
                line += piece;
            }
        }
        if (line.size() > head.size())
            lines.append(line.chopped(2));
    }
    return lines;
}

QStringList availabilityFromDatabase(Database& data, int year, const UnitTreeNode& root,
                                     const ProgressNote& progress)
{
    QStringList lines;
    addDatabaseLines(data, year, root, lines, progress);
    return lines;
}

QString unitNameOfDataFile(const QString& path)
{
    const QFileInfo info(path);
    QString name = info.fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        name = name.left(dot);
    const qsizetype dash = name.indexOf(QStringLiteral(" - "));
    return dash >= 0 ? name.left(dash) : name;
}

QStringList availabilityFromFiles(const QStringList& paths, int year, QStringList* failures,
                                  const ProgressNote& progress)
{
    QStringList lines;
    const QString yearText = QString::number(year);
    for (const QString& path : paths) {
        const QString name = unitNameOfDataFile(path);
        if (progress)
            progress(name);
        const bool older = isOlderDataFile(QFileInfo(path).fileName());
        QList<int> counts(TableInfo.size(), 0);
        int total = 0;
        // A territory's data file runs to hundreds of megabytes: it is counted line by line.
        TextFileReader reader;
        QString text;
        if (reader.open(path)) {
            while (reader.readLine(&text)) {
                YearDataLine line;
                if (!parseYearDataLine(text, &line) || line.year != yearText || line.table.isEmpty())
                    continue;
                int index = -1;
                if (older) {
                    const std::optional<int> formId = parseInt(line.form);
                    index = formId ? FindTableIndexByFormId(*formId, line.table) : -1;
                } else {
                    index = FindTableIndex(line.form, line.table);
                }
                if (index < 0)
                    continue;
                ++counts[index];
                ++total;
            }
        }
        if (reader.hasError()) {
            if (failures)
                failures->append(QStringLiteral("%1: %2").arg(QFileInfo(path).fileName(), reader.errorString()));
            continue;
        }
        lines.append(name);
        if (total > 0)
            lines.append(formFillLines(counts));
    }
    return lines;
}

QString chosenFormsText(const QStringList& checkedNames, bool allChosen)
{
    if (allChosen)
        return QString();
    QStringList names;
    for (const QString& name : checkedNames) {
        if (!name.isEmpty())
            names.append(upperCase(name));
    }
    return names.join(QLatin1Char(','));
}

QString unitNotFoundText(const QString& shownName)
{
    return QStringLiteral("Подразделение ") + shownName + QStringLiteral(" не найдено в базе");
}

QString correctUnitRefusal(Database& dictionary, int year, int id, const QString& shownName, const QString& name,
                           int medicalType, bool rural, const std::array<QString, 4>& population)
{
    if (isBlankName(name))
        return NoUnitNameText;
    QString error;
    switch (correctUnit(dictionary, year, id, name, medicalType, rural, &population, &error)) {
    case UnitCorrection::Written:
        break;
    case UnitCorrection::NoUnit:
        return unitNotFoundText(shownName);
    case UnitCorrection::InvalidPopulation:
        return QStringLiteral("Подразделение ") + shownName + QStringLiteral(" не исправлено: ") + error;
    }
    return QString();
}
