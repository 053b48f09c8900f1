"""Writes a font of about 3,000 glyphs (the kana and the first kanji of IPA
Gothic) for the preview benchmarks: fontforge -lang=py -script this out.ttf"""
import sys

import fontforge

SOURCE = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf"
KANJI = 2850


def main(out):
    font = fontforge.open(SOURCE)
    keep = set(range(0x3041, 0x30FF)) | set(range(0x20, 0x7F)) | {0x3000, 0x3001, 0x3002}
    kanji = [cp for cp in range(0x4E00, 0xA000) if cp in font][:KANJI]
    keep.update(kanji)
    for glyph in list(font.glyphs()):
        if glyph.unicode not in keep and glyph.glyphname != ".notdef" and not glyph.glyphname.endswith(".vert"):
            font.removeGlyph(glyph)
    font.familyname = font.fullname = "PreviewBench"
    font.fontname = "PreviewBench-Regular"
    font.generate(out, flags=("opentype",))


if __name__ == "__main__":
    main(sys.argv[1])
