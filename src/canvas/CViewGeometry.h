#pragma once

#include <QPoint>
#include <QSize>
#include <vector>

// Where things go in the drawing view: its size for a canvas side, the grid
// lines, and how the sample glyph's em square is laid over the canvas. The
// view paints by these numbers; they need no window to be checked.
class CViewGeometry
{
public:
    static constexpr int kViewWidth = 512;
    static constexpr int kMinViewHeight = 282;
    static constexpr int kFallbackEm = 1024;
    static constexpr int kFallbackDescentPerEm = 144;

    // 512 wide and at least 282 high, with the canvas at its top-left.
    static QSize ClientSize(int side);
    // Whether a window whose frame adds frameExtra around the view still
    // shows the whole canvas within the available screen area.
    static bool CanvasFits(int side, QSize frameExtra, QSize available);

    // Grid lines at i * side / (n + 1) for i = 1..n, in canvas units; none
    // for n <= 0. Positions that coincide are listed once, so a huge n costs
    // no more than one line per dot.
    static std::vector<int> GridLinePositions(int n, int side);

    // The sample's font metrics in design units, with the stand-ins for a
    // font that has no outline metrics: an em of 1024 and a descent of
    // 144/1024 of it.
    struct Metrics
    {
        int em = kFallbackEm;
        int descent = kFallbackEm * kFallbackDescentPerEm / kFallbackEm;
    };
    static Metrics SampleMetrics(bool hasOutlineMetrics, int unitsPerEm, int descender);

    // The sample runs vertically only for a character that has a vertical
    // form of its own, and only when vertical writing is asked for.
    static bool IsVerticalSample(bool verticalChecked, bool hasVerticalForm);

    // The baseline start in canvas coordinates (y up): horizontally
    // (0, H * descent / em), vertically (W * descent / em, H).
    static QPoint ReferencePoint(bool vertical, int width, int height, Metrics metrics);

    // Maps a glyph's design units (x right, y up, origin on the baseline) to
    // view client coordinates (y down), so that the em square covers the
    // canvas. Vertically the text runs down from the top edge with its
    // baseline upright and the descent side on the left; the glyph, rotated
    // by its vertical font a quarter turn, comes out standing upright.
    struct Affine
    {
        double m11, m12, m21, m22, dx, dy;
        QPointF Map(QPointF p) const { return {m11 * p.x() + m21 * p.y() + dx, m12 * p.x() + m22 * p.y() + dy}; }
    };
    static Affine SampleTransform(bool vertical, int width, int height, Metrics metrics);
};
