#include "platform/IniFile.h"

#include "platform/TextFiles.h"
#include "PrintTo.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(IniFile, KeepsFileOrderAndWritesWindows1251WithCrLf)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kestrin.ini"));
    IniFile ini(path);
    EXPECT_FALSE(ini.exists());
    ASSERT_TRUE(ini.writeString(QStringLiteral("Конфигурации"), QStringLiteral("Район"), QStringLiteral("/data/r")));
    ASSERT_TRUE(ini.writeString(QStringLiteral("Конфигурации"), QStringLiteral("Область"), QStringLiteral("/data/o")));
    ASSERT_TRUE(ini.writeString(QStringLiteral("Конфигурации"), QStringLiteral("Город"), QStringLiteral("/data/g")));
    ASSERT_TRUE(ini.writeInteger(QStringLiteral("Конфигурация"), QStringLiteral("Year"), 2025));

    IniFile again(path);
    EXPECT_EQ(again.readSection(QStringLiteral("Конфигурации")),
              QStringList({QStringLiteral("Район"), QStringLiteral("Область"), QStringLiteral("Город")}));
    EXPECT_EQ(again.readInteger(QStringLiteral("конфигурация"), QStringLiteral("year")), 2025);

    QByteArray expected;
    QString error;
    ASSERT_TRUE(encode1251(QStringLiteral("[Конфигурации]\r\nРайон=/data/r\r\nОбласть=/data/o\r\nГород=/data/g\r\n"
                                          "\r\n[Конфигурация]\r\nYear=2025\r\n"),
                           &expected, &error));
    EXPECT_EQ(readBytes(path), expected);
}

TEST(IniFile, ReplacingAValueKeepsItsPlace)
{
    QTemporaryDir dir;
    IniFile ini(dir.filePath(QStringLiteral("a.ini")));
    ini.writeString(QStringLiteral("S"), QStringLiteral("A"), QStringLiteral("1"));
    ini.writeString(QStringLiteral("S"), QStringLiteral("B"), QStringLiteral("2"));
    ini.writeString(QStringLiteral("s"), QStringLiteral("a"), QStringLiteral("3"));
    EXPECT_EQ(ini.readSectionValues(QStringLiteral("S")),
              (QList<QPair<QString, QString>>{{QStringLiteral("A"), QStringLiteral("3")}, {QStringLiteral("B"), QStringLiteral("2")}}));
    ini.deleteKey(QStringLiteral("S"), QStringLiteral("A"));
    EXPECT_EQ(IniFile(ini.path()).readSection(QStringLiteral("S")), QStringList({QStringLiteral("B")}));
}

TEST(IniFile, RefusesNamesTheLayoutCannotHold)
{
    QTemporaryDir dir;
    IniFile ini(dir.filePath(QStringLiteral("a.ini")));
    for (const char* bad : {"a=b", "[x", "y]", ";c", "d\ne", ""}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(ini.writeString(QStringLiteral("S"), QString::fromUtf8(bad), QStringLiteral("v")));
    }
    EXPECT_FALSE(QFileInfo::exists(ini.path()));
}

TEST(IniFile, AFailedWriteLeavesTheFileAsItWas)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.ini"));
    IniFile ini(path);
    ASSERT_TRUE(ini.writeString(QStringLiteral("S"), QStringLiteral("A"), QStringLiteral("1")));
    const QByteArray before = readBytes(path);
    // A character Windows-1251 has no byte for.
    EXPECT_FALSE(ini.writeString(QStringLiteral("S"), QStringLiteral("B"), QStringLiteral("漢")));
    EXPECT_FALSE(ini.errorString().isEmpty());
    EXPECT_EQ(readBytes(path), before);
    EXPECT_EQ(ini.readString(QStringLiteral("S"), QStringLiteral("B"), QStringLiteral("нет")), QStringLiteral("нет"));
}

} // namespace
