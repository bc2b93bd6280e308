#include "setup/ControlsFile.h"

#include "platform/TextFiles.h"
#include "PrintTo.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }

QByteArray cp1251(const QString& text)
{
    QByteArray bytes;
    QString error;
    EXPECT_TRUE(encode1251(text, &bytes, &error)) << error.toStdString();
    return bytes;
}

TEST(ControlsFile, BlanksAfterTheClosingQuoteAreNoPartOfTheLine)
{
    const QString good = u("\"Ф12\",\"(1000)\",\"стр1гр3\",\"=\",\"5\",\"\",\"годный\"");
    const QStringList lines = {good + u("  "), good + u("\t"), good + u(" \t "), good + u("x")};
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += cp1251(line + u("\r\n"));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    ControlsFileReader reader;
    ASSERT_TRUE(reader.read(&buffer, u("c.ktr"))) << reader.errorString().toStdString();
    ASSERT_EQ(reader.lines().size(), 4);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const ControlLine& line = reader.lines()[i];
        EXPECT_TRUE(line.ok) << line.reason.toStdString();
        EXPECT_EQ(line.text, lines[i]);   // the rejected-controls file gets the line as read
        EXPECT_EQ(line.record.formName, u("Ф12"));
        EXPECT_EQ(line.record.lft, u("СТР1ГР3"));
        EXPECT_EQ(line.record.commnt, u("годный"));
    }
    // Anything else after the quote still makes the line no control.
    EXPECT_FALSE(reader.lines()[3].ok);
}

class ControlsFileBounds : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(u(name)); }
};

TEST_F(ControlsFileBounds, AFileLargerThanTheBoundIsRefusedBeforeItIsRead)
{
    // Zero bytes past the bound: read, the file would be refused as not being text instead.
    QFile file(path("big.ktr"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_TRUE(file.resize(ControlsFileReader::maxFileBytes + 1));
    file.close();
    ControlsFileReader reader;
    EXPECT_FALSE(reader.read(path("big.ktr")));
    EXPECT_TRUE(reader.errorString().contains(u("слишком велик"))) << reader.errorString().toStdString();
    EXPECT_TRUE(reader.errorString().contains(u("big.ktr")));
    EXPECT_TRUE(reader.lines().isEmpty());
}

TEST_F(ControlsFileBounds, AFileOfMoreLinesThanTheBoundIsRefused)
{
    const QString control = u("\"Ф12\",\"(1000)\",\"стр1гр3\",\"=\",\"5\",\"\",\"к\"");
    for (const int count : {ControlsFileReader::maxLines, ControlsFileReader::maxLines + 1}) {
        SCOPED_TRACE(count);
        QByteArray bytes = cp1251(control + u("\r\n"));
        bytes += QByteArray("-\r\n").repeated(count - 1);   // short lines that are no control
        QFile file(path("many.ktr"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        ASSERT_LT(bytes.size(), ControlsFileReader::maxFileBytes);
        ControlsFileReader reader;
        const bool read = reader.read(path("many.ktr"));
        if (count == ControlsFileReader::maxLines) {
            EXPECT_TRUE(read) << reader.errorString().toStdString();
            EXPECT_EQ(reader.lines().size(), 1);
            EXPECT_EQ(reader.skipped(), count - 1);
        } else {
            EXPECT_FALSE(read);
            EXPECT_EQ(reader.errorString(),
                      QStringLiteral("Файл %1: больше 50000 строк, это не файл контролей. Контроли не загружены.")
                          .arg(QDir::toNativeSeparators(path("many.ktr"))));
            EXPECT_TRUE(reader.lines().isEmpty());
            EXPECT_EQ(reader.skipped(), 0);
        }
    }
}

} // namespace
