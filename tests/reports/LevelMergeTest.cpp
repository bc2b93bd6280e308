#include "reports/LevelMerge.h"

#include "PrintTo.h"
#include "YearFixture.h"
#include "core/StructureCache.h"
#include "platform/Database.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Ф30 (1100): header column 1 and header row 1, data Графа 2..4 by Строка 1..5 (stored columns
// 3..5, stored rows 3..7); Ф30 (1200) a second table of the same shape.
struct Levels : ::testing::Test {
    QTemporaryDir dir;
    std::unique_ptr<YearFixture> year;
    int form = 0, t1100 = 0, t1200 = 0;
    int levelA = 0, levelB = 0;
    int h1 = 0, h2 = 0;

    void SetUp() override
    {
        year = std::make_unique<YearFixture>(dir.path(), 2025);
        form = year->addForm(QStringLiteral("Ф30"));
        t1100 = year->addTable(form, QStringLiteral("(1100)"), QStringLiteral("Должности"), 4, 6, 1, 1, true);
        t1200 = year->addTable(form, QStringLiteral("(1200)"), QStringLiteral("Прочее"), 4, 6, 1, 1);
        h1 = year->addInstitution(QStringLiteral("ЦРБ"), 0, 1);
        h2 = year->addInstitution(QStringLiteral("Поликлиника"), 0, 1);
        levelA = year->addLevel(QStringLiteral("1 квартал"));
        levelB = year->addLevel(QStringLiteral("2 квартал"));
        refreshStructureCaches(year->dictionary());
    }
    QString levelPath(int level) const
    {
        return QStringLiteral("%1/data%2.mdb").arg(year->yearFolder()).arg(level);
    }
    void put(int level, int hospital, int table, int column, int row, double value, int y = 2025)
    {
        auto db = Database::open(levelPath(level));
        db->exec(QStringLiteral(R"(insert into "data" ("hospital","data","year","table","column","row") values (?,?,?,?,?,?))"),
                 {hospital, value, y, table, column, row});
    }
    // Every row of a level file as "hospital/year/table/column/row=value", in key order.
    QStringList rows(int level)
    {
        auto db = Database::open(levelPath(level));
        QStringList out;
        Query q(*db, QStringLiteral(R"(select "hospital","year","table","column","row","data" from "data" order by 1,2,3,4,5)"));
        while (q.next())
            out << QStringLiteral("%1/%2/%3/%4/%5=%6").arg(q.toInt(0)).arg(q.toInt(1)).arg(q.toInt(2)).arg(q.toInt(3))
                       .arg(q.toInt(4)).arg(q.toDouble(5));
        return out;
    }
    MergeRequest request(int finRep)
    {
        MergeRequest r;
        r.cfgDir = dir.path() + QLatin1Char('/');
        r.year = 2025;
        r.sources = {levelA, levelB};
        r.destination = 0;
        r.finRepId = finRep;
        r.institutions = {{h1, QStringLiteral("ЦРБ")}, {h2, QStringLiteral("Поликлиника")}};
        return r;
    }
};

// The excluded cells of Ф30 (1100) as five rows of three marks (Графа 2..4), "x" excluded.
QString pattern(const NonSummableRules& rules, int table)
{
    QStringList lines;
    for (int row = 3; row <= 7; ++row) {
        QString line;
        for (int column = 3; column <= 5; ++column)
            line += rules.excludes(table, 1, column, row) ? QLatin1Char('x') : QLatin1Char('.');
        lines << line;
    }
    return lines.join(QLatin1Char('|'));
}

TEST_F(Levels, PositionsFileCases)
{
    struct Case {
        const char* name;
        QStringList lines;
        QString in1100, in1200;
        QStringList ignored;
    };
    const QString none = QStringLiteral("...|...|...|...|...");
    const QString all = QStringLiteral("xxx|xxx|xxx|xxx|xxx");
    const QList<Case> cases{
        {"a column only", {"Ф30,(1100),3"}, ".x.|.x.|.x.|.x.|.x.", none, {}},
        {"rows only", {"Ф30,(1100),,2,5"}, "...|xxx|...|...|xxx", none, {}},
        {"neither", {"Ф30,(1100)"}, all, none, {}},
        {"field 2 empty", {"Ф30,,,"}, all, all, {}},
        {"column 3 and row 5 on two lines", {"Ф30,(1100),3", "Ф30,(1100),,5"}, ".x.|.x.|.x.|.x.|xxx", none, {}},
        {"a column and rows on one line", {"Ф30,(1100),4,1"}, "xxx|..x|..x|..x|..x", none, {}},
        {"a range", {"Ф30,(1100),,2..4"}, "...|xxx|xxx|xxx|...", none, {}},
        {"a column range", {"Ф30,(1100),3..4"}, ".xx|.xx|.xx|.xx|.xx", none, {}},
        {"a column range and rows", {"Ф30,(1100), 2 .. 3 ,5"}, "xx.|xx.|xx.|xx.|xxx", none, {}},
        {"a range of one column", {"Ф30,(1100),4..4"}, "..x|..x|..x|..x|..x", none, {}},
        {"small letters", {"ф30,(1100),2", "", "  "}, "x..|x..|x..|x..|x..", none, {}},
        {"an unknown form and table", {"Ф99,(1100),2", "Ф30,(9999)"}, none, none, {"Ф99,(1100),2", "Ф30,(9999)"}},
    };
    for (const Case& c : cases) {
        NonSummableRules rules;
        QString error;
        ASSERT_TRUE(parseNonSummable(c.lines, &rules, &error)) << c.name << error.toStdString();
        EXPECT_EQ(pattern(rules, t1100), c.in1100) << c.name;
        EXPECT_EQ(pattern(rules, t1200), c.in1200) << c.name;
        EXPECT_EQ(rules.ignored, c.ignored) << c.name;
    }
}

