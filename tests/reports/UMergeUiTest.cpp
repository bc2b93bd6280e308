#include "reports/UMerge.h"

#include "PrintTo.h"
#include "ScriptedPrompts.h"
#include "YearFixture.h"
#include "core/Common.h"
#include "core/Configurations.h"
#include "core/StructureCache.h"
#include "core/TreeMarks.h"
#include "platform/Files.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

// Two districts, each with two institutions, and two quarter levels over the annual report.
class Merge : public ::testing::Test {
protected:
    void SetUp() override
    {
        year = std::make_unique<YearFixture>(dir.path(), 2025, YearFixture::InstallAliases);
        CfgDir = dir.path() + QLatin1Char('/');
        ReportYear = 2025;
        Files::setProgramFolder(dir.path());   // no positions file: everything is summed
        const int form = year->addForm(QStringLiteral("Ф30"));
        table = year->addTable(form, QStringLiteral("(1100)"), QStringLiteral("Должности"), 4, 6, 1, 1);
        const int type = year->addMedicalType(QStringLiteral("Больница"));
        const int north = year->addInstitution(QStringLiteral("Северный район"));
        const int south = year->addInstitution(QStringLiteral("Южный район"));
        for (const auto& [name, parent] : {std::pair{"ЦРБ Север", north}, std::pair{"ФАП Север", north},
                                          std::pair{"ЦРБ Юг", south}, std::pair{"ФАП Юг", south}})
            units << year->addInstitution(QString::fromUtf8(name), parent, type);
        levelA = year->addLevel(QStringLiteral("1 квартал"));
        levelB = year->addLevel(QStringLiteral("2 квартал"));
        refreshStructureCaches(year->dictionary());
        for (int unit : units) {
            auto a = Database::open(QStringLiteral("%1/data%2.mdb").arg(year->yearFolder()).arg(levelA));
            a->exec(QStringLiteral(R"(insert into "data" values (?, 2, 2025, ?, 3, 3))"), {unit, table});
            auto b = Database::open(QStringLiteral("%1/data%2.mdb").arg(year->yearFolder()).arg(levelB));
            b->exec(QStringLiteral(R"(insert into "data" values (?, 1.5, 2025, ?, 3, 3))"), {unit, table});
        }
    }
    static QStringList texts(const QListWidget* list)
    {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << list->item(i)->text();
        return out;
    }
    static QTreeWidgetItem* find(QTreeWidget* tree, const QString& caption)
    {
        const auto found = tree->findItems(caption, Qt::MatchExactly | Qt::MatchRecursive);
        return found.isEmpty() ? nullptr : found.first();
    }
    // Picks the level in TSFRF and presses OK.
    static ScriptedPrompts::ModalHandler pick(const QString& level)
    {
        return [level](QDialog& dialog) {
            auto& chooser = static_cast<TSFRF&>(dialog);
            EXPECT_EQ(chooser.Label1->text(),
                      QStringLiteral("Укажите отчет, данные которого должны быть показаны  в несуммируемых позициях форм"));
            for (QAbstractButton* button : chooser.RadioGroup1->buttons())
                if (button->text() == level)
                    QTest::keyClick(button, Qt::Key_Space);
            QTest::mouseClick(chooser.BitBtn1, Qt::LeftButton);
            return dialog.result();
        };
    }

    QTemporaryDir dir;
    std::unique_ptr<YearFixture> year;
    int table = 0, levelA = 0, levelB = 0;
    QList<int> units;
};

TEST_F(Merge, TheChecksComeInOrderAndTheDestinationFollowsTheSources)
{
    ScriptedPrompts prompts;
    TFMerge window;
    window.show();
    EXPECT_EQ(texts(window.CheckListBox1), (QStringList{"1 квартал", "2 квартал"}));
    EXPECT_EQ(texts(window.ListBox1), (QStringList{"Годовой", "1 квартал", "2 квартал"}));
    EXPECT_FALSE(window.TreeView1->isVisible());

    prompts.expectMessage(QStringLiteral("Не выбраны источники суммирования!"));
    QTest::mouseClick(window.BitBtn1, Qt::LeftButton);

    window.CheckListBox1->item(1)->setCheckState(Qt::Checked);
    EXPECT_EQ(texts(window.ListBox1), (QStringList{"Годовой", "1 квартал"}));
    prompts.expectMessage(QStringLiteral("Не выбран приемник суммирования!"));
    QTest::mouseClick(window.BitBtn1, Qt::LeftButton);

    window.ListBox1->setCurrentRow(0);
    QTest::keyClick(window.CheckBox1, Qt::Key_Space);
    EXPECT_TRUE(window.TreeView1->isVisible());
    prompts.expectMessage(QStringLiteral("Не указаны учреждения для суммирования!"));
    QTest::mouseClick(window.BitBtn1, Qt::LeftButton);

    QTest::keyClick(window.CheckBox1, Qt::Key_Space);
    prompts.expectModal(QStringLiteral("TSFRF"), [](QDialog& dialog) {
        QTest::mouseClick(static_cast<TSFRF&>(dialog).BitBtn2, Qt::LeftButton);
        return dialog.result();
    });
    prompts.expectMessage(QStringLiteral("Не задан отчет  несуммируемых значений!"));
    QTest::mouseClick(window.BitBtn1, Qt::LeftButton);
    EXPECT_TRUE(year->storedCells(units[0], table).isEmpty());   // nothing summed

    // Every institution, both levels: 2 + 1.5.
    window.CheckListBox1->item(0)->setCheckState(Qt::Checked);
    window.ListBox1->setCurrentRow(0);
    prompts.expectModal(QStringLiteral("TSFRF"), pick(QStringLiteral("1 квартал")));
    prompts.expectMessage(QStringLiteral("Суммирование завершено!"));
    QTest::mouseClick(window.BitBtn1, Qt::LeftButton);
    for (int unit : units)
        EXPECT_EQ(year->storedCells(unit, table), (QList<StoredCell>{{3, 3, 3.5}}));
    EXPECT_FALSE(window.isVisible());
}

