"""New fonts: the em, the em box, the line metrics and the .notdef glyph of a
font this editor makes, built with fontTools' FontBuilder."""

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
# and the typographic metrics: 880 + 144 + 456 = 1108 + 372.
LINE_GAP = 456
WIN_ASCENT = ASCENT + LINE_GAP // 2
WIN_DESCENT = DESCENT + LINE_GAP - LINE_GAP // 2
UNDERLINE_POSITION = -76
UNDERLINE_THICKNESS = 51
WEIGHT = 400
# OS/2 code page bits: Latin 1 and Japanese (JIS/Japan).
CODE_PAGES = (1 << 0) | (1 << 17)
FS_SELECTION = 0x40 | 0x80  # REGULAR, USE_TYPO_METRICS


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
    builder.setupGlyphOrder([".notdef"])
    builder.setupCharacterMap({})
    builder.setupGlyf({".notdef": notdef})
    notdef.recalcBounds(None)
    builder.setupHorizontalMetrics({".notdef": (em, notdef.xMin)})
    win_ascent, win_descent = round(WIN_ASCENT * scale), round(WIN_DESCENT * scale)
    builder.setupHorizontalHeader(ascent=win_ascent, descent=-win_descent, lineGap=0)
    builder.setupVerticalHeader(ascent=em // 2, descent=em // 2 - em, lineGap=0)
    builder.setupVerticalMetrics({".notdef": (em, box_top - notdef.yMax)})
    builder.setupNameTable({"familyName": family, "styleName": naming.STYLE})
    builder.setupOS2(version=4, usWeightClass=WEIGHT, fsType=0, fsSelection=FS_SELECTION,
                     sTypoAscender=box_top, sTypoDescender=box_bottom, sTypoLineGap=round(LINE_GAP * scale),
                     usWinAscent=win_ascent, usWinDescent=win_descent, ulCodePageRange1=CODE_PAGES,
                     ulCodePageRange2=0, achVendID="\0\0\0\0", usDefaultChar=0, usBreakChar=32,
                     usMaxContext=1)
    builder.setupPost(keepGlyphNames=True, underlinePosition=round(UNDERLINE_POSITION * scale),
                      underlineThickness=round(UNDERLINE_THICKNESS * scale), isFixedPitch=0)
    now = timestampNow()
    builder.setupHead(unitsPerEm=em, fontRevision=1.0, lowestRecPPEM=8, created=now, modified=now)
    builder.setupMaxp()
    builder.font["gasp"] = _gasp()
    font = builder.font
    naming.write_family(font["name"], family, family_ja)
    naming.write_copyright(font["name"], "Copyright (c) %d, %s" % (time.localtime().tm_year, user_name()))
    naming.write_version(font["name"], font["head"], naming.FIRST_VERSION)
    out = io.BytesIO()
    font.save(out)
    return out.getvalue()


def _gasp():
    from fontTools.ttLib import newTable
    gasp = newTable("gasp")
    gasp.version = 1
    gasp.gaspRange = {0xFFFF: 0x000A}  # smoothed greys at every size: no hinting
    return gasp
