"""The glyphs the editor makes of handwriting: lean (about half the points
of a plain conversion), faithful to the drawing, without specks or
pinholes, with a point wherever a curve turns in x or y, and without
crossings; and as much of that as it can without its native fit."""

import math
import random

import freetype
import pytest
from fontTools.ttLib import TTFont

from glyphsmith import font as font_module
from glyphsmith import outline
from glyphsmith.tracer import potrace as potrace_tracer

from conftest import NATIVE_BUILT
from glyph_geometry import edges_cross, glyph_pieces, polygon, polygon_area, unmarked_turns
from test_tracer import bmp_file

SIZE = 512
TIP = 30


def pen_rows(seed, size=SIZE, tip=TIP):
    """A few curved strokes as the canvas replays strokes recorded on a
    canvas of half the size: the round tip moved in straight steps of 6 to
    22 dots between whole dots of that canvas, so that the edges have the
    small bends of a real pointer's path. Rows of ink bits, from the
    bottom."""
    rng = random.Random(seed)
    rows = [0] * size
    r = tip / 2
    for _ in range(rng.randint(3, 5)):
        p = [(rng.uniform(0.15, 0.85) * size, rng.uniform(0.15, 0.85) * size) for _ in range(4)]
        length = sum(math.dist(a, b) for a, b in zip(p, p[1:]))  # about the curve's
        path, t = [], 0.0
        while t < 1:
            u = 1 - t
            # Pointer positions come in whole dots of a 256 canvas.
            path.append(tuple(2 * round((u ** 3 * a + 3 * u * u * t * b + 3 * u * t * t * c + t ** 3 * d) / 2)
                              for a, b, c, d in zip(*p)))
            t += rng.uniform(6, 22) / length
        for (x0, y0), (x1, y1) in zip(path, path[1:]):
            steps = max(1, int(math.hypot(x1 - x0, y1 - y0)))
            for k in range(steps + 1):
                cx, cy = x0 + (x1 - x0) * k / steps, y0 + (y1 - y0) * k / steps
                for y in range(max(0, int(cy - r)), min(size, int(cy + r) + 2)):
                    if (y - cy) ** 2 <= r * r:
                        half = math.sqrt(r * r - (y - cy) ** 2)
                        lo, hi = max(0, math.ceil(cx - half)), min(size - 1, math.floor(cx + half))
                        if lo <= hi:
                            rows[y] |= ((1 << (hi - lo + 1)) - 1) << lo
    return rows


def make_glyph(tmp_path, rows, size=SIZE):
    """The font the editor saves with the drawing as あ, and the glyph."""
    bmp = tmp_path / "glyph.bmp"
    bmp.write_bytes(bmp_file(size, size, rows))
    font = font_module.Font.new()
    font.select(0x82A0, False)
    font.import_bitmap(str(bmp))
    font.clean_glyph()
    font.finish_glyph()
    path = str(tmp_path / "glyph.ttf")
    font.save_to(path)
    font.close()
    tt = TTFont(path)
    return path, tt["glyf"][tt.getBestCmap()[0x3042]], tt


def plain_points(rows, size=SIZE):
    """Points and bytes of the same drawing traced and converted plainly:
    every speck kept, potrace's own curve joining, curves within one unit,
    every on-curve point written, no points added where curves turn."""
    drawn = []
    potrace_tracer.trace_data(bmp_file(size, size, rows), lambda c, w, h: drawn.append(c),
                              potrace_tracer.Settings(0.0, 1.0, 0.2))
    points = outline.quadratic_points(drawn[0], 1.0, (1024 / size, 1024 / size, -144), extrema=False,
                                      implied=None)
    return sum(len(c) for c in points), len(outline.finish(points, 1024).data)


def rendered(path, size=SIZE):
    """The glyph of あ as FreeType renders it at one pixel a dot, unhinted,
    a pixel being ink from half coverage, as rows of bits from the bottom
    (the em box's bottom is 144 units below the baseline)."""
    face = freetype.Face(path)
    face.set_pixel_sizes(0, size)
    face.load_char("あ", freetype.FT_LOAD_RENDER | freetype.FT_LOAD_NO_HINTING)
    glyph, bitmap = face.glyph, face.glyph.bitmap
    buffer = bitmap.buffer  # a new list at every reading
    drawn = [0] * size
    for row in range(bitmap.rows):
        y = glyph.bitmap_top - row - 1 + 144 * size // 1024
        for col in range(bitmap.width):
            x = glyph.bitmap_left + col
            if 0 <= y < size and 0 <= x < size and buffer[row * bitmap.pitch + col] >= 128:
                drawn[y] |= 1 << x
    return drawn


