"""Glyphsmith: the font editor that Quillery drives by automation.

Runs inside FontForge's interpreter:

    fontforge -lang=py -script glyphsmith_server.py [--socket PATH]

It listens on a Unix socket (by default "Glyphsmith.Application" in the
user's runtime folder) and answers one JSON object per line; docs/automation.md
describes the protocol and every dispatch number.
"""

import array
import contextlib
import errno
import hashlib
import json
import os
import pwd
import re
import select
import socket
import struct
import subprocess
import sys
import tempfile
import time
import traceback
import unicodedata

import fontforge

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import font_journal  # noqa: E402
import potrace_tracer  # noqa: E402

PROG_ID = "Glyphsmith.Application"
VERSION = "3.10 (FontForge %s)" % fontforge.version()
APP_HANDLE = 1

EM = 1024
ASCENT = 880
DESCENT = 144
FULL_WIDTH = 1024
HALF_WIDTH = 512
# New fonts get a line height of about 1.45 em, the same through hhea, the
# Windows metrics and the typographic metrics: 880 + 144 + 456 = 1108 + 372.
LINE_GAP = 456
WIN_ASCENT = ASCENT + LINE_GAP // 2
WIN_DESCENT = DESCENT + LINE_GAP - LINE_GAP // 2
FAMILY = "Glyphsmith Hand"
FAMILY_JA = "グリフスミス手書き"
STYLE = "Regular"
FIRST_VERSION = "1.000"
# Name ID 3 of the fonts this editor names; a font that carries it was
# written without empty glyphs for characters that were only passed over.
UNIQUE_ID_PREFIX = "Glyphsmith "
POSTSCRIPT_PREFIX = "Glyphsmith"
POSTSCRIPT_ALLOWED = set(chr(c) for c in range(33, 127)) - set("[](){}<>/%")
VERT_SCRIPTS = (("DFLT", ("dflt",)), ("hani", ("dflt",)), ("kana", ("dflt",)), ("latn", ("dflt",)))
# Characters whose advance tells a font's full width, most telling first.
FULL_WIDTH_PROBES = (0x3042, 0x30A2, 0x4E00, 0x65E5, 0x3000, 0x3001, 0xFF21, 0xFF10)

# Dispatch exception codes of this editor.
ERR_BAD_CHAR_CODE = 2006
ERR_NO_GLYPH = 2007
ERR_BITMAP = 2008
ERR_NO_FILE = 2010
ERR_SAVE = 2011
ERR_BAD_VALUE = 2012

MAX_LINE = 4 * 1024 * 1024


class DispatchError(Exception):
    def __init__(self, code, description):
        super().__init__(description)
        self.code = code
        self.description = description


class Failure(Exception):
    """A call the editor cannot even take: unknown member, wrong arguments."""


def cp932_char(code):
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


def cp932_code(unicode):
    """The code page 932 code of a Unicode character, or None."""
    try:
        data = chr(unicode).encode("cp932")
    except (UnicodeEncodeError, ValueError, OverflowError):
        return None
    code = data[0] if len(data) == 1 else data[0] * 256 + data[1]
    return code if cp932_char(code) == chr(unicode) else None


def char_of(code):
    char = cp932_char(code)
    if char is None:
        raise DispatchError(ERR_BAD_CHAR_CODE, "文字コード 0x%X は使えません。" % (code & 0xFFFFFFFF))
    return char


def may_be_empty(unicode):
    """Characters that draw nothing by nature: spaces, controls, format
    characters, marks and fillers. An empty glyph of any other character
    only hides the character of a fallback font."""
    if unicode in (0x115F, 0x1160, 0x3164, 0xFFA0, 0x2800):
        return True
    if 0xFE00 <= unicode <= 0xFE0F or 0xE0100 <= unicode <= 0xE01EF:
        return True
    return unicodedata.category(chr(unicode)) in ("Zs", "Zl", "Zp", "Cc", "Cf", "Mn", "Me")


def mac_roman(text):
    try:
        text.encode("mac_roman")
    except UnicodeEncodeError:
        return False
    return True


def postscript_name(family, style):
    """An ASCII PostScript name that is valid and differs between families:
    names with characters PostScript cannot carry get a short hash of the
    whole family name."""
    kept = "".join(c for c in family if c.isascii() and c.isalnum())
    suffix = "-" + "".join(c for c in style if c in POSTSCRIPT_ALLOWED and c != "-")
    if suffix == "-":
        suffix = "-Regular"
    if not kept or any(not c.isascii() for c in family):
        tag = hashlib.sha1(family.encode("utf-8")).hexdigest()[:8].upper()
        kept = (kept or POSTSCRIPT_PREFIX)[:63 - len(suffix) - len(tag)] + tag
    return kept[:63 - len(suffix)] + suffix


