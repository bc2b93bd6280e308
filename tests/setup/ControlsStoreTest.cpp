#include "setup/ControlsStore.h"

#include "core/Common.h"
#include "core/StructureCache.h"
#include "platform/Database.h"
#include "platform/TextFiles.h"
#include "PrintTo.h"
#include "ScriptedPrompts.h"
#include "YearFixture.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }

// Ф12 (1000): Графа 3..6, Строка 1..4. Ф120 (1000): Графа 2..4, Строка 1..2. Five controls of
// every kind, some in small letters as people type them.
class Store : public ::testing::Test {
protected:
    QTemporaryDir dir;
    YearFixture year{dir.path(), 2025, YearFixture::InstallAliases};
    int f12 = 0, f120 = 0;

    void SetUp() override
    {
        f12 = year.addForm(u("Ф12"), u("Заболеваемость"));
        year.addTable(f12, u("(1000)"), u("Взрослые"), 6, 5, 2, 1);
        year.addTable(f12, u("(2000)"), u("Дети"), 6, 5, 2, 1);
        f120 = year.addForm(u("Ф120"), u("Другая"));
        year.addTable(f120, u("(1000)"), u("Штаты"), 4, 3, 1, 1);
        refreshStructureCaches(year.dictionary());
        year.addControl(f12, u("(1000)"), u("стр1гр3"), u(">="), u("стр2гр3"), QString(), u("внутри"));
        year.addControl(f12, QString(), u("т(1000)стр1гр3"), u("="), u("т(2000)стр1гр3"), QString(), u("круглые"));
        year.addControl(f12, QString(), u("Т[1000]СТР1"), u("<="), u("Т[2000]СТР1"), u("гр3..5"), u("квадратные"));
        year.addControl(0, QString(), u("Ф12Т(1000)СТР1ГР3"), u("="), u("Ф120Т(1000)СТР1ГР2"), QString(), u("межформенный"));
        year.addControl(0, QString(), u("Ф120Т(1000)СТР2ГР2"), u("<"), u("5"), QString(), u("чужой"));
    }

    ControlScope scope(ControlKind kind, const char* table = "(1000)") const
    {
        ControlScope s;
        s.kind = kind;
        s.formId = kind == ControlKind::BetweenForms ? 0 : f12;
        s.formName = u("Ф12");
        s.tableNumber = u(table);
        return s;
    }
    static QStringList comments(const QList<StoredControl>& list)
    {
        QStringList out;
        for (const StoredControl& c : list)
            out << c.commnt;
        return out;
    }
    int controlCount() { return year.dictionary().scalar(u(R"(select count(*) from "int_control")")).toInt(); }
    QString path(const char* name) const { return dir.filePath(u(name)); }
    void writeFile(const char* name, const QStringList& lines)
    {
        QString error;
        ASSERT_TRUE(writeLines1251(path(name), lines, &error)) << error.toStdString();
    }
    // Every column of every control, Код left out, in Код order.
    QStringList dump()
    {
        QStringList out;
        Query q(year.dictionary(), u(R"(select "formid",coalesce("tble",'<null>'),"lft","reltion","rght","cycl","commnt" from "int_control" order by "Код")"));
        while (q.next()) {
            QStringList f;
            for (int i = 0; i < 7; ++i)
                f << q.text(i);
            out << f.join(u("|"));
        }
        return out;
    }
};

