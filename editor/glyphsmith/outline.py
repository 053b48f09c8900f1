"""Traced contours into TrueType glyphs, and glyphs into the outline text of
GlyphOutline.

Contours are (start, segments) pairs in font units, a segment being
("line", p) or ("curve", p1, p2, p3) and the last one ending at the start.
The tracer gives them in TrueType order (outer contours clockwise, holes
counter-clockwise). Where it says they may cross, booleanOperations merges
them first. fontTools' cu2qu turns the cubic curves into quadratic ones
within QUADRATIC_ERROR font units, and the points are rounded to the
integer grid."""

import collections
import math
import struct

from fontTools.cu2qu import curve_to_quadratic
from fontTools.pens.basePen import AbstractPen
from fontTools.pens.pointPen import PointToSegmentPen
from fontTools.pens.recordingPen import RecordingPen
from fontTools.ttLib.tables._g_l_y_f import Glyph

QUADRATIC_ERROR = 1.0

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
    merged, start, segments = [], None, []
    for op, args in pen.value:
        if op == "moveTo":
            start, segments = args[0], []
        elif op == "lineTo":
            segments.append(("line", args[0]))
        elif op == "curveTo":
            segments.append(("curve",) + tuple(args))
        elif op == "closePath" and start is not None:
            last = segments[-1][-1] if segments else start
            if last != start:
                segments.append(("line", start))
            if len(segments) >= 2:
                merged.append((start, segments))
            start = None
    return correct_directions(merged)


# -- into TrueType ------------------------------------------------------------

def quadratic_points(contours, error=QUADRATIC_ERROR, scale=(1.0, 1.0, 0.0)):
    """Contours as lists of integer TrueType points (x, y, on-curve), with
    repeated points and contours that rounding flattened taken out. scale
    (sx, sy, dy) maps the contours' points into font units on the way
    (x sx, y sy + dy), so the error is in font units."""
    sx, sy, dy = scale
    floor = math.floor
    out = []
    for start, segments in contours:
        ax, ay = start[0] * sx, start[1] * sy + dy
        points = [(floor(ax + 0.5), floor(ay + 0.5), True)]
        for segment in segments:
            if segment[0] == "line":
                x, y = segment[1]
                x, y = x * sx, y * sy + dy
                points.append((floor(x + 0.5), floor(y + 0.5), True))
            else:
                (x1, y1), (x2, y2), (x, y) = segment[1], segment[2], segment[3]
                x, y = x * sx, y * sy + dy
                spline = curve_to_quadratic([(ax, ay), (x1 * sx, y1 * sy + dy), (x2 * sx, y2 * sy + dy), (x, y)],
                                            error)
                for qx, qy in spline[1:-1]:
                    points.append((floor(qx + 0.5), floor(qy + 0.5), False))
                points.append((floor(x + 0.5), floor(y + 0.5), True))
            ax, ay = x, y
        cleaned = []
        for p in points:
            if cleaned and p[0] == cleaned[-1][0] and p[1] == cleaned[-1][1] and (p[2] or cleaned[-1][2]):
                if p[2] and not cleaned[-1][2]:
                    cleaned[-1] = p
                continue
            cleaned.append(p)
        while len(cleaned) > 1 and cleaned[-1][:2] == cleaned[0][:2]:
            cleaned.pop()
        if len(cleaned) >= 3 and len({p[:2] for p in cleaned}) >= 3:
            out.append(cleaned)
    return out


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
