// A window's handler runs its command through runShowingFailure: a database failure is shown once,
// in Russian and without the statement, stops the command there, and never leaves the handler, so
// nothing unwinds through Qt's event delivery (the test main fails a test whose error reaches the
// application's last-resort catch).
#include "platform/WindowCommand.h"

#include "PrintTo.h"
#include "ScriptedPrompts.h"
#include "platform/Application.h"

#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

// A window with one button whose handler stores a row in "kept" and then one in a table the
// file does not have.
class SaveWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        db = Database::create(path);
        db->exec(QStringLiteral(R"(create table "kept" ("id" integer))"));
        QObject::connect(&button, &QPushButton::clicked, [this] {
            ran = runShowingFailure(whatFailed, [this] {
                db->exec(QStringLiteral(R"(insert into "kept" ("id") values (?))"), {1});
                db->exec(QStringLiteral(R"(insert into "missing" ("id") values (?))"), {2});
                ++commandFinished;
            });
            ++handlerFinished;
        });
        button.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
    }
    int kept() { return db->scalar(QStringLiteral(R"(select count(*) from "kept")")).toInt(); }
    QString missingTable() const
    {
        return QStringLiteral("Файл %1 не того вида, какой нужен программе, или поврежден: в нем нет таблицы \"missing\".")
            .arg(QDir::toNativeSeparators(path));
    }

    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("data0.mdb"));
    std::unique_ptr<Database> db;
    QPushButton button{QStringLiteral("Сохранить")};
    QString whatFailed;
    bool ran = true;
    int commandFinished = 0;
    int handlerFinished = 0;
};

} // namespace

TEST_F(SaveWindow, ADatabaseErrorInAClickedHandlerIsShownOnceInRussianWithoutTheStatement)
{
    ASSERT_NE(dynamic_cast<KestrinApplication*>(qApp), nullptr);
    {
        ScriptedPrompts prompts;
        prompts.expectError(QStringLiteral("нет таблицы \"missing\""));
        QTest::mouseClick(&button, Qt::LeftButton);
        EXPECT_EQ(prompts.remaining(), 0);
        EXPECT_EQ(prompts.log(), QStringList{QStringLiteral("error: ") + missingTable()});
        EXPECT_FALSE(prompts.log().join(QLatin1Char('\n')).contains(QStringLiteral("insert")));
    }
    // The command stopped at its failure, the handler went on past it; the first row stays, as it
    // was written before.
    EXPECT_FALSE(ran);
    EXPECT_EQ(commandFinished, 0);
    EXPECT_EQ(handlerFinished, 1);
    EXPECT_EQ(kept(), 1);

    // The program carries on: the next click is handled and fails the same way, once, under what
    // the window says failed.
    whatFailed = QStringLiteral("Данные не сохранены.");
    {
        ScriptedPrompts prompts;
        prompts.expectError();
        QTest::mouseClick(&button, Qt::LeftButton);
        EXPECT_EQ(prompts.log(), QStringList{QStringLiteral("error: Данные не сохранены.\n") + missingTable()});
    }
    EXPECT_EQ(commandFinished, 0);
    EXPECT_EQ(handlerFinished, 2);
    EXPECT_EQ(kept(), 2);
}

// A command with a result gives it back, or nothing after the one box; a failure the program found
// itself already is Russian and is shown as it stands.
TEST(RunShowingFailure, GivesTheCommandsResultOrNothingAfterTheBox)
{
    {
        ScriptedPrompts prompts;
        EXPECT_EQ(runShowingFailure(QStringLiteral("Отчет не добавлен."), [] { return 7; }), std::optional<int>(7));
        EXPECT_TRUE(runShowingFailure(QString(), [] {}));
        EXPECT_TRUE(prompts.log().isEmpty());
    }
    struct Case {
        QString whatFailed;
        QString shown;
    };
    const Case cases[] = {
        {QString(), QStringLiteral("error: Ошибка базы данных: нет файла базы данных d.mdb")},
        {QStringLiteral("Отчет не добавлен."),
         QStringLiteral("error: Отчет не добавлен.\nОшибка базы данных: нет файла базы данных d.mdb")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown.toStdString());
        ScriptedPrompts prompts;
        prompts.expectError();
        const std::optional<int> result = runShowingFailure(c.whatFailed, []() -> int {
            throw DbError(QStringLiteral("нет файла базы данных d.mdb"));
        });
        EXPECT_FALSE(result.has_value());
        EXPECT_EQ(prompts.log(), QStringList{c.shown});
    }
}
