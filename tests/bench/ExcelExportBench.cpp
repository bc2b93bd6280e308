// The Excel export of a whole form against libxlsxwriter writing the same cells and formats
// directly: a form of 20 tables of 40 data columns by 25 data rows under three header rows, a
// value in every data cell (20 000 numbers) and a header of merged cells in several fonts. The
// project reads each table's layout and values and writes the book (addFormSheets and
// XlsxWriter); the floor is the same book's sheets, merges, widths, heights, cells and formats
// handed to libxlsxwriter one call each, every format made once. The values read by a prepared
// select per table are timed too. Project and floor run alternately; the medians are printed.
// The goal: the export at most twice its floor.
//
//     bin/ExcelExportBench

#include "core/Common.h"
#include "core/StructureCache.h"
#include "entry/FormExcel.h"
#include "entry/FormsTreeModel.h"
#include "platform/Database.h"
#include "platform/office/XlsxLibrary.h"
#include "platform/office/XlsxWriter.h"
#include "BenchFloors.h"
#include "YearFixture.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kYear = 2025;
constexpr int kTables = 20;
constexpr int kDataColumns = 40;
constexpr int kDataRows = 25;
constexpr int kFixcols = 2;
constexpr int kFixrows = 3;

using bench::median;
using bench::seconds;

