"""Tests of the editor's tracer against what it replaced and against
FontForge's own contour tools. Runs in FontForge's interpreter:

    fontforge -lang=py -script potrace_tracer_test.py EDITOR_FOLDER [native|python]

"native" says that the build made the native crossing check, so the tracer
must have loaded it.
"""

import array
import math
import random
import struct
import sys
import unittest

import fontforge

sys.path.insert(0, sys.argv[1])
import potrace_tracer  # noqa: E402

NATIVE_BUILT = sys.argv[2:3] == ["native"]


def reference_words(data):
    """The bits the editor handed to potrace before, unpacked byte by byte."""
    if len(data) < 62 or data[:2] != b"BM":
        return None
    offset = struct.unpack_from("<I", data, 10)[0]
    header, width, height, planes, bits, compression = struct.unpack_from("<IiiHHI", data, 14)
    if header < 40 or bits != 1 or compression != 0 or width <= 0 or height == 0:
        return None
    colours = struct.unpack_from("<I", data, 46)[0] or 2
    table = 14 + header
    if colours < 2 or table + 8 > len(data):
        return None
    luminance = []
    for i in range(2):
        b, g, r = data[table + 4 * i], data[table + 4 * i + 1], data[table + 4 * i + 2]
        luminance.append(0.299 * r + 0.587 * g + 0.114 * b)
    rows = abs(height)
    stride = (width + 31) // 32 * 4
    if offset + stride * rows > len(data):
        return None
    pixels = data[offset:offset + stride * rows]
    if height < 0:
        pixels = b"".join(pixels[i * stride:(i + 1) * stride] for i in reversed(range(rows)))
    if luminance[0] < luminance[1]:
        pixels = bytes(b ^ 0xFF for b in pixels)
    word_bytes = potrace_tracer.WORD_BYTES
    words_per_row = (width + 8 * word_bytes - 1) // (8 * word_bytes)
    row_bytes = words_per_row * word_bytes
    used = (width + 7) // 8
    tail_mask = (0xFF << (8 - (width % 8 or 8))) & 0xFF
    padded = bytearray(row_bytes * rows)
    for y in range(rows):
        row = bytearray(pixels[y * stride:y * stride + used])
        row[-1] &= tail_mask
        padded[y * row_bytes:y * row_bytes + used] = row
    words = array.array("L" if array.array("L").itemsize == word_bytes else "Q", bytes(padded))
    words.byteswap()
    return width, rows, words_per_row, list(words)