TEST_F(Store, ListsEachKindAndFilter)
{
    const auto K0 = ControlKind::WithinTable, K1 = ControlKind::BetweenTables, K2 = ControlKind::BetweenForms;
    EXPECT_EQ(comments(listControls(year.dictionary(), scope(K0), ControlFilter::Table)), QStringList{u("внутри")});
    EXPECT_TRUE(listControls(year.dictionary(), scope(K0, "(2000)"), ControlFilter::All).isEmpty());
    EXPECT_EQ(comments(listControls(year.dictionary(), scope(K1), ControlFilter::All)),
              (QStringList{u("круглые"), u("квадратные")}));
    // Т(n) and Т[n] both name the table.
    EXPECT_EQ(comments(listControls(year.dictionary(), scope(K1, "(2000)"), ControlFilter::Table)),
              (QStringList{u("круглые"), u("квадратные")}));
    EXPECT_TRUE(listControls(year.dictionary(), scope(K1, "(3000)"), ControlFilter::Table).isEmpty());
    // Between forms, ordered by lft; Ф12 does not find Ф120.
    EXPECT_EQ(comments(listControls(year.dictionary(), scope(K2), ControlFilter::All)),
              (QStringList{u("чужой"), u("межформенный")}));
    EXPECT_EQ(comments(listControls(year.dictionary(), scope(K2), ControlFilter::Form)), QStringList{u("межформенный")});
    EXPECT_EQ(comments(listControls(year.dictionary(), scope(K2, "(2000)"), ControlFilter::Table)), QStringList());
    EXPECT_EQ(comments(formControls(year.dictionary(), f12, u("Ф12"))),
              (QStringList{u("квадратные"), u("межформенный"), u("круглые"), u("внутри")}));
    EXPECT_EQ(comments(formControls(year.dictionary(), f120, u("Ф120"))), (QStringList{u("чужой"), u("межформенный")}));
}

TEST_F(Store, SavesQuotesAsTypedAndSaysWhenNoRowIsFound)
{
    StoredControl c;
    c.formid = f12;
    c.tble = u("(1000)");
    c.lft = u("стр1гр3");
    c.reltion = u("=");
    c.rght = u("5");
    c.commnt = u("с \"кавычками\" и ';");
    const int code = insertControl(year.dictionary(), c);
    ASSERT_GT(code, 0);
    c.code = code;
    c.rght = u("6");
    c.commnt = u("ещё \"раз\"");
    EXPECT_TRUE(updateControl(year.dictionary(), c));
    const auto read = readControl(year.dictionary(), code);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->commnt, u("ещё \"раз\""));
    EXPECT_EQ(read->rght, u("6"));
    EXPECT_EQ(read->tble, u("(1000)"));
    c.code = code + 100;
    EXPECT_FALSE(updateControl(year.dictionary(), c));
    EXPECT_EQ(deleteControls(year.dictionary(), {code, code + 100}), 1);
    EXPECT_FALSE(readControl(year.dictionary(), code));
}

// The editor may show a control another user has deleted since: its texts are not written again
// as a new control, and nothing else changes.
TEST_F(Store, AnEditedControlWhoseRowIsGoneIsNotWrittenAgain)
{
    const QList<StoredControl> before = allControls(year.dictionary());
    ControlEdit edit{before.last().code + 100, scope(ControlKind::WithinTable), u("стр1гр3"), u("="), u("5"),
                     QString(), u("удаленный")};
    const ControlSave save = saveControl(year.dictionary(), edit);
    EXPECT_FALSE(save.saved);
    EXPECT_EQ(save.message, ControlDeletedMessage);
    EXPECT_EQ(comments(allControls(year.dictionary())), comments(before));
}

