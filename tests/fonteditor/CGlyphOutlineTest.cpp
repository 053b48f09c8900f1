#include "fonteditor/CGlyphOutline.h"

#include <gtest/gtest.h>

TEST(CGlyphOutlineTest, ReadsEveryKindOfSegment)
{
    const auto outline = CGlyphOutline::Parse(
        QStringLiteral("A 1024 M 0 -144 L 512.5 -144 Q 600 0 512 100 C 400 200 100 200 0 100 Z M 10 10 L 20 20 Z"));
    ASSERT_TRUE(outline);
    EXPECT_EQ(outline->Advance(), 1024);
    ASSERT_EQ(outline->Commands().size(), 8);
    EXPECT_EQ(outline->Commands()[1].points, QList<QPointF>({ QPointF(512.5, -144) }));
    EXPECT_EQ(outline->Commands()[2].points.size(), 2);
    EXPECT_EQ(outline->Commands()[3].kind, CGlyphOutline::EKind::Cubic);
    EXPECT_EQ(outline->Commands()[3].points.last(), QPointF(0, 100));
    EXPECT_TRUE(outline->Commands()[4].points.isEmpty());
}

TEST(CGlyphOutlineTest, ASpaceIsAnAdvanceAlone)
{
    const auto outline = CGlyphOutline::Parse(QStringLiteral("A 512"));
    ASSERT_TRUE(outline);
    EXPECT_TRUE(outline->IsEmpty());
    EXPECT_EQ(outline->Advance(), 512);
}

TEST(CGlyphOutlineTest, RefusesDamagedAnswersWhole)
{
    for (const char* text : { "", "A", "M 0 0 L 1 1 Z", "A x", "A 1024 L 1 1 Z", "A 1024 M 0 0 L 1 Z",
             "A 1024 M 0 0 L 1 1", "A 1024 M 0 0 M 1 1 Z", "A 1024 M 0 0 L nan 1 Z", "A 1024 M 0 0 L 1e300 1 Z",
             "A 1024 M 0 0 X 1 1 Z", "A 1024 Z" })
        EXPECT_FALSE(CGlyphOutline::Parse(QString::fromLatin1(text))) << text;
}
