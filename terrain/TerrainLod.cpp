#include "terrain/TerrainLod.h"

#include "terrain/TerrainMap.h"

#include <algorithm>

float lodFactor(float d2, float coefficient, float roughness)
{
    // Eye exactly on the grid point: 1024 / 0 is infinite and, with roughness 0,
    // the product has no value. Take the limit as the eye approaches: finest.
    if (d2 == 0.0f) return 1.0f;
    float f = (1024.0f / d2) * (coefficient * roughness);
    if (f > 1.0f) f = 1.0f;
    // An overflowing 1024 / d2 times roughness 0 gives NaN; like every other
    // roughness-0 cell it gets the coarsest level. Negative coefficients too.
    if (!(f > 0.0f)) f = 0.0f;
    return f;
}

int lodStep(float f, int subdivision)
{
    const int n = static_cast<int>(f * static_cast<float>(subdivision));
    const int deficit = subdivision - n;
    int step = subdivision;
    if (deficit <= 1)
        step = 1;
    else if (deficit == 2)
        step = 2;
    else if (deficit <= 4)
        step = 4;
    return std::min(step, subdivision);
}

int CellIndexLists::quadCount() const
{
    if (isQuad) return 1;
    return stripCount * ((stripLength - 2) / 2);
}

bool buildCellIndices(int x, int y, int step, int subdivision, int meshColumns, int limit,
                      CellIndexLists& out)
{
    out.isQuad = false;
    out.step = step;
    out.stripCount = 0;
    out.stripLength = 0;
    if (subdivision < 1 || subdivision > kMaxSubdivision || step < 1 || step > subdivision || x < 0 ||
        y < 0 || meshColumns < 1)
        return false;
    const auto v = [meshColumns](int64_t c, int64_t r) {
        return static_cast<uint32_t>(c + static_cast<int64_t>(meshColumns) * r);
    };
    const int64_t sx = static_cast<int64_t>(subdivision) * x;
    const int64_t sy = static_cast<int64_t>(subdivision) * y;
    if (step == subdivision) {
        out.isQuad = true;
        out.quad[0] = v(sx, sy);
        out.quad[1] = v(sx, sy + subdivision);
        out.quad[2] = v(sx + subdivision, sy + subdivision);
        out.quad[3] = v(sx + subdivision, sy);
        return true;
    }
    const int count = (limit + step - 1) / step; // multiples of step below limit
    if (limit < 1 || count > kMaxCellStrips || 2 * count > kMaxStripIndices) return false;
    // The lengths are what the loops wrote, so the count follows the lists.
    for (int k = 0; k < limit; k += step) {
        uint32_t* strip = out.strips[out.stripCount++];
        int length = 0;
        for (int s = 0; s < limit; s += step) {
            strip[length++] = v(sx + s, sy + k);
            strip[length++] = v(sx + s, sy + k + step);
        }
        out.stripLength = length;
    }
    return true;
}

int cellStep(const TerrainMap& map, int x, int y, Vec3 eye, float lodCoefficient)
{
    const size_t i = static_cast<size_t>(x) + static_cast<size_t>(map.width) * y;
    const Vec3 point{static_cast<float>(x), static_cast<float>(y), map.heights[i]};
    const float f = lodFactor(distanceSquared(point, eye), lodCoefficient, map.roughness[i]);
    return lodStep(f, map.subdivision);
}

namespace {

// Furthest mesh row and column offset from a cell's first vertex that any step
// of the drawing touches (the last band reaches one step past its start).
void drawReach(int subdivision, int& rows, int& columns)
{
    rows = subdivision;
    columns = subdivision;
    for (int step : {1, 2, 4}) {
        if (step >= subdivision) break;
        const int last = ((subdivision + 1 + step - 1) / step - 1) * step;
        rows = std::max(rows, last + step);
        columns = std::max(columns, last);
    }
}

} // namespace

bool terrainDrawable(const TerrainMap& map)
{
    if (map.width <= 0 || map.height <= 0) return false;
    if (map.subdivision < 1 || map.subdivision > kMaxSubdivision) return false;
    const size_t points = static_cast<size_t>(map.width) * static_cast<size_t>(map.height);
    if (map.heights.size() < points || map.roughness.size() < points || map.visible.size() < points)
        return false;
    int reachRows = 0;
    int reachColumns = 0;
    drawReach(map.subdivision, reachRows, reachColumns);
    const int64_t needColumns = int64_t{map.subdivision} * (map.width - 1) + reachColumns + 1;
    const int64_t needRows = int64_t{map.subdivision} * (map.height - 1) + reachRows + 1;
    if (map.meshColumns < needColumns || map.meshRows < needRows) return false;
    const int64_t vertices = int64_t{map.meshColumns} * map.meshRows;
    if (vertices > int64_t{UINT32_MAX}) return false;
    if (!map.usesVertexBuffers) {
        if (map.vertices.size() < static_cast<size_t>(vertices) * 3 ||
            map.colours.size() < static_cast<size_t>(vertices) * 4)
            return false;
    }
    return true;
}

bool buildHighlightIndices(const TerrainMap& map, int cx, int cy, HighlightIndexLists& out)
{
    out.bandCount = 0;
    out.bandLength = 0;
    if (cx < 0 || cx >= map.width || cy < 0 || cy >= map.height) return false;
    const int s = map.subdivision;
    if (s < 2 || s > kMaxSubdivision || map.meshColumns < s * map.width || map.meshRows < s * map.height)
        return false;
    if (!map.usesVertexBuffers &&
        map.vertices.size() < static_cast<size_t>(map.meshColumns) * map.meshRows * 3)
        return false;
    out.bandCount = s - 1;
    out.bandLength = 2 * s;
    const int64_t c0 = int64_t{s} * cx;
    const int64_t r0 = int64_t{s} * cy;
    for (int i = 0; i < s - 1; ++i) {
        for (int k = 0; k < s; ++k) {
            out.bands[i][2 * k] = static_cast<uint32_t>(c0 + k + map.meshColumns * (r0 + i));
            out.bands[i][2 * k + 1] = static_cast<uint32_t>(c0 + k + map.meshColumns * (r0 + i + 1));
        }
    }
    return true;
}
