"""The layout features of a font of ours, made anew at every save from what
the font holds:

- 'vert' and 'vrt2': each character's vertical form, drawn or made ('vrt2'
  carries the same forms, for programs that read it instead of 'vert');
- 'palt' and 'vpal': proportional kana and punctuation, horizontal and
  vertical, off unless a program asks for them.

Fonts of other makers keep their own features (see vertical)."""

import logging

from fontTools.feaLib.builder import addOpenTypeFeaturesFromString

SCRIPTS = ("DFLT", "hani", "kana", "latn")


def _glyph(name):
    return "\\" + name


def text(vert, palt, vpal):
    """The feature file: vert maps glyphs to vertical forms, palt and vpal
    map glyphs to (placement, advance change) across and down."""
    lines = ["languagesystem %s dflt;" % script for script in SCRIPTS]
    if vert:
        lines.append("lookup vertical_forms {")
        lines += ["  sub %s by %s;" % (_glyph(a), _glyph(b)) for a, b in sorted(vert.items())]
        lines.append("} vertical_forms;")
        for tag in ("vert", "vrt2"):
            lines.append("feature %s { lookup vertical_forms; } %s;" % (tag, tag))
    if palt:
        lines.append("feature palt {")
        lines += ["  pos %s <%d 0 %d 0>;" % (_glyph(n), x, adv) for n, (x, adv) in sorted(palt.items())]
        lines.append("} palt;")
    if vpal:
        lines.append("feature vpal {")
        lines += ["  pos %s <0 %d 0 %d>;" % (_glyph(n), y, adv) for n, (y, adv) in sorted(vpal.items())]
        lines.append("} vpal;")
    return "\n".join(lines) + "\n"


def build(font, vert, palt, vpal):
    """Replaces the GSUB and GPOS tables of font with ours."""
    for tag in ("GSUB", "GPOS"):
        if tag in font:
            del font[tag]
    if not (vert or palt or vpal):
        return
    quiet = logging.getLogger("fontTools.feaLib")
    level = quiet.level
    quiet.setLevel(logging.ERROR)
    try:
        addOpenTypeFeaturesFromString(font, text(vert, palt, vpal), tables=["GSUB", "GPOS"])
    finally:
        quiet.setLevel(level)
