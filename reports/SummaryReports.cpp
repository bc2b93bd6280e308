#include "reports/SummaryReports.h"

#include "core/Common.h"
#include "core/TableCells.h"
#include "platform/Database.h"

#include <QSet>

namespace SummaryReports {

namespace {

SummaryReport rowOf(const Query& q)
{
    SummaryReport r;
    r.id = q.toInt(0);
    r.report = q.text(1);
    r.net = q.toInt(2) != 0;
    r.include = q.text(3);
    r.ind = q.toInt(4);
    return r;
}

const char* const kSelect = R"(select "id","report","net","include","ind" from "reports")";

} // namespace

QList<SummaryReport> list(Database& dictionary, bool netOnly)
{
    QList<SummaryReport> result;
    Query q(dictionary, QString::fromLatin1(kSelect) + (netOnly ? QStringLiteral(R"( where "net"<>0)") : QString())
                            + QStringLiteral(R"( order by "ind","id")"));
    while (q.next())
        result.append(rowOf(q));
    return result;
}

std::optional<SummaryReport> read(Database& dictionary, int id)
{
    Query q(dictionary, QString::fromLatin1(kSelect) + QStringLiteral(R"( where "id"=?)"), {id});
    if (!q.next())
        return std::nullopt;
    return rowOf(q);
}

int add(Database& dictionary, const QString& name, bool net)
{
    Transaction tx(dictionary);
    const int ind = dictionary.scalar(QStringLiteral(R"(select coalesce(max("ind"),-1)+1 from "reports")")).toInt();
    dictionary.exec(QStringLiteral(R"(insert into "reports" ("report","net","include","ind") values (?,?,'',?))"),
                    {name, net ? 1 : 0, ind});
    const int id = int(dictionary.lastInsertId());
    tx.commit();
    return id;
}

void edit(Database& dictionary, int id, const QString& name, bool net)
{
    Transaction tx(dictionary);
    dictionary.exec(QStringLiteral(R"(update "reports" set "report"=?,"net"=? where "id"=?)"), {name, net ? 1 : 0, id});
    tx.commit();
}

bool toggleNet(Database& dictionary, int id)
{
    Transaction tx(dictionary);
    dictionary.exec(QStringLiteral(R"(update "reports" set "net"=(case when "net"<>0 then 0 else 1 end) where "id"=?)"),
                    {id});
    const bool net = dictionary.scalar(QStringLiteral(R"(select "net" from "reports" where "id"=?)"), {id}).toInt() != 0;
    tx.commit();
    return net;
}

void saveOrder(Database& dictionary, const QList<int>& ids)
{
    Transaction tx(dictionary);
    Query q(dictionary, QStringLiteral(R"(update "reports" set "ind"=? where "id"=?)"));
    for (int i = 0; i < ids.size(); ++i) {
        q.reset();
        q.bindAll({i, ids[i]});
        q.exec();
    }
    tx.commit();
}

QList<int> mergeOrder(const QList<int>& wholeList, const QList<int>& netOrder)
{
    const QSet<int> moved(netOrder.begin(), netOrder.end());
    QList<int> result;
    result.reserve(wholeList.size());
    int next = 0;
    for (int id : wholeList) {
        if (moved.contains(id)) {
            if (next < netOrder.size())
                result.append(netOrder[next++]);
        } else {
            result.append(id);
        }
    }
    // Reports the whole list did not know yet (added since it was read) go to the end.
    while (next < netOrder.size())
        result.append(netOrder[next++]);
    return result;
}

void remove(Database& dictionary, const QString& dataPath, int id)
{
    AttachedFile data(dictionary, dataPath);
    // The other summaries' lists read before the transaction: only their rewrite belongs to it.
    QList<QPair<int, QList<int>>> lists;
    {
        Query q(dictionary, QStringLiteral(R"(select "base","include" from "statistics" where "base"<>?)"), {id});
        while (q.next())
            lists.append({q.toInt(0), splitIds(q.text(1))});
    }
    Transaction tx(dictionary);
    DataRows::deleteOwnerRows(dictionary, data.table(QStringLiteral("repdata")), id, std::nullopt);
    dictionary.exec(QStringLiteral(R"(delete from "reports" where "id"=?)"), {id});
    dictionary.exec(QStringLiteral(R"(delete from "statistics" where "base"=?)"), {id});
    dictionary.exec(QStringLiteral(R"(delete from "populations" where "unit"=?)"), {id});
    for (const auto& [base, ids] : lists) {
        if (!ids.contains(id))
            continue;
        QList<int> left = ids;
        left.removeAll(id);
        if (left.isEmpty())
            dictionary.exec(QStringLiteral(R"(delete from "statistics" where "base"=?)"), {base});
        else
            dictionary.exec(QStringLiteral(R"(update "statistics" set "include"=? where "base"=?)"), {joinIds(left), base});
    }
    tx.commit();
}

QString joinIds(const QList<int>& ids)
{
    QStringList parts;
    parts.reserve(ids.size());
    for (int id : ids)
        parts.append(QString::number(id));
    return parts.join(QLatin1Char(','));
}

QList<int> splitIds(const QString& text)
{
    QList<int> ids;
    if (!parseIdList(text, ids))
        ids.clear();
    return ids;
}

QList<int> institutions(Database& dictionary, int id)
{
    return splitIds(dictionary.scalar(QStringLiteral(R"(select "include" from "reports" where "id"=?)"), {id}).toString());
}

void setInstitutions(Database& dictionary, int id, const QList<int>& ids)
{
    Transaction tx(dictionary);
    dictionary.exec(QStringLiteral(R"(update "reports" set "include"=? where "id"=?)"), {joinIds(ids), id});
    tx.commit();
}

QList<int> incomingReports(Database& dictionary, int base)
{
    return splitIds(
        dictionary.scalar(QStringLiteral(R"(select "include" from "statistics" where "base"=? order by rowid)"), {base})
            .toString());
}

void setIncomingReports(Database& dictionary, int base, const QList<int>& ids)
{
    Transaction tx(dictionary);
    dictionary.exec(QStringLiteral(R"(delete from "statistics" where "base"=?)"), {base});
    if (!ids.isEmpty())
        dictionary.exec(QStringLiteral(R"(insert into "statistics" ("base","include") values (?,?))"), {base, joinIds(ids)});
    tx.commit();
}

QList<int> institutionsOfTypes(Database& dictionary, const QList<int>& types)
{
    QList<int> result;
    if (types.isEmpty())
        return result;
    const QSet<int> wanted(types.begin(), types.end());
    Query q(dictionary, QStringLiteral(R"(select "id","medicaltype" from "administration" order by "ind","id")"));
    while (q.next())
        if (!q.isNull(1) && wanted.contains(q.toInt(1)))
            result.append(q.toInt(0));
    return result;
}

} // namespace SummaryReports
