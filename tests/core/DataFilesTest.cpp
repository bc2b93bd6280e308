#include "core/DataFiles.h"

#include "PrintTo.h"
#include "YearFixture.h"
#include "core/StructureCache.h"
#include "platform/Database.h"

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

// Form Ф12 with table (1000), 6 x 5 with 2 header columns and 2 header rows: stored columns
// 4..7 and rows 4..6 are its data area. Form Ф30 with table (2000), 4 x 3, 1 + 1 headers.
class DataFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        GetForms(year.dictionary());
        GetTables(year.dictionary());
    }

    QString file(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    QString file(const QString& name, const QStringList& lines)
    {
        QByteArray bytes;
        for (const QString& line : lines)
            bytes += cp1251(line) + "\r\n";
        return file(name, bytes);
    }
    // Institution a holds two cells in t1 and one in t2; b holds one cell in t1.
    void fillSome()
    {
        year.setCell(a, t1, 4, 4, 0.1);
        year.setCell(a, t1, 7, 6, 12);
        year.setCell(a, t2, 3, 3, -2.5);
        year.setCell(b, t1, 5, 5, 9);
    }
    DataLoadTarget targetOf(int owner) const
    {
        DataLoadTarget t;
        t.owner = owner;
        t.year = 2025;
        return t;
    }

    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025};
    int f12 = year.addForm(QStringLiteral("Ф12"));
    int t1 = year.addTable(f12, QStringLiteral("(1000)"), QStringLiteral("Взрослые"), 6, 5, 2, 2);
    int f30 = year.addForm(QStringLiteral("Ф30"));
    int t2 = year.addTable(f30, QStringLiteral("(2000)"), QStringLiteral("Кадры"), 4, 3, 1, 1);
    int a = year.addInstitution(QStringLiteral("А"));
    int b = year.addInstitution(QStringLiteral("Б"));
};

TEST_F(DataFiles, ExportWritesTheHandCheckedBytes)
{
    fillSome();
    const QString path = dir.filePath(QStringLiteral("a.ktd"));
    DataExportReport report;
    QString error;
    ASSERT_TRUE(writeDataFile(year.data(), QStringLiteral("data"), a, 2025, path, &report, &error)) << error.toStdString();
    EXPECT_EQ(report.written, 3);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    // "Ф" is 0xD4 in Windows-1251.
    EXPECT_EQ(f.readAll(), QByteArray("\"0.1\",\"2025\",\"\xD4" "12\",\"(1000)\",\"4\",\"4\"\r\n"
                                      "\"12\",\"2025\",\"\xD4" "12\",\"(1000)\",\"7\",\"6\"\r\n"
                                      "\"-2.5\",\"2025\",\"\xD4" "30\",\"(2000)\",\"3\",\"3\"\r\n"));
}

TEST_F(DataFiles, AnExportImportedIntoAnEmptyInstitutionGivesTheSameData)
{
    fillSome();
    year.setCell(a, 999, 4, 4, 5);   // a table the dictionary lacks: counted, not written
    const QString path = dir.filePath(QStringLiteral("a.KTD"));
    DataExportReport exported;
    QString error;
    ASSERT_TRUE(writeDataFile(year.data(), QStringLiteral("data"), a, 2025, path, &exported, &error));
    EXPECT_EQ(exported.unknownTable, 1);
    const int c = year.addInstitution(QStringLiteral("В"));
    year.setCell(c, t2, 4, 4, 77);   // replaced by the load
    DataLoadReport report;
    ASSERT_EQ(dataFileKind(path), DataFileKind::ByFormName);
    ASSERT_TRUE(loadDataFile(year.data(), targetOf(c), path, DataFileKind::ByFormName, &report, &error))
        << error.toStdString();
    EXPECT_EQ(report.loaded, 3);
    EXPECT_EQ(year.storedCells(c, t1), year.storedCells(a, t1));
    EXPECT_EQ(year.storedCells(c, t2), year.storedCells(a, t2));
}

