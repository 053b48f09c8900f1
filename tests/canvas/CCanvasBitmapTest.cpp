#include "canvas/CCanvasBitmap.h"

#include <gtest/gtest.h>

TEST(CanvasBitmap, RowsArePaddedToWholeWords)
{
    struct Case { int width; int rowBytes; };
    for (Case c : {Case{1, 2}, Case{7, 2}, Case{8, 2}, Case{9, 2}, Case{15, 2}, Case{16, 2}, Case{17, 4},
                   Case{63, 8}, Case{64, 8}, Case{65, 10}, Case{128, 16}, Case{448, 56}, Case{512, 64}}) {
        CCanvasBitmap canvas(c.width, 3);
        EXPECT_EQ(canvas.RowBytes(), c.rowBytes) << c.width;
        EXPECT_EQ(canvas.ByteSize(), c.rowBytes * 3) << c.width;
    }
    EXPECT_EQ(CCanvasBitmap(512, 512).ByteSize(), 32768);
}

TEST(CanvasBitmap, NewCanvasIsAllPaper)
{
    CCanvasBitmap canvas(160, 160);
    const QByteArray bits = canvas.Bits();
    EXPECT_EQ(bits.count(char(0xFF)), bits.size());
    canvas.SetDot(3, 3, true);
    canvas.Create(128, 128);
    EXPECT_EQ(canvas.CountInk(), 0);
}

TEST(CanvasBitmap, BottomRowFirstAndLeftmostDotInHighBit)
{
    CCanvasBitmap canvas(32, 4);
    canvas.SetDot(0, 0, true);   // bottom-left
    canvas.SetDot(9, 3, true);   // top row, second byte, second bit
    const QByteArray bits = canvas.Bits();
    EXPECT_EQ(uint8_t(bits[0]), 0x7F);
    EXPECT_EQ(uint8_t(bits[3 * 4 + 1]), 0xBF);
    EXPECT_EQ(bits.count(char(0xFF)), bits.size() - 2);
}

TEST(CanvasBitmap, SpansClipAndStraddleBytes)
{
    for (int width : {1, 7, 8, 9, 15, 16, 17, 63, 64, 65}) {
        CCanvasBitmap canvas(width, 2);
        canvas.FillSpan(1, -5, width + 5, true);
        EXPECT_EQ(canvas.CountInk(), width) << width;
        // padding bits past the width stay paper
        const uint8_t last = canvas.Row(1)[canvas.RowBytes() - 1];
        const int used = width - (canvas.RowBytes() - 1) * 8;
        const uint8_t padding = used >= 8 ? 0 : static_cast<uint8_t>(0xFF >> std::max(used, 0));
        EXPECT_EQ(last & padding, padding) << width;
        canvas.FillSpan(1, 1, width - 2, false);
        EXPECT_EQ(canvas.CountInk(), width >= 2 ? 2 : 1) << width;
    }
}

TEST(CanvasBitmap, FillSpanSetsExactlyItsColumns)
{
    for (int x0 = -2; x0 <= 26; ++x0)
        for (int x1 = x0 - 1; x1 <= 26; ++x1) {
            CCanvasBitmap canvas(25, 1);
            canvas.FillSpan(0, x0, x1, true);
            for (int x = 0; x < 25; ++x)
                ASSERT_EQ(canvas.IsInk(x, 0), x >= x0 && x <= x1) << x0 << ".." << x1 << " at " << x;
            canvas.Fill(0x00);
            canvas.FillSpan(0, x0, x1, false);
            for (int x = 0; x < 25; ++x)
                ASSERT_EQ(canvas.IsInk(x, 0), x < x0 || x > x1) << x0 << ".." << x1 << " at " << x;
        }
}

TEST(CanvasBitmap, InkMaskLandsAtAnyColumnIncludingNegative)
{
    for (int x0 : {-70, -63, -9, -8, -7, -1, 0, 1, 7, 8, 9, 33, 60, 64, 65}) {
        CCanvasBitmap canvas(65, 1);
        const uint64_t mask = 0x8000000000000001ull;  // columns x0 and x0 + 63
        canvas.ApplyInkMask(0, x0, mask, false);
        for (int x = 0; x < 65; ++x)
            EXPECT_EQ(canvas.IsInk(x, 0), x == x0 || x == x0 + 63) << "x0=" << x0 << " x=" << x;
        canvas.ApplyInkMask(0, x0, mask, true);
        EXPECT_EQ(canvas.CountInk(), 0) << x0;
    }
}

TEST(CanvasBitmap, SetBitsRefusesAnotherSize)
{
    CCanvasBitmap canvas(16, 16);
    EXPECT_FALSE(canvas.SetBits(QByteArray(10, 0)));
    EXPECT_EQ(canvas.CountInk(), 0);
    EXPECT_TRUE(canvas.SetBits(QByteArray(32, 0)));
    EXPECT_EQ(canvas.CountInk(), 256);
}
