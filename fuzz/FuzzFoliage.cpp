// Foliage placement over arbitrary bytes, on a map with and without a heightmap.
#include "models/Units.h"
#include "terrain/TerrainMap.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    // The first byte chooses the map: no grid at all, or a grid from a heightmap of that many bytes
    // (a short heightmap is still a full grid).
    const std::span<const uint8_t> bytes(data + 1, size - 1);
    TerrainMap map;
    if (data[0] & 1) map.loadHeightmapBytes(bytes.data(), std::min<size_t>(data[0], bytes.size()), 0.125f);
    auto presets = std::make_unique<UnitPresets>(); // MD2 models: too large for the stack
    FoliageList foliage;
    RandomFraction random;
    placeFoliageBytes(map, bytes, foliage, *presets, random);
    const size_t points = size_t(map.width) * size_t(map.height);
    if (map.foliageMap.size() > points || foliage.size() > 2 * points) std::abort();
    return 0;
}
