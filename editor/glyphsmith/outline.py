"""Traced contours into TrueType glyphs, and glyphs into the outline text of
GlyphOutline.

Contours are (start, segments) pairs in font units, a segment being
("line", p) or ("curve", p1, p2, p3) and the last one ending at the start.
The tracer gives them in TrueType order (outer contours clockwise, holes
counter-clockwise). Where it says they may cross, booleanOperations merges
them first. The curves are cut where they turn in x or y, fontTools' cu2qu
turns them into quadratic ones within QUADRATIC_ERROR font units, the
points are rounded to the integer grid, on-curve points the renderer can
put back itself (halfway between two off-curve ones, give or take IMPLIED
units of the curves) are left out, and specks go: a hand-drawn glyph comes
out with about two thirds of the points of a plain conversion, as faithful
to the drawing (docs/benchmarks.md, "Lean outlines").

Where the bitmap is at hand and the build made the native fit, the tracer
and the conversion are asked for still fewer points (FIT_ERROR), and the
points are then fitted, together, to the edge of the ink, in native code:
about half the points of a plain conversion, as faithful to the drawing
(docs/benchmarks.md, "The fit to the ink")."""

import collections
import math
import struct

from fontTools.cu2qu import curve_to_quadratic
from fontTools.pens.basePen import AbstractPen
from fontTools.pens.pointPen import PointToSegmentPen
from fontTools.pens.recordingPen import RecordingPen
from fontTools.ttLib.tables._g_l_y_f import Glyph

from . import tracer

QUADRATIC_ERROR = 2.0
# The plain conversion's, for the rare glyph the lean one would make cross.
PLAIN_ERROR = 1.0
# How far (font units) the curves may shift when an on-curve point between
# two off-curve ones is left for the renderer to put halfway between them.
IMPLIED = 3.0

# The conversion's leeway (curves and implied points, font units) ahead of
# the fit to the ink, which brings the curves back to it; how far (in dots)
# the ink's edge may lie from the outline to count; the pull towards the
# points as they came, light, else firm for a glyph the light fit made cross.
FIT_ERROR = 8.0
FIT_REACH = 3.0
FIT_STIFFNESS = (0.05, 1.0)
# Between the two fits, and after them: how far (font units) the curves may
# shift when an on-curve point is left implied.
FIT_IMPLIED = 8.0
FIT_IMPLIED_LAST = 2.0

# A finished glyph: its glyf data, advance, box (None when empty) and the
# counts maxp keeps the largest of.
Finished = collections.namedtuple("Finished", "data advance box points contours")


# -- contours -----------------------------------------------------------------

def _flat(contour, steps=8):
    """The contour as a polygon, curves sampled at a few points."""
    start, segments = contour
    points = [start]
    at = start
    for segment in segments:
        if segment[0] == "line":
            points.append(segment[1])
        else:
            (x0, y0), (x1, y1), (x2, y2), (x3, y3) = at, segment[1], segment[2], segment[3]
            for i in range(1, steps + 1):
                t = i / steps
                u = 1 - t
                points.append((u * u * u * x0 + 3 * u * u * t * x1 + 3 * u * t * t * x2 + t * t * t * x3,
                               u * u * u * y0 + 3 * u * u * t * y1 + 3 * u * t * t * y2 + t * t * t * y3))
        at = segment[-1]
    return points


def _area(polygon):
    return sum(x0 * y1 - x1 * y0 for (x0, y0), (x1, y1) in zip(polygon, polygon[1:] + polygon[:1])) / 2


def _inside(point, polygon):
    x, y = point
    inside = False
    for (x0, y0), (x1, y1) in zip(polygon, polygon[1:] + polygon[:1]):
        if (y0 > y) != (y1 > y) and x < x0 + (y - y0) * (x1 - x0) / (y1 - y0):
            inside = not inside
    return inside


def reverse(contour):
    start, segments = contour
    ends = [start] + [s[-1] for s in segments]
    out = []
    for i in range(len(segments) - 1, -1, -1):
        segment, before = segments[i], ends[i]
        if segment[0] == "line":
            out.append(("line", before))
        else:
            out.append(("curve", segment[2], segment[1], before))
    return (ends[-1], out)


