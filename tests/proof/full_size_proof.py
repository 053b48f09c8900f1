"""Full-size proof: builds a font from a complete set of stroke files and
checks it with fontTools, fontconfig and FreeType.

Writes synthetic handwriting (a few curved strokes per character, the same
on every run) for the two-byte kana and the first kanji level of code page
932, plus the vertical forms of the kana that have one; replays the folder
with quillery-autocreate at 512 dots with the 30-dot tip into a new font; then
checks that

- fontTools decodes every table of the font without logging a warning,
- every character is in the cmap and its glyph has contours,
- every vertical form is reached through the 'vert' feature and has contours,
- every glyph, vertical forms included, has the box of its own strokes,
- the OpenType Sanitizer (ots-sanitize) accepts the font,
- every glyph is one em high in vertical writing, measured from the top of
  the em box; .notdef draws a box; the names are there, the PostScript name
  valid; hhea, typographic and Windows metrics give the same line height,
- the font keeps what every font Quillery makes has: its spaces, both
  twins of a code, a vertical form for every drawn character of the
  vertical table that has one, one line height in every program,
- fc-scan accepts the font and lists every character in its charset,
- FreeType renders a line of text with ink in every glyph.

and that quillery-autocreate and the editor it starts both end by themselves
with status 0 and without a Python traceback in their output.

It reports the wall time, the characters per second and the peak resident
memory (VmHWM) of quillery-autocreate and of every process it starts, and
exits non-zero when a step or a check fails. --count N replays an evenly
spread selection of N characters instead of all of them.
"""

import argparse
import json
import logging
import math
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import threading
import time
import zlib

from fontTools.pens.boundsPen import BoundsPen
from fontTools.ttLib import TTFont

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fonteditor"))
from check_font import house_problems  # noqa: E402

CANVAS = 512
TIP_30_DOTS = 2
SEED = 8
TIP_RADIUS = 15
# The editor puts the canvas bottom this many em/1024 below the baseline.
BASELINE = 144 * CANVAS / 1024
BOX_TOLERANCE = 8

# Kana whose vertical-writing form differs: the small kana and the long
# vowel mark (which lies outside the kana rows, so it is added to them).
VERTICAL_KANA = "ぁぃぅぇぉっゃゅょゎァィゥェォッャュョヮヵヶー"
LONG_VOWEL_MARK = 0x815B


def cp932_range(first, last):
    """The defined two-byte codes from first to last, in code order."""
    codes = []
    for code in range(first, last + 1):
        lead, trail = code >> 8, code & 0xFF
        if trail < 0x40 or trail == 0x7F or trail > 0xFC:
            continue
        try:
            char = bytes([lead, trail]).decode("cp932")
        except UnicodeDecodeError:
            continue
        codes.append((code, char))
    return codes


def all_characters():
    chars = cp932_range(0x829F, 0x82F1) + cp932_range(0x8340, 0x8396)
    chars.append((LONG_VOWEL_MARK, bytes([0x81, 0x5B]).decode("cp932")))
    chars += cp932_range(0x889F, 0x9872)
    return chars


def select(chars, count):
    """count characters spread evenly over the list, always with some
    vertical forms among them."""
    if count <= 0 or count >= len(chars):
        return chars
    picked = {c[0]: c for c in chars if c[1] in "ぁッー"}
    step = len(chars) / count
    for i in range(count):
        if len(picked) == count:
            break
        picked.setdefault(chars[int(i * step)][0], chars[int(i * step)])
    return [picked[k] for k in sorted(picked)]


# --- synthetic handwriting -------------------------------------------------

def bezier(p0, p1, p2, p3, t):
    u = 1 - t
    return (u ** 3 * p0[0] + 3 * u * u * t * p1[0] + 3 * u * t * t * p2[0] + t ** 3 * p3[0],
            u ** 3 * p0[1] + 3 * u * u * t * p1[1] + 3 * u * t * t * p2[1] + t ** 3 * p3[1])


