#pragma once

#include <cstdint>

namespace datagen {

// Noise functions whose lattice repeats: a picture sampled over one full period
// in x and y continues seamlessly across its opposite edges. Coordinates are in
// lattice cells; periodX and periodY are whole numbers of cells (>= 1).

// Gradient (Perlin-style) noise, roughly in [-0.7, 0.7], 0 on lattice points.
float gradientNoise(float x, float y, int periodX, int periodY, uint32_t seed);

// Cellular (Worley) noise: distances, in cells, from (x, y) to the nearest and
// second nearest of one jittered feature point per cell.
struct CellularDistances {
    float nearest = 0.0f;
    float second = 0.0f;
    uint32_t nearestId = 0; // hash of the nearest point's cell, for per-cell colours
};
CellularDistances cellularNoise(float x, float y, int periodX, int periodY, uint32_t seed);

// Fractal sums over a unit tile: u and v in [0, 1) cover one period. Octave o uses
// a lattice of basePeriodX·2^o by basePeriodY·2^o cells with amplitude gain^o.
struct FractalParams {
    int basePeriodX = 4;
    int basePeriodY = 4;
    int octaves = 5;
    float gain = 0.5f;
    uint32_t seed = 0;
};
// Sum of gradient noise octaves, normalised to about [-1, 1].
float fractalNoise(float u, float v, const FractalParams& p);
// Ridged sum: sharp crests where the noise crosses zero, in about [0, 1].
float ridgedNoise(float u, float v, const FractalParams& p);

// 32-bit integer hash used for lattice gradients and feature points.
uint32_t hash3(uint32_t a, uint32_t b, uint32_t c);

} // namespace datagen