TEST_F(DataFiles, TheReaderTakesTheDataAreaAndCountsWhatItSkips)
{
    year.setCell(a, t1, 5, 5, 1);   // deleted: the file replaces the year's rows
    year.addForm(QStringLiteral("Ф99"));
    GetForms(year.dictionary());
    GetTables(year.dictionary());
    const QString path = file(QStringLiteral("x.ktd"), QStringList{
        QStringLiteral(R"l("1","2025","ф12","(1000)","4","4")l"),    // lowest data cell, name in any case
        QStringLiteral(R"l("2","2025","Ф12","(1000)","7","6")l"),    // highest data cell
        QStringLiteral(R"l("3","2025","Ф12","(1000)","3","4")l"),    // header column
        QStringLiteral(R"l("3","2025","Ф12","(1000)","8","4")l"),    // past the last column
        QStringLiteral(R"l("3","2025","Ф12","(1000)","4","3")l"),    // header row
        QStringLiteral(R"l("3","2025","Ф12","(1000)","4","7")l"),    // past the last row
        QStringLiteral(R"l("4","2024","Ф12","(1000)","5","5")l"),    // another year
        QStringLiteral(R"l("5","2025","Ф12","(100)","5","5")l"),     // an unknown table number
        QStringLiteral(R"l("5","2025","Ф99","(1000)","5","5")l"),    // a form without that table
        QStringLiteral(R"l("0","2025","Ф12","(1000)","5","5")l"),    // zero: not stored
        QStringLiteral(R"l("0.25","2025","Ф30","(2000)","3","3")l"),
    });
    DataLoadReport report;
    QString error;
    ASSERT_TRUE(loadDataFile(year.data(), targetOf(a), path, DataFileKind::ByFormName, &report, &error))
        << error.toStdString();
    EXPECT_EQ(report.loaded, 3);
    EXPECT_EQ(report.zeros, 1);
    EXPECT_EQ(report.outside, 4);
    EXPECT_EQ(report.otherYear, 1);
    EXPECT_EQ(report.unknownTable, 2);
    EXPECT_EQ(year.storedCells(a, t1), (QList<StoredCell>{{4, 4, 1}, {7, 6, 2}}));
    EXPECT_EQ(year.storedCells(a, t2), (QList<StoredCell>{{3, 3, 0.25}}));

    // Only the target form's lines, and only its tables replaced.
    year.setCell(a, t2, 4, 4, 8);
    DataLoadTarget form = targetOf(a);
    form.formId = f12;
    form.replacedTables = tablesOfForm(f12);
    ASSERT_TRUE(loadDataFile(year.data(), form, path, DataFileKind::ByFormName, &report, &error));
    EXPECT_EQ(report.otherTarget, 1);
    EXPECT_EQ(year.storedCells(a, t2), (QList<StoredCell>{{3, 3, 0.25}, {4, 4, 8}}));
}

TEST_F(DataFiles, AnOlderFileIsReadByFormIdWithAndWithoutChosenForms)
{
    const QString path = file(QStringLiteral("old.ktr"), QStringList{
        QStringLiteral(R"l("1","2025","%1","(1000)","4","4")l").arg(f12),
        QStringLiteral(R"l("2","2025","%1","(2000)","3","3")l").arg(f30),
        QStringLiteral(R"l("3","2025","999","(1000)","5","5")l"),   // an id the dictionary lacks
    });
    ASSERT_EQ(dataFileKind(path), DataFileKind::ByFormId);
    DataLoadReport report;
    QString error;
    ASSERT_TRUE(loadDataFile(year.data(), targetOf(a), path, DataFileKind::ByFormId, &report, &error));
    EXPECT_EQ(report.loaded, 2);
    EXPECT_EQ(report.unknownTable, 1);

    // Forms chosen, "Очищать" set to "Выбранные формы": the other form's rows stay.
    year.setCell(a, t2, 4, 4, 6);
    year.setCell(a, t1, 4, 4, 0);
    DataLoadTarget chosen = targetOf(a);
    chosen.chosenForms = {QStringLiteral("Ф12")};
    chosen.replacedTables = tablesOfForms(chosen.chosenForms);
    ASSERT_TRUE(loadDataFile(year.data(), chosen, path, DataFileKind::ByFormId, &report, &error));
    EXPECT_EQ(report.loaded, 1);
    EXPECT_EQ(report.otherTarget, 1);
    EXPECT_EQ(year.storedCells(a, t1), (QList<StoredCell>{{4, 4, 1}}));
    EXPECT_EQ(year.storedCells(a, t2), (QList<StoredCell>{{3, 3, 2}, {4, 4, 6}}));
}

