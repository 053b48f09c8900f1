#pragma once

#include <QList>
#include <QString>

#include <memory>

#include <ft2build.h>
#include FT_FREETYPE_H
#include <hb.h>

// FreeType's library for the faces of one owner, released with it.
class CFreeTypeLibrary
{
public:
    CFreeTypeLibrary();
    ~CFreeTypeLibrary();
    CFreeTypeLibrary(const CFreeTypeLibrary&) = delete;
    CFreeTypeLibrary& operator=(const CFreeTypeLibrary&) = delete;

    FT_Library Get() const { return m_ft; }

private:
    FT_Library m_ft = nullptr;
};

// A font face opened with FreeType together with the HarfBuzz font that
// shapes text in it, at HarfBuzz's default scale: in design units. Both are
// released with it; the library must outlive it.
class CFreeTypeFace
{
public:
    // Nothing when FreeType cannot read a face there.
    static std::unique_ptr<CFreeTypeFace> Open(const CFreeTypeLibrary& library, const QString& path, int index = 0);
    ~CFreeTypeFace();
    CFreeTypeFace(const CFreeTypeFace&) = delete;
    CFreeTypeFace& operator=(const CFreeTypeFace&) = delete;

    FT_Face Ft() const { return m_ft; }

    struct SGlyph
    {
        unsigned id = 0;
        int xAdvance = 0;
        int xOffset = 0;
        int yOffset = 0;
    };
    // The glyphs of Japanese text as HarfBuzz lays it out in a line; with
    // vertical, the vertical forms the 'vert' feature substitutes, upright
    // as vertical text shows them.
    QList<SGlyph> ShapeJapanese(const QString& text, bool vertical) const;

private:
    CFreeTypeFace() = default;

    FT_Face m_ft = nullptr;
    hb_font_t* m_hb = nullptr;
};
