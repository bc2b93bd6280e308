#include "setup/FormStructureFile.h"

#include "PrintTo.h"
#include "YearFixture.h"
#include "platform/Database.h"
#include "platform/TextFiles.h"
#include "sample/SampleFrs.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kThree(QChar(3));

QByteArray bytes1251(const QString& text)
{
    QByteArray bytes;
    QString error;
    EXPECT_TRUE(encode1251(text, &bytes, &error)) << error.toStdString();
    return bytes;
}

bool readBytes(FormStructureFileReader& reader, const QByteArray& bytes)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return reader.read(&buffer);
}

QByteArray written(const FormStructure& s, QString* error = nullptr)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    FormStructureFileWriter writer;
    const bool ok = writer.write(&buffer, s);
    if (error)
        *error = writer.errorString();
    return ok ? out : QByteArray();
}

int count(Database& db, const QString& sql, const QVariantList& params = {})
{
    return db.scalar(sql, params).toInt();
}

TEST(FormStructureFile, TheSampleFileReadsAsWrittenByHand)
{
    FormStructureFileReader reader;
    ASSERT_TRUE(readBytes(reader, Sample::formStructureBytes())) << reader.errorString().toUtf8().constData();
    const FormStructure& s = reader.structure();
    EXPECT_EQ(s.formname, QStringLiteral("Ф14"));
    EXPECT_EQ(s.decipher, QStringLiteral("Сведения о деятельности стационара"));
    EXPECT_FALSE(s.net);
    ASSERT_EQ(s.tables.size(), 2);
    const StructureTable& beds = s.tables[0];
    EXPECT_EQ(beds.tablen, QStringLiteral("(1000)"));
    EXPECT_EQ((QList<int>{beds.colcount, beds.rowcount, beds.fixcols, beds.fixrows, beds.scan}), (QList<int>{4, 4, 1, 2, 0}));
    EXPECT_FALSE(beds.floattype);
    EXPECT_EQ(beds.rows.size(), 4);
    EXPECT_EQ(beds.columns.last(), (StructureColumn{4, 45.5}));
    ASSERT_EQ(beds.titles.size(), 7);
    // the two-line heading merged over columns 2..3
    EXPECT_EQ(beds.titles[1], (HeaderCell{2, 1, 2, 1, 3, 1, QStringLiteral("Arial"), 8, true, false, QStringLiteral("CC00"),
                                              QStringLiteral("Число коек\r\nна конец года")}));
    // the turned heading keeps its colon as the character 3
    EXPECT_EQ(beds.titles[2].charsCode, QStringLiteral("CC10"));
    EXPECT_EQ(beds.titles[2].fontSize, 7.5);
    EXPECT_EQ(beds.titles[2].storedText, QStringLiteral("Занятость") + kThree + QStringLiteral(" дней"));
    EXPECT_TRUE(s.tables[1].floattype);
    EXPECT_EQ(s.tables[1].rows.first(), (StructureRow{1, 22.5}));
    EXPECT_TRUE(reader.structureBreaks().isEmpty());
}

TEST(FormStructureFile, ALastTableWithoutHeaderCellsIsReadWhole)
{
    FormStructureFileReader reader;
    ASSERT_TRUE(readBytes(reader, bytes1251(QStringLiteral("Ф1#А#Да\r\n(1)#Т#2#1#0#0#True#1\r\nстр1#15\r\nгр1#10\r\nгр2#20"))));
    ASSERT_EQ(reader.structure().tables.size(), 1);
    EXPECT_TRUE(reader.structure().net);
    EXPECT_EQ(reader.structure().tables[0].scan, 1);
    EXPECT_EQ(reader.structure().tables[0].columns, (QList<StructureColumn>{{1, 10}, {2, 20}}));
}

TEST(FormStructureFile, AStrayLineBreaksTheStructureAndReadingGoesOnAtTheNextTable)
{
    FormStructureFileReader reader;
    const QString text = QStringLiteral("Ф1#А#Нет\r\n"
                                        "лишняя строка\r\n"
                                        "(1)#Т#1#1#0#0#False#0\r\n"
                                        "гр1#10\r\n"
                                        "стр1#15\r\n"        // rows come before columns
                                        "гр1#10\r\n"
                                        "(2)#У#1#1#0#0#False#\r\n"
                                        "стр1#15\r\n");
    ASSERT_TRUE(readBytes(reader, bytes1251(text))) << reader.errorString().toStdString();
    EXPECT_EQ(reader.structureBreaks(),
              (QStringList{structureBreakMessage() + QStringLiteral("\nлишняя строка"),
                           structureBreakMessage() + QStringLiteral("\nстр1#15")}));
    EXPECT_EQ(reader.skippedLines(), 3);
    ASSERT_EQ(reader.structure().tables.size(), 2);
    EXPECT_EQ(reader.structure().tables[0].columns.size(), 1);
    EXPECT_EQ(reader.structure().tables[1].rows.size(), 1);
}

