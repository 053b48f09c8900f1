#include "fonteditor/CGlyphGuide.h"

#include <QStringList>

namespace {

// Em sizes TrueType allows.
constexpr int kMinEm = 16;
constexpr int kMaxEm = 16384;

} // namespace

std::optional<CGlyphGuide> CGlyphGuide::FromEditor(const QString& metrics, const QString& outline)
{
    const QStringList fields = metrics.split(u' ', Qt::SkipEmptyParts);
    if (fields.size() != 4)
        return std::nullopt;
    bool bEm = false;
    bool bDescent = false;
    const int em = fields[0].toInt(&bEm);
    const int descent = fields[2].toInt(&bDescent);
    if (!bEm || !bDescent || em < kMinEm || em > kMaxEm || descent < 0 || descent > em)
        return std::nullopt;
    auto parsed = CGlyphOutline::Parse(outline);
    if (!parsed || parsed->IsEmpty())
        return std::nullopt;
    CGlyphGuide guide;
    guide.m_outline = std::move(*parsed);
    guide.m_nEm = em;
    guide.m_nDescent = descent;
    return guide;
}