def stroke(rng):
    """One pen stroke as pointer positions: a cubic curve through the
    character's box, sampled at the uneven steps of a moving hand."""
    margin = 70
    inside = lambda: (rng.uniform(margin, CANVAS - margin), rng.uniform(margin, CANVAS - margin))
    start = inside()
    kind = rng.random()
    if kind < 0.35:      # a nearly horizontal bar
        end = (start[0] + rng.uniform(120, 330), start[1] + rng.uniform(-25, 25))
    elif kind < 0.65:    # a nearly vertical stem
        end = (start[0] + rng.uniform(-25, 25), start[1] + rng.uniform(120, 330))
    else:                # a sweep
        end = inside()
    end = (min(max(end[0], margin), CANVAS - margin), min(max(end[1], margin), CANVAS - margin))
    bend = lambda: (rng.uniform(-90, 90), rng.uniform(-90, 90))
    c1 = (start[0] + (end[0] - start[0]) / 3 + bend()[0], start[1] + (end[1] - start[1]) / 3 + bend()[1])
    c2 = (start[0] + 2 * (end[0] - start[0]) / 3 + bend()[0], start[1] + 2 * (end[1] - start[1]) / 3 + bend()[1])
    length = math.dist(start, c1) + math.dist(c1, c2) + math.dist(c2, end)
    points = []
    t = 0.0
    while True:
        x, y = bezier(start, c1, c2, end, min(t, 1.0))
        p = (int(round(x + rng.uniform(-1, 1))), int(round(y + rng.uniform(-1, 1))))
        if not points or p != points[-1]:
            points.append(p)
        if t >= 1.0:
            return points
        t += rng.uniform(3, 11) / max(length, 1.0)


def strokes_for(code, vertical):
    rng = random.Random(SEED * 65536 + code)
    kana = code < 0x8800
    count = rng.randint(2, 4) if kana else rng.randint(4, 9)
    strokes = [stroke(rng) for _ in range(count)]
    if vertical:
        if code == LONG_VOWEL_MARK:
            strokes = [[(y, x) for x, y in s] for s in strokes]
        else:  # small kana sit towards the upper right in vertical writing
            strokes = [[(x + 40, y - 40) for x, y in s] for s in strokes]
    return strokes


def recorded_on(canvas, strokes):
    """The same strokes as a hand would have left them on a canvas of that
    side: the pointer positions scaled down and rounded."""
    if canvas == CANVAS:
        return strokes
    scaled = []
    for points in strokes:
        kept = []
        for x, y in points:
            p = (int(round(x * canvas / CANVAS)), int(round(y * canvas / CANVAS)))
            if not kept or p != kept[-1]:
                kept.append(p)
        scaled.append(kept)
    return scaled


def encode(unit, vertical, strokes, canvas=CANVAS):
    out = bytearray(b"strk")
    out += struct.pack("<hHhhhh", 2, unit, 1 if vertical else 0, canvas, canvas, len(strokes))
    for points in strokes:
        out += struct.pack("<hhh", len(points), points[0][0], points[0][1])
        for (px, py), (x, y) in zip(points, points[1:]):
            out += struct.pack("<bb", x - px, y - py)
    return bytes(out)


def write_strokes(folder, chars, canvas=CANVAS):
    """Writes one file per character and per vertical form, recorded on a
    canvas of the given side; returns the vertical characters written."""
    os.makedirs(folder)
    vertical = []
    for code, char in chars:
        unit = ord(char)
        forms = [False] + ([True] if char in VERTICAL_KANA else [])
        for is_vertical in forms:
            name = "U%04X%s.stk" % (unit, "縦" if is_vertical else "")
            with open(os.path.join(folder, name), "wb") as f:
                strokes = recorded_on(canvas, strokes_for(code, is_vertical))
                f.write(encode(unit, is_vertical, strokes, canvas))
        if char in VERTICAL_KANA:
            vertical.append(char)
    return vertical


# --- running with memory sampling ------------------------------------------

def read_status(pid):
    fields = {}
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                key, _, value = line.partition(":")
                fields[key] = value.strip()
    except OSError:
        return None
    return fields


