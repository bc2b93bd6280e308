// The sample's data files load into the sample year through the program's loader.
#include "core/DataFiles.h"

#include "PrintTo.h"
#include "SampleYear.h"
#include "platform/Files.h"

#include <gtest/gtest.h>

namespace {

int unitId(const QString& unit)
{
    return dbmain().scalar(QStringLiteral(R"(select "id" from "administration" where "unit"=?)"), {unit}).toInt();
}

int rowsOf(int unit)
{
    return dbdat().scalar(QStringLiteral(R"(select count(*) from "data" where "hospital"=? and "year"=2025)"), {unit}).toInt();
}

TEST(SampleDataFiles, FillTheInstitutionsThatHaveEnteredNothing)
{
    SampleYear sample;
    ASSERT_TRUE(sample.install()) << sample.error().toStdString();
    struct Case {
        const char* file;
        const char* unit;
    };
    const Case cases[] = {
        {"Светлогорская городская поликлиника № 1 - Годовой - 2025.ktd", "Светлогорская городская поликлиника № 1"},
        {"Ключевской фельдшерско-акушерский пункт - Годовой - 2025.ktd", "Ключевской фельдшерско-акушерский пункт"},
        // The older file of another institution, read by form id.
        {"Сосновский фельдшерско-акушерский пункт - Годовой - 2025.ktr", "Ключевской фельдшерско-акушерский пункт"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const QString path = Files::join(sample.yearFolder(), QStringLiteral("data"), QString::fromUtf8(c.file));
        const int unit = unitId(QString::fromUtf8(c.unit));
        ASSERT_GT(unit, 0);
        if (yearDataFileKind(path) == DataFileKind::ByFormName)
            EXPECT_EQ(rowsOf(unit), 0);
        DataLoadTarget target;
        target.owner = unit;
        target.year = 2025;
        DataLoadReport report;
        QString error;
        ASSERT_TRUE(loadDataFile(dbdat(), target, path, yearDataFileKind(path), &report, &error)) << error.toStdString();
        EXPECT_GT(report.loaded, 0);
        EXPECT_EQ(report.skipped(), 0);
        EXPECT_EQ(rowsOf(unit), report.loaded);
    }
}

}
