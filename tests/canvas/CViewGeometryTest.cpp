#include "canvas/CViewGeometry.h"

#include <gtest/gtest.h>

using Positions = std::vector<int>;

TEST(ViewGeometryTest, ClientAreaIs512WideAndAtLeast282High)
{
    EXPECT_EQ(CViewGeometry::ClientSize(512), QSize(512, 512));
    EXPECT_EQ(CViewGeometry::ClientSize(448), QSize(512, 448));
    EXPECT_EQ(CViewGeometry::ClientSize(256), QSize(512, 282));
    EXPECT_EQ(CViewGeometry::ClientSize(128), QSize(512, 282));
}

TEST(ViewGeometryTest, CanvasFitsOnlyWhenTheScreenHoldsFrameAndCanvas)
{
    const QSize frame(40, 90);
    EXPECT_TRUE(CViewGeometry::CanvasFits(512, frame, QSize(552, 602)));
    EXPECT_FALSE(CViewGeometry::CanvasFits(512, frame, QSize(552, 601)));
    EXPECT_FALSE(CViewGeometry::CanvasFits(512, frame, QSize(551, 700)));
    EXPECT_TRUE(CViewGeometry::CanvasFits(448, frame, QSize(552, 538)));
}

TEST(ViewGeometryTest, GridLinesDivideTheCanvasIntoEqualBands)
{
    EXPECT_EQ(CViewGeometry::GridLinePositions(3, 512), (Positions {128, 256, 384}));
    EXPECT_EQ(CViewGeometry::GridLinePositions(3, 448), (Positions {112, 224, 336}));
    EXPECT_EQ(CViewGeometry::GridLinePositions(1, 160), (Positions {80}));
    EXPECT_EQ(CViewGeometry::GridLinePositions(6, 192), (Positions {27, 54, 82, 109, 137, 164}));
    EXPECT_TRUE(CViewGeometry::GridLinePositions(0, 512).empty());
    EXPECT_TRUE(CViewGeometry::GridLinePositions(-4, 512).empty());
}

TEST(ViewGeometryTest, HugeGridCountsStayWithinTheCanvas)
{
    const Positions dense = CViewGeometry::GridLinePositions(2147483647, 128);
    ASSERT_EQ(dense.size(), 128u);
    EXPECT_EQ(dense.front(), 0);
    EXPECT_EQ(dense.back(), 127);
    const Positions some = CViewGeometry::GridLinePositions(300, 128);
    EXPECT_EQ(some.front(), 0);
    EXPECT_EQ(some.back(), 127);
    EXPECT_TRUE(std::is_sorted(some.begin(), some.end()));
    EXPECT_EQ(some.size(), 128u);
}

TEST(ViewGeometryTest, MissingOutlineMetricsFallBackTo144Per1024)
{
    const CViewGeometry::Metrics fallback = CViewGeometry::SampleMetrics(false, 2048, -300);
    EXPECT_EQ(fallback.em, 1024);
    EXPECT_EQ(fallback.descent, 144);
    EXPECT_EQ(CViewGeometry::ReferencePoint(false, 512, 512, fallback), QPoint(0, 72));

    const CViewGeometry::Metrics real = CViewGeometry::SampleMetrics(true, 1000, -120);
    EXPECT_EQ(real.em, 1000);
    EXPECT_EQ(real.descent, 120);
    EXPECT_EQ(CViewGeometry::ReferencePoint(false, 448, 448, real), QPoint(0, 53));
    EXPECT_EQ(CViewGeometry::ReferencePoint(true, 448, 448, real), QPoint(53, 448));
}

TEST(ViewGeometryTest, VerticalSampleNeedsBothTheBoxAndAVerticalForm)
{
    EXPECT_TRUE(CViewGeometry::IsVerticalSample(true, true));
    EXPECT_FALSE(CViewGeometry::IsVerticalSample(true, false));
    EXPECT_FALSE(CViewGeometry::IsVerticalSample(false, true));
}

// The em square, from descent below the baseline to em - descent above it,
// covers the canvas in client coordinates, either way the text runs.
TEST(ViewGeometryTest, EmSquareCoversTheCanvas)
{
    const CViewGeometry::Metrics metrics {1024, 144};
    for (bool vertical : {false, true}) {
        const CViewGeometry::Affine t = CViewGeometry::SampleTransform(vertical, 512, 512, metrics);
        const QPointF bottomLeft = t.Map(QPointF(0, -144));
        const QPointF topRight = t.Map(QPointF(1024, 1024 - 144));
        EXPECT_NEAR(bottomLeft.x(), 0, 0.01) << vertical;
        EXPECT_NEAR(bottomLeft.y(), 511, 0.01) << vertical;
        EXPECT_NEAR(topRight.x(), 512, 0.01) << vertical;
        EXPECT_NEAR(topRight.y(), -1, 0.01) << vertical;
    }
    const CViewGeometry::Affine h = CViewGeometry::SampleTransform(false, 512, 512, metrics);
    EXPECT_EQ(h.Map(QPointF(0, 0)), QPointF(0, 439));
}
