"""Traces a 1-bit BMP with the potrace library in the editor's own process.

Running the potrace program costs a process start per glyph, most of the time
of an import; the library does the same tracing without it. Only
uncompressed 1-bit BMPs are read here; trace_bmp returns None for anything
else (or when the library is missing) and the caller runs the program then.

The contours come out in TrueType order (outer contours clockwise, holes
counter-clockwise), which potrace already knows from each path's sign, so the
font editor need not work out their directions again. Potrace's contours
almost never cross; the trace says when they may (mostly a curve fitted
across a tight corner or a thin gap), and only then does the editor need its
own, much dearer, overlap test. That check runs in native code when the build
made it (native/contour_crossing.cpp, some ten times faster), else in Python
here; the two give the same answers.
"""

import array
import ctypes
import math
import os
import struct
import sys

POTRACE_CURVETO = 1


class _Progress(ctypes.Structure):
    _fields_ = [("callback", ctypes.c_void_p), ("data", ctypes.c_void_p),
                ("min", ctypes.c_double), ("max", ctypes.c_double), ("epsilon", ctypes.c_double)]


class _Param(ctypes.Structure):
    _fields_ = [("turdsize", ctypes.c_int), ("turnpolicy", ctypes.c_int), ("alphamax", ctypes.c_double),
                ("opticurve", ctypes.c_int), ("opttolerance", ctypes.c_double), ("progress", _Progress)]


class _Bitmap(ctypes.Structure):
    _fields_ = [("w", ctypes.c_int), ("h", ctypes.c_int), ("dy", ctypes.c_int),
                ("map", ctypes.POINTER(ctypes.c_ulong))]


class _Curve(ctypes.Structure):
    # c points to n groups of three points, read here as 6 n numbers.
    _fields_ = [("n", ctypes.c_int), ("tag", ctypes.POINTER(ctypes.c_int)),
                ("c", ctypes.POINTER(ctypes.c_double))]


class _Path(ctypes.Structure):
    pass


_Path._fields_ = [("area", ctypes.c_int), ("sign", ctypes.c_int), ("curve", _Curve),
                  ("next", ctypes.POINTER(_Path)), ("childlist", ctypes.POINTER(_Path)),
                  ("sibling", ctypes.POINTER(_Path)), ("priv", ctypes.c_void_p)]


class _State(ctypes.Structure):
    _fields_ = [("status", ctypes.c_int), ("plist", ctypes.POINTER(_Path)), ("priv", ctypes.c_void_p)]


def _load():
    try:
        lib = ctypes.CDLL("libpotrace.so.0")
    except OSError:
        return None
    lib.potrace_param_default.restype = ctypes.POINTER(_Param)
    lib.potrace_param_free.argtypes = [ctypes.POINTER(_Param)]
    lib.potrace_trace.restype = ctypes.POINTER(_State)
    lib.potrace_trace.argtypes = [ctypes.POINTER(_Param), ctypes.POINTER(_Bitmap)]
    lib.potrace_state_free.argtypes = [ctypes.POINTER(_State)]
    return lib


NATIVE_NAME = "libglyphsmith_crossing.so"


def _native_candidates():
    """Where the native crossing check may be: beside this file in the build
    tree, else in the library folder of the prefix this file is installed
    under (<prefix>/share/quillery/editor)."""
    here = os.path.dirname(os.path.abspath(__file__))
    yield os.path.join(here, NATIVE_NAME)
    prefix = os.path.dirname(os.path.dirname(os.path.dirname(here)))
    import sysconfig
    multiarch = sysconfig.get_config_var("MULTIARCH")
    for lib in ([os.path.join("lib", multiarch)] if multiarch else []) + ["lib", "lib64"]:
        yield os.path.join(prefix, lib, "quillery", NATIVE_NAME)


def _load_native():
    """The native crossing check, or None (the Python one, which gives the
    same answers more slowly, is used then)."""
    for path in _native_candidates():
        if not os.path.exists(path):
            continue
        try:
            check = ctypes.CDLL(path).glyphsmith_may_cross
        except (OSError, AttributeError):
            continue
        check.argtypes = [ctypes.POINTER(_Path)]
        check.restype = ctypes.c_int
        return check
    return None


_LIB = _load()
_NATIVE = _load_native() if _LIB is not None else None
WORD_BYTES = ctypes.sizeof(ctypes.c_ulong)
WORD_BITS = 8 * WORD_BYTES
_WORD_CODE = "L" if array.array("L").itemsize == WORD_BYTES else "Q"
_INVERTED = bytes(range(255, -1, -1))


