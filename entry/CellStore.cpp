#include "entry/CellStore.h"

#include "core/Common.h"
#include "platform/Database.h"

namespace {

QString tableOf(const QString& prefix)
{
    const QString table = dataTableIdent(prefix);
    if (table.isEmpty())
        throw DbError(unknownDataTableMessage(prefix));
    return table;
}

QVariantList keyParams(const CellKey& k)
{
    return {k.year, k.table, k.hospital, k.column, k.row};
}

const char* const kWhere =
    R"( where "year"=? and "table"=? and "hospital"=? and "column"=? and "row"=?)";

} // namespace

SaveAction decideSave(std::optional<double> stored, double value)
{
    if (value == 0)
        return stored ? SaveAction::Delete : SaveAction::None;
    if (!stored)
        return SaveAction::Insert;
    return *stored == value ? SaveAction::None : SaveAction::Update;
}

std::optional<double> storedCellValue(Database& data, const QString& prefix, const CellKey& key)
{
    Query q(data, QStringLiteral(R"(select "data" from %1)").arg(tableOf(prefix)) + QLatin1String(kWhere),
            keyParams(key));
    if (!q.next())
        return std::nullopt;
    return q.toDouble(0);
}

SaveAction saveCell(Database& data, const QString& prefix, const CellKey& key, double value)
{
    const QString table = tableOf(prefix);
    Transaction tx(data);
    const SaveAction action = decideSave(storedCellValue(data, prefix, key), value);
    switch (action) {
    case SaveAction::None:
        break;
    case SaveAction::Delete:
        data.exec(QStringLiteral("delete from %1").arg(table) + QLatin1String(kWhere), keyParams(key));
        break;
    case SaveAction::Insert:
        data.exec(QStringLiteral(R"(insert into %1 ("hospital","data","year","table","column","row")
                                    values (?,?,?,?,?,?))").arg(table),
                  {key.hospital, value, key.year, key.table, key.column, key.row});
        break;
    case SaveAction::Update:
        data.exec(QStringLiteral(R"(update %1 set "data"=?)").arg(table) + QLatin1String(kWhere),
                  QVariantList{value} + keyParams(key));
        break;
    }
    tx.commit();
    return action;
}
