#pragma once

#include <QCursor>

// The cursors of the drawing view, made from the two-colour images in the
// resources with the hot spot each one needs.
class CCursorFactory
{
public:
    static QPoint HotSpot(int cursorId);
    static QCursor Cursor(int cursorId);
};
