#include "entry/GridLayout.h"

#include "core/CellNumbering.h"
#include "platform/Database.h"
#include "platform/Numbers.h"

#include <set>
#include <algorithm>
#include <cmath>
#include <tuple>

TChars TChars::parse(const QString& code)
{
    TChars t;
    const QString c = code.toUpper();
    if (c.size() >= 1) {
        if (c[0] == QLatin1Char('C'))
            t.vertical = Vertical::Center;
        else if (c[0] == QLatin1Char('B'))
            t.vertical = Vertical::Bottom;
    }
    if (c.size() >= 2) {
        if (c[1] == QLatin1Char('C'))
            t.horizontal = Horizontal::Center;
        else if (c[1] == QLatin1Char('R'))
            t.horizontal = Horizontal::Right;
    }
    // Only "1" turns the text: a title stored without a direction reads across.
    t.turned = c.size() >= 3 && c[2] == QLatin1Char('1');
    if (c.size() >= 4)
        t.indent = std::max(0, parseInt(c.mid(3)).value_or(0));
    return t;
}

QString TChars::code() const
{
    QString s;
    s += vertical == Vertical::Center ? u'C' : vertical == Vertical::Bottom ? u'B' : u'T';
    s += horizontal == Horizontal::Center ? u'C' : horizontal == Horizontal::Right ? u'R' : u'L';
    s += turned ? u'1' : u'0';
    s += QString::number(indent);
    return s;
}

QString headerTextFromStored(const QString& stored)
{
    QString text = stored;
    text.replace(QChar(3), QLatin1Char(':'));
    // Texts typed on Windows carry CR LF; only the line feed breaks a line.
    text.remove(QLatin1Char('\r'));
    return text;
}

QString headerTextToStored(const QString& text)
{
    QString stored = text;
    // Any line end the text came with (LF, CR LF, a lone CR) is stored as CR LF.
    stored.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    stored.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    stored.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    stored.replace(QLatin1Char(':'), QChar(3));
    return stored;
}

namespace {

HeaderCell titleFromRecord(const Query& q)
{
    HeaderCell h;
    h.column = q.toInt(QStringLiteral("column"));
    h.row = q.toInt(QStringLiteral("row"));
    h.startColumn = q.toInt(QStringLiteral("union_sc"));
    h.startRow = q.toInt(QStringLiteral("union_sr"));
    h.endColumn = q.toInt(QStringLiteral("union_ec"));
    h.endRow = q.toInt(QStringLiteral("union_er"));
    // A title stored without its span covers its own cell.
    if (h.startColumn <= 0)
        h.startColumn = h.column;
    if (h.startRow <= 0)
        h.startRow = h.row;
    if (h.endColumn < h.startColumn)
        h.endColumn = h.startColumn;
    if (h.endRow < h.startRow)
        h.endRow = h.startRow;
    h.fontName = q.text(QStringLiteral("fontname"));
    h.fontSize = q.toDouble(QStringLiteral("fontsize"));
    h.bold = q.toBool(QStringLiteral("fontbold"));
    h.italic = q.toBool(QStringLiteral("fontitalic"));
    h.charsCode = q.text(QStringLiteral("tchars"));
    h.chars = TChars::parse(h.charsCode);
    h.text = headerTextFromStored(q.text(QStringLiteral("txt")));
    return h;
}

int pixels(double points, double dpi)
{
    if (!(points > 0))
        return 0;
    return int(std::lround(std::trunc(std::min(points, MaxCellSizePoints)) * dpi / 72.0));
}

int saturated(qint64 extent)
{
    return int(std::clamp<qint64>(extent, 0, GridGeometry::MaxExtent));
}

} // namespace

