#include "app/CWindowPlacement.h"

#include <algorithm>

QRect CWindowPlacement::Beside(const QRect& frame, QSize size, const QRect& workArea)
{
    const QSize fitted = size.boundedTo(workArea.size());
    int left = 0;
    if (frame.right() + 1 + fitted.width() <= workArea.right() + 1)
        left = frame.right() + 1;
    else if (frame.left() - fitted.width() >= workArea.left())
        left = frame.left() - fitted.width();
    else
        left = workArea.right() + 1 - fitted.width();
    const int top = std::clamp(frame.top(), workArea.top(), workArea.bottom() + 1 - fitted.height());
    return QRect(QPoint(left, top), fitted);
}
