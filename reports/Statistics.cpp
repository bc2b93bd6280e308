#include "reports/Statistics.h"

#include "core/Common.h"
#include "core/Controls.h"
#include "core/Lookups.h"
#include "platform/Database.h"
#include "platform/office/ExcelWorkbook.h"
#include "platform/office/WordDocument.h"

#include <QHash>
#include <QSet>

namespace {

// A title or value on one line, as a table cell of a document or a list shows it.
QString oneLine(const QString& text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    t.replace(u'\r', u' ');
    t.replace(u'\n', u' ');
    return t;
}

QList<int> membersOfCurrentUnit(Database& db, QString* error)
{
    QList<int> ids;
    QString list = InstitutionIdList;
    if (WorkMode == QLatin1String("Terrain")) {
        Query q(db, QStringLiteral(R"(select "include" from "statistics" where "base"=?)"), {CurrentInstitutionId});
        list = q.next() ? q.text(0) : QString();
    }
    if (!parseIdList(list, ids)) {
        *error = QStringLiteral("Список подразделений не читается: %1").arg(list);
        return {};
    }
    return ids;
}

QString memberName(Database& db, int id)
{
    const bool terrain = WorkMode == QLatin1String("Terrain");
    const QVariant name = terrain
        ? db.scalar(QStringLiteral(R"(select "report" from "reports" where "id"=?)"), {id})
        : db.scalar(QStringLiteral(R"(select "unit" from "administration" where "id"=?)"), {id});
    return name.isNull() ? QString::number(id) : name.toString();
}

} // namespace

void IndicatorGrid::resize(int columns, int rows)
{
    columnCount = columns;
    rowCount = rows;
    cells = QList<QStringList>(rows, QStringList(columns));
    widths = QList<int>(columns, 0);
    heights = QList<int>(rows, 0);
}

QString IndicatorGrid::cell(int column, int row) const
{
    if (row < 0 || row >= cells.size() || column < 0 || column >= cells[row].size())
        return QString();
    return cells[row][column];
}

void IndicatorGrid::setCell(int column, int row, const QString& text)
{
    if (row >= 0 && row < cells.size() && column >= 0 && column < cells[row].size())
        cells[row][column] = text;
}

bool loadIndicatorGrid(Database& db, int term, IndicatorGrid* grid, QString* error)
{
    const QVariant maxRow = db.scalar(QStringLiteral(R"(select max("row") from "row_titles" where "term"=?)"), {term});
    const QVariant maxColumn = db.scalar(QStringLiteral(R"(select max("column") from "col_titles" where "term"=?)"), {term});
    const qint64 rows = maxRow.isNull() ? 0 : maxRow.toLongLong();
    const qint64 columns = maxColumn.isNull() ? 0 : maxColumn.toLongLong();
    if (rows >= IndicatorGrid::maxSize || columns >= IndicatorGrid::maxSize) {
        *error = QStringLiteral("В наборе показателей больше %1 строк или граф").arg(IndicatorGrid::maxSize);
        return false;
    }
    IndicatorGrid g;
    g.resize(int(columns) + 1, int(rows) + 1);
    {
        Query q(db, QStringLiteral(R"(select "row","title","height" from "row_titles" where "term"=? order by rowid)"), {term});
        while (q.next()) {
            const int r = q.toInt(0);
            if (r < 0 || r >= g.rowCount)
                continue;
            g.setCell(0, r, q.text(1));
            g.heights[r] = q.toInt(2);
        }
    }
    {
        Query q(db, QStringLiteral(R"(select "column","title","width" from "col_titles" where "term"=? order by rowid)"), {term});
        while (q.next()) {
            const int c = q.toInt(0);
            if (c < 0 || c >= g.columnCount)
                continue;
            g.setCell(c, 0, q.text(1));
            g.widths[c] = q.toInt(2);
        }
    }
    {
        Query q(db, QStringLiteral(R"(select "row","column","formula" from "formulas" where "term"=? and "column">-1)"), {term});
        while (q.next()) {
            const int r = q.toInt(0), c = q.toInt(1);
            // Titles live in column 0 and row 0; a formula there would overwrite one.
            if (r >= 1 && c >= 1)
                g.setCell(c, r, q.text(2));
        }
    }
    {
        Query q(db, QStringLiteral(R"(select "formula" from "formulas" where "term"=? and "column"=-1 order by "row")"), {term});
        while (q.next())
            g.namedValues << q.text(0);
    }
    *grid = std::move(g);
    return true;
}

DictionaryPopulation::DictionaryPopulation(Database& dictionary, int unit, bool breakdown)
    : m_db(dictionary)
    , m_unit(unit)
    , m_breakdown(breakdown)
{
}

Decimal DictionaryPopulation::population(int group)
{
    if (!m_loaded)
        load();
    return group >= 0 && group <= 3 ? m_groups[group] : Decimal();
}

