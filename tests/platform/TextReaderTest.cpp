#include "platform/TextReader.h"

#include "platform/Files.h"
#include "PrintTo.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QStringList readAll(const QByteArray& bytes, TextLimits limits, QString* error, int* lastLine = nullptr)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    TextFileReader reader(limits);
    QStringList lines;
    if (reader.open(&buffer, QStringLiteral("t.txt"))) {
        QString line;
        while (reader.readLine(&line))
            lines.append(line);
    }
    *error = reader.errorString();
    if (lastLine)
        *lastLine = reader.lineNumber();
    return lines;
}

TEST(TextReader, ReadsWindows1251LinesWhateverTheirEnds)
{
    QString error;
    EXPECT_EQ(readAll(QByteArray("\xD4" "12\r\nb\n\nlast"), {}, &error),
              QStringList({QStringLiteral("Ф12"), QStringLiteral("b"), QString(), QStringLiteral("last")}));
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(readAll(QByteArray("a\r\n"), {}, &error), QStringList({QStringLiteral("a")}));
    EXPECT_EQ(readAll(QByteArray(), {}, &error), QStringList());
    // The exchange formats carry characters 1, 2 and 3 inside their fields.
    EXPECT_EQ(readAll(QByteArray("a\x01\x02\x03" "b\tc"), {}, &error), QStringList({QStringLiteral("a\x01\x02\x03" "b\tc")}));
}

TEST(TextReader, LinesAcrossChunksComeWhole)
{
    QByteArray bytes;
    for (int i = 0; i < 30000; ++i)
        bytes += "\"" + QByteArray::number(i) + "\",\"2025\"\r\n";
    QString error;
    const QStringList lines = readAll(bytes, {}, &error);
    ASSERT_EQ(lines.size(), 30000);
    EXPECT_EQ(lines[12345], QStringLiteral("\"12345\",\"2025\""));
    EXPECT_EQ(lines.last(), QStringLiteral("\"29999\",\"2025\""));
}

TEST(TextReader, RefusesWhatIsNotTextNamingTheLine)
{
    struct Case { QByteArray bytes; TextLimits limits; const char* message; int line; };
    const Case cases[] = {
        {QByteArray("ok\r\nbad\0line\r\n", 15), {}, "строка 2: файл не является текстовым", 2},
        {QByteArray("PK\x03\x04zipped"), {}, "не является текстовым файлом", 0},
        {QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" "doc"), {}, "не является текстовым файлом", 0},
        {QByteArray("short\r\n") + QByteArray(200, 'x') + "\r\n", {1 << 20, 100}, "строка 2: строка длиннее 100", 2},
        {QByteArray(5000, 'y'), {4000, 100000}, "слишком велик", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        QString error;
        int line = -1;
        readAll(c.bytes, c.limits, &error, &line);
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.message))) << error.toStdString();
        if (c.line)
            EXPECT_EQ(line, c.line);
    }
}

TEST(TextReader, ALineOfMegabytesStopsWithinItsBound)
{
    // Without a line end the reader must give up after its bound, not gather the whole file.
    QByteArray bytes(8 << 20, 'z');
    QString error;
    readAll(bytes, {qint64(1) << 30, 1 << 16}, &error);
    EXPECT_TRUE(error.contains(QStringLiteral("строка 1: строка длиннее 65536"))) << error.toStdString();
}

TEST(TextReader, AFileOverTheBoundIsRefusedBeforeReading)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.txt"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(10000, 'a'));
    f.close();
    QStringList lines;
    QString error;
    EXPECT_FALSE(readTextLines(path, &lines, &error, {1000, 100000}));
    EXPECT_TRUE(error.contains(QStringLiteral("слишком велик"))) << error.toStdString();
    EXPECT_FALSE(readTextLines(dir.filePath(QStringLiteral("none.txt")), &lines, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("Не удалось открыть файл")));
}

TEST(Files, SafeFileNameKeepsWhatWindowsTakes)
{
    EXPECT_EQ(Files::safeFileName(QStringLiteral("Ф12 \"ЦРБ\" 1/2: итог?")), QStringLiteral("Ф12 _ЦРБ_ 1_2_ итог_"));
    EXPECT_EQ(Files::safeFileName(QStringLiteral("  отчет.. ")), QStringLiteral("отчет"));
    EXPECT_EQ(Files::safeFileName(QStringLiteral("a\tb\\c")), QStringLiteral("a_b_c"));
    EXPECT_EQ(Files::safeFileName(QStringLiteral(" ... ")), QString());
}

}

namespace {

TEST(TextReader, AFileSavedAsUtf8IsRefusedAtItsFirstLineBeyondAscii)
{
    const QByteArray cyrillic1251("\xD1\xF2\xEE\xEC\xE0\xF2\xEE\xEB\xEE\xE3\xE8\xFF");   // "Стоматология"
    const QByteArray cyrillicUtf8 = QStringLiteral("Стоматология").toUtf8();
    struct Case {
        const char* what;
        QByteArray bytes;
        int lines;        // returned before the reading stops
        bool refused;
    };
    const Case cases[] = {
        {"utf-8 first line", cyrillicUtf8 + "\r\n1,2\r\n", 0, true},
        {"utf-8 after ascii lines", "1,2\r\n3,4\r\n" + cyrillicUtf8 + "\r\n", 2, true},
        {"utf-8 with its byte order mark", "\xEF\xBB\xBF" "1,2\r\n", 0, true},
        {"plain ascii", "1,2\r\nabc\r\n", 2, false},
        {"windows-1251", cyrillic1251 + "\r\n" + cyrillic1251 + "\r\n", 2, false},
        // A capital before a closing quote is C2 BB, well-formed UTF-8; the first line beyond
        // ASCII told the encoding already.
        {"windows-1251, then a line that happens to be utf-8", cyrillic1251 + "\r\n\"\xC2\xBB\r\n", 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QString error;
        EXPECT_EQ(readAll(c.bytes, {}, &error).size(), c.lines);
        EXPECT_EQ(error, c.refused ? QStringLiteral("Файл t.txt в кодировке UTF-8, ожидается Windows-1251") : QString());
    }
}

}
