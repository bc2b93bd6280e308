#include "sample/SampleLevels.h"

#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/Schema.h"
#include "platform/TextFiles.h"
#include "sample/SampleConfiguration.h"

namespace Sample {

bool makeLevels(const QString& configurationFolder, const QString& programFolder, QString* error)
{
    const QString yearFolder = Files::join(configurationFolder, QString::number(DataYear));
    try {
        auto dictionary = Database::open(Files::join(yearFolder, QStringLiteral("ktrmain.mdb")));
        const struct {
            const char* name;
            double scale;
        } levels[] = {{"1 квартал", 1.0}, {"2 квартал", 0.5}};
        for (const auto& level : levels) {
            dictionary->exec(QStringLiteral(R"(insert into "subreps" ("name") values (?))"), {QString::fromUtf8(level.name)});
            const qint64 id = dictionary->lastInsertId();
            const QString path = Files::join(yearFolder, QStringLiteral("data%1.mdb").arg(id));
            Schema::createDataDatabaseFile(path);
            auto data = Database::open(path);
            AttachedFile annual(*data, Files::join(yearFolder, QStringLiteral("data0.mdb")));
            data->exec(QStringLiteral(R"(insert into "data" ("hospital","data","year","table","column","row") )"
                                      R"(select "hospital","data"*?,"year","table","column","row" from %1)")
                           .arg(annual.table(QStringLiteral("data"))),
                       {level.scale});
        }
    } catch (const DbError& e) {
        if (error)
            *error = e.userText();
        return false;
    }
    return writeLines1251(Files::join(programFolder, QStringLiteral("Несуммируемые позиции.txt")),
                          {QStringLiteral("Ф30,(1100)"), QStringLiteral("Ф12,(1000),4"),
                           QStringLiteral("ф30,(2100),,1,3..4")},
                          error);
}

}
