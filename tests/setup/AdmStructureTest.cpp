#include "setup/AdmStructure.h"

#include "PrintTo.h"
#include "YearFixture.h"
#include "core/StructureCache.h"
#include "platform/Database.h"
#include "platform/TextFiles.h"
#include "core/DataFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

int countRows(Database& db, const QString& sql, const QVariantList& params = {})
{
    return db.scalar(sql, params).toInt();
}

// A small territory: group G with institutions A and B, and C at the top level.
class Territory : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025};
    int g = year.addInstitution(QStringLiteral("Группа"));
    int a = year.addInstitution(QStringLiteral("А"), g);
    int b = year.addInstitution(QStringLiteral("Б"), g);
    int c = year.addInstitution(QStringLiteral("В"));
};

TEST_F(Territory, AddedUnitsKeepTheirNameVerbatimAndSortAfterTheirSiblings)
{
    const QString name = QStringLiteral(R"(ГБУЗ "Надежда" и 'Вера')");
    const int first = addUnit(year.dictionary(), name, 0, NoMedicalType, true);
    const std::optional<UnitRecord> unit = readUnit(year.dictionary(), first);
    ASSERT_TRUE(unit);
    EXPECT_EQ(unit->unit, name);
    EXPECT_EQ(unit->dependence, 0);
    EXPECT_EQ(unit->medicalType, NoMedicalType);
    EXPECT_TRUE(unit->rural);
    EXPECT_EQ(unit->ind, NewUnitInd);

    const int type = year.addMedicalType(QStringLiteral("Поликлиники"));
    const int child = addUnit(year.dictionary(), QStringLiteral("Новая"), g, type, false);
    EXPECT_EQ(childUnitIds(year.dictionary(), g), (QList<int>{a, b, child}));

    ASSERT_TRUE(updateUnit(year.dictionary(), child, QStringLiteral(R"(Ещё "одна")"), NoMedicalType, true));
    const std::optional<UnitRecord> changed = readUnit(year.dictionary(), child);
    ASSERT_TRUE(changed);
    EXPECT_EQ(changed->unit, QStringLiteral(R"(Ещё "одна")"));
    EXPECT_EQ(changed->medicalType, NoMedicalType);
    EXPECT_TRUE(changed->rural);
    EXPECT_EQ(changed->dependence, g);
    EXPECT_FALSE(updateUnit(year.dictionary(), 999, QStringLiteral("Нет"), NoMedicalType, false));
}

TEST_F(Territory, ABlankNameIsNeitherAddedNorStoredOverAName)
{
    const int before = countRows(year.dictionary(), QStringLiteral(R"(select count(*) from "administration")"));
    for (const QString& blank : {QString(), QStringLiteral(" "), QStringLiteral("\t \u00A0")}) {
        SCOPED_TRACE(blank.toStdString());
        EXPECT_EQ(addUnit(year.dictionary(), blank, g, NoMedicalType, false), 0);
        EXPECT_FALSE(updateUnit(year.dictionary(), a, blank, NoMedicalType, true));
    }
    EXPECT_EQ(countRows(year.dictionary(), QStringLiteral(R"(select count(*) from "administration")")), before);
    const std::optional<UnitRecord> unit = readUnit(year.dictionary(), a);
    ASSERT_TRUE(unit);
    EXPECT_EQ(unit->unit, QStringLiteral("А"));
    EXPECT_FALSE(unit->rural);
    // Blanks around a name are the user's: kept as typed.
    ASSERT_TRUE(updateUnit(year.dictionary(), a, QStringLiteral(" А "), NoMedicalType, false));
    EXPECT_EQ(readUnit(year.dictionary(), a)->unit, QStringLiteral(" А "));
}

