#include "convert/Conversion.h"

#include "LegacyYear.h"
#include "support/FileBytes.h"
#include "support/PrintTo.h"
#include "support/ScriptedPrompts.h"

#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Schema.h"

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using namespace Conversion;

QStringList names(const char* text) { return QString::fromUtf8(text).split(QLatin1Char(' ')); }

struct TypeRow {
    int id;
    QString type;
    QVariant parent;
    QVariant ind;
};

class LegacyDictionary : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString config = dir.path();
    QString path = LegacyYear::make(config, QStringLiteral("2025"));
    QString typesPath = dir.filePath(QStringLiteral("MedicalTypes.txt"));

    // Runs "Старт" on the given years with `script` already set up by the test.
    RunReport run(const QStringList& years, QStringList* done = nullptr)
    {
        return convertYears(config, years, typesPath, prompts(), [&](const QString& year) {
            if (done)
                *done << year;
        });
    }

    QList<TypeRow> types(const QString& dictionary)
    {
        auto db = Database::open(dictionary, true);
        QList<TypeRow> rows;
        Query q(*db, QStringLiteral(R"(select "id","type","parent","ind" from "medicaltypes" order by "id")"));
        while (q.next())
            rows.append({q.toInt(0), q.text(1), q.value(2), q.value(3)});
        return rows;
    }
};

TEST_F(LegacyDictionary, GainsTheFourColumnsAndTheTypesOfTheFile)
{
    LegacyYear::writeTypes(typesPath, {QStringLiteral("2\tПоликлиники\t1\t5"),
                                       QStringLiteral("3\t\"Фельдшерские пункты\"\t1\t7")});
    {
        ScriptedPrompts script;
        script.expectMessage(QDir::toNativeSeparators(path)).expectMessage(QStringLiteral("Готово"));
        QStringList done;
        const RunReport report = run({QStringLiteral("2025")}, &done);
        EXPECT_EQ(report.converted, QStringList{QStringLiteral("2025")});
        EXPECT_EQ(done, QStringList{QStringLiteral("2025")});
        EXPECT_FALSE(report.stopped);
    }
    auto db = Database::open(path, true);
    EXPECT_EQ(db->columns(QStringLiteral("administration")), names("id unit dependence medicaltype country ind"));
    EXPECT_EQ(db->columns(QStringLiteral("reports")), names("id report net include ind"));
    EXPECT_EQ(db->columns(QStringLiteral("medicaltypes")), names("id type parent ind"));
    db.reset();
    const QList<TypeRow> rows = types(path);
    ASSERT_EQ(rows.size(), 3);
    // Type 1 is not in the file: it stays in the tree as a top type.
    EXPECT_EQ(rows[0].type, QStringLiteral("Больничные учреждения"));
    EXPECT_EQ(rows[0].parent.toInt(), 0);
    EXPECT_FALSE(rows[0].parent.isNull());
    EXPECT_EQ(rows[1].type, QStringLiteral("Поликлиники"));
    EXPECT_EQ(rows[1].parent.toInt(), 1);
    EXPECT_EQ(rows[1].ind.toInt(), 5);
    EXPECT_EQ(rows[2].id, 3);
    EXPECT_EQ(rows[2].type, QStringLiteral("Фельдшерские пункты"));
    EXPECT_EQ(rows[2].parent.toInt(), 1);
    EXPECT_EQ(rows[2].ind.toInt(), 7);

    // A second run finds every column and writes nothing, even with another types file.
    const QByteArray converted = LegacyYear::bytes(path);
    LegacyYear::writeTypes(typesPath, {QStringLiteral("2\tПоликлиники\t0\t9")});
    ScriptedPrompts script;
    script.expectMessage(QDir::toNativeSeparators(path)).expectMessage(QStringLiteral("Готово"));
    EXPECT_EQ(run({QStringLiteral("2025")}).converted, QStringList{QStringLiteral("2025")});
    EXPECT_EQ(LegacyYear::bytes(path), converted);
}

