#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

// One cell of the character table: a code-page-932 character, upright or in
// its vertical-writing form.
struct CCharCell
{
    quint16 code = 0;
    bool vertical = false;

    // One number per cell, for sets and caches.
    quint32 Key() const { return code | (vertical ? 0x10000u : 0u); }
    static CCharCell FromKey(quint32 key) { return {static_cast<quint16>(key & 0xFFFF), (key & 0x10000u) != 0}; }
    bool operator==(const CCharCell&) const = default;
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
};

class CCharSets
{
public:
    // The sets in the order the table offers them.
    static const QList<ECharSet>& Order();
    static QString Name(ECharSet set);
    // The cells of a set in code order.
    static const QList<CCharCell>& Cells(ECharSet set);

    // The code a character is kept under: code page 932 has a few
    // characters at two codes (the NEC and IBM extensions), and the font
    // holds one glyph for both. 0 for a code that is no character (the
    // user-defined area included).
    static quint16 CanonicalCode(quint16 code);
};
