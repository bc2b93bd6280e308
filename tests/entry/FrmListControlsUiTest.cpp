// The forms tree's "Контроль" menu and its error view.
#include "entry/FrmList.h"

#include "Captions.h"
#include "PrintTo.h"
#include "SampleYear.h"
#include "ScriptedPrompts.h"
#include "core/Common.h"
#include "core/Controls.h"
#include "core/StructureCache.h"
#include "core/Unit1.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "sample/SampleConfiguration.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

const QString kControl29Unit9 = QStringLiteral(
    "222.00<=192.00\t\tПоступивших на инфекционные койки (Ф30) не больше зарегистрированных "
    "инфекционных болезней (Ф12)");

// The list as the result-list window shows it: each row's columns joined by " | ".
QStringList shownRows(const QTreeWidget* list)
{
    QStringList rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        QStringList cells;
        for (int c = 0; c < list->columnCount(); ++c)
            cells << list->topLevelItem(i)->text(c);
        rows << cells.join(QStringLiteral(" | "));
    }
    return rows;
}

QStringList headerLabels(const QTreeWidget* list)
{
    QStringList labels;
    for (int c = 0; c < list->columnCount(); ++c)
        labels << list->headerItem()->text(c);
    return labels;
}

class TreeControls : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sample.install()) << sample.error().toStdString();
    }
    // The forms tree of an institution on the input road, shown.
    void open(TFormList& window, int institution, const QString& title)
    {
        WorkMode = QStringLiteral("Input");
        DataTablePrefix = QStringLiteral("Data");
        CurrentInstitutionId = institution;
        const int type = dbmain()
                             .scalar(QStringLiteral(R"(select "medicaltype" from "administration" where "id"=?)"),
                                     {institution})
                             .toInt();
        window.setWindowTitle(title);
        ASSERT_TRUE(window.Start(type));
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    SampleYear sample;
};

TEST_F(TreeControls, TheMenuOffersTheRunsAndHidesTheErrorsUntilARunFindsSome)
{
    ScriptedPrompts prompts;
    TFormList window;
    open(window, Sample::Unit::Berezovka, QStringLiteral("Березовская участковая больница"));

    QStringList topLevel;
    for (QAction* a : window.MainMenu1->actions())
        topLevel << caption(a);
    EXPECT_EQ(topLevel, (QStringList{QStringLiteral("Таблица"), QStringLiteral("Контроль"),
                                     QStringLiteral("Печать формы"), QStringLiteral("Вывод в Excel"),
                                     QStringLiteral("Ошибки"),
                                     QStringLiteral("Подгрузить форму"), QStringLiteral("Пересчитать отчет"),
                                     QStringLiteral("Пересчитать форму"), QStringLiteral("Очистить"),
                                     QStringLiteral("Выход")}));
    QStringList runs;
    for (QAction* a : window.ControlMenu->actions())
        runs << a->objectName() + QLatin1Char('=') + caption(a);
    EXPECT_EQ(runs, (QStringList{QStringLiteral("N3=Межтабличный"), QStringLiteral("N4=Межформенный"),
                                 QStringLiteral("N5=Сплошной")}));
    EXPECT_EQ(window.findChild<QAction*>(QStringLiteral("N7")), window.N7);
    EXPECT_FALSE(window.N7->isVisible());
}

// "Межтабличный" and "Межформенный" name each table they read in the title line, at once, with
// the bar across the top busy; before and after a run the line is empty and the bar hidden.
TEST_F(TreeControls, TheTitleLineNamesEachTableARunReads)
{
    ScriptedPrompts prompts;
    TFormList window;
    open(window, Sample::Unit::Berezovka, QStringLiteral("Березовская участковая больница"));
    EXPECT_FALSE(window.Gauge1->isVisible());
    window.TreeView1->setCurrentItem(window.TreeView1->topLevelItem(0));
    ASSERT_EQ(TreeFormName, QStringLiteral("Ф12"));

    QStringList shown;
    bool barShown = true;
    const auto tree = ControlTableLoading;
    ASSERT_TRUE(tree);
    ControlTableLoading = [&](const QString& f, const QString& t) {
        tree(f, t);
        shown << window.Label1->text();
        barShown = barShown && window.Gauge1->isVisible();
    };
    struct Run {
        QAction* item;
        QStringList tables;
    };
    const Run runs[] = {
        // Ф12's controls between its tables compare (3000) with (4000).
        {window.N3, {QStringLiteral("Ф12 - (3000)"), QStringLiteral("Ф12 - (4000)")}},
        {window.N4, {QStringLiteral("Ф12 - (1000)"), QStringLiteral("Ф12 - (2000)"), QStringLiteral("Ф12 - (3000)"),
                     QStringLiteral("Ф30 - (2100)"), QStringLiteral("Ф30 - (3100)")}},
    };
    for (const Run& run : runs) {
        SCOPED_TRACE(run.item->text().toStdString());
        shown.clear();
        prompts.expectMessage();
        run.item->trigger();
        EXPECT_EQ(prompts.remaining(), 0);
        EXPECT_EQ(shown, run.tables);
        EXPECT_TRUE(barShown);
        EXPECT_EQ(window.Label1->text(), QString());
        EXPECT_FALSE(window.Gauge1->isVisible());
    }
    ControlTableLoading = tree;
}

