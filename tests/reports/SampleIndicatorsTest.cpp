#include "reports/Statistics.h"

#include "core/Common.h"
#include "core/Lookups.h"
#include "core/StructureCache.h"
#include "platform/Database.h"
#include "sample/SampleIndicators.h"
#include "PrintTo.h"
#include "SampleYear.h"

#include <gtest/gtest.h>

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }

class SampleIndicators : public ::testing::Test {
protected:
    SampleYear sample;
    void SetUp() override
    {
        ASSERT_TRUE(sample.install()) << sample.error().toStdString();
        GetForms(dbmain());
        GetTables(dbmain());
        ReportYear = Sample::DataYear;
    }
    int term(const char* name)
    {
        return dbmain().scalar(u(R"(select "ident" from "tree" where "part"=?)"), {u(name)}).toInt();
    }

    // The stored cells of the listed institutions, read apart from the program's loaders.
    double stored(const QString& ids, const char* form, const char* table, int column, int row)
    {
        const int ident = FindTableIdent(u(form), u(table));
        return dbdat()
            .scalar(u(R"(select coalesce(sum("data"),0) from "data" where "year"=? and "table"=? and "column"=? )"
                      R"(and "row"=? and "hospital" in (%1))").arg(ids),
                    {ReportYear, ident, column + 1, row + 4})
            .toDouble();
    }
};

TEST_F(SampleIndicators, TheSetHasASubSetAndComputesInTypes)
{
    const int top = term(Sample::IndicatorSetName);
    const int sub = term(Sample::IndicatorSubSetName);
    ASSERT_GT(top, 0);
    EXPECT_EQ(dbmain().scalar(u(R"(select "depend" from "tree" where "ident"=?)"), {sub}).toInt(), top);

    // Every institution at the top of the structure: its population covers what lies below.
    QStringList topIds, allIds;
    double common = 0, olds = 0;
    {
        Query q(dbmain(), u(R"(select "id","dependence" from "administration")"));
        while (q.next()) {
            allIds << q.text(0);
            if (q.toInt(1) == 0)
                topIds << q.text(0);
        }
    }
    for (const QString& id : topIds) {
        Query p(dbmain(), u(R"(select "common","olds" from "populations1" where "year"=? and "unit"=?)"),
                {ReportYear, id.toInt()});
        if (p.next()) {
            common += p.toDouble(0);
            olds += p.toDouble(1);
        }
    }
    ASSERT_GT(common, 0);
    WorkMode = u("Types");
    DataTablePrefix = u("Data");
    InstitutionIdList = allIds.join(u',');
    IndicatorGrid grid;
    QString error;
    ASSERT_TRUE(loadIndicatorGrid(dbmain(), top, &grid, &error)) << error.toStdString();
    const QList<QStringList> shown = computeIndicatorGrid(dbmain(), grid);
    const QString ids = InstitutionIdList;
    const double adults = stored(ids, "Ф12", "(3000)", 4, 1);
    const double doctors = stored(ids, "Ф30", "(2100)", 3, 1);
    const double visits = doctors + stored(ids, "Ф30", "(2100)", 3, 5);
    ASSERT_GT(adults, 0);
    ASSERT_GT(visits, doctors);
    auto two = [](double v) { return QString::number(v, 'f', 2); };
    EXPECT_EQ(shown[1][1], two(adults));
    EXPECT_EQ(shown[1][2], two(adults / olds * 1000));
    EXPECT_EQ(shown[2][2], two(doctors / common * 1000));
    EXPECT_EQ(shown[3][1], two(visits));
    EXPECT_EQ(shown[3][2], two(visits / common * 1000));
    EXPECT_EQ(shown[0][2], u("На 1000\r\nнаселения"));

    ASSERT_TRUE(loadIndicatorGrid(dbmain(), sub, &grid, &error));
    for (const QStringList& row : computeIndicatorGrid(dbmain(), grid).mid(1))
        for (const QString& value : row.mid(1))
            EXPECT_TRUE(Decimal::parse(value).has_value()) << value.toStdString();
}

} // namespace
