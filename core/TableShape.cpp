#include "core/TableShape.h"

#include "platform/Database.h"

#include <QVariantList>

int& TableShape::operator[](int column)
{
    switch (column) {
    case 1: return ident;
    case 2: return colcount;
    case 3: return rowcount;
    case 4: return fixcols;
    case 5: return fixrows;
    case 6: return floattype;
    case 7: return scan;
    case 8: return counter;
    }
    Q_ASSERT_X(false, "TableShape", "column outside 1..8");
    return counter;
}

int TableShape::operator[](int column) const
{
    return const_cast<TableShape&>(*this)[column];
}

bool TableShape::shapes(const CellArray& cells) const
{
    return !cells.isEmpty() && cells.lowColumn() == fixcols + 1 && cells.highColumn() == highColumn()
        && cells.lowRow() == fixrows + 1 && cells.highRow() == highRow();
}

CellArray TableShape::emptyCells(const CellOwner& owner) const
{
    CellArray cells(fixcols + 1, highColumn(), fixrows + 1, highRow());
    cells.setOwner(owner);
    return cells;
}

namespace {

// The one statement that reads "tables"; `where` picks the rows, bound to `params`.
QList<TableShape> readShapes(Database& dictionary, const QString& where, const QVariantList& params,
                             ShapeOrder order)
{
    const QString sql = QStringLiteral(R"(select t."ident", t."form", t."tablen", t."name", t."colcount",
        t."rowcount", t."fixcols", t."fixrows", t."floattype", t."scan", f."formname"
        from "tables" t left join "forms" f on f."id"=t."form" %1 order by %2)")
                            .arg(where, order == ShapeOrder::ByNumber
                                            ? QStringLiteral(R"(t."form", t."tablen", t."ident")")
                                            : QStringLiteral(R"(t."ident")"));
    QList<TableShape> shapes;
    Query q(dictionary, sql, params);
    while (q.next()) {
        TableShape t;
        t.ident = q.toInt(0);
        t.form = q.toInt(1);
        t.tablen = q.text(2);
        t.name = q.text(3);
        t.colcount = q.toInt(4);
        t.rowcount = q.toInt(5);
        t.fixcols = q.toInt(6);
        t.fixrows = q.toInt(7);
        t.floattype = q.toInt64(8) != 0 ? 1 : 0;
        t.scan = q.toInt(9);
        t.formName = q.text(10);
        shapes.append(t);
    }
    return shapes;
}

} // namespace

QList<TableShape> readTableShapes(Database& dictionary, ShapeOrder order)
{
    return readShapes(dictionary, QString(), {}, order);
}

QList<TableShape> readFormTableShapes(Database& dictionary, int formId, ShapeOrder order)
{
    return readShapes(dictionary, QStringLiteral(R"(where t."form"=?)"), {formId}, order);
}

std::optional<TableShape> readTableShape(Database& dictionary, int ident)
{
    const QList<TableShape> shapes =
        readShapes(dictionary, QStringLiteral(R"(where t."ident"=?)"), {ident}, ShapeOrder::ByIdent);
    if (shapes.isEmpty())
        return std::nullopt;
    return shapes.first();
}

std::optional<TableShape> readTableShape(Database& dictionary, int formId, const QString& tablen)
{
    // The number as stored, matched exactly: "(1)" never finds "(01)" nor "(1) ".
    const QList<TableShape> shapes = readShapes(
        dictionary, QStringLiteral(R"(where t."form"=? and t."tablen"=?)"), {formId, tablen}, ShapeOrder::ByIdent);
    if (shapes.isEmpty())
        return std::nullopt;
    return shapes.first();
}
