#include "reports/RptList.h"

#include "PrintTo.h"
#include "ScriptedPrompts.h"
#include "YearFixture.h"
#include "core/Common.h"
#include "core/StructureCache.h"
#include "core/TreeMarks.h"
#include "reports/MTStat.h"
#include "reports/RepIncl.h"
#include "reports/SummaryReports.h"
#include "setup/DropTree.h"

#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

class ReportList : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ReportYear = 2025;
        const int east = year.addInstitution(QStringLiteral("Восточный округ"));
        const int west = year.addInstitution(QStringLiteral("Западный округ"));
        for (int i = 3; i <= 11; ++i)
            year.addInstitution(QStringLiteral("ЛПУ %1").arg(i), i % 2 ? east : west);
        h12 = year.addInstitution(QStringLiteral("ЛПУ 12"), east);
        h13 = year.addInstitution(QStringLiteral("ЛПУ 13"), west);
        north = year.addReport(QStringLiteral("Северный"), true, {h12, h13});
        plain = year.addReport(QStringLiteral("Обычный"), false);
        south = year.addReport(QStringLiteral("Южный"), true);
        region = year.addReport(QStringLiteral("Область - всего"));
        year.addStatistics(region, {north, south});
        GetStruct(year.dictionary());
        WorkMode = QStringLiteral("Svod");
        NetMode = false;
    }
    QList<int> shownIds(const TRepList& w)
    {
        QList<int> ids;
        for (int i = 0; i < w.ListView1->topLevelItemCount(); ++i)
            ids.append(nodeId(w.ListView1->topLevelItem(i)));
        return ids;
    }

    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025, YearFixture::InstallAliases};
    int h12 = 0, h13 = 0, north = 0, plain = 0, south = 0, region = 0;
};

TEST_F(ReportList, TheModeDecidesTheMenus)
{
    struct Case {
        const char* mode;
        bool edit, incoming, indicators;
    };
    for (const Case& c : {Case{"Svod", true, false, false}, Case{"Net", true, false, false},
                          Case{"Terrain", false, true, true}, Case{"Single", false, false, true}}) {
        WorkMode = QString::fromLatin1(c.mode);
        TRepList w;
        EXPECT_EQ(w.N2->menuAction()->isVisible(), c.edit) << c.mode;
        EXPECT_EQ(w.Button2->isVisible(), c.edit) << c.mode;
        EXPECT_EQ(w.Button7->isVisible(), c.edit) << c.mode;
        EXPECT_EQ(w.N1->isVisible(), c.edit) << c.mode;
        EXPECT_EQ(w.N3->isVisible(), c.edit) << c.mode;
        EXPECT_EQ(w.Button8->isVisible(), c.incoming) << c.mode;
        EXPECT_EQ(w.Button6->isVisible(), c.indicators) << c.mode;
        EXPECT_EQ(w.Button7b->isVisible(), c.indicators) << c.mode;
        EXPECT_EQ(w.N13->isVisible(), c.indicators) << c.mode;
        EXPECT_FALSE(w.N14->isVisible()) << c.mode;
    }
}

TEST_F(ReportList, DeleteWithNoKeepsEverythingAndWithYesRemovesTheReport)
{
    ScriptedPrompts prompts;
    TRepList w;
    w.show();
    w.ListView1->setCurrentItem(w.ListView1->topLevelItem(0));
    ASSERT_EQ(w.currentId(), north);
    prompts.expectQuestion(false, QStringLiteral("Вы действительно желаете удалить Северный со всей информацией?"));
    w.N8->trigger();
    EXPECT_TRUE(SummaryReports::read(dbmain(), north));
    EXPECT_EQ(w.ListView1->topLevelItemCount(), 4);
    prompts.expectQuestion(true, QStringLiteral("Северный"));
    w.N8->trigger();
    EXPECT_FALSE(SummaryReports::read(dbmain(), north));
    EXPECT_EQ(shownIds(w), (QList<int>{plain, south, region}));
    EXPECT_EQ(SummaryReports::incomingReports(dbmain(), region), (QList<int>{south}));
}

