// Filling the indicator-set tree window from the tree cache against the raw floor of the same
// items made and linked by hand, both measured in this run. Two trees of 5 000 sets: a chain
// down to the deepest level the window shows with the rest hanging from its last set, and a
// wide tree of 50 sets of 99 sub-sets each. The floor knows every item's parent beforehand and
// hands the built tree to the same kind of view at once. The goal: a ratio of at most 3 for both.
//
//     bin/IndicatorTreeUiBench

#include "BenchFloors.h"
#include "YearFixture.h"
#include "core/StructureCache.h"
#include "platform/Database.h"
#include "reports/IndicatorSetFile.h"
#include "reports/MITree.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <algorithm>
#include <cstdio>

namespace {

constexpr int kSets = 5000;

// Inserts the sets, parents[i] being the index of set i's parent (-1 at the top).
void addSets(Database& db, const QList<int>& parents)
{
    Transaction tx(db);
    db.exec(QStringLiteral(R"(delete from "tree")"));
    QList<int> idents;
    for (int i = 0; i < parents.size(); ++i) {
        db.exec(QStringLiteral(R"(insert into "tree" ("part","depend") values (?,?))"),
                {QStringLiteral("Набор %1").arg(i, 5, 10, QLatin1Char('0')), parents[i] < 0 ? 0 : idents[parents[i]]});
        idents.append(int(db.lastInsertId()));
    }
    tx.commit();
}

// The same items from the cache, each parent found by one hash look-up; no check of any kind.
void rawFill(QTreeWidget& view)
{
    view.clear();
    QHash<int, QTreeWidgetItem*> byIdent;
    byIdent.reserve(TreeIdents.size());
    QList<QTreeWidgetItem*> top;
    for (qsizetype i = 0; i < TreeIdents.size(); ++i) {
        auto* item = new QTreeWidgetItem(QStringList{TreeNames[i]});
        item->setData(0, Qt::UserRole, TreeIdents[i]);
        byIdent.insert(TreeIdents[i], item);
    }
    for (qsizetype i = 0; i < TreeIdents.size(); ++i) {
        QTreeWidgetItem* item = byIdent.value(TreeIdents[i]);
        if (QTreeWidgetItem* parent = byIdent.value(TreeDepends[i]))
            parent->addChild(item);
        else
            top.append(item);
    }
    view.addTopLevelItems(top);
}

void measure(const char* shape, Database& db, const QList<int>& parents)
{
    addSets(db, parents);
    GetTree(db);
    TMISetup window(TMISetup::Use::Setup);
    QTreeWidget floorView;
    const double fill = bench::bestSeconds([&] { window.FormActivate(); });
    const double raw = bench::bestSeconds([&] { rawFill(floorView); });
    int shown = 0;
    for (QTreeWidgetItemIterator it(window.tree()); *it; ++it)
        ++shown;
    std::printf("indicator tree, %s (%d sets, %d shown): fill %.4f s, raw %.4f s, ratio %.2f\n", shape,
                int(parents.size()), shown, fill, raw, fill / raw);
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    YearFixture year(dir.path(), 2025, YearFixture::InstallAliases);
    Database& db = year.dictionary();

    // The chain takes the levels 1 to 999; the other sets all hang from its last set, on level 1000.
    QList<int> chain;
    for (int i = 0; i < kSets; ++i)
        chain.append(i == 0 ? -1 : std::min(i, kMaxIndicatorSetDepth - 1) - 1);
    measure("deep", db, chain);

    QList<int> wide;
    for (int i = 0; i < kSets; ++i)
        wide.append(i % 100 == 0 ? -1 : i - i % 100);
    measure("wide", db, wide);
    clearStructureCaches();
    return 0;
}
