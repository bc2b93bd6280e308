#include "core/CheckSums.h"

#include "core/Common.h"
#include "platform/Database.h"

#include <bit>
#include <cstdint>

namespace {

QString checkedDataTable()
{
    const QString table = dataTableIdent();
    if (table.isEmpty())
        throw DbError(unknownDataTableMessage());
    return table;
}

// Folds the institution's values of one table into h, rows before columns; false when the
// table holds no value for it.
bool foldTable(quint32& h, const QString& dataTable, int institutionId, int tableIdent)
{
    Query q(dbdat(),
            QStringLiteral(R"(select "data" from %1 where "hospital"=? and "table"=? and "year"=? order by "row", "column")")
                .arg(dataTable),
            {institutionId, tableIdent, ReportYear});
    bool any = false;
    while (q.next()) {
        h = checksumStep(h, q.toDouble(0));
        any = true;
    }
    return any;
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
    if (!foldTable(h, dataTable, institutionId, tableIdent))
        return 0;
    return static_cast<qint32>(h);
}

qint32 FormDataChecksum(int institutionId, int formId)
{
    const QString dataTable = checkedDataTable();
    QList<int> tables;
    {
        Query q(dbmain(), QStringLiteral(R"(select "ident" from "tables" where "form"=? order by "ident")"),
                {formId});
        while (q.next())
            tables.append(q.toInt(0));
    }
    quint32 h = 5381;
    for (int ident : tables)
        foldTable(h, dataTable, institutionId, ident);
    return static_cast<qint32>(h);
}