def cpu_seconds(pid):
    try:
        with open("/proc/%d/stat" % pid) as f:
            fields = f.read().rpartition(")")[2].split()
    except OSError:
        return 0.0
    # utime and stime, the 14th and 15th fields, counted after the name
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def children(pid):
    found = []
    try:
        for task in os.listdir("/proc/%d/task" % pid):
            with open("/proc/%d/task/%s/children" % (pid, task)) as f:
                found += [int(p) for p in f.read().split()]
    except OSError:
        pass
    return found


def descendants(pid):
    found, todo = [], children(pid)
    while todo:
        current = todo.pop()
        found.append(current)
        todo += children(current)
    return found


def become_subreaper():
    """The editor is started detached; as a subreaper this script becomes its
    parent, so that it can be measured and its exit status seen."""
    import ctypes
    PR_SET_CHILD_SUBREAPER = 36
    libc = ctypes.CDLL(None, use_errno=True)
    if libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) != 0:
        raise OSError(ctypes.get_errno(), "prctl(PR_SET_CHILD_SUBREAPER)")


def reap_rest(grace):
    """Waits up to grace seconds for the processes the run left behind;
    returns (pid, exit code) for each, -9 for one that had to be killed."""
    ended = []
    deadline = time.monotonic() + grace
    while True:
        try:
            pid, status = os.waitpid(-1, os.WNOHANG)
        except ChildProcessError:
            return ended
        if pid:
            ended.append((pid, os.waitstatus_to_exitcode(status)))
            continue
        if time.monotonic() > deadline:
            for pid in children(os.getpid()):
                os.kill(pid, 9)
                os.waitpid(pid, 0)
                ended.append((pid, -9))
            return ended
        time.sleep(0.05)


class MemorySampler(threading.Thread):
    """Reads VmHWM, the peak resident size, of a process tree every few
    milliseconds until stopped; VmHWM only grows, so the last reading before a
    process exits is its peak."""

    def __init__(self, pid, interval=0.02):
        super().__init__(daemon=True)
        self.pid, self.interval = pid, interval
        self.peaks = {}  # pid -> [name, peak KiB, CPU seconds]
        self.stopping = threading.Event()

    def run(self):
        while not self.stopping.is_set():
            for pid in descendants(self.pid):
                status = read_status(pid)
                if status and "VmHWM" in status:
                    kib = int(status["VmHWM"].split()[0])
                    entry = self.peaks.setdefault(pid, [status.get("Name", "?"), 0, 0.0])
                    # A process seen between fork and exec has its parent's name.
                    entry[0] = status.get("Name", entry[0])
                    entry[1] = max(entry[1], kib)
                    entry[2] = max(entry[2], cpu_seconds(pid))
            self.stopping.wait(self.interval)


def run_autocreate(autocreate, folder, ttf, workdir, timeout):
    env = dict(os.environ)
    # Settings, the error log and the editor's runtime files stay in the
    # work folder, away from the user's own.
    home = os.path.join(workdir, "home")
    os.makedirs(home, exist_ok=True)
    env.update(HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
               XDG_DATA_HOME=os.path.join(home, ".local", "share"))
    env.pop("XDG_RUNTIME_DIR", None)
    log_path = os.path.join(workdir, "autocreate.log")
    command = [autocreate, "--size", str(CANVAS), "--tip", str(TIP_30_DOTS), "--font", ttf, folder]
    with open(log_path, "wb") as log:
        started = time.monotonic()
        process = subprocess.Popen(command, stdout=log, stderr=subprocess.STDOUT, env=env)
        sampler = MemorySampler(os.getpid())
        sampler.start()
        try:
            process.wait(timeout)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
        wall = time.monotonic() - started
        # The editor ends with its last client and saves nothing more; give
        # it a moment, then any process still there is a fault.
        leftovers = reap_rest(20)
        sampler.stopping.set()
        sampler.join()
    return process.returncode, wall, sampler.peaks, log_path, leftovers


# --- checks --------------------------------------------------------------

