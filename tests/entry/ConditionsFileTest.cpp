#include "entry/ConditionsFile.h"

#include "PrintTo.h"
#include "YearFixture.h"
#include "core/NetConditions.h"
#include "core/StructureCache.h"
#include "platform/Database.h"
#include "platform/TextFiles.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

bool readLines(const QByteArray& bytes, QList<ConditionsFileLine>* lines, QString* error)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    ConditionsFileReader reader;
    const bool ok = reader.read(&buffer, QStringLiteral("f.cnd"));
    *lines = reader.lines();
    *error = reader.errorString();
    return ok;
}

ConditionsFileLine fapLine()
{
    ConditionsFileLine l;
    l.formName = QStringLiteral("Ф47");
    l.tableNumber = QStringLiteral("(0100)");
    l.row = 5;
    l.column = -1;
    l.sum = true;
    l.formula = QStringLiteral("Ф30Т(2100)СТР5ГР3");
    l.condition = QStringLiteral("Ф30Т(2100)СТР5ГР3>0\r\nOR 1");
    l.koeff = 4;
    l.rural = false;
    l.average = true;
    l.types = QStringLiteral("7");
    return l;
}

// The line of fapLine() byte by byte, checked by hand: Windows-1251 Ф D4, Т D2, С D1, Р D0,
// Г C3; TAB between the fields; the condition's CR as 02 and LF as 01; CR LF at the end.
const QByteArray kFapBytes = QByteArray("\xD4" "47\t(0100)\t5\t-1\tTrue\t"
                                        "\xD4" "30" "\xD2" "(2100)" "\xD1\xD2\xD0" "5" "\xC3\xD0" "3\t"
                                        "\xD4" "30" "\xD2" "(2100)" "\xD1\xD2\xD0" "5" "\xC3\xD0" "3>0"
                                        "\x02\x01" "OR 1\t4\tFalse\tTrue\t7\r\n");

} // namespace

TEST(ConditionsFile, OneLineIsWrittenByteForByte)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ConditionsFileWriter writer;
    ASSERT_TRUE(writer.write(&buffer, {fapLine()})) << writer.errorString().toStdString();
    EXPECT_EQ(buffer.data(), kFapBytes);

    QList<ConditionsFileLine> lines;
    QString error;
    ASSERT_TRUE(readLines(kFapBytes, &lines, &error)) << error.toStdString();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0], fapLine());
    EXPECT_EQ(lines[0].condition, QStringLiteral("Ф30Т(2100)СТР5ГР3>0\r\nOR 1"));
}

TEST(ConditionsFile, AnEmptyKoeffReadsAsNone)
{
    QList<ConditionsFileLine> lines;
    QString error;
    ASSERT_TRUE(readLines("F\t(1)\t-1\t0\tFalse\t\t\t\tTrue\tFalse\t*\r\n", &lines, &error));
    ASSERT_EQ(lines.size(), 1);
    EXPECT_FALSE(lines[0].koeff.has_value());
    EXPECT_TRUE(lines[0].rural);
    EXPECT_EQ(lines[0].types, QStringLiteral("*"));
}

TEST(ConditionsFile, ABadLineIsRefusedWithItsNumber)
{
    const char* good = "F\t(1)\t0\t-1\tFalse\t\t\t1\tFalse\tFalse\t*\r\n";
    struct Case { const char* line; const char* reason; };
    const Case cases[] = {
        {"F\t(1)\t0\t-1\tFalse\t\t\t1\tFalse\tFalse\r\n", "полей 10 вместо 11"},
        {"F\t(1)\t0\t-1\tFalse\t\t\t1\tFalse\tFalse\t*\tx\r\n", "полей 12 вместо 11"},
        {"F\t(1)\t1.5\t-1\tFalse\t\t\t1\tFalse\tFalse\t*\r\n", "целыми числами"},
        {"F\t(1)\t 1\t-1\tFalse\t\t\t1\tFalse\tFalse\t*\r\n", "целыми числами"},
        {"F\t(1)\t-1\t-1\tFalse\t\t\t1\tFalse\tFalse\t*\r\n", "неверный адрес"},
        {"F\t(1)\t-2\t0\tFalse\t\t\t1\tFalse\tFalse\t*\r\n", "неверный адрес"},
        {"F\t(1)\t0\t-1\t1\t\t\t1\tFalse\tFalse\t*\r\n", "True или False"},
        {"F\t(1)\t0\t-1\tFalse\t\t\t1\tyes\tFalse\t*\r\n", "True или False"},
        {"F\t(1)\t0\t-1\tFalse\t\t\tx\tFalse\tFalse\t*\r\n", "коэффициент"},
        {"\t(1)\t0\t-1\tFalse\t\t\t1\tFalse\tFalse\t*\r\n", "не указаны форма или таблица"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        QList<ConditionsFileLine> lines;
        QString error;
        EXPECT_FALSE(readLines(QByteArray(good) + c.line + good, &lines, &error));
        EXPECT_TRUE(lines.isEmpty());
        EXPECT_TRUE(error.startsWith(QStringLiteral("Строка 2 файла условий: "))) << error.toStdString();
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.reason))) << error.toStdString();
    }
}