TEST(FormStructureFile, AWrongRecordIsRefusedWithItsLine)
{
    struct Case { const char* line; const char* says; };
    const Case cases[] = {
        {"(1)#Т#x#2#1#1#False#0", "строка 2: число граф \"x\" не целое число"},
        {"(1)#Т#2001#2001#0#0#False#0", "строка 2: размеры таблицы (1)"},
        {"(1)#Т#2#2#3#1#False#0", "строка 2: размеры таблицы (1)"},
        {"(1)#Т#-2#2#0#0#False#0", "строка 2: размеры таблицы (1)"},
        {"(1)#Т#2#2#1#1#Да#0", "строка 2: признак нецелых"},
        {"(1)#Т#2#2#1#1#False#2", "строка 2: направление"},
        {"(1#Т#2#2#1#1#False#0", "строка 2: номер таблицы"},
        {"(1)#Т#2#2", "строка 2: в описании таблицы должно быть 8 полей"},
        {"(1)#Т#2#2#1#1#False#0\r\nстр3#15", "строка 3: строка 3 вне таблицы"},
        {"(1)#Т#2#2#1#1#False#0\r\nгр1#широко", "строка 3: ширина"},
        {"(1)#Т#2#2#1#1#False#0\r\nзаг1#1#1#1#3#1#Arial#8#True#False#CC00#А", "строка 3: конечная графа 3 вне таблицы"},
        {"(1)#Т#2#2#1#1#False#0\r\nзаг1#1#1#1#1#1#Arial#8#Yes#False#CC00#А", "строка 3: жирный"},
        {"(1)#Т#2#2#1#1#False#0\r\n(1)#Т#2#2#1#1#False#0", "строка 3: таблица (1) описана в файле второй раз"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        FormStructureFileReader reader;
        EXPECT_FALSE(readBytes(reader, bytes1251(QStringLiteral("Ф1#А#Нет\r\n") + QString::fromUtf8(c.line))));
        EXPECT_TRUE(reader.errorString().startsWith(QString::fromUtf8(c.says))) << reader.errorString().toUtf8().constData();
        EXPECT_TRUE(reader.structure().tables.isEmpty());
    }
    for (const char* flag : {"", "да", "Yes", "Нет#"}) {
        SCOPED_TRACE(flag);
        FormStructureFileReader reader;
        EXPECT_FALSE(readBytes(reader, bytes1251(QStringLiteral("Ф1#А#") + QString::fromUtf8(flag))));
        EXPECT_TRUE(reader.errorString().contains(QStringLiteral("признак сетевой формы")));
    }
}

TEST(FormStructureFile, SizesTheGridCannotDrawAreRefusedWithTheirLine)
{
    QString tall = QStringLiteral("Ф1#А#Нет\r\n(1)#Т#2#100#1#1#False#0\r\n");
    for (int r = 1; r <= 100; ++r)
        tall += QStringLiteral("стр%1#30000000\r\n").arg(r);
    struct Case { QString text; const char* says; };
    const Case cases[] = {
        {tall, "строка 3: высота \"30000000\" больше 2000"},
        {QStringLiteral("Ф1#А#Нет\r\n(1)#Т#2#2#1#1#False#0\r\nстр1#10\r\nгр1#20\r\nгр2#1e300"),
         "строка 5: ширина \"1e300\" больше 2000"},
        {QStringLiteral("Ф1#А#Нет\r\n(1)#Т#2#2#1#1#False#0\r\nстр2#2000.5"), "строка 3: высота \"2000.5\" больше 2000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        FormStructureFileReader reader;
        EXPECT_FALSE(readBytes(reader, bytes1251(c.text)));
        EXPECT_TRUE(reader.errorString().startsWith(QString::fromUtf8(c.says))) << reader.errorString().toUtf8().constData();
        EXPECT_TRUE(reader.structure().tables.isEmpty());
    }
    // The largest size the grid draws comes in as it stands.
    FormStructureFileReader reader;
    ASSERT_TRUE(readBytes(reader, bytes1251(QStringLiteral("Ф1#А#Нет\r\n(1)#Т#2#2#1#1#False#0\r\nстр2#2000\r\nгр1#2000"))))
        << reader.errorString().toUtf8().constData();
    EXPECT_EQ(reader.structure().tables[0].rows, (QList<StructureRow>{{2, 2000}}));
    EXPECT_EQ(reader.structure().tables[0].columns, (QList<StructureColumn>{{1, 2000}}));
}

class StructureYear : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    FormStructure sample()
    {
        FormStructureFileReader reader;
        EXPECT_TRUE(readBytes(reader, Sample::formStructureBytes()));
        return reader.structure();
    }

    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025};
    int f12 = year.addForm(QStringLiteral("Ф12"), QStringLiteral("Заболеваемость"));
};