def read_bitmap(data):
    """The picture of a 1-bit BMP as potrace takes it: (width, height, words
    per row, array of words), rows bottom-up, ink bits set, the leftmost dot
    in a word's most significant bit, the bits past the width clear. None
    when data is not an uncompressed 1-bit BMP."""
    if len(data) < 62 or data[:2] != b"BM":
        return None
    offset = struct.unpack_from("<I", data, 10)[0]
    header, width, height, _planes, bits, compression = struct.unpack_from("<IiiHHI", data, 14)
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
    pixels = bytes(data[offset:offset + stride * rows])
    if luminance[0] < luminance[1]:  # index 0 is the ink
        pixels = pixels.translate(_INVERTED)
    words_per_row = (width + WORD_BITS - 1) // WORD_BITS
    row_bytes = words_per_row * WORD_BYTES
    used = (width + 7) // 8
    if height < 0 or used != stride or stride != row_bytes:
        # Top-down rows turned over, each cut to its dots and padded to whole
        # words; a 512 or 448 canvas needs none of it.
        pad = bytes(row_bytes - used)
        order = range(rows) if height > 0 else range(rows - 1, -1, -1)
        pixels = pad.join([pixels[y * stride:y * stride + used] for y in order]) + pad
    if width % 8:
        last = (0xFF << (8 - width % 8)) & 0xFF
        mask = (b"\xFF" * (used - 1) + bytes([last]) + bytes(row_bytes - used)) * rows
        pixels = (int.from_bytes(pixels, "big") & int.from_bytes(mask, "big")).to_bytes(len(pixels), "big")
    words = array.array(_WORD_CODE, pixels)
    if sys.byteorder == "little":
        words.byteswap()
    return width, rows, words_per_row, words


class Trace:
    """What the tracer knows of the contours it drew: they are in TrueType
    order, and may_cross is False when no two of their segments (nor a
    segment and itself) can meet beyond the points that join them."""

    def __init__(self, may_cross):
        self.may_cross = may_cross


def trace_bmp(path, draw):
    """Traces the BMP; draw(contours, width, height) receives a list of
    contours, each a start point and a list of segments ("line", p) or
    ("curve", p1, p2, p3) in bitmap dots with y upward from the bottom row.
    Returns a Trace, or None when the file is not a 1-bit BMP or the library
    is missing."""
    if _LIB is None:
        return None
    with open(path, "rb") as f:
        bmp = read_bitmap(f.read())
    if bmp is None:
        return None
    width, rows, words_per_row, words = bmp
    # No ctypes.cast here, nor array types made per path below: both leave
    # reference cycles, and with them each glyph's bitmap, for the collector.
    buffer = (ctypes.c_ulong * len(words)).from_buffer(words)
    bitmap = _Bitmap(width, rows, words_per_row, buffer)
    param = _LIB.potrace_param_default()
    if not param:
        return None
    param.contents.turdsize = 0
    state = _LIB.potrace_trace(param, ctypes.byref(bitmap))
    _LIB.potrace_param_free(param)
    if not state or state.contents.status != 0:
        if state:
            _LIB.potrace_state_free(state)
        return None
    try:
        contours = _contours(state.contents.plist)
        crossing = _NATIVE(state.contents.plist) != 0 if _NATIVE is not None else None
    finally:
        _LIB.potrace_state_free(state)
    draw(contours, width, rows)
    return Trace(may_cross(contours) if crossing is None else crossing)


def _contours(node):
    """Potrace's paths as contours in TrueType order. Potrace turns positive
    paths (outlines of ink) counter-clockwise and negative ones (holes)
    clockwise, whatever their depth; TrueType wants the opposite, so every
    path is walked backwards from the point where it starts."""
    contours = []
    while node:
        path = node.contents
        n = path.curve.n
        if n <= 0:
            node = path.next
            continue
        tags = path.curve.tag[:n]
        c = path.curve.c[:6 * n]
        start = (c[6 * n - 2], c[6 * n - 1])
        # Segment i runs from the end of segment i - 1 to (c[6i+4], c[6i+5]).
        segments = []
        for i in range(n - 1, -1, -1):
            k = 6 * i
            before = (c[k - 2], c[k - 1]) if i else start
            if tags[i] == POTRACE_CURVETO:
                segments.append(("curve", (c[k + 2], c[k + 3]), (c[k], c[k + 1]), before))
            else:
                segments.append(("line", (c[k + 2], c[k + 3])))
                segments.append(("line", before))
        contours.append((start, segments))
        node = path.next
    return contours


