// The heightmap loader over arbitrary bytes, then every query on the result.
#include "terrain/TerrainMap.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TerrainMap map;
    map.loadHeightmapBytes(data, size);
    if (map.width <= 0 || map.height <= 0 || map.heights.size() != size_t(map.width) * size_t(map.height))
        std::abort();
    // Corners, outside points and non-finite positions are clamped onto the grid.
    const double probes[] = {-1e300, -1.0, 0.0, 0.5, 63.7, 127.0, 127.9, 1e300, NAN, INFINITY};
    for (double x : probes) {
        for (double y : probes) {
            if (!std::isfinite(map.heightAt(x, y))) std::abort();
            auto grid = [](double v) {
                return int32_t(std::isfinite(v) ? std::fmax(std::fmin(v, 1e6), -1e6) : 0);
            };
            (void)map.gridHeight(grid(x), grid(y));
        }
    }
    return 0;
}
