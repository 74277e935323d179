#include "tools/data/Noise.h"

#include <cmath>

namespace datagen {

uint32_t hash3(uint32_t a, uint32_t b, uint32_t c)
{
    uint32_t h = a * 0x8DA6B343u ^ b * 0xD8163841u ^ c * 0xCB1AB31Fu;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

namespace {

int wrap(int i, int period)
{
    const int m = i % period;
    return m < 0 ? m + period : m;
}

float fade(float t)
{
    return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f);
}

float lerp(float a, float b, float t)
{
    return a + (b - a) * t;
}

// Dot product of the lattice point's gradient with the offset to it; sixteen
// evenly spread unit gradients.
float corner(int ix, int iy, int periodX, int periodY, uint32_t seed, float dx, float dy)
{
    const uint32_t h =
        hash3(static_cast<uint32_t>(wrap(ix, periodX)), static_cast<uint32_t>(wrap(iy, periodY)), seed);
    const float angle = static_cast<float>(h & 15u) * (6.28318530718f / 16.0f);
    return std::cos(angle) * dx + std::sin(angle) * dy;
}

} // namespace

float gradientNoise(float x, float y, int periodX, int periodY, uint32_t seed)
{
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const int ix = static_cast<int>(fx);
    const int iy = static_cast<int>(fy);
    const float dx = x - fx;
    const float dy = y - fy;
    const float n00 = corner(ix, iy, periodX, periodY, seed, dx, dy);
    const float n10 = corner(ix + 1, iy, periodX, periodY, seed, dx - 1.0f, dy);
    const float n01 = corner(ix, iy + 1, periodX, periodY, seed, dx, dy - 1.0f);
    const float n11 = corner(ix + 1, iy + 1, periodX, periodY, seed, dx - 1.0f, dy - 1.0f);
    const float u = fade(dx);
    const float v = fade(dy);
    return lerp(lerp(n00, n10, u), lerp(n01, n11, u), v);
}

CellularDistances cellularNoise(float x, float y, int periodX, int periodY, uint32_t seed)
{
    const int ix = static_cast<int>(std::floor(x));
    const int iy = static_cast<int>(std::floor(y));
    float best = 1e9f;
    float second = 1e9f;
    uint32_t bestId = 0;
    for (int j = -1; j <= 1; ++j) {
        for (int i = -1; i <= 1; ++i) {
            const int cx = ix + i;
            const int cy = iy + j;
            const uint32_t h = hash3(static_cast<uint32_t>(wrap(cx, periodX)),
                                     static_cast<uint32_t>(wrap(cy, periodY)), seed ^ 0x5BD1E995u);
            const float px = static_cast<float>(cx) + static_cast<float>(h & 0xFFFFu) / 65536.0f;
            const float py = static_cast<float>(cy) + static_cast<float>(h >> 16) / 65536.0f;
            const float d = std::sqrt((px - x) * (px - x) + (py - y) * (py - y));
            if (d < best) {
                second = best;
                best = d;
                bestId = h;
            } else if (d < second) {
                second = d;
            }
        }
    }
    return {best, second, bestId};
}

float fractalNoise(float u, float v, const FractalParams& p)
{
    float sum = 0.0f;
    float amplitude = 1.0f;
    float norm = 0.0f;
    int px = p.basePeriodX;
    int py = p.basePeriodY;
    for (int o = 0; o < p.octaves; ++o) {
        sum += amplitude * gradientNoise(u * static_cast<float>(px), v * static_cast<float>(py), px, py,
                                         p.seed + static_cast<uint32_t>(o) * 1013u);
        norm += amplitude;
        amplitude *= p.gain;
        px *= 2;
        py *= 2;
    }
    return sum / (norm * 0.7f);
}

float ridgedNoise(float u, float v, const FractalParams& p)
{
    float sum = 0.0f;
    float amplitude = 1.0f;
    float norm = 0.0f;
    float weight = 1.0f;
    int px = p.basePeriodX;
    int py = p.basePeriodY;
    for (int o = 0; o < p.octaves; ++o) {
        const float n = gradientNoise(u * static_cast<float>(px), v * static_cast<float>(py), px, py,
                                      p.seed + static_cast<uint32_t>(o) * 7919u);
        float r = 1.0f - std::fabs(n) / 0.7f;
        r = r < 0.0f ? 0.0f : r * r;
        // Finer octaves show mostly on the crests, as on real ridges.
        sum += amplitude * r * weight;
        norm += amplitude;
        weight = r < 1.0f ? r : 1.0f;
        amplitude *= p.gain;
        px *= 2;
        py *= 2;
    }
    return sum / norm;
}

} // namespace datagen