TEST_F(DataFiles, ARefusedFileChangesNothingAndSaysWhy)
{
    fillSome();
    const QString good = QStringLiteral(R"l("1","2025","Ф12","(1000)","4","4")l");
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* message;   // a part of the message
    };
    const Case cases[] = {
        {"bad.ktd", cp1251(good + "\r\n\"1\",\"2025\",\"Ф12\"\r\n"), "строка 2"},
        {"number.ktd", cp1251(good + "\r\n\"1,5\",\"2025\",\"Ф12\",\"(1000)\",\"5\",\"5\"\r\n"), "строка 2"},
        {"repeat.ktd", cp1251(good + "\r\n" + good + "\r\n"), "уже задана в строке 1"},
        // An empty table number would land in the form's first table, an empty form name nowhere.
        {"notable.ktd", cp1251(good + "\r\n\"7\",\"2025\",\"Ф12\",\"\",\"5\",\"5\"\r\n"), "строка 2"},
        {"noform.ktd", cp1251(good + "\r\n\"7\",\"2025\",\"\",\"(1000)\",\"5\",\"5\"\r\n"), "строка 2"},
        {"notable.ktr", cp1251(QStringLiteral("\"7\",\"2024\",\"3\",\"\",\"5\",\"5\"\r\n")), "строка 1"},
        {"controls.ktr", cp1251(QStringLiteral("\"Ф12\",\"(1000)\",\"Г3=Г4+Г5\",\"\",\"\"\r\n")), "строка 1"},
        {"binary.ktd", QByteArray("PK\x03\x04\x00\x00garbage", 14), "binary.ktd"},
        {"long.ktd", QByteArray(3 << 20, 'x'), "long.ktd"},
        {"other.ktd", QByteArray("\"1\",\"2024\",\"\xD4" "12\",\"(1000)\",\"4\",\"4\"\r\n"), "нет данных за 2025 год"},
    };
    const QList<StoredCell> before = year.storedCells(a, t1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = file(QString::fromUtf8(c.name), c.bytes);
        DataLoadReport report;
        QString error;
        EXPECT_FALSE(loadDataFile(year.data(), targetOf(a), path, yearDataFileKind(path), &report, &error));
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.message))) << error.toStdString();
        EXPECT_EQ(year.storedCells(a, t1), before);
        EXPECT_EQ(year.storedCells(a, t2), (QList<StoredCell>{{3, 3, -2.5}}));
    }
}