def rendered_iou(path, rows, size=SIZE):
    """Intersection over union of the drawing and the rendered glyph."""
    drawn = rendered(path, size)
    both = sum(bin(a & b).count("1") for a, b in zip(rows, drawn))
    either = sum(bin(a | b).count("1") for a, b in zip(rows, drawn))
    return both / either


def assert_lean_clean_faithful(path, glyph, rows, points_share, bytes_share):
    plain, plain_bytes = plain_points(rows)
    contours = glyph_pieces(glyph)
    polygons = [polygon(c) for c in contours]
    points = len(glyph.coordinates)
    assert points <= points_share * plain, (points, plain)
    assert len(glyph.compile(None)) <= bytes_share * plain_bytes
    assert rendered_iou(path, rows) >= 0.98
    assert sum(unmarked_turns(c) for c in contours) == 0
    assert not edges_cross(polygons)
    assert min(polygon_area(p) for p in polygons) >= 16


@pytest.mark.parametrize("seed", [2, 7])
def test_handwriting_becomes_a_lean_clean_faithful_glyph(tmp_path, seed):
    # With the native fit to the ink about half a plain conversion's points
    # and bytes, without it (a sanitizer build) about two thirds.
    fitted = potrace_tracer._NATIVE_FIT is not None
    assert fitted or not NATIVE_BUILT, "the native fit was built but not loaded"
    rows = pen_rows(seed)
    path, glyph, _font = make_glyph(tmp_path, rows)
    assert_lean_clean_faithful(path, glyph, rows, *((0.55, 0.5) if fitted else (0.75, 0.7)))


def test_without_the_native_fit_the_glyph_is_still_lean_and_faithful(tmp_path, monkeypatch):
    monkeypatch.setattr(potrace_tracer, "_NATIVE_FIT", None)
    monkeypatch.setattr(potrace_tracer, "SETTINGS", potrace_tracer.PLAIN_SETTINGS)
    rows = pen_rows(7)
    path, glyph, _font = make_glyph(tmp_path, rows)
    assert_lean_clean_faithful(path, glyph, rows, 0.75, 0.7)


def test_a_fit_that_may_cross_is_not_kept(tmp_path, monkeypatch):
    # The fit answers a bow tie whatever it is given: the glyph must come
    # from the careful conversion instead, whole and faithful.
    def bow_tie(*args):
        return [[(0, 0, True), (400, 400, True), (400, 0, True), (0, 400, True)]]

    monkeypatch.setattr(outline.tracer, "fitted_glyph", bow_tie)
    rows = pen_rows(2)
    path, glyph, _font = make_glyph(tmp_path, rows)
    assert not edges_cross([polygon(c) for c in glyph_pieces(glyph)])
    assert rendered_iou(path, rows) >= 0.98


def test_specks_and_pinholes_go_but_small_shapes_stay(tmp_path):
    rows = [0] * SIZE
    for y in range(100, 300):
        rows[y] |= ((1 << 200) - 1) << 100  # a blot
    rows[150] &= ~(1 << 150)  # a pinhole of one dot
    for y in (200, 201):
        rows[y] &= ~(3 << 150)  # and one of two by two dots
    for y in range(240, 246):
        rows[y] &= ~(63 << 240)  # a hole of six by six dots stays
    rows[400] |= 1 << 50  # a speck of one dot
    rows[420] |= 3 << 60  # and one of two dots
    for y in range(400, 406):
        rows[y] |= 63 << 400  # a dot of six by six stays
    path, glyph, _font = make_glyph(tmp_path, rows)
    areas = sorted(polygon_area(polygon(c)) for c in glyph_pieces(glyph))
    # In font units (two a dot): the blot, the six-dot hole and the dot.
    assert len(areas) == 3, areas
    assert 100 < areas[0] < 170 and 100 < areas[1] < 170
    # The hole and the dot render as drawn, give or take a corner dot each.
    drawn = rendered(path)
    for low in (238, 398):
        window = ((1 << 10) - 1) << low
        wrong = sum(bin((drawn[y] ^ rows[y]) & window).count("1") for y in range(low, low + 10))
        assert wrong <= 4, (low, wrong)
    assert rendered_iou(path, rows) > 0.99
