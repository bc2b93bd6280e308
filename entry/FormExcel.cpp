#include "entry/FormExcel.h"

#include "core/Common.h"
#include "core/TableCells.h"
#include "entry/GridLayout.h"
#include "entry/TableSheet.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/office/XlsxWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

bool readExportItems(Database& dictionary, const QString& idList, bool reports,
                     QList<ExcelExportItem>* items, QString* error)
{
    QList<int> ids;
    if (!parseIdList(idList, ids)) {
        *error = QStringLiteral("Неверный список входящих ЛПУ/сводов: \"%1\"").arg(idList.left(200));
        return false;
    }
    const QString sql = reports ? QStringLiteral(R"(select "report" from "reports" where "id"=?)")
                                : QStringLiteral(R"(select "unit" from "administration" where "id"=?)");
    Query q(dictionary, sql);
    QList<ExcelExportItem> found;
    for (const int id : std::as_const(ids)) {
        q.reset();
        q.bind(1, id);
        const QString name = q.next() ? q.text(0) : QString();
        if (!name.isEmpty())
            found.append({id, name});
    }
    *items = found;
    return true;
}

namespace {

// The rows of every table of one export are read through one DataRows: its statements are
// prepared once, not once per sheet.
bool addSheet(ExcelWorkbook& book, const ExcelExportSource& source, DataRows& rows, const FormsTreeForm& form,
              const FormsTreeTable& table, int ownerId, const QString& ownerTitle, const QString& sheetName,
              QString* error)
{
    QString why;
    const std::optional<TableLayout> layout =
        readTableLayout(*source.dictionary, form.id, table.number, &why);
    if (!layout) {
        *error = why.isEmpty() ? QStringLiteral("Таблица %1 формы %2 не найдена в словаре.")
                                     .arg(table.number, form.name)
                               : why;
        return false;
    }
    CellsRequest request;
    request.institutionId = ownerId;
    request.dataTablePrefix = source.dataTable;
    request.year = source.year;
    CellArray cells;
    if (!readTableCells(rows, request, form.name, table.number, &cells, error))
        return false;
    QList<StoredValue> values;
    // In the sheet's order, row by row: each value goes after the cells already there.
    for (int r = cells.lowRow(); r <= cells.highRow(); ++r)
        for (int c = cells.lowColumn(); c <= cells.highColumn(); ++c)
            if (const double v = cells.value(c, r); v != 0)
                values.append({c, r, v});
    ExcelSheet* sheet = book.addSheet(sheetName);
    BuildTableSheet(*sheet, *layout, table.text + QStringLiteral(" - ") + ownerTitle, values);
    return true;
}

}

bool addTableSheet(ExcelWorkbook& book, const ExcelExportSource& source, const FormsTreeForm& form,
                   const FormsTreeTable& table, int ownerId, const QString& ownerTitle,
                   const QString& sheetName, QString* error)
{
    DataRows rows(source.data);
    return addSheet(book, source, rows, form, table, ownerId, ownerTitle, sheetName, error);
}

bool addFormSheets(ExcelWorkbook& book, const ExcelExportSource& source, const FormsTreeForm& form,
                   int ownerId, const QString& ownerTitle, const ExcelSheetProgress& progress,
                   QString* error)
{
    DataRows rows(source.data);
    for (const FormsTreeTable& table : form.tables) {
        if (progress)
            progress(ownerTitle + QStringLiteral(" - ") + table.number);
        if (!addSheet(book, source, rows, form, table, ownerId, ownerTitle, table.number, error))
            return false;
    }
    return true;
}

QStringList formWorkbookFileNames(const QString& formName, const QList<ExcelExportItem>& items)
{
    // Names are cut so that an id added after one still fits the file system's limit.
    QStringList bases;
    QHash<QString, int> uses;
    for (const ExcelExportItem& item : items) {
        QString base = Files::safeFileName(formName + QStringLiteral(" - ") + item.name).left(100);
        if (base.isEmpty())
            base = QStringLiteral("Форма");
        bases.append(base);
        ++uses[base.toLower()];
    }
    QStringList names;
    for (int i = 0; i < items.size(); ++i) {
        QString base = bases[i];
        if (uses.value(base.toLower()) > 1)
            base += QLatin1Char(' ') + QString::number(items[i].id);
        names.append(base + QStringLiteral(".xlsx"));
    }
    return names;
}

QStringList existingFormWorkbooks(const QString& folder, const QString& formName,
                                  const QList<ExcelExportItem>& items)
{
    QStringList present;
    for (const QString& name : formWorkbookFileNames(formName, items))
        if (QFileInfo::exists(QDir(folder).filePath(name)))
            present.append(name);
    return present;
}

bool writeFormWorkbooks(const ExcelExportSource& source, const FormsTreeForm& form,
                        const QList<ExcelExportItem>& items, const QString& folder,
                        const ExcelSheetProgress& progress, QString* error)
{
    const QStringList names = formWorkbookFileNames(form.name, items);
    for (int i = 0; i < items.size(); ++i) {
        ExcelWorkbook book;
        XlsxWriter writer;
        bool built = addFormSheets(book, source, form, items[i].id, items[i].name + QStringLiteral(" - ") + form.name,
                                   progress, error);
        if (built && !writer.write(QDir(folder).filePath(names[i]), book)) {
            *error = writer.errorString();
            built = false;
        }
        if (!built) {
            *error += QStringLiteral("\nЗаписано книг: %1 из %2.").arg(i).arg(items.size());
            return false;
        }
    }
    return true;
}

bool addItemTableSheets(ExcelWorkbook& book, const ExcelExportSource& source, const FormsTreeForm& form,
                        const FormsTreeTable& table, const QList<ExcelExportItem>& items,
                        const QStringList& sheetNames, const ExcelSheetProgress& progress, QString* error)
{
    for (int i = 0; i < items.size(); ++i) {
        progress(items[i].name);
        if (!addTableSheet(book, source, form, table, items[i].id, items[i].name + QStringLiteral(" - ") + form.name,
                           sheetNames.value(i), error))
            return false;
    }
    return true;
}
