#include "core/Configurations.h"
#include "platform/Files.h"
#include "platform/TextFiles.h"

#include "support/PrintTo.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class SettingsFile : public ::testing::Test {
protected:
    QTemporaryDir dir;
    void SetUp() override { Files::setProgramFolder(dir.path()); }

    QString text() const
    {
        QString t, error;
        readText1251(Files::settingsPath(), &t, &error);
        return t;
    }
    void write(const QString& t)
    {
        QString error;
        ASSERT_TRUE(writeText1251(Files::settingsPath(), t, &error)) << error.toStdString();
    }
};

TEST_F(SettingsFile, AttachingWritesTheLayoutTheConversionUtilityReads)
{
    EXPECT_FALSE(Configurations::settingsExist());
    QString error;
    ASSERT_TRUE(Configurations::attach(QStringLiteral("Область"), QStringLiteral("/data/obl/"), &error));
    ASSERT_TRUE(Configurations::writeOpened(0, 2004, &error));
    EXPECT_EQ(text(), QStringLiteral("[Конфигурации]\r\nОбласть=/data/obl\r\n\r\n[Конфигурация]\r\nLast=0\r\nYear=2004\r\n"));
    EXPECT_EQ(Configurations::storedYear(1999), 2004);
    EXPECT_EQ(Configurations::storedLast(), 0);
}

TEST_F(SettingsFile, ReattachingANameKeepsItsPlaceAndTakesTheNewFolder)
{
    write(QStringLiteral("[Конфигурации]\r\nГород=/c\r\nОбласть=/o\r\nРайон=/r\r\n"));
    QString error;
    ASSERT_TRUE(Configurations::attach(QStringLiteral("область"), QStringLiteral("/new"), &error));
    EXPECT_EQ(Configurations::names(), (QStringList{QStringLiteral("Город"), QStringLiteral("Область"), QStringLiteral("Район")}));
    EXPECT_EQ(Configurations::folder(QStringLiteral("ОБЛАСТЬ")), QStringLiteral("/new"));
    EXPECT_EQ(Configurations::indexOf(Configurations::names(), QStringLiteral("рАЙОН")), 2);
    EXPECT_EQ(Configurations::indexOf(Configurations::names(), QStringLiteral("Села")), -1);
}

TEST_F(SettingsFile, ANameTheLayoutCannotHoldIsRefusedAndNothingIsWritten)
{
    const char* bad[] = {"a=b", "[a", "a]", ";a", "a\nb", "a\rb", "", "   ", " a"};
    for (const char* name : bad) {
        SCOPED_TRACE(name);
        QString error;
        EXPECT_FALSE(Configurations::attach(QString::fromUtf8(name), QStringLiteral("/x"), &error));
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_FALSE(Configurations::settingsExist());
    EXPECT_TRUE(Configurations::isValidName(QStringLiteral("Тест; 2 \"кв.\"")));
}

TEST_F(SettingsFile, MissingOrBrokenValuesReadAsTheDefaults)
{
    EXPECT_EQ(Configurations::storedYear(2026), 2026);
    EXPECT_EQ(Configurations::storedLast(), 0);
    write(QStringLiteral("[Конфигурация]\r\nYear=две тысячи\r\nLast=\r\n"));
    EXPECT_EQ(Configurations::storedYear(2026), 2026);
    EXPECT_EQ(Configurations::storedLast(), 0);
    EXPECT_TRUE(Configurations::folder(QStringLiteral("Нет такой")).isEmpty());
}

TEST(ConfigurationFolder, OneTrailingSeparatorIsDropped)
{
    struct Case { const char* given; const char* stored; const char* cfgDir; };
    const Case cases[] = {
        {"/data/obl/", "/data/obl", "/data/obl/"},
        {"/data/obl", "/data/obl", "/data/obl/"},
        {"C:\\Базы\\", "C:\\Базы", "C:\\Базы/"},
        {"/data//", "/data/", "/data/"},
        {"/", "/", "/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.given);
        const QString stored = Configurations::storedFolder(QString::fromUtf8(c.given));
        EXPECT_EQ(stored, QString::fromUtf8(c.stored));
        EXPECT_EQ(Configurations::configurationDir(stored), QString::fromUtf8(c.cfgDir));
    }
}

}  // namespace
