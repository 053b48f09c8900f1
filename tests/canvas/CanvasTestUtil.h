#pragma once

#include "canvas/CCanvasBitmap.h"

#include <string>
#include <vector>

// Shapes written out as text, top row first: '#' ink, '.' paper.
inline std::vector<std::string> Picture(const CCanvasBitmap& canvas)
{
    std::vector<std::string> rows;
    for (int y = canvas.Height() - 1; y >= 0; --y) {
        std::string row;
        for (int x = 0; x < canvas.Width(); ++x)
            row += canvas.IsInk(x, y) ? '#' : '.';
        rows.push_back(row);
    }
    return rows;
}

inline std::vector<std::pair<int, int>> InkDots(const CCanvasBitmap& canvas)
{
    std::vector<std::pair<int, int>> dots;
    for (int y = 0; y < canvas.Height(); ++y)
        for (int x = 0; x < canvas.Width(); ++x)
            if (canvas.IsInk(x, y))
                dots.emplace_back(x, y);
    return dots;
}
