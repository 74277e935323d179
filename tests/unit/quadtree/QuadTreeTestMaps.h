#pragma once

#include "terrain/TerrainMap.h"

#include <cstdint>
#include <functional>

// A terrain with only the fields the quad view tree reads and writes.
inline TerrainMap makeMap(int32_t width, int32_t height,
                          const std::function<float(int32_t, int32_t)>& heightOf)
{
    TerrainMap map;
    map.width = width;
    map.height = height;
    map.pointCount = static_cast<uint32_t>(width * height);
    map.heights.resize(map.pointCount);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            map.heights[static_cast<size_t>(x + width * y)] = heightOf(x, y);
    map.visible.assign(map.pointCount, 0);
    return map;
}

// Heights in whole eighths from 0 to 31.875, like a heightmap file's bytes.
inline float bumpyHeight(int32_t x, int32_t y)
{
    const uint32_t hash = static_cast<uint32_t>(x) * 73856093u ^ static_cast<uint32_t>(y) * 19349663u;
    return static_cast<float>((hash >> 7) % 256) * 0.125f;
}
