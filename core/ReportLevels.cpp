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
    // The copy is made under a name of its own before the row exists, and takes the level's name
    // only in the row's transaction: a run stopped midway leaves at most this copy, replaced by the
    // next creation, or a whole file under the id that the uncommitted row gives up again.
    const QString staged = Files::join(yearFolder, QStringLiteral("новый уровень отчета.tmp"));
    if (!Files::copyFile(Files::templateDataDatabase(), staged, true, error))
        return std::nullopt;
    QString file;
    try {
        Transaction tx(dictionary);
        dictionary.exec(QStringLiteral(R"(insert into "subreps" ("name") values (?))"), {name});
        const int id = int(dictionary.lastInsertId());
        file = levelFile(yearFolder, id);
        if (!Files::removeFile(file, error) || !QFile::rename(staged, file)) {
            if (error->isEmpty())
                *error = QStringLiteral("Не удалось создать файл %1").arg(file);
            QString ignored;
            Files::removeFile(staged, &ignored);
            return std::nullopt;   // the transaction takes the row back
        }
        tx.commit();
        return ReportLevel{id, name};
    } catch (const DbError&) {
        QString ignored;
        Files::removeFile(staged, &ignored);
        if (!file.isEmpty())
            Files::removeFile(file, &ignored);
        throw;
    }
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
