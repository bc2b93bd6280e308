#include "setup/LForm.h"

#include "PrintTo.h"
#include "ScriptedPrompts.h"
#include "YearFixture.h"
#include "platform/Database.h"
#include "sample/SampleFrs.h"
#include "setup/FormStructureFile.h"
#include "setup/Tabls.h"
#include "setup/formChar.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

int count(Database& db, const QString& sql, const QVariantList& params = {})
{
    return db.scalar(sql, params).toInt();
}

QStringList shownForms(const QTreeWidget* list)
{
    QStringList rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list->topLevelItem(i);
        rows << item->text(0) + QLatin1Char('|') + item->text(1) + QLatin1Char('|') + item->text(2);
    }
    return rows;
}

// Drags the current row onto `target` through the list's viewport, as the mouse does.
void dragOnto(QTreeWidget* list, int target)
{
    const QModelIndex from = list->currentIndex();
    std::unique_ptr<QMimeData> mime(list->model()->mimeData({from}));
    const QPoint at = list->visualItemRect(list->topLevelItem(target)).center();
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(at, actions, mime.get(), Qt::LeftButton, {});
    QApplication::sendEvent(list->viewport(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDragMoveEvent move(at, actions, mime.get(), Qt::LeftButton, {});
    QApplication::sendEvent(list->viewport(), &move);
    ASSERT_TRUE(move.isAccepted());
    QDropEvent drop(QPointF(at), actions, mime.get(), Qt::LeftButton, {});
    QApplication::sendEvent(list->viewport(), &drop);
    ASSERT_TRUE(drop.isAccepted());
}

void clickRow(QTreeWidget* list, int row)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(row)).center());
}

class Catalogue : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        window.show();
        list = window.ListView1;
        ASSERT_EQ(list->topLevelItemCount(), 3);
    }
    QList<int> inds()
    {
        QList<int> v;
        for (int id : {f12, f30, f47})
            v << count(year.dictionary(), QStringLiteral(R"(select "ind" from "forms" where "id"=?)"), {id});
        return v;
    }

    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025, YearFixture::InstallAliases};
    int f12 = year.addForm(QStringLiteral("Ф12"), QStringLiteral("Заболеваемость"));
    int f30 = year.addForm(QStringLiteral("Ф30"), QStringLiteral("Организация"));
    int f47 = year.addForm(QStringLiteral("Ф47"), QStringLiteral("Сеть"), true);
    int t12 = year.addTable(f12, QStringLiteral("(1000)"), QStringLiteral("Дети"), 3, 3, 1, 1);
    int t30 = year.addTable(f30, QStringLiteral("(1000)"), QStringLiteral("Штаты"), 3, 3, 1, 1);
    TFormL window;
    QTreeWidget* list = nullptr;
};

TEST_F(Catalogue, AFormIsCorrectedWithQuotesInItsTexts)
{
    EXPECT_EQ(shownForms(list).first(), QStringLiteral("Ф12|Заболеваемость|Нет"));
    clickRow(list, 1);
    ScriptedPrompts prompts;
    prompts.expectModal(QStringLiteral("TFChar"), [](QDialog& d) {
        auto& dialog = static_cast<TFChar&>(d);
        EXPECT_EQ(dialog.Edit1->text(), QStringLiteral("Ф30"));
        EXPECT_FALSE(dialog.CheckBox1->isChecked());
        dialog.Edit1->setText(QStringLiteral("ф12"));   // another form's name: refused, typed text kept
        QTest::mouseClick(dialog.BitBtn1, Qt::LeftButton);
        return dialog.result();
    });
    prompts.expectError(QStringLiteral("Форма Ф12 уже есть в перечне"));
    prompts.expectModal(QStringLiteral("TFChar"), [](QDialog& d) {
        auto& dialog = static_cast<TFChar&>(d);
        EXPECT_EQ(dialog.Edit1->text(), QStringLiteral("ф12"));
        dialog.Edit1->setText(QStringLiteral("Ф30\"у\""));
        dialog.Edit2->setText(QStringLiteral("Сведения о \"МО\""));
        QTest::mouseClick(dialog.CheckBox1, Qt::LeftButton);
        QTest::mouseClick(dialog.BitBtn1, Qt::LeftButton);
        return dialog.result();
    });
    window.N2->trigger();
    EXPECT_EQ(shownForms(list)[1], QStringLiteral("Ф30\"у\"|Сведения о \"МО\"|Да"));
    Query q(year.dictionary(), QStringLiteral(R"(select "formname","decipher","net" from "forms" where "id"=?)"), {f30});
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.text(0), QStringLiteral("Ф30\"у\""));
    EXPECT_EQ(q.text(1), QStringLiteral("Сведения о \"МО\""));
    EXPECT_EQ(q.toInt(2), 1);
}

