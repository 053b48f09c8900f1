#pragma once

#include <QString>

// The two family names of a font: the English one (Mac Roman and English
// menus, PDF font lists) and the Japanese one.
struct SFontNames {
    QString family;
    QString familyJa;
    bool operator==(const SFontNames&) const = default;
};

// The names a new font starts with, from the name of its file, the same
// for the window and the command line: the file's stem as the Japanese
// name, and as the English one when it is in ASCII letters; a stem in kana
// is written in Latin letters as it is read (てがき: "Tegaki"); any other
// stem (one with kanji) gets a plain English name. Never a code the user
// cannot read.
class CDefaultFontNames {
public:
    static SFontNames For(const QString& fontPath);
    // The English family for a name in any letters; never empty.
    static QString EnglishFor(const QString& name);
    // Kana (and ASCII) in Hepburn romanization with each word capitalised
    // ("まる もじ" is "Maru Moji"); empty when the text has other letters.
    static QString Romanized(const QString& text);

    // When nothing better can be read out of the file's name.
    static inline const QString kFamily = QStringLiteral("Tegaki");
    static inline const QString kFamilyJa = QStringLiteral("手書き");
};
