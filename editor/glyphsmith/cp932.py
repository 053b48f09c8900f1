"""Character codes of code page 932 (Shift-JIS), as the client sends them."""


def char(code):
    """The one Unicode character of a code page 932 code, or None."""
    if code < 0 or code > 0xFFFF:
        return None
    if code <= 0xFF:
        if 0x20 <= code <= 0x7E or 0xA1 <= code <= 0xDF:
            return bytes([code]).decode("cp932")
        return None
    lead, trail = code >> 8, code & 0xFF
    if not (0x81 <= lead <= 0x9F or 0xE0 <= lead <= 0xFC):
        return None
    if not (0x40 <= trail <= 0x7E or 0x80 <= trail <= 0xFC):
        return None
    try:
        text = bytes([lead, trail]).decode("cp932")
    except UnicodeDecodeError:
        return None
    return text if len(text) == 1 else None


def code(unicode):
    """The code page 932 code of a Unicode character, or None."""
    try:
        data = chr(unicode).encode("cp932")
    except (UnicodeEncodeError, ValueError, OverflowError):
        return None
    found = data[0] if len(data) == 1 else data[0] * 256 + data[1]
    return found if char(found) == chr(unicode) else None


# The seven characters that code page 932 and JIS text decode differently:
# the code page's own character first, then what JIS and EUC-JP decoders
# (most of them outside Windows) give for the same code. Both are mapped to
# the one glyph, so text decoded either way finds it.
TWINS = {0xFF5E: 0x301C, 0xFF0D: 0x2212, 0x2015: 0x2014, 0x2225: 0x2016,
         0xFFE0: 0x00A2, 0xFFE1: 0x00A3, 0xFFE2: 0x00AC}
TWIN_OF = dict(TWINS)
TWIN_OF.update({twin: own for own, twin in TWINS.items()})
