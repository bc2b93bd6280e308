#pragma once
// Writes ExcelWorkbook as .xlsx through libxlsxwriter, and adds sheets to a workbook file that
// exists already (where the user would have sent a table into a workbook open in Excel).

#include <QString>

class ExcelWorkbook;

class XlsxWriter {
public:
    // Writes `book` as a new workbook (always a workbook, whatever the file is called). A book
    // without sheets gets one empty sheet "Лист1", as Excel's new book has. An existing file is
    // replaced only once the whole new one was written; false and errorString() otherwise.
    bool write(const QString& path, const ExcelWorkbook& book);

    // Adds the sheets of `book`, in order, after the sheets of the workbook `path` (.xlsx or
    // .xlsm, written by Excel, LibreOffice or this layer) and makes the first one added the
    // active sheet. Everything else the file holds stays as it is: its sheets, formulas, styles,
    // charts, pictures, names and macros; the added sheets bring their own formats into its
    // styles. With Renamed, names already used in the file are made unique, and `book`'s sheets
    // are renamed to what they became; with Replaced, a sheet of the file with the name of one of
    // `book`'s (letter case ignored) gives way to it, keeping its place in the book. The file is
    // replaced only once all of it was written.
    enum class SameNameSheet { Renamed, Replaced };
    bool addSheetsToFile(const QString& path, ExcelWorkbook& book,
                         SameNameSheet sameName = SameNameSheet::Renamed);

    QString errorString() const { return m_error; }

private:
    QString m_error;
};
