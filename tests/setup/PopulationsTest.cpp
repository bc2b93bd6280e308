#include "setup/Populations.h"

#include "PrintTo.h"
#include "YearFixture.h"
#include "platform/Database.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

PopulationTexts texts(const char* common, const char* olds, const char* teens, const char* childs)
{
    return {QString::fromUtf8(common), QString::fromUtf8(olds), QString::fromUtf8(teens), QString::fromUtf8(childs)};
}

// Twelve institutions, so that ids of two digits exist, and three summary reports.
class PopulationYear : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        for (int i = 1; i <= 13; ++i)
            ids.append(year.addInstitution(QStringLiteral("ЛПУ %1").arg(i)));
        ASSERT_EQ(ids.front(), 1);
        ASSERT_EQ(ids.back(), 13);
        year.addPopulation(1, 900000, 600000, 100000, 200000);
        year.addPopulation(12, 5000, 3900, 210, 890);
        year.addPopulation(13, 1500, 1150, 60, 290);
        year.addPopulation(3, 700, 500, 0, 200);
        // Another year's figures of the same unit must not count.
        year.dictionary().exec(QStringLiteral(R"(insert into "populations1" values (12,2024,1,1,1,1))"));
    }

    QList<QVariantList> rows(const char* table)
    {
        QList<QVariantList> result;
        Query q(year.dictionary(), QStringLiteral(R"(select "unit","year","common","olds","teens","childs"
            from "%1" order by "unit","year")").arg(QString::fromLatin1(table)));
        while (q.next())
            result.append({q.toInt(0), q.toInt(1), q.toDouble(2), q.toDouble(3), q.toDouble(4), q.toDouble(5)});
        return result;
    }

    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025};
    QList<int> ids;
};

TEST_F(PopulationYear, SumsCountTheListedUnitsOfTheYearOnly)
{
    // 12 and 13 by hand: 5000 + 1500, 3900 + 1150, 210 + 60, 890 + 290; unit 1 (the first
    // digit of 12 and 13) and 2024 take no part. A unit listed twice counts once.
    EXPECT_EQ(sumPopulation(year.dictionary(), 2025, {12, 13}), texts("6500", "5050", "270", "1180"));
    EXPECT_EQ(sumPopulation(year.dictionary(), 2025, {13, 12, 13}), texts("6500", "5050", "270", "1180"));
    // Units without a row add nothing; when none has one, the fields are empty, not 0.
    EXPECT_EQ(sumPopulation(year.dictionary(), 2025, {3, 4, 5}), texts("700", "500", "0", "200"));
    EXPECT_EQ(sumPopulation(year.dictionary(), 2025, {4, 5}), PopulationTexts{});
    EXPECT_EQ(sumPopulation(year.dictionary(), 2025, {}), PopulationTexts{});
}

TEST_F(PopulationYear, AReportSumsExactlyTheInstitutionsItsListNames)
{
    const int report = year.addReport(QStringLiteral("Район"), false, {12, 13});
    const int empty = year.addReport(QStringLiteral("Пустой"));
    QList<int> listed;
    QString error;
    ASSERT_TRUE(reportInstitutions(year.dictionary(), report, listed, &error));
    EXPECT_EQ(listed, (QList<int>{12, 13}));
    EXPECT_EQ(sumPopulation(year.dictionary(), 2025, listed), texts("6500", "5050", "270", "1180"));

    ASSERT_TRUE(reportInstitutions(year.dictionary(), empty, listed, &error));
    EXPECT_TRUE(listed.isEmpty());

    year.dictionary().exec(QStringLiteral(R"(update "reports" set "include"='12,x' where "id"=?)"), {report});
    EXPECT_FALSE(reportInstitutions(year.dictionary(), report, listed, &error));
    EXPECT_NE(error.indexOf(QStringLiteral("Район")), -1) << error.toStdString();
    EXPECT_FALSE(reportInstitutions(year.dictionary(), 999, listed, &error));
}

TEST_F(PopulationYear, ReadingShowsTheYearsRowOrNothing)
{
    year.dictionary().exec(QStringLiteral(R"(insert into "populations1" values (5,2025,null,10,null,null))"));
    EXPECT_EQ(readPopulation(year.dictionary(), PopulationOf::Unit, 2025, 12), texts("5000", "3900", "210", "890"));
    EXPECT_EQ(readPopulation(year.dictionary(), PopulationOf::Unit, 2025, 5), texts("", "10", "", ""));
    EXPECT_EQ(readPopulation(year.dictionary(), PopulationOf::Unit, 2025, 4), std::nullopt);
    EXPECT_EQ(readPopulation(year.dictionary(), PopulationOf::Unit, 2024, 13), std::nullopt);
    // populations1 and populations are kept apart: a report with the id 12 has no row yet.
    EXPECT_EQ(readPopulation(year.dictionary(), PopulationOf::Report, 2025, 12), std::nullopt);
}