def correct_directions(contours):
    """Contours that do not cross, turned into TrueType order: those inside
    an even number of others clockwise, the rest counter-clockwise."""
    polygons = [_flat(c) for c in contours]
    out = []
    for i, contour in enumerate(contours):
        area = _area(polygons[i])
        if area == 0:
            continue
        depth = sum(1 for k, other in enumerate(polygons) if k != i and _inside(polygons[i][0], other))
        clockwise = area < 0
        out.append(contour if clockwise == (depth % 2 == 0) else reverse(contour))
    return out


class _Contour:
    """A contour as booleanOperations reads it: something to draw."""

    def __init__(self, contour):
        self.contour = contour

    def draw(self, pen):
        start, segments = self.contour
        pen.moveTo(start)
        for segment in segments:
            if segment[0] == "line":
                pen.lineTo(segment[1])
            else:
                pen.curveTo(segment[1], segment[2], segment[3])
        pen.closePath()

    def drawPoints(self, pen):
        start, segments = self.contour
        pen.beginPath()
        for segment in segments:
            for off in segment[1:-1]:
                pen.addPoint(off)
            pen.addPoint(segment[-1], segmentType=segment[0])
        pen.endPath()

    def __len__(self):
        return len(self.contour[1]) + 1


def merge_overlaps(contours):
    """The union of contours that may cross each other or themselves, in
    TrueType order."""
    import booleanOperations

    pen = RecordingPen()
    booleanOperations.union([_Contour(c) for c in contours], PointToSegmentPen(pen))
    return correct_directions(recorded_contours(pen.value))


def recorded_contours(value, at=lambda p: p):
    """A RecordingPen's drawing as contours, its points mapped by at; a
    quadratic piece becomes the cubic it equals, every contour is closed
    with a line back to its start where it does not end there, and contours
    of fewer than two segments are left out."""
    contours, start, segments = [], None, []
    for op, args in value:
        if op == "moveTo":
            start, segments = at(args[0]), []
        elif op == "lineTo":
            segments.append(("line", at(args[0])))
        elif op == "curveTo":
            segments.append(("curve", at(args[0]), at(args[1]), at(args[2])))
        elif op == "qCurveTo":
            p0 = segments[-1][-1] if segments else start
            q, p3 = at(args[0]), at(args[-1])
            c1 = (p0[0] + 2 / 3 * (q[0] - p0[0]), p0[1] + 2 / 3 * (q[1] - p0[1]))
            c2 = (p3[0] + 2 / 3 * (q[0] - p3[0]), p3[1] + 2 / 3 * (q[1] - p3[1]))
            segments.append(("curve", c1, c2, p3))
        elif op in ("closePath", "endPath") and start is not None:
            last = segments[-1][-1] if segments else start
            if last != start:
                segments.append(("line", start))
            if len(segments) >= 2:
                contours.append((start, segments))
            start = None
    return contours


# -- into TrueType ------------------------------------------------------------

def _roots(a, b, c):
    """Where the derivative of one coordinate of a cubic with successive
    differences a, b, c (of its control points) is zero, strictly between
    its ends."""
    qa, qb = a - 2 * b + c, 2 * (b - a)
    if abs(qa) < 1e-12:
        return [-a / qb] if abs(qb) > 1e-12 and 0 < -a / qb < 1 else []
    disc = qb * qb - 4 * qa * a
    if disc < 0:
        return []
    root = math.sqrt(disc)
    return [t for t in ((-qb - root) / (2 * qa), (-qb + root) / (2 * qa)) if 0 < t < 1]


_SHORTEST = 2.0  # units between the ends of a piece cut at a turn


