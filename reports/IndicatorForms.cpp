#include "reports/IndicatorForms.h"

#include "platform/Database.h"

#include <QList>
#include <tuple>

void deleteIndicatorRow(Database& db, int term, int row)
{
    if (row < 1)
        return;
    Transaction t(db);
    db.exec(QStringLiteral(R"(delete from "row_titles" where "term"=? and "row"=?)"), {term, row});
    db.exec(QStringLiteral(R"(delete from "formulas" where "term"=? and "row"=? and "column">-1)"), {term, row});
    db.exec(QStringLiteral(R"(update "row_titles" set "row"="row"-1 where "term"=? and "row">?)"), {term, row});
    db.exec(QStringLiteral(R"(update "formulas" set "row"="row"-1 where "term"=? and "row">? and "column">-1)"),
            {term, row});
    t.commit();
}

void deleteIndicatorColumn(Database& db, int term, int column)
{
    if (column < 1)
        return;
    Transaction t(db);
    db.exec(QStringLiteral(R"(delete from "col_titles" where "term"=? and "column"=?)"), {term, column});
    db.exec(QStringLiteral(R"(delete from "formulas" where "term"=? and "column"=?)"), {term, column});
    db.exec(QStringLiteral(R"(update "col_titles" set "column"="column"-1 where "term"=? and "column">?)"),
            {term, column});
    db.exec(QStringLiteral(R"(update "formulas" set "column"="column"-1 where "term"=? and "column">?)"),
            {term, column});
    t.commit();
}

int replaceInIndicatorFormulas(Database& db, int term, const QString& find, const QString& replacement, int row,
                               int column)
{
    if (find.isEmpty())
        return -1;
    QList<std::tuple<qint64, QString>> changed;
    {
        Query q(db, QStringLiteral(R"(select rowid,"formula" from "formulas" where "term"=? and "row">=1 and "column">=1 )"
                                   R"(and (?=-1 or "row"=?) and (?=-1 or "column"=?) order by "row","column")"),
                {term, row, row, column, column});
        while (q.next()) {
            QString formula = q.text(1);
            const QString before = formula;
            formula.replace(find, replacement, Qt::CaseInsensitive);
            if (formula != before)
                changed.append({q.value(0).toLongLong(), formula});
        }
    }
    Transaction t(db);
    for (const auto& [id, formula] : changed)
        db.exec(QStringLiteral(R"(update "formulas" set "formula"=? where rowid=?)"), {formula, id});
    t.commit();
    return int(changed.size());
}
