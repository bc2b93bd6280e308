#include "reports/IndicatorForms.h"

#include "platform/Database.h"
#include "reports/Indicators.h"

#include <QList>
#include <tuple>

namespace {

constexpr QChar kStoredColon = QChar(3);

bool exists(Database& db, const QString& sql, const QVariantList& params)
{
    Query q(db, sql, params);
    return q.next();
}

// A row title into "row_titles", a column title into "col_titles": updated where the set has
// that title, inserted with its size otherwise.
void storeTitle(Database& db, bool rowTitle, int term, int index, const QString& stored, int size)
{
    const QString table = rowTitle ? QStringLiteral("row_titles") : QStringLiteral("col_titles");
    const QString key = rowTitle ? QStringLiteral("row") : QStringLiteral("column");
    if (exists(db, QStringLiteral(R"(select 1 from "%1" where "term"=? and "%2"=?)").arg(table, key), {term, index}))
        db.exec(QStringLiteral(R"(update "%1" set "title"=? where "term"=? and "%2"=?)").arg(table, key),
                {stored, term, index});
    else
        db.exec(QStringLiteral(R"(insert into "%1" values (?,?,?,?))").arg(table), {term, index, stored, size});
}

QString withoutBreaks(QString text)
{
    text.remove(u'\r');
    text.remove(u'\n');
    text.remove(u'\t');
    return text;
}

} // namespace

QString indicatorStoredText(const QString& shown)
{
    QString text = shown;
    text.replace(u':', kStoredColon);
    return text;
}

QString indicatorShownText(const QString& stored)
{
    QString text = stored;
    text.replace(kStoredColon, u':');
    return text;
}

QString cleanIndicatorText(const QString& typed, IndicatorTextKind kind)
{
    QString text;
    if (kind == IndicatorTextKind::Title) {
        // One line break whatever the editor gave, as the dictionary's titles have it.
        text = typed;
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        text.replace(u'\r', u'\n');
        text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    } else {
        text = withoutBreaks(typed);
    }
    if (text.isEmpty())
        return QStringLiteral(" ");
    if (kind == IndicatorTextKind::Formula && text != QStringLiteral(" ")) {
        // Blanks mean nothing to the computation; the suffix after ";" is shown as typed.
        const qsizetype semicolon = text.indexOf(u';');
        QString expression = semicolon < 0 ? text : text.left(semicolon);
        expression.remove(u' ');
        text = semicolon < 0 ? expression : expression + text.mid(semicolon);
        if (text.isEmpty())
            text = QStringLiteral(" ");
    }
    return text;
}

QList<IndicatorIdentifier> loadIndicatorIdentifiers(Database& db, int term)
{
    QList<IndicatorIdentifier> out;
    Query q(db, QStringLiteral(R"(select "row","formula" from "formulas" where "term"=? and "column"=-1 order by "row")"),
            {term});
    while (q.next())
        out.append({q.toInt(0), indicatorShownText(q.text(1))});
    return out;
}

QString storeIndicatorCell(Database& db, int term, int column, int row, const QString& typed, int width, int height)
{
    const bool formula = column >= 1 && row >= 1;
    const QString text = cleanIndicatorText(typed, formula ? IndicatorTextKind::Formula : IndicatorTextKind::Title);
    const QString stored = indicatorStoredText(text);
    Transaction t(db);
    if (column == 0 && row == 0) {
        // The corner stands in both title tables; each is mended on its own, so a set that has
        // only one of them gets the other.
        storeTitle(db, false, term, 0, stored, width);
        storeTitle(db, true, term, 0, stored, height);
    } else if (column == 0) {
        storeTitle(db, true, term, row, stored, height);
    } else if (row == 0) {
        storeTitle(db, false, term, column, stored, width);
    } else if (exists(db, QStringLiteral(R"(select 1 from "formulas" where "term"=? and "row"=? and "column"=?)"),
                      {term, row, column})) {
        db.exec(QStringLiteral(R"(update "formulas" set "formula"=? where "term"=? and "row"=? and "column"=?)"),
                {stored, term, row, column});
    } else {
        db.exec(QStringLiteral(R"(insert into "formulas" values (?,?,?,?))"), {term, row, column, stored});
    }
    t.commit();
    return text;
}

