#include "canvas/CFontFileGuide.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QPointF FirstPoint(const CGlyphGuide& guide)
{
    const auto& commands = guide.Outline().Commands();
    return commands.isEmpty() || commands.first().points.isEmpty() ? QPointF(-1, -1) : commands.first().points.last();
}

} // namespace

// The guide read from a font file sits on the canvas as the editor would
// place it: the typographic em box, not the horizontal header's; a vertical
// form only where the font's 'vert' feature has one.
TEST(FontFileGuide, ReadsTheGlyphTheFileHoldsWithTheEditorsEmBox)
{
    QTemporaryDir dir;
    const QString font = dir.filePath(QStringLiteral("guide.ttf"));
    ASSERT_EQ(QProcess::execute(QStringLiteral("/usr/bin/python3"), {QStringLiteral(GUIDE_FONT_SCRIPT), font}), 0);

    CFontFileGuide reader;
    const std::optional<CGlyphGuide> square = reader.Read(font, QStringLiteral("あ"), false);
    ASSERT_TRUE(square.has_value());
    EXPECT_EQ(square->Em(), 1000);
    EXPECT_EQ(square->Descent(), 120);
    EXPECT_EQ(FirstPoint(*square), QPointF(100, -100));
    EXPECT_EQ(square->Outline().Commands().size(), 6); // M, four sides, Z

    const std::optional<CGlyphGuide> tall = reader.Read(font, QStringLiteral("ー"), true);
    ASSERT_TRUE(tall.has_value());
    EXPECT_EQ(FirstPoint(*tall), QPointF(450, -100));
    EXPECT_EQ(FirstPoint(*reader.Read(font, QStringLiteral("ー"), false)), QPointF(100, 300));

    EXPECT_FALSE(reader.Read(font, QStringLiteral("あ"), true)); // no vertical form
    EXPECT_FALSE(reader.Read(font, QStringLiteral("い"), false));
    EXPECT_FALSE(reader.Read(dir.filePath(QStringLiteral("missing.ttf")), QStringLiteral("あ"), false));
    QFile text(dir.filePath(QStringLiteral("note.ttf")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a font\n");
    text.close();
    EXPECT_FALSE(reader.Read(text.fileName(), QStringLiteral("あ"), false));
}