TEST_F(Store, ExportThenReplaceGivesTheSameControls)
{
    ControlsFileWriter writer;
    ASSERT_TRUE(writer.write(path("controls.ktr"), exportRecords(allControls(year.dictionary()))))
        << writer.errorString().toStdString();
    QStringList lines;
    QString error;
    ASSERT_TRUE(readLines1251(path("controls.ktr"), &lines, &error));
    EXPECT_EQ(lines.value(3), u("\"\",\"\",\"Ф12Т(1000)СТР1ГР3\",\"=\",\"Ф120Т(1000)СТР1ГР2\",\"\",\"межформенный\""));

    year.dictionary().exec(u(R"(delete from "int_control")"));
    year.addControl(f12, QString(), u("5"), u("="), u("5"), QString(), u("старый"));
    {
        ScriptedPrompts prompts;
        prompts.expectQuestion(true, u("Удалить все 1 контролей и загрузить 5 из файла?"));
        prompts.expectMessage(u("Загружено: 5, уже есть: 0, отклонено: 0, пропущено строк: 0"));
        EXPECT_EQ(loadControlsFile(year.dictionary(), prompts, path("controls.ktr"), LoadMode::Replace), 5);
    }
    const QString f = QString::number(f12);
    EXPECT_EQ(dump(), (QStringList{
        f + u("|(1000)|СТР1ГР3|>=|СТР2ГР3||внутри"),
        f + u("|<null>|Т(1000)СТР1ГР3|=|Т(2000)СТР1ГР3||круглые"),
        f + u("|<null>|Т[1000]СТР1|<=|Т[2000]СТР1|ГР3..5|квадратные"),
        u("0|<null>|Ф12Т(1000)СТР1ГР3|=|Ф120Т(1000)СТР1ГР2||межформенный"),
        u("0|<null>|Ф120Т(1000)СТР2ГР2|<|5||чужой")}));
    EXPECT_FALSE(QFile::exists(path("Несогласованные контроли.ktr")));

    // Added again, the file finds every control already there.
    ScriptedPrompts prompts;
    prompts.expectMessage(u("Загружено: 0, уже есть: 5, отклонено: 0"));
    EXPECT_EQ(loadControlsFile(year.dictionary(), prompts, path("controls.ktr"), LoadMode::Append), 0);
    EXPECT_EQ(controlCount(), 5);
}

TEST_F(Store, AddingAControlAlreadyStoredOrTwiceInTheFileStoresItOnce)
{
    const QStringList before = dump();
    writeFile("again.ktr", {
        // the stored "внутри" as the editor's export writes it, and in other letters and blanks
        u("\"Ф12\",\"(1000)\",\"стр1гр3\",\">=\",\"стр2гр3\",\"\",\"внутри\""),
        u("\"ф12\",\"(1000)\",\"СТР1 ГР3\",\" >=\",\"Стр2Гр3\",\"\",\"другой комментарий\""),
        // the stored control between forms
        u("\"\",\"\",\"Ф12Т(1000)СТР1ГР3\",\"=\",\"Ф120Т(1000)СТР1ГР2\",\"\",\"межформенный\""),
        // new: another relation, another cycle, another table, another form; the first twice
        u("\"Ф12\",\"(1000)\",\"стр1гр3\",\"<=\",\"стр2гр3\",\"\",\"новый\""),
        u("\"Ф12\",\"(1000)\",\"стр1гр3\",\"<=\",\"стр2гр3\",\"\",\"новый\""),
        u("\"Ф12\",\"\",\"Т[1000]СТР1\",\"<=\",\"Т[2000]СТР1\",\"гр3..4\",\"квадратные\""),
        u("\"Ф12\",\"(2000)\",\"стр1гр3\",\">=\",\"стр2гр3\",\"\",\"внутри\""),
        u("\"Ф120\",\"(1000)\",\"стр1гр3\",\">=\",\"стр2гр3\",\"\",\"внутри\""),
    });
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass);
        ScriptedPrompts prompts;
        prompts.expectMessage(pass == 0 ? u("Загружено: 4, уже есть: 4, отклонено: 0, пропущено строк: 0")
                                        : u("Загружено: 0, уже есть: 8, отклонено: 0, пропущено строк: 0"));
        EXPECT_EQ(loadControlsFile(year.dictionary(), prompts, path("again.ktr"), LoadMode::Append), pass == 0 ? 4 : 0);
        const QString f = QString::number(f12);
        const QStringList added = {f + u("|(1000)|СТР1ГР3|<=|СТР2ГР3||новый"),
                                   f + u("|<null>|Т[1000]СТР1|<=|Т[2000]СТР1|ГР3..4|квадратные"),
                                   f + u("|(2000)|СТР1ГР3|>=|СТР2ГР3||внутри"),
                                   QString::number(f120) + u("|(1000)|СТР1ГР3|>=|СТР2ГР3||внутри")};
        EXPECT_EQ(dump(), before + added);
    }

    // Replacing, the file's second copy of a control is left out as well.
    ScriptedPrompts prompts;
    prompts.expectQuestion(true, u("Удалить все 9 контролей и загрузить 6 из файла?"));
    prompts.expectMessage(u("Загружено: 6, уже есть: 2, отклонено: 0"));
    EXPECT_EQ(loadControlsFile(year.dictionary(), prompts, path("again.ktr"), LoadMode::Replace), 6);
    EXPECT_EQ(controlCount(), 6);
}