// A header as forms have one: the corner and the row numbers merged down the header rows, a
// title over all data columns, groups of five columns, then each column's number; the row names.
void addHeader(YearFixture& year, int table)
{
    const int lastColumn = kFixcols + kDataColumns;
    year.addTitle(table, 1, 1, QStringLiteral("Наименование"), 1, kFixrows, QStringLiteral("CC00"));
    year.addTitle(table, 2, 1, QStringLiteral("№ строки"), 2, kFixrows, QStringLiteral("CC10"));
    year.addTitle(table, 3, 1, QStringLiteral("Число случаев"), lastColumn, 1, QStringLiteral("BC00"));
    for (int c = 3; c <= lastColumn; c += 5)
        year.addTitle(table, c, 2, QStringLiteral("группа %1").arg(c), std::min(c + 4, lastColumn), 2,
                      QStringLiteral("TC01"));
    for (int c = 3; c <= lastColumn; ++c)
        year.addTitle(table, c, 3, QString::number(c), 0, 0, QStringLiteral("CC00"));
    for (int r = kFixrows + 1; r <= kFixrows + kDataRows; ++r) {
        year.addTitle(table, 1, r, QStringLiteral("Строка %1").arg(r - kFixrows), 0, 0, QStringLiteral("CL02"));
        year.addTitle(table, 2, r, QString::number(r - kFixrows), 0, 0, QStringLiteral("CC00"));
    }
    year.dictionary().exec(QStringLiteral(R"(update "titles" set "FontName"='Times New Roman', "FontSize"=10,
        "FontBold"=1 where "table"=? and "row"=1)"), {table});
    year.dictionary().exec(QStringLiteral(R"(update "titles" set "FontItalic"=1 where "table"=? and "row"=2)"), {table});
}

// The book as libxlsxwriter takes it: texts as UTF-8, each cell's format as an index into the
// distinct formats.
struct FloorCell {
    int row, column;
    ExcelValue::Type type;
    QByteArray text;
    double number;
    int format;   // -1: none
};
struct FloorMerge {
    ExcelRange range;
    int format;
};
struct FloorSheet {
    QByteArray name;
    std::vector<std::pair<int, double>> widths, heights;
    std::vector<FloorMerge> merges;
    std::vector<FloorCell> cells;
};
struct FloorBook {
    std::vector<ExcelCellFormat> formats;
    std::vector<FloorSheet> sheets;
};

FloorBook floorBookOf(const ExcelWorkbook& book)
{
    FloorBook out;
    auto formatIndex = [&](const ExcelCellFormat& f) {
        if (f.isDefault())
            return -1;
        const auto it = std::find(out.formats.begin(), out.formats.end(), f);
        if (it != out.formats.end())
            return int(it - out.formats.begin());
        out.formats.push_back(f);
        return int(out.formats.size()) - 1;
    };
    for (int i = 0; i < book.sheetCount(); ++i) {
        const ExcelSheet* sheet = book.sheet(i);
        FloorSheet s;
        s.name = sheet->name().toUtf8();
        s.widths.assign(sheet->columnWidths().begin(), sheet->columnWidths().end());
        s.heights.assign(sheet->rowHeights().begin(), sheet->rowHeights().end());
        for (const ExcelRange& m : sheet->merges())
            s.merges.push_back({m, formatIndex(sheet->format(m.firstRow, m.firstColumn))});
        for (const auto& [key, cell] : sheet->cells())
            s.cells.push_back({key.first, key.second, cell.value.type,
                               cell.value.text.toUtf8(), cell.value.number, formatIndex(cell.format)});
        out.sheets.push_back(std::move(s));
    }
    return out;
}

void floorWrite(const FloorBook& book, const QString& path, const QString& tempFolder)
{
    const XlsxLibrary& x = xlsxLibrary();
    const QByteArray file = QFile::encodeName(path);
    QByteArray tmp = QFile::encodeName(tempFolder);
    lxw_workbook_options options = {};
    options.tmpdir = tmp.data();
    lxw_workbook* wb = x.workbook_new_opt(file.constData(), &options);
    std::vector<lxw_format*> formats;
    for (const ExcelCellFormat& f : book.formats)
        formats.push_back(addXlsxFormat(wb, f));
    auto format = [&](int i) { return i < 0 ? nullptr : formats[size_t(i)]; };
    for (const FloorSheet& s : book.sheets) {
        lxw_worksheet* ws = x.workbook_add_worksheet(wb, s.name.constData());
        for (const auto& [column, width] : s.widths)
            x.worksheet_set_column(ws, lxw_col_t(column - 1), lxw_col_t(column - 1), width, nullptr);
        for (const auto& [row, height] : s.heights)
            x.worksheet_set_row(ws, lxw_row_t(row - 1), height, nullptr);
        for (const FloorMerge& m : s.merges)
            x.worksheet_merge_range(ws, lxw_row_t(m.range.firstRow - 1), lxw_col_t(m.range.firstColumn - 1),
                                    lxw_row_t(m.range.lastRow - 1), lxw_col_t(m.range.lastColumn - 1), "",
                                    format(m.format));
        for (const FloorCell& c : s.cells) {
            const lxw_row_t row = lxw_row_t(c.row - 1);
            const lxw_col_t column = lxw_col_t(c.column - 1);
            if (c.type == ExcelValue::Type::Text)
                x.worksheet_write_string(ws, row, column, c.text.constData(), format(c.format));
            else if (c.type == ExcelValue::Type::Number)
                x.worksheet_write_number(ws, row, column, c.number, format(c.format));
            else if (c.format >= 0)
                x.worksheet_write_blank(ws, row, column, format(c.format));
        }
    }
    if (x.workbook_close(wb) != LXW_NO_ERROR)
        qFatal("the floor's book is not written");
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    YearFixture year(dir.path(), kYear, YearFixture::InstallAliases);
    const int owner = year.addInstitution(QStringLiteral("ЦРБ"));
    const int form = year.addForm(QStringLiteral("Ф12"), QStringLiteral("Заболеваемость"));
    QList<int> tables;
    {
        Transaction tx(year.dictionary());
        for (int t = 0; t < kTables; ++t) {
            tables.append(year.addTable(form, QStringLiteral("(%1)").arg(1000 + 100 * t), QStringLiteral("Таблица"),
                                        kFixcols + kDataColumns, kFixrows + kDataRows, kFixcols, kFixrows));
            addHeader(year, tables.last());
        }
        tx.commit();
    }
    {
        Transaction tx(year.data());
        Query insert(year.data(), QStringLiteral(R"(insert into "data" ("hospital","data","year","table","column","row") values (?,?,?,?,?,?))"));
        for (int id : std::as_const(tables))
            for (int c = kFixcols + 2; c <= kFixcols + kDataColumns + 1; ++c)
                for (int r = kFixrows + 2; r <= kFixrows + kDataRows + 1; ++r) {
                    insert.bindAll({owner, (c * 7 + r * 13) % 1000 + 0.5, kYear, id, c, r});
                    insert.exec();
                    insert.reset();
                }
        tx.commit();
    }
    refreshStructureCaches(year.dictionary());
    const FormsTree tree = buildFormsTree(year.dictionary(), -1, false);
    const ExcelExportSource source{&year.dictionary(), &year.data(), kYear, QStringLiteral("Data")};

    auto projectExport = [&](const QString& path) {
        ExcelWorkbook book;
        QString error;
        if (!addFormSheets(book, source, tree.forms.first(), owner, QStringLiteral("ЦРБ"), nullptr, &error))
            qFatal("%s", qPrintable(error));
        XlsxWriter writer;
        if (!writer.write(path, book))
            qFatal("%s", qPrintable(writer.errorString()));
        return book;
    };
    const QString projectPath = dir.filePath(QStringLiteral("project.xlsx"));
    const QString floorPath = dir.filePath(QStringLiteral("floor.xlsx"));
    const FloorBook floorBook = floorBookOf(projectExport(projectPath));
    Query values(year.data(), QStringLiteral(R"(select "column","row","data" from "data" where "year"=? and "hospital"=? and "table"=?)"));
    auto rawRead = [&] {
        double sum = 0;
        for (int id : std::as_const(tables)) {
            values.reset();
            values.bindAll({kYear, owner, id});
            while (values.next())
                sum += values.toInt(0) + values.toInt(1) + values.toDouble(2);
        }
        return sum;
    };

    std::vector<double> project, floor, read;
    for (int run = 0; run < 25; ++run) {
        project.push_back(seconds([&] { projectExport(projectPath); }));
        floor.push_back(seconds([&] { floorWrite(floorBook, floorPath, dir.path()); }));
        read.push_back(seconds([&] { rawRead(); }));
    }
    const double p = median(project), f = median(floor), r = median(read);
    std::printf("Excel export of a form (%d values): project %.1f ms, floor %.1f ms, ratio %.2f; "
                "the values' raw read %.1f ms, ratio to floor and read %.2f\n",
                kTables * kDataColumns * kDataRows, p * 1e3, f * 1e3, p / f, r * 1e3, p / (f + r));
    clearStructureCaches();
    return 0;
}
