#include "fonteditor/CDib.h"

#include "app/IMessageBox.h"
#include "fonteditor/FileErrorText.h"

#include <QFileDevice>
#include <QtEndian>

#include <algorithm>
#include <cstdlib>

namespace {

// Larger sides than this are no bitmap the program made; refusing them keeps
// every size computation far inside 32 bits.
constexpr int kMaxSide = 16384;

uint32_t U32(const char* p) { return qFromLittleEndian<uint32_t>(p); }
int32_t I32(const char* p) { return qFromLittleEndian<int32_t>(p); }
uint16_t U16(const char* p) { return qFromLittleEndian<uint16_t>(p); }

void Put32(QByteArray& out, uint32_t value)
{
    char bytes[4];
    qToLittleEndian<uint32_t>(value, bytes);
    out.append(bytes, 4);
}

QString InvalidText()
{
    return QStringLiteral("このビットマップ ファイルは無効です。");
}

QString ReadFailureText(const QFileDevice& file, int cause)
{
    return QStringLiteral("ファイル%1の読み込みに失敗しました。\n原因：%2").arg(file.fileName(), FileErrorText(cause));
}

qint64 Remaining(const QFileDevice& file)
{
    return file.isSequential() ? file.bytesAvailable() : file.size() - file.pos();
}

} // namespace

void CDib::Free()
{
    m_pInfo.clear();
    m_pBits.clear();
    m_dwImageSize = 0;
    m_nStride = 0;
    m_nColors = 0;
    m_hPalette.clear();
}

bool CDib::Fits(int width, int height) const
{
    return !IsEmpty() && BitCount() == 1 && Width() == width && Rows() == height;
}

void CDib::SetRowBytes(int row, const uint8_t* bytes, int count)
{
    if (row < 0 || m_nStride <= 0 || count <= 0)
        return;
    const size_t start = static_cast<size_t>(row) * static_cast<size_t>(m_nStride);
    if (start >= m_pBits.size())
        return;
    const size_t n = std::min({static_cast<size_t>(count), static_cast<size_t>(m_nStride), m_pBits.size() - start});
    std::copy_n(bytes, n, m_pBits.begin() + static_cast<std::ptrdiff_t>(start));
}

int CDib::Width() const
{
    return m_pInfo.size() >= kInfoHeaderSize ? I32(m_pInfo.constData() + 4) : 0;
}

int CDib::Height() const
{
    return m_pInfo.size() >= kInfoHeaderSize ? I32(m_pInfo.constData() + 8) : 0;
}

// A negative height marks a top-down bitmap; the most negative one has no
// positive counterpart in an int, hence the wider type.
int64_t CDib::Rows() const
{
    return std::abs(static_cast<int64_t>(Height()));
}

int CDib::BitCount() const
{
    return m_pInfo.size() >= kInfoHeaderSize ? U16(m_pInfo.constData() + 14) : 0;
}

// Sizes come from the header; a header whose sizes do not fit together or
// do not fit in the file is refused before anything is allocated from them.
bool CDib::CheckHeader(qint64 available, QString& reason)
{
    const int width = Width();
    const int64_t height = Rows();
    const int bits = BitCount();
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide
        || !(bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32)) {
        reason = InvalidText();
        return false;
    }
    m_nStride = static_cast<int>((static_cast<int64_t>(width) * bits + 31) / 32 * 4);
    const uint32_t minimum = static_cast<uint32_t>(m_nStride) * static_cast<uint32_t>(height);
    const uint32_t stated = U32(m_pInfo.constData() + 20);
    m_dwImageSize = stated != 0 ? stated : minimum;
    const uint32_t used = U32(m_pInfo.constData() + 32);
    m_nColors = used != 0 ? static_cast<int>(std::min<uint32_t>(used, 1u << 16))
        : bits == 1 ? 2 : bits == 4 ? 16 : bits == 8 ? 256 : 0;
    if (m_dwImageSize < minimum || kInfoHeaderSize + 4 * static_cast<qint64>(m_nColors) > m_pInfo.size()) {
        reason = InvalidText();
        return false;
    }
    if (m_dwImageSize > available) {
        reason = QString();
        return false;
    }
    return true;
}