TEST_F(Levels, ABadItemIsNamedAndNothingIsRead)
{
    for (const QString& line : {QStringLiteral("Ф30,(1100),,1,x2"), QStringLiteral("Ф30,(1100),3a"),
                                QStringLiteral("Ф30,(1100),,4..2"), QStringLiteral("Ф30,(1100),,-1"),
                                QStringLiteral("Ф30,(1100),4..3"), QStringLiteral("Ф30,(1100),3..x")}) {
        NonSummableRules rules;
        rules.ignored << QStringLiteral("kept");
        QString error;
        EXPECT_FALSE(parseNonSummable({QStringLiteral("Ф30,(1200)"), line}, &rules, &error)) << line.toStdString();
        EXPECT_TRUE(error.contains(QStringLiteral("строка 2"))) << error.toStdString();
        EXPECT_EQ(rules.ignored, QStringList{QStringLiteral("kept")});
    }
}

TEST_F(Levels, TheFileIsReadAsWindowsText)
{
    const QString path = dir.filePath(NonSummablePositionsFileName);
    NonSummableRules rules;
    QString error;
    ASSERT_TRUE(readNonSummable(path, &rules, &error));   // no file: nothing excluded
    EXPECT_TRUE(rules.isEmpty());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("\xd4\x33\x30,(1100)\r\n");   // "Ф30,(1100)" in Windows-1251
    file.close();
    ASSERT_TRUE(readNonSummable(path, &rules, &error)) << error.toStdString();
    EXPECT_TRUE(rules.tables.value(t1100).whole);
}

TEST_F(Levels, SumsDecimalsTakesNonSummablesFromTheChosenLevelAndLeavesTheRestAlone)
{
    put(levelA, h1, t1100, 3, 3, 0.1);
    put(levelB, h1, t1100, 3, 3, 0.2);    // 0.3
    put(levelA, h1, t1100, 4, 3, 5);
    put(levelB, h1, t1100, 4, 3, -5);     // 0: no row
    put(levelA, h1, t1100, 5, 4, 7);      // Графа 4 is not summable: B's value
    put(levelB, h1, t1100, 5, 4, 2);
    put(levelA, h1, t1100, 5, 5, 1);      // only A has it: not summable, B has none
    put(levelA, h2, t1200, 3, 7, 4);
    put(levelA, h2, t1200, 9, 9, 4);      // outside the table: skipped and listed
    put(levelA, h1, 777, 3, 3, 4);        // a table the dictionary lacks
    put(levelA, h1, t1100, 3, 3, 100, 2024);   // another year of a source: not read
    put(0, h1, t1100, 3, 6, 50);          // the destination's old row of an institution summed
    put(0, h1, t1100, 3, 6, 60, 2024);    // another year: untouched
    put(0, 999, t1100, 3, 6, 70);         // another institution: untouched

    MergeRequest r = request(levelB);
    QString error;
    ASSERT_TRUE(parseNonSummable({QStringLiteral("Ф30,(1100),4")}, &r.rules, &error));
    for (int run = 0; run < 2; ++run) {
        MergeResult result;
        ASSERT_TRUE(mergeLevels(r, {}, &result, &error)) << error.toStdString();
        EXPECT_EQ(rows(0), (QStringList{"%2/2024/%1/3/6=60", "%2/2025/%1/3/3=0.3", "%2/2025/%1/5/4=2",
                                        "%3/2025/%4/3/7=4", "999/2025/%1/3/6=70"})
                               .replaceInStrings("%1", QString::number(t1100))
                               .replaceInStrings("%2", QString::number(h1))
                               .replaceInStrings("%3", QString::number(h2))
                               .replaceInStrings("%4", QString::number(t1200)))
            << run;
        EXPECT_EQ(result.skipped.size(), 2) << result.skipped.join(QLatin1Char('\n')).toStdString();
    }
}

