#include "canvas/CFontFileGuide.h"

#include "canvas/CFreeTypeFace.h"

#include <QFileInfo>
#include <QStringList>

#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <cmath>

struct CFontFileGuide::Face
{
    QString path;
    QDateTime modified;
    qint64 size = 0;
    std::unique_ptr<CFreeTypeFace> face;
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
unsigned GlyphFor(const CFreeTypeFace& face, const QString& ch, bool vertical)
{
    const QList<uint> codes = ch.toUcs4();
    if (codes.size() != 1)
        return 0;
    const unsigned base = FT_Get_Char_Index(face.Ft(), codes.first());
    if (!vertical || base == 0)
        return base;
    const QList<CFreeTypeFace::SGlyph> shaped = face.ShapeJapanese(ch, true);
    return shaped.size() == 1 && shaped.first().id != base ? shaped.first().id : 0;
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
    : m_library(std::make_unique<CFreeTypeLibrary>())
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
    std::unique_ptr<CFreeTypeFace> face = CFreeTypeFace::Open(*m_library, fontPath);
    if (!face || !FT_IS_SCALABLE(face->Ft()) || face->Ft()->units_per_EM == 0)
        return false;
    m_face = std::make_unique<Face>(Face {fontPath, file.lastModified(), file.size(), std::move(face)});
    return true;
}

std::optional<CGlyphGuide> CFontFileGuide::Read(const QString& fontPath, const QString& ch, bool vertical)
{
    if (!Open(fontPath))
        return std::nullopt;
    FT_Face face = m_face->face->Ft();
    const unsigned glyph = GlyphFor(*m_face->face, ch, vertical);
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
