#pragma once

#include <QPoint>

class CCanvasBitmap;

// A round pen tip: paints the segment widened by the diameter with round ends.
// A dot belongs to the stroke when its centre lies within half the diameter of
// the segment, tested in exact integer arithmetic, so the shape is symmetric
// and a segment paints the same dots as its reverse. Each segment carries
// both round ends, so consecutive segments of a stroke join without gaps.
class CRoundTip
{
public:
    explicit CRoundTip(int diameter = 30) : m_nDiameter(diameter) {}

    // False (and the diameter unchanged) for a diameter below 1.
    bool SetDiameter(int diameter);
    int Diameter() const { return m_nDiameter; }

    void PaintSegment(CCanvasBitmap& canvas, QPoint from, QPoint to, bool erase) const;

private:
    int m_nDiameter;
};
