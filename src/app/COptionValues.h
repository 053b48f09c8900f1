#pragma once

#include <QString>

// The five preferences the options dialog edits, as the view holds them.
struct COptionValues
{
    int bmpSize = 512;
    bool doAndNext = false;
    int gridSize = 3;
    bool writeStrokeFile = false;
    QString strkFolderPath;
};