QString storeIndicatorIdentifier(Database& db, int term, int row, const QString& typed)
{
    const QString text = cleanIndicatorText(typed, IndicatorTextKind::Identifier);
    db.exec(QStringLiteral(R"(update "formulas" set "formula"=? where "term"=? and "column"=-1 and "row"=?)"),
            {indicatorStoredText(text), term, row});
    return text;
}

QString newIndicatorRowTitle() { return QStringLiteral("Новая строка"); }
QString newIndicatorColumnTitle() { return QStringLiteral("Новая графа"); }
QString newIndicatorIdentifierText() { return QStringLiteral("Неопределенный идентификатор"); }

void addIndicatorRow(Database& db, int term, int row, int height)
{
    db.exec(QStringLiteral(R"(insert into "row_titles" values (?,?,?,?))"), {term, row, newIndicatorRowTitle(), height});
}

void addIndicatorColumn(Database& db, int term, int column, int width)
{
    db.exec(QStringLiteral(R"(insert into "col_titles" values (?,?,?,?))"),
            {term, column, newIndicatorColumnTitle(), width});
}

namespace {

// Rows and columns are renumbered alike: the titles of that axis and the grid's formulas. The
// named identifiers (column -1) are no grid cells and never move.
struct Axis {
    QString titles;
    QString key;
};
Axis rowAxis() { return {QStringLiteral("row_titles"), QStringLiteral("row")}; }
Axis columnAxis() { return {QStringLiteral("col_titles"), QStringLiteral("column")}; }

void insertLine(Database& db, const Axis& axis, int term, int index)
{
    if (index < 1)
        return;
    Transaction t(db);
    db.exec(QStringLiteral(R"(update "%1" set "%2"="%2"+1 where "term"=? and "%2">=?)").arg(axis.titles, axis.key),
            {term, index});
    db.exec(QStringLiteral(R"(update "formulas" set "%1"="%1"+1 where "term"=? and "%1">=? and "column">-1)")
                .arg(axis.key),
            {term, index});
    t.commit();
}

void deleteLine(Database& db, const Axis& axis, int term, int index)
{
    if (index < 1)
        return;
    Transaction t(db);
    db.exec(QStringLiteral(R"(delete from "%1" where "term"=? and "%2"=?)").arg(axis.titles, axis.key), {term, index});
    db.exec(QStringLiteral(R"(delete from "formulas" where "term"=? and "%1"=? and "column">-1)").arg(axis.key),
            {term, index});
    db.exec(QStringLiteral(R"(update "%1" set "%2"="%2"-1 where "term"=? and "%2">?)").arg(axis.titles, axis.key),
            {term, index});
    db.exec(QStringLiteral(R"(update "formulas" set "%1"="%1"-1 where "term"=? and "%1">? and "column">-1)")
                .arg(axis.key),
            {term, index});
    t.commit();
}

} // namespace

void insertIndicatorRow(Database& db, int term, int row) { insertLine(db, rowAxis(), term, row); }
void insertIndicatorColumn(Database& db, int term, int column) { insertLine(db, columnAxis(), term, column); }
void deleteIndicatorRow(Database& db, int term, int row) { deleteLine(db, rowAxis(), term, row); }
void deleteIndicatorColumn(Database& db, int term, int column) { deleteLine(db, columnAxis(), term, column); }

int addIndicatorIdentifier(Database& db, int term)
{
    Transaction t(db);
    const QVariant last =
        db.scalar(QStringLiteral(R"(select max("row") from "formulas" where "term"=? and "column"=-1)"), {term});
    const int row = last.isNull() ? 0 : last.toInt() + 1;
    db.exec(QStringLiteral(R"(insert into "formulas" values (?,?,-1,?))"), {term, row, newIndicatorIdentifierText()});
    t.commit();
    return row;
}

void deleteIndicatorIdentifier(Database& db, int term, int row)
{
    db.exec(QStringLiteral(R"(delete from "formulas" where "term"=? and "column"=-1 and "row"=?)"), {term, row});
}