TEST(ConditionsFile, FieldsTheLayoutCannotCarryAreRefusedWithTheirPlace)
{
    struct Case { const char* what; ConditionsFileLine line; const char* reason; };
    auto with = [](auto change) { ConditionsFileLine l = fapLine(); change(l); return l; };
    const Case cases[] = {
        {"tab in formula", with([](auto& l) { l.formula += QStringLiteral("\t1"); }), "формула содержит знак табуляции"},
        {"tab in condition", with([](auto& l) { l.condition += QStringLiteral("\t"); }), "условие содержит знак табуляции"},
        {"line break in formula", with([](auto& l) { l.formula += QStringLiteral("\n+1"); }), "формула содержит перевод строки"},
        {"line break in types", with([](auto& l) { l.types = QStringLiteral("3\r\n4"); }), "типы учреждений содержит перевод строки"},
        {"character 1", with([](auto& l) { l.condition += QChar(1); }), "символ с кодом 1 или 2"},
        {"character 2", with([](auto& l) { l.condition += QChar(2); }), "символ с кодом 1 или 2"},
        {"no 1251 byte", with([](auto& l) { l.formula += QStringLiteral("✓2"); }), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        ConditionsFileWriter writer;
        EXPECT_FALSE(writer.write(&buffer, {fapLine(), c.line}, {2, 2}));
        EXPECT_TRUE(buffer.data().isEmpty());
        const QString error = writer.errorString();
        EXPECT_TRUE(error.startsWith(QStringLiteral("Таблица (0100), строка 6: "))) << error.toStdString();
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.reason))) << error.toStdString();
    }
}

TEST(ConditionsFile, AFailedSaveLeavesTheOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.cnd"));
    writeBytes(path, "old\r\n");
    ConditionsFileLine bad = fapLine();
    bad.condition += QChar(1);
    ConditionsFileWriter writer;
    EXPECT_FALSE(writer.write(path, {fapLine(), bad}));
    EXPECT_EQ(readBytes(path), QByteArray("old\r\n"));
}

// Ф47 with (0100): 4 x 9 layout, 2 header columns and 3 header rows, so grid columns 0..1 and
// rows 0..5; and (0200), 6 x 7 with the same headers: columns 0..3, rows 0..3.
class FormConditions : public ::testing::Test {
protected:
    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025, YearFixture::InstallAliases};
    int f30 = year.addForm(QStringLiteral("Ф30"));
    int t2100 = year.addTable(f30, QStringLiteral("(2100)"), QStringLiteral("Посещения"), 5, 8, 2, 3);
    int f47 = year.addForm(QStringLiteral("Ф47"), QStringLiteral("Сеть"), true);
    int t0100 = year.addTable(f47, QStringLiteral("(0100)"), QStringLiteral("Число"), 4, 9, 2, 3);
    int t0200 = year.addTable(f47, QStringLiteral("(0200)"), QStringLiteral("Коечный фонд"), 6, 7, 2, 3,
                              false, 1);
    QString path = dir.filePath(QStringLiteral("Ф47.cnd"));

    void SetUp() override { refreshStructureCaches(year.dictionary()); }

    NetCondition record(int tid, int row, int column, const QString& types = QStringLiteral("*"))
    {
        NetCondition r;
        r.tid = tid;
        r.row = row;
        r.column = column;
        r.types = types;
        return r;
    }
    void store(const NetCondition& r)
    {
        QString error;
        ASSERT_TRUE(NetConditions::save(year.dictionary(), r, &error)) << error.toStdString();
    }
    QList<NetCondition> all()
    {
        return NetConditions::read(year.dictionary(), t0100) + NetConditions::read(year.dictionary(), t0200);
    }
};

