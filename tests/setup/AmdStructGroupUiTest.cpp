// The structure window's group export and import of yearly data and its choice of forms.

#include "setup/AmdStruct.h"

#include "PrintTo.h"
#include "SampleYear.h"
#include "ScriptedPrompts.h"
#include "core/Common.h"
#include "core/Configurations.h"
#include "core/ResultList.h"
#include "core/StructureCache.h"
#include "core/TreeMarks.h"
#include "core/Unit1.h"
#include "entry/Unit2.h"
#include "platform/Database.h"
#include "platform/TextFiles.h"
#include "sample/SampleConfiguration.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QDirIterator>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

using namespace Sample::Unit;

QTreeWidgetItem* findNode(QTreeWidget* tree, int id)
{
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if (nodeId(*it) == id)
            return *it;
    return nullptr;
}

QStringList rowsOf(const QList<int>& units)
{
    QStringList rows;
    for (int unit : units) {
        Query q(dbdat(), QStringLiteral(R"(select "hospital","year","table","column","row","data" from "data"
            where "hospital"=? order by "year","table","column","row")"), {unit});
        while (q.next())
            rows << QStringLiteral("%1 %2 %3 %4 %5 %6").arg(q.text(0), q.text(1), q.text(2), q.text(3), q.text(4), q.text(5));
    }
    return rows;
}

class StructureGroups : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sample.install()) << sample.error().toStdString();
        CfgDir = sample.configFolder() + QStringLiteral("/");
        WorkMode = QStringLiteral("Input");
    }
    void select(TAdmForm& window, int id)
    {
        QTreeWidgetItem* node = findNode(window.TreeView1, id);
        ASSERT_TRUE(node) << id;
        window.TreeView1->scrollToItem(node);
        QTest::mouseClick(window.TreeView1->viewport(), Qt::LeftButton, {},
                          window.TreeView1->visualItemRect(node).center());
        ASSERT_EQ(window.TreeView1->currentItem(), node);
    }
    QString dataFolder() const { return sample.yearFolder() + QStringLiteral("/data"); }
    QStringList groupFiles() const
    {
        QStringList files;
        QDirIterator it(dataFolder() + QStringLiteral("/Заречный район"), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
        files.sort();
        return files;
    }

    SampleYear sample;
};

const QList<int> kZarechny = {ZarechnayaInpatient, ZarechnayaPolyclinic, Malinovka, Sosnovka};

TEST_F(StructureGroups, AGroupExportThenImportGivesTheSameDataAndADamagedFileIsNamed)
{
    ScriptedPrompts prompts;
    TAdmForm window(AdmMode::DataEntry);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    select(window, Malinovka);
    EXPECT_FALSE(window.ExportGroup->isEnabled());   // a leaf
    select(window, ZarechnyDistrict);
    ASSERT_TRUE(window.ExportGroup->isEnabled());
    EXPECT_FALSE(window.ExportOne->isEnabled());
    prompts.expectFolder(dataFolder())
        .expectMessage(QStringLiteral("Выгрузка закончена\nФайлы записаны в папку ")
                       + QDir::toNativeSeparators(dataFolder() + QStringLiteral("/Заречный район")));
    window.ExportGroup->trigger();
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_EQ(prompts.fileStarts(), QStringList{CfgDir + QStringLiteral("2025/data")});
    EXPECT_FALSE(window.GroupBox1->isVisible());
    const QStringList files = groupFiles();
    ASSERT_EQ(files.size(), 4) << files.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(files[0].endsWith(QStringLiteral("Заречный район/Заречная ЦРБ/Заречная ЦРБ, поликлиника - Годовой - 2025.ktd")));

    const QStringList before = rowsOf(kZarechny);
    dbdat().exec(QStringLiteral(R"(delete from "data" where "hospital" in (3,4,5,6))"));
    // A damaged copy for Sosnovka, and a file of a unit the structure does not know.
    QStringList lines;
    QString error;
    ASSERT_TRUE(readLines1251(files[2], &lines, &error));   // Malinovka's
    const QString damaged = dataFolder() + QStringLiteral("/Сосновский фельдшерско-акушерский пункт - Годовой - 2025.ktd");
    ASSERT_TRUE(writeLines1251(damaged, lines + QStringList{QStringLiteral(R"l("1","2025","Ф30")l")}, &error));
    const QString unknown = dataFolder() + QStringLiteral("/Неизвестная - Годовой - 2025.ktd");
    ASSERT_TRUE(writeLines1251(unknown, lines, &error));
    dbdat().exec(QStringLiteral(R"(insert into "data" values (?,1,2025,5,4,5))"), {Sosnovka});
    const QStringList sosnovka = rowsOf({Sosnovka});

    ResultList shown;
    prompts.expectOpenFiles({files[0], files[1], files[2], damaged, unknown})
        .expectQuestion(true, QStringLiteral("Заменить данные учреждений за 2025 данными выбранных файлов?\n"
                                             "Уже есть данные (1): Сосновский фельдшерско-акушерский пункт"))
        .expectMessage(QStringLiteral("Подгрузка информации закончена"))
        .expectModal(QStringLiteral("TForm1"), [&](QDialog& dialog) {
            shown = static_cast<TForm1&>(dialog).list();
            return int(QDialog::Accepted);
        });
    window.ImportGroup->trigger();
    ASSERT_EQ(shown.columns, (QStringList{QStringLiteral("Пропущенные ЛПУ"), QStringLiteral("Причина")}));
    ASSERT_EQ(shown.items.size(), 2);
    EXPECT_EQ(shown.items[0].caption, QFileInfo(damaged).fileName());
    EXPECT_TRUE(shown.items[0].subItems.value(0).contains(QStringLiteral("строка %1").arg(lines.size() + 1)));
    EXPECT_TRUE(shown.items[1].subItems.value(0).contains(QStringLiteral("не найдено")));
    QStringList expected = before;
    expected.removeIf([](const QString& r) { return r.startsWith(QStringLiteral("6 ")); });
    EXPECT_EQ(rowsOf({ZarechnayaInpatient, ZarechnayaPolyclinic, Malinovka}), expected);
    EXPECT_EQ(rowsOf({Sosnovka}), sosnovka);   // the damaged file changed nothing
}

