// What the setup windows hand one another: the units found under a node, the form whose tables
// are listed, the catalogue's pending fill. Linked into the window tests of setup and above.
#include "SharedState.h"

#include "setup/AmdStruct.h"
#include "setup/LForm.h"
#include "setup/Tabls.h"

namespace {

void resetSetupWindowsState()
{
    ChildUnitIds.clear();
    TablesFormId = 0;
    CatalogueNeedsFill = false;
}

const SharedStateReset registered(&resetSetupWindowsState);

} // namespace
