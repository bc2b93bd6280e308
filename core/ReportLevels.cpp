#include "core/ReportLevels.h"

#include "platform/Database.h"
#include "platform/Files.h"

#include <QFile>
#include <QFileInfo>

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
    const QString file = levelFile(yearFolder, id);
    const QString aside = file + QStringLiteral(".удаляется");
    // The file is set aside, not removed, until the row's deletion is committed: a failed commit
    // then finds it back in its place, and a file that cannot be moved keeps the level.
    const bool hasFile = QFileInfo::exists(file);
    if (hasFile) {
        QString ignored;
        if (!QFileInfo(file).isFile() || !Files::removeFile(aside, &ignored) || !QFile::rename(file, aside)) {
            *error = QStringLiteral("Не удалось удалить файл %1").arg(file);
            return false;
        }
    }
    try {
        Transaction tx(dictionary);
        dictionary.exec(QStringLiteral(R"(delete from "subreps" where "id"=?)"), {id});
        tx.commit();
    } catch (const DbError&) {
        if (hasFile)
            QFile::rename(aside, file);
        throw;
    }
    error->clear();
    if (hasFile && !Files::removeFile(aside, error))
        *error = QStringLiteral("Уровень отчета удален, но его файл %1 удалить не удалось; его можно удалить вручную.")
                     .arg(aside);
    return true;
}

}  // namespace ReportLevels
