// Core's shared state as the program starts: nothing chosen in the main window, no table's cells,
// no structure read, no controls loaded. Linked into the tests of every folder that links core.
#include "SharedState.h"

#include "core/Common.h"
#include "core/Configurations.h"
#include "core/Controls.h"
#include "core/ReportLevels.h"
#include "core/StructureCache.h"

namespace {

void resetCoreState()
{
    WorkMode.clear();
    DataTablePrefix.clear();
    NetMode = false;
    ReportYear = 0;
    CurrentInstitutionId = 0;
    InstitutionIdList.clear();
    CellValues.clear();
    CellRowOffset = 0;
    LoadedFormName.clear();
    LoadedTableNumber.clear();
    RoundResults = false;
    ChosenForms.clear();

    CfgDir.clear();
    ConfigName.clear();
    ConfigIndex = -1;
    CurrentLevel = ReportLevel{0, AnnualLevelName};

    ClearControls();
    ControlErrors.clear();
    ControlTableLoading = nullptr;
    clearStructureCaches();
}

const SharedStateReset registered(&resetCoreState);

} // namespace
