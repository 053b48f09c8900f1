// The last passes over a finished contour's TrueType points, step for step
// as outline.py makes them in Python (_without_implied, then _level_turns
// until nothing moves): the editor loads this with ctypes when it is there
// and runs the Python passes when it is not; both must give the same points,
// so every comparison and every rounding here is the one the Python code
// makes (built without contracting a * b + c into one rounding).

#include "outline_points.h"

#include <cmath>
#include <cstddef>
#include <vector>

namespace glyphsmith {

bool SamePlace(const Point& a, const Point& b)
{
    return a.x == b.x && a.y == b.y;
}

double Coordinate(const Point& p, int axis)
{
    return axis ? p.y : p.x;
}

// _without_implied: the on-curve points between two off-curve ones that may
// be left for the renderer to put halfway between them.
std::vector<Point> WithoutImplied(const std::vector<Point>& points, double tolerance)
{
    const size_t count = points.size();
    if (count < 3)
        return points;
    std::vector<bool> drop(count, false);
    std::vector<double> moved(count, 0.0);
    const double limit = tolerance * tolerance;
    for (size_t i = 0; i < count; ++i) {
        const Point& p = points[i];
        if (!p.on)
            continue;
        const Point& before = points[(i + count - 1) % count];
        const Point& after = points[(i + 1) % count];
        if (before.on || after.on)
            continue;
        const double px = p.x, py = p.y, bx = before.x, by = before.y, cx = after.x, cy = after.y;
        const double mx = (bx + cx) / 2, my = (by + cy) / 2;
        if (mx == px && my == py) {
            drop[i] = true;
            continue;
        }
        if (tolerance == 0.0)
            continue;
        const double ux = cx - bx, uy = cy - by;
        const double across = ux * (py - by) - uy * (px - bx);
        if (across * across > 0.25 * (ux * ux + uy * uy))
            continue;
        const double squared = (mx - px) * (mx - px) + (my - py) * (my - py);
        const Point& end = points[(i + 2) % count];
        const double ex = end.on ? end.x : (end.x + cx) / 2, ey = end.on ? end.y : (end.y + cy) / 2;
        const double v2x = cx - px, v2y = cy - py, w2x = ex - cx, w2y = ey - cy;
        double turn = v2x * w2y - v2y * w2x;
        if (squared * turn * turn > limit * (v2x * v2x + v2y * v2y) * (w2x * w2x + w2y * w2y))
            continue;
        const size_t at = (i + count - 2) % count;
        const Point& start = points[at];
        double startMoved = 0.0, sx, sy;
        if (start.on) {
            startMoved = moved[at];
            sx = start.x;
            sy = start.y;
        } else {
            sx = (start.x + bx) / 2;
            sy = (start.y + by) / 2;
        }
        const double v1x = bx - sx, v1y = by - sy, w1x = px - bx, w1y = py - by;
        turn = v1x * w1y - v1y * w1x;
        const double shift = std::sqrt(squared) + startMoved;
        if (shift * shift * turn * turn <= limit * (v1x * v1x + v1y * v1y) * (w1x * w1x + w1y * w1y)) {
            drop[i] = true;
            moved[i] = std::sqrt(squared);
        }
    }
    std::vector<Point> kept;
    bool anyOn = false;
    for (size_t i = 0; i < count; ++i)
        if (!drop[i]) {
            kept.push_back(points[i]);
            anyOn = anyOn || points[i].on;
        }
    return anyOn ? kept : points;
}

double Beyond(double v, double a, double b, double lo, double hi)
{
    const double t = (a - v) / (a - 2 * v + b);
    const double turn = (1 - t) * (1 - t) * a + 2 * t * (1 - t) * v + t * t * b;
    return turn > hi ? turn - hi : lo - turn;
}

constexpr int kMostCuts = 16;

// _cut: the curve around off-curve point i cut at t.
void Cut(std::vector<Point>& points, size_t i, double t)
{
    const size_t count = points.size();
    const Point a = points[(i + count - 1) % count], p = points[i], b = points[(i + 1) % count];
    const double startX = a.on ? a.x : (a.x + p.x) / 2, startY = a.on ? a.y : (a.y + p.y) / 2;
    const double endX = b.on ? b.x : (b.x + p.x) / 2, endY = b.on ? b.y : (b.y + p.y) / 2;
    const double u = 1 - t;
    const double firstX = u * startX + t * p.x, firstY = u * startY + t * p.y;
    const double secondX = u * p.x + t * endX, secondY = u * p.y + t * endY;
    const double middleX = u * firstX + t * secondX, middleY = u * firstY + t * secondY;
    std::vector<Point> cut;
    if (!a.on)
        cut.push_back(Point { std::floor(startX + 0.5), std::floor(startY + 0.5), true });
    cut.push_back(Point { std::floor(firstX + 0.5), std::floor(firstY + 0.5), false });
    cut.push_back(Point { std::floor(middleX + 0.5), std::floor(middleY + 0.5), true });
    cut.push_back(Point { std::floor(secondX + 0.5), std::floor(secondY + 0.5), false });
    if (!b.on)
        cut.push_back(Point { std::floor(endX + 0.5), std::floor(endY + 0.5), true });
    points.erase(points.begin() + static_cast<std::ptrdiff_t>(i));
    points.insert(points.begin() + static_cast<std::ptrdiff_t>(i), cut.begin(), cut.end());
}

// _level_turns: true when a point moved or a curve was cut.
bool LevelTurns(std::vector<Point>& points, double reach)
{
    size_t i = 0;
    int cuts = 0, moves = 0;
    while (i < points.size()) {
        const Point p = points[i];
        if (p.on) {
            ++i;
            continue;
        }
        const size_t count = points.size();
        const Point a = points[(i + count - 1) % count], b = points[(i + 1) % count];
        double x = p.x, y = p.y;
        if (((a.x <= x && x <= b.x) || (b.x <= x && x <= a.x)) && ((a.y <= y && y <= b.y) || (b.y <= y && y <= a.y))) {
            ++i;
            continue;
        }
        bool cutting = false;
        double cut = 0.0;
        for (int axis = 0; axis < 2; ++axis) {
            const double v = Coordinate(p, axis), av = Coordinate(a, axis), bv = Coordinate(b, axis);
            const double lo = av < bv ? av : bv, hi = av < bv ? bv : av;
            if (lo <= v && v <= hi)
                continue;
            const double start = a.on ? av : (av + v) / 2;
            const double end = b.on ? bv : (bv + v) / 2;
            if (Beyond(v, start, end, start < end ? start : end, start < end ? end : start) <= reach) {
                (axis ? y : x) = v > hi ? hi : lo;
            } else if (!cutting) {
                cutting = true;
                cut = (start - v) / (start - 2 * v + end);
            }
        }
        if (!cutting || cuts == kMostCuts) {
            if (x != p.x || y != p.y) {
                points[i] = Point { x, y, false };
                ++moves;
            }
            ++i;
            continue;
        }
        Cut(points, i, cut);
        ++cuts;
    }
    if (cuts || moves)
        points = WithoutRepeats(points);
    return cuts || moves;
}

std::vector<Point> WithoutRepeats(const std::vector<Point>& points)
{
    std::vector<Point> kept;
    for (const Point& p : points) {
        if (!kept.empty() && SamePlace(p, kept.back())) {
            kept.back() = Point { p.x, p.y, true };
            continue;
        }
        kept.push_back(p);
    }
    while (kept.size() > 1 && SamePlace(kept.back(), kept.front())) {
        kept.front().on = true;
        kept.pop_back();
    }
    return kept;
}

std::vector<Point> LastPasses(std::vector<Point> points, double tolerance, bool levelling, double reach)
{
    if (tolerance >= 0)
        points = WithoutImplied(points, tolerance);
    if (levelling)
        for (int pass = 0; pass < 4 && LevelTurns(points, reach); ++pass) {
        }
    return points;
}

} // namespace glyphsmith

using glyphsmith::Point;

// The contour's points (xs, ys, on; count of them) after the passes:
// on-curve points left implied within tolerance units (none when tolerance
// is negative), then, with levelling, turns levelled or cut (up to four
// times over). Written back into the arrays, which hold room for capacity
// points; returns the new count, or -1 when they would not fit.
extern "C" __attribute__((visibility("default"))) int glyphsmith_lean_points(int* xs, int* ys, unsigned char* on,
    int count, int capacity, double tolerance, int levelling, double reach) noexcept
{
    try {
        std::vector<Point> points;
        points.reserve(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i)
            points.push_back(Point { static_cast<double>(xs[i]), static_cast<double>(ys[i]), on[i] != 0 });
        points = glyphsmith::LastPasses(std::move(points), tolerance, levelling != 0, reach);
        if (points.size() > static_cast<size_t>(capacity))
            return -1;
        for (size_t i = 0; i < points.size(); ++i) {
            xs[i] = static_cast<int>(points[i].x);
            ys[i] = static_cast<int>(points[i].y);
            on[i] = points[i].on ? 1 : 0;
        }
        return static_cast<int>(points.size());
    } catch (...) {
        return -1;
    }
}
