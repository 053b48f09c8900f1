#pragma once

#include "fonteditor/CKakasi.h"

#include <QString>

// The two family names of a font: the English one (Mac Roman and English
// menus, PDF font lists) and the Japanese one.
struct SFontNames {
    QString family;
    QString familyJa;
    bool operator==(const SFontNames&) const = default;
};

// The names a new font starts with, from the name of its file; the window,
// the command line and the font editor propose the same ones for the same
// file. The Japanese name is the file's stem without the characters a name
// cannot hold. The English one is made from it: full-width letters made
// plain, accents taken off, other letters left out, and runs of Japanese
// read out in Latin letters by kakasi, each word capitalised (てがき文字:
// "Tegaki Moji"; ラーメン: "Ramen", as names leave long vowels out); a
// space parts such a run from letters and digits but not from punctuation
// ("東京2024": "Toukyou 2024", "てがき-文字": "Tegaki-Moji"). Both fit the
// font information dialog's limit, the English one cut after a whole word.
// When nothing readable is left (or kakasi cannot be asked and the stem is
// all Japanese), the plain names below. Never a code the user cannot read.
class CDefaultFontNames {
public:
    static SFontNames For(const QString& fontPath, const CKakasi& kakasi = CKakasi());
    static SFontNames ForStem(const QString& stem, const CKakasi& kakasi = CKakasi());

    // When nothing better can be read out of the file's name.
    static inline const QString kFamily = QStringLiteral("Tegaki");
    static inline const QString kFamilyJa = QStringLiteral("手書き");
};
