#include "setup/FormDictionary.h"

#include "core/TableCells.h"
#include "core/TableShape.h"
#include "platform/Database.h"
#include "platform/Numbers.h"

namespace {

CatalogueForm formFromRecord(const Query& q)
{
    return CatalogueForm{q.toInt(QStringLiteral("id")), q.text(QStringLiteral("formname")),
                         q.text(QStringLiteral("decipher")), q.toBool(QStringLiteral("net"))};
}

QList<int> identsOf(const QList<TableShape>& tables)
{
    QList<int> idents;
    for (const TableShape& t : tables)
        idents.append(t.ident);
    return idents;
}

// The layout rows of the tables.
void deleteLayouts(Database& db, const QList<int>& tables)
{
    if (tables.isEmpty())
        return;
    const QString marks = QStringList(tables.size(), QStringLiteral("?")).join(QLatin1Char(','));
    const QVariantList params(tables.begin(), tables.end());
    for (const char* layout : {"columns", "rows", "titles"})
        db.exec(QStringLiteral(R"(delete from %1 where "table" in (%2))").arg(quoteIdent(QLatin1String(layout)), marks),
                params);
}

void deleteCells(Database& db, const AttachedFile& data, const QList<int>& tables)
{
    for (const char* cells : {"data", "repdata"})
        DataRows::deleteTables(db, data.table(QLatin1String(cells)), tables);
}

}  // namespace

QList<CatalogueForm> readCatalogue(Database& dictionary)
{
    QList<CatalogueForm> forms;
    Query q(dictionary, QStringLiteral(R"(select * from "forms" order by "ind")"));
    while (q.next())
        forms.append(formFromRecord(q));
    return forms;
}

std::optional<CatalogueForm> readCatalogueForm(Database& dictionary, int formId)
{
    Query q(dictionary, QStringLiteral(R"(select * from "forms" where "id"=?)"), {formId});
    if (!q.next())
        return std::nullopt;
    return formFromRecord(q);
}

QString checkFormName(Database& dictionary, int formId, const QString& name)
{
    if (name.trimmed().isEmpty())
        return QStringLiteral("Не указано имя формы");
    // Cell references find a form by its name without regard to case: two names that differ
    // only in case would make every reference to them ambiguous.
    const QVariant other = dictionary.scalar(
        QStringLiteral(R"(select "formname" from "forms" where "formname"=? collate UNOCASE and "id"<>?)"),
        {name, formId});
    if (!other.isNull())
        return QStringLiteral("Форма %1 уже есть в перечне").arg(other.toString());
    return {};
}

bool updateForm(Database& dictionary, const CatalogueForm& form, QString* error)
{
    const QString why = checkFormName(dictionary, form.id, form.formname);
    if (!why.isEmpty()) {
        if (error)
            *error = why;
        return false;
    }
    const int changed = dictionary.exec(
        QStringLiteral(R"(update "forms" set "formname"=?, "decipher"=?, "net"=? where "id"=?)"),
        {form.formname, form.decipher, form.net ? 1 : 0, form.id});
    if (changed == 0) {
        if (error)
            *error = QStringLiteral("Форма %1 не найдена в базе").arg(form.formname);
        return false;
    }
    return true;
}

void saveFormOrder(Database& dictionary, const QList<int>& idsInOrder)
{
    Transaction tx(dictionary);
    Query update(dictionary, QStringLiteral(R"(update "forms" set "ind"=? where "id"=?)"));
    for (qsizetype i = 0; i < idsInOrder.size(); ++i) {
        update.reset();
        update.bindAll({int(i), idsInOrder[i]});
        update.exec();
    }
    tx.commit();
}

void deleteForm(Database& dictionary, const QString& dataPath, int formId)
{
    // Attached before the transaction: SQLite attaches only outside one.
    AttachedFile data(dictionary, dataPath);
    Transaction tx(dictionary);
    const QList<int> tables = identsOf(readFormTableShapes(dictionary, formId, ShapeOrder::ByIdent));
    deleteCells(dictionary, data, tables);
    dictionary.exec(QStringLiteral(R"(delete from "med_type_forms" where "formsid"=?)"), {formId});
    dictionary.exec(QStringLiteral(R"(delete from "forms" where "id"=?)"), {formId});
    deleteLayouts(dictionary, tables);
    dictionary.exec(QStringLiteral(R"(delete from "tables" where "form"=?)"), {formId});
    tx.commit();
}

QList<FormTable> readFormTables(Database& dictionary, int formId, TableOrder order)
{
    QList<FormTable> tables;
    const ShapeOrder by = order == TableOrder::ByNumber ? ShapeOrder::ByNumber : ShapeOrder::ByIdent;
    for (const TableShape& shape : readFormTableShapes(dictionary, formId, by)) {
        FormTable t;
        t.ident = shape.ident;
        t.tablen = shape.tablen;
        t.name = shape.name;
        t.floattype = shape.floattype != 0;
        t.scan = shape.scan == 1 ? 1 : 0;
        tables.append(t);
    }
    return tables;
}

QString checkTableNumber(Database& dictionary, int formId, int ident, const QString& number)
{
    if (number.size() < 3 || !number.startsWith(QLatin1Char('(')) || !number.endsWith(QLatin1Char(')'))
        || number.mid(1, number.size() - 2).trimmed().isEmpty())
        return QStringLiteral("Номер таблицы записывается в скобках, например (1000)");
    // References and the structure import find a table by its form and number.
    for (const TableShape& other : readFormTableShapes(dictionary, formId, ShapeOrder::ByIdent))
        if (other.ident != ident && sameName(other.tablen, number))
            return QStringLiteral("Таблица %1 уже есть в этой форме").arg(number);
    return {};
}

TableSave saveTable(Database& dictionary, int formId, const FormTable& table)
{
    TableSave result;
    result.error = checkTableNumber(dictionary, formId, table.ident, table.tablen);
    if (!result.error.isEmpty())
        return result;
    const std::optional<TableShape> stored = readTableShape(dictionary, table.ident);
    if (!stored || stored->form != formId || stored->tablen.isNull()) {
        result.error = QStringLiteral("Таблица %1 не найдена в базе").arg(table.tablen);
        return result;
    }
    Transaction tx(dictionary);
    dictionary.exec(QStringLiteral(R"(update "tables" set "tablen"=?, "name"=?, "floattype"=?, "scan"=? where "ident"=?)"),
                    {table.tablen, table.name, table.floattype ? 1 : 0, table.scan, table.ident});
    // The controls within a table name it by its number: left behind they would stop running
    // without a word.
    if (stored->tablen != table.tablen)
        result.movedControls = dictionary.exec(
            QStringLiteral(R"(update "int_control" set "tble"=? where "formid"=? and "tble"=?)"),
            {table.tablen, formId, stored->tablen});
    tx.commit();
    result.saved = true;
    return result;
}

void deleteTable(Database& dictionary, const QString& dataPath, int ident)
{
    AttachedFile data(dictionary, dataPath);
    Transaction tx(dictionary);
    dictionary.exec(QStringLiteral(R"(delete from "conditions" where "tid"=?)"), {ident});
    deleteLayouts(dictionary, {ident});
    deleteCells(dictionary, data, {ident});
    dictionary.exec(QStringLiteral(R"(delete from "tables" where "ident"=?)"), {ident});
    tx.commit();
}
