#include "core/Lookups.h"

#include <array>

#include "PrintTo.h"
#include "YearFixture.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Two forms, one stored in small letters; Ф30 gets its tables out of number order, so that
// the cache order (by form, then tablen as text) differs from the order of the idents.
class LookupsYear : public ::testing::Test {
protected:
    void SetUp() override
    {
        f30 = year.addForm(QStringLiteral("Ф30"), QStringLiteral("Сведения о лечебном учреждении"));
        f12 = year.addForm(QStringLiteral("ф12"), QStringLiteral("Заболеваемость"));
        fLong = year.addForm(QStringLiteral("Ф30-Приложение к отчету"), QStringLiteral("Длинное имя"));
        t2 = year.addTable(f30, QStringLiteral("(2)"), QStringLiteral("Вторая"), 5, 4, 1, 1);
        t10 = year.addTable(f30, QStringLiteral("(10)"), QStringLiteral("Десятая"), 8, 7, 3, 2);
        t1 = year.addTable(f30, QStringLiteral("(1)"), QStringLiteral("Первая"), 6, 5, 2, 1);
        t1000 = year.addTable(f12, QStringLiteral("(1000)"), QStringLiteral("Взрослые"), 9, 20, 3, 2);
        tLong = year.addTable(fLong, QStringLiteral("(1000-приложение)"), QStringLiteral("Длинный номер"), 4, 3, 1, 1);
        // A table whose form was deleted: it must not answer to an empty form name.
        tOrphan = year.addTable(999, QStringLiteral("(5)"), QStringLiteral("Без формы"), 4, 4, 1, 1);
        GetForms(year.dictionary());
        GetTables(year.dictionary());
    }

    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025};
    int f30 = 0, f12 = 0, fLong = 0;
    int t1 = 0, t2 = 0, t10 = 0, t1000 = 0, tLong = 0, tOrphan = 0;
};

}

TEST_F(LookupsYear, FormsAreFoundByNameInAnyLetterCase)
{
    EXPECT_EQ(FormIdByName(QStringLiteral("Ф30")), f30);
    EXPECT_EQ(FormIdByName(QStringLiteral("ф30")), f30);
    EXPECT_EQ(FormIdByName(QStringLiteral("Ф12")), f12);
    EXPECT_EQ(FormIdByName(QStringLiteral("ф12")), f12);
    EXPECT_EQ(FormIdByNameForControls(QStringLiteral("ф30-приложение к отчету")), fLong);
    EXPECT_EQ(FormIdByName(QStringLiteral("Ф99")), -1);
    EXPECT_EQ(FormIdByName(QString()), -1);
    // A name is a value, never SQL: quotes in it find nothing and break nothing.
    EXPECT_EQ(FormIdByName(QStringLiteral("\" or \"\"=\"")), -1);

    EXPECT_EQ(FormNameById(f12), QStringLiteral("Ф12"));
    EXPECT_EQ(FormNameById(fLong), QStringLiteral("Ф30-ПРИЛОЖЕНИЕ К ОТЧЕТУ"));
    EXPECT_EQ(FormNameById(999), QString());
}

TEST_F(LookupsYear, TablesAreMatchedByTheirWholeNumber)
{
    struct Case { const char* form; const char* number; int expected; };
    const Case kCases[] = {
        {"Ф30", "(1)", t1},        // not (10), which a prefix would also match
        {"ф30", "(10)", t10},
        {"Ф30", "(2)", t2},
        {"Ф30", "", t1},           // the first in cache order, not the first made
        {"ф12", "(1000)", t1000},
        {"Ф30-приложение к отчету", "(1000-ПРИЛОЖЕНИЕ)", tLong},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.form) + " " + c.number);
        EXPECT_EQ(FindTableIdent(QString::fromUtf8(c.form), QString::fromUtf8(c.number)), c.expected);
    }
    struct Missing { const char* form; const char* number; };
    constexpr Missing kMissing[] = {
        {"Ф30", "(3)"}, {"Ф30", "(1"}, {"Ф30", "1"}, {"Ф99", "(1)"}, {"Ф3", "(1)"},
        {"", "(5)"}, {"", ""},
    };
    for (const Missing& m : kMissing) {
        SCOPED_TRACE(std::string(m.form) + " " + m.number);
        EXPECT_EQ(FindTableIdent(QString::fromUtf8(m.form), QString::fromUtf8(m.number)), -1);
    }
}

