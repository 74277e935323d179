// The heightmap loader over arbitrary bytes, then height queries on the result (grid points are
// queried by the foliage target).
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
    for (double x : probes)
        for (double y : probes)
            if (!std::isfinite(map.heightAt(x, y))) std::abort();
    return 0;
}