TEST_F(Territory, AUnitNeverMovesUnderItselfOrItsDescendants)
{
    const int deep = year.addInstitution(QStringLiteral("Отделение"), a);
    struct Case { const char* what; int unit; int parent; bool moved; int dependence; };
    const Case cases[] = {
        {"under itself", g, g, false, 0},
        {"under its child", g, a, false, 0},
        {"under its grandchild", g, deep, false, 0},
        {"under a unit that does not exist", a, 999, false, g},
        {"institution to another group", b, c, true, c},
        {"back to the top level", b, 0, true, 0},
        {"group under a unit beside it", g, c, true, c},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        EXPECT_EQ(moveUnit(year.dictionary(), k.unit, k.parent), k.moved);
        EXPECT_EQ(readUnit(year.dictionary(), k.unit)->dependence, k.dependence);
    }
    // Now C holds G: C may not go under G's institution either.
    EXPECT_FALSE(moveUnit(year.dictionary(), c, deep));
    EXPECT_EQ(readUnit(year.dictionary(), c)->dependence, 0);
}

TEST_F(Territory, ADependenceLoopAlreadyStoredDoesNotHangTheGuard)
{
    const int x = year.addInstitution(QStringLiteral("X"));
    const int y = year.addInstitution(QStringLiteral("Y"), x);
    year.dictionary().exec(QStringLiteral(R"(update "administration" set "dependence"=? where "id"=?)"), {y, x});
    EXPECT_TRUE(isSameOrBelow(year.dictionary(), x, y));
    EXPECT_FALSE(isSameOrBelow(year.dictionary(), a, y));
    EXPECT_FALSE(moveUnit(year.dictionary(), x, y));
}

