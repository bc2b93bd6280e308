// The forms tree's "Подгрузить форму" and "Очистить".

#include "entry/FrmList.h"

#include "PrintTo.h"
#include "SampleYear.h"
#include "ScriptedPrompts.h"
#include "core/Common.h"
#include "core/DataFiles.h"
#include "core/StructureCache.h"
#include "core/TreeMarks.h"
#include "platform/Database.h"
#include "platform/TextFiles.h"
#include "sample/SampleConfiguration.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

using Sample::Form::F12;
using Sample::Form::F30;
using Sample::Unit::Malinovka;
using Sample::Unit::ZarechnayaInpatient;

class FormsTreeData : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sample.install()) << sample.error().toStdString();
        WorkMode = QStringLiteral("Input");
        DataTablePrefix = QStringLiteral("Data");
        CurrentInstitutionId = ZarechnayaInpatient;
        // A row of another year in the same data file: clearing takes every year.
        dbdat().exec(QStringLiteral(R"(insert into "data" values (?,?,?,?,?,?))"),
                     {ZarechnayaInpatient, 5, 2024, firstTable(F12), 4, 5});
    }
    static int firstTable(int form) { return tablesOfForm(form).first(); }
    // Rows per table of an owner, every year, as "table:count".
    static QStringList rowsByTable(int owner, const QString& table = QStringLiteral("data"))
    {
        QStringList rows;
        Query q(dbdat(), QStringLiteral(R"(select "table",count(*) from "%1" where "hospital"=? group by "table" order by "table")").arg(table),
                {owner});
        while (q.next())
            rows << q.text(0) + QLatin1Char(':') + q.text(1);
        return rows;
    }
    static QStringList without(QStringList rows, const QList<int>& tables)
    {
        rows.removeIf([&](const QString& r) { return tables.contains(r.section(QLatin1Char(':'), 0, 0).toInt()); });
        return rows;
    }
    void open(TFormList& window)
    {
        window.setWindowTitle(QStringLiteral("Заречная ЦРБ, стационар"));
        ASSERT_TRUE(window.Start(Sample::Type::CentralDistrict));
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    // Selects a node by clicking it, as a user does.
    static void click(TFormList& window, QTreeWidgetItem* node)
    {
        node->parent() ? node->parent()->setExpanded(true) : void();
        QTest::mouseClick(window.TreeView1->viewport(), Qt::LeftButton, {},
                          window.TreeView1->visualItemRect(node).center());
        ASSERT_EQ(window.TreeView1->currentItem(), node);
    }

    SampleYear sample;
    QTemporaryDir dir;
};

TEST_F(FormsTreeData, EachClearAsksAndDeletesOnlyItsOwnersRowsOfItsTables)
{
    ScriptedPrompts prompts;
    TFormList window;
    open(window);
    const QStringList before = rowsByTable(ZarechnayaInpatient);
    const QStringList others = rowsByTable(Malinovka);
    ASSERT_TRUE(before.contains(QString::number(firstTable(F12)) + QStringLiteral(":") + QString::number(
        dbdat().scalar(QStringLiteral(R"(select count(*) from "data" where "hospital"=? and "table"=?)"),
                       {ZarechnayaInpatient, firstTable(F12)}).toInt())));
    QTreeWidgetItem* f12 = window.TreeView1->topLevelItem(0);
    click(window, f12);
    EXPECT_FALSE(window.N15->isEnabled());   // "Таблицу" on a form node
    // "Нет" changes nothing.
    for (QAction* item : {window.N13, window.N14}) {
        prompts.expectQuestion(false, QStringLiteral("Вы действительно желаете удалить ВСЮ информацию"));
        item->trigger();
    }
    EXPECT_EQ(rowsByTable(ZarechnayaInpatient), before);

    QTreeWidgetItem* table2 = f12->child(1);
    click(window, table2);
    ASSERT_TRUE(window.N15->isEnabled());
    const int t2 = nodeId(table2);
    prompts.expectQuestion(true, QStringLiteral("из таблицы \n") + table2->text(0) + QStringLiteral("\nЗаречная ЦРБ, стационар?"))
        .expectMessage(QStringLiteral("Готово!"));
    window.N15->trigger();
    EXPECT_EQ(rowsByTable(ZarechnayaInpatient), without(before, {t2}));

    prompts.expectQuestion(true, QStringLiteral("из формы \n") + f12->text(0)).expectMessage(QStringLiteral("Готово!"));
    window.N14->trigger();   // the form of the selected table
    const QStringList afterForm = without(before, tablesOfForm(F12));
    EXPECT_EQ(rowsByTable(ZarechnayaInpatient), afterForm);
    EXPECT_FALSE(afterForm.isEmpty());

    prompts.expectQuestion(true, QStringLiteral("по Заречная ЦРБ, стационар?")).expectMessage(QStringLiteral("Готово!"));
    window.N13->trigger();
    EXPECT_TRUE(rowsByTable(ZarechnayaInpatient).isEmpty());
    EXPECT_EQ(rowsByTable(Malinovka), others);
}

