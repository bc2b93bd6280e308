#include "entry/NetworkGrid.h"

#include "PrintTo.h"
#include "YearFixture.h"
#include "core/Common.h"
#include "core/StructureCache.h"
#include "entry/GridModel.h"
#include "platform/Database.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

NetCondition rec(int row, int column, const QString& formula = QString(),
                 const QString& condition = QString(), const QString& types = QStringLiteral("*"))
{
    NetCondition r;
    r.tid = 9;
    r.row = row;
    r.column = column;
    r.formula = formula;
    r.condition = condition;
    r.types = types;
    return r;
}

QStringList rowsOf(const ResultList& list)
{
    QStringList rows;
    for (const ResultListItem& item : list.items)
        rows.append((QStringList{item.caption} + item.subItems).join(QLatin1Char('|')));
    return rows;
}

} // namespace

TEST(CellComposition, TakesWhoFromTheSelectingRecordAndWhatFromTheComputingOne)
{
    NetCondition row = rec(2, -1, QStringLiteral("Ф30Т(2100)СТР1ГР3"), QStringLiteral("Ф30Т(2100)СТР5ГР3>0"),
                           QStringLiteral("3,12"));
    row.rural = true;
    row.koeff = 7;
    NetCondition column = rec(-1, 1, QStringLiteral("Ф30Т(2100)СТР2ГР3-*+*"), QStringLiteral("Ф30Т(2100)СТР1ГР4<5"));
    column.sum = true;
    column.koeff = 4;
    column.average = true;
    // A cell record of the crossing is what F8 replaces, so it takes no part.
    const NetCondition cell = rec(2, 1, QStringLiteral("1"), QStringLiteral("Ф12Т(1000)СТР1ГР4>0"), QStringLiteral("7"));

    const NetCondition composed = composeCellCondition({cell, column, row}, 0, 1, 2);
    EXPECT_EQ(composed.row, 2);
    EXPECT_EQ(composed.column, 1);
    EXPECT_EQ(composed.types, QStringLiteral("3,12"));
    EXPECT_TRUE(composed.rural);
    EXPECT_TRUE(composed.sum);
    EXPECT_EQ(composed.koeff, 4);
    EXPECT_TRUE(composed.average);
    EXPECT_EQ(composed.condition, QStringLiteral("(Ф30Т(2100)СТР5ГР3>0) and\n(Ф30Т(2100)СТР1ГР4<5)"));
    EXPECT_EQ(composed.formula, QStringLiteral("Ф30Т(2100)СТР2ГР3-Ф30Т(2100)СТР1ГР3+Ф30Т(2100)СТР1ГР3"));

    // By columns the roles swap: the column selects, the row computes.
    const NetCondition swapped = composeCellCondition({column, row}, 1, 1, 2);
    EXPECT_EQ(swapped.types, QStringLiteral("*"));
    EXPECT_FALSE(swapped.sum);
    EXPECT_EQ(swapped.koeff, 7);
    EXPECT_EQ(swapped.formula, QStringLiteral("Ф30Т(2100)СТР1ГР3"));
}

TEST(CellComposition, ReplacesTheStarOnceInOnePass)
{
    // The selecting formula holds "*" itself: it is put in once and not replaced again.
    const NetCondition composed = composeCellCondition(
        {rec(0, -1, QStringLiteral("A*")), rec(-1, 0, QStringLiteral("*-B"))}, 0, 0, 0);
    EXPECT_EQ(composed.formula, QStringLiteral("A*-B"));
}

TEST(CellComposition, AMissingRecordCountsAsEmpty)
{
    const NetCondition composed = composeCellCondition({rec(-1, 0, QString(), QStringLiteral("X"))}, 0, 0, 3);
    EXPECT_EQ(composed.types, QString());
    EXPECT_EQ(composed.condition, QStringLiteral("X"));
    EXPECT_EQ(composed.formula, QString());
}

