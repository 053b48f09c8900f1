#include "fonteditor/CDefaultFontNames.h"

#include "fonteditor/CFontInfoEditor.h"
#include "fonteditor/CNewFontNaming.h"

#include <gtest/gtest.h>

namespace {

// Whatever the file is called, the proposed names are ones the font
// information rules accept, and the English one can be read: the stem
// itself, kana as they are read, or a plain name; never a code.
TEST(DefaultFontNamesTest, EveryFileNameGivesReadableNamesTheRulesAccept)
{
    const struct {
        const char* file;
        const char* family;
        const char* familyJa;
    } cases[] = {
        { "/f/My Hand 2.ttf", "My Hand 2", "My Hand 2" },
        { "/f/ｈａｎｄ.ttf", "hand", "ｈａｎｄ" },
        { "/f/てがき.ttf", "Tegaki", "てがき" },
        { "/f/まる　もじ.ttf", "Maru Moji", "まる　もじ" },
        { "/f/しょっちゅう.ttf", "Shotchuu", "しょっちゅう" },
        { "/f/きゃらめる.ttf", "Kyarameru", "きゃらめる" },
        { "/f/ファミリー.ttf", "Famiri", "ファミリー" },
        { "/f/ウィンドウ.ttf", "Windou", "ウィンドウ" },
        { "/f/ｶﾞｯｺｳ.ttf", "Gakkou", "ｶﾞｯｺｳ" },
        { "/f/Café.ttf", "Cafe", "Café" },
        { "/f/てがき文字.ttf", "Tegaki", "てがき文字" },
        { "/f/.ttf", "Tegaki", "手書き" },
        { "/f/abcdefghijklmnopqrstuvwxyz0123456789.ttf", "abcdefghijklmnopqrstuvwxyz01234",
            "abcdefghijklmnopqrstuvwxyz01234" },
    };
    for (const auto& c : cases) {
        const SFontNames names = CDefaultFontNames::For(QString::fromUtf8(c.file));
        EXPECT_EQ(names.family, QString::fromUtf8(c.family)) << c.file;
        EXPECT_EQ(names.familyJa, QString::fromUtf8(c.familyJa)) << c.file;
        EXPECT_TRUE(CFontInfoEditor::Problem(SFontInfo::FamilyName, names.family).isEmpty()) << c.file;
        EXPECT_TRUE(CFontInfoEditor::Problem(SFontInfo::FamilyNameJa, names.familyJa).isEmpty()) << c.file;
    }
}

// Names given beforehand win; a Japanese name not given follows the English
// one given, and what is not given at all comes from the file.
TEST(DefaultFontNamesTest, GivenNamesAreCompletedFromTheFile)
{
    const QString file = QStringLiteral("/f/てがき.ttf");
    EXPECT_EQ(CNewFontNaming::Completed({}, file), (SFontNames { "Tegaki", "てがき" }));
    EXPECT_EQ(CNewFontNaming::Completed({ "Tegaki Test", {} }, file), (SFontNames { "Tegaki Test", "Tegaki Test" }));
    EXPECT_EQ(CNewFontNaming::Completed({ {}, "てがきテスト" }, file), (SFontNames { "Tegaki", "てがきテスト" }));
}

} // namespace