def _at_extrema(curve, least):
    """The cubic curve (four points) cut where it turns in x or in y, so
    that each turn is an end of a piece, as font tools and hinters expect;
    a turn that reaches less than least beyond the curve's ends needs no
    point of its own."""
    p0, p1, p2, p3 = curve
    cuts = None
    for axis in (0, 1):
        a, b, c, d = p0[axis], p1[axis], p2[axis], p3[axis]
        lo, hi = (a - least, d + least) if a < d else (d - least, a + least)
        if lo <= b <= hi and lo <= c <= hi:
            continue  # the curve stays within its control points
        for t in _roots(b - a, c - b, d - c):
            u = 1 - t
            v = u * u * u * a + 3 * u * u * t * b + 3 * u * t * t * c + t * t * t * d
            if v > hi or v < lo:
                cuts = [t] if cuts is None else cuts + [t]
    if cuts is None:
        return (curve,)
    pieces, done = [], 0.0
    rest = curve
    for t in sorted(cuts):
        first, second = _split(rest, (t - done) / (1 - done))
        # A cut within two units of a point already there (at a tight
        # tip, where the turns in x and in y come together) would only make
        # the rounded points zigzag.
        if abs(first[0][0] - first[3][0]) + abs(first[0][1] - first[3][1]) < _SHORTEST or \
                abs(second[0][0] - second[3][0]) + abs(second[0][1] - second[3][1]) < _SHORTEST:
            continue
        pieces.append(first)
        rest, done = second, t
    pieces.append(rest)
    return pieces


def _split(curve, t):
    (ax, ay), (bx, by), (cx, cy), (dx, dy) = curve
    u = 1 - t
    abx, aby, bcx, bcy, cdx, cdy = u * ax + t * bx, u * ay + t * by, u * bx + t * cx, u * by + t * cy, \
        u * cx + t * dx, u * cy + t * dy
    lx, ly, rx, ry = u * abx + t * bcx, u * aby + t * bcy, u * bcx + t * cdx, u * bcy + t * cdy
    mx, my = u * lx + t * rx, u * ly + t * ry
    return ((ax, ay), (abx, aby), (lx, ly), (mx, my)), ((mx, my), (rx, ry), (cdx, cdy), (dx, dy))


def _beyond(v, a, b, lo, hi):
    """How far the quadratic curve from a to b with control v (one
    coordinate) turns beyond its ends, which lie between lo and hi."""
    t = (a - v) / (a - 2 * v + b)
    turn = (1 - t) * (1 - t) * a + 2 * t * (1 - t) * v + t * t * b
    return turn - hi if turn > hi else lo - turn


def _level_turns(points, reach=3):
    """Rounding, a quadratic spline's own small swings and the on-curve
    points left implied can make a curve turn in x or in y beyond both of
    its ends, where there is no point, on-curve or implied. Where the turn
    reaches at most reach units beyond, the off-curve point is moved level
    with the nearer neighbour: the turn then falls on that neighbour, or on
    the point halfway to it. A turn that reaches further gets an on-curve
    point of its own: the curve is cut there. Returns the points and
    whether any moved."""
    i = 0
    cuts = moves = 0
    while i < len(points):
        p = points[i]
        if p[2]:
            i += 1
            continue
        count = len(points)
        a, b = points[i - 1], points[(i + 1) % count]
        x, y = p[0], p[1]
        if (a[0] <= x <= b[0] or b[0] <= x <= a[0]) and (a[1] <= y <= b[1] or b[1] <= y <= a[1]):
            i += 1  # between its neighbours both ways: no turn here
            continue
        cut = None
        for axis in (0, 1):
            v, av, bv = p[axis], a[axis], b[axis]
            lo, hi = (av, bv) if av < bv else (bv, av)
            if lo <= v <= hi:
                continue
            start = av if a[2] else (av + v) / 2
            end = bv if b[2] else (bv + v) / 2
            if _beyond(v, start, end, min(start, end), max(start, end)) <= reach:
                if axis:
                    y = hi if v > hi else lo
                else:
                    x = hi if v > hi else lo
            elif cut is None:
                cut = (start - v) / (start - 2 * v + end)
        if cut is None or cuts == _MOST_CUTS:
            if x != p[0] or y != p[1]:
                points[i] = (x, y, False)
                moves += 1
            i += 1
            continue
        points = _cut(points, i, cut)
        cuts += 1
    if cuts or moves:
        # A point moved or cut may have come to lie on its neighbour.
        # Two off-curve points in one place draw two straight lines meeting
        # there: an on-curve point.
        kept = []
        for p in points:
            if kept and p[:2] == kept[-1][:2]:
                kept[-1] = (p[0], p[1], True)
                continue
            kept.append(p)
        while len(kept) > 1 and kept[-1][:2] == kept[0][:2]:
            kept[0] = (kept[0][0], kept[0][1], True)
            kept.pop()
        points = kept
    return points, bool(cuts or moves)


