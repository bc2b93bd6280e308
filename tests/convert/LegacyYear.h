#pragma once
// A year made before the type tree and the ordering columns: <config>/<year>/ktrmain.mdb with the
// legacy dictionary, two institution types (1 "Больничные учреждения", 2 "Поликлиники"), one
// institution and one summary report.

#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/Schema.h"
#include "platform/TextFiles.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <gtest/gtest.h>

namespace LegacyYear {

inline QString make(const QString& configFolder, const QString& year)
{
    const QString folder = Files::join(configFolder, year);
    QDir().mkpath(folder);
    const QString path = Files::join(folder, QStringLiteral("ktrmain.mdb"));
    auto db = Database::create(path);
    Schema::createLegacyDictionary(*db);
    db->exec(QStringLiteral(R"(insert into "medicaltypes" ("id","type") values (1,?),(2,?))"),
             {QStringLiteral("Больничные учреждения"), QStringLiteral("Поликлиники")});
    db->exec(QStringLiteral(R"(insert into "administration" ("unit","dependence","medicaltype","country")
        values (?,0,1,0))"), {QStringLiteral("Заречная ЦРБ")});
    db->exec(QStringLiteral(R"(insert into "reports" ("report","net","include") values (?,0,'1'))"),
             {QStringLiteral("Заречный район")});
    return path;
}

// A dictionary that refuses any change of its types, as a failing disk would refuse a write.
inline void refuseTypeChanges(const QString& path)
{
    auto db = Database::open(path);
    db->exec(QStringLiteral(R"(create trigger "refuse" before update on "medicaltypes"
        begin select raise(abort, 'запись отклонена'); end)"));
}

inline QByteArray bytes(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

// The types file: a header line, then the given lines, in Windows-1251 with CR LF.
inline void writeTypes(const QString& path, const QStringList& lines)
{
    QString error;
    ASSERT_TRUE(writeLines1251(path, QStringList{QStringLiteral("id\ttype\tparent\tind")} + lines, &error))
        << error.toStdString();
}

}  // namespace LegacyYear