def bmp_file(width, height, rows, top_down=False, ink_index=0, padding_noise=None):
    """A 1-bit BMP; rows[y] is an int whose bit x is the ink of dot x of row
    y, counted from the bottom. padding_noise fills the bits past the width."""
    stride = (width + 31) // 32 * 4
    order = range(height - 1, -1, -1) if top_down else range(height)
    pixels = bytearray()
    for y in order:
        line = bytearray(stride)
        for x in range(stride * 8):
            inked = bool(rows[y] >> x & 1) if x < width else padding_noise.random() < 0.5 if padding_noise else False
            if inked == (ink_index == 1):
                line[x // 8] |= 0x80 >> (x % 8)
        pixels += line
    palette = b"\0\0\0\0\xff\xff\xff\0" if ink_index == 0 else b"\xff\xff\xff\0\0\0\0\0"
    info = struct.pack("<IiiHHIIiiII", 40, width, -height if top_down else height, 1, 1, 0, len(pixels),
                       2835, 2835, 2, 2)
    return b"BM" + struct.pack("<IHHI", 62 + len(pixels), 0, 0, 62) + info + palette + bytes(pixels)


def handwriting(size, tip, seed):
    """Rows of a few curved strokes drawn with a round tip."""
    rng = random.Random(seed)
    rows = [0] * size
    r = tip / 2
    for _ in range(rng.randint(3, 6)):
        p = [(rng.uniform(0.15, 0.85) * size, rng.uniform(0.15, 0.85) * size) for _ in range(4)]
        for i in range(3 * size):
            t = i / (3 * size - 1)
            u = 1 - t
            cx = u ** 3 * p[0][0] + 3 * u * u * t * p[1][0] + 3 * u * t * t * p[2][0] + t ** 3 * p[3][0]
            cy = u ** 3 * p[0][1] + 3 * u * u * t * p[1][1] + 3 * u * t * t * p[2][1] + t ** 3 * p[3][1]
            for y in range(max(0, int(cy - r)), min(size, int(cy + r) + 2)):
                if (y - cy) ** 2 <= r * r:
                    half = math.sqrt(r * r - (y - cy) ** 2)
                    x0, x1 = max(0, math.ceil(cx - half)), min(size - 1, math.floor(cx + half))
                    if x0 <= x1:
                        rows[y] |= ((1 << (x1 - x0 + 1)) - 1) << x0
    return rows


def noise(size, seed):
    rng = random.Random(seed)
    return [sum((rng.random() < 0.45) << x for x in range(size)) for _ in range(size)]


class Traced:
    """A bitmap traced into a FontForge glyph the way the editor does."""

    font = fontforge.font()
    count = 0

    def __init__(self, path):
        drawn = []
        self.trace = potrace_tracer.trace_bmp(path, lambda contours, w, h: drawn.append(contours))
        Traced.count += 1
        self.glyph = Traced.font.createChar(0x4E00 + Traced.count)
        pen = self.glyph.glyphPen(replace=True)
        for start, segments in drawn[0]:
            pen.moveTo(start)
            for segment in segments:
                if segment[0] == "line":
                    pen.lineTo(segment[1])
                else:
                    pen.curveTo(*segment[1:])
            pen.closePath()
        pen = None

    def points(self):
        return [[(p.x, p.y, p.on_curve) for p in contour] for contour in self.glyph.foreground]


class TracerTest(unittest.TestCase):
    def setUp(self):
        import tempfile
        self.folder = tempfile.mkdtemp(prefix="tracer-test-")
        self.files = 0

    def tearDown(self):
        import shutil
        shutil.rmtree(self.folder)

    def trace_path(self, data):
        import os
        self.files += 1
        path = os.path.join(self.folder, "%d.bmp" % self.files)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def trace(self, data):
        return Traced(self.trace_path(data))

    def test_reader_gives_the_bits_of_the_byte_by_byte_reader(self):
        rng = random.Random(3)
        for width in (1, 7, 9, 31, 33, 63, 64, 65, 100, 130, 160, 512):
            height = rng.choice((1, 3, 17))
            rows = [rng.getrandbits(width) for _ in range(height)]
            for top_down in (False, True):
                for ink_index in (0, 1):
                    data = bmp_file(width, height, rows, top_down, ink_index, padding_noise=rng)
                    expected = reference_words(data)
                    width_, height_, words_per_row, words = potrace_tracer.read_bitmap(data)
                    self.assertEqual((width_, height_, words_per_row, list(words)), expected,
                                     "width %d top-down %s ink %d" % (width, top_down, ink_index))
        data = bmp_file(33, 5, [1] * 5)
        for bad in (data[:-1], data[:30], data[:28] + b"\x08" + data[29:], data[:30] + b"\x01" + data[31:]):
            self.assertIsNone(potrace_tracer.read_bitmap(bad))
            self.assertIsNone(reference_words(bad))

    def test_contours_come_in_the_order_fontforge_corrects_them_to(self):
        # Drawings with holes where strokes cross, and none that is a pinhole
        # (see the next test).
        unflagged = 0
        for size, tip, seed in ((128, 10, 8), (160, 20, 7), (192, 20, 8), (128, 14, 3), (160, 30, 1), (96, 10, 8)):
            traced = self.trace(bmp_file(size, size, handwriting(size, tip, seed)))
            mine = traced.points()
            self.assertGreater(len(mine), 1)
            traced.glyph.correctDirection()
            self.assertEqual(traced.points(), mine, "size %d tip %d" % (size, tip))
            unflagged += not traced.trace.may_cross
        # Drawn strokes are the common case the check is there to spare.
        self.assertGreaterEqual(unflagged, 5)

    def test_tiny_holes_stay_holes(self):
        # A blot with a hole of one dot and one of two by two dots.
        rows = [0] * 24
        for y in range(4, 20):
            rows[y] = ((1 << 16) - 1) << 4
        rows[8] &= ~(1 << 8)
        rows[14] &= ~(3 << 13)
        rows[15] &= ~(3 << 13)
        traced = self.trace(bmp_file(24, 24, rows))
        self.assertEqual(sorted(c.isClockwise() for c in traced.glyph.foreground), [False, False, True])
        self.assertFalse(traced.trace.may_cross)

    def test_every_crossing_fontforge_finds_is_flagged(self):
        crossing = 0
        for seed in range(40):
            size = (16, 24, 33, 48)[seed % 4]
            traced = self.trace(bmp_file(size, size, noise(size, seed), top_down=seed % 3 == 0))
            if traced.glyph.selfIntersects():
                crossing += 1
                self.assertTrue(traced.trace.may_cross, "seed %d" % seed)
        self.assertGreater(crossing, 5)

    def test_native_crossing_check_answers_as_the_python_one(self):
        if potrace_tracer._NATIVE is None:
            self.assertFalse(NATIVE_BUILT, "the native crossing check was built but not loaded")
            self.skipTest("this build has no native crossing check")
        answers = []
        for seed in range(300):
            size = (12, 16, 24, 33, 48)[seed % 5]
            rng = random.Random(seed)
            if seed % 4:
                density = (0.3, 0.45, 0.6)[seed % 3]
                rows = [sum((rng.random() < density) << x for x in range(size)) for _ in range(size)]
            else:
                size *= 3
                rows = handwriting(size, 6 + seed % 20, seed)
            drawn = []
            path = self.trace_path(bmp_file(size, size, rows))
            trace = potrace_tracer.trace_bmp(path, lambda contours, w, h: drawn.append(contours))
            python = potrace_tracer.may_cross(drawn[0])
            self.assertEqual(trace.may_cross, python, "seed %d" % seed)
            answers.append(python)
        # Both answers, and plenty of each, so that both checks were tried
        # beyond their first steps.
        self.assertGreater(answers.count(True), 50)
        self.assertGreater(answers.count(False), 50)


if __name__ == "__main__":
    result = unittest.main(argv=[sys.argv[0]], exit=False).result
    sys.exit(0 if result.wasSuccessful() else 1)
