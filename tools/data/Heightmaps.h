#pragma once

#include <cstdint>
#include <vector>

#include "tools/data/Grid.h"

namespace datagen {

// The terrain grid of every heightmap file: 128 × 128 bytes, row y = 0 first.
constexpr int kMapSize = 128;

// The main landscape: multi-octave hills crossed by ridges, weathered by thermal
// and droplet erosion, stretched over nearly the whole byte range. Values are
// byte heights (0-255) as floats; the file holds them rounded.
Grid makeMainLandscape(uint32_t seed);

// A second, different landscape for the tiles program: broad mesas with
// terraced flanks between wide eroded valleys.
Grid makeTerraceLandscape(uint32_t seed);

// The two landscapes before weathering, stretched to 0-255.
Grid mainLandscapeBase(uint32_t seed);
Grid terraceLandscapeBase(uint32_t seed);
// Droplet erosion followed by thermal weathering, on byte heights.
void weather(Grid& byteHeights, uint32_t seed, int droplets);

// Edits that show in the cliff programs: a flattened plateau, a crater with a
// raised rim and a river bed carved across the map. Positions depend on the
// seed; the crater takes the highest of a few spots of `map` (byte heights).
struct MapEdits {
    float plateauX, plateauY, plateauRadius;
    float craterX, craterY, craterRadius;
    float riverY;     // the river's mean row; it meanders around it from x = 0 to the last column
    float riverWidth; // floor width in grid steps
};
MapEdits chooseEdits(uint32_t seed, const Grid& map);
Grid applyEdits(const Grid& original, const MapEdits& edits);
// The river's centre row at column x.
float riverCentre(const MapEdits& edits, float x);

} // namespace datagen
