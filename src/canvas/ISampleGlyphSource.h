#pragma once

#include <QPainterPath>
#include <QString>

// One character's outline in an installed typeface, in the font's design
// units (x right, y up, origin at the start of the baseline), with the
// metrics that place it.
struct CSampleGlyph
{
    bool hasOutlineMetrics = false;
    int unitsPerEm = 0;
    int descender = 0;
    QPainterPath outline;
};

// Where the view gets the sample glyph from: the system's fonts, or a test
// double.
class ISampleGlyphSource
{
public:
    virtual ~ISampleGlyphSource() = default;

    // The outline of text in the face best matching faceName that covers
    // Japanese; with vertical, each character's vertical-writing form.
    virtual CSampleGlyph Glyph(const QString& faceName, const QString& text, bool vertical) = 0;
};
