#include "reports/Statistics.h"

#include "core/Common.h"
#include "core/StructureCache.h"
#include "platform/Database.h"
#include "platform/office/ExcelWorkbook.h"
#include "platform/office/WordDocument.h"
#include "platform/office/XlsxReader.h"
#include "platform/office/XlsxWriter.h"
#include "PrintTo.h"
#include "YearFixture.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }

// Ф12 (1000): Графа 3..6, Строка 1..3. A unit U with its subdivision S, and another unit O;
// a summary report R gathering the reports R1 and R2.
//   data:    U стр1гр3 = 30, S стр1гр3 = 6, O стр1гр3 = 9, U стр2гр4 = -4
//   repdata: R стр1гр3 = 45, R1 стр1гр3 = 40, R2 стр1гр3 = 5
//   populations1: U 1500/600/300/0, S 500/100/100/0, O 700/200/200/7
//   populations:  R 3000/900/600/0, R1 2000, R2 1000
class StatisticsYear : public ::testing::Test {
protected:
    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025, YearFixture::InstallAliases};
    int t1000 = 0, unitU = 0, unitS = 0, unitO = 0, rep = 0, rep1 = 0, rep2 = 0, term = 0;

    void SetUp() override
    {
        const int f12 = year.addForm(u("Ф12"));
        t1000 = year.addTable(f12, u("(1000)"), u("Взрослые"), 6, 5, 2, 2);
        unitU = year.addInstitution(u("Район"));
        unitS = year.addInstitution(u("Участок"), unitU);
        unitO = year.addInstitution(u("Город"));
        year.setEntered(unitU, t1000, 3, 1, 30);
        year.setEntered(unitS, t1000, 3, 1, 6);
        year.setEntered(unitO, t1000, 3, 1, 9);
        year.setEntered(unitU, t1000, 4, 2, -4);
        rep1 = year.addReport(u("Отчет 1"));
        rep2 = year.addReport(u("Отчет 2"));
        rep = year.addReport(u("Свод"));
        year.addStatistics(rep, {rep1, rep2});
        year.setEntered(rep, t1000, 3, 1, 45, u("repdata"));
        year.setEntered(rep1, t1000, 3, 1, 40, u("repdata"));
        year.setEntered(rep2, t1000, 3, 1, 5, u("repdata"));
        year.addPopulation(unitU, 1500, 600, 300, 0);
        year.addPopulation(unitS, 500, 100, 100, 0);
        year.addPopulation(unitO, 700, 200, 200, 7);
        year.addPopulation(rep, 3000, 900, 600, 0, true);
        year.addPopulation(rep1, 2000, 0, 0, 0, true);
        year.addPopulation(rep2, 1000, 0, 0, 0, true);

        Database& db = year.dictionary();
        db.exec(u(R"(insert into "tree" ("part","depend") values ('Набор',0))"));
        term = int(db.lastInsertId());
        auto col = [&](int c, const char* t) { db.exec(u(R"(insert into "col_titles" values (?,?,?,64))"), {term, c, u(t)}); };
        auto row = [&](int r, const char* t) { db.exec(u(R"(insert into "row_titles" values (?,?,?,20))"), {term, r, u(t)}); };
        auto formula = [&](int r, int c, const char* f) { db.exec(u(R"(insert into "formulas" values (?,?,?,?))"), {term, r, c, u(f)}); };
        col(0, "Показатель");
        col(1, "Случаи");
        col(2, "На 1000") ;
        row(1, "Взрослые");
        row(2, "Прочее\x03 итог");
        formula(1, 1, "Ф12Т[1000]СТР1ГР3");
        formula(1, 2, "Ф12Т(1000)СТР1ГР3/НАСЕЛЕНИЕ0*1000;‰");
        formula(2, 1, "ИТОГ");
        formula(2, 2, "Ф12Т[1000]СТР2ГР4 - 1");
        formula(1, -1, "ИТОГ = ДВА * 2");
        formula(2, -1, "ДВА=Ф12Т[1000]СТР1ГР3+НАСЕЛЕНИЕ3");

        GetForms(db);
        GetTables(db);
        ReportYear = 2025;
    }

    QList<QStringList> compute()
    {
        IndicatorGrid grid;
        QString error;
        EXPECT_TRUE(loadIndicatorGrid(year.dictionary(), term, &grid, &error)) << error.toStdString();
        return computeIndicatorGrid(year.dictionary(), grid);
    }
};

TEST_F(StatisticsYear, TypesSumsTheListAndCountsASubdivisionsPopulationOnce)
{
    WorkMode = u("Types");
    DataTablePrefix = u("Data");
    InstitutionIdList = QStringLiteral("%1,%2,%3").arg(unitU).arg(unitS).arg(unitO);
    const QList<QStringList> shown = compute();
    // 45 cases over 1500 + 700 (S inside U): 20.4545...; ДВА = 45 + 7, ИТОГ = 104.
    EXPECT_EQ(shown, (QList<QStringList>{{u("Показатель"), u("Случаи"), u("На 1000")},
                                         {u("Взрослые"), u("45.00"), u("20.45")},
                                         {u("Прочее: итог"), u("104.00"), u("-5.00")}}));
}