TEST_F(LegacyDictionary, APartlyConvertedDictionaryGainsOnlyWhatItLacks)
{
    {
        auto db = Database::open(path);
        db->exec(QStringLiteral(R"(alter table "administration" add column "ind" int)"));
        db->exec(QStringLiteral(R"(alter table "reports" add column "ind" int)"));
        db->exec(QStringLiteral(R"(alter table "medicaltypes" add column "parent" int)"));
        db->exec(QStringLiteral(R"(update "medicaltypes" set "parent"=0)"));
    }
    LegacyYear::writeTypes(typesPath, {QStringLiteral("2\tПоликлиники\t1\t4")});
    QString error;
    MedicalTypesFileReader reader;
    ASSERT_TRUE(reader.read(typesPath)) << reader.errorString().toStdString();
    ASSERT_TRUE(convertDictionary(path, &reader.types(), typesPath, &error)) << error.toStdString();
    {
        auto db = Database::open(path, true);
        EXPECT_EQ(db->columns(QStringLiteral("medicaltypes")), names("id type parent ind"));
        EXPECT_EQ(db->columns(QStringLiteral("administration")), names("id unit dependence medicaltype country ind"));
    }
    const QList<TypeRow> rows = types(path);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[1].parent.toInt(), 1);
    EXPECT_EQ(rows[1].ind.toInt(), 4);
}

TEST_F(LegacyDictionary, AnUpToDateDictionaryIsLeftByteForByte)
{
    const QString current = Files::join(config, QStringLiteral("2026"), QStringLiteral("ktrmain.mdb"));
    QDir().mkpath(Files::join(config, QStringLiteral("2026")));
    Schema::createDictionaryFile(current);
    const QByteArray before = LegacyYear::bytes(current);
    // No year needs the types, so the missing types file does not matter.
    ScriptedPrompts script;
    script.expectMessage(QStringLiteral("2026")).expectMessage(QStringLiteral("Готово"));
    EXPECT_EQ(run({QStringLiteral("2026")}).converted, QStringList{QStringLiteral("2026")});
    EXPECT_EQ(LegacyYear::bytes(current), before);
}

struct FailureCase {
    const char* what;
    QStringList lines;          // empty: no types file at all
    bool refuseWrites;          // the dictionary refuses the change
    const char* message;        // part of the error shown
};

TEST_F(LegacyDictionary, AFailureLeavesTheDictionaryAsItWasAndSaysWhy)
{
    const FailureCase cases[] = {
        {"missing file", {}, false, "Нет файла"},
        {"three fields", {QStringLiteral("2\tПоликлиники\t1")}, false,
         "строка 2: ожидаются четыре поля через табуляцию"},
        {"letter in an id", {QStringLiteral("2\tПоликлиники\t1\t5"), QStringLiteral("З\tАптеки\t1\t6")}, false,
         "строка 3: код типа «З» не является целым числом"},
        {"parent naming nothing", {QStringLiteral("3\tАптеки\t9\t1")}, false,
         "строка 2: тип-родитель 9 не найден"},
        {"duplicate id", {QStringLiteral("3\tАптеки\t1\t1"), QStringLiteral("3\tАптеки\t1\t2")}, false,
         "строка 3: код типа 3 уже указан в строке 2"},
        {"database failure", {QStringLiteral("2\tПоликлиники\t1\t5")}, true, "нарушает правила этой базы данных"},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(typesPath);
        if (!c.lines.isEmpty())
            LegacyYear::writeTypes(typesPath, c.lines);
        if (c.refuseWrites)
            LegacyYear::refuseTypeChanges(path);
        const QByteArray before = LegacyYear::bytes(path);
        ScriptedPrompts script;
        if (c.refuseWrites)   // the file is good, so the year's turn comes
            script.expectMessage(QDir::toNativeSeparators(path));
        script.expectError(QString::fromUtf8(c.message));
        QStringList done;
        const RunReport report = run({QStringLiteral("2025")}, &done);
        EXPECT_TRUE(report.stopped);
        EXPECT_TRUE(report.converted.isEmpty());
        EXPECT_TRUE(done.isEmpty());
        EXPECT_EQ(LegacyYear::bytes(path), before);
        EXPECT_FALSE(QFile::exists(path + QStringLiteral("-journal")));
        EXPECT_NE(script.log().join(QLatin1Char('\n')).indexOf(QStringLiteral("не преобразован")), -1);
    }
}

