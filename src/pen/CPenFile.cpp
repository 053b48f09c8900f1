#include "pen/CPenFile.h"

#include "app/IMessageBox.h"

#include <QFile>
#include <QSaveFile>
#include <QtEndian>

#include <algorithm>

namespace {

const QByteArray kSignature = QByteArrayLiteral("Quillery");

QString OpenFailedText(const QString& path)
{
    return QStringLiteral("ファイル%1のオープンに失敗しました。").arg(path);
}

QString ReadFailedText(const QString& path)
{
    return QStringLiteral("ファイル%1の読み込みに失敗しました。").arg(path);
}

QString WriteFailedText(const QString& path)
{
    return QStringLiteral("ファイル%1の書き込みに失敗しました。").arg(path);
}

QString ParseFailureText(CPenFile::ParseResult result)
{
    switch (result) {
    case CPenFile::ParseResult::NotPenFile:
        return QStringLiteral("Quillery用のペンファイルではありません。");
    case CPenFile::ParseResult::NewerVersion:
        return QStringLiteral("上位バージョンのQuilleryで保存されたペンファイルのため、"
                              "このバージョンでは開くことができません。");
    default:
        return QStringLiteral("ファイルが壊れています。");
    }
}

template <typename T>
T ReadLE(const QByteArray& content, int offset)
{
    return qFromLittleEndian<T>(content.constData() + offset);
}

} // namespace

QByteArray CPenFile::Build(const CPenTip::Bits& bits)
{
    QByteArray content(kFileSize, '\0');
    char* p = content.data();
    std::copy(kSignature.cbegin(), kSignature.cend(), p);
    qToLittleEndian<quint32>(kVersion, p + 8);
    qToLittleEndian<quint16>(CPenTip::kSize, p + 12);
    qToLittleEndian<quint16>(CPenTip::kSize, p + 14);
    std::copy(bits.cbegin(), bits.cend(), reinterpret_cast<uint8_t*>(p + kHeaderSize));
    return content;
}

// The checks run in file order, so a file that is no pen file at all is
// named so before its version or size is judged. A file that ends before
// its image does is damaged; bytes after the image are ignored.
CPenFile::ParseResult CPenFile::Parse(const QByteArray& content, CPenTip::Bits& bits)
{
    if (!content.startsWith(kSignature))
        return ParseResult::NotPenFile;
    if (content.size() < 12)
        return ParseResult::Damaged;
    if (ReadLE<quint32>(content, 8) > kVersion)
        return ParseResult::NewerVersion;
    if (content.size() < kHeaderSize)
        return ParseResult::Damaged;
    const int width = ReadLE<quint16>(content, 12);
    const int height = ReadLE<quint16>(content, 14);
    if (width != CPenTip::kSize || height != CPenTip::kSize || content.size() < kFileSize)
        return ParseResult::Damaged;
    const auto* image = reinterpret_cast<const uint8_t*>(content.constData() + kHeaderSize);
    std::copy_n(image, CPenTip::kByteSize, bits.begin());
    return ParseResult::Ok;
}

bool CPenFile::SavePenFile(const QString& path, const CPenTip::Bits& bits, IMessageBox& box)
{
    const QByteArray content = Build(bits);
    QSaveFile file(path);
    // Unbuffered, so a short write (a full disk) shows in write()'s count;
    // through the buffer it would be lost and a cut file committed.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        box.ShowMessage(OpenFailedText(path));
        return false;
    }
    if (file.write(content) != content.size() || file.size() != content.size() || !file.commit()) {
        file.cancelWriting();
        box.ShowMessage(WriteFailedText(path));
        return false;
    }
    return true;
}

bool CPenFile::LoadPenFile(const QString& path, CPenTip& tip, IMessageBox& box)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        box.ShowMessage(OpenFailedText(path));
        return false;
    }
    // One byte more than a pen file holds is enough to judge it; a huge file
    // is never read whole.
    const QByteArray content = file.read(kFileSize + 1);
    if (file.error() != QFileDevice::NoError) {
        box.ShowMessage(ReadFailedText(path));
        return false;
    }
    CPenTip::Bits bits;
    const ParseResult result = Parse(content, bits);
    if (result != ParseResult::Ok) {
        box.ShowMessage(ParseFailureText(result));
        return false;
    }
    tip.PenBits() = bits;
    tip.RebuildPenStamp();
    return true;
}