class Collect(logging.Handler):
    def __init__(self):
        super().__init__(logging.WARNING)
        self.records = []

    def emit(self, record):
        self.records.append(record.getMessage())


def vert_mapping(font):
    mapping = {}
    if "GSUB" not in font:
        return mapping
    gsub = font["GSUB"].table
    for record in gsub.FeatureList.FeatureRecord:
        if record.FeatureTag != "vert":
            continue
        for index in record.Feature.LookupListIndex:
            for sub in gsub.LookupList.Lookup[index].SubTable:
                sub = getattr(sub, "ExtSubTable", sub)
                mapping.update(getattr(sub, "mapping", {}) or {})
    return mapping


def check_font_tools(ttf, chars, vertical):
    failures = []
    collect = Collect()
    logger = logging.getLogger("fontTools")
    logger.addHandler(collect)
    try:
        font = TTFont(ttf)
        for tag in font.keys():
            font[tag]
        font.ensureDecompiled()
    finally:
        logger.removeHandler(collect)
    if collect.records:
        failures.append("fontTools warnings: %s" % collect.records[:5])
    cmap = font.getBestCmap()
    glyf = font["glyf"]
    has_contours = lambda name: name in glyf and glyf[name].numberOfContours != 0
    missing = [c for _, c in chars if ord(c) not in cmap]
    empty = [c for _, c in chars if ord(c) in cmap and not has_contours(cmap[ord(c)])]
    if missing:
        failures.append("%d characters not in the cmap: %s" % (len(missing), "".join(missing[:40])))
    if empty:
        failures.append("%d characters with empty glyphs: %s" % (len(empty), "".join(empty[:40])))
    vert = vert_mapping(font)
    bad_vert = [c for c in vertical
                if ord(c) not in cmap or vert.get(cmap[ord(c)]) in (None, cmap[ord(c)])
                or not has_contours(vert[cmap[ord(c)]])]
    if bad_vert:
        failures.append("vertical forms missing from 'vert': %s" % "".join(bad_vert))
    if missing or empty or bad_vert:
        return failures, len(font.getGlyphOrder())

    # Each glyph must be the drawing of its own stroke file: its box is that
    # of the strokes widened by the tip, give or take the tracing.
    scale = font["head"].unitsPerEm / CANVAS
    glyphs = font.getGlyphSet()
    wrong = []
    for code, char in chars:
        for is_vertical in [False] + ([True] if char in VERTICAL_KANA else []):
            name = cmap[ord(char)]
            name = vert[name] if is_vertical else name
            # The outline's own bounds: the glyph's stored box also takes in
            # the off-curve points, which may lie well outside it.
            pen = BoundsPen(glyphs)
            glyphs[name].draw(pen)
            x0, y0, x1, y1 = pen.bounds
            box = (x0 / scale, y0 / scale + BASELINE, x1 / scale, y1 / scale + BASELINE)
            expected = drawn_box(strokes_for(code, is_vertical))
            if max(abs(a - b) for a, b in zip(box, expected)) > BOX_TOLERANCE:
                wrong.append("%s%s" % (char, "(縦)" if is_vertical else ""))
    if wrong:
        failures.append("%d glyphs unlike their strokes: %s" % (len(wrong), "".join(wrong[:40])))
    return failures, len(font.getGlyphOrder())


def check_sanitizer(ttf):
    done = subprocess.run(["ots-sanitize", ttf, os.devnull], capture_output=True, text=True, timeout=300)
    if done.returncode != 0:
        return ["ots-sanitize refused the font: %s" % (done.stdout + done.stderr).strip()[-1000:]]
    return []


