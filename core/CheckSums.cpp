#include "core/CheckSums.h"

#include "core/Common.h"
#include "core/TableCells.h"
#include "platform/Database.h"

#include <bit>
#include <cstdint>

namespace {

QString checkedDataTable()
{
    const QString table = dataTableName(DataTablePrefix);
    if (table.isEmpty())
        throw DbError(unknownDataTableMessage());
    return table;
}

// Folds the institution's values of one table into h, rows before columns; false when the
// table holds no value for it.
bool foldTable(quint32& h, DataRows& rows, const QString& dataTable, int institutionId, int tableIdent)
{
    const QList<double> values = rows.tableValuesByRow(dataTable, ReportYear, institutionId, tableIdent);
    for (double v : values)
        h = checksumStep(h, v);
    return !values.isEmpty();
}

}

quint32 checksumStep(quint32 h, double value)
{
    // The conversion rounds to nearest, ties to even: the single the sum was defined over.
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(static_cast<float>(value));
    return (h ^ (h << 5)) ^ bits;
}

qint32 TableDataChecksum(int institutionId, int tableIdent)
{
    const QString dataTable = checkedDataTable();
    quint32 h = 5381;
    DataRows rows(&dbdat());
    if (!foldTable(h, rows, dataTable, institutionId, tableIdent))
        return 0;
    return static_cast<qint32>(h);
}

qint32 FormDataChecksum(int institutionId, int formId)
{
    const QString dataTable = checkedDataTable();
    const QList<TableShape> tables = readFormTableShapes(dbmain(), formId, ShapeOrder::ByIdent);
    quint32 h = 5381;
    DataRows rows(&dbdat());
    for (const TableShape& t : tables)
        foldTable(h, rows, dataTable, institutionId, t.ident);
    return static_cast<qint32>(h);
}
