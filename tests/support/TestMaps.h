#pragma once

#include "terrain/TerrainMap.h"

#include <functional>

// A width x height grid with heights from a function of the grid point and
// its normal and visible arrays zeroed, as a loaded heightmap leaves them.
inline TerrainMap gridMap(int width, int height, const std::function<float(int x, int y)>& heightOf)
{
    TerrainMap map{.width = width, .height = height, .pointCount = uint32_t(width * height)};
    for (int i = 0; i < width * height; ++i)
        map.heights.push_back(heightOf(i % width, i / width));
    map.normals.resize(map.heights.size());
    map.visible.resize(map.heights.size());
    return map;
}
