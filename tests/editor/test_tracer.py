"""Tests of the editor's tracer: its bitmap reader against a plain byte by
byte one, the order of its contours and its crossing check against plain
geometry on flattened outlines, and the native crossing checks and last
passes over a glyph's points against the Python ones."""

import array
import math
import random
import struct

import pytest

from glyphsmith import outline
from glyphsmith.tracer import crossing
from glyphsmith.tracer import potrace as potrace_tracer

from conftest import NATIVE_BUILT
from glyph_geometry import edges_cross


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


def flattened(contours, steps=24):
    """Each contour as a closed polygon, curves sampled finely."""
    polygons = []
    for start, segments in contours:
        points, at = [start], start
        for segment in segments:
            if segment[0] == "line":
                points.append(segment[1])
            else:
                p0, p1, p2, p3 = at, segment[1], segment[2], segment[3]
                for i in range(1, steps + 1):
                    t, u = i / steps, 1 - i / steps
                    points.append(tuple(u ** 3 * a + 3 * u * u * t * b + 3 * u * t * t * c + t ** 3 * d
                                        for a, b, c, d in zip(p0, p1, p2, p3)))
            at = segment[-1]
        polygons.append(points[:-1] if points[-1] == points[0] else points)
    return polygons


def area(polygon):
    return sum(x0 * y1 - x1 * y0 for (x0, y0), (x1, y1) in zip(polygon, polygon[1:] + polygon[:1])) / 2


def contains(polygon, point):
    x, y = point
    inside = False
    for (x0, y0), (x1, y1) in zip(polygon, polygon[1:] + polygon[:1]):
        if (y0 > y) != (y1 > y) and x < x0 + (y - y0) * (x1 - x0) / (y1 - y0):
            inside = not inside
    return inside


@pytest.fixture
def trace(tmp_path):
    count = [0]

    def run(data):
        count[0] += 1
        path = tmp_path / ("%d.bmp" % count[0])
        path.write_bytes(data)
        drawn = []
        traced = potrace_tracer.trace_bmp(str(path), lambda contours, w, h: drawn.append(contours))
        return traced, drawn[0]
    return run


def test_reader_gives_the_bits_of_the_byte_by_byte_reader():
    rng = random.Random(3)
    for width in (1, 7, 9, 31, 33, 63, 64, 65, 100, 130, 160, 512):
        height = rng.choice((1, 3, 17))
        rows = [rng.getrandbits(width) for _ in range(height)]
        for top_down in (False, True):
            for ink_index in (0, 1):
                data = bmp_file(width, height, rows, top_down, ink_index, padding_noise=rng)
                expected = reference_words(data)
                width_, height_, words_per_row, words = potrace_tracer.read_bitmap(data)
                assert (width_, height_, words_per_row, list(words)) == expected, (width, top_down, ink_index)
    data = bmp_file(33, 5, [1] * 5)
    for bad in (data[:-1], data[:30], data[:28] + b"\x08" + data[29:], data[:30] + b"\x01" + data[31:]):
        assert potrace_tracer.read_bitmap(bad) is None
        assert reference_words(bad) is None


def test_contours_come_in_truetype_order(trace):
    """Outer contours clockwise, holes counter-clockwise, at every depth."""
    unflagged = 0
    for size, tip, seed in ((128, 10, 8), (160, 20, 7), (192, 20, 8), (128, 14, 3), (160, 30, 1), (96, 10, 8)):
        traced, contours = trace(bmp_file(size, size, handwriting(size, tip, seed)))
        polygons = flattened(contours)
        assert len(polygons) > 1
        for i, polygon in enumerate(polygons):
            depth = sum(contains(other, polygon[0]) for k, other in enumerate(polygons) if k != i)
            assert (area(polygon) < 0) == (depth % 2 == 0), (size, tip, seed, i)
        unflagged += not traced.may_cross
    # Drawn strokes are the common case the check is there to spare.
    assert unflagged >= 5


def test_tiny_holes_stay_holes(trace):
    # A blot with a hole of one dot and one of two by two dots.
    rows = [0] * 24
    for y in range(4, 20):
        rows[y] = ((1 << 16) - 1) << 4
    rows[8] &= ~(1 << 8)
    rows[14] &= ~(3 << 13)
    rows[15] &= ~(3 << 13)
    traced, contours = trace(bmp_file(24, 24, rows))
    assert sorted(area(p) < 0 for p in flattened(contours)) == [False, False, True]
    assert not traced.may_cross


def test_every_crossing_is_flagged(trace):
    crossings = 0
    for seed in range(40):
        size = (16, 24, 33, 48)[seed % 4]
        traced, contours = trace(bmp_file(size, size, noise(size, seed), top_down=seed % 3 == 0))
        if edges_cross(flattened(contours, 8)):
            crossings += 1
            assert traced.may_cross, "seed %d" % seed
    assert crossings > 5


def test_native_crossing_check_answers_as_the_python_one(tmp_path):
    if None in (potrace_tracer._NATIVE, potrace_tracer._NATIVE_POINTS, potrace_tracer._NATIVE_LEAN):
        assert not NATIVE_BUILT, "the native crossing check was built but not loaded"
        pytest.skip("this build has no native crossing check")
    answers, finished_answers = [], []
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
        path = tmp_path / "native.bmp"
        path.write_bytes(bmp_file(size, size, rows))
        traced = potrace_tracer.trace_bmp(str(path), lambda contours, w, h: drawn.append(contours))
        python = crossing.may_cross(drawn[0])
        assert traced.may_cross == python, "seed %d" % seed
        answers.append(python)
        # And the check of the finished glyph's points, and the last passes
        # over them (points left implied, turns levelled or cut).
        points = outline.quadratic_points(drawn[0], scale=(1024 / size, 1024 / size, -144))
        finished = crossing.points_may_cross(points)
        assert potrace_tracer.points_may_cross(points) == finished, "seed %d" % seed
        finished_answers.append(finished)
        plain = outline.quadratic_points(drawn[0], 1.0, (1024 / size, 1024 / size, -144), False, None)
        for contour in plain:
            native = potrace_tracer.lean_points(contour, 3.0, True, 3)
            potrace_tracer._NATIVE_LEAN, kept = None, potrace_tracer._NATIVE_LEAN
            try:
                assert outline._last_passes(contour, 3.0, True) == native, "seed %d" % seed
            finally:
                potrace_tracer._NATIVE_LEAN = kept
    # Both answers, and plenty of each, so that both checks were tried
    # beyond their first steps.
    for given in (answers, finished_answers):
        assert given.count(True) > 50
        assert given.count(False) > 50
