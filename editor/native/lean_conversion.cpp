// Traced contours into TrueType points, as outline.quadratic_points makes
// them in Python, for the editor that fits the points to the ink afterwards:
// there the conversion's leeway is wide and the fit brings the curves back,
// so this only has to be quick, not to give the Python code's points.

#include "lean_conversion.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <optional>
#include <vector>

namespace {

using glyphsmith::Point;
using C = std::complex<double>;

struct Cubic
{
    C p0, p1, p2, p3;
};

// -- fontTools' cu2qu -----------------------------------------------------------

double Dot(C a, C b) { return (a * std::conj(b)).real(); }

std::vector<Cubic> SplitInto(const Cubic& c, int n)
{
    std::vector<Cubic> out;
    if (n == 2 || n == 4) {
        const C mid = (c.p0 + 3.0 * (c.p1 + c.p2) + c.p3) * 0.125;
        const C deriv3 = (c.p3 + c.p2 - c.p1 - c.p0) * 0.125;
        const Cubic a { c.p0, (c.p0 + c.p1) * 0.5, mid - deriv3, mid };
        const Cubic b { mid, mid + deriv3, (c.p2 + c.p3) * 0.5, c.p3 };
        if (n == 2)
            return { a, b };
        for (const Cubic& half : { a, b })
            for (const Cubic& quarter : SplitInto(half, 2))
                out.push_back(quarter);
        return out;
    }
    const C a = c.p3 - c.p0 - 3.0 * (c.p1 - c.p0) - (3.0 * (c.p2 - c.p1) - 3.0 * (c.p1 - c.p0));
    const C b = 3.0 * (c.p2 - c.p1) - 3.0 * (c.p1 - c.p0);
    const C cc = 3.0 * (c.p1 - c.p0);
    const C d = c.p0;
    const double dt = 1.0 / n;
    const double delta2 = dt * dt;
    const double delta3 = dt * delta2;
    for (int i = 0; i < n; ++i) {
        const double t1 = i * dt;
        const double t12 = t1 * t1;
        const C a1 = a * delta3;
        const C b1 = (3.0 * a * t1 + b) * delta2;
        const C c1 = (2.0 * b * t1 + cc + 3.0 * a * t12) * dt;
        const C d1 = a * t1 * t12 + b * t12 + cc * t1 + d;
        const C q2 = c1 / 3.0 + d1;
        out.push_back(Cubic { d1, q2, (b1 + c1) / 3.0 + q2, a1 + d1 + c1 + b1 });
    }
    return out;
}

bool FarthestFitInside(C p0, C p1, C p2, C p3, double tolerance, int depth = 0)
{
    if (std::abs(p2) <= tolerance && std::abs(p1) <= tolerance)
        return true;
    const C mid = (p0 + 3.0 * (p1 + p2) + p3) * 0.125;
    if (std::abs(mid) > tolerance || depth > 40)
        return false;
    const C deriv3 = (p3 + p2 - p1 - p0) * 0.125;
    return FarthestFitInside(p0, (p0 + p1) * 0.5, mid - deriv3, mid, tolerance, depth + 1)
        && FarthestFitInside(mid, mid + deriv3, (p2 + p3) * 0.5, p3, tolerance, depth + 1);
}

std::optional<std::vector<C>> ApproxQuadratic(const Cubic& c, double tolerance)
{
    const C ab = c.p1 - c.p0;
    const C cd = c.p3 - c.p2;
    const C p = ab * C(0, 1);
    const double below = Dot(p, cd);
    if (below == 0.0)
        return std::nullopt;
    const C q1 = c.p2 + cd * (Dot(p, c.p0 - c.p2) / below);
    if (!std::isfinite(q1.real()) || !std::isfinite(q1.imag()))
        return std::nullopt;
    const C c1 = c.p0 + (q1 - c.p0) * (2.0 / 3.0);
    const C c2 = c.p3 + (q1 - c.p3) * (2.0 / 3.0);
    if (!FarthestFitInside(0, c1 - c.p1, c2 - c.p2, 0, tolerance))
        return std::nullopt;
    return std::vector<C> { c.p0, q1, c.p3 };
}

C ApproxControl(double t, const Cubic& c)
{
    const C a = c.p0 + (c.p1 - c.p0) * 1.5;
    const C b = c.p3 + (c.p2 - c.p3) * 1.5;
    return a + (b - a) * t;
}

std::optional<std::vector<C>> ApproxSpline(const Cubic& cubic, int n, double tolerance)
{
    if (n == 1)
        return ApproxQuadratic(cubic, tolerance);
    const std::vector<Cubic> cubics = SplitInto(cubic, n);
    C nextQ1 = ApproxControl(0, cubics[0]);
    C q2 = cubic.p0;
    C d1 = 0;
    std::vector<C> spline { cubic.p0, nextQ1 };
    for (int i = 1; i <= n; ++i) {
        const Cubic& c = cubics[static_cast<size_t>(i - 1)];
        const C q0 = q2;
        const C q1 = nextQ1;
        if (i < n) {
            nextQ1 = ApproxControl(static_cast<double>(i) / (n - 1), cubics[static_cast<size_t>(i)]);
            spline.push_back(nextQ1);
            q2 = (q1 + nextQ1) * 0.5;
        } else {
            q2 = c.p3;
        }
        const C d0 = d1;
        d1 = q2 - c.p3;
        if (std::abs(d1) > tolerance
            || !FarthestFitInside(d0, q0 + (q1 - q0) * (2.0 / 3.0) - c.p1, q2 + (q1 - q2) * (2.0 / 3.0) - c.p2, d1, tolerance))
            return std::nullopt;
    }
    spline.push_back(cubic.p3);
    return spline;
}

std::vector<C> CurveToQuadratic(const Cubic& cubic, double error)
{
    for (int n = 1; n <= 100; ++n)
        if (auto spline = ApproxSpline(cubic, n, error))
            return *spline;
    return { cubic.p0, cubic.p3 }; // cu2qu gives up only on curves that are not finite
}

// -- cuts where a curve turns ----------------------------------------------------

constexpr double Shortest = 2.0; // units between the ends of a piece cut at a turn

void Roots(double a, double b, double c, std::vector<double>& out)
{
    const double qa = a - 2 * b + c, qb = 2 * (b - a);
    if (std::abs(qa) < 1e-12) {
        if (std::abs(qb) > 1e-12 && 0 < -a / qb && -a / qb < 1)
            out.push_back(-a / qb);
        return;
    }
    const double disc = qb * qb - 4 * qa * a;
    if (disc < 0)
        return;
    const double root = std::sqrt(disc);
    for (double t : { (-qb - root) / (2 * qa), (-qb + root) / (2 * qa) })
        if (0 < t && t < 1)
            out.push_back(t);
}

std::pair<Cubic, Cubic> Split(const Cubic& c, double t)
{
    const double u = 1 - t;
    const C ab = u * c.p0 + t * c.p1, bc = u * c.p1 + t * c.p2, cd = u * c.p2 + t * c.p3;
    const C l = u * ab + t * bc, r = u * bc + t * cd;
    const C m = u * l + t * r;
    return { Cubic { c.p0, ab, l, m }, Cubic { m, r, cd, c.p3 } };
}

double Manhattan(C a, C b) { return std::abs(a.real() - b.real()) + std::abs(a.imag() - b.imag()); }

// outline._at_extrema: the curve cut where it turns in x or in y beyond its
// ends by more than least.
std::vector<Cubic> AtExtrema(const Cubic& curve, double least)
{
    std::vector<double> cuts;
    for (int axis = 0; axis < 2; ++axis) {
        auto at = [axis](C p) { return axis ? p.imag() : p.real(); };
        const double a = at(curve.p0), b = at(curve.p1), c = at(curve.p2), d = at(curve.p3);
        const double lo = std::min(a, d) - least, hi = std::max(a, d) + least;
        if (lo <= b && b <= hi && lo <= c && c <= hi)
            continue;
        std::vector<double> roots;
        Roots(b - a, c - b, d - c, roots);
        for (double t : roots) {
            const double u = 1 - t;
            const double v = u * u * u * a + 3 * u * u * t * b + 3 * u * t * t * c + t * t * t * d;
            if (v > hi || v < lo)
                cuts.push_back(t);
        }
    }
    if (cuts.empty())
        return { curve };
    std::sort(cuts.begin(), cuts.end());
    std::vector<Cubic> pieces;
    Cubic rest = curve;
    double done = 0.0;
    for (double t : cuts) {
        auto [first, second] = Split(rest, (t - done) / (1 - done));
        if (Manhattan(first.p0, first.p3) < Shortest || Manhattan(second.p0, second.p3) < Shortest)
            continue;
        pieces.push_back(first);
        rest = second;
        done = t;
    }
    pieces.push_back(rest);
    return pieces;
}

// -- the conversion ----------------------------------------------------------------

bool Within(double v, double a, double b) { return (a <= v && v <= b) || (b <= v && v <= a); }

class ContourPoints
{
public:
    void Add(C at, bool on)
    {
        const Point p { std::floor(at.real() + 0.5), std::floor(at.imag() + 0.5), on };
        if (points_.empty() || p.x != points_.back().x || p.y != points_.back().y)
            points_.push_back(p);
        else if (on && !points_.back().on)
            points_.back() = p; // an off-curve point on an on-curve one
    }
    std::vector<Point> Closed()
    {
        while (points_.size() > 1 && points_.back().x == points_.front().x && points_.back().y == points_.front().y)
            points_.pop_back();
        return std::move(points_);
    }

private:
    std::vector<Point> points_;
};

} // namespace

