#include "platform/office/ExcelWorkbook.h"

#include "platform/Numbers.h"

#include <QRegularExpression>
#include <algorithm>

// --- ranges and cell names ----------------------------------------------------------------------

ExcelRange ExcelRange::between(int row1, int column1, int row2, int column2)
{
    return {qMin(row1, row2), qMin(column1, column2), qMax(row1, row2), qMax(column1, column2)};
}

bool ExcelRange::contains(int row, int column) const
{
    return row >= firstRow && row <= lastRow && column >= firstColumn && column <= lastColumn;
}

bool ExcelRange::intersects(const ExcelRange& o) const
{
    return firstRow <= o.lastRow && o.firstRow <= lastRow && firstColumn <= o.lastColumn
        && o.firstColumn <= lastColumn;
}

ExcelRange ExcelRange::united(const ExcelRange& o) const
{
    return {qMin(firstRow, o.firstRow), qMin(firstColumn, o.firstColumn), qMax(lastRow, o.lastRow),
            qMax(lastColumn, o.lastColumn)};
}

QString ExcelRange::toA1() const
{
    const QString first = excelCellName(firstRow, firstColumn);
    return isSingleCell() ? first : first + QLatin1Char(':') + excelCellName(lastRow, lastColumn);
}

QString excelCellName(int row, int column)
{
    QString letters;
    for (int c = column; c > 0; c = (c - 1) / 26)
        letters.prepend(QChar(u'A' + (c - 1) % 26));
    return letters + QString::number(row);
}

bool parseExcelCellName(const QString& name, int* row, int* column)
{
    static const QRegularExpression re(QStringLiteral("^\\$?([A-Za-z]{1,3})\\$?([0-9]{1,7})$"));
    const QRegularExpressionMatch m = re.match(name);
    if (!m.hasMatch())
        return false;
    int c = 0;
    for (const QChar ch : m.captured(1).toUpper())
        c = c * 26 + (ch.unicode() - u'A' + 1);
    *column = c;
    *row = m.captured(2).toInt();
    return *row >= 1 && c >= 1;
}

// --- sheet --------------------------------------------------------------------------------------

void ExcelSheet::setText(int row, int column, const QString& text)
{
    setValue(row, column, ExcelValue::ofText(text));
}

void ExcelSheet::setNumber(int row, int column, double value)
{
    setValue(row, column, ExcelValue::ofNumber(value));
}

void ExcelSheet::setValue(int row, int column, const ExcelValue& value)
{
    // Values come in row order after the header, mostly past every cell set so far: the end is
    // tried first.
    const auto it = m_cells.try_emplace(m_cells.end(), std::pair{row, column});
    it->second.value = value;
    if (it->second.value.isEmpty() && it->second.format.isDefault())
        m_cells.erase(it);
}

ExcelValue ExcelSheet::value(int row, int column) const
{
    auto it = m_cells.find({row, column});
    return it == m_cells.end() ? ExcelValue() : it->second.value;
}

ExcelCellFormat ExcelSheet::format(int row, int column) const
{
    auto it = m_cells.find({row, column});
    return it == m_cells.end() ? ExcelCellFormat() : it->second.format;
}

void ExcelSheet::setFormat(int row, int column, const ExcelCellFormat& format)
{
    m_cells[{row, column}].format = format;
    tidy(row, column);
}

void ExcelSheet::tidy(int row, int column)
{
    auto it = m_cells.find({row, column});
    if (it != m_cells.end() && it->second.value.isEmpty() && it->second.format.isDefault())
        m_cells.erase(it);
}

template <typename Change>
void ExcelSheet::change(const ExcelRange& range, Change how)
{
    // The cells of a row follow each other in the map: each is found or put next to the one before.
    for (int r = range.firstRow; r <= range.lastRow; ++r) {
        auto next = m_cells.lower_bound({r, range.firstColumn});
        for (int c = range.firstColumn; c <= range.lastColumn; ++c) {
            const auto it = m_cells.try_emplace(next, std::pair{r, c});
            how(it->second.format, r, c);
            next = std::next(it);
            if (it->second.value.isEmpty() && it->second.format.isDefault())
                m_cells.erase(it);
        }
    }
}

void ExcelSheet::setNumberFormat(const ExcelRange& range, const QString& format)
{
    change(range, [&](ExcelCellFormat& f, int, int) { f.numberFormat = format; });
}

void ExcelSheet::setFontName(const ExcelRange& range, const QString& name)
{
    change(range, [&](ExcelCellFormat& f, int, int) { f.fontName = name; });
}