TEST_F(FormConditions, ARoundTripGivesBackEveryField)
{
    NetCondition fap = record(t0100, 5, -1, QStringLiteral("3,12"));
    fap.condition = QStringLiteral("(Ф30Т(2100)СТР5ГР3>0) and\n(Ф30Т(2100)СТР1ГР3<>\"7\")");
    fap.formula = QStringLiteral("Ф30Т(2100)СТР5ГР3");
    fap.sum = true;
    fap.koeff = 4;
    fap.rural = true;
    store(fap);
    NetCondition column = record(t0200, -1, 1);
    column.formula = QStringLiteral("Ф30Т(2100)СТР1ГР3-*");
    column.average = true;
    store(column);
    store(record(t0100, 0, -1));

    QString error;
    ASSERT_TRUE(saveFormConditions(year.dictionary(), f47, QStringLiteral("Ф47"), path, &error))
        << error.toStdString();
    const QList<NetCondition> before = all();
    year.dictionary().exec(QStringLiteral(R"(delete from "conditions")"));
    const ConditionsLoadResult result = loadFormConditions(year.dictionary(), f47, QStringLiteral("ф47"), path);
    EXPECT_TRUE(result.changed) << result.message.toStdString();
    EXPECT_EQ(result.loaded, 3);
    EXPECT_EQ(result.message, QStringLiteral("Условия формы ф47 загружены: 3, пропущено строк других форм: 0."));
    EXPECT_EQ(all(), before);
    ASSERT_EQ(before.size(), 3);
    EXPECT_EQ(NetConditions::find(year.dictionary(), t0100, 5, -1)->condition, fap.condition);
    EXPECT_EQ(NetConditions::find(year.dictionary(), t0100, 5, -1)->types, QStringLiteral("3,12"));
}

