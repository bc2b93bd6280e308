#pragma once
// What the benchmarks share: the best of three timings, the median of alternated ones, the raw
// SQLite floor of replacing an owner's year (every ratio is taken against the same work done by
// hand), and the offscreen platform of the window benchmarks.

#include "platform/Database.h"

#include <QList>
#include <QtGlobal>
#include <QString>
#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

namespace bench {

// One run's seconds, for timings taken in turn with their floor.
inline double seconds(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline double bestSeconds(const std::function<void()>& work)
{
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        const auto start = std::chrono::steady_clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

// The middle of a set of timings: what a run of alternated timings is compared by, one slow
// moment of the machine weighing no more than one fast one.
inline double median(std::vector<double> v)
{
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
}

// The window benchmarks run offscreen unless a display is asked for.
inline void offscreenUnlessAsked()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

struct Row {
    int table, column, row;
    double value;
};

// A prepared delete of the owner's year and a prepared insert of the rows, in one transaction.
inline void rawReplace(Database& data, const QString& dataTable, int year, int owner, const QList<Row>& rows)
{
    Transaction tx(data);
    data.exec(QStringLiteral(R"(delete from "%1" where "year"=? and "hospital"=?)").arg(dataTable), {year, owner});
    Query insert(data, QStringLiteral(R"(insert into "%1" ("hospital","data","year","table","column","row") values (?,?,?,?,?,?))")
                           .arg(dataTable));
    for (const Row& r : rows) {
        insert.bindAll({owner, r.value, year, r.table, r.column, r.row});
        insert.exec();
        insert.reset();
    }
    tx.commit();
}

} // namespace bench