TEST_F(PopulationYear, TheSaveRuleWritesOnlyWhatDiffersFromTheStoredFigures)
{
    struct Case {
        const char* what;
        int unit;
        PopulationTexts shown;
        PopulationSave expected;
        std::optional<PopulationTexts> after;
    };
    const Case cases[] = {
        {"as stored", 12, texts("5000", "3900", "210", "890"), PopulationSave::Unchanged, texts("5000", "3900", "210", "890")},
        {"same figures written otherwise", 3, texts("0700", " 500", "", "200"), PopulationSave::Unchanged, texts("700", "500", "0", "200")},
        {"one figure typed", 12, texts("5100", "3900", "210", "890"), PopulationSave::Updated, texts("5100", "3900", "210", "890")},
        {"emptied: all 0", 13, texts("", "", "", ""), PopulationSave::Updated, texts("0", "0", "0", "0")},
        {"no row, nothing typed", 4, texts("", " ", "", ""), PopulationSave::Unchanged, std::nullopt},
        {"no row, one figure", 4, texts("", "", "", "7"), PopulationSave::Inserted, texts("0", "0", "0", "7")},
        {"nine digits", 5, texts("123456789", "", "", ""), PopulationSave::Inserted, texts("123456789", "0", "0", "0")},
        {"not a figure", 12, texts("5000", "-1", "210", "890"), PopulationSave::Invalid, texts("5100", "3900", "210", "890")},
        {"a fraction", 6, texts("1.5", "", "", ""), PopulationSave::Invalid, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QString error;
        EXPECT_EQ(savePopulation(year.dictionary(), PopulationOf::Unit, 2025, c.unit, c.shown, &error), c.expected);
        EXPECT_EQ(error.isEmpty(), c.expected != PopulationSave::Invalid) << error.toStdString();
        EXPECT_EQ(readPopulation(year.dictionary(), PopulationOf::Unit, 2025, c.unit), c.after);
    }
    // Each unit still has one row of 2025, and 2024 is as it was.
    EXPECT_EQ(year.dictionary().scalar(QStringLiteral(
                  R"(select count(*) from "populations1" where "year"=2025 group by "unit" order by 1 desc limit 1)")).toInt(), 1);
    EXPECT_EQ(readPopulation(year.dictionary(), PopulationOf::Unit, 2024, 12), texts("1", "1", "1", "1"));
}

TEST_F(PopulationYear, AReportsFiguresAreItsOwnRowOfTheYear)
{
    const int report = year.addReport(QStringLiteral("Район"), false, {12, 13});
    const QList<QVariantList> units = rows("populations1");
    QString error;
    EXPECT_EQ(savePopulation(year.dictionary(), PopulationOf::Report, 2025, report,
                             texts("987654321", "1", "2", "3"), &error), PopulationSave::Inserted);
    EXPECT_EQ(savePopulation(year.dictionary(), PopulationOf::Report, 2025, report,
                             texts("987654321", "1", "2", "4"), &error), PopulationSave::Updated);
    EXPECT_EQ(rows("populations"), (QList<QVariantList>{{report, 2025, 987654321.0, 1.0, 2.0, 4.0}}));
    // The institutions' own figures are not touched, also not those of the unit with the same id.
    EXPECT_EQ(rows("populations1"), units);
}

TEST(PopulationFigures, FieldsAreWholeNumbersAndAnEmptyOneIsZero)
{
    QString error;
    EXPECT_EQ(parsePopulation(texts("", " 12 ", "000000000000007", "999999999999999"), &error),
              (PopulationFigures{0, 12, 7, 999999999999999}));
    for (const char* bad : {"1e3", "+5", "1 000", "1,5", "٣", "1000000000000000"}) {
        SCOPED_TRACE(bad);
        error.clear();
        EXPECT_EQ(parsePopulation(texts("1", "1", bad, "1"), &error), std::nullopt);
        EXPECT_NE(error.indexOf(QStringLiteral("Подростки")), -1) << error.toStdString();
    }
}

}
