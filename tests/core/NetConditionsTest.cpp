#include "core/NetConditions.h"

#include "core/Common.h"
#include "core/StructureCache.h"
#include "PrintTo.h"
#include "YearFixture.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A territory of five institutions with two-digit type ids and rural flags, and Ф30 (3100) with
// three header rows, referenced from a network table with two: a reference's rows must follow
// the referenced table's headers.
//
//   Ф30 (3100) Строка 1:   Графа 3   Графа 4
//     A (type 3, rural)       7         -
//     B (type 12)             0 stored  5
//     C (type 3)             12         -
//     D (type 12, rural)      -         3
//     E (type 12)             -         -
class Territory : public ::testing::Test {
protected:
    void SetUp() override
    {
        f30 = year.addForm(QStringLiteral("Ф30"));
        t3100 = year.addTable(f30, QStringLiteral("(3100)"), QStringLiteral("Коечный фонд"), 6, 3 + 4, 2, 3);
        f47 = year.addForm(QStringLiteral("Ф47"), QString(), true);
        t0100 = year.addTable(f47, QStringLiteral("(0100)"), QStringLiteral("Сеть"), 4, 2 + 3, 2, 2);
        a = year.addInstitution(QStringLiteral("A"), 0, 3, true);
        b = year.addInstitution(QStringLiteral("B"), 0, 12, false);
        c = year.addInstitution(QStringLiteral("C"), 0, 3, false);
        d = year.addInstitution(QStringLiteral("D"), 0, 12, true);
        e = year.addInstitution(QStringLiteral("E"), 0, 12, false);
        year.setEntered(a, t3100, 3, 1, 7);
        // A stored 0 (a file loaded from elsewhere may hold one) reads as the 0 it is.
        year.data().exec(QStringLiteral(R"(insert into "data" values (?,?,?,?,?,?))"),
                         {b, 0.0, year.year(), t3100, 4, 1 + 3 + 1});
        year.setEntered(b, t3100, 4, 1, 5);
        year.setEntered(c, t3100, 3, 1, 12);
        year.setEntered(d, t3100, 4, 1, 3);
        refreshStructureCaches(year.dictionary());
        ReportYear = year.year();
    }
    QList<int> all() const { return {a, b, c, d, e}; }
    QString names(const QList<int>& ids) const
    {
        QString out;
        for (int id : ids)
            out += QChar(u'A' + (id - a));
        return out;
    }

    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025, YearFixture::InstallAliases};
    int f30 = 0, t3100 = 0, f47 = 0, t0100 = 0, a = 0, b = 0, c = 0, d = 0, e = 0;
};

struct LanguageCase {
    const char* condition;
    const char* selected;   // names of the institutions taken, in candidate order
};

// R is Ф30Т(3100)СТР1ГР3: A 7, B 0, C 12, D and E nothing.
#define R "Ф30Т(3100)СТР1ГР3"
const LanguageCase kCases[] = {
    {R ">0", "AC"},
    {R ">=7", "AC"},
    {R "<7", "BDE"},
    {R "<=7", "ABDE"},
    {R "=7", "A"},
    {R "<>7", "BCDE"},        // the empty cells of D and E are 0, not 7
    {"7<" R, "C"},
    {"7<=" R, "AC"},
    {"7>" R, "BDE"},
    {"7>=" R, "ABDE"},
    {"7=" R, "A"},
    {"7<>" R, "BCDE"},
    {"5<" R "<10", "A"},
    {R "<5", "BDE"},           // 0 cells are below 5
    {R, "AC"},                 // no comparison: a non-zero value
    {"ф30т(3100)стр1гр3 > 0", "AC"},   // letter case and blanks do not count
    {"Ф30Т[3100]СТР[1]ГР[3]>0", "AC"},
    // Over two cells: any cell may satisfy; "=0" means no non-zero value in any of them.
    {"Ф30Т(3100)СТР1ГР3..4>4", "ABC"},
    {"Ф30Т(3100)СТР1ГР3..4<1", "ABCDE"},
    {"Ф30Т(3100)СТР1ГР3..4=0", "E"},
    {"0=Ф30Т(3100)СТР1ГР3,4", "E"},
    {R "=0", "BDE"},
    // Strictly left to right: X OR Y AND Z is (X OR Y) AND Z.
    {R ">0 OR Ф30Т(3100)СТР1ГР4>0 AND " R "=7", "A"},
    {R ">0 or (Ф30Т(3100)СТР1ГР4>0 and " R "=7)", "AC"},
    {R "=7 AND " R ">0 OR Ф30Т(3100)СТР1ГР4>0", "ABD"},
    {"((" R ">0))", "AC"},
    {"(" R "=12)\r\nOR\r\n(" R "=7)", "AC"},   // kept in candidate order
};
#undef R

} // namespace

