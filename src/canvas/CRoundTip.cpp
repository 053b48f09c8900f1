#include "canvas/CRoundTip.h"

#include "canvas/CCanvasBitmap.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

using Wide = __int128;

// Far beyond any column, yet safe to add a coordinate to.
template <typename T>
constexpr T kUnbounded = T(1) << (sizeof(T) * 8 - 28);

template <typename T>
struct Span
{
    T lo;
    T hi;
    bool Empty() const { return lo > hi; }
    Span Intersect(Span other) const { return {std::max(lo, other.lo), std::min(hi, other.hi)}; }
};

template <typename T>
T FloorDiv(T a, T b)
{
    T q = a / b;
    if (a % b != 0 && ((a < 0) != (b < 0)))
        --q;
    return q;
}

template <typename T>
T CeilDiv(T a, T b)
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

// All integers u with lo <= a * u <= hi, worked out in T.
template <typename T>
Span<T> SolveLinear(T a, T lo, T hi)
{
    if (a == 0)
        return lo <= 0 && 0 <= hi ? Span<T>{-kUnbounded<T>, kUnbounded<T>} : Span<T>{1, 0};
    if (a > 0)
        return {CeilDiv(lo, a), FloorDiv(hi, a)};
    return {CeilDiv(hi, a), FloorDiv(lo, a)};
}

// Columns of row y within the disc around c.
// Columns of row y within the disc around c: 4 * dist^2 <= d^2. The row
// widths come from the table when there is one.
template <typename T>
Span<T> DiscSpan(QPoint c, int y, const std::vector<int>& halfWidths, Wide d2)
{
    T h = T(y) - c.y();
    if (h < 0)
        h = -h;
    if (halfWidths.empty()) {
        const Wide q = d2 - 4 * Wide(h) * Wide(h);
        if (q < 0)
            return {1, 0};
        const T half = static_cast<T>(ISqrt(q / 4));
        return {c.x() - half, c.x() + half};
    }
    if (h >= static_cast<T>(halfWidths.size()))
        return {1, 0};
    const T half = halfWidths[static_cast<size_t>(h)];
    return {c.x() - half, c.x() + half};
}

// The rows of a segment's band share its direction, length and reach; they
// are worked out once per segment. Ordinary coordinates fit 64 bits, far-off
// ones need the wide type.
template <typename T>
struct Band
{
    QPoint a;
    T dx;
    T dy;
    T len2;
    T reach;

    Band(QPoint from, QPoint to, Wide d2)
        : a(from), dx(T(to.x()) - from.x()), dy(T(to.y()) - from.y()), len2(dx * dx + dy * dy)
    {
        // 4 * cross^2 <= d^2 * len2  <=>  |cross| <= isqrt(floor(d^2 * len2 / 4))
        reach = static_cast<T>(ISqrt(d2 * Wide(len2) / 4));
    }

    // Columns of row y whose projection falls inside the segment and whose
    // distance from its line is within half the diameter.
    Span<T> Row(int y) const
    {
        const T k = T(y) - a.y();
        const Span<T> along = SolveLinear<T>(dx, -k * dy, len2 - k * dy);
        const Span<T> across = SolveLinear<T>(dy, k * dx - reach, k * dx + reach);
        const Span<T> u = along.Intersect(across);
        if (u.Empty())
            return u;
        return {u.lo + a.x(), u.hi + a.x()};
    }
};

bool Fits64(QPoint p)
{
    constexpr int kLimit = 1 << 24;
    return p.x() >= -kLimit && p.x() <= kLimit && p.y() >= -kLimit && p.y() <= kLimit;
}

template <typename T>
void Unite(Span<T>& total, Span<T> part)
{
    if (part.Empty())
        return;
    total = total.Empty() ? part : Span<T>{std::min(total.lo, part.lo), std::max(total.hi, part.hi)};
}

template <typename T>
int ClampToInt(T v)
{
    return static_cast<int>(std::clamp<T>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

} // namespace

CRoundTip::CRoundTip(int diameter) : m_nDiameter(diameter)
{
    RebuildDisc();
}

bool CRoundTip::SetDiameter(int diameter)
{
    if (diameter < 1)
        return false;
    m_nDiameter = diameter;
    RebuildDisc();
    return true;
}

// A dot h rows from the centre is inside when 4 * dist^2 <= d^2. Huge
// diameters get no table; their rows are worked out as they are painted.
void CRoundTip::RebuildDisc()
{
    m_halfWidths.clear();
    if (m_nDiameter > kMaxTableDiameter)
        return;
    const Wide d2 = Wide(m_nDiameter) * m_nDiameter;
    for (Wide h = 0; d2 - 4 * h * h >= 0; ++h)
        m_halfWidths.push_back(static_cast<int>(ISqrt((d2 - 4 * h * h) / 4)));
}

template <typename T>
static void PaintRows(CCanvasBitmap& canvas, QPoint from, QPoint to, bool erase, int diameter,
                      const std::vector<int>& halfWidths)
{
    const Wide d2 = Wide(diameter) * diameter;
    const Wide radius = (diameter + 1) / 2;
    const Wide yLow = std::max<Wide>(0, Wide(std::min(from.y(), to.y())) - radius);
    const Wide yHigh = std::min<Wide>(canvas.Height() - 1, Wide(std::max(from.y(), to.y())) + radius);
    const bool isPoint = from == to;
    const Band<T> band(from, to, d2);
    for (Wide wy = yLow; wy <= yHigh; ++wy) {
        const int y = static_cast<int>(wy);
        Span<T> span{1, 0};
        Unite(span, DiscSpan<T>(from, y, halfWidths, d2));
        if (!isPoint) {
            Unite(span, DiscSpan<T>(to, y, halfWidths, d2));
            Unite(span, band.Row(y));
        }
        if (!span.Empty())
            canvas.FillSpan(y, ClampToInt(span.lo), ClampToInt(span.hi), !erase);
    }
}

void CRoundTip::PaintSegment(CCanvasBitmap& canvas, QPoint from, QPoint to, bool erase) const
{
    if (Fits64(from) && Fits64(to) && m_nDiameter <= kMaxTableDiameter)
        PaintRows<qint64>(canvas, from, to, erase, m_nDiameter, m_halfWidths);
    else
        PaintRows<Wide>(canvas, from, to, erase, m_nDiameter, m_halfWidths);
}