// Графа 3..4 in the column field: each of the two columns comes from the chosen level, Графа 2
// is summed.
TEST_F(Levels, AColumnRangeIsExcludedColumnByColumn)
{
    for (int column = 3; column <= 5; ++column) {
        put(levelA, h1, t1100, column, 3, 10 * column);       // 30, 40, 50
        put(levelB, h1, t1100, column, 3, column);            // 3, 4, 5
    }
    MergeRequest r = request(levelB);
    QString error;
    ASSERT_TRUE(parseNonSummable({QStringLiteral("Ф30,(1100),3..4")}, &r.rules, &error)) << error.toStdString();
    MergeResult result;
    ASSERT_TRUE(mergeLevels(r, {}, &result, &error)) << error.toStdString();
    EXPECT_EQ(rows(0), (QStringList{"%2/2025/%1/3/3=33", "%2/2025/%1/4/3=4", "%2/2025/%1/5/3=5"})
                           .replaceInStrings("%1", QString::number(t1100))
                           .replaceInStrings("%2", QString::number(h1)));
}

TEST_F(Levels, SummingAgainWritesOnlyWhatChanged)
{
    // A table of 20 by 20 data cells, more than one batch of rows.
    const int big = year->addTable(form, QStringLiteral("(1300)"), QStringLiteral("Большая"), 21, 21, 1, 1);
    refreshStructureCaches(year->dictionary());
    {
        auto a = Database::open(levelPath(levelA));
        Transaction tx(*a);
        for (int column = 3; column <= 22; ++column)
            for (int row = 3; row <= 22; ++row)
                a->exec(QStringLiteral(R"(insert into "data" ("hospital","data","year","table","column","row") values (?,?,?,?,?,?))"),
                        {h1, column * 100 + row, 2025, big, column, row});
        tx.commit();
    }
    put(levelA, h1, t1100, 3, 3, 1);
    put(levelB, h1, t1100, 3, 3, 2);
    put(levelA, h2, t1200, 4, 4, 5);
    MergeRequest r = request(levelA);
    QString error;
    MergeResult first;
    ASSERT_TRUE(mergeLevels(r, {}, &first, &error)) << error.toStdString();
    EXPECT_EQ(first.rowsWritten, 402);
    EXPECT_EQ(first.rowsChanged, 402);
    const QStringList once = rows(0);
    ASSERT_EQ(once.size(), 402);

    MergeResult again;
    ASSERT_TRUE(mergeLevels(r, {}, &again, &error)) << error.toStdString();
    EXPECT_EQ(rows(0), once);
    EXPECT_EQ(again.rowsWritten, 402);
    EXPECT_EQ(again.rowsChanged, 0);

    // One value changed, one sum now 0, one new cell, a table the sources no longer have.
    {
        auto a = Database::open(levelPath(levelA));
        a->exec(QStringLiteral(R"(update "data" set "data"=7 where "table"=? and "column"=5 and "row"=9)"), {big});
        a->exec(QStringLiteral(R"(delete from "data" where "hospital"=? and "table"=?)"), {h2, t1200});
    }
    {
        auto b = Database::open(levelPath(levelB));
        b->exec(QStringLiteral(R"(update "data" set "data"=-1 where "hospital"=? and "table"=?)"), {h1, t1100});
    }
    put(levelB, h1, t1100, 4, 5, 3);    // new
    MergeResult changed;
    ASSERT_TRUE(mergeLevels(r, {}, &changed, &error)) << error.toStdString();
    QStringList expected = once;
    auto key = [](int h, int t, int c, int row) { return QStringLiteral("%1/2025/%2/%3/%4=").arg(h).arg(t).arg(c).arg(row); };
    expected.replaceInStrings(key(h1, big, 5, 9) + QStringLiteral("509"), key(h1, big, 5, 9) + QStringLiteral("7"));
    expected.removeAll(key(h2, t1200, 4, 4) + QStringLiteral("5"));
    expected.removeAll(key(h1, t1100, 3, 3) + QStringLiteral("3"));   // 1 + (-1): no row
    expected << key(h1, t1100, 4, 5) + QStringLiteral("3");
    expected.sort();
    QStringList got = rows(0);
    got.sort();
    EXPECT_EQ(got, expected);
    EXPECT_EQ(changed.rowsChanged, 4);   // one rewritten, two deleted, one added

    // Every value changed: the institution's rows are written anew, to the same result.
    {
        auto a = Database::open(levelPath(levelA));
        a->exec(QStringLiteral(R"(update "data" set "data"="data"+1 where "table"=?)"), {big});
    }
    MergeResult all;
    ASSERT_TRUE(mergeLevels(r, {}, &all, &error)) << error.toStdString();
    EXPECT_EQ(all.rowsChanged, 400);
    QStringList plusOne;
    for (const QString& line : std::as_const(expected)) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        const bool ofBig = line.startsWith(QStringLiteral("%1/2025/%2/").arg(h1).arg(big));
        plusOne << (ofBig ? line.left(eq + 1) + QString::number(line.mid(eq + 1).toInt() + 1) : line);
    }
    plusOne.sort();
    got = rows(0);
    got.sort();
    EXPECT_EQ(got, plusOne);
}