# --- whether contours may cross -------------------------------------------

_SLACK = 1e-6  # in dots; boxes and hulls this close count as touching
_CELL = 32.0  # dots a side of the grid that pairs up nearby segments


def _hull_axes(points):
    """Normals of every line through two of the points: among them are the
    edge normals of the points' convex hull, all that a separation test of
    two convex hulls needs."""
    axes = []
    for i in range(len(points)):
        xi, yi = points[i]
        for j in range(i + 1, len(points)):
            dx, dy = points[j][0] - xi, points[j][1] - yi
            if dx or dy:
                axes.append((-dy, dx))
    return axes


def _hulls_apart(a, b):
    """True when the convex hulls of the point lists a and b are apart."""
    for nx, ny in _hull_axes(a) + _hull_axes(b):
        pa = [nx * x + ny * y for x, y in a]
        pb = [nx * x + ny * y for x, y in b]
        slack = _SLACK * (abs(nx) + abs(ny))
        if max(pa) < min(pb) - slack or max(pb) < min(pa) - slack:
            return True
    return False


def _halves(points):
    """A segment's points split in two at its middle (a line stays whole)."""
    if len(points) == 2:
        return (points,)
    (ax, ay), (bx, by), (cx, cy), (dx, dy) = points
    abx, aby, bcx, bcy = (ax + bx) / 2, (ay + by) / 2, (bx + cx) / 2, (by + cy) / 2
    cdx, cdy = (cx + dx) / 2, (cy + dy) / 2
    lx, ly, rx, ry = (abx + bcx) / 2, (aby + bcy) / 2, (bcx + cdx) / 2, (bcy + cdy) / 2
    mx, my = (lx + rx) / 2, (ly + ry) / 2
    return (((ax, ay), (abx, aby), (lx, ly), (mx, my)), ((mx, my), (rx, ry), (cdx, cdy), (dx, dy)))


def _separated(a, b, depth=4):
    """True when the segments with points a and b are shown not to meet:
    their hulls are apart, or, for close curves, the hulls of their halves
    (and so on, a few times)."""
    if _hulls_apart(a, b):
        return True
    if depth == 0 or (len(a) == 2 and len(b) == 2):
        return False
    return all(_separated(x, y, depth - 1) for x in _halves(a) for y in _halves(b))


def _in_half_plane(angles):
    """True when the directions (radians) all lie within an open half-turn."""
    angles = sorted(a % (2 * math.pi) for a in angles)
    gaps = [b - a for a, b in zip(angles, angles[1:])] + [angles[0] + 2 * math.pi - angles[-1]]
    return max(gaps) > math.pi + 1e-9


def _apart_beyond(joint, before, after):
    """True when the segment with hull points before (ending at joint) and
    the one with hull points after (starting there) meet at the joint alone:
    a line through the joint has all of one strictly on its one side and all
    of the other on its other side."""
    jx, jy = joint
    ux, uy = after[-1][0] - before[0][0], after[-1][1] - before[0][1]
    slack = _SLACK * (abs(ux) + abs(uy))
    if all((x - jx) * ux + (y - jy) * uy < -slack for x, y in before[:-1]) and \
            all((x - jx) * ux + (y - jy) * uy > slack for x, y in after[1:]):
        return True
    # Seen from the joint, the points before and the points after turned
    # half a turn must fit in one open half-plane.
    angles = []
    for points, turn in ((before[:-1], 0.0), (after[1:], math.pi)):
        for x, y in points:
            if abs(x - jx) < _SLACK and abs(y - jy) < _SLACK:
                return False
            angles.append(math.atan2(y - jy, x - jx) + turn)
    return _in_half_plane(angles)


def _monotone(d0, d1, d2):
    """True when d0 (1 - t)^2 + 2 d1 t (1 - t) + d2 t^2, the derivative of
    one coordinate of a cubic, has no root for 0 < t < 1 and is not zero
    throughout: that coordinate never turns back."""
    if d0 * d2 < 0:
        return False
    if d0 * d2 == 0:
        return (d0 >= 0 and d1 >= 0 and d2 >= 0 or d0 <= 0 and d1 <= 0 and d2 <= 0) and (d0 or d1 or d2)
    a = d0 - 2 * d1 + d2
    t = (d0 - d1) / a if a else -1.0
    return not 0 < t < 1 or (d0 * (1 - t) ** 2 + 2 * d1 * t * (1 - t) + d2 * t * t) * d0 > 0


