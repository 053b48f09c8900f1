// Traced contours into a glyph's TrueType points, with the leeway that a fit
// to the ink afterwards allows (lean_conversion.cpp).

#pragma once

#include "outline_points.h"

#include <vector>

namespace glyphsmith {

// Traced contours: per contour a start point, then segments, each a line to
// a point or a cubic curve (two control points and an end), ending at the
// start. coords holds them in that order: x, y of the start, then x, y of a
// line's point or x1, y1, x2, y2, x, y of a curve; curve[k] says which each
// segment is; the segments of contour c end before segmentEnds[c].
struct Traced
{
    const double* coords;
    const unsigned char* curve;
    const int* segmentEnds;
    int contours;
};

// Scale (x sx, y sy + dy) into font units, the conversion's error, the area
// below which a contour is a speck (square units; 0 keeps every one).
struct Conversion
{
    double sx;
    double sy;
    double dy;
    double error;
    double least;
};

using Glyph = std::vector<std::vector<Point>>;

// The traced contours as TrueType points on the integer grid: each curve cut
// where it turns in x or y, turned into quadratic ones within the error
// (fontTools' cu2qu, step for step), the on-curve points halfway between
// off-curve ones within the error left implied, turns levelled, specks and
// contours that rounding flattened left out (outline.quadratic_points).
Glyph LeanConversion(const Traced& traced, const Conversion& conversion);

// True when the contour encloses less than least square units
// (outline._speck).
bool Speck(const std::vector<Point>& points, double least);

// True when the points lie in at least three places.
bool ThreePlaces(const std::vector<Point>& points);

} // namespace glyphsmith
