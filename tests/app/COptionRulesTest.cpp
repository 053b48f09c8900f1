#include "app/COptionRules.h"

#include <gtest/gtest.h>

TEST(OptionRules, SizeListMapsBothWaysAndNothingElse)
{
    const int sizes[] = {128, 160, 192, 256, 448, 512};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(COptionRules::SizeIndexFor(sizes[i]), i);
        EXPECT_EQ(COptionRules::SizeForIndex(i), sizes[i]);
    }
    for (int size : {0, 224, 300, 320, 384, 1024})
        EXPECT_EQ(COptionRules::SizeIndexFor(size), -1) << size;
    EXPECT_FALSE(COptionRules::SizeForIndex(-1));
    EXPECT_FALSE(COptionRules::SizeForIndex(6));
}

TEST(OptionRules, GridCountMustBeAnIntegerFromOneToTwenty)
{
    EXPECT_EQ(COptionRules::ParseGridSize("1").value, 1);
    EXPECT_EQ(COptionRules::ParseGridSize("20").value, 20);
    EXPECT_TRUE(COptionRules::ParseGridSize("20").error.isEmpty());
    for (const char* text : {"0", "21", "-4"})
        EXPECT_EQ(COptionRules::ParseGridSize(text).error, "1 から 20 までの整数を入力してください。") << text;
    for (const char* text : {"", "x", "3.5", "99999999999"})
        EXPECT_EQ(COptionRules::ParseGridSize(text).error, "整数を入力してください。") << text;
}

TEST(OptionRules, FolderLengthCountsCodePageBytes)
{
    EXPECT_TRUE(COptionRules::CheckFolderLength(QString(256, 'a')).isEmpty());
    EXPECT_EQ(COptionRules::CheckFolderLength(QString(257, 'a')), "256 文字以内で入力してください。");
    EXPECT_TRUE(COptionRules::CheckFolderLength(QString(128, QChar(0x3042))).isEmpty());   // あ x 128 = 256 bytes
    EXPECT_FALSE(COptionRules::CheckFolderLength(QString(129, QChar(0x3042))).isEmpty());
    // half-width katakana take one byte each
    EXPECT_TRUE(COptionRules::CheckFolderLength(QString(256, QChar(0xFF71))).isEmpty());
}

TEST(OptionRules, FolderComparisonFoldsOnlyAsciiLetters)
{
    EXPECT_TRUE(COptionRules::SameFolderIgnoringCase("/home/a/Fonts", "/HOME/A/FONTS"));
    EXPECT_FALSE(COptionRules::SameFolderIgnoringCase("/home/a/Fonts", "/home/a/Fonts2"));
    // full-width letters are double-byte characters and keep their case
    EXPECT_FALSE(COptionRules::SameFolderIgnoringCase(QString::fromUtf8("ａ"), QString::fromUtf8("Ａ")));
    EXPECT_TRUE(COptionRules::SameFolderIgnoringCase(QString::fromUtf8("ストロークA"), QString::fromUtf8("ストロークa")));
}

TEST(OptionRules, CompareReportsOnlyWhatChanged)
{
    const COptionValues before {512, false, 3, false, "/home/u/Strokes"};
    COptionValues after = before;
    after.strkFolderPath = "/HOME/U/strokes";
    auto changes = COptionRules::Compare(before, after);
    EXPECT_FALSE(changes.bmpSize || changes.doAndNext || changes.gridSize || changes.writeStrokeFile ||
                 changes.strkFolderPath);
    after.gridSize = 4;
    after.bmpSize = 256;
    changes = COptionRules::Compare(before, after);
    EXPECT_TRUE(changes.gridSize);
    EXPECT_TRUE(changes.bmpSize);
    EXPECT_FALSE(changes.doAndNext);
}
