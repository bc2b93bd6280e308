#include "SharedState.h"

#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/Prompts.h"
#include "platform/office/Desktop.h"

#include <QList>
#include <QString>
#include <gtest/gtest.h>

namespace {

// Built on first use: the layers register theirs while the program's statics are made.
QList<void (*)()>& layerResets()
{
    static QList<void (*)()> resets;
    return resets;
}

void resetPlatformState()
{
    Aliases::closeAll();
    Files::setProgramFolder(QString());
    setTemporaryDocumentsFolder(QString());
    forgetOpenWorkbooks();
    setPromptTitle(QString());
    setProgramTitle(QString());
}

class SharedStateGuard final : public ::testing::EmptyTestEventListener {
public:
    void OnTestEnd(const ::testing::TestInfo&) override { resetSharedState(); }
};

} // namespace

void addSharedStateReset(void (*reset)())
{
    if (!layerResets().contains(reset))
        layerResets().append(reset);
}

void resetSharedState()
{
    for (void (*reset)() : layerResets())
        reset();
    resetPlatformState();
}

void installSharedStateGuard(testing::TestEventListeners& listeners)
{
    listeners.Append(new SharedStateGuard);   // the listeners own it
}
