#pragma once

#include "terrain/TerrainMap.h"

#include <functional>

// A size x size grid with heights from a function of the grid point, nothing else filled.
inline TerrainMap gridMap(int size, const std::function<float(int x, int y)>& height)
{
    TerrainMap map{.width = size, .height = size};
    for (int i = 0; i < size * size; ++i)
        map.heights.push_back(height(i % size, i / size));
    return map;
}
