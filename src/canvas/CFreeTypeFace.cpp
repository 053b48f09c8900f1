#include "canvas/CFreeTypeFace.h"

#include <QFile>

#include <hb-ft.h>

CFreeTypeLibrary::CFreeTypeLibrary()
{
    if (FT_Init_FreeType(&m_ft) != 0)
        m_ft = nullptr;
}

CFreeTypeLibrary::~CFreeTypeLibrary()
{
    if (m_ft)
        FT_Done_FreeType(m_ft);
}

std::unique_ptr<CFreeTypeFace> CFreeTypeFace::Open(const CFreeTypeLibrary& library, const QString& path, int index)
{
    std::unique_ptr<CFreeTypeFace> face(new CFreeTypeFace);
    if (!library.Get() || path.isEmpty()
        || FT_New_Face(library.Get(), QFile::encodeName(path).constData(), index, &face->m_ft) != 0) {
        face->m_ft = nullptr;
        return nullptr;
    }
    hb_face_t* hbFace = hb_ft_face_create_referenced(face->m_ft);
    face->m_hb = hb_font_create(hbFace);
    hb_face_destroy(hbFace);
    return face;
}

CFreeTypeFace::~CFreeTypeFace()
{
    if (m_hb)
        hb_font_destroy(m_hb);
    if (m_ft)
        FT_Done_Face(m_ft);
}

QList<CFreeTypeFace::SGlyph> CFreeTypeFace::ShapeJapanese(const QString& text, bool vertical) const
{
    hb_buffer_t* buffer = hb_buffer_create();
    const std::u16string utf16 = text.toStdU16String();
    hb_buffer_add_utf16(buffer, reinterpret_cast<const uint16_t*>(utf16.data()), int(utf16.size()), 0, -1);
    hb_buffer_set_direction(buffer, HB_DIRECTION_LTR);
    hb_buffer_set_script(buffer, HB_SCRIPT_HIRAGANA);
    hb_buffer_set_language(buffer, hb_language_from_string("ja", -1));
    const hb_feature_t vert {HB_TAG('v', 'e', 'r', 't'), 1, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END};
    hb_shape(m_hb, buffer, &vert, vertical ? 1 : 0);

    unsigned count = 0;
    const hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(buffer, &count);
    const hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer, &count);
    QList<SGlyph> glyphs;
    glyphs.reserve(count);
    for (unsigned i = 0; i < count; ++i)
        glyphs.append({infos[i].codepoint, positions[i].x_advance, positions[i].x_offset, positions[i].y_offset});
    hb_buffer_destroy(buffer);
    return glyphs;
}
