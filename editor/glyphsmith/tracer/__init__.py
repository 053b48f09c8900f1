"""Bitmaps into contours: the potrace library in the editor's process for
the 1-bit BMPs the client writes, the potrace program for any other BMP."""

from .potrace import (SETTINGS, Settings, Trace, fitted_glyph, lean_points, points_may_cross, read_bitmap,
                      trace_bmp, trace_data)

__all__ = ["SETTINGS", "Settings", "Trace", "fitted_glyph", "lean_points", "points_may_cross", "read_bitmap",
           "trace_bmp", "trace_data"]
