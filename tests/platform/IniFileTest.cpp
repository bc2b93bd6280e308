#include "platform/IniFile.h"

#include "platform/TextFiles.h"
#include "FileBytes.h"
#include "PrintTo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>

namespace {


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



TEST(IniFile, ASectionGivenTwiceIsReadAndWrittenInItsFirstCopy)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.ini"));
    writeBytes(path, in1251(QStringLiteral("[Конфигурация]\r\nYear=2003\r\n[Прочее]\r\nx=1\r\n"
                                           "[Конфигурация]\r\nYear=2010\r\nLast=4\r\n")));
    IniFile ini(path);
    EXPECT_EQ(ini.readInteger(QStringLiteral("Конфигурация"), QStringLiteral("Year")), 2003);
    ASSERT_TRUE(ini.writeInteger(QStringLiteral("Конфигурация"), QStringLiteral("Year"), 2025));
    ASSERT_TRUE(ini.writeInteger(QStringLiteral("Конфигурация"), QStringLiteral("Last"), 1));
    const IniFile again(path);
    EXPECT_EQ(again.readInteger(QStringLiteral("Конфигурация"), QStringLiteral("Year")), 2025);
    EXPECT_EQ(again.readInteger(QStringLiteral("Конфигурация"), QStringLiteral("Last")), 1);
}

TEST(IniFile, ValuesWithBlanksOrQuotesReadBackExactlyAfterEveryRewrite)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.ini"));
    const QString values[] = {
        QStringLiteral("  D:\\Отчеты  "), QStringLiteral("\"в кавычках\""), QStringLiteral("\"\"двойные\"\""),
        QStringLiteral("\""), QStringLiteral("a\"b"), QStringLiteral(" \"x\" "), QStringLiteral("обычное"), QString(),
    };
    IniFile ini(path);
    for (int i = 0; i < int(std::size(values)); ++i)
        ASSERT_TRUE(ini.writeString(QStringLiteral("S"), QStringLiteral("k%1").arg(i), values[i]));
    // Three more rewrites of the file by other keys: nothing may wear off.
    for (int round = 0; round < 3; ++round) {
        IniFile rewrite(path);
        ASSERT_TRUE(rewrite.writeInteger(QStringLiteral("S"), QStringLiteral("round"), round));
    }
    const IniFile again(path);
    for (int i = 0; i < int(std::size(values)); ++i)
        EXPECT_EQ(again.readString(QStringLiteral("S"), QStringLiteral("k%1").arg(i), QStringLiteral("нет")),
                  values[i].isNull() ? QStringLiteral("") : values[i])
            << i;
}

TEST(IniFile, AFileThatCannotBeDecodedIsNamedAndNeverWritten)
{
    QTemporaryDir dir;
    struct Case {
        const char* what;
        QByteArray bytes;
        const char* says;
    } cases[] = {
        {"utf-8", QStringLiteral("[Конфигурации]\r\nРайон=/data\r\n").toUtf8(), "в кодировке UTF-8"},
        {"too large to be one", QByteArray(2 << 20, 'x'), "слишком велик"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = dir.filePath(QStringLiteral("bad.ini"));
        writeBytes(path, c.bytes);
        IniFile ini(path);
        EXPECT_TRUE(ini.readError().contains(QString::fromUtf8(c.says))) << ini.readError().toStdString();
        EXPECT_TRUE(ini.readSection(QStringLiteral("Конфигурации")).isEmpty());
        EXPECT_FALSE(ini.writeInteger(QStringLiteral("Конфигурация"), QStringLiteral("Year"), 2025));
        EXPECT_FALSE(ini.errorString().isEmpty());
        EXPECT_EQ(readBytes(path), c.bytes);
    }
    // A folder in the file's place cannot be read either.
    const QString folder = dir.filePath(QStringLiteral("folder.ini"));
    ASSERT_TRUE(QDir().mkpath(folder));
    IniFile ini(folder);
    EXPECT_FALSE(ini.readError().isEmpty());
    EXPECT_FALSE(ini.writeInteger(QStringLiteral("S"), QStringLiteral("k"), 1));
}

TEST(IniFile, SeveralValuesGoInOneWriteOrNotAtAll)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.ini"));
    IniFile ini(path);
    ASSERT_TRUE(ini.writeStrings(QStringLiteral("Конфигурация"),
                                 {{QStringLiteral("Last"), QStringLiteral("2")}, {QStringLiteral("Year"), QStringLiteral("2024")}}));
    EXPECT_EQ(readBytes(path), in1251(QStringLiteral("[Конфигурация]\r\nLast=2\r\nYear=2024\r\n")));
    // One value the file cannot hold: neither is written.
    EXPECT_FALSE(ini.writeStrings(QStringLiteral("Конфигурация"),
                                  {{QStringLiteral("Last"), QStringLiteral("3")}, {QStringLiteral("Year"), QStringLiteral("20\n25")}}));
    EXPECT_EQ(IniFile(path).readInteger(QStringLiteral("Конфигурация"), QStringLiteral("Last")), 2);
}

