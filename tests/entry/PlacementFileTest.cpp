#include "entry/PlacementFile.h"

#include "core/Common.h"
#include "core/StructureCache.h"
#include "platform/Files.h"
#include "platform/TextFiles.h"
#include "platform/office/WordDocument.h"
#include "YearFixture.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Table (1000): layout 6 x 5 with 2 header columns and 2 header rows, so data columns 3..6 and
// data rows 1..3. The blank's first Word table has 4 rows of 6 cells.
class PlacementTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025};
    int form = 0;
    WordDocument blank;
    void SetUp() override
    {
        form = year.addForm(QStringLiteral("Ф30"));
        year.addTable(form, QStringLiteral("(1000)"), QStringLiteral("Штаты"), 6, 5, 2, 2);
        year.addTable(form, QStringLiteral("(2000)"), QStringLiteral("Кабинеты"), 4, 6, 1, 3);
        refreshStructureCaches(year.dictionary());
        blank.createBlank();
        blank.appendTable(4, 6);
        blank.appendTable(4, 4);
    }
    void TearDown() override { clearStructureCaches(); }
    QString write(const QStringList& lines)
    {
        const QString path = Files::join(dir.path(), QStringLiteral("Ф30.txt"));
        QString error;
        EXPECT_TRUE(writeLines1251(path, lines, &error)) << error.toStdString();
        return path;
    }
};

TEST_F(PlacementTest, ReadsAndChecksEveryLine)
{
    struct Case {
        const char* line;
        bool ok;
        PlacementLine expected;   // for a good line
        const char* inMessage;    // for a bad one
    };
    const Case cases[] = {
        {"1,3,2,'(1000)',3,1,6,3", true, {1, 1, 3, 2, "(1000)", 3, 1, 6, 3}, ""},
        // Offsets: the block's first cell goes to Word column 2, row 1.
        {"1,2,1,'(1000)',4,2,6,3", true, {1, 1, 2, 1, "(1000)", 4, 2, 6, 3}, ""},
        // A table with 3 header rows: its data rows still count from 1.
        {"2,2,2,\"(2000)\",2,1,4,3", true, {1, 2, 2, 2, "(2000)", 2, 1, 4, 3}, ""},
        // The enclosing characters are dropped, whatever they are: "(1000)" alone reads "1000".
        {"1,3,2,(1000),3,1,6,3", false, {}, "нет таблицы 1000"},
        {"1,3,2,'(1000)',3,1,6", false, {}, "восемь полей"},
        {"1,3,2,'(1000)',3,1,6,3,4", false, {}, "восемь полей"},
        {"1,3,x,'(1000)',3,1,6,3", false, {}, "поле 3"},
        {"1,3,2,'(1000)',3,1.5,6,3", false, {}, "поле 6"},
        {"1,3,2,'(1000)',5,1,3,3", false, {}, "не лежит"},     // reversed columns
        {"1,3,2,'(1000)',3,3,6,1", false, {}, "не лежит"},     // reversed rows
        {"1,3,2,'(1000)',3,1,7,3", false, {}, "не лежит"},     // past the last column
        {"1,3,2,'(1000)',2,1,6,3", false, {}, "не лежит"},     // a header column
        {"1,3,2,'(1000)',3,0,6,3", false, {}, "не лежит"},     // a header row
        {"1,3,2,'(1000)',3,1,6,4", false, {}, "не лежит"},     // past the last row
        {"3,3,2,'(1000)',3,1,6,3", false, {}, "нет таблицы Word 3"},
        {"1,4,2,'(1000)',3,1,6,3", false, {}, "нет ячейки (строка 2, столбец 7)"},
        {"1,3,3,'(1000)',3,1,6,3", false, {}, "нет ячейки (строка 5"},
        {"0,3,2,'(1000)',3,1,6,3", false, {}, "от 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const QString path = write({QString(), QString::fromUtf8(c.line)});
        QList<PlacementLine> lines{PlacementLine{}};
        QString error;
        const bool ok = readPlacementFile(path, form, &blank, &lines, &error);
        ASSERT_EQ(ok, c.ok) << error.toStdString();
        if (ok) {
            PlacementLine expected = c.expected;
            expected.lineNumber = 2;   // the blank line before it is skipped, not renumbered
            ASSERT_EQ(lines.size(), 1);
            EXPECT_EQ(lines[0], expected);
        } else {
            EXPECT_TRUE(error.contains(QStringLiteral("Строка 2"))) << error.toStdString();
            EXPECT_TRUE(error.contains(QString::fromUtf8(c.inMessage))) << error.toStdString();
            EXPECT_EQ(lines.size(), 1);   // untouched
        }
    }
}

TEST_F(PlacementTest, ABadLineAfterGoodOnesGivesNothing)
{
    const QString path = write({QStringLiteral("1,3,2,'(1000)',3,1,6,3"), QString(),
                                QStringLiteral("2,2,2,'(2000)',2,1,4,3"), QStringLiteral("1,3,2,'(1000)'")});
    QList<PlacementLine> lines;
    QString error;
    EXPECT_FALSE(readPlacementFile(path, form, &blank, &lines, &error));
    EXPECT_TRUE(lines.isEmpty());
    EXPECT_TRUE(error.contains(QStringLiteral("Строка 4"))) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("Ф30.txt"))) << error.toStdString();
}

TEST_F(PlacementTest, ACraftedFileIsRefusedWithAMessage)
{
    const QString path = Files::join(dir.path(), QStringLiteral("big.txt"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, '1'));   // one line far longer than a placement line can be
    f.close();
    QList<PlacementLine> lines;
    QString error;
    EXPECT_FALSE(readPlacementFile(path, form, &blank, &lines, &error));
    EXPECT_FALSE(error.isEmpty());
}

}  // namespace
