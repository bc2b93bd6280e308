#include "reports/MITree.h"
#include "reports/StatShow.h"

#include "core/Common.h"
#include "core/Configurations.h"
#include "core/StructureCache.h"
#include "platform/Database.h"
#include "platform/office/Desktop.h"
#include "PrintTo.h"
#include "RecordingDesktop.h"
#include "ScriptedPrompts.h"
#include "YearFixture.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>
#include <QTemporaryDir>

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }

class IndicatorWindows : public ::testing::Test {
protected:
    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025, YearFixture::InstallAliases};
    int a = 0, b = 0, unit = 0;

    int addSet(const char* name, int depend)
    {
        year.dictionary().exec(u(R"(insert into "tree" ("part","depend") values (?,?))"), {u(name), depend});
        return int(year.dictionary().lastInsertId());
    }

    void SetUp() override
    {
        a = addSet("Заболеваемость", 0);
        b = addSet("Дети", a);
        const int f12 = year.addForm(u("Ф12"));
        const int t = year.addTable(f12, u("(1000)"), u("Взрослые"), 4, 3, 1, 1);
        unit = year.addInstitution(u("Район"));
        year.setEntered(unit, t, 2, 1, 12);
        year.addPopulation(unit, 4000, 0, 0, 0);
        Database& db = year.dictionary();
        db.exec(u(R"(insert into "col_titles" values (?,1,'Случаи',64))"), {b});
        db.exec(u(R"(insert into "row_titles" values (?,1,'Всего',20))"), {b});
        db.exec(u(R"(insert into "formulas" values (?,1,1,'Ф12СТР1ГР2/НАСЕЛЕНИЕ0*1000;‰'))"), {b});
        GetTree(db);
        GetForms(db);
        GetTables(db);
        ReportYear = 2025;
    }

    void TearDown() override { CurrentTerm = 0; }

    QTreeWidgetItem* find(TMISetup& w, const QString& name)
    {
        const auto items = w.tree()->findItems(name, Qt::MatchExactly | Qt::MatchRecursive);
        return items.isEmpty() ? nullptr : items.first();
    }
};

TEST_F(IndicatorWindows, TreeAddsRenamesAndDeletesSets)
{
    TMISetup w(TMISetup::Use::Setup);
    w.show();
    ASSERT_EQ(w.tree()->topLevelItemCount(), 1);
    QTreeWidgetItem* top = w.tree()->topLevelItem(0);
    EXPECT_EQ(top->text(0), u("Заболеваемость"));
    ASSERT_EQ(top->childCount(), 1);
    w.tree()->setCurrentItem(top->child(0));
    EXPECT_EQ(CurrentTerm, b);
    EXPECT_EQ(w.nameField()->text(), u("Дети"));

    // A sub-set of Дети, renamed by typing.
    w.action(u("Подуровень"))->trigger();
    QTreeWidgetItem* added = w.tree()->currentItem();
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->text(0), u("Неопределенный набор показателей"));
    w.nameField()->selectAll();
    QTest::keyClicks(w.nameField(), QStringLiteral("Teens"));
    ASSERT_TRUE(w.saveButton()->isVisible());
    QTest::mouseClick(w.saveButton(), Qt::LeftButton);
    EXPECT_FALSE(w.saveButton()->isVisible());
    EXPECT_EQ(year.dictionary().scalar(u(R"(select "depend" from "tree" where "part"='Teens')")).toInt(), b);

    // Deleting Дети asks, then takes Teens and Дети's rows with it.
    w.tree()->setCurrentItem(top->child(0));
    {
        ScriptedPrompts prompts;
        prompts.expectQuestion(false, u("Вы действительно желаете удалить \"Дети\"?"));
        w.action(u("Удалить"))->trigger();
    }
    EXPECT_EQ(year.dictionary().scalar(u(R"(select count(*) from "tree")")).toInt(), 3);
    {
        ScriptedPrompts prompts;
        prompts.expectQuestion(true, u("Дети"));
        w.action(u("Удалить"))->trigger();
    }
    EXPECT_EQ(year.dictionary().scalar(u(R"(select count(*) from "tree")")).toInt(), 1);
    EXPECT_EQ(year.dictionary().scalar(u(R"(select count(*) from "formulas")")).toInt(), 0);
    EXPECT_EQ(top->childCount(), 0);
    // Closing refreshes the tree cache.
    QTest::keyClick(w.tree(), Qt::Key_Escape);
    EXPECT_EQ(TreeNames, QStringList{u("Заболеваемость")});
}

