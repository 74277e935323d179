#include "bench/common/DrawComparisons.h"

#include "platform/GlApi.h"
#include "terrain/TerrainDraw.h"
#include "terrain/TerrainLod.h"
#include "terrain/TerrainMap.h"

#include <algorithm>

namespace {

bool marked(const TerrainMap& map, int x, int y)
{
    return map.visible[static_cast<size_t>(x + map.width * y)] == 1;
}

} // namespace

std::vector<uint32_t> batchIndices(const TerrainMap& map, Vec3 eye, float lodCoefficient)
{
    std::vector<uint32_t> out;
    if (!terrainDrawable(map)) return out;
    CellIndexLists lists;
    for (int y = 0; y < map.height; ++y) {
        for (int x = 0; x < map.width; ++x) {
            if (!marked(map, x, y)) continue;
            const int step = cellStep(map, x, y, eye, lodCoefficient);
            if (!buildCellIndices(x, y, step, map.subdivision, map.meshColumns, lists)) continue;
            if (lists.isQuad) {
                out.insert(out.end(), lists.quad, lists.quad + 4);
                continue;
            }
            for (int s = 0; s < lists.stripCount; ++s) {
                const uint32_t* strip = lists.strips[s];
                for (int q = 0; q + 3 < lists.stripLength; q += 2)
                    out.insert(out.end(), {strip[q], strip[q + 1], strip[q + 3], strip[q + 2]});
            }
        }
    }
    return out;
}

int drawBatch(const TerrainMap& map, const std::vector<uint32_t>& indices)
{
    if (!terrainDrawable(map)) return 0;
    beginTerrainDrawing(map);
    glDrawElements(GL_QUADS, static_cast<GLsizei>(indices.size()), GL_UNSIGNED_INT, indices.data());
    endTerrainDrawing(map);
    return static_cast<int>(indices.size() / 4);
}

int drawMarkedCellsAtFullDetail(const TerrainMap& map)
{
    if (!terrainDrawable(map)) return 0;
    beginTerrainDrawing(map);
    int quads = 0;
    CellIndexLists lists;
    for (int y = 0; y < map.height; ++y) {
        for (int x = 0; x < map.width; ++x) {
            if (!marked(map, x, y) || !buildCellIndices(x, y, 1, map.subdivision, map.meshColumns, lists))
                continue;
            for (int s = 0; s < lists.stripCount; ++s)
                glDrawElements(GL_QUAD_STRIP, lists.stripLength, GL_UNSIGNED_INT, lists.strips[s]);
            quads += lists.quadCount();
        }
    }
    endTerrainDrawing(map);
    return quads;
}

int drawWholeTerrainAtFullDetail(TerrainMap& map)
{
    const std::vector<uint8_t> saved = map.visible;
    std::fill(map.visible.begin(), map.visible.end(), 0);
    for (int y = 0; y + 1 < map.height; ++y)
        for (int x = 0; x + 1 < map.width; ++x)
            map.visible[static_cast<size_t>(x + map.width * y)] = 1;
    const int quads = drawMarkedCellsAtFullDetail(map);
    map.visible = saved;
    return quads;
}

double median(std::vector<double> values)
{
    if (values.empty()) return 0.0;
    const size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle), values.end());
    return values[middle];
}
