#include "setup/MedicalTypes.h"

#include "PrintTo.h"
#include "YearFixture.h"
#include "platform/Database.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class Types : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    void setInd(int id, int ind)
    {
        year.dictionary().exec(QStringLiteral(R"(update "medicaltypes" set "ind"=? where "id"=?)"), {ind, id});
    }

    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025};
    int hospitals = year.addMedicalType(QStringLiteral("Больницы"));
    int crb = year.addMedicalType(QStringLiteral("ЦРБ"), hospitals);
    int city = year.addMedicalType(QStringLiteral("Городские"), hospitals);
    int clinics = year.addMedicalType(QStringLiteral("Поликлиники"));
    int f12 = year.addForm(QStringLiteral("Ф12"), QStringLiteral("Заболеваемость"));
    int f47 = year.addForm(QStringLiteral("Ф47"), QStringLiteral("Сеть"), true);
    int f30 = year.addForm(QStringLiteral("Ф30"), QStringLiteral("Организация"));
};

TEST_F(Types, TheTreeFollowsIndOnEveryLevelAndSkipsALoop)
{
    setInd(clinics, 0);
    setInd(hospitals, 1);
    setInd(city, 2);
    setInd(crb, 3);
    // Two types that name each other as parent hang below no top-level type.
    const int x = year.addMedicalType(QStringLiteral("X"));
    const int y = year.addMedicalType(QStringLiteral("Y"), x);
    year.dictionary().exec(QStringLiteral(R"(update "medicaltypes" set "parent"=? where "id"=?)"), {y, x});

    const QList<MedicalTypeNode> expected = {
        {clinics, QStringLiteral("Поликлиники"), {}},
        {hospitals, QStringLiteral("Больницы"),
         {{city, QStringLiteral("Городские"), {}}, {crb, QStringLiteral("ЦРБ"), {}}}},
    };
    EXPECT_EQ(readMedicalTypeTree(year.dictionary()), expected);
}

TEST_F(Types, OnlyNonNetworkFormsAreOffered)
{
    EXPECT_EQ(readAssignableForms(year.dictionary()),
              (QList<AssignableForm>{{f12, QStringLiteral("Ф12 - Заболеваемость")},
                                     {f30, QStringLiteral("Ф30 - Организация")}}));
}

TEST_F(Types, SavingReplacesTheWholeAssignmentOfThatTypeOnly)
{
    year.assignForm(crb, f12);
    year.assignForm(crb, f47);   // written by some other way; the next save drops it
    year.assignForm(city, f12);

    saveAssignedForms(year.dictionary(), crb, {f30, f12});
    EXPECT_EQ(assignedForms(year.dictionary(), crb), (QList<int>{f30, f12}));
    EXPECT_EQ(assignedForms(year.dictionary(), city), (QList<int>{f12}));

    saveAssignedForms(year.dictionary(), crb, {});
    EXPECT_TRUE(assignedForms(year.dictionary(), crb).isEmpty());
    EXPECT_EQ(assignedForms(year.dictionary(), city), (QList<int>{f12}));
}

TEST_F(Types, AFailedSaveKeepsTheOldAssignment)
{
    year.assignForm(crb, f12);
    year.dictionary().exec(QStringLiteral(R"(create trigger f before insert on "med_type_forms"
        when new."formsid"=)") + QString::number(f30) + QStringLiteral(R"( begin select raise(abort,'forced'); end)"));
    EXPECT_THROW(saveAssignedForms(year.dictionary(), crb, {f12, f30}), DbError);
    EXPECT_EQ(assignedForms(year.dictionary(), crb), (QList<int>{f12}));
}

TEST_F(Types, RenamesKeepQuotesAndTheOrderIsThePositionInTheShownTree)
{
    const QString name = QStringLiteral(R"(Больницы "скорой" и 'неотложной' помощи)");
    EXPECT_TRUE(renameMedicalType(year.dictionary(), hospitals, name));
    EXPECT_FALSE(renameMedicalType(year.dictionary(), 999, name));
    EXPECT_FALSE(renameMedicalType(year.dictionary(), hospitals, QString()));
    EXPECT_FALSE(renameMedicalType(year.dictionary(), hospitals, QStringLiteral("  \t")));
    EXPECT_EQ(readMedicalTypeTree(year.dictionary()).value(0).type, name);

    saveMedicalTypeOrder(year.dictionary(), {clinics, hospitals, city, crb});
    const QList<MedicalTypeNode> tree = readMedicalTypeTree(year.dictionary());
    ASSERT_EQ(tree.size(), 2);
    EXPECT_EQ(tree[0].id, clinics);
    EXPECT_EQ(tree[1].id, hospitals);
    ASSERT_EQ(tree[1].children.size(), 2);
    EXPECT_EQ(tree[1].children[0].id, city);
    EXPECT_EQ(year.dictionary().scalar(QStringLiteral(R"(select "ind" from "medicaltypes" where "id"=?)"), {crb}).toInt(), 3);
}

}
