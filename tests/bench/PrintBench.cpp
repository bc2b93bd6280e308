// The working print of a form on its blank against the floor of the same work, at two sizes of
// blank: 2 Word tables of 51 rows by 20 cells (2 040 cells) and 5 of 201 rows by 20 (20 100).
// Each Word table holds one of the form's tables: a heading row and a naming column, then a
// stored value in every data cell. The project fills the blank (FillFormDoc) and saves the
// document; the floor reads the same values with one prepared select per table, rewrites the
// blank's document.xml in a single streaming pass that puts each value's run at the end of its
// cell, and zips the package. Project and floor run alternately; the medians are printed.
// The goals: the print at most twice its floor, and the ratio of the two sizes' times within
// 1.2 of the ratio of their cells. Saving a document flushes it to the disk, a few milliseconds
// whatever its size, so the ratio is also given above the time of a print of one row.
//
//     bin/PrintBench

#include "core/Common.h"
#include "core/StructureCache.h"
#include "entry/FormPrint.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/Numbers.h"
#include "platform/TextFiles.h"
#include "platform/office/OfficePackage.h"
#include "platform/office/WordDocument.h"
#include "BenchFloors.h"
#include "YearFixture.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <algorithm>
#include <cstdio>
#include <map>
#include <vector>

namespace {

constexpr int kYear = 2025;
constexpr int kWordColumns = 20;   // the naming column and 19 data columns
constexpr int kFixcols = 1;
constexpr int kFixrows = 1;

struct Blank {
    QString form;
    int tables;
    int dataRows;
    int formId = 0;
    QList<int> tableIds;
    int cells() const { return tables * (dataRows + 1) * kWordColumns; }
};

using bench::median;
using bench::seconds;

QString tableNumber(int t) { return QStringLiteral("(%1)").arg(1000 + 100 * t); }

void makeBlank(YearFixture& year, Blank& b, int owner)
{
    b.formId = year.addForm(b.form);
    QStringList placement;
    WordDocument doc;
    doc.createBlank();
    doc.appendParagraph(QStringLiteral("Форма ") + b.form);
    for (int t = 1; t <= b.tables; ++t) {
        b.tableIds.append(year.addTable(b.formId, tableNumber(t), QStringLiteral("Таблица"), kWordColumns,
                                        kFixrows + b.dataRows, kFixcols, kFixrows));
        QList<QStringList> rows;
        QStringList heading{QStringLiteral("Наименование")};
        for (int c = 2; c <= kWordColumns; ++c)
            heading.append(QStringLiteral("Графа %1").arg(c));
        rows.append(heading);
        for (int r = 1; r <= b.dataRows; ++r) {
            QStringList row{QStringLiteral("Строка %1").arg(r)};
            for (int c = 2; c <= kWordColumns; ++c)
                row.append(QString());
            rows.append(row);
        }
        doc.appendParagraph(QStringLiteral("Таблица %1").arg(t));
        doc.appendTable(rows);
        placement.append(QStringLiteral("%1,2,2,'%2',2,1,%3,%4").arg(t).arg(tableNumber(t)).arg(kWordColumns).arg(b.dataRows));
    }
    if (!doc.save(blankPathOf(year.formsFolder(), b.form)))
        qFatal("%s", qPrintable(doc.errorString()));
    QString error;
    if (!writeLines1251(placementPathOf(year.formsFolder(), b.form), placement, &error))
        qFatal("%s", qPrintable(error));

    Transaction tx(year.data());
    Query insert(year.data(), QStringLiteral(R"(insert into "data" ("hospital","data","year","table","column","row") values (?,?,?,?,?,?))"));
    for (int id : std::as_const(b.tableIds))
        for (int c = kFixcols + 2; c <= kWordColumns + 1; ++c)
            for (int r = kFixrows + 2; r <= kFixrows + b.dataRows + 1; ++r) {
                insert.bindAll({owner, (c * 7 + r * 13) % 1000 + 0.5, kYear, id, c, r});
                insert.exec();
                insert.reset();
            }
    tx.commit();
}

// The floor: the values by a prepared select per table, then document.xml rewritten in one
// streaming pass, each value's run written before the end of its cell's paragraph.
void floorPrint(YearFixture& year, const Blank& b, int owner, const QString& out)
{
    // Word table -> (Word row, Word column) -> text, as the placement file sends the stored cells.
    std::vector<std::map<std::pair<int, int>, QString>> values(size_t(b.tables) + 1);
    Query q(year.data(), QStringLiteral(R"(select "column","row","data" from "data" where "year"=? and "hospital"=? and "table"=?)"));
    for (int t = 1; t <= b.tables; ++t) {
        q.reset();
        q.bindAll({kYear, owner, b.tableIds[t - 1]});
        while (q.next())
            values[size_t(t)][{q.toInt(1) - (kFixrows + 2) + 2, q.toInt(0) - (kFixcols + 2) + 2}] = formatNumber(q.toDouble(2));
    }

    OfficePackage package;
    if (!package.read(blankPathOf(year.formsFolder(), b.form)))
        qFatal("%s", qPrintable(package.errorString()));
    QByteArray rewritten;
    QXmlStreamReader reader(package.part(QStringLiteral("word/document.xml")));
    QXmlStreamWriter writer(&rewritten);
    int tableDepth = 0, table = 0, row = 0, column = 0;
    const QString* pending = nullptr;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement && tableDepth <= 1) {
            const QStringView name = reader.qualifiedName();
            if (name == QLatin1String("w:tbl") && ++tableDepth == 1) {
                ++table;
                row = 0;
            } else if (name == QLatin1String("w:tr") && tableDepth == 1) {
                ++row;
                column = 0;
            } else if (name == QLatin1String("w:tc") && tableDepth == 1) {
                ++column;
                const auto& cells = values[size_t(table)];
                const auto it = table <= b.tables ? cells.find({row, column}) : cells.end();
                pending = it == cells.end() ? nullptr : &it->second;
            }
        } else if (token == QXmlStreamReader::EndElement) {
            const QStringView name = reader.qualifiedName();
            if (name == QLatin1String("w:tbl"))
                --tableDepth;
            else if (name == QLatin1String("w:p") && pending) {
                writer.writeStartElement(QStringLiteral("w:r"));
                writer.writeStartElement(QStringLiteral("w:t"));
                writer.writeAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
                writer.writeCharacters(*pending);
                writer.writeEndElement();
                writer.writeEndElement();
                pending = nullptr;
            }
        }
        writer.writeCurrentToken(reader);
    }
    if (reader.hasError())
        qFatal("%s", qPrintable(reader.errorString()));
    package.setPart(QStringLiteral("word/document.xml"), rewritten);
    if (!package.write(out))
        qFatal("%s", qPrintable(package.errorString()));
}

