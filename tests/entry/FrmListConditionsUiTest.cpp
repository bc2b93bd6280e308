// F2 and F3 of the forms tree: the network form's conditions to a file and back.

#include "entry/FrmList.h"

#include "PrintTo.h"
#include "SampleYear.h"
#include "ScriptedPrompts.h"
#include "core/Common.h"
#include "core/NetConditions.h"
#include "platform/Database.h"
#include "sample/SampleConfiguration.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

class ConditionsKeys : public ::testing::Test {
protected:
    SampleYear sample;
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("Ф47.cnd"));
    ScriptedPrompts prompts;
    int t0100 = 0;
    int t0200 = 0;

    void SetUp() override
    {
        ASSERT_TRUE(sample.install()) << sample.error().toStdString();
        WorkMode = QStringLiteral("Net");
        NetMode = true;
        DataTablePrefix = QStringLiteral("RepData");
        CurrentInstitutionId = Sample::Report::Network;
        Query q(dbmain(), QStringLiteral(R"(select "ident","tablen" from "tables" where "form"=?)"),
                {Sample::Form::F47});
        // Only this test's conditions, whatever the sample brings.
        dbmain().exec(QStringLiteral(R"(delete from "conditions")"));
        while (q.next())
            (q.text(1) == QStringLiteral("(0100)") ? t0100 : t0200) = q.toInt(0);
        NetCondition row;
        row.tid = t0100;
        row.row = 2;
        row.types = QStringLiteral("3");
        row.condition = QStringLiteral("Ф30Т(2100)СТР1ГР3>0\nOR Ф30Т(2100)СТР1ГР4>\"0\"");
        ASSERT_TRUE(NetConditions::save(dbmain(), row));
        NetCondition column;
        column.tid = t0200;
        column.column = 1;
        column.types = QStringLiteral("*");
        column.sum = true;
        column.formula = QStringLiteral("Ф30Т(3100)СТР1ГР3");
        ASSERT_TRUE(NetConditions::save(dbmain(), column));
    }
    QList<NetCondition> all()
    {
        return NetConditions::read(dbmain(), t0100) + NetConditions::read(dbmain(), t0200);
    }
    void selectTable(TFormList& w)
    {
        QTreeWidgetItem* form = w.TreeView1->topLevelItem(0);
        ASSERT_TRUE(form);
        w.TreeView1->setCurrentItem(form->child(1));
    }
};

TEST_F(ConditionsKeys, F2SavesTheFormAndF3LoadsItBack)
{
    TFormList window;
    ASSERT_TRUE(window.Start(-1));
    window.show();
    selectTable(window);
    const QList<NetCondition> before = all();
    ASSERT_EQ(before.size(), 2);

    prompts.expectSaveFile(dir.filePath(QStringLiteral("Ф47")));   // the extension is added
    QTest::keyClick(window.TreeView1, Qt::Key_F2);
    ASSERT_TRUE(QFile::exists(path));

    dbmain().exec(QStringLiteral(R"(delete from "conditions")"));
    prompts.expectOpenFile(path);
    prompts.expectMessage(QStringLiteral("Условия формы Ф47 загружены: 2, пропущено строк других форм: 0."));
    QTest::keyClick(window.TreeView1, Qt::Key_F3);
    EXPECT_EQ(all(), before);
    EXPECT_EQ(prompts.remaining(), 0);
}

TEST_F(ConditionsKeys, AFileOfAnotherFormChangesNothingAndSaysSo)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\xD4" "30\t(0100)\t1\t-1\tFalse\t\t\t1\tFalse\tFalse\t*\r\n");
    f.close();
    TFormList window;
    ASSERT_TRUE(window.Start(-1));
    window.show();
    selectTable(window);
    const QList<NetCondition> before = all();
    prompts.expectOpenFile(path);
    prompts.expectError(QStringLiteral("нет условий формы Ф47. Условия формы не изменены."));
    QTest::keyClick(window.TreeView1, Qt::Key_F3);
    EXPECT_EQ(all(), before);
}

TEST_F(ConditionsKeys, TheKeysDoNothingOutsideTheNetworkMode)
{
    NetMode = false;
    WorkMode = QStringLiteral("Svod");
    CurrentInstitutionId = Sample::Report::Zarechny;
    TFormList window;
    ASSERT_TRUE(window.Start(-1));
    window.show();
    window.TreeView1->setCurrentItem(window.TreeView1->topLevelItem(0));
    QTest::keyClick(window.TreeView1, Qt::Key_F2);   // any prompt would fail the script
    QTest::keyClick(window.TreeView1, Qt::Key_F3);
    EXPECT_EQ(all().size(), 2);
}
