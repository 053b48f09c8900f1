#pragma once

#include <QByteArray>
#include <QString>

// The current character travels as its code-page-932 (Shift-JIS) bytes, the
// code the font editor and the stroke files use; text shown to the user, kept
// in settings or put into file names is converted at the boundary. Every
// conversion here refuses invalid and unmappable characters instead of
// putting a replacement character in their place.

// The character's 16-bit code: its first byte alone, or first byte x 256 +
// second byte when there is a non-zero second byte. Empty text gives 0.
quint16 CharCode(const QByteArray& ch);
// The reverse: one byte for codes up to 0xFF, else the two bytes high first.
QByteArray CharFromCode(quint16 code);

// The UTF-16 unit of a code-page-932 character, or 0 when the code is not a
// valid character or does not convert to exactly one unit.
quint16 CharToUnicode(quint16 code);
// Converts one UTF-16 unit to code page 932: returns the byte count (1 or 2)
// and sets out to the byte or to first byte x 256 + second byte; returns 0
// and sets out to 0 when the unit has no exact code-page-932 form. The JIS
// twin of a code (see Cp932TwinUnit) converts to that code too.
int UnicodeToChar(quint16 unit, quint16& out);

// Seven codes stand for one character under two Unicode code points: the
// one code page 932 gives (0x8160 U+FF5E ～) and the one JIS and EUC-JP
// decoders give (U+301C 〜), which is what text typed outside Windows holds.
// The JIS twin of a code, or 0 for a code without one.
quint16 Cp932TwinUnit(quint16 code);

// Whole texts across the boundary. ok (when given) reports whether every
// character converted; on failure the result is empty.
QString Cp932ToString(const QByteArray& bytes, bool* ok = nullptr);
QByteArray StringToCp932(const QString& text, bool* ok = nullptr);
// The number of code-page-932 characters in bytes (a lead byte and its trail
// byte count as one).
int Cp932CharCount(const QByteArray& bytes);
// The length of text in code page 932 bytes, character by character as the
// conversion gives them. A character the code page lacks counts as two bytes,
// the widest a character there takes, so that a limit in bytes still holds
// when the text is later stored in a form that has room for it.
int Cp932ByteLength(const QString& text);
