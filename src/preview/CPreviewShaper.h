#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <memory>
#include <vector>

// One font file held in memory, shaped with HarfBuzz and drawn with FreeType
// as other programs do with it: horizontal text with the font's advances,
// vertical text top to bottom with the 'vert' forms and the font's vertical
// metrics. Each object has its own FreeType library, so that objects may be
// used on different threads.
class CPreviewShaper {
public:
    // Positions in font units, y upward, as HarfBuzz gives them: the pen
    // moves by the advance after the glyph; the glyph's own origin lies at
    // the pen plus the offset.
    struct SGlyph {
        unsigned glyph = 0;
        unsigned cluster = 0; // index of the first UTF-16 unit of its text
        int xAdvance = 0;
        int yAdvance = 0;
        int xOffset = 0;
        int yOffset = 0;
    };
    // A glyph's coverage at one pixel size; left and top place it from the
    // glyph's origin (top upward).
    struct SBitmap {
        QImage coverage; // Format_Alpha8, null for a glyph without ink
        int left = 0;
        int top = 0;
    };

    explicit CPreviewShaper(QByteArray fontData);
    ~CPreviewShaper();
    CPreviewShaper(const CPreviewShaper&) = delete;
    CPreviewShaper& operator=(const CPreviewShaper&) = delete;

    // False when FreeType cannot read the data as a scalable font.
    bool IsValid() const;
    int UnitsPerEm() const;
    int Ascender() const;
    bool HasChar(char32_t code) const;
    // Whether the glyph has any outline (a .notdef may be blank).
    bool HasOutline(unsigned glyph) const;

    std::vector<SGlyph> Shape(const QString& text, bool vertical) const;
    SBitmap Render(unsigned glyph, int pixelSize) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