def check_tables(ttf):
    """Vertical metrics, .notdef, names and line spacing."""
    failures = []
    font = TTFont(ttf)
    em = font["head"].unitsPerEm
    os2, hhea = font["OS/2"], font["hhea"]
    top = os2.sTypoAscender
    if "vmtx" not in font or "vhea" not in font:
        return ["no vertical metrics"]
    glyf, vmtx = font["glyf"], font["vmtx"]
    wrong = [name for name in font.getGlyphOrder()
             if vmtx[name][0] != em or (glyf[name].numberOfContours and vmtx[name][1] != top - glyf[name].yMax)]
    if wrong:
        failures.append("%d glyphs with wrong vertical metrics: %s" % (len(wrong), " ".join(wrong[:10])))
    if glyf[".notdef"].numberOfContours < 2:
        failures.append(".notdef is no box")
    names = font["name"]
    for platform, encoding, language in ((1, 0, 0), (3, 1, 0x409)):
        for name_id in (0, 1, 2, 4, 5, 6):
            record = names.getName(name_id, platform, encoding, language)
            if record is None or not str(record).strip():
                failures.append("name %d missing on platform %d" % (name_id, platform))
    postscript = str(names.getName(6, 3, 1, 0x409) or "")
    if not (0 < len(postscript) <= 63 and all(33 <= ord(c) <= 126 and c not in "[](){}<>/%" for c in postscript)):
        failures.append("PostScript name %r is not valid" % postscript)
    heights = {hhea.ascent - hhea.descent + hhea.lineGap,
               os2.sTypoAscender - os2.sTypoDescender + os2.sTypoLineGap,
               os2.usWinAscent + os2.usWinDescent}
    if len(heights) != 1 or not 1.4 * em <= heights.copy().pop() <= 1.5 * em:
        failures.append("line heights %s do not agree on 1.4 to 1.5 em" % sorted(heights))
    failures += house_problems(font)
    if os2.achVendID != "QLRY":
        failures.append("vendor code %r is not ours" % os2.achVendID)
    return failures


def drawn_box(strokes):
    """The inked box of strokes on the canvas, in dots from its bottom left."""
    xs = [x for points in strokes for x, _ in points]
    ys = [CANVAS - 1 - y for points in strokes for _, y in points]
    clip = lambda v: min(max(v, 0), CANVAS)
    return (clip(min(xs) - TIP_RADIUS), clip(min(ys) - TIP_RADIUS),
            clip(max(xs) + TIP_RADIUS), clip(max(ys) + TIP_RADIUS))


def fc_charset(text):
    """The code points of fc-scan's charset text (hex ranges "a-b" or "a")."""
    points = set()
    for part in text.split():
        first, _, last = part.partition("-")
        points.update(range(int(first, 16), int(last or first, 16) + 1))
    return points


def check_fc_scan(ttf, chars):
    result = subprocess.run(["fc-scan", "--format", "%{family}\n%{charset}\n", ttf],
                            capture_output=True, text=True, timeout=120)
    if result.returncode != 0 or not result.stdout.strip():
        return ["fc-scan refused the font (exit %d): %s" % (result.returncode, result.stderr.strip())]
    family, _, charset = result.stdout.partition("\n")
    if not family.strip():
        return ["fc-scan found no family name"]
    absent = [c for _, c in chars if ord(c) not in fc_charset(charset)]
    if absent:
        return ["fc-scan charset lacks %d characters: %s" % (len(absent), "".join(absent[:40]))]
    return []


