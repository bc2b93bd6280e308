#include "reports/ReportDataFiles.h"

#include "PrintTo.h"
#include "YearFixture.h"
#include "core/StructureCache.h"
#include "platform/Database.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray cp1251(const QString& text)
{
    QStringEncoder encoder("windows-1251");
    return encoder.encode(text);
}

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Ф12 (1000): 6 x 5 with 2 header columns and 2 header rows, stored columns 4..7 and rows 4..6
// hold data. Ф30 (2000): 4 x 3 with 1 + 1, stored columns 3..5 and rows 3..4.
class ReportDataFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        GetForms(year.dictionary());
        GetTables(year.dictionary());
    }
    QString file(const QString& name, const QStringList& lines)
    {
        QByteArray bytes;
        for (const QString& line : lines)
            bytes += cp1251(line) + "\r\n";
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    // North's 2025 values, one of a table the dictionary lacks, one of 2024 and one of South.
    void fillNorth()
    {
        year.setCell(north, t1, 4, 4, 0.1, kRep);
        year.setCell(north, t1, 7, 6, 12, kRep);
        year.setCell(north, t1, 5, 5, 1234567.5, kRep);
        year.setCell(north, t2, 3, 3, -2.5, kRep);
        year.setCell(north, 999, 4, 4, 7, kRep);
        year.data().exec(QStringLiteral(R"(insert into "repdata" values (?,?,?,?,?,?))"), {north, 5, 2024, t1, 4, 4});
        year.setCell(south, t1, 6, 6, 3, kRep);
    }
    QList<StoredCell> cells(int report, int table) { return year.storedCells(report, table, kRep); }

    const QString kRep = QStringLiteral("repdata");
    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025};
    int f12 = year.addForm(QStringLiteral("Ф12"));
    int t1 = year.addTable(f12, QStringLiteral("(1000)"), QStringLiteral("Взрослые"), 6, 5, 2, 2);
    int f30 = year.addForm(QStringLiteral("Ф30"));
    int t2 = year.addTable(f30, QStringLiteral("(2000)"), QStringLiteral("Кадры"), 4, 3, 1, 1);
    int north = year.addReport(QStringLiteral("Северный"));
    int south = year.addReport(QStringLiteral("Южный"));
};

TEST_F(ReportDataFile, TheUnloadWritesTheHandCheckedBytes)
{
    fillNorth();
    const QString path = dir.filePath(QStringLiteral("north.rps"));   // any name: the *.rpd layout
    DataExportReport counts;
    QString error;
    ASSERT_TRUE(ReportDataFiles::unload(year.data(), north, 2025, path, &counts, &error)) << error.toStdString();
    EXPECT_EQ(counts.written, 4);
    EXPECT_EQ(counts.unknownTable, 1);
    // Checked by hand: table by table, then column and row; the value as the program writes
    // numbers; Ф is the byte D4 of Windows-1251; every line ends in CR LF; nothing of 2024, of
    // South or of the table 999.
    const QByteArray expected = "\"0.1\",\"2025\",\"\xD4" "12\",\"(1000)\",\"4\",\"4\"\r\n"
                                "\"1234567.5\",\"2025\",\"\xD4" "12\",\"(1000)\",\"5\",\"5\"\r\n"
                                "\"12\",\"2025\",\"\xD4" "12\",\"(1000)\",\"7\",\"6\"\r\n"
                                "\"-2.5\",\"2025\",\"\xD4" "30\",\"(2000)\",\"3\",\"3\"\r\n";
    EXPECT_EQ(bytesOf(path), expected);
    EXPECT_EQ(ReportDataFiles::unloadedMessage(QStringLiteral("Северный"), path, counts),
              QStringLiteral("Данные по Северный выгружены в файл %1\nВыгружено значений: 4\n"
                             "Не выгружено значений таблиц, которых нет в перечне: 1")
                  .arg(QDir::toNativeSeparators(path)));
}

TEST_F(ReportDataFile, UnloadThenLoadIntoAnotherReportGivesTheSameValues)
{
    fillNorth();
    year.setCell(south, t2, 4, 4, 8, kRep);   // replaced by the load
    const QString path = dir.filePath(QStringLiteral("north.rpd"));
    QString error;
    ASSERT_TRUE(ReportDataFiles::unload(year.data(), north, 2025, path, nullptr, &error));
    DataLoadReport counts;
    ASSERT_TRUE(ReportDataFiles::load(year.data(), south, 2025, path, &counts, &error)) << error.toStdString();
    EXPECT_EQ(counts.loaded, 4);
    EXPECT_EQ(cells(south, t1), cells(north, t1));
    EXPECT_EQ(cells(south, t2), cells(north, t2));
    EXPECT_EQ(cells(north, 999).size(), 1);   // the source is not touched
    EXPECT_EQ(year.data().scalar(QStringLiteral(R"(select count(*) from "repdata" where "hospital"=? and "year"=2024)"),
                                 {north}).toInt(), 1);
}

TEST_F(ReportDataFile, AnEmptyReportUnloadsAnEmptyFile)
{
    const QString path = dir.filePath(QStringLiteral("empty.rpd"));
    DataExportReport counts;
    QString error;
    ASSERT_TRUE(ReportDataFiles::unload(year.data(), north, 2025, path, &counts, &error));
    EXPECT_EQ(counts.written, 0);
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_TRUE(bytesOf(path).isEmpty());
}

