// What the entry windows hand one another: the chosen form, table and tree node. Linked into the
// window tests of the folders that link entry's windows; core's reset comes with CoreState.cpp.
#include "SharedState.h"

#include "entry/FrmList.h"
#include "entry/ShowTable.h"

namespace {

void resetEntryWindowsState()
{
    SelectedTableNodeId = 0;
    CurrentFormNumber.clear();
    CurrentFormName.clear();
    CurrentTableId = 0;
    TreeFormId = 0;
    TreeFormName.clear();
}

const SharedStateReset registered(&resetEntryWindowsState);

} // namespace