_MOST_CUTS = 16  # a contour's cuts, which rounding could otherwise repeat


def _cut(points, i, t):
    """The points with the curve around off-curve point i cut at t: its ends
    become on-curve points of their own (if they were implied) and the
    curve two, meeting at an on-curve point."""
    count = len(points)
    a, p, b = points[i - 1], points[i], points[(i + 1) % count]
    start = a[:2] if a[2] else ((a[0] + p[0]) / 2, (a[1] + p[1]) / 2)
    end = b[:2] if b[2] else ((b[0] + p[0]) / 2, (b[1] + p[1]) / 2)
    u = 1 - t
    first = (u * start[0] + t * p[0], u * start[1] + t * p[1])
    second = (u * p[0] + t * end[0], u * p[1] + t * end[1])
    middle = (u * first[0] + t * second[0], u * first[1] + t * second[1])
    floor = math.floor
    new = [] if a[2] else [(floor(start[0] + 0.5), floor(start[1] + 0.5), True)]
    new += [(floor(first[0] + 0.5), floor(first[1] + 0.5), False),
            (floor(middle[0] + 0.5), floor(middle[1] + 0.5), True),
            (floor(second[0] + 0.5), floor(second[1] + 0.5), False)]
    if not b[2]:
        new.append((floor(end[0] + 0.5), floor(end[1] + 0.5), True))
    if i == 0:
        return new + points[1:]
    return points[:i] + new + points[i + 1:]


def _without_implied(points, tolerance):
    """A closed contour of TrueType points without the on-curve points
    between two off-curve ones that a renderer may put halfway between them
    instead: those exactly halfway, and those that lie on the line through
    both where the move to halfway, which slides the curves along
    themselves, shifts neither curve by more than tolerance. A curve's
    shift is at most the move of each of its ends times the sine of its
    turn."""
    count = len(points)
    if count < 3:
        return points
    drop = [False] * count
    moved = [0.0] * count  # how far each on-curve point's place moved
    limit = tolerance * tolerance
    for i in range(count):
        p = points[i]
        if not p[2]:
            continue
        before, after = points[i - 1], points[(i + 1) % count]
        if before[2] or after[2]:
            continue
        px, py = p[0], p[1]
        bx, by, cx, cy = before[0], before[1], after[0], after[1]
        mx, my = (bx + cx) / 2, (by + cy) / 2
        if mx == px and my == py:
            drop[i] = True
            continue
        if not tolerance:
            continue
        # On the line through the neighbours, give or take the rounding
        # (all compared squared, which spares the roots).
        ux, uy = cx - bx, cy - by
        across = ux * (py - by) - uy * (px - bx)
        if across * across > 0.25 * (ux * ux + uy * uy):
            continue
        squared = (mx - px) * (mx - px) + (my - py) * (my - py)
        # The curve before starts at the on-curve point (or the place
        # halfway) before its off-curve point; likewise the one after ends.
        # Each curve's shift is its ends' move times the sine of its turn
        # at its off-curve point: |v x w| / (|v| |w|).
        end = points[(i + 2) % count]
        ex, ey = (end[0], end[1]) if end[2] else ((end[0] + cx) / 2, (end[1] + cy) / 2)
        v2x, v2y, w2x, w2y = cx - px, cy - py, ex - cx, ey - cy
        turn = v2x * w2y - v2y * w2x
        if squared * turn * turn > limit * (v2x * v2x + v2y * v2y) * (w2x * w2x + w2y * w2y):
            continue
        start = points[i - 2]
        if start[2]:
            start_moved, sx, sy = moved[i - 2], start[0], start[1]
        else:
            start_moved, sx, sy = 0.0, (start[0] + bx) / 2, (start[1] + by) / 2
        v1x, v1y, w1x, w1y = bx - sx, by - sy, px - bx, py - by
        turn = v1x * w1y - v1y * w1x
        shift = math.sqrt(squared) + start_moved
        if shift * shift * turn * turn <= limit * (v1x * v1x + v1y * v1y) * (w1x * w1x + w1y * w1y):
            drop[i] = True
            moved[i] = math.sqrt(squared)
    kept = [p for p, gone in zip(points, drop) if not gone]
    return kept if any(p[2] for p in kept) else points


