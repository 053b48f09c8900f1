"""Traces a 1-bit BMP with the potrace library in the editor's own process.

Running the potrace program costs a process start per glyph, most of the time
of an import; the library does the same tracing without it. Only
uncompressed 1-bit BMPs are read here; trace_bmp returns None for anything
else (or when the library is missing) and the caller runs the program then.
"""

import array
import ctypes
import struct

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


class _DPoint(ctypes.Structure):
    _fields_ = [("x", ctypes.c_double), ("y", ctypes.c_double)]


class _Curve(ctypes.Structure):
    _fields_ = [("n", ctypes.c_int), ("tag", ctypes.POINTER(ctypes.c_int)),
                ("c", ctypes.POINTER(_DPoint * 3))]


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


_LIB = _load()
WORD_BYTES = ctypes.sizeof(ctypes.c_ulong)


def _read_bmp(data):
    """(width, height, ink rows bottom-up as bytes with ink bits set) or None."""
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
    ink_is_zero = luminance[0] < luminance[1]
    rows = abs(height)
    stride = (width + 31) // 32 * 4
    if offset + stride * rows > len(data):
        return None
    pixels = data[offset:offset + stride * rows]
    if height < 0:  # top-down file: make it bottom-up
        pixels = b"".join(pixels[i * stride:(i + 1) * stride] for i in reversed(range(rows)))
    if ink_is_zero:
        pixels = bytes(b ^ 0xFF for b in pixels)
    return width, rows, stride, pixels


def trace_bmp(path, draw):
    """Traces the BMP; draw(contours) receives a list of contours, each a
    start point and a list of segments ("line", p) or ("curve", p1, p2, p3) in
    bitmap dots with y upward from the bottom row. False when the file is not
    a 1-bit BMP or the library is missing."""
    if _LIB is None:
        return False
    with open(path, "rb") as f:
        bmp = _read_bmp(f.read())
    if bmp is None:
        return False
    width, rows, stride, pixels = bmp
    words_per_row = (width + 8 * WORD_BYTES - 1) // (8 * WORD_BYTES)
    row_bytes = words_per_row * WORD_BYTES
    used = (width + 7) // 8
    tail_mask = (0xFF << (8 - (width % 8 or 8))) & 0xFF
    padded = bytearray(row_bytes * rows)
    for y in range(rows):
        row = bytearray(pixels[y * stride:y * stride + used])
        row[-1] &= tail_mask
        padded[y * row_bytes:y * row_bytes + used] = row
    words = array.array("L" if array.array("L").itemsize == WORD_BYTES else "Q", bytes(padded))
    words.byteswap()  # the leftmost dot is a word's most significant bit
    buffer = (ctypes.c_ulong * len(words)).from_buffer(words)
    bitmap = _Bitmap(width, rows, words_per_row, ctypes.cast(buffer, ctypes.POINTER(ctypes.c_ulong)))
    param = _LIB.potrace_param_default()
    if not param:
        return False
    param.contents.turdsize = 0
    state = _LIB.potrace_trace(param, ctypes.byref(bitmap))
    _LIB.potrace_param_free(param)
    if not state or state.contents.status != 0:
        if state:
            _LIB.potrace_state_free(state)
        return False
    contours = []
    node = state.contents.plist
    while node:
        curve = node.contents.curve
        n = curve.n
        last = curve.c[n - 1][2]
        segments = []
        for i in range(n):
            c = curve.c[i]
            if curve.tag[i] == POTRACE_CURVETO:
                segments.append(("curve", (c[0].x, c[0].y), (c[1].x, c[1].y), (c[2].x, c[2].y)))
            else:
                segments.append(("line", (c[1].x, c[1].y)))
                segments.append(("line", (c[2].x, c[2].y)))
        contours.append(((last.x, last.y), segments))
        node = node.contents.next
    _LIB.potrace_state_free(state)
    draw(contours, width, rows)
    return True