TEST_F(Territory, TheOrderIsWrittenForEveryUnitOrNotAtAll)
{
    saveUnitOrder(year.dictionary(), {{c, 0}, {g, 1}, {b, 0}, {a, 1}});
    EXPECT_EQ(childUnitIds(year.dictionary(), g), (QList<int>{b, a}));
    EXPECT_EQ(childUnitIds(year.dictionary(), 0), (QList<int>{c, g}));

    year.dictionary().exec(QStringLiteral(R"(create trigger f before update of "ind" on "administration"
        when new."id"=)") + QString::number(a) + QStringLiteral(R"( begin select raise(abort,'forced'); end)"));
    EXPECT_THROW(saveUnitOrder(year.dictionary(), {{b, 5}, {a, 6}}), DbError);
    EXPECT_EQ(readUnit(year.dictionary(), b)->ind, 0);
}

TEST_F(Territory, DeletingAnInstitutionTakesItsNumbersOfTheYearInOneStep)
{
    const int form = year.addForm(QStringLiteral("Ф1"));
    const int t = year.addTable(form, QStringLiteral("(1)"), QStringLiteral("Т"), 4, 3, 1, 1);
    year.setEntered(a, t, 2, 1, 5);
    year.setEntered(a, t, 3, 2, 6);
    year.setEntered(b, t, 2, 1, 7);
    year.data().exec(QStringLiteral(R"(insert into "data" values (?,?,?,?,?,?))"), {a, 9.0, 2024, t, 3, 3});
    year.addPopulation(a, 100, 60, 10, 30);
    const QString aRows = QStringLiteral(R"(select count(*) from "data" where "hospital"=? and "year"=?)");

    // Refused for a group and for a unit that is not there.
    EXPECT_FALSE(deleteInstitution(year.dictionary(), year.dataPath(), 2025, g));
    EXPECT_FALSE(deleteInstitution(year.dictionary(), year.dataPath(), 2025, 999));
    EXPECT_TRUE(readUnit(year.dictionary(), g));

    // A failure on the dictionary's side keeps the numbers too.
    year.dictionary().exec(QStringLiteral(R"(create trigger f before delete on "administration"
        begin select raise(abort,'forced'); end)"));
    EXPECT_THROW(deleteInstitution(year.dictionary(), year.dataPath(), 2025, a), DbError);
    EXPECT_EQ(countRows(year.data(), aRows, {a, 2025}), 2);
    EXPECT_TRUE(readUnit(year.dictionary(), a));
    year.dictionary().exec(QStringLiteral(R"(drop trigger f)"));

    EXPECT_TRUE(deleteInstitution(year.dictionary(), year.dataPath(), 2025, a));
    EXPECT_FALSE(readUnit(year.dictionary(), a));
    EXPECT_EQ(countRows(year.data(), aRows, {a, 2025}), 0);
    EXPECT_EQ(countRows(year.data(), aRows, {a, 2024}), 1);
    EXPECT_EQ(countRows(year.data(), aRows, {b, 2025}), 1);
    EXPECT_EQ(countRows(year.dictionary(), QStringLiteral(R"(select count(*) from "populations1" where "unit"=?)"), {a}), 1);
}

// Two forms with tables of known data areas, the caches filled from them.
class FillReport : public Territory {
protected:
    void SetUp() override
    {
        Territory::SetUp();
        GetForms(year.dictionary());
        GetTables(year.dictionary());
    }
    int f1 = year.addForm(QStringLiteral("Ф1"), QStringLiteral("Первая"));
    int f2 = year.addForm(QStringLiteral("ф2"), QStringLiteral("Вторая"));
    int t1 = year.addTable(f1, QStringLiteral("(1)"), QStringLiteral("Четыре на четыре"), 6, 5, 2, 1);  // 16 cells
    int t2 = year.addTable(f1, QStringLiteral("(2)"), QStringLiteral("Два на два"), 4, 4, 2, 2);        // 4 cells
    int t3 = year.addTable(f1, QStringLiteral("(3)"), QStringLiteral("Одни заголовки"), 3, 3, 3, 1);    // none
    int t4 = year.addTable(f2, QStringLiteral("(1)"), QStringLiteral("Два на два"), 3, 3, 1, 1);        // 4 cells

    void fill(int unit, int table, int cells)
    {
        // Distinct stored cells: the report counts the rows, wherever they lie.
        for (int i = 0; i < cells; ++i)
            year.setCell(unit, table, 10 + i % 4, 10 + i / 4, 1.0);
    }
};

TEST_F(FillReport, SharesAreRoundedHalfToEvenAndTablesWithoutCellsGuarded)
{
    fill(a, t1, 6);   // 6/16 = 37.5% -> 38
    fill(a, t2, 1);   // 1/4 = 25%
    fill(a, t3, 2);   // rows of a table without data cells: no share, no division by zero
    fill(c, t1, 2);   // 2/16 = 12.5% -> 12
    fill(c, t4, 3);   // 3/4 = 75%
    year.data().exec(QStringLiteral(R"(insert into "data" values (?,?,?,?,?,?))"), {c, 1.0, 2024, t2, 3, 3});

    const UnitTreeNode group{g, QStringLiteral("Группа"), {{a, QStringLiteral("А"), {}}, {b, QStringLiteral("Б"), {}}}};
    QStringList progress;
    EXPECT_EQ(availabilityFromDatabase(year.data(), 2025, group, [&](const QString& n) { progress << n; }),
              (QStringList{QStringLiteral("Группа"), QStringLiteral("А"),
                           QStringLiteral("Ф1\t(1) - 38%, (2) - 25%"), QStringLiteral("Б")}));
    EXPECT_EQ(progress, (QStringList{QStringLiteral("А"), QStringLiteral("Б")}));

    const UnitTreeNode single{c, QStringLiteral("В"), {}};
    EXPECT_EQ(availabilityFromDatabase(year.data(), 2025, single),
              (QStringList{QStringLiteral("В"), QStringLiteral("Ф1\t(1) - 12%"), QStringLiteral("Ф2\t(1) - 75%")}));
}

TEST_F(FillReport, LongLinesGoOnForTheSameFormAtOneHundredFiftyCharacters)
{
    // Each piece "(100000000n) - 100%, " is 21 characters; "Ф3\t" and seven of them make 150.
    const int f3 = year.addForm(QStringLiteral("Ф3"));
    QList<int> tables;
    for (int n = 1; n <= 8; ++n)
        tables << year.addTable(f3, QStringLiteral("(100000000%1)").arg(n), QStringLiteral("Т"), 2, 2, 1, 1);
    GetForms(year.dictionary());
    GetTables(year.dictionary());
    QList<int> counts(TableInfo.size(), 0);
    for (int i = 0; i < TableInfo.size(); ++i) {
        if (tables.contains(TableInfo[i].ident))
            counts[i] = 1;
    }
    QStringList pieces;
    for (int n = 1; n <= 7; ++n)
        pieces << QStringLiteral("(100000000%1) - 100%").arg(n);
    const QStringList lines = formFillLines(counts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], QStringLiteral("Ф3\t") + pieces.join(QStringLiteral(", ")));
    EXPECT_EQ(lines[0].size() + 2, 150);
    EXPECT_EQ(lines[1], QStringLiteral("Ф3\t(1000000008) - 100%"));
}

TEST_F(FillReport, DataFilesAreCountedByFormNameOrByFormIdInTheOlderKind)
{
    const QString ktd = dir.filePath(QStringLiteral("А - Годовой - 2025.ktd"));
    QString error;
    ASSERT_TRUE(writeLines1251(ktd, {
        QStringLiteral(R"l("5","2025","ф1","(1)","4","3")l"),
        QStringLiteral(R"l("6","2025","Ф1","(1)","5","3")l"),
        QStringLiteral(R"l("7","2025","Ф1","(2)","4","4")l"),
        QStringLiteral(R"l("8","2024","Ф1","(2)","5","4")l"),      // another year
        QStringLiteral(R"l("9","2025","Ф9","(1)","4","3")l"),      // a form the dictionary lacks
        QStringLiteral(R"l("9","2025","Ф1","(1)")l"),              // cut short
    }, &error)) << error.toStdString();
    const QString ktr = dir.filePath(QStringLiteral("В.ktr"));
    ASSERT_TRUE(writeLines1251(ktr, {
        QStringLiteral(R"l("1","2025","%1","(1)","3","3")l").arg(f2),
        QStringLiteral(R"l("1","2025","Ф2","(1)","3","3")l"),      // a name where an id belongs
    }, &error)) << error.toStdString();
    const QString empty = dir.filePath(QStringLiteral("Б - Годовой - 2025.ktd"));
    ASSERT_TRUE(writeLines1251(empty, {}, &error));

    QStringList failures;
    QStringList progress;
    const QStringList lines = availabilityFromFiles(
        {ktd, ktr, empty, dir.filePath(QStringLiteral("Нет.ktd"))}, 2025, &failures,
        [&](const QString& n) { progress << n; });
    EXPECT_EQ(lines, (QStringList{QStringLiteral("А"), QStringLiteral("Ф1\t(1) - 12%, (2) - 25%"),
                                  QStringLiteral("В"), QStringLiteral("Ф2\t(1) - 25%"), QStringLiteral("Б")}));
    EXPECT_EQ(progress, (QStringList{QStringLiteral("А"), QStringLiteral("В"), QStringLiteral("Б"),
                                     QStringLiteral("Нет")}));
    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures[0].startsWith(QStringLiteral("Нет.ktd: "))) << failures[0].toStdString();
}

