"""Glyphsmith: the font editor that Quillery drives by automation.

The font is the only thing a user keeps, so the editor never holds a font in
a form that could lose what the file had: a font is the file as opened
(fontTools reads it lazily and it is never changed in memory) plus the
changes made since, which are exactly what the font's journal holds. A save
builds the new file from the two; tables and glyphs the editor did not write
are copied as they were.

Modules by concern: server (socket and lines), protocol (values, arguments
and the dispatch errors), dispatch (the members by number), application and
font (the two automation objects), store (the font over fontTools), naming,
vertical, newfont, outline (traced contours into TrueType glyphs), journal,
intake (what can be opened), recovery, safefile, fontlock, places, cp932 and
the tracer package.
"""

EDITOR_VERSION = "3.10"
PROG_ID = "Glyphsmith.Application"
