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

TEST(IniFile, AFileThatIsNoSettingsFileIsRefusedWithItsReason)
{
    struct Case {
        const char* what;
        QByteArray bytes;
        const char* reason;
    };
    const Case cases[] = {
        {"zip", QByteArray("PK\x03\x04") + QByteArray(64, 'x'), "не является текстовым файлом"},
        {"nul", QByteArray("[A]\r\nB=1\0\r\n", 11), "строка 2: файл не является текстовым"},
        {"long line", "[A]\r\nB=" + QByteArray(100 * 1024, 'x') + "\r\n", "строка 2: строка длиннее 65536 символов"},
        {"huge", QByteArray(2 << 20, '\n'), "слишком велик"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("kestrin.ini"));
        {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(c.bytes);
        }
        IniFile ini(path);
        EXPECT_FALSE(ini.exists());
        EXPECT_TRUE(ini.errorString().contains(QString::fromUtf8(c.reason))) << ini.errorString().toStdString();
        EXPECT_TRUE(ini.readSection(QStringLiteral("A")).isEmpty());
    }
}

} // namespace
