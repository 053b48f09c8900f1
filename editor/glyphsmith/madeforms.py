"""Vertical forms made from a character's upright glyph, as Japanese fonts
have them, so vertical text comes out right without the user drawing every
form.

Punctuation and small kana keep their shape and move to the other corner:
the ink that sits low left in horizontal text sits high right in vertical
text (its place in the em box mirrored). Brackets, dashes, the long-vowel
mark, the wave dash, ellipses, arrows and the box-drawing characters are
turned a quarter clockwise about the centre of the em box. The squared words
and the geta mark stand upright in vertical text as they are, so they get no
form.

A made form lives in a glyph named "<upright>.vauto"; a vertical form the
user drew ("<upright>.vert") always takes its place."""

from fontTools.ttLib.tables._g_l_y_f import Glyph

from . import outline

SUFFIX = ".vauto"

MOVED = set(map(ord, "、。，．ぁぃぅぇぉっゃゅょゎァィゥェォッャュョヮヵヶ"))
TURNED = set(map(ord, "￣＿ー～｜（）〔〕［］｛｝〈〉《》「」『』【】〝〟"
                      "―‐∥…‥“”＝→←↑↓"
                      "─│┌┐┘└├┬┤┴┼━┃┏┓┛┗┣┳┫┻╋┠┯┨┷┿┝┰┥┸╂"))


def kind(unicode):
    """"moved", "turned" or None for a character that keeps its upright glyph."""
    if unicode in MOVED:
        return "moved"
    if unicode in TURNED:
        return "turned"
    return None


def points_of(data):
    """The contours of simple glyf data as lists of (x, y, on-curve), or
    None for a composite glyph; [] for an empty one."""
    glyph = Glyph(data)
    glyph.expand(None)
    if not glyph.numberOfContours:
        return []
    if glyph.isComposite():
        return None
    contours, start = [], 0
    for end in glyph.endPtsOfContours:
        contours.append([(int(x), int(y), bool(flag & 1)) for (x, y), flag in
                         zip(glyph.coordinates[start:end + 1], glyph.flags[start:end + 1])])
        start = end + 1
    return contours


def make(unicode, contours, full_width, box_top, box_bottom):
    """The points of the vertical form of a character from the points of its
    upright glyph; None when it gets no form (or has no ink)."""
    how = kind(unicode)
    if how is None or not contours:
        return None
    if how == "moved":
        xs = [p[0] for c in contours for p in c]
        ys = [p[1] for c in contours for p in c]
        dx = full_width - max(xs) - min(xs)
        dy = box_top + box_bottom - max(ys) - min(ys)
        return [[(x + dx, y + dy, on) for x, y, on in c] for c in contours]
    # A quarter turn clockwise about the centre keeps the contours' direction.
    cx2, cy2 = full_width, box_top + box_bottom  # twice the centre
    return [[(round((cx2 + 2 * y - cy2) / 2), round((cy2 - 2 * x + cx2) / 2), on) for x, y, on in c]
            for c in contours]


def made_glyph(unicode, data, full_width, box_top, box_bottom):
    """The finished vertical form of glyf data, or None."""
    contours = points_of(data)
    made = make(unicode, contours, full_width, box_top, box_bottom) if contours else None
    return outline.finish(made, full_width) if made else None

