#include "setup/UnitChar.h"

#include "PrintTo.h"
#include "SampleYear.h"
#include "ScriptedPrompts.h"
#include "core/Common.h"
#include "core/StructureCache.h"
#include "core/TreeMarks.h"
#include "platform/Database.h"
#include "sample/SampleConfiguration.h"
#include "setup/AmdStruct.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <functional>

namespace {

using namespace Sample::Unit;

using Figures = std::optional<std::array<double, 4>>;

Figures storedFigures(int unit)
{
    Query q(dbmain(), QStringLiteral(R"(select "common","olds","teens","childs" from "populations1"
        where "year"=? and "unit"=?)"), {Sample::DataYear, unit});
    if (!q.next())
        return std::nullopt;
    return std::array<double, 4>{q.toDouble(0), q.toDouble(1), q.toDouble(2), q.toDouble(3)};
}

int populationRows(int unit)
{
    return dbmain().scalar(QStringLiteral(R"(select count(*) from "populations1" where "unit"=?)"), {unit}).toInt();
}

QStringList shown(const TUntChar& dialog)
{
    return {dialog.MaskEdit1->text(), dialog.MaskEdit2->text(), dialog.MaskEdit3->text(), dialog.MaskEdit4->text()};
}

void retype(QLineEdit* edit, const char* keys)
{
    edit->selectAll();
    QTest::keyClicks(edit, QString::fromLatin1(keys));
}

// A private copy of the sample's 2025 with two changes: Малиновская участковая больница serves
// 6000 in all (not 5000), and Озерный район has no figures of its own.
class SamplePopulation : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sample.install()) << sample.error().toStdString();
        dbmain().exec(QStringLiteral(R"(update "populations1" set "common"=6000 where "unit"=?)"), {Malinovka});
        dbmain().exec(QStringLiteral(R"(delete from "populations1" where "unit"=?)"), {OzernyDistrict});
    }

    // Corrects `unit` in the structure window; `work` does with the dialog what a user does
    // before OK is pressed.
    void correct(int unit, const std::function<void(TUntChar&)>& work)
    {
        ScriptedPrompts prompts;
        TAdmForm window(AdmMode::Formation);
        window.show();
        for (QTreeWidgetItemIterator it(window.TreeView1); *it; ++it) {
            if (nodeId(*it) == unit)
                window.TreeView1->setCurrentItem(*it);
        }
        ASSERT_EQ(nodeId(window.TreeView1->currentItem()), unit);
        prompts.expectModal(QStringLiteral("TUntChar"), [&](QDialog& dialog) {
            auto& unitDialog = static_cast<TUntChar&>(dialog);
            work(unitDialog);
            QTest::mouseClick(unitDialog.BitBtn1, Qt::LeftButton);
            return unitDialog.result();
        });
        window.N4Click();
    }

    SampleYear sample;
};