def next_version(version):
    """The version one step (0.001) above, or None when it is no number."""
    match = re.fullmatch(r"\s*(\d+)(?:\.(\d+))?\s*", version or "")
    if not match:
        return None
    places = max(3, len(match.group(2) or ""))
    value = int(match.group(1)) * 10 ** places + int((match.group(2) or "0").ljust(places, "0")) + 10 ** (places - 3)
    return "%d.%0*d" % (value // 10 ** places, places, value % 10 ** places)


def save_failure_reason(error, folder, path):
    """A Japanese description of why a font file could not be written."""
    code = getattr(error, "errno", None)
    if code in (errno.ENOENT, errno.ENOTDIR):
        return "フォルダ %s がありません。" % folder
    if code in (errno.EACCES, errno.EPERM):
        return "フォルダ %s に書き込む権限がありません。" % folder
    if code == errno.EROFS:
        return "フォルダ %s は読み取り専用の場所にあります。" % folder
    if code in (errno.ENOSPC, errno.EDQUOT):
        return "ディスクの空き容量が足りません。"
    if code == errno.ENAMETOOLONG:
        return "ファイル名が長すぎます。"
    if code == errno.EISDIR:
        return "%s はフォルダです。" % path
    if code:
        return "書き込みに失敗しました（%s）。" % (errno.errorcode.get(code, str(code)))
    return "フォントを書き出せませんでした。"


def table_checksum(data):
    data = bytes(data) + b"\0" * (-len(data) % 4)
    words = array.array("I", data)
    if sys.byteorder == "little":
        words.byteswap()
    return sum(words) & 0xFFFFFFFF


def sfnt_tables(data):
    """The table directory of a TrueType or OpenType file's bytes, tag to
    (place of its record, offset, length); None unless the file holds every
    table it names."""
    if len(data) < 12 or data[:4] not in (b"\0\1\0\0", b"true", b"OTTO"):
        return None
    count = struct.unpack_from(">H", data, 4)[0]
    if count == 0 or 12 + 16 * count > len(data):
        return None
    entries = {}
    for i in range(count):
        at = 12 + 16 * i
        tag, _sum, offset, length = struct.unpack_from(">4sIII", data, at)
        if offset + length > len(data):
            return None
        entries[tag] = (at, offset, length)
    return entries


def finish_written_font(path, em):
    """Checks that the font writer wrote the whole file (it reports a full
    disk only as a message), then puts the vertical ascent and descent on
    the em box, half an em either side of the vertical baseline (the writer
    derives them from the outlines), and mends the checksums. False when
    the file is not whole."""
    with open(path, "r+b") as f:
        data = bytearray(f.read())
        entries = sfnt_tables(data)
        if entries is None or b"head" not in entries or table_checksum(data) != 0xB1B0AFBA:
            return False
        if b"vhea" not in entries or entries[b"vhea"][2] < 36:
            return True
        at, offset, length = entries[b"vhea"]
        struct.pack_into(">hhh", data, offset + 4, em // 2, em // 2 - em, 0)
        struct.pack_into(">I", data, at + 4, table_checksum(data[offset:offset + length]))
        head = entries[b"head"][1]
        struct.pack_into(">I", data, head + 8, 0)
        struct.pack_into(">I", data, head + 8, (0xB1B0AFBA - table_checksum(data)) & 0xFFFFFFFF)
        f.seek(0)
        f.write(data)
    return True


def arg(args, index, kind):
    if index >= len(args) or not isinstance(args[index], dict):
        raise Failure("argument %d missing" % (index + 1))
    value = args[index]
    if value.get("type") != kind:
        raise Failure("argument %d: type mismatch, %s expected" % (index + 1, kind))
    return value.get("value")


def value(kind, v=None):
    return {"type": kind} if kind == "empty" else {"type": kind, "value": v}


def text_arg(args, index):
    text = arg(args, index, "string")
    if not isinstance(text, str):
        raise Failure("argument %d: not a string" % (index + 1))
    return text


def number_text(v):
    return str(int(v)) if v == int(v) else ("%.2f" % v).rstrip("0").rstrip(".")


def layer_points(layer):
    """A layer as [quadratic, [[x, y, on-curve, ...] per contour]]."""
    contours = []
    for contour in layer:
        flat = []
        for p in contour:
            x, y = p.x, p.y
            ix, iy = int(x), int(y)
            flat += (ix if x == ix else round(x, 3), iy if y == iy else round(y, 3), 1 if p.on_curve else 0)
        contours.append(flat)
    return bool(layer.is_quadratic), contours


def points_layer(quadratic, contours):
    layer = fontforge.layer()
    layer.is_quadratic = quadratic
    for flat in contours:
        contour = fontforge.contour()
        contour.is_quadratic = quadratic
        for i in range(0, len(flat) - 2, 3):
            contour += fontforge.point(flat[i], flat[i + 1], bool(flat[i + 2]))
        contour.closed = True
        layer += contour
    return layer


def outline_text(glyph):
    """A glyph's outline in the text form of GlyphOutline."""
    parts = ["A %d" % glyph.width]
    quadratic = glyph.foreground.is_quadratic
    for contour in glyph.foreground:
        points = [(p.x, p.y, bool(p.on_curve)) for p in contour]
        if not points:
            continue
        if not any(on for _, _, on in points):
            # Only off-curve points: the contour starts between two of them.
            (x0, y0, _), (x1, y1, _) = points[0], points[1 % len(points)]
            points.insert(1, ((x0 + x1) / 2, (y0 + y1) / 2, True))
        first = next(i for i, p in enumerate(points) if p[2])
        points = points[first:] + points[:first]
        parts.append("M %s %s" % (number_text(points[0][0]), number_text(points[0][1])))
        pending = []
        for x, y, on in points[1:] + points[:1]:
            if not on:
                if quadratic and pending:
                    # Two off-curve points imply the on-curve one between them.
                    mx, my = (pending[0][0] + x) / 2, (pending[0][1] + y) / 2
                    parts.append("Q %s %s %s %s" % tuple(number_text(v) for v in (*pending[0], mx, my)))
                    pending = []
                pending.append((x, y))
                continue
            if not pending:
                parts.append("L %s %s" % (number_text(x), number_text(y)))
            elif quadratic or len(pending) == 1:
                parts.append("Q %s %s %s %s" % tuple(number_text(v) for v in (*pending[0], x, y)))
            else:
                parts.append("C %s %s %s %s %s %s" % tuple(number_text(v) for v in (*pending[0], *pending[1], x, y)))
            pending = []
        parts.append("Z")
    return " ".join(parts)


def sfnt_underline(path):
    """The underline position and thickness in the post table of a TrueType
    or OpenType file, or None."""
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError:
        return None
    entries = sfnt_tables(data)
    if entries is None or b"post" not in entries or entries[b"post"][2] < 12:
        return None
    return struct.unpack_from(">hh", data, entries[b"post"][1] + 8)


def keep_underline(ff, path):
    """FontForge reads the underline's top as its position less half its
    thickness in whole units and writes it back adding the exact half, so a
    font with an odd thickness had its underline one unit higher after every
    save. The file's own values go back in, exactly."""
    underline = sfnt_underline(path)
    if underline is not None:
        position, thickness = underline
        ff.uwidth = thickness
        ff.upos = position - thickness / 2


class Font:
    """One font open in the editor, with the file it belongs to.

    Nothing enters the font before an import is finished: the import steps
    work on a scratch glyph, and GlyphStep4 puts the result into the font and
    into the journal. Selecting a character alone changes nothing."""

    def __init__(self, ff, path):
        self.ff = ff
        self.path = path  # empty until the font has a file
        self.glyph = None  # the scratch glyph while an import is under way
        self.selection = None  # (unicode, vertical, advance)
        self.named_by_user = bool(path)
        self.changed = False
        self.saved_version = ff.version if path else None
        self.recovered = 0
        self.journal = font_journal.Journal(path)
        self.measure()
        self.advance = self.full_width
        self.scratch_font = fontforge.font()
        self.scratch_font.em = self.em
        self.scratch_font.ascent = self.box_top
        self.scratch_font.descent = -self.box_bottom
        self.scratch = self.scratch_font.createChar(-1, "scratch")
        self.traced = None  # (glyph, what the tracer knows of its contours)

    @classmethod
    def new(cls):
        ff = fontforge.font()
        ff.encoding = "UnicodeFull"
        ff.em = EM
        # The em size rescales ascent and descent, so they come after it.
        ff.ascent = ASCENT
        ff.descent = DESCENT
        font = cls(ff, "")
        font.set_names(FAMILY, FAMILY_JA)
        ff.copyright = "Copyright (c) %d, %s" % (time.localtime().tm_year, user_name())
        ff.version = FIRST_VERSION
        font.set_metrics()
        font.draw_notdef()
        font.recover()
        return font

    @classmethod
    def open(cls, path):
        ff = fontforge.open(path)
        ff.encoding = "UnicodeFull"
        keep_underline(ff, path)
        font = cls(ff, path)
        font.repair()
        font.recover()
        return font

    # -- metrics and names ----------------------------------------------------

    def measure(self):
        """The em box the bitmap square maps onto, and the full width."""
        ff = self.ff
        self.em = ff.em
        ascent, descent = ff.ascent, ff.descent
        if ascent + descent <= 0:
            ascent, descent = ff.em * ASCENT // EM, ff.em * DESCENT // EM
        self.box_top = round(ascent * ff.em / (ascent + descent))
        self.box_bottom = self.box_top - ff.em
        self.full_width = ff.em
        for unicode in FULL_WIDTH_PROBES:
            if unicode in ff and ff[unicode].width > 0 and (ff[unicode].foreground or unicode == 0x3000):
                self.full_width = ff[unicode].width
                break

    def set_names(self, family, family_ja):
        ff = self.ff
        style = STYLE
        postscript = postscript_name(family, style)
        if not mac_roman(family):
            # The Mac name records carry Mac Roman only; a family name of
            # other letters goes there in its PostScript form.
            family = postscript[:-len(style) - 1]
        ff.familyname = family
        ff.fontname = postscript
        ff.fullname = family + " " + style
        ff.weight = "Regular"
        kept = [n for n in ff.sfnt_names
                if n[0] not in ("English (US)", "Japanese", 0x409, 0x411)
                or n[1] not in ("Family", "SubFamily", "Fullname", "PostScriptName", "UniqueID",
                                "Preferred Family", "Preferred Styles")]
        ff.sfnt_names = tuple(kept)
        ff.appendSFNTName("English (US)", "Family", family)
        ff.appendSFNTName("English (US)", "SubFamily", style)
        ff.appendSFNTName("English (US)", "Fullname", family + " " + style)
        ff.appendSFNTName("English (US)", "PostScriptName", postscript)
        ff.appendSFNTName("English (US)", "UniqueID", "%s%s : %s" % (UNIQUE_ID_PREFIX, VERSION.split()[0], postscript))
        ff.appendSFNTName("Japanese", "Family", family_ja)
        ff.appendSFNTName("Japanese", "SubFamily", style)
        ff.appendSFNTName("Japanese", "Fullname", family_ja + " " + style)

    def sfnt_name(self, language, key):
        for lang, name_key, text in self.ff.sfnt_names:
            if lang in language and name_key == key:
                return text
        return ""

    def family_name(self, japanese):
        if japanese:
            return self.sfnt_name(("Japanese", 0x411), "Family")
        return self.sfnt_name(("English (US)", 0x409), "Family") or self.ff.familyname or ""

    def set_family_name(self, name, japanese):
        name = name.strip()
        if not name or len(name) > 63 or any(unicodedata.category(c) in ("Cc", "Cf", "Zl", "Zp") for c in name):
            raise DispatchError(ERR_BAD_VALUE, "フォント名は 1 から 63 文字で、制御文字を含まないものにしてください。")
        if not japanese and not mac_roman(name):
            raise DispatchError(ERR_BAD_VALUE, "英語のフォント名には英数字などのラテン文字だけを使ってください。")
        english = name if not japanese else (self.family_name(False) or name)
        ja = name if japanese else (self.family_name(True) or name)
        self.set_names(english, ja)
        self.named_by_user = True

    def set_version(self, version):
        match = re.fullmatch(r"\d{1,5}(\.\d{1,5})?", version.strip())
        if not match or float(version) >= 32768:
            raise DispatchError(ERR_BAD_VALUE, "バージョンは 1.000 のような数で入力してください。")
        self.ff.version = version.strip()
        self.sync_version()

    def sync_version(self):
        """The version name (ID 5) and the head table follow the version."""
        ff = self.ff
        with contextlib.suppress(ValueError, TypeError):
            ff.sfntRevision = float(ff.version)
        names = []
        for lang, key, text in ff.sfnt_names:
            if key == "Version":
                text = re.sub(r"^(Version\s*)?\d+(\.\d+)?", "Version " + ff.version, text, count=1) \
                    if re.match(r"^(Version\s*)?\d", text) else "Version " + ff.version
            names.append((lang, key, text))
        ff.sfnt_names = tuple(names)

    def set_copyright(self, text):
        if len(text) > 1000 or any(unicodedata.category(c) == "Cc" and c not in "\n" for c in text):
            raise DispatchError(ERR_BAD_VALUE, "著作権表示に使えない文字が含まれています。")
        self.ff.copyright = text
        self.ff.sfnt_names = tuple((lang, key, t) for lang, key, t in self.ff.sfnt_names if key != "Copyright")

    def set_metrics(self):
        """Metrics of a new font; an opened font keeps its own."""
        ff = self.ff
        ff.os2_fstype = 0  # installable embedding
        ff.os2_codepages = (ff.os2_codepages[0] | (1 << 17) | 1, ff.os2_codepages[1])
        for name, v in (("os2_winascent", WIN_ASCENT), ("os2_windescent", WIN_DESCENT),
                        ("os2_typoascent", ASCENT), ("os2_typodescent", -DESCENT),
                        ("hhea_ascent", WIN_ASCENT), ("hhea_descent", -WIN_DESCENT)):
            setattr(ff, name + "_add", False)
            setattr(ff, name, v)
        ff.os2_typolinegap = LINE_GAP
        ff.hhea_linegap = 0
        ff.os2_use_typo_metrics = True
        ff.os2_stylemap = 0x40  # REGULAR
        ff.hasvmetrics = True
        ff.vhea_linegap = 0

    def draw_notdef(self):
        """The box that stands for a character the font lacks."""
        ff = self.ff
        notdef = ff[".notdef"] if ".notdef" in ff else ff.createChar(-1, ".notdef")
        if notdef.foreground:
            return
        width = self.full_width
        margin, stroke = self.em // 10, self.em // 16
        top, bottom = self.box_top - margin, self.box_bottom + margin
        left, right = margin, width - margin
        pen = notdef.glyphPen(replace=True)
        for x0, y0, x1, y1 in ((left, bottom, right, top),
                               (left + stroke, bottom + stroke, right - stroke, top - stroke)):
            pen.moveTo((x0, y0))
            pen.lineTo((x0, y1))
            pen.lineTo((x1, y1))
            pen.lineTo((x1, y0))
            pen.closePath()
        pen = None
        notdef.correctDirection()
        notdef.width = width
        notdef.vwidth = self.em

    # -- glyphs -----------------------------------------------------------------

    def vert_subtable(self, create=True):
        """The single-substitution subtable behind the font's 'vert' feature."""
        ff = self.ff
        for lookup in ff.gsub_lookups:
            kind, _flags, features = ff.getLookupInfo(lookup)
            if kind == "gsub_single" and any(f[0] == "vert" for f in features):
                subtables = ff.getLookupSubtables(lookup)
                if subtables:
                    return subtables[0]
                if not create:
                    return None
                ff.addLookupSubtable(lookup, lookup + "-1")
                return lookup + "-1"
        if not create:
            return None
        ff.addLookup("vert", "gsub_single", None, (("vert", VERT_SCRIPTS),))
        ff.addLookupSubtable("vert", "vert-1")
        return "vert-1"

    def vert_subtables(self):
        ff = self.ff
        found = []
        for lookup in ff.gsub_lookups:
            kind, _flags, features = ff.getLookupInfo(lookup)
            if kind == "gsub_single" and any(f[0] == "vert" for f in features):
                found += ff.getLookupSubtables(lookup)
        return found

    def base_glyph(self, unicode):
        return self.ff[unicode] if unicode in self.ff else None

    def vertical_glyph(self, unicode):
        """The vertical form of a character: the target of its substitution,
        else the glyph named after it."""
        base = self.base_glyph(unicode)
        if base is not None:
            for subtable in self.vert_subtables():
                for sub in base.getPosSub(subtable):
                    if len(sub) > 2 and sub[2] in self.ff:
                        return self.ff[sub[2]]
        name = (base.glyphname if base is not None else fontforge.nameFromUnicode(unicode)) + ".vert"
        return self.ff[name] if name in self.ff else None

    def link_vertical(self, base, vertical):
        subtable = self.vert_subtable()
        current = base.getPosSub(subtable)
        if not any(p[2] == vertical.glyphname for p in current):
            if current:
                base.removePosSub(subtable)
            base.addPosSub(subtable, vertical.glyphname)

    def unlink_vertical(self, base):
        for subtable in self.vert_subtables():
            if base.getPosSub(subtable):
                base.removePosSub(subtable)

    def select(self, code, vertical):
        # A refused code leaves no glyph selected, so the import steps that
        # follow cannot overwrite the glyph chosen before.
        self.glyph = None
        self.selection = None
        char = char_of(code)
        advance = self.full_width // 2 if code <= 0xFF else self.full_width
        self.selection = (ord(char), bool(vertical), advance)
        self.advance = advance
        self.scratch.clear()
        self.scratch.width = advance
        self.glyph = self.scratch

    def current(self):
        if self.glyph is None:
            raise DispatchError(ERR_NO_GLYPH, "グリフが選択されていません。")
        return self.glyph

    def clear_glyph(self):
        glyph = self.current()
        glyph.clear()
        glyph.width = self.advance

    def import_bitmap(self, path):
        glyph = self.current()
        if not os.path.isfile(path):
            raise DispatchError(ERR_BITMAP, "ビットマップ %s が見つかりません。" % path)
        em, bottom, top = self.em, self.box_bottom, self.box_top

        def draw(contours, width, height):
            # The bitmap square becomes the font's em box: x from 0 to the
            # em, y from the bottom to the top of the box.
            sx, sy = em / width, (top - bottom) / height

            def at(p):
                return (p[0] * sx, p[1] * sy + bottom)

            pen = glyph.glyphPen(replace=True)
            for start, segments in contours:
                pen.moveTo(at(start))
                for segment in segments:
                    if segment[0] == "line":
                        pen.lineTo(at(segment[1]))
                    else:
                        pen.curveTo(at(segment[1]), at(segment[2]), at(segment[3]))
                pen.closePath()
            pen = None

        self.traced = None
        try:
            traced = potrace_tracer.trace_bmp(path, draw)
        except (OSError, ValueError, struct.error) as e:
            raise DispatchError(ERR_BITMAP, "ビットマップを読めません: %s" % e)
        if traced:
            self.traced = (glyph, traced)
        else:
            self.import_bitmap_with_program(glyph, path)
        glyph.width = self.advance

    def import_bitmap_with_program(self, glyph, path):
        """Traces any BMP the potrace program reads, through an SVG file."""
        fd, svg = tempfile.mkstemp(prefix="glyphsmith-", suffix=".svg")
        os.close(fd)
        try:
            done = subprocess.run(["potrace", "-b", "svg", "-t", "0", "-o", svg, path],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=30)
            if done.returncode != 0:
                raise DispatchError(ERR_BITMAP, "ビットマップを読めません: %s" %
                                    done.stderr.decode("utf-8", "replace").strip())
            with open(svg, "rb") as f:
                has_path = b"<path" in f.read()
            if has_path:
                glyph.importOutlines(svg)
        except subprocess.TimeoutExpired:
            raise DispatchError(ERR_BITMAP, "ビットマップの変換が終わりません。")
        finally:
            os.unlink(svg)

    def clean_glyph(self):
        glyph = self.current()
        traced, self.traced = self.traced, None
        # Traced contours do not overlap; the rare one that crosses itself is
        # merged, and every point lands on the integer grid TrueType needs.
        if traced is None or traced[0] is not glyph:
            if glyph.foreground and glyph.selfIntersects():
                glyph.removeOverlap()
            glyph.correctDirection()
        elif traced[1].may_cross and glyph.selfIntersects():
            # The tracer's own contours come in TrueType order, tiny holes
            # included (which correctDirection would fill); it also knows
            # when they cannot cross, which spares the dear test.
            glyph.removeOverlap()
            glyph.correctDirection()
        glyph.round()

    def finish_glyph(self):
        glyph = self.current()
        unicode, vertical, advance = self.selection
        quadratic, contours = layer_points(glyph.foreground)
        self.put_glyph(unicode, vertical, advance, glyph.foreground, bool(contours))
        self.note({"op": "glyph", "u": unicode, "v": vertical, "a": advance, "q": quadratic, "c": contours})

    def put_glyph(self, unicode, vertical, advance, layer, drawn):
        """Puts an outline into the font: the one place where glyphs enter it.
        A blank horizontal glyph stays as a space; a blank vertical form is
        taken out, so vertical text shows the character's own glyph."""
        ff = self.ff
        if not vertical:
            base = ff.createChar(unicode)
            base.foreground = layer
            base.width = advance
            base.vwidth = self.em
            existing = self.vertical_glyph(unicode)
            if existing is not None and existing.foreground:
                self.link_vertical(base, existing)
            return
        if not drawn:
            self.remove(unicode, True)
            return
        base = self.base_glyph(unicode)
        target = self.vertical_glyph(unicode)
        if target is None:
            name = (base.glyphname if base is not None else fontforge.nameFromUnicode(unicode)) + ".vert"
            target = ff.createChar(-1, name)
        target.foreground = layer
        target.width = advance
        target.vwidth = self.em
        # A vertical form whose character has no glyph yet waits, unreached,
        # until the character is drawn: an empty glyph for it would hide the
        # character of a fallback font in horizontal text.
        if base is not None:
            self.link_vertical(base, target)

    def remove(self, unicode, vertical):
        ff = self.ff
        target = self.vertical_glyph(unicode)
        base = self.base_glyph(unicode)
        if base is not None:
            self.unlink_vertical(base)
        if target is not None:
            ff.removeGlyph(target)
        if not vertical and base is not None:
            ff.removeGlyph(base)

    def remove_glyph(self, code, vertical):
        unicode = ord(char_of(code))
        self.remove(unicode, vertical)
        self.note({"op": "remove", "u": unicode, "v": bool(vertical)})

    def note(self, record):
        """A change is made: it goes to the journal before it is answered."""
        self.changed = True
        try:
            self.journal.append(record)
        except OSError as e:
            sys.stderr.write("glyphsmith: the journal of %s cannot be written: %s\n" % (self.path or "a new font", e))

    def apply(self, record):
        """Makes one journal record's change again."""
        op = record.get("op")
        if op == "glyph":
            contours = record.get("c") or []
            layer = points_layer(bool(record.get("q")), contours)
            self.put_glyph(int(record["u"]), bool(record.get("v")), int(record["a"]), layer, bool(contours))
            return (int(record["u"]), bool(record.get("v")))
        if op == "remove":
            self.remove(int(record["u"]), bool(record.get("v")))
        elif op == "family":
            self.set_family_name(str(record["value"]), bool(record.get("ja")))
        elif op == "version":
            self.set_version(str(record["value"]))
        elif op == "copyright":
            self.set_copyright(str(record["value"]))
        elif op == "weight":
            self.ff.os2_weight = int(record["value"])
        return None

    def recover(self):
        """Replays the journals that a crash left for this font."""
        glyphs = set()
        applied = False
        for path, fd in font_journal.Journal.candidates(self.path):
            found = font_journal.read_records(fd)
            if found is None:
                # Not a journal: kept aside for a look, never written to.
                sys.stderr.write("glyphsmith: %s is no journal; it is kept as %s.damaged\n" % (path, path))
                with contextlib.suppress(OSError):
                    os.replace(path, path + ".damaged")
                os.close(fd)
                continue
            records, lines = found
            for record in records:
                try:
                    key = self.apply(record)
                except Exception as e:  # a damaged record never stops the font from opening
                    sys.stderr.write("glyphsmith: a journal record of %s was skipped: %s\n" % (path, e))
                    continue
                applied = True
                if key is not None:
                    glyphs.add(key)
            if self.journal.fd is None:
                self.journal.adopt(path, fd)
                continue
            # A second journal of the same font: its changes move into the
            # one kept before it goes.
            try:
                if lines:
                    self.journal.append_raw(lines)
                    self.journal.flush()
                os.unlink(path)
            except OSError as e:
                sys.stderr.write("glyphsmith: the journal %s stays: %s\n" % (path, e))
            os.close(fd)
        self.changed = self.changed or applied
        self.recovered = len(glyphs)

    def repair(self):
        """Takes out what an earlier version of this editor left in fonts:
        empty glyphs of characters that were only passed over, and vertical
        substitutions to empty glyphs. Fonts named by this editor have none,
        so their empty glyphs were made on purpose and stay."""
        if self.sfnt_name(("English (US)", 0x409), "UniqueID").startswith(UNIQUE_ID_PREFIX):
            return
        ff = self.ff
        subtables = self.vert_subtables()
        empty = lambda g: not g.foreground and not g.references
        for glyph in list(ff.glyphs()):
            for subtable in subtables:
                for sub in glyph.getPosSub(subtable):
                    if len(sub) > 2 and sub[2] in ff and empty(ff[sub[2]]):
                        glyph.removePosSub(subtable)
                        if ff[sub[2]].unicode < 0:
                            ff.removeGlyph(ff[sub[2]])
        for glyph in list(ff.glyphs()):
            if glyph.unicode >= 0 and empty(glyph) and not may_be_empty(glyph.unicode):
                ff.removeGlyph(glyph)
        self.draw_notdef()

    # -- queries ----------------------------------------------------------------

    def glyph_codes(self):
        ff = self.ff
        codes = {}
        for glyph in ff.glyphs():
            if glyph.unicode >= 0:
                code = cp932_code(glyph.unicode)
                if code is not None:
                    codes.setdefault(code, [False, False])[0] = True
        vertical = set()
        for subtable in self.vert_subtables():
            for glyph in ff.glyphs():
                if glyph.unicode >= 0 and any(len(s) > 2 and s[2] in ff for s in glyph.getPosSub(subtable)):
                    vertical.add(glyph.unicode)
        for glyph in ff.glyphs():
            if glyph.glyphname.endswith(".vert") and glyph.unicode < 0:
                unicode = fontforge.unicodeFromName(glyph.glyphname[:-5])
                if unicode >= 0 and glyph.foreground:
                    vertical.add(unicode)
        for unicode in vertical:
            code = cp932_code(unicode)
            if code is not None:
                codes.setdefault(code, [False, False])[1] = True
        out = []
        for code in sorted(codes):
            if codes[code][0]:
                out.append("%X" % code)
            if codes[code][1]:
                out.append("%Xv" % code)
        return " ".join(out)

    def glyph_outline(self, code, vertical):
        unicode = ord(char_of(code))
        glyph = self.vertical_glyph(unicode) if vertical else self.base_glyph(unicode)
        return outline_text(glyph) if glyph is not None else ""

    def metrics(self):
        return "%d %d %d %d" % (self.em, self.box_top, -self.box_bottom, self.full_width)

    # -- files --------------------------------------------------------------------

    def write(self, path):
        """Writes the font to path through a temporary file in the same
        folder, so the file there is always a whole font, old or new."""
        folder, name = os.path.split(os.path.abspath(path))
        shown = os.path.abspath(path)
        temporary = os.path.join(folder, ".%s.%d.tmp.ttf" % (name, os.getpid()))
        try:
            if os.path.isdir(path):
                raise IsADirectoryError(errno.EISDIR, "is a folder", path)
            if os.path.exists(path) and not os.access(path, os.W_OK):
                raise DispatchError(ERR_SAVE, "フォント %s を保存できませんでした。\n原因：ファイルが書き込み禁止になっています。"
                                    % shown)
            # Made here first, so that a missing folder or a refused
            # permission is told apart from a failure of the font writer.
            fd = os.open(temporary, os.O_WRONLY | os.O_CREAT | os.O_TRUNC | os.O_CLOEXEC, 0o644)
            os.close(fd)
            # The writer adds a .null glyph of no height unless there is one;
            # made here it is one em high, and mapped from U+0000 as in the
            # classic TrueType fonts (its unicode cannot be unset safely).
            null = self.ff[".null"] if ".null" in self.ff else self.ff.createChar(-1, ".null")
            if null.vwidth != self.em:
                null.width = 0
                null.vwidth = self.em
            if not self.ff.hasvmetrics:
                # Vertical metrics for a font that had none: one em each.
                self.ff.hasvmetrics = True
                for glyph in self.ff.glyphs():
                    glyph.vwidth = self.em
            try:
                self.ff.generate(temporary, flags=("opentype", "no-FFTM-table"))
                whole = finish_written_font(temporary, self.em)
            except (EnvironmentError, OSError):
                whole = False
            if not whole:
                space = os.statvfs(folder)
                if space.f_bavail * space.f_frsize < 16 * 1024 * 1024:
                    raise OSError(errno.ENOSPC, "disk full")
                raise OSError(None, "the font was not written whole")
            fd = os.open(temporary, os.O_RDONLY | os.O_CLOEXEC)
            try:
                os.fsync(fd)  # a full disk shows here at the latest
            finally:
                os.close(fd)
            os.replace(temporary, path)
            with contextlib.suppress(OSError):
                fd = os.open(folder, os.O_RDONLY | os.O_DIRECTORY | os.O_CLOEXEC)
                try:
                    os.fsync(fd)
                finally:
                    os.close(fd)
        except OSError as e:
            with contextlib.suppress(OSError):
                os.unlink(temporary)
            raise DispatchError(ERR_SAVE, "フォント %s を保存できませんでした。\n原因：%s"
                                % (shown, save_failure_reason(e, folder, shown)))
        except DispatchError:
            with contextlib.suppress(OSError):
                os.unlink(temporary)
            raise
        font_journal.Journal.clear_stale(path)

    def save_to(self, path):
        if not path:
            raise DispatchError(ERR_NO_FILE, "フォントにはまだファイルがありません。")
        before = self.ff.version
        if self.ff.version == self.saved_version:
            grown = next_version(self.ff.version)
            if grown:
                self.ff.version = grown
                self.sync_version()
        try:
            self.write(path)
        except DispatchError:
            self.ff.version = before
            self.sync_version()
            raise
        self.saved_version = self.ff.version
        self.changed = False
        if os.path.abspath(path) != os.path.abspath(self.path or ""):
            self.journal.move_to(path)
        else:
            self.journal.discard()
        self.path = path

    def save_as(self, path):
        renamed = False
        if not self.named_by_user:
            stem = os.path.splitext(os.path.basename(path))[0] or FAMILY
            self.set_names(stem, stem)
            renamed = True
        try:
            self.save_to(path)
        except DispatchError:
            if renamed:
                self.set_names(FAMILY, FAMILY_JA)
            raise
        self.named_by_user = True


def user_name():
    try:
        entry = pwd.getpwuid(os.getuid())
        return entry.pw_gecos.split(",")[0] or entry.pw_name
    except (KeyError, OSError):
        return os.environ.get("USER", "")


class Editor:
    def __init__(self):
        self.objects = {}
        self.next_handle = APP_HANDLE + 1
        self.active = None
        self.start_flag = False
        self.preserved = {}

    def handle_of(self, font):
        for handle, obj in self.objects.items():
            if obj is font:
                return handle
        handle = self.next_handle
        self.next_handle += 1
        self.objects[handle] = font
        return handle

    def font_value(self, font):
        return value("object", self.handle_of(font) if font is not None else None)

    def invoke(self, handle, dispid, kind, args):
        if handle == APP_HANDLE:
            return self.invoke_app(dispid, kind, args)
        font = self.objects.get(handle)
        if font is None:
            raise Failure("unknown object %r" % handle)
        return self.invoke_font(font, dispid, kind, args)

    def invoke_app(self, dispid, kind, args):
        if (dispid, kind) == (4, "get"):
            return value("string", VERSION)
        if (dispid, kind) == (7, "put"):
            self.start_flag = bool(arg(args, 0, "bool"))
            return value("empty")
        if (dispid, kind) == (7, "get"):
            return value("bool", self.start_flag)
        if (dispid, kind) == (12, "get"):
            return self.font_value(self.active)
        if (dispid, kind) == (13, "method"):
            arg(args, 0, "short")
            arg(args, 1, "bool")
            self.active = Font.new()
            return self.font_value(self.active)
        if (dispid, kind) == (14, "method"):
            path = text_arg(args, 0)
            try:
                self.active = Font.open(path)
            except (EnvironmentError, OSError, TypeError):
                return self.font_value(None)
            return self.font_value(self.active)
        if (dispid, kind) == (22, "method"):
            if self.active is None:
                raise DispatchError(ERR_NO_GLYPH, "フォントが開かれていません。")
            self.active.clean_glyph()
            return value("empty")
        raise Failure("application has no member %d (%s)" % (dispid, kind))

    def invoke_font(self, font, dispid, kind, args):
        if (dispid, kind) == (2, "get"):
            return value("string", font.path)
        if (dispid, kind) == (7, "get"):
            return value("short", font.ff.os2_weight)
        if (dispid, kind) == (7, "put"):
            weight = int(arg(args, 0, "short"))
            if weight != font.ff.os2_weight:
                font.ff.os2_weight = weight
                font.note({"op": "weight", "value": weight})
            return value("empty")
        if (dispid, kind) == (17, "method"):
            arg(args, 0, "short")
            font.select(int(arg(args, 1, "long")), bool(arg(args, 2, "bool")))
            return value("empty")
        if (dispid, kind) == (20, "method"):
            font.save_to(font.path)
            return value("empty")
        if (dispid, kind) == (29, "method"):
            font.clear_glyph()
            return value("empty")
        if (dispid, kind) == (37, "method"):
            font.current().width = font.advance
            return value("empty")
        if (dispid, kind) == (39, "method"):
            font.import_bitmap(arg(args, 0, "string"))
            return value("empty")
        if (dispid, kind) == (31, "method"):
            font.finish_glyph()
            return value("empty")
        if (dispid, kind) == (40, "method"):
            font.save_as(text_arg(args, 0))
            return value("empty")
        return self.invoke_font_later(font, dispid, kind, args)

    def invoke_font_later(self, font, dispid, kind, args):
        """The members numbered from 100."""
        if (dispid, kind) == (100, "get"):
            return value("string", font.glyph_codes())
        if (dispid, kind) == (101, "method"):
            return value("string", font.glyph_outline(int(arg(args, 0, "long")), bool(arg(args, 1, "bool"))))
        if (dispid, kind) == (102, "method"):
            font.remove_glyph(int(arg(args, 0, "long")), bool(arg(args, 1, "bool")))
            return value("empty")
        if (dispid, kind) == (103, "method"):
            path = text_arg(args, 0)
            if not path:
                raise DispatchError(ERR_SAVE, "保存先のファイル名がありません。")
            font.write(path)
            return value("empty")
        names = {104: "family", 105: "family_ja", 106: "version", 107: "copyright"}
        if dispid in names and kind == "get":
            return value("string", {104: lambda: font.family_name(False), 105: lambda: font.family_name(True),
                                    106: lambda: font.ff.version or "",
                                    107: lambda: font.ff.copyright or ""}[dispid]())
        if dispid in names and kind == "put":
            text = text_arg(args, 0)
            if dispid in (104, 105):
                font.set_family_name(text, dispid == 105)
                font.note({"op": "family", "value": text, "ja": dispid == 105})
            elif dispid == 106:
                font.set_version(text)
                font.note({"op": "version", "value": text})
            else:
                font.set_copyright(text)
                font.note({"op": "copyright", "value": text})
            return value("empty")
        if (dispid, kind) == (108, "get"):
            return value("string", font.metrics())
        if (dispid, kind) == (109, "get"):
            return value("long", font.recovered)
        raise Failure("font has no member %d (%s)" % (dispid, kind))

    def save_before_leaving(self):
        """The last client went without the save at exit: fonts that have a
        file and changes are saved now. What cannot be saved stays in the
        journal."""
        for font in list(self.objects.values()):
            if font.changed and font.path:
                try:
                    font.save_to(font.path)
                except DispatchError as e:
                    sys.stderr.write("glyphsmith: %s\n" % e.description)
            font.journal.flush()

    def answer(self, line):
        try:
            request = json.loads(line)
        except ValueError:
            return {"id": None, "failure": "the request is not JSON"}
        if not isinstance(request, dict):
            return {"id": None, "failure": "the request is not a JSON object"}
        if request.get("op") != "invoke":
            return None  # "release" and unknown notifications need no answer
        reply = {"id": request.get("id")}
        try:
            args = request.get("args") or []
            if not isinstance(args, list):
                raise Failure("args must be a list")
            reply["result"] = self.invoke(request.get("object"), request.get("dispid"),
                                          request.get("kind"), args)
        except DispatchError as e:
            reply = {"id": request.get("id"), "error": {"code": e.code, "description": e.description}}
        except Failure as e:
            reply = {"id": request.get("id"), "failure": str(e)}
        except Exception as e:  # the editor stays up whatever one call does
            traceback.print_exc()
            reply = {"id": request.get("id"), "failure": "%s: %s" % (type(e).__name__, e)}
        return reply


def default_socket_path():
    folder = os.environ.get("XDG_RUNTIME_DIR") or "/tmp/runtime-%s" % os.environ.get("USER", str(os.getuid()))
    return os.path.join(folder, PROG_ID)


def listen(path):
    folder = os.path.dirname(path)
    os.makedirs(folder, mode=0o700, exist_ok=True)
    info = os.stat(folder)
    if info.st_uid != os.getuid() or info.st_mode & 0o077:
        # Another user could reach or replace a socket in a shared folder.
        sys.stderr.write("glyphsmith: %s is not a private folder of this user\n" % folder)
        sys.exit(1)
    probe = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    try:
        probe.connect(path)
        sys.stderr.write("glyphsmith: another editor already listens on %s\n" % path)
        sys.exit(1)
    except (FileNotFoundError, ConnectionRefusedError):
        if os.path.exists(path):
            os.unlink(path)  # left behind by an editor that died
    finally:
        probe.close()
    server = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    server.bind(path)
    server.listen(8)
    return server


# A client's next call mostly comes within microseconds of an answer, while a
# process asleep takes tens of microseconds to wake on another processor
# (some 60 on a virtual machine), several times the work of a short call. So
# with processors to spare the editor looks for the next call for a moment
# before it sleeps; alone on one it would only keep the client waiting.
SPIN_SECONDS = 0.0002 if len(os.sched_getaffinity(0)) > 1 else 0.0


def wait_readable(socks):
    """The sockets of socks that can be read, after waiting as long as it takes."""
    if SPIN_SECONDS:
        end = time.perf_counter() + SPIN_SECONDS
        while True:
            readable, _, _ = select.select(socks, [], [], 0)
            if readable:
                return readable
            if time.perf_counter() >= end:
                break
    readable, _, _ = select.select(socks, [], [])
    return readable


def serve_client(editor, sock, clients):
    """Answers the complete lines a client sent; False when it is gone."""
    try:
        data = sock.recv(65536)
        if not data or len(clients[sock]) > MAX_LINE:
            return False
        *lines, clients[sock] = (clients[sock] + data).split(b"\n")
        for line in lines:
            reply = editor.answer(line)
            if reply is not None:
                sock.sendall(json.dumps(reply, ensure_ascii=False).encode("utf-8") + b"\n")
    except OSError:
        return False
    return True


def accept_waiting(server, clients):
    """Takes every connection already waiting on the listening socket."""
    server.setblocking(False)
    try:
        while True:
            conn, _ = server.accept()
            conn.setblocking(True)
            clients[conn] = b""
    except (BlockingIOError, InterruptedError):
        pass
    finally:
        server.setblocking(True)


def serve(path):
    editor = Editor()
    server = listen(path)
    clients = {}
    reachable = True
    try:
        while True:
            for sock in wait_readable([server] + list(clients)):
                if sock is server:
                    conn, _ = server.accept()
                    clients[conn] = b""
                    continue
                if not serve_client(editor, sock, clients):
                    del clients[sock]
                    sock.close()
            # A server started for a client ends with its last client. The
            # socket's name goes first, so a client arriving now launches a
            # new editor; one that connected just before is still served.
            if editor.start_flag and not clients:
                if reachable:
                    # The client that started this server may already have
                    # removed its private runtime folder, socket and all.
                    with contextlib.suppress(FileNotFoundError):
                        os.unlink(path)
                    reachable = False
                accept_waiting(server, clients)
                if clients:
                    continue
                editor.save_before_leaving()
                accept_waiting(server, clients)
                if not clients:
                    return
    finally:
        server.close()
        if reachable:
            with contextlib.suppress(FileNotFoundError):
                os.unlink(path)


def main(argv):
    path = default_socket_path()
    if "--socket" in argv:
        path = argv[argv.index("--socket") + 1]
    serve(path)
    # FontForge takes a long while (seconds for a large font) to take apart
    # every font it holds when its interpreter ends, and the client waits
    # for this process to be gone. Everything worth keeping is saved, or
    # written to a journal, by now.
    sys.stdout.flush()
    sys.stderr.flush()
    os._exit(0)


if __name__ == "__main__":
    main(sys.argv[1:])