TEST_F(Levels, MoreSourcesThanSQLiteAttachesAreSummed)
{
    MergeRequest r = request(levelA);
    r.sources.clear();
    for (int i = 0; i < 12; ++i) {
        const int level = i == 0 ? levelA : i == 1 ? levelB : year->addLevel(QStringLiteral("Уровень %1").arg(i));
        r.sources << level;
        put(level, h1, t1100, 3, 3, i + 1);   // 1 + 2 + ... + 12 = 78
    }
    QString error;
    ASSERT_TRUE(mergeLevels(r, {}, nullptr, &error)) << error.toStdString();
    EXPECT_EQ(rows(0), QStringList{QStringLiteral("%1/2025/%2/3/3=78").arg(h1).arg(t1100)});
}

TEST_F(Levels, AFailureLeavesTheDestinationAsItWas)
{
    put(levelA, h1, t1100, 3, 3, 1);
    put(levelA, h2, t1100, 3, 3, 2);
    put(0, h1, t1100, 4, 4, 9);
    put(0, h2, t1100, 4, 4, 8);
    const QStringList before = rows(0);
    QString error;

    MergeObserver failing;
    failing.institutionDone = [](int) { throw DbError(QStringLiteral("Сбой записи.")); };
    EXPECT_FALSE(mergeLevels(request(levelA), failing, nullptr, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("не изменены"))) << error.toStdString();
    EXPECT_EQ(rows(0), before);

    ASSERT_TRUE(QFile::remove(levelPath(levelB)));
    EXPECT_FALSE(mergeLevels(request(levelA), {}, nullptr, &error));
    EXPECT_EQ(rows(0), before);
}

// A mistyped size in the dictionary is refused by name once its data is met, before an array
// of it is asked for; while no level holds its data it stands in no one's way.
TEST_F(Levels, ATableSizedBeyondAnArrayIsRefusedByName)
{
    struct SizeCase { int colcount, rowcount; const char* refusal; };
    const SizeCase cases[] = {
        {100001, 100, "Размеры таблицы (1300) формы Ф30 заданы неверно: граф 100001, строк 100, граф боковика 1, строк шапки 1"},
        {2100, 2100, "Размеры таблицы (1300) формы Ф30 заданы неверно: граф 2100, строк 2100, граф боковика 1, строк шапки 1"},
    };
    put(levelA, h1, t1100, 3, 3, 1);
    put(0, h1, t1100, 4, 4, 9);
    const QStringList before = rows(0);
    const int table = year->addTable(form, QStringLiteral("(1300)"), QStringLiteral("Ошибочная"), 4, 6, 1, 1);
    put(levelB, h2, table, 3, 3, 5);
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(c.refusal);
        Database& dictionary = year->dictionary();
        dictionary.exec(QStringLiteral(R"(update "tables" set "colcount"=?,"rowcount"=? where "ident"=?)"),
                         {c.colcount, c.rowcount, table});
        refreshStructureCaches(dictionary);
        QString error;
        EXPECT_FALSE(mergeLevels(request(levelA), {}, nullptr, &error));
        EXPECT_EQ(error, QStringLiteral("Суммирование не выполнено, данные уровня-приемника не изменены.\n")
                             + QString::fromUtf8(c.refusal));
        EXPECT_EQ(rows(0), before);
    }
    // No level holds its data: the rest is summed.
    auto db = Database::open(levelPath(levelB));
    db->exec(QStringLiteral(R"(delete from "data" where "table"=?)"), {table});
    QString error;
    EXPECT_TRUE(mergeLevels(request(levelA), {}, nullptr, &error)) << error.toStdString();
}

TEST_F(Levels, ADestinationAmongTheSourcesIsRefused)
{
    MergeRequest r = request(levelA);
    r.destination = levelB;
    QString error;
    EXPECT_FALSE(mergeLevels(r, {}, nullptr, &error));
    EXPECT_FALSE(error.isEmpty());
}

} // namespace
