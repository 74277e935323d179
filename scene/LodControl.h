#pragma once

#include <cstdint>

// The level-of-detail control: a coefficient the terrain drawing reads, held
// so that the quads drawn stay near a budget of lodRange x 5000.
struct LodControl {
    float lodCoefficient = 1.0f;  // kept within 0.2 to 9
    int32_t lodRange = 5;         // budget in units of 5000 quads, 1 to 20
    bool autoRangeAdjust = false; // the budget follows the frame rate (F4)
    int32_t rangeCountdown = 60;  // frames before the next automatic check
    int32_t quadsDrawn = 0;       // result of the last terrain drawing
};

// Every frame: 10 per cent less detail when quadsDrawn div 5000 is above
// lodRange + 1, 10 per cent more when below lodRange - 1 (limits 0.2 and 9).
void adjustLodCoefficient(LodControl& lod);

// With autoRangeAdjust, once the countdown has run out: a frame rate above 150
// raises the budget by one (at most 20), below 40 lowers it (at least 1), and
// either restarts the countdown at 10; in between the rate is tested again
// next frame.
void adjustLodRange(LodControl& lod, double smoothedFrameRate);

// F4: flips autoRangeAdjust; switching it off sets lodRange to 7.
void toggleAutoRangeAdjust(LodControl& lod);

// The smaller programs' control, without a budget range: 10 per cent less
// detail above `high` quads (at least `lowest`), then 10 per cent more below
// `low` (at most `highest`).
void adjustLodCoefficientToBand(float& lodCoefficient, int32_t quadsDrawn, int32_t high = 35000,
                                int32_t low = 32000, float lowest = 0.5f, float highest = 3.0f);
