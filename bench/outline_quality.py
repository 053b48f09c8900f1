"""How lean and how faithful the editor's outlines are, for a grid of tracing
settings, on the bitmaps Quillery hands to its editor.

Takes a folder of bitmaps named U<hex>.bmp (the pipeline comparison's, which
bench/compare_pipeline.py collects from quillery-autocreate: 300 kanji at
512 dots with the 30-dot tip; --collect makes them here the same way). For
every setting it traces each bitmap through the editor's own steps (the
tracer, the merge of contours that may cross, the quadratic conversion),
builds one new font of all the glyphs with the editor's store, and measures
per glyph:

- points and bytes (the glyph's glyf data) and contours;
- the smallest contour (area of its outline, in canvas dots squared) and how
  many contours are under 2 x 2 dots scaled to the canvas;
- missing extrema: curves whose turn in x or y reaches more than half a unit
  beyond both of their on-curve ends (implied on-curve points count as
  points);
- crossings: any two edges of the outline (curves flattened to 16 pieces)
  that cross properly, within a contour or between two;
- fidelity: intersection over union of the bitmap's ink and the glyph
  rendered by FreeType at one pixel per dot without hinting, a pixel being
  ink at coverage 128 of 255 or more (as the end-to-end test renders it);
- the editor's CPU time per glyph for these steps.

Needs /usr/bin/python3 (fontTools, numpy, freetype-py). Run it after a build:
it uses the build's copy of the editor.
"""

import argparse
import array
import json
import os
import statistics
import sys
import tempfile
import time

import freetype
import numpy

HERE = os.path.dirname(os.path.abspath(__file__))
# The editor as the build lays it out (with its native checks), else the
# source tree's; QUILLERY_EDITOR_DIR names another.
EDITOR = os.environ.get("QUILLERY_EDITOR_DIR") or next(
    (d for d in (os.path.join(HERE, "..", "build", "editor"), os.path.join(HERE, "..", "editor"))
     if os.path.exists(os.path.join(d, "glyphsmith"))))
sys.path.insert(0, EDITOR)
from glyphsmith import newfont, outline  # noqa: E402
from glyphsmith import store as store_module  # noqa: E402
from glyphsmith.tracer import potrace as tracer  # noqa: E402

sys.path.insert(0, os.path.join(HERE, "..", "tests", "editor"))
from glyph_geometry import edges_cross, exact_area, pieces, point_contours, polygon, unmarked_turns  # noqa: E402

TODAY = dict(speck=0.0, alphamax=1.0, opttolerance=0.2, error=1.0, extrema=False, implied=False)


def bitmap_ink(data):
    """The bitmap's ink as a boolean array, rows from the bottom."""
    width, rows, words_per_row, words = tracer.read_bitmap(data)
    # The words hold the leftmost dot in their most significant bit: as
    # big-endian bytes they read left to right.
    copy = array.array(words.typecode, words)
    if sys.byteorder == "little":
        copy.byteswap()
    bits = numpy.unpackbits(numpy.frombuffer(copy.tobytes(), dtype=numpy.uint8))
    return bits.reshape(rows, words_per_row * tracer.WORD_BITS)[:, :width].astype(bool)


def trace(data, settings, error, extrema, implied, em=newfont.EM, top=newfont.ASCENT):
    """The glyph the editor makes of the bitmap (outline.Finished)."""
    drawn = []
    traced = tracer.trace_data(data, lambda c, w, h: drawn.append((c, w, h)), settings)
    contours, width, height = drawn[0]
    bottom = top - em
    scale = (em / width, em / height, bottom)
    if implied is False:
        implied = None
    elif implied is True:
        implied = outline.IMPLIED
    least = (settings.speck / 512 * em) ** 2
    if (error, extrema, implied) == (outline.QUADRATIC_ERROR, True, outline.IMPLIED):
        points = outline.glyph_points(contours, scale, traced.may_cross, least, traced.picture)  # the editor's own way
    else:
        if contours and traced.may_cross:
            contours, scale = outline.merge_overlaps(outline.scaled(contours, scale)), (1.0, 1.0, 0.0)
        points = outline.quadratic_points(contours, error, scale, extrema=extrema, implied=implied, least=least)
    return outline.finish(points, em)


def render(face, code, size, em=newfont.EM, bottom_units=newfont.DESCENT):
    """The glyph as the end-to-end test renders it, rows from the bottom."""
    out = numpy.zeros((size, size), dtype=bool)
    face.load_char(chr(code), freetype.FT_LOAD_RENDER | freetype.FT_LOAD_NO_HINTING)
    g = face.glyph
    bm = g.bitmap
    if bm.rows == 0:
        return out
    grey = numpy.array(bm.buffer, dtype=numpy.uint8).reshape(bm.rows, bm.pitch)[:, :bm.width] >= 128
    bottom = bottom_units * size // em
    for row in range(bm.rows):
        y = g.bitmap_top - row - 1 + bottom
        if not 0 <= y < size:
            continue
        x0 = g.bitmap_left
        cols = grey[row]
        lo, hi = max(0, -x0), min(bm.width, size - x0)
        if lo < hi:
            out[y, x0 + lo:x0 + hi] |= cols[lo:hi]
    return out


def bitmaps_of(folder):
    names = sorted(n for n in os.listdir(folder) if n.startswith("U") and n.endswith(".bmp") and "v" not in n)
    return {int(n[1:-4], 16): open(os.path.join(folder, n), "rb").read() for n in names}


