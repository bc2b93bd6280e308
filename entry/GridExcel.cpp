#include "entry/GridExcel.h"

#include "core/Common.h"
#include "core/TableCells.h"
#include "entry/GridModel.h"
#include "platform/Database.h"
#include "platform/Numbers.h"

QString gridSheetName(const QString& formName, const QString& tableNumber)
{
    return ExcelWorkbook::validSheetName((formName + tableNumber).left(20), {});
}

ExcelWorkbook gridWorkbook(const GridModel& model, const QString& sheetName, const QString& title)
{
    ExcelWorkbook book;
    ExcelSheet* sheet = book.addSheet(sheetName);
    QList<StoredValue> values;
    for (int c = 0; c < model.columnCount(); ++c)
        for (int r = 0; r < model.rowCount(); ++r)
            if (const double v = model.value(c, r); v != 0)
                values.append({model.storedColumn(c), model.storedRow(r), v});
    const TableLayout& t = model.layout();
    BuildTableSheet(*sheet, t, title, values,
                    model.showTwoDecimals() ? QStringLiteral("0.00") : QStringLiteral("0"));
    // The sheet's rows and columns are the stored ones: the panes freeze before the first data cell.
    sheet->freezePanes(t.numbering().storedRowOfGrid(0), t.numbering().storedColumnOfGrid(0));
    return book;
}

QStringList gridSheetNames(const QString& formName, const QString& tableNumber)
{
    QStringList names{gridSheetName(formName, tableNumber), ExcelWorkbook::validSheetName(tableNumber, {})};
    names.removeDuplicates();
    return names;
}

bool readGridSheet(const ExcelWorkbook& book, const QStringList& sheetNames, const TableLayout& layout,
                   QList<StoredValue>* values, QString* error)
{
    const ExcelSheet* sheet = nullptr;
    for (const QString& name : sheetNames)
        if (!sheet)
            sheet = book.findSheet(name);
    if (!sheet) {
        *error = QStringLiteral("В книге нет листа «%1». Таблица не изменена.")
                     .arg(sheetNames.join(QStringLiteral("» или «")));
        return false;
    }
    QList<StoredValue> read;
    for (const auto& [place, cell] : sheet->cells()) {
        const auto [row, column] = place;
        if (!layout.holdsStored(column, row))
            continue;
        double v = 0;
        if (cell.value.type == ExcelValue::Type::Number) {
            v = cell.value.number;
        } else if (cell.value.type == ExcelValue::Type::Text) {
            const QString text = cell.value.text.trimmed();
            if (!text.isEmpty()) {
                QString dotted = text;
                dotted.replace(QLatin1Char(','), QLatin1Char('.'));
                const std::optional<double> n = parseNumber(dotted);
                if (!n) {
                    *error = QStringLiteral("Лист «%1», строка %2, столбец %3 (%4): «%5» — не число. "
                                            "Таблица не изменена.")
                                 .arg(sheet->name()).arg(row).arg(column)
                                 .arg(excelCellName(row, column), text.left(50));
                    return false;
                }
                v = *n;
            }
        }
        if (v != 0)
            read.append({column, row, v});
    }
    *values = read;
    return true;
}

void replaceTableValues(Database& data, const GridContext& context, int tableIdent,
                        const QList<StoredValue>& values)
{
    const QString table = dataTableIdent(context.dataTablePrefix);
    if (table.isEmpty())
        throw DbError(unknownDataTableMessage(context.dataTablePrefix));
    Transaction tx(data);
    const QList<int> tables{tableIdent};
    DataRows::deleteOwnerRows(data, table, context.institutionId, context.year, &tables);
    BatchInsert insert(data, table, false);
    for (const StoredValue& v : values)
        if (v.value != 0)
            insert.add(context.institutionId, v.value, context.year, tableIdent, v.column, v.row);
    insert.flush();
    tx.commit();
}