TEST_F(LookupsYear, TablesAreFoundByFormId)
{
    EXPECT_EQ(FindTableIdentByFormId(f30, QStringLiteral("(10)")), t10);
    EXPECT_EQ(FindTableIdentByFormId(QString::number(f30), QStringLiteral("(1)")), t1);
    EXPECT_EQ(FindTableIdentByFormId(QString::number(f30), QString()), t1);
    EXPECT_EQ(FindTableIdentByFormId(QStringLiteral("abc"), QStringLiteral("(1)")), -1);
    EXPECT_EQ(FindTableIdentByFormId(999, QStringLiteral("(5)")), -1);   // form not cached
    EXPECT_EQ(FindTableIdentByFormId(-1, QStringLiteral("(1)")), -1);

    EXPECT_EQ(FindTableIndexByIdent(t10), FindTableIndex(QStringLiteral("Ф30"), QStringLiteral("(10)")));
    EXPECT_EQ(TableInfo[FindTableIndexByIdent(t1000)].ident, t1000);
    EXPECT_EQ(FindTableIndexByIdent(123456), -1);
}

TEST_F(LookupsYear, GeometryIsTheArrayBoundsAndHeaderSizes)
{
    // (10): 8 columns, 7 rows, 3 header columns, 2 header rows.
    using Bounds = std::array<int, 4>;   // high column, high row, fixcols, fixrows
    auto bounds = [](const TableShape& g) { return Bounds{g.highColumn(), g.highRow(), g.fixcols, g.fixrows}; };
    const Bounds expected{9, 8, 3, 2};
    EXPECT_EQ(bounds(GetTableGeometry(QStringLiteral("ф30"), QStringLiteral("(10)"))), expected);
    EXPECT_EQ(bounds(GetTableGeometryById(f30, QStringLiteral("(10)"))), expected);
    EXPECT_EQ(bounds(GetTableGeometryById(f12, QString())), (Bounds{10, 21, 3, 2}));

    EXPECT_FALSE(GetTableGeometry(QStringLiteral("Ф30"), QStringLiteral("(3)")).found());
    EXPECT_FALSE(GetTableGeometry(QStringLiteral("Ф99"), QStringLiteral("(1)")).found());
    EXPECT_FALSE(GetTableGeometryById(-1, QStringLiteral("(1)")).found());
    EXPECT_FALSE(GetTableGeometryById(999, QStringLiteral("(5)")).found());
    EXPECT_EQ(GetTableGeometryById(-1, QStringLiteral("(1)")), TableShape{});
}

TEST(IndexOfObjectId, FindsTheFirstItemWithTheId)
{
    IdStringList list;
    list.append(QStringLiteral("а"), 7);
    list.append(QStringLiteral("б"), 3);
    list.append(QStringLiteral("в"), 7);
    EXPECT_EQ(IndexOfObjectId(7, list), 0);
    EXPECT_EQ(IndexOfObjectId(3, list), 1);
    EXPECT_EQ(IndexOfObjectId(5, list), -1);
}

TEST(StringRoutines, ExpandRangeList)
{
    struct Case { const char* list; const char* expected; };
    constexpr Case kCases[] = {
        {"1,3..5", "1,3,4,5"}, {"5..3", ""}, {"2,2", "2,2"}, {"3..5,7", "3,4,5,7"},
        {"7,3..5", "7,3,4,5"}, {"1..1", "1"}, {"", ""}, {"12", "12"}, {"1,3..5,", "1,3,4,5"},
        {"5..3,7", "7"}, {"1,5..3", "1"}, {"-2..0", "-2,-1,0"}, {"a..b,2", "a..b,2"},
        {"1..2..3", "1..2..3"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.list);
        bool ok = false;
        EXPECT_EQ(ExpandRangeList(QString::fromUtf8(c.list), &ok), QString::fromUtf8(c.expected));
        EXPECT_TRUE(ok);
    }
    // A mistyped range must not eat the memory: it contributes nothing and says so.
    bool ok = true;
    EXPECT_EQ(ExpandRangeList(QStringLiteral("1,1..2000000000"), &ok), QStringLiteral("1"));
    EXPECT_FALSE(ok);
}

TEST(StringRoutines, IsNumber)
{
    struct Case { const char* text; bool expected; };
    constexpr Case kCases[] = {
        {"", true}, {"0", true}, {"125.00", true}, {"1.2.3", true}, {".", true},
        {"-1", false}, {"+1", false}, {"1 2", false}, {"12a", false}, {"1,5", false},
        {"\xd9\xa3", false},        // an Arabic-Indic digit three
        {"\xef\xbc\x91", false},    // a full-width digit one
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(IsNumber(QString::fromUtf8(c.text)), c.expected);
    }
}

