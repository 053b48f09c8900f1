"""What the editor can open: a font file it can keep whole. Collections, CFF
and CFF2 outlines and variable fonts cannot be written back without losing
what is in them, and a file that fontTools or the OpenType Sanitizer cannot
read is damaged or no font; all of them are refused before anything is
written, and the file is never touched."""

import errno
import logging
import os
import subprocess
import sys
import unicodedata

from fontTools.ttLib import TTLibError

from . import protocol
from . import provenance
from . import safefile
from . import store

SIZE_LIMIT = 1024 * 1024 * 1024
SANITIZER = "ots-sanitize"
# The tables a save may decode and compile again: they must decode now.
DECODED = ("head", "hhea", "maxp", "OS/2", "name", "cmap", "post", "hmtx", "vhea", "vmtx", "GSUB")
RESTRICTED_LICENCE = 0x0002


def read(path):
    """The bytes of the font file at path; 2013 when it cannot be read."""
    try:
        data, _info = safefile.read_regular(path, SIZE_LIMIT)
    except OSError as e:
        if e.errno == errno.EFBIG:
            raise protocol.font_refused(path, protocol.REFUSED_TOO_LARGE)
        if e.errno == errno.EINVAL:  # not a regular file
            raise protocol.font_refused(path, protocol.REFUSED_NOT_FILE)
        raise protocol.unreadable(path, e)
    return data


def check(path, data):
    """The base of a font that may be opened; raises 2013 with the reason
    otherwise. Returns None for a font whose licence forbids editing."""
    tag = data[:4]
    if tag == b"ttcf":
        raise protocol.font_refused(path, protocol.REFUSED_COLLECTION)
    if tag == b"OTTO":
        raise protocol.font_refused(path, protocol.REFUSED_CFF)
    if tag not in (b"\0\1\0\0", b"true"):
        raise protocol.font_refused(path, protocol.REFUSED_DAMAGED)
    quiet = logging.getLogger("fontTools")
    level = quiet.level
    quiet.setLevel(logging.ERROR)
    try:
        base = store.Base(data)
        font = base.font
        if "CFF " in font or "CFF2" in font:
            raise protocol.font_refused(path, protocol.REFUSED_CFF)
        if "fvar" in font or "gvar" in font:
            raise protocol.font_refused(path, protocol.REFUSED_VARIABLE)
        if "glyf" not in font or "loca" not in font or "head" not in font or "maxp" not in font \
                or "hmtx" not in font or "hhea" not in font or "cmap" not in font:
            raise protocol.font_refused(path, protocol.REFUSED_DAMAGED)
        for tag in DECODED:
            if tag in font and hasattr(font[tag], "ensureDecompiled"):
                font[tag].ensureDecompiled()
        font["glyf"]
        font.getGlyphOrder()
        base.cmap
        base.vert
    except protocol.DispatchError:
        raise
    except (TTLibError, Exception):
        raise protocol.font_refused(path, protocol.REFUSED_DAMAGED)
    finally:
        quiet.setLevel(level)
    if not sanitizer_accepts(data):
        raise protocol.font_refused(path, protocol.REFUSED_DAMAGED)
    if "OS/2" in font and font["OS/2"].fsType & 0x000F == RESTRICTED_LICENCE:
        return None
    return base


def sanitizer_accepts(data):
    """True when the OpenType Sanitizer takes the font (or is not there to
    ask: then what fontTools read above has to do)."""
    try:
        done = subprocess.run([SANITIZER, "/dev/stdin", os.devnull], input=data, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=120)
    except FileNotFoundError:
        sys.stderr.write("glyphsmith: %s is not installed; fonts are opened unchecked by it\n" % SANITIZER)
        return True
    except subprocess.TimeoutExpired:
        return False
    return done.returncode == 0


# -- the repair of fonts an earlier version of this editor made ----------------

def may_be_empty(unicode):
    """Characters that draw nothing by nature: spaces, controls, format
    characters, marks and fillers. An empty glyph of any other character
    only hides the character of a fallback font."""
    if unicode in (0x115F, 0x1160, 0x3164, 0xFFA0, 0x2800):
        return True
    if 0xFE00 <= unicode <= 0xFE0F or 0xE0100 <= unicode <= 0xE01EF:
        return True
    return unicodedata.category(chr(unicode)) in ("Zs", "Zl", "Zp", "Cc", "Cf", "Mn", "Me")


def repair(font_store):
    """Takes out what an earlier version of this editor left in its fonts:
    empty glyphs of characters that were only passed over, and vertical
    forms that are empty. Returns how many it took out. Fonts of other
    makers keep their empty glyphs, and fonts this version made have none
    but on purpose."""
    base = font_store.base
    if not provenance.made_by_earlier_editor(base.font):
        return 0
    taken = 0
    for unicode, name in base.cmap.items():
        if name in base.vert and base.vert[name] in base.order and not base.box(base.vert[name]):
            font_store.remove(unicode, True)
            taken += 1
        if not base.box(name) and not may_be_empty(unicode):
            font_store.remove(unicode, False)
            taken += 1
    return taken
