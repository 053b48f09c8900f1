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

// Each run of points in one place made one on-curve point: an off-curve
// point on its neighbour draws a straight line to it, a corner.
std::vector<Point> WithoutRepeats(const std::vector<Point>& points);

// outline._last_passes: on-curve points left implied within tolerance units
// (none when it is negative), then with levelling the turns levelled or cut
// until none moves (four times at most).
std::vector<Point> LastPasses(std::vector<Point> points, double tolerance, bool levelling, double reach);

} // namespace glyphsmith
