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

// With an all-zero mesh of the usual layout for the level-of-detail walk:
// roughness 0 and no cell marked.
inline TerrainMap lodMap(int w, int h)
{
    TerrainMap map = gridMap(w, h, [](int, int) { return 0.0f; });
    map.roughness.assign(map.pointCount, 0.0f);
    map.visible.assign(map.pointCount, 0);
    map.subdivision = 8;
    map.meshColumns = 8 * w + 8;
    map.meshRows = 8 * h + 8;
    map.vertices.assign(size_t(map.meshColumns) * map.meshRows * 3, 0.0f);
    return map;
}
