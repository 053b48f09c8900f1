#pragma once

#include <QByteArray>
#include <QPoint>
#include <array>
#include <cstdint>

class CCanvasBitmap;

// The user-defined 64 x 64 tip. m_penBits uses the canvas's own layout
// (8 bytes a row, rows bottom-up, MSB leftmost, 0 ink); the pen editor writes
// it in place and then calls RebuildPenStamp.
class CPenTip
{
public:
    static constexpr int kSize = 64;
    static constexpr int kRowBytes = 8;
    static constexpr int kByteSize = kSize * kRowBytes;
    static constexpr int kHalf = kSize / 2;

    using Bits = std::array<uint8_t, kByteSize>;

    CPenTip();

    Bits& PenBits() { return m_penBits; }
    const Bits& PenBits() const { return m_penBits; }

    // The 48 x 8 bar used until the user draws a tip of their own.
    static Bits BuiltInBits();
    void SetBuiltIn();
    // A stored tip: paper first, then at most 512 stored bytes over its start.
    void LoadStored(const QByteArray& stored);

    void RebuildPenStamp();

    // One imprint with the tip's dot (32, 32) on canvas point (x, y).
    void Stamp(CCanvasBitmap& canvas, int x, int y, bool erase) const;
    // A Bresenham walk from `from` to `to`, one imprint per dot of the walk.
    void StampLine(CCanvasBitmap& canvas, QPoint from, QPoint to, bool erase) const;

private:
    Bits m_penBits;
    // m_bmpPenStamp: one mask per tip row, bit 63 is column 0, set = ink.
    std::array<uint64_t, kSize> m_stampRows {};
};