std::optional<TableLayout> readTableLayout(Database& dictionary, int formId,
                                           const QString& tableNumber, QString* error)
{
    TableLayout t;
    {
        Query q(dictionary,
                R"(select "ident","colcount","rowcount","fixcols","fixrows","floattype","scan"
                   from "tables" where "form"=? and "tablen"=? order by "ident")",
                {formId, tableNumber});
        if (!q.next())
            return std::nullopt;
        t.ident = q.toInt(0);
        t.colcount = std::max(0, q.toInt(1));
        t.rowcount = std::max(0, q.toInt(2));
        t.fixcols = std::clamp(q.toInt(3), 0, t.colcount);
        t.fixrows = std::clamp(q.toInt(4), 0, t.rowcount);
        t.floatType = q.value(5).toLongLong() != 0;
        t.scan = q.toInt(6);
    }
    if ((qint64(t.colcount) + 1) * (qint64(t.rowcount) + 1) > MaxGridCells) {
        if (error)
            *error = QStringLiteral("Размеры таблицы %1 заданы неверно: граф %2, строк %3. Таблицу "
                                    "нельзя открыть.")
                         .arg(tableNumber)
                         .arg(t.colcount)
                         .arg(t.rowcount);
        return std::nullopt;
    }
    t.columnWidths = QList<double>(t.colcount + 1, 0.0);
    t.rowHeights = QList<double>(t.rowcount + 1, 0.0);
    {
        Query q(dictionary, R"(select "column","width" from "columns" where "table"=? order by "column")",
                {t.ident});
        while (q.next()) {
            const int c = q.toInt(0);
            if (c >= 1 && c <= t.colcount)
                t.columnWidths[c] = q.toDouble(1);
        }
    }
    {
        Query q(dictionary, R"(select "row","height" from "rows" where "table"=? order by "row")",
                {t.ident});
        while (q.next()) {
            const int r = q.toInt(0);
            if (r >= 1 && r <= t.rowcount)
                t.rowHeights[r] = q.toDouble(1);
        }
    }
    // Corner, row headers, column headers: the order decides which of several titles of one
    // merged span is shown.
    const char* const parts[] = {
        R"("column"<=? and "row"<=?)",
        R"("column"<=? and "row">?)",
        R"("column">? and "row"<=?)",
    };
    for (const char* part : parts) {
        Query q(dictionary,
                QStringLiteral(R"(select "column","row","union_sc","union_sr","union_ec","union_er",
                       "fontname","fontsize","fontbold","fontitalic","tchars","txt"
                       from "titles" where "table"=? and %1 order by "column","row")")
                    .arg(QLatin1String(part)),
                {t.ident, t.fixcols, t.fixrows});
        while (q.next())
            t.titles.append(titleFromRecord(q));
    }
    return t;
}

GridGeometry::GridGeometry(const TableLayout& layout, double dpi)
    : m_fixcols(layout.fixcols), m_fixrows(layout.fixrows)
{
    auto build = [dpi](const QList<double>& sizes, QList<int>& px, QList<int>& offset) {
        const qsizetype n = std::max<qsizetype>(sizes.size(), 1);
        px = QList<int>(n, 0);
        offset = QList<int>(n, 1);
        for (qsizetype k = 1; k < n; ++k) {
            px[k] = pixels(sizes[k], dpi);
            offset[k] = saturated(qint64(offset[k - 1]) + px[k] + 1);
        }
    };
    build(layout.columnWidths, m_colPx, m_colOffset);
    build(layout.rowHeights, m_rowPx, m_rowOffset);
}

int GridGeometry::columnWidth(int c) const
{
    return c >= 1 && c < m_colPx.size() ? m_colPx[c] : 0;
}

int GridGeometry::rowHeight(int r) const
{
    return r >= 1 && r < m_rowPx.size() ? m_rowPx[r] : 0;
}

int GridGeometry::columnOffset(int n) const
{
    if (m_colOffset.isEmpty())
        return 1;
    return m_colOffset[std::clamp<qsizetype>(n, 0, m_colOffset.size() - 1)];
}

int GridGeometry::rowOffset(int n) const
{
    if (m_rowOffset.isEmpty())
        return 1;
    return m_rowOffset[std::clamp<qsizetype>(n, 0, m_rowOffset.size() - 1)];
}

int GridGeometry::spanWidth(int startColumn, int endColumn) const
{
    qint64 w = 0;
    for (int k = startColumn; k <= endColumn; ++k)
        w += columnWidth(k);
    return saturated(w + std::max(0, endColumn - startColumn));
}

int GridGeometry::spanHeight(int startRow, int endRow) const
{
    qint64 h = 0;
    for (int k = startRow; k <= endRow; ++k)
        h += rowHeight(k);
    return saturated(h + std::max(0, endRow - startRow));
}

int GridGeometry::dataWidth() const
{
    return columnOffset(int(m_colOffset.size()) - 1) - columnOffset(m_fixcols);
}

int GridGeometry::dataHeight() const
{
    return rowOffset(int(m_rowOffset.size()) - 1) - rowOffset(m_fixrows);
}

QRect GridGeometry::dataCellRect(int c, int r) const
{
    const CellNumbering numbering(m_fixcols, m_fixrows);
    const int col = numbering.layoutColumnOfGrid(c);
    const int row = numbering.layoutRowOfGrid(r);
    return QRect(columnOffset(col - 1) - columnOffset(m_fixcols),
                 rowOffset(row - 1) - rowOffset(m_fixrows), columnWidth(col), rowHeight(row));
}

