#include "platform/Files.h"
#include "platform/TextFiles.h"

#include "FileBytes.h"
#include "PrintTo.h"

#include <QDir>
#include <QFile>
#include <QIODevice>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <unistd.h>

namespace {


QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

bool saveText(const QString& path, const QByteArray& bytes)
{
    QString error;
    return Files::saveFileSafely(path, [&](QIODevice* device) { return device->write(bytes) == bytes.size(); }, &error);
}

// A save that dies halfway: the process ends inside the write, as when it is killed, so nothing
// after it runs (no destructor, no clean-up).
void killedSave(const QString& path)
{
    QString error;
    Files::saveFileSafely(path, [](QIODevice* device) {
        device->write("half");
        ::_exit(0);
        return true;
    }, &error);
}

TEST(FilesDeathTest, FailedSavesOfOneFileLeaveAtMostOneTemporaryFile)
{
    // The child must see the parent's folder, so it is forked, not started anew.
    GTEST_FLAG_SET(death_test_style, "fast");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("saved.cnd"));
    ASSERT_TRUE(saveText(path, "old"));
    // What a save killed in an earlier run left behind.
    writeBytes(Files::temporaryPathFor(path), QByteArray());

    for (int i = 0; i < 2; ++i)
        EXPECT_EXIT(killedSave(path), ::testing::ExitedWithCode(0), "");
    EXPECT_LE(filesIn(dir.path()).size(), 2) << filesIn(dir.path()).join(u' ').toStdString();
    EXPECT_EQ(readBytes(path), QByteArray("old"));

    // A write that gives up is no kill: it leaves nothing behind at all.
    QString error;
    EXPECT_FALSE(Files::saveFileSafely(path, [](QIODevice* device) { device->write("half"); return false; }, &error));
    EXPECT_LE(filesIn(dir.path()).size(), 2);
    EXPECT_EQ(readBytes(path), QByteArray("old"));

    // The next save takes the leftover's name and leaves the file alone.
    ASSERT_TRUE(saveText(path, "new"));
    EXPECT_EQ(filesIn(dir.path()), QStringList{QStringLiteral("saved.cnd")});
    EXPECT_EQ(readBytes(path), QByteArray("new"));
}

TEST(Files, ASaveThatCannotReplaceTheFileSaysSoAndLeavesNoTemporaryFile)
{
    QTemporaryDir dir;
    // A folder in the file's place cannot be replaced by a file.
    const QString path = dir.filePath(QStringLiteral("saved.cnd"));
    ASSERT_TRUE(QDir().mkpath(Files::join(path, QStringLiteral("inside"))));
    QString error;
    EXPECT_FALSE(Files::saveFileSafely(path, [](QIODevice* device) { return device->write("new") == 3; }, &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Не удалось записать файл ") + path)) << error.toStdString();
    EXPECT_EQ(filesIn(dir.path()), QStringList());
}

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

} // namespace
