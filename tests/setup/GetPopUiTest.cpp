#include "setup/GetPop.h"

#include "PrintTo.h"
#include "SampleYear.h"
#include "ScriptedPrompts.h"
#include "core/Common.h"
#include "platform/Database.h"
#include "sample/SampleConfiguration.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using namespace Sample::Report;

QStringList shown(const TPopform& dialog)
{
    return {dialog.MaskEdit1->text(), dialog.MaskEdit2->text(), dialog.MaskEdit3->text(), dialog.MaskEdit4->text()};
}

void retype(QLineEdit* edit, const char* keys)
{
    edit->selectAll();
    QTest::keyClicks(edit, QString::fromLatin1(keys));
}

// A private copy of the sample's 2025; Малиновская участковая больница serves 6000 in all there,
// not the 5000 of the stored report figures.
class ReportPopulation : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sample.install()) << sample.error().toStdString();
        dbmain().exec(QStringLiteral(R"(update "populations1" set "common"=6000 where "unit"=?)"),
                      {Sample::Unit::Malinovka});
    }

    QStringList stored(int report)
    {
        Query q(dbmain(), QStringLiteral(R"(select "common","olds","teens","childs" from "populations"
            where "year"=? and "unit"=?)"), {Sample::DataYear, report});
        QStringList rows;
        while (q.next())
            rows << QStringLiteral("%1 %2 %3 %4").arg(q.toDouble(0)).arg(q.toDouble(1)).arg(q.toDouble(2)).arg(q.toDouble(3));
        return rows;
    }

    SampleYear sample;
};

TEST_F(ReportPopulation, TheSumsOverTheInstitutionsAreSavedOnOk)
{
    ScriptedPrompts prompts;
    {
        TPopform dialog(Zarechny, QStringLiteral("Заречный район"));
        dialog.show();
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Заречный район"));
        EXPECT_EQ(shown(dialog), (QStringList{"34500", "26550", "1370", "6580"}));
        // Its institutions: the inpatient unit (no row) 0, the polyclinic 28000,
        // Малиновская 6000, Сосновский ФАП 1500.
        QTest::mouseClick(dialog.Button1, Qt::LeftButton);
        EXPECT_EQ(shown(dialog), (QStringList{"35500", "26550", "1370", "6580"}));
        QTest::mouseClick(dialog.BitBtn1, Qt::LeftButton);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    EXPECT_EQ(stored(Zarechny), (QStringList{"35500 26550 1370 6580"}));
    TPopform again(Zarechny, QStringLiteral("Заречный район"));
    EXPECT_EQ(shown(again), (QStringList{"35500", "26550", "1370", "6580"}));
}

TEST_F(ReportPopulation, TheSumsTakeExactlyTheListedIds)
{
    ScriptedPrompts prompts;
    // "12,13": both Светлогорск institutions; the hospital has no figures, so the polyclinic's
    // 52000 alone. Заречный район (id 1) must not slip in.
    TPopform dialog(Svetlogorsk, QStringLiteral("Городской округ Светлогорск"));
    dialog.show();
    QTest::mouseClick(dialog.Button1, Qt::LeftButton);
    EXPECT_EQ(shown(dialog), (QStringList{"52000", "41200", "2000", "8800"}));

    // "Область - всего" lists no institutions of its own: the fields are emptied, "Восстановить"
    // brings the stored figures back.
    TPopform region(Region, QStringLiteral("Область - всего"));
    region.show();
    const QStringList before = shown(region);
    ASSERT_FALSE(before.front().isEmpty());
    QTest::mouseClick(region.Button1, Qt::LeftButton);
    EXPECT_EQ(shown(region), (QStringList{"", "", "", ""}));
    QTest::mouseClick(region.Button2, Qt::LeftButton);
    EXPECT_EQ(shown(region), before);
}

TEST_F(ReportPopulation, NineDigitsAreTakenAndReadBack)
{
    ScriptedPrompts prompts;
    {
        TPopform dialog(Ozerny, QStringLiteral("Озерный район"));
        dialog.show();
        retype(dialog.MaskEdit1, "1234567890");   // the tenth digit is refused
        EXPECT_EQ(dialog.MaskEdit1->text(), QStringLiteral("123456789"));
        QTest::mouseClick(dialog.BitBtn1, Qt::LeftButton);
    }
    TPopform again(Ozerny, QStringLiteral("Озерный район"));
    EXPECT_EQ(again.MaskEdit1->text(), QStringLiteral("123456789"));
    EXPECT_EQ(stored(Ozerny).size(), 1);
}

TEST_F(ReportPopulation, AReportWithoutARowGetsOneOnlyWhenAFigureIsTyped)
{
    dbmain().exec(QStringLiteral(R"(delete from "populations" where "unit"=?)"), {Network});
    ScriptedPrompts prompts;
    {
        TPopform dialog(Network, QStringLiteral("Ф47"));
        dialog.show();
        EXPECT_EQ(shown(dialog), (QStringList{"", "", "", ""}));
        QTest::mouseClick(dialog.BitBtn1, Qt::LeftButton);
    }
    EXPECT_TRUE(stored(Network).isEmpty());
    {
        TPopform dialog(Network, QStringLiteral("Ф47"));
        dialog.show();
        retype(dialog.MaskEdit4, "7");
        QTest::mouseClick(dialog.BitBtn1, Qt::LeftButton);
    }
    EXPECT_EQ(stored(Network), (QStringList{"0 0 0 7"}));
}

TEST_F(ReportPopulation, ABrokenListOfInstitutionsIsReportedAndNothingChanges)
{
    dbmain().exec(QStringLiteral(R"(update "reports" set "include"='3,4;5' where "id"=?)"), {Zarechny});
    ScriptedPrompts prompts;
    prompts.expectError(QStringLiteral("3,4;5"));
    TPopform dialog(Zarechny, QStringLiteral("Заречный район"));
    dialog.show();
    QTest::mouseClick(dialog.Button1, Qt::LeftButton);
    EXPECT_EQ(shown(dialog), (QStringList{"34500", "26550", "1370", "6580"}));
}

}
