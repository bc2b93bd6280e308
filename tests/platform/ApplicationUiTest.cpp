// The program's one catch point: an error a handler raises while the user works a window
// unwinds to the application object, which shows it in the one error box and goes on.
#include "platform/Application.h"

#include "PrintTo.h"
#include "ScriptedPrompts.h"
#include "platform/Database.h"

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
            db->exec(QStringLiteral(R"(insert into "kept" ("id") values (?))"), {1});
            db->exec(QStringLiteral(R"(insert into "missing" ("id") values (?))"), {2});
            ++handlerFinished;
        });
        button.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
    }
    int kept() { return db->scalar(QStringLiteral(R"(select count(*) from "kept")")).toInt(); }

    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("data0.mdb"));
    std::unique_ptr<Database> db;
    QPushButton button{QStringLiteral("Сохранить")};
    int handlerFinished = 0;
};

} // namespace

TEST_F(SaveWindow, ADatabaseErrorInAClickedHandlerIsShownOnceInRussianWithoutTheStatement)
{
    ASSERT_NE(dynamic_cast<KestrinApplication*>(qApp), nullptr);
    const QString expected =
        QStringLiteral("Файл %1 не того вида, какой нужен программе, или поврежден: в нем нет таблицы \"missing\".")
            .arg(QDir::toNativeSeparators(path));
    {
        ScriptedPrompts prompts;
        prompts.expectError(QStringLiteral("нет таблицы \"missing\""));
        QTest::mouseClick(&button, Qt::LeftButton);
        EXPECT_EQ(prompts.remaining(), 0);
        EXPECT_EQ(prompts.log(), QStringList{QStringLiteral("error: ") + expected});
        EXPECT_FALSE(prompts.log().join(QLatin1Char('\n')).contains(QStringLiteral("insert")));
    }
    // The handler stopped at its failure; its first row stays, as it was written before it.
    EXPECT_EQ(handlerFinished, 0);
    EXPECT_EQ(kept(), 1);

    // The program carries on: the next click is handled and fails the same way, once.
    {
        ScriptedPrompts prompts;
        prompts.expectError(expected);
        QTest::mouseClick(&button, Qt::LeftButton);
        EXPECT_EQ(prompts.remaining(), 0);
        EXPECT_EQ(prompts.log().size(), 1);
    }
    EXPECT_EQ(handlerFinished, 0);
    EXPECT_EQ(kept(), 2);
}

// A failure the program found itself already is Russian and is shown as it stands; any other
// error is the program's own fault, whose English text stays out of the box.
TEST(KestrinApplication, AnErrorOfAKeyHandlerIsShownInTheOneErrorBox)
{
    struct Case {
        std::function<void()> raise;
        QString shown;
    };
    const Case cases[] = {
        {[] { throw DbError(QStringLiteral("нет файла базы данных d.mdb")); },
         QStringLiteral("error: Ошибка базы данных: нет файла базы данных d.mdb")},
        {[] { throw std::runtime_error("vector::_M_range_check: __n (which is 3) >= this->size()"); },
         QStringLiteral("error: Команда прервана из-за внутренней ошибки программы.")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown.toStdString());
        QPushButton button(QStringLiteral("Записать"));
        QObject::connect(&button, &QPushButton::clicked, c.raise);
        button.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
        button.setFocus();
        ScriptedPrompts prompts;
        prompts.expectError();
        QTest::keyClick(&button, Qt::Key_Space);
        EXPECT_EQ(prompts.log(), QStringList{c.shown});
    }
}