// A territory of three institutions that fill Ф30 (2100) (5 x 8 layout, 2 + 3 headers: Графа
// 3..5, Строка 1..5) and the network form's table (0100) (4 x 9, 2 + 3 headers).
class Breakdowns : public ::testing::Test {
protected:
    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025, YearFixture::InstallAliases};
    int hospitals = year.addMedicalType(QStringLiteral("Больницы"));
    int crb = year.addMedicalType(QStringLiteral("ЦРБ"), hospitals);
    int rural = year.addMedicalType(QStringLiteral("Участковые"), hospitals);
    int f30 = year.addForm(QStringLiteral("Ф30"));
    int t2100 = year.addTable(f30, QStringLiteral("(2100)"), QStringLiteral("Посещения"), 5, 8, 2, 3, true);
    int f47 = year.addForm(QStringLiteral("Ф47"), QStringLiteral("Сеть"), true);
    int t0100 = year.addTable(f47, QStringLiteral("(0100)"), QStringLiteral("Число"), 4, 9, 2, 3);
    int a = year.addInstitution(QStringLiteral("ЦРБ А"), 0, crb);
    int b = year.addInstitution(QStringLiteral("УБ Б"), 0, rural, true);
    int c = year.addInstitution(QStringLiteral("УБ В"), 0, rural);
    int report = year.addReport(QStringLiteral("Сеть"), true, {a, b, c});
    GridModel model;

    void SetUp() override
    {
        year.addPlainTitles(t2100);
        year.addPlainTitles(t0100);
        refreshStructureCaches(year.dictionary());
        ReportYear = 2025;
        // Графа 3 and 4 of Строка 1, and Графа 3 of Строка 2.
        year.setEntered(a, t2100, 3, 1, 10.1);
        year.setEntered(a, t2100, 4, 1, 2.35);
        year.setEntered(a, t2100, 3, 2, 4);
        year.setEntered(b, t2100, 3, 1, 7);
        year.setEntered(b, t2100, 4, 1, 0.25);
        year.setEntered(c, t2100, 4, 1, 1.2);
    }
    void openNetwork()
    {
        WorkMode = QStringLiteral("Net");
        NetMode = true;
        DataTablePrefix = QStringLiteral("RepData");
        CurrentInstitutionId = report;
        ASSERT_EQ(model.open(year.dictionary(), year.data(), f47, QStringLiteral("Ф47"), QStringLiteral("(0100)")),
                  GridModel::OpenStatus::Opened);
    }
    void store(const NetCondition& r)
    {
        NetCondition s = r;
        s.tid = t0100;
        QString error;
        ASSERT_TRUE(NetConditions::save(year.dictionary(), s, &error)) << error.toStdString();
    }
};

TEST_F(Breakdowns, ANetworkCellListsItsInstitutionsWithTheirOwnSums)
{
    openNetwork();
    store(rec(0, -1));
    NetCondition sum = rec(-1, 0, QStringLiteral("Ф30Т(2100)СТР1ГР3+Ф30Т(2100)СТР1ГР4-Ф30Т(2100)СТР2ГР3"));
    sum.sum = true;
    sum.koeff = 4;       // the formation's: the breakdown shows the institutions' own figures
    sum.average = true;
    store(sum);
    const Breakdown bd = gridBreakdown(year.dictionary(), year.data(), model, BreakdownRange::Row,
                                       {a, b, c}, QStringLiteral("Ф47 - (0100)"), QStringLiteral("Сеть"));
    EXPECT_EQ(bd.problem, QString());
    // 10.1 + 2.35 - 4 = 8.45; 7 + 0.25 = 7.25; 0 + 1.2 = 1.2: exact, two decimals.
    EXPECT_EQ(rowsOf(bd.list), (QStringList{QStringLiteral("ЦРБ А|8.45"), QStringLiteral("УБ Б|7.25"),
                                           QStringLiteral("УБ В|1.20"), QStringLiteral("Всего|0")}));
    EXPECT_EQ(bd.list.columns, (QStringList{QStringLiteral("Подразделение"), QStringLiteral("3")}));
    EXPECT_EQ(bd.list.windowCaption, QStringLiteral("Сеть"));
    EXPECT_EQ(bd.list.title, QStringLiteral("Ф47 - (0100) - Строка 1:Строка 1: - Графа 3:Графа 3:Графа 3:"));
    EXPECT_EQ(bd.list.items.first().object, a);
}

