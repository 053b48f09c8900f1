"""Bitmaps into contours: the potrace library in the editor's process for
the 1-bit BMPs the client writes, the potrace program for any other BMP."""

from .potrace import Trace, read_bitmap, trace_bmp, trace_data

__all__ = ["Trace", "read_bitmap", "trace_bmp", "trace_data"]
