#pragma once

#include "canvas/CCanvasBitmap.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstring>

#include <gtest/gtest.h>

// A 1-bit BMP of the canvas as the font editor receives one: rows in the
// canvas's bottom-up order, palette entry 0 black (ink) and 1 white. Written
// here by hand, not by the program's own bitmap code, so that the tests of
// the editor do not lean on what they would check.
inline void WriteBmp(const CCanvasBitmap& canvas, const QString& path)
{
    const int stride = (canvas.Width() + 31) / 32 * 4;
    QByteArray pixels(stride * canvas.Height(), char(0xFF));
    for (int y = 0; y < canvas.Height(); ++y)
        std::memcpy(pixels.data() + y * stride, canvas.Row(y), static_cast<size_t>(canvas.Width() / 8));
    auto le = [](QByteArray& out, quint32 v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    QByteArray file("BM");
    le(file, 14 + 40 + 8 + pixels.size(), 4);
    le(file, 0, 4);
    le(file, 14 + 40 + 8, 4);
    for (quint32 v : { 40u, quint32(canvas.Width()), quint32(canvas.Height()) })
        le(file, v, 4);
    le(file, 1, 2);
    le(file, 1, 2);
    for (quint32 v : { 0u, quint32(pixels.size()), 2835u, 2835u, 2u, 2u })
        le(file, v, 4);
    file.append(QByteArray("\0\0\0\0\xFF\xFF\xFF\0", 8));
    file.append(pixels);
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(file);
}
