#pragma once
// A program folder with its template data database, and the configuration "Область" holding
// the years 2003 and 2004, each a small year made from the schema.

#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/Schema.h"
#include "support/YearFixture.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

class TwoYearsConfiguration : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString program = dir.filePath(QStringLiteral("program"));
    QString config = dir.filePath(QStringLiteral("Область"));
    QString cfgDir = config + QLatin1Char('/');
    std::unique_ptr<YearFixture> y2003;
    std::unique_ptr<YearFixture> y2004;

    void SetUp() override
    {
        ASSERT_TRUE(QDir().mkpath(program + QStringLiteral("/source")));
        ASSERT_TRUE(QDir().mkpath(config));
        Files::setProgramFolder(program);
        Schema::createDataDatabaseFile(Files::templateDataDatabase());
        y2003 = std::make_unique<YearFixture>(config, 2003);
        y2004 = std::make_unique<YearFixture>(config, 2004);
    }
    // The years' files close before their folder is removed; the rest of the shared state is
    // put back by the guard after the test.
    void TearDown() override { Aliases::closeAll(); }
};
