#include "setup/DataExchange.h"

#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/Numbers.h"

#include <QFileInfo>
#include <QHash>

namespace {

// A file or folder name of a unit; a name of which the sanitiser leaves nothing is the id.
QString safeUnitName(const QString& name, int id)
{
    const QString safe = Files::safeFileName(name);
    return safe.isEmpty() ? QString::number(id) : safe;
}

// How many siblings give each name, compared without case as the file systems that read these
// folders do.
QHash<QString, int> namesakes(const UnitTreeNode& group)
{
    QHash<QString, int> count;
    for (const UnitTreeNode& child : group.children) {
        const QString key = child.children.isEmpty() ? QStringLiteral("f:") : QStringLiteral("d:");
        ++count[key + upperCase(safeUnitName(child.name, child.id))];
    }
    return count;
}

bool exportNode(Database& data, int year, const QString& level, const UnitTreeNode& node,
                const QString& folder, bool namesake, GroupExportReport& report, QString* error,
                const std::function<void(const QString&)>& progress)
{
    if (node.children.isEmpty()) {
        if (progress)
            progress(node.name);
        const QString path = Files::join(folder, unitDataFileName(node.name, level, year, namesake ? node.id : 0));
        DataExportReport one;
        if (!writeDataFile(data, QStringLiteral("data"), node.id, year, path, &one, error))
            return false;
        ++report.files;
        report.written += one.written;
        report.unknownTable += one.unknownTable;
        return true;
    }
    QString name = safeUnitName(node.name, node.id);
    if (namesake)
        name += QLatin1Char(' ') + QString::number(node.id);
    const QString sub = Files::join(folder, name);
    if (!Files::makeFolder(sub, error))
        return false;
    const QHash<QString, int> names = namesakes(node);
    for (const UnitTreeNode& child : node.children) {
        const QString key = (child.children.isEmpty() ? QStringLiteral("f:") : QStringLiteral("d:"))
                            + upperCase(safeUnitName(child.name, child.id));
        if (!exportNode(data, year, level, child, sub, names.value(key) > 1, report, error, progress))
            return false;
    }
    return true;
}

}  // namespace

QString unitDataFileName(const QString& unit, const QString& level, int year, int id)
{
    QString name = safeUnitName(unit, id) + QStringLiteral(" - ") + level
                   + QStringLiteral(" - ") + QString::number(year);
    if (id != 0)
        name += QStringLiteral(" - ") + QString::number(id);
    const QString safe = Files::safeFileName(name);
    return (safe.isEmpty() ? QString::number(year) : safe) + QStringLiteral(".ktd");
}

bool exportDataGroup(Database& data, int year, const QString& level, const UnitTreeNode& root,
                     const QString& folder, GroupExportReport* report, QString* error,
                     const std::function<void(const QString&)>& progress)
{
    GroupExportReport counts;
    if (!Files::makeFolder(folder, error))
        return false;
    const bool ok = exportNode(data, year, level, root, folder, false, counts, error, progress);
    if (report)
        *report = counts;
    return ok;
}

int institutionOfDataFile(Database& main, const QString& path, QString* reason)
{
    const QString name = unitNameOfDataFile(path);
    // SQLite's own upper() leaves Cyrillic as it is: the names are compared here.
    const QString wanted = upperCase(name.trimmed());
    Query q(main, QStringLiteral(R"(select "id","unit" from "administration")"));
    QList<int> found;
    while (q.next())
        if (upperCase(q.text(1).trimmed()) == wanted)
            found.append(q.toInt(0));
    if (found.isEmpty()) {
        *reason = QStringLiteral("Учреждение ") + name + QStringLiteral(" не найдено.");
        return 0;
    }
    if (found.size() > 1) {
        // A group export names namesakes by their ids after the year: "<unit> - <level> -
        // <year> - <id>.ktd".
        QString base = QFileInfo(path).fileName();
        const qsizetype dot = base.lastIndexOf(QLatin1Char('.'));
        if (dot >= 0)
            base = base.left(dot);
        const QStringList pieces = base.split(QStringLiteral(" - "));
        if (pieces.size() >= 4) {
            const std::optional<int> id = parseInt(pieces.last());
            if (id && found.contains(*id))
                found = {*id};
        }
    }
    if (found.size() > 1) {
        *reason = QStringLiteral("Найдено несколько подразделений с именем ") + name + QLatin1Char('.');
        return 0;
    }
    const int children = main.scalar(QStringLiteral(R"(select count(*) from "administration" where "dependence"=?)"),
                                     {found.first()}).toInt();
    if (children > 0) {
        *reason = name + QStringLiteral(" - группа, а не учреждение.");
        return 0;
    }
    return found.first();
}

GroupImportReport importDataGroup(Database& main, Database& data, int year, const QStringList& paths,
                                  const GroupImportChoice& choice,
                                  const std::function<void(const QString&, int)>& progress)
{
    GroupImportReport report;
    std::optional<QList<int>> replaced;
    if (choice.clearChosenOnly && !choice.chosenForms.isEmpty())
        replaced = tablesOfForms(choice.chosenForms);
    for (int i = 0; i < paths.size(); ++i) {
        const QString& path = paths[i];
        const QString unit = unitNameOfDataFile(path);
        if (progress)
            progress(unit, i);
        QString reason;
        const int id = institutionOfDataFile(main, path, &reason);
        if (id == 0) {
            report.skipped.append(QFileInfo(path).fileName() + QLatin1Char('\t') + reason);
            continue;
        }
        DataLoadTarget target;
        target.owner = id;
        target.year = year;
        target.chosenForms = choice.chosenForms;
        target.replacedTables = replaced;
        target.progress = choice.lineProgress;
        DataLoadReport one;
        if (!loadDataFile(data, target, path, yearDataFileKind(path), &one, &reason)) {
            report.skipped.append(QFileInfo(path).fileName() + QLatin1Char('\t') + reason);
            continue;
        }
        ++report.loadedFiles;
        report.loadedValues += one.loaded;
    }
    return report;
}
