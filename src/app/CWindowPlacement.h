#pragma once

#include <QRect>

// Where a helper window opens next to the main window.
class CWindowPlacement
{
public:
    // A window of the given size beside the frame: to its right when the
    // work area has room there, else to its left, else as far right as it
    // fits; its top level with the frame's. The result always lies inside
    // the work area, shrunk to it when the window is larger.
    static QRect Beside(const QRect& frame, QSize size, const QRect& workArea);
};
