"""Glyphsmith: the font editor that Quillery drives by automation.

Runs inside FontForge's interpreter:

    fontforge -lang=py -script glyphsmith_server.py [--socket PATH]

It listens on a Unix socket (by default "Glyphsmith.Application" in the
user's runtime folder) and answers one JSON object per line; docs/automation.md
describes the protocol and every dispatch number.
"""

import contextlib
import json
import os
import select
import socket
import struct
import subprocess
import sys
import tempfile
import traceback

import fontforge

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import potrace_tracer  # noqa: E402

PROG_ID = "Glyphsmith.Application"
VERSION = "3.10 (FontForge %s)" % fontforge.version()
APP_HANDLE = 1

EM = 1024
ASCENT = 880
DESCENT = 144
FULL_WIDTH = 1024
HALF_WIDTH = 512
FAMILY = "Glyphsmith Hand"
FAMILY_JA = "グリフスミス手書き"

# Dispatch exception codes of this editor.
ERR_BAD_CHAR_CODE = 2006
ERR_NO_GLYPH = 2007
ERR_BITMAP = 2008
ERR_NO_FILE = 2010
ERR_SAVE = 2011

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


def arg(args, index, kind):
    if index >= len(args) or not isinstance(args[index], dict):
        raise Failure("argument %d missing" % (index + 1))
    value = args[index]
    if value.get("type") != kind:
        raise Failure("argument %d: type mismatch, %s expected" % (index + 1, kind))
    return value.get("value")


def value(kind, v=None):
    return {"type": kind} if kind == "empty" else {"type": kind, "value": v}


class Font:
    """One font open in the editor, with the file it belongs to."""

    def __init__(self, ff, path):
        self.ff = ff
        self.path = path  # empty until the font has a file
        self.glyph = None
        self.advance = FULL_WIDTH
        self.named_by_user = bool(path)
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
        font.set_metrics()
        notdef = ff.createChar(-1, ".notdef")
        notdef.width = FULL_WIDTH
        return font

    @classmethod
    def open(cls, path):
        ff = fontforge.open(path)
        ff.encoding = "UnicodeFull"
        # A .ttf opens with quadratic outlines; traced outlines are cubic and
        # are converted once, when the font is written.
        ff.is_quadratic = False
        font = cls(ff, path)
        font.set_metrics()
        return font

    def set_names(self, family, family_ja):
        ff = self.ff
        postscript = "".join(c for c in family if c.isascii() and c.isalnum()) or "GlyphsmithHand"
        ff.familyname = family
        ff.fontname = postscript + "-Regular"
        ff.fullname = family + " Regular"
        ff.weight = "Regular"
        ff.copyright = ""
        ff.version = "1.000"
        names = [n for n in ff.sfnt_names if n[0] not in ("Japanese", 0x411)]
        ff.sfnt_names = tuple(names)
        ff.appendSFNTName("English (US)", "Family", family)
        ff.appendSFNTName("English (US)", "SubFamily", "Regular")
        ff.appendSFNTName("English (US)", "Fullname", family + " Regular")
        ff.appendSFNTName("English (US)", "PostScriptName", postscript + "-Regular")
        ff.appendSFNTName("Japanese", "Family", family_ja)
        ff.appendSFNTName("Japanese", "SubFamily", "Regular")
        ff.appendSFNTName("Japanese", "Fullname", family_ja + " Regular")

    def set_metrics(self):
        ff = self.ff
        ff.os2_fstype = 0  # installable embedding
        ff.os2_codepages = (ff.os2_codepages[0] | (1 << 17) | 1, ff.os2_codepages[1])
        for name, v in (("os2_winascent", ASCENT), ("os2_windescent", DESCENT),
                        ("os2_typoascent", ASCENT), ("os2_typodescent", -DESCENT),
                        ("hhea_ascent", ASCENT), ("hhea_descent", -DESCENT)):
            setattr(ff, name + "_add", False)
            setattr(ff, name, v)
        ff.os2_typolinegap = 0
        ff.hhea_linegap = 0
        ff.os2_use_typo_metrics = True

    def vert_subtable(self):
        """The single-substitution subtable behind the font's 'vert' feature."""
        ff = self.ff
        for lookup in ff.gsub_lookups:
            kind, _flags, features = ff.getLookupInfo(lookup)
            if kind == "gsub_single" and any(f[0] == "vert" for f in features):
                subtables = ff.getLookupSubtables(lookup)
                if subtables:
                    return subtables[0]
                ff.addLookupSubtable(lookup, lookup + "-1")
                return lookup + "-1"
        scripts = (("DFLT", ("dflt",)), ("hani", ("dflt",)), ("kana", ("dflt",)), ("latn", ("dflt",)))
        ff.addLookup("vert", "gsub_single", None, (("vert", scripts),))
        ff.addLookupSubtable("vert", "vert-1")
        return "vert-1"

    def select(self, code, vertical):
        # A refused code leaves no glyph selected, so the import steps that
        # follow cannot overwrite the glyph chosen before.
        self.glyph = None
        char = cp932_char(code)
        if char is None:
            raise DispatchError(ERR_BAD_CHAR_CODE, "文字コード 0x%X は使えません。" % (code & 0xFFFFFFFF))
        self.advance = HALF_WIDTH if code <= 0xFF else FULL_WIDTH
        existed = ord(char) in self.ff
        base = self.ff.createChar(ord(char))
        # An empty glyph whose width was never set is left out of the file.
        if not existed:
            base.width = self.advance
        if not vertical:
            self.glyph = base
            return
        name = base.glyphname + ".vert"
        glyph = self.ff.createChar(-1, name)
        glyph.width = self.advance
        subtable = self.vert_subtable()
        current = [p for p in base.getPosSub(subtable)]
        if not any(p[2] == name for p in current):
            if current:
                base.removePosSub(subtable)
            base.addPosSub(subtable, name)
        self.glyph = glyph

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

        def draw(contours, width, height):
            # The bitmap square becomes the em square: x from 0 to the em,
            # y from -descent to ascent.
            sx, sy = EM / width, EM / height

            def at(p):
                return (p[0] * sx, p[1] * sy - DESCENT)

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
        glyph.width = self.advance
        glyph.changed = True

    def save_to(self, path):
        if not path:
            raise DispatchError(ERR_NO_FILE, "フォントにはまだファイルがありません。")
        folder, name = os.path.split(os.path.abspath(path))
        temporary = os.path.join(folder, ".%s.%d.tmp.ttf" % (name, os.getpid()))
        try:
            self.ff.generate(temporary, flags=("opentype", "no-FFTM-table"))
            os.replace(temporary, path)
        except (EnvironmentError, OSError) as e:
            if os.path.exists(temporary):
                os.unlink(temporary)
            raise DispatchError(ERR_SAVE, "フォント %s を保存できません: %s" % (path, e))
        self.path = path

    def save_as(self, path):
        if not self.named_by_user:
            stem = os.path.splitext(os.path.basename(path))[0] or FAMILY
            self.set_names(stem, stem)
            self.named_by_user = True
        self.save_to(path)


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
            path = arg(args, 0, "string")
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
            font.ff.os2_weight = int(arg(args, 0, "short"))
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
            font.save_as(arg(args, 0, "string"))
            return value("empty")
        raise Failure("font has no member %d (%s)" % (dispid, kind))

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
            readable, _, _ = select.select([server] + list(clients), [], [])
            for sock in readable:
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


if __name__ == "__main__":
    main(sys.argv[1:])
