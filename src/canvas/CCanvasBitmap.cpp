#include "canvas/CCanvasBitmap.h"

#include <algorithm>
#include <cstring>

CCanvasBitmap::CCanvasBitmap(int width, int height)
{
    Create(width, height);
}

void CCanvasBitmap::Create(int width, int height)
{
    m_nWidth = std::max(width, 0);
    m_nHeight = std::max(height, 0);
    m_nRowBytes = RowBytesFor(m_nWidth);
    m_bits.assign(static_cast<size_t>(m_nRowBytes) * m_nHeight, kPaperByte);
}

QByteArray CCanvasBitmap::Bits() const
{
    return QByteArray(reinterpret_cast<const char*>(m_bits.data()), static_cast<qsizetype>(m_bits.size()));
}

bool CCanvasBitmap::SetBits(const QByteArray& bits)
{
    if (bits.size() != static_cast<qsizetype>(m_bits.size()))
        return false;
    std::copy(bits.cbegin(), bits.cend(), reinterpret_cast<char*>(m_bits.data()));
    return true;
}

void CCanvasBitmap::Fill(uint8_t value)
{
    std::fill(m_bits.begin(), m_bits.end(), value);
}

bool CCanvasBitmap::IsInk(int x, int y) const
{
    if (!IsInside(x, y))
        return false;
    return (Row(y)[x >> 3] & (0x80 >> (x & 7))) == 0;
}

void CCanvasBitmap::SetDot(int x, int y, bool ink)
{
    FillSpan(y, x, x, ink);
}

int CCanvasBitmap::CountInk() const
{
    int count = 0;
    for (int y = 0; y < m_nHeight; ++y)
        for (int x = 0; x < m_nWidth; ++x)
            count += IsInk(x, y) ? 1 : 0;
    return count;
}

// Bits of byte byteIndex that are real columns (padding bits beyond the width
// are never touched, so they stay paper).
uint8_t CCanvasBitmap::ColumnMask(int byteIndex) const
{
    const int firstColumn = byteIndex * 8;
    const int columns = std::clamp(m_nWidth - firstColumn, 0, 8);
    return static_cast<uint8_t>(0xFF00 >> columns);
}

void CCanvasBitmap::FillSpan(int y, int x0, int x1, bool ink)
{
    if (y < 0 || y >= m_nHeight)
        return;
    x0 = std::max(x0, 0);
    x1 = std::min(x1, m_nWidth - 1);
    if (x0 > x1)
        return;
    uint8_t* row = Row(y);
    const int b0 = x0 >> 3;
    const int b1 = x1 >> 3;
    const auto apply = [&](int b, uint8_t mask) {
        if (ink)
            row[b] &= static_cast<uint8_t>(~mask);
        else
            row[b] |= mask;
    };
    const auto first = static_cast<uint8_t>(0xFF >> (x0 & 7));
    const auto last = static_cast<uint8_t>(0xFF << (7 - (x1 & 7)));
    if (b0 == b1) {
        apply(b0, first & last);
        return;
    }
    apply(b0, first);
    // Whole bytes in between: ink is 0, paper 1.
    std::fill(row + b0 + 1, row + b1, ink ? uint8_t(0x00) : uint8_t(0xFF));
    apply(b1, last);
}

void CCanvasBitmap::ApplyInkMask(int y, int x0, uint64_t mask, bool erase)
{
    if (y < 0 || y >= m_nHeight || mask == 0)
        return;
    if (x0 > m_nWidth - 1 || x0 < -63)
        return;
    // The 64 dots span up to nine bytes: eight whole ones from the byte that
    // holds column x0 (floor division), and the low bits spilled into a ninth.
    const int firstByte = x0 >> 3;
    const int shift = x0 & 7;
    const uint64_t head = mask >> shift;
    const auto tail = static_cast<uint8_t>(shift ? mask << (8 - shift) : 0);
    uint8_t* row = Row(y);
    const bool wholeBytesInside = firstByte >= 0 && (firstByte + 8) * 8 <= m_nWidth;
    if (wholeBytesInside) {
        uint64_t word;
        std::memcpy(&word, row + firstByte, sizeof word);
        word = __builtin_bswap64(word);
        word = erase ? word | head : word & ~head;
        word = __builtin_bswap64(word);
        std::memcpy(row + firstByte, &word, sizeof word);
    } else {
        for (int k = 0; k < 8; ++k)
            ApplyByte(firstByte + k, static_cast<uint8_t>(head >> (56 - 8 * k)), row, erase);
    }
    ApplyByte(firstByte + 8, tail, row, erase);
}

void CCanvasBitmap::ApplyByte(int byteIndex, uint8_t bits, uint8_t* row, bool erase) const
{
    if (bits == 0 || byteIndex < 0 || byteIndex >= m_nRowBytes)
        return;
    bits &= ColumnMask(byteIndex);
    if (erase)
        row[byteIndex] |= bits;
    else
        row[byteIndex] &= static_cast<uint8_t>(~bits);
}
