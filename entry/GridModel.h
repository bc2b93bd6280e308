#pragma once
// The table grid without its window: the table's layout and header cells, the cell values, the
// marks of the cells and the entry of the focused cell.

class GridModel {
public:
    GridModel();
    ~GridModel();
};
