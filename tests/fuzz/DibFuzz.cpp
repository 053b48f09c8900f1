// Feeds arbitrary bytes to the BMP reader as the content of a template file.
#include "fonteditor/CDib.h"
#include "support/FakeMessageBox.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The reader takes a file, not a buffer: one scratch file, rewritten for
    // every input.
    static QTemporaryDir dir;
    static const QString path = dir.filePath(QStringLiteral("input.bmp"));
    {
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || out.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) != static_cast<qint64>(size))
            std::abort();
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        std::abort();

    CDib dib;
    QString errorText;
    FakeMessageBox messages;
    const bool read = dib.ReadDib(file, errorText, &messages);
    // A failure is told once and leaves no bitmap behind.
    if (!read) {
        if (messages.messages.size() != 1 || errorText.isEmpty() || !dib.IsEmpty())
            std::abort();
        return 0;
    }
    // What was read holds together: the pixels the header promises, a colour
    // for every entry, and rows that all lie inside the pixels.
    const int height = dib.Height() < 0 ? -static_cast<qint64>(dib.Height()) : dib.Height();
    if (dib.Bits().size() != dib.ImageSize() || dib.Palette().size() != static_cast<size_t>(dib.Colors())
        || static_cast<qint64>(dib.Stride()) * height > static_cast<qint64>(dib.ImageSize()))
        std::abort();
    // Row copies of any length stay inside the bitmap.
    const std::vector<uint8_t> row(static_cast<size_t>(dib.Stride()) + 8, 0x5A);
    dib.SetRowBytes(height - 1, row.data(), static_cast<int>(row.size()));
    dib.SetRowBytes(height, row.data(), static_cast<int>(row.size()));
    (void)dib.Fits(dib.Width(), height);
    return 0;
}
