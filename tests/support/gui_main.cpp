// Window tests: the program's own application object on the offscreen platform unless a display
// is asked for; the shared state is put back after every test. An error that reaches the
// application's last-resort catch has unwound through Qt's event delivery, so it fails the test
// that let it: the handler should have caught it.
#include "ScriptedModal.h"
#include "SharedState.h"
#include "platform/Application.h"

#include <gtest/gtest.h>
#include <exception>

namespace {
void failOnLastResort(const std::exception& e)
{
    ADD_FAILURE() << "an error unwound through Qt's event delivery to the application: " << e.what();
}
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    KestrinApplication app(argc, argv);
    installScriptedModalRunner();
    KestrinApplication::setLastResortObserver(&failOnLastResort);
    ::testing::InitGoogleTest(&argc, argv);
    installSharedStateGuard(::testing::UnitTest::GetInstance()->listeners());
    return RUN_ALL_TESTS();
}
