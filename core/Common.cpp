#include "core/Common.h"

#include "platform/Database.h"
#include "platform/Numbers.h"

#include <QStringList>

CellArray::CellArray(int lowColumn, int highColumn, int lowRow, int highRow)
{
    if (highColumn < lowColumn || highRow < lowRow)
        return;
    m_lowColumn = lowColumn;
    m_highColumn = highColumn;
    m_lowRow = lowRow;
    m_highRow = highRow;
    const qsizetype count = qsizetype(highColumn - lowColumn + 1) * (highRow - lowRow + 1);
    m_cells = QList<double>(count, 0.0);
}

bool CellArray::contains(int column, int row) const
{
    return !m_cells.isEmpty() && column >= m_lowColumn && column <= m_highColumn
        && row >= m_lowRow && row <= m_highRow;
}

qsizetype CellArray::indexOf(int column, int row) const
{
    return qsizetype(column - m_lowColumn) * (m_highRow - m_lowRow + 1) + (row - m_lowRow);
}

double CellArray::value(int column, int row) const
{
    return contains(column, row) ? m_cells[indexOf(column, row)] : 0.0;
}

bool CellArray::set(int column, int row, double value)
{
    if (!contains(column, row))
        return false;
    m_cells[indexOf(column, row)] = value;
    return true;
}

bool CellArray::add(int column, int row, double value)
{
    if (!contains(column, row))
        return false;
    m_cells[indexOf(column, row)] += value;
    return true;
}

void CellArray::fillZero()
{
    m_cells.fill(0.0);
}

void CellArray::clear()
{
    *this = CellArray();
}

QString dataTableIdent(const QString& prefix)
{
    // The data tables are "data" (entered institution data) and "repdata" (summary reports and
    // indicators); the modes spell them in several ways, and SQLite ignores case in names.
    if (sameName(prefix, QStringLiteral("data")))
        return quoteIdent(QStringLiteral("data"));
    if (sameName(prefix, QStringLiteral("repdata")))
        return quoteIdent(QStringLiteral("repdata"));
    return QString();
}

QString unknownDataTableMessage(const QString& prefix)
{
    if (prefix.isEmpty())
        return QStringLiteral("Не задана таблица данных для этого режима работы");
    return QStringLiteral("Неизвестная таблица данных \"%1\"").arg(prefix);
}

bool parseIdList(const QString& list, QList<int>& ids)
{
    ids.clear();
    const QStringList items = list.split(QLatin1Char(','));
    for (const QString& item : items) {
        if (item.trimmed().isEmpty())
            continue;
        const std::optional<int> id = parseInt(item);
        if (!id) {
            ids.clear();
            return false;
        }
        ids.append(*id);
    }
    return true;
}

void clearSharedState()
{
    ChosenForms.clear();
    WorkMode.clear();
    InstitutionIdList.clear();
    CellValues.clear();
}
