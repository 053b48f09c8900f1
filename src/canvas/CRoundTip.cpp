#include "canvas/CRoundTip.h"

#include "canvas/CCanvasBitmap.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

using Wide = __int128;

constexpr Wide kUnbounded = Wide(1) << 100;

struct Span
{
    Wide lo;
    Wide hi;
    bool Empty() const { return lo > hi; }
    Span Intersect(Span other) const { return {std::max(lo, other.lo), std::min(hi, other.hi)}; }
};

Wide FloorDiv(Wide a, Wide b)
{
    Wide q = a / b;
    if (a % b != 0 && ((a < 0) != (b < 0)))
        --q;
    return q;
}

Wide CeilDiv(Wide a, Wide b)
{
    return -FloorDiv(-a, b);
}

Wide ISqrt(Wide v)
{
    Wide s = static_cast<Wide>(std::sqrt(static_cast<long double>(v)));
    while (s > 0 && s * s > v)
        --s;
    while ((s + 1) * (s + 1) <= v)
        ++s;
    return s;
}

// All integers u with lo <= a * u <= hi.
Span SolveLinear(Wide a, Wide lo, Wide hi)
{
    if (a == 0)
        return lo <= 0 && 0 <= hi ? Span{-kUnbounded, kUnbounded} : Span{1, 0};
    if (a > 0)
        return {CeilDiv(lo, a), FloorDiv(hi, a)};
    return {CeilDiv(hi, a), FloorDiv(lo, a)};
}

// Columns of row y within the disc of diameter d around c: 4 * dist^2 <= d^2.
Span DiscSpan(QPoint c, int y, Wide d2)
{
    const Wide h = Wide(y) - c.y();
    const Wide q = d2 - 4 * h * h;
    if (q < 0)
        return {1, 0};
    const Wide half = ISqrt(q / 4);
    return {c.x() - half, c.x() + half};
}

// Columns of row y whose projection falls inside the segment and whose
// distance from its line is within half the diameter.
Span BandSpan(QPoint a, QPoint b, int y, Wide d2)
{
    const Wide dx = Wide(b.x()) - a.x();
    const Wide dy = Wide(b.y()) - a.y();
    const Wide len2 = dx * dx + dy * dy;
    const Wide k = Wide(y) - a.y();
    // 4 * cross^2 <= d^2 * len2  <=>  |cross| <= isqrt(floor(d^2 * len2 / 4))
    const Wide reach = ISqrt(d2 * len2 / 4);
    const Span along = SolveLinear(dx, -k * dy, len2 - k * dy);
    const Span across = SolveLinear(dy, k * dx - reach, k * dx + reach);
    const Span u = along.Intersect(across);
    if (u.Empty())
        return u;
    return {u.lo + a.x(), u.hi + a.x()};
}

void Unite(Span& total, Span part)
{
    if (part.Empty())
        return;
    total = total.Empty() ? part : Span{std::min(total.lo, part.lo), std::max(total.hi, part.hi)};
}

int ClampToInt(Wide v)
{
    return static_cast<int>(std::clamp<Wide>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

} // namespace

bool CRoundTip::SetDiameter(int diameter)
{
    if (diameter < 1)
        return false;
    m_nDiameter = diameter;
    return true;
}

void CRoundTip::PaintSegment(CCanvasBitmap& canvas, QPoint from, QPoint to, bool erase) const
{
    const Wide d2 = Wide(m_nDiameter) * m_nDiameter;
    const Wide radius = (m_nDiameter + 1) / 2;
    const Wide yLow = std::max<Wide>(0, Wide(std::min(from.y(), to.y())) - radius);
    const Wide yHigh = std::min<Wide>(canvas.Height() - 1, Wide(std::max(from.y(), to.y())) + radius);
    const bool isPoint = from == to;
    for (Wide wy = yLow; wy <= yHigh; ++wy) {
        const int y = static_cast<int>(wy);
        Span span{1, 0};
        Unite(span, DiscSpan(from, y, d2));
        if (!isPoint) {
            Unite(span, DiscSpan(to, y, d2));
            Unite(span, BandSpan(from, to, y, d2));
        }
        if (!span.Empty())
            canvas.FillSpan(y, ClampToInt(span.lo), ClampToInt(span.hi), !erase);
    }
}