TEST_F(LegacyDictionary, AFailedYearEndsTheRunAndTheYearsBeforeItStayConverted)
{
    const QString second = LegacyYear::make(config, QStringLiteral("2026"));
    const QString third = LegacyYear::make(config, QStringLiteral("2027"));
    LegacyYear::refuseTypeChanges(second);
    LegacyYear::writeTypes(typesPath, {QStringLiteral("2\tПоликлиники\t1\t5")});
    const QByteArray secondBefore = LegacyYear::bytes(second);
    const QByteArray thirdBefore = LegacyYear::bytes(third);

    ScriptedPrompts script;
    script.expectMessage(QDir::toNativeSeparators(path))
        .expectMessage(QDir::toNativeSeparators(second))
        .expectError(QStringLiteral("База данных 2026 года не преобразована"));
    QStringList done;
    const RunReport report = run({QStringLiteral("2025"), QStringLiteral("2026"), QStringLiteral("2027")}, &done);
    EXPECT_EQ(report.converted, QStringList{QStringLiteral("2025")});
    EXPECT_EQ(report.failed, QStringLiteral("2026"));
    EXPECT_EQ(done, QStringList{QStringLiteral("2025")});
    EXPECT_EQ(types(path)[1].ind.toInt(), 5);
    EXPECT_EQ(LegacyYear::bytes(second), secondBefore);
    EXPECT_EQ(LegacyYear::bytes(third), thirdBefore);
}

TEST_F(LegacyDictionary, AYearWithoutADictionaryIsNamedAndNoDoneIsClaimed)
{
    QDir().mkpath(Files::join(config, QStringLiteral("2030")));
    LegacyYear::writeTypes(typesPath, {QStringLiteral("2\tПоликлиники\t1\t5")});
    ScriptedPrompts script;
    script.expectMessage(QDir::toNativeSeparators(path))
        .expectWarning(QDir::toNativeSeparators(Files::join(config, QStringLiteral("2030"), QStringLiteral("ktrmain.mdb"))));
    QStringList done;
    const RunReport report = run({QStringLiteral("2025"), QStringLiteral("2030")}, &done);
    EXPECT_EQ(report.converted, QStringList{QStringLiteral("2025")});
    EXPECT_EQ(report.missing, QStringList{QStringLiteral("2030")});
    EXPECT_EQ(done, (QStringList{QStringLiteral("2025"), QStringLiteral("2030")}));
    EXPECT_FALSE(script.log().join(QLatin1Char('\n')).contains(QStringLiteral("Готово")));
}

// A file that would leave the type tree flat or looped is refused before any year is opened for
// writing: once converted, a year never reads the file again.
TEST_F(LegacyDictionary, ATypesFileThatWouldBreakTheTreeIsRefusedAndNoYearChanges)
{
    // 2026 got its parents earlier: type 1 already hangs under 2 there.
    const QString partial = LegacyYear::make(config, QStringLiteral("2026"));
    {
        auto db = Database::open(partial);
        db->exec(QStringLiteral(R"(alter table "medicaltypes" add column "parent" int)"));
        db->exec(QStringLiteral(R"(update "medicaltypes" set "parent"=case "id" when 1 then 2 else 0 end)"));
    }
    struct Case {
        const char* what;
        QByteArray bytes;   // Windows-1251
        const char* says;
    };
    const QByteArray header = "id\ttype\tparent\tind\r\n";
    const Case cases[] = {
        {"empty", QByteArray(), "пуст"},
        {"header alone", header, "только строка заголовка"},
        {"header and blank lines", header + "\r\n  \r\n", "только строка заголовка"},
        {"two types under each other", header + "5\tA\t0\t1\r\n1\tB\t2\t1\r\n2\tC\t1\t2\r\n",
         "строка 3: типы учреждений оказываются родителями самих себя: 1 → 2 → 1"},
        {"a type under itself", header + "7\tA\t7\t1\r\n", "строка 2: типы учреждений оказываются родителями самих себя: 7 → 7"},
        {"a loop through the parents 2026 holds", header + "2\tB\t1\t1\r\n",
         "строка 2: типы учреждений оказываются родителями самих себя: 2 → 1 → 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        {
            QFile f(typesPath);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(c.bytes);
        }
        const QByteArray before2025 = LegacyYear::bytes(path);
        const QByteArray before2026 = LegacyYear::bytes(partial);
        ScriptedPrompts script;
        script.expectError(QString::fromUtf8(c.says));
        const RunReport report = run({QStringLiteral("2025"), QStringLiteral("2026")});
        EXPECT_TRUE(report.stopped);
        EXPECT_TRUE(report.converted.isEmpty());
        EXPECT_TRUE(script.log().join(QLatin1Char('\n')).contains(QDir::toNativeSeparators(typesPath)))
            << script.log().join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(LegacyYear::bytes(path), before2025);
        EXPECT_EQ(LegacyYear::bytes(partial), before2026);
    }
}

