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
own, much dearer, overlap merge. That check runs in native code when the build
made it (native/contour_crossing.cpp, some ten times faster), else in Python
(crossing.py); the two give the same answers.
"""

import array
import collections
import ctypes
import os
import struct
import sys

from . import crossing

POTRACE_CURVETO = 1

# How potrace draws: speck is the side, in 512ths of the canvas, below which
# a patch of ink or a hole counts as a speck and is dropped (the area potrace
# calls turdsize follows the canvas size); alphamax how readily a bend
# becomes a curve rather than a corner; opttolerance how far a run of curves
# may move when it is joined into fewer.
Settings = collections.namedtuple("Settings", "speck alphamax opttolerance")
PLAIN_SETTINGS = Settings(speck=2.0, alphamax=1.0, opttolerance=0.5)
# Fewer, smoother curves, for an editor that fits its points to the ink
# afterwards (fit_to_ink), which brings them back to it.
FIT_SETTINGS = Settings(speck=2.0, alphamax=1.2, opttolerance=1.0)


def turdsize(speck, width):
    """Potrace's area bound for specks on a canvas width dots wide: paths
    of that many dots or fewer are dropped, so one of speck by speck 512ths
    of the canvas stays."""
    side = speck * width / 512.0
    return max(0, int(side * side) - 1) if side >= 1 else 0


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
    """Where the native crossing check may be: in the editor's folder in the
    build tree (the one that holds the glyphsmith package), else in the
    library folder of the prefix the editor is installed under
    (<prefix>/share/quillery/editor)."""
    editor = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    yield os.path.join(editor, NATIVE_NAME)
    prefix = os.path.dirname(os.path.dirname(os.path.dirname(editor)))
    import sysconfig
    multiarch = sysconfig.get_config_var("MULTIARCH")
    for lib in ([os.path.join("lib", multiarch)] if multiarch else []) + ["lib", "lib64"]:
        yield os.path.join(prefix, lib, "quillery", NATIVE_NAME)


def _load_native():
    """The native crossing checks, of potrace's paths and of a finished
    glyph's points, and the native last passes over a contour's points, or
    None for each (the Python ones, which give the same answers more
    slowly, are used then)."""
    for path in _native_candidates():
        if not os.path.exists(path):
            continue
        try:
            library = ctypes.CDLL(path)
            check = library.glyphsmith_may_cross
        except (OSError, AttributeError):
            continue
        check.argtypes = [ctypes.POINTER(_Path)]
        check.restype = ctypes.c_int
        int_p, byte_p = ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_ubyte)
        points = getattr(library, "glyphsmith_points_may_cross", None)
        if points is not None:
            points.argtypes = [int_p, int_p, byte_p, int_p, ctypes.c_int]
            points.restype = ctypes.c_int
        lean = getattr(library, "glyphsmith_lean_points", None)
        if lean is not None:
            lean.argtypes = [int_p, int_p, byte_p, ctypes.c_int, ctypes.c_int, ctypes.c_double, ctypes.c_int,
                             ctypes.c_double]
            lean.restype = ctypes.c_int
        fit = getattr(library, "glyphsmith_fitted_glyph", None)
        if fit is not None:
            double, int_ = ctypes.c_double, ctypes.c_int
            fit.argtypes = [ctypes.POINTER(double), byte_p, int_p, int_, double, double, double,
                            ctypes.POINTER(ctypes.c_ulong), int_, int_, int_, double, double, double, double, double,
                            double, double, double, double, int_p, int_p, byte_p, int_, int_p, int_]
            fit.restype = int_
        return check, points, lean, fit
    return None, None, None, None


_LIB = _load()
_NATIVE, _NATIVE_POINTS, _NATIVE_LEAN, _NATIVE_FIT = _load_native()
SETTINGS = FIT_SETTINGS if _NATIVE_FIT is not None else PLAIN_SETTINGS
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
    segment and itself) can meet beyond the points that join them; picture
    is the bitmap they were traced from (read_bitmap's answer)."""

    def __init__(self, may_cross, picture=None):
        self.may_cross = may_cross
        self.picture = picture


def trace_bmp(path, draw, settings=None):
    """trace_data of the file at path."""
    with open(path, "rb") as f:
        return trace_data(f.read(), draw, settings)


def trace_data(data, draw, settings=None):
    """Traces the BMP file's bytes; draw(contours, width, height) receives a
    list of contours, each a start point and a list of segments ("line", p)
    or ("curve", p1, p2, p3) in bitmap dots with y upward from the bottom
    row. Returns a Trace, or None when the data is not a 1-bit BMP or the
    library is missing. settings are SETTINGS unless given."""
    if _LIB is None:
        return None
    settings = settings or SETTINGS
    bmp = read_bitmap(data)
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
    param.contents.turdsize = turdsize(settings.speck, width)
    param.contents.alphamax = settings.alphamax
    param.contents.opttolerance = settings.opttolerance
    state = _LIB.potrace_trace(param, ctypes.byref(bitmap))
    _LIB.potrace_param_free(param)
    if not state or state.contents.status != 0:
        if state:
            _LIB.potrace_state_free(state)
        return None
    try:
        contours = _contours(state.contents.plist)
        crossed = _NATIVE(state.contents.plist) != 0 if _NATIVE is not None else None
    finally:
        _LIB.potrace_state_free(state)
    draw(contours, width, rows)
    return Trace(crossing.may_cross(contours) if crossed is None else crossed, bmp)


