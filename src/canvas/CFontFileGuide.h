#pragma once

#include "fonteditor/CGlyphGuide.h"

#include <QDateTime>
#include <QString>

#include <memory>
#include <optional>

class CFreeTypeLibrary;

// The guide of a character read straight from a font file with FreeType and
// HarfBuzz, for the time before the font editor is started: the glyph the
// file holds, placed on the canvas as the editor places it (the em box from
// the typographic ascent and descent, or the horizontal header's, scaled to
// the em). A vertical form is the glyph the font's 'vert' feature puts in the
// character's place; none when the font has no such form. The last file
// opened stays open while it does not change.
class CFontFileGuide
{
public:
    CFontFileGuide();
    ~CFontFileGuide();
    CFontFileGuide(const CFontFileGuide&) = delete;
    CFontFileGuide& operator=(const CFontFileGuide&) = delete;

    // Nothing for a file that is not a font, a character the font lacks or
    // a glyph without contours.
    std::optional<CGlyphGuide> Read(const QString& fontPath, const QString& ch, bool vertical);

private:
    struct Face;
    bool Open(const QString& fontPath);

    std::unique_ptr<CFreeTypeLibrary> m_library;
    std::unique_ptr<Face> m_face;
};
