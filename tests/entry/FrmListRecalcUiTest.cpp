#include "entry/FrmList.h"

#include "PrintTo.h"
#include "SampleYear.h"
#include "ScriptedPrompts.h"
#include "core/Common.h"
#include "core/Unit1.h"
#include "entry/FormsRecalc.h"
#include "platform/Database.h"
#include "sample/SampleConfiguration.h"

#include <QAction>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

// The sample's 2025: the summary report "Заречный район" (its institutions 3, 4, 5, 6) and the
// network report, as the summary reports list opens their forms trees.
class RecalcTree : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(sample.install()) << sample.error().toStdString(); }
    void svodRoad()
    {
        WorkMode = QStringLiteral("Svod");
        DataTablePrefix = QStringLiteral("Repdata");
        NetMode = false;
        CurrentInstitutionId = Sample::Report::Zarechny;
        InstitutionIdList = include(Sample::Report::Zarechny);
    }
    void netRoad()
    {
        WorkMode = QStringLiteral("Net");
        DataTablePrefix = QStringLiteral("Repdata");
        NetMode = true;
        CurrentInstitutionId = Sample::Report::Network;
        InstitutionIdList = include(Sample::Report::Network);
    }
    static QString include(int report)
    {
        return dbmain().scalar(QStringLiteral(R"(select "include" from "reports" where "id"=?)"), {report}).toString();
    }
    static void open(TFormList& window, const QString& caption)
    {
        window.setWindowTitle(caption);
        window.setRecalcFormShown(true);
        window.setRecalcReportShown(true);
        window.Start(-1);
    }
    static void select(TFormList& window, const QString& formName)
    {
        for (int i = 0; i < window.TreeView1->topLevelItemCount(); ++i)
            if (window.TreeView1->topLevelItem(i)->data(0, NodeNameRole).toString() == formName)
                window.TreeView1->setCurrentItem(window.TreeView1->topLevelItem(i)->child(0));
    }
    static int repdataRows(int owner)
    {
        return dbdat().scalar(QStringLiteral(R"(select count(*) from "repdata" where "hospital"=?)"), {owner}).toInt();
    }
    // Every stored row of the owner, as one text, to tell that nothing changed.
    static QString snapshot(int owner)
    {
        return dbdat()
            .scalar(QStringLiteral(R"(select group_concat("table" || ':' || "column" || ':' || "row" || '=' || "data", ' ')
                from (select * from "repdata" where "hospital"=? order by "year","table","column","row"))"),
                    {owner})
            .toString();
    }
    static double repdata(int owner, int table, int column, int row)
    {
        return dbdat()
            .scalar(QStringLiteral(R"(select "data" from "repdata" where "hospital"=? and "table"=? and "column"=? and "row"=?)"),
                    {owner, table, column, row})
            .toDouble();
    }
    static int tableOf(int form, const char* number)
    {
        return dbmain()
            .scalar(QStringLiteral(R"(select "ident" from "tables" where "form"=? and "tablen"=?)"),
                    {form, QString::fromLatin1(number)})
            .toInt();
    }

    SampleYear sample;
};

} // namespace

TEST_F(RecalcTree, ReportRecalculationAsksFirstAndNoChangesNothing)
{
    svodRoad();
    ScriptedPrompts prompts;
    TFormList window;
    open(window, QStringLiteral("Заречный район"));
    EXPECT_TRUE(window.N10->isVisible());
    EXPECT_TRUE(window.N9->isVisible());

    // The sample's summary holds figures already; one of them is made wrong on purpose.
    const int t3100 = tableOf(Sample::Form::F30, "(3100)");
    dbdat().exec(QStringLiteral(R"(delete from "repdata" where "hospital"=? and "table"=? and "column"=4 and "row"=5)"),
                 {Sample::Report::Zarechny, t3100});
    dbdat().exec(QStringLiteral(R"(insert into "repdata" values (?,1,?,?,4,5))"),
                 {Sample::Report::Zarechny, Sample::DataYear, t3100});
    const QString before = snapshot(Sample::Report::Zarechny);
    prompts.expectQuestion(false, reportRecalcQuestion(QStringLiteral("Заречный район")));
    window.N10->trigger();
    EXPECT_EQ(snapshot(Sample::Report::Zarechny), before);

    prompts.expectQuestion(true, QStringLiteral("Персчитать Заречный район?"));
    prompts.expectMessage(ReportRecalcDone);
    window.N10->trigger();
    EXPECT_EQ(prompts.remaining(), 0);
    // Ф30 (3100) Строка 1, Графа 3 (stored column 4, row 5): the inpatient unit's 195 beds and
    // Малиновская's 70; the polyclinic and the feldsher post have none.
    EXPECT_EQ(repdata(Sample::Report::Zarechny, t3100, 4, 5), 195 + 70);
    EXPECT_GT(repdataRows(Sample::Report::Zarechny), 0);
}

