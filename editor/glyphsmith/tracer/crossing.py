"""Whether traced contours may cross, in Python: the check the editor uses
where the build did not make the native one (native/contour_crossing.cpp),
which gives the same answers some ten times faster.

Every segment lies inside the convex hull of its control points; a grid of
cells pairs up segments whose boxes overlap, and their hulls are tested apart
(halving close curves a few times); two neighbours must meet only at their
joint and a curve must not loop. Anything that cannot be shown apart counts
as a possible crossing, so a crossing is never missed."""

import math

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


def points_segments(points):
    """A closed contour of TrueType points (x, y, on-curve; the on-curve
    point between two off-curve ones implied) as a start and segments for
    may_cross, from its first on-curve point, each quadratic curve as the
    cubic it equals. None for a contour without an on-curve point."""
    full = []
    count = len(points)
    for i, (x, y, on) in enumerate(points):
        bx, by, before_on = points[i - 1] if i else points[count - 1]
        if not on and not before_on:
            full.append(((bx + x) / 2.0, (by + y) / 2.0, True))
        full.append((float(x), float(y), on))
    start = next((i for i, p in enumerate(full) if p[2]), None)
    if start is None:
        return None
    n = len(full)
    at = full[start][:2]
    segments = []
    k = 1
    while k <= n:
        p = full[(start + k) % n]
        if p[2]:
            segments.append(("line", p[:2]))
            at = p[:2]
            k += 1
            continue
        end = full[(start + k + 1) % n][:2]
        segments.append(("curve", (at[0] + 2.0 / 3.0 * (p[0] - at[0]), at[1] + 2.0 / 3.0 * (p[1] - at[1])),
                         (end[0] + 2.0 / 3.0 * (p[0] - end[0]), end[1] + 2.0 / 3.0 * (p[1] - end[1])), end))
        at = end
        k += 2
    return (full[start][:2], segments)


def points_may_cross(contours):
    """may_cross for the contours of a finished glyph, lists of TrueType
    points."""
    segments = [points_segments(c) for c in contours]
    return any(s is None for s in segments) or may_cross(segments)