def write_grey_png(path, width, rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    header = struct.pack(">IIBBBBB", width, len(rows), 8, 0, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
                + chunk(b"IDAT", zlib.compress(b"".join(b"\0" + row for row in rows)))
                + chunk(b"IEND", b""))


def check_freetype(ttf, text, image_path):
    """Renders text in one line at 48 pixels; every glyph must leave ink.
    The line is written as a PNG image for a look by eye."""
    import freetype

    face = freetype.Face(ttf)
    face.set_pixel_sizes(0, 48)
    height, pen_x = 64, 0
    line = {}
    blank = []
    for char in text:
        face.load_char(char, freetype.FT_LOAD_RENDER)
        glyph = face.glyph
        bitmap = glyph.bitmap
        pixels = bitmap.buffer  # a fresh copy on every access
        ink = 0
        for row in range(bitmap.rows):
            for col in range(bitmap.width):
                value = pixels[row * bitmap.pitch + col]
                if value:
                    ink += 1
                    y = 52 - glyph.bitmap_top + row
                    x = pen_x + glyph.bitmap_left + col
                    if 0 <= y < height and x >= 0:
                        line[(x, y)] = max(line.get((x, y), 0), value)
        if ink == 0:
            blank.append(char)
        pen_x += glyph.advance.x >> 6
    width = max(1, pen_x)
    rows = [bytes(255 - line.get((x, y), 0) for x in range(width)) for y in range(height)]
    write_grey_png(image_path, width, rows)
    if blank:
        return ["FreeType rendered no ink for: %s" % "".join(blank)]
    if pen_x <= 0:
        return ["FreeType advanced by nothing over the line"]
    return []


# --- main --------------------------------------------------------------------

def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--autocreate", required=True, help="the quillery-autocreate program")
    parser.add_argument("--count", type=int, default=0, help="characters to replay (0: all)")
    parser.add_argument("--workdir", help="keep the stroke files, font and log here (default: a temporary folder)")
    parser.add_argument("--timeout", type=float, default=1200, help="seconds before the run counts as hung")
    parser.add_argument("--json", help="also write the measurements to this file")
    args = parser.parse_args()

    workdir = args.workdir or tempfile.mkdtemp(prefix="quillery-proof-")
    if args.workdir:
        shutil.rmtree(workdir, ignore_errors=True)
        os.makedirs(workdir)
    folder = os.path.join(workdir, "strokes")
    ttf = os.path.join(workdir, "proof.ttf")

    chars = select(all_characters(), args.count)
    vertical = write_strokes(folder, chars)
    files = len(chars) + len(vertical)
    print("%d characters and %d vertical forms: %d stroke files in %s" % (len(chars), len(vertical), files, folder))

    become_subreaper()
    code, wall, peaks, log_path, leftovers = run_autocreate(os.path.abspath(args.autocreate), folder, ttf, workdir, args.timeout)
    print("replayed in %.1f s" % wall)
    with open(log_path, "rb") as f:
        log = f.read().decode("utf-8", "replace")
    failures = []
    if code != 0:
        failures.append("quillery-autocreate exited with %d:\n%s" % (code, log[-2000:]))
    for pid, status in leftovers:
        if status != 0:
            failures.append("process %d (%s) %s" % (pid, peaks.get(pid, ["?"])[0],
                                                    "was left running" if status == -9 else "ended with %d" % status))
    if "Traceback" in log:
        failures.append("the editor raised an exception:\n%s" % log[log.index("Traceback"):][:2000])
    glyphs = 0
    if os.path.exists(ttf):
        checking = time.monotonic()
        more, glyphs = check_font_tools(ttf, chars, vertical)
        failures += more
        failures += check_sanitizer(ttf)
        failures += check_tables(ttf)
        failures += check_fc_scan(ttf, chars)
        sample = "".join(c for _, c in chars[:8]) + "".join(c for _, c in chars[-12:])
        failures += check_freetype(ttf, sample, os.path.join(workdir, "line.png"))
        print("checked in %.1f s" % (time.monotonic() - checking))
    else:
        failures.append("no font was written at %s" % ttf)

    result = {
        "characters": len(chars), "vertical_forms": len(vertical), "stroke_files": files,
        "glyphs_in_font": glyphs, "wall_seconds": round(wall, 2),
        "characters_per_second": round(files / wall, 1) if wall > 0 else 0,
        "processes": [{"name": name, "pid": pid, "peak_kib": kib, "cpu_seconds": round(cpu, 2)}
                      for pid, (name, kib, cpu) in sorted(peaks.items())],
        "font_bytes": os.path.getsize(ttf) if os.path.exists(ttf) else 0,
        "failures": failures,
    }
    print(json.dumps(result, ensure_ascii=False, indent=2))
    if args.json:
        with open(args.json, "w") as f:
            json.dump(result, f, ensure_ascii=False, indent=2)
    if not args.workdir and not failures:
        shutil.rmtree(workdir, ignore_errors=True)
    elif failures:
        print("work folder kept: %s" % workdir, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
