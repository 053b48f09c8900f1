"""Plain geometry of finished glyphs, for the tests and the outline
benchmark: a glyph's contours as TrueType points and as pieces (lines and
quadratic curves, the implied on-curve points put back), flattened
polygons, areas, turns without a point, and edges that cross. Written apart
from the editor's own code, so that it can check it."""


def point_contours(glyph):
    """A glyf entry's contours as lists of (x, y, on-curve)."""
    glyph.expand(None)
    out, start = [], 0
    if glyph.numberOfContours <= 0:
        return out
    for end in glyph.endPtsOfContours:
        out.append([(glyph.coordinates[i][0], glyph.coordinates[i][1], bool(glyph.flags[i] & 1))
                    for i in range(start, end + 1)])
        start = end + 1
    return out


def pieces(contour):
    """A contour of TrueType points as (a, b) lines and (a, c, b) quadratic
    curves, from its first on-curve point (implied ones put back)."""
    full = []
    for i, p in enumerate(contour):
        before = contour[i - 1]
        if not p[2] and not before[2]:
            full.append(((before[0] + p[0]) / 2, (before[1] + p[1]) / 2, True))
        full.append(p)
    while not full[0][2]:
        full.append(full.pop(0))
    out, i, n = [], 0, len(full)
    while i < n:
        a, nxt = full[i], full[(i + 1) % n]
        if nxt[2]:
            out.append((a[:2], nxt[:2]))
            i += 1
        else:
            out.append((a[:2], nxt[:2], full[(i + 2) % n][:2]))
            i += 2
    return out


def glyph_pieces(glyph):
    return [pieces(c) for c in point_contours(glyph)]


def polygon(contour_pieces, steps=16):
    """The pieces flattened, each curve into steps straight pieces."""
    points = []
    for piece in contour_pieces:
        points.append(piece[0])
        if len(piece) == 3:
            (x0, y0), (x1, y1), (x2, y2) = piece
            for k in range(1, steps):
                t = k / steps
                u = 1 - t
                points.append((u * u * x0 + 2 * u * t * x1 + t * t * x2, u * u * y0 + 2 * u * t * y1 + t * t * y2))
    return points


def polygon_area(points):
    return abs(sum(x0 * y1 - x1 * y0 for (x0, y0), (x1, y1) in zip(points, points[1:] + points[:1]))) / 2


def exact_area(contour_pieces):
    """The area the pieces enclose: the polygon of their ends and two thirds
    of the triangle each curve makes with its chord."""
    total = 0.0
    for piece in contour_pieces:
        a, b = piece[0], piece[-1]
        total += a[0] * b[1] - b[0] * a[1]
        if len(piece) == 3:
            c = piece[1]
            total += 2 / 3 * ((c[0] - a[0]) * (b[1] - a[1]) - (c[1] - a[1]) * (b[0] - a[0]))
    return abs(total) / 2


def unmarked_turns(contour_pieces, least=0.5):
    """Curves that turn in x or y more than least beyond both their ends."""
    turns = 0
    for piece in contour_pieces:
        if len(piece) != 3:
            continue
        a, c, b = piece
        for axis in (0, 1):
            lo, hi = min(a[axis], b[axis]), max(a[axis], b[axis])
            if lo <= c[axis] <= hi:
                continue
            t = (a[axis] - c[axis]) / (a[axis] - 2 * c[axis] + b[axis])
            v = (1 - t) ** 2 * a[axis] + 2 * t * (1 - t) * c[axis] + t * t * b[axis]
            turns += v > hi + least or v < lo - least
    return turns


def edges_cross(polygons, cell=1.0):
    """True when two edges of the polygons that do not share an end cross
    properly: the outlines cross each other or themselves. Edges meet in a
    grid of cells cell wide."""
    edges = [(a, b) for polygon_points in polygons
             for a, b in zip(polygon_points, polygon_points[1:] + polygon_points[:1])]

    def side(p, q, r):
        v = (q[0] - p[0]) * (r[1] - p[1]) - (q[1] - p[1]) * (r[0] - p[0])
        return (v > 1e-9) - (v < -1e-9)

    cells = {}
    for i, (a, b) in enumerate(edges):
        for cx in range(int(min(a[0], b[0]) // cell), int(max(a[0], b[0]) // cell) + 1):
            for cy in range(int(min(a[1], b[1]) // cell), int(max(a[1], b[1]) // cell) + 1):
                cells.setdefault((cx, cy), []).append(i)
    seen = set()
    for members in cells.values():
        for n, i in enumerate(members):
            for k in members[n + 1:]:
                if (i, k) in seen:
                    continue
                seen.add((i, k))
                (a, b), (c, d) = edges[i], edges[k]
                if len({a, b, c, d}) == 4 and side(a, b, c) * side(a, b, d) < 0 and \
                        side(c, d, a) * side(c, d, b) < 0:
                    return True
    return False