void projectPrint(YearFixture& year, const Blank& b, int owner, const QString& out)
{
    WordDocument doc;
    QString error;
    if (!FillFormDoc(year.formsFolder(), b.formId, b.form, owner, &doc, &error))
        qFatal("%s", qPrintable(error));
    if (!doc.save(out))
        qFatal("%s", qPrintable(doc.errorString()));
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    YearFixture year(dir.path(), kYear, YearFixture::InstallAliases);
    const int owner = year.addInstitution(QStringLiteral("ЦРБ"));
    // The third is a blank of one row of values: what every print costs whatever its size (the
    // package read, zipped and flushed to the disk).
    Blank blanks[] = {{QStringLiteral("Ф1"), 2, 50, 0, {}}, {QStringLiteral("Ф2"), 5, 200, 0, {}},
                      {QStringLiteral("Ф3"), 1, 1, 0, {}}};
    for (Blank& b : blanks)
        makeBlank(year, b, owner);
    refreshStructureCaches(year.dictionary());
    ReportYear = kYear;
    WorkMode = QStringLiteral("Input");
    DataTablePrefix = QStringLiteral("Data");

    double projectTimes[3] = {}, floorTimes[3] = {};
    for (int i = 0; i < 3; ++i) {
        const Blank& b = blanks[i];
        const QString projectOut = dir.filePath(QStringLiteral("project.docx"));
        const QString floorOut = dir.filePath(QStringLiteral("floor.docx"));
        std::vector<double> project, floor;
        const int runs = i == 1 ? 7 : 15;
        for (int run = 0; run < runs; ++run) {
            project.push_back(seconds([&] { projectPrint(year, b, owner, projectOut); }));
            floor.push_back(seconds([&] { floorPrint(year, b, owner, floorOut); }));
        }
        projectTimes[i] = median(project);
        floorTimes[i] = median(floor);
        std::printf("print of %d cells: project %.1f ms, floor %.1f ms, ratio %.2f\n", b.cells(),
                    projectTimes[i] * 1e3, floorTimes[i] * 1e3, projectTimes[i] / floorTimes[i]);
    }
    const double cellRatio = double(blanks[1].cells()) / blanks[0].cells();
    const double timeRatio = projectTimes[1] / projectTimes[0];
    const double aboveFixed = (projectTimes[1] - projectTimes[2]) / (projectTimes[0] - projectTimes[2]);
    std::printf("large / small: cells %.2f, project's time %.2f (%.2f of the cells' ratio), floor's time %.2f; "
                "above the cost of the one-row print, project's time %.2f (%.2f of the cells' ratio)\n",
                cellRatio, timeRatio, timeRatio / cellRatio, floorTimes[1] / floorTimes[0], aboveFixed,
                aboveFixed / cellRatio);
    clearStructureCaches();
    return 0;
}