void ExcelSheet::setFontSize(const ExcelRange& range, double points)
{
    change(range, [&](ExcelCellFormat& f, int, int) { f.fontSize = qMax(0.0, points); });
}

void ExcelSheet::setBold(const ExcelRange& range, bool bold)
{
    change(range, [&](ExcelCellFormat& f, int, int) { f.bold = bold; });
}

void ExcelSheet::setItalic(const ExcelRange& range, bool italic)
{
    change(range, [&](ExcelCellFormat& f, int, int) { f.italic = italic; });
}

void ExcelSheet::setHorizontalAlignment(const ExcelRange& range, ExcelHorizontal alignment)
{
    change(range, [&](ExcelCellFormat& f, int, int) { f.horizontal = alignment; });
}

void ExcelSheet::setVerticalAlignment(const ExcelRange& range, ExcelVertical alignment)
{
    change(range, [&](ExcelCellFormat& f, int, int) { f.vertical = alignment; });
}

void ExcelSheet::setWrapText(const ExcelRange& range, bool wrap)
{
    change(range, [&](ExcelCellFormat& f, int, int) { f.wrap = wrap; });
}

void ExcelSheet::setOrientation(const ExcelRange& range, int degrees)
{
    change(range, [&](ExcelCellFormat& f, int, int) { f.rotation = std::clamp(degrees, -90, 90); });
}

void ExcelSheet::setIndentLevel(const ExcelRange& range, int level)
{
    change(range, [&](ExcelCellFormat& f, int, int) { f.indent = std::clamp(level, 0, 15); });
}

void ExcelSheet::setBorders(const ExcelRange& range, int lines)
{
    using namespace ExcelBorder;
    change(range, [&](ExcelCellFormat& f, int r, int c) {
        const bool v = lines & InsideVertical;
        const bool h = lines & InsideHorizontal;
        if (c == range.firstColumn ? (lines & Left) : v)
            f.borders |= Left;
        if (c == range.lastColumn ? (lines & Right) : v)
            f.borders |= Right;
        if (r == range.firstRow ? (lines & Top) : h)
            f.borders |= Top;
        if (r == range.lastRow ? (lines & Bottom) : h)
            f.borders |= Bottom;
    });
}

bool ExcelSheet::merge(const ExcelRange& range, QString* error)
{
    if (range.isSingleCell())
        return true;
    for (const ExcelRange& m : m_merges) {
        if (m == range)
            return true;
        if (m.intersects(range)) {
            if (error)
                *error = QStringLiteral("На листе %1 объединение %2 пересекается с объединением %3")
                             .arg(m_name, range.toA1(), m.toA1());
            return false;
        }
    }
    m_merges.append(range);
    return true;
}

void ExcelSheet::setColumnWidth(int column, double width)
{
    m_widths[column] = std::clamp(width, 0.0, 255.0);
}

double ExcelSheet::columnWidth(int column) const
{
    auto it = m_widths.find(column);
    return it == m_widths.end() ? -1 : it->second;
}

void ExcelSheet::setRowHeight(int row, double points)
{
    m_heights[row] = std::clamp(points, 0.0, 409.0);
}

double ExcelSheet::rowHeight(int row) const
{
    auto it = m_heights.find(row);
    return it == m_heights.end() ? -1 : it->second;
}

void ExcelSheet::freezePanes(int row, int column)
{
    m_frozenRow = qMax(1, row);
    m_frozenColumn = qMax(1, column);
}

ExcelRange ExcelSheet::usedRange() const
{
    bool any = false;
    ExcelRange out;
    for (const auto& [key, cell] : m_cells) {
        const ExcelRange one = ExcelRange::cell(key.first, key.second);
        out = any ? out.united(one) : one;
        any = true;
    }
    for (const ExcelRange& m : m_merges) {
        out = any ? out.united(m) : m;
        any = true;
    }
    return out;
}

// --- workbook -----------------------------------------------------------------------------------

ExcelWorkbook::ExcelWorkbook() = default;
ExcelWorkbook::~ExcelWorkbook() = default;
ExcelWorkbook::ExcelWorkbook(ExcelWorkbook&&) noexcept = default;
ExcelWorkbook& ExcelWorkbook::operator=(ExcelWorkbook&&) noexcept = default;

ExcelSheet* ExcelWorkbook::sheet(int index) const
{
    return index >= 0 && index < sheetCount() ? m_sheets[size_t(index)].get() : nullptr;
}

