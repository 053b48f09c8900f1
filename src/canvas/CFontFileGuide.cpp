#include "canvas/CFontFileGuide.h"

#include <QFileInfo>
#include <QStringList>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H
#include <hb-ft.h>
#include <hb.h>

#include <cmath>

struct CFontFileGuide::Library
{
    FT_Library ft = nullptr;
    Library() { FT_Init_FreeType(&ft); }
    ~Library()
    {
        if (ft)
            FT_Done_FreeType(ft);
    }
};

struct CFontFileGuide::Face
{
    QString path;
    QDateTime modified;
    qint64 size = 0;
    FT_Face ft = nullptr;
    hb_font_t* hb = nullptr;
    ~Face()
    {
        if (hb)
            hb_font_destroy(hb);
        if (ft)
            FT_Done_Face(ft);
    }
};

namespace {

// The em box of a font without usable ascent and descent, in 1024ths of the em.
constexpr int kDefaultAscent = 880;
constexpr int kDefaultDescent = 144;

QString Number(FT_Pos value)
{
    return QString::number(value);
}

// The outline in the text form the editor gives for GlyphOutline.
struct OutlineText
{
    QStringList parts;
};

int MoveTo(const FT_Vector* to, void* user)
{
    auto* text = static_cast<OutlineText*>(user);
    if (text->parts.size() > 1)
        text->parts << QStringLiteral("Z");
    text->parts << QStringLiteral("M %1 %2").arg(Number(to->x), Number(to->y));
    return 0;
}

int LineTo(const FT_Vector* to, void* user)
{
    static_cast<OutlineText*>(user)->parts << QStringLiteral("L %1 %2").arg(Number(to->x), Number(to->y));
    return 0;
}

int ConicTo(const FT_Vector* control, const FT_Vector* to, void* user)
{
    static_cast<OutlineText*>(user)->parts
        << QStringLiteral("Q %1 %2 %3 %4").arg(Number(control->x), Number(control->y), Number(to->x), Number(to->y));
    return 0;
}

int CubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user)
{
    static_cast<OutlineText*>(user)->parts << QStringLiteral("C %1 %2 %3 %4 %5 %6")
                                                  .arg(Number(c1->x), Number(c1->y), Number(c2->x), Number(c2->y),
                                                       Number(to->x), Number(to->y));
    return 0;
}

// The glyph that stands for the character: the font's own, or with vertical
// the one its 'vert' feature substitutes; 0 when there is none.
unsigned GlyphFor(FT_Face face, hb_font_t* font, const QString& ch, bool vertical)
{
    const QList<uint> codes = ch.toUcs4();
    if (codes.size() != 1)
        return 0;
    const unsigned base = FT_Get_Char_Index(face, codes.first());
    if (!vertical || base == 0)
        return base;
    hb_buffer_t* buffer = hb_buffer_create();
    const std::u16string utf16 = ch.toStdU16String();
    hb_buffer_add_utf16(buffer, reinterpret_cast<const uint16_t*>(utf16.data()), int(utf16.size()), 0, -1);
    hb_buffer_set_direction(buffer, HB_DIRECTION_LTR);
    hb_buffer_set_script(buffer, HB_SCRIPT_HIRAGANA);
    hb_buffer_set_language(buffer, hb_language_from_string("ja", -1));
    const hb_feature_t vert {HB_TAG('v', 'e', 'r', 't'), 1, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END};
    hb_shape(font, buffer, &vert, 1);
    unsigned count = 0;
    const hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(buffer, &count);
    const unsigned shaped = count == 1 ? infos[0].codepoint : 0;
    hb_buffer_destroy(buffer);
    return shaped != base ? shaped : 0;
}

// "<em> <ascent> <descent> <advance>" as the editor reports Metrics.
QString MetricsText(FT_Face face)
{
    const int em = face->units_per_EM;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    double ascent = os2 && os2->version != 0xFFFF ? os2->sTypoAscender : face->ascender;
    double descent = os2 && os2->version != 0xFFFF ? -os2->sTypoDescender : -face->descender;
    if (ascent + descent <= 0) {
        ascent = double(em) * kDefaultAscent / (kDefaultAscent + kDefaultDescent);
        descent = em - ascent;
    }
    const int top = static_cast<int>(std::lround(ascent * em / (ascent + descent)));
    return QStringLiteral("%1 %2 %3 %4").arg(em).arg(top).arg(em - top).arg(em);
}

} // namespace

CFontFileGuide::CFontFileGuide()
    : m_library(std::make_unique<Library>())
{
}

CFontFileGuide::~CFontFileGuide() = default;

bool CFontFileGuide::Open(const QString& fontPath)
{
    const QFileInfo file(fontPath);
    if (!file.isFile())
        return false;
    if (m_face && m_face->path == fontPath && m_face->modified == file.lastModified() && m_face->size == file.size())
        return true;
    m_face.reset();
    auto face = std::make_unique<Face>();
    if (!m_library->ft || FT_New_Face(m_library->ft, QFile::encodeName(fontPath).constData(), 0, &face->ft) != 0) {
        face->ft = nullptr;
        return false;
    }
    if (!FT_IS_SCALABLE(face->ft) || face->ft->units_per_EM == 0)
        return false;
    hb_face_t* hbFace = hb_ft_face_create_referenced(face->ft);
    face->hb = hb_font_create(hbFace);
    hb_face_destroy(hbFace);
    face->path = fontPath;
    face->modified = file.lastModified();
    face->size = file.size();
    m_face = std::move(face);
    return true;
}

std::optional<CGlyphGuide> CFontFileGuide::Read(const QString& fontPath, const QString& ch, bool vertical)
{
    if (!Open(fontPath))
        return std::nullopt;
    FT_Face face = m_face->ft;
    const unsigned glyph = GlyphFor(face, m_face->hb, ch, vertical);
    if (glyph == 0 || FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP) != 0
        || face->glyph->format != FT_GLYPH_FORMAT_OUTLINE)
        return std::nullopt;
    static const FT_Outline_Funcs funcs = {MoveTo, LineTo, ConicTo, CubicTo, 0, 0};
    OutlineText text;
    text.parts << QStringLiteral("A %1").arg(Number(face->glyph->metrics.horiAdvance));
    if (FT_Outline_Decompose(&face->glyph->outline, &funcs, &text) != 0)
        return std::nullopt;
    if (text.parts.size() > 1)
        text.parts << QStringLiteral("Z");
    return CGlyphGuide::FromEditor(MetricsText(face), text.parts.join(u' '));
}
