#pragma once

#include "terrain/TerrainMap.h"

#include <functional>

// A small grid with heights from a function of the grid point, nothing else filled.
inline TerrainMap gridMap(int w, int h, const std::function<float(int x, int y)>& height)
{
    TerrainMap map;
    map.width = w;
    map.height = h;
    map.pointCount = static_cast<uint32_t>(w * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            map.heights.push_back(height(x, y));
    return map;
}
