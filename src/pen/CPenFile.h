#pragma once

#include "canvas/CPenTip.h"

#include <QByteArray>
#include <QString>

class IMessageBox;

// The ".pen" file: "Quillery", a 32-bit version, the tip's width and height
// as 16-bit numbers, then the tip's bytes as they lie in memory, all
// little-endian. Only 64 x 64 tips are read, so every byte read lands inside
// the tip and the tip keeps the layout the canvas stamps with.
class CPenFile
{
public:
    static constexpr int kHeaderSize = 16;
    static constexpr int kFileSize = kHeaderSize + CPenTip::kByteSize;
    static constexpr quint32 kVersion = 1;

    enum class ParseResult { Ok, NotPenFile, NewerVersion, Damaged };

    // The whole file content for the tip.
    static QByteArray Build(const CPenTip::Bits& bits);
    // Checks the header and the image; fills `bits` only when the result is Ok.
    static ParseResult Parse(const QByteArray& content, CPenTip::Bits& bits);

    // Writes the tip through a temporary file renamed into place, so a failed
    // save leaves any older file whole. Reports failures on `box`.
    static bool SavePenFile(const QString& path, const CPenTip::Bits& bits, IMessageBox& box);
    // Replaces the tip's bits and rebuilds its stamp; on any failure reports
    // it on `box` and leaves the tip as it was.
    static bool LoadPenFile(const QString& path, CPenTip& tip, IMessageBox& box);
};
