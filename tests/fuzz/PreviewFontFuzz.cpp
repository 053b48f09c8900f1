// Feeds arbitrary bytes to the preview as the font file the editor wrote:
// shaped horizontally and vertically, every glyph drawn.
#include "preview/CPreviewShaper.h"

#include <QString>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const CPreviewShaper shaper(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!shaper.IsValid())
        return 0;
    static const QString text = QStringLiteral("ぁあA、字\u3000");
    for (bool vertical : { false, true }) {
        for (const auto& glyph : shaper.Shape(text, vertical)) {
            shaper.HasOutline(glyph.glyph);
            const auto bitmap = shaper.Render(glyph.glyph, 24);
            if (!bitmap.coverage.isNull() && bitmap.coverage.format() != QImage::Format_Alpha8)
                __builtin_trap();
        }
    }
    return 0;
}
