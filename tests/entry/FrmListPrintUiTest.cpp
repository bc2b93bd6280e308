#include "entry/FrmList.h"

#include "Captions.h"
#include "RecordingDesktop.h"
#include "SampleYear.h"
#include "ScriptedPrompts.h"
#include "core/Common.h"
#include "core/Configurations.h"
#include "core/ReportLevels.h"
#include "core/StructureCache.h"
#include "entry/FormPrint.h"
#include "entry/Unit2.h"
#include "entry/Unit3.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/TextFiles.h"
#include "platform/office/Desktop.h"
#include "platform/office/WordDocument.h"
#include "sample/SampleConfiguration.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

QStringList captions(const QList<QAction*>& actions)
{
    QStringList texts;
    for (const QAction* a : actions)
        texts << (a->isSeparator() ? QStringLiteral("--") : caption(a));
    return texts;
}

// The sample's 2025 with the forms tree of Озерная ЦРБ (Ф12 and Ф30) in the mode "Input".
class PrintTree : public ::testing::Test {
protected:
    SampleYear sample;
    QTemporaryDir temporary;
    RecordingDesktop recorder;
    std::unique_ptr<TFormList> window;
    QString owner;
    void SetUp() override
    {
        ASSERT_TRUE(sample.install()) << sample.error().toStdString();
        CfgDir = sample.configFolder() + QLatin1Char('/');
        setTemporaryDocumentsFolder(temporary.path());
        CurrentLevel = {0, AnnualLevelName};
        WorkMode = QStringLiteral("Input");
        DataTablePrefix = QStringLiteral("Data");
        CurrentInstitutionId = Sample::Unit::OzernayaCrb;
        owner = dbmain().scalar(QStringLiteral(R"(select "unit" from "administration" where "id"=?)"),
                                {CurrentInstitutionId}).toString();
        const int type = dbmain().scalar(QStringLiteral(R"(select "medicaltype" from "administration" where "id"=?)"),
                                         {CurrentInstitutionId}).toInt();
        window = std::make_unique<TFormList>();
        window->setWindowTitle(owner);
        window->Start(type);
    }
    void TearDown() override
    {
        window.reset();
    }
    void selectF30()
    {
        for (int i = 0; i < window->TreeView1->topLevelItemCount(); ++i)
            if (window->TreeView1->topLevelItem(i)->text(0).startsWith(QStringLiteral("Ф30")))
                window->TreeView1->setCurrentItem(window->TreeView1->topLevelItem(i)->child(1));
        ASSERT_EQ(TreeFormName, QStringLiteral("Ф30"));
    }
    QString reportFolder() const { return sample.yearFolder() + QStringLiteral("/Report"); }
    QStringList reportFiles() const { return Files::listFiles(reportFolder()); }
    static ScriptedPrompts::ModalHandler press(const char* button)
    {
        return [button](QDialog& dialog) {
            QTest::mouseClick(dialog.findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
            return dialog.result();
        };
    }
};

TEST_F(PrintTree, TheMenuStandsBetweenControlsAndErrors)
{
    EXPECT_EQ(captions(window->MainMenu1->actions()),
              (QStringList{QStringLiteral("Таблица"), QStringLiteral("Контроль"), QStringLiteral("Печать формы"), QStringLiteral("Вывод в Excel"),
                           QStringLiteral("Ошибки"), QStringLiteral("Подгрузить форму"),
                           QStringLiteral("Пересчитать отчет"), QStringLiteral("Пересчитать форму"),
                           QStringLiteral("Очистить"), QStringLiteral("Выход")}));
    EXPECT_EQ(captions(window->PrintMenu->actions()),
              (QStringList{QStringLiteral("Черновая"), QStringLiteral("Для отчета"), QStringLiteral("--"),
                           QStringLiteral("Протокол")}));
}

TEST_F(PrintTree, TheItemsNeedAnOwnerANodeAndNoSums)
{
    for (QAction* a : {window->N2, window->N22, window->N24})
        EXPECT_FALSE(a->isEnabled());   // no node yet
    selectF30();
    for (QAction* a : {window->N2, window->N22, window->N24})
        EXPECT_TRUE(a->isEnabled());

    ScriptedPrompts prompts;
    struct Case { const char* mode; int owner; };
    for (const Case c : {Case{"Types", Sample::Unit::OzernayaCrb}, Case{"Input", 0}}) {
        SCOPED_TRACE(c.mode);
        WorkMode = QString::fromLatin1(c.mode);
        CurrentInstitutionId = c.owner;
        TFormList other;
        other.setWindowTitle(owner);
        other.Start(-1);
        other.Start(dbmain().scalar(QStringLiteral(R"(select "medicaltype" from "administration" where "id"=?)"),
                                    {Sample::Unit::OzernayaCrb}).toInt());
        other.TreeView1->setCurrentItem(other.TreeView1->topLevelItem(0));
        for (QAction* a : {other.N2, other.N22, other.N24}) {
            EXPECT_FALSE(a->isEnabled());
            a->trigger();
        }
    }
    EXPECT_TRUE(recorder.opened().isEmpty());
    EXPECT_FALSE(Files::exists(reportFolder()));
}

TEST_F(PrintTree, TheWorkingPrintOpensAFilledDocument)
{
    selectF30();
    ScriptedPrompts prompts;
    prompts.expectMessage(QStringLiteral("Печать формы завершена."));
    window->N2->trigger();
    ASSERT_EQ(recorder.opened().size(), 1);
    EXPECT_TRUE(recorder.opened()[0].startsWith(temporary.path()));
    WordDocument doc;
    ASSERT_TRUE(doc.open(recorder.opened()[0]));
    EXPECT_EQ(doc.tableCount(), 4);
    EXPECT_FALSE(doc.isProtected());
    EXPECT_EQ(prompts.log().last(), QStringLiteral("message: Печать формы завершена."));
    EXPECT_FALSE(Files::exists(reportFolder()));
}

TEST_F(PrintTree, TheFinalPrintAsksOnceAndThenOpensTheStoredCopy)
{
    selectF30();
    ScriptedPrompts prompts;
    prompts.expectModal(QStringLiteral("TForm3"), press("BitBtn2"));   // "Нет"
    window->N22->trigger();
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_TRUE(reportFiles().isEmpty());
    EXPECT_TRUE(recorder.opened().isEmpty());

    prompts.expectModal(QStringLiteral("TForm3"), press("BitBtn1"))   // "Да"
        .expectMessage(QStringLiteral("Печать формы завершена."));
    window->N22->trigger();
    EXPECT_EQ(prompts.remaining(), 0);
    const QString path = reportFolder() + QStringLiteral("/Ф30 ") + owner + QStringLiteral(" 2025.docx");
    EXPECT_EQ(reportFiles(), QStringList{QStringLiteral("Ф30 ") + owner + QStringLiteral(" 2025.docx")});
    EXPECT_EQ(recorder.opened(), QStringList{path});

    // Again: no warning, no message while the data are unchanged; the stored copy opens.
    window->N22->trigger();
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_EQ(recorder.opened(), (QStringList{path, path}));

    // After a change the stored copy still opens, with the message naming the table.
    dbdat().exec(QStringLiteral(R"(update "data" set "data"="data"+1 where "hospital"=? and "table"=7
                                   and ("column", "row")=(select "column", "row" from "data" where "hospital"=?
                                   and "table"=7 order by "column", "row" limit 1))"),
                 {CurrentInstitutionId, CurrentInstitutionId});
    prompts.expectMessage(QStringLiteral("Внимание! После печати формы в нее были внесены изменения!\nИзменены таблицы: (3100)"));
    window->N22->trigger();
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_EQ(recorder.opened().size(), 3);
}

// The print stays found whatever namesakes come or go: no second warning, no second file, and
// the message on changed data still comes.
TEST_F(PrintTree, APrintIsFoundWhateverNamesakesComeOrGoLater)
{
    selectF30();
    auto addNamesake = [&] {
        dbmain().exec(QStringLiteral(R"(insert into "administration" ("unit","dependence","medicaltype") values (?,0,1))"),
                      {owner});
        return int(dbmain().lastInsertId());
    };
    const QString id = QString::number(CurrentInstitutionId);
    struct Case {
        const char* what;
        bool namesakeAtPrint;
        QString file;
    };
    const Case cases[] = {
        {"a namesake added after the print", false, QStringLiteral("Ф30 ") + owner + QStringLiteral(" 2025.docx")},
        {"the namesake removed after the print", true, QStringLiteral("Ф30 ") + owner + QLatin1Char(' ') + id + QStringLiteral(" 2025.docx")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QString error;
        ASSERT_TRUE(Files::removeFolder(reportFolder(), &error));
        int namesake = c.namesakeAtPrint ? addNamesake() : 0;
        ScriptedPrompts prompts;
        prompts.expectModal(QStringLiteral("TForm3"), press("BitBtn1"))
            .expectMessage(QStringLiteral("Печать формы завершена."));
        window->N22->trigger();
        EXPECT_EQ(prompts.remaining(), 0);
        ASSERT_EQ(reportFiles(), QStringList{c.file});

        if (c.namesakeAtPrint) {
            dbmain().exec(QStringLiteral(R"(delete from "administration" where "id"=?)"), {namesake});
            namesake = 0;
        } else {
            namesake = addNamesake();
        }
        window->N22->trigger();   // any warning or message would fail the script
        EXPECT_EQ(prompts.remaining(), 0);
        EXPECT_EQ(reportFiles(), QStringList{c.file});
        EXPECT_EQ(recorder.opened().last(), reportFolder() + QLatin1Char('/') + c.file);

        dbdat().exec(QStringLiteral(R"(update "data" set "data"="data"+1 where "hospital"=? and "table"=7
                                       and ("column", "row")=(select "column", "row" from "data" where "hospital"=?
                                       and "table"=7 order by "column", "row" limit 1))"),
                     {CurrentInstitutionId, CurrentInstitutionId});
        prompts.expectMessage(
            QStringLiteral("Внимание! После печати формы в нее были внесены изменения!\nИзменены таблицы: (3100)"));
        window->N22->trigger();
        EXPECT_EQ(prompts.remaining(), 0);
        EXPECT_EQ(reportFiles(), QStringList{c.file});
        if (namesake)
            dbmain().exec(QStringLiteral(R"(delete from "administration" where "id"=?)"), {namesake});
    }
}

TEST_F(PrintTree, ABadPlacementLineIsToldBeforeTheWarning)
{
    selectF30();
    QString error;
    ASSERT_TRUE(writeLines1251(sample.yearFolder() + QStringLiteral("/forms/Ф30.txt"),
                               {QStringLiteral("1,3,2,'(1100)',3,1,5,6"), QStringLiteral("1,3,2,'(1100)',3,1")},
                               &error));
    ScriptedPrompts prompts;
    prompts.expectError(QStringLiteral("Строка 2"));
    window->N22->trigger();
    EXPECT_EQ(prompts.remaining(), 0);
    EXPECT_FALSE(Files::exists(reportFolder()));
    EXPECT_TRUE(recorder.opened().isEmpty());
}

TEST_F(PrintTree, TheProtocolAloneStoresNothing)
{
    selectF30();
    ScriptedPrompts prompts;
    window->N24->trigger();
    ASSERT_EQ(recorder.opened().size(), 1);
    WordDocument doc;
    ASSERT_TRUE(doc.open(recorder.opened()[0]));
    EXPECT_FALSE(doc.isProtected());
    EXPECT_FALSE(doc.paragraphTexts().join(QLatin1Char('\n')).contains(QStringLiteral("неотъемлемой")));
    EXPECT_FALSE(Files::exists(reportFolder()));
}

TEST(GroupLoadChecklist, SelectAllFollowsTheUsersClickOnly)
{
    TSFLF dialog;
    EXPECT_EQ(SFLF, &dialog);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Выбор форм для групповой загрузки"));
    for (const char* name : {"Ф12", "Ф30", "Ф47"}) {
        auto* item = new QListWidgetItem(QString::fromUtf8(name), dialog.CheckListBox1);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    dialog.show();
    auto states = [&] {
        QList<Qt::CheckState> s;
        for (int i = 0; i < dialog.CheckListBox1->count(); ++i)
            s << dialog.CheckListBox1->item(i)->checkState();
        return s;
    };
    const QPoint boxIndicator(6, dialog.CheckBox1->height() / 2);
    // Items checked one by one leave "Выбрать все" as it is.
    dialog.CheckListBox1->item(0)->setCheckState(Qt::Checked);
    dialog.CheckListBox1->item(2)->setCheckState(Qt::Checked);
    EXPECT_FALSE(dialog.CheckBox1->isChecked());

    QTest::mouseClick(dialog.CheckBox1, Qt::LeftButton, {}, boxIndicator);
    EXPECT_EQ(states(), (QList<Qt::CheckState>{Qt::Checked, Qt::Checked, Qt::Checked}));
    QTest::mouseClick(dialog.CheckBox1, Qt::LeftButton, {}, boxIndicator);
    EXPECT_EQ(states(), (QList<Qt::CheckState>{Qt::Unchecked, Qt::Unchecked, Qt::Unchecked}));
    // Set from code, the box touches no item.
    dialog.CheckListBox1->item(1)->setCheckState(Qt::Checked);
    dialog.CheckBox1->setChecked(true);
    EXPECT_EQ(states(), (QList<Qt::CheckState>{Qt::Unchecked, Qt::Checked, Qt::Unchecked}));
}

TEST(FinalPrintWarning, ShowsItsTextsAsWritten)
{
    TForm3 dialog;
    EXPECT_EQ(Form3, &dialog);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Внимание!"));
    EXPECT_EQ(dialog.Label1->text(), QStringLiteral("Внимание!"));
    EXPECT_EQ(dialog.Label2->text(), QStringLiteral("Вы собрались вывести  форму № для отчета!"));
    EXPECT_EQ(dialog.Label3->text(),
              QStringLiteral("Не забывайте, что  другой попытки  распечатать эту форму  у Вас НЕ будет..."));
    EXPECT_EQ(dialog.Label4->text(), QStringLiteral("Если Вы измените данные в форме после ее печати в этом режиме, "
                                                    "Вам придется объяснять эти изменения при сдаче формы"));
    EXPECT_EQ(dialog.Label5->text(), QStringLiteral("Печатать форму?"));
    EXPECT_EQ(dialog.BitBtn1->text(), QStringLiteral("Да"));
    EXPECT_EQ(dialog.BitBtn2->text(), QStringLiteral("Нет"));
}

}  // namespace
