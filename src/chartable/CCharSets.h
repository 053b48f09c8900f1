#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

// One cell of the character table: a code-page-932 character, upright or in
// its vertical-writing form. A list of what people learn or write may hold a
// character the code page lacks; its cell has no code and carries the
// character itself, to be shown and never made.
struct CCharCell
{
    quint16 code = 0;
    bool vertical = false;
    char32_t uncoded = 0;

    bool IsCoded() const { return uncoded == 0; }
    // One number per cell, for sets and caches.
    quint32 Key() const { return uncoded ? kUncodedBit | uncoded : code | (vertical ? 0x10000u : 0u); }
    static CCharCell FromKey(quint32 key)
    {
        if (key & kUncodedBit)
            return {0, false, key & ~kUncodedBit};
        return {static_cast<quint16>(key & 0xFFFF), (key & 0x10000u) != 0};
    }
    bool operator==(const CCharCell&) const = default;

    static constexpr quint32 kUncodedBit = 0x80000000u;
};

// The character sets a Japanese font is made of. Which codes belong to which
// set is worked out once from code page 932 itself: every code is decoded and
// sorted by what the character is, so a code page that maps differently
// gives different sets rather than a silently wrong hand-made list.
enum class ECharSet {
    Ascii,         // single-byte 0x20-0x7E
    HalfKana,      // single-byte 0xA1-0xDF
    Symbols,       // the two-byte row 0x81 and every other non-kana, non-kanji row
    FullAlnum,     // full-width digits and Latin letters
    Hiragana,
    Katakana,
    GreekCyrillic,
    Kanji1,        // first-level kanji 0x889F-0x9872
    Kanji2,        // second-level kanji 0x989F-0xEAA4
    Vertical,      // the vertical-writing forms
    All,           // every character, upright
    // The sets people learn and use, from the kanji dictionary read at run
    // time, and the characters of the user's own text. Stored settings
    // name sets by number, so new ones go at the end.
    Kyoiku,        // 教育漢字, the six school years together
    Grade1,
    Grade2,
    Grade3,
    Grade4,
    Grade5,
    Grade6,
    Joyo,          // 常用漢字
    Jinmeiyo,      // 人名用漢字
    OwnText,       // 自分の文章
};

class CCharSets
{
public:
    // The sets in the order the table offers them.
    static const QList<ECharSet>& Order();
    static QString Name(ECharSet set);
    // The cells of a set of the code page in code order; empty for the sets
    // that come from elsewhere (the dictionary, the user's text).
    static const QList<CCharCell>& Cells(ECharSet set);
    static bool IsFromDictionary(ECharSet set);
    // The school year of a grade set, 0 for the others.
    static int SchoolYear(ECharSet set);
    static bool IsKanji(ECharSet set);
    static constexpr ECharSet kLast = ECharSet::OwnText;

    // The upright cell of a character: with its code when the code page
    // has it, else an uncoded cell.
    static CCharCell CellOf(char32_t ch);

    // The code a character is kept under: code page 932 has a few
    // characters at two codes (the NEC and IBM extensions), and the font
    // holds one glyph for both. 0 for a code that is no character (the
    // user-defined area included).
    static quint16 CanonicalCode(quint16 code);
};