TEST(MedicalTypesFile, TakesItsFieldsAsTheyStand)
{
    QByteArray bytes = "id\ttype\tparent\tind\r\n"
                       "1\t\"Больницы\"\t0\t0\r\n"
                       "\r\n"
                       "2\t\"Дом \"Надежда\"\"\t1\t1\r\n"
                       "3\t\"Без пары\t1\t2\r\n"
                       " 4 \tАптеки\t 0 \t-1";
    QString encoded = QString::fromUtf8(bytes);
    QByteArray cp1251;
    QString error;
    ASSERT_TRUE(encode1251(encoded, &cp1251, &error));
    QBuffer buffer(&cp1251);
    ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
    MedicalTypesFileReader reader;
    ASSERT_TRUE(reader.read(&buffer, QStringLiteral("MedicalTypes.txt"))) << reader.errorString().toStdString();
    const QList<MedicalType> expected = {
        {1, QStringLiteral("Больницы"), 0, 0},
        {2, QStringLiteral("Дом \"Надежда\""), 1, 1},
        {3, QStringLiteral("\"Без пары"), 1, 2},
        {4, QStringLiteral("Аптеки"), 0, -1},
    };
    EXPECT_EQ(reader.types(), expected);
    EXPECT_EQ(reader.types()[2].line, 5);
}

TEST(MedicalTypesFile, RefusesAnIdOfZeroAndAFractionalOrder)
{
    struct Case { const char* line; const char* message; };
    const Case cases[] = {
        {"0\tНет\t0\t1", "строка 2: код типа должен быть больше нуля"},
        {"5\tАптеки\t0\t1.5", "строка 2: порядковый номер «1.5» не является целым числом"},
        {"5\tАптеки\tx\t1", "строка 2: код родителя «x» не является целым числом"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        // The file is Windows-1251, as the program's files are; the literal is UTF-8.
        QByteArray bytes = QByteArray("header\r\n") + in1251(QString::fromUtf8(c.line)) + "\r\n";
        QBuffer buffer(&bytes);
        ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
        MedicalTypesFileReader reader;
        EXPECT_FALSE(reader.read(&buffer, QStringLiteral("MedicalTypes.txt")));
        EXPECT_TRUE(reader.errorString().contains(QString::fromUtf8(c.message))) << reader.errorString().toStdString();
        EXPECT_TRUE(reader.types().isEmpty());
    }
}

TEST(ProgramFolder, ListsConfigurationsInFileOrderAndOnlyYearFolders)
{
    QTemporaryDir dir;
    EXPECT_FALSE(readProgramSettings(dir.path()).has_value());

    IniFile ini(dir.filePath(SettingsFileName));
    ASSERT_TRUE(ini.writeString(QStringLiteral("Конфигурации"), QStringLiteral("Область"), dir.filePath(QStringLiteral("o"))));
    ASSERT_TRUE(ini.writeString(QStringLiteral("Конфигурации"), QStringLiteral("Город"), dir.filePath(QStringLiteral("g"))));
    std::optional<ProgramSettings> settings = readProgramSettings(dir.path());
    ASSERT_TRUE(settings.has_value());
    EXPECT_EQ(settings->configurations,
              (QList<Configuration>{{QStringLiteral("Область"), dir.filePath(QStringLiteral("o"))},
                                    {QStringLiteral("Город"), dir.filePath(QStringLiteral("g"))}}));
    EXPECT_EQ(settings->last, -1);
    for (const auto& [last, expected] : {std::pair{1, 1}, {0, 0}, {2, -1}, {-3, -1}}) {
        ASSERT_TRUE(ini.writeInteger(QStringLiteral("Конфигурация"), QStringLiteral("Last"), last));
        EXPECT_EQ(readProgramSettings(dir.path())->last, expected) << last;
    }

    const QString config = dir.filePath(QStringLiteral("o"));
    for (const char* folder : {"2005", "2003", "999", "20a5", "abc", "2004.1"})
        QDir().mkpath(config + QLatin1Char('/') + QString::fromUtf8(folder));
    QFile file(config + QStringLiteral("/2004"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_EQ(yearList(config), names("999 2003 2005"));
    EXPECT_TRUE(yearList(QString()).isEmpty());
    EXPECT_FALSE(isYearName(QString()));
    EXPECT_FALSE(isYearName(QStringLiteral(".")));
}

}  // namespace
