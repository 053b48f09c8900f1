// Feeds arbitrary text to the reader of the editor's Metrics and GlyphOutline
// answers (the first line the metrics, the rest the outline): whatever an
// editor sends must give a guide whose numbers place it, or none.
#include "fonteditor/CGlyphGuide.h"

#include <cmath>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype newline = text.indexOf(u'\n');
    const auto guide = newline < 0 ? CGlyphGuide::FromEditor(text, QString())
                                   : CGlyphGuide::FromEditor(text.left(newline), text.mid(newline + 1));
    if (!guide)
        return 0;
    if (guide->Em() <= 0 || guide->Descent() < 0 || guide->Descent() > guide->Em() || guide->Outline().IsEmpty())
        std::abort();
    for (const CGlyphOutline::Command& c : guide->Outline().Commands())
        for (const QPointF& p : c.points)
            if (!std::isfinite(p.x()) || !std::isfinite(p.y()))
                std::abort();
    return 0;
}