bool CDib::ReadDib(QFileDevice& file, QString& errorText, IMessageBox* messages)
{
    Free();
    auto fail = [&](const QString& text) {
        Free();
        errorText = text;
        if (messages)
            messages->ShowMessage(text);
        return false;
    };

    const QByteArray fileHeader = file.read(kFileHeaderSize);
    if (fileHeader.size() < kFileHeaderSize || !fileHeader.startsWith("BM"))
        return fail(InvalidText());

    const qint64 infoSize = static_cast<qint64>(U32(fileHeader.constData() + 10)) - kFileHeaderSize;
    if (infoSize < kInfoHeaderSize)
        return fail(InvalidText());
    if (infoSize > Remaining(file))
        return fail(ReadFailureText(file, FileError::kEndOfFile));
    m_pInfo = file.read(infoSize);
    if (m_pInfo.size() < infoSize)
        return fail(ReadFailureText(file, FileError::kEndOfFile));

    QString reason;
    if (!CheckHeader(Remaining(file), reason))
        return fail(reason.isEmpty() ? ReadFailureText(file, FileError::kEndOfFile) : reason);

    m_pBits.resize(m_dwImageSize);
    const qint64 got = file.read(reinterpret_cast<char*>(m_pBits.data()), m_dwImageSize);
    if (got < 0)
        return fail(ReadFailureText(file, FileError::CauseOf(file)));
    if (got < static_cast<qint64>(m_dwImageSize))
        return fail(ReadFailureText(file, FileError::kEndOfFile));

    const uint8_t* table = reinterpret_cast<const uint8_t*>(m_pInfo.constData()) + kInfoHeaderSize;
    for (int i = 0; i < m_nColors; ++i)
        m_hPalette.push_back({table[4 * i + 2], table[4 * i + 1], table[4 * i]});
    return true;
}

bool CDib::WriteDib(QFileDevice& file, IMessageBox* messages) const
{
    if (IsEmpty())
        return false;
    const uint32_t infoBytes = kInfoHeaderSize + 4 * static_cast<uint32_t>(m_nColors);
    QByteArray out("BM");
    Put32(out, kFileHeaderSize + infoBytes + m_dwImageSize);
    Put32(out, 0);
    Put32(out, kFileHeaderSize + infoBytes);
    out.append(m_pInfo.constData(), infoBytes);
    out.append(reinterpret_cast<const char*>(m_pBits.data()), static_cast<qsizetype>(m_dwImageSize));

    // Flushed here so that a full disk shows now, not as a cut-off file later.
    if (file.write(out) != out.size() || !file.flush() || !file.seek(0)) {
        if (messages) {
            messages->ShowStop(QStringLiteral("ファイル%1の書き込みに失敗しました。\n原因：%2")
                                   .arg(file.fileName(), FileErrorText(FileError::CauseOf(file))));
        }
        return false;
    }
    return true;
}

bool CDib::Serialize(QFileDevice& file, bool storing, IMessageBox& messages)
{
    if (storing)
        return WriteDib(file, &messages);
    QString errorText;
    return ReadDib(file, errorText, &messages);
}

QByteArray CDib::BlankOneBitFile(int width, int height)
{
    const uint32_t stride = (static_cast<uint32_t>(width) + 31) / 32 * 4;
    const uint32_t imageSize = stride * static_cast<uint32_t>(height);
    const uint32_t offset = kFileHeaderSize + kInfoHeaderSize + 2 * 4;
    QByteArray out("BM");
    Put32(out, offset + imageSize);
    Put32(out, 0);
    Put32(out, offset);
    Put32(out, kInfoHeaderSize);
    Put32(out, static_cast<uint32_t>(width));
    Put32(out, static_cast<uint32_t>(height));
    Put32(out, 1 | (1u << 16)); // one plane, one bit per pixel
    Put32(out, 0);              // no compression
    Put32(out, imageSize);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 2);              // colours used
    Put32(out, 0);
    Put32(out, 0x00000000);     // index 0 black
    Put32(out, 0x00FFFFFF);     // index 1 white
    out.append(QByteArray(static_cast<qsizetype>(imageSize), char(0xFF)));
    return out;
}