void saveIndicatorSizes(Database& db, int term, const QString& cornerShown, const QList<int>& widths,
                        const QList<int>& heights)
{
    const QString corner = indicatorStoredText(cornerShown.isEmpty() ? QStringLiteral(" ") : cornerShown);
    const int width0 = widths.value(0, kIndicatorColumnWidth);
    const int height0 = heights.value(0, kIndicatorRowHeight);
    Transaction t(db);
    if (exists(db, QStringLiteral(R"(select 1 from "col_titles" where "term"=? and "column"=0)"), {term}))
        db.exec(QStringLiteral(R"(update "col_titles" set "width"=? where "term"=? and "column"=0)"), {width0, term});
    else
        db.exec(QStringLiteral(R"(insert into "col_titles" values (?,0,?,?))"), {term, corner, width0});
    if (exists(db, QStringLiteral(R"(select 1 from "row_titles" where "term"=? and "row"=0)"), {term}))
        db.exec(QStringLiteral(R"(update "row_titles" set "height"=? where "term"=? and "row"=0)"), {height0, term});
    else
        db.exec(QStringLiteral(R"(insert into "row_titles" values (?,0,?,?))"), {term, corner, height0});
    for (int c = 1; c < widths.size(); ++c)
        db.exec(QStringLiteral(R"(update "col_titles" set "width"=? where "term"=? and "column"=?)"),
                {widths[c], term, c});
    for (int r = 1; r < heights.size(); ++r)
        db.exec(QStringLiteral(R"(update "row_titles" set "height"=? where "term"=? and "row"=?)"),
                {heights[r], term, r});
    t.commit();
}

void setStandardIndicatorSizes(Database& db, int term)
{
    Transaction t(db);
    db.exec(QStringLiteral(R"(update "col_titles" set "width"=? where "term"=?)"), {kIndicatorColumnWidth, term});
    db.exec(QStringLiteral(R"(update "row_titles" set "height"=? where "term"=?)"), {kIndicatorRowHeight, term});
    t.commit();
}

int replaceInIndicatorFormulas(Database& db, int term, const QString& find, const QString& replacement, int row,
                               int column, QList<IndicatorCellChange>* changes, const IndicatorChangesCheck& accept)
{
    if (find.isEmpty())
        return -1;
    struct Change {
        qint64 id;
        IndicatorCellChange cell;
    };
    QList<Change> changed;
    {
        Query q(db, QStringLiteral(R"(select rowid,"row","column","formula" from "formulas" where "term"=? and "row">=1 )"
                                   R"(and "column">=1 and (?=-1 or "row"=?) and (?=-1 or "column"=?) )"
                                   R"(order by "row","column")"),
                {term, row, row, column, column});
        while (q.next()) {
            const QString before = indicatorShownText(q.text(3));
            QString formula = before;
            // QString::replace goes on after each replacement, so "А" by "АА" ends.
            formula.replace(find, replacement, Qt::CaseInsensitive);
            if (formula == before)
                continue;
            formula = cleanIndicatorText(formula, IndicatorTextKind::Formula);
            if (formula == before)
                continue;
            changed.append({q.value(0).toLongLong(), {q.toInt(1), q.toInt(2), formula}});
        }
    }
    if (changes)
        changes->clear();
    if (accept && !changed.isEmpty()) {
        QList<IndicatorCellChange> proposed;
        for (const Change& c : changed)
            proposed.append(c.cell);
        if (!accept(proposed))
            return 0;
    }
    Transaction t(db);
    for (const Change& c : changed)
        db.exec(QStringLiteral(R"(update "formulas" set "formula"=? where rowid=?)"),
                {indicatorStoredText(c.cell.text), c.id});
    t.commit();
    if (changes) {
        for (const Change& c : changed)
            changes->append(c.cell);
    }
    return int(changed.size());
}

QString brokenFormulasQuestion(const QList<IndicatorCellChange>& proposed)
{
    QStringList broken;
    for (const IndicatorCellChange& c : proposed) {
        const QString error = indicatorFormulaError(c.text);
        if (!error.isEmpty())
            broken << QStringLiteral("строка %1, графа %2: %3").arg(c.row).arg(c.column).arg(error);
    }
    if (broken.isEmpty())
        return QString();
    constexpr int shownAtMost = 10;
    const qsizetype more = broken.size() - shownAtMost;
    if (more > 0) {
        broken = broken.mid(0, shownAtMost);
        broken << QStringLiteral("и еще %1").arg(more);
    }
    return QStringLiteral("После замены не будут читаться формулы:\n") + broken.join(u'\n')
           + QStringLiteral("\nЗаменить?");
}