TEST_F(StructureYear, ImportCreatesTheFormThenOnlyReplacesItsLayouts)
{
    const StructureImport first = importFormStructure(year.dictionary(), sample());
    EXPECT_TRUE(first.formCreated);
    EXPECT_EQ(first.tablesCreated, 2);
    Database& d = year.dictionary();
    EXPECT_EQ(count(d, QStringLiteral(R"(select "ind" from "forms" where "id"=?)"), {first.formId}), 999);
    EXPECT_EQ(readFormStructure(d, first.formId), sample());
    const QString stored = d.scalar(QStringLiteral(R"(select "txt" from "titles" where "tchars"='CC10')")).toString();
    EXPECT_EQ(stored, QStringLiteral("Занятость") + kThree + QStringLiteral(" дней"));

    // a table the file lacks, and a layout changed since
    const int kept = year.addTable(first.formId, QStringLiteral("(3000)"), QStringLiteral("Своя"), 2, 2, 1, 1);
    d.exec(QStringLiteral(R"(delete from "titles")"));
    FormStructure again = sample();
    again.formname = QStringLiteral("ф14");   // found whatever the case
    again.net = true;
    const StructureImport second = importFormStructure(d, again);
    EXPECT_FALSE(second.formCreated);
    EXPECT_EQ(second.formId, first.formId);
    EXPECT_EQ((QList<int>{second.tablesCreated, second.tablesReplaced}), (QList<int>{0, 2}));
    EXPECT_EQ(count(d, QStringLiteral(R"(select count(*) from "forms")")), 2);
    EXPECT_EQ(count(d, QStringLiteral(R"(select count(*) from "tables" where "form"=?)"), {first.formId}), 3);
    EXPECT_EQ(count(d, QStringLiteral(R"(select count(*) from "titles")")), 12);
    EXPECT_EQ(count(d, QStringLiteral(R"(select count(*) from "rows" where "table"=?)"), {kept}), 2);
    EXPECT_EQ(count(d, QStringLiteral(R"(select "net" from "forms" where "id"=?)"), {first.formId}), 1);
}

TEST_F(StructureYear, AnImportThatFailsMidwayLeavesTheDictionaryAsItWas)
{
    const int t = year.addTable(f12, QStringLiteral("(1000)"), QStringLiteral("Дети"), 2, 2, 1, 1);
    FormStructure s = sample();
    s.formname = QStringLiteral("Ф12");   // replaces (1000) first, then fails on the new (2000)
    year.dictionary().execScript(QStringLiteral(
        R"(create trigger "refuse" before insert on "tables" begin select raise(abort, 'forced'); end;)"));
    EXPECT_THROW(importFormStructure(year.dictionary(), s), DbError);
    Database& d = year.dictionary();
    EXPECT_EQ(count(d, QStringLiteral(R"(select count(*) from "forms")")), 1);
    EXPECT_EQ(count(d, QStringLiteral(R"(select "colcount" from "tables" where "ident"=?)"), {t}), 2);
    EXPECT_EQ(count(d, QStringLiteral(R"(select count(*) from "rows" where "table"=?)"), {t}), 2);
    EXPECT_EQ(d.scalar(QStringLiteral(R"(select "decipher" from "forms")")).toString(), QStringLiteral("Заболеваемость"));
}

TEST_F(StructureYear, TheSampleExportsByteForByteAsWrittenByHand)
{
    const StructureImport done = importFormStructure(year.dictionary(), sample());
    const std::optional<FormStructure> s = readFormStructure(year.dictionary(), done.formId);
    ASSERT_TRUE(s);
    EXPECT_EQ(written(*s), Sample::formStructureBytes());
}