def _last_passes(points, implied, extrema, reach=3):
    """The contour's points with on-curve points left implied within
    implied units (unless None) and, with extrema, every turn levelled or
    cut (see _level_turns): in native code when the build made it."""
    if implied is None and not extrema:
        return points
    done = tracer.lean_points(points, implied, extrema, reach)
    if done is not None:
        return done
    if implied is not None:
        points = _without_implied(points, implied)
    if extrema:
        # Moving one point can make a curve beside it turn: again until none
        # moves (once more is almost always enough).
        for _ in range(4):
            points, changed = _level_turns(points, reach)
            if not changed:
                break
    return points


def _points_area(points):
    """The area a closed contour of TrueType points encloses (signed): the
    polygon of its on-curve points, implied ones included, and two thirds
    of the triangle each curve makes with its chord."""
    start = next((i for i, p in enumerate(points) if p[2]), None)
    if start is None:  # only off-curve points: start halfway between two
        first, last = points[0], points[-1]
        ring = [((first[0] + last[0]) / 2, (first[1] + last[1]) / 2, True)] + list(points)
    else:
        ring = points[start:] + points[:start]
    count = len(ring)
    total = 0.0
    at = ring[0]
    i = 1
    while i <= count:
        p = ring[i % count]
        if p[2]:
            total += at[0] * p[1] - p[0] * at[1]
            at = p
            i += 1
            continue
        q = ring[(i + 1) % count]
        end = q if q[2] else ((p[0] + q[0]) / 2, (p[1] + q[1]) / 2)
        total += at[0] * end[1] - end[0] * at[1]
        total += 2 / 3 * ((p[0] - at[0]) * (end[1] - at[1]) - (p[1] - at[1]) * (end[0] - at[0]))
        at = end
        i += 1 if not q[2] else 2
    return total / 2


def _speck(points, least):
    """True when the contour encloses less than least square units."""
    xs, ys = [p[0] for p in points], [p[1] for p in points]
    box = (max(xs) - min(xs)) * (max(ys) - min(ys))
    return box < least or box < 8 * least and abs(_points_area(points)) < least


def quadratic_points(contours, error=QUADRATIC_ERROR, scale=(1.0, 1.0, 0.0), extrema=True, implied=IMPLIED,
                     least=0.0):
    """Contours as lists of integer TrueType points (x, y, on-curve), with
    repeated points and contours that rounding flattened taken out. scale
    (sx, sy, dy) maps the contours' points into font units on the way
    (x sx, y sy + dy), so the error is in font units. With extrema, every
    curve has a point where it turns in x or y; with implied, on-curve
    points halfway between two off-curve ones are left for the renderer to
    put back (within that many units); contours that enclose less than
    least square units are left out."""
    sx, sy, dy = scale
    floor = math.floor
    to_quadratic = curve_to_quadratic
    out = []
    for start, segments in contours:
        ax, ay = start[0] * sx, start[1] * sy + dy
        last = (floor(ax + 0.5), floor(ay + 0.5), True)
        points = [last]
        add = points.append
        for segment in segments:
            if segment[0] == "line":
                x, y = segment[1]
                x, y = x * sx, y * sy + dy
                p = (floor(x + 0.5), floor(y + 0.5), True)
                if p[0] != last[0] or p[1] != last[1]:
                    add(p)
                elif not last[2]:
                    points[-1] = p  # an off-curve point on an on-curve one
                last = points[-1]
            else:
                (x1, y1), (x2, y2), (x, y) = segment[1], segment[2], segment[3]
                x, y = x * sx, y * sy + dy
                x1, y1, x2, y2 = x1 * sx, y1 * sy + dy, x2 * sx, y2 * sy + dy
                curve = ((ax, ay), (x1, y1), (x2, y2), (x, y))
                # Most curves stay within the box of their ends, which they
                # cannot leave when their control points do not.
                if extrema and not ((ax <= x1 <= x or x <= x1 <= ax) and (ax <= x2 <= x or x <= x2 <= ax) and
                                    (ay <= y1 <= y or y <= y1 <= ay) and (ay <= y2 <= y or y <= y2 <= ay)):
                    pieces = _at_extrema(curve, 0.25)
                else:
                    pieces = (curve,)
                for piece in pieces:
                    spline = to_quadratic(piece, error)
                    for qx, qy in spline[1:-1]:
                        p = (floor(qx + 0.5), floor(qy + 0.5), False)
                        if p[0] != last[0] or p[1] != last[1]:
                            add(p)
                            last = p
                    qx, qy = piece[3]
                    p = (floor(qx + 0.5), floor(qy + 0.5), True)
                    if p[0] != last[0] or p[1] != last[1]:
                        add(p)
                    elif not last[2]:
                        points[-1] = p
                    last = points[-1]
            ax, ay = x, y
        while len(points) > 1 and points[-1][0] == points[0][0] and points[-1][1] == points[0][1]:
            points.pop()
        if len(points) < 3 or len({p[:2] for p in points}) < 3:
            continue
        points = _last_passes(points, implied, extrema)
        if not (least and _speck(points, least)):
            out.append(points)
    return out


