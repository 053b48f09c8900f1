#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

class IMessageBox;
class QFileDevice;

// A device-independent bitmap as a BMP file holds it: the info block (the
// 40-byte header and the colour table that follows it) and the pixel rows.
// The document keeps one of the canvas size, starting from a template, and
// the canvas is copied into its pixels before each glyph goes to the editor.
class CDib
{
public:
    static constexpr int kFileHeaderSize = 14;
    static constexpr int kInfoHeaderSize = 40;

    CDib() = default;

    // Reads a whole BMP file. On failure errorText receives the reason, which
    // is also shown when a message box is given; the bitmap is then empty.
    bool ReadDib(QFileDevice& file, QString& errorText, IMessageBox* messages);
    // Writes the file header, the header and colour table and the pixels,
    // then goes back to the start of the file. Failures are shown when a
    // message box is given.
    bool WriteDib(QFileDevice& file, IMessageBox* messages) const;
    // Writes when storing, else reads with the reason shown.
    bool Serialize(QFileDevice& file, bool storing, IMessageBox& messages);

    // A blank bottom-up one-bit bitmap (index 0 black, 1 white, all white),
    // as the templates hold.
    static QByteArray BlankOneBitFile(int width, int height);

    bool IsEmpty() const { return m_pBits.empty(); }
    int Width() const;
    int Height() const;
    // The number of pixel rows, whichever way they run.
    int64_t Rows() const;
    int BitCount() const;
    int Stride() const { return m_nStride; }
    uint32_t ImageSize() const { return m_dwImageSize; }
    int Colors() const { return m_nColors; }
    const QByteArray& Info() const { return m_pInfo; }
    std::vector<uint8_t>& Bits() { return m_pBits; }
    const std::vector<uint8_t>& Bits() const { return m_pBits; }
    // Red, green and blue of each colour table entry.
    const std::vector<std::array<uint8_t, 3>>& Palette() const { return m_hPalette; }

    void Free();

    // Whether the bitmap is one bit a dot and has the given width and
    // height, so that canvas rows of that size can go into it.
    bool Fits(int width, int height) const;
    // Copies count bytes to the start of pixel row `row` (in file order);
    // what would fall outside the row or the bitmap is dropped.
    void SetRowBytes(int row, const uint8_t* bytes, int count);

private:
    bool CheckHeader(qint64 available, QString& reason);

    QByteArray m_pInfo;
    std::vector<uint8_t> m_pBits;
    uint32_t m_dwImageSize = 0;
    int m_nStride = 0;
    int m_nColors = 0;
    std::vector<std::array<uint8_t, 3>> m_hPalette;
};
