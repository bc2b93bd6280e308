#include "reports/IndicatorForms.h"

#include "platform/Database.h"
#include "PrintTo.h"
#include "YearFixture.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }

class IndicatorForms : public ::testing::Test {
protected:
    QTemporaryDir dir;
    YearFixture year{dir.path()};
    const int term = 7;

    void SetUp() override
    {
        Database& db = year.dictionary();
        for (int r = 1; r <= 4; ++r) {
            db.exec(u(R"(insert into "row_titles" values (?,?,?,20))"), {term, r, u("Р%1").arg(r)});
            db.exec(u(R"(insert into "formulas" values (?,?,1,?))"), {term, r, u("А%1").arg(r)});
        }
        db.exec(u(R"(insert into "col_titles" values (?,1,'Г1',64))"), {term});
        // Identifiers at rows 0..2: untouched by any row change.
        for (int r = 0; r <= 2; ++r)
            db.exec(u(R"(insert into "formulas" values (?,?,-1,?))"), {term, r, u("И%1=а").arg(r)});
    }

    QStringList rows(const char* sql)
    {
        QStringList out;
        Query q(year.dictionary(), u(sql), {term});
        while (q.next())
            out << q.text(0) + u':' + q.text(1);
        return out;
    }
};

TEST_F(IndicatorForms, DeletingRowTwoOfFourRenumbersAndKeepsTheIdentifiers)
{
    deleteIndicatorRow(year.dictionary(), term, 2);
    EXPECT_EQ(rows(R"(select "row","title" from "row_titles" where "term"=? order by "row")"),
              (QStringList{u("1:Р1"), u("2:Р3"), u("3:Р4")}));
    EXPECT_EQ(rows(R"(select "row","formula" from "formulas" where "term"=? and "column"=1 order by "row")"),
              (QStringList{u("1:А1"), u("2:А3"), u("3:А4")}));
    EXPECT_EQ(rows(R"(select "row","formula" from "formulas" where "term"=? and "column"=-1 order by "row")"),
              (QStringList{u("0:И0=а"), u("1:И1=а"), u("2:И2=а")}));
    deleteIndicatorRow(year.dictionary(), term, 0);   // the titles row stays
    EXPECT_EQ(rows(R"(select "row","title" from "row_titles" where "term"=? order by "row")").size(), 3);
}

TEST_F(IndicatorForms, DeletingAColumnKeepsTheIdentifiers)
{
    deleteIndicatorColumn(year.dictionary(), term, 1);
    EXPECT_EQ(rows(R"(select "row","formula" from "formulas" where "term"=? order by "row")"),
              (QStringList{u("0:И0=а"), u("1:И1=а"), u("2:И2=а")}));
}

TEST_F(IndicatorForms, ReplacingATextByOneThatHoldsItEnds)
{
    EXPECT_EQ(replaceInIndicatorFormulas(year.dictionary(), term, u("а"), u("АА")), 4);
    EXPECT_EQ(rows(R"(select "row","formula" from "formulas" where "term"=? and "column"=1 order by "row")"),
              (QStringList{u("1:АА1"), u("2:АА2"), u("3:АА3"), u("4:АА4")}));
    // One row only; identifiers never change.
    EXPECT_EQ(replaceInIndicatorFormulas(year.dictionary(), term, u("АА3"), u("Б"), 3), 1);
    EXPECT_EQ(rows(R"(select "row","formula" from "formulas" where "term"=? and "column"=-1 order by "row")"),
              (QStringList{u("0:И0=а"), u("1:И1=а"), u("2:И2=а")}));
    EXPECT_EQ(replaceInIndicatorFormulas(year.dictionary(), term, QString(), u("x")), -1);
}

} // namespace