TEST_F(ReportList, F7TwiceRestoresTheFlagInEveryMode)
{
    // The second report of the list: Обычный, or Южный where only the Ф47 reports are listed.
    struct Case {
        const char* mode;
        bool netMode;
        int id;
        bool net;
    };
    for (const Case& c : {Case{"Svod", false, plain, false}, Case{"Net", true, south, true},
                          Case{"Terrain", false, plain, false}, Case{"Single", false, plain, false}}) {
        SCOPED_TRACE(c.mode);
        WorkMode = QString::fromLatin1(c.mode);
        NetMode = c.netMode;
        ScriptedPrompts prompts;
        TRepList w;
        w.show();
        w.ListView1->setCurrentItem(w.ListView1->topLevelItem(1));
        ASSERT_EQ(w.currentId(), c.id);
        QTest::keyClick(w.ListView1, Qt::Key_F7);
        EXPECT_EQ(w.ListView1->topLevelItem(1)->text(1), c.net ? QString() : QStringLiteral("Ф47"));
        EXPECT_EQ(SummaryReports::read(dbmain(), c.id)->net, !c.net);
        QTest::keyClick(w.ListView1, Qt::Key_F7);
        EXPECT_EQ(w.ListView1->topLevelItem(1)->text(1), c.net ? QStringLiteral("Ф47") : QString());
        EXPECT_EQ(SummaryReports::read(dbmain(), c.id)->net, c.net);
    }
}

TEST_F(ReportList, NetworkOrderKeepsTheOtherReportsPlaces)
{
    NetMode = true;
    WorkMode = QStringLiteral("Net");
    ScriptedPrompts prompts;
    TRepList w;
    w.show();
    ASSERT_EQ(shownIds(w), (QList<int>{north, south}));
    w.ListView1->setCurrentItem(w.ListView1->topLevelItem(1));
    ASSERT_TRUE(w.ListView1->dropped);
    ASSERT_TRUE(w.ListView1->dropped(w.ListView1->visualItemRect(w.ListView1->topLevelItem(0)).center()));
    EXPECT_EQ(shownIds(w), (QList<int>{south, north}));
    EXPECT_TRUE(w.N14->isVisible());
    w.N14->trigger();
    EXPECT_FALSE(w.N14->isVisible());
    QList<int> all;
    for (const SummaryReport& r : SummaryReports::list(dbmain(), false))
        all.append(r.id);
    EXPECT_EQ(all, (QList<int>{south, plain, north, region}));
}

TEST_F(ReportList, TheInstitutionTreeShowsEveryRootAndKeepsTheComposition)
{
    TRepInc dialog;
    dialog.ShowTrees(SummaryReports::institutions(dbmain(), north));
    ASSERT_EQ(dialog.TreeView1->topLevelItemCount(), 2);
    EXPECT_EQ(dialog.includeList(), (QList<int>{h12, h13}));
    // Both roots are marked as groups holding a marked institution; groups never enter the list.
    EXPECT_TRUE(IsNodeMarked(dialog.TreeView1->topLevelItem(0)));
    EXPECT_TRUE(IsNodeMarked(dialog.TreeView1->topLevelItem(1)));
    SummaryReports::setInstitutions(dbmain(), north, dialog.includeList());
    EXPECT_EQ(dbmain().scalar(QStringLiteral(R"(select "include" from "reports" where "id"=?)"), {north}).toString(),
              QStringLiteral("%1,%2").arg(h12).arg(h13));
    // Unmarking the west root drops its institutions only.
    dialog.toggle(dialog.TreeView1->topLevelItem(1));
    EXPECT_EQ(dialog.includeList(), (QList<int>{h12}));
}

TEST_F(ReportList, TypesWithNoMarkOpenNothingAndAMarkedGroupListsItsInstitutions)
{
    const int group = year.addMedicalType(QStringLiteral("Больницы"));
    const int city = year.addMedicalType(QStringLiteral("Городские"), group);
    const int hospital = year.addInstitution(QStringLiteral("Городская больница"), 0, city);
    InstitutionIdList = QStringLiteral("99");
    ScriptedPrompts prompts;
    TMTList w;
    w.show();
    prompts.expectMessage(QStringLiteral("Необходимо выбрать тип или группу типов учреждений!"));
    w.N2->trigger();   // a window opened here would fail the script
    EXPECT_EQ(InstitutionIdList, QStringLiteral("99"));
    ASSERT_EQ(w.TreeView1->topLevelItemCount(), 1);
    w.toggle(w.TreeView1->topLevelItem(0));
    EXPECT_TRUE(w.GetUnitList());
    EXPECT_EQ(InstitutionIdList, QString::number(hospital));
    InstitutionIdList.clear();
}

} // namespace
