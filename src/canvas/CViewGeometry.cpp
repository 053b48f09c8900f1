#include "canvas/CViewGeometry.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

QSize CViewGeometry::ClientSize(int side)
{
    return {kViewWidth, std::max(side, kMinViewHeight)};
}

bool CViewGeometry::CanvasFits(int side, QSize frameExtra, QSize available)
{
    const QSize client = available - frameExtra;
    return client.width() >= side && client.height() >= side;
}

std::vector<int> CViewGeometry::GridLinePositions(int n, int side)
{
    std::vector<int> positions;
    if (n <= 0 || side <= 0)
        return positions;
    const int64_t bands = int64_t(n) + 1;
    for (int64_t i = 1; i <= n; ++i) {
        const int a = static_cast<int>(i * side / bands);
        if (positions.empty() || positions.back() != a)
            positions.push_back(a);
        // Past this point every later position is at least the next dot, so
        // jump straight to the first i that reaches it.
        if (positions.back() + 1 >= side)
            break;
        const int64_t next = ((positions.back() + 1) * bands + side - 1) / side;
        i = std::max(i, next - 1);
    }
    return positions;
}

CViewGeometry::Metrics CViewGeometry::SampleMetrics(bool hasOutlineMetrics, int unitsPerEm, int descender)
{
    Metrics metrics;
    if (!hasOutlineMetrics || unitsPerEm <= 0)
        return metrics;
    metrics.em = unitsPerEm;
    metrics.descent = std::abs(descender);
    return metrics;
}

bool CViewGeometry::IsVerticalSample(bool verticalChecked, bool hasVerticalForm)
{
    return verticalChecked && hasVerticalForm;
}

QPoint CViewGeometry::ReferencePoint(bool vertical, int width, int height, Metrics metrics)
{
    const auto scaled = [&](int side) { return static_cast<int>(int64_t(side) * metrics.descent / metrics.em); };
    return vertical ? QPoint(scaled(width), height) : QPoint(0, scaled(height));
}

CViewGeometry::Affine CViewGeometry::SampleTransform(bool vertical, int width, int height, Metrics metrics)
{
    const double s = double(height) / metrics.em;
    const QPoint ref = ReferencePoint(vertical, width, height, metrics);
    const double baseY = height - 1 - ref.y();
    if (!vertical)
        return {s, 0, 0, -s, double(ref.x()), baseY};
    // In the vertical font a glyph point (x, y) lies at u = em - descent - y
    // along the baseline and v = x - descent across it; the baseline runs
    // down the canvas from the reference point with v to the right.
    return {s, 0, 0, -s, ref.x() - metrics.descent * s, baseY + (metrics.em - metrics.descent) * s};
}
