#include "sample/SampleLegacy.h"

#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/Schema.h"
#include "platform/TextFiles.h"
#include "sample/SampleConfiguration.h"

#include <QDir>
#include <QStringList>
#include <algorithm>

namespace Sample {
namespace {

// The sample's dictionary as Kestrin has it, the source of the old one and of the types file.
std::unique_ptr<Database> makeCurrentDictionary(const QString& path)
{
    Schema::createDictionaryFile(path);
    auto db = Database::open(path);
    fillDictionary(*db, DataYear);
    return db;
}

// Copies every table of the old layout from the current dictionary, column by column as the old
// layout has them, so the columns it lacks are simply left behind.
void fillLegacyDictionary(const QString& legacyPath, const QString& currentPath)
{
    auto db = Database::create(legacyPath);
    Schema::createLegacyDictionary(*db);
    AttachedFile current(*db, currentPath);
    QStringList tables;
    {
        Query q(*db, QStringLiteral(R"(select "name" from "sqlite_master" where "type"='table'
            and "name" not like 'sqlite\_%' escape '\' order by "name")"));
        while (q.next())
            tables << q.text(0);
    }
    Transaction tx(*db);
    for (const QString& table : tables) {
        QStringList columns;
        for (const QString& column : db->columns(table))
            columns << quoteIdent(column);
        const QString list = columns.join(QLatin1Char(','));
        db->exec(QStringLiteral("insert into %1 (%2) select %2 from %3")
                     .arg(quoteIdent(table), list, current.table(table)));
    }
    tx.commit();
}

bool writeTypesFile(Database& current, const QString& path, QString* error)
{
    QStringList lines{QStringLiteral("id\ttype\tparent\tind")};
    int newInd = 0;
    const int newParent = 5;   // "Амбулаторно-поликлинические учреждения"
    Query q(current, QStringLiteral(R"(select "id","type","parent","ind" from "medicaltypes" order by "id")"));
    while (q.next()) {
        lines << QStringLiteral("%1\t\"%2\"\t%3\t%4").arg(q.text(0), q.text(1), q.text(2), q.text(3));
        if (q.toInt(2) == newParent)
            newInd = std::max(newInd, q.toInt(3) + 1);
    }
    lines << QStringLiteral("%1\t\"%2\"\t%3\t%4").arg(NewTypeId).arg(NewTypeName).arg(newParent).arg(newInd);
    return writeLines1251(path, lines, error);
}

bool build(const QString& programFolder, const QString& work, QString* why)
{
    const QString year = Files::join(work, QString::number(DataYear));
    if (!Files::makeFolder(Files::join(year, QStringLiteral("forms")), why))
        return false;
    const QString currentPath = Files::join(work, QStringLiteral("current.mdb"));
    {
        auto current = makeCurrentDictionary(currentPath);
        if (!writeTypesFile(*current, Files::join(programFolder, QStringLiteral("MedicalTypes.txt")), why))
            return false;
    }
    fillLegacyDictionary(Files::join(year, QStringLiteral("ktrmain.mdb")), currentPath);
    if (!Files::removeFile(currentPath, why))
        return false;
    const QString dataPath = Files::join(year, QStringLiteral("data0.mdb"));
    Schema::createDataDatabaseFile(dataPath);
    auto data = Database::open(dataPath);
    enterData(*data, DataYear);
    return true;
}

}  // namespace

bool makeLegacySample(const QString& programFolder, const QString& sampleFolder, QString* error)
{
    // Built beside the target and put in its place only when whole, as the sample itself is.
    const QString target = QDir::cleanPath(Files::join(sampleFolder, LegacyConfigurationName));
    const QString work = target + QStringLiteral(".new");
    QString why;
    bool built = Files::removeFolder(work, &why);
    if (built) {
        try {
            built = build(programFolder, work, &why);
        } catch (const DbError& e) {
            why = e.userText();
            built = false;
        }
    }
    if (built && !Files::removeFolder(target, &why))
        built = false;
    if (built && !QDir().rename(work, target)) {
        why = QStringLiteral("Не удалось переименовать папку %1 в %2").arg(work, target);
        built = false;
    }
    if (!built) {
        QString ignored;
        Files::removeFolder(work, &ignored);
        if (error)
            *error = why;
    }
    return built;
}

}  // namespace Sample
