#include "entry/CellStore.h"

#include "platform/Database.h"

std::optional<double> storedCellValue(Database& data, const QString& prefix, const CellKey& key)
{
    DataRows rows(&data);
    return rows.storedCell(prefix, key);
}

SaveAction saveCell(Database& data, const QString& prefix, const CellKey& key, double value)
{
    DataRows rows(&data);
    return rows.saveCell(prefix, key, value);
}
