#include "strokes/CodePage932.h"

#include <gtest/gtest.h>

TEST(CharCodeTest, BytesAndCodeBothWays)
{
    EXPECT_EQ(CharCode(QByteArray()), 0);
    EXPECT_EQ(CharCode("A"), 0x41);
    EXPECT_EQ(CharCode("\x82\xa0"), 0x82A0);
    // A zero second byte means a one-byte character.
    EXPECT_EQ(CharCode(QByteArray("\x41\x00", 2)), 0x41);
    EXPECT_EQ(CharFromCode(0x41), QByteArray("A"));
    EXPECT_EQ(CharFromCode(0xFE), QByteArray("\xfe"));
    EXPECT_EQ(CharFromCode(0x82A0), QByteArray("\x82\xa0"));
    EXPECT_EQ(CharFromCode(0x8140), QByteArray("\x81\x40"));
}

TEST(CodePage932Test, CharToUnicodeConvertsValidAndRefusesInvalid)
{
    EXPECT_EQ(CharToUnicode(0x82A0), 0x3042);  // あ
    EXPECT_EQ(CharToUnicode(0x41), 0x41);
    EXPECT_EQ(CharToUnicode(0xB1), 0xFF71);    // half-width ｱ
    EXPECT_EQ(CharToUnicode(0x8160), 0xFF5E);  // ～
    EXPECT_EQ(CharToUnicode(0x82), 0);         // a lead byte alone
    EXPECT_EQ(CharToUnicode(0x8540), 0);       // unassigned
    EXPECT_EQ(CharToUnicode(0x82FF), 0);       // bad trail byte
}

TEST(CodePage932Test, UnicodeToCharReportsLengthAndRefusesUnmappable)
{
    quint16 out = 0xFFFF;
    EXPECT_EQ(UnicodeToChar(0x3042, out), 2);
    EXPECT_EQ(out, 0x82A0);
    EXPECT_EQ(UnicodeToChar(0x41, out), 1);
    EXPECT_EQ(out, 0x41);
    EXPECT_EQ(UnicodeToChar(0xFF71, out), 1);
    EXPECT_EQ(out, 0xB1);
    EXPECT_EQ(UnicodeToChar(0x00E9, out), 0); // é has no Shift-JIS form
    EXPECT_EQ(out, 0);
    out = 7;
    EXPECT_EQ(UnicodeToChar(0xD800, out), 0); // a lone surrogate
    EXPECT_EQ(out, 0);
    EXPECT_EQ(UnicodeToChar(0, out), 0);
}

TEST(CodePage932Test, TextsAcrossTheBoundary)
{
    bool ok = false;
    EXPECT_EQ(Cp932ToString("\x82\xa0\x82\xa2", &ok), QString::fromUtf8("あい"));
    EXPECT_TRUE(ok);
    EXPECT_TRUE(Cp932ToString("\x82", &ok).isEmpty());
    EXPECT_FALSE(ok);
    EXPECT_EQ(StringToCp932(QString::fromUtf8("縦"), &ok), QByteArray("\x8f\x63"));
    EXPECT_TRUE(ok);
    EXPECT_TRUE(StringToCp932(QString::fromUtf8("aé"), &ok).isEmpty());
    EXPECT_FALSE(ok);
    EXPECT_EQ(Cp932CharCount(""), 0);
    EXPECT_EQ(Cp932CharCount("ab"), 2);
    EXPECT_EQ(Cp932CharCount("\x82\xa0"), 1);
    EXPECT_EQ(Cp932CharCount("\x82\xa0z"), 2);
}

// Text typed or decoded outside Windows carries the JIS code point of seven
// characters; each must reach the one code page 932 code, while the code
// still converts back to the code page's own code point.
TEST(CodePage932Test, JisTwinsReachTheSameCode)
{
    const std::pair<quint16, char16_t> twins[] = {{0x8160, u'\u301C'}, {0x817C, u'\u2212'}, {0x815C, u'\u2014'},
                                                  {0x8161, u'\u2016'}, {0x8191, u'\u00A2'}, {0x8192, u'\u00A3'},
                                                  {0x81CA, u'\u00AC'}};
    for (const auto& [code, jis] : twins) {
        quint16 out = 0;
        EXPECT_EQ(UnicodeToChar(jis, out), 2) << std::hex << code;
        EXPECT_EQ(out, code);
        EXPECT_EQ(Cp932TwinUnit(code), jis);
        quint16 own = 0;
        EXPECT_EQ(UnicodeToChar(CharToUnicode(code), own), 2);
        EXPECT_EQ(own, code);
        bool ok = false;
        EXPECT_EQ(CharCode(StringToCp932(QString(QChar(jis)), &ok)), code);
        EXPECT_TRUE(ok);
    }
    EXPECT_EQ(Cp932TwinUnit(0x82A0), 0);
    bool ok = false;
    EXPECT_EQ(StringToCp932(QString::fromUtf8("5〜10−2"), &ok), QByteArray("5\x81\x60" "10\x81\x7c" "2"));
    EXPECT_TRUE(ok);
}
