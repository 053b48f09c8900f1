#pragma once

#include <QByteArray>
#include <cstdint>
#include <vector>

// The one-bit picture the user writes on. Layout: rows of RowBytes() bytes,
// stored bottom-up (row 0 is the bottom row as shown), the most significant
// bit of a byte is its leftmost dot, 0 is ink and 1 is paper. The layout is
// shared with the undo snapshots and with the bitmap handed to the editor.
class CCanvasBitmap
{
public:
    static constexpr uint8_t kPaperByte = 0xFF;

    CCanvasBitmap() = default;
    CCanvasBitmap(int width, int height);

    // Replaces the picture by an all-white one of the given size.
    void Create(int width, int height);

    static int RowBytesFor(int width) { return (width + 15) / 16 * 2; }

    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }
    int RowBytes() const { return m_nRowBytes; }
    int ByteSize() const { return static_cast<int>(m_bits.size()); }

    const uint8_t* Row(int y) const { return m_bits.data() + static_cast<size_t>(y) * m_nRowBytes; }
    uint8_t* Row(int y) { return m_bits.data() + static_cast<size_t>(y) * m_nRowBytes; }

    // The whole picture as one block, and back; SetBits refuses a block of
    // another size.
    QByteArray Bits() const;
    bool SetBits(const QByteArray& bits);

    void Fill(uint8_t value);

    bool IsInside(int x, int y) const { return x >= 0 && y >= 0 && x < m_nWidth && y < m_nHeight; }
    bool IsInk(int x, int y) const;
    void SetDot(int x, int y, bool ink);
    int CountInk() const;

    // Sets the dots x0..x1 of row y (inclusive, clipped) to ink or paper.
    void FillSpan(int y, int x0, int x1, bool ink);

    // Combines 64 dots starting at column x0 of row y with a mask whose bit 63
    // is column x0: set bits become paper when erasing, ink otherwise; clear
    // bits leave the canvas as it is. Columns outside the canvas are dropped.
    void ApplyInkMask(int y, int x0, uint64_t mask, bool erase);

private:
    uint8_t ColumnMask(int byteIndex) const;
    void ApplyByte(int byteIndex, uint8_t bits, uint8_t* row, bool erase) const;

    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nRowBytes = 0;
    std::vector<uint8_t> m_bits;
};
