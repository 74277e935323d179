#pragma once

#include <cstdint>
#include <vector>

#include "tools/data/Grid.h"

namespace datagen {

// The foliage map: one byte per grid point, below 32 where trees stand.
constexpr uint8_t kTreeThreshold = 32;

struct FoliageParams {
    int targetPoints = 700; // tree points wanted; the result lies within [minPoints, maxPoints]
    int minPoints = 300;
    int maxPoints = 1200;
    uint32_t seed = 0;
};

// Forests grow in noise-shaped clusters on moderate slopes at middle heights.
// `heights` are byte heights; slopes are judged in world units (a byte is 1/8).
// Non-tree bytes hold a forest-density shade from 32 up, so the map reads as a picture.
std::vector<uint8_t> makeFoliageMap(const Grid& heights, const FoliageParams& p);

// Number of bytes below 32.
int countTreePoints(const std::vector<uint8_t>& foliage);

} // namespace datagen
