"""What the editor's journal costs per Execute.

Run inside FontForge's interpreter (make bench does):

    fontforge -quiet -lang=py -script bench/journal_bench.py [repetitions]

Traces a 512-dot handwriting bitmap once, then imports it again and again as
new glyphs of a new font and times the two parts of the last import step
separately: putting the outline into the font, and writing its journal
record (reading the outline, encoding it, write()). It also times the
fdatasync that the journal's own thread does after each record, which the
answer never waits for. Prints medians in milliseconds.
"""

import math
import os
import shutil
import statistics
import struct
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "editor"))
os.environ["XDG_DATA_HOME"] = tempfile.mkdtemp(prefix="journal-bench-")

import glyphsmith_server  # noqa: E402


def handwriting_bmp(path, size=512, radius=15):
    """Five curved strokes of a 30-dot tip, as a 1-bit BMP."""
    stride = (size + 31) // 32 * 4
    rows = [bytearray(b"\xff" * stride) for _ in range(size)]
    curves = [lambda t: (0.15 + 0.7 * t, 0.72 + 0.05 * math.sin(t * 3)),
              lambda t: (0.45 + 0.05 * math.sin(t * 5), 0.9 - 0.75 * t),
              lambda t: (0.5 + 0.28 * math.cos(t * 5.5), 0.38 + 0.22 * math.sin(t * 5.5) * (1 - 0.3 * t)),
              lambda t: (0.2 + 0.6 * t, 0.15 + 0.6 * t * t),
              lambda t: (0.7 - 0.4 * t, 0.3 + 0.5 * t)]
    for curve in curves:
        for i in range(400):
            cx, cy = (v * size for v in curve(i / 399))
            for y in range(max(0, int(cy - radius)), min(size, int(cy + radius) + 1)):
                half = math.sqrt(max(0.0, radius * radius - (y - cy) ** 2))
                for x in range(max(0, math.ceil(cx - half)), min(size, math.floor(cx + half) + 1)):
                    rows[y][x // 8] &= ~(0x80 >> (x % 8))
    pixels = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 62 + len(pixels), 0, 0, 62)
    info = struct.pack("<IiiHHIIiiII", 40, size, size, 1, 1, 0, len(pixels), 2835, 2835, 2, 2)
    with open(path, "wb") as f:
        f.write(header + info + b"\0\0\0\0\xff\xff\xff\0" + pixels)


def main():
    repetitions = int(sys.argv[1]) if len(sys.argv) > 1 else 200
    folder = tempfile.mkdtemp(prefix="journal-bench-")
    bmp = os.path.join(folder, "hand.bmp")
    handwriting_bmp(bmp)
    font = glyphsmith_server.Font.new()
    font.save_as(os.path.join(folder, "bench.ttf"))  # a journal beside the font
    put, journal, sync, points = [], [], [], 0
    code = 0x889F
    for _ in range(repetitions):
        font.select(code, False)
        font.clear_glyph()
        font.import_bitmap(bmp)
        font.clean_glyph()
        glyph = font.current()
        unicode, vertical, advance = font.selection
        started = time.perf_counter()
        font.put_glyph(unicode, vertical, advance, glyph.foreground, True)
        middle = time.perf_counter()
        quadratic, contours = glyphsmith_server.layer_points(glyph.foreground)
        font.note({"op": "glyph", "u": unicode, "v": vertical, "a": advance, "q": quadratic, "c": contours})
        ended = time.perf_counter()
        os.fdatasync(font.journal.fd)
        synced = time.perf_counter()
        put.append(middle - started)
        journal.append(ended - middle)
        sync.append(synced - ended)
        points = sum(len(c) // 3 for c in contours)
        code = code + 1 if (code & 0xFF) < 0xFC else (code & 0xFF00) + 0x140
        if (code & 0xFF) == 0x7F:
            code += 1
    size = os.path.getsize(font.journal.path)
    print("glyph of %d points, %d imports, journal %d bytes (%d per record)"
          % (points, repetitions, size, size // repetitions))
    for label, times in (("put into the font", put), ("journal record (read, encode, write)", journal),
                         ("fdatasync, on the journal's thread", sync)):
        print("%-40s median %.3f ms, 90th percentile %.3f ms"
              % (label, statistics.median(times) * 1000, sorted(times)[len(times) * 9 // 10] * 1000))
    font.journal.discard()
    shutil.rmtree(folder, ignore_errors=True)
    shutil.rmtree(os.environ["XDG_DATA_HOME"], ignore_errors=True)


main()
