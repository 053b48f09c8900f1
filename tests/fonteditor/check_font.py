"""Reads a .ttf with fontTools and prints what the tests check, as JSON:
every warning fontTools logs while decoding all tables, the cmap, the
advances, the 'vert' substitutions, the metrics and the names, and under
"problems" whatever makes the font unfit for use anywhere: refused by the
OpenType Sanitizer or by fc-scan, vertical metrics that do not put every
glyph one em apart from the top of the em box, a .notdef without a box,
empty or invalid names; and for a font Quillery made (its vendor code),
whatever breaks the rules every such font keeps: its spaces, both twins of
a code, a vertical form for every drawn character of the vertical table
that has one, and one line height in every set of metrics."""

import json
import logging
import re
import subprocess
import sys

from fontTools.ttLib import TTFont

POSTSCRIPT_NAME = re.compile(r"[\x21-\x7e]{1,63}")


class Collect(logging.Handler):
    def __init__(self):
        super().__init__(logging.WARNING)
        self.records = []

    def emit(self, record):
        self.records.append(record.getMessage())


VENDOR = "QLRY"
# Characters of the vertical table that a vertical form serves: all but the
# squared words and the geta mark, which stand upright as they are.
VERTICAL = ("、。，．ぁぃぅぇぉっゃゅょゎァィゥェォッャュョヮヵヶ"
            "￣＿ー～｜（）〔〕［］｛｝〈〉《》「」『』【】〝〟―‐∥…‥“”＝→←↑↓"
            "─│┌┐┘└├┬┤┴┼━┃┏┓┛┗┣┳┫┻╋┠┯┨┷┿┝┰┥┸╂")
TWINS = {0xFF5E: 0x301C, 0xFF0D: 0x2212, 0x2015: 0x2014, 0x2225: 0x2016, 0xFFE0: 0xA2, 0xFFE1: 0xA3, 0xFFE2: 0xAC}


def vert_mapping(font):
    found = {}
    if "GSUB" in font:
        gsub = font["GSUB"].table
        for record in gsub.FeatureList.FeatureRecord:
            if record.FeatureTag == "vert":
                for index in record.Feature.LookupListIndex:
                    for sub in gsub.LookupList.Lookup[index].SubTable:
                        sub = getattr(sub, "ExtSubTable", sub)
                        found.update(getattr(sub, "mapping", None) or {})
    return found


def house_problems(font):
    """What a font of ours must have besides the user's glyphs."""
    if str(font["OS/2"].achVendID) != VENDOR:
        return []
    problems = []
    cmap, hmtx, glyf = font.getBestCmap(), font["hmtx"], font["glyf"]
    em = font["head"].unitsPerEm
    for unicode in (0x20, 0x3000):
        if unicode not in cmap or hmtx[cmap[unicode]][0] <= 0:
            problems.append("no space U+%04X" % unicode)
    if cmap.get(0xA0) != cmap.get(0x20):
        problems.append("U+00A0 is not the glyph of U+0020")
    if font["OS/2"].usBreakChar not in cmap:
        problems.append("usBreakChar U+%04X is not in the cmap" % font["OS/2"].usBreakChar)
    for own, twin in TWINS.items():
        if own in cmap and cmap.get(twin) != cmap[own]:
            problems.append("U+%04X is not the glyph of U+%04X" % (twin, own))
    vert = vert_mapping(font)
    lacking = []
    for char in VERTICAL:
        name = cmap.get(ord(char))
        if name is not None and glyf[name].numberOfContours:
            form = vert.get(name)
            if form is None or not glyf[form].numberOfContours:
                lacking.append(char)
    if lacking:
        problems.append("no vertical form for %s" % "".join(lacking))
    os2, hhea = font["OS/2"], font["hhea"]
    heights = {hhea.ascent - hhea.descent + hhea.lineGap, os2.usWinAscent + os2.usWinDescent,
               os2.sTypoAscender - os2.sTypoDescender + os2.sTypoLineGap}
    if len(heights) != 1 or not 1.4 * em <= min(heights) <= 1.5 * em or hhea.lineGap != 0 \
            or os2.fsSelection & 0x80:
        problems.append("line metrics differ between programs: %s" % sorted(heights))
    return problems


