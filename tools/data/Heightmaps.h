#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "tools/data/Grid.h"

namespace datagen {

// The terrain grid of every heightmap file: 128 × 128 bytes, row y = 0 first.
constexpr int kMapSize = 128;

// The main landscape: multi-octave hills crossed by ridges, weathered by thermal
// and droplet erosion, stretched over nearly the whole byte range. Values are
// byte heights (0-255) as floats; the file holds them rounded.
Grid makeMainLandscape(uint32_t seed);

// A second, different landscape for the tiles program: terraced mesas broken
// by crags, rockiest in front of the start point.
Grid makeTerraceLandscape(uint32_t seed);

// Shift of a landscape's noise lattice, in map widths. The noise repeats over
// the map, so every shift gives a landscape of the same kind; the generator
// keeps the one that frames the start view best.
struct LatticeOffset {
    float u = 0.0f;
    float v = 0.0f;
};

// The first of the 16 quarter-period offsets (no shift first) whose score
// reaches the target; if none does, the one that scored highest.
LatticeOffset frameStartView(const std::function<long(LatticeOffset)>& score, long target);

// The two landscapes before weathering, stretched to 0-255.
Grid mainLandscapeBase(uint32_t seed, LatticeOffset offset = {});
Grid terraceLandscapeBase(uint32_t seed, LatticeOffset offset = {});
// Droplet erosion followed by thermal weathering, on byte heights.
void weather(Grid& byteHeights, uint32_t seed, int droplets);

// Edits that show in the cliff programs: a rock field in front of the start
// point, a flattened plateau, a crater with a raised rim and a river bed
// carved across the map. Positions depend on the seed; the crater takes the
// highest of a few spots of `map` (byte heights).
struct MapEdits {
    float plateauX, plateauY, plateauRadius;
    float craterX, craterY, craterRadius;
    float riverY;     // the river's mean row; it meanders around it from x = 0 to the last column
    float riverWidth; // floor width in grid steps
};
MapEdits chooseEdits(uint32_t seed, const Grid& map);
Grid applyEdits(const Grid& original, const MapEdits& edits);
// The rock field: the small-scale relief tripled where startViewWeight is 1,
// fading with it; byte heights stay within 0-255.
void sharpenRockField(Grid& byteHeights);
// The river's centre row at column x.
float riverCentre(const MapEdits& edits, float x);

} // namespace datagen