TEST_F(IndicatorWindows, ExportThenImportUnderAnotherSet)
{
    const int other = addSet("Другой", 0);
    GetTree(year.dictionary());
    TMISetup w(TMISetup::Use::Setup);
    const QString path = dir.filePath(u("set.stt"));
    {
        ScriptedPrompts prompts;
        prompts.expectSaveFile(path).expectMessage(u("Заболеваемость - выгружено"));
        w.tree()->setCurrentItem(find(w, u("Заболеваемость")));
        w.action(u("Выгрузить"))->trigger();
    }
    {
        ScriptedPrompts prompts;
        prompts.expectOpenFile(path).expectMessage(u("Данные по Другой загружены из файла"));
        w.tree()->setCurrentItem(find(w, u("Другой")));
        w.action(u("Загрузить"))->trigger();
    }
    QTreeWidgetItem* target = find(w, u("Другой"));
    ASSERT_NE(target, nullptr);
    ASSERT_EQ(target->childCount(), 1);
    EXPECT_EQ(target->child(0)->text(0), u("Дети"));
    EXPECT_EQ(year.dictionary().scalar(u(R"(select count(*) from "formulas")")).toInt(), 2);
    EXPECT_EQ(CurrentTerm, other);
}

// The year's data folder is proposed, not made: a cancelled export leaves the configuration as
// it was, a folder is made with the file, and one that cannot be made is named.
TEST_F(IndicatorWindows, AnExportMakesAFolderOnlyForTheFileItWrites)
{
    CfgDir = dir.filePath(u("cfg")) + u'/';
    TMISetup w(TMISetup::Use::Setup);
    w.tree()->setCurrentItem(find(w, u("Дети")));
    {
        ScriptedPrompts prompts;
        prompts.expectSaveFile(QString());
        w.action(u("Выгрузить"))->trigger();
    }
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(u("cfg"))));

    QFile blocker(dir.filePath(u("blocker")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    {
        ScriptedPrompts prompts;
        prompts.expectSaveFile(dir.filePath(u("blocker/sets/Дети.stt")))
            .expectError(u("Не удалось создать папку ") + dir.filePath(u("blocker/sets")));
        w.action(u("Выгрузить"))->trigger();
    }
    {
        ScriptedPrompts prompts;
        prompts.expectSaveFile(dir.filePath(u("cfg/2025/data/Дети.stt"))).expectMessage(u("Дети - выгружено"));
        w.action(u("Выгрузить"))->trigger();
    }
    EXPECT_TRUE(QFile::exists(dir.filePath(u("cfg/2025/data/Дети.stt"))));
}

TEST_F(IndicatorWindows, ANameTypedWithoutTheExtensionIsSavedWithIt)
{
    TMISetup w(TMISetup::Use::Setup);
    w.tree()->setCurrentItem(find(w, u("Дети")));
    for (const char* typed : {"Дети", "Дети v1.2", "Дети.STT"}) {
        SCOPED_TRACE(typed);
        ScriptedPrompts prompts;
        prompts.expectSaveFile(dir.filePath(u(typed))).expectMessage(u("Дети - выгружено"));
        w.action(u("Выгрузить"))->trigger();
    }
    for (const char* saved : {"Дети.stt", "Дети v1.2.stt", "Дети.STT"})
        EXPECT_TRUE(QFile::exists(dir.filePath(u(saved)))) << saved;
    EXPECT_FALSE(QFile::exists(dir.filePath(u("Дети v1.2"))));
}

TEST_F(IndicatorWindows, AnImportNeverEmptiesASetAndNoStillAttachesTheSubSets)
{
    Database& db = year.dictionary();
    auto titles = [&](int term) {
        QStringList out;
        Query q(db, u(R"(select "title" from "row_titles" where "term"=? union all )"
                      R"(select "title" from "col_titles" where "term"=? union all )"
                      R"(select "formula" from "formulas" where "term"=?)"),
                {term, term, term});
        while (q.next())
            out.append(q.text(0));
        return out;
    };
    const QStringList own = {u("Всего"), u("Случаи"), u("Ф12СТР1ГР2/НАСЕЛЕНИЕ0*1000;‰")};
    ASSERT_EQ(titles(b), own);
    TMISetup w(TMISetup::Use::Setup);
    auto run = [&](const char* set, const char* menu, ScriptedPrompts& prompts) {
        w.tree()->setCurrentItem(find(w, u(set)));
        w.action(u(menu))->trigger();
        EXPECT_EQ(prompts.remaining(), 0);
    };
    // Заболеваемость has no titles of its own: its file brings only the sub-set Дети.
    const QString plain = dir.filePath(u("plain"));
    {
        ScriptedPrompts prompts;
        prompts.expectSaveFile(plain).expectMessage(u("выгружено"));
        run("Заболеваемость", "Выгрузить", prompts);
    }
    {
        ScriptedPrompts prompts;   // nothing for Дети itself, so nothing to ask
        prompts.expectOpenFile(plain + u(".stt")).expectMessage(u("Данные по Дети загружены из файла"));
        run("Дети", "Загрузить", prompts);
    }
    EXPECT_EQ(titles(b), own);
    ASSERT_EQ(find(w, u("Заболеваемость"))->child(0)->childCount(), 1);

    // With a title of its own the file asks; Нет keeps Дети's table and still attaches the sub-set.
    db.exec(u(R"(insert into "row_titles" values (?,1,'Итого',20))"), {a});
    const QString titled = dir.filePath(u("titled.stt"));
    {
        ScriptedPrompts prompts;
        prompts.expectSaveFile(titled).expectMessage(u("выгружено"));
        run("Заболеваемость", "Выгрузить", prompts);
    }
    const QString question = u("У набора \"Дети\" уже есть заголовки. Заменить его заголовки и формулы?");
    {
        ScriptedPrompts prompts;
        prompts.expectOpenFile(titled).expectQuestion(false, question)
            .expectMessage(u("Данные по Дети загружены из файла"));
        run("Дети", "Загрузить", prompts);
    }
    EXPECT_EQ(titles(b), own);
    QTreeWidgetItem* children = find(w, u("Заболеваемость"))->child(0);
    ASSERT_EQ(children->childCount(), 2);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(titles(children->child(i)->data(0, Qt::UserRole).toInt()), own);
    {
        ScriptedPrompts prompts;
        prompts.expectOpenFile(titled).expectQuestion(true, question).expectMessage(u("загружены из файла"));
        run("Дети", "Загрузить", prompts);
    }
    EXPECT_EQ(titles(b), QStringList{u("Итого")});
    EXPECT_EQ(find(w, u("Заболеваемость"))->child(0)->childCount(), 3);
}

TEST_F(IndicatorWindows, TheTreeShowsItsLevelsDownToTheBoundAndAddsNoDeeper)
{
    // A chain of 1005 sets below Дети (level 2), as an import before the bound could leave it,
    // and a set whose parent names itself.
    {
        Transaction t(year.dictionary());
        int parent = b;
        for (int i = 0; i < 1005; ++i)
            parent = addSet("Звено", parent);
        t.commit();
    }
    const int self = addSet("Сам себе", 0);
    year.dictionary().exec(u(R"(update "tree" set "depend"=? where "ident"=?)"), {self, self});
    GetTree(year.dictionary());
    TMISetup w(TMISetup::Use::Setup);
    w.show();
    int levels = 0;
    QTreeWidgetItem* deepest = nullptr;
    for (QTreeWidgetItem* item = w.tree()->topLevelItem(0); item; item = item->childCount() ? item->child(0) : nullptr) {
        ++levels;
        deepest = item;
    }
    EXPECT_EQ(levels, 1000);
    EXPECT_EQ(w.tree()->topLevelItemCount(), 1);

    w.tree()->setCurrentItem(deepest);
    const int sets = year.dictionary().scalar(u(R"(select count(*) from "tree")")).toInt();
    {
        ScriptedPrompts prompts;
        prompts.expectError(u("Подуровень не добавлен: дерево показателей не глубже 1000 уровней"));
        w.action(u("Подуровень"))->trigger();
    }
    EXPECT_EQ(year.dictionary().scalar(u(R"(select count(*) from "tree")")).toInt(), sets);
    // On its own level a set still goes.
    w.action(u("На текущий уровень"))->trigger();
    EXPECT_EQ(year.dictionary().scalar(u(R"(select count(*) from "tree")")).toInt(), sets + 1);
}

TEST_F(IndicatorWindows, ChoosingASetShowsItsValuesAndPrints)
{
    WorkMode = u("Single");
    DataTablePrefix = u("Data");
    CurrentInstitutionId = unit;
    setTemporaryDocumentsFolder(dir.filePath(u("docs")));
    RecordingDesktop desktop;
    TMISetup w(TMISetup::Use::Indicators);
    EXPECT_FALSE(w.action(u("Удалить"))->isVisible());
    w.show();
    w.tree()->setCurrentItem(find(w, u("Дети")));
    ScriptedPrompts prompts;
    prompts.expectModal(u("TShowStat"), [](QDialog& dialog) {
        auto* view = dynamic_cast<TShowStat*>(&dialog);
        EXPECT_NE(view, nullptr);
        if (!view)
            return int(QDialog::Rejected);
        EXPECT_EQ(view->windowTitle(), u("Формирование \"дерева\" показателей"));
        // 12 / 4000 * 1000 (the population of reports is read in "Single": unit 1 is there too).
        EXPECT_EQ(view->grid()->item(1, 1)->text(), u("3.00"));
        EXPECT_EQ(view->grid()->item(0, 1)->text(), u("Случаи"));
        view->N1Click();
        view->Excel1Click();
        return int(QDialog::Rejected);
    });
    year.addPopulation(unit, 4000, 0, 0, 0, true);
    QTest::keyClick(w.tree(), Qt::Key_Return);
    EXPECT_EQ(prompts.remaining(), 0);
    ASSERT_EQ(desktop.opened().size(), 2);
    EXPECT_TRUE(desktop.opened()[0].endsWith(u(".docx")));
    EXPECT_TRUE(desktop.opened()[1].endsWith(u(".xlsx")));
    setTemporaryDocumentsFolder(QString());
}

} // namespace
