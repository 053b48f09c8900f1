#pragma once

#include <QPoint>
#include <vector>

// One stroke: pointer positions in the view's client coordinates (one unit a
// canvas dot, y downward), unclipped.
class CPointArray2 : public std::vector<QPoint>
{
public:
    using std::vector<QPoint>::vector;
};
