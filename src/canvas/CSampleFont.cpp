#include "canvas/CSampleFont.h"

#include "canvas/CFreeTypeFace.h"

#include <fontconfig/fontconfig.h>
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

struct CSampleFont::Face
{
    QString file;
    std::unique_ptr<CFreeTypeFace> face;
};

namespace {

struct Match
{
    QString file;
    int index = 0;
};

// The pattern the sample asks fontconfig for, ready for matching.
FcPattern* SamplePattern(const QString& faceName)
{
    FcPattern* pattern = FcPatternCreate();
    const QByteArray family = faceName.toUtf8();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.constData()));
    FcLangSet* langs = FcLangSetCreate();
    FcLangSetAdd(langs, reinterpret_cast<const FcChar8*>("ja"));
    FcPatternAddLangSet(pattern, FC_LANG, langs);
    FcLangSetDestroy(langs);
    FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    return pattern;
}

Match MatchFace(const QString& faceName)
{
    Match match;
    FcPattern* pattern = SamplePattern(faceName);
    FcResult result = FcResultNoMatch;
    if (FcPattern* found = FcFontMatch(nullptr, pattern, &result)) {
        FcChar8* file = nullptr;
        if (FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch)
            match.file = QString::fromUtf8(reinterpret_cast<const char*>(file));
        FcPatternGetInteger(found, FC_INDEX, 0, &match.index);
        FcPatternDestroy(found);
    }
    FcPatternDestroy(pattern);
    return match;
}

struct PathBuilder
{
    QPainterPath path;
    QPointF last;
};

QPointF Point(const FT_Vector* v)
{
    return {double(v->x), double(v->y)};
}

int MoveTo(const FT_Vector* to, void* user)
{
    auto* b = static_cast<PathBuilder*>(user);
    b->path.closeSubpath();
    b->path.moveTo(Point(to));
    return 0;
}

int LineTo(const FT_Vector* to, void* user)
{
    static_cast<PathBuilder*>(user)->path.lineTo(Point(to));
    return 0;
}

int ConicTo(const FT_Vector* control, const FT_Vector* to, void* user)
{
    static_cast<PathBuilder*>(user)->path.quadTo(Point(control), Point(to));
    return 0;
}

int CubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user)
{
    static_cast<PathBuilder*>(user)->path.cubicTo(Point(c1), Point(c2), Point(to));
    return 0;
}

// The outline of one glyph in design units, y up; empty for a glyph that has
// no outline (a bitmap-only face).
QPainterPath GlyphOutline(FT_Face face, unsigned glyph)
{
    if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP) != 0
        || face->glyph->format != FT_GLYPH_FORMAT_OUTLINE)
        return {};
    static const FT_Outline_Funcs funcs = {MoveTo, LineTo, ConicTo, CubicTo, 0, 0};
    PathBuilder builder;
    FT_Outline_Decompose(&face->glyph->outline, &funcs, &builder);
    builder.path.closeSubpath();
    return builder.path;
}

} // namespace

CSampleFont::CSampleFont()
    : m_library(std::make_unique<CFreeTypeLibrary>())
{
}

CSampleFont::~CSampleFont() = default;

QStringList CSampleFont::MatchedFamilies(const QString& faceName)
{
    QStringList families;
    FcPattern* pattern = SamplePattern(faceName);
    FcResult result = FcResultNoMatch;
    if (FcPattern* found = FcFontMatch(nullptr, pattern, &result)) {
        FcChar8* family = nullptr;
        for (int i = 0; FcPatternGetString(found, FC_FAMILY, i, &family) == FcResultMatch; ++i)
            families << QString::fromUtf8(reinterpret_cast<const char*>(family));
        FcPatternDestroy(found);
    }
    FcPatternDestroy(pattern);
    return families;
}

QString CSampleFont::MatchedFile(const QString& faceName)
{
    const Face* face = FaceFor(faceName);
    return face && face->face ? face->file : QString();
}

CSampleFont::Face* CSampleFont::FaceFor(const QString& faceName)
{
    auto it = m_faces.find(faceName);
    if (it != m_faces.end())
        return it->get();
    auto face = std::make_shared<Face>();
    const Match match = MatchFace(faceName);
    face->face = CFreeTypeFace::Open(*m_library, match.file, match.index);
    face->file = match.file;
    return m_faces.insert(faceName, face)->get();
}

CSampleGlyph CSampleFont::Glyph(const QString& faceName, const QString& text, bool vertical)
{
    CSampleGlyph glyph;
    Face* face = FaceFor(faceName);
    if (!face || !face->face)
        return glyph;
    FT_Face ft = face->face->Ft();
    glyph.hasOutlineMetrics = FT_IS_SCALABLE(ft) && ft->units_per_EM > 0;
    glyph.unitsPerEm = ft->units_per_EM;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(ft, FT_SFNT_OS2));
    glyph.descender = os2 && os2->version != 0xFFFF ? os2->sTypoDescender : ft->descender;

    double x = 0;
    for (const CFreeTypeFace::SGlyph& shaped : face->face->ShapeJapanese(text, vertical)) {
        const QPainterPath outline = GlyphOutline(ft, shaped.id);
        glyph.outline.addPath(outline.translated(x + shaped.xOffset, shaped.yOffset));
        x += shaped.xAdvance;
    }
    return glyph;
}
