#include "canvas/CPenTip.h"

#include "canvas/CCanvasBitmap.h"
#include "CanvasTestUtil.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <set>

namespace {

// A tip with a single ink dot at (32, 32), so each stamp inks one canvas dot.
CPenTip DotTip()
{
    CPenTip tip;
    tip.PenBits().fill(0xFF);
    tip.PenBits()[32 * 8 + 4] = 0x7F;
    tip.RebuildPenStamp();
    return tip;
}

// The walk written step by step, as a reference for the stamp positions.
std::set<std::pair<int, int>> ReferenceWalk(QPoint p0, QPoint p1)
{
    std::set<std::pair<int, int>> stamps;
    const int dx = std::abs(p1.x() - p0.x()), dy = std::abs(p1.y() - p0.y());
    if (dx > dy) {
        const QPoint s = p0.x() <= p1.x() ? p0 : p1, e = s == p0 ? p1 : p0;
        int y = s.y(), err = dx / 2;
        stamps.insert({s.x(), y});
        for (int x = s.x() + 1; x <= e.x(); ++x) {
            err -= dy;
            if (err < 0) {
                y += e.y() > s.y() ? 1 : -1;
                err += dx;
            }
            stamps.insert({x, y});
        }
    } else {
        const QPoint s = p0.y() <= p1.y() ? p0 : p1, e = s == p0 ? p1 : p0;
        int x = s.x(), err = dy / 2;
        stamps.insert({x, s.y()});
        for (int y = s.y() + 1; y <= e.y(); ++y) {
            err -= dx;
            if (err < 0) {
                x += e.x() > s.x() ? 1 : -1;
                err += dy;
            }
            stamps.insert({x, y});
        }
    }
    return stamps;
}

std::set<std::pair<int, int>> InkSet(const CCanvasBitmap& canvas)
{
    const auto dots = InkDots(canvas);
    return {dots.begin(), dots.end()};
}

} // namespace

TEST(PenTip, BuiltInTipIsTheCentredBar)
{
    const CPenTip::Bits bits = CPenTip::BuiltInBits();
    for (int row = 0; row < 64; ++row)
        for (int b = 0; b < 8; ++b) {
            const bool bar = row >= 28 && row <= 35 && b >= 1 && b <= 6;
            ASSERT_EQ(bits[row * 8 + b], bar ? 0x00 : 0xFF) << row << "," << b;
        }
}

TEST(PenTip, StoredTipIsPaperFilledOrCut)
{
    CPenTip tip;
    tip.LoadStored(QByteArray(100, 0x00));
    for (int i = 0; i < 512; ++i)
        ASSERT_EQ(tip.PenBits()[i], i < 100 ? 0x00 : 0xFF) << i;
    QByteArray longer(600, 0x11);
    longer[511] = 0x22;
    tip.LoadStored(longer);
    EXPECT_EQ(tip.PenBits()[0], 0x11);
    EXPECT_EQ(tip.PenBits()[511], 0x22);
}

TEST(PenTip, StampPutsTipCentreOnThePoint)
{
    CPenTip tip;
    tip.PenBits().fill(0xFF);
    tip.PenBits()[0] = 0x7F;            // tip dot (0, 0): bottom-left
    tip.PenBits()[32 * 8 + 4] = 0x7F;   // tip dot (32, 32)
    tip.PenBits()[63 * 8 + 7] = 0xFE;   // tip dot (63, 63): top-right
    tip.RebuildPenStamp();
    CCanvasBitmap canvas(200, 200);
    tip.Stamp(canvas, 100, 90, false);
    EXPECT_EQ(InkSet(canvas), (std::set<std::pair<int, int>>{{68, 58}, {100, 90}, {131, 121}}));
}

TEST(PenTip, WalkStampsOncePerDotOfTheMajorAxis)
{
    const CPenTip tip = DotTip();
    CCanvasBitmap canvas(128, 128);
    tip.StampLine(canvas, {10, 20}, {30, 20}, false);
    EXPECT_EQ(canvas.CountInk(), 21);

    canvas.Fill(0xFF);
    tip.StampLine(canvas, {10, 10}, {40, 40}, false);  // dx == dy: one stamp per row
    EXPECT_EQ(canvas.CountInk(), 31);

    canvas.Fill(0xFF);
    tip.StampLine(canvas, {50, 50}, {50, 50}, false);
    EXPECT_EQ(canvas.CountInk(), 1);
}

TEST(PenTip, WalkMatchesTheStepByStepWalkAndItsReverse)
{
    const CPenTip tip = DotTip();
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> coord(0, 127);
    for (int i = 0; i < 500; ++i) {
        const QPoint a(coord(rng), coord(rng)), b(coord(rng), coord(rng));
        CCanvasBitmap forward(128, 128), backward(128, 128);
        tip.StampLine(forward, a, b, false);
        tip.StampLine(backward, b, a, false);
        ASSERT_EQ(InkSet(forward), ReferenceWalk(a, b)) << a.x() << "," << a.y() << " " << b.x() << "," << b.y();
        ASSERT_EQ(forward.Bits(), backward.Bits());
    }
}

TEST(PenTip, PenIsAndEraserIsOrNot)
{
    CPenTip tip;  // built-in bar, 48 x 8
    CCanvasBitmap canvas(128, 128);
    canvas.FillSpan(64, 0, 127, true);   // an ink line through the bar's row
    canvas.SetDot(0, 0, true);
    tip.Stamp(canvas, 64, 64, false);
    EXPECT_EQ(canvas.CountInk(), 48 * 8 + (128 - 48) + 1);

    canvas.Fill(0);
    tip.Stamp(canvas, 64, 64, true);
    const auto paper = 128 * 128 - canvas.CountInk();
    EXPECT_EQ(paper, 48 * 8);
    for (int y = 60; y <= 67; ++y)
        for (int x = 40; x <= 87; ++x)
            ASSERT_FALSE(canvas.IsInk(x, y)) << x << "," << y;
}

TEST(PenTip, StampsPastTheEdgeKeepOnlyInsideDots)
{
    CPenTip tip;
    tip.PenBits().fill(0x00);  // solid 64 x 64
    tip.RebuildPenStamp();
    CCanvasBitmap canvas(128, 128);
    tip.Stamp(canvas, -10, -20, false);
    EXPECT_EQ(canvas.CountInk(), (64 - 32 - 10) * (64 - 32 - 20));
    canvas.Fill(0xFF);
    tip.Stamp(canvas, 127 + 32, 127 + 32, false);  // tip dot (0, 0) on the top-right dot
    EXPECT_EQ(canvas.CountInk(), 1);
    canvas.Fill(0xFF);
    tip.Stamp(canvas, 127 + 33, 60, false);
    EXPECT_EQ(canvas.CountInk(), 0);
}

TEST(PenTip, LongSegmentsFarOutsideFinishAndClip)
{
    const CPenTip tip = DotTip();
    CCanvasBitmap canvas(64, 64);
    tip.StampLine(canvas, {-2000000000, 10}, {2000000000, 10}, false);
    EXPECT_EQ(canvas.CountInk(), 64);
    canvas.Fill(0xFF);
    tip.StampLine(canvas, {-1000000000, -1000000000}, {1000000000, 1000000000}, false);
    EXPECT_EQ(canvas.CountInk(), 64);
}