TEST_F(DataFiles, AFormFieldOfAnIdFileThatIsNoWholeNumberRefusesTheFileNamingItsLine)
{
    fillSome();
    const QList<StoredCell> t1Before = year.storedCells(a, t1);
    const QList<StoredCell> t2Before = year.storedCells(a, t2);
    const QString first = QStringLiteral(R"l("45","2025","%1","(1000)","4","5")l").arg(f12);
    struct Case {
        const char* name;
        QStringList lines;
        const char* message;
    };
    const Case cases[] = {
        {"mixed.ktr", {first, QStringLiteral(R"l("999","2025","Ф12","(1000)","6","6")l"),
                       QStringLiteral(R"l("5","2025","3x","(1000)","7","6")l")}, "строка 2"},
        {"suffix.rps", {first, QStringLiteral(R"l("5","2025","%1x","(1000)","7","6")l").arg(f12)}, "строка 2"},
        // A line of another year is damaged all the same.
        {"year.ktr", {first, QStringLiteral(R"l("6","2025","%1","(1000)","5","5")l").arg(f12),
                      QStringLiteral(R"l("7","2024","Ф30","(2000)","3","3")l")}, "строка 3"},
        {"empty.rps", {QStringLiteral(R"l("7","2025","","(1000)","4","4")l")}, "строка 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = file(QString::fromUtf8(c.name), c.lines);
        ASSERT_EQ(dataFileKind(path), DataFileKind::ByFormId);
        DataLoadReport report;
        QString error;
        EXPECT_FALSE(loadDataFile(year.data(), targetOf(a), path, DataFileKind::ByFormId, &report, &error));
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.message))) << error.toStdString();
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.name))) << error.toStdString();
        EXPECT_EQ(year.storedCells(a, t1), t1Before);
        EXPECT_EQ(year.storedCells(a, t2), t2Before);
    }
}

TEST_F(DataFiles, OtherExtensionsHaveNoKindAndCapitalsDoNotMatter)
{
    EXPECT_EQ(dataFileKind(QStringLiteral("a.RPD")), DataFileKind::ByFormName);
    EXPECT_EQ(dataFileKind(QStringLiteral("a.Rps")), DataFileKind::ByFormId);
    EXPECT_EQ(dataFileKind(QStringLiteral("a.txt")), std::nullopt);
    EXPECT_EQ(yearDataFileKind(QStringLiteral("a.txt")), DataFileKind::ByFormName);
}

TEST_F(DataFiles, ClearingTakesOneOwnersTablesOfEveryYear)
{
    fillSome();
    year.data().exec(QStringLiteral(R"(insert into "data" values (?, 3, 2024, ?, 4, 4))"), {a, t1});
    QString error;
    int deleted = 0;
    ASSERT_TRUE(clearOwnerData(year.data(), QStringLiteral("data"), a, QList<int>{t1}, &deleted, &error));
    EXPECT_EQ(deleted, 3);
    EXPECT_TRUE(year.storedCells(a, t1).isEmpty());
    EXPECT_EQ(year.storedCells(a, t2).size(), 1);
    EXPECT_EQ(year.storedCells(b, t1).size(), 1);
    ASSERT_TRUE(clearOwnerData(year.data(), QStringLiteral("data"), a, std::nullopt, &deleted, &error));
    EXPECT_EQ(deleted, 1);
    EXPECT_EQ(year.data().scalar(QStringLiteral(R"(select count(*) from "data" where "hospital"=?)"), {a}).toInt(), 0);
    EXPECT_EQ(year.storedCells(b, t1).size(), 1);
    EXPECT_FALSE(clearOwnerData(year.data(), QStringLiteral("x"), a, std::nullopt, &deleted, &error));
}

TEST_F(DataFiles, ASummaryReportsDataLoadsIntoRepdata)
{
    const QString path = file(QStringLiteral("r.rpd"), QStringList{QStringLiteral(R"l("7","2025","Ф30","(2000)","4","4")l")});
    DataLoadTarget target = targetOf(a);
    target.dataTable = QStringLiteral("repdata");
    DataLoadReport report;
    QString error;
    ASSERT_TRUE(loadDataFile(year.data(), target, path, DataFileKind::ByFormName, &report, &error));
    EXPECT_EQ(year.storedCells(a, t2, QStringLiteral("repdata")), (QList<StoredCell>{{4, 4, 7}}));
    EXPECT_TRUE(year.storedCells(a, t2).isEmpty());
}

}
