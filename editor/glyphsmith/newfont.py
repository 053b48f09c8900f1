"""New fonts: the em, the em box, the line metrics, the spaces and the
.notdef glyph of a font this editor makes, built with fontTools'
FontBuilder."""

import io
import os
import pwd
import time

from fontTools.fontBuilder import FontBuilder
from fontTools.misc.timeTools import timestampNow
from fontTools.pens.ttGlyphPen import TTGlyphPen

from . import naming

EM = 1024
ASCENT = 880
DESCENT = 144
# A line height of about 1.45 em, the same through hhea, the Windows metrics
# and the typographic metrics: 880 + 144 + 456 = 1108 + 372. The typographic
# ascent and descent are the em box the drawing goes into, so the line is
# in hhea and the Windows metrics, which every program reads (HarfBuzz, and
# so Pango, leaves the typographic line gap out), and USE_TYPO_METRICS is
# off.
LINE_GAP = 456
WIN_ASCENT = ASCENT + LINE_GAP // 2
WIN_DESCENT = DESCENT + LINE_GAP - LINE_GAP // 2
# Below the bottoms of drawn characters, as in Japanese fonts.
UNDERLINE_POSITION = -123
UNDERLINE_THICKNESS = 51
WEIGHT = 400
FS_SELECTION = 0x40  # REGULAR
USE_TYPO_METRICS = 0x80
# Ours: it marks the fonts this editor makes.
VENDOR = "QLRY"
# Family kind 3, hand-written; proportional spacing; the rest any.
PANOSE = (3, 0, 0, 2, 0, 0, 0, 0, 0, 0)
# The spaces every font of ours has, empty, with their widths in full widths.
SPACES = {0x20: ("space", 0.5), 0x3000: ("uni3000", 1.0)}
NO_BREAK_SPACE = 0xA0


def user_name():
    try:
        entry = pwd.getpwuid(os.getuid())
        return entry.pw_gecos.split(",")[0] or entry.pw_name
    except (KeyError, OSError):
        return os.environ.get("USER", "")


def notdef_glyph(em, box_top, box_bottom, width):
    """The box that stands for a character the font lacks, with its inner
    counter, in TrueType order (the outer box clockwise)."""
    margin, stroke = em // 10, em // 16
    top, bottom = box_top - margin, box_bottom + margin
    left, right = margin, width - margin
    pen = TTGlyphPen(None)
    for x0, y0, x1, y1, clockwise in ((left, bottom, right, top, True),
                                      (left + stroke, bottom + stroke, right - stroke, top - stroke, False)):
        corners = [(x0, y0), (x0, y1), (x1, y1), (x1, y0)]
        if not clockwise:
            corners.reverse()
        pen.moveTo(corners[0])
        for corner in corners[1:]:
            pen.lineTo(corner)
        pen.closePath()
    return pen.glyph()


