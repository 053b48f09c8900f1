#pragma once

#include <QByteArray>
#include <QString>

// What the character field holds: at most two bytes of code page 932, so one
// double-byte character or up to two single-byte ones.
class CCharFieldRule
{
public:
    static constexpr int kMaxBytes = 2;

    static bool Accepts(const QString& text);
    // The field's text as code page 932 bytes; empty when it cannot be
    // encoded.
    static QByteArray ToBytes(const QString& text);
    // The character code of the field's first two bytes: first * 256 +
    // second, or the first alone when there is no second, 0 when empty.
    static int CodeOf(const QString& text);
};
