#pragma once

#include <QSet>
#include <QString>
#include <optional>

// The font editor's list of the characters that have a glyph (member
// GlyphCodes): upper-case hexadecimal codes separated by spaces, a vertical
// form as its code followed by "v". The text comes from another process, so
// Parse refuses the whole answer when any token is malformed instead of
// showing a table that is half right. Well-formed codes that are no
// character of code page 932 are passed over; a code the code page holds
// twice counts for the code the character is kept under.
class CGlyphCodes
{
public:
    // The cells (CCharCell keys) that have a glyph.
    static std::optional<QSet<quint32>> Parse(const QString& text);
};