TEST_F(Territory, ConditionLanguageSelectsAsWritten)
{
    NetEvaluator evaluator(year.dictionary(), year.data(), year.year());
    for (const LanguageCase& k : kCases) {
        SCOPED_TRACE(k.condition);
        QList<int> result;
        QString error;
        ASSERT_TRUE(evaluator.evaluate(QString::fromUtf8(k.condition), all(), &result, &error)) << error.toStdString();
        EXPECT_EQ(names(result), QString::fromUtf8(k.selected));
    }
}

struct RefusedCase {
    const char* condition;
    const char* reason;     // the start of the reason given
};

const RefusedCase kRefused[] = {
    {"(Ф30Т(3100)СТР1ГР3>0 OR Ф30Т(3100)СТР1ГР4>0", "Не хватает правой скобки"},
    {"Ф30Т(3100)СТР1ГР3>0 OR Ф30Т(3100)СТР1ГР4>0)", "Не хватает левой скобки"},
    {"Ф30Т(3100)СТР1ГР3>0) OR (Ф30Т(3100)СТР1ГР4>0", "Не хватает левой скобки"},
    {"Т(3100)СТР1ГР3>0", "Не указана форма"},
    {"СТР1ГР3>0 AND Ф30Т(3100)СТР1ГР3>0", "Не указана форма"},
    {"Ф99Т(3100)СТР1ГР3>0", "Неизвестная форма"},
    {"Ф30Т(9999)СТР1ГР3>0", "Нет таблицы (9999)"},
    {"Ф30Т(3100)СТР[]ГР3>0", "Пустой список"},
    {"Ф30Т(3100)СТР5ГР3>0", "Строка 5 вне таблицы"},
    {"Ф30Т(3100)СТР1ГР2>0", "Графа 2 вне таблицы"},
    {"Ф30Т(3100)СТР1ГР3>", "Неверное сравнение"},
    {"5Ф30Т(3100)СТР1ГР3", "Неверное сравнение"},
    {"Ф30Т(3100)СТР1ГР3>0 AND", "Пропущено условие"},
    {"Ф30Т(3100)СТР1ГР3>0 (Ф30Т(3100)СТР1ГР4>0)", "Пропущено AND или OR"},
    // What would change a statement built by splicing is only text that does not read here.
    {"Ф30Т(3100)СТР1ГР3>0\"); delete from \"data\"; --", "Не хватает левой скобки"},
    {"Ф30Т(3100)СТР1ГР3>0; drop table \"data\"", "Неверное сравнение"},
    {"Ф30Т(3100)СТР1ГР3>0 OR 1=1", "Не указана форма"},
};

TEST_F(Territory, ConditionThatDoesNotReadSelectsNobodyAndSaysWhy)
{
    NetEvaluator evaluator(year.dictionary(), year.data(), year.year());
    const QVariant rows = year.data().scalar(QStringLiteral(R"(select count(*) from "data")"));
    for (const RefusedCase& k : kRefused) {
        SCOPED_TRACE(k.condition);
        QList<int> result{a};
        QString error;
        EXPECT_FALSE(evaluator.evaluate(QString::fromUtf8(k.condition), all(), &result, &error));
        EXPECT_TRUE(result.isEmpty());
        EXPECT_TRUE(error.startsWith(QString::fromUtf8(k.reason))) << error.toStdString();
        EXPECT_EQ(conditionProblem(QString::fromUtf8(k.condition)), error);
    }
    EXPECT_EQ(year.data().scalar(QStringLiteral(R"(select count(*) from "data")")), rows);
}

