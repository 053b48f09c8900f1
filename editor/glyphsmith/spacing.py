"""Widths from the ink, as in Japanese fonts with proportional Latin.

A single-byte letter or sign of our fonts gets the width of its ink plus the
same side bearing on both sides (a fixed share of the em), so i, l and . no
longer stand in wide gaps; the digits keep one common width, half the full
width, with their ink centred, so columns of numbers line up. The space and
the half-width katakana keep half the full width.

Kana and punctuation keep their full width; the optional features 'palt'
(horizontal) and 'vpal' (vertical) give them widths from their ink the same
way, for programs that ask for proportional kana."""

import unicodedata

SIDE_BEARING_SHARE = 1 / 16


def side_bearing(em):
    return round(em * SIDE_BEARING_SHARE)


def proportional(unicode):
    """Whether a character's width comes from its ink."""
    return 0x21 <= unicode <= 0x7E


def placement(unicode, box, em, full_width):
    """(shift to the right, advance) of a single-byte glyph with ink in box
    (x0, y0, x1, y1); None for a character that keeps its width."""
    if not proportional(unicode) or box is None:
        return None
    x0, x1 = box[0], box[2]
    if 0x30 <= unicode <= 0x39:
        advance = full_width // 2
        return (advance - (x1 - x0)) // 2 - x0, advance
    sb = side_bearing(em)
    return sb - x0, x1 - x0 + 2 * sb


def shifted(contours, dx):
    return [[(x + dx, y, on) for x, y, on in c] for c in contours]


def kana_or_punctuation(unicode):
    """The full-width characters that 'palt' and 'vpal' make proportional."""
    if 0x3041 <= unicode <= 0x30FF or 0x31F0 <= unicode <= 0x31FF:
        return True
    if unicode < 0x2000:
        return False
    return unicodedata.category(chr(unicode)).startswith("P")


def proportional_adjustment(low, high, start, length, em):
    """(placement, advance change) that sets ink from low to high, in a cell
    of length beginning at start, with the side bearing on both sides; None
    when the ink needs the whole cell."""
    sb = side_bearing(em)
    wanted = high - low + 2 * sb
    if wanted >= length:
        return None
    return sb - (low - start), wanted - length