bool glyphsmith::ThreePlaces(const std::vector<Point>& points)
{
    if (points.size() < 3)
        return false;
    size_t other = 0;
    for (size_t i = 1; i < points.size(); ++i)
        if (points[i].x != points[0].x || points[i].y != points[0].y) {
            other = i;
            break;
        }
    if (!other)
        return false;
    for (size_t i = other + 1; i < points.size(); ++i)
        if ((points[i].x != points[0].x || points[i].y != points[0].y)
            && (points[i].x != points[other].x || points[i].y != points[other].y))
            return true;
    return false;
}

namespace {

// outline._points_area: signed, the polygon of the on-curve points (implied
// ones too) and two thirds of each curve's triangle with its chord.
double PointsArea(const std::vector<Point>& points)
{
    std::vector<Point> ring;
    const auto start = std::find_if(points.begin(), points.end(), [](const Point& p) { return p.on; });
    if (start == points.end()) {
        ring.push_back(Point { (points.front().x + points.back().x) / 2, (points.front().y + points.back().y) / 2, true });
        ring.insert(ring.end(), points.begin(), points.end());
    } else {
        ring.insert(ring.end(), start, points.end());
        ring.insert(ring.end(), points.begin(), start);
    }
    const size_t count = ring.size();
    double total = 0.0;
    Point at = ring[0];
    size_t i = 1;
    while (i <= count) {
        const Point& p = ring[i % count];
        if (p.on) {
            total += at.x * p.y - p.x * at.y;
            at = p;
            ++i;
            continue;
        }
        const Point& q = ring[(i + 1) % count];
        const Point end = q.on ? q : Point { (p.x + q.x) / 2, (p.y + q.y) / 2, true };
        total += at.x * end.y - end.x * at.y;
        total += 2.0 / 3.0 * ((p.x - at.x) * (end.y - at.y) - (p.y - at.y) * (end.x - at.x));
        at = end;
        i += q.on ? 2 : 1;
    }
    return total / 2;
}

} // namespace