TEST_F(Store, BadLinesAreRejectedEachWithItsReason)
{
    const QStringList file = {
        u("\"Ф12\",\"(1000)\",\"стр1гр3\",\"=\",\"стр1гр4\",\"\",\"годный\""),
        u("\"Ф12\",\"(7777)\",\"стр1гр3\",\"=\",\"5\",\"\",\"нет таблицы\""),
        u("\"Ф12\",\"\",\"т(1000)стр1гр9\",\"=\",\"5\",\"\",\"графа вне\""),
        u("\"Ф12\",\"(1000)\",\"стр1гр3\",\"~\",\"5\",\"\",\"отношение\""),
        u("\"Ф77\",\"\",\"т(1000)стр1гр3\",\"=\",\"5\",\"\",\"нет формы\""),
        u("\"Ф12\",\"(1000)\",\"стр1гр3\",\"=\",\"5\""),
        u(""),
        u(" \"Ф12\",\"(1000)\",\"стр1гр3\",\"=\",\"5\",\"\",\"с пробела\""),
        u("\"\",\"\",\"Ф120т[1000]стр1гр2\",\"=\",\"Ф12т[1000]стр1гр3\",\"\",\"годный межформенный\""),
        u("\"\",\"\",\"") + QString(40000, u'(') + u("\",\"=\",\"5\",\"\",\"скобки\""),
    };
    writeFile("bad.ktr", file);
    ScriptedPrompts prompts;
    prompts.expectMessage(u("Загрузка контролей закончена!\r\nЗагружено: 2, уже есть: 0, отклонено: 6, пропущено строк: 2"));
    // The file lies beside the one loaded; the warning says where.
    prompts.expectWarning(u("Обнаружены контроли, не согласующиеся с Вашей структурой форм!\r\nСм. файл \"Несогласованные контроли\" в папке ")
                          + QDir::toNativeSeparators(QFileInfo(path("bad.ktr")).absolutePath()));
    EXPECT_EQ(loadControlsFile(year.dictionary(), prompts, path("bad.ktr"), LoadMode::Append), 2);
    EXPECT_EQ(controlCount(), 7);

    QStringList rejected;
    QString error;
    ASSERT_TRUE(readLines1251(path("Несогласованные контроли.ktr"), &rejected, &error)) << error.toStdString();
    ASSERT_EQ(rejected.size(), 12);
    const QStringList reasons = {u("Несуществующая таблица - (7777)"), u("Графа № 9 вне рабочей области таблицы"),
                                 u("Неизвестное отношение \"~\""), u("Несуществующая форма Ф77"),
                                 u("Строка 6: не семь полей в кавычках через запятую"), u("Нарушен баланс скобок")};
    const QList<int> lineIndex = {1, 2, 3, 4, 5, 9};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(rejected[2 * i], reasons[i]);
        EXPECT_EQ(rejected[2 * i + 1], file[lineIndex[i]]);
    }
}