TEST_F(FillReport, AFileThatIsNoDataFileIsNamedWithItsReasonAndTheOthersAreCounted)
{
    QString error;
    const QString good = dir.filePath(QStringLiteral("А.ktd"));
    ASSERT_TRUE(writeLines1251(good, {QStringLiteral(R"l("5","2025","Ф1","(1)","4","3")l")}, &error));
    const QString book = dir.filePath(QStringLiteral("Книга.ktd"));   // a workbook chosen by mistake
    {
        QFile f(book);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("PK\x03\x04") + QByteArray(100, '\0'));
    }
    const QString broken = dir.filePath(QStringLiteral("Обрыв.ktd"));   // data, then a NUL on line 2
    {
        QFile f(broken);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("\"5\",\"2025\",\"\xD4" "1\",\"(1)\",\"4\",\"3\"\r\nab") + '\0' + "c\r\n");
    }
    QStringList failures;
    const QStringList lines = availabilityFromFiles({book, broken, good}, 2025, &failures);
    EXPECT_EQ(lines, (QStringList{QStringLiteral("А"), QStringLiteral("Ф1\t(1) - 6%")}));   // one cell of 16
    ASSERT_EQ(failures.size(), 2);
    EXPECT_EQ(failures[0], QStringLiteral("Книга.ktd: Файл %1 не является текстовым файлом")
                               .arg(QDir::toNativeSeparators(book)));
    EXPECT_EQ(failures[1], QStringLiteral("Обрыв.ktd: Файл %1, строка 2: файл не является текстовым (нулевой байт)")
                               .arg(QDir::toNativeSeparators(broken)));
}

