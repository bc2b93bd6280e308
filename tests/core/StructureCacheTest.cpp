#include "core/StructureCache.h"

#include "PrintTo.h"
#include "YearFixture.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class CacheYear : public ::testing::Test {
protected:
    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025};
};

}

TEST_F(CacheYear, FormsAndTablesAreListedInCapitals)
{
    const int f47 = year.addForm(QStringLiteral("ф47"), QStringLiteral("Сеть"), true);
    const int f12 = year.addForm(QStringLiteral("ф12"), QStringLiteral("Заболеваемость"));
    const int t2 = year.addTable(f12, QStringLiteral("(2)"), QStringLiteral("Дети"), 6, 5, 2, 1, true, 1);
    const int t1 = year.addTable(f12, QStringLiteral("(1)"), QStringLiteral("Взрослые"), 7, 4, 3, 2);
    year.addTable(f47, QStringLiteral("(1000)"), QStringLiteral("Штаты"), 4, 4, 1, 1);
    GetForms(year.dictionary());
    GetTables(year.dictionary());

    // Ordered by ind, which follows the order the forms were made in.
    EXPECT_EQ(FormsList.strings, (QStringList{QStringLiteral("Ф47 - Сеть"), QStringLiteral("Ф12 - Заболеваемость")}));
    EXPECT_EQ(FormsList.objects, (QList<int>{f47, f12}));
    EXPECT_EQ(NetForms, QStringList{QStringLiteral("ф47")});   // as stored

    // Ordered by form id, then number: Ф47 was made first.
    EXPECT_EQ(TablesList, (QStringList{QStringLiteral("Ф47*Т(1000) - Штаты"),
                                       QStringLiteral("Ф12*Т(1) - Взрослые"),
                                       QStringLiteral("Ф12*Т(2) - Дети")}));
    ASSERT_EQ(TableInfo.size(), 3);
    const TableShape& a = TableInfo[1];
    EXPECT_EQ(a.ident, t1);
    EXPECT_EQ((QList<int>{a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8]}),
              (QList<int>{t1, 7, 4, 3, 2, 0, 0, 0}));
    const TableShape& b = TableInfo[2];
    EXPECT_EQ((QList<int>{b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8]}),
              (QList<int>{t2, 6, 5, 2, 1, 1, 1, 0}));
}

TEST_F(CacheYear, ATableOfAnUncachedFormHasNoFormName)
{
    year.addTable(999, QStringLiteral("(5)"), QStringLiteral("Без формы"), 4, 4, 1, 1);
    GetForms(year.dictionary());
    GetTables(year.dictionary());
    EXPECT_EQ(TablesList, QStringList{QStringLiteral("*Т(5) - Без формы")});
    EXPECT_EQ(TableInfo.value(0).formName, QString());
}

TEST_F(CacheYear, ARefillSeesNewTablesAndDropsOldOnes)
{
    const int f = year.addForm(QStringLiteral("Ф30"));
    year.addTable(f, QStringLiteral("(1)"), QStringLiteral("Первая"), 4, 4, 1, 1);
    refreshStructureCaches(year.dictionary());
    ASSERT_EQ(TableInfo.size(), 1);

    const int t = year.addTable(f, QStringLiteral("(2)"), QStringLiteral("Вторая"), 4, 4, 1, 1);
    GetForms(year.dictionary());
    GetTables(year.dictionary());
    ASSERT_EQ(TableInfo.size(), 2);
    EXPECT_EQ(TableInfo[1].ident, t);
    EXPECT_EQ(TablesList[1], QStringLiteral("Ф30*Т(2) - Вторая"));
}

TEST_F(CacheYear, StructureAndIndicatorTreeAreReadInTheirOrder)
{
    const int region = year.addInstitution(QStringLiteral("Область"));
    const int b = year.addInstitution(QStringLiteral("ЦРБ"), region);
    const int a = year.addInstitution(QStringLiteral("ФАП"), b);
    const int c = year.addInstitution(QStringLiteral("Больница №2"), region);
    year.dictionary().exec(QStringLiteral(R"(insert into "tree" ("part","depend") values (?,?),(?,?),(?,?))"),
                           {QStringLiteral("Бета"), 0, QStringLiteral("альфа"), 0, QStringLiteral("Гамма"), 5});
    GetStruct(year.dictionary());
    GetTree(year.dictionary());

    EXPECT_EQ(StructCount, 4);
    EXPECT_EQ(StructIdents, (QList<int>{region, b, c, a}));   // by dependence, then ind
    EXPECT_EQ(StructDepends, (QList<int>{0, region, region, b}));
    EXPECT_EQ(StructNames.value(3), QStringLiteral("ФАП"));
    EXPECT_EQ(StructNodeIndex, (QList<int>{0, 0, 0, 0}));

    // Parts sort as names, without regard to letter case.
    EXPECT_EQ(TreeNames, (QStringList{QStringLiteral("альфа"), QStringLiteral("Бета"), QStringLiteral("Гамма")}));
    EXPECT_EQ(TreeDepends, (QList<int>{0, 0, 5}));
}

TEST_F(CacheYear, AFailedReadLeavesTheCacheEmpty)
{
    const int f = year.addForm(QStringLiteral("Ф30"));
    year.addTable(f, QStringLiteral("(1)"), QStringLiteral("Первая"), 4, 4, 1, 1);
    refreshStructureCaches(year.dictionary());
    ASSERT_EQ(TableInfo.size(), 1);
    year.dictionary().exec(QStringLiteral(R"(drop table "tables")"));
    EXPECT_THROW(GetTables(year.dictionary()), DbError);
    EXPECT_TRUE(TableInfo.isEmpty());
    EXPECT_TRUE(TablesList.isEmpty());
}
