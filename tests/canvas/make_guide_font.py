"""Writes a small TrueType font for the guide test: em 1000, a typographic
em box of 880 over 120 that differs from the horizontal header's, a square
for あ, a bar for ー with a tall bar as its vertical form behind 'vert', and
nothing for い."""
import sys

from fontTools.feaLib.builder import addOpenTypeFeaturesFromString
from fontTools.fontBuilder import FontBuilder
from fontTools.pens.ttGlyphPen import TTGlyphPen


def box(left, bottom, right, top):
    pen = TTGlyphPen(None)
    pen.moveTo((left, bottom))
    pen.lineTo((left, top))
    pen.lineTo((right, top))
    pen.lineTo((right, bottom))
    pen.closePath()
    return pen.glyph()


def main(path):
    order = [".notdef", "a_square", "bar", "bar.vert"]
    builder = FontBuilder(1000, isTTF=True)
    builder.setupGlyphOrder(order)
    builder.setupCharacterMap({0x3042: "a_square", 0x30FC: "bar"})
    builder.setupGlyf({
        ".notdef": TTGlyphPen(None).glyph(),
        "a_square": box(100, -100, 900, 700),
        "bar": box(100, 300, 900, 400),
        "bar.vert": box(450, -100, 550, 800),
    })
    left = {".notdef": 0, "a_square": 100, "bar": 100, "bar.vert": 450}
    builder.setupHorizontalMetrics({name: (1000, left[name]) for name in order})
    builder.setupHorizontalHeader(ascent=1100, descent=-300)
    builder.setupOS2(sTypoAscender=880, sTypoDescender=-120, usWinAscent=1100, usWinDescent=300)
    builder.setupNameTable({"familyName": "Guide Test", "styleName": "Regular"})
    builder.setupPost()
    addOpenTypeFeaturesFromString(
        builder.font,
        "languagesystem DFLT dflt; languagesystem kana dflt;\n"
        "feature vert { sub bar by bar.vert; } vert;\n")
    builder.save(path)


if __name__ == "__main__":
    main(sys.argv[1])
