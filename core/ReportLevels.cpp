#include "core/ReportLevels.h"

#include "platform/Database.h"
#include "platform/Files.h"

namespace ReportLevels {

namespace {
QString levelFile(const QString& yearFolder, int id)
{
    return Files::join(yearFolder, QStringLiteral("data%1.mdb").arg(id));
}
}  // namespace

QList<ReportLevel> list(Database& dictionary)
{
    QList<ReportLevel> levels;
    Query q(dictionary, QStringLiteral(R"(select "id","name" from "subreps" order by "id")"));
    while (q.next())
        levels.append({q.toInt(0), q.text(1)});
    return levels;
}

std::optional<ReportLevel> create(Database& dictionary, const QString& yearFolder,
                                  const QString& name, QString* error)
{
    if (name.trimmed().isEmpty()) {
        *error = QStringLiteral("Не указано наименование уровня отчета");
        return std::nullopt;
    }
    Transaction tx(dictionary);
    dictionary.exec(QStringLiteral(R"(insert into "subreps" ("name") values (?))"), {name});
    const int id = int(dictionary.lastInsertId());
    const QString file = levelFile(yearFolder, id);
    if (!Files::copyFile(Files::templateDataDatabase(), file, true, error))
        return std::nullopt;   // the transaction takes the row back
    try {
        tx.commit();
    } catch (const DbError&) {
        QString ignored;
        Files::removeFile(file, &ignored);
        throw;
    }
    return ReportLevel{id, name};
}

bool remove(Database& dictionary, const QString& yearFolder, int id, QString* error)
{
    Transaction tx(dictionary);
    dictionary.exec(QStringLiteral(R"(delete from "subreps" where "id"=?)"), {id});
    if (!Files::removeFile(levelFile(yearFolder, id), error))
        return false;   // the row comes back with the transaction
    tx.commit();
    return true;
}

}  // namespace ReportLevels
