#pragma once

#include <QString>

// The preferences the options dialog edits, as the view holds them.
struct COptionValues
{
    int bmpSize = 512;
    bool doAndNext = false;
    int gridSize = 3;
    bool writeStrokeFile = false;
    QString strkFolderPath;
    // Going on after Execute takes the next character of the character
    // table's set that the font lacks, instead of the next code.
    bool nextMissing = false;
};
