// Start-up on the big territory (see BigTerritory.h): the main window made, shown and its events
// handled, as the program starts, against the floor of opening the year's two databases raw and
// reading their schemas. The start is measured with the files stamped by an earlier clean check
// (the usual start) and with the stamps taken away (the first start after a change), and broken
// into what the window does on the way: opening the year's files with their check, filling the
// structure caches, and the window itself. Project and floor take turns, round by round; the
// medians are printed.
//
//     bin/StartupBench [folder]     (the folder keeps the generated configuration until the next run)
//     STARTUP_PROFILE=1             repeats the stamped start for a profiler and stops

#include "core/Common.h"
#include "core/KtrMain.h"
#include "core/StructureCache.h"
#include "core/YearDatabases.h"
#include "platform/Application.h"
#include "platform/Database.h"
#include "platform/Schema.h"
#include "StartupFolder.h"
#include "BenchFloors.h"
#include "ScriptedPrompts.h"

#include <QLabel>
#include <QMainWindow>
#include <QVBoxLayout>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRounds = 9;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void line(const char* what, double ms, double floorMs, const char* goal)
{
    std::printf("%-46s %9.3f ms   floor %9.3f ms   ratio %6.2f   (goal %s)\n", what, ms, floorMs, ms / floorMs,
                goal);
}

// What any program must do to work on the year: open both files and read their schemas.
void rawOpen(const QString& dictionary, const QString& data)
{
    for (const QString& path : {dictionary, data}) {
        sqlite3* db = nullptr;
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                            nullptr) != SQLITE_OK)
            throw DbError(QStringLiteral("cannot open %1").arg(path));
        sqlite3_stmt* q = nullptr;
        sqlite3_prepare_v2(db, "select count(*) from sqlite_master", -1, &q, nullptr);
        while (sqlite3_step(q) == SQLITE_ROW) {
        }
        sqlite3_finalize(q);
        sqlite3_close_v2(db);
    }
}

void unstamp(const QString& path)
{
    auto db = Database::open(path);
    db->exec(QStringLiteral("pragma user_version=0"));
}

// Each round forgets the year opened before, as a new process would not have it.
void forgetYear()
{
    Aliases::closeAll();
    clearStructureCaches();
}

} // namespace

int main(int argc, char** argv)
{
    bench::offscreenUnlessAsked();
    KestrinApplication app(argc, argv);
    QTemporaryDir temp;
    const territory::StartupFolder made =
        territory::makeStartupFolder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : temp.path());
    const QString config = made.config;
    const QString dictionaryPath = made.dictionary;
    const QString dataPath = made.data;
    QString error;
    ScriptedPrompts prompts;   // a start that asks anything is a fault here: the step is reported

    const auto startWindow = [&] {
        auto window = std::make_unique<TMain>();
        window->show();
        QCoreApplication::processEvents();
        if (window->year() != territory::kYear)
            throw DbError(QStringLiteral("the year did not open"));
        return window;
    };
    // One start, timed; the window is closed and the year forgotten outside the time.
    const auto timedStart = [&] {
        const auto start = Clock::now();
        auto window = startWindow();
        const double ms = msSince(start);
        window.reset();
        forgetYear();
        return ms;
    };
    const auto timedFloor = [&] {
        const auto start = Clock::now();
        rawOpen(dictionaryPath, dataPath);
        return msSince(start);
    };

    timedStart();   // the first start stamps both files
    if (qEnvironmentVariableIsSet("STARTUP_PROFILE")) {
        for (int i = 0; i < 1000; ++i)
            timedStart();
        return 0;
    }

    // What Qt itself costs for a main window: a bare one with as many labels, shown.
    const auto timedBareWindow = [&] {
        const auto start = Clock::now();
        {
            QMainWindow window;
            auto* central = new QWidget(&window);
            auto* layout = new QVBoxLayout(central);
            for (int i = 0; i < 24; ++i)
                layout->addWidget(new QLabel(QStringLiteral("Надпись %1").arg(i), central));
            window.setCentralWidget(central);
            window.show();
            QCoreApplication::processEvents();
        }
        return msSince(start);
    };

    const QString cfgDir = config + QLatin1Char('/');
    std::vector<double> bare;
    std::vector<double> floors, stamped, unstamped, opening, openingChecked, caches, checks;
    for (int round = 0; round < kRounds; ++round) {
        floors.push_back(timedFloor());
        stamped.push_back(timedStart());
        bare.push_back(timedBareWindow());

        floors.push_back(timedFloor());
        unstamp(dictionaryPath);
        unstamp(dataPath);
        unstamped.push_back(timedStart());

        // The parts: the year's files opened (stamped, then not), the caches filled, the check.
        auto start = Clock::now();
        if (!YearDatabases::openYear(cfgDir, territory::kYear, &error))
            throw DbError(error);
        opening.push_back(msSince(start));
        start = Clock::now();
        refreshStructureCaches(dbmain());
        caches.push_back(msSince(start));
        start = Clock::now();
        volatile qsizetype missing = Schema::missingDictionaryParts(dbmain()).size() + Schema::missingDataParts(dbdat()).size();
        (void)missing;
        checks.push_back(msSince(start));
        forgetYear();
        unstamp(dictionaryPath);
        unstamp(dataPath);
        start = Clock::now();
        if (!YearDatabases::openYear(cfgDir, territory::kYear, &error))
            throw DbError(error);
        openingChecked.push_back(msSince(start));
        forgetYear();
    }
    const double floor = bench::median(floors);
    std::printf("\nfloor: both databases opened raw and their schemas read, %.3f ms (median of %d)\n\n", floor,
                int(floors.size()));
    line("start-up to the main window, files stamped", bench::median(stamped), floor, "-");
    line("start-up, stamps taken away (schema checked)", bench::median(unstamped), floor, "-");
    line("  of which opening the year's files, stamped", bench::median(opening), floor, "-");
    line("  of which opening them, schema checked", bench::median(openingChecked), floor, "-");
    line("  of which filling the structure caches", bench::median(caches), floor, "-");
    line("  the schema check alone (both files)", bench::median(checks), floor, "-");
    line("  the window without opening and caches", bench::median(stamped) - bench::median(opening) - bench::median(caches), floor, "-");
    line("start-up against a bare main window shown", bench::median(stamped), bench::median(bare), "-");

    clearSharedState();
    return 0;
}