TEST_F(TreeControls, TheFullRunShowsItsErrorsAndTheViewListsThemUnchanged)
{
    ScriptedPrompts prompts;
    TFormList window;
    open(window, Sample::Unit::Berezovka, QStringLiteral("Березовская участковая больница"));
    window.TreeView1->setCurrentItem(window.TreeView1->topLevelItem(1));

    // The title line names the group being checked whenever a table is read.
    QStringList progress;
    ControlTableLoading = [&](const QString&, const QString&) { progress << window.Label1->text(); };
    prompts.expectMessage(QStringLiteral("Обнаружены ошибки контроля"));
    window.N5->trigger();
    ControlTableLoading = nullptr;
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_EQ(progress, (QStringList{QStringLiteral("Ф12 - (1000)"), QStringLiteral("Ф12 - (2000)"),
                                     QStringLiteral("Ф12 - (3000)"), QStringLiteral("Ф12 - (4000)"),
                                     QStringLiteral("Ф30 - (1100)"), QStringLiteral("Ф30 - (2100)"),
                                     QStringLiteral("Ф30 - (3100)")}));
    EXPECT_TRUE(window.N7->isVisible());
    EXPECT_EQ(window.Label1->text(), QString());
    EXPECT_EQ(ControlErrorLines(), (QStringList{QStringLiteral("Межформенный контроль"), kControl29Unit9}));

    bool shown = false;
    for (int view = 0; view < 2; ++view) {   // viewing twice shows the same list
        prompts.expectModal(QStringLiteral("TForm1"), [&](QDialog& dialog) {
            auto& form = static_cast<TForm1&>(dialog);
            shown = true;
            EXPECT_EQ(form.windowTitle(), QStringLiteral("Березовская участковая больница - ошибки контроля"));
            EXPECT_EQ(headerLabels(form.ListView1),
                      (QStringList{QStringLiteral("Цифры"), QStringLiteral("Тек."), QStringLiteral("Контроль")}));
            EXPECT_EQ(shownRows(form.ListView1),
                      (QStringList{QStringLiteral(" | Межформенный контроль | "),
                                   QStringLiteral("222.00<=192.00 |  | Поступивших на инфекционные койки (Ф30) "
                                                  "не больше зарегистрированных инфекционных болезней (Ф12)")}));
            EXPECT_EQ(form.ListView1->topLevelItem(1)->data(0, Qt::UserRole).toInt(), 29);
            return int(QDialog::Rejected);
        });
        window.N7->trigger();
        EXPECT_TRUE(shown);
        EXPECT_EQ(prompts.remaining(), 0);
    }
    EXPECT_EQ(ControlErrorLines(), (QStringList{QStringLiteral("Межформенный контроль"), kControl29Unit9}));
}

