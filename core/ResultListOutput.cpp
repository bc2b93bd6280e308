#include "core/ResultListOutput.h"

#include "platform/office/ExcelWorkbook.h"
#include "platform/office/WordDocument.h"

QString RemoveChar(QChar c, const QString& text)
{
    QString result = text;
    result.remove(c);
    return result;
}

QString RemoveLineBreaks(const QString& title)
{
    return RemoveChar(QLatin1Char('\r'), RemoveChar(QLatin1Char('\n'), title));
}

void ResultListToWord(const ResultList& list, WordDocument& document)
{
    document.appendParagraph(list.windowCaption);
    // Word once took the title in pieces split after each " - "; the pieces make the same line.
    document.appendParagraph(RemoveLineBreaks(list.title));
    QList<QStringList> rows;
    rows.append(list.columns);
    for (const ResultListItem& item : list.items)
        rows.append(QStringList{item.caption} + item.subItems);
    // A list with no columns and no items still gets its one (empty) header row.
    if (rows.first().isEmpty())
        rows.first().append(QString());
    document.appendTable(rows);
}

void ResultListToExcel(const ResultList& list, ExcelWorkbook& book)
{
    ExcelSheet* sheet = book.addSheet(QStringLiteral("Лист1"));
    sheet->setText(1, 1, list.windowCaption);
    sheet->setText(2, 1, list.title);
    for (int i = 0; i < list.columns.size(); ++i)
        sheet->setText(3, i + 2, list.columns[i]);
    for (int k = 0; k < list.items.size(); ++k) {
        const ResultListItem& item = list.items[k];
        sheet->setText(k + 4, 2, item.caption);
        for (int j = 0; j < item.subItems.size(); ++j)
            sheet->setText(k + 4, j + 3, item.subItems[j]);
    }
    // Nothing gives this sheet its widths: every value is to be read without widening a column.
    sheet->fitColumnWidths();
}
