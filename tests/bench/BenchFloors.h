#pragma once
// What the exchange benchmarks share: the best of three timings and the raw SQLite floor of
// replacing an owner's year, so every ratio is taken against the same work done by hand.

#include "platform/Database.h"

#include <QList>
#include <QString>
#include <algorithm>
#include <chrono>
#include <functional>

namespace bench {

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