// "Ошибки" is hidden at the start of every run, so a clean run after a failed one hides it.
TEST_F(TreeControls, EachRunDecidesTheErrorsItemAnew)
{
    ScriptedPrompts prompts;
    TFormList window;
    open(window, Sample::Unit::Berezovka, QStringLiteral("Березовская участковая больница"));
    // A table node: the run takes its form and names the form, not the table, in its heading.
    window.TreeView1->setCurrentItem(window.TreeView1->topLevelItem(0)->child(2));

    prompts.expectMessage(QStringLiteral("Обнаружены ошибки"));
    window.N4->trigger();
    EXPECT_TRUE(window.N7->isVisible());

    prompts.expectMessage(QStringLiteral("Ошибок контроля нет"));
    window.N3->trigger();
    EXPECT_FALSE(window.N7->isVisible());
    EXPECT_TRUE(ControlErrors.isEmpty());
    EXPECT_EQ(prompts.remaining(), 0);

    dbmain().exec(QStringLiteral(R"(insert into "int_control" ("formid","tble","lft","reltion","rght")
        values (?,NULL,'Т(1000)СТР1ГР4','<','0'))"),
                  {Sample::Form::F12});
    prompts.expectMessage(QStringLiteral("Обнаружены ошибки"));
    window.N3->trigger();
    EXPECT_TRUE(window.N7->isVisible());
    ASSERT_FALSE(ControlErrors.isEmpty());
    EXPECT_EQ(ControlErrors.first().text, QStringLiteral("Ф12 - межтабличный контроль"));
    EXPECT_EQ(prompts.log(), (QStringList{QStringLiteral("message: Обнаружены ошибки"),
                                          QStringLiteral("message: Ошибок контроля нет"),
                                          QStringLiteral("message: Обнаружены ошибки")}));
}

// A run that cannot read the controls says so in the window, once for each run, and the window
// carries on.
TEST_F(TreeControls, ARunThatCannotReadTheControlsSaysSoInTheWindow)
{
    ScriptedPrompts prompts;
    TFormList window;
    open(window, Sample::Unit::Berezovka, QStringLiteral("Березовская участковая больница"));
    window.TreeView1->setCurrentItem(window.TreeView1->topLevelItem(0));
    dbmain().exec(QStringLiteral(R"(alter table "int_control" rename to "int_control_gone")"));
    const QString failed = QStringLiteral("Контроль не выполнен.\nФайл ") + QDir::toNativeSeparators(dbmain().path())
                           + QStringLiteral(" не того вида, какой нужен программе, или поврежден: в нем нет таблицы \"int_control\".");
    for (QAction* run : {window.N3, window.N4, window.N5}) {
        SCOPED_TRACE(run->text().toStdString());
        prompts.expectError(failed);
        run->trigger();
        EXPECT_EQ(prompts.remaining(), 0);
        EXPECT_FALSE(window.N7->isVisible());
    }
    EXPECT_TRUE(window.isVisible());
}

// The form's runs need the form: without a selection nothing runs (an unexpected message fails).
TEST_F(TreeControls, WithoutASelectionOnlyTheRunBetweenFormsRuns)
{
    ScriptedPrompts prompts;
    TFormList window;
    open(window, Sample::Unit::Berezovka, QStringLiteral("Березовская участковая больница"));
    window.TreeView1->setCurrentItem(nullptr);
    ControlErrors.append({QStringLiteral("прежний"), 1});
    window.N3->trigger();
    window.N5->trigger();
    EXPECT_EQ(ControlErrorLines(), QStringList{QStringLiteral("прежний")});

    prompts.expectMessage(QStringLiteral("Обнаружены ошибки"));
    window.N4->trigger();
    EXPECT_EQ(ControlErrorLines(), (QStringList{QStringLiteral("Межформенный контроль"), kControl29Unit9}));
    EXPECT_EQ(prompts.remaining(), 0);
}

TEST_F(TreeControls, OnTheNetworkRoadTheSelectedFormChoosesTheControlsBetweenForms)
{
    dbmain().exec(QStringLiteral(R"(insert into "int_control" ("formid","tble","lft","reltion","rght","commnt")
        values (0,'','ф47т(0100)стр1гр3','>','0','сеть не заполнена'))"));
    GetForms(dbmain());
    ScriptedPrompts prompts;
    WorkMode = QStringLiteral("Net");
    DataTablePrefix = QStringLiteral("RepData");
    NetMode = true;
    CurrentInstitutionId = Sample::Report::Network;
    TFormList window;
    window.setWindowTitle(QStringLiteral("Ф47"));
    ASSERT_TRUE(window.Start(-1));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    window.TreeView1->setCurrentItem(nullptr);
    window.N4->trigger();   // no form chosen: nothing to run
    EXPECT_TRUE(ControlErrors.isEmpty());

    window.TreeView1->setCurrentItem(window.TreeView1->topLevelItem(0));
    prompts.expectMessage(QStringLiteral("Обнаружены ошибки"));
    window.N4->trigger();
    EXPECT_EQ(ControlErrorLines(), (QStringList{QStringLiteral("Межформенный контроль"),
                                                QStringLiteral("0.00>0\t\tсеть не заполнена")}));
    EXPECT_EQ(prompts.remaining(), 0);
}

}  // namespace