TEST_F(ReportDataFile, AFailedWriteKeepsTheOldFileAndSaysSo)
{
    fillNorth();
    QString error;
    EXPECT_FALSE(ReportDataFiles::unload(year.data(), north, 2025, dir.filePath(QStringLiteral("нет/north.rpd")),
                                           nullptr, &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("Не удалось создать файл"))) << error.toStdString();
}

// Every case starts from North's old values: (1000) 4,4 = 1 and 5,5 = 2.
TEST_F(ReportDataFile, LoadCasesLeaveTheOldValuesWhereTheyMust)
{
    const QList<StoredCell> old{{4, 4, 1}, {5, 5, 2}};
    struct Case {
        const char* name;
        const char* file;
        QStringList lines;
        bool loads;
        QList<StoredCell> after;   // (1000) of North afterwards
        const char* says;          // part of the error or of the summary
    };
    const QString f = QStringLiteral("\"%1\",\"%2\",\"%3\",\"%4\",\"%5\",\"%6\"");
    auto line = [&](const char* v, int y, const char* form, const char* t, int c, int r) {
        return f.arg(QString::fromLatin1(v)).arg(y).arg(QString::fromUtf8(form), QString::fromLatin1(t)).arg(c).arg(r);
    };
    const Case cases[] = {
        {"another year", "a.rpd", {line("9", 2024, "Ф12", "(1000)", 4, 4)}, false, old, "нет данных за 2025 год"},
        {"only unknown tables", "b.rpd", {line("9", 2025, "Ф99", "(1000)", 4, 4), line("9", 2025, "Ф12", "(7000)", 4, 4)},
         false, old, "нет данных за 2025 год"},
        {"a bad line", "c.rpd", {line("9", 2025, "Ф12", "(1000)", 4, 4), QStringLiteral("\"9\",\"2025\",\"Ф12\"")},
         false, old, "строка 2"},
        {"a value that is no number", "d.rpd", {line("9,5", 2025, "Ф12", "(1000)", 4, 4)}, false, old, "строка 1"},
        {"a repeated cell", "e.rpd", {line("9", 2025, "Ф12", "(1000)", 4, 4), line("8", 2025, "Ф12", "(1000)", 4, 4)},
         false, old, "строка 2: ячейка уже задана в строке 1"},
        {"a cell outside the table", "f.rpd", {line("9", 2025, "Ф12", "(1000)", 4, 4), line("8", 2025, "Ф12", "(1000)", 3, 4),
                                               line("8", 2025, "Ф12", "(1000)", 4, 7)},
         true, {{4, 4, 9}}, "Пропущено строк вне области данных таблицы: 2"},
        {"upper-case extension", "g.RPD", {line("9", 2025, "Ф12", "(1000)", 5, 5)}, true, {{5, 5, 9}}, "Загружено значений: 1"},
        {"two years", "h.rpd", {line("9", 2024, "Ф12", "(1000)", 4, 4), line("7", 2025, "Ф12", "(1000)", 6, 6)}, true,
         {{6, 6, 7}}, "Пропущено строк другого года: 1"},
        {"form ids", "i.rps", {line("3", 2025, "1", "(1000)", 7, 6)}, true, {{7, 6, 3}}, "Загружено значений: 1"},
        {"a zero is no row", "j.rpd", {line("0", 2025, "Ф12", "(1000)", 4, 4), line("5", 2025, "Ф12", "(1000)", 5, 5)}, true,
         {{5, 5, 5}}, "Нулевых значений (не хранятся): 1"},
        {"another kind of file", "k.ktd", {line("9", 2025, "Ф12", "(1000)", 4, 4)}, false, old, "не является файлом данных сводного отчета"},
    };
    for (const Case& c : cases) {
        year.data().exec(QStringLiteral(R"(delete from "repdata")"));
        for (const StoredCell& s : old)
            year.setCell(north, t1, s.column, s.row, s.value, kRep);
        year.setCell(south, t1, 4, 4, 42, kRep);
        const QString path = file(QString::fromLatin1(c.file), c.lines);
        DataLoadReport counts;
        QString error;
        const bool loaded = ReportDataFiles::load(year.data(), north, 2025, path, &counts, &error);
        EXPECT_EQ(loaded, c.loads) << c.name << ": " << error.toStdString();
        EXPECT_EQ(cells(north, t1), c.after) << c.name;
        EXPECT_EQ(cells(south, t1), (QList<StoredCell>{{4, 4, 42}})) << c.name;
        const QString said = loaded ? ReportDataFiles::loadedMessage(QStringLiteral("Северный"), path, counts) : error;
        EXPECT_TRUE(said.contains(QString::fromUtf8(c.says))) << c.name << ": " << said.toStdString();
    }
}

TEST_F(ReportDataFile, TheProposedNamesAreSafe)
{
    EXPECT_EQ(ReportDataFiles::unloadFileName(QStringLiteral("Ф12/Ф30: \"район\""), QStringLiteral("Годовой"), 2025),
              QStringLiteral("Ф12_Ф30_ _район_ - Годовой - 2025.rpd"));
    EXPECT_EQ(ReportDataFiles::loadFileName(QStringLiteral("Округ?")), QStringLiteral("Округ_"));
    EXPECT_EQ(ReportDataFiles::folder(QStringLiteral("/cfg/")), QStringLiteral("/cfg/data"));
}

} // namespace
