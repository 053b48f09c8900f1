#pragma once

#include "fonteditor/CGlyphOutline.h"

#include <QPainterPath>

// The editor's outline of a glyph as a path to fill, in font units (y up),
// non-zero winding as TrueType fills it.
QPainterPath OutlinePath(const CGlyphOutline& outline);
