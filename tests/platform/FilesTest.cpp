#include "platform/Files.h"
#include "platform/TextFiles.h"

#include "PrintTo.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// A failed read or write says why in Russian, whatever language the system spoke.
TEST(FileErrors, TheSystemsReasonIsSaidInRussian)
{
    struct Case { const char* system; const char* shown; };
    const Case cases[] = {
        {"Permission denied", "нет прав доступа"},
        {"No space left on device", "нет места на диске"},
        {"No such file or directory", "нет такого файла или папки"},
        {"Read-only file system", "диск доступен только для чтения"},
        {"Нет такого файла или каталога", "Нет такого файла или каталога"},   // a Russian desktop's own
        {"Stale file handle", "ошибка ввода-вывода"},                          // none we know
        {"", "неизвестная ошибка"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.system);
        EXPECT_EQ(Files::systemErrorText(QString::fromUtf8(c.system)), QString::fromUtf8(c.shown));
    }

    QTemporaryDir dir;
    QFile missing(dir.filePath(QStringLiteral("нет/links.mdb")));
    ASSERT_FALSE(missing.open(QIODevice::ReadOnly));
    EXPECT_EQ(Files::errorText(missing), QStringLiteral("нет такого файла или папки"));
    QFile folder(dir.path());
    ASSERT_FALSE(folder.open(QIODevice::WriteOnly));
    EXPECT_EQ(Files::errorText(folder), QStringLiteral("это папка, а не файл"));
}

TEST(FileDialogColumns, SizesAndKindsReadInRussianWithAPoint)
{
    struct Case { qint64 bytes; const char* shown; };
    const Case sizes[] = {
        {0, "0 байт"}, {1023, "1023 байт"}, {1024, "1.0 КБ"}, {1536, "1.5 КБ"},
        {3 * 1024 * 1024, "3.0 МБ"}, {qint64(5) << 30, "5.0 ГБ"},
    };
    for (const Case& c : sizes)
        EXPECT_EQ(Files::sizeText(c.bytes), QString::fromUtf8(c.shown)) << c.bytes;
    EXPECT_EQ(Files::kindText(true, QString()), QStringLiteral("Папка"));
    EXPECT_EQ(Files::kindText(false, QStringLiteral("MDB")), QStringLiteral("Файл .mdb"));
    EXPECT_EQ(Files::kindText(false, QString()), QStringLiteral("Файл"));
}

// What the user reads when a text file cannot be read: the path, then the reason in Russian,
// never the system's English.
TEST(FileErrors, ATextFileThatCannotBeReadSaysWhyInRussian)
{
    QTemporaryDir dir;
    const QString inMissingFolder = dir.filePath(QStringLiteral("нет/контроли.ktr"));
    QString error;
    QString text;
    EXPECT_FALSE(readText1251(inMissingFolder, &text, &error));
    EXPECT_TRUE(error.endsWith(QStringLiteral(": нет такого файла или папки"))) << error.toStdString();
}
