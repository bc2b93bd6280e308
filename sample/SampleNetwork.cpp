#include "sample/SampleNetwork.h"

#include "platform/Database.h"
#include "sample/SampleConfiguration.h"

#include <QVariant>

namespace Sample {
namespace {

struct ConditionDef {
    int row, column;        // 0-based data row and column; -1 for a whole column or row
    bool sum;
    const char* formula;
    const char* condition;
    int koeff;              // 0: no coefficient stored (reads as 1)
    bool rural;
    bool average;
    const char* types;
};

int tableIdent(Database& db, const char* tablen)
{
    return db.scalar(QStringLiteral(R"(select "ident" from "tables" where "form"=? and "tablen"=?)"),
                     {Form::F47, QString::fromUtf8(tablen)})
        .toInt();
}

void insert(Database& db, int tid, const ConditionDef& c)
{
    db.exec(QStringLiteral(R"(insert into "conditions" ("tid","row","column","type","formula","condition",
        "koeff","country","lft","rght","midle","types") values (?,?,?,?,?,?,?,?,?,?,?,?))"),
            {tid, c.row, c.column, c.sum, QString::fromUtf8(c.formula), QString::fromUtf8(c.condition),
             c.koeff ? QVariant(c.koeff) : QVariant(), c.rural, QString(), QString(), c.average,
             QString::fromUtf8(c.types)});
}

}  // namespace

void addNetworkConditions(Database& db)
{
    // (0100), by rows: each row selects a type, the two columns count all and the rural ones.
    // The feldsher posts count only when they reported their own visits.
    const int t0100 = tableIdent(db, "(0100)");
    const ConditionDef counts[] = {
        {0, -1, false, "", "", 1, false, false, "*"},
        {1, -1, false, "", "", 1, false, false, "2"},
        {2, -1, false, "", "", 1, false, false, "3"},
        {3, -1, false, "", "", 1, false, false, "4"},
        {4, -1, false, "", "", 1, false, false, "6"},
        {5, -1, false, "", "", 1, false, false, "7"},
        {-1, 0, false, "", "", 1, false, false, "*"},
        {-1, 1, false, "", "", 1, true, false, "*"},
        {5, 0, false, "", "Ф30Т(2100)СТР5ГР3>0", 1, false, false, "7"},
    };
    for (const ConditionDef& c : counts)
        insert(db, t0100, c);

    // (0200), by columns: each column selects a type and names what admitted means; the rows
    // sum the bed fund of Ф30 (3100).
    const int t0200 = tableIdent(db, "(0200)");
    const ConditionDef beds[] = {
        {-1, 0, false, "Ф30Т(3100)СТР1ГР5", "", 1, false, false, "*"},
        {-1, 1, false, "Ф30Т(3100)СТР1ГР5", "", 1, false, false, "2"},
        {-1, 2, false, "Ф30Т(3100)СТР1ГР5", "", 1, false, false, "3"},
        {-1, 3, false, "Ф30Т(3100)СТР1ГР5", "", 1, false, false, "4"},
        {0, -1, true, "Ф30Т(3100)СТР1ГР3", "", 0, false, false, "*"},
        {1, -1, true, "*", "", 1, false, false, "*"},
        {2, -1, true, "Ф30Т(3100)СТР1ГР6", "", 1, false, true, "*"},
        {3, -1, true, "Ф30Т(3100)СТР1ГР7", "", 1000, false, false, "*"},
    };
    for (const ConditionDef& c : beds)
        insert(db, t0200, c);
}

}  // namespace Sample
