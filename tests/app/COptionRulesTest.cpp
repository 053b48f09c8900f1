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

#include "app/CCharFieldRule.h"

TEST(CharFieldRule, TakesTwoBytesOfCodePage932)
{
    EXPECT_TRUE(CCharFieldRule::Accepts(""));
    EXPECT_TRUE(CCharFieldRule::Accepts(QString::fromUtf8("あ")));
    EXPECT_TRUE(CCharFieldRule::Accepts("AB"));
    EXPECT_TRUE(CCharFieldRule::Accepts(QString::fromUtf8("ｱｲ")));      // half-width kana: one byte each
    EXPECT_FALSE(CCharFieldRule::Accepts("ABC"));
    EXPECT_FALSE(CCharFieldRule::Accepts(QString::fromUtf8("あA")));
    EXPECT_FALSE(CCharFieldRule::Accepts(QString::fromUtf8("é")));      // not in the code page
    EXPECT_FALSE(CCharFieldRule::Accepts(QString::fromUtf8("😀")));
}

TEST(CharFieldRule, CodeIsFirstByteTimes256PlusSecond)
{
    EXPECT_EQ(CCharFieldRule::CodeOf(QString::fromUtf8("あ")), 0x82A0);
    EXPECT_EQ(CCharFieldRule::CodeOf("AB"), 0x4142);
    EXPECT_EQ(CCharFieldRule::CodeOf("A"), 0x41);
    EXPECT_EQ(CCharFieldRule::CodeOf(""), 0);
    EXPECT_EQ(CCharFieldRule::CodeOf(QString::fromUtf8("、")), 0x8141);
}

#include "app/CFaceNameList.h"

TEST(FaceNameList, DropsVerticalVariantsSortsAndKeepsDuplicates)
{
    const QStringList names =
        CFaceNameList::Filter({"Noto Sans CJK JP", "@IPAGothic", "", "IPAGothic", "ipamincho", "IPAGothic"});
    EXPECT_EQ(names, QStringList({"IPAGothic", "IPAGothic", "ipamincho", "Noto Sans CJK JP"}));
    EXPECT_TRUE(CFaceNameList::Filter({"@A", ""}).isEmpty());
}

TEST(FaceNameList, PrefixSearchTakesTheFirstMatchIgnoringCase)
{
    const QStringList names = {"IPAGothic", "IPAMincho", "Noto Sans CJK JP", "Noto Serif CJK JP"};
    EXPECT_EQ(CFaceNameList::FindPrefix(names, "ipa"), 0);
    EXPECT_EQ(CFaceNameList::FindPrefix(names, "IPAM"), 1);
    EXPECT_EQ(CFaceNameList::FindPrefix(names, "noto"), 2);
    EXPECT_EQ(CFaceNameList::FindPrefix(names, QString::fromUtf8("ＭＳ ゴシック")), -1);
    EXPECT_EQ(CFaceNameList::FindPrefix(names, ""), 0);
}