namespace glyphsmith {

bool Speck(const std::vector<Point>& points, double least)
{
    double x0 = points[0].x, x1 = x0, y0 = points[0].y, y1 = y0;
    for (const Point& p : points) {
        x0 = std::min(x0, p.x);
        x1 = std::max(x1, p.x);
        y0 = std::min(y0, p.y);
        y1 = std::max(y1, p.y);
    }
    const double box = (x1 - x0) * (y1 - y0);
    return box < least || (box < 8 * least && std::abs(PointsArea(points)) < least);
}

Glyph LeanConversion(const Traced& traced, const Conversion& k)
{
    auto scaled = [&k](const double* xy) { return C(xy[0] * k.sx, xy[1] * k.sy + k.dy); };
    Glyph glyph;
    const double* at = traced.coords;
    int segment = 0;
    for (int c = 0; c < traced.contours; ++c) {
        ContourPoints points;
        C a = scaled(at);
        at += 2;
        points.Add(a, true);
        for (; segment < traced.segmentEnds[c]; ++segment) {
            if (!traced.curve[segment]) {
                a = scaled(at);
                at += 2;
                points.Add(a, true);
                continue;
            }
            const Cubic curve { a, scaled(at), scaled(at + 2), scaled(at + 4) };
            at += 6;
            // Most curves stay within the box of their ends, which they
            // cannot leave when their control points do not.
            const bool inside = Within(curve.p1.real(), a.real(), curve.p3.real())
                && Within(curve.p2.real(), a.real(), curve.p3.real()) && Within(curve.p1.imag(), a.imag(), curve.p3.imag())
                && Within(curve.p2.imag(), a.imag(), curve.p3.imag());
            for (const Cubic& piece : inside ? std::vector<Cubic> { curve } : AtExtrema(curve, 0.25)) {
                const std::vector<C> spline = CurveToQuadratic(piece, k.error);
                for (size_t q = 1; q + 1 < spline.size(); ++q)
                    points.Add(spline[q], false);
                points.Add(piece.p3, true);
            }
            a = curve.p3;
        }
        std::vector<Point> contour = points.Closed();
        if (!ThreePlaces(contour))
            continue;
        contour = LastPasses(std::move(contour), k.error, true, 3.0);
        if (!(k.least > 0 && Speck(contour, k.least)))
            glyph.push_back(std::move(contour));
    }
    return glyph;
}

} // namespace glyphsmith
