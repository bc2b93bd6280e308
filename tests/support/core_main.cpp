// Logic tests: an application object for Qt's core services, but no widgets; the shared state
// is put back after every test.
#include "SharedState.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    installSharedStateGuard(::testing::UnitTest::GetInstance()->listeners());
    return RUN_ALL_TESTS();
}
