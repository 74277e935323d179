#pragma once

// Slope shades of the smaller programs' meshes: a vertex brightens where the
// terrain rises towards +x +y and darkens where it falls, from 0.3 to 0.8.
// No GL; the mesh positions must already be in `vertices`.

#include "terrain/TerrainMap.h"

#include <algorithm>

// value clamped to [0.3, 0.8]; NaN gives the lowest shade.
inline float clampShade(double value)
{
    constexpr float lowest = 0.3f;
    if (!(value > lowest)) return lowest;
    return static_cast<float>(std::min<double>(value, 0.8f));
}

// True when `vertices` holds every mesh position and `light` a value per vertex.
inline bool shadeValuesPresent(const TerrainMap& map)
{
    if (map.meshColumns <= 0 || map.meshRows <= 0) return false;
    const size_t count = static_cast<size_t>(map.meshColumns) * static_cast<size_t>(map.meshRows);
    return map.vertices.size() >= count * 3 && map.light.size() >= count;
}
