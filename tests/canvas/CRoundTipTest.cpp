#include "canvas/CRoundTip.h"

#include "canvas/CCanvasBitmap.h"
#include "CanvasTestUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

// Brute force: is the dot within half the diameter of segment a-b?
bool Covered(QPoint p, QPoint a, QPoint b, int d)
{
    const int64_t d2 = int64_t(d) * d;
    auto near = [&](QPoint c) {
        const int64_t x = p.x() - c.x(), y = p.y() - c.y();
        return 4 * (x * x + y * y) <= d2;
    };
    if (near(a) || near(b))
        return true;
    const int64_t dx = b.x() - a.x(), dy = b.y() - a.y();
    const int64_t len2 = dx * dx + dy * dy;
    if (len2 == 0)
        return false;
    const int64_t ux = p.x() - a.x(), uy = p.y() - a.y();
    const int64_t along = ux * dx + uy * dy;
    const int64_t cross = ux * dy - uy * dx;
    return along >= 0 && along <= len2 && 4 * cross * cross <= d2 * len2;
}

CCanvasBitmap Paint(int side, QPoint a, QPoint b, int d)
{
    CCanvasBitmap canvas(side, side);
    CRoundTip(d).PaintSegment(canvas, a, b, false);
    return canvas;
}

} // namespace

TEST(RoundTip, DiscIsSymmetricAndAboutTheDiameter)
{
    for (int d : {10, 20, 30, 40}) {
        const CCanvasBitmap canvas = Paint(64, {32, 32}, {32, 32}, d);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                const bool ink = canvas.IsInk(x, y);
                ASSERT_EQ(ink, canvas.IsInk(64 - x, y)) << d;
                ASSERT_EQ(ink, canvas.IsInk(x, 64 - y)) << d;
                ASSERT_EQ(ink, canvas.IsInk(y, x)) << d;
            }
        int across = 0;
        for (int x = 0; x < 64; ++x)
            across += canvas.IsInk(x, 32) ? 1 : 0;
        EXPECT_EQ(across, d + 1) << d;
        const double area = M_PI * d * d / 4;
        EXPECT_NEAR(canvas.CountInk(), area, area * 0.08) << d;
    }
}

TEST(RoundTip, PaintsExactlyTheWidenedSegment)
{
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> coord(-30, 90);
    std::uniform_int_distribution<int> diameter(1, 40);
    for (int i = 0; i < 300; ++i) {
        const QPoint a(coord(rng), coord(rng)), b(coord(rng), coord(rng));
        const int d = diameter(rng);
        const CCanvasBitmap canvas = Paint(64, a, b, d);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                ASSERT_EQ(canvas.IsInk(x, y), Covered({x, y}, a, b, d))
                    << "segment " << a.x() << "," << a.y() << " - " << b.x() << "," << b.y() << " d=" << d;
    }
}

TEST(RoundTip, SegmentAndItsReversePaintTheSame)
{
    std::mt19937 rng(11);
    std::uniform_int_distribution<int> coord(-20, 150);
    for (int i = 0; i < 200; ++i) {
        const QPoint a(coord(rng), coord(rng)), b(coord(rng), coord(rng));
        for (int d : {10, 20, 30, 40})
            ASSERT_EQ(Paint(128, a, b, d).Bits(), Paint(128, b, a, d).Bits());
    }
}

TEST(RoundTip, ClipsAtTheEdgesLikeALargerCanvasSeenThroughAWindow)
{
    const QPoint a(-15, 70), b(40, -9);
    const CCanvasBitmap small = Paint(64, a, b, 40);
    CCanvasBitmap large(192, 192);
    CRoundTip(40).PaintSegment(large, a + QPoint(64, 64), b + QPoint(64, 64), false);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(small.IsInk(x, y), large.IsInk(x + 64, y + 64));
    EXPECT_GT(small.CountInk(), 0);
}

TEST(RoundTip, EraseTurnsTheSameDotsToPaper)
{
    CCanvasBitmap canvas(64, 64);
    canvas.Fill(0);
    CRoundTip(20).PaintSegment(canvas, {10, 10}, {50, 30}, true);
    const CCanvasBitmap inked = Paint(64, {10, 10}, {50, 30}, 20);
    EXPECT_EQ(64 * 64 - canvas.CountInk(), inked.CountInk());
}

TEST(RoundTip, FarAwayEndpointsNeitherHangNorOverflow)
{
    CCanvasBitmap canvas(64, 64);
    CRoundTip(40).PaintSegment(canvas, {-2000000000, 32}, {2000000000, 32}, false);
    EXPECT_EQ(canvas.CountInk(), 64 * 41);
    canvas.Fill(0xFF);
    CRoundTip(10).PaintSegment(canvas, {5000000, 5000000}, {5000001, 5000001}, false);
    EXPECT_EQ(canvas.CountInk(), 0);
}

TEST(RoundTip, RefusesADiameterBelowOne)
{
    CRoundTip tip(20);
    EXPECT_FALSE(tip.SetDiameter(0));
    EXPECT_EQ(tip.Diameter(), 20);
    EXPECT_TRUE(tip.SetDiameter(1));
    const CCanvasBitmap canvas = Paint(8, {4, 4}, {4, 4}, 1);
    EXPECT_EQ(InkDots(canvas), (std::vector<std::pair<int, int>>{{4, 4}}));
}

// Ordinary coordinates take 64-bit arithmetic, far-off ones a wider type;
// the same line paints the same dots either way.
TEST(RoundTip, FarAndNearEndpointsOfTheSameLinePaintAlike)
{
    for (int d : {1, 10, 30}) {
        const CCanvasBitmap near = Paint(64, {-100, -90}, {100, 110}, d);
        for (int n : {1 << 24, (1 << 24) + 1, 1 << 30}) {
            EXPECT_EQ(Picture(Paint(64, {-n, -n + 10}, {n, n + 10}, d)), Picture(near)) << d << " " << n;
            EXPECT_EQ(Picture(Paint(64, {n, n + 10}, {-n, -n + 10}, d)), Picture(near)) << d << " " << n;
        }
    }
}

TEST(RoundTip, HugeDiametersPaintWithoutARowTable)
{
    CCanvasBitmap canvas(64, 64);
    CRoundTip(100000).PaintSegment(canvas, {32, 32}, {32, 32}, false);
    EXPECT_EQ(canvas.CountInk(), 64 * 64);
    canvas.Fill(0xFF);
    CRoundTip(5000).PaintSegment(canvas, {-2480, 32}, {-2480, 32}, false);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(canvas.IsInk(x, y), Covered({x, y}, {-2480, 32}, {-2480, 32}, 5000)) << x << "," << y;
}
