#pragma once

#include <QRect>

// What the pen editor's model asks of its window: repaint part of the client
// area at the next paint.
class IPenEditHost
{
public:
    virtual ~IPenEditHost() = default;

    virtual void InvalidateRect(const QRect& rect) = 0;
};