TEST_F(Catalogue, ADraggedOrderIsWrittenOnlyBySavingIt)
{
    ScriptedPrompts prompts;
    EXPECT_FALSE(window.N6->isVisible());
    clickRow(list, 2);
    dragOnto(list, 0);   // Ф47 before Ф12
    EXPECT_EQ(shownForms(list), (QStringList{QStringLiteral("Ф47|Сеть|Да"), QStringLiteral("Ф12|Заболеваемость|Нет"),
                                             QStringLiteral("Ф30|Организация|Нет")}));
    EXPECT_TRUE(window.N6->isVisible());
    EXPECT_EQ(inds(), (QList<int>{0, 1, 2}));   // nothing written yet
    window.N6->trigger();
    EXPECT_FALSE(window.N6->isVisible());
    EXPECT_EQ(inds(), (QList<int>{1, 2, 0}));
}

TEST_F(Catalogue, ClosingWithoutSavingKeepsTheOldOrder)
{
    ScriptedPrompts prompts;
    clickRow(list, 0);
    dragOnto(list, 2);
    EXPECT_EQ(list->topLevelItem(1)->text(0), QStringLiteral("Ф12"));
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(inds(), (QList<int>{0, 1, 2}));
}

TEST_F(Catalogue, DeletingAFormHappensOnlyOnYes)
{
    year.setCell(7, t30, 3, 3, 5);
    clickRow(list, 1);
    {
        ScriptedPrompts prompts;
        prompts.expectQuestion(false, QStringLiteral("Вы действительно хотите удалить всю информацию по форме Ф30"));
        window.N3->trigger();
    }
    EXPECT_EQ(list->topLevelItemCount(), 3);
    EXPECT_EQ(count(year.dictionary(), QStringLiteral(R"(select count(*) from "tables")")), 2);
    EXPECT_EQ(year.storedCells(7, t30).size(), 1);
    {
        ScriptedPrompts prompts;
        prompts.expectQuestion(true, QStringLiteral("по форме Ф30"));
        window.N3->trigger();
    }
    EXPECT_EQ(shownForms(list).size(), 2);
    EXPECT_EQ(list->currentItem(), list->topLevelItem(0));
    EXPECT_EQ(count(year.dictionary(), QStringLiteral(R"(select count(*) from "forms" where "id"=?)"), {f30}), 0);
    EXPECT_EQ(count(year.dictionary(), QStringLiteral(R"(select count(*) from "tables")")), 1);
    EXPECT_TRUE(year.storedCells(7, t30).isEmpty());
}