def _loop_free(points, depth=3):
    """True when the cubic cannot cross itself: it keeps moving one way
    along x, along y, or along a direction that all the steps between its
    control points head towards; or else its two halves are loop-free and
    meet only where they join."""
    (ax, ay), (bx, by), (cx, cy), (dx, dy) = points
    if _monotone(bx - ax, cx - bx, dx - cx) or _monotone(by - ay, cy - by, dy - cy):
        return True
    angles = [math.atan2(y1 - y0, x1 - x0) for (x0, y0), (x1, y1) in zip(points, points[1:])
              if abs(x1 - x0) > _SLACK or abs(y1 - y0) > _SLACK]
    if angles and _in_half_plane(angles):
        return True
    if depth == 0:
        return False
    first, second = _halves(points)
    return _loop_free(first, depth - 1) and _loop_free(second, depth - 1) and \
        _apart_beyond(first[-1], first, second)


def _joint_apart(before, after):
    """True when segment before (ending at the joint) and segment after
    (starting there) can meet at the joint alone: the quick test looks along
    the line from the start of one to the end of the other, the thorough one
    asks for any line through the joint."""
    jx, jy = after[0]
    ux, uy = after[-1][0] - before[0][0], after[-1][1] - before[0][1]
    slack = _SLACK * (abs(ux) + abs(uy))
    if len(before) == 2:
        x, y = before[0]
        if (x - jx) * ux + (y - jy) * uy >= -slack:
            return _apart_beyond(after[0], before, after)
    else:
        for x, y in before[:-1]:
            if (x - jx) * ux + (y - jy) * uy >= -slack:
                return _apart_beyond(after[0], before, after)
    for x, y in after[1:]:
        if (x - jx) * ux + (y - jy) * uy <= slack:
            return _apart_beyond(after[0], before, after)
    return True


def may_cross(contours):
    """False when no segment of the contours can touch another beyond the
    point two neighbours share, nor itself: each segment lies inside the
    convex hull of its control points, and those hulls are shown apart.
    True whenever that cannot be shown, so a crossing is never missed."""
    slack = _SLACK
    hulls = []   # per segment: its points, start first and end last
    boxes = []   # per segment: x0, x1, y0, y1, slightly widened
    follows = []  # per segment: the index of the segment that follows it
    for start, segments in contours:
        first = len(hulls)
        at = start
        ax, ay = start
        for segment in segments:
            end = segment[-1]
            ex, ey = end
            ux, uy = ex - ax, ey - ay
            if segment[0] == "curve":
                p, q = segment[1], segment[2]
                px, py = p
                qx, qy = q
                hull = (at, p, q, end)
                # Most curves keep heading along their chord; the rest get
                # the thorough test.
                if not ((px - ax) * ux + (py - ay) * uy > 0 and (qx - px) * ux + (qy - py) * uy > 0
                        and (ex - qx) * ux + (ey - qy) * uy > 0) and not _loop_free(hull):
                    return True
                boxes.append((min(ax, px, qx, ex) - slack, max(ax, px, qx, ex) + slack,
                              min(ay, py, qy, ey) - slack, max(ay, py, qy, ey) + slack))
            else:
                hull = (at, end)
                boxes.append((min(ax, ex) - slack, max(ax, ex) + slack, min(ay, ey) - slack, max(ay, ey) + slack))
            if len(hulls) > first and not _joint_apart(hulls[-1], hull):
                return True
            hulls.append(hull)
            follows.append(len(hulls))
            at, ax, ay = end, ex, ey
        if len(hulls) - first < 3 or not _joint_apart(hulls[-1], hulls[first]):
            return True
        follows[-1] = first
    cells = {}
    cell = _CELL
    for i, (x0, x1, y0, y1) in enumerate(boxes):
        for cx in range(int(x0 // cell), int(x1 // cell) + 1):
            for cy in range(int(y0 // cell), int(y1 // cell) + 1):
                key = cx * 65536 + cy
                here = cells.get(key)
                if here is None:
                    cells[key] = [i]
                    continue
                for k in here:
                    bx0, bx1, by0, by1 = boxes[k]
                    if bx0 > x1 or x0 > bx1 or by0 > y1 or y0 > by1 or follows[k] == i or follows[i] == k:
                        continue
                    # Each pair is looked at in one cell only: the one that
                    # holds the lower left corner of their boxes' overlap.
                    if int((x0 if x0 > bx0 else bx0) // cell) != cx or int((y0 if y0 > by0 else by0) // cell) != cy:
                        continue
                    if not _separated(hulls[i], hulls[k]):
                        return True
                here.append(i)
    return False
