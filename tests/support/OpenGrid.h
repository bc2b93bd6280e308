#pragma once
// Points the table grid at a table for a test that makes its own TVTable: the opening globals as
// openTableGrid sets them, which the window reads when it is first shown.

#include "entry/ShowTable.h"

inline void openGrid(int formId, const QString& formName, const QString& tableNumber, int tableId = 0)
{
    SelectedTableNodeId = formId;
    CurrentFormName = formName;
    CurrentFormNumber = tableNumber;
    CurrentTableId = tableId;
}
