#pragma once

// What the programs see when they start: every one of them places its eye 16
// units above grid point (32, 32), looking at (32, 48, 0), and draws the cells
// in view with a level of detail set by a coefficient. The generator uses this
// to frame its landscapes so that the quad budgets can be met from there.

#include <cstdint>
#include <vector>

#include "tools/data/Grid.h"

namespace datagen {

// How a program turns a heightmap into drawn quads.
struct QuadRule {
    double heightScale = 0.125;  // world units per byte
    bool smoothRoughness = true; // one smoothing pass over the roughness
    bool immediateSteps = false; // any whole step, one count per strip pair (the smaller programs)
};
inline constexpr QuadRule kVeldrunQuads{};
inline constexpr QuadRule kTilesQuads{0.125, true, true};
inline constexpr QuadRule kCliffQuads{0.0625, false, true};

// Quads drawn from the start view (45° vertical field of view, 4:3, near 1,
// far 250) at a level-of-detail coefficient: the load-time smoothing,
// roughness and per-cell step rule, with a cell counted when one of its
// corners is in view. The programs' quadtree marks at least these cells, so
// the estimate errs low.
long startViewQuads(const std::vector<uint8_t>& heightmap, double coefficient, const QuadRule& rule);

// Weight, 1 down to 0, of the ground in front of the start point: full within
// 24 grid steps of (32, 50), fading out by 40. Where rough ground pays most.
float startViewWeight(float x, float y);

} // namespace datagen