def points_may_cross(contours):
    """Whether the contours of a finished glyph (lists of integer TrueType
    points) may cross, as crossing.points_may_cross answers it: in native
    code when the build made it."""
    if _NATIVE_POINTS is None:
        return crossing.points_may_cross(contours)
    every = [p for contour in contours for p in contour]
    count = len(every)
    if not count:
        return False
    xs = array.array("i", [int(p[0]) for p in every])
    ys = array.array("i", [int(p[1]) for p in every])
    on = bytearray([1 if p[2] else 0 for p in every])
    ends, end = array.array("i"), -1
    for contour in contours:
        end += len(contour)
        ends.append(end)
    return _NATIVE_POINTS((ctypes.c_int * count).from_buffer(xs), (ctypes.c_int * count).from_buffer(ys),
                          (ctypes.c_ubyte * count).from_buffer(on),
                          (ctypes.c_int * len(contours)).from_buffer(ends), len(contours)) != 0


def lean_points(points, tolerance, levelling, reach):
    """outline's last passes over a contour of integer TrueType points in
    native code: on-curve points left implied within tolerance units (none
    when it is None), then with levelling the turns levelled or cut. None
    when the build made no native code."""
    if _NATIVE_LEAN is None:
        return None
    count = len(points)
    room = 4 * 64 + 4  # each cut adds at most four points
    capacity = count + room
    xs = array.array("i", [p[0] for p in points])
    ys = array.array("i", [p[1] for p in points])
    xs.frombytes(bytes(4 * room))
    ys.frombytes(bytes(4 * room))
    on = bytearray([1 if p[2] else 0 for p in points]) + bytes(room)
    done = _NATIVE_LEAN((ctypes.c_int * capacity).from_buffer(xs), (ctypes.c_int * capacity).from_buffer(ys),
                        (ctypes.c_ubyte * capacity).from_buffer(on), count, capacity,
                        -1.0 if tolerance is None else tolerance, 1 if levelling else 0, reach)
    if done < 0:
        return None
    return [(x, y, o == 1) for x, y, o in zip(xs[:done], ys[:done], on[:done])]


def fitted_glyph(contours, scale, bitmap, ink_scale, error, least, reach, stiffness, implied, implied_last):
    """The TrueType points of the traced contours (scale maps them into font
    units) converted with the leeway error and fitted to the ink of the
    bitmap they were traced from (read_bitmap's answer; ink_scale maps its
    dots into font units), twice, tidied between and after, without specks
    (native/ink_fit.cpp). None when the fit cannot be made or the build
    made no native code."""
    if _NATIVE_FIT is None:
        return None
    coords, curve, segment_ends = array.array("d"), bytearray(), array.array("i")
    add = coords.extend
    for start, segments in contours:
        add(start)
        for segment in segments:
            if segment[0] == "line":
                curve.append(0)
                add(segment[1])
            else:
                curve.append(1)
                add(segment[1])
                add(segment[2])
                add(segment[3])
        segment_ends.append(len(curve))
    if not segment_ends:
        return []
    width, rows, words_per_row, words = bitmap
    capacity = 4 * len(coords) + 256 * len(segment_ends) + 64  # conversion, cuts at turns
    xs, ys = array.array("i", bytes(4 * capacity)), array.array("i", bytes(4 * capacity))
    on = bytearray(capacity)
    ends = array.array("i", bytes(4 * len(segment_ends)))
    done = _NATIVE_FIT(_buffer(coords, ctypes.c_double), _buffer(curve or bytearray(1), ctypes.c_ubyte),
                       _buffer(segment_ends, ctypes.c_int), len(segment_ends), *scale,
                       _buffer(words, ctypes.c_ulong), width, rows, words_per_row, *ink_scale, error, least, reach,
                       stiffness, implied, implied_last, _buffer(xs, ctypes.c_int), _buffer(ys, ctypes.c_int),
                       _buffer(on, ctypes.c_ubyte), capacity, _buffer(ends, ctypes.c_int), len(ends))
    if done < 0:
        return None
    out, start = [], 0
    for end in ends[:done]:
        out.append(list(zip(xs[start:end + 1], ys[start:end + 1], (o == 1 for o in on[start:end + 1]))))
        start = end + 1
    return out


def _buffer(data, kind):
    """A ctypes view of an array's or a bytearray's memory."""
    return (kind * (len(data) * data.itemsize // ctypes.sizeof(kind) if isinstance(data, array.array)
                    else len(data))).from_buffer(data)


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