TEST_F(SamplePopulation, ACorrectionWritesTheFiguresOnlyWhenTheyDifferFromTheStoredOnes)
{
    using Action = std::function<void(TUntChar&)>;
    const Action untouched = [](TUntChar&) {};
    struct Case {
        const char* what;
        int unit;
        Action action;
        Figures after;
    };
    const Case cases[] = {
        {"untouched, with a row", Malinovka, untouched, std::array<double, 4>{6000, 3900, 210, 890}},
        {"untouched, without a row", ZarechnayaInpatient, untouched, std::nullopt},
        {"a figure typed", SvetlogorskPolyclinic,
         [](TUntChar& d) { retype(d.MaskEdit4, "8900"); }, std::array<double, 4>{52000, 41200, 2000, 8900}},
        // Заречный район's direct children: Заречная ЦРБ 28000 (its polyclinic's figures, not
        // counted a second time), Малиновская 6000, Сосновский ФАП 1500.
        {"\"Подсчитать\" then OK", ZarechnyDistrict,
         [](TUntChar& d) { QTest::mouseClick(d.BitBtn3, Qt::LeftButton); },
         std::array<double, 4>{35500, 26550, 1370, 6580}},
        {"\"Подсчитать\", \"Восстановить\", OK without a row", OzernyDistrict,
         [](TUntChar& d) {
             QTest::mouseClick(d.BitBtn3, Qt::LeftButton);
             EXPECT_EQ(shown(d), (QStringList{"29200", "22710", "1170", "5320"}));
             QTest::mouseClick(d.BitBtn4, Qt::LeftButton);
             EXPECT_EQ(shown(d), (QStringList{"", "", "", ""}));
         },
         std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        correct(c.unit, c.action);
        EXPECT_EQ(storedFigures(c.unit), c.after);
        EXPECT_LE(populationRows(c.unit), 1);
    }
}

TEST_F(SamplePopulation, TheDialogShowsTheStoredFiguresAndItsButtonsWhereTheyApply)
{
    correct(ZarechnayaCrb, [](TUntChar& d) {
        EXPECT_TRUE(d.GroupBox1->isEnabled());
        EXPECT_EQ(shown(d), (QStringList{"28000", "21500", "1100", "5400"}));
        EXPECT_TRUE(d.BitBtn3->isVisible());   // a group
        EXPECT_FALSE(d.BitBtn4->isVisible());
        QTest::mouseClick(d.BitBtn3, Qt::LeftButton);
        EXPECT_TRUE(d.BitBtn4->isVisible());
        // Letters and signs do not go into a figure.
        retype(d.MaskEdit2, "21a-6.00");
        EXPECT_EQ(d.MaskEdit2->text(), QStringLiteral("21600"));
        QTest::mouseClick(d.BitBtn4, Qt::LeftButton);
        EXPECT_EQ(shown(d), (QStringList{"28000", "21500", "1100", "5400"}));
    });
    correct(Sosnovka, [](TUntChar& d) {
        EXPECT_EQ(shown(d), (QStringList{"1500", "1150", "60", "290"}));
        EXPECT_FALSE(d.BitBtn3->isVisible());   // an institution has no children to sum
    });
}

TEST_F(SamplePopulation, TheFirstChangeOfAUnitWithoutARowInsertsItAndTheNextUpdatesIt)
{
    ASSERT_EQ(storedFigures(SvetlogorskHospital), std::nullopt);
    correct(SvetlogorskHospital, [](TUntChar& d) { retype(d.MaskEdit1, "100"); });
    EXPECT_EQ(storedFigures(SvetlogorskHospital), (std::array<double, 4>{100, 0, 0, 0}));
    correct(SvetlogorskHospital, [](TUntChar& d) {
        EXPECT_EQ(shown(d), (QStringList{"100", "0", "0", "0"}));
        retype(d.MaskEdit2, "60");
    });
    EXPECT_EQ(storedFigures(SvetlogorskHospital), (std::array<double, 4>{100, 60, 0, 0}));
    EXPECT_EQ(populationRows(SvetlogorskHospital), 1);
}

TEST_F(SamplePopulation, AddingAUnitLeavesThePopulationAlone)
{
    const int before = dbmain().scalar(QStringLiteral(R"(select count(*) from "populations1")")).toInt();
    ScriptedPrompts prompts;
    TAdmForm window(AdmMode::Formation);
    window.show();
    bool enabled = true;
    prompts.expectModal(QStringLiteral("TUntChar"), [&](QDialog& dialog) {
        auto& d = static_cast<TUntChar&>(dialog);
        enabled = d.GroupBox1->isEnabled() || d.MaskEdit1->isEnabled();
        d.Edit1->setText(QStringLiteral("Новый район"));
        QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
        return d.result();
    });
    window.N1Click();
    EXPECT_FALSE(enabled);
    EXPECT_EQ(dbmain().scalar(QStringLiteral(R"(select count(*) from "populations1")")).toInt(), before);
    EXPECT_EQ(dbmain().scalar(QStringLiteral(R"(select count(*) from "administration" where "unit"=?)"),
                              {QStringLiteral("Новый район")}).toInt(), 1);
}

}