TEST_F(StructureYear, ASmallFormExportsAsCheckedByHand)
{
    const int t = year.addTable(f12, QStringLiteral("(1000)"), QStringLiteral("Дети"), 2, 2, 1, 1);
    year.addTitle(t, 1, 1, QStringLiteral("Наименование"));
    year.addTitle(t, 2, 1, QStringLiteral("Всего:\r\nчел."), 0, 0, QStringLiteral("CC10"));
    year.dictionary().exec(QStringLiteral(R"(update "tables" set "scan"=null)"));
    const QByteArray expected = "\xd4\x31\x32#\xc7\xe0\xe1\xee\xeb\xe5\xe2\xe0\xe5\xec\xee\xf1\xf2\xfc#\xcd\xe5\xf2\r\n"
                                "(1000)#\xc4\xe5\xf2\xe8#2#2#1#1#False#0\r\n"
                                "\xf1\xf2\xf0\x31#15\r\n"
                                "\xf1\xf2\xf0\x32#15\r\n"
                                "\xe3\xf0\x31#64\r\n"
                                "\xe3\xf0\x32#64\r\n"
                                "\xe7\xe0\xe3\x31#1#1#1#1#1#Arial#8#False#False#CC00#\xcd\xe0\xe8\xec\xe5\xed\xee\xe2\xe0\xed\xe8\xe5\r\n"
                                "\xe7\xe0\xe3\x32#1#2#1#2#1#Arial#8#False#False#CC10#\xc2\xf1\xe5\xe3\xee:\x02\x01\xf7\xe5\xeb.\r\n";
    const std::optional<FormStructure> s = readFormStructure(year.dictionary(), f12);
    ASSERT_TRUE(s);
    EXPECT_EQ(written(*s), expected);
}

TEST_F(StructureYear, ExportRefusesAFieldTheFileCannotCarry)
{
    const int t = year.addTable(f12, QStringLiteral("(1000)"), QStringLiteral("Дети"), 2, 2, 1, 1);
    const std::optional<FormStructure> good = readFormStructure(year.dictionary(), f12);
    ASSERT_TRUE(good);
    const QString path = dir.filePath(QStringLiteral("old.frs"));
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    struct Case { const char* name; const char* says; };
    const Case cases[] = {
        {"Дети#1", "в таблице (1000) формы Ф12 поле \"Содержание\" содержит знак \"#\""},
        {"Дети\r\n", "поле \"Содержание\" содержит перевод строки"},
        {"Дети ☺", "поле \"Содержание\" содержит знак, которого нет"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FormStructure s = *good;
        s.tables[0].name = QString::fromUtf8(c.name);
        FormStructureFileWriter writer;
        EXPECT_FALSE(writer.write(path, s));
        EXPECT_TRUE(writer.errorString().contains(QString::fromUtf8(c.says))) << writer.errorString().toStdString();
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::ReadOnly));
        EXPECT_EQ(old.readAll(), QByteArray("old"));
    }
    // a "#" in a header text is the record's last field and reads back whole
    year.addTitle(t, 1, 1, QStringLiteral("№ п#п"));
    FormStructureFileReader reader;
    ASSERT_TRUE(readBytes(reader, written(*readFormStructure(year.dictionary(), f12))));
    EXPECT_EQ(reader.structure().tables[0].titles[0].storedText, QStringLiteral("№ п#п"));
}

}  // namespace

namespace {

// A file broken everywhere lists ten breaks and counts the rest; a whole one warns of nothing.
TEST(FormStructureFile, TheWarningListsTenBreaksAndCountsTheRest)
{
    EXPECT_EQ(structureBreaksWarning({}), QString());
    QStringList breaks;
    for (int i = 1; i <= 12; ++i)
        breaks << QStringLiteral("нарушение %1").arg(i);
    QString expected = QStringLiteral("нарушение 1");
    for (int i = 2; i <= 10; ++i)
        expected += QStringLiteral("\n\nнарушение %1").arg(i);
    expected += QStringLiteral("\n\nи еще нарушений: 2");
    EXPECT_EQ(structureBreaksWarning(breaks), expected);
}

// A form deleted meanwhile writes no file and is named.
TEST_F(StructureYear, ExportOfAFormNoLongerStoredWritesNothing)
{
    const QString path = dir.filePath(QStringLiteral("ф.frs"));
    QString error;
    EXPECT_FALSE(exportFormStructure(year.dictionary(), f12 + 100, QStringLiteral("Ф99"), path, &error));
    EXPECT_EQ(error, QStringLiteral("Форма Ф99 не найдена в базе"));
    EXPECT_FALSE(QFileInfo::exists(path));
}

} // namespace
