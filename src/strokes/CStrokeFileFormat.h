#pragma once

#include "canvas/CPointAryAry2.h"

#include <QByteArray>

// The byte layout of a stroke file, little-endian throughout:
//   "strk", version word 2, the character's UTF-16 unit, the vertical flag
//   word, the canvas width and height words, the stroke count word, then per
//   stroke its point count word, point 0 as x and y words and one signed byte
//   dx and one dy for every later point.
// Readers take every word and byte as signed.
class CStrokeFileFormat
{
public:
    static constexpr char kSignature[4] = {'s', 't', 'r', 'k'};
    static constexpr qint16 kVersion = 2;
    static constexpr int kHeaderSize = 16;
    static constexpr int kMaxCount = 32767;

    struct Header
    {
        quint16 charUnit = 0;
        bool vertical = false;
        int width = 0;
        int height = 0;
    };

    // The file's bytes. Strokes are first made storable (see Storable), so
    // that what is written reads back as the same drawing.
    static QByteArray Encode(const Header& header, const CPointAryAry2& strokes);

    // The strokes as they can be stored: coordinates limited to the signed
    // 16-bit range, points inserted so that no step leaves -128..127, strokes
    // longer than kMaxCount points continued in a further stroke that starts
    // at the point where the previous one ended, empty strokes left out, and
    // at most kMaxCount strokes, since every count is read back as signed.
    static CPointAryAry2 Storable(const CPointAryAry2& strokes);
};
