#include "sample/SampleBlanks.h"

#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/TextFiles.h"
#include "platform/office/WordDocument.h"

#include <QList>
#include <QStringList>

namespace Sample {

namespace {

// One Word table of a blank: a table of the form, or the rows of it that go on in a table of
// their own (a continuation repeats only the row of column numbers above them).
struct BlankPart {
    const char* tablen;
    int firstRow = 1;
    int lastRow = 0;               // 0: the table's last row
    bool blankLineBefore = false;  // in the placement file, which skips it
};

struct BlankDef {
    const char* form;
    const char* title;
    bool landscape;
    QList<BlankPart> parts;
};

QList<BlankDef> blanks()
{
    return {
        {"Ф12", "Форма № 12. Сведения о числе заболеваний", true,
         {{"(1000)"}, {"(2000)"}, {"(3000)"}, {"(4000)"}}},
        {"Ф30", "Форма № 30. Сведения о медицинской организации", false,
         // Table (3100) is printed in two parts, rows 1-3 and rows 4-5.
         {{"(1100)"}, {"(2100)"}, {"(3100)", 1, 3, true}, {"(3100)", 4, 5}}},
        {"Ф47", "Форма № 47. Сведения о сети и деятельности медицинских организаций", false,
         {{"(0100)"}, {"(0200)"}}},
    };
}

// The width the blank's tables fill: A4 less the margins of the program's blank document.
constexpr double kPortraitWidth = 467;
constexpr double kLandscapeWidth = 714;

// The empty cell a value goes into: the value takes its format.
WordCellFormat valueFormat()
{
    WordCellFormat f;
    f.fontSize = 9;
    f.alignment = WordAlignment::Right;
    f.middle = true;
    return f;
}

struct Title {
    int column, row, endColumn, endRow;
    QString text;
    QString tchars;   // vertical, horizontal, turned, indent
    double size;
    bool bold;
};

// A table of the form as the dictionary lays it out: what the grid shows, the blank prints.
struct Layout {
    QString name;
    int colcount = 0, rowcount = 0, fixcols = 0, fixrows = 0;
    QList<double> widths;    // per column
    QList<double> heights;   // per row
    QList<Title> titles;
};

bool readLayout(Database& dictionary, const QString& form, const QString& tablen, Layout* layout, QString* error)
{
    Query t(dictionary, QStringLiteral(R"(select "ident","name","colcount","rowcount","fixcols","fixrows" from "tables"
        where "tablen"=? and "form"=(select "id" from "forms" where "formname"=?))"),
            {tablen, form});
    if (!t.next()) {
        if (error)
            *error = QStringLiteral("В словаре образца нет таблицы %1 формы %2").arg(tablen, form);
        return false;
    }
    const int ident = t.toInt(0);
    Layout l;
    l.name = t.text(1);
    l.colcount = t.toInt(2);
    l.rowcount = t.toInt(3);
    l.fixcols = t.toInt(4);
    l.fixrows = t.toInt(5);
    l.widths = QList<double>(l.colcount, 60);
    l.heights = QList<double>(l.rowcount, 0);
    Query c(dictionary, QStringLiteral(R"(select "column","width" from "columns" where "table"=?)"), {ident});
    while (c.next())
        if (c.toInt(0) >= 1 && c.toInt(0) <= l.colcount)
            l.widths[c.toInt(0) - 1] = c.toDouble(1);
    Query r(dictionary, QStringLiteral(R"(select "row","height" from "rows" where "table"=?)"), {ident});
    while (r.next())
        if (r.toInt(0) >= 1 && r.toInt(0) <= l.rowcount)
            l.heights[r.toInt(0) - 1] = r.toDouble(1);
    Query h(dictionary, QStringLiteral(R"(select "union_sc","union_sr","union_ec","union_er","txt","tchars",
        "fontsize","fontbold" from "titles" where "table"=? order by "union_sr","union_sc")"),
            {ident});
    while (h.next()) {
        QString text = h.text(4);
        text.replace(QChar(3), QLatin1Char(':'));
        l.titles.append({h.toInt(0), h.toInt(1), h.toInt(2), h.toInt(3), text, h.text(5), h.toDouble(6),
                         h.toInt(7) != 0});
    }
    *layout = l;
    return true;
}

WordCellFormat titleFormat(const Title& t)
{
    WordCellFormat f;
    f.fontSize = t.size > 0 ? t.size : 8;
    f.bold = t.bold;
    auto at = [&t](int i) { return i < t.tchars.size() ? t.tchars.at(i) : QChar(); };
    const QChar vertical = at(0), horizontal = at(1);
    f.middle = vertical != u'T' && vertical != u'B';
    f.alignment = horizontal == u'L' ? WordAlignment::Left
                  : horizontal == u'R' ? WordAlignment::Right
                                       : WordAlignment::Centre;
    f.turned = at(2) == u'1';
    const int indent = at(3).digitValue();
    f.indent = indent > 0 ? indent * 8 : 0;
    return f;
}

// Writes the part's Word table after what the document holds; returns its placement line.
QString appendPart(WordDocument& doc, int wordTable, const Layout& l, const BlankPart& part, bool landscape)
{
    const int firstRow = part.firstRow;
    const int lastRow = part.lastRow > 0 ? part.lastRow : l.rowcount - l.fixrows;
    // A continuation repeats only the numbers of the columns.
    const int firstHeader = firstRow > 1 ? l.fixrows : 1;
    const int headerRows = l.fixrows - firstHeader + 1;
    const int dataRows = lastRow - firstRow + 1;
    // The layout row shown in Word row w.
    auto layoutRow = [&](int w) { return w <= headerRows ? firstHeader + w - 1 : l.fixrows + firstRow + w - headerRows - 1; };

    // A line of space between one table and the next one's title.
    if (wordTable > 1)
        doc.appendParagraph(QString(), {6});
    if (firstRow > 1) {
        doc.appendParagraph(QStringLiteral("Продолжение таблицы %1").arg(QString::fromUtf8(part.tablen)),
                            {10, WordAlignment::Right, false});
    } else {
        doc.appendParagraph(l.name, {11, WordAlignment::Centre, true});
        doc.appendParagraph(QString::fromUtf8(part.tablen), {10, WordAlignment::Right, false});
    }
    WordTable table = doc.appendTable(headerRows + dataRows, l.colcount);
    double total = 0;
    for (double w : l.widths)
        total += w;
    const double scale = (landscape ? kLandscapeWidth : kPortraitWidth) / (total > 0 ? total : 1);
    QList<double> widths;
    for (double w : l.widths)
        widths.append(w * scale);
    table.setColumnWidths(widths);

    const WordCellFormat value = valueFormat();
    for (int w = headerRows + 1; w <= headerRows + dataRows; ++w)
        for (int c = l.fixcols + 1; c <= l.colcount; ++c)
            table.setCellText(w, c, QString(), value);
    for (int w = 1; w <= headerRows; ++w)
        if (l.heights.value(layoutRow(w) - 1) > 0)
            table.setRowHeight(w, l.heights[layoutRow(w) - 1]);

    // Texts first, while every cell is still its own; then the merges, which count the grid.
    struct Merge {
        int row, column, lastRow, lastColumn;
    };
    QList<Merge> merges;
    for (const Title& t : l.titles) {
        int w = 0;
        if (t.row >= firstHeader && t.row <= l.fixrows)
            w = t.row - firstHeader + 1;
        else if (t.row > l.fixrows && t.column <= l.fixcols && t.row - l.fixrows >= firstRow
                 && t.row - l.fixrows <= lastRow)
            w = headerRows + t.row - l.fixrows - firstRow + 1;
        if (w == 0 || t.column < 1 || t.column > l.colcount)
            continue;
        table.setCellText(w, t.column, t.text, titleFormat(t));
        const int lastW = t.row <= l.fixrows ? qMin(w + t.endRow - t.row, headerRows) : w;
        const int lastColumn = qBound(t.column, t.endColumn, l.colcount);
        if (lastW > w || lastColumn > t.column)
            merges.append({w, t.column, lastW, lastColumn});
    }
    for (const Merge& m : merges)
        table.mergeCells(m.row, m.column, m.lastRow, m.lastColumn);

    return QStringLiteral("%1,%2,%3,'%4',%5,%6,%7,%8")
        .arg(wordTable)
        .arg(l.fixcols + 1)
        .arg(headerRows + 1)
        .arg(QString::fromUtf8(part.tablen))
        .arg(l.fixcols + 1)
        .arg(firstRow)
        .arg(l.colcount)
        .arg(lastRow);
}

}  // namespace

bool writeFormBlanks(Database& dictionary, const QString& yearFolder, QString* error)
{
    const QString forms = Files::join(yearFolder, QStringLiteral("forms"));
    for (const BlankDef& def : blanks()) {
        const QString form = QString::fromUtf8(def.form);
        WordDocument doc;
        doc.createBlank();
        if (def.landscape)
            doc.setLandscape(1);
        doc.appendParagraph(QString::fromUtf8(def.title), {14, WordAlignment::Centre, true});
        QStringList placement;
        for (int i = 0; i < def.parts.size(); ++i) {
            const BlankPart& part = def.parts[i];
            Layout layout;
            if (!readLayout(dictionary, form, QString::fromUtf8(part.tablen), &layout, error))
                return false;
            if (part.blankLineBefore)
                placement.append(QString());
            placement.append(appendPart(doc, i + 1, layout, part, def.landscape));
            // A cell of the blank that holds text already: the value follows it.
            if (form == QStringLiteral("Ф30") && i == 0)
                doc.table(1).setCellText(layout.fixrows + 1, layout.fixcols + 1, QStringLiteral("всего: "), valueFormat());
        }
        if (!doc.errorString().isEmpty() || !doc.save(Files::join(forms, form + QStringLiteral(".docx")))) {
            if (error)
                *error = doc.errorString();
            return false;
        }
        if (!writeLines1251(Files::join(forms, form + QStringLiteral(".txt")), placement, error))
            return false;
    }
    return true;
}

}  // namespace Sample
