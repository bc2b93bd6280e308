#include "core/StructureCache.h"

#include <QSet>

#include "core/Lookups.h"
#include "platform/Database.h"
#include "platform/Numbers.h"

// Each reader fills local lists and publishes them only when the whole query has been read, so
// a failing read leaves its cache empty rather than half filled.

namespace {

void readForms(Database& dictionary, IdStringList& forms, QStringList& names, QStringList& net)
{
    Query q(dictionary, QStringLiteral(R"(select * from "forms" order by "ind")"));
    while (q.next()) {
        const QString name = q.text(QStringLiteral("formname"));
        const QString upper = upperCase(name);
        forms.append(upper + QStringLiteral(" - ") + q.text(QStringLiteral("decipher")),
                     q.toInt(QStringLiteral("id")));
        names.append(upper);
        if (q.toBool(QStringLiteral("net")))
            net.append(name);
    }
}

// The form names come from the forms read before, not from the globals, so a year's caches can
// be read whole before any of them is shown.
void readTables(Database& dictionary, const IdStringList& forms, const QStringList& formNames,
                QStringList& list, QList<TableShape>& info)
{
    for (TableShape t : readTableShapes(dictionary, ShapeOrder::ByNumber)) {
        // A table of a form missing from the forms cache gets an empty form name.
        const qsizetype formIndex = forms.objects.indexOf(t.form);
        t.formName = formIndex >= 0 && formIndex < formNames.size() ? formNames[formIndex] : QString();
        list.append(t.formName + QStringLiteral("*Т") + t.tablen + QStringLiteral(" - ") + t.name);
        info.append(t);
    }
}

} // namespace

void GetForms(Database& dictionary)
{
    FormsList.clear();
    FormNames.clear();
    NetForms.clear();
    IdStringList forms;
    QStringList names;
    QStringList net;
    readForms(dictionary, forms, names, net);
    FormsList = forms;
    FormNames = names;
    NetForms = net;
}

void GetTables(Database& dictionary)
{
    TablesList.clear();
    TableInfo.clear();
    QStringList list;
    QList<TableShape> info;
    readTables(dictionary, FormsList, FormNames, list, info);
    TablesList = list;
    TableInfo = info;
}

namespace {

// One tree cache read whole: the names, ids and parents in the order of `sql`. The lists are
// replaced only once the query has run to its end, so a failed read leaves them empty.
void readTreeCache(Database& dictionary, const QString& sql, const QString& nameColumn,
                   const QString& idColumn, const QString& parentColumn, QStringList& names,
                   QList<int>& idents, QList<int>& depends)
{
    names.clear();
    idents.clear();
    depends.clear();
    QStringList readNames;
    QList<int> readIdents;
    QList<int> readDepends;
    Query q(dictionary, sql);
    while (q.next()) {
        readNames.append(q.text(nameColumn));
        readIdents.append(q.toInt(idColumn));
        readDepends.append(q.toInt(parentColumn));
    }
    names = readNames;
    idents = readIdents;
    depends = readDepends;
}

} // namespace

void GetStruct(Database& dictionary)
{
    StructNodeIndex.clear();
    StructCount = 0;
    readTreeCache(dictionary, QStringLiteral(R"(select * from "administration" order by "dependence", "ind")"),
                  QStringLiteral("unit"), QStringLiteral("id"), QStringLiteral("dependence"), StructNames,
                  StructIdents, StructDepends);
    StructCount = int(StructNames.size());
    StructNodeIndex = QList<int>(StructCount, 0);
}

void GetTree(Database& dictionary)
{
    // Parts are names: sorted as the users read them, without regard to case.
    readTreeCache(dictionary, QStringLiteral(R"(select * from "tree" order by "depend", "part" collate UNOCASE)"),
                  QStringLiteral("part"), QStringLiteral("ident"), QStringLiteral("depend"), TreeNames,
                  TreeIdents, TreeDepends);
}

void GetForms() { GetForms(dbmain()); }
void GetTables() { GetTables(dbmain()); }
void GetStruct() { GetStruct(dbmain()); }
void GetTree() { GetTree(dbmain()); }

StructureCaches readStructureCaches(Database& dictionary)
{
    StructureCaches c;
    readTreeCache(dictionary, QStringLiteral(R"(select * from "administration" order by "dependence", "ind")"),
                  QStringLiteral("unit"), QStringLiteral("id"), QStringLiteral("dependence"), c.structNames,
                  c.structIdents, c.structDepends);
    readTreeCache(dictionary, QStringLiteral(R"(select * from "tree" order by "depend", "part" collate UNOCASE)"),
                  QStringLiteral("part"), QStringLiteral("ident"), QStringLiteral("depend"), c.treeNames,
                  c.treeIdents, c.treeDepends);
    readForms(dictionary, c.forms, c.formNames, c.netForms);
    readTables(dictionary, c.forms, c.formNames, c.tablesList, c.tableInfo);
    return c;
}

void installStructureCaches(StructureCaches caches)
{
    StructNames = std::move(caches.structNames);
    StructIdents = std::move(caches.structIdents);
    StructDepends = std::move(caches.structDepends);
    StructCount = int(StructNames.size());
    StructNodeIndex = QList<int>(StructCount, 0);
    TreeNames = std::move(caches.treeNames);
    TreeIdents = std::move(caches.treeIdents);
    TreeDepends = std::move(caches.treeDepends);
    FormsList = std::move(caches.forms);
    FormNames = std::move(caches.formNames);
    NetForms = std::move(caches.netForms);
    TablesList = std::move(caches.tablesList);
    TableInfo = std::move(caches.tableInfo);
}

void refreshStructureCaches(Database& dictionary)
{
    installStructureCaches(readStructureCaches(dictionary));
}

void clearStructureCaches()
{
    FormsList.clear();
    FormNames.clear();
    NetForms.clear();
    TablesList.clear();
    TableInfo.clear();
    StructNames.clear();
    StructIdents.clear();
    StructDepends.clear();
    StructNodeIndex.clear();
    StructCount = 0;
    TreeNames.clear();
    TreeIdents.clear();
    TreeDepends.clear();
}

QList<int> structureRoots()
{
    const QSet<int> ids(StructIdents.begin(), StructIdents.end());
    QList<int> roots;
    for (int i = 0; i < StructIdents.size() && i < StructDepends.size(); ++i)
        if (!ids.contains(StructDepends[i]) || StructDepends[i] == StructIdents[i])
            roots.append(i);
    return roots;
}
