#include "sample/SampleControlsFile.h"

#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/TextFiles.h"

#include <QStringList>

namespace Sample {

bool writeControlsFile(const QString& configurationFolder, const QString& dictionaryPath, QString* error)
{
    auto dictionary = Database::open(dictionaryPath, true);
    QStringList lines;
    Query q(*dictionary, QStringLiteral(
        R"(select coalesce(trim(f."formname"),''),coalesce(c."tble",''),c."lft",c."reltion",c."rght",
                  coalesce(c."cycl",''),coalesce(c."commnt",'')
           from "int_control" c left join "forms" f on f."id"=c."formid" order by c."Код")"));
    while (q.next()) {
        QStringList fields;
        for (int i = 0; i < 7; ++i)
            fields << q.text(i);
        lines << QLatin1Char('"') + fields.join(QStringLiteral("\",\"")) + QLatin1Char('"');
    }
    lines << QStringLiteral("\"Ф12\",\"(9000)\",\"ГР4\",\">=\",\"ГР5\",\"стр1..7\",\"Таблицы 9000 в образце нет\"")
          << QStringLiteral("\"Ф12\",\"\",\"Т(1000)СТР1ГР40\",\">=\",\"0\",\"\",\"Графы 40 в таблице 1000 нет\"")
          << QStringLiteral("\"Ф30\",\"(1100)\",\"ГР3\",\"=>\",\"ГР4\",\"стр1..6\",\"Неизвестное отношение\"");
    return writeLines1251(Files::join(configurationFolder, ControlsFileName), lines, error);
}

}
