#include "terrain/ImmediateLod.h"

#include <algorithm>

int immediateLodStep(float f, int subdivision)
{
    const int step = subdivision - static_cast<int>(f * static_cast<float>(subdivision));
    return std::max(step, 1);
}

bool immediateCellIndices(int x, int y, int step, int subdivision, int meshColumns, CellIndexLists& out)
{
    return buildCellIndices(x, y, step, subdivision, meshColumns, step + subdivision, out);
}

int immediateCount(const CellIndexLists& lists)
{
    if (lists.isQuad) return 1;
    return lists.stripCount * (lists.stripLength / 2);
}

uint32_t largestIndex(const CellIndexLists& lists)
{
    if (lists.isQuad) return *std::max_element(std::begin(lists.quad), std::end(lists.quad));
    uint32_t largest = 0;
    for (int band = 0; band < lists.stripCount; ++band)
        for (int i = 0; i < lists.stripLength; ++i)
            largest = std::max(largest, lists.strips[band][i]);
    return largest;
}

bool immediateDrawable(const TerrainMap& map)
{
    if (!map.hasGrid()) return false;
    if (map.subdivision < 1 || map.subdivision > kMaxSubdivision) return false;
    const size_t points = static_cast<size_t>(map.width) * static_cast<size_t>(map.height);
    if (map.roughness.size() < points || map.visible.size() < points) return false;
    if (map.meshColumns <= 0 || map.meshRows <= 0) return false;
    const int64_t vertices = int64_t{map.meshColumns} * map.meshRows;
    if (vertices > int64_t{UINT32_MAX}) return false;
    // Columns must not wrap into the next row: the widest reach past a cell's
    // first column is two steps of subdivision - 1 (or the quad's far edge).
    const int64_t reach = std::max(map.subdivision, 2 * (map.subdivision - 1));
    if (map.meshColumns < int64_t{map.subdivision} * (map.width - 1) + reach + 1) return false;
    return map.vertices.size() >= static_cast<size_t>(vertices) * 3;
}

int immediateCellStep(const TerrainMap& map, int x, int y, Vec3 eye, float lodCoefficient)
{
    const size_t i = static_cast<size_t>(x) + static_cast<size_t>(map.width) * y;
    const Vec3 point{static_cast<float>(x), static_cast<float>(y), map.heights[i]};
    const float f = lodFactor(distanceSquared(point, eye), lodCoefficient, map.roughness[i]);
    return immediateLodStep(f, map.subdivision);
}
