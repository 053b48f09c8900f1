#include "preview/CPreviewShaper.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include <hb-ot.h>
#include <hb.h>

#include <cstring>

namespace {

constexpr int kMaxEms = 8;

} // namespace

struct CPreviewShaper::Impl {
    QByteArray data; // FreeType and HarfBuzz read from it for the face's life
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    hb_font_t* font = nullptr;
    int pixelSize = 0;

    ~Impl()
    {
        if (font)
            hb_font_destroy(font);
        if (face)
            FT_Done_Face(face);
        if (library)
            FT_Done_FreeType(library);
    }
};

CPreviewShaper::CPreviewShaper(QByteArray fontData)
    : m_impl(std::make_unique<Impl>())
{
    Impl& d = *m_impl;
    d.data = std::move(fontData);
    if (d.data.isEmpty() || FT_Init_FreeType(&d.library) != 0)
        return;
    const auto* bytes = reinterpret_cast<const FT_Byte*>(d.data.constData());
    if (FT_New_Memory_Face(d.library, bytes, FT_Long(d.data.size()), 0, &d.face) != 0) {
        d.face = nullptr;
        return;
    }
    if (!FT_IS_SCALABLE(d.face) || d.face->units_per_EM == 0) {
        FT_Done_Face(d.face);
        d.face = nullptr;
        return;
    }
    // HarfBuzz reads the tables itself (its own font functions, at the
    // default scale of one unit per design unit): the advances and the
    // vertical metrics are the font's, unhinted, as layout engines use them.
    hb_blob_t* blob
        = hb_blob_create(d.data.constData(), unsigned(d.data.size()), HB_MEMORY_MODE_READONLY, nullptr, nullptr);
    hb_face_t* hbFace = hb_face_create(blob, 0);
    d.font = hb_font_create(hbFace);
    hb_face_destroy(hbFace);
    hb_blob_destroy(blob);
}

CPreviewShaper::~CPreviewShaper() = default;

bool CPreviewShaper::IsValid() const
{
    return m_impl->face && m_impl->font;
}

int CPreviewShaper::UnitsPerEm() const
{
    return IsValid() ? m_impl->face->units_per_EM : 0;
}

int CPreviewShaper::Ascender() const
{
    return IsValid() ? m_impl->face->ascender : 0;
}

bool CPreviewShaper::HasChar(char32_t code) const
{
    return IsValid() && FT_Get_Char_Index(m_impl->face, FT_ULong(code)) != 0;
}

bool CPreviewShaper::HasOutline(unsigned glyph) const
{
    if (!IsValid() || FT_Load_Glyph(m_impl->face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP) != 0)
        return false;
    return m_impl->face->glyph->format == FT_GLYPH_FORMAT_OUTLINE && m_impl->face->glyph->outline.n_contours > 0;
}

std::vector<CPreviewShaper::SGlyph> CPreviewShaper::Shape(const QString& text, bool vertical) const
{
    std::vector<SGlyph> glyphs;
    if (!IsValid() || text.isEmpty())
        return glyphs;
    hb_buffer_t* buffer = hb_buffer_create();
    hb_buffer_add_utf16(buffer, reinterpret_cast<const uint16_t*>(text.utf16()), int(text.size()), 0, -1);
    hb_buffer_guess_segment_properties(buffer);
    // Top to bottom turns on the vertical forms ('vert') by itself.
    hb_buffer_set_direction(buffer, vertical ? HB_DIRECTION_TTB : HB_DIRECTION_LTR);
    hb_buffer_set_language(buffer, hb_language_from_string("ja", -1));
    hb_shape(m_impl->font, buffer, nullptr, 0);
    unsigned count = 0;
    const hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(buffer, &count);
    const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer, &count);
    glyphs.reserve(count);
    for (unsigned i = 0; i < count; ++i) {
        glyphs.push_back({ infos[i].codepoint, infos[i].cluster, positions[i].x_advance, positions[i].y_advance,
            positions[i].x_offset, positions[i].y_offset });
    }
    hb_buffer_destroy(buffer);
    return glyphs;
}

CPreviewShaper::SBitmap CPreviewShaper::Render(unsigned glyph, int pixelSize) const
{
    SBitmap bitmap;
    Impl& d = *m_impl;
    if (!IsValid() || pixelSize <= 0)
        return bitmap;
    if (d.pixelSize != pixelSize) {
        if (FT_Set_Pixel_Sizes(d.face, 0, FT_UInt(pixelSize)) != 0)
            return bitmap;
        d.pixelSize = pixelSize;
    }
    // Unhinted, so that the shapes at every size are those of the outlines
    // and line up with HarfBuzz's unhinted positions.
    if (FT_Load_Glyph(d.face, glyph, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0
        || d.face->glyph->format != FT_GLYPH_FORMAT_OUTLINE)
        return bitmap;
    // A damaged font may give a glyph miles across; drawing it would take
    // all the memory there is. A real glyph stays within a few ems.
    FT_BBox box;
    FT_Outline_Get_CBox(&d.face->glyph->outline, &box);
    const FT_Pos limit = FT_Pos(kMaxEms) * pixelSize * 64;
    if (box.xMax - box.xMin > limit || box.yMax - box.yMin > limit
        || FT_Render_Glyph(d.face->glyph, FT_RENDER_MODE_NORMAL) != 0)
        return bitmap;
    const FT_Bitmap& source = d.face->glyph->bitmap;
    bitmap.left = d.face->glyph->bitmap_left;
    bitmap.top = d.face->glyph->bitmap_top;
    if (source.width == 0 || source.rows == 0 || source.pixel_mode != FT_PIXEL_MODE_GRAY)
        return bitmap;
    bitmap.coverage = QImage(int(source.width), int(source.rows), QImage::Format_Alpha8);
    for (unsigned row = 0; row < source.rows; ++row)
        std::memcpy(bitmap.coverage.scanLine(int(row)), source.buffer + row * source.pitch, source.width);
    return bitmap;
}
