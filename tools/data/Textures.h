#pragma once

#include <cstdint>

#include "image/Image.h"
#include "tools/data/Grid.h"

namespace datagen {

// Side of the terrain tile textures in texels.
constexpr int kTileSize = 256;
// Side of the grey light map.
constexpr int kLightMapSize = 512;

// Seamlessly tiling 24-bit ground textures: opposite edges continue each other.
Image makeGrassTile(uint32_t seed);    // base tile: meadow grass with dry patches
Image makeDirtTile(uint32_t seed);     // second ground: brown soil with pebbles
Image makeRockTile(uint32_t seed);     // bare rock with cracks and lichen
Image makeCliffTexture(uint32_t seed); // layered rock face with vertical joints

// A grey light map over the whole grid: sun light with cast shadows over the
// given byte heights (one grid step = 4 texels; row 0 is grid row y = 0).
Image makeLightMap(const Grid& byteHeights);

} // namespace datagen
