#pragma once
// Reads an .xlsx (written by this layer, by Excel or by LibreOffice) into an ExcelWorkbook: the
// worksheets by name and in order, each cell's value (shared strings, inline strings, numbers;
// formulas give their last computed value), and what the model holds of the format: number
// format, font name, size, bold and italic, alignment, wrap, rotation, indent, which edges have
// a line, merged ranges, column widths, row heights and frozen panes. Chart sheets are skipped.

#include <QString>

#include "platform/office/ExcelWorkbook.h"

class QIODevice;

class XlsxReader {
public:
    // The whole file is read before anything is handed out; false and errorString() when it is
    // no workbook or a part of it is damaged.
    bool read(QIODevice* device);
    bool read(const QString& path);
    const ExcelWorkbook& workbook() const { return m_book; }
    ExcelWorkbook takeWorkbook() { return std::move(m_book); }
    QString errorString() const { return m_error; }

private:
    bool readPackage(QIODevice* device);
    ExcelWorkbook m_book;
    QString m_error;
    QString m_name;
};
