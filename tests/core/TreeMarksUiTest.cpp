#include "core/TreeMarks.h"

#include "core/StructureCache.h"
#include "PrintTo.h"
#include "YearFixture.h"

#include <QTemporaryDir>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

QTreeWidgetItem* childByText(QTreeWidgetItem* node, const QString& text)
{
    for (int i = 0; i < node->childCount(); ++i) {
        if (node->child(i)->text(0) == text)
            return node->child(i);
    }
    return nullptr;
}

// Область with ЦРБ (ФАП 1, ФАП 2) and Больница №2 under it.
class StructureTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        region = year.addInstitution(QStringLiteral("Область"));
        crb = year.addInstitution(QStringLiteral("ЦРБ"), region);
        hospital = year.addInstitution(QStringLiteral("Больница №2"), region);
        fap1 = year.addInstitution(QStringLiteral("ФАП 1"), crb);
        fap2 = year.addInstitution(QStringLiteral("ФАП 2"), crb);
        GetStruct(year.dictionary());
        root = new QTreeWidgetItem(&tree, QStringList{StructNames[0]});
        root->setData(0, NodeIdRole, StructIdents[0]);
        AddTreeBranch(root, StructIdents[0]);
        nCrb = childByText(root, QStringLiteral("ЦРБ"));
        nHospital = childByText(root, QStringLiteral("Больница №2"));
        nFap1 = nCrb ? childByText(nCrb, QStringLiteral("ФАП 1")) : nullptr;
        nFap2 = nCrb ? childByText(nCrb, QStringLiteral("ФАП 2")) : nullptr;
        ASSERT_TRUE(nCrb && nHospital && nFap1 && nFap2);
    }
    QList<bool> marks() const
    {
        return {IsNodeMarked(root), IsNodeMarked(nCrb), IsNodeMarked(nFap1), IsNodeMarked(nFap2),
                IsNodeMarked(nHospital)};
    }

    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025};
    int region = 0, crb = 0, hospital = 0, fap1 = 0, fap2 = 0;
    QTreeWidget tree;
    QTreeWidgetItem* root = nullptr;
    QTreeWidgetItem *nCrb = nullptr, *nHospital = nullptr, *nFap1 = nullptr, *nFap2 = nullptr;
};

}

TEST_F(StructureTree, BranchesFollowTheCacheAndRecordTheirNodes)
{
    EXPECT_EQ(root->childCount(), 2);
    EXPECT_EQ(root->child(0), nCrb);   // cache order: by dependence, then ind
    EXPECT_EQ(nodeId(nFap2), fap2);
    // Cache order is Область, ЦРБ, Больница №2, ФАП 1, ФАП 2; the tree in pre-order is
    // Область 0, ЦРБ 1, ФАП 1 2, ФАП 2 3, Больница №2 4. The root is the caller's.
    EXPECT_EQ(StructNodeIndex, (QList<int>{0, 1, 4, 2, 3}));
    EXPECT_EQ(absoluteIndex(nHospital), 4);
}

TEST_F(StructureTree, MarksSpreadDownAndUp)
{
    MarkNodeWithParents(nFap1);
    EXPECT_EQ(marks(), (QList<bool>{true, true, true, false, false}));

    MarkNodeWithParents(nFap2);
    UnmarkNodeWithParents(nFap1);
    // ЦРБ still has ФАП 2 marked, so it and the region stay marked.
    EXPECT_EQ(marks(), (QList<bool>{true, true, false, true, false}));

    UnmarkNodeWithParents(nFap2);
    EXPECT_EQ(marks(), (QList<bool>{false, false, false, false, false}));

    MarkNodeWithParents(nCrb);
    EXPECT_EQ(marks(), (QList<bool>{true, true, true, true, false}));
    MarkNode(nHospital);
    UnmarkNodeWithParents(nCrb);
    EXPECT_EQ(marks(), (QList<bool>{true, false, false, false, true}));

    SetSubtreeMark(root, 0);   // neither mark nor unmark
    EXPECT_EQ(marks(), (QList<bool>{true, false, false, false, true}));
    SetSubtreeMark(root, -1);
    EXPECT_EQ(marks(), (QList<bool>{false, false, false, false, false}));
}

TEST(TreeBranch, PositionsCountFromWhatTheTreeAlreadyHolds)
{
    // А and Б under 0, В under Б; added under a node that already has a child and has a
    // top-level sibling after it. Tree: X 0, old 1, А 2, Б 3, В 4 | Y 5.
    StructNames = {QStringLiteral("А"), QStringLiteral("Б"), QStringLiteral("В")};
    StructIdents = {10, 12, 11};
    StructDepends = {0, 0, 12};
    StructNodeIndex = {-1, -1, -1};
    StructCount = 3;
    QTreeWidget tree;
    auto* x = new QTreeWidgetItem(&tree, QStringList{QStringLiteral("X")});
    new QTreeWidgetItem(x, QStringList{QStringLiteral("old")});
    new QTreeWidgetItem(&tree, QStringList{QStringLiteral("Y")});
    AddTreeBranch(x, 0);
    EXPECT_EQ(StructNodeIndex, (QList<int>{2, 3, 4}));
    ASSERT_EQ(x->childCount(), 3);
    ASSERT_EQ(x->child(2)->childCount(), 1);
    EXPECT_EQ(x->child(2)->child(0)->text(0), QStringLiteral("В"));
    EXPECT_EQ(absoluteIndex(x->child(2)->child(0)), 4);
}

TEST(TreeBranch, ACycleInDependenceEndsInsteadOfOverflowing)
{
    // 1 under 2 and 2 under 1; 3 under itself; 4 under 3.
    StructNames = {QStringLiteral("А"), QStringLiteral("Б"), QStringLiteral("В"), QStringLiteral("Г")};
    StructIdents = {1, 2, 3, 4};
    StructDepends = {2, 1, 3, 3};
    StructNodeIndex = {0, 0, 0, 0};
    StructCount = 4;

    QTreeWidget tree;
    auto* a = new QTreeWidgetItem(&tree, QStringList{QStringLiteral("А")});
    a->setData(0, NodeIdRole, 1);
    AddTreeBranch(a, 1);
    ASSERT_EQ(a->childCount(), 1);
    EXPECT_EQ(a->child(0)->text(0), QStringLiteral("Б"));
    EXPECT_EQ(a->child(0)->childCount(), 0);   // А again would close the circle

    auto* c = new QTreeWidgetItem(&tree, QStringList{QStringLiteral("В")});
    c->setData(0, NodeIdRole, 3);
    AddTreeBranch(c, 3);
    ASSERT_EQ(c->childCount(), 1);
    EXPECT_EQ(c->child(0)->text(0), QStringLiteral("Г"));
    EXPECT_EQ(c->child(0)->childCount(), 0);

    // A node without an id of its own: the branch still stops at the circle.
    auto* bare = new QTreeWidgetItem(&tree);
    AddTreeBranch(bare, 2);
    ASSERT_EQ(bare->childCount(), 1);
    EXPECT_EQ(bare->child(0)->text(0), QStringLiteral("А"));
    EXPECT_EQ(bare->child(0)->childCount(), 0);
}
