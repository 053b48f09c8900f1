"""Traces any BMP the potrace program reads (other depths, compressed
files), through an SVG file in a private temporary folder. Slower than the
library (a process per glyph), and only for bitmaps the library path does
not read."""

import os
import re
import shutil
import subprocess
import tempfile

from fontTools.pens.recordingPen import RecordingPen

from . import potrace
from .. import outline

TIMEOUT = 30


class ProgramError(Exception):
    """The program failed; str() is its message."""


def trace(path):
    """The contours of the BMP in bitmap dots, y upward from the bottom row,
    as (start, segments) pairs like the library's, and (width, height);
    their directions are whatever the program gave."""
    folder = tempfile.mkdtemp(prefix="glyphsmith-")
    svg = os.path.join(folder, "glyph.svg")
    try:
        # Specks go with the outline (the canvas size is not known here yet);
        # the curves are drawn as the library draws them.
        settings = potrace.SETTINGS
        done = subprocess.run(["potrace", "-b", "svg", "-t", "0", "-a", repr(settings.alphamax),
                               "-O", repr(settings.opttolerance), "-o", svg, path], stdin=subprocess.DEVNULL,
                              stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=TIMEOUT)
        if done.returncode != 0:
            raise ProgramError(done.stderr.decode("utf-8", "replace").strip())
        with open(svg, "rb") as f:
            text = f.read().decode("utf-8", "replace")
        return _contours(svg, text)
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def _contours(svg, text):
    """Potrace draws in tenths of a dot under one group transform,
    translate(0,H) scale(s,-s), which fontTools' SVG reader leaves to us."""
    from fontTools.svgLib.path import SVGPath  # rarely needed, and slow to load

    box = re.search(r'viewBox="([-\d.]+) ([-\d.]+) ([-\d.]+) ([-\d.]+)"', text)
    width, height = (float(box.group(3)), float(box.group(4))) if box else (0.0, 0.0)
    tx, ty, sx, sy = 0.0, height, 1.0, -1.0
    move = re.search(r'translate\(([-\d.]+),([-\d.]+)\)', text)
    if move:
        tx, ty = float(move.group(1)), float(move.group(2))
    scale = re.search(r'scale\(([-\d.]+),([-\d.]+)\)', text)
    if scale:
        sx, sy = float(scale.group(1)), float(scale.group(2))

    def at(p):
        return (tx + sx * p[0], height - (ty + sy * p[1]))

    pen = RecordingPen()
    if "<path" in text:
        SVGPath(svg).draw(pen)
    return outline.recorded_contours(pen.value, at), (int(round(width)), int(round(height)))