TEST_F(FormsTreeData, AFormIsLoadedFromADataFileAndOnlyThatFormIsReplaced)
{
    QString error;
    const QString path = dir.filePath(QStringLiteral("Заречная ЦРБ, стационар - Годовой - 2025.ktd"));
    ASSERT_TRUE(writeDataFile(dbdat(), QStringLiteral("data"), ZarechnayaInpatient, Sample::DataYear, path, nullptr, &error));
    const QStringList before = rowsByTable(ZarechnayaInpatient);
    // Ф12 emptied and Ф30 changed: the load gives Ф12 back and leaves Ф30 as it now is.
    dbdat().exec(QStringLiteral(R"(delete from "data" where "hospital"=? and "year"=? and "table" in (1,2,3,4))"),
                 {ZarechnayaInpatient, Sample::DataYear});
    dbdat().exec(QStringLiteral(R"(delete from "data" where "hospital"=? and "table"=?)"),
                 {ZarechnayaInpatient, firstTable(F30)});
    const QStringList changed = rowsByTable(ZarechnayaInpatient);

    ScriptedPrompts prompts;
    TFormList window;
    open(window);
    click(window, window.TreeView1->topLevelItem(0)->child(2));
    ASSERT_TRUE(window.N11->isEnabled());
    prompts.expectOpenFile(path).expectMessage(QStringLiteral("Форма Ф12 загружена из "));
    window.N11->trigger();
    QStringList expected = without(before, tablesOfForm(F30)) + without(changed, tablesOfForm(F12));
    expected.sort();
    QStringList shown = rowsByTable(ZarechnayaInpatient);
    shown.sort();
    EXPECT_EQ(shown, expected);

    // Another extension is refused before anything changes.
    const QString other = dir.filePath(QStringLiteral("данные.txt"));
    ASSERT_TRUE(QFile::copy(path, other));
    prompts.expectOpenFile(other).expectError(QStringLiteral("данные.txt не является файлом передачи"));
    window.N11->trigger();
    EXPECT_EQ(rowsByTable(ZarechnayaInpatient).size(), shown.size());
}