TEST_F(Territory, NoCandidatesGiveNobodyWhateverTheCondition)
{
    NetEvaluator evaluator(year.dictionary(), year.data(), year.year());
    QList<int> units{a};
    EXPECT_TRUE(evaluator.selectUnits({}, QStringLiteral("*"), false, &units));
    EXPECT_TRUE(units.isEmpty());
    EXPECT_TRUE(evaluator.selectUnits({}, QStringLiteral("3,12"), true, &units));
    EXPECT_TRUE(units.isEmpty());
    QList<int> result{a};
    EXPECT_TRUE(evaluator.evaluate(QStringLiteral("Ф30Т(3100)СТР1ГР3..4=0"), {}, &result));
    EXPECT_TRUE(result.isEmpty());
    EXPECT_TRUE(evaluator.evaluate(QString(), {}, &result));
    EXPECT_TRUE(result.isEmpty());
    // The empty condition keeps the candidates, once each, in their order.
    EXPECT_TRUE(evaluator.evaluate(QStringLiteral(" \r\n"), {d, a, d, b}, &result));
    EXPECT_EQ(names(result), QStringLiteral("DAB"));
}

TEST_F(Territory, TypesAndTheRuralFlagNarrowTheCandidates)
{
    NetEvaluator evaluator(year.dictionary(), year.data(), year.year());
    struct TypesCase { const char* types; bool rural; const char* selected; };
    const TypesCase cases[] = {
        {"*", false, "ABCDE"}, {"*", true, "AD"},   {"12", false, "BDE"}, {"1", false, ""},
        {"3,12", false, "ABCDE"}, {"3,12", true, "AD"}, {"2", false, ""},  {"12,3", false, "ABCDE"},
    };
    for (const TypesCase& k : cases) {
        SCOPED_TRACE(k.types);
        QList<int> units;
        ASSERT_TRUE(evaluator.selectUnits(all(), QString::fromUtf8(k.types), k.rural, &units));
        EXPECT_EQ(names(units), QString::fromUtf8(k.selected));
    }
    QList<int> units{a};
    QString error;
    for (const char* bad : {"", "3,", "3;12", "3, 12", "1 OR 1=1"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(evaluator.selectUnits(all(), QString::fromUtf8(bad), false, &units, &error));
        EXPECT_TRUE(units.isEmpty());
        EXPECT_FALSE(error.isEmpty());
    }
}

TEST_F(Territory, FormulasSumExactlyOverTheInstitutions)
{
    year.setEntered(a, t3100, 4, 2, 0.1);
    year.setEntered(c, t3100, 4, 2, 0.2);
    NetEvaluator evaluator(year.dictionary(), year.data(), year.year());
    struct FormulaCase { const char* formula; const char* sum; };
    const FormulaCase cases[] = {
        {"Ф30Т(3100)СТР1ГР3", "19"},
        {"Ф30Т(3100)СТР1ГР3+Ф30Т(3100)СТР1ГР4", "27"},
        {"Ф30Т(3100)СТР1ГР3-Ф30Т(3100)СТР1ГР4", "11"},
        {"-Ф30Т(3100)СТР1ГР4", "-8"},
        {"Ф30Т(3100)СТР2ГР4", "0.3"},          // exactly, not 0.30000000000000004
        {"Ф30Т(3100)СТР1..2ГР3..4", "27.3"},
        {"", "0"},
        {"100", "100"},
        {"2.5", "2.5"},
    };
    for (const FormulaCase& k : cases) {
        SCOPED_TRACE(k.formula);
        FormulaProgram program;
        QString error;
        ASSERT_TRUE(program.parse(QString::fromUtf8(k.formula), &error)) << error.toStdString();
        const std::optional<Decimal> sum = evaluator.sum(program, all());
        ASSERT_TRUE(sum);
        EXPECT_EQ(sum->toString(), QString::fromUtf8(k.sum));
    }
    FormulaProgram program;
    ASSERT_TRUE(program.parse(QStringLiteral("Ф30Т(3100)СТР1ГР3-Ф30Т(3100)СТР1ГР4")));
    const std::optional<QList<Decimal>> each = evaluator.perInstitution(program, {c, b, d});
    ASSERT_TRUE(each);
    EXPECT_EQ(*each, (QList<Decimal>{Decimal::fromInt(12), Decimal::fromInt(-5), Decimal::fromInt(-3)}));

    EXPECT_TRUE(formulaProblem(QStringLiteral("Т(3100)СТР1ГР3")).startsWith(QStringLiteral("Не указана форма")));
    EXPECT_TRUE(formulaProblem(QStringLiteral("Ф30Т(3100)СТР1ГР3-*")).isEmpty());
    EXPECT_FALSE(formulaProblem(QStringLiteral("Ф30Т(3100)СТР1ГР3-*"), false).isEmpty());
}

TEST(ComposeFormula, ReplacesEveryStarOnceInOnePass)
{
    EXPECT_EQ(composeFormula(QStringLiteral("Ф1Т(1)СТР1ГР3-*"), QStringLiteral("Ф1Т(1)СТР2ГР3")),
              QStringLiteral("Ф1Т(1)СТР1ГР3-Ф1Т(1)СТР2ГР3"));
    // A replacement holding "*" is not replaced again: the composition ends.
    EXPECT_EQ(composeFormula(QStringLiteral("*+*"), QStringLiteral("*")), QStringLiteral("*+*"));
    EXPECT_EQ(composeFormula(QStringLiteral("*"), QString()), QString());
}

TEST_F(Territory, RecordsAreStoredAndReadBackExactly)
{
    Database& db = year.dictionary();
    NetCondition row;
    row.tid = t0100;
    row.row = 2;
    row.types = QStringLiteral("3,12");
    row.condition = QStringLiteral("Ф30Т(3100)СТР1ГР3>0 AND\r\n\"quoted\"");
    row.rural = true;
    NetCondition column;
    column.tid = t0100;
    column.column = 1;
    column.sum = true;
    column.formula = QStringLiteral("Ф30Т(3100)СТР1ГР3-*");
    column.koeff = 4;
    column.average = true;
    column.types = QStringLiteral("*");
    NetCondition cell = column;
    cell.row = 2;
    cell.koeff.reset();
    ASSERT_TRUE(NetConditions::save(db, row));
    ASSERT_TRUE(NetConditions::save(db, column));
    ASSERT_TRUE(NetConditions::save(db, cell));
    EXPECT_EQ(NetConditions::read(db, t0100), (QList<NetCondition>{column, row, cell}));
    EXPECT_EQ(cell.kind(), NetCondition::Kind::Cell);
    EXPECT_EQ(row.kind(), NetCondition::Kind::Row);
    EXPECT_EQ(column.kind(), NetCondition::Kind::Column);
    EXPECT_EQ(NetConditions::find(db, t0100, 2, 1)->divisor(), 1);   // no koeff reads as 1
    EXPECT_TRUE(db.scalar(QStringLiteral(R"(select "koeff" from "conditions" where "row"=2 and "column"=1)")).isNull());

    // A save at a stored address updates it; no second record appears.
    row.types = QStringLiteral("12");
    ASSERT_TRUE(NetConditions::save(db, row));
    EXPECT_EQ(NetConditions::find(db, t0100, 2, -1), row);
    EXPECT_EQ(db.scalar(QStringLiteral(R"(select count(*) from "conditions")")).toInt(), 3);

    EXPECT_TRUE(NetConditions::remove(db, t0100, -1, 1));
    EXPECT_FALSE(NetConditions::remove(db, t0100, -1, 1));
    EXPECT_EQ(NetConditions::read(db, t0100), (QList<NetCondition>{row, cell}));

    QString error;
    NetCondition nowhere = row;
    nowhere.column = -1;
    nowhere.row = -1;
    EXPECT_FALSE(NetConditions::save(db, nowhere, &error));
    NetCondition noTypes = row;
    noTypes.types.clear();
    EXPECT_FALSE(NetConditions::save(db, noTypes, &error));
    EXPECT_EQ(error, QStringLiteral("Необходимо выбрать хотя бы один тип учреждений!"));
    EXPECT_EQ(NetConditions::read(db, t0100), (QList<NetCondition>{row, cell}));
}

TEST_F(Territory, ReplacingTheRecordsOfTablesIsOneTransaction)
{
    Database& db = year.dictionary();
    NetCondition kept;
    kept.tid = t0100;
    kept.row = 0;
    kept.types = QStringLiteral("*");
    ASSERT_TRUE(NetConditions::save(db, kept));
    NetCondition fresh = kept;
    fresh.row = 1;
    // A refused insert in the middle takes the delete back with it.
    db.exec(QStringLiteral(R"(create trigger refuse before insert on "conditions" when new."row"=9
        begin select raise(abort, 'refused'); end)"));
    NetCondition refused = kept;
    refused.row = 9;
    EXPECT_THROW(NetConditions::replaceTables(db, {t0100}, {fresh, refused}), DbError);
    EXPECT_EQ(NetConditions::read(db, t0100), (QList<NetCondition>{kept}));
    NetConditions::replaceTables(db, {t0100}, {fresh});
    EXPECT_EQ(NetConditions::read(db, t0100), (QList<NetCondition>{fresh}));
}

TEST_F(Territory, CellRecipeTakesTheCellRecordBeforeItsRowAndColumn)
{
    NetCondition row;
    row.tid = t0100;
    row.row = 0;
    row.types = QStringLiteral("3");
    row.formula = QStringLiteral("Ф30Т(3100)СТР1ГР3");
    row.condition = QStringLiteral("Ф30Т(3100)СТР1ГР3>0");
    NetCondition column;
    column.tid = t0100;
    column.column = 1;
    column.types = QStringLiteral("*");
    column.sum = true;
    column.rural = true;
    column.formula = QStringLiteral("*+Ф30Т(3100)СТР1ГР4");
    NetCondition cell = row;
    cell.column = 0;
    cell.types = QStringLiteral("12");
    cell.condition.clear();
    const QList<NetCondition> records{row, column, cell};

    NetEvaluator evaluator(year.dictionary(), year.data(), year.year());
    const NetCellRecipe crossing = netCellRecipe(records, 0, 0, 1);
    ASSERT_TRUE(crossing.found);
    EXPECT_FALSE(crossing.cellRecord);
    EXPECT_EQ(crossing.formula, QStringLiteral("Ф30Т(3100)СТР1ГР3+Ф30Т(3100)СТР1ГР4"));
    QList<int> set;
    ASSERT_TRUE(netCellInstitutions(evaluator, crossing, all(), &set));
    EXPECT_EQ(names(set), QStringLiteral("A"));   // type 3, a value in Графа 3, rural

    const NetCellRecipe own = netCellRecipe(records, 0, 0, 0);
    ASSERT_TRUE(own.cellRecord);
    ASSERT_TRUE(netCellInstitutions(evaluator, own, all(), &set));
    EXPECT_EQ(names(set), QStringLiteral("BDE"));

    EXPECT_FALSE(netCellRecipe(records, 0, 1, 1).found);   // no row record for row 1
    // Scan 1: the column selects, the row computes.
    const NetCellRecipe byColumns = netCellRecipe(records, 1, 0, 1);
    EXPECT_EQ(byColumns.selecting, column);
    EXPECT_EQ(byColumns.computing, row);
}

TEST_F(Territory, BreakdownGivesEachCountedInstitutionsOwnFigure)
{
    NetCondition row;
    row.tid = t0100;
    row.row = 0;
    row.types = QStringLiteral("*");
    row.formula = QStringLiteral("Ф30Т(3100)СТР1ГР3");
    NetCondition column;
    column.tid = t0100;
    column.column = 0;
    column.types = QStringLiteral("*");
    column.sum = true;
    column.koeff = 4;          // not applied to the breakdown's figures
    column.average = true;
    column.formula = QStringLiteral("*-Ф30Т(3100)СТР1ГР4");
    column.condition = QStringLiteral("Ф30Т(3100)СТР1ГР3..4>0");
    NetCondition counter = column;
    counter.column = 1;
    counter.sum = false;
    const QList<NetCondition> records{row, column, counter};
    NetEvaluator evaluator(year.dictionary(), year.data(), year.year());

    const NetCellBreakdown sum = breakdownNetCell(evaluator, netCellRecipe(records, 0, 0, 0), all());
    ASSERT_TRUE(sum.ok) << sum.error.toStdString();
    EXPECT_TRUE(sum.sum);
    EXPECT_EQ(names(sum.institutions), QStringLiteral("ABCD"));
    EXPECT_EQ(sum.values, (QList<Decimal>{Decimal::fromInt(7), Decimal::fromInt(-5), Decimal::fromInt(12),
                                          Decimal::fromInt(-3)}));

    const NetCellBreakdown count = breakdownNetCell(evaluator, netCellRecipe(records, 0, 0, 1), all());
    ASSERT_TRUE(count.ok);
    EXPECT_FALSE(count.sum);
    EXPECT_EQ(names(count.institutions), QStringLiteral("ABCD"));
    EXPECT_EQ(count.values, QList<Decimal>(4));

    NetCondition broken = counter;
    broken.condition = QStringLiteral("Ф30Т(3100)СТР1ГР3>0)");
    const NetCellBreakdown none = breakdownNetCell(evaluator, netCellRecipe({row, broken}, 0, 0, 1), all());
    EXPECT_FALSE(none.ok);
    EXPECT_EQ(none.error, QStringLiteral("Не хватает левой скобки"));
    EXPECT_TRUE(none.institutions.isEmpty());
}