TEST_F(StatisticsYear, SingleAndTerrainReadTheirTables)
{
    WorkMode = u("Single");
    DataTablePrefix = u("Data");
    CurrentInstitutionId = unitU;
    EXPECT_EQ(compute()[1][1], u("30.00"));

    WorkMode = u("Terrain");
    DataTablePrefix = u("RepData");
    CurrentInstitutionId = rep;
    EXPECT_EQ(compute()[1], (QStringList{u("Взрослые"), u("45.00"), u("15.00")}));   // 45 / 3000 * 1000
}

TEST_F(StatisticsYear, CellBreakdownListsEachMemberWithTheSuffixThenTheTotal)
{
    WorkMode = u("Terrain");
    DataTablePrefix = u("RepData");
    CurrentInstitutionId = rep;
    IndicatorGrid grid;
    QString error;
    ASSERT_TRUE(loadIndicatorGrid(year.dictionary(), term, &grid, &error));
    const QList<QStringList> shown = computeIndicatorGrid(year.dictionary(), grid);
    ResultList list;
    ASSERT_TRUE(breakDownIndicators(year.dictionary(), grid, shown, 1, {2}, true, u("Набор"), &list, &error));
    EXPECT_EQ(list.title, u("Набор - Взрослые - На 1000"));
    EXPECT_EQ(list.columns, (QStringList{u("Подразделение"), u("На 1000")}));
    ASSERT_EQ(list.items.size(), 3);
    EXPECT_EQ(list.items[0].caption, u("Отчет 1"));
    EXPECT_EQ(list.items[0].subItems, QStringList{u("20.00‰")});   // 40 / 2000 * 1000
    EXPECT_EQ(list.items[1].caption, u("Отчет 2"));
    EXPECT_EQ(list.items[1].subItems, QStringList{u("5.00‰")});
    EXPECT_EQ(list.items[2].caption, u("Всего"));
    EXPECT_EQ(list.items[2].subItems, QStringList{u("15.00")});
    // What the main window chose comes back.
    EXPECT_EQ(CurrentInstitutionId, rep);
    EXPECT_EQ(DataTablePrefix, u("RepData"));
}

TEST_F(StatisticsYear, RowBreakdownInTypesTakesEachMemberAlone)
{
    WorkMode = u("Types");
    DataTablePrefix = u("Data");
    InstitutionIdList = QStringLiteral("%1,%2").arg(unitU).arg(unitO);
    IndicatorGrid grid;
    QString error;
    ASSERT_TRUE(loadIndicatorGrid(year.dictionary(), term, &grid, &error));
    const QList<QStringList> shown = computeIndicatorGrid(year.dictionary(), grid);
    ResultList list;
    ASSERT_TRUE(breakDownIndicators(year.dictionary(), grid, shown, 1, {1, 2}, false, u("Набор"), &list, &error));
    EXPECT_EQ(list.title, u("Набор - Взрослые"));
    ASSERT_EQ(list.items.size(), 3);
    EXPECT_EQ(list.items[0].subItems, (QStringList{u("30.00"), u("20.00‰")}));    // 30 / 1500
    EXPECT_EQ(list.items[1].subItems, (QStringList{u("9.00"), u("12.86‰")}));     // 9 / 700
    EXPECT_EQ(list.items[2].subItems, (QStringList{u("39.00"), u("17.73")}));      // 39 / 2200
    EXPECT_EQ(InstitutionIdList, QStringLiteral("%1,%2").arg(unitU).arg(unitO));
}

TEST_F(StatisticsYear, WordAndExcelReadBack)
{
    WorkMode = u("Types");
    DataTablePrefix = u("Data");
    InstitutionIdList = QStringLiteral("%1,%2,%3").arg(unitU).arg(unitS).arg(unitO);
    const QList<QStringList> shown = compute();

    WordDocument doc;
    doc.createBlank();
    indicatorsToWord(u("Формирование"), u("Набор"), shown, doc);
    const QString docPath = dir.filePath(u("s.docx"));
    ASSERT_TRUE(doc.save(docPath)) << doc.errorString().toStdString();
    WordDocument back;
    ASSERT_TRUE(back.open(docPath));
    QStringList paragraphs = back.paragraphTexts();
    paragraphs.removeAll(QString());
    EXPECT_EQ(paragraphs, (QStringList{u("Формирование"), u("Набор")}));
    ASSERT_EQ(back.tableCount(), 1);
    EXPECT_EQ(back.table(1).cellText(3, 1), u("Прочее: итог"));
    EXPECT_EQ(back.table(1).cellText(2, 3), u("20.45"));

    ExcelWorkbook book;
    indicatorsToExcel(u("Формирование"), u("Набор"), shown, book);
    const QString xlsx = dir.filePath(u("s.xlsx"));
    XlsxWriter writer;
    ASSERT_TRUE(writer.write(xlsx, book)) << writer.errorString().toStdString();
    XlsxReader reader;
    ASSERT_TRUE(reader.read(xlsx)) << reader.errorString().toStdString();
    const ExcelSheet* s = reader.workbook().sheet(0);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->value(1, 1).text, u("Формирование"));
    EXPECT_EQ(s->value(2, 1).text, u("Набор"));
    EXPECT_EQ(s->value(4, 3).text, u("Случаи"));          // cell (1, 0)
    EXPECT_EQ(s->value(6, 2).text, u("Прочее: итог"));     // cell (0, 2)
    EXPECT_EQ(s->value(5, 4), ExcelValue::ofNumber(20.45));
    EXPECT_EQ(s->value(6, 3), ExcelValue::ofNumber(104));
}

} // namespace