def glyph_points(contours, scale, may_cross, least=0.0, ink=None):
    """The TrueType points of a traced glyph (see quadratic_points), with
    contours that may cross (may_cross not False) merged first, and fitted
    to the ink of the bitmap they were traced from when ink (read_bitmap's
    answer, which scale maps into font units) is given. The points are
    checked once more: a tight tip or a narrow gap can make the lean
    conversion cross where the traced curves did not. Such a glyph is
    converted more carefully (curves within one unit, only on-curve points
    exactly halfway left implied), else plainly as well (no cuts at turns
    either), and merged first when even that may cross."""
    merged = False
    traced_scale = scale
    if contours and may_cross is not False:
        contours, scale, merged = merge_overlaps(scaled(contours, scale)), (1.0, 1.0, 0.0), True
    if ink is not None:
        points = _fitted(contours, scale, ink, traced_scale, least)
        if points is not None:
            return points
    points = quadratic_points(contours, scale=scale, least=least)
    if not points or not tracer.points_may_cross(points):
        return points
    points = quadratic_points(contours, PLAIN_ERROR, scale, implied=0.0, least=least)
    if not tracer.points_may_cross(points):
        return points
    points = quadratic_points(contours, PLAIN_ERROR, scale, extrema=False, implied=None, least=least)
    if not merged and tracer.points_may_cross(points):
        points = quadratic_points(merge_overlaps(scaled(contours, scale)), PLAIN_ERROR, extrema=False,
                                  implied=None, least=least)
    return points


def _fitted(contours, scale, ink, ink_scale, least):
    """The glyph converted with FIT_ERROR's leeway and fitted to the ink
    (tracer.fitted_glyph); None when no fit gives a glyph that cannot
    cross, or the build made no native fit."""
    reach = FIT_REACH * max(abs(ink_scale[0]), abs(ink_scale[1]))
    for stiffness in FIT_STIFFNESS:
        points = tracer.fitted_glyph(contours, scale, ink, ink_scale, FIT_ERROR, least, reach, stiffness,
                                     FIT_IMPLIED, FIT_IMPLIED_LAST)
        if points is None:
            return None
        if not points or not tracer.points_may_cross(points):
            return points
    return None


def scaled(contours, scale):
    """Contours with every point mapped as quadratic_points maps them."""
    sx, sy, dy = scale

    def at(p):
        return (p[0] * sx, p[1] * sy + dy)
    return [(at(start), [(s[0],) + tuple(at(p) for p in s[1:]) for s in segments]) for start, segments in contours]