ExcelSheet* ExcelWorkbook::findSheet(const QString& name) const
{
    for (const auto& s : m_sheets)
        if (s->name().compare(name, Qt::CaseInsensitive) == 0)
            return s.get();
    return nullptr;
}

int ExcelWorkbook::indexOf(const ExcelSheet* sheet) const
{
    for (size_t i = 0; i < m_sheets.size(); ++i)
        if (m_sheets[i].get() == sheet)
            return int(i);
    return -1;
}

QStringList ExcelWorkbook::sheetNames() const
{
    QStringList out;
    for (const auto& s : m_sheets)
        out.append(s->name());
    return out;
}

ExcelSheet* ExcelWorkbook::insertSheet(int index, const QString& name)
{
    std::unique_ptr<ExcelSheet> s(new ExcelSheet(validSheetName(name, sheetNames())));
    ExcelSheet* raw = s.get();
    m_sheets.insert(m_sheets.begin() + std::clamp(index, 0, sheetCount()), std::move(s));
    return raw;
}

ExcelSheet* ExcelWorkbook::addSheet(const QString& name)
{
    return insertSheet(sheetCount(), name);
}

ExcelSheet* ExcelWorkbook::addSheetBefore(const ExcelSheet* before, const QString& name)
{
    const int i = indexOf(before);
    return insertSheet(i < 0 ? sheetCount() : i, name);
}

ExcelSheet* ExcelWorkbook::addSheetAfter(const ExcelSheet* after, const QString& name)
{
    const int i = indexOf(after);
    return insertSheet(i < 0 ? sheetCount() : i + 1, name);
}

QString ExcelWorkbook::renameSheet(ExcelSheet* sheet, const QString& name)
{
    QStringList taken;
    for (const auto& s : m_sheets)
        if (s.get() != sheet)
            taken.append(s->name());
    sheet->m_name = validSheetName(name, taken);
    return sheet->m_name;
}

void ExcelWorkbook::makeNamesUniqueAgainst(const QStringList& taken)
{
    QStringList used = taken;
    for (const auto& s : m_sheets) {
        s->m_name = validSheetName(s->m_name, used);
        used.append(s->m_name);
    }
}

namespace {

constexpr int kMaxSheetName = 31;

// At most `length` characters, never splitting a surrogate pair.
QString cut(const QString& text, int length)
{
    if (text.size() <= length)
        return text;
    QString out = text.left(length);
    if (out.back().isHighSurrogate())
        out.chop(1);
    return out;
}

bool isTaken(const QString& name, const QStringList& taken)
{
    if (name.compare(QLatin1String("History"), Qt::CaseInsensitive) == 0)
        return true;
    for (const QString& t : taken)
        if (t.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

}

QString ExcelWorkbook::validSheetName(const QString& wanted, const QStringList& taken)
{
    QString name;
    for (const QChar c : wanted) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            continue;
        if (QStringLiteral(":\\/?*[]").contains(c))
            name += QLatin1Char('_');
        else
            name += c;
    }
    while (name.startsWith(QLatin1Char('\'')))
        name.remove(0, 1);
    name = cut(name, kMaxSheetName);
    while (name.endsWith(QLatin1Char('\'')))
        name.chop(1);
    if (name.trimmed().isEmpty()) {
        for (int n = 1;; ++n) {
            const QString candidate = QStringLiteral("Лист%1").arg(n);
            if (!isTaken(candidate, taken))
                return candidate;
        }
    }
    if (!isTaken(name, taken))
        return name;
    for (int n = 2;; ++n) {
        const QString suffix = QStringLiteral(" (%1)").arg(n);
        QString base = cut(name, kMaxSheetName - int(suffix.size()));
        while (base.endsWith(QLatin1Char('\'')))
            base.chop(1);
        const QString candidate = base + suffix;
        if (!isTaken(candidate, taken))
            return candidate;
    }
}

void ExcelSheet::fitColumnWidths()
{
    std::map<int, qsizetype> longest;
    for (const auto& [place, cell] : m_cells) {
        qsizetype length = 0;
        if (cell.value.type == ExcelValue::Type::Text) {
            for (const QStringView line : QStringView(cell.value.text).split(QLatin1Char('\n')))
                length = std::max(length, line.size());
        } else if (cell.value.type == ExcelValue::Type::Number) {
            length = formatNumber(cell.value.number).size();
        } else {
            continue;
        }
        qsizetype& l = longest[place.second];
        l = std::max(l, length);
    }
    for (const auto& [column, length] : longest)
        setColumnWidth(column, double(std::min<qsizetype>(length + 1, 255)));
}
