#pragma once

#include "canvas/CPointArray2.h"

#include <vector>

// The strokes of one character, oldest first. Copies are deep.
class CPointAryAry2 : public std::vector<CPointArray2>
{
public:
    using std::vector<CPointArray2>::vector;
};
