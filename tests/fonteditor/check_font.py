"""Reads a .ttf with fontTools and prints what the tests check, as JSON:
every warning fontTools logs while decoding all tables, the cmap, the
advances, the 'vert' substitutions, the vertical metrics and the names."""

import json
import logging
import sys

from fontTools.ttLib import TTFont


class Collect(logging.Handler):
    def __init__(self):
        super().__init__(logging.WARNING)
        self.records = []

    def emit(self, record):
        self.records.append(record.getMessage())


def main(path):
    collect = Collect()
    logging.getLogger("fontTools").addHandler(collect)
    font = TTFont(path)
    for tag in font.keys():
        font[tag]  # decode every table
    font.ensureDecompiled()
    cmap = font.getBestCmap()
    vert = {}
    if "GSUB" in font:
        gsub = font["GSUB"].table
        for record in gsub.FeatureList.FeatureRecord:
            if record.FeatureTag == "vert":
                for index in record.Feature.LookupListIndex:
                    for sub in gsub.LookupList.Lookup[index].SubTable:
                        vert.update(sub.mapping)
    os2, hhea, head = font["OS/2"], font["hhea"], font["head"]
    glyf = font["glyf"]
    boxes = {}
    for name in cmap.values():
        g = glyf[name]
        if g.numberOfContours:
            boxes[name] = [g.xMin, g.yMin, g.xMax, g.yMax]
    print(json.dumps({
        "warnings": collect.records,
        "cmap": {str(code): name for code, name in cmap.items()},
        "advances": {name: font["hmtx"][name][0] for name in font.getGlyphOrder()},
        "boxes": boxes,
        "vert": vert,
        "glyphOrder0": font.getGlyphOrder()[0],
        "unitsPerEm": head.unitsPerEm,
        "ascent": [hhea.ascent, os2.sTypoAscender, os2.usWinAscent],
        "descent": [hhea.descent, os2.sTypoDescender, -os2.usWinDescent],
        "fsType": os2.fsType,
        "codePage1": os2.ulCodePageRange1,
        "japaneseNames": sorted({n.nameID for n in font["name"].names if n.langID == 0x411}),
        "names": sorted({n.nameID for n in font["name"].names}),
    }))


if __name__ == "__main__":
    main(sys.argv[1])