TEST(IniFile, ALeftoverTemporaryFileDoesNotAccumulate)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kestrin.ini"));
    // What a run killed in the middle of a write leaves behind.
    writeBytes(path + QStringLiteral(".tmp"), QByteArray("[S]\r\nhalf"));
    IniFile ini(path);
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(ini.writeInteger(QStringLiteral("S"), QStringLiteral("k"), i));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("kestrin.ini")});
    EXPECT_EQ(IniFile(path).readInteger(QStringLiteral("S"), QStringLiteral("k")), 2);
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
        {"nul", QByteArray("[A]\r\nB=1\0\r\n", 11), "не является текстовым файлом"},
        {"huge", QByteArray(2 << 20, '\n'), "слишком велик"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("kestrin.ini"));
        writeBytes(path, c.bytes);
        IniFile ini(path);
        EXPECT_FALSE(ini.exists());
        EXPECT_TRUE(ini.errorString().contains(QString::fromUtf8(c.reason))) << ini.errorString().toStdString();
        EXPECT_TRUE(ini.readSection(QStringLiteral("A")).isEmpty());
    }
}

} // namespace

namespace {

TEST(IniFile, AWriteNeverLeavesAFileTheReaderRefuses)
{
    const QString big(600 * 1024, u'x');
    struct Case {
        const char* what;
        QByteArray before;
        std::function<bool(IniFile&)> write;
        bool writes;
    };
    const Case cases[] = {
        // The blank first line keeps the signature off the start; the writer drops blank lines.
        {"zip signature behind a blank line", QByteArray("\nPK\x03\x04\n"),
         [](IniFile& ini) { return ini.writeInteger(QStringLiteral("Конфигурация"), QStringLiteral("Year"), 2025); },
         false},
        // What stays after the erase is valid UTF-8: "В»" is C2 BB in Windows-1251.
        {"an erase leaving text that reads as UTF-8", in1251(QStringLiteral("[A]\r\nk=Жук\r\n[B]\r\nv=В»\r\n")),
         [](IniFile& ini) { return ini.eraseSection(QStringLiteral("A")); }, false},
        {"a value that reads as UTF-8", QByteArray("[S]\r\nk=1\r\n"),
         [](IniFile& ini) { return ini.writeString(QStringLiteral("S"), QStringLiteral("v"), QStringLiteral("В»")); },
         false},
        {"a value past the size of a settings file", "[S]\r\na=" + big.toLatin1() + "\r\n",
         [&](IniFile& ini) { return ini.writeString(QStringLiteral("S"), QStringLiteral("b"), big); }, false},
        {"a blank first line before a section", QByteArray("\n[S]\r\nk=1\r\n"),
         [](IniFile& ini) { return ini.writeInteger(QStringLiteral("S"), QStringLiteral("k"), 2); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("kestrin.ini"));
        writeBytes(path, c.before);
        IniFile ini(path);
        ASSERT_TRUE(ini.readError().isEmpty()) << ini.readError().toStdString();
        const QByteArray readable = readBytes(path);
        const bool written = c.write(ini);
        EXPECT_EQ(written, c.writes);
        IniFile again(path);
        EXPECT_TRUE(again.readError().isEmpty()) << again.readError().toStdString();
        if (!written) {
            EXPECT_TRUE(ini.errorString().contains(QStringLiteral("Файл настроек не изменен"))) << ini.errorString().toStdString();
            EXPECT_EQ(readBytes(path), readable);
        }
    }
}

// A start writes the year and configuration it opened each time: when the file holds them
// already it is left as it is (a file with bare LF line ends shows whether it was rewritten).
TEST(IniFile, ValuesAlreadyStoredLeaveTheFileUntouched)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kestrin.ini"));
    const QByteArray bare = in1251(QStringLiteral("[Конфигурация]\nLast=0\nYear=2025\n"));
    writeBytes(path, bare);
    IniFile ini(path);
    ASSERT_TRUE(ini.writeStrings(QStringLiteral("Конфигурация"),
                                 {{QStringLiteral("Last"), QStringLiteral("0")}, {QStringLiteral("Year"), QStringLiteral("2025")}}));
    ASSERT_TRUE(ini.writeInteger(QStringLiteral("Конфигурация"), QStringLiteral("Year"), 2025));
    EXPECT_EQ(readBytes(path), bare);
    ASSERT_TRUE(ini.writeInteger(QStringLiteral("Конфигурация"), QStringLiteral("Year"), 2026));
    EXPECT_EQ(readBytes(path), in1251(QStringLiteral("[Конфигурация]\r\nLast=0\r\nYear=2026\r\n")));
}

} // namespace
