// The last passes over a contour's TrueType points (outline_points.cpp),
// for the other native steps that make a glyph's points.

#pragma once

#include <vector>

namespace glyphsmith {

struct Point
{
    double x;
    double y;
    bool on;
};

// The on-curve points between two off-curve ones that the renderer may put
// back itself, halfway between them, within tolerance units, left out.
std::vector<Point> WithoutImplied(const std::vector<Point>& points, double tolerance);

// Turns of a curve beyond both its ends levelled (within reach units) or
// cut; true when a point moved or was added.
bool LevelTurns(std::vector<Point>& points, double reach);

} // namespace glyphsmith
