// The application error box, which the last-resort catch of the application object shows: a
// failure the program found itself already is Russian and is shown as it stands; any other error
// is the program's own fault, whose English text stays out of the box. No handler lets an error get that far (a window catches its own,
// platform/WindowCommand.h), so the box is shown here without going through Qt's event delivery.
#include "platform/Application.h"

#include "PrintTo.h"
#include "ScriptedPrompts.h"
#include "platform/Database.h"

#include <QApplication>
#include <functional>
#include <gtest/gtest.h>

TEST(KestrinApplication, AnErrorThatEscapedAHandlerIsShownInTheOneErrorBox)
{
    ASSERT_NE(dynamic_cast<KestrinApplication*>(qApp), nullptr);
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
        ScriptedPrompts prompts;
        prompts.expectError();
        try {
            c.raise();
            ADD_FAILURE() << "nothing was raised";
        } catch (const std::exception& e) {
            showApplicationError(e);
        }
        EXPECT_EQ(prompts.log(), QStringList{c.shown});
    }
}