TEST(ChosenForms, IsTheCheckedNamesInCapitalsOrNothingForAll)
{
    EXPECT_EQ(chosenFormsText({QStringLiteral("ф12"), QStringLiteral("Ф30")}, false), QStringLiteral("Ф12,Ф30"));
    EXPECT_EQ(chosenFormsText({QStringLiteral("ф12")}, true), QString());
    EXPECT_EQ(chosenFormsText({}, false), QString());
}

TEST(DataFileName, GivesTheUnitBeforeTheExtensionAndTheFirstDash)
{
    struct Case { const char* path; const char* unit; };
    const Case cases[] = {
        {"/d/Заречная ЦРБ - Годовой - 2025.ktd", "Заречная ЦРБ"},
        {"/d/Ключи.ktr", "Ключи"},
        {"/d/ГБ №1. Корпус 2 - Годовой - 2025.ktd", "ГБ №1. Корпус 2"},
        {"/d/Без расширения", "Без расширения"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.path);
        EXPECT_EQ(unitNameOfDataFile(QString::fromUtf8(k.path)), QString::fromUtf8(k.unit));
    }
}

TEST(DataLine, SplitsSixQuotedFieldsAndRefusesAnythingElse)
{
    YearDataLine line;
    ASSERT_TRUE(parseYearDataLine(QStringLiteral(R"l("12.5","2025","Ф12","(1000)","4","7")l"), &line));
    EXPECT_EQ(line, (YearDataLine{QStringLiteral("12.5"), QStringLiteral("2025"), QStringLiteral("Ф12"),
                                  QStringLiteral("(1000)"), QStringLiteral("4"), QStringLiteral("7")}));
    for (const char* bad : {R"l("1","2025","Ф12","(1000)","4")l", R"l("1","2025","Ф12","(1000)","4",7)l",
                            R"l(1,"2025","Ф12","(1000)","4","7")l", ""}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(parseYearDataLine(QString::fromUtf8(bad), &line));
    }
    EXPECT_TRUE(isOlderDataFile(QStringLiteral("Ключи.ktr")));
    EXPECT_TRUE(isOlderDataFile(QStringLiteral("Ключи.KTR")));   // the kind ignores letter case
    EXPECT_FALSE(isOlderDataFile(QStringLiteral("Ключи.ktd")));
}

}

namespace {

// A correction the dictionary cannot take writes nothing and says why in the window's words.
TEST_F(Territory, ARefusedCorrectionSaysWhyAndKeepsTheUnit)
{
    struct Case { const char* what; int id; const char* name; const char* adults; const char* refusalStart; };
    const Case cases[] = {
        {"blank name", a, "  ", "", "Не указано наименование подразделения"},
        {"unit gone", 9999, "Новое", "", "Подразделение А не найдено в базе"},
        {"population not a figure", a, "Новое", "сто", "Подразделение А не исправлено: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString refusal = correctUnitRefusal(year.dictionary(), 2025, c.id, QStringLiteral("А"),
                                                   QString::fromUtf8(c.name), 0, false,
                                                   {QString::fromUtf8(c.adults), QString(), QString(), QString()});
        EXPECT_TRUE(refusal.startsWith(QString::fromUtf8(c.refusalStart))) << refusal.toStdString();
        EXPECT_EQ(readUnit(year.dictionary(), a)->unit, QStringLiteral("А"));
    }
    EXPECT_EQ(correctUnitRefusal(year.dictionary(), 2025, a, QStringLiteral("А"), QStringLiteral("Новое"), 0, false, {}),
              QString());
    EXPECT_EQ(readUnit(year.dictionary(), a)->unit, QStringLiteral("Новое"));
}

} // namespace