TEST_F(Breakdowns, TheSelectingConditionAndTheRuralFlagNarrowTheList)
{
    openNetwork();
    model.moveTo(1, 1);
    NetCondition selecting = rec(1, -1, QString(), QStringLiteral("Ф30Т(2100)СТР1ГР4>0.2"),
                                 QString::number(rural));
    store(selecting);
    store(rec(-1, 1));   // a counter: its lines keep 0
    Breakdown bd = gridBreakdown(year.dictionary(), year.data(), model, BreakdownRange::Cell, {a, b, c},
                                 QString(), QString());
    EXPECT_EQ(rowsOf(bd.list), (QStringList{QStringLiteral("УБ Б|0"), QStringLiteral("УБ В|0"),
                                           QStringLiteral("Всего|0")}));
    selecting.rural = true;
    store(selecting);
    bd = gridBreakdown(year.dictionary(), year.data(), model, BreakdownRange::Cell, {a, b, c}, QString(), QString());
    EXPECT_EQ(rowsOf(bd.list), (QStringList{QStringLiteral("УБ Б|0"), QStringLiteral("Всего|0")}));
}

TEST_F(Breakdowns, AConditionThatDoesNotReadSelectsNobodyAndSaysWhy)
{
    openNetwork();
    store(rec(0, -1, QString(), QStringLiteral("Ф30Т(2100)СТР1ГР3>0)")));
    store(rec(-1, 0));
    const Breakdown bd = gridBreakdown(year.dictionary(), year.data(), model, BreakdownRange::Cell,
                                       {a, b, c}, QString(), QString());
    EXPECT_EQ(bd.problem, QStringLiteral("Не хватает левой скобки"));
    EXPECT_EQ(rowsOf(bd.list), (QStringList{QStringLiteral("Всего|0")}));
}

TEST_F(Breakdowns, ARowOfASummaryGivesOneFieldPerColumn)
{
    WorkMode = QStringLiteral("Svod");
    NetMode = false;
    DataTablePrefix = QStringLiteral("RepData");
    CurrentInstitutionId = report;
    ASSERT_EQ(model.open(year.dictionary(), year.data(), f30, QStringLiteral("Ф30"), QStringLiteral("(2100)")),
              GridModel::OpenStatus::Opened);
    const Breakdown bd = gridBreakdown(year.dictionary(), year.data(), model, BreakdownRange::Row, {c, a, b},
                                       QStringLiteral("Ф30 - (2100)"), QStringLiteral("Свод"));
    // Ordered by ind; an institution with nothing stored in a cell leaves its field empty.
    EXPECT_EQ(rowsOf(bd.list), (QStringList{QStringLiteral("ЦРБ А|10.1|2.35|"), QStringLiteral("УБ Б|7|0.25|"),
                                           QStringLiteral("УБ В||1.2|"),
                                           QStringLiteral("Всего|0.00|0.00|0.00")}));
    EXPECT_EQ(bd.list.columns, (QStringList{QStringLiteral("Подразделение"), QStringLiteral("3"),
                                           QStringLiteral("4"), QStringLiteral("5")}));
    EXPECT_EQ(bd.list.title, QStringLiteral("Ф30 - (2100) - Строка 1:Строка 1:"));

    const Breakdown column = gridBreakdown(year.dictionary(), year.data(), model, BreakdownRange::Column,
                                           {a}, QString(), QString());
    EXPECT_EQ(rowsOf(column.list).first(), QStringLiteral("ЦРБ А|10.1|4|||"));
    EXPECT_EQ(column.list.columns.mid(1), (QStringList{QStringLiteral("4"), QStringLiteral("5"),
                                                      QStringLiteral("6"), QStringLiteral("7"),
                                                      QStringLiteral("8")}));
}