TEST_F(FormsTreeData, LoadingOverStoredValuesAsksWhoseAndFromWhichFileFirst)
{
    QString error;
    const QString path = dir.filePath(QStringLiteral("Малиновская участковая больница - Годовой - 2025.ktd"));
    ASSERT_TRUE(writeDataFile(dbdat(), QStringLiteral("data"), Malinovka, Sample::DataYear, path, nullptr, &error));
    const QStringList before = rowsByTable(ZarechnayaInpatient);
    const QStringList malinovka = rowsByTable(Malinovka);
    ASSERT_FALSE(without(malinovka, tablesOfForm(F30)).isEmpty());

    ScriptedPrompts prompts;
    TFormList window;
    open(window);
    click(window, window.TreeView1->topLevelItem(0)->child(0));   // a table of Ф12
    const QString question = QStringLiteral("Заменить данные Заречная ЦРБ, стационар за 2025 данными файла "
                                            "Малиновская участковая больница - Годовой - 2025.ktd?\n"
                                            "По имени это файл другого подразделения: Малиновская участковая больница.");
    prompts.expectOpenFile(path).expectQuestion(false, question);
    window.N11->trigger();
    EXPECT_EQ(prompts.log().last(), QStringLiteral("question: ") + question);
    EXPECT_EQ(rowsByTable(ZarechnayaInpatient), before);

    prompts.expectOpenFile(path).expectQuestion(true, question)
        .expectMessage(QStringLiteral("Форма Ф12 загружена из ") + QDir::toNativeSeparators(path));
    window.N11->trigger();
    // Ф12 of the year is Malinovka's now; the other forms are as they were.
    const auto f12Cells = [](int owner) {
        QStringList cells;
        Query q(dbdat(), QStringLiteral(R"(select "table","column","row","data" from "data" where "hospital"=? and "year"=?
            order by "table","column","row")"), {owner, Sample::DataYear});
        while (q.next())
            if (tablesOfForm(F12).contains(q.toInt(0)))
                cells << QStringLiteral("%1 %2 %3 %4").arg(q.text(0), q.text(1), q.text(2), q.text(3));
        return cells;
    };
    EXPECT_FALSE(f12Cells(Malinovka).isEmpty());
    EXPECT_EQ(f12Cells(ZarechnayaInpatient), f12Cells(Malinovka));
    EXPECT_EQ(without(rowsByTable(ZarechnayaInpatient), tablesOfForm(F12)), without(before, tablesOfForm(F12)));
}

TEST_F(FormsTreeData, ASummaryReportLoadsFromAReportFileAndCannotBeCleared)
{
    WorkMode = QStringLiteral("Svod");
    DataTablePrefix = QStringLiteral("RepData");
    CurrentInstitutionId = Sample::Report::Zarechny;
    dbdat().exec(QStringLiteral(R"(delete from "repdata" where "hospital"=?)"), {Sample::Report::Zarechny});
    QString error;
    const QString path = dir.filePath(QStringLiteral("Заречный.rpd"));
    ASSERT_TRUE(writeLines1251(path, {QStringLiteral(R"l("12","2025","Ф30","(1100)","4","5")l"),
                                      QStringLiteral(R"l("13","2025","Ф12","(1000)","4","5")l")}, &error));
    ScriptedPrompts prompts;
    TFormList window;
    window.setWindowTitle(QStringLiteral("Заречный район"));
    ASSERT_TRUE(window.Start(-1));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    // The numbers shown are a report's: clearing the institutions' table is not offered.
    EXPECT_FALSE(window.N12->menuAction()->isEnabled());
    click(window, window.TreeView1->topLevelItem(1));   // Ф30
    prompts.expectOpenFile(path).expectMessage(QStringLiteral("Форма Ф30 загружена"));
    window.N11->trigger();
    EXPECT_EQ(rowsByTable(Sample::Report::Zarechny, QStringLiteral("repdata")),
              QStringList{QString::number(firstTable(F30)) + QStringLiteral(":1")});
}

TEST_F(FormsTreeData, SumsOverInstitutionsCannotBeLoadedOrCleared)
{
    WorkMode = QStringLiteral("Types");
    ScriptedPrompts prompts;
    TFormList window;
    open(window);
    click(window, window.TreeView1->topLevelItem(0)->child(0));
    for (QAction* a : {window.N11, window.N13, window.N14, window.N15})
        EXPECT_FALSE(a->isEnabled()) << a->text().toStdString();
}

}  // namespace
