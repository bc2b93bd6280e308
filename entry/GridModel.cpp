#include "entry/GridModel.h"

GridModel::GridModel() = default;
GridModel::~GridModel() = default;
