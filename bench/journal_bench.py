"""What the editor's journal costs per Execute.

    /usr/bin/python3 bench/journal_bench.py [repetitions]

Traces a 512-dot handwriting bitmap once, then imports it again and again as
new glyphs of a font that has a file, and times the parts of the last import
step: the glyph's TrueType data, its journal commit with synchronous FULL
(the WAL flushed to the disk before the answer, as in the window) and with
NORMAL (written, flushed at the end of a batch run), and putting it into the
store. Prints medians and 90th percentiles in milliseconds.
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

from glyphsmith import font as font_module  # noqa: E402
from glyphsmith import journal  # noqa: E402
from glyphsmith import outline  # noqa: E402


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


def next_code(code):
    code = code + 1 if (code & 0xFF) < 0xFC else (code & 0xFF00) + 0x140
    return code + 1 if (code & 0xFF) == 0x7F else code


def report(label, times):
    times = sorted(times)
    print("%-44s median %.3f ms, 90th percentile %.3f ms"
          % (label, statistics.median(times) * 1000, times[len(times) * 9 // 10] * 1000))


def main():
    repetitions = int(sys.argv[1]) if len(sys.argv) > 1 else 200
    folder = tempfile.mkdtemp(prefix="journal-bench-")
    bmp = os.path.join(folder, "hand.bmp")
    handwriting_bmp(bmp)
    font = font_module.Font.new()
    font.save_as(os.path.join(folder, "bench.ttf"))
    font.select(0x889F, False)
    font.import_bitmap(bmp)
    font.clean_glyph()
    cleaned = font.cleaned
    glyph, full, normal, put = [], [], [], []
    code = 0x889F
    for i in range(repetitions):
        batch = i % 2 == 1
        journal.set_batch(batch)
        font.set_batch(batch)
        font.select(code, False)
        unicode, vertical, advance = font.selection
        started = time.perf_counter()
        finished = outline.finish(cleaned, advance)
        made = time.perf_counter()
        font.commit(journal.Change("glyph", unicode, vertical, advance, None, finished.data))
        committed = time.perf_counter()
        font.store.put(unicode, vertical, finished)
        ended = time.perf_counter()
        glyph.append(made - started)
        (normal if batch else full).append(committed - made)
        put.append(ended - committed)
        code = next_code(code)
    size = os.path.getsize(font.journal.path) + os.path.getsize(font.journal.path + "-wal")
    print("glyph of %d points, %d bytes of glyf data; %d imports, journal %d bytes"
          % (finished.points, len(finished.data), repetitions, size))
    report("TrueType glyph data", glyph)
    report("journal commit, synchronous FULL (window)", full)
    report("journal commit, synchronous NORMAL (batch)", normal)
    report("put into the store", put)
    started = time.perf_counter()
    font.flush()
    print("%-44s %.3f ms" % ("flush at the end of a batch", (time.perf_counter() - started) * 1000))
    font.close()
    shutil.rmtree(folder, ignore_errors=True)
    shutil.rmtree(os.environ["XDG_DATA_HOME"], ignore_errors=True)


main()
