#pragma once

#include "fonteditor/CGlyphOutline.h"

#include <optional>

// The glyph a character already has in the font, shown faintly on the canvas
// before it is drawn again: its outline with the em and descent that place
// the font's em square on the canvas square.
class CGlyphGuide {
public:
    // From the editor's Metrics ("<em> <ascent> <descent> <advance>") and
    // GlyphOutline answers; nothing for a glyph without contours or for an
    // answer that does not read.
    static std::optional<CGlyphGuide> FromEditor(const QString& metrics, const QString& outline);

    const CGlyphOutline& Outline() const { return m_outline; }
    int Em() const { return m_nEm; }
    int Descent() const { return m_nDescent; }

private:
    CGlyphOutline m_outline;
    int m_nEm = 0;
    int m_nDescent = 0;
};
