// Export and import of data exchange files against the raw SQLite floor of the same work, both
// measured in this run: one institution's year (20 tables of 40 data columns by 60 data rows,
// 48 000 cells) and a branch of 20 such institutions. The floor of an export is a prepared select
// of the owner's rows; of an import a prepared delete and insert of the same rows in one
// transaction. The goal: each ratio at most 3.
//
//     bin/DataFilesBench

#include "core/DataFiles.h"
#include "core/StructureCache.h"
#include "platform/Database.h"
#include "BenchFloors.h"
#include "YearFixture.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

namespace {

constexpr int kTables = 20;
constexpr int kDataColumns = 40;
constexpr int kDataRows = 60;
constexpr int kFixcols = 2;
constexpr int kFixrows = 3;
constexpr int kBranch = 20;
constexpr int kYear = 2025;

using bench::Row;

double seconds(const std::function<void()>& work) { return bench::bestSeconds(work); }

void fill(Database& data, const QList<int>& tables, int owner)
{
    Transaction tx(data);
    Query insert(data, QStringLiteral(R"(insert into "data" ("hospital","data","year","table","column","row") values (?,?,?,?,?,?))"));
    for (int t : tables)
        for (int c = kFixcols + 2; c <= kFixcols + kDataColumns + 1; ++c)
            for (int r = kFixrows + 2; r <= kFixrows + kDataRows + 1; ++r) {
                insert.bindAll({owner, (c * 7 + r * 13 + owner) % 1000 + 0.5, kYear, t, c, r});
                insert.exec();
                insert.reset();
            }
    tx.commit();
}


QList<Row> rawRead(Database& data, int owner)
{
    QList<Row> rows;
    Query q(data, QStringLiteral(R"(select "table","column","row","data" from "data" where "year"=? and "hospital"=? order by "table","column","row")"),
            {kYear, owner});
    while (q.next())
        rows.append(Row{q.toInt(0), q.toInt(1), q.toInt(2), q.toDouble(3)});
    return rows;
}

void rawWrite(Database& data, int owner, const QList<Row>& rows) { bench::rawReplace(data, QStringLiteral("data"), kYear, owner, rows); }

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
    QList<int> branch;
    for (int i = 0; i < kBranch; ++i) {
        branch.append(year.addInstitution(QStringLiteral("Учреждение %1").arg(i + 1)));
        fill(year.data(), tables, branch.last());
    }
    const int target = year.addInstitution(QStringLiteral("Приёмник"));
    GetForms(year.dictionary());
    GetTables(year.dictionary());
    Database& data = year.data();

    const auto files = [&](int count) {
        QStringList paths;
        for (int i = 0; i < count; ++i)
            paths.append(dir.filePath(QStringLiteral("u%1.ktd").arg(i)));
        return paths;
    };
    for (const int count : {1, kBranch}) {
        const QStringList paths = files(count);
        const double rawRead = seconds([&] {
            for (int i = 0; i < count; ++i)
                ::rawRead(data, branch[i]);
        });
        const double exportTime = seconds([&] {
            for (int i = 0; i < count; ++i) {
                QString error;
                if (!writeDataFile(data, QStringLiteral("data"), branch[i], kYear, paths[i], nullptr, &error))
                    qFatal("%s", qPrintable(error));
            }
        });
        QList<QList<Row>> rows;
        for (int i = 0; i < count; ++i)
            rows.append(::rawRead(data, branch[i]));
        const double rawInsert = seconds([&] {
            for (int i = 0; i < count; ++i)
                rawWrite(data, target, rows[i]);
        });
        const double importTime = seconds([&] {
            for (int i = 0; i < count; ++i) {
                DataLoadTarget t;
                t.owner = target;
                t.year = kYear;
                QString error;
                if (!loadDataFile(data, t, paths[i], DataFileKind::ByFormName, nullptr, &error))
                    qFatal("%s", qPrintable(error));
            }
        });
        const int cells = count * kTables * kDataColumns * kDataRows;
        std::printf("%s (%d cells): export %.3f s, raw read %.3f s, ratio %.2f; "
                    "import %.3f s, raw insert %.3f s, ratio %.2f\n",
                    count == 1 ? "one institution" : "branch", cells, exportTime, rawRead,
                    exportTime / rawRead, importTime, rawInsert, importTime / rawInsert);
    }
    clearStructureCaches();
    return 0;
}
