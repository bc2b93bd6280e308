#include "setup/DataExchange.h"

#include "core/ExchangeOwners.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/Numbers.h"
#include "platform/Prompts.h"

#include <QFileInfo>
#include <QHash>

namespace {

// A folder name of a group; a name of which the sanitiser leaves nothing is the id.
QString folderName(const UnitTreeNode& group)
{
    const QString safe = Files::safeFileName(group.name);
    return safe.isEmpty() ? QString::number(group.id) : safe;
}

// What a child is written under, before a namesake's id is added: its file or its folder, told
// apart, in capitals as the file systems that read these folders compare names.
QString entryKey(const UnitTreeNode& child, const QString& level, int year)
{
    return child.children.isEmpty() ? QStringLiteral("f:") + upperCase(unitDataFileName(child.name, level, year))
                                    : QStringLiteral("d:") + upperCase(folderName(child));
}

bool exportNode(Database& data, int year, const QString& level, const UnitTreeNode& node,
                const QString& path, GroupExportReport& report, QString* error,
                const std::function<void(const QString&)>& progress)
{
    if (node.children.isEmpty()) {
        if (progress)
            progress(node.name);
        DataExportReport one;
        if (!writeDataFile(data, QStringLiteral("data"), node.id, year, path, &one, error))
            return false;
        ++report.files;
        report.written += one.written;
        report.unknownTable += one.unknownTable;
        return true;
    }
    if (!Files::makeFolder(path, error))
        return false;
    const QStringList names = childEntryNames(node, level, year);
    for (int i = 0; i < node.children.size(); ++i) {
        if (!exportNode(data, year, level, node.children[i], Files::join(path, names[i]), report, error, progress))
            return false;
    }
    return true;
}

}  // namespace

QString unitDataFileName(const QString& unit, const QString& level, int year, int id)
{
    return exchangeFileName(unit, level, year, QStringLiteral(".ktd"), id);
}

QStringList childEntryNames(const UnitTreeNode& group, const QString& level, int year)
{
    QHash<QString, int> count;
    for (const UnitTreeNode& child : group.children)
        ++count[entryKey(child, level, year)];
    QStringList names;
    for (const UnitTreeNode& child : group.children) {
        const bool namesake = count.value(entryKey(child, level, year)) > 1;
        if (child.children.isEmpty())
            names.append(unitDataFileName(child.name, level, year, namesake ? child.id : 0));
        else
            names.append(namesake ? folderName(child) + QLatin1Char(' ') + QString::number(child.id) : folderName(child));
    }
    return names;
}

bool exportDataGroup(Database& data, int year, const QString& level, const UnitTreeNode& root,
                     const QString& folder, GroupExportReport* report, QString* error,
                     const std::function<void(const QString&)>& progress)
{
    GroupExportReport counts;
    if (!Files::makeFolder(folder, error))
        return false;
    counts.path = Files::join(folder, root.children.isEmpty() ? unitDataFileName(root.name, level, year)
                                                              : folderName(root));
    const bool ok = exportNode(data, year, level, root, counts.path, counts, error, progress);
    if (report)
        *report = counts;
    return ok;
}

namespace {

int institutionOf(const ExchangeOwnerIndex& index, const QString& path, QString* reason)
{
    const QList<NamedOwner> named = index.ownersOf(path);
    QList<NamedOwner> institutions = named;
    institutions.removeIf([](const NamedOwner& n) { return n.group; });
    if (institutions.size() == 1)
        return institutions.first().id;
    const QString file = QFileInfo(path).fileName();
    if (institutions.size() > 1) {
        QStringList ids;
        for (const NamedOwner& n : institutions)
            ids.append(QString::number(n.id));
        *reason = QStringLiteral("Найдено несколько подразделений с именем %1 (коды %2).")
                      .arg(institutions.first().name, ids.join(QStringLiteral(", ")));
    } else if (!named.isEmpty()) {
        *reason = named.first().name + QStringLiteral(" - группа, а не учреждение.");
    } else {
        *reason = QStringLiteral("Учреждение для файла ") + file + QStringLiteral(" не найдено.");
    }
    return 0;
}

DataLoadTarget groupTarget(int id, int year, const GroupImportChoice& choice)
{
    DataLoadTarget target;
    target.owner = id;
    target.year = year;
    target.chosenForms = choice.chosenForms;
    if (choice.clearChosenOnly && !choice.chosenForms.isEmpty())
        target.replacedTables = tablesOfForms(choice.chosenForms);
    target.progress = choice.lineProgress;
    return target;
}

}  // namespace

GroupImportPlan planDataGroup(Database& main, Database& data, int year, const QString& level,
                              const QStringList& paths, const GroupImportChoice& choice)
{
    GroupImportPlan plan;
    plan.paths = paths;
    QHash<int, int> filesOf;
    const ExchangeOwnerIndex index(main, QStringLiteral("data"), level, year);
    for (const QString& path : paths) {
        QString reason;
        plan.owners.append(institutionOf(index, path, &reason));
        plan.reasons.append(reason);
        if (plan.owners.last() != 0)
            ++filesOf[plan.owners.last()];
    }
    for (int i = 0; i < paths.size(); ++i) {
        const int owner = plan.owners[i];
        if (owner == 0)
            continue;
        // One unit chosen twice would keep whichever file came last: none of its files is taken.
        if (filesOf.value(owner) > 1) {
            plan.reasons[i] = QStringLiteral("Для учреждения %1 выбрано несколько файлов.")
                                  .arg(ownerName(main, QStringLiteral("data"), owner));
            plan.owners[i] = 0;
        } else if (storedValuesReplaced(data, groupTarget(owner, year, choice)) > 0) {
            plan.holding.append(ownerName(main, QStringLiteral("data"), owner));
        }
    }
    return plan;
}

bool confirmDataGroup(Prompts& prompts, const GroupImportPlan& plan, int year)
{
    if (plan.holding.isEmpty())
        return true;
    // A territory holds hundreds of units: the list is shortened, the count stays whole.
    constexpr int kNamed = 10;
    QString list = QStringList(plan.holding.mid(0, kNamed)).join(QStringLiteral(", "));
    if (plan.holding.size() > kNamed)
        list += QStringLiteral(" и еще %1").arg(plan.holding.size() - kNamed);
    return prompts.question(QStringLiteral("Заменить данные учреждений за %1 данными выбранных файлов?\n"
                                           "Уже есть данные (%2): %3")
                                .arg(year)
                                .arg(plan.holding.size())
                                .arg(list));
}

GroupImportReport importDataGroup(Database& main, Database& data, int year, const GroupImportPlan& plan,
                                  const GroupImportChoice& choice,
                                  const std::function<void(const QString&, int)>& progress)
{
    GroupImportReport report;
    for (int i = 0; i < plan.paths.size(); ++i) {
        const QString& path = plan.paths[i];
        const QString fileName = QFileInfo(path).fileName();
        const int owner = plan.owners.value(i);
        if (progress)
            progress(owner != 0 ? ownerName(main, QStringLiteral("data"), owner) : fileName, i);
        if (owner == 0) {
            report.skipped.append(fileName + QLatin1Char('\t') + plan.reasons.value(i));
            continue;
        }
        DataLoadReport one;
        QString reason;
        if (!loadDataFile(data, groupTarget(owner, year, choice), path, yearDataFileKind(path), &one, &reason)) {
            report.skipped.append(fileName + QLatin1Char('\t') + reason);
            continue;
        }
        ++report.loadedFiles;
        report.loadedValues += one.loaded;
    }
    return report;
}