def make_font(datas, setting, path):
    """Traces every bitmap with the setting into one new font at path; the
    editor's CPU time per glyph."""
    settings = tracer.Settings(setting["speck"], setting["alphamax"], setting["opttolerance"])
    finished = {}
    cpu = time.process_time()
    for code, data in datas.items():
        finished[code] = trace(data, settings, setting["error"], setting["extrema"], setting["implied"])
    cpu = (time.process_time() - cpu) / len(datas)
    store = store_module.FontStore(store_module.Base(newfont.build(), new=True))
    for code, glyph in finished.items():
        store.put(code, False, glyph)
    with open(path, "wb") as f:
        f.write(store.build())
    return cpu


def evaluate(path, datas):
    """Each character's figures in the font at path against its bitmap."""
    from fontTools.ttLib import TTFont
    font = TTFont(path, lazy=True)
    cmap, glyf = font.getBestCmap(), font["glyf"]
    face = freetype.Face(path)
    rows = []
    for code, data in datas.items():
        ink = bitmap_ink(data)
        size = ink.shape[1]
        face.set_pixel_sizes(0, size)
        drawn = render(face, code, size)
        union = numpy.count_nonzero(ink | drawn)
        iou = numpy.count_nonzero(ink & drawn) / union if union else 1.0
        raw = glyf.glyphs[cmap[code]]
        size_bytes = len(raw.data) if hasattr(raw, "data") else len(raw.compile(glyf))
        contours = point_contours(glyf[cmap[code]])
        outlines = [pieces(c) for c in contours]
        dots = (size / newfont.EM) ** 2
        areas = [exact_area(c) * dots for c in outlines]
        least = (2 * size / 512) ** 2
        rows.append({"code": code, "points": sum(len(c) for c in contours), "bytes": size_bytes,
                     "contours": len(contours), "iou": iou, "min_area": min(areas) if areas else None,
                     "tiny": sum(a < least for a in areas),
                     "missing_extrema": sum(unmarked_turns(c) for c in outlines),
                     "crosses": edges_cross([polygon(c) for c in outlines], cell=16.0)})
    return rows


def summary(setting, cpu, rows):
    ious = [r["iou"] for r in rows]
    worst = min(rows, key=lambda r: r["iou"])
    return dict(setting, glyphs=len(rows), points=statistics.mean(r["points"] for r in rows),
                bytes=statistics.mean(r["bytes"] for r in rows),
                contours=statistics.mean(r["contours"] for r in rows),
                iou_mean=statistics.mean(ious), iou_min=worst["iou"], iou_min_char=chr(worst["code"]),
                below_097=sum(i < 0.97 for i in ious),
                min_area=min(r["min_area"] for r in rows if r["min_area"] is not None),
                tiny_contours=sum(r["tiny"] for r in rows), tiny_glyphs=sum(r["tiny"] > 0 for r in rows),
                extrema_glyphs=sum(r["missing_extrema"] > 0 for r in rows),
                extrema_missing=sum(r["missing_extrema"] for r in rows),
                crossing_glyphs=sum(r["crosses"] for r in rows), cpu_ms=cpu * 1000)


COLUMNS = ("speck", "alphamax", "opttolerance", "error", "extrema", "implied", "points", "bytes", "contours",
           "iou_mean", "iou_min", "below_097", "min_area", "tiny_contours", "extrema_glyphs", "crossing_glyphs",
           "cpu_ms")


def row_text(s):
    out = []
    for c in COLUMNS:
        v = s[c]
        out.append("%.4f" % v if c.startswith("iou") else "%.1f" % v if isinstance(v, float) else str(v))
    return " | ".join(out)


def collect(workdir):
    import compare_pipeline
    autocreate = os.path.abspath(os.path.join(HERE, "..", "build", "quillery-autocreate"))
    return compare_pipeline.benchmark_bitmaps(autocreate, os.path.abspath(workdir), 300)[1]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--bitmaps", help="folder of U<hex>.bmp bitmaps")
    parser.add_argument("--collect", help="work folder to collect the benchmark's bitmaps into first")
    parser.add_argument("--grid", default="today,editor",
                        help="settings to measure: today, editor (the editor's own), or a JSON list of settings")
    parser.add_argument("--font", action="append", default=[],
                        help="measure this font (made from the same bitmaps) instead of tracing them here")
    parser.add_argument("--json", help="write every setting's figures here")
    args = parser.parse_args()
    bitmaps = collect(args.collect) if args.collect else args.bitmaps
    editor = dict(speck=tracer.SETTINGS.speck, alphamax=tracer.SETTINGS.alphamax,
                  opttolerance=tracer.SETTINGS.opttolerance, error=outline.QUADRATIC_ERROR, extrema=True,
                  implied=True)
    grid = []
    for item in args.grid.split(",") if not args.grid.startswith("[") else json.loads(args.grid):
        if isinstance(item, str):
            grid.append(TODAY if item == "today" else editor)
        else:
            grid.append(dict(TODAY, **item))
    print(" | ".join(COLUMNS))
    results = []
    datas = bitmaps_of(bitmaps)
    if args.font:
        grid = []
        for path in args.font:
            s = summary(dict((c, "-") for c in COLUMNS[:6]), 0.0, evaluate(path, datas))
            s["font"] = path
            results.append(s)
            print(row_text(s), path, flush=True)
    with tempfile.TemporaryDirectory() as workdir:
        for setting in grid:
            path = os.path.join(workdir, "quality.ttf")
            cpu = make_font(datas, setting, path)
            s = summary(setting, cpu, evaluate(path, datas))
            results.append(s)
            print(row_text(s), flush=True)
    if args.json:
        with open(args.json, "w") as f:
            json.dump(results, f, indent=1)
    return 0


if __name__ == "__main__":
    sys.exit(main())
