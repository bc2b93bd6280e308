#include "core/NetConditions.h"

#include "platform/Database.h"
#include "platform/Numbers.h"

namespace {

bool fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

} // namespace

NetCondition::Kind NetCondition::kind() const
{
    if (row >= 0 && column >= 0)
        return Kind::Cell;
    if (row >= 0 && column == -1)
        return Kind::Row;
    if (row == -1 && column >= 0)
        return Kind::Column;
    return Kind::Invalid;
}

bool parseConditionTypes(const QString& types, QList<int>* ids)
{
    ids->clear();
    if (types.isEmpty() || types == QStringLiteral("*"))
        return false;
    for (const QString& item : types.split(u',')) {
        const std::optional<int> id = parseInt(item);
        if (!id || item.trimmed() != item) {
            ids->clear();
            return false;
        }
        ids->append(*id);
    }
    return true;
}

QString conditionTypesProblem(const QString& types)
{
    if (types == QStringLiteral("*"))
        return QString();
    if (types.isEmpty())
        return QStringLiteral("Необходимо выбрать хотя бы один тип учреждений!");
    QList<int> ids;
    if (!parseConditionTypes(types, &ids))
        return QStringLiteral("Неверный список типов учреждений: \"%1\"").arg(types);
    return QString();
}

namespace NetConditions {
namespace {

const char* const kColumns =
    R"("tid","row","column","type","formula","condition","koeff","country","lft","rght","midle","types")";

NetCondition fromQuery(const Query& q)
{
    NetCondition c;
    c.tid = q.toInt(0);
    c.row = q.toInt(1);
    c.column = q.toInt(2);
    c.sum = q.toInt(3) != 0;
    c.formula = q.text(4);
    c.condition = q.text(5);
    if (!q.isNull(6))
        c.koeff = q.toInt(6);
    c.rural = q.toInt(7) != 0;
    c.lft = q.text(8);
    c.rght = q.text(9);
    c.average = q.toInt(10) != 0;
    c.types = q.text(11);
    return c;
}

QVariantList valuesOf(const NetCondition& c)
{
    return {c.tid, c.row, c.column, c.sum ? 1 : 0, c.formula, c.condition,
            c.koeff ? QVariant(*c.koeff) : QVariant(), c.rural ? 1 : 0, c.lft, c.rght,
            c.average ? 1 : 0, c.types};
}

void insert(Database& db, const NetCondition& c)
{
    db.exec(QStringLiteral(R"(insert into "conditions" (%1) values (?,?,?,?,?,?,?,?,?,?,?,?))")
                .arg(QLatin1String(kColumns)),
            valuesOf(c));
}

QList<NetCondition> readOrdered(Database& dictionary, int tid, const char* order)
{
    Query q(dictionary,
            QStringLiteral(R"(select %1 from "conditions" where "tid"=? order by %2)")
                .arg(QLatin1String(kColumns), QLatin1String(order)),
            {tid});
    QList<NetCondition> out;
    while (q.next())
        out.append(fromQuery(q));
    return out;
}

} // namespace

QList<NetCondition> read(Database& dictionary, int tid)
{
    return readOrdered(dictionary, tid, R"("row","column")");
}

QList<NetCondition> readInStoredOrder(Database& dictionary, int tid)
{
    return readOrdered(dictionary, tid, "rowid");
}

std::optional<NetCondition> find(Database& dictionary, int tid, int row, int column)
{
    Query q(dictionary,
            QStringLiteral(R"(select %1 from "conditions" where "tid"=? and "row"=? and "column"=?)")
                .arg(QLatin1String(kColumns)),
            {tid, row, column});
    if (!q.next())
        return std::nullopt;
    return fromQuery(q);
}

bool save(Database& dictionary, const NetCondition& record, QString* error)
{
    if (record.kind() == NetCondition::Kind::Invalid)
        return fail(error, QStringLiteral("Неверный адрес условия: строка %1, графа %2")
                               .arg(record.row)
                               .arg(record.column));
    const QString typesProblem = conditionTypesProblem(record.types);
    if (!typesProblem.isEmpty())
        return fail(error, typesProblem);
    Transaction tx(dictionary);
    // One record per address: a second one would be read by nobody and confuse every reader.
    dictionary.exec(QStringLiteral(R"(delete from "conditions" where "tid"=? and "row"=? and "column"=?)"),
                    {record.tid, record.row, record.column});
    insert(dictionary, record);
    tx.commit();
    return true;
}

bool remove(Database& dictionary, int tid, int row, int column)
{
    return dictionary.exec(QStringLiteral(R"(delete from "conditions" where "tid"=? and "row"=? and "column"=?)"),
                           {tid, row, column})
        > 0;
}

void replaceTables(Database& dictionary, const QList<int>& tids, const QList<NetCondition>& records)
{
    Transaction tx(dictionary);
    for (int tid : tids)
        dictionary.exec(QStringLiteral(R"(delete from "conditions" where "tid"=?)"), {tid});
    for (const NetCondition& c : records)
        insert(dictionary, c);
    tx.commit();
}

} // namespace NetConditions
