#pragma once
// The guard of the program's shared state in tests: after every test it puts back what the
// program starts with (the open databases, the chosen folders, the globals the windows hand one
// another), so no test sees what an earlier one left and no test keeps its own list of them.
//
// Platform's state is reset here. A layer above adds its own reset from a file in
// tests/support/reset/, linked into the tests of the folders that link that layer; the file
// registers its reset when the test program starts.

namespace testing {
class TestEventListeners;
}

// Adds a reset to the guard. Resets run in the order they were added, platform's last, so the
// databases close after every layer has let go of what it read from them.
void addSharedStateReset(void (*reset)());

// Runs every reset now. The guard calls it after each test, once the fixture is gone.
void resetSharedState();

// Appends the guard to the listeners (the test mains call it after InitGoogleTest).
void installSharedStateGuard(testing::TestEventListeners& listeners);

// Registers `reset` when the test program starts: `const SharedStateReset r(&resetCore);`.
struct SharedStateReset {
    explicit SharedStateReset(void (*reset)()) { addSharedStateReset(reset); }
};
