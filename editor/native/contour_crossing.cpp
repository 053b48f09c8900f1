// Whether the contours potrace traced may cross: the editor's check in
// glyphsmith/tracer/crossing.py, step for step, on potrace's own path list. The editor
// loads this with ctypes when it is there and runs the Python check when it
// is not; both must give the same answer for the same paths, so every
// comparison and every rounding step here is the one the Python code makes
// (built without contracting a * b + c into one rounding).
//
// Potrace's structures are declared here as the editor's ctypes code
// declares them (potracelib.h, version 1.x).

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace {

struct DPoint
{
    double x;
    double y;
};

struct PotraceCurve
{
    int n;
    int* tag;
    DPoint (*c)[3];
};

struct PotracePath
{
    int area;
    int sign;
    PotraceCurve curve;
    PotracePath* next;
    PotracePath* childlist;
    PotracePath* sibling;
    void* priv;
};

constexpr int kCurveTo = 1;
constexpr double kSlack = 1e-6;
constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 2 * kPi;

// A segment's control points, start first and end last: two for a line,
// four for a curve.
struct Hull
{
    DPoint p[4];
    int n;
    const DPoint& Front() const { return p[0]; }
    const DPoint& Back() const { return p[n - 1]; }
};

// Python's float %, whose result takes the sign of the divisor.
double PyMod(double a, double m)
{
    double r = std::fmod(a, m);
    if (r != 0.0) {
        if ((m < 0) != (r < 0))
            r += m;
    } else {
        r = std::copysign(0.0, m);
    }
    return r;
}

double Dot(const DPoint& p, const DPoint& j, double ux, double uy)
{
    return (p.x - j.x) * ux + (p.y - j.y) * uy;
}

bool InHalfPlane(std::vector<double> angles)
{
    for (double& a : angles)
        a = PyMod(a, kTwoPi);
    std::sort(angles.begin(), angles.end());
    double widest = angles.front() + kTwoPi - angles.back();
    for (size_t i = 1; i < angles.size(); ++i)
        widest = std::max(widest, angles[i] - angles[i - 1]);
    return widest > kPi + 1e-9;
}

// The points of a line through the joint: all points before strictly on its
// one side, all after on its other.
bool ApartBeyond(const DPoint& joint, const Hull& before, const Hull& after)
{
    const double ux = after.Back().x - before.Front().x;
    const double uy = after.Back().y - before.Front().y;
    const double slack = kSlack * (std::fabs(ux) + std::fabs(uy));
    bool split = true;
    for (int i = 0; split && i < before.n - 1; ++i)
        split = Dot(before.p[i], joint, ux, uy) < -slack;
    for (int i = 1; split && i < after.n; ++i)
        split = Dot(after.p[i], joint, ux, uy) > slack;
    if (split)
        return true;
    std::vector<double> angles;
    for (int side = 0; side < 2; ++side) {
        const Hull& hull = side ? after : before;
        const int from = side ? 1 : 0;
        const int to = side ? hull.n : hull.n - 1;
        const double turn = side ? kPi : 0.0;
        for (int i = from; i < to; ++i) {
            const double dx = hull.p[i].x - joint.x;
            const double dy = hull.p[i].y - joint.y;
            if (std::fabs(dx) < kSlack && std::fabs(dy) < kSlack)
                return false;
            angles.push_back(std::atan2(dy, dx) + turn);
        }
    }
    return InHalfPlane(std::move(angles));
}

bool JointApart(const Hull& before, const Hull& after)
{
    const DPoint& joint = after.Front();
    const double ux = after.Back().x - before.Front().x;
    const double uy = after.Back().y - before.Front().y;
    const double slack = kSlack * (std::fabs(ux) + std::fabs(uy));
    for (int i = 0; i < before.n - 1; ++i)
        if (Dot(before.p[i], joint, ux, uy) >= -slack)
            return ApartBeyond(joint, before, after);
    for (int i = 1; i < after.n; ++i)
        if (Dot(after.p[i], joint, ux, uy) <= slack)
            return ApartBeyond(joint, before, after);
    return true;
}

bool Monotone(double d0, double d1, double d2)
{
    if (d0 * d2 < 0)
        return false;
    if (d0 * d2 == 0) {
        const bool oneWay = (d0 >= 0 && d1 >= 0 && d2 >= 0) || (d0 <= 0 && d1 <= 0 && d2 <= 0);
        return oneWay && (d0 != 0 || d1 != 0 || d2 != 0);
    }
    const double a = d0 - 2 * d1 + d2;
    const double t = a != 0 ? (d0 - d1) / a : -1.0;
    return !(0 < t && t < 1) || (d0 * std::pow(1 - t, 2.0) + 2 * d1 * t * (1 - t) + d2 * t * t) * d0 > 0;
}

void Halves(const Hull& h, Hull& first, Hull& second)
{
    const DPoint a = h.p[0], b = h.p[1], c = h.p[2], d = h.p[3];
    const DPoint ab { (a.x + b.x) / 2, (a.y + b.y) / 2 }, bc { (b.x + c.x) / 2, (b.y + c.y) / 2 };
    const DPoint cd { (c.x + d.x) / 2, (c.y + d.y) / 2 };
    const DPoint l { (ab.x + bc.x) / 2, (ab.y + bc.y) / 2 }, r { (bc.x + cd.x) / 2, (bc.y + cd.y) / 2 };
    const DPoint m { (l.x + r.x) / 2, (l.y + r.y) / 2 };
    first = Hull { { a, ab, l, m }, 4 };
    second = Hull { { m, r, cd, d }, 4 };
}

bool LoopFree(const Hull& h, int depth = 3)
{
    const DPoint* p = h.p;
    if (Monotone(p[1].x - p[0].x, p[2].x - p[1].x, p[3].x - p[2].x)
        || Monotone(p[1].y - p[0].y, p[2].y - p[1].y, p[3].y - p[2].y))
        return true;
    std::vector<double> angles;
    for (int i = 0; i < 3; ++i) {
        const double dx = p[i + 1].x - p[i].x, dy = p[i + 1].y - p[i].y;
        if (std::fabs(dx) > kSlack || std::fabs(dy) > kSlack)
            angles.push_back(std::atan2(dy, dx));
    }
    if (!angles.empty() && InHalfPlane(std::move(angles)))
        return true;
    if (depth == 0)
        return false;
    Hull first, second;
    Halves(h, first, second);
    return LoopFree(first, depth - 1) && LoopFree(second, depth - 1) && ApartBeyond(first.Back(), first, second);
}

// Every line through two of the points; their normals include the edge
// normals of the points' convex hull.
bool HullsApart(const Hull& a, const Hull& b)
{
    for (int side = 0; side < 2; ++side) {
        const Hull& axes = side ? b : a;
        for (int i = 0; i < axes.n; ++i) {
            for (int j = i + 1; j < axes.n; ++j) {
                const double dx = axes.p[j].x - axes.p[i].x, dy = axes.p[j].y - axes.p[i].y;
                if (dx == 0 && dy == 0)
                    continue;
                const double nx = -dy, ny = dx;
                double amin = 0, amax = 0, bmin = 0, bmax = 0;
                for (int k = 0; k < a.n; ++k) {
                    const double v = nx * a.p[k].x + ny * a.p[k].y;
                    amin = k ? std::min(amin, v) : v;
                    amax = k ? std::max(amax, v) : v;
                }
                for (int k = 0; k < b.n; ++k) {
                    const double v = nx * b.p[k].x + ny * b.p[k].y;
                    bmin = k ? std::min(bmin, v) : v;
                    bmax = k ? std::max(bmax, v) : v;
                }
                const double slack = kSlack * (std::fabs(nx) + std::fabs(ny));
                if (amax < bmin - slack || bmax < amin - slack)
                    return true;
            }
        }
    }
    return false;
}

bool Separated(const Hull& a, const Hull& b, int depth = 4)
{
    if (HullsApart(a, b))
        return true;
    if (depth == 0 || (a.n == 2 && b.n == 2))
        return false;
    Hull pieces[2][2];
    int counts[2] = { 1, 1 };
    for (int side = 0; side < 2; ++side) {
        const Hull& h = side ? b : a;
        if (h.n == 2) {
            pieces[side][0] = h;
        } else {
            Halves(h, pieces[side][0], pieces[side][1]);
            counts[side] = 2;
        }
    }
    for (int i = 0; i < counts[0]; ++i)
        for (int j = 0; j < counts[1]; ++j)
            if (!Separated(pieces[0][i], pieces[1][j], depth - 1))
                return false;
    return true;
}

struct Box
{
    double x0, x1, y0, y1;
};

Box BoxOf(const Hull& h)
{
    Box box { h.p[0].x, h.p[0].x, h.p[0].y, h.p[0].y };
    for (int i = 1; i < h.n; ++i) {
        box.x0 = std::min(box.x0, h.p[i].x);
        box.x1 = std::max(box.x1, h.p[i].x);
        box.y0 = std::min(box.y0, h.p[i].y);
        box.y1 = std::max(box.y1, h.p[i].y);
    }
    return Box { box.x0 - kSlack, box.x1 + kSlack, box.y0 - kSlack, box.y1 + kSlack };
}

bool HeadsAlongChord(const Hull& h)
{
    const DPoint &a = h.p[0], &p = h.p[1], &q = h.p[2], &e = h.p[3];
    const double ux = e.x - a.x, uy = e.y - a.y;
    return (p.x - a.x) * ux + (p.y - a.y) * uy > 0 && (q.x - p.x) * ux + (q.y - p.y) * uy > 0
        && (e.x - q.x) * ux + (e.y - q.y) * uy > 0;
}

class Check
{
public:
    // False when a contour is shown to be unsound on its own.
    bool AddPath(const PotracePath& path)
    {
        const int n = path.curve.n;
        if (n <= 0)
            return true;
        const DPoint (*c)[3] = path.curve.c;
        const DPoint start = c[n - 1][2];
        const size_t first = m_hulls.size();
        DPoint at = start;
        // The segments walked backwards, as the tracer hands them to the font.
        for (int i = n - 1; i >= 0; --i) {
            const DPoint before = i ? c[i - 1][2] : start;
            if (path.curve.tag[i] == kCurveTo) {
                const Hull hull { { at, c[i][1], c[i][0], before }, 4 };
                if (!HeadsAlongChord(hull) && !LoopFree(hull))
                    return false;
                if (!Add(first, hull))
                    return false;
            } else {
                if (!Add(first, Hull { { at, c[i][1] }, 2 }) || !Add(first, Hull { { c[i][1], before }, 2 }))
                    return false;
            }
            at = before;
        }
        if (m_hulls.size() - first < 3 || !JointApart(m_hulls.back(), m_hulls[first]))
            return false;
        m_follows.back() = first;
        return true;
    }

    // The same for a contour of a finished glyph: TrueType points (on-curve
    // or not, the on-curve point between two off-curve ones implied), walked
    // from its first on-curve point, each quadratic curve as the cubic it
    // equals; as outline.py hands them to the Python check.
    bool AddPoints(const int* xs, const int* ys, const unsigned char* on, int count)
    {
        std::vector<DPoint> points;
        std::vector<bool> onCurve;
        for (int i = 0; i < count; ++i) {
            const int before = i ? i - 1 : count - 1;
            if (!on[i] && !on[before]) {
                points.push_back(DPoint { (xs[before] + xs[i]) / 2.0, (ys[before] + ys[i]) / 2.0 });
                onCurve.push_back(true);
            }
            points.push_back(DPoint { static_cast<double>(xs[i]), static_cast<double>(ys[i]) });
            onCurve.push_back(on[i] != 0);
        }
        size_t start = 0;
        while (start < points.size() && !onCurve[start])
            ++start;
        if (start == points.size())
            return false;
        const size_t n = points.size();
        const size_t first = m_hulls.size();
        DPoint at = points[start];
        for (size_t k = 1; k <= n;) {
            const size_t i = (start + k) % n;
            if (onCurve[i]) {
                if (!Add(first, Hull { { at, points[i] }, 2 }))
                    return false;
                at = points[i];
                ++k;
                continue;
            }
            const DPoint& c = points[i];
            const DPoint& end = points[(start + k + 1) % n];
            const Hull hull { { at, DPoint { at.x + 2.0 / 3.0 * (c.x - at.x), at.y + 2.0 / 3.0 * (c.y - at.y) },
                                  DPoint { end.x + 2.0 / 3.0 * (c.x - end.x), end.y + 2.0 / 3.0 * (c.y - end.y) }, end },
                4 };
            if (!HeadsAlongChord(hull) && !LoopFree(hull))
                return false;
            if (!Add(first, hull))
                return false;
            at = end;
            k += 2;
        }
        if (m_hulls.size() - first < 3 || !JointApart(m_hulls.back(), m_hulls[first]))
            return false;
        m_follows.back() = first;
        return true;
    }

    // True when every two segments whose boxes meet, other than neighbours,
    // are shown apart.
    bool PairsApart() const
    {
        std::vector<size_t> order(m_boxes.size());
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::sort(order.begin(), order.end(), [this](size_t a, size_t b) { return m_boxes[a].x0 < m_boxes[b].x0; });
        for (size_t oi = 0; oi < order.size(); ++oi) {
            const size_t i = order[oi];
            const Box& a = m_boxes[i];
            for (size_t oj = oi + 1; oj < order.size() && m_boxes[order[oj]].x0 <= a.x1; ++oj) {
                const size_t k = order[oj];
                const Box& b = m_boxes[k];
                if (b.y0 > a.y1 || a.y0 > b.y1 || m_follows[k] == i || m_follows[i] == k)
                    continue;
                if (!Separated(m_hulls[i], m_hulls[k]))
                    return false;
            }
        }
        return true;
    }

private:
    bool Add(size_t first, const Hull& hull)
    {
        if (m_hulls.size() > first && !JointApart(m_hulls.back(), hull))
            return false;
        m_hulls.push_back(hull);
        m_boxes.push_back(BoxOf(hull));
        m_follows.push_back(m_hulls.size());
        return true;
    }

    std::vector<Hull> m_hulls;
    std::vector<Box> m_boxes;
    std::vector<size_t> m_follows; // the segment that follows each one
};

} // namespace

// 1 when the paths' contours may cross (or meet beyond the points that join
// neighbouring segments), 0 when they cannot; 1 also when memory runs out.
extern "C" __attribute__((visibility("default"))) int glyphsmith_may_cross(const PotracePath* paths) noexcept
{
    try {
        Check check;
        for (const PotracePath* path = paths; path; path = path->next)
            if (!check.AddPath(*path))
                return 1;
        return check.PairsApart() ? 0 : 1;
    } catch (...) {
        return 1;
    }
}

// The same answer for the contours of a finished glyph: xs, ys and on hold
// every point, ends the index of each contour's last point.
extern "C" __attribute__((visibility("default"))) int glyphsmith_points_may_cross(const int* xs, const int* ys,
    const unsigned char* on, const int* ends, int contours) noexcept
{
    try {
        Check check;
        int start = 0;
        for (int c = 0; c < contours; ++c) {
            if (ends[c] < start || !check.AddPoints(xs + start, ys + start, on + start, ends[c] - start + 1))
                return 1;
            start = ends[c] + 1;
        }
        return check.PairsApart() ? 0 : 1;
    } catch (...) {
        return 1;
    }
}
