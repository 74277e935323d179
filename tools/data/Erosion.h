#pragma once

#include <cstdint>

#include "tools/data/Grid.h"

namespace datagen {

// Thermal weathering: wherever the drop to a neighbour exceeds `talus` (height
// units per grid step), a share of the excess slides down to it. Rounds off
// crests and fills the foot of steep slopes with scree.
void thermalErosion(Grid& heights, float talus, float rate, int iterations);

struct HydraulicParams {
    int droplets = 20000;
    int maxSteps = 48;
    float inertia = 0.1f;
    float capacity = 4.0f;
    float minSlope = 0.01f;
    float erodeRate = 0.3f;
    float depositRate = 0.3f;
    float evaporation = 0.02f;
    float gravity = 4.0f;
    uint32_t seed = 0;
};

// Droplet erosion: rain drops run downhill, carry sediment away from steep
// flanks and drop it where they slow down, cutting gullies and filling valley
// floors. Deterministic for a given seed.
void hydraulicErosion(Grid& heights, const HydraulicParams& p);

} // namespace datagen