// The group goes into the folder the user names, and the closing message says where; no folder
// chosen, nothing is written.
TEST_F(StructureGroups, AGroupExportAsksForItsFolderAndNamesIt)
{
    ScriptedPrompts prompts;
    TAdmForm window(AdmMode::DataEntry);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    select(window, ZarechnyDistrict);
    prompts.expectFolder(QString());
    window.ExportGroup->trigger();
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_TRUE(groupFiles().isEmpty());

    QTemporaryDir elsewhere;
    ASSERT_TRUE(elsewhere.isValid());
    const QString group = elsewhere.path() + QStringLiteral("/Заречный район");
    prompts.expectFolder(elsewhere.path())
        .expectMessage(QStringLiteral("Выгрузка закончена\nФайлы записаны в папку ") + QDir::toNativeSeparators(group));
    window.ExportGroup->trigger();
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_TRUE(groupFiles().isEmpty());
    QStringList files;
    QDirIterator it(group, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    EXPECT_EQ(files.size(), 4);
}

TEST_F(StructureGroups, AGroupLoadOverStoredValuesAsksOnceAndNoChangesNothing)
{
    ScriptedPrompts prompts;
    TAdmForm window(AdmMode::DataEntry);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    select(window, ZarechnyDistrict);
    prompts.expectFolder(dataFolder()).expectMessage(QStringLiteral("Выгрузка закончена"));
    window.ExportGroup->trigger();
    const QStringList files = groupFiles();
    ASSERT_EQ(files.size(), 4);
    // Every unit a little changed: the files would put the old values back.
    dbdat().exec(QStringLiteral(R"(update "data" set "data"="data"+1 where "hospital" in (3,4,5,6))"));
    const QStringList before = rowsOf(kZarechny);
    prompts.expectOpenFiles(files).expectQuestion(false, QStringLiteral(
        "Заменить данные учреждений за 2025 данными выбранных файлов?\nУже есть данные (4): "));
    window.ImportGroup->trigger();
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_EQ(prompts.log().size(), 4);   // the export's folder and message, the files, one question
    EXPECT_EQ(rowsOf(kZarechny), before);
}

TEST_F(StructureGroups, ChosenFormsShowInThePanelAndEnableTheClearingChoice)
{
    ScriptedPrompts prompts;
    TSFLF dialog;
    TAdmForm window(AdmMode::DataEntry);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.Label2->text(), QStringLiteral("Все"));
    EXPECT_FALSE(window.ComboBox1->isEnabled());
    prompts.expectModal(QStringLiteral("TSFLF"), [](QDialog& d) {
        auto& forms = static_cast<TSFLF&>(d);
        EXPECT_EQ(forms.CheckListBox1->count(), FormsList.size());
        // Ф30 is the second form; a click on its check box ticks it.
        QListWidgetItem* f30 = forms.CheckListBox1->item(1);
        f30->setCheckState(Qt::Checked);
        QTest::mouseClick(forms.BitBtn1, Qt::LeftButton);
        return forms.result();
    });
    window.ChooseForms->trigger();
    EXPECT_EQ(ChosenForms, QStringLiteral("Ф30"));
    EXPECT_EQ(window.Label2->text(), QStringLiteral("Ф30"));
    EXPECT_TRUE(window.ComboBox1->isEnabled());
    // Shown again with Ф30 ticked; "Выбрать все" gives all forms back.
    prompts.expectModal(QStringLiteral("TSFLF"), [](QDialog& d) {
        auto& forms = static_cast<TSFLF&>(d);
        EXPECT_EQ(forms.CheckListBox1->item(1)->checkState(), Qt::Checked);
        EXPECT_EQ(forms.CheckListBox1->item(0)->checkState(), Qt::Unchecked);
        QTest::mouseClick(forms.CheckBox1, Qt::LeftButton, {}, QPoint(6, forms.CheckBox1->height() / 2));
        EXPECT_TRUE(forms.CheckBox1->isChecked());
        EXPECT_EQ(forms.CheckListBox1->item(0)->checkState(), Qt::Checked);
        QTest::mouseClick(forms.BitBtn1, Qt::LeftButton);
        return forms.result();
    });
    window.ChooseForms->trigger();
    EXPECT_EQ(ChosenForms, QString());
    EXPECT_EQ(window.Label2->text(), QStringLiteral("Все"));
    EXPECT_FALSE(window.ComboBox1->isEnabled());
}

}  // namespace