void DictionaryPopulation::load()
{
    m_loaded = true;
    const bool terrain = WorkMode == QLatin1String("Terrain");
    const bool types = WorkMode == QLatin1String("Types");
    auto addRow = [&](const QString& table, int unit) {
        Query q(m_db, QStringLiteral(R"(select "common","olds","teens","childs" from "%1" where "year"=? and "unit"=?)")
                          .arg(table),
                {ReportYear, unit});
        if (!q.next())
            return;
        for (int i = 0; i < 4; ++i) {
            const std::optional<Decimal> v = Decimal::fromDouble(q.toDouble(i));
            const std::optional<Decimal> sum = v ? Decimal::add(m_groups[i], *v) : std::nullopt;
            if (sum)
                m_groups[i] = *sum;
        }
    };
    if (m_breakdown && !terrain) {
        addRow(QStringLiteral("populations1"), m_unit);
        return;
    }
    if (!types) {
        addRow(QStringLiteral("populations"), m_unit);
        return;
    }
    QList<int> ids;
    if (!parseIdList(InstitutionIdList, ids))
        return;
    const QSet<int> listed(ids.begin(), ids.end());
    QHash<int, int> parent;
    {
        Query q(m_db, QStringLiteral(R"(select "id","dependence" from "administration")"));
        while (q.next())
            parent.insert(q.toInt(0), q.toInt(1));
    }
    QSet<int> counted;
    for (int id : ids) {
        if (counted.contains(id))
            continue;
        bool covered = false;
        int up = parent.value(id);
        // The walk is bounded by the number of institutions: a loop in a damaged structure ends.
        for (qsizetype steps = 0; up != 0 && steps <= parent.size() && !covered; ++steps) {
            covered = listed.contains(up);
            up = parent.value(up);
        }
        if (covered)
            continue;
        counted.insert(id);
        addRow(QStringLiteral("populations1"), id);
    }
}

QList<QStringList> computeIndicatorGrid(Database& dictionary, const IndicatorGrid& grid, QList<QStringList>* reasons)
{
    RunTables tables(CurrentInstitutionId);
    DictionaryPopulation population(dictionary, CurrentInstitutionId, false);
    IndicatorCalculator calc(tables, population);
    calc.setNamedValues(grid.namedValues);
    QList<QStringList> shown = grid.cells;
    if (reasons)
        *reasons = QList<QStringList>(grid.cells.size(), QStringList(grid.columnCount));
    for (int r = 0; r < grid.rowCount; ++r) {
        for (int c = 0; c < grid.columnCount; ++c) {
            const QString text = grid.cell(c, r);
            if (r == 0 || c == 0) {
                shown[r][c] = indicatorTitleText(text);
                continue;
            }
            QString why;
            shown[r][c] = calc.display(text, false, &why);
            if (reasons)
                (*reasons)[r][c] = why;
        }
    }
    return shown;
}

bool breakDownIndicators(Database& db, const IndicatorGrid& grid, const QList<QStringList>& shown, int row,
                         const QList<int>& columns, bool oneCell, const QString& setName, ResultList* list, QString* error,
                         const std::function<void(const QString&)>& working)
{
    QString why;
    const QList<int> members = membersOfCurrentUnit(db, &why);
    if (!why.isEmpty()) {
        *error = why;
        return false;
    }
    struct Restore {
        int institution = CurrentInstitutionId;
        QString prefix = DataTablePrefix;
        QString ids = InstitutionIdList;
        ~Restore()
        {
            CurrentInstitutionId = institution;
            DataTablePrefix = prefix;
            InstitutionIdList = ids;
        }
    } restore;
    const bool terrain = WorkMode == QLatin1String("Terrain");
    const bool types = WorkMode == QLatin1String("Types");
    DataTablePrefix = terrain ? QStringLiteral("RepData") : QStringLiteral("Data");
    QStringList lines;
    for (int id : members) {
        CurrentInstitutionId = id;
        // The main grid's loader sums the list in "Types": a list of this member alone.
        if (types)
            InstitutionIdList = QString::number(id);
        RunTables tables(id);
        DictionaryPopulation population(db, id, true);
        IndicatorCalculator calc(tables, population);
        calc.setNamedValues(grid.namedValues);
        const QString name = oneLine(memberName(db, id));
        if (working)
            working(name);
        QString line = name;
        for (int c : columns)
            line += u'\t' + oneLine(calc.display(grid.cell(c, row), true));
        lines << line;
    }
    QString total = QStringLiteral("Всего");
    QString header = QStringLiteral("Подразделение");
    for (int c : columns) {
        total += u'\t' + oneLine(row < shown.size() && c < shown[row].size() ? shown[row][c] : QString());
        header += u'\t' + oneLine(indicatorTitleText(grid.cell(c, 0)));
    }
    lines << total;
    list->clearList();
    FillResultList(*list, lines, header);
    list->title = setName + QStringLiteral(" - ") + oneLine(indicatorTitleText(grid.cell(0, row)));
    if (oneCell && !columns.isEmpty())
        list->title += QStringLiteral(" - ") + oneLine(indicatorTitleText(grid.cell(columns.first(), 0)));
    return true;
}

void indicatorsToWord(const QString& caption, const QString& setName, const QList<QStringList>& shown,
                      WordDocument& document)
{
    document.appendParagraph(caption);
    document.appendParagraph(setName);
    QList<QStringList> rows;
    for (const QStringList& r : shown) {
        QStringList cells;
        for (const QString& c : r)
            cells << oneLine(c);
        rows << cells;
    }
    if (!rows.isEmpty())
        document.appendTable(rows);
}

void indicatorsToExcel(const QString& caption, const QString& setName, const QList<QStringList>& shown,
                       ExcelWorkbook& book)
{
    ExcelSheet* sheet = book.sheetCount() > 0 ? book.sheet(0) : book.addSheet(QStringLiteral("Лист1"));
    sheet->setText(1, 1, caption);
    sheet->setText(2, 1, setName);
    for (int r = 0; r < shown.size(); ++r) {
        for (int c = 0; c < shown[r].size(); ++c) {
            const QString& text = shown[r][c];
            if (text.isEmpty())
                continue;
            const std::optional<Decimal> number = (r > 0 && c > 0) ? Decimal::parse(text) : std::nullopt;
            if (number)
                sheet->setNumber(r + 4, c + 2, number->toDouble());
            else
                sheet->setText(r + 4, c + 2, text);
        }
    }
}
