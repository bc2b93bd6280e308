// Window tests: the program's own application object on the offscreen platform unless a display
// is asked for, so an error thrown in a slot reaches the one error box as in the program; the
// shared state is put back after every test.
#include "ScriptedModal.h"
#include "SharedState.h"
#include "platform/Application.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    KestrinApplication app(argc, argv);
    installScriptedModalRunner();
    ::testing::InitGoogleTest(&argc, argv);
    installSharedStateGuard(::testing::UnitTest::GetInstance()->listeners());
    return RUN_ALL_TESTS();
}
