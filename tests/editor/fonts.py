"""Fonts made for the tests with fontTools, and Debian's own where installed."""

import os
import random

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import TTFont, newTable
from fontTools.ttLib.tables.DefaultTable import DefaultTable

DEJAVU = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
IPAGOTHIC = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf"
NOTO_CJK = "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc"


def installed(path):
    return os.path.realpath(path) if os.path.exists(path) else None


def box(x0, y0, x1, y1):
    pen = TTGlyphPen(None)
    pen.moveTo((x0, y0))
    pen.lineTo((x0, y1))
    pen.lineTo((x1, y1))
    pen.lineTo((x1, y0))
    pen.closePath()
    return pen.glyph()


def builder(is_ttf=True):
    """A small font of another maker: an em of 2048, A and 一 drawn."""
    fb = FontBuilder(2048, isTTF=is_ttf)
    order = [".notdef", "A", "uni4E00"]
    fb.setupGlyphOrder(order)
    fb.setupCharacterMap({0x41: "A", 0x4E00: "uni4E00"})
    shapes = {".notdef": (100, 0, 900, 1600), "A": (100, 0, 900, 1400), "uni4E00": (100, 700, 1900, 900)}
    if is_ttf:
        fb.setupGlyf({n: box(*shapes[n]) for n in order})
    else:
        from fontTools.pens.t2CharStringPen import T2CharStringPen
        charstrings = {}
        for n in order:
            pen = T2CharStringPen(1000, None)
            x0, y0, x1, y1 = shapes[n]
            pen.moveTo((x0, y0)); pen.lineTo((x0, y1)); pen.lineTo((x1, y1)); pen.lineTo((x1, y0))
            pen.closePath()
            charstrings[n] = pen.getCharString()
        fb.setupCFF("OtherCFF-Regular", {"FullName": "Other CFF"}, charstrings, {})
    fb.setupHorizontalMetrics({n: (1000 if n == "A" else 2000, shapes[n][0]) for n in order})
    fb.setupHorizontalHeader(ascent=1900, descent=-500)
    fb.setupNameTable({"familyName": "Other Maker Sans", "styleName": "Regular",
                       "fullName": "Other Maker Sans Regular", "psName": "OtherMakerSans-Regular",
                       "version": "Version 2.500"})
    fb.setupOS2(sTypoAscender=1802, sTypoDescender=-246, usWinAscent=1900, usWinDescent=500, achVendID="OTHR")
    fb.setupPost()
    return fb


def other_makers_font(path, private_size=3 * 1024 * 1024):
    """A TrueType font with what FontForge used to lose: a kern table, a
    private table and Mac Japanese names."""
    fb = builder()
    font = fb.font
    kern = newTable("kern")
    from fontTools.ttLib.tables._k_e_r_n import KernTable_format_0
    sub = KernTable_format_0()
    sub.version, sub.coverage, sub.kernTable = 0, 1, {("A", "uni4E00"): -120, ("uni4E00", "A"): 40}
    kern.version, kern.kernTables = 0, [sub]
    font["kern"] = kern
    private = DefaultTable("zPRV")
    private.data = random.Random(7).randbytes(private_size)
    font["zPRV"] = private
    names = font["name"]
    for name_id, text in ((1, "ほかのフォント"), (4, "ほかのフォント Regular")):
        names.setName(text, name_id, 1, 1, 11)
    font.save(path)
    return path


def cff_font(path):
    builder(is_ttf=False).save(path)
    return path


def variable_font(path):
    fb = builder()
    fb.setupFvar([("wght", 100, 400, 900, "Weight")], [])
    fb.setupGvar({})
    fb.save(path)
    return path


def collection(path):
    from fontTools.ttLib import TTCollection
    fonts = []
    for _ in range(2):
        fb = builder()
        fonts.append(fb.font)
    ttc = TTCollection()
    ttc.fonts = fonts
    ttc.save(path)
    return path


def damaged(path, source):
    """source with 200 bytes changed in its glyph index (loca) and data."""
    font = TTFont(source)
    data = bytearray(open(source, "rb").read())
    offset = font.reader.tables["loca"].offset
    rng = random.Random(200)
    for i in range(200):
        data[offset + i] = rng.randrange(256)
    with open(path, "wb") as f:
        f.write(data)
    return path