namespace {
// The index i (first..last) whose cell [offset[i-1], offset[i]) holds `pos`; -1 when none.
int findCell(const QList<int>& offset, int first, int pos)
{
    const int last = int(offset.size()) - 1;
    if (first > last || pos < offset[first - 1] || pos >= offset[last])
        return -1;
    const auto it = std::upper_bound(offset.begin() + first, offset.end(), pos);
    return int(it - offset.begin());
}
}

int GridGeometry::gridColumnAt(int x) const
{
    const int k = findCell(m_colOffset, m_fixcols + 1, x + columnOffset(m_fixcols));
    return k < 0 ? -1 : k - m_fixcols - 1;
}

int GridGeometry::gridRowAt(int y) const
{
    const int k = findCell(m_rowOffset, m_fixrows + 1, y + rowOffset(m_fixrows));
    return k < 0 ? -1 : k - m_fixrows - 1;
}

QList<PlacedHeader> placeHeaders(const TableLayout& layout, const GridGeometry& g)
{
    QList<PlacedHeader> placed;
    std::set<std::tuple<int, int, int, int>> drawnSpans;
    for (const HeaderCell& cell : layout.titles) {
        const bool headerColumn = cell.column <= layout.fixcols;
        const bool headerRow = cell.row <= layout.fixrows;
        if (!headerColumn && !headerRow)
            continue;
        if (cell.merged()) {
            const auto span = std::make_tuple(cell.startColumn, cell.startRow, cell.endColumn, cell.endRow);
            if (drawnSpans.count(span))
                continue;
            drawnSpans.insert(span);
        }
        PlacedHeader p;
        p.cell = cell;
        p.panel = headerColumn && headerRow ? HeaderPanel::Corner
            : headerColumn                  ? HeaderPanel::RowHeaders
                                            : HeaderPanel::ColumnHeaders;
        int left = g.columnOffset(cell.startColumn - 1);
        int top = g.rowOffset(cell.startRow - 1);
        if (p.panel == HeaderPanel::RowHeaders)
            top -= g.rowOffset(layout.fixrows);
        if (p.panel == HeaderPanel::ColumnHeaders)
            left -= g.columnOffset(layout.fixcols);
        p.rect = QRect(left, top, g.spanWidth(cell.startColumn, cell.endColumn),
                       g.spanHeight(cell.startRow, cell.endRow));
        placed.append(p);
    }
    return placed;
}

QStringList wrapHeaderText(const QString& text, int lineLength, int indent, const TextMeasure& measure)
{
    QStringList lines;
    if (text.isEmpty())
        return lines;
    const int room = lineLength - indent;
    QString line;
    bool afterSpace = false;   // the break before the word was a space
    auto place = [&](const QString& word) {
        if (word.isEmpty())
            return;
        if (line.isEmpty()) {
            // A first word that is too long still takes this line: no empty line before it.
            line = word;
            return;
        }
        const QString joined = line + (afterSpace ? QStringLiteral(" ") : QString()) + word;
        if (measure.width(joined) < room) {
            line = joined;
        } else {
            lines.append(line);
            line = word;
        }
    };
    QString word;
    for (QChar ch : text) {
        if (ch == QLatin1Char('\r'))
            continue;
        if (ch == QLatin1Char('\n') || ch == QLatin1Char(' ') || ch == QLatin1Char('-')) {
            if (ch == QLatin1Char('-'))
                word += ch;
            place(word);
            word.clear();
            if (ch == QLatin1Char('\n')) {
                lines.append(line);
                line.clear();
            }
            afterSpace = ch == QLatin1Char(' ');
        } else {
            word += ch;
        }
    }
    place(word);
    lines.append(line);
    return lines;
}

HeaderText layoutHeaderText(const HeaderCell& cell, QSize size, const TextMeasure& measure)
{
    HeaderText out;
    const TChars& t = cell.chars;
    out.length = t.turned ? size.height() : size.width();
    out.depth = t.turned ? size.width() : size.height();
    const int indent = measure.width(QStringLiteral("   ")) * t.indent;
    const QStringList lines = wrapHeaderText(cell.text, out.length, indent, measure);
    const int lineHeight = measure.height();
    const int block = int(lines.size()) * lineHeight;
    int top = 0;
    if (t.vertical == TChars::Vertical::Bottom)
        top = out.depth - block;
    else if (t.vertical == TChars::Vertical::Center)
        top = (out.depth - block) / 2;
    for (const QString& line : lines) {
        const int w = measure.width(line);
        int x = 0;
        if (t.horizontal == TChars::Horizontal::Center)
            x = (out.length - w) / 2;
        else if (t.horizontal == TChars::Horizontal::Right)
            x = out.length - w;
        out.lines.append({line, x + indent, top});
        top += lineHeight;
    }
    return out;
}
