#pragma once

#include <QtGlobal>

#include <array>

// The codes (code page 932) of the characters that have a vertical-writing
// form of their own, in ascending order: punctuation, brackets, small kana,
// box-drawing lines and the squared unit words.
extern const std::array<quint16, 112> VerticalCharTable;

// Whether the code is in the table.
bool IsVerticalChar(quint16 code);
// The first entry above the code, or 0 when there is none.
quint16 NextVerticalChar(quint16 code);
// The last entry below the code, or 0 when there is none.
quint16 PrevVerticalChar(quint16 code);
