#pragma once

#include <QPoint>

#include <vector>

class CCanvasBitmap;

// A round pen tip: paints the segment widened by the diameter with round ends.
// A dot belongs to the stroke when its centre lies within half the diameter of
// the segment, tested in exact integer arithmetic, so the shape is symmetric
// and a segment paints the same dots as its reverse. Each segment carries
// both round ends, so consecutive segments of a stroke join without gaps.
class CRoundTip
{
public:
    explicit CRoundTip(int diameter = 30);

    // False (and the diameter unchanged) for a diameter below 1.
    bool SetDiameter(int diameter);
    int Diameter() const { return m_nDiameter; }

    void PaintSegment(CCanvasBitmap& canvas, QPoint from, QPoint to, bool erase) const;

private:
    static constexpr int kMaxTableDiameter = 1 << 12;

    void RebuildDisc();

    int m_nDiameter;
    // Half the width of the disc's row at each distance from its centre row;
    // rows farther away than the table reaches miss the disc.
    std::vector<int> m_halfWidths;
};