def problems_of(path, font):
    problems = []
    ots = subprocess.run(["ots-sanitize", path, "/dev/null"], capture_output=True, text=True, timeout=120)
    if ots.returncode != 0:
        problems.append("ots-sanitize: %s" % (ots.stdout + ots.stderr).strip()[-500:])
    scan = subprocess.run(["fc-scan", "--format", "%{family}", path], capture_output=True, text=True, timeout=120)
    if scan.returncode != 0 or not scan.stdout.strip():
        problems.append("fc-scan refused the font: %s" % scan.stderr.strip())

    head, os2 = font["head"], font["OS/2"]
    em = head.unitsPerEm
    box_top = round(os2.sTypoAscender * em / (os2.sTypoAscender - os2.sTypoDescender))
    if "vhea" not in font or "vmtx" not in font:
        problems.append("no vertical metrics")
    else:
        glyf = font["glyf"]
        for name in font.getGlyphOrder():
            height, tsb = font["vmtx"][name]
            glyph = glyf[name]
            if height != em:
                problems.append("%s: advance height %d" % (name, height))
            elif glyph.numberOfContours and tsb != box_top - glyph.yMax:
                problems.append("%s: top side bearing %d, not %d" % (name, tsb, box_top - glyph.yMax))
    if font["glyf"][".notdef"].numberOfContours == 0:
        problems.append(".notdef draws nothing")

    names = font["name"]
    platforms = sorted({n.platformID for n in names.names})
    for platform in platforms:
        for name_id in (1, 2, 4, 6):
            found = [str(n) for n in names.names if n.platformID == platform and n.nameID == name_id
                     and n.langID in (0, 0x409)]
            if not found or not all(t.strip() for t in found):
                problems.append("English name %d on platform %d is missing or empty" % (name_id, platform))
    problems += house_problems(font)
    postscript = names.getName(6, 3, 1, 0x409)
    if postscript is None or not POSTSCRIPT_NAME.fullmatch(str(postscript)) \
            or any(c in str(postscript) for c in "[](){}<>/%"):
        problems.append("PostScript name %r is not valid" % (str(postscript) if postscript else None))
    return problems


def main(path):
    collect = Collect()
    logging.getLogger("fontTools").addHandler(collect)
    font = TTFont(path)
    for tag in font.keys():
        font[tag]  # decode every table
    font.ensureDecompiled()
    cmap = font.getBestCmap()
    vert = vert_mapping(font)
    os2, hhea, head = font["OS/2"], font["hhea"], font["head"]
    glyf = font["glyf"]
    boxes = {}
    for name in set(cmap.values()) | set(vert.values()):
        g = glyf[name]
        if g.numberOfContours:
            boxes[name] = [g.xMin, g.yMin, g.xMax, g.yMax]
    names = font["name"]
    print(json.dumps({
        "warnings": collect.records,
        "problems": problems_of(path, font),
        "cmap": {str(code): name for code, name in cmap.items()},
        "advances": {name: font["hmtx"][name][0] for name in font.getGlyphOrder()},
        "boxes": boxes,
        "vert": vert,
        "glyphOrder0": font.getGlyphOrder()[0],
        "notdefContours": glyf[".notdef"].numberOfContours,
        "unitsPerEm": head.unitsPerEm,
        "ascent": [hhea.ascent, os2.sTypoAscender, os2.usWinAscent],
        "descent": [hhea.descent, os2.sTypoDescender, -os2.usWinDescent],
        # Line heights of hhea, of the typographic and of the Windows metrics.
        "lineHeights": [hhea.ascent - hhea.descent + hhea.lineGap,
                        os2.sTypoAscender - os2.sTypoDescender + os2.sTypoLineGap,
                        os2.usWinAscent + os2.usWinDescent],
        "lineGaps": [hhea.lineGap, os2.sTypoLineGap],
        "underline": [font["post"].underlinePosition, font["post"].underlineThickness],
        "fsType": os2.fsType,
        "fsSelection": os2.fsSelection,
        "codePage1": os2.ulCodePageRange1,
        "japaneseNames": sorted({n.nameID for n in names.names if n.langID == 0x411}),
        "names": sorted({n.nameID for n in names.names}),
        "name": {str(i): str(names.getName(i, 3, 1, 0x409) or "") for i in (0, 1, 2, 3, 4, 5, 6)},
        "nameJa": {str(i): str(names.getName(i, 3, 1, 0x411) or "") for i in (1, 2, 4)},
        "macNames": sorted({n.nameID for n in names.names if n.platformID == 1 and str(n).strip()}),
    }, ensure_ascii=False))


if __name__ == "__main__":
    main(sys.argv[1])
