#include "core/ReportLevels.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/Schema.h"

#include "support/PrintTo.h"
#include "support/YearFixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray bytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class Levels : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString program = dir.filePath(QStringLiteral("program"));
    std::unique_ptr<YearFixture> year;

    void SetUp() override
    {
        ASSERT_TRUE(QDir().mkpath(program + QStringLiteral("/source")));
        Files::setProgramFolder(program);
        Schema::createDataDatabaseFile(Files::templateDataDatabase());
        year = std::make_unique<YearFixture>(dir.path(), 2004);
    }

    QString levelFile(int id) const { return year->yearFolder() + QStringLiteral("/data%1.mdb").arg(id); }
    int rows() { return year->dictionary().scalar(QStringLiteral(R"(select count(*) from "subreps")")).toInt(); }
};

TEST_F(Levels, ALevelComesWithItsRowAndAFreshCopyOfTheTemplate)
{
    QString error;
    const auto level = ReportLevels::create(year->dictionary(), year->yearFolder(), QStringLiteral("1 квартал"), &error);
    ASSERT_TRUE(level) << error.toStdString();
    EXPECT_NE(level->id, 0);
    EXPECT_EQ(ReportLevels::list(year->dictionary()), (QList<ReportLevel>{{level->id, QStringLiteral("1 квартал")}}));
    EXPECT_EQ(bytes(levelFile(level->id)), bytes(Files::templateDataDatabase()));
}

TEST_F(Levels, ANameIsStoredAsTypedQuotesAndAll)
{
    const QString names[] = {QStringLiteral("Отчет \"Весна\""), QStringLiteral("it's; --"), QStringLiteral("  с пробелами ")};
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        QString error;
        const auto level = ReportLevels::create(year->dictionary(), year->yearFolder(), name, &error);
        ASSERT_TRUE(level) << error.toStdString();
        EXPECT_EQ(ReportLevels::list(year->dictionary()).last(), (ReportLevel{level->id, name}));
    }
}

TEST_F(Levels, ABlankNameIsRefused)
{
    for (const QString& name : {QString(), QStringLiteral("   ")}) {
        QString error;
        EXPECT_FALSE(ReportLevels::create(year->dictionary(), year->yearFolder(), name, &error));
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_EQ(rows(), 0);
}

TEST_F(Levels, AFailedCopyLeavesNoRow)
{
    ASSERT_TRUE(QFile::remove(Files::templateDataDatabase()));
    QString error;
    EXPECT_FALSE(ReportLevels::create(year->dictionary(), year->yearFolder(), QStringLiteral("1 квартал"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("data0.mdb"))) << error.toStdString();
    EXPECT_EQ(rows(), 0);
    EXPECT_EQ(Files::listFiles(year->yearFolder(), {QStringLiteral("data*.mdb")}), QStringList{QStringLiteral("data0.mdb")});
}

// A creation stopped midway leaves at most its copy under the working name, or a whole file
// under the id its uncommitted row gave up: the next creation takes both over.
TEST_F(Levels, WhatAStoppedCreationLeftIsTakenOverByTheNext)
{
    for (const char* name : {"новый уровень отчета.tmp", "data1.mdb"}) {
        QFile f(year->yearFolder() + QLatin1Char('/') + QString::fromUtf8(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("left by a stopped run");
    }
    QString error;
    const auto level = ReportLevels::create(year->dictionary(), year->yearFolder(), QStringLiteral("1 квартал"), &error);
    ASSERT_TRUE(level) << error.toStdString();
    EXPECT_EQ(level->id, 1);
    EXPECT_EQ(bytes(levelFile(1)), bytes(Files::templateDataDatabase()));
    EXPECT_EQ(Files::listFiles(year->yearFolder()),
              (QStringList{QStringLiteral("data0.mdb"), QStringLiteral("data1.mdb"), QStringLiteral("ktrmain.mdb")}));
}

TEST_F(Levels, ARefusedRowLeavesNoFile)
{
    year->dictionary().exec(QStringLiteral(
        R"(create trigger "refuse" before insert on "subreps" begin select raise(abort, 'forced'); end)"));
    QString error;
    EXPECT_THROW(ReportLevels::create(year->dictionary(), year->yearFolder(), QStringLiteral("1 квартал"), &error),
                 DbError);
    EXPECT_EQ(rows(), 0);
    EXPECT_EQ(Files::listFiles(year->yearFolder()), (QStringList{QStringLiteral("data0.mdb"), QStringLiteral("ktrmain.mdb")}));
}

TEST_F(Levels, RemovingALevelTakesItsRowAndItsFile)
{
    const int keep = year->addLevel(QStringLiteral("1 квартал"));
    const int gone = year->addLevel(QStringLiteral("Полугодие"));
    QString error;
    ASSERT_TRUE(ReportLevels::remove(year->dictionary(), year->yearFolder(), gone, &error)) << error.toStdString();
    EXPECT_EQ(ReportLevels::list(year->dictionary()), (QList<ReportLevel>{{keep, QStringLiteral("1 квартал")}}));
    EXPECT_FALSE(Files::exists(levelFile(gone)));
    EXPECT_TRUE(Files::exists(levelFile(keep)));
}

TEST_F(Levels, AFileThatCannotBeRemovedKeepsTheRow)
{
    const int id = year->addLevel(QStringLiteral("1 квартал"));
    // A folder in the file's place: no file removal can take it.
    ASSERT_TRUE(QFile::remove(levelFile(id)));
    ASSERT_TRUE(QDir().mkpath(levelFile(id) + QStringLiteral("/inside")));
    QString error;
    EXPECT_FALSE(ReportLevels::remove(year->dictionary(), year->yearFolder(), id, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(rows(), 1);
}

// The row's deletion fails at its commit (a deferred reference to the level): the file must still
// be there, as it was, beside its row.
TEST_F(Levels, AFailedCommitKeepsTheLevelWithItsFile)
{
    const int id = year->addLevel(QStringLiteral("1 квартал"));
    const QByteArray before = bytes(levelFile(id));
    ASSERT_FALSE(before.isEmpty());
    year->dictionary().execScript(QStringLiteral(
        R"(pragma foreign_keys=ON;
           create table "guard" ("level" integer references "subreps"("id") deferrable initially deferred);
           insert into "guard" values (%1);)").arg(id));
    QString error;
    EXPECT_THROW(ReportLevels::remove(year->dictionary(), year->yearFolder(), id, &error), DbError);
    EXPECT_EQ(rows(), 1);
    EXPECT_EQ(bytes(levelFile(id)), before);
    EXPECT_EQ(Files::listFiles(year->yearFolder(), {QStringLiteral("data*")}),
              (QStringList{QStringLiteral("data0.mdb"), QStringLiteral("data%1.mdb").arg(id)}));
}

}  // namespace
