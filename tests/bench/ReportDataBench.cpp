// Loading a summary report's data file of the territory's size against the raw SQLite floor of
// the same work, both measured in this run: a report of 60 tables of 100 data columns by 200 data
// rows, 1.2 million lines. The floor is a prepared delete of the report's year and a prepared
// insert of the same rows into repdata in one transaction; the load reads and checks the whole
// file first, then does that. The goal: a ratio of at most 3.
//
//     bin/ReportDataBench

#include "BenchFloors.h"
#include "YearFixture.h"
#include "core/StructureCache.h"
#include "platform/Database.h"
#include "reports/ReportDataFiles.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

namespace {

constexpr int kTables = 60;
constexpr int kDataColumns = 100;
constexpr int kDataRows = 200;
constexpr int kFixcols = 2;
constexpr int kFixrows = 3;
constexpr int kYear = 2025;

using bench::Row;

double seconds(const std::function<void()>& work) { return bench::bestSeconds(work); }


void rawWrite(Database& data, int owner, const QList<Row>& rows) { bench::rawReplace(data, QStringLiteral("repdata"), kYear, owner, rows); }

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    YearFixture year(dir.path(), kYear);
    QList<int> tables;
    for (int f = 0; f < kTables; ++f) {
        const int form = year.addForm(QStringLiteral("Ф%1").arg(100 + f));
        tables.append(year.addTable(form, QStringLiteral("(%1)").arg(1000 + f), QStringLiteral("Таблица"),
                                    kFixcols + kDataColumns, kFixrows + kDataRows, kFixcols, kFixrows));
    }
    const int source = year.addReport(QStringLiteral("Область - всего"));
    const int target = year.addReport(QStringLiteral("Приёмник"));
    GetForms(year.dictionary());
    GetTables(year.dictionary());
    Database& data = year.data();

    QList<Row> rows;
    for (int t : tables)
        for (int c = kFixcols + 2; c <= kFixcols + kDataColumns + 1; ++c)
            for (int r = kFixrows + 2; r <= kFixrows + kDataRows + 1; ++r)
                rows.append(Row{t, c, r, (c * 7 + r * 13 + t) % 10000 + 0.25});
    rawWrite(data, source, rows);
    const QString path = dir.filePath(QStringLiteral("Область - всего - Годовой - 2025.rpd"));
    QString error;
    DataExportReport unloaded;
    if (!ReportDataFiles::unload(data, source, kYear, path, &unloaded, &error))
        qFatal("%s", qPrintable(error));

    const double rawInsert = seconds([&] { rawWrite(data, target, rows); });
    const double loadTime = seconds([&] {
        DataLoadReport counts;
        QString why;
        if (!ReportDataFiles::load(data, target, kYear, path, &counts, &why))
            qFatal("%s", qPrintable(why));
        if (counts.loaded != rows.size())
            qFatal("loaded %d of %d", counts.loaded, int(rows.size()));
    });
    std::printf("report data file (%d lines): load %.3f s, raw insert %.3f s, ratio %.2f\n",
                unloaded.written, loadTime, rawInsert, loadTime / rawInsert);
    clearStructureCaches();
    return 0;
}