TEST_F(Merge, SelectiveSummationSumsOnlyTheMarkedInstitutionsUnderBothRoots)
{
    ScriptedPrompts prompts;
    TFMerge window;
    window.show();
    ASSERT_EQ(window.TreeView1->topLevelItemCount(), 2);
    window.CheckListBox1->item(0)->setCheckState(Qt::Checked);
    window.ListBox1->setCurrentRow(0);
    QTest::keyClick(window.CheckBox1, Qt::Key_Space);

    // Space marks a node; the whole northern district, then one of it unmarked again; one
    // institution of the south.
    window.TreeView1->setCurrentItem(find(window.TreeView1, QStringLiteral("Северный район")));
    QTest::keyClick(window.TreeView1, Qt::Key_Space);
    window.TreeView1->setCurrentItem(find(window.TreeView1, QStringLiteral("ФАП Север")));
    QTest::keyClick(window.TreeView1, Qt::Key_Space);
    window.TreeView1->setCurrentItem(find(window.TreeView1, QStringLiteral("ФАП Юг")));
    QTest::keyClick(window.TreeView1, Qt::Key_Space);
    EXPECT_TRUE(IsNodeMarked(find(window.TreeView1, QStringLiteral("Северный район"))));
    EXPECT_TRUE(IsNodeMarked(find(window.TreeView1, QStringLiteral("Южный район"))));
    EXPECT_EQ(window.selectedUnits(), (QList<int>{units[0], units[3]}));

    prompts.expectModal(QStringLiteral("TSFRF"), pick(QStringLiteral("1 квартал")));
    prompts.expectMessage(QStringLiteral("Суммирование завершено!"));
    QTest::mouseClick(window.BitBtn1, Qt::LeftButton);
    EXPECT_EQ(year->storedCells(units[0], table), (QList<StoredCell>{{3, 3, 2}}));
    EXPECT_TRUE(year->storedCells(units[1], table).isEmpty());
    EXPECT_TRUE(year->storedCells(units[2], table).isEmpty());
    EXPECT_EQ(year->storedCells(units[3], table), (QList<StoredCell>{{3, 3, 2}}));
}

TEST_F(Merge, ADestinationHoldingValuesOfTheYearIsReplacedOnlyAfterAYes)
{
    ScriptedPrompts prompts;
    year->setCell(units[0], table, 4, 4, 7);
    year->data().exec(QStringLiteral(R"(update "data" set "year"=2024)"));   // another year: not replaced
    year->setCell(units[1], table, 4, 4, 9);
    const auto run = [&](TFMerge& window, bool selective) {
        window.show();
        window.CheckListBox1->item(0)->setCheckState(Qt::Checked);
        window.ListBox1->setCurrentRow(0);
        if (selective) {
            QTest::keyClick(window.CheckBox1, Qt::Key_Space);
            window.TreeView1->setCurrentItem(find(window.TreeView1, QStringLiteral("ЦРБ Север")));
            QTest::keyClick(window.TreeView1, Qt::Key_Space);
        }
        prompts.expectModal(QStringLiteral("TSFRF"), pick(QStringLiteral("1 квартал")));
    };
    const QString question = QStringLiteral("Заменить данные уровня \"Годовой\" за 2025 суммами подотчетов?");
    {
        // Only the first institution is summed, and it holds nothing of 2025 in the destination.
        TFMerge window;
        run(window, true);
        prompts.expectMessage(QStringLiteral("Суммирование завершено!"));
        QTest::mouseClick(window.BitBtn1, Qt::LeftButton);
        EXPECT_EQ(prompts.remaining(), 0);
    }
    const auto annual = [&] { return year->data().scalar(QStringLiteral(R"(select group_concat("hospital"||':'||"year"||':'||"data", ' ')
        from (select * from "data" order by "hospital","year","column"))")).toString(); };
    const QString before = annual();
    EXPECT_EQ(before, QStringLiteral("%1:2024:7.0 %1:2025:2.0 %2:2025:9.0").arg(units[0]).arg(units[1]));
    TFMerge window;
    run(window, false);
    prompts.expectQuestion(false, question);
    QTest::mouseClick(window.BitBtn1, Qt::LeftButton);
    EXPECT_EQ(prompts.log().last(), QStringLiteral("question: ") + question);
    EXPECT_EQ(annual(), before);
    EXPECT_TRUE(window.isVisible());

    prompts.expectModal(QStringLiteral("TSFRF"), pick(QStringLiteral("1 квартал")));
    prompts.expectQuestion(true, question).expectMessage(QStringLiteral("Суммирование завершено!"));
    QTest::mouseClick(window.BitBtn1, Qt::LeftButton);
    for (int unit : units)
        EXPECT_EQ(year->storedCells(unit, table), (QList<StoredCell>{{3, 3, 2}}));
    EXPECT_EQ(year->data().scalar(QStringLiteral(R"(select count(*) from "data" where "year"=2024)")).toInt(), 1);
}

} // namespace
