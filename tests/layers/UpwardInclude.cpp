// Never compiled: the layer check reads it as if it were a file of core, which stands below
// reports, so the include must be refused.
#include "core/Controls.h"
#include "reports/LevelMerge.h"