def build(em=EM, box_top=ASCENT, family=naming.FAMILY, family_ja=naming.FAMILY_JA):
    """The bytes of a new font with no character yet: only .notdef, the
    metrics, the names, version 1.000 and installable embedding. Metrics
    other than the em box scale with the em."""
    scale = em / EM
    box_bottom = box_top - em
    notdef = notdef_glyph(em, box_top, box_bottom, em)
    builder = FontBuilder(em, isTTF=True)
    spaces = {name: round(em * share) for name, share in SPACES.values()}
    builder.setupGlyphOrder([".notdef"] + list(spaces))
    cmap = {unicode: name for unicode, (name, _share) in SPACES.items()}
    cmap[NO_BREAK_SPACE] = cmap[0x20]
    builder.setupCharacterMap(cmap)
    glyphs = {".notdef": notdef}
    glyphs.update((name, TTGlyphPen(None).glyph()) for name in spaces)
    builder.setupGlyf(glyphs)
    notdef.recalcBounds(None)
    metrics = {".notdef": (em, notdef.xMin)}
    metrics.update((name, (width, 0)) for name, width in spaces.items())
    builder.setupHorizontalMetrics(metrics)
    win_ascent, win_descent = round(WIN_ASCENT * scale), round(WIN_DESCENT * scale)
    builder.setupHorizontalHeader(ascent=win_ascent, descent=-win_descent, lineGap=0)
    builder.setupVerticalHeader(ascent=em // 2, descent=em // 2 - em, lineGap=0)
    vertical = {".notdef": (em, box_top - notdef.yMax)}
    vertical.update((name, (em, 0)) for name in spaces)
    builder.setupVerticalMetrics(vertical)
    builder.setupNameTable({"familyName": family, "styleName": naming.STYLE})
    builder.setupOS2(version=4, usWeightClass=WEIGHT, fsType=0, fsSelection=FS_SELECTION,
                     sTypoAscender=box_top, sTypoDescender=box_bottom, sTypoLineGap=round(LINE_GAP * scale),
                     usWinAscent=win_ascent, usWinDescent=win_descent, achVendID=VENDOR,
                     usDefaultChar=0, usBreakChar=0x20, usMaxContext=1, panose=panose())
    builder.setupPost(keepGlyphNames=True, underlinePosition=round(UNDERLINE_POSITION * scale),
                      underlineThickness=round(UNDERLINE_THICKNESS * scale), isFixedPitch=0)
    now = timestampNow()
    builder.setupHead(unitsPerEm=em, fontRevision=1.0, lowestRecPPEM=8, created=now, modified=now)
    builder.setupMaxp()
    builder.font["gasp"] = _gasp()
    font = builder.font
    set_ranges(font["OS/2"], cmap)
    naming.write_family(font["name"], family, family_ja)
    naming.write_copyright(font["name"], "Copyright (c) %d, %s" % (time.localtime().tm_year, user_name()))
    naming.write_version(font["name"], font["head"], naming.FIRST_VERSION)
    out = io.BytesIO()
    font.save(out)
    return out.getvalue()


def panose():
    from fontTools.ttLib.tables.O_S_2f_2 import Panose
    value = Panose()
    for field, number in zip(("bFamilyType", "bSerifStyle", "bWeight", "bProportion", "bContrast",
                              "bStrokeVariation", "bArmStyle", "bLetterForm", "bMidline", "bXHeight"), PANOSE):
        setattr(value, field, number)
    return value


def code_page_bits(unicodes):
    """The code pages a font's characters serve (OS/2 ulCodePageRange1):
    Latin 1 with the ASCII letters, Japanese with kana or kanji."""
    bits = 0
    if any(0x41 <= u <= 0x5A or 0x61 <= u <= 0x7A for u in unicodes):
        bits |= 1 << 0
    if any(0x3041 <= u <= 0x30FF or 0x4E00 <= u <= 0x9FFF for u in unicodes):
        bits |= 1 << 17
    return bits


def set_ranges(os2, cmap):
    """The Unicode ranges and code pages of OS/2 from the characters mapped."""
    from fontTools.ttLib.tables.O_S_2f_2 import intersectUnicodeRanges
    os2.setUnicodeRanges(intersectUnicodeRanges(cmap))
    os2.ulCodePageRange1, os2.ulCodePageRange2 = code_page_bits(cmap), 0


def _gasp():
    from fontTools.ttLib import newTable
    gasp = newTable("gasp")
    gasp.version = 1
    gasp.gaspRange = {0xFFFF: 0x000A}  # smoothed greys at every size: no hinting
    return gasp


def house_metrics(font, box_top, box_bottom, cmap):
    """The line metrics, the underline and the OS/2 description of a font
    of ours, whichever version of the editor wrote it: the em box stays
    where the drawing goes, the line around it."""
    em = font["head"].unitsPerEm
    scale = em / EM
    gap = round(LINE_GAP * scale)
    win_ascent, win_descent = box_top + gap // 2, -box_bottom + gap - gap // 2
    hhea = font["hhea"]
    hhea.ascent, hhea.descent, hhea.lineGap = win_ascent, -win_descent, 0
    post = font["post"]
    post.underlinePosition = round(UNDERLINE_POSITION * scale)
    post.underlineThickness = round(UNDERLINE_THICKNESS * scale)
    if "OS/2" not in font:
        return
    os2 = font["OS/2"]
    if os2.version < 4:
        for field, value in (("sxHeight", 0), ("sCapHeight", 0), ("usDefaultChar", 0), ("usBreakChar", 0x20),
                             ("usMaxContext", 1), ("ulCodePageRange1", 0), ("ulCodePageRange2", 0)):
            if not hasattr(os2, field):
                setattr(os2, field, value)
        os2.version = 4
    os2.sTypoAscender, os2.sTypoDescender, os2.sTypoLineGap = box_top, box_bottom, gap
    os2.usWinAscent, os2.usWinDescent = win_ascent, win_descent
    os2.fsSelection = (os2.fsSelection & ~USE_TYPO_METRICS) | FS_SELECTION
    os2.achVendID = VENDOR
    os2.panose = panose()
    os2.usDefaultChar, os2.usBreakChar = 0, 0x20
    os2.usMaxContext = max(os2.usMaxContext, 1)
    set_ranges(os2, cmap)
