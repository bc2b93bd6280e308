#include "platform/TextFiles.h"

#include "platform/Files.h"
#include "PrintTo.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(TextFiles, RoundTripCyrillicAsWindows1251Bytes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.txt"));
    QString error;
    ASSERT_TRUE(writeLines1251(path, {QStringLiteral("Ф12\tЦРБ"), QStringLiteral("ё")}, &error)) << error.toStdString();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("\xD4" "12\t\xD6\xD0\xC1\r\n\xB8\r\n"));
    QStringList lines;
    ASSERT_TRUE(readLines1251(path, &lines, &error));
    EXPECT_EQ(lines, QStringList({QStringLiteral("Ф12\tЦРБ"), QStringLiteral("ё")}));
}

TEST(TextFiles, ACharacterWithoutAByteIsRefusedAndTheOldFileStays)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.txt"));
    QString error;
    ASSERT_TRUE(writeText1251(path, QStringLiteral("старое"), &error));
    EXPECT_FALSE(writeText1251(path, QStringLiteral("новое €漢"), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("漢")));
    QString text;
    ASSERT_TRUE(readText1251(path, &text, &error));
    EXPECT_EQ(text, QStringLiteral("старое"));
}

TEST(TextFiles, WholeFileReadersRefuseAFileLargerThanTheirBound)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.txt"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        const QByteArray line(1023, 'a');
        for (qint64 n = 0; n <= kMaxText1251Bytes / 1024; ++n)
            f.write(line + '\n');
    }
    QString text;
    QStringList lines;
    QString error;
    EXPECT_FALSE(readText1251(path, &text, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("слишком велик"))) << error.toStdString();
    EXPECT_TRUE(text.isEmpty());
    error.clear();
    EXPECT_FALSE(readLines1251(path, &lines, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("слишком велик"))) << error.toStdString();
    EXPECT_TRUE(lines.isEmpty());
}

TEST(Files, CopyReportsWhatFailed)
{
    QTemporaryDir dir;
    QString error;
    EXPECT_FALSE(Files::copyFile(dir.filePath(QStringLiteral("none")), dir.filePath(QStringLiteral("b")), true, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("none")));
    ASSERT_TRUE(writeText1251(dir.filePath(QStringLiteral("a")), QStringLiteral("1"), &error));
    ASSERT_TRUE(Files::copyFile(dir.filePath(QStringLiteral("a")), dir.filePath(QStringLiteral("b")), true, &error));
    EXPECT_FALSE(Files::copyFile(dir.filePath(QStringLiteral("a")), dir.filePath(QStringLiteral("b")), false, &error));
    EXPECT_FALSE(Files::copyFile(dir.filePath(QStringLiteral("a")), dir.filePath(QStringLiteral("x/y/b")), true, &error));
    EXPECT_EQ(Files::join(QStringLiteral("/cfg"), QStringLiteral("2025"), QStringLiteral("ktrmain.mdb")),
              QStringLiteral("/cfg/2025/ktrmain.mdb"));
}

} // namespace