TEST_F(Catalogue, TheTablesOpenWithTheFormsCaptionAndDirectionOnlyForANetworkForm)
{
    struct Case { int row; const char* caption; bool direction; };
    const Case cases[] = {{0, "Таблицы: Ф12 - Заболеваемость", false}, {2, "Таблицы: Ф47 - Сеть", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        ScriptedPrompts prompts;
        prompts.expectModal(QStringLiteral("TFTabs"), [&](QDialog& d) {
            auto& tables = static_cast<TFTabs&>(d);
            EXPECT_EQ(tables.windowTitle(), QString::fromUtf8(c.caption));
            EXPECT_EQ(!tables.RadioGroup1->isHidden(), c.direction);
            return int(QDialog::Rejected);
        });
        const QPoint at = list->visualItemRect(list->topLevelItem(c.row)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        EXPECT_EQ(prompts.remaining(), 0);
    }
}

TEST_F(Catalogue, TheSampleFileCreatesItsFormThenUpdatesIt)
{
    QString error;
    ASSERT_TRUE(Sample::writeFormStructureFile(dir.path(), &error)) << error.toStdString();
    const QString path = dir.filePath(Sample::FrsFileName);
    {
        ScriptedPrompts prompts;
        prompts.expectOpenFile(path);
        prompts.expectMessage(QStringLiteral("Готово.\nТаблиц создано: 2, заменено: 0, строк файла пропущено: 0"));
        window.N8->trigger();
    }
    EXPECT_EQ(shownForms(list).last(), QStringLiteral("Ф14|Сведения о деятельности стационара|Нет"));
    EXPECT_EQ(count(year.dictionary(), QStringLiteral(R"(select "ind" from "forms" where "formname"='Ф14')")), 999);

    // the same form under a new title, as a network form, with a stray line
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray bytes = file.readAll();
    file.close();
    bytes.replace("\xcd\xe5\xf2\r\n", "\xc4\xe0\r\n");              // "Нет" -> "Да"
    bytes.replace("(2000)", "x\r\n(2000)");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    {
        ScriptedPrompts prompts;
        prompts.expectOpenFile(path);
        prompts.expectWarning(QStringLiteral("Нарушена структура описания формы - ожидалось описание таблицы\nx"));
        prompts.expectMessage(QStringLiteral("заменено: 2, строк файла пропущено: 1"));
        window.N8->trigger();
    }
    EXPECT_EQ(list->topLevelItemCount(), 4);
    EXPECT_EQ(shownForms(list).last(), QStringLiteral("Ф14|Сведения о деятельности стационара|Да"));
}

TEST_F(Catalogue, ABadFileChangesNothingAndSaysWhy)
{
    const QString path = dir.filePath(QStringLiteral("bad.frs"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("\xd4\x31\x34#\xc0#\xcd\xe5\xf2\r\n(1)#T#2#2#1#1#False#0\r\n\xe3\xf0\x39#10\r\n");   // column 9 of 2
    file.close();
    ScriptedPrompts prompts;
    prompts.expectOpenFile(path);
    prompts.expectError(QStringLiteral("строка 3: графа 9 вне таблицы"));
    window.N8->trigger();
    EXPECT_EQ(list->topLevelItemCount(), 3);
    EXPECT_EQ(count(year.dictionary(), QStringLiteral(R"(select count(*) from "forms")")), 3);
}

TEST_F(Catalogue, ExportWritesTheSelectedFormOrRefusesAHashInATableName)
{
    const QString path = dir.filePath(QStringLiteral("Ф12.frs"));
    clickRow(list, 0);
    {
        ScriptedPrompts prompts;
        prompts.expectSaveFile(path);
        prompts.expectMessage(QStringLiteral("Готово"));
        window.N7->trigger();
    }
    FormStructureFileReader reader;
    ASSERT_TRUE(reader.read(path)) << reader.errorString().toUtf8().constData();
    EXPECT_EQ(reader.structure(), *readFormStructure(year.dictionary(), f12));

    QFile::remove(path);
    year.dictionary().exec(QStringLiteral(R"(update "tables" set "name"='Дети#1' where "ident"=?)"), {t12});
    {
        ScriptedPrompts prompts;
        prompts.expectSaveFile(path);
        prompts.expectError(QStringLiteral("в таблице (1000) формы Ф12 поле \"Содержание\" содержит знак \"#\""));
        window.N7->trigger();
    }
    EXPECT_FALSE(QFile::exists(path));
}

// A database failure met by the export or the import is told under what failed, and the list
// stays as it was.
TEST_F(Catalogue, AFailedReadOrWriteOfTheStructureIsToldUnderWhatFailed)
{
    const QString path = dir.filePath(QStringLiteral("Ф12.frs"));
    ASSERT_TRUE(FormStructureFileWriter().write(path, *readFormStructure(year.dictionary(), f12)));
    clickRow(list, 0);
    year.dictionary().exec(QStringLiteral(R"(alter table "tables" rename to "tables_gone")"));
    const QString missing = QStringLiteral("\nФайл ") + QDir::toNativeSeparators(year.dictionaryPath())
                            + QStringLiteral(" не того вида, какой нужен программе, или поврежден: в нем нет таблицы \"tables\".");
    {
        ScriptedPrompts prompts;
        prompts.expectSaveFile(dir.filePath(QStringLiteral("другой.frs")));
        prompts.expectError(QStringLiteral("Структура формы не выгружена.") + missing);
        window.N7->trigger();
    }
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("другой.frs"))));
    {
        ScriptedPrompts prompts;
        prompts.expectOpenFile(path);
        prompts.expectError(QStringLiteral("Структура формы не загружена.") + missing);
        window.N8->trigger();
    }
    EXPECT_EQ(list->topLevelItemCount(), 3);
}

}  // namespace