TEST(StringRoutines, Positions)
{
    struct PosCase { const char* pattern; const char* text; int start; int expected; };
    constexpr PosCase kPos[] = {
        {",", "1,2", 3, 4}, {",", "1,2", 1, 2}, {",", "1,2", 2, 2}, {"x", "abc", 1, 4},
        {"СТР", "ГР3СТР5", 1, 4}, {",", "1,2", 0, 2},
    };
    for (const PosCase& c : kPos) {
        SCOPED_TRACE(std::string(c.pattern) + " in " + c.text);
        EXPECT_EQ(PosFrom(QString::fromUtf8(c.pattern), QString::fromUtf8(c.text), c.start), c.expected);
    }
    struct LastCase { const char* text; int position; const char* pattern; int expected; };
    constexpr LastCase kLast[] = {
        {"a,b,c", 6, ",", 4}, {"a,b,c", 4, ",", 2}, {"a,b,c", 2, ",", 0}, {"abc", 3, ",", 0},
        {"abc", 0, ",", -1}, {"a,b", 100, ",", 2}, {"x!*!y!*!z", 8, "!*!", 2},
    };
    for (const LastCase& c : kLast) {
        SCOPED_TRACE(std::string(c.text) + " @" + std::to_string(c.position));
        EXPECT_EQ(LastPosBefore(QString::fromUtf8(c.text), c.position, QString::fromUtf8(c.pattern)), c.expected);
    }
}

TEST(StringRoutines, ShiftAndReplace)
{
    bool ok = false;
    EXPECT_EQ(ShiftNumberList(QStringLiteral("1,3,4"), 2, &ok), QStringLiteral("3,5,6"));
    EXPECT_TRUE(ok);
    EXPECT_EQ(ShiftNumberList(QStringLiteral("5"), -5), QStringLiteral("0"));
    EXPECT_EQ(ShiftNumberList(QString(), 5, &ok), QString());
    EXPECT_TRUE(ok);
    EXPECT_EQ(ShiftNumberList(QStringLiteral("1,ГР"), 1, &ok), QStringLiteral("2,ГР"));
    EXPECT_FALSE(ok);

    EXPECT_EQ(ReplaceChar(QLatin1Char('-'), QLatin1Char(','), QStringLiteral("12,345,6")),
              QStringLiteral("12-345-6"));
    EXPECT_EQ(ReplaceChar(QChar(u'Т'), QChar(u'т'), QStringLiteral("т[1]")), QStringLiteral("Т[1]"));
}

TEST(FillResultList, SplitsLinesAtTabs)
{
    ResultList list;
    list.windowCaption = QStringLiteral("Ошибки");
    list.items.append({QStringLiteral("старая строка"), {}, 0});
    FillResultList(list,
                   {QStringLiteral("125.00>=130.00\tГР5\tИтого больше суммы"),
                    QStringLiteral("без табуляции"),
                    QStringLiteral("a\tb\tc\td")},
                   QStringLiteral("Цифры\tТек.\tКонтроль"), {17, 18});

    EXPECT_EQ(list.windowCaption, QStringLiteral("Ошибки"));
    EXPECT_EQ(list.columns, (QStringList{QStringLiteral("Цифры"), QStringLiteral("Тек."), QStringLiteral("Контроль")}));
    ASSERT_EQ(list.items.size(), 3);
    EXPECT_EQ(list.items[0], (ResultListItem{QStringLiteral("125.00>=130.00"),
                                             {QStringLiteral("ГР5"), QStringLiteral("Итого больше суммы")}, 17}));
    EXPECT_EQ(list.items[1].caption, QString());
    EXPECT_EQ(list.items[1].subItems.value(0), QStringLiteral("без табуляции"));
    EXPECT_EQ(list.items[1].object, 18);
    // The last column takes the rest of the line.
    EXPECT_EQ(list.items[2].caption, QStringLiteral("a"));
    EXPECT_EQ(list.items[2].subItems, (QStringList{QStringLiteral("b"), QStringLiteral("c\td")}));
    EXPECT_EQ(list.items[2].object, 0);

    FillResultList(list, {}, QStringLiteral("Учреждение"));
    EXPECT_TRUE(list.items.isEmpty());
    EXPECT_EQ(list.columns, QStringList{QStringLiteral("Учреждение")});
}
