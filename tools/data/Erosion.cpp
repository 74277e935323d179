#include "tools/data/Erosion.h"

#include <algorithm>
#include <cmath>

#include "tools/data/Random.h"

namespace datagen {

void thermalErosion(Grid& heights, float talus, float rate, int iterations)
{
    static constexpr int kDx[4] = {1, -1, 0, 0};
    static constexpr int kDy[4] = {0, 0, 1, -1};
    Grid delta(heights.width, heights.height);
    for (int it = 0; it < iterations; ++it) {
        std::fill(delta.values.begin(), delta.values.end(), 0.0f);
        for (int y = 0; y < heights.height; ++y) {
            for (int x = 0; x < heights.width; ++x) {
                const float h = heights.at(x, y);
                for (int k = 0; k < 4; ++k) {
                    const int nx = x + kDx[k];
                    const int ny = y + kDy[k];
                    if (nx < 0 || ny < 0 || nx >= heights.width || ny >= heights.height) continue;
                    const float drop = h - heights.at(nx, ny);
                    if (drop > talus) {
                        // A quarter per neighbour at most, so a cell never gives away more than it has above
                        // talus.
                        const float moved = 0.25f * rate * (drop - talus);
                        delta.at(x, y) -= moved;
                        delta.at(nx, ny) += moved;
                    }
                }
            }
        }
        for (size_t i = 0; i < heights.values.size(); ++i)
            heights.values[i] += delta.values[i];
    }
}

namespace {

struct HeightGradient {
    float height;
    float gx;
    float gy;
};

HeightGradient heightAndGradient(const Grid& g, float x, float y)
{
    const int ix = static_cast<int>(x);
    const int iy = static_cast<int>(y);
    const float fx = x - static_cast<float>(ix);
    const float fy = y - static_cast<float>(iy);
    const float h00 = g.at(ix, iy);
    const float h10 = g.at(ix + 1, iy);
    const float h01 = g.at(ix, iy + 1);
    const float h11 = g.at(ix + 1, iy + 1);
    return {h00 * (1 - fx) * (1 - fy) + h10 * fx * (1 - fy) + h01 * (1 - fx) * fy + h11 * fx * fy,
            (h10 - h00) * (1 - fy) + (h11 - h01) * fy, (h01 - h00) * (1 - fx) + (h11 - h10) * fx};
}

// Spreads `amount` over the four corners of the droplet's cell by bilinear weights.
void addBilinear(Grid& g, float x, float y, float amount)
{
    const int ix = static_cast<int>(x);
    const int iy = static_cast<int>(y);
    const float fx = x - static_cast<float>(ix);
    const float fy = y - static_cast<float>(iy);
    g.at(ix, iy) += amount * (1 - fx) * (1 - fy);
    g.at(ix + 1, iy) += amount * fx * (1 - fy);
    g.at(ix, iy + 1) += amount * (1 - fx) * fy;
    g.at(ix + 1, iy + 1) += amount * fx * fy;
}

// Takes up to `amount` from a 3 × 3 neighbourhood around the droplet,
// centre-weighted, so single cells are not dug into pits. Returns what was
// taken (less than `amount` at the edge of the grid).
float erodeBrush(Grid& g, float x, float y, float amount)
{
    float taken = 0.0f;
    static constexpr float kWeights[3] = {0.25f, 0.5f, 0.25f};
    const int ix = static_cast<int>(x + 0.5f);
    const int iy = static_cast<int>(y + 0.5f);
    for (int j = -1; j <= 1; ++j) {
        for (int i = -1; i <= 1; ++i) {
            const int cx = ix + i;
            const int cy = iy + j;
            if (cx < 0 || cy < 0 || cx >= g.width || cy >= g.height) continue;
            const float part = amount * kWeights[i + 1] * kWeights[j + 1];
            g.at(cx, cy) -= part;
            taken += part;
        }
    }
    return taken;
}

} // namespace

void hydraulicErosion(Grid& heights, const HydraulicParams& p)
{
    Random rng(p.seed);
    const float maxX = static_cast<float>(heights.width - 1) - 1e-3f;
    const float maxY = static_cast<float>(heights.height - 1) - 1e-3f;
    for (int d = 0; d < p.droplets; ++d) {
        float x = static_cast<float>(rng.range(0.0, maxX));
        float y = static_cast<float>(rng.range(0.0, maxY));
        float dirX = 0.0f;
        float dirY = 0.0f;
        float speed = 1.0f;
        float water = 1.0f;
        float sediment = 0.0f;
        for (int step = 0; step < p.maxSteps; ++step) {
            const HeightGradient here = heightAndGradient(heights, x, y);
            dirX = dirX * p.inertia - here.gx * (1.0f - p.inertia);
            dirY = dirY * p.inertia - here.gy * (1.0f - p.inertia);
            const float len = std::sqrt(dirX * dirX + dirY * dirY);
            if (len < 1e-6f) break; // a flat spot or pit: the drop soaks away
            dirX /= len;
            dirY /= len;
            const float nx = x + dirX;
            const float ny = y + dirY;
            if (nx < 0.0f || ny < 0.0f || nx > maxX || ny > maxY) break;
            const float dh = heightAndGradient(heights, nx, ny).height - here.height;
            const float capacity = std::fmax(-dh, p.minSlope) * speed * water * p.capacity;
            if (sediment > capacity || dh > 0.0f) {
                const float deposit =
                    dh > 0.0f ? std::fmin(dh, sediment) : (sediment - capacity) * p.depositRate;
                sediment -= deposit;
                addBilinear(heights, x, y, deposit);
            } else {
                const float erode = std::fmin((capacity - sediment) * p.erodeRate, -dh);
                sediment += erodeBrush(heights, x, y, erode);
            }
            speed = std::sqrt(std::fmax(0.0f, speed * speed - dh * p.gravity));
            water *= 1.0f - p.evaporation;
            x = nx;
            y = ny;
        }
    }
}

} // namespace datagen
