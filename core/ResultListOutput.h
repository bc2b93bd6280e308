#pragma once
// The result list sent to Word and to Excel: the document and the workbook it becomes, built
// without a window so that what reaches the user can be read back and checked.

#include "core/ResultList.h"

class WordDocument;
class ExcelWorkbook;

// The caption paragraph, the title paragraph (line breaks taken out), then one bordered table:
// the column captions, then each item with its sub-items. An empty list still gives the table
// of the column captions.
void ResultListToWord(const ResultList& list, WordDocument& document);
// One sheet: A1 the caption, A2 the title, row 3 the column captions from column B, item k in
// row k + 4 (its caption in column B, its sub-items from column C). Every value is text.
void ResultListToExcel(const ResultList& list, ExcelWorkbook& book);

// The title as one line: every line feed, then every carriage return removed.
QString RemoveLineBreaks(const QString& title);
// The text without any occurrence of `c`.
QString RemoveChar(QChar c, const QString& text);
