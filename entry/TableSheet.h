#pragma once
// One table on one worksheet, as the grid lays it out: a title line in A1, the layout's column
// widths and row heights, the header cells with their merges, fonts and alignment, the values of
// the data area and thin lines round and through the table. Used by the grid's "В Excel" and by
// the forms tree's export of whole forms.
//
// Layout column c and row r go to sheet column c + 1 and row r + 1; a stored value keeps its
// stored place (stored column c + 1, stored row r + 1 of the layout), so both land together.

#include "entry/GridLayout.h"
#include "platform/office/ExcelWorkbook.h"

#include <QList>
#include <QString>

// A stored value: stored column and row (titles' column and row + 1), as the data rows hold it.
struct StoredValue {
    int column = 0;
    int row = 0;
    double value = 0;
};

// Excel's column width for a stored layout width: (width - 3.75) / 5.25 to the nearest whole
// number, halves to the even one, never below 0 nor above Excel's 255.
int excelColumnWidth(double storedWidth);

// What four characters of titles.tchars say on a sheet. Only what is given is set: the first
// two characters B/C/J/T and C/J/L/R, the third "1" turns the text; the fourth, a digit, is the
// indent (none for a shorter code or another character).
struct SheetChars {
    bool setsVertical = false;
    ExcelVertical vertical = ExcelVertical::Bottom;
    bool setsHorizontal = false;
    ExcelHorizontal horizontal = ExcelHorizontal::General;
    bool turned = false;
    int indent = 0;
    static SheetChars parse(const QString& code);
};

// Fills `sheet` with the table. `values` outside the data area (stored columns fixcols + 2 ..
// colcount + 1, rows fixrows + 2 .. rowcount + 1) are left out, so no stray row overwrites a
// header; values of 0 write nothing. `numberFormat` ("0.00", "0", or empty for Excel's own)
// is given to every value written. A merge overlapping an earlier one is skipped: titles are
// taken in (column, row) order, so the first one keeps its span.
void BuildTableSheet(ExcelSheet& sheet, const TableLayout& layout, const QString& title,
                     const QList<StoredValue>& values, const QString& numberFormat = QString());
