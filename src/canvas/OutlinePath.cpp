#include "canvas/OutlinePath.h"

QPainterPath OutlinePath(const CGlyphOutline& outline)
{
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    for (const CGlyphOutline::Command& c : outline.Commands()) {
        switch (c.kind) {
        case CGlyphOutline::EKind::Move: path.moveTo(c.points[0]); break;
        case CGlyphOutline::EKind::Line: path.lineTo(c.points[0]); break;
        case CGlyphOutline::EKind::Quad: path.quadTo(c.points[0], c.points[1]); break;
        case CGlyphOutline::EKind::Cubic: path.cubicTo(c.points[0], c.points[1], c.points[2]); break;
        case CGlyphOutline::EKind::Close: path.closeSubpath(); break;
        }
    }
    return path;
}
