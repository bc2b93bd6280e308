#pragma once
// The error marks a grid model holds, as a list a test can compare and print.

#include "entry/GridModel.h"

#include <QList>
#include <ostream>

struct MarkedCell {
    int c = 0;
    int r = 0;
    GridModel::ErrorMark mark = GridModel::ErrorMark::None;
    bool operator==(const MarkedCell&) const = default;
};

inline void PrintTo(const MarkedCell& m, std::ostream* os)
{
    *os << '(' << m.c << ", " << m.r << (m.mark == GridModel::ErrorMark::Left ? " left)" : " right)");
}

// Every marked cell, column by column.
inline QList<MarkedCell> marksOf(const GridModel& model)
{
    QList<MarkedCell> out;
    for (int c = 0; c < model.columnCount(); ++c)
        for (int r = 0; r < model.rowCount(); ++r)
            if (model.errorMark(c, r) != GridModel::ErrorMark::None)
                out.append({c, r, model.errorMark(c, r)});
    return out;
}