TEST_F(RecalcTree, FormRecalculationAsksOnlyWhenValuesAreStored)
{
    svodRoad();
    ScriptedPrompts prompts;
    TFormList window;
    open(window, QStringLiteral("Заречный район"));
    select(window, QStringLiteral("Ф30"));
    dbdat().exec(QStringLiteral(R"(delete from "repdata" where "hospital"=?)"), {Sample::Report::Zarechny});
    prompts.expectMessage(FormRecalcDone);
    window.N9->trigger();
    const int t3100 = tableOf(Sample::Form::F30, "(3100)");
    EXPECT_EQ(repdata(Sample::Report::Zarechny, t3100, 4, 5), 265);
    const int rows = repdataRows(Sample::Report::Zarechny);

    dbdat().exec(QStringLiteral(R"(update "repdata" set "data"=1 where "hospital"=? and "table"=?)"),
                 {Sample::Report::Zarechny, t3100});
    prompts.expectQuestion(false, QStringLiteral("Пересчитать форму Ф30? Сохраненные значения будут заменены."));
    window.N9->trigger();
    EXPECT_EQ(repdata(Sample::Report::Zarechny, t3100, 4, 5), 1);
    EXPECT_EQ(repdataRows(Sample::Report::Zarechny), rows);
}

TEST_F(RecalcTree, NetworkFormAsksAboutRoundingAndCancelChangesNothing)
{
    netRoad();
    ScriptedPrompts prompts;
    TFormList window;
    open(window, QStringLiteral("Ф47 - сеть медицинских организаций области"));
    EXPECT_FALSE(window.N10->isVisible());   // a network report is never summed from here
    select(window, QStringLiteral("Ф47"));

    const QString before = snapshot(Sample::Report::Network);
    prompts.expectYesNoCancel(Prompts::Answer::Cancel, RoundQuestion);
    window.N9->trigger();
    EXPECT_EQ(snapshot(Sample::Report::Network), before);

    prompts.expectYesNoCancel(Prompts::Answer::Yes, RoundQuestion);
    prompts.expectMessage(FormRecalcDone);
    window.N9->trigger();
    EXPECT_TRUE(RoundResults);
    const int t0100 = tableOf(Sample::Form::F47, "(0100)"), t0200 = tableOf(Sample::Form::F47, "(0200)");
    // (0100) Строка 1, Графа 3: every institution of the network report; Строка 6: the feldsher
    // post that entered its visits.
    EXPECT_EQ(repdata(Sample::Report::Network, t0100, 4, 5), 9);
    EXPECT_EQ(repdata(Sample::Report::Network, t0100, 4, 10), 1);
    // (0200) Строка 3, Графа 4: the discharged of the two ЦРБ units, 11843 / 2 rounded to even.
    EXPECT_EQ(repdata(Sample::Report::Network, t0200, 5, 7), 5922);
}

TEST_F(RecalcTree, AnEmptyCompositionIsToldAndNothingIsSaved)
{
    svodRoad();
    InstitutionIdList.clear();
    ScriptedPrompts prompts;
    TFormList window;
    open(window, QStringLiteral("Заречный район"));
    select(window, QStringLiteral("Ф30"));
    const QString before = snapshot(Sample::Report::Zarechny);
    prompts.expectMessage(emptyCompositionMessage(false));
    window.N9->trigger();
    prompts.expectMessage(emptyCompositionMessage(false));
    window.N10->trigger();
    EXPECT_EQ(snapshot(Sample::Report::Zarechny), before);
}

TEST_F(RecalcTree, AFormationListsItsProblemsOnceAtTheEndAndSavesWhatItCould)
{
    netRoad();
    const int t0100 = tableOf(Sample::Form::F47, "(0100)");
    // A third column that divides by 0 and a row whose condition lost its right bracket.
    dbmain().exec(QStringLiteral(R"(update "conditions" set "type"=1, "formula"='Ф30Т(3100)СТР1ГР3', "koeff"=0
        where "tid"=? and "row"=-1 and "column"=1)"), {t0100});
    dbmain().exec(QStringLiteral(R"(update "conditions" set "condition"='(Ф30Т(3100)СТР1ГР3>0'
        where "tid"=? and "row"=2 and "column"=-1)"), {t0100});
    ScriptedPrompts prompts;
    TFormList window;
    open(window, QStringLiteral("Ф47 - сеть медицинских организаций области"));
    select(window, QStringLiteral("Ф47"));
    QList<ResultListItem> shown;
    prompts.expectYesNoCancel(Prompts::Answer::No, RoundQuestion);
    prompts.expectModal(QStringLiteral("TForm1"), [&](QDialog& dialog) {
        shown = static_cast<TForm1&>(dialog).list().items;
        return int(QDialog::Accepted);
    });
    prompts.expectMessage(FormRecalcDone);
    window.N9->trigger();
    EXPECT_EQ(prompts.remaining(), 0);
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[0].caption, QStringLiteral("Ф47 (0100)"));
    EXPECT_EQ(shown[0].subItems, (QStringList{QStringLiteral("графа 4"), QStringLiteral("Ф30Т(3100)СТР1ГР3"),
                                              QStringLiteral("Коэффициент равен 0: значение не вычислено")}));
    EXPECT_EQ(shown[1].subItems, (QStringList{QStringLiteral("строка 3"), QStringLiteral("(Ф30Т(3100)СТР1ГР3>0"),
                                              QStringLiteral("Не хватает правой скобки")}));
    // The rest of the table is formed and saved all the same.
    EXPECT_EQ(repdata(Sample::Report::Network, t0100, 4, 5), 9);
    EXPECT_EQ(repdata(Sample::Report::Network, t0100, 5, 5), 0);   // no row: the 0 of koeff 0
    EXPECT_EQ(repdata(Sample::Report::Network, t0100, 4, 7), 0);   // the row that does not read
}