TEST_F(FormConditions, AFileThatCannotBeTakenChangesNothingAndSaysWhy)
{
    store(record(t0100, 0, -1));
    const QList<NetCondition> before = all();
    const QByteArray line0100 = "\xD4" "47\t(0100)\t1\t-1\tFalse\t\t\t1\tFalse\tFalse\t*\r\n";
    struct Case { const char* what; QByteArray bytes; const char* reason; };
    const Case cases[] = {
        {"another form", "\xD4" "12\t(0100)\t1\t-1\tFalse\t\t\t1\tFalse\tFalse\t*\r\n",
         "нет условий формы Ф47. Условия формы не изменены."},
        {"an empty file", "", "нет условий формы Ф47"},
        {"a bad line", line0100 + "\xD4" "47\t(0100)\t2\t-1\tFalse\t\t\t1\tFalse\tFalse\r\n",
         "Строка 2 файла условий: полей 10 вместо 11"},
        {"a repeated place", line0100 + "\xD4" "47\t(0200)\t1\t-1\tFalse\t\t\t1\tFalse\tFalse\t*\r\n" + line0100,
         "Строка 3 файла условий: таблица (0100), строка 2: условие указано второй раз"},
        {"a table the form lacks", "\xD4" "47\t(0300)\t1\t-1\tFalse\t\t\t1\tFalse\tFalse\t*\r\n",
         "в форме Ф47 нет таблицы (0300)"},
        {"a part of a number", "\xD4" "47\t(0)\t1\t-1\tFalse\t\t\t1\tFalse\tFalse\t*\r\n",
         "в форме Ф47 нет таблицы (0)"},
        {"a row past the table", "\xD4" "47\t(0100)\t6\t-1\tFalse\t\t\t1\tFalse\tFalse\t*\r\n",
         "таблица (0100), строка 7 за пределами таблицы"},
        {"a column past the table", "\xD4" "47\t(0100)\t-1\t2\tFalse\t\t\t1\tFalse\tFalse\t*\r\n",
         "таблица (0100), графа 5 за пределами таблицы"},
        {"types that do not read", "\xD4" "47\t(0100)\t1\t-1\tFalse\t\t\t1\tFalse\tFalse\t3;4\r\n",
         "таблица (0100), строка 2: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeBytes(path, c.bytes);
        const ConditionsLoadResult result = loadFormConditions(year.dictionary(), f47, QStringLiteral("Ф47"), path);
        EXPECT_FALSE(result.changed);
        EXPECT_TRUE(result.message.contains(QString::fromUtf8(c.reason))) << result.message.toStdString();
        EXPECT_EQ(all(), before);
    }
}

TEST_F(FormConditions, LinesOfOtherFormsAreSkippedAndCounted)
{
    store(record(t0100, 0, -1));
    store(record(t0200, -1, 0));
    writeBytes(path, "\xD4" "12\t(0100)\t1\t-1\tFalse\t\t\t1\tFalse\tFalse\t*\r\n"
                     "\xD4" "47\t(0100)\t-1\t1\tTrue\t\xD4" "30" "\xD2" "(2100)" "\xD1\xD2\xD0" "1" "\xC3\xD0" "3\t\t\tFalse\tFalse\t2,3\r\n");
    const ConditionsLoadResult result = loadFormConditions(year.dictionary(), f47, QStringLiteral("Ф47"), path);
    EXPECT_TRUE(result.changed);
    EXPECT_EQ(result.skipped, 1);
    EXPECT_EQ(result.message, QStringLiteral("Условия формы Ф47 загружены: 1, пропущено строк других форм: 1."));
    // The whole form's conditions were replaced, (0200)'s included.
    const QList<NetCondition> now = all();
    ASSERT_EQ(now.size(), 1);
    EXPECT_EQ(now[0].tid, t0100);
    EXPECT_EQ(now[0].column, 1);
    EXPECT_TRUE(now[0].sum);
    EXPECT_FALSE(now[0].koeff.has_value());
    EXPECT_EQ(now[0].formula, QStringLiteral("Ф30Т(2100)СТР1ГР3"));
    EXPECT_EQ(now[0].types, QStringLiteral("2,3"));
}

TEST_F(FormConditions, AFailedWriteKeepsTheOldConditions)
{
    store(record(t0100, 0, -1));
    const QList<NetCondition> before = all();
    writeBytes(path, "\xD4" "47\t(0100)\t1\t-1\tFalse\t\t\t1\tFalse\tFalse\t*\r\n"
                     "\xD4" "47\t(0100)\t2\t-1\tFalse\t\t\t1\tFalse\tFalse\t*\r\n");
    year.dictionary().exec(QStringLiteral(
        R"(create trigger f before insert on "conditions" when new."row"=2 begin select raise(abort,'forced'); end;)"));
    EXPECT_THROW(loadFormConditions(year.dictionary(), f47, QStringLiteral("Ф47"), path), DbError);
    EXPECT_EQ(all(), before);
}

TEST_F(FormConditions, AFormWithoutConditionsSavesAnEmptyFile)
{
    QString error;
    ASSERT_TRUE(saveFormConditions(year.dictionary(), f47, QStringLiteral("Ф47"), path, &error));
    EXPECT_EQ(readBytes(path), QByteArray());
}

// Other installations write a form's name cut at its first blank and to 10 characters; such a
// file loads into the form, and so does one that holds the whole name.
TEST_F(FormConditions, TheFirstFieldIsTheNameUpToItsFirstBlank)
{
    const int spaced = year.addForm(QStringLiteral("Ф47 Сеть"), QString(), true);
    const int spacedTable = year.addTable(spaced, QStringLiteral("(0100)"), QStringLiteral("Число"), 4, 9, 2, 3);
    const int longName = year.addForm(QStringLiteral("Ф47СЕТЬУЧРЕЖД"), QString(), true);
    const int longTable = year.addTable(longName, QStringLiteral("(0100)"), QStringLiteral("Число"), 4, 9, 2, 3);
    refreshStructureCaches(year.dictionary());
    struct Case { int form; const char* formName; int table; const char* field; bool loads; };
    const Case cases[] = {
        {spaced, "Ф47 Сеть", spacedTable, "Ф47", true},
        {spaced, "Ф47 Сеть", spacedTable, "ф47 СЕТЬ", true},
        {spaced, "Ф47 Сеть", spacedTable, "Сеть", false},
        {longName, "Ф47СЕТЬУЧРЕЖД", longTable, "Ф47СЕТЬУЧР", true},
        {longName, "Ф47СЕТЬУЧРЕЖД", longTable, "ф47сетьучрежд", true},
        {longName, "Ф47СЕТЬУЧРЕЖД", longTable, "Ф47СЕТЬУЧ", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        year.dictionary().exec(QStringLiteral(R"(delete from "conditions")"));
        QByteArray bytes;
        QString why;
        ASSERT_TRUE(encode1251(QString::fromUtf8(c.field) + QStringLiteral("\t(0100)\t1\t-1\tFalse\t\t\t1\tFalse\tFalse\t*\r\n"),
                               &bytes, &why));
        writeBytes(path, bytes);
        const ConditionsLoadResult result =
            loadFormConditions(year.dictionary(), c.form, QString::fromUtf8(c.formName), path);
        EXPECT_EQ(result.changed, c.loads) << result.message.toStdString();
        EXPECT_EQ(NetConditions::read(year.dictionary(), c.table).size(), c.loads ? 1 : 0);
    }

    // Saved, each form's lines carry the cut name: Windows-1251 Ф D4, С D1, Е C5, Т D2, Ь DC,
    // У D3, Ч D7, Р D0.
    store(record(spacedTable, 0, -1));
    store(record(longTable, 0, -1));
    const QByteArray rest = "\t(0100)\t0\t-1\tFalse\t\t\t\tFalse\tFalse\t*\r\n";
    QString error;
    ASSERT_TRUE(saveFormConditions(year.dictionary(), spaced, QStringLiteral("Ф47 Сеть"), path, &error));
    EXPECT_EQ(readBytes(path), "\xD4" "47" + rest);
    ASSERT_TRUE(saveFormConditions(year.dictionary(), longName, QStringLiteral("Ф47СЕТЬУЧРЕЖД"), path, &error));
    EXPECT_EQ(readBytes(path), "\xD4" "47" "\xD1\xC5\xD2\xDC\xD3\xD7\xD0" + rest);
}
