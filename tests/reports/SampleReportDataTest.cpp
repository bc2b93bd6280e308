// The sample's summary report values and its report data file, checked apart from the program's
// loaders, and the sample's indicator set computed over them.

#include "reports/ReportDataFiles.h"
#include "reports/Statistics.h"

#include "PrintTo.h"
#include "SampleYear.h"
#include "core/Common.h"
#include "core/Lookups.h"
#include "core/StructureCache.h"
#include "platform/Database.h"
#include "sample/SampleIndicators.h"
#include "sample/SampleReportData.h"

#include <gtest/gtest.h>

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }

class SampleReportData : public ::testing::Test {
protected:
    SampleYear sample;
    void SetUp() override
    {
        ASSERT_TRUE(sample.install()) << sample.error().toStdString();
        GetForms(dbmain());
        GetTables(dbmain());
    }
    using Cells = QMap<QString, double>;   // "table/column/row" -> value
    Cells read(const QString& sql, const QVariantList& params)
    {
        Cells cells;
        Query q(dbdat(), sql, params);
        while (q.next())
            if (q.toDouble(3) != 0)
                cells.insert(QStringLiteral("%1/%2/%3").arg(q.toInt(0)).arg(q.toInt(1)).arg(q.toInt(2)), q.toDouble(3));
        return cells;
    }
    Cells report(int id)
    {
        return read(u(R"(select "table","column","row","data" from "repdata" where "year"=? and "hospital"=?)"),
                    {Sample::DataYear, id});
    }
    Cells entered(const QString& ids)
    {
        return read(u(R"(select "table","column","row",sum("data") from "data" where "year"=? and "hospital" in (%1) )"
                      R"(group by "table","column","row")").arg(ids),
                    {Sample::DataYear});
    }
    QString include(int id)
    {
        return dbmain().scalar(u(R"(select "include" from "reports" where "id"=?)"), {id}).toString();
    }
};

TEST_F(SampleReportData, TheReportsHoldTheSumsOfWhatTheyInclude)
{
    QStringList all;
    for (int id : {Sample::Report::Zarechny, Sample::Report::Ozerny, Sample::Report::Svetlogorsk}) {
        ASSERT_FALSE(include(id).isEmpty());
        const Cells cells = report(id);
        EXPECT_GT(cells.size(), 100) << id;
        EXPECT_EQ(cells, entered(include(id))) << id;
        all << include(id);
    }
    EXPECT_EQ(report(Sample::Report::Region), entered(all.join(u',')));
    EXPECT_TRUE(report(Sample::Report::Network).isEmpty());
}

TEST_F(SampleReportData, TheFileLoadsTheDistrictWithThePolyclinic)
{
    const QString path = QStringLiteral(KESTRIN_BINARY_DIR "/sample/Образец/data/") + Sample::ReportDataFileName;
    ASSERT_EQ(ReportDataFiles::kindOf(path), DataFileKind::ByFormName);
    const int district = Sample::Report::Svetlogorsk;
    const Cells before = report(district);
    DataLoadReport counts;
    QString error;
    ASSERT_TRUE(ReportDataFiles::load(dbdat(), district, Sample::DataYear, path, &counts, &error)) << error.toStdString();
    EXPECT_EQ(counts.skipped(), 0);
    const Cells after = report(district);
    EXPECT_NE(after, before);
    EXPECT_EQ(after, entered(QStringLiteral("%1,%2").arg(Sample::Unit::SvetlogorskHospital)
                                 .arg(Sample::Unit::ZarechnayaPolyclinic)));
    EXPECT_EQ(counts.loaded, after.size());
}

// The set over a district report's values and its population: the same numbers as over its
// institutions' entered data.
TEST_F(SampleReportData, TheIndicatorSetShowsTheReportsNumbers)
{
    const int top = dbmain().scalar(u(R"(select "ident" from "tree" where "part"=?)"), {u(Sample::IndicatorSetName)}).toInt();
    ASSERT_GT(top, 0);
    IndicatorGrid grid;
    QString error;
    ASSERT_TRUE(loadIndicatorGrid(dbmain(), top, &grid, &error)) << error.toStdString();
    struct Case {
        const char* mode;
        int report;
    };
    for (const Case& c : {Case{"Svod", Sample::Report::Zarechny}, Case{"Terrain", Sample::Report::Region}}) {
        WorkMode = u(c.mode);
        DataTablePrefix = u("REpData");
        CurrentInstitutionId = c.report;
        const QList<QStringList> shown = computeIndicatorGrid(dbmain(), grid);
        const Cells cells = report(c.report);
        const auto at = [&](const char* form, const char* table, int column, int row) {
            return cells.value(QStringLiteral("%1/%2/%3").arg(FindTableIdent(u(form), u(table))).arg(column + 1).arg(row + 4));
        };
        Query p(dbmain(), u(R"(select "common","olds" from "populations" where "year"=? and "unit"=?)"),
                {Sample::DataYear, c.report});
        ASSERT_TRUE(p.next()) << c.mode;
        const double common = p.toDouble(0), olds = p.toDouble(1);
        ASSERT_GT(common, 0);
        const double adults = at("Ф12", "(3000)", 4, 1);
        const double doctors = at("Ф30", "(2100)", 3, 1);
        ASSERT_GT(adults, 0) << c.mode;
        auto two = [](double v) { return QString::number(v, 'f', 2); };
        EXPECT_EQ(shown[1][1], two(adults)) << c.mode;
        EXPECT_EQ(shown[1][2], two(adults / olds * 1000)) << c.mode;
        EXPECT_EQ(shown[2][2], two(doctors / common * 1000)) << c.mode;
    }
}

} // namespace
