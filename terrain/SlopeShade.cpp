#include "terrain/SlopeShade.h"

#include <algorithm>
#include <cmath>
#include <new>

float clampShade(double value)
{
    if (!(value > kShadeLowest)) return kShadeLowest;
    return static_cast<float>(std::min<double>(value, kShadeHighest));
}

namespace {

bool meshValuesPresent(const TerrainMap& map)
{
    if (map.meshColumns <= 0 || map.meshRows <= 0) return false;
    const size_t count = static_cast<size_t>(map.meshColumns) * static_cast<size_t>(map.meshRows);
    return map.vertices.size() >= count * 3 && map.light.size() >= count;
}

} // namespace

void computeTilesShade(TerrainMap& map)
{
    if (!meshValuesPresent(map)) return;
    const size_t columns = static_cast<size_t>(map.meshColumns);
    for (int32_t r = 0; r < map.meshRows; ++r) {
        for (int32_t c = 0; c < map.meshColumns; ++c) {
            const size_t i = static_cast<size_t>(c) + columns * r;
            const double x = map.vertices[3 * i];
            const double y = map.vertices[3 * i + 1];
            const double z = map.vertices[3 * i + 2];
            double shade = 0.0;
            if (c >= 1 && r >= 1) {
                const double previous = map.vertices[3 * (i - columns - 1) + 2];
                shade = 1.0 - (z - previous) * 10.0;
            } else {
                shade = 1.0 - (z - map.heightAt(x - 0.125, y - 0.125)) * 0.25;
            }
            map.light[i] = clampShade(shade);
        }
    }
}

void computeCliffShade(TerrainMap& map)
{
    if (!meshValuesPresent(map)) return;
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