def finish(contours, advance):
    """A glyph of integer TrueType points (as quadratic_points gives them),
    encoded as glyf data here: fontTools' own encoder, written for every
    kind of glyph, takes several times as long."""
    if not contours:
        return Finished(b"", advance, None, 0, 0)
    xs = [p[0] for c in contours for p in c]
    ys = [p[1] for c in contours for p in c]
    box = (min(xs), min(ys), max(xs), max(ys))
    ends, total = [], 0
    for contour in contours:
        total += len(contour)
        ends.append(total - 1)
    flags, x_data, y_data = bytearray(), bytearray(), bytearray()
    last_x = last_y = 0
    previous, repeats = None, 0
    for contour in contours:
        for x, y, on in contour:
            dx, dy = x - last_x, y - last_y
            last_x, last_y = x, y
            flag = 1 if on else 0
            if dx == 0:
                flag |= 0x10
            elif -255 <= dx <= 255:
                flag |= 0x02 | (0x10 if dx > 0 else 0)
                x_data.append(abs(dx))
            else:
                x_data += struct.pack(">h", dx)
            if dy == 0:
                flag |= 0x20
            elif -255 <= dy <= 255:
                flag |= 0x04 | (0x20 if dy > 0 else 0)
                y_data.append(abs(dy))
            else:
                y_data += struct.pack(">h", dy)
            if flag == previous and repeats < 255:
                if repeats == 0:
                    flags[-1] |= 0x08
                    flags.append(1)
                else:
                    flags[-1] += 1
                repeats += 1
            else:
                flags.append(flag)
                previous, repeats = flag, 0
    data = struct.pack(">hhhhh", len(contours), *box) + struct.pack(">%dH" % len(ends), *ends) \
        + b"\0\0" + bytes(flags) + bytes(x_data) + bytes(y_data)
    return Finished(data, advance, box, total, len(contours))


def from_data(data, advance):
    """A Finished glyph from glyf data of our own (a journal record's)."""
    glyph = Glyph(data)
    glyph.expand(None)
    if not glyph.numberOfContours:
        return Finished(b"", advance, None, 0, 0)
    if glyph.isComposite() or glyph.numberOfContours < 0:
        raise ValueError("not a simple glyph")
    glyph.recalcBounds(None)
    return Finished(bytes(data), advance, (glyph.xMin, glyph.yMin, glyph.xMax, glyph.yMax),
                    len(glyph.coordinates), glyph.numberOfContours)


def raw_box(data):
    """The box in the header of raw glyf data, read without decoding the
    glyph; None for an empty glyph."""
    if len(data) < 10:
        return None
    count, x0, y0, x1, y1 = struct.unpack(">hhhhh", data[:10])
    return None if count == 0 else (x0, y0, x1, y1)


# -- into outline text --------------------------------------------------------

def number_text(v):
    return str(int(v)) if v == int(v) else ("%.2f" % v).rstrip("0").rstrip(".")


class OutlineTextPen(AbstractPen):
    """Writes what is drawn into it as the text of GlyphOutline: M, L, Q, C
    and Z, each contour closed by a segment back to its start."""

    def __init__(self, advance):
        self.parts = ["A %d" % advance]
        self.start = self.at = None

    def _add(self, letter, *points):
        self.parts.append(" ".join([letter] + [number_text(v) for p in points for v in p]))

    def moveTo(self, p):
        self.start = self.at = p
        self._add("M", p)

    def lineTo(self, p):
        self._add("L", p)
        self.at = p

    def curveTo(self, *points):
        if len(points) == 3:
            self._add("C", *points)
            self.at = points[-1]
        else:  # a cubic spline of several pieces: as TrueType quadratics
            self.qCurveTo(*points)

    def qCurveTo(self, *points):
        points = list(points)
        if points[-1] is None:
            # Only off-curve points: the contour starts between two of them.
            first = ((points[0][0] + points[-2][0]) / 2, (points[0][1] + points[-2][1]) / 2)
            points = points[:-1] + [first]
            self.moveTo(first)
        for i, off in enumerate(points[:-1]):
            end = points[-1] if i == len(points) - 2 else ((off[0] + points[i + 1][0]) / 2,
                                                           (off[1] + points[i + 1][1]) / 2)
            self._add("Q", off, end)
        self.at = points[-1]

    def closePath(self):
        if self.at is not None and self.start is not None and tuple(self.at) != tuple(self.start):
            self._add("L", self.start)
        self.parts.append("Z")
        self.start = self.at = None

    endPath = closePath

    def addComponent(self, name, transform):
        raise NotImplementedError  # glyphs are drawn with their components resolved

    def text(self):
        return " ".join(self.parts)
