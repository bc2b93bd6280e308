#include "setup/MedicalTypes.h"

#include "platform/Database.h"

#include <QSet>

namespace {

struct TypeRow {
    int id;
    QString type;
    int parent;
};

// `path` holds the ids from the top down to `parent`: a type already on it would lie under itself.
QList<MedicalTypeNode> childrenOf(const QList<TypeRow>& rows, int parent, QSet<int>& path)
{
    QList<MedicalTypeNode> nodes;
    path.insert(parent);
    for (const TypeRow& row : rows) {
        if (row.parent != parent || path.contains(row.id))
            continue;
        MedicalTypeNode node{row.id, row.type, {}};
        node.children = childrenOf(rows, row.id, path);
        nodes.append(node);
    }
    path.remove(parent);
    return nodes;
}

}

bool operator==(const MedicalTypeNode& a, const MedicalTypeNode& b)
{
    return a.id == b.id && a.type == b.type && a.children == b.children;
}

QList<MedicalTypeNode> readMedicalTypeTree(Database& dictionary)
{
    QList<TypeRow> rows;
    Query q(dictionary, QStringLiteral(
        R"(select "id","type","parent" from "medicaltypes" order by "ind","id")"));
    while (q.next())
        rows.append({q.toInt(0), q.text(1), q.value(2).isNull() ? 0 : q.toInt(2)});
    QSet<int> path;
    return childrenOf(rows, 0, path);
}

QList<AssignableForm> readAssignableForms(Database& dictionary)
{
    QList<AssignableForm> forms;
    Query q(dictionary, QStringLiteral(
        R"(select "id","formname","decipher" from "forms" where coalesce("net",0)=0 order by "ind","id")"));
    while (q.next())
        forms.append({q.toInt(0), q.text(1) + QStringLiteral(" - ") + q.text(2)});
    return forms;
}

QList<int> assignedForms(Database& dictionary, int typeId)
{
    QList<int> ids;
    Query q(dictionary, QStringLiteral(
        R"(select "formsid" from "med_type_forms" where "medicalsid"=? order by rowid)"), {typeId});
    while (q.next())
        ids.append(q.toInt(0));
    return ids;
}

void saveAssignedForms(Database& dictionary, int typeId, const QList<int>& formIds)
{
    Transaction tx(dictionary);
    dictionary.exec(QStringLiteral(R"(delete from "med_type_forms" where "medicalsid"=?)"), {typeId});
    Query insert(dictionary, QStringLiteral(R"(insert into "med_type_forms" values (?,?))"));
    for (int formId : formIds) {
        insert.bindAll({typeId, formId});
        insert.exec();
    }
    tx.commit();
}

bool renameMedicalType(Database& dictionary, int typeId, const QString& name)
{
    if (name.trimmed().isEmpty())
        return false;
    return dictionary.exec(QStringLiteral(R"(update "medicaltypes" set "type"=? where "id"=?)"),
                           {name, typeId}) > 0;
}

void saveMedicalTypeOrder(Database& dictionary, const QList<int>& idsInShownOrder)
{
    Transaction tx(dictionary);
    Query update(dictionary, QStringLiteral(R"(update "medicaltypes" set "ind"=? where "id"=?)"));
    for (int i = 0; i < idsInShownOrder.size(); ++i) {
        update.bindAll({i, idsInShownOrder[i]});
        update.exec();
    }
    tx.commit();
}