TEST_F(Store, ReplaceKeepsTheOldControlsWhenNothingCanBeLoaded)
{
    const QStringList before = dump();
    writeFile("none.ktr", {u("\"Ф77\",\"\",\"5\",\"=\",\"5\",\"\",\"нет формы\""), u("просто текст")});
    {
        ScriptedPrompts prompts;
        prompts.expectError(u("существующие контроли сохранены"));
        prompts.expectMessage(u("Загружено: 0, уже есть: 0, отклонено: 1, пропущено строк: 1"));
        prompts.expectWarning(u("Несогласованные контроли"));
        EXPECT_EQ(loadControlsFile(year.dictionary(), prompts, path("none.ktr"), LoadMode::Replace), 0);
    }
    EXPECT_EQ(dump(), before);
    {
        ScriptedPrompts prompts;
        prompts.expectError(u("missing.ktr"));
        EXPECT_EQ(loadControlsFile(year.dictionary(), prompts, path("missing.ktr"), LoadMode::Replace), 0);
    }
    QFile binary(path("binary.ktr"));
    ASSERT_TRUE(binary.open(QIODevice::WriteOnly));
    binary.write(QByteArray("\"a\0b\"\r\n", 7));
    binary.close();
    {
        ScriptedPrompts prompts;
        prompts.expectError();
        EXPECT_EQ(loadControlsFile(year.dictionary(), prompts, path("binary.ktr"), LoadMode::Replace), 0);
    }
    writeFile("good.ktr", {u("\"Ф12\",\"(1000)\",\"стр1гр3\",\"=\",\"5\",\"\",\"годный\"")});
    {
        ScriptedPrompts prompts;
        prompts.expectQuestion(false, u("Удалить все 5 контролей и загрузить 1 из файла?"));
        EXPECT_EQ(loadControlsFile(year.dictionary(), prompts, path("good.ktr"), LoadMode::Replace), 0);
    }
    EXPECT_EQ(dump(), before);
}

TEST_F(Store, ARejectedFileThatCannotBeWrittenIsShown)
{
    writeFile("bad.ktr", {u("\"Ф77\",\"\",\"5\",\"=\",\"5\",\"\",\"нет формы\"")});
    ASSERT_TRUE(QDir(dir.path()).mkdir(u("Несогласованные контроли.ktr")));   // a folder in the way
    ScriptedPrompts prompts;
    prompts.expectError(u("Несуществующая форма Ф77"));
    prompts.expectMessage(u("Загружено: 0, уже есть: 0, отклонено: 1"));
    loadControlsFile(year.dictionary(), prompts, path("bad.ktr"), LoadMode::Append);
}

TEST_F(Store, TheWriterRefusesWhatCouldNotBeReadBack)
{
    writeFile("old.ktr", {u("\"старый\"")});
    QFile old(path("old.ktr"));
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    const QByteArray oldBytes = old.readAll();
    old.close();

    ControlRecord bad;
    bad.code = 7;
    bad.lft = u("5\",\"6");
    bad.commnt = u("кавычки");
    ControlsFileWriter writer;
    EXPECT_FALSE(writer.write(path("old.ktr"), {bad}));
    EXPECT_EQ(writer.errorString(), u("Контроль 7 (кавычки): текст содержит \",\" и не может быть выгружен"));
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), oldBytes);
    old.close();

    ControlRecord comment;
    comment.code = 8;
    comment.commnt = u("две\r\nстроки");
    EXPECT_FALSE(writer.write(path("old.ktr"), {comment}));
    EXPECT_TRUE(writer.errorString().startsWith(u("Контроль 8")));

    ControlRecord breaks;
    breaks.formName = u("Ф12");
    breaks.lft = u("стр1\r\nгр3");
    breaks.reltion = u("=");
    breaks.rght = u("5");
    breaks.cycl = u("гр3\n");
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(writer.write(&buffer, {breaks}));
    QString text;
    QString error;
    ASSERT_TRUE(decode1251(buffer.data(), &text, &error));
    EXPECT_EQ(text, u("\"Ф12\",\"\",\"стр1 гр3\",\"=\",\"5\",\"гр3 \",\"\"\r\n"));
}

} // namespace
