#include "canvas/CPenTip.h"

#include "canvas/CCanvasBitmap.h"

#include <algorithm>
#include <cstdlib>

namespace {

using Wide = __int128;

Wide CeilDiv(Wide a, Wide b)
{
    Wide q = a / b;
    if (a % b != 0 && ((a < 0) == (b < 0)))
        ++q;
    return q;
}

// Stamp centres whose 64 x 64 square can touch [0, extent) along one axis.
bool StampTouches(Wide centre, int extent)
{
    return centre + CPenTip::kHalf - 1 >= 0 && centre - CPenTip::kHalf <= extent - 1;
}

} // namespace

CPenTip::CPenTip()
{
    SetBuiltIn();
}

CPenTip::Bits CPenTip::BuiltInBits()
{
    Bits bits;
    bits.fill(0xFF);
    for (int row = 28; row <= 35; ++row)
        for (int b = 1; b <= 6; ++b)
            bits[row * kRowBytes + b] = 0x00;
    return bits;
}

void CPenTip::SetBuiltIn()
{
    m_penBits = BuiltInBits();
    RebuildPenStamp();
}

void CPenTip::LoadStored(const QByteArray& stored)
{
    m_penBits.fill(0xFF);
    const auto count = std::min<qsizetype>(stored.size(), kByteSize);
    std::copy_n(reinterpret_cast<const uint8_t*>(stored.constData()), count, m_penBits.begin());
    RebuildPenStamp();
}

void CPenTip::RebuildPenStamp()
{
    for (int row = 0; row < kSize; ++row) {
        uint64_t paper = 0;
        for (int b = 0; b < kRowBytes; ++b)
            paper = (paper << 8) | m_penBits[row * kRowBytes + b];
        m_stampRows[row] = ~paper;
    }
}

void CPenTip::Stamp(CCanvasBitmap& canvas, int x, int y, bool erase) const
{
    const int left = x - kHalf;
    const int bottom = y - kHalf;
    const int firstRow = std::max(0, -bottom);
    const int lastRow = std::min(kSize - 1, canvas.Height() - 1 - bottom);
    for (int r = firstRow; r <= lastRow; ++r)
        canvas.ApplyInkMask(bottom + r, left, m_stampRows[r], erase);
}

// The walk runs from the endpoint with the smaller major coordinate, keeping
// an error term that starts at half the major distance. Its y after i steps
// is closed-form (ceil((i * minor - major / 2) / major) moves), which lets the
// walk skip the part of a long segment whose stamps cannot touch the canvas.
void CPenTip::StampLine(CCanvasBitmap& canvas, QPoint from, QPoint to, bool erase) const
{
    const Wide dx = std::llabs(static_cast<long long>(to.x()) - from.x());
    const Wide dy = std::llabs(static_cast<long long>(to.y()) - from.y());
    const bool xMajor = dx > dy;
    const QPoint start = (xMajor ? from.x() <= to.x() : from.y() <= to.y()) ? from : to;
    const QPoint end = start == from ? to : from;
    const Wide major = xMajor ? dx : dy;
    const Wide minor = xMajor ? dy : dx;
    const Wide majorStart = xMajor ? start.x() : start.y();
    const Wide minorStart = xMajor ? start.y() : start.x();
    const Wide minorEnd = xMajor ? end.y() : end.x();
    const int minorStep = minorEnd >= minorStart ? 1 : -1;
    const int majorExtent = xMajor ? canvas.Width() : canvas.Height();
    const int minorExtent = xMajor ? canvas.Height() : canvas.Width();

    // Steps whose major coordinate lies where a stamp can reach the canvas.
    const Wide firstStep = std::max<Wide>(0, Wide(-kHalf + 1) - majorStart);
    const Wide lastStep = std::min<Wide>(major, Wide(majorExtent - 1 + kHalf) - majorStart);
    const Wide half = major / 2;
    for (Wide i = firstStep; i <= lastStep; ++i) {
        const Wide moves = i == 0 ? 0 : CeilDiv(i * minor - half, major);
        const Wide minorPos = minorStart + minorStep * moves;
        if (!StampTouches(minorPos, minorExtent))
            continue;
        const int majorPos = static_cast<int>(majorStart + i);
        if (xMajor)
            Stamp(canvas, majorPos, static_cast<int>(minorPos), erase);
        else
            Stamp(canvas, static_cast<int>(minorPos), majorPos, erase);
    }
}
