#pragma once
// What a start of the program finds on the big territory (see BigTerritory.h): a program folder
// with the template data file and a settings file that attaches the territory and opens its
// year, beside the configuration folder holding the generated year. The configuration is made
// anew each time: a kept folder would hold last run's year.

#include "platform/Files.h"
#include "platform/Schema.h"
#include "platform/TextFiles.h"
#include "BigTerritory.h"
#include "YearFixture.h"

#include <QDir>
#include <chrono>
#include <cstdio>

namespace territory {

struct StartupFolder {
    QString program;      // the program folder: kestrin.ini, source/data0.mdb
    QString config;       // the configuration folder, the year under it
    QString dictionary;   // the year's ktrmain.mdb
    QString data;         // the year's data0.mdb
};

inline StartupFolder makeStartupFolder(const QString& folder)
{
    StartupFolder made;
    made.program = folder + QStringLiteral("/program");
    made.config = folder + QStringLiteral("/Территория");
    QDir(made.config).removeRecursively();
    QDir().mkpath(made.program + QStringLiteral("/source"));
    QDir().mkpath(made.config);
    Files::setProgramFolder(made.program);
    if (!Files::exists(Files::templateDataDatabase()))
        Schema::createDataDatabaseFile(Files::templateDataDatabase());

    const auto start = std::chrono::steady_clock::now();
    YearFixture year(made.config, kYear);
    const Territory t = generate(year);
    made.dictionary = year.dictionaryPath();
    made.data = year.dataPath();
    std::printf("territory: %zu institutions, %zu tables, %lld data rows, generated in %.1f s\n",
                t.institutions.size(), t.tables.size(), static_cast<long long>(t.rows),
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());

    QString error;
    if (!writeLines1251(Files::settingsPath(),
                        {QStringLiteral("[Конфигурации]"), QStringLiteral("Территория=") + made.config,
                         QStringLiteral("[Конфигурация]"), QStringLiteral("Year=%1").arg(kYear),
                         QStringLiteral("Last=0")},
                        &error))
        throw DbError(error);
    return made;
}

} // namespace territory
