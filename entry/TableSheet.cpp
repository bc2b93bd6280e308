#include "entry/TableSheet.h"

#include <algorithm>
#include <cmath>

int excelColumnWidth(double storedWidth)
{
    const double units = (storedWidth - 3.75) / 5.25;
    if (!(units > 0))
        return 0;
    if (units >= 255)
        return 255;
    double whole = std::floor(units);
    const double rest = units - whole;
    if (rest > 0.5 || (rest == 0.5 && std::fmod(whole, 2) != 0))
        whole += 1;
    return int(whole);
}

SheetChars SheetChars::parse(const QString& code)
{
    SheetChars s;
    const QString c = code.left(4).toUpper();
    if (c.size() >= 1) {
        s.setsVertical = true;
        switch (c[0].unicode()) {
        case 'B': s.vertical = ExcelVertical::Bottom; break;
        case 'C': s.vertical = ExcelVertical::Centre; break;
        case 'J': s.vertical = ExcelVertical::Justify; break;
        case 'T': s.vertical = ExcelVertical::Top; break;
        default: s.setsVertical = false;
        }
    }
    if (c.size() >= 2) {
        s.setsHorizontal = true;
        switch (c[1].unicode()) {
        case 'C': s.horizontal = ExcelHorizontal::Centre; break;
        case 'J': s.horizontal = ExcelHorizontal::Justify; break;
        case 'L': s.horizontal = ExcelHorizontal::Left; break;
        case 'R': s.horizontal = ExcelHorizontal::Right; break;
        default: s.setsHorizontal = false;
        }
    }
    s.turned = c.size() >= 3 && c[2] == QLatin1Char('1');
    if (c.size() >= 4 && c[3] >= QLatin1Char('0') && c[3] <= QLatin1Char('9'))
        s.indent = c[3].unicode() - '0';
    return s;
}

void BuildTableSheet(ExcelSheet& sheet, const TableLayout& layout, const QString& title,
                     const QList<StoredValue>& values, const QString& numberFormat)
{
    sheet.setText(1, 1, title);
    for (int c = 1; c <= layout.colcount && c < layout.columnWidths.size(); ++c)
        if (layout.columnWidths[c] > 0)
            sheet.setColumnWidth(c + 1, excelColumnWidth(layout.columnWidths[c]));
    for (int r = 1; r <= layout.rowcount && r < layout.rowHeights.size(); ++r)
        if (layout.rowHeights[r] > 0)
            sheet.setRowHeight(r + 1, layout.rowHeights[r]);

    QList<HeaderCell> titles = layout.titles;
    std::stable_sort(titles.begin(), titles.end(), [](const HeaderCell& a, const HeaderCell& b) {
        return a.column != b.column ? a.column < b.column : a.row < b.row;
    });
    for (const HeaderCell& h : titles) {
        const int row = h.row + 1;
        const int column = h.column + 1;
        if (row < 1 || column < 1 || row > ExcelSheet::maxRow || column > ExcelSheet::maxColumn)
            continue;
        const ExcelRange cell = ExcelRange::cell(row, column);
        sheet.setNumberFormat(cell, QStringLiteral("@"));
        sheet.setWrapText(cell, true);
        sheet.setText(row, column, h.text);
        ExcelRange range = cell;
        if (h.merged()) {
            const ExcelRange span = ExcelRange::between(
                row, column, std::clamp(h.endRow + 1, 1, ExcelSheet::maxRow),
                std::clamp(h.endColumn + 1, 1, ExcelSheet::maxColumn));
            // A span crossing one merged already would be refused by Excel; the earlier keeps it.
            if (sheet.merge(span))
                range = span;
        }
        if (!h.fontName.isEmpty())
            sheet.setFontName(range, h.fontName);
        if (h.fontSize > 0)
            sheet.setFontSize(range, std::min(h.fontSize, 409.0));
        if (h.bold)
            sheet.setBold(range, true);
        if (h.italic)
            sheet.setItalic(range, true);
        const SheetChars chars = SheetChars::parse(h.charsCode);
        if (chars.setsVertical)
            sheet.setVerticalAlignment(range, chars.vertical);
        if (chars.setsHorizontal)
            sheet.setHorizontalAlignment(range, chars.horizontal);
        if (chars.turned)
            sheet.setOrientation(range, 90);
        if (chars.indent > 0)
            sheet.setIndentLevel(range, chars.indent);
    }

    const int firstColumn = layout.fixcols + 2, lastColumn = layout.colcount + 1;
    const int firstRow = layout.fixrows + 2, lastRow = layout.rowcount + 1;
    for (const StoredValue& v : values) {
        if (v.value == 0 || v.column < firstColumn || v.column > lastColumn || v.row < firstRow
            || v.row > lastRow)
            continue;
        if (!numberFormat.isEmpty())
            sheet.setNumberFormat(ExcelRange::cell(v.row, v.column), numberFormat);
        sheet.setNumber(v.row, v.column, v.value);
    }

    if (layout.colcount >= 1 && layout.rowcount >= 1)
        sheet.setBorders(ExcelRange::between(2, 2, std::min(lastRow, ExcelSheet::maxRow),
                                             std::min(lastColumn, ExcelSheet::maxColumn)),
                         ExcelBorder::All);
}
