#include "platform/Files.h"

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

}
