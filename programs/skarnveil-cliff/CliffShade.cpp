#include "programs/skarnveil-cliff/CliffShade.h"

#include "platform/GlApi.h"
#include "skarnveil/CliffTerrain.h"
#include "skarnveil/SlopeShade.h"

#include <new>

void computeCliffShade(TerrainMap& map)
{
    if (!shadeValuesPresent(map)) return;
    const size_t count = static_cast<size_t>(map.meshColumns) * static_cast<size_t>(map.meshRows);
    for (size_t i = 0; i < count; ++i) {
        const double x = map.vertices[3 * i];
        const double y = map.vertices[3 * i + 1];
        map.light[i] = clampShade(1.0 - (map.heightAt(x, y) - map.heightAt(x + 0.125, y + 0.125)) * 10.0);
    }
}

void smoothInterior(int32_t w, int32_t h, std::vector<float>& values)
{
    if (w < 3 || h < 3) return;
    const size_t n = static_cast<size_t>(w) * static_cast<size_t>(h);
    if (values.size() < n) return;
    std::vector<float> old;
    try {
        old.assign(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(n));
    } catch (const std::bad_alloc&) {
        return; // left unsmoothed
    }
    // Interior points have their whole neighbourhood inside the array, so the
    // ranged filter gives them exactly smoothGrid's value; the edge points are
    // never written and keep what they held.
    for (int32_t r = 1; r < h - 1; ++r) {
        const int64_t rowStart = static_cast<int64_t>(r) * w;
        smoothGridRange(w, h, old.data(), values.data(), rowStart + 1, rowStart + w - 1);
    }
}

bool GenerateShadedCliffMesh(TerrainMap& map)
{
    if (!GenerateCliffMeshBase(map, true)) return false;
    if (map.light.size() < static_cast<size_t>(map.vertexCount)) return false;
    computeCliffShade(map);
    // The first pass leaves the edge rows and columns as they were.
    smoothInterior(map.meshColumns, map.meshRows, map.light);
    smoothGrid(map.meshColumns, map.meshRows, map.light);
    return true;
}

int32_t DrawShadedCliffTerrain(const TerrainMap& map, bool lodDrawing, Vec3 eye, float lodCoefficient,
                               TerrainDrawOptions options)
{
    return DrawCliffTerrain(map, lodDrawing, eye, lodCoefficient, options, map.light.size(),
                            [&map](uint32_t i) {
                                const float shade = map.light[i];
                                glColor3f(shade, shade, shade);
                            });
}
